// Rendering drawings into the canvas: orientation, hatch and flood fill, clipping, BMP bytes.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

#include "dxf/dxf.h"
#include "dxf_test_util.h"
#include "platform/paths.h"

using dxftest::Fixture;

namespace {

int BlackInRow(const MCanvas& c, int32_t row) {
    int n = 0;
    for (int32_t x = 0; x < c.Width(); ++x) n += c.Pixel(x, row) == kMBlack;
    return n;
}

int BlackInColumn(const MCanvas& c, int32_t col) {
    int n = 0;
    for (int32_t y = 0; y < c.Height(); ++y) n += c.Pixel(col, y) == kMBlack;
    return n;
}

uint32_t Le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

} // namespace

TEST(DxfCanvas, LSectionStandsOnItsFoot) {
    // The L: upright 5 wide and 60 high on the left, foot 40 wide and 5 high along the bottom.
    MEntitiesList l;
    ASSERT_EQ(ReadDXF(Fixture("l_section.dxf"), l), 7);
    l.GetLimits();
    EXPECT_EQ(l.MaxX(), 40.0);
    EXPECT_EQ(l.MaxY(), 60.0);
    MCanvas c(100, 100);
    const MRect rect = c.Bounds();
    l.AutoScale(rect, 90);
    l.Draw(c, rect);
    const MPixel bottomLeft = l.ToPixel(0, 0), topLeft = l.ToPixel(0, 60), footEnd = l.ToPixel(40, 0);
    EXPECT_GT(bottomLeft.y, topLeft.y) << "drawing y upwards must be image rows upwards";
    EXPECT_GT(footEnd.x, bottomLeft.x);
    // Fitted into 90% and centred: the 60 mm height spans about 89 rows.
    EXPECT_NEAR(bottomLeft.y - topLeft.y, 89, 1);
    EXPECT_GE(topLeft.y, 4);
    EXPECT_LE(bottomLeft.y, 95);
    // The long horizontal run is on the bottom row, the short one on the top row.
    EXPECT_GT(BlackInRow(c, bottomLeft.y), 55);
    EXPECT_LT(BlackInRow(c, topLeft.y), 12);
    EXPECT_GT(BlackInColumn(c, bottomLeft.x), 85);
    EXPECT_LT(BlackInColumn(c, footEnd.x), 12);
    EXPECT_EQ(BlackInRow(c, topLeft.y - 1), 0);
    EXPECT_EQ(BlackInRow(c, bottomLeft.y + 1), 0);

    // The same picture as a BMP: rows are stored bottom-up, so the foot is the first row stored.
    const std::string bmp = c.EncodeBMP();
    const size_t rowBytes = 100 * 4;
    auto blackStored = [&](int32_t imageRow) {
        const size_t at = 54 + size_t(99 - imageRow) * rowBytes;
        int n = 0;
        for (size_t x = 0; x < 100; ++x)
            n += bmp[at + x * 4] == 0 && bmp[at + x * 4 + 1] == 0 && bmp[at + x * 4 + 2] == 0;
        return n;
    };
    EXPECT_EQ(blackStored(bottomLeft.y), BlackInRow(c, bottomLeft.y));
    EXPECT_EQ(blackStored(topLeft.y), BlackInRow(c, topLeft.y));
}

TEST(DxfCanvas, HatchStaysInsideAClosedOutline) {
    MEntitiesList l;
    l.CreateLine(0, 0, 10, 0);
    l.CreateLine(10, 0, 10, 10);
    l.CreateLine(10, 10, 0, 10);
    l.CreateLine(0, 10, 0, 0);
    MCanvas c(60, 60);
    const MRect box{10, 10, 51, 51};
    l.AutoScale(box, 100);
    l.Draw(c, c.Bounds());
    const MColor red = MColorFromColorRef(0x0000FF);
    const MColor grey = MRgb(240, 240, 240);
    const MPixel seed = l.ToPixel(2, 2);
    const size_t painted = c.FloodFill(seed.x, seed.y, kMBlack, MBrush{MHatch::FDiagonal, red, grey});
    EXPECT_EQ(painted, 39u * 39u);
    int reds = 0;
    for (int32_t y = 0; y < 60; ++y) {
        for (int32_t x = 0; x < 60; ++x) {
            const MColor p = c.Pixel(x, y);
            const bool inside = x > 10 && x < 50 && y > 10 && y < 50;
            const bool edge = !inside && x >= 10 && x <= 50 && y >= 10 && y <= 50;
            if (inside) {
                ASSERT_TRUE(p == red || p == grey) << x << "," << y;
                reds += p == red;
                EXPECT_EQ(p == red, ((x - y) & 7) == 0); // the diagonal hatch
            } else if (edge) {
                ASSERT_EQ(p, kMBlack) << x << "," << y;
            } else {
                ASSERT_EQ(p, kMWhite) << x << "," << y;
            }
        }
    }
    EXPECT_GT(reds, 100);
    // Filling the outside leaves the inside alone; a start on the border paints nothing.
    const MColor blue = MColorFromColorRef(0xFF0000);
    EXPECT_EQ(c.FloodFill(0, 0, kMBlack, MBrush{MHatch::Solid, blue, blue}), 60u * 60u - 41u * 41u);
    EXPECT_NE(c.Pixel(30, 31), blue);
    EXPECT_EQ(c.FloodFill(10, 10, kMBlack, MBrush{}), 0u);
    EXPECT_EQ(c.FloodFill(-1, 5, kMBlack, MBrush{}), 0u);
}

TEST(DxfCanvas, LinesAreClippedWhateverTheirEnds) {
    MCanvas c(30, 10);
    c.DrawLine(INT32_MIN, 5, INT32_MAX, 5, kMBlack, MRect{10, 0, 20, 10});
    EXPECT_EQ(BlackInRow(c, 5), 10);
    EXPECT_EQ(c.Pixel(9, 5), kMWhite);
    EXPECT_EQ(c.Pixel(20, 5), kMWhite);
    c.DrawLine(1e300, -1e300, 5.0, 5.0, kMBlack, c.Bounds());
    c.DrawLine(std::nan(""), 0.0, 5.0, 5.0, kMBlack, c.Bounds());
    // A drawing far larger than its rectangle draws only inside it.
    MEntitiesList l;
    l.CreateLine(-1e9, 0, 1e9, 0);
    l.CreateLine(0, 0, 0, 1);
    l.AutoScale(MRect{0, 0, 30, 10}, 90);
    MCanvas d(30, 10);
    l.Draw(d, MRect{5, 0, 25, 10});
    EXPECT_EQ(d.Pixel(4, l.ToPixel(0, 0).y), kMWhite);
    EXPECT_EQ(d.Pixel(5, l.ToPixel(0, 0).y), kMBlack);
}

TEST(DxfCanvas, BmpHeaderAndRowOrder) {
    // The label picture: 96 x 80 pixels, 32 bits, rows bottom-up, 30720 bytes of pixels.
    MCanvas c(96, 80);
    c.FrameRect(c.Bounds(), kMBlack);
    c.SetPixel(1, 1, MColorFromColorRef(0x0000FF)); // near the top left
    const std::string bmp = c.EncodeBMP();
    ASSERT_EQ(bmp.size(), 54u + 30720u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bmp, 2), 54u + 30720u);
    EXPECT_EQ(Le32(bmp, 6), 0u);
    EXPECT_EQ(Le32(bmp, 10), 54u);
    EXPECT_EQ(Le32(bmp, 14), 40u);
    EXPECT_EQ(Le32(bmp, 18), 96u);
    EXPECT_EQ(Le32(bmp, 22), 80u);
    EXPECT_EQ(Le32(bmp, 26), 1u | (32u << 16)); // one plane, 32 bits
    EXPECT_EQ(Le32(bmp, 30), 0u);
    EXPECT_EQ(Le32(bmp, 34), 30720u);
    const size_t red = 54 + (size_t(80 - 1 - 1) * 96 + 1) * 4;
    EXPECT_EQ(uint8_t(bmp[red]), 0u);
    EXPECT_EQ(uint8_t(bmp[red + 1]), 0u);
    EXPECT_EQ(uint8_t(bmp[red + 2]), 255u);

    const std::string dir = std::string(BRELON_BINARY_DIR) + "/tests/dxf/out";
    ASSERT_TRUE(plat::MakeDirectories(dir));
    const std::string path = dir + "/label.bmp";
    ASSERT_TRUE(c.WriteBMP(path));
    std::string back;
    ASSERT_TRUE(plat::ReadWholeFile(path, back));
    EXPECT_EQ(back, bmp);
    EXPECT_FALSE(c.WriteBMP(dir + "/no/such/folder/x.bmp"));
}
