#pragma once
// What the settings dialogs ask of the main window. The main window answers through a query it
// installs at its creation; without one (tests of a dialog alone) no bar list is open.
namespace ui {

// Whether a bar list is open in the main window now.
bool MainWindowListOpen();
// Installs the query (null: none).
void SetMainWindowListOpenQuery(bool (*query)());

} // namespace ui
