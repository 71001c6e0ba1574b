// Running one part program chosen as a file: start on the controller, watch until it ends.
#include "app/exec_iso_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimerEvent>
#include <cstring>
#include <strings.h>

#include "app/dialog_pictures.h"
#include "app/views_place.h"
#include "app/main_frame.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/special_programs.h"
#include "platform/text.h"
#include "ui/OwnControls.h"
#include "ui/qt_text.h"
#include "ui/window_message.h"

namespace app {

std::string ProgramNameOf(const char* path) {
    if (path == nullptr) return {};
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

const char* IsoWaitStatusKey(CStatoCnc& cnc) {
    if (cnc.GetStateField98() == 0) return "S_AUTO_MSG";
    if (cnc.GetActiveAlarms(nullptr) != 0) return "S_ALARM_MSG";
    return "S_START_MSG";
}

IsoWatch IsoWatchStep(CStatoCnc& cnc, bool office, int& started, const char*& statusKey) {
    statusKey = nullptr;
    if (office) return IsoWatch::OfficeDone;
    const int running = cnc.GetR452();
    if (started == 0 && running != 0) started = 1;
    if (running != 0) return IsoWatch::Running;
    if (started != 0) {
        if (cnc.GetStateBit100() != 0) return IsoWatch::Ended;
        if (cnc.GetStateBit99() != 0) return IsoWatch::StoppedFromNc;
    }
    statusKey = IsoWaitStatusKey(cnc);
    return IsoWatch::Waiting;
}

} // namespace app

namespace {

constexpr uint32_t kRed = 0x000000FFu;    // colour values 0x00BBGGRR
constexpr uint32_t kBlue = 0x00FF0000u;

// The CNC state object keeps the window to answer until its start commands are done, which
// may be after this dialog is gone: it answers this relay, which passes the answer on only
// while the dialog of the current run exists.
class IsoResultRelay : public IWindow {
public:
    void Post(uint32_t msg, intptr_t wParam, intptr_t lParam) override {
        if (target) target->Post(msg, wParam, lParam);
    }
    QPointer<CExecIsoDialog> target;
};

IsoResultRelay& Relay() {
    static IsoResultRelay relay;
    return relay;
}

} // namespace

CExecIsoDialog::CExecIsoDialog(QWidget* parent, const char* programPath) : ui::CResizeDialog(parent) {
    if (g_pSpecialPrograms != nullptr) g_pSpecialPrograms->ClearSpecialList();
    char path[260];
    plat::FormatC(path, sizeof path, "%s", programPath != nullptr ? programPath : "");
    m_programPath = path;
    m_programName = app::ProgramNameOf(path);

    BuildControls(680, 224,
                  {
                      {kIdPicture1, ui::ControlKind::Static, 12, 12, 150, 130, ""},
                      {kIdGuide, ui::ControlKind::Static, 174, 16, 332, 24, "S_USER_GUIDE"},
                      {kIdStatus, ui::ControlKind::ColorLabel, 174, 44, 332, 98, ""},
                      {kIdPicture2, ui::ControlKind::Static, 518, 12, 150, 130, ""},
                      {kIdCancel, ui::ControlKind::PushButton, 286, 170, 108, 34, "B_ANNULLA"},
                  });
    if (auto* guide = qobject_cast<QLabel*>(Control(kIdGuide))) guide->setAlignment(Qt::AlignCenter);
    if (auto* status = qobject_cast<QLabel*>(Control(kIdStatus))) {
        status->setAlignment(Qt::AlignCenter);
        status->setWordWrap(true);
        status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this, &CExecIsoDialog::OnCancel);
}

CExecIsoDialog::~CExecIsoDialog() {
    m_timers.KillAll();
    EndWait();
    if (Relay().target == this) Relay().target = nullptr;
}

void CExecIsoDialog::Post(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    QCoreApplication::postEvent(this, new ui::WindowMessageEvent(msg, static_cast<uintptr_t>(wParam), lParam));
}

void CExecIsoDialog::EndWait() {
    if (!m_waitCursor) return;
    m_waitCursor = false;
    Ui().EndWaitCursor();
}

void CExecIsoDialog::SetStatus(const char* text) {
    if (text == nullptr) text = "";
    if (strcasecmp(text, m_statusText.c_str()) == 0) return;
    auto* status = qobject_cast<ui::CColorLabel*>(Control(kIdStatus));
    if (status != nullptr) {
        if (*text != '\0') {
            status->SetTextColor(kRed);
            status->setText(ui::ToQt(text));
        } else {
            status->SetTextColor(kBlue);
            status->setText(ui::ToQt(kRunningText));
        }
    }
    char kept[100];
    plat::FormatC(kept, sizeof kept, "%s", text);
    m_statusText = kept;
}

void CExecIsoDialog::OnInitDialog() {
    ui::CResizeDialog::OnInitDialog();
    setWindowTitle(ui::ToQt(MsgString("T_EXEC_LAV")));
    if (auto* guide = qobject_cast<QLabel*>(Control(kIdGuide))) guide->setText(ui::ToQt(MsgString("S_USER_GUIDE")));
    auto* status = qobject_cast<ui::CColorLabel*>(Control(kIdStatus));
    if (status != nullptr) {
        QFont bold = status->font();
        bold.setBold(true);
        status->setFont(bold);
        status->SetTextColor(kRed);
    }
    if (auto* cancel = qobject_cast<QPushButton*>(Control(kIdCancel))) {
        cancel->setText(ui::ToQt(MsgString("B_ANNULLA")));
        cancel->setEnabled(g_machineConnected != 0);
    }
    m_statusText = "???";
    SetStatus("");

    CStatoCnc* cnc = g_pCncState;
    if (cnc != nullptr) cnc->SetR481(0);
    if (MainFrame != nullptr) MainFrame->executionRunning = 1;
    if (cnc != nullptr) cnc->SetR470R472(1);
    m_waitCursor = true;
    Ui().BeginWaitCursor();
    Relay().target = this;
    if (cnc != nullptr) cnc->StartProgram(&Relay(), m_programPath.c_str(), m_programName.c_str());

    for (int id : {kIdPicture1, kIdPicture2})
        if (auto* l = qobject_cast<QLabel*>(Control(id))) l->clear();
    m_picture = app::IsoProgramPicture();
    ScaleToScreen();
    app::CentreOverMainFrame(this);
    OpenShowGate();
}

bool CExecIsoDialog::event(QEvent* e) {
    if (e->type() == ui::WindowMessageEvent::EventType()) {
        const auto* m = static_cast<ui::WindowMessageEvent*>(e);
        if (m->Msg() == UM_CNC_CMD_RESULT) OnCncCmdResult(static_cast<int>(static_cast<intptr_t>(m->WParam())));
        return true;
    }
    return ui::CResizeDialog::event(e);
}

bool CExecIsoDialog::ArmWatch() {
    const int period = g_pSettings != nullptr ? g_pSettings->ISO_TIMER : 400;
    return m_timers.Set(kIsoTimerId, period);
}

void CExecIsoDialog::OnCncCmdResult(int code) {
    if (m_finished) return;
    EndWait();
    if (code != 0) {
        // A time-out, the controller's refusal, or a start the PC could not hand over.
        ShowBox("T_ERRORE", CncCommandResultText(code), BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    m_watchArmed = true;
    // While the abort question is open the watch waits for its answer.
    if (!m_asking && !ArmWatch()) {
        ShowBox("T_ERRORE", MsgError("ERR_TIM_PCNC"), BoxButtons::Ok, BoxIcon::Warning);
        OnCancel();
        return;
    }
    CStatoCnc* cnc = g_pCncState;
    if (cnc != nullptr) cnc->SetR470R472(1);
    if (g_machineConnected == 0 || cnc == nullptr)
        SetStatus("");
    else
        SetStatus(MsgString(app::IsoWaitStatusKey(*cnc)));
    m_started = 0;
}

void CExecIsoDialog::OnIsoTimer() {
    if (m_finished || m_asking) return;
    CStatoCnc* cnc = g_pCncState;
    const bool office = g_machineConnected == 0 || cnc == nullptr;
    if (office) {
        m_timers.Kill(kIsoTimerId);
        if (g_testRun == 0)
            ShowBox("T_ATTENZIONE", "Simulazione Completata", BoxButtons::Ok, BoxIcon::None);
        Finish();
        return;
    }
    const char* waitKey = nullptr;
    switch (app::IsoWatchStep(*cnc, false, m_started, waitKey)) {
    case app::IsoWatch::Running: SetStatus(""); return;
    case app::IsoWatch::Ended:
    case app::IsoWatch::StoppedFromNc: {
        const bool fromNc = cnc->GetStateBit99() != 0;
        m_timers.Kill(kIsoTimerId);
        SetStatus("");
        cnc->SetR470R472(0);
        if (MainFrame != nullptr) MainFrame->showMaximized();
        if (fromNc) ShowBox("T_ATTENZIONE", MsgString("M_STOP_FROM_NC"), BoxButtons::Ok, BoxIcon::Warning);
        if (auto* cancel = Control(kIdCancel)) cancel->setEnabled(false);
        Finish();
        return;
    }
    case app::IsoWatch::Waiting: SetStatus(MsgString(waitKey)); return;
    case app::IsoWatch::OfficeDone: return;
    }
}

void CExecIsoDialog::OnCancel() {
    if (m_finished || m_asking) return;
    m_timers.Kill(kIsoTimerId);
    m_asking = true;
    const int answer = ShowBox("T_ATTENZIONE", MsgString("M_ABORT"), BoxButtons::YesNo, BoxIcon::Question);
    m_asking = false;
    if (m_finished) return;
    if (answer == IDYES) {
        // A start the controller has not taken yet (a busy controller) is dropped, so the
        // program never runs once the dialog is gone; the operator reads that it was.
        if (g_pCncState != nullptr && g_pCncState->CancelStart(&Relay()))
            ShowBox("T_ATTENZIONE", MsgString("M_START_CANCELLED"), BoxButtons::Ok, BoxIcon::Warning);
        if (g_pCncState != nullptr) g_pCncState->SetR481(1);
        Finish();
        return;
    }
    // No: the run goes on, watched again when its start was acknowledged.
    if (m_watchArmed && !ArmWatch()) {
        ShowBox("T_ERRORE", MsgError("ERR_TIM_PCNC"), BoxButtons::Ok, BoxIcon::Warning);
    }
}

void CExecIsoDialog::Finish() {
    if (m_finished) return;
    m_finished = true;
    m_timers.Kill(kIsoTimerId);
    if (MainFrame != nullptr) MainFrame->SetListTitle(0, nullptr);
    if (g_pCncState != nullptr) {
        g_pCncState->SetR470R472(0);
        g_pCncState->SetR480(0);
    }
    EndWait();
    if (MainFrame != nullptr) MainFrame->executionRunning = 0;
    if (Relay().target == this) Relay().target = nullptr;
    done(IDOK);
}

void CExecIsoDialog::timerEvent(QTimerEvent* e) {
    if (m_timers.IdOf(e->timerId()) == kIsoTimerId) {
        OnIsoTimer();
        return;
    }
    ui::CResizeDialog::timerEvent(e);
}

// The close box and Esc go through the abort question: the run is torn down only when the
// operator confirms; No leaves it running and watched.
void CExecIsoDialog::closeEvent(QCloseEvent* e) {
    e->ignore();
    OnCancel();
}

void CExecIsoDialog::reject() { OnCancel(); }

void CExecIsoDialog::paintEvent(QPaintEvent* e) {
    ui::CResizeDialog::paintEvent(e);
    if (isMinimized()) return;
    QPainter painter(this);
    if (QWidget* w = Control(kIdPicture1)) app::DrawKeyedPicture(painter, w->geometry(), m_picture);
    if (QWidget* w = Control(kIdPicture2)) app::DrawKeyedPicture(painter, w->geometry(), m_picture);
}
