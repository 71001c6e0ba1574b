// The path table and its setters.
#include "machine/path_table.h"

#include <cctype>
#include <cstring>
#include <string>

#include "machine/error_text.h"
#include "machine/file_routines.h"

PathTable* g_pPathTable = nullptr;

PathTable::PathTable() {
    // Slots nothing writes stay empty rather than undefined.
    std::memset(slots, 0, sizeof slots);
}

const char* PathSlot(PathTable::Slot slot) { return g_pPathTable != nullptr ? g_pPathTable->slots[slot] : ""; }

std::string ProgramFilePath(const std::string& relative) { return PathSlot(PathTable::kProgramDir) + relative; }

namespace {

// Writes head + tail into a slot; refuses (empties the slot) a path that would be cut.
bool WriteSlot(int slot, const char* head, const char* tail) {
    if (g_pPathTable == nullptr) return false;
    if (head == nullptr) head = "";
    std::string path = std::string(head) + tail;
    char* dest = g_pPathTable->slots[slot];
    if (path.size() > PathTable::kSlotSize - 1) {
        dest[0] = '\0';
        SetErrorText("Path too long (%zu characters): %.100s...", path.size(), path.c_str());
        return false;
    }
    std::memcpy(dest, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

bool SetConfigParPath(const char* configDir) { return WriteSlot(PathTable::kConfigPar, configDir, "CONFIG.PAR"); }
bool SetTestParPath(const char* configDir) { return WriteSlot(PathTable::kTestPar, configDir, "TEST.PAR"); }
bool SetParamParPath(const char* configDir) { return WriteSlot(PathTable::kParamPar, configDir, "PARAM.PAR"); }
bool SetToolsTxtPath(const char* toolDir) { return WriteSlot(PathTable::kToolsTxt, toolDir, "TOOLS.TXT"); }
bool SetTimeCntPath(const char*) { return WriteSlot(PathTable::kTimeCnt, "C:\\TIME.CNT", ""); }
bool SetAlarmLogPath(const char* logDir) { return WriteSlot(PathTable::kAlarmLog, logDir, "ALARM.LOG"); }
bool SetCkToolLogPath(const char* logDir) { return WriteSlot(PathTable::kCkToolLog, logDir, "CKTOOL.LOG"); }
bool SetStoreIniPath(const char* toolDir) { return WriteSlot(PathTable::kStoreIni, toolDir, "STORE.INI"); }
bool SetProgramDir(const char* dir) { return WriteSlot(PathTable::kProgramDir, dir, ""); }
bool SetModuleDir(const char* dir) { return WriteSlot(PathTable::kModuleDir, dir, ""); }
bool SetCncWorkDir(const char* dir) { return WriteSlot(PathTable::kCncWorkDir, dir, ""); }
bool SetCurrentListName(const char* listPath) { return WriteSlot(PathTable::kListName, listPath, ""); }

bool FillPathTableAtStartup(const char* moduleDir, bool embedded) {
    if (g_pPathTable == nullptr || moduleDir == nullptr) return false;
    // One kind of path in the table: Windows form, directories ending in a backslash.
    std::string module(moduleDir);
    for (char& c : module)
        if (c == '/') c = '\\';
    while (module.size() > 1 && module.back() == '\\') module.pop_back();
    if (module == "\\") module.clear(); // the root itself

    std::string program = module;
    if (embedded && !program.empty()) program[0] = 'D';
    bool ok = SetCncWorkDir(embedded ? kCncWorkDirEmbedded : kCncWorkDirDefault);
    module += '\\';
    program += '\\';
    ok = SetModuleDir(module.c_str()) && ok;
    ok = SetProgramDir(program.c_str()) && ok;

    const std::string configDir = program + "CONF\\";
    ok = SetTestParPath(configDir.c_str()) && ok;
    ok = SetConfigParPath(configDir.c_str()) && ok;
    ok = SetParamParPath(configDir.c_str()) && ok;

    ok = SetAlarmLogPath(program.c_str()) && ok;
    ok = SetTimeCntPath(program.c_str()) && ok;
    ok = SetCkToolLogPath(program.c_str()) && ok;
    if (embedded) {
        // The logs are carried from drive D to the program file's own drive and used there.
        CopyFileRetry((program + "ALARM.LOG").c_str(), (module + "ALARM.LOG").c_str());
        CopyFileRetry((program + "CKTOOL.LOG").c_str(), (module + "CKTOOL.LOG").c_str());
        ok = SetAlarmLogPath(module.c_str()) && ok;
        ok = SetCkToolLogPath(module.c_str()) && ok;
    }
    return ok;
}
