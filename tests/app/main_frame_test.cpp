// The main window offscreen: variant decision, blade records, close refusal, status timer,
// status panes that follow the simulated controller, private messages and ownership.
#include <QDialog>
#include <QPushButton>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/main_frame.h"
#include "app/path_table_qt.h"
#include "app/qt_ui_services.h"
#include "app/startup_logic.h"
#include "app/window_timers.h"
#include "app_fixture.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/uvenlib_binding.h"
#include "machine/window_scale.h"
#include "simcnc/uvenlib_api.h"
#include "ui/OwnControls.h"

namespace fs = std::filesystem;

using MainFrameTest = AppFixture;

namespace {
// With BRELON_GRAB_DIR set, the main window is saved as a PNG there (to look at it).
void MaybeGrab(const char* name) {
    const char* dir = std::getenv("BRELON_GRAB_DIR");
    if (dir == nullptr || MainFrame == nullptr) return;
    QCoreApplication::processEvents();
    MainFrame->grab().save(QString("%1/%2.png").arg(dir, name));
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// Creates the window after the controller was scripted (start-up without a window).
void CreateWindow(std::unique_ptr<CMainFrame>& frame) {
    frame = std::make_unique<CMainFrame>();
    frame->OnCreate();
    frame->resize(1024, 700);
    frame->show();
}
} // namespace

TEST_F(MainFrameTest, VariantOnlineFromTheSimulatedController) {
    MakeOnline();
    const struct {
        int variant;
        int positions, extra, axes;
        const char* title;
    } cases[] = {{0, 4, 0, 8, "Brelon2 FE"}, {1, 8, 4, 12, "Brelon3 L1 FE"}, {2, 8, 4, 12, "Brelon V1 FE"}};
    for (const auto& c : cases) {
        ResetProgramValues();
        ASSERT_EQ(Start("", false), CVelmoApp::kStarted);
        Sim().SimReset();
        Sim().SimSetVariantRegs(c.variant);
        std::unique_ptr<CMainFrame> frame;
        CreateWindow(frame);
        EXPECT_EQ(MachineVariant, c.variant);
        EXPECT_EQ(g_rallaPositions, c.positions);
        EXPECT_EQ(g_extraPositions, c.extra);
        EXPECT_EQ(g_axisCount, c.axes);
        EXPECT_NE(std::string(g_baseTitle).find(c.title), std::string::npos) << g_baseTitle;
        EXPECT_EQ(frame->windowTitle().toStdString(), g_baseTitle);
        if (c.variant == 2) {
            EXPECT_EQ(g_pSettings->HeadCutSquare + g_pSettings->HeadCutAngled, 0);
        }
        frame.reset();
        app_.reset();
    }
}

TEST_F(MainFrameTest, OnlineNoColumnKeepsCountsAndBarrierRegisterStillMakesVariantOne) {
    MakeOnline();
    ASSERT_EQ(Start("", false), CVelmoApp::kStarted);
    Sim().SimSetR(700, 0);
    Sim().SimSetR(813, 0);
    Sim().SimSetR(814, 0);
    Sim().SimSetR(7007, 1);
    std::unique_ptr<CMainFrame> frame;
    CreateWindow(frame);
    EXPECT_EQ(MachineVariant, 1);
    EXPECT_EQ(g_rallaPositions, 0);
    EXPECT_EQ(g_axisCount, 0);
    EXPECT_EQ(g_pSettings->options.BARR_SX, 1);
    EXPECT_EQ(g_pSettings->options.ASSEC, 0);
}

// The set-up variables read while the controller drops reads: a read tried again gives the
// machine's own variant; one that never answers decides nothing (never a 0.0 that would choose
// variant 2 for a variant-1 machine, or clear an option) and is named to the operator.
TEST_F(MainFrameTest, SetUpReadsThatFailNeverChooseTheVariantOrOptions) {
    MakeOnline();
    const struct {
        const char* what;
        int failedReads;   // the next reads that fail, from R700 on
        int variant, axes; // decided
        int barrier;       // BARR_SX after the creation (1 before it, R7007 0)
        const char* named; // the variables in the box, "" no box
    } cases[] = {
        {"R700 answers on its second try", 1, 1, 12, 0, ""},
        {"R700 answers on its last try", 2, 1, 12, 0, ""},
        {"R700 never answers", 3, 0, 0, 0, " R700"},
        {"the link is down", 1000, 0, 0, 1, " R700 R813 R814 R7007 R7011"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetProgramValues();
        ASSERT_EQ(Start("", false), CVelmoApp::kStarted);
        Sim().SimReset();
        Sim().SimSetVariantRegs(1);
        g_pSettings->options.BARR_SX = 1;
        ui_->boxes.clear();
        Sim().SimSetFailNextRead(UVEN_RW_NOT_READY, c.failedReads);
        std::unique_ptr<CMainFrame> frame;
        CreateWindow(frame);
        Sim().SimSetFailNextRead(0, 0);
        EXPECT_EQ(MachineVariant, c.variant);
        EXPECT_EQ(g_axisCount, c.axes);
        EXPECT_EQ(g_pSettings->options.BARR_SX, c.barrier);
        const std::string told = MsgError("ERR_CNC_SETUP_UNREAD");
        EXPECT_NE(told, "ERR_CNC_SETUP_UNREAD"); // a text of the shipped table
        if (*c.named != '\0') {
            EXPECT_EQ(CountBoxesContaining(told), 1);
            EXPECT_TRUE(!ui_->boxes.empty() && ui_->boxes.back().text == told + c.named);
            EXPECT_TRUE(!ui_->boxes.empty() && ui_->boxes.back().title == "T_ATTENZIONE");
        } else {
            EXPECT_EQ(CountBoxesContaining(told), 0);
        }
        frame.reset();
        app_.reset();
    }
}

TEST_F(MainFrameTest, VariantOfflineFromConfMac) {
    const struct {
        const char* text;
        int variant, positions;
    } cases[] = {{nullptr, 1, 8},
                 {"[GENERAL]\r\nASSEX=0\r\nASSEH=1\r\nASSEP=1\r\nASSEC=1\r\n", 2, 8},
                 {"[GENERAL]\r\nASSEX=1\r\nASSEH=0\r\nASSEP=0\r\n", 0, 4},
                 {"[GENERAL]\r\nASSEX=1\r\nASSEH=1\r\nASSEP=0\r\n", 0, 0}};
    for (const auto& c : cases) {
        ResetProgramValues();
        fs::remove(program_ + "ConfMac.dbg");
        if (c.text != nullptr) WriteFile(program_ + "ConfMac.dbg", c.text);
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        EXPECT_EQ(MachineVariant, c.variant) << (c.text ? c.text : "none");
        EXPECT_EQ(g_rallaPositions, c.positions);
        if (c.variant == 2) {
            EXPECT_EQ(g_pSettings->options.ASSEC, 1);
        }
        app_.reset();
    }
}

TEST_F(MainFrameTest, BladeRecordsAppendedOnceOnVariantOne) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(MachineVariant, 1);
    const std::string once = ReadFile(toolsTxt_);
    EXPECT_EQ(Count(once, "* QBLADE "), 1);
    EXPECT_EQ(Count(once, "* BLADE "), 1);
    app_.reset();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    EXPECT_EQ(ReadFile(toolsTxt_), once);
}

TEST_F(MainFrameTest, BladeRecordsOnlyFromAParameterLoadThatSucceeded) {
    const std::string paramPar = program_ + "CONF/PARAM.PAR";
    const std::string good = ReadFile(paramPar);
    std::string outOfRange = good;
    outOfRange.replace(outOfRange.find("DIAM_LAMA=500.00"), 16, "DIAM_LAMA=-5.00");
    const std::string damaged[] = {outOfRange, "\x8f\x03\xfe[PARAM\x01\r\n\xff\xfe\x00garbage"};
    const std::string tools = ReadFile(toolsTxt_);
    for (const std::string& bytes : damaged) {
        WriteFile(paramPar, bytes);
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        ASSERT_EQ(MachineVariant, 1);
        EXPECT_FALSE(ui_->boxes.empty()); // the load error
        EXPECT_EQ(ReadFile(toolsTxt_), tools);
        app_.reset();
        ui_->boxes.clear();
    }
    // Repaired: the records come with the blade's own values (DIAM_LAMA 500 mm).
    WriteFile(paramPar, good);
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    const std::string after = ReadFile(toolsTxt_);
    EXPECT_EQ(Count(after, "* QBLADE "), 1);
    EXPECT_EQ(Count(after, "* BLADE "), 1);
    EXPECT_NE(after.find("\r\n500 0 0 "), std::string::npos) << after;
}

TEST_F(MainFrameTest, UnopenableToolTableIsReportedAndCreationFinishes) {
    MakeOnline();
    fs::remove(toolsTxt_);
    WriteConfig("GENERAL", "IMPORT_DEFPRO", "2");
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(MachineVariant, 1);
    EXPECT_GE(CountBoxesContaining(MsgError("PATH_ERROR")), 1);
    // The rest of the creation ran: the defaults notice (once, the key set to 1 before it)
    // and the status timer.
    EXPECT_EQ(CountBoxesContaining(MsgString("M_WARNING_DEFPRO")), 1);
    EXPECT_NE(ReadFile(program_ + "CONF/CONFIG.PAR").find("IMPORT_DEFPRO=1"), std::string::npos);
    EXPECT_TRUE(MainFrame->Timers().IsRunning(kStatusTimerId));
    EXPECT_EQ(g_pSettings->ToolsChanged, 1);
}

TEST_F(MainFrameTest, CloseRefusedWhileRunningOrInEmergency) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    CMainFrame* frame = MainFrame;
    frame->show();
    frame->executionRunning = 1;
    EXPECT_FALSE(frame->close());
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].title, "T_ATTENZIONE");
    EXPECT_EQ(ui_->boxes[0].text, MsgError("NO_EMERGENCY"));
    frame->executionRunning = 0;

    Sim().SimEmergency(1);
    frame->OnCommand(ID_APP_EXIT);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(ui_->boxes.size(), 2u);
    Sim().SimEmergency(0);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(ui_->boxes.size(), 2u);
}

TEST_F(MainFrameTest, OfficeCloseCountsOnlyTheExecutionFlag) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    MainFrame->show();
    MainFrame->executionRunning = 1;
    EXPECT_FALSE(MainFrame->CanClose());
    MainFrame->executionRunning = 0;
    EXPECT_TRUE(MainFrame->close());
}

TEST_F(MainFrameTest, ChangedStatusTimerAppliesFromTheNextTick) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    const app::WindowTimers& timers = MainFrame->Timers();
    EXPECT_EQ(timers.Period(kStatusTimerId), 250);
    WriteConfig("GENERAL", "STATUS_TIMER", "0");
    EXPECT_EQ(timers.Period(kStatusTimerId), 250);
    // A loaded machine can hold a tick back: wait for it rather than for a fixed time.
    EXPECT_TRUE(QTest::qWaitFor([&] { return timers.Period(kStatusTimerId) == kMinStatusPeriod; }, 5000));
    EXPECT_EQ(timers.Period(kStatusTimerId), kMinStatusPeriod);
    WriteConfig("GENERAL", "STATUS_TIMER", "120");
    EXPECT_EQ(timers.Period(kStatusTimerId), kMinStatusPeriod);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timers.Period(kStatusTimerId) == 120; }, 5000));
    EXPECT_EQ(timers.Period(kStatusTimerId), 120);
}

TEST_F(MainFrameTest, StatusPanesFollowTheControllerInColour) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    CMainFrame* frame = MainFrame;
    frame->resize(1200, 700);
    frame->show();
    const double axes[3] = {1234.5, -20.25, 7};
    Sim().SimSetAxes(axes, 3);
    Sim().SimRaiseAlarm(12);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return frame->PaneText(317) == MsgString("S_ALARM") && frame->PaneText(293) == "Y: -20.25"; }, 5000));
    EXPECT_EQ(frame->PaneText(292), "X: 1234.50");
    EXPECT_EQ(frame->PaneText(293), "Y: -20.25");
    EXPECT_EQ(frame->PaneText(317), MsgString("S_ALARM"));

    ui::CMFCColoredSB* bar1 = frame->StatusBar1();
    ui::CMFCColoredSB* bar2 = frame->StatusBar2();
    const QImage image1 = bar1->grab().toImage();
    const QImage image2 = bar2->grab().toImage();
    auto pixelNearRightEdge = [](const QImage& img, const QRect& r) {
        return img.pixelColor(r.right() - 4, r.center().y());
    };
    EXPECT_EQ(pixelNearRightEdge(image1, bar1->PaneRect(0)), ui::FromColorRef(PaneBackground(292, "X", true)));
    EXPECT_EQ(pixelNearRightEdge(image2, bar2->PaneRect(5)), QColor(255, 0, 0));
    EXPECT_EQ(pixelNearRightEdge(image2, bar2->PaneRect(0)), ui::FromColorRef(PaneBackground(312, "", true)));

    Sim().SimClearAlarm(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PaneText(317).empty(); }, 5000));
    EXPECT_EQ(frame->PaneText(317), "");
    EXPECT_NE(pixelNearRightEdge(bar2->grab().toImage(), bar2->PaneRect(5)), QColor(255, 0, 0));
    MaybeGrab("main-online");
    // Each pane gets the client width divided by the pane count.
    EXPECT_NEAR(bar1->PaneRect(1).width(), frame->width() / 12, 3);
}

TEST_F(MainFrameTest, PrivateMessagesAreHandledInTheirOwnTurn) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    MainFrame->OnCommand(ID_SHOW_LAV);
    EXPECT_TRUE(ui_->boxes.empty()); // posted, not called
    QCoreApplication::processEvents();
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text, MsgString("M_NO_INFO"));
    EXPECT_FALSE(ui_->boxes[0].taskModal);

    MainFrame->Post(WM_CLOSE, 0, 0);
    MainFrame->show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(MainFrame->isVisible());
}

TEST_F(MainFrameTest, CommandsOfLaterWindowsAreDisabledAndMenusTranslated) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_OPEN_LIST));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_OPEN_ISO));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_APP_EXIT));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_MSG));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_MSG_TB));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_APP_ABOUT));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_PREFER));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_LABEL));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_PAR_FRESA));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_CONF_GEN1));
    EXPECT_TRUE(MainFrame->IsCommandEnabled(ID_TOOLS));
    for (int id : {ID_STATUS}) {
        EXPECT_FALSE(MainFrame->IsCommandEnabled(id)) << id;
        ASSERT_NE(MainFrame->Action(id), nullptr) << id;
        EXPECT_FALSE(MainFrame->Action(id)->isEnabled()) << id;
    }
    EXPECT_EQ(MainFrame->Action(ID_OPEN_LIST)->text().toStdString(), MsgString("M_OPENLIST"));
    // The tool bar's twins follow the same rules.
    int buttons = 0;
    for (QAction* a : MainFrame->findChildren<QAction*>()) {
        if (!a->objectName().startsWith("tb_")) continue;
        ++buttons;
        EXPECT_EQ(a->isEnabled(), MainFrame->IsCommandEnabled(a->data().toInt())) << a->data().toInt();
    }
    EXPECT_EQ(buttons, 9);
}

TEST_F(MainFrameTest, JobDialogThatDeletesItselfIsNotDeletedAgain) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    auto* dialog = new QDialog(MainFrame);
    MainFrame->selBarDialog = dialog;
    MainFrame->confBarDialog = new QDialog(MainFrame);
    delete dialog; // the dialog ends itself
    EXPECT_TRUE(MainFrame->selBarDialog.isNull());
    app_->ExitInstance(); // the destructor deletes what is left, once
    EXPECT_EQ(MainFrame, nullptr);
}

TEST_F(MainFrameTest, ViewPlacementIsTheViewInFrameCoordinates) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    MainFrame->resize(1024, 700);
    MainFrame->show();
    QCoreApplication::processEvents();
    MaybeGrab("main-office");
    WinRect r;
    ASSERT_TRUE(MainFrame->GetViewPlacement(r));
    EXPECT_GT(r.top, 0); // below the menu and tool bars
    EXPECT_EQ(r.Width(), MainFrame->View()->width());
    EXPECT_LT(r.bottom, MainFrame->StatusBar1()->mapTo(MainFrame, QPoint(0, 0)).y() + 1);
}

TEST(QtMessageBox, TitleByKeyOrLiteralAndScaledFont) {
    TestApp();
    SetScreenSize(1024, 768);
    MessageBoxRequest r;
    r.title = "Velmo-Errore";
    r.titleIsKey = false;
    r.text = "text";
    r.buttons = BoxButtons::YesNo;
    QMessageBox box;
    app::PrepareMessageBox(box, r);
    EXPECT_EQ(box.windowTitle(), "Velmo-Errore");
    EXPECT_EQ(box.font().pixelSize(), 20);
    EXPECT_NE(box.button(QMessageBox::Yes), nullptr);
    r.title = "T_ERRORE"; // no table loaded: the key itself
    r.titleIsKey = true;
    r.scaled = false;
    QMessageBox unscaled;
    app::PrepareMessageBox(unscaled, r);
    EXPECT_EQ(unscaled.windowTitle(), "T_ERRORE");
    EXPECT_NE(unscaled.font().pixelSize(), 20);
    // A question whose safe answer is No has No as its default button.
    r.defaultSecond = true;
    QMessageBox noDefault;
    app::PrepareMessageBox(noDefault, r);
    EXPECT_EQ(static_cast<QAbstractButton*>(noDefault.defaultButton()), noDefault.button(QMessageBox::No));
}

TEST(QtMessageBox, BoxGrowsWithTheScreenAndEndsWhenTheProgramIsAskedToClose) {
    TestApp();
    const int width = ScreenWidth(), height = ScreenHeight();
    app::QtUiServices services;
    MessageBoxRequest r;
    r.title = "T_ATTENZIONE";
    r.text = "A message long enough to give the box some width of its own";
    r.buttons = BoxButtons::YesNo;
    // Each side by the screen's per cent of the box's natural size: +25% at 800, double at 1280.
    for (const auto& [screen, percent] : {std::pair{800, 25}, {1280, 100}}) {
        SetScreenSize(screen, 600);
        QMessageBox plain;
        app::PrepareMessageBox(plain, r);
        plain.show();
        QCoreApplication::processEvents();
        const QSize natural = plain.size();
        QSize shown;
        app::QtUiServices::SetBoxObserver([&](QMessageBox& box) {
            QTimer::singleShot(100, &box, [&shown, &box] {
                shown = box.size();
                box.done(QMessageBox::Yes);
            });
        });
        EXPECT_EQ(services.ShowMessageBox(r), IDYES);
        EXPECT_EQ(shown, QSize(natural.width() * (100 + percent) / 100, natural.height() * (100 + percent) / 100))
            << screen << " natural " << natural.width() << "x" << natural.height();
    }
    // A termination request ends the open box (and one opened inside it) as refused.
    int inner = 0, opened = 0;
    app::QtUiServices::SetBoxObserver([&](QMessageBox& box) {
        if (++opened == 1)
            QTimer::singleShot(10, &box, [&] { inner = services.ShowMessageBox(r); });
        else
            QTimer::singleShot(10, &box, [] { app::EndOpenMessageBoxes(); });
    });
    EXPECT_EQ(services.ShowMessageBox(r), IDNO);
    EXPECT_EQ(inner, IDNO);
    app::QtUiServices::SetBoxObserver(nullptr);
    SetScreenSize(width, height);
}

TEST(WindowTimers, IdsMapToQtTimers) {
    TestApp();
    QObject owner;
    app::WindowTimers timers(&owner);
    EXPECT_TRUE(timers.Set(5, 0));
    EXPECT_EQ(timers.Period(5), 1);
    EXPECT_TRUE(timers.Set(2, 100));
    EXPECT_EQ(timers.IdOf(12345), 0);
    EXPECT_TRUE(timers.Kill(5));
    EXPECT_FALSE(timers.Kill(5));
    EXPECT_TRUE(timers.IsRunning(2));
}
