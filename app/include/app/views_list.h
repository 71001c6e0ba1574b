#pragma once
// The read-only report list of the operator's views: one row per line, grid lines, the whole
// row selected by a click, columns sized to the wider of their header and their contents.
#include <QStringList>
#include <QTreeWidget>

namespace app {

class ViewsReportList : public QTreeWidget {
    Q_OBJECT
public:
    explicit ViewsReportList(QWidget* parent = nullptr);

    void SetColumns(const QStringList& headers);
    // Appends a row; returns its index.
    int AddRow(const QStringList& cells);
    int RowCount() const { return topLevelItemCount(); }
    QString Cell(int row, int column) const;
    // Selects the row and makes it current (nothing for a row outside the list).
    void SelectRow(int row);
    int CurrentRow() const;
    void SizeColumns();

protected:
    void changeEvent(QEvent* event) override;
};

} // namespace app
