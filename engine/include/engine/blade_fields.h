#pragma once
// Working fields of the blade-cut computations, carried from one cut to the next for the whole
// opened list (a member of the list's BarComputation object). Thousandths unless a flag.
#include <cstdint>

struct BladeWorkingFields {
    int32_t cutShiftX = 0, cutSpanX = 0, cutLowX = 0, cutHighX = 0, flangeShiftX = 0;
    int32_t bladeGapX = 0, viceStepX = 0, bladeSideX = 0, viceSideX = 0;
    int32_t refitShiftX = 0, clampCorrectionX = 0;
    uint8_t viceMoved = 0, refitAgain = 0, bladeClearsVice = 0;
    int32_t footprintDX1 = 0, footprintDX2 = 0, footprintDY1 = 0, footprintDY2 = 0;
};
