#include "ui/dxf_preview.h"

#include <cmath>

#include "dxf/dxf.h"
#include "dxf/entities.h"

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

// Pixel of a drawing point by the list's display mapping, truncated toward zero.
int32_t TruncPixel(double v) {
    if (!std::isfinite(v) || v > 1e9 || v < -1e9) return -1;
    return static_cast<int32_t>(v);
}

} // namespace

MCanvas RenderPreview(const PreviewState& state, int32_t width, int32_t height) {
    MCanvas canvas(width > 0 ? width : 0, height > 0 ? height : 0, kMWhite);
    if (canvas.Width() == 0 || canvas.Height() == 0) return canvas;
    const MRect client = canvas.Bounds();

    MEntitiesList list;
    if (state.path.empty()) {
        if (!state.bar) return canvas;
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
    if (list.Empty()) return canvas;

    if (state.mirror) list.Mirror(1);
    if (state.angle > 0.0) list.Rotate(state.angle);

    double x0 = 0, y0 = 0, a = 0, b = 0;
    if (state.outline) {
        const MLimits& lim = list.GetLimits();
        x0 = lim.minX;
        y0 = lim.minY;
        const double x1 = lim.maxX, y1 = lim.maxY;
        a = state.extension1 != 0 ? 10.0 : 0.0;
        b = state.extension2 != 0 ? 10.0 : 0.0;
        list.CreateLine(x0 - a, y0 - b, x1 + 5, y0 - b);
        list.CreateLine(x1 + 5, y1, x1 + 5, y1 - 5);
        list.CreateLine(x1 + 5, y1 - 5, x0 - a - 5, y1 - 5);
        list.CreateLine(x0 - a - 5, y1 - 5, x0 - a - 5, y1 + 5);
        list.CreateLine(x0 - a - 5, y1 + 5, x0 - a, y1 + 5);
        list.CreateLine(x0 - a, y1 + 5, x0 - a, y0 - b);
    }

    list.GetLimits();
    list.AutoScale(client, 90);
    list.Draw(canvas, client);

    if (state.outline) {
        MBrush brush;
        brush.style = MHatch::FDiagonal;
        brush.color = MColorFromColorRef(a != 0.0 || b != 0.0 ? kHatchExtended : kHatchPlain);
        brush.background = kMWhite;   // the window colour
        const double scale = list.Scale();
        if (scale > 0.0) {
            const int32_t px = TruncPixel((x0 + 2 - list.OffsetX()) / scale);
            const int32_t py = TruncPixel((list.OffsetY() - (y0 + 2)) / scale);
            canvas.FloodFill(px, py, kMBlack, brush);
        }
    }
    return canvas;
}

} // namespace ui
