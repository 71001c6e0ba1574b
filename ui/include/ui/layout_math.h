#pragma once
// Plain arithmetic of the dialog layout: screen enlargement of a dialog rectangle and the
// proportional re-layout of a control from its recorded rectangle. No window system here.
#include "machine/window_scale.h"

namespace ui {

// The dialog rectangle enlarged for the screen: each of the four coordinates multiplied by
// DialogScaleFactor(screenWidth) in double precision and truncated toward zero (position
// scales as well as size). Unchanged up to 801 pixels.
WinRect ScaleRectToScreen(const WinRect& rect, int screenWidth);

// The rectangle with each coordinate multiplied by factor and truncated toward zero.
WinRect ScaleRect(const WinRect& rect, double factor);

// Reference client size of a dialog and its shrink thresholds (integer halves).
struct LayoutReference {
    int width = 0, height = 0;
    int thresholdWidth = 0, thresholdHeight = 0;
    bool Valid() const { return width > 0 && height > 0; }
    void Set(int w, int h) {
        width = w;
        height = h;
        thresholdWidth = w >> 1;
        thresholdHeight = h >> 1;
    }
};

// Placement of one control for a client size of width x height: x and width scale by
// width / reference width, y and height by height / reference height (each truncated),
// except in a direction where the size is not above its threshold (then the recorded
// values stay). scrollX/scrollY are subtracted from the recorded position first.
// keepHeight leaves the height unscaled (combo boxes keep their list height).
WinRect RelayoutRect(const WinRect& recorded, const LayoutReference& ref, int width, int height,
                     int scrollX = 0, int scrollY = 0, bool keepHeight = false);

} // namespace ui
