#pragma once
// CExecIsoDialog: runs one part program chosen as a file on the controller (or simulates it in
// office mode) and watches it until it ends. Modal; the main window runs it for UWM_EXEC_ISO.
#include <QImage>
#include <string>

#include "app/window_timers.h"
#include "machine/ui_services.h"
#include "ui/ResizeDialog.h"

class CStatoCnc;

namespace app {

// The file name and extension of a program path (after its last '\' or '/').
std::string ProgramNameOf(const char* path);

// The status key while the controller waits for the operator: S_AUTO_MSG when it is not in
// automatic mode, S_ALARM_MSG while alarms are active, else S_START_MSG.
const char* IsoWaitStatusKey(CStatoCnc& cnc);

// What one tick of the watch of a started run finds.
enum class IsoWatch {
    OfficeDone,     // office mode: nothing runs, the simulation is complete
    Running,        // R452 non-zero: the program runs
    Ended,          // the program ran and ended normally (state bit 100)
    StoppedFromNc,  // the program ran and the NC stopped it (state bit 99)
    Waiting,        // not running: waiting for the operator (status key set)
};

// One tick: started becomes 1 once R452 was seen non-zero; a program is taken as ended only
// after that. statusKey receives the waiting status (null otherwise).
IsoWatch IsoWatchStep(CStatoCnc& cnc, bool office, int& started, const char*& statusKey);

} // namespace app

class CExecIsoDialog : public ui::CResizeDialog, public IWindow {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 434;
    static constexpr int kIdCancel = 2;
    static constexpr int kIdStatus = 416;
    static constexpr int kIdGuide = 435;
    static constexpr int kIdPicture1 = 1073;
    static constexpr int kIdPicture2 = 1072;
    static constexpr int kIsoTimerId = 1;
    // Shown for an empty status while the program runs.
    static constexpr const char* kRunningText = "ESECUZIONE ISO IN CORSO...";

    // Clears the special sub-program list and keeps the path and the program's name.
    CExecIsoDialog(QWidget* parent, const char* programPath);
    ~CExecIsoDialog() override;

    void OnInitDialog() override;
    // IWindow: the CNC state object's answer to the program start arrives here (posted).
    void Post(uint32_t msg, intptr_t wParam, intptr_t lParam) override;

    // The answer to the program start: 0 started, negative time-out, positive refusal.
    void OnCncCmdResult(int code);
    // One tick of timer 1.
    void OnIsoTimer();
    // The cancel operation: asks before aborting; No leaves the run going.
    void OnCancel();

    const std::string& ProgramPath() const { return m_programPath; }
    const std::string& ProgramName() const { return m_programName; }
    const std::string& StatusText() const { return m_statusText; }
    int Started() const { return m_started; }
    bool Finished() const { return m_finished; }
    const app::WindowTimers& Timers() const { return m_timers; }

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetStatus(const char* text);
    void Finish();
    bool ArmWatch();
    void EndWait();

    std::string m_programPath;
    std::string m_programName;
    std::string m_statusText;
    int m_started = 0;
    bool m_watchArmed = false;   // the start was acknowledged: the watch belongs to the run
    bool m_asking = false;       // the abort question is open
    bool m_finished = false;
    bool m_waitCursor = false;
    QImage m_picture;
    app::WindowTimers m_timers{this};
};
