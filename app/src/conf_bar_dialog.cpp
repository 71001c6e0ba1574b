// The bar confirmation dialog and the main window's step that shows it.
#include "app/conf_bar_dialog.h"
#include "app/startup_cnc.h"
#include "app/unattended.h"

#include "app/exec_files.h"
#include "app/label_job.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <random>
#include <termios.h>

#include "app/list_opening.h"
#include "app/app_ids.h"
#include "app/exec_dialog.h"
#include "app/fine_liste.h"
#include "app/list_bar_dialog.h"
#include "app/main_frame.h"
#include "app/vis_bar_pcs.h"
#include "engine/iso_generator.h"
#include "labelprint/Tagrix.h"
#include "machine/bar_progress.h"
#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/ini_routines.h"
#include "machine/label_settings.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "platform/serial_tty.h"
#include "platform/text.h"
#include "ui/InputDialog.h"
#include "ui/ModelessDialog.h"
#include "ui/OwnControls.h"
#include "ui/qt_text.h"
#include "ui/window_message.h"

namespace {

using ui::ControlKind;

QString Msg(const char* key) { return ui::ToQt(MsgString(key)); }

constexpr uint32_t kRed = 0x0000FF; // a tool position that differs from the mounted one

// Captions of the dialog: id and key.
constexpr std::pair<int, const char*> kCaptions[] = {
    {395, "S_CONF_BARRA"}, {396, "S_DATI_BARRA"}, {397, "S_CONF_RALLA"}, {378, "S_NUM_BARRA"},
    {380, "S_LAVORAZ"},    {392, "S_PEZZI"},      {381, "S_PASSO_RIP"},  {190, "S_NOME"},
    {259, "S_SERIE"},      {260, "S_CODICE"},     {383, "S_COLORE"},     {389, "S_LUNG"},
    {385, "S_ANGOLI"},     {391, "P_TIPO_CARIC"}, {248, "P_TIPO_TAGLIO"}, {369, "S_MAND1"},
    {370, "S_MAND2"},      {371, "S_MAND3"},      {372, "S_MAND4"},      {1092, "S_MAND5"},
    {1094, "S_MAND6"},     {1096, "S_MAND7"},     {1098, "S_MAND8"},     {1, "B_OK"},
    {2, "B_ANNULLA"},      {373, "B_COMP"},       {374, "B_SALTA"},      {267, "B_LISTA"},
    {376, "B_RIPETIZ"},    {1042, "B_COMPIECES"},
};

std::vector<ui::DialogControl> ControlTable() {
    std::vector<ui::DialogControl> t = {
        {395, ControlKind::GroupBox, 10, 8, 380, 214, "S_CONF_BARRA"},
        {378, ControlKind::Static, 25, 40, 165, 26, "S_NUM_BARRA"},
        {CConfBarDialog::kIdBarNumber, ControlKind::Static, 195, 40, 180, 26, ""},
        {380, ControlKind::Static, 25, 74, 165, 26, "S_LAVORAZ"},
        {CConfBarDialog::kIdMachinings, ControlKind::Static, 195, 74, 180, 26, ""},
        {392, ControlKind::Static, 25, 108, 165, 26, "S_PEZZI"},
        {CConfBarDialog::kIdPieces, ControlKind::Static, 195, 108, 180, 26, ""},
        {381, ControlKind::Static, 25, 142, 165, 26, "S_PASSO_RIP"},
        {CConfBarDialog::kIdStepBox, ControlKind::ComboBox, 195, 140, 180, 30, ""},
        {CConfBarDialog::kIdRepetitions, ControlKind::PushButton, 25, 178, 165, 32, "B_RIPETIZ"},
        {CConfBarDialog::kIdRepetitionsLeft, ControlKind::Static, 195, 181, 180, 26, ""},
        {397, ControlKind::GroupBox, 10, 230, 380, 184, "S_CONF_RALLA"},
        {396, ControlKind::GroupBox, 400, 8, 390, 406, "S_DATI_BARRA"},
        {1, ControlKind::DefPushButton, 10, 428, 120, 38, "B_OK"},
        {CConfBarDialog::kIdCompile, ControlKind::PushButton, 140, 428, 120, 38, "B_COMP"},
        {CConfBarDialog::kIdSkip, ControlKind::PushButton, 270, 428, 120, 38, "B_SALTA"},
        {CConfBarDialog::kIdList, ControlKind::PushButton, 400, 428, 120, 38, "B_LISTA"},
        {CConfBarDialog::kIdPieceView, ControlKind::PushButton, 530, 428, 120, 38, "B_COMPIECES"},
        {2, ControlKind::PushButton, 660, 428, 130, 38, "B_ANNULLA"},
    };
    // Ralla positions: T1..T4 on the left, T5..T8 on the right.
    for (int i = 0; i < 8; ++i) {
        const int x = i < 4 ? 22 : 204;
        const int y = 262 + (i % 4) * 36;
        t.push_back({CConfBarDialog::kToolCaptionIds[i], ControlKind::Static, x, y, 36, 28, ""});
        t.push_back({CConfBarDialog::kToolIds[i], ControlKind::ColorLabel, x + 38, y, 136, 28, ""});
    }
    // Bar data: caption and value per row.
    constexpr std::pair<int, int> kRows[] = {{190, CConfBarDialog::kIdName},     {259, CConfBarDialog::kIdSeries},
                                             {260, CConfBarDialog::kIdCode},     {383, CConfBarDialog::kIdColour},
                                             {389, CConfBarDialog::kIdLength},   {385, CConfBarDialog::kIdAngles},
                                             {391, CConfBarDialog::kIdLoadType}, {248, CConfBarDialog::kIdCutType}};
    for (int r = 0; r < 8; ++r) {
        const int y = 40 + r * 46;
        t.push_back({kRows[r].first, ControlKind::Static, 415, y, 160, 30, ""});
        const bool colour = kRows[r].second != CConfBarDialog::kIdCutType;
        t.push_back({kRows[r].second, colour ? ControlKind::ColorLabel : ControlKind::Static, 580, y, 195, 30, ""});
    }
    return t;
}

// The main window's minimise and maximise boxes, taken away while a monitor runs.
class FrameBoxes {
public:
    void Remove() {
        if (MainFrame == nullptr) return;
        if (MainFrame->isMinimized()) MainFrame->showMaximized();
        MainFrame->raise();
        m_saved = MainFrame->windowHandle() != nullptr ? MainFrame->windowHandle()->flags() : MainFrame->windowFlags();
        m_removed = true;
        Apply((m_saved | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
               Qt::WindowCloseButtonHint) &
              ~Qt::WindowMinMaxButtonsHint);
    }
    void Restore() {
        if (m_removed && MainFrame != nullptr) Apply(m_saved);
        m_removed = false;
    }

private:
    static void Apply(Qt::WindowFlags flags) {
        // On the native window itself: the widget's own setWindowFlags would re-create it,
        // hiding and showing the main window again on every bar.
        if (QWindow* window = MainFrame->windowHandle()) {
            if (window->flags() != flags) window->setFlags(flags);
            return;
        }
        if (MainFrame->windowFlags() != flags) MainFrame->setWindowFlags(flags);
    }
    Qt::WindowFlags m_saved;
    bool m_removed = false;
};

} // namespace

CConfBarDialog::CConfBarDialog(QWidget* parent) : ui::CResizeDialog(parent) {
    // Laid over the main window's view, inside the frame.
    setWindowFlags(Qt::Widget);
    BuildControls(800, 476, ControlTable());
    EnableShowGate();
    if (auto* box = qobject_cast<QComboBox*>(Control(kIdStepBox))) {
        box->setEditable(true);
        box->lineEdit()->setMaxLength(48);
    }
    // Values sit in sunken frames so empty ones still read as fields.
    for (int id : {kIdBarNumber, kIdMachinings, kIdPieces, kIdRepetitionsLeft, kIdName, kIdSeries, kIdCode, kIdColour,
                   kIdLength, kIdAngles, kIdLoadType, kIdCutType, 365, 366, 367, 368, 1091, 1093, 1095, 1097})
        if (auto* l = qobject_cast<QLabel*>(Control(id))) {
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            l->setAlignment(Qt::AlignCenter);
        }
    auto connectButton = [this](int id, void (CConfBarDialog::*slot)()) {
        if (auto* b = qobject_cast<QPushButton*>(Control(id))) connect(b, &QPushButton::clicked, this, slot);
    };
    connectButton(1, &CConfBarDialog::OnOkButton);
    connectButton(2, &CConfBarDialog::OnCancel);
    connectButton(kIdCompile, &CConfBarDialog::OnCompile);
    connectButton(kIdSkip, &CConfBarDialog::OnSkip);
    connectButton(kIdList, &CConfBarDialog::OnShowList);
    connectButton(kIdRepetitions, &CConfBarDialog::OnRepetitions);
    connectButton(kIdPieceView, &CConfBarDialog::OnShowPieces);
}

CConfBarDialog::~CConfBarDialog() {
    ListenForEscape(false);
    // A program start still waiting for the controller must not answer a deleted dialog.
    if (g_pCncState != nullptr) g_pCncState->ForgetWindow(this);
}

QString CConfBarDialog::ControlText(int id) const {
    QWidget* w = Control(id);
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return {};
}

void CConfBarDialog::SetText(int id, const std::string& text) {
    if (auto* l = qobject_cast<QLabel*>(Control(id))) l->setText(ui::ToQt(text));
}

void CConfBarDialog::OnInitDialog() {
    ui::CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("T_TRASM"));
    for (const auto& [id, key] : kCaptions) {
        QWidget* w = Control(id);
        if (auto* l = qobject_cast<QLabel*>(w)) l->setText(Msg(key));
        else if (auto* b = qobject_cast<QPushButton*>(w)) b->setText(Msg(key));
        else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(Msg(key));
    }

    m_index = 0;
    m_count = 0;
    if (g_pBarList != nullptr)
        m_count = g_pBarList->selectedCount < g_pBarList->BarCount() ? g_pBarList->selectedCount : g_pBarList->BarCount();
    m_bar = m_count > 0 ? g_pBarList->Bar(0) : nullptr;
    m_automatic = 0;

    if (auto* box = qobject_cast<QComboBox*>(Control(kIdStepBox))) {
        box->clear();
        const int step = g_pSettings != nullptr ? g_pSettings->STEP_RIP : 0;
        for (const std::string& line : app::StepBoxEntries(step, MsgString("S_TUTTE"))) box->addItem(ui::ToQt(line));
        box->setCurrentIndex(0);
    }

    ShowBarData(kModeFull);
    if (m_closed) return; // nothing to confirm: the run closed at once

    WinRect view;
    if (MainFrame != nullptr && parentWidget() == MainFrame && MainFrame->GetViewPlacement(view)) FitToMainView(view);
    else ScaleToScreen();
    raise();
    OpenShowGate();
}

void CConfBarDialog::Post(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    QCoreApplication::postEvent(this, new ui::WindowMessageEvent(msg, static_cast<uintptr_t>(wParam), lParam));
}

bool CConfBarDialog::event(QEvent* e) {
    if (e->type() == ui::WindowMessageEvent::EventType()) {
        const auto* m = static_cast<ui::WindowMessageEvent*>(e);
        if (m->Msg() == UM_CNC_CMD_RESULT) OnCncCmdResult(static_cast<int>(static_cast<intptr_t>(m->WParam())));
        else if (m->Msg() == kMsgCommand && m->WParam() == IDOK) OnOK();
        return true;
    }
    return ui::CResizeDialog::event(e);
}

// ---------------------------------------------------------------- the shown bar

void CConfBarDialog::ShowBarData(int mode) {
    if (m_closed) return;
    if (mode == kModeSkip || m_index >= m_count || m_bar == nullptr || m_bar->repetitionsLeft == 0) {
        ++m_index;
        if (m_index >= m_count || g_pBarList == nullptr) {
            CloseRun();
            return;
        }
        m_bar = g_pBarList->Bar(m_index);
        mode = kModeFull;
    }
    if (mode == kModeFull) {
        m_flags = 0;
        ShowHeader();
    }
    if (mode == kModeFull || mode == kModeAfterRun) ShowTools(mode == kModeFull);
    ShowData();
    if (g_testAutoConfirm != 0) Post(kMsgCommand, IDOK, 0);
}

void CConfBarDialog::RefreshBarDisplay() {
    if (m_closed || m_bar == nullptr) return;
    m_flags = 0;
    ShowHeader();
    ShowTools(true);
    ShowData();
}

BarProgress CConfBarDialog::StoredProgress() const {
    if (m_bar == nullptr || g_pSettings == nullptr || g_pSettings->MEM_PEZZI == 0) return BarProgress{};
    return ReadFittingBarProgress(m_bar->index, PathSlot(PathTable::kListName), m_bar->pieceCount);
}

const UnkeptProgress* CConfBarDialog::UnkeptProgressOfBar() const {
    if (m_bar == nullptr || g_pSettings == nullptr || g_pSettings->MEM_PEZZI == 0) return nullptr;
    const UnkeptProgress* held = UnkeptBarProgress(m_bar->index, PathSlot(PathTable::kListName));
    if (held == nullptr || BarProgressOf(held->piecesDone, m_bar->pieceCount).piecesDone <= 0) return nullptr;
    return held;
}

int CConfBarDialog::AskAboutUnkeptProgress(const UnkeptProgress& held, const BarComputation& bc) {
    std::string names;
    for (int i = 0; i < held.piecesDone && i < static_cast<int>(bc.pieces.size()); ++i)
        names += (i == 0 ? "" : ", ") + std::string(bc.pieces[static_cast<std::size_t>(i)]->Nome);
    const std::string told = std::string(MsgString("M_PROGRESS_UNKEPT")) + " " + names + "\n" + held.fault;
    // Nobody is there to answer: the bar is not started (it keeps its repetitions).
    if (app::UnattendedRun()) {
        ShowRefusal(told + "\n" + MsgString("M_PROGRESS_UNKEPT_CANCELLED"));
        return IDCANCEL;
    }
    return ShowBox("T_ATTENZIONE", told + "\n\n" + MsgString("M_PROGRESS_UNKEPT_ASK"), BoxButtons::YesNoCancel,
                   BoxIcon::Question);
}

void CConfBarDialog::ShowHeader() {
    const BarRecord& bar = *m_bar;
    SetText(kIdBarNumber, plat::StrFormatC("%d / %d", m_index + 1, m_count));
    SetText(kIdMachinings, plat::StrFormatC("%d", static_cast<int>(bar.machiningCount)));
    const int done = StoredProgress().piecesDone;
    if (done > 0)
        SetText(kIdPieces, plat::StrFormatC("%d / %d", bar.pieceCount - done, static_cast<int>(bar.pieceCount)));
    else
        SetText(kIdPieces, plat::StrFormatC("%d", static_cast<int>(bar.pieceCount)));
    SetText(kIdName, bar.name);
}

void CConfBarDialog::ShowTools(bool compare) {
    int32_t mounted[kRallaMaxPositions] = {};
    int32_t config = 0;
    if (g_pRallaTools != nullptr) g_pRallaTools->GetSpindleTools(mounted, &config);
    const int base = g_rallaPositions < kRallaBasePositions ? g_rallaPositions : kRallaBasePositions;
    for (int i = 0; i < kRallaMaxPositions; ++i) {
        bool shown = i < base;
        if (i >= kRallaBasePositions)
            shown = MachineVariant != 0 && i - kRallaBasePositions < g_extraPositions &&
                    g_extraPositionOn[i - kRallaBasePositions] != 0;
        auto* value = qobject_cast<ui::CColorLabel*>(Control(kToolIds[i]));
        QWidget* caption = Control(kToolCaptionIds[i]);
        if (value == nullptr) continue;
        value->setVisible(shown);
        if (caption != nullptr) caption->setVisible(shown);
        if (!shown) continue;
        const int32_t tool = m_bar->chosenTools[i];
        const ToolRecord empty;
        const ToolRecord& rec = g_pRallaTools != nullptr ? g_pRallaTools->Tool(tool) : empty;
        value->setText(ui::ToQt(app::ToolCellText(rec.name, rec.kind)));
        if (compare && tool != mounted[i]) {
            value->SetTextColor(kRed);
            m_flags |= kFlagSetupDiffers;
        } else {
            value->SetTextColor(ui::kNoColor);
        }
    }
}

void CConfBarDialog::ShowData() {
    const BarRecord& bar = *m_bar;
    SetText(kIdSeries, bar.series);
    SetText(kIdCode, bar.code);
    SetText(kIdColour, app::BarColour(bar));
    char length[64];
    FormatUnits(length, sizeof length, "%{X}", bar.length / 1000.0);
    SetText(kIdLength, length);
    SetText(kIdAngles, plat::StrFormatC("%.2f-%.2f", bar.firstCutAngle / 1000.0, bar.secondCutAngle / 1000.0));
    const bool automatic = g_pSettings != nullptr && g_pSettings->TIPO_CARIC != 0;
    SetText(kIdLoadType, MsgString(automatic ? "S_AUTOM" : "S_MANUAL"));
    SetText(kIdCutType, app::CutTypeText(bar, MachineVariant));
    SetText(kIdRepetitionsLeft, plat::StrFormatC("%d", static_cast<int>(bar.repetitionsLeft)));
}

// ---------------------------------------------------------------- the part program

int CConfBarDialog::PrepareBarProgram(int forMachine, int* repetitions) {
    auto* list = dynamic_cast<IsoProgramGenerator*>(g_pBarList);
    if (MainFrame != nullptr) MainFrame->lastBar = 0;
    if (list == nullptr || m_bar == nullptr || g_pSettings == nullptr) return 1;

    std::string text;
    if (auto* box = qobject_cast<QComboBox*>(Control(kIdStepBox))) text = ui::FromQt(box->currentText());
    if (text.size() > 48) text.resize(48);
    int step = 0;
    if (!app::ParseStepText(text, MsgString("S_TUTTE"), &step)) {
        ShowRefusal(std::string(MsgError("ERR_PAR")) + " " + MsgString("S_PASSO_RIP"));
        return 1;
    }
    g_pSettings->SetStepRip(step);
    *repetitions = app::RepetitionsToRun(g_pSettings->STEP_RIP, m_bar->repetitionsLeft);

    if ((m_flags & kFlagOutputsDeleted) == 0) {
        DeleteOutputFiles(0, 1, 1, 1, 1);
        m_flags |= kFlagOutputsDeleted;
    }
    if (m_index >= m_count) return 1;
    if (m_index == m_count - 1 && MainFrame != nullptr) MainFrame->lastBar = 1;

    // A record the program can no longer replace is no progress (the computation below then
    // reads none); the pieces it told are held, and the operator decides below.
    if (StoredProgress().piecesDone > 0 && ConfirmBarProgressRecord() != 0 && UnkeptProgressOfBar() == nullptr)
        app::TellBarProgressFault();

    int computed = list->ComputeBar(m_index, 1);
    if (computed != 0) {
        ShowRefusal(g_errorText);
        return computed;
    }
    // Pieces of this bar made and not kept by the record: the bar never starts again from its
    // first piece, nor after them, without the operator's word.
    if (const UnkeptProgress* held = UnkeptProgressOfBar(); held != nullptr && !held->resume) {
        const UnkeptProgress told = *held; // the box runs the event loop
        const int answer = AskAboutUnkeptProgress(told, *list);
        if (answer == IDYES) {
            ResumeUnkeptProgress(m_bar->index, PathSlot(PathTable::kListName));
            computed = list->ComputeBar(m_index, 1); // now after the pieces made
            if (computed != 0) {
                ShowRefusal(g_errorText);
                return computed;
            }
        } else if (answer == IDNO) {
            ForgetUnkeptProgress(m_bar->index, PathSlot(PathTable::kListName));
        } else {
            return 1;
        }
    }
    static std::mt19937 generator(static_cast<unsigned>(std::time(nullptr)));
    list->IsoCode = app::DrawIsoCode(g_machineConnected, list->IsoCode, [] { return static_cast<int>(generator()); });

    if (StoredProgress().piecesDone > 0) *repetitions = 1;

    if (MainFrame != nullptr) {
        list->nextBarLength1 = MainFrame->nextBarLength1;
        list->nextBarLength2 = MainFrame->nextBarLength2;
        list->lastBarOfList = MainFrame->lastBar;
    }
    if (list->GenerateIsoProgram(*repetitions, forMachine) != 0) {
        ShowRefusal(g_errorText);
        return 1;
    }
    for (const std::string& warning : list->warnings) app::JobNotice(warning);
    return 0;
}

void CConfBarDialog::SetNextBarLengths() {
    if (MainFrame == nullptr) return;
    MainFrame->nextBarLength1 = 0;
    MainFrame->nextBarLength2 = 0;
    if (m_bar == nullptr || g_pBarList == nullptr || m_index < 0 || m_index >= m_count) return;
    const int32_t next = m_index + 1 < m_count ? g_pBarList->Bar(m_index + 1)->length : 0;
    app::NextBarLengths(MachineVariant, m_bar->repetitionsLeft, m_bar->length, next, &MainFrame->nextBarLength1,
                        &MainFrame->nextBarLength2);
}

// ---------------------------------------------------------------- commands

void CConfBarDialog::OnOkButton() {
    // Confirmed by the operator.
    m_automatic = 0;
    OnOK();
}

void CConfBarDialog::OnOK() {
    // One start per bar: a confirmation while a start is pending or a bar runs is ignored.
    if (Busy() || m_bar == nullptr || g_pSettings == nullptr) return;
    // What one confirmation changes in the configuration (the step, the tool set-up) reaches
    // "CONFIG.PAR" in one replacement: each replacement waits for the drive.
    IniWriteBatch configWrites(PathSlot(PathTable::kConfigPar));

    if (GetLabelPrint() != 0 && (g_pSettings->CONF_FILE_OTT == 1 || g_pSettings->CONF_FILE_OTT == 2)) {
        if (app::LabelPaperOutBeforeBar()) {
            if (app::UnattendedRun()) ShowRefusal(MsgString("ERR_PAPER_OUT"));
            else ShowBox("T_ATTENZIONE", MsgString("ERR_PAPER_OUT"), BoxButtons::Ok, BoxIcon::Question);
            if (app::UnattendedRun()) PassOverRefusedBar();
            return;
        }
    }
    SetNextBarLengths();
    if (RefusedOnAnotherMachine()) return;
    if (PrepareBarProgram(g_machineConnected, &m_repetitions) != 0) {
        m_automatic = 0;
        PassOverRefusedBar();
        return;
    }

    const char* listPath = PathSlot(PathTable::kListName);
    const BarProgress progress = StoredProgress();
    if (progress.piecesDone > 0) {
        g_pSettings->SetLastLoadedBar("", "", "", 0, 0, 0);
    } else {
        // A record that does not fit the bar was not used: the operator hears why the bar
        // starts from its first piece, and the record is replaced by the bar's fresh start.
        if (progress.misfit)
            app::JobNotice(plat::StrFormatC("%s %d / %d", MsgString("M_PROGRESS_MISFIT"), progress.stored,
                                            static_cast<int>(m_bar->pieceCount)));
        if (WriteBarProgress(m_bar->index, listPath, 0) != 0 && g_pSettings->MEM_PEZZI != 0)
            app::TellBarProgressFault();
    }

    if ((m_flags & kFlagSetupDiffers) != 0) {
        if (g_pSettings->CHANGE_RALLA == 0) {
            if (g_testAutoConfirm != 0 && g_testHidePopups != 0) ShowRefusal(MsgString("ERR_CONF_RALLA"));
            else ShowBox("T_ATTENZIONE", MsgString("ERR_CONF_RALLA"), BoxButtons::Ok, BoxIcon::Question);
            m_automatic = 0;
            PassOverRefusedBar();
            return;
        }
        if (g_testHidePopups == 0 &&
            ShowBox("T_ATTENZIONE", MsgString("M_CH_CONF"), BoxButtons::OkCancel, BoxIcon::Question) != IDOK) {
            m_automatic = 0;
            return;
        }
    }
    g_pBarList->ApplyBarToolSetup(m_index);
    // The next start would believe the old tools mounted: no bar starts on a set-up the
    // program could not record (the save is tried again at the next confirmation).
    if (g_pRallaTools != nullptr && g_pRallaTools->SetupUnrecorded()) {
        ShowRefusal(g_errorText);
        m_automatic = 0;
        if (app::UnattendedRun()) PassOverRefusedBar();
        return;
    }
    if (g_pCncState == nullptr) return;
    if (RefusedOnAnotherMachine()) return;
    if (!PrintPortReadyForBar()) return;
    // What a run cut short left owed is told now, before the controller takes the start (the
    // watch never waits on this box).
    app::TellOwedPrintsAtStart();
    if (!ClearWatchVariables()) return;
    m_startPending = true;
    ListenForEscape(true);
    g_pCncState->StartProgram(this, nullptr, nullptr);
}

bool CConfBarDialog::PrintPortReadyForBar() {
    MachineSettings* s = g_pSettings;
    if (s == nullptr || s->PORT_PC_PRINT == 0) return true;
    // A port that stopped answering since the last bar (an unplugged USB adapter) is opened
    // afresh; the monitor then finds it open.
    if (plat::SerialPort* port = s->GetPrintPcPort()) {
        struct termios t;
        if (::tcgetattr(port->Fd(), &t) == 0) return true;
        s->ClosePrintPcPort(1);
    }
    if (s->OpenPrintPcPort() == 0 && s->GetPrintPcPort() != nullptr) return true;
    ShowRefusal(std::string(MsgError("ERR_PRINT_PORT_BAR")) + " " + s->printPortName + "\n" + g_errorText);
    m_automatic = 0;
    PassOverRefusedBar();
    return false;
}

bool CConfBarDialog::ClearWatchVariables() {
    // The watch counts whatever the controller says once the program's code is in R599: the
    // code, the piece counter and the bar time are cleared before the start, so none of them
    // can be the last program's. A value that cannot be cleared is unknown: no start.
    for (int r : {599, 590, 485}) {
        if (g_pCncState->WriteRVar(r, 0.0f)) continue;
        ShowRefusal(std::string(MsgError("ERR_WATCH_CLEAR")) + plat::StrFormatC(" R%d", r));
        m_automatic = 0;
        PassOverRefusedBar();
        return false;
    }
    return true;
}

void CConfBarDialog::ListenForEscape(bool on) {
    // While a start waits for the controller, Escape is this dialog's Cancel wherever the focus
    // is (a hidden dialog takes no key).
    if (on == m_listeningForEscape || qApp == nullptr) return;
    m_listeningForEscape = on;
    if (on) qApp->installEventFilter(this);
    else qApp->removeEventFilter(this);
}

bool CConfBarDialog::eventFilter(QObject* watched, QEvent* e) {
    if (m_startPending && e->type() == QEvent::KeyPress && QApplication::activeModalWidget() == nullptr) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            OnCancel();
            return true;
        }
    }
    return ui::CResizeDialog::eventFilter(watched, e);
}

void CConfBarDialog::OnCncCmdResult(int code) {
    // Only the answer to this dialog's own start request counts.
    if (!m_startPending || m_closed) return;
    m_startPending = false;
    ListenForEscape(false);
    if (code != 0) {
        // A time-out, the controller's refusal, or a start the PC could not hand over.
        ShowRefusal(CncCommandResultText(code));
        m_automatic = 0;
        if (app::UnattendedRun()) PassOverRefusedBar();
        return;
    }

    QPointer<CConfBarDialog> self(this);
    m_running = true;
    m_ranInPass = true;
    if (MainFrame != nullptr) {
        delete MainFrame->execDialog.data();
        MainFrame->execDialog = nullptr;
    }
    FrameBoxes boxes;
    boxes.Remove();
    // Both on the heap: the main window closing under the run deletes them with this dialog.
    QPointer<ui::CModelessDialog> host = new ui::CModelessDialog(this);
    QPointer<CExecDialog> monitor = new CExecDialog(host, m_index, m_count, m_repetitions, m_automatic);
    if (MainFrame != nullptr) MainFrame->execDialog = monitor.data();
    const int result = host->RunDialog(monitor, CExecDialog::kTemplateId);
    delete monitor.data();
    delete host.data();
    if (MainFrame != nullptr) MainFrame->execDialog = nullptr;
    boxes.Restore();
    if (!self) return; // the dialog went away while the monitor ran

    m_running = false;
    if (m_bar == nullptr) return;
    m_remembered = app::IdentityOf(*m_bar);
    ShowBarData(kModeAfterRun);
    if (m_closed || m_bar == nullptr || g_pSettings == nullptr) return;

    app::AutoNextInputs in;
    in.result = result;
    in.flags = m_flags;
    in.typeExec = g_pSettings->TYPE_EXEC;
    in.tipoCaric = g_pSettings->TIPO_CARIC;
    in.stepRip = g_pSettings->STEP_RIP;
    if (app::AutoNextBar(in, app::IdentityOf(*m_bar), m_remembered)) {
        m_automatic = 1;
        Post(kMsgCommand, IDOK, 0);
    }
}

void CConfBarDialog::OnCancel() {
    if (m_running) return;
    if (m_startPending) {
        // A start still waiting for the controller (a busy controller) is dropped before its
        // program start reaches the machine, and the operator reads which it was; the same bar
        // stays shown. A start the controller already took goes on to its monitor.
        const bool dropped = g_pCncState != nullptr && g_pCncState->CancelStart(this);
        if (dropped) {
            m_startPending = false;
            ListenForEscape(false);
            m_automatic = 0;
        }
        ShowBox("T_ATTENZIONE", MsgString(dropped ? "M_START_CANCELLED" : "M_START_NOT_CANCELLED"), BoxButtons::Ok,
                BoxIcon::Warning);
        return;
    }
    CloseRun();
}

void CConfBarDialog::CloseRun() {
    if (m_closed) return;
    QPointer<CConfBarDialog> self(this);
    const int left = g_pBarList != nullptr ? g_pBarList->SortBarsByRepetitionsLeft() : 0;
    if (left == 0 && g_pBarList != nullptr && g_pBarList->FinishedListKept() &&
        !app::TellUnattended("list not removed", g_errorText))
        ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
    // The test run's selection takes every bar left again: after a pass that ran none of them
    // and refused one, it would offer the refused bars for ever, so the list ends there (the
    // refused bars keep their repetitions).
    const bool onlyRefusedLeft = g_testAutoConfirm != 0 && m_refusedInPass && !m_ranInPass;
    if (left > 0 && !onlyRefusedLeft) {
        if (MainFrame != nullptr) MainFrame->Post(UWM_SHOW_SELBAR, 0, 0);
        CloseDialog();
        return;
    }
    CloseDialog(); // nothing of this dialog is used after the end of the list
    if (MainFrame == nullptr) return;
    MainFrame->SetListTitle(0, nullptr);
    const bool online = (g_pCncState != nullptr && g_pCncState->IsCncOn() != 0) || g_machineConnected != 0;
    if (MainFrame->listRunning != 0 && online) {
        const bool fresh = MainFrame->timeLogFresh != 0;
        // The list time is the machining time the CNC state object summed since the opening.
        const double minutes = g_machiningTimeTotal;
        if (!fresh) {
            g_machiningTimeTotal = 0.0;
            MainFrame->listTime = 0.0;
        }
        const app::TimeLogTotalResult total = app::AppendTimeLogTotal(MainFrame->timeLogPath, fresh, minutes);
        if (total == app::TimeLogTotalResult::NotOpened) {
            app::ShowTimeLogOpenError();
        } else if (total == app::TimeLogTotalResult::NotRead) {
            // The total would be wrong: none is written, and the operator hears which log.
            if (!app::TellUnattended("time log", g_errorText))
                ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        }
        if (g_testRun == 0 && MainFrame != nullptr) {
            if (MainFrame->isMinimized()) MainFrame->showMaximized();
            MainFrame->raise();
            QPointer<FineListe> endOfList = new FineListe(MainFrame);
            if (self) m_endOfList = endOfList;
            endOfList->exec();
            delete endOfList.data();
        }
    }
    if (MainFrame == nullptr) return;
    MainFrame->listRunning = 0;
    if (g_testRun != 0) MainFrame->Post(UWM_OPEN_LIST, 0, 0);
}

void CConfBarDialog::ShowRefusal(const std::string& text) {
    if (g_testAutoConfirm != 0 && g_testHidePopups != 0) {
        // Nobody is there to answer a box: the refusal goes to the program's output, with the
        // list and the bar as the dialog shows them.
        const char* list = PathSlot(PathTable::kListName);
        std::fprintf(stderr, "test run: %s: bar %d / %d %s refused: %s\n", list != nullptr ? list : "",
                     m_index + 1, m_count, m_bar != nullptr ? m_bar->name : "", text.c_str());
        std::fflush(stderr);
        return;
    }
    ShowBox("T_ERRORE", text, BoxButtons::Ok, BoxIcon::Warning);
}

bool CConfBarDialog::RefusedOnAnotherMachine() {
    std::string told;
    if (ControllerIsSessionMachine(g_pCncState, told)) return false;
    const std::string text = VariantUnknownText(told);
    if (app::UnattendedRun()) ShowRefusal(text);
    else ShowBox("T_ATTENZIONE", text, BoxButtons::Ok, BoxIcon::Warning);
    m_automatic = 0;
    PassOverRefusedBar();
    return true;
}

void CConfBarDialog::PassOverRefusedBar() {
    if (g_testAutoConfirm == 0 || m_closed) return;
    m_refusedInPass = true;
    ShowBarData(kModeSkip); // confirms the next bar, or closes the run after the last one
}

void CConfBarDialog::CloseDialog() {
    m_closed = true;
    hide();
    deleteLater(); // the main window's guarded pointer clears itself
}

void CConfBarDialog::OnCompile() {
    if (Busy()) return;
    SetNextBarLengths();
    int repetitions = 0;
    const int r = PrepareBarProgram(0, &repetitions);
    if (r == 2) return;
    const std::string question =
        r == 1 ? std::string(MsgString("S_INFO")) : std::string(MsgString("S_PROG_OK")) + "\n" + MsgString("S_INFO");
    MessageBoxRequest box;
    box.title = "T_ATTENZIONE";
    box.text = question;
    box.buttons = BoxButtons::YesNo;
    box.icon = BoxIcon::Question;
    box.defaultSecond = true; // No is the default answer
    if (Ui().ShowMessageBox(box) == IDYES && MainFrame != nullptr) MainFrame->Post(UWM_SHOW_LAV, 0, 0);
}

void CConfBarDialog::OnSkip() {
    if (Busy()) return;
    if (ShowBox("T_ATTENZIONE", MsgString("M_NEW_BAR"), BoxButtons::YesNo, BoxIcon::Question) == IDYES)
        ShowBarData(kModeSkip);
}

void CConfBarDialog::OnShowList() {
    if (m_closed) return;
    QPointer<CListBarDialog> view = new CListBarDialog(this, CurrentIndex());
    view->exec();
    delete view.data();
}

void CConfBarDialog::OnRepetitions() {
    if (Busy() || m_bar == nullptr || g_pBarList == nullptr) return;
    QPointer<CConfBarDialog> self(this);
    std::string text = plat::StrFormatC("%d", static_cast<int>(m_bar->repetitionsLeft));
    QPointer<ui::CInputDialog> input = new ui::CInputDialog(this, MsgString("T_SETRIP"), MsgString("S_RIPETIZ"), text, 6,
                                                            ui::kInputFilterInteger, false, true, 0, app::kMaxRepetitions);
    const int answer = input->exec();
    delete input.data();
    if (!self || answer != IDOK || m_bar == nullptr) return;
    uint16_t count = 0;
    if (!app::ParseRepetitionsText(text, &count)) {
        ShowBox("T_ERRORE", MsgError("ERR_LIMIT"), BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    if (count != m_bar->repetitionsLeft) {
        if (g_pBarList->SetBarRepetitionsLeft(m_index, count) != 0)
            ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        ShowBarData(kModeData);
    }
}

void CConfBarDialog::OnShowPieces() {
    if (Busy() || m_bar == nullptr || g_pBarList == nullptr) return;
    const int r = g_pBarList->ComputeBar(m_index, 0);
    if (r == 2) {
        ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    if (r != 0) return;
    if (m_bar->pieceCount >= 1) {
        QPointer<CVisBarPcs> view = new CVisBarPcs(this, m_bar);
        view->exec();
        delete view.data();
    } else {
        OnCompile();
    }
}

// ---------------------------------------------------------------- main window step

void CMainFrame::OnShowConfBar() {
    delete confBarDialog.data();
    auto* dialog = new CConfBarDialog(this);
    confBarDialog = dialog;
    dialog->show();
    if (dialog->isHidden() && !dialog->Closed()) ShowBox("T_ATTENZIONE", "Error creating Dialog ConfBarDialog");
}
