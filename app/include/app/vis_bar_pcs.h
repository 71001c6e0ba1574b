#pragma once
// CVisBarPcs: a computed bar's pieces, cuts, machinings and the rest of the bar (modal).
#include "ui/ResizeDialog.h"

struct BarRecord;

class CVisBarPcs : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 813;
    CVisBarPcs(QWidget* parent, BarRecord* bar);
    ~CVisBarPcs() override;

private:
    BarRecord* m_bar;
};
