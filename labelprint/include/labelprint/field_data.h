#pragma once
// A list's text as the data of one ZPL II field, written for the field's kind (a text or one
// of the barcode symbologies) and for what the field declares (its "^FH" indicator, the code
// page in force). Every printer path of the library (the composer and the templates filled by
// key) writes its values through ZplFieldValue: a text prints as written, a barcode reads back
// the value as written or is not printed, and no character of a value acts as a command.
#include <string>
#include <string_view>

namespace labelprint {

enum class FieldKind {
    Text,           // any field that is not a barcode
    Code128,        // "^BC", mode N (the printer's default): invocation codes after '>'
    Code128Auto,    // "^BC" in mode A: the printer chooses the subsets; no invocation codes
    Code128Digits,  // "^BC" in modes U and D (UCC/EAN): digits only
    Code39,         // "^B3", "^BL" (LOGMARS), "^BA" (Code 93, same character set kept)
    Codabar,        // "^BK"
    Ean13,          // "^BE"
    UpcA,           // "^BU"
    Ean8,           // "^B8"
    Interleaved2of5, // "^B2"
    TwoDimensional, // "^BQ", "^BX", "^B7", "^BF", "^BO": they carry plain text
    Unknown,        // any other barcode command: nothing is known of what it reads back
};

// Kind of a field by its barcode command ("^BC" or "BC", upper or lower case) and the
// command's parameters (the text after the two letters, up to the next command): an empty
// command is a text field.
FieldKind FieldKindOf(std::string_view command, std::string_view parameters = {});

// Code pages the writer knows how to write in.
enum class CodePage {
    None,    // the label declared none that the writer knows: bytes beyond ASCII need one
    Cp1252,  // "^CI27": the lists' own encoding
    Utf8,    // "^CI28"
};
// The code page of a "^CI" declaration by its parameters ("28", "27,..."): None for any other.
CodePage CodePageOf(std::string_view parameters);

struct ZplField {
    bool carried = true;     // false: the kind cannot carry the value as written (data empty)
    std::string data;        // what goes after "^FD"
    bool needsIndicator = false; // data holds escapes: the field must be given "^FH" (default '_')
    bool needsCodePage = false;  // data holds Windows-1252 bytes beyond ASCII on no declared
                                 // code page: the field must be preceded by "^CI27"
};

// The data of a field of `kind` showing `text` (a list's text, Windows-1252). indicator: the
// field's "^FH" indicator, or '\0' when it has none (then a value that needs escapes is written
// for the default '_' and needsIndicator is set). codePage: the declaration in force at the
// field.
//
// Text fields: control bytes print as blanks; '^', '~', the indicator and every byte beyond
// ASCII go as escapes (bytes beyond ASCII in the code page in force: UTF-8 under "^CI28", else
// Windows-1252).
// Barcodes carry only what their symbol reads back as written (rules in field_data.cpp);
// anything else is not carried, never changed into another value.
ZplField ZplFieldValue(std::string_view text, FieldKind kind, char indicator = '\0',
                       CodePage codePage = CodePage::None);

// Whether a barcode of `kind` carries `text` as written (the first step of ZplFieldValue).
bool Carries(FieldKind kind, std::string_view text);

} // namespace labelprint
