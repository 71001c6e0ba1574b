#pragma once
// The ralla tool set: the tools mounted on the ralla positions T1..T8, the ralla configuration
// number, the current ralla angle and the program's own copy of the tool table read from
// "TOOLS.TXT". The mounted set-up lives in CONFIG.PAR section CONF_RALLA (T1..T8, CONF).
// One program-wide object, reached through g_pRallaTools.
#include <cstdint>
#include <vector>

#include "machine/tool_table.h"

inline constexpr int kRallaMaxPositions = 8;
inline constexpr int kRallaBasePositions = 4;

// One tool as the program uses it; lengths in thousandths of a millimetre.
struct ToolRecord {
    char name[kToolNameSize] = {};
    int32_t kind = 0;
    int32_t cooling = 0;
    int32_t diameter[3] = {};
    int32_t length[3] = {};
    int32_t totalLength = 0;
    int32_t speed = 0;
    int32_t feed = 0;   // feed (or pitch for kind 4) x 10, truncated toward zero
    int32_t plunge = 0; // plunge (or percent reduction for kind 4), truncated toward zero
};

class RallaToolSet {
public:
    // Stores the check-limits flag (GENERAL CK_LIMITS), empties the table and runs LoadConfig.
    explicit RallaToolSet(int checkLimits);
    RallaToolSet(const RallaToolSet&) = delete;
    RallaToolSet& operator=(const RallaToolSet&) = delete;

    // Reads T1..T4, on variants other than 0 the enabled extra positions T5..T8 (a disabled
    // one is "0"), and CONF (default 1). Returns the configuration number.
    int LoadConfig();
    // Writes T1..T4, the extra positions ("0" for disabled ones; on variant 0 "0" for all four
    // and their enabled flags cleared) and CONF. 0, or 1 when a key could not be written, with
    // the file and the reason in g_errorText: the mounted set-up is then unrecorded (below)
    // until a save succeeds.
    int SaveConfig();
    // Whether the set-up held here differs from what CONFIG.PAR may tell: the last save failed.
    // A start would believe the old tools mounted, so no bar starts on it.
    bool SetupUnrecorded() const { return m_unrecorded; }
    // Each position's tool index (0 for a disabled extra position) and the configuration
    // number; counts the enabled extra positions into g_enabledExtraCount.
    void GetSpindleTools(int32_t tools[kRallaMaxPositions], int32_t* configNumber);
    // Mounts the given tool indices (see the .cpp for the extra positions); saves when
    // anything changed, or when the set-up is still unrecorded, and returns the save's result,
    // else the number of positions visited.
    int SetSpindleTools(const int32_t tools[kRallaMaxPositions], int32_t configNumber);
    void FreeTools();
    // Index of the first record named exactly so, or -1.
    int FindTool(const char* name) const;
    // Reads "TOOLS.TXT" into a new table and puts it in place only when the whole file was
    // accepted: 0, or 1 with the message in g_errorText and the previous table and positions
    // left as they were.
    int LoadTools();
    // 1 when a machining's speed, feed x 10 and plunge suit a tool of the kind (always 1 when
    // the check is off).
    int IsToolDataInRange(int32_t kind, int32_t speed, int32_t feed10, int32_t plunge) const;

    int Count() const { return static_cast<int>(tools.size()); }
    // The record at index, or the empty tool (entry 0) for an index outside the table.
    const ToolRecord& Tool(int index) const;

    // Fields, in the order the program knows them.
    int32_t checkLimits = 0;
    char positionNames[kRallaMaxPositions][kToolNameSize] = {};
    int32_t configNumber = 1;
    int32_t currentRallaAngle = 0;
    int32_t capacity = 0;
    std::vector<ToolRecord> tools; // entry 0 is the empty tool named "0"
    int32_t headerNumber = kToolHeaderDefault;
    int32_t positionTools[kRallaMaxPositions] = {};

private:
    void ResolvePositions();
    bool m_unrecorded = false;
};

extern RallaToolSet* g_pRallaTools;
// Enabled extra positions found by the last RallaToolSet::GetSpindleTools.
extern int g_enabledExtraCount;

// A number whose decimal digits are the enabled extra positions (5 to 8) in order, 0 when
// none: T5 and T7 enabled give 57.
int EnabledExtraPositions();
