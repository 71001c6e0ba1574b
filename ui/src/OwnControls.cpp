#include "ui/OwnControls.h"

#include <QHash>
#include <QStyleOptionViewItem>

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <map>

namespace ui {

QColor FromColorRef(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

namespace {
constexpr int kDataRole = Qt::UserRole + 1;   // the caller's item data
}

// ---------------------------------------------------------------- CListCtrlStyled

CListCtrlStyled::CListCtrlStyled(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::MultiSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setColumnCount(0);
    // A selection change the control did not make is undone.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_ownChange) SyncSelection();
    });
}

int CListCtrlStyled::InsertColumn(int column, const QString& title, int width) {
    const int count = columnCount();
    if (column < 0) return -1;
    column = std::min(column, count);
    QStringList titles;
    for (int i = 0; i < count; ++i) titles << headerItem()->text(i);
    titles.insert(column, title);
    setColumnCount(count + 1);
    // Existing rows get an empty cell at the new column's place.
    for (int r = 0; r < topLevelItemCount(); ++r) {
        QTreeWidgetItem* it = topLevelItem(r);
        for (int c = count; c > column; --c) it->setText(c, it->text(c - 1));
        it->setText(column, QString());
    }
    setHeaderLabels(titles);
    setColumnWidth(column, width);
    return column;
}

int CListCtrlStyled::InsertItem(int row, const QString& text, std::optional<intptr_t> itemData) {
    row = std::clamp(row, 0, topLevelItemCount());
    auto* it = new QTreeWidgetItem;
    it->setText(0, text);
    if (itemData) it->setData(0, kDataRole, QVariant::fromValue<qlonglong>(*itemData));
    m_ownChange = true;
    insertTopLevelItem(row, it);
    m_model.InsertRow(row);
    m_ownChange = false;
    // A new row comes unselected: with no row selected on either side there is nothing to
    // sync, and filling a list of thousands of rows stays linear.
    if (m_model.LastSelected() >= 0 || selectionModel()->hasSelection()) SyncSelection();
    return row;
}

int CListCtrlStyled::AppendRows(int count, const std::function<QStringList(int index, intptr_t& itemData)>& row) {
    const int first = topLevelItemCount();
    QList<QTreeWidgetItem*> items;
    items.reserve(std::max(count, 0));
    try {
        for (int i = 0; i < count; ++i) {
            intptr_t data = 0;
            auto* it = new QTreeWidgetItem(row(i, data));
            items.append(it);
            it->setData(0, kDataRole, QVariant::fromValue<qlonglong>(data));
        }
    } catch (...) {
        qDeleteAll(items); // out of memory part way: the list keeps the rows it had
        throw;
    }
    m_ownChange = true;
    addTopLevelItems(items);
    for (int i = 0; i < count; ++i) m_model.InsertRow(m_model.RowCount());
    m_ownChange = false;
    if (m_model.LastSelected() >= 0 || selectionModel()->hasSelection()) SyncSelection();
    return first;
}

bool CListCtrlStyled::SetItemText(int row, int column, const QString& text) {
    QTreeWidgetItem* it = topLevelItem(row);
    if (!it || column < 0 || column >= columnCount()) return false;
    it->setText(column, text);
    return true;
}

namespace {

// A text the cell shows on one line as wide as the font's advance of it: printable characters
// and blanks only (the cell breaks lines at line feeds and separators, which the advance runs
// across).
bool IsPlainLine(const QString& text) {
    for (const QChar c : text) {
        if (c == u' ') continue;
        if (c.isSpace() || !c.isPrint()) return false;
        const QChar::Category category = c.category();
        if (category == QChar::Separator_Line || category == QChar::Separator_Paragraph) return false;
    }
    return true;
}

} // namespace

int CListCtrlStyled::ColumnContentWidth(int column) const {
    const int rows = topLevelItemCount();
    if (column < 0 || column >= columnCount() || rows == 0) return 0;
    // The view's cell measure (text, margins and what the style adds) grows with the font's
    // advance of a plain text, so the advance of each distinct text finds the widest, and the
    // cell is measured on one text of each advance near the widest (a list of numbered names
    // has hundreds of texts of one advance). Other texts are measured one by one. A pixel of
    // slack covers any rounding between the two measures.
    constexpr qreal kSlack = 1.0;
    struct Plain {
        qreal advance;
        int row;
    };
    const QFontMetricsF metrics(font());
    QHash<QString, Plain> plain;
    QHash<QString, int> other;
    qreal widest = 0;
    for (int r = 0; r < rows; ++r) {
        const QString text = topLevelItem(r)->text(column);
        if (plain.contains(text) || other.contains(text)) continue;
        if (!IsPlainLine(text)) {
            other.insert(text, r);
            continue;
        }
        const qreal advance = metrics.horizontalAdvance(text);
        plain.insert(text, Plain{advance, r});
        widest = std::max(widest, advance);
    }
    std::map<qreal, int> byAdvance;   // one row per advance near the widest
    for (auto it = plain.constBegin(); it != plain.constEnd(); ++it)
        if (it->advance + kSlack >= widest) byAdvance.emplace(it->advance, it->row);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int width = 0;
    auto measure = [&](int row) {
        const QModelIndex index = model()->index(row, column);
        width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width());
    };
    for (const auto& [advance, row] : byAdvance) measure(row);
    for (const int row : std::as_const(other)) measure(row);
    return width;
}

QString CListCtrlStyled::ItemText(int row, int column) const {
    const QTreeWidgetItem* it = topLevelItem(row);
    return it ? it->text(column) : QString();
}

std::optional<intptr_t> CListCtrlStyled::ItemData(int row) const {
    const QTreeWidgetItem* it = topLevelItem(row);
    if (!it) return std::nullopt;
    const QVariant v = it->data(0, kDataRole);
    if (!v.isValid()) return std::nullopt;
    return static_cast<intptr_t>(v.toLongLong());
}

int CListCtrlStyled::FindItemByData(intptr_t data, int start) const {
    for (int r = std::max(start + 1, 0); r < topLevelItemCount(); ++r) {
        const auto d = ItemData(r);
        if (d && *d == data) return r;
    }
    return -1;
}

bool CListCtrlStyled::DeleteItem(int row) {
    if (row < 0 || row >= topLevelItemCount()) return false;
    m_ownChange = true;
    delete takeTopLevelItem(row);
    m_model.RemoveRow(row);
    m_ownChange = false;
    SyncSelection();
    return true;
}

void CListCtrlStyled::DeleteAllItems() {
    while (topLevelItemCount() > 0) DeleteItem(0);
    m_model.Clear();
}

bool CListCtrlStyled::ToggleSelectAll() {
    const bool on = m_model.ToggleSelectAll();
    SyncSelection();
    setFocus();
    return on;
}

void CListCtrlStyled::SelectAllRows() {
    m_model.SelectAll();
    SyncSelection();
}

void CListCtrlStyled::SyncSelection() {
    m_ownChange = true;
    // One range per run of selected rows, not one per row: the selection model and the header,
    // which walk the ranges at every paint, stay quick on a list of thousands of rows.
    QItemSelection sel;
    const int rows = topLevelItemCount();
    const int lastColumn = std::max(columnCount() - 1, 0);
    for (int r = 0; r < rows; ++r) {
        if (!m_model.IsSelected(r)) continue;
        const int first = r;
        while (r + 1 < rows && m_model.IsSelected(r + 1)) ++r;
        sel.select(model()->index(first, 0), model()->index(r, lastColumn));
    }
    selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    m_ownChange = false;
}

void CListCtrlStyled::SetFocusRow(int row) {
    m_ownChange = true;
    if (row >= 0) selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
    m_ownChange = false;
    m_model.SetFocusRow(row);
}

void CListCtrlStyled::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    if (event->modifiers() & Qt::ShiftModifier) return;   // no range selection
    const QModelIndex idx = indexAt(event->position().toPoint());
    if (!idx.isValid()) return;
    const int row = idx.row();
    if (!m_model.Click(row)) return;
    SetFocusRow(row);
    SyncSelection();
    if (QWidget* p = parentWidget()) {
        WindowMessageEvent msg(kMsgRowClicked, 0, row);
        QApplication::sendEvent(p, &msg);
    }
    emit rowClicked(row);
}

void CListCtrlStyled::mouseReleaseEvent(QMouseEvent*) {}
void CListCtrlStyled::mouseMoveEvent(QMouseEvent*) {}   // dragging selects nothing

void CListCtrlStyled::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || (event->modifiers() & Qt::ShiftModifier)) return;
    const QModelIndex idx = indexAt(event->position().toPoint());
    if (idx.isValid() && m_model.Activate(idx.row())) {
        SetFocusRow(idx.row());
        SyncSelection();
    }
}

void CListCtrlStyled::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_model.Activate(currentIndex().row())) SyncSelection();
        return;
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Home: case Qt::Key_End:
        // The focus moves; the selection stays (selectionCommand gives no update).
        QTreeWidget::keyPressEvent(event);
        SyncSelection();
        return;
    default:
        event->ignore();   // no space toggle, no select-all of the list's own
        return;
    }
}

QItemSelectionModel::SelectionFlags CListCtrlStyled::selectionCommand(const QModelIndex&,
                                                                      const QEvent*) const {
    return QItemSelectionModel::NoUpdate;
}

void CListCtrlStyled::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeWidget::currentChanged(current, previous);
    m_model.SetFocusRow(current.isValid() ? current.row() : -1);
}

// ---------------------------------------------------------------- CHorzListBox

CHorzListBox::CHorzListBox(QWidget* parent) : QListWidget(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int CHorzListBox::Measure(const QString& text) {
    const QFontMetrics fm(font());
    int w = 0;
    if (m_useTabStops && text.contains(QLatin1Char('\t'))) {
        // Dialog units to pixels: a horizontal unit is a quarter of the average character width.
        const int avg = std::max(fm.averageCharWidth(), 1);
        std::vector<int> tabArray;   // pixel positions, zero-terminated
        for (int s : m_tabStops) tabArray.push_back(s * avg / 4);
        tabArray.push_back(0);
        w = fm.boundingRect(QRect(0, 0, 100000, 1000), Qt::TextExpandTabs | Qt::TextSingleLine,
                            text, 0, tabArray.data()).width();
    } else {
        w = fm.horizontalAdvance(text);
    }
    return w + 6;
}

void CHorzListBox::ApplyExtent() {
    m_widest = m_widths.empty() ? 0 : *std::max_element(m_widths.begin(), m_widths.end());
}

int CHorzListBox::AddString(const QString& text) { return InsertString(-1, text); }

int CHorzListBox::InsertString(int index, const QString& text) {
    if (index < 0 || index > count()) index = count();
    // Without tab stops of its own the list first sets one of 2 dialog units.
    if (!m_tabStopsSet) SetTabStops({2});
    insertItem(index, text);
    const int w = Measure(text);
    m_widths.insert(m_widths.begin() + index, w);
    m_widest = std::max(m_widest, w);
    return index;
}

int CHorzListBox::DeleteString(int index) {
    if (index < 0 || index >= count()) return -1;
    delete takeItem(index);
    const int w = m_widths[static_cast<size_t>(index)];
    m_widths.erase(m_widths.begin() + index);
    if (w >= m_widest) ApplyExtent();   // a narrower line leaves the extent as it is
    return count();
}

void CHorzListBox::SetTabStops(const std::vector<int>& stops) {
    m_tabStops = stops;
    m_tabStopsSet = true;
    m_widths.clear();
    for (int i = 0; i < count(); ++i) m_widths.push_back(Measure(item(i)->text()));
    ApplyExtent();
}

int CHorzListBox::LineWidth(int index) const {
    return index >= 0 && index < static_cast<int>(m_widths.size()) ? m_widths[static_cast<size_t>(index)] : -1;
}

// ---------------------------------------------------------------- CColorLabel

CColorLabel::CColorLabel(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(true);
    m_background = QApplication::palette().color(QPalette::Button);
    SetTextColor(kNoColor);
}

void CColorLabel::SetTextColor(uint32_t colorRef) {
    m_text = colorRef == kNoColor ? QApplication::palette().color(QPalette::ButtonText)
                                  : FromColorRef(colorRef);
    ApplyColors();
}

void CColorLabel::ApplyColors() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_text);
    pal.setColor(QPalette::Window, m_background);
    setPalette(pal);
    update();
}

// ---------------------------------------------------------------- CMFCColoredSB

CMFCColoredSB::CMFCColoredSB(QWidget* parent) : QStatusBar(parent) { setSizeGripEnabled(false); }

void CMFCColoredSB::SetIndicators(const std::vector<int>& ids) {
    m_panes.clear();
    for (int id : ids) m_panes.push_back(Pane{id, 80, kNormal, {}, kNoColor, 0, 0});
    if (!m_panes.empty()) m_panes[0].style = kStretch;
    update();
}

int CMFCColoredSB::CommandToIndex(int id) const {
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i].id == id) return static_cast<int>(i);
    return -1;
}

#define PANE_OR_RETURN(index, ...) \
    if ((index) < 0 || (index) >= PaneCount()) return __VA_ARGS__; \
    Pane& p = m_panes[static_cast<size_t>(index)]

void CMFCColoredSB::SetPaneWidth(int index, int width) { PANE_OR_RETURN(index); p.width = width; update(); }
void CMFCColoredSB::SetPaneStyle(int index, unsigned style) { PANE_OR_RETURN(index); p.style = style; update(); }
void CMFCColoredSB::SetPaneText(int index, const QString& text) { PANE_OR_RETURN(index); p.text = text; update(); }
void CMFCColoredSB::SetPaneBackgroundColor(int index, uint32_t c) { PANE_OR_RETURN(index); p.background = c; update(); }
void CMFCColoredSB::SetPaneProgress(int index, int total, int pos) {
    PANE_OR_RETURN(index);
    p.progressTotal = total;
    p.progressPos = pos;
    update();
}
#undef PANE_OR_RETURN

QString CMFCColoredSB::PaneText(int index) const {
    return index >= 0 && index < PaneCount() ? m_panes[static_cast<size_t>(index)].text : QString();
}

QRect CMFCColoredSB::PaneRect(int index) const {
    if (index < 0 || index >= PaneCount()) return {};
    int fixed = 0, stretch = 0;
    for (const Pane& p : m_panes) {
        if (p.style & kStretch) ++stretch;
        else fixed += p.width + 2;
    }
    const int spare = std::max(width() - fixed - 2 * stretch, 0);
    int x = 0;
    for (int i = 0; i < PaneCount(); ++i) {
        const Pane& p = m_panes[static_cast<size_t>(i)];
        const int w = (p.style & kStretch) ? spare / std::max(stretch, 1) : p.width;
        if (i == index) return QRect(x, 2, w, height() - 3);
        x += w + 2;
    }
    return {};
}

QSize CMFCColoredSB::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(QStatusBar::sizeHint().width(), fm.height() + 8);
}

void CMFCColoredSB::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < PaneCount(); ++i) {
        const Pane& p = m_panes[static_cast<size_t>(i)];
        QRect r = PaneRect(i);
        if (r.isEmpty()) continue;
        if (p.background != kNoColor) painter.fillRect(r, FromColorRef(p.background));
        if (!(p.style & kNoBorders)) {
            QStyleOptionFrame frame;
            frame.initFrom(this);
            frame.rect = r;
            frame.lineWidth = 1;
            frame.frameShape = QFrame::Panel;
            frame.state |= QStyle::State_Sunken;
            style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
            r.adjust(2, 1, -2, -1);
        }
        if (p.progressTotal > 0) {
            QStyleOptionProgressBar bar;
            bar.initFrom(this);
            bar.rect = r;
            bar.minimum = 0;
            bar.maximum = p.progressTotal;
            bar.progress = std::clamp(p.progressPos, 0, p.progressTotal);
            style()->drawControl(QStyle::CE_ProgressBar, &bar, &painter, this);
            continue;
        }
        painter.setPen(FromColorRef(kPaneTextColor));
        painter.setFont(font());
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, p.text);
    }
}

// ---------------------------------------------------------------- CBackgroundView

CBackgroundView::CBackgroundView(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setCursor(Qt::ArrowCursor);
}

} // namespace ui
