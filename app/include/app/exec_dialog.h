#pragma once
// CExecDialog: the execution monitor of one confirmed bar, run inside a CModelessDialog host
// while the controller works the bar's part program.
#include "ui/ResizeDialog.h"

namespace ui {
class CModelessDialog;
}

class CExecDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 411;
    // host: the modeless host (also the parent); barIndex among the confirmed bars; step: the
    // repetitions to run now; autoStart: the bar was confirmed without the operator.
    CExecDialog(ui::CModelessDialog* host, int barIndex, int barCount, int step, int autoStart);
    ~CExecDialog() override;

private:
    ui::CModelessDialog* m_host;
    int m_barIndex, m_barCount, m_step, m_autoStart;
};
