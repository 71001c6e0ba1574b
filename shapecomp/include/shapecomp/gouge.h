#pragma once
// Gouge check: does the compensated tool path cut into the drawn contour?
#include <cstdint>
#include <string>

#include "shapecomp/shape.h"

namespace shapecomp {

// A path that comes closer to the contour than the tool radius by more than this cuts into the
// piece (thousandths of a millimetre). Well above the rounding of the compensation (about one
// thousandth), well below anything the machine could make visible.
inline constexpr int32_t kGougeTolerance = 10;

struct Gouge {
    bool found = false;
    int32_t element = 0; // shape file element whose tool path cuts in (0-based; a corner arc counts
                         // as the element before the corner)
    int32_t into = 0;    // drawn element it cuts into (0-based)
    int32_t depth = 0;   // how far the tool's edge passes the contour, thousandths of a millimetre
};

// Compares the tool path of `compensated` (the shape after CalcolaCoordinateGrafiche and
// ComputeArcCentres, as the generator will write it) with the contour of `drawn` (the same shape
// as read). Only cutting moves (lines and arcs) count, each against the drawn lines and arcs of
// its own run (the elements between two rapid moves or circles). Sides 0 and 2 draw the tool
// centre itself and are never a gouge. Returns the first path element, in cutting order, that
// passes closer than the tool radius less kGougeTolerance.
Gouge FindGouge(const ShapeDescription& drawn, const ShapeDescription& compensated);

// The operator's text of a gouge: the shape file as the caller named it, the element (with its
// line in the file), the depth and the tool.
std::string GougeMessage(const char* shapeFile, const Gouge& g, int32_t toolDiameter);

} // namespace shapecomp
