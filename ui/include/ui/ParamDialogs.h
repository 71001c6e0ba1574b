#pragma once
// Entry point of the twelve machine-parameter dialogs for the main window.
class QWidget;

namespace ui {

// Runs the dialog of a main-window command modally with parent as its parent window:
// 336 CParFresaDialog, 337 CParTroncaDialog, 343 CConfFresa1_Dialog, 344 CConfFresa2_Dialog,
// 345 CConfOffsetRallaDialog, 346 CConfTroncaDialog, 347 CConfLinkDialog,
// 32775 CConfOffsetRallaDlg2, 32779 CConfTroncaDlg2, 32781 CConfLamaDlg, 32784 CConfMorsaDlg,
// 32787 CConfExtractor. The tool-bar twins (325, 326) are mapped by the caller. listOpen says
// whether a bar list is open in the main window: a dialog that saves then shows M_TAB_CHANGED.
// Returns the dialog's result (1 OK, 2 Cancel); -1 for any other command, or before the
// settings record exists.
int RunParameterDialog(int commandId, QWidget* parent, bool listOpen);
// The same with no bar list open.
int RunParameterDialog(int commandId, QWidget* parent);

} // namespace ui
