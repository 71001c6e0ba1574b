// The CNC state object: construction, R variables and the small state queries. The command
// queue, program start and status poll are in cnc_poll.cpp, the records in cnc_records.cpp.
#include "machine/cnc_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "machine/barlist.h"
#include "machine/globals.h"
#include "machine/ini_routines.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/special_programs.h"
#include "machine/ui_services.h"
#include "machine/utils.h"
#include "machine/uvenlib_binding.h"
#include "platform/text.h"

CStatoCnc* g_pCncState = nullptr;
double g_machiningTimeTotal = 0.0;

// The bar list's job records go to the CNC state object's event log.
class CncBarListEvents final : public BarListEvents {
public:
    explicit CncBarListEvents(CStatoCnc& owner) : m_owner(owner) {}
    void LogJob(const char* listPath, int32_t firstCount, int32_t secondCount) override {
        m_owner.LogJob(listPath, firstCount, secondCount);
    }

private:
    CStatoCnc& m_owner;
};

// ---------------------------------------------------------------- off-line object

CStatoCnc::CStatoCnc()
    : m_specialPrograms(std::make_unique<SpecialProgramList>()),
      m_barListEvents(std::make_unique<CncBarListEvents>(*this)) {
    g_pSpecialPrograms = m_specialPrograms.get();
    SetBarListEvents(m_barListEvents.get());
}

CStatoCnc::~CStatoCnc() {
    if (GetBarListEvents() == m_barListEvents.get()) SetBarListEvents(nullptr);
    if (g_pSpecialPrograms == m_specialPrograms.get()) g_pSpecialPrograms = nullptr;
    if (g_pCncState == this) g_pCncState = nullptr;
}

int CStatoCnc::LogEndPiece(const char*, const char*, int32_t) { return 0; }
void CStatoCnc::SetStatusPaneIds(const int*) {}
void CStatoCnc::ConfigureAxes(int, const char*, const int*, int, int) {}
void CStatoCnc::StartProgram(IWindow* window, const char*, const char*) {
    if (window != nullptr) window->Post(UM_CNC_CMD_RESULT, 0, 0);
}
void CStatoCnc::ForgetWindow(IWindow*) {}
bool CStatoCnc::CancelStart(IWindow*) { return false; }
int CStatoCnc::QueueCommand(uint16_t, uint16_t, const char*) { return 0; }
bool CStatoCnc::ReadRVarChecked(int, float& value) {
    value = 0.0f;
    return true;
}
bool CStatoCnc::WriteRVar(int, float) { return true; }
float CStatoCnc::ReadRVar(int n) {
    float v = 0.0f;
    return ReadRVarChecked(n, v) ? v : 0.0f;
}
void CStatoCnc::QueueCommand87() {}
float CStatoCnc::GetR590() { return 0.0f; }
float CStatoCnc::GetR482() { return 0.0f; }
float CStatoCnc::GetPlcVersion() { return 1.0f; }
float CStatoCnc::GetCncVersion() { return 1.0f; }
float CStatoCnc::GetCncOsVersion() { return 1.0f; }
void CStatoCnc::ResetTimeCounter() {}
const char* CStatoCnc::GetTimeCounterText(char* text) {
    if (text != nullptr) text[0] = '\0';
    return text;
}
int CStatoCnc::GetR454() { return 0; }
int CStatoCnc::GetR452() { return 0; }
int CStatoCnc::GetStateField98() { return 1; }
int CStatoCnc::GetStateBit99() { return 0; }
int CStatoCnc::GetStateBit100() { return 0; }
int CStatoCnc::GetStateField101() { return 0; }
int CStatoCnc::IsStateBit200() { return 1; }
int CStatoCnc::IsCncOn() { return 0; }
int CStatoCnc::GetActiveMessages(int*) { return 0; }
int CStatoCnc::GetActiveAlarms(int*) { return 0; }
void CStatoCnc::SetR480(int) {}
int CStatoCnc::GetR455() { return 0; }
void CStatoCnc::ClearR455() {}
void CStatoCnc::SetR481(int) {}
void CStatoCnc::SetR470R472(int) {}
void CStatoCnc::SetR591(int) {}
void CStatoCnc::EmptyOperation() {}
void CStatoCnc::LoadAlarmHistory() {}
void CStatoCnc::LogLogon(int, const char*) {}
void CStatoCnc::LogAlarm(int) {}
void CStatoCnc::LogAutomatic(int) {}
void CStatoCnc::LogCycle(int) {}
void CStatoCnc::LogJob(const char*, int32_t, int32_t) {}
void CStatoCnc::LogOperator(std::time_t, const char*) {}
void CStatoCnc::LogPiece(std::time_t, const char*, const char*, const char*, int32_t, int, int, const char*) {}
void CStatoCnc::LogMulti(std::time_t, const char*, const char*, int32_t) {}
void CStatoCnc::PollStatus(int) {}

// ---------------------------------------------------------------- on-line object

CStatoCncOn::CStatoCncOn() {
    const char* config = PathSlot(PathTable::kConfigPar);
    m_historyOn = ReadIniInt("GENERAL", "ALARM_LOG", 1, config) != 0;
    if (m_historyOn) m_history = std::make_unique<AlarmHistory>();
    m_alarmFlags[0] = std::make_unique<uint8_t[]>(kAlarmFlagSize);
    m_alarmFlags[1] = std::make_unique<uint8_t[]>(kAlarmFlagSize);

    m_eventLogMode = ReadIniInt("GENERAL", "LOG_SUPERVISOR", 0, config);
    if (g_pSettings != nullptr) g_pSettings->LOG_SUPERVISOR = m_eventLogMode;
    if (m_eventLogMode != kEventLogOff) {
        const std::string dir = ReadIniString("GENERAL", "DIR_LOG", kDefaultLogDir, 259, config);
        plat::LocalTime today{};
        LocalTimeOf(plat::CurrentClock().Time(), today);
        CopyField(m_eventLogPath, sizeof m_eventLogPath,
                  EventLogFileName(dir.c_str(), m_eventLogMode, today).c_str());
    }
    CopyField(m_msgFilePath, sizeof m_msgFilePath, ProgramFilePath("MSG\\CNC.MSG").c_str());

    if (m_historyOn) LoadAlarmHistory();
    if (EventLogOn()) {
        const std::string name = ReadIniString("GENERAL", "NOME_MACCHINA_LOG", "BRELON", 19, config);
        LogLogon(1, name.c_str());
    }

    m_queue.Reset();

    m_pieceFileOn = ReadIniInt("NEWXINFO", "GENERAL", 0, config) != 0;
    if (m_pieceFileOn) {
        const std::string def = ProgramFilePath("LOG\\XInfo.log");
        const std::string path = ReadIniString("XINFO", "FILE", def.c_str(), 259, config);
        CopyField(m_pieceFilePath, sizeof m_pieceFilePath, path.c_str());
    }
}

CStatoCncOn::~CStatoCncOn() { SetWaitCursor(false); }

bool CStatoCncOn::EventLogOn() const {
    const int mode = g_pSettings != nullptr ? g_pSettings->LOG_SUPERVISOR : m_eventLogMode;
    return mode != kEventLogOff;
}

// A controller result: 2 to 32767 is success; 0, 1 and negative results are failures. One box
// is shown for a run of failures (the flag is set before the box, whose message loop may run
// timers that call again): the whole link down gives one box until a call of the function
// succeeds again, and a variable that keeps failing among good calls gives one box until it
// is itself read (or written) again, not one at every poll.
bool CStatoCncOn::JudgeRResult(int16_t result, int n, const char* function, FailureRuns& runs) {
    auto failing = std::find(runs.failing.begin(), runs.failing.end(), n);
    if (result >= 2) {
        runs.shown = false;
        if (failing != runs.failing.end()) runs.failing.erase(failing);
        return true;
    }
    if (failing != runs.failing.end()) return false; // its run of failures was already told
    runs.failing.push_back(n);
    if (!runs.shown) {
        runs.shown = true;
        const char* what = result == 1 ? "1" : (result == 0 || result == -1) ? "0" : "< 0";
        MessageBoxRequest r;
        r.title = "";
        r.titleIsKey = false;
        r.text = std::string(function) + " ha ritornato " + what;
        Ui().ShowMessageBox(r);
    }
    return false;
}

bool CStatoCncOn::ReadRVarChecked(int n, float& value) {
    value = 0.0f;
    float buffer = 0.0f;
    // Without the entry point the read fails silently: the start-up already named it.
    if (g_uvenlib.GetDatiCncEx == nullptr) return false;
    const int16_t r = g_uvenlib.GetDatiCncEx(UVEN_KIND_R, n, 1, &buffer);
    if (!JudgeRResult(r, n, "GetDatiCncEx", m_readFailures)) return false;
    value = buffer;
    return true;
}

bool CStatoCncOn::ReadRVarQuiet(int n, float& value) {
    value = 0.0f;
    float buffer = 0.0f;
    if (g_uvenlib.GetDatiCncEx == nullptr) return false;
    if (g_uvenlib.GetDatiCncEx(UVEN_KIND_R, n, 1, &buffer) < 2) return false;
    value = buffer;
    return true;
}

bool CStatoCncOn::WriteRVar(int n, float value) {
    if (g_uvenlib.SetDatiCncEx == nullptr) return false;
    const float buffer = value;
    const int16_t r = g_uvenlib.SetDatiCncEx(UVEN_KIND_R, n, 1, &buffer);
    return JudgeRResult(r, n, "SetDatiCncEx", m_writeFailures);
}

namespace {
int Trunc(float v) { return plat::TruncToInt32(static_cast<double>(v)); }
} // namespace

void CStatoCncOn::QueueCommand87() { QueueCommand(7, 87, nullptr); }
float CStatoCncOn::GetR590() { return ReadRVar(590); }
float CStatoCncOn::GetR482() { return ReadRVar(482); }
float CStatoCncOn::GetPlcVersion() { return ReadRVar(3); }
float CStatoCncOn::GetCncVersion() { return ReadRVar(4); }
float CStatoCncOn::GetCncOsVersion() { return ReadRVar(5); }
void CStatoCncOn::ResetTimeCounter() { WriteRVar(485, 0.0f); }

const char* CStatoCncOn::GetTimeCounterText(char* text) {
    if (text == nullptr) return text;
    text[0] = '\0';
    const float minutes = ReadRVar(485);
    if (minutes == 0.0f) return text;
    g_machiningTimeTotal += minutes;
    const int s = plat::TruncToInt32(static_cast<double>(minutes) * 60.0);
    const int m = s / 60;
    const int r = s % 60;
    if (m <= 0) plat::FormatC(text, kTimeCounterTextSize, "%d\"", r);
    else if (r <= 0) plat::FormatC(text, kTimeCounterTextSize, "%d'", m);
    else plat::FormatC(text, kTimeCounterTextSize, "%d' %d\"", m, r);
    return text;
}

int CStatoCncOn::GetR454() { return Trunc(ReadRVar(454)); }
// The cycle-running state: a read that fails keeps the state last read, never "not running".
int CStatoCncOn::GetR452() {
    ReadRInt(452, m_lastCycle);
    return m_lastCycle;
}

bool CStatoCncOn::ReadRInt(int n, int& value) {
    float v = 0.0f;
    if (!ReadRVarChecked(n, v)) return false;
    value = Trunc(v);
    return true;
}

bool CStatoCncOn::ReadRInts(int first, int count, int* values) {
    for (int i = 0; i < count; ++i)
        if (!ReadRInt(first + i, values[i])) return false;
    return true;
}
int CStatoCncOn::GetStateField98() { return m_automatic; }

void CStatoCncOn::RefreshStatusWords() {
    if (g_uvenlib.get_stacn != nullptr) g_uvenlib.get_stacn(m_statusWords);
}

int CStatoCncOn::GetStateBit99() {
    if (m_automatic != 0) {
        RefreshStatusWords();
        if ((m_statusWords[2] & 0x3) != 0) return 0;
    }
    return 1;
}

int CStatoCncOn::GetStateBit100() {
    RefreshStatusWords();
    return ((m_statusWords[2] & 0x1) != 0 && (m_statusWords[2] & 0x2) == 0) ? 1 : 0;
}

int CStatoCncOn::GetStateField101() { return m_hold; }
int CStatoCncOn::IsStateBit200() { return m_statusWords[1] & 0x200; }
int CStatoCncOn::IsCncOn() { return ReadRVar(456) != 0.0f ? 1 : 0; }

int CStatoCncOn::GetActiveMessages(int* messages) {
    if (m_messageCount != 0 && messages != nullptr) std::memcpy(messages, m_messages, sizeof m_messages);
    return m_messageCount;
}

int CStatoCncOn::GetActiveAlarms(int* alarms) {
    if (m_alarmCount != 0 && alarms != nullptr) std::memcpy(alarms, m_alarms, sizeof m_alarms);
    return m_alarmCount;
}

void CStatoCncOn::SetR480(int value) { WriteRVar(480, static_cast<float>(value)); }
int CStatoCncOn::GetR455() { return Trunc(ReadRVar(455)); }
void CStatoCncOn::ClearR455() { WriteRVar(455, 0.0f); }
void CStatoCncOn::SetR481(int value) { WriteRVar(481, static_cast<float>(value)); }
void CStatoCncOn::SetR470R472(int value) {
    WriteRVar(470, static_cast<float>(value));
    WriteRVar(472, static_cast<float>(value));
}
void CStatoCncOn::SetR591(int value) { WriteRVar(591, static_cast<float>(value)); }

void CStatoCncOn::SetStatusPaneIds(const int ids[7]) {
    if (ids != nullptr) std::memcpy(m_statusPaneIds, ids, sizeof m_statusPaneIds);
}

// ---------------------------------------------------------------- label text

void SplitMessageLines(const char* text, std::vector<std::string>& lines, std::string* extra) {
    constexpr std::size_t kMaxLines = 18;
    constexpr std::size_t kLineMax = 63;
    lines.clear();
    if (text == nullptr) return;
    std::string line;
    bool marked = false;
    for (const char* p = text; *p != '\0' && lines.size() < kMaxLines; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
            marked = false;
            continue;
        }
        if (c == 15) {
            // The mark and the three characters after it are skipped; a new marked section
            // starts the extra text again.
            marked = true;
            if (extra != nullptr) extra->clear();
            for (int i = 0; i < 3 && p[1] != '\0'; ++i) ++p;
            continue;
        }
        if (c < 32) continue;
        if (marked) {
            if (c != ' ' && extra != nullptr) extra->push_back(static_cast<char>(c));
        } else if (line.size() < kLineMax) {
            line.push_back(static_cast<char>(c));
        }
    }
}
