#pragma once
// The program's own controls: the toggle-selection list, the horizontally scrolling list
// box, the coloured label, the status bar with coloured panes and the main window's view.
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "ui/toggle_selection.h"
#include "ui/window_message.h"

namespace ui {

// Windows colour value (0x00BBGGRR); 0xFFFFFFFF means "none / system default".
constexpr uint32_t kNoColor = 0xFFFFFFFFu;
QColor FromColorRef(uint32_t colorRef);

// Multi-selection list in report form where a click toggles one row. After each click on a
// row the parent receives the message kMsgRowClicked (sent, wParam 0, lParam the row) and the
// signal rowClicked is emitted.
class CListCtrlStyled : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr unsigned kMsgRowClicked = kWmUser + 0x72;

    explicit CListCtrlStyled(QWidget* parent = nullptr);

    int InsertColumn(int column, const QString& title, int width);
    // Inserts a row (clamped to the row count); itemData is the caller's own value, kept
    // with the row. Returns the new row index.
    int InsertItem(int row, const QString& text, std::optional<intptr_t> itemData = std::nullopt);
    // Appends count rows in one step (a list of thousands of rows is filled without one change of
    // the view per cell): row(i, data) gives the texts by column of the i-th new row and sets its
    // item data. Returns the index of the first.
    int AppendRows(int count, const std::function<QStringList(int index, intptr_t& itemData)>& row);
    bool SetItemText(int row, int column, const QString& text);
    QString ItemText(int row, int column) const;
    // The caller's item data of a row, or nothing when it gave none.
    std::optional<intptr_t> ItemData(int row) const;
    // First row after start whose item data equals data, or -1.
    int FindItemByData(intptr_t data, int start) const;

    int ItemCount() const { return topLevelItemCount(); }
    // The width the widest cell of a column needs to show its text whole, over every row (the
    // view's own measure of a column takes a sample of at most 1000 rows).
    int ColumnContentWidth(int column) const;
    bool DeleteItem(int row);
    void DeleteAllItems();

    int GetSelectedCount() const { return m_model.SelectedCount(); }
    int GetLastSelected() const { return m_model.LastSelected(); }
    bool IsRowSelected(int row) const { return m_model.IsSelected(row); }
    bool ToggleSelectAll();
    // Every row selected, the all-selected state untouched (its first toggle still selects all).
    void SelectAllRows();

    void selectAll() override {}   // no select-all of the list's own

signals:
    void rowClicked(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void SyncSelection();
    void SetFocusRow(int row);

    ToggleSelection m_model;
    bool m_ownChange = false;   // selection changes made by the control itself
};

// List box whose horizontal scroll extent follows its widest line.
class CHorzListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CHorzListBox(QWidget* parent = nullptr);

    int AddString(const QString& text);
    int InsertString(int index, const QString& text);   // -1 appends
    int DeleteString(int index);                        // remaining count or -1
    // Tab stops in dialog units; lines are measured again.
    void SetTabStops(const std::vector<int>& stops);
    void SetUseTabStops(bool on) { m_useTabStops = on; }

    int HorizontalExtent() const { return m_widest; }
    int LineWidth(int index) const;

private:
    int Measure(const QString& text);
    void ApplyExtent();

    std::vector<int> m_widths;
    int m_widest = 0;
    std::vector<int> m_tabStops;
    bool m_tabStopsSet = false;
    bool m_useTabStops = true;
};

// Static text in a colour of its own on the button-face colour.
class CColorLabel : public QLabel {
    Q_OBJECT
public:
    explicit CColorLabel(QWidget* parent = nullptr);
    // kNoColor selects the system button-text colour.
    void SetTextColor(uint32_t colorRef);
    QColor TextColor() const { return m_text; }
    QColor BackgroundColor() const { return m_background; }

private:
    void ApplyColors();
    QColor m_text;
    QColor m_background;
};

// Status bar whose panes have their own background colours; pane text is always drawn in
// one blue (red 40, green 40, blue 255).
class CMFCColoredSB : public QStatusBar {
    Q_OBJECT
public:
    static constexpr uint32_t kPaneTextColor = 0xFF2828u;
    enum PaneStyle : unsigned { kNormal = 0, kNoBorders = 1, kStretch = 2 };

    explicit CMFCColoredSB(QWidget* parent = nullptr);

    // One pane per id, in order; the first pane stretches.
    void SetIndicators(const std::vector<int>& ids);
    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    int CommandToIndex(int id) const;
    void SetPaneWidth(int index, int width);
    void SetPaneStyle(int index, unsigned style);
    void SetPaneText(int index, const QString& text);
    QString PaneText(int index) const;
    void SetPaneBackgroundColor(int index, uint32_t colorRef);   // kNoColor: none
    void SetPaneProgress(int index, int total, int position);     // total <= 0: no progress
    QRect PaneRect(int index) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Pane {
        int id = 0;
        int width = 80;
        unsigned style = kNormal;
        QString text;
        uint32_t background = kNoColor;
        int progressTotal = 0;
        int progressPos = 0;
    };
    std::vector<Pane> m_panes;
};

// The main window's client view: a sunken frame in the window colour that draws nothing.
class CBackgroundView : public QFrame {
    Q_OBJECT
public:
    explicit CBackgroundView(QWidget* parent = nullptr);
};

} // namespace ui
