#pragma once
// Tool-radius compensation: turns the drawn contour into the path of the tool centre.
#include <cstdint>

#include "shapecomp/shape.h"

namespace shapecomp {

// Fills the offset start point, every element's direction angle, working end point and
// working sweep, inserts a corner arc at each outer corner, and lowers the smallest arc
// diameters. The connecting-arc option is accepted and not used (callers pass 0).
void CalcolaCoordinateGrafiche(ShapeDescription& shape, int32_t connectingArcs);

// Chord (thousandths of a millimetre) under which an arc's ends count as one point.
inline constexpr int32_t kNullArcChord = 10;

// Sets the centres of the arcs on the offset path (not for side 2): a drawn arc keeps its own
// (its offset is concentric), a corner arc turns about its corner. An arc whose ends meet
// (chord under kNullArcChord) is a null arc, its centre its end point, when its working sweep
// is under half a turn; at half a turn or more it is a full turn, and ends exactly where it
// starts when its rounded end would leave only a sliver to turn.
// Returns 1.
int ComputeArcCentres(ShapeDescription& shape);

// Arcs not exempt: lowers the shape's smallest arc diameter of the arc's direction and
// returns whether the tool diameter is below the arc's diameter. Other elements: true.
bool CheckArcDiameter(const ShapeElement& e, ShapeDescription& shape);

// Corrects the working sweeps of two consecutive elements after a bisector offset.
void AdjustWorkingSweep(ShapeElement& cur, ShapeElement& next);

} // namespace shapecomp
