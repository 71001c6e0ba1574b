#pragma once
// CConfBarDialog: the modeless confirmation of the selected bars, one after the other.
#include "ui/ResizeDialog.h"

class CConfBarDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 398;
    explicit CConfBarDialog(QWidget* parent);
    ~CConfBarDialog() override;

    // The shown bar's data after a run ended, never advancing to another bar or closing the
    // run (the execution monitor calls it from its end).
    void RefreshBarDisplay();
    // Position of the shown bar among the confirmed bars (from 0) and their number.
    int CurrentIndex() const { return m_index; }
    int BarCount() const { return m_count; }

private:
    int m_index = 0;
    int m_count = 0;
};
