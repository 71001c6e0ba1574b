#pragma once
// The special sub-programs that the part program of the current bar calls: the program start
// lists them in "FILLAV.TAB" so that the controller loads them with the part program.
// One list exists, owned by the CNC state object and reached through g_pSpecialPrograms.
#include <cstddef>

class SpecialProgramList {
public:
    static constexpr int kCapacity = 1000;
    static constexpr std::size_t kNameSize = 260; // 259 characters and the NUL

    // count := 0.
    void ClearSpecialList();
    // 1 when the list is full; 0 and nothing stored in office mode (g_machineConnected 0);
    // 2 when "<controller work directory>SPECIAL\<name>" does not exist; else stores the name
    // (cut to 259 characters) and returns 0.
    int AddSpecialProgram(const char* name);
    // Walk in the order added: First returns 0 for an empty list, else copies the first name
    // into text (260 characters) and returns its flag (1); Next returns 0 after the last name
    // and leaves text untouched.
    int FirstSpecialProgram(char* text);
    int NextSpecialProgram(char* text);

    int Count() const { return m_count; }
    const char* Name(int i) const { return (i >= 0 && i < m_count) ? m_names[i] : ""; }

private:
    char m_names[kCapacity][kNameSize] = {};
    int m_flags[kCapacity] = {};
    int m_count = 0;
    int m_cursor = 0;
};

extern SpecialProgramList* g_pSpecialPrograms;
