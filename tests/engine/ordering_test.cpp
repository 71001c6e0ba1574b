// Ordering of records into positionings, ralla angles of a run, speeds, marks and the elaborated
// report sections, on small record sets built by hand.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/ordering.h"
#include "engine_fixture.h"
#include "machine/units.h"
#include "platform/text.h"
#include "../../engine/src/ordering_internal.h"

namespace enginetest {
namespace {

class OrderingTest : public EngineTest {
protected:
    // A bar of 6 m without pieces whose records the test builds; tools 1..4 on T1..T4.
    BarComputation& MakeBar(int variant) {
        if (variant != 1) Reinstall(variant, variant == 0 ? "CONF-V0" : "CONF-V2");
        for (int p = 0; p < kRallaMaxPositions; ++p) g_pRallaTools->positionTools[p] = p < 4 ? p + 1 : 0;
        BarComputation& bc = Open(List({Bar({Piece("A", 1000000)}, 6000000)}));
        EXPECT_EQ(bc.BarCount(), 1);
        bc.FreeBarDetail();
        bc.currentBar = bc.Bar(0);
        bc.currentBar->length = 6000000;
        bc.currentBar->extraLength1 = bc.currentBar->extraLength2 = 100000;
        bc.currentBar->shortAccepted = 0;
        MachineSettings& s = *g_pSettings;
        s.X_TRAVEL_MIN = 0;
        s.X_TRAVEL_MAX = 1000000;
        s.DIST_MORSE = 500000;
        s.MAX_SBALZO = 0;
        s.MORSE_SUPP = 0;
        s.ROT_OLTRE_MAX = 0;
        bc.currentRallaAngle = 0;
        return bc;
    }

    WorkingMachining& Add(BarComputation& bc, int kind, int32_t xm = 0, int32_t xM = 0) {
        WorkingMachining* m = bc.NewRecord();
        m->Id = static_cast<int32_t>(bc.records.size()) + 1;
        m->active = 1;
        m->TipoLavor = kind;
        m->Xm = m->XFm = xm;
        m->XM = m->XFM = xM;
        m->X = xm;
        m->YFm = -5000;
        m->YFM = 5000;
        m->Uten = 1;
        bc.records.push_back(m);
        bc.order.push_back(m);
        bc.orderedRecords = static_cast<int32_t>(bc.order.size());
        bc.recordCount = bc.orderedRecords;
        return *m;
    }

    static int IndexOf(const BarComputation& bc, const WorkingMachining& m) {
        for (std::size_t i = 0; i < bc.order.size(); ++i)
            if (bc.order[i] == &m) return static_cast<int>(i);
        return -1;
    }
};

// ---------------------------------------------------------------- links

TEST_F(OrderingTest, LinksFollowFigureSixAndDepth) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& plain = Add(bc, kKindRalla, 0, 10000);
    WorkingMachining& tap = Add(bc, kKindRalla, 1000, 10000);
    tap.Figura = 6;
    tap.stepDepth = 1000; // shallower, still goes after: figure 6 decides
    plain.stepDepth = 9000;
    WorkingMachining& level = Add(bc, kKindRalla, 2000, 10000);
    level.stepDepth = 9000; // same depth as plain: no link between them
    WorkingMachining& beyond = Add(bc, kKindRalla, 20000, 30000);
    beyond.stepDepth = 50000; // starts beyond every other XFM: never linked
    ASSERT_EQ(BuildPrecedenceLinks(bc), 0);
    EXPECT_EQ(bc.linksExist, 1);
    ASSERT_EQ(plain.Lav_afterCount, 1);
    EXPECT_EQ(plain.Lav_after[0], tap.Id); // links hold the other record's Id
    ASSERT_EQ(tap.LavBeforeCount, 2);
    EXPECT_EQ(tap.LavBefore[0], plain.Id);
    EXPECT_EQ(tap.LavBefore[1], level.Id);
    EXPECT_EQ(level.LavBeforeCount, 0);
    EXPECT_EQ(beyond.Lav_afterCount + beyond.LavBeforeCount, 0);
}

TEST_F(OrderingTest, FortiethLinkFailsTheOrdering) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& shallow = Add(bc, kKindRalla, 0, 1000000);
    for (int i = 0; i < 40; ++i) Add(bc, kKindRalla, 1 + i, 100).stepDepth = 5000;
    EXPECT_EQ(OrderMachinings(bc), 1);
    EXPECT_EQ(shallow.LavBeforeCount, 39);
    EXPECT_EQ(shallow.Flags & 6, 6);
    EXPECT_NE(std::strstr(g_errorText, Err("TOO_LAV_AFTER").c_str()), nullptr);
    EXPECT_NE(std::strstr(g_errorText, ("ID_LAV=" + std::to_string(shallow.Id)).c_str()), nullptr);
}

// ---------------------------------------------------------------- walks

TEST_F(OrderingTest, EmptyBarOrdersOnEveryVariant) {
    for (int v : {0, 1, 2}) {
        SCOPED_TRACE(v);
        BarComputation& bc = MakeBar(v);
        EXPECT_EQ(OrderMachinings(bc), 0);
        EXPECT_EQ(ElaborateMachinings(bc, 1, 1), 0) << g_errorText;
    }
}

TEST_F(OrderingTest, Variant2CutsShareAndKindsFollowTheBarEnds) {
    BarComputation& bc = MakeBar(2);
    MachineSettings& s = *g_pSettings;
    s.SPESS_LAMA = 4000;
    s.DIST_LAMA = 100000;
    s.CORR_X_LAME = 1000;
    s.CORR_P_LAME = 500;
    s.SCARTO_POSIZ = 2000;
    WorkingMachining& c90 = Add(bc, kKindEndCut, 3000000, 3000000);
    c90.ATaglio = 90000;
    WorkingMachining& c135 = Add(bc, kKindEndCut, 2998000, 2998000); // 2 mm after: within the gap
    c135.ATaglio = 135000;
    WorkingMachining& c45 = Add(bc, kKindEndCut, 2990000, 2990000);
    c45.ATaglio = 45000;
    c45.OwnPositioning = 1;
    WorkingMachining& notch = Add(bc, kKindFigure6000, 50000, 60000);
    WorkingMachining& tail = Add(bc, kKindRalla, 5600000, 5700000); // less than DIST_MORSE behind it
    ASSERT_EQ(OrderMachinings(bc), 0);
    EXPECT_EQ(c90.Xcaric, 3000000 - 100000);
    EXPECT_EQ(c135.Xcaric, 2998000 - 100000 - 1000);
    EXPECT_EQ(c45.Xcaric, c135.Xcaric);
    EXPECT_EQ(c45.OwnPositioning, 0);
    EXPECT_EQ(c90.TipoCaric, 23);
    EXPECT_EQ(notch.Xcaric, 50000 - 2000 - 101000);
    EXPECT_EQ(notch.TipoCaric, 11);
    EXPECT_EQ(tail.TipoCaric, 1);
    for (const WorkingMachining* m : bc.order) EXPECT_EQ(m->OrderState, 3);
}

TEST_F(OrderingTest, Variant0WindowBoundIsStrokeWithoutOverhang) {
    BarComputation& bc = MakeBar(0);
    WorkingMachining& m1 = Add(bc, kKindRalla, 5000000, 5010000);
    WorkingMachining& m2 = Add(bc, kKindRalla, 4200000, 4210000);
    WorkingMachining& m3 = Add(bc, kKindRalla, 3990000, 4000000); // below M - S
    ASSERT_EQ(OrderMachinings(bc), 0);
    EXPECT_EQ(m1.Xcaric, 6000000 - 4200000);
    EXPECT_EQ(m2.Xcaric, m1.Xcaric);
    EXPECT_EQ(m1.TipoCaric, 21);
    EXPECT_EQ(m3.Xcaric, 6000000 - 3990000);
    // The second leader does not lie beyond the first: same pass.
    EXPECT_EQ(m3.PosGroup, 1);
    EXPECT_LT(IndexOf(bc, m1), IndexOf(bc, m3));
}

TEST_F(OrderingTest, PendingLeaderWaitsForItsSetAndOpensANewPass) {
    BarComputation& bc = MakeBar(0);
    WorkingMachining& later = Add(bc, kKindRalla, 5000000, 5010000);
    later.Insieme = 1;
    later.Priorita = 2;
    WorkingMachining& first = Add(bc, kKindRalla, 3990000, 4000000);
    first.Insieme = 1;
    first.Priorita = 1;
    first.Angolo = later.Angolo = 0;
    first.RY = 100000; // no overlap: no automatic link
    ASSERT_EQ(OrderMachinings(bc), 0);
    EXPECT_EQ(first.PosGroup, 1);
    EXPECT_EQ(later.PosGroup, 2); // its leader lies beyond the previous one
    EXPECT_EQ(bc.order[0], &first);
    EXPECT_EQ(bc.pendingCount, 0);
}

TEST_F(OrderingTest, MutualLinksNeverStopTheWalk) {
    for (int v : {0, 1}) {
        SCOPED_TRACE(v);
        BarComputation& bc = MakeBar(v);
        WorkingMachining& a = Add(bc, kKindRalla, 5000000, 5010000);
        WorkingMachining& b = Add(bc, kKindRalla, 3000000, 3010000);
        WorkingMachining& c = Add(bc, kKindRalla, 1000000, 1010000);
        a.Angolo = 10000;
        b.Angolo = 20000;
        c.Angolo = 30000;
        a.Lav_after[a.Lav_afterCount++] = b.Id;
        b.Lav_after[b.Lav_afterCount++] = c.Id;
        c.Lav_after[c.Lav_afterCount++] = a.Id;
        a.Insieme = b.Insieme = c.Insieme = 5;
        a.Priorita = 3;
        b.Priorita = 2;
        c.Priorita = 1;
        bc.linksExist = 1;
        ASSERT_EQ(OrderMachinings(bc), 0);
        for (const WorkingMachining* m : bc.order) EXPECT_EQ(m->OrderState, 3);
        EXPECT_EQ(ElaborateMachinings(bc, 0, 0), 0);
    }
}

TEST_F(OrderingTest, Variant1CutWithGreatestReachHasItsOwnPositioning) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& cut = Add(bc, kKindEndCut, 5090000, 5100000);
    WorkingMachining& m = Add(bc, kKindRalla, 5050000, 5060000);
    ASSERT_EQ(OrderMachinings(bc), 0);
    EXPECT_EQ(cut.TipoCaric, 22);
    EXPECT_EQ(m.TipoCaric, 21);
    EXPECT_EQ(m.Xcaric, 6000000 - 5050000);
    EXPECT_NE(cut.Xcaric, m.Xcaric);
}

// A two-pass angled end cut that leads a positioning is placed by its last pass: the bar stands
// where that pass alone would put it, and the first pass moves with the bar, keeping its
// distance to the last one along X.
TEST_F(OrderingTest, Variant1TwoPassCutIsPlacedByItsLastPass) {
    struct Placed {
        int32_t xcaric, first, last;
    };
    auto place = [&](int passes) {
        BarComputation& bc = MakeBar(1);
        WorkingMachining& cut = Add(bc, kKindEndCut, 40000, 50000); // leads a positioning of kind 11
        cut.ATaglio = 135000;
        cut.cutAngle = 135.0;
        cut.cutPointMode = 1; // planned against the section
        const int32_t x[2] = {30000, 90000}, y[2] = {10000, 40000};
        for (int k = 0; k < passes; ++k) {
            const int from = 2 - passes + k;
            cut.cutPointX[k] = x[from];
            cut.cutPointY[k] = y[from];
            cut.cutPointFlags[k] = 32;
        }
        EXPECT_EQ(OrderMachinings(bc), 0);
        EXPECT_EQ(cut.TipoCaric, 11);
        return Placed{cut.Xcaric, cut.cutPointX[0], cut.cutPointX[passes - 1]};
    };
    const Placed two = place(2), last = place(1);
    EXPECT_EQ(two.xcaric, last.xcaric);
    EXPECT_EQ(two.last, last.last);
    EXPECT_NEAR(two.first - two.last, 30000 - 90000, 2);
}

// ---------------------------------------------------------------- ralla angle

TEST_F(OrderingTest, RallaAngleDeltaWrapsAndMayTurnPastHalf) {
    BarComputation& bc = MakeBar(1);
    EXPECT_EQ(RallaAngleDelta(bc, 170000, 0), 170000);
    EXPECT_EQ(RallaAngleDelta(bc, -170000, 2), 10000);   // -350000 wraps
    EXPECT_EQ(RallaAngleDelta(bc, -100000, 1), 170000);  // -190000 wraps
    EXPECT_EQ(RallaAngleDelta(bc, 180000, 0), 180000);   // 180000 stays
    EXPECT_EQ(RallaAngleDelta(bc, 90000, 3), -180000);   // -180000 stays
    g_pSettings->ROT_OLTRE_MAX = 20000;
    bc.currentRallaAngle = 150000;
    EXPECT_EQ(RallaAngleDelta(bc, 170000, 0), 20000);
    bc.currentRallaAngle = -150000;
    EXPECT_EQ(RallaAngleDelta(bc, 170000, 0), -40000);   // over the top the short way
}

TEST_F(OrderingTest, NoRallaPositionGivesNoTurn) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& m = Add(bc, kKindRalla);
    bc.currentRallaAngle = 45000;
    g_rallaPositions = 0;
    ChooseRallaPosition(bc, m);
    EXPECT_EQ(m.rallaPosition, 0);
    EXPECT_EQ(m.RallaDelta, 360001);
    EXPECT_EQ(m.Pos_Ralla, 45000 + 360001);
    g_rallaPositions = 4;
    m.Uten = 7; // on no position
    ChooseRallaPosition(bc, m);
    EXPECT_EQ(m.RallaDelta, 360001);
    m.Uten = 2;
    m.Angolo = 90000;
    ChooseRallaPosition(bc, m);
    EXPECT_EQ(m.rallaPosition, 1);
    EXPECT_EQ(m.RallaDelta, -45000);
    EXPECT_EQ(m.Pos_Ralla, 0);
}

TEST_F(OrderingTest, RunKeepsAFaceThatNeedsNoTurn) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& a = Add(bc, kKindRalla);
    a.Angolo = 0;
    WorkingMachining& b = Add(bc, kKindRalla);
    b.Angolo = 90000;
    bc.currentRallaAngle = 90000;
    RunState st;
    OrderRun(bc, 0, 2, 11, st);
    EXPECT_EQ(bc.order[0], &b);
    EXPECT_EQ(b.RallaDelta, 0);
    EXPECT_EQ(bc.currentRallaAngle, 0);
}

TEST_F(OrderingTest, EqualTurnsFollowTheSignOfTheCurrentAngle) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& plus = Add(bc, kKindRalla);
    plus.Angolo = 90000; // +90
    WorkingMachining& minus = Add(bc, kKindRalla);
    minus.Angolo = -90000; // -90
    RunState st;
    bc.currentRallaAngle = 0;
    OrderRun(bc, 0, 2, 11, st);
    EXPECT_EQ(bc.order[0], &plus);

    bc.order = {&plus, &minus};
    plus.Angolo = 0;         // +90 from -90
    minus.Angolo = -180000;  // -90 from -90
    bc.currentRallaAngle = -90000;
    bc.elaborationFlag = 0; // no run angle chosen yet, as at the start of an elaboration
    RunState st2;
    OrderRun(bc, 0, 2, 11, st2);
    EXPECT_EQ(bc.order[0], &minus);
    EXPECT_EQ(minus.RallaDelta, -90000);
}

TEST_F(OrderingTest, OneFaceTurnsTheSmallerSideFirst) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining* m[4];
    for (int t = 0; t < 4; ++t) {
        m[t] = &Add(bc, kKindRalla);
        m[t]->Uten = t + 1; // T1..T4: turns 0, -90, -180, +90 onto face 0
    }
    RunState st;
    OrderRun(bc, 0, 4, 11, st);
    EXPECT_EQ(bc.order[0], m[0]);
    EXPECT_EQ(bc.order[1], m[3]);
    EXPECT_EQ(bc.order[2], m[2]);
    EXPECT_EQ(bc.order[3], m[1]);
}

// The rotation direction is the run's: the first face (only a negative turn) leaves it
// negative-first, and the second face, whose two turns are equal and opposite (+45 on T2, -45
// on T3 from -20 degrees), keeps it.
TEST_F(OrderingTest, EqualOppositeTurnsKeepTheRunsDirectionFromFaceToFace) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& first = Add(bc, kKindRalla);
    first.Angolo = -20000; // T1: -20
    WorkingMachining& plus = Add(bc, kKindRalla);
    plus.Uten = 2;
    plus.Angolo = 115000; // T2: +25 from 0, +45 from -20
    WorkingMachining& minus = Add(bc, kKindRalla);
    minus.Uten = 3;
    minus.Angolo = 115000; // T3: -65 from 0, -45 from -20
    RunState st;
    OrderRun(bc, 0, 3, 11, st);
    EXPECT_EQ(bc.order[0], &first);
    EXPECT_EQ(bc.order[1], &minus);
    EXPECT_EQ(bc.order[2], &plus);
}

TEST_F(OrderingTest, RunDirectionsByPositioningKind) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& near = Add(bc, kKindRalla, 1000, 2000);
    WorkingMachining& far = Add(bc, kKindRalla, 9000, 9500);
    RunState st;
    OrderRun(bc, 0, 2, 1, st); // kind 1: decreasing X
    EXPECT_EQ(bc.order[0], &far);
    OrderRun(bc, 0, 2, 11, st); // kind 11: increasing X
    EXPECT_EQ(bc.order[0], &near);

    // Kinds 21..23 flip the direction after each turn: face 0 on T1, then on T2.
    WorkingMachining& near2 = Add(bc, kKindRalla, 1000, 2000);
    WorkingMachining& far2 = Add(bc, kKindRalla, 9000, 9500);
    near2.Uten = far2.Uten = 2;
    bc.currentRallaAngle = 0;
    bc.elaborationMode = 1;
    OrderRun(bc, 0, 4, 21, st);
    EXPECT_EQ(bc.order[0], &near);
    EXPECT_EQ(bc.order[1], &far);
    EXPECT_EQ(bc.order[2], &far2);
    EXPECT_EQ(bc.order[3], &near2);
}

TEST_F(OrderingTest, SetMemberWaitsForLowerPriorityInItsRun) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& second = Add(bc, kKindRalla, 0, 100);
    second.Insieme = 1;
    second.Priorita = 2;
    WorkingMachining& first = Add(bc, kKindRalla, 1000, 1100);
    first.Insieme = 1;
    first.Priorita = 1;
    bc.setsUsed = 1;
    RunState st;
    OrderRun(bc, 0, 2, 11, st);
    EXPECT_EQ(bc.order[0], &first);
    EXPECT_EQ(bc.order[1], &second);
    EXPECT_EQ(bc.pendingCount, 0);

    // Two records each waiting for the other are placed as they stand, never spun on.
    second.Insieme = first.Insieme = 0;
    first.Lav_after[first.Lav_afterCount++] = second.Id;
    second.Lav_after[second.Lav_afterCount++] = first.Id;
    bc.setsUsed = 0;
    bc.linksExist = 1;
    OrderRun(bc, 0, 2, 11, st);
    EXPECT_EQ(bc.order[0]->OrderState, 1);
    EXPECT_EQ(bc.order[1]->OrderState, 1);
}

// ---------------------------------------------------------------- speeds and marks

class SpeedTest : public OrderingTest {
protected:
    int AddTool(int kind, int32_t diameter, int32_t speed = 0, int32_t feed = 0, int32_t plunge = 0) {
        ToolRecord t;
        std::snprintf(t.name, sizeof t.name, "S%d", g_pRallaTools->Count());
        t.kind = kind;
        t.diameter[0] = diameter;
        t.speed = speed;
        t.feed = feed;
        t.plunge = plunge;
        g_pRallaTools->tools.push_back(t);
        return g_pRallaTools->Count() - 1;
    }
    void SetUp() override {
        OrderingTest::SetUp();
        MachineSettings& s = *g_pSettings;
        s.MAX_VEL_ROT = 18000;
        s.VEL_TAGLIO = 300000;
        s.VEL_ASPORT = 500;
        s.VEL_SFOND = 2000;
        s.CK_LIMITS = 1;
    }
};

TEST_F(SpeedTest, SpeedsFromToolAndMachine) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& zero = Add(bc, kKindRalla);
    zero.Uten = AddTool(0, 0);
    WorkingMachining& ten = Add(bc, kKindRalla);
    ten.Uten = AddTool(0, 10000);
    WorkingMachining& same = Add(bc, kKindRalla); // same tool and diameter: copied
    same.Uten = ten.Uten;
    WorkingMachining& thin = Add(bc, kKindRalla);
    thin.Uten = AddTool(0, 1000);
    WorkingMachining& tap = Add(bc, kKindRalla);
    tap.Uten = AddTool(4, 6000, 500, 1000, 20);
    tap.Figura = 6;
    EXPECT_EQ(CheckMachiningSpeeds(bc), 0);
    EXPECT_EQ(zero.Vel_rot, 18000);
    EXPECT_EQ(ten.Vel_rot, 9549); // 300 m/min over 10 mm
    EXPECT_EQ(ten.Vel_lav, 9549 * 500 / 1000);
    EXPECT_EQ(ten.Vel_sfond, 2000);
    EXPECT_EQ(same.Vel_rot, ten.Vel_rot);
    EXPECT_EQ(same.Vel_lav, ten.Vel_lav);
    EXPECT_EQ(same.Vel_sfond, ten.Vel_sfond);
    EXPECT_EQ(thin.Vel_rot, 18000); // 95492 capped
    EXPECT_EQ(tap.Vel_rot, 500);
    EXPECT_EQ(tap.Vel_lav, 500);
    EXPECT_EQ(tap.Vel_sfond, 500 - 500 * 20 / 100);
}

TEST_F(SpeedTest, OwnSpeedOutOfRangeReachesTheCaller) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& m = Add(bc, kKindRalla, 100000, 110000);
    m.Uten = 1;
    m.ownSpeeds[1] = 2000; // feed per revolution 200 tenths: above 99
    m.speedGiven = 1;
    ElaborationWarnings w;
    EXPECT_EQ(ElaborateMachinings(bc, 1, 1, &w), 0) << g_errorText;
    ASSERT_EQ(w.texts.size(), 1u);
    EXPECT_NE(w.texts[0].find(Err("ERR_WRONG_SPEED")), std::string::npos);
    EXPECT_EQ(m.Flags & 4, 4);

    g_pSettings->CK_LIMITS = 0;
    ElaborationWarnings none;
    EXPECT_EQ(CheckMachiningSpeeds(bc, &none), 0);
    EXPECT_TRUE(none.empty());
}

TEST_F(OrderingTest, SquareCutPairsAndSupportZones) {
    BarComputation& bc = MakeBar(1);
    g_pSettings->TIPO_SCARIC = 3;
    WorkingMachining& c1 = Add(bc, kKindEndCut);
    WorkingMachining& m = Add(bc, kKindRalla);
    WorkingMachining& c2 = Add(bc, kKindEndCut);
    for (WorkingMachining* c : {&c1, &c2}) {
        c->CutMode = 2;
        c->ATaglio = 90000;
    }
    bc.tailClampCode = 264;
    MarkDoubleSquareCuts(bc);
    EXPECT_EQ(c1.CutMode, 514);
    EXPECT_EQ(c2.CutMode, 2);
    bc.tailClampCode = 258;
    MarkDoubleSquareCuts(bc);
    EXPECT_EQ(c2.CutMode, 514);

    MachineSettings& s = *g_pSettings;
    s.MORSE_SUPP = 1;
    s.MORSE_SUPP_X1 = 100000;
    s.MORSE_SUPP_X2 = 200000;
    s.MORSE_SUPP_X3 = 300000;
    m.Xcaric = 6000000;
    m.XFm = 250000;
    SetSupportZones(bc);
    EXPECT_EQ(m.SupportZone, 2);
    m.SupportZone = 0;
    m.Flags |= 16;
    SetSupportZones(bc);
    EXPECT_EQ(m.SupportZone, 0);
}

TEST_F(OrderingTest, UnloadPositionsAndSameAsPreviousMarks) {
    BarComputation& bc = MakeBar(0);
    WorkingMachining& c = Add(bc, kKindEndCut);
    c.CutMode = 2;
    c.ScaricoMin = 1000;
    c.ScaricoMax = 5000;
    WorkingMachining& before = Add(bc, kKindRalla);
    before.Xcaric = 500; // below ScaricoMin: the cut stays open
    WorkingMachining& at = Add(bc, kKindRalla);
    at.Xcaric = 3000;
    WorkingMachining& d = Add(bc, kKindEndCut);
    d.CutMode = 0x100 | 2;
    d.ScaricoDx = 9000;
    d.Xcaric = 100;
    WorkingMachining& same = Add(bc, kKindRalla);
    same.Xcaric = 100; // same positioning: d stays open
    WorkingMachining& next = Add(bc, kKindRalla);
    next.Xcaric = 7000;
    SetUnloadPositions(bc);
    EXPECT_EQ(c.ScaricoDx, 3000);
    EXPECT_EQ(d.ScaricoDx, 7000);

    // Variant 0: 2 when the next tool machining has the same face, ralla angle and positioning.
    at.Xcaric = before.Xcaric;
    SetSameAsPrevMarks(bc);
    EXPECT_EQ(before.SameAsPrev, 2);
    EXPECT_EQ(at.SameAsPrev, 0); // next one stands elsewhere
    EXPECT_EQ(c.SameAsPrev, 0);
    EXPECT_EQ(next.SameAsPrev, 0); // no next machining
}

TEST_F(OrderingTest, GroupSectionLinesAndDebFailure) {
    BarComputation& bc = MakeBar(1);
    WorkingMachining& m = Add(bc, kKindRalla);
    m.TipoCaric = 23;
    m.Xcaric = 1500000;
    m.X = 250000;
    std::filesystem::remove(dir_ + "OUTPUT.LAV");
    ASSERT_EQ(AppendLavGroups(bc, 0, 0), 0);
    EXPECT_EQ(ReadFile(dir_ + "OUTPUT.LAV"),
              "   1      2   1500.00    250.00      0.00      0.00      0.00      0.00   T1\r\n");
    std::filesystem::remove(dir_ + "OUTPUT.DEB");
    std::filesystem::create_directories(dir_ + "OUTPUT.DEB");
    EXPECT_EQ(AppendDebMachinings(bc, 1), 1);
    EXPECT_NE(std::string(g_errorText).find("\n" + dir_ + "OUTPUT.DEB"), std::string::npos) << g_errorText;
}

// The walk's sorts by state are linear passes over the states; the record comparators sorted
// by the merge sort are the reference. On a large bar full of equal Xm, sets and end cuts,
// every variant must give the same order, positionings and reports byte for byte.
TEST_F(OrderingTest, LargeBarOrdersAndReportsAsTheComparatorSorts) {
    struct Result {
        std::vector<int32_t> order;
        std::string lav, deb;
    };
    auto run = [&](int variant, bool reference) {
        BarComputation& bc = MakeBar(variant);
        std::mt19937 rng(39u + static_cast<unsigned>(variant));
        static const int32_t faces[4] = {0, 90000, -90000, 180000};
        for (int i = 0; i < 600; ++i) {
            // Starts on a coarse grid, so many records share their Xm.
            const auto xm = static_cast<int32_t>(100000 + rng() % 55 * 100000);
            WorkingMachining& m = Add(bc, kKindRalla, xm, xm + static_cast<int32_t>(rng() % 4) * 20000);
            m.Angolo = faces[rng() % 4];
            m.Uten = 1 + static_cast<int32_t>(rng() % 4);
            m.Figura = 1 + static_cast<int32_t>(rng() % 5);
            m.RY = static_cast<int32_t>(rng() % 9) * 5000;
            m.stepDepth = 1000;
            if (rng() % 4 == 0) {
                m.Insieme = 1 + static_cast<int32_t>(rng() % 4);
                m.Priorita = static_cast<int32_t>(rng() % 4);
            }
        }
        // Links between records far apart: a leader waits for a record outside its window.
        for (int i = 0; i < 600; i += 9) {
            WorkingMachining& before = *bc.records[rng() % 600];
            WorkingMachining& after = *bc.records[static_cast<std::size_t>(i)];
            if (&before == &after) continue;
            before.Lav_after[before.Lav_afterCount++] = after.Id;
            after.LavBefore[after.LavBeforeCount++] = before.Id;
        }
        bc.linksExist = 1;
        bc.orderedMachinings = bc.machiningCount = 600;
        for (int i = 0; i < 20; ++i) {
            const int32_t x = 5800000 - i * 280000;
            WorkingMachining& c = Add(bc, kKindEndCut, x, x);
            c.ATaglio = i % 2 == 0 ? 90000 : 45000;
            c.CutMode = 2;
            c.Insieme = 100;
            c.Priorita = 1;
        }
        std::filesystem::remove(dir_ + "OUTPUT.LAV");
        std::filesystem::remove(dir_ + "OUTPUT.DEB");
        ordering_detail::g_referenceStateSorts = reference;
        EXPECT_EQ(ElaborateMachinings(bc, 1, 1), 0);
        ordering_detail::g_referenceStateSorts = false;
        Result r;
        for (const WorkingMachining* m : bc.order) r.order.insert(r.order.end(), {m->Id, m->PosGroup, m->Xcaric, m->TipoCaric});
        r.lav = ReadFile(dir_ + "OUTPUT.LAV");
        r.deb = ReadFile(dir_ + "OUTPUT.DEB");
        return r;
    };
    for (int v : {0, 1, 2}) {
        SCOPED_TRACE(v);
        const Result want = run(v, true);
        const Result got = run(v, false);
        std::set<int32_t> positionings;
        for (std::size_t i = 2; i < want.order.size(); i += 4) positionings.insert(want.order[i]);
        EXPECT_GT(positionings.size(), 5u); // a walk of many positionings, not one
        EXPECT_EQ(got.order, want.order);
        EXPECT_TRUE(got.lav == want.lav) << "OUTPUT.LAV differs";
        EXPECT_TRUE(got.deb == want.deb) << "OUTPUT.DEB differs";
        // Every record has its section in the elaborated part of OUTPUT.DEB, far past one write block.
        std::size_t sections = 0;
        for (std::size_t at = got.deb.find("\r\nTipoLavor: "); at != std::string::npos;
             at = got.deb.find("\r\nTipoLavor: ", at + 1))
            ++sections;
        EXPECT_EQ(sections, 620u);
        EXPECT_GT(got.deb.size(), 128u * 1024u);
    }
}

// The reports print reals without printf: every byte must be printf's, rounding included.
TEST(ReportNumbersTest, FixedTextIsPrintfsByteForByte) {
    auto printfText = [](double v, int width, int precision) {
        char buf[400];
        plat::FormatC(buf, sizeof buf, "%*.*f", width, precision, v); // printf in the C locale
        return std::string(buf);
    };
    auto fastText = [](double v, int width, int precision) {
        char buf[400];
        const int n = plat::FormatFixedC(buf, sizeof buf, v, width, precision);
        EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
        return std::string(buf);
    };
    const double hard[] = {0.0, -0.0, 0.005, -0.005, 0.015, 0.025, 0.125, 0.375, -0.125, 0.5, 1.5, 2.5, 1.005,
                           2.675, 1234.565, 0.045, 0.0049999999999999999, 0.99999999, 9.995, 99.995, -99.995,
                           1e-300, -1e-300, 5e-324, 2.2250738585072014e-308, 0.001, -0.001, 1e15, 123456789012.345,
                           9007199254740991.0, 9007199254740992.0, -9007199254740993.0, 1e20, 1e300,
                           2147483.647, -2147483.648, 84546.6003937007874, std::nextafter(0.125, 1.0),
                           std::nextafter(0.125, 0.0), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
    for (double v : hard)
        for (int precision = 0; precision <= 9; ++precision)
            for (int width : {0, 10}) {
                SCOPED_TRACE(printfText(v, 0, 20) + " ." + std::to_string(precision));
                EXPECT_EQ(fastText(v, width, precision), printfText(v, width, precision));
            }
    // Random reals of every size, and thousandths as mm and inches (the values the reports hold).
    std::mt19937_64 rng(39);
    int differ = 0;
    for (int i = 0; i < 300000 && differ < 5; ++i) {
        double v = 0;
        const uint64_t bits = rng();
        switch (i % 4) {
        case 0: std::memcpy(&v, &bits, sizeof v); break;
        case 1: v = static_cast<int32_t>(bits) / 1000.0; break;
        case 2: v = static_cast<int32_t>(bits) / 1000.0 / 25.4; break;
        default: v = static_cast<double>(static_cast<int64_t>(bits % 2000001) - 1000000) / 200.0; break; // ties
        }
        const int precision = static_cast<int>((bits >> 40) % 7);
        if (fastText(v, 10, precision) != printfText(v, 10, precision)) {
            ADD_FAILURE() << printfText(v, 0, 25) << " ." << precision << ": " << fastText(v, 10, precision);
            ++differ;
        }
    }
    // The cut to the buffer's size is snprintf's.
    char small[6];
    EXPECT_EQ(plat::FormatFixedC(small, sizeof small, -1234.5678, 10, 2), 10);
    EXPECT_STREQ(small, "  -12"); // of "  -1234.57"
}

// A length in thousandths as the report sections print it is FormatUnits' "%{10X}" text in
// every unit system.
TEST(ReportNumbersTest, ThousandthsTextIsFormatUnitsText) {
    const int saved = GetUnitSystem();
    std::mt19937 rng(391);
    const int32_t hard[] = {0, 1, -1, 4, 5, -5, 15, 1005, -1005, 2675, 999995, 1234565, 25400, 127, -127,
                            std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()};
    for (int unit : {kUnitMillimetres, kUnitInches, 0}) {
        SetUnitSystem(unit);
        for (int i = 0; i < 60000; ++i) {
            const int32_t k = i < static_cast<int>(std::size(hard)) ? hard[i] : static_cast<int32_t>(rng());
            char want[96], got[96];
            FormatUnits(want, sizeof want, "%{10X}", k / 1000.0);
            FormatThousandthsX(got, sizeof got, 10, k);
            ASSERT_STREQ(got, want) << "unit " << unit << " value " << k;
        }
    }
    SetUnitSystem(saved);
}

} // namespace
} // namespace enginetest
