// The single ISO program run: office simulation, the run on the simulated controller (start,
// running, normal end, stop from the NC, a program that ended unseen), the abort question in
// front of every way out, refused starts, and the main window's steps around it.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/exec_iso_dialog.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "machine/special_programs.h"
#include "machine/window_scale.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgram = "C:\\ISO\\PROG1.ISO";

class ExecIsoTest : public AppFixture {
protected:
    void StartOnline() {
        MakeOnline();
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        ASSERT_EQ(g_machineConnected, 1);
        Sim().SimSetDrivesRoot(drives_.c_str());
        Sim().SimSetAutoAdvance(0);   // the program moves only when a test steps it
        fs::create_directories(drives_ + "/C/ISO");
        WriteFile(drives_ + "/C/ISO/PROG1.ISO", "%\r\nN1 R599=77\r\nN2 R1=1\r\nN3 R2=2\r\n");
    }
    void TearDown() override {
        if (sim_.SimSetDrivesRoot != nullptr && g_machineConnected == 1) sim_.SimSetDrivesRoot(nullptr);
        AppFixture::TearDown();
    }
    // Shows the dialog and waits until the controller acknowledged the start.
    void ShowAndWaitForStart(CExecIsoDialog& d) {
        d.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return d.Timers().IsRunning(CExecIsoDialog::kIsoTimerId); }, 8000));
    }
    int CountTitle(const char* title) const {
        int n = 0;
        for (const auto& b : ui_->boxes)
            if (b.title == title) ++n;
        return n;
    }
};

// A run that never ends must fail the test, not hang it.
void GuardedExec(QDialog& d) {
    QTimer::singleShot(15000, &d, [&d] { d.QDialog::done(99); });
    d.exec();
}

} // namespace

TEST_F(ExecIsoTest, OfficeRunEndsAtFirstTickAndClearsTheListTitle) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 0);
    ASSERT_NE(g_pSpecialPrograms, nullptr);
    MainFrame->SetListTitle(1, kProgram);
    CExecIsoDialog d(MainFrame, kProgram);
    EXPECT_EQ(d.ProgramName(), "PROG1.ISO");
    GuardedExec(d);
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_TRUE(d.Finished());
    ASSERT_EQ(CountBoxesContaining("Simulazione Completata"), 1);
    EXPECT_EQ(ui_->boxes.back().title, "T_ATTENZIONE");
    EXPECT_TRUE(ui_->boxes.back().taskModal);
    EXPECT_EQ(MainFrame->listActive, 0);
    EXPECT_EQ(MainFrame->windowTitle().toStdString(), g_baseTitle);
    EXPECT_EQ(MainFrame->executionRunning, 0);
    EXPECT_EQ(ui_->waitDepth, 0);
    // In office mode the operator cannot abort: nothing runs.
    EXPECT_FALSE(d.Control(CExecIsoDialog::kIdCancel)->isEnabled());

    // The automatic test run ends it without the box.
    g_testRun = 1;
    CExecIsoDialog quiet(MainFrame, kProgram);
    GuardedExec(quiet);
    g_testRun = 0;
    EXPECT_EQ(quiet.result(), IDOK);
    EXPECT_EQ(CountBoxesContaining("Simulazione Completata"), 1);
}

TEST_F(ExecIsoTest, MainWindowRunsTheChosenProgramAndForgetsTheDialog) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    std::snprintf(g_isoProgramPath, sizeof g_isoProgramPath, "%s", kProgram);
    MainFrame->SetListTitle(1, g_isoProgramPath);
    QTimer::singleShot(15000, [] {
        if (MainFrame != nullptr && MainFrame->execIsoDialog) MainFrame->execIsoDialog->done(99);
    });
    MainFrame->OnExecIso();
    EXPECT_TRUE(MainFrame->execIsoDialog.isNull());
    EXPECT_EQ(CountBoxesContaining("Simulazione Completata"), 1);
    EXPECT_EQ(MainFrame->listActive, 0);

    // While a list is active the choice only beeps: the title stays.
    MainFrame->SetListTitle(1, "C:\\LDA\\X.LDA");
    const QString title = MainFrame->windowTitle();
    MainFrame->OnOpenIso();
    EXPECT_EQ(MainFrame->windowTitle(), title);
    EXPECT_EQ(MainFrame->listActive, 1);
}

TEST_F(ExecIsoTest, OnlineRunStartsRunsAndEndsByStateBit100) {
    StartOnline();
    MainFrame->SetListTitle(1, kProgram);
    CExecIsoDialog d(MainFrame, kProgram);
    ShowAndWaitForStart(d);
    EXPECT_EQ(ui_->waitDepth, 0);
    EXPECT_EQ(MainFrame->executionRunning, 1);
    EXPECT_EQ(Sim().SimGetR(470), 1.0);
    EXPECT_EQ(Sim().SimGetR(472), 1.0);
    EXPECT_TRUE(d.Control(CExecIsoDialog::kIdCancel)->isEnabled());
    const std::string fillav = ReadFile(drives_ + "/C/UVEN/LAV/LAV/FILLAV.TAB");
    EXPECT_EQ(fillav, std::string(kProgram) + "\r\n");

    // R452 seen: running, the blue running text.
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.Started() == 1; }, 5000));
    EXPECT_EQ(d.StatusText(), "");
    auto* status = qobject_cast<QLabel*>(d.Control(CExecIsoDialog::kIdStatus));
    EXPECT_EQ(status->text().toStdString(), CExecIsoDialog::kRunningText);
    EXPECT_FALSE(d.Finished());

    Sim().SimStepProgram(-1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.Finished(); }, 5000));
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_EQ(Sim().SimGetR(599), 77.0);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_STOP_FROM_NC")), 0);
    EXPECT_EQ(Sim().SimGetR(470), 0.0);
    EXPECT_EQ(Sim().SimGetR(472), 0.0);
    EXPECT_EQ(MainFrame->executionRunning, 0);
    EXPECT_EQ(MainFrame->listActive, 0);
    EXPECT_FALSE(d.Control(CExecIsoDialog::kIdCancel)->isEnabled());
}

TEST_F(ExecIsoTest, OnlineStopFromTheNcIsReported) {
    StartOnline();
    CExecIsoDialog d(MainFrame, kProgram);
    ShowAndWaitForStart(d);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.Started() == 1; }, 5000));
    Sim().SimStopFromNc();
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.Finished(); }, 5000));
    ASSERT_EQ(CountBoxesContaining(MsgString("M_STOP_FROM_NC")), 1);
    EXPECT_EQ(ui_->boxes.back().title, "T_ATTENZIONE");
    EXPECT_EQ(MainFrame->executionRunning, 0);
}

TEST_F(ExecIsoTest, ProgramThatEndedBeforeR452WasSeenIsNotFinished) {
    StartOnline();
    CExecIsoDialog d(MainFrame, kProgram);
    d.show();
    // The controller started the program: run it to its end before the watch looks.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Sim().SimProgramState() == SIM_RUN_RUNNING; }, 5000));
    Sim().SimStepProgram(-1);
    ASSERT_EQ(Sim().SimProgramState(), SIM_RUN_ENDED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.Timers().IsRunning(CExecIsoDialog::kIsoTimerId); }, 5000));
    QTest::qWait(1000);   // a few ticks
    EXPECT_FALSE(d.Finished());
    EXPECT_EQ(d.Started(), 0);
    EXPECT_EQ(d.StatusText(), MsgString("S_START_MSG"));
    ui_->script.push_back(IDYES);
    d.OnCancel();
    EXPECT_TRUE(d.Finished());
    EXPECT_EQ(Sim().SimGetR(481), 1.0);
}

TEST_F(ExecIsoTest, CloseBoxAndEscapeAskFirstAndNoKeepsTheRunGoing) {
    StartOnline();
    CExecIsoDialog d(MainFrame, kProgram);
    ShowAndWaitForStart(d);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.Started() == 1; }, 5000));

    ui_->script.push_back(IDNO);
    d.close();
    EXPECT_EQ(CountBoxesContaining(MsgString("M_ABORT")), 1);
    EXPECT_EQ(ui_->boxes.back().buttons, BoxButtons::YesNo);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.Finished());
    EXPECT_TRUE(d.Timers().IsRunning(CExecIsoDialog::kIsoTimerId));
    EXPECT_EQ(MainFrame->executionRunning, 1);
    EXPECT_EQ(Sim().SimGetR(470), 1.0);
    EXPECT_EQ(Sim().SimGetR(481), 0.0);

    ui_->script.push_back(IDNO);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_ABORT")), 2);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(MainFrame->executionRunning, 1);

    ui_->script.push_back(IDYES);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(d.Finished());
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(Sim().SimGetR(481), 1.0);
    EXPECT_EQ(Sim().SimGetR(470), 0.0);
    EXPECT_EQ(MainFrame->executionRunning, 0);
}

TEST_F(ExecIsoTest, RefusedStartLeavesTheDialogOpenWithoutWatch) {
    StartOnline();
    Sim().SimSetCommandResponse(SIM_CMD_REFUSE_NEXT, 5);
    CExecIsoDialog d(MainFrame, kProgram);
    d.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountTitle("T_ERRORE") == 1; }, 8000));
    EXPECT_EQ(ui_->boxes.back().text, std::string(MsgError("ERR_CMD")) + " 5");
    EXPECT_EQ(ui_->waitDepth, 0);
    QTest::qWait(600);
    EXPECT_FALSE(d.Finished());
    EXPECT_FALSE(d.Timers().IsRunning(CExecIsoDialog::kIsoTimerId));
    // No keeps it open and does not start a watch of a program that never started.
    ui_->script.push_back(IDNO);
    d.OnCancel();
    EXPECT_FALSE(d.Timers().IsRunning(CExecIsoDialog::kIsoTimerId));
    ui_->script.push_back(IDYES);
    d.OnCancel();
    EXPECT_TRUE(d.Finished());
    EXPECT_EQ(MainFrame->executionRunning, 0);
}

TEST_F(ExecIsoTest, AnswerAfterTheDialogIsGoneIsDropped) {
    StartOnline();
    {
        CExecIsoDialog d(MainFrame, kProgram);
        d.show();
        ui_->script.push_back(IDYES);
        d.OnCancel();   // aborted before the controller answered
        EXPECT_TRUE(d.Finished());
    }
    // The start commands still complete and their answer finds no dialog.
    QTest::qWait(1500);
    EXPECT_EQ(MainFrame->executionRunning, 0);
}

TEST_F(ExecIsoTest, GrabAtTwoScreenSizes) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    const char* dir = std::getenv("BRELON_GRAB_DIR");
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        MainFrame->resize(w, h);
        CExecIsoDialog d(MainFrame, kProgram);
        d.show();
        QCoreApplication::processEvents();
        EXPECT_LE(d.width(), w);
        EXPECT_LE(d.height(), h);
        auto* status = d.Control(CExecIsoDialog::kIdStatus);
        EXPECT_TRUE(d.rect().contains(status->geometry()));
        if (dir != nullptr) d.grab().save(QString("%1/exec_iso_%2x%3.png").arg(dir).arg(w).arg(h));
        g_testRun = 1;   // end quietly
        EXPECT_TRUE(QTest::qWaitFor([&] { return d.Finished(); }, 5000));
        g_testRun = 0;
    }
}
