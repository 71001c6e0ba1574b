#pragma once
// The table-driven machine-parameter dialog: one ParamDef group laid out in numbered rows
// (label 701+i, value 727+i, unit 753+i, OK 1, Cancel 2), loaded from the group's file, checked
// on OK against the table and written back row by row, then the parameters reloaded. The twelve
// dialogs are this class bound to their table (param_dialog_tables.h); two add their extras.
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "machine/params.h"
#include "ui/ResizeDialog.h"
#include "ui/param_dialog_tables.h"

class QLineEdit;

namespace ui {

// Widths of the rows' labels, units and choice lists, from their texts in the dialog font of
// the screen, in template units.
struct RowWidths {
    std::vector<int> label; // per column
    std::vector<int> value; // per column: the value and unit, or the wider choice list
    int unit = 24;
};

inline constexpr int kParamLabelId = 701;
inline constexpr int kParamValueId = 727;
inline constexpr int kParamUnitId = 753;
inline constexpr int kParamTypedLimit = 10; // characters the operator can type in a number row

class CParamBaseDialog : public CResizeDialog {
    Q_OBJECT
public:
    // listOpen: a bar list is open in the main window (a save shows M_TAB_CHANGED once).
    // The program's settings record (g_pSettings) must exist.
    CParamBaseDialog(QWidget* parent, const ParamDialogSpec& spec, bool listOpen);

    void OnInitDialog() override;
    // Reads the group's values into the rows.
    void LoadValues();
    // -1 a row is wrong (message shown, focus on it), 1 all valid and something changed, 0
    // all valid and nothing changed.
    int ValidateValues();
    // BeforeSave, every row written in table order, M_TAB_CHANGED, the base groups reloaded.
    // False when a row could not be written: the box naming the file has been shown.
    bool SaveValues();

    const ParamDialogSpec& Spec() const { return m_spec; }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    int RowIndex(const char* key) const; // -1 when the group has no such row
    QWidget* ValueControl(int row) const;
    bool RowHidden(int row) const;

public slots:
    virtual void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

protected:
    // Sets the dialog's change flag; derived dialogs add what they save beside the rows.
    virtual void BeforeSave();
    // Extras after the values are loaded.
    virtual void OnValuesLoaded() {}
    // Set by a BeforeSave that has already shown why the group's file fails.
    bool m_fileFaultShown = false;
    // The row's text in millimetres as it would be written now.
    std::string RowTextToWrite(int row) const;
    void SetRowEnabled(int row, bool enabled);

private:
    struct Row {
        const ParamDef* def = nullptr;
        RowLayout layout;
        int storedValue = 0;     // choice rows: the stored index, -1 for "??"
        std::string storedText;  // the whole text read from the file
        QString shownText;       // number rows: what the edit showed after loading
        QString lastTyped;       // number rows: the text before the operator's last change
    };
    void BuildRows();
    RowWidths MeasureRows(int columns, int perColumn) const;
    void OnNumberEdited(int row);
    bool Editable(int row) const;
    int ChoiceValue(int row) const;
    bool RowChanged(int row) const;

    const ParamDialogSpec& m_spec;
    bool m_listOpen;
    bool m_tabNoticeShown = false;
    std::vector<Row> m_rows;
};

// The ten dialogs that are their table and nothing more.
template <int Index>
class CParamTableDialog : public CParamBaseDialog {
public:
    explicit CParamTableDialog(QWidget* parent, bool listOpen = false)
        : CParamBaseDialog(parent, ParamDialogSpecs()[Index], listOpen) {}
};
using CConfFresa1_Dialog = CParamTableDialog<kConfFresa1>;
using CConfFresa2_Dialog = CParamTableDialog<kConfFresa2>;
using CConfTroncaDialog = CParamTableDialog<kConfTronca>;
using CConfTroncaDlg2 = CParamTableDialog<kConfTronca2>;
using CConfMorsaDlg = CParamTableDialog<kConfMorsa>;
using CConfExtractor = CParamTableDialog<kConfExtractor>;
using CConfOffsetRallaDialog = CParamTableDialog<kConfOffsetRalla>;
using CConfLinkDialog = CParamTableDialog<kConfLink>;
using CParFresaDialog = CParamTableDialog<kParFresa>;
using CParTroncaDialog = CParamTableDialog<kParTronca>;

// The blade and its head; on machine variant 1 a save also rewrites the blade records of the
// tool table from the dialog's values.
class CConfLamaDlg : public CParamBaseDialog {
    Q_OBJECT
public:
    explicit CConfLamaDlg(QWidget* parent, bool listOpen = false);

protected:
    void BeforeSave() override;
};

// Ralla offsets T5 to T8 with the enable boxes of the four positions (1086, 1088, 1089, 1090):
// a box enables its position's rows and writes its T<n>_ON key at once (Cancel keeps it). OK
// first saves the ralla position set-up.
class CConfOffsetRallaDlg2 : public CParamBaseDialog {
    Q_OBJECT
public:
    static constexpr int kEnableBoxIds[4] = {1086, 1088, 1089, 1090};
    explicit CConfOffsetRallaDlg2(QWidget* parent, bool listOpen = false);

public slots:
    void OnOK() override;

protected:
    void OnValuesLoaded() override;

private:
    void OnEnableBox(int position);  // 0..3 for T5..T8: the key written at once
    void EnableRowsOf(int position); // the position's rows follow its box
};

// The dialog of a main-window command (see RunParameterDialog); null for any other command
// and while the program has no settings record.
std::unique_ptr<CParamBaseDialog> MakeParameterDialog(int commandId, QWidget* parent, bool listOpen);

} // namespace ui
