// Blade-cut adapter: working records in and out of the blade computations, and the entry points
// on the list object (machine from the settings, section from the current bar, fields kept).
#include <gtest/gtest.h>

#include "blade_test_machine.h"
#include "engine/blade_adapter.h"
#include "engine_fixture.h"

namespace {

WorkingMachining CutRecord(int32_t A, int32_t z = 330000) {
    WorkingMachining m;
    m.ATaglio = A;
    m.cutPointMode = 1;
    m.cutPointX[0] = 500000;
    m.cutPointY[0] = 50000;
    m.cutPointZ[0] = z;
    m.cutPointFlags[0] = 16;
    return m;
}

TEST(BladeAdapter, RecordFieldsRoundTrip) {
    WorkingMachining m = CutRecord(135000);
    m.cutPointMode = 4;
    for (int i = 0; i < kMaxCutPoints; ++i) {
        m.cutPointX[i] = 1000 + i;
        m.cutPointY[i] = 2000 + i;
        m.cutPointZ[i] = 3000 + i;
        m.cutPointFlags[i] = 32;
    }
    m.footprintWidth = 12.5;
    m.footprintFlag = 1;
    m.tiltAngle = 30.0;
    m.CutMode = 0x40;
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    EXPECT_EQ(cut.A, 135000);
    EXPECT_EQ(cut.vertexCount, 4);
    EXPECT_EQ(cut.X[7], 1007);
    EXPECT_EQ(cut.Y[3], 2003);
    EXPECT_EQ(cut.Z[5], 3005);
    EXPECT_EQ(cut.kind[2], 32);
    EXPECT_EQ(cut.footprintWidth, 12.5);
    EXPECT_EQ(cut.footprintFlag, 1);
    EXPECT_EQ(cut.tiltDeg, 30.0);
    EXPECT_NE(cut.marker, 0);
    EXPECT_EQ(BladeVertexMode(m), 4);

    // Out: angle, X, Y and the footprint width; heights, kinds and flags stay as read.
    cut.A = 315000;
    cut.X[1] = -7;
    cut.Y[6] = -8;
    cut.Z[0] = -9;
    cut.kind[0] = 1;
    cut.footprintWidth = 3.25;
    CopyBladeCutOut(cut, m);
    EXPECT_EQ(m.ATaglio, 315000);
    EXPECT_EQ(m.cutPointX[1], -7);
    EXPECT_EQ(m.cutPointY[6], -8);
    EXPECT_EQ(m.cutPointZ[0], 3000);
    EXPECT_EQ(m.cutPointFlags[0], 32);
    EXPECT_EQ(m.footprintWidth, 3.25);
    m.cutPointMode = 2;
    EXPECT_EQ(BladeVertexMode(m), 2);
    m.cutPointMode = 0;
    EXPECT_EQ(BladeVertexMode(m), 1);
}

TEST(BladeAdapter, GivesTheComposerResultsAndWritesChangesBack) {
    const BladeHead head = TestHead();
    const BladeSection section = TestSection();
    for (int32_t A : {-30000, 5000, 45000, 90000, 120000, 200000}) {
        BladeWorkingFields fa, fb;
        BladeCutAdapter adapter(head, section, fa);
        BladeComposer direct(head, section, fb);
        WorkingMachining m = CutRecord(A, 200000);
        BladeCut cut;
        CopyBladeCutIn(m, cut);
        EXPECT_EQ(adapter.Place(m, 1, 0, 0), direct.CutBarPosition(cut, 1, 0, 0)) << A;
        EXPECT_EQ(m.ATaglio, cut.A);
        EXPECT_EQ(fa.cutShiftX, fb.cutShiftX);
        EXPECT_EQ(adapter.ViceClearance(m, 700000, 1, 0, 0, 1), direct.ViceClearance(cut, 700000, 1, 0, 0, 1)) << A;
        EXPECT_EQ(adapter.ExtractorClearance(m, -5000000, 700000), direct.ExtractorClearance(cut, -5000000, 700000));
        EXPECT_EQ(adapter.HighObstacleClearance(m, -2500000, 700000, 1),
                  direct.HighObstacleClearance(cut, -2500000, 700000, 1));
        EXPECT_EQ(adapter.ReachOne(m, 700000, 0, 0), BladeReach1(head, cut, 700000, 0, 1, 0));
    }
    // A four-vertex bound writes the footprint width into the record.
    BladeWorkingFields f;
    BladeCutAdapter adapter(head, section, f);
    WorkingMachining m = CutRecord(60000, 200000);
    m.cutPointMode = 4;
    m.cutPointX[2] = m.cutPointX[3] = 560000;
    m.cutPointY[2] = m.cutPointY[3] = 100000;
    for (int i = 1; i < 4; ++i) m.cutPointZ[i] = 200000;
    adapter.ViceClearance(m, 900000, 4, 0, 1, 0);
    EXPECT_GT(m.footprintWidth, 0.0);
}

TEST(BladeAdapter, RefitMovesTheFollowingRecord) {
    const BladeHead head = TestHead();
    const BladeSection section = TestSection();
    BladeWorkingFields f;
    BladeCutAdapter adapter(head, section, f);
    const WorkingMachining cut = CutRecord(90000);
    WorkingMachining following = CutRecord(90000, 2000000);
    f.viceMoved = 1;
    f.clampCorrectionX = 50000000; // a vice far back: the bar must shift out of the travel
    int32_t vice = 0;
    const int32_t before = following.cutPointX[0];
    EXPECT_EQ(adapter.FitToFollowing(cut, following, 3000000, vice, 0, 2000000000, 0), -1);
    EXPECT_GT(f.refitShiftX, 0);
    EXPECT_EQ(following.cutPointX[0], before + f.refitShiftX);
}

class BladeListTest : public enginetest::EngineTest {};

TEST_F(BladeListTest, EntryPointsUseTheListsMachineSectionAndFields) {
    using namespace enginetest;
    BarComputation& bc = Open(List({Bar({Piece("P1", 1000000)})}));
    bc.currentBar = bc.Bar(0);
    const BladeSection s = BladeSectionOf(bc);
    EXPECT_EQ(s.yMax, bc.currentBar->yMax);
    EXPECT_EQ(s.yMin, bc.currentBar->yMin);
    EXPECT_EQ(s.zMax, bc.currentBar->zMax);
    EXPECT_EQ(s.zMin, bc.currentBar->zMin);

    WorkingMachining m = CutRecord(90000, bc.currentBar->zMax + g_pSettings->DIAM_LAMA / 2);
    BladeWorkingFields expected;
    const BladeHead head = BladeHeadFromSettings(*g_pSettings);
    BladeComposer direct(head, s, expected);
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    const int32_t want = direct.CutBarPosition(cut, 1, 3000, 0);
    EXPECT_EQ(PlaceBladeCut(bc, m, 3000), want);
    EXPECT_EQ(bc.blade.cutHighX, g_pSettings->X_PAR_MAX + 100);
    EXPECT_EQ(bc.blade.cutShiftX, expected.cutShiftX);

    // The per-cut reset clears the refit's fields and keeps the placing's.
    bc.blade.refitShiftX = 5;
    bc.blade.viceStepX = 6;
    bc.blade.bladeSideX = 7;
    bc.blade.viceMoved = 1;
    bc.blade.refitAgain = 1;
    ResetBladeCutFields(bc);
    EXPECT_EQ(bc.blade.refitShiftX, 0);
    EXPECT_EQ(bc.blade.viceStepX, 0);
    EXPECT_EQ(bc.blade.bladeSideX, 0);
    EXPECT_EQ(bc.blade.viceMoved, 0);
    EXPECT_EQ(bc.blade.refitAgain, 0);
    EXPECT_EQ(bc.blade.cutHighX, g_pSettings->X_PAR_MAX + 100);

    // Without machine settings nothing is placed.
    MachineSettings* saved = g_pSettings;
    g_pSettings = nullptr;
    EXPECT_EQ(PlaceBladeCut(bc, m, 3000), 1);
    int32_t vice = 0;
    EXPECT_EQ(FitBladeViceToFollowing(bc, m, m, 0, vice, 0, 0, 0), -1);
    EXPECT_EQ(BladeViceClearance(bc, m, 0, 1, 0, 0, 0), 0);
    g_pSettings = saved;
}

} // namespace
