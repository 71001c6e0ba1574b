// The modeless host offscreen: what ends the wait (a posted result, the dialog going away,
// the application quitting), what does not (-1), and the owner enabled again every time.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include "machine/ui_services_fake.h"
#include "qt_app.h"
#include "ui/ModelessDialog.h"

using ui::CModelessDialog;

namespace {

struct HostFixture : ::testing::Test {
    std::unique_ptr<QWidget> owner;
    QWidget* sibling = nullptr;   // another window of the owner, which stays usable
    QObject clock;                // context of the scripted steps
    void SetUp() override {
        TestApp();
        owner = std::make_unique<QWidget>();
        owner->resize(400, 300);
        owner->show();
        sibling = new QDialog(owner.get());
        sibling->show();
    }
    // Runs fn from the event loop after ms milliseconds.
    void At(int ms, std::function<void()> fn) { QTimer::singleShot(ms, &clock, std::move(fn)); }
};

TEST_F(HostFixture, PostedResultEndsWaitAndOwnerIsEnabledAgain) {
    CModelessDialog host(owner.get());
    QDialog dlg(&host);
    bool ownerDisabledDuringRun = false, dialogEnabledDuringRun = false, siblingEnabledDuringRun = false;
    At(20, [&] {
        ownerDisabledDuringRun = !owner->isEnabled();
        dialogEnabledDuringRun = dlg.isEnabled() && dlg.isVisible();
        siblingEnabledDuringRun = sibling->isEnabled();
        ui::PostModelessResult(&dlg, 0);
    });
    EXPECT_EQ(host.RunDialog(&dlg, 411), 0);
    EXPECT_TRUE(ownerDisabledDuringRun);
    EXPECT_TRUE(dialogEnabledDuringRun);
    EXPECT_TRUE(siblingEnabledDuringRun);
    EXPECT_TRUE(owner->isEnabled());
    EXPECT_FALSE(host.Running());
}

TEST_F(HostFixture, PostedMinusOneDoesNotEndWait) {
    CModelessDialog host(owner.get());
    QDialog dlg(&host);
    bool stillWaiting = false;
    At(10, [&] { ui::PostModelessResult(&dlg, -1); });
    At(60, [&] {
        stillWaiting = host.Running() && !owner->isEnabled();
        ui::PostModelessResult(&dlg, 7);
    });
    EXPECT_EQ(host.RunDialog(&dlg, 411), 7);
    EXPECT_TRUE(stillWaiting);
    EXPECT_TRUE(owner->isEnabled());
}

TEST_F(HostFixture, ResultPostedJustBeforeClosingIsKept) {
    // The execution monitor posts its result and then closes itself.
    CModelessDialog host(owner.get());
    QDialog dlg(&host);
    At(20, [&] {
        ui::PostModelessResult(&dlg, 1);
        dlg.accept();
    });
    EXPECT_EQ(host.RunDialog(&dlg, 411), 1);
}

TEST_F(HostFixture, ClosedWithoutResultGivesAborted) {
    {
        CModelessDialog host(owner.get());
        QDialog dlg(&host);
        At(20, [&] { dlg.reject(); });   // Esc
        EXPECT_EQ(host.RunDialog(&dlg, 411), ui::kModelessAborted);
        EXPECT_TRUE(owner->isEnabled());
    }
    {
        CModelessDialog host(owner.get());
        QDialog dlg(&host);
        At(20, [&] { dlg.close(); });    // close box
        EXPECT_EQ(host.RunDialog(&dlg, 411), ui::kModelessAborted);
        EXPECT_TRUE(owner->isEnabled());
    }
    {
        CModelessDialog host(owner.get());
        auto* dlg = new QDialog(&host);
        At(20, [&] { delete dlg; });     // destroyed by someone else
        EXPECT_EQ(host.RunDialog(dlg, 411), ui::kModelessAborted);
        EXPECT_TRUE(owner->isEnabled());
    }
}

TEST_F(HostFixture, NoDialogGivesMinusOneWithMessage) {
    RecordingUi fake;
    SetUi(&fake);
    CModelessDialog host(owner.get());
    EXPECT_EQ(host.RunDialog(nullptr, 411), ui::kModelessNoResult);
    SetUi(nullptr);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Error Creating Dialog CodeWindow");
    EXPECT_TRUE(owner->isEnabled());
}

TEST_F(HostFixture, QuittingDuringRunEndsWaitAndReachesOuterLoop) {
    CModelessDialog host(owner.get());
    auto* dlg = new QDialog(&host);
    int result = 100;
    bool returned = false;
    At(0, [&] {
        result = host.RunDialog(dlg, 411);
        returned = true;
    });
    At(40, [] { QCoreApplication::quit(); });
    // A stray timer that would end a hung test instead of hanging it.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    const int code = QApplication::exec();   // returns only when the quit reached the outer loop
    EXPECT_NE(code, 99);
    EXPECT_TRUE(returned);
    EXPECT_EQ(result, ui::kModelessNoResult);
    EXPECT_TRUE(owner->isEnabled());
}

TEST_F(HostFixture, HostDestroyedWithItsOwnerDuringRun) {
    auto* host = new CModelessDialog(owner.get());
    auto* dlg = new QDialog(host);
    At(20, [&] { owner.reset(); });   // deletes the host and the dialog under the run
    EXPECT_EQ(host->RunDialog(dlg, 411), ui::kModelessNoResult);
}

} // namespace
