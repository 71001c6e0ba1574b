// Tool-radius compensation of a shape's contour.
#include "shapecomp/compensation.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "shapecomp/message_sink.h"

namespace shapecomp {

namespace {

struct Pt {
    Real x, y;
};

int32_t Clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// base + k * delta without int32 overflow.
int32_t Move(int32_t base, int64_t k, int32_t delta) {
    return Clamp32(static_cast<int64_t>(base) + k * static_cast<int64_t>(delta));
}

Real Cos(Real deg) { return std::cos(DegToRad(deg)); }
Real Sin(Real deg) { return std::sin(DegToRad(deg)); }

// Angle in degrees into (-180, 180].
Real Wrap180(Real a) {
    a = NormalizeDegrees(a);
    return a > 180 ? a - 360 : a;
}

// Tangent direction of a drawn arc at a point of its circle: square to the radius, turned the
// way the arc runs. False when the point stands on the centre (or the arc is a corner arc,
// whose drawn circle is its corner point).
bool ArcTangentAt(const ShapeElement& arc, Real px, Real py, Real& deg) {
    if (arc.cornerArc) return false;
    const Real dx = px - arc.centreX, dy = py - arc.centreY;
    if (std::fabs(dx) < 1 && std::fabs(dy) < 1) return false;
    deg = NormalizeDegrees(RadToDeg(std::atan2(dy, dx)) + (arc.sweep > 0 ? 90 : -90));
    return true;
}

// Direction of an element from the point before it: atan2 when the X difference is at least 1,
// else straight up or down; an arc subtracts half its sweep to give its start direction.
// `degenerate` is used when both differences are below 1 (only inside the contour walk).
// A drawn arc takes the tangent at its start from its centre instead: the chord of an arc near a
// full turn is too short to give a direction, and the sweep, in whole thousandths of a degree,
// too coarse.
Real ElementDirection(int32_t fromX, int32_t fromY, const ShapeElement& e, bool first, Real degenerate) {
    Real tangent;
    if (e.IsArc() && ArcTangentAt(e, fromX, fromY, tangent)) return tangent;
    const Real dx = static_cast<Real>(e.endX) - fromX;
    const Real dy = static_cast<Real>(e.endY) - fromY;
    const Real halfSweep = e.sweep / 2000.0;
    Real a;
    if (std::fabs(dx) >= 1) {
        a = RadToDeg(std::atan2(dy, dx));
        if (e.IsArc()) a -= halfSweep;
    } else {
        if (!first && std::fabs(dy) < 1) a = degenerate;
        else a = dy > 0 ? 90 : 270;
        if (e.IsArc() && (first || !e.checkExempt)) a -= halfSweep;
    }
    return NormalizeDegrees(a);
}

// Direction in which an element leaves its end point: its start direction turned by its sweep,
// or, for a drawn arc, the tangent at its end point from its centre.
Real ExitDirection(const ShapeElement& e) {
    Real tangent;
    if (e.IsArc() && ArcTangentAt(e, e.endX, e.endY, tangent)) return tangent;
    return e.direction + (e.IsArc() ? e.sweep / 1000.0 : 0);
}

// Angle in degrees of a point about a centre; false when they coincide.
bool AngleAbout(Real px, Real py, Real cx, Real cy, Real& deg) {
    if (px == cx && py == cy) return false;
    deg = RadToDeg(std::atan2(py - cy, px - cx));
    return true;
}

void SetWorkEnd(ShapeElement& e, Pt p) {
    e.workEndX = RoundToInt(p.x);
    e.workEndY = RoundToInt(p.y);
}

// Offset radius of an arc: outside (R + r) when the tool runs outside it (right side with a
// counter-clockwise arc, left side with a clockwise one), else inside (R - r).
Real OffsetRadius(Real R, const ShapeElement& arc, int side, int32_t rInt) {
    const bool ccw = arc.sweep > 0;
    const bool outside = (side == -1 && ccw) || (side == 1 && !ccw);
    return outside ? R + rInt : R - rInt;
}

// Meeting point of the offset of a line through `corner` with direction `dirDeg` and a circle.
// The line's offset passes through corner + r * n (n: the tool-side normal); of the two
// meeting points the one nearest to that offset corner is taken.
bool LineCircle(Pt corner, Real dirDeg, int side, int32_t rInt, Pt c, Real radius, Pt& m) {
    if (!(radius > 0)) return false;
    const Pt u{Cos(dirDeg), Sin(dirDeg)};
    const Pt n{Cos(dirDeg + side * 90), Sin(dirDeg + side * 90)};
    const Pt p0{corner.x + rInt * n.x, corner.y + rInt * n.y};
    const Pt w{p0.x - c.x, p0.y - c.y};
    const Real b = u.x * w.x + u.y * w.y;
    const Real k = w.x * w.x + w.y * w.y - radius * radius;
    const Real disc = b * b - k;
    if (!(disc >= 0) || !std::isfinite(disc)) return false;
    const Real root = std::sqrt(disc);
    const Real t1 = -b + root, t2 = -b - root;
    const Real t = std::fabs(t1) <= std::fabs(t2) ? t1 : t2;
    m = {p0.x + t * u.x, p0.y + t * u.y};
    return true;
}

// Line then arc: the line's working end point is the meeting point of the line's offset and
// the arc's offset circle; the arc's working sweep loses the angle cut off at its start.
bool LineArcIntersection(ShapeElement& line, ShapeElement& arc, int side, int32_t rInt) {
    const Pt e{static_cast<Real>(line.endX), static_cast<Real>(line.endY)};
    const Pt c{static_cast<Real>(arc.centreX), static_cast<Real>(arc.centreY)};
    const Real R = std::hypot(e.x - c.x, e.y - c.y);
    if (!(R > 0)) return false;
    Pt m;
    if (!LineCircle(e, line.direction, side, rInt, c, OffsetRadius(R, arc, side, rInt), m)) return false;
    Real aE, aM;
    if (!AngleAbout(e.x, e.y, c.x, c.y, aE) || !AngleAbout(m.x, m.y, c.x, c.y, aM)) return false;
    SetWorkEnd(line, m);
    arc.workSweep = Clamp32(static_cast<int64_t>(arc.sweep) - static_cast<int64_t>(std::trunc(Wrap180(aM - aE) * 1000)));
    return true;
}

// Arc then line: the arc's working end point is the meeting point of its offset circle and
// the line's offset; its working sweep loses the angle cut off at its end.
bool ArcLineIntersection(ShapeElement& arc, const ShapeElement& line, int side, int32_t rInt) {
    const Pt e{static_cast<Real>(arc.endX), static_cast<Real>(arc.endY)};
    const Pt c{static_cast<Real>(arc.centreX), static_cast<Real>(arc.centreY)};
    const Real R = std::hypot(e.x - c.x, e.y - c.y);
    if (!(R > 0)) return false;
    Pt m;
    if (!LineCircle(e, line.direction, side, rInt, c, OffsetRadius(R, arc, side, rInt), m)) return false;
    Real aE, aM;
    if (!AngleAbout(e.x, e.y, c.x, c.y, aE) || !AngleAbout(m.x, m.y, c.x, c.y, aM)) return false;
    SetWorkEnd(arc, m);
    arc.workSweep = Clamp32(static_cast<int64_t>(arc.workSweep) + static_cast<int64_t>(std::trunc(Wrap180(aM - aE) * 1000)));
    return true;
}

// Arc then arc: the law of cosines in the triangle of the two centres and the drawn corner
// tells on which side of the centre line the corner lies; in the triangle of the two centres
// and the offset radii it places the meeting point on the first arc's offset circle.
// `msgDrawn` and `msgOffset` (or null) are shown when the respective triangle does not close.
bool ArcArcIntersection(ShapeElement& a, ShapeElement& b, int side, int32_t rInt, const char* msgDrawn,
                        const char* msgOffset) {
    const Pt e{static_cast<Real>(a.endX), static_cast<Real>(a.endY)};
    const Pt ca{static_cast<Real>(a.centreX), static_cast<Real>(a.centreY)};
    const Pt cb{static_cast<Real>(b.centreX), static_cast<Real>(b.centreY)};
    const Real ra = std::hypot(e.x - ca.x, e.y - ca.y);
    const Real rb = std::hypot(e.x - cb.x, e.y - cb.y);
    const Real d = std::hypot(cb.x - ca.x, cb.y - ca.y);
    auto fail = [](const char* msg) {
        if (msg) ShowMessage(msg, "Errore");
        return false;
    };
    if (!(d > 0) || !(ra > 0) || !(rb > 0)) return fail(msgDrawn);
    const Real cosDrawn = (d * d + ra * ra - rb * rb) / (2 * d * ra);
    if (!(std::fabs(cosDrawn) <= 1 + 1e-9)) return fail(msgDrawn);
    const Real oa = OffsetRadius(ra, a, side, rInt);
    const Real ob = OffsetRadius(rb, b, side, rInt);
    if (!(oa > 0) || !(ob > 0)) return fail(msgOffset);
    const Real cosOffset = (d * d + oa * oa - ob * ob) / (2 * d * oa);
    if (!(std::fabs(cosOffset) <= 1)) return fail(msgOffset);
    const Real base = std::atan2(cb.y - ca.y, cb.x - ca.x);
    const Real cross = (cb.x - ca.x) * (e.y - ca.y) - (cb.y - ca.y) * (e.x - ca.x);
    const Real turn = (cross >= 0 ? 1 : -1) * std::acos(cosOffset);
    const Pt m{ca.x + oa * std::cos(base + turn), ca.y + oa * std::sin(base + turn)};
    Real aEa, aMa, aEb, aMb;
    if (!AngleAbout(e.x, e.y, ca.x, ca.y, aEa) || !AngleAbout(m.x, m.y, ca.x, ca.y, aMa) ||
        !AngleAbout(e.x, e.y, cb.x, cb.y, aEb) || !AngleAbout(m.x, m.y, cb.x, cb.y, aMb))
        return false;
    SetWorkEnd(a, m);
    a.workSweep = Clamp32(static_cast<int64_t>(a.workSweep) + RoundToInt(Wrap180(aMa - aEa) * 1000));
    b.workSweep = Clamp32(static_cast<int64_t>(b.workSweep) - RoundToInt(Wrap180(aMb - aEb) * 1000));
    return true;
}

} // namespace

void AdjustWorkingSweep(ShapeElement& cur, ShapeElement& next) {
    // Differences of angles about a centre are taken the short way round, so that an angle
    // crossing 0 degrees does not add a whole turn to the sweep.
    auto cut = [](const ShapeElement& centreOf, Real fromX, Real fromY, Real toX, Real toY, int32_t& out) {
        Real a0, a1;
        const Real cx = centreOf.centreX, cy = centreOf.centreY;
        if (!AngleAbout(fromX, fromY, cx, cy, a0) || !AngleAbout(toX, toY, cx, cy, a1)) return false;
        out = RoundToInt(Wrap180(a1 - a0) * 1000);
        return true;
    };
    int32_t delta;
    if (cur.IsArc()) {
        // The arc's working end point falls short of (or beyond) its drawn end point.
        if (cut(cur, cur.workEndX, cur.workEndY, cur.endX, cur.endY, delta))
            cur.workSweep = Clamp32(static_cast<int64_t>(cur.workSweep) - delta);
        if (next.IsArc() && cut(next, cur.endX, cur.endY, cur.workEndX, cur.workEndY, delta))
            next.workSweep = Clamp32(static_cast<int64_t>(next.workSweep) - delta);
    } else if (next.IsArc()) {
        if (cut(next, cur.endX, cur.endY, cur.workEndX, cur.workEndY, delta))
            next.workSweep = Clamp32(static_cast<int64_t>(next.sweep) - delta);
    }
}

bool CheckArcDiameter(const ShapeElement& e, ShapeDescription& shape) {
    if (!e.IsArc() || e.checkExempt) return true;
    const Real dist = std::hypot(static_cast<Real>(e.endX) - e.centreX, static_cast<Real>(e.endY) - e.centreY);
    const int32_t diameter = Clamp32(2 * static_cast<int64_t>(RoundToInt(dist)));
    if (e.sweep < 0 && diameter < shape.minArcDiamCW) shape.minArcDiamCW = diameter;
    if (e.sweep > 0 && diameter < shape.minArcDiamCCW) shape.minArcDiamCCW = diameter;
    return shape.toolDiameter < diameter;
}

namespace {
// Whether an arc from (px, py) to its working end about its centre, turned the way its sweep
// says, covers less than half a circle.
bool ShortWayRound(const ShapeElement& e, int32_t px, int32_t py) {
    const Real from = std::atan2(static_cast<Real>(py) - e.centreY, static_cast<Real>(px) - e.centreX);
    const Real to = std::atan2(static_cast<Real>(e.workEndY) - e.centreY, static_cast<Real>(e.workEndX) - e.centreX);
    Real turn = RadToDeg(e.sweep < 1 ? from - to : to - from);
    turn = NormalizeDegrees(turn);
    return turn > 0 && turn < 180;
}
} // namespace

int ComputeArcCentres(ShapeDescription& shape) {
    if (shape.side == 2) return 1;
    int32_t px = shape.offsetStartX, py = shape.offsetStartY;
    for (ShapeElement& e : shape.elements) {
        if (e.IsArc()) {
            // The offset of an arc is concentric with it: the centre as drawn. A corner arc turns
            // about the corner it goes round.
            if (e.cornerArc) {
                e.centreX = e.endX;
                e.centreY = e.endY;
            }
            const Real chord = std::hypot(static_cast<Real>(e.workEndX) - px, static_cast<Real>(e.workEndY) - py);
            const bool halfTurnOrMore = std::llabs(static_cast<long long>(e.workSweep)) >= 180000;
            if (chord < kNullArcChord && !halfTurnOrMore) {
                // Start and end meet on an arc of little sweep: no arc to cut (the generator notes
                // a null arc); written with these ends the controller would cut a whole circle.
                e.centreX = e.workEndX;
                e.centreY = e.workEndY;
            } else if (chord < kNullArcChord && ShortWayRound(e, px, py)) {
                // A turn of nearly a whole circle whose rounded end stands a hair ahead of its
                // start: ended exactly where it starts, the controller turns the whole circle
                // instead of the sliver between the two points.
                e.workEndX = px;
                e.workEndY = py;
            }
        }
        px = e.workEndX;
        py = e.workEndY;
    }
    return 1;
}

namespace {

// The corner where the current element meets the next one.
struct Corner {
    Real h;      // reversed exit direction of the current element, in [0, 360)
    Real Q;      // start direction of the next element
    Real V, g;   // bisector and half angle of the corner
    Real Z;      // distance of the offset corner from the drawn one
    int32_t f;   // turn angle, whole degrees in [0, 360)
    Real X, Y;   // turn between the chords, in whole and in fractional thousandths of the sweeps
};

// Keeps a negative angle's value within [0, 360); a positive one stays as it is.
Real RaiseNegative(Real v) {
    if (v < 0) {
        v = std::fmod(v, 360.0);
        if (v < 0) v += 360;
    }
    return v;
}

// Measures the corner between `cur` and `nxt` for a tool of radius r, and gives `nxt` its start
// direction.
Corner MeasureCorner(const ShapeElement& cur, ShapeElement& nxt, Real r) {
    Corner c;
    // h is kept in [0, 360) so that the bisector never meets a half angle of 180 degrees (a
    // reversal in disguise).
    c.h = NormalizeDegrees(ExitDirection(cur) + 180);
    c.Q = ElementDirection(cur.endX, cur.endY, nxt, false, c.h + 180);
    nxt.direction = c.Q;
    if (c.h > c.Q) {
        c.V = (c.h + c.Q) / 2;
        c.g = (c.h - c.Q) / 2;
    } else if (c.h < c.Q) {
        c.V = (c.h + c.Q) / 2 + 180;
        c.g = (c.h - c.Q) / 2;
    } else {
        c.V = c.h;
        c.g = 0;
    }
    const Real sinG = Sin(c.g);
    c.Z = (std::fabs(c.g) <= 0.1 || std::fabs(sinG) < 1e-12) ? r : std::fabs(r / sinG);
    c.f = RoundToInt(c.h - 180 - c.Q) % 360;
    if (c.f < 0) c.f += 360;
    c.X = RaiseNegative(c.h - cur.sweep / 2000 - (c.Q + nxt.sweep / 2000));
    c.Y = RaiseNegative(c.h - cur.sweep * 0.0005 - (nxt.sweep * 0.0005 + c.Q));
    return c;
}

bool JoinsAtTheirOffsets(const ShapeElement& cur, const ShapeElement& nxt) {
    return cur.IsLineOrArc() && nxt.IsLineOrArc() && !cur.checkExempt && !nxt.checkExempt;
}

// Whether the tool has to go round the drawn corner on an arc of its own: an outer corner, a
// reversal, or a line and an arc that turn away from the tool.
bool NeedsCornerArc(const ShapeElement& cur, const ShapeElement& nxt, const Corner& c, int side) {
    if (!JoinsAtTheirOffsets(cur, nxt)) return false;
    const Real h = c.h, Q = c.Q, hq = h - Q;
    // X measures the turn between the chords: past half a turn of sweep it wraps round and reads
    // an inner corner (the path turning toward the tool) as an outer one, so it counts only where
    // the ends themselves turn away from the tool.
    const Real turnBack = RaiseNegative(hq);
    if (side == -1) {
        return (c.f >= 1 && ((h > Q && hq < 180) || (h < Q && hq < -180))) || std::fabs(c.g) <= 0.1 ||
               (c.X < 180 && turnBack < 180 &&
                ((cur.type == kLine && nxt.IsArc() && nxt.sweep < 0) ||
                 (cur.IsArc() && cur.sweep < 0 && nxt.type == kLine)));
    }
    return (c.f > 1 && ((h > Q && hq > 180) || (h < Q && hq > -180))) || std::fabs(c.g) < 0.1 ||
           (c.X > 180 && turnBack > 180 &&
            ((cur.type == kLine && nxt.IsArc() && nxt.sweep > 0) ||
             (cur.IsArc() && cur.sweep > 0 && nxt.type == kLine)));
}

// The exempt arc round the drawn corner point that joins the two offset elements.
ShapeElement CornerArc(const ShapeElement& cur, const Corner& c, int side) {
    ShapeElement arc;
    InitShapeElement(arc);
    arc.type = kArc;
    arc.endX = cur.endX;
    arc.endY = cur.endY;
    arc.direction = NormalizeDegrees(c.h - 180);
    arc.checkExempt = 1;
    arc.cornerArc = true;
    arc.source = cur.source;
    arc.depth = cur.depth;
    arc.feedXY = cur.feedXY;
    arc.feedPlunge = cur.feedPlunge;
    int32_t sw;
    if (std::fabs(c.g) <= 0.1) {
        sw = side == -1 ? 180000 : -180000;
    } else {
        sw = static_cast<int32_t>(std::trunc((180 - 2 * std::fabs(c.g)) * (c.g > 0 ? 1 : -1) * 1000));
        if (side == -1 && sw < 0) sw += 360000;
        if (side == 1 && sw > 180000) sw -= 360000;
    }
    arc.sweep = sw;
    arc.workSweep = sw;
    return arc;
}

// Puts the working end point of `cur` where its offset meets the offset of `nxt`, by the kinds of
// the two elements; where no intersection applies or none is found, the bisector offset stays
// and the working sweeps are corrected.
void MeetNextOffset(ShapeElement& cur, ShapeElement& nxt, const Corner& c, int side, int32_t rInt) {
    if (!JoinsAtTheirOffsets(cur, nxt)) return;
    if (cur.type == kLine && nxt.type == kLine) return; // bisector offset
    if (cur.type == kLine) {
        if (!(c.f > 0 && LineArcIntersection(cur, nxt, side, rInt))) AdjustWorkingSweep(cur, nxt);
        return;
    }
    if (nxt.type == kLine) {
        if (!(c.f > 0 && ArcLineIntersection(cur, nxt, side, rInt))) AdjustWorkingSweep(cur, nxt);
        return;
    }
    const bool ccwCur = cur.sweep > 0, ccwNext = nxt.sweep > 0;
    bool done = false;
    if (c.f > 0) {
        if (ccwCur == ccwNext) {
            // Same direction: the offset circles meet, outside both arcs or inside both (the
            // bisector would put the tool past the meeting point, into both arcs, at an inner
            // corner with the tool inside).
            done = ArcArcIntersection(cur, nxt, side, rInt, nullptr, nullptr);
        } else if (side == -1 && c.Y > 180 && c.Y < 360) {
            done = ccwCur ? ArcArcIntersection(cur, nxt, side, rInt, "EIEASb", "EIEASc")
                          : ArcArcIntersection(cur, nxt, side, rInt, "AEAISb", "AEAISc");
        } else if (side == 1 && c.Y > 0 && c.Y < 180) {
            done = ccwCur ? ArcArcIntersection(cur, nxt, side, rInt, "AEAIDb", "AEAIDc")
                          : ArcArcIntersection(cur, nxt, side, rInt, "EIEADb", "EIEADc");
        }
    }
    if (!done) AdjustWorkingSweep(cur, nxt);
}

// Rapids and circles, and the element before one: offset perpendicular to the direction in
// which they meet.
void OffsetAtRapidOrCircle(ShapeElement& cur, const ShapeElement& nxt, const Corner& c, int side, Real r) {
    const int64_t absSide = std::llabs(static_cast<long long>(side));
    if (cur.type == kRapid || cur.type == kCircle) {
        const Real a = side * 90.0 + c.Q;
        cur.workEndX = Move(cur.endX, absSide, RoundToInt(Cos(a) * r));
        cur.workEndY = Move(cur.endY, absSide, RoundToInt(Sin(a) * r));
    }
    if (nxt.type == kRapid || nxt.type == kCircle) {
        const Real a = NormalizeDegrees(c.h - side * 90.0);
        cur.workEndX = Move(cur.endX, absSide, RoundToInt(Cos(a) * r));
        cur.workEndY = Move(cur.endY, absSide, RoundToInt(Sin(a) * r));
    }
}

// The start point moved square to the first element's direction (side 2: back against it by
// twice the radius).
void OffsetStartPoint(ShapeDescription& shape, Real r) {
    ShapeElement& first = shape.elements.front();
    const int64_t absSide = std::llabs(static_cast<long long>(shape.side));
    first.direction = ElementDirection(shape.startX, shape.startY, first, true, 0);
    const Real a = shape.side * 90.0 + first.direction;
    shape.offsetStartX = Move(shape.startX, absSide, RoundToInt(Cos(a) * r));
    shape.offsetStartY = Move(shape.startY, absSide, RoundToInt(Sin(a) * r));
}

// The last element moved perpendicular to its exit direction (an arc: along its radius, onto its
// offset circle).
void OffsetLastElement(ShapeElement& e, int side, Real r) {
    const int64_t absSide = std::llabs(static_cast<long long>(side));
    const Real a = ExitDirection(e) + side * 90.0;
    e.workEndX = Move(e.endX, absSide, RoundToInt(Cos(a) * r));
    e.workEndY = Move(e.endY, absSide, RoundToInt(Sin(a) * r));
}

} // namespace

void CalcolaCoordinateGrafiche(ShapeDescription& shape, int32_t /*connectingArcs*/) {
    DebugTrace("CalcolaCoordinateGrafiche");
    std::vector<ShapeElement>& el = shape.elements;
    if (el.empty()) return;
    for (size_t i = 0; i < el.size(); ++i) {
        el[i].workSweep = el[i].sweep;
        el[i].source = static_cast<int32_t>(i);
    }
    const int side = shape.side;
    const Real r = shape.toolDiameter / 2.0;
    const int32_t rInt = shape.toolDiameter / 2;
    OffsetStartPoint(shape, r);

    // The walk streams the elements into a new list: `cur` is the last element placed, `nxt`
    // the next one to come. A corner arc is inserted by putting it in the slot of the element
    // just taken from the input, so that it becomes `nxt` and `cur` is processed again.
    std::vector<ShapeElement> input = std::move(el);
    el.clear();
    el.reserve(input.size() * 2);
    el.push_back(input[0]);
    for (size_t k = 1;;) {
        if (k >= input.size()) {
            OffsetLastElement(el.back(), side, r);
            CheckArcDiameter(el.back(), shape);
            break;
        }
        ShapeElement& cur = el.back();
        ShapeElement& nxt = input[k];
        const Corner c = MeasureCorner(cur, nxt, r);
        if (side == -1 || side == 1) {
            // Bisector offset: the working end point unless a rule below finds better.
            cur.workEndX = Move(cur.endX, side, RoundToInt(Cos(c.V) * c.Z));
            cur.workEndY = Move(cur.endY, side, RoundToInt(Sin(c.V) * c.Z));
            if (NeedsCornerArc(cur, nxt, c, side)) {
                // Element i is processed again, now followed by the arc.
                input[--k] = CornerArc(cur, c, side);
                continue;
            }
            MeetNextOffset(cur, nxt, c, side, rInt);
            OffsetAtRapidOrCircle(cur, nxt, c, side, r);
        } else {
            cur.workEndX = cur.endX;
            cur.workEndY = cur.endY;
            cur.workSweep = cur.sweep;
        }
        CheckArcDiameter(el.back(), shape);
        el.push_back(input[k]);
        ++k;
    }
}

} // namespace shapecomp
