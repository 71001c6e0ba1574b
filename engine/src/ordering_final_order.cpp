// The final order of each variant's positionings: the sorts by the variant's keys (variant 0 in
// one sort, variant 1 in five, variant 2 in two), and the pairing of cuts that variant 2's
// repairs and variant 1's walk take.
//
// Every sort is MergeSort (top-down, stable, cmp(left, right)); the keys below are not total
// orders, so the exact merge is part of the result.
#include <algorithm>
#include <cstdint>

#include "engine/ordering.h"
#include "machine/globals.h"
#include "ordering_internal.h"

namespace ordering_detail {

namespace {

// ---------------------------------------------------------------- sort keys

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

} // namespace

void SortFinalOrder(Work& w) {
    if (MachineVariant == 2) {
        Sort(w, KeyV2a);
        Sort(w, KeyV2b);
    } else if (MachineVariant == 1) {
        Sort(w, KeyV1a);
        Sort(w, KeyV1b);
        Sort(w, KeyV1c);
        Sort(w, KeyV1d);
        Sort(w, KeyV1e);
    } else {
        Sort(w, KeyV0);
    }
}

// ---------------------------------------------------------------- pairing of cuts

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

using namespace ordering_detail;

void SwapPairedCuts(BarComputation& bc) {
    if (g_pSettings == nullptr) return;
    Work w(bc);
    SwapPairedCutsIn(w);
}
