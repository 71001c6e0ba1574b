#pragma once
// The entity list of a drawing: primitives in drawing units (millimetres for profile and
// piece drawings), drawing y upwards. Everything the reader finds ends up as one of five
// kinds; polylines, blocks, ellipses and splines are taken apart into them while reading.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/canvas.h"

enum class MEntityKind : int32_t {
    Line = 1,      // (x, y) -> (x2, y2)
    Arc = 2,       // centre (x, y), radius, counter-clockwise from startAngle to endAngle
    Circle = 3,    // centre (x, y), radius
    Text = 4,      // TEXT and MTEXT: insertion point (x, y), text, height, rotation
    Attribute = 5, // ATTDEF and ATTRIB: insertion point (x, y), text (value), tag, height, rotation
};

struct MEntity {
    MEntityKind kind = MEntityKind::Line;
    // Reference point: start of a line, centre of an arc or circle, insertion point of a text.
    double x = 0.0;
    double y = 0.0;
    double x2 = 0.0; // end of a line
    double y2 = 0.0;
    double radius = 0.0;
    // Degrees in [0, 360). The arc covers the counter-clockwise sweep from startAngle to
    // endAngle; equal angles mean a full turn.
    double startAngle = 0.0;
    double endAngle = 0.0;
    // The arc is travelled from its end angle back to its start angle (clockwise): set for
    // polyline arcs with a negative bulge, arcs seen from below (extrusion 0,0,-1) and mirrored
    // arcs, so that converting to lines keeps the order of the points of the drawing.
    bool reversed = false;
    double height = 0.0;   // text height
    double rotation = 0.0; // text rotation, degrees
    int32_t color = 256;   // colour number as in the file (256: by layer)
    std::string layer = "0";
    std::string text;
    std::string tag;
};

// Extents of the drawn entities (lines, arcs and circles at their true extent; texts and
// attributes are not drawn and do not count). An empty list has all four at zero.
struct MLimits {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
    bool empty = true;
};

struct MPoint {
    double x = 0.0;
    double y = 0.0;
};

struct MPixel {
    int32_t x = 0;
    int32_t y = 0;
};

class MEntitiesList {
public:
    // Hard ceiling on the number of entities a list takes from a file.
    static constexpr size_t kMaxEntities = 1000000;

    // Entities in drawing order.
    size_t Count() const { return entities_.size(); }
    bool Empty() const { return entities_.empty(); }
    const MEntity& operator[](size_t i) const { return entities_[i]; }
    const std::vector<MEntity>& Entities() const { return entities_; }
    std::vector<MEntity>::const_iterator begin() const { return entities_.begin(); }
    std::vector<MEntity>::const_iterator end() const { return entities_.end(); }

    // Empties the list; limits become empty, display offset 0 and scale 1.
    void Clear();

    // Makes room for n entities in all (a reader that knows about how many will come).
    void Reserve(size_t n) { entities_.reserve(n); }
    void AddEntity(const MEntity& e);
    void AddEntity(MEntity&& e);
    // Adds an entity of the kind with its reference point and second point, other fields 0.
    void AddEntity(MEntityKind kind, double x1, double y1, double x2 = 0.0, double y2 = 0.0,
                   std::string_view layer = "0");
    void CreateLine(double x1, double y1, double x2, double y2, std::string_view layer = "0");

    // Remove texts (TEXT, MTEXT) or attributes (ATTDEF, ATTRIB) of one layer (case-insensitive),
    // or of every layer when layer is empty. Return how many were removed.
    size_t DeleteText(std::string_view layer = {});
    size_t DeleteAttributes(std::string_view layer = {});

    // Replaces every arc and circle, where it stands, by straight segments from its first point
    // to its last, each spanning at most stepDegrees (a bad or tiny step is taken as 10).
    void ConvertArcsToLines(double stepDegrees);

    // axis 1: about a vertical line (x changes sign), 2: about a horizontal line. The line passes
    // through the given point, or through the centre of the limits when none is given.
    void Mirror(int axis, const MPoint* about = nullptr);
    // Counter-clockwise by degrees about the given point, or about the origin when none.
    void Rotate(double degrees, const MPoint* centre = nullptr);
    void Move(double dx, double dy);

    // Extents; kept current by every change of the list. GetLimits recomputes them anew.
    const MLimits& GetLimits();
    const MLimits& Limits() const { return limits_; }
    double MinX() const { return limits_.minX; }
    double MinY() const { return limits_.minY; }
    double MaxX() const { return limits_.maxX; }
    double MaxY() const { return limits_.maxY; }

    // Fits the limits, centred, into percent (1..100) of the pixel rectangle; sets the display
    // offset and scale. An empty list or a drawing of zero size gets scale 1 with its centre in
    // the middle of the rectangle. Returns false for an empty list.
    bool AutoScale(const MRect& rect, double percent);
    // Display mapping (drawing units per pixel). Image rows run downwards while drawing y runs
    // upwards: column = (x - OffsetX) / Scale, row = (OffsetY - y) / Scale.
    double OffsetX() const { return offsetX_; }
    double OffsetY() const { return offsetY_; }
    double Scale() const { return scale_; }
    // The pixel of a drawing point by the mapping above, rounded to the nearest pixel.
    MPixel ToPixel(double x, double y) const;

    // Draws lines, arcs and circles with the pen, limited to rect (texts are not drawn).
    void Draw(MCanvas& canvas, const MRect& rect, MColor pen = kMBlack) const;

private:
    void Extend(const MEntity& e);
    void Recompute();

    std::vector<MEntity> entities_;
    MLimits limits_;
    double offsetX_ = 0.0;
    double offsetY_ = 0.0;
    double scale_ = 1.0;
};
