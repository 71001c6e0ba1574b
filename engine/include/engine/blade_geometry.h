#pragma once
// Blade-cut geometry: the single clearance computations of a blade cut against the vices, the
// extractor and the high obstacle, in the machine's plan view (X along the bar, Y across it;
// Z only for the head's flange, nut, arm and motor). Inputs and results are thousandths of a
// millimetre and of a degree; the geometry itself is done in reals and truncated toward zero.
#include <cstdint>

#include "engine/blade_fields.h"
#include "machine/geometry.h"

class MachineSettings;

// The machine values these computations read, taken from the settings in one place so the
// functions can also be driven with plain values.
struct BladeHead {
    int32_t DIAM_LAMA = 0, SPESS_LAMA = 0, OFF_X_LAMA = 0, OFF_Y_LAMA = 0;
    int32_t DIAM_FLANGIA_LAMA = 0, SPESS_FLANGIA_LAMA = 0, DIAM_DADO_LAMA = 0, SPESS_DADO_LAMA = 0;
    int32_t L_BRACCIO = 0, H_BRACCIO = 0, ING_Y_BRACCIO = 0;
    int32_t L_MOTOR = 0, H_MOTOR = 0, ING_Y_MOTOR = 0;
    int32_t DIST_LAMA = 0, X_PAR_MIN = 0, X_PAR_MAX = 0;
    int32_t Q_MIN_LAMA = 0, Q_MAX_LAMA = 0;
    int32_t X_MIN_MORSA = 0, X_MAX_MORSA = 0;
    int32_t DELTA_L_MORSE_CL = 0, L_MORSA = 0, DELTA_H_MORSE_CL = 0;
    int32_t DIST_MORSE_LAMA = 0, DIST_MORSE34 = 0, DELTA_X_SUPPORTO_34 = 0;
    int32_t SPESS_ESTRATT = 0, DELTA_X_ING_ALTO = 0;
    int32_t DELTA_X_MORSA_B = 0, DELTA_X_SUPPORTO_B = 0, DELTA_IMMORS_B = 0;
};
BladeHead BladeHeadFromSettings(const MachineSettings& settings);

// The current bar's section after the profile offsets.
struct BladeSection {
    int32_t yMin = 0, yMax = 0, zMin = 0, zMax = 0;
};

inline constexpr int kBladeCutVertices = 8;

// The fields of an elaborated blade-cut record these computations read and write.
struct BladeCut {
    int32_t A = 90000;        // cut angle
    int32_t vertexCount = 1;  // 1, 2 or 4
    int32_t X[kBladeCutVertices] = {};
    int32_t Y[kBladeCutVertices] = {};
    int32_t Z[kBladeCutVertices] = {}; // blade centre height at the vertex
    int32_t kind[kBladeCutVertices] = {};
    double footprintWidth = 0; // millimetres
    uint8_t footprintFlag = 0;
    double tiltDeg = 0;        // tilt of the blade, degrees
    int32_t marker = 0;        // marker value of a following machining (only non-zero matters)
    // A further bar position that the cut's block takes, as an offset from vertex 0's (the
    // fourth vice's grip of a cut held by the third and fourth vices); 0 none.
    int32_t stepX = 0;
};

int32_t MinInt(int32_t a, int32_t b);
// True when neither a nor b meets c inside their extents (a meeting at X 0 counts as none).
bool SegmentsClear(LineEntity a, LineEntity b, LineEntity c);
// X of the end of the blade disc nearer to (viceEdgeX, 0).
int32_t BladeReach1(const BladeHead& head, const BladeCut& cut, int32_t barX, int32_t viceEdgeX, int flag,
                    int32_t margin);

class BladeGeometry {
public:
    BladeGeometry(const BladeHead& head, const BladeSection& section, BladeWorkingFields& fields)
        : head_(head), section_(section), f_(fields) {}

    int32_t BladeReach4(const BladeCut& cut, int32_t barX, int32_t viceEdgeX, int32_t margin) const;
    int32_t ExtractorClearance(const BladeCut& cut, int32_t p, int32_t barX) const;
    int32_t HighObstacleClearance(const BladeCut& cut, int32_t p, int32_t barX, int mode) const;
    int32_t TiltedBladeHeight(const BladeCut& cut, int32_t ignored, int32_t y) const;
    int32_t FlangeViceShift(const BladeCut& cut, int32_t barX, int vertexMode, int32_t margin) const;
    // Vice-bound family: the nearest vice position (vices stand at X >= the bound) at which the
    // element's plan outline no longer overlaps the vice's band; X_MIN_MORSA when nothing meets.
    // A bound beyond X_MAX_MORSA is returned as it is (no vice position clears the element).
    int32_t ViceBoundBlade1(const BladeCut& cut, int32_t barX, int vertexMode, int32_t margin, int flag);
    int32_t ViceBoundBlade4(BladeCut& cut, int32_t barX, int32_t margin);
    int32_t ViceBoundHead1(const BladeCut& cut, int32_t barX, int vertexMode, int32_t bladeBound,
                           int32_t margin) const;
    int32_t ViceBoundHead4(const BladeCut& cut, int32_t x, int32_t y, int32_t z, int32_t bladeBound,
                           int32_t margin) const;

    // Y of the vice's front and back lines (thousandths).
    int32_t ViceFrontY() const;
    int32_t ViceBackY() const;

protected:
    const BladeHead& head_;
    const BladeSection& section_;
    BladeWorkingFields& f_;

    int32_t Radius() const { return head_.DIAM_LAMA / 2; }
    int32_t ViceTopLevel(int32_t margin) const;
    double HalfChordAtViceTop(int32_t zCentre, int32_t margin) const; // thousandths, -1: no reach
    int32_t HeadCandidates(int32_t A, double refX, double refY, int32_t zCentre, int32_t margin) const;
    int32_t BandBound(double maxX, bool met) const;
};

// Offset pair of the blade reference point by the class of A: OFF_X_LAMA alone from 0 to 180
// degrees inclusive, OFF_X_LAMA + SPESS_LAMA for negative and turned angles.
int32_t BladeOffsetAcross(const BladeHead& head, int32_t A);
// Largest X (thousandths) of the part of segment (x1,y1)-(x2,y2) lying within yLo <= Y <= yHi;
// false when no part lies there.
bool ClipMaxXInBand(double x1, double y1, double x2, double y2, double yLo, double yHi, double& maxX);
