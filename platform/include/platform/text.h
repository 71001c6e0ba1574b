#pragma once
// Text helpers: files are single-byte Windows-1252; numbers are printed and parsed in the
// C locale whatever the process locale is.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text); // unmappable characters become '?'

// snprintf/vsnprintf in the C locale. Always NUL-terminates when size > 0; returns what
// vsnprintf returns (the length the full text would have).
int FormatC(char* buf, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
int VFormatC(char* buf, size_t size, const char* fmt, va_list ap) __attribute__((format(printf, 3, 0)));
std::string StrFormatC(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The text of FormatC(buf, size, "%*.*f", width, precision, v), byte for byte, without going
// through printf for the values the reports hold (finite, below 2^53, precision 0 to 9): the
// binary value is rounded to the decimal places exactly, halves to even as printf does. Other
// values go to printf. Returns the length of the full text, as FormatC.
int FormatFixedC(char* buf, size_t size, double v, int width, int precision);

// Strict parsers in the C locale: the whole text (blanks around it allowed) must be a number.
// "inf", "nan", hexadecimal floats and trailing garbage are refused.
bool ParseDouble(std::string_view text, double& out);
bool ParseInt32(std::string_view text, int32_t& out); // decimal, optional sign, range checked

// strtod in the C locale with strtod's prefix semantics (stops at the first bad
// character), but never accepting inf, nan or hexadecimal: those read as 0 with end = text.
double StrtodC(const char* text, const char** end);

// Case-insensitive ASCII comparisons.
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);
std::string ToUpperAscii(std::string_view s);

// Real -> integer conversions without undefined behaviour: truncation toward zero,
// clamped to the type's range; a non-finite value gives 0.
int32_t TruncToInt32(double v);
int32_t RoundToInt32(double v); // nearest, halves away from zero, clamped, non-finite -> 0

// Splits text into lines; accepts CR LF, LF and lone CR; the last line may lack an end.
// Writers use CR LF ("\r\n").
inline constexpr const char* kLineEnd = "\r\n";
// The text with every LF that has no CR before it turned into CR LF.
std::string WithCrLf(std::string_view text);

// A list's text as a label prints it: every control byte (0x00 to 0x1F and 0x7F: line ends,
// tabs, the directly driven printer's STX, ETX, SO...) becomes a blank, so the text stays one
// line and can never act as a printer command. Every label writer takes outside text through
// it; the ZPL writers then quote what is a command in ZPL.
std::string LabelPlainText(std::string_view text);

} // namespace plat
