// The gouge check: tool paths that cut into their contour are found and their element named;
// paths that only touch it pass, however small an outside arc or however wide the tool.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "shape_test_util.h"
#include "shapecomp/gouge.h"

using namespace shapecomp;
using sctest::Arc;
using sctest::Line;
using sctest::Shape;

namespace {

Gouge Check(ShapeDescription s) {
    const ShapeDescription drawn = s;
    sctest::Compensate(s);
    return FindGouge(drawn, s);
}

} // namespace

TEST(Gouge, PathsCuttingIntoTheContourAreFoundAndNamed) {
    struct Case {
        const char* what;
        ShapeDescription shape;
        int32_t element, into;
        int32_t depthMin, depthMax; // thousandths
    } cases[] = {
        {"inside arc of radius 3 under a 12 mm tool", // the corner arc before it runs through it
         Shape(-1, 12000, 0, 0, {Line(40000, 0), Arc(46000, 0, 43000, 0, -180000), Line(80000, 0)}), 0, 1, 5990,
         6010},
        {"0.5 mm steps under an 8 mm tool", // the step's path runs backwards into the tread before it
         Shape(1, 8000, 0, 0, {Line(10000, 0), Line(10000, 500), Line(20000, 500), Line(20000, 1000), Line(30000, 1000)}),
         1, 0, 3490, 3510},
        {"zigzag of 1 mm teeth under a 6 mm tool", // the turn about the first tip reaches the next one
         Shape(1, 6000, 0, 0, {Line(1000, 1000), Line(2000, 0), Line(3000, 1000), Line(4000, 0), Line(5000, 1000)}), 0,
         2, 870, 880},
        {"closed pocket started at a corner: the plunge lands on the last edge",
         Shape(-1, 8000, 0, 0, {Line(0, 30000), Line(40000, 30000), Line(40000, 0), Line(0, 0)}), 0, 3, 3990, 4010},
        {"two pockets joined by a 4 mm passage, 8 mm tool: the passage's walls are far apart in the file",
         Shape(-1, 8000, 10000, 0,
               {Line(0, 0), Line(0, 20000), Line(20000, 20000), Line(20000, 12000), Line(40000, 12000), Line(40000, 20000),
                Line(60000, 20000), Line(60000, 0), Line(40000, 0), Line(40000, 8000), Line(20000, 8000), Line(20000, 0),
                Line(10000, 0)}),
         3, 10, 3990, 4010},
    };
    for (const Case& c : cases) {
        const Gouge g = Check(c.shape);
        ASSERT_TRUE(g.found) << c.what;
        EXPECT_EQ(g.element, c.element) << c.what;
        EXPECT_EQ(g.into, c.into) << c.what;
        EXPECT_GE(g.depth, c.depthMin) << c.what;
        EXPECT_LE(g.depth, c.depthMax) << c.what;
    }
}

TEST(Gouge, PathsThatOnlyTouchTheContourPass) {
    struct Case {
        const char* what;
        ShapeDescription shape;
    } cases[] = {
        {"outside arc of radius 3 under a 12 mm tool",
         Shape(-1, 12000, 0, 0, {Line(40000, 0), Arc(46000, 0, 43000, 0, 180000), Line(80000, 0)})},
        {"slot cut with a tool as wide as the slot",
         Shape(1, 12000, 0, -6000,
               {Line(30000, -6000), Arc(30000, 6000, 30000, 0, 180000), Line(-30000, 6000),
                Arc(-30000, -6000, -30000, 0, 180000), Line(0, -6000)})},
        {"open contour started at an outside corner",
         Shape(-1, 8000, 0, 0, {Line(40000, 0), Line(40000, 30000), Line(0, 30000), Line(0, 0)})},
    };
    for (const Case& c : cases) EXPECT_FALSE(Check(c.shape).found) << c.what;
    for (const char* name : {"SLOT.VLK", "POCKET.VLK", "HOLE.VLK"}) {
        for (int32_t tool : {3000, 8000, 12000}) {
            ShapeDescription s;
            ReadShapeFile(sctest::DemoShape(name), s);
            s.toolDiameter = tool;
            EXPECT_FALSE(Check(s).found) << name << " tool " << tool;
        }
    }
}

TEST(Gouge, MessageNamesTheFileTheElementAndItsLine) {
    Gouge g;
    g.found = true;
    g.element = 3;
    g.into = 10;
    g.depth = 4125;
    // A decimal point whatever the user's locale.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "it_IT.UTF-8");
    const std::string text = GougeMessage("C:\\VELMO\\VLK\\TWO.VLK", g, 8500);
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_EQ(text,
              "Error: GOUGE C:\\VELMO\\VLK\\TWO.VLK: element 3 (line 5) cuts 4.125 mm into element 10 with the 8.5 mm tool.");
}
