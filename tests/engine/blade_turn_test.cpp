// Turned cuts and the arm/motor clearance of negative and turned one-vertex cuts: the turned
// blade cuts the same kerf, and a cut that is placed leaves the blade disc, the arm and the
// motor off the vice, over a grid of angles and machine geometries.
#include <gtest/gtest.h>

#include <cmath>

#include "blade_test_machine.h"
#include "engine/blade_composition.h"

namespace {

double Rad(int32_t A) { return A / 1000.0 * std::acos(-1.0) / 180.0; }

// A head on a short travel, with the third and fourth vices far back so that only the main
// vice (X from side - DIST_MORSE34 to side, Y from front to back) limits the placing.
BladeHead ShortTravelHead(int32_t xParMax, int32_t offY) {
    BladeHead h = TestHead();
    h.OFF_Y_LAMA = offY;
    h.X_PAR_MAX = xParMax;
    h.DIST_LAMA = xParMax + 2000000;
    h.Q_MAX_LAMA = 270000;
    return h;
}

struct ViceBox {
    double farEnd, side, front, back;
    explicit ViceBox(const BladeHead& h)
        : farEnd(double(h.X_PAR_MIN) - h.DIST_MORSE_LAMA - h.DIST_MORSE34),
          side(double(h.X_PAR_MIN) - h.DIST_MORSE_LAMA),
          front(-double(h.DELTA_L_MORSE_CL)),
          back(h.L_MORSA) {}
    // Two thousandths of slack for the truncation of the reference point.
    bool Inside(double x, double y) const { return x > farEnd + 2 && x < side - 2 && y > front + 2 && y < back - 2; }
};

// Blade reference point of vertex 0 with the bar at p (frame of the position search).
void Reference(const BladeHead& h, const BladeCut& cut, int32_t p, double& x, double& y) {
    x = PolarXPlusCos(p, cut.A / 1000.0, h.OFF_Y_LAMA, h.OFF_X_LAMA + h.SPESS_LAMA);
    y = PolarYMinusSin(cut.Y[0], cut.A / 1000.0, h.OFF_Y_LAMA, h.OFF_X_LAMA + h.SPESS_LAMA);
}

// Samples the blade disc's plan segment and the arm and motor boxes (when they reach down to
// the vice's top) at p; true when none of them enters the vice.
bool HeadClearsVice(const BladeHead& h, const BladeSection& s, const BladeCut& cut, int32_t p, bool headBody) {
    const ViceBox v(h);
    double X = 0, Y = 0;
    Reference(h, cut, p, X, Y);
    const double c = std::cos(Rad(cut.A)), sn = std::sin(Rad(cut.A)), r = h.DIAM_LAMA / 2;
    for (int i = -100; i <= 100; ++i) {
        const double u = r * i / 100.0;
        if (v.Inside(X + c * u, Y - sn * u)) return false;
    }
    if (!headBody) return true;
    const double level = double(s.zMax) + h.DELTA_H_MORSE_CL;
    const auto box = [&](double u0, double u1, double w) {
        for (int i = 0; i <= 20; ++i)
            for (int j = 0; j <= 20; ++j) {
                const double u = u0 + (u1 - u0) * i / 20.0, n = -w + 2 * w * j / 20.0;
                if (v.Inside(X + c * u + sn * n, Y - sn * u + c * n)) return false;
            }
        return true;
    };
    if (cut.Z[0] - h.H_BRACCIO <= level && !box(-double(h.L_BRACCIO), 0, h.ING_Y_BRACCIO / 2.0)) return false;
    if (cut.Z[0] - h.H_MOTOR <= level &&
        !box(-double(h.L_BRACCIO) - h.L_MOTOR, -double(h.L_BRACCIO), h.ING_Y_MOTOR / 2.0))
        return false;
    return true;
}

bool Refused(int32_t p) { return p == 1 || p == 0 || p == -1; }

TEST(BladeTurn, TurnedBladeSwapsItsFacesOverTheSameKerf) {
    const BladeSection section = TestSection();
    for (int32_t offY : {-60000, 0, 1500, 60000}) {
        BladeHead h = TestHead();
        h.OFF_Y_LAMA = offY;
        BladeWorkingFields f;
        const BladeComposer comp(h, section, f);
        for (int32_t A = 10000; A < 90000; A += 4000) {
            for (int vertices : {1, 2}) {
                BladeCut cut = OneVertexCut(A);
                cut.vertexCount = vertices;
                if (vertices == 2) {
                    cut.X[1] = 560000;
                    cut.Y[1] = 120000;
                }
                const BladeCut before = cut;
                comp.TurnCut(cut);
                ASSERT_EQ(cut.A, A + 180000);
                const double a = A / 1000.0, t = cut.A / 1000.0;
                const int32_t nearX = h.OFF_X_LAMA, farX = h.OFF_X_LAMA + h.SPESS_LAMA;
                for (int i = 0; i < vertices; ++i) {
                    // The old far face (on the cut plane) is the turned near face, and back.
                    EXPECT_NEAR(PolarXPlusCos(cut.X[i], t, offY, nearX), PolarXPlusCos(before.X[i], a, offY, farX), 2);
                    EXPECT_NEAR(PolarYMinusSin(cut.Y[i], t, offY, nearX), PolarYMinusSin(before.Y[i], a, offY, farX), 2);
                    EXPECT_NEAR(PolarXPlusCos(cut.X[i], t, offY, farX), PolarXPlusCos(before.X[i], a, offY, nearX), 2);
                    EXPECT_NEAR(PolarYMinusSin(cut.Y[i], t, offY, farX), PolarYMinusSin(before.Y[i], a, offY, nearX), 2);
                }
                // The vertices not in use stay as they were (0 ends the list).
                EXPECT_EQ(cut.X[vertices], 0);
                EXPECT_EQ(cut.Y[vertices], 0);
            }
        }
    }
}

TEST(BladeTurn, TurnedCutThatIsPlacedIsInTravelAndClearsTheVice) {
    const BladeSection section = TestSection();
    int turnedPlaced = 0, turnedRefused = 0;
    for (int32_t offY : {-60000, 1500}) {
        for (int32_t xParMax = 150000; xParMax <= 700000; xParMax += 2500) {
            const BladeHead h = ShortTravelHead(xParMax, offY);
            for (int32_t A = 10000; A < 90000; A += 4000) {
                for (int32_t y0 : {0, 50000, 140000}) {
                    for (int32_t z : {150000, 400000}) {
                        BladeWorkingFields f;
                        BladeComposer comp(h, section, f);
                        BladeCut cut = OneVertexCut(A, z);
                        cut.Y[0] = y0;
                        const int32_t p = comp.CutBarPosition(cut, 1, 0, 0);
                        if (cut.A == A) continue; // not turned
                        ASSERT_EQ(cut.A, A + 180000);
                        if (Refused(p)) {
                            ++turnedRefused;
                            continue;
                        }
                        ++turnedPlaced;
                        ASSERT_GE(p, h.X_PAR_MIN) << A << " " << xParMax;
                        ASSERT_LE(p, h.X_PAR_MAX) << A << " " << xParMax;
                        ASSERT_TRUE(HeadClearsVice(h, section, cut, p, true))
                            << "A=" << A << " max=" << xParMax << " y0=" << y0 << " z=" << z << " p=" << p;
                        EXPECT_EQ(f.cutHighX, h.X_PAR_MAX);
                    }
                }
            }
        }
    }
    // The grid reaches both outcomes, so the property is not vacuous.
    EXPECT_GT(turnedPlaced, 0);
    EXPECT_GT(turnedRefused, 0);
}

TEST(BladeTurn, NegativeAndTurnedCutsKeepArmAndMotorOffTheVice) {
    const BladeSection section = TestSection();
    int shifted = 0;
    for (int32_t lMotor : {0, 200000, 500000}) {
        for (int32_t xParMax : {600000, 1500000, 4000000}) {
            BladeHead h = ShortTravelHead(xParMax, 1500);
            h.L_MOTOR = lMotor;
            for (int32_t A : {-45000, -30000, -15000, -10000, 190000, 215000, 250000}) {
                for (int32_t z : {150000, 300000, 600000}) {
                    BladeWorkingFields f;
                    BladeComposer comp(h, section, f);
                    BladeCut cut = OneVertexCut(A, z);
                    const int32_t p = comp.CutBarPosition(cut, 1, 0, 0);
                    if (Refused(p)) continue;
                    ASSERT_GE(p, h.X_PAR_MIN);
                    ASSERT_LE(p, h.X_PAR_MAX);
                    EXPECT_EQ(comp.ArmMotorViceShift(cut, p, 0), 0) << "A=" << A << " p=" << p;
                    ASSERT_TRUE(HeadClearsVice(h, section, cut, p, true)) << "A=" << A << " z=" << z << " L=" << lMotor;
                }
            }
        }
    }
    // The shift itself: over the vice it moves the head just past the side line.
    for (int32_t A : {-40000, -20000, 200000, 240000}) {
        const BladeHead h = ShortTravelHead(4000000, 1500);
        BladeWorkingFields f;
        const BladeComposer comp(h, section, f);
        const BladeCut cut = OneVertexCut(A, 150000);
        for (int32_t p = -400000; p <= 600000; p += 25000) {
            const int32_t e = comp.ArmMotorViceShift(cut, p, 0);
            ASSERT_GE(e, 0);
            if (e == 0) continue;
            ++shifted;
            EXPECT_EQ(comp.ArmMotorViceShift(cut, p + e, 0), 0) << A << " " << p;
            EXPECT_TRUE(HeadClearsVice(h, section, cut, p + e, true)) << A << " " << p;
        }
    }
    EXPECT_GT(shifted, 0);
}

TEST(BladeTurn, LongerMotorNeverGivesLessClearance) {
    const BladeSection section = TestSection();
    for (int32_t A : {-45000, -25000, -10000, 185000, 200000, 230000, 260000}) {
        for (int32_t p = -300000; p <= 600000; p += 50000) {
            for (int32_t z : {150000, 250000}) {
                int32_t last = -1;
                for (int32_t lMotor = 0; lMotor <= 800000; lMotor += 100000) {
                    BladeHead h = ShortTravelHead(4000000, 1500);
                    h.L_MOTOR = lMotor;
                    BladeWorkingFields f;
                    const BladeComposer comp(h, section, f);
                    const int32_t e = comp.ArmMotorViceShift(OneVertexCut(A, z), p, 0);
                    ASSERT_GE(e, last) << "A=" << A << " p=" << p << " L=" << lMotor;
                    last = e;
                }
            }
        }
    }
}

} // namespace
