#pragma once
// Tool-radius compensation: turns the drawn contour into the path of the tool centre.
#include <cstdint>

#include "shapecomp/shape.h"

namespace shapecomp {

// Fills the offset start point, every element's direction angle, working end point and
// working sweep, inserts a corner arc at each outer corner, and lowers the smallest arc
// diameters. The connecting-arc option is accepted and not used (callers pass 0).
void CalcolaCoordinateGrafiche(ShapeDescription& shape, int32_t connectingArcs);

// Recomputes arc centres on the offset path (not for side 2). Returns 1.
int ComputeArcCentres(ShapeDescription& shape);

// Centre of the arc from (sx, sy) to (ex, ey) sweeping `sweep` thousandths of a degree.
// A chord under 10 units, or a sweep whose half-angle tangent vanishes (a zero or full-turn
// sweep), gives the end point as centre: the generator then reports a null arc.
void ArcCentreFromChord(int32_t sx, int32_t sy, int32_t ex, int32_t ey, int32_t sweep, int32_t& cx, int32_t& cy);

// Arcs not exempt: lowers the shape's smallest arc diameter of the arc's direction and
// returns whether the tool diameter is below the arc's diameter. Other elements: true.
bool CheckArcDiameter(const ShapeElement& e, ShapeDescription& shape);

// Corrects the working sweeps of two consecutive elements after a bisector offset.
void AdjustWorkingSweep(ShapeElement& cur, ShapeElement& next);

} // namespace shapecomp
