#pragma once
// CMainFrame: the program's single main window. Its creation builds the CNC state object,
// decides the machine variant, loads the machine parameters and the ralla tool set, composes
// the title and, on-line, starts the status timer. Every command lands here, and a job runs as
// a chain of private messages posted to it.
#include "app/path_table_qt.h"
#include <QMainWindow>
#include <QPointer>
#include <map>
#include <optional>
#include <memory>
#include <string>

#include "app/app_ids.h"
#include "app/window_timers.h"
#include "machine/ui_services.h"
#include "machine/window_scale.h"

class QAction;
class QToolBar;
class CStatoCncOn;
class QMenuBar;
#include <QDialog>

namespace ui {
class CMFCColoredSB;
class CBackgroundView;
} // namespace ui

inline constexpr std::size_t kBaseTitleSize = 100;
inline constexpr std::size_t kProgramVersionSize = 30;
extern char g_baseTitle[kBaseTitleSize];
extern char g_programVersion[kProgramVersionSize];
extern char g_isoProgramPath[260];

class CMainFrame : public QMainWindow, public IWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // The window's creation (menu and tool bars, view, status bars, CNC state object, variant,
    // parameters, tools, title, status timer). -1 when a bar or the view cannot be made.
    int OnCreate();

    // IWindow: posts a private message, handled later in its own turn of the event loop.
    void Post(uint32_t msg, intptr_t wParam, intptr_t lParam) override;

    // A menu or tool-bar command.
    void OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    // The configuration gate in front of the configuration commands: true when the command
    // may proceed (configUnlocked set by the level-2 password).
    bool CheckConfigPassword();
    QAction* Action(int id) const;

    void SetListTitle(int active, const char* name);
    // The next list of the automatic test run: 1 with path set, 2 when there is none.
    int NextTestListFile(std::string& path);
    // The view's normal rectangle in the frame's client coordinates.
    bool GetViewPlacement(WinRect& placement) const;
    WinRect ViewScreenRect() const;

    // Status panes (ids 292..303 and 312..319); unknown ids are ignored.
    void SetPaneText(int paneId, const std::string& text);
    std::string PaneText(int paneId) const;
    ui::CMFCColoredSB* StatusBar1() const { return m_statusBar1; }
    ui::CMFCColoredSB* StatusBar2() const { return m_statusBar2; }
    ui::CBackgroundView* View() const { return m_view; }
    const app::WindowTimers& Timers() const { return m_timers; }
    // Whether a close request would be granted now.
    bool CanClose() const;
    // A termination request (SIGTERM, SIGINT, SIGHUP). When a close is granted now, every box
    // open or still to come ends as refused and the window closes, so the program ends through
    // its ordered shutdown however many boxes it had to show. While a bar runs the close is
    // refused and nothing changes: the boxes still ask, the bar and the program go on, and the
    // request is not kept (it is said on the standard error).
    void OnTerminationRequest();

    // ---- fields read and written by the job dialogs ----
    int listActive = 0;
    uint8_t executionRunning = 0;
    int firstList = 1;
    int configUnlocked = 0;
    int listsOpened = 0;
    char listPath[260] = {};
    uint8_t listRunning = 0;
    uint8_t lastBar = 0;
    int32_t nextBarLength1 = 0;
    int32_t nextBarLength2 = 0;
    int firstBarPending = 0;
    std::string cncTimeText;
    double listTime = 0.0;
    char timeLogPath[260] = {};
    uint8_t timeLogFresh = 0;
    int currentLook = ID_LOOK_SILVER;

    // The dialogs of a job (CSelBarDialog, CConfBarDialog, CExecDialog, CExecIsoDialog), each
    // owned here: deleted when replaced and by the destructor. Guarded pointers: a dialog that
    // deletes itself leaves a null here, so it is never deleted a second time.
    QPointer<QDialog> selBarDialog;
    QPointer<QDialog> confBarDialog;
    QPointer<QDialog> execDialog;
    QPointer<QDialog> execIsoDialog;

    // Job steps: each handler of a private message (filled in by the job's dialogs).
    void OnOpenList();
    void OnShowSelBar();
    void OnShowConfBar();
    void OnOpenIso();
    void OnExecIso();
    void OnShowLavFile();
    void OnShowPcsFile();

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void BuildMenuBar();
    void BuildToolBar();
    void BuildStatusBars();
    void CreateCncState();
    // The start-up wait's text in its status pane, with the wait cursor; "" ends the wait.
    void ShowStartWait(const std::string& text);
    // Unattended: a list that cannot be opened written to the output and the next one asked
    // for (true); otherwise false.
    bool NextListUnattended(const std::string& text);
    void LayoutBars();
    void RefreshCommandStates();
    void ApplyLook(int id);
    void ShowReport(const char* fileName);
    void DeleteJobDialogs();
    int ReadStatusTimer() const;

    std::map<int, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    ui::CBackgroundView* m_view = nullptr;
    ui::CMFCColoredSB* m_statusBar1 = nullptr;
    ui::CMFCColoredSB* m_statusBar2 = nullptr;
    app::WindowTimers m_timers{this};
    bool m_destroying = false;
    // The start-up's wait for the controller: running, its cursor, asked to stop by a
    // termination request, and the close that request asks once the window is made.
    bool m_inStartWait = false;
    bool m_startWaitShown = false;
    bool m_startWaitStop = false;
    bool m_closeAfterCreate = false;
    std::optional<WaitCursor> m_startWaitCursor;
};

// The main window (null before its construction and after its destruction).
extern CMainFrame* MainFrame;

// Deletes the selected OUTPUT.* files of the program directory.
void DeleteOutputFiles(int bar, int deb, int lav, int iso, int pcs);
// The office machine description: the variant and options from "ConfMac.dbg" in the module
// directory (defaults when the file is missing).
void ReadConfMac();
