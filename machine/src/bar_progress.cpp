// The bar progress file.
#include "machine/bar_progress.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cinttypes>
#include <string>
#include <vector>

#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace {

// The record (its native path) that a write could neither replace nor remove: it tells pieces
// of another moment, so it is no progress for the rest of the session, whatever it says.
// Cleared when a later write replaces it.
std::string& StaleRecord() {
    static std::string path;
    return path;
}

bool RecordIsStale() { return !StaleRecord().empty() && StaleRecord() == plat::NativePath(g_barProgressPath); }

// After a failed replace: the record goes; one that cannot even be removed stays, marked stale.
// 1 gone, 2 stale. g_errorText keeps the write's fault.
int DropRecord() {
    if (plat::RemoveFile(g_barProgressPath)) return 1;
    StaleRecord() = plat::NativePath(g_barProgressPath);
    return 2;
}

// The pieces of bars that the record could not keep (see UnkeptBarProgress), one entry a bar.
std::vector<UnkeptProgress>& Unkept() {
    static std::vector<UnkeptProgress> held;
    return held;
}

UnkeptProgress* FindUnkept(int32_t barId, const std::string& listPath) {
    for (UnkeptProgress& u : Unkept())
        if (u.barId == barId && u.listPath == listPath) return &u;
    return nullptr;
}

void ForgetUnkept(int32_t barId, const std::string& listPath) {
    auto& held = Unkept();
    for (auto it = held.begin(); it != held.end(); ++it)
        if (it->barId == barId && it->listPath == listPath) {
            held.erase(it);
            return;
        }
}

void HoldUnkept(const std::string& listPath, int32_t barId, int32_t piecesDone) {
    UnkeptProgress* u = FindUnkept(barId, listPath);
    if (u == nullptr) u = &Unkept().emplace_back();
    u->listPath = listPath;
    u->barId = barId;
    u->piecesDone = piecesDone;
    u->resume = false;
    u->fault = g_errorText;
}

} // namespace

const UnkeptProgress* UnkeptBarProgress(int32_t barId, const char* listPath) {
    const UnkeptProgress* u = FindUnkept(barId, listPath != nullptr ? listPath : "");
    return u != nullptr && u->piecesDone > 0 ? u : nullptr;
}

void ResumeUnkeptProgress(int32_t barId, const char* listPath) {
    if (UnkeptProgress* u = FindUnkept(barId, listPath != nullptr ? listPath : "")) u->resume = true;
}

void ForgetUnkeptProgress(int32_t barId, const char* listPath) { ForgetUnkept(barId, listPath != nullptr ? listPath : ""); }

int ReadBarProgress(int32_t barId, const char* listPath) {
    if (const UnkeptProgress* u = UnkeptBarProgress(barId, listPath); u != nullptr && u->resume) return u->piecesDone;
    if (RecordIsStale() || IsFileReadable(g_barProgressPath) == 0) return 0;
    const std::string file = plat::FindExisting(g_barProgressPath);
    if (plat::ReadProfileString("STATBAR", "NOMELDA", "", file.c_str()) != (listPath != nullptr ? listPath : ""))
        return 0;
    if (plat::GetProfileInt("STATBAR", "IDBARRA", -1, file.c_str()) != barId) return 0;
    return plat::GetProfileInt("STATBAR", "PEZZIFATTI", 0, file.c_str());
}

BarProgress BarProgressOf(int stored, int pieceCount) {
    BarProgress p;
    p.stored = stored;
    const int count = pieceCount > 0 ? pieceCount : 1;
    if (stored > 0 && stored < count)
        p.piecesDone = stored;
    else if (stored != 0)
        p.misfit = true;
    return p;
}

BarProgress ReadFittingBarProgress(int32_t barId, const char* listPath, int pieceCount) {
    return BarProgressOf(ReadBarProgress(barId, listPath), pieceCount);
}

namespace {

std::string EscapeName(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string UnescapeName(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char n = text[++i];
            out += n == 'r' ? '\r' : n == 'n' ? '\n' : n;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Trimmed(const std::string& t) {
    const std::size_t b = t.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return t.substr(b, t.find_last_not_of(" \t") - b + 1);
}

bool SameWord(const std::string& a, const char* b) { return plat::EqualsNoCase(a, b); }

int32_t NumberOr(const std::string& t, int32_t fallback) {
    char* end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 10);
    if (end == t.c_str() || v < INT32_MIN || v > INT32_MAX) return fallback;
    return static_cast<int32_t>(v);
}

} // namespace

std::string JobRecordText(const JobRecord& r) {
    std::string text;
    if (r.progress) {
        text += "[STATBAR]\r\nNOMELDA=" + r.listPath + "\r\n";
        text += plat::StrFormatC("IDBARRA=%" PRId32 "\r\nPEZZIFATTI=%" PRId32 "\r\n", r.barId, r.piecesDone);
        if (r.repetitionsAfter >= 0) text += plat::StrFormatC("RIPETIZIONI=%" PRId32 "\r\n", r.repetitionsAfter);
    }
    if (!r.owedLabels.empty() || !r.owedSupervisor.empty()) {
        text += "[STATLAB]\r\nETICHETTE=" + EscapeName(r.owedLabels) + "\r\n";
        text += "SUPERVISORE=" + EscapeName(r.owedSupervisor) + "\r\n";
    }
    return text;
}

JobRecord ParseJobRecord(const std::string& text) {
    JobRecord r;
    std::string section;
    bool listSeen = false;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t eol = text.find('\n', at);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(at, eol - at);
        at = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = Trimmed(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            section = Trimmed(t.substr(1, t.size() - 2));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Trimmed(line.substr(0, eq));
        const std::string raw = line.substr(eq + 1);
        if (SameWord(section, "STATBAR")) {
            if (SameWord(key, "NOMELDA")) {
                r.listPath = Trimmed(raw);
                listSeen = true;
            } else if (SameWord(key, "IDBARRA")) {
                r.barId = NumberOr(Trimmed(raw), -1);
            } else if (SameWord(key, "PEZZIFATTI")) {
                r.piecesDone = NumberOr(Trimmed(raw), 0);
            } else if (SameWord(key, "RIPETIZIONI")) {
                r.repetitionsAfter = NumberOr(Trimmed(raw), -1);
            }
        } else if (SameWord(section, "STATLAB")) {
            if (SameWord(key, "ETICHETTE")) r.owedLabels = UnescapeName(raw);
            else if (SameWord(key, "SUPERVISORE")) r.owedSupervisor = UnescapeName(raw);
        }
    }
    r.progress = listSeen;
    return r;
}

JobRecord ReadJobRecord() {
    if (g_barProgressPath[0] == '\0' || RecordIsStale()) return {};
    std::string bytes;
    if (!plat::IsRegularFile(g_barProgressPath) || !plat::ReadWholeFile(g_barProgressPath, bytes)) return {};
    return ParseJobRecord(bytes);
}

int KeepJobRecord(const JobRecord& r) {
    if (g_barProgressPath[0] == '\0') {
        SetFileFaultText(true, g_barProgressPath, ENOENT);
        return 2;
    }
    // Nothing to keep and no record: nothing is written (a run without labels and without
    // the progress leaves no file).
    if (r.Empty() && !RecordIsStale() && !plat::IsRegularFile(g_barProgressPath)) return 0;
    // New progress of a bar is its truth from here on, whatever the operator said about the old.
    if (r.progress) ForgetUnkept(r.barId, r.listPath);
    if (plat::WriteRecordAtomic(g_barProgressPath, JobRecordText(r))) {
        StaleRecord().clear();
        return 0;
    }
    SetFileFaultText(true, g_barProgressPath, errno);
    if (r.progress && r.piecesDone > 0) HoldUnkept(r.listPath, r.barId, r.piecesDone);
    // The record the write should have replaced tells another moment: a restart would resume
    // the bar after pieces never made, or name labels printed since. It goes (a removal needs
    // no free space).
    return DropRecord();
}

int WriteBarProgress(int32_t barId, const char* listPath, int32_t piecesDone) {
    JobRecord r = ReadJobRecord();
    r.progress = true;
    r.listPath = listPath != nullptr ? listPath : "";
    r.barId = barId;
    r.piecesDone = piecesDone;
    r.repetitionsAfter = -1;
    return KeepJobRecord(r);
}

int SettleFinishedRepetition(BarList& list) {
    JobRecord r = ReadJobRecord();
    if (!r.progress || r.repetitionsAfter < 0 || r.listPath != list.ListPath()) return 0;
    int result = 0;
    for (int i = 0; i < list.BarCount(); ++i) {
        const BarRecord& bar = *list.Bar(i);
        if (bar.index != r.barId) continue;
        // The count before the repetition: the power cut came before the list's write.
        if (bar.repetitionsLeft == r.repetitionsAfter + 1)
            result = list.SetBarRepetitionsLeft(i, static_cast<uint16_t>(r.repetitionsAfter));
        break;
    }
    if (result != 0) return result;
    r.repetitionsAfter = -1;
    return KeepJobRecord(r) != 0 ? 1 : 0;
}

int ConfirmBarProgressRecord() {
    if (g_barProgressPath[0] == '\0' || RecordIsStale()) return RecordIsStale() ? 1 : 0;
    std::string bytes;
    if (!plat::IsRegularFile(g_barProgressPath) || !plat::ReadWholeFile(g_barProgressPath, bytes)) return 0;
    // Rewritten with its own bytes, whatever keys it holds.
    if (plat::WriteRecordAtomic(g_barProgressPath, bytes)) return 0;
    SetFileFaultText(true, g_barProgressPath, errno);
    const JobRecord r = ParseJobRecord(bytes);
    if (r.progress && r.piecesDone > 0) HoldUnkept(r.listPath, r.barId, r.piecesDone);
    DropRecord();
    return 1;
}
