#pragma once
// Window arithmetic of the dialogs and message boxes, without any window system: the screen
// size is recorded once by the application object and given here; windows are rectangles.
#include <cstdint>
#include <functional>
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

// Room that a window manager's frame takes around a window's client area: the borders on
// the sides and at the bottom, and the title bar with its border above.
inline constexpr int kFrameSide = 4;
inline constexpr int kFrameTop = 32;
// The part of the screen a window's client area may take with its frame around it.
WinRect ScreenRoom(int screenWidth, int screenHeight);

// The enlargement of a dialog whose client size is width x height: DialogScaleFactor of the
// screen width, lowered as far as needed for the enlarged dialog to fit the screen's room
// (below 1 when even the template does not fit), so that a dialog fits a screen of any width
// to height ratio. With the screen size unknown (0) the screen-width factor alone.
double FittedScaleFactor(int width, int height, int screenWidth, int screenHeight);

// The client rectangle moved (never resized) as little as needed to lie wholly in the
// screen's room; a window larger than the room keeps the room's top-left corner. With the
// screen size unknown (0) the rectangle is returned as it is.
WinRect KeepOnScreen(const WinRect& client, int screenWidth, int screenHeight);

// Where a message box shows and how large. naturalWidth is its width as the toolkit lays it
// out in the screen's font, plainWidth x plainHeight its size laid out in the toolkit's plain
// font, heightFor(width) the height its layout needs at a width in the screen's font. The box
// is as wide as the wider of its natural width and the plain width grown by percent, as high
// as the higher of what it needs at that width and the plain height grown by percent, within
// the screen's room; centred on the screen and kept on it. A text too high for the room at
// that width takes the room's width; textScrolls is set when even then the room's height
// cannot hold it: the box then takes the room's height and its text must scroll. With the screen size unknown (0) that size at 0,0, unbounded.
WinRect MessageBoxRect(int naturalWidth, int plainWidth, int plainHeight, int percent,
                       const std::function<int(int width)>& heightFor, int screenWidth, int screenHeight,
                       bool& textScrolls);

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
