#pragma once
// DxfSection: the cross-section of the bar's profile as the blade sees it, read from the
// profile's drawing ("%s%s\%s.dxf" under DIR_DXF) or, without a usable drawing, the profile's
// bounding rectangle. The section lies with its lower left corner on the origin; a drawing point
// (x, y) stands at machine Y = x + offY and machine Z = y + offZ. The searches answer where the
// centre of the circular blade must stand so that one pass cuts through every point of the
// section while its flange keeps clear. All values are millimetres and degrees; a search that
// finds nothing returns 0 and writes no message.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dxf/entities.h"
#include "dxf/file_stamp.h"
#include "dxf/outline.h"

struct BarRecord;
class MachineSettings;

// Larger and smaller of two reals.
double MaxReal(double a, double b);
double MinReal(double a, double b);

// The profile's bounding rectangle of a bar record in thousandths (drawing axes: x across the
// bar, y upwards).
struct SectionRectangle {
    int32_t lowX = 0, highX = 0, lowY = 0, highY = 0;
    friend bool operator==(const SectionRectangle&, const SectionRectangle&) = default;
};
SectionRectangle SectionRectangleOf(const BarRecord& bar);

// The drawing path of a profile: DIR_DXF, series and code joined as "%s%s\%s.dxf".
std::string SectionDrawingPath(const char* dirDxf, const char* series, const char* code);

class SectionStore;

class DxfSection {
public:
    struct Point {
        double y = 0; // machine Y (drawing x + offY)
        double z = 0; // machine Z (drawing y + offZ)
    };

    DxfSection() = default;

    // Builds the section of a bar: the drawing at path when it exists and CK_DXF is not 0, else
    // the bounding rectangle. offY and offZ in thousandths. Always yields a usable object.
    void Load(const char* path, int32_t offY, int32_t offZ, const BarRecord& bar);
    // The same from an entity list already read (mirrored first when mirror is set, rotated by
    // rotationDeg about the origin, moved to the origin, arcs turned into lines). An empty or
    // degenerate list (no extent, or limits that are not finite) gives the rectangle instead.
    // Only the points of the placed lines are kept, not the list.
    void Place(const MEntitiesList& list, bool mirror, double rotationDeg, const SectionRectangle& rect);
    void Place(MOutline outline, bool mirror, double rotationDeg, const SectionRectangle& rect);
    // Copies the blade parameters from the settings (thousandths to millimetres).
    void TakeBladeParameters(const MachineSettings& s);
    // Gives back the points; the object must not be queried afterwards.
    void Free();
    // True when Load built this section from exactly these inputs and the drawing file is still
    // the one it read (same path, same file stamp).
    bool BuiltFrom(const char* path, int32_t offY, int32_t offZ, const BarRecord& bar) const;

    // Square-cut searches (blade at 90 degrees to the bar). side and direction are passed
    // through without effect. 1 found, 0 not.
    int ToolPositionA(int side, int direction, double& x, double& y, double& z) const;
    int ToolPositionB(int side, int direction, double& x, double& y, double& z) const;
    int ToolPositionC(int side, int direction, double& x, double& y, double& z) const;
    int ToolPositionD(int side, int direction, double& x, double& yLeft, double& yRight, double& z) const;
    // Angled-cut searches; angleDeg is the cut angle. chord: length along X of the blade's chord
    // through the section.
    int BladeClearanceA(int side, int direction, double angleDeg, double& x, double& y, double& z,
                        double& chord) const;
    int BladeClearanceB(int side, int direction, double angleDeg, double& x, double& y, double& z,
                        double& chord) const;
    int BladeClearanceC(int side, int direction, double angleDeg, double& x, double& y, double& z,
                        double& chord) const;
    int BladeClearanceD(int side, int direction, double angleDeg, double& x, double& y, double& z,
                        double& chord) const;
    int BladeClearance(int side, int direction, double angleDeg, double& x, double& y, double& z,
                       double& chord) const;
    int ToolPositionAngled(int side, int direction, double angleDeg, double& x1, double& x2, double& yLeft,
                           double& yRight, double& z) const;

    // The per-point rule of the searches for one blade centre (Y, Zc): 1 when every point lies
    // between the flange and the blade circle, with the smallest gap to the lower arc. across and
    // side2 as for an angled cut (sin of the angle, the across shift of the blade's second face).
    int CentreClears(double y, double zc, double& gap, double across = 1.0, double side2 = 0.0) const {
        std::size_t refuser = points_.size();
        const Test t = TestCentre(y, zc, across, side2, refuser);
        gap = t.gap;
        return t.pass ? 1 : 0;
    }

    std::span<const Point> Points() const { return {points_.data(), points_.size()}; }
    // Bytes the section holds (itself and its arrays): what keeping it costs.
    std::size_t MemoryBytes() const;
    bool FromDrawing() const { return fromDrawing_; }

    // ---- fields (millimetres) ----
    std::string fileName;
    double width = 0, height = 0;
    double offY = 0, offZ = 0;
    double deltaHViceClosed = 0;
    double yMin = 0, yMax = 0, zMin = 0, zMax = 0;
    double bladeDiameter = 0, bladeThickness = 0;
    double bladeOffX = 0, bladeOffY = 0;
    double armHeight = 0, armLength = 0, armWidth = 0;
    double motorHeight = 0, motorLength = 0, motorWidth = 0;
    double flangeDiameter = 0, flangeThickness = 0;
    double nutDiameter = 0, nutThickness = 0;

private:
    friend class SectionStore;
    // What a loaded section was built from: with the same inputs Load builds the same section.
    struct Source {
        std::string path;
        bool useDrawing = false; // CK_DXF on and a path given
        MFileStamp stamp;        // of the drawing, taken before it was read
        int32_t offY = 0, offZ = 0;
        bool mirror = false;
        double rotation = 0;
        SectionRectangle rect;
        friend bool operator==(const Source&, const Source&) = default;
        // The same drawing placed the same way, whatever its file holds now.
        bool SamePlace(const Source& o) const {
            return path == o.path && useDrawing == o.useDrawing && offY == o.offY && offZ == o.offZ &&
                   mirror == o.mirror && rotation == o.rotation && rect == o.rect;
        }
    };
    static Source SourceOf(const char* path, int32_t offY, int32_t offZ, const BarRecord& bar);
    void LoadFrom(Source src);

    struct Test {
        bool pass = false;
        double gap = 9999999.0;
    };
    // Every point against a blade centre (Y, Zc); across = the trace's half-axis factor across the
    // bar (1 for a square cut, sin of the angle for an angled one), side2 the across shift of the
    // blade's second face (0 for a square cut).
    // refuser: the index of the point that refused the previous candidate of the search (or
    // beyond the points for none); it is asked first and set to the point that refuses this one.
    Test TestCentre(double Y, double Zc, double across, double side2, std::size_t& refuser) const;
    bool Refuses(const Point& p, double Y, double Zc, double across) const;
    // The index of a point that refuses the centre, or npos when every point holds.
    std::size_t FindRefuser(double Y, double Zc, double across) const;
    // The smallest gap to the blade's lower arc over every point of a centre they all hold.
    double SmallestGap(double Y, double Zc, double across, double side2) const;
    void BuildTree();
    bool InReach(const Point& p, double Zc) const;
    double StartZ() const;
    double LowStartZ() const;
    bool InWindow(double y) const { return yMin <= y && y <= yMax; }
    int Finish(const Test& t, double Zc, double& z) const;
    int AngledFromAbove(double angleDeg, double startY, double xShift, double& x, double& y, double& z,
                        double& chord) const;
    int AngledBeside(bool right, double angleDeg, double& x, double& y, double& z, double& chord) const;

    // The points, in the block from malloc that the outline's records were turned into.
    class PointBlock {
    public:
        void Adopt(void* block, std::size_t count);
        void clear() { Adopt(nullptr, 0); }
        const Point* data() const { return block_.get(); }
        std::size_t size() const { return count_; }
        bool empty() const { return count_ == 0; }
        const Point& operator[](std::size_t i) const { return block_[i]; }
        const Point* begin() const { return block_.get(); }
        const Point* end() const { return block_.get() + count_; }

    private:
        struct Free {
            void operator()(Point* p) const;
        };
        std::unique_ptr<Point[], Free> block_;
        std::size_t count_ = 0;
    };
    PointBlock points_;
    // The points grouped into boxes for the searches: a binary tree whose leaves are runs of
    // consecutive points_ and whose every node holds the bounding box of the points below it; a
    // box wholly between the flange and the blade circle needs no point test, a box wholly outside
    // that ring refuses at once. The leaves come first in nodes_, the nodes above them after.
    struct Node {
        double y0 = 0, y1 = 0, z0 = 0, z1 = 0; // bounding box of the node's points
        // A leaf's points in points_; above the leaves, end is 0 and begin one of its points.
        uint32_t begin = 0, end = 0;
        uint32_t low = 0, high = 0; // the two nodes below one above the leaves
    };
    std::vector<Node> nodes_;
    uint32_t root_ = 0;
    bool fromDrawing_ = false;
    bool loaded_ = false; // built by Load from source_
    Source source_;
};

// The sections a bar list has loaded, kept for its later bars: a bar of a profile seen before
// starts without reading its drawing again. A section is found by its drawing's path and
// placing (offsets, mirror, rotation, rectangle) and used only while the drawing's file stamp is
// the one it was read with; a changed drawing is read anew and replaces its old section. The
// sections held stay within a bound of bytes: past it the least recently used go first (the
// section just loaded always stays, even alone above the bound).
class SectionStore {
public:
    // 64 MiB: about eleven sections of 2 MB drawings, or some two hundred of 100 KB ones.
    static constexpr std::size_t kDefaultBound = std::size_t(64) << 20;

    explicit SectionStore(std::size_t boundBytes = kDefaultBound) : bound_(boundBytes) {}

    // The section of a bar's drawing, kept or loaded now; it takes the blade parameters of the
    // moment. The section is shared with the store: never changed by its users.
    std::shared_ptr<DxfSection> Get(const char* path, int32_t offY, int32_t offZ, const BarRecord& bar);

    std::size_t Count() const { return kept_.size(); }
    std::size_t Bytes() const { return bytes_; }
    std::size_t Bound() const { return bound_; }
    // Sections read from their drawings since the store was made.
    std::size_t Loads() const { return loads_; }

private:
    struct Kept {
        std::shared_ptr<DxfSection> section;
        std::size_t bytes = 0;
    };
    std::list<Kept> kept_; // most recently used first
    std::size_t bytes_ = 0;
    std::size_t bound_;
    std::size_t loads_ = 0;
};

// The section of the bar's drawing from the list's store (see SectionStore::Get).
std::shared_ptr<DxfSection> KeepSection(SectionStore& kept, const char* path, int32_t offY, int32_t offZ,
                                        const BarRecord& bar);
