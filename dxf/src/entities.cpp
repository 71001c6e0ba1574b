// The entity list: limits, transforms, arc conversion, fitting and drawing.
#include "dxf/entities.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "geom.h"
#include "platform/text.h"

using dxfgeom::CosSinDeg;
using dxfgeom::NormDeg;
using dxfgeom::SweepDeg;

namespace {

bool IsCurve(const MEntity& e) { return e.kind == MEntityKind::Arc || e.kind == MEntityKind::Circle; }

void Include(MLimits& l, double x, double y) {
    if (l.empty) {
        l.minX = l.maxX = x;
        l.minY = l.maxY = y;
        l.empty = false;
        return;
    }
    l.minX = std::min(l.minX, x);
    l.maxX = std::max(l.maxX, x);
    l.minY = std::min(l.minY, y);
    l.maxY = std::max(l.maxY, y);
}

void PointAt(const MEntity& e, double deg, double& x, double& y) {
    double c, s;
    CosSinDeg(deg, c, s);
    x = e.x + e.radius * c;
    y = e.y + e.radius * s;
}

} // namespace

void MEntitiesList::Clear() {
    entities_.clear();
    limits_ = MLimits{};
    offsetX_ = offsetY_ = 0.0;
    scale_ = 1.0;
}

void MEntitiesList::Extend(const MEntity& e) {
    switch (e.kind) {
    case MEntityKind::Line:
        Include(limits_, e.x, e.y);
        Include(limits_, e.x2, e.y2);
        break;
    case MEntityKind::Circle:
        Include(limits_, e.x - e.radius, e.y - e.radius);
        Include(limits_, e.x + e.radius, e.y + e.radius);
        break;
    case MEntityKind::Arc: {
        // End points, plus every axis direction the sweep passes: the arc's true extent.
        const double sweep = SweepDeg(e.startAngle, e.endAngle);
        double x, y;
        PointAt(e, e.startAngle, x, y);
        Include(limits_, x, y);
        PointAt(e, e.startAngle + sweep, x, y);
        Include(limits_, x, y);
        for (double q : {0.0, 90.0, 180.0, 270.0}) {
            if (dxfgeom::InSweep(q, e.startAngle, sweep)) {
                PointAt(e, q, x, y);
                Include(limits_, x, y);
            }
        }
        break;
    }
    case MEntityKind::Text:
    case MEntityKind::Attribute:
        break;
    }
}

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
    double step = stepDegrees;
    if (!std::isfinite(step) || step < 0.01) step = 10.0;
    if (step > 360.0) step = 360.0;
    if (std::none_of(entities_.begin(), entities_.end(), IsCurve)) return;
    // Segments of a curve: each spans at most step degrees, a circle takes three at least.
    auto segments = [step](const MEntity& e, double sweep) {
        return std::max(int(std::ceil(sweep / step - 1e-9)), e.kind == MEntityKind::Circle ? 3 : 1);
    };
    auto sweepOf = [](const MEntity& e) {
        return e.kind == MEntityKind::Circle ? 360.0 : SweepDeg(e.startAngle, e.endAngle);
    };
    // The converted list is made once at its final size.
    size_t total = 0;
    for (const MEntity& e : entities_) total += IsCurve(e) ? size_t(segments(e, sweepOf(e))) : 1;
    std::vector<MEntity> out;
    out.reserve(total);
    for (MEntity& e : entities_) {
        if (!IsCurve(e)) {
            out.push_back(std::move(e));
            continue;
        }
        const bool circle = e.kind == MEntityKind::Circle;
        const double sweep = sweepOf(e);
        const double first = circle ? 0.0 : (e.reversed ? e.startAngle + sweep : e.startAngle);
        const double dir = (!circle && e.reversed) ? -1.0 : 1.0;
        const int n = segments(e, sweep);
        double px, py;
        PointAt(e, first, px, py);
        for (int i = 1; i <= n; ++i) {
            double qx, qy;
            PointAt(e, first + dir * sweep * double(i) / double(n), qx, qy);
            MEntity l;
            l.kind = MEntityKind::Line;
            l.x = px;
            l.y = py;
            l.x2 = qx;
            l.y2 = qy;
            l.color = e.color;
            l.layer = e.layer;
            out.push_back(std::move(l));
            px = qx;
            py = qy;
        }
    }
    entities_ = std::move(out);
    Recompute();
}

void MEntitiesList::Mirror(int axis, const MPoint* about) {
    if (axis != 1 && axis != 2) return;
    const double cx = about ? about->x : (limits_.minX + limits_.maxX) / 2.0;
    const double cy = about ? about->y : (limits_.minY + limits_.maxY) / 2.0;
    for (MEntity& e : entities_) {
        if (axis == 1) {
            e.x = 2.0 * cx - e.x;
            e.x2 = 2.0 * cx - e.x2;
        } else {
            e.y = 2.0 * cy - e.y;
            e.y2 = 2.0 * cy - e.y2;
        }
        const double base = axis == 1 ? 180.0 : 0.0;
        if (e.kind == MEntityKind::Arc) {
            const double s = e.startAngle;
            e.startAngle = NormDeg(base - e.endAngle);
            e.endAngle = NormDeg(base - s);
            e.reversed = !e.reversed; // the mirror image runs the other way round
        }
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
    auto turn = [&](double& x, double& y) {
        const double dx = x - cx, dy = y - cy;
        x = cx + dx * c - dy * s;
        y = cy + dx * s + dy * c;
    };
    for (MEntity& e : entities_) {
        turn(e.x, e.y);
        if (e.kind == MEntityKind::Line) turn(e.x2, e.y2);
        if (e.kind == MEntityKind::Arc) {
            e.startAngle = NormDeg(e.startAngle + degrees);
            e.endAngle = NormDeg(e.endAngle + degrees);
        }
        if (e.kind == MEntityKind::Text || e.kind == MEntityKind::Attribute)
            e.rotation = NormDeg(e.rotation + degrees);
    }
    Recompute();
}

void MEntitiesList::Move(double dx, double dy) {
    for (MEntity& e : entities_) {
        e.x += dx;
        e.y += dy;
        e.x2 += dx;
        e.y2 += dy;
    }
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
