#pragma once
// The label editor (grid size, header column, header texts and the label lines) and the cell
// dialog that gives one label line its field and text size.
#include <QDialog>
#include <string>
#include <vector>

#include "dialog_controls.h"
#include "wizard_logic.h"

class MListaRighe;
class MRiga;

namespace labelprint::wizard {

// Cell dialog (template 20004) over one line.
class MDCfgCell : public QDialog {
public:
    static constexpr int kTemplateId = 20004;
    MDCfgCell(MRiga& line, const std::vector<std::string>& fieldNames, QWidget* parent);

private:
    void Redraw();

    MRiga& line_;
    const std::vector<std::string>& names_;
    Controls controls_;
};

// Label editor (template 20005) over the working lists of page 3. It always ends with OK:
// Escape and closing the window take the entries as OK does.
class MDlgEditEti : public QDialog {
public:
    static constexpr int kTemplateId = 20005;
    MDlgEditEti(const Grid& grid, MListaRighe& labels, MListaRighe& headers,
                const std::vector<std::string>& fieldNames, QWidget* parent);

    const Grid& Result() const { return grid_; }
    void reject() override; // Escape and closing: the same as OK

private:
    void Fill();
    void UpdateVisibility();
    void DrawLine(int line);
    void OpenLine(int line);
    void OnOk();

    Grid grid_;
    MListaRighe& labels_;
    MListaRighe& headers_;
    const std::vector<std::string>& names_;
    Controls controls_;
};

// Text of a line in a cell: the line's text through the message table, in a font of twice
// its size in points.
void ShowLineInCell(QWidget* cell, const MRiga* line, const std::string& text);

} // namespace labelprint::wizard
