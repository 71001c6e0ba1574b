#pragma once
// Blade end cuts of machine variant 1: the cut points of an end cut planned against the profile
// section, and the links of the blade cuts made inside a piece (rotated cuts, kind 5; cross cuts,
// kind 4) to the piece's end cuts. Used by the end-trim pass (BarComputation::ComputeEndTrims).
#include <cstdint>

#include "engine/working_records.h"

class BarComputation;
class DxfSection;
struct BarRecord;

// Result of the neighbour checks when a precedence list has no free entry left.
inline constexpr int kLinkListFull = 2;

// A private copy of an end-cut record as the neighbour checks change it; written back over the
// record with the same Id at the end of each piece.
struct EndCutCopy {
    WorkingMachining* record = nullptr; // the record it was taken from
    int32_t Id = 0;
    int32_t pieceId = 0;                // first field of the record's piece copy
    int32_t X = 0;                      // the end cut's reference X
    int32_t endX[2] = {};               // the end's two X values (at the low and high Y edge)
    int32_t endCutMode = 0;
    int32_t overlap = 0;
    int32_t Lav_afterCount = 0;
    int32_t Lav_after[kMaxLinks] = {};
    bool valid = false;
};
EndCutCopy TakeEndCutCopy(WorkingMachining& m, const WorkingPiece& piece, int end);
// Writes the changed fields back over its record (the record's piece copy renewed).
void WriteBackEndCutCopy(const EndCutCopy& c);

// The 256-byte piece copy of a cut record: the piece's Id as its first field.
void GivePieceCopy(WorkingMachining& m, int32_t pieceId);
int32_t PieceCopyId(const WorkingMachining& m);

// Appends an Id to a bounded precedence list: false when its 40 entries are taken.
bool AppendLink(int32_t& count, int32_t* list, int32_t id);
// Puts an Id into the first free (zero) entry of LavBefore: false when none is free.
bool PutLavBefore(WorkingMachining& m, int32_t id);

// The blade angle of a cross cut (kind 4) from its rotation (AngFig) and blade angle (cutAngle),
// moved to the blade's other face where needed; halfWidth: half the profile width (thousandths).
// false when the rotation is not 90000 or 270000 after one step into 0..360000.
bool CrossCutAngle(WorkingMachining& m, int32_t halfWidth, bool reversed);
// The blade angle of a rotated cut (kind 5) from its rotation and blade angle.
void RotatedCutAngle(WorkingMachining& m, bool reversed);

// Plans one end (side = end index) of a piece against the section. 0 planned or nothing to
// do, 1 failed with ERR_PIECE_BIG and the piece's name in g_errorText.
int PlanSectionEndCut(int side, const BarRecord& bar, const WorkingPiece& piece, WorkingMachining& m,
                      const DxfSection& section);

// Links a rotated cut (after RotatedCutCorners) to the end cut it meets. lowX/highX: the bar's
// low and high x edge (machine Y of the section). 0 ready, 1 flange strike, kLinkListFull.
int CheckRotatedCutNeighbours(BarComputation& bc, const WorkingPiece& p, WorkingMachining& m, EndCutCopy& otherEnd,
                              EndCutCopy& firstEnd, int32_t lowX, int32_t highX);
int CheckRotatedCutNeighboursReversed(BarComputation& bc, const WorkingPiece& p, WorkingMachining& m,
                                      EndCutCopy& otherEnd, EndCutCopy& firstEnd, int32_t lowX, int32_t highX);
// The same for a cross cut (kind 4).
int CheckHeadCutNeighbours(BarComputation& bc, const WorkingPiece& p, WorkingMachining& m, EndCutCopy& otherEnd,
                           EndCutCopy& firstEnd, int32_t lowX, int32_t highX);
int CheckHeadCutNeighboursReversed(BarComputation& bc, const WorkingPiece& p, WorkingMachining& m,
                                   EndCutCopy& otherEnd, EndCutCopy& firstEnd, int32_t lowX, int32_t highX);

// Along X: the span [lo, hi] over which the blade segments (x ranges) overlap the end cut's
// X range; false when they do not overlap (lo = hi = the crossing's X then).
bool SegmentOverlap(double bladeMinX, double bladeMaxX, double cutMinX, double cutMaxX, double crossX, double& lo,
                    double& hi);
