// The entity list: limits, transforms, arc conversion, fitting and drawing.
#include "dxf/entities.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "geom.h"
#include "shape_ops.h"
#include "platform/text.h"

using dxfgeom::CosSinDeg;
using dxfgeom::NormDeg;
using dxfgeom::SweepDeg;

namespace {

bool IsCurve(const MEntity& e) { return dxfshape::IsCurve(e); }

void PointAt(const MEntity& e, double deg, double& x, double& y) { dxfshape::PointAt(e, deg, x, y); }

} // namespace

void MEntitiesList::Clear() {
    entities_.clear();
    limits_ = MLimits{};
    offsetX_ = offsetY_ = 0.0;
    scale_ = 1.0;
}

void MEntitiesList::Extend(const MEntity& e) { dxfshape::Extend(limits_, e); }

void MEntitiesList::Recompute() {
    limits_ = MLimits{};
    for (const MEntity& e : entities_) Extend(e);
}

const MLimits& MEntitiesList::GetLimits() {
    Recompute();
    return limits_;
}

void MEntitiesList::AddEntity(const MEntity& e) {
    entities_.push_back(e);
    Extend(entities_.back());
}

void MEntitiesList::AddEntity(MEntity&& e) {
    entities_.push_back(std::move(e));
    Extend(entities_.back());
}

void MEntitiesList::AddEntity(MEntityKind kind, double x1, double y1, double x2, double y2,
                              std::string_view layer) {
    MEntity e;
    e.kind = kind;
    e.x = x1;
    e.y = y1;
    e.x2 = x2;
    e.y2 = y2;
    e.layer.assign(layer.data(), layer.size());
    AddEntity(std::move(e));
}

void MEntitiesList::CreateLine(double x1, double y1, double x2, double y2, std::string_view layer) {
    AddEntity(MEntityKind::Line, x1, y1, x2, y2, layer);
}

namespace {
size_t EraseKind(std::vector<MEntity>& v, MEntityKind kind, std::string_view layer) {
    const size_t before = v.size();
    v.erase(std::remove_if(v.begin(), v.end(),
                           [&](const MEntity& e) {
                               return e.kind == kind && (layer.empty() || plat::EqualsNoCase(e.layer, layer));
                           }),
            v.end());
    return before - v.size();
}
} // namespace

size_t MEntitiesList::DeleteText(std::string_view layer) {
    const size_t n = EraseKind(entities_, MEntityKind::Text, layer);
    Recompute();
    return n;
}

size_t MEntitiesList::DeleteAttributes(std::string_view layer) {
    const size_t n = EraseKind(entities_, MEntityKind::Attribute, layer);
    Recompute();
    return n;
}

void MEntitiesList::ConvertArcsToLines(double stepDegrees) {
    const double step = dxfshape::CurveStep(stepDegrees);
    if (std::none_of(entities_.begin(), entities_.end(), IsCurve)) return;
    // The converted list is made once at its final size.
    size_t total = 0;
    for (const MEntity& e : entities_) total += IsCurve(e) ? size_t(dxfshape::Segments(e, step)) : 1;
    std::vector<MEntity> out;
    out.reserve(total);
    for (MEntity& e : entities_) {
        if (!IsCurve(e)) {
            out.push_back(std::move(e));
            continue;
        }
        dxfshape::ForEachSegment(e, step, [&](double px, double py, double qx, double qy) {
            MEntity l;
            l.kind = MEntityKind::Line;
            l.x = px;
            l.y = py;
            l.x2 = qx;
            l.y2 = qy;
            l.color = e.color;
            l.layer = e.layer;
            out.push_back(std::move(l));
        });
    }
    entities_ = std::move(out);
    Recompute();
}

void MEntitiesList::Mirror(int axis, const MPoint* about) {
    if (axis != 1 && axis != 2) return;
    const double cx = about ? about->x : (limits_.minX + limits_.maxX) / 2.0;
    const double cy = about ? about->y : (limits_.minY + limits_.maxY) / 2.0;
    const double base = axis == 1 ? 180.0 : 0.0;
    for (MEntity& e : entities_) {
        dxfshape::Mirror(e, axis, cx, cy);
        if (e.kind == MEntityKind::Text || e.kind == MEntityKind::Attribute) e.rotation = NormDeg(base - e.rotation);
    }
    Recompute();
}

void MEntitiesList::Rotate(double degrees, const MPoint* centre) {
    if (!std::isfinite(degrees)) return;
    const double cx = centre ? centre->x : 0.0;
    const double cy = centre ? centre->y : 0.0;
    double c, s;
    CosSinDeg(degrees, c, s);
    for (MEntity& e : entities_) {
        dxfshape::Rotate(e, degrees, c, s, cx, cy);
        if (e.kind == MEntityKind::Text || e.kind == MEntityKind::Attribute)
            e.rotation = NormDeg(e.rotation + degrees);
    }
    Recompute();
}

void MEntitiesList::Move(double dx, double dy) {
    for (MEntity& e : entities_) dxfshape::Move(e, dx, dy);
    Recompute();
}

bool MEntitiesList::AutoScale(const MRect& rect, double percent) {
    // Decision: the drawing is centred and fitted into (width - 1) x (height - 1) pixel steps, so
    // that at 100% its extreme points land on the first and last pixel of the rectangle.
    double p = std::isfinite(percent) ? percent : 100.0;
    p = std::clamp(p, 1.0, 100.0) / 100.0;
    const double spanW = std::max(1.0, double(rect.right) - double(rect.left) - 1.0);
    const double spanH = std::max(1.0, double(rect.bottom) - double(rect.top) - 1.0);
    const double w = limits_.maxX - limits_.minX;
    const double h = limits_.maxY - limits_.minY;
    double s = 0.0;
    if (!limits_.empty && std::isfinite(w) && std::isfinite(h)) s = std::max(w / (spanW * p), h / (spanH * p));
    if (!(s > 0.0) || !std::isfinite(s)) s = 1.0; // empty or zero-size drawing: never divide by zero
    scale_ = s;
    const double cx = limits_.empty ? 0.0 : (limits_.minX + limits_.maxX) / 2.0;
    const double cy = limits_.empty ? 0.0 : (limits_.minY + limits_.maxY) / 2.0;
    const double pcx = double(rect.left) + spanW / 2.0;
    const double pcy = double(rect.top) + spanH / 2.0;
    // column = (x - offsetX) / s = pcx + (x - cx) / s; row = (offsetY - y) / s = pcy - (y - cy) / s
    offsetX_ = cx - pcx * s;
    offsetY_ = cy + pcy * s;
    return !limits_.empty;
}

MPixel MEntitiesList::ToPixel(double x, double y) const {
    return MPixel{plat::RoundToInt32((x - offsetX_) / scale_), plat::RoundToInt32((offsetY_ - y) / scale_)};
}

void MEntitiesList::Draw(MCanvas& canvas, const MRect& rect, MColor pen) const {
    const double s = scale_;
    auto col = [&](double x) { return (x - offsetX_) / s; };
    auto row = [&](double y) { return (offsetY_ - y) / s; };
    for (const MEntity& e : entities_) {
        switch (e.kind) {
        case MEntityKind::Line:
            canvas.DrawLine(col(e.x), row(e.y), col(e.x2), row(e.y2), pen, rect);
            break;
        case MEntityKind::Arc:
        case MEntityKind::Circle: {
            const bool circle = e.kind == MEntityKind::Circle;
            const double sweep = circle ? 360.0 : SweepDeg(e.startAngle, e.endAngle);
            const double start = circle ? 0.0 : e.startAngle;
            const double rp = e.radius / s;
            if (!std::isfinite(rp) || !std::isfinite(sweep)) break;
            // Segments of about two pixels, at least 4 and at most 4096.
            const double want = std::ceil(sweep * dxfgeom::kDegToRad * std::fabs(rp) / 2.0);
            const int n = int(std::clamp(want, 4.0, 4096.0));
            double px, py;
            PointAt(e, start, px, py);
            for (int i = 1; i <= n; ++i) {
                double qx, qy;
                PointAt(e, start + sweep * double(i) / double(n), qx, qy);
                canvas.DrawLine(col(px), row(py), col(qx), row(qy), pen, rect);
                px = qx;
                py = qy;
            }
            break;
        }
        case MEntityKind::Text:
        case MEntityKind::Attribute:
            break;
        }
    }
}
