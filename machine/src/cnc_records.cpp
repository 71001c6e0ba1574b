// Records of the on-line CNC state: the event log, the alarm history, the piece file and the
// operator-text map.
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "machine/cnc_state.h"
#include "machine/file_routines.h"
#include "machine/ini_routines.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/utils.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/serial_tty.h"
#include "platform/text.h"

namespace {

plat::LocalTime TimeFields(std::time_t t) {
    plat::LocalTime lt{};
    LocalTimeOf(t, lt);
    return lt;
}
plat::LocalTime NowFields() { return TimeFields(plat::CurrentClock().Time()); }
double Millimetres(int32_t thousandths) { return static_cast<double>(thousandths) / 1000.0; }
const char* Text(const char* s) { return s != nullptr ? s : ""; }

void SendToSupervisor(const std::string& line) {
    if (g_pSettings == nullptr) return;
    plat::SerialPort* port = g_pSettings->GetSupervisorPort();
    if (port != nullptr && port->IsOpen()) port->Write(line.data(), line.size());
}


} // namespace

// The file gets the line with CR LF, the supervisor link the line as built (LF).
void CStatoCncOn::WriteEvent(const char* line) {
    if (!EventLogOn()) return;
    const std::string text(line);
    if (m_eventLogPath[0] != '\0') AppendToFile(m_eventLogPath, plat::WithCrLf(text));
    SendToSupervisor(text);
}

void CStatoCncOn::LogLogon(int flag, const char* machineName) {
    WriteEvent(FormatEventLine(NowFields(), flag != 0 ? "LOGON;%s\n" : "SHUTDOWN;%s\n", Text(machineName)).c_str());
}

void CStatoCncOn::LogAlarm(int number) {
    if (!EventLogOn()) return;
    if (number >= 1) {
        const std::string alarmText = CncMessageText(m_msgFilePath, "ALARM", number);
        WriteEvent(FormatEventLine(NowFields(), "ALARM-ON;%d;%s\n", number, alarmText.c_str()).c_str());
    } else {
        WriteEvent(FormatEventLine(NowFields(), "ALARM-OFF\n").c_str());
    }
}

void CStatoCncOn::LogAutomatic(int flag) {
    WriteEvent(FormatEventLine(NowFields(), flag != 0 ? "AUTOM-ON\n" : "AUTOM-OFF\n").c_str());
}

void CStatoCncOn::LogCycle(int flag) {
    WriteEvent(FormatEventLine(NowFields(), flag != 0 ? "CYCLE-ON\n" : "CYCLE-OFF\n").c_str());
}

void CStatoCncOn::LogJob(const char* listPath, int32_t firstCount, int32_t secondCount) {
    if (listPath != nullptr) {
        // The job name: the file name without directory and extension.
        std::string name(listPath);
        const std::size_t slash = name.find_last_of("\\/");
        if (slash != std::string::npos) name.erase(0, slash + 1);
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos) name.erase(dot);
        CopyField(m_jobName, sizeof m_jobName, name.c_str());
        if (firstCount >= 1)
            WriteEvent(FormatEventLine(NowFields(), "JOB-BEGIN;%s;%" PRId32 ";%" PRId32 "\n", m_jobName, firstCount,
                                       secondCount)
                           .c_str());
        else if (firstCount < 0)
            WriteEvent(FormatEventLine(NowFields(), "JOB-ON;%s\n", m_jobName).c_str());
        else
            WriteEvent(FormatEventLine(NowFields(), "JOB-END;%s\n", m_jobName).c_str());
        return;
    }
    if (m_jobName[0] != '\0') {
        WriteEvent(FormatEventLine(NowFields(), "JOB-OFF;%s\n", m_jobName).c_str());
        m_jobName[0] = '\0';
    }
}

void CStatoCncOn::LogOperator(std::time_t time, const char* text) {
    if (!EventLogOn()) return;
    char state[260];
    CopyField(state, sizeof state, text);
    char result[200] = "";
    MapOperatorText(state, result);
    if (result[0] != '\0') WriteEvent(FormatEventLine(TimeFields(time), "OPER-ON;%s\n", result).c_str());
}

void CStatoCncOn::LogPiece(std::time_t time, const char* listText, const char* t2, const char* t3, int32_t length,
                           int k1, int k2, const char* t4) {
    WriteEvent(FormatEventLine(TimeFields(time), "PIECE;%s;%s;%s;%g;%d;%d;%s\n", Text(listText), Text(t2), Text(t3),
                               Millimetres(length), k1, k2, Text(t4))
                   .c_str());
}

void CStatoCncOn::LogMulti(std::time_t time, const char* t1, const char* t2, int32_t length) {
    WriteEvent(FormatEventLine(TimeFields(time), "MULTI;%s;%s;%g\n", Text(t1), Text(t2), Millimetres(length)).c_str());
}

int CStatoCncOn::LogEndPiece(const char* listText, const char* pieceText, int32_t length) {
    // The record exists only when the event-log file opens (so nothing with the log off).
    if (!EventLogOn() || m_eventLogPath[0] == '\0') return 0;
    FILE* f = plat::OpenFile(m_eventLogPath, "ab");
    if (f == nullptr) return 0;
    const std::string line = FormatEventLine(NowFields(), "OPER-ON;END-PIECE;%s;%s;%g\n", Text(listText),
                                             Text(pieceText), Millimetres(length));
    const std::string fileLine = plat::WithCrLf(line);
    std::fwrite(fileLine.data(), 1, fileLine.size(), f);
    std::fclose(f);
    SendToSupervisor(line);

    // The piece file: its line is appended in place, so the file is never moved away and no
    // earlier line can be lost. A file that cannot be written switches the piece file off.
    if (m_pieceFileOn == 0) return 0;
    const std::string piece =
        FormatEventLine(NowFields(), "PIECE;%s;%s\n", Text(listText), Text(pieceText));
    if (!AppendToFile(m_pieceFilePath, plat::WithCrLf(piece))) {
        m_pieceFileOn = 0;
        return 1;
    }
    return 0;
}

void CStatoCncOn::LoadAlarmHistory() {
    if (m_history) m_history->Load(PathSlot(PathTable::kAlarmLog));
}

void CStatoCncOn::SaveHistory() {
    if (m_history) m_history->Save(PathSlot(PathTable::kAlarmLog), m_msgFilePath);
}

// ---------------------------------------------------------------- operator-text map

namespace {

void TrimInPlace(char* s) {
    std::size_t n = std::strlen(s);
    while (n > 0 && s[n - 1] == ' ') s[--n] = '\0';
    std::size_t i = 0;
    while (s[i] == ' ') ++i;
    if (i > 0) std::memmove(s, s + i, n - i + 1);
}

std::string Trimmed(const std::string& s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    const std::size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

} // namespace

int CStatoCncOn::TestRCondition(const char* condition) {
    if (condition == nullptr) return 0;
    const char* eq = std::strchr(condition, '=');
    // No "=", or an "=" first: no variable to compare, so the condition does not hold.
    if (eq == nullptr || eq == condition) return 0;
    // One letter (R), the variable number, "=", the value.
    int32_t number = 0;
    if (!plat::ParseInt32(Trimmed(std::string(condition + 1, eq)), number)) return 0;
    double value = 0.0;
    if (!plat::ParseDouble(Trimmed(std::string(eq + 1)), value)) return 0;
    return ReadRVar(number) == static_cast<float>(value) ? 1 : 0;
}

void CStatoCncOn::MapOperatorText(char* text, char* result) {
    result[0] = '\0';
    if (text == nullptr) return;
    TrimInPlace(text);
    if (std::strcmp(text, m_lastMappedText) == 0) return;

    const std::string file = ProgramFilePath("CONF\\MSVtag.par");
    std::string value = ReadIniString("BRELON", text, "", 255, file.c_str());
    bool wildcard = false;
    if (value.empty()) {
        char key[260];
        CopyField(key, sizeof key, text);
        if (MakeNumberWildcard(key) == 0 && MakeNameWildcard(key) == 0) return;
        wildcard = true;
        value = ReadIniString("BRELON", key, "", 255, file.c_str());
    }
    value = plat::ToUpperAscii(value);

    std::string tag;
    if (value.find('(') == std::string::npos) {
        const std::size_t t = value.find("TAG:");
        if (t == std::string::npos) return;
        tag = value.substr(t + 4);
    } else {
        std::size_t pos = 0;
        bool found = false;
        while (!found) {
            const std::size_t open = value.find('(', pos);
            if (open == std::string::npos) return;
            const std::size_t close = value.find(')', open + 1);
            if (close == std::string::npos) return;
            const std::string group = value.substr(open + 1, close - open - 1);
            pos = close + 1;
            const std::size_t t = group.find("TAG:");
            if (t == std::string::npos) return;
            std::string groupTag = group.substr(t + 4);
            bool holds = true;
            const std::size_t v = groupTag.find("VAR:");
            if (v != std::string::npos) {
                std::string conditions = groupTag.substr(v + 4);
                groupTag.erase(v);
                std::size_t start = 0;
                while (holds && start <= conditions.size()) {
                    std::size_t end = conditions.find(';', start);
                    if (end == std::string::npos) end = conditions.size();
                    const std::string c = Trimmed(conditions.substr(start, end - start));
                    // An empty condition (a trailing ";") holds.
                    if (!c.empty() && TestRCondition(c.c_str()) == 0) holds = false;
                    start = end + 1;
                }
            }
            if (holds) {
                tag = groupTag;
                found = true;
            }
        }
    }

    tag = Trimmed(tag);
    if (!tag.empty() && tag.back() == ';') tag.pop_back();
    if (wildcard) {
        tag += ';';
        tag += text;
    }
    CopyField(result, 200, tag.c_str());
    CopyField(m_lastMappedText, sizeof m_lastMappedText, text);
}
