#pragma once
// In-memory shape of one compile and the ".VLK" shape-file format.
//
// Units: lengths and coordinates are int32 thousandths of a millimetre, swept angles int32
// thousandths of a degree, direction angles extended reals in degrees (0 to 360).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shapecomp {

// Reals of the geometry. Every result is rounded to whole thousandths of a millimetre or of a
// degree, for which double (SSE2, no contraction, same on every build) is ample; the x87
// extended type would cost an order of magnitude more per trigonometric call.
using Real = double;

// Element types.
enum : int32_t {
    kCircle = 0, // a hole milled around the point
    kRapid = 1,
    kLine = 2,
    kArc = 3,
    kArc2 = 4,   // written alike with kArc
    kCycleHelicalHole = 100, // special cycles, with their "ST100"/"ST101" parameter line
    kCycleSteppedPlunge = 101,
};

struct ShapeElement {
    int32_t type = kRapid;
    int32_t endX = 0, endY = 0;
    int32_t workEndX = 0, workEndY = 0; // after tool-radius compensation
    int32_t centreX = 0;                // arcs: centre X; circles: circle diameter
    int32_t centreY = 0;                // arcs: centre Y; circles: option bits
    int32_t sweep = 0;                  // <= 0 clockwise (G2), > 0 counter-clockwise (G3)
    int32_t workSweep = 0;
    Real direction = 0;                 // degrees at the element's start
    int32_t depth = 0;                  // added to R332
    int32_t feedXY = 0;                 // <= 0: the controller's default R311
    int32_t feedPlunge = 0;             // <= 0: R310
    int32_t checkExempt = 0;            // non-zero: arc skipped by the arc-diameter check
    int16_t depthIsHex = 0;             // depth written "0x...": depth merged into the XY block
    int32_t source = 0;                 // index of the file's element it comes from (set by the
                                        // compensation; a corner arc: the element before it)
    bool cornerArc = false;             // inserted by the compensation round a drawn corner, which
                                        // is its end point and its centre

    bool IsArc() const { return type == kArc || type == kArc2; }
    bool IsLineOrArc() const { return type == kLine || IsArc(); }
};

// Circle option bits (centreY of a circle element).
inline constexpr int32_t kCircleMill = 1;
inline constexpr int32_t kCircleClockwise = 2;
inline constexpr int32_t kCircleSpiral = 4;

inline constexpr int32_t kDefaultToolDiameter = 3000;
inline constexpr size_t kNameMax = 39;  // shape name
inline constexpr size_t kWordMax = 23;  // depth and id words

struct ShapeDescription {
    int32_t baseIndex = 0;
    std::vector<ShapeElement> elements;
    std::string name;
    int32_t startX = 0, startY = 0;
    int32_t offsetStartX = 0, offsetStartY = 0;
    int32_t minArcDiamCW = 0, minArcDiamCCW = 0;
    int32_t toolDiameter = kDefaultToolDiameter;
    int32_t mode = 0;
    int32_t side = 0; // -1 right, 1 left, 0 tool centre, 2 as drawn
    int32_t originX = 0, originY = 0;
    int16_t idIsHex = 0;
    int32_t id = 0;

    ShapeDescription() { elements.reserve(257); }
};

void InitShapeElement(ShapeElement& e);

// Why a shape file was refused: the line of the file (1 the header) and what is wrong there,
// in words for the operator.
struct ShapeFileFault {
    int32_t line = 0;
    std::string what;
};

// Reads a whole shape file into the shape: the header line, exactly `count` element lines, the
// name and origin line and the id line, each field a number of its own (the direction angle
// excepted, which is skipped whatever it holds); what follows the id line (cycle parameter
// lines) is left to the generator. False at the first line that does not hold its record, or
// a count, side, type or arc that lies outside the format; `fault` then names the line and
// what is wrong. Nothing the file holds past that line is taken.
bool ReadShapeFile(std::string_view text, ShapeDescription& shape, ShapeFileFault* fault = nullptr);

// Reads one element line (its eleven fields). False, with what is wrong in `what`, when a
// field is missing, is not a number, or the line holds more.
bool ReadShapeElement(std::string_view line, ShapeElement& e, std::string* what = nullptr);

// A drawn arc's centre may stand this far (thousandths of a millimetre) nearer its start than
// its end, and its sweep run this much farther or shorter along the circle than the centre
// says, before the arc is refused: well above the rounding of coordinates written in whole
// thousandths, well below a drawing error.
inline constexpr int32_t kArcFitTolerance = 10;

// Writes the same format (CR LF line ends).
std::string WriteShapeFile(const ShapeDescription& shape);
void WriteShapeElement(std::string& out, const ShapeElement& e);

// Truncates toward zero, then steps one away from zero only when the dropped part exceeds
// 0.5 (2.5 -> 2, 2.6 -> 3, -2.5 -> -2). Clamped to the int32 range; non-finite gives 0.
int32_t RoundToInt(Real x);

Real DegToRad(Real x);
Real RadToDeg(Real x);

// Brings an angle in degrees into [0, 360); a non-finite angle gives 0.
Real NormalizeDegrees(Real a);

} // namespace shapecomp
