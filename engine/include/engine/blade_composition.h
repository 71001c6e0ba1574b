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

    // Bar position for the cut plus refitShiftX, or 1 (angle out of range, or no placing, turned
    // or not, within the X travel), 0 (vertices span more than the X travel), -1 (blade still
    // crosses the vice).
    int32_t CutBarPosition(BladeCut& cut, int vertexMode, int32_t margin, int refit);
    // Nearest vice position the cut leaves free: the larger of the blade and head bounds.
    int32_t ViceClearance(BladeCut& cut, int32_t barX, int vertexMode, int32_t margin, int boundOnly,
                          int passThrough);
    // Shifts bar and vice until the cut and the following machining are both clear. Result: the
    // vice position (0 none needed), -1 bar out of the X travel or no settling, -2 vice allowance
    // beyond the limit.
    int32_t FitViceToFollowingMachining(const BladeCut& cut, BladeCut& following, int32_t refX,
                                        int32_t& viceValue, int32_t lowerBound, int32_t limit, int32_t margin);

    // Turns the head by half a turn over the same cut line: A grows by 180000 and the vertices
    // in use (vertex 0, and vertex 1 of a cut with two or more) are recomputed so that the
    // turned blade's faces swap over the same kerf.
    void TurnCut(BladeCut& cut) const;
    // Extra bar X (0 when none) that takes the blade head's arm and motor off the vice outline,
    // for a one-vertex cut at bar position P; applied to negative and turned cuts.
    int32_t ArmMotorViceShift(const BladeCut& cut, int32_t P, int32_t margin) const;

    // The blade position of a cut placed against the vice outline (blade reference X with
    // the bar at X_PAR_MIN, plus the shift that takes the footprint past the vice when it
    // meets it; `hits` tells). towardVices: a cut above square or negative; otherwise the
    // footprint stands at X_PAR_MIN + span and reaches back by the span.
    int32_t BladePositionAgainstVice(BladeCut& cut, int vertexMode, int32_t margin, bool towardVices, int32_t span,
                                     bool& hits);
};
