#include "app/views_list.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace app {

namespace {
// Paints each cell as usual, then its right and bottom grid lines.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(200, 200, 200));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        // Room for the grid lines and a little air beside the text.
        return QStyledItemDelegate::sizeHint(option, index) + QSize(8, 2);
    }
};
} // namespace

ViewsReportList::ViewsReportList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setItemDelegate(new GridDelegate(this));
}

void ViewsReportList::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    // The header reads in the list's own font.
    if (event->type() == QEvent::FontChange) header()->setFont(font());
}

void ViewsReportList::SetColumns(const QStringList& headers) {
    setColumnCount(static_cast<int>(headers.size()));
    setHeaderLabels(headers);
}

int ViewsReportList::AddRow(const QStringList& cells) {
    auto* item = new QTreeWidgetItem(this, cells);
    return indexOfTopLevelItem(item);
}

QString ViewsReportList::Cell(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->text(column) : QString();
}

void ViewsReportList::SelectRow(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) return;
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

int ViewsReportList::CurrentRow() const {
    QTreeWidgetItem* item = currentItem();
    return item != nullptr ? indexOfTopLevelItem(item) : -1;
}

void ViewsReportList::SizeColumns() {
    for (int c = 0; c < columnCount(); ++c) resizeColumnToContents(c);
}

} // namespace app
