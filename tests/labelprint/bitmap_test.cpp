// Bitmap routines and the ^GFA writer: decoding the field gives back the picture.
#include <gtest/gtest.h>

#include <random>

#include "label_test_util.h"
#include "labelprint/bitmap.h"
#include "labelprint/print_utils.h"
#include "zpl_check.h"

namespace {

using Pattern = std::vector<std::vector<bool>>;

Pattern RandomPattern(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Pattern p(static_cast<size_t>(h), std::vector<bool>(static_cast<size_t>(w)));
    for (auto& row : p)
        for (size_t x = 0; x < row.size(); ++x) row[x] = rng() & 1;
    return p;
}

labelprint::Image ImageOf(const Pattern& p) {
    labelprint::Image img(int(p[0].size()), int(p.size()));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) img.Set(x, y, p[size_t(y)][size_t(x)] ? 0 : 0xFFFFFF);
    return img;
}

TEST(Bitmap, TurnsAndMirror) {
    labelprint::Image img(3, 2);
    img.Set(0, 0, 1);
    img.Set(2, 1, 2);
    const labelprint::Image left = labelprint::RotateLeft90(img);
    ASSERT_EQ(left.width, 2);
    ASSERT_EQ(left.height, 3);
    EXPECT_EQ(left.At(0, 2), 1u); // top-left goes to bottom-left
    EXPECT_EQ(left.At(1, 0), 2u); // bottom-right goes to top-right
    const labelprint::Image half = labelprint::Rotate180(img);
    EXPECT_EQ(half.At(2, 1), 1u);
    EXPECT_EQ(half.At(0, 0), 2u);
    const labelprint::Image mirror = labelprint::MirrorHorizontal(img);
    EXPECT_EQ(mirror.At(2, 0), 1u);
    EXPECT_EQ(mirror.At(0, 1), 2u);
}

TEST(Bitmap, ResizeAndOneBit) {
    const labelprint::Image img = ImageOf({{true, false}, {false, true}});
    const labelprint::Image big = labelprint::Resize(img, 4, 4);
    EXPECT_EQ(big.At(0, 0), 0u);
    EXPECT_EQ(big.At(1, 1), 0u);
    EXPECT_EQ(big.At(2, 1), 0xFFFFFFu);
    EXPECT_EQ(big.At(3, 3), 0u);
    const labelprint::Image same = labelprint::Resize(img, 2, 2);
    EXPECT_EQ(same.pixels, img.pixels);
    labelprint::Image grey(10, 1, 0x808080);
    grey.Set(9, 0, 0x7F7F7F);
    const labelprint::MonoBitmap mono = labelprint::ToOneBit(grey);
    EXPECT_EQ(mono.BytesPerRow(), 2);
    ASSERT_EQ(mono.bits.size(), 2u);
    EXPECT_EQ(mono.bits[0], 0x00);
    EXPECT_EQ(mono.bits[1], 0x40); // pixel 9 black, padding bits white
}

TEST(Bitmap, DecodeFormatsAndRefuseDamage) {
    const Pattern p = RandomPattern(13, 5, 7);
    labelprint::Image img;
    ASSERT_TRUE(labelprint::DecodeBMP(lptest::Bmp24(p), img));
    EXPECT_EQ(img.pixels, ImageOf(p).pixels);
    // Round trip through our own 24-bit writer.
    labelprint::Image back;
    ASSERT_TRUE(labelprint::DecodeBMP(labelprint::EncodeBMP24(img), back));
    EXPECT_EQ(back.pixels, img.pixels);

    // A one-bit, top-down bitmap with a palette of white (0) and black (1).
    std::string bmp1;
    {
        auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp1 += char((v >> (8 * i)) & 0xFF); };
        bmp1 = "BM";
        put32(62 + 8);
        put32(0);
        put32(62);
        put32(40);
        put32(10);
        put32(uint32_t(-2));
        bmp1 += std::string("\x01\x00\x01\x00", 4);
        put32(0);
        put32(8);
        put32(0);
        put32(0);
        put32(2);
        put32(0);
        put32(0x00FFFFFF);
        put32(0);
        bmp1 += std::string("\x80\x40\x00\x00\xFF\xC0\x00\x00", 8);
    }
    ASSERT_TRUE(labelprint::DecodeBMP(bmp1, img));
    EXPECT_EQ(img.width, 10);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.At(0, 0), 0u);
    EXPECT_EQ(img.At(1, 0), 0xFFFFFFu);
    EXPECT_EQ(img.At(9, 0), 0u);
    EXPECT_EQ(img.At(9, 1), 0u);

    std::string cut = lptest::Bmp24(p);
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(labelprint::DecodeBMP(cut, img));
    std::string huge = lptest::Bmp24(p);
    huge[19] = 0x7F; // width 0x7F0D
    EXPECT_FALSE(labelprint::DecodeBMP(huge, img));
    EXPECT_FALSE(labelprint::DecodeBMP("BM", img));
    EXPECT_FALSE(labelprint::DecodeBMP("not a bitmap at all, but long enough to hold a header.........", img));
}

// Writes the pattern as a BMP file and returns the decoded ^GFA of the bitmap field.
lptest::Graphic FieldOf(const Pattern& p, int w, int h, bool rotate, std::string* zpl = nullptr) {
    lptest::TempDir dir;
    const std::string file = dir / "pic.bmp";
    lptest::WriteFile(file, lptest::Bmp24(p));
    PrintUtils pu;
    pu.BeginLabel(true);
    EXPECT_EQ(pu.BitmapField(30, 40, w, h, rotate, file), 1);
    pu.Zpl() += "^XZ";
    EXPECT_TRUE(lptest::CheckZpl(pu.Zpl()).empty()) << pu.Zpl();
    if (zpl) *zpl = pu.Zpl();
    const std::vector<lptest::Graphic> g = lptest::DecodeGraphics(pu.Zpl());
    EXPECT_EQ(g.size(), 1u);
    return g.empty() ? lptest::Graphic() : g[0];
}

TEST(Bitmap, GraphicFieldDecodesToTheInputPicture) {
    // 16 wide: rows need no padding, so the last row must not be lost; 13 wide: padded rows.
    for (int width : {16, 13, 10, 1}) {
        const Pattern p = RandomPattern(width, 6, unsigned(width));
        const lptest::Graphic g = FieldOf(p, width, 6, false);
        EXPECT_EQ(g.x, 30);
        EXPECT_EQ(g.y, 40);
        ASSERT_EQ(g.bytesPerRow, (width + 7) / 8);
        ASSERT_EQ(g.rows, 6) << width;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < width; ++x) EXPECT_EQ(g.Black(x, y), p[size_t(y)][size_t(x)]) << width << " " << x << "," << y;
            for (int x = width; x < g.bytesPerRow * 8; ++x) EXPECT_FALSE(g.Black(x, y)) << "padding is white";
        }
    }
}

TEST(Bitmap, RotatedPrintTurnsThePictureClockwise) {
    const Pattern p = RandomPattern(5, 3, 11);
    const lptest::Graphic g = FieldOf(p, 3, 5, true);
    ASSERT_EQ(g.rows, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(g.Black(x, y), p[size_t(2 - x)][size_t(y)]) << x << "," << y;
}

TEST(Bitmap, ExactFieldText) {
    std::string zpl;
    FieldOf({{true, false, true, false, true, false, true, false, true, true}}, 10, 1, false, &zpl);
    EXPECT_EQ(zpl, "^XA^PW832^FO30,40,^GFA,2,2,2,AAC0^FS^XZ");
}

TEST(Bitmap, MissingOrBadPictureIsLeftOut) {
    lptest::TempDir dir;
    lptest::WriteFile(dir / "bad.bmp", "BMxx");
    PrintUtils pu;
    pu.Zpl().clear();
    EXPECT_EQ(pu.BitmapField(0, 0, 10, 10, false, ""), -1);
    EXPECT_EQ(pu.BitmapField(0, 0, 10, 10, false, dir / "none.bmp"), -1);
    EXPECT_EQ(pu.BitmapField(0, 0, 10, 10, false, dir / "bad.bmp"), -1);
    lptest::WriteFile(dir / "ok.bmp", lptest::Bmp24({{true}}));
    EXPECT_EQ(pu.BitmapField(0, 0, 0, 10, false, dir / "ok.bmp"), -1);
    EXPECT_EQ(pu.Zpl(), "");
}

} // namespace

namespace {

// The single-pass picture equals the chain of the separate routines.
TEST(Bitmap, SinglePassPictureEqualsTheRoutineChain) {
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        const int sw = 1 + int(rng() % 23), sh = 1 + int(rng() % 19);
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
        const bool rotate = round % 2;
        labelprint::Image src(sw, sh);
        for (auto& p : src.pixels) p = rng() & 0xFFFFFF;
        const labelprint::Image turned = rotate ? labelprint::RotateLeft90(src) : labelprint::Rotate180(src);
        const labelprint::MonoBitmap chain =
            labelprint::ToOneBit(labelprint::Resize(labelprint::MirrorHorizontal(turned), w, h));
        const labelprint::MonoBitmap fused = labelprint::LabelPictureBits(src, w, h, rotate);
        ASSERT_EQ(fused.bits.size(), chain.bits.size());
        const size_t row = size_t(chain.BytesPerRow());
        for (int r = 0; r < h; ++r)
            EXPECT_EQ(std::vector<uint8_t>(fused.bits.begin() + long(r * row), fused.bits.begin() + long((r + 1) * row)),
                      std::vector<uint8_t>(chain.bits.begin() + long((h - 1 - r) * row), chain.bits.begin() + long((h - r) * row)))
                << round << " row " << r;
    }
}

} // namespace
