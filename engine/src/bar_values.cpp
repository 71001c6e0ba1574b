// Where the engine's bar values come from. The list file and the loaded bar record do not name
// every value the engine reads; each mapping is decided here, once.
#include "engine/bar_computation.h"

BarValues BarEngineValues(const BarRecord& bar) {
    BarValues v;
    // The profile's top and bottom are the section's Y limits after the profile offsets.
    v.profileTop = bar.yMax;
    v.profileBottom = bar.yMin;
    // Head-slice blade records work at the floor of the section.
    v.sliceZ = bar.zMin;
    // Machining Y and Z are relative to the section; the offsets applied at load move them.
    v.yOffset = bar.offsetY;
    v.zOffset = bar.offsetZ;
    // Variant-1 loading offsets are the profile's scraps: head scrap and positioning scrap at
    // the head, the positioning scrap between pieces, the tail scrap at the tail.
    v.headLoadingOffset = bar.HEAD_SCRAP;
    v.headLoadingOffset2 = bar.POSIZ_SCRAP;
    v.loadingOffset = bar.POSIZ_SCRAP;
    v.tailLoadingOffset = bar.TAIL_SCRAP;
    // The flag of bar record offset 212 marks a bar loaded mirrored.
    v.mirrored = bar.flag != 0 ? 1 : 0;
    // The least grip is the clamping length of the head end found by the bar size check.
    v.minimumGrip = bar.extraLength1;
    // A bar accepted although shorter than the vices need asks for the short-piece check.
    v.wantsShortPieceCheck = bar.shortAccepted;
    // Configuration number 0 means the spindles work reached out.
    v.spindleFlag = bar.configNumber != 0 ? 1 : 0;
    // The report's bar line shows the section height and the full profile code.
    v.thirdLength = bar.zMax - bar.zMin;
    v.furtherText = bar.displayCode;
    return v;
}
