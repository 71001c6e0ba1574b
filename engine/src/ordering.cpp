// Ordering of a bar's records into positionings, in its steps (OrderMachinings below):
//   1. the precedence links between overlapping machinings   ordering_links.cpp
//   2. the walk: variant 2 one positioning per record (here), variants 0 and 1 through the
//      working window                                          ordering_window.cpp
//      with the cut positioning of variant 1                   ordering_cut_positioning.cpp
//   3. the final order per variant (the sort keys here)        ordering_window.cpp, OrderVariant2
//   4. the repairs of what the final sorts can break           ordering_repairs.cpp
// This file keeps the working set, the release rules, the sort keys and sorts by state, and the
// pairing of cuts, which the steps share.
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

// ---------------------------------------------------------------- sort keys


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

using namespace ordering_detail;

// ---------------------------------------------------------------- pairing of cuts

namespace ordering_detail {
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
