// The CNC message list (change detection, texts, lines, the dialog against the simulated
// controller) and the About box texts (variants, shape compiler, on-line and office).
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/main_frame.h"
#include "app/message_dialog.h"
#include "app/velmo_app.h"
#include "app_fixture.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "machine/window_scale.h"
#include "ui/OwnControls.h"

namespace {

using MessageListTest = AppFixture;
using AboutTest = AppFixture;

std::vector<std::string> Lines(QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
}

std::string LabelText(QWidget* w) { return qobject_cast<QLabel*>(w)->text().toStdString(); }

void MaybeGrab(QWidget& w, const char* name, int width, int height) {
    const char* dir = std::getenv("BRELON_GRAB_DIR");
    if (dir != nullptr) w.grab().save(QString("%1/%2_%3x%4.png").arg(dir, name).arg(width).arg(height));
}

} // namespace

TEST(ActiveNumbers, ChangesAreDetectedAndStayMarkedUntilTaken) {
    app::ActiveNumbers n(5);
    const int none[5] = {};
    n.Update(0, none);
    EXPECT_FALSE(n.Changed());   // nothing before, nothing now

    const int two[5] = {3, 0, 7, 0, 0};
    n.Update(2, two);
    EXPECT_TRUE(n.Changed());
    EXPECT_EQ(n.Count(), 2);
    EXPECT_EQ(n.Numbers()[2], 7);
    // A second reading before the list was rebuilt keeps the change marked.
    n.Update(2, two);
    EXPECT_TRUE(n.TakeChange());
    EXPECT_FALSE(n.TakeChange());

    n.Update(2, two);
    EXPECT_FALSE(n.Changed());
    const int swapped[5] = {3, 0, 8, 0, 0};
    n.Update(2, swapped);   // same count, another number
    EXPECT_TRUE(n.TakeChange());
    n.Update(0, none);      // all gone
    EXPECT_TRUE(n.TakeChange());
    EXPECT_EQ(n.Count(), 0);
    EXPECT_EQ(n.Numbers()[0], 0);
}

TEST_F(MessageListTest, LinesCarryTextsOrQuestionMarksAndSkipZeros) {
    const std::string file = program_ + "MSG/CNC.MSG";
    WriteFile(file, "[MSG]\r\n3=Tool change required\r\n4=" + std::string(300, 'x') + "\r\n[ALARM]\r\n10=Spindle overload\r\n");
    app::ActiveNumbers msgs(5);
    const int numbers[5] = {3, 0, 99, 0, 4};
    msgs.Update(3, numbers);
    const auto lines = app::ActiveNumberLines(msgs, "MSG", file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "3.Tool change required");
    EXPECT_EQ(lines[1], "99.?????");
    EXPECT_EQ(lines[2].size(), 199u);
    EXPECT_EQ(lines[2].substr(0, 3), "4.x");
    // The alarm section is separate; a missing file gives question marks.
    app::ActiveNumbers alarms(10);
    const int a[10] = {10, 3};
    alarms.Update(2, a);
    EXPECT_EQ(app::ActiveNumberLines(alarms, "ALARM", file),
              (std::vector<std::string>{"10.Spindle overload", "3.?????"}));
    EXPECT_EQ(app::ActiveNumberLines(alarms, "ALARM", program_ + "none.msg"),
              (std::vector<std::string>{"10.?????", "3.?????"}));
    EXPECT_EQ(app::CncMessageFilePath("C:\\VELMO\\"), "C:\\VELMO\\MSG\\CNC.MSG");
}

TEST_F(MessageListTest, OfficeModeShowsTwoEmptyListsWithoutTimer) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    CMessageDialog d(nullptr);
    d.show();
    EXPECT_EQ(d.windowTitle().toStdString(), MsgString("T_LISTMSG"));
    EXPECT_FALSE(d.Timers().IsRunning(CMessageDialog::kMsgTimerId));
    EXPECT_EQ(d.MessageList()->count(), 0);
    EXPECT_EQ(d.AlarmList()->count(), 0);
    EXPECT_EQ(LabelText(d.Control(CMessageDialog::kIdMessageCount)), std::string(MsgString("T_NUMMSG")) + "  0");
    EXPECT_FALSE(d.Control(CMessageDialog::kIdReset)->isVisible());
    d.OnMsgTimer();
    EXPECT_EQ(d.MessageList()->count(), 0);
}

TEST_F(MessageListTest, OnlineListsFollowTheControllerAndKeepTheSelection) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    Sim().SimSetMessage(0, 3);
    Sim().SimSetMessage(2, 77);   // between them a slot with 0
    Sim().SimRaiseAlarm(10);
    g_pCncState->PollStatus(5);

    CMessageDialog d(nullptr);
    d.show();
    EXPECT_TRUE(d.Timers().IsRunning(CMessageDialog::kMsgTimerId));
    d.OnMsgTimer();
    EXPECT_EQ(Lines(d.MessageList()), (std::vector<std::string>{"3.Tool change required", "77.?????"}));
    EXPECT_EQ(Lines(d.AlarmList()), (std::vector<std::string>{"10.Spindle overload"}));
    EXPECT_EQ(LabelText(d.Control(CMessageDialog::kIdMessageCount)), std::string(MsgString("T_NUMMSG")) + "  2");
    EXPECT_EQ(LabelText(d.Control(CMessageDialog::kIdAlarmCount)), std::string(MsgString("T_NUMALARM")) + "  1");

    // Nothing changed: no rebuild, the operator's selection stays.
    d.MessageList()->setCurrentRow(1);
    d.OnMsgTimer();
    EXPECT_EQ(d.MessageList()->currentRow(), 1);

    // A change read by a selection change is still shown at the next tick.
    Sim().SimSetMessage(1, 5);
    g_pCncState->PollStatus(5);
    d.MessageList()->setCurrentRow(0);
    d.OnMsgTimer();
    EXPECT_EQ(Lines(d.MessageList()),
              (std::vector<std::string>{"3.Tool change required", "5.Lubricant level low", "77.?????"}));

    // Everything cleared: empty lists and zero counts.
    for (int slot = 0; slot < 5; ++slot) Sim().SimSetMessage(slot, 0);
    Sim().SimClearAlarm(0);
    g_pCncState->PollStatus(5);
    d.OnMsgTimer();
    EXPECT_EQ(d.MessageList()->count(), 0);
    EXPECT_EQ(d.AlarmList()->count(), 0);
    EXPECT_EQ(LabelText(d.Control(CMessageDialog::kIdAlarmCount)), std::string(MsgString("T_NUMALARM")) + "  0");

    d.accept();
    EXPECT_FALSE(d.Timers().IsRunning(CMessageDialog::kMsgTimerId));
}

TEST_F(MessageListTest, MenuCommandRunsTheListModallyWithoutParent) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_TRUE(MainFrame->IsCommandEnabled(ID_MSG));
    bool seen = false;
    QTimer::singleShot(100, [&] {
        auto* d = qobject_cast<CMessageDialog*>(QApplication::activeModalWidget());
        if (d == nullptr) return;
        seen = d->parentWidget() == nullptr && d->isVisible();
        d->accept();
    });
    MainFrame->OnCommand(ID_MSG);
    EXPECT_TRUE(seen);
}

TEST_F(MessageListTest, GrabAtTwoScreenSizes) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    Sim().SimSetMessage(0, 3);
    Sim().SimSetMessage(1, 4);
    Sim().SimRaiseAlarm(10);
    Sim().SimRaiseAlarm(2);
    Sim().SimRaiseAlarm(123);
    g_pCncState->PollStatus(5);
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        CMessageDialog d(nullptr);
        d.show();
        d.OnMsgTimer();
        QCoreApplication::processEvents();
        EXPECT_LE(d.width(), w);
        EXPECT_LE(d.height(), h);
        EXPECT_TRUE(d.rect().contains(d.Control(CMessageDialog::kIdOk)->geometry()));
        MaybeGrab(d, "messages", w, h);
    }
}

TEST_F(AboutTest, TitleByVariantWithAndWithoutShapeCompiler) {
    EXPECT_EQ(app::AboutTitleText(0, "1.2.3", "3.0"), "Velmo for Brelon2 1.2.3 - Vlk 3.0");
    EXPECT_EQ(app::AboutTitleText(1, "1.2.3", "3.0"), "Velmo for Brelon3 L1 1.2.3 - Vlk 3.0");
    EXPECT_EQ(app::AboutTitleText(2, "1.2.3", ""), "Velmo for Brelon V1 1.2.3 - Vlk ");
    EXPECT_EQ(app::AboutTitleText(2, "", nullptr), "Velmo for Brelon V1  - Vlk ");
    EXPECT_EQ(app::AboutTitleText(1, std::string(200, 'v').c_str(), "3.0").size(), 99u);
    EXPECT_EQ(app::AboutVersionText(false, nullptr), "Office Version");

    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(MachineVariant, 1);
    ASSERT_NE(GetVlkVersion, nullptr);
    EXPECT_EQ(app::ShapeCompilerVersion(), "3.0");
    CAboutDialog with(nullptr);
    with.show();
    EXPECT_EQ(with.TitleText(), std::string("Velmo for Brelon3 L1 ") + g_programVersion + " - Vlk 3.0");
    EXPECT_EQ(LabelText(with.Control(CAboutDialog::kIdTitle)), with.TitleText());
    EXPECT_EQ(LabelText(with.Control(CAboutDialog::kIdVersion)), "Office Version");
    EXPECT_EQ(with.windowTitle().toStdString(), "About VELMO");

    const GetVlkVersionProc bound = GetVlkVersion;
    GetVlkVersion = nullptr;
    CAboutDialog without(nullptr);
    without.show();
    GetVlkVersion = bound;
    const std::string t = without.TitleText();
    ASSERT_GE(t.size(), 7u);
    EXPECT_EQ(t.substr(t.size() - 7), " - Vlk ");
}

TEST_F(AboutTest, OnlineShowsTheControllerVersionsAndAnOpenListChangesNothing) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 1);
    Sim().SimSetR(3, 1.0);
    Sim().SimSetR(4, 2.0);
    Sim().SimSetR(5, 3.0);
    CAboutDialog d(nullptr);
    d.show();
    EXPECT_EQ(d.VersionText(), "Plc: v1.000  -  Cnc: v2.000  -  OS Cnc: v3.000");
    auto* version = qobject_cast<QLabel*>(d.Control(CAboutDialog::kIdVersion));
    EXPECT_LE(version->fontMetrics().horizontalAdvance(version->text()), version->width());
    MainFrame->SetListTitle(1, "C:\\LDA\\X.LDA");
    CAboutDialog again(nullptr);
    again.show();
    EXPECT_EQ(again.VersionText(), d.VersionText());
    EXPECT_EQ(again.TitleText(), d.TitleText());
}

TEST_F(AboutTest, CommandShowsTheBoxAndItFitsBothScreens) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_TRUE(MainFrame->IsCommandEnabled(ID_APP_ABOUT));
    bool seen = false;
    QTimer::singleShot(100, [&] {
        auto* d = qobject_cast<CAboutDialog*>(QApplication::activeModalWidget());
        if (d == nullptr) return;
        seen = d->parentWidget() == nullptr;
        d->accept();
    });
    MainFrame->OnCommand(ID_APP_ABOUT);
    EXPECT_TRUE(seen);

    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        CAboutDialog d(nullptr);
        d.show();
        QCoreApplication::processEvents();
        EXPECT_LE(d.width(), w);
        auto* title = qobject_cast<QLabel*>(d.Control(CAboutDialog::kIdTitle));
        // The whole title line is readable in its control.
        EXPECT_LE(title->fontMetrics().horizontalAdvance(title->text()), title->width());
        MaybeGrab(d, "about", w, h);
    }
}
