// The controller link where it meets a failing controller: status polls whose reads fail, a
// library without the read entry point, and program starts the PC cannot hand over. Every case
// runs the real poll or start against the simulated controller, with the failure injected there.
#include <cerrno>
#include <functional>
#include <unistd.h>

#include "cnc_fixture.h"
#include "machine/file_routines.h"
#include "msgtable/Dictavo.h"

namespace {
const int kStatusPanes[7] = {312, 313, 314, 315, 316, 317, 318};
const int kAxisPanes[9] = {292, 293, 294, 295, 296, 297, 298, 299, 300};
constexpr int kModePane = 314, kMessagePane = 315, kHoldPane = 316, kAlarmPane = 317;
} // namespace

class CncLinkTest : public CncTest {
  protected:
    void SetUp() override {
        CncTest::SetUp();
        g_msgErrors = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/ERR.MSG");
        ASSERT_EQ(g_msgErrors->LoadStrings(), 1);
        Config("LOG_SUPERVISOR=1\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nALARM_LOG=1\r\n");
    }
    void TearDown() override {
        CncTest::TearDown();
        delete g_msgErrors;
        g_msgErrors = nullptr;
    }
    // The on-line state as the program's one state object.
    CStatoCncOn& MakeCurrent() {
        CStatoCncOn& on = MakeOnline();
        g_pCncState = &on;
        return on;
    }
    // An on-line state with the main window's panes and variant-1 axes.
    CStatoCncOn& MakeWatched() {
        CStatoCncOn& on = MakeCurrent();
        on.SetStatusPaneIds(kStatusPanes);
        on.ConfigureAxes(12, "XYZAUQVWB", kAxisPanes, 301, 302);
        return on;
    }
    // One poll as the main window's status timer runs it, with every controller read failing.
    void PollWithLinkDown(CStatoCncOn& on) {
        sim.SimSetFailNextRead(UVEN_RW_NOT_READY, 1000);
        on.PollStatus(5);
        sim.SimSetFailNextRead(0, 0);
    }
    // "ALARM.LOG" line of an alarm logged at the fake clock's time.
    std::string HistoryLine(int number, const char* text) {
        plat::LocalTime t{};
        LocalTimeOf(clock.Time(), t);
        char line[120];
        std::snprintf(line, sizeof line, "%d  \"%s\"   %d/%d/%d   %02d:%02d:%02d\r\n", number, text, t.day,
                      t.month, t.year, t.hour, t.minute, t.second);
        return line;
    }
};

// Manual mode, a running cycle, hold and alarm 17 active: one poll with the link down changes
// nothing the machine did not do. No change records, no second "ALARM.LOG" entry, no
// "Automatic", and the failure is told once.
TEST_F(CncLinkTest, PollWithTheLinkDownKeepsTheStateAndLogsNoChange) {
    CStatoCncOn& on = MakeWatched();
    const std::string s = Stamp();
    sim.SimSetR(450, 1); // manual
    sim.SimSetR(452, 1); // cycle running
    sim.SimSetR(451, 1); // hold
    sim.SimSetMessage(0, 3);
    sim.SimRaiseAlarm(17);
    on.PollStatus(5);
    const std::string logAfterFirst = Read(LogFile());
    EXPECT_EQ(logAfterFirst, s + "LOGON;BRELON\r\n" + s + "CYCLE-ON\r\n" + s + "ALARM-ON;17;?????\r\n");
    EXPECT_EQ(ui.panes[kModePane], "Manual");
    ASSERT_TRUE(ui.boxes.empty());

    PollWithLinkDown(on);
    EXPECT_EQ(Read(LogFile()), logAfterFirst);
    // The panes say the state is unknown, never a made-up one.
    EXPECT_EQ(ui.panes[kModePane], "????");
    EXPECT_EQ(ui.panes[kHoldPane], "????");
    EXPECT_EQ(ui.panes[kMessagePane], "????");
    EXPECT_EQ(ui.panes[kAlarmPane], "????");
    EXPECT_EQ(ui.panes[292], "X: ???");
    // The state the rest of the program reads is the last one read.
    EXPECT_EQ(on.GetStateField98(), 0);
    EXPECT_EQ(on.GetStateField101(), 1);
    EXPECT_EQ(on.GetActiveMessages(nullptr), 1);
    int alarms[10] = {};
    ASSERT_EQ(on.GetActiveAlarms(alarms), 1);
    EXPECT_EQ(alarms[0], 17);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "GetDatiCncEx ha ritornato 0");
    // A cycle-state read that fails between polls is not taken for the cycle's end.
    sim.SimSetFailNextRead(UVEN_RW_NOT_READY, 1);
    EXPECT_EQ(on.GetR452(), 1);

    on.PollStatus(5); // the link is back
    on.PollStatus(5);
    EXPECT_EQ(Read(LogFile()), logAfterFirst);
    EXPECT_EQ(Read(prog + "ALARM.LOG"), HistoryLine(17, "?????"));
    EXPECT_EQ(ui.panes[kModePane], "Manual");
    EXPECT_EQ(ui.panes[kHoldPane], "HOLD");
    EXPECT_EQ(ui.panes[kAlarmPane], "Alarms");
    EXPECT_EQ(ui.panes[292], "X: 0.00");
    EXPECT_EQ(ui.boxes.size(), 1u);

    // Real changes are still logged once the link is back.
    sim.SimClearAlarm(17);
    sim.SimSetR(450, 0);
    on.PollStatus(5);
    EXPECT_EQ(Read(LogFile()), logAfterFirst + s + "AUTOM-ON\r\n" + s + "ALARM-OFF\r\n");
}

// A controller library without GetDatiCncEx: the start-up names it, and every poll shows the
// state as unknown without a box per poll; nothing is logged as a change and no alarm is
// invented or lost.
TEST_F(CncLinkTest, LibraryWithoutTheReadEntryShowsTheStateUnknown) {
    // Keep the suite's library mapped, so the control calls stay valid across the swap.
    plat::LibHandle keep = plat::LoadLibraryByName(SimLibraryPath());
    ASSERT_NE(keep, nullptr);
    ASSERT_TRUE(g_uvenlib.Bind(SimLibraryPath("/noread").c_str(), nullptr));
    EXPECT_EQ(g_uvenlib.GetDatiCncEx, nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Funzione GetDatiCncEx non trovata");
    ui.boxes.clear();

    {
        CStatoCncOn& on = MakeWatched();
        const std::string s = Stamp();
        for (int i = 0; i < 3; ++i)
            on.PollStatus(5);
        for (int pane : {kModePane, kHoldPane, kMessagePane, kAlarmPane})
            EXPECT_EQ(ui.panes[pane], "????") << pane;
        EXPECT_EQ(ui.panes[292], "X: ???");
        EXPECT_EQ(ui.panes[300], "B: ???");
        EXPECT_EQ(on.GetStateField98(), 0); // never "Automatic"
        EXPECT_EQ(on.GetR452(), 0);
        EXPECT_EQ(Read(LogFile()), s + "LOGON;BRELON\r\n");
        EXPECT_FALSE(fs::exists(prog + "ALARM.LOG"));
        EXPECT_TRUE(ui.boxes.empty()); // told once, at the binding
        cnc.reset();
    }

    ASSERT_TRUE(g_uvenlib.Bind(SimLibraryPath().c_str(), nullptr));
    plat::FreeLibrary(keep);
}

// A start that the PC cannot hand over is answered with its own reason, naming "FILLAV.TAB"
// when the file is the cause; the controller's own refusal and the time-out keep their texts.
TEST_F(CncLinkTest, StartThatCannotBeHandedOverSaysWhy) {
    const std::string tab = "C:\\UVEN\\LAV\\LAV\\FILLAV.TAB";
    const std::string head = std::string(MsgError("ERR_FILLAV_WRITE")) + "\n" + tab;
    struct Case {
        const char* what;
        std::function<void(const std::string& work)> plant;
        std::string reason;
    };
    static int injected = 0;
    const Case cases[] = {
        {"a folder in its place", [](const std::string& w) { fs::create_directories(w + "FILLAV.TAB/x"); },
         MsgError("ERR_IS_FOLDER")},
        {"no permission", [](const std::string&) { injected = EACCES; }, MsgError("ERR_NO_ACCESS")},
        {"a full drive", [](const std::string&) { injected = ENOSPC; }, MsgError("ERR_NO_SPACE")},
        {"no work folder", [](const std::string& w) { fs::remove_all(w); }, FileFaultReason(ENOENT)},
    };
    plat::SetFileFaultForTests([](const char* path, plat::FileOp op) {
        return op == plat::FileOp::Write && std::string(path).find("FILLAV.TAB") != std::string::npos
                   ? injected
                   : 0;
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cnc.reset();
        fs::remove_all(work);
        fs::create_directories(work);
        injected = 0;
        CStatoCncOn& on = MakeCurrent();
        c.plant(work);
        window.posted.clear();
        on.StartProgram(&window, nullptr, nullptr);
        ASSERT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, kStartErrFillavTab, 0}}));
        EXPECT_EQ(CncCommandResultText(kStartErrFillavTab), head + " (" + c.reason + ")");
        EXPECT_EQ(on.Queue().Count(), 0);
        EXPECT_FALSE(on.StartPending());
    }
    plat::SetFileFaultForTests(nullptr);

    // An ordinary user without write permission on the work folder (root writes anyway).
    if (::geteuid() != 0) {
        cnc.reset();
        fs::remove_all(work);
        fs::create_directories(work);
        CStatoCncOn& on = MakeCurrent();
        fs::permissions(work, fs::perms::owner_read | fs::perms::owner_exec);
        on.StartProgram(&window, nullptr, nullptr);
        fs::permissions(work, fs::perms::owner_all);
        EXPECT_EQ(window.posted.back().wParam, kStartErrFillavTab);
        EXPECT_EQ(CncCommandResultText(kStartErrFillavTab), head + " (" + MsgError("ERR_NO_ACCESS") + ")");
    }

    // The other starts the PC cannot hand over, then the controller's own answers.
    cnc.reset();
    CStatoCncOn& on = MakeCurrent();
    on.StartProgram(&window, nullptr, std::string(30, 'N').c_str());
    EXPECT_EQ(window.posted.back().wParam, kStartErrNameTooLong);
    EXPECT_EQ(CncCommandResultText(kStartErrNameTooLong),
              std::string(MsgError("ERR_PROG_NAME_LONG")) + " " + std::string(30, 'N'));
    for (int i = 0; i < 8; ++i)
        on.QueueCommand87();
    on.StartProgram(&window, nullptr, nullptr);
    EXPECT_EQ(window.posted.back().wParam, kStartErrQueueFull);
    EXPECT_EQ(CncCommandResultText(kStartErrQueueFull), MsgError("ERR_CMD_QUEUE_FULL"));
    EXPECT_EQ(CncCommandResultText(-1), MsgError("ERR_TIMEOUT_CMD"));
    EXPECT_EQ(CncCommandResultText(5), std::string(MsgError("ERR_CMD")) + " 5");
    // Once a start was handed over, the same number from the controller is its refusal.
    cnc.reset();
    MakeCurrent().StartProgram(&window, nullptr, nullptr);
    EXPECT_EQ(CncCommandResultText(kStartErrQueueFull), std::string(MsgError("ERR_CMD")) + " 9003");
}

// One variable that keeps failing among good reads (the hold state R451) is told once for its
// run of failures, not at every poll; its pane says unknown while the others show the machine.
// Once it was read again, a new run of failures is told again.
TEST_F(CncLinkTest, OneVariableFailingAtEveryPollIsToldOncePerRun) {
    CStatoCncOn& on = MakeWatched();
    sim.SimSetR(450, 1); // manual
    sim.SimSetFailVariable(451, UVEN_RW_NOT_READY, -1);
    for (int i = 0; i < 20; ++i) on.PollStatus(5);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "GetDatiCncEx ha ritornato 0");
    EXPECT_EQ(ui.panes[kHoldPane], "????");
    EXPECT_EQ(ui.panes[kModePane], "Manual");

    sim.SimSetFailVariable(451, 0, 0); // read again
    on.PollStatus(5);
    EXPECT_EQ(ui.panes[kHoldPane], "");
    sim.SimSetFailVariable(451, UVEN_RW_NOT_READY, -1);
    for (int i = 0; i < 5; ++i) on.PollStatus(5);
    EXPECT_EQ(ui.boxes.size(), 2u);
    // The whole link going down while R451 still fails is told once more, then not again.
    for (int i = 0; i < 5; ++i) PollWithLinkDown(on);
    EXPECT_EQ(ui.boxes.size(), 3u);
}

// The overrides and the program state that the controller did not give are shown unknown,
// never "S: 0%" / "F: 0%" or an empty state, and no operator state is logged from them.
TEST_F(CncLinkTest, OverridesAndProgramStateNotGivenShowUnknown) {
    CStatoCncOn& on = MakeWatched();
    sim.SimSetOverrides(0.5, 0.9);
    sim.SimSetProgramStateText("ALIM.BRE");
    Write(prog + "CONF/MSVtag.par", "[BRELON]\r\nALIM.BRE=TAG:LOAD\r\n");
    sim.SimSetFailStatusCalls(UVEN_ERR_ARG, 1);
    const std::string logBefore = Read(LogFile()) + Stamp() + "AUTOM-ON\r\n";
    on.PollStatus(5);
    EXPECT_EQ(ui.panes[301], "S: ???");
    EXPECT_EQ(ui.panes[302], "F: ???");
    EXPECT_EQ(ui.panes[318], "????");
    EXPECT_EQ(Read(LogFile()), logBefore);
    on.PollStatus(5);
    EXPECT_EQ(ui.panes[301], "S: 90%");
    EXPECT_EQ(ui.panes[302], "F: 50%");
    EXPECT_EQ(ui.panes[318], "ALIM.BRE");
    EXPECT_NE(Read(LogFile()).find("OPER-ON;LOAD"), std::string::npos);
    EXPECT_TRUE(ui.boxes.empty());
}
