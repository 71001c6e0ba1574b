#pragma once
// The record of the program's file paths, filled once at start-up and read everywhere
// through g_pPathTable. Slots hold Windows-style paths (directories end in a backslash);
// callers map them with plat::NativePath / plat::OpenFile when they open a file.
#include <cstddef>
#include <string>

struct PathTable {
    static constexpr int kSlotCount = 18;
    static constexpr std::size_t kSlotSize = 260; // at most 259 characters and the NUL

    // Slot indices. Slots 4, 5, 6, 8, 10 and 16 are never written nor read.
    enum Slot : int {
        kConfigPar = 0,   // configuration directory + "CONFIG.PAR"
        kTestPar = 1,     // configuration directory + "TEST.PAR"
        kParamPar = 2,    // configuration directory + "PARAM.PAR"
        kToolsTxt = 3,    // DIR_UTEN + "TOOLS.TXT"
        kTimeCnt = 7,     // always "C:\TIME.CNT"
        kAlarmLog = 9,    // log directory + "ALARM.LOG"
        kCkToolLog = 11,  // log directory + "CKTOOL.LOG"
        kStoreIni = 12,   // DIR_UTEN + "STORE.INI"
        kProgramDir = 13, // program directory (base of CONF\, MSG\, LOG\, OUTPUT.*)
        kModuleDir = 14,  // directory of the program file
        kCncWorkDir = 15, // controller work directory
        kListName = 17,   // full path of the opened bar list
    };

    char slots[kSlotCount][kSlotSize];

    PathTable();
    const char* operator[](int slot) const { return slots[slot]; }
    // The CONFIG.PAR path: the record's first slot.
    const char* ConfigPar() const { return slots[kConfigPar]; }
};

// Owned by the application object (created at start-up, deleted at exit).
extern PathTable* g_pPathTable;

// A slot of g_pPathTable; "" without a table.
const char* PathSlot(PathTable::Slot slot);
// A file below the program directory: the kProgramDir slot followed by relative ("CONF\x.CP").
std::string ProgramFilePath(const std::string& relative);

// The controller work directory. It is not configurable; this system never runs on an
// embedded Windows edition, so the embedded form only exists for the start-up logic.
inline constexpr const char* kCncWorkDirDefault = "C:\\UVEN\\LAV\\LAV\\";
inline constexpr const char* kCncWorkDirEmbedded = "D:\\UVEN\\LAV\\LAV\\";

// Setters: each writes one slot of g_pPathTable as the argument followed by the slot's fixed
// file name (or the argument alone for the directory slots). A path that would not fit in a
// slot is refused: the slot is emptied, g_errorText names it and the result is false, so a cut
// path never points at the wrong file. Without a table they return false.
bool SetConfigParPath(const char* configDir);
bool SetTestParPath(const char* configDir);
bool SetParamParPath(const char* configDir);
bool SetToolsTxtPath(const char* toolDir);
bool SetTimeCntPath(const char* ignored);
bool SetAlarmLogPath(const char* logDir);
bool SetCkToolLogPath(const char* logDir);
bool SetStoreIniPath(const char* toolDir);
bool SetProgramDir(const char* dir);
bool SetModuleDir(const char* dir);
bool SetCncWorkDir(const char* dir);
bool SetCurrentListName(const char* listPath);

// Start-up filling of the table (everything but the tool table path, which needs the
// settings): moduleDir is the directory of the program file, native ("/opt/brelon/bin/")
// or Windows-style; it is stored in Windows form ("\opt\brelon\bin\") so that every slot is
// one kind of path. embedded: the program directory moves to drive D: and the two logs are
// carried to the module directory (never the case on this platform: IsEmbeddedNT() is false).
// Returns false when a slot was refused (see the setters).
bool FillPathTableAtStartup(const char* moduleDir, bool embedded);
