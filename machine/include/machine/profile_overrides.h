#pragma once
// Per-profile overrides of machine parameters: one INI file per profile series,
// "%sCONF\%s.CP" under the program directory, one section per profile code. Key FLAG 1 puts
// the profile's overrides in force. Three kinds of operation per key:
//  - CpRead...: the stored value (texts at most 49 characters); a "filled" key missing from the
//    file ("-1") is written at once with the machine's value, which is returned;
//  - CpWrite...: writes the key (a null text removes it), then FLAG = 1;
//  - CpGet...: the effective value (lengths in thousandths): the profile's value with FLAG 1,
//    else the machine's parameter or a fixed value.
#include <cstdint>
#include <string>

class MachineSettings;

// The file of a series ("%sCONF\%s.CP" of the program directory).
std::string CpFilePath(const char* series);

int CpReadFlag(const char* series, const char* code);
// While one lives, CpReadFlag reads each profile's FLAG once and looks for each series' file
// once (a series without its file gives 0): for reading the values of many profiles together,
// as a list load does (each CpGet... asks for the FLAG again). Any write to a profile file
// makes the next CpReadFlag read anew.
class CpFlagCache {
public:
    CpFlagCache();
    ~CpFlagCache();
    CpFlagCache(const CpFlagCache&) = delete;
    CpFlagCache& operator=(const CpFlagCache&) = delete;
};
void CpWriteFlag(const char* series, const char* code, int flag);
// Removes the profile's section; with a count of 1 or less (no other profile of the series
// left) deletes the file too.
void CpDeleteProfile(const char* series, const char* code, int count);

// Text keys.
std::string CpReadOffY(const char* series, const char* code);
std::string CpReadOffZ(const char* series, const char* code);
std::string CpReadOffYPinza(const char* series, const char* code);
std::string CpReadOffZPinza(const char* series, const char* code);
std::string CpReadOffCPinza(const char* series, const char* code);
std::string CpReadVelhCut(const char* series, const char* code);
std::string CpReadChVVice(const char* series, const char* code);
std::string CpReadChHVice(const char* series, const char* code);
void CpWriteOffY(const char* series, const char* code, const char* text);
void CpWriteOffZ(const char* series, const char* code, const char* text);
void CpWriteOffYPinza(const char* series, const char* code, const char* text);
void CpWriteOffZPinza(const char* series, const char* code, const char* text);
void CpWriteOffCPinza(const char* series, const char* code, const char* text);
void CpWriteVelhCut(const char* series, const char* code, const char* text);
void CpWriteChVVice(const char* series, const char* code, const char* text);
void CpWriteChHVice(const char* series, const char* code, const char* text);

// Integer keys.
int CpReadTipoTaglio(const char* series, const char* code);  // default 2
int CpReadSalitaLama(const char* series, const char* code);  // default 0
int CpReadOptimLevel(const char* series, const char* code);  // default 1
int CpReadNoIngM3(const char* series, const char* code);
int CpReadNoIngM4(const char* series, const char* code);
int CpReadMhv(const char* series, const char* code);
int CpReadRibScar(const char* series, const char* code);
void CpWriteTipoTaglio(const char* series, const char* code, int value);
void CpWriteSalitaLama(const char* series, const char* code, int value);
void CpWriteOptimLevel(const char* series, const char* code, int value);
void CpWriteNoIngM3(const char* series, const char* code, int value);
void CpWriteNoIngM4(const char* series, const char* code, int value);
void CpWriteMhv(const char* series, const char* code, int value);
void CpWriteRibScar(const char* series, const char* code, int value);

// Filled keys (read with the machine's value written back when missing).
std::string CpReadDeltaDimY(const char* series, const char* code, const MachineSettings& s);
std::string CpReadHeadScrap(const char* series, const char* code, const MachineSettings& s);
std::string CpReadTailScrap(const char* series, const char* code, const MachineSettings& s);
std::string CpReadPosizScrap(const char* series, const char* code, const MachineSettings& s);
std::string CpReadNrLabel(const char* series, const char* code);
std::string CpReadIngScarico(const char* series, const char* code);
int CpReadCutMode90(const char* series, const char* code, const MachineSettings& s);
int CpReadCutModeNo90(const char* series, const char* code, const MachineSettings& s);
void CpWriteDeltaDimY(const char* series, const char* code, const char* text);
void CpWriteHeadScrap(const char* series, const char* code, const char* text);
void CpWriteTailScrap(const char* series, const char* code, const char* text);
void CpWritePosizScrap(const char* series, const char* code, const char* text);
void CpWriteNrLabel(const char* series, const char* code, const char* text);
void CpWriteIngScarico(const char* series, const char* code, const char* text);
void CpWriteCutMode90(const char* series, const char* code, int value);
void CpWriteCutModeNo90(const char* series, const char* code, int value);

// Effective values.
int32_t CpGetOffY(const char* series, const char* code);
int32_t CpGetOffZ(const char* series, const char* code);
int32_t CpGetTipoTaglio(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetSalitaLama(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetOffYPinza(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetOffZPinza(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetOffCPinza(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetVelhCut(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetOptimLevel(const char* series, const char* code);
int32_t CpGetChVVice(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetChHVice(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetCutMode90(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetCutModeNo90(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetHeadScrap(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetTailScrap(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetPosizScrap(const char* series, const char* code, const MachineSettings& s);
int32_t CpGetNrLabel(const char* series, const char* code);
int32_t CpGetIngScarico(const char* series, const char* code);
