#include "app/list_bar_dialog.h"

CListBarDialog::CListBarDialog(QWidget* parent, int startIndex) : ui::CResizeDialog(parent), m_startIndex(startIndex) {}
CListBarDialog::~CListBarDialog() = default;
