#pragma once
// Placement shared by the operator's views.
class QWidget;

namespace app {
// Centres the dialog over the main window (over the screen when there is none).
void CentreViewOverMainFrame(QWidget* dialog);
} // namespace app
