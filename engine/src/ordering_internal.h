#pragma once
// Helpers shared by the ordering, the elaboration and the speed/mark steps (engine-internal).
#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/bar_computation.h"
#include "machine/settings.h"
#include "machine/utils.h"

namespace ordering_detail {

inline bool IsCut(const WorkingMachining& m) {
    return m.TipoLavor == kKindEndCut || m.TipoLavor == kKindQBlade || m.TipoLavor == kKindSlicerBlade;
}
inline bool IsBlade(const WorkingMachining& m) { return IsBladeKind(m.TipoLavor); }

// Number of the piece a record belongs to (0 for a bar machining).
inline int32_t PieceNumber(const WorkingMachining& m) { return m.PieceRef != nullptr ? m.PieceRef->Id : 0; }

inline int Sign64(int64_t d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

// A 64-bit value bounded to the records' 32-bit fields.
inline int32_t Sat(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Number of a record's links in use (bounded by the link lists).
inline int LinkCount(int32_t c) { return std::clamp(c, 0, kMaxLinks); }

// Angle of ralla position p (T1..T8).
inline int32_t RallaPositionAngle(int p) {
    static constexpr int32_t kAngles[8] = {0, 90000, 180000, 270000, 45000, 135000, 225000, 315000};
    return p >= 0 && p < 8 ? kAngles[p] : 0;
}

// Ralla positions in use on this machine (4 or 8).
int RallaPositionCount();

// A record with its sort key taken once (the walk's sorts by state).
struct StateKey {
    int32_t xm = 0;
    WorkingMachining* m = nullptr;
};

// When set, the walk sorts by state through the record comparators themselves: the reference
// the linear sorts are checked against (tests only; off in the program).
extern bool g_referenceStateSorts;

// The working set of one ordering: the order array's used part and the records by Id.
struct Work {
    BarComputation& bc;
    const MachineSettings& s;
    WorkingMachining** a = nullptr; // bc.order.data()
    int n = 0;                      // bc.orderedRecords (bounded by the array)
    std::vector<WorkingMachining*> byId;
    // Reused by every sort by state: the records of states 0-3 and of any other state, keys.
    std::vector<WorkingMachining*> stateGroups[5];
    std::vector<StateKey> keys, keyScratch;
    std::unordered_map<int32_t, int32_t> lowestInSet; // set -> lowest priority still to place

    explicit Work(BarComputation& b);
    // The record with the Id, null for 0 or an unknown Id.
    WorkingMachining* ById(int32_t id) const {
        return id > 0 && static_cast<std::size_t>(id) < byId.size() ? byId[static_cast<std::size_t>(id)] : nullptr;
    }
    // Whether `m` lists `id` among its Lav_after links.
    static bool HasFollower(const WorkingMachining& m, int32_t id);
};

// Where the ordering takes the bar's values (one place): length, grips, short-bar flag, the
// section's minimum Y.
struct BarGeometry {
    int32_t L = 0;         // bar length
    int32_t Gh = 0;        // head grip: end-cut length of the first end
    int32_t Gt = 0;        // tail grip: end-cut length of the second end
    int32_t shortBar = 0;  // short bar without pieces accepted
    int32_t profileMinY = 0;
};
BarGeometry GeometryOf(const BarComputation& bc);

// Every sort of the ordering: MergeSort over the order array's used part.
template <typename Cmp>
void Sort(Work& w, Cmp cmp) {
    // A sort that cannot get its scratch buffer leaves the array as it was; the walk goes on.
    (void)MergeSort(w.a, static_cast<std::size_t>(w.n), cmp);
}

// The rules that free records a positioning may not take yet (ordering_walk_rules.cpp).
// A free record releases its selected followers by links; returns how many.
int ReleaseFollowers(Work& w, WorkingMachining& m, int depth = 0);
// The selected records among the k leading ones that must wait are freed; returns how many.
int ReleaseBlockedSelection(Work& w, int k, int remaining);
// The k leading records lose their selection.
void ClearSelection(Work& w, int k);
// The release rule of a positioning shared with the elaboration.
void ReleaseLaterInGroup(Work& w, WorkingMachining& m, int from, int to, WorkingMachining** arr);

// The walk's stable sorts by state (ordering_walk_rules.cpp). KeyA: free records (0) by Xm from
// the highest, then states 1, 2, 3. KeyC: selected records (1), then states 0, 2, 3.
enum class StateOrder { kA, kC };
void SortByState(Work& w, StateOrder order);

// Step 2, the walk. Variant 2: every record its own positioning (ordering_walk_one_per_record.cpp).
void PlaceOnePositioningPerRecord(Work& w);
// Variants 0 and 1: the positionings through the working window (ordering_walk_window.cpp).
void OrderWindow(Work& w);
// Variant 1: the positioning X of a cut that leads a positioning, R the blade's reach; moves the
// cut's points with the bar (ordering_cut_positioning.cpp).
int32_t PlaceCutPositioning(Work& w, WorkingMachining& cut, int32_t R);

// Step 3, the final order: the positionings sorted by the variant's keys (ordering_final_order.cpp).
void SortFinalOrder(Work& w);
// The pairing of cuts (ordering_final_order.cpp). A cut's operation word; 32 marks the angled
// end trimmed after its square partner frees it.
int32_t OperationMode(const WorkingMachining& c);
// Each cut of operation 32 changes place and priority with the next end cut.
void SwapPairedCutsIn(Work& w);

// Step 4, the repairs after the final sorts (ordering_repairs.cpp): the variant's repairs in turn.
void RepairFinalOrder(Work& w);
// Each moves nothing when its rule holds.
// Links and set priorities kept, variant 2: a record moves to just after the last it must follow.
void KeepLinksAndSets(Work& w);
// The end cuts in the order of their X from the greatest; `earlier`: a cut moves forward, else back.
void KeepCutsAlongTheBar(Work& w, bool earlier);
// A piece's machinings before the first cut that frees the piece.
void KeepMachiningsBeforeTheirFreeingCut(Work& w);
// Variants 0 and 1: a record's predecessors pulled to just before it.
void PullPredecessorsForward(Work& w);

} // namespace ordering_detail
