// Part-program body of machine variant 1: vices 3 and 4 beside the blade, an extractor axis, a
// quick unloading, square trims planned against the profile section, and repeated bars within
// one program. Every blade cut goes through the blade-cut block; the unloading of a piece
// follows the cut that freed it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/blade_adapter.h"
#include "engine/dxf_section.h"
#include "engine/end_cuts.h"
#include "engine/iso_generator.h"
#include "iso_record_reading.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/profile_overrides.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "platform/profile.h"
#include "platform/text.h"

using namespace iso_reading;

namespace {

const MachineSettings& S() { return *g_pSettings; }

bool IsAnyCut(const WorkingMachining& r) { return r.TipoLavor == kKindEndCut || IsBladeKind(r.TipoLavor); }

// The end of a piece that is cut first (the bar head side): the left end when the bar is
// loaded the other way round.
int FirstEnd() { return S().CONF_CARICO != 0 ? 1 : 0; }

// Section height of the bar: the difference of its first pair of section limits (Z).
int32_t SectionHeight(const BarRecord& b) { return b.zMax - b.zMin; }

// DELTA_DIMY of the profile: stored as text, taken as a whole number of millimetres.
int32_t ProfileDeltaDimY(const BarRecord& b) {
    double mm = 0;
    if (!plat::ParseDouble(CpReadDeltaDimY(b.series, b.code, S()), mm)) return 0;
    if (!(mm > -2000000.0 && mm < 2000000.0)) return 0;
    return static_cast<int32_t>(std::trunc(mm)) * 1000;
}

// Unloading cause that completes the split R540 line of a variant-1 unloading, or null for an
// operation mode this machine has no unloading for. viceHeld: the vices held the piece at its
// cut (the extractor can take it).
const char* V1UnloadCause(int32_t mode, bool viceHeld) {
    switch (mode) {
    case 0x108:
        if (viceHeld) return "7      { Scarico su scaric. con Spatola }";
        return "6      { Scarico su botola con Spatola }";
    case 0x140:
        if (viceHeld) return "17      { Scarico in contenitore su asse B }";
        return "6      { Scarico su botola con Spatola }";
    case 0x102: return "6      { Scarico su botola con Spatola }";
    case 2: return "2      { Scarico in botola a spinta }";
    case 8: return "4      { Scarico su scaricat. a spinta }";
    case 0x202: return "8      { Multi scarico su botola a spinta }";
    default: return nullptr;
    }
}

// The TAGLIO_SPZ_INIZIALE_90 cause of a head trim: 101 instead of 1 when the trim's scrap,
// reckoned from the unloader (DIST_SCARIC less DIST_LAMA less the trim's X plus X_PAR_MAX),
// is shorter than the least scrap the unloader takes.
int HeadTrimCause(int32_t trimX) {
    const MachineSettings& s = S();
    const int64_t reach = int64_t{s.DIST_SCARIC} - s.DIST_LAMA - trimX + s.X_PAR_MAX;
    return reach < s.DIM_MIN_SCARTO ? 101 : 1;
}

// Loading position R535 of variant 1: the bar's far end at the barrier, or, with the barrier on
// the left and the bar referenced at a change (BARR_SX and RIF_BARR_CH), the barrier itself,
// where the bar's reference end stands.
int32_t LoadingPosition(const BarRecord& b) {
    const MachineSettings& s = S();
    if (s.options.BARR_SX == 0 || s.RIF_BARR_CH == 0) return b.length + s.POSIZ_BARRIERA;
    return s.POSIZ_BARRIERA;
}

// The remnant drops through the trapdoor: the bar is not pre-cut, the remnant is not left on
// the bar (longer than DIM_MAX_SCAR without automatic transfer) and it is too short to keep.
bool RemnantIntoTrapdoor(int32_t remnant) {
    const MachineSettings& s = S();
    if (remnant <= 0) return false;
    if (remnant > s.DIM_MAX_SCAR && s.AUTO_TRAS_LAV == 0) return false;
    return remnant < s.DIM_MIN_SCARTO;
}

// R592 form of a blade cut, decided here only. The bar's first end cut squares the bar head:
// after a head trim it ends the head scrap the trim left ("Finale Spz. iniziale"), else it is the
// bar's initial cut ("Iniziale"). The bar's last end cut is "Finale in botola" when the remnant
// beyond it drops through the trapdoor. A cut that is both (one cut on the bar) takes the head form.
int V1CutFormOf(bool firstEndCut, bool headTrimmed, bool lastEndCut, int32_t remnant) {
    if (firstEndCut) return headTrimmed ? IsoProgramGenerator::kV1FormEndOfHeadScrap : IsoProgramGenerator::kV1FormInitial;
    if (lastEndCut && RemnantIntoTrapdoor(remnant)) return IsoProgramGenerator::kV1FormEndIntoTrapdoor;
    return IsoProgramGenerator::kV1FormNone;
}

} // namespace

// ---------------------------------------------------------------- vices 3 and 4

// Steps of a cut held by the third and fourth vices, all construction decisions in one place:
// - vice 3 grips the section's front face (Y = 0), vice 4 its back face (Y = width);
// - each vice grips where the cut line, at the blade angle, crosses its face: the back face is
//   crossed width * cos A / sin A nearer the vices (below 90 degrees; farther above 90);
// - square cuts cross both faces at the cut's X, and flat cuts (0, 180 degrees) run along the
//   faces: one step, the cut block's own positions;
// - otherwise the bar is fed first to vice 4's crossing, then to vice 3's, the cut's own X, so
//   the blade ends at the cut position;
// - the vices travel with the bar: a step's vice position moves by the step's X shift;
// - the U axis stands at the step's X plus DELTA_X_SUPPORTO_34 less DIST_MORSE34 (the support of
//   the third and fourth vices), as for the cut itself.
bool IsoProgramGenerator::Vice34Shift(int32_t angle, int32_t width, int64_t& shift) {
    shift = 0;
    const double rad = angle / 1000.0 * M_PI / 180.0;
    const double sn = std::sin(rad);
    if (angle != 90000 && std::fabs(sn) > 1e-6 && width > 0) {
        const double d = width * std::cos(rad) / sn;
        if (!(std::fabs(d) < 2e9)) return false; // a crossing no travel reaches
        shift = static_cast<int64_t>(std::llround(d)); // to the nearest thousandth
    }
    return true;
}

int IsoProgramGenerator::Vice34Steps(int32_t x, int32_t vice, int32_t angle, int32_t width, bool uFree,
                                     Vice34Step steps[2]) {
    const MachineSettings& s = S();
    int64_t shift = 0;
    if (!Vice34Shift(angle, width, shift)) return -1;
    int count = 0;
    auto add = [&](int64_t xk) {
        if (xk < s.X_PAR_MIN || xk > s.X_PAR_MAX) return -1;
        const int64_t u = xk + s.DELTA_X_SUPPORTO_34 - s.DIST_MORSE34;
        if (u < -int64_t{s.X_MAX_PINZA}) return -2;
        const int64_t b = int64_t{vice} + (xk - x);
        if (b < s.X_MIN_MORSA || b > s.X_MAX_MORSA) return -3;
        steps[count].x = static_cast<int32_t>(xk);
        steps[count].u = uFree ? 0 : static_cast<int32_t>(u);
        steps[count].b = static_cast<int32_t>(b);
        ++count;
        return 0;
    };
    if (shift != 0) {
        if (const int r = add(int64_t{x} - shift); r != 0) return r;
    }
    if (const int r = add(x); r != 0) return r;
    return count;
}

// Lines the blade-cut block adds on variant 1 before feeding: the vice-3/4 steps of a cut held
// by those vices (each step's U, X and vice position, a feed between steps) and the R592 form
// that the body gave the cut.
int IsoProgramGenerator::WriteV1CutSteps(const WorkingMachining& cut, int32_t x, int32_t vice, bool vices34) {
    if (vices34) {
        Vice34Step steps[2];
        const int n = Vice34Steps(x, vice, cut.ATaglio, currentBar->yMax - currentBar->yMin, uFree != 0, steps);
        if (n < 0) {
            SetErrorTextLiteral(MsgError(n == -1 ? "ERR_TAGLIO_ASSE_X" : n == -2 ? "ERR_TAGLIO_ASSE_U" : "ERR_LAMA_MORSA34"));
            return 1;
        }
        // One step is the block's own positions, already written.
        for (int i = 0; n > 1 && i < n; ++i) {
            if (i > 0) Block("L<ALIM.BRE>\n\n");
            RReal(535, steps[i].u, "R_QUOTA_U");
            RReal(560, steps[i].x, "R_QUOTA_X_TAGLIO");
            RReal(526, steps[i].b, "R_QUOTA_B");
        }
    }
    switch (v1CutForm_) {
    case kV1FormInitial: RInt(592, 1, "R_TAGLIO_ESEGUITO: Iniziale"); break;
    case kV1FormEndOfHeadScrap: RInt(592, 2, "R_TAGLIO_ESEGUITO: Finale Spz. iniziale"); break;
    case kV1FormEndIntoTrapdoor: RInt(592, 1, "R_TAGLIO_ESEGUITO: Finale in botola"); break;
    default: break;
    }
    return 0;
}

// ---------------------------------------------------------------- small writers

void IsoProgramGenerator::WriteV1QuickUnload() {
    const MachineSettings& s = S();
    if (s.options.SCARICO_RAPIPO == 0) return;
    RInt(585, SectionHeight(*currentBar) > s.H_PROF_SC_RAPIDO ? 0 : 1, "Scarico rapido");
}

// Extractor position for a piece unloaded beside the vices: from the unloader's distance to
// the vices' far travel, plus extra, held within the extractor's travel.
int32_t IsoProgramGenerator::V1ExtractorPosition(int32_t extra) const {
    const MachineSettings& s = S();
    const int64_t v = int64_t{s.DIST_SCARIC} - s.X_MAX_MORSA + s.DELTA_B_EXTRACT + s.X_MIN_EXTRACT + extra;
    if (v >= s.X_MAX_EXTRACT) return s.X_MAX_EXTRACT;
    return static_cast<int32_t>(std::max<int64_t>(v, s.X_MIN_EXTRACT));
}

// Correction of the extractor position for the slope of the piece's cut: below 90 degrees the
// cut face leans over the extractor by the section height over the tangent of the angle; at 90
// degrees and above the face leans away and the bar's own correction (none) applies.
int32_t IsoProgramGenerator::V1ExtractorCorrection(const WorkingMachining& cut) const {
    const int32_t a = cut.ATaglio;
    if (a <= 0 || a >= 90000) return 0;
    const double t = std::tan(a / 1000.0 * M_PI / 180.0);
    if (!(t > 1e-6)) return 0;
    return static_cast<int32_t>(std::trunc(SectionHeight(*currentBar) / t));
}

void IsoProgramGenerator::WriteV1Head() {
    const MachineSettings& s = S();
    const BarRecord& b = *currentBar;
    const int ribScar = CpReadRibScar(b.series, b.code);
    // Blade lubrication: the tool table's header number, which the blade records carry as their
    // cooling value (the table's own tools never include the blade records).
    RInt(501, g_pRallaTools != nullptr ? g_pRallaTools->headerNumber : kToolHeaderDefault, "R_FREQ_LUBRLAMA");
    RReal(510, (ribScar != 0 ? b.zMax - b.zMin : b.yMax - b.yMin) + ProfileDeltaDimY(b), "R_DIST_CING");
    RReal(511, s.DIST_MANDRINI / 2, "R_INT_MANDRINI");
    RReal(201, b.yMax - b.yMin, "Y Barra: Dimensioni nette pezzo");
    RReal(202, b.zMax - b.zMin, "Z Barra: Dimensioni nette pezzo");
    RReal(531, b.yMax, "Y fuori ingombro");
    RReal(532, b.zMax, "Z Fuori ingombro");
    RReal(533, b.zMax, "Altezza profilo + controsagoma");
    RInt(514, s.CK_ANGOLI, "Flag Abil. controllo Tagli fuori squadro", 7);
    RReal(537, b.OFFY_PINZA, "Offset Y PINZA");
    RReal(538, b.OFFZ_PINZA, "Offset Z PINZA");
    RReal(553, b.OFFC_PINZA, "Offset C PINZA");
    RReal(526, 0, "R_QUOTA_B = 0 all'inizio");
    // The H axis stays where it is: written once, with the axes' start values.
    RReal(528, -9999000, "R_QUOTA_H");
    // The list carries no blade accessory values for a bar: both are 0.
    RInt(547, 0, "R_ACC_LAMA1_2");
    RInt(520, b.VELH_CUT / 1000, "R_VEL_H_TAGLIO"); // feed kept in thousandths, written in mm/min
    RInt(521, optimLevel, "R_OTT_SLITTE_MAND");
    RInt(522, EnabledExtraPositions(), "R_MAPPA_MANDRINI");
    // The counter-shape is what the section's upper Z limit holds beyond the profile's own
    // height (R533 less R202): the lower Z limit, in whole millimetres.
    RInt(539, b.zMin / 1000, "Altezza Controsagoma");
    RInt(556, static_cast<int32_t>(pieces.size()), "R_NUM_PEZZI_BARRA_PC");
    RInt(523, CpReadNoIngM4(b.series, b.code), "R_NOING_MORSA4");
    RInt(524, CpReadNoIngM3(b.series, b.code), "R_NOING_MORSA3");
    RInt(749, CpReadMhv(b.series, b.code), "R_SEQ_MORSE_FRES");
    RInt(574, ribScar, "R_ABIL_RIBAL_SCAR");
    RInt(573, s.NOCK_PINZA_OP, "R_NOCKPINZA_DA_OPER");
    RInt(577, b.repetitionsLeft, "R_NUM_BARRE_IN_RPT");
    RInt(578, 0, "R_COUNTER_NUM_RPT", 7);
    RReal(579, b.length, "R_LUNGH_ACT_BARRA", 7);
    RInt(580, s.RIF_BARR_CH != 0 ? 1 : 0, "R_RIF_BARRA_2", 7);
}

void IsoProgramGenerator::WriteV1Loading(bool unloadingEnabled) {
    RReal(575, nextBarLength1, "R_LUNGH_NEXT_BARRA");
    RReal(576, nextBarLength2, "R_LUN_BARRA_AFTER_RPT");
    RInt(502, 1, "Flag carico automatico");
    RReal(535, LoadingPosition(*currentBar), "Quota di carico");
    Block("L<CARICO.BRE>\n\n");
    if (unloadingEnabled) RInt(593, 1, "R_BARRA_INLAVORO");
}

// Unloading of the piece (or scrap) that the cut u freed; held: the vices closed for that cut.
int IsoProgramGenerator::WriteV1Unloading(const WorkingMachining& u, bool held) {
    const MachineSettings& s = S();
    const int32_t mode = ModeOf(u);
    const char* cause = V1UnloadCause(mode, held);
    if (cause == nullptr) {
        // No unloading cause for this mode: refuse rather than leave a half-written line.
        SetErrorText("%s %d (ISO)", MsgError("ERR_CAUSALE_SCARICO"), static_cast<int>(mode));
        return 1;
    }
    Block("R%d=", 540);
    Out("%s\n", cause);
    if (held && mode == 0x108) {
        WriteV1QuickUnload();
        if (s.options.ASSEC != 0)
            RReal(515, V1ExtractorPosition(s.DELTA_SCAR_PZ_LUNGO + V1ExtractorCorrection(u)), "R_QUOTA_ASSE_ESTR");
    } else if (held && mode == 0x140) {
        RReal(515, s.DELTA_B_EXTRACT + s.DIST_CONT_PZ_CORTO + s.X_MIN_EXTRACT + V1ExtractorCorrection(u),
              "R_QUOTA_ASSE_ESTR");
    }
    viceCloses = 0;
    const int state = PieceStateOf(u);
    WriteUnloadPositionBlock(state, UnloadTextOf(u));
    Block("L<ALIM.BRE>\n\n");
    if (state == kPieceStateGood) {
        Block("R%d=R%d+1      { R_CONT_PEZZI }\n\n", 590, 590);
        cutVicePosition = s.X_MAX_MORSA;
    }
    return 0;
}

// A square trim beside an angled end cut: at the bar head before the piece's first cut (head),
// or beyond the last piece's other end (tail), so the scrap or the remnant leaves square.
int IsoProgramGenerator::WriteV1Trim(const WorkingMachining& cut, bool head) {
    const MachineSettings& s = S();
    const BarRecord& b = *currentBar;
    auto fail = [](const char* key) {
        SetErrorTextLiteral(MsgError(key));
        return 1;
    };
    if (cut.PieceRef == nullptr) return 0; // an end cut always has its piece; nothing to square otherwise
    ResetBladeCutFields(*this);

    // The trim lies one blade thickness beyond the end's outermost point: towards the head for a
    // head trim (larger X), towards the tail for a tail trim.
    const int side = head ? FirstEnd() : 1 - FirstEnd();
    const WorkingPiece& piece = *cut.PieceRef;
    const int32_t e0 = piece.endCutX[2 * side], e1 = piece.endCutX[2 * side + 1];
    const int32_t trimAt = head ? std::max(e0, e1) + s.SPESS_LAMA : std::min(e0, e1) - s.SPESS_LAMA;

    // The trim's tool positions come from the section as for a square end cut of the piece.
    if (profileSection == nullptr) {
        profileSection = std::make_shared<DxfSection>();
        profileSection->Load(SectionDrawingPath(s.DIR_DXF, b.series, b.code).c_str(), b.yMin, b.zMin, b);
    }
    WorkingPiece square = piece;
    (side == 0 ? square.ADx : square.ASx) = 90000;
    square.endCutX[2 * side] = square.endCutX[2 * side + 1] = trimAt;
    WorkingMachining trim;
    trim.Id = 0;
    trim.TipoLavor = kKindEndCut;
    trim.ATaglio = 90000;
    trim.endFlags = head ? 1 : 2;
    trim.CutMode = cut.CutMode;
    trim.clampCode = cut.clampCode;
    trim.SupportZone = cut.SupportZone;
    trim.PieceRef = cut.PieceRef;
    trim.Y = cut.Y;
    trim.Z = cut.Z;
    if (PlanSectionEndCut(side, b, square, trim, *profileSection) != 0) return 1;
    const int vertices = SectionCutPointCount(trim);
    trim.cutPointMode = vertices;

    const int32_t mode = ModeOf(cut);
    const int selector = (mode == 2 || mode == 4 || mode == 32) ? 2 : 1;
    const int32_t x = PlaceBladeCut(*this, trim, selector, 3000, 0);
    if (x < s.X_PAR_MIN || x > s.X_PAR_MAX) return fail(x < 0 ? "ERR_LAMA_MORSA34" : "ERR_TAGLIO_ASSE_X");
    cutBarX_ = x;
    if (head)
        RInt(540, HeadTrimCause(x), "TAGLIO_SPZ_INIZIALE_90");
    else
        RInt(540, 1, "TAGLIO_SPZ_FINALE_90");
    RInt(260, vertices, "R_NUM_VERTICI_TG");
    RReal(560, x, "R_QUOTA_X_TAGLIO");
    const int32_t p = trim.cutPointY[0] - s.OFF_Y_LAMA + s.CORR_Y_ASSI;
    if (p < s.Y_MIN_LAMA || p > s.Y_MAX_LAMA) return fail("ERR_TAGLIO_ASSE_Y");
    RReal(527, p, "R_QUOTA_P");
    RReal(550, 90000, "R_QUOTA_LAMA");
    const int32_t v = ComputeCutVicePosition(trim);
    if (v == -1) return fail("ERR_INGOMBRI_B");
    if (v == -2) return fail("ERR_INTEST_PZ");
    if (v == -4) return fail("ERR_INTEST_NO45");
    if (v < s.X_MIN_MORSA || v > s.X_MAX_MORSA) return fail("ERR_TAGLIO_ASSE_B");
    RReal(526, v, "R_QUOTA_B");
    RInt(520, b.VELH_CUT / 1000, "R_VEL_H_TAGLIO");
    const int32_t h = b.offsetZ + b.zMax + s.EXTRA_H_APPR;
    if (h < s.Z_MIN_LAMA || h > s.Z_MAX_LAMA) return fail("ERR_TAGLIO_ASSE_Z");
    RReal(265, h, "R_H_APPROCCIO");
    for (int i = 0; i < 4; ++i) {
        const bool used = i > 0 && i < vertices;
        const int32_t dx = used ? trim.cutPointX[i] - trim.cutPointX[i - 1] : 0;
        const int32_t dp = used ? trim.cutPointY[i] - trim.cutPointY[i - 1] : 0;
        const int32_t dh = used ? trim.cutPointZ[i] - trim.cutPointZ[i - 1] : 0;
        if (used) {
            const int32_t pi = p + trim.cutPointY[i] - trim.cutPointY[0];
            if (pi < s.Y_MIN_LAMA || pi > s.Y_MAX_LAMA) return fail("ERR_TAGLIO_A_C");
        }
        RReal(266 + 3 * i, dx, "R_DX_SFONDA");
        RReal(267 + 3 * i, dp, "R_DP_SFONDA");
        RReal(268 + 3 * i, dh, "R_DH_SFONDA");
    }
    const int32_t u = x - s.DIST_MORSE_LAMA;
    if (u < -s.X_MAX_PINZA) return fail("ERR_TAGLIO_ASSE_U"); // as the blade-cut block
    RReal(535, uFree ? 0 : u, "R_QUOTA_U");
    WriteBladeZoneLine(cut);
    if (head)
        RInt(592, 2, "R_TAGLIO_ESEGUITO: Finale");
    else
        RInt(592, 1, "R_TAGLIO_ESEGUITO: Finale");
    Block("L<ALIM.BRE>\n\n");
    if (head) {
        // The head scrap leaves through the extractor.
        RReal(515, V1ExtractorPosition(0), "R_QUOTA_ASSE_ESTR");
        Block("R%d=7\n", 540);
        WriteV1QuickUnload();
        Block("L<ALIM.BRE>\n\n");
    }
    return 0;
}

int IsoProgramGenerator::WriteV1Remnant(int32_t remnant, bool preCut) {
    const MachineSettings& s = S();
    if (preCut) Block("R%d=R%d+1      { Pezzo pretagliato: R_CONT_PEZZI }\n\n", 590, 590);
    Block("R%d=", 541);
    if (preCut) {
        Out("0\n");
        RReal(535, currentBar->length + s.POSIZ_BARRIERA, "Scarico anteriore di pretagliato");
    } else if (remnant > s.DIM_MAX_SCAR && s.AUTO_TRAS_LAV == 0) {
        Out("0\n");
    } else {
        // A remnant long enough to keep goes to the unloader, a shorter one through the
        // trapdoor; the extractor carries it either way.
        if (!RemnantIntoTrapdoor(remnant))
            Out("2      { SPATOL_SCARIC: Scarico su Scaricatore }\n");
        else
            Out("1      { SPATOL_SCARIC: Scarico su Botola }\n");
        WriteV1QuickUnload();
        RReal(515, V1ExtractorPosition(0), "R_QUOTA_ASSE_ESTR");
    }
    WriteUnloadPositionBlock(kPieceStateScrap, currentBar->label);
    Block("L<SCARICO.BRE>\n\n");
    WriteBarWithoutPiecesCount();
    return 0;
}

// ---------------------------------------------------------------- the body

// What the variant-1 body knows of the bar before its records, and what its cuts have done.
struct IsoProgramGenerator::V1Bar {
    bool leavesRemnant = false;
    // The automatic transfer of the last piece: off with AUTO_TRAS_LAV 0 or without pieces.
    bool autoTransfer = false;
    bool unloadingEnabled = false;
    const WorkingMachining* firstEndCut = nullptr;
    // The last end cut of the bar: a tail trim squares the remnant beyond it.
    const WorkingMachining* lastEndCut = nullptr;
    // Head trim: the bar's first end cut, angled, while the last piece goes by automatic transfer.
    bool headTrimPending = false;
    bool headTrimmed = false;
    bool anyCut = false;
};

// The body of variant 1 (what it shares with the other variants' body: iso_body.cpp).
int IsoProgramGenerator::WriteIsoProgramVariant1(int32_t step) {
    Body b;
    if (StartBody(b) != 0) return 1;
    V1Bar v = V1BarOf();
    WriteV1Opening(b, v);
    if (WriteRecordsInOrder(b, [&](BodyRecord& rec) { return WriteV1Record(b, v, rec); }) != 0) return 1;
    return WriteBodyTail(b, step, [&] { return WriteV1BarEnd(b, v); });
}

IsoProgramGenerator::V1Bar IsoProgramGenerator::V1BarOf() const {
    const MachineSettings& s = S();
    V1Bar v;
    v.leavesRemnant = remnant_ > s.DIM_MIN_SCARTO;
    v.autoTransfer = s.AUTO_TRAS_LAV != 0 && !pieces.empty();
    v.unloadingEnabled =
        g_pPathTable != nullptr && plat::GetProfileInt("UNLOADING", "ENABLE", 0, g_pPathTable->ConfigPar()) != 0;
    const int n = std::min<int>(orderedRecords, static_cast<int>(order.size()));
    for (int i = n - 1; i >= 0 && v.lastEndCut == nullptr; --i)
        if (IsCut(*order[static_cast<std::size_t>(i)])) v.lastEndCut = order[static_cast<std::size_t>(i)];
    for (int i = 0; i < n && v.firstEndCut == nullptr; ++i)
        if (IsCut(*order[static_cast<std::size_t>(i)])) v.firstEndCut = order[static_cast<std::size_t>(i)];
    v.headTrimPending = v.autoTransfer && s.AUTO_TRAS_LAV == 1;
    return v;
}

// The head, the reference run, then the repeated range from the loading on (each repetition
// loads a bar) and the first machining's tool change.
void IsoProgramGenerator::WriteV1Opening(Body& b, const V1Bar& v) {
    const MachineSettings& s = S();
    RInt(599, IsoCode, "Codice Casuale ISO");
    RInt(482, 0, "R_ATTESA_CONFERMA");
    RInt(590, 0, "R_CONT_PEZZI");
    if (v.unloadingEnabled) RInt(593, 0, "R_BARRA_INLAVORO");
    cutVicePosition = s.X_MAX_MORSA;
    viceCloses = 0;
    WriteV1Head();
    WriteReferenceRun(b);
    b.repeatStart = lineCounter;
    WriteV1Loading(v.unloadingEnabled);
    if (b.firstMachining != nullptr) WriteToolChangeBlock(*b.firstMachining, nullptr);
}

// One record: a machining's block, or a blade cut (after the head trim it may need) with its
// R592 form; an end cut's freed piece then waits for its unloading.
int IsoProgramGenerator::WriteV1Record(Body& b, V1Bar& v, BodyRecord& rec) {
    WorkingMachining& r = rec.r;
    if (!IsAnyCut(r)) {
        if (WriteMachiningBlock(r, rec.next, b.prevMachining) != 0) return 1;
        b.prevMachining = &r;
        return 0;
    }
    if (IsCut(r) && v.headTrimPending && !v.anyCut && (r.endFlags & 1) != 0 && r.ATaglio != 90000) {
        if (WriteV1Trim(r, true) != 0) return 1;
        v.headTrimmed = true;
    }
    v.headTrimPending = false;
    v.anyCut = true;
    // A head trim written before the bar's first cut took the head's excess away itself.
    const bool trimTookExcess = v.headTrimmed && &r == v.firstEndCut;
    const int cause = CutFeedCause(r, rec.next) + (trimTookExcess ? 0 : NearRemnantExtra(r));
    v1CutForm_ = V1CutFormOf(&r == v.firstEndCut && (r.endFlags & 1) != 0, v.headTrimmed,
                             &r == v.lastEndCut && (r.endFlags & 2) != 0, b.remnant);
    const int written = WriteCutBlock(r, cause);
    v1CutForm_ = kV1FormNone;
    if (written != 0) return 1;
    if (CutLeavesPieceToUnload(r)) HoldUnload(b.pending, r);
    return 0;
}

// The bar's end: the tail trim that squares a remnant to keep while the last piece goes by
// automatic transfer, then the remnant.
int IsoProgramGenerator::WriteV1BarEnd(const Body& b, const V1Bar& v) {
    if (v.autoTransfer && v.leavesRemnant && v.lastEndCut != nullptr && v.lastEndCut->ATaglio != 90000 &&
        (v.lastEndCut->endFlags & 2) != 0) {
        if (WriteV1Trim(*v.lastEndCut, false) != 0) return 1;
    }
    return WriteV1Remnant(b.remnant, b.preCutTail != nullptr);
}
