// Raster canvas: pixels, lines, rectangles, flood fill and the BMP writer.
#include "dxf/canvas.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <cstdlib>
#include <utility>

#include "platform/paths.h"

MCanvas::MCanvas(int32_t width, int32_t height, MColor fill)
    : width_(std::clamp(width, 0, kMaxSide)), height_(std::clamp(height, 0, kMaxSide)),
      pixels_(size_t(width_) * size_t(height_), fill) {}

MColor MCanvas::Pixel(int32_t x, int32_t y) const {
    return Contains(x, y) ? pixels_[size_t(y) * size_t(width_) + size_t(x)] : 0u;
}

void MCanvas::SetPixel(int32_t x, int32_t y, MColor c) {
    if (Contains(x, y)) pixels_[size_t(y) * size_t(width_) + size_t(x)] = c;
}

void MCanvas::Fill(MColor c) { std::fill(pixels_.begin(), pixels_.end(), c); }

namespace {

MRect Intersect(const MRect& a, const MRect& b) {
    MRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

// Liang-Barsky clip of the segment to [xmin, xmax] x [ymin, ymax]; false when nothing remains.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin, double xmax,
                 double ymax) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
        } else {
            const double t = q[i] / p[i];
            if (p[i] < 0.0) {
                if (t > t1) return false;
                if (t > t0) t0 = t;
            } else {
                if (t < t0) return false;
                if (t < t1) t1 = t;
            }
        }
    }
    const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
    const double nx1 = x0 + t1 * dx, ny1 = y0 + t1 * dy;
    x0 = nx0;
    y0 = ny0;
    x1 = nx1;
    y1 = ny1;
    return true;
}

} // namespace

void MCanvas::FillRect(const MRect& r, MColor c) {
    const MRect a = Intersect(r, Bounds());
    for (int32_t y = a.top; y < a.bottom; ++y)
        std::fill_n(pixels_.begin() + ptrdiff_t(size_t(y) * size_t(width_) + size_t(a.left)),
                    a.right - a.left, c);
}

void MCanvas::FrameRect(const MRect& r, MColor c) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    DrawLine(r.left, r.top, r.right - 1, r.top, c);
    DrawLine(r.right - 1, r.top, r.right - 1, r.bottom - 1, c);
    DrawLine(r.right - 1, r.bottom - 1, r.left, r.bottom - 1, c);
    DrawLine(r.left, r.bottom - 1, r.left, r.top, c);
}

void MCanvas::DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, MColor c) {
    DrawLine(x0, y0, x1, y1, c, Bounds());
}

void MCanvas::DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, MColor c, const MRect& clip) {
    const MRect a = Intersect(clip, Bounds());
    if (a.right <= a.left || a.bottom <= a.top) return;
    auto inside = [&](int64_t x, int64_t y) { return x >= a.left && x < a.right && y >= a.top && y < a.bottom; };
    int64_t ax = x0, ay = y0, bx = x1, by = y1;
    if (!inside(ax, ay) || !inside(bx, by)) {
        DrawLine(double(x0), double(y0), double(x1), double(y1), c, a);
        return;
    }
    const int64_t dx = std::llabs(bx - ax), dy = -std::llabs(by - ay);
    const int64_t sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        if (inside(ax, ay)) pixels_[size_t(ay) * size_t(width_) + size_t(ax)] = c;
        if (ax == bx && ay == by) break;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            ax += sx;
        }
        if (e2 <= dx) {
            err += dx;
            ay += sy;
        }
    }
}

void MCanvas::DrawLine(double x0, double y0, double x1, double y1, MColor c, const MRect& clip) {
    const MRect a = Intersect(clip, Bounds());
    if (a.right <= a.left || a.bottom <= a.top) return;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    // Clip first so that far-away end points cost nothing; the band of half a pixel keeps the
    // rounded end points inside.
    if (!ClipSegment(x0, y0, x1, y1, a.left - 0.49, a.top - 0.49, a.right - 0.51, a.bottom - 0.51)) return;
    // Clipping a segment whose ends are astronomically far apart loses precision: keep the
    // clipped ends inside the rectangle whatever happened.
    auto px = [&](double v) { return int32_t(std::lround(std::clamp(v, double(a.left), double(a.right - 1)))); };
    auto py = [&](double v) { return int32_t(std::lround(std::clamp(v, double(a.top), double(a.bottom - 1)))); };
    DrawLine(px(x0), py(y0), px(x1), py(y1), c, a);
}

MColor MCanvas::BrushPixel(const MBrush& b, int32_t x, int32_t y) const {
    switch (b.style) {
    case MHatch::FDiagonal:
        return ((x - y) & 7) == 0 ? b.color : b.background;
    case MHatch::BDiagonal:
        return ((x + y) & 7) == 0 ? b.color : b.background;
    case MHatch::Solid:
        break;
    }
    return b.color;
}

size_t MCanvas::FloodFill(int32_t x, int32_t y, MColor boundary, const MBrush& brush) {
    if (!Contains(x, y) || Pixel(x, y) == boundary) return 0;
    const size_t w = size_t(width_);
    std::vector<uint8_t> done(pixels_.size(), 0);
    auto open = [&](int32_t px, int32_t py) {
        const size_t i = size_t(py) * w + size_t(px);
        return !done[i] && pixels_[i] != boundary;
    };
    size_t painted = 0;
    std::vector<std::pair<int32_t, int32_t>> seeds;
    seeds.emplace_back(x, y);
    while (!seeds.empty()) {
        const auto [sx, sy] = seeds.back();
        seeds.pop_back();
        if (!open(sx, sy)) continue;
        int32_t lx = sx, rx = sx;
        while (lx > 0 && open(lx - 1, sy)) --lx;
        while (rx + 1 < width_ && open(rx + 1, sy)) ++rx;
        for (int32_t px = lx; px <= rx; ++px) {
            const size_t i = size_t(sy) * w + size_t(px);
            done[i] = 1;
            pixels_[i] = BrushPixel(brush, px, sy);
            ++painted;
        }
        for (int32_t ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= height_) continue;
            bool inRun = false;
            for (int32_t px = lx; px <= rx; ++px) {
                const bool o = open(px, ny);
                if (o && !inRun) seeds.emplace_back(px, ny);
                inRun = o;
            }
        }
    }
    return painted;
}

namespace {
void Put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
} // namespace

std::string MCanvas::EncodeBMP() const {
    const uint32_t imageSize = uint32_t(width_) * uint32_t(height_) * 4u;
    std::string s;
    s.reserve(54 + imageSize);
    s += "BM";
    Put32(s, 54 + imageSize); // file size
    Put16(s, 0);
    Put16(s, 0);
    Put32(s, 54); // pixel data offset
    Put32(s, 40); // information header size
    Put32(s, uint32_t(width_));
    Put32(s, uint32_t(height_)); // positive: rows stored bottom-up
    Put16(s, 1);                 // planes
    Put16(s, 32);                // bits per pixel
    Put32(s, 0);                 // no compression
    Put32(s, imageSize);
    Put32(s, 3780); // 96 dots per inch
    Put32(s, 3780);
    Put32(s, 0);
    Put32(s, 0);
    for (int32_t y = height_ - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width_; ++x) {
            const MColor c = pixels_[size_t(y) * size_t(width_) + size_t(x)];
            s.push_back(char(c & 0xFF));         // blue
            s.push_back(char((c >> 8) & 0xFF));  // green
            s.push_back(char((c >> 16) & 0xFF)); // red
            s.push_back(char((c >> 24) & 0xFF)); // alpha
        }
    }
    return s;
}

bool MCanvas::WriteBMP(std::string_view path) const {
    if (path.empty()) return false;
    return plat::WriteFileAtomic(path, EncodeBMP());
}
