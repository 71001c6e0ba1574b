// Checks of the current bar: the pieces laid out along the bar (and slots joined across a
// shared cut), the tools against the figures, reach and speeds of every machining, and the
// order of taps and countersinks against drillings.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "engine/bar_computation.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/params.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/utils.h"

namespace {

const MachineSettings& S() { return *g_pSettings; }

bool Within(int64_t a, int64_t b, int64_t tol) { return std::llabs(a - b) <= tol; }

// The end indices of a placement: the end that faces the head and the one that faces the tail.
struct Ends {
    int head;
    int tail;
};

int32_t& EndX(WorkingPiece& p, int end, int k) { return p.endCutX[2 * end + k]; }
int32_t& EndAngle(WorkingPiece& p, int end) { return end == 0 ? p.ADx : p.ASx; }
int32_t EndFlag(const WorkingPiece& p, int end) { return end == 0 ? p.SDx : p.SSx; }

// Cut allowance of variants 0 and 2 before the first piece and between pieces: one blade
// thickness, so that a cut whose own trim is shorter than its kerf (an angled end on variant 2
// trims nothing) never takes its kerf out of the piece or the bar before it.
int32_t CutAllowance() { return S().SPESS_LAMA; }

// The separation between two pieces that do not share a cut, for the computation's own bar.
int32_t Separation(const BarComputation& bc) {
    return MachineVariant == 1 && bc.currentBar != nullptr ? BarEngineValues(*bc.currentBar).loadingOffset
                                                           : CutAllowance();
}

bool IsSpecialToolFigure(int32_t f) {
    return (f >= 7001 && f <= 7003) || (f >= 7011 && f <= 7013) || (f >= 7021 && f <= 7023);
}

} // namespace

// ---------------------------------------------------------------- bar length

static int PlaceGeneric(BarComputation& bc, WorkingPiece& q, WorkingPiece& p, Ends e, int32_t separation) {
    const MachineSettings& s = S();
    const int32_t bo = p.BladeOffset(e.tail);
    const int64_t a = int64_t{EndX(p, e.tail, 0)} + bo;
    const int64_t b = int64_t{EndX(p, e.tail, 1)} + bo;
    int64_t s1 = q.SlopeOffset(e.head), s2 = 0;
    if (EndFlag(q, e.head) != 0) std::swap(s1, s2);
    const int64_t m = std::min(a - s1, b - s2);
    const int64_t x1 = s1 + m, x2 = s2 + m;
    const int64_t overlap = std::max(x1, x2) - std::min(a, b);
    // Reach of P's records over its tail end and of Q's records over its head end.
    int64_t reachP = p.SlopeOffset(e.tail);
    for (int i = p.FstLav; i < p.FstLav + p.Lav && i < static_cast<int>(bc.records.size()); ++i) {
        const WorkingMachining& r = *bc.records[static_cast<std::size_t>(i)];
        if (IsBladeKind(r.TipoLavor)) {
            reachP = 0;
            continue;
        }
        if (r.XFm >= reachP) continue;
        const bool counts = r.XFm < 0 || !((r.Angolo == 90000 && EndFlag(p, e.tail) == 0) ||
                                           (r.Angolo == -90000 && EndFlag(p, e.tail) != 0));
        if (counts) reachP = r.XFm;
    }
    int64_t reachQ = int64_t{q.Lung} - q.SlopeOffset(e.head);
    for (int i = q.FstLav; i < q.FstLav + q.Lav && i < static_cast<int>(bc.records.size()); ++i) {
        const WorkingMachining& r = *bc.records[static_cast<std::size_t>(i)];
        if (IsBladeKind(r.TipoLavor)) {
            reachQ = 0;
            continue;
        }
        if (r.XFM <= reachQ) continue;
        const bool counts = r.XFM > q.Lung || !((r.Angolo == 90000 && EndFlag(q, e.head) == 0) ||
                                                (r.Angolo == -90000 && EndFlag(q, e.head) != 0));
        if (counts) reachQ = r.XFM;
    }
    const int64_t need1 = overlap - reachP;
    const int64_t need2 = reachQ - q.Lung + overlap;
    bool share = (EndAngle(q, e.head) == 90000 && EndAngle(p, e.tail) == 90000) ||
                 (EndAngle(q, e.head) == EndAngle(p, e.tail) && EndFlag(q, e.head) != EndFlag(p, e.tail));
    if (share && s.CK_UNION_TAGLI != 0 && std::max(need1, need2) > bo) share = false;
    if (share) {
        EndX(q, e.head, 0) = static_cast<int32_t>(x1 - bo);
        EndX(q, e.head, 1) = static_cast<int32_t>(x2 - bo);
        q.sharedCut = 1;
        --bc.orderedRecords;
        --bc.cutCount;
        return 0;
    }
    int64_t g = int64_t{bo} + separation;
    g = std::max({g, need1, need2});
    EndX(q, e.head, 0) = static_cast<int32_t>(x1 - g);
    EndX(q, e.head, 1) = static_cast<int32_t>(x2 - g);
    return 1;
}

int BarComputation::PlacePiece(WorkingPiece& q, WorkingPiece& p) { return PlaceGeneric(*this, q, p, {0, 1}, Separation(*this)); }

int BarComputation::PlacePieceMirrored(WorkingPiece& q, WorkingPiece& p) {
    return PlaceGeneric(*this, q, p, {1, 0}, Separation(*this));
}

void BarComputation::RenumberGroup(WorkingPiece& q, int32_t from, int32_t to) {
    for (int i = q.FstLav; i < q.FstLav + q.Lav && i < static_cast<int>(records.size()); ++i)
        if (records[static_cast<std::size_t>(i)]->Insieme == from) records[static_cast<std::size_t>(i)]->Insieme = to;
}

int BarComputation::MergeAdjacentSlots(WorkingPiece& q, WorkingPiece& p, int32_t offset) {
    if (q.ADx != 90000) return 0;
    const MachineSettings& s = S();
    const int qEnd = std::min<int>(q.FstLav + q.Lav, static_cast<int>(records.size()));
    const int pEnd = std::min<int>(p.FstLav + p.Lav, static_cast<int>(records.size()));
    for (int i = q.FstLav; i < qEnd; ++i) records[static_cast<std::size_t>(i)]->OrderState = 0;
    int joined = 0;
    const int32_t span = s.X_TRAVEL_MAX - s.X_TRAVEL_MIN;
    for (int i = p.FstLav; i < pEnd; ++i) {
        WorkingMachining& m = *records[static_cast<std::size_t>(i)];
        if (m.active == 0 || m.XFm >= 0 || (m.Figura != 2 && m.Figura != 3)) continue;
        if (m.AngFig != 0 && m.AngFig != 90000 && m.AngFig != 180000 && m.AngFig != 270000) continue;
        WorkingMachining* found = nullptr;
        for (int j = q.FstLav; j < qEnd && found == nullptr; ++j) {
            WorkingMachining& c = *records[static_cast<std::size_t>(j)];
            if (c.OrderState != 0 || c.active == 0) continue;
            if (c.XFM > q.Lung)
                found = &c;
            else
                c.OrderState = 1;
        }
        if (found == nullptr) continue;
        WorkingMachining& c = *found;
        if (c.depthSteps != m.depthSteps || !Within(c.stepDepth, m.stepDepth, 5)) continue;
        if (c.Figura != m.Figura || c.Angolo != m.Angolo || !Within(c.Y, m.Y, 5) || !Within(c.Z, m.Z, 5)) continue;
        if (!Within(c.Zdisimp, m.Zdisimp, 5) || c.Svuotam != m.Svuotam) continue;
        if (!(c.AngFig == m.AngFig || std::abs(c.AngFig - m.AngFig) == 180000)) continue;
        if (c.Uten != m.Uten || c.Diam != m.Diam || c.Priorita != m.Priorita) continue;
        const bool along = m.AngFig == 0 || m.AngFig == 180000;
        const int k = along ? 0 : 1;  // the parameter that holds the length
        const int o = along ? 1 : 0;  // the one that must agree
        if (c.params[o] != m.params[o]) continue;
        if (m.Figura == 2 && c.params[2] != m.params[2]) continue;
        const int64_t qOver = int64_t{c.XFM} - q.Lung;
        const int64_t mOver = -int64_t{m.XFm};
        const int64_t len = int64_t{c.params[k]} - qOver - mOver + m.params[k] + offset;
        const int32_t D = g_pRallaTools->Tool(m.Uten).diameter[std::clamp(m.Diam, 0, 2)];
        if (len - D > span) continue;
        m.params[k] = static_cast<int32_t>(len);
        const bool differed = c.AngFig != m.AngFig;
        if (!along && m.Figura == 3) {
            m.Figura = 2;
            std::snprintf(m.programName, sizeof m.programName, "%d.BRE", 2);
            m.paramCount = 3;
            m.params[2] = m.params[1] / 2;
            if (m.params[1] > m.params[0]) {
                std::swap(m.params[0], m.params[1]);
                m.AngFig = 180000;
            }
        }
        if (differed) m.AngFig = along ? 180000 : 270000;
        m.XFm = static_cast<int32_t>(m.XFM - len);
        m.XM = m.XFM - D / 2;
        m.X = static_cast<int32_t>(m.XFM - len / 2);
        m.Xm = m.XFm + D / 2;
        m.Id2 = c.Id;
        c.active = 0;
        if (m.Insieme != 0 && c.Insieme != 0)
            RenumberGroup(q, c.Insieme, m.Insieme);
        else if (c.Insieme != 0)
            m.Insieme = c.Insieme;
        ++joined;
    }
    return joined;
}

int BarComputation::CheckBarLength(int* joined) {
    const MachineSettings& s = S();
    const BarValues bv = BarEngineValues(*currentBar);
    const bool reversed = MachineVariant == 1 && s.CONF_CARICO != 0;
    const Ends e = reversed ? Ends{1, 0} : Ends{0, 1};
    WorkingPiece* prev = nullptr;
    int32_t remaining = currentBar->length;
    for (WorkingPiece* qp : pieces) {
        if (qp->made != 0) continue;
        WorkingPiece& q = *qp;
        if (prev == nullptr) {
            const bool angled = EndAngle(q, e.head) != 90000;
            int32_t x = currentBar->length;
            if (MachineVariant == 0)
                x -= s.SCARTO_TESTA + CutAllowance();
            else if (MachineVariant == 2)
                x -= s.SCARTO_TESTA + (angled ? CutAllowance() / 2 : 0);
            else
                x -= bv.headLoadingOffset + bv.headLoadingOffset2;
            EndX(q, e.head, 0) = x;
            EndX(q, e.head, 1) = x - q.SlopeOffset(e.head);
            if (EndFlag(q, e.head) != 0) std::swap(EndX(q, e.head, 0), EndX(q, e.head, 1));
            if (MachineVariant == 2) {
                if (angled)
                    g_pSettings->HeadCutAngled = 1;
                else
                    g_pSettings->HeadCutSquare = 1;
            }
        } else {
            const int placed = reversed ? PlacePieceMirrored(q, *prev) : PlacePiece(q, *prev);
            if (placed == 0 && s.UNIONE_INTEST != 0 && joined != nullptr)
                *joined += MergeAdjacentSlots(q, *prev, q.BladeOffset(e.head));
        }
        // The tail end lies the piece's length and the blade offset of that cut behind the head end.
        EndX(q, e.tail, 0) = EndX(q, e.head, 0) - q.Lung - q.BladeOffset(e.tail);
        EndX(q, e.tail, 1) = EndX(q, e.tail, 0) + q.SlopeOffset(e.tail);
        if (EndFlag(q, e.tail) != 0) std::swap(EndX(q, e.tail, 0), EndX(q, e.tail, 1));
        remaining = std::min(EndX(q, e.tail, 0), EndX(q, e.tail, 1));
        prev = &q;
    }
    if (MachineVariant == 2 && remaining >= s.DIM_MIN_SCARTO) g_pSettings->HeadCutSquare = 1;
    const int32_t least = MachineVariant == 1 ? bv.tailLoadingOffset : GetMachineTailScrap(s);
    if (remaining < least) {
        // The bar as the confirmation shows it: its place among the bars chosen, "2 / 4".
        const int shownCount =
            selectedCount > currentBarIndex ? std::min(selectedCount, BarCount()) : BarCount();
        SetErrorText("%s %d / %d", MsgError("BAR_SHORT"), currentBarIndex + 1, shownCount);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- tools and figures

int BarComputation::CheckToolFigure(WorkingMachining& m, int secondTry) {
    const ToolRecord& tool = g_pRallaTools->Tool(m.Uten);
    const int32_t D = tool.diameter[std::clamp(m.Diam, 0, 2)];
    int32_t* par = secondTry != 0 ? m.params2 : m.params;
    auto fail = [&](const char* key, int flags) {
        if (secondTry == 0) {
            m.Flags |= flags;
            FormatMachiningMessage(m, key);
        }
        return 1;
    };
    auto setFigure = [&](int figure) {
        m.Figura = figure;
        std::snprintf(m.programName, sizeof m.programName, "%d.BRE", figure);
    };
    if (IsFigureMachining(m.Figura) == 0) {
        const int32_t r = m.requestedDiameter;
        if (r > 0 && D > r + 5) return fail("ERR_DIAM_UTEN", kFlagTool);
        if (r < 0 && !Within(D, -int64_t{r}, 5)) return fail("ERR_WRONG_DIAM", kFlagTool);
        return 0;
    }
    switch (tool.kind) {
    case 1:
        if (m.Figura == 1 && Within(par[0], D, 5)) {
            par[0] = D;
            return 0;
        }
        return fail("ERR_USO_PUNTA", kFlagTool);
    case 4:
        if (m.Figura == 1 && Within(par[0], D, 5)) {
            setFigure(6);
            m.depthSteps = 1;
            return 0;
        }
        return fail("ERR_USO_MASCHIO", kFlagTool);
    case 2:
        if (m.Figura == 1 && int64_t{par[0]} + 5 >= D) {
            setFigure(6);
            return 0;
        }
        return fail("ERR_USO_SVAS", kFlagTool);
    case 3:
        if (m.Figura == 7 && int64_t{std::min(par[0], par[1])} + 5 >= D) return 0;
        return fail("ERR_USO_DISCO", kFlagTool);
    default:
        break;
    }
    if (m.Figura == 7) return fail("ERR_USO_DISCO", kFlagTool);
    const int64_t p1 = par[0], p2 = par[1], p3 = par[2];
    const int64_t w = m.Figura == 2 ? 2 * p3 : p3;
    // The smallest of the figure's parameters present (at most three) must take the tool.
    const int64_t given[3] = {p1, p2, w};
    const int n = std::clamp(m.paramCount, 1, 3);
    int64_t smallest = given[0];
    for (int i = 1; i < n; ++i) smallest = std::min(smallest, given[i]);
    if (smallest + 5 < D) return fail("ERR_DIAM_UTEN", kFlagTool);
    bool ok = true;
    switch (m.Figura) {
    case 2:
        if (p1 >= w + 90 && p2 >= w + 90) break;
        if (secondTry == 0 && p1 >= w + 90 && p2 >= w) {
            setFigure(3);
            m.paramCount = 2;
            break;
        }
        ok = false;
        break;
    case 3: ok = p1 >= p2 + 90; break;
    case 4: ok = p2 >= p3 + 90 && p1 >= p3 / 2 + p2 + 90; break;
    case 5: ok = p1 >= (p2 + D) / 2 + 90 && (p2 >= D + 90 || (secondTry == 0 && p2 >= D)); break;
    default: break;
    }
    if (!ok) return fail("ERR_PAR_FIGURA", kFlagFigure);
    if (m.Figura == 1 && secondTry == 0) {
        for (int i = 0; i < std::min(m.depthSteps, kMaxDepthSteps); ++i) {
            DepthStepRecord& d = m.depthStepRecords[i];
            if ((d.flags & 16) != 0 || d.value16 != 0) {
                d.flags &= ~16;
                d.value16 = 0;
                m.Flags |= kFlagDepthSteps;
                FormatMachiningMessage(m, "ERR_SCARMAT");
            }
        }
    }
    return 0;
}

int BarComputation::CheckMachiningTool(WorkingMachining& m) {
    const MachineSettings& s = S();
    if (m.requestedDiameter == 0 && IsFigureMachining(m.Figura) == 0) {
        m.roughMark1 = m.roughMark2 = 1;
        return 0;
    }
    if (CheckToolFigure(m, 0) != 0) return 1;
    const ToolRecord& tool = g_pRallaTools->Tool(m.Uten);
    if (m.Svuotam == 0 && s.SGROSSATURA > 0 && IsFigureMachining(m.Figura) != 0 && tool.kind == 0) {
        if (m.roughMark1 == 1 && (m.depthSteps == 1 || m.roughMark2 == 1)) return 0;
        for (int i = 0; i < kMaxFigureParams; ++i) m.params2[i] = m.params[i] - 2 * s.SGROSSATURA;
        if (m.Figura == 2) m.params2[2] = m.params[2] - s.SGROSSATURA;
        // The reduced-size test changes nothing of the record but its marks.
        WorkingMachining trial;
        trial.Figura = m.Figura;
        trial.Uten = m.Uten;
        trial.Diam = m.Diam;
        trial.paramCount = m.paramCount;
        trial.requestedDiameter = m.requestedDiameter;
        std::memcpy(trial.params2, m.params2, sizeof trial.params2);
        if (CheckToolFigure(trial, 1) != 0) m.roughMark1 = m.roughMark2 = 1;
        return 0;
    }
    m.roughMark1 = m.roughMark2 = 1;
    return 0;
}

// ---------------------------------------------------------------- machinings

int BarComputation::CheckMachiningReach(WorkingMachining& m) {
    const MachineSettings& s = S();
    const BarValues bv = BarEngineValues(*currentBar);
    const ToolRecord& tool = g_pRallaTools->Tool(m.Uten);
    int32_t L = tool.totalLength - s.DIST_MANDRINI / 2;
    if (bv.spindleFlag == 0) L -= s.EXTRA_MAND_OUT;
    const int32_t top = m.Zdisimp >= 1 ? m.Zdisimp + L : L;
    const int32_t bottom = m.totalDepth + L;
    int position = -1;
    const int positions = std::min(g_rallaPositions, kRallaMaxPositions);
    const int32_t* tools = BarSetup();
    for (int p = 0; p < positions && position < 0; ++p)
        if (tools[p] != 0 && tools[p] == m.Uten) position = p;
    const bool specialProfile = strcasecmp(currentBar->series, "ALF_PLUS") == 0 &&
                                strcasecmp(currentBar->code, "120X300") == 0 && s.options.SLITTA_MAND1 != 0;
    const bool skipY = specialProfile && IsSpecialToolFigure(m.Figura) && position == 0;
    const int32_t pts[4][2] = {{m.YM, top}, {m.YM, bottom}, {m.Ym, top}, {m.Ym, bottom}};
    for (const auto& pt : pts) {
        const double c = pt[0], d = pt[1];
        double y, z;
        switch (m.Tipo) {
        case kFace0: y = m.rallaY + c; z = m.rallaZ + d; break;
        case kFace90: y = m.rallaY - d; z = m.rallaZ + c; break;
        case kFace180: y = m.rallaY - c; z = m.rallaZ - d; break;
        case kFaceMinus90: y = m.rallaY + d; z = m.rallaZ - c; break;
        default:
            y = c * m.cosine - d * m.sine + m.rallaY;
            z = d * m.cosine + c * m.sine + m.rallaZ;
            break;
        }
        if (position >= 0) {
            y -= s.OFFY_T[position];
            z -= s.OFFZ_T[position];
        }
        const int32_t Y = static_cast<int32_t>(y), Z = static_cast<int32_t>(z);
        if (!skipY && (Y > s.Y_TRAVEL_MAX || Y < s.Y_TRAVEL_MIN)) {
            m.Flags |= kFlagReachY;
            FormatMachiningValueMessage(m, "ING_Y_LAV", Y > s.Y_TRAVEL_MAX ? Y - s.Y_TRAVEL_MAX : Y - s.Y_TRAVEL_MIN);
            return 1;
        }
        if (!(MachineVariant == 2 && m.TipoLavor == kKindFigure6000) && (Z > s.Z_TRAVEL_MAX || Z < s.Z_TRAVEL_MIN)) {
            m.Flags |= kFlagReachZ;
            FormatMachiningValueMessage(m, "ING_Z_LAV", Z > s.Z_TRAVEL_MAX ? Z - s.Z_TRAVEL_MAX : Z - s.Z_TRAVEL_MIN);
            return 1;
        }
    }
    return 0;
}

bool BarComputation::ToolIsMounted(const WorkingMachining& m) const {
    const int positions = std::min(g_rallaPositions, kRallaMaxPositions);
    const int32_t* tools = BarSetup();
    for (int p = 0; p < positions; ++p)
        if (tools[p] != 0 && tools[p] == m.Uten) return true;
    return false;
}

int BarComputation::CheckMachinings() {
    const MachineSettings& s = S();
    const BarValues bv = BarEngineValues(*currentBar);
    if (bv.wantsShortPieceCheck != 0 && MachineVariant != 1) {
        int64_t m = int64_t{currentBar->length} + 1;
        for (int i = 0; i < orderedMachinings; ++i) m = std::min<int64_t>(m, order[static_cast<std::size_t>(i)]->Xm);
        const int64_t r = m - s.X_TRAVEL_MIN;
        if (r < bv.minimumGrip || r < int64_t{s.PERC_SBALZO_IN} * currentBar->length / 100) {
            currentBar->checkCode = 3;
            SetErrorText("%s", MsgError("PIECE_TOO_SHORT"));
            return 1;
        }
    }
    bool noticeGiven = false, noticeBlocked = false;
    const bool specialProfile = strcasecmp(currentBar->series, "ALF_PLUS") == 0 &&
                                strcasecmp(currentBar->code, "120X300") == 0 && s.options.SLITTA_MAND1 != 0;
    for (int i = 0; i < orderedMachinings; ++i) {
        WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        if (IsBladeKind(m.TipoLavor) || m.active == 0) continue;
        m.Flags = 0;
        if (m.programKind == kProgramCompiled && m.depthSteps > 1) {
            m.Flags |= kFlagFigure;
            FormatMachiningMessage(m, "ERR_NZETA_VLK");
            return 1;
        }
        if (CheckMachiningTool(m) != 0) return 1;
        if (m.depthStepMarker == 1 && m.roughMark2 == 2 && m.depthSteps >= 1) {
            const DepthStepRecord& last = m.depthStepRecords[std::min(m.depthSteps, kMaxDepthSteps) - 1];
            if ((last.flags & 1) != 0 && !noticeGiven && !noticeBlocked) {
                m.Flags |= kFlagDiameterNotice;
                FormatMachiningMessage(m, "ERR_DIAMETRO");
                noticeGiven = true;
            }
        }
        if ((m.Flags & 0x4c00) != 0) noticeBlocked = true;
        if (IsSpecialToolFigure(m.Figura) && specialProfile) {
            const int32_t* t = BarSetup();
            const char* key = nullptr;
            if (t[0] == t[2]) key = "ERR_UTENMAND13";
            else if (m.Figura <= 7013 && m.AngFig % 90000 != 0) key = "ERR_ANGFIG";
            else if ((m.Figura <= 7003 || m.Figura >= 7021) && m.Uten != t[0]) key = "ERR_UTENMAND1";
            else if ((m.Figura <= 7003 || m.Figura >= 7021) && m.Tipo != kFace0 && m.Tipo != kFace180) key = "ERR_FACCIA16";
            else if (m.Figura >= 7011 && m.Figura <= 7013 && m.Uten != t[2]) key = "ERR_UTENMAND3";
            else if (m.Figura >= 7011 && m.Figura <= 7013 && m.Tipo != kFace180) key = "ERR_FACCIA6";
            if (key != nullptr) {
                m.Flags |= kFlagSpecialTool;
                FormatMachiningMessage(m, key);
                return 1;
            }
        }
        if (m.TipoLavor == kKindRalla && !ToolIsMounted(m)) {
            // No position of the bar's set-up holds the tool: the head cannot work it.
            m.Flags |= kFlagTool;
            FormatMachiningMessage(m, "ERR_TOOL_AUTOM");
            return 1;
        }
        if (CheckMachiningReach(m) != 0) return 1;
        if (MachineVariant != 2 && int64_t{m.XM} - m.Xm > int64_t{s.X_TRAVEL_MAX} - s.X_TRAVEL_MIN) {
            m.Flags |= kFlagReachX;
            FormatMachiningMessage(m, "ING_X_LAV");
            return 1;
        }
        if (m.speedGiven != 0 &&
            g_pRallaTools->IsToolDataInRange(g_pRallaTools->Tool(m.Uten).kind, m.Vel_rot, m.Vel_lav, m.Vel_sfond) == 0) {
            m.Flags |= kFlagTool;
            FormatMachiningMessage(m, "WRONG_SPEED");
            return 1;
        }
    }
    if (s.CK_MASC_SVAS != 0) return CheckTapCountersinkUse();
    return 0;
}

// A tap or countersink whose set runs it before a hole under it (its priority lower than the
// hole's) is refused: it would meet solid metal. A hole of another set, of no set or of the
// same priority is no fault: the ordering links it before the tap.
int BarComputation::CheckTapCountersinkUse() {
    std::vector<WorkingMachining*> sorted(order.begin(), order.begin() + orderedMachinings);
    MergeSort(sorted.data(), sorted.size(), CompareTapFirst);
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        WorkingMachining& a = *sorted[i];
        if (a.Figura != 6) break;
        for (std::size_t j = 0; j < sorted.size(); ++j) {
            const WorkingMachining& b = *sorted[j];
            if (!LiesUnder(b, a) || !SetPutsTapFirst(b, a)) continue;
            a.Flags |= kFlagTool;
            FormatMachiningMessage(a, IsTapMachining(a) != 0 ? "ERR_USO_MASCHIO" : "ERR_USO_SVAS");
            return 1;
        }
    }
    return 0;
}
