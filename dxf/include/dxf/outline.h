#pragma once
// The outline of a drawing: its lines, arcs and circles and nothing else (no layers, colours or
// texts), in one flat array of small records. It is what a reader of the drawn geometry needs
// (the profile section of the blade searches) at a fraction of the full entity list's memory;
// its limits, mirror, turn, move and arc conversion give the very numbers of MEntitiesList's.
#include <cstddef>
#include <string_view>
#include <vector>

#include "dxf/entities.h"

struct MShape {
    double x = 0.0, y = 0.0;   // start of a line, centre of an arc or circle
    double x2 = 0.0, y2 = 0.0; // end of a line
    double radius = 0.0;
    double startAngle = 0.0, endAngle = 0.0; // degrees, as in MEntity
    MEntityKind kind = MEntityKind::Line;
    bool reversed = false;
};

class MOutline {
public:
    size_t Count() const { return shapes_.size(); }
    bool Empty() const { return shapes_.empty(); }
    const std::vector<MShape>& Shapes() const { return shapes_; }
    void Clear();
    void Reserve(size_t n) { shapes_.reserve(n); }

    // Takes the entity's geometry; texts and attributes are left out.
    void Add(const MEntity& e);
    void AddLine(double x1, double y1, double x2, double y2);
    // Takes these shapes in place of the outline's, and their limits.
    void Assign(std::vector<MShape>&& shapes);

    // Limits kept current by Add, Mirror and Rotate; after Move they are empty until GetLimits
    // takes them anew.
    const MLimits& Limits() const { return limits_; }
    const MLimits& GetLimits();
    // As MEntitiesList's: mirror about the limits' centre line, turn about the origin, move.
    void Mirror(int axis);
    void Rotate(double degrees);
    void Move(double dx, double dy);

    // Turns arcs and circles into segments as MEntitiesList::ConvertArcsToLines does and gives,
    // in order, the reference point (the start) of every line the list would then hold, moved by
    // (dx, dy), to put(context, points, count), a run of points at a time; limits receives the
    // extent of those lines, unmoved. The outline is emptied. LineCount tells beforehand how many
    // lines that makes.
    size_t LineCount(double stepDegrees) const;
    void TakeLineStarts(double stepDegrees, double dx, double dy, MLimits& limits,
                        void (*put)(void* context, const MPoint* points, size_t count), void* context);

private:
    void Recompute();
    std::vector<MShape> shapes_;
    MLimits limits_;
};

// Reads the drawing's outline as ReadDXF reads its entities (same limits and failures; the
// count returned is that of every entity read, texts included). On failure the outline is empty.
// The file is read as it streams, through a small window: its entities are drawn group by group,
// with no copy of the whole file.
int ReadDXFOutline(std::string_view path, MOutline& outline);
int ReadDXFOutlineBuffer(const char* data, size_t size, MOutline& outline);
