#include "app/views_logic.h"

#include <cmath>
#include <strings.h>

#include "engine/bar_computation.h"
#include "engine/working_records.h"
#include "machine/barlist.h"
#include "machine/params.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/units.h"
#include "platform/text.h"

namespace app {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Below this the sine of a cut angle counts as zero: the smallest angle a list can hold
// (a thousandth of a degree) has a sine near 1.7e-5, far above it.
constexpr double kSineEpsilon = 1e-9;

double Degrees(int32_t thousandths) { return static_cast<double>(thousandths) / 1000.0; }

std::string Real2(double v) { return plat::StrFormatC("%.2f", v); }

int32_t Clamp32(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);   // truncation toward zero
}

} // namespace

// ---------------------------------------------------------------- bar list lines

bool SameBarKind(const BarRecord& a, const BarRecord& b) {
    return strcasecmp(a.series, b.series) == 0 && strcasecmp(a.code, b.code) == 0 &&
           strcasecmp(BarColour(a), BarColour(b)) == 0 && a.length == b.length;
}

std::vector<BarListLine> MergeEqualBars(const std::vector<const BarRecord*>& bars, int start) {
    std::vector<BarListLine> lines;
    if (start < 0) return lines;
    for (std::size_t i = static_cast<std::size_t>(start); i < bars.size(); ++i) {
        const BarRecord* bar = bars[i];
        if (bar == nullptr) continue;
        if (!lines.empty() && SameBarKind(*bars[static_cast<std::size_t>(lines.back().firstBar)], *bar)) {
            lines.back().repetitions += bar->repetitionsLeft;
            continue;
        }
        lines.push_back(BarListLine{static_cast<int>(i), bar->repetitionsLeft});
    }
    return lines;
}

int JobBarCount(const BarList& list) {
    // The bars of the job are those the selection moved to the head of the list.
    if (list.selectedCount > 0 && list.selectedCount <= list.BarCount()) return list.selectedCount;
    return list.BarCount();
}

// ---------------------------------------------------------------- rest of the bar

RestParams RestParamsOf(const MachineSettings& s, int variant) {
    RestParams p;
    p.variant = variant;
    p.autoTrasLav = s.AUTO_TRAS_LAV;
    p.headScrap = s.SCARTO_TESTA;
    p.spacing = s.SCARTO_POSIZ;
    p.blade = s.SPESS_LAMA;
    p.bladeOffsetX = s.OFF_X_LAMA;
    p.tailScrap = GetMachineTailScrap(s);
    return p;
}

int32_t StartingRest(const BarRecord& bar, const RestParams& p) {
    // On variant 1 the bar brings its own allowances, as the engine reads them.
    const BarValues v = BarEngineValues(bar);
    const double length = bar.length;
    double rest;
    if (p.autoTrasLav == 0)
        rest = length - (p.variant == 1 ? v.headLoadingOffset : p.headScrap);
    else if (p.variant == 1)
        rest = length - v.headLoadingOffset - v.headLoadingOffset2 - p.blade - p.bladeOffsetX;
    else
        rest = length - p.blade - p.headScrap - p.bladeOffsetX - p.tailScrap;
    return Clamp32(rest);
}

int32_t RestAfterPiece(int32_t rest, const BarRecord& bar, const WorkingPiece& piece, const RestParams& p) {
    const int32_t spacing = p.variant == 1 ? BarEngineValues(bar).loadingOffset : p.spacing;
    const double sine = std::sin(Degrees(piece.ASx) * kPi / 180.0);
    double value = static_cast<double>(rest) - piece.Lung - spacing;
    if (std::fabs(sine) > kSineEpsilon) value -= p.blade / sine;
    return Clamp32(value);
}

int32_t BarRest(const BarRecord& bar, const std::vector<WorkingPiece*>& pieces, const RestParams& p) {
    int32_t rest = StartingRest(bar, p);
    for (const WorkingPiece* piece : pieces)
        if (piece != nullptr) rest = RestAfterPiece(rest, bar, *piece, p);
    return rest;
}

// ---------------------------------------------------------------- cut texts

bool BarCutFlag(const BarRecord& bar) {
    // The bar's cut type (1 internal, else the cut type's number; 0 none).
    return bar.TIPO_TAGLIO != 0;
}

CutTexts PieceCutTexts(const WorkingPiece& piece, int end, int variant, bool barFlag) {
    const bool right = end == kRightEnd;
    const int32_t angle = right ? piece.ADx : piece.ASx;            // the end's cut angle (positive)
    const int32_t second = right ? piece.rightSecondAngle : piece.leftSecondAngle;
    const int32_t slice = right ? piece.rightSlice : piece.leftSlice;
    const int32_t sliceAngle = right ? piece.rightSliceAngle : piece.leftSliceAngle;
    const int32_t height = right ? piece.rightSliceHeight : piece.leftSliceHeight;
    const bool direction = (right ? piece.SDx : piece.SSx) != 0;
    CutTexts t;
    if (variant != 1) {
        // An angle is shown in degrees whatever the length unit.
        t.type = Real2(Degrees(angle));
        return t;
    }
    if (slice == 1) {
        t.type = Real2(Degrees(sliceAngle));
        t.angle1 = Real2(Degrees(second));
        t.angle2 = Real2(FromThousandths(height)) + " mm";
        return t;
    }
    if (slice == 2) {
        t.type = Real2(90.0);
        t.angle1 = Real2(barFlag ? 180.0 - Degrees(second) : Degrees(second));
        t.angle2 = Real2(FromThousandths(height)) + " mm";
        return t;
    }
    if (angle == 90000) {
        t.type = "   |";
        t.angle1 = Real2(90.0);
        return t;
    }
    // The left end leans back ("\") when neither the direction nor the bar flag turns it;
    // each of them turns it once, and the bar flag also mirrors the angle. The right end shows
    // the other sign in each case.
    const bool backslash = (direction == barFlag) == !right;
    t.type = backslash ? "   \\" : "   /";
    t.angle1 = Real2(barFlag ? 180.0 - Degrees(angle) : Degrees(angle));
    return t;
}

// ---------------------------------------------------------------- machining lines

std::string LengthText(int32_t thousandths) {
    char text[64];
    FormatUnits(text, sizeof text, "%{X}", FromThousandths(thousandths));
    return text;
}

std::vector<std::string> MachiningColumns(const WorkingMachining& m, int variant, const RallaToolSet* tools) {
    std::string tool;
    if (variant == 1 && IsBladeKind(m.TipoLavor))
        tool = "BLADE";   // a blade cut has no ralla tool
    else if (tools != nullptr)
        tool = tools->Tool(m.Uten).name;
    return {std::to_string(m.Id), m.cutTool,        LengthText(m.X),          LengthText(m.Y),
            LengthText(m.Z),      tool,             m.NomeLdt,                std::to_string(m.IdLdt)};
}

// ---------------------------------------------------------------- profile drawing

ui::PreviewBar PreviewBarOf(const BarRecord& bar) {
    ui::PreviewBar p;
    p.sectionAngle = bar.realValue;          // section angle in degrees (bar record offset 195)
    p.mirror = bar.flag == 1 ? 1 : 0;        // mirror field (bar record offset 212)
    p.bounds[0] = bar.yMin;
    p.bounds[1] = bar.yMax;
    p.bounds[2] = bar.zMin;
    p.bounds[3] = bar.zMax;
    return p;
}

std::string ProfileDrawingPath(const char* dirDxf, const BarRecord& bar) {
    if (!IsSafePathComponent(bar.series) || !IsSafePathComponent(bar.code)) return {};
    return std::string(dirDxf != nullptr ? dirDxf : "") + bar.series + "\\" + bar.code + ".dxf";
}

} // namespace app
