#pragma once
// MachineSettings: the one settings record of the program. It holds the working directories,
// the GENERAL options and timer periods of "CONFIG.PAR", the label layout of the directly
// driven printer, the two serial links (supervisor and print) and every machine parameter of
// the twelve parameter groups (params.h) with the travel limits derived from them.
// Reached through g_pSettings (globals.h). All configuration is INI text read and written one
// key at a time through the path table's "CONFIG.PAR" and "PARAM.PAR".
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "machine/globals.h"

namespace plat {
class SerialPort;
struct SerialSettings;
} // namespace plat

inline constexpr std::size_t kSettingsDirSize = 260;
inline constexpr std::size_t kSettingsNameSize = 20;
// Longest stored path: a path slot and a directory field hold 259 characters and the terminator.
inline constexpr int kStoredPathChars = 259;
// Room a directory must leave for the files built on it: the tool directory holds "TOOLS.TXT"
// and "STORE.INI", the log directory the daily event log "YYYYMMDD.LGC".
inline constexpr int kToolDirFileChars = 9;
inline constexpr int kLogDirFileChars = 12;

// A directory key of "CONFIG.PAR" too long for a stored path with its files: its length and the
// most it may hold. Such a key is not used; the directory takes the key's default.
struct RefusedDirectoryKey {
    std::string key;
    int length = 0;
    int most = 0;
    std::string value; // the key's text as configured
};
// The operator's text of a refused key: ERR_DIR_KEY_LONG, then the file (by its path on this
// system), section, key, its length and the most it may hold, then the configured value (its
// first 40 characters and "..." when longer).
std::string RefusedDirectoryKeyText(const RefusedDirectoryKey& refused, const char* configPath);

// Device-control record of one serial link: what the link asks of the port.
struct SerialLinkSettings {
    int baudRate = 9600;
    int byteSize = 8;   // data bits
    int parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;   // 0 one, 1 one and a half, 2 two
    // Flag word: both links keep binary mode and turn every check and flow control off.
    bool binary = true;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    bool outX = false;
    bool inX = false;
    bool nullDiscard = false;
    int xonLimit = 10;
    int xoffLimit = 10;
    char xonChar = 17;
    char xoffChar = 19;
    char errorChar = 0;
    char eofChar = 0;
    char eventChar = 0;

    // The same settings for the platform's port; false when they name a baud rate, byte size,
    // parity or stop-bit code the port cannot take.
    bool ToPlatform(plat::SerialSettings& out) const;
};

// Machine option flags (0 or 1), set by the main window at creation from the controller or from
// the office machine description "ConfMac.dbg".
struct MachineOptions {
    int BARR_SX = 0;
    int ASSEC = 0;
    int MORSE_SUPP = 0;
    int SLITTA_MAND1 = 0;
    int SCARICO_RAPIPO = 0;
    int MAGAZZINO_CARICO = 0;
};

class MachineSettings {
public:
    // Builds the record: serial links closed, print link at its fixed settings, supervisor link
    // from CONFIG.PAR section MSV, then LoadGeneralSettings.
    MachineSettings();
    // SaveSettingsOnExit.
    ~MachineSettings();
    MachineSettings(const MachineSettings&) = delete;
    MachineSettings& operator=(const MachineSettings&) = delete;

    // Reads the GENERAL, LABEL and PARAM keys of the record (defaults for missing keys; nothing
    // is written back) and hands UN_MIS to SetUnitSystem.
    void LoadGeneralSettings();
    // One GENERAL directory key into its field; a key too long for a stored path with fileChars
    // more characters is refused (see refusedDirectoryKeys).
    void ReadDirectoryKey(char* field, const char* key, const char* defaultValue, int fileChars);

    // Directory and name setters: when the new text differs from the field ignoring case, copy it
    // (cut to the field) and write the key to GENERAL of CONFIG.PAR.
    void SetDirLda(const char* dir);
    void SetDirIso(const char* dir);
    void SetDirUten(const char* dir);
    void SetDirDxf(const char* dir);
    void SetDirVlk(const char* dir);
    void SetDirLog(const char* dir);
    void SetMachineLogName(const char* name);

    // Integer setters: when the value differs, store it and write it to GENERAL.
    void SetStepRip(int value);
    int SetChangeRip(int value); // 1 when it changed the value, else 0
    void SetTypeOttim(int value);
    void SetImportDefpro(int value);
    void SetTipoSelez(int value);
    void SetBcFamily(int value);
    void SetTypeExec(int value);
    void SetChangeRalla(int value);
    void SetLogSupervisor(int value);

    // The last loaded bar (job block).
    void SetLastLoadedBar(const char* series, const char* code, const char* colour, int32_t firstAngle,
                          int32_t length, int32_t loadType);

    // Parameter group 6 and the port names; opens the supervisor link on the first load.
    // Later loads take the label printer kind, the line and the loading side at once; a new
    // print port waits for the next start (told once). 0 done, 1 failed with the text in
    // g_errorText.
    int LoadPortParameters();
    // Open one link: 0 done or nothing to do, 1 failed with the text in g_errorText.
    int OpenSupervisorPort();
    int OpenPrintPcPort();
    // With a non-zero flag and the link's open attempted: close it and clear flag and handle.
    void CloseSupervisorPort(int flag);
    void ClosePrintPcPort(int flag);
    // The open links, null when closed.
    plat::SerialPort* GetSupervisorPort() const;
    plat::SerialPort* GetPrintPcPort() const;

    // Writes GENERAL UN_MIS with the current unit system, closes both links.
    void SaveSettingsOnExit();

    // ---- GENERAL ----
    char DIR_LDA[kSettingsDirSize] = {};
    char DIR_ISO[kSettingsDirSize] = {};
    char DIR_DXF[kSettingsDirSize] = {};
    char DIR_UTEN[kSettingsDirSize] = {};
    char DIR_VLK[kSettingsDirSize] = {};
    char DIR_LOG[kSettingsDirSize] = {};
    char DIR_V1V2[kSettingsDirSize] = {};
    char NOME_MACCHINA_LOG[kSettingsNameSize] = {};
    // The directory keys refused at the last load, in reading order (see RefusedDirectoryKey).
    std::vector<RefusedDirectoryKey> refusedDirectoryKeys;

    // Job block: the last loaded bar, written by the bar confirmation.
    char lastBarSeries[9] = {};
    char lastBarCode[9] = {};
    char lastBarColour[20] = {};
    int32_t lastBarLoadType = 0;
    int32_t lastBarFirstAngle = 0;
    int32_t lastBarLength = 0;

    int STEP_RIP = 0;
    int CHANGE_RIP = 0;
    int TYPE_OTTIM = 2;
    int TIPO_SELEZ = 0;
    int BC_FAMILY = 1;
    int TYPE_EXEC = 0;
    int CHANGE_RALLA = 1;
    int IMPORT_DEFPRO = 2;
    int CK_LIMITS = 1;
    int LOG_SUPERVISOR = 0;

    // ---- label layout of the directly driven printer (label_settings.h) ----
    char labelHeadText[41] = {};        // STR_HEAD, at most LEN_ROW characters
    char labelCaptions[8][13] = {};     // right-aligned captions with ":"
    int labelLineTypes[8] = {};         // TYPE1..TYPE8
    std::string labelHeaderLine;        // at most 99 bytes
    std::string labelTrailer;           // at most 99 bytes
    int labelLineCount = 0;
    int LEN_ROW = 20;                   // 0..40
    int LF_VERT = 0;
    int LF_ORIZ = 10;
    int PRINT = 0;
    int PRINT_NOSHORT = 0;
    int HEAD_FONT = 28;
    int FONT = 29;
    int BC_HEIGHT = 2;
    int labelBcType = 0;                // effective barcode type
    int BC_DENSITY = 1;
    int TYPE_HEAD = 0;
    int STAMPA_BARCODE1 = 0;
    int STAMPA_BARCODE2 = 0;
    char labelInfoCaptions[4][19] = {}; // HEAD1..HEAD4
    int labelInfoSelectors[4] = {};     // INFO1..INFO4

    // Tool-offset extremes of the ralla (thousandths): smallest and largest X offset, largest
    // absolute Y or Z offset. Only widened by loads.
    int32_t offXMin = 0;
    int32_t offXMax = 0;
    int32_t offYZMax = 0;

    // ---- serial links ----
    int PORT_PC_PRINT = 0;
    char printPortName[5] = {};
    SerialLinkSettings printLink;
    int printLinkAttempted = 0;
    int PORT_MSV = 0;
    char msvPortName[5] = {};
    SerialLinkSettings msvLink;
    int msvLinkAttempted = 0;

    // Timer periods, milliseconds.
    int STATUS_TIMER = 250;
    int ISO_TIMER = 400;
    int PRINT_TIMER = 2000;
    int MSG_TIMER = 500;
    int CMD_TIMER = 3000;

    // Change flags raised by the settings dialogs, consumed at the next list opening.
    int ConfigChanged = 0;
    int ParamChanged = 0;
    int ToolsChanged = 0;
    int LabelChanged = 0;
    // 1 while the last load of all machine parameters succeeded, 0 before the first and after
    // a failed one: only then are the blade values real and blade records written from them.
    int ParametersLoaded = 0;

    // Group 6 values.
    int CONF_FILE_OTT = 0;
    int CONF_LINEA = 0;
    int CONF_CARICO = 0;
    int firstPortLoad = 1;
    // The print port a later load found in the file while the one of the start stays in use
    // (-1 none): the operator has been told of it once.
    int pendingPrintPort = -1;

    // ---- machine parameters (params.h); lengths in thousandths ----
    // Travel limits: the parameters and the limits derived from them and the ralla offsets.
    int32_t X_PAR_MAX = 0;
    int32_t X_PAR_MIN = 0;
    int32_t X_TRAVEL_MAX = 0;
    int32_t X_TRAVEL_MIN = 0;
    int32_t Y_PAR_MAX = 0;
    int32_t Y_PAR_MIN = 0;
    int32_t Z_PAR_MAX = 0;
    int32_t Z_PAR_MIN = 0;
    int32_t Y_TRAVEL_MAX = 0;
    int32_t Y_TRAVEL_MIN = 0;
    int32_t Z_TRAVEL_MAX = 0;
    int32_t Z_TRAVEL_MIN = 0;
    // Not read: the engine's cut allowance of variants 0 and 2 (before the first piece and
    // between pieces) is one blade thickness, decided in the bar-length check.
    int32_t cutAllowance = 0;

    // Group 1: milling.
    int32_t VEL_ASPORT = 0;  // tenths
    int32_t VEL_SFOND = 0;
    int32_t MAX_SBALZO = 0;
    int32_t SGROSSATURA = 0;
    int32_t TIPO_SCARIC = 0;
    int32_t MORSE_SUPP = 0;
    int32_t DELTA_DIM_Y = 0;
    int32_t SENSO_FIGURE = 0;
    int32_t CK_MASC_SVAS = 0;
    int32_t CK_TOOL = 0;
    int32_t RIF_BARR_CH = 0;
    // Group 2: cut-off and clamp.
    int32_t TIPO_TAGLIO = 0;
    int32_t TIPO_CARIC = 0;
    int32_t SALITA_LAMA = 0; // the parameter plus 1
    int32_t AUTO_TRAS_LAV = 0;
    int32_t SCARTO_TESTA = 0;
    int32_t SCARTO_CODA = 0;
    int32_t SCARTO_POSIZ = 0;
    int32_t OFF_Y_PINZA = 0;
    int32_t OFF_Z_PINZA = 0;
    int32_t MEM_PEZZI = 0;
    int32_t DIM_SPZ_REC = 0;
    int32_t VEL_H_CUT = 0;
    int32_t OFF_C_PINZA = 0;
    int32_t NOCK_PINZA_OP = 0;
    int32_t CH_V_VICE = 0;
    int32_t CH_H_VICE = 0;
    int32_t MAX_U_OUT34 = 0;
    int32_t CK_DXF = 0;
    // Group 3: axes and spindles (travel parameters above).
    int32_t DIST_MANDRINI = 0;
    int32_t DIST_MORSE = 0;
    int32_t IMMORS_MIN = 0;
    int32_t IMMORS_MIN_OBL = 0;
    int32_t MAX_VEL_ROT = 0;
    int32_t ROT_OLTRE_MAX = 0;
    int32_t ROT_OLTRE_MAX2 = 0; // second copy of ROT_OLTRE_MAX
    int32_t VEL_TAGLIO = 0;
    int32_t POSIZ_BARRIERA = 0;
    int32_t INSER_OTTIM = 0;
    int32_t ROT_INTERP = 0;
    int32_t LASER_CK_TOOL = 0;
    int32_t EXTRA_MAND_OUT = 0;
    int32_t POSIZ_BARR_SX = 0;
    // Group 4: loading and unloading.
    int32_t CARIC_AUTOM = 0;
    int32_t UNIONE_INTEST = 0;
    int32_t DIST_BOTOLA = 0;
    int32_t DIM_BOTOLA = 0;
    int32_t DIST_SCARIC = 0;
    int32_t RANGE_SCARIC = 0;
    int32_t X_MAX_PINZA = 0;
    int32_t X_MIN_SPATOLA = 0;
    int32_t DIM_MIN_SCARTO = 0;
    int32_t DIM_MIN_PEZZO = 0;
    int32_t CK_UNION_TAGLI = 0;
    int32_t CK_ANGOLI = 0;
    int32_t DIM_MAX_SCAR = 0;
    int32_t DIM_PZ_CORTO = 0;
    int32_t DIM_SC_FIN_BOT = 0;
    int32_t EXTRA_H_APPR = 0;
    int32_t MODO_TAGLIO = 0;
    int32_t DIM_MAX_PZ_BOT = 0;
    int32_t L_PROF_LR_ANT = 0;
    int32_t DISTR_SCARTO = 0;
    int32_t H_PROF_SC_RAPIDO = 0;
    // Groups 5 and 7: ralla tool offsets of T1..T8 (index 0 is T1).
    int32_t OFFX_T[8] = {};
    int32_t OFFY_T[8] = {};
    int32_t OFFZ_T[8] = {};
    // Group 8: blade corrections.
    int32_t CORR_X_LAME = 0;
    int32_t CORR_P_LAME = 0;
    int32_t SPESS_LAMA_45 = 0;
    int32_t SPESS_LAMA_135 = 0;
    int32_t MAX_POLVERE = 0;
    int32_t OFF_SCARICO = 0;
    // Group 9: blade and its head.
    int32_t DIST_LAMA = 0;
    int32_t SPESS_LAMA = 0;
    int32_t OFF_X_LAMA = 0;
    int32_t OFF_Y_LAMA = 0;
    int32_t Y_MIN_LAMA = 0;
    int32_t Y_MAX_LAMA = 0;
    int32_t DIAM_FLANGIA_LAMA = 0;
    int32_t SPESS_FLANGIA_LAMA = 0;
    int32_t DIAM_DADO_LAMA = 0;
    int32_t SPESS_DADO_LAMA = 0;
    int32_t DIAM_LAMA = 0;
    int32_t L_BRACCIO = 0;
    int32_t H_BRACCIO = 0;
    int32_t L_MOTOR = 0;
    int32_t H_MOTOR = 0;
    int32_t Z_MIN_LAMA = 0;
    int32_t Z_MAX_LAMA = 0;
    int32_t Q_MIN_LAMA = 0;
    int32_t Q_MAX_LAMA = 0;
    int32_t ING_Y_BRACCIO = 0;
    int32_t ING_Y_MOTOR = 0;
    // Group 10: vices.
    int32_t X_MIN_MORSA = 0;
    int32_t X_MAX_MORSA = 0;
    int32_t DELTA_H_MORSE_CL = 0;
    int32_t DELTA_L_MORSE_CL = 0;
    int32_t H_MAX_MORSE_OP = 0;
    int32_t DIST_MORSE_LAMA = 0;
    int32_t DIST_MORSE34 = 0;
    int32_t L_MORSA = 0;
    int32_t CORR_X_ASSE_U = 0;
    int32_t CORR_X_ASSE_B = 0;
    int32_t DELTA_IMMORS_B = 0;
    int32_t DELTA_X_MORSA_B = 0;
    int32_t DELTA_X_SUPPORTO_B = 0;
    int32_t DELTA_X_SUPPORTO_34 = 0;
    int32_t DELTA_X_ING_ALTO = 0;
    int32_t SPESS_ESTRATT = 0;
    int32_t H_ESTRATT = 0;
    int32_t CORR_Y_ASSI = 0;
    // Group 11: support vices.
    int32_t MORSE_SUPP_X1 = 0;
    int32_t MORSE_SUPP_X2 = 0;
    int32_t MORSE_SUPP_X3 = 0;
    int32_t PERC_SBALZO_IN = 0; // integer x10
    int32_t MORSE_SUPP_L = 0;
    // Group 12: extractor.
    int32_t X_MIN_EXTRACT = 0;
    int32_t X_MAX_EXTRACT = 0;
    int32_t DIM_CONT_PZ_CORTO = 0;
    int32_t DIST_CONT_PZ_CORTO = 0;
    int32_t DELTA_SCAR_PZ_LUNGO = 0;
    int32_t DELTA_B_EXTRACT = 0;

    MachineOptions options;

    // Head-cut flags: raised by the bar computation (a head cut at 90 degrees, at another angle),
    // read by the variant-2 part-program body; 1 at construction.
    int HeadCutSquare = 1;
    int HeadCutAngled = 1;

    int MAX_POS_SCARIC = 1;
    int DEF_POS_SCARIC = 1;

    char QBLADE_NAME[kSettingsNameSize] = {};
    char SLICERBLADE_NAME[kSettingsNameSize] = {};

private:
    std::unique_ptr<plat::SerialPort> m_msvPort;
    std::unique_ptr<plat::SerialPort> m_printPort;
};

// PARAM PORT_MSV of "PARAM.PAR" (default 0), read and written without touching the record.
int GetPortMsv();
void SetPortMsv(int port);
// CONF_RALLA T5_ON..T8_ON of "CONFIG.PAR" (default 0): whether ralla positions 5..8 are in use.
// The setters always write; false when the write failed (errno says why).
int GetT5On();
int GetT6On();
int GetT7On();
int GetT8On();
bool SetT5On(int on);
bool SetT6On(int on);
bool SetT7On(int on);
bool SetT8On(int on);

// The serial port numbers a link accepts: 0 for none, 1 to 9 ("COM1".."COM9").
inline constexpr int kMaxComPort = 9;
