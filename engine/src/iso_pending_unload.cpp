// Part-program body, the pending unloading: the one cut whose freed piece (or scrap) still waits
// to leave the machine, when its unloading is written, and the wedge deferral of variant 2. Both
// variants' bodies keep it in Body::pending and write it through WritePendingUnload.
#include <algorithm>

#include "engine/iso_generator.h"
#include "iso_record_reading.h"
#include "machine/globals.h"

using namespace iso_reading;

namespace {

// Variant 2: the square cut u, waiting to unload what it freed, freed a piece that the trim
// (a cut of mode 32 nearer the head) has still to cut at its tail: what u freed is that piece
// with the wedge between the two cuts. The piece is trimmed, unloaded and counted first; only
// the wedge then leaves by u's own unloading, so a good piece never takes the scrap's way.
bool FreedPieceAwaitsTrim(const WorkingMachining& u, const WorkingMachining& trim) {
    return IsCut(u) && PieceStateOf(u) == kPieceStateScrap && IsCut(trim) && ModeOf(trim) == 32 && u.X < trim.X;
}

} // namespace

// The cut frees what lies beyond it and that waits for its unloading; the cut's X is where the
// spatula takes it, and the vices closed for the cut hold it (variant 1).
void IsoProgramGenerator::HoldUnload(PendingUnload& p, const WorkingMachining& cut) const {
    p.cut = &cut;
    p.pieceStart = cut.X;
    p.held = viceCloses != 0;
}

// An end cut frees what lies beyond it, unless its mode leaves it on the bar (1; on variant 2
// also 32, the trim, which frees only when it is the bar head's own).
bool IsoProgramGenerator::CutLeavesPieceToUnload(const WorkingMachining& r) {
    const int32_t mode = ModeOf(r);
    return IsCut(r) && mode != 1 && !(MachineVariant == 2 && mode == 32);
}

// The piece (or scrap) freed by the cut u leaves the machine before the record at position i
// of the order when every operation of the piece has been written, and the record is a blade
// cut or stands at another positioning beyond the piece's end (towards the bar's tail, where X
// is smaller). A cut that frees the next piece always comes after the unloading: only one
// piece waits at a time.
bool IsoProgramGenerator::UnloadsBefore(int i, const WorkingMachining& u) const {
    const int n = std::min<int>(orderedRecords, static_cast<int>(order.size()));
    const WorkingMachining& r = *order[static_cast<std::size_t>(i)];
    if (r.TipoLavor == kKindEndCut && ModeOf(r) != 1) return true;
    if (u.PezzoDx > 0)
        for (int j = i; j < n; ++j) {
            const WorkingMachining& w = *order[static_cast<std::size_t>(j)];
            if (w.TipoLavor != kKindEndCut && w.PieceRef != nullptr && w.PieceRef->Id == u.PezzoDx) return false;
        }
    if (r.TipoLavor == kKindEndCut || IsBladeKind(r.TipoLavor)) return true;
    return r.Xcaric != u.Xcaric && r.X < u.X;
}

// Whether the pending unloading is written before the record at position i: before a cut (a
// trim included, so that it finds the machine free), or before a record at another positioning
// beyond the piece's end; the piece's own operations at its positioning come first. On variant
// 2 a piece that a trim still has to cut waits for it, its wedge held behind it.
bool IsoProgramGenerator::UnloadDueBefore(PendingUnload& p, int i) const {
    if (p.cut == nullptr) return false;
    DeferWedge(p, i);
    return p.cut != nullptr && !(MachineVariant == 2 && TrimStillDue(i, *p.cut)) && UnloadsBefore(i, *p.cut);
}

// ---------------------------------------------------------------- the wedge deferral (variant 2)

// The record at position i is the trim of the piece the pending cut freed: that cut's unloading
// becomes the wedge's, written after the trimmed piece's.
void IsoProgramGenerator::DeferWedge(PendingUnload& p, int i) const {
    if (MachineVariant != 2 || p.cut == nullptr || !FreedPieceAwaitsTrim(*p.cut, *order[static_cast<std::size_t>(i)]))
        return;
    p.wedge = p.cut;
    p.cut = nullptr;
}

// What the square cut u freed holds a piece whose tail trim, at position i of the order or
// after it, is still to come: u's unloading waits for it (FreedPieceAwaitsTrim).
bool IsoProgramGenerator::TrimStillDue(int i, const WorkingMachining& u) const {
    const int n = std::min<int>(orderedRecords, static_cast<int>(order.size()));
    for (int j = i; j < n; ++j)
        if (FreedPieceAwaitsTrim(u, *order[static_cast<std::size_t>(j)])) return true;
    return false;
}

// ---------------------------------------------------------------- the unloading written

// The pending piece leaves by the variant's unloading, then the wedge held behind it.
int IsoProgramGenerator::WritePendingUnload(PendingUnload& p, bool endOfBar) {
    const int rc = MachineVariant == 1 ? WriteV1Unloading(*p.cut, p.held) : WriteUnloading(*p.cut, endOfBar, p.pieceStart);
    if (rc != 0) return 1;
    p.cut = nullptr;
    if (p.wedge != nullptr) {
        if (WriteUnloading(*p.wedge, false, p.pieceStart) != 0) return 1;
        p.wedge = nullptr;
    }
    return 0;
}
