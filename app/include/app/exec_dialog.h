#pragma once
// CExecDialog: the execution monitor of one confirmed bar, run inside a CModelessDialog host
// while the controller works the bar's part program. It watches the controller on timer 1,
// counts finished pieces and repetitions, shows the bar and the last finished piece, writes
// the time log, the bar-code and unloading files and the event log, has a label printed for
// every finished piece on timer 2, and ends by posting its result (1 finished, 2 aborted) to
// its host.
#include <QPointer>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/label_job.h"
#include "app/window_timers.h"
#include "machine/ui_services.h"
#include "ui/ResizeDialog.h"

class QProgressBar;
class BarComputation;
struct BarRecord;
struct WorkingPiece;

namespace ui {
class CModelessDialog;
class CColorLabel;
class MViewDXFStatic;
} // namespace ui

namespace app {
class ExecPicture;
}

class CExecDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 411;
    static constexpr int kWatchTimer = 1;
    static constexpr int kPrintTimer = 2;

    // Control ids of the template.
    enum ControlId : int {
        kIdBreak = 1,          // stop at bar end
        kIdStop = 2,           // stop now
        kIdList = 267,
        kIdDrawing = 407,
        kIdRepProgress = 413,
        kIdPieceProgress = 415,
        kIdStatus = 416,
        kIdFrame = 424,
        kIdBarTime = 426,
        kIdRepText = 427,
        kIdPieceText = 428,
        kIdSeries = 382,
        kIdCode = 387,
        kIdColour = 384,
        kIdBarName = 442,
        kIdPieceName = 191,
        kIdLength = 388,
        kIdAngles = 386,
        kIdMachinePic = 1070,
        kIdRedLamp = 1071,
        kIdBarPic2 = 1072,
        kIdBarPic1 = 1073,
        kIdYellowLamp = 1074,
        kIdGreenLamp = 1075,
    };

    // host: the modeless host (also the parent); barIndex among the confirmed bars; step: the
    // repetitions to run now; autoStart: the bar was confirmed without the operator.
    CExecDialog(ui::CModelessDialog* host, int barIndex, int barCount, int step, int autoStart);
    ~CExecDialog() override;

    void OnInitDialog() override;
    // UM_EXEC_START: print port, label run flags, the watch timer, the automatic start.
    void OnStartJob();
    // Timer 1 (the watch) and timer 2 (the label print); tests call it directly.
    void OnTimer(int id);
    // Button 1: stop at the end of the bar, on and off.
    void OnOK();
    // Button 2: stop now, after the operator's confirmation.
    void OnCancel();
    // Button 267: the bar list view, modal.
    void OnShowList();
    // Ends the run: timers off, last labels out, end notice, result posted to the host.
    void EndJob(int result);
    // One piece finished.
    void UpdateJobStatus();
    bool StartCncTimer();
    bool StartPrintTimer(int factor);
    // Shows text in the status line in colorRef (0x00BBGGRR) unless it is the text shown.
    void SetStatusText(const char* text, uint32_t colorRef);
    // 0 no lamp and no stop-at-bar-end button, 1 red, 2 yellow, 3 green.
    void ShowBreakState(int state);

    // Timers that are only recorded, never started (tests drive OnTimer themselves).
    static void SetManualTimers(bool manual);
    bool TimerArmed(int id) const;
    int TimerPeriod(int id) const;

    // State, for the tests and the main window.
    int Phase() const { return m_phase; }
    int PiecesDone() const { return m_piecesDone; }
    int PiecesDoneAtStart() const { return m_piecesDoneAtStart; }
    int RepetitionsDone() const { return m_repetitionsDone; }
    int RepetitionsLeft() const { return m_repetitionsLeft; }
    int PieceCount() const { return m_pieceCount; }
    int LastPiece() const { return m_labelState.lastPiece; }
    float PiecesCounted() const { return m_piecesCounted; }
    bool AbortRequested() const { return m_abortRequested != 0; }
    bool StopAtBarEnd() const { return m_stopAtBarEnd != 0; }
    bool AllRepetitionsDone() const { return m_labelState.allRepetitionsDone != 0; }
    int AutoStart() const { return m_autoStart; }
    int BreakState() const { return m_breakState; }
    const std::string& StatusText() const { return m_statusText; }
    // The result EndJob gave, 0 while the run goes on.
    int EndResult() const { return m_endResult; }
    QString ControlText(int id) const;

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // Enter and Esc, and the close box, act as the two buttons.
    void accept() override;
    void reject() override;

private:
    void BuildDialog();
    // One tick of timer 1 or 2; its notices wait in m_notices.
    void RunTick(int id);
    bool SetTimer(int id, int periodMs);
    void KillTimer(int id);
    BarComputation* List() const;
    const WorkingPiece* PieceAt(int index) const;
    void FetchBarTime();
    void ShowBarTime();
    // The bar's PIECE line with timeText, and a MULTI line per piece from fromPiece to toPiece.
    void LogBarSummary(int pieceCountLogged, int fromPiece, int toPiece, const std::string& timeText);
    void RecordLoadedBar();
    void ShowCounts();
    void ShowFrameTitle();
    void SetControlText(int id, const std::string& text);
    void SetStatusFromMachine(bool allowStartMsg);
    void WatchTick();
    void FlushPendingLabels();
    void WaitForPrintPort();
    // The stop-now of the operator's Yes: the machine stops and the watch ends the run.
    void StopNow();
    // The job's record (machine/bar_progress.h) as the run stands: with MEM_PEZZI the bar's
    // progress and a finished repetition not yet counted in the list, and what the run still
    // owes its finished pieces (labels waiting or an offcut not yet labelled, supervisor lines
    // not yet written); written in one replacement whenever it differs from the file. A record
    // that cannot be kept is told once, naming the file.
    void RecordOwedPrints();
    // The supervisor lines of every repetition this run finished and did not log yet.
    void LogFinishedBars(bool atLeastOne);
    // The bar time the controller gave, shown and the bar's supervisor lines written.
    void LogArrivedBarTime();
    // The watch cannot go on with what the controller reports (a piece counter that went back,
    // another program's code): the program is stopped, the run ends, and the box names what
    // was read.
    void EndWatchOnBadReading(const std::string& what);
    // Notices of a tick wait here and are shown once the tick returned, outside any timer
    // event, so that the watch goes on behind their boxes.
    friend class DeferredNotices;
    void ShowDeferredNotices();
    void PostShowNotices();

    ui::CModelessDialog* m_host;
    int m_step;
    int m_barIndex;
    BarRecord* m_bar = nullptr;
    int m_repetitionsLeft = 0;
    int m_pieceCount = 1;
    int m_barCount;
    int m_piecesDone = 0;
    int m_piecesDoneAtStart = 0;
    int m_repetitionsDone = 0;
    int m_barsLogged = 0; // bars of this run whose supervisor lines are written
    int m_repetitionsAfterPending = -1; // a finished repetition's count the list does not hold yet
    int m_barRecorded = 0;
    int m_manualLoadingSeen = 0;
    std::string m_statusText;
    int m_abortRequested = 0;
    int m_stopAtBarEnd = 0;
    app::LabelRunState m_labelState; // first label pending, all repetitions done, last piece
    float m_piecesCounted = 0.0f;
    int m_phase = 0;
    int m_autoStart;
    uint8_t m_shown = 0;
    QPointer<QDialog> m_listDialog;

    int m_breakState = 3;
    int m_endResult = 0;
    bool m_inTick = false;
    bool m_askingStop = false;  // the stop-now question is open
    bool m_readingBad = false;  // the controller's counter or code could not be trusted: nothing more is counted
    std::vector<MessageBoxRequest> m_notices; // told by a tick, not yet shown
    bool m_showingNotices = false;
    bool m_noticesPosted = false;
    std::vector<std::string> m_unloggedPieces; // finished, their supervisor lines not yet written
    app::WindowTimers m_timers{this};
    std::map<int, int> m_manualTimers;
    std::map<int, QWidget*> m_widgets; // controls made outside the dialog table
    ui::MViewDXFStatic* m_drawing = nullptr;
    QProgressBar* m_repProgress = nullptr;
    QProgressBar* m_pieceProgress = nullptr;
};
