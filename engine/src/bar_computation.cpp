// The list object's bar computation: the pipeline of ComputeBar, the preparation of the
// machinings (face classes, ralla positions, insertion marks), the end offsets, the clamp codes
// of end cuts and the head-trim shift.
#include "engine/bar_computation.h"

#include <algorithm>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "machine/error_text.h"
#include "machine/geometry.h"
#include "machine/globals.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "machine/utils.h"

BarComputation* g_pBarList = nullptr;

namespace {

// Angles of the ralla positions T1..T8.
constexpr int32_t kRallaPositionAngle[kRallaMaxPositions] = {0, 90000, 180000, 270000, 45000, 135000, 225000, 315000};

// The settings record; ComputeBar and CheckListTools refuse to run without one.
const MachineSettings& S() { return *g_pSettings; }

int32_t Truncate(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

} // namespace

// ---------------------------------------------------------------- small operations

int IsFigureMachining(int32_t figure) { return figure >= 1 && figure <= 7 ? 1 : 0; }

void SplitCompoundAngle(int32_t value, int32_t* first, int32_t* second) {
    const int32_t head = value / 100000;
    *first = head * 10;
    *second = (value - head * 100000) * 10;
}

int32_t StepIntoRange(int32_t value, int32_t high, int32_t low, int32_t step) {
    high = RoundToTen(high);
    low = RoundToTen(low);
    if (step <= 0) return value;
    int64_t v = value;
    if (low == 0) {
        while (v >= high) v -= step;
    } else {
        while (v > high) v -= step;
    }
    while (v < low) v += step;
    return static_cast<int32_t>(v);
}

double StepIntoRangeReal(double value, double high, double low, double step) {
    high = static_cast<double>(RoundToTen(Truncate(high)));
    low = static_cast<double>(RoundToTen(Truncate(low)));
    if (!(step > 0) || !std::isfinite(value)) return value;
    if (low == 0) {
        while (value >= high) value -= step;
    } else {
        while (value > high) value -= step;
    }
    while (value < low) value += step;
    return value;
}

static int Sign(int64_t d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

int CompareFaceAngle(const WorkingMachining* a, const WorkingMachining* b) { return Sign(int64_t{a->Angolo} - b->Angolo); }

int CompareTapFirst(const WorkingMachining* a, const WorkingMachining* b) {
    const bool ta = a->Figura == 6, tb = b->Figura == 6;
    if (ta == tb) return 0;
    return ta ? -1 : 1;
}

bool LiesUnder(const WorkingMachining& hole, const WorkingMachining& tap) {
    if (hole.Figura != 1 || tap.Figura != 6 || &hole == &tap) return false;
    if (hole.TipoLavor != kKindRalla || tap.TipoLavor != kKindRalla || hole.active == 0 || tap.active == 0) return false;
    return hole.Angolo == tap.Angolo && FiguresOverlap(hole, tap);
}

bool FiguresOverlap(const WorkingMachining& a, const WorkingMachining& b) {
    if (a.XFm > b.XFM || b.XFm > a.XFM) return false;
    return int64_t{a.RY} + a.YFm <= int64_t{b.RY} + b.YFM && int64_t{b.RY} + b.YFm <= int64_t{a.RY} + a.YFM;
}

bool SetPutsTapFirst(const WorkingMachining& hole, const WorkingMachining& tap) {
    return tap.Insieme != 0 && tap.Insieme == hole.Insieme && tap.Priorita < hole.Priorita;
}

int CompareProgramName(const WorkingMachining* a, const WorkingMachining* b) {
    return Sign(strcasecmp(a->programName, b->programName));
}

int CompareActiveRallaFirst(const WorkingMachining* a, const WorkingMachining* b) {
    if (a->active != 0 && b->active == 0) return -1;
    if (a->active == 0 && b->active != 0) return 1;
    if (a->active != 0 && b->active != 0) {
        const bool ra = a->TipoLavor == kKindRalla, rb = b->TipoLavor == kKindRalla;
        if (ra && !rb) return -1;
        if (!ra && rb) return 1;
    }
    return 0;
}

int ComparePieceId(const WorkingPiece* a, const WorkingPiece* b) { return a->Id - b->Id; }
int CompareRightAngle(const WorkingPiece* a, const WorkingPiece* b) { return Sign(int64_t{a->ADx} - b->ADx); }
int CompareLeftAngle(const WorkingPiece* a, const WorkingPiece* b) { return Sign(int64_t{a->ASx} - b->ASx); }

void FaceClassOf(int32_t angolo, int32_t* tipo, double* sine, double* cosine) {
    switch (angolo) {
    case 0: *tipo = kFace0; *sine = 0; *cosine = 1; return;
    case 90000: *tipo = kFace90; *sine = 1; *cosine = 0; return;
    case 180000: *tipo = kFace180; *sine = 0; *cosine = -1; return;
    case -90000: *tipo = kFaceMinus90; *sine = -1; *cosine = 0; return;
    default: break;
    }
    const double rad = MilliDegToRad(static_cast<double>(angolo));
    *tipo = kFaceOther;
    *sine = std::sin(rad);
    *cosine = std::cos(rad);
}

// ---------------------------------------------------------------- object

BarComputation::BarComputation(const char* path) : BarList(path) {
    currentRallaAngle = g_pRallaTools != nullptr ? g_pRallaTools->currentRallaAngle : kNoRallaAngle;
}

BarComputation::~BarComputation() {
    if (g_pRallaTools != nullptr) g_pRallaTools->currentRallaAngle = currentRallaAngle;
    FreeBarDetail();
    FreeBarList();
}

WorkingMachining* BarComputation::NewRecord() {
    recordStore_.push_back(std::make_unique<WorkingMachining>());
    return recordStore_.back().get();
}

int BarComputation::FreeBarDetail() {
    records.clear();
    order.clear();
    pieces.clear();
    recordStore_.clear(); // each record frees its companion with it
    pieceStore_.clear();
    machiningCount = recordCount = cutCount = orderedMachinings = orderedRecords = 0;
    tailOffset = 0; // the head offcut belongs to the bar just freed
    headShift = 0;
    return 0;
}

void BarComputation::SetFlagOnAll(WorkingMachining* const* recs, int count, uint8_t value) {
    for (int i = 0; i < count; ++i)
        if (recs[i] != nullptr) recs[i]->OrderState = value;
}

int BarComputation::IsTapMachining(const WorkingMachining& m) const {
    if (m.Figura != 6 || g_pRallaTools == nullptr) return 0;
    return g_pRallaTools->Tool(m.Uten).kind == 4 ? 1 : 0;
}

// ---------------------------------------------------------------- pipeline

int BarComputation::ComputeBar(int barIndex, int full) {
    FreeBarDetail();
    if (g_pSettings == nullptr || g_pRallaTools == nullptr || g_pPathTable == nullptr) {
        SetErrorText("%s", MsgError("ERR_READ"));
        return 2;
    }
    if (LoadBarDetail(barIndex) != 0) return 2;
    PrepareMachinings();
    if (full == 0) return 0;
    if (WriteLavDump() != 0) return 2;
    if (WriteDebDump() != 0) return 1;
    if (PrepareEnds() != 0) return 1;
    MarkInsertions();
    return CheckMachinings() != 0 ? 1 : 0;
}

const int32_t* BarComputation::BarSetup() const {
    if (currentBar != nullptr && currentBar->setupStored != 0) return currentBar->chosenTools;
    if (currentBar != nullptr && currentBar == ownSetupBar_) return ownSetup_;
    return listTools_;
}

void BarComputation::PlanOwnSetup() {
    // As the tool-setup optimiser does for a bar on its own: the mounted tools stay, each tool of
    // the bar that is not mounted goes to the first empty position, else to the first position
    // whose tool the bar does not use.
    std::copy(std::begin(listTools_), std::end(listTools_), std::begin(ownSetup_));
    ownSetupBar_ = currentBar;
    if (currentBar == nullptr) return;
    const int n = std::min(g_rallaPositions, kRallaMaxPositions);
    const int32_t* wanted = currentBar->requiredTools;
    const auto requested = [&](int32_t t) { return t != 0 && std::find(wanted, wanted + n, t) != wanted + n; };
    for (int q = 0; q < n; ++q) {
        const int32_t t = wanted[q];
        if (t == 0 || std::find(ownSetup_, ownSetup_ + n, t) != ownSetup_ + n) continue;
        int target = -1;
        for (int p = 0; p < n && target < 0; ++p)
            if (ownSetup_[p] == 0) target = p;
        for (int p = 0; p < n && target < 0; ++p)
            if (!requested(ownSetup_[p])) target = p;
        if (target >= 0) ownSetup_[target] = t;
    }
}

void BarComputation::AssignRallaPositions() {
    const int positions = g_rallaPositions < kRallaMaxPositions ? g_rallaPositions : kRallaMaxPositions;
    const int32_t* tools = BarSetup();
    for (int i = 0; i < orderedMachinings; ++i) {
        WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        for (int p = 0; p < positions; ++p) {
            if (tools[p] != 0 && tools[p] == m.Uten) {
                m.rallaPosition = p;
                int32_t rot = m.Angolo - kRallaPositionAngle[p];
                if (rot > 180000) rot -= 360000;
                if (rot < -179999) rot += 360000;
                m.Pos_Ralla = rot;
                break;
            }
        }
    }
}

int BarComputation::PrepareMachinings() {
    if (g_decentredRalla != 0) AssignRallaPositions();
    MergeSort(order.data(), static_cast<std::size_t>(orderedMachinings), CompareFaceAngle);
    const MachineSettings& s = S();
    bool first = true;
    int32_t lastAngle = 0, tipo = kFace0;
    double sine = 0, cosine = 1;
    for (int i = 0; i < orderedMachinings; ++i) {
        WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        if (first || m.Angolo != lastAngle) FaceClassOf(m.Angolo, &tipo, &sine, &cosine);
        first = false;
        lastAngle = m.Angolo;
        m.Tipo = tipo;
        m.sine = sine;
        m.cosine = cosine;
        switch (tipo) {
        case kFace0: m.RY = m.Y; m.RZ = m.Z; break;
        case kFace90: m.RY = m.Z; m.RZ = -m.Y; break;
        case kFace180: m.RY = -m.Y; m.RZ = -m.Z; break;
        case kFaceMinus90: m.RY = -m.Z; m.RZ = m.Y; break;
        default:
            m.RY = Truncate(m.Z * sine + m.Y * cosine);
            m.RZ = Truncate(m.Z * cosine - m.Y * sine);
            break;
        }
        if (g_decentredRalla != 0) {
            const int p = m.rallaPosition >= 0 && m.rallaPosition < kRallaMaxPositions ? m.rallaPosition : 0;
            const int32_t cY = m.RY - s.OFFY_T[p];
            const int32_t cZ = m.RZ - s.OFFZ_T[p];
            m.centreY = cY;
            m.centreZ = cZ;
            switch (tipo) {
            case kFace0: m.rallaY = cY; m.rallaZ = cZ; break;
            case kFace90: m.rallaY = -cZ; m.rallaZ = cY; break;
            case kFace180: m.rallaY = -cY; m.rallaZ = -cZ; break;
            case kFaceMinus90: m.rallaY = cZ; m.rallaZ = -cY; break;
            default:
                m.rallaY = Truncate(cY * cosine - cZ * sine);
                m.rallaZ = Truncate(cZ * cosine + cY * sine);
                break;
            }
        } else {
            m.centreY = m.RY;
            m.centreZ = m.RZ;
            m.rallaY = m.Y;
            m.rallaZ = m.Z;
        }
    }
    return 0;
}

int BarComputation::MarkInsertions() {
    MergeSort(order.data(), static_cast<std::size_t>(orderedMachinings), CompareFaceAngle);
    const int n = orderedMachinings;
    if (S().INSER_OTTIM == 0) {
        for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)]->insertionMark = 2;
        return 0;
    }
    for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)]->insertionMark = 0;
    for (int i = 0; i < n; ++i) {
        WorkingMachining& a = *order[static_cast<std::size_t>(i)];
        for (int j = i + 1; j < n; ++j) {
            WorkingMachining& b = *order[static_cast<std::size_t>(j)];
            if (b.Angolo != a.Angolo) break;
            if (std::llabs(int64_t{a.X} - b.X) < 1001 && std::llabs(int64_t{a.RY} - b.RY) < 1001) {
                a.insertionMark = 2;
                b.insertionMark = 2;
            }
        }
    }
    return 0;
}

int BarComputation::PrepareEnds() {
    MeasureMadePiecesFresh(); // the offcut of a resumed bar (piece_labels.cpp)
    ComputeEndOffsets();
    int joined = 0;
    if (CheckBarLength(&joined) != 0) return 1;
    MeasureMadePiecesSpan();
    MirrorPieceEnds();
    if (ComputeEndTrims() != 0) return 1;
    MergeSort(order.data(), static_cast<std::size_t>(orderedRecords), CompareActiveRallaFirst);
    orderedMachinings -= joined;
    orderedRecords -= joined;
    return 0;
}

void BarComputation::ComputeEndOffsets() {
    const MachineSettings& s = S();
    const BarValues bv = BarEngineValues(*currentBar);
    std::vector<WorkingPiece*> sorted = pieces;
    for (int end = 0; end < 2; ++end) {
        MergeSort(sorted.data(), sorted.size(), end == 0 ? CompareRightAngle : CompareLeftAngle);
        bool firstHandled = true;
        int32_t lastAngle = 0;
        WorkingPiece* prev = nullptr;
        for (WorkingPiece* p : sorted) {
            if (p->made != 0) continue;
            int32_t& angle = end == 0 ? p->ADx : p->ASx;
            const int32_t flag = end == 0 ? p->SDx : p->SSx;
            // An angle already worked out takes its offsets from the last piece handled, not
            // from the piece before it in the sorted array: that one may be a made piece, whose
            // offsets were never worked out (zeros would go on to the cut).
            if (!firstHandled && prev != nullptr && angle == lastAngle) {
                p->BladeOffset(end) = prev->BladeOffset(end);
                p->BladeSideOffset(end) = prev->BladeSideOffset(end);
                p->ProfileOffset(end) = prev->ProfileOffset(end);
                p->SlopeOffset(end) = prev->SlopeOffset(end);
                const int32_t prevAngle = end == 0 ? prev->ADx : prev->ASx;
                const int32_t prevFlag = end == 0 ? prev->SDx : prev->SSx;
                angle = prevFlag != flag ? 180000 - prevAngle : prevAngle;
                prev = p;
                continue;
            }
            firstHandled = false;
            const int32_t theta = angle;
            lastAngle = theta;
            double k1 = 1, k2 = 0;
            switch (theta) {
            case 67500: k1 = 1.0823922; k2 = 0.41421356; break;
            case 22500: k1 = 2.61312593; k2 = 2.41421356; break;
            case 45000: k1 = 1.41421356; k2 = 1; break;
            case 90000: k1 = 1; k2 = 0; break;
            default: {
                const double rad = MilliDegToRad(static_cast<double>(theta));
                k1 = 1.0 / std::sin(rad);
                k2 = 1.0 / std::tan(rad);
                break;
            }
            }
            if (MachineVariant == 2)
                p->BladeOffset(end) = theta == 90000 ? s.SPESS_LAMA : 0;
            else
                p->BladeOffset(end) = Truncate(s.SPESS_LAMA * k1);
            p->BladeSideOffset(end) = 0;
            p->ProfileOffset(end) = 0;
            p->SlopeOffset(end) = 0;
            if (theta != 90000) {
                p->SlopeOffset(end) = Truncate(static_cast<double>(bv.profileTop - bv.profileBottom) * k2);
                if (s.OFF_X_LAMA != 0) p->BladeSideOffset(end) = Truncate((k1 - 1) * s.OFF_X_LAMA);
                const int32_t d = s.OFF_Y_LAMA - bv.profileBottom;
                if (d != 0) p->ProfileOffset(end) = Truncate(d * k2);
                if (end == 0 && p->SDx == 1) angle = 180000 - angle;
                if (end == 1 && p->SSx == 0) angle = 180000 - angle;
                if (MachineVariant == 1 && s.CONF_CARICO != 0) angle = 180000 - angle;
            }
            prev = p;
        }
    }
    MergeSort(pieces.data(), pieces.size(), ComparePieceId);
}

void BarComputation::MirrorPieceEnds() {
    const bool mirrored = BarEngineValues(*currentBar).mirrored == 1;
    for (WorkingPiece* p : pieces) {
        if (p->made != 0) continue;
        if (mirrored) {
            std::swap(p->endCutX[0], p->endCutX[1]);
            p->ADx = 180000 - p->ADx;
        }
        if (p->ADx < 90000) p->ProfileOffset(0) = -p->ProfileOffset(0);
        if (mirrored) {
            std::swap(p->endCutX[2], p->endCutX[3]);
            p->ASx = 180000 - p->ASx;
        }
        if (p->ASx < 90000) p->ProfileOffset(1) = -p->ProfileOffset(1);
    }
}

// ---------------------------------------------------------------- clamp codes

void BarComputation::SetCutClampCode(WorkingMachining& m) {
    const MachineSettings& s = S();
    const int32_t p = m.cutPosition;
    const int kind = m.cutKind;
    int code = 8;
    switch (MachineVariant) {
    case 2:
        if (kind == 2) {
            if (s.DIM_BOTOLA < 1) {
                if (p < s.MAX_POLVERE) { m.clampCode = 1; return; }
                code = 8;
            } else if (p < s.DIM_BOTOLA) {
                if (p < s.MAX_POLVERE) { m.clampCode = 1; return; }
                code = 2;
            } else {
                code = 8;
            }
        } else if (kind == 3) {
            code = 32;
        } else if (s.DIM_BOTOLA < 1 || p >= s.DIM_BOTOLA) {
            code = 8;
        } else if (p < s.DIM_MIN_PEZZO) {
            code = 2;
        } else {
            code = s.TIPO_SCARIC != 3 ? 8 : 2;
        }
        break;
    case 1:
        if (kind == 2) {
            m.clampCode = p < s.DIM_BOTOLA ? 1 : 8;
            return;
        }
        if (s.options.ASSEC == 0)
            code = p >= s.DIM_MAX_PZ_BOT ? 8 : 2;
        else if (p < s.DIM_MAX_PZ_BOT)
            code = 2;
        else if (p >= s.DIM_CONT_PZ_CORTO)
            code = 8;
        else
            code = 64;
        break;
    default:
        if (kind == 2)
            code = p >= s.DIM_BOTOLA ? 8 : 2;
        else if (p >= s.DIM_BOTOLA)
            code = 8;
        else if (p < s.DIM_MIN_PEZZO)
            code = 2;
        else
            code = s.TIPO_SCARIC != 3 ? 8 : 2;
        break;
    }
    const int32_t barLength = currentBar != nullptr ? currentBar->length : 0;
    const int32_t clamp = (barLength - m.X) + (MachineVariant == 1 ? s.X_MIN_MORSA : s.X_MIN_SPATOLA);
    m.clampPos[0] = m.clampPos[1] = m.clampPos[2] = clamp;
    if (MachineVariant == 2)
        m.clampCode = code == 2 ? 258 : (code == 32 ? 32 : 264);
    else if (s.options.ASSEC == 0)
        m.clampCode = code == 2 ? 258 : 264;
    else
        m.clampCode = code == 2 ? 258 : (code == 64 ? 320 : 264);
}

void BarComputation::SetTailClampCode(int32_t length, int32_t mode) {
    const MachineSettings& s = S();
    tailLength = length;
    tailClampMode = mode;
    switch (MachineVariant) {
    case 0:
        if (mode == 2)
            tailClampCode = length < s.DIM_BOTOLA ? 258 : 264;
        else
            tailClampCode = (length >= s.DIM_BOTOLA || length >= s.DIM_MIN_PEZZO) ? 264 : 258;
        break;
    case 1:
        if (mode == 2)
            tailClampCode = length < s.DIM_BOTOLA ? 258 : 264;
        else
            tailClampCode = length < s.DIM_MAX_PZ_BOT ? 258 : 264;
        break;
    default:
        if (mode == 2) {
            if (s.DIM_BOTOLA < 1)
                tailClampCode = length < s.MAX_POLVERE ? 1 : (length < s.DIM_MIN_SCARTO ? 4 : 264);
            else
                tailClampCode = length < s.MAX_POLVERE ? 1 : (length < s.DIM_BOTOLA ? 2 : 264);
        } else {
            tailClampCode = (s.DIM_BOTOLA > 0 && length < s.DIM_BOTOLA && length < s.DIM_MIN_PEZZO) ? 258 : 264;
        }
        break;
    }
}

void BarComputation::ShiftForHeadTrim(int32_t length, int32_t trim) {
    const MachineSettings& s = S();
    tailOffset = 0;
    headShift = 0;
    if (tailClampCode == 1) return;
    // Automatic loading: always on variants 1 and 2, else with CARIC_AUTOM.
    const int automaticLoading = (MachineVariant == 1 || MachineVariant == 2) ? 1 : (s.CARIC_AUTOM != 0 ? 1 : 0);
    if (automaticLoading == 0 || s.AUTO_TRAS_LAV == 0) return;
    const int32_t subtrahend =
        MachineVariant == 1 ? BarEngineValues(*currentBar).tailLoadingOffset : GetMachineTailScrap(s);
    const int32_t d = trim - subtrahend;
    if (d < 1) return;
    auto shift = [&](WorkingMachining& m) {
        m.X -= d;
        m.XFm -= d;
        m.XFM -= d;
        m.Xm -= d;
        m.XM -= d;
        // An end cut's points stand on the bar as its X does (its first point is its X): they
        // move with it, so that cuts and machinings are positioned on one bar.
        if (MachineVariant == 1 && (IsBladeKind(m.TipoLavor) || m.TipoLavor == kKindEndCut))
            for (int k = 0; k < kMaxCutPoints; ++k)
                if (m.cutPointX[k] != 0) m.cutPointX[k] -= d;
    };
    for (int i = 0; i < orderedMachinings && i < static_cast<int>(order.size()); ++i) {
        WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        if (m.active != 0) shift(m);
    }
    bool firstCut = true;
    for (int i = orderedMachinings; i < orderedRecords && i < static_cast<int>(order.size()); ++i) {
        WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        shift(m);
        if (firstCut) m.cutPosition += d;
        firstCut = false;
        // No companion shift: the loading gives end cuts no companion and no later step makes
        // one (the end trims give a cut its piece copy only), so an end cut never has one.
        SetCutClampCode(m);
    }
    tailOffset = trim - subtrahend - s.SPESS_LAMA;
    headShift = d;
    SetTailClampCode(length - d, 2);
}

// ---------------------------------------------------------------- messages

void BarComputation::FormatMachiningMessage(const WorkingMachining& m, const char* key) {
    if (formatVersion_ >= 12)
        SetErrorText("%s (ID_LAV=%d) (LDT:%s ID_LDT:%d)", MsgError(key), m.Id, m.NomeLdt, m.IdLdt);
    else
        SetErrorText("%s (ID_LAV=%d)", MsgError(key), m.Id);
}

void BarComputation::FormatMachiningValueMessage(const WorkingMachining& m, const char* key, int32_t value) {
    if (formatVersion_ >= 12)
        FormatUnits(g_errorText, kErrorTextSize, "%s (ID_LAV=%d) (LDT:%s ID_LDT:%d) Err=%{X}", MsgError(key), m.Id,
                    m.NomeLdt, m.IdLdt, FromThousandths(value));
    else
        FormatUnits(g_errorText, kErrorTextSize, "%s (ID_LAV=%d) Err=%{X}", MsgError(key), m.Id,
                    FromThousandths(value));
}
