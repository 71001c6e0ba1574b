// CExecDialog: the execution monitor of one bar (see exec_dialog.h).
#include "app/exec_dialog.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <algorithm>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <sys/ioctl.h>

#include "app/list_opening.h"
#include "app/app_ids.h"
#include "app/conf_bar_dialog.h"
#include "app/exec_files.h"
#include "app/exec_pictures.h"
#include "app/list_bar_dialog.h"
#include "app/main_frame.h"
#include "app/views_logic.h"
#include "engine/iso_generator.h"
#include "machine/bar_progress.h"
#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "platform/clock.h"
#include "platform/profile.h"
#include "platform/serial_tty.h"
#include "platform/text.h"
#include "ui/ModelessDialog.h"
#include "ui/OwnControls.h"
#include "ui/ViewDxfStatic.h"
#include "ui/qt_text.h"
#include "ui/window_message.h"

namespace {

using ui::ControlKind;

constexpr uint32_t kRed = 0x0000FF;  // colour values 0x00BBGGRR
constexpr uint32_t kBlue = 0xFF0000;

// Longest wait for the bar time text at the end of the last bar, in milliseconds.
constexpr int kBarTimeWaitMs = 2000;
// Most print steps run at the end of a run to send what is still queued (a piece label and
// the offcut label it may bring).
constexpr int kMaxFlushSteps = 4;

bool s_manualTimers = false;

// The template's controls on a client area of 900 x 600; the dialog is laid over the main
// view and its layout object stretches them.
const std::vector<ui::DialogControl>& ControlTable() {
    static const std::vector<ui::DialogControl> table = {
        {CExecDialog::kIdFrame, ControlKind::GroupBox, 10, 6, 600, 352, "S_STATO_ESEC"},
        {CExecDialog::kIdStatus, ControlKind::ColorLabel, 24, 196, 572, 34, ""},
        {412, ControlKind::Static, 24, 240, 190, 28, "S_BARRE_FATTE"},
        {CExecDialog::kIdRepText, ControlKind::ColorLabel, 220, 240, 90, 28, ""},
        {414, ControlKind::Static, 24, 276, 190, 28, "S_PEZZI_FATTI"},
        {CExecDialog::kIdPieceText, ControlKind::ColorLabel, 220, 276, 90, 28, ""},
        {CExecDialog::kIdBarTime, ControlKind::Static, 24, 316, 572, 28, "S_TIME_BAR"},

        {437, ControlKind::GroupBox, 620, 6, 270, 170, "S_DATI_BARRA"},
        {CExecDialog::kIdBarName, ControlKind::ColorLabel, 632, 34, 246, 28, ""},
        {259, ControlKind::Static, 632, 68, 96, 28, "S_SERIE"},
        {CExecDialog::kIdSeries, ControlKind::ColorLabel, 732, 68, 146, 28, ""},
        {260, ControlKind::Static, 632, 102, 96, 28, "S_CODICE"},
        {CExecDialog::kIdCode, ControlKind::ColorLabel, 732, 102, 146, 28, ""},
        {383, ControlKind::Static, 632, 136, 96, 28, "S_COLORE"},
        {CExecDialog::kIdColour, ControlKind::ColorLabel, 732, 136, 146, 28, ""},

        {422, ControlKind::GroupBox, 620, 184, 270, 174, "S_ULTIMO_PEZZO"},
        {190, ControlKind::Static, 632, 214, 96, 28, "S_NOME"},
        {CExecDialog::kIdPieceName, ControlKind::ColorLabel, 732, 214, 146, 28, ""},
        {389, ControlKind::Static, 632, 252, 96, 28, "S_LUNG"},
        {CExecDialog::kIdLength, ControlKind::ColorLabel, 732, 252, 146, 28, ""},
        {385, ControlKind::Static, 632, 290, 96, 28, "S_ANGOLI"},
        {CExecDialog::kIdAngles, ControlKind::ColorLabel, 732, 290, 146, 28, ""},

        {423, ControlKind::GroupBox, 320, 364, 570, 228, "S_USER_GUIDE"},
        {CExecDialog::kIdStop, ControlKind::PushButton, 334, 396, 270, 60, "B_STOP"},
        {CExecDialog::kIdBreak, ControlKind::PushButton, 334, 472, 270, 60, "B_SET_BREAK"},
        {1230, ControlKind::Static, 622, 396, 254, 28, "S_LIST_RIP"},
        {CExecDialog::kIdList, ControlKind::PushButton, 622, 430, 254, 60, "B_LISTA"},
    };
    return table;
}

struct PictureSlot {
    int id;
    int bitmap;
    int x, y, w, h;
};
// Pictures: the bar going in, the machine, the bar coming out, and the three lamps in one place.
constexpr PictureSlot kPictures[] = {
    {CExecDialog::kIdMachinePic, app::kBitmapMachine, 180, 32, 120, 153},
    {CExecDialog::kIdBarPic1, app::kBitmapBar, 24, 44, 150, 130},
    {CExecDialog::kIdBarPic2, app::kBitmapBar, 306, 44, 150, 130},
    {CExecDialog::kIdRedLamp, app::kBitmapLampRed, 462, 36, 140, 142},
    {CExecDialog::kIdYellowLamp, app::kBitmapLampYellow, 462, 36, 140, 142},
    {CExecDialog::kIdGreenLamp, app::kBitmapLampGreen, 462, 36, 140, 142},
};

std::string Fmt2(const char* a, const char* b) { return std::string(a) + " " + b; }

// The bar's colour: the list keeps it as the bar's label, whole and cut to 8 characters.
const char* BarColourWhole(const BarRecord& bar) { return bar.displayLabel; }
const char* BarColour8(const BarRecord& bar) { return bar.label; }

std::string LengthText(int32_t thousandths) {
    char buf[kDisplayTextSize] = {};
    FormatUnits(buf, sizeof buf, "%{X}", FromThousandths(thousandths));
    return buf;
}

std::string AnglesText(int32_t first, int32_t second) {
    return plat::StrFormatC("%.2f-%.2f", first / 1000.0, second / 1000.0);
}

int32_t IsoCodeOf(BarComputation* bc) {
    if (auto* gen = dynamic_cast<IsoProgramGenerator*>(bc)) return gen->IsoCode;
    return 9999;
}

} // namespace

// The boxes of a tick on-line. A notice (a box with OK alone) waits in the monitor and is shown
// once the tick returned, outside the timer event, so the watch runs in the box's own event
// loop and counts what the machine cuts meanwhile; a question, and every box once the run
// ended, is shown at once. Off-line nothing is cut: boxes are shown as they come (the office
// run's label prompt paces its simulated pieces).
class DeferredNotices : public UiServices {
public:
    explicit DeferredNotices(CExecDialog& monitor) : m_monitor(monitor), m_previous(&Ui()) {
        if (g_machineConnected != 0) SetUi(this);
        else m_previous = nullptr;
    }
    ~DeferredNotices() override {
        if (m_previous != nullptr) SetUi(m_previous);
    }
    DeferredNotices(const DeferredNotices&) = delete;
    DeferredNotices& operator=(const DeferredNotices&) = delete;

    int ShowMessageBox(const MessageBoxRequest& request) override {
        if (request.buttons == BoxButtons::Ok && m_monitor.m_endResult == 0) {
            m_monitor.m_notices.push_back(request);
            return IDOK;
        }
        return m_previous->ShowMessageBox(request);
    }
    void SetPaneText(int paneId, const std::string& text) override { m_previous->SetPaneText(paneId, text); }
    void BeginWaitCursor() override { m_previous->BeginWaitCursor(); }
    void EndWaitCursor() override { m_previous->EndWaitCursor(); }

private:
    CExecDialog& m_monitor;
    UiServices* m_previous;
};

void CExecDialog::SetManualTimers(bool manual) { s_manualTimers = manual; }

CExecDialog::CExecDialog(ui::CModelessDialog* host, int barIndex, int barCount, int step, int autoStart)
    : ui::CResizeDialog(host), m_host(host), m_step(step), m_barIndex(barIndex), m_barCount(barCount),
      m_autoStart(autoStart) {
    BuildDialog();
    EnableShowGate();
}

CExecDialog::~CExecDialog() {
    m_timers.KillAll();
    // A monitor that goes away without ending its run must not leave the main window unable to
    // close.
    if (m_endResult == 0 && m_shown != 0 && MainFrame != nullptr) MainFrame->executionRunning = 0;
}

void CExecDialog::BuildDialog() {
    BuildControls(900, 600, ControlTable());
    for (const PictureSlot& p : kPictures) {
        auto* pic = new app::ExecPicture(this);
        pic->setObjectName(QStringLiteral("id_%1").arg(p.id));
        pic->setGeometry(p.x, p.y, p.w, p.h);
        m_widgets[p.id] = pic;
    }
    m_repProgress = new QProgressBar(this);
    m_repProgress->setObjectName(QStringLiteral("id_%1").arg(kIdRepProgress));
    m_repProgress->setGeometry(320, 242, 276, 24);
    m_pieceProgress = new QProgressBar(this);
    m_pieceProgress->setObjectName(QStringLiteral("id_%1").arg(kIdPieceProgress));
    m_pieceProgress->setGeometry(320, 278, 276, 24);
    for (QProgressBar* b : {m_repProgress, m_pieceProgress}) b->setTextVisible(false);
    m_widgets[kIdRepProgress] = m_repProgress;
    m_widgets[kIdPieceProgress] = m_pieceProgress;
    m_drawing = new ui::MViewDXFStatic(this);
    m_drawing->setObjectName(QStringLiteral("id_%1").arg(kIdDrawing));
    m_drawing->setGeometry(10, 370, 300, 222);
    m_widgets[kIdDrawing] = m_drawing;

    for (int id : {kIdStatus, kIdBarName}) {
        if (auto* l = qobject_cast<QLabel*>(Control(id))) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
    }
    if (auto* l = qobject_cast<QLabel*>(Control(kIdStatus))) l->setAlignment(Qt::AlignCenter);
    for (int id : {kIdRepText, kIdPieceText}) {
        if (auto* l = qobject_cast<QLabel*>(Control(id))) l->setAlignment(Qt::AlignCenter);
    }
    for (int id : {kIdStop, kIdBreak, kIdList}) {
        if (auto* b = qobject_cast<QPushButton*>(Control(id))) {
            b->setAutoDefault(false);
            b->setDefault(false);
        }
    }
    connect(qobject_cast<QPushButton*>(Control(kIdBreak)), &QPushButton::clicked, this, &CExecDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(kIdStop)), &QPushButton::clicked, this, &CExecDialog::OnCancel);
    connect(qobject_cast<QPushButton*>(Control(kIdList)), &QPushButton::clicked, this, &CExecDialog::OnShowList);
}

BarComputation* CExecDialog::List() const { return g_pBarList; }

const WorkingPiece* CExecDialog::PieceAt(int index) const {
    BarComputation* bc = List();
    if (bc == nullptr || index < 0 || static_cast<std::size_t>(index) >= bc->pieces.size()) return nullptr;
    return bc->pieces[static_cast<std::size_t>(index)];
}

QString CExecDialog::ControlText(int id) const {
    QWidget* w = Control(id);
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return {};
}

void CExecDialog::SetControlText(int id, const std::string& text) {
    QWidget* w = Control(id);
    if (auto* l = qobject_cast<QLabel*>(w)) l->setText(ui::ToQt(text));
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(ui::ToQt(text));
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(ui::ToQt(text));
}

// ---------------------------------------------------------------- timers

bool CExecDialog::SetTimer(int id, int periodMs) {
    if (s_manualTimers) {
        m_manualTimers[id] = periodMs < 1 ? 1 : periodMs;
        return true;
    }
    return m_timers.Set(id, periodMs);
}

void CExecDialog::KillTimer(int id) {
    m_manualTimers.erase(id);
    m_timers.Kill(id);
}

bool CExecDialog::TimerArmed(int id) const { return m_manualTimers.count(id) != 0 || m_timers.IsRunning(id); }

int CExecDialog::TimerPeriod(int id) const {
    const auto it = m_manualTimers.find(id);
    return it != m_manualTimers.end() ? it->second : m_timers.Period(id);
}

bool CExecDialog::StartCncTimer() {
    const int period = g_pSettings != nullptr ? g_pSettings->ISO_TIMER : 400;
    if (SetTimer(kWatchTimer, period)) return true;
    ShowBox("T_ERRORE", MsgError("ERR_TIM_PCNC"), BoxButtons::Ok, BoxIcon::Warning);
    EndJob(2);
    return false;
}

bool CExecDialog::StartPrintTimer(int factor) {
    const int period = (g_pSettings != nullptr ? g_pSettings->PRINT_TIMER : 2000) * factor;
    if (SetTimer(kPrintTimer, period)) return true;
    ShowBox("T_ERRORE", MsgError("ERR_TIM_PCPRINT"), BoxButtons::Ok, BoxIcon::Warning);
    EndJob(2);
    return false;
}

void CExecDialog::timerEvent(QTimerEvent* e) {
    const int id = m_timers.IdOf(e->timerId());
    if (id == kWatchTimer || id == kPrintTimer) {
        // A timer does not fire again while its own event runs: the tick's notices are shown
        // from a later turn of the event loop, where both timers go on.
        RunTick(id);
        PostShowNotices();
        return;
    }
    ui::CResizeDialog::timerEvent(e);
}

// ---------------------------------------------------------------- opening

void CExecDialog::OnInitDialog() {
    ui::CResizeDialog::OnInitDialog();
    setWindowTitle(ui::ToQt(plat::StrFormatC("%s %d/%d", MsgString("T_STATO_TRASM"), m_barIndex + 1, m_barCount)));
    for (const ui::DialogControl& c : ControlTable())
        if (c.textKey != nullptr && c.textKey[0] != '\0') SetControlText(c.id, MsgString(c.textKey));

    if (g_pCncState != nullptr) std::memset(g_pCncState->LabelText(), 0, kLabelTextSize);
    m_abortRequested = 0;
    m_labelState = app::LabelRunState{};
    m_labelState.firstLabelPending = 1;
    m_stopAtBarEnd = 0;

    BarComputation* bc = List();
    MachineSettings* s = g_pSettings;
    m_bar = (bc != nullptr && m_barIndex >= 0 && m_barIndex < bc->BarCount()) ? bc->Bar(m_barIndex) : nullptr;
    m_repetitionsLeft = m_bar != nullptr ? m_bar->repetitionsLeft : 0;
    m_pieceCount = (m_bar != nullptr && m_bar->pieceCount > 0) ? m_bar->pieceCount : 1;
    m_repetitionsDone = 0;
    m_barsLogged = 0;
    m_piecesDone = 0;
    if (s != nullptr && s->MEM_PEZZI != 0 && m_bar != nullptr)
        m_piecesDone = ReadFittingBarProgress(m_bar->index, bc->ListPath(), m_bar->pieceCount).piecesDone;
    m_piecesDoneAtStart = m_piecesDone;
    m_unloggedPieces.clear();
    m_repetitionsAfterPending = -1;
    ShowBreakState(3);

    if (g_pCncState != nullptr) g_pCncState->SetR591(0);
    if (MainFrame != nullptr) MainFrame->executionRunning = 1;
    if (g_pCncState != nullptr) {
        g_pCncState->SetR481(0);
        g_pCncState->ClearR455();
    }
    ShowCounts();
    ShowFrameTitle();
    m_statusText = "???"; // the first status is always shown
    if (MainFrame != nullptr && !MainFrame->cncTimeText.empty())
        SetControlText(kIdBarTime, Fmt2(MsgString("S_TIME_BAR"), MainFrame->cncTimeText.c_str()));
    else
        SetControlText(kIdBarTime, MsgString("S_TIME_BAR"));
    if (m_bar != nullptr) {
        // The bar is shown from the start; the last-piece fields fill as pieces finish.
        SetControlText(kIdBarName, m_bar->name);
        SetControlText(kIdSeries, m_bar->series);
        SetControlText(kIdCode, m_bar->code);
        SetControlText(kIdColour, BarColour8(*m_bar));
        // The running bar's section with the bar-end outline, its extension values and the
        // bar's mirror and section angle, as the bar views show it.
        const std::string dxf = app::ProfileDrawingPath(s != nullptr ? s->DIR_DXF : "", *m_bar);
        const ui::PreviewBar preview = app::PreviewBarOf(*m_bar);
        m_drawing->SetDrawing(dxf.c_str(), 1, m_bar->offsetY, m_bar->offsetZ, true, 0.0, &preview, 0);
    }
    QCoreApplication::postEvent(this, new ui::WindowMessageEvent(UM_EXEC_START, 0, 0));

    for (int id : {kIdRepText, kIdPieceText})
        if (auto* l = qobject_cast<ui::CColorLabel*>(Control(id))) l->SetTextColor(kBlue);
    if (auto* l = qobject_cast<ui::CColorLabel*>(Control(kIdStatus))) l->SetTextColor(kRed);
    for (const PictureSlot& p : kPictures) static_cast<app::ExecPicture*>(m_widgets[p.id])->SetBitmap({});
    for (const PictureSlot& p : kPictures)
        static_cast<app::ExecPicture*>(m_widgets[p.id])->SetBitmap(app::MakeExecBitmap(p.bitmap));

    WinRect view;
    if (MainFrame != nullptr && MainFrame->GetViewPlacement(view))
        PlaceOverMainView(view, MainFrame->ViewScreenRect());
    else
        ScaleToScreen();
    m_shown = 1;
    OpenShowGate();
    update();
    if (s != nullptr && s->AUTO_TRAS_LAV != 0) StartPrintTimer(1); // the head offcut label check
}

bool CExecDialog::event(QEvent* e) {
    if (e->type() == ui::WindowMessageEvent::EventType()) {
        if (static_cast<ui::WindowMessageEvent*>(e)->Msg() == UM_EXEC_START) {
            OnStartJob();
            return true;
        }
    }
    return ui::CResizeDialog::event(e);
}

void CExecDialog::changeEvent(QEvent* e) {
    ui::CResizeDialog::changeEvent(e);
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::WindowStateChange) update();
}

void CExecDialog::moveEvent(QMoveEvent* e) {
    ui::CResizeDialog::moveEvent(e);
    update();
}

void CExecDialog::OnStartJob() {
    if (m_endResult != 0) return;
    MachineSettings* s = g_pSettings;
    CStatoCnc* cnc = g_pCncState;
    // The controller already took the start: the watch starts before anything may wait for
    // the operator.
    m_piecesCounted = 0.0f;
    m_phase = 0;
    m_barRecorded = 0;
    m_manualLoadingSeen = 0;
    app::StartLabelRun();
    if (MainFrame != nullptr) MainFrame->firstBarPending = 0; // the bar-time-logged flag
    if (!StartCncTimer()) return;
    if (cnc == nullptr) return;
    cnc->SetR470R472(1);
    if (cnc->GetStateField101() != 0 || cnc->GetStateField98() == 0) m_autoStart = 0;
    if (m_autoStart != 0 || g_machineConnected == 0) {
        cnc->SetR480(1);
        SetStatusText("", kRed);
    } else {
        SetStatusFromMachine(true);
    }
    // The confirmation opened the print port before the start. One that cannot be opened now
    // is told, and the labels it cannot print are told as they fall due: the bar runs on.
    if (s != nullptr && s->OpenPrintPcPort() != 0)
        ShowBox("T_ATTENZIONE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
}

void CExecDialog::SetStatusFromMachine(bool allowStartMsg) {
    CStatoCnc* cnc = g_pCncState;
    if (cnc->GetStateField98() == 0)
        SetStatusText(MsgString("S_AUTO_MSG"), kRed);
    else if (cnc->GetActiveAlarms(nullptr) != 0)
        SetStatusText(MsgString("S_ALARM_MSG"), kRed);
    else if (allowStartMsg)
        SetStatusText(MsgString("S_START_MSG"), kRed);
}

// ---------------------------------------------------------------- display

void CExecDialog::SetStatusText(const char* text, uint32_t colorRef) {
    const std::string t = text != nullptr ? text : "";
    if (t == m_statusText) return;
    m_statusText = t;
    if (auto* l = qobject_cast<ui::CColorLabel*>(Control(kIdStatus))) {
        l->SetTextColor(colorRef);
        l->setText(ui::ToQt(t));
    }
}

void CExecDialog::ShowBreakState(int state) {
    m_breakState = state;
    m_widgets[kIdRedLamp]->setVisible(state == 1);
    m_widgets[kIdYellowLamp]->setVisible(state == 2);
    m_widgets[kIdGreenLamp]->setVisible(state == 3);
    if (QWidget* b = Control(kIdBreak)) {
        b->setVisible(state != 0);
        if (state == 1 || state == 2) SetControlText(kIdBreak, MsgString("B_RESET_BREAK"));
        else if (state == 3) SetControlText(kIdBreak, MsgString("B_SET_BREAK"));
    }
    update();
}

void CExecDialog::ShowCounts() {
    SetControlText(kIdRepText, plat::StrFormatC("%d/%d", m_repetitionsDone, m_step));
    m_repProgress->setRange(0, m_step > 0 ? m_step : 1);
    m_repProgress->setValue(m_repetitionsDone < m_step ? m_repetitionsDone : m_step);
    SetControlText(kIdPieceText, plat::StrFormatC("%d/%d", m_piecesDone, m_pieceCount));
    m_pieceProgress->setRange(0, m_pieceCount);
    m_pieceProgress->setValue(m_piecesDone < m_pieceCount ? m_piecesDone : m_pieceCount);
}

void CExecDialog::ShowFrameTitle() {
    int index = m_barIndex;
    int count = m_barCount;
    if (MainFrame != nullptr) {
        if (auto* conf = qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data())) {
            index = conf->CurrentIndex();
            count = conf->BarCount();
        }
    }
    SetControlText(kIdFrame, plat::StrFormatC("%s ( %d/%d )", MsgString("S_STATO_ESEC"), index + 1, count));
}

void CExecDialog::ShowBarTime() {
    const char* text = MainFrame != nullptr ? MainFrame->cncTimeText.c_str() : "";
    SetControlText(kIdBarTime, Fmt2(MsgString("S_TIME_BAR"), text));
}

void CExecDialog::RecordLoadedBar() {
    if (g_pSettings == nullptr || m_bar == nullptr) return;
    g_pSettings->SetLastLoadedBar(m_bar->series, m_bar->code, BarColourWhole(*m_bar), m_bar->firstCutAngle,
                                  m_bar->length, g_pSettings->TIPO_CARIC);
}

// ---------------------------------------------------------------- the watch

void CExecDialog::FetchBarTime() {
    CStatoCnc* cnc = g_pCncState;
    if (cnc == nullptr || MainFrame == nullptr || m_bar == nullptr) return;
    if (!(cnc->IsCncOn() != 0 || g_machineConnected != 0)) return;
    if (!(cnc->ReadRVar(485) > 0.0f)) return;
    char text[kTimeCounterTextSize] = {};
    cnc->GetTimeCounterText(text);
    MainFrame->cncTimeText = text;
    if (!app::AppendTimeLogLine(MainFrame->timeLogPath, m_bar->series, m_bar->code, m_bar->name, text)) {
        app::ShowTimeLogOpenError();
    }
    MainFrame->firstBarPending = 1;
    cnc->ResetTimeCounter();
}

void CExecDialog::LogBarSummary(int pieceCountLogged, int fromPiece, int toPiece, const std::string& timeText) {
    CStatoCnc* cnc = g_pCncState;
    BarComputation* bc = List();
    if (cnc == nullptr || bc == nullptr || m_bar == nullptr) return;
    const std::time_t now = plat::CurrentClock().Time();
    cnc->LogPiece(now, bc->ListName(), m_bar->name, m_bar->code, m_bar->length, pieceCountLogged, 0,
                  timeText.c_str());
    for (int i = fromPiece; i < toPiece; ++i) {
        const WorkingPiece* p = PieceAt(i);
        if (p != nullptr) cnc->LogMulti(now, p->Nome, m_bar->code, p->Lung);
    }
    m_unloggedPieces.clear();
    RecordOwedPrints();
}

void CExecDialog::OnTimer(int id) {
    // Driven by hand (tests): no timer event runs, the notices are shown as the tick returns.
    QPointer<CExecDialog> self(this);
    RunTick(id);
    if (self) ShowDeferredNotices();
}

void CExecDialog::RunTick(int id) {
    if (id != kWatchTimer && id != kPrintTimer) return;
    if (m_endResult != 0) {
        KillTimer(id);
        return;
    }
    if (m_inTick) {
        // A box of this tick is open (off-line only: on-line a tick shows no box while the run
        // goes on): the watch waits for the next tick; a label print is moved on, never dropped.
        if (id == kPrintTimer) SetTimer(kPrintTimer, TimerPeriod(kPrintTimer));
        return;
    }
    if (id == kPrintTimer) KillTimer(kPrintTimer);
    DeferredNotices notices(*this);
    m_inTick = true;
    FetchBarTime();
    if (id == kPrintTimer) {
        BarComputation* bc = List();
        const int factor = bc != nullptr ? app::RunLabelPrint(*bc, m_labelState) : 0;
        if (bc == nullptr) app::g_labelPending = 0;
        RecordOwedPrints();
        if (factor > 0 && m_endResult == 0) StartPrintTimer(factor);
    } else {
        WatchTick();
    }
    m_inTick = false;
}

void CExecDialog::PostShowNotices() {
    if (m_notices.empty() || m_noticesPosted || m_showingNotices) return;
    m_noticesPosted = true;
    QMetaObject::invokeMethod(this, [this] { ShowDeferredNotices(); }, Qt::QueuedConnection);
}

void CExecDialog::ShowDeferredNotices() {
    m_noticesPosted = false;
    if (m_showingNotices) return; // the notices being shown take the new ones in turn
    m_showingNotices = true;
    QPointer<CExecDialog> self(this);
    while (self && !m_notices.empty()) {
        const MessageBoxRequest request = m_notices.front();
        m_notices.erase(m_notices.begin());
        Ui().ShowMessageBox(request);
    }
    if (self) m_showingNotices = false;
}

void CExecDialog::WatchTick() {
    CStatoCnc* cnc = g_pCncState;
    MachineSettings* s = g_pSettings;
    BarComputation* bc = List();
    if (cnc == nullptr || s == nullptr || bc == nullptr || m_bar == nullptr) {
        EndJob(2);
        return;
    }

    // 1. Office mode: one simulated piece per tick.
    if (g_machineConnected == 0) {
        if (m_labelState.allRepetitionsDone == 0 && m_abortRequested == 0) {
            if (app::g_labelPrintOn != 0) {
                KillTimer(kWatchTimer);
                app::JobNotice(MsgString("M_PRESS2PRINT"));
            }
            UpdateJobStatus();
            if (app::g_labelPrintOn != 0 && m_endResult == 0) StartCncTimer();
        } else if (app::g_labelPending == 0) {
            EndJob(1);
        }
        return;
    }

    // 2. Pieces counted by the controller since the last tick; nothing is counted past the
    //    last repetition of the run. The counter is counted only while the program's own code
    //    stands in R599; a counter below the pieces already taken is no count of this run.
    //    A read that fails counts nothing this tick.
    if (m_phase == 2 && !m_readingBad) {
        float code = 0.0f;
        if (cnc->ReadRVarChecked(599, code) && plat::TruncToInt32(code) != IsoCodeOf(bc)) {
            EndWatchOnBadReading(std::string(MsgError("ERR_PROGRAM_CODE_CHANGED")) +
                                 plat::StrFormatC(" R599 = %g (%d)", static_cast<double>(code),
                                                  static_cast<int>(IsoCodeOf(bc))));
            return;
        }
    }
    if (m_phase == 2 && !m_readingBad && m_labelState.allRepetitionsDone == 0) {
        float r = 0.0f;
        if (cnc->ReadRVarChecked(590, r)) {
            if (r < m_piecesCounted) {
                EndWatchOnBadReading(std::string(MsgError("ERR_PIECE_COUNTER_BACK")) +
                                     plat::StrFormatC(" R590 = %g (%d)", static_cast<double>(r),
                                                      static_cast<int>(m_piecesCounted)));
                return;
            }
            while (m_piecesCounted < r && m_labelState.allRepetitionsDone == 0 && m_endResult == 0) {
                UpdateJobStatus();
                m_piecesCounted += 1.0f;
            }
        }
        if (m_endResult != 0) return;
    }

    // 3. Stop now: once the last label is out, log the partial bar and end.
    if (m_abortRequested != 0) {
        if (app::g_labelPending != 0) return;
        // Repetitions the machine finished before the stop keep their lines.
        LogFinishedBars(false);
        if (s->MEM_PEZZI != 0 && m_piecesDoneAtStart < m_piecesDone && m_piecesDone < m_pieceCount &&
            (cnc->IsCncOn() != 0 || g_machineConnected != 0 ||
             (MainFrame != nullptr && !MainFrame->cncTimeText.empty()))) {
            ShowBarTime();
            if (s->LOG_SUPERVISOR != 0)
                LogBarSummary(m_piecesDone - m_piecesDoneAtStart, m_piecesDoneAtStart, m_piecesDone,
                              MainFrame != nullptr ? MainFrame->cncTimeText : std::string());
        }
        EndJob(2);
        return;
    }

    // 4. The program runs, or has run: the confirmation cleared R599 before the start and the
    //    program sets its code first, so a code there means the controller took this start
    //    even when its run began (or ended) before the watch saw it run.
    const int code = m_phase < 2 ? plat::TruncToInt32(cnc->ReadRVar(599)) : 0;
    if (m_phase == 0 && (cnc->GetR452() != 0 || code > 0)) m_phase = 1;

    // 5. The program's code, once it is set. The confirmation also cleared the piece counter
    //    before the start, so whatever R590 says from here on was counted by this program.
    if (m_phase == 1 && code > 0) {
        m_phase = 2;
        if (code != IsoCodeOf(bc)) {
            EndJob(2);
            ShowBox("T_ATTENZIONE", MsgError("ERR_ISOCODE"), BoxButtons::Ok, BoxIcon::Warning);
            return;
        }
        if (m_barRecorded == 0) s->SetLastLoadedBar("", "", "", 0, 0, 0);
    }

    // 6. The bar time arrived: show it and log the bar.
    LogArrivedBarTime();

    // 7. Stop requested by the controller.
    if (cnc->GetR455() != 0) {
        KillTimer(kWatchTimer);
        SetStatusText("", kRed);
        cnc->ClearR455();
        cnc->SetR470R472(0);
        if (MainFrame != nullptr) MainFrame->showMaximized();
        ShowBox("T_ATTENZIONE", MsgString("M_STOP_FROM_NC"), BoxButtons::Ok, BoxIcon::Warning);
        if (QWidget* b = Control(kIdStop)) b->setEnabled(false);
        EndJob(2);
        return;
    }

    // 8. Program state.
    if (cnc->GetR452() == 0) {
        if (m_phase == 2 && (m_labelState.allRepetitionsDone != 0 || m_stopAtBarEnd != 0) &&
            cnc->GetStateBit100() != 0) {
            if (app::g_labelPending == 0) {
                // The time the controller gave as the program ended is this bar's: it is taken
                // now, not by the next bar's monitor.
                FetchBarTime();
                LogArrivedBarTime();
                EndJob(m_stopAtBarEnd != 0 ? 2 : 1);
            }
            return;
        }
        if (cnc->GetStateField101() != 0 || cnc->GetStateField98() == 0) m_autoStart = 0;
        SetStatusFromMachine(m_autoStart == 0);
    } else if (m_phase == 2 && cnc->GetR482() != 0.0f) {
        SetStatusText(MsgString("S_CARICO_MANUALE"), kBlue);
        m_manualLoadingSeen = 1;
    } else {
        SetStatusText("", kRed);
        if (m_manualLoadingSeen != 0 && m_barRecorded == 0) {
            m_barRecorded = 1;
            RecordLoadedBar();
        }
    }

    // 9. A bar unloaded to the store: its line in the unloading list.
    if (m_phase == 2 && cnc->ReadRVar(593) != 0.0f) {
        cnc->WriteRVar(593, 0.0f);
        const char* config = PathSlot(PathTable::kConfigPar);
        if (plat::GetProfileInt("UNLOADING", "ENABLE", 0, config) != 0 && s->options.MAGAZZINO_CARICO != 0) {
            const std::string dir = app::UnloadingDirectory(config, PathSlot(PathTable::kProgramDir));
            app::AppendUnloadingLine(dir, bc->ListName(), m_bar->code, m_bar->length); // failure is silent
        }
    }
}

void CExecDialog::LogArrivedBarTime() {
    CStatoCnc* cnc = g_pCncState;
    MachineSettings* s = g_pSettings;
    if (cnc == nullptr || s == nullptr || m_bar == nullptr || MainFrame == nullptr) return;
    if (MainFrame->firstBarPending == 0 ||
        !(cnc->IsCncOn() != 0 || g_machineConnected != 0 || !MainFrame->cncTimeText.empty()))
        return;
    ShowBarTime();
    MainFrame->firstBarPending = 0;
    LogFinishedBars(true);
}

void CExecDialog::EndWatchOnBadReading(const std::string& what) {
    // Nothing the controller counts from here on can be told apart from another program's
    // count: the program is stopped, the pieces counted so far stay recorded, and the run
    // ends as stopped once the last label is out (the stop-now road).
    m_readingBad = true;
    if (g_pCncState != nullptr) g_pCncState->SetR481(1);
    ShowBreakState(1);
    for (int id : {kIdBreak, kIdStop})
        if (QWidget* b = Control(id)) b->setEnabled(false);
    m_abortRequested = 1;
    ShowBox("T_ATTENZIONE", what, BoxButtons::Ok, BoxIcon::Warning);
}

void CExecDialog::UpdateJobStatus() {
    MachineSettings* s = g_pSettings;
    CStatoCnc* cnc = g_pCncState;
    BarComputation* bc = List();
    if (s == nullptr || cnc == nullptr || bc == nullptr || m_bar == nullptr) return;
    // The run ends with its last repetition: a piece reported after it is not counted.
    if (m_labelState.allRepetitionsDone != 0) return;

    if (m_barRecorded == 0) {
        m_barRecorded = 1;
        RecordLoadedBar();
    }

    const bool withPieces = m_bar->pieceCount > 0;
    const int pieceIndex = m_piecesDone;
    const WorkingPiece* piece = withPieces ? PieceAt(pieceIndex) : nullptr;
    const char* name = piece != nullptr ? piece->Nome : m_bar->name;
    const int32_t length = piece != nullptr ? piece->Lung : m_bar->length;
    ShowFrameTitle();
    SetControlText(kIdPieceName, name);
    SetControlText(kIdBarName, m_bar->name);
    SetControlText(kIdLength, LengthText(length));
    if (piece != nullptr)
        SetControlText(kIdAngles, AnglesText(piece->ADxRead, piece->ASxRead));
    else
        SetControlText(kIdAngles, AnglesText(m_bar->firstCutAngle, m_bar->secondCutAngle));

    if (MachineVariant == 2 && s->CONF_LINEA != 0) {
        if (!app::WriteBarCodeFile(s->DIR_V1V2, plat::CurrentClock().Now(), name, bc->ListName()))
            ShowBoxLiteralTitle("BrelonV1", "Error Opening BarCode File", BoxButtons::Ok, BoxIcon::Warning);
    }

    cnc->LogEndPiece(bc->ListName(), name, length);
    SetControlText(kIdSeries, m_bar->series);
    SetControlText(kIdCode, m_bar->code);
    SetControlText(kIdColour, BarColour8(*m_bar));

    ++m_piecesDone;
    // A bar without pieces has no piece to be the last finished one: its label is the bar's.
    m_labelState.lastPiece = withPieces ? m_piecesDone : 0;
    const bool barCut = m_piecesDone >= m_pieceCount;
    const uint16_t left = app::RepetitionsLeftAfter(m_repetitionsLeft, m_repetitionsDone + (barCut ? 1 : 0));
    if (barCut) {
        ++m_repetitionsDone;
        m_piecesDone = 0;
        m_labelState.barsCut = m_repetitionsDone; // each repetition cut a bar: its offcut label
        if (m_repetitionsDone >= m_step) m_labelState.allRepetitionsDone = 1;
        if (g_machineConnected == 0 && m_stopAtBarEnd != 0) m_abortRequested = 1;
    }
    ShowCounts();

    if (s->LOG_SUPERVISOR != 0) m_unloggedPieces.emplace_back(name);
    const bool armPrint = app::QueuePieceLabel(*bc, piece != nullptr ? pieceIndex : -1);
    // The order of the job's writes (every prefix of it is a state a restart reads rightly):
    // 1. one replacement of the job's record counting the piece, owing its label and its
    //    supervisor lines and, at a repetition's end, the offcut label and the repetition
    //    finished with the count the list must hold; 2. that count in the list, synced;
    // 3. the record without the finished repetition. A restart after 1 counts it in the list
    // (SettleFinishedRepetition); the labels go out later, each leaving the record when sent.
    m_repetitionsAfterPending = barCut ? left : -1;
    RecordOwedPrints();
    if (barCut) {
        if (bc->SetBarRepetitionsLeft(m_barIndex, left) != 0) app::TellListFault(bc->ListPath());
        m_repetitionsAfterPending = -1;
        RecordOwedPrints();
    }
    if (armPrint) StartPrintTimer(1);
}

void CExecDialog::RecordOwedPrints() {
    MachineSettings* s = g_pSettings;
    BarComputation* bc = List();
    const JobRecord held = ReadJobRecord();
    JobRecord r = held;
    if (s != nullptr && s->MEM_PEZZI != 0 && bc != nullptr && m_bar != nullptr) {
        r.progress = true;
        r.listPath = bc->ListPath();
        r.barId = m_bar->index;
        r.piecesDone = m_piecesDone;
        r.repetitionsAfter = m_repetitionsAfterPending;
    }
    r.owedSupervisor.clear();
    for (const std::string& name : m_unloggedPieces) r.owedSupervisor += (r.owedSupervisor.empty() ? "" : ", ") + name;
    r.owedLabels = bc != nullptr ? app::OwedLabelNames(*bc, m_labelState) : app::QueuedLabelNames();
    if (r == held) return;
    if (KeepJobRecord(r) != 0) app::TellBarProgressFault();
}

void CExecDialog::LogFinishedBars(bool atLeastOne) {
    // Every bar cut since the last bar time gets its lines (a program of several repetitions
    // reports its time once, at its end). Each line counts the pieces this program cut, as its
    // MULTI lines list them and as a stopped bar's line does: the first bar's pieces made
    // before a resume were logged then, and the supervisor adds the lines up into the pieces
    // made.
    const int bars = atLeastOne ? std::max(1, m_repetitionsDone - m_barsLogged) : m_repetitionsDone - m_barsLogged;
    if (bars <= 0) return;
    const std::string programTime = MainFrame != nullptr ? MainFrame->cncTimeText : std::string();
    for (int b = 0; b < bars && g_pSettings != nullptr && g_pSettings->LOG_SUPERVISOR != 0; ++b) {
        const int before = b == 0 ? m_piecesDoneAtStart : 0;
        // Each bar the program cut carries its share of the program's time: a supervisor that
        // adds the bar times reads the program's time once.
        LogBarSummary(std::max(m_bar->pieceCount - before, 0), before, m_bar->pieceCount,
                      app::BarTimeShare(programTime, bars, b));
    }
    m_barsLogged = std::max(m_barsLogged + 1, m_repetitionsDone);
    m_piecesDoneAtStart = 0;
}

// ---------------------------------------------------------------- buttons

void CExecDialog::OnOK() {
    if (m_endResult != 0) return;
    m_stopAtBarEnd = m_stopAtBarEnd != 0 ? 0 : 1;
    if (g_pCncState != nullptr && (MachineVariant == 1 || MachineVariant == 2))
        g_pCncState->WriteRVar(572, m_stopAtBarEnd != 0 ? 1.0f : 0.0f);
    ShowBreakState(m_stopAtBarEnd != 0 ? 2 : 3);
    if (g_pCncState != nullptr) g_pCncState->SetR591(m_stopAtBarEnd);
}

void CExecDialog::OnCancel() {
    if (m_endResult != 0 || m_askingStop) return;
    // The watch goes on while the operator answers: what the machine cuts meanwhile is
    // counted, and a run that ends meanwhile has ended (the answer then changes nothing).
    QPointer<CExecDialog> self(this);
    m_askingStop = true;
    const int answer = ShowBox("T_ATTENZIONE", MsgString("M_ABORT"), BoxButtons::YesNo, BoxIcon::Question);
    if (!self) return;
    m_askingStop = false;
    if (m_endResult != 0) return;
    if (answer == IDYES && (TimerArmed(kWatchTimer) || StartCncTimer())) StopNow();
}

void CExecDialog::StopNow() {
    ShowBreakState(1);
    if (g_pCncState != nullptr) g_pCncState->SetR481(1);
    for (int id : {kIdBreak, kIdStop})
        if (QWidget* b = Control(id)) b->setEnabled(false);
    m_abortRequested = 1;
}

void CExecDialog::accept() { OnOK(); }
void CExecDialog::reject() { OnCancel(); }

void CExecDialog::OnShowList() {
    if (m_listDialog) return;
    QPointer<CExecDialog> self(this);
    auto* dialog = new CListBarDialog(this, m_barIndex);
    m_listDialog = dialog;
    dialog->exec();
    // The monitor may have ended (and its host gone on) while the view was open.
    if (!self) return;
    delete m_listDialog.data();
}

// ---------------------------------------------------------------- the end

void CExecDialog::FlushPendingLabels() {
    BarComputation* bc = List();
    for (int i = 0; i < kMaxFlushSteps && app::g_labelPending != 0 && bc != nullptr; ++i)
        app::RunLabelPrint(*bc, m_labelState);
}

void CExecDialog::WaitForPrintPort() {
    plat::SerialPort* port = g_pSettings != nullptr ? g_pSettings->GetPrintPcPort() : nullptr;
    if (port == nullptr) return;
    const int64_t deadline = plat::MonotonicMs() + g_pSettings->PRINT_TIMER;
    for (;;) {
        int queued = 0;
        if (::ioctl(port->Fd(), TIOCOUTQ, &queued) != 0 || queued <= 0) return;
        if (plat::MonotonicMs() >= deadline) return;
        plat::SleepMs(10);
    }
}

void CExecDialog::EndJob(int result) {
    if (m_endResult != 0) return;
    m_endResult = result;
    KillTimer(kPrintTimer);
    KillTimer(kWatchTimer);
    if (g_pCncState != nullptr) {
        g_pCncState->SetR470R472(0);
        g_pCncState->SetR480(0);
    }
    // A label still queued when the run ends abruptly goes out now instead of being lost.
    FlushPendingLabels();
    // The run ended in order: what it could not print or log was told, or is not owed.
    m_unloggedPieces.clear();
    RecordOwedPrints();
    if (g_pSettings != nullptr && g_pSettings->PRINT != 0) WaitForPrintPort();
    // The run's notices not yet shown are shown now, its records written.
    QPointer<CExecDialog> self(this);
    ShowDeferredNotices();
    if (!self) return;

    if (m_bar != nullptr && m_abortRequested == 0 && m_barIndex >= m_barCount - 1 &&
        m_repetitionsDone >= m_repetitionsLeft) {
        if (MainFrame != nullptr && MainFrame->firstBarPending != 0 && g_machineConnected != 0) {
            const int64_t deadline = plat::MonotonicMs() + kBarTimeWaitMs;
            while (MainFrame->cncTimeText.empty() && plat::MonotonicMs() < deadline) {
                FetchBarTime();
                if (MainFrame->cncTimeText.empty()) plat::SleepMs(50);
            }
            if (!MainFrame->cncTimeText.empty()) ShowBarTime();
        }
        if (g_testRun == 0) {
            if (MainFrame != nullptr) {
                if (MainFrame->isMinimized()) MainFrame->showMaximized();
                MainFrame->raise();
                MainFrame->activateWindow();
            }
            ShowBox("T_ATTENZIONE", MsgString("M_END_EXEC"), BoxButtons::Ok, BoxIcon::Warning);
        }
    }

    if (MainFrame != nullptr) {
        MainFrame->executionRunning = 0;
        if (m_listDialog) m_listDialog->showMinimized();
        if (auto* conf = qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data())) conf->RefreshBarDisplay();
    }
    if (m_host != nullptr) ui::PostModelessResult(this, result);
    QDialog::done(result == 1 ? QDialog::Accepted : QDialog::Rejected);
}
