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
#include "platform/clock.h"
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

// The set-up variables read while the controller is slow or drops reads. The variant is waited
// for as long as the controller's start may take (a fake clock lets the wait pass at once): a
// controller that answers in time gives the machine's own variant without a box; one that never
// answers is named and, refused a retry, leaves the program in office mode, never on-line as
// another machine. An option that never answers decides nothing and is named.
TEST_F(MainFrameTest, SetUpReadsThatFailNeverChooseTheVariantOrOptions) {
    MakeOnline();
    const struct {
        const char* what;
        int failedReads;   // the next reads that fail, from R700 on
        int failingOption; // an option variable that never answers (0 none)
        int connected, variant, barrier;
        const char* variantNamed; // after ERR_CNC_VARIANT_UNKNOWN, nullptr no box
        const char* optionNamed;  // after ERR_CNC_SETUP_UNREAD, nullptr no box
    } cases[] = {
        {"R700 answers on its second try", 1, 0, 1, 1, 0, nullptr, nullptr},
        {"R700 unread three times", 3, 0, 1, 1, 0, nullptr, nullptr},
        {"the controller needs 15 s for its start", 3 * 60, 0, 1, 1, 0, nullptr, nullptr},
        {"the link is down for the whole wait", 100000, 0, 0, 1, 0, " R700 R813 R814", nullptr},
        {"an option never answers", 0, 7007, 1, 1, 1, nullptr, " R7007"},
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
        if (c.failingOption != 0) Sim().SimSetFailVariable(c.failingOption, UVEN_RW_NOT_READY, -1);
        plat::FakeClock clock;
        plat::SetClock(&clock);
        std::unique_ptr<CMainFrame> frame;
        CreateWindow(frame);
        plat::SetClock(nullptr);
        Sim().SimSetFailNextRead(0, 0);
        Sim().SimSetFailVariable(0, 0, 0);
        EXPECT_EQ(g_machineConnected, c.connected);
        EXPECT_EQ(dynamic_cast<CStatoCncOn*>(g_pCncState) != nullptr, c.connected == 1);
        EXPECT_EQ(MachineVariant, c.variant);
        EXPECT_EQ(g_axisCount, 12);
        EXPECT_EQ(g_pSettings->options.BARR_SX, c.barrier);
        EXPECT_EQ(std::string(g_baseTitle).find(" - OFFICE -") != std::string::npos, c.connected == 0) << g_baseTitle;
        EXPECT_EQ(frame->Timers().IsRunning(kStatusTimerId), c.connected == 1);
        for (const auto& [key, named] : {std::pair{"ERR_CNC_VARIANT_UNKNOWN", c.variantNamed},
                                         std::pair{"ERR_CNC_SETUP_UNREAD", c.optionNamed}}) {
            const std::string told = MsgError(key);
            EXPECT_NE(told, key); // a text of the shipped table
            EXPECT_EQ(CountBoxesContaining(told), named != nullptr ? 1 : 0) << key;
            for (const auto& box : ui_->boxes) {
                if (box.text.rfind(told, 0) != 0) continue;
                EXPECT_EQ(box.text, told + named);
                EXPECT_EQ(box.title, "T_ATTENZIONE");
            }
        }
        // The wait itself opens no box; an option read that fails for good is told once.
        EXPECT_EQ(CountBoxesContaining("ha ritornato"), c.failingOption != 0 ? 1 : 0);
        frame.reset();
        app_.reset();
    }
}

// The variant unknown at the window's creation: the operator is told while nothing was started
// on the controller, and a retry once the controller answers runs on-line as its machine. A
// controller whose variables match no machine is named by its values; refused a retry, the
// program works in office mode and no start reaches the controller.
TEST_F(MainFrameTest, VariantUnknownAtCreationIsToldAndRetriedOrWorkedOffLine) {
    MakeOnline();
    const struct {
        const char* what;
        bool linkDown;     // else R700, R813, R814 answer 0
        int retryVariant;  // the variant the controller gives for the retry, -1 no retry
        const char* named; // after ERR_CNC_VARIANT_UNKNOWN
        const char* progressFile;
    } cases[] = {
        {"the link back for the retry", true, 1, " R700 R813 R814", "C:\\BRELON3\\VELMO\\STATBAR.TXT"},
        {"no column, then variant 2", false, 2, " R700=0 R813=0 R814=0", "C:\\BREPVCV1\\VELMO\\STATBAR.TXT"},
        {"no column, office mode chosen", false, -1, " R700=0 R813=0 R814=0", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetProgramValues();
        ASSERT_EQ(Start("", false), CVelmoApp::kStarted);
        Sim().SimReset();
        if (c.linkDown) {
            Sim().SimSetFailNextRead(UVEN_RW_NOT_READY, 100000);
        } else {
            for (int n : {700, 813, 814}) Sim().SimSetR(n, 0);
        }
        ui_->boxes.clear();
        int asked = 0, commandsWhenAsked = -1, waitDepthWhenAsked = -1;
        BoxButtons buttons = BoxButtons::Ok;
        ui_->responder = [&](const MessageBoxRequest& r) {
            if (r.text.rfind(MsgError("ERR_CNC_VARIANT_UNKNOWN"), 0) != 0) return RefusingAnswer(r.buttons);
            ++asked;
            buttons = r.buttons;
            commandsWhenAsked = Sim().SimCommandLogCount() + Sim().SimRWriteLogCount();
            waitDepthWhenAsked = ui_->waitDepth;
            if (c.retryVariant < 0) return static_cast<int>(IDCANCEL);
            Sim().SimSetFailNextRead(0, 0);
            Sim().SimSetVariantRegs(c.retryVariant);
            return static_cast<int>(IDRETRY);
        };
        // The wait is shown while it lasts.
        std::string waitText;
        int waitDepth = 0;
        QTimer::singleShot(0, [&] {
            if (MainFrame != nullptr) waitText = MainFrame->PaneText(kStartWaitPane);
            waitDepth = ui_->waitDepth;
        });
        plat::FakeClock clock;
        plat::SetClock(&clock);
        std::unique_ptr<CMainFrame> frame;
        CreateWindow(frame);
        plat::SetClock(nullptr);
        ui_->responder = nullptr;
        EXPECT_EQ(waitText.rfind(MsgString("M_WAIT_CNC"), 0), 0u) << waitText;
        EXPECT_EQ(waitDepth, 1);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(buttons, BoxButtons::RetryCancel);
        EXPECT_EQ(commandsWhenAsked, 0); // nothing written or started on the controller
        EXPECT_EQ(waitDepthWhenAsked, 0);
        EXPECT_EQ(CountBoxesContaining(std::string(MsgError("ERR_CNC_VARIANT_UNKNOWN")) + c.named), 1);
        EXPECT_EQ(frame->PaneText(kStartWaitPane), "");
        if (c.retryVariant >= 0) {
            EXPECT_EQ(g_machineConnected, 1);
            EXPECT_NE(dynamic_cast<CStatoCncOn*>(g_pCncState), nullptr);
            EXPECT_EQ(MachineVariant, c.retryVariant);
            EXPECT_EQ(g_rallaPositions, 8);
            EXPECT_STREQ(g_barProgressPath, c.progressFile);
            EXPECT_EQ(std::string(g_baseTitle).find("OFFICE"), std::string::npos);
        } else {
            EXPECT_EQ(g_machineConnected, 0);
            EXPECT_EQ(dynamic_cast<CStatoCncOn*>(g_pCncState), nullptr);
            EXPECT_NE(std::string(g_baseTitle).find(" - OFFICE -"), std::string::npos);
            EXPECT_FALSE(frame->Timers().IsRunning(kStatusTimerId));
            // A bar started now never reaches the controller: the off-line state answers the
            // window at once that the start is done, so the job goes on without a machine.
            RecordingWindow window;
            g_pCncState->StartProgram(&window, nullptr, nullptr);
            EXPECT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, 0, 0}}));
            EXPECT_EQ(Sim().SimCommandLogCount(), 0);
            EXPECT_FALSE(fs::exists(drives_ + "/C/UVEN/LAV/LAV/FILLAV.TAB"));
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
        // Laid out in the screen's font, the box grows no more than its text needs (the plain
        // box grown by the per cent sets its least size): well below the old doubling of each
        // side (four times the area), with room for the toolkit's 800-pixel offscreen screen.
        EXPECT_GE(shown.width(), natural.width()) << screen;
        EXPECT_GE(shown.height(), natural.height()) << screen;
        EXPECT_LE(double(shown.width()) * shown.height(), 2.5 * natural.width() * natural.height())
            << screen << " natural " << natural.width() << "x" << natural.height() << " percent " << percent;
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
