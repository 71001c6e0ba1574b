// Ordering of a bar's records into positionings, in its steps (OrderMachinings below):
//   1. the precedence links between overlapping machinings   ordering_links.cpp
//   2. the walk, which gives every record its positioning:
//      variant 2 one positioning per record                    ordering_walk_one_per_record.cpp
//      variants 0 and 1 through the working window             ordering_walk_window.cpp
//        with the cut positioning of variant 1                 ordering_cut_positioning.cpp
//      the release rules and sorts by state both walks share   ordering_walk_rules.cpp
//   3. the final order per variant: the sorts by its keys      ordering_final_order.cpp
//   4. the repairs of what the final sorts can break           ordering_repairs.cpp
// This file keeps the working set and the bar's values the steps share, and the lookups of the
// ordered records.
#include <algorithm>
#include <cstdint>

#include "engine/ordering.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "ordering_internal.h"

namespace ordering_detail {

int RallaPositionCount() { return std::clamp(g_rallaPositions, 0, kRallaMaxPositions); }

Work::Work(BarComputation& b) : bc(b), s(*g_pSettings) {
    n = std::clamp(bc.orderedRecords, 0, static_cast<int>(bc.order.size()));
    a = bc.order.data();
    int32_t maxId = 0;
    for (const WorkingMachining* m : bc.records)
        if (m != nullptr) maxId = std::max(maxId, m->Id);
    byId.assign(static_cast<std::size_t>(maxId) + 1, nullptr);
    for (WorkingMachining* m : bc.records)
        if (m != nullptr && m->Id > 0) byId[static_cast<std::size_t>(m->Id)] = m;
}

bool Work::HasFollower(const WorkingMachining& m, int32_t id) {
    const int c = std::clamp(m.Lav_afterCount, 0, kMaxLinks);
    for (int i = 0; i < c; ++i)
        if (m.Lav_after[i] == id) return true;
    return false;
}

BarGeometry GeometryOf(const BarComputation& bc) {
    BarGeometry g;
    if (bc.currentBar == nullptr) return g;
    const BarRecord& bar = *bc.currentBar;
    g.L = bar.length;
    // The clamping length each end needs is the end-cut length the bar size check found.
    g.Gh = bar.extraLength1;
    g.Gt = bar.extraLength2;
    g.shortBar = bar.shortAccepted;
    g.profileMinY = bar.yMin;
    return g;
}

} // namespace ordering_detail

using namespace ordering_detail;

WorkingMachining* MachiningAt(BarComputation& bc, int index) {
    const int n = std::clamp(bc.orderedRecords, 0, static_cast<int>(bc.order.size()));
    return index >= 0 && index < n ? bc.order[static_cast<std::size_t>(index)] : nullptr;
}

WorkingMachining* NextMainMachining(BarComputation& bc, int index) {
    const int n = std::clamp(bc.orderedRecords, 0, static_cast<int>(bc.order.size()));
    for (int i = std::max(index, 0); i < n; ++i)
        if (bc.order[static_cast<std::size_t>(i)]->TipoLavor == kKindRalla) return bc.order[static_cast<std::size_t>(i)];
    return nullptr;
}

int OrderMachinings(BarComputation& bc) {
    if (g_pSettings == nullptr) {
        SetErrorText("%s", "no machine settings");
        return 1;
    }
    // 1. Precedence links.
    if (BuildPrecedenceLinks(bc) != 0) return 1;
    Work w(bc);
    BarComputation::SetFlagOnAll(w.a, w.n, 0);
    bc.pendingCount = 0;
    // 2. The walk.
    if (MachineVariant == 2)
        PlaceOnePositioningPerRecord(w);
    else
        OrderWindow(w);
    // 3. The final order of the variant; 4. its repairs.
    SortFinalOrder(w);
    RepairFinalOrder(w);
    return 0;
}
