// The entities' output: lines, arcs and circles placed through the map of their block and
// entity coordinate system, checked before they go to the sink (finite numbers, the entity
// limit).
#include <algorithm>
#include <cmath>

#include "read_entities.h"

using dxfgeom::AtanDeg;
using dxfgeom::CosSinDeg;
using dxfgeom::NormDeg;
using dxfgeom::SweepDeg;

namespace dxfread {

namespace {

// The arc of a polyline's segment with a bulge: about (cx, cy) from a0 to a1, counter-clockwise
// or, reversed, clockwise.
struct BulgeArc {
    double cx, cy, r, a0, a1;
    bool reversed;
};

// The arc the bulge of v0 makes of the segment to v1; false when the segment stays straight (no
// bulge to speak of, no length, or an arc too flat to place).
bool ArcOfBulge(const Vertex& v0, const Vertex& v1, BulgeArc& arc) {
    const double b = v0.bulge;
    const double dx = v1.x - v0.x, dy = v1.y - v0.y;
    if (std::fabs(b) < 1e-9 || std::fabs(b) > 1e6 || (dx == 0.0 && dy == 0.0)) return false;
    // The bulge is tan(sweep / 4), positive counter-clockwise; the centre lies off the chord's
    // midpoint along its left normal by (1 - b^2) / (4 b) times the chord.
    const double k = (1.0 - b * b) / (4.0 * b);
    const double cx = (v0.x + v1.x) / 2.0 - dy * k;
    const double cy = (v0.y + v1.y) / 2.0 + dx * k;
    const double r = std::hypot(dx, dy) * (1.0 + b * b) / (4.0 * std::fabs(b));
    const double a0 = AtanDeg(v0.y - cy, v0.x - cx);
    const double a1 = AtanDeg(v1.y - cy, v1.x - cx);
    if (!std::isfinite(r) || a0 == a1) return false;
    if (b > 0.0)
        arc = BulgeArc{cx, cy, r, a0, a1, false};
    else
        arc = BulgeArc{cx, cy, r, a1, a0, true};
    return true;
}

} // namespace

void Reader::OutArc(double cx, double cy, double r, double a0, double a1, bool reversed, bool circle,
                    const Affine& t, const Common& c) {
    if (!(r > 0.0)) return; // degenerate: nothing to draw
    const double s1 = std::hypot(t.a, t.c), s2 = std::hypot(t.b, t.d);
    const double det = t.a * t.d - t.b * t.c;
    const double dot = t.a * t.b + t.c * t.d;
    const double tol = 1e-9 * std::max(s1, s2);
    if (s1 > 0.0 && std::fabs(s1 - s2) <= tol && std::fabs(dot) <= tol * std::max(s1, s2) && det != 0.0) {
        // A similarity keeps the arc an arc.
        double x, y, startAngle, endAngle;
        bool rev;
        t.Apply(cx, cy, x, y);
        const double radius = r * s1;
        const double theta = AtanDeg(t.c, t.a);
        if (det > 0.0) {
            startAngle = NormDeg(a0 + theta);
            endAngle = NormDeg(a1 + theta);
            rev = reversed;
        } else {
            // A reflection: the arc now runs clockwise from the image of its start.
            startAngle = NormDeg(theta - a1);
            endAngle = NormDeg(theta - a0);
            rev = !reversed;
        }
        if (circle) startAngle = endAngle = 0.0, rev = false;
        if (Admit(Finite(x) && Finite(y) && Finite(radius)))
            out_.Curve(circle ? MEntityKind::Circle : MEntityKind::Arc, x, y, radius, startAngle, endAngle, rev, c);
        return;
    }
    // Unequal scales or a tilted plane make it an ellipse: lines from its first point to its last.
    const double sweep = circle ? 360.0 : SweepDeg(a0, a1);
    const double first = circle ? 0.0 : (reversed ? a0 + sweep : a0);
    const double dir = (!circle && reversed) ? -1.0 : 1.0;
    const int n = std::max(circle ? 8 : 1, int(std::ceil(sweep / kCurveStepDeg - 1e-9)));
    double cs, sn;
    CosSinDeg(first, cs, sn);
    double px = cx + r * cs, py = cy + r * sn;
    for (int i = 1; i <= n && !error_; ++i) {
        CosSinDeg(first + dir * sweep * double(i) / double(n), cs, sn);
        const double qx = cx + r * cs, qy = cy + r * sn;
        OutLine(px, py, qx, qy, t, c);
        px = qx;
        py = qy;
    }
}

void Reader::OutPolyline(const std::vector<Vertex>& v, bool closed, bool bulges, const Affine& t, const Common& c) {
    if (v.size() < 2) return;
    const size_t segs = closed ? v.size() : v.size() - 1;
    for (size_t i = 0; i < segs && !error_; ++i) {
        const Vertex& a = v[i];
        const Vertex& b = v[(i + 1) % v.size()];
        BulgeArc arc;
        if (bulges && ArcOfBulge(a, b, arc))
            OutArc(arc.cx, arc.cy, arc.r, arc.a0, arc.a1, arc.reversed, false, t, c);
        else
            OutLine(a.x, a.y, b.x, b.y, t, c);
    }
}

} // namespace dxfread
