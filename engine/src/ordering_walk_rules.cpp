// What the walks of every variant share: the rules that free the records a positioning may not
// take yet, and the walk's stable sorts by state.
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "machine/globals.h"
#include "ordering_internal.h"

namespace ordering_detail {

bool g_referenceStateSorts = false;

// ---------------------------------------------------------------- release rules

int ReleaseFollowers(Work& w, WorkingMachining& m, int depth) {
    if (MachineVariant == 1 && m.TipoLavor != kKindRalla) return 0;
    if (depth > w.n) return 0;
    int released = 0;
    for (int i = 0; i < LinkCount(m.Lav_afterCount); ++i) {
        WorkingMachining* t = w.ById(m.Lav_after[i]);
        if (t == nullptr || t->OrderState != 1) continue;
        t->OrderState = 0;
        released += 1 + ReleaseFollowers(w, *t, depth + 1);
    }
    return released;
}

int ReleaseBlockedSelection(Work& w, int k, int remaining) {
    BarComputation& bc = w.bc;
    if (bc.setsUsed == 0 && bc.linksExist == 0) return 0;
    remaining = std::min(remaining, w.n);
    int freed = 0;
    if (bc.setsUsed != 0) {
        // A selected record is freed when an unselected record of its set with a lower
        // priority is still to be placed: the lowest such priority of each set decides.
        std::unordered_map<int32_t, int32_t>& lowest = w.lowestInSet;
        lowest.clear();
        for (int u = k; u < remaining; ++u) {
            const WorkingMachining& U = *w.a[u];
            if (U.OrderState == 1) continue;
            const auto [it, added] = lowest.emplace(U.Insieme, U.Priorita);
            if (!added) it->second = std::min(it->second, U.Priorita);
        }
        for (int v = 0; v < k && !lowest.empty(); ++v) {
            WorkingMachining& V = *w.a[v];
            if (V.OrderState != 1) continue;
            const auto it = lowest.find(V.Insieme);
            if (it != lowest.end() && it->second < V.Priorita) {
                V.OrderState = 0;
                ++freed;
            }
        }
        if (freed == k) return k;
    }
    if (bc.linksExist != 0) {
        // A record still to place, free or pending, holds back what is linked after it.
        for (int i = freed > 0 ? 0 : k; i < remaining; ++i)
            if (w.a[i]->OrderState == 0 || w.a[i]->OrderState == 2) freed += ReleaseFollowers(w, *w.a[i]);
    }
    return freed;
}

static void FreePendingFollowers(Work& w, WorkingMachining& m, int depth = 0) {
    if (depth > w.n) return;
    for (int i = 0; i < LinkCount(m.Lav_afterCount) && w.bc.pendingCount > 0; ++i) {
        WorkingMachining* t = w.ById(m.Lav_after[i]);
        if (t == nullptr || t->OrderState != 2) continue;
        t->OrderState = 0;
        --w.bc.pendingCount;
        FreePendingFollowers(w, *t, depth + 1);
    }
}

void ClearSelection(Work& w, int k) {
    for (int i = 0; i < k && i < w.n; ++i) w.a[i]->OrderState = 0;
}

void ReleaseLaterInGroup(Work& w, WorkingMachining& m, int from, int to, WorkingMachining** arr) {
    for (int p = from; p < to && w.bc.pendingCount > 0; ++p) {
        WorkingMachining& r = *arr[p];
        if (r.OrderState > 2) break;
        if (r.OrderState == 2 && r.Insieme == m.Insieme && r.Priorita > m.Priorita) {
            r.OrderState = 0;
            --w.bc.pendingCount;
        }
    }
    if (w.bc.pendingCount > 0) FreePendingFollowers(w, m);
}

// ---------------------------------------------------------------- sorts by state

namespace {

int KeyA(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->OrderState == 0 && b->OrderState == 0) return Sign64(int64_t{b->Xm} - a->Xm);
    return Sign64(int{a->OrderState} - int{b->OrderState});
}

int KeyC(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->OrderState == 1 && b->OrderState != 1) return -1;
    if (b->OrderState == 1 && a->OrderState != 1) return 1;
    return Sign64(int{a->OrderState} - int{b->OrderState});
}

} // namespace

// The walk's stable sorts by state, in linear time: the records are dealt into their states'
// groups in order, and only the free records of KeyA are sorted among themselves (by Xm from
// the highest), with the same merge as MergeSort (records of equal Xm keep their order) and
// only when they are not in that order already. A trailing run of placed records (state 3,
// last under both orders) already stands where the sort would leave it and is not looked at.
//
// KeyA: free records (0) by Xm from the highest, then states 1, 2, 3.
// KeyC: selected records (1), then states 0, 2, 3.
void SortByState(Work& w, StateOrder order) {
    if (g_referenceStateSorts) {
        Sort(w, order == StateOrder::kA ? KeyA : KeyC);
        return;
    }
    int end = w.n;
    while (end > 0 && w.a[end - 1]->OrderState == 3) --end;
    if (end < 2) return;
    std::vector<WorkingMachining*>* groups = w.stateGroups;
    for (int g = 0; g < 5; ++g) groups[g].clear();
    for (int i = 0; i < end; ++i) {
        WorkingMachining* m = w.a[i];
        groups[std::min<int>(m->OrderState, 4)].push_back(m);
    }
    if (!groups[4].empty()) {
        // States the walk never sets: the full comparator sort keeps their place.
        std::vector<WorkingMachining*> rest(w.a, w.a + end);
        (void)MergeSort(rest.data(), rest.size(), order == StateOrder::kA ? KeyA : KeyC);
        std::copy(rest.begin(), rest.end(), w.a);
        return;
    }
    if (order == StateOrder::kA) {
        std::vector<WorkingMachining*>& free = groups[0];
        bool sorted = true;
        for (std::size_t i = 1; i < free.size() && sorted; ++i) sorted = free[i - 1]->Xm >= free[i]->Xm;
        if (!sorted) {
            w.keys.resize(free.size());
            w.keyScratch.resize(free.size() / 2);
            for (std::size_t i = 0; i < free.size(); ++i) w.keys[i] = {free[i]->Xm, free[i]};
            auto byXmDown = [](const StateKey& x, const StateKey& y) { return x.xm > y.xm ? -1 : (x.xm < y.xm ? 1 : 0); };
            detail::MergeSortRun(w.keys.data(), w.keyScratch.data(), free.size(), byXmDown);
            for (std::size_t i = 0; i < free.size(); ++i) free[i] = w.keys[i].m;
        }
    }
    static constexpr int kOrderA[4] = {0, 1, 2, 3};
    static constexpr int kOrderC[4] = {1, 0, 2, 3};
    const int* seq = order == StateOrder::kA ? kOrderA : kOrderC;
    WorkingMachining** out = w.a;
    for (int g = 0; g < 4; ++g) out = std::copy(groups[seq[g]].begin(), groups[seq[g]].end(), out);
}

} // namespace ordering_detail
