// The bar selection and bar confirmation offscreen on a demo list in office mode: the list and
// its selection, find, refusals, one bar started and monitored, and the guards around a start.
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <cstdlib>
#include <filesystem>

#include "app/conf_bar_dialog.h"
#include "app/exec_dialog.h"
#include "app/main_frame.h"
#include "app/sel_bar_dialog.h"
#include "app_fixture.h"
#include "engine/iso_generator.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/window_scale.h"
#include "platform/profile.h"
#include "test_support/lda_writer.h"
#include "ui/OwnControls.h"
#include "ui/qt_text.h"
#include "ui/window_message.h"

namespace fs = std::filesystem;

namespace {

void Pump(int rounds = 6) {
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

std::string Text(const QString& s) { return ui::FromQt(s); }

struct HideCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide) ++count;
        return false;
    }
};

} // namespace

class SelConfAppTest : public AppFixture {
protected:
    // Opens a demo list through the automatic test run's list, then lets the test drive the
    // dialogs (no automatic confirmation).
    void OpenDemoList(const char* name = "PORTE.lda") {
        fs::create_directories(ListFolder());
        fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "LDA" / name, ListFolder() + name);
        OpenList(name);
    }
    std::string ListFolder() const { return drives_ + "/C/BRELON3/VELMO/LDA/"; }
    // Opens a list already in the list folder.
    void OpenList(const char* name) {
        const std::string lda = ListFolder();
        WriteFile(lda + "TestList.txt", std::string(name) + "\r\n");
        const std::string testPar = program_ + "CONF/TEST.PAR";
        plat::WriteProfileString("TEST", "FLAG_TEST_MACHINE", "1", testPar.c_str());
        plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", "1", testPar.c_str());
        WriteConfig("GENERAL", "ISO_TIMER", "20");
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        g_testAutoConfirm = 0;
        Pump();
        ASSERT_NE(g_pBarList, nullptr);
        ASSERT_TRUE(g_pBarList->IsLoaded());
        ASSERT_NE(Sel(), nullptr);
    }
    CSelBarDialog* Sel() const { return qobject_cast<CSelBarDialog*>(MainFrame->selBarDialog.data()); }
    CConfBarDialog* Conf() const { return qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data()); }
    int Boxes(const char* key) const { return CountBoxesContaining(MsgString(key)); }
    // Confirms the selection and shows the bar confirmation.
    CConfBarDialog* Confirm() {
        Sel()->OnOK();
        Pump();
        return Conf();
    }
    // Waits for the start and the monitor; a monitor still running after the limit is closed
    // (the host takes that as an aborted bar).
    void WaitForRun(CConfBarDialog* conf, int limitMs = 8000) {
        QPointer<CConfBarDialog> guard(conf);
        QElapsedTimer t;
        t.start();
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (t.elapsed() > limitMs && MainFrame != nullptr && MainFrame->execDialog) MainFrame->execDialog->hide();
        });
        watchdog.start(50);
        while (guard && (guard->StartPending() || guard->Running()) && t.elapsed() < limitMs + 4000) Pump(1);
        Pump();
    }
};

TEST_F(SelConfAppTest, SelectionListsTheBarsLeftAllSelected) {
    OpenDemoList();
    CSelBarDialog* sel = Sel();
    EXPECT_FALSE(sel->isHidden());
    EXPECT_EQ(Text(sel->windowTitle()), MsgString("T_SEL_LIST"));
    const int rows = g_pBarList->BarsLeft();
    ASSERT_GT(rows, 1);
    ui::CListCtrlStyled* list = sel->List();
    ASSERT_EQ(list->ItemCount(), rows);
    EXPECT_EQ(sel->RowCount(), rows);
    EXPECT_EQ(list->GetSelectedCount(), rows);
    EXPECT_EQ(Text(sel->CountText()), std::string(MsgString("S_BAR_SEL")) + " " + std::to_string(rows) + "/" +
                                          std::to_string(rows));
    EXPECT_FALSE(sel->Control(CSelBarDialog::kIdConfRalla)->isEnabled());
    for (int r = 0; r < rows; ++r) {
        const BarRecord& bar = *g_pBarList->Bar(sel->RowBar(r));
        EXPECT_EQ(Text(list->ItemText(r, 0)), bar.name);
        EXPECT_EQ(Text(list->ItemText(r, 4)), std::to_string(bar.repetitionsLeft));
        EXPECT_FALSE(list->ItemText(r, 5).isEmpty());
    }
    // The all-bars button toggles the whole selection; the toggle starts off, so its first
    // press selects all.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_EQ(list->GetSelectedCount(), rows - 1);
    sel->OnAllBars();
    EXPECT_EQ(list->GetSelectedCount(), rows);
    sel->OnAllBars();
    EXPECT_LE(list->GetSelectedCount(), 1);
    EXPECT_NE(Text(sel->CountText()).find("/" + std::to_string(rows)), std::string::npos);
    sel->OnAllBars();
    EXPECT_EQ(list->GetSelectedCount(), rows);
}

// Every column is as wide as its header and as the widest of its texts, over every row of a
// list longer than the 1000 rows a view measures: the widest name is the last row's.
TEST_F(SelConfAppTest, NoColumnCutsItsTextOnALongList) {
    ldatest::ListSpec spec = ldatest::LargeList(1200, 1, 0);
    spec.bars.back().name = "WWWWWWWW";
    fs::create_directories(ListFolder());
    ASSERT_TRUE(ldatest::WriteLda(ListFolder() + "LONG.lda", spec));
    OpenList("LONG.lda");
    ui::CListCtrlStyled* list = Sel()->List();
    ASSERT_EQ(list->ItemCount(), 1200);
    // A cell's text is drawn whole when it fits between the style's text margins.
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    const QFontMetrics metrics(list->font());
    bool sawWidest = false;
    for (int c = 0; c < list->columnCount(); ++c) {
        const int width = list->columnWidth(c);
        EXPECT_GE(width, list->header()->sectionSizeHint(c)) << "header of column " << c;
        for (int r = 0; r < list->ItemCount(); ++r) {
            const QString text = list->ItemText(r, c);
            sawWidest = sawWidest || text == "WWWWWWWW";
            ASSERT_LE(metrics.horizontalAdvance(text) + margins, width) << "row " << r << " column " << c;
        }
    }
    EXPECT_TRUE(sawWidest);
}

TEST_F(SelConfAppTest, NothingSelectedIsRefusedAndFindSelectsByName) {
    OpenDemoList();
    CSelBarDialog* sel = Sel();
    ui::CListCtrlStyled* list = sel->List();
    // Nothing selected: the all-bars toggle, then a click on the focus row it keeps.
    sel->OnAllBars();
    for (int r = 0; r < list->ItemCount(); ++r)
        if (list->IsRowSelected(r))
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(r)).center());
    ASSERT_EQ(list->GetSelectedCount(), 0);
    EXPECT_EQ(Text(sel->CountText()), std::string(MsgString("S_BAR_SEL")) + " 0/" + std::to_string(list->ItemCount()));
    sel->OnOK();
    EXPECT_EQ(Boxes("M_NUL_BAR"), 1);
    EXPECT_FALSE(sel->isHidden());

    // Find by the first two letters of a bar's name with a star: every row beginning so.
    const std::string first = Text(list->ItemText(0, 0));
    ASSERT_GE(first.size(), 2u);
    const std::string prefix = first.substr(0, 2);
    auto* edit = qobject_cast<QLineEdit*>(sel->Control(CSelBarDialog::kIdFindText));
    edit->setText(ui::ToQt(prefix + "*"));
    ui_->script.push_back(IDYES);
    sel->OnFindBar();
    int expected = 0;
    for (int r = 0; r < list->ItemCount(); ++r) {
        const bool begins = Text(list->ItemText(r, 0)).rfind(prefix, 0) == 0;
        expected += begins;
        EXPECT_EQ(list->IsRowSelected(r), begins) << r;
    }
    EXPECT_EQ(list->GetSelectedCount(), expected);
    EXPECT_EQ(Boxes("M_NUM_BAR"), 1);

    // Answered No: nothing changes. Nothing found: the notice only.
    edit->setText(ui::ToQt(first));
    ui_->script.push_back(IDNO);
    sel->OnFindBar();
    EXPECT_EQ(list->GetSelectedCount(), expected);
    edit->setText("ZZZZZZ");
    sel->OnFindBar();
    EXPECT_EQ(Boxes("M_NO_BAR"), 1);
    EXPECT_EQ(list->GetSelectedCount(), expected);
    // Cancel clears the list title and hides the selection; the list stays in memory.
    sel->OnCancel();
    EXPECT_TRUE(sel->isHidden());
    EXPECT_EQ(MainFrame->listActive, 0);
    EXPECT_NE(g_pBarList, nullptr);
}

TEST_F(SelConfAppTest, FailedConfirmationKeepsEveryRowOnItsBar) {
    OpenDemoList();
    CSelBarDialog* sel = Sel();
    ui::CListCtrlStyled* list = sel->List();
    const int last = list->ItemCount() - 1;
    ASSERT_GT(last, 0);
    // Only the last row, whose bar is too short for the machine.
    auto* edit = qobject_cast<QLineEdit*>(sel->Control(CSelBarDialog::kIdFindText));
    edit->setText(list->ItemText(last, 0));
    ui_->script.push_back(IDYES);
    sel->OnFindBar();
    ASSERT_EQ(list->GetSelectedCount(), 1);
    g_pBarList->Bar(sel->RowBar(last))->length = 1;
    sel->OnOK();
    EXPECT_EQ(CountBoxesContaining(std::string()), 2); // the question, then the length check
    EXPECT_FALSE(sel->isHidden());
    // The failed confirmation gathered that bar at the head; the rows still name their bars.
    EXPECT_EQ(sel->RowBar(last), 0);
    for (int r = 0; r <= last; ++r) EXPECT_EQ(Text(list->ItemText(r, 0)), g_pBarList->Bar(sel->RowBar(r))->name);
}

TEST_F(SelConfAppTest, ConfirmationShowsTheFirstBarAndRefusesABadStep) {
    OpenDemoList();
    const int bars = g_pBarList->BarsLeft();
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);
    EXPECT_TRUE(Sel()->isHidden());
    EXPECT_FALSE(conf->isHidden());
    EXPECT_EQ(conf->CurrentIndex(), 0);
    EXPECT_EQ(conf->BarCount(), bars);
    EXPECT_EQ(Text(conf->ControlText(CConfBarDialog::kIdBarNumber)), "1 / " + std::to_string(bars));
    const BarRecord* bar = conf->CurrentBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Text(conf->ControlText(CConfBarDialog::kIdName)), bar->name);
    EXPECT_EQ(Text(conf->ControlText(CConfBarDialog::kIdRepetitionsLeft)), std::to_string(bar->repetitionsLeft));
    // Step 0 configured: "1" above the "all" line, the top one chosen.
    auto* box = qobject_cast<QComboBox*>(conf->Control(CConfBarDialog::kIdStepBox));
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(Text(box->itemText(0)), "1");
    EXPECT_EQ(Text(box->itemText(1)), MsgString("S_TUTTE"));

    box->setEditText("3a");
    conf->OnOK();
    EXPECT_EQ(Boxes("S_PASSO_RIP"), 1);
    EXPECT_FALSE(conf->StartPending());
    // The demo bar's set-up differs from the mounted one: shown in red, and a change that is
    // forbidden or refused starts nothing.
    box->setCurrentIndex(0);
    ASSERT_NE(conf->Flags() & CConfBarDialog::kFlagSetupDiffers, 0);
    int red = 0;
    for (int id : CConfBarDialog::kToolIds)
        if (auto* l = qobject_cast<ui::CColorLabel*>(conf->Control(id)); l != nullptr && l->TextColor() == Qt::red) ++red;
    EXPECT_GT(red, 0);
    g_pSettings->CHANGE_RALLA = 0;
    conf->OnOK();
    EXPECT_EQ(Boxes("ERR_CONF_RALLA"), 1);
    EXPECT_FALSE(conf->StartPending());
    g_pSettings->CHANGE_RALLA = 1;
    g_testHidePopups = 0;
    ui_->script.push_back(IDCANCEL);
    conf->OnOK();
    EXPECT_EQ(Boxes("M_CH_CONF"), 1);
    EXPECT_FALSE(conf->StartPending());
    // The refresh after a run never moves to another bar.
    conf->RefreshBarDisplay();
    EXPECT_EQ(conf->CurrentIndex(), 0);
    EXPECT_FALSE(conf->Closed());
}

TEST_F(SelConfAppTest, OfficeBarStartsOnceAndTheMonitorRunsOnce) {
    OpenDemoList();
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);
    QPointer<CConfBarDialog> guard(conf);
    auto* box = qobject_cast<QComboBox*>(conf->Control(CConfBarDialog::kIdStepBox));
    box->setCurrentIndex(0); // one repetition

    // An answer nobody asked for starts nothing.
    conf->Post(UM_CNC_CMD_RESULT, 0, 0);
    Pump();
    EXPECT_FALSE(conf->Running());
    EXPECT_TRUE(MainFrame->execDialog.isNull());

    conf->OnOK();
    for (const auto& b : ui_->boxes) ADD_FAILURE() << b.title << ": " << b.text;
    ASSERT_TRUE(conf->StartPending());
    EXPECT_EQ(conf->RepetitionsToRunNow(), 1);
    const std::string iso = ReadFile(program_ + "OUTPUT.ISO");
    EXPECT_NE(iso.find("R599=9999"), std::string::npos);
    EXPECT_EQ(dynamic_cast<IsoProgramGenerator*>(g_pBarList)->IsoCode, 9999);
    // A second confirmation while the start is pending is ignored.
    fs::remove(program_ + "OUTPUT.ISO");
    conf->OnOK();
    EXPECT_FALSE(fs::exists(program_ + "OUTPUT.ISO"));

    // During the run: the main window holds the monitor and a stray answer changes nothing.
    // Its minimise and maximise boxes are away, without hiding the window.
    ASSERT_NE(MainFrame->windowHandle(), nullptr);
    const Qt::WindowFlags before = MainFrame->windowHandle()->flags();
    HideCounter hides;
    MainFrame->installEventFilter(&hides);
    int monitorsSeen = 0;
    bool boxesAway = false;
    QPointer<QDialog> seen;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (MainFrame == nullptr || MainFrame->execDialog.isNull()) return;
        if (seen != MainFrame->execDialog) {
            seen = MainFrame->execDialog;
            ++monitorsSeen;
            boxesAway = !(MainFrame->windowHandle()->flags() & Qt::WindowMinMaxButtonsHint);
            if (guard) guard->Post(UM_CNC_CMD_RESULT, 0, 0);
            if (guard) guard->OnOK();
        }
    });
    probe.start(5);
    WaitForRun(conf);
    probe.stop();
    EXPECT_EQ(monitorsSeen, 1);
    EXPECT_TRUE(boxesAway);
    MainFrame->removeEventFilter(&hides);
    EXPECT_EQ(hides.count, 0);
    EXPECT_TRUE(MainFrame->isVisible());
    EXPECT_EQ(MainFrame->windowHandle()->flags(), before);
    EXPECT_TRUE(MainFrame->execDialog.isNull());
    if (guard) {
        EXPECT_FALSE(guard->Running());
        EXPECT_FALSE(guard->StartPending());
    }
}

TEST_F(SelConfAppTest, TimeOutAnswerClearsTheAutomaticFlagAndKeepsTheBar) {
    OpenDemoList();
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);
    conf->OnOK();
    ASSERT_TRUE(conf->StartPending());
    conf->OnCncCmdResult(-1);
    EXPECT_EQ(Boxes("TIMEOUT_CMD") + CountBoxesContaining(MsgError("TIMEOUT_CMD")), 1);
    EXPECT_FALSE(conf->StartPending());
    EXPECT_EQ(conf->AutomaticFlag(), 0);
    Pump(); // the office start's own answer arrives late: ignored
    EXPECT_FALSE(conf->Running());
    EXPECT_EQ(conf->CurrentIndex(), 0);
    EXPECT_TRUE(MainFrame->execDialog.isNull());
}

TEST_F(SelConfAppTest, SkippingPastTheLastBarClosesTheRun) {
    OpenDemoList();
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);
    QPointer<CConfBarDialog> guard(conf);
    const int bars = conf->BarCount();
    ui_->defaultAnswer = IDYES;
    for (int i = 1; i < bars; ++i) {
        conf->OnSkip();
        EXPECT_EQ(conf->CurrentIndex(), i);
    }
    conf->OnSkip();
    EXPECT_TRUE(conf->Closed());
    Pump();
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(MainFrame->confBarDialog.isNull());
    // Bars are left with repetitions: back to the selection.
    EXPECT_NE(Sel(), nullptr);
    EXPECT_FALSE(Sel()->isHidden());
}

TEST_F(SelConfAppTest, MonitorEndingWithTheConfirmationGoneTouchesNothing) {
    OpenDemoList();
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);
    QPointer<CConfBarDialog> guard(conf);
    conf->OnOK();
    ASSERT_TRUE(conf->StartPending());
    // While the monitor runs, the confirmation is deleted under it (the main window going).
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (MainFrame != nullptr && !MainFrame->execDialog.isNull() && guard) delete guard.data();
    });
    probe.start(5);
    QElapsedTimer t;
    t.start();
    while (guard && t.elapsed() < 8000) Pump(1);
    probe.stop();
    Pump();
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(MainFrame->execDialog.isNull());
    EXPECT_TRUE(MainFrame->confBarDialog.isNull());
    EXPECT_TRUE(MainFrame->isEnabled());
}

TEST_F(SelConfAppTest, MagazineWithBarsOfDifferentProfilesWritesNoLoadingList) {
    WriteConfig("LOADING", "ENABLE", "1");
    OpenDemoList();
    g_pSettings->options.MAGAZZINO_CARICO = 1;
    const std::string nv1 = program_ + "CONF/PORTE.NV1";
    WriteFile(nv1, "older\r\n");
    Sel()->OnOK(); // the demo list's two bars are of two codes
    Pump();
    EXPECT_EQ(CountBoxesContaining(MsgError("ERR_PROF_DIVERSI")), 1);
    EXPECT_FALSE(Sel()->isHidden());
    EXPECT_EQ(Conf(), nullptr);
    EXPECT_FALSE(fs::exists(nv1));
}

TEST_F(SelConfAppTest, OnlineEndOfListAppendsTheMachiningTotalToTheTimeLog) {
    MakeOnline();
    g_machiningTimeTotal = 7.0; // left from before: the opening starts the list's total again
    PutTestList("PORTE.lda");
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    g_testAutoConfirm = 0;
    Sim().SimSetR(456, 1.0); // the controller reports itself on
    Pump();
    ASSERT_EQ(MainFrame->listActive, 1);
    EXPECT_EQ(g_machiningTimeTotal, 0.0);
    ASSERT_EQ(MainFrame->timeLogFresh, 1);
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);

    // Every bar done: skipping past the last one ends the list.
    for (int i = 0; i < g_pBarList->BarCount(); ++i) g_pBarList->SetBarRepetitionsLeft(i, 0);
    g_machiningTimeTotal = 2.5;
    ui_->defaultAnswer = IDYES;
    for (int i = 0; i < 10 && !conf->Closed(); ++i) conf->OnSkip();
    ASSERT_TRUE(conf->Closed());
    Pump();
    EXPECT_EQ(MainFrame->listRunning, 0);
    const std::string log = ReadFile(program_ + "LOG/PORTE.tmx");
    const std::string tail = std::string(60, '=') + "\r\n\r\nTotal Elapsed Time: 2' 30\"\r\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST_F(SelConfAppTest, OfficeEndOfListWritesNoTotal) {
    OpenDemoList();
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);
    for (int i = 0; i < g_pBarList->BarCount(); ++i) g_pBarList->SetBarRepetitionsLeft(i, 0);
    ui_->defaultAnswer = IDYES;
    for (int i = 0; i < 10 && !conf->Closed(); ++i) conf->OnSkip();
    ASSERT_TRUE(conf->Closed());
    Pump();
    EXPECT_EQ(MainFrame->listActive, 0);
    EXPECT_EQ(MainFrame->listRunning, 0);
    for (const auto& entry : fs::directory_iterator(program_ + "LOG"))
        EXPECT_NE(entry.path().extension(), ".tmx") << entry.path();
}

// Screenshots for a look at the dialogs (BRELON_SELCONF_PNG=<folder>).
TEST_F(SelConfAppTest, Screenshots) {
    const char* folder = std::getenv("BRELON_SELCONF_PNG");
    if (folder == nullptr) GTEST_SKIP() << "BRELON_SELCONF_PNG not set";
    OpenDemoList();
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        MainFrame->showNormal();
        MainFrame->resize(w, h);
        Pump();
        if (Sel() != nullptr && !Sel()->isHidden()) {
            Sel()->grab().save(QString("%1/sel_%2.png").arg(folder).arg(w));
            MainFrame->grab().save(QString("%1/main_sel_%2.png").arg(folder).arg(w));
        }
    }
    CConfBarDialog* conf = Confirm();
    ASSERT_NE(conf, nullptr);
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{1024, 768}}) {
        SetScreenSize(w, h);
        MainFrame->resize(w, h);
        Pump();
        conf->grab().save(QString("%1/conf_%2.png").arg(folder).arg(w));
    }
}
