// Each drawn kind's record: its numbers read from its pairs, then drawn in its own coordinate
// system (extrusion direction, elevation) through the map of the block it stands in.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "read_entities.h"

using dxfgeom::AtanDeg;
using dxfgeom::CosSinDeg;
using dxfgeom::NormDeg;

namespace dxfread {

namespace {

bool MEntityFinite(const MEntity& e) {
    return Finite(e.x) && Finite(e.y) && Finite(e.x2) && Finite(e.y2) && Finite(e.radius) && Finite(e.height);
}

} // namespace

void Reader::EmitLineEnt(uint32_t b, uint32_t e, const Affine& m) {
    Common c;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    ReadOwnPairs(b, e, c, [&](const Pair& q) {
        switch (q.code) {
        case 10: x0 = Num(q); break;
        case 20: y0 = Num(q); break;
        case 11: x1 = Num(q); break;
        case 21: y1 = Num(q); break;
        default: break;
        }
    });
    if (c.paperSpace || error_) return;
    OutLine(x0, y0, x1, y1, m, c); // LINE points are in world coordinates
}

void Reader::EmitCircleArc(uint32_t b, uint32_t e, const Affine& m, bool arc) {
    Common c;
    double x = 0, y = 0, z = 0, r = 0, a0 = 0, a1 = 0;
    ReadOwnPairs(b, e, c, [&](const Pair& q) {
        switch (q.code) {
        case 10: x = Num(q); break;
        case 20: y = Num(q); break;
        case 30: z = Num(q); break;
        case 40: r = Num(q); break;
        case 50: a0 = Num(q); break;
        case 51: a1 = Num(q); break;
        default: break;
        }
    });
    if (c.paperSpace || error_) return;
    OutArc(x, y, r, NormDeg(a0), NormDeg(a1), false, !arc, m * OcsAffine(c.ext, z), c);
}

void Reader::EmitLwPolyline(uint32_t b, uint32_t e, const Affine& m) {
    Common c;
    int32_t flags = 0;
    double elevation = 0.0;
    verts_.clear();
    ReadOwnPairs(b, e, c, [&](const Pair& q) {
        switch (q.code) {
        case 70: flags = Int(q); break;
        case 38: elevation = Num(q); break;
        case 10: verts_.push_back(Vertex{Num(q), 0.0, 0.0}); break;
        case 20:
            if (!verts_.empty()) verts_.back().y = Num(q);
            break;
        case 42:
            if (!verts_.empty()) verts_.back().bulge = Num(q);
            break;
        default: break;
        }
    });
    if (c.paperSpace || error_) return;
    OutPolyline(verts_, (flags & 1) != 0, true, m * OcsAffine(c.ext, elevation), c);
}

void Reader::EmitPolyline(const EntRef& r, const Affine& m) {
    Common c;
    int32_t flags = 0;
    double elevation = 0.0;
    uint32_t i = EntityEnd(r.begin, r.end);
    ReadOwnPairs(r.begin, i, c, [&](const Pair& q) {
        if (q.code == 70) flags = Int(q);
        if (q.code == 30) elevation = Num(q);
    });
    // Polygon meshes (16) and polyface meshes (64) are surfaces, not outlines.
    if (c.paperSpace || error_ || (flags & (16 | 64)) != 0) return;
    const bool is3d = (flags & 8) != 0;
    verts_.clear();
    while (i < r.end && Is(p_[i].value(), "VERTEX")) {
        const uint32_t ve = EntityEnd(i, r.end);
        Vertex v{0.0, 0.0, 0.0};
        int32_t vflags = 0;
        for (uint32_t k = i + 1; k < ve; ++k) {
            const Pair& q = p_[k];
            switch (q.code) {
            case 10: v.x = Num(q); break;
            case 20: v.y = Num(q); break;
            case 42: v.bulge = Num(q); break;
            case 70: vflags = Int(q); break;
            default: break;
            }
        }
        // Spline frame control points are not on the curve.
        if ((vflags & 16) == 0) verts_.push_back(v);
        i = ve;
    }
    if (error_) return;
    // A 3D polyline has world coordinates and no bulges.
    OutPolyline(verts_, (flags & 1) != 0, !is3d, is3d ? m : m * OcsAffine(c.ext, elevation), c);
}

void Reader::EmitText(uint32_t b, uint32_t e, const Affine& m, MEntityKind kind, bool mtext) {
    Common c;
    double x = 0, y = 0, z = 0, h = 0, rot = 0, dirX = 0, dirY = 0;
    bool hasDir = false;
    std::string text;
    std::string_view tag;
    ReadOwnPairs(b, e, c, [&](const Pair& q) {
        switch (q.code) {
        case 10: x = Num(q); break;
        case 20: y = Num(q); break;
        case 30: z = Num(q); break;
        case 40: h = Num(q); break;
        case 50: rot = Num(q); break;
        case 11:
            dirX = Num(q);
            hasDir = true;
            break;
        case 21: dirY = Num(q); break;
        case 1:
        case 3:
            if (q.code == 1 || mtext) text.append(q.value().data(), q.value().size());
            break;
        case 2: tag = Trim(q.value()); break;
        default: break;
        }
    });
    if (c.paperSpace || error_) return;
    // MTEXT lies in world coordinates with its angle in radians or as a direction vector.
    double angle = rot;
    Affine t = m;
    if (mtext) {
        angle = hasDir ? AtanDeg(dirY, dirX) : rot * dxfgeom::kRadToDeg;
    } else {
        t = m * OcsAffine(c.ext, z);
    }
    MEntity en;
    en.kind = kind;
    t.Apply(x, y, en.x, en.y);
    double cs, sn, ux, uy;
    CosSinDeg(angle, cs, sn);
    ux = t.a * cs + t.b * sn;
    uy = t.c * cs + t.d * sn;
    en.rotation = AtanDeg(uy, ux);
    en.height = h * std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
    en.text = std::move(text);
    en.tag.assign(tag.data(), tag.size());
    en.color = c.color;
    en.layer.assign(c.layer.data(), c.layer.size());
    if (Admit(MEntityFinite(en))) out_.Text(std::move(en));
}
void Reader::EmitEllipse(uint32_t b, uint32_t e, const Affine& m) {
    Common c;
    double cx = 0, cy = 0, mx = 1, my = 0, mz = 0, ratio = 1, t0 = 0, t1 = 2 * dxfgeom::kPi;
    ReadOwnPairs(b, e, c, [&](const Pair& q) {
        switch (q.code) {
        case 10: cx = Num(q); break;
        case 20: cy = Num(q); break;
        case 11: mx = Num(q); break;
        case 21: my = Num(q); break;
        case 31: mz = Num(q); break;
        case 40: ratio = Num(q); break;
        case 41: t0 = Num(q); break;
        case 42: t1 = Num(q); break;
        default: break;
        }
    });
    if (c.paperSpace || error_) return;
    // Minor axis: extrusion x major axis, scaled by the ratio (world coordinates).
    const double* n = c.ext;
    const double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    double nx = 0, ny = 0, nz = 1;
    if (nl > 1e-12 && std::isfinite(nl)) {
        nx = n[0] / nl;
        ny = n[1] / nl;
        nz = n[2] / nl;
    }
    const double vx = (ny * mz - nz * my) * ratio;
    const double vy = (nz * mx - nx * mz) * ratio;
    const double twoPi = 2 * dxfgeom::kPi;
    double sweep = std::fmod(t1 - t0, twoPi);
    if (!(sweep > 1e-12)) sweep += twoPi;
    const int nseg = std::max(4, int(std::ceil(sweep * dxfgeom::kRadToDeg / kCurveStepDeg - 1e-9)));
    double px = cx + mx * std::cos(t0) + vx * std::sin(t0);
    double py = cy + my * std::cos(t0) + vy * std::sin(t0);
    for (int i = 1; i <= nseg && !error_; ++i) {
        const double t = t0 + sweep * double(i) / double(nseg);
        const double qx = cx + mx * std::cos(t) + vx * std::sin(t);
        const double qy = cy + my * std::cos(t) + vy * std::sin(t);
        OutLine(px, py, qx, qy, m, c);
        px = qx;
        py = qy;
    }
}

// A SPLINE record's numbers.
struct Reader::Spline {
    Common c;
    int32_t flags = 0, degree = 3;
    std::vector<double> knots, weights;
    std::vector<Vertex> ctrl, fit;
    double startTangent[2] = {0.0, 0.0}, endTangent[2] = {0.0, 0.0};
    bool hasStart = false, hasEnd = false;
};

void Reader::ReadSpline(uint32_t b, uint32_t e, Spline& s) {
    ReadOwnPairs(b, e, s.c, [&](const Pair& q) {
        switch (q.code) {
        case 70: s.flags = Int(q); break;
        case 71: s.degree = Int(q); break;
        case 40: s.knots.push_back(Num(q)); break;
        case 41: s.weights.push_back(Num(q)); break;
        case 10: s.ctrl.push_back(Vertex{Num(q), 0.0, 0.0}); break;
        case 20:
            if (!s.ctrl.empty()) s.ctrl.back().y = Num(q);
            break;
        case 11: s.fit.push_back(Vertex{Num(q), 0.0, 0.0}); break;
        case 21:
            if (!s.fit.empty()) s.fit.back().y = Num(q);
            break;
        case 12:
            s.startTangent[0] = Num(q);
            s.hasStart = true;
            break;
        case 22: s.startTangent[1] = Num(q); break;
        case 13:
            s.endTangent[0] = Num(q);
            s.hasEnd = true;
            break;
        case 23: s.endTangent[1] = Num(q); break;
        default: break;
        }
    });
}

namespace {

// Whether a spline of degree p with n control points can be evaluated: as many knots as it
// needs, in order, around a span that is not empty, and positive weights when it is rational.
bool CanEvaluate(const std::vector<double>& knots, const std::vector<double>& weights, size_t n, size_t p,
                 bool rational) {
    bool valid = p >= 1 && p <= 25 && n >= p + 1 && knots.size() == n + p + 1;
    for (size_t i = 1; valid && i < knots.size(); ++i) valid = knots[i] >= knots[i - 1];
    if (valid) valid = knots[n] > knots[p];
    for (size_t i = 0; valid && rational && i < n; ++i) valid = weights[i] > 0.0;
    return valid;
}

} // namespace

void Reader::EmitSpline(uint32_t b, uint32_t e, const Affine& m) {
    Spline s;
    ReadSpline(b, e, s);
    if (s.c.paperSpace || error_) return;
    const bool closed = (s.flags & 1) != 0;
    const size_t n = s.ctrl.size();
    const size_t p = s.degree > 0 ? size_t(s.degree) : 0;
    const bool rational = s.weights.size() == n;
    const bool valid = CanEvaluate(s.knots, s.weights, n, p, rational);
    if (!valid && n < 2 && s.fit.size() >= 2) {
        // Given by its fit points only: the curve through them.
        const std::vector<Vertex> curve = FitPointCurve(s.fit, closed, s.hasStart ? s.startTangent : nullptr,
                                                        s.hasEnd ? s.endTangent : nullptr);
        if (!curve.empty()) {
            OutPolyline(curve, false, false, m, s.c);
            return;
        }
    }
    if (!valid) {
        // Decision: a spline that cannot be evaluated is drawn as its control polygon, or through
        // its fit points when it has no control points.
        const std::vector<Vertex>& poly = n >= 2 ? s.ctrl : s.fit;
        OutPolyline(poly, closed && poly.size() > 2, false, m, s.c);
        return;
    }
    OutSplineCurve(s, p, rational, m);
}

// Samples spread over the non-empty knot spans, joined by lines.
void Reader::OutSplineCurve(const Spline& s, size_t p, bool rational, const Affine& m) {
    const std::vector<double>& knots = s.knots;
    const size_t n = s.ctrl.size();
    size_t spans = 0;
    for (size_t k = p; k < n; ++k)
        if (knots[k + 1] > knots[k]) ++spans;
    const size_t perSpan = std::clamp<size_t>(kMaxSplineSamples / std::max<size_t>(spans, 1), 1, 16);
    DeBoor curve(p, knots, s.ctrl, rational ? s.weights.data() : nullptr);
    double px = 0, py = 0;
    bool havePrev = false;
    for (size_t k = p; k < n && !error_; ++k) {
        if (!(knots[k + 1] > knots[k])) continue;
        for (size_t i = havePrev ? 1 : 0; i <= perSpan && !error_; ++i) {
            const double t = knots[k] + (knots[k + 1] - knots[k]) * double(i) / double(perSpan);
            double qx, qy;
            curve.Point(k, t, qx, qy);
            if (havePrev) OutLine(px, py, qx, qy, m, s.c);
            px = qx;
            py = qy;
            havePrev = true;
        }
    }
}

} // namespace dxfread
