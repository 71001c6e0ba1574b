#pragma once
// Selection model of the bar-selection list: a click inverts one row's selection and leaves
// the others alone; the list's own range and drag selection never act.
#include <vector>

namespace ui {

class ToggleSelection {
public:
    int RowCount() const { return static_cast<int>(m_selected.size()); }
    void InsertRow(int at);          // unselected; at is clamped to 0..RowCount()
    void RemoveRow(int at);
    void Clear();

    // A click on a row: inverts it and gives it the focus. Returns false (nothing done) for a
    // row outside the list; true means the parent is to be notified.
    bool Click(int row);
    // Double click or Enter on a row: the same inversion; the parent is not notified.
    bool Activate(int row) { return Click(row); }
    // Moves the focus only (keyboard navigation); the selection stays.
    void SetFocusRow(int row);

    // Inverts the all-selected state: every row selected when it turns on, unselected when
    // it turns off, the focus row selected in both cases. Returns the new state.
    bool ToggleSelectAll();
    // Selects every row, leaving the all-selected state as it is.
    void SelectAll();

    bool IsSelected(int row) const;
    int SelectedCount() const;
    int LastSelected() const { return m_lastSelected; }
    int FocusRow() const { return m_focus; }

private:
    void RecomputeLast();

    std::vector<bool> m_selected;
    int m_focus = -1;
    int m_lastSelected = -1;
    bool m_allSelected = false;
};

} // namespace ui
