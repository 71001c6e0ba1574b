// The repairs after the final sorts: each puts back one rule the sorts' keys can break (links
// and set priorities, cuts along the bar, a piece's machinings before the cut that frees it),
// and moves nothing when the rule holds; on variant 2 the paired cuts change places among them.
#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

#include "machine/globals.h"
#include "ordering_internal.h"

namespace ordering_detail {

namespace {

// Whether machining a must run before machining b: b is linked after a, or both belong to one
// set and a has the lower priority.
bool MustPrecede(const WorkingMachining& a, const WorkingMachining& b) {
    if (a.TipoLavor != kKindRalla || b.TipoLavor != kKindRalla) return false;
    if (Work::HasFollower(a, b.Id)) return true;
    return a.Insieme != 0 && a.Insieme == b.Insieme && a.Priorita < b.Priorita;
}

// Variant 2 sorts its positionings by X and set, not by links: a record that stands before one
// it must follow (a tap before its drill on a position of another X offset) moves to just after
// it. Each move takes a record past a predecessor, so the walk ends (a bound guards a cycle).
void KeepLinksAndSetsByScan(Work& w) {
    for (int moves = 0, i = 0; i < w.n && moves <= w.n * w.n; ++i) {
        int last = -1;
        for (int j = i + 1; j < w.n; ++j)
            if (MustPrecede(*w.a[j], *w.a[i])) last = j;
        if (last < 0) continue;
        WorkingMachining* r = w.a[i];
        for (int k = i; k < last; ++k) w.a[k] = w.a[k + 1];
        w.a[last] = r;
        ++moves;
        --i; // the record now at i is looked at again
    }
}

} // namespace

// As KeepLinksAndSetsByScan, without looking at every pair: the records that must precede a
// record are listed once (by link, and its set's members of lower priority, which stand in
// priority order), and each record's place is kept, so the last of them after it is found
// among those alone.
void KeepLinksAndSets(Work& w) {
    if (g_referenceStateSorts) return KeepLinksAndSetsByScan(w);
    const int n = w.n;
    std::vector<int> at(static_cast<std::size_t>(n)), pos(static_cast<std::size_t>(n));
    std::vector<std::vector<int>> linked(static_cast<std::size_t>(n)); // record -> records linked before it
    std::map<int32_t, std::vector<std::pair<int32_t, int>>> sets;      // set -> (priority, record)
    std::unordered_map<int32_t, std::vector<int>> byId;                 // Id -> kind-1 records
    for (int i = 0; i < n; ++i) {
        at[static_cast<std::size_t>(i)] = pos[static_cast<std::size_t>(i)] = i;
        const WorkingMachining& m = *w.a[i];
        if (m.TipoLavor != kKindRalla) continue;
        byId[m.Id].push_back(i);
        if (m.Insieme != 0) sets[m.Insieme].emplace_back(m.Priorita, i);
    }
    for (auto& [set, members] : sets)
        std::stable_sort(members.begin(), members.end(),
                         [](const std::pair<int32_t, int>& x, const std::pair<int32_t, int>& y) { return x.first < y.first; });
    for (int i = 0; i < n; ++i) {
        const WorkingMachining& m = *w.a[i];
        if (m.TipoLavor != kKindRalla) continue;
        for (int l = 0; l < LinkCount(m.Lav_afterCount); ++l) {
            const auto it = byId.find(m.Lav_after[l]);
            if (it == byId.end()) continue;
            for (int t : it->second)
                if (t != i) linked[static_cast<std::size_t>(t)].push_back(i);
        }
    }
    const long long maxMoves = static_cast<long long>(n) * n;
    long long moves = 0;
    for (int i = 0; i < n && moves <= maxMoves; ++i) {
        const int r = at[static_cast<std::size_t>(i)];
        const WorkingMachining& m = *w.a[i];
        if (m.TipoLavor != kKindRalla) continue;
        int last = -1;
        for (int p : linked[static_cast<std::size_t>(r)]) last = std::max(last, pos[static_cast<std::size_t>(p)]);
        if (m.Insieme != 0) {
            for (const auto& [priority, p] : sets[m.Insieme]) {
                if (priority >= m.Priorita) break;
                last = std::max(last, pos[static_cast<std::size_t>(p)]);
            }
        }
        if (last <= i) continue;
        WorkingMachining* moved = w.a[i];
        for (int k = i; k < last; ++k) {
            w.a[k] = w.a[k + 1];
            at[static_cast<std::size_t>(k)] = at[static_cast<std::size_t>(k + 1)];
            pos[static_cast<std::size_t>(at[static_cast<std::size_t>(k)])] = k;
        }
        w.a[last] = moved;
        at[static_cast<std::size_t>(last)] = r;
        pos[static_cast<std::size_t>(r)] = last;
        ++moves;
        --i; // the record now at i is looked at again
    }
}

// A cut at X frees everything on its head side, so the end cuts run along the bar from its head:
// a cut after one at a smaller X would cut a piece already off the bar (a piece's other end after
// the next piece's first end at a mitred joint). The final sorts mix keys that are not one order
// (cuts by X, other records by positioning or set), and their merge can put a cut there. The end
// cuts then take the order of their X, from the greatest, and every other record keeps its
// place among the others: with `earlier` a cut moves before the cuts of smaller X that stood
// before it (a cut's blade records stay after it), else a cut moves after those of greater X
// that stood after it (it frees nothing sooner). Nothing moves when the order holds.
void KeepCutsAlongTheBar(Work& w, bool earlier) {
    std::vector<WorkingMachining*> in(w.a, w.a + w.n);
    if (earlier) std::reverse(in.begin(), in.end());
    std::vector<WorkingMachining*> cuts;
    for (WorkingMachining* m : in)
        if (m->TipoLavor == kKindEndCut) cuts.push_back(m);
    // Walked from the tail when moving earlier: the smallest X comes first there.
    std::stable_sort(cuts.begin(), cuts.end(), [earlier](const WorkingMachining* a, const WorkingMachining* b) {
        return earlier ? a->X < b->X : a->X > b->X;
    });
    // Each record where it stood; a cut no sooner than its place and its turn along the bar.
    std::vector<WorkingMachining*> out;
    out.reserve(in.size());
    std::unordered_map<const WorkingMachining*, bool> reached;
    std::size_t next = 0;
    for (WorkingMachining* m : in) {
        if (m->TipoLavor != kKindEndCut) {
            out.push_back(m);
            continue;
        }
        reached[m] = true;
        while (next < cuts.size() && reached.count(cuts[next]) != 0) out.push_back(cuts[next++]);
    }
    if (earlier) std::reverse(out.begin(), out.end());
    std::copy(out.begin(), out.end(), w.a);
}

// No cut frees a piece before the piece's own machinings. A cut at X frees everything on its
// head side, so a piece leaves the bar at the first cut that lies at or below its other-end cut;
// the positionings of variant 1 may sort a machining of the piece after such a cut (a machining
// that joined the next piece's positioning). Such a machining moves to just before that cut; the
// machinings moved before one cut keep their order.
void KeepMachiningsBeforeTheirFreeingCut(Work& w) {
    std::map<int32_t, int32_t> tailEnds; // piece -> X of its other-end cut
    for (int k = 0; k < w.n; ++k) {
        const WorkingMachining& c = *w.a[k];
        if (c.TipoLavor != kKindEndCut || (c.endFlags & 2) == 0 || c.PezzoDx <= 0) continue;
        const auto [it, added] = tailEnds.emplace(c.PezzoDx, c.X);
        if (!added) it->second = std::max(it->second, c.X);
    }
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining* m = w.a[i];
        if (m->TipoLavor != kKindRalla) continue;
        const auto end = tailEnds.find(PieceNumber(*m));
        if (end == tailEnds.end()) continue; // the pre-cut last piece: only the remnant's unloading frees it
        const int32_t tailEnd = end->second;
        int first = -1;
        for (int k = 0; k < i && first < 0; ++k)
            if (w.a[k]->TipoLavor == kKindEndCut && w.a[k]->X <= tailEnd) first = k;
        if (first < 0) continue;
        for (int k = i; k > first; --k) w.a[k] = w.a[k - 1];
        w.a[first] = m;
    }
}

// The final sorts of variants 0 and 1 order a pass by positioning and by the cuts' places; a
// record linked after another, or of a higher priority in its set, may end up before it (a hole
// split from its tap by a cut sorted between them, a lower priority placed in a later cycle).
// Each record that a record before it must follow is pulled to just before that record, with
// whatever it must follow in turn; a record pulled earlier stays on its piece's side of every
// cut, so no piece loses a machining. Nothing moves when the order holds.
void PullPredecessorsForward(Work& w) {
    const int n = w.n;
    // A quick test first: a link or a set priority broken anywhere.
    bool broken = false;
    {
        std::unordered_map<const WorkingMachining*, int> pos;
        std::unordered_map<int32_t, int32_t> highest; // set -> highest priority seen so far
        for (int i = 0; i < n; ++i) pos[w.a[i]] = i;
        for (int i = 0; i < n && !broken; ++i) {
            const WorkingMachining& m = *w.a[i];
            if (m.TipoLavor != kKindRalla) continue;
            for (int l = 0; l < LinkCount(m.Lav_afterCount) && !broken; ++l) {
                const WorkingMachining* t = w.ById(m.Lav_after[l]);
                broken = t != nullptr && t->TipoLavor == kKindRalla && pos[t] < i;
            }
            if (m.Insieme == 0) continue;
            const auto [it, added] = highest.emplace(m.Insieme, m.Priorita);
            if (!added && m.Priorita < it->second) broken = true;
            if (!added) it->second = std::max(it->second, m.Priorita);
        }
    }
    if (!broken) return;
    // Each record's predecessors (its links' sources and its set's lower priorities), by place.
    std::unordered_map<const WorkingMachining*, int> place;
    for (int i = 0; i < n; ++i) place[w.a[i]] = i;
    std::vector<std::vector<int>> before(static_cast<std::size_t>(n));
    std::map<int32_t, std::vector<int>> sets;
    for (int i = 0; i < n; ++i) {
        const WorkingMachining& m = *w.a[i];
        if (m.TipoLavor != kKindRalla) continue;
        if (m.Insieme != 0) sets[m.Insieme].push_back(i);
        for (int l = 0; l < LinkCount(m.Lav_afterCount); ++l) {
            const WorkingMachining* t = w.ById(m.Lav_after[l]);
            const auto it = t != nullptr && t->TipoLavor == kKindRalla ? place.find(t) : place.end();
            if (it != place.end() && it->second != i) before[static_cast<std::size_t>(it->second)].push_back(i);
        }
    }
    for (const auto& [set, members] : sets)
        for (int r : members)
            for (int q : members)
                if (w.a[q]->Priorita < w.a[r]->Priorita) before[static_cast<std::size_t>(r)].push_back(q);
    for (std::vector<int>& b : before) std::sort(b.begin(), b.end());
    // Walk the order; each record is preceded by those it must follow that are not out yet, in
    // their order and each with its own first. A circle (refused before when a tap closes it) is
    // cut where it is met.
    std::vector<char> state(static_cast<std::size_t>(n), 0); // 1 on the way, 2 out
    std::vector<WorkingMachining*> out;
    out.reserve(static_cast<std::size_t>(n));
    std::vector<std::pair<int, std::size_t>> stack;
    for (int i = 0; i < n; ++i) {
        if (state[static_cast<std::size_t>(i)] != 0) continue;
        stack.push_back({i, 0});
        state[static_cast<std::size_t>(i)] = 1;
        while (!stack.empty()) {
            auto& [r, next] = stack.back();
            const std::vector<int>& b = before[static_cast<std::size_t>(r)];
            while (next < b.size() && state[static_cast<std::size_t>(b[next])] != 0) ++next;
            if (next < b.size()) {
                const int p = b[next++];
                state[static_cast<std::size_t>(p)] = 1;
                stack.push_back({p, 0});
                continue;
            }
            state[static_cast<std::size_t>(r)] = 2;
            out.push_back(w.a[r]);
            stack.pop_back();
        }
    }
    std::copy(out.begin(), out.end(), w.a);
}

// Each variant's repairs, in the order their rules build on each other.
void RepairFinalOrder(Work& w) {
    if (MachineVariant == 2) {
        KeepCutsAlongTheBar(w, false);
        SwapPairedCutsIn(w);
        KeepLinksAndSets(w);
        return;
    }
    if (MachineVariant == 1) KeepCutsAlongTheBar(w, true);
    KeepMachiningsBeforeTheirFreeingCut(w);
    PullPredecessorsForward(w);
}

} // namespace ordering_detail
