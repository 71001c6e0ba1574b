#pragma once
// Plane geometry shared by the engine: angle conversions, distances, lines and directed
// segments with their intersection, and the rotated-offset formulas. Tolerance 0.01.
#include <cstdint>

inline constexpr double kGeomTolerance = 0.01;

double Pi(); // acos(-1)

double DegToRad(double degrees);
double RadToDeg(double radians);
double MilliDegToRad(double milliDegrees);
double Distance2D(double x1, double y1, double x2, double y2);

// A straight line through two points.
struct LineEntity {
    int32_t kind = 0; // 0 degenerate, 1 vertical, 2 horizontal, 3 sloped
    double length = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double slope = 0;     // kind 3 only
    double intercept = 0; // kind 3: y at x = 0; kind 2: the line's y
};
inline constexpr int32_t kLineDegenerate = 0;
inline constexpr int32_t kLineVertical = 1;
inline constexpr int32_t kLineHorizontal = 2;
inline constexpr int32_t kLineSloped = 3;

void MakeLineEntity(double x1, double y1, double x2, double y2, LineEntity& out);
// mode 2: the crossing of the two lines; mode 1: only when it lies on both segments.
// 1 with (x, y), or 0 for parallel or degenerate lines, no crossing, or another mode.
int IntersectEntities(const LineEntity& a, const LineEntity& b, double& x, double& y, int mode);
// 1 when (px, py) lies on the segment within tolerance t (the ends with the smaller x and the
// smaller y are accepted with a slack of 0.01, the others only strictly).
int PointOnSegment(double x1, double y1, double x2, double y2, double px, double py, double t);

// A directed segment.
struct SegmentRecord {
    double x = 0, y = 0;   // start
    double length = 0;
    double cosX = 0, cosY = 0; // direction cosines
};

void MakeSegment(double x1, double y1, double x2, double y2, SegmentRecord& out);
void MakeSegmentPolar(double x, double y, double length, double angleRad, SegmentRecord& out);
void SegmentPointAt(const SegmentRecord& s, double& x, double& y);
// Direction in radians in [0, 2*pi).
double SegmentAngle(const SegmentRecord& s);

// Rotated offsets (a, b) by theta degrees from an integer coordinate, truncated toward zero.
int32_t PolarXMinusCos(int32_t x0, double thetaDeg, int32_t a, int32_t b);
int32_t PolarYPlusSin(int32_t y0, double thetaDeg, int32_t a, int32_t b);
int32_t PolarXPlusCos(int32_t x0, double thetaDeg, int32_t a, int32_t b);
int32_t PolarYMinusSin(int32_t y0, double thetaDeg, int32_t a, int32_t b);
