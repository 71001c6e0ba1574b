// Blade-cut geometry: reach, clearances, tilted height and the vice-bound family's properties.
#include <gtest/gtest.h>

#include <cmath>

#include "blade_test_machine.h"
#include "engine/blade_geometry.h"

namespace {

struct Geo {
    BladeHead head = TestHead();
    BladeSection section = TestSection();
    BladeWorkingFields fields;
    BladeGeometry g{head, section, fields};
};

TEST(BladeGeometry, ReachUsesBladeThicknessOnlyForNegativeAndTurnedAngles) {
    BladeHead h = TestHead();
    h.DIAM_LAMA = 0; // both disc ends at the reference point
    const int32_t x = 700000;
    for (int32_t A : {0, 45000, 90000, 135000, 180000, -30000, -1, 180001, 200000}) {
        const BladeCut cut = OneVertexCut(A);
        const int32_t across = (A >= 0 && A <= 180000) ? h.OFF_X_LAMA : h.OFF_X_LAMA + h.SPESS_LAMA;
        const int32_t want = PolarXPlusCos(x, A / 1000.0, h.OFF_Y_LAMA, across) + h.DIST_LAMA - h.X_PAR_MAX;
        EXPECT_EQ(BladeReach1(h, cut, x, 0, 1, 0), want) << A;
    }
}

TEST(BladeGeometry, ReachTakesTheDiscEndNearerTheViceEdge) {
    const BladeHead h = TestHead();
    const BladeCut cut = OneVertexCut(0); // disc along X
    const int32_t centre = PolarXPlusCos(700000, 0, h.OFF_Y_LAMA, h.OFF_X_LAMA) + h.DIST_LAMA - h.X_PAR_MAX;
    EXPECT_EQ(BladeReach1(h, cut, 700000, -10000000, 1, 0), centre - 250000);
    EXPECT_EQ(BladeReach1(h, cut, 700000, 10000000, 1, 0), centre + 250000);
}

TEST(BladeGeometry, ExtractorClearanceBands) {
    Geo t;
    // 45 degrees lies outside both bands.
    EXPECT_EQ(t.g.ExtractorClearance(OneVertexCut(45000), -5000000, 700000), 0);
    // A square cut whose arm end stays beyond the section plus the extractor: nothing to clear.
    BladeCut cut = OneVertexCut(90000);
    cut.Y[0] = 1000000;
    EXPECT_EQ(t.g.ExtractorClearance(cut, -5000000, 700000), 0);
    // Inside the section the arm must clear it: the extra is positive against a low position
    // and never negative.
    cut.Y[0] = 0;
    EXPECT_GT(t.g.ExtractorClearance(cut, -5000000, 700000), 0);
    EXPECT_EQ(t.g.ExtractorClearance(cut, 5000000, 700000), 0);
}

TEST(BladeGeometry, HighObstacleGrowsWithMotorReach) {
    Geo t;
    const BladeCut cut = OneVertexCut(60000);
    int32_t last = -1;
    for (int32_t L = 0; L <= 1200000; L += 100000) {
        t.head.L_MOTOR = L;
        const int32_t e = t.g.HighObstacleClearance(cut, -2500000, 700000, 1);
        EXPECT_GE(e, 0);
        EXPECT_GE(e, last) << L;
        last = e;
    }
    EXPECT_GT(last, 0);
}

TEST(BladeGeometry, TiltedBladeHeight) {
    Geo t;
    const int32_t c = t.head.DIAM_LAMA / 2 + t.section.zMax;
    BladeCut cut = OneVertexCut(90000);
    cut.tiltDeg = 0; // edge-on ellipse: r + Zmax inside and outside the section
    for (int32_t y : {-500000, 50000, 500000}) EXPECT_EQ(t.g.TiltedBladeHeight(cut, 0, y), c) << y;
    cut.tiltDeg = 30;
    // Reference inside the section.
    const int32_t inside = t.section.yMax / 2 - t.head.OFF_Y_LAMA;
    EXPECT_EQ(t.g.TiltedBladeHeight(cut, 0, inside + 30000), c);
    // Just beyond the section's edge the tilted disc stands lower, still above the section.
    const int32_t h = t.g.TiltedBladeHeight(cut, 0, 200000);
    EXPECT_LT(h, c);
    EXPECT_GT(h, t.section.zMax);
}

TEST(BladeGeometry, SegmentsClear) {
    LineEntity a, b, c;
    MakeLineEntity(-10, 0, 10, 0, a);
    MakeLineEntity(-10, 5, 10, 5, b);
    MakeLineEntity(3, -1, 3, 1, c);
    EXPECT_FALSE(SegmentsClear(a, b, c));
    MakeLineEntity(3, 1, 3, 4, c);
    EXPECT_TRUE(SegmentsClear(a, b, c));
    MakeLineEntity(0, -1, 0, 1, c); // a meeting exactly at X 0 counts as none
    EXPECT_TRUE(SegmentsClear(a, b, c));
}

TEST(BladeGeometry, FlangeShiftOnlyBetweenZeroAndHalfTurn) {
    Geo t;
    for (int32_t A : {-30000, 0, 180000, 200000}) EXPECT_EQ(t.g.FlangeViceShift(OneVertexCut(A, 0), 100000, 1, 0), 0);
    // The flange passing above the vice never shifts.
    EXPECT_EQ(t.g.FlangeViceShift(OneVertexCut(45000, 1000000), 100000, 1, 0), 0);
    // Low flange at the vice's side line: a shift that clears it.
    const BladeCut low = OneVertexCut(45000, 0);
    const int32_t s = t.g.FlangeViceShift(low, t.head.X_PAR_MIN - t.head.DIST_MORSE_LAMA, 1, 0);
    EXPECT_GT(s, 0);
    EXPECT_EQ(t.g.FlangeViceShift(low, t.head.X_PAR_MIN - t.head.DIST_MORSE_LAMA + s + 1000, 1, 0), 0);
}

// Grid of angles, bar positions and blade heights for the vice-bound properties.
TEST(BladeGeometry, BladeBoundNeverLetsTheDiscCrossTheVice) {
    Geo t;
    const double r = t.head.DIAM_LAMA / 2;
    const double front = -t.head.DELTA_L_MORSE_CL, back = t.g.ViceBackY();
    for (int32_t A = -45000; A <= 225000; A += 7500) {
        for (int32_t x = 100000; x <= 4000000; x += 650000) {
            for (int32_t z : {80000, 200000, 330000, 600000}) {
                const BladeCut cut = OneVertexCut(A, z);
                const int32_t bound = t.g.ViceBoundBlade1(cut, x, 0, 0, 1);
                ASSERT_GE(bound, t.head.X_MIN_MORSA);
                ASSERT_LE(bound, t.head.X_MAX_MORSA);
                // Sample the disc at the vice's top in plan: every point over the vice's band
                // lies at or before the bound (vices stand at X >= the bound).
                const double level = t.section.zMax + t.head.DELTA_H_MORSE_CL;
                const double hh = level - (z - r);
                if (hh <= 0) continue;
                const double w = hh >= r ? r : std::sqrt(r * r - (r - hh) * (r - hh));
                const double rad = A / 1000.0 * std::acos(-1.0) / 180.0;
                const int32_t across = (A >= 0 && A <= 180000) ? t.head.OFF_X_LAMA : t.head.OFF_X_LAMA + t.head.SPESS_LAMA;
                const double X = PolarXPlusCos(x, A / 1000.0, t.head.OFF_Y_LAMA, across) + t.head.DIST_LAMA -
                                 t.head.X_PAR_MAX;
                const double Y = PolarYMinusSin(cut.Y[0], A / 1000.0, t.head.OFF_Y_LAMA, across);
                for (int i = -20; i <= 20; ++i) {
                    const double u = w * i / 20.0 * 0.999;
                    const double px = X + std::cos(rad) * u, py = Y - std::sin(rad) * u;
                    if (py < front + 2 || py > back - 2 || px > t.head.X_MAX_MORSA) continue;
                    ASSERT_LE(px, bound + 2.0) << "A=" << A << " x=" << x << " z=" << z;
                }
            }
        }
    }
}

TEST(BladeGeometry, LargerHeadElementsNeverGiveLessClearance) {
    for (int32_t A = -45000; A <= 225000; A += 7500) {
        for (int32_t x = 100000; x <= 4000000; x += 975000) {
            for (int32_t z : {100000, 250000, 400000}) {
                Geo t;
                const BladeCut cut = OneVertexCut(A, z);
                int32_t last = INT32_MIN;
                for (int32_t L = 0; L <= 800000; L += 200000) {
                    t.head.L_MOTOR = L;
                    const int32_t b = t.g.ViceBoundHead1(cut, x, 1, t.head.X_MIN_MORSA, 0);
                    ASSERT_GE(b, last) << "motor A=" << A << " x=" << x << " z=" << z;
                    last = b;
                }
                last = INT32_MIN;
                for (int32_t d = 0; d <= 400000; d += 100000) {
                    t.head.DIAM_FLANGIA_LAMA = d;
                    t.head.ING_Y_MOTOR = 100000 + d;
                    const int32_t b = t.g.ViceBoundHead1(cut, x, 1, t.head.X_MIN_MORSA, 0);
                    ASSERT_GE(b, last) << "flange A=" << A << " x=" << x << " z=" << z;
                    last = b;
                }
                // The head bound never falls below the blade bound passed in.
                EXPECT_GE(t.g.ViceBoundHead1(cut, x, 1, 123456, 0), 123456);
            }
        }
    }
}

TEST(BladeGeometry, FourVertexFootprint) {
    Geo t;
    BladeCut cut = OneVertexCut(60000, 200000);
    cut.vertexCount = 4;
    cut.X[0] = 500000; cut.X[1] = 500000; cut.X[2] = 560000; cut.X[3] = 560000;
    cut.Y[0] = 0; cut.Y[1] = 0; cut.Y[2] = 100000; cut.Y[3] = 100000;
    for (int i = 0; i < 4; ++i) cut.Z[i] = 200000;
    const int32_t b = t.g.ViceBoundBlade4(cut, 900000, 0);
    EXPECT_GE(b, t.head.X_MIN_MORSA);
    EXPECT_GT(cut.footprintWidth, 0.0);
    // The deltas run along the cut direction: X out by cos A, Y in by sin A times the width.
    const double fw = cut.footprintWidth * 1000.0, c = std::cos(60 * std::acos(-1.0) / 180);
    EXPECT_NEAR(t.fields.footprintDX1, c * fw, 1.0);
    EXPECT_NEAR(t.fields.footprintDX2, -c * fw, 1.0);
    EXPECT_LT(t.fields.footprintDY1, 0);
    EXPECT_GT(t.fields.footprintDY2, 0);
    // A blade that stays above the vices has no footprint there.
    for (int i = 0; i < 4; ++i) cut.Z[i] = 2000000;
    EXPECT_EQ(t.g.ViceBoundBlade4(cut, 900000, 0), t.head.X_MIN_MORSA);
    EXPECT_EQ(cut.footprintWidth, 0.0);
}

// A four-vertex footprint that stays in front of the vice's lines still keeps the vices beyond
// its end on their side: the bound is that end's X, not the start of the vice travel.
TEST(BladeGeometry, FourVertexFootprintClearOfTheViceLinesBoundsAtItsEnd) {
    Geo t;
    BladeCut cut = OneVertexCut(60000, 200000);
    cut.vertexCount = 4;
    cut.X[0] = cut.X[1] = 500000;
    cut.X[2] = cut.X[3] = 560000;
    cut.Y[0] = cut.Y[1] = -400000; // the whole cut well in front of the vice
    cut.Y[2] = cut.Y[3] = -300000;
    for (int i = 0; i < 4; ++i) cut.Z[i] = 200000;
    const int32_t barX = 3500000;
    const int32_t b = t.g.ViceBoundBlade4(cut, barX, 0);
    const BladeHead& h = t.head;
    const int32_t shift = h.DIST_LAMA - h.X_PAR_MAX;
    const double x1 = PolarXPlusCos(barX, 60.0, h.OFF_Y_LAMA, h.OFF_X_LAMA) + shift + t.fields.footprintDX1;
    const double x2 = PolarXPlusCos(barX - 60000, 60.0, h.OFF_Y_LAMA, h.OFF_X_LAMA) + shift + t.fields.footprintDX2;
    ASSERT_GT(std::max(x1, x2), h.X_MIN_MORSA); // within the vice travel
    ASSERT_LT(std::max(x1, x2), h.X_MAX_MORSA);
    EXPECT_EQ(b, static_cast<int32_t>(std::ceil(std::max(x1, x2))));
}

} // namespace
