#pragma once
// Internal units and what the operator sees: lengths are int32 thousandths of a millimetre,
// stored angles int32 thousandths of a degree. The display unit system (1 millimetres,
// 2 inches) changes only what is shown and typed, never what is stored.
#include <cstddef>
#include <cstdint>

inline constexpr int kUnitMillimetres = 1;
inline constexpr int kUnitInches = 2;

inline constexpr double kMmPerInch = 25.4;
inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kSquareMetresPerSquareFoot = 0.09290304;
inline constexpr double kKgPerPound = 0.4536;

int GetUnitSystem();
void SetUnitSystem(int unitSystem);

double MmToInch(double x);
double InchToMm(double x);
double MetreToFoot(double x);
double SquareMetreToSquareFoot(double x);
double SquareFootToSquareMetre(double x);
double KgPerMetreToLbPerFoot(double x);
double LbPerFootToKgPerMetre(double x);

// real * 1000 truncated toward zero (2.9999 -> 2999); out of range clamps, non-finite gives 0.
int32_t ToThousandths(double x);
double FromThousandths(int32_t v);
double FromThousandths16(int16_t v);

// Size of the caller's text buffers of the two display-text routines.
inline constexpr std::size_t kDisplayTextSize = 50;

// text (buffer of kDisplayTextSize) holds a millimetre number: rewritten as "%.4lf" inches in
// inch mode, "%.2lf" millimetres otherwise. An empty text is left. A text that does not start
// with a number reads as 0. Returns text.
char* MetricTextForDisplay(char* text);
// text (buffer of kDisplayTextSize) typed in display units: left as it is when empty or in
// millimetre mode; otherwise a text that is wholly a number (a final line feed allowed)
// becomes "%.2lf" of value * 25.4 and anything else is emptied. Returns text.
char* DisplayTextToMetric(char* text);
// Removes the sign of a number text that is all zeros ("-0.00" becomes "0.00").
void DropNegativeZero(char* text);

// Kinds of DisplayToMetric.
inline constexpr int kQuantityLength = 1;
inline constexpr int kQuantityArea = 2;
inline constexpr int kQuantityWeightPerLength = 3;
// Reads the leading number of text (0 when none) and converts it from display units to
// metric by kind in inch mode (other kinds and millimetre mode: unchanged).
double DisplayToMetric(const char* text, int kind);
float DisplayToMetricF(const char* text, int kind);

// Empty text: out := 0, result 2. Not wholly a number (a final line feed is allowed):
// result 1, out unchanged. Otherwise out := ToThousandths(value), result 0. out may be null.
int ParseThousandths(const char* text, int32_t* out);

// printf-style formatting where "%{[width]X}" takes one double in metric units and shows it
// in the display unit with a precision chosen by the letter X:
//   D weight per length, H/L/U/X lengths, M length in metres (rounded up to whole numbers),
//   S area; other letters are shown unchanged with the default precision.
// The text is cut to outSize - 1 characters. Returns the length of the text before the
// placeholders are replaced by their values (the formatter's historic result).
int FormatUnits(char* out, std::size_t outSize, const char* fmt, ...);
// The text FormatUnits gives for "%{<width>X}" with thousandths / 1000.0 (a length kept in
// thousandths of a millimetre), written straight: the reports' fast path. Returns its length.
int FormatThousandthsX(char* out, std::size_t outSize, int width, int32_t thousandths);
