// The controller link from the operator's side: why the program runs off-line on a machine
// whose controller is expected, a library that cannot read the controller's variables, the
// reason shown for a start the PC cannot hand over, and a controller that answers busy.
#include <QTest>
#include <filesystem>

#include "app/conf_bar_dialog.h"
#include "app/exec_iso_dialog.h"
#include "app/main_frame.h"
#include "app/sel_bar_dialog.h"
#include "app_fixture.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "machine/uvenlib_binding.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

using CncLinkAppTest = AppFixture;

namespace {
void Pump(int rounds = 6) {
    for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents();
}
} // namespace

// A demo list opened on-line and its first bar shown for confirmation, against a controller
// that answers every command "busy"; CMD_TIMER as given.
class BusyControllerTest : public AppFixture {
protected:
    CConfBarDialog* ConfirmationOnABusyController(const char* cmdTimer) {
        MakeOnline();
        PutTestList("PORTE.lda");
        WriteConfig("GENERAL", "STATUS_TIMER", "20");
        WriteConfig("GENERAL", "CMD_TIMER", cmdTimer);
        if (Start() != CVelmoApp::kStarted || g_machineConnected != 1) return nullptr;
        g_testAutoConfirm = 0;
        Sim().SimSetDrivesRoot(drives_.c_str());
        Sim().SimSetCommandResponse(SIM_CMD_BUSY_NEXT, 1000000);
        Pump();
        auto* sel = qobject_cast<CSelBarDialog*>(MainFrame->selBarDialog.data());
        if (sel == nullptr) return nullptr;
        sel->OnOK();
        Pump();
        return qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data());
    }
    // Program starts (4, 0) the controller took.
    int ProgramStarts() {
        int starts = 0;
        for (int i = 0; i < Sim().SimCommandLogCount(); ++i) {
            int code = 0, sub = 0, result = 0;
            char text[64] = {};
            Sim().SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
            if (code == 4 && result == 0) ++starts;
        }
        return starts;
    }
    void TearDown() override {
        if (g_uvenlib.IsLoaded()) Sim().SimSetDrivesRoot(nullptr);
        AppFixture::TearDown();
    }
};

// Without the controller's work folder the library is not loaded and the program runs off-line.
// Where the controller's library is installed and office mode was not asked for, the operator
// is told why; an office PC (no library) and the office word say nothing.
TEST_F(CncLinkAppTest, MissingWorkFolderOnAMachineSaysWhyTheProgramRunsOffLine) {
    const struct {
        const char* what;
        const char* library; // where the controller library lies ("" nowhere)
        const char* commandLine;
        bool toldWhy;
    } cases[] = {
        {"library in the controller's folder", "C/parvolt", "", true},
        {"library beside the program", "program", "", true},
        {"office word given", "C/parvolt", "office", false},
        {"office PC without the library", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        app_.reset();
        ui_->boxes.clear();
        fs::remove_all(drives_ + "/C/parvolt");
        fs::remove(program_ + "libUvenlibVB.so");
        fs::remove_all(drives_ + "/C/UVEN");
        const std::string lib = std::string(BRELON_BINARY_DIR) + "/bin/libUvenlibVB.so";
        if (std::string(c.library) == "C/parvolt") {
            fs::create_directories(drives_ + "/C/parvolt");
            fs::copy_file(lib, drives_ + "/C/parvolt/libUvenlibVB.so");
        } else if (std::string(c.library) == "program") {
            fs::copy_file(lib, program_ + "libUvenlibVB.so");
        }
        ASSERT_EQ(Start(c.commandLine), CVelmoApp::kStarted);
        EXPECT_EQ(g_machineConnected, 0);
        EXPECT_FALSE(g_uvenlib.IsLoaded());
        EXPECT_NE(std::string(g_baseTitle).find(" - OFFICE -"), std::string::npos);
        EXPECT_EQ(CountBoxesContaining("UvenlibVB"), 0);
        const std::string told = MsgError("ERR_NO_CNC_WORKDIR");
        if (c.toldWhy) {
            ASSERT_EQ(ui_->boxes.size(), 1u);
            EXPECT_NE(told, "ERR_NO_CNC_WORKDIR"); // a text of the shipped table
            EXPECT_EQ(ui_->boxes[0].text, told + "\nC:\\UVEN\\LAV\\LAV\\");
            EXPECT_EQ(ui_->boxes[0].title, "T_ATTENZIONE");
            EXPECT_TRUE(ui_->boxes[0].titleIsKey);
            EXPECT_EQ(ui_->boxes[0].icon, BoxIcon::Warning);
        } else {
            EXPECT_TRUE(ui_->boxes.empty()) << ui_->boxes.front().text;
        }
    }
}

// A controller library without GetDatiCncEx: the start-up names it, and since the machine's
// variant can never be read the operator is told so (no retry to offer) and the program works
// in office mode: nothing runs on a controller whose machine it does not know.
TEST_F(CncLinkAppTest, LibraryWithoutTheReadEntryNeverRunsOnline) {
    MakeOnline("/noread");
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(ui_->boxes.size(), 2u);
    EXPECT_EQ(ui_->boxes[0].text, "Funzione GetDatiCncEx non trovata");
    EXPECT_EQ(ui_->boxes[1].text, std::string(MsgError("ERR_CNC_VARIANT_UNKNOWN")) + " GetDatiCncEx");
    EXPECT_EQ(ui_->boxes[1].buttons, BoxButtons::Ok);
    EXPECT_EQ(g_machineConnected, 0);
    ASSERT_NE(MainFrame, nullptr);
    EXPECT_NE(std::string(g_baseTitle).find(" - OFFICE -"), std::string::npos);
    EXPECT_FALSE(MainFrame->Timers().IsRunning(kStatusTimerId));
}

// "FILLAV.TAB" cannot be written (a folder has its name): the operator reads that, with the
// file's name, not that the controller refused the command.
TEST_F(CncLinkAppTest, ProgramListThatCannotBeWrittenIsNamedNotTakenForARefusal) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 1);
    Sim().SimSetDrivesRoot(drives_.c_str());
    fs::create_directories(drives_ + "/C/ISO");
    WriteFile(drives_ + "/C/ISO/PROG1.ISO", "%\r\nN1 R599=77\r\n");
    fs::create_directories(drives_ + "/C/UVEN/LAV/LAV/FILLAV.TAB");
    {
        CExecIsoDialog d(MainFrame, "C:\\ISO\\PROG1.ISO");
        d.show();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return CountBoxesContaining(MsgError("ERR_FILLAV_WRITE")) == 1; }, 5000));
        EXPECT_EQ(ui_->boxes.back().title, "T_ERRORE");
        EXPECT_EQ(ui_->boxes.back().text, std::string(MsgError("ERR_FILLAV_WRITE")) +
                                              "\nC:\\UVEN\\LAV\\LAV\\FILLAV.TAB (" +
                                              MsgError("ERR_IS_FOLDER") + ")");
        EXPECT_EQ(CountBoxesContaining(MsgError("ERR_CMD")), 0);
        EXPECT_EQ(Sim().SimCommandLogCount(), 0); // nothing was sent
        ui_->script.push_back(IDYES);
        d.OnCancel();
    }
    Sim().SimSetDrivesRoot(nullptr);
}

// Busy answers for longer than CMD_TIMER end the start with the time-out: the operator reads
// it, the same bar stays shown, and when the controller frees nothing runs.
TEST_F(BusyControllerTest, BusyLongerThanCmdTimerEndsTheStartWithTheTimeOut) {
    CConfBarDialog* conf = ConfirmationOnABusyController("300");
    ASSERT_NE(conf, nullptr);
    QPointer<CConfBarDialog> guard(conf);
    conf->OnOK();
    ASSERT_TRUE(conf->StartPending());
    const std::string timeOut = MsgError("ERR_TIMEOUT_CMD");
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountBoxesContaining(timeOut) == 1; }, 5000));
    ASSERT_TRUE(guard);
    EXPECT_FALSE(conf->StartPending());
    EXPECT_EQ(conf->CurrentIndex(), 0);
    EXPECT_EQ(conf->AutomaticFlag(), 0);
    EXPECT_GT(Sim().SimCommandLogCount(), 1); // sent again while busy
    Sim().SimSetCommandResponse(SIM_CMD_NORMAL, 0);
    QTest::qWait(300);
    EXPECT_EQ(ProgramStarts(), 0);
    EXPECT_TRUE(MainFrame->execDialog.isNull());
    EXPECT_EQ(CountBoxesContaining(timeOut), 1);
}

// Cancel while the start waits for a busy controller drops the start and says so; when the
// controller frees, the bar the operator cancelled does not run. The same bar stays shown and a
// second Cancel closes the run as usual.
TEST_F(BusyControllerTest, CancelDuringAPendingStartDropsItAndSaysSo) {
    CConfBarDialog* conf = ConfirmationOnABusyController("60000");
    ASSERT_NE(conf, nullptr);
    QPointer<CConfBarDialog> guard(conf);
    conf->OnOK();
    ASSERT_TRUE(conf->StartPending());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Sim().SimCommandLogCount() >= 2; }, 5000)); // busy, busy
    conf->reject(); // the dialog's Cancel
    EXPECT_FALSE(conf->StartPending());
    EXPECT_EQ(CountBoxesContaining(MsgString("M_START_CANCELLED")), 1);
    EXPECT_EQ(ui_->waitDepth, 0);
    Sim().SimSetCommandResponse(SIM_CMD_NORMAL, 0);
    QTest::qWait(300);
    EXPECT_EQ(ProgramStarts(), 0);
    EXPECT_TRUE(MainFrame->execDialog.isNull());
    ASSERT_TRUE(guard);
    EXPECT_FALSE(conf->Closed());
    EXPECT_EQ(conf->CurrentIndex(), 0);
    conf->reject();
    EXPECT_TRUE(conf->Closed());
}

// The single ISO program aborted while its start waits for a busy controller: the start is
// dropped and the program never runs once the dialog is gone.
TEST_F(BusyControllerTest, IsoProgramAbortedDuringAPendingStartNeverRuns) {
    MakeOnline();
    WriteConfig("GENERAL", "STATUS_TIMER", "20");
    WriteConfig("GENERAL", "CMD_TIMER", "60000");
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 1);
    Sim().SimSetDrivesRoot(drives_.c_str());
    fs::create_directories(drives_ + "/C/ISO");
    WriteFile(drives_ + "/C/ISO/PROG1.ISO", "%\r\nN1 R599=77\r\n");
    Sim().SimSetCommandResponse(SIM_CMD_BUSY_NEXT, 1000000);
    {
        CExecIsoDialog d(MainFrame, "C:\\ISO\\PROG1.ISO");
        d.show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Sim().SimCommandLogCount() >= 2; }, 5000));
        ui_->script.push_back(IDYES); // abort
        d.OnCancel();
        EXPECT_EQ(CountBoxesContaining(MsgString("M_START_CANCELLED")), 1);
    }
    Sim().SimSetCommandResponse(SIM_CMD_NORMAL, 0);
    QTest::qWait(300);
    EXPECT_EQ(ProgramStarts(), 0);
    EXPECT_EQ(Sim().SimProgramState(), SIM_RUN_IDLE);
}
