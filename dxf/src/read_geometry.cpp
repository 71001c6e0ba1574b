// Plane geometry of the entities' records: coordinate systems and the curves drawn as lines.
#include "read_geometry.h"

#include <algorithm>
#include <cmath>

#include "read_limits.h"

using dxfgeom::Affine;

namespace dxfread {

Affine OcsAffine(const double n0[3], double z) {
    double n[3] = {n0[0], n0[1], n0[2]};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len > 1e-12) || !std::isfinite(len)) return Affine{};
    for (double& v : n) v /= len;
    if (n[0] == 0.0 && n[1] == 0.0 && n[2] > 0.0) return Affine{}; // the usual case, exactly
    double ax[3];
    if (std::fabs(n[0]) < 1.0 / 64.0 && std::fabs(n[1]) < 1.0 / 64.0) {
        ax[0] = n[2]; // (0,1,0) x n
        ax[1] = 0.0;
        ax[2] = -n[0];
    } else {
        ax[0] = -n[1]; // (0,0,1) x n
        ax[1] = n[0];
        ax[2] = 0.0;
    }
    const double al = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]);
    for (double& v : ax) v /= al;
    const double ay[3] = {n[1] * ax[2] - n[2] * ax[1], n[2] * ax[0] - n[0] * ax[2], n[0] * ax[1] - n[1] * ax[0]};
    Affine a;
    a.a = ax[0];
    a.b = ay[0];
    a.c = ax[1];
    a.d = ay[1];
    a.e = z * n[0];
    a.f = z * n[1];
    return a;
}

namespace {

// Solves the tridiagonal system lower[i] x[i-1] + diag[i] x[i] + upper[i] x[i+1] = r[i] in
// place of r (elimination without pivoting: the systems below are diagonally dominant).
void SolveTridiagonal(const std::vector<double>& lower, std::vector<double> diag, const std::vector<double>& upper,
                      std::vector<double>& r) {
    const size_t m = diag.size();
    for (size_t i = 1; i < m; ++i) {
        const double w = lower[i] / diag[i - 1];
        diag[i] -= w * upper[i - 1];
        r[i] -= w * r[i - 1];
    }
    r[m - 1] /= diag[m - 1];
    for (size_t i = m - 1; i-- > 0;) r[i] = (r[i] - upper[i] * r[i + 1]) / diag[i];
}

// The fit points of a spline with the chord lengths of their spans.
struct FitPoints {
    std::vector<Vertex> f;
    std::vector<double> h; // h[i]: from f[i] to f[i + 1]
    double Slope(size_t span, bool yAxis) const {
        return ((yAxis ? f[span + 1].y - f[span].y : f[span + 1].x - f[span].x)) / h[span];
    }
};

// Continuity of the second derivative at point i between span p (before) and span q (after):
// h[q] d[i-1] + 2 (h[p] + h[q]) d[i] + h[p] d[i+1] = 3 (h[q] s[p] + h[p] s[q]).

// The derivatives at the points of a closed curve (the last point is the first again).
void ClosedDerivatives(const FitPoints& fp, std::vector<double>& dx, std::vector<double>& dy) {
    const std::vector<double>& h = fp.h;
    const size_t m = fp.f.size() - 1; // distinct points, the last span back to the first
    std::vector<double> lower(m), diag(m), upper(m), rx(m), ry(m);
    for (size_t i = 0; i < m; ++i) {
        const size_t p = (i + m - 1) % m, q = i;
        lower[i] = h[q];
        diag[i] = 2.0 * (h[p] + h[q]);
        upper[i] = h[p];
        rx[i] = 3.0 * (h[q] * fp.Slope(p, false) + h[p] * fp.Slope(q, false));
        ry[i] = 3.0 * (h[q] * fp.Slope(p, true) + h[p] * fp.Slope(q, true));
    }
    // The two corners (lower[0] and upper[m-1]) by the Sherman-Morrison correction.
    const double gamma = -diag[0], corner0 = lower[0], cornerM = upper[m - 1];
    std::vector<double> tri = diag;
    tri[0] -= gamma;
    tri[m - 1] -= corner0 * cornerM / gamma;
    std::vector<double> z(m, 0.0);
    z[0] = gamma;
    z[m - 1] = cornerM;
    SolveTridiagonal(lower, tri, upper, rx);
    SolveTridiagonal(lower, tri, upper, ry);
    SolveTridiagonal(lower, tri, upper, z);
    const double den = 1.0 + z[0] + corner0 * z[m - 1] / gamma;
    const double fx = (rx[0] + corner0 * rx[m - 1] / gamma) / den;
    const double fy = (ry[0] + corner0 * ry[m - 1] / gamma) / den;
    for (size_t i = 0; i < m; ++i) {
        dx[i] = rx[i] - fx * z[i];
        dy[i] = ry[i] - fy * z[i];
    }
    dx[m] = dx[0];
    dy[m] = dy[0];
}

// The direction of the tangent t given in the file, false without a usable one.
bool UnitOf(const double* t, double& ox, double& oy) {
    const double len = t != nullptr ? std::hypot(t[0], t[1]) : 0.0;
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    ox = t[0] / len;
    oy = t[1] / len;
    return true;
}

// Derivative of the parabola through three points from `first` at their first (k 0) or last (k 2).
void ParabolaDerivative(const FitPoints& fp, size_t first, int k, double& ox, double& oy) {
    const double a = fp.h[first], b = fp.h[first + 1];
    const double e = k == 0 ? -a / (a + b) : 1.0 + b / (a + b);
    ox = fp.Slope(first, false) + e * (fp.Slope(first + 1, false) - fp.Slope(first, false));
    oy = fp.Slope(first, true) + e * (fp.Slope(first + 1, true) - fp.Slope(first, true));
}

// The derivatives at the points of an open curve: its ends from the tangents, the inner points
// from the continuity.
void OpenDerivatives(const FitPoints& fp, const double* startTangent, const double* endTangent,
                     std::vector<double>& dx, std::vector<double>& dy) {
    const std::vector<double>& h = fp.h;
    const size_t n = fp.f.size();
    if (!UnitOf(startTangent, dx[0], dy[0])) {
        if (n == 2) dx[0] = fp.Slope(0, false), dy[0] = fp.Slope(0, true);
        else ParabolaDerivative(fp, 0, 0, dx[0], dy[0]);
    }
    if (!UnitOf(endTangent, dx[n - 1], dy[n - 1])) {
        if (n == 2) dx[1] = fp.Slope(0, false), dy[1] = fp.Slope(0, true);
        else ParabolaDerivative(fp, n - 3, 2, dx[n - 1], dy[n - 1]);
    }
    if (n <= 2) return;
    const size_t m = n - 2; // the inner points 1 .. n-2
    std::vector<double> lower(m), diag(m), upper(m), rx(m), ry(m);
    for (size_t k = 0; k < m; ++k) {
        const size_t i = k + 1, p = i - 1, q = i;
        lower[k] = h[q];
        diag[k] = 2.0 * (h[p] + h[q]);
        upper[k] = h[p];
        rx[k] = 3.0 * (h[q] * fp.Slope(p, false) + h[p] * fp.Slope(q, false));
        ry[k] = 3.0 * (h[q] * fp.Slope(p, true) + h[p] * fp.Slope(q, true));
    }
    rx[0] -= lower[0] * dx[0];
    ry[0] -= lower[0] * dy[0];
    rx[m - 1] -= upper[m - 1] * dx[n - 1];
    ry[m - 1] -= upper[m - 1] * dy[n - 1];
    SolveTridiagonal(lower, diag, upper, rx);
    SolveTridiagonal(lower, diag, upper, ry);
    for (size_t k = 0; k < m; ++k) {
        dx[k + 1] = rx[k];
        dy[k + 1] = ry[k];
    }
}

// Each span a cubic Hermite piece between its points with their derivatives.
std::vector<Vertex> HermiteSamples(const FitPoints& fp, const std::vector<double>& dx, const std::vector<double>& dy) {
    const std::vector<Vertex>& f = fp.f;
    const std::vector<double>& h = fp.h;
    const size_t n = f.size();
    const size_t perSpan = std::clamp<size_t>(kMaxSplineSamples / (n - 1), 1, 16);
    std::vector<Vertex> out;
    out.reserve((n - 1) * perSpan + 1);
    out.push_back(f[0]);
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t s = 1; s <= perSpan; ++s) {
            if (s == perSpan) {
                out.push_back(f[i + 1]);
                continue;
            }
            const double t = double(s) / double(perSpan), t2 = t * t, t3 = t2 * t;
            const double a = 2 * t3 - 3 * t2 + 1, b = t3 - 2 * t2 + t, c = -2 * t3 + 3 * t2, d = t3 - t2;
            out.push_back(Vertex{a * f[i].x + b * h[i] * dx[i] + c * f[i + 1].x + d * h[i] * dx[i + 1],
                                 a * f[i].y + b * h[i] * dy[i] + c * f[i + 1].y + d * h[i] * dy[i + 1], 0.0});
        }
    }
    return out;
}

} // namespace

std::vector<Vertex> FitPointCurve(const std::vector<Vertex>& input, bool closed, const double* startTangent,
                                  const double* endTangent) {
    FitPoints fp;
    std::vector<Vertex>& f = fp.f;
    for (const Vertex& v : input)
        if (f.empty() || v.x != f.back().x || v.y != f.back().y) f.push_back(Vertex{v.x, v.y, 0.0});
    const bool ring = f.size() > 1 && f.front().x == f.back().x && f.front().y == f.back().y;
    if (closed && !ring && f.size() > 2) f.push_back(f.front());
    closed = closed && f.size() > 3; // at least three distinct points around
    const size_t n = f.size();
    if (n < 2) return {};
    fp.h.resize(n - 1);
    for (size_t i = 0; i + 1 < n; ++i) fp.h[i] = std::hypot(f[i + 1].x - f[i].x, f[i + 1].y - f[i].y);
    for (double v : fp.h)
        if (!(v > 0.0) || !std::isfinite(v)) return {};
    std::vector<double> dx(n), dy(n);
    if (closed)
        ClosedDerivatives(fp, dx, dy);
    else
        OpenDerivatives(fp, startTangent, endTangent, dx, dy);
    return HermiteSamples(fp, dx, dy);
}

void DeBoor::Point(size_t k, double t, double& ox, double& oy) {
    const size_t p = p_;
    for (size_t j = 0; j <= p; ++j) {
        const size_t idx = j + k - p;
        const double w = weights_ != nullptr ? weights_[idx] : 1.0;
        dx_[j] = ctrl_[idx].x * w;
        dy_[j] = ctrl_[idx].y * w;
        dw_[j] = w;
    }
    for (size_t r = 1; r <= p; ++r) {
        for (size_t j = p; j >= r; --j) {
            const double den = knots_[j + 1 + k - r] - knots_[j + k - p];
            const double a = den > 0.0 ? (t - knots_[j + k - p]) / den : 0.0;
            dx_[j] = (1.0 - a) * dx_[j - 1] + a * dx_[j];
            dy_[j] = (1.0 - a) * dy_[j - 1] + a * dy_[j];
            dw_[j] = (1.0 - a) * dw_[j - 1] + a * dw_[j];
        }
    }
    ox = dx_[p] / dw_[p];
    oy = dy_[p] / dw_[p];
}

} // namespace dxfread
