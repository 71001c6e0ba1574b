// Head slices of machine variant 1 as blade-cut records in the stored machining layout, fed to
// the detail loading like any machining read from the list file.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/bar_computation.h"
#include "machine/geometry.h"
#include "machine/globals.h"
#include "machine/lda_format.h"
#include "machine/settings.h"
#include "machine/units.h"

namespace {

void PutText(uint8_t* dst, int size, const char* text) {
    std::memset(dst, 0, static_cast<std::size_t>(size));
    if (size <= 0) return;
    // Cut to the field, the last byte always the terminating zero.
    std::memcpy(dst, text, strnlen(text, static_cast<std::size_t>(size) - 1));
}

int32_t BladeDiameter() { return g_pSettings != nullptr ? g_pSettings->DIAM_LAMA : 0; }

// Colour, figure angle and direction angle of a slice record by end and mirroring.
void SetSliceDirection(BladeCutRecord& r, int end, bool mirrored, double theta) {
    const bool green = (end == 0 && !mirrored) || (end == 1 && mirrored);
    PutText(r.bytes + lda::mach::kNomeLdt, lda::mach::kNomeLdtLen, green ? "BLADE_GREEN" : "BLADE_RED");
    lda::PutF32(r.bytes + lda::mach::kFigureAngle, green ? 90.0f : 270.0f);
    double direction;
    if (end == 1)
        direction = mirrored ? theta : theta + 90.0;
    else
        direction = mirrored ? -theta : theta + 180.0;
    // The list layout keeps the direction angle as a 4-byte real at offset 276; the colour name
    // begins right after it at 280.
    lda::PutF32(r.bytes + lda::mach::kDirectionAngle, static_cast<float>(direction));
}

} // namespace

void FillBladeCutRecord(BladeCutRecord& record) {
    std::memset(record.bytes, 0, sizeof record.bytes);
    uint8_t* b = record.bytes;
    const int32_t diam = BladeDiameter();
    const int32_t half = diam / 2;
    lda::PutI16(b + lda::mach::kFigure, 7);
    PutText(b + lda::mach::kShapeName, lda::mach::kShapeNameLen, "F07.LAV");
    PutText(b + lda::mach::kShortText, lda::mach::kShortTextLen, "DISCO");
    lda::PutF32(b + lda::mach::kFaceAngle, 90.0f);
    lda::PutI32(b + lda::mach::kDepthCount, 2);
    PutText(b + lda::mach::kToolName, lda::mach::kToolNameLen, g_pSettings != nullptr ? g_pSettings->QBLADE_NAME : "");
    lda::PutI32(b + lda::mach::kXMin, -half);
    lda::PutI32(b + lda::mach::kXMax, half);
    lda::PutI32(b + lda::mach::kYMin, -half);
    lda::PutI32(b + lda::mach::kYMax, half);
    lda::PutI16(b + lda::mach::kParamCount, 2);
    lda::PutI32(b + lda::mach::kParams, diam);
    lda::PutI32(b + lda::mach::kParams + 4, diam);
    b[251] = 1;
    b[252] = 1;
    b[253] = 1;
    lda::PutI32(b + lda::mach::kRequestedDiameter, diam);
    b[271] = 18;
    lda::PutI16(b + lda::mach::kRotationSpeed, -1);
}

void BuildStraightSliceCut(BladeCutRecord& record, const BarRecord& bar, int end, int32_t angle, int32_t height,
                           int32_t length) {
    FillBladeCutRecord(record);
    const BarValues bv = BarEngineValues(bar);
    const bool mirrored = bv.mirrored == 1;
    const double theta = angle / 1000.0;
    const double h = FromThousandths(height);
    const double L = FromThousandths(length);
    const double E = FromThousandths(mirrored ? bv.profileBottom : bv.profileTop);
    const double E2 = mirrored ? E + h : E - h;
    const double t = std::tan(DegToRad(theta));
    const double run = (t != 0 && std::isfinite(t)) ? h / t : 0.0;
    double x0, x1;
    if (end == 1) {
        x0 = run;
        x1 = 0;
    } else {
        x0 = L - run;
        x1 = L;
    }
    const double dx = x1 - x0, dy = E2 - E;
    const double len = std::sqrt(dx * dx + dy * dy);
    const double dist = FromThousandths(BladeDiameter()) / 2.0 - 10.0;
    double px = x0, py = E;
    if (len > 0) {
        px = x0 + dx / len * dist;
        py = E + dy / len * dist;
    }
    lda::PutI32(record.bytes + lda::mach::kX, ToThousandths(px));
    lda::PutI32(record.bytes + lda::mach::kY, ToThousandths(py));
    lda::PutI32(record.bytes + lda::mach::kZ, bv.sliceZ);
    SetSliceDirection(record, end, mirrored, theta);
}

void BuildAngledSliceCut(BladeCutRecord& record1, BladeCutRecord& record2, const BarRecord& bar, int end,
                         int32_t angle, int32_t secondAngle, int32_t height, int32_t length) {
    // The first record slices at the second angle, the second one at the end angle from the
    // other side of the blade; one is the green record, the other the red one.
    BuildStraightSliceCut(record1, bar, end, secondAngle, height, length);
    BuildStraightSliceCut(record2, bar, end, angle, height, length);
    const bool mirrored = BarEngineValues(bar).mirrored == 1;
    SetSliceDirection(record2, 1 - end, mirrored, angle / 1000.0);
}
