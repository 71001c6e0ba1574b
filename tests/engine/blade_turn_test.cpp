// Turned cuts and the arm/motor clearance of negative and turned one-vertex cuts: the turned
// blade cuts the same kerf, and a cut that is placed leaves the blade disc, the arm and the
// motor off the vice, over a grid of angles and machine geometries.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

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
                // The turned X stand in the turned head's frame: back from it, the same kerf.
                const int32_t move = h.DIST_MORSE_LAMA - h.X_PAR_MAX + h.DIST_LAMA +
                                     static_cast<int32_t>(std::trunc(h.OFF_X_LAMA / std::sin(Rad(cut.A))));
                for (int i = 0; i < vertices; ++i) cut.X[i] -= move;
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

// A head that turns to 270 degrees refuses a cut below square only where a head that cannot
// turn refuses it too; a cut it places, turned or not, stands in the travel with the blade disc
// off the vice (and, turned, the arm and motor as well).
TEST(BladeTurn, TurningHeadRefusesOnlyWhatAFixedHeadRefuses) {
    const BladeSection section = TestSection();
    int turned = 0, kept = 0, refused = 0;
    for (int32_t offY : {-60000, 1500}) {
        for (int32_t xParMax = 150000; xParMax <= 700000; xParMax += 2500) {
            const BladeHead h = ShortTravelHead(xParMax, offY);
            BladeHead fixedHead = h;
            fixedHead.Q_MAX_LAMA = 90000;
            for (int32_t A = 10000; A < 90000; A += 4000) {
                for (int32_t y0 : {0, 50000, 140000}) {
                    for (int32_t z : {150000, 400000}) {
                        BladeWorkingFields f, ff;
                        BladeComposer comp(h, section, f), fixedComp(fixedHead, section, ff);
                        BladeCut cut = OneVertexCut(A, z), fixedCut = cut;
                        cut.Y[0] = fixedCut.Y[0] = y0;
                        const int32_t p = comp.CutBarPosition(cut, 1, 0, 0);
                        const int32_t pf = fixedComp.CutBarPosition(fixedCut, 1, 0, 0);
                        SCOPED_TRACE(testing::Message() << "A=" << A << " max=" << xParMax << " y0=" << y0 << " z=" << z);
                        // The callers refuse a position outside the travel as they refuse 1, 0 and -1.
                        const auto refusal = [&](int32_t v) { return Refused(v) || v < h.X_PAR_MIN || v > h.X_PAR_MAX; };
                        if (refusal(p)) {
                            ++refused;
                            ASSERT_TRUE(refusal(pf)) << "placed at " << pf << " by a head that cannot turn";
                            continue;
                        }
                        const bool turnedCut = cut.A != A;
                        if (turnedCut) {
                            ASSERT_EQ(cut.A, A + 180000);
                            EXPECT_EQ(f.cutHighX, h.X_PAR_MAX);
                        }
                        ++(turnedCut ? turned : kept);
                        ASSERT_TRUE(HeadClearsVice(h, section, cut, p, turnedCut)) << "p=" << p;
                    }
                }
            }
        }
    }
    EXPECT_GT(kept, 0);
    EXPECT_GT(refused, 0);
    EXPECT_GT(turned + kept, refused);
}

// On the demo's head (travel 50 to 750 mm, the third and fourth vices 400 mm from the blade,
// their support 30 mm nearer) an angled cut stands at the first position where its disc clears
// the vice, within the travel, never pushed to the travel's end: a little nearer the vice the
// disc meets it (or the travel starts), and the disc stays beyond the third and fourth vices'
// support, which the U axis holds at the cut's X less DIST_MORSE34 plus DELTA_X_SUPPORTO_34.
TEST(BladeTurn, AngledCutsStandPastTheViceWithinTheDemoTravel) {
    const BladeSection section = TestSection();
    BladeHead h = TestHead();
    h.X_PAR_MIN = 50000;
    h.X_PAR_MAX = 750000;
    h.DIST_LAMA = 350000;
    h.DIST_MORSE_LAMA = 150000;
    h.DIST_MORSE34 = 400000;
    h.DELTA_X_SUPPORTO_34 = 30000;
    h.SPESS_LAMA = 4200;
    h.OFF_X_LAMA = h.OFF_Y_LAMA = 0;
    h.Q_MIN_LAMA = -90000;
    h.Q_MAX_LAMA = 90000;
    const double r = h.DIAM_LAMA / 2;
    for (int32_t A : {20000, 30000, 45000, 60000, 120000, 135000, 150000}) {
        for (int32_t y0 : {0, 50000, 100000}) {
            SCOPED_TRACE(testing::Message() << "A=" << A << " y0=" << y0);
            BladeWorkingFields f;
            BladeComposer comp(h, section, f);
            BladeCut cut = OneVertexCut(A, 150000);
            cut.Y[0] = y0;
            const int32_t p = comp.CutBarPosition(cut, 1, 0, 0);
            ASSERT_GE(p, h.X_PAR_MIN);
            ASSERT_LT(p, h.X_PAR_MAX);
            EXPECT_TRUE(HeadClearsVice(h, section, cut, p, false));
            const int32_t nearer = p - 2 * h.SPESS_LAMA - 2000;
            EXPECT_TRUE(nearer < h.X_PAR_MIN || !HeadClearsVice(h, section, cut, nearer, false)) << "p=" << p;
            double x = 0, y = 0;
            Reference(h, cut, p, x, y);
            EXPECT_GE(x - std::fabs(std::cos(Rad(A))) * r, double(p) + h.DELTA_X_SUPPORTO_34 - h.DIST_MORSE34);
        }
    }
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

// ---------------------------------------------------------------- blade against the vice

// The blade disc of radius half DIAM_LAMA turned by A, in plan view: the segment of that
// half-length about each reference point and the stretch between them, sampled.
struct DiscSamples {
    std::vector<std::pair<double, double>> pts;
    DiscSamples(const BladeHead& h, int32_t A, const double px[2], const double py[2]) {
        const double c = std::cos(Rad(A)), s = std::sin(Rad(A)), r = h.DIAM_LAMA / 2;
        for (int i = 0; i < 2; ++i)
            for (int k = -400; k <= 400; ++k) pts.emplace_back(px[i] + c * r * k / 400.0, py[i] - s * r * k / 400.0);
        for (int k = 0; k <= 400; ++k)
            pts.emplace_back(px[0] + (px[1] - px[0]) * k / 400.0, py[0] + (py[1] - py[0]) * k / 400.0);
    }
    // Whether a sample, moved by dx, lies in the vice grown (slack > 0) or shrunk (< 0).
    bool Meets(const BladeHead& h, double dx, double slack) const {
        const ViceBox v(h);
        for (const auto& p : pts) {
            const double x = p.first + dx, y = p.second;
            if (x > v.farEnd - slack && x < v.side + slack && y > v.front - slack && y < v.back + slack) return true;
        }
        return false;
    }
};

// Over the angle classes, the sections across the bar, the blade's offset along the cut and
// one- and two-vertex cuts, placing the cut against the vice meets the vice exactly when the
// blade disc does, the rule for reference points in front of (behind) the vice included; and
// the position found when it meets takes the disc clear of the vice.
TEST(BladeCollision, PlacingAgainstTheViceDecidesAsTheBladeDisc) {
    const BladeSection section = TestSection();
    int met = 0, clear = 0, passedByRule = 0;
    for (int32_t offY : {-30000, 1500, 30000}) {
        BladeHead h = TestHead();
        h.OFF_Y_LAMA = offY;
        const int32_t across = h.OFF_X_LAMA + h.SPESS_LAMA;
        for (int32_t A = -45000; A <= 225000; A += 5000) {
            const bool toVices = A < 0 || (A > 90000 && A < 180000);
            if (A == 0 || A == 90000 || A == 180000) continue;
            const double s = std::sin(Rad(A)), c = std::cos(Rad(A));
            for (int vertices : {1, 2}) {
                for (int32_t y0 = -150000; y0 <= 300000; y0 += 10000) {
                    BladeWorkingFields f;
                    BladeComposer comp(h, section, f);
                    BladeCut cut = OneVertexCut(A, 150000);
                    cut.Y[0] = y0;
                    int32_t span = 0;
                    if (vertices == 2) { // the second pass further along the same cut line
                        cut.vertexCount = 2;
                        cut.Y[1] = y0 + 40000;
                        cut.X[1] = cut.X[0] - static_cast<int32_t>(std::trunc(40000 * c / s));
                        span = std::abs(cut.X[1] - cut.X[0]);
                    }
                    bool hits = false;
                    const int32_t pos = comp.BladePositionAgainstVice(cut, vertices, 0, toVices, span, hits);
                    const int32_t base = toVices ? h.X_PAR_MIN : h.X_PAR_MIN + span;
                    double px[2], py[2];
                    const int k = vertices - 1;
                    for (int i = 0; i < 2; ++i) {
                        const int v = i == 0 ? 0 : k;
                        px[i] = PolarXPlusCos(base + cut.X[v] - cut.X[0], A / 1000.0, offY, across);
                        py[i] = PolarYMinusSin(cut.Y[v], A / 1000.0, offY, across);
                    }
                    const DiscSamples disc(h, A, px, py);
                    // Within a millimetre of the vice's outline the samples (0.625 mm apart) cannot tell.
                    const bool surely = disc.Meets(h, 0, -1000), maybe = disc.Meets(h, 0, 1000);
                    if (surely != maybe) continue;
                    ASSERT_EQ(hits, surely) << "A=" << A << " offY=" << offY << " y0=" << y0 << " n=" << vertices;
                    if (hits) {
                        ++met;
                        EXPECT_FALSE(disc.Meets(h, pos - px[0], 0)) << "A=" << A << " y0=" << y0;
                    } else {
                        ++clear;
                        const bool beyond = toVices ? (py[0] <= -h.DELTA_L_MORSE_CL && py[1] <= -h.DELTA_L_MORSE_CL)
                                                    : (py[0] >= h.L_MORSA && py[1] >= h.L_MORSA);
                        const ViceBox v(h);
                        for (const auto& p : disc.pts)
                            if (beyond && p.second > v.front && p.second < v.back) {
                                ++passedByRule; // the disc reaches over the vice's line, away from its body
                                break;
                            }
                    }
                }
            }
        }
    }
    EXPECT_GT(met, 100);
    EXPECT_GT(clear, 100);
    EXPECT_GT(passedByRule, 10);
}

// The head turns a cut below square only when its blade meets the vice, the head can turn it
// (three vertices at most) and the turned blade clears the vice; otherwise the cut keeps its
// angle and is placed as on a head that cannot turn.
TEST(BladeCollision, CutTurnsOnlyWhereTheTurnedBladeClearsTheVice) {
    const BladeSection section = TestSection();
    int turned = 0, kept = 0, meetsBothWays = 0;
    for (int32_t offY : {-60000, 1500, 60000}) {
        for (int32_t qMax : {270000, 225000, 180000}) {
            BladeHead h = TestHead();
            h.OFF_Y_LAMA = offY;
            h.Q_MAX_LAMA = qMax;
            BladeHead fixedHead = h;
            fixedHead.Q_MAX_LAMA = 90000;
            for (int32_t A = 10000; A < 90000; A += 5000) {
                for (int32_t y0 = -100000; y0 <= 250000; y0 += 25000) {
                    BladeWorkingFields f, ff;
                    BladeComposer comp(h, section, f), fixedComp(fixedHead, section, ff);
                    BladeCut cut = OneVertexCut(A, 150000);
                    cut.Y[0] = y0;
                    BladeCut probe = cut, turnedProbe = cut, fixedCut = cut;
                    bool meets = false, turnedMeets = false;
                    comp.BladePositionAgainstVice(probe, 1, 0, false, 0, meets);
                    comp.TurnCut(turnedProbe);
                    comp.BladePositionAgainstVice(turnedProbe, 1, 0, false, 0, turnedMeets);
                    const int32_t p = comp.CutBarPosition(cut, 1, 0, 0);
                    const bool turns = meets && A + 180000 < qMax && !turnedMeets;
                    meetsBothWays += meets && turnedMeets ? 1 : 0;
                    ASSERT_EQ(cut.A, turns ? A + 180000 : A) << "A=" << A << " y0=" << y0 << " offY=" << offY;
                    if (turns) {
                        ++turned;
                        continue;
                    }
                    ++kept;
                    EXPECT_EQ(p, fixedComp.CutBarPosition(fixedCut, 1, 0, 0)) << "A=" << A << " y0=" << y0;
                }
            }
        }
    }
    EXPECT_GT(kept, 0);
    EXPECT_GT(meetsBothWays, 0);
    EXPECT_GT(turned, 0); // a blade offset along the cut line can take the turned disc clear
}

} // namespace
