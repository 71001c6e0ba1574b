// Layout arithmetic and the toggle-selection model, without widgets.
#include <gtest/gtest.h>

#include "ui/layout_math.h"
#include "ui/toggle_selection.h"

using ui::LayoutReference;
using ui::RelayoutRect;
using ui::ScaleRectToScreen;
using ui::ToggleSelection;

TEST(ScreenScaling, FontAndFactorBoundaries) {
    const WinRect r{100, 50, 400, 250};
    struct Case { int screen; int font; WinRect rect; };
    const Case cases[] = {
        {800, 14, r},
        {801, 20, r},                      // middle font, no enlargement
        {802, 20, {128, 64, 512, 320}},    // x 1.28
        {1024, 20, {128, 64, 512, 320}},
        {1025, 26, {160, 80, 640, 400}},   // x 1.6
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.font, DialogFontHeight(c.screen)) << c.screen;
        EXPECT_EQ(c.rect, ScaleRectToScreen(r, c.screen)) << c.screen;
    }
    // Truncation toward zero on every coordinate, negative ones included.
    EXPECT_EQ((WinRect{-1, 1, 1, 3}), ScaleRectToScreen(WinRect{-1, 1, 1, 2}, 1280));
}

TEST(Relayout, ProportionalFromTheRecordedRectangle) {
    LayoutReference ref;
    ref.Set(300, 201);
    EXPECT_EQ(150, ref.thresholdWidth);
    EXPECT_EQ(100, ref.thresholdHeight);
    const WinRect rec{10, 20, 110, 45};
    EXPECT_EQ((WinRect{16, 31, 176, 70}), RelayoutRect(rec, ref, 480, 320));
    // Same size: identity. No accumulated drift: always computed from the record.
    EXPECT_EQ(rec, RelayoutRect(rec, ref, 300, 201));
    // Combo boxes keep their height while their position scales.
    EXPECT_EQ((WinRect{16, 31, 176, 56}), RelayoutRect(rec, ref, 480, 320, 0, 0, true));
}

TEST(Relayout, HalfSizeThresholdKeepsTemplateValues) {
    LayoutReference ref;
    ref.Set(300, 200);
    const WinRect rec{10, 20, 110, 60};
    // Exactly half wide: horizontal values unscaled, vertical ones scaled.
    EXPECT_EQ((WinRect{10, 30, 110, 90}), RelayoutRect(rec, ref, 150, 300));
    // One pixel wider scales them.
    EXPECT_EQ((WinRect{5, 30, 55, 90}), RelayoutRect(rec, ref, 151, 300));
    // No reference: nothing moves.
    EXPECT_EQ(rec, RelayoutRect(rec, LayoutReference{}, 999, 999));
}

TEST(ToggleSelectionModel, ClicksToggleRowsIndependently) {
    ToggleSelection m;
    for (int i = 0; i < 5; ++i) m.InsertRow(i);
    EXPECT_TRUE(m.Click(1));
    EXPECT_TRUE(m.Click(3));
    EXPECT_TRUE(m.Click(0));
    EXPECT_EQ(3, m.SelectedCount());
    EXPECT_EQ(0, m.LastSelected());
    EXPECT_TRUE(m.Click(0));                 // second click unselects
    EXPECT_FALSE(m.IsSelected(0));
    EXPECT_EQ(3, m.LastSelected());          // the last row still selected
    EXPECT_FALSE(m.Click(5));                // outside the list
    EXPECT_FALSE(m.Click(-1));
    m.Click(1);
    m.Click(3);
    EXPECT_EQ(-1, m.LastSelected());
    // Rows inserted or removed above keep the last selected row pointing at the same row.
    m.Click(2);
    m.InsertRow(0);
    EXPECT_EQ(3, m.LastSelected());
    m.RemoveRow(0);
    EXPECT_EQ(2, m.LastSelected());
    m.RemoveRow(2);
    EXPECT_EQ(-1, m.LastSelected());
}

TEST(ToggleSelectionModel, SelectAllTwiceLeavesTheFocusRow) {
    ToggleSelection m;
    for (int i = 0; i < 5; ++i) m.InsertRow(i);
    m.Click(4);
    m.SetFocusRow(2);
    EXPECT_TRUE(m.ToggleSelectAll());
    EXPECT_EQ(5, m.SelectedCount());
    EXPECT_FALSE(m.ToggleSelectAll());
    EXPECT_EQ(1, m.SelectedCount());
    EXPECT_TRUE(m.IsSelected(2));
    EXPECT_EQ(2, m.LastSelected());
}
