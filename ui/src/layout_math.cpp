#include "ui/layout_math.h"

namespace ui {

WinRect ScaleRectToScreen(const WinRect& rect, int screenWidth) {
    const double f = DialogScaleFactor(screenWidth);
    if (f == 1.0) return rect;
    return WinRect{static_cast<int>(rect.left * f), static_cast<int>(rect.top * f),
                   static_cast<int>(rect.right * f), static_cast<int>(rect.bottom * f)};
}

WinRect ScaleRect(const WinRect& rect, double f) {
    if (f == 1.0) return rect;
    return WinRect{static_cast<int>(rect.left * f), static_cast<int>(rect.top * f),
                   static_cast<int>(rect.right * f), static_cast<int>(rect.bottom * f)};
}

WinRect RelayoutRect(const WinRect& recorded, const LayoutReference& ref, int width, int height,
                     int scrollX, int scrollY, bool keepHeight) {
    int x = recorded.left - scrollX;
    int y = recorded.top - scrollY;
    int w = recorded.Width();
    int h = recorded.Height();
    if (!ref.Valid()) return WinRect{x, y, x + w, y + h};
    const double fx = static_cast<double>(width) / ref.width;
    const double fy = static_cast<double>(height) / ref.height;
    const bool scaleX = !(ref.thresholdWidth > 0 && width <= ref.thresholdWidth);
    const bool scaleY = !(ref.thresholdHeight > 0 && height <= ref.thresholdHeight);
    if (scaleX) {
        x = static_cast<int>(x * fx);
        w = static_cast<int>(w * fx);
    }
    if (scaleY) {
        y = static_cast<int>(y * fy);
        if (!keepHeight) h = static_cast<int>(h * fy);
    }
    return WinRect{x, y, x + w, y + h};
}

} // namespace ui
