// Ordering of a bar's records into positionings: automatic precedence links between overlapping
// machinings, the walks of the three machine variants (which record leads a positioning, which
// records it takes, where the bar stands), the final sorts and the pairing of cuts.
//
// Every sort is MergeSort (top-down, stable, cmp(left, right)); the comparators below are not
// total orders, so the exact merge is part of the result.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include "engine/ordering.h"
#include "machine/error_text.h"
#include "machine/geometry.h"
#include "machine/globals.h"
#include "machine/profile_overrides.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/utils.h"
#include "ordering_internal.h"

namespace ordering_detail {

bool g_referenceStateSorts = false;

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

// ---------------------------------------------------------------- release rules

namespace {

int ReleaseFollowers(Work& w, WorkingMachining& m, int depth = 0) {
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

void FreePendingFollowers(Work& w, WorkingMachining& m, int depth = 0) {
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

} // namespace

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

// ---------------------------------------------------------------- sort keys

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

// The tail of V0 for two records: cuts of kind 2 first, then priorities within a kind.
int KindThenPriority(const WorkingMachining* a, const WorkingMachining* b) {
    const bool a2 = a->TipoLavor == kKindEndCut, b2 = b->TipoLavor == kKindEndCut;
    if (a2 != b2) return a2 ? -1 : 1;
    if (a->TipoLavor == b->TipoLavor && a->TipoLavor != kKindRalla)
        return Sign64(int64_t{a->Priorita} - b->Priorita);
    return 0;
}

// Place of a record of a piece along the bar, in quarter steps of piece number: the first-end
// cut of piece p at 4p-3, its machinings at 4p-2, its other-end cut at 4p.
constexpr int32_t kNoJoint = INT32_MIN;
int32_t JointKey(const WorkingMachining& m) {
    const int32_t p = PieceNumber(m);
    if (p <= 0) return kNoJoint;
    if (m.TipoLavor == kKindRalla) return 4 * p - 2;
    if (m.TipoLavor != kKindEndCut) return kNoJoint;
    if ((m.endFlags & 2) != 0) return 4 * m.PezzoDx;
    if ((m.endFlags & 1) != 0) return 4 * p - 3;
    return kNoJoint;
}

int KeyV0(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->PosGroup != b->PosGroup) return Sign64(int64_t{a->PosGroup} - b->PosGroup);
    // Within a pass, along the bar from its head: a piece's first-end cut, its machinings, its
    // other-end cut, then the next piece's first-end cut, whatever their positionings. No cut
    // then frees a piece before its own machinings and end cuts (a short piece's other-end cut
    // may be positioned below its head trim; at a joint of two ends cut apart the next piece's
    // first-end cut would free the previous piece with the wedge).
    const int32_t ja = JointKey(*a), jb = JointKey(*b);
    if (ja != kNoJoint && jb != kNoJoint && ja != jb) return ja < jb ? -1 : 1;
    if (a->Xcaric != b->Xcaric) return Sign64(int64_t{a->Xcaric} - b->Xcaric);
    return KindThenPriority(a, b);
}

int KeyV1a(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->PosGroup != b->PosGroup) return Sign64(int64_t{a->PosGroup} - b->PosGroup);
    if (a->TipoLavor == kKindEndCut && b->TipoLavor == kKindEndCut && a->X != b->X)
        return a->X > b->X ? -1 : 1;
    if (a->Xcaric != b->Xcaric) return Sign64(int64_t{a->Xcaric} - b->Xcaric);
    // Then, for two records of the same kind, as V0.
    if (a->TipoLavor == b->TipoLavor && a->TipoLavor != kKindRalla)
        return Sign64(int64_t{a->Priorita} - b->Priorita);
    return 0;
}

// The partner cut of a blade record: its first LavBefore entry.
bool IsPartner(const WorkingMachining& k, const WorkingMachining& c) { return k.LavBefore[0] != 0 && k.LavBefore[0] == c.Id; }

bool Kind245(const WorkingMachining* m) { return IsCut(*m); }

int KeyV1b(const WorkingMachining* a, const WorkingMachining* b) {
    if (!Kind245(a) || !Kind245(b)) return 0;
    const bool a2 = a->TipoLavor == kKindEndCut, b2 = b->TipoLavor == kKindEndCut;
    if (a2 && b2) return 0;
    if (!a2 && !b2) return Sign64(int64_t{PieceNumber(*a)} - PieceNumber(*b));
    if (!a2 && IsPartner(*a, *b)) return 1;  // blade record after its partner cut
    if (!b2 && IsPartner(*b, *a)) return -1; // the partner cut before it
    return 0;
}

// V1c from the blade record's side: <0 K first, >0 C first.
int V1cBlade(const WorkingMachining& k, const WorkingMachining& c) {
    if (IsPartner(k, c)) return 0;
    const int32_t pk = PieceNumber(k), pc = PieceNumber(c);
    if (c.endCutMode == 3) return pk >= pc ? 1 : -1;
    if (pk < pc || (pk == pc && c.endCutMode >= 2)) return -1;
    if (pk > pc) return 1;
    return 0;
}

int KeyV1c(const WorkingMachining* a, const WorkingMachining* b) {
    if (IsBlade(*a) && b->TipoLavor == kKindEndCut) return V1cBlade(*a, *b);
    if (IsBlade(*b) && a->TipoLavor == kKindEndCut) return -V1cBlade(*b, *a);
    return 0;
}

int KeyV1d(const WorkingMachining* a, const WorkingMachining* b) {
    if (IsBlade(*a) && b->TipoLavor == kKindEndCut && IsPartner(*a, *b))
        return PieceNumber(*a) >= PieceNumber(*b) ? 1 : -1;
    if (IsBlade(*b) && a->TipoLavor == kKindEndCut && IsPartner(*b, *a)) {
        const int32_t p = PieceNumber(*a) - (a->endCutMode == 3 ? 1 : 0);
        return p <= PieceNumber(*b) ? -1 : 1;
    }
    return 0;
}

int KeyV1e(const WorkingMachining* a, const WorkingMachining* b) {
    if (!Kind245(a) || !Kind245(b) || a->endCutMode == 3 || b->endCutMode == 3) return 0;
    return Sign64(int64_t{PieceNumber(*a)} - PieceNumber(*b));
}

int KeyV2a(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->Insieme >= 1 && a->Insieme == b->Insieme && a->TipoLavor == kKindRalla)
        return Sign64(int64_t{a->Priorita} - b->Priorita);
    return 0;
}

int KeyV2b(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->Insieme != b->Insieme) return Sign64(int64_t{b->Xcaric} - a->Xcaric);
    return Sign64(int64_t{a->Priorita} - b->Priorita);
}

// The walk's stable sorts by state, in linear time: the records are dealt into their states'
// groups in order, and only the free records of KeyA are sorted among themselves (by Xm from
// the highest), with the same merge as MergeSort (records of equal Xm keep their order) and
// only when they are not in that order already. A trailing run of placed records (state 3,
// last under both orders) already stands where the sort would leave it and is not looked at.
//
// KeyA: free records (0) by Xm from the highest, then states 1, 2, 3.
// KeyC: selected records (1), then states 0, 2, 3.
enum class StateOrder { kA, kC };

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

} // namespace
} // namespace ordering_detail

using namespace ordering_detail;

// ---------------------------------------------------------------- pairing of cuts

namespace ordering_detail {
namespace {
// A cut's operation word: CutMode once the elaboration gave one, else the unloading code the end
// trims set. 32 marks the angled other end of a piece whose next piece starts square (variant 2):
// the square cut frees the piece, then the blade trims the freed end at its angle.
int32_t OperationMode(const WorkingMachining& c) { return c.CutMode != 0 ? c.CutMode : c.clampCode; }

void SwapPairedCutsIn(Work& w) {
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining& c = *w.a[i];
        if (c.TipoLavor != kKindEndCut || OperationMode(c) != 32) continue;
        int j = i + 1;
        while (j < w.n && w.a[j]->TipoLavor != kKindEndCut) ++j;
        if (j >= w.n) return;
        std::swap(w.a[i]->Priorita, w.a[j]->Priorita);
        std::swap(w.a[i], w.a[j]);
        i = j; // continue after the second one
    }
}
} // namespace
} // namespace ordering_detail

void SwapPairedCuts(BarComputation& bc) {
    if (g_pSettings == nullptr) return;
    Work w(bc);
    SwapPairedCutsIn(w);
}

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

// ---------------------------------------------------------------- positionings

namespace {

// Variant 2: one positioning per record.
void OrderVariant2(Work& w) {
    const MachineSettings& s = w.s;
    const BarGeometry g = GeometryOf(w.bc);
    const int32_t Xlo = s.X_TRAVEL_MIN, Xhi = s.X_TRAVEL_MAX, DM = s.DIST_MORSE;
    const int32_t H = s.SPESS_LAMA >> 1; // arithmetic halving
    const int32_t C = s.DIST_LAMA + s.CORR_X_LAME;
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining& m = *w.a[i];
        if (m.TipoLavor != kKindFigure6000) continue;
        m.Xm = Sat(int64_t{m.XFm} - (int64_t{H} - Xhi + s.DIST_LAMA));
        m.XM = Sat(int64_t{m.XFM} - (int64_t{H} - Xhi + s.DIST_LAMA));
    }
    SortByState(w, StateOrder::kA);
    int64_t P = 0;
    const WorkingMachining* lastCut = nullptr;
    bool after90 = false, after45 = false, shares = false;
    const int32_t* tools = w.bc.BarSetup();
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining& m = *w.a[i];
        if (m.TipoLavor == kKindRalla) {
            // A tool on no ralla position (refused by the tool checks before) takes no X offset.
            int32_t O = 0;
            for (int p = 0; p < RallaPositionCount(); ++p)
                if (tools[p] == m.Uten) {
                    O = s.OFFX_T[p];
                    break;
                }
            const int32_t D =
                g_pRallaTools != nullptr ? g_pRallaTools->Tool(m.Uten).diameter[std::clamp(m.Diam, 0, 2)] : 0;
            if (m.Figura == 3 && (m.AngFig == 0 || m.AngFig == 180000) && m.params[1] == D)
                P = int64_t{O} + m.params[0] / 2 - Xlo + m.X - D / 2;
            else
                P = int64_t{O} - Xlo + m.X;
        } else if (m.TipoLavor == kKindFigure6000) {
            P = int64_t{m.X} - H - C;
        } else if (IsCut(m)) {
            if (m.ATaglio == 90000) {
                P = int64_t{m.X} - s.DIST_LAMA;
                after90 = true;
                after45 = false;
                shares = false;
            } else if (m.ATaglio == 45000) {
                if (shares) {
                    m.OwnPositioning = 0; // shares the current positioning
                    shares = false;
                } else {
                    P = int64_t{s.SCARTO_POSIZ >> 1} - H - C + m.X;
                }
                after45 = true;
                after90 = false;
            } else if (m.ATaglio == 135000) {
                const int64_t gap = int64_t{s.SPESS_LAMA} + s.SCARTO_POSIZ + s.CORR_P_LAME + s.CORR_X_LAME;
                if (after90 && !after45 && lastCut != nullptr && int64_t{lastCut->X} - m.X <= gap)
                    P = int64_t{m.X} - C;
                else
                    P = int64_t{m.X} - H - (s.SCARTO_POSIZ >> 1) - C;
                shares = true;
                after90 = after45 = false;
            }
            lastCut = &m;
        }
        m.PosGroup = 1;
        m.OrderState = 3;
        m.Xcaric = Sat(P);
        const bool nearTail = int64_t{g.L} - P < DM ||
                              (m.TipoLavor == kKindRalla && (int64_t{g.L} - m.XM < DM || int64_t{g.L} - m.Xm < DM));
        m.TipoCaric = nearTail ? 1 : (P < 0 ? 11 : 23);
    }
    Sort(w, KeyV2a);
    Sort(w, KeyV2b);
    KeepCutsAlongTheBar(w, false);
    SwapPairedCutsIn(w);
    KeepLinksAndSets(w);
}

// The bookkeeping that lets a cycle of the window walk look only at the records it may have
// changed: the records' Xm and XM beside the array (the leader search and the merges read them
// there), where the last sort by state left each state's group, the unplaced records' priorities
// per set and each record's predecessors by link. Every step gives what the plain step (sort of
// the whole array, scan of every unplaced record) gives; with the tests' reference switch, or on
// a variant-1 bar with paired cuts (whose priorities and places swap in every cycle), the plain
// steps run instead.
class WindowWalk {
public:
    WindowWalk(Work& w, bool v1) : w_(w), v1_(v1) {
        bool swaps = false;
        for (int i = 0; i < w.n && v1; ++i)
            swaps = swaps || (w.a[i]->TipoLavor == kKindEndCut && ordering_detail::OperationMode(*w.a[i]) == 32);
        fast_ = !g_referenceStateSorts && !swaps;
        if (!fast_) return;
        keys_.resize(static_cast<std::size_t>(w.n));
        for (int i = 0; i < w.n; ++i) {
            const WorkingMachining& m = *w.a[i];
            keys_[static_cast<std::size_t>(i)] = {m.Xm, m.XM, w.a[i]};
            unplaced_[m.Insieme][m.Priorita] += 1;
            for (int l = 0; l < LinkCount(m.Lav_afterCount); ++l) {
                const WorkingMachining* t = w.ById(m.Lav_after[l]);
                if (t != nullptr) predecessors_[t].push_back(w.a[i]);
            }
        }
    }
    bool fast() const { return fast_; }

    // Sort by state at the start of a cycle (KeyA). `front`: the leading records the cycle may
    // have changed (the last selection); `pendingLeader`: the position of a leader made pending
    // outside them, or -1. After the last sort the records from `front` to the end of the free
    // group are still free and in order; the pending group may have changed.
    void SortA(int front, int pendingLeader) {
        if (!fast_ || last_ == Last::kUnknown) return FullSort(StateOrder::kA);
#ifndef NDEBUG
        const std::vector<WorkingMachining*> before(w_.a, w_.a + w_.n);
#endif
        const int freeEnd = freeEnd_, groupEnd = groupEnd_;
        front = std::min(front, freeEnd);
        for (auto& g : groups_) g.clear();
        backFree_.clear();
        auto deal = [&](int from, int to, std::vector<Key>& free) {
            for (int i = from; i < to; ++i) {
                const Key& k = keys_[static_cast<std::size_t>(i)];
                const int s = std::min<int>(k.m->OrderState, 3);
                (s == 0 ? free : groups_[s]).push_back(k);
            }
        };
        deal(0, front, groups_[0]);
        // The pending leader stands between the changed front and the pending group.
        if (pendingLeader >= 0) groups_[2].push_back(keys_[static_cast<std::size_t>(pendingLeader)]);
        deal(freeEnd, groupEnd, backFree_);
        auto byXmDown = [](const Key& x, const Key& y) { return x.xm > y.xm; };
        std::stable_sort(groups_[0].begin(), groups_[0].end(), byXmDown);
        std::stable_sort(backFree_.begin(), backFree_.end(), byXmDown);
        // Free records, as the stable sort of the whole array leaves them: the changed front
        // ones before the kept run among equal Xm, the changed pending ones after it. The front
        // merge writes at or before the place it reads from, the back merge from the end.
        Key* k = keys_.data();
        const Key* f = groups_[0].data();
        const Key* const fEnd = f + groups_[0].size();
        int out = 0;
        for (int i = front; i < freeEnd; ++i) {
            if (i == pendingLeader) continue;
            while (f != fEnd && f->xm >= k[i].xm) k[out++] = *f++;
            k[out++] = k[i];
        }
        while (f != fEnd) k[out++] = *f++;
        int j = static_cast<int>(backFree_.size());
        const int freeCount = out + j;
        for (int at = freeCount; j > 0;) {
            if (out > 0 && k[out - 1].xm < backFree_[static_cast<std::size_t>(j - 1)].xm)
                k[--at] = k[--out];
            else
                k[--at] = backFree_[static_cast<std::size_t>(--j)];
        }
        int at = freeCount;
        for (int g = 1; g < 4; ++g)
            for (const Key& key : groups_[g]) k[at++] = key;
        for (int i = 0; i < at; ++i) w_.a[i] = k[i].m;
        freeEnd_ = freeCount;
        groupEnd_ = freeCount + static_cast<int>(groups_[1].size() + groups_[2].size());
        selectedEnd_ = 0;
        last_ = groups_[1].empty() ? Last::kA : Last::kUnknown;
#ifndef NDEBUG
        Check(before, StateOrder::kA);
#endif
    }
    // Sort by state after a selection among the leading `front` free records (KeyC).
    void SortC(int front) {
        if (!fast_ || last_ != Last::kA) return FullSort(StateOrder::kC);
#ifndef NDEBUG
        const std::vector<WorkingMachining*> before(w_.a, w_.a + w_.n);
#endif
        front = std::min(front, freeEnd_);
        scratch_.clear();
        for (int i = 0; i < front; ++i)
            if (keys_[static_cast<std::size_t>(i)].m->OrderState == 1) scratch_.push_back(keys_[static_cast<std::size_t>(i)]);
        const int selected = static_cast<int>(scratch_.size());
        for (int i = 0; i < front; ++i)
            if (keys_[static_cast<std::size_t>(i)].m->OrderState != 1) scratch_.push_back(keys_[static_cast<std::size_t>(i)]);
        Store(front);
        selectedEnd_ = selected;
        last_ = Last::kC;
#ifndef NDEBUG
        Check(before, StateOrder::kC);
#endif
    }
    // The plain sort of the whole array; the groups are counted again.
    void FullSort(StateOrder order) {
        SortByState(w_, order);
        if (!fast_) return;
        int counts[4] = {};
        for (int i = 0; i < w_.n; ++i) {
            keys_[static_cast<std::size_t>(i)] = {w_.a[i]->Xm, w_.a[i]->XM, w_.a[i]};
            ++counts[std::min<int>(w_.a[i]->OrderState, 3)];
        }
        if (order == StateOrder::kA) {
            selectedEnd_ = 0;
            freeEnd_ = counts[0];
            groupEnd_ = counts[0] + counts[1] + counts[2];
            last_ = counts[1] == 0 ? Last::kA : Last::kUnknown;
        } else {
            selectedEnd_ = counts[1];
            freeEnd_ = counts[1] + counts[0];
            groupEnd_ = freeEnd_ + counts[2];
            last_ = Last::kC;
        }
    }
    // Where the last sort left the free records (after KeyA: from 0; after KeyC: after the
    // selected ones) and the pending ones (from freeEnd to pendingEnd).
    int freeEnd() const { return freeEnd_; }
    int selectedEnd() const { return selectedEnd_; }
    int32_t Xm(int i) const { return keys_[static_cast<std::size_t>(i)].xm; }
    int32_t XM(int i) const { return keys_[static_cast<std::size_t>(i)].xM; }
    // The position of a record among the free ones after KeyC, or -1.
    int FindFree(const WorkingMachining* m) const {
        for (int i = selectedEnd_; i < freeEnd_; ++i)
            if (keys_[static_cast<std::size_t>(i)].m == m) return i;
        return -1;
    }

    // A placed record leaves its set's priorities.
    void Placed(const WorkingMachining& m) {
        if (!fast_) return;
        auto& counts = unplaced_[m.Insieme];
        const auto it = counts.find(m.Priorita);
        if (it != counts.end() && --it->second == 0) counts.erase(it);
    }

    // ReleaseBlockedSelection over the k selected records only: a selected record is freed when
    // its set still holds an unplaced, unselected record of lower priority (counted per set), or
    // when a free record leads to it by links through selected ones (its predecessors).
    int ReleaseBlocked(int k) {
        BarComputation& bc = w_.bc;
        if (bc.setsUsed == 0 && bc.linksExist == 0) return 0;
        int freed = 0;
        if (bc.setsUsed != 0) {
            // The selected priorities of each set, in order; the lowest priority left after them.
            selectedSets_.clear();
            for (int v = 0; v < k; ++v)
                if (w_.a[v]->OrderState == 1) selectedSets_.push_back({w_.a[v]->Insieme, w_.a[v]->Priorita});
            std::sort(selectedSets_.begin(), selectedSets_.end());
            lowest_.clear();
            for (std::size_t i = 0; i < selectedSets_.size();) {
                const int32_t set = selectedSets_[i].first;
                std::size_t j = i;
                const auto found = unplaced_.find(set);
                bool any = false;
                int32_t low = 0;
                if (found != unplaced_.end()) {
                    for (const auto& [priority, count] : found->second) {
                        int taken = 0;
                        while (j < selectedSets_.size() && selectedSets_[j].first == set &&
                               selectedSets_[j].second == priority) {
                            ++taken;
                            ++j;
                        }
                        if (count > taken) {
                            any = true;
                            low = priority;
                            break;
                        }
                    }
                }
                if (any) lowest_.emplace_back(set, low);
                while (i < selectedSets_.size() && selectedSets_[i].first == set) ++i;
            }
            for (int v = 0; v < k && !lowest_.empty(); ++v) {
                WorkingMachining& V = *w_.a[v];
                if (V.OrderState != 1) continue;
                const auto it = std::lower_bound(lowest_.begin(), lowest_.end(), std::pair<int32_t, int32_t>{V.Insieme, INT32_MIN});
                if (it != lowest_.end() && it->first == V.Insieme && it->second < V.Priorita) {
                    V.OrderState = 0;
                    ++freed;
                }
            }
            if (freed == k) return k;
        }
        if (bc.linksExist != 0) {
            // Free records among the selected ones release their followers; a selected record
            // with a predecessor still to place (free or pending) is released by it.
            for (int v = 0; v < k; ++v)
                if (w_.a[v]->OrderState == 0) freed += ReleaseFollowers(w_, *w_.a[v]);
            for (int v = 0; v < k; ++v) {
                WorkingMachining& V = *w_.a[v];
                if (V.OrderState != 1) continue;
                const auto it = predecessors_.find(&V);
                if (it == predecessors_.end()) continue;
                for (const WorkingMachining* p : it->second) {
                    if ((p->OrderState != 0 && p->OrderState != 2) || (v1_ && p->TipoLavor != kKindRalla)) continue;
                    V.OrderState = 0;
                    freed += 1 + ReleaseFollowers(w_, V);
                    break;
                }
            }
        }
        return freed;
    }

private:
    struct Key {
        int32_t xm, xM;
        WorkingMachining* m;
    };
    void Store(int count) {
        for (int i = 0; i < count; ++i) {
            keys_[static_cast<std::size_t>(i)] = scratch_[static_cast<std::size_t>(i)];
            w_.a[i] = scratch_[static_cast<std::size_t>(i)].m;
        }
    }
#ifndef NDEBUG
    // Debug builds prove every shortened sort against the plain one.
    void Check(const std::vector<WorkingMachining*>& before, StateOrder order) {
        std::vector<WorkingMachining*> got(w_.a, w_.a + w_.n);
        std::copy(before.begin(), before.end(), w_.a);
        SortByState(w_, order);
        for (int i = 0; i < w_.n; ++i)
            if (w_.a[i] != got[static_cast<std::size_t>(i)] || keys_[static_cast<std::size_t>(i)].m != w_.a[i]) {
                std::fprintf(stderr, "ordering: a shortened sort by state differs at %d\n", i);
                std::abort();
            }
    }
#endif

    Work& w_;
    bool v1_;
    bool fast_ = false;
    // The order of the last sort, whose groups stand at selectedEnd_, freeEnd_ and groupEnd_.
    enum class Last { kUnknown, kA, kC } last_ = Last::kUnknown;
    std::vector<Key> keys_, scratch_, groups_[4], backFree_;
    int selectedEnd_ = 0, freeEnd_ = 0, groupEnd_ = 0;
    std::map<int32_t, std::map<int32_t, int>> unplaced_; // set -> priority -> unplaced records
    std::unordered_map<const WorkingMachining*, std::vector<const WorkingMachining*>> predecessors_;
    std::vector<std::pair<int32_t, int32_t>> selectedSets_, lowest_;
};

// The machine's limits a walk of variants 0 and 1 works within (one bar).
struct WindowLimits {
    int64_t L, Gh, Gt, Xlo, Xhi, S, DM, MS, E, F;
    int32_t R;        // the blade's reach, for the cut positionings
    int32_t shortBar; // short bar without pieces accepted
};

WindowLimits LimitsOf(const Work& w) {
    const MachineSettings& s = w.s;
    const BarGeometry g = GeometryOf(w.bc);
    WindowLimits k{};
    k.L = g.L;
    k.Gh = g.Gh;
    k.Gt = g.Gt;
    k.Xlo = s.X_TRAVEL_MIN;
    k.Xhi = s.X_TRAVEL_MAX;
    k.S = k.Xhi - k.Xlo;
    k.DM = s.DIST_MORSE;
    k.MS = s.MAX_SBALZO;
    k.R = std::max(s.DIST_LAMA - s.X_PAR_MAX + s.X_PAR_MIN,
                   s.DIST_MORSE34 + s.SPESS_DADO_LAMA + s.SPESS_FLANGIA_LAMA + s.SPESS_LAMA + s.OFF_X_LAMA);
    k.E = k.MS - k.DM + k.Xhi;
    k.F = k.L - k.Gt - k.DM;
    k.shortBar = g.shortBar;
    return k;
}

// The leader of a positioning, with its XM (M) and the Xm its lower bound may take (W).
struct Leader {
    WorkingMachining* m = nullptr;
    int64_t M = 0, W = 0;
    int freeCount = 0, at = 0; // free records leading the array; the leader's place among them
};

// Step 2: the leader among the leading free records: the greatest XM; among equals variant 1
// prefers a blade record, then the cut of the lower piece, variant 0 the end cut.
Leader FindLeader(Work& w, const WindowWalk& walk, bool v1) {
    const bool fast = walk.fast();
    WorkingMachining* leader = nullptr;
    int64_t M = 0, W = 0;
    int freeCount = 0, leaderAt = 0;
    if (fast) {
        // From the Xm and XM kept beside the array: only the records of the greatest XM are read.
        freeCount = walk.freeEnd();
        for (int i = 0; i < freeCount; ++i)
            if (leader == nullptr || walk.XM(i) > M) {
                leader = w.a[i];
                M = walk.XM(i);
            }
        if (leader != nullptr) {
            leader = nullptr;
            for (int i = 0; i < freeCount; ++i) {
                if (walk.XM(i) != M) continue;
                WorkingMachining& r = *w.a[i];
                if (leader == nullptr) {
                    leader = &r;
                    leaderAt = i;
                    W = walk.Xm(i);
                } else if (v1) {
                    const bool replaces = (!IsCut(*leader) && IsBlade(r)) ||
                                          (r.TipoLavor == kKindEndCut && r.PezzoDx < leader->PezzoDx);
                    if (replaces || !IsCut(*leader)) W = walk.Xm(i);
                    if (replaces) {
                        leader = &r;
                        leaderAt = i;
                    }
                } else {
                    if (r.TipoLavor == kKindEndCut) {
                        leader = &r;
                        leaderAt = i;
                    }
                    W = walk.Xm(i); // variant 0: the last record of the greatest XM
                }
            }
        }
    }
    if (!fast)
        while (freeCount < w.n && w.a[freeCount]->OrderState == 0) ++freeCount;
    for (int i = 0; i < freeCount && !fast; ++i) {
        WorkingMachining& r = *w.a[i];
        if (leader == nullptr || r.XM > M) {
            leader = &r;
            M = r.XM;
            W = r.Xm;
        } else if (r.XM == M) {
            if (v1) {
                const bool replaces = (!IsCut(*leader) && IsBlade(r)) ||
                                      (r.TipoLavor == kKindEndCut && r.PezzoDx < leader->PezzoDx);
                if (replaces || !IsCut(*leader)) W = r.Xm;
                if (replaces) leader = &r;
            } else if (r.TipoLavor == kKindEndCut) {
                leader = &r;
            }
        }
    }
    if (leader != nullptr && !v1 && !fast) {
        for (int i = 0; i < freeCount; ++i)
            if (w.a[i]->XM == M) W = w.a[i]->Xm;
    }
    Leader l;
    l.m = leader;
    l.M = M;
    l.W = W;
    l.freeCount = freeCount;
    l.at = leaderAt;
    return l;
}

// The kind of a positioning (1 last stretch, 11 head, 23 middle) and the lowest Xm it takes.
struct Bound {
    int kind = 23;
    int64_t B = 0;
};

// Step 3: the positioning's kind and lower bound from where its leader lies on the bar.
Bound KindAndLowerBound(const WindowLimits& k, const Leader& l, bool v1) {
    const WorkingMachining* leader = l.m;
    const int64_t M = l.M, W = l.W;
    const int64_t L = k.L, Gh = k.Gh, Xlo = k.Xlo, Xhi = k.Xhi, S = k.S, MS = k.MS, E = k.E, F = k.F;
    const bool leaderCut = IsCut(*leader);
    const bool linked = leader->Insieme != 0 || leader->Lav_afterCount > 0 || leader->LavBeforeCount > 0;
    const int64_t leaderBound = (int64_t{leader->XM} - leader->Xm >= MS || linked) ? W : M - MS;
    int kind = 23;
    int64_t B = M - S;
    if (v1) {
        if (M > F + Xhi && !IsBlade(*leader)) {
            kind = 1;
            if (MS > 0 && B < L - MS + Xlo) {
                B = L - MS + Xlo;
                if (B > W) B = leaderBound;
            }
        } else if ((leader->Xm < Gh + Xlo && !IsBlade(*leader)) || (leaderCut && M <= Gh + Xhi)) {
            kind = 11;
            if (MS > 0 && M > E) B = leaderBound;
        } else if (MS > 0 && B < Gh + Xlo) {
            if (M > E) B = Gh + Xlo;
            B = std::min(B, W);
        }
    } else {
        if (M > F + Xhi || k.shortBar != 0) {
            kind = 1;
            if (MS > 0 && B < L - MS + Xlo) B = std::min(L - MS + Xlo, W);
        } else if (leader->Xm < Gh + Xlo || (leader->TipoLavor == kKindEndCut && M <= Gh + Xhi)) {
            kind = 11;
            B = (MS > 0 && M > E) ? W : M - S;
        } else if (MS > 0 && B < Gh + Xlo) {
            if (M > E) B = Gh + Xlo;
            B = std::min(B, W);
        }
    }
    Bound b;
    b.kind = kind;
    b.B = B;
    return b;
}

// What a selection took: the selected records lead the array.
struct Selection {
    int selected = 0;
    int released = 0;
    bool leaderPending = false;
};

// Steps 4-5, variant 1: a cut leader goes alone; else the free records down to the bound, cuts
// only at the leader's XM; the release rules then free what may not go yet.
Selection SelectVariant1(Work& w, WindowWalk& walk, const Leader& l, int64_t B, bool forced, int toPlace) {
    WorkingMachining* leader = l.m;
    const int64_t M = l.M;
    const bool leaderCut = IsCut(*leader);
    Selection sel;
    int scanned = 0;
    if (leaderCut) {
        leader->OrderState = 1;
        sel.selected = 1;
        scanned = l.at + 1;
    } else {
        for (; scanned < w.n; ++scanned) {
            WorkingMachining& r = *w.a[scanned];
            if (r.OrderState != 0 || (sel.selected > 0 && r.Xm < B)) break;
            if (!IsCut(r) || r.XM == M) {
                r.OrderState = 1;
                ++sel.selected;
            }
        }
    }
    walk.SortC(scanned);
    if (!leaderCut && !forced) {
        sel.released = walk.fast() ? walk.ReleaseBlocked(sel.selected) : ReleaseBlockedSelection(w, sel.selected, toPlace);
        if (leader->OrderState == 0) sel.leaderPending = true;
    }
    return sel;
}

// Steps 4-5, variant 0: the free records down to the bound, stopping at the first end cut not
// at the leader's XM; a second pass without that barrier when the release rules freed records.
Selection SelectVariant0(Work& w, WindowWalk& walk, const Leader& l, int64_t B, bool forced, int toPlace) {
    WorkingMachining* leader = l.m;
    const int64_t M = l.M;
    Selection sel;
    for (int pass = 1; pass <= 2; ++pass) {
        if (pass == 2) walk.SortA(sel.selected, -1);
        sel.selected = 0;
        bool barrierSet = false;
        int64_t barrier = 0;
        int barrierCount = 0;
        int scanned = 0;
        for (; scanned < w.n; ++scanned) {
            WorkingMachining& r = *w.a[scanned];
            if (r.OrderState != 0 || r.Xm < B) break;
            if (r.TipoLavor == kKindEndCut && r.XM != M) {
                if (pass == 1 && leader->TipoLavor != kKindEndCut && !barrierSet) {
                    barrierSet = true;
                    barrier = r.XM;
                    barrierCount = 1;
                }
                continue;
            }
            if (!barrierSet || r.XM > barrier) {
                r.OrderState = 1;
                ++sel.selected;
            } else {
                ++barrierCount;
            }
        }
        walk.SortC(scanned);
        if (forced) break;
        sel.released = walk.fast() ? walk.ReleaseBlocked(sel.selected) : ReleaseBlockedSelection(w, sel.selected, toPlace);
        if (sel.released == 0 || barrierCount < 2) {
            if (leader->OrderState == 0) sel.leaderPending = true;
            break;
        }
        ClearSelection(w, sel.selected);
    }
    return sel;
}

// Step 7: the least Xm of the selection; the pending records waiting on the placed ones are freed.
int64_t LeastXmAndRelease(Work& w, const WindowWalk& walk, const WorkingMachining& leader, const Selection& sel,
                          int toPlace) {
    const int selected = sel.selected;
    int64_t T = leader.Xm;
    for (int i = 0; i < selected; ++i)
        if (w.a[i]->OrderState == 1) T = std::min<int64_t>(T, w.a[i]->Xm);
    if (sel.released != 0 || w.bc.pendingCount != 0) {
        // Pending records stand after the free ones: the scan for them starts there.
        const int pendingFrom = walk.fast() ? std::max(selected, walk.freeEnd()) : selected;
        for (int i = 0; i < selected && w.bc.pendingCount > 0; ++i)
            if (w.a[i]->OrderState == 1) ReleaseLaterInGroup(w, *w.a[i], pendingFrom, toPlace, w.a);
    }
    return T;
}

// Step 8: the positioning X and the final kind (21 a ralla record within reach, 22 a middle one
// from the top of the travel).
int64_t PositioningX(Work& w, const WindowLimits& k, WorkingMachining& leader, int64_t M, int64_t T, int& kind,
                     bool v1) {
    const MachineSettings& s = w.s;
    const int64_t L = k.L, Gh = k.Gh, Gt = k.Gt, Xlo = k.Xlo, Xhi = k.Xhi, DM = k.DM, F = k.F;
    const int32_t R = k.R;
    const bool leaderCut = IsCut(leader);
    if (kind == 23 && T < Gh + Xlo) kind = 11;
    int64_t P = 0;
    if (kind == 1) {
        // A cut leading the bar's last stretch is brought under the blade as every other cut
        // leader of variant 1: L + Xlo - T would stand it S short of the blade (at a negative X).
        P = (v1 && leaderCut) ? PlaceCutPositioning(w, leader, R) : L + Xlo - T;
    } else if (kind == 11) {
        if (v1 && leaderCut) {
            P = PlaceCutPositioning(w, leader, R);
        } else if (v1 ? s.MORSE_SUPP > 0 : leader.TipoLavor == kKindRalla) {
            const int64_t d = Xlo - T;
            if (s.MORSE_SUPP_L / 2 < d && d < s.MORSE_SUPP_X1) {
                P = L + Xhi - M;
                leader.Flags |= 16;
            } else {
                P = L + Xlo - T;
            }
        } else {
            P = L + Xhi - M;
        }
    } else if (leader.TipoLavor == kKindRalla && T <= F + Xlo) {
        P = L + Xlo - T;
        kind = 21;
    } else if (M <= Gh + Xhi) {
        P = Gt + DM;
    } else {
        kind = 22;
        P = (v1 && leaderCut) ? PlaceCutPositioning(w, leader, R) : L + Xhi - M;
    }
    return P;
}

// Step 9: the selection (leading the array) placed in the positioning; returns how many.
int PlaceSelection(Work& w, WindowWalk& walk, int selected, int64_t P, int kind) {
    int placed = 0;
    for (int i = 0; i < (walk.fast() ? selected : w.n); ++i) {
        WorkingMachining& r = *w.a[i];
        if (r.OrderState != 1) continue;
        walk.Placed(r);
        r.PosGroup = w.bc.passCounter;
        r.OrderState = 3;
        r.Xcaric = Sat(P);
        r.TipoCaric = kind;
        ++placed;
    }
    return placed;
}

// A walk that could not end: the rest keeps its present order in the last positioning.
void PlaceTheRest(Work& w) {
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining& r = *w.a[i];
        if (r.OrderState == 3) continue;
        r.OrderState = 3;
        r.PosGroup = w.bc.passCounter;
        r.Xcaric = w.bc.positioningX;
        r.TipoCaric = 23;
    }
}

// The final order of variants 0 and 1: the positionings sorted by the variant's keys, then the
// repairs of what those keys can break.
void FinalOrderWindow(Work& w, bool v1) {
    if (v1) {
        Sort(w, KeyV1a);
        Sort(w, KeyV1b);
        Sort(w, KeyV1c);
        Sort(w, KeyV1d);
        Sort(w, KeyV1e);
        KeepCutsAlongTheBar(w, true);
    } else {
        Sort(w, KeyV0);
    }
    KeepMachiningsBeforeTheirFreeingCut(w);
    PullPredecessorsForward(w);
}

// Variants 0 and 1: positionings through the working window. Each cycle sorts the free records
// (1), finds the leader (2), the kind and lower bound (3), selects (4-5), counts the pass (6),
// takes the least Xm and frees what waited on the placed records (7), places the bar (8) and
// the selection (9).
void OrderWindow(Work& w) {
    BarComputation& bc = w.bc;
    const bool v1 = MachineVariant == 1;
    const WindowLimits limits = LimitsOf(w);

    bc.passCounter = 1;
    bc.pendingCount = 0;
    int toPlace = w.n;
    const WorkingMachining* prevLeader = nullptr;
    // Cycles in which every unplaced record waited on another: the constraints cannot all be
    // met, so the next positioning is built without the release rules (it always places its
    // leader), which keeps the walk moving.
    bool forced = false;
    // Each cycle places at least one record or makes one record pending; pending records are
    // freed again only by a placement or a forced cycle, so this bound is never reached by a
    // sound walk. It stops a walk that could not end.
    long cycles = 0;
    const long maxCycles = 4L * w.n + 16;
    WindowWalk walk(w, v1);
    const bool fast = walk.fast();
    // What the last cycle changed: its selection (the leading records) and a pending leader
    // outside them.
    int changedFront = 0, pendingLeaderAt = -1;

    while (toPlace > 0 && cycles++ < maxCycles) {
        // 1. Free records first, by Xm from the highest.
        walk.SortA(changedFront, pendingLeaderAt);
        changedFront = 0;
        pendingLeaderAt = -1;
        if (v1 && !fast) SwapPairedCutsIn(w);

        const Leader l = FindLeader(w, walk, v1);
        WorkingMachining* leader = l.m;
        if (leader == nullptr) {
            // Everything left is pending: free it and build the next positionings without the
            // release rules.
            for (int i = 0; i < w.n; ++i)
                if (w.a[i]->OrderState == 2) w.a[i]->OrderState = 0;
            bc.pendingCount = 0;
            forced = true;
            continue;
        }
        const Bound bound = KindAndLowerBound(limits, l, v1);
        int kind = bound.kind;
        Selection sel = v1 ? SelectVariant1(w, walk, l, bound.B, forced, toPlace)
                           : SelectVariant0(w, walk, l, bound.B, forced, toPlace);
        if (forced && leader->OrderState != 1) {
            // The leader always enters a forced positioning.
            leader->OrderState = 1;
            walk.FullSort(StateOrder::kC);
            sel.selected = 0;
            while (sel.selected < w.n && w.a[sel.selected]->OrderState == 1) ++sel.selected;
        }
        if (sel.leaderPending) {
            ClearSelection(w, sel.selected);
            leader->OrderState = 2;
            ++bc.pendingCount;
            changedFront = sel.selected;
            if (fast) pendingLeaderAt = walk.FindFree(leader);
            continue;
        }
        forced = false;

        // 6. Pass counter.
        if (prevLeader != nullptr && prevLeader->XM < l.M) ++bc.passCounter;
        prevLeader = leader;

        const int64_t T = LeastXmAndRelease(w, walk, *leader, sel, toPlace);
        const int64_t P = PositioningX(w, limits, *leader, l.M, T, kind, v1);
        toPlace -= PlaceSelection(w, walk, sel.selected, P, kind);
        bc.positioningX = Sat(P);
        changedFront = sel.selected;
    }
    if (toPlace > 0) PlaceTheRest(w);
    bc.pendingCount = 0;
    FinalOrderWindow(w, v1);
}

} // namespace

int OrderMachinings(BarComputation& bc) {
    if (g_pSettings == nullptr) {
        SetErrorText("%s", "no machine settings");
        return 1;
    }
    if (BuildPrecedenceLinks(bc) != 0) return 1;
    Work w(bc);
    BarComputation::SetFlagOnAll(w.a, w.n, 0);
    bc.pendingCount = 0;
    if (MachineVariant == 2)
        OrderVariant2(w);
    else
        OrderWindow(w);
    return 0;
}
