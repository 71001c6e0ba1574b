// Goldens of the ISO generator: the Z-level machine, feeds, arcs, circles and fixed cycles.
#include <gtest/gtest.h>

#include <regex>

#include "shape_test_util.h"

using namespace shapecomp;
using sctest::Arc;
using sctest::Lf;
using sctest::Line;
using sctest::Shape;

namespace {

class Generator : public ::testing::Test {
protected:
    void SetUp() override { GeneratorState() = OutputState{}; }

    // Compensates and generates; the program text without carriage returns.
    static std::string Generate(ShapeDescription s, const std::string& shapeText = "") {
        sctest::Compensate(s);
        std::string out;
        EXPECT_TRUE(GenerateIso(s, "T.iso", "BRE", shapeText, out));
        return out;
    }
    // The text after the header and positioning (from the line after "M7").
    static std::string Body(const std::string& program) {
        const std::string text = Lf(program);
        const size_t m7 = text.find("\nM7\n");
        return m7 == std::string::npos ? text : text.substr(m7 + 4);
    }
};

const char* kHeaderSideZero =
    "{T.iso}\n{Diametro fresa}\n{3}\n{Tracciato a centro fresa}\n{BRE}\n"
    "\nR629 = 0\nR630 = 0\nR697 = R330\nL<POS_AXES.BRE>\n\nG0 X0 Y0 Z=R330 \nM7\n";

const char* kClosing = "G66\n\nL<FASTACC.BRE>\nG0 Z=R330\nM9\n";

} // namespace

TEST_F(Generator, SingleLineProgram) {
    const std::string program = Generate(Shape(0, 3000, 0, 0, {Line(10000, 0)}));
    EXPECT_EQ(Lf(program), std::string(kHeaderSideZero) +
                               "G0 Z=R331\nL<SLOWACC.BRE>\nG64\n\nG1 F=R310 Z=(R332+0) \nF1000\nG1 X10 Y0\n" + kClosing);
    // Every line ends in CR LF.
    for (size_t i = 0; i < program.size(); ++i) {
        if (program[i] == '\n') {
            ASSERT_TRUE(i > 0 && program[i - 1] == '\r') << i;
        }
    }
    const OutputState& st = GeneratorState();
    EXPECT_EQ(st.zLevel, 0);
    EXPECT_EQ(st.slow, 0);
    EXPECT_EQ(st.lastFeed, 1000000);
}

TEST_F(Generator, HeaderFollowsSideOriginAndOffsetStart) {
    ShapeDescription s = Shape(-1, 4000, 10000, 5000, {Line(20000, 5000)});
    s.originX = 1000;
    s.originY = 2000;
    const std::string text = Lf(Generate(s));
    EXPECT_EQ(text.substr(0, text.find("\nR697")),
              "{T.iso}\n{Diametro fresa}\n{4}\n{Tracciato centro fresa offsettato a destra di Diam/2}\n{BRE}\n"
              "\nR629 = 9\nR630 = -1");
    EXPECT_NE(text.find("\nG0 X9 Y1 Z=R330 \n"), std::string::npos) << text;
    s.side = 2; // no side comment
    EXPECT_EQ(Lf(Generate(s)).find("{BRE}\n"), std::string("{T.iso}\n{Diametro fresa}\n{4}\n").size());
}

TEST_F(Generator, SameDepthPlungesOnceDeeperLineGoesDownWithoutReturningToApproach) {
    ShapeDescription same = Shape(0, 3000, 0, 0, {Line(10000, 0), Line(20000, 0)});
    EXPECT_EQ(Body(Generate(same)),
              "G0 Z=R331\nL<SLOWACC.BRE>\nG64\n\nG1 F=R310 Z=(R332+0) \nF1000\nG1 X10 Y0\nG1 X20 Y0\n" +
                  std::string(kClosing));

    SetUp();
    ShapeDescription deeper = same;
    deeper.elements[1].depth = -2000;
    EXPECT_EQ(Body(Generate(deeper)),
              "G0 Z=R331\nL<SLOWACC.BRE>\nG64\n\nG1 F=R310 Z=(R332+0) \nF1000\nG1 X10 Y0\n"
              "G1 F=R310 Z=(R332-2) \nF1000\nG1 X20 Y0\n" +
                  std::string(kClosing));

    // Going back up to a shallower depth on the work level, with a plunge feed of its own.
    SetUp();
    ShapeDescription up = deeper;
    up.elements[0].depth = -2000;
    up.elements[1].depth = -1000;
    up.elements[1].feedPlunge = 250000;
    EXPECT_EQ(Body(Generate(up)),
              "G0 Z=R331\nL<SLOWACC.BRE>\nG64\n\nG1 F=R310 Z=(R332-2) \nF1000\nG1 X10 Y0\n"
              "G66\n\nL<FASTACC.BRE>\nG0 Z=(R332-1)\nL<SLOWACC.BRE>\nG64\n\nG1 X20 Y0\n" +
                  std::string(kClosing));
}

TEST_F(Generator, FeedSurvivesBetweenCompilesAndDefaultsToControllerFeeds) {
    Generate(Shape(0, 3000, 0, 0, {Line(10000, 0)}));
    // Same feed in the next compile: the plunge forces the feed line anyway.
    std::string text = Body(Generate(Shape(0, 3000, 0, 0, {Line(10000, 0)})));
    EXPECT_NE(text.find("\nF1000\n"), std::string::npos);
    ShapeDescription defaults = Shape(0, 3000, 0, 0, {Line(10000, 0), Line(20000, 0)});
    defaults.elements[0].feedXY = 0;
    defaults.elements[1].feedXY = -5;
    defaults.elements[0].feedPlunge = 123000;
    text = Body(Generate(defaults));
    EXPECT_NE(text.find("G1 F123 Z=(R332+0) \nF=R311\nG1 X10 Y0\nF=R311\nG1 X20 Y0\n"), std::string::npos) << text;
}

TEST_F(Generator, NullArcIsReportedInsteadOfABlock) {
    // A chord under 10 units: the recomputed centre is the end point.
    const std::string text = Body(Generate(Shape(0, 3000, 0, 0, {Line(10000, 0), Arc(10005, 0, 0, 0, 90000)})));
    EXPECT_NE(text.find("G1 X10 Y0\n{NULL ARC AVOIDED - CENTER WAS EQUAL TO END POINT}\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("G3"), std::string::npos);
}

TEST_F(Generator, ArcsCarryAbsoluteCentresAndTheirDirection) {
    const std::string text = Body(Generate(Shape(0, 3000, 0, 0,
                                                 {Line(10000, 0), Arc(20000, 10000, 10000, 10000, 90000),
                                                  Arc(30000, 20000, 30000, 10000, -90000)})));
    EXPECT_NE(text.find("G1 X10 Y0\nG3 X20 Y10 I10 J10 \nG2 X30 Y20 I30 J10 \n"), std::string::npos) << text;
}

TEST_F(Generator, MergedDepthMakesAHelicalArc) {
    ShapeDescription s = Shape(0, 3000, 0, 0, {Line(10000, 0), Arc(20000, 10000, 10000, 10000, 90000)});
    s.elements[1].depthIsHex = 1;
    s.elements[1].depth = -1000;
    const std::string text = Body(Generate(s));
    EXPECT_NE(text.find("G1 X10 Y0\nG3 X20 Y10  Z=(R332-1) I10 J10 e1 \n"), std::string::npos) << text;
    // A merged line joins the depth text to its block.
    SetUp();
    ShapeDescription line = Shape(0, 3000, 0, 0, {Line(10000, 0), Line(20000, 0)});
    line.elements[1].depthIsHex = 1;
    line.elements[1].depth = -500;
    EXPECT_NE(Body(Generate(line)).find("G1 X10 Y0\nG1 X20 Y0  Z=(R332-0.5)\n"), std::string::npos);
}

TEST_F(Generator, HexadecimalIdIsTheFirstPlungeDepth) {
    ShapeDescription s = Shape(0, 3000, 0, 0, {Line(10000, 0)});
    s.idIsHex = 1;
    s.id = 0x1F4;
    EXPECT_NE(Body(Generate(s)).find("G64\n\nG1 F=R310 Z=(R332+0.5)\nG1 F=R310 Z=(R332+0) \n"), std::string::npos);
}

TEST_F(Generator, CircleVariants) {
    auto circle = [](int32_t options) {
        return Shape(0, 3000, 0, 0, {sctest::Elem(kCircle, 0, 0, 20000, options)});
    };
    const std::string plunge = "G0 Z=R331\nL<SLOWACC.BRE>\nG64\n\nG1 F=R310 Z=(R332+0) \n";
    // Milled: lead-in half circle, full circle, lead-out, entering r below the top.
    EXPECT_EQ(Body(Generate(circle(kCircleMill))),
              "X0 Y7\n" + plunge + "F1000\nG3 X0 Y8.5 I0 J7.75\nX0 Y8.5 I0 J0\nX0 Y7 I0 J7.75\n" + kClosing);
    SetUp();
    EXPECT_NE(Body(Generate(circle(kCircleMill | kCircleClockwise))).find("\nG2 X0 Y8.5 I0 J7.75\n"),
              std::string::npos);
    SetUp();
    // Spiral outwards in steps of 1.8 r, then the finishing turns.
    EXPECT_EQ(Body(Generate(circle(kCircleMill | kCircleSpiral))),
              "X0 Y0\n" + plunge +
                  "F1000\nG3 X0 Y2.7 I0 J1.35\nG3 X0 Y-2.7 I0 J0\nG3 X0 Y5.4 I0 J1.35\nG3 X0 Y-5.4 I0 J0\n"
                  "G3 X0 Y8.1 I0 J1.35\nG3 X0 Y-8.1 I0 J0\nG3 X0 Y8.5 I0 J0.2\nG3 X0 Y-8.5 I0 J0\n"
                  "G3 X0 Y8.5 I0 J0\nG3 X0 Y6.5 I0 J7.5\n" +
                  kClosing);
    SetUp();
    // Not milled (or a tool as wide as the circle): positioning and plunge only.
    EXPECT_EQ(Body(Generate(circle(0))), "X0 Y0\n" + plunge + kClosing);
    SetUp();
    ShapeDescription wide = circle(kCircleMill);
    wide.toolDiameter = 20000;
    EXPECT_EQ(Body(Generate(wide)), "X0 Y0\n" + plunge + kClosing);
}

TEST_F(Generator, SpiralBeyondTheTurnLimitIsRefusedAndTheNextCompilePlunges) {
    Generate(Shape(0, 3000, 0, 0, {Line(10000, 0)}));
    ShapeDescription s = Shape(0, 2, 0, 0,
                               {Line(5000, 0), sctest::Elem(kCircle, 0, 0, 2000000000, kCircleMill | kCircleSpiral)});
    s.elements[0].feedXY = s.elements[1].feedXY = 7000;
    sctest::Compensate(s);
    std::string out;
    EXPECT_FALSE(GenerateIso(s, "T.iso", "BRE", "", out));
    const OutputState& st = GeneratorState();
    EXPECT_EQ(st.zLevel, 0);
    EXPECT_EQ(st.slow, 0);
    EXPECT_EQ(st.lastFeed, 1000000) << "the refused compile's feed never reached the program";
    // The next compile starts from the safe level: approach, slow acceleration, plunge.
    EXPECT_EQ(Body(Generate(Shape(0, 3000, 0, 0, {Line(10000, 0)}))),
              "G0 Z=R331\nL<SLOWACC.BRE>\nG64\n\nG1 F=R310 Z=(R332+0) \nF1000\nG1 X10 Y0\n" + std::string(kClosing));
}

TEST_F(Generator, RapidMovesUseTheApproachOrSafeLevel) {
    ShapeDescription s = Shape(0, 3000, 0, 0, {Line(10000, 0), sctest::Elem(kRapid, 50000, 0), Line(60000, 0)});
    s.elements[1].feedPlunge = 1; // stays at the approach level
    const std::string text = Body(Generate(s));
    EXPECT_NE(text.find("G1 X10 Y0\nG66\n\nL<FASTACC.BRE>\nG0 Z=(R331+0)\nX50 Y0\nL<SLOWACC.BRE>\nG64\n\n"
                        "G1 F=R310 Z=(R332+0) \nF1000\nG1 X60 Y0\n"),
              std::string::npos)
        << text;
}

TEST_F(Generator, St100HelicalHoleWithDefaultSecondSpeed) {
    ShapeDescription s = Shape(0, 10000, 0, 0, {sctest::Elem(kCycleHelicalHole, 0, 0)});
    const std::string text = Lf(Generate(s, "1 10000 0 0 0 0 0 0\n 0 0 100 0 0 0 0 0 0 0 0\n H 0 0\n1\n"
                                            "  st100 H 20 2 4 6 8 3000\n"));
    EXPECT_EQ(text,
              "{T.iso}\n{Diametro fresa}\n{20}\n{Tracciato a centro fresa}\n{BRE}\n"
              "\nR629 = 0\nR630 = 0\nL<POS_AXES.BRE>\n\nR400 = 20-R620\nR401 = R400/2\n\nG00 X0 Y0 S3000\nZ=R331\n"
              "L<SLOWACC.BRE>\n\nM7 G01 F=310 Z=R332\nZ=(R332+2) S4770\nF=R311\n"
              "G03 X0 Y=-R400 Z=(R332+4) I0 J=-R401 e1\nG03 X0 Y=-R400 Z=(R332+6) I0 J0 e1\n"
              "G03 X0 Y0 Z=(R332+8) I0 J=-R401 e1\n\nL<FASTACC.BRE>\nG0 Z=R330\nM9\n");
    // The cycle leaves the Z-level state alone.
    EXPECT_EQ(GeneratorState().zLevel, 0);
}

TEST_F(Generator, St100WithAMissingDepthIsRefused) {
    ShapeDescription s = Shape(0, 10000, 0, 0, {sctest::Elem(kCycleHelicalHole, 0, 0)});
    std::string out;
    EXPECT_FALSE(GenerateIso(s, "T.iso", "BRE", "ST100 H 20 2 4 0 8\n", out));
    EXPECT_FALSE(GenerateIso(s, "T.iso", "BRE", "no parameter line\n", out));
}

TEST_F(Generator, St101StepsFromOneToTen) {
    ShapeDescription s = Shape(0, 8000, 0, 0, {sctest::Elem(kCycleSteppedPlunge, 0, 0)});
    std::string out;
    const std::string lead = "1 8000 0 0 0 0 0 0\n 0 0 101 0 0 0 0 0 0 0 0\n P 0 0\n1\n";
    ASSERT_TRUE(GenerateIso(s, "T.iso", "BRE", lead + "ST101 P 8 3000 2 200 150 5 10", out));
    EXPECT_EQ(Lf(out),
              "{T.iso}\n{Diametro fresa}\n{8}\n{Tracciato a centro fresa}\n{BRE}\n"
              "\nR629 = 0\nR630 = 0\nL<POS_AXES.BRE>\n\nG0 X0 Y0 Z=R330 M03 S3000\nG0 Z=(R331+2)\n$M49\n"
              "L<SLOWACC.BRE>\n\nG1 F200 Z=(R331-5)\nG1 F150 Z=(R331-10)\n\n$M48\nL<FASTACC.BRE>\nG0 Z=R330\n");
    // n = 11, n = 0, a word past the last depth, no speed, or a feed or depth missing: refused.
    for (const char* bad : {"ST101 P 8 3000 2 200\n", "ST101 P 8 3000 11 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\n",
                            "ST101 P 8 3000 0\n", "ST101 P 8 3000 1 200 5 extra\n", "ST101 P 8 0 1 200 5\n"})
        EXPECT_FALSE(GenerateIso(s, "T.iso", "BRE", lead + bad, out)) << bad;
}

TEST_F(Generator, NumbersGoOutInTheFixedFormWithinTheControllersRange) {
    struct Row {
        const char* what;
        int32_t endX, endY, originX, feedXY, depth, tool;
        std::vector<const char*> holds; // empty: refused
        const char* refused = "";       // the fault's text, at the element's line 2
    };
    const Row rows[] = {
        {"far point, fine feed, deep depth, wide tool", 1234567, -2000000, 0, 12345678, -1000001, 1234567,
         {"{1234.567}", "\nF12345.678\n", "Z=(R332-1000.001)", "\nG1 X1234.567 Y-2000\n"}},
        {"the highest feed", 10000, 0, 0, 99999000, 0, 3000, {"\nF99999\n"}},
        {"a feed beyond the controller's", 10000, 0, 0, 99999001, 0, 3000, {},
         "element 0: the XY feed 99999.001 mm/min is beyond the controller's 99999 mm/min"},
        {"a point beyond the range from its origin", 2000000000, 0, -2000000000, 1000000, 0, 3000, {},
         "element 0: a length of 4000000 mm is beyond the controller's 2147483.647 mm"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetUp();
        ShapeDescription s = Shape(0, row.tool, 0, 0, {Line(row.endX, row.endY)});
        s.originX = row.originX;
        s.elements[0].feedXY = row.feedXY;
        s.elements[0].depth = row.depth;
        sctest::Compensate(s);
        std::string out;
        ShapeFileFault fault;
        const bool written = GenerateIso(s, "P{1}\xc9.iso", "BRE", "", out, &fault);
        if (row.holds.empty()) {
            EXPECT_FALSE(written);
            EXPECT_EQ(fault.line, 2);
            EXPECT_EQ(fault.what, row.refused);
            continue;
        }
        ASSERT_TRUE(written) << fault.what;
        const std::string text = Lf(out);
        for (const char* h : row.holds) EXPECT_NE(text.find(h), std::string::npos) << h << "\n" << text;
        EXPECT_FALSE(std::regex_search(text, std::regex("[0-9]e[-+]?[0-9]"))) << text; // no exponent anywhere
        // A comment carries printable ASCII only, and no brace of its own.
        EXPECT_EQ(text.substr(0, 13), "{P?1??.iso}\n{");
    }
}

TEST(FindStLine, MatchesTheCodeIgnoringCaseAndLeadingBlanks) {
    EXPECT_EQ(FindStLineInText("x\r\n   St100   a b\r\n", "100"), "a b ");
    EXPECT_EQ(FindStLineInText("ST1000 a\nST100 b", "100"), "b "); // last line without its line end
    EXPECT_EQ(FindStLineInText("ST100\n", "100"), "");
    EXPECT_EQ(FindStLineInText("XST100 a\n", "100"), "");
}
