#pragma once
// The geometry of one drawn entity (line, arc or circle), the same for the full entity list and
// the bare outline: limits, mirror, turn, move and the segments of a curve. Both take their
// numbers from here, so a drawing placed either way gives the very same points.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dxf/entities.h"
#include "geom.h"

namespace dxfshape {

// The geometry of a line or a curve written into an entity or a shape record.
template <class E> void SetLine(E& e, double x, double y, double x2, double y2) {
    e.kind = MEntityKind::Line;
    e.x = x;
    e.y = y;
    e.x2 = x2;
    e.y2 = y2;
}
template <class E>
void SetCurve(E& e, MEntityKind kind, double x, double y, double radius, double startAngle, double endAngle,
              bool reversed) {
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.radius = radius;
    e.startAngle = startAngle;
    e.endAngle = endAngle;
    e.reversed = reversed;
}

inline void Include(MLimits& l, double x, double y) {
    if (l.empty) {
        l.minX = l.maxX = x;
        l.minY = l.maxY = y;
        l.empty = false;
        return;
    }
    l.minX = std::min(l.minX, x);
    l.maxX = std::max(l.maxX, x);
    l.minY = std::min(l.minY, y);
    l.maxY = std::max(l.maxY, y);
}

// cos and sin of angles in degrees as CosSinDeg gives them, remembered for angles met again:
// the arcs of a drawing share their angles (corners, fillets, repeated details), and a curve
// turned into lines asks for one pair per point. 256 slots, each angle in the slot of its bits.
class CosSinMemo {
public:
    CosSinMemo() {
        for (Slot& k : slots_) k.deg = -1.0; // no angle in [0, 360) matches
    }
    [[gnu::always_inline]] void Get(double deg, double& c, double& s) {
        const double n = dxfgeom::NormDeg(deg);
        uint64_t bits;
        std::memcpy(&bits, &n, sizeof bits);
        Slot& k = slots_[(bits * 0x9E3779B97F4A7C15ull) >> 56];
        if (k.deg == n) {
            c = k.c;
            s = k.s;
            return;
        }
        dxfgeom::CosSinDeg(n, c, s); // n is already in [0, 360): the same numbers as for deg
        k.deg = n;
        k.c = c;
        k.s = s;
    }

private:
    struct Slot {
        double deg, c, s;
    };
    Slot slots_[256];
};

template <class E>
[[gnu::always_inline]] inline void PointAt(const E& e, double deg, double& x, double& y, CosSinMemo* memo = nullptr) {
    double c, s;
    if (memo != nullptr)
        memo->Get(deg, c, s);
    else
        dxfgeom::CosSinDeg(deg, c, s);
    x = e.x + e.radius * c;
    y = e.y + e.radius * s;
}

template <class E> bool IsCurve(const E& e) { return e.kind == MEntityKind::Arc || e.kind == MEntityKind::Circle; }

// Widens the limits by the entity's true extent (texts and attributes have none).
template <class E> void Extend(MLimits& l, const E& e, CosSinMemo* memo = nullptr) {
    switch (e.kind) {
    case MEntityKind::Line:
        Include(l, e.x, e.y);
        Include(l, e.x2, e.y2);
        break;
    case MEntityKind::Circle:
        Include(l, e.x - e.radius, e.y - e.radius);
        Include(l, e.x + e.radius, e.y + e.radius);
        break;
    case MEntityKind::Arc: {
        // End points, plus every axis direction the sweep passes: the arc's true extent.
        const double sweep = dxfgeom::SweepDeg(e.startAngle, e.endAngle);
        double x, y;
        PointAt(e, e.startAngle, x, y, memo);
        Include(l, x, y);
        PointAt(e, e.startAngle + sweep, x, y, memo);
        Include(l, x, y);
        for (double q : {0.0, 90.0, 180.0, 270.0}) {
            if (dxfgeom::InSweep(q, e.startAngle, sweep)) {
                PointAt(e, q, x, y);
                Include(l, x, y);
            }
        }
        break;
    }
    case MEntityKind::Text:
    case MEntityKind::Attribute:
        break;
    }
}

// axis 1 about the vertical line x = cx, 2 about the horizontal line y = cy.
template <class E> void Mirror(E& e, int axis, double cx, double cy) {
    if (axis == 1) {
        e.x = 2.0 * cx - e.x;
        e.x2 = 2.0 * cx - e.x2;
    } else {
        e.y = 2.0 * cy - e.y;
        e.y2 = 2.0 * cy - e.y2;
    }
    if (e.kind == MEntityKind::Arc) {
        const double base = axis == 1 ? 180.0 : 0.0;
        const double s = e.startAngle;
        e.startAngle = dxfgeom::NormDeg(base - e.endAngle);
        e.endAngle = dxfgeom::NormDeg(base - s);
        e.reversed = !e.reversed; // the mirror image runs the other way round
    }
}

// Counter-clockwise by degrees (cosine c, sine s) about (cx, cy).
template <class E> void Rotate(E& e, double degrees, double c, double s, double cx, double cy) {
    auto turn = [&](double& x, double& y) {
        const double dx = x - cx, dy = y - cy;
        x = cx + dx * c - dy * s;
        y = cy + dx * s + dy * c;
    };
    turn(e.x, e.y);
    if (e.kind == MEntityKind::Line) turn(e.x2, e.y2);
    if (e.kind == MEntityKind::Arc) {
        e.startAngle = dxfgeom::NormDeg(e.startAngle + degrees);
        e.endAngle = dxfgeom::NormDeg(e.endAngle + degrees);
    }
}

template <class E> void Move(E& e, double dx, double dy) {
    e.x += dx;
    e.y += dy;
    e.x2 += dx;
    e.y2 += dy;
}

// A bad or tiny step is taken as 10 degrees, a step beyond a full turn as one turn.
inline double CurveStep(double stepDegrees) {
    double step = stepDegrees;
    if (!std::isfinite(step) || step < 0.01) step = 10.0;
    if (step > 360.0) step = 360.0;
    return step;
}

template <class E> double SweepOf(const E& e) {
    return e.kind == MEntityKind::Circle ? 360.0 : dxfgeom::SweepDeg(e.startAngle, e.endAngle);
}

// Segments of a curve: each spans at most step degrees, a circle takes three at least.
template <class E> int Segments(const E& e, double step) {
    return std::max(int(std::ceil(SweepOf(e) / step - 1e-9)), e.kind == MEntityKind::Circle ? 3 : 1);
}

// The segments of a curve in the drawing's order: segment(px, py, qx, qy) for each.
template <class E, class F> void ForEachSegment(const E& e, double step, F&& segment, CosSinMemo* memo = nullptr) {
    const bool circle = e.kind == MEntityKind::Circle;
    const double sweep = SweepOf(e);
    const double first = circle ? 0.0 : (e.reversed ? e.startAngle + sweep : e.startAngle);
    const double dir = (!circle && e.reversed) ? -1.0 : 1.0;
    const int n = Segments(e, step);
    double px, py;
    PointAt(e, first, px, py, memo);
    for (int i = 1; i <= n; ++i) {
        double qx, qy;
        PointAt(e, first + dir * sweep * double(i) / double(n), qx, qy, memo);
        segment(px, py, qx, qy);
        px = qx;
        py = qy;
    }
}

} // namespace dxfshape
