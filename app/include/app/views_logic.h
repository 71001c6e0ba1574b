#pragma once
// What the operator's views of a job compute, without any window: the lines of the bar list
// (consecutive equal bars merged), the rest of a bar after its pieces, the cut texts of a
// piece's two ends, the columns of a machining line and what the profile drawing takes of a
// bar. Lengths are thousandths of a millimetre, angles thousandths of a degree.
#include <cstdint>
#include <string>
#include <vector>

#include "app/job_logic.h"   // BarColour: the colour of a bar, decided there
#include "ui/dxf_preview.h"

struct BarRecord;
struct WorkingPiece;
struct WorkingMachining;
class BarList;
class RallaToolSet;
class MachineSettings;

namespace app {

// ---------------------------------------------------------------- bar list lines

// One line of the bar list view: the bar that opened it and the repetitions still to do of
// every bar merged into it.
struct BarListLine {
    int firstBar = 0;
    int repetitions = 0;
};

// Same profile (series and code), colour (all ignoring case) and length.
bool SameBarKind(const BarRecord& a, const BarRecord& b);

// Walks bars[start..] and merges each bar into the current line when it equals the line's first
// bar (equality is with that first bar only, never across the list); any other bar opens a new
// line. As many lines as the bars need. A start outside the bars gives no line.
std::vector<BarListLine> MergeEqualBars(const std::vector<const BarRecord*>& bars, int start);

// The number of bars of the running job in the list: the bars the selection collected, or every
// bar of the list when none were collected.
int JobBarCount(const BarList& list);

// ---------------------------------------------------------------- rest of the bar

// The machine values the rest computation reads, taken once from the settings record.
struct RestParams {
    int variant = 0;
    int32_t autoTrasLav = 0;
    int32_t headScrap = 0;   // SCARTO_TESTA
    int32_t spacing = 0;     // SCARTO_POSIZ
    int32_t blade = 0;       // SPESS_LAMA
    int32_t bladeOffsetX = 0; // OFF_X_LAMA
    int32_t tailScrap = 0;   // the machine's tail scrap
};
RestParams RestParamsOf(const MachineSettings& s, int variant);

// The rest before the first piece.
int32_t StartingRest(const BarRecord& bar, const RestParams& p);
// The rest after one piece: rest - length - spacing - blade / sine of its left cut angle,
// truncated toward zero. When that sine is about zero the blade allowance is left out (there is
// no meaningful width of a cut along the bar), so nothing is ever divided by zero; a result
// beyond the 32-bit range is held at its limit.
int32_t RestAfterPiece(int32_t rest, const BarRecord& bar, const WorkingPiece& piece, const RestParams& p);
// StartingRest, then RestAfterPiece for every piece in order.
int32_t BarRest(const BarRecord& bar, const std::vector<WorkingPiece*>& pieces, const RestParams& p);

// ---------------------------------------------------------------- cut texts

// The three columns of one end of a piece: cut type, first angle, second angle.
struct CutTexts {
    std::string type;
    std::string angle1;
    std::string angle2;
    bool operator==(const CutTexts&) const = default;
};
inline constexpr int kRightEnd = 0;
inline constexpr int kLeftEnd = 1;
// barFlag: the bar is cut the other way round (its angles are shown mirrored).
CutTexts PieceCutTexts(const WorkingPiece& piece, int end, int variant, bool barFlag);
// The bar flag of the cut texts for a bar.
bool BarCutFlag(const BarRecord& bar);

// ---------------------------------------------------------------- machining lines

// Number, type text, X, Y, Z, tool name, machining name, machining identifier.
std::vector<std::string> MachiningColumns(const WorkingMachining& m, int variant, const RallaToolSet* tools);

// ---------------------------------------------------------------- profile drawing

// What the drawing control takes of a bar: section angle, mirror field, section bounds.
ui::PreviewBar PreviewBarOf(const BarRecord& bar);
// "<DIR_DXF><series>\<code>.dxf"; empty when the series or code could lead out of the folder.
std::string ProfileDrawingPath(const char* dirDxf, const BarRecord& bar);

// "%{X}" of a length in thousandths, in the display unit.
std::string LengthText(int32_t thousandths);

} // namespace app
