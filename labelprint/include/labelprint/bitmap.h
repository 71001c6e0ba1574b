#pragma once
// Bitmap routines for label pictures: read a BMP file, rotate, mirror, resize and reduce to
// one bit per pixel. Images are kept top row first.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace labelprint {

// Colour image, pixels 0x00RRGGBB, row 0 at the top.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    Image() = default;
    Image(int32_t w, int32_t h, uint32_t fill = 0xFFFFFF);
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    void Set(int32_t x, int32_t y, uint32_t c) { pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = c; }
    bool Empty() const { return width <= 0 || height <= 0; }
};

// One bit per pixel: rows of BytesPerRow() bytes, leftmost pixel in the high bit, 1 black.
// Bits past the width in the last byte of a row are 0 (white).
struct MonoBitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bits;

    int32_t BytesPerRow() const { return (width + 7) / 8; }
    bool Black(int32_t x, int32_t y) const {
        return (bits[static_cast<size_t>(y) * static_cast<size_t>(BytesPerRow()) + static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1;
    }
};

// Largest side accepted for a picture, read or resized.
inline constexpr int32_t kMaxBitmapSide = 8192;

// Uncompressed BMP (1, 4, 8, 24 or 32 bits per pixel; bottom-up or top-down rows; 32 bits
// also with bit fields). Every size and offset is checked against the data. False when the
// data is not such a bitmap.
bool DecodeBMP(std::string_view data, Image& out);
bool ReadBMP(const std::string& path, Image& out); // native or Windows path

// 24-bit BMP of the image (used by tests and by nothing on the label path).
std::string EncodeBMP24(const Image& image);

Image RotateLeft90(const Image& in);      // counter-clockwise by 90 degrees
Image Rotate180(const Image& in);
Image MirrorHorizontal(const Image& in);  // left and right swapped
// Nearest-pixel resize to width x height (each clamped to 1..kMaxBitmapSide).
Image Resize(const Image& in, int32_t width, int32_t height);
// Pixels darker than mid-grey (luminance below 128) become black.
MonoBitmap ToOneBit(const Image& in);

// The one-bit picture of a label field in a single pass: the same pixels as turning the image
// (RotateLeft90 when rotate, else Rotate180), MirrorHorizontal, Resize to width x height and
// ToOneBit, with the rows in reverse order (bottom row first). No intermediate image is made.
MonoBitmap LabelPictureBits(const Image& in, int32_t width, int32_t height, bool rotate);

} // namespace labelprint
