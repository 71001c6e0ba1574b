#include "app/conf_bar_dialog.h"

CConfBarDialog::CConfBarDialog(QWidget* parent) : ui::CResizeDialog(parent) {}
CConfBarDialog::~CConfBarDialog() = default;
void CConfBarDialog::RefreshBarDisplay() {}
