// Plane geometry: line kinds, intersections with their parallel and degenerate cases,
// segments and the rotated-offset formulas.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "machine/geometry.h"

TEST(Geometry, LineKinds) {
    LineEntity l;
    MakeLineEntity(1, 1, 1.005, 1.005, l);
    EXPECT_EQ(l.kind, kLineDegenerate);
    EXPECT_EQ(l.length, 0);
    MakeLineEntity(5, 0, 5.004, 10, l);
    EXPECT_EQ(l.kind, kLineVertical);
    EXPECT_DOUBLE_EQ(l.x1, 5.002);
    EXPECT_DOUBLE_EQ(l.x2, 5.002);
    MakeLineEntity(0, 3, 10, 3.006, l);
    EXPECT_EQ(l.kind, kLineHorizontal);
    EXPECT_DOUBLE_EQ(l.intercept, 3);
    EXPECT_DOUBLE_EQ(l.y2, 3.003);
    MakeLineEntity(0, 1, 2, 5, l);
    EXPECT_EQ(l.kind, kLineSloped);
    EXPECT_DOUBLE_EQ(l.slope, 2);
    EXPECT_DOUBLE_EQ(l.intercept, 1);
}

TEST(Geometry, Intersections) {
    LineEntity v, h, h2, a, b, d;
    double x = -1, y = -1;
    MakeLineEntity(5, 0, 5, 10, v);
    MakeLineEntity(0, 3, 10, 3, h);
    ASSERT_EQ(IntersectEntities(v, h, x, y, 1), 1);
    EXPECT_DOUBLE_EQ(x, 5);
    EXPECT_DOUBLE_EQ(y, 3);
    ASSERT_EQ(IntersectEntities(h, v, x, y, 1), 1);
    EXPECT_DOUBLE_EQ(x, 5);
    EXPECT_DOUBLE_EQ(y, 3);

    // Two horizontal lines never meet, even when they coincide; so do two verticals.
    MakeLineEntity(2, 3, 8, 3, h2);
    EXPECT_EQ(IntersectEntities(h, h2, x, y, 2), 0);
    EXPECT_EQ(IntersectEntities(v, v, x, y, 2), 0);

    // Crossing lines whose segments stop short: mode 2 meets, mode 1 does not.
    MakeLineEntity(0, 0, 1, 1, a);
    MakeLineEntity(0, 10, 1, 9, b);
    EXPECT_EQ(IntersectEntities(a, b, x, y, 2), 1);
    EXPECT_NEAR(x, 5, 1e-12);
    EXPECT_NEAR(y, 5, 1e-12);
    EXPECT_EQ(IntersectEntities(a, b, x, y, 1), 0);
    EXPECT_EQ(IntersectEntities(a, b, x, y, 3), 0);

    // Slopes less than 0.01 apart count as parallel.
    MakeLineEntity(0, 5, 10, 15.05, b);
    EXPECT_EQ(IntersectEntities(a, b, x, y, 2), 0);

    // A degenerate line crosses nothing (no division by a zero slope difference).
    MakeLineEntity(3, 3, 3, 3, d);
    x = y = -1;
    EXPECT_EQ(IntersectEntities(d, h, x, y, 2), 0);
    EXPECT_EQ(IntersectEntities(a, d, x, y, 2), 0);
    EXPECT_EQ(IntersectEntities(d, v, x, y, 1), 0);
    EXPECT_EQ(x, -1);
}

TEST(Geometry, PointOnSegmentEnds) {
    // The end with the smaller x takes the slack of 0.01; the other end only the strict test.
    EXPECT_EQ(PointOnSegment(0, 0, 10, 0, 5, 0.005, 0.01), 1);
    EXPECT_EQ(PointOnSegment(0, 0, 10, 0, 5, 0.02, 0.01), 0);
    EXPECT_EQ(PointOnSegment(0, 0, 10, 0, -0.005, 0, 0.01), 1);
    EXPECT_EQ(PointOnSegment(0, 0, 10, 0, 10.005, 0, 0.01), 0);
    EXPECT_EQ(PointOnSegment(0, 0, 10, 0, 10, 0, 0.01), 0);
    EXPECT_EQ(PointOnSegment(0, 0, 0, 10, 0, 5, 0.01), 1); // vertical
    EXPECT_EQ(PointOnSegment(0, 0, 0, 10, 0, 10, 0.01), 0);
    EXPECT_EQ(PointOnSegment(1, 1, 1, 1, 1, 1, 0.01), 0); // too short
    EXPECT_EQ(PointOnSegment(0, 0, 10, 10, 5, 5, 0.01), 1);
}

TEST(Geometry, Segments) {
    SegmentRecord s;
    MakeSegment(2, 3, 2, -7, s);
    EXPECT_DOUBLE_EQ(s.length, 10);
    EXPECT_NEAR(SegmentAngle(s), 3 * Pi() / 2, 1e-12);
    double x, y;
    SegmentPointAt(s, x, y);
    EXPECT_DOUBLE_EQ(x, 2);
    EXPECT_DOUBLE_EQ(y, -7);

    MakeSegment(1, 1, 1, 1, s);
    EXPECT_EQ(s.length, 0);
    EXPECT_EQ(s.cosX, 0);
    EXPECT_EQ(s.cosY, 0);

    MakeSegmentPolar(4, 5, 0, 1.0, s);
    EXPECT_EQ(s.x, 4);
    EXPECT_EQ(s.y, 5);
    EXPECT_EQ(s.length, 0);
    EXPECT_EQ(s.cosX, 0);
    EXPECT_EQ(s.cosY, 0);
    MakeSegmentPolar(0, 0, 2, Pi() / 2, s);
    SegmentPointAt(s, x, y);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, 2, 1e-12);

    // A cosine pushed past 1 by rounding still gives an angle, not NaN.
    s.cosX = 1.0000000000000002;
    s.cosY = 0;
    EXPECT_EQ(SegmentAngle(s), 0);
    s.cosX = -1.0000000000000002;
    EXPECT_NEAR(SegmentAngle(s), Pi(), 1e-15);
}

TEST(Geometry, PolarOffsets) {
    EXPECT_EQ(PolarXPlusCos(1000, 90, 500, 200), 800);
    EXPECT_EQ(PolarXMinusCos(1000, 90, 500, 200), 1200);
    EXPECT_EQ(PolarYPlusSin(0, 90, 500, 200), 500);
    EXPECT_EQ(PolarYMinusSin(0, 90, 500, 200), -500);
    EXPECT_EQ(PolarXPlusCos(0, 30, 1000, 0), 866); // 866.025 truncated
    EXPECT_EQ(PolarXPlusCos(0, 30, -1000, 0), -866);
    // Results beyond 32 bits clamp instead of converting out of range.
    EXPECT_EQ(PolarXPlusCos(INT32_MAX, 0, INT32_MAX, 0), INT32_MAX);
    EXPECT_EQ(PolarYMinusSin(INT32_MIN, 90, INT32_MAX, 0), INT32_MIN);
    EXPECT_EQ(PolarXPlusCos(0, NAN, 1, 1), 0);
    EXPECT_DOUBLE_EQ(MilliDegToRad(90000), Pi() / 2);
    EXPECT_DOUBLE_EQ(RadToDeg(DegToRad(33)), 33);
}
