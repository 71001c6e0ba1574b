#include "ui/dxf_preview.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "dxf/dxf.h"
#include "dxf/entities.h"
#include "platform/text.h"

namespace ui {

double NormalisePreviewAngle(double degrees) {
    if (!std::isfinite(degrees)) return 0.0;
    double a = std::fmod(degrees, 360.0);
    if (a < 0.0) a += 360.0;
    if (a >= 360.0) a = 0.0;   // a tiny negative angle rounds up to 360
    return a;
}

namespace {

// Section bounds in whole millimetres, rounded up.
double BoundMm(int32_t thousandths) { return std::ceil(static_cast<double>(thousandths) / 1000.0); }

// The outline's extra width at the start of the bar and below it: 10 mm for an extension value
// that is set.
double HatchA(const PreviewState& s) { return s.extension1 != 0 ? 10.0 : 0.0; }
double HatchB(const PreviewState& s) { return s.extension2 != 0 ? 10.0 : 0.0; }

// Pixel of a drawing point by the list's display mapping, truncated toward zero.
int32_t TruncPixel(double v) {
    if (!std::isfinite(v) || v > 1e9 || v < -1e9) return -1;
    return static_cast<int32_t>(v);
}

// The drawing of the state, mirrored, rotated and with the outline added, its limits taken;
// hatchAt receives the drawing point where the outline's hatch starts. False: nothing to draw.
bool PrepareDrawing(const PreviewState& state, MEntitiesList& list, double hatchAt[2]) {
    list.Clear();
    if (state.path.empty()) {
        if (!state.bar) return false;
        const PreviewBar& bar = *state.bar;
        const double x1 = BoundMm(bar.bounds[2]), x2 = BoundMm(bar.bounds[3]);
        const double y1 = BoundMm(bar.bounds[0]), y2 = BoundMm(bar.bounds[1]);
        list.CreateLine(x1, y1, x2, y1);
        list.CreateLine(x2, y1, x2, y2);
        list.CreateLine(x2, y2, x1, y2);
        list.CreateLine(x1, y2, x1, y1);
        list.CreateLine(x1, y1, x2, y2);
        list.CreateLine(x1, y2, x2, y1);
    } else {
        ReadDXF(state.path, list);
    }
    // Nothing to draw: only the background, no outline or hatch around an empty extent.
    if (list.Empty()) return false;

    if (state.mirror) list.Mirror(1);
    if (state.angle > 0.0) list.Rotate(state.angle);

    if (state.outline) {
        const MLimits& lim = list.GetLimits();
        const double x0 = lim.minX, y0 = lim.minY;
        const double x1 = lim.maxX, y1 = lim.maxY;
        const double a = HatchA(state), b = HatchB(state);
        list.CreateLine(x0 - a, y0 - b, x1 + 5, y0 - b);
        list.CreateLine(x1 + 5, y1, x1 + 5, y1 - 5);
        list.CreateLine(x1 + 5, y1 - 5, x0 - a - 5, y1 - 5);
        list.CreateLine(x0 - a - 5, y1 - 5, x0 - a - 5, y1 + 5);
        list.CreateLine(x0 - a - 5, y1 + 5, x0 - a, y1 + 5);
        list.CreateLine(x0 - a, y1 + 5, x0 - a, y0 - b);
        hatchAt[0] = x0 + 2;
        hatchAt[1] = y0 + 2;
    }
    list.GetLimits();
    return true;
}

// Fits the prepared drawing into the canvas, draws it and hatches the outline.
void PaintDrawing(const PreviewState& state, MEntitiesList& list, const double hatchAt[2], MCanvas& canvas) {
    const MRect client = canvas.Bounds();
    list.AutoScale(client, 90);
    list.Draw(canvas, client);

    if (state.outline) {
        MBrush brush;
        brush.style = MHatch::FDiagonal;
        brush.color = MColorFromColorRef(HatchA(state) != 0.0 || HatchB(state) != 0.0 ? kHatchExtended : kHatchPlain);
        brush.background = kMWhite;   // the window colour
        const double scale = list.Scale();
        if (scale > 0.0) {
            const int32_t px = TruncPixel((hatchAt[0] - list.OffsetX()) / scale);
            const int32_t py = TruncPixel((list.OffsetY() - hatchAt[1]) / scale);
            canvas.FloodFill(px, py, kMBlack, brush);
        }
    }
}

bool SameBar(const std::optional<PreviewBar>& a, const std::optional<PreviewBar>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    return a->sectionAngle == b->sectionAngle && a->mirror == b->mirror &&
           std::equal(std::begin(a->bounds), std::end(a->bounds), std::begin(b->bounds));
}

} // namespace

std::vector<PreviewMark> PlaceMarks(const MEntitiesList& fitted) {
    std::vector<PreviewMark> marks;
    const double scale = fitted.Scale();
    if (!(scale > 0.0)) return marks;
    for (const MEntity& e : fitted) {
        if (e.kind != MEntityKind::Text || e.text.empty() || !plat::EqualsNoCase(e.layer, kPreviewMarkLayer)) continue;
        const double x = (e.x - fitted.OffsetX()) / scale, y = (fitted.OffsetY() - e.y) / scale;
        const double height = e.height / scale;
        if (!std::isfinite(x) || !std::isfinite(y) || !(height > 0.0) || !std::isfinite(height)) continue;
        marks.push_back(PreviewMark{e.text, x, y, height, std::isfinite(e.rotation) ? e.rotation : 0.0});
    }
    return marks;
}

MCanvas RenderPreview(const PreviewState& state, int32_t width, int32_t height) {
    return PreviewPainter().Render(state, width, height);
}

bool PreviewPainter::Key::operator==(const Key& o) const {
    const PreviewState& a = state;
    const PreviewState& b = o.state;
    return a.path == b.path && SameBar(a.bar, b.bar) && a.readFlag == b.readFlag &&
           (a.extension1 != 0) == (b.extension1 != 0) && (a.extension2 != 0) == (b.extension2 != 0) &&
           a.outline == b.outline && a.variant == b.variant && a.mirror == b.mirror && a.angle == b.angle &&
           stamp == o.stamp;
}

const MCanvas& PreviewPainter::Render(const PreviewState& state, int32_t width, int32_t height) {
    width = width > 0 ? width : 0;
    height = height > 0 ? height : 0;
    if (width == 0 || height == 0) {
        canvas_ = MCanvas(width, height, kMWhite);
        marks_.clear();
        painted_ = false;
        return canvas_;
    }
    Key key{state, state.path.empty() ? MFileStamp{} : FileStampOf(state.path)};
    if (!kept_ || !(key == key_)) {
        if (!state.path.empty()) ++reads_;
        empty_ = !PrepareDrawing(state, drawing_, hatchAt_);
        key_ = std::move(key);
        kept_ = true;
        painted_ = false;
    }
    if (painted_ && width == paintedWidth_ && height == paintedHeight_) return canvas_;
    canvas_ = MCanvas(width, height, kMWhite);
    marks_.clear();
    if (!empty_) {
        PaintDrawing(state, drawing_, hatchAt_, canvas_);
        marks_ = PlaceMarks(drawing_); // the marks go with the picture they were placed on
    }
    painted_ = true;
    paintedWidth_ = width;
    paintedHeight_ = height;
    ++paints_;
    return canvas_;
}

} // namespace ui
