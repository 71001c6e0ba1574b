// The tool table dialogs and their entry point.
#include "ui/ToolTableDialogs.h"
#include "ui/main_window_state.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dialog_texts.h"
#include "machine/error_text.h"
#include "machine/globals.h"
// Qt's "slots" keyword macro would swallow the path table's member of that name.
#pragma push_macro("slots")
#undef slots
#include "machine/path_table.h"
#pragma pop_macro("slots")
#include "machine/ralla_tools.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "machine/window_scale.h"
#include "platform/text.h"
#include "machine/edit_filters.h"
#include "ui/EditFilters.h"
#include "ui/InputDialog.h"
#include "ui/ToolDialog.h"
#include "ui/ViewDxfStatic.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// Template geometry (dialog units before ScaleToScreen enlarges them).
constexpr int kMargin = 12;
constexpr int kLinePitch = 34;
constexpr int kRowHeight = 24;
constexpr int kValueWidth = 66;
constexpr int kGap = 4;
constexpr int kCellGap = 12;
constexpr int kButtonHeight = 30;
constexpr int kNameBufferSize = kToolNameSize; // 9 characters and the terminator
constexpr int kCoolantBufferSize = 10;

void SetText(QWidget* w, const QString& text) {
    if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
    else if (auto* b = qobject_cast<QPushButton*>(w)) b->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(text);
}

const char* UnitTextKey() { return GetUnitSystem() == kUnitInches ? "P_IN" : "P_MM"; }

// Widths of the labels and units of each column of cells: the widest text each can show, in
// the dialog font of the screen, in template units.
struct CellWidths {
    int label[2] = {90, 90};
    int unit[2] = {30, 30};
    int Cell(int column) const { return label[column] + kGap + kValueWidth + kGap + unit[column]; }
    int Grid() const { return Cell(0) + kCellGap + Cell(1); }
};

CellWidths MeasureCells() {
    const int screen = ScreenWidth();
    const double factor = DialogScaleFactor(screen);
    const QFontMetrics fm(DialogFontFor(screen));
    auto width = [&](const char* key) {
        return static_cast<int>(std::ceil(fm.horizontalAdvance(Msg(key)) / factor)) + 2 * kGap;
    };
    CellWidths w;
    for (int cell = 0; cell < kToolCellCount; ++cell)
        for (int kind = 0; kind < kToolKindCount; ++kind) {
            int& label = w.label[cell % 2];
            int& unit = w.unit[cell % 2];
            label = std::max(label, width(CellLabelKey(cell, kind)));
            const char* key = CellUnitKey(cell, kind);
            unit = std::max(unit, width(key == nullptr ? UnitTextKey() : key));
        }
    return w;
}

// The cells of one tool, two per line from (x, y): a static or an edit value each (the kind
// cell of an editable grid is a combo box). Returns the bottom of the grid.
int AddToolCells(std::vector<DialogControl>& controls, const CellWidths& w, int x, int y, bool editable) {
    for (int cell = 0; cell < kToolCellCount; ++cell) {
        const int column = cell % 2;
        const int cx = x + column * (w.Cell(0) + kCellGap);
        const int cy = y + (cell / 2) * kLinePitch;
        const int label = w.label[column], unit = w.unit[column];
        ControlKind value = ControlKind::Static;
        if (editable) value = cell == kCellKind ? ControlKind::ComboBox : ControlKind::Edit;
        const int valueWidth = cell == kCellKind ? kValueWidth + kGap + unit : kValueWidth;
        controls.push_back({kToolCellLabelId + cell, ControlKind::Static, cx, cy + 3, label, kRowHeight - 4, ""});
        // A shown value stands on the line of its label; an entry takes the whole row.
        const int vy = editable ? cy : cy + 3, vh = editable ? kRowHeight : kRowHeight - 4;
        controls.push_back({kToolCellValueId + cell, value, cx + label + kGap, vy, valueWidth, vh, ""});
        if (cell != kCellKind)
            controls.push_back({kToolCellUnitId + cell, ControlKind::Static, cx + label + 2 * kGap + kValueWidth,
                                cy + 3, unit, kRowHeight - 4, ""});
    }
    return y + ((kToolCellCount + 1) / 2) * kLinePitch;
}

// The label and unit of a cell for a kind; unitText stands for the display unit.
void ShowCellLabels(CResizeDialog* dlg, int cell, const char* labelKey, int kind, const std::string& unitText) {
    SetText(dlg->Control(kToolCellLabelId + cell), Msg(labelKey));
    if (QWidget* unit = dlg->Control(kToolCellUnitId + cell)) {
        const char* key = CellUnitKey(cell, kind);
        SetText(unit, key == nullptr ? ToQt(unitText) : key[0] == '\0' ? QString() : Msg(key));
    }
}

void FillKindCombo(QComboBox* combo) {
    for (int k = 0; k < kToolKindCount; ++k) combo->addItem(Msg(ToolKindKey(k)));
}

void ShowAndPlace(CResizeDialog* dlg) {
    dlg->ScaleToScreen();
    // A choice list keeps its height through the layout: it must still show its text.
    for (QComboBox* combo : dlg->findChildren<QComboBox*>())
        combo->resize(combo->width(), std::max(combo->height(), combo->sizeHint().height()));
    CentreOverMainWindow(dlg);
    dlg->OpenShowGate();
}

void ErrorNotice(const char* text) { ShowBox("T_ERRORE", text, BoxButtons::Ok, BoxIcon::Warning); }

} // namespace

// ---------------------------------------------------------------- CToolDialog

CToolDialog::CToolDialog(QWidget* parent, bool listOpen) : CResizeDialog(parent), m_listOpen(listOpen) {
    setObjectName(QStringLiteral("CToolDialog"));
    const CellWidths w = MeasureCells();
    constexpr int kListWidth = 124;
    const int panelX = kMargin + kListWidth + kMargin;
    std::vector<DialogControl> c = {
        {kListGroupId, ControlKind::GroupBox, kMargin, kMargin, kListWidth, 0, "S_GROUP_LIST"},
        {kListId, ControlKind::ListBox, kMargin + 8, kMargin + 24, kListWidth - 16, 0, ""},
        {kPanelGroupId, ControlKind::GroupBox, panelX, kMargin, w.Grid() + 24, 0, "S_GROUP_UTEN"},
    };
    const int gridBottom = AddToolCells(c, w, panelX + 12, kMargin + 28, false);
    const int groupHeight = gridBottom - kMargin + 4;
    c[0].height = c[2].height = groupHeight;
    c[1].height = groupHeight - 32;
    const int width = panelX + c[2].width + kMargin;
    // Two rows of buttons: the editing commands, then the table-wide ones and the exit.
    const int row1 = kMargin + groupHeight + 10, row2 = row1 + kButtonHeight + 8;
    const int bw = (width - 2 * kMargin - 4 * 8) / 5;
    const int editing[5] = {kNewId, kEditId, kDeleteId, kCopyId, kRenameId};
    for (int i = 0; i < 5; ++i)
        c.push_back({editing[i], ControlKind::PushButton, kMargin + i * (bw + 8), row1, bw, kButtonHeight, ""});
    c.push_back({kCoolantId, ControlKind::PushButton, kMargin, row2, bw, kButtonHeight, ""});
    c.push_back({kRallaId, ControlKind::PushButton, kMargin + bw + 8, row2, bw, kButtonHeight, ""});
    c.push_back({kToolHelpButtonId, ControlKind::PushButton, kMargin + 2 * (bw + 8), row2, 48, kButtonHeight, "?"});
    c.push_back({IDOK, ControlKind::DefPushButton, width - kMargin - bw, row2, bw, kButtonHeight, ""});
    BuildControls(width, row2 + kButtonHeight + kMargin, c);
    List()->setSortingEnabled(true);
    setModal(true);
    EnableShowGate();
    const std::pair<int, void (CToolDialog::*)()> commands[] = {
        {kNewId, &CToolDialog::OnNew},       {kEditId, &CToolDialog::OnEdit},     {kDeleteId, &CToolDialog::OnDelete},
        {kCopyId, &CToolDialog::OnCopy},     {kRenameId, &CToolDialog::OnRename}, {kCoolantId, &CToolDialog::OnCoolant},
        {kRallaId, &CToolDialog::OnRalla},   {kToolHelpButtonId, &CToolDialog::OnHelp}, {IDOK, &CToolDialog::OnOK},
    };
    for (const auto& [id, slot] : commands)
        connect(qobject_cast<QPushButton*>(Control(id)), &QPushButton::clicked, this, slot);
    connect(List(), &QListWidget::currentRowChanged, this, [this] { ShowTool(SelectedTool()); });
}

QListWidget* CToolDialog::List() const { return qobject_cast<QListWidget*>(Control(kListId)); }

int CToolDialog::SelectedTool() const {
    if (CountToolsInUse(m_table) == 0) return -1;
    const QListWidgetItem* item = List()->currentItem();
    return item == nullptr ? -1 : FindToolByName(m_table, FromQt(item->text()));
}

void CToolDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    m_unitText = MsgString(UnitTextKey());
    setWindowTitle(Msg("T_TOOL"));
    const std::pair<int, const char*> texts[] = {
        {kListGroupId, "S_GROUP_LIST"}, {kPanelGroupId, "S_GROUP_UTEN"}, {kNewId, "B_NEW"},
        {kEditId, "B_EDIT"}, {kDeleteId, "B_DEL"}, {kCopyId, "B_COPY"}, {kRenameId, "B_REN"},
        {kCoolantId, MachineVariant == 2 ? "B_LAME" : "B_LAMA"}, {kRallaId, "B_CONF_RALLA"}, {IDOK, "M_EXIT"},
    };
    for (const auto& [id, key] : texts) SetText(Control(id), Msg(key));
    Control(kRallaId)->setEnabled(!m_listOpen);
    ShowTool(-1);
    if (ReadToolTable(m_table) != 0) {
        ErrorNotice(g_errorText);
        m_readFailed = true;
        // Ends once the event loop runs: the dialog is being shown now.
        QMetaObject::invokeMethod(this, [this] { done(IDCANCEL); }, Qt::QueuedConnection);
    } else if (CountToolsInUse(m_table) > 0) {
        for (const ToolFileRecord& r : m_table.records)
            if (r.inUse != 0) List()->addItem(ToQt(r.name));
        List()->setCurrentRow(0);
        ShowTool(SelectedTool());
    }
    ShowAndPlace(this);
}

void CToolDialog::ShowTool(int slot) {
    if (slot < 0 || slot >= m_table.Count()) {
        // No tool: the panel keeps the labels and units of a mill with its three diameters,
        // and every value is emptied.
        ToolFileRecord none;
        for (float& d : none.diameter) d = 1;
        ShowRecord(none);
        for (int cell = 0; cell < kToolCellCount; ++cell)
            if (QWidget* w = Control(kToolCellValueId + cell)) SetText(w, QString());
        return;
    }
    ShowRecord(m_table.records[static_cast<std::size_t>(slot)]);
}

void CToolDialog::ShowRecord(const ToolFileRecord& tool) {
    for (int cell = 0; cell < kToolCellCount; ++cell) {
        if (cell >= kCellDiam1 && cell <= kCellLen3) continue;
        ShowCellLabels(this, cell, CellLabelKey(cell, tool.kind), tool.kind, m_unitText);
        const std::string value = CellText(tool, cell);
        SetText(Control(kToolCellValueId + cell), cell == kCellKind ? Msg(value.c_str()) : ToQt(value));
    }
    // The diameter rows fill from the bottom; a row without a diameter is emptied.
    const std::array<int, 3> rows = DiameterRows(tool);
    for (int row = 0; row < 3; ++row) {
        const int d = rows[static_cast<std::size_t>(row)];
        for (int part = 0; part < 2; ++part) {
            const int cell = kCellDiam1 + 2 * row + part;
            const int source = kCellDiam1 + 2 * (d - 1) + part;
            if (d == 0) {
                for (int base : {kToolCellLabelId, kToolCellValueId, kToolCellUnitId}) SetText(Control(base + cell), {});
                continue;
            }
            ShowCellLabels(this, cell, ToolCellOf(source).labelKey, tool.kind, m_unitText);
            SetText(Control(kToolCellValueId + cell), ToQt(CellText(tool, source)));
        }
    }
}

void CToolDialog::SelectName(const QString& name) {
    const QList<QListWidgetItem*> found = List()->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty()) List()->setCurrentItem(found.first());
}

void CToolDialog::Notice(const char* text) { ErrorNotice(text); }

bool CToolDialog::PassGate() {
    if (g_machineConnected != 0 || m_unlocked) return true;
    CPasswordDialog password(this, kToolPassword, kToolPassword);
    if (password.exec() == IDCANCEL) return false;
    m_unlocked = true;
    return true;
}

bool CToolDialog::NameAccepted(const std::string& name) {
    switch (CheckToolName(m_table, name)) {
    case ToolNameCheck::Ok: return true;
    case ToolNameCheck::InUse: Notice(MsgString("M_UTEN_EXIST")); return false;
    case ToolNameCheck::Invalid: Notice(MsgString("M_UTEN_NAME")); return false;
    }
    return false;
}

bool CToolDialog::AskName(const char* titleKey, const char* promptKey, std::string& name) {
    name.clear();
    CInputDialog box(this, MsgString(titleKey), MsgString(promptKey), name, kNameBufferSize, kInputFilterText, false,
                     false, 0, 0);
    return box.exec() == IDOK;
}

void CToolDialog::OnNew() {
    if (!PassGate()) return;
    ToolFileRecord tool;
    if (CToolNewDialog(this, tool).exec() != IDOK) return;
    if (!NameAccepted(tool.name)) return;
    if (CToolEditDialog(this, tool).exec() != IDOK) return;
    const int slot = TakeToolSlot(m_table);
    if (slot < 0) {
        Notice(MsgError("ERR_NO_MEMORY"));
        return;
    }
    m_table.records[static_cast<std::size_t>(slot)] = tool;
    List()->addItem(ToQt(tool.name));
    SelectName(ToQt(tool.name));
    m_changed = true;
    ShowTool(SelectedTool());
}

void CToolDialog::OnCopy() {
    if (!PassGate() || CountToolsInUse(m_table) == 0) return;
    std::string name;
    if (!AskName("S_COPY_IN", "S_COPY_IN", name) || !NameAccepted(name)) return;
    const int source = SelectedTool();
    if (source < 0) return;
    const ToolFileRecord copy = m_table.records[static_cast<std::size_t>(source)];
    const int slot = TakeToolSlot(m_table);
    if (slot < 0) {
        Notice(MsgError("NO_MEMORY"));
        return;
    }
    ToolFileRecord& r = m_table.records[static_cast<std::size_t>(slot)];
    r = copy;
    r.inUse = 1;
    CopyField(r.name, name.c_str(), name.size());
    // The list keeps its selection: the copy is only added.
    const QSignalBlocker quiet(List());
    const QString selected = List()->currentItem() != nullptr ? List()->currentItem()->text() : QString();
    List()->addItem(ToQt(r.name));
    SelectName(selected);
    m_changed = true;
}

void CToolDialog::OnRename() {
    if (!PassGate() || CountToolsInUse(m_table) == 0) return;
    std::string name;
    if (!AskName("S_REN", "S_REN_IN", name) || !NameAccepted(name)) return;
    const int slot = SelectedTool();
    if (slot < 0) return;
    ToolFileRecord& r = m_table.records[static_cast<std::size_t>(slot)];
    delete List()->takeItem(List()->currentRow());
    CopyField(r.name, name.c_str(), name.size());
    List()->addItem(ToQt(r.name));
    SelectName(ToQt(r.name));
    m_changed = true;
}

void CToolDialog::OnEdit() {
    if (!PassGate() || CountToolsInUse(m_table) == 0) return;
    const int slot = SelectedTool();
    if (slot < 0) {
        Notice(MsgError("ERR_UT_INVALID"));
        return;
    }
    if (CToolEditDialog(this, m_table.records[static_cast<std::size_t>(slot)]).exec() != IDOK) return;
    m_changed = true;
    ShowTool(slot);
}

void CToolDialog::OnDelete() {
    if (!PassGate() || CountToolsInUse(m_table) == 0) return;
    const int slot = SelectedTool();
    if (slot < 0) return;
    if (ShowBox("T_ATTENZIONE", MsgString("M_DEL_UTEN"), BoxButtons::YesNo, BoxIcon::Question) != IDYES) return;
    m_table.records[static_cast<std::size_t>(slot)].inUse = 0;
    delete List()->takeItem(List()->currentRow());
    List()->setCurrentRow(List()->count() > 0 ? 0 : -1);
    m_changed = true;
    ShowTool(SelectedTool());
}

void CToolDialog::OnCoolant() {
    if (!PassGate()) return;
    std::string text = plat::StrFormatC("%d", m_table.headerNumber);
    // A whole number in the range of a tool's own coolant cell with the limits on, which the
    // box's title names, whatever CK_LIMITS says; read back on OK only.
    const ToolValueRange range = ToolCoolantRange(1);
    CInputDialog box(this, MsgString("S_REFRIG_IN"), MsgString("P_CICLI_MIN"), text, kCoolantBufferSize,
                     kInputFilterInteger, false, true, range.minimum, range.maximum);
    if (box.exec() != IDOK) return;
    const int value = static_cast<int>(plat::StrtodC(text.c_str(), nullptr));
    if (value == m_table.headerNumber) return;
    m_table.headerNumber = value;
    m_changed = true;
}

void CToolDialog::OnRalla() { CConfRallaDialog(this).exec(); }

void CToolDialog::OnHelp() { CToolHelpDialog(this).exec(); }

void CToolDialog::OnOK() {
    // Only the tools of the table are checked: a deleted tool is not written and cannot be
    // mended here, so it must not hold the dialog open.
    if (FirstToolOverLimits(m_table) >= 0) {
        ErrorNotice(g_errorText);
        return;
    }
    if (!m_changed) {
        done(IDCANCEL);
        return;
    }
    if (WriteToolTable(m_table, m_table.headerNumber) != 0) return; // the writer showed its message
    if (m_listOpen) ShowBox("T_ATTENZIONE", MsgString("M_TAB_CHANGED"), BoxButtons::Ok, BoxIcon::Warning);
    done(IDOK);
}

void CToolDialog::OnCancel() { done(IDCANCEL); }

// ---------------------------------------------------------------- CToolNewDialog

CToolNewDialog::CToolNewDialog(QWidget* parent, ToolFileRecord& tool) : CResizeDialog(parent), m_tool(&tool) {
    setObjectName(QStringLiteral("CToolNewDialog"));
    BuildControls(320, 126,
                  {
                      {1201, ControlKind::Static, 14, 17, 100, 20, "S_NOME"},
                      {kNameId, ControlKind::Edit, 118, 14, 188, 24, ""},
                      {1203, ControlKind::Static, 14, 51, 100, 20, "S_TIPO"},
                      {kKindId, ControlKind::ComboBox, 118, 48, 188, 24, ""},
                      {IDOK, ControlKind::DefPushButton, 62, 86, 90, kButtonHeight, "B_OK"},
                      {IDCANCEL, ControlKind::PushButton, 168, 86, 90, kButtonHeight, "B_ANNULLA"},
                  });
    setModal(true);
    EnableShowGate();
    ConnectTextFilter(qobject_cast<QLineEdit*>(Control(kNameId)), kToolNameSize, true);
    connect(qobject_cast<QPushButton*>(Control(IDOK)), &QPushButton::clicked, this, &CToolNewDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(IDCANCEL)), &QPushButton::clicked, this, &CToolNewDialog::reject);
}

void CToolNewDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("T_NEW_UTEN"));
    const std::pair<int, const char*> texts[] = {{IDOK, "B_OK"}, {IDCANCEL, "B_ANNULLA"}, {1201, "S_NOME"}, {1203, "S_TIPO"}};
    for (const auto& [id, key] : texts) SetText(Control(id), Msg(key));
    auto* kind = qobject_cast<QComboBox*>(Control(kKindId));
    FillKindCombo(kind);
    kind->setCurrentIndex(0);
    Control(kNameId)->setFocus();
    ShowAndPlace(this);
}

void CToolNewDialog::OnOK() {
    const std::string name = UpperCase1252(FromQt(qobject_cast<QLineEdit*>(Control(kNameId))->text()));
    if (name.empty()) {
        ErrorNotice(MsgError("T_INCOMPLETA"));
        return;
    }
    CopyField(m_tool->name, name.c_str(), name.size());
    m_tool->kind = qobject_cast<QComboBox*>(Control(kKindId))->currentIndex();
    done(IDOK);
}

// ---------------------------------------------------------------- CToolEditDialog

CToolEditDialog::CToolEditDialog(QWidget* parent, ToolFileRecord& tool) : CResizeDialog(parent), m_tool(&tool) {
    setObjectName(QStringLiteral("CToolEditDialog"));
    std::vector<DialogControl> c;
    const CellWidths w = MeasureCells();
    const int bottom = AddToolCells(c, w, kMargin, kMargin, true);
    const int width = 2 * kMargin + w.Grid();
    const int y = bottom + 8;
    c.push_back({IDOK, ControlKind::DefPushButton, width / 2 - 150, y, 120, kButtonHeight, "B_OK"});
    c.push_back({IDCANCEL, ControlKind::PushButton, width / 2 - 20, y, 120, kButtonHeight, "B_ANNULLA"});
    c.push_back({kToolHelpButtonId, ControlKind::PushButton, width - kMargin - 48, y, 48, kButtonHeight, "?"});
    BuildControls(width, y + kButtonHeight + kMargin, c);
    setModal(true);
    EnableShowGate();
    for (int cell = 0; cell < kToolCellCount; ++cell) {
        QLineEdit* edit = Field(cell);
        if (edit == nullptr) continue;
        // Every cell keeps a typed minus, and speed and coolant a typed point, for OK to take
        // or refuse by the cell's range: dropped, "-50" would read 50 and "2.5" 25.
        if (ToolCellOf(cell).value == CellValue::Integer)
            ConnectWholeNumberFilter(edit);
        else
            ConnectRealFilter(edit, true);
    }
    connect(qobject_cast<QPushButton*>(Control(IDOK)), &QPushButton::clicked, this, &CToolEditDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(IDCANCEL)), &QPushButton::clicked, this, &CToolEditDialog::reject);
    connect(qobject_cast<QPushButton*>(Control(kToolHelpButtonId)), &QPushButton::clicked, this,
            [this] { CToolHelpDialog(this).exec(); });
    connect(KindCombo(), &QComboBox::currentIndexChanged, this, [this] { ShowKindLabels(); });
}

QLineEdit* CToolEditDialog::Field(int cell) const { return qobject_cast<QLineEdit*>(Control(kToolCellValueId + cell)); }

QComboBox* CToolEditDialog::KindCombo() const { return qobject_cast<QComboBox*>(Control(kToolCellValueId + kCellKind)); }

void CToolEditDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    m_unitText = MsgString(UnitTextKey());
    char title[160];
    std::snprintf(title, sizeof title, "%s: %s", MsgString("T_UTENSILE"), m_tool->name);
    setWindowTitle(ToQt(title));
    SetText(Control(IDOK), Msg("B_OK"));
    SetText(Control(IDCANCEL), Msg("B_ANNULLA"));
    {
        const QSignalBlocker quiet(KindCombo());
        FillKindCombo(KindCombo());
        KindCombo()->setCurrentIndex(m_tool->kind >= 0 && m_tool->kind < kToolKindCount ? m_tool->kind : -1);
    }
    ShowKindLabels();
    for (int cell = 0; cell < kToolCellCount; ++cell) {
        if (cell == kCellKind) continue;
        m_shown[static_cast<std::size_t>(cell)] = CellText(*m_tool, cell);
        Field(cell)->setText(ToQt(m_shown[static_cast<std::size_t>(cell)]));
    }
    ShowAndPlace(this);
}

void CToolEditDialog::ShowKindLabels() {
    const int kind = KindCombo()->currentIndex();
    for (int cell = 0; cell < kToolCellCount; ++cell)
        ShowCellLabels(this, cell, CellLabelKey(cell, kind), kind, m_unitText);
}

void CToolEditDialog::OnOK() {
    m_work = *m_tool;
    m_work.inUse = 1;
    m_work.kind = KindCombo()->currentIndex();
    bool complete = m_work.kind >= 0;
    for (int cell = 0; cell < kToolCellCount && complete; ++cell) {
        const std::string typed = FromQt(Field(cell) != nullptr ? Field(cell)->text() : QString());
        const std::string& shown = m_shown[static_cast<std::size_t>(cell)];
        // A value the cell cannot take is refused as typed, naming the cell and its range,
        // the dialog staying open with the focus on it.
        const std::string refusal = CellRefusal(cell, m_work.kind, typed, shown, m_tool->kind);
        if (!refusal.empty()) {
            ErrorNotice(refusal.c_str());
            Field(cell)->setFocus();
            return;
        }
        complete = ReadCellText(m_work, cell, typed, shown, m_tool->kind);
    }
    if (!complete) {
        ErrorNotice(MsgError("T_INCOMPLETA"));
        return;
    }
    if (CheckToolLimits(m_work) != 0) {
        ErrorNotice(g_errorText);
        return;
    }
    if (SameToolRecord(m_work, *m_tool)) {
        done(IDCANCEL);
        return;
    }
    *m_tool = m_work;
    done(IDOK);
}

// ---------------------------------------------------------------- CToolHelpDialog

namespace {
// A legend line: the mark it points at, then the label's text without its closing colon or
// blank (labels end so where they stand before a value); a text ending otherwise is shown whole.
QString LegendText(const ToolLegendLine& line) {
    std::string text = MsgString(line.key);
    if (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
    return ToQt(std::string(line.mark) + "  " + text);
}
} // namespace

CToolHelpDialog::CToolHelpDialog(QWidget* parent) : CResizeDialog(parent) {
    setObjectName(QStringLiteral("CToolHelpDialog"));
    constexpr int kPreview = 200;
    std::vector<DialogControl> c;
    for (int i = 0; i < 3; ++i)
        c.push_back({1391 + i, ControlKind::Static, kMargin + i * (kPreview + kMargin), kMargin, kPreview, 20, ""});
    const int legendY = kMargin + 24 + kPreview + kMargin;
    const int width = 3 * kPreview + 4 * kMargin;
    c.push_back({1400, ControlKind::GroupBox, kMargin, legendY, width - 2 * kMargin, 7 * 26 + 36, ""});
    for (int i = 0; i < 7; ++i)
        c.push_back({kLegendFirstId + i, ControlKind::Static, kMargin + 14, legendY + 26 + i * 26,
                     width - 2 * kMargin - 28, 22, ""});
    const int y = legendY + 7 * 26 + 36 + 10;
    c.push_back({IDOK, ControlKind::DefPushButton, (width - 120) / 2, y, 120, kButtonHeight, "B_OK"});
    BuildControls(width, y + kButtonHeight + kMargin, c);
    for (int i = 0; i < 3; ++i) {
        auto* view = new MViewDXFStatic(this);
        view->setObjectName(QStringLiteral("id_%1").arg(1381 + i));
        view->setGeometry(kMargin + i * (kPreview + kMargin), kMargin + 24, kPreview, kPreview);
        m_previews[static_cast<std::size_t>(i)] = view;
    }
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(IDOK)), &QPushButton::clicked, this, [this] { done(IDOK); });
}

void CToolHelpDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("S_LEGENDA"));
    const char* captions[3] = {"S_T1", "S_T2", "S_T3"};
    for (int i = 0; i < 3; ++i) SetText(Control(1391 + i), Msg(captions[i]));
    SetText(Control(1400), Msg("S_LEGENDA"));
    for (int i = 0; i < 7; ++i)
        SetText(Control(kLegendFirstId + i), LegendText(kToolLegend[static_cast<std::size_t>(i)]));
    SetText(Control(IDOK), Msg("B_OK"));
    for (int i = 0; i < 3; ++i) {
        const std::string path = plat::StrFormatC("%sT%d.DXF", PathSlot(PathTable::kModuleDir), i + 1);
        m_previews[static_cast<std::size_t>(i)]->SetDrawing(path.c_str(), 0, 0, 0, false, 0, nullptr, 0);
    }
    ShowAndPlace(this);
}

// ---------------------------------------------------------------- CConfRallaDialog

CConfRallaDialog::CConfRallaDialog(QWidget* parent) : CResizeDialog(parent) {
    setObjectName(QStringLiteral("CConfRallaDialog"));
    std::vector<DialogControl> c;
    // One column of four positions on variant 0, two columns where the machine has eight.
    const int columns = MachineVariant == 0 ? 1 : 2;
    for (int p = 0; p < kRallaMaxPositions; ++p) {
        const int x = kMargin + std::min(p / 4, columns - 1) * 230, y = kMargin + (p % 4) * kLinePitch;
        c.push_back({kLabelFirstId + p, ControlKind::Static, x, y + 3, 40, 20, ""});
        c.push_back({kComboFirstId + p, ControlKind::ComboBox, x + 44, y, 170, kRowHeight, ""});
    }
    const int width = 2 * kMargin + (columns - 1) * 230 + 214;
    const int y = kMargin + 4 * kLinePitch + 8;
    const int button = columns == 1 ? 100 : 120;
    const int buttonsX = (width - 2 * button - 14) / 2;
    c.push_back({IDOK, ControlKind::DefPushButton, buttonsX, y, button, kButtonHeight, "B_OK"});
    c.push_back({IDCANCEL, ControlKind::PushButton, buttonsX + button + 14, y, button, kButtonHeight, "B_ANNULLA"});
    BuildControls(width, y + kButtonHeight + kMargin, c);
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(IDOK)), &QPushButton::clicked, this, &CConfRallaDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(IDCANCEL)), &QPushButton::clicked, this, &CConfRallaDialog::reject);
}

QComboBox* CConfRallaDialog::Combo(int position) const {
    return qobject_cast<QComboBox*>(Control(kComboFirstId + position));
}

void CConfRallaDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("T_CONF_RALLA"));
    SetText(Control(IDOK), Msg("B_OK"));
    SetText(Control(IDCANCEL), Msg("B_ANNULLA"));
    for (int p = 0; p < kRallaMaxPositions; ++p) SetText(Control(kLabelFirstId + p), QStringLiteral("T%1").arg(p + 1));
    if (g_pRallaTools != nullptr) g_pRallaTools->LoadTools();
    for (int k = 0; k < 4; ++k) {
        const bool shown = MachineVariant != 0 && g_extraPositionOn[k] != 0;
        Control(kLabelFirstId + 4 + k)->setVisible(shown);
        Control(kComboFirstId + 4 + k)->setVisible(shown);
    }
    if (g_pRallaTools != nullptr) {
        int32_t tools[kRallaMaxPositions] = {};
        int32_t config = 0;
        g_pRallaTools->GetSpindleTools(tools, &config);
        for (int p = 0; p < g_rallaPositions && p < kRallaMaxPositions; ++p) {
            for (int t = 0; t < g_pRallaTools->Count(); ++t) Combo(p)->addItem(ToQt(g_pRallaTools->Tool(t).name));
            Combo(p)->setCurrentIndex(tools[p]);
        }
    }
    ShowAndPlace(this);
}

void CConfRallaDialog::OnOK() {
    if (g_pRallaTools != nullptr) {
        int32_t tools[kRallaMaxPositions] = {};
        for (int p = 0; p < g_rallaPositions && p < kRallaMaxPositions; ++p)
            tools[p] = std::max(Combo(p)->currentIndex(), 0);
        g_pRallaTools->SetSpindleTools(tools, 1);
        // A set-up that could not be recorded is told, naming the file; the dialog stays open
        // with the chosen tools, to retry or cancel (no bar starts on it meanwhile).
        if (g_pRallaTools->SetupUnrecorded()) {
            ErrorNotice(g_errorText);
            return;
        }
    }
    done(IDOK);
}

// ---------------------------------------------------------------- entry point

int RunToolTableDialog(QWidget* parent) {
    CToolDialog dialog(parent, MainWindowListOpen());
    return dialog.exec();
}

} // namespace ui
