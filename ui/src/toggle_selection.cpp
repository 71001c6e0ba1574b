#include "ui/toggle_selection.h"

#include <algorithm>

namespace ui {

void ToggleSelection::InsertRow(int at) {
    at = std::clamp(at, 0, RowCount());
    m_selected.insert(m_selected.begin() + at, false);
    if (m_focus >= at) ++m_focus;
    if (m_lastSelected >= at) ++m_lastSelected;
}

void ToggleSelection::RemoveRow(int at) {
    if (at < 0 || at >= RowCount()) return;
    m_selected.erase(m_selected.begin() + at);
    if (m_focus == at) m_focus = -1;
    else if (m_focus > at) --m_focus;
    if (m_lastSelected == at) RecomputeLast();
    else if (m_lastSelected > at) --m_lastSelected;
}

void ToggleSelection::Clear() {
    m_selected.clear();
    m_focus = -1;
    m_lastSelected = -1;
}

bool ToggleSelection::Click(int row) {
    if (row < 0 || row >= RowCount()) return false;
    m_selected[row] = !m_selected[row];
    m_focus = row;
    if (m_selected[row]) m_lastSelected = row;
    else RecomputeLast();
    return true;
}

void ToggleSelection::SetFocusRow(int row) {
    if (row >= -1 && row < RowCount()) m_focus = row;
}

bool ToggleSelection::ToggleSelectAll() {
    m_allSelected = !m_allSelected;
    for (int i = 0; i < RowCount(); ++i) m_selected[i] = m_allSelected || i == m_focus;
    RecomputeLast();
    return m_allSelected;
}

void ToggleSelection::SelectAll() {
    std::fill(m_selected.begin(), m_selected.end(), true);
    RecomputeLast();
}

bool ToggleSelection::IsSelected(int row) const {
    return row >= 0 && row < RowCount() && m_selected[row];
}

int ToggleSelection::SelectedCount() const {
    return static_cast<int>(std::count(m_selected.begin(), m_selected.end(), true));
}

// The last selected row after an unselection is the last row (highest index) still selected.
void ToggleSelection::RecomputeLast() {
    m_lastSelected = -1;
    for (int i = RowCount() - 1; i >= 0; --i)
        if (m_selected[i]) {
            m_lastSelected = i;
            break;
        }
}

} // namespace ui
