#pragma once
// CMessageDialog: the controller's active messages and active alarms with their texts from
// "MSG\CNC.MSG", refreshed on-line every MSG_TIMER milliseconds (timer 3); office mode shows
// two empty lists.
#include <string>
#include <vector>

#include "app/window_timers.h"
#include "ui/ResizeDialog.h"

namespace ui {
class CHorzListBox;
}

namespace app {

// The active numbers of one kind (messages or alarms) as last read from the CNC state object,
// and whether they changed since the list was last built.
class ActiveNumbers {
public:
    explicit ActiveNumbers(int size) : m_numbers(static_cast<std::size_t>(size), 0) {}

    // Takes a fresh reading (count and the numbers, size of them). A count of 0 after a count
    // of 0 changes nothing; another count stores everything; the same count stores the numbers
    // and counts as a change when any differs. A change stays marked until TakeChange.
    void Update(int count, const int* numbers);
    bool Changed() const { return m_changed; }
    // Returns whether a change was marked and clears the mark.
    bool TakeChange();

    int Count() const { return m_count; }
    const std::vector<int>& Numbers() const { return m_numbers; }
    int Size() const { return static_cast<int>(m_numbers.size()); }

private:
    int m_count = 0;
    std::vector<int> m_numbers;
    bool m_changed = false;
};

// The lines of a list: "<number>." followed by the number's text in section of the text
// file ("?????" when it has none), at most 199 characters each; numbers equal to 0 give no
// line, and a count of 0 gives none at all.
std::vector<std::string> ActiveNumberLines(const ActiveNumbers& numbers, const char* section, const std::string& textFile);

// "<program directory>MSG\CNC.MSG".
std::string CncMessageFilePath(const char* programDir);

// The M_MSG command: the message list, modal and without a parent window.
void ShowMessageList();

} // namespace app

class CMessageDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 143;
    static constexpr int kIdOk = 1;
    static constexpr int kIdReset = 148;
    static constexpr int kIdMessages = 144;
    static constexpr int kIdAlarms = 145;
    static constexpr int kIdMessageCount = 146;
    static constexpr int kIdAlarmCount = 147;
    static constexpr int kMsgTimerId = 3;
    static constexpr int kMessageSlots = 5;
    static constexpr int kAlarmSlots = 10;

    explicit CMessageDialog(QWidget* parent);
    ~CMessageDialog() override;

    void OnInitDialog() override;
    // Read the active messages (alarms) from the CNC state object and mark a change.
    void RefreshMessages();
    void RefreshAlarms();
    // One tick of timer 3: refresh both and rebuild each list whose numbers changed.
    void OnMsgTimer();

    ui::CHorzListBox* MessageList() const;
    ui::CHorzListBox* AlarmList() const;
    const app::WindowTimers& Timers() const { return m_timers; }
    const std::string& TextFile() const { return m_textFile; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void RebuildList(int listId, int captionId, const char* captionKey, const app::ActiveNumbers& numbers,
                     const char* section);
    void SetCaption(int captionId, const char* captionKey, int count);
    void StopTimer();

    app::ActiveNumbers m_messages{kMessageSlots};
    app::ActiveNumbers m_alarms{kAlarmSlots};
    std::string m_textFile;
    app::WindowTimers m_timers{this};
};
