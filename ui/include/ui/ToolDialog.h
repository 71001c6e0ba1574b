#pragma once
// Entry point of the tool table dialog for the main window's tool command (335, and its
// tool-bar twin 324).
class QWidget;

namespace ui {

// Runs the tool table dialog modally over parent: 1 (OK) when the table was written, then the
// caller sets ToolsChanged; 2 when nothing changed, the operator cancelled or the table could
// not be read. A bar list counts as open while parent's window has its "listActive" property
// set to a non-zero value (the ralla set-up button is then disabled and a save warns that the
// table takes effect at the next list).
int RunToolTableDialog(QWidget* parent);

} // namespace ui
