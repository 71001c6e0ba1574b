// The bare outline of a drawing: geometry only, transformed as the entity list is.
#include "dxf/outline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

#include "geom.h"
#include "shape_ops.h"

MShapeBuffer::MShapeBuffer(const MShapeBuffer& o) {
    reserve(o.size_);
    if (o.size_ != 0) std::memcpy(static_cast<void*>(data_), o.data_, o.size_ * sizeof(MShape));
    size_ = o.size_;
}

MShapeBuffer::MShapeBuffer(MShapeBuffer&& o) noexcept
    : data_(std::exchange(o.data_, nullptr)), size_(std::exchange(o.size_, 0)),
      capacity_(std::exchange(o.capacity_, 0)) {}

MShapeBuffer& MShapeBuffer::operator=(MShapeBuffer o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    std::swap(capacity_, o.capacity_);
    return *this;
}

MShapeBuffer::~MShapeBuffer() { std::free(data_); }

void MShapeBuffer::reserve(size_t n) {
    if (n <= capacity_) return;
    if (n > SIZE_MAX / sizeof(MShape)) throw std::bad_alloc();
    void* grown = std::realloc(data_, n * sizeof(MShape));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<MShape*>(grown);
    capacity_ = n;
}

void* MShapeBuffer::Release(size_t& bytes) {
    bytes = capacity_ * sizeof(MShape);
    size_ = capacity_ = 0;
    return std::exchange(data_, nullptr);
}

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

void MOutline::Assign(MShapeBuffer&& shapes) {
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

void* MOutline::TakeLineStartsInPlace(double stepDegrees, double dx, double dy, MLimits& limits, size_t pointBytes,
                                      PutPoints put, size_t& count) {
    const double step = dxfshape::CurveStep(stepDegrees);
    limits = MLimits{};
    count = 0;
    const size_t n = shapes_.size();
    // The points come out in the records' order, several from a curve, one from a line. With the
    // records moved up by `lift` bytes, the points before record u end at or below where record u
    // starts, for every u: no point is written over a record still to be turned.
    size_t lift = 0;
    for (size_t u = 0; u < n; ++u) {
        const MShape& s = shapes_[u];
        count += dxfshape::IsCurve(s) ? size_t(dxfshape::Segments(s, step)) : 1;
        const size_t written = count * pointBytes, below = (u + 1) * sizeof(MShape);
        if (written > below) lift = std::max(lift, written - below);
    }
    size_t bytes = 0;
    auto* block = static_cast<unsigned char*>(shapes_.Release(bytes));
    if (count == 0) {
        std::free(block);
        Clear();
        return nullptr;
    }
    const size_t need = std::max(lift + n * sizeof(MShape), count * pointBytes);
    if (need > bytes) {
        void* grown = std::realloc(block, need);
        if (grown == nullptr) {
            std::free(block);
            throw std::bad_alloc();
        }
        block = static_cast<unsigned char*>(grown);
    }
    if (lift != 0) std::memmove(block + lift, block, n * sizeof(MShape));
    dxfshape::CosSinMemo memo;
    MPoint run[256];
    size_t k = 0, first = 0;
    auto flush = [&] {
        put(block, first, run, k);
        first += k;
        k = 0;
    };
    auto take = [&](double x, double y) {
        if (k == std::size(run)) flush();
        run[k++] = MPoint{x + dx, y + dy};
    };
    for (size_t u = 0; u < n; ++u) {
        MShape s;
        std::memcpy(static_cast<void*>(&s), block + lift + u * sizeof(MShape), sizeof(MShape));
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
    if (k != 0) flush();
    Clear();
    // The records' room past the points goes back to the allocator.
    void* cut = std::realloc(block, count * pointBytes);
    return cut != nullptr ? cut : block;
}
