#pragma once
// Raster canvas of our own: RGBA pixels in memory, lines, filled and framed rectangles,
// border-bounded flood fill with a solid or hatched brush, and a BMP writer. The drawing
// preview and the label pictures paint into it, so pictures are testable without a screen.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Colour as 0xAARRGGBB.
using MColor = uint32_t;

constexpr MColor MRgb(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
// From a Windows colour value 0x00BBGGRR (0x0000FF is red).
constexpr MColor MColorFromColorRef(uint32_t colorRef) {
    return MRgb(uint8_t(colorRef & 0xFF), uint8_t((colorRef >> 8) & 0xFF), uint8_t((colorRef >> 16) & 0xFF));
}
inline constexpr MColor kMBlack = MRgb(0, 0, 0);
inline constexpr MColor kMWhite = MRgb(255, 255, 255);

// Pixel rectangle, Windows style: right and bottom are exclusive.
struct MRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

enum class MHatch {
    Solid,
    FDiagonal, // 45-degree lines falling from upper left to lower right, every 8 pixels
    BDiagonal, // 45-degree lines rising from lower left to upper right, every 8 pixels
};

struct MBrush {
    MHatch style = MHatch::Solid;
    MColor color = kMBlack;      // the solid colour, or the colour of the hatch lines
    MColor background = kMWhite; // pixels between hatch lines (opaque background)
};

class MCanvas {
public:
    // Largest side accepted; larger requests are clamped.
    static constexpr int32_t kMaxSide = 8192;

    MCanvas() = default;
    MCanvas(int32_t width, int32_t height, MColor fill = kMWhite);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    MRect Bounds() const { return MRect{0, 0, width_, height_}; }
    bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Row 0 is the top row. Reads outside the canvas give 0; writes outside are ignored.
    MColor Pixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, MColor c);
    const std::vector<MColor>& Pixels() const { return pixels_; }

    void Fill(MColor c);
    void FillRect(const MRect& r, MColor c);
    void FrameRect(const MRect& r, MColor c); // one-pixel border inside r
    // Straight line including both end points, limited to clip (and to the canvas).
    void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, MColor c);
    void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, MColor c, const MRect& clip);
    // The same from real pixel positions (rounded to the nearest pixel after clipping);
    // positions that are not finite draw nothing.
    void DrawLine(double x0, double y0, double x1, double y1, MColor c, const MRect& clip);

    // Paints the 4-connected region around (x, y) that is bounded by pixels of the boundary
    // colour (or the canvas edge) with the brush. Returns the number of pixels painted
    // (0 when the start lies outside or on the boundary colour).
    size_t FloodFill(int32_t x, int32_t y, MColor boundary, const MBrush& brush);

    // 32-bit uncompressed BMP: 14-byte file header, 40-byte information header, then the rows
    // bottom-up as B, G, R, A bytes.
    std::string EncodeBMP() const;
    // Writes EncodeBMP() through a temporary file and a rename; false on failure.
    bool WriteBMP(std::string_view path) const;

private:
    MColor BrushPixel(const MBrush& b, int32_t x, int32_t y) const;

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<MColor> pixels_;
};
