#pragma once
// Edit-field filters as plain logic: the text and selection of an edit control go in, the
// filtered text and selection come out. The dialog layer reads the control, calls a filter
// and writes text and selection back (then scrolls the caret into view).
#include <cstddef>
#include <string>

struct EditState {
    std::string text;
    int selStart = 0;
    int selEnd = 0;
};

// Characters of an edit control's text that a filter looks at.
inline constexpr std::size_t kEditFilterMaxChars = 38;

// Digits, and '-' only as the first character when minusAllowed. When anything was dropped
// the text is replaced and both ends of the selection move back by one.
// Returns true when the text changed.
bool FilterIntegerEdit(EditState& edit, bool minusAllowed);
// Digits, the first '.' of the text (later ones are dropped), and '-' only as the first
// character when minusAllowed; the selection as for FilterIntegerEdit. The decimal filter of
// every numeric entry of the program.
bool FilterRealEdit(EditState& edit, bool minusAllowed);
inline bool FilterDecimalEdit(EditState& edit, bool minusAllowed) { return FilterRealEdit(edit, minusAllowed); }
// The filter of a whole-number field: it drops what can be no part of a number (letters,
// blanks, a second separator, a minus past the first character) but keeps a typed point (or
// comma, the decimal mark of many operators) and a leading minus, so that "2.5" or "2,5"
// never turns into 25 nor "-3" into 3: the field's check on OK refuses them, naming the range
// (CheckWholeEntry). The selection as for FilterIntegerEdit.
bool FilterWholeNumberEdit(EditState& edit);
// An empty text is left. With limit >= 0 a text longer than limit - 1 is cut to that length;
// with upperCase every lower-case letter is upper-cased (UpperCase1252). The selection is kept
// (clamped to the new length). Returns true when the text changed.
bool FilterTextEdit(EditState& edit, int limit, bool upperCase);

// The capital of a Windows-1252 letter: 'a'..'z', the accented letters 0xE0..0xFE (not 0xF7,
// the division sign) and the four of 0x9A, 0x9C, 0x9E, 0xFF; every other byte as it is ('ß'
// has no single-byte capital).
char UpperCase1252(char c);
std::string UpperCase1252(std::string text);
