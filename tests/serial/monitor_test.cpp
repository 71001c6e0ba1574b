// The link monitor dialog, offscreen: the running lights of both rows and a link that
// drives them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

#include "pty_fixture.h"
#include "serial/monitor_comm.h"
#include "serial/serial_comm.h"

using namespace porvl4;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "serial_monitor_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *app;
}

void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// The LEDs of a row as a text: 'o' off, 's' send, 'r' receive, 'R' red.
std::string Row(const MMonitorComm& dlg, int row) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        switch (dlg.LedBitmap(row, i)) {
        case MMonitorComm::kBitmapOff: s += 'o'; break;
        case MMonitorComm::kBitmapSend: s += 's'; break;
        case MMonitorComm::kBitmapReceive: s += 'r'; break;
        case MMonitorComm::kBitmapRed: s += 'R'; break;
        default: s += '?';
        }
    }
    return s;
}

TEST(MonitorComm, RunningLightsShareOneStepAndAllRed) {
    App();
    QWidget owner;
    MMonitorComm dlg(&owner);
    EXPECT_EQ(dlg.Step(), 0);
    EXPECT_EQ(Row(dlg, 0), "oooo");
    EXPECT_EQ(Row(dlg, 1), "oooo");
    ASSERT_NE(dlg.findChild<QLabel*>("id_1001"), nullptr);
    ASSERT_NE(dlg.findChild<QLabel*>("id_1008"), nullptr);

    dlg.PostMonitorMessage(WM_MONITOR_SEND);
    Settle();
    EXPECT_EQ(dlg.Step(), 1);
    EXPECT_EQ(Row(dlg, 0), "osoo");
    dlg.PostMonitorMessage(WM_MONITOR_SEND);
    Settle();
    EXPECT_EQ(Row(dlg, 0), "ooso");
    dlg.PostMonitorMessage(WM_MONITOR_RECEIVE);
    Settle();
    EXPECT_EQ(dlg.Step(), 3);
    EXPECT_EQ(Row(dlg, 1), "ooor");
    EXPECT_EQ(Row(dlg, 0), "ooso"); // the other row is left alone
    dlg.PostMonitorMessage(WM_MONITOR_RECEIVE);
    Settle();
    EXPECT_EQ(dlg.Step(), 0); // after 3 comes 0
    EXPECT_EQ(Row(dlg, 1), "rooo");
    EXPECT_FALSE(dlg.Led(1, 0)->pixmap().isNull());

    dlg.PostMonitorMessage(WM_MONITOR_ALL_RED);
    Settle();
    EXPECT_EQ(Row(dlg, 0), "RRRR");
    EXPECT_EQ(Row(dlg, 1), "RRRR");
}

TEST(MonitorComm, LinkDrivesTheMonitorAndBreaksThroughTheEventLoop) {
    App();
    serialtest::Pty pty;
    serialtest::MapCom(1, pty.path);
    QWidget owner;
    QtCommWindow window(&owner);
    QPointer<MMonitorComm> dlg;
    {
        MSerialComm comm(1, &window);
        comm.SetRecTimeOut(5000);
        CommMonitor* monitor = comm.OpenComm();
        ASSERT_NE(monitor, nullptr);
        dlg = MMonitorComm::FromMonitor(monitor);
        ASSERT_FALSE(dlg.isNull());
        EXPECT_TRUE(dlg->isVisible());

        ASSERT_EQ(comm.SendString("hi"), 0);
        Settle();
        EXPECT_EQ(Row(*dlg, 0), "osoo");
        pty.Send("x");
        char c = 0;
        ASSERT_EQ(comm.ReceiveChar(c), 0);
        Settle();
        EXPECT_EQ(Row(*dlg, 1), "ooro"); // the step is shared: 1 -> 2

        // A break arriving through the owner's event loop ends a long receive at once.
        QTimer::singleShot(50, &owner, [&comm] { comm.SetUserBreak(); });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(comm.ReceiveChar(c), -4);
        EXPECT_LT(serialtest::ElapsedMs(start), 2000);

        comm.EnableSignal(0);
        EXPECT_FALSE(dlg->isVisible());
        comm.EnableSignal(1);
        EXPECT_TRUE(dlg->isVisible());
    }
    EXPECT_TRUE(dlg.isNull()); // the link's destructor removed its monitor
}

TEST(MonitorComm, NoMonitorWithoutOwnerWindow) {
    App();
    serialtest::Pty pty;
    serialtest::MapCom(1, pty.path);
    MSerialComm comm(1, nullptr);
    EXPECT_EQ(comm.OpenComm(), nullptr);
    EXPECT_TRUE(comm.Port()->IsOpen());
}

} // namespace
