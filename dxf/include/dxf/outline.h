#pragma once
// The outline of a drawing: its lines, arcs and circles and nothing else (no layers, colours or
// texts), in one flat array of small records. It is what a reader of the drawn geometry needs
// (the profile section of the blade searches) at a fraction of the full entity list's memory;
// its limits, mirror, turn, move and arc conversion give the very numbers of MEntitiesList's.
#include <cstddef>
#include <span>
#include <string_view>

#include "dxf/entities.h"

struct MShape {
    double x = 0.0, y = 0.0;   // start of a line, centre of an arc or circle
    double x2 = 0.0, y2 = 0.0; // end of a line
    double radius = 0.0;
    double startAngle = 0.0, endAngle = 0.0; // degrees, as in MEntity
    MEntityKind kind = MEntityKind::Line;
    bool reversed = false;
};

// Shape records in one block from malloc, so that the outline can turn them into points in the
// same block and hand it on (MOutline::TakeLineStartsInPlace) without copying them.
class MShapeBuffer {
public:
    MShapeBuffer() = default;
    MShapeBuffer(const MShapeBuffer& o);
    MShapeBuffer(MShapeBuffer&& o) noexcept;
    MShapeBuffer& operator=(MShapeBuffer o) noexcept;
    ~MShapeBuffer();

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }
    void reserve(size_t n);
    void push_back(const MShape& s) {
        if (size_ == capacity_) reserve(capacity_ != 0 ? 2 * capacity_ : 16);
        data_[size_++] = s;
    }
    MShape* begin() { return data_; }
    MShape* end() { return data_ + size_; }
    const MShape* begin() const { return data_; }
    const MShape* end() const { return data_ + size_; }
    const MShape& operator[](size_t i) const { return data_[i]; }
    // Gives up the block (for free) and its bytes; the buffer is left empty.
    void* Release(size_t& bytes);

private:
    MShape* data_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

class MOutline {
public:
    size_t Count() const { return shapes_.size(); }
    bool Empty() const { return shapes_.empty(); }
    std::span<const MShape> Shapes() const { return {shapes_.begin(), shapes_.size()}; }
    void Clear();
    void Reserve(size_t n) { shapes_.reserve(n); }

    // Takes the entity's geometry; texts and attributes are left out.
    void Add(const MEntity& e);
    void AddLine(double x1, double y1, double x2, double y2);
    // Takes these shapes in place of the outline's, and their limits.
    void Assign(MShapeBuffer&& shapes);

    // Limits kept current by Add, Mirror and Rotate; after Move they are empty until GetLimits
    // takes them anew.
    const MLimits& Limits() const { return limits_; }
    const MLimits& GetLimits();
    // As MEntitiesList's: mirror about the limits' centre line, turn about the origin, move.
    void Mirror(int axis);
    void Rotate(double degrees);
    void Move(double dx, double dy);

    // Turns arcs and circles into segments as MEntitiesList::ConvertArcsToLines does and writes,
    // in order, the reference point (the start) of every line the list would then hold, moved by
    // (dx, dy), into the outline's own block in place of its shape records: put(block, first,
    // points, count) writes a run of points from index first, pointBytes apiece. The block
    // is grown first (by the allocator in place when it can) just enough that no point is written
    // over a record not yet turned, and cut to the points after. limits receives the extent of
    // those lines, unmoved. Returns the block, to be given back with free (null without points),
    // and the count of points; the outline is emptied.
    using PutPoints = void (*)(void* block, size_t first, const MPoint* points, size_t count);
    void* TakeLineStartsInPlace(double stepDegrees, double dx, double dy, MLimits& limits, size_t pointBytes,
                                PutPoints put, size_t& count);

private:
    void Recompute();
    MShapeBuffer shapes_;
    MLimits limits_;
};

// Reads the drawing's outline as ReadDXF reads its entities (same limits and failures; the
// count returned is that of every entity read, texts included). On failure the outline is empty.
// The file is read as it streams, through a small window: its entities are drawn group by group,
// with no copy of the whole file.
int ReadDXFOutline(std::string_view path, MOutline& outline);
int ReadDXFOutlineBuffer(const char* data, size_t size, MOutline& outline);
