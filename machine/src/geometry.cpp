// Plane geometry routines.
#include "machine/geometry.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"

double Pi() { return std::acos(-1.0); }

double DegToRad(double degrees) { return Pi() * degrees / 180.0; }
double RadToDeg(double radians) { return radians * 180.0 / Pi(); }
double MilliDegToRad(double milliDegrees) { return milliDegrees / 1000.0 * Pi() / 180.0; }

double Distance2D(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

void MakeLineEntity(double x1, double y1, double x2, double y2, LineEntity& out) {
    out = LineEntity{};
    out.x1 = x1;
    out.y1 = y1;
    out.x2 = x2;
    out.y2 = y2;
    out.length = Distance2D(x1, y1, x2, y2);
    if (out.length < kGeomTolerance) {
        out.kind = kLineDegenerate;
        out.length = 0;
    } else if (std::fabs(x1 - x2) < kGeomTolerance) {
        out.kind = kLineVertical;
        out.x1 = out.x2 = (x1 + x2) / 2;
    } else if (std::fabs(y1 - y2) >= kGeomTolerance) {
        out.kind = kLineSloped;
        out.slope = (y2 - y1) / (x2 - x1);
        out.intercept = y1 - x1 * out.slope;
    } else {
        out.kind = kLineHorizontal;
        out.intercept = y1;
        out.y1 = out.y2 = (y1 + y2) / 2;
    }
}

int IntersectEntities(const LineEntity& a, const LineEntity& b, double& x, double& y, int mode) {
    // A degenerate line has no direction: it crosses nothing.
    if (a.kind == kLineDegenerate || b.kind == kLineDegenerate) return 0;
    if (a.kind == kLineSloped && b.kind == kLineSloped && std::fabs(a.slope - b.slope) < kGeomTolerance) return 0;
    if (a.kind == b.kind && (a.kind == kLineHorizontal || a.kind == kLineVertical)) return 0;

    double px, py;
    if (a.kind == kLineVertical) {
        px = a.x1;
        py = b.slope * px + b.intercept;
    } else {
        px = b.kind == kLineVertical ? b.x1 : (b.intercept - a.intercept) / (a.slope - b.slope);
        py = a.slope * px + a.intercept;
    }
    if (mode == 2) {
        x = px;
        y = py;
        return 1;
    }
    if (mode == 1 && PointOnSegment(a.x1, a.y1, a.x2, a.y2, px, py, kGeomTolerance) &&
        PointOnSegment(b.x1, b.y1, b.x2, b.y2, px, py, kGeomTolerance)) {
        x = px;
        y = py;
        return 1;
    }
    return 0;
}

int PointOnSegment(double x1, double y1, double x2, double y2, double px, double py, double t) {
    const double length = Distance2D(x1, y1, x2, y2);
    if (length < kGeomTolerance) return 0;
    const double distance = std::fabs(y1 * x2 - y2 * x1 + (y2 - y1) * px + (x1 - x2) * py) / length;
    if (!(distance < t)) return 0;
    const double xmin = std::min(x1, x2), xmax = std::max(x1, x2);
    const double ymin = std::min(y1, y2), ymax = std::max(y1, y2);
    const bool xOk = (xmin < px && px < xmax) || std::fabs(px - xmin) < kGeomTolerance || std::fabs(xmax - xmin) < kGeomTolerance;
    if (!xOk) return 0;
    const bool yOk = (ymin < py && py < ymax) || std::fabs(py - ymin) < kGeomTolerance || std::fabs(ymax - ymin) < kGeomTolerance;
    return yOk ? 1 : 0;
}

void MakeSegment(double x1, double y1, double x2, double y2, SegmentRecord& out) {
    out = SegmentRecord{};
    out.x = x1;
    out.y = y1;
    if (x1 == x2 && y1 == y2) return;
    out.length = Distance2D(x1, y1, x2, y2);
    out.cosX = (x2 - x1) / out.length;
    out.cosY = (y2 - y1) / out.length;
}

void MakeSegmentPolar(double x, double y, double length, double angleRad, SegmentRecord& out) {
    out = SegmentRecord{};
    out.x = x;
    out.y = y;
    if (length == 0) return;
    out.length = length;
    out.cosX = std::cos(angleRad);
    out.cosY = std::sin(angleRad);
}

void SegmentPointAt(const SegmentRecord& s, double& x, double& y) {
    x = s.x + s.length * s.cosX;
    y = s.y + s.length * s.cosY;
}

double SegmentAngle(const SegmentRecord& s) {
    // Rounding can push a cosine just past 1: the arc cosine would give NaN.
    const double a = std::acos(std::clamp(s.cosX, -1.0, 1.0));
    return s.cosY < 0 ? 2 * Pi() - a : a;
}

int32_t PolarXMinusCos(int32_t x0, double thetaDeg, int32_t a, int32_t b) {
    const double t = DegToRad(thetaDeg);
    return plat::TruncToInt32(x0 - std::cos(t) * a + std::sin(t) * b);
}

int32_t PolarYPlusSin(int32_t y0, double thetaDeg, int32_t a, int32_t b) {
    const double t = DegToRad(thetaDeg);
    return plat::TruncToInt32(y0 + std::sin(t) * a + std::cos(t) * b);
}

int32_t PolarXPlusCos(int32_t x0, double thetaDeg, int32_t a, int32_t b) {
    const double t = DegToRad(thetaDeg);
    return plat::TruncToInt32(x0 + std::cos(t) * a - std::sin(t) * b);
}

int32_t PolarYMinusSin(int32_t y0, double thetaDeg, int32_t a, int32_t b) {
    const double t = DegToRad(thetaDeg);
    return plat::TruncToInt32(y0 - std::sin(t) * a - std::cos(t) * b);
}
