// A list's text as the data of one ZPL II field, by the field's kind and declarations.
#include "labelprint/field_data.h"

#include <algorithm>
#include <cctype>

#include "platform/text.h"

namespace labelprint {

namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The n-th comma-separated parameter (from 0), blanks and line ends dropped.
std::string Parameter(std::string_view parameters, int n) {
    std::string out;
    int at = 0;
    for (char c : parameters) {
        if (c == ',') {
            if (++at > n) break;
            continue;
        }
        if (at == n && c != ' ' && c != '\r' && c != '\n') out += c;
    }
    return out;
}

bool AllOf(std::string_view text, std::string_view set) { return text.find_first_not_of(set) == std::string_view::npos; }

constexpr std::string_view kDigits = "0123456789";

// Check digit of EAN and UPC data (the digits without their check digit).
char EanCheck(std::string_view digits) {
    int sum = 0, weight = 3;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, weight = 4 - weight) sum += (*it - '0') * weight;
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// n digits, or n + 1 ending in their right check digit (the printer adds it to n digits).
bool EanDigits(std::string_view text, size_t n) {
    if (!AllOf(text, kDigits)) return false;
    return text.size() == n || (text.size() == n + 1 && text[n] == EanCheck(text.substr(0, n)));
}

bool Printable(char c) { return c >= 0x20 && c <= 0x7E; }

void AppendEscape(std::string& out, unsigned char b, char indicator) {
    static const char kHex[] = "0123456789ABCDEF";
    out += indicator;
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

} // namespace

FieldKind FieldKindOf(std::string_view command, std::string_view parameters) {
    std::string c = Upper(command);
    if (!c.empty() && c[0] == '^') c.erase(0, 1);
    if (c.size() != 2 || c[0] != 'B') return FieldKind::Text;
    switch (c[1]) {
    case 'C': {
        // ^BCo,h,f,g,e,m: the sixth parameter is the mode.
        const std::string mode = Upper(Parameter(parameters, 5));
        if (mode == "A") return FieldKind::Code128Auto;
        if (mode == "U" || mode == "D") return FieldKind::Code128Digits;
        return FieldKind::Code128;
    }
    case '3':
    case 'L':
    case 'A': return FieldKind::Code39;
    case 'K': return FieldKind::Codabar;
    case 'E': return FieldKind::Ean13;
    case 'U': return FieldKind::UpcA;
    case '8': return FieldKind::Ean8;
    case '2': return FieldKind::Interleaved2of5;
    case 'Q':
    case 'X':
    case '7':
    case 'F':
    case 'O': return FieldKind::TwoDimensional;
    case 'Y': // ^BY sets the module width of the next barcode: not a barcode itself
        return FieldKind::Text;
    default: return FieldKind::Unknown;
    }
}

CodePage CodePageOf(std::string_view parameters) {
    const std::string first = Parameter(parameters, 0);
    if (first == "27") return CodePage::Cp1252;
    if (first == "28") return CodePage::Utf8;
    return CodePage::None;
}

// What each kind carries, so that its symbol reads back the value as written:
// - Code 128 in mode N: every printable ASCII character (the data is read in subset B, the
//   printer's start subset). The printer takes '>' followed by a character as an invocation
//   code: ">0" is the character '>', "><" the character '^', ">=" the character '~' (subset B
//   values 30, 62 and 94), ">1" to ">8" functions and subset changes (">5" CODE C), ">9", ">:"
//   and ">;" the start codes A, B and C. So '>', '^' and '~' are written as ">0", "><" and ">=",
//   and no other '>' is ever written. Control bytes and bytes beyond ASCII would need subset A
//   or FNC4, which scanners do not read alike: not carried.
// - Code 128 in mode A: printable ASCII except '>' (the printer chooses the subsets itself).
//   Modes U and D: digits only.
// - Code 39 (and LOGMARS, Code 93): 0-9, A-Z, blank and - . $ / + %.
// - Codabar: 0-9 and - $ : / . + (start and stop characters are the command's).
// - EAN-13, UPC-A, EAN-8: 12, 11 or 7 digits, or one more that is their right check digit.
// - Interleaved 2 of 5: an even count of digits (an odd count would be padded with a zero).
// - Two-dimensional symbols: printable ASCII except '^', '~', '_', '\' and '>', the command,
//   escape and function characters of one or another of them.
// - Any other barcode command: nothing (what its symbol would read back is not known).
bool Carries(FieldKind kind, std::string_view text) {
    if (text.empty()) return true; // an empty value is an empty field
    const bool printable = std::all_of(text.begin(), text.end(), Printable);
    switch (kind) {
    case FieldKind::Text: return true;
    case FieldKind::Code128: return printable;
    case FieldKind::Code128Auto: return printable && text.find('>') == std::string_view::npos;
    case FieldKind::Code128Digits: return AllOf(text, kDigits);
    case FieldKind::Code39: return AllOf(text, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -.$/+%");
    case FieldKind::Codabar: return AllOf(text, "0123456789-$:/.+");
    case FieldKind::Ean13: return EanDigits(text, 12);
    case FieldKind::UpcA: return EanDigits(text, 11);
    case FieldKind::Ean8: return EanDigits(text, 7);
    case FieldKind::Interleaved2of5: return AllOf(text, kDigits) && text.size() % 2 == 0;
    case FieldKind::TwoDimensional: return printable && text.find_first_of("^~_\\>") == std::string_view::npos;
    case FieldKind::Unknown: return false;
    }
    return false;
}

ZplField ZplFieldValue(std::string_view text, FieldKind kind, char indicator, CodePage codePage) {
    ZplField out;
    if (kind != FieldKind::Text && !Carries(kind, text)) {
        out.carried = false;
        return out;
    }
    const std::string plain = kind == FieldKind::Text ? plat::LabelPlainText(text) : std::string(text);
    // A character goes as an escape when it would act ('^', '~'), is the indicator, or lies
    // beyond ASCII (written in the code page in force).
    const char ind = indicator != '\0' ? indicator : '_';
    auto escaped = [&](char c) {
        const auto b = static_cast<unsigned char>(c);
        return c == '^' || c == '~' || b >= 0x80 || (indicator != '\0' && c == indicator);
    };
    const bool code128 = kind == FieldKind::Code128;
    bool needs = false;
    for (char c : plain) {
        if (code128 && (c == '>' || c == '^' || c == '~')) continue; // invocation codes
        if (escaped(c) && c != indicator) needs = true;
    }
    const bool escapeAll = needs || indicator != '\0';
    out.needsIndicator = needs && indicator == '\0';
    for (char c : plain) {
        const auto b = static_cast<unsigned char>(c);
        if (code128 && c == '>') out.data += ">0";
        else if (code128 && c == '^') out.data += "><";
        else if (code128 && c == '~') out.data += ">=";
        else if (!escapeAll || !(escaped(c) || c == ind)) out.data += c;
        else if (b >= 0x80 && codePage == CodePage::Utf8)
            for (char u : plat::Cp1252ToUtf8(std::string_view(&c, 1))) AppendEscape(out.data, static_cast<unsigned char>(u), ind);
        else {
            AppendEscape(out.data, b, ind);
            if (b >= 0x80 && codePage == CodePage::None) out.needsCodePage = true;
        }
    }
    return out;
}

} // namespace labelprint
