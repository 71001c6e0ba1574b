// Shape-file reader and writer, and the rounding every other part relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shape_test_util.h"

using namespace shapecomp;
using sctest::Crlf;

namespace {

const char* kTwoElements =
    "2 6000 7 -1 100 -200 5000 6000\n"
    " 1000 2000 2 0 0 0 0x1f4 1500000 300000 45000 0\n"
    " 3000 4000 3 2000 2000 -90000 -750 0 0 123456 1\n"
    " PIECE_A 10 -20\n"
    "0x2a\n";

} // namespace

TEST(ShapeFile, ReadsEveryFieldAndKeepsTheHexadecimalForms) {
    ShapeDescription s;
    EXPECT_TRUE(ReadShapeFile(Crlf(kTwoElements), s));
    EXPECT_EQ(s.toolDiameter, 6000);
    EXPECT_EQ(s.mode, 7);
    EXPECT_EQ(s.side, -1);
    EXPECT_EQ(s.startX, 100);
    EXPECT_EQ(s.startY, -200);
    EXPECT_EQ(s.minArcDiamCW, 5000);
    EXPECT_EQ(s.minArcDiamCCW, 6000);
    ASSERT_EQ(s.elements.size(), 2u);
    const ShapeElement& a = s.elements[0];
    EXPECT_EQ(a.endX, 1000);
    EXPECT_EQ(a.type, kLine);
    EXPECT_EQ(a.depth, 500);
    EXPECT_EQ(a.depthIsHex, 1);
    EXPECT_EQ(a.feedXY, 1500000);
    EXPECT_EQ(a.feedPlunge, 300000);
    EXPECT_EQ(a.direction, 0); // the stored direction is never read back
    const ShapeElement& b = s.elements[1];
    EXPECT_EQ(b.centreX, 2000);
    EXPECT_EQ(b.sweep, -90000);
    EXPECT_EQ(b.depth, -750);
    EXPECT_EQ(b.depthIsHex, 0);
    EXPECT_EQ(b.checkExempt, 1);
    EXPECT_EQ(s.name, "PIECE_A");
    EXPECT_EQ(s.originX, 10);
    EXPECT_EQ(s.originY, -20);
    EXPECT_EQ(s.id, 42);
    EXPECT_EQ(s.idIsHex, 1);
}

TEST(ShapeFile, WriteThenReadReproducesTheShape) {
    ShapeDescription s;
    ASSERT_TRUE(ReadShapeFile(kTwoElements, s));
    const std::string written = WriteShapeFile(s);
    EXPECT_NE(written.find(" 1000 2000 2 0 0 0 0x1f4 1500000 300000 0 0\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find(" PIECE_A 10 -20\r\n0x2a\r\n"), std::string::npos) << written;
    ShapeDescription again;
    ASSERT_TRUE(ReadShapeFile(written, again));
    EXPECT_EQ(WriteShapeFile(again), written);

    // Decimal forms stay decimal.
    s.elements[0].depthIsHex = 0;
    s.idIsHex = 0;
    const std::string decimal = WriteShapeFile(s);
    EXPECT_NE(decimal.find(" 0 500 1500000"), std::string::npos);
    EXPECT_NE(decimal.find("\r\n42\r\n"), std::string::npos);
}

TEST(ShapeFile, DirectionFieldIsSkippedWhateverItHolds) {
    // Any word, ended by a blank, a tab or the end of the line.
    for (const char* field : {"12345", "-1", "x", "3.5e7"}) {
        std::string text = std::string("1 3000 0 0 0 0 0 0\n 5 6 2 0 0 0 0 0 0 ") + field + "\t1\n N 0 0\n7\n";
        ShapeDescription s;
        ASSERT_TRUE(ReadShapeFile(text, s)) << field;
        ASSERT_EQ(s.elements.size(), 1u);
        EXPECT_EQ(s.elements[0].checkExempt, 1) << field;
        EXPECT_EQ(s.id, 7);
    }
    // A file that ends inside the element line stops there instead of reading forever.
    ShapeDescription s;
    EXPECT_FALSE(ReadShapeFile("1 3000 0 0 0 0 0 0\n 5 6 2 0 0 0 0 0 0 99", s));
    EXPECT_EQ(s.elements.size(), 1u);
}

TEST(ShapeFile, CountsAreBoundedByWhatTheFileHolds) {
    ShapeDescription zero;
    EXPECT_TRUE(ReadShapeFile("0 3000 0 0 0 0 0 0\n NAME 1 2\n3\n", zero));
    EXPECT_TRUE(zero.elements.empty());
    EXPECT_EQ(zero.name, "NAME");
    EXPECT_EQ(zero.originY, 2);

    ShapeDescription negative;
    ReadShapeFile("-5 3000 0 0 0 0 0 0\n NAME 1 2\n3\n", negative);
    EXPECT_TRUE(negative.elements.empty());
    EXPECT_EQ(negative.name, "NAME");

    ShapeDescription huge;
    EXPECT_FALSE(ReadShapeFile("2147483647 3000 0 0 0 0 0 0\n 1 2 2 0 0 0 0 0 0 0 0\n", huge));
    EXPECT_EQ(huge.elements.size(), 1u);
    ShapeDescription overflow;
    ReadShapeFile("99999999999999999999 3000 0 0 0 0 0 0\n", overflow);
    EXPECT_TRUE(overflow.elements.empty());
}

TEST(ShapeFile, ShortOrMalformedFilesKeepWhatWasRead) {
    ShapeDescription s;
    EXPECT_FALSE(ReadShapeFile("1 4000 0 1 10 20", s));
    EXPECT_EQ(s.toolDiameter, 4000);
    EXPECT_EQ(s.startY, 20);
    EXPECT_EQ(s.minArcDiamCW, 0);
    EXPECT_TRUE(s.elements.empty());

    ShapeDescription bad;
    EXPECT_FALSE(ReadShapeFile("1 4000 zz 1 10 20 0 0\n", bad));
    EXPECT_EQ(bad.toolDiameter, 4000);
    EXPECT_EQ(bad.mode, 0);
    EXPECT_EQ(bad.side, 0); // nothing after the bad field is read

    // A non-numeric depth or id word is a zero, not a failure.
    ShapeDescription word;
    EXPECT_TRUE(ReadShapeFile("1 3000 0 0 0 0 0 0\n 1 2 2 0 0 0 abc 5 6 0 0\n N 0 0\nxyz\n", word));
    ASSERT_EQ(word.elements.size(), 1u);
    EXPECT_EQ(word.elements[0].depth, 0);
    EXPECT_EQ(word.elements[0].feedXY, 5);
    EXPECT_EQ(word.id, 0);
}

TEST(ShapeFile, LongWordsAreCutToTheirFields) {
    const std::string longName(200, 'N');
    const std::string longDepth = "0x" + std::string(100, 'f');
    ShapeDescription s;
    ReadShapeFile("1 3000 0 0 0 0 0 0\n 1 2 2 0 0 0 " + longDepth + " 0 0 0 0\n " + longName + " 5 6\n" +
                      std::string(300, '9') + "\n",
                  s);
    ASSERT_EQ(s.elements.size(), 1u);
    EXPECT_EQ(s.elements[0].depthIsHex, 1);
    EXPECT_EQ(s.name.size(), kNameMax);
    EXPECT_EQ(s.originX, 5);
    EXPECT_EQ(s.idIsHex, 0);
}

TEST(RoundToInt, TruncatesAndStepsAwayOnlyPastHalf) {
    struct Case {
        Real x;
        int32_t expected;
    } cases[] = {{0.5, 0},   {0.51, 1},   {-0.51, -1}, {-1.5, -1}, {2.5, 2},  {-2.5, -2},
                 {2.6, 3},   {-2.6, -3},  {0, 0},       {-0.0, 0},  {7, 7},     {-7.49, -7},
                 {1e12, std::numeric_limits<int32_t>::max()},
                 {-1e12, std::numeric_limits<int32_t>::min()}};
    for (const Case& c : cases) EXPECT_EQ(RoundToInt(c.x), c.expected) << static_cast<double>(c.x);
    EXPECT_EQ(RoundToInt(std::numeric_limits<Real>::infinity()), 0);
    EXPECT_EQ(RoundToInt(-std::numeric_limits<Real>::infinity()), 0);
    EXPECT_EQ(RoundToInt(std::numeric_limits<Real>::quiet_NaN()), 0);
}
