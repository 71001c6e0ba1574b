#pragma once
// Blade-cut composition: the bar position of one blade cut, the vice bound it leaves, and the
// refit of bar and vice against a machining that must follow the cut. Works on BladeCut
// records and the working fields carried from one cut to the next (blade_geometry.h).
#include <cstdint>

#include "engine/blade_geometry.h"

// Passes after which a refit that keeps shifting is given up (result -1).
inline constexpr int kMaxRefitPasses = 64;

class BladeComposer : public BladeGeometry {
public:
    using BladeGeometry::BladeGeometry;

    // Bar position for the cut plus refitShiftX, or 1 (angle out of range / turned cut still
    // collides), 0 (vertices span more than the X travel), -1 (blade still crosses the vice).
    int32_t CutBarPosition(BladeCut& cut, int vertexMode, int32_t margin, int refit);
    // Nearest vice position the cut leaves free: the larger of the blade and head bounds.
    int32_t ViceClearance(BladeCut& cut, int32_t barX, int vertexMode, int32_t margin, int boundOnly,
                          int passThrough);
    // Shifts bar and vice until the cut and the following machining are both clear. Result: the
    // vice position (0 none needed), -1 bar out of the X travel or no settling, -2 vice allowance
    // beyond the limit.
    int32_t FitViceToFollowingMachining(const BladeCut& cut, BladeCut& following, int32_t refX,
                                        int32_t& viceValue, int32_t lowerBound, int32_t limit, int32_t margin);

private:
    int32_t BladePositionAgainstVice(BladeCut& cut, int vertexMode, int32_t margin, int32_t base, bool& hits);
};
