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
    " 3000 4000 3 3000 2000 -90000 -750 0 0 123456 1\n"
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
    EXPECT_EQ(b.centreX, 3000);
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
}

TEST(ShapeFile, FaultNamesTheLineAndWhatIsWrong) {
    // The reader itself (the damaged-file table runs through the entry point): the first line
    // that does not hold its record, and nothing after it taken.
    ShapeDescription s;
    ShapeFileFault fault;
    EXPECT_FALSE(ReadShapeFile("2 3000 0 1 0 0 0 0\n 5 6 2 0 0 0 0 0 0 0 0\n 5 6 2 0 0 0 0 0 0 99", s, &fault));
    EXPECT_EQ(fault.line, 3);
    EXPECT_EQ(fault.what, "element 1 of 2: the line holds 10 fields, an element line 11");
    EXPECT_EQ(s.elements.size(), 1u);
    EXPECT_EQ(s.side, 1);

    // A name longer than its field is only a name: cut, not refused.
    ShapeDescription named;
    ASSERT_TRUE(ReadShapeFile("0 3000 0 0 0 0 0 0\n " + std::string(200, 'N') + " 5 6\n0x7fffffff\n", named));
    EXPECT_EQ(named.name.size(), kNameMax);
    EXPECT_EQ(named.id, 0x7fffffff);
    EXPECT_EQ(named.idIsHex, 1);

    // Words past their field's 32 bits are not numbers.
    for (const char* id : {"0x1ffffffff", "2147483648", "-2147483649"}) {
        ShapeDescription big;
        EXPECT_FALSE(ReadShapeFile(std::string("0 3000 0 0 0 0 0 0\n N 5 6\n") + id + "\n", big, &fault)) << id;
        EXPECT_EQ(fault.line, 3) << id;
    }
    ShapeDescription least;
    ASSERT_TRUE(ReadShapeFile("0 3000 0 0 0 0 0 0\n N -2147483648 6\n0xffffffff\n", least));
    EXPECT_EQ(least.originX, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(least.id, -1);

    // A count of 0 is a shape without elements, its trailer still read; what follows the id
    // line (cycle parameter lines) is not the reader's.
    ShapeDescription zero;
    EXPECT_TRUE(ReadShapeFile("0 3000 0 0 0 0 0 0\n NAME 1 2\n3\nST100 anything\n\x01\x02\n", zero));
    EXPECT_TRUE(zero.elements.empty());
    EXPECT_EQ(zero.originY, 2);
    EXPECT_EQ(zero.id, 3);
}

TEST(ShapeFile, ArcsUpToAFullTurnFitTheirCentreAndSweep) {
    struct Case {
        const char* arc; // from (10000, 0)
        bool fits;
    } cases[] = {
        {" 10000 0 3 0 0 360000 0 0 0 0 0", true},        // a full turn ends where it starts
        {" 10000 0 3 0 0 -360000 0 0 0 0 0", true},
        {" 10000 0 3 0 0 0 0 0 0 0 0", true},             // a null arc as well
        {" 10000 0 3 0 0 180000 0 0 0 0 0", false},       // half a turn does not come back
        {" -10000 0 3 0 0 180000 0 0 0 0 0", true},
        {" -10000 0 3 0 0 -180000 0 0 0 0 0", true},
        {" 9998 175 3 0 0 359000 0 0 0 0 0", false},      // 359 degrees the other way round: 1 degree
        {" 9998 175 3 0 0 1000 0 0 0 0 0", true},
        {" 9998 -175 3 0 0 359000 0 0 0 0 0", true},
        {" 9998 -175 3 0 0 -1000 0 0 0 0 0", true},
        {" 0 10009 3 0 0 90000 0 0 0 0 0", true},          // ends 9 thousandths off the circle
        {" 0 10011 3 0 0 90000 0 0 0 0 0", false},
        {" 0 10000 3 0 0 90057 0 0 0 0 0", true},          // 0.057 degree: 9.9 thousandths along it
        {" 0 10000 3 0 0 90058 0 0 0 0 0", false},
        {" 10000 0 3 0 0 360001 0 0 0 0 0", false},
    };
    for (const Case& c : cases) {
        ShapeDescription s;
        ShapeFileFault fault;
        const std::string text = std::string("1 3000 0 1 10000 0 0 0\n") + c.arc + "\n N 0 0\n1\n";
        EXPECT_EQ(ReadShapeFile(text, s, &fault), c.fits) << c.arc << ": " << fault.what;
    }
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
