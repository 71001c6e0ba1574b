// Profile section and blade clearance searches, end-cut planning and the end trims.
#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <random>
#include <set>
#include <utility>

#include "dxf/dxf.h"
#include "platform/text.h"
#include "engine/dxf_section.h"
#include "engine/end_cuts.h"
#include "engine_fixture.h"

namespace enginetest {
namespace {

// A section with the blade of the demo machine in round numbers.
DxfSection Blade(double offY, double offZ) {
    DxfSection d;
    d.bladeDiameter = 500;
    d.flangeDiameter = 120;
    d.bladeThickness = 4.2;
    d.yMin = -200;
    d.yMax = 200;
    d.offY = offY;
    d.offZ = offZ;
    d.armWidth = 100;
    d.armLength = 300;
    d.motorLength = 350;
    d.motorWidth = 200;
    d.flangeThickness = 10;
    return d;
}

MEntitiesList Lines(std::initializer_list<std::array<double, 4>> lines) {
    MEntitiesList l;
    for (const auto& a : lines) l.AddEntity(MEntityKind::Line, a[0], a[1], a[2], a[3]);
    return l;
}

const SectionRectangle kRect{0, 60000, 0, 45000};

TEST(SectionSearch, SquareSearchesOnTheRectangleMatchHandValues) {
    DxfSection d = Blade(10, 5);
    d.Place(MEntitiesList{}, false, 0, kRect);
    EXPECT_FALSE(d.FromDrawing());
    EXPECT_DOUBLE_EQ(d.width, 60);
    EXPECT_DOUBLE_EQ(d.height, 45);
    // Centre 11 mm of flange clearance above the top: Z0 = 45 + 5 + 60 + 11 = 121. The nearest
    // gap is at the far corner's bottom: sqrt(250^2 - 60^2) - 116.
    const double z0 = 121.0, gap = std::sqrt(250.0 * 250 - 60 * 60) - 116.0;
    double x = 100, y = 0, z = 0;
    ASSERT_EQ(d.ToolPositionA(0, 1, x, y, z), 1);
    EXPECT_NEAR(x, 104.2, 1e-9);
    EXPECT_NEAR(y, 10, 1e-9);
    EXPECT_NEAR(z, z0 + gap - 10.0, 1e-9);
    x = 100;
    ASSERT_EQ(d.ToolPositionC(0, 1, x, y, z), 1);
    EXPECT_NEAR(y, 40, 1e-9);
    // Centred, the nearest gap is at the bottom corners again: sqrt(250^2 - 30^2) - 116.
    EXPECT_NEAR(z, z0 + std::sqrt(250.0 * 250 - 30 * 30) - 116.0 - 10.0, 1e-9);
    // The candidate outside the blade's travel window fails as a whole.
    d.yMax = 5;
    x = 100;
    EXPECT_EQ(d.ToolPositionA(0, 1, x, y, z), 0);
    EXPECT_TRUE(std::isfinite(z));
}

TEST(SectionSearch, FlangeCircleIsInclusiveToTheThousandth) {
    DxfSection d = Blade(0, 0);
    d.Place(Lines({{0, 0, 10, 0}}), false, 0, kRect);
    double gap = 0;
    // Point (0, 0) from a centre 60 mm above: exactly on the flange circle.
    EXPECT_EQ(d.CentreClears(0, 60.0, gap), 1);
    EXPECT_EQ(d.CentreClears(0, 59.999, gap), 0);
    // And the blade circle is inclusive the same way.
    EXPECT_EQ(d.CentreClears(0, 250.0, gap), 1);
    EXPECT_EQ(d.CentreClears(0, 250.001, gap), 0);
}

TEST(SectionSearch, HalfAThousandthGapCountsAsNone) {
    // A vertical section 10 high; a blade whose lower arc passes 0.0005 below its foot.
    DxfSection d = Blade(0, 0);
    d.flangeDiameter = 120;
    d.bladeDiameter = 2 * (10 + 60 + 11 + 0.0005);
    d.Place(Lines({{0, 0, 0, 10}, {0, 10, 0, 0}}), false, 0, kRect);
    double x = 0, y = 0, z = 0;
    ASSERT_EQ(d.ToolPositionA(0, 1, x, y, z), 1);
    EXPECT_DOUBLE_EQ(z, 10 + 60 + 11 - 10.0);
}

TEST(SectionSearch, FourLinesEqualTheRectangleFallback) {
    DxfSection drawn = Blade(10, 5), rect = Blade(10, 5);
    drawn.Place(Lines({{100, 200, 160, 200}, {160, 200, 160, 245}, {160, 245, 100, 245}, {100, 245, 100, 200}}),
                false, 0, kRect);
    rect.Place(MEntitiesList{}, false, 0, kRect);
    EXPECT_TRUE(drawn.FromDrawing());
    EXPECT_DOUBLE_EQ(drawn.width, rect.width);
    EXPECT_DOUBLE_EQ(drawn.height, rect.height);
    ASSERT_EQ(drawn.Points().size(), rect.Points().size());
    for (std::size_t i = 0; i < rect.Points().size(); ++i) {
        EXPECT_DOUBLE_EQ(drawn.Points()[i].y, rect.Points()[i].y);
        EXPECT_DOUBLE_EQ(drawn.Points()[i].z, rect.Points()[i].z);
    }
    double x1 = 0, y1 = 0, z1 = 0, x2 = 0, y2 = 0, z2 = 0, c1 = 0, c2 = 0;
    EXPECT_EQ(drawn.ToolPositionA(0, 1, x1, y1, z1), rect.ToolPositionA(0, 1, x2, y2, z2));
    EXPECT_DOUBLE_EQ(z1, z2);
    EXPECT_EQ(drawn.BladeClearanceA(0, 1, 60, x1, y1, z1, c1), rect.BladeClearanceA(0, 1, 60, x2, y2, z2, c2));
    EXPECT_DOUBLE_EQ(x1, x2);
}

TEST(SectionSearch, MirrorComesBeforeRotationAndTheMoveAfter) {
    DxfSection d = Blade(0, 0);
    d.Place(Lines({{0, 0, 10, 0}, {10, 0, 0, 20}, {0, 20, 0, 0}}), true, 90.0, kRect);
    ASSERT_EQ(d.Points().size(), 3u);
    // Mirrored about x = 5, turned 90 degrees, moved to the origin (rotating first would give
    // (0,0), (0,10), (20,0)).
    const double want[3][2] = {{20, 10}, {20, 0}, {0, 10}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(d.Points()[static_cast<std::size_t>(i)].y, want[i][0], 1e-9) << i;
        EXPECT_NEAR(d.Points()[static_cast<std::size_t>(i)].z, want[i][1], 1e-9) << i;
    }
}

TEST(SectionSearch, EmptyOrDegenerateDrawingsAndGuards) {
    // Without entities every single-pass search fails.
    DxfSection empty = Blade(0, 0);
    double x = 0, y = 0, z = 0, c = 0;
    EXPECT_EQ(empty.ToolPositionA(0, 1, x, y, z), 0);
    EXPECT_EQ(empty.ToolPositionB(0, 1, x, y, z), 0);
    EXPECT_EQ(empty.ToolPositionC(0, 1, x, y, z), 0);
    for (auto f : {&DxfSection::BladeClearanceA, &DxfSection::BladeClearanceB, &DxfSection::BladeClearanceC,
                   &DxfSection::BladeClearanceD})
        EXPECT_EQ((empty.*f)(0, 1, 45, x, y, z, c), 0);
    // A drawing of texts only, or of one point, stands in as the rectangle.
    MEntitiesList texts;
    MEntity t;
    t.kind = MEntityKind::Text;
    t.text = "ALU";
    texts.AddEntity(t);
    DxfSection d = Blade(0, 0);
    d.Place(std::move(texts), false, 0, kRect);
    EXPECT_FALSE(d.FromDrawing());
    EXPECT_DOUBLE_EQ(d.width, 60);
    d.Place(Lines({{5, 5, 5, 5}}), false, 0, kRect);
    EXPECT_FALSE(d.FromDrawing());
    // A point that is no number refuses every centre, as tested on its own: no box may hide it.
    for (const bool withNan : {false, true}) {
        MEntitiesList grid;
        for (int i = 0; i < 200; ++i)
            grid.AddEntity(MEntityKind::Line, i % 20 * 3.0, i / 20 * 4.5, i % 20 * 3.0 + 1, 0.5);
        if (withNan) grid.AddEntity(MEntityKind::Line, 57, std::nan(""), 58, 40);
        DxfSection s = Blade(10, 5);
        s.Place(std::move(grid), false, 0, kRect);
        ASSERT_TRUE(s.FromDrawing());
        double gap = 0;
        EXPECT_EQ(s.CentreClears(s.offY + s.width / 2, s.offZ + s.height + 100, gap), withNan ? 0 : 1);
    }
    // An angle along the bar has no sine to divide by: nothing is found, nothing is infinite.
    DxfSection r = Blade(0, 0);
    r.Place(MEntitiesList{}, false, 0, kRect);
    for (double a : {0.0, 180.0}) {
        x = 1;
        EXPECT_EQ(r.BladeClearanceA(0, 1, a, x, y, z, c), 0);
        EXPECT_EQ(r.BladeClearanceB(0, 1, a, x, y, z, c), 0);
        EXPECT_EQ(r.BladeClearance(0, 1, a, x, y, z, c), 0);
        double x2 = 1, yl = 0, yr = 0;
        EXPECT_EQ(r.ToolPositionAngled(0, 1, a, x, x2, yl, yr, z), 0);
        EXPECT_TRUE(std::isfinite(x) && std::isfinite(y) && std::isfinite(z));
    }
    // Square angled cuts divide by tan(90) nowhere.
    x = 0;
    EXPECT_EQ(r.BladeClearanceB(0, 1, 90, x, y, z, c), 1);
    EXPECT_TRUE(std::isfinite(x));
    EXPECT_NEAR(c, 0, 1e-9);
    // The low-section searches refuse a section higher than R - F - 11.
    DxfSection tall = Blade(0, 0);
    tall.Place(MEntitiesList{}, false, 0, SectionRectangle{0, 60000, 0, 179001});
    double yl = 0, yr = 0, x2 = 0;
    EXPECT_EQ(tall.ToolPositionD(0, 1, x, yl, yr, z), 0);
    EXPECT_EQ(tall.ToolPositionAngled(0, 1, 45, x, x2, yl, yr, z), 0);
    tall.Place(MEntitiesList{}, false, 0, SectionRectangle{0, 60000, 0, 179000});
    EXPECT_EQ(tall.ToolPositionD(0, 1, x, yl, yr, z), 1);
}

TEST(SectionSearch, DemoDrawingsReadAsSections) {
    for (const char* name : {"ALU60/T6001", "ALU60/A6010", "PVC70/P7020", "PVC70/P7031", "ALU72/Z7200"}) {
        MEntitiesList l;
        ASSERT_GT(ReadDXF(std::string(BRELON_SOURCE_DIR "/demo/DXF/") + name + ".dxf", l), 0) << name;
        DxfSection d = Blade(0, 0);
        d.Place(std::move(l), false, 0, kRect);
        EXPECT_TRUE(d.FromDrawing()) << name;
        EXPECT_GT(d.Points().size(), 20u) << name;
        double x = 0, y = 0, z = 0;
        EXPECT_EQ(d.ToolPositionA(0, 1, x, y, z), 1) << name;
    }
}

// The rule for one blade centre taken point by point in drawing order: the distance in whole
// thousandths (halves up) neither below the flange radius nor above the blade radius, and the
// smallest gap to the lower arc (to either face of an angled blade), 0.001 or less taken as 0.
struct CentreAnswer {
    int pass = 0;
    double gap = 9999999.0;
};
CentreAnswer PointByPoint(const DxfSection& d, double Y, double Zc, double across, double side2) {
    const double R = d.bladeDiameter / 2, F = d.flangeDiameter / 2, R2 = R * R;
    auto milli = [](double v) { return static_cast<int64_t>(std::floor(v * 1000.0 + 0.5)); };
    auto arcGap = [&](double u, double z) { return std::fabs((Zc - std::sqrt(std::max(0.0, R2 - u * u))) - z); };
    CentreAnswer a;
    for (const DxfSection::Point& p : d.Points()) {
        const double u = (p.y - Y) / across, v = p.z - Zc;
        const int64_t dist = milli(std::sqrt(u * u + v * v));
        if (dist < milli(F) || dist > milli(R)) return CentreAnswer{0, 9999999.0};
        double h = arcGap(u, p.z);
        const double u2 = (p.y - Y - side2) / across;
        if (side2 != 0 && u2 * u2 <= R2) h = std::min(h, arcGap(u2, p.z));
        a.gap = std::min(a.gap, h <= 0.001 ? 0.0 : h);
    }
    a.pass = 1;
    return a;
}

// The searches group the points into boxes and skip or refuse a box as a whole; every centre
// must get the answer of testing its points one by one: on a grid over and around the section,
// and on the flange and blade circles of single points, where one thousandth decides.
TEST(SectionSearch, BoxedPointsAnswerEveryCentreAsPointByPoint) {
    std::vector<std::pair<std::string, DxfSection>> sections;
    for (const char* name : {"ALU60/T6001", "PVC70/P7020", "ALU72/Z7200"}) {
        MEntitiesList l;
        ASSERT_GT(ReadDXF(std::string(BRELON_SOURCE_DIR "/demo/DXF/") + name + ".dxf", l), 0) << name;
        sections.emplace_back(name, Blade(10, 5));
        sections.back().second.Place(std::move(l), false, 30, kRect);
    }
    // A large drawing: 3000 short lines anywhere in 60 x 45 mm.
    std::mt19937 random(39);
    std::uniform_real_distribution<double> across(0, 60), up(0, 45);
    MEntitiesList many;
    for (int i = 0; i < 3000; ++i) {
        const double x = across(random), y = up(random);
        many.AddEntity(MEntityKind::Line, x, y, x + 0.5, y + 0.3);
    }
    sections.emplace_back("3000 lines", Blade(10, 5));
    sections.back().second.Place(many, false, 0, kRect);
    // The same drawing with one line drawn again a thousand times: points that coincide.
    for (int i = 0; i < 1000; ++i) many.AddEntity(MEntityKind::Line, 20, 30, 20.5, 30.3);
    sections.emplace_back("coinciding lines", Blade(10, 5));
    sections.back().second.Place(std::move(many), false, 0, kRect);

    const struct {
        double angle; // of the cut: the blade's trace across is R sin(angle), its second face 4.2 cos(angle) away
    } blades[] = {{90}, {45}, {120}};
    for (auto& [name, d] : sections) {
        SCOPED_TRACE(name);
        ASSERT_GT(d.Points().size(), 40u);
        const double R = d.bladeDiameter / 2, F = d.flangeDiameter / 2;
        std::uniform_int_distribution<std::size_t> anyPoint(0, d.Points().size() - 1);
        std::uniform_real_distribution<double> turn(0, 2 * M_PI);
        for (const auto& b : blades) {
            const double a = b.angle * M_PI / 180;
            const double sine = std::sin(a), side2 = b.angle == 90 ? 0.0 : d.bladeThickness * std::cos(a);
            std::vector<std::pair<double, double>> centres;
            for (double y = d.offY - 280; y <= d.offY + d.width + 280; y += 9.7)
                for (double z = d.offZ - 120; z <= d.offZ + d.height + 260; z += 7.3) centres.emplace_back(y, z);
            // On the trace's edges through a point (the ellipse of half-axes r sin(angle) and r).
            for (int i = 0; i < 300; ++i) {
                const DxfSection::Point& p = d.Points()[anyPoint(random)];
                const double t = turn(random);
                for (double r : {F, F - 0.0006, R, R + 0.0006})
                    centres.emplace_back(p.y + r * sine * std::cos(t), p.z + r * std::sin(t));
            }
            int passed = 0, failed = 0;
            for (const auto& [y, z] : centres) {
                const CentreAnswer want = PointByPoint(d, y, z, sine, side2);
                double gap = -1;
                const int got = d.CentreClears(y, z, gap, sine, side2);
                ASSERT_EQ(got, want.pass) << "angle " << b.angle << " centre " << y << ", " << z;
                if (got == 1) {
                    ASSERT_EQ(gap, want.gap) << "angle " << b.angle << " centre " << y << ", " << z;
                    ++passed;
                } else {
                    ++failed;
                }
            }
            EXPECT_GT(passed, 100) << b.angle;
            EXPECT_GT(failed, 100) << b.angle;
        }
    }
}

// ---------------------------------------------------------------- end trims

class EndTrimTest : public EngineTest {
protected:
    void UseDemoDrawings() {
        std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");
    }
    std::vector<WorkingMachining*> Cuts(BarComputation& bc) {
        std::vector<WorkingMachining*> v;
        for (int i = bc.machiningCount; i < bc.machiningCount + bc.cutCount; ++i)
            v.push_back(bc.records[static_cast<std::size_t>(i)]);
        return v;
    }
};

TEST_F(EndTrimTest, SquareEndsTakeSquareSearchesAndAngledEndsAngledOnes) {
    UseDemoDrawings();
    BarComputation& bc = Open(List({Bar({Piece("A", 1000000, 90000, 89999), Piece("B", 900000, 45000, 90000)})}));
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    const auto cuts = Cuts(bc);
    ASSERT_EQ(cuts.size(), 4u);
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        const WorkingMachining& m = *cuts[k];
        EXPECT_EQ(m.cutNumber, static_cast<int32_t>(k + 1));
        EXPECT_EQ(m.endFlags, k % 2 == 0 ? 1 : 2);
        EXPECT_STREQ(m.cutTool, "DISK");
        EXPECT_EQ(m.cutPointMode, 1);
        const bool square = m.ATaglio == 90000;
        EXPECT_EQ(square, m.cutAngle == 90.0) << k;
        const int32_t f = m.cutPointFlags[0];
        if (square) {
            EXPECT_TRUE(f == 1 || f == 2) << k << " " << f;
        } else {
            EXPECT_TRUE(f == 16 || f == 32) << k << " " << f;
        }
        EXPECT_EQ(m.endCutMode, k % 2 == 0 ? 1 : 2);
        EXPECT_EQ(PieceCopyId(m), static_cast<int32_t>(k / 2 + 1));
    }
    // The left end's angle is taken from the other side (180 - 89.999 degrees): still angled.
    EXPECT_EQ(cuts[1]->ATaglio, bc.pieces[0]->ASx);
    EXPECT_NE(cuts[1]->ATaglio, 90000);
    // The piece's machinings stand in the bar now.
    EXPECT_EQ(bc.records.size(), static_cast<std::size_t>(bc.recordCount));
}

TEST_F(EndTrimTest, SharedCutStandsInAsTheNextPiecesFirstEnd) {
    g_pSettings->UNIONE_INTEST = 0;
    BarComputation& bc = Open(List({Bar({Piece("A", 1000000), Piece("B", 900000), Piece("C", 800000)})}));
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    const auto cuts = Cuts(bc);
    std::vector<int32_t> numbers;
    for (const WorkingMachining* m : cuts) numbers.push_back(m->cutNumber);
    for (std::size_t k = 0; k < numbers.size(); ++k) EXPECT_EQ(numbers[k], static_cast<int32_t>(k + 1));
    int shared = 0;
    for (const WorkingPiece* p : bc.pieces) shared += p->sharedCut;
    EXPECT_EQ(static_cast<int>(cuts.size()), 6 - shared);
    EXPECT_GT(shared, 0);
    {
        // The other-end cut of the piece before a shared cut carries the stand-in mode.
        int standIns = 0;
        for (const WorkingMachining* m : cuts) standIns += m->endCutMode == 3 ? 1 : 0;
        EXPECT_EQ(standIns, shared);
    }
}

TEST_F(EndTrimTest, ReversedLoadingPlansIndexOneAsFirstEnd) {
    g_pSettings->CONF_CARICO = 1;
    ldatest::PieceSpec a = Piece("A", 1000000, 90000, 60000);
    a.machinings = {Drill(100000, 90)};
    BarComputation& bc = Open(List({Bar({a})}));
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    // The piece's machining is mirrored about the piece's position (the larger X of end 1).
    const WorkingPiece& q = *bc.pieces[0];
    EXPECT_EQ(bc.records[0]->X, std::max(q.endCutX[2], q.endCutX[3]) - 100000);
    EXPECT_LT(bc.records[0]->XFm, bc.records[0]->XFM);
    const auto cuts = Cuts(bc);
    ASSERT_EQ(cuts.size(), 2u);
    const WorkingPiece& p = *bc.pieces[0];
    EXPECT_EQ(cuts[0]->endFlags, 1);
    EXPECT_EQ(cuts[0]->ATaglio, p.ASx);
    EXPECT_EQ(cuts[0]->X, p.endCutX[2]);
    EXPECT_EQ(cuts[1]->ATaglio, p.ADx);
    EXPECT_EQ(cuts[1]->X, p.endCutX[0]);
}

TEST_F(EndTrimTest, VariantTwoLastPieceClassNeedsMoreThanTheLeastScrap) {
    Reinstall(2, "CONF-V2");
    BarComputation& bc = Open(List({Bar({Piece("A", 1000000, 90000, 45000)})}));
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    const auto cuts = Cuts(bc);
    ASSERT_EQ(cuts.size(), 2u);
    const WorkingPiece& p = *bc.pieces[0];
    const int32_t smaller = std::min(p.endCutX[2], p.endCutX[3]);
    EXPECT_EQ(cuts[1]->cutKind, smaller > g_pSettings->DIM_MIN_SCARTO ? 3 : 1);
    EXPECT_EQ(cuts[0]->cutKind, 2);
    // Equal to the least scrap is class 1.
    Reinstall(2, "CONF-V2");
    g_pSettings->DIM_MIN_SCARTO = 6000000;
    BarComputation& bc2 = Open(List({Bar({Piece("A", 1000000, 90000, 45000)})}));
    ASSERT_EQ(bc2.ComputeBar(0, 1), 0) << g_errorText;
    const WorkingPiece& q = *bc2.pieces[0];
    g_pSettings->DIM_MIN_SCARTO = std::min(q.endCutX[2], q.endCutX[3]);
    ASSERT_EQ(bc2.ComputeBar(0, 1), 0) << g_errorText;
    EXPECT_EQ(Cuts(bc2)[1]->cutKind, 1);
}

TEST_F(EndTrimTest, PieceTooBigForTheBladeFailsWithItsName) {
    g_pSettings->DIAM_LAMA = 100000; // R 50, flange 60: nothing fits
    BarComputation& bc = Open(List({Bar({Piece("LONGNAME", 1000000)})}));
    EXPECT_EQ(bc.ComputeBar(0, 1), 1);
    EXPECT_NE(std::string(g_errorText).find(Err("ERR_PIECE_BIG")), std::string::npos) << g_errorText;
    EXPECT_NE(std::string(g_errorText).find("LONGNAME"), std::string::npos) << g_errorText;
}

TEST_F(EndTrimTest, CrossCutRotationTakesOneStepIntoTheTurn) {
    g_pSettings->SPESS_LAMA = 4000;
    g_pSettings->Q_MIN_LAMA = -90000;
    g_pSettings->Q_MAX_LAMA = 90000;
    auto cut = [](int32_t rotation, double angle) {
        WorkingMachining m;
        m.AngFig = rotation;
        m.cutAngle = angle;
        m.X = 100000;
        m.Y = 30000;
        return m;
    };
    // 450000 is 90000: the blade angle becomes 180 + angle, brought below 270.
    WorkingMachining a = cut(450000, 0.0), b = cut(90000, 0.0);
    ASSERT_TRUE(CrossCutAngle(a, 30000, false));
    ASSERT_TRUE(CrossCutAngle(b, 30000, false));
    EXPECT_EQ(a.ATaglio, b.ATaglio);
    EXPECT_DOUBLE_EQ(a.cutAngle, 180.0); // exactly 180 is stored unchanged
    EXPECT_EQ(a.X, 100000);
    // -90000 is 270000: a positive angle loses 180.
    WorkingMachining c = cut(-90000, 30.0), d = cut(270000, 30.0);
    ASSERT_TRUE(CrossCutAngle(c, 30000, false));
    ASSERT_TRUE(CrossCutAngle(d, 30000, false));
    EXPECT_EQ(c.ATaglio, d.ATaglio);
    EXPECT_EQ(c.X, d.X);
    EXPECT_EQ(c.Y, d.Y);
    WorkingMachining e = cut(180000, 0.0), f = cut(720000, 0.0);
    EXPECT_FALSE(CrossCutAngle(e, 30000, false));
    EXPECT_FALSE(CrossCutAngle(f, 30000, false));
    // The cross cuts end the pass with ERR_INTEST when met in a bar: covered by the caller.
    // 270000 with a blade angle of 0 turns to exactly 180, stored unchanged.
    WorkingMachining g = cut(270000, 0.0);
    ASSERT_TRUE(CrossCutAngle(g, 30000, false));
    EXPECT_DOUBLE_EQ(g.cutAngle, 180.0);
}

TEST_F(EndTrimTest, RotatedCutAtOneEightyTwoFallingOnOneSide) {
    BarComputation& bc = Open(List({Bar({Piece("A", 1000000)})}));
    WorkingMachining m;
    m.cutAngle = 182.0;
    m.X = 300000;
    m.Y = -50000;
    m.params[0] = m.params[1] = 20000;
    ASSERT_EQ(bc.RotatedCutCorners(m), 0);
    EXPECT_EQ(m.cutPointMode, 4);
    EXPECT_EQ(m.nearHorizontal, 1);
    for (int k = 1; k < 4; ++k) EXPECT_EQ(m.cutPointX[k], m.cutPointX[0]);
    WorkingMachining n;
    n.cutAngle = 182.0 + 360.0; // brought into the range first
    n.X = 300000;
    n.Y = -50000;
    n.params[0] = 40000;
    n.params[1] = 20000;
    EXPECT_EQ(bc.RotatedCutCorners(n), 1);
    EXPECT_DOUBLE_EQ(n.cutAngle, 182.0);
    // Corners straddling the axis are not near horizontal.
    WorkingMachining q;
    q.cutAngle = 90.0;
    q.X = 300000;
    q.Y = 0;
    q.params[0] = 40000;
    q.params[1] = 20000;
    ASSERT_EQ(bc.RotatedCutCorners(q), 0);
    EXPECT_EQ(q.nearHorizontal, 0);
}

TEST_F(EndTrimTest, RemnantBeforeEachFirstEndCut) {
    Reinstall(0, "CONF-V0");
    BarComputation& bc = Open(List({Bar({Piece("A", 1000000, 90000, 60000), Piece("B", 900000, 45000, 90000)})}));
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    const auto cuts = Cuts(bc);
    ASSERT_EQ(cuts.size(), 4u);
    WorkingPiece& a = *bc.pieces[0];
    WorkingPiece& b = *bc.pieces[1];
    EXPECT_EQ(cuts[0]->cutPosition,
              bc.currentBar->length - a.BladeOffset(0) - std::min(a.endCutX[0], a.endCutX[1]));
    EXPECT_EQ(cuts[1]->cutPosition, a.Lung);
    EXPECT_EQ(cuts[2]->cutPosition,
              std::max(a.endCutX[2], a.endCutX[3]) - b.BladeOffset(0) - std::min(b.endCutX[0], b.endCutX[1]));
    EXPECT_EQ(cuts[0]->cutKind, 2);
    EXPECT_EQ(cuts[1]->cutKind, 1);
    // The bar's remainder is classified from the last piece's larger X on variant 0.
    EXPECT_EQ(bc.tailClampMode, 2);
}

// A first-end cut never takes its kerf out of the bar or the piece before it: after an angled
// end (which trims nothing on variant 2) a square first end still leaves a remnant of at least
// nothing before it, on every variant that keeps pieces apart by the cut allowance.
TEST_F(EndTrimTest, FirstEndCutLeavesNoNegativeRemnantBefore) {
    for (const auto& [variant, conf] : {std::pair{0, "CONF-V0"}, std::pair{2, "CONF-V2"}}) {
        SCOPED_TRACE(conf);
        Reinstall(variant, conf);
        BarComputation& bc = Open(List({Bar({Piece("A", 1000000, 90000, 45000), Piece("B", 900000, 90000, 90000)})}));
        ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
        int firstEnds = 0;
        for (const WorkingMachining* c : Cuts(bc)) {
            if (c->endCutMode != 1) continue;
            ++firstEnds;
            EXPECT_GE(c->cutPosition, 0) << "cut " << c->Id;
        }
        EXPECT_EQ(firstEnds, 2);
    }
}

// An angled end's cut works from beyond its outer X by the end's two lengths: the blade's side
// ((1/sin 45 - 1) x OFF_X_LAMA) and its reference across the profile ((OFF_Y_LAMA - bottom) /
// tan 45, turned toward the head for an end below 90 degrees). A square end has neither.
TEST_F(EndTrimTest, AngledEndCutWorksBeyondItsOuterXByTheEndLengths) {
    Reinstall(0, "CONF-V0");
    g_pSettings->OFF_X_LAMA = 10000;
    g_pSettings->OFF_Y_LAMA = 5000;
    BarComputation& bc = Open(List({Bar({Piece("A", 1000000, 45000, 90000)})}));
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    const auto cuts = Cuts(bc);
    ASSERT_EQ(cuts.size(), 2u);
    const WorkingPiece& a = *bc.pieces[0];
    const int32_t bottom = bc.currentBar->yMin;
    EXPECT_EQ(cuts[0]->XFm - a.endCutX[0], 4142 - (5000 - bottom));
    EXPECT_EQ(cuts[0]->XM - cuts[0]->XFm, g_pSettings->X_TRAVEL_MAX - g_pSettings->DIST_LAMA);
    EXPECT_EQ(cuts[1]->XFm, a.endCutX[2]);
}

// A section drawing of four lines: a w x h rectangle, every number written "%09.5f" so that
// drawings of other sizes take the same bytes.
std::string RectangleDrawing(double w, double h) {
    std::string s = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    const double pts[5][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        s += plat::StrFormatC("  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n%09.5f\r\n 20\r\n%09.5f\r\n 11\r\n%09.5f\r\n 21\r\n%09.5f\r\n",
                              pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1]);
    }
    return s + "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
}

// Sets a file's modification time to the given second.
void SetModified(const std::string& path, time_t seconds) {
    const timespec t[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

TEST_F(EndTrimTest, SectionIsKeptFromBarToBarAndReadAnewWhenItsDrawingChanges) {
    // Square ends with CUT_MODE_90 2: the blade comes from above, centred on the section, so the
    // cut's Y follows the section's width and its Z the blade's diameter.
    const std::string folder = dir_ + "DXF/ALU60/", drawing = folder + "T6001.dxf";
    std::filesystem::create_directories(folder);
    std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%sDXF/", dir_.c_str());
    const struct {
        const char* change;
        std::function<void()> apply;
        bool readAnew;
        double width; // of the section afterwards (the bar's rectangle is 60 x 45)
        bool sameZ;   // the cut's height stays
    } cases[] = {
        {"nothing", [] {}, false, 50, true},
        {"blade diameter only", [] { g_pSettings->DIAM_LAMA += 20000; }, false, 50, false},
        {"other content, other size", [&] { WriteFile(drawing, RectangleDrawing(40, 40) + "999\r\nX\r\n"); }, true, 40,
         false},
        // Rewritten in place with as many bytes; a save gives it a new modification time.
        {"same size, new time",
         [&] {
             WriteFile(drawing, RectangleDrawing(40, 40));
             SetModified(drawing, 1500000100);
         },
         true, 40, false},
        {"removed", [&] { std::filesystem::remove(drawing); }, true, 60, false},
        {"drawings switched off", [] { g_pSettings->CK_DXF = 0; }, true, 60, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        g_pSettings->CK_DXF = 1;
        WriteFile(drawing, RectangleDrawing(50, 40));
        SetModified(drawing, 1500000000);
        BarComputation& bc = Open(List({Bar({Piece("A", 1000000)}), Bar({Piece("B", 900000)})}), "KEEP.lda");
        bc.Bar(0)->CUT_MODE_90 = bc.Bar(1)->CUT_MODE_90 = 2;
        ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
        const std::shared_ptr<DxfSection> first = bc.profileSection;
        ASSERT_NE(first, nullptr);
        EXPECT_DOUBLE_EQ(first->width, 50);
        const int32_t y50 = Cuts(bc)[0]->cutPointY[0], z50 = Cuts(bc)[0]->cutPointZ[0];

        c.apply();
        ASSERT_EQ(bc.ComputeBar(1, 1), 0) << g_errorText;
        EXPECT_EQ(bc.profileSection != first, c.readAnew);
        EXPECT_DOUBLE_EQ(bc.profileSection->width, c.width);
        EXPECT_DOUBLE_EQ(bc.profileSection->bladeDiameter, g_pSettings->DIAM_LAMA / 1000.0);
        // The cut is planned against the section of the moment: centred over its width.
        EXPECT_EQ(Cuts(bc)[0]->cutPointY[0] - y50, static_cast<int32_t>((c.width - 50) / 2 * 1000));
        EXPECT_EQ(Cuts(bc)[0]->cutPointZ[0] == z50, c.sameZ) << z50;
        list_.reset();
    }
}

// Two profiles whose bars alternate, each with its own drawing, the same rectangle and offsets:
// each bar is planned on its own section (centred over its width), each drawing is read once
// however often the profile comes back, and a changed drawing is read anew without disturbing
// the other profile's section.
TEST_F(EndTrimTest, ListKeepsEverySectionItLoadedApartByPath) {
    const std::string folder = dir_ + "DXF/ALU60/";
    std::filesystem::create_directories(folder);
    std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%sDXF/", dir_.c_str());
    WriteFile(folder + "T6001.dxf", RectangleDrawing(50, 40));
    WriteFile(folder + "T6002.dxf", RectangleDrawing(40, 40));
    SetModified(folder + "T6001.dxf", 1500000000);
    SetModified(folder + "T6002.dxf", 1500000000);
    std::vector<ldatest::BarSpec> bars;
    for (int i = 0; i < 6; ++i) {
        bars.push_back(Bar({Piece("A", 1000000)}));
        if (i % 2 == 1) bars.back().code = "T6002";
    }
    BarComputation& bc = Open(List(bars), "TWO.lda");
    for (int i = 0; i < bc.BarCount(); ++i) bc.Bar(i)->CUT_MODE_90 = 2;
    auto centredY = [&](int bar) {
        EXPECT_EQ(bc.ComputeBar(bar, 1), 0) << g_errorText;
        return Cuts(bc)[0]->cutPointY[0];
    };
    const int32_t y50 = centredY(0);
    const std::shared_ptr<DxfSection> first = bc.profileSection;
    const int32_t y40 = centredY(1);
    const std::shared_ptr<DxfSection> second = bc.profileSection;
    EXPECT_EQ(y50 - y40, 5000); // half of 50 - 40 mm
    for (int bar = 2; bar < 6; ++bar) {
        SCOPED_TRACE(bar);
        EXPECT_EQ(centredY(bar), bar % 2 == 0 ? y50 : y40);
        EXPECT_EQ(bc.profileSection.get(), (bar % 2 == 0 ? first : second).get());
    }
    ASSERT_NE(bc.keptSections, nullptr);
    EXPECT_EQ(bc.keptSections->Loads(), 2u);
    EXPECT_EQ(bc.keptSections->Count(), 2u);

    // T6001 saved again as a 30 mm section: read anew at its next bar, replacing its old section.
    WriteFile(folder + "T6001.dxf", RectangleDrawing(30, 40));
    SetModified(folder + "T6001.dxf", 1500000100);
    EXPECT_EQ(centredY(0), y50 - 10000);
    EXPECT_NE(bc.profileSection.get(), first.get());
    EXPECT_EQ(centredY(1), y40);
    EXPECT_EQ(bc.profileSection.get(), second.get());
    EXPECT_EQ(bc.keptSections->Loads(), 3u);
    EXPECT_EQ(bc.keptSections->Count(), 2u);
}

// The bound on the kept bytes drops the least recently used section first; a section used again
// counts as recent; the bound holds after every load.
TEST_F(EndTrimTest, SectionBoundDropsTheLeastRecentlyUsed) {
    const std::string folder = dir_ + "DXF/ALU60/";
    std::filesystem::create_directories(folder);
    std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%sDXF/", dir_.c_str());
    for (const char* code : {"A", "B", "C"}) WriteFile(folder + code + ".dxf", RectangleDrawing(50, 40));
    BarComputation& bc = Open(List({Bar({Piece("A", 1000000)})}), "LRU.lda");
    const BarRecord& bar = *bc.Bar(0);
    auto path = [&](const char* code) { return SectionDrawingPath(g_pSettings->DIR_DXF, "ALU60", code); };
    std::size_t one = 0;
    {
        SectionStore probe;
        one = probe.Get(path("A").c_str(), bar.yMin, bar.zMin, bar)->MemoryBytes();
        EXPECT_EQ(probe.Bytes(), one);
    }
    SectionStore store(one * 5 / 2); // room for two
    const auto a = store.Get(path("A").c_str(), bar.yMin, bar.zMin, bar);
    store.Get(path("B").c_str(), bar.yMin, bar.zMin, bar);
    EXPECT_EQ(store.Get(path("A").c_str(), bar.yMin, bar.zMin, bar).get(), a.get()); // A is now the most recent
    store.Get(path("C").c_str(), bar.yMin, bar.zMin, bar);                // B goes
    EXPECT_EQ(store.Loads(), 3u);
    EXPECT_EQ(store.Count(), 2u);
    EXPECT_LE(store.Bytes(), store.Bound());
    EXPECT_EQ(store.Get(path("A").c_str(), bar.yMin, bar.zMin, bar).get(), a.get());
    EXPECT_EQ(store.Loads(), 3u);
    store.Get(path("B").c_str(), bar.yMin, bar.zMin, bar); // read again, C goes
    EXPECT_EQ(store.Loads(), 4u);
    store.Get(path("A").c_str(), bar.yMin, bar.zMin, bar);
    EXPECT_EQ(store.Loads(), 4u);
    // A section above the bound on its own is still given, and kept alone.
    SectionStore tiny(1);
    EXPECT_NE(tiny.Get(path("A").c_str(), bar.yMin, bar.zMin, bar), nullptr);
    tiny.Get(path("B").c_str(), bar.yMin, bar.zMin, bar);
    EXPECT_EQ(tiny.Count(), 1u);
}

// The section keeps only the points of the placed lines; they are the reference points the full
// entity list gives after the same mirror, turn, move and arc conversion, to the last bit.
TEST(SectionSearch, LoadedPointsAreThoseOfTheFullEntityList) {
    // An open arc whose last point is the extreme one, and a reversed arc beside a line; then
    // arcs whose angles lie a step off theirs (the same points) and a hair off (others).
    MEntitiesList open;
    MEntity arc;
    arc.kind = MEntityKind::Arc;
    arc.radius = 10;
    arc.startAngle = 200;
    arc.endAngle = 75;
    open.AddEntity(arc);
    arc.x = 30;
    arc.reversed = true;
    open.AddEntity(arc);
    open.AddEntity(MEntityKind::Line, 5, 5, 12, -3);
    arc.y = 40;
    arc.startAngle = 210;
    open.AddEntity(arc);
    arc.x = 0;
    arc.startAngle = 200.000001;
    arc.endAngle = 75.000001;
    open.AddEntity(arc);
    std::vector<std::pair<std::string, MEntitiesList>> drawings;
    drawings.emplace_back("open arcs", open);
    // The points are written over the records they come from: seven circles (36 points each) and
    // an arc of five make 257 points, the most ahead of the records, and lines follow.
    MEntitiesList ahead;
    MEntity circle;
    circle.kind = MEntityKind::Circle;
    circle.radius = 3;
    for (int i = 0; i < 7; ++i, circle.x += 7) ahead.AddEntity(circle);
    arc.reversed = false;
    arc.startAngle = 10;
    arc.endAngle = 60;
    ahead.AddEntity(arc);
    for (int i = 0; i < 40; ++i) ahead.AddEntity(MEntityKind::Line, i, 20 + i % 3, i + 1, 25);
    drawings.emplace_back("points ahead of the records", ahead);
    // The demo sections, and drawings with blocks, bulges, ellipses, splines and texts.
    for (const char* name : {"demo/DXF/ALU60/T6001", "demo/DXF/PVC70/P7020", "demo/DXF/ALU72/Z7200",
                             "tests/fixtures/dxf/all_kinds", "tests/fixtures/dxf/blocks",
                             "tests/fixtures/dxf/fit_splines", "tests/fixtures/dxf/l_section"}) {
        const std::string path = std::string(BRELON_SOURCE_DIR "/") + name + ".dxf";
        drawings.emplace_back(name, MEntitiesList{});
        const int read = ReadDXF(path, drawings.back().second);
        ASSERT_GT(read, 0);
        // The outline reader gives what the entity list holds, and its limits.
        MOutline outline;
        ASSERT_EQ(ReadDXFOutline(path, outline), read);
        MOutline fromList;
        for (const MEntity& e : drawings.back().second) fromList.Add(e);
        const MLimits &lo = outline.Limits(), &ll = fromList.Limits();
        EXPECT_TRUE(lo.minX == ll.minX && lo.minY == ll.minY && lo.maxX == ll.maxX && lo.maxY == ll.maxY) << name;
        ASSERT_EQ(outline.Count(), fromList.Count());
        for (std::size_t i = 0; i < outline.Count(); ++i) {
            const MShape &a = outline.Shapes()[i], &b = fromList.Shapes()[i];
            ASSERT_TRUE(a.kind == b.kind && a.reversed == b.reversed && a.x == b.x && a.y == b.y && a.x2 == b.x2 &&
                        a.y2 == b.y2 && a.radius == b.radius && a.startAngle == b.startAngle &&
                        a.endAngle == b.endAngle)
                << name << " " << i;
        }
    }
    for (auto& [name, drawing] : drawings) {
        for (const auto& [mirror, turn] : {std::pair{false, 0.0}, std::pair{true, 33.5}}) {
            SCOPED_TRACE(name + (mirror ? " mirrored" : ""));
            MEntitiesList l = drawing;
            DxfSection d = Blade(10, 5);
            d.Place(l, mirror, turn, kRect);
            if (mirror) l.Mirror(1);
            if (turn != 0) l.Rotate(turn);
            const MLimits m = l.GetLimits();
            l.Move(-m.minX, -m.minY);
            l.ConvertArcsToLines(10.0);
            l.DeleteText();
            l.DeleteAttributes();
            const MLimits f = l.GetLimits();
            EXPECT_EQ(d.width, f.maxX - f.minX);
            EXPECT_EQ(d.height, f.maxY - f.minY);
            ASSERT_EQ(d.Points().size(), l.Count());
            for (std::size_t i = 0; i < l.Count(); ++i) {
                ASSERT_EQ(d.Points()[i].y, l[i].x + 10) << i;
                ASSERT_EQ(d.Points()[i].z, l[i].y + 5) << i;
            }
        }
    }
}

TEST(EndCutLinks, AppendsAreBoundedAndOverflowFails) {
    int32_t count = 0, list[kMaxLinks] = {};
    for (int i = 0; i < kMaxLinks; ++i) EXPECT_TRUE(AppendLink(count, list, i + 1));
    EXPECT_FALSE(AppendLink(count, list, 99));
    EXPECT_EQ(count, kMaxLinks);
    WorkingMachining m;
    for (int i = 0; i < kMaxLinks; ++i) EXPECT_TRUE(PutLavBefore(m, i + 1));
    EXPECT_FALSE(PutLavBefore(m, 99));
    m.LavBefore[7] = 0;
    EXPECT_TRUE(PutLavBefore(m, 55));
    EXPECT_EQ(m.LavBefore[7], 55);
}

} // namespace
} // namespace enginetest
