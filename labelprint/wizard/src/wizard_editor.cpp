// The label editor and the cell dialog.
#include "wizard_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <memory>

#include "labelprint/layout.h"
#include "platform/text.h"
#include "static_ex.h"

namespace labelprint::wizard {
namespace {

constexpr int kEditorRows = 9;
constexpr int kLeftCell = 20039;   // left column cells, rows 0 to 8
constexpr int kRightCell = 20048;  // right column cells
constexpr int kLeftButton = 20011; // "..." of the left cells
constexpr int kRightButton = 20020;
constexpr int kHeaderEdit = 20102; // header texts, rows 0 to 8, over the left column

} // namespace

void ShowLineInCell(QWidget* widget, const MRiga* line, const std::string& text) {
    auto* cell = static_cast<CStaticEx*>(widget);
    if (!cell) return;
    QFont font = DialogFont();
    const double points = line ? 2.0 * static_cast<double>(line->style.size) : 8.0;
    font.setPointSizeF(std::clamp(points, 1.0, 200.0));
    cell->SetFont(font);
    cell->setText(text.empty() ? QString() : Tr(text));
}

// ---- cell dialog ----

MDCfgCell::MDCfgCell(MRiga& line, const std::vector<std::string>& fieldNames, QWidget* parent)
    : QDialog(parent), line_(line), names_(fieldNames) {
    setObjectName(QStringLiteral("id_%1").arg(kTemplateId));
    setWindowTitle(Tr("ID_CONFIGURA"));
    setFont(DialogFont());
    setFixedSize(560, 350);
    controls_.Build(this, {
        {0, Kind::Static, {10, 10, 250, 24}, "ID_STATIC_DIPONIBILI"},
        {1002, Kind::List, {10, 38, 250, 290}, nullptr},
        {6026, Kind::Cell, {280, 38, 265, 86}, nullptr},
        {0, Kind::Static, {280, 140, 120, 30}, "ID_SIZE"},
        {20073, Kind::Spin, {405, 140, 90, 30}, nullptr},
        {6027, Kind::Check, {280, 180, 200, 26}, "ID_CORSIVO"},
        {6028, Kind::Check, {280, 210, 200, 26}, "ID_GRASSETTO"},
        {3, Kind::Button, {280, 250, 130, 34}, "ID_ELIMINA"},
        {1, Kind::Button, {435, 294, 110, 34}, "OK", true},
    });
    auto* list = controls_.Get<QListWidget>(1002);
    auto* size = controls_.Get<QSpinBox>(20073); // the edit and its spin (6031) are one control
    controls_.Get<QWidget>(6027)->hide();
    controls_.Get<QWidget>(6028)->hide();
    controls_.Get<CStaticEx>(6026)->SetBkColor(Qt::white);

    for (const std::string& name : names_) list->addItem(Tr(name));
    if (line_.fieldId >= 0 && line_.fieldId < list->count()) list->setCurrentRow(line_.fieldId);
    size->setRange(0, 100);
    size->setValue(std::clamp(plat::TruncToInt32(static_cast<double>(line_.style.size)), 0, 100));
    Redraw();

    // The operator's choice is the selected entry: the current row alone moves when the list
    // merely takes the focus, and a line without field keeps none until one is chosen.
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list, size] {
        const QList<QListWidgetItem*> chosen = list->selectedItems();
        if (chosen.isEmpty()) return;
        const int row = list->row(chosen.front());
        if (row < 0 || static_cast<size_t>(row) >= names_.size()) return;
        line_.fieldId = row;
        line_.style.text = names_[static_cast<size_t>(row)];
        line_.style.size = static_cast<float>(size->value());
        Redraw();
    });
    connect(size, &QSpinBox::valueChanged, this, [this](int value) {
        line_.style.size = static_cast<float>(value);
        Redraw();
    });
    for (int id : {6027, 6028}) connect(controls_.Get<QCheckBox>(id), &QCheckBox::toggled, this, [this] { Redraw(); });
    connect(controls_.Get<QPushButton>(3), &QPushButton::clicked, this, [this, list] {
        line_.fieldId = -1;
        line_.style.text.clear();
        const QSignalBlocker block(list);
        list->clearSelection();
        list->setCurrentRow(-1);
        Redraw();
    });
    connect(controls_.Get<QPushButton>(1), &QPushButton::clicked, this, &QDialog::accept);
}

void MDCfgCell::Redraw() { ShowLineInCell(controls_.Widget(6026), &line_, line_.style.text); }

// ---- label editor ----

MDlgEditEti::MDlgEditEti(const Grid& grid, MListaRighe& labels, MListaRighe& headers,
                         const std::vector<std::string>& fieldNames, QWidget* parent)
    : QDialog(parent), grid_(grid), labels_(labels), headers_(headers), names_(fieldNames) {
    setObjectName(QStringLiteral("id_%1").arg(kTemplateId));
    setWindowTitle(Tr("ID_ETIEDIT"));
    setFont(DialogFont());
    setFixedSize(740, 520);
    controls_.Build(this, {
        {0, Kind::Static, {10, 12, 110, 28}, "ID_NRCOLONNE"},
        {20029, Kind::Combo, {125, 10, 70, 30}, nullptr},
        {0, Kind::Static, {215, 12, 90, 28}, "ID_NRRIGHE"},
        {20037, Kind::Combo, {310, 10, 70, 30}, nullptr},
        {20100, Kind::Check, {410, 10, 300, 30}, "ID_INTESTAZIONE"},
        {20031, Kind::Button, {610, 474, 115, 34}, "OK", true},
        {2, Kind::Button, {480, 474, 115, 34}, "Cancel", true},
    });
    controls_.Get<QWidget>(2)->hide();
    for (int r = 0; r < kEditorRows; ++r) {
        const int y = 52 + r * 46;
        controls_.Build(this, {
            {kLeftCell + r, Kind::Cell, {10, y, 300, 38}, nullptr},
            {kLeftButton + r, Kind::Button, {314, y, 40, 38}, "...", true},
            {kRightCell + r, Kind::Cell, {370, y, 300, 38}, nullptr},
            {kRightButton + r, Kind::Button, {674, y, 40, 38}, "...", true},
            {kHeaderEdit + r, Kind::Edit, {10, y, 344, 38}, nullptr},
        });
        controls_.Get<CStaticEx>(kLeftCell + r)->SetBkColor(Qt::white);
        controls_.Get<CStaticEx>(kRightCell + r)->SetBkColor(Qt::white);
        connect(controls_.Get<QPushButton>(kLeftButton + r), &QPushButton::clicked, this,
                [this, r] { OpenLine(LeftButtonLine(grid_, r)); });
        connect(controls_.Get<QPushButton>(kRightButton + r), &QPushButton::clicked, this,
                [this, r] { OpenLine(RightButtonLine(grid_, r)); });
    }

    auto* columns = controls_.Get<QComboBox>(20029);
    auto* rows = controls_.Get<QComboBox>(20037);
    auto* header = controls_.Get<QCheckBox>(20100);
    columns->addItems({QStringLiteral("1"), QStringLiteral("2")});
    for (int n = 1; n <= kEditorRows; ++n) rows->addItem(QString::number(n));
    // A count the lists do not offer (hand-edited file) shows no selection.
    columns->setCurrentIndex(grid_.columns >= 1 && grid_.columns <= 2 ? grid_.columns - 1 : -1);
    rows->setCurrentIndex(grid_.rows >= 1 && grid_.rows <= kEditorRows ? grid_.rows - 1 : -1);
    header->setChecked(grid_.header);
    Fill();
    UpdateVisibility();

    connect(columns, &QComboBox::activated, this, [this, header](int index) {
        const bool changed = SetColumns(grid_, index + 1);
        const QSignalBlocker block(header);
        header->setChecked(grid_.header);
        if (changed) Fill();
        UpdateVisibility();
    });
    connect(rows, &QComboBox::activated, this, [this](int index) {
        grid_.rows = index + 1;
        UpdateVisibility();
    });
    connect(header, &QCheckBox::toggled, this, [this](bool on) {
        grid_.header = on;
        Fill();
        UpdateVisibility();
    });
    connect(controls_.Get<QPushButton>(20031), &QPushButton::clicked, this, [this] { OnOk(); });
}

void MDlgEditEti::Fill() {
    for (int r = 0; r < kEditorRows; ++r) {
        controls_.Get<QLineEdit>(kHeaderEdit + r)->setText(FromCp1252(ShownText(headers_, r)));
        ShowLineInCell(controls_.Widget(kLeftCell + r), nullptr, "");
        ShowLineInCell(controls_.Widget(kRightCell + r), nullptr, "");
    }
    for (int line = 0; line < labels_.Count(); ++line) DrawLine(line);
}

void MDlgEditEti::DrawLine(int line) {
    const Cell cell = CellOfLine(grid_, line);
    if (cell.row < 0 || cell.row >= kEditorRows) return;
    ShowLineInCell(controls_.Widget((cell.right ? kRightCell : kLeftCell) + cell.row), labels_.Line(line),
                   ShownText(labels_, line));
}

void MDlgEditEti::UpdateVisibility() {
    const bool twoColumns = grid_.columns == 2;
    const bool headerLeft = grid_.header && twoColumns;
    for (int r = 0; r < kEditorRows; ++r) {
        const bool row = r < grid_.rows;
        controls_.Widget(kHeaderEdit + r)->setVisible(row && headerLeft);
        controls_.Widget(kLeftCell + r)->setVisible(row && !headerLeft);
        controls_.Widget(kLeftButton + r)->setVisible(row && !headerLeft);
        controls_.Widget(kRightCell + r)->setVisible(row && twoColumns);
        controls_.Widget(kRightButton + r)->setVisible(row && twoColumns);
    }
    controls_.Widget(20100)->setEnabled(twoColumns);
}

void MDlgEditEti::OpenLine(int line) {
    if (line < 0 || line >= MListaRighe::kLabelLines) return;
    while (labels_.Count() <= line) labels_.lines.push_back(nullptr);
    auto& slot = labels_.lines[static_cast<size_t>(line)];
    if (!slot) slot = std::make_unique<MRiga>(-1, true, "");
    MDCfgCell cell(*slot, names_, this);
    cell.exec();
    DrawLine(line);
}

void MDlgEditEti::OnOk() {
    std::vector<std::string> texts;
    for (int r = 0; r < kEditorRows; ++r) texts.push_back(ToCp1252(controls_.Get<QLineEdit>(kHeaderEdit + r)->text()));
    ApplyEditorOk(grid_, texts, labels_, headers_);
    done(QDialog::Accepted);
}

void MDlgEditEti::reject() { OnOk(); }

} // namespace labelprint::wizard
