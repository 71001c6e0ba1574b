// The profile section as the blade sees it, and the searches for the blade centre that cuts
// through it with the flange clear of the material.
#include "engine/dxf_section.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <limits>

#include "dxf/dxf.h"
#include "engine/bar_computation.h"
#include "machine/barlist.h"
#include "machine/geometry.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/units.h"

namespace {

constexpr double kNoGap = 9999999.0;
// No point: the answer of a tree walk that found none.
constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
// Below this sine an angled cut runs along the bar: no search can place it.
constexpr double kMinSine = 1e-9;

// d x 1000 to the nearest integer, halves up: distances are compared in thousandths.
int64_t Milli(double d) { return static_cast<int64_t>(std::floor(d * 1000.0 + 0.5)); }

// Square root of a value that rounding may have pushed slightly below 0.
double SafeSqrt(double v) { return v > 0 ? std::sqrt(v) : 0.0; }

bool Finite(const MLimits& l) {
    return std::isfinite(l.minX) && std::isfinite(l.minY) && std::isfinite(l.maxX) && std::isfinite(l.maxY);
}

} // namespace

double MaxReal(double a, double b) { return a > b ? a : b; }
double MinReal(double a, double b) { return a < b ? a : b; }

// The bar record keeps the section after the profile offsets: machine Y (across the bar) is the
// drawing's x, machine Z (height) the drawing's y.
SectionRectangle SectionRectangleOf(const BarRecord& bar) {
    SectionRectangle r;
    r.lowX = bar.yMin;
    r.highX = bar.yMax;
    r.lowY = bar.zMin;
    r.highY = bar.zMax;
    return r;
}

std::string SectionDrawingPath(const char* dirDxf, const char* series, const char* code) {
    std::string p = dirDxf != nullptr ? dirDxf : "";
    p += series != nullptr ? series : "";
    p += '\\';
    p += code != nullptr ? code : "";
    p += ".dxf";
    return p;
}

// ---------------------------------------------------------------- construction

void DxfSection::TakeBladeParameters(const MachineSettings& s) {
    deltaHViceClosed = FromThousandths(s.DELTA_H_MORSE_CL);
    yMin = FromThousandths(s.Y_MIN_LAMA);
    yMax = FromThousandths(s.Y_MAX_LAMA);
    zMin = FromThousandths(s.Z_MIN_LAMA);
    zMax = FromThousandths(s.Z_MAX_LAMA);
    bladeDiameter = FromThousandths(s.DIAM_LAMA);
    bladeThickness = FromThousandths(s.SPESS_LAMA);
    bladeOffX = FromThousandths(s.OFF_X_LAMA);
    bladeOffY = FromThousandths(s.OFF_Y_LAMA);
    armHeight = FromThousandths(s.H_BRACCIO);
    armLength = FromThousandths(s.L_BRACCIO);
    armWidth = FromThousandths(s.ING_Y_BRACCIO);
    motorHeight = FromThousandths(s.H_MOTOR);
    motorLength = FromThousandths(s.L_MOTOR);
    motorWidth = FromThousandths(s.ING_Y_MOTOR);
    flangeDiameter = FromThousandths(s.DIAM_FLANGIA_LAMA);
    flangeThickness = FromThousandths(s.SPESS_FLANGIA_LAMA);
    nutDiameter = FromThousandths(s.DIAM_DADO_LAMA);
    nutThickness = FromThousandths(s.SPESS_DADO_LAMA);
}

DxfSection::Source DxfSection::SourceOf(const char* path, int32_t offYThousandths, int32_t offZThousandths,
                                        const BarRecord& bar) {
    Source src;
    src.path = path != nullptr ? path : "";
    src.useDrawing = g_pSettings != nullptr && g_pSettings->CK_DXF != 0 && !src.path.empty();
    // Stamped before the drawing is read: a change made while it is read shows at the next use.
    if (src.useDrawing) src.stamp = FileStampOf(src.path);
    src.offY = offYThousandths;
    src.offZ = offZThousandths;
    // The bar loaded mirrored mirrors its section; the bar record's real value is the section's
    // rotation in degrees.
    src.mirror = BarEngineValues(bar).mirrored == 1;
    src.rotation = std::isfinite(bar.realValue) ? static_cast<double>(bar.realValue) : 0.0;
    src.rect = SectionRectangleOf(bar);
    return src;
}

void DxfSection::Load(const char* path, int32_t offYThousandths, int32_t offZThousandths, const BarRecord& bar) {
    LoadFrom(SourceOf(path, offYThousandths, offZThousandths, bar));
}

void DxfSection::LoadFrom(Source src) {
    fileName = src.path;
    if (g_pSettings != nullptr) TakeBladeParameters(*g_pSettings);
    offY = FromThousandths(src.offY);
    offZ = FromThousandths(src.offZ);
    // Only the drawn geometry is read: a drawing that does not exist (or is a folder) reads as an
    // error and leaves the outline empty.
    MOutline outline;
    if (src.useDrawing && ReadDXFOutline(fileName, outline) < 0) outline.Clear();
    Place(std::move(outline), src.mirror, src.rotation, src.rect);
    source_ = std::move(src);
    loaded_ = true;
}

bool DxfSection::BuiltFrom(const char* path, int32_t offYThousandths, int32_t offZThousandths,
                           const BarRecord& bar) const {
    return loaded_ && source_ == SourceOf(path, offYThousandths, offZThousandths, bar);
}

std::size_t DxfSection::MemoryBytes() const {
    return sizeof(DxfSection) + fileName.capacity() + source_.path.capacity() + points_.size() * sizeof(Point) +
           nodes_.capacity() * sizeof(Node);
}

void DxfSection::PointBlock::Free::operator()(Point* p) const { std::free(p); }

void DxfSection::PointBlock::Adopt(void* block, std::size_t count) {
    block_.reset(static_cast<Point*>(block));
    count_ = block != nullptr ? count : 0;
}

std::shared_ptr<DxfSection> SectionStore::Get(const char* path, int32_t offY, int32_t offZ, const BarRecord& bar) {
    DxfSection::Source src = DxfSection::SourceOf(path, offY, offZ, bar);
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        DxfSection& kept = *it->section;
        if (!kept.source_.SamePlace(src)) continue;
        if (kept.source_ == src) {
            kept_.splice(kept_.begin(), kept_, it);
            if (g_pSettings != nullptr) kept.TakeBladeParameters(*g_pSettings);
            return kept_.front().section;
        }
        // The drawing changed on disk: its old section is of no more use.
        bytes_ -= it->bytes;
        kept_.erase(it);
        break;
    }
    auto section = std::make_shared<DxfSection>();
    section->LoadFrom(std::move(src));
    ++loads_;
    const std::size_t bytes = section->MemoryBytes();
    kept_.push_front(Kept{section, bytes});
    bytes_ += bytes;
    while (bytes_ > bound_ && kept_.size() > 1) {
        bytes_ -= kept_.back().bytes;
        kept_.pop_back();
    }
    return section;
}

std::shared_ptr<DxfSection> KeepSection(SectionStore& kept, const char* path, int32_t offY, int32_t offZ,
                                        const BarRecord& bar) {
    return kept.Get(path, offY, offZ, bar);
}

void DxfSection::Place(const MEntitiesList& list, bool mirror, double rotationDeg, const SectionRectangle& rect) {
    MOutline outline;
    outline.Reserve(list.Count());
    for (const MEntity& e : list) outline.Add(e);
    Place(std::move(outline), mirror, rotationDeg, rect);
}

void DxfSection::Place(MOutline outline, bool mirror, double rotationDeg, const SectionRectangle& rect) {
    fromDrawing_ = false;
    loaded_ = false;
    MLimits l;
    // The reference point of every placed line, as a section point (drawing x + offY, y + offZ),
    // written over the outline's own records.
    auto take = [&](MOutline& o) {
        points_.clear();
        std::size_t count = 0;
        void* block = o.TakeLineStartsInPlace(
            10.0, offY, offZ, l, sizeof(Point),
            [](void* to, std::size_t first, const MPoint* run, std::size_t n) {
                Point* const points = static_cast<Point*>(to) + first;
                for (std::size_t i = 0; i < n; ++i) new (points + i) Point{run[i].x, run[i].y};
            },
            count);
        points_.Adopt(block, count);
    };
    if (!outline.Empty()) {
        if (mirror) outline.Mirror(1);
        if (std::isfinite(rotationDeg) && rotationDeg != 0.0) outline.Rotate(rotationDeg);
        // Current since the outline was read, mirrored or turned.
        const MLimits placed = outline.Limits();
        if (Finite(placed)) outline.Move(-placed.minX, -placed.minY);
        take(outline);
        // A drawing without drawn entities, without extent or with limits that are no numbers
        // cannot stand for the section: the bounding rectangle takes its place.
        fromDrawing_ = !points_.empty() && !l.empty && Finite(l) && (l.maxX - l.minX > 0 || l.maxY - l.minY > 0);
    }
    if (!fromDrawing_) {
        const double x0 = FromThousandths(rect.lowX), x1 = FromThousandths(rect.highX);
        const double y0 = FromThousandths(rect.lowY), y1 = FromThousandths(rect.highY);
        MOutline r;
        r.AddLine(x0, y0, x1, y0);
        r.AddLine(x1, y0, x1, y1);
        r.AddLine(x1, y1, x0, y1);
        r.AddLine(x0, y1, x0, y0);
        const MLimits rl = r.GetLimits();
        r.Move(-rl.minX, -rl.minY);
        take(r);
    }
    width = l.maxX - l.minX;
    height = l.maxY - l.minY;
    BuildTree();
}

namespace {
// A leaf of the search tree is a run of consecutive points (in the order the searches take them):
// at most kLeafPoints, and past kMinLeafPoints it ends before a point that would stretch its box
// beyond an eighth of the section's extent along either axis. Consecutive points lie along the
// drawn outline (an arc's points, a polyline's corners), so the runs make small boxes without
// moving or copying a point; a drawing in no order still gets leaves of at least kMinLeafPoints,
// so the tree never holds more than a node per six points.
constexpr uint32_t kLeafPoints = 32;
constexpr uint32_t kMinLeafPoints = 12;
constexpr double kLeafExtentShare = 1.0 / 8.0;
} // namespace

void DxfSection::BuildTree() {
    nodes_.clear();
    root_ = 0;
    if (points_.empty()) return;
    const Point* const pts = points_.data();
    const uint32_t count = static_cast<uint32_t>(points_.size());
    // The leaves first, in the order of their points, each at least kMinLeafPoints but the last:
    // room for them and the nodes above them at once. The section's extent (its lines') bounds
    // a leaf's box.
    nodes_.reserve(2 * (count / kMinLeafPoints + 1));
    const double spanY = width * kLeafExtentShare, spanZ = height * kLeafExtentShare;
    bool finite = true;
    for (uint32_t begin = 0; begin < count;) {
        Node leaf{pts[begin].y, pts[begin].y, pts[begin].z, pts[begin].z, begin, begin + 1, 0, 0};
        finite = finite && std::isfinite(leaf.y0) && std::isfinite(leaf.z0);
        const uint32_t last = std::min(count, begin + kLeafPoints);
        for (uint32_t k = begin + 1; k < last; ++k) {
            const double y = pts[k].y, z = pts[k].z;
            const double ly0 = y < leaf.y0 ? y : leaf.y0, ly1 = y > leaf.y1 ? y : leaf.y1;
            const double lz0 = z < leaf.z0 ? z : leaf.z0, lz1 = z > leaf.z1 ? z : leaf.z1;
            if (k - begin >= kMinLeafPoints && (ly1 - ly0 > spanY || lz1 - lz0 > spanZ)) break;
            finite = finite && std::isfinite(y) && std::isfinite(z);
            leaf.y0 = ly0;
            leaf.y1 = ly1;
            leaf.z0 = lz0;
            leaf.z1 = lz1;
            leaf.end = k + 1;
        }
        nodes_.push_back(leaf);
        begin = leaf.end;
    }
    if (!finite) {
        // A box with a point that is no number bounds nothing: one leaf whose box answers no
        // question, so every point is tested on its own.
        const double nan = std::numeric_limits<double>::quiet_NaN();
        nodes_.clear();
        nodes_.push_back(Node{nan, nan, nan, nan, 0, count, 0, 0});
        return;
    }
    const uint32_t leaves = static_cast<uint32_t>(nodes_.size());
    if (leaves == 1) return;
    // The nodes above them, after them, the root first: each node's leaves are split at the
    // median of their boxes' centres along the longer side of the centres' extent; a side of one
    // leaf is that leaf. The depth stays that of a balanced tree (about log2 of the leaves).
    std::vector<uint32_t> order(leaves);
    for (uint32_t k = 0; k < leaves; ++k) order[k] = k;
    struct Range {
        uint32_t node, first, last; // the node and its leaves order[first, last)
    };
    root_ = leaves;
    nodes_.push_back(Node{});
    std::vector<Range> open{Range{root_, 0, leaves}};
    auto centreY = [this](uint32_t k) { return nodes_[k].y0 + nodes_[k].y1; };
    auto centreZ = [this](uint32_t k) { return nodes_[k].z0 + nodes_[k].z1; };
    while (!open.empty()) {
        const Range r = open.back();
        open.pop_back();
        double cy0 = centreY(order[r.first]), cy1 = cy0, cz0 = centreZ(order[r.first]), cz1 = cz0;
        for (uint32_t k = r.first + 1; k < r.last; ++k) {
            const double cy = centreY(order[k]), cz = centreZ(order[k]);
            cy0 = cy < cy0 ? cy : cy0;
            cy1 = cy > cy1 ? cy : cy1;
            cz0 = cz < cz0 ? cz : cz0;
            cz1 = cz > cz1 ? cz : cz1;
        }
        const bool alongY = cy1 - cy0 >= cz1 - cz0;
        const uint32_t mid = r.first + (r.last - r.first) / 2;
        std::nth_element(order.begin() + r.first, order.begin() + mid, order.begin() + r.last,
                         [&](uint32_t a, uint32_t b) {
                             return alongY ? centreY(a) < centreY(b) : centreZ(a) < centreZ(b);
                         });
        uint32_t side[2];
        const Range halves[2] = {{0, r.first, mid}, {0, mid, r.last}};
        for (int h = 0; h < 2; ++h) {
            if (halves[h].last - halves[h].first == 1) {
                side[h] = order[halves[h].first];
                continue;
            }
            side[h] = static_cast<uint32_t>(nodes_.size());
            nodes_.push_back(Node{});
            open.push_back(Range{side[h], halves[h].first, halves[h].last});
        }
        Node& n = nodes_[r.node];
        n.low = side[0];
        n.high = side[1];
        n.begin = nodes_[order[r.first]].begin; // any of its points stands for it
        n.end = 0;                              // not a leaf
    }
    // Boxes from the leaves up: a node stands after its parent.
    for (std::size_t i = nodes_.size(); i-- > leaves;) {
        Node& n = nodes_[i];
        const Node &a = nodes_[n.low], &b = nodes_[n.high];
        n.y0 = std::min(a.y0, b.y0);
        n.y1 = std::max(a.y1, b.y1);
        n.z0 = std::min(a.z0, b.z0);
        n.z1 = std::max(a.z1, b.z1);
    }
}

void DxfSection::Free() {
    loaded_ = false;
    points_.clear();
    nodes_.clear();
    fileName.clear();
}

// ---------------------------------------------------------------- common frame

double DxfSection::StartZ() const { return height + offZ + flangeDiameter / 2.0 + 11.0; }

double DxfSection::LowStartZ() const {
    const double R = bladeDiameter / 2.0, F = flangeDiameter / 2.0;
    const double raise = R - F - height - 11.0;
    return StartZ() + (raise > 0 ? raise : 0.0);
}

bool DxfSection::InReach(const Point& p, double Zc) const {
    const double R = bladeDiameter / 2.0;
    const double dz = p.z - Zc;
    return R * R - dz * dz >= 0;
}

namespace {

// The distance ring of the blade: a point at distance d from the centre lies inside when d x 1000,
// taken to the nearest integer with halves up (Milli), is neither below the flange radius's nor
// above the blade radius's. floor(x) < fi is x < fi and floor(x) > ri is x >= ri + 1, so the
// test needs no rounding of its own.
struct Ring {
    double low;  // Milli(F)
    double high; // Milli(R) + 1
    Ring(double F, double R) : low(double(Milli(F))), high(double(Milli(R)) + 1.0) {}
    static double Scaled(double d) { return d * 1000.0 + 0.5; }
    bool Holds(double d) const {
        const double x = Scaled(d);
        return x >= low && x < high;
    }
};

// The nearest and farthest offsets from 0 of any value in [lo, hi].
double Nearest(double lo, double hi) { return lo > 0 ? lo : (hi < 0 ? hi : 0.0); }
double Farthest(double lo, double hi) { return std::max(std::fabs(lo), std::fabs(hi)); }

// The box rules below compute a bound with the very operations the point tests use, on the
// box's nearest or farthest coordinates. Rounding never reverses an order (a <= b gives
// fl(a - c) <= fl(b - c), fl(a / s) <= fl(b / s) for s > 0, and so on for sqrt, squares of
// magnitudes and sums), so every point's computed value lies within the box's computed bounds
// and a box answers for its points exactly as testing them one by one would.

// Lower bound of the gap to the blade's lower arc, fabs((Zc - SafeSqrt(R2 - u * u)) - z), over
// u in [u0, u1] and z in [z0, z1].
double GapBound(double u0, double u1, double z0, double z1, double Zc, double R2) {
    const double un = Nearest(u0, u1), uf = Farthest(u0, u1);
    const double arcLow = Zc - SafeSqrt(R2 - un * un);  // the arc is lowest at the nearest u
    const double arcHigh = Zc - SafeSqrt(R2 - uf * uf); // and highest at the farthest
    const double above = arcLow - z1;                   // the arc above every point
    const double below = -(arcHigh - z0);               // the arc below every point
    double bound = 0;
    if (above > bound) bound = above;
    if (below > bound) bound = below;
    return bound;
}

} // namespace

// The flange would touch the point, or the blade would not reach it: distances in thousandths.
bool DxfSection::Refuses(const Point& p, double Y, double Zc, double across) const {
    const double u = (p.y - Y) / across;
    const double v = p.z - Zc;
    return !Ring(flangeDiameter / 2.0, bladeDiameter / 2.0).Holds(std::sqrt(u * u + v * v));
}

DxfSection::Test DxfSection::TestCentre(double Y, double Zc, double across, double side2,
                                        std::size_t& refuser) const {
    Test t;
    if (!(across > kMinSine) || points_.empty()) return t;
    // A centre passes only when every point does, so the point that refused the search's previous
    // candidate, asked first, refuses with the same answer; a centre that passes is still measured
    // over every point in order.
    if (refuser < points_.size() && Refuses(points_[refuser], Y, Zc, across)) return t;
    const std::size_t found = FindRefuser(Y, Zc, across);
    if (found != kNone) {
        refuser = found;
        return t;
    }
    t.gap = SmallestGap(Y, Zc, across, side2);
    t.pass = true;
    return t;
}

std::size_t DxfSection::FindRefuser(double Y, double Zc, double across) const {
    const Ring ring(flangeDiameter / 2.0, bladeDiameter / 2.0);
    uint32_t stack[64];
    std::size_t depth = 0;
    if (!nodes_.empty()) stack[depth++] = root_;
    while (depth > 0) {
        const Node& n = nodes_[stack[--depth]];
        const double u0 = (n.y0 - Y) / across, u1 = (n.y1 - Y) / across;
        const double v0 = n.z0 - Zc, v1 = n.z1 - Zc;
        const double un = Nearest(u0, u1), vn = Nearest(v0, v1);
        const double uf = Farthest(u0, u1), vf = Farthest(v0, v1);
        const double nearest = Ring::Scaled(std::sqrt(un * un + vn * vn));
        const double farthest = Ring::Scaled(std::sqrt(uf * uf + vf * vf));
        // Wholly inside the flange or wholly beyond the blade: any of its points refuses.
        if (farthest < ring.low || nearest >= ring.high) return n.begin;
        // Wholly within the ring: none of its points refuses.
        if (nearest >= ring.low && farthest < ring.high) continue;
        if (n.end == 0) {
            stack[depth++] = n.high;
            stack[depth++] = n.low;
            continue;
        }
        for (uint32_t i = n.begin; i < n.end; ++i) {
            const Point& p = points_[i];
            const double u = (p.y - Y) / across;
            const double v = p.z - Zc;
            if (!ring.Holds(std::sqrt(u * u + v * v))) return i;
        }
    }
    return kNone;
}

double DxfSection::SmallestGap(double Y, double Zc, double across, double side2) const {
    const double R = bladeDiameter / 2.0;
    const double R2 = R * R;
    double gap = kNoGap;
    // The least gap of a node's points cannot be below its bound: a node whose bound exceeds the
    // gap found so far changes nothing (a gap of at most 0.001 counts as 0, and 0 ends the walk).
    auto bound = [&](const Node& n) {
        const double u0 = (n.y0 - Y) / across, u1 = (n.y1 - Y) / across;
        double b = GapBound(u0, u1, n.z0, n.z1, Zc, R2);
        if (side2 != 0) {
            const double w0 = (n.y0 - Y - side2) / across, w1 = (n.y1 - Y - side2) / across;
            b = std::min(b, GapBound(w0, w1, n.z0, n.z1, Zc, R2));
        }
        return b;
    };
    uint32_t stack[64];
    std::size_t depth = 0;
    if (!nodes_.empty()) stack[depth++] = root_;
    while (depth > 0 && gap != 0) {
        const Node& n = nodes_[stack[--depth]];
        if (bound(n) > gap) continue;
        if (n.end == 0) {
            // The nearer child first: its gap prunes more of the other.
            const bool lowNearer = bound(nodes_[n.low]) <= bound(nodes_[n.high]);
            stack[depth++] = lowNearer ? n.high : n.low;
            stack[depth++] = lowNearer ? n.low : n.high;
            continue;
        }
        for (uint32_t i = n.begin; i < n.end; ++i) {
            const Point& p = points_[i];
            const double u = (p.y - Y) / across;
            double h = std::fabs((Zc - SafeSqrt(R2 - u * u)) - p.z);
            if (side2 != 0) {
                const double u2 = (p.y - Y - side2) / across;
                if (u2 * u2 <= R2) {
                    const double h2 = std::fabs((Zc - SafeSqrt(R2 - u2 * u2)) - p.z);
                    h = h < h2 ? h : h2; // MinReal
                }
            }
            if (h <= 0.001) h = 0;
            gap = gap < h ? gap : h; // MinReal
        }
    }
    return gap;
}

int DxfSection::Finish(const Test& t, double Zc, double& z) const {
    z = Zc;
    if (t.gap != kNoGap) z = Zc + t.gap;
    z -= 10.0;
    return 1;
}

// ---------------------------------------------------------------- square cuts

int DxfSection::ToolPositionA(int, int, double& x, double& y, double& z) const {
    const double Zc = StartZ();
    const double Y = offY - bladeOffY;
    y = Y;
    z = Zc;
    std::size_t refuser = points_.size();
    for (const Point& p : points_) {
        if (!InReach(p, Zc)) continue;
        if (!InWindow(Y)) continue;
        const Test t = TestCentre(Y, Zc, 1.0, 0.0, refuser);
        if (!t.pass) break; // the candidate is fixed: every later entity gives the same answer
        Finish(t, Zc, z);
        y = Y + bladeOffY;
        x += bladeOffX + bladeThickness;
        return 1;
    }
    return 0;
}

int DxfSection::ToolPositionC(int, int, double& x, double& y, double& z) const {
    const double Zc = StartZ();
    const double Y = width / 2.0 + offY;
    y = Y;
    z = Zc;
    std::size_t refuser = points_.size();
    for (const Point& p : points_) {
        if (!InReach(p, Zc)) continue;
        if (!InWindow(Y)) continue;
        const Test t = TestCentre(Y, Zc, 1.0, 0.0, refuser);
        if (!t.pass) break;
        Finish(t, Zc, z);
        y = Y + bladeOffY;
        x += bladeOffX + bladeThickness;
        return 1;
    }
    return 0;
}

int DxfSection::ToolPositionB(int, int, double& x, double& y, double& z) const {
    const double R = bladeDiameter / 2.0;
    const double halfArm = armWidth / 2.0;
    const double starts[2] = {StartZ(), offZ};
    std::size_t refuser = points_.size();
    for (int pass = 0; pass < 2; ++pass) {
        const double Zc = starts[pass];
        for (int walk = 0; walk < 2; ++walk) {
            const bool right = walk == 1;
            double lastFailed = std::numeric_limits<double>::quiet_NaN();
            for (const Point& p : points_) {
                if (!InReach(p, Zc)) continue;
                const double dz = p.z - Zc;
                const double root = SafeSqrt(R * R - dz * dz);
                const double cand = right ? p.y + root : p.y - root;
                y = cand;
                z = Zc;
                if (!InWindow(cand + bladeOffY)) continue;
                if (pass == 1) {
                    if (!right && !(halfArm + cand <= offY)) continue;
                    if (right && !(width + offY <= cand - halfArm)) continue;
                }
                if (cand == lastFailed) continue; // the same candidate fails the same way
                const Test t = TestCentre(cand, Zc, 1.0, 0.0, refuser);
                if (!t.pass) {
                    lastFailed = cand;
                    continue;
                }
                Finish(t, Zc, z);
                y = cand + bladeOffY;
                x += bladeOffX + bladeThickness;
                return 1;
            }
        }
    }
    return 0;
}

int DxfSection::ToolPositionD(int, int, double& x, double& yLeft, double& yRight, double& z) const {
    const double R = bladeDiameter / 2.0, F = flangeDiameter / 2.0;
    const double Zc = LowStartZ();
    z = Zc;
    if (height > R - F - 11.0 || points_.empty()) return 0;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    double entry = 0, least = 0, most = 0;
    bool haveEntry = false;
    for (const Point& p : points_) {
        const bool extends = p.y < lo || p.y > hi;
        lo = MinReal(lo, p.y);
        hi = MaxReal(hi, p.y);
        if (extends) {
            if (!InReach(p, Zc)) return 0;
            const double dz = p.z - Zc;
            const double cand = p.y - SafeSqrt(R * R - dz * dz);
            if (!InWindow(cand + bladeOffY)) return 0;
            entry = cand;
        } else if (!haveEntry) {
            return 0;
        }
        if (!haveEntry) least = most = entry;
        least = MinReal(least, entry);
        most = MaxReal(most, entry);
        haveEntry = true;
    }
    yLeft = least + bladeOffY - offY;
    yRight = most + bladeOffY - offY;
    z = Zc - 10.0;
    x += bladeOffX + bladeThickness;
    return 1;
}

// ---------------------------------------------------------------- angled cuts

int DxfSection::AngledFromAbove(double angleDeg, double startY, double xShift, double& x, double& y, double& z,
                                double& chord) const {
    const double a = DegToRad(angleDeg);
    const double s = std::sin(a), c = std::cos(a);
    const double T = bladeThickness + bladeOffX;
    const double Zc = StartZ();
    chord = 0;
    y = startY;
    z = Zc;
    if (!(std::fabs(s) > kMinSine)) return 0;
    x += xShift;
    std::size_t refuser = points_.size();
    for (const Point& p : points_) {
        if (!InReach(p, Zc)) continue;
        if (!InWindow(startY + bladeOffY * s - bladeOffY + T * c)) continue;
        const Test t = TestCentre(startY, Zc, std::fabs(s), bladeThickness * c, refuser);
        if (!t.pass) break;
        Finish(t, Zc, z);
        x += T * s - bladeOffY * c;
        y = startY + bladeOffY * s + T * c;
        chord = width * std::fabs(c / s);
        return 1;
    }
    return 0;
}

int DxfSection::BladeClearanceA(int, int, double angleDeg, double& x, double& y, double& z, double& chord) const {
    const double a = DegToRad(angleDeg);
    const double s = std::sin(a), c = std::cos(a);
    const double T = bladeThickness + bladeOffX;
    if (!(std::fabs(s) > kMinSine)) {
        chord = 0;
        return 0;
    }
    const double startY = offY - T * c - bladeOffY * s;
    const double xShift = bladeOffY * c + T / s - T * s;
    return AngledFromAbove(angleDeg, startY, xShift, x, y, z, chord);
}

int DxfSection::BladeClearanceB(int, int, double angleDeg, double& x, double& y, double& z, double& chord) const {
    const double a = DegToRad(angleDeg);
    const double s = std::sin(a), c = std::cos(a);
    if (!(std::fabs(s) > kMinSine)) {
        chord = 0;
        return 0;
    }
    const double startY = width / 2.0 + offY;
    // Divided as cos/sin: the tangent of a square angle is no number to divide by.
    return AngledFromAbove(angleDeg, startY, -startY * c / s, x, y, z, chord);
}

int DxfSection::AngledBeside(bool right, double angleDeg, double& x, double& y, double& z, double& chord) const {
    const double a = DegToRad(angleDeg);
    const double s = std::sin(a), c = std::cos(a);
    const double R = bladeDiameter / 2.0, F = flangeDiameter / 2.0;
    const double T = bladeThickness + bladeOffX;
    chord = 0;
    if (!(std::fabs(s) > kMinSine) || !(R > 0)) return 0;
    // Clearance limit of the arm and motor side left of the section for an angle; the right
    // side's limit is its mirror image about the section at the mirrored angle.
    auto leftLimit = [&](double deg) {
        const double ra = DegToRad(deg);
        const double ls = std::sin(ra), lc = std::cos(ra);
        if (deg >= 90.0) return offY + flangeThickness * lc - F * ls;
        const double arm = offY - (armLength + bladeThickness) * lc - armWidth / 2.0 * ls;
        const double motor = offY - (motorLength + bladeThickness) * lc - motorWidth / 2.0 * ls;
        return MinReal(arm, motor);
    };
    const double limit = right ? width + offY + (offY - leftLimit(180.0 - angleDeg)) : leftLimit(angleDeg);
    const double starts[2] = {StartZ(), offZ};
    std::size_t refuser = points_.size();
    for (int pass = 0; pass < 2; ++pass) {
        const double Zc = starts[pass];
        double lastFailed = std::numeric_limits<double>::quiet_NaN();
        for (const Point& p : points_) {
            const double dz = p.z - Zc;
            const double k = 1.0 - dz * dz / (R * R);
            if (k < 0) continue;
            const double reach = SafeSqrt(k) * R * s;
            double cand;
            if (right)
                cand = p.y + reach - (angleDeg <= 90.0 ? bladeThickness * c : 0.0);
            else
                cand = p.y - reach - (angleDeg >= 90.0 ? bladeThickness * c : 0.0);
            y = cand;
            z = Zc;
            if (!InWindow(cand + bladeOffY * s - bladeOffY + T * c)) continue;
            if (pass == 1 && (right ? cand < limit : cand > limit)) continue;
            if (cand == lastFailed) continue;
            const Test t = TestCentre(cand, Zc, std::fabs(s), bladeThickness * c, refuser);
            if (!t.pass) {
                lastFailed = cand;
                continue;
            }
            Finish(t, Zc, z);
            // The blade plane through the cut's X at the section's left edge stands, at the
            // candidate, (cand - offY) * cot(angle) further along the bar.
            x += -(cand - offY) * c / s + T * s - bladeOffY * c;
            y = cand + bladeOffY * s + T * c;
            chord = width * std::fabs(c / s);
            return 1;
        }
    }
    return 0;
}

int DxfSection::BladeClearanceC(int, int, double angleDeg, double& x, double& y, double& z, double& chord) const {
    return AngledBeside(false, angleDeg, x, y, z, chord);
}

int DxfSection::BladeClearanceD(int, int, double angleDeg, double& x, double& y, double& z, double& chord) const {
    return AngledBeside(true, angleDeg, x, y, z, chord);
}

int DxfSection::BladeClearance(int side, int direction, double angleDeg, double& x, double& y, double& z,
                               double& chord) const {
    const double x0 = x;
    if (BladeClearanceC(side, direction, angleDeg, x, y, z, chord) == 1) return 1;
    x = x0;
    return BladeClearanceD(side, direction, angleDeg, x, y, z, chord);
}

int DxfSection::ToolPositionAngled(int, int, double angleDeg, double& x1, double& x2, double& yLeft, double& yRight,
                                   double& z) const {
    const double R = bladeDiameter / 2.0, F = flangeDiameter / 2.0;
    const double a = DegToRad(angleDeg);
    const double s = std::sin(a), c = std::cos(a);
    const double T = bladeOffX + bladeThickness;
    const double Zc = LowStartZ();
    z = Zc;
    if (height > R - F - 11.0 || !(std::fabs(s) > kMinSine)) return 0;
    const double shift = bladeOffY * s + T * c;
    const double corners[4] = {offY, offY, offY + width, offY + width};
    double least = corners[0], most = corners[0];
    for (double cy : corners) {
        if (!InWindow(cy + shift)) return 0;
        least = MinReal(least, cy);
        most = MaxReal(most, cy);
    }
    x1 += T * s - bladeOffY * c;
    x2 += T * s - bladeOffY * c;
    yLeft = least + shift - offY;
    yRight = most + shift - offY;
    z = Zc - 10.0;
    return 1;
}
