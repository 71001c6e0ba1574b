// ZPL writers of PrintUtils: exact strings per writer, barcode and orientation.
#include <gtest/gtest.h>

#include "label_test_util.h"
#include "labelprint/print_utils.h"
#include "zpl_check.h"

namespace {

TEST(Writers, TextFieldBothOrientations) {
    PrintUtils pu;
    pu.BeginLabel(false);
    EXPECT_EQ(pu.TextField(10, 20, "S", "R", "40", "40", "BAR 12"), 1);
    pu.TextField(0, 5, "P", "N", "20", "20", "");
    EXPECT_EQ(pu.Zpl(), "^XA^FO10,20,^ASR,40,40^FDBAR 12^FS^FO0,5,^APN,20,20^FD^FS");
}

TEST(Writers, FieldDataEscapesCommandCharactersOnly) {
    // A Code 128 symbol writes '~' as its invocation code (">="), no escape.
    EXPECT_EQ(PrintUtils::FieldData("PIECE_1 A/B"), "^FDPIECE_1 A/B");
    EXPECT_EQ(PrintUtils::FieldData("A^XZ~JR_1"), "^FH^FDA_5EXZ_7EJR_5F1");
    PrintUtils pu;
    pu.BeginLabel(false);
    pu.TextField(1, 2, "S", "N", "40", "40", "50^FS^XZ");
    pu.BarcodeField(1, 2, "2", "96", "2.4", "N", "^BC", "~JA");
    pu.Zpl() += "^XZ";
    EXPECT_EQ(pu.Zpl(), "^XA^FO1,2,^ASN,40,40^FH^FD50_5EFS_5EXZ^FS^FO1,2^BY2,2.4^BCN,96,Y,N^FD>=JA^FS^XZ");
    EXPECT_TRUE(lptest::CheckZpl(pu.Zpl()).empty());
}

TEST(Writers, EveryBarcodeInBothOrientations) {
    struct Case {
        const char* command;
        const char* orient;
        const char* expected;
        const char* data; // data the symbol carries
    } cases[] = {
        {"^BE", "N", "^FO5,6^BY2,2.4^BEN,96,Y,N^FD8001234567897^FS", "8001234567897"},
        {"^BE", "R", "^FWR^FO5,6^BY2,2.4^BER,96,Y,N^FD8001234567897^FS", "8001234567897"},
        {"^B3", "N", "^FO5,6^BY2,2.4^B3N,N,96,Y,N,A,A^FD8001234567897^FS", "8001234567897"},
        {"^B3", "R", "^FWR^FO5,6^BY2,2.4^B3R,N,96,Y,N,A,A^FD8001234567897^FS", "8001234567897"},
        {"^BK", "N", "^FO5,6^BY2,2.4^BKN,N,96,Y,N,A,A^FD8001234567897^FS", "8001234567897"},
        {"^BK", "R", "^FWR^FO5,6^BY2,2.4^BKR,N,96,Y,N,A,A^FD8001234567897^FS", "8001234567897"},
        {"^B8", "N", "^FO5,6^BY2,2.4^B8N,96,Y,N^FD80012344^FS", "80012344"},
        {"^B8", "R", "^FWR^FO5,6^BY2,2.4^B8R,96,Y,N^FD80012344^FS", "80012344"},
        {"^B2", "N", "^FO5,6^BY2,2.4^B2N,96,Y,N^FD800123456789^FS", "800123456789"},
        {"^B2", "R", "^FWR^FO5,6^BY2,2.4^B2R,96,Y,N^FD800123456789^FS", "800123456789"},
        {"^BC", "N", "^FO5,6^BY2,2.4^BCN,96,Y,N^FD8001234567897^FS", "8001234567897"},
        {"^BC", "R", "^FWR^FO5,6^BY2,2.4^BCR,96,Y,N^FD8001234567897^FS", "8001234567897"},
    };
    for (const Case& c : cases) {
        PrintUtils pu;
        pu.Zpl().clear();
        EXPECT_EQ(pu.BarcodeField(5, 6, "2", "96", "2.4", c.orient, c.command, c.data), 1);
        EXPECT_EQ(pu.Zpl(), c.expected) << c.command << c.orient;
        PrintUtils other;
        other.Zpl().clear();
        EXPECT_EQ(other.BarcodeField(5, 6, "2", "96", "2.4", c.orient, c.command, "8001\xE9"), 0)
            << "data the symbol does not carry is not written: " << c.command;
        EXPECT_EQ(other.Zpl(), "");
    }
}

TEST(Writers, PaperOutReply) {
    EXPECT_TRUE(PrintUtils::ParsePaperOut("\x02" "030,1,0,1245,000,0,0,0,000,0,0,0\x03\r\n"));
    EXPECT_FALSE(PrintUtils::ParsePaperOut("\x02" "030,0,0,1245,000,0,0,0,000,0,0,0\x03\r\n"));
    EXPECT_FALSE(PrintUtils::ParsePaperOut(""));
    EXPECT_FALSE(PrintUtils::ParsePaperOut("no comma"));
    EXPECT_FALSE(PrintUtils::ParsePaperOut("030,"));
    EXPECT_FALSE(PrintUtils::ParsePaperOut(nullptr));
    PrintUtils pu; // the reply buffer starts zeroed
    EXPECT_STREQ(pu.Reply(), "");
}

// A 100 x 50 section: an outer rectangle (polygon 1) and a slanted triangle (polygon 2).
lptest::ProfileRecord Section(int16_t id, bool fourPoints) {
    lptest::ProfileRecord r;
    r.id = id;
    r.fourPoints = fourPoints;
    r.width = 100;
    r.height = 50;
    r.outline = {{0, 0}, {100, 0}, {100, 50}};
    r.polygons.push_back({{{0, 0}, {100, 0}, {100, 50}, {0, 50}}});
    if (fourPoints) r.polygons.push_back({{{10, 10}, {30, 10}, {30, 40}, {10, 10}}});
    else r.polygons.push_back({{{10, 10}, {30, 10}, {20, 40}}});
    return r;
}

TEST(Writers, ProfileDrawingUpright) {
    lptest::TempDir dir;
    const std::string lib = dir / "profiles.lib";
    lptest::WriteFile(lib, lptest::BuildProfileLibrary({Section(3, false), Section(7, false)}));
    PrintUtils pu;
    pu.Zpl().clear();
    // 120 x 70 dots: extents 50 and 100, scale max(100/100, 50/50) = 1.
    EXPECT_EQ(pu.ProfileDrawing(100, 200, 120, 70, 7, 2, false, lib), 1);
    const std::string expected =
        // the box pairs of the triangle's slanted sides, before any side
        "^FO130,220^GB10,30,3^FS^FO130,220^FR^GB10,30,3^FS^FO120,220^GB10,30,3^FS^FO120,220^FR^GB10,30,3^FS"
        // rectangle: (0,50) (100,50) (100,0) (0,0), thickness 1
        "^FO110,260^GB100,0,1^FS^FO210,210^GB0,50,1^FS^FO110,210^GB100,0,1^FS^FO110,210^GB0,50,1^FS"
        // triangle, highlighted (general records: 3): (10,40) (30,40) (20,10)
        "^FO120,250^GB20,0,3^FS^FO130,220^GD10,30,3,,L^FS^FO120,220^GD10,30,3,,R^FS";
    EXPECT_EQ(pu.Zpl(), expected);
}

TEST(Writers, ProfileDrawingRotatedFourPoints) {
    lptest::TempDir dir;
    const std::string lib = dir / "profiles.lib";
    lptest::WriteFile(lib, lptest::BuildProfileLibrary({Section(4, true)}));
    PrintUtils pu;
    pu.Zpl().clear();
    // Rotated: (x, y) -> (y, x); E1 = 120 - 20, E2 = 70 - 20; scale max(100 / 50, 50 / 100) = 2.
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 120, 70, 4, 1, true, lib), 1);
    const std::string z = pu.Zpl();
    // Polygon 1 highlighted with thickness 4 (four-point records): (0,0) (0,50) (25,50) (25,0).
    EXPECT_GT(z.find("^FO10,10^GB0,50,4^FS"), z.rfind("^FR")) << "the first side follows every box pair\n" << z;
    EXPECT_NE(z.find("^FO10,60^GB25,0,4^FS"), std::string::npos) << z;
    pu.Zpl() += "^XZ";
    pu.Zpl().insert(0, "^XA");
    EXPECT_TRUE(lptest::CheckZpl(pu.Zpl()).empty());
}

TEST(Writers, ProfileDrawingFailuresAndGuards) {
    lptest::TempDir dir;
    const std::string lib = dir / "profiles.lib";
    lptest::ProfileRecord flat = Section(9, true);
    flat.width = 0;
    flat.height = 0;
    lptest::ProfileRecord bad = Section(5, true);
    bad.bodyLengthOverride = -255; // would step back onto itself
    lptest::WriteFile(lib, lptest::BuildProfileLibrary({bad, Section(6, true), flat}));
    PrintUtils pu;
    pu.Zpl().clear();
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 100, 100, 0, 0, false, lib), 1) << "record id 0 draws nothing";
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 100, 100, 42, 0, false, lib), -1) << "absent record";
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 100, 100, 6, 0, false, lib), -1) << "behind a length that does not advance";
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 100, 100, 9, 0, false, lib), -1) << "zero extents";
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 15, 15, 5, 0, false, lib), -1) << "a box with no room";
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 100, 100, 5, 0, false, dir / "missing.lib"), -1);
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 100, 100, 5, 0, false, ""), -1);
    EXPECT_EQ(pu.Zpl(), "");
    EXPECT_EQ(pu.ProfileDrawing(0, 0, 100, 100, 5, 0, false, lib), 1);
    EXPECT_NE(pu.Zpl(), "");
}

TEST(Writers, DxfToBitmap) {
    lptest::TempDir dir;
    const std::string dxf = dir / "P1.DXF";
    lptest::WriteFile(dxf, lptest::ReadFile(std::string(BRELON_SOURCE_DIR) + "/tests/fixtures/labelprint/profile.dxf"));
    PrintUtils pu;
    std::string out;
    ASSERT_EQ(pu.DxfToBitmap(dxf, out), 1);
    EXPECT_EQ(out, dxf + ".bmp");
    const std::string bmp = lptest::ReadFile(out);
    ASSERT_EQ(bmp.size(), 54u + 30720u);
    labelprint::Image image;
    ASSERT_TRUE(labelprint::DecodeBMP(bmp, image));
    EXPECT_EQ(image.width, 96);
    EXPECT_EQ(image.height, 80);
    EXPECT_EQ(image.At(0, 0), 0u);              // black frame
    EXPECT_EQ(image.At(48, 0), 0u);
    EXPECT_EQ(image.At(2, 2), 0xFFFFFFu);       // white inside
    size_t black = 0;
    for (uint32_t p : image.pixels) black += p == 0;
    EXPECT_GT(black, 2u * (96 + 80) + 50u);     // the drawing itself
    std::string none;
    EXPECT_EQ(pu.DxfToBitmap("", none), -1);
    EXPECT_EQ(pu.DxfToBitmap(dir / "missing.dxf", none), -1);
    EXPECT_FALSE(lptest::FileExists(dir / "missing.dxf.bmp"));
}

} // namespace
