// The settings record: construction, the GENERAL keys and their setters, exit.
#include "machine/settings.h"

#include <algorithm>
#include <string>

#include "machine/units.h"
#include "platform/serial_tty.h"
#include "platform/text.h"
#include "settings_ini.h"

using namespace settings_ini;

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
    WriteString(ConfigPar(), kGeneral, key, field);
}

// Integer setters: store and write only on change. Returns whether it changed.
bool SetIntField(int& field, const char* key, int value) {
    if (field == value) return false;
    field = value;
    WriteInt(ConfigPar(), kGeneral, key, value);
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
    msvLink.baudRate = ReadInt(ConfigPar(), kMsv, "BAUD", 9600);
    msvLink.byteSize = ReadInt(ConfigPar(), kMsv, "SIZE", 7);
    msvLink.parity = ReadInt(ConfigPar(), kMsv, "PARITY", 2);
    msvLink.stopBits = ReadInt(ConfigPar(), kMsv, "STOP_BIT", 0);
    LoadGeneralSettings();
}

MachineSettings::~MachineSettings() { SaveSettingsOnExit(); }

void MachineSettings::LoadGeneralSettings() {
    const char* cfg = ConfigPar();
    const std::size_t dirMax = kSettingsDirSize - 1;
    const std::size_t nameMax = kSettingsNameSize - 1;
    CopyField(DIR_LDA, ReadString(cfg, kGeneral, "DIR_LDA", "\\", dirMax).c_str());
    CopyField(DIR_ISO, ReadString(cfg, kGeneral, "DIR_ISO", "\\", dirMax).c_str());
    CopyField(DIR_UTEN, ReadString(cfg, kGeneral, "DIR_UTEN", "\\", dirMax).c_str());
    CopyField(DIR_DXF, ReadString(cfg, kGeneral, "DIR_DXF", "\\", dirMax).c_str());
    CopyField(DIR_VLK, ReadString(cfg, kGeneral, "DIR_VLK", "\\", dirMax).c_str());
    CopyField(DIR_V1V2, ReadString(cfg, kGeneral, "DIR_V1V2", "\\", dirMax).c_str());
    CopyField(QBLADE_NAME, ReadString(cfg, kGeneral, "QBLADE_NAME", "QBLADE", nameMax).c_str());
    CopyField(SLICERBLADE_NAME, ReadString(cfg, kGeneral, "SLICERBLADE_NAME", "BLADE", nameMax).c_str());
    STEP_RIP = ReadInt(cfg, kGeneral, "STEP_RIP", 0);
    CHANGE_RIP = ReadInt(cfg, kGeneral, "CHANGE_RIP", 0);
    TYPE_OTTIM = ReadInt(cfg, kGeneral, "TYPE_OTTIM", 2);
    TYPE_EXEC = ReadInt(cfg, kGeneral, "TYPE_EXEC", 0);
    CHANGE_RALLA = ReadInt(cfg, kGeneral, "CHANGE_RALLA", 1);
    CK_LIMITS = ReadInt(cfg, kGeneral, "CK_LIMITS", 1);
    TIPO_SELEZ = ReadInt(cfg, kGeneral, "TIPO_SELEZ", 0);
    BC_FAMILY = ReadInt(cfg, kGeneral, "BC_FAMILY", 1);
    SetUnitSystem(ReadInt(cfg, kGeneral, "UN_MIS", kUnitMillimetres));
    CopyField(NOME_MACCHINA_LOG, ReadString(cfg, kGeneral, "NOME_MACCHINA_LOG", "BRELON", nameMax).c_str());
    CopyField(DIR_LOG, ReadString(cfg, kGeneral, "DIR_LOG", "C:\\BRELON2\\VELMO\\LOG\\", dirMax).c_str());
    LOG_SUPERVISOR = ReadInt(cfg, kGeneral, "LOG_SUPERVISOR", 0);
    IMPORT_DEFPRO = ReadInt(cfg, kGeneral, "IMPORT_DEFPRO", 2);

    // A printed row holds at most 40 characters (and never a negative count).
    LEN_ROW = std::clamp(ReadInt(cfg, kLabel, "LEN_ROW", 20), 0, kLenRowMax);
    HEAD_FONT = ReadInt(cfg, kLabel, "HEAD_FONT", 28);
    FONT = ReadInt(cfg, kLabel, "FONT", 29);
    LF_VERT = ReadInt(cfg, kLabel, "LF_VERT", 0);
    LF_ORIZ = ReadInt(cfg, kLabel, "LF_ORIZ", 10);
    BC_HEIGHT = ReadInt(cfg, kLabel, "BC_HEIGHT", 2);
    BC_DENSITY = ReadInt(cfg, kLabel, "BC_DENSITY", 1);

    STATUS_TIMER = ReadInt(cfg, kGeneral, "STATUS_TIMER", 250);
    ISO_TIMER = ReadInt(cfg, kGeneral, "ISO_TIMER", 400);
    PRINT_TIMER = ReadInt(cfg, kGeneral, "PRINT_TIMER", 2000);
    MSG_TIMER = ReadInt(cfg, kGeneral, "MSG_TIMER", 500);
    CMD_TIMER = ReadInt(cfg, kGeneral, "CMD_TIMER", 3000);

    MAX_POS_SCARIC = ReadInt(ParamPar(), kParam, "MAX_POS_SCARIC", 1);
    DEF_POS_SCARIC = ReadInt(ParamPar(), kParam, "DEF_POS_SCARIC", 1);
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
    WriteInt(ConfigPar(), kGeneral, "UN_MIS", GetUnitSystem());
    ClosePrintPcPort(1);
    CloseSupervisorPort(1);
}

int GetPortMsv() { return ReadInt(ParamPar(), kParam, "PORT_MSV", 0); }
void SetPortMsv(int port) { WriteInt(ParamPar(), kParam, "PORT_MSV", port); }

int GetT5On() { return ReadInt(ConfigPar(), kConfRalla, "T5_ON", 0); }
int GetT6On() { return ReadInt(ConfigPar(), kConfRalla, "T6_ON", 0); }
int GetT7On() { return ReadInt(ConfigPar(), kConfRalla, "T7_ON", 0); }
int GetT8On() { return ReadInt(ConfigPar(), kConfRalla, "T8_ON", 0); }
void SetT5On(int on) { WriteInt(ConfigPar(), kConfRalla, "T5_ON", on); }
void SetT6On(int on) { WriteInt(ConfigPar(), kConfRalla, "T6_ON", on); }
void SetT7On(int on) { WriteInt(ConfigPar(), kConfRalla, "T7_ON", on); }
void SetT8On(int on) { WriteInt(ConfigPar(), kConfRalla, "T8_ON", on); }
