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

int ReadBarProgress(int32_t barId, const char* listPath) {
    if (IsFileReadable(g_barProgressPath) == 0) return 0;
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
    if (plat::WriteRecordAtomic(g_barProgressPath, text)) return 0;
    SetFileFaultText(true, g_barProgressPath, errno);
    // The record the write should have replaced counts pieces of another moment: a restart
    // would resume the bar after pieces never made. It goes (a removal needs no free space).
    return plat::RemoveFile(g_barProgressPath) ? 1 : 2;
}
