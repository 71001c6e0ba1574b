// Blade-cut composition: bar position, vice bound and refit against following machinings.
#include "engine/blade_composition.h"

#include <algorithm>
#include <cmath>

#include "machine/units.h"
#include "machine/utils.h"
#include "platform/text.h"

namespace {

double Deg(int32_t milliDeg) { return milliDeg / 1000.0; }
double Mm(double thousandths) { return thousandths / 1000.0; }
// Sums of positions are formed in 64 bits and brought back saturated, so no input overflows.
int32_t Sat(int64_t v) { return plat::TruncToInt32(double(v)); }
int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

} // namespace

int32_t BladeComposer::BladePositionAgainstVice(BladeCut& cut, int vertexMode, int32_t margin, bool towardVices,
                                                int32_t span, bool& hits) {
    const BladeHead& h = head_;
    const int32_t A = cut.A;
    const int32_t across = h.OFF_X_LAMA + h.SPESS_LAMA;
    const double c = std::cos(MilliDegToRad(A)), s = std::sin(MilliDegToRad(A));
    const double r = h.DIAM_LAMA / 2;
    const double front = -double(h.DELTA_L_MORSE_CL), back = h.L_MORSA;
    hits = false;

    // Blade leaning toward the vices: the reference points stand at X_PAR_MIN; leaning away:
    // at X_PAR_MIN + the vertex span, the box reaching back by the span.
    const int32_t base = towardVices ? h.X_PAR_MIN : Sat(int64_t(h.X_PAR_MIN) + span);
    const int32_t plain = PolarXPlusCos(base, Deg(A), h.OFF_Y_LAMA, across);
    const int k = vertexMode == 2 ? 1 : (vertexMode >= 4 ? 2 : 0);
    double px[2], py[2];
    const int32_t bx[2] = {base, Sat(int64_t(base) + cut.X[k] - cut.X[0])};
    const int32_t by[2] = {cut.Y[0], cut.Y[k]};
    for (int i = 0; i < 2; ++i) {
        px[i] = PolarXPlusCos(bx[i], Deg(A), h.OFF_Y_LAMA, across);
        py[i] = PolarYMinusSin(by[i], Deg(A), h.OFF_Y_LAMA, across);
    }
    // Both reference points in front of the vice (leaning toward it) or behind it (leaning
    // away): the blade passes the vice. The part of the disc that reaches back over the vice's
    // line lies on the far side of the reference point from the vice body.
    if (towardVices ? (py[0] <= front && py[1] <= front) : (py[0] >= back && py[1] >= back)) return plain;

    // The blade's plan footprint between the two reference points: widened by the four
    // footprint deltas for four vertices, by half the disc along the cut for one or two (a
    // one-vertex cut has no vertices 1 to 3 to build the deltas on: its disc takes their place).
    double ends[4][2];
    int n = 0;
    if (vertexMode >= 4) {
        ViceBoundBlade4(cut, base, margin);
        ends[n][0] = px[0] + f_.footprintDX1; ends[n++][1] = py[0] + f_.footprintDY1;
        ends[n][0] = px[1] + f_.footprintDX2; ends[n++][1] = py[1] + f_.footprintDY2;
    } else {
        for (int i = 0; i < 2; ++i) {
            ends[n][0] = std::trunc(px[i] - c * r); ends[n++][1] = std::trunc(py[i] + s * r);
            ends[n][0] = std::trunc(px[i] + c * r); ends[n++][1] = std::trunc(py[i] - s * r);
        }
    }
    // The extreme points along the cut direction bound the footprint segment.
    int lo = 0, hi = 0;
    for (int i = 1; i < n; ++i) {
        const double t = ends[i][0] * c - ends[i][1] * s;
        if (t < ends[lo][0] * c - ends[lo][1] * s) lo = i;
        if (t > ends[hi][0] * c - ends[hi][1] * s) hi = i;
    }
    // Vice outline: X from side - DIST_MORSE34 to side, Y from front to back. The blade hits
    // it when its footprint enters that rectangle; the bar then moves by the overlap past the
    // side line plus twice the blade thickness.
    const double side = double(h.X_PAR_MIN) - h.DIST_MORSE_LAMA;
    double maxX = 0, negMinX = 0;
    const bool inBand = ClipMaxXInBand(ends[lo][0], ends[lo][1], ends[hi][0], ends[hi][1], front, back, maxX) &&
                        ClipMaxXInBand(-ends[lo][0], ends[lo][1], -ends[hi][0], ends[hi][1], front, back, negMinX);
    const double minX = -negMinX;
    if (inBand && minX < side && maxX > side - h.DIST_MORSE34) {
        hits = true;
        return Sat(int64_t(plain) + int64_t(std::ceil(side - minX)) + 2 * int64_t(h.SPESS_LAMA));
    }
    return plain;
}

void BladeComposer::TurnCut(BladeCut& cut) const {
    const BladeHead& h = head_;
    const int32_t A = cut.A, turned = Sat(int64_t(A) + 180000);
    const int32_t far = h.OFF_X_LAMA + h.SPESS_LAMA;
    const int n = cut.vertexCount >= 2 ? 2 : 1;
    // The turned vertices stand in the frame of the turned head: moved by DIST_MORSE_LAMA -
    // X_PAR_MAX + DIST_LAMA and by the blade's offset over the sine of the turned angle.
    const double st = std::sin(MilliDegToRad(turned));
    const int64_t move = int64_t(h.DIST_MORSE_LAMA) - h.X_PAR_MAX + h.DIST_LAMA +
                         (std::fabs(st) > 1e-9 ? plat::TruncToInt32(h.OFF_X_LAMA / st) : 0);
    for (int i = 0; i < n; ++i) {
        // The vertex is the head's position for the blade's far face (OFF_X_LAMA + SPESS_LAMA)
        // on the cut plane: that plane's point is the reference point at the old angle.
        const int32_t px = PolarXPlusCos(cut.X[i], Deg(A), h.OFF_Y_LAMA, far);
        const int32_t py = PolarYMinusSin(cut.Y[i], Deg(A), h.OFF_Y_LAMA, far);
        // Turned, the across direction reverses: the near face (OFF_X_LAMA) now lies on the plane
        // and the blade body on the same side of it, so the kerf is the same strip of the bar.
        cut.X[i] = Sat(PolarXMinusCos(px, Deg(turned), h.OFF_Y_LAMA, h.OFF_X_LAMA) + move);
        cut.Y[i] = PolarYPlusSin(py, Deg(turned), h.OFF_Y_LAMA, h.OFF_X_LAMA);
    }
    cut.A = turned;
}

int32_t BladeComposer::ArmMotorViceShift(const BladeCut& cut, int32_t P, int32_t margin) const {
    const BladeHead& h = head_;
    const int32_t A = cut.A;
    const double c = std::cos(MilliDegToRad(A)), s = std::sin(MilliDegToRad(A));
    // Blade reference point at P in the frame of the position search (the vice's side line at
    // X_PAR_MIN - DIST_MORSE_LAMA, its body DIST_MORSE34 long toward lower X, across the bar
    // from -DELTA_L_MORSE_CL to L_MORSA); a larger P moves the head away from the vice.
    // (X kept real: a shift then moves it by exactly the shift, with no truncation near 0.)
    const double X0 = double(P) + c * h.OFF_Y_LAMA - s * (double(h.OFF_X_LAMA) + h.SPESS_LAMA);
    const double Y = PolarYMinusSin(cut.Y[0], Deg(A), h.OFF_Y_LAMA, h.OFF_X_LAMA + h.SPESS_LAMA);
    const double side = double(h.X_PAR_MIN) - h.DIST_MORSE_LAMA, farEnd = side - h.DIST_MORSE34;
    const double front = -double(h.DELTA_L_MORSE_CL), back = h.L_MORSA;
    const int32_t level = ViceTopLevel(margin);
    // A box u0..u1 along the cut direction (cos A, -sin A) and -w..w across it, around the
    // reference point moved by dx: when its part over the vice's band lies over the vice body,
    // the X that takes it just beyond the side line.
    const auto need = [&](double dx, double u0, double u1, double w) {
        const double us[4] = {u0, u1, u1, u0}, ns[4] = {-w, -w, w, w};
        double px[4], py[4];
        for (int i = 0; i < 4; ++i) {
            px[i] = X0 + dx + c * us[i] + s * ns[i];
            py[i] = Y - s * us[i] + c * ns[i];
        }
        bool any = false;
        double lo = 0, hi = 0;
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) % 4;
            double mx = 0, nx = 0;
            if (!ClipMaxXInBand(px[i], py[i], px[j], py[j], front, back, mx)) continue;
            ClipMaxXInBand(-px[i], py[i], -px[j], py[j], front, back, nx);
            hi = any ? std::max(hi, mx) : mx;
            lo = any ? std::min(lo, -nx) : -nx;
            any = true;
        }
        return (any && lo <= side && hi >= farEnd) ? std::floor(side - lo) + 1 : 0.0;
    };
    // The arm hangs H_BRACCIO below the blade centre and runs L_BRACCIO back from the hub along
    // the cut line, ING_Y_BRACCIO wide; the motor (H_MOTOR below the centre) continues L_MOTOR
    // behind it, ING_Y_MOTOR wide. Each takes part when it reaches down to the vice's top.
    const bool arm = int64_t(cut.Z[0]) - h.H_BRACCIO <= level;
    const bool motor = int64_t(cut.Z[0]) - h.H_MOTOR <= level;
    const double r = h.DIAM_LAMA / 2;
    const auto headNeed = [&](double dx, bool withDisc) {
        double n = 0;
        if (arm) n = std::max(n, need(dx, -double(h.L_BRACCIO), 0, h.ING_Y_BRACCIO / 2.0));
        if (motor) n = std::max(n, need(dx, -double(h.L_BRACCIO) - h.L_MOTOR, -double(h.L_BRACCIO), h.ING_Y_MOTOR / 2.0));
        if (withDisc) n = std::max(n, need(dx, -r, r, 0));
        return n;
    };
    // Moving the head sweeps toward the vice whatever lay beyond its far end: once it moves, the
    // shift grows until arm, motor and blade disc all lie clear (each pass takes one of them
    // beyond the side line for good, so three passes settle it).
    double total = headNeed(0, false);
    for (int pass = 0; pass < 3 && total > 0; ++pass) {
        const double more = headNeed(total, true);
        if (more <= 0) break;
        total += more;
    }
    return total > 0 ? plat::TruncToInt32(total) : 0;
}

int32_t BladeComposer::CutBarPosition(BladeCut& cut, int vertexMode, int32_t margin, int refit) {
    CutPlacing pl = StartCutPlacing(cut, refit == 0);
    int32_t ended = 0;
    const bool placed = pl.accepted ? PlaceAcceptedCut(cut, vertexMode, margin, pl, ended)
                                    : PlaceNearParallelCut(cut, vertexMode, margin, pl, ended);
    if (!placed) return ended;
    if (!KeepVerticesInTravel(cut, vertexMode, pl)) return 1;
    if (vertexMode == 4 && !pl.fresh) f_.cutSpanX = 0;
    if (pl.A < 90000 && FootprintCrossesViceSide(cut, vertexMode, pl)) return -1;
    return Sat(int64_t(pl.P) + f_.refitShiftX);
}

BladeComposer::CutPlacing BladeComposer::StartCutPlacing(const BladeCut& cut, bool fresh) {
    const BladeHead& h = head_;
    if (fresh) {
        f_.cutSpanX = 0;
        f_.cutShiftX = 0;
        f_.cutHighX = Sat(int64_t(h.X_PAR_MAX) + 100);
    }
    f_.flangeShiftX = 0;
    CutPlacing pl;
    pl.fresh = fresh;
    pl.base = Sat(int64_t(h.X_PAR_MAX) - h.DIST_MORSE_LAMA - h.DIST_LAMA);
    pl.N = Sat(int64_t(pl.base) + cut.X[0]);
    pl.across = h.OFF_X_LAMA + h.SPESS_LAMA;
    pl.r = h.DIAM_LAMA / 2;
    pl.A = cut.A;
    pl.P = pl.N;
    const int32_t A = pl.A;
    pl.accepted = (A >= 10000 && A <= 170000) || (A >= h.Q_MIN_LAMA && A <= -10000) ||
                  (A >= 190000 && A <= h.Q_MAX_LAMA);
    pl.nearParallel = (A > -10000 && A < 10000) || (A > 170000 && A < 190000);
    pl.square = A == 90000;
    pl.below = A >= 1 && A < 90000;
    pl.above = A > 90000 && A < 180000;
    pl.turned = A > 180000;
    pl.negative = A < 0;
    return pl;
}

bool BladeComposer::PlaceNearParallelCut(const BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl,
                                         int32_t& ended) {
    const BladeHead& h = head_;
    if (!pl.nearParallel) {
        ended = 1;
        return false;
    }
    const int32_t A = pl.A;
    int32_t P = PolarXMinusCos(Sat(int64_t(pl.r) - h.DIST_MORSE_LAMA + h.X_PAR_MIN + 10000), Deg(A), h.OFF_Y_LAMA,
                               pl.across);
    P = Clamp(P, h.X_PAR_MIN, h.X_PAR_MAX);
    if (A > 0 && A < 180000 && vertexMode < 2) {
        f_.flangeShiftX = FlangeViceShift(cut, P, vertexMode, margin);
        if (f_.flangeShiftX > 0) P = Sat(int64_t(P) + f_.flangeShiftX);
    }
    if (pl.fresh) f_.cutShiftX = Sat(int64_t(P) - pl.N);
    pl.P = P;
    return true;
}

bool BladeComposer::PlaceAcceptedCut(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl, int32_t& ended) {
    if (vertexMode >= 2 && !PlaceByVertexSpan(cut, vertexMode, pl)) {
        ended = 0;
        return false;
    }
    if (pl.square) {
        PlaceSquareCut(cut, vertexMode, margin, pl);
        return true;
    }
    if (!PlaceAngledCut(cut, vertexMode, margin, pl)) {
        ended = 1;
        return false;
    }
    return true;
}

bool BladeComposer::PlaceByVertexSpan(const BladeCut& cut, int vertexMode, CutPlacing& pl) {
    const BladeHead& h = head_;
    const int count = (vertexMode == 2 && pl.fresh) ? 2 : 4;
    int32_t lo = cut.X[0], hi = cut.X[0];
    for (int i = 1; i < count; ++i) {
        lo = MinInt(lo, cut.X[i]);
        hi = MaxInt(hi, cut.X[i]);
    }
    const int32_t span = Sat(int64_t(hi) - lo);
    pl.span = span;
    f_.cutSpanX = span;
    if (int64_t(span) > int64_t(h.X_PAR_MAX) - h.X_PAR_MIN) return false;
    const auto outside = [&](int32_t v) { return v < h.X_PAR_MIN || v > h.X_PAR_MAX; };
    if (pl.below || pl.turned) {
        pl.P = Sat(int64_t(pl.base) + hi);
        if (int64_t(pl.P) - span < h.X_PAR_MIN || outside(pl.P)) {
            pl.P = Sat(int64_t(h.X_PAR_MIN) + span);
            f_.cutHighX = pl.P;
            f_.cutSpanX = Sat(int64_t(pl.P) - hi - pl.base);
        }
    } else if (pl.above || pl.negative) {
        pl.P = Sat(int64_t(pl.base) + lo);
        if (outside(pl.P)) {
            pl.P = h.X_PAR_MIN;
            f_.cutLowX = h.X_PAR_MIN;
            f_.cutSpanX = Sat(int64_t(h.X_PAR_MIN) - lo - pl.base);
        }
    }
    return true;
}

void BladeComposer::PlaceSquareCut(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl) {
    const BladeHead& h = head_;
    int32_t P = pl.P;
    if (P != h.X_PAR_MIN + h.OFF_X_LAMA) {
        if (pl.fresh) f_.cutShiftX = Sat(int64_t(h.X_PAR_MIN) - P);
        P = h.X_PAR_MIN;
    }
    f_.flangeShiftX = FlangeViceShift(cut, P, vertexMode, margin);
    if (f_.flangeShiftX > 0) {
        P = Sat(int64_t(P) + f_.flangeShiftX);
        if (pl.fresh) f_.cutShiftX = Sat(int64_t(f_.cutShiftX) + f_.flangeShiftX);
    }
    if (vertexMode >= 2) ViceBoundBlade4(cut, P, margin);
    pl.P = P;
}

int32_t BladeComposer::ClearOfThirdFourthVice(int32_t position, int32_t angle, int32_t margin, int32_t r) const {
    // Third and fourth vice: the disc's lower X end must stay beyond their support. Their
    // support stands DIST_MORSE34 - DELTA_X_SUPPORTO_34 from the blade on the vices' side, in
    // this frame below X_PAR_MIN as the main vice's side line stands DIST_MORSE_LAMA below it
    // (taken from the blade's frame, where the vices lie toward higher X, it would stand beyond
    // the whole X travel).
    const BladeHead& h = head_;
    const int64_t B = int64_t(h.X_PAR_MIN) - (int64_t(h.DIST_MORSE34) - h.DELTA_X_SUPPORTO_34);
    const double cr = std::cos(MilliDegToRad(angle)) * r;
    const int64_t e = std::min<int64_t>(plat::TruncToInt32(position - cr), plat::TruncToInt32(position + cr));
    return e < B ? Sat(position + 2 * int64_t(margin) + B - e) : position;
}

bool BladeComposer::PlaceAngledCut(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl) {
    const BladeHead& h = head_;
    const bool toVices = pl.above || pl.negative;
    bool hits = false;
    int32_t pos = BladePositionAgainstVice(cut, vertexMode, margin, toVices, pl.span, hits);
    pos = ClearOfThirdFourthVice(pos, pl.A, margin, pl.r);
    bool placed = !(!toVices && vertexMode >= 2 && pos > h.X_PAR_MAX);
    if (!toVices && hits && int64_t(pl.A) + 180000 < h.Q_MAX_LAMA && cut.vertexCount < 4 &&
        TryTurnedHead(cut, vertexMode, margin, pl, pos))
        placed = true;
    if (!placed) return false; // neither placing keeps the cut within the X travel
    pl.P = PolarXMinusCos(pos, Deg(pl.A), h.OFF_Y_LAMA, pl.across);
    const bool kept = toVices ? ClampTowardVices(cut, vertexMode, margin, pl) : ClampAwayFromVices(cut, vertexMode, margin, pl);
    if (!kept) return false;
    if (pl.fresh) f_.cutShiftX = Sat(int64_t(pl.P) - pl.N);
    return true;
}

bool BladeComposer::TryTurnedHead(BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl, int32_t& pos) {
    // The blade would hit the vice: try the head turned by half a turn, the same cut line taken
    // from the other face of the blade. The disc is vertical, so turned it lies in the same
    // plane over the same line: only its reference point along and across the line moves (the
    // blade offsets), and the flange, arm and motor change sides. The turn is kept only where
    // the turned disc clears the vice; otherwise the cut stays unturned, placed past the vice
    // as found before.
    const BladeHead& h = head_;
    BladeCut turnedCut = cut;
    TurnCut(turnedCut);
    const BladeWorkingFields before = f_;
    bool turnedHits = false;
    int32_t turnedPos = BladePositionAgainstVice(turnedCut, vertexMode, margin, false, pl.span, turnedHits);
    turnedPos = ClearOfThirdFourthVice(turnedPos, turnedCut.A, margin, pl.r);
    if (turnedHits || (vertexMode >= 2 && turnedPos > h.X_PAR_MAX)) {
        f_ = before; // the trial leaves no footprint of the turned blade behind
        return false;
    }
    cut = turnedCut;
    pl.A = cut.A;
    pos = turnedPos;
    f_.cutHighX = h.X_PAR_MAX;
    // The offset that the turned cut's clamp at X_PAR_MAX leaves, from its new vertices
    // (vertex 0 alone for a one-vertex cut, whose X[1] is unused).
    const int32_t hiX = cut.vertexCount >= 2 ? MaxInt(cut.X[0], cut.X[1]) : cut.X[0];
    f_.cutSpanX = Sat(int64_t(h.DIST_MORSE_LAMA) - h.X_PAR_MAX + h.DIST_LAMA - hiX + h.X_PAR_MAX);
    return true;
}

bool BladeComposer::ClampTowardVices(const BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl) {
    const BladeHead& h = head_;
    int32_t P = pl.P;
    if (vertexMode >= 2 && pl.A < 0 && int64_t(P) + pl.span > h.X_PAR_MAX) P = Sat(int64_t(h.X_PAR_MAX) - pl.span);
    P = Clamp(P, h.X_PAR_MIN, h.X_PAR_MAX);
    if (vertexMode == 2 && P < f_.cutLowX) P = f_.cutLowX;
    if (pl.above && vertexMode < 2) {
        f_.flangeShiftX = FlangeViceShift(cut, P, vertexMode, margin);
        if (f_.flangeShiftX > 0) P = Sat(int64_t(P) + f_.flangeShiftX);
    }
    pl.P = P;
    if (pl.negative && vertexMode < 2) return ShiftArmAndMotorClear(cut, margin, pl);
    return true;
}

bool BladeComposer::ClampAwayFromVices(const BladeCut& cut, int vertexMode, int32_t margin, CutPlacing& pl) {
    const BladeHead& h = head_;
    int32_t P = pl.P;
    if (pl.A > 180000 && vertexMode >= 2 && int64_t(P) - pl.span < h.X_PAR_MIN) P = Sat(int64_t(h.X_PAR_MIN) + pl.span);
    P = Clamp(P, h.X_PAR_MIN, h.X_PAR_MAX);
    if (vertexMode == 2 && P > f_.cutHighX) P = f_.cutHighX;
    if (pl.A < 90000 && vertexMode < 2) {
        f_.flangeShiftX = FlangeViceShift(cut, P, vertexMode, margin);
        if (f_.flangeShiftX > 0) P = Sat(int64_t(P) + f_.flangeShiftX);
    }
    pl.P = P;
    if (pl.A > 180000 && vertexMode < 2) return ShiftArmAndMotorClear(cut, margin, pl);
    return true;
}

bool BladeComposer::ShiftArmAndMotorClear(const BladeCut& cut, int32_t margin, CutPlacing& pl) const {
    const int32_t extra = ArmMotorViceShift(cut, pl.P, margin);
    if (extra > 0) {
        pl.P = Sat(int64_t(pl.P) + extra);
        if (pl.P > head_.X_PAR_MAX) return false; // the head cannot clear the vice
    }
    return true;
}

bool BladeComposer::KeepVerticesInTravel(const BladeCut& cut, int vertexMode, CutPlacing& pl) {
    // Room for every bar position the cut's block takes: its other vertices (each at P plus its
    // X less X[0]) and a further step. Each clearance found before is a lowest position (a
    // higher P takes the blade farther from the vices), so the bar is fed further until the
    // lowest of them stands within the travel; what then passes the travel's end no position
    // can run.
    const BladeHead& h = head_;
    const int used = vertexMode == 2 ? 2 : (vertexMode >= 4 ? 4 : 1);
    int64_t low = MinInt(0, cut.stepX), high = MaxInt(0, cut.stepX);
    for (int i = 1; i < used; ++i) {
        low = std::min<int64_t>(low, int64_t(cut.X[i]) - cut.X[0]);
        high = std::max<int64_t>(high, int64_t(cut.X[i]) - cut.X[0]);
    }
    if (low < 0 && int64_t(pl.P) + low < h.X_PAR_MIN) {
        pl.P = Sat(int64_t(h.X_PAR_MIN) - low);
        if (pl.fresh) f_.cutShiftX = Sat(int64_t(pl.P) - pl.N);
    }
    return !((low < 0 || high > 0) && int64_t(pl.P) + high > h.X_PAR_MAX);
}

bool BladeComposer::FootprintCrossesViceSide(const BladeCut& cut, int vertexMode, const CutPlacing& pl) const {
    // The blade footprint at the final position must not cross the vice's side line.
    const BladeHead& h = head_;
    const int32_t A = pl.A, P = pl.P;
    const double sideX = Mm(double(h.X_PAR_MIN) - h.DIST_MORSE_LAMA);
    const double c = std::cos(MilliDegToRad(A)), s = std::sin(MilliDegToRad(A));
    int32_t cx = Sat(int64_t(P) + f_.refitShiftX), cy = cut.Y[0];
    double half = pl.r;
    if (vertexMode >= 2) {
        const int k = vertexMode == 2 ? 1 : 2;
        const int32_t Q = Sat(int64_t(P) + cut.X[k] - cut.X[0]);
        if (Q < P) {
            cx = Sat(int64_t(Q) + f_.refitShiftX);
            cy = cut.Y[k];
        }
        half = cut.footprintWidth * 1000.0 / 2.0;
    }
    const double X = PolarXPlusCos(cx, Deg(A), h.OFF_Y_LAMA, pl.across);
    const double Y = PolarYMinusSin(cy, Deg(A), h.OFF_Y_LAMA, pl.across);
    LineEntity vice, foot;
    MakeLineEntity(sideX, Mm(-h.DELTA_L_MORSE_CL), sideX, Mm(h.L_MORSA), vice);
    MakeLineEntity(Mm(X - c * half), Mm(Y + s * half), Mm(X + c * half), Mm(Y - s * half), foot);
    double mx = 0, my = 0;
    return IntersectEntities(foot, vice, mx, my, 1) == 1;
}

int32_t BladeComposer::ViceClearance(BladeCut& cut, int32_t barX, int vertexMode, int32_t margin, int boundOnly,
                                     int passThrough) {
    const int32_t a = vertexMode == 4 ? ViceBoundBlade4(cut, barX, margin)
                                      : ViceBoundBlade1(cut, barX, vertexMode, margin, passThrough);
    int32_t b = 0;
    if (!boundOnly) {
        if (vertexMode == 4) {
            const int32_t A = cut.A;
            int32_t xUsed = barX, yUsed = cut.Y[0], zUsed = cut.Z[0];
            const bool far = (A < 0 || A > 90000) && A < 180000;
            if (far) xUsed = Sat(int64_t(barX) + cut.X[2] - cut.X[0]);
            for (int i = 1; i < 4; ++i) {
                yUsed = far ? MaxInt(yUsed, cut.Y[i]) : MinInt(yUsed, cut.Y[i]);
                zUsed = MinInt(zUsed, cut.Z[i]);
            }
            b = ViceBoundHead4(cut, xUsed, yUsed, zUsed, a, margin);
        } else {
            b = ViceBoundHead1(cut, barX, vertexMode, a, margin);
        }
    }
    return MaxInt(a, b);
}

int32_t BladeComposer::FitViceToFollowingMachining(const BladeCut& cut, BladeCut& following, int32_t refX,
                                                   int32_t& viceValue, int32_t lowerBound, int32_t limit,
                                                   int32_t margin) {
    const BladeHead& h = head_;
    const int n = following.vertexCount >= 4 ? 4 : 1;
    f_.bladeGapX = 0;
    int32_t xCut = Sat(int64_t(CutBarPosition(following, n, margin, 1)) + f_.refitShiftX);
    for (int i = 0; i < (n == 4 ? 4 : 1); ++i) following.X[i] = Sat(int64_t(following.X[i]) + f_.refitShiftX);

    const double sinA = std::sin(MilliDegToRad(cut.A));
    // A blade parallel to the bar has no side offset to spread: the offset term is dropped.
    const double offsetTerm = std::fabs(sinA) > 1e-9 ? h.OFF_X_LAMA / sinA : 0.0;
    // The vice allowance DELTA_IMMORS_B must still fit under the limit (value = vice - bladeSide).
    const auto allowanceExceeded = [&](int64_t value) {
        return int64_t(h.DELTA_IMMORS_B) + value + lowerBound > limit;
    };
    int32_t result = 0;
    for (int k = 0;; ++k) {
        if (!f_.refitAgain && k > 0) break;
        if (k >= kMaxRefitPasses) return -1; // the refit does not settle
        f_.refitAgain = 0;

        int32_t lo = 0, hi = 0;
        if (n == 4) {
            lo = ViceBoundBlade4(following, xCut, margin);
            const int32_t A = following.A;
            int32_t xu = xCut, yu = following.Y[0], zu = following.Z[0];
            const bool far = (A < 0 || A > 90000) && A < 180000;
            if (far) xu = Sat(int64_t(xCut) + following.X[2] - following.X[0]);
            for (int i = 1; i < 4; ++i) {
                yu = far ? MaxInt(yu, following.Y[i]) : MinInt(yu, following.Y[i]);
                zu = MinInt(zu, following.Z[i]);
            }
            hi = ViceBoundHead4(following, xu, yu, zu, lo, margin);
        } else {
            lo = ViceBoundBlade1(following, xCut, 1, margin, 0);
            hi = ViceBoundHead1(following, xCut, 1, lo, margin);
        }
        if (lo <= hi) {
            int32_t e = ExtractorClearance(following, hi, xCut);
            if (e > 0 && e > lo) hi = Sat(int64_t(hi) + e);
            e = HighObstacleClearance(following, hi, xCut, 1);
            if (e > 0 && e > lo) hi = Sat(int64_t(hi) + e);
        } else {
            hi = 0;
        }

        const int32_t bladeSide =
            plat::TruncToInt32((double(h.DIST_LAMA) - h.X_PAR_MAX + refX) - offsetTerm);
        bool alternative = false;
        int32_t v = 0, w = 0;
        if (n == 4) {
            const int32_t g = BladeReach4(following, xCut, bladeSide, margin);
            f_.bladeGapX = g;
            v = Sat(int64_t(bladeSide) - g + hi);
        } else {
            const int32_t g = BladeReach1(h, following, xCut, bladeSide, 1, margin);
            v = Sat(int64_t(bladeSide) - g + hi);
            f_.bladeGapX = g;
            w = ViceClearance(following, xCut, 1, margin, 1, 1);
            if (w > g && w > v) {
                if (!f_.bladeClearsVice) {
                    alternative = true;
                    v = Sat(int64_t(w) - bladeSide + hi);
                } else if (g < h.X_MIN_MORSA && following.marker != 0) {
                    v = Sat(int64_t(v) + w - bladeSide);
                    alternative = true;
                }
            }
        }
        result = v;

        const int32_t d = Sat(int64_t(v) - lowerBound);
        if (d > viceValue) {
            f_.viceMoved = 1;
            viceValue = d;
            if (allowanceExceeded(int64_t(d) - bladeSide)) return -2;
        } else if (f_.bladeGapX < bladeSide) {
            f_.viceMoved = 1;
            f_.viceStepX = alternative ? Sat(int64_t(w) - bladeSide)
                                       : Sat(int64_t(viceValue) - f_.bladeGapX + bladeSide);
            if (v > lowerBound) {
                viceValue = Sat(int64_t(viceValue) + bladeSide - f_.bladeGapX);
                if (allowanceExceeded(int64_t(viceValue) - bladeSide)) return -2;
            }
            if (alternative) viceValue = v;
        }

        int32_t V = 0;
        if (lowerBound < h.X_MIN_MORSA) {
            V = h.X_MIN_MORSA;
            if (int64_t(viceValue) > int64_t(h.X_MIN_MORSA) - lowerBound)
                V = MaxInt(Sat(int64_t(viceValue) + lowerBound), hi);
        } else {
            V = Sat(int64_t(viceValue) + lowerBound);
            if (int64_t(hi) > int64_t(V) - bladeSide + f_.bladeGapX) V = hi;
        }
        const int k0 = cut.kind[0];
        const int32_t obstacle = HighObstacleClearance(cut, V, refX, (k0 == 32 || k0 == 2 || k0 == 4) ? 2 : 1);
        if (obstacle > 0) V = Sat(int64_t(V) + obstacle);
        f_.viceSideX = Sat(int64_t(V) - bladeSide);
        f_.bladeSideX = bladeSide;

        const int32_t w2 = ViceClearance(following, xCut, n, margin, 0, 0);
        int64_t s = 0;
        if (w2 < h.X_MIN_MORSA) {
            if (bladeSide > h.X_MIN_MORSA) s = int64_t(bladeSide) - h.X_MIN_MORSA;
        } else if (f_.viceMoved) {
            const int32_t w3 = ViceClearance(following, xCut, n, margin, 1, 0);
            V = Sat(int64_t(V) - f_.clampCorrectionX + w3);
            f_.bladeGapX = w3;
            if (bladeSide > V) s = int64_t(bladeSide) - V;
        } else {
            const int64_t t = int64_t(w2) - f_.clampCorrectionX - viceValue + V;
            if (bladeSide > t) s = bladeSide - t;
        }
        if (s <= 0) continue; // the pass ends without a shift

        // The accumulated shift (not the last increment) moves the vertices and the cut again.
        f_.refitShiftX = Sat(f_.refitShiftX + s);
        viceValue = Sat(viceValue + s);
        f_.refitAgain = 1;
        following.X[0] = Sat(int64_t(following.X[0]) + f_.refitShiftX);
        if (n > 1)
            for (int i = 1; i < kBladeCutVertices && following.X[i] != 0; ++i)
                following.X[i] = Sat(int64_t(following.X[i]) + f_.refitShiftX);
        xCut = Sat(int64_t(xCut) + f_.refitShiftX);
        if (xCut < h.X_PAR_MIN || xCut > h.X_PAR_MAX) return -1;
    }
    return result <= -3 ? 0 : result;
}
