// Blade-cut computations applied to the list object's working records.
#include "engine/blade_adapter.h"

#include "engine/bar_computation.h"
#include "machine/globals.h"
#include "machine/settings.h"

void CopyBladeCutIn(const WorkingMachining& m, BladeCut& cut) {
    cut.A = m.ATaglio;
    // An end cut planned in two passes runs both: its vertices are placed and turned together.
    cut.vertexCount = BladeVertexMode(m) == 2 ? 2 : m.cutPointMode;
    for (int i = 0; i < kBladeCutVertices; ++i) {
        cut.X[i] = m.cutPointX[i];
        cut.Y[i] = m.cutPointY[i];
        cut.Z[i] = m.cutPointZ[i];
        cut.kind[i] = m.cutPointFlags[i];
    }
    cut.footprintWidth = m.footprintWidth;
    cut.footprintFlag = m.footprintFlag;
    cut.tiltDeg = m.tiltAngle;
    // The marker a refit tests is the following machining's cut word: only non-zero matters.
    cut.marker = m.CutMode;
}

void CopyBladeCutOut(const BladeCut& cut, WorkingMachining& m) {
    // What the computations change: the turned angle and vertices, the refitted X values and
    // the footprint width of a four-vertex bound. Z, kinds and flags are only read.
    m.ATaglio = cut.A;
    for (int i = 0; i < kBladeCutVertices; ++i) {
        m.cutPointX[i] = cut.X[i];
        m.cutPointY[i] = cut.Y[i];
    }
    m.footprintWidth = cut.footprintWidth;
}

int BladeVertexMode(const WorkingMachining& cut) {
    if (cut.cutPointMode >= 4) return 4;
    // An end cut planned in passes (at most two) is placed by both of them.
    if (cut.TipoLavor == kKindEndCut && SectionCutPointCount(cut) >= 2) return 2;
    return cut.cutPointMode == 2 ? 2 : 1;
}

BladeSection BladeSectionOf(const BarComputation& bc) {
    BladeSection s;
    if (bc.currentBar == nullptr) return s;
    const BarValues v = BarEngineValues(*bc.currentBar);
    s.yMin = v.profileBottom;
    s.yMax = v.profileTop;
    s.zMin = bc.currentBar->zMin;
    s.zMax = bc.currentBar->zMax;
    return s;
}

void ResetBladeCutFields(BarComputation& bc) {
    BladeWorkingFields& f = bc.blade;
    f.refitShiftX = 0;
    f.viceStepX = 0;
    f.bladeSideX = 0;
    f.viceMoved = 0;
    f.refitAgain = 0;
}

// ---- BladeCutAdapter ----

int32_t BladeCutAdapter::Place(WorkingMachining& m, int vertexMode, int32_t margin, int refit, int32_t stepX) {
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    cut.stepX = stepX;
    const int32_t r = composer_.CutBarPosition(cut, vertexMode, margin, refit);
    CopyBladeCutOut(cut, m);
    return r;
}

int32_t BladeCutAdapter::ViceClearance(WorkingMachining& m, int32_t barX, int vertexMode, int32_t margin,
                                       int boundOnly, int passThrough) {
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    const int32_t r = composer_.ViceClearance(cut, barX, vertexMode, margin, boundOnly, passThrough);
    CopyBladeCutOut(cut, m);
    return r;
}

int32_t BladeCutAdapter::FitToFollowing(const WorkingMachining& m, WorkingMachining& following, int32_t refX,
                                        int32_t& viceValue, int32_t lowerBound, int32_t limit, int32_t margin) {
    BladeCut cut, next;
    CopyBladeCutIn(m, cut);
    CopyBladeCutIn(following, next);
    const int32_t r = composer_.FitViceToFollowingMachining(cut, next, refX, viceValue, lowerBound, limit, margin);
    CopyBladeCutOut(next, following);
    return r;
}

int32_t BladeCutAdapter::ExtractorClearance(const WorkingMachining& m, int32_t position, int32_t barX) {
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    return composer_.ExtractorClearance(cut, position, barX);
}

int32_t BladeCutAdapter::HighObstacleClearance(const WorkingMachining& m, int32_t position, int32_t barX, int mode) {
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    return composer_.HighObstacleClearance(cut, position, barX, mode);
}

int32_t BladeCutAdapter::TiltedHeight(const WorkingMachining& m, int32_t y) {
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    return composer_.TiltedBladeHeight(cut, 0, y);
}

int32_t BladeCutAdapter::ReachOne(const WorkingMachining& m, int32_t barX, int32_t viceEdgeX, int32_t margin) {
    BladeCut cut;
    CopyBladeCutIn(m, cut);
    return BladeReach1(head_, cut, barX, viceEdgeX, 1, margin);
}

// ---- entry points on the list object ----

namespace {

// One adapter per call on the loaded machine, the current bar and the list's working fields.
struct ListAdapter {
    explicit ListAdapter(BarComputation& bc)
        : ok(g_pSettings != nullptr),
          adapter(ok ? BladeHeadFromSettings(*g_pSettings) : BladeHead{}, BladeSectionOf(bc), bc.blade) {}
    bool ok;
    BladeCutAdapter adapter;
};

} // namespace

int32_t PlaceBladeCut(BarComputation& bc, WorkingMachining& cut, int32_t margin) {
    return PlaceBladeCut(bc, cut, BladeVertexMode(cut), margin, 0);
}

int32_t PlaceBladeCut(BarComputation& bc, WorkingMachining& cut, int vertexMode, int32_t margin, int refit,
                      int32_t stepX) {
    ListAdapter a(bc);
    if (!a.ok) return 1; // no machine: the head's range is unknown
    return a.adapter.Place(cut, vertexMode, margin, refit, stepX);
}

int32_t BladeViceClearance(BarComputation& bc, WorkingMachining& cut, int32_t barX, int vertexMode, int32_t margin,
                           int boundOnly, int passThrough) {
    ListAdapter a(bc);
    if (!a.ok) return 0;
    return a.adapter.ViceClearance(cut, barX, vertexMode, margin, boundOnly, passThrough);
}

int32_t FitBladeViceToFollowing(BarComputation& bc, const WorkingMachining& cut, WorkingMachining& following,
                                int32_t refX, int32_t& viceValue, int32_t lowerBound, int32_t limit, int32_t margin) {
    ListAdapter a(bc);
    if (!a.ok) return -1;
    return a.adapter.FitToFollowing(cut, following, refX, viceValue, lowerBound, limit, margin);
}

int32_t BladeExtractorClearance(BarComputation& bc, const WorkingMachining& cut, int32_t position, int32_t barX) {
    ListAdapter a(bc);
    return a.ok ? a.adapter.ExtractorClearance(cut, position, barX) : 0;
}

int32_t BladeHighObstacleClearance(BarComputation& bc, const WorkingMachining& cut, int32_t position, int32_t barX,
                                   int mode) {
    ListAdapter a(bc);
    return a.ok ? a.adapter.HighObstacleClearance(cut, position, barX, mode) : 0;
}

int32_t BladeTiltedHeight(BarComputation& bc, const WorkingMachining& cut, int32_t y) {
    ListAdapter a(bc);
    return a.ok ? a.adapter.TiltedHeight(cut, y) : 0;
}

int32_t BladeReachOne(BarComputation& bc, const WorkingMachining& cut, int32_t barX, int32_t viceEdgeX,
                      int32_t margin) {
    ListAdapter a(bc);
    return a.ok ? a.adapter.ReachOne(cut, barX, viceEdgeX, margin) : 0;
}
