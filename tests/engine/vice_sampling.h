#pragma once
// The blade disc against the vices, sampled in the machine's plan view and independent of the
// engine's clearance code: the disc of radius half DIAM_LAMA, cut at the height of the vices'
// top, turned by the cut angle about the blade's reference point; the vices' band across the bar
// from their front line to their back line, over every X (a vice standing anywhere in its travel
// reaches every X beyond its position).
#include <algorithm>
#include <cmath>

#include "engine/blade_geometry.h"
#include "machine/geometry.h"

namespace vicesample {

inline double Rad(int32_t milliDeg) { return milliDeg / 1000.0 * std::acos(-1.0) / 180.0; }

// Largest X (thousandths) that the blade disc of a one-vertex cut at angle A, with the bar at
// barX, its vertex at Y y0 and its centre at height z0, reaches inside the vices' band; -1e18 when
// it stays out of the band or above the vices' top.
inline double DiscNeed(const BladeHead& h, const BladeSection& s, int32_t A, int32_t barX, int32_t y0, int32_t z0) {
    const int32_t across = (A >= 0 && A <= 180000) ? h.OFF_X_LAMA : h.OFF_X_LAMA + h.SPESS_LAMA;
    const double X = PolarXPlusCos(barX, A / 1000.0, h.OFF_Y_LAMA, across) + double(h.DIST_LAMA) - h.X_PAR_MAX;
    const double Y = PolarYMinusSin(y0, A / 1000.0, h.OFF_Y_LAMA, across);
    const double r = h.DIAM_LAMA / 2;
    const double top = double(s.zMax) + h.DELTA_H_MORSE_CL;
    const double below = top - (double(z0) - r); // how far the vices' top rises into the disc
    if (below <= 0 || r <= 0) return -1e18;
    const double w = below >= r ? r : std::sqrt(r * r - (r - below) * (r - below));
    const double front = -double(h.DELTA_L_MORSE_CL), back = std::max<double>(h.L_MORSA, double(s.yMax) + h.SPESS_ESTRATT);
    const double c = std::cos(Rad(A)), sn = std::sin(Rad(A));
    double need = -1e18;
    for (int k = -2000; k <= 2000; ++k) {
        const double u = w * k / 2000.0;
        const double x = X + c * u, y = Y - sn * u;
        if (y >= front && y <= back) need = std::max(need, x);
    }
    return need;
}

} // namespace vicesample
