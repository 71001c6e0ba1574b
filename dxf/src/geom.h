#pragma once
// Small plane-geometry helpers shared by the reader and the entity list.
#include <cmath>

namespace dxfgeom {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDegToRad = kPi / 180.0;
inline constexpr double kRadToDeg = 180.0 / kPi;

// Angle in [0, 360).
inline double NormDeg(double a) {
    // Within a turn either side of [0, 360) fmod is a plain subtraction or nothing, and exact
    // as fmod is (a - 360 for a in [360, 720) needs no rounding): the same result, without the call.
    if (a >= 0.0 && a < 360.0) return a == 0.0 ? 0.0 : a;
    if (a >= 360.0 && a < 720.0) {
        const double r = a - 360.0;
        return r == 0.0 ? 0.0 : r;
    }
    if (!std::isfinite(a)) return 0.0;
    double r = a > -360.0 ? a : std::fmod(a, 360.0);
    if (r < 0.0) r += 360.0;
    if (r >= 360.0) r -= 360.0; // -tiny + 360 can round to 360
    return r == 0.0 ? 0.0 : r;  // no -0
}

// Counter-clockwise sweep from a0 to a1 in (0, 360]; equal angles make a full turn.
inline double SweepDeg(double a0, double a1) {
    const double d = a1 - a0;
    double s = d > -360.0 && d < 360.0 ? d : std::fmod(d, 360.0); // fmod of less than a turn is itself
    if (!std::isfinite(s)) return 360.0;
    if (s <= 0.0) s += 360.0;
    return s;
}

// cos and sin of an angle in degrees, exact at multiples of 90 degrees.
inline void CosSinDeg(double deg, double& c, double& s) {
    const double n = NormDeg(deg);
    if (n == 0.0) { c = 1.0; s = 0.0; return; }
    if (n == 90.0) { c = 0.0; s = 1.0; return; }
    if (n == 180.0) { c = -1.0; s = 0.0; return; }
    if (n == 270.0) { c = 0.0; s = -1.0; return; }
    c = std::cos(n * kDegToRad);
    s = std::sin(n * kDegToRad);
}

// Angle of a direction in degrees [0, 360), exact on the axes.
inline double AtanDeg(double y, double x) {
    if (y == 0.0 && x > 0.0) return 0.0;
    if (y == 0.0 && x < 0.0) return 180.0;
    if (x == 0.0 && y > 0.0) return 90.0;
    if (x == 0.0 && y < 0.0) return 270.0;
    return NormDeg(std::atan2(y, x) * kRadToDeg);
}

// Is angle a (degrees) within the counter-clockwise sweep starting at a0?
inline bool InSweep(double a, double a0, double sweep) {
    double d = NormDeg(a - a0);
    return d <= sweep;
}

// 2D affine map x' = a x + b y + e, y' = c x + d y + f.
struct Affine {
    double a = 1.0, b = 0.0, c = 0.0, d = 1.0, e = 0.0, f = 0.0;

    void Apply(double x, double y, double& ox, double& oy) const {
        ox = a * x + b * y + e;
        oy = c * x + d * y + f;
    }
    // this after o: (this * o)(p) = this(o(p))
    Affine operator*(const Affine& o) const {
        Affine r;
        r.a = a * o.a + b * o.c;
        r.b = a * o.b + b * o.d;
        r.c = c * o.a + d * o.c;
        r.d = c * o.b + d * o.d;
        r.e = a * o.e + b * o.f + e;
        r.f = c * o.e + d * o.f + f;
        return r;
    }
    static Affine Translate(double tx, double ty) {
        Affine r;
        r.e = tx;
        r.f = ty;
        return r;
    }
    static Affine Scale(double sx, double sy) {
        Affine r;
        r.a = sx;
        r.d = sy;
        return r;
    }
    static Affine RotateDeg(double deg) {
        Affine r;
        double cs, sn;
        CosSinDeg(deg, cs, sn);
        r.a = cs;
        r.b = -sn;
        r.c = sn;
        r.d = cs;
        return r;
    }
};

} // namespace dxfgeom
