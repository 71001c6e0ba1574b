#include "app/exec_dialog.h"

#include "ui/ModelessDialog.h"

CExecDialog::CExecDialog(ui::CModelessDialog* host, int barIndex, int barCount, int step, int autoStart)
    : ui::CResizeDialog(host), m_host(host), m_barIndex(barIndex), m_barCount(barCount), m_step(step),
      m_autoStart(autoStart) {}
CExecDialog::~CExecDialog() = default;
