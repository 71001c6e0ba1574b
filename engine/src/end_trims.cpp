// End trims: the blade cuts at both ends of every piece of the current bar, the pieces'
// machinings placed at their X in the bar, and on machine variant 1 every blade cut planned
// against the profile section and linked to the end cuts it meets.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/bar_computation.h"
#include "engine/dxf_section.h"
#include "engine/end_cuts.h"
#include "machine/error_text.h"
#include "machine/geometry.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "platform/text.h"

namespace {

const MachineSettings& S() { return *g_pSettings; }

int32_t EndAngle(const WorkingPiece& p, int end) { return end == 0 ? p.ADx : p.ASx; }
int32_t OuterX(const WorkingPiece& p, int end) { return p.endCutX[2 * end]; }
int32_t InnerX(const WorkingPiece& p, int end) { return p.endCutX[2 * end + 1]; }
int32_t LargerX(const WorkingPiece& p, int end) { return std::max(OuterX(p, end), InnerX(p, end)); }
int32_t SmallerX(const WorkingPiece& p, int end) { return std::min(OuterX(p, end), InnerX(p, end)); }
// The kerf of an end's cut along the bar: the trim taken off the piece at that end.
int32_t TrimLength(WorkingPiece& p, int end) { return p.BladeOffset(end); }
// The two end lengths of a piece end: how far beyond its outer X the cut reaches along the bar,
// for the blade's side at the end's angle and for the blade's reference across the profile.
int32_t EndLengths(WorkingPiece& p, int end) { return p.BladeSideOffset(end) + p.ProfileOffset(end); }

} // namespace

namespace {

// Brings a blade angle below 360 by steps of 360, then under 270 by one more step.
double BelowTwoSeventy(double a) {
    while (a >= 360.0) a -= 360.0;
    if (a >= 270.0) a -= 360.0;
    return a;
}

} // namespace

// The blade angle of a cross cut (kind 4) by its rotation, with the move to the blade's other
// face. false: a rotation other than 90000 or 270000.
bool CrossCutAngle(WorkingMachining& m, int32_t halfWidth, bool reversed) {
    const MachineSettings& s = S();
    int32_t rot = m.AngFig;
    if (rot > 360000)
        rot -= 360000;
    else if (rot < 0)
        rot += 360000;
    if (rot != 90000 && rot != 270000) return false;
    double a = std::isfinite(m.cutAngle) ? m.cutAngle : 0.0;
    if (reversed) a = -a;
    if (rot == 90000)
        a = 180.0 + a;
    else
        a = a > 0 ? a - 180.0 : a + 180.0;
    a = BelowTwoSeventy(a);
    if (rot == 270000 && a * 1000.0 < s.Q_MIN_LAMA) a += 360.0;
    if (a == -180.0) a = 180.0;
    if (a != 0.0 && a != 180.0) {
        const double t = s.SPESS_LAMA;
        auto moveFace = [&]() {
            const double r = DegToRad(a);
            m.Y = plat::TruncToInt32(m.Y + std::cos(r) * t);
            m.X = plat::TruncToInt32(m.X + std::sin(r) * t);
        };
        if (m.Y > halfWidth && a > 90.0 && a < 270.0) {
            moveFace();
            a -= 180.0;
        } else if (m.Y < halfWidth && a > -90.0 && a < 90.0) {
            moveFace();
            a += 180.0;
        }
        a = BelowTwoSeventy(a);
        const double r = DegToRad(a);
        const double ds = std::fabs(std::sin(r)) * t, dc = std::fabs(std::cos(r)) * t;
        if (a * 1000.0 > s.Q_MAX_LAMA) {
            m.X = plat::TruncToInt32(m.X - ds);
            m.Y = plat::TruncToInt32(a < 270.0 ? m.Y - dc : m.Y + dc);
            a -= 180.0;
        } else if (a * 1000.0 < s.Q_MIN_LAMA) {
            m.X = plat::TruncToInt32(m.X - ds);
            m.Y = plat::TruncToInt32(a < -90.0 ? m.Y - dc : m.Y + dc);
            a += 180.0;
        }
    }
    m.cutAngle = a;
    m.ATaglio = plat::TruncToInt32(a * 1000.0);
    return true;
}

// The blade angle of a rotated cut (kind 5).
void RotatedCutAngle(WorkingMachining& m, bool reversed) {
    const MachineSettings& s = S();
    int64_t rot = m.AngFig;
    while (rot > 360000) rot -= 360000;
    while (rot < -360000) rot += 360000;
    m.AngFig = static_cast<int32_t>(rot);
    double a = std::isfinite(m.cutAngle) ? m.cutAngle : 0.0;
    if (reversed) {
        a = -a;
        if (a * 1000.0 < s.Q_MIN_LAMA)
            a += 360.0;
        else if (a * 1000.0 > s.Q_MAX_LAMA)
            a -= 360.0;
    }
    if (rot > 0) a = a > 0 ? a + 180.0 : 180.0 - a;
    m.cutAngle = a;
    m.ATaglio = plat::TruncToInt32(a * 1000.0);
}

namespace {

int HeadCut(BarComputation& bc, const WorkingPiece& p, WorkingMachining& m, EndCutCopy& other, EndCutCopy& first,
            int32_t lowX, int32_t highX, bool reversed) {
    const MachineSettings& s = S();
    m.passOver = 0;
    m.extraLength = 0;
    // The blade's two faces in the bar's plan: a chord of the blade's diameter through the cut's
    // X and Y at the blade angle, and the same moved by the blade's thickness.
    const double a = m.cutAngle;
    const double r = DegToRad(a);
    const double c = a == 90.0 ? 0.0 : std::cos(r), sn = a == 90.0 ? 1.0 : std::sin(r);
    const double half = s.DIAM_LAMA / 2.0;
    LineEntity seg[2];
    double bMin[2], bMax[2];
    for (int i = 0; i < 2; ++i) {
        const double ox = i == 0 ? 0.0 : sn * s.SPESS_LAMA, oy = i == 0 ? 0.0 : -c * s.SPESS_LAMA;
        const double x1 = m.X + ox - c * half, y1 = m.Y + oy - sn * half;
        const double x2 = m.X + ox + c * half, y2 = m.Y + oy + sn * half;
        MakeLineEntity(x1, y1, x2, y2, seg[i]);
        bMin[i] = std::min(x1, x2);
        bMax[i] = std::max(x1, x2);
    }
    const int32_t zTop = bc.currentBar != nullptr ? bc.currentBar->zMax : 0;
    const int32_t depth = std::max<int32_t>(0, zTop - m.Z);
    for (int which = 0; which < 2; ++which) {
        EndCutCopy& e = which == 0 ? first : other;
        if (!e.valid || e.pieceId != p.Id) continue;
        LineEntity cut;
        MakeLineEntity(e.endX[0], lowX, e.endX[1], highX, cut);
        double crossX = 0, y = 0;
        bool met = false;
        for (const LineEntity& b : seg)
            if (!met && IntersectEntities(b, cut, crossX, y, 1) == 1) met = true;
        if (!met) continue;
        const double cutMin = std::min(e.endX[0], e.endX[1]), cutMax = std::max(e.endX[0], e.endX[1]);
        // Beyond the end cut: past its larger X for the first-end cut, past its smaller X for the
        // other-end cut (directions exchanged with reversed loading).
        const bool firstSide = (which == 0) != reversed;
        m.passOver = firstSide ? (m.X > cutMax ? 1 : 0) : (m.X < cutMin ? 1 : 0);
        double lo = 0, hi = 0;
        SegmentOverlap(std::min(bMin[0], bMin[1]), std::max(bMax[0], bMax[1]), cutMin, cutMax, crossX, lo, hi);
        const int32_t base = s.X_TRAVEL_MAX - s.DIST_LAMA;
        m.workRange[1][0] = m.Xm = plat::TruncToInt32(base + lo);
        m.workRange[1][1] = m.XM = plat::TruncToInt32(base + hi);
        if (m.passOver != 0) {
            // How far each face still has to travel to clear the end cut.
            double shortfall[2];
            for (int i = 0; i < 2; ++i) shortfall[i] = firstSide ? cutMax - bMin[i] : bMax[i] - cutMin;
            const double least = std::min(shortfall[0], shortfall[1]);
            if (least > 0) m.extraLength = plat::TruncToInt32(least);
        }
        m.overlap = plat::TruncToInt32(hi - lo);
        if (depth > s.DIAM_LAMA / 2 - s.DIAM_FLANGIA_LAMA / 2) return 1;
        if (e.overlap < m.overlap) e.overlap = m.overlap;
        if (!(which == 0 && e.endCutMode == 3))
            if (!AppendLink(e.Lav_afterCount, e.Lav_after, m.Id)) return kLinkListFull;
        m.LavBeforeCount = std::max(m.LavBeforeCount, 1);
        if (!PutLavBefore(m, e.Id)) return kLinkListFull;
        m.endCutMode = which == 0 ? 1 : 2;
        return 0;
    }
    return 0;
}

} // namespace

bool SegmentOverlap(double bladeMinX, double bladeMaxX, double cutMinX, double cutMaxX, double crossX, double& lo,
                    double& hi) {
    lo = std::max(bladeMinX, cutMinX);
    hi = std::min(bladeMaxX, cutMaxX);
    if (lo > hi) {
        lo = hi = crossX;
        return false;
    }
    return true;
}

int CheckHeadCutNeighbours(BarComputation& bc, const WorkingPiece& p, WorkingMachining& m, EndCutCopy& otherEnd,
                           EndCutCopy& firstEnd, int32_t lowX, int32_t highX) {
    return HeadCut(bc, p, m, otherEnd, firstEnd, lowX, highX, false);
}

int CheckHeadCutNeighboursReversed(BarComputation& bc, const WorkingPiece& p, WorkingMachining& m,
                                   EndCutCopy& otherEnd, EndCutCopy& firstEnd, int32_t lowX, int32_t highX) {
    return HeadCut(bc, p, m, otherEnd, firstEnd, lowX, highX, true);
}

namespace {

// A machining of a piece placed in the bar: its X and both pairs of X limits moved by the piece's
// position pos, or, with the bar loaded the other way round, mirrored about it.
void PlaceInBar(WorkingMachining& w, int32_t pos, bool reversed) {
    if (reversed) {
        w.X = pos - w.X;
        const int32_t fm = w.XFm, m2 = w.Xm;
        w.XFm = pos - w.XFM;
        w.XFM = pos - fm;
        w.Xm = pos - w.XM;
        w.XM = pos - m2;
    } else {
        w.X += pos;
        w.XFm += pos;
        w.XFM += pos;
        w.Xm += pos;
        w.XM += pos;
    }
}

// Variant 1: the blade cuts inside the piece (its records before end), each turned or squared
// and linked to the end cuts it meets through their copies. 0; 1 for an internal fault (the
// caller's ERR_INTEST); 2 with the message given: a precedence list with no room left fails the
// bar with TOO_LAV_AFTER rather than dropping the link silently, since a dropped link lets the
// cut run before the end cut it overlaps.
int LinkPieceBladeCuts(BarComputation& bc, WorkingPiece& p, int end, EndCutCopy& otherCopy, EndCutCopy& firstCopy,
                       const SectionRectangle& rect, bool reversed) {
    const int32_t lowX = rect.lowX, highX = rect.highX;
    const int32_t halfWidth = (highX - lowX) / 2;
    for (int k = p.FstLav; k < end; ++k) {
        WorkingMachining& w = *bc.records[static_cast<std::size_t>(k)];
        if (w.active == 0) continue;
        GivePieceCopy(w, p.Id);
        int r = 0;
        if (w.TipoLavor == kKindSlicerBlade) {
            RotatedCutAngle(w, reversed);
            if (bc.RotatedCutCorners(w) != 0) return 1;
            r = reversed ? CheckRotatedCutNeighboursReversed(bc, p, w, otherCopy, firstCopy, lowX, highX)
                         : CheckRotatedCutNeighbours(bc, p, w, otherCopy, firstCopy, lowX, highX);
        } else if (w.TipoLavor == kKindQBlade) {
            if (!CrossCutAngle(w, halfWidth, reversed)) return 1;
            r = reversed ? CheckHeadCutNeighboursReversed(bc, p, w, otherCopy, firstCopy, lowX, highX)
                         : CheckHeadCutNeighbours(bc, p, w, otherCopy, firstCopy, lowX, highX);
        }
        if (r == kLinkListFull) {
            bc.FormatMachiningMessage(w, "TOO_LAV_AFTER");
            return 2;
        }
        if (r != 0) return 1;
    }
    return 0;
}

// Variant 2: the kind of a piece's other-end cut: 3 when it is angled and the next piece's
// first end (next, or the bar's remnant beyond the last piece when longer than DIM_MIN_SCARTO)
// is square, else 1.
int OtherEndCutKindV2(WorkingPiece& p, const WorkingPiece* next, int fe, int oe) {
    if (next != nullptr) return EndAngle(p, oe) != 90000 && EndAngle(*next, fe) == 90000 ? 3 : 1;
    return EndAngle(p, oe) != 90000 && SmallerX(p, oe) > S().DIM_MIN_SCARTO ? 3 : 1;
}

// Variant 1, a bar without pieces: it cannot hold blade cuts (ERR_INT_NO_CUT), and its
// machinings are mirrored onto the bar when it is loaded the other way round.
int PlaceBarWithoutPiecesV1(BarComputation& bc, bool reversed) {
    for (int k = 0; k < bc.machiningCount; ++k) {
        const WorkingMachining& w = *bc.records[static_cast<std::size_t>(k)];
        if (IsBladeKind(w.TipoLavor)) {
            SetErrorText("%s\n(%s)", MsgError("ERR_INT_NO_CUT"), bc.ListName());
            return 1;
        }
    }
    if (!reversed) return 0;
    for (int k = 0; k < bc.machiningCount; ++k) {
        WorkingMachining& w = *bc.records[static_cast<std::size_t>(k)];
        if (w.active != 0) PlaceInBar(w, bc.currentBar->length, true);
    }
    return 0;
}

} // namespace

int BarComputation::ComputeEndTrims() {
    const MachineSettings& s = S();
    BarRecord& bar = *currentBar;
    const int variant = MachineVariant;
    const bool reversed = variant == 1 && s.CONF_CARICO != 0;
    const int fe = reversed ? 1 : 0; // first end
    const int oe = 1 - fe;           // other end
    const SectionRectangle rect = SectionRectangleOf(bar);

    auto fail = [&](const char* key) {
        SetErrorText("%s\n(%s)", MsgError(key), ListName());
        return 1;
    };

    if (variant == 1) {
        // Every end cut of the bar asks the same section; the list keeps every section it has
        // loaded, each while its drawing is unchanged.
        const std::string drawing = SectionDrawingPath(s.DIR_DXF, bar.series, bar.code);
        if (keptSections == nullptr) keptSections = std::make_shared<SectionStore>();
        profileSection = KeepSection(*keptSections, drawing.c_str(), bar.yMin, bar.zMin, bar);
    } else {
        profileSection.reset();
    }

    int nextSlot = machiningCount;
    int32_t cutNumber = 1;
    auto newCut = [&]() -> WorkingMachining* {
        if (nextSlot >= recordCount || nextSlot >= static_cast<int>(records.size())) return nullptr;
        return records[static_cast<std::size_t>(nextSlot++)];
    };
    const int32_t rangeTravel = s.X_TRAVEL_MAX - s.DIST_LAMA;
    auto initCut = [&](WorkingMachining& m, int flag, int end, int32_t x, WorkingPiece& p) {
        m.endFlags = flag;
        m.TipoLavor = kKindEndCut;
        m.ATaglio = EndAngle(p, end);
        m.X = x;
        const int32_t base = OuterX(p, end) + (variant == 1 ? 0 : EndLengths(p, end));
        // The two pairs of X limits: XFm/XFM hold the first, Xm/XM the second.
        m.workRange[0][0] = m.workRange[0][1] = m.XFm = m.XFM = base;
        m.workRange[1][0] = m.workRange[1][1] = m.Xm = m.XM = base + rangeTravel;
        // Both cuts belong to the piece; only the other-end cut finishes it, so only that one
        // has the piece on its right (PezzoDx, 1-based) and unloads it as a piece of the list.
        m.PieceRef = &p;
        m.PezzoDx = flag == 2 ? p.Id : 0;
        if (variant == 1) m.reach = OuterX(p, end) + EndLengths(p, end);
        m.cutNumber = cutNumber++;
    };

    // Indices of the pieces still to make, in bar order.
    std::vector<int> todo;
    for (int i = 0; i < static_cast<int>(pieces.size()); ++i)
        if (pieces[static_cast<std::size_t>(i)]->made == 0) todo.push_back(i);

    EndCutCopy carried, firstCopy, otherCopy;
    bool anyFirstEnd = false;
    int32_t prevOtherLarger = 0, prevOtherOuter = 0;
    int32_t lastLarger = 0, lastSmaller = 0;
    for (std::size_t t = 0; t < todo.size(); ++t) {
        const int i = todo[t];
        WorkingPiece& p = *pieces[static_cast<std::size_t>(i)];
        const bool last = t + 1 == todo.size();
        firstCopy = EndCutCopy{};
        otherCopy = EndCutCopy{};
        // 1. the first-end cut of its own, or the previous piece's other-end cut standing in
        const bool ownFirst = p.sharedCut == 0;
        if (ownFirst) {
            WorkingMachining* m = newCut();
            if (m == nullptr) return fail("ERR_INTEST");
            initCut(*m, 1, fe, LargerX(p, fe), p);
            if (variant == 1) {
                m->endCutMode = 1;
                if (PlanSectionEndCut(fe, bar, p, *m, *profileSection) != 0) return 1;
            }
            const int32_t own = variant == 2 ? OuterX(p, fe) : SmallerX(p, fe);
            if (!anyFirstEnd)
                m->cutPosition = bar.length - TrimLength(p, fe) - own;
            else
                m->cutPosition = (variant == 2 ? prevOtherOuter : prevOtherLarger) - TrimLength(p, fe) - own;
            m->cutKind = 2;
            m->endCutMode = 1;
            SetCutClampCode(*m);
            if (static_cast<std::size_t>(i) < bar.pieceWork1.size()) bar.pieceWork1[static_cast<std::size_t>(i)] = m->Id;
            if (variant == 1) {
                GivePieceCopy(*m, p.Id);
                firstCopy = TakeEndCutCopy(*m, p, fe);
                carried = EndCutCopy{};
            }
            anyFirstEnd = true;
        } else {
            if (static_cast<std::size_t>(i) < bar.pieceWork1.size()) bar.pieceWork1[static_cast<std::size_t>(i)] = 0;
            if (variant == 1 && carried.valid) {
                firstCopy = carried;
                firstCopy.endCutMode = 3;
            }
        }
        // 2. the piece's machinings placed in the bar
        const int32_t pos = reversed ? LargerX(p, 1) : SmallerX(p, 1) + TrimLength(p, 1);
        const int end = std::min<int>(p.FstLav + p.Lav, machiningCount);
        for (int k = p.FstLav; k < end; ++k) {
            WorkingMachining& w = *records[static_cast<std::size_t>(k)];
            if (w.active != 0) PlaceInBar(w, pos, reversed);
        }
        // 3. the other-end cut
        WorkingMachining* o = newCut();
        if (o == nullptr) return fail("ERR_INTEST");
        initCut(*o, 2, oe, SmallerX(p, oe), p);
        if (variant == 1) {
            o->endCutMode = 2;
            if (PlanSectionEndCut(oe, bar, p, *o, *profileSection) != 0) return 1;
        }
        if (variant == 2) {
            o->cutKind = OtherEndCutKindV2(p, last ? nullptr : pieces[static_cast<std::size_t>(todo[t + 1])], fe, oe);
        } else {
            o->cutKind = 1;
            if (variant == 1 && last) o->lastX = SmallerX(p, oe);
        }
        o->cutPosition = p.Lung;
        GivePieceCopy(*o, p.Id);
        SetCutClampCode(*o);
        if (static_cast<std::size_t>(i) < bar.pieceWork2.size()) bar.pieceWork2[static_cast<std::size_t>(i)] = o->Id;
        if (variant == 1) {
            otherCopy = TakeEndCutCopy(*o, p, oe);
            if (!ownFirst && firstCopy.valid) firstCopy.pieceId = p.Id;
        }
        prevOtherLarger = LargerX(p, oe);
        prevOtherOuter = OuterX(p, oe);
        if (last) {
            lastLarger = LargerX(p, oe);
            lastSmaller = SmallerX(p, oe);
        }
        // 4. blade cuts inside the piece (variant 1)
        if (variant == 1) {
            const int r = LinkPieceBladeCuts(*this, p, end, otherCopy, firstCopy, rect, reversed);
            if (r != 0) return r == 2 ? 1 : fail("ERR_INTEST");
            // 5. the copies changed by the checks go back over their records
            WriteBackEndCutCopy(firstCopy);
            WriteBackEndCutCopy(otherCopy);
            carried = otherCopy;
            carried.endCutMode = otherCopy.endCutMode;
        }
    }
    if (!todo.empty()) {
        SetTailClampCode(variant == 0 ? lastLarger : lastSmaller, 2);
        ShiftForHeadTrim(lastLarger, lastSmaller);
    } else {
        SetTailClampCode(bar.length, 1);
    }
    if (pieces.empty() && variant == 1) return PlaceBarWithoutPiecesV1(*this, reversed);
    return 0;
}
