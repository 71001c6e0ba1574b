// The execution monitor driven tick by tick: on-line against the simulated controller (R
// variables and status words set by the test between two ticks) and in office mode.
#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/exec_dialog.h"
#include "app/exec_files.h"
#include "app/label_job.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "engine/iso_generator.h"
#include "machine/bar_progress.h"
#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "simcnc/uvenlib_api.h"
#include "test_support/lda_writer.h"
#include "ui/ModelessDialog.h"
#include "ui/ViewDxfStatic.h"

namespace fs = std::filesystem;

namespace {
constexpr int32_t kCode = 4321;

int CountFiles(const std::string& dir, const std::string& ext) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ext) ++n;
    return n;
}
} // namespace

class ExecDialogTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CExecDialog::SetManualTimers(true);
    }
    void TearDown() override {
        host_.reset();
        CExecDialog::SetManualTimers(false);
        plat::SetClock(nullptr);
        app::g_labelPending = 0;
        AppFixture::TearDown();
    }

    void StartOnline(int variant = 1) {
        ResetProgramValues();
        MakeOnline();
        // The controller's state changes only between the test's own ticks: the main window's
        // status poll, on a real timer, would otherwise change it whenever a loaded machine
        // lets the test take longer than its period.
        WriteConfig("GENERAL", "STATUS_TIMER", "86400000");
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        ASSERT_EQ(g_machineConnected, 1);
        ApplyMachineVariant(variant);
    }
    void StartOffice() {
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        ASSERT_EQ(g_machineConnected, 0);
    }

    // The open list: one bar (its pieces' lengths in millimetres, none for a bar without
    // pieces) with its repetitions, computed as the confirmation leaves it.
    void LoadList(const std::vector<int>& pieceMm, int repetitions) {
        ldatest::ListSpec spec;
        ldatest::BarSpec bar;
        bar.name = "BAR1";
        bar.series = "S1";
        bar.code = "C1";
        bar.label = "RED";
        bar.length = 6500000;
        bar.yMax = 50000;
        bar.zMax = 40000;
        bar.repetitions = static_cast<uint16_t>(repetitions);
        for (std::size_t i = 0; i < pieceMm.size(); ++i) {
            ldatest::PieceSpec p;
            p.name = "P" + std::to_string(i + 1);
            p.length = pieceMm[i] * 1000;
            bar.pieces.push_back(p);
        }
        if (pieceMm.empty()) {
            ldatest::MachiningSpec m; // a bar without pieces carries its machinings itself
            m.x = 100000;
            bar.machinings.push_back(m);
        }
        spec.bars.push_back(bar);
        const std::string path = program_ + "L.lda";
        ASSERT_TRUE(ldatest::WriteLda(path, spec));
        delete g_pBarList;
        auto* list = new IsoProgramGenerator(path.c_str());
        g_pBarList = list;
        ASSERT_TRUE(list->IsLoaded()) << g_errorText;
        ASSERT_EQ(list->BarCount(), 1);
        list->IsoCode = kCode;
        list->currentBar = list->Bar(0);
        list->currentBarIndex = 0;
        for (std::size_t i = 0; i < pieceMm.size(); ++i) {
            auto p = std::make_unique<WorkingPiece>();
            p->Id = static_cast<int32_t>(i + 1);
            std::snprintf(p->Nome, sizeof p->Nome, "P%d", static_cast<int>(i + 1));
            p->Lung = pieceMm[i] * 1000;
            p->ADxRead = 90000;
            p->ASxRead = 45000;
            list->pieces.push_back(p.get());
            pieces_.push_back(std::move(p));
        }
    }

    CExecDialog& Open(int step, int barIndex = 0, int barCount = 1, int autoStart = 0) {
        host_ = std::make_unique<ui::CModelessDialog>(MainFrame);
        dlg_ = new CExecDialog(host_.get(), barIndex, barCount, step, autoStart);
        MainFrame->execDialog = dlg_;
        dlg_->show();
        QCoreApplication::processEvents(); // UM_EXEC_START
        return *dlg_;
    }
    void Tick() { dlg_->OnTimer(CExecDialog::kWatchTimer); }
    // The result the host received (-1 none yet).
    int HostResult() {
        QCoreApplication::processEvents();
        return host_->Result();
    }
    void ToPhase2() {
        Sim().SimSetR(452, 1);
        Tick();
        Sim().SimSetR(599, kCode);
        Sim().SimSetR(590, 0);
        Tick();
        ASSERT_EQ(dlg_->Phase(), 2);
    }
    // The program reached its end (R452 cleared, status word 3 END).
    void ProgramEnds() {
        Sim().SimSetR(452, 0);
        Sim().SimSetStatusWords(0, 0, UVEN_STACN_W3_END);
    }
    double R(int n) { return Sim().SimGetR(n); }
    std::string Text(int id) { return dlg_->ControlText(id).toStdString(); }
    int RepsLeftInList() { return g_pBarList->Bar(0)->repetitionsLeft; }

    std::unique_ptr<ui::CModelessDialog> host_;
    CExecDialog* dlg_ = nullptr;
    std::vector<std::unique_ptr<WorkingPiece>> pieces_;
};

TEST_F(ExecDialogTest, PhasesCountPiecesAndRepetitionsThenFinish) {
    StartOnline();
    LoadList({1000, 2000, 1500}, 2);
    CExecDialog& d = Open(2);
    EXPECT_EQ(MainFrame->executionRunning, 1);
    EXPECT_EQ(R(470), 1.0);
    EXPECT_EQ(R(472), 1.0);
    EXPECT_TRUE(d.TimerArmed(CExecDialog::kWatchTimer));
    EXPECT_EQ(d.TimerPeriod(CExecDialog::kWatchTimer), g_pSettings->ISO_TIMER);
    EXPECT_EQ(Text(CExecDialog::kIdRepText), "0/2");
    EXPECT_EQ(Text(CExecDialog::kIdPieceText), "0/3");

    Tick();
    EXPECT_EQ(d.Phase(), 0);
    EXPECT_EQ(d.StatusText(), MsgString("S_AUTO_MSG")); // not in automatic until the poll says so
    Sim().SimSetR(452, 1);
    Tick();
    EXPECT_EQ(d.Phase(), 1);
    Sim().SimSetR(599, -3); // not yet a code: phase 1 stays
    Tick();
    EXPECT_EQ(d.Phase(), 1);
    Sim().SimSetR(599, kCode);
    Sim().SimSetR(590, 0);
    Tick();
    ASSERT_EQ(d.Phase(), 2);
    EXPECT_EQ(d.StatusText(), "");

    // Several pieces between two ticks.
    Sim().SimSetR(590, 2);
    Tick();
    EXPECT_EQ(d.PiecesDone(), 2);
    EXPECT_EQ(d.LastPiece(), 2);
    EXPECT_EQ(Text(CExecDialog::kIdPieceName), "P2");
    EXPECT_EQ(Text(CExecDialog::kIdAngles), "90.00-45.00");
    EXPECT_EQ(Text(CExecDialog::kIdPieceText), "2/3");
    EXPECT_EQ(std::string(g_pSettings->lastBarSeries), "S1"); // the loaded bar is recorded
    Sim().SimSetR(590, 4);
    Tick();
    EXPECT_EQ(d.RepetitionsDone(), 1);
    EXPECT_EQ(d.PiecesDone(), 1);
    EXPECT_EQ(RepsLeftInList(), 1);
    EXPECT_EQ(Text(CExecDialog::kIdRepText), "1/2");
    // The controller reports more pieces than the run has: counting stops at its end.
    Sim().SimSetR(590, 9);
    Tick();
    EXPECT_TRUE(d.AllRepetitionsDone());
    EXPECT_EQ(d.RepetitionsDone(), 2);
    EXPECT_EQ(d.PiecesDone(), 0);
    EXPECT_EQ(RepsLeftInList(), 0);
    EXPECT_EQ(d.EndResult(), 0);

    ProgramEnds();
    Tick();
    EXPECT_EQ(d.EndResult(), 1);
    EXPECT_EQ(HostResult(), 1);
    EXPECT_EQ(R(470), 0.0);
    EXPECT_EQ(R(480), 0.0);
    EXPECT_EQ(MainFrame->executionRunning, 0);
    EXPECT_FALSE(d.TimerArmed(CExecDialog::kWatchTimer));
    EXPECT_EQ(CountBoxesContaining(MsgString("M_END_EXEC")), 1); // the last bar of the selection
}

TEST_F(ExecDialogTest, WrongProgramOnTheControllerStopsBeforeAnyPiece) {
    StartOnline();
    LoadList({1000, 1000}, 1);
    CExecDialog& d = Open(1);
    Sim().SimSetR(452, 1);
    Tick();
    Sim().SimSetR(599, 777);
    Sim().SimSetR(590, 1); // counted by that other program: never taken as this bar's
    Tick();
    EXPECT_EQ(d.EndResult(), 2);
    EXPECT_EQ(HostResult(), 2);
    EXPECT_EQ(d.PiecesDone(), 0);
    EXPECT_EQ(CountBoxesContaining(MsgError("ERR_ISOCODE")), 1);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_END_EXEC")), 0);
}

TEST_F(ExecDialogTest, StopFromTheController) {
    StartOnline();
    LoadList({1000, 1000}, 1);
    CExecDialog& d = Open(1);
    ToPhase2();
    Sim().SimSetR(455, 1);
    Tick();
    EXPECT_EQ(d.EndResult(), 2);
    EXPECT_EQ(HostResult(), 2);
    EXPECT_EQ(R(455), 0.0);
    EXPECT_EQ(R(470), 0.0);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_STOP_FROM_NC")), 1);
    EXPECT_FALSE(d.Control(CExecDialog::kIdStop)->isEnabled());
}

TEST_F(ExecDialogTest, StopAtBarEndWritesR572OnlyOnVariantsOneAndTwo) {
    for (int variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        StartOnline(variant);
        LoadList({1000}, 1);
        CExecDialog& d = Open(1);
        Sim().SimSetR(572, 7);
        d.OnOK();
        EXPECT_TRUE(d.StopAtBarEnd());
        EXPECT_EQ(R(591), 1.0);
        EXPECT_EQ(R(572), variant == 0 ? 7.0 : 1.0);
        EXPECT_EQ(d.BreakState(), 2);
        EXPECT_EQ(Text(CExecDialog::kIdBreak), MsgString("B_RESET_BREAK"));
        d.OnOK();
        EXPECT_FALSE(d.StopAtBarEnd());
        EXPECT_EQ(R(591), 0.0);
        EXPECT_EQ(R(572), variant == 0 ? 7.0 : 0.0);
        EXPECT_EQ(d.BreakState(), 3);
        EXPECT_EQ(Text(CExecDialog::kIdBreak), MsgString("B_SET_BREAK"));

        // Set again: the program's end ends the run as stopped.
        d.OnOK();
        ToPhase2();
        ProgramEnds();
        Tick();
        EXPECT_EQ(d.EndResult(), 2);
        EXPECT_EQ(CountBoxesContaining(MsgString("M_END_EXEC")), 0);
        host_.reset();
        app_.reset();
    }
}

TEST_F(ExecDialogTest, QueuedLabelDelaysTheEnd) {
    StartOnline();
    LoadList({1000}, 1);
    CExecDialog& d = Open(1);
    ToPhase2();
    Sim().SimSetR(590, 1);
    Tick();
    ASSERT_TRUE(d.AllRepetitionsDone());
    app::g_labelPending = 1;
    ProgramEnds();
    Tick();
    Tick();
    EXPECT_EQ(d.EndResult(), 0);
    app::g_labelPending = 0; // the print timer sent it
    Tick();
    EXPECT_EQ(d.EndResult(), 1);
}

TEST_F(ExecDialogTest, LabelQueuedAtAnAbruptEndIsSentNotDropped) {
    StartOnline();
    LoadList({1000, 1000}, 1);
    CExecDialog& d = Open(1);
    ToPhase2();
    app::g_labelPending = 1;
    Sim().SimSetR(455, 1);
    Tick();
    EXPECT_EQ(d.EndResult(), 2);
    EXPECT_EQ(app::g_labelPending, 0);
}

// A notice of a tick is shown once the tick returned: the print timer firing while its box is
// open prints the label (the run goes on behind the box).
TEST_F(ExecDialogTest, PrintTimerWhileATickNoticeIsOpenPrints) {
    StartOnline();
    LoadList({1000}, 1);
    CExecDialog& d = Open(1);
    // The time log cannot be opened: its box is open while the print timer fires.
    std::snprintf(MainFrame->timeLogPath, sizeof MainFrame->timeLogPath, "%s", (tmp_ + "none/X.tmx").c_str());
    ASSERT_TRUE(d.StartPrintTimer(1));
    app::g_labelPending = 1;
    int pendingInBox = -1;
    ui_->responder = [&](const MessageBoxRequest&) {
        d.OnTimer(CExecDialog::kPrintTimer);
        pendingInBox = app::g_labelPending;
        return IDOK;
    };
    Sim().SimSetR(485, 2.5);
    Tick();
    ui_->responder = nullptr;
    EXPECT_EQ(CountBoxesContaining("Error Opening .TMX File"), 1);
    EXPECT_EQ(pendingInBox, 0) << "printed while the box was open";
    EXPECT_FALSE(d.TimerArmed(CExecDialog::kPrintTimer));
}

TEST_F(ExecDialogTest, BarTimeGoesToTheTimeLog) {
    StartOnline();
    LoadList({1000}, 1);
    CExecDialog& d = Open(1);
    const std::string log = tmp_ + "T.tmx";
    std::snprintf(MainFrame->timeLogPath, sizeof MainFrame->timeLogPath, "%s", log.c_str());
    EXPECT_EQ(MainFrame->firstBarPending, 0);
    Sim().SimSetR(485, 2.5);
    Tick();
    EXPECT_EQ(MainFrame->cncTimeText, "2' 30\"");
    EXPECT_EQ(R(485), 0.0);
    EXPECT_EQ(ReadFile(log), std::string(13, ' ') + "S1" + std::string(13, ' ') + "C1" + std::string(11, ' ') +
                                 "BAR1" + std::string(9, ' ') + "2' 30\"\r\n");
    EXPECT_EQ(Text(CExecDialog::kIdBarTime), std::string(MsgString("S_TIME_BAR")) + " 2' 30\"");
    EXPECT_EQ(MainFrame->firstBarPending, 0); // shown in the same tick
    EXPECT_EQ(d.EndResult(), 0);
}

TEST_F(ExecDialogTest, StopNowAfterConfirmation) {
    StartOnline();
    LoadList({1000, 1000}, 1);
    CExecDialog& d = Open(1);
    ToPhase2();
    ui_->script = {IDNO};
    d.OnCancel();
    EXPECT_FALSE(d.AbortRequested());
    EXPECT_TRUE(d.TimerArmed(CExecDialog::kWatchTimer));
    ui_->script = {IDYES};
    d.OnCancel();
    EXPECT_TRUE(d.AbortRequested());
    EXPECT_EQ(R(481), 1.0);
    EXPECT_EQ(d.BreakState(), 1);
    EXPECT_FALSE(d.Control(CExecDialog::kIdStop)->isEnabled());
    EXPECT_FALSE(d.Control(CExecDialog::kIdBreak)->isEnabled());
    Tick();
    EXPECT_EQ(HostResult(), 2);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_END_EXEC")), 0);
}

TEST_F(ExecDialogTest, ResumesAtTheStoredPieceAndRefusesAStoredPositionOutsideTheBar) {
    StartOnline();
    g_pSettings->MEM_PEZZI = 1;
    LoadList({1000, 1100, 1200, 1300}, 1);
    const BarRecord* bar = g_pBarList->Bar(0);
    ASSERT_EQ(WriteBarProgress(bar->index, g_pBarList->ListPath(), 2), 0);
    CExecDialog& d = Open(1);
    EXPECT_EQ(d.PiecesDone(), 2);
    EXPECT_EQ(Text(CExecDialog::kIdPieceText), "2/4");
    ToPhase2();
    Sim().SimSetR(590, 1);
    Tick();
    EXPECT_EQ(Text(CExecDialog::kIdPieceName), "P3");
    EXPECT_EQ(ReadBarProgress(bar->index, g_pBarList->ListPath()), 3);
    host_.reset();

    for (int stored : {4, 17, -2}) {
        ASSERT_EQ(WriteBarProgress(bar->index, g_pBarList->ListPath(), stored), 0);
        CExecDialog& again = Open(1);
        EXPECT_EQ(again.PiecesDone(), 0) << stored;
        host_.reset();
    }
}

namespace {
// The operating system's answer for the bar progress file: its writes fail with g_writeFault
// (ENOSPC: a full drive), its removal with g_removeFault.
int g_writeFault = 0;
int g_removeFault = 0;
int ProgressFileFault(const char* nativePath, plat::FileOp op) {
    if (fs::path(nativePath).filename() != "STATBAR.TXT") return 0;
    if (op == plat::FileOp::Write) return g_writeFault;
    if (op == plat::FileOp::Remove) return g_removeFault;
    return 0;
}
} // namespace

TEST_F(ExecDialogTest, AProgressRecordThatCannotBeWrittenIsToldAndLeavesNoStaleCount) {
    const struct {
        int removeFault; // 0: the stale record can be removed
        bool kept;       // the stale record stays on the drive
    } cases[] = {{0, false}, {EIO, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.removeFault);
        TearDown();
        SetUp();
        StartOnline();
        g_pSettings->MEM_PEZZI = 1;
        LoadList({1000, 1100, 1200, 1300}, 2);
        const BarRecord* bar = g_pBarList->Bar(0);
        CExecDialog& d = Open(2);
        ToPhase2();
        Sim().SimSetR(590, 3);
        Tick();
        ASSERT_EQ(ReadBarProgress(bar->index, g_pBarList->ListPath()), 3);
        // The drive is full from here on: the fourth piece's record (then the repetition's 0)
        // cannot be written.
        g_writeFault = ENOSPC;
        g_removeFault = c.removeFault;
        plat::SetFileFaultForTests(ProgressFileFault);
        Sim().SimSetR(590, 5);
        Tick();
        plat::SetFileFaultForTests(nullptr);
        EXPECT_EQ(d.RepetitionsDone(), 1);
        // Told once, naming the file and the reason.
        EXPECT_EQ(CountBoxesContaining("Cannot write the file (no space left on the drive):"), 1);
        EXPECT_EQ(CountBoxesContaining("STATBAR.TXT"), 1);
        // No record is taken as progress: a restart starts the next repetition from its first
        // piece, never after pieces that were not made; the bar goes on.
        EXPECT_EQ(ReadBarProgress(bar->index, g_pBarList->ListPath()), 0);
        EXPECT_EQ(fs::exists(drives_ + "/C/BRELON3/VELMO/STATBAR.TXT"), c.kept);
        EXPECT_FALSE(d.AbortRequested());
    }
}

TEST_F(ExecDialogTest, UnloadedBarLineOnR593) {
    StartOnline();
    LoadList({1000}, 2);
    g_pSettings->options.MAGAZZINO_CARICO = 1;
    const std::string store = tmp_ + "store/";
    fs::create_directories(store);
    const char* config = PathSlot(PathTable::kConfigPar);
    plat::WriteProfileString("UNLOADING", "PATH", store.c_str(), config);
    CExecDialog& d = Open(2);
    ToPhase2();
    Sim().SimSetR(593, 1);
    Tick(); // not enabled: cleared, nothing written
    EXPECT_EQ(R(593), 0.0);
    EXPECT_FALSE(fs::exists(store + "L.NV2"));
    plat::WriteProfileString("UNLOADING", "ENABLE", "1", config);
    Sim().SimSetR(593, 1);
    Tick();
    Sim().SimSetR(593, 1);
    Tick();
    EXPECT_EQ(R(593), 0.0);
    EXPECT_EQ(ReadFile(store + "L.NV2"), "C1;6500;1\r\nC1;6500;1\r\n");
    EXPECT_EQ(d.EndResult(), 0);
}

TEST_F(ExecDialogTest, BarCodeFilesOfPiecesFinishedInOneSecond) {
    StartOnline(2);
    plat::FakeClock clock;
    plat::SetClock(&clock);
    g_pSettings->CONF_LINEA = 1;
    const std::string dir = tmp_ + "v1v2/";
    fs::create_directories(dir);
    std::snprintf(g_pSettings->DIR_V1V2, sizeof g_pSettings->DIR_V1V2, "%s", dir.c_str());
    LoadList({1000, 1000, 1000}, 1);
    Open(1);
    ToPhase2();
    Sim().SimSetR(590, 2);
    Tick();
    EXPECT_EQ(CountFiles(dir, ".bcf"), 2);
    const std::string stem = app::BarCodeFileStem(clock.Now());
    EXPECT_EQ(ReadFile(dir + stem + ".bcf"), "P1\r\nL");
    EXPECT_EQ(ReadFile(dir + stem + "_1.bcf"), "P2\r\nL");
}

TEST_F(ExecDialogTest, OfficeModeOnePiecePerTickEndsWithOne) {
    StartOffice();
    LoadList({1000, 1000}, 2);
    CExecDialog& d = Open(2);
    EXPECT_EQ(d.StatusText(), "");
    Tick();
    EXPECT_EQ(d.PiecesDone(), 1);
    Tick();
    EXPECT_EQ(d.RepetitionsDone(), 1);
    d.OnOK(); // stop at bar end: in office mode it ends the run after this repetition
    Tick();
    Tick();
    EXPECT_EQ(d.RepetitionsDone(), 2);
    EXPECT_TRUE(d.AbortRequested());
    Tick();
    EXPECT_EQ(d.EndResult(), 1);
    EXPECT_EQ(HostResult(), 1);
}

TEST_F(ExecDialogTest, ProfilePictureShowsTheRunningBar) {
    // The monitor's preview takes the running bar as the bar views do: its drawing with the
    // bar-end outline and extension values, mirrored and turned by the bar's section angle.
    StartOffice();
    LoadList({1000}, 1);
    BarRecord& bar = *g_pBarList->Bar(0);
    bar.flag = 1;
    bar.realValue = 45.0f;
    bar.offsetY = 0;
    bar.offsetZ = 5000;
    const std::string drawing = std::string(g_pSettings->DIR_DXF) + "S1\\C1.dxf";
    fs::create_directories(plat::NativePath(std::string(g_pSettings->DIR_DXF) + "S1"));
    fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "tests/fixtures/dxf/l_section.dxf", plat::NativePath(drawing));
    Open(1);
    auto* view = dlg_->findChild<ui::MViewDXFStatic*>(QStringLiteral("id_%1").arg(CExecDialog::kIdDrawing));
    ASSERT_NE(view, nullptr);
    const ui::PreviewState& st = view->State();
    EXPECT_FALSE(st.path.empty());
    EXPECT_TRUE(st.outline);
    EXPECT_EQ(st.variant, 0);
    ASSERT_TRUE(st.bar.has_value());
    EXPECT_TRUE(st.mirror);
    EXPECT_EQ(st.angle, 45.0);
    EXPECT_EQ(st.extension1, 0);
    EXPECT_EQ(st.extension2, 5000);
}

TEST_F(ExecDialogTest, OfficeModeWithLabelsAsksForEachPiece) {
    StartOffice();
    LoadList({1000, 1000}, 1);
    CExecDialog& d = Open(1);
    app::g_labelPrintOn = 1;
    Tick();
    EXPECT_EQ(CountBoxesContaining(MsgString("M_PRESS2PRINT")), 1);
    EXPECT_TRUE(d.TimerArmed(CExecDialog::kWatchTimer));
    app::g_labelPending = 0;
    Tick();
    EXPECT_EQ(CountBoxesContaining(MsgString("M_PRESS2PRINT")), 2);
    app::g_labelPending = 0;
    app::g_labelPrintOn = 0;
    Tick();
    EXPECT_EQ(d.EndResult(), 1);
}

TEST_F(ExecDialogTest, LooksRightOnBothScreens) {
    StartOnline();
    LoadList({1000, 2000}, 3);
    const char* shots = std::getenv("BRELON_SHOT_DIR");
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        MainFrame->setGeometry(0, 0, w, h);
        QCoreApplication::processEvents();
        CExecDialog& d = Open(3);
        ToPhase2();
        Sim().SimSetR(590, 1);
        Tick();
        d.OnOK(); // the longer caption of the stop-at-bar-end button
        QCoreApplication::processEvents();
        // Every text control is wide and tall enough for its text.
        for (int id : {CExecDialog::kIdPieceName, CExecDialog::kIdAngles, CExecDialog::kIdLength, CExecDialog::kIdRepText, CExecDialog::kIdPieceText,
                       CExecDialog::kIdStop, CExecDialog::kIdBreak, CExecDialog::kIdList}) {
            QWidget* c = d.Control(id);
            ASSERT_NE(c, nullptr);
            const QFontMetrics fm(c->font());
            EXPECT_LE(fm.horizontalAdvance(dlg_->ControlText(id)), c->width()) << id << " at " << w;
            EXPECT_LE(fm.height(), c->height()) << id << " at " << w;
        }
        const QPixmap shot = d.grab();
        EXPECT_FALSE(shot.isNull());
        if (shots != nullptr) shot.save(QString("%1/exec_%2x%3.png").arg(shots).arg(w).arg(h));
        host_.reset();
    }
}

TEST_F(ExecDialogTest, RunsInItsHostOnRealTimers) {
    CExecDialog::SetManualTimers(false);
    StartOffice();
    g_pSettings->ISO_TIMER = 20;
    LoadList({1000, 1000}, 1);
    host_ = std::make_unique<ui::CModelessDialog>(MainFrame);
    auto* d = new CExecDialog(host_.get(), 0, 1, 1, 0);
    MainFrame->execDialog = d;
    EXPECT_EQ(host_->RunDialog(d, CExecDialog::kTemplateId), 1);
    EXPECT_EQ(d->RepetitionsDone(), 1);
    EXPECT_EQ(RepsLeftInList(), 0);
    EXPECT_EQ(MainFrame->executionRunning, 0);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_END_EXEC")), 1);
    delete d;
}

TEST_F(ExecDialogTest, StoppedPartialBarIsLogged) {
    const std::string logDir = tmp_ + "events/";
    fs::create_directories(logDir);
    WriteConfig("GENERAL", "LOG_SUPERVISOR", "1");
    WriteConfig("GENERAL", "DIR_LOG", logDir.c_str());
    StartOnline();
    g_pSettings->MEM_PEZZI = 1;
    LoadList({1000, 1100, 1200, 1300}, 1);
    ASSERT_EQ(WriteBarProgress(g_pBarList->Bar(0)->index, g_pBarList->ListPath(), 1), 0);
    CExecDialog& d = Open(1);
    ToPhase2();
    Sim().SimSetR(590, 2);
    Tick();
    ASSERT_EQ(d.PiecesDone(), 3);
    ui_->script = {IDYES};
    d.OnCancel();
    Tick();
    EXPECT_EQ(HostResult(), 2);
    const std::string log = ReadFile(static_cast<CStatoCncOn*>(g_pCncState)->EventLogPath());
    // The pieces of this run only: from the resumed piece to the last finished one.
    EXPECT_NE(log.find(";PIECE;L;BAR1;C1;6500;2;0;"), std::string::npos) << log;
    EXPECT_EQ(log.find(";MULTI;P1;"), std::string::npos);
    EXPECT_NE(log.find(";MULTI;P2;C1;1100"), std::string::npos);
    EXPECT_NE(log.find(";MULTI;P3;C1;1200"), std::string::npos);
    EXPECT_EQ(log.find(";MULTI;P4;"), std::string::npos);
}
