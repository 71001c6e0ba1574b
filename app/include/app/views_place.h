#pragma once
// Placement shared by the operator's dialogs.
class QWidget;

namespace app {
// Centres the dialog over the main window (over the primary screen when there is none).
void CentreOverMainFrame(QWidget* dialog);
} // namespace app
