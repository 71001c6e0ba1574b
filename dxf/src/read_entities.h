#pragma once
// Step 4 of a read, the entities: the pairs of the blocks and of the entity records drawn into a
// sink, as lines, arcs, circles and texts in drawing coordinates. The whole-file read hands the
// reader all the pairs at once (Run walks the sections); the streamed read hands it the blocks'
// pairs and then each entity group as it comes (ReadBlocksOf, EmitGroup).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "dxf/dxf.h"
#include "dxf/outline.h"
#include "geom.h"
#include "read_geometry.h"
#include "read_limits.h"
#include "read_pairs.h"
#include "shape_ops.h"
#include "platform/text.h"

namespace dxfread {

struct EntRef {
    uint32_t begin; // the pair "0 <type>"
    uint32_t end;   // one past the last pair, sub-entities (VERTEX, ATTRIB, SEQEND) included
};

struct Block {
    std::vector<EntRef> entities;
    double baseX = 0.0;
    double baseY = 0.0;
    bool expanding = false; // on the current chain of inserts
};

// Properties every entity may carry.
struct Common {
    std::string_view layer = "0";
    int32_t color = 256;
    bool paperSpace = false;
    double ext[3] = {0.0, 0.0, 1.0};
};

// The records that follow an entity's head record [head, end) as its own, each run closed by
// SEQEND: "VERTEX" after a POLYLINE, "ATTRIB" after an INSERT with attributes (66 1); null for
// any other entity.
inline const char* SubRecordsOf(const Pair* head, const Pair* end) {
    const std::string_view type = Trim(head->value());
    if (type == "POLYLINE") return "VERTEX";
    if (type == "INSERT")
        for (const Pair* q = head + 1; q < end; ++q)
            if (q->code == 66 && Trim(q->value()) == "1") return "ATTRIB";
    return nullptr;
}

// Whether a number is one a drawing may hold.
inline bool Finite(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoord; }

// Where the read entities go: the full entity list, or the bare outline. The reader has checked
// each entity before it comes (finite numbers, the entity limit).
class Sink {
public:
    virtual ~Sink() = default;
    virtual size_t Count() const = 0;
    virtual void Reserve(size_t n) = 0;
    virtual void Line(double x, double y, double x2, double y2, const Common& c) = 0;
    // An arc or a circle.
    virtual void Curve(MEntityKind kind, double x, double y, double radius, double startAngle, double endAngle,
                       bool reversed, const Common& c) = 0;
    virtual void Text(MEntity&& e) = 0;
};

class ListSink final : public Sink {
public:
    explicit ListSink(MEntitiesList& list) : list_(list) {}
    size_t Count() const override { return list_.Count(); }
    void Reserve(size_t n) override { list_.Reserve(n); }
    void Line(double x, double y, double x2, double y2, const Common& c) override {
        MEntity e;
        dxfshape::SetLine(e, x, y, x2, y2);
        e.color = c.color;
        e.layer.assign(c.layer.data(), c.layer.size());
        list_.AddEntity(std::move(e));
    }
    void Curve(MEntityKind kind, double x, double y, double radius, double startAngle, double endAngle, bool reversed,
               const Common& c) override {
        MEntity e;
        dxfshape::SetCurve(e, kind, x, y, radius, startAngle, endAngle, reversed);
        e.color = c.color;
        e.layer.assign(c.layer.data(), c.layer.size());
        list_.AddEntity(std::move(e));
    }
    void Text(MEntity&& e) override { list_.AddEntity(std::move(e)); }

private:
    MEntitiesList& list_;
};

// The drawn geometry straight into flat records: no entity, layer or text is made.
class OutlineSink final : public Sink {
public:
    size_t Count() const override { return count_; } // texts included, as the list counts them
    void Reserve(size_t n) override { shapes_.reserve(n); }
    void Line(double x, double y, double x2, double y2, const Common&) override {
        ++count_;
        MShape s;
        dxfshape::SetLine(s, x, y, x2, y2);
        shapes_.push_back(s);
    }
    void Curve(MEntityKind kind, double x, double y, double radius, double startAngle, double endAngle, bool reversed,
               const Common&) override {
        ++count_;
        MShape s;
        dxfshape::SetCurve(s, kind, x, y, radius, startAngle, endAngle, reversed);
        shapes_.push_back(s);
    }
    void Text(MEntity&&) override { ++count_; }
    MShapeBuffer& Shapes() { return shapes_; }

private:
    MShapeBuffer shapes_;
    size_t count_ = 0;
};

class Reader {
public:
    Reader(const std::vector<Pair>& pairs, Sink& out)
        : p_(pairs.data()), n_(pairs.size()), blockPairs_(pairs.data()), out_(out) {}
    // For a drawing read as it streams: blocks and entity groups are handed over one by one.
    explicit Reader(Sink& out) : out_(out) {}

    // The whole-file read: the sections over all the pairs, the blocks, then the entities.
    int Run();

    // The blocks defined in [begin, end) of the blocks' pairs. Their values stay where they are
    // while the drawing is read; the array may have grown since an earlier call.
    void ReadBlocksOf(const std::vector<Pair>& blockPairs, uint32_t begin, uint32_t end) {
        p_ = blockPairs_ = blockPairs.data();
        n_ = blockPairs.size();
        ReadBlocks(begin, end);
    }
    // One entity group of the entities section, as Collect cuts them.
    void EmitGroup(const std::vector<Pair>& group, const std::vector<Pair>& blockPairs) {
        if (error_) return;
        p_ = group.data();
        n_ = group.size();
        blockPairs_ = blockPairs.data();
        Emit(EntRef{0, uint32_t(group.size())}, dxfgeom::Affine{}, 0, false);
    }
    int Error() const { return error_; }

private:
    using Affine = dxfgeom::Affine;
    struct Spline;

    // Parsing of values; a bad number marks the file as malformed (read_numbers.cpp).
    double Num(const Pair& q);
    int32_t Int(const Pair& q);
    void Fail(int code) {
        if (error_ == 0) error_ = code;
    }
    bool CommonPair(const Pair& q, Common& c) {
        switch (q.code) {
        case 8: c.layer = Trim(q.value()); return true;
        case 62: c.color = Int(q); return true;
        case 67: c.paperSpace = Int(q) == 1; return true;
        case 210: c.ext[0] = Num(q); return true;
        case 220: c.ext[1] = Num(q); return true;
        case 230: c.ext[2] = Num(q); return true;
        default: return false;
        }
    }

    // The pairs of an entity's record after its type (b+1 to e): the common ones into c, each
    // other one to `own`, in order.
    template <typename F>
    void ReadOwnPairs(uint32_t b, uint32_t e, Common& c, F own) {
        for (uint32_t i = b + 1; i < e; ++i) {
            const Pair& q = p_[i];
            if (!CommonPair(q, c)) own(q);
        }
    }

    uint32_t EntityEnd(uint32_t i, uint32_t end) const {
        ++i;
        while (i < end && p_[i].code != 0) ++i;
        return i;
    }

    // Records and blocks (read_records.cpp).
    void Collect(uint32_t begin, uint32_t end, std::vector<EntRef>& out);
    void ReadBlocks(uint32_t begin, uint32_t end);
    void EmitAll(const std::vector<EntRef>& list, const Affine& m, int depth, bool inBlock);
    void Emit(const EntRef& r, const Affine& m, int depth, bool inBlock);
    void EmitInsert(const EntRef& r, const Affine& m, int depth);
    void EmitInsertArray(Block& blk, int32_t cols, int32_t rows, double colSp, double rowSp, const Affine& place,
                         const Affine& local, int depth);

    // Each drawn kind's record (read_kinds.cpp).
    void EmitLineEnt(uint32_t b, uint32_t e, const Affine& m);
    void EmitCircleArc(uint32_t b, uint32_t e, const Affine& m, bool arc);
    void EmitLwPolyline(uint32_t b, uint32_t e, const Affine& m);
    void EmitPolyline(const EntRef& r, const Affine& m);
    void EmitText(uint32_t b, uint32_t e, const Affine& m, MEntityKind kind, bool mtext);
    void EmitEllipse(uint32_t b, uint32_t e, const Affine& m);
    void EmitSpline(uint32_t b, uint32_t e, const Affine& m);
    void ReadSpline(uint32_t b, uint32_t e, Spline& s);
    void OutSplineCurve(const Spline& s, size_t p, bool rational, const Affine& m);

    // Output in drawing coordinates through the map t (read_place.cpp).
    void OutLine(double x0, double y0, double x1, double y1, const Affine& t, const Common& c) {
        double x, y, x2, y2;
        t.Apply(x0, y0, x, y);
        t.Apply(x1, y1, x2, y2);
        if (Admit(Finite(x) && Finite(y) && Finite(x2) && Finite(y2))) out_.Line(x, y, x2, y2, c);
    }
    void OutArc(double cx, double cy, double r, double a0, double a1, bool reversed, bool circle,
                const Affine& t, const Common& c);
    void OutPolyline(const std::vector<Vertex>& v, bool closed, bool bulges, const Affine& t, const Common& c);
    // Whether an entity with these numbers may be added; a refusal fails the read.
    bool Admit(bool finite) {
        if (error_) return false;
        if (!finite) {
            Fail(DXF_ERR_FORMAT);
            return false;
        }
        if (out_.Count() >= MEntitiesList::kMaxEntities) {
            Fail(DXF_ERR_TOO_LARGE);
            return false;
        }
        return true;
    }

    const Pair* p_ = nullptr;
    size_t n_ = 0;
    const Pair* blockPairs_ = nullptr; // the pairs the blocks' entity records index
    Sink& out_;
    std::unordered_map<std::string, Block> blocks_;
    std::vector<EntRef> entities_;
    std::vector<Vertex> verts_;
    size_t work_ = 0;
    int error_ = 0;
};

} // namespace dxfread
