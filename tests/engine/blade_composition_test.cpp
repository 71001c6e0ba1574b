// Blade-cut composition: bar position by angle class, vice clearance and the bounded refit.
#include <gtest/gtest.h>

#include "blade_test_machine.h"
#include "engine/blade_composition.h"

namespace {

struct Comp {
    BladeHead head = TestHead();
    BladeSection section = TestSection();
    BladeWorkingFields fields;
    BladeComposer c{head, section, fields};

    int32_t Nominal(const BladeCut& cut) const {
        return head.X_PAR_MAX - head.DIST_MORSE_LAMA - head.DIST_LAMA + cut.X[0];
    }
    int32_t NearParallel(int32_t A) const {
        const int32_t p = PolarXMinusCos(head.DIAM_LAMA / 2 - head.DIST_MORSE_LAMA + head.X_PAR_MIN + 10000, A / 1000.0,
                                         head.OFF_Y_LAMA, head.OFF_X_LAMA + head.SPESS_LAMA);
        return p < head.X_PAR_MIN ? head.X_PAR_MIN : (p > head.X_PAR_MAX ? head.X_PAR_MAX : p);
    }
};

TEST(BladeComposition, AngleBands) {
    Comp t;
    for (int32_t A : {5000, 9999, 175000, -9999}) {
        BladeCut cut = OneVertexCut(A);
        const int32_t p = t.c.CutBarPosition(cut, 1, 0, 0);
        EXPECT_EQ(p, t.NearParallel(A)) << A;
        EXPECT_EQ(t.fields.cutShiftX, p - t.Nominal(cut)) << A;
    }
    // 10 degrees is placed normally: on a head that cannot turn, the bar moves it clear.
    t.head.Q_MAX_LAMA = 180000;
    BladeCut normal = OneVertexCut(10000);
    const int32_t p = t.c.CutBarPosition(normal, 1, 0, 0);
    EXPECT_NE(p, t.NearParallel(10000));
    EXPECT_GE(p, t.head.X_PAR_MIN);
    EXPECT_LE(p, t.head.X_PAR_MAX);
    // A head that can turn keeps a cut whose turned blade would still meet the vice unturned,
    // placed as on the head that cannot turn.
    for (int32_t qMax : {225000, 270000}) {
        t.head.Q_MAX_LAMA = qMax;
        BladeCut turning = OneVertexCut(10000);
        EXPECT_EQ(t.c.CutBarPosition(turning, 1, 0, 0), p) << qMax;
        EXPECT_EQ(turning.A, 10000) << qMax;
    }
    // Beyond the head's rotation range.
    t.head.Q_MAX_LAMA = 190000;
    BladeCut far = OneVertexCut(195000);
    EXPECT_EQ(t.c.CutBarPosition(far, 1, 0, 0), 1);
    t.head.Q_MIN_LAMA = -20000;
    BladeCut neg = OneVertexCut(-30000);
    EXPECT_EQ(t.c.CutBarPosition(neg, 1, 0, 0), 1);
}

TEST(BladeComposition, SpanLargerThanTravelLeavesTheBarUnplaced) {
    Comp t;
    BladeCut cut = OneVertexCut(90000);
    cut.vertexCount = 4;
    cut.X[0] = 0; cut.X[1] = 0;
    cut.X[2] = t.head.X_PAR_MAX - t.head.X_PAR_MIN + 1; cut.X[3] = cut.X[2];
    EXPECT_EQ(t.c.CutBarPosition(cut, 4, 0, 0), 0);
}

TEST(BladeComposition, SquareCutMovesToTheTravelStart) {
    Comp t;
    BladeCut cut = OneVertexCut(90000);
    t.fields.cutHighX = 7;
    EXPECT_EQ(t.c.CutBarPosition(cut, 1, 0, 0), t.head.X_PAR_MIN);
    EXPECT_EQ(t.fields.cutShiftX, t.head.X_PAR_MIN - t.Nominal(cut));
    EXPECT_EQ(t.fields.cutHighX, t.head.X_PAR_MAX + 100); // a fresh computation resets it
    // Only a nominal position of exactly X_PAR_MIN + OFF_X_LAMA stays.
    cut.X[0] = t.head.X_PAR_MIN + t.head.OFF_X_LAMA - (t.head.X_PAR_MAX - t.head.DIST_MORSE_LAMA - t.head.DIST_LAMA);
    EXPECT_EQ(t.c.CutBarPosition(cut, 1, 0, 0), t.head.X_PAR_MIN + t.head.OFF_X_LAMA);
    EXPECT_EQ(t.fields.cutShiftX, 0);
    // A refit keeps the fields of the fresh computation and adds its shift.
    t.fields.cutHighX = 7;
    t.fields.refitShiftX = 500;
    EXPECT_EQ(t.c.CutBarPosition(cut, 1, 0, 1), t.head.X_PAR_MIN + t.head.OFF_X_LAMA + 500);
    EXPECT_EQ(t.fields.cutHighX, 7);
}

TEST(BladeComposition, PositionsStayInTravelOrRefuse) {
    Comp t;
    for (int32_t A = -45000; A <= 225000; A += 2500) {
        for (int32_t x0 : {0, 400000, 2500000}) {
            BladeCut cut = OneVertexCut(A, 200000);
            cut.X[0] = x0;
            const int32_t p = t.c.CutBarPosition(cut, 1, 0, 0);
            const bool refused = p == 1 || p == 0 || p == -1;
            EXPECT_TRUE(refused || (p >= t.head.X_PAR_MIN && p <= t.head.X_PAR_MAX)) << A << " " << p;
        }
    }
}

TEST(BladeComposition, ViceClearanceIsTheLargerBound) {
    Comp t;
    for (int32_t A = -45000; A <= 225000; A += 15000) {
        BladeCut cut = OneVertexCut(A, 200000);
        const int32_t blade = t.c.ViceBoundBlade1(cut, 700000, 1, 0, 1);
        const int32_t both = t.c.ViceClearance(cut, 700000, 1, 0, 0, 1);
        EXPECT_GE(both, blade) << A;
    }
}

TEST(BladeComposition, RefitOutOfTravelEndsWithMinusOneAfterMovingVertices) {
    Comp t;
    const BladeCut cut = OneVertexCut(90000);
    BladeCut following = OneVertexCut(90000, 2000000);
    t.fields.viceMoved = 1;
    t.fields.clampCorrectionX = 50000000; // a vice far back: the bar must shift a lot
    int32_t vice = 0;
    const int32_t before = following.X[0];
    EXPECT_EQ(t.c.FitViceToFollowingMachining(cut, following, 3000000, vice, 0, 2000000000, 0), -1);
    EXPECT_GT(t.fields.refitShiftX, 0);
    EXPECT_EQ(following.X[0], before + t.fields.refitShiftX);
}

TEST(BladeComposition, RefitThatNeverSettlesIsBounded) {
    Comp t;
    // Nothing of the following machining reaches the vices and the clamp correction asks for
    // one more thousandth on every pass: the shift never settles inside the travel.
    const BladeCut cut = OneVertexCut(90000);
    BladeCut following = OneVertexCut(90000, 2000000);
    following.Y[0] = 1000000;
    int32_t vice = 1000000000;
    const int32_t refX = 0;
    const int32_t bladeSide = t.head.DIST_LAMA - t.head.X_PAR_MAX + refX - t.head.OFF_X_LAMA;
    t.fields.clampCorrectionX = 1 + 2 * t.head.X_MIN_MORSA - bladeSide;
    const int32_t r =
        t.c.FitViceToFollowingMachining(cut, following, refX, vice, t.head.X_MIN_MORSA, 2000000000, 0);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(t.fields.refitAgain, 1);
    EXPECT_EQ(t.fields.refitShiftX, kMaxRefitPasses); // one thousandth a pass, still in travel
}

TEST(BladeComposition, RefitWithNothingToClearSettlesAtOnce) {
    Comp t;
    const BladeCut cut = OneVertexCut(90000);
    BladeCut following = OneVertexCut(90000, 2000000);
    int32_t vice = 5000000;
    const int32_t r = t.c.FitViceToFollowingMachining(cut, following, 3000000, vice, t.head.X_MIN_MORSA, 2000000000, 0);
    EXPECT_GE(r, 0);
    EXPECT_EQ(t.fields.refitShiftX, 0);
    EXPECT_EQ(t.fields.refitAgain, 0);
}

} // namespace
