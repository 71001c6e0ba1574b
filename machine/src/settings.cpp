// The settings record: construction, the GENERAL keys and their setters, exit.
#include "machine/settings.h"

#include <algorithm>
#include <string>

#include "machine/ini_routines.h"
#include "machine/path_table.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "platform/paths.h"
#include "platform/serial_tty.h"
#include "platform/text.h"

namespace {
constexpr const char* kGeneral = "GENERAL";
constexpr const char* kLabel = "LABEL";
constexpr const char* kMsv = "MSV";
constexpr const char* kParam = "PARAM";
constexpr const char* kConfRalla = "CONF_RALLA";

constexpr int kLenRowMax = 40;

// Directory setters: compare ignoring case, then store and write the key.
void SetDirField(char* field, std::size_t size, const char* key, const char* text) {
    if (text == nullptr) return;
    if (plat::EqualsNoCase(field, text)) return;
    CopyField(field, size, text);
    WriteIniString(kGeneral, key, field, PathSlot(PathTable::kConfigPar));
}

// Integer setters: store and write only on change. Returns whether it changed.
bool SetIntField(int& field, const char* key, int value) {
    if (field == value) return false;
    field = value;
    WriteIniInt(kGeneral, key, value, PathSlot(PathTable::kConfigPar));
    return true;
}
} // namespace

MachineSettings::MachineSettings() {
    // Fixed settings of the print link: 9600 baud, 7 data bits, even parity, one stop bit.
    printLink.baudRate = 9600;
    printLink.byteSize = 7;
    printLink.parity = 2;
    printLink.stopBits = 0;
    // The supervisor link takes its line settings from CONFIG.PAR section MSV.
    const char* cfg = PathSlot(PathTable::kConfigPar);
    msvLink.baudRate = ReadIniInt(kMsv, "BAUD", 9600, cfg);
    msvLink.byteSize = ReadIniInt(kMsv, "SIZE", 7, cfg);
    msvLink.parity = ReadIniInt(kMsv, "PARITY", 2, cfg);
    msvLink.stopBits = ReadIniInt(kMsv, "STOP_BIT", 0, cfg);
    LoadGeneralSettings();
}

MachineSettings::~MachineSettings() { SaveSettingsOnExit(); }

void MachineSettings::LoadGeneralSettings() {
    const char* cfg = PathSlot(PathTable::kConfigPar);
    const std::size_t nameMax = kSettingsNameSize - 1;
    refusedDirectoryKeys.clear();
    ReadDirectoryKey(DIR_LDA, "DIR_LDA", "\\", 0);
    ReadDirectoryKey(DIR_ISO, "DIR_ISO", "\\", 0);
    ReadDirectoryKey(DIR_UTEN, "DIR_UTEN", "\\", kToolDirFileChars);
    ReadDirectoryKey(DIR_DXF, "DIR_DXF", "\\", 0);
    ReadDirectoryKey(DIR_VLK, "DIR_VLK", "\\", 0);
    ReadDirectoryKey(DIR_V1V2, "DIR_V1V2", "\\", 0);
    CopyField(QBLADE_NAME, ReadIniString(kGeneral, "QBLADE_NAME", "QBLADE", nameMax, cfg).c_str());
    CopyField(SLICERBLADE_NAME, ReadIniString(kGeneral, "SLICERBLADE_NAME", "BLADE", nameMax, cfg).c_str());
    STEP_RIP = ReadIniInt(kGeneral, "STEP_RIP", 0, cfg);
    CHANGE_RIP = ReadIniInt(kGeneral, "CHANGE_RIP", 0, cfg);
    TYPE_OTTIM = ReadIniInt(kGeneral, "TYPE_OTTIM", 2, cfg);
    TYPE_EXEC = ReadIniInt(kGeneral, "TYPE_EXEC", 0, cfg);
    CHANGE_RALLA = ReadIniInt(kGeneral, "CHANGE_RALLA", 1, cfg);
    CK_LIMITS = ReadIniInt(kGeneral, "CK_LIMITS", 1, cfg);
    TIPO_SELEZ = ReadIniInt(kGeneral, "TIPO_SELEZ", 0, cfg);
    BC_FAMILY = ReadIniInt(kGeneral, "BC_FAMILY", 1, cfg);
    SetUnitSystem(ReadIniInt(kGeneral, "UN_MIS", kUnitMillimetres, cfg));
    CopyField(NOME_MACCHINA_LOG, ReadIniString(kGeneral, "NOME_MACCHINA_LOG", "BRELON", nameMax, cfg).c_str());
    ReadDirectoryKey(DIR_LOG, "DIR_LOG", "C:\\BRELON2\\VELMO\\LOG\\", kLogDirFileChars);
    LOG_SUPERVISOR = ReadIniInt(kGeneral, "LOG_SUPERVISOR", 0, cfg);
    IMPORT_DEFPRO = ReadIniInt(kGeneral, "IMPORT_DEFPRO", 2, cfg);

    // A printed row holds at most 40 characters (and never a negative count).
    LEN_ROW = std::clamp(ReadIniInt(kLabel, "LEN_ROW", 20, cfg), 0, kLenRowMax);
    HEAD_FONT = ReadIniInt(kLabel, "HEAD_FONT", 28, cfg);
    FONT = ReadIniInt(kLabel, "FONT", 29, cfg);
    LF_VERT = ReadIniInt(kLabel, "LF_VERT", 0, cfg);
    LF_ORIZ = ReadIniInt(kLabel, "LF_ORIZ", 10, cfg);
    BC_HEIGHT = ReadIniInt(kLabel, "BC_HEIGHT", 2, cfg);
    BC_DENSITY = ReadIniInt(kLabel, "BC_DENSITY", 1, cfg);

    STATUS_TIMER = ReadIniInt(kGeneral, "STATUS_TIMER", 250, cfg);
    ISO_TIMER = ReadIniInt(kGeneral, "ISO_TIMER", 400, cfg);
    PRINT_TIMER = ReadIniInt(kGeneral, "PRINT_TIMER", 2000, cfg);
    MSG_TIMER = ReadIniInt(kGeneral, "MSG_TIMER", 500, cfg);
    CMD_TIMER = ReadIniInt(kGeneral, "CMD_TIMER", 3000, cfg);

    MAX_POS_SCARIC = ReadIniInt(kParam, "MAX_POS_SCARIC", 1, PathSlot(PathTable::kParamPar));
    DEF_POS_SCARIC = ReadIniInt(kParam, "DEF_POS_SCARIC", 1, PathSlot(PathTable::kParamPar));
}

void MachineSettings::ReadDirectoryKey(char* field, const char* key, const char* defaultValue, int fileChars) {
    // Read past the field's size, so a key that would be cut is seen whole: a cut folder names
    // another folder, so the key is refused (its default used) and the refusal kept for the start
    // to tell the operator.
    constexpr std::size_t kReadAtMost = 4096;
    const std::string value = ReadIniString(kGeneral, key, defaultValue, kReadAtMost, PathSlot(PathTable::kConfigPar));
    const int most = kStoredPathChars - fileChars;
    if (static_cast<int>(value.size()) > most) {
        refusedDirectoryKeys.push_back({key, static_cast<int>(value.size()), most, value});
        CopyField(field, kSettingsDirSize, defaultValue);
        return;
    }
    CopyField(field, kSettingsDirSize, value.c_str());
}

std::string RefusedDirectoryKeyText(const RefusedDirectoryKey& refused, const char* configPath) {
    constexpr std::size_t kValueShown = 40;
    const std::string value =
        refused.value.size() > kValueShown ? refused.value.substr(0, kValueShown) + "..." : refused.value;
    return std::string(MsgError("ERR_DIR_KEY_LONG")) + "\n" + plat::NativePath(configPath != nullptr ? configPath : "") +
           " [" + kGeneral + "] " + refused.key + ": " + std::to_string(refused.length) + " > " +
           std::to_string(refused.most) + "\n" + value;
}

void MachineSettings::SetDirLda(const char* dir) { SetDirField(DIR_LDA, sizeof DIR_LDA, "DIR_LDA", dir); }
void MachineSettings::SetDirIso(const char* dir) { SetDirField(DIR_ISO, sizeof DIR_ISO, "DIR_ISO", dir); }
void MachineSettings::SetDirUten(const char* dir) { SetDirField(DIR_UTEN, sizeof DIR_UTEN, "DIR_UTEN", dir); }
void MachineSettings::SetDirDxf(const char* dir) { SetDirField(DIR_DXF, sizeof DIR_DXF, "DIR_DXF", dir); }
void MachineSettings::SetDirVlk(const char* dir) { SetDirField(DIR_VLK, sizeof DIR_VLK, "DIR_VLK", dir); }
void MachineSettings::SetDirLog(const char* dir) { SetDirField(DIR_LOG, sizeof DIR_LOG, "DIR_LOG", dir); }
void MachineSettings::SetMachineLogName(const char* name) {
    SetDirField(NOME_MACCHINA_LOG, sizeof NOME_MACCHINA_LOG, "NOME_MACCHINA_LOG", name);
}

void MachineSettings::SetStepRip(int value) { SetIntField(STEP_RIP, "STEP_RIP", value); }
int MachineSettings::SetChangeRip(int value) { return SetIntField(CHANGE_RIP, "CHANGE_RIP", value) ? 1 : 0; }
void MachineSettings::SetTypeOttim(int value) { SetIntField(TYPE_OTTIM, "TYPE_OTTIM", value); }
void MachineSettings::SetImportDefpro(int value) { SetIntField(IMPORT_DEFPRO, "IMPORT_DEFPRO", value); }
void MachineSettings::SetTipoSelez(int value) { SetIntField(TIPO_SELEZ, "TIPO_SELEZ", value); }
void MachineSettings::SetBcFamily(int value) { SetIntField(BC_FAMILY, "BC_FAMILY", value); }
void MachineSettings::SetTypeExec(int value) { SetIntField(TYPE_EXEC, "TYPE_EXEC", value); }
void MachineSettings::SetChangeRalla(int value) { SetIntField(CHANGE_RALLA, "CHANGE_RALLA", value); }
void MachineSettings::SetLogSupervisor(int value) { SetIntField(LOG_SUPERVISOR, "LOG_SUPERVISOR", value); }

void MachineSettings::SetLastLoadedBar(const char* series, const char* code, const char* colour,
                                       int32_t firstAngle, int32_t length, int32_t loadType) {
    CopyField(lastBarSeries, series);
    CopyField(lastBarCode, code);
    CopyField(lastBarColour, colour);
    lastBarFirstAngle = firstAngle;
    lastBarLength = length;
    lastBarLoadType = loadType;
}

void MachineSettings::SaveSettingsOnExit() {
    WriteIniInt(kGeneral, "UN_MIS", GetUnitSystem(), PathSlot(PathTable::kConfigPar));
    ClosePrintPcPort(1);
    CloseSupervisorPort(1);
}

int GetPortMsv() { return ReadIniInt(kParam, "PORT_MSV", 0, PathSlot(PathTable::kParamPar)); }
void SetPortMsv(int port) { WriteIniInt(kParam, "PORT_MSV", port, PathSlot(PathTable::kParamPar)); }

int GetT5On() { return ReadIniInt(kConfRalla, "T5_ON", 0, PathSlot(PathTable::kConfigPar)); }
int GetT6On() { return ReadIniInt(kConfRalla, "T6_ON", 0, PathSlot(PathTable::kConfigPar)); }
int GetT7On() { return ReadIniInt(kConfRalla, "T7_ON", 0, PathSlot(PathTable::kConfigPar)); }
int GetT8On() { return ReadIniInt(kConfRalla, "T8_ON", 0, PathSlot(PathTable::kConfigPar)); }
bool SetT5On(int on) { return WriteIniInt(kConfRalla, "T5_ON", on, PathSlot(PathTable::kConfigPar)); }
bool SetT6On(int on) { return WriteIniInt(kConfRalla, "T6_ON", on, PathSlot(PathTable::kConfigPar)); }
bool SetT7On(int on) { return WriteIniInt(kConfRalla, "T7_ON", on, PathSlot(PathTable::kConfigPar)); }
bool SetT8On(int on) { return WriteIniInt(kConfRalla, "T8_ON", on, PathSlot(PathTable::kConfigPar)); }
