// The compensated path against an offset computed here, element by element, from the drawn
// contour alone: each line moved by r to the tool's side, each arc made concentric with radius
// R + r or R - r, an inner corner where the two offsets meet, an outer corner a turn of radius
// r about the drawn corner, the start and the end moved square to the contour. Every working
// end point and every arc centre the compiler produces must lie within 0.001 mm of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>

#include "shape_test_util.h"
#include "shapecomp/gouge.h"

using namespace shapecomp;

namespace {

struct V {
    double x, y;
};
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y}; }
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y}; }
V operator*(double k, V a) { return {k * a.x, k * a.y}; }
double Dot(V a, V b) { return a.x * b.x + a.y * b.y; }
double Cross(V a, V b) { return a.x * b.y - a.y * b.x; }
double Len(V a) { return std::hypot(a.x, a.y); }
V Unit(V a) { return (1 / Len(a)) * a; }
V Rot90(V a, int sign) { return sign > 0 ? V{-a.y, a.x} : V{a.y, -a.x}; }

// A drawn element as the test sees it: a segment, or an arc about c from s to e.
struct Drawn {
    bool arc = false;
    V s{}, e{}, c{};
    bool ccw = false;
};

V TangentAt(const Drawn& d, V p) {
    if (!d.arc) return Unit(d.e - d.s);
    return Rot90(Unit(p - d.c), d.ccw ? 1 : -1);
}

// Normal toward the tool: side -1 turns the direction right, side 1 left.
V ToolNormal(V tangent, int side) { return Rot90(tangent, side); }

// The offset of a drawn element: a line through a point with a direction, or a circle.
struct Offset {
    bool circle;
    V p, u;        // line
    V c;           // circle
    double radius; // circle
};

Offset OffsetOf(const Drawn& d, int side, double r) {
    const V n = ToolNormal(TangentAt(d, d.e), side);
    if (!d.arc) return {false, d.e + r * n, Unit(d.e - d.s), {}, 0};
    return {true, {}, {}, d.c, Len(d.e + r * n - d.c)};
}

// Meeting points of two offsets (both roots where there are two).
std::vector<V> Meet(const Offset& a, const Offset& b) {
    std::vector<V> out;
    if (!a.circle && !b.circle) {
        const double den = Cross(a.u, b.u);
        if (std::fabs(den) < 1e-12) return out;
        const double t = Cross(b.p - a.p, b.u) / den;
        out.push_back(a.p + t * a.u);
    } else if (a.circle != b.circle) {
        const Offset& l = a.circle ? b : a;
        const Offset& c = a.circle ? a : b;
        const V w = l.p - c.c;
        const double bq = Dot(l.u, w), k = Dot(w, w) - c.radius * c.radius, disc = bq * bq - k;
        if (disc < 0) return out;
        for (double sgn : {1.0, -1.0}) out.push_back(l.p + (-bq + sgn * std::sqrt(disc)) * l.u);
    } else {
        const V dc = b.c - a.c;
        const double d = Len(dc);
        if (d < 1e-9) return out;
        const double x = (d * d + a.radius * a.radius - b.radius * b.radius) / (2 * d);
        const double h2 = a.radius * a.radius - x * x;
        if (h2 < 0) return out;
        const V ux = Unit(dc), uy = Rot90(ux, 1);
        for (double sgn : {1.0, -1.0}) out.push_back(a.c + x * ux + (sgn * std::sqrt(h2)) * uy);
    }
    return out;
}

// One element of the expected path: its working end point and, for arcs, its centre.
struct Expected {
    bool cornerArc;
    V end;
    bool arc;
    V centre;
    int sweepSign; // corner arcs: +1 counter-clockwise, -1 clockwise
};

struct Contour {
    const char* what;
    V start;
    std::vector<Drawn> drawn;
    std::vector<ShapeElement> elements;
};

// Builds a contour from its start: lines and arcs given by end point and centre.
class Builder {
public:
    Builder(const char* what, double x, double y) { c_.what = what, c_.start = {x, y}, at_ = c_.start; }
    Builder& L(double x, double y) {
        c_.drawn.push_back({false, at_, {x, y}, {}, false});
        c_.elements.push_back(sctest::Line(Mm(x), Mm(y)));
        at_ = {x, y};
        return *this;
    }
    // Arc to (x, y) about (cx, cy); the end must lie on the circle of the start.
    Builder& A(double x, double y, double cx, double cy, bool ccw) {
        const V s = at_, e{x, y}, c{cx, cy};
        EXPECT_NEAR(Len(s - c), Len(e - c), 1e-9) << c_.what << ": arc end off its circle";
        double sweep = std::atan2(e.y - c.y, e.x - c.x) - std::atan2(s.y - c.y, s.x - c.x);
        sweep *= 180 / M_PI;
        if (ccw && sweep <= 0) sweep += 360;
        if (!ccw && sweep >= 0) sweep -= 360;
        c_.drawn.push_back({true, s, e, c, ccw});
        c_.elements.push_back(sctest::Arc(Mm(x), Mm(y), Mm(cx), Mm(cy), static_cast<int32_t>(std::lround(sweep * 1000))));
        at_ = e;
        return *this;
    }
    // Arc about (cx, cy) through `degrees` (positive counter-clockwise), its end point rounded to
    // the thousandth as a shape file holds it.
    Builder& Turn(double cx, double cy, double degrees) {
        const V c{cx, cy};
        const double a = std::atan2(at_.y - c.y, at_.x - c.x) + degrees * M_PI / 180, R = Len(at_ - c);
        const V e{std::round((c.x + R * std::cos(a)) * 1000) / 1000, std::round((c.y + R * std::sin(a)) * 1000) / 1000};
        c_.drawn.push_back({true, at_, e, c, degrees > 0});
        c_.elements.push_back(sctest::Arc(Mm(e.x), Mm(e.y), Mm(cx), Mm(cy), static_cast<int32_t>(std::lround(degrees * 1000))));
        at_ = e;
        return *this;
    }
    V At() const { return at_; }
    Contour Done() const { return c_; }

private:
    static int32_t Mm(double v) { return static_cast<int32_t>(std::lround(v * 1000)); }
    Contour c_;
    V at_{};
};

// The expected path of a contour of lines and arcs (coordinates in thousandths).
std::vector<Expected> ExpectedPath(const Contour& c, int side, double r, V& offsetStart) {
    std::vector<Drawn> d = c.drawn;
    for (Drawn& e : d) {
        e.s = 1000 * e.s, e.e = 1000 * e.e, e.c = 1000 * e.c;
    }
    offsetStart = d[0].s + r * ToolNormal(TangentAt(d[0], d[0].s), side);
    std::vector<Expected> out;
    for (size_t i = 0; i < d.size(); ++i) {
        const Drawn& cur = d[i];
        const V t1 = TangentAt(cur, cur.e);
        const V n1 = ToolNormal(t1, side);
        Expected x{false, cur.e + r * n1, cur.arc, cur.c, 0};
        if (i + 1 == d.size()) {
            out.push_back(x); // the last element ends square to its exit direction
            break;
        }
        const Drawn& next = d[i + 1];
        const V t2 = TangentAt(next, cur.e);
        const V n2 = ToolNormal(t2, side);
        const double turn = Cross(t1, t2); // > 0 a left turn
        // Smooth: tangent, up to the thousandth a rounded end point turns a line.
        const bool smooth = std::fabs(turn) < 1e-4 && Dot(t1, t2) > 0;
        const bool outer = !smooth && (std::fabs(turn) < 1e-9 || (side == -1 ? turn > 0 : turn < 0));
        if (outer) {
            out.push_back(x);
            out.push_back({true, cur.e + r * n2, true, cur.e, side == -1 ? 1 : -1});
            continue;
        }
        if (!smooth) {
            // Inner corner: where the two offsets meet, the root nearest to the drawn corner.
            const std::vector<V> m = Meet(OffsetOf(cur, side, r), OffsetOf(next, side, r));
            EXPECT_FALSE(m.empty()) << c.what << ": offsets do not meet at element " << i;
            if (!m.empty()) {
                x.end = m[0];
                for (const V& p : m)
                    if (Len(p - cur.e) < Len(x.end - cur.e)) x.end = p;
            }
        }
        out.push_back(x);
    }
    return out;
}

std::vector<Contour> MakeTable() {
    std::vector<Contour> t;
    t.push_back(Builder("polyline turning both ways", 0, 0).L(50, 0).L(80, 30).L(120, 10).L(160, 10).L(170, 60).Done());
    t.push_back(Builder("line, counter-clockwise arc at corners, line", 0, 0)
                    .L(50, 0).A(80, -30, 80, 0, true).L(80, -80).L(130, -80).Done());
    t.push_back(Builder("line, clockwise arc at corners, line", 0, 0)
                    .L(50, 0).A(80, 30, 80, 0, false).L(80, 80).L(130, 80).Done());
    t.push_back(Builder("two counter-clockwise arcs at a corner", 0, 0)
                    .A(50, -50, 50, 0, true).A(120, -60, 90, -20, true).L(170, -60).Done());
    t.push_back(Builder("two clockwise arcs at a corner", 0, 0)
                    .A(50, 50, 50, 0, false).A(120, 60, 90, 20, false).L(170, 60).Done());
    t.push_back(Builder("counter-clockwise arc into clockwise arc", 0, 0)
                    .A(50, -50, 50, 0, true).A(120, -40, 90, -80, false).L(170, -40).Done());
    t.push_back(Builder("clockwise arc into counter-clockwise arc", 0, 0)
                    .A(50, 50, 50, 0, false).A(120, 40, 90, 80, true).L(170, 40).Done());
    t.push_back(Builder("last element a counter-clockwise arc at a right turn", 0, 0)
                    .L(50, 0).A(80, -30, 80, 0, true).Done());
    t.push_back(Builder("last element a clockwise arc at a left turn", 0, 0)
                    .L(50, 0).A(80, 30, 80, 0, false).Done());
    t.push_back(Builder("last element an arc after an arc", 0, 0)
                    .A(50, -50, 50, 0, true).A(120, -60, 90, -20, true).Done());
    t.push_back(Builder("last element an arc of 270 degrees", 0, 0).L(50, 0).A(80, 30, 80, 0, true).Done());
    t.push_back(Builder("closed contour started mid-edge, rounded, sharp and notched corners", 50, 0)
                    .L(80, 0).A(100, 20, 80, 20, true).L(100, 80).L(75, 80).A(45, 80, 60, 80, false).L(20, 80)
                    .A(0, 60, 20, 60, true).L(0, 20).A(20, 0, 20, 20, true).L(50, 0).Done());
    t.push_back(Builder("slot of tangent arcs, closed mid-edge", 0, -15)
                    .L(40, -15).A(40, 15, 40, 0, true).L(-40, 15).A(-40, -15, -40, 0, true).L(0, -15).Done());
    t.push_back(Builder("reversal", 0, 0).L(60, 0).L(0, 0).L(-50, 0).Done());
    t.push_back(Builder("lens of two counter-clockwise arcs, closed mid-arc", 40, -20)
                    .A(80, 0, 40, 30, true).A(0, 0, 40, -30, true).A(40, -20, 40, 30, true).Done());
    return t;
}

V Rounded(V p) { return {std::round(p.x * 1000) / 1000, std::round(p.y * 1000) / 1000}; }

// Arcs from half a turn to a full turn, counter-clockwise and clockwise, about (100, 50) with a
// radius of 40 mm, started at 37 degrees round it: alone, between tangent lines, and entered
// along the radius from the tool's side (an inner corner).
std::vector<Contour> ArcTable(int side, std::vector<std::string>& names) {
    const double sweeps[] = {180, 200, 270, 300, 330, 345, 355, 357, 358, 359, 359.5, 359.9, 359.99, 359.999, 360};
    const V c{100, 50};
    const double R = 40, a0 = 37 * M_PI / 180;
    const V radial{std::cos(a0), std::sin(a0)};
    const V s = Rounded(c + R * radial);
    std::vector<Contour> out;
    for (double sweep : sweeps) {
        for (int dir : {1, -1}) {
            const double deg = dir * sweep;
            const bool outside = (side == -1) == (dir > 0); // the tool runs outside the arc
            const V tangent = Rot90(radial, dir);
            std::ostringstream what;
            what << sweep << " degrees " << (dir > 0 ? "counter-clockwise" : "clockwise");
            names.push_back(what.str() + ", alone");
            out.push_back(Builder(names.back().c_str(), s.x, s.y).Turn(c.x, c.y, deg).Done());

            // Lines beside the arc only where the drawing leaves the tool room: tangent lines
            // where it runs outside (inside, a line leaving the circle's offset comes within the
            // tool's radius of the rest of the circle), and lines in general only while the arc's
            // far end stays clear of them (the tool coming round would cut them).
            if (outside && sweep <= 290) {
                const V in = Rounded(s - 20 * tangent);
                Builder tangentLines(nullptr, in.x, in.y);
                tangentLines.L(s.x, s.y).Turn(c.x, c.y, deg);
                const V e = tangentLines.At();
                const V out1 = Rounded(e + 20 * Rot90(Unit(e - c), dir));
                names.push_back(what.str() + ", between tangent lines");
                out.push_back(tangentLines.L(out1.x, out1.y).Done());
            }

            const V from = Rounded(c + (outside ? R + 30 : R - 35) * radial);
            if (sweep > 300) continue;
            names.push_back(what.str() + ", entered along the radius");
            out.push_back(Builder(nullptr, from.x, from.y).L(s.x, s.y).Turn(c.x, c.y, deg).Done());
        }
    }
    return out;
}

std::string Where(const Contour& c, int side, int32_t tool, size_t i) {
    std::ostringstream os;
    os << c.what << ", side " << side << ", tool " << tool / 1000.0 << " mm, path element " << i;
    return os.str();
}

} // namespace

TEST(OffsetGeometry, EveryEndPointAndCentreLiesOnTheIndependentOffset) {
    constexpr double kTol = 1.0; // 0.001 mm
    double worstEnd = 0, worstCentre = 0;
    for (const Contour& c : MakeTable()) {
        for (int side : {-1, 1}) {
            for (int32_t tool : {6000, 20000}) {
                ShapeDescription s = sctest::Shape(side, tool, static_cast<int32_t>(c.start.x * 1000),
                                                   static_cast<int32_t>(c.start.y * 1000), c.elements);
                const ShapeDescription drawn = s;
                sctest::Compensate(s);
                // A path on the offset never cuts into its contour: the gouge check lets it pass.
                EXPECT_FALSE(FindGouge(drawn, s).found) << Where(c, side, tool, 0);
                V start{};
                const std::vector<Expected> want = ExpectedPath(c, side, tool / 2.0, start);
                EXPECT_NEAR(s.offsetStartX, start.x, kTol) << Where(c, side, tool, 0) << " start";
                EXPECT_NEAR(s.offsetStartY, start.y, kTol) << Where(c, side, tool, 0) << " start";
                ASSERT_EQ(s.elements.size(), want.size()) << Where(c, side, tool, 0) << ": corner arcs";
                for (size_t i = 0; i < want.size(); ++i) {
                    const ShapeElement& e = s.elements[i];
                    const Expected& x = want[i];
                    EXPECT_EQ(e.checkExempt != 0 && e.type == kArc, x.cornerArc) << Where(c, side, tool, i);
                    const double dEnd = std::hypot(e.workEndX - x.end.x, e.workEndY - x.end.y);
                    worstEnd = std::max(worstEnd, dEnd);
                    EXPECT_LE(dEnd, kTol) << Where(c, side, tool, i) << ": end (" << e.workEndX << ", " << e.workEndY
                                          << ") wanted (" << x.end.x << ", " << x.end.y << ")";
                    if (!x.arc) continue;
                    // Centres are recomputed from the rounded end points and the working sweep in
                    // thousandths of a degree: each coordinate within 0.001 mm.
                    const double dCentre = std::max(std::fabs(e.centreX - x.centre.x), std::fabs(e.centreY - x.centre.y));
                    worstCentre = std::max(worstCentre, dCentre);
                    EXPECT_LE(dCentre, kTol) << Where(c, side, tool, i) << ": centre (" << e.centreX << ", "
                                             << e.centreY << ") wanted (" << x.centre.x << ", " << x.centre.y << ")";
                    if (x.cornerArc) {
                        EXPECT_EQ(e.workSweep > 0 ? 1 : -1, x.sweepSign) << Where(c, side, tool, i);
                    }
                }
            }
        }
    }
    std::cout << "worst end point " << worstEnd << " um, worst centre " << worstCentre << " um\n";
}

TEST(OffsetGeometry, ArcsUpToAFullTurnLieOnTheIndependentOffset) {
    constexpr double kTol = 1.0; // 0.001 mm
    double worstEnd = 0, worstCentre = 0;
    for (int side : {-1, 1}) {
        std::vector<std::string> names;
        names.reserve(200);
        std::vector<Contour> table = ArcTable(side, names);
        for (size_t n = 0; n < table.size(); ++n) {
            Contour& c = table[n];
            c.what = names[n].c_str();
            for (int32_t tool : {3000, 8000, 30000}) {
                ShapeDescription s = sctest::Shape(side, tool, static_cast<int32_t>(std::lround(c.start.x * 1000)),
                                                   static_cast<int32_t>(std::lround(c.start.y * 1000)), c.elements);
                const ShapeDescription drawn = s;
                sctest::Compensate(s);
                const Gouge g = FindGouge(drawn, s);
                EXPECT_FALSE(g.found) << Where(c, side, tool, 0) << ": gouge of " << g.depth << " at element " << g.element;
                V start{};
                const std::vector<Expected> want = ExpectedPath(c, side, tool / 2.0, start);
                EXPECT_NEAR(s.offsetStartX, start.x, kTol) << Where(c, side, tool, 0) << " start";
                EXPECT_NEAR(s.offsetStartY, start.y, kTol) << Where(c, side, tool, 0) << " start";
                EXPECT_EQ(s.elements.size(), want.size()) << Where(c, side, tool, 0) << ": corner arcs";
                if (s.elements.size() != want.size()) continue;
                V prev{static_cast<double>(s.offsetStartX), static_cast<double>(s.offsetStartY)};
                for (size_t i = 0; i < want.size(); ++i) {
                    const ShapeElement& e = s.elements[i];
                    const Expected& x = want[i];
                    const double dEnd = std::hypot(e.workEndX - x.end.x, e.workEndY - x.end.y);
                    worstEnd = std::max(worstEnd, dEnd);
                    EXPECT_LE(dEnd, kTol) << Where(c, side, tool, i) << ": end (" << e.workEndX << ", " << e.workEndY
                                          << ") wanted (" << x.end.x << ", " << x.end.y << ")";
                    if (x.arc) {
                        const double dCentre = std::hypot(e.centreX - x.centre.x, e.centreY - x.centre.y);
                        worstCentre = std::max(worstCentre, dCentre);
                        EXPECT_LE(dCentre, kTol) << Where(c, side, tool, i) << ": centre (" << e.centreX << ", "
                                                 << e.centreY << ") wanted (" << x.centre.x << ", " << x.centre.y << ")";
                        // The controller turns from the start to the end the way the sweep says:
                        // a drawn turn of more than half a circle stays more than half a circle.
                        const V cc{static_cast<double>(e.centreX), static_cast<double>(e.centreY)};
                        double turn = std::atan2(e.workEndY - cc.y, e.workEndX - cc.x) - std::atan2(prev.y - cc.y, prev.x - cc.x);
                        if (e.sweep < 1) turn = -turn;
                        turn = std::fmod(turn + 4 * M_PI, 2 * M_PI);
                        if (turn <= 1e-12) turn += 2 * M_PI; // start and end one point: a full turn
                        if (!x.cornerArc) {
                            EXPECT_NEAR(turn * 180 / M_PI, std::abs(e.workSweep) / 1000.0, 0.01) << Where(c, side, tool, i);
                        }
                    }
                    prev = {static_cast<double>(e.workEndX), static_cast<double>(e.workEndY)};
                }
            }
        }
    }
    std::cout << "arcs to a full turn: worst end point " << worstEnd << " um, worst centre " << worstCentre << " um\n";
}
