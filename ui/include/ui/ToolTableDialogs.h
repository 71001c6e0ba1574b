#pragma once
// The tool table dialogs: the table itself (CToolDialog) with its companions for a new tool's
// name and kind (CToolNewDialog) and for all values of one tool (CToolEditDialog), the legend
// of the tool dimensions (CToolHelpDialog) and the chooser of the tools mounted on the ralla
// positions (CConfRallaDialog, also opened from the bar selection).
//
// CToolDialog keeps its own copy of "TOOLS.TXT": nothing reaches the file before OK, which
// writes the whole table. The cells of one tool are laid out from the cell table of
// tool_table_model.h, two per line: label 1100+cell, value 1130+cell, unit 1160+cell.
#include <array>
#include <string>

#include "machine/tool_table.h"
#include "ui/ResizeDialog.h"
#include "ui/tool_table_model.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace ui {

class MViewDXFStatic;

inline constexpr int kToolCellLabelId = 1100;
inline constexpr int kToolCellValueId = 1130;
inline constexpr int kToolCellUnitId = 1160;
inline constexpr int kToolHelpButtonId = 1017; // "?" of the table and of the edit dialog

class CToolDialog : public CResizeDialog {
    Q_OBJECT
public:
    // Control ids of the table.
    static constexpr int kListId = 1000;
    static constexpr int kListGroupId = 1001;
    static constexpr int kPanelGroupId = 1002;
    static constexpr int kNewId = 1010;
    static constexpr int kEditId = 1011;
    static constexpr int kDeleteId = 1012;
    static constexpr int kCopyId = 1013;
    static constexpr int kRenameId = 1014;
    static constexpr int kCoolantId = 1015;
    static constexpr int kRallaId = 1016;

    // listOpen: a bar list is open in the main window.
    CToolDialog(QWidget* parent, bool listOpen);

    void OnInitDialog() override;

    const ToolTable& Table() const { return m_table; }
    int CoolantValue() const { return m_table.headerNumber; }
    bool Changed() const { return m_changed; }
    bool Unlocked() const { return m_unlocked; }
    QListWidget* List() const;
    // The slot of the selected tool, -1 when none.
    int SelectedTool() const;

public slots:
    void OnNew();
    void OnEdit();
    void OnDelete();
    void OnCopy();
    void OnRename();
    void OnCoolant();
    void OnRalla();
    void OnHelp();
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

private:
    // The password gate of every editing command: true when editing is allowed.
    bool PassGate();
    // A name typed in the input box for copy or rename; false when the box was left otherwise.
    bool AskName(const char* titleKey, const char* promptKey, std::string& name);
    // The notice of a refused name; true when the name may be used.
    bool NameAccepted(const std::string& name);
    void ShowTool(int slot);
    void ShowRecord(const ToolFileRecord& tool);
    void SelectName(const QString& name);
    void Notice(const char* text);

    ToolTable m_table;
    bool m_listOpen;
    bool m_changed = false;
    bool m_unlocked = false;
    bool m_readFailed = false;
    std::string m_unitText; // P_IN or P_MM
};

class CToolNewDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kNameId = 1202;
    static constexpr int kKindId = 1204;
    CToolNewDialog(QWidget* parent, ToolFileRecord& tool);
    void OnInitDialog() override;

public slots:
    void OnOK();
    void reject() override { done(2); }

private:
    ToolFileRecord* m_tool;
};

class CToolEditDialog : public CResizeDialog {
    Q_OBJECT
public:
    CToolEditDialog(QWidget* parent, ToolFileRecord& tool);
    void OnInitDialog() override;
    QLineEdit* Field(int cell) const;
    QComboBox* KindCombo() const;

public slots:
    void OnOK();
    void reject() override { done(2); }

private:
    void ShowKindLabels();

    ToolFileRecord* m_tool;
    ToolFileRecord m_work{};
    std::array<std::string, kToolCellCount> m_shown;
    std::string m_unitText;
};

// A line of the tool legend: the label key of the dimension and the mark that names it in the
// legend's drawings "T1.DXF" to "T3.DXF" (a text on their mark layer, kPreviewMarkLayer). The
// line reads "<mark>  <label>".
struct ToolLegendLine {
    const char* key;
    const char* mark;
};
inline constexpr std::array<ToolLegendLine, 7> kToolLegend = {{{"S_DIAM1", "D1"},
                                                                {"S_LUNG1", "L1"},
                                                                {"S_DIAMCOD", "DS"},
                                                                {"S_DIAMPUT", "DT"},
                                                                {"S_LUNGPUT", "LT"},
                                                                {"S_LUNGTOT", "L"},
                                                                {"P_ADD_LEN", "LA"}}};

class CToolHelpDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kLegendFirstId = 1401; // seven legend lines
    explicit CToolHelpDialog(QWidget* parent);
    void OnInitDialog() override;
    MViewDXFStatic* Preview(int i) const { return m_previews[static_cast<std::size_t>(i)]; }

private:
    std::array<MViewDXFStatic*, 3> m_previews{};
};

class CConfRallaDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kLabelFirstId = 1301; // T1 .. T8
    static constexpr int kComboFirstId = 1311;
    explicit CConfRallaDialog(QWidget* parent);
    void OnInitDialog() override;
    QComboBox* Combo(int position) const; // 0 for T1

public slots:
    void OnOK();
    void reject() override { done(2); }
};

} // namespace ui
