// Our own bitmap routines for label pictures.
#include "labelprint/bitmap.h"

#include <algorithm>

#include "platform/paths.h"

namespace labelprint {

namespace {

uint32_t U16(std::string_view d, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(d[at]) | (static_cast<uint8_t>(d[at + 1]) << 8));
}
uint32_t U32(std::string_view d, size_t at) { return U16(d, at) | (U16(d, at + 2) << 16); }
int32_t S32(std::string_view d, size_t at) { return static_cast<int32_t>(U32(d, at)); }

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

} // namespace

Image::Image(int32_t w, int32_t h, uint32_t fill)
    : width(std::max(w, 0)), height(std::max(h, 0)),
      pixels(static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)), fill) {}

bool DecodeBMP(std::string_view d, Image& out) {
    out = Image();
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') return false;
    const uint32_t dataOffset = U32(d, 10);
    const uint32_t headerSize = U32(d, 14);
    if (headerSize < 40 || 14u + headerSize > d.size()) return false;
    const int32_t width = S32(d, 18);
    const int32_t rawHeight = S32(d, 22);
    const uint32_t planes = U16(d, 26);
    const uint32_t bpp = U16(d, 28);
    const uint32_t compression = U32(d, 30);
    uint32_t colorsUsed = U32(d, 46);
    if (planes != 1 || width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return false;
    const bool topDown = rawHeight < 0;
    const int32_t height = topDown ? -rawHeight : rawHeight;
    if (width > kMaxBitmapSide || height > kMaxBitmapSide) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    if (!(compression == 0 || (compression == 3 && bpp == 32))) return false;

    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        const uint32_t maxColors = 1u << bpp;
        if (colorsUsed == 0 || colorsUsed > maxColors) colorsUsed = maxColors;
        const size_t at = 14u + headerSize;
        if (at + size_t(colorsUsed) * 4 > d.size()) return false;
        for (uint32_t i = 0; i < colorsUsed; ++i) {
            const size_t p = at + size_t(i) * 4;
            palette.push_back((uint32_t(uint8_t(d[p + 2])) << 16) | (uint32_t(uint8_t(d[p + 1])) << 8) | uint8_t(d[p]));
        }
    }
    const size_t rowBytes = ((size_t(width) * bpp + 31) / 32) * 4;
    if (dataOffset > d.size() || rowBytes * size_t(height) > d.size() - dataOffset) return false;

    Image img(width, height);
    for (int32_t row = 0; row < height; ++row) {
        const size_t src = dataOffset + rowBytes * size_t(row);
        const int32_t y = topDown ? row : height - 1 - row;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t c = 0;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const size_t bit = size_t(x) * bpp;
                const uint8_t byte = uint8_t(d[src + bit / 8]);
                const uint32_t index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                c = index < palette.size() ? palette[index] : 0;
                break;
            }
            case 24: {
                const size_t p = src + size_t(x) * 3;
                c = (uint32_t(uint8_t(d[p + 2])) << 16) | (uint32_t(uint8_t(d[p + 1])) << 8) | uint8_t(d[p]);
                break;
            }
            default: {
                const size_t p = src + size_t(x) * 4;
                c = (uint32_t(uint8_t(d[p + 2])) << 16) | (uint32_t(uint8_t(d[p + 1])) << 8) | uint8_t(d[p]);
                break;
            }
            }
            img.Set(x, y, c);
        }
    }
    out = std::move(img);
    return true;
}

// The largest bitmap file read: a label picture is a small fraction of it.
constexpr std::size_t kBitmapFileBound = 64u << 20;

bool ReadBMP(const std::string& path, Image& out) {
    std::string data;
    if (path.empty() || !plat::ReadWholeFile(path, data, kBitmapFileBound)) {
        out = Image();
        return false;
    }
    return DecodeBMP(data, out);
}

std::string EncodeBMP24(const Image& img) {
    const size_t rowBytes = ((size_t(img.width) * 24 + 31) / 32) * 4;
    const size_t imageSize = rowBytes * size_t(img.height);
    std::string s = "BM";
    Put32(s, uint32_t(54 + imageSize));
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, uint32_t(img.width));
    Put32(s, uint32_t(img.height));
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0);
    Put32(s, uint32_t(imageSize));
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, 0);
    Put32(s, 0);
    for (int32_t row = img.height - 1; row >= 0; --row) {
        size_t n = 0;
        for (int32_t x = 0; x < img.width; ++x, n += 3) {
            const uint32_t c = img.At(x, row);
            s += char(c & 0xFF);
            s += char((c >> 8) & 0xFF);
            s += char((c >> 16) & 0xFF);
        }
        for (; n < rowBytes; ++n) s += '\0';
    }
    return s;
}

Image RotateLeft90(const Image& in) {
    Image out(in.height, in.width);
    // Counter-clockwise: the right column becomes the top row.
    for (int32_t y = 0; y < in.height; ++y)
        for (int32_t x = 0; x < in.width; ++x) out.Set(y, in.width - 1 - x, in.At(x, y));
    return out;
}

Image Rotate180(const Image& in) {
    Image out(in.width, in.height);
    for (int32_t y = 0; y < in.height; ++y)
        for (int32_t x = 0; x < in.width; ++x) out.Set(in.width - 1 - x, in.height - 1 - y, in.At(x, y));
    return out;
}

Image MirrorHorizontal(const Image& in) {
    Image out(in.width, in.height);
    for (int32_t y = 0; y < in.height; ++y)
        for (int32_t x = 0; x < in.width; ++x) out.Set(in.width - 1 - x, y, in.At(x, y));
    return out;
}

Image Resize(const Image& in, int32_t width, int32_t height) {
    width = std::clamp(width, 1, kMaxBitmapSide);
    height = std::clamp(height, 1, kMaxBitmapSide);
    Image out(width, height);
    if (in.Empty()) return out;
    // Sample the source pixel under the centre of each target pixel.
    for (int32_t y = 0; y < height; ++y) {
        const int32_t sy = int32_t((int64_t(2 * y + 1) * in.height) / (2 * int64_t(height)));
        for (int32_t x = 0; x < width; ++x) {
            const int32_t sx = int32_t((int64_t(2 * x + 1) * in.width) / (2 * int64_t(width)));
            out.Set(x, y, in.At(sx, sy));
        }
    }
    return out;
}

MonoBitmap ToOneBit(const Image& in) {
    MonoBitmap out;
    out.width = in.width;
    out.height = in.height;
    const int32_t bpr = out.BytesPerRow();
    out.bits.assign(size_t(bpr) * size_t(std::max(in.height, 0)), 0);
    for (int32_t y = 0; y < in.height; ++y)
        for (int32_t x = 0; x < in.width; ++x) {
            const uint32_t c = in.At(x, y);
            const uint32_t lum = (299 * ((c >> 16) & 0xFF) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000;
            if (lum < 128) out.bits[size_t(y) * size_t(bpr) + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    return out;
}

MonoBitmap LabelPictureBits(const Image& in, int32_t width, int32_t height, bool rotate) {
    width = std::clamp(width, 1, kMaxBitmapSide);
    height = std::clamp(height, 1, kMaxBitmapSide);
    MonoBitmap out;
    out.width = width;
    out.height = height;
    const int32_t bpr = out.BytesPerRow();
    out.bits.assign(size_t(bpr) * size_t(height), 0);
    if (in.Empty()) return out;
    // Extents of the turned (and mirrored) image that the resize samples.
    const int32_t tw = rotate ? in.height : in.width;
    const int32_t th = rotate ? in.width : in.height;
    for (int32_t r = 0; r < height; ++r) {
        const int32_t y = height - 1 - r; // rows go out bottom first
        const int32_t b = int32_t((int64_t(2 * y + 1) * th) / (2 * int64_t(height)));
        for (int32_t x = 0; x < width; ++x) {
            const int32_t sx = int32_t((int64_t(2 * x + 1) * tw) / (2 * int64_t(width)));
            const int32_t a = tw - 1 - sx; // mirrored
            // Turned image (a, b) back to the source: left quarter turn or half turn.
            const uint32_t c = rotate ? in.At(in.width - 1 - b, a) : in.At(in.width - 1 - a, in.height - 1 - b);
            const uint32_t lum = (299 * ((c >> 16) & 0xFF) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000;
            if (lum < 128) out.bits[size_t(r) * size_t(bpr) + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return out;
}

} // namespace labelprint
