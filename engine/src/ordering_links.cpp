// Precedence links between a bar's machinings: a record that overlaps another and goes deeper
// runs after it, and a tap or countersink runs after every hole under it.
#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

#include "engine/ordering.h"
#include "machine/geometry.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "ordering_internal.h"

using namespace ordering_detail;

namespace {

// The depth the precedence test compares: the second entry of the depth list (the second
// step's depth of a stepped machining, else the step depth every pass goes down by).
int32_t SecondDepth(const WorkingMachining& m) {
    if (m.depthStepMarker == 1 && m.depthSteps >= 2) return m.depthStepRecords[1].depth;
    return m.stepDepth;
}

// Order the links are looked for in: by set, priority, angle and X.
int KeyLinks(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->Insieme != b->Insieme) return Sign64(int64_t{a->Insieme} - b->Insieme);
    if (a->Priorita != b->Priorita) return Sign64(int64_t{a->Priorita} - b->Priorita);
    if (a->Angolo != b->Angolo) return Sign64(int64_t{a->Angolo} - b->Angolo);
    return a->XFm < b->XFm ? -1 : 1; // never keeps
}

void RefuseTap(BarComputation& bc, WorkingMachining& tap) {
    tap.Flags |= kFlagTool;
    bc.FormatMachiningMessage(tap, bc.IsTapMachining(tap) != 0 ? "ERR_USO_MASCHIO" : "ERR_USO_SVAS");
}

// Whether the links and the sets' priorities leave an order for the kind-1 records: the records
// are taken in turn as each one's linked predecessors and its set's members of lower priority
// are taken. Returns the records that can never be taken (none when an order exists).
std::vector<WorkingMachining*> Unorderable(Work& w) {
    std::vector<WorkingMachining*> left;
    std::map<int32_t, std::map<int32_t, int>> unplaced; // set -> priority -> records not taken
    std::unordered_map<const WorkingMachining*, int> waiting; // record -> linked predecessors not taken
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining* m = w.a[i];
        if (m->TipoLavor != kKindRalla) continue;
        left.push_back(m);
        if (m->Insieme != 0) ++unplaced[m->Insieme][m->Priorita];
    }
    for (WorkingMachining* m : left)
        for (int l = 0; l < LinkCount(m->Lav_afterCount); ++l)
            if (const WorkingMachining* t = w.ById(m->Lav_after[l]); t != nullptr && t->TipoLavor == kKindRalla) ++waiting[t];
    for (bool progress = true; progress && !left.empty();) {
        progress = false;
        std::vector<WorkingMachining*> still;
        for (WorkingMachining* m : left) {
            const auto wait = waiting.find(m);
            bool ready = wait == waiting.end() || wait->second == 0;
            if (ready && m->Insieme != 0) ready = unplaced[m->Insieme].begin()->first == m->Priorita;
            if (!ready) {
                still.push_back(m);
                continue;
            }
            progress = true;
            if (m->Insieme != 0) {
                auto& counts = unplaced[m->Insieme];
                if (--counts[m->Priorita] == 0) counts.erase(m->Priorita);
            }
            for (int l = 0; l < LinkCount(m->Lav_afterCount); ++l)
                if (const WorkingMachining* t = w.ById(m->Lav_after[l]); t != nullptr && waiting.count(t) != 0) --waiting[t];
        }
        left.swap(still);
    }
    return left;
}

// A tap or countersink runs after every hole under it, whatever their sets: each such hole that
// the set priorities do not already put first is linked before it. A set whose priorities put
// the tap first, or priorities and links that together leave no order, refuse the bar.
int LinkTapsAfterTheirHoles(BarComputation& bc, Work& w) {
    std::vector<WorkingMachining*> taps;
    for (int i = 0; i < w.n; ++i)
        if (w.a[i]->Figura == 6 && w.a[i]->TipoLavor == kKindRalla) taps.push_back(w.a[i]);
    if (taps.empty()) return 0;
    constexpr int kFull = kMaxLinks - 1;
    bool added = false;
    for (WorkingMachining* tap : taps) {
        for (int i = 0; i < w.n; ++i) {
            WorkingMachining& hole = *w.a[i];
            if (!LiesUnder(hole, *tap)) continue;
            if (SetPutsTapFirst(hole, *tap)) {
                RefuseTap(bc, *tap);
                return 1;
            }
            const bool setOrders = hole.Insieme != 0 && hole.Insieme == tap->Insieme && hole.Priorita < tap->Priorita;
            if (setOrders || Work::HasFollower(hole, tap->Id)) continue;
            WorkingMachining* full = hole.Lav_afterCount >= kFull ? &hole : tap->LavBeforeCount >= kFull ? tap : nullptr;
            if (full != nullptr) {
                full->Flags |= 6;
                bc.FormatMachiningMessage(*full, "TOO_LAV_AFTER");
                return 1;
            }
            hole.Lav_after[hole.Lav_afterCount++] = tap->Id;
            tap->LavBefore[tap->LavBeforeCount++] = hole.Id;
            bc.linksExist = 1;
            added = true;
        }
    }
    // Links across sets may close a circle with the sets' priorities (two sets each putting
    // its tap before the other's hole): no order keeps the taps after their holes.
    if (!added) return 0;
    const std::vector<WorkingMachining*> left = Unorderable(w);
    if (left.empty()) return 0;
    auto isLeft = [&](const WorkingMachining* m) { return std::find(left.begin(), left.end(), m) != left.end(); };
    WorkingMachining* named = nullptr;
    for (WorkingMachining* tap : taps) {
        if (!isLeft(tap)) continue;
        if (named == nullptr) named = tap;
        for (int i = 0; i < w.n; ++i)
            if (LiesUnder(*w.a[i], *tap) && isLeft(w.a[i])) {
                RefuseTap(bc, *tap);
                return 1;
            }
    }
    if (named == nullptr) return 0; // unreachable: a circle needs a link this pass added
    RefuseTap(bc, *named);
    return 1;
}

} // namespace

int BuildPrecedenceLinks(BarComputation& bc) {
    if (g_pSettings == nullptr) return 0;
    Work w(bc);
    for (int i = 0; i < w.n; ++i)
        if (w.a[i]->Insieme != 0) bc.setsUsed = 1;
    Sort(w, KeyLinks);
    constexpr int kFull = kMaxLinks - 1; // 39 entries
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining& A = *w.a[i];
        if (IsBlade(A)) continue;
        for (int j = i + 1; j < w.n; ++j) {
            WorkingMachining& B = *w.a[j];
            if (IsBlade(B)) continue;
            if (B.Insieme != A.Insieme || B.Priorita != A.Priorita || B.Angolo != A.Angolo || B.XFm > A.XFM) break;
            if (!FiguresOverlap(A, B)) continue;
            WorkingMachining* first = nullptr;
            WorkingMachining* second = nullptr;
            if ((A.Figura == 6) != (B.Figura == 6)) {
                first = A.Figura == 6 ? &B : &A;
                second = A.Figura == 6 ? &A : &B;
            } else {
                const int64_t d = (int64_t{SecondDepth(B)} + B.RZ) - (int64_t{SecondDepth(A)} + A.RZ);
                if (d == 0) continue;
                first = d > 0 ? &B : &A;
                second = d > 0 ? &A : &B;
            }
            WorkingMachining* full = first->Lav_afterCount >= kFull ? first
                                     : second->LavBeforeCount >= kFull ? second
                                                                       : nullptr;
            if (full != nullptr) {
                full->Flags |= 6;
                bc.FormatMachiningMessage(*full, "TOO_LAV_AFTER");
                return 1;
            }
            first->Lav_after[first->Lav_afterCount++] = second->Id;
            second->LavBefore[second->LavBeforeCount++] = first->Id;
            bc.linksExist = 1;
        }
    }
    return LinkTapsAfterTheirHoles(bc, w);
}

