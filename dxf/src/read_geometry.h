#pragma once
// The plane geometry of the entities' records: an entity's own coordinate system onto the
// drawing plane, and the points of the curves that are drawn as lines (splines through their
// fit points, B-splines by their control points).
#include <cstddef>
#include <vector>

#include "geom.h"

namespace dxfread {

struct Vertex {
    double x, y, bulge;
};

// Map of an entity's own coordinate system (arbitrary axis rule) onto the drawing plane; z is
// the entity's elevation along its extrusion direction n0.
dxfgeom::Affine OcsAffine(const double n0[3], double z);

// The curve of a spline given by fit points only: the cubic spline through the points, twice
// differentiable at each of them, parametrised by chord length; a closed one is periodic. An
// end tangent given in the file (any length; only its direction counts) is the curve's
// direction there. Decision: an open end without a tangent takes the direction of the parabola
// through the first (last) three points. Returns the sample points in order; fewer than two
// distinct points give none.
std::vector<Vertex> FitPointCurve(const std::vector<Vertex>& input, bool closed, const double* startTangent,
                                  const double* endTangent);

// Points of a B-spline of degree p by de Boor's algorithm in homogeneous form: the control
// points weighted when weights are given (a rational spline), the knots checked by the caller.
class DeBoor {
public:
    DeBoor(size_t p, const std::vector<double>& knots, const std::vector<Vertex>& ctrl, const double* weights)
        : p_(p), knots_(knots), ctrl_(ctrl), weights_(weights), dx_(p + 1), dy_(p + 1), dw_(p + 1) {}
    // The point at t in the knot span [knots[k], knots[k + 1]).
    void Point(size_t k, double t, double& ox, double& oy);

private:
    const size_t p_;
    const std::vector<double>& knots_;
    const std::vector<Vertex>& ctrl_;
    const double* weights_;
    std::vector<double> dx_, dy_, dw_;
};

} // namespace dxfread
