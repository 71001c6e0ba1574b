// The window walk of variants 0 and 1: cycle by cycle the leader of a positioning, the records
// it takes and where the bar stands.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <vector>

#include "machine/globals.h"
#include "machine/settings.h"
#include "ordering_internal.h"

namespace ordering_detail {

namespace {

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
            swaps = swaps || (w.a[i]->TipoLavor == kKindEndCut && OperationMode(*w.a[i]) == 32);
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

} // namespace

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
}

} // namespace ordering_detail
