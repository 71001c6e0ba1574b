#pragma once
// The blade-cut geometry and composition (blade_geometry.h, blade_composition.h) applied to the
// list object and its working records: each entry point takes the machine from g_pSettings, the
// current bar's section from the list object, the working fields from BarComputation::blade,
// copies the cut in and writes back what the computation changed (the turned angle into
// ATaglio, the turned or refitted vertices into cutPointX/cutPointY, the footprint width).
//
// Record fields used: ATaglio (cut angle), cutPointMode (vertex count), cutPointX/Y/Z (vertices),
// cutPointFlags (vertex kinds), footprintWidth, footprintFlag, tiltAngle; CutMode of a
// following machining is its marker value (only whether it is non-zero matters).
//
// Without machine settings (g_pSettings null) nothing is computed: the placing gives 1, the
// refit -1, the bounds and clearances 0.
#include <cstdint>

#include "engine/blade_composition.h"
#include "engine/working_records.h"

class BarComputation;
class MachineSettings;

// The current bar's section (Y limits after the profile offsets, Z limits); zeros without a bar.
BladeSection BladeSectionOf(const BarComputation& bc);
// Copies between a working record and the plain cut the computations work on.
void CopyBladeCutIn(const WorkingMachining& m, BladeCut& cut);
void CopyBladeCutOut(const BladeCut& cut, WorkingMachining& m);
// Vertex mode of a cut by its vertex count: 4 for a four-vertex cut, 2 for two, else 1.
int BladeVertexMode(const WorkingMachining& cut);

// Clears the fields that every new cut starts without: refitShiftX, viceStepX, bladeSideX,
// viceMoved and refitAgain. Called by the vice position of a cut, the cut-block writer and the
// variant-1 body before each cut.
void ResetBladeCutFields(BarComputation& bc);

// Bar position of a blade cut (R_QUOTA_X_TAGLIO), or the refusals 1 (angle out of the head's
// range, or the head still collides), 0 (vertices span more than the X travel), -1 (the blade
// footprint still crosses the vice). Any result outside [X_PAR_MIN, X_PAR_MAX] is a failure.
// refit 0 is a fresh computation (cutShiftX, cutSpanX, cutHighX set anew). A turned cut keeps
// its turned angle and vertices in the record even on a refusal. stepX is a further bar position
// the cut's block takes (an offset from vertex 0's), kept within the X travel with the vertices.
int32_t PlaceBladeCut(BarComputation& bc, WorkingMachining& cut, int32_t margin);
int32_t PlaceBladeCut(BarComputation& bc, WorkingMachining& cut, int vertexMode, int32_t margin, int refit,
                      int32_t stepX = 0);

// Nearest vice position the cut leaves free (thousandths).
int32_t BladeViceClearance(BarComputation& bc, WorkingMachining& cut, int32_t barX, int vertexMode, int32_t margin,
                           int boundOnly, int passThrough);

// Refit of bar and vice for one machining of the cut's must-follow list. Result: the vice
// position (0 none needed), -1 the bar leaves the X travel or the refit does not settle, -2 the
// vice allowance passes the limit. The following record's X values keep the refit's shift.
int32_t FitBladeViceToFollowing(BarComputation& bc, const WorkingMachining& cut, WorkingMachining& following,
                                int32_t refX, int32_t& viceValue, int32_t lowerBound, int32_t limit, int32_t margin);

// Single clearances used by the cut blocks (extra X, 0 when none).
int32_t BladeExtractorClearance(BarComputation& bc, const WorkingMachining& cut, int32_t position, int32_t barX);
int32_t BladeHighObstacleClearance(BarComputation& bc, const WorkingMachining& cut, int32_t position, int32_t barX,
                                   int mode);
// Height of the blade centre over the section for a tilted blade at Y position y.
int32_t BladeTiltedHeight(BarComputation& bc, const WorkingMachining& cut, int32_t y);
// X of the blade disc end nearer to the vice edge (one-vertex cut).
int32_t BladeReachOne(BarComputation& bc, const WorkingMachining& cut, int32_t barX, int32_t viceEdgeX,
                      int32_t margin);

// The same computations on a given machine, section and set of working fields (the entry points
// above build one per call from the list object; tests and tools may hold their own).
class BladeCutAdapter {
public:
    BladeCutAdapter(const BladeHead& head, const BladeSection& section, BladeWorkingFields& fields)
        : head_(head), section_(section), composer_(head_, section_, fields) {}
    BladeCutAdapter(const BladeCutAdapter&) = delete;
    BladeCutAdapter& operator=(const BladeCutAdapter&) = delete;

    int32_t Place(WorkingMachining& cut, int vertexMode, int32_t margin, int refit, int32_t stepX = 0);
    int32_t ViceClearance(WorkingMachining& cut, int32_t barX, int vertexMode, int32_t margin, int boundOnly,
                          int passThrough);
    int32_t FitToFollowing(const WorkingMachining& cut, WorkingMachining& following, int32_t refX,
                           int32_t& viceValue, int32_t lowerBound, int32_t limit, int32_t margin);
    int32_t ExtractorClearance(const WorkingMachining& cut, int32_t position, int32_t barX);
    int32_t HighObstacleClearance(const WorkingMachining& cut, int32_t position, int32_t barX, int mode);
    int32_t TiltedHeight(const WorkingMachining& cut, int32_t y);
    int32_t ReachOne(const WorkingMachining& cut, int32_t barX, int32_t viceEdgeX, int32_t margin);

    BladeComposer& Composer() { return composer_; }

private:
    BladeHead head_;
    BladeSection section_;
    BladeComposer composer_;
};
