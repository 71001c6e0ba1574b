// Blade-cut geometry against the vices, the extractor and the high obstacle.
#include "engine/blade_geometry.h"

#include <algorithm>
#include <cmath>

#include "machine/settings.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "platform/text.h"

namespace {

double Deg(int32_t milliDeg) { return milliDeg / 1000.0; }
double Rad(int32_t milliDeg) { return MilliDegToRad(milliDeg); }
double Mm(double thousandths) { return thousandths / 1000.0; }
int32_t Trunc(double v) { return plat::TruncToInt32(v); }

// A rectangle in plan: along the cut direction u = (cos A, -sin A) from u0 to u1 and across it
// along n = (sin A, cos A) from n0 to n1, around (cx, cy). Its largest X inside the band.
bool RectMaxXInBand(double cx, double cy, double c, double s, double u0, double u1, double n0, double n1,
                    double yLo, double yHi, double& maxX) {
    const double us[4] = {u0, u1, u1, u0};
    const double ns[4] = {n0, n0, n1, n1};
    double px[4], py[4];
    for (int i = 0; i < 4; ++i) {
        px[i] = cx + c * us[i] + s * ns[i];
        py[i] = cy - s * us[i] + c * ns[i];
    }
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        double m = 0;
        if (ClipMaxXInBand(px[i], py[i], px[(i + 1) % 4], py[(i + 1) % 4], yLo, yHi, m)) {
            maxX = any ? std::max(maxX, m) : m;
            any = true;
        }
    }
    return any;
}

} // namespace

BladeHead BladeHeadFromSettings(const MachineSettings& s) {
    BladeHead h;
    h.DIAM_LAMA = s.DIAM_LAMA;
    h.SPESS_LAMA = s.SPESS_LAMA;
    h.OFF_X_LAMA = s.OFF_X_LAMA;
    h.OFF_Y_LAMA = s.OFF_Y_LAMA;
    h.DIAM_FLANGIA_LAMA = s.DIAM_FLANGIA_LAMA;
    h.SPESS_FLANGIA_LAMA = s.SPESS_FLANGIA_LAMA;
    h.DIAM_DADO_LAMA = s.DIAM_DADO_LAMA;
    h.SPESS_DADO_LAMA = s.SPESS_DADO_LAMA;
    h.L_BRACCIO = s.L_BRACCIO;
    h.H_BRACCIO = s.H_BRACCIO;
    h.ING_Y_BRACCIO = s.ING_Y_BRACCIO;
    h.L_MOTOR = s.L_MOTOR;
    h.H_MOTOR = s.H_MOTOR;
    h.ING_Y_MOTOR = s.ING_Y_MOTOR;
    h.DIST_LAMA = s.DIST_LAMA;
    h.X_PAR_MIN = s.X_PAR_MIN;
    h.X_PAR_MAX = s.X_PAR_MAX;
    h.Q_MIN_LAMA = s.Q_MIN_LAMA;
    h.Q_MAX_LAMA = s.Q_MAX_LAMA;
    h.X_MIN_MORSA = s.X_MIN_MORSA;
    h.X_MAX_MORSA = s.X_MAX_MORSA;
    h.DELTA_L_MORSE_CL = s.DELTA_L_MORSE_CL;
    h.L_MORSA = s.L_MORSA;
    h.DELTA_H_MORSE_CL = s.DELTA_H_MORSE_CL;
    h.DIST_MORSE_LAMA = s.DIST_MORSE_LAMA;
    h.DIST_MORSE34 = s.DIST_MORSE34;
    h.DELTA_X_SUPPORTO_34 = s.DELTA_X_SUPPORTO_34;
    h.SPESS_ESTRATT = s.SPESS_ESTRATT;
    h.DELTA_X_ING_ALTO = s.DELTA_X_ING_ALTO;
    h.DELTA_X_MORSA_B = s.DELTA_X_MORSA_B;
    h.DELTA_X_SUPPORTO_B = s.DELTA_X_SUPPORTO_B;
    h.DELTA_IMMORS_B = s.DELTA_IMMORS_B;
    return h;
}

int32_t MinInt(int32_t a, int32_t b) { return a < b ? a : b; }

int32_t BladeOffsetAcross(const BladeHead& head, int32_t A) {
    return (A >= 0 && A <= 180000) ? head.OFF_X_LAMA : head.OFF_X_LAMA + head.SPESS_LAMA;
}

bool ClipMaxXInBand(double x1, double y1, double x2, double y2, double yLo, double yHi, double& maxX) {
    double t0 = 0, t1 = 1;
    const double dy = y2 - y1;
    if (dy == 0) {
        if (y1 < yLo || y1 > yHi) return false;
    } else {
        double ta = (yLo - y1) / dy, tb = (yHi - y1) / dy;
        if (ta > tb) std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) return false;
    }
    maxX = std::max(x1 + (x2 - x1) * t0, x1 + (x2 - x1) * t1);
    return true;
}

bool SegmentsClear(LineEntity a, LineEntity b, LineEntity c) {
    int32_t taken[2] = {0, 0};
    const LineEntity* firsts[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        double x = 0, y = 0;
        if (IntersectEntities(*firsts[i], c, x, y, 1) == 1) taken[i] = ToThousandths(x);
    }
    return taken[0] == 0 && taken[1] == 0;
}

int32_t BladeReach1(const BladeHead& head, const BladeCut& cut, int32_t barX, int32_t viceEdgeX, int /*flag*/,
                    int32_t /*margin*/) {
    const int32_t A = cut.A;
    const int32_t across = BladeOffsetAcross(head, A);
    const double X = PolarXPlusCos(barX, Deg(A), head.OFF_Y_LAMA, across) + double(head.DIST_LAMA) - head.X_PAR_MAX;
    const double Y = PolarYMinusSin(cut.Y[0], Deg(A), head.OFF_Y_LAMA, across);
    const double r = head.DIAM_LAMA / 2;
    const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
    const double x1 = std::trunc(X - c * r), y1 = std::trunc(Y + s * r);
    const double x2 = std::trunc(X + c * r), y2 = std::trunc(Y - s * r);
    const double d1 = Distance2D(x1, y1, viceEdgeX, 0), d2 = Distance2D(x2, y2, viceEdgeX, 0);
    return Trunc(d1 < d2 ? x1 : x2);
}

int32_t BladeGeometry::ViceFrontY() const { return -head_.DELTA_L_MORSE_CL; }
int32_t BladeGeometry::ViceBackY() const {
    return std::max(head_.L_MORSA, section_.yMax + head_.SPESS_ESTRATT);
}
int32_t BladeGeometry::ViceTopLevel(int32_t margin) const {
    return section_.zMax + head_.DELTA_H_MORSE_CL + margin;
}

double BladeGeometry::HalfChordAtViceTop(int32_t zCentre, int32_t margin) const {
    // The disc's widest part below the vice's top: the chord at the top when it cuts the disc's
    // lower half, the full radius when the top is at or above the centre; -1 when it stays above.
    const double r = Radius();
    if (r <= 0) return -1;
    const double h = double(ViceTopLevel(margin)) - (double(zCentre) - r);
    if (h <= 0) return -1;
    if (h >= r) return r;
    return std::fabs(r * std::sin(std::acos(1.0 - h / r)));
}

int32_t BladeGeometry::BandBound(double maxX, bool met) const {
    // A meeting below the vice travel leaves every vice position free. One beyond the travel is
    // returned as it is: no vice position within the travel clears it, and the caller refuses it.
    if (!met || maxX < head_.X_MIN_MORSA) return head_.X_MIN_MORSA;
    return Trunc(std::ceil(maxX));
}

int32_t BladeGeometry::BladeReach4(const BladeCut& cut, int32_t barX, int32_t, int32_t) const {
    const int32_t A = cut.A;
    const int32_t across = (A < 0 || A > 180000) ? head_.OFF_X_LAMA + head_.SPESS_LAMA : head_.OFF_X_LAMA;
    const int32_t span = std::abs(cut.X[0] - cut.X[2]);
    const int32_t x2 = ((A > 90000 && A <= 180000) || A < 0) ? barX + span : barX - span;
    const double shift = double(head_.DIST_LAMA) - head_.X_PAR_MAX;
    const double p1x = PolarXPlusCos(barX, Deg(A), head_.OFF_Y_LAMA, across) + shift;
    const double p1y = PolarYMinusSin(cut.Y[0], Deg(A), head_.OFF_Y_LAMA, across);
    const double p2x = PolarXPlusCos(x2, Deg(A), head_.OFF_Y_LAMA, across) + shift;
    const double p2y = PolarYMinusSin(cut.Y[2], Deg(A), head_.OFF_Y_LAMA, across);
    if (cut.footprintFlag)
        return Trunc(std::max(p1x, p2x) + std::fabs(std::cos(Rad(A))) * cut.footprintWidth * 1000.0);
    LineEntity edge, blade;
    MakeLineEntity(Mm(head_.DIST_MORSE34), 0, Mm(head_.X_MAX_MORSA), 0, edge);
    MakeLineEntity(Mm(p1x), Mm(p1y), Mm(p2x), Mm(p2y), blade);
    double x = 0, y = 0;
    if (IntersectEntities(blade, edge, x, y, 1) == 1 || IntersectEntities(blade, edge, x, y, 2) == 1)
        return ToThousandths(x);
    return 0;
}

int32_t BladeGeometry::ExtractorClearance(const BladeCut& cut, int32_t p, int32_t barX) const {
    const int32_t A = cut.A;
    const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
    const double limit = double(section_.yMax) + head_.SPESS_ESTRATT;
    const double shift = double(head_.DIST_LAMA) - head_.X_PAR_MAX;
    double cornerY = 0, e = 0;
    if (A >= 90000 && A <= 180000) {
        const double X = PolarXPlusCos(barX, Deg(A), head_.OFF_Y_LAMA, head_.OFF_X_LAMA);
        const double Y = PolarYMinusSin(cut.Y[0], Deg(A), head_.OFF_Y_LAMA, head_.OFF_X_LAMA);
        cornerY = Y - s * head_.L_BRACCIO + c * (head_.ING_Y_BRACCIO / 2);
        e = (X + shift) - c * head_.L_BRACCIO + s * (head_.ING_Y_BRACCIO / 2);
    } else if (A >= head_.Q_MIN_LAMA && A <= 0) {
        const int32_t across = head_.OFF_X_LAMA + head_.SPESS_LAMA;
        const double X = PolarXPlusCos(barX, Deg(A), head_.OFF_Y_LAMA, across);
        const double Y = PolarYMinusSin(cut.Y[0], Deg(A), head_.OFF_Y_LAMA, across);
        cornerY = Y - c * head_.SPESS_FLANGIA_LAMA + s * (head_.DIAM_FLANGIA_LAMA / 2);
        e = (X + shift) - s * head_.SPESS_FLANGIA_LAMA - c * (head_.DIAM_FLANGIA_LAMA / 2);
    } else {
        return 0;
    }
    if (std::trunc(cornerY) >= limit) return 0;
    const int64_t extra = int64_t(Trunc(e)) - p;
    return extra > 0 ? Trunc(double(extra)) : 0;
}

int32_t BladeGeometry::HighObstacleClearance(const BladeCut& cut, int32_t p, int32_t barX, int mode) const {
    const int32_t A = cut.A;
    const double obstacleX = double(head_.DELTA_X_ING_ALTO) + p;
    const double shift = double(head_.DIST_LAMA) - head_.X_PAR_MAX;
    int32_t bx[2] = {barX, 0}, by[2] = {cut.Y[0], 0};
    int count = 1;
    if (mode != 1) {
        const int k = mode == 2 ? 1 : 2;
        bx[1] = barX + cut.X[k] - cut.X[0];
        by[1] = cut.Y[k];
        count = 2;
    }
    const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
    // The motor reaches L_MOTOR along the cut line toward the obstacle (+X) and stands
    // ING_Y_MOTOR wide across it, centred on the reference point.
    const double dirSign = c >= 0 ? 1.0 : -1.0;
    const double along = dirSign * head_.L_MOTOR, halfW = head_.ING_Y_MOTOR / 2.0;
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool first = true;
    for (int i = 0; i < count; ++i) {
        const double X = PolarXPlusCos(bx[i], Deg(A), head_.OFF_Y_LAMA, head_.OFF_X_LAMA) + shift;
        const double Y = PolarYMinusSin(by[i], Deg(A), head_.OFF_Y_LAMA, head_.OFF_X_LAMA);
        const double us[4] = {0, along, along, 0};
        const double ns[4] = {-halfW, -halfW, halfW, halfW};
        for (int j = 0; j < 4; ++j) {
            const int32_t cx = Trunc(X + c * us[j] + s * ns[j]);
            const int32_t cy = Trunc(Y - s * us[j] + c * ns[j]);
            if (first) {
                xMin = xMax = cx;
                yMin = yMax = cy;
                first = false;
            }
            xMin = MinInt(xMin, cx);
            xMax = MaxInt(xMax, cx);
            yMin = MinInt(yMin, cy);
            yMax = MaxInt(yMax, cy);
        }
    }
    LineEntity obstacle, diagonal;
    MakeLineEntity(Mm(obstacleX), -250.0, Mm(obstacleX), 600.0, obstacle);
    MakeLineEntity(Mm(xMin), Mm(yMin), Mm(xMax), Mm(yMax), diagonal);
    int32_t M = 0;
    double x = 0, y = 0;
    if (IntersectEntities(diagonal, obstacle, x, y, 1) == 1) M = MaxInt(xMin, xMax);
    const auto inside = [](int32_t v) { return v >= -250000 && v <= 600000; };
    if (M == 0 && (inside(yMin) || inside(yMax))) M = MaxInt(xMin, xMax);
    const double extra = double(M) - obstacleX;
    return extra > 0 ? Trunc(extra) : 0;
}

int32_t BladeGeometry::TiltedBladeHeight(const BladeCut& cut, int32_t, int32_t y) const {
    const double r = Mm(Radius());
    const double zMax = Mm(section_.zMax);
    const double c = r + zMax;
    const double phi = DegToRad(cut.tiltDeg);
    const double ref = Mm(Trunc((double(head_.OFF_Y_LAMA) + y) - std::sin(phi) * head_.OFF_Y_LAMA -
                                std::cos(phi) * (double(head_.OFF_X_LAMA) + head_.SPESS_LAMA)));
    const double yMin = Mm(section_.yMin), yMax = Mm(section_.yMax);
    if (ref >= yMin && ref <= yMax) return ToThousandths(c);
    const double rc = r * std::fabs(std::cos(phi));
    const double b = std::sqrt(std::max(0.0, r * r - rc * rc));
    if (b <= 0) return ToThousandths(c); // edge-on blade: the ellipse collapses
    const double dy = ref < yMin ? yMin - ref : ref - yMax;
    const double q = 1.0 - dy * dy / (b * b);
    if (q >= 0) return ToThousandths(zMax + std::sqrt(q) * r);
    return ToThousandths(c);
}

int32_t BladeGeometry::FlangeViceShift(const BladeCut& cut, int32_t barX, int /*vertexMode*/, int32_t margin) const {
    const int32_t A = cut.A;
    if (A <= 0 || A >= 180000) return 0;
    const int32_t L = ViceTopLevel(margin);
    const int32_t z0 = cut.Z[0];
    if (z0 - head_.DIAM_FLANGIA_LAMA / 2 > L) return 0;
    const bool nut = !(z0 - head_.DIAM_DADO_LAMA / 2 > L);
    const int32_t across = head_.OFF_X_LAMA + head_.SPESS_LAMA;
    const double X = PolarXPlusCos(barX, Deg(A), head_.OFF_Y_LAMA, across);
    const double Y = PolarYMinusSin(cut.Y[0], Deg(A), head_.OFF_Y_LAMA, across);
    // Every vertex mode tests the face of vertex 0: the flange's (and nut's) plan diagonal from
    // the radius back along the cut line to the radius forward and the thickness across it.
    double R = head_.DIAM_FLANGIA_LAMA / 2, T = head_.SPESS_FLANGIA_LAMA;
    if (nut) {
        R = std::max(R, double(head_.DIAM_DADO_LAMA / 2));
        T += head_.SPESS_DADO_LAMA;
    }
    const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
    const double x1 = std::trunc(X - c * R), y1 = std::trunc(Y + s * R);
    const double x2 = std::trunc(X + c * R - s * T), y2 = std::trunc(Y - s * R - c * T);
    const double sideX = double(head_.X_PAR_MIN) - head_.DIST_MORSE_LAMA;
    LineEntity side, face;
    MakeLineEntity(Mm(sideX), Mm(-head_.DELTA_L_MORSE_CL), Mm(sideX), Mm(head_.L_MORSA), side);
    MakeLineEntity(Mm(x1), Mm(y1), Mm(x2), Mm(y2), face);
    double mx = 0, my = 0;
    if (IntersectEntities(face, side, mx, my, 1) != 1) return 0;
    const double shift = mx - Mm(std::min(x1, x2));
    return shift > 0 ? ToThousandths(shift) : 0;
}

int32_t BladeGeometry::ViceBoundBlade1(const BladeCut& cut, int32_t barX, int vertexMode, int32_t margin, int flag) {
    const int32_t A = cut.A;
    const int32_t across = BladeOffsetAcross(head_, A);
    const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
    const double shift = double(head_.DIST_LAMA) - head_.X_PAR_MAX;
    // Blade segments at the vice's top: vertex 0, and for modes 2 and 4 also the governing vertex,
    // combined into one segment by their smallest and largest coordinates.
    const double w = vertexMode == 1 || vertexMode == 0 ? HalfChordAtViceTop(cut.Z[0], margin) : Radius();
    if (w < 0) {
        f_.bladeClearsVice = 1; // the disc stays above the vices
        return head_.X_MIN_MORSA;
    }
    int n = 1;
    int32_t vx[2] = {barX, 0}, vy[2] = {cut.Y[0], 0};
    if (vertexMode >= 2) {
        const int k = vertexMode == 2 ? 1 : 2;
        vx[1] = barX + cut.X[k] - cut.X[0];
        vy[1] = cut.Y[k];
        n = 2;
    }
    double ax = 0, ay = 0, bx = 0, by = 0;
    for (int i = 0; i < n; ++i) {
        const double X = PolarXPlusCos(vx[i], Deg(A), head_.OFF_Y_LAMA, across) + shift;
        const double Y = PolarYMinusSin(vy[i], Deg(A), head_.OFF_Y_LAMA, across);
        const double x1 = std::trunc(X - c * w), y1 = std::trunc(Y + s * w);
        const double x2 = std::trunc(X + c * w), y2 = std::trunc(Y - s * w);
        if (i == 0) {
            ax = x1; ay = y1; bx = x2; by = y2;
        } else {
            // Same direction, so the combined segment keeps the ends' order.
            ax = (c >= 0) ? std::min(ax, x1) : std::max(ax, x1);
            bx = (c >= 0) ? std::max(bx, x2) : std::min(bx, x2);
            ay = (s >= 0) ? std::max(ay, y1) : std::min(ay, y1);
            by = (s >= 0) ? std::min(by, y2) : std::max(by, y2);
        }
    }
    const double yFront = ViceFrontY(), yBack = ViceBackY();
    // The vice's lines run from the start of its travel on past its end and past the blade: a
    // vice standing anywhere in its travel reaches every X beyond its position, so a blade
    // beyond the travel's end still meets it.
    const double lineEnd = std::max({double(head_.X_MAX_MORSA), ax, bx}) + 1000.0;
    LineEntity front, back, blade;
    MakeLineEntity(Mm(head_.X_MIN_MORSA), Mm(yFront), Mm(lineEnd), Mm(yFront), front);
    MakeLineEntity(Mm(head_.X_MIN_MORSA), Mm(yBack), Mm(lineEnd), Mm(yBack), back);
    MakeLineEntity(Mm(ax), Mm(ay), Mm(bx), Mm(by), blade);
    f_.bladeClearsVice = SegmentsClear(front, back, blade) ? 1 : 0;
    if (f_.viceMoved && flag == 0) return head_.X_MIN_MORSA;
    // The bound is the blade's largest X over the vice's band: its crossings with the front and
    // back lines and any end lying between them.
    double maxX = 0;
    const bool met = ClipMaxXInBand(ax, ay, bx, by, yFront, yBack, maxX);
    return BandBound(maxX, met);
}

int32_t BladeGeometry::ViceBoundBlade4(BladeCut& cut, int32_t barX, int32_t margin) {
    f_.footprintDX1 = f_.footprintDX2 = f_.footprintDY1 = f_.footprintDY2 = 0;
    const int32_t A = cut.A;
    const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
    const double r = Radius();
    // t: height of the blade centre above the vice's top, from the lowest vertex; the footprint
    // is the chord at that level (the full disc when the top is above the centre).
    int32_t zLow = cut.Z[0];
    for (int i = 1; i < 4; ++i) zLow = MinInt(zLow, cut.Z[i]);
    const double t = std::clamp(double(zLow) - ViceTopLevel(margin), 0.0, r);
    const double chord = r > 0 ? std::fabs(r * std::sin(std::acos(t / r))) : 0.0;
    cut.footprintWidth = Mm(std::fabs(chord * c));
    const double fw = cut.footprintWidth * 1000.0;
    const int32_t span = std::abs(cut.X[0] - cut.X[2]);
    const int32_t x2 = (A < 0 || (A > 90000 && A < 180000)) ? barX + span : barX - span;
    const int32_t shift = head_.DIST_LAMA - head_.X_PAR_MAX;
    const int32_t across = head_.OFF_X_LAMA + head_.SPESS_LAMA;
    const int32_t X1 = PolarXPlusCos(barX, Deg(A), head_.OFF_Y_LAMA, head_.OFF_X_LAMA) + shift;
    const int32_t X2 = PolarXPlusCos(x2, Deg(A), head_.OFF_Y_LAMA, head_.OFF_X_LAMA) + shift;
    const int32_t Y1 = PolarYMinusSin(cut.Y[0], Deg(A), head_.OFF_Y_LAMA, across);
    const int32_t Y2 = PolarYMinusSin(cut.Y[2], Deg(A), head_.OFF_Y_LAMA, across);
    f_.footprintDX1 = Trunc(X1 + c * fw) - X1;
    f_.footprintDX2 = Trunc(X2 - c * fw) - X2;
    f_.footprintDY1 = Trunc(Y1 - s * fw) - Y1;
    f_.footprintDY2 = Trunc(Y2 + s * fw) - Y2;
    if (chord <= 0 && double(zLow) - ViceTopLevel(margin) >= r) return head_.X_MIN_MORSA;
    const double ex1 = double(X1) + f_.footprintDX1, ey1 = double(Y1) + f_.footprintDY1;
    const double ex2 = double(X2) + f_.footprintDX2, ey2 = double(Y2) + f_.footprintDY2;
    double maxX = 0;
    const bool met = ClipMaxXInBand(ex1, ey1, ex2, ey2, ViceFrontY(), ViceBackY(), maxX);
    // Without a crossing the vices stay beyond the footprint's end on their side.
    if (!met) return BandBound(std::max(ex1, ex2), true);
    return BandBound(maxX, met);
}

int32_t BladeGeometry::HeadCandidates(int32_t A, double X, double Y, int32_t z0, int32_t margin) const {
    // Plan outlines around the blade reference point, u along the cut line, n across it:
    // flange and nut on the -n side (the blade face the offsets with SPESS_LAMA mark), centred
    // on the hub along u; arm and motor behind the hub along -u, centred across.
    const int32_t L = ViceTopLevel(margin);
    const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
    const double yLo = ViceFrontY(), yHi = ViceBackY();
    double best = 0, m = 0;
    bool any = false;
    const auto take = [&](double u0, double u1, double n0, double n1) {
        if (RectMaxXInBand(X, Y, c, s, u0, u1, n0, n1, yLo, yHi, m)) {
            best = any ? std::max(best, m) : m;
            any = true;
        }
    };
    if (A < 0 || A > 180000) {
        const double rf = head_.DIAM_FLANGIA_LAMA / 2, tf = head_.SPESS_FLANGIA_LAMA;
        if (z0 - head_.DIAM_FLANGIA_LAMA / 2 <= L) {
            take(-rf, rf, -tf, 0);
            if (z0 - head_.DIAM_DADO_LAMA / 2 <= L) {
                const double rn = head_.DIAM_DADO_LAMA / 2;
                take(-rn, rn, -tf - head_.SPESS_DADO_LAMA, -tf);
            }
        }
    } else {
        // The arm and the motor hang H_BRACCIO and H_MOTOR below the blade centre.
        if (z0 - head_.H_BRACCIO <= L) {
            const double la = head_.L_BRACCIO, wa = head_.ING_Y_BRACCIO / 2.0;
            take(-la, 0, -wa, wa);
        }
        if (z0 - head_.H_MOTOR <= L) {
            const double la = head_.L_BRACCIO, lm = head_.L_MOTOR, wm = head_.ING_Y_MOTOR / 2.0;
            take(-la - lm, -la, -wm, wm);
        }
    }
    return BandBound(best, any);
}

int32_t BladeGeometry::ViceBoundHead1(const BladeCut& cut, int32_t barX, int vertexMode, int32_t bladeBound,
                                      int32_t margin) const {
    const int32_t A = cut.A;
    const int32_t across = BladeOffsetAcross(head_, A);
    const double X = PolarXPlusCos(barX, Deg(A), head_.OFF_Y_LAMA, across) + double(head_.DIST_LAMA) - head_.X_PAR_MAX;
    const double Y = PolarYMinusSin(cut.Y[0], Deg(A), head_.OFF_Y_LAMA, across);
    int32_t result = bladeBound;
    double w = vertexMode == 1 ? HalfChordAtViceTop(cut.Z[0], margin) : Radius();
    if (w > 0) {
        const double c = std::cos(Rad(A)), s = std::sin(Rad(A));
        const double ends[2][2] = {{std::trunc(X - c * w), std::trunc(Y + s * w)},
                                   {std::trunc(X + c * w), std::trunc(Y - s * w)}};
        for (const auto& e : ends) {
            const double d = e[0] - head_.DELTA_X_SUPPORTO_B;
            if (e[1] > head_.L_MORSA && d > result) result = Trunc(d); // rear support
        }
    }
    const int32_t h = HeadCandidates(A, X, Y, cut.Z[0], margin);
    return MaxInt(result, h);
}

int32_t BladeGeometry::ViceBoundHead4(const BladeCut& cut, int32_t x, int32_t y, int32_t z, int32_t bladeBound,
                                      int32_t margin) const {
    const int32_t A = cut.A;
    const int32_t across = BladeOffsetAcross(head_, A);
    const double X = PolarXPlusCos(x, Deg(A), head_.OFF_Y_LAMA, across) + double(head_.DIST_LAMA) - head_.X_PAR_MAX;
    const double Y = PolarYMinusSin(y, Deg(A), head_.OFF_Y_LAMA, across);
    int32_t result = bladeBound;
    const double ends[2][2] = {{X + f_.footprintDX1, Y + f_.footprintDY1}, {X + f_.footprintDX2, Y + f_.footprintDY2}};
    for (const auto& e : ends) {
        const double d = e[0] - head_.DELTA_X_SUPPORTO_B;
        if (e[1] > head_.L_MORSA && d > result) result = Trunc(d);
    }
    return MaxInt(result, HeadCandidates(A, X, Y, z, margin));
}
