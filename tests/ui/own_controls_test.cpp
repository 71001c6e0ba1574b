// The own controls offscreen: toggle list, horizontal list box, coloured label, status bar.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "qt_app.h"
#include "ui/OwnControls.h"

using ui::CListCtrlStyled;

namespace {

// Parent that records the row messages it is sent.
struct Recorder : QWidget {
    std::vector<std::pair<uintptr_t, intptr_t>> rows;
    bool event(QEvent* e) override {
        if (e->type() == ui::WindowMessageEvent::EventType()) {
            auto* m = static_cast<ui::WindowMessageEvent*>(e);
            if (m->Msg() == CListCtrlStyled::kMsgRowClicked) rows.emplace_back(m->WParam(), m->LParam());
            return true;
        }
        return QWidget::event(e);
    }
};

struct ListFixture : ::testing::Test {
    std::unique_ptr<Recorder> owner;
    CListCtrlStyled* list = nullptr;
    void SetUp() override {
        TestApp();
        owner = std::make_unique<Recorder>();
        Recorder& parent = *owner;
        parent.resize(400, 300);
        list = new CListCtrlStyled(&parent);
        list->setGeometry(0, 0, 400, 300);
        list->InsertColumn(0, QStringLiteral("Bar"), 100);
        list->InsertColumn(1, QStringLiteral("Length"), 100);
        for (int i = 0; i < 6; ++i) list->InsertItem(i, QStringLiteral("row %1").arg(i), 100 + (i % 3));
        parent.show();
    }
    void Click(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QRect r = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, r.center());
    }
    int ViewSelected() const { return static_cast<int>(list->selectionModel()->selectedRows().size()); }
};

} // namespace

TEST_F(ListFixture, ClicksToggleAndNotifyTheParent) {
    Click(1);
    Click(3);
    Click(4);
    EXPECT_EQ(3, list->GetSelectedCount());
    EXPECT_EQ(3, ViewSelected());
    EXPECT_EQ(4, list->GetLastSelected());
    Click(4);   // second click unselects
    EXPECT_FALSE(list->IsRowSelected(4));
    EXPECT_EQ(2, ViewSelected());
    EXPECT_EQ(3, list->GetLastSelected());
    if (const char* dir = std::getenv("UI_GRAB_DIR")) list->grab().save(QString::fromUtf8(dir) + "/list.png");
    ASSERT_EQ(4u, owner->rows.size());
    EXPECT_EQ(0u, owner->rows[0].first);
    EXPECT_EQ(1, owner->rows[0].second);
    EXPECT_EQ(4, owner->rows[3].second);
}

TEST_F(ListFixture, ShiftClickDragAndKeysChangeNoSelection) {
    Click(1);
    Click(4, Qt::ShiftModifier);
    EXPECT_EQ(1, list->GetSelectedCount());
    EXPECT_EQ(1u, owner->rows.size());
    const QPoint from = list->visualItemRect(list->topLevelItem(2)).center();
    const QPoint to = list->visualItemRect(list->topLevelItem(5)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from);   // toggles row 2
    QMouseEvent move(QEvent::MouseMove, to, list->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(2, list->GetSelectedCount());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(2, list->GetSelectedCount());
    EXPECT_EQ(2, ViewSelected());
    EXPECT_EQ(5, list->currentIndex().row());
    // A selection made behind the control's back is undone.
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
    EXPECT_EQ(2, ViewSelected());
}

TEST_F(ListFixture, SelectAllFindAndDelete) {
    Click(2);
    Click(2);   // focus on row 2, nothing selected
    EXPECT_TRUE(list->ToggleSelectAll());
    EXPECT_EQ(6, ViewSelected());
    EXPECT_FALSE(list->ToggleSelectAll());
    EXPECT_EQ(1, list->GetSelectedCount());
    EXPECT_TRUE(list->IsRowSelected(2));
    // Search by item data starts after the start row.
    EXPECT_EQ(1, list->FindItemByData(101, -1));
    EXPECT_EQ(4, list->FindItemByData(101, 1));
    EXPECT_EQ(-1, list->FindItemByData(101, 4));
    EXPECT_EQ(-1, list->FindItemByData(100, 4));
    const int plain = list->InsertItem(99, QStringLiteral("no data"));
    EXPECT_EQ(6, plain);
    EXPECT_FALSE(list->ItemData(plain).has_value());
    // A column inserted later gives existing rows an empty cell in its place.
    list->SetItemText(0, 1, QStringLiteral("1500"));
    EXPECT_EQ(1, list->InsertColumn(1, QStringLiteral("Code"), 60));
    EXPECT_EQ(QString(), list->ItemText(0, 1));
    EXPECT_EQ(QStringLiteral("1500"), list->ItemText(0, 2));
    EXPECT_TRUE(list->DeleteItem(0));
    EXPECT_EQ(1, list->GetLastSelected());   // row 2 moved up
    list->DeleteAllItems();
    EXPECT_EQ(0, list->ItemCount());
    EXPECT_EQ(-1, list->GetLastSelected());
}

// A column's content width is the view's own measure of its widest cell over every row, whatever
// the texts: numbered names of one advance, the widest among many narrower ones, trailing blanks,
// a tab, a line break (the cell shows two lines, narrower than the font's advance of the whole
// text, beside a wider one-line text), AppendRows beside InsertItem.
TEST(ListCtrlWidths, ContentWidthIsTheWidestCell) {
    TestApp();
    QStringList numbered;
    for (int i = 1; i <= 1500; ++i) numbered << QStringLiteral("B%1").arg(i);
    numbered << QStringLiteral("W17");
    const std::vector<QStringList> columns = {
        numbered,
        {QStringLiteral("A") + QString(40, u' '), QStringLiteral("WWWW"), QStringLiteral("MM")},
        {QStringLiteral("ab"), QStringLiteral("x\tyyyyyyyyyy"), QStringLiteral("i\nWWWWWWWWW"), QStringLiteral("a b")},
        {QString(), QStringLiteral("ii")},
        {QStringLiteral("WWWWWWWWWW\nWWWWWWWWWW"), QStringLiteral("WWWWWWWWWWWWWWW")},
    };
    for (const QStringList& texts : columns) {
        for (const bool bulk : {false, true}) {
            CListCtrlStyled list;
            list.InsertColumn(0, QStringLiteral("H"), 80);
            if (bulk) {
                list.AppendRows(static_cast<int>(texts.size()), [&](int i, intptr_t&) { return QStringList{texts[i]}; });
            } else {
                for (const QString& t : texts) list.InsertItem(list.ItemCount(), t);
            }
            ASSERT_EQ(list.ItemCount(), texts.size());
            int widest = 0;
            for (int r = 0; r < list.ItemCount(); ++r)
                widest = std::max(widest, list.sizeHintForIndex(list.model()->index(r, 0)).width());
            EXPECT_EQ(list.ColumnContentWidth(0), widest) << texts.front().toStdString() << " bulk " << bulk;
        }
    }
}

TEST(HorzListBox, ExtentFollowsTheWidestLine) {
    TestApp();
    ui::CHorzListBox box;
    box.AddString(QStringLiteral("short"));
    box.AddString(QStringLiteral("a much much longer line of text"));
    box.InsertString(0, QStringLiteral("middle length"));
    EXPECT_EQ(-1, box.LineWidth(3));   // one width per line
    const int widest = box.LineWidth(2);
    EXPECT_EQ(widest, box.HorizontalExtent());
    EXPECT_GT(widest, box.LineWidth(0));
    box.DeleteString(1);   // a shorter line: extent kept
    EXPECT_EQ(widest, box.HorizontalExtent());
    box.DeleteString(1);   // the widest: shrinks to the next widest
    EXPECT_EQ(box.LineWidth(0), box.HorizontalExtent());
    EXPECT_EQ(-1, box.DeleteString(5));
    // Tabs expand with the tab stops.
    box.AddString(QStringLiteral("a\tb"));
    const int before = box.LineWidth(1);
    box.SetTabStops({200});
    EXPECT_GT(box.LineWidth(1), before);
}

TEST(ColorLabel, SystemColourByDefaultAndOnNoColour) {
    TestApp();
    ui::CColorLabel label;
    const QColor system = QApplication::palette().color(QPalette::ButtonText);
    EXPECT_EQ(system, label.TextColor());
    label.SetTextColor(0x0000FF);   // Windows red
    EXPECT_EQ(QColor(255, 0, 0), label.TextColor());
    label.SetTextColor(ui::kNoColor);
    EXPECT_EQ(system, label.TextColor());
    EXPECT_EQ(QApplication::palette().color(QPalette::Button), label.BackgroundColor());
}

TEST(ColoredStatusBar, PaneColoursAndBlueTextInTheImage) {
    TestApp();
    ui::CMFCColoredSB bar;
    bar.SetIndicators({0, 101, 102, 103});
    EXPECT_EQ(2, bar.CommandToIndex(102));
    EXPECT_EQ(-1, bar.CommandToIndex(7));
    bar.resize(600, 24);
    bar.SetPaneWidth(1, 120);
    bar.SetPaneWidth(2, 120);
    bar.SetPaneWidth(3, 120);
    bar.SetPaneText(0, QStringLiteral("Ready"));
    bar.SetPaneText(1, QStringLiteral("X 1234.567"));
    bar.SetPaneBackgroundColor(1, 0x00FF00);   // green
    bar.SetPaneBackgroundColor(2, 0x0000FF);   // red
    bar.SetPaneStyle(3, ui::CMFCColoredSB::kNoBorders);
    bar.SetPaneText(3, QStringLiteral("MMMMMMMMMMMMMMMMMM"));
    bar.SetPaneBackgroundColor(3, 0xFFFFFF);
    const QImage img = bar.grab().toImage();
    if (std::getenv("UI_GRAB_DIR")) img.save(QString::fromUtf8(std::getenv("UI_GRAB_DIR")) + "/statusbar.png");

    auto pixel = [&](int pane, int dx, int dy) {
        const QRect r = bar.PaneRect(pane);
        return QColor(img.pixel(r.right() - dx, r.top() + dy));
    };
    EXPECT_EQ(QColor(0, 255, 0), pixel(1, 6, 5));
    EXPECT_EQ(QColor(255, 0, 0), pixel(2, 6, 5));
    // Text is blue (40, 40, 255) whatever the pane: some pixel of pane 3 has exactly it.
    const QRect r3 = bar.PaneRect(3);
    bool blue = false;
    for (int x = r3.left(); x <= r3.right() && !blue; ++x)
        for (int y = r3.top(); y <= r3.bottom() && !blue; ++y)
            blue = QColor(img.pixel(x, y)) == QColor(40, 40, 255);
    EXPECT_TRUE(blue);
    // Panes lie side by side within the bar.
    for (int i = 1; i < bar.PaneCount(); ++i) EXPECT_GT(bar.PaneRect(i).left(), bar.PaneRect(i - 1).right());
    EXPECT_LT(bar.PaneRect(3).right(), 600);
    EXPECT_EQ(120, bar.PaneRect(3).width());
}
