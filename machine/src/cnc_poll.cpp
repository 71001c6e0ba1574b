// The controller command queue, the program start and the status poll of the on-line CNC state.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/special_programs.h"
#include "machine/ui_services.h"
#include "machine/utils.h"
#include "machine/uvenlib_binding.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"

// ---------------------------------------------------------------- queue

int CncCommandQueue::QueueCommand(uint16_t code, uint16_t subCode, const char* text) {
    if (m_count >= kCapacity) return kFull;
    if (text != nullptr && std::strlen(text) > static_cast<std::size_t>(kTextMax)) return kTextTooLong;
    Entry& e = m_entries[m_write];
    e.code = code;
    e.subCode = subCode;
    e.hasText = text != nullptr;
    CopyField(e.text, sizeof e.text, text);
    m_write = (m_write + 1) % kCapacity;
    ++m_count;
    return kQueued;
}

int CncCommandQueue::Reset() {
    m_read = m_write = m_count = m_waiting = m_busy = 0;
    return 0;
}

int CncCommandQueue::Pump(const UvenlibBinding& lib, int64_t nowMs, int cmdTimerMs) {
    int result = 0; // last SendCnc result of this run
    for (;;) {
        if (m_waiting != 0) {
            // Without TstCmdCnc a sent command cannot be watched: it counts as finished.
            const int16_t running = lib.TstCmdCnc != nullptr ? lib.TstCmdCnc() : UVEN_TST_IDLE;
            if (running != 0) {
                int64_t elapsed = nowMs - m_stampMs;
                if (elapsed < 0) elapsed = -elapsed;
                if (elapsed <= cmdTimerMs) return 0;
                break; // time-out
            }
            m_waiting = 0;
        }
        if (m_count == 0) return 0;
        const Entry& e = m_entries[m_read];
        // Without SendCnc nothing can be sent: the command counts as refused.
        const int16_t r = lib.SendCnc != nullptr ? lib.SendCnc(e.code, e.subCode, e.hasText ? e.text : nullptr)
                                                 : static_cast<int16_t>(UVEN_CMD_REFUSED);
        if (r == UVEN_CMD_ACCEPTED) {
            --m_count;
            m_read = (m_read + 1) % kCapacity;
            m_stampMs = nowMs;
            m_waiting = 1;
            m_busy = 0;
            continue;
        }
        if (r == UVEN_CMD_BUSY) {
            // The time stamp is set by the first busy answer only: a controller that answers
            // busy for longer than cmdTimerMs ends the command with the time-out, as one that
            // never finishes it does.
            if (m_busy == 0) {
                m_busy = 1;
                m_stampMs = nowMs;
            } else {
                int64_t elapsed = nowMs - m_stampMs;
                if (elapsed < 0) elapsed = -elapsed;
                if (elapsed > cmdTimerMs) break; // time-out
            }
            m_waiting = 1;
            return 0;
        }
        result = r;
        break;
    }
    Reset();
    return result == 0 ? -1 : result;
}

bool CncCommandQueue::Holds(uint16_t code) const {
    for (int i = 0; i < m_count; ++i)
        if (m_entries[(m_read + i) % kCapacity].code == code) return true;
    return false;
}

int CStatoCncOn::QueueCommand(uint16_t code, uint16_t subCode, const char* text) {
    return m_queue.QueueCommand(code, subCode, text);
}

// ---------------------------------------------------------------- program start

void CStatoCncOn::ForgetWindow(IWindow* window) {
    if (window != nullptr && m_notifyWindow == window) m_notifyWindow = nullptr;
}

void CStatoCncOn::StartProgram(IWindow* window, const char* programPath, const char* programName) {
    const char* workDir = PathSlot(PathTable::kCncWorkDir);
    const bool hasPath = programPath != nullptr && *programPath != '\0';
    const bool hasName = programName != nullptr && *programName != '\0';
    const char* name = hasName ? programName : "ISONV";
    const bool selectAuto = (m_statusWords[1] & 0x200) == 0;
    const int needed = selectAuto ? 3 : 2;

    // Nothing is written or queued unless the whole start can be queued. A start that cannot be
    // handed over is answered at once with its own code and the reason, which the window shows.
    int failure = 0;
    std::string reason;
    if (std::strlen(name) > static_cast<std::size_t>(CncCommandQueue::kTextMax)) {
        failure = kStartErrNameTooLong;
        reason = std::string(MsgError("ERR_PROG_NAME_LONG")) + " " + name;
    } else if (m_queue.Count() + needed > CncCommandQueue::kCapacity) {
        failure = kStartErrQueueFull;
        reason = MsgError("ERR_CMD_QUEUE_FULL");
    } else {
        // First line: the part program (by default the one the generator writes in the
        // controller work directory), then one line per special sub-program.
        std::string tab = hasPath ? std::string(programPath) : std::string(workDir) + "ISONV";
        tab += "\r\n";
        if (g_pSpecialPrograms != nullptr) {
            for (int i = 0; i < g_pSpecialPrograms->Count(); ++i) {
                tab += workDir;
                tab += "SPECIAL\\";
                tab += g_pSpecialPrograms->Name(i);
                tab += "\r\n";
            }
        }
        const std::string tabPath = std::string(workDir) + "FILLAV.TAB";
        errno = 0;
        if (!plat::WriteFileAtomic(tabPath, tab)) {
            const int err = errno;
            failure = kStartErrFillavTab;
            reason = std::string(MsgError("ERR_FILLAV_WRITE")) + "\n" + tabPath;
            const std::string why = FileFaultReason(err);
            if (!why.empty()) reason += " (" + why + ")";
        }
    }
    SetStartFailure(failure, reason);
    if (failure != 0) {
        SetErrorTextLiteral(reason.c_str());
        if (window != nullptr) window->Post(UM_CNC_CMD_RESULT, failure, 0);
        return;
    }

    if (selectAuto) m_queue.QueueCommand(7, 151, nullptr);
    m_queue.QueueCommand(7, 85, nullptr);
    m_queue.QueueCommand(kStartCommandCode, 0, name);
    m_notifyWindow = window;
    m_startPending = 1;
    m_startResult = 0;
}

bool CStatoCncOn::CancelStart(IWindow* window) {
    // The start can be taken back only while its program start (4, 0) is still in the queue:
    // once the controller accepted it the program runs and its monitor must follow it.
    if (m_startPending == 0 || window == nullptr || m_notifyWindow != window) return false;
    if (!m_queue.Holds(kStartCommandCode)) return false;
    m_queue.Reset();
    m_startPending = 0;
    m_startResult = 0;
    m_notifyWindow = nullptr;
    SetWaitCursor(false);
    return true;
}

std::string CncCommandResultText(int code) {
    if (code < 0) return MsgError("ERR_TIMEOUT_CMD");
    const CStatoCnc* cnc = g_pCncState;
    if (cnc != nullptr && code == cnc->StartFailureCode() && !cnc->StartFailureText().empty())
        return cnc->StartFailureText();
    return plat::StrFormatC("%s %d", MsgError("ERR_CMD"), code);
}

// ---------------------------------------------------------------- axes

namespace {

struct AxisVariable {
    const char* name;
    int r[3]; // per machine variant; 0 = no such axis
};
constexpr AxisVariable kAxisVariables[] = {
    {"X", {600, 600, 0}},   {"Y", {601, 601, 601}}, {"Z", {602, 602, 602}}, {"U", {603, 603, 603}},
    {"A", {604, 604, 604}}, {"B", {605, 605, 605}}, {"V", {672, 672, 672}}, {"W", {673, 673, 673}},
    {"P", {0, 689, 0}},     {"H", {0, 690, 0}},     {"Q", {0, 691, 0}},     {"C", {0, 0, 688}},
};

int AxisVariableOf(const char* name, int variant) {
    if (variant < 0 || variant > 2 || name == nullptr || *name == '\0') return 0;
    for (const AxisVariable& a : kAxisVariables)
        if (std::strcmp(a.name, name) == 0) return a.r[variant];
    return 0;
}

bool AxisSlotAbsent(int variant, int slot) {
    if (variant == 1) return slot == 5 || slot == 6 || slot == 11;
    if (variant == 2) return slot == 0 || slot == 5 || slot == 6 || slot == 10;
    return false;
}

// Index into the compact pane id array of a present slot.
int AxisPaneIndex(int variant, int slot) {
    if (variant == 1) return slot < 5 ? slot : slot - 2;
    if (variant == 2) {
        if (slot < 5) return slot - 1;
        if (slot <= 9) return slot - 3;
        return slot - 4;
    }
    return slot;
}

} // namespace

void CStatoCncOn::ConfigureAxes(int count, const char* names, const int* axisPaneIds, int spindlePaneId,
                                int feedPaneId) {
    if (count < 0) count = 0;
    if (count > kAxisSlots) count = kAxisSlots;
    m_axisCount = count;
    char text[200];
    CopyField(text, sizeof text, names);
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        m_axisNames[i][0] = '\0';
        m_axisPaneIds[i] = 0;
        if (AxisSlotAbsent(MachineVariant, i)) continue;
        std::string name;
        if (i == count - 1) {
            name = p;
            p += std::strlen(p);
        } else if (const char* blank = std::strchr(p, ' ')) {
            name.assign(p, static_cast<std::size_t>(blank - p));
            p = blank + 1;
        } else if (*p != '\0') {
            name.assign(p, 1);
            ++p;
        }
        CopyField(m_axisNames[i], sizeof m_axisNames[i], name.c_str());
        if (axisPaneIds != nullptr) m_axisPaneIds[i] = axisPaneIds[AxisPaneIndex(MachineVariant, i)];
    }
    m_spindlePaneId = spindlePaneId;
    m_feedPaneId = feedPaneId;
}

void CStatoCncOn::SetPane(int paneId, const char* text) {
    if (paneId != 0) Ui().SetPaneText(paneId, text);
}

void CStatoCncOn::ShowAxisPositions(int valid) {
    for (int i = 0; i < m_axisCount; ++i) {
        char text[30] = "";
        const int r = AxisVariableOf(m_axisNames[i], MachineVariant);
        if (r != 0) {
            float position = 0.0f;
            // A position the controller did not give is shown as unknown, never as 0.
            if (valid != 0 && ReadRVarChecked(r, position))
                plat::FormatC(text, sizeof text, "%s: %.2f", m_axisNames[i], static_cast<double>(position));
            else
                plat::FormatC(text, sizeof text, "%s: ???", m_axisNames[i]);
        }
        SetPane(m_axisPaneIds[i], text);
    }
}

// ---------------------------------------------------------------- poll

void CStatoCncOn::SetWaitCursor(bool on) {
    if (on == m_waitCursorOn) return;
    m_waitCursorOn = on;
    if (on) Ui().BeginWaitCursor();
    else Ui().EndWaitCursor();
}

namespace {
// A text of the string table, cut to 99 characters.
void PaneTextOfKey(char (&out)[100], const char* key) { CopyField(out, sizeof out, MsgString(key)); }
int Trunc(float v) { return plat::TruncToInt32(static_cast<double>(v)); }
} // namespace

void CStatoCncOn::PollStatus(int /*timerId*/) {
    const int cmdTimer = g_pSettings != nullptr ? g_pSettings->CMD_TIMER : 3000;
    const int pumped = m_queue.Pump(g_uvenlib, plat::CurrentClock().MonotonicMs(), cmdTimer);
    if (pumped != 0) m_startResult = pumped;

    if (MachineVariant == 2)
        WriteRVar(6019, (g_pSettings != nullptr && g_pSettings->CONF_LINEA != 0) ? 1.0f : 0.0f);

    if (m_startPending != 0) {
        if (m_startResult != 0 || m_queue.Idle()) {
            SetWaitCursor(false);
            m_startPending = 0;
            if (m_notifyWindow != nullptr) m_notifyWindow->Post(UM_CNC_CMD_RESULT, m_startResult, 0);
        } else {
            SetWaitCursor(true);
        }
    }

    // Steps that read the machine's state from R variables: a read that fails (the link down,
    // the entry point missing) is never taken for a state. That part of the state keeps its
    // value of the last poll that read it, no change is logged, and its pane says "????"; the
    // failure itself was shown once by the read.
    RefreshStatusWords();
    int positionsValid = 0;
    ShowAxisPositions(ReadRInt(453, positionsValid) ? positionsValid : 0);

    if (m_spindlePaneId != 0 || m_feedPaneId != 0) {
        // Overrides the controller did not give are shown unknown, never as 0 %.
        float overrides[UVEN_VELOVR_REALS] = {};
        const bool read = g_uvenlib.GetVelOvr != nullptr && g_uvenlib.GetVelOvr(overrides) == UVEN_OK;
        char text[30];
        if (read) plat::FormatC(text, sizeof text, "S: %d%%", Trunc(overrides[UVEN_VELOVR_SPINDLE] * 100.0f));
        else CopyField(text, sizeof text, "S: ???");
        SetPane(m_spindlePaneId, text);
        if (read) plat::FormatC(text, sizeof text, "F: %d%%", Trunc(overrides[UVEN_VELOVR_FEED] * 100.0f));
        else CopyField(text, sizeof text, "F: ???");
        SetPane(m_feedPaneId, text);
    }

    char text[100];
    if (m_statusPaneIds[2] != 0) {
        float mode = 0.0f;
        if (!ReadRVarChecked(450, mode)) CopyField(text, sizeof text, kUnknownStateText);
        else {
            m_automatic = 0;
            if (mode == 1.0f) PaneTextOfKey(text, "S_MANUAL");
            else if (mode == 2.0f) PaneTextOfKey(text, "S_TARA");
            else if (mode == 0.0f) {
                m_automatic = 1;
                PaneTextOfKey(text, "S_AUTOM");
            } else CopyField(text, sizeof text, "????");
        }
        SetPane(m_statusPaneIds[2], text);
    }

    if (EventLogOn()) {
        // An unread mode left the flag as it was: no change to log.
        if (m_automatic != 0 && m_prevAutomatic == 0) LogAutomatic(1);
        else if (m_automatic == 0 && m_prevAutomatic != 0) LogAutomatic(0);
        m_prevAutomatic = m_automatic;
        int cycle = 0;
        if (ReadRInt(452, cycle)) {
            m_lastCycle = cycle;
            if (cycle != 0 && m_prevCycle == 0) LogCycle(1);
            else if (cycle == 0 && m_prevCycle != 0) LogCycle(0);
            m_prevCycle = cycle;
        }
    }

    if (m_statusPaneIds[4] != 0) {
        if (ReadRInt(451, m_hold)) SetPane(m_statusPaneIds[4], m_hold != 0 ? "HOLD" : "");
        else SetPane(m_statusPaneIds[4], kUnknownStateText);
    }

    int messages[kMessageCount] = {};
    const bool messagesRead = ReadRInts(430, kMessageCount, messages);
    if (messagesRead) {
        m_messageCount = 0;
        for (int i = 0; i < kMessageCount; ++i) {
            m_messages[i] = messages[i];
            if (m_messages[i] != 0) ++m_messageCount;
        }
    }
    if (m_statusPaneIds[3] != 0) {
        if (!messagesRead) CopyField(text, sizeof text, kUnknownStateText);
        else if (m_messageCount != 0) PaneTextOfKey(text, "S_MSG");
        else text[0] = '\0';
        SetPane(m_statusPaneIds[3], text);
    }

    int alarms[kAlarmCount] = {};
    const bool alarmsRead = ReadRInts(420, kAlarmCount, alarms);
    if (alarmsRead) PollAlarms(alarms);
    if (m_statusPaneIds[5] != 0) {
        if (!alarmsRead) CopyField(text, sizeof text, kUnknownStateText);
        else if (m_alarmCount != 0) PaneTextOfKey(text, "S_ALARM");
        else text[0] = '\0';
        SetPane(m_statusPaneIds[5], text);
    }

    if (m_statusPaneIds[6] != 0) {
        // A program state the controller did not give is unknown: nothing to map or log.
        char record[UVEN_STAPRO_SIZE + 1] = {};
        if (g_uvenlib.GetStaPro != nullptr && g_uvenlib.GetStaPro(record) == UVEN_OK) {
            record[UVEN_STAPRO_SIZE] = '\0';
            SetPane(m_statusPaneIds[6], record);
            LogOperator(plat::CurrentClock().Time(), record);
        } else {
            SetPane(m_statusPaneIds[6], kUnknownStateText);
        }
    }
}

void CStatoCncOn::PollAlarms(const int* alarms) {
    const bool tracked = m_historyOn != 0 || EventLogOn();
    uint8_t* current = m_alarmFlags[m_currentFlags].get();
    const uint8_t* previous = m_alarmFlags[1 - m_currentFlags].get();
    if (tracked) std::memset(current, 0, kAlarmFlagSize);
    bool changed = false;
    m_alarmCount = 0;
    for (int i = 0; i < kAlarmCount; ++i) {
        const int number = alarms[i];
        m_alarms[i] = number;
        if (number == 0) continue;
        ++m_alarmCount;
        if (!tracked || number < 1 || number > 999) continue;
        current[number] = 1;
        if (previous[number] == 0) {
            if (m_history) {
                m_history->Append(number);
                changed = true;
            }
            if (EventLogOn()) LogAlarm(number);
        }
    }
    if (m_history && changed) SaveHistory();
    if (EventLogOn()) {
        if (m_alarmCount == 0 && m_prevAlarmCount != 0) LogAlarm(0);
        m_prevAlarmCount = m_alarmCount;
    }
    m_currentFlags = 1 - m_currentFlags;
}
