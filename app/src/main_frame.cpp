// The main window: creation, commands, status bars, timers, close and destruction.
#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QFontMetrics>
#include <QPainter>
#include <QSettings>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/about_dialog.h"
#include "app/message_dialog.h"
#include "app/qt_ui_services.h"
#include "app/startup_cnc.h"
#include "app/startup_logic.h"
#include "engine/bar_computation.h"
#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/params.h"
#include "app/path_table_qt.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/tool_table.h"
#include "machine/uvenlib_binding.h"
#include "msgtable/Dictavo.h"
#include "platform/clock.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "ui/DictavoQt.h"
#include "ui/OwnControls.h"
#include "ui/ResizeDialog.h"
#include "ui/main_window_state.h"
#include "ui/qt_text.h"
#include "ui/window_message.h"

CMainFrame* MainFrame = nullptr;
char g_baseTitle[kBaseTitleSize] = {};
char g_programVersion[kProgramVersionSize] = {};
char g_isoProgramPath[260] = {};

namespace {

const char* kLookSettingsOrg = "Nortavelli s.r.l.";
const char* kLookSettingsApp = "Brelon";

void CopyText(char* dest, std::size_t size, const std::string& text) {
    std::snprintf(dest, size, "%s", text.c_str());
}

// A tool-bar image whose disabled form is plainly faded: the style's own grey version of
// line drawings looks almost like the enabled one.
QIcon ToolIcon(const QIcon& source) {
    const QPixmap normal = source.pixmap(QSize(31, 32));
    QPixmap faded(normal.size());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.25);
    painter.drawPixmap(0, 0, normal);
    painter.end();
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(faded, QIcon::Disabled);
    return icon;
}

// The SHUTDOWN record of the event log, with the machine's log name.
void LogShutdown(CStatoCnc& cnc) {
    char name[kSettingsNameSize] = {};
    if (g_pSettings != nullptr) std::snprintf(name, sizeof name, "%s", g_pSettings->NOME_MACCHINA_LOG);
    cnc.LogLogon(0, name);
}

void WarningBox(const char* text) { ShowBox("T_ATTENZIONE", text, BoxButtons::Ok, BoxIcon::Warning); }

std::string ProgramDirPath(const char* file) {
    return std::string(g_pPathTable != nullptr ? (*g_pPathTable)[PathTable::kProgramDir] : "") + file;
}

} // namespace

void DeleteOutputFiles(int bar, int deb, int lav, int iso, int pcs) {
    if (bar != 0) DeleteFileRetry(ProgramDirPath("OUTPUT.BAR").c_str());
    if (deb != 0) DeleteFileRetry(ProgramDirPath("OUTPUT.DEB").c_str());
    if (lav != 0) DeleteFileRetry(ProgramDirPath("OUTPUT.LAV").c_str());
    if (iso != 0) DeleteFileRetry(ProgramDirPath("OUTPUT.ISO").c_str());
    if (pcs != 0) DeleteFileRetry(ProgramDirPath("OUTPUT.PCS").c_str());
}

void ReadConfMac() {
    const std::string path =
        std::string(g_pPathTable != nullptr ? (*g_pPathTable)[PathTable::kModuleDir] : "") + "ConfMac.dbg";
    const char* file = path.c_str();
    const int variant = VariantFromConfMac(plat::GetProfileInt("GENERAL", "ASSEX", 1, file),
                                           plat::GetProfileInt("GENERAL", "ASSEH", 1, file),
                                           plat::GetProfileInt("GENERAL", "ASSEP", 1, file));
    if (variant >= 0) {
        ApplyMachineVariant(variant);
        if (variant == 2 && g_pSettings != nullptr) g_pSettings->HeadCutSquare = g_pSettings->HeadCutAngled = 0;
    }
    if (g_pSettings == nullptr) return;
    MachineOptions& o = g_pSettings->options;
    o.BARR_SX = plat::GetProfileInt("GENERAL", "BARR_SX", 0, file);
    o.ASSEC = plat::GetProfileInt("GENERAL", "ASSEC", 0, file);
    o.MORSE_SUPP = plat::GetProfileInt("GENERAL", "MORSE_SUPP", 0, file);
    o.SLITTA_MAND1 = plat::GetProfileInt("GENERAL", "SLITTA_MAND1", 0, file);
    o.SCARICO_RAPIPO = plat::GetProfileInt("GENERAL", "SCARICO_RAPIPO", 0, file);
    o.MAGAZZINO_CARICO = plat::GetProfileInt("GENERAL", "MAGAZZINO_CARICO", 0, file);
}

CMainFrame::CMainFrame() {
    MainFrame = this;
    g_isoProgramPath[0] = '\0';
    QSettings looks(kLookSettingsOrg, kLookSettingsApp);
    currentLook = looks.value("ApplicationLook", static_cast<int>(ID_LOOK_SILVER)).toInt();
    setObjectName("CMainFrame");
    ui::SetMainWindowListOpenQuery([] { return MainFrame != nullptr && MainFrame->listActive != 0; });
}

int CMainFrame::OnCreate() {
    BuildMenuBar();
    if (g_msgStrings != nullptr) ui::TranslateMenu(*g_msgStrings, this);
    ApplyLook(ID_LOOK_SILVER);
    BuildToolBar();
    BuildStatusBars();
    RefreshCommandStates();

    CreateCncState();

    MachineSettings* s = g_pSettings;
    if (s != nullptr) {
        // A directory key refused at the settings' load is named before the loads that miss it.
        for (const RefusedDirectoryKey& refused : s->refusedDirectoryKeys)
            WarningBox(RefusedDirectoryKeyText(refused, PathSlot(PathTable::kConfigPar)).c_str());
        if (LoadAllParameters(*s) != 0) {
            s->ConfigChanged = 1;
            WarningBox(g_errorText);
        }
        if (LoadBaseParameters(*s) != 0) {
            s->ParamChanged = 1;
            WarningBox(g_errorText);
        }
    }

    // Version of the program's own file: the build's version, major.minor (and the third
    // part when it is not 0).
    if (BRELON_VERSION_PATCH > 0)
        std::snprintf(g_programVersion, sizeof g_programVersion, "%u.%u/%u", BRELON_VERSION_MAJOR,
                      BRELON_VERSION_MINOR, BRELON_VERSION_PATCH);
    else
        std::snprintf(g_programVersion, sizeof g_programVersion, "%u.%u", BRELON_VERSION_MAJOR, BRELON_VERSION_MINOR);

    CopyText(g_baseTitle, sizeof g_baseTitle,
             ComposeBaseTitle(MachineVariant, g_programVersion, g_decentredRalla, g_machineOption, g_machineConnected));
    setWindowTitle(ui::ToQt(g_baseTitle));

    delete g_pRallaTools;
    g_pRallaTools = new RallaToolSet(s != nullptr ? s->CK_LIMITS : 1);
    if (g_pRallaTools->LoadTools() != 0) {
        if (s != nullptr) s->ToolsChanged = 1;
        WarningBox(g_errorText);
    }

    // Variant 1: the two blade records of the tool table (none after a failed parameter load:
    // the blade values are not known then). An unreadable table is reported and the creation
    // goes on (the status timer must run whatever the tool table holds).
    if (MachineVariant == 1 && AppendMissingBladeRecords() != 0) WarningBox(g_errorText);

    if (s != nullptr && s->IMPORT_DEFPRO == 2) {
        s->SetImportDefpro(1);
        MessageBoxRequest r;
        r.title = "T_ATTENZIONE";
        r.text = MsgString("M_WARNING_DEFPRO");
        r.icon = BoxIcon::Warning;
        r.scaled = false;
        Ui().ShowMessageBox(r);
    }

    if (g_machineConnected == 1) m_timers.Set(kStatusTimerId, StatusTimerPeriod(ReadStatusTimer()));

    if (m_closeAfterCreate) {
        Post(WM_CLOSE, 0, 0);
        return 0;
    }
    if (g_testRun != 0 && g_testAutoConfirm != 0) Post(UWM_OPEN_LIST, 0, 0);
    return 0;
}

void CMainFrame::CreateCncState() {
    delete g_pCncState;
    g_pCncState = nullptr;
    // A controller whose machine is not known is never worked on: the operator chose office
    // mode, or a termination request ended the wait (the window closes once it is made).
    if (g_machineConnected == 1) {
        StartUpHooks hooks;
        hooks.showWait = [this](const std::string& text) { ShowStartWait(text); };
        hooks.askRetry = [](const std::string& text, bool canRetry) {
            MessageBoxRequest r;
            r.title = "T_ATTENZIONE";
            r.text = text;
            r.buttons = canRetry ? BoxButtons::RetryCancel : BoxButtons::Ok;
            r.icon = BoxIcon::Warning;
            return Ui().ShowMessageBox(r) == IDRETRY && canRetry;
        };
        hooks.tell = [](const std::string& text) { WarningBox(text.c_str()); };
        hooks.stopRequested = [this] { return m_startWaitStop; };
        m_inStartWait = true;
        const OnlineStart started = CreateOnlineCncState(hooks);
        m_inStartWait = false;
        ShowStartWait("");
        if (started != OnlineStart::kOnline) g_machineConnected = 0;
        if (started == OnlineStart::kStopped) m_closeAfterCreate = true;
    }
    if (g_machineConnected != 1) {
        g_pCncState = new CStatoCnc();
        ReadConfMac();
    }
    // The panes take their colours for the mode now known.
    for (int i = 0; i < kBar1PaneCount; ++i) SetPaneText(kBar1FirstPane + i, "");
    for (int i = 0; i < kBar2PaneCount; ++i) SetPaneText(kBar2FirstPane + i, "");
}

void CMainFrame::ShowStartWait(const std::string& text) {
    if (text.empty()) {
        if (!m_startWaitCursor) return;
        m_startWaitCursor.reset();
        m_startWaitShown = false;
        LayoutBars();
        SetPaneText(kStartWaitPane, "");
        return;
    }
    if (!m_startWaitCursor) {
        // The window is shown for the wait (the start-up shows it maximised after its
        // creation anyway), so the operator sees what the program waits for.
        if (!isVisible()) showMaximized();
        m_startWaitCursor.emplace();
        m_startWaitShown = true;
        LayoutBars();
    }
    SetPaneText(kStartWaitPane, text);
    // A termination request reaches the wait here.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int CMainFrame::ReadStatusTimer() const {
    if (g_pPathTable == nullptr) return 250;
    return plat::GetProfileInt("GENERAL", "STATUS_TIMER", 250, g_pPathTable->ConfigPar());
}

// ---------------------------------------------------------------- bars

void CMainFrame::BuildMenuBar() {
    QMenuBar* bar = menuBar();
    bar->clear();
    m_actions.clear();
    auto command = [this](QWidget* menu, const char* key, int id) {
        auto* a = new QAction(QString::fromLatin1(key), menu);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        menu->addAction(a);
        m_actions[id] = a;
        return a;
    };
    auto popup = [this](QWidget* parent, const char* key) {
        auto* m = new QMenu(QString::fromLatin1(key), parent);
        connect(m, &QMenu::aboutToShow, this, [this] { RefreshCommandStates(); });
        if (auto* mb = qobject_cast<QMenuBar*>(parent)) mb->addMenu(m);
        else if (auto* pm = qobject_cast<QMenu*>(parent)) pm->addMenu(m);
        return m;
    };

    QMenu* file = popup(bar, "M_FILE");
    command(file, "M_OPENLIST", ID_OPEN_LIST);
    file->addSeparator();
    command(file, "M_OPENISO", ID_OPEN_ISO);
    file->addSeparator();
    command(file, "M_EXIT", ID_APP_EXIT);
    command(bar, "M_UTENSILI", ID_TOOLS);
    QMenu* params = popup(bar, "M_PARAMETRI");
    command(params, "M_PAR_FRESA", ID_PAR_FRESA);
    params->addSeparator();
    command(params, "M_PAR_TRONCA", ID_PAR_TRONCA);
    params->addSeparator();
    command(params, "M_PROFILO", ID_PROFILO);
    params->addSeparator();
    command(params, "M_STATUS", ID_STATUS);
    command(bar, "M_INFO", ID_SHOW_LAV);
    QMenu* options = popup(bar, "M_OPZIONI");
    command(options, "M_PREFER", ID_PREFER);
    options->addSeparator();
    command(options, "M_LABEL", ID_LABEL);
    command(bar, "M_MSG", ID_MSG);
    QMenu* config = popup(bar, "M_CONFIG");
    QMenu* milling = popup(config, "M_PAR_FRESA");
    command(milling, "M_CONF_GEN1", ID_CONF_GEN1);
    milling->addSeparator();
    command(milling, "M_CONF_GEN2", ID_CONF_GEN2);
    milling->addSeparator();
    command(milling, "M_OFFSETRALLA", ID_OFFSET_RALLA);
    milling->addSeparator();
    command(milling, "M_OFFSETRALLA2", ID_OFFSET_RALLA2);
    config->addSeparator();
    QMenu* cutoff = popup(config, "M_PAR_TRONCA");
    command(cutoff, "M_PAR_TRONCA1", ID_PAR_TRONCA1);
    cutoff->addSeparator();
    command(cutoff, "M_PAR_TRONCA2", ID_PAR_TRONCA2);
    cutoff->addSeparator();
    command(cutoff, "M_PAR_TRONCA3", ID_PAR_TRONCA3);
    cutoff->addSeparator();
    command(cutoff, "M_PAR_TRONCA4", ID_PAR_TRONCA4);
    cutoff->addSeparator();
    command(cutoff, "M_PAR_TRONCA5", ID_PAR_TRONCA5);
    config->addSeparator();
    command(config, "T_TCONFLINK", ID_CONF_LINK);
    command(bar, "?", ID_APP_ABOUT);

    // The menu bar's font: Tahoma bold, by screen width.
    QFont font("Tahoma");
    const int w = ScreenWidth();
    font.setPixelSize(w < 801 ? 14 : w <= 1024 ? 18 : 22);
    font.setWeight(QFont::Bold);
    bar->setFont(font);
}

void CMainFrame::BuildToolBar() {
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName("id_129");
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(31, 32));
    m_toolBar->setContentsMargins(1, 1, 1, 1);
    struct Button {
        int id;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {ID_OPEN_LIST, QStyle::SP_DialogOpenButton},   {ID_TOOLS, QStyle::SP_DriveHDIcon},
        {ID_PAR_FRESA, QStyle::SP_FileDialogDetailedView}, {ID_PAR_TRONCA, QStyle::SP_FileDialogListView},
        {ID_PROFILO, QStyle::SP_FileDialogContentsView}, {ID_SHOW_LAV, QStyle::SP_FileDialogInfoView},
        {ID_PREFER, QStyle::SP_ComputerIcon},          {ID_LABEL, QStyle::SP_FileIcon},
        {ID_MSG, QStyle::SP_MessageBoxInformation},
    };
    bool first = true;
    for (const Button& b : buttons) {
        if (!first) m_toolBar->addSeparator();
        first = false;
        const int id = b.id;
        QAction* menuAction = Action(id);
        QAction* a = m_toolBar->addAction(ToolIcon(style()->standardIcon(b.icon)), menuAction ? menuAction->text() : QString());
        a->setData(id);
        a->setObjectName(QString("tb_%1").arg(id));
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::BuildStatusBars() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new ui::CBackgroundView(client);
    m_view->setObjectName("view");
    layout->addWidget(m_view, 1);
    auto makeBar = [&](int barId, int firstPane, int count) {
        auto* sb = new ui::CMFCColoredSB(client);
        sb->setObjectName(QString("id_%1").arg(barId));
        std::vector<int> ids;
        for (int i = 0; i < count; ++i) ids.push_back(firstPane + i);
        sb->SetIndicators(ids);
        sb->SetPaneStyle(0, ui::CMFCColoredSB::kNormal);
        layout->addWidget(sb);
        return sb;
    };
    m_statusBar1 = makeBar(kStatusBar1Id, kBar1FirstPane, kBar1PaneCount);
    m_statusBar2 = makeBar(kStatusBar2Id, kBar2FirstPane, kBar2PaneCount);
    setCentralWidget(client);
    LayoutBars();
}

void CMainFrame::LayoutBars() {
    const int width = this->width();
    for (ui::CMFCColoredSB* sb : {m_statusBar1, m_statusBar2}) {
        if (sb == nullptr || sb->PaneCount() == 0) continue;
        const int paneWidth = width / sb->PaneCount();
        for (int i = 0; i < sb->PaneCount(); ++i) sb->SetPaneWidth(i, std::max(paneWidth - 2, 1));
        // The start-up wait's text takes the whole bar while it shows (the other panes are
        // still empty then), so it reads whole on every screen.
        const int waitPane = sb->CommandToIndex(kStartWaitPane);
        if (m_startWaitShown && waitPane >= 0) {
            for (int i = 0; i < sb->PaneCount(); ++i) sb->SetPaneWidth(i, 0);
            sb->SetPaneWidth(waitPane, std::max(width - 2 * sb->PaneCount() - 2, 1));
        }
        // The font shrinks (down to 8 pixels) until an axis position of the widest form fits
        // its pane, so a narrow screen never cuts a position short.
        QFont font = QApplication::font();
        int pixels = 13;
        for (; pixels > 8; --pixels) {
            font.setPixelSize(pixels);
            if (QFontMetrics(font).horizontalAdvance("X: -8888.88") <= paneWidth - 8) break;
        }
        font.setPixelSize(pixels);
        sb->setFont(font);
    }
}

void CMainFrame::SetPaneText(int paneId, const std::string& text) {
    for (ui::CMFCColoredSB* sb : {m_statusBar1, m_statusBar2}) {
        if (sb == nullptr) continue;
        const int index = sb->CommandToIndex(paneId);
        if (index < 0) continue;
        sb->SetPaneText(index, ui::ToQt(text));
        sb->SetPaneBackgroundColor(index, PaneBackground(paneId, text, g_machineConnected == 1));
        return;
    }
}

std::string CMainFrame::PaneText(int paneId) const {
    for (ui::CMFCColoredSB* sb : {m_statusBar1, m_statusBar2}) {
        if (sb == nullptr) continue;
        const int index = sb->CommandToIndex(paneId);
        if (index >= 0) return ui::FromQt(sb->PaneText(index));
    }
    return {};
}

// ---------------------------------------------------------------- commands

QAction* CMainFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::ApplyLook(int id) {
    WaitCursor wait;
    currentLook = id;
    QColor base;
    switch (id) {
    case ID_LOOK_BLUE: base = QColor(0xD5, 0xE4, 0xF2); break;
    case ID_LOOK_BLACK: base = QColor(0x9A, 0x9A, 0x9A); break;
    case ID_LOOK_AQUA: base = QColor(0xD9, 0xEC, 0xEE); break;
    default: base = QColor(0xE6, 0xE9, 0xED); break; // silver
    }
    QPalette p = palette();
    p.setColor(QPalette::Window, base);
    p.setColor(QPalette::Button, base);
    setPalette(p);
    update();
    QSettings looks(kLookSettingsOrg, kLookSettingsApp);
    looks.setValue("ApplicationLook", id);
}

void CMainFrame::SetListTitle(int active, const char* name) {
    listActive = active;
    char title[201];
    if (active != 0 && name != nullptr)
        std::snprintf(title, sizeof title, "%s", ComposeListTitle(g_baseTitle, name).c_str());
    else
        std::snprintf(title, sizeof title, "%s", g_baseTitle);
    setWindowTitle(ui::ToQt(title));
    if (g_pCncState != nullptr) {
        if (active != 0 && name != nullptr) g_pCncState->LogJob(name, -1, -1);
        else if (active == 0) g_pCncState->LogJob(nullptr, -1, -1);
    }
    RefreshCommandStates();
}

bool CMainFrame::GetViewPlacement(WinRect& placement) const {
    if (m_view == nullptr) return false;
    const QPoint topLeft = m_view->mapTo(this, QPoint(0, 0));
    placement = WinRect{topLeft.x(), topLeft.y(), topLeft.x() + m_view->width(), topLeft.y() + m_view->height()};
    return true;
}

WinRect CMainFrame::ViewScreenRect() const {
    if (m_view == nullptr) return {};
    const QPoint g = m_view->mapToGlobal(QPoint(0, 0));
    return WinRect{g.x(), g.y(), g.x() + m_view->width(), g.y() + m_view->height()};
}

// ---------------------------------------------------------------- messages and events

void CMainFrame::Post(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    QCoreApplication::postEvent(this, new ui::WindowMessageEvent(msg, static_cast<uintptr_t>(wParam), lParam));
}

bool CMainFrame::event(QEvent* e) {
    if (e->type() == ui::WindowMessageEvent::EventType()) {
        const auto* m = static_cast<ui::WindowMessageEvent*>(e);
        switch (m->Msg()) {
        case UWM_OPEN_LIST: OnOpenList(); break;
        case UWM_SHOW_SELBAR: OnShowSelBar(); break;
        case UWM_SHOW_CONFBAR: OnShowConfBar(); break;
        case UWM_OPEN_ISO: OnOpenIso(); break;
        case UWM_EXEC_ISO: OnExecIso(); break;
        case UWM_SHOW_LAV: OnShowLavFile(); break;
        case UWM_SHOW_PCS: OnShowPcsFile(); break;
        case WM_CLOSE: close(); break;
        default: break;
        }
        return true;
    }
    return QMainWindow::event(e);
}

void CMainFrame::timerEvent(QTimerEvent* e) {
    const int id = m_timers.IdOf(e->timerId());
    if (id == kStatusTimerId && g_machineConnected == 1) {
        // Killed during its own poll and re-armed after, so polls never overlap; a changed
        // STATUS_TIMER takes effect from the next tick.
        m_timers.Kill(kStatusTimerId);
        if (g_pCncState != nullptr) g_pCncState->PollStatus(kStatusTimerId);
        if (!m_destroying) m_timers.Set(kStatusTimerId, StatusTimerPeriod(ReadStatusTimer()));
        return;
    }
    QMainWindow::timerEvent(e);
}

bool CMainFrame::CanClose() const {
    if (executionRunning != 0) return false;
    if (g_machineConnected == 1 && g_pCncState != nullptr && g_pCncState->GetR454() != 0) return false;
    return true;
}

void CMainFrame::OnTerminationRequest() {
    if (m_inStartWait) {
        // During the start-up's wait nothing more is read from the controller (a read now
        // could raise its own box): the wait ends, its boxes end, and the window closes once
        // its creation is done.
        m_startWaitStop = true;
        app::EndAllMessageBoxes();
        return;
    }
    if (!CanClose()) {
        std::fprintf(stderr, "[%s] %s\n", MsgString("T_ATTENZIONE"), MsgError("NO_EMERGENCY"));
        return;
    }
    app::EndAllMessageBoxes();
    close();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    if (!CanClose()) {
        ShowBox("T_ATTENZIONE", MsgError("NO_EMERGENCY"), BoxButtons::Ok, BoxIcon::Warning);
        e->ignore();
        return;
    }
    e->accept();
}

void CMainFrame::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    LayoutBars();
    WinRect view;
    if (!GetViewPlacement(view)) return;
    for (QDialog* d : {selBarDialog.data(), confBarDialog.data()})
        if (auto* rd = qobject_cast<ui::CResizeDialog*>(d); rd != nullptr && rd->isVisible()) rd->FitToMainView(view);
    if (auto* rd = qobject_cast<ui::CResizeDialog*>(execDialog.data()); rd != nullptr && rd->isVisible())
        rd->PlaceOverMainView(view, ViewScreenRect());
}

void CMainFrame::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    WinRect view;
    if (!GetViewPlacement(view)) return;
    if (auto* rd = qobject_cast<ui::CResizeDialog*>(execDialog.data()); rd != nullptr && rd->isVisible())
        rd->PlaceOverMainView(view, ViewScreenRect());
}

// ---------------------------------------------------------------- reports

void CMainFrame::ShowReport(const char* fileName) {
    const std::string path = ProgramDirPath(fileName);
    if (IsFileReadable(path.c_str())) {
        OpenInNotepad(path.c_str());
        return;
    }
    MessageBoxRequest r;
    r.title = "T_ATTENZIONE";
    r.text = MsgString("M_NO_INFO");
    r.icon = BoxIcon::Warning;
    r.taskModal = false;
    Ui().ShowMessageBox(r);
}

void CMainFrame::OnShowLavFile() { ShowReport("OUTPUT.LAV"); }
void CMainFrame::OnShowPcsFile() { ShowReport("OUTPUT.PCS"); }

// ---------------------------------------------------------------- destruction

void CMainFrame::DeleteJobDialogs() {
    delete selBarDialog.data();
    delete confBarDialog.data();
}

CMainFrame::~CMainFrame() {
    m_destroying = true;
    m_timers.KillAll();
    if (g_pCncState != nullptr) LogShutdown(*g_pCncState);
    delete g_pCncState;
    g_pCncState = nullptr;
    DeleteJobDialogs();
    delete g_pBarList;
    g_pBarList = nullptr;
    delete execDialog.data();
    delete execIsoDialog.data();
    delete g_pRallaTools;
    g_pRallaTools = nullptr;
    MainFrame = nullptr;
}
