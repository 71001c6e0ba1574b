// Elaboration of an ordered bar: inside each positioning the tool machinings are put in the
// order that turns the ralla least while keeping sets, priorities and precedence links; each
// gets its ralla position, its turn (RallaDelta) and its absolute ralla angle (Pos_Ralla).
// Then the speed and mark steps run and the report sections are appended.
#include <algorithm>
#include <cstdlib>

#include "engine/ordering.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/utils.h"
#include "ordering_internal.h"

using namespace ordering_detail;

namespace {

int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }

bool PositionHolds(const BarComputation& bc, int p, int32_t tool) {
    const int32_t t = bc.BarSetup()[p];
    return t != 0 && t == tool;
}

// One elaboration: the records of the bar and the run angle carried from run to run.
class Elaborator {
public:
    Elaborator(BarComputation& bc, RunState& state) : w_(bc), bc_(bc), runAngle_(state.runAngle) {}

    void RunAll() {
        WorkingMachining** a = w_.a;
        const int n = w_.n;
        int i = 0;
        while (i < n) {
            const WorkingMachining& first = *a[i];
            if (first.TipoLavor != kKindRalla) {
                ++i;
                continue;
            }
            int count = 1;
            for (int j = i + 1; j < n; ++j) {
                const WorkingMachining& r = *a[j];
                if (r.TipoLavor == kKindRalla) {
                    if (r.Xcaric != first.Xcaric || r.PosGroup != first.PosGroup) break;
                    ++count;
                } else {
                    // A cut ends the run on every variant: the ordering places each piece's
                    // machinings before the cut that frees the piece, and a run must not carry
                    // them past it.
                    break;
                }
            }
            const int32_t angleBefore = bc_.currentRallaAngle;
            OrderRun(a + i, count, first.TipoCaric);
            KeepRunOrder(a + i, count, angleBefore);
            i += count;
        }
    }

    void Run(int first, int count, int kind) {
        if (first < 0 || count < 1 || first + count > w_.n) return;
        OrderRun(w_.a + first, count, kind);
    }

private:
    bool Holding() const { return bc_.setsUsed != 0 || bc_.linksExist != 0; }

    // Whether a must run before b: b is linked after a (whatever their sets), or both belong to
    // one set and a has the lower priority.
    static bool MustPrecede(const WorkingMachining& a, const WorkingMachining& b) {
        if (Work::HasFollower(a, b.Id)) return true;
        return a.Insieme != 0 && a.Insieme == b.Insieme && a.Priorita < b.Priorita;
    }

    // The turn-saving order of a run keeps the links and the set priorities among the records it
    // takes together; a record held by one it did not take with it (a hole of another set under
    // a tap, or a lower priority waiting at another face) may still stand too early. Such a
    // record moves to just after the last record it must follow, and the ralla positions and
    // turns of the run are chosen again in the new order from the angle the run began at.
    void KeepRunOrder(WorkingMachining** st, int n, int32_t angleBefore) {
        if (!Holding()) return;
        bool moved = false;
        long long moves = 0;
        const long long maxMoves = static_cast<long long>(n) * n;
        for (int i = 0; i < n && moves <= maxMoves; ++i) {
            int last = -1;
            for (int j = i + 1; j < n; ++j)
                if (MustPrecede(*st[j], *st[i])) last = j;
            if (last < 0) continue;
            WorkingMachining* r = st[i];
            for (int k = i; k < last; ++k) st[k] = st[k + 1];
            st[last] = r;
            moved = true;
            ++moves;
            --i; // the record now at i is looked at again
        }
        if (!moved) return;
        bc_.currentRallaAngle = angleBefore;
        for (int i = 0; i < n; ++i) {
            ChooseRallaPosition(bc_, *st[i]);
            bc_.currentRallaAngle = st[i]->Pos_Ralla;
        }
    }

    bool IsHeldInRun(const WorkingMachining& m, WorkingMachining** st, int n) const {
        if (!Holding()) return false;
        for (int i = 0; i < n; ++i) {
            const WorkingMachining& r = *st[i];
            if (&r == &m) continue;
            if (r.Insieme == m.Insieme && r.Priorita < m.Priorita) return true;
            // A link holds across sets too (a hole of another set under a tap).
            if (bc_.linksExist != 0 && Work::HasFollower(r, m.Id)) return true;
        }
        return false;
    }

    bool IsHeldBySetAtOtherAngle(const WorkingMachining& m, WorkingMachining** st, int n) const {
        if (bc_.setsUsed == 0 || m.Insieme == 0) return false;
        for (int i = 0; i < n; ++i) {
            const WorkingMachining& r = *st[i];
            if (r.Insieme == m.Insieme && r.Angolo != m.Angolo && r.Priorita < m.Priorita) return true;
        }
        return false;
    }

    bool IsWaitingInRun(const WorkingMachining& m, WorkingMachining** st, int n) const {
        if (!Holding()) return false;
        const bool bySet = bc_.setsUsed != 0 && m.Insieme != 0;
        for (int i = 0; i < n; ++i) {
            const WorkingMachining& r = *st[i];
            if (&r == &m || r.OrderState == 1) continue;
            if (bySet && r.Insieme == m.Insieme && r.Priorita < m.Priorita) return true;
            // A link holds across sets too (a hole of another set under a tap).
            if (bc_.linksExist != 0 && Work::HasFollower(r, m.Id)) return true;
        }
        return false;
    }

    static bool InStretch(const WorkingMachining* m, WorkingMachining** st, int n) {
        for (int i = 0; i < n; ++i)
            if (st[i] == m) return true;
        return false;
    }

    // Followers are looked for within the run only: records of other runs are done.
    int ReleaseSelectedFollowers(WorkingMachining& m, WorkingMachining** st, int n, int depth = 0) {
        if (depth > n) return 0;
        int count = 0;
        for (int i = 0; i < std::clamp(m.Lav_afterCount, 0, kMaxLinks); ++i) {
            WorkingMachining* f = w_.ById(m.Lav_after[i]);
            if (f == nullptr || f->OrderState != 1 || !InStretch(f, st, n)) continue;
            if (m.OrderState == 1 && f->PosGroup >= m.PosGroup) continue;
            f->OrderState = 0;
            count += 1 + ReleaseSelectedFollowers(*f, st, n, depth + 1);
        }
        return count;
    }

    // The taken records whose set holds a record of lower priority that is not taken or comes
    // at a later rotation step are let go.
    int ReleaseHeldBySet(WorkingMachining** st, int k, int c) {
        int freed = 0;
        for (int v = 0; v < k; ++v) {
            WorkingMachining& V = *st[v];
            if (V.OrderState != 1) continue;
            for (int i = 0; i < c; ++i) {
                const WorkingMachining& r = *st[i];
                if (&r == &V || r.Insieme != V.Insieme || r.Priorita >= V.Priorita) continue;
                if (r.OrderState != 1 || r.PosGroup > V.PosGroup) {
                    V.OrderState = 0;
                    ++freed;
                    break;
                }
            }
        }
        return freed;
    }

    int ReleaseHeldInRun(WorkingMachining** st, int k, int c) {
        int freed = 0;
        if (bc_.setsUsed != 0) {
            freed = ReleaseHeldBySet(st, k, c);
            if (freed == k) return k;
        }
        if (bc_.linksExist == 0) return freed;
        // A record let go for its links may be the lower priority of a set whose later records
        // stay taken: the set test runs again after every release until nothing more is let go.
        for (;;) {
            int round = 0;
            for (int i = 0; i < c; ++i) round += ReleaseSelectedFollowers(*st[i], st, c);
            if (bc_.setsUsed != 0) round += ReleaseHeldBySet(st, k, c);
            if (round == 0) return freed;
            freed += round;
        }
    }

    bool HasFreeAtRunAngle(WorkingMachining** st, int n) const {
        if (bc_.elaborationFlag == 0) return false;
        for (int i = 0; i < n; ++i)
            if (st[i]->Angolo == runAngle_ && !IsHeldInRun(*st[i], st, n)) return true;
        return false;
    }

    int ChooseRunAngle(WorkingMachining** st, int n) {
        bc_.elaborationFlag = 1;
        const int positions = RallaPositionCount();
        for (int i = 0; i < n; ++i) {
            const WorkingMachining& r = *st[i];
            if (IsHeldInRun(r, st, n)) continue;
            for (int p = 0; p < positions; ++p) {
                if (!PositionHolds(bc_, p, r.Uten)) continue;
                if ((int64_t{r.Angolo} - RallaPositionAngle(p) - bc_.currentRallaAngle) % 360000 == 0) {
                    runAngle_ = r.Angolo;
                    return 0;
                }
            }
        }
        const int s = bc_.currentRallaAngle >= 0 ? 1 : -1;
        const WorkingMachining* taken = nullptr;
        for (int i = 0; i < n; ++i) {
            WorkingMachining& r = *st[i];
            ChooseRallaPosition(bc_, r);
            if (IsHeldInRun(r, st, n)) continue;
            const int64_t v = r.RallaDelta;
            if (taken == nullptr || Abs64(v) < Abs64(taken->RallaDelta)) {
                taken = &r;
            } else if (Abs64(v) == Abs64(taken->RallaDelta) && (v < 0) != (taken->RallaDelta < 0) &&
                       ((s > 0 && v >= 0) || (s < 0 && v < 0))) {
                taken = &r;
            }
        }
        // Every record held (sets or links waiting on each other): the first one's face.
        if (taken == nullptr && n > 0) taken = st[0];
        if (taken != nullptr) runAngle_ = taken->Angolo;
        return 1;
    }

    // Sorts the first c records: selected first, then by the turn in the direction dr.
    static void SortByRotation(WorkingMachining** st, int c, int dr) {
        auto cmp = [dr](const WorkingMachining* a, const WorkingMachining* b) {
            const bool sa = a->OrderState == 1, sb = b->OrderState == 1;
            if (sa != sb) return sa ? -1 : 1;
            const bool ia = dr == 1 ? a->RallaDelta >= 0 : a->RallaDelta <= 0;
            const bool ib = dr == 1 ? b->RallaDelta >= 0 : b->RallaDelta <= 0;
            if (ia != ib) return ia ? -1 : 1;
            if (!ia) return 0;
            const int64_t d = int64_t{a->RallaDelta} - b->RallaDelta;
            return dr == 1 ? Sign64(d) : -Sign64(d);
        };
        (void)MergeSort(st, static_cast<std::size_t>(c), cmp);
    }

    int SelectByRotation(WorkingMachining** st, int c, int dr) {
        for (int i = 0; i < c; ++i) st[i]->OrderState = 1;
        SortByRotation(st, c, dr);
        for (int i = 0; i < c; ++i) st[i]->OrderState = 0;
        int k = 0;
        while (k < c && (dr == 1 ? st[k]->RallaDelta >= 0 : st[k]->RallaDelta <= 0)) {
            st[k]->OrderState = 1;
            ++k;
        }
        int group = 0;
        for (int i = 0; i < k; ++i) {
            if (i == 0 || st[i]->RallaDelta != st[i - 1]->RallaDelta) ++group;
            st[i]->PosGroup = group;
        }
        const int f = ReleaseHeldInRun(st, k, c);
        if (f > 0) SortByRotation(st, k, dr);
        return k - f;
    }

    void SequenceSameRotation(WorkingMachining** st, int m, int direction) {
        for (int i = 0; i < m; ++i) st[i]->OrderState = 0;
        auto cmp = [direction](const WorkingMachining* a, const WorkingMachining* b) {
            int r = Sign64(int64_t{a->XFm} - b->XFm);
            if (r == 0) r = Sign64(int64_t{a->XFM} - b->XFM);
            return direction == 1 ? r : -r;
        };
        (void)MergeSort(st, static_cast<std::size_t>(m), cmp);
        bc_.pendingCount = 0;
        int placed = 0;
        while (placed < m) {
            bool progress = false;
            bool restart = false;
            for (int i = 0; i < m && !restart; ++i) {
                WorkingMachining& r = *st[i];
                if (r.OrderState != 0) continue;
                if (IsWaitingInRun(r, st, m)) {
                    r.OrderState = 2;
                    ++bc_.pendingCount;
                    continue;
                }
                r.OrderState = 1;
                r.PosGroup = ++placed;
                progress = true;
                if (bc_.pendingCount > 0) {
                    const int before = bc_.pendingCount;
                    ReleaseLaterInGroup(w_, r, 0, i, st);
                    if (bc_.pendingCount < before) restart = true;
                }
            }
            if (!progress && !restart) {
                // Every record left waits on another: place them as they stand.
                for (int i = 0; i < m; ++i) {
                    WorkingMachining& r = *st[i];
                    if (r.OrderState == 1) continue;
                    r.OrderState = 1;
                    r.PosGroup = ++placed;
                }
                bc_.pendingCount = 0;
            }
        }
        bc_.pendingCount = 0;
        (void)MergeSort(st, static_cast<std::size_t>(m), [](const WorkingMachining* a, const WorkingMachining* b) {
            return Sign64(int64_t{a->PosGroup} - b->PosGroup);
        });
    }

    void OrderRun(WorkingMachining** st, int n, int kind) {
        if (kind < 21) bc_.elaborationMode = kind >= 11 ? 1 : 0;
        int r = HasFreeAtRunAngle(st, n) ? 0 : ChooseRunAngle(st, n);
        // The rotation direction belongs to the run: a tie between the largest turns of a
        // face keeps the direction the previous face ended with.
        int dr = 1;
        while (n > 0) {
            // a. The records of the run angle.
            for (int i = 0; i < n; ++i) st[i]->OrderState = 0;
            int c = 0;
            for (int i = 0; i < n; ++i) {
                WorkingMachining& m = *st[i];
                if (m.Angolo == runAngle_ && !IsHeldBySetAtOtherAngle(m, st, n)) {
                    m.OrderState = 1;
                    ++c;
                    if (r == 0) ChooseRallaPosition(bc_, m);
                }
            }
            if (c == 0) {
                // No record can be taken at the run angle: the first one goes on its own.
                st[0]->OrderState = 1;
                ChooseRallaPosition(bc_, *st[0]);
                c = 1;
            }
            (void)MergeSort(st, static_cast<std::size_t>(n), [](const WorkingMachining* a, const WorkingMachining* b) {
                const bool sa = a->OrderState == 1, sb = b->OrderState == 1;
                return sa == sb ? 0 : (sa ? -1 : 1);
            });
            while (c > 0) {
                // b. Rotation direction.
                int64_t P = 0, N = 0;
                bool anyNegative = false;
                for (int i = 0; i < c; ++i) {
                    const int64_t d = st[i]->RallaDelta;
                    if (d >= 0) P = std::max(P, d);
                    else {
                        anyNegative = true;
                        N = std::min(N, d);
                    }
                }
                if (!anyNegative) dr = 1;
                else if (-N < P) dr = 0;
                else if (P == 0) dr = 0;
                else if (-N > P) dr = 1;
                // c. Take the records of that direction (the other when none can go).
                int k = SelectByRotation(st, c, dr);
                if (k < 1) {
                    dr = 1 - dr;
                    k = SelectByRotation(st, c, dr);
                }
                if (k < 1) {
                    // Every record is held by another: the first one goes alone.
                    for (int i = 0; i < c; ++i) st[i]->OrderState = 0;
                    st[0]->OrderState = 1;
                    st[0]->PosGroup = 1;
                    k = 1;
                }
                // d. Each step of equal turn in X order.
                for (int i = 0; i < k;) {
                    int j = i + 1;
                    while (j < k && st[j]->RallaDelta == st[i]->RallaDelta) ++j;
                    SequenceSameRotation(st + i, j - i, bc_.elaborationMode);
                    if (kind >= 21) bc_.elaborationMode = bc_.elaborationMode != 0 ? 0 : 1;
                    i = j;
                }
                // e. The ralla stands at the last one's angle.
                bc_.currentRallaAngle = st[k - 1]->Pos_Ralla;
                st += k;
                n -= k;
                c -= k;
                for (int i = 0; i < c; ++i) ChooseRallaPosition(bc_, *st[i]);
            }
            // f. A new face for what is left.
            if (n > 0) r = ChooseRunAngle(st, n);
        }
    }

    Work w_;
    BarComputation& bc_;
    int32_t& runAngle_;
};

} // namespace

void OrderRun(BarComputation& bc, int first, int count, int kind, RunState& state) {
    if (g_pSettings == nullptr) return;
    Elaborator e(bc, state);
    e.Run(first, count, kind);
}

int32_t RallaAngleDelta(const BarComputation& bc, int32_t angle, int position) {
    int64_t d = int64_t{angle} - RallaPositionAngle(position);
    if (d >= 180001) d -= 360000;
    if (d < -180000) d += 360000;
    const int64_t R = g_pSettings != nullptr ? g_pSettings->ROT_OLTRE_MAX : 0;
    const int64_t cur = bc.currentRallaAngle;
    if (R - 180000 < d && d < 180000 - R) return Sat(d - cur);
    const int64_t e = d < 180000 - R ? d + 360000 : d - 360000;
    return Sat(Abs64(d - cur) > Abs64(e - cur) ? e - cur : d - cur);
}

void ChooseRallaPosition(const BarComputation& bc, WorkingMachining& m) {
    if (MachineVariant == 1 && IsBladeKind(m.TipoLavor)) return;
    const int positions = RallaPositionCount();
    int best = 0;
    int64_t bestValue = kNoRallaAngle;
    for (int p = 0; p < positions; ++p) {
        if (!PositionHolds(bc, p, m.Uten)) continue;
        const int64_t v = RallaAngleDelta(bc, m.Angolo, p);
        if (Abs64(v) < Abs64(bestValue)) {
            best = p;
            bestValue = v;
        }
    }
    m.rallaPosition = best;
    m.RallaDelta = Sat(bestValue);
    m.Pos_Ralla = Sat(int64_t{bc.currentRallaAngle} + bestValue);
}

int ElaborateMachinings(BarComputation& bc, int headerFlag, int tailFlag, ElaborationWarnings* warnings) {
    if (OrderMachinings(bc) != 0) return 1;
    bc.elaborationFlag = 0;
    bc.elaborationMode = 1;
    bc.currentRallaAngle = 0;
    {
        RunState state;
        Elaborator e(bc, state);
        e.RunAll();
    }
    CheckMachiningSpeeds(bc, warnings);
    // Ralla position use: a position marked 2 for this bar becomes 1 when it works a machining.
    if (bc.currentBar != nullptr) {
        const int n = std::clamp(bc.orderedRecords, 0, static_cast<int>(bc.order.size()));
        for (int p = 0; p < kRallaMaxPositions; ++p) {
            if (bc.currentBar->chosenMarks[p] != 2) continue;
            bool used = false;
            for (int i = 0; i < n && !used; ++i) {
                const WorkingMachining& m = *bc.order[static_cast<std::size_t>(i)];
                used = m.TipoLavor == kKindRalla && m.rallaPosition == p;
            }
            bc.currentBar->chosenMarks[p] = used ? 1 : 0;
        }
    }
    SetUnloadPositions(bc);
    MarkDoubleSquareCuts(bc);
    if (MachineVariant != 2) SetSupportZones(bc);
    SetSameAsPrevMarks(bc);
    if (AppendLavGroups(bc, headerFlag, tailFlag) != 0) return 1;
    return AppendDebMachinings(bc, headerFlag) != 0 ? 1 : 0;
}
