#include "app/fine_liste.h"

FineListe::FineListe(QWidget* parent) : ui::CResizeDialog(parent) {}
FineListe::~FineListe() = default;
