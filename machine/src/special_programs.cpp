// The special sub-program list.
#include "machine/special_programs.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/path_table.h"

SpecialProgramList* g_pSpecialPrograms = nullptr;

void SpecialProgramList::ClearSpecialList() { m_count = 0; }

int SpecialProgramList::AddSpecialProgram(const char* name) {
    if (m_count >= kCapacity) return 1;
    if (g_machineConnected == 0) return 0;
    if (name == nullptr) name = "";
    const char* workDir = PathSlot(PathTable::kCncWorkDir);
    const std::string path = std::string(workDir) + "SPECIAL\\" + name;
    // Only the existence is tested; no handle stays open.
    if (*name == '\0' || !FileExists(path.c_str())) return 2;
    std::snprintf(m_names[m_count], kNameSize, "%s", name);
    m_flags[m_count] = 1;
    ++m_count;
    return 0;
}

int SpecialProgramList::FirstSpecialProgram(char* text) {
    m_cursor = 0;
    return NextSpecialProgram(text);
}

int SpecialProgramList::NextSpecialProgram(char* text) {
    if (m_cursor >= m_count) return 0;
    if (text != nullptr) std::snprintf(text, kNameSize, "%s", m_names[m_cursor]);
    return m_flags[m_cursor++];
}
