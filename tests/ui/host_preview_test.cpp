// The DXF preview: angle normalisation, the section drawn from a file, the section box of a
// bar without a file, the outline hatch colours, empty and unreadable drawings, and the
// control's blit of the canvas.
#include <gtest/gtest.h>

#include <QImage>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "qt_app.h"
#include "ui/ViewDxfStatic.h"
#include "ui/dxf_preview.h"
#include "platform/text.h"

namespace {

const std::string kFixtures = std::string(BRELON_SOURCE_DIR) + "/tests/fixtures/dxf/";
const MColor kBlue = MColorFromColorRef(ui::kHatchPlain);
const MColor kRed = MColorFromColorRef(ui::kHatchExtended);

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

// The box around the pixels of one colour, of a canvas or of a grabbed image.
template <class Picture, class Colour>
Box BoxOfColour(const Picture& picture, int width, int height, Colour colour) {
    Box b;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (picture.Pixel(x, y) == colour) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

Box BoxOf(const MCanvas& c, MColor colour) { return BoxOfColour(c, c.Width(), c.Height(), colour); }

size_t Count(const MCanvas& c, MColor colour) {
    size_t n = 0;
    for (MColor p : c.Pixels()) n += p == colour;
    return n;
}

ui::PreviewBar SectionBar(float angle = 0.0f, int32_t mirror = 0) {
    ui::PreviewBar bar;
    bar.sectionAngle = angle;
    bar.mirror = mirror;
    bar.bounds[0] = 0;       // y1
    bar.bounds[1] = 40000;   // y2
    bar.bounds[2] = 0;       // x1
    bar.bounds[3] = 60000;   // x2
    return bar;
}

TEST(PreviewAngle, NormalisedIntoOneTurn) {
    EXPECT_EQ(ui::NormalisePreviewAngle(-90), 270);
    EXPECT_EQ(ui::NormalisePreviewAngle(720), 0);
    EXPECT_EQ(ui::NormalisePreviewAngle(360), 0);
    EXPECT_EQ(ui::NormalisePreviewAngle(359.5), 359.5);
    EXPECT_EQ(ui::NormalisePreviewAngle(-1e-20), 0);   // would round up to exactly 360
    EXPECT_EQ(ui::NormalisePreviewAngle(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(ui::NormalisePreviewAngle(std::numeric_limits<double>::infinity()), 0);
    const double huge = ui::NormalisePreviewAngle(1e300);   // no endless subtraction
    EXPECT_GE(huge, 0);
    EXPECT_LT(huge, 360);
}

TEST(PreviewControl, SetDrawingStoresAngleMirrorAndClearsUnreadablePath) {
    TestApp();
    ui::MViewDXFStatic view;
    view.resize(120, 120);
    view.SetDrawing(nullptr, 0, 0, 0, false, -90, nullptr, 0);
    EXPECT_EQ(view.Angle(), 270);
    const ui::PreviewBar bar = SectionBar(45.0f, 1);
    view.SetDrawing((kFixtures + "l_section.dxf").c_str(), 1, 0, 0, false, 0, &bar, 0);
    EXPECT_EQ(view.Angle(), 45);
    EXPECT_TRUE(view.Mirrored());
    EXPECT_FALSE(view.Path().empty());
    // A wrong path never leaves the previous profile on show.
    view.SetDrawing((kFixtures + "missing.dxf").c_str(), 1, 0, 0, false, 0, nullptr, 0);
    EXPECT_TRUE(view.Path().empty());
    EXPECT_FALSE(view.Mirrored());
    const QImage shown = view.grab().toImage();
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 7) ASSERT_EQ(shown.pixel(x, y), 0xFFFFFFFFu) << x << "," << y;
}

TEST(PreviewRender, NothingToDrawIsWhite) {
    ui::PreviewState s;
    s.outline = true;
    s.extension1 = 1;
    EXPECT_EQ(Count(ui::RenderPreview(s, 80, 60), kMWhite), 80u * 60u);
    // A readable DXF without entities: background only, no outline or hatch of an empty extent.
    const std::string empty = "/tmp/uihost_empty_" + std::to_string(::getpid()) + ".dxf";
    FILE* f = std::fopen(empty.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n", f);
    std::fclose(f);
    s.path = empty;
    EXPECT_EQ(Count(ui::RenderPreview(s, 80, 60), kMWhite), 80u * 60u);
    std::remove(empty.c_str());
}

TEST(PreviewRender, SectionBoxOfBarWithoutFile) {
    ui::PreviewState s;
    s.bar = SectionBar();
    const MCanvas c = ui::RenderPreview(s, 200, 200);
    // 60 x 40 mm fitted into 90 per cent of 200 pixels: 180 x 120, centred.
    const Box b = BoxOf(c, kMBlack);
    EXPECT_NEAR(b.Width(), 180, 2);
    EXPECT_NEAR(b.Height(), 120, 2);
    EXPECT_NEAR(b.left + b.right, 200, 3);
    EXPECT_NEAR(b.top + b.bottom, 200, 3);
    EXPECT_EQ(c.Pixel(100, 100), kMBlack);        // the diagonals cross in the middle
    EXPECT_EQ(c.Pixel(100, b.top), kMBlack);      // top side
    EXPECT_EQ(c.Pixel(100, (b.top + 100) / 2), kMWhite);   // inside a triangle

    s.angle = 90;   // the box stands upright
    const Box r = BoxOf(ui::RenderPreview(s, 200, 200), kMBlack);
    EXPECT_NEAR(r.Width(), 120, 2);
    EXPECT_NEAR(r.Height(), 180, 2);
}

TEST(PreviewRender, DrawnSectionWithOutlineHatchColours) {
    ui::PreviewState s;
    s.path = kFixtures + "l_section.dxf";
    const MCanvas plain = ui::RenderPreview(s, 200, 200);
    const Box b = BoxOf(plain, kMBlack);
    EXPECT_NEAR(b.Width(), 120, 2);   // 40 x 60 mm: the height fills 180 pixels
    EXPECT_NEAR(b.Height(), 180, 2);
    EXPECT_EQ(Count(plain, kBlue) + Count(plain, kRed), 0u);

    s.outline = true;
    const MCanvas blue = ui::RenderPreview(s, 200, 200);
    EXPECT_GT(Count(blue, kBlue), 50u);
    EXPECT_EQ(Count(blue, kRed), 0u);
    // The hatch fills the section's wall, not the open side of the L.
    const Box hatch = BoxOf(blue, kBlue);
    const Box outline = BoxOf(blue, kMBlack);
    EXPECT_LT(hatch.Width() * hatch.Height(), outline.Width() * outline.Height());
    EXPECT_EQ(blue.Pixel((outline.left + outline.right) / 2, (outline.top + outline.bottom) / 2), kMWhite);

    s.extension2 = 1;
    const MCanvas red = ui::RenderPreview(s, 200, 200);
    EXPECT_GT(Count(red, kRed), 50u);
    EXPECT_EQ(Count(red, kBlue), 0u);
}

TEST(PreviewControl, BlitsTheCanvas) {
    TestApp();
    ui::MViewDXFStatic view;
    view.resize(160, 120);
    const ui::PreviewBar bar = SectionBar();
    view.SetDrawing((kFixtures + "l_section.dxf").c_str(), 1, 1, 0, true, 0, &bar, 0);
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const MCanvas expected = ui::RenderPreview(view.State(), 160, 120);
    ASSERT_EQ(shown.width(), 160);
    ASSERT_EQ(shown.height(), 120);
    size_t differing = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) differing += shown.pixel(x, y) != expected.Pixel(x, y);
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(Count(expected, kRed), 0u);
    if (const char* dir = std::getenv("BRELON_UI_GRAB_DIR")) {
        shown.save(QString::fromLocal8Bit(dir) + "/preview.png");
        view.resize(300, 220);
        view.SetDrawing(nullptr, 1, 0, 0, true, 30, &bar, 0);
        view.grab().save(QString::fromLocal8Bit(dir) + "/preview_box.png");
        view.SetDrawing((kFixtures + "all_kinds.dxf").c_str(), 0, 0, 0, false, 0, nullptr, 0);
        view.grab().save(QString::fromLocal8Bit(dir) + "/preview_kinds.png");
    }
}

// A box drawing w x h mm; numbers written "%09.5f", so boxes of other sizes take as many bytes.
std::string BoxDrawing(double w, double h) {
    std::string s = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    const double pts[5][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        s += plat::StrFormatC("  0\r\nLINE\r\n 10\r\n%09.5f\r\n 20\r\n%09.5f\r\n 11\r\n%09.5f\r\n 21\r\n%09.5f\r\n",
                              pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1]);
    }
    return s + "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
}

void WriteDrawing(const std::string& path, const std::string& text, time_t modified) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
    const timespec t[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

Box BoxOfImage(const QImage& image, QRgb colour) {
    struct {
        const QImage& image;
        QRgb Pixel(int x, int y) const { return image.pixel(x, y); }
    } picture{image};
    return BoxOfColour(picture, image.width(), image.height(), colour);
}

TEST(PreviewControl, KeepsTheDrawingBetweenPaintsAndReadsAChangedFileAnew) {
    TestApp();
    const std::string path = "/tmp/uihost_kept_" + std::to_string(::getpid()) + ".dxf";
    WriteDrawing(path, BoxDrawing(60, 20), 1500000000);
    ui::MViewDXFStatic view;
    view.resize(200, 200);
    view.SetDrawing(path.c_str(), 0, 0, 0, false, 0, nullptr, 0);
    Box shown;
    for (int paint = 0; paint < 3; ++paint) shown = BoxOfImage(view.grab().toImage(), 0xFF000000u);
    EXPECT_EQ(view.DrawingReads(), 1);
    EXPECT_EQ(view.PicturePaints(), 1);
    EXPECT_NEAR(shown.Width(), 180, 2);   // 60 x 20 mm: the width fills 90 per cent
    EXPECT_NEAR(shown.Height(), 60, 2);

    const struct {
        const char* change;
        std::string drawing;
        time_t modified;
        int width, height; // of the box shown afterwards
    } changes[] = {
        // Rewritten with as many bytes and saved a minute later.
        {"same size, new time", BoxDrawing(20, 60), 1500000060, 60, 180},
        {"other size", BoxDrawing(60, 20) + "999\r\nSAVED AGAIN\r\n", 1500000060, 180, 60},
    };
    int reads = 1, paints = 1;
    for (const auto& c : changes) {
        SCOPED_TRACE(c.change);
        WriteDrawing(path, c.drawing, c.modified);
        for (int paint = 0; paint < 2; ++paint) shown = BoxOfImage(view.grab().toImage(), 0xFF000000u);
        EXPECT_EQ(view.DrawingReads(), ++reads);
        EXPECT_EQ(view.PicturePaints(), ++paints);
        EXPECT_NEAR(shown.Width(), c.width, 2);
        EXPECT_NEAR(shown.Height(), c.height, 2);
    }
    // A new size is painted anew from the kept drawing: 60 x 20 mm fill 90 per cent of 100.
    view.resize(100, 200);
    for (int paint = 0; paint < 2; ++paint) shown = BoxOfImage(view.grab().toImage(), 0xFF000000u);
    EXPECT_EQ(view.DrawingReads(), reads);
    EXPECT_EQ(view.PicturePaints(), ++paints);
    EXPECT_NEAR(shown.Width(), 90, 2);
    EXPECT_NEAR(shown.Height(), 30, 2);
    // A new angle is a new picture of the same drawing: placed again from the file.
    view.SetDrawing(path.c_str(), 0, 0, 0, false, 90, nullptr, 0);
    shown = BoxOfImage(view.grab().toImage(), 0xFF000000u);
    EXPECT_EQ(view.PicturePaints(), ++paints);
    EXPECT_NEAR(shown.Width(), 60, 2);
    EXPECT_NEAR(shown.Height(), 180, 2);
    std::remove(path.c_str());
}

// Only the texts of the mark layer are marks (a profile drawing's title on another layer is
// not), placed by the fitted drawing: a 100 x 100 mm box takes 90 per cent of 200 x 200 pixels,
// centred, so a mm is about 1.8 pixels and the box runs from about pixel 10 to 189.
TEST(PreviewMarks, TextsOfTheMarkLayerPlacedOnTheFittedDrawing) {
    const std::string path = "/tmp/uihost_marks_" + std::to_string(::getpid()) + ".dxf";
    std::string drawing = BoxDrawing(100, 100);
    const std::string texts =
        "  0\r\nTEXT\r\n  8\r\nmark\r\n 10\r\n50\r\n 20\r\n25\r\n 40\r\n10\r\n  1\r\nD1\r\n"
        "  0\r\nTEXT\r\n  8\r\nMARK\r\n 10\r\n0\r\n 20\r\n100\r\n 40\r\n5\r\n 50\r\n90\r\n  1\r\nL\r\n"
        "  0\r\nTEXT\r\n  8\r\nQUOTE\r\n 10\r\n10\r\n 20\r\n10\r\n 40\r\n5\r\n  1\r\nALU60 T6001\r\n"
        "  0\r\nTEXT\r\n  8\r\nMARK\r\n 10\r\n10\r\n 20\r\n10\r\n 40\r\n5\r\n  1\r\n\r\n";
    drawing.insert(drawing.find("  0\r\nENDSEC"), texts);
    WriteDrawing(path, drawing, 1500000000);
    ui::PreviewState s;
    s.path = path;
    ui::PreviewPainter painter;
    painter.Render(s, 200, 200);
    const std::vector<ui::PreviewMark>& marks = painter.Marks();
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].text, "D1");
    EXPECT_NEAR(marks[0].x, 100, 1);
    EXPECT_NEAR(marks[0].y, 145, 1);
    EXPECT_NEAR(marks[0].height, 18, 0.5);
    EXPECT_EQ(marks[1].text, "L");
    EXPECT_NEAR(marks[1].x, 10, 1);
    EXPECT_NEAR(marks[1].y, 10, 1);
    EXPECT_EQ(marks[1].rotation, 90);
    // A drawing turned a quarter: the marks turn with it.
    s.angle = 90;
    painter.Render(s, 200, 200);
    ASSERT_EQ(painter.Marks().size(), 2u);
    EXPECT_NEAR(painter.Marks()[0].x, 145, 1);
    EXPECT_NEAR(painter.Marks()[0].y, 100, 1);
    EXPECT_EQ(painter.Marks()[0].rotation, 90);
    // No drawing, no marks.
    s.path.clear();
    painter.Render(s, 200, 200);
    EXPECT_TRUE(painter.Marks().empty());
    std::remove(path.c_str());
}

} // namespace
