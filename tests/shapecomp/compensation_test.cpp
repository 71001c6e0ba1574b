// Properties of the tool-radius compensation that hold whatever the exact trigonometry.
#include <gtest/gtest.h>

#include <cmath>

#include "shape_test_util.h"

using namespace shapecomp;
using sctest::Arc;
using sctest::Line;
using sctest::Shape;

namespace {

struct P {
    double x, y;
};

double DistToLine(P p, P a, P b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return std::fabs(dx * (p.y - a.y) - dy * (p.x - a.x)) / std::hypot(dx, dy);
}

P Work(const ShapeElement& e) { return {double(e.workEndX), double(e.workEndY)}; }
P End(const ShapeElement& e) { return {double(e.endX), double(e.endY)}; }

// A contour with outer corners, inner corners and a straight continuation.
std::vector<ShapeElement> MixedPolygon() {
    return {Line(50000, 0),      Line(60000, 30000), Line(70000, 0),  Line(120000, 0),
            Line(150000, 0),     Line(150000, 50000), Line(0, 50000), Line(0, 0),
            Line(10000, 0)};
}

} // namespace

TEST(Compensation, SideZeroKeepsTheDrawnPoints) {
    ShapeDescription s = Shape(0, 6000, 0, 0,
                               {Line(10000, 0), Arc(20000, 10000, 10000, 10000, 90000), sctest::Elem(kRapid, 30000, 30000),
                                sctest::Elem(kCircle, 40000, 40000, 20000, 1), Line(0, 0)});
    CalcolaCoordinateGrafiche(s, 0);
    EXPECT_EQ(s.offsetStartX, 0);
    EXPECT_EQ(s.offsetStartY, 0);
    ASSERT_EQ(s.elements.size(), 5u);
    for (const ShapeElement& e : s.elements) {
        EXPECT_EQ(e.workEndX, e.endX);
        EXPECT_EQ(e.workEndY, e.endY);
        EXPECT_EQ(e.workSweep, e.sweep);
    }
}

TEST(Compensation, SideTwoMovesOnlyTheOffsetStartAndTheLastPoint) {
    ShapeDescription s = Shape(2, 3000, 0, 0, {Line(10000, 0), Line(10000, 10000), Line(20000, 10000)});
    CalcolaCoordinateGrafiche(s, 0);
    // Back against the first direction (+X) by twice the rounded radius.
    EXPECT_EQ(s.offsetStartX, -3000);
    EXPECT_EQ(s.offsetStartY, 0);
    EXPECT_EQ(s.elements[0].workEndX, 10000);
    EXPECT_EQ(s.elements[0].workEndY, 0);
    EXPECT_EQ(s.elements[1].workEndX, 10000);
    EXPECT_EQ(s.elements[1].workEndY, 10000);
    EXPECT_EQ(s.elements[2].workEndX, 20000 - 3000);
    EXPECT_EQ(s.elements[2].workEndY, 10000);
    // Arc centres are kept as drawn with side 2.
    ShapeDescription arc = Shape(2, 3000, 0, 0, {Arc(10000, 10000, 7, 9, 90000)});
    sctest::Compensate(arc);
    EXPECT_EQ(arc.elements[0].centreX, 7);
    EXPECT_EQ(arc.elements[0].centreY, 9);
}

TEST(Compensation, RightSideSquareCounterClockwiseGetsFourCornerArcs) {
    ShapeDescription s = Shape(-1, 10000, 50000, 0,
                               {Line(100000, 0), Line(100000, 100000), Line(0, 100000), Line(0, 0), Line(50000, 0)});
    sctest::Compensate(s);
    int arcs = 0;
    for (const ShapeElement& e : s.elements) {
        if (e.type != kArc) continue;
        ++arcs;
        EXPECT_EQ(e.sweep, 90000);
        EXPECT_EQ(e.workSweep, 90000);
        EXPECT_EQ(e.checkExempt, 1);
        // Centred on the drawn corner, radius r.
        EXPECT_EQ(e.centreX, e.endX);
        EXPECT_EQ(e.centreY, e.endY);
        EXPECT_NEAR(std::hypot(e.workEndX - e.endX, e.workEndY - e.endY), 5000, 1);
    }
    EXPECT_EQ(arcs, 4);
    EXPECT_EQ(s.elements.size(), 9u);
    // The path runs outside: first line at y = -r, first corner arc ends at x = 100000 + r.
    EXPECT_EQ(s.offsetStartY, -5000);
    EXPECT_EQ(s.elements[0].workEndX, 100000);
    EXPECT_EQ(s.elements[0].workEndY, -5000);
    EXPECT_EQ(s.elements[1].workEndX, 105000);
    EXPECT_EQ(s.elements[1].workEndY, 0);
    // The inserted arcs are not counted by the arc-diameter check.
    EXPECT_EQ(s.minArcDiamCCW, 999999);
}

TEST(Compensation, CollinearLinesMoveTheSharedPointExactlyR) {
    for (int side : {-1, 1}) {
        ShapeDescription s = Shape(side, 3000, 0, 0, {Line(10000, 0), Line(20000, 0)});
        CalcolaCoordinateGrafiche(s, 0);
        ASSERT_EQ(s.elements.size(), 2u) << "no arc on a straight continuation";
        EXPECT_EQ(s.elements[0].workEndX, 10000);
        EXPECT_EQ(s.elements[0].workEndY, side * 1500);
        EXPECT_EQ(s.elements[1].workEndY, side * 1500);
    }
}

TEST(Compensation, LineLinePointsLieAtRFromBothDrawnLines) {
    for (int side : {-1, 1}) {
        for (int32_t tool : {3000, 8001}) {
            ShapeDescription s = Shape(side, tool, 10000, 0, MixedPolygon());
            CalcolaCoordinateGrafiche(s, 0);
            const double r = tool / 2.0;
            P prev{10000, 0};
            const auto& el = s.elements;
            for (size_t i = 0; i < el.size(); ++i) {
                const ShapeElement& e = el[i];
                if (e.type == kLine) {
                    // The line's working end on its own offset line...
                    EXPECT_NEAR(DistToLine(Work(e), prev, End(e)), r, 1.0) << "side " << side << " element " << i;
                    // ... and, at an inner corner, on the next line's offset too.
                    if (i + 1 < el.size() && el[i + 1].type == kLine) {
                        P a = End(e), b = End(el[i + 1]);
                        if (std::hypot(b.x - a.x, b.y - a.y) > 0) {
                            EXPECT_NEAR(DistToLine(Work(e), a, b), r, 1.0) << "side " << side << " element " << i;
                        }
                    }
                    prev = End(e);
                } else {
                    ASSERT_EQ(e.checkExempt, 1);
                    ASSERT_LT(i + 1, el.size());
                    EXPECT_NEAR(DistToLine(Work(e), End(e), End(el[i + 1])), r, 1.0) << "corner arc " << i;
                }
            }
        }
    }
}

TEST(Compensation, LineArcPointsLieOnTheArcsOffsetCircle) {
    struct Case {
        const char* what;
        int32_t sx, sy;
        std::vector<ShapeElement> els;
    } cases[] = {
        {"slot, tangent arcs", 0, -6000,
         {Line(30000, -6000), Arc(30000, 6000, 30000, 0, 180000), Line(-30000, 6000), Arc(-30000, -6000, -30000, 0, 180000),
          Line(0, -6000)}},
        {"line into a clockwise arc at a left corner", 0, 0,
         {Line(20000, 0), Arc(40000, 20000, 40000, 0, -90000), Line(40000, 40000)}},
        {"line into a counter-clockwise arc at a right corner", 0, 0,
         {Line(20000, 0), Arc(40000, -20000, 40000, 0, 90000), Line(40000, -40000)}},
        {"clockwise arc between lines", 0, 0,
         {Line(20000, 0), Arc(40000, -20000, 20000, -20000, -90000), Line(40000, -40000)}},
    };
    for (const Case& c : cases) {
        for (int side : {-1, 1}) {
            ShapeDescription s = Shape(side, 4000, c.sx, c.sy, c.els);
            CalcolaCoordinateGrafiche(s, 0);
            const auto& el = s.elements;
            for (size_t i = 0; i < el.size(); ++i) {
                const ShapeElement& e = el[i];
                if (!e.IsArc() || e.checkExempt) continue;
                const double R = std::hypot(e.endX - e.centreX, e.endY - e.centreY);
                const bool outside = (side == -1) == (e.sweep > 0);
                const double expected = outside ? R + 2000 : R - 2000;
                const ShapeElement* before = i > 0 ? &el[i - 1] : nullptr;
                P in = before ? Work(*before) : P{double(s.offsetStartX), double(s.offsetStartY)};
                EXPECT_NEAR(std::hypot(in.x - e.centreX, in.y - e.centreY), expected, 1.5)
                    << c.what << " side " << side << " arc " << i << " entry";
                EXPECT_NEAR(std::hypot(e.workEndX - e.centreX, e.workEndY - e.centreY), expected, 1.5)
                    << c.what << " side " << side << " arc " << i << " exit";
            }
            // Recomputed centres stay on the drawn ones (the offset arc is concentric).
            ShapeDescription centres = s;
            ComputeArcCentres(centres);
            for (size_t i = 0; i < el.size(); ++i) {
                if (!el[i].IsArc() || el[i].checkExempt) continue;
                EXPECT_NEAR(centres.elements[i].centreX, el[i].centreX, 3) << c.what << " side " << side;
                EXPECT_NEAR(centres.elements[i].centreY, el[i].centreY, 3) << c.what << " side " << side;
            }
        }
    }
}

TEST(Compensation, SmallArcLowersTheSmallestDiameterBelowTheTool) {
    ShapeDescription s = Shape(0, 3000, 0, 0, {Arc(2000, 0, 1000, 0, 180000), Arc(4000, 0, 3000, 0, -180000)});
    CalcolaCoordinateGrafiche(s, 0);
    EXPECT_EQ(s.minArcDiamCCW, 2000);
    EXPECT_EQ(s.minArcDiamCW, 2000);
    EXPECT_FALSE(CheckArcDiameter(s.elements[0], s));
    ShapeElement exempt = s.elements[0];
    exempt.checkExempt = 1;
    EXPECT_TRUE(CheckArcDiameter(exempt, s));
}

TEST(Compensation, ExtremeCoordinatesStayFiniteAndBounded) {
    const int32_t big = 2147483000;
    ShapeDescription s = Shape(-1, 2000000000, big, -big,
                               {Line(-big, big), Arc(big, big, 0, 0, 0), Arc(big, -big, 0, 0, 360000),
                                sctest::Elem(kCircle, big, big, big, 7), Line(big, big)});
    sctest::Compensate(s); // no overflow, no endless insertion (UBSan and the time limit watch)
    EXPECT_LE(s.elements.size(), 10u);
}

TEST(Compensation, MixedArcsMeetOnBothOffsetCirclesOrReportWhyNot) {
    // A counter-clockwise arc turning right into a clockwise one: the right-side offsets meet.
    auto shape = [](int32_t tool) {
        return Shape(-1, tool, 0, -10000, {Arc(10000, 0, 0, 0, 90000), Arc(25000, 5000, 20000, -5000, -90000)});
    };
    sctest::RecordingSink sink;
    ShapeDescription s = shape(4000);
    CalcolaCoordinateGrafiche(s, 0);
    ASSERT_EQ(s.elements.size(), 2u);
    const ShapeElement& first = s.elements[0];
    EXPECT_NEAR(std::hypot(first.workEndX, first.workEndY), 10000 + 2000, 1.5);
    EXPECT_NEAR(std::hypot(first.workEndX - 20000, first.workEndY + 5000), std::hypot(10000, 5000) - 2000, 1.5);
    EXPECT_LT(first.workSweep, 90000);
    EXPECT_GT(s.elements[1].workSweep, -90000);
    EXPECT_TRUE(sink.messages.empty());

    // A tool wider than the clockwise arc: the offset triangle cannot close.
    ShapeDescription wide = shape(24000);
    CalcolaCoordinateGrafiche(wide, 0);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "Errore|EIEASc");
}

TEST(Compensation, ArcsWhoseEndsMeetAreFullTurnsOrNullArcs) {
    // Working points set by hand: an arc about (0, 0) of offset radius 20 mm from (20, 0).
    auto arcFrom = [](int32_t sweep, int32_t endX, int32_t endY) {
        ShapeDescription s = Shape(-1, 4000, 0, 0, {Arc(18000, 0, 0, 0, sweep)});
        s.offsetStartX = 20000;
        s.offsetStartY = 0;
        s.elements[0].workEndX = endX;
        s.elements[0].workEndY = endY;
        s.elements[0].workSweep = sweep;
        ComputeArcCentres(s);
        return s.elements[0];
    };
    for (int32_t sweep : {360000, -360000, 180000}) {
        // Rounded a thousandth ahead of the start: ended exactly at the start, a whole turn.
        const int32_t ahead = sweep > 0 ? 1 : -1;
        ShapeElement full = arcFrom(sweep, 20000, ahead);
        EXPECT_EQ(full.workEndX, 20000) << sweep;
        EXPECT_EQ(full.workEndY, 0) << sweep;
        EXPECT_EQ(full.centreX, 0) << sweep;
        EXPECT_EQ(full.centreY, 0) << sweep;
        // A thousandth short of it: the controller already turns nearly the whole circle.
        ShapeElement shortOfIt = arcFrom(sweep, 20000, -ahead);
        EXPECT_EQ(shortOfIt.workEndY, -ahead) << sweep;
    }
    // Under half a turn the meeting ends are a null arc: its centre is its end point.
    ShapeElement null = arcFrom(90000, 20000, 5);
    EXPECT_EQ(null.centreX, 20000);
    EXPECT_EQ(null.centreY, 5);
}
