#pragma once
// "TOOLS.TXT" from any file, through both readers: the ralla tool set's load, which takes a
// good file whole or refuses a damaged one with its message and keeps the table and positions
// it had, and the tool dialog's reader, which leaves its table empty on a refusal.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/tool_table.h"
#include "machine_fuzz_env.h"

namespace machine_fuzz {

// What a load may change: every tool (name and values), the header number and the positions.
inline std::string ToolSetState(const RallaToolSet& set) {
    std::string s = std::to_string(set.headerNumber) + "|" + std::to_string(set.Count()) + "|";
    for (int i = 0; i < set.Count(); ++i) {
        const ToolRecord& t = set.Tool(i);
        s += std::string(t.name) + "," + std::to_string(t.kind) + "," + std::to_string(t.diameter[0]) + "," +
             std::to_string(t.totalLength) + "," + std::to_string(t.feed) + ";";
    }
    for (int p = 0; p < kRallaMaxPositions; ++p)
        s += std::string(set.positionNames[p]) + "=" + std::to_string(set.positionTools[p]) + " ";
    return s;
}

inline std::string ToolTableExercise(const std::string& bytes) {
    static const std::string good = mutation::ReadFile(BRELON_SOURCE_DIR "/demo/UTEN/TOOLS.TXT");
    Env& env = Fresh();
    const std::string tools = PathSlot(PathTable::kToolsTxt);
    ApplyMachineVariant(static_cast<int>(bytes.size() % 3));
    mutation::WriteFile(env.Conf("CONFIG.PAR"), "[CONF_RALLA]\r\nT1=PUNTA5\r\nT2=FRESA8\r\nCONF=3\r\n");
    MachineSettings settings;
    g_pSettings = &settings;
    struct Restore {
        ~Restore() { g_pSettings = nullptr; }
    } restore;

    for (int checkLimits : {1, 0}) {
        RallaToolSet set(checkLimits);
        mutation::WriteFile(tools, good);
        if (set.LoadTools() != 0) return std::string("the demo tool table did not load: ") + g_errorText;
        const std::string before = ToolSetState(set);
        mutation::WriteFile(tools, bytes);
        ClearErrorText();
        if (set.LoadTools() != 0) {
            if (g_errorText[0] == '\0') return "tool table refused without a message";
            if (ToolSetState(set) != before) return "a refused tool table changed the tool set";
        } else {
            if (set.Count() < 1 || std::strcmp(set.Tool(0).name, "0") != 0) return "entry 0 is not the empty tool";
            for (int i = 0; i < set.Count(); ++i) {
                const ToolRecord& t = set.Tool(i);
                if (::strnlen(t.name, sizeof t.name) >= sizeof t.name) return "tool name without its end";
                (void)set.IsToolDataInRange(t.kind, t.speed, t.feed, t.plunge);
            }
            for (int p = 0; p < kRallaMaxPositions; ++p)
                if (set.positionTools[p] < 0 || set.positionTools[p] >= set.Count()) return "position outside the table";
        }
    }

    g_pRallaTools = nullptr;
    ToolTable table;
    ClearErrorText();
    if (ReadToolTable(table) != 0) {
        if (g_errorText[0] == '\0') return "dialog reader refused without a message";
        if (table.Count() != 0) return "dialog reader kept records after a refusal";
    } else if (table.Count() > table.capacity) {
        return "dialog table holds more records than its capacity";
    }
    return std::string();
}

} // namespace machine_fuzz
