// The controller command queue, the program start and the status poll against the simulated
// controller, and a whole part program run through the CNC state object.
#include "cnc_fixture.h"

namespace {
const int kStatusPanes[7] = {312, 313, 314, 315, 316, 317, 318};
const int kAxisPanes[9] = {292, 293, 294, 295, 296, 297, 298, 299, 300};
} // namespace

class CncQueueTest : public CncTest {
protected:
    void SetUp() override {
        CncTest::SetUp();
        Config("ALARM_LOG=0\r\n");
        MakeOnline();
    }
    // Polls as the main window's status timer does.
    void Poll(int times = 1) {
        for (int i = 0; i < times; ++i) {
            On().PollStatus(5);
            clock.Advance(250);
        }
    }
};

TEST_F(CncQueueTest, QueueHoldsTenCommandsOfAtMost29Characters) {
    for (int i = 0; i < 10; ++i) EXPECT_EQ(On().QueueCommand(7, 87, nullptr), 0);
    EXPECT_EQ(On().QueueCommand(7, 87, nullptr), 1);
    EXPECT_EQ(On().Queue().Count(), 10);
    CncCommandQueue q;
    EXPECT_EQ(q.QueueCommand(4, 0, std::string(30, 'A').c_str()), 2);
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.QueueCommand(4, 0, std::string(29, 'A').c_str()), 0);
    EXPECT_STREQ(q.At(0).text, std::string(29, 'A').c_str());
}

TEST_F(CncQueueTest, BusyControllerGetsTheSameCommandAgain) {
    sim.SimSetCommandResponse(SIM_CMD_BUSY_NEXT, 1);
    On().QueueCommand87();
    Poll();
    EXPECT_EQ(On().Queue().Count(), 1);
    Poll(); // idle again: sent and accepted
    EXPECT_EQ(On().Queue().Count(), 0);
    EXPECT_EQ(Commands(), "7,87=33 7,87=0 ");
}

TEST_F(CncQueueTest, StartWritesFillavTabAndQueuesTheStartCommands) {
    Write(work + "SPECIAL/A.ISO", "x");
    Write(work + "SPECIAL/B.ISO", "x");
    ASSERT_EQ(g_pSpecialPrograms->AddSpecialProgram("A.ISO"), 0);
    ASSERT_EQ(g_pSpecialPrograms->AddSpecialProgram("B.ISO"), 0);
    EXPECT_EQ(g_pSpecialPrograms->AddSpecialProgram("C.ISO"), 2);
    On().StartProgram(&window, nullptr, nullptr);
    EXPECT_EQ(Read(work + "FILLAV.TAB"),
              "C:\\UVEN\\LAV\\LAV\\ISONV\r\nC:\\UVEN\\LAV\\LAV\\SPECIAL\\A.ISO\r\nC:\\UVEN\\LAV\\LAV\\SPECIAL\\B.ISO\r\n");
    const CncCommandQueue& q = On().Queue();
    ASSERT_EQ(q.Count(), 3);
    EXPECT_EQ(q.At(0).subCode, 151);
    EXPECT_EQ(q.At(1).subCode, 85);
    EXPECT_EQ(q.At(2).code, 4);
    EXPECT_STREQ(q.At(2).text, "ISONV");
    EXPECT_TRUE(window.posted.empty());
    EXPECT_TRUE(On().StartPending());
}

TEST_F(CncQueueTest, AutomaticSelectedSkipsCommand151) {
    sim.SimSetStatusWords(0, UVEN_STACN_W2_AUTO_SELECTED, 0);
    Poll(); // the status words of the last poll decide
    On().StartProgram(&window, "C:\\UVEN\\LAV\\LAV\\P1", "P1");
    EXPECT_EQ(Read(work + "FILLAV.TAB"), "C:\\UVEN\\LAV\\LAV\\P1\r\n");
    ASSERT_EQ(On().Queue().Count(), 2);
    EXPECT_EQ(On().Queue().At(0).subCode, 85);
    EXPECT_STREQ(On().Queue().At(1).text, "P1");
}

TEST_F(CncQueueTest, StartThatCannotBeQueuedReportsAtOnceAndQueuesNothing) {
    On().StartProgram(&window, nullptr, std::string(30, 'N').c_str());
    EXPECT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, kStartErrNameTooLong, 0}}));
    EXPECT_FALSE(fs::exists(work + "FILLAV.TAB"));
    EXPECT_EQ(On().Queue().Count(), 0);
    EXPECT_FALSE(On().StartPending());

    for (int i = 0; i < 8; ++i) On().QueueCommand87();
    On().StartProgram(&window, nullptr, nullptr);
    EXPECT_EQ(window.posted.back().wParam, kStartErrQueueFull);
    EXPECT_EQ(On().Queue().Count(), 8);

    cnc.reset();
    MakeOnline();
    fs::remove_all(work); // the work directory is missing: "FILLAV.TAB" cannot be written
    On().StartProgram(&window, nullptr, nullptr);
    EXPECT_EQ(window.posted.back().wParam, kStartErrFillavTab);
    EXPECT_EQ(On().Queue().Count(), 0);
    EXPECT_NE(std::string(g_errorText).find("FILLAV.TAB"), std::string::npos);
}

TEST_F(CncQueueTest, CommandRunningPastCmdTimerEndsTheStartWithTimeOut) {
    Write(work + "ISONV", "%\r\nN1 R599=1\r\n");
    sim.SimSetCommandResponse(SIM_CMD_NEVER_FINISH, 0);
    On().StartProgram(&window, nullptr, nullptr);
    On().PollStatus(5); // (7,151) sent, never finishes
    EXPECT_EQ(ui.waitDepth, 1);
    clock.Advance(3000);
    On().PollStatus(5);
    EXPECT_TRUE(window.posted.empty()); // exactly CMD_TIMER: still waiting
    clock.Advance(1);
    On().PollStatus(5);
    EXPECT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, -1, 0}}));
    EXPECT_EQ(On().Queue().Count(), 0);
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(Commands(), "7,151=0 ");
}

TEST_F(CncQueueTest, RefusedCommandEndsTheStartWithItsCode) {
    sim.SimSetCommandResponse(SIM_CMD_REFUSE_NEXT, UVEN_CMD_WRONG_STATE);
    On().StartProgram(&window, nullptr, nullptr);
    Poll(2);
    EXPECT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, UVEN_CMD_WRONG_STATE, 0}}));
    EXPECT_EQ(On().Queue().Count(), 0);
}

TEST_F(CncQueueTest, PanesShowPositionsOverridesAndStatesPerVariant) {
    On().SetStatusPaneIds(kStatusPanes);
    const double axes[12] = {1.5, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}; // X Y Z U A B V W C P H Q
    sim.SimSetAxes(axes, 12);
    sim.SimSetOverrides(1.2, 0.8);
    sim.SimSetR(451, 1);
    sim.SimSetMessage(0, 3);
    sim.SimRaiseAlarm(40);
    sim.SimSetProgramStateText("ALIM.BRE");

    ApplyMachineVariant(0);
    On().ConfigureAxes(8, "XYZUABVW", kAxisPanes, 301, 302);
    Poll();
    EXPECT_EQ(ui.panes[292], "X: 1.50");
    EXPECT_EQ(ui.panes[299], "W: 8.00");
    EXPECT_EQ(ui.panes[301], "S: 80%");
    EXPECT_EQ(ui.panes[302], "F: 120%");
    EXPECT_EQ(ui.panes[314], "Automatic");
    EXPECT_EQ(ui.panes[315], "Messages");
    EXPECT_EQ(ui.panes[316], "HOLD");
    EXPECT_EQ(ui.panes[317], "Alarms");
    EXPECT_EQ(ui.panes[318], "ALIM.BRE");
    EXPECT_EQ(On().GetStateField98(), 1);
    EXPECT_EQ(On().GetStateField101(), 1);
    sim.SimSetR(453, 0);
    Poll();
    EXPECT_EQ(ui.panes[292], "X: ???");

    ApplyMachineVariant(1);
    On().ConfigureAxes(12, "XYZAUQVWB", kAxisPanes, 301, 302);
    EXPECT_STREQ(On().AxisName(5), "");
    EXPECT_EQ(On().AxisPaneId(6), 0);
    EXPECT_STREQ(On().AxisName(7), "Q");
    EXPECT_EQ(On().AxisPaneId(10), 300);
    sim.SimSetR(453, 1);
    sim.SimSetR(450, 1);
    Poll();
    EXPECT_EQ(ui.panes[297], "Q: 12.00");
    EXPECT_EQ(ui.panes[300], "B: 6.00");
    EXPECT_EQ(ui.panes[314], "Manual");

    ApplyMachineVariant(2);
    On().ConfigureAxes(12, "YZAUBVWC", kAxisPanes, 301, 302);
    EXPECT_STREQ(On().AxisName(0), "");
    EXPECT_STREQ(On().AxisName(11), "C");
    sim.SimSetR(450, 7);
    sim.SimClearLogs();
    Poll();
    EXPECT_EQ(ui.panes[292], "Y: 2.00");
    EXPECT_EQ(ui.panes[299], "C: 9.00");
    EXPECT_EQ(ui.panes[314], "????");
    int n = 0;
    double v = -1;
    ASSERT_GE(sim.SimRWriteLogCount(), 1);
    sim.SimRWriteLogEntry(0, &n, &v);
    EXPECT_EQ(n, 6019); // variant 2: the line flag
    EXPECT_EQ(v, 0.0);
}

// Done: a hand-written two-piece part program runs to its end through the CNC state object.
TEST_F(CncQueueTest, TwoPiecePartProgramRunsToItsEnd) {
    Write(work + "ISONV", "%\r\n"
                          "N1 R599=4321      { Codice Casuale ISO }\r\n"
                          "N2 R590=0\r\n"
                          "N3 L<RIFAUTO.BRE>\r\n"
                          "N4 R540=1\r\n"
                          "N5 L<ALIM.BRE>\r\n"
                          "N6 R590=R590+1      { R_CONT_PEZZI }\r\n"
                          "N7 R540=1\r\n"
                          "N8 L<ALIM.BRE>\r\n"
                          "N9 R590=R590+1      { R_CONT_PEZZI }\r\n"
                          "N10 L<FINEALL.BRE>\r\n");
    sim.SimSetAutoAdvance(10);
    On().WriteRVar(599, 0.0f);
    On().StartProgram(&window, nullptr, nullptr);
    int polls = 0;
    for (; polls < 100 && window.posted.empty(); ++polls) Poll();
    ASSERT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, 0, 0}}));
    EXPECT_EQ(On().GetR452(), 1);
    bool sawOnePiece = false;
    for (; polls < 2000 && On().GetR452() != 0; ++polls) {
        Poll();
        if (On().GetR590() == 1.0f) sawOnePiece = true;
    }
    EXPECT_TRUE(sawOnePiece);
    EXPECT_EQ(On().ReadRVar(599), 4321.0f);
    EXPECT_EQ(On().GetR590(), 2.0f);
    EXPECT_EQ(On().GetR452(), 0);
    EXPECT_EQ(On().GetStateBit100(), 1); // the end bit, program no longer active
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_ENDED);
    EXPECT_TRUE(ui.boxes.empty());
}

// A controller that answers busy for longer than CMD_TIMER ends the start with the time-out,
// as a command that never finishes does; the start is never sent afterwards.
TEST_F(CncQueueTest, BusyLongerThanCmdTimerEndsTheStartWithTimeOut) {
    Write(work + "ISONV", "%\r\nN1 R599=1\r\n");
    sim.SimSetCommandResponse(SIM_CMD_BUSY_NEXT, 100000);
    On().StartProgram(&window, nullptr, nullptr);
    On().PollStatus(5); // first busy answer
    clock.Advance(3000);
    On().PollStatus(5);
    EXPECT_TRUE(window.posted.empty()); // exactly CMD_TIMER: still waiting
    EXPECT_EQ(ui.waitDepth, 1);
    clock.Advance(1);
    On().PollStatus(5);
    EXPECT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, -1, 0}}));
    EXPECT_EQ(On().Queue().Count(), 0);
    EXPECT_EQ(ui.waitDepth, 0);
    sim.SimSetCommandResponse(SIM_CMD_NORMAL, 0); // the controller frees
    Poll(5);
    EXPECT_EQ(Commands(), "7,151=33 7,151=33 7,151=33 ");
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_IDLE);
}

// The operator cancels a start the busy controller has not taken: it is dropped, no answer
// comes and nothing runs when the controller frees. A start whose program start the controller
// already took cannot be taken back.
TEST_F(CncQueueTest, CancelDropsAStartNotYetTakenOnly) {
    Write(work + "ISONV", "%\r\nN1 R599=1\r\n");
    RecordingWindow other;
    sim.SimSetCommandResponse(SIM_CMD_BUSY_NEXT, 100000);
    On().StartProgram(&window, nullptr, nullptr);
    Poll(3);
    EXPECT_EQ(ui.waitDepth, 1);
    EXPECT_FALSE(On().CancelStart(&other)); // not its start
    EXPECT_TRUE(On().CancelStart(&window));
    EXPECT_FALSE(On().StartPending());
    EXPECT_EQ(On().Queue().Count(), 0);
    EXPECT_EQ(ui.waitDepth, 0);
    sim.SimSetCommandResponse(SIM_CMD_NORMAL, 0);
    Poll(10);
    EXPECT_TRUE(window.posted.empty());
    EXPECT_EQ(Commands().find("4,0"), std::string::npos) << Commands();
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_IDLE);
    EXPECT_FALSE(On().CancelStart(&window)); // nothing pending

    sim.SimClearLogs();
    On().StartProgram(&window, nullptr, nullptr);
    // Each accepted command runs until the next TstCmdCnc call: (4, 0) is sent at the third
    // poll and watched until the fourth.
    for (int i = 0; i < 10 && On().Queue().Holds(kStartCommandCode); ++i) Poll();
    ASSERT_FALSE(On().Queue().Holds(kStartCommandCode)); // the controller took (4, 0)
    ASSERT_TRUE(On().StartPending());
    EXPECT_FALSE(On().CancelStart(&window));
    EXPECT_TRUE(On().StartPending());
}
