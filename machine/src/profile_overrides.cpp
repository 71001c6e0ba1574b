// Per-profile parameter overrides ("%sCONF\%s.CP").
#include "machine/profile_overrides.h"

#include <map>
#include <utility>

#include "machine/file_routines.h"
#include "machine/ini_routines.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/units.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {
constexpr std::size_t kCpTextMax = 49;

// What CpReadFlag found while a CpFlagCache lives: the FLAG per profile, and per series whether
// its file is there. Forgotten at any write to a profile file.
struct FlagCache {
    int users = 0;
    std::map<std::pair<std::string, std::string>, int> flags;
    std::map<std::string, bool> seriesFiles;
};
FlagCache g_flagCache;

void ForgetFlag() {
    g_flagCache.flags.clear();
    g_flagCache.seriesFiles.clear();
}

std::string ReadText(const char* series, const char* code, const char* key, const char* def) {
    return ReadIniString(code, key, def, kCpTextMax, CpFilePath(series).c_str());
}
int ReadIntKey(const char* series, const char* code, const char* key, int def) {
    return ReadIniInt(code, key, def, CpFilePath(series).c_str());
}

// Writing any override puts the profile's overrides in force.
void WriteText(const char* series, const char* code, const char* key, const char* text) {
    ForgetFlag();
    const std::string file = CpFilePath(series);
    WriteIniString(code, key, text, file.c_str());
    WriteIniString(code, "FLAG", "1", file.c_str());
}
void WriteIntKey(const char* series, const char* code, const char* key, int value) {
    const std::string text = plat::StrFormatC("%d", value);
    WriteText(series, code, key, text.c_str());
}

// A filled key: "-1" (missing) is replaced in the file by the machine's value.
std::string ReadFilledText(const char* series, const char* code, const char* key, const std::string& fill) {
    std::string text = ReadText(series, code, key, "-1");
    if (text == "-1") {
        ForgetFlag();
        text = fill;
        WriteIniString(code, key, text.c_str(), CpFilePath(series).c_str());
    }
    return text;
}
std::string ReadFilledMm(const char* series, const char* code, const char* key, int32_t machineValue) {
    return ReadFilledText(series, code, key, plat::StrFormatC("%.2lf", FromThousandths(machineValue)));
}
int ReadFilledInt(const char* series, const char* code, const char* key, int machineValue) {
    int v = ReadIntKey(series, code, key, -1);
    if (v == -1) {
        ForgetFlag();
        v = machineValue;
        WriteIniInt(code, key, v, CpFilePath(series).c_str());
    }
    return v;
}

// A length of the profile in thousandths. A text that is not a number takes the fallback.
int32_t Thousandths(const std::string& text, int32_t fallback) {
    int32_t v = 0;
    return ParseThousandths(text.c_str(), &v) == 1 ? fallback : v;
}
} // namespace

std::string CpFilePath(const char* series) {
    return ProgramFilePath(std::string("CONF\\") + (series != nullptr ? series : "") + ".CP");
}

int CpReadFlag(const char* series, const char* code) {
    FlagCache& c = g_flagCache;
    if (c.users == 0 || series == nullptr || code == nullptr) return ReadIntKey(series, code, "FLAG", 0);
    auto key = std::make_pair(std::string(series), std::string(code));
    if (const auto found = c.flags.find(key); found != c.flags.end()) return found->second;
    auto file = c.seriesFiles.find(key.first);
    if (file == c.seriesFiles.end())
        file = c.seriesFiles.emplace(key.first, !plat::FindExisting(CpFilePath(series)).empty()).first;
    // Without its series' file a profile has no FLAG: 0, as the read would give.
    const int flag = file->second ? ReadIntKey(series, code, "FLAG", 0) : 0;
    c.flags.emplace(std::move(key), flag);
    return flag;
}

CpFlagCache::CpFlagCache() { ++g_flagCache.users; }

CpFlagCache::~CpFlagCache() {
    if (--g_flagCache.users == 0) ForgetFlag();
}

void CpWriteFlag(const char* series, const char* code, int flag) {
    ForgetFlag();
    WriteIniInt(code, "FLAG", flag, CpFilePath(series).c_str());
}

void CpDeleteProfile(const char* series, const char* code, int count) {
    ForgetFlag();
    const std::string file = CpFilePath(series);
    DeleteIniSection(code, file.c_str());
    if (count <= 1) DeleteFileRetry(file.c_str());
}

std::string CpReadOffY(const char* se, const char* co) { return ReadText(se, co, "OFFY", "0"); }
std::string CpReadOffZ(const char* se, const char* co) { return ReadText(se, co, "OFFZ", "0"); }
std::string CpReadOffYPinza(const char* se, const char* co) { return ReadText(se, co, "OFFY_PINZA", "0"); }
std::string CpReadOffZPinza(const char* se, const char* co) { return ReadText(se, co, "OFFZ_PINZA", "0"); }
std::string CpReadOffCPinza(const char* se, const char* co) { return ReadText(se, co, "OFFC_PINZA", "0"); }
// A missing feed reads as 0, "as the machine", as the default set writes it: a set in force
// without the key keeps the machine's head-cut feed.
std::string CpReadVelhCut(const char* se, const char* co) { return ReadText(se, co, "VELH_CUT", "0"); }
std::string CpReadChVVice(const char* se, const char* co) { return ReadText(se, co, "CH_V_VICE", "0"); }
std::string CpReadChHVice(const char* se, const char* co) { return ReadText(se, co, "CH_H_VICE", "0"); }
void CpWriteOffY(const char* se, const char* co, const char* t) { WriteText(se, co, "OFFY", t); }
void CpWriteOffZ(const char* se, const char* co, const char* t) { WriteText(se, co, "OFFZ", t); }
void CpWriteOffYPinza(const char* se, const char* co, const char* t) { WriteText(se, co, "OFFY_PINZA", t); }
void CpWriteOffZPinza(const char* se, const char* co, const char* t) { WriteText(se, co, "OFFZ_PINZA", t); }
void CpWriteOffCPinza(const char* se, const char* co, const char* t) { WriteText(se, co, "OFFC_PINZA", t); }
void CpWriteVelhCut(const char* se, const char* co, const char* t) { WriteText(se, co, "VELH_CUT", t); }
void CpWriteChVVice(const char* se, const char* co, const char* t) { WriteText(se, co, "CH_V_VICE", t); }
void CpWriteChHVice(const char* se, const char* co, const char* t) { WriteText(se, co, "CH_H_VICE", t); }

int CpReadTipoTaglio(const char* se, const char* co) { return ReadIntKey(se, co, "TIPO_TAGLIO", 2); }
int CpReadSalitaLama(const char* se, const char* co) { return ReadIntKey(se, co, "SALITA_LAMA", 0); }
int CpReadOptimLevel(const char* se, const char* co) { return ReadIntKey(se, co, "OPTIM_LEVEL", 1); }
int CpReadNoIngM3(const char* se, const char* co) { return ReadIntKey(se, co, "NO_ING_M3", 0); }
int CpReadNoIngM4(const char* se, const char* co) { return ReadIntKey(se, co, "NO_ING_M4", 0); }
int CpReadMhv(const char* se, const char* co) { return ReadIntKey(se, co, "MHV", 0); }
int CpReadRibScar(const char* se, const char* co) { return ReadIntKey(se, co, "RIB_SCAR", 0); }
void CpWriteTipoTaglio(const char* se, const char* co, int v) { WriteIntKey(se, co, "TIPO_TAGLIO", v); }
void CpWriteSalitaLama(const char* se, const char* co, int v) { WriteIntKey(se, co, "SALITA_LAMA", v); }
void CpWriteOptimLevel(const char* se, const char* co, int v) { WriteIntKey(se, co, "OPTIM_LEVEL", v); }
void CpWriteNoIngM3(const char* se, const char* co, int v) { WriteIntKey(se, co, "NO_ING_M3", v); }
void CpWriteNoIngM4(const char* se, const char* co, int v) { WriteIntKey(se, co, "NO_ING_M4", v); }
void CpWriteMhv(const char* se, const char* co, int v) { WriteIntKey(se, co, "MHV", v); }
void CpWriteRibScar(const char* se, const char* co, int v) { WriteIntKey(se, co, "RIB_SCAR", v); }

std::string CpReadDeltaDimY(const char* se, const char* co, const MachineSettings& s) {
    return ReadFilledMm(se, co, "DELTA_DIMY", s.DELTA_DIM_Y);
}
std::string CpReadHeadScrap(const char* se, const char* co, const MachineSettings& s) {
    return ReadFilledMm(se, co, "HEAD_SCRAP", s.SCARTO_TESTA);
}
std::string CpReadTailScrap(const char* se, const char* co, const MachineSettings& s) {
    return ReadFilledMm(se, co, "TAIL_SCRAP", s.SCARTO_CODA);
}
std::string CpReadPosizScrap(const char* se, const char* co, const MachineSettings& s) {
    return ReadFilledMm(se, co, "POSIZ_SCRAP", s.SCARTO_POSIZ);
}
std::string CpReadNrLabel(const char* se, const char* co) { return ReadFilledText(se, co, "NR_LABEL", "1"); }
std::string CpReadIngScarico(const char* se, const char* co) { return ReadFilledMm(se, co, "ING_SCARICO", 0); }
int CpReadCutMode90(const char* se, const char* co, const MachineSettings& s) {
    return ReadFilledInt(se, co, "CUT_MODE_90", s.MODO_TAGLIO);
}
int CpReadCutModeNo90(const char* se, const char* co, const MachineSettings& s) {
    return ReadFilledInt(se, co, "CUT_MODE_NO_90", s.MODO_TAGLIO);
}
void CpWriteDeltaDimY(const char* se, const char* co, const char* t) { WriteText(se, co, "DELTA_DIMY", t); }
void CpWriteHeadScrap(const char* se, const char* co, const char* t) { WriteText(se, co, "HEAD_SCRAP", t); }
void CpWriteTailScrap(const char* se, const char* co, const char* t) { WriteText(se, co, "TAIL_SCRAP", t); }
void CpWritePosizScrap(const char* se, const char* co, const char* t) { WriteText(se, co, "POSIZ_SCRAP", t); }
void CpWriteNrLabel(const char* se, const char* co, const char* t) { WriteText(se, co, "NR_LABEL", t); }
void CpWriteIngScarico(const char* se, const char* co, const char* t) { WriteText(se, co, "ING_SCARICO", t); }
void CpWriteCutMode90(const char* se, const char* co, int v) { WriteIntKey(se, co, "CUT_MODE_90", v); }
void CpWriteCutModeNo90(const char* se, const char* co, int v) { WriteIntKey(se, co, "CUT_MODE_NO_90", v); }

int32_t CpGetOffY(const char* se, const char* co) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadOffY(se, co), 0) : 0;
}
int32_t CpGetOffZ(const char* se, const char* co) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadOffZ(se, co), 0) : 0;
}
int32_t CpGetTipoTaglio(const char* se, const char* co, const MachineSettings& s) {
    if (CpReadFlag(se, co) == 0) return s.TIPO_TAGLIO;
    const int v = CpReadTipoTaglio(se, co);
    return (v == 0 || v == 1) ? v : s.TIPO_TAGLIO;
}
int32_t CpGetSalitaLama(const char* se, const char* co, const MachineSettings& s) {
    if (CpReadFlag(se, co) == 0) return s.SALITA_LAMA;
    const int v = CpReadSalitaLama(se, co);
    return (v >= 1 && v <= 4) ? v : s.SALITA_LAMA;
}
int32_t CpGetOffYPinza(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadOffYPinza(se, co), s.OFF_Y_PINZA) : s.OFF_Y_PINZA;
}
int32_t CpGetOffZPinza(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadOffZPinza(se, co), s.OFF_Z_PINZA) : s.OFF_Z_PINZA;
}
int32_t CpGetOffCPinza(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadOffCPinza(se, co), s.OFF_C_PINZA) : s.OFF_C_PINZA;
}
int32_t CpGetVelhCut(const char* se, const char* co, const MachineSettings& s) {
    if (CpReadFlag(se, co) == 0) return s.VEL_H_CUT;
    const int32_t v = Thousandths(CpReadVelhCut(se, co), 0);
    return v != 0 ? v : s.VEL_H_CUT;
}
int32_t CpGetOptimLevel(const char* se, const char* co) {
    if (CpReadFlag(se, co) == 0) return 1;
    const int v = CpReadOptimLevel(se, co);
    return (v >= 1 && v <= 3) ? v : 1;
}
int32_t CpGetChVVice(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadChVVice(se, co), s.CH_V_VICE) : s.CH_V_VICE;
}
int32_t CpGetChHVice(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadChHVice(se, co), s.CH_H_VICE) : s.CH_H_VICE;
}
int32_t CpGetCutMode90(const char* se, const char* co, const MachineSettings& s) {
    if (CpReadFlag(se, co) == 0) return s.MODO_TAGLIO;
    const int v = CpReadCutMode90(se, co, s);
    return v < 4 ? v : s.MODO_TAGLIO;
}
int32_t CpGetCutModeNo90(const char* se, const char* co, const MachineSettings& s) {
    if (CpReadFlag(se, co) == 0) return s.MODO_TAGLIO;
    const int v = CpReadCutModeNo90(se, co, s);
    return v < 4 ? v : s.MODO_TAGLIO;
}
int32_t CpGetHeadScrap(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadHeadScrap(se, co, s), s.SCARTO_TESTA) : s.SCARTO_TESTA;
}
int32_t CpGetTailScrap(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadTailScrap(se, co, s), s.SCARTO_CODA) : s.SCARTO_CODA;
}
int32_t CpGetPosizScrap(const char* se, const char* co, const MachineSettings& s) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadPosizScrap(se, co, s), s.SCARTO_POSIZ) : s.SCARTO_POSIZ;
}
int32_t CpGetNrLabel(const char* se, const char* co) {
    if (CpReadFlag(se, co) == 0) return 1;
    int32_t v = 1;
    // A count that is not a decimal integer prints one label.
    if (!plat::ParseInt32(CpReadNrLabel(se, co), v)) v = 1;
    return v;
}
int32_t CpGetIngScarico(const char* se, const char* co) {
    return CpReadFlag(se, co) != 0 ? Thousandths(CpReadIngScarico(se, co), 0) : 0;
}
