// Screen-dependent sizes and window rectangle arithmetic.
#include "machine/window_scale.h"

#include <algorithm>

namespace {
int g_screenWidth = 0;
int g_screenHeight = 0;

// p per cent of v, truncated toward zero, without overflow on the way.
int Percent(int v, int p) { return static_cast<int>(static_cast<long long>(v) * p / 100); }
} // namespace

void SetScreenSize(int width, int height) {
    g_screenWidth = width;
    g_screenHeight = height;
}
int ScreenWidth() { return g_screenWidth; }
int ScreenHeight() { return g_screenHeight; }

int ScreenScalePercent(int screenWidth) {
    if (screenWidth < 641) return 1;
    if (screenWidth < 801) return 25;
    if (screenWidth < 1025) return 60;
    return 100;
}
int ScreenScalePercent() { return ScreenScalePercent(g_screenWidth); }

int DialogFontHeight(int screenWidth) {
    if (screenWidth < 801) return 14;
    if (screenWidth < 1025) return 20;
    return 26;
}

double DialogScaleFactor(int screenWidth) {
    if (screenWidth <= 801) return 1.0;
    if (screenWidth <= 1024) return 1.28;
    return 1.6;
}

WinRect ScreenRoom(int screenWidth, int screenHeight) {
    return WinRect{kFrameSide, kFrameTop, screenWidth - kFrameSide, screenHeight - kFrameSide};
}

double FittedScaleFactor(int width, int height, int screenWidth, int screenHeight) {
    double f = DialogScaleFactor(screenWidth);
    if (screenWidth <= 0 || screenHeight <= 0 || width <= 0 || height <= 0) return f;
    const WinRect room = ScreenRoom(screenWidth, screenHeight);
    // Truncation of the enlarged sides never takes them past the room.
    if (width * f > room.Width()) f = static_cast<double>(room.Width()) / width;
    if (height * f > room.Height()) f = static_cast<double>(room.Height()) / height;
    return f;
}

WinRect KeepOnScreen(const WinRect& client, int screenWidth, int screenHeight) {
    if (screenWidth <= 0 || screenHeight <= 0) return client;
    const WinRect room = ScreenRoom(screenWidth, screenHeight);
    WinRect r = client;
    const int dx = r.right > room.right ? room.right - r.right : 0;
    const int dy = r.bottom > room.bottom ? room.bottom - r.bottom : 0;
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    if (r.left < room.left) {
        r.right += room.left - r.left;
        r.left = room.left;
    }
    if (r.top < room.top) {
        r.bottom += room.top - r.top;
        r.top = room.top;
    }
    return r;
}

WinRect MessageBoxRect(int naturalWidth, int plainWidth, int plainHeight, int percent,
                       const std::function<int(int width)>& heightFor, int screenWidth, int screenHeight,
                       bool& textScrolls) {
    // The growth by percent made room for the screen's font on a box laid out for the plain
    // one; a box laid out in the screen's font has that room already, so it only takes the
    // plain box grown where that is larger, and its text fills the width it takes.
    const bool screenKnown = screenWidth > 0 && screenHeight > 0;
    const WinRect room = screenKnown ? ScreenRoom(screenWidth, screenHeight) : WinRect{};
    int width = std::max(naturalWidth, plainWidth + Percent(plainWidth, percent));
    if (screenKnown) width = std::min(width, room.Width());
    int needed = heightFor(width);
    // A text too high for the room at that width takes the room's width: fewer lines.
    if (screenKnown && needed > room.Height() && width < room.Width()) needed = heightFor(width = room.Width());
    int height = std::max(needed, plainHeight + Percent(plainHeight, percent));
    textScrolls = screenKnown && needed > room.Height();
    if (!screenKnown) return WinRect{0, 0, width, height};
    height = std::min(height, room.Height());
    const int left = (screenWidth - width) / 2, top = (screenHeight - height) / 2;
    return KeepOnScreen(WinRect{left, top, left + width, top + height}, screenWidth, screenHeight);
}

namespace {
void ScaleChildren(WindowNode& node, int percent) {
    for (WindowNode& child : node.children) {
        WinRect& r = child.rect;
        const int w = r.Width(), h = r.Height();
        r.left += Percent(r.left, percent);
        r.top += Percent(r.top, percent);
        r.right = r.left + w + Percent(w, percent);
        r.bottom = r.top + h + Percent(h, percent);
        ScaleChildren(child, percent);
    }
}
} // namespace

void ScaleWindowTree(WindowNode& window, int percent) {
    WinRect& r = window.rect;
    const int w = r.Width(), h = r.Height();
    r.right = r.left + w + Percent(w, percent);
    r.bottom = r.top + h + Percent(h, percent);
    ScaleChildren(window, percent);
}

bool PlaceOverWindow(const WinRect& reference, WinRect& window, int mode) {
    const int w = window.Width(), h = window.Height();
    if (mode == 1) {
        window.left = reference.left;
        window.top = reference.top;
    } else if (mode == 2) {
        window.left = reference.left + (reference.Width() - w) / 2;
        window.top = reference.top + (reference.Height() - h) / 2;
    } else {
        return false;
    }
    window.right = window.left + w;
    window.bottom = window.top + h;
    return true;
}
