// Gouge check of a compensated shape: the least distance between every cutting move of the tool
// path and the drawn lines and arcs of its contour, computed exactly (no sampling).
#include "shapecomp/gouge.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/text.h"

namespace shapecomp {

namespace {

constexpr Real kPi = 3.14159265358979323846;
constexpr Real kTwoPi = 2 * kPi;

struct Pt {
    Real x, y;
};
Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
Real Dot(Pt a, Pt b) { return a.x * b.x + a.y * b.y; }
Real Cross(Pt a, Pt b) { return a.x * b.y - a.y * b.x; }
Real Dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }

// A point, a segment from a to b, or an arc about c of radius R from a to b.
struct Prim {
    enum Kind { kPoint, kSegment, kArcPrim } kind = kPoint;
    Pt a{}, b{}, c{};
    Real R = 0, span = 0;   // span: radians, positive counter-clockwise
    Real pa = 0, spanP = 0; // start and extent as pseudo-angles (see OnArc)
    bool full = false;
    Real minX = 0, minY = 0, maxX = 0, maxY = 0; // bounding box (whole circle for an arc)
    int32_t source = 0;
    int32_t run = 0;
};

void SetBox(Prim& p) {
    p.minX = std::min(p.a.x, p.b.x), p.maxX = std::max(p.a.x, p.b.x);
    p.minY = std::min(p.a.y, p.b.y), p.maxY = std::max(p.a.y, p.b.y);
}

Prim PointPrim(Pt a) {
    Prim p;
    p.a = p.b = a;
    SetBox(p);
    return p;
}

Prim Segment(Pt a, Pt b) {
    if (a.x == b.x && a.y == b.y) return PointPrim(a);
    Prim p;
    p.kind = Prim::kSegment;
    p.a = a, p.b = b;
    SetBox(p);
    return p;
}

// A direction's pseudo-angle in [0, 4): grows with the angle round the circle as the angle does,
// without trigonometry (only the order of directions matters for an arc's span).
Real PseudoAngle(Pt v) {
    const Real s = std::fabs(v.x) + std::fabs(v.y);
    if (!(s > 0)) return 0;
    const Real t = v.y / s;
    if (v.x < 0) return 2 - t;
    return v.y < 0 ? 4 + t : t;
}

// Whether the direction from the arc's centre to q lies within the arc's span.
bool OnArc(const Prim& p, Pt q) {
    if (p.full) return true;
    const Real t = PseudoAngle(q - p.c);
    Real d = p.span >= 0 ? t - p.pa : p.pa - t;
    if (d < 0) d += 4;
    return d <= p.spanP + 1e-12;
}

Prim ArcPrim(Pt c, Real R, Real a0, Real span) {
    if (!(R > 0) || span == 0) return PointPrim({c.x + R * std::cos(a0), c.y + R * std::sin(a0)});
    Prim p;
    p.kind = Prim::kArcPrim;
    p.c = c, p.R = R, p.span = std::clamp(span, -kTwoPi, kTwoPi);
    p.a = {c.x + R * std::cos(a0), c.y + R * std::sin(a0)};
    p.b = {c.x + R * std::cos(a0 + p.span), c.y + R * std::sin(a0 + p.span)};
    p.full = std::fabs(p.span) >= kTwoPi - 1e-12;
    p.pa = PseudoAngle(p.a - c);
    const Real pb = PseudoAngle(p.b - c);
    p.spanP = p.span >= 0 ? pb - p.pa : p.pa - pb;
    if (p.spanP < 0) p.spanP += 4;
    // Box: the end points and the points of the circle's four extremes that lie on the arc.
    p.minX = std::min(p.a.x, p.b.x), p.maxX = std::max(p.a.x, p.b.x);
    p.minY = std::min(p.a.y, p.b.y), p.maxY = std::max(p.a.y, p.b.y);
    if (OnArc(p, Pt{c.x + R, c.y})) p.maxX = c.x + R;
    if (OnArc(p, Pt{c.x - R, c.y})) p.minX = c.x - R;
    if (OnArc(p, Pt{c.x, c.y + R})) p.maxY = c.y + R;
    if (OnArc(p, Pt{c.x, c.y - R})) p.minY = c.y - R;
    return p;
}

Real PointDist(Pt q, const Prim& p) {
    switch (p.kind) {
    case Prim::kPoint: return Dist(q, p.a);
    case Prim::kSegment: {
        const Pt d = p.b - p.a;
        const Real t = std::clamp(Dot(q - p.a, d) / Dot(d, d), Real(0), Real(1));
        return Dist(q, {p.a.x + t * d.x, p.a.y + t * d.y});
    }
    case Prim::kArcPrim: {
        const Real L = Dist(q, p.c);
        if (L == 0) return p.R;
        if (OnArc(p, q)) return std::fabs(L - p.R);
        return std::min(Dist(q, p.a), Dist(q, p.b));
    }
    }
    return 0;
}

bool SegmentsCross(const Prim& s, const Prim& t) {
    const Pt u = s.b - s.a, v = t.b - t.a;
    const Real d1 = Cross(u, t.a - s.a), d2 = Cross(u, t.b - s.a);
    const Real d3 = Cross(v, s.a - t.a), d4 = Cross(v, s.b - t.a);
    return ((d1 < 0 && d2 > 0) || (d1 > 0 && d2 < 0)) && ((d3 < 0 && d4 > 0) || (d3 > 0 && d4 < 0));
}

// Segment against arc: 0 when they cross, else the least distance at the one interior pair where
// the arc's radius stands square to the segment (the end points are taken by the caller).
Real SegmentArc(const Prim& s, const Prim& a) {
    const Pt d = s.b - s.a;
    const Real len = std::hypot(d.x, d.y);
    const Pt u{d.x / len, d.y / len};
    const Pt w = s.a - a.c;
    const Real bq = Dot(u, w), k = Dot(w, w) - a.R * a.R, disc = bq * bq - k;
    if (disc >= 0) {
        const Real root = std::sqrt(disc);
        for (Real t : {-bq - root, -bq + root}) {
            if (t < 0 || t > len) continue;
            if (OnArc(a, Pt{s.a.x + t * u.x, s.a.y + t * u.y})) return 0;
        }
    }
    Real best = std::numeric_limits<Real>::infinity();
    const Pt n{-u.y, u.x};
    for (Real sgn : {1.0, -1.0}) {
        const Pt q{a.c.x + sgn * a.R * n.x, a.c.y + sgn * a.R * n.y};
        if (!OnArc(a, q)) continue;
        const Real t = Dot(q - s.a, u);
        if (t >= 0 && t <= len) best = std::min(best, std::fabs(Dot(q - s.a, n)));
    }
    return best;
}

// Arc against arc: 0 when they cross, else the interior pairs on the line of the centres.
Real ArcArc(const Prim& p, const Prim& q) {
    const Pt dc = q.c - p.c;
    const Real d = std::hypot(dc.x, dc.y);
    if (d == 0) {
        // Concentric: the radii's difference wherever the two spans overlap.
        if (OnArc(p, q.a) || OnArc(p, q.b) || OnArc(q, p.a) || OnArc(q, p.b)) return std::fabs(p.R - q.R);
        return std::numeric_limits<Real>::infinity();
    }
    const Pt u{dc.x / d, dc.y / d};
    if (d <= p.R + q.R && d >= std::fabs(p.R - q.R)) {
        const Real x = (d * d + p.R * p.R - q.R * q.R) / (2 * d);
        const Real h = std::sqrt(std::max(Real(0), p.R * p.R - x * x));
        for (Real sgn : {1.0, -1.0}) {
            const Pt m{p.c.x + x * u.x - sgn * h * u.y, p.c.y + x * u.y + sgn * h * u.x};
            if (OnArc(p, m) && OnArc(q, m)) return 0;
        }
    }
    Real best = std::numeric_limits<Real>::infinity();
    for (Real s1 : {1.0, -1.0}) {
        const Pt m1{p.c.x + s1 * p.R * u.x, p.c.y + s1 * p.R * u.y};
        if (!OnArc(p, m1)) continue;
        for (Real s2 : {1.0, -1.0}) {
            const Pt m2{q.c.x + s2 * q.R * u.x, q.c.y + s2 * q.R * u.y};
            if (OnArc(q, m2)) best = std::min(best, Dist(m1, m2));
        }
    }
    return best;
}

// Least distance between two primitives: an end point of one against the other, or an interior
// pair (a crossing, or where both stand square to the line joining them).
Real PrimDist(const Prim& p, const Prim& q) {
    if (p.kind == Prim::kPoint) return PointDist(p.a, q);
    if (q.kind == Prim::kPoint) return PointDist(q.a, p);
    Real best = std::min({PointDist(p.a, q), PointDist(p.b, q), PointDist(q.a, p), PointDist(q.b, p)});
    if (p.kind == Prim::kSegment && q.kind == Prim::kSegment) {
        if (SegmentsCross(p, q)) return 0;
    } else if (p.kind == Prim::kSegment) {
        best = std::min(best, SegmentArc(p, q));
    } else if (q.kind == Prim::kSegment) {
        best = std::min(best, SegmentArc(q, p));
    } else {
        best = std::min(best, ArcArc(p, q));
    }
    return best;
}

Real BoxGap(const Prim& p, const Prim& q) {
    const Real dx = std::max({Real(0), p.minX - q.maxX, q.minX - p.maxX});
    const Real dy = std::max({Real(0), p.minY - q.maxY, q.minY - p.maxY});
    return std::hypot(dx, dy);
}

Real Angle(Pt p, Pt c) { return std::atan2(p.y - c.y, p.x - c.x); }

Pt At(int32_t x, int32_t y) { return {static_cast<Real>(x), static_cast<Real>(y)}; }

// The drawn contour's lines and arcs, each with the run it belongs to.
void DrawnContour(const ShapeDescription& s, std::vector<int32_t>& runOf, std::vector<Prim>& out) {
    out.clear();
    out.reserve(s.elements.size());
    runOf.assign(s.elements.size(), 0);
    int32_t run = 0;
    Pt prev = At(s.startX, s.startY);
    for (size_t i = 0; i < s.elements.size(); ++i) {
        const ShapeElement& e = s.elements[i];
        const Pt end = At(e.endX, e.endY);
        if (!e.IsLineOrArc()) {
            ++run; // a rapid move or a circle ends the run of contour elements
            runOf[i] = run;
            prev = end;
            continue;
        }
        runOf[i] = run;
        Prim p;
        if (e.type == kLine) {
            p = Segment(prev, end);
        } else {
            // The arc about its centre as read, ending at its end point, through its sweep.
            const Pt c = At(e.centreX, e.centreY);
            const Real span = DegToRad(e.sweep / 1000.0);
            p = ArcPrim(c, Dist(end, c), Angle(end, c) - span, span);
        }
        p.source = static_cast<int32_t>(i);
        p.run = run;
        out.push_back(p);
        prev = end;
    }
}

// The tool path's cutting moves as the generator writes them: lines to the working end point,
// arcs about the recomputed centre in the direction of the drawn sweep (G2 below 1, else G3).
void ToolPath(const ShapeDescription& s, const std::vector<int32_t>& runOf, std::vector<Prim>& out) {
    out.clear();
    out.reserve(s.elements.size());
    Pt prev = At(s.offsetStartX, s.offsetStartY);
    for (const ShapeElement& e : s.elements) {
        const Pt end = At(e.workEndX, e.workEndY);
        if (e.type == kCircle) continue; // milled about its own centre; the path resumes where it was
        if (!e.IsLineOrArc()) {
            if (e.type == kRapid) prev = end;
            continue;
        }
        Prim p;
        if (e.type == kLine) {
            p = Segment(prev, end);
        } else {
            const Pt c = At(e.centreX, e.centreY);
            if (std::fabs(end.x - c.x) < 1 && std::fabs(end.y - c.y) < 1) {
                p = PointPrim(prev); // a null arc is not written: the tool stays
            } else {
                const Real from = Angle(prev, c), to = Angle(end, c);
                Real span = std::fmod(e.sweep < 1 ? from - to : to - from, kTwoPi);
                if (span <= 0) span += kTwoPi;
                p = ArcPrim(c, Dist(end, c), from, e.sweep < 1 ? -span : span);
                p.a = prev;
                p.b = end;
                p.minX = std::min({p.minX, prev.x, end.x}), p.maxX = std::max({p.maxX, prev.x, end.x});
                p.minY = std::min({p.minY, prev.y, end.y}), p.maxY = std::max({p.maxY, prev.y, end.y});
            }
        }
        const size_t src = static_cast<size_t>(e.source);
        p.source = e.source;
        p.run = src < runOf.size() ? runOf[src] : -1;
        out.push_back(p);
        prev = end;
    }
}

} // namespace

Gouge FindGouge(const ShapeDescription& drawn, const ShapeDescription& compensated) {
    Gouge g;
    if (compensated.side != -1 && compensated.side != 1) return g;
    // Work space kept from one compile to the next: a long shape's primitives take more than
    // the allocator hands out from its heap, and fresh pages each time would cost more than the
    // check itself.
    thread_local std::vector<int32_t> runOf;
    thread_local std::vector<Prim> contour, path;
    thread_local std::vector<const Prim*> byLeft;
    DrawnContour(drawn, runOf, contour);
    ToolPath(compensated, runOf, path);
    const Real r = compensated.toolDiameter / 2.0;
    const Real limit = r - kGougeTolerance;
    if (!(limit > 0)) return g;
    // The contour sorted by the left edge of its boxes: a path element is compared only with the
    // elements whose boxes can come within the limit of its own (a long contour of short
    // elements then costs little more than its length).
    byLeft.clear();
    Real widest = 0;
    for (const Prim& q : contour) {
        byLeft.push_back(&q);
        widest = std::max(widest, q.maxX - q.minX);
    }
    std::sort(byLeft.begin(), byLeft.end(), [](const Prim* a, const Prim* b) { return a->minX < b->minX; });
    for (const Prim& p : path) {
        Real least = std::numeric_limits<Real>::infinity();
        int32_t into = 0;
        const Real from = p.minX - limit - widest;
        auto it = std::lower_bound(byLeft.begin(), byLeft.end(), from,
                                   [](const Prim* q, Real x) { return q->minX < x; });
        for (; it != byLeft.end() && (*it)->minX < p.maxX + limit; ++it) {
            const Prim& q = **it;
            if (q.run != p.run || BoxGap(p, q) >= limit) continue;
            const Real d = PrimDist(p, q);
            if (d < least || (d == least && q.source < into)) least = d, into = q.source;
        }
        if (least < limit) {
            g.found = true;
            g.element = p.source;
            g.into = into;
            g.depth = RoundToInt(r - least);
            return g;
        }
    }
    return g;
}

std::string GougeMessage(const char* shapeFile, const Gouge& g, int32_t toolDiameter) {
    // Numbers with a decimal point whatever the user's locale, as in the program text.
    return plat::StrFormatC("Error: GOUGE %s: element %d (line %d) cuts %.3f mm into element %d with the %g mm tool.",
                            shapeFile ? shapeFile : "", static_cast<int>(g.element), static_cast<int>(g.element) + 2,
                            g.depth * 0.001, static_cast<int>(g.into), toolDiameter * 0.001);
}

} // namespace shapecomp
