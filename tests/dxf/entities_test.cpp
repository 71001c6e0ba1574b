// The entity list: limits at the true extent of curves, transforms that keep limits current,
// arc conversion, fitting, and coordinate systems.
#include <gtest/gtest.h>

#include <cmath>

#include "dxf/dxf.h"

namespace {

MEntity Arc(double cx, double cy, double r, double a0, double a1) {
    MEntity e;
    e.kind = MEntityKind::Arc;
    e.x = cx;
    e.y = cy;
    e.radius = r;
    e.startAngle = a0;
    e.endAngle = a1;
    return e;
}

void ExpectLimits(const MEntitiesList& l, double x0, double y0, double x1, double y1) {
    EXPECT_FALSE(l.Limits().empty);
    EXPECT_NEAR(l.MinX(), x0, 1e-9);
    EXPECT_NEAR(l.MinY(), y0, 1e-9);
    EXPECT_NEAR(l.MaxX(), x1, 1e-9);
    EXPECT_NEAR(l.MaxY(), y1, 1e-9);
}

} // namespace

TEST(DxfEntities, LimitsOfArcsAndCirclesAtTheirTrueExtent) {
    MEntitiesList l;
    l.AddEntity(Arc(0, 0, 10, 0, 180)); // upper half: top at y = 10, though both ends lie on y = 0
    ExpectLimits(l, -10, 0, 10, 10);
    l.Clear();
    l.AddEntity(Arc(0, 0, 10, 350, 10)); // crosses 0 degrees
    EXPECT_NEAR(l.MaxX(), 10.0, 1e-12);
    EXPECT_NEAR(l.MinY(), -10.0 * std::sin(10.0 * 3.14159265358979323846 / 180.0), 1e-12);
    l.Clear();
    l.AddEntity(Arc(5, 5, 2, 45, 45)); // equal angles: a full turn
    ExpectLimits(l, 3, 3, 7, 7);
    MEntity c;
    c.kind = MEntityKind::Circle;
    c.x = 20;
    c.radius = 1;
    l.AddEntity(c);
    ExpectLimits(l, 3, -1, 21, 7);
    // Texts are not drawn and do not count.
    l.AddEntity(MEntityKind::Text, 1000, 1000);
    ExpectLimits(l, 3, -1, 21, 7);
    EXPECT_EQ(l.GetLimits().maxX, 21.0);
}

TEST(DxfEntities, EmptyListAndZeroSizeNeverDivideByZero) {
    MEntitiesList l;
    EXPECT_TRUE(l.GetLimits().empty);
    EXPECT_EQ(l.MinX(), 0.0);
    EXPECT_EQ(l.MaxY(), 0.0);
    EXPECT_FALSE(l.AutoScale(MRect{0, 0, 96, 80}, 90));
    EXPECT_EQ(l.Scale(), 1.0);
    EXPECT_EQ(l.ToPixel(0, 0).x, 48); // the middle of the 0..95 columns, rounded
    MCanvas canvas(96, 80);
    l.Draw(canvas, canvas.Bounds());
    // One point, a zero-size rectangle, a zero-pixel rectangle.
    l.CreateLine(7, 7, 7, 7);
    EXPECT_TRUE(l.AutoScale(MRect{0, 0, 96, 80}, 90));
    EXPECT_EQ(l.Scale(), 1.0);
    EXPECT_TRUE(l.AutoScale(MRect{10, 10, 10, 10}, 90));
    EXPECT_TRUE(std::isfinite(l.Scale()) && l.Scale() > 0);
    // A vertical line (zero width) fits by its height alone.
    l.Clear();
    l.CreateLine(3, 0, 3, 100);
    l.AutoScale(MRect{0, 0, 101, 101}, 100);
    EXPECT_EQ(l.Scale(), 1.0);
    EXPECT_EQ(l.ToPixel(3, 100).y, 0);
    EXPECT_EQ(l.ToPixel(3, 0).y, 100);
    EXPECT_EQ(l.ToPixel(3, 0).x, 50);
}

TEST(DxfEntities, TransformsKeepLimitsCurrent) {
    MEntitiesList l;
    l.CreateLine(0, 0, 10, 0);
    l.AddEntity(Arc(10, 5, 5, 270, 90)); // bulges right to x = 15
    ExpectLimits(l, 0, 0, 15, 10);
    l.Move(-5, 2);
    ExpectLimits(l, -5, 2, 10, 12);
    l.Rotate(90); // about the origin: (x, y) -> (-y, x), exactly
    ExpectLimits(l, -12, -5, -2, 10);
    EXPECT_EQ(l[0].x, -2.0);
    EXPECT_EQ(l[0].y, -5.0);
    EXPECT_EQ(l[1].startAngle, 0.0);
    EXPECT_EQ(l[1].endAngle, 180.0);
    const MPoint about{0, 0};
    l.Mirror(1, &about); // x -> -x: the arc now opens the other way and runs clockwise
    ExpectLimits(l, 2, -5, 12, 10);
    EXPECT_TRUE(l[1].reversed);
    // Mirror about the drawing's own vertical axis keeps the extents in place.
    l.Mirror(1);
    ExpectLimits(l, 2, -5, 12, 10);
    EXPECT_FALSE(l[1].reversed);
    l.Rotate(-90, &about);
    l.Mirror(2, &about);
    ExpectLimits(l, -5, 2, 10, 12);
}

TEST(DxfEntities, ArcsToLinesWhereTheyStandFromStartToEnd) {
    MEntitiesList l;
    l.CreateLine(-1, 0, 0, 0);
    l.AddEntity(Arc(0, 10, 10, 270, 0)); // from (0,0) to (10,10)
    MEntity rev = Arc(20, 10, 10, 180, 270);
    rev.reversed = true;                 // from (20,0) back to (10,10)
    l.AddEntity(rev);
    MEntity c;
    c.kind = MEntityKind::Circle;
    c.radius = 1;
    l.AddEntity(c);
    l.CreateLine(5, 5, 6, 6);
    l.ConvertArcsToLines(10.0);
    ASSERT_EQ(l.Count(), 1u + 9u + 9u + 36u + 1u);
    EXPECT_EQ(l[1].x, 0.0);
    EXPECT_EQ(l[1].y, 0.0);
    EXPECT_EQ(l[9].x2, 10.0);
    EXPECT_EQ(l[9].y2, 10.0);
    EXPECT_EQ(l[10].x, 20.0);
    EXPECT_EQ(l[10].y, 0.0);
    EXPECT_EQ(l[18].x2, 10.0);
    EXPECT_EQ(l[18].y2, 10.0);
    EXPECT_EQ(l[19].x, 1.0);
    EXPECT_EQ(l[55].x, 5.0);
    for (const MEntity& e : l) EXPECT_EQ(e.kind, MEntityKind::Line);
    // A bad step falls back to 10 degrees; a step larger than the arc gives one chord.
    MEntitiesList m;
    m.AddEntity(Arc(0, 0, 1, 0, 90));
    m.ConvertArcsToLines(0.0);
    EXPECT_EQ(m.Count(), 9u);
    m.Clear();
    m.AddEntity(Arc(0, 0, 1, 0, 90));
    m.ConvertArcsToLines(500.0);
    EXPECT_EQ(m.Count(), 1u);
}

TEST(DxfEntities, DeleteTextAndAttributesByLayer) {
    MEntitiesList l;
    l.CreateLine(0, 0, 1, 1, "A");
    l.AddEntity(MEntityKind::Text, 0, 0, 0, 0, "A");
    l.AddEntity(MEntityKind::Text, 0, 0, 0, 0, "B");
    l.AddEntity(MEntityKind::Attribute, 0, 0, 0, 0, "a");
    l.AddEntity(MEntityKind::Attribute, 0, 0, 0, 0, "B");
    EXPECT_EQ(l.DeleteText("b"), 1u);
    EXPECT_EQ(l.DeleteAttributes("A"), 1u);
    EXPECT_EQ(l.Count(), 3u);
    EXPECT_EQ(l.DeleteText(), 1u);
    EXPECT_EQ(l.DeleteAttributes(), 1u);
    ASSERT_EQ(l.Count(), 1u);
    EXPECT_EQ(l[0].kind, MEntityKind::Line);
}

TEST(DxfEntities, AutoScaleCentresAndFits) {
    MEntitiesList l;
    l.CreateLine(100, 200, 300, 250); // 200 x 50
    ASSERT_TRUE(l.AutoScale(MRect{0, 0, 101, 51}, 50));
    EXPECT_DOUBLE_EQ(l.Scale(), 4.0); // 200 units in half of 100 pixel steps
    const MPixel a = l.ToPixel(100, 200), b = l.ToPixel(300, 250);
    EXPECT_EQ(a.x, 25);
    EXPECT_EQ(b.x, 75);
    EXPECT_EQ(b.y, 25 - 6); // upwards in the drawing is upwards on the image
    EXPECT_EQ(a.y, 25 + 6);
    // The caller's own formula gives the same pixels.
    EXPECT_NEAR((300 - l.OffsetX()) / l.Scale(), 75.0, 1e-9);
    EXPECT_NEAR((l.OffsetY() - 225) / l.Scale(), 25.0, 1e-9);
    // A rectangle that does not start at the origin.
    l.AutoScale(MRect{10, 20, 111, 71}, 50);
    EXPECT_EQ(l.ToPixel(100, 200).x, 35);
    EXPECT_EQ(l.ToPixel(200, 225).y, 45);
}

TEST(DxfEntities, RotoTranslationBetweenSystems) {
    const MCoordinateSystem world(0, 0, 1, 0, 0, 1);
    ROTOTRAS rt;
    ASSERT_EQ(world.GetRotoTras(rt, MCoordinateSystem(0, 0, 1, 0, 0, 1)), 0);
    double x = 3, y = 4;
    rt.Apply(x, y);
    EXPECT_EQ(x, 3.0);
    EXPECT_EQ(y, 4.0);
    // A system at (10, 0) turned by 90 degrees: the world point (10, 5) is (5, 0) in it.
    const MCoordinateSystem turned(10, 0, 0, 1, -1, 0);
    ASSERT_EQ(world.GetRotoTras(rt, turned), 0);
    x = 10, y = 5;
    rt.Apply(x, y);
    EXPECT_NEAR(x, 5.0, 1e-12);
    EXPECT_NEAR(y, 0.0, 1e-12);
    EXPECT_NEAR(rt.angle, 270.0, 1e-9);
    ASSERT_EQ(turned.GetRotoTras(rt, world), 0);
    x = 5, y = 0;
    rt.Apply(x, y);
    EXPECT_NEAR(x, 10.0, 1e-12);
    EXPECT_NEAR(y, 5.0, 1e-12);
    EXPECT_EQ(world.GetRotoTras(rt, MCoordinateSystem(0, 0, 1, 1, 2, 2)), -1);
    EXPECT_EQ(rt.m11, 1.0);
}
