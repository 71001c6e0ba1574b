// Units, formatting, number parsing and text routines.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "machine/error_text.h"
#include "machine/units.h"
#include "machine/utils.h"

namespace {

class UnitSystemScope {
public:
    explicit UnitSystemScope(int u) : saved_(GetUnitSystem()) { SetUnitSystem(u); }
    ~UnitSystemScope() { SetUnitSystem(saved_); }

private:
    int saved_;
};

std::string Fmt1(const char* fmt, double v) {
    char out[256];
    FormatUnits(out, sizeof out, fmt, v);
    return out;
}

} // namespace

TEST(FormatUnits, MillimetreMode) {
    UnitSystemScope mm(kUnitMillimetres);
    EXPECT_EQ(Fmt1("%{L} mm", 1234.56), "1235 mm");
    EXPECT_EQ(Fmt1("%{M}", 2.1), "3");
    EXPECT_EQ(Fmt1("%{X}", 12.3456), "12.35");
    EXPECT_EQ(Fmt1("%{H}", 12.36), "12.4");
    EXPECT_EQ(Fmt1("%{D}", 1.5), "1.500");
    EXPECT_EQ(Fmt1("%{S}", 1.23456), "1.2346");
    EXPECT_EQ(Fmt1("%{U}", 2.5), "2.500000");
    EXPECT_EQ(Fmt1("[%{10L}]", 1234.56), "[      1235]");
    EXPECT_EQ(Fmt1("%{X}", -0.5), "-0.50");
}

TEST(FormatUnits, InchMode) {
    UnitSystemScope inch(kUnitInches);
    EXPECT_EQ(Fmt1("%{L} mm", 1234.56), "48.60 mm"); // the literal text stays as written
    EXPECT_EQ(Fmt1("%{M}", 2.1), "7");               // 6.89 feet, rounded up
    EXPECT_EQ(Fmt1("%{X}", 25.4), "1.0000");
    EXPECT_EQ(Fmt1("%{H}", 25.4), "1.000");
    EXPECT_EQ(Fmt1("%{D}", 1.0), "0.6720");
    EXPECT_EQ(Fmt1("%{S}", 1.0), "10.764");
    EXPECT_EQ(Fmt1("%{Q}", 25.4), "25.400000"); // unknown letter: unchanged
}

TEST(FormatUnits, OtherUnitSystemConvertsNothing) {
    UnitSystemScope other(0);
    EXPECT_EQ(Fmt1("%{L}", 1234.56), "1234.560000");
    EXPECT_EQ(Fmt1("%{M}", 2.1), "2.100000");
}

TEST(FormatUnits, MixedArgumentsLiteralsAndBounds) {
    UnitSystemScope mm(kUnitMillimetres);
    char out[128];
    FormatUnits(out, sizeof out, "%s: %{L} mm, %d pcs, %{X}", "BAR", 1000.0, 5, 2.0);
    EXPECT_STREQ(out, "BAR: 1000 mm, 5 pcs, 2.00");
    // "%%" is a per cent sign, so "%%{L}" is no placeholder; a malformed one stays text.
    FormatUnits(out, sizeof out, "100%%{L} %{L", 0);
    EXPECT_STREQ(out, "100%{L} %{L");
    // Output cut to the buffer.
    char small[6];
    FormatUnits(small, sizeof small, "%{L} millimetres", 1234.0);
    EXPECT_STREQ(small, "1234 ");
    // A huge width does not overflow the value's scratch space.
    FormatUnits(out, sizeof out, "%{999L}|", 1.0);
    EXPECT_LT(std::strlen(out), sizeof out);
}

// Only the caller's own placeholders convert: a text argument that holds what a placeholder
// once turned into ("{{value}{letter width}}") is printed as it stands. Every printf conversion
// takes its own arguments; the result counts the placeholders as their historic spans.
TEST(FormatUnits, ArgumentsAreNeverReadAsPlaceholders) {
    UnitSystemScope inch(kUnitInches);
    char out[256];
    FormatUnits(out, sizeof out, "%s %{X} %s", "{{25.4}{X}}", 25.4, "{{1}{L10.2lf}}");
    EXPECT_STREQ(out, "{{25.4}{X}} 1.0000 {{1}{L10.2lf}}");
    const int n = FormatUnits(out, sizeof out, "%-4s|%5.1f|%03d|%lu|%c|%x|%*d|%.*s|%{L}", "ab", 2.25, 7, 12ul, 'z', 255, 3,
                              4, 2, "xyz", 25.4);
    EXPECT_STREQ(out, "ab  |  2.2|007|12|z|ff|  4|xy|1.00");
    // The placeholder counts as "{{" "%.20lf" of 25.4 "}{L.2lf}}".
    EXPECT_EQ(n, static_cast<int>(std::strlen("ab  |  2.2|007|12|z|ff|  4|xy|{{25.39999999999999857891}{L.2lf}}")));
}

TEST(Units, ToThousandthsTruncatesTowardZero) {
    EXPECT_EQ(ToThousandths(2.9999), 2999);
    EXPECT_EQ(ToThousandths(-0.0015), -1);
    EXPECT_EQ(ToThousandths(1.9999999), 1999);
    EXPECT_EQ(ToThousandths(-2.9999), -2999);
    EXPECT_EQ(ToThousandths(1e12), INT32_MAX); // clamped, never undefined
    EXPECT_EQ(ToThousandths(-1e12), INT32_MIN);
    EXPECT_EQ(ToThousandths(NAN), 0);
    EXPECT_DOUBLE_EQ(FromThousandths(-1500), -1.5);
    EXPECT_DOUBLE_EQ(FromThousandths16(static_cast<int16_t>(-32768)), -32.768);
}

TEST(Units, RoundToTenAndDecimals) {
    EXPECT_EQ(RoundToTen(14), 10);
    EXPECT_EQ(RoundToTen(15), 20);
    EXPECT_EQ(RoundToTen(-15), -20);
    EXPECT_EQ(RoundToTen(-14), -10);
    EXPECT_EQ(RoundToTen(0), 0);
    EXPECT_EQ(RoundToTen(-5), -10);
    EXPECT_EQ(RoundToTen(1), 0);
    EXPECT_EQ(RoundToTen(INT32_MAX) % 10, 0);
    EXPECT_EQ(RoundToTen(INT32_MIN) % 10, 0);
    EXPECT_DOUBLE_EQ(RoundToDecimals(2.345, 2), 2.35);
    EXPECT_DOUBLE_EQ(RoundToDecimals(-2.345, 2), -2.35);
    EXPECT_DOUBLE_EQ(RoundToDecimals(7.0, 2), 7.0);
    EXPECT_DOUBLE_EQ(RoundToDecimals(2.344, 2), 2.34);
}

TEST(Units, ParseThousandthsIsStrict) {
    int32_t v = 77;
    EXPECT_EQ(ParseThousandths("12.5\n", &v), 0);
    EXPECT_EQ(v, 12500);
    v = 77;
    EXPECT_EQ(ParseThousandths("12.5a", &v), 1);
    EXPECT_EQ(v, 77);
    EXPECT_EQ(ParseThousandths("", &v), 2);
    EXPECT_EQ(v, 0);
    v = 77;
    for (const char* bad : {"inf", "-inf", "nan", "0x10", "0x1p3", "\n", ".", "1,5", "12 "}) {
        EXPECT_EQ(ParseThousandths(bad, &v), 1) << bad;
        EXPECT_EQ(v, 77) << bad;
    }
    EXPECT_EQ(ParseThousandths("-0.0015", &v), 0);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(ParseThousandths("1e300", &v), 0); // out of range: clamped, no undefined cast
    EXPECT_EQ(v, INT32_MAX);
    EXPECT_EQ(ParseThousandths("3", nullptr), 0);
}

TEST(Units, DisplayTexts) {
    char t[kDisplayTextSize];
    {
        UnitSystemScope inch(kUnitInches);
        std::strcpy(t, "2");
        EXPECT_STREQ(DisplayTextToMetric(t), "50.80");
        std::strcpy(t, "2,5");
        EXPECT_STREQ(DisplayTextToMetric(t), "");
        std::strcpy(t, "nan");
        EXPECT_STREQ(DisplayTextToMetric(t), "");
        std::strcpy(t, "25.4");
        EXPECT_STREQ(MetricTextForDisplay(t), "1.0000");
        EXPECT_DOUBLE_EQ(DisplayToMetric("2", kQuantityLength), 50.8);
        EXPECT_DOUBLE_EQ(DisplayToMetric("1", kQuantityArea), 0.09290304);
        EXPECT_DOUBLE_EQ(DisplayToMetric("7", 9), 7.0);
        EXPECT_DOUBLE_EQ(DisplayToMetric("abc", kQuantityLength), 0.0);
        EXPECT_DOUBLE_EQ(DisplayToMetric("inf", kQuantityLength), 0.0);
    }
    UnitSystemScope mm(kUnitMillimetres);
    std::strcpy(t, "2,5");
    EXPECT_STREQ(DisplayTextToMetric(t), "2,5"); // millimetre mode leaves the text
    std::strcpy(t, "12");
    EXPECT_STREQ(MetricTextForDisplay(t), "12.00");
    std::strcpy(t, "");
    EXPECT_STREQ(MetricTextForDisplay(t), "");
    std::strcpy(t, "1e300");
    MetricTextForDisplay(t); // far longer than the buffer as "%.2lf": cut, not overflowed
    EXPECT_EQ(std::strlen(t), kDisplayTextSize - 1);
}

TEST(TextRoutines, TrimAndZeros) {
    char t[32];
    std::strcpy(t, "0007");
    EXPECT_STREQ(StripLeadingZeros(t), "7");
    std::strcpy(t, "000");
    EXPECT_STREQ(StripLeadingZeros(t), "0");
    std::strcpy(t, "07A");
    EXPECT_STREQ(StripLeadingZeros(t), "07A");
    std::strcpy(t, "");
    EXPECT_STREQ(StripLeadingZeros(t), "0");
    std::strcpy(t, "\t _007_ \r\n");
    EXPECT_STREQ(StripLeadingZeros(t), "7");
    std::strcpy(t, "A_B_ \t\n");
    EXPECT_STREQ(TrimTextField(t), "A B");
    std::strcpy(t, "A B C");
    EXPECT_STREQ(SpaceToUnderscore(t), "A_B_C");
    char d[4];
    TrimSpaces("  ABCDEF  ", d, sizeof d);
    EXPECT_STREQ(d, "ABC");
    TrimSpaces("\tX ", t, sizeof t);
    EXPECT_STREQ(t, "\tX"); // only blanks are trimmed
}

TEST(TextRoutines, SplitFileName) {
    char path[260] = "C:\\DATA.OLD\\SERIE1\\COD123456789.dxf";
    char series[9], code[9];
    SplitFileName(path, series, code);
    EXPECT_STREQ(code, "COD12345");
    EXPECT_STREQ(series, "SERIE1");
    EXPECT_STREQ(path, "C:\\DATA.OLD\\SERIE1");

    // The extension is taken from the file name, never from a dotted directory.
    std::strcpy(path, "C:\\PROF\\S.1\\C.2.dxf");
    SplitFileName(path, series, code);
    EXPECT_STREQ(code, "C");
    EXPECT_STREQ(series, "S.1");

    std::strcpy(path, "NAME.lda");
    SplitFileName(path, series, code);
    EXPECT_STREQ(code, "NAME");
    EXPECT_STREQ(series, "");
}

TEST(TextRoutines, CopyFieldIsBoundedAndTerminated) {
    char field[6];
    CopyField(field, "ABCDEFGH"); // cut to the field
    EXPECT_STREQ(field, "ABCDE");
    CopyField(field, nullptr);
    EXPECT_STREQ(field, "");
    // A record text without its zero: at most n characters are read.
    const char record[4] = {'W', 'X', 'Y', 'Z'};
    CopyField(field, record, sizeof record);
    EXPECT_STREQ(field, "WXYZ");
    CopyField(field, sizeof field, "AB\0CD", 5);
    EXPECT_STREQ(field, "AB");
    char one[1] = {'q'};
    CopyField(one, "text");
    EXPECT_STREQ(one, "");
}

TEST(ErrorText, WritesAreBounded) {
    std::string longText(500, 'x');
    SetErrorText("%s", longText.c_str());
    EXPECT_EQ(std::strlen(g_errorText), kErrorTextSize - 1);
    SetErrorText("%s %.2f", "value", 1.5);
    EXPECT_STREQ(g_errorText, "value 1.50"); // C locale whatever the process locale
    AppendErrorText(" %s", longText.c_str());
    EXPECT_EQ(std::strlen(g_errorText), kErrorTextSize - 1);
    AppendErrorText("more");
    EXPECT_EQ(std::strlen(g_errorText), kErrorTextSize - 1);
    SetErrorTextLiteral(longText.c_str());
    EXPECT_EQ(std::strlen(g_errorText), kErrorTextSize - 1);
    SetErrorText("abcdef");
    SetErrorTextLiteral(g_errorText + 2); // overlapping copy
    EXPECT_STREQ(g_errorText, "cdef");
    ClearErrorText();
    EXPECT_STREQ(g_errorText, "");
}
