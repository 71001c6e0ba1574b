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

private:
    // One cut's placing as CutBarPosition goes through its steps: the bar position P found so
    // far, the cut's angle A (turned by half a turn when the turned head is taken) and the
    // angle's class, which stays that of the cut as given.
    struct CutPlacing {
        bool fresh = true; // not a refit: the shift and span fields start again
        int32_t base = 0;  // bar X that brings vertex 0 under the blade at X_PAR_MAX
        int32_t N = 0;     // the plain position of vertex 0
        int32_t across = 0;
        int32_t r = 0;     // blade radius
        int32_t A = 0;
        int32_t P = 0;
        int32_t span = 0;  // X span of the vertices (two- and four-vertex cuts)
        bool accepted = false, nearParallel = false;
        bool square = false, below = false, above = false, turned = false, negative = false;
    };
    // The steps of CutBarPosition. A step that ends the placing returns false and leaves the
    // result in `ended` (1 no placing, 0 vertices beyond the travel).
    CutPlacing StartCutPlacing(const BladeCut& cut, bool fresh);
    bool PlaceNearParallelCut(const BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl, int32_t& ended);
    bool PlaceAcceptedCut(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl, int32_t& ended);
    bool PlaceByVertexSpan(const BladeCut& cut, int vertexMode, CutPlacing& pl);
    void PlaceSquareCut(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl);
    bool PlaceAngledCut(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl);
    bool TryTurnedHead(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl, int32_t& pos);
    int32_t ClearOfThirdFourthVice(int32_t position, int32_t angle, int32_t margin, int32_t r) const;
    bool ClampTowardVices(const BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl);
    bool ClampAwayFromVices(const BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl);
    bool ShiftArmAndMotorClear(const BladeCut& cut, int32_t margin, CutPlacing& pl) const;
    bool KeepVerticesInTravel(const BladeCut& cut, int vertexMode, CutPlacing& pl);
    bool FootprintCrossesViceSide(const BladeCut& cut, int vertexMode, const CutPlacing& pl) const;
};
