// Plane coordinate systems: the roto-translation between two of them.
#include "dxf/coords.h"

#include <cmath>
#include <initializer_list>

#include "geom.h"

MCoordinateSystem::MCoordinateSystem(double originX, double originY, double xAxisX, double xAxisY,
                                     double yAxisX, double yAxisY)
    : ox_(originX), oy_(originY), ux_(xAxisX), uy_(xAxisY), vx_(yAxisX), vy_(yAxisY) {}

int MCoordinateSystem::GetRotoTras(ROTOTRAS& rt, const MCoordinateSystem& other) const {
    rt = ROTOTRAS{};
    // A point with coordinates l in this system lies at O1 + A1 l; in other's coordinates it is
    // A2^-1 (O1 + A1 l - O2).
    const double det = other.ux_ * other.vy_ - other.vx_ * other.uy_;
    const double vals[] = {ox_, oy_, ux_, uy_, vx_, vy_, other.ox_, other.oy_, det};
    for (double v : vals)
        if (!std::isfinite(v)) return -1;
    if (std::fabs(det) < 1e-12) return -1;
    const double i11 = other.vy_ / det, i12 = -other.vx_ / det;
    const double i21 = -other.uy_ / det, i22 = other.ux_ / det;
    ROTOTRAS r;
    r.m11 = i11 * ux_ + i12 * uy_;
    r.m12 = i11 * vx_ + i12 * vy_;
    r.m21 = i21 * ux_ + i22 * uy_;
    r.m22 = i21 * vx_ + i22 * vy_;
    const double tx = ox_ - other.ox_, ty = oy_ - other.oy_;
    r.dx = i11 * tx + i12 * ty;
    r.dy = i21 * tx + i22 * ty;
    r.angle = dxfgeom::AtanDeg(r.m21, r.m11);
    for (double v : {r.m11, r.m12, r.m21, r.m22, r.dx, r.dy})
        if (!std::isfinite(v)) return -1;
    rt = r;
    return 0;
}
