// The bare outline of a drawing: geometry only, transformed as the entity list is.
#include "dxf/outline.h"

#include <iterator>
#include <utility>

#include "geom.h"
#include "shape_ops.h"

void MOutline::Clear() {
    shapes_.clear();
    limits_ = MLimits{};
}

void MOutline::Add(const MEntity& e) {
    if (e.kind == MEntityKind::Text || e.kind == MEntityKind::Attribute) return;
    MShape s;
    s.kind = e.kind;
    s.x = e.x;
    s.y = e.y;
    s.x2 = e.x2;
    s.y2 = e.y2;
    s.radius = e.radius;
    s.startAngle = e.startAngle;
    s.endAngle = e.endAngle;
    s.reversed = e.reversed;
    shapes_.push_back(s);
    dxfshape::Extend(limits_, s);
}

void MOutline::AddLine(double x1, double y1, double x2, double y2) {
    MShape s;
    dxfshape::SetLine(s, x1, y1, x2, y2);
    shapes_.push_back(s);
    dxfshape::Extend(limits_, s);
}

void MOutline::Assign(std::vector<MShape>&& shapes) {
    shapes_ = std::move(shapes);
    Recompute();
}

void MOutline::Recompute() {
    limits_ = MLimits{};
    dxfshape::CosSinMemo memo;
    for (const MShape& s : shapes_) dxfshape::Extend(limits_, s, &memo);
}

const MLimits& MOutline::GetLimits() {
    Recompute();
    return limits_;
}

void MOutline::Mirror(int axis) {
    if (axis != 1 && axis != 2) return;
    const double cx = (limits_.minX + limits_.maxX) / 2.0;
    const double cy = (limits_.minY + limits_.maxY) / 2.0;
    for (MShape& s : shapes_) dxfshape::Mirror(s, axis, cx, cy);
    Recompute();
}

void MOutline::Rotate(double degrees) {
    if (!std::isfinite(degrees)) return;
    double c, s;
    dxfgeom::CosSinDeg(degrees, c, s);
    for (MShape& e : shapes_) dxfshape::Rotate(e, degrees, c, s, 0.0, 0.0);
    Recompute();
}

void MOutline::Move(double dx, double dy) {
    for (MShape& s : shapes_) dxfshape::Move(s, dx, dy);
    // The limits are taken anew only when asked for (GetLimits): the arc conversion gives the
    // moved outline's own.
    limits_ = MLimits{};
}

size_t MOutline::LineCount(double stepDegrees) const {
    const double step = dxfshape::CurveStep(stepDegrees);
    size_t total = 0;
    for (const MShape& s : shapes_) total += dxfshape::IsCurve(s) ? size_t(dxfshape::Segments(s, step)) : 1;
    return total;
}

void MOutline::TakeLineStarts(double stepDegrees, double dx, double dy, MLimits& limits,
                              void (*put)(void* context, const MPoint* points, size_t count), void* context) {
    const double step = dxfshape::CurveStep(stepDegrees);
    limits = MLimits{};
    dxfshape::CosSinMemo memo;
    MPoint run[256];
    size_t n = 0;
    auto take = [&](double x, double y) {
        if (n == std::size(run)) {
            put(context, run, n);
            n = 0;
        }
        run[n++] = MPoint{x + dx, y + dy};
    };
    for (const MShape& s : shapes_) {
        if (!dxfshape::IsCurve(s)) {
            take(s.x, s.y);
            dxfshape::Extend(limits, s);
            continue;
        }
        // Every segment's end is the next one's start: the limits take each point once.
        double lastX = 0.0, lastY = 0.0;
        dxfshape::ForEachSegment(
            s, step,
            [&](double px, double py, double qx, double qy) {
                take(px, py);
                dxfshape::Include(limits, px, py);
                lastX = qx;
                lastY = qy;
            },
            &memo);
        dxfshape::Include(limits, lastX, lastY);
    }
    if (n != 0) put(context, run, n);
    Clear();
    shapes_.shrink_to_fit();
}
