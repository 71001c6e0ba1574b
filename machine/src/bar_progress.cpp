// The bar progress file.
#include "machine/bar_progress.h"

#include <cerrno>
#include <cinttypes>
#include <string>

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

} // namespace

int ReadBarProgress(int32_t barId, const char* listPath) {
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

int WriteBarProgress(int32_t barId, const char* listPath, int32_t piecesDone) {
    if (g_barProgressPath[0] == '\0') {
        SetFileFaultText(true, g_barProgressPath, ENOENT);
        return 2;
    }
    std::string text = "[STATBAR]\r\n";
    text += "NOMELDA=";
    text += listPath != nullptr ? listPath : "";
    text += "\r\n";
    text += plat::StrFormatC("IDBARRA=%" PRId32 "\r\nPEZZIFATTI=%" PRId32 "\r\n", barId, piecesDone);
    if (plat::WriteRecordAtomic(g_barProgressPath, text)) {
        StaleRecord().clear();
        return 0;
    }
    SetFileFaultText(true, g_barProgressPath, errno);
    // The record the write should have replaced counts pieces of another moment: a restart
    // would resume the bar after pieces never made. It goes (a removal needs no free space).
    return DropRecord();
}

int ConfirmBarProgressRecord() {
    if (g_barProgressPath[0] == '\0' || RecordIsStale()) return RecordIsStale() ? 1 : 0;
    std::string bytes;
    if (!plat::IsRegularFile(g_barProgressPath) || !plat::ReadWholeFile(g_barProgressPath, bytes)) return 0;
    // Rewritten with its own bytes, whatever keys it holds.
    if (plat::WriteRecordAtomic(g_barProgressPath, bytes)) return 0;
    SetFileFaultText(true, g_barProgressPath, errno);
    DropRecord();
    return 1;
}
