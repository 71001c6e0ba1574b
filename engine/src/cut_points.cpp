// Cut points of blade cuts on machine variant 1: the end cuts of a piece planned against the
// profile section, the four corner points of a rotated cut, and the links of a rotated cut to
// the end cut it meets.
#include <cmath>
#include <cstdio>
#include <cstring>

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

int32_t Milli(double mm) { return plat::TruncToInt32(mm * 1000.0); }

bool Reversed() { return MachineVariant == 1 && g_pSettings != nullptr && g_pSettings->CONF_CARICO != 0; }

int32_t EndAngleOf(const WorkingPiece& p, int end) { return end == 0 ? p.ADx : p.ASx; }

} // namespace

// ---------------------------------------------------------------- copies and links

void GivePieceCopy(WorkingMachining& m, int32_t pieceId) {
    m.pieceCopy = std::make_unique<uint8_t[]>(256);
    std::memset(m.pieceCopy.get(), 0, 256);
    const uint32_t u = static_cast<uint32_t>(pieceId);
    for (int i = 0; i < 4; ++i) m.pieceCopy[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t PieceCopyId(const WorkingMachining& m) {
    if (!m.pieceCopy) return 0;
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(m.pieceCopy[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

EndCutCopy TakeEndCutCopy(WorkingMachining& m, const WorkingPiece& piece, int end) {
    EndCutCopy c;
    c.record = &m;
    c.Id = m.Id;
    c.pieceId = piece.Id;
    c.X = m.X;
    c.endX[0] = piece.endCutX[2 * end];
    c.endX[1] = piece.endCutX[2 * end + 1];
    c.endCutMode = m.endCutMode;
    c.overlap = m.overlap;
    c.Lav_afterCount = m.Lav_afterCount;
    std::memcpy(c.Lav_after, m.Lav_after, sizeof c.Lav_after);
    c.valid = true;
    return c;
}

void WriteBackEndCutCopy(const EndCutCopy& c) {
    if (!c.valid || c.record == nullptr) return;
    WorkingMachining& m = *c.record;
    m.endCutMode = c.endCutMode;
    m.overlap = c.overlap;
    m.Lav_afterCount = c.Lav_afterCount;
    std::memcpy(m.Lav_after, c.Lav_after, sizeof m.Lav_after);
    GivePieceCopy(m, c.pieceId);
}

bool AppendLink(int32_t& count, int32_t* list, int32_t id) {
    if (count < 0) count = 0;
    if (count >= kMaxLinks) return false;
    list[count++] = id;
    return true;
}

bool PutLavBefore(WorkingMachining& m, int32_t id) {
    for (int k = 0; k < kMaxLinks; ++k) {
        if (m.LavBefore[k] == 0) {
            m.LavBefore[k] = id;
            if (m.LavBeforeCount < k + 1) m.LavBeforeCount = k + 1;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- end cuts against the section

int PlanSectionEndCut(int side, const BarRecord& bar, const WorkingPiece& piece, WorkingMachining& m,
                      const DxfSection& section) {
    const MachineSettings& s = S();
    const int firstEnd = Reversed() ? 1 : 0;
    const int otherEnd = 1 - firstEnd;
    if (side != firstEnd && side != otherEnd) return 0;
    const int direction = side == firstEnd ? 1 : 0;
    for (int k = 0; k < kMaxCutPoints; ++k) {
        m.cutPointX[k] = m.cutPointY[k] = m.cutPointZ[k] = 0;
        m.cutPointFlags[k] = 0;
    }
    m.cutPointMode = 1;
    m.X = piece.endCutX[2 * side];
    m.cutPointX[0] = m.X;
    const double x0 = FromThousandths(m.X);
    const int32_t angle = EndAngleOf(piece, side);
    const SectionRectangle rect = SectionRectangleOf(bar);
    const double W = FromThousandths(rect.highX) - FromThousandths(rect.lowX);
    int k = 0;
    bool failed = false;
    auto store = [&](double x, double y, double z, int flag) {
        if (k >= kMaxCutPoints) return;
        m.cutPointX[k] = Milli(x);
        m.cutPointY[k] = Milli(y);
        m.cutPointZ[k] = Milli(z);
        m.cutPointFlags[k] = flag;
        ++k;
    };
    if (angle != 90000) {
        const double a = angle / 1000.0;
        m.cutAngle = a;
        double x = x0, y = 0, z = 0, chord = 0;
        using Search = int (DxfSection::*)(int, int, double, double&, double&, double&, double&) const;
        auto attempt = [&](Search f) {
            x = x0;
            return (section.*f)(side, direction, a, x, y, z, chord) == 1;
        };
        const int mode = bar.CUT_MODE_NO_90;
        bool found = false;
        if (direction == 1) {
            if (mode == 0)
                found = attempt(&DxfSection::BladeClearanceA);
            else if (mode == 2)
                found = attempt(&DxfSection::BladeClearanceB);
            else if (W < FromThousandths(s.L_PROF_LR_ANT) && a > 90.0 && a < 180.0)
                found = attempt(&DxfSection::BladeClearanceD);
            else
                found = attempt(&DxfSection::BladeClearance);
            if (!found && (mode == 0 || mode == 2)) found = attempt(&DxfSection::BladeClearance);
        } else {
            const bool longPiece =
                piece.Lung > s.DIM_MAX_PZ_BOT && (mode == 1 || piece.Lung <= s.DIM_PZ_CORTO);
            if (longPiece) {
                if (a > 90.0 && a < 180.0)
                    found = attempt(&DxfSection::BladeClearanceC) || attempt(&DxfSection::BladeClearanceD);
                else if (a > 0.0 && a < 90.0)
                    found = attempt(&DxfSection::BladeClearanceD) || attempt(&DxfSection::BladeClearanceC);
            } else {
                if (mode == 0) found = attempt(&DxfSection::BladeClearanceA);
                if (mode == 2) found = attempt(&DxfSection::BladeClearanceB);
                if (!found) found = attempt(&DxfSection::BladeClearance);
            }
        }
        if (found) {
            store(x, y, z, 16);
        } else {
            // Two passes at the cut angle: the second X is the first moved by the section's width
            // along the cut line (W * cot(angle), written as cos/sin).
            const double rad = DegToRad(a);
            const double sn = std::sin(rad), cs = std::cos(rad);
            if (std::fabs(sn) > 1e-9) {
                const double shifted = x0 - W * cs / sn;
                double x1 = a >= 90.0 ? shifted : x0;
                double x2 = a >= 90.0 ? x0 : shifted;
                double yl = 0, yr = 0, zz = 0;
                if (section.ToolPositionAngled(side, 1, a, x1, x2, yl, yr, zz) == 1) {
                    store(x1, yl, zz, 32);
                    store(x2, yr, zz, 32);
                } else {
                    failed = true;
                }
            } else {
                failed = true;
            }
        }
    } else {
        m.cutAngle = 90.0;
        double x = x0, y = 0, z = 0;
        using Search = int (DxfSection::*)(int, int, double&, double&, double&) const;
        auto attempt = [&](Search f) {
            x = x0;
            return (section.*f)(side, direction, x, y, z) == 1;
        };
        const int mode = bar.CUT_MODE_90;
        bool found = mode == 0   ? attempt(&DxfSection::ToolPositionA)
                     : mode == 2 ? attempt(&DxfSection::ToolPositionC)
                                 : attempt(&DxfSection::ToolPositionB);
        if (!found && ((direction == 1 && (mode == 0 || mode == 2)) || (direction == 0 && mode == 0)))
            found = attempt(&DxfSection::ToolPositionB);
        if (found) {
            store(x, y, z, 1);
        } else {
            double yl = 0, yr = 0;
            x = x0;
            if (section.ToolPositionD(side, direction, x, yl, yr, z) == 1) {
                store(x, yl, z, 2);
                store(x, yr, z, 2);
            } else {
                failed = true;
            }
        }
    }
    if (failed) {
        SetErrorText("%s %s", MsgError("ERR_PIECE_BIG"), piece.Nome);
        return 1;
    }
    std::snprintf(m.cutTool, sizeof m.cutTool, "%s", "DISK");
    return 0;
}

// ---------------------------------------------------------------- rotated cuts

int BarComputation::RotatedCutCorners(WorkingMachining& m) {
    const MachineSettings& s = S();
    m.cutPointMode = 4;
    double a = m.cutAngle;
    if (!std::isfinite(a)) return 1;
    while (a >= 360.0) a -= 360.0;
    while (a <= -180.0) a += 360.0;
    m.cutAngle = a;
    // Length and width of the cut are the machining's first two parameters.
    const int32_t D = m.params[0] / 2 - m.params[1] / 2;
    // Machining Z is already in the section's frame (the profile offsets were applied at
    // loading), so the heights add only the two depth fields: adding the bar's low Y edge as
    // well would count the section's offset twice.
    const int32_t h1 = m.Z + m.totalDepth;
    const int32_t h2 = m.Z + m.stepDepth;
    double x1, y1, x2, y2;
    if (a == 90.0) {
        x1 = x2 = m.X;
        y1 = static_cast<double>(m.Y) - D;
        y2 = static_cast<double>(m.Y) + D;
    } else if (a == 0.0 || a == 180.0) {
        x1 = static_cast<double>(m.X) - D;
        x2 = static_cast<double>(m.X) + D;
        y1 = y2 = m.Y;
    } else {
        const double r = DegToRad(a);
        const double c = std::cos(r) * D, sn = std::sin(r) * D;
        if (a < 0.0 || a > 180.0) {
            x1 = m.X - c;
            y1 = m.Y + sn;
            x2 = m.X + c;
            y2 = m.Y - sn;
        } else {
            x1 = m.X + c;
            y1 = m.Y - sn;
            x2 = m.X - c;
            y2 = m.Y + sn;
        }
    }
    const int32_t ex[4] = {plat::TruncToInt32(x1), plat::TruncToInt32(x1), plat::TruncToInt32(x2),
                           plat::TruncToInt32(x2)};
    const int32_t ey[4] = {plat::TruncToInt32(y1), plat::TruncToInt32(y1), plat::TruncToInt32(y2),
                           plat::TruncToInt32(y2)};
    const int32_t ez[4] = {h1, h2, h2, h1};
    const int32_t across = s.SPESS_LAMA + s.OFF_X_LAMA;
    int below = 0, above = 0;
    for (int k = 0; k < 4; ++k) {
        m.cutPointX[k] = PolarXMinusCos(ex[k], a, s.OFF_Y_LAMA, across);
        m.cutPointY[k] = PolarYPlusSin(ey[k], a, s.OFF_Y_LAMA, across);
        m.cutPointZ[k] = ez[k];
        m.cutPointFlags[k] = 4;
        if (ey[k] < 1)
            ++below;
        else
            ++above;
    }
    if (below == 4 || above == 4) {
        m.nearHorizontal = 1;
        const bool flat = std::fabs(a) <= 5.0 || std::fabs(a - 180.0) <= 5.0 || std::fabs(a - 360.0) <= 5.0;
        if (flat) {
            if (m.params[0] != m.params[1]) return 1;
            for (int k = 1; k < 4; ++k) m.cutPointX[k] = m.cutPointX[0];
        }
    }
    return 0;
}

namespace {

// Blade segments of a rotated cut in the bar's plan and their X range.
struct BladeSegments {
    LineEntity seg[2];
    double minX = 0, maxX = 0;
};

BladeSegments RotatedCutSegments(const WorkingMachining& m) {
    const MachineSettings& s = S();
    const double a = m.cutAngle;
    const int32_t offsets[2] = {s.SPESS_LAMA + s.OFF_X_LAMA, s.OFF_X_LAMA};
    BladeSegments b;
    const double stretch = std::cos(DegToRad(a)) * m.overrunXVice * 1000.0;
    bool first = true;
    for (int i = 0; i < 2; ++i) {
        double xs = PolarXPlusCos(m.cutPointX[0], a, s.OFF_Y_LAMA, offsets[i]);
        const double ys = PolarYMinusSin(m.cutPointY[0], a, s.OFF_Y_LAMA, offsets[i]);
        double xe = PolarXPlusCos(m.cutPointX[2], a, s.OFF_Y_LAMA, offsets[i]);
        const double ye = PolarYMinusSin(m.cutPointY[2], a, s.OFF_Y_LAMA, offsets[i]);
        if (m.nearHorizontal != 0) {
            xs -= stretch;
            xe += stretch;
        }
        MakeLineEntity(xs, ys, xe, ye, b.seg[i]);
        for (double x : {xs, xe}) {
            if (first || x < b.minX) b.minX = x;
            if (first || x > b.maxX) b.maxX = x;
            first = false;
        }
    }
    return b;
}

bool MeetsEndCut(const BladeSegments& b, const EndCutCopy& c, int32_t lowX, int32_t highX, double& crossX) {
    if (!c.valid) return false;
    LineEntity cut;
    MakeLineEntity(c.endX[0], lowX, c.endX[1], highX, cut);
    for (const LineEntity& seg : b.seg) {
        double x = 0, y = 0;
        if (IntersectEntities(seg, cut, x, y, 1) == 1) {
            crossX = x;
            return true;
        }
    }
    return false;
}

int CheckRotated(const WorkingPiece& p, WorkingMachining& m, EndCutCopy& other, EndCutCopy& first, int32_t lowX,
                 int32_t highX, bool reversed) {
    const MachineSettings& s = S();
    m.overrunX = m.overrunXVice = 0;
    if (m.nearHorizontal != 0) {
        const double R = FromThousandths(s.DIAM_LAMA / 2);
        const double P = FromThousandths(s.DIAM_LAMA / 2 + (g_pBarList != nullptr && g_pBarList->currentBar != nullptr
                                                                 ? g_pBarList->currentBar->zMax
                                                                 : 0) -
                                         m.cutPointZ[1]);
        if (P > FromThousandths(s.DIAM_LAMA / 2 - s.DIAM_FLANGIA_LAMA / 2)) return 1;
        if (P <= 0) {
            m.nearHorizontal = 0;
        } else if (R > 0) {
            const double c = std::cos(DegToRad(m.cutAngle));
            auto overrun = [&](double pen) {
                double q = (R - pen) / R;
                q = q < -1.0 ? -1.0 : (q > 1.0 ? 1.0 : q);
                return std::fabs(std::sin(std::acos(q)) * R * c);
            };
            m.overrunX = overrun(P);
            m.overrunXVice = overrun(P + FromThousandths(s.DELTA_H_MORSE_CL));
        }
    }
    const BladeSegments b = RotatedCutSegments(m);
    double crossX = 0;
    if (MeetsEndCut(b, first, lowX, highX, crossX) && first.pieceId == p.Id) {
        const double ov = reversed ? b.maxX - MaxReal(b.minX, first.X) : MinReal(first.X, b.maxX) - b.minX;
        m.overlap = plat::TruncToInt32(ov);
        if (first.endCutMode != 3) {
            if (first.overlap < m.overlap) first.overlap = m.overlap;
            if (!AppendLink(first.Lav_afterCount, first.Lav_after, m.Id)) return kLinkListFull;
        }
        if (!PutLavBefore(m, first.Id)) return kLinkListFull;
        m.endCutMode = 1;
        return 0;
    }
    if (MeetsEndCut(b, other, lowX, highX, crossX) && other.pieceId == p.Id) {
        const double ov = reversed ? MinReal(b.maxX, other.X) - b.minX : b.maxX - MaxReal(b.minX, other.X);
        m.overlap = plat::TruncToInt32(ov);
        if (other.overlap < m.overlap) other.overlap = m.overlap;
        if (!AppendLink(other.Lav_afterCount, other.Lav_after, m.Id)) return kLinkListFull;
        if (!PutLavBefore(m, other.Id)) return kLinkListFull;
        m.endCutMode = 2;
        return 0;
    }
    return 0;
}

} // namespace

int CheckRotatedCutNeighbours(BarComputation&, const WorkingPiece& p, WorkingMachining& m, EndCutCopy& otherEnd,
                              EndCutCopy& firstEnd, int32_t lowX, int32_t highX) {
    return CheckRotated(p, m, otherEnd, firstEnd, lowX, highX, false);
}

int CheckRotatedCutNeighboursReversed(BarComputation&, const WorkingPiece& p, WorkingMachining& m,
                                      EndCutCopy& otherEnd, EndCutCopy& firstEnd, int32_t lowX, int32_t highX) {
    return CheckRotated(p, m, otherEnd, firstEnd, lowX, highX, true);
}
