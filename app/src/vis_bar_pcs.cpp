#include "app/vis_bar_pcs.h"

CVisBarPcs::CVisBarPcs(QWidget* parent, BarRecord* bar) : ui::CResizeDialog(parent), m_bar(bar) {}
CVisBarPcs::~CVisBarPcs() = default;
