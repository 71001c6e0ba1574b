// The walk of variant 2: every record gets a positioning of its own, in the order of the free
// records by Xm; where the bar stands depends on the record's kind (a ralla machining, a
// figure of the 6000 series, a cut), and a 45-degree cut after a 135-degree one shares its
// positioning.
#include <algorithm>
#include <cstdint>

#include "machine/globals.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "ordering_internal.h"

namespace ordering_detail {

namespace {

// The cuts met so far along the walk: the last one, the angle of the run it belongs to, and
// whether the next 45-degree cut shares the current positioning.
struct CutRun {
    const WorkingMachining* lastCut = nullptr;
    bool after90 = false, after45 = false, shares = false;
};

// A figure of the 6000 series takes its Xm and XM from its figure's limits, seen from the
// blade at the top of the X travel.
void PlaceFiguresAtTheBlade(Work& w) {
    const MachineSettings& s = w.s;
    const int32_t Xhi = s.X_TRAVEL_MAX;
    const int32_t H = s.SPESS_LAMA >> 1; // arithmetic halving
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining& m = *w.a[i];
        if (m.TipoLavor != kKindFigure6000) continue;
        m.Xm = Sat(int64_t{m.XFm} - (int64_t{H} - Xhi + s.DIST_LAMA));
        m.XM = Sat(int64_t{m.XFM} - (int64_t{H} - Xhi + s.DIST_LAMA));
    }
}

// A ralla machining: its X from the X travel's start with its position's X offset; a slot along
// the bar (figure 3) as wide as the tool moves on by half its length less half the tool.
int64_t RallaPositioning(const Work& w, const WorkingMachining& m, const int32_t* tools) {
    const MachineSettings& s = w.s;
    const int32_t Xlo = s.X_TRAVEL_MIN;
    // A tool on no ralla position (refused by the tool checks before) takes no X offset.
    int32_t O = 0;
    for (int p = 0; p < RallaPositionCount(); ++p)
        if (tools[p] == m.Uten) {
            O = s.OFFX_T[p];
            break;
        }
    const int32_t D = g_pRallaTools != nullptr ? g_pRallaTools->Tool(m.Uten).diameter[std::clamp(m.Diam, 0, 2)] : 0;
    if (m.Figura == 3 && (m.AngFig == 0 || m.AngFig == 180000) && m.params[1] == D)
        return int64_t{O} + m.params[0] / 2 - Xlo + m.X - D / 2;
    return int64_t{O} - Xlo + m.X;
}

// A cut at 90, 45 or 135 degrees: its positioning from the blade, `P` the current one (kept by
// a 45-degree cut that shares it and by a cut at any other angle).
int64_t CutPositioning(const Work& w, WorkingMachining& m, CutRun& run, int64_t P) {
    const MachineSettings& s = w.s;
    const int32_t H = s.SPESS_LAMA >> 1; // arithmetic halving
    const int32_t C = s.DIST_LAMA + s.CORR_X_LAME;
    if (m.ATaglio == 90000) {
        P = int64_t{m.X} - s.DIST_LAMA;
        run.after90 = true;
        run.after45 = false;
        run.shares = false;
    } else if (m.ATaglio == 45000) {
        if (run.shares) {
            m.OwnPositioning = 0; // shares the current positioning
            run.shares = false;
        } else {
            P = int64_t{s.SCARTO_POSIZ >> 1} - H - C + m.X;
        }
        run.after45 = true;
        run.after90 = false;
    } else if (m.ATaglio == 135000) {
        const int64_t gap = int64_t{s.SPESS_LAMA} + s.SCARTO_POSIZ + s.CORR_P_LAME + s.CORR_X_LAME;
        if (run.after90 && !run.after45 && run.lastCut != nullptr && int64_t{run.lastCut->X} - m.X <= gap)
            P = int64_t{m.X} - C;
        else
            P = int64_t{m.X} - H - (s.SCARTO_POSIZ >> 1) - C;
        run.shares = true;
        run.after90 = run.after45 = false;
    }
    run.lastCut = &m;
    return P;
}

} // namespace

void PlaceOnePositioningPerRecord(Work& w) {
    const MachineSettings& s = w.s;
    const BarGeometry g = GeometryOf(w.bc);
    const int32_t DM = s.DIST_MORSE;
    const int32_t H = s.SPESS_LAMA >> 1; // arithmetic halving
    const int32_t C = s.DIST_LAMA + s.CORR_X_LAME;
    PlaceFiguresAtTheBlade(w);
    SortByState(w, StateOrder::kA);
    // A record of no kind placed here stands at the positioning of the record before it.
    int64_t P = 0;
    CutRun run;
    const int32_t* tools = w.bc.BarSetup();
    for (int i = 0; i < w.n; ++i) {
        WorkingMachining& m = *w.a[i];
        if (m.TipoLavor == kKindRalla)
            P = RallaPositioning(w, m, tools);
        else if (m.TipoLavor == kKindFigure6000)
            P = int64_t{m.X} - H - C;
        else if (IsCut(m))
            P = CutPositioning(w, m, run, P);
        m.PosGroup = 1;
        m.OrderState = 3;
        m.Xcaric = Sat(P);
        const bool nearTail = int64_t{g.L} - P < DM ||
                              (m.TipoLavor == kKindRalla && (int64_t{g.L} - m.XM < DM || int64_t{g.L} - m.Xm < DM));
        m.TipoCaric = nearTail ? 1 : (P < 0 ? 11 : 23);
    }
}

} // namespace ordering_detail
