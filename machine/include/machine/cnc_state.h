#pragma once
// The CNC state object: the program's only road to the controller. One instance lives while the
// main window lives, reached through g_pCncState: CStatoCnc off-line (office mode: every
// operation answers a neutral value) or CStatoCncOn on-line (through the controller library
// bound in g_uvenlib). It owns the special sub-program list (g_pSpecialPrograms).
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "machine/cnc_queue.h"
#include "machine/event_log.h"

class IWindow;
class SpecialProgramList;
class CncBarListEvents;

// Result codes that StartProgram posts itself when it cannot start anything (the controller's
// own refusal codes are small; -1 is the time-out). The reason is kept by the state object
// (StartFailureText) and also left in g_errorText.
inline constexpr int kStartErrFillavTab = 9001;   // "FILLAV.TAB" could not be written
inline constexpr int kStartErrNameTooLong = 9002; // program name longer than a queue entry holds
inline constexpr int kStartErrQueueFull = 9003;   // no room in the queue for the start commands

// Command code of the program start that StartProgram queues last (sub-code 0, the name).
inline constexpr uint16_t kStartCommandCode = 4;

// What the operator reads for a UM_CNC_CMD_RESULT code other than 0: the time-out
// (ERR_TIMEOUT_CMD), a start the PC could not hand over (the reason StartProgram gave, naming
// "FILLAV.TAB" where it is the cause), or the controller's refusal ("<ERR_CMD> <code>").
std::string CncCommandResultText(int code);

// Pane text of a state the last poll could not read from the controller.
inline constexpr const char* kUnknownStateText = "????";

// Size of the label text buffer and of the time-counter text.
inline constexpr std::size_t kLabelTextSize = 1000;
inline constexpr std::size_t kTimeCounterTextSize = 30;

// The main window's running machining time (minutes), to which GetTimeCounterText adds.
extern double g_machiningTimeTotal;

class CStatoCnc {
public:
    // Creates the (empty) special sub-program list and publishes it in g_pSpecialPrograms;
    // connects the bar list's job records to LogJob.
    CStatoCnc();
    virtual ~CStatoCnc();
    CStatoCnc(const CStatoCnc&) = delete;
    CStatoCnc& operator=(const CStatoCnc&) = delete;

    virtual int LogEndPiece(const char* listText, const char* pieceText, int32_t length);
    virtual void SetStatusPaneIds(const int ids[7]);
    virtual void ConfigureAxes(int count, const char* names, const int* axisPaneIds, int spindlePaneId,
                               int feedPaneId);
    // Off-line: posts UM_CNC_CMD_RESULT (0, 0) to the window at once.
    virtual void StartProgram(IWindow* window, const char* programPath, const char* programName);
    // A window going away: a start still pending no longer answers it.
    virtual void ForgetWindow(IWindow* window);
    // The operator cancels the start this window asked for: true when it was dropped before
    // its program start reached the controller (nothing of it runs and no answer comes),
    // false when there was none pending or the controller already took the program start.
    virtual bool CancelStart(IWindow* window);
    virtual int QueueCommand(uint16_t code, uint16_t subCode, const char* text);
    // R variable n into value. false when the controller call failed: value is then 0.0.
    virtual bool ReadRVarChecked(int n, float& value);
    // R variable n := value. false when the controller call failed.
    virtual bool WriteRVar(int n, float value);
    // R variable n, 0.0 when the read failed (ReadRVarChecked tells failure apart).
    float ReadRVar(int n);
    virtual void QueueCommand87();
    virtual float GetR590();
    virtual float GetR482();
    virtual float GetPlcVersion();
    virtual float GetCncVersion();
    virtual float GetCncOsVersion();
    virtual void ResetTimeCounter();
    // text: buffer of kTimeCounterTextSize. Returns text.
    virtual const char* GetTimeCounterText(char* text);
    virtual int GetR454();
    virtual int GetR452();
    virtual int GetStateField98();
    virtual int GetStateBit99();
    virtual int GetStateBit100();
    virtual int GetStateField101();
    virtual int IsStateBit200();
    virtual int IsCncOn();
    virtual int GetActiveMessages(int* messages /* 5 or null */);
    virtual int GetActiveAlarms(int* alarms /* 10 or null */);
    virtual void SetR480(int value);
    virtual int GetR455();
    virtual void ClearR455();
    virtual void SetR481(int value);
    virtual void SetR470R472(int value);
    virtual void SetR591(int value);
    virtual void EmptyOperation();
    virtual void LoadAlarmHistory();
    virtual void LogLogon(int flag, const char* machineName);
    virtual void LogAlarm(int number);
    virtual void LogAutomatic(int flag);
    virtual void LogCycle(int flag);
    virtual void LogJob(const char* listPath, int32_t firstCount, int32_t secondCount);
    virtual void LogOperator(std::time_t time, const char* text);
    virtual void LogPiece(std::time_t time, const char* listText, const char* t2, const char* t3, int32_t length,
                          int k1, int k2, const char* t4);
    virtual void LogMulti(std::time_t time, const char* t1, const char* t2, int32_t length);
    virtual void PollStatus(int timerId);

    // Scratch text of the piece-label job (filled and split by the execution monitor).
    char* LabelText() { return m_labelText; }

    // The last start that the PC could not hand over: its kStartErr* code (0 when the last
    // start was handed over) and the reason, as the operator reads it.
    int StartFailureCode() const { return m_startFailureCode; }
    const std::string& StartFailureText() const { return m_startFailureText; }

protected:
    void SetStartFailure(int code, std::string text) {
        m_startFailureCode = code;
        m_startFailureText = std::move(text);
    }

private:
    char m_labelText[kLabelTextSize] = {};
    int m_startFailureCode = 0;
    std::string m_startFailureText;
    std::unique_ptr<SpecialProgramList> m_specialPrograms;
    std::unique_ptr<CncBarListEvents> m_barListEvents;
};

class CStatoCncOn : public CStatoCnc {
public:
    static constexpr int kAxisSlots = 12;
    static constexpr int kMessageCount = 5;
    static constexpr int kAlarmCount = 10;
    static constexpr int kAlarmFlagSize = 1000;

    // Reads GENERAL ALARM_LOG, LOG_SUPERVISOR, DIR_LOG, NOME_MACCHINA_LOG and NEWXINFO/XINFO of
    // "CONFIG.PAR", loads the alarm history and writes the LOGON record (see the .cpp).
    CStatoCncOn();
    ~CStatoCncOn() override;

    int LogEndPiece(const char* listText, const char* pieceText, int32_t length) override;
    void SetStatusPaneIds(const int ids[7]) override;
    void ConfigureAxes(int count, const char* names, const int* axisPaneIds, int spindlePaneId,
                       int feedPaneId) override;
    void ForgetWindow(IWindow* window) override;
    bool CancelStart(IWindow* window) override;
    void StartProgram(IWindow* window, const char* programPath, const char* programName) override;
    int QueueCommand(uint16_t code, uint16_t subCode, const char* text) override;
    bool ReadRVarChecked(int n, float& value) override;
    // The same read without a box: for a caller that waits for the controller and says
    // itself what it could not read (the set-up at start-up).
    bool ReadRVarQuiet(int n, float& value);
    bool WriteRVar(int n, float value) override;
    void QueueCommand87() override;
    float GetR590() override;
    float GetR482() override;
    float GetPlcVersion() override;
    float GetCncVersion() override;
    float GetCncOsVersion() override;
    void ResetTimeCounter() override;
    const char* GetTimeCounterText(char* text) override;
    int GetR454() override;
    int GetR452() override;
    int GetStateField98() override;
    int GetStateBit99() override;
    int GetStateBit100() override;
    int GetStateField101() override;
    int IsStateBit200() override;
    int IsCncOn() override;
    int GetActiveMessages(int* messages) override;
    int GetActiveAlarms(int* alarms) override;
    void SetR480(int value) override;
    int GetR455() override;
    void ClearR455() override;
    void SetR481(int value) override;
    void SetR470R472(int value) override;
    void SetR591(int value) override;
    void LoadAlarmHistory() override;
    void LogLogon(int flag, const char* machineName) override;
    void LogAlarm(int number) override;
    void LogAutomatic(int flag) override;
    void LogCycle(int flag) override;
    void LogJob(const char* listPath, int32_t firstCount, int32_t secondCount) override;
    void LogOperator(std::time_t time, const char* text) override;
    void LogPiece(std::time_t time, const char* listText, const char* t2, const char* t3, int32_t length, int k1,
                  int k2, const char* t4) override;
    void LogMulti(std::time_t time, const char* t1, const char* t2, int32_t length) override;
    void PollStatus(int timerId) override;

    // The axis texts of one poll (valid 0: "<name>: ???").
    void ShowAxisPositions(int valid);
    // Maps a program-state text to its operator tag through "MSVtag.par" (result of 200).
    // Empty when the text equals the last mapped one or nothing maps. text is trimmed in place.
    void MapOperatorText(char* text, char* result);
    // "R<n>=<value>": 1 when R<n> read as a 32-bit real equals the value, else 0.
    int TestRCondition(const char* condition);

    // Inspection (tests, the main window).
    bool EventLogOn() const;
    const char* EventLogPath() const { return m_eventLogPath; }
    const char* CurrentJobName() const { return m_jobName; }
    const AlarmHistory* History() const { return m_history.get(); }
    const CncCommandQueue& Queue() const { return m_queue; }
    bool StartPending() const { return m_startPending != 0; }
    int StartResult() const { return m_startResult; }
    const char* AxisName(int slot) const { return m_axisNames[slot]; }
    int AxisPaneId(int slot) const { return m_axisPaneIds[slot]; }
    int AxisCount() const { return m_axisCount; }
    bool PieceFileOn() const { return m_pieceFileOn != 0; }
    const char* PieceFilePath() const { return m_pieceFilePath; }

private:
    // Writes one event line (see event_log.h) to the log file and the supervisor link.
    void WriteEvent(const char* line);
    // The failures of one R-variable function: whether the current run was told, and the
    // variables whose last call failed.
    struct FailureRuns {
        bool shown = false;
        std::vector<int> failing;
    };
    // Judges a controller result for variable n: true on success; shows one box per failure run.
    bool JudgeRResult(int16_t result, int n, const char* function, FailureRuns& runs);
    void RefreshStatusWords();
    void SetPane(int paneId, const char* text);
    void SetWaitCursor(bool on);
    // R variable n truncated into value; false (value untouched) when the read failed.
    bool ReadRInt(int n, int& value);
    // Reads count variables from first on into values; false at the first failed read.
    bool ReadRInts(int first, int count, int* values);
    // The alarms of one poll (kAlarmCount numbers read from R420 on): counts, tracking, history
    // and event log.
    void PollAlarms(const int* alarms);
    void SaveHistory();

    char m_eventLogPath[260] = {};
    int m_eventLogMode = 0; // GENERAL LOG_SUPERVISOR as read at construction
    int m_currentFlags = 0;
    char m_msgFilePath[260] = {};
    uint16_t m_statusWords[3] = {};
    int m_automatic = 0;
    int m_hold = 0;
    int m_axisCount = 0;
    char m_jobName[260] = {};
    char m_axisNames[kAxisSlots][5] = {};
    int m_statusPaneIds[7] = {};
    int m_axisPaneIds[kAxisSlots] = {};
    int m_spindlePaneId = 0;
    int m_feedPaneId = 0;
    int m_historyOn = 0;
    int m_startPending = 0;
    int m_startResult = 0;
    int m_messageCount = 0;
    int m_alarmCount = 0;
    int m_prevAlarmCount = 0;
    int m_prevAutomatic = 0;
    int m_prevCycle = 0;
    int m_lastCycle = 0; // R452 as last read successfully
    IWindow* m_notifyWindow = nullptr;
    CncCommandQueue m_queue;
    int m_messages[kMessageCount] = {};
    int m_alarms[kAlarmCount] = {};
    std::unique_ptr<AlarmHistory> m_history;
    std::unique_ptr<uint8_t[]> m_alarmFlags[2];
    int m_pieceFileOn = 0;
    char m_pieceFilePath[260] = {};
    char m_lastMappedText[200] = {};
    FailureRuns m_readFailures;
    FailureRuns m_writeFailures;
    bool m_waitCursorOn = false;
};

// The CNC state object of the running program (owned by the main window).
extern CStatoCnc* g_pCncState;

// Splits the label text into at most 18 lines (each at most 63 characters, empty lines not
// kept); the text after a shift-in mark (character 15 and the three after it skipped) up to
// the line feed goes to extra instead of the line. Characters after the last line feed do not
// form a line.
void SplitMessageLines(const char* text, std::vector<std::string>& lines, std::string* extra);
