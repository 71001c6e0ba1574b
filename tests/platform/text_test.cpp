// Encoding, C-locale numbers and safe real -> integer conversions.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale.h>

namespace {

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(plat::Utf8ToCp1252(plat::Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, HighControlRangeUsesTheWindowsTable) {
    EXPECT_EQ(plat::Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(plat::Cp1252ToUtf8("\x9F"), "\xC5\xB8");      // Y with diaeresis
    EXPECT_EQ(plat::Cp1252ToUtf8("\x96"), "\xE2\x80\x93");  // en dash
    EXPECT_EQ(plat::Cp1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(plat::Utf8ToCp1252("\xE2\x80\x9C" "a" "\xE2\x80\x9D"), "\x93" "a" "\x94");
}

TEST(Cp1252, UnmappableAndBrokenUtf8BecomeQuestionMarks) {
    EXPECT_EQ(plat::Utf8ToCp1252("\xCE\xA9"), "?");             // Greek omega
    EXPECT_EQ(plat::Utf8ToCp1252("a\xC3"), "a?");               // cut sequence
    EXPECT_EQ(plat::Utf8ToCp1252("\xC0\xAF"), "??");            // overlong form
    EXPECT_EQ(plat::Utf8ToCp1252("\xF0\x9F\x98\x80x"), "?x");   // beyond the BMP
}

TEST(CLocaleNumbers, FormatUsesPointUnderTheProcessLocale) {
    // The test main adopted the environment's locale (it_IT.UTF-8 in one run of the suite).
    char buf[32];
    EXPECT_EQ(plat::FormatC(buf, sizeof buf, "%.1f", 1.5), 3);
    EXPECT_STREQ(buf, "1.5");
    EXPECT_EQ(plat::StrFormatC("%.3f|%g", -2.25, 1e-7), "-2.250|1e-07");
    EXPECT_EQ(plat::StrFormatC("%s", std::string(1000, 'x').c_str()).size(), 1000u);
    // Truncation: NUL-terminated, the full length returned.
    EXPECT_EQ(plat::FormatC(buf, 4, "%d", 123456), 6);
    EXPECT_STREQ(buf, "123");
}

TEST(CLocaleNumbers, ItalianThreadLocaleDoesNotLeakIntoNumbers) {
    locale_t it = newlocale(LC_ALL_MASK, "it_IT.UTF-8", static_cast<locale_t>(0));
    if (!it) GTEST_SKIP() << "it_IT.UTF-8 locale not installed";
    locale_t previous = uselocale(it);
    char plain[16];
    std::snprintf(plain, sizeof plain, "%.1f", 1.5);
    EXPECT_STREQ(plain, "1,5"); // the locale really is active

    EXPECT_EQ(plat::StrFormatC("%.1f", 1.5), "1.5");
    double v = 0;
    EXPECT_TRUE(plat::ParseDouble("2.75", v));
    EXPECT_EQ(v, 2.75);
    EXPECT_FALSE(plat::ParseDouble("1,5", v));
    const char* text = "3.5;";
    const char* end = nullptr;
    EXPECT_EQ(plat::StrtodC(text, &end), 3.5);
    EXPECT_EQ(end, text + 3);

    uselocale(previous);
    freelocale(it);
}

TEST(CLocaleNumbers, ParseDoubleIsStrict) {
    double v = -1;
    EXPECT_TRUE(plat::ParseDouble("  -12.5e1\t", v));
    EXPECT_EQ(v, -125.0);
    EXPECT_TRUE(plat::ParseDouble("7", v));
    EXPECT_EQ(v, 7.0);
    v = 42;
    for (const char* bad : {"inf", "-INF", "infinity", "nan", "NaN(1)", "0x1p3", "-0X10", "1,5", "1.5x", "1.5 2",
                            "", "   ", "1e999", "+", "."}) {
        EXPECT_FALSE(plat::ParseDouble(bad, v)) << bad;
    }
    EXPECT_EQ(v, 42.0); // untouched on refusal
    EXPECT_FALSE(plat::ParseDouble(std::string_view("1\0" "2", 3), v));
}

TEST(CLocaleNumbers, StrtodRefusesInfNanHex) {
    for (const char* bad : {"inf", " -Infinity", "nan", "0x1p3", "+0x10"}) {
        const char* end = nullptr;
        EXPECT_EQ(plat::StrtodC(bad, &end), 0.0) << bad;
        EXPECT_EQ(end, bad) << bad;
    }
    const char* text = "12.5abc";
    const char* end = nullptr;
    EXPECT_EQ(plat::StrtodC(text, &end), 12.5);
    EXPECT_EQ(end, text + 4);
    text = "1,5";
    EXPECT_EQ(plat::StrtodC(text, &end), 1.0);
    EXPECT_EQ(end, text + 1);
    text = "x";
    EXPECT_EQ(plat::StrtodC(text, &end), 0.0);
    EXPECT_EQ(end, text);
}

TEST(CLocaleNumbers, ParseInt32ChecksRangeAndForm) {
    int32_t v = 0;
    EXPECT_TRUE(plat::ParseInt32(" 2147483647 ", v));
    EXPECT_EQ(v, INT32_MAX);
    EXPECT_TRUE(plat::ParseInt32("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(plat::ParseInt32("+7", v));
    EXPECT_EQ(v, 7);
    for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999", "12x", "1.0", "", "-", "0x10", "1 2"}) {
        EXPECT_FALSE(plat::ParseInt32(bad, v)) << bad;
    }
}

TEST(RealToInt, NonFiniteGivesZeroAndRangeIsClamped) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double bad : {nan, inf, -inf}) {
        EXPECT_EQ(plat::TruncToInt32(bad), 0);
        EXPECT_EQ(plat::RoundToInt32(bad), 0);
    }
    EXPECT_EQ(plat::TruncToInt32(1e300), INT32_MAX);
    EXPECT_EQ(plat::TruncToInt32(-1e300), INT32_MIN);
    EXPECT_EQ(plat::TruncToInt32(2147483647.9), INT32_MAX);
    EXPECT_EQ(plat::TruncToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(plat::RoundToInt32(2147483647.5), INT32_MAX);
    EXPECT_EQ(plat::RoundToInt32(-2147483648.4), INT32_MIN);
}

TEST(RealToInt, TruncatesTowardZeroAndRoundsHalvesAway) {
    EXPECT_EQ(plat::TruncToInt32(2.9), 2);
    EXPECT_EQ(plat::TruncToInt32(-2.9), -2);
    EXPECT_EQ(plat::RoundToInt32(2.5), 3);
    EXPECT_EQ(plat::RoundToInt32(-2.5), -3);
    EXPECT_EQ(plat::RoundToInt32(2.4999), 2);
    EXPECT_EQ(plat::RoundToInt32(-0.4), 0);
}

TEST(LineEnds, WithCrLfAddsOnlyMissingCarriageReturns) {
    EXPECT_EQ(plat::WithCrLf("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(plat::WithCrLf("\n\n"), "\r\n\r\n");
    EXPECT_EQ(plat::WithCrLf("no end"), "no end");
}

TEST(NoCase, ComparesAsciiIgnoringCase) {
    EXPECT_TRUE(plat::EqualsNoCase("Velmo", "vELMO"));
    EXPECT_FALSE(plat::EqualsNoCase("Velmo", "Velm"));
    EXPECT_FALSE(plat::EqualsNoCase("\xE9", "\xC9")); // only ASCII letters fold
    EXPECT_EQ(plat::CompareNoCase("abc", "ABD"), -1);
    EXPECT_EQ(plat::CompareNoCase("ABC", "abc"), 0);
    EXPECT_EQ(plat::CompareNoCase("abcd", "ABC"), 1);
    EXPECT_EQ(plat::ToUpperAscii("c:\\uven\\lav\xE9"), "C:\\UVEN\\LAV\xE9");
}

} // namespace
