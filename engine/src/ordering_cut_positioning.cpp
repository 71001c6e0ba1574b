// The cut positioning of variant 1: where the bar stands when a cut leads a positioning, and
// where the cut's points move with it.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "machine/geometry.h"
#include "machine/profile_overrides.h"
#include "machine/settings.h"
#include "ordering_internal.h"

namespace ordering_detail {

namespace {
int32_t TruncD(double v) {
    if (!std::isfinite(v)) return 0;
    return Sat(static_cast<int64_t>(std::clamp(v, -2147483648.0, 2147483647.0)));
}

// The blade turned to a cut's angle (degrees): the bar's length, the blade's width across its
// offset, and the moves between the bar's frame and the blade's (TX, TY) and back (TXi, TYi).
struct BladeFrame {
    const MachineSettings& s;
    int32_t L;
    int32_t across;
    double a;
    double rad;
    BladeFrame(const Work& w, double angle)
        : s(w.s), L(GeometryOf(w.bc).L), across(s.SPESS_LAMA + s.OFF_X_LAMA), a(angle), rad(DegToRad(angle)) {}
    int32_t TX(int32_t x) const { return PolarXMinusCos(x, a, s.OFF_Y_LAMA, across); }
    int32_t TXi(int32_t x) const { return PolarXPlusCos(x, a, s.OFF_Y_LAMA, across); }
    int32_t TY(int32_t y) const { return PolarYPlusSin(y, a, s.OFF_Y_LAMA, across); }
    int32_t TYi(int32_t y) const { return PolarYMinusSin(y, a, s.OFF_Y_LAMA, across); }
};

// An end cut: every pass placed in turn, the cut points moved with the bar to the last one's positioning.
int64_t PlaceEndCut(Work& w, WorkingMachining& cut, int32_t R) {
    const BladeFrame f(w, cut.cutAngle);
    const MachineSettings& s = f.s;
    const int32_t L = f.L, across = f.across;
    const double a = f.a, rad = f.rad;
    int64_t P = 0;
    // Every pass of the cut is placed in turn from the X it was planned at; the last pass's
    // positioning stands, and every pass then moves with the bar to that positioning (the
    // last one lands where its own placing put it). Points of square passes, and of a single
    // angled pass at Y 0, stand in the blade's own frame; the others in the cut plane.
    const int count = SectionCutPointCount(cut);
    int32_t planned[kMaxCutPoints] = {};
    bool inCutPlane[kMaxCutPoints] = {};
    std::copy(cut.cutPointX, cut.cutPointX + kMaxCutPoints, planned);
    for (int k = 0; k < count; ++k) {
        const int32_t x = planned[k];
        const int32_t b = f.TXi(x);
        const int32_t type = cut.cutPointFlags[k];
        if (type == 1 || type == 2 || type == 4) {
            P = int64_t{L} - x + R;
        } else if (type == 16) {
            const int32_t c = TruncD(R - across / std::sin(rad));
            inCutPlane[k] = cut.cutPointY[k] != 0;
            P = inCutPlane[k] ? int64_t{L} - b + c : int64_t{L} - x + f.TX(c);
        } else {
            const int32_t y = f.TYi(cut.cutPointY[k]);
            int32_t c = 0;
            if (TruncD(a * 1000.0) >= 90000) {
                const int32_t offY = w.bc.currentBar != nullptr
                                         ? CpGetOffY(w.bc.currentBar->series, w.bc.currentBar->code)
                                         : 0;
                c = TruncD(R - (double(y) - offY) / std::tan(rad));
            } else {
                c = TruncD(s.DIST_MORSE34 - (double(y) - s.L_MORSA) / std::tan(rad));
            }
            inCutPlane[k] = true;
            P = int64_t{L} - b + c;
        }
    }
    const int64_t shift = P - L;
    for (int k = 0; k < count; ++k)
        cut.cutPointX[k] = inCutPlane[k] ? f.TX(Sat(f.TXi(planned[k]) + shift)) : Sat(planned[k] + shift);
    // Points planned beyond the passes move with them.
    for (int k = count; k < kMaxCutPoints && cut.cutPointX[k] != 0; ++k)
        cut.cutPointX[k] = Sat(planned[k] + shift);
    return P;
}

// A blade cut of the Q axis: its one cut point at the blade's reach.
int64_t PlaceQBladeCut(Work& w, WorkingMachining& cut, int32_t R) {
    const BladeFrame f(w, cut.ATaglio / 1000.0);
    const MachineSettings& s = f.s;
    const int32_t L = f.L, across = f.across;
    const double a = f.a, rad = f.rad;
    int64_t P = 0;
    const double h = s.DIAM_LAMA / 2;
    int32_t c = 0;
    if (a == 0 || a == 90)
        c = TruncD(R + std::cos(rad) * h - std::sin(rad) * across);
    else if (s.Q_MIN_LAMA / 1000.0 < a && a < 90)
        c = TruncD(R + std::cos(rad) * h);
    else
        c = TruncD(R - std::cos(rad) * h);
    cut.cutPointMode = 1;
    cut.cutPointX[0] = f.TX(c);
    cut.cutPointY[0] = f.TY(cut.Y);
    P = int64_t{L} - f.TX(cut.X) + cut.cutPointX[0];
    return P;
}

// A slicer blade cut: its four cut points moved to the blade's reach.
int64_t PlaceSlicerCut(Work& w, WorkingMachining& cut, int32_t R) {
    const BladeFrame f(w, cut.ATaglio / 1000.0);
    const int32_t L = f.L, across = f.across;
    const double a = f.a, rad = f.rad;
    int64_t P = 0;
    const BarGeometry g = GeometryOf(w.bc);
    cut.cutPointMode = 4;
    if (a == 90) {
        const int32_t c = TruncD(R - std::sin(rad) * across);
        for (int k = 0; k < 4; ++k) cut.cutPointX[k] = f.TX(c);
        P = int64_t{L} - f.TX(cut.X) + f.TX(c);
    } else {
        const int32_t x0 =
            cut.nearHorizontal != 0 ? cut.X : TruncD(cut.X + (double(cut.Y) - g.profileMinY) / std::tan(rad));
        int32_t p[4], q[4];
        for (int k = 0; k < 4; ++k) {
            p[k] = f.TXi(cut.cutPointX[k]);
            q[k] = f.TYi(cut.cutPointY[k]);
        }
        int64_t r = R;
        if (a > 180 || (a > 0 && a < 90)) {
            int64_t spread = 0;
            for (int k = 0; k < 3; ++k) spread = std::max<int64_t>(spread, std::llabs(int64_t{p[k]} - p[k + 1]));
            r = R + spread;
        }
        P = int64_t{L} - f.TX(x0) + f.TX(Sat(r));
        for (int k = 0; k < 4; ++k) {
            cut.cutPointX[k] = f.TX(Sat(int64_t{p[k]} - (x0 - r)));
            cut.cutPointY[k] = f.TY(q[k]);
        }
    }
    return P;
}

} // namespace

// Variant 1: the positioning X of a cut that leads a positioning; moves its cut points.
int32_t PlaceCutPositioning(Work& w, WorkingMachining& cut, int32_t R) {
    int64_t P = 0;
    if (cut.TipoLavor == kKindEndCut)
        P = PlaceEndCut(w, cut, R);
    else if (cut.TipoLavor == kKindQBlade)
        P = PlaceQBladeCut(w, cut, R);
    else if (cut.TipoLavor == kKindSlicerBlade)
        P = PlaceSlicerCut(w, cut, R);
    return Sat(P);
}

} // namespace ordering_detail
