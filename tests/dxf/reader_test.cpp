// Reading drawings: every entity kind, order of points, blocks, coordinate systems, and files
// that must give an empty list.
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "dxf/dxf.h"
#include "dxf/outline.h"
#include "dxf_test_util.h"
#include "platform/paths.h"

using namespace dxftest;

namespace {

std::vector<MEntityKind> Kinds(const MEntitiesList& l) {
    std::vector<MEntityKind> k;
    for (const MEntity& e : l) k.push_back(e.kind);
    return k;
}

// After ConvertArcsToLines the lines of an outline must join end to start, in order.
void ExpectChain(const MEntitiesList& l, size_t from, size_t to) {
    for (size_t i = from + 1; i < to; ++i) {
        EXPECT_NEAR(l[i].x, l[i - 1].x2, 1e-9) << "line " << i;
        EXPECT_NEAR(l[i].y, l[i - 1].y2, 1e-9) << "line " << i;
    }
}

std::string LwPoly(const std::vector<std::array<double, 3>>& v, bool closed, const std::string& extra = {}) {
    std::string s = G(0, "LWPOLYLINE") + G(8, "0") + G(90, std::to_string(v.size())) + G(70, closed ? "1" : "0") + extra;
    for (const auto& p : v) {
        s += G(10, p[0]) + G(20, p[1]);
        if (p[2] != 0.0) s += G(42, p[2]);
    }
    return s;
}

} // namespace

TEST(DxfReader, EveryKindInFileOrder) {
    MEntitiesList l;
    ASSERT_EQ(ReadDXF(Fixture("all_kinds.dxf"), l), 102);
    const std::vector<MEntityKind> head = {MEntityKind::Line,      MEntityKind::Arc,  MEntityKind::Circle,
                                           MEntityKind::Arc,       MEntityKind::Line, MEntityKind::Line,
                                           MEntityKind::Line,      MEntityKind::Line, MEntityKind::Text,
                                           MEntityKind::Text,      MEntityKind::Line, MEntityKind::Attribute};
    const auto kinds = Kinds(l);
    ASSERT_EQ(std::vector<MEntityKind>(kinds.begin(), kinds.begin() + 12), head);
    // ARC as written; CIRCLE.
    EXPECT_EQ(l[1].x, 10.0);
    EXPECT_EQ(l[1].radius, 5.0);
    EXPECT_EQ(l[1].startAngle, 270.0);
    EXPECT_EQ(l[1].endAngle, 90.0);
    EXPECT_EQ(l[2].radius, 3.0);
    // Bulge 1 from (0,10) to (10,10): half circle about (5,10), counter-clockwise, below the chord.
    EXPECT_NEAR(l[3].x, 5.0, 1e-12);
    EXPECT_NEAR(l[3].y, 10.0, 1e-12);
    EXPECT_NEAR(l[3].radius, 5.0, 1e-12);
    EXPECT_EQ(l[3].startAngle, 180.0);
    EXPECT_EQ(l[3].endAngle, 0.0);
    EXPECT_FALSE(l[3].reversed);
    // Closed POLYLINE: three sides, the last back to the first vertex.
    EXPECT_EQ(l[7].x, 35.0);
    EXPECT_EQ(l[7].x2, 30.0);
    EXPECT_EQ(l[8].text, "TESTO");
    EXPECT_EQ(l[8].height, 3.5);
    EXPECT_EQ(l[9].text, "Prima parte seconda parte");
    // The block's line at the insertion point; its ATTDEF is a template only; the ATTRIB stays.
    EXPECT_EQ(l[10].x, 60.0);
    EXPECT_EQ(l[10].x2, 70.0);
    EXPECT_EQ(l[11].text, "AB123");
    EXPECT_EQ(l[11].tag, "CODICE");
    // ELLIPSE (72 lines) and SPLINE (16 lines) flattened, each a joined chain.
    for (size_t i = 12; i < 100; ++i) ASSERT_EQ(l[i].kind, MEntityKind::Line) << i;
    ExpectChain(l, 12, 84);
    EXPECT_NEAR(l[12].x, 90.0, 1e-9); // major axis end
    EXPECT_NEAR(l[83].x2, 90.0, 1e-9);
    for (size_t i = 12; i < 84; ++i) {
        const double u = (l[i].x - 80.0) / 10.0, v = (l[i].y - 80.0) / 5.0;
        EXPECT_NEAR(u * u + v * v, 1.0, 1e-9);
    }
    ExpectChain(l, 84, 100);
    EXPECT_NEAR(l[84].x, 0.0, 1e-9); // a clamped spline starts and ends on its end control points
    EXPECT_NEAR(l[84].y, 90.0, 1e-9);
    EXPECT_NEAR(l[99].x2, 30.0, 1e-9);
    EXPECT_NEAR(l[99].y2, 90.0, 1e-9);
    // HATCH and the paper-space line are skipped: the last entity is the last model-space line.
    EXPECT_EQ(l[100].kind, MEntityKind::Arc);
    EXPECT_EQ(l[101].x, 90.0);
    EXPECT_EQ(l[101].x2, 100.0);
}

TEST(DxfReader, ExtrusionDownwardsMirrorsArcsButNotLines) {
    // Seen from below (extrusion 0,0,-1) the entity's x runs the other way: the arc from 0 to 90
    // degrees about (10,30) lands about (-10,30) and runs clockwise from (-15,30) to (-10,35).
    MEntitiesList l;
    ASSERT_EQ(ReadDXF(Fixture("all_kinds.dxf"), l), 102);
    const MEntity& a = l[100];
    EXPECT_EQ(a.x, -10.0);
    EXPECT_EQ(a.y, 30.0);
    EXPECT_EQ(a.startAngle, 90.0);
    EXPECT_EQ(a.endAngle, 180.0);
    EXPECT_TRUE(a.reversed);
    MEntitiesList one;
    one.AddEntity(a);
    one.ConvertArcsToLines(10.0);
    ASSERT_EQ(one.Count(), 9u);
    EXPECT_NEAR(one[0].x, -15.0, 1e-12);
    EXPECT_NEAR(one[0].y, 30.0, 1e-12);
    EXPECT_NEAR(one[8].x2, -10.0, 1e-12);
    EXPECT_NEAR(one[8].y2, 35.0, 1e-12);

    const std::string down = G(210, 0.0) + G(220, 0.0) + G(230, -1.0);
    ASSERT_EQ(Read(Doc(G(0, "CIRCLE") + G(10, 4.0) + G(20, 2.0) + G(40, 1.0) + down +
                       G(0, "LINE") + G(10, 4.0) + G(20, 2.0) + G(11, 5.0) + G(21, 2.0) + down +
                       LwPoly({{{1, 0, 0}}, {{2, 0, 0}}}, false, down)),
                   l),
              3);
    EXPECT_EQ(l[0].x, -4.0); // circle centre mirrored
    EXPECT_EQ(l[1].x, 4.0);  // LINE points are world coordinates
    EXPECT_EQ(l[2].x, -1.0); // polyline vertices mirrored
    EXPECT_EQ(l[2].x2, -2.0);
}

TEST(DxfReader, BulgesKeepThePointsInOrder) {
    // Straight side, half circle (bulge 1, counter-clockwise), straight side back, and a closing
    // half circle with bulge -1: clockwise, so it bulges inwards to x = 5.
    MEntitiesList l;
    ASSERT_EQ(Read(Doc(LwPoly({{{0, 0, 0}}, {{20, 0, 1}}, {{20, 10, 0}}, {{0, 10, -1}}}, true)), l), 4);
    EXPECT_EQ(Kinds(l), (std::vector<MEntityKind>{MEntityKind::Line, MEntityKind::Arc, MEntityKind::Line,
                                                  MEntityKind::Arc}));
    EXPECT_NEAR(l[1].x, 20.0, 1e-12);
    EXPECT_NEAR(l[1].y, 5.0, 1e-12);
    EXPECT_FALSE(l[1].reversed);
    EXPECT_TRUE(l[3].reversed);
    EXPECT_NEAR(l[3].x, 0.0, 1e-12);
    EXPECT_NEAR(l[3].y, 5.0, 1e-12);
    EXPECT_EQ(l[3].startAngle, 270.0);
    EXPECT_EQ(l[3].endAngle, 90.0);
    // Limits count the true extent of the outer half circle.
    EXPECT_NEAR(l.MaxX(), 25.0, 1e-12);
    EXPECT_NEAR(l.MinX(), 0.0, 1e-12);
    l.ConvertArcsToLines(10.0);
    ASSERT_EQ(l.Count(), 1u + 18u + 1u + 18u);
    ExpectChain(l, 0, l.Count());
    EXPECT_NEAR(l[l.Count() - 1].x2, 0.0, 1e-12); // back at the first vertex
    EXPECT_NEAR(l[l.Count() - 1].y2, 0.0, 1e-12);
    EXPECT_NEAR(l[29].x, 5.0, 1e-9); // the clockwise half: from (0,10) through (5,5) to (0,0)
    EXPECT_NEAR(l[29].y, 5.0, 1e-9);
    EXPECT_NEAR(l[20].x, 0.0, 1e-9);
    EXPECT_NEAR(l[20].y, 10.0, 1e-9);
    // A quarter bulge (tan 22.5 degrees) turns (10,0)->(0,10) about the origin.
    ASSERT_EQ(Read(Doc(LwPoly({{{10, 0, std::tan(std::numbers::pi / 8)}}, {{0, 10, 0}}}, false)), l), 1);
    EXPECT_NEAR(l[0].x, 0.0, 1e-9);
    EXPECT_NEAR(l[0].radius, 10.0, 1e-9);
    EXPECT_NEAR(l[0].endAngle, 90.0, 1e-9);
}

TEST(DxfReader, OldStylePolylines) {
    auto vertex = [](double x, double y, double bulge, int flags) {
        return G(0, "VERTEX") + G(8, "0") + G(10, x) + G(20, y) + G(30, 0.0) + G(42, bulge) + G(70, std::to_string(flags));
    };
    MEntitiesList l;
    // Open 2D polyline with a bulge; a spline frame point (flag 16) is not on the outline.
    ASSERT_EQ(Read(Doc(G(0, "POLYLINE") + G(8, "0") + G(66, "1") + G(70, "0") + vertex(0, 0, 1, 0) +
                       vertex(99, 99, 0, 16) + vertex(10, 0, 0, 0) + vertex(10, 5, 0, 0) + G(0, "SEQEND") +
                       Line(1, 1, 2, 2)),
                   l),
              3);
    EXPECT_EQ(l[0].kind, MEntityKind::Arc);
    EXPECT_EQ(l[1].x, 10.0);
    EXPECT_EQ(l[1].y2, 5.0);
    EXPECT_EQ(l[2].x, 1.0);
    // Polyface meshes are surfaces: skipped, with their vertices.
    ASSERT_EQ(Read(Doc(G(0, "POLYLINE") + G(8, "0") + G(66, "1") + G(70, "64") + vertex(0, 0, 0, 192) +
                       vertex(5, 5, 0, 192) + G(0, "SEQEND") + Line(1, 1, 2, 2)),
                   l),
              1);
}

TEST(DxfReader, BlocksScaleRotateNestAndStopOnThemselves) {
    MEntitiesList l;
    ASSERT_EQ(ReadDXF(Fixture("blocks.dxf"), l), 3);
    // BULL's line (1,1)-(3,1) about its base (1,1), scaled 2 x 3, turned 90 degrees, at (100,50).
    EXPECT_EQ(l[0].x, 100.0);
    EXPECT_EQ(l[0].y, 50.0);
    EXPECT_EQ(l[0].x2, 100.0);
    EXPECT_EQ(l[0].y2, 54.0);
    // OUTER (named in lower case by the insert) holds BULL at (10,0); OUTER stands at (0,100).
    EXPECT_EQ(l[1].x, 10.0);
    EXPECT_EQ(l[1].y, 100.0);
    EXPECT_EQ(l[1].x2, 12.0);
    // LOOP inserts itself: drawn once.
    EXPECT_EQ(l[2].x, 50.0);
    EXPECT_EQ(l[2].y2, 5.0);

    // A chain of 20 blocks each inserting the next stops after kMaxBlockNesting levels.
    std::string blocks;
    for (int i = 0; i < 20; ++i)
        blocks += Block("B" + std::to_string(i), 0, 0, Line(i, 0, i, 1) + Insert("B" + std::to_string(i + 1), 0, 0));
    ASSERT_EQ(Read(Doc(Insert("B0", 0, 0), blocks), l), kMaxBlockNesting);

    // Arrays: 3 columns by 2 rows, turned with the insert; an arc under unequal scales becomes lines.
    const std::string arr = G(0, "INSERT") + G(8, "0") + G(2, "P") + G(10, 0.0) + G(20, 0.0) + G(50, 90.0) +
                            G(70, "3") + G(71, "2") + G(44, 10.0) + G(45, 20.0);
    ASSERT_EQ(Read(Doc(arr, Block("P", 0, 0, Line(0, 0, 1, 0))), l), 6);
    EXPECT_EQ(l[5].x, -20.0); // column 2 -> y 20, row 1 -> x -20
    EXPECT_EQ(l[5].y, 20.0);
    const std::string squash = G(0, "INSERT") + G(8, "0") + G(2, "C") + G(10, 0.0) + G(20, 0.0) + G(41, 2.0) + G(42, 1.0);
    ASSERT_GT(Read(Doc(squash, Block("C", 0, 0, G(0, "CIRCLE") + G(8, "0") + G(10, 0.0) + G(20, 0.0) + G(40, 1.0))), l), 8);
    EXPECT_EQ(l[0].kind, MEntityKind::Line);
    EXPECT_NEAR(l.MaxX(), 2.0, 1e-9);
    EXPECT_NEAR(l.MaxY(), 1.0, 1e-9);
}

TEST(DxfReader, FilesThatGiveAnEmptyList) {
    std::string whole;
    ASSERT_TRUE(plat::ReadWholeFile(Fixture("l_section.dxf"), whole));
    MEntitiesList l;
    ASSERT_GT(Read(whole, l), 0);

    // Cut inside the entities, and right after a group code: nothing partial survives.
    const size_t ent = whole.find("LWPOLYLINE");
    ASSERT_NE(ent, std::string::npos);
    for (size_t cut : {ent + 200, whole.find("\r\n", ent + 300) + 2, whole.size() / 2, whole.size() - 30}) {
        EXPECT_EQ(Read(whole.substr(0, cut), l), DXF_ERR_FORMAT) << cut;
        EXPECT_TRUE(l.Empty());
        EXPECT_TRUE(l.Limits().empty);
    }
    // Without the final EOF marker but with every section closed the drawing is whole.
    const size_t eof = whole.rfind("  0\r\nEOF");
    ASSERT_GT(Read(whole.substr(0, eof), l), 0);

    // Binary DXF, not a drawing at all, empty file, a value that is not a number, a missing file.
    const std::string binary = std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + std::string(64, '\x01');
    EXPECT_EQ(Read(binary, l), DXF_ERR_BINARY);
    EXPECT_EQ(Read("hello\nworld\n", l), DXF_ERR_FORMAT);
    EXPECT_EQ(Read("", l), DXF_ERR_FORMAT);
    EXPECT_EQ(Read(Doc(Line(0, 0, 1, 1) + G(0, "LINE") + G(10, "1,5") + G(20, "0")), l), DXF_ERR_FORMAT);
    EXPECT_TRUE(l.Empty());
    EXPECT_EQ(Read(Doc(G(0, "LINE") + G(10, "nan") + G(20, "0")), l), DXF_ERR_FORMAT);
    EXPECT_EQ(ReadDXF(Fixture("no_such_drawing.dxf"), l), DXF_ERR_OPEN);
    // An array of 32767 x 32767 empty blocks is refused quickly instead of spinning.
    const std::string huge = G(0, "INSERT") + G(8, "0") + G(2, "E") + G(70, "32767") + G(71, "32767");
    EXPECT_EQ(Read(Doc(huge, Block("E", 0, 0, "")), l), DXF_ERR_TOO_LARGE);
    EXPECT_TRUE(l.Empty());
}

TEST(DxfReader, LineEndsCaseAndLocale) {
    std::string crlf;
    ASSERT_TRUE(plat::ReadWholeFile(Fixture("l_section.dxf"), crlf));
    std::string lf;
    for (char c : crlf)
        if (c != '\r') lf += c;
    MEntitiesList a, b;
    ASSERT_EQ(Read(crlf, a), 7); // 6 sides of the L and the text; the paper-space line skipped
    ASSERT_EQ(Read(lf, b), 7);
    for (size_t i = 0; i < a.Count(); ++i) EXPECT_EQ(a[i].x2, b[i].x2);
    // The file found by a Windows-style path written in another case.
    const std::string upper = std::string(BRELON_SOURCE_DIR) + "\\tests\\fixtures\\dxf\\L_SECTION.DXF";
    EXPECT_EQ(ReadDXF(upper, b), 7);
    // Decimal points stay points when the process locale uses commas.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "it_IT.UTF-8") != nullptr) {
        ASSERT_EQ(Read(Doc(Line(0.5, 0.25, 1.75, 2.5)), b), 1);
        EXPECT_EQ(b[0].x, 0.5);
        EXPECT_EQ(b[0].y2, 2.5);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

// A number is the double nearest to what is written, however it is written; a group code is
// digits with blanks around them and its line end, nothing else.
TEST(DxfReader, NumbersAndGroupCodesAsWritten) {
    // The line's x written in many ways: the nearest double to it, in the list and the outline.
    MEntitiesList l;
    const char* const numbers[] = {"1.5", "-0.000000", "0.1", "0.3", "-123456.789012", "1e-05", "2.5E+3", ".5", "5.",
                                   "-.25", "  7.25  ", "0.000000000000000000001", "12345.678901234567",
                                   "1234.5678901234567890", "0.30000000000000004", "123456789012.5", "0.1e1", "1.5e11",
                                   "4e-22", "3e-23", "12.600000", "-0.41421356", "1234567.12345678", "12345678.1234567",
                                   "123456789.123456", "1.123456789", ".12345678", "12.600000  ", "12.600000\r",
                                   "12.60000x", "12,600000", "12.6000e1", "99999999.99999999"};
    for (const char* text : numbers) {
        // A blank before the type here, after it below: the type is read all the same.
        const std::string doc = Doc(G(0, " LINE") + G(10, text) + G(20, 0.0) + G(11, 1.0) + G(21, 1.0));
        std::string_view t(text);
        while (t.front() == ' ') t.remove_prefix(1);
        while (t.back() == ' ') t.remove_suffix(1);
        const bool refused = t.find_first_of("x,") != std::string_view::npos;
        MOutline o;
        const int rc = refused ? DXF_ERR_FORMAT : 1;
        ASSERT_EQ(Read(doc, l), rc) << text;
        ASSERT_EQ(ReadDXFOutlineBuffer(doc.data(), doc.size(), o), rc) << text;
        if (refused) continue;
        double want = 0.0;
        std::from_chars(t.data(), t.data() + t.size(), want);
        EXPECT_EQ(l[0].x, want) << text;
        EXPECT_EQ(o.Shapes()[0].x, want) << text;
    }
    // The group code of the line's x written in several ways: the x read (1.5), the code taken as
    // another (x 0), or the file refused.
    const std::string rest = std::string("1.5\r\n") + G(20, 0.0) + G(11, 1.0) + G(21, 1.0);
    const struct {
        const char* code;
        int rc;
        double x;
    } codes[] = {{"10", 1, 1.5},   {"  10", 1, 1.5},  {"\t10", 1, 1.5}, {"10 \t", 1, 1.5},
                 {"010", 1, 1.5},  {" 10", 1, 1.5},   {"110", 1, 0.0},  {"  1", 1, 0.0},
                 {"-10", 1, 0.0},  {"1 0", DXF_ERR_FORMAT, 0.0},   {"x10", DXF_ERR_FORMAT, 0.0},
                 {" 10\r", DXF_ERR_FORMAT, 0.0}, {"1000010", DXF_ERR_FORMAT, 0.0}, {"+10", DXF_ERR_FORMAT, 0.0},
                 {"10\r", DXF_ERR_FORMAT, 0.0},  {"", DXF_ERR_FORMAT, 0.0},        {"10x", DXF_ERR_FORMAT, 0.0}};
    for (const auto& c : codes) {
        const std::string doc = Doc(G(0, "LINE\t") + c.code + "\r\n" + rest);
        MOutline o;
        EXPECT_EQ(ReadDXFOutlineBuffer(doc.data(), doc.size(), o), c.rc) << c.code;
        ASSERT_EQ(Read(doc, l), c.rc) << c.code;
        if (c.rc != 1) continue;
        EXPECT_EQ(l[0].x, c.x) << c.code;
        EXPECT_EQ(o.Shapes()[0].x, c.x) << c.code;
    }
}

TEST(DxfReader, EllipseArcAndBadSpline) {
    // Half an ellipse seen from below runs clockwise: from (10,0) through (0,-5) to (-10,0).
    MEntitiesList l;
    const std::string ell = G(0, "ELLIPSE") + G(8, "0") + G(10, 0.0) + G(20, 0.0) + G(11, 10.0) + G(21, 0.0) +
                            G(40, 0.5) + G(41, 0.0) + G(42, std::numbers::pi) + G(210, 0.0) + G(220, 0.0) + G(230, -1.0);
    ASSERT_EQ(Read(Doc(ell), l), 36);
    EXPECT_NEAR(l[0].x, 10.0, 1e-9);
    EXPECT_NEAR(l[17].x2, 0.0, 1e-9);
    EXPECT_NEAR(l[17].y2, -5.0, 1e-9);
    EXPECT_NEAR(l[35].x2, -10.0, 1e-9);
    // A spline whose knots do not fit its control points is drawn as its control polygon.
    const std::string bad = G(0, "SPLINE") + G(8, "0") + G(71, "3") + G(40, 0.0) + G(40, 1.0) + G(10, 0.0) +
                            G(20, 0.0) + G(10, 5.0) + G(20, 5.0) + G(10, 10.0) + G(20, 0.0);
    ASSERT_EQ(Read(Doc(bad), l), 2);
    EXPECT_EQ(l[1].x, 5.0);
    EXPECT_EQ(l[1].x2, 10.0);
}

TEST(DxfReader, FitPointSplinesAreTheSmoothCurvesThroughTheirPoints) {
    // Three splines given by fit points only: a half circle of radius 10 through four points,
    // the same with its end tangents given, and a closed one through four points of a circle.
    MEntitiesList l;
    ASSERT_EQ(ReadDXF(Fixture("fit_splines.dxf"), l), 160); // 16 lines per span
    ExpectChain(l, 0, 48);
    ExpectChain(l, 48, 96);
    ExpectChain(l, 96, 160);
    auto radiusRange = [&](size_t from, size_t to, double cx, double cy) {
        std::pair<double, double> r{1e9, 0.0};
        for (size_t i = from; i < to; ++i) {
            const double d = std::hypot(l[i].x2 - cx, l[i].y2 - cy);
            r = {std::min(r.first, d), std::max(r.second, d)};
        }
        return r;
    };
    // The curve runs through every fit point (the end of every sixteenth line) and bulges out
    // between them as the circle does; their polygon would stay 13% inside it.
    const double c60 = 5.0, s60 = 10.0 * std::sin(std::numbers::pi / 3);
    const double through[4][2] = {{10.0, 0.0}, {c60, s60}, {-c60, s60}, {-10.0, 0.0}};
    EXPECT_EQ(l[0].x, through[0][0]);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_NEAR(l[size_t(16 * k - 1)].x2, through[k][0], 1e-9) << k;
        EXPECT_NEAR(l[size_t(16 * k - 1)].y2, through[k][1], 1e-9) << k;
    }
    const auto half = radiusRange(0, 48, 0.0, 0.0);
    EXPECT_GT(half.first, 9.6);
    EXPECT_LT(half.second, 10.2);
    double top = 0.0;
    for (size_t i = 0; i < 48; ++i) top = std::max(top, l[i].y2);
    EXPECT_GT(top, 9.6);
    // Given end tangents set the directions at both ends: upwards, then downwards.
    EXPECT_NEAR(l[48].x, 40.0, 1e-12);
    EXPECT_LT(std::fabs(l[48].x2 - l[48].x), 0.05 * (l[48].y2 - l[48].y));
    EXPECT_LT(std::fabs(l[95].x2 - l[95].x), 0.05 * (l[95].y - l[95].y2));
    EXPECT_GT(std::fabs(l[0].x2 - l[0].x), 0.1 * (l[0].y2 - l[0].y)); // without them: leaning in
    const auto tangents = radiusRange(48, 96, 30.0, 0.0);
    EXPECT_GT(tangents.first, 9.8);
    EXPECT_LT(tangents.second, 10.2);
    // Closed: back to its first point, round all the way.
    EXPECT_NEAR(l[159].x2, l[96].x, 1e-12);
    EXPECT_NEAR(l[159].y2, l[96].y, 1e-12);
    const auto ring = radiusRange(96, 160, 0.0, 40.0);
    EXPECT_GT(ring.first, 9.6);
    EXPECT_LT(ring.second, 10.2);
}
