#pragma once
// How the part-program writers of every variant read a record, as the elaboration and the end
// trims leave it: the operation word is CutMode once the elaboration gave one, else the
// unloading code the end trims set (clampCode); only the cut that finishes its piece of the
// list (the other-end cut) frees a good piece, a first-end cut frees the trim or remnant before
// the piece, and a cut of a piece made in an earlier run frees scrap.
#include <cstdint>

#include "engine/bar_computation.h"
#include "engine/iso_generator.h"

namespace iso_reading {

inline int32_t ModeOf(const WorkingMachining& r) { return r.CutMode != 0 ? r.CutMode : r.clampCode; }
inline int PieceStateOf(const WorkingMachining& r) {
    return (r.PieceRef != nullptr && r.PieceRef->made == 0 && r.PezzoDx == r.PieceRef->Id) ? kPieceStateGood
                                                                                           : kPieceStateScrap;
}
inline const char* UnloadTextOf(const WorkingMachining& r) { return r.PieceRef != nullptr ? r.PieceRef->texts[0] : ""; }
inline bool IsCut(const WorkingMachining& r) { return r.TipoLavor == kKindEndCut; }
inline bool IsNotch(const WorkingMachining& r) { return r.TipoLavor == kKindFigure6000; }

} // namespace iso_reading
