#pragma once
// Window arithmetic of the dialogs and message boxes, without any window system: the screen
// size is recorded once by the application object and given here; windows are rectangles.
#include <cstdint>
#include <vector>

// Screen size in pixels, recorded by the application object at start-up (0 until then).
void SetScreenSize(int width, int height);
int ScreenWidth();
int ScreenHeight();

// Enlargement in per cent by screen width: below 641 -> 1, below 801 -> 25, below 1025 -> 60,
// else 100. The no-argument form uses the recorded width.
int ScreenScalePercent(int screenWidth);
int ScreenScalePercent();

// Font height ("Tahoma") of dialogs and message boxes: up to 800 -> 14, up to 1024 -> 20,
// else 26.
int DialogFontHeight(int screenWidth);
// Enlargement factor of a dialog scaled to the screen: up to 801 none (1.0), up to 1024 1.28,
// else 1.6.
double DialogScaleFactor(int screenWidth);

struct WinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const WinRect&) const = default;
};

// A window and its descendants; children's rectangles are in their parent's client
// coordinates, the root's in screen coordinates.
struct WindowNode {
    WinRect rect;
    std::vector<WindowNode> children;
};

// The window grows by percent (width and height each by their percent, truncated) keeping
// its position; every descendant likewise and its position in its parent moves by percent.
void ScaleWindowTree(WindowNode& window, int percent);

// mode 1: window moved to the reference's top-left corner, size kept; mode 2: centred over the
// reference (integer halves). Returns false for any other mode (the window is not touched;
// only modes 1 and 2 bring the window to the top and show it).
bool PlaceOverWindow(const WinRect& reference, WinRect& window, int mode);
