// Files and count bounds of the execution monitor (see exec_files.h).
#include "app/exec_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <set>

#include "machine/bar_progress.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "machine/file_routines.h"
#include "machine/ini_routines.h"
#include "machine/ui_services.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace app {

namespace {

// A folder and a file name joined by exactly one backslash.
std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    const char last = dir.back();
    return (last == '\\' || last == '/') ? dir + name : dir + "\\" + name;
}

bool WriteAll(FILE* f, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), f) == text.size();
}

// Highest suffix tried for bar-code files of one second before giving up.
constexpr int kMaxBarCodeSuffix = 999;
} // namespace

uint16_t RepetitionsLeftAfter(int left, int done) {
    if (left < 0) left = 0;
    if (done < 0) done = 0;
    const int rest = left > done ? left - done : 0;
    return static_cast<uint16_t>(rest > 0xFFFF ? 0xFFFF : rest);
}

std::string BarCodeFileStem(const plat::LocalTime& t) {
    return plat::StrFormatC("%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

bool WriteBarCodeFile(const std::string& dir, const plat::LocalTime& t, const char* pieceName,
                      const char* listName, std::string* path) {
    const std::string stem = BarCodeFileStem(t);
    // Two pieces may finish within one second: the later file takes the next free suffix.
    for (int n = 0; n <= kMaxBarCodeSuffix; ++n) {
        const std::string name = n == 0 ? stem + ".bcf" : plat::StrFormatC("%s_%d.bcf", stem.c_str(), n);
        const std::string full = JoinPath(dir, name);
        FILE* f = plat::OpenFile(full, "wbx");
        if (f == nullptr) {
            if (errno == EEXIST) continue;
            return false;
        }
        const std::string text = std::string(pieceName ? pieceName : "") + "\r\n" + (listName ? listName : "");
        const bool ok = WriteAll(f, text);
        const bool closed = std::fclose(f) == 0;
        if (!ok || !closed) {
            std::remove(plat::NativePath(full).c_str());
            return false;
        }
        if (path != nullptr) *path = full;
        return true;
    }
    return false;
}

std::string UnloadingDirectory(const char* configPar, const char* programDir) {
    const std::string fallback = std::string(programDir ? programDir : "") + "CONF\\";
    std::string dir = plat::ReadProfileString("UNLOADING", "PATH", fallback.c_str(), configPar ? configPar : "");
    if (dir.empty()) dir = fallback;
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    return dir;
}

bool AppendUnloadingLine(const std::string& dir, const char* listName, const char* code, int32_t barLength) {
    FILE* f = plat::OpenFile(dir + (listName ? listName : "") + ".NV2", "ab");
    if (f == nullptr) return false;
    const std::string line =
        plat::StrFormatC("%s;%g;%d\r\n", code ? code : "", static_cast<double>(barLength) / 1000.0, 1);
    const bool ok = WriteAll(f, line);
    return std::fclose(f) == 0 && ok;
}

bool AppendTimeLogLine(const std::string& path, const char* series, const char* code, const char* barName,
                       const char* timeText) {
    if (path.empty()) return false;
    FILE* f = plat::OpenFile(path, "ab");
    if (f == nullptr) return false;
    const std::string name = std::string(barName ? barName : "").substr(0, 8);
    const std::string line = plat::StrFormatC("%15s%15s%15s%15s\r\n", series ? series : "", code ? code : "",
                                              name.c_str(), timeText ? timeText : "");
    const bool ok = WriteAll(f, line);
    return std::fclose(f) == 0 && ok;
}

namespace {
// Seconds of a time counter text, or -1 when it is not one.
int TimeTextSeconds(const std::string& text) {
    int minutes = 0, seconds = 0;
    char mark = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d' %d\"%c", &minutes, &seconds, &extra) == 2) return minutes * 60 + seconds;
    if (std::sscanf(text.c_str(), "%d%c%c", &minutes, &mark, &extra) == 2 && minutes >= 0) {
        if (mark == '\'') return minutes * 60;
        if (mark == '"') return minutes;
    }
    return -1;
}
} // namespace

std::string BarTimeShare(const std::string& timeText, int bars, int bar) {
    if (bars <= 1) return timeText;
    const int total = TimeTextSeconds(timeText);
    if (total < 0) return bar == 0 ? timeText : std::string();
    const int s = total / bars + (bar < total % bars ? 1 : 0);
    const int m = s / 60;
    const int r = s % 60;
    if (m <= 0) return plat::StrFormatC("%d\"", r);
    if (r <= 0) return plat::StrFormatC("%d'", m);
    return plat::StrFormatC("%d' %d\"", m, r);
}

void JobNotice(const std::string& text) {
    if (g_testHidePopups != 0) {
        std::fprintf(stderr, "[%s] %s\n", MsgString("T_ATTENZIONE"), text.c_str());
        return;
    }
    ShowBox("T_ATTENZIONE", text, BoxButtons::Ok, BoxIcon::Warning);
}

void TellBarProgressFault() {
    static std::set<std::string> told;
    if (!told.insert(plat::NativePath(g_barProgressPath)).second) return;
    ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
}

std::string LegacyOwedPrintsPath() {
    const std::string progress = g_barProgressPath;
    const std::size_t slash = progress.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : progress.substr(0, slash + 1)) + "STATLAB.TXT";
}

bool TellOwedPrintsAtStart() {
    if (g_barProgressPath[0] == '\0') return false;
    JobRecord r = ReadJobRecord();
    std::string labels = r.owedLabels, supervisor = r.owedSupervisor;
    const std::string legacy = LegacyOwedPrintsPath();
    std::string old;
    const bool hadLegacy = plat::IsRegularFile(legacy) && plat::ReadWholeFile(legacy, old);
    if (hadLegacy) {
        const JobRecord l = ParseJobRecord(old);
        if (!l.owedLabels.empty()) labels += (labels.empty() ? "" : ", ") + l.owedLabels;
        if (!l.owedSupervisor.empty()) supervisor += (supervisor.empty() ? "" : ", ") + l.owedSupervisor;
    }
    if (labels.empty() && supervisor.empty()) {
        if (hadLegacy) plat::RemoveFile(legacy);
        return false;
    }
    // The last run was cut short (a power cut) while these were still owed: the operator
    // prints or sends them by hand.
    std::string text;
    if (!labels.empty()) text = std::string(MsgError("ERR_LABELS_OWED")) + " " + labels;
    if (!supervisor.empty())
        text += (text.empty() ? "" : "\n") + std::string(MsgError("ERR_SUPERVISOR_OWED")) + " " + supervisor;
    ShowBox("T_ATTENZIONE", text, BoxButtons::Ok, BoxIcon::Warning);
    r.owedLabels.clear();
    r.owedSupervisor.clear();
    if (KeepJobRecord(r) != 0)
        ShowBox("T_ERRORE", std::string(MsgError("ERR_JOB_RECORD_LOST")) + "\n" + g_errorText, BoxButtons::Ok,
                BoxIcon::Warning);
    if (hadLegacy) plat::RemoveFile(legacy);
    return true;
}

void TellListFault(const char* listPath) {
    static std::set<std::string> told;
    if (!told.insert(plat::NativePath(listPath != nullptr ? listPath : "")).second) return;
    ShowBox("T_ATTENZIONE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
}

} // namespace app
