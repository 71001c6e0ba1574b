// The steps of a job, one handler per private message. The list opening, the bar dialogs and
// the ISO program run are added here by the job's own dialogs; until then each step does
// nothing.
#include "app/main_frame.h"

void CMainFrame::OnOpenList() {}
void CMainFrame::OnShowSelBar() {}
void CMainFrame::OnShowConfBar() {}
void CMainFrame::OnOpenIso() {}
void CMainFrame::OnExecIso() {}
