#pragma once
// FineListe: the end-of-list notice with access to the list's time log (modal).
#include "ui/ResizeDialog.h"

class FineListe : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 812;
    explicit FineListe(QWidget* parent);
    ~FineListe() override;
};
