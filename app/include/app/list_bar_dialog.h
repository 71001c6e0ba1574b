#pragma once
// CListBarDialog: the bars still to come, from the current one to the end (modal, read-only).
#include "ui/ResizeDialog.h"

class CListBarDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 406;
    // startIndex: the current bar among the confirmed bars.
    CListBarDialog(QWidget* parent, int startIndex);
    ~CListBarDialog() override;

private:
    int m_startIndex;
};
