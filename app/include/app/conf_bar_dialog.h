#pragma once
// CConfBarDialog: the modeless confirmation of the selected bars, one after the other. It shows
// the current bar with its tool set-up against the mounted one; on confirmation it computes the
// bar, writes its part program and starts it on the controller, then runs the execution
// monitor when the controller accepted the start. After the bars it closes the run.
#include <QPointer>
#include <cstdint>
#include <string>

#include "machine/bar_progress.h"
#include "app/job_logic.h"
#include "machine/ui_services.h"
#include "ui/ResizeDialog.h"

struct BarRecord;
class BarComputation;
class FineListe;

class CConfBarDialog : public ui::CResizeDialog, public IWindow {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 398;
    // Control ids.
    static constexpr int kIdCutType = 254;
    static constexpr int kIdStepBox = 375;
    static constexpr int kIdBarNumber = 377;
    static constexpr int kIdName = 191;
    static constexpr int kIdMachinings = 379;
    static constexpr int kIdPieces = 393;
    static constexpr int kIdSeries = 382;
    static constexpr int kIdCode = 387;
    static constexpr int kIdColour = 384;
    static constexpr int kIdLength = 388;
    static constexpr int kIdAngles = 386;
    static constexpr int kIdLoadType = 390;
    static constexpr int kIdRepetitionsLeft = 394;
    static constexpr int kIdCompile = 373;
    static constexpr int kIdSkip = 374;
    static constexpr int kIdList = 267;
    static constexpr int kIdRepetitions = 376;
    static constexpr int kIdPieceView = 1042;
    // Tool values T1..T8 and their captions.
    static constexpr int kToolIds[8] = {365, 366, 367, 368, 1091, 1093, 1095, 1097};
    static constexpr int kToolCaptionIds[8] = {369, 370, 371, 372, 1092, 1094, 1096, 1098};
    // Flag bits.
    static constexpr int kFlagSetupDiffers = 1;
    static constexpr int kFlagOutputsDeleted = 4;
    // A command posted to the dialog itself (wParam: the command id).
    static constexpr uint32_t kMsgCommand = 0x0111;

    explicit CConfBarDialog(QWidget* parent);
    ~CConfBarDialog() override;

    void OnInitDialog() override;
    // IWindow: the controller's answer to the program start arrives here.
    void Post(uint32_t msg, intptr_t wParam, intptr_t lParam) override;

    // The full refresh of the shown bar after a run ended (the execution monitor calls it from
    // its end): its flags cleared, its tools compared again with the set-up now mounted, so the
    // bar's next repetition may go on by itself and deletes the output files before its program.
    // It never advances to another bar, closes the run or confirms: the dialog does those once
    // the monitor has returned.
    void RefreshBarDisplay();
    // Position of the shown bar among the confirmed bars (from 0) and their number.
    int CurrentIndex() const { return m_index; }
    int BarCount() const { return m_count; }

    // Modes of ShowBarData.
    enum { kModeSkip = 1, kModeFull = 2, kModeData = 3, kModeAfterRun = 4 };
    void ShowBarData(int mode);
    // 0 ready, 1 refused or failed, 2 the bar failed to load.
    int PrepareBarProgram(int forMachine, int* repetitions);
    void CloseRun();

    BarRecord* CurrentBar() const { return m_bar; }
    int Flags() const { return m_flags; }
    int AutomaticFlag() const { return m_automatic; }
    int RepetitionsToRunNow() const { return m_repetitions; }
    // A start is requested and its answer not yet in, or the monitor runs.
    bool StartPending() const { return m_startPending; }
    bool Running() const { return m_running; }
    bool Closed() const { return m_closed; }
    // Control text (tests and the monitor's look at the dialog).
    QString ControlText(int id) const;

public slots:
    void OnOK();
    void OnCancel();
    void OnCompile();
    void OnSkip();
    void OnShowList();
    void OnRepetitions();
    void OnShowPieces();
    void OnCncCmdResult(int code);
    void reject() override { OnCancel(); }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void OnOkButton();
    bool Busy() const { return m_startPending || m_running || m_closed; }
    // The shown bar's record in the bar progress file, as every reader takes it.
    BarProgress StoredProgress() const;
    // The pieces of the shown bar that the progress record could not keep (null: none).
    const UnkeptProgress* UnkeptProgressOfBar() const;
    // Asks whether the bar goes on after them (IDYES), starts from its first piece (IDNO) or
    // does not start (IDCANCEL, the unattended run's answer, told on the output).
    int AskAboutUnkeptProgress(const UnkeptProgress& held, const BarComputation& bc);
    void ShowHeader();
    void ShowTools(bool compare);
    void ShowData();
    void SetText(int id, const std::string& text);
    void SetNextBarLengths();
    void CloseDialog();
    // A refusal of the shown bar (g_errorText or another message): a box, or in the unattended
    // test run (test run with its pop-ups hidden) a line on the program's output.
    void ShowRefusal(const std::string& text);
    // The test run confirms every bar by itself: a bar it refused is passed over.
    void PassOverRefusedBar();
    // On-line, before the bar's program is written and again just before its start: true (the
    // start refused, the operator told what the controller reads) when the controller no longer
    // describes the machine this session started on.
    bool RefusedOnAnotherMachine();
    // Just before the start: the label printer's print port opens (else the bar is refused,
    // naming the port), and the controller's program code, piece counter and bar time are
    // cleared (else no start).
    bool PrintPortReadyForBar();
    bool ClearWatchVariables();
    void ListenForEscape(bool on);

    int m_index = 0;
    int m_count = 0;
    BarRecord* m_bar = nullptr;
    int m_flags = 0;
    int m_automatic = 0;
    int m_repetitions = 0;
    app::BarIdentity m_remembered;
    QPointer<FineListe> m_endOfList;
    bool m_startPending = false;
    bool m_running = false;
    bool m_closed = false;
    bool m_listeningForEscape = false;
    // This pass over the chosen bars, in the test run: a bar was refused, a bar ran.
    bool m_refusedInPass = false;
    bool m_ranInPass = false;
};
