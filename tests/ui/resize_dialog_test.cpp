// CResizeDialog offscreen: fonts and enlargement by screen width, layout without drift,
// placements over the main view, the show gate.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "qt_app.h"
#include "ui/ResizeDialog.h"

using ui::CResizeDialog;
using ui::ControlKind;

namespace {

const std::vector<ui::DialogControl> kTable = {
    {1, ControlKind::DefPushButton, 200, 160, 80, 25, "B_OK"},
    {2, ControlKind::PushButton, 110, 160, 80, 25, "B_ANNULLA"},
    {3, ControlKind::Static, 10, 10, 120, 20, "S_NAME"},
    {4, ControlKind::Edit, 140, 10, 150, 22, ""},
    {5, ControlKind::ComboBox, 140, 40, 150, 24, ""},
    {6, ControlKind::ListBox, 10, 70, 280, 80, ""},
    {7, ControlKind::Static, 0, 155, 300, 2, "CGroupLine"},
};

struct Dialog : CResizeDialog {
    bool scale = true;
    void OnInitDialog() override {
        CResizeDialog::OnInitDialog();
        if (scale) ScaleToScreen();
        OpenShowGate();
    }
};

std::unique_ptr<Dialog> MakeDialog(int screenWidth) {
    TestApp();
    SetScreenSize(screenWidth, 768);
    auto d = std::make_unique<Dialog>();
    d->move(100, 50);
    d->BuildControls(300, 200, kTable);
    return d;
}

} // namespace

TEST(ResizeDialog, ScalesByScreenWidthAtTheBoundaries) {
    struct Case { int screen; int font; QRect geometry; };
    const Case cases[] = {
        {800, 14, QRect(100, 50, 300, 200)},
        {801, 20, QRect(100, 50, 300, 200)},
        {802, 20, QRect(128, 64, 384, 256)},
        {1024, 20, QRect(128, 64, 384, 256)},
        {1025, 26, QRect(160, 80, 480, 320)},
    };
    for (const Case& c : cases) {
        auto d = MakeDialog(c.screen);
        d->show();
        EXPECT_EQ(c.geometry, d->geometry()) << c.screen;
        EXPECT_EQ(c.font, d->Control(3)->font().pixelSize()) << c.screen;
        EXPECT_EQ(26, d->Control(6)->font().pixelSize()) << "list box font " << c.screen;
        EXPECT_EQ(QStringLiteral("Tahoma"), d->Control(1)->font().family()) << "requested face";
    }
}

TEST(ResizeDialog, ControlsFollowTheClientSizeAndGroupLineStays) {
    auto d = MakeDialog(1280);   // 300 x 200 becomes 480 x 320
    d->show();
    ASSERT_EQ(QSize(480, 320), d->size());
    EXPECT_EQ(QRect(320, 256, 128, 40), d->Control(1)->geometry());
    EXPECT_EQ(QRect(16, 16, 192, 32), d->Control(3)->geometry());
    // The combo box keeps its height; the "CGroupLine" keeps place and font.
    EXPECT_EQ(QRect(224, 64, 240, 24), d->Control(5)->geometry());
    EXPECT_EQ(QRect(0, 155, 300, 2), d->Control(7)->geometry());
    EXPECT_EQ(6, d->Layout().ControlCount());
    EXPECT_NE(26, d->Control(7)->font().pixelSize());
    if (const char* dir = std::getenv("UI_GRAB_DIR")) d->grab().save(QString::fromUtf8(dir) + "/dialog.png");
}

TEST(ResizeDialog, RelayoutUpAndBackDownHasNoDrift) {
    auto d = MakeDialog(800);
    d->show();
    std::vector<QRect> before;
    for (const auto& c : kTable) before.push_back(d->Control(c.id)->geometry());
    const int sizes[][2] = {{333, 217}, {611, 409}, {301, 199}, {999, 777}, {300, 200}};
    for (const auto& s : sizes) {
        d->resize(s[0], s[1]);
        d->Layout().Apply();
    }
    for (size_t i = 0; i < kTable.size(); ++i)
        EXPECT_EQ(before[i], d->Control(kTable[i].id)->geometry()) << "id " << kTable[i].id;
}

TEST(ResizeDialog, UserResizeOnlyRepaints) {
    auto d = MakeDialog(800);
    d->show();
    const QRect ok = d->Control(1)->geometry();
    d->resize(600, 400);
    EXPECT_EQ(ok, d->Control(1)->geometry());
    EXPECT_EQ(300, d->Layout().Reference().width);   // reference stays the template size
}

TEST(ResizeDialog, PlacementsOverTheMainView) {
    auto d = MakeDialog(1280);
    d->scale = false;
    d->show();
    d->FitToMainView(WinRect{0, 60, 1280, 960});
    EXPECT_EQ(QRect(1, 61, 1279, 899), d->geometry());
    EXPECT_EQ(QRect(1279 * 200 / 300, 899 * 160 / 200, 1279 * 80 / 300, 899 * 25 / 200), d->Control(1)->geometry());
    d->PlaceOverMainView(WinRect{0, 60, 1024, 700}, WinRect{8, 90, 1032, 730});
    // The whole window lies over the view: nothing of the bars around it is covered.
    EXPECT_EQ(QRect(8, 90, 1024, 640), d->frameGeometry());
    EXPECT_TRUE(QRect(8, 90, 1024, 640).contains(d->geometry()));
}

TEST(ResizeDialog, ShowGateKeepsTheDialogHiddenUntilOpened) {
    TestApp();
    SetScreenSize(1024, 768);
    struct Gated : CResizeDialog {
        bool open = false;
        void OnInitDialog() override {
            CResizeDialog::OnInitDialog();
            if (open) OpenShowGate();
        }
    } d;
    d.EnableShowGate();
    d.BuildControls(200, 100, {{1, ControlKind::PushButton, 10, 10, 80, 24, "B_OK"}});
    d.show();
    EXPECT_FALSE(d.isVisible());
    d.OpenShowGate();
    d.show();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(QStringLiteral("id_1"), d.findChild<QPushButton*>(QStringLiteral("id_1"))->objectName());
}
