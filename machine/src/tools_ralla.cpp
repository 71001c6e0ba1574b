// The ralla tool set: mounted tools, configuration and the program's tool table.
#include "machine/ralla_tools.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/ini_routines.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/tool_table.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "platform/text.h"

RallaToolSet* g_pRallaTools = nullptr;
int g_enabledExtraCount = 0;

namespace {

constexpr const char* kConfRalla = "CONF_RALLA";
const char* const kPositionKeys[kRallaMaxPositions] = {"T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8"};

ToolRecord EmptyTool() {
    ToolRecord r;
    r.name[0] = '0';
    return r;
}

int ExtraOn(int extra) {
    switch (extra) {
    case 0: return GetT5On();
    case 1: return GetT6On();
    case 2: return GetT7On();
    default: return GetT8On();
    }
}

void SetExtraOnFlag(int extra, int on) {
    switch (extra) {
    case 0: SetT5On(on); break;
    case 1: SetT6On(on); break;
    case 2: SetT7On(on); break;
    default: SetT8On(on); break;
    }
}

} // namespace

RallaToolSet::RallaToolSet(int checkLimitsFlag) : checkLimits(checkLimitsFlag) {
    currentRallaAngle = 0;
    capacity = 0;
    for (auto& name : positionNames) CopyField(name, "0");
    LoadConfig();
}

int RallaToolSet::LoadConfig() {
    const char* cfg = PathSlot(PathTable::kConfigPar);
    auto readName = [&](int i) {
        CopyField(positionNames[i], ReadIniString(kConfRalla, kPositionKeys[i], "0", kToolNameSize - 1, cfg).c_str());
    };
    for (int i = 0; i < kRallaBasePositions; ++i) readName(i);
    if (MachineVariant != 0) {
        for (int e = 0; e < 4; ++e) {
            const int i = kRallaBasePositions + e;
            if (ExtraOn(e) != 0) {
                readName(i);
                g_extraPositionOn[e] = 1;
            } else {
                CopyField(positionNames[i], "0");
                g_extraPositionOn[e] = 0;
            }
        }
    }
    configNumber = ReadIniInt(kConfRalla, "CONF", 1, cfg);
    return configNumber;
}

int RallaToolSet::SaveConfig() {
    const char* cfg = PathSlot(PathTable::kConfigPar);
    // The set-up's keys reach the file in one replacement (with whatever else the caller's
    // batch holds), not one replacement each.
    IniWriteBatch batch(cfg);
    int fault = 0; // the reason of the first key not written
    auto write = [&fault, cfg](const char* key, const char* value) {
        errno = 0;
        if (!WriteIniString(kConfRalla, key, value, cfg) && fault == 0) fault = errno != 0 ? errno : EIO;
    };
    for (int i = 0; i < kRallaBasePositions; ++i) write(kPositionKeys[i], positionNames[i]);
    for (int e = 0; e < 4; ++e) {
        const int i = kRallaBasePositions + e;
        if (MachineVariant != 0 && g_extraPositionOn[e] != 0) {
            write(kPositionKeys[i], positionNames[i]);
        } else {
            CopyField(positionNames[i], "0");
            write(kPositionKeys[i], "0");
            if (MachineVariant == 0) {
                g_extraPositionOn[e] = 0;
                SetExtraOnFlag(e, 0);
            }
        }
    }
    write("CONF", plat::StrFormatC("%d", static_cast<int>(configNumber)).c_str());
    errno = 0;
    if (!FlushIniBatch() && fault == 0) fault = errno != 0 ? errno : EIO;
    m_unrecorded = fault != 0;
    if (fault == 0) return 0;
    SetFileFaultText(true, cfg, fault);
    return 1;
}

void RallaToolSet::GetSpindleTools(int32_t out[kRallaMaxPositions], int32_t* conf) {
    g_enabledExtraCount = 0;
    for (int i = 0; i < kRallaMaxPositions; ++i) {
        const bool extra = i >= kRallaBasePositions;
        if (extra && g_extraPositionOn[i - kRallaBasePositions] == 0) {
            out[i] = 0;
            continue;
        }
        if (extra) ++g_enabledExtraCount;
        out[i] = positionTools[i];
    }
    if (conf != nullptr) *conf = configNumber;
}

int RallaToolSet::SetSpindleTools(const int32_t in[kRallaMaxPositions], int32_t conf) {
    bool changed = false;
    if (conf != configNumber) {
        configNumber = conf;
        changed = true;
    }
    const int positions = g_rallaPositions < kRallaMaxPositions ? g_rallaPositions : kRallaMaxPositions;
    int extraChanged = 0;
    for (int i = 0; i < positions; ++i) {
        if (in[i] == positionTools[i]) continue;
        if (in[i] < 0 || in[i] >= Count()) continue; // never index past the table
        if (MachineVariant != 0 && i >= kRallaBasePositions) {
            // Each change of an extra position uses up one enabled extra position.
            if (extraChanged >= g_enabledExtraCount) continue;
            ++extraChanged;
        }
        positionTools[i] = in[i];
        CopyField(positionNames[i], tools[static_cast<std::size_t>(in[i])].name);
        changed = true;
    }
    if (changed || m_unrecorded) return SaveConfig();
    return positions;
}

void RallaToolSet::FreeTools() {
    tools.clear();
    capacity = 0;
}

int RallaToolSet::FindTool(const char* name) const {
    for (std::size_t i = 0; i < tools.size(); ++i)
        if (std::strcmp(tools[i].name, name) == 0) return static_cast<int>(i);
    return -1;
}

const ToolRecord& RallaToolSet::Tool(int index) const {
    static const ToolRecord kEmpty = EmptyTool();
    if (index < 0 || index >= Count()) return kEmpty;
    return tools[static_cast<std::size_t>(index)];
}

int RallaToolSet::LoadTools() {
    ToolFileParse parsed;
    const char* path = PathSlot(PathTable::kToolsTxt);
    const int result = ParseToolFile(path, parsed);
    if (result == 1) return 1;

    // The new table is built aside and replaces the old one only when the whole file passed.
    std::vector<ToolRecord> table;
    table.reserve(parsed.records.size() + 1);
    table.push_back(EmptyTool());
    for (const ToolFileRecord& r : parsed.records) {
        if (IsBladeToolName(r.name)) continue;
        if (checkLimits != 0 && CheckToolLimits(r, checkLimits) != 0) return 1;
        ToolRecord t;
        CopyField(t.name, r.name);
        t.kind = r.kind;
        t.cooling = r.cooling;
        for (int k = 0; k < 3; ++k) {
            t.diameter[k] = ToolFileUnits(r.diameter[k], 1000);
            t.length[k] = ToolFileUnits(r.length[k], 1000);
        }
        t.totalLength = ToolFileUnits(r.totalLength, 1000);
        t.speed = r.speed;
        t.feed = ToolFileUnits(r.feed, 10);
        t.plunge = ToolFileUnits(r.plunge, 1);
        table.push_back(t);
    }
    if (result == 2) {
        SetErrorTextLiteral(parsed.nameError.c_str());
        return 1;
    }
    tools = std::move(table);
    capacity = static_cast<int32_t>((tools.size() + kToolTableGrowth - 1) / kToolTableGrowth * kToolTableGrowth);
    headerNumber = parsed.headerNumber;
    ResolvePositions();
    return 0;
}

void RallaToolSet::ResolvePositions() {
    bool missing = false;
    for (int i = 0; i < kRallaMaxPositions; ++i) {
        const int index = FindTool(positionNames[i]);
        if (index < 0) {
            CopyField(positionNames[i], "0");
            positionTools[i] = 0;
            missing = true;
        } else {
            positionTools[i] = index;
        }
    }
    if (missing) SaveConfig();
}

int RallaToolSet::IsToolDataInRange(int32_t kind, int32_t speed, int32_t feed10, int32_t plunge) const {
    if (checkLimits == 0) return 1;
    // A machining's working values keep the ranges of the tool's own values (the tool limits
    // the tool edit window and CheckToolLimits read); the feed in whole units, truncated.
    const int32_t feed = feed10 / 10;
    return ToolFieldLimit(ToolField::Speed, kind, checkLimits).Holds(speed) &&
                   ToolFieldLimit(ToolField::Feed, kind, checkLimits).Holds(feed) &&
                   ToolFieldLimit(ToolField::Second, kind, checkLimits).Holds(plunge)
               ? 1
               : 0;
}

int EnabledExtraPositions() {
    int value = 0;
    for (int e = 0; e < 4; ++e)
        if (g_extraPositionOn[e] != 0) value = value * 10 + 5 + e;
    return value;
}
