// Part-program generation: elaboration and checks, the output file written through a temporary
// file, and the program body of machine variants 0 and 2 (its frame: iso_body.cpp).
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/iso_generator.h"
#include "engine/ordering.h"
#include "iso_record_reading.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/profile_overrides.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "platform/paths.h"

using namespace iso_reading;

namespace {

const MachineSettings& S() { return *g_pSettings; }

constexpr int32_t kNoAxis = -9999000; // -9999 in thousandths: the axis stays where it is

// What the bar record says about the ralla: the section fits the spindles' reach (inner or
// outer), and it fits the inner reach, where the ralla may turn between machinings.
bool ProfileFits(const BarRecord& b) { return b.reachInner != 0 || b.reachOuter != 0 || g_decentredRalla != 0; }
bool RotationAllowed(const BarRecord& b) { return b.reachInner != 0 || g_decentredRalla != 0; }

// Cut flags and vice zone of a record, as the end trims and the elaboration leave them:
// endFlags 1 marks the initial (first-end) cut and 2 the final (other-end) cut; the vice zone is
// the support zone of the elaboration.
int CutFlagsOf(const WorkingMachining& r) { return r.endFlags; }
int32_t ZoneOf(const WorkingMachining& r) { return r.SupportZone; }

} // namespace

IsoProgramGenerator::IsoProgramGenerator(const char* path) : BarComputation(path) {}

IsoProgramGenerator::~IsoProgramGenerator() { CloseFile(); }

// The body of machine variant 1 is in iso_variant1.cpp.

int IsoProgramGenerator::GenerateIsoProgram(int32_t step, int forMachine) {
    warnings.clear();
    if (currentBar == nullptr || g_pSettings == nullptr || g_pPathTable == nullptr) {
        SetErrorText("%s (ISO)", MsgError("ERR_FILE"));
        return 1;
    }
    ElaborationWarnings found;
    const int elaborated = ElaborateMachinings(*this, 1, 1, &found);
    warnings = std::move(found.texts);
    if (elaborated != 0) return 1;
    const BarRecord& bar = *currentBar;
    if (MachineVariant == 1 || MachineVariant == 2) {
        optimLevel = CpGetOptimLevel(bar.series, bar.code);
        if (!ProfileFits(bar)) {
            SetErrorTextLiteral(MsgError("ERR_PROF_TOO_BIG"));
            return 1;
        }
        if (!RotationAllowed(bar) && NeedsSeveralRotations() && (optimLevel == 2 || optimLevel == 3)) {
            optimLevel = 1;
            SetErrorTextLiteral(MsgError("ERR_TOO_OPTIM"));
            ShowBox("T_ATTENZIONE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        }
    } else if (!RotationAllowed(bar) && NeedsSeveralRotations()) {
        SetErrorTextLiteral(MsgError("ROT_NO_POSS"));
        return 1;
    }

    // The program is written beside its final name and put in place only when complete; a
    // special-shape compile appends to this same temporary path.
    const std::string finalPath = plat::PathForWrite(IsoOutputPath(forMachine));
    const std::string tempPath = finalPath + ".tmp";
    if (tempPath.size() >= sizeof isoPath) {
        SetErrorText("%s (ISO)", MsgError("ERR_FILE"));
        return 1;
    }
    std::snprintf(isoPath, sizeof isoPath, "%s", tempPath.c_str());
    writeError_ = false;
    writeErrno_ = 0;
    isoFile = std::fopen(isoPath, "wb");
    if (isoFile == nullptr) {
        SetProgramWriteFault(errno);
        return 1;
    }
    out_.clear();
    out_.reserve(kFlushSize + 1024);

    const int rc = MachineVariant == 1 ? WriteIsoProgramVariant1(step) : WriteIsoProgramDefault(step);
    if (rc != 0) {
        CloseFile();
        std::remove(isoPath);
        return 1;
    }
    if (std::rename(isoPath, finalPath.c_str()) != 0) {
        const int err = errno;
        std::remove(isoPath);
        SetProgramWriteFault(err);
        return 1;
    }
    return 0;
}

// Remnant of the bar after its pieces, in whole thousandths; with fail set, the piece checks of
// variants other than 0 (message in g_errorText, result 1).
int IsoProgramGenerator::CheckPieces(int32_t* remnant) const {
    const MachineSettings& s = S();
    const bool check = MachineVariant != 0;
    int32_t left = currentBar->length;
    for (const WorkingPiece* p : pieces) {
        if (p == nullptr || p->made) continue;
        if (check && p->Lung < s.DIM_MIN_PEZZO) {
            SetErrorTextLiteral(MsgError("ERR_PEZZI_CORTI"));
            return 1;
        }
        if (check && p->Lung > s.DIM_MAX_SCAR) {
            SetErrorTextLiteral(MsgError("PIECE_TOO_LONG"));
            return 1;
        }
        const double sine = std::sin(p->ADx / 1000.0 * M_PI / 180.0);
        const double kerf = std::fabs(sine) > 1e-9 ? s.SPESS_LAMA / std::fabs(sine) : s.SPESS_LAMA;
        left = static_cast<int32_t>(std::trunc(left - p->Lung - s.SCARTO_POSIZ - kerf));
    }
    if (check && left > s.DIM_MAX_SCAR && s.AUTO_TRAS_LAV == 1) {
        SetErrorTextLiteral(MsgError("SPEZZ_TOO_LONG"));
        return 1;
    }
    *remnant = left;
    return 0;
}

void IsoProgramGenerator::WriteHead(int32_t /*step*/) {
    const MachineSettings& s = S();
    const BarRecord& b = *currentBar;
    const int v = MachineVariant;
    RInt(599, IsoCode, "Codice Casuale ISO");
    RInt(482, 0, "R_ATTESA_CONFERMA");
    RInt(590, 0, "R_CONT_PEZZI");
    RInt(592, 0, "R_TAGLIO_ESEGUITO");
    const bool same = std::strcmp(b.code, s.lastBarCode) == 0 && std::strcmp(b.series, s.lastBarSeries) == 0 &&
                      b.length == s.lastBarLength && b.firstCutAngle == s.lastBarFirstAngle &&
                      s.lastBarLoadType == s.TIPO_CARIC;
    RInt(504, same ? 1 : 0, "R_PEZZO_UGUALEPREC");
    // Blade lubrication: the tool table's header number, which the blade records carry as their
    // cooling value (the table's own tools never include the blade records).
    RInt(501, g_pRallaTools != nullptr ? g_pRallaTools->headerNumber : kToolHeaderDefault, "R_FREQ_LUBRLAMA");
    RReal(510, b.yMax - b.yMin + s.DELTA_DIM_Y, "R_DIST_CING");
    RReal(511, s.DIST_MANDRINI / 2, "R_INT_MANDRINI");
    // The blade level of the profile is its blade rise.
    RInt(529, b.SALITA_LAMA, "R_LIV_LAMA", 7);
    RReal(201, b.yMax - b.yMin, "Y Barra: Dimensioni nette pezzo");
    RReal(202, b.zMax - b.zMin, "Z Barra: Dimensioni nette pezzo");
    // Clearance of the tools: beyond the section's upper Y and Z limits.
    RReal(531, b.yMax, "Y fuori ingombro");
    RReal(532, b.zMax, "Z Fuori ingombro");
    if (v == 0) {
        RReal(552, b.reachShift, "Ralla interpolata: R_MOD_RALLA_INT");
        RReal(551, b.reachAngle, "Ralla interpolata: R_ANG_RALLA_INT");
    }
    RReal(533, b.zMax, "Altezza profilo + controsagoma");
    RInt(514, s.CK_ANGOLI, "Flag Abil. controllo Tagli fuori squadro", 7);
    RReal(779, s.DIST_LAMA, "Distanza Lama");
    RReal(537, b.OFFY_PINZA, "Offset Y PINZA");
    RReal(538, b.OFFZ_PINZA, "Offset Z PINZA");
    if (v == 2) {
        RReal(539, b.OFFC_PINZA, "Offset C PINZA");
        RReal(581, b.CH_V_VICE, "Chiusura Morse V");
        RReal(582, b.CH_H_VICE, "Chiusura Morse H");
        RReal(526, 0, "R_QUOTA_B = 0 all'inizio");
        RReal(544, OffQuotaB(), "R_OFF_QUOTA_B");
        // The list carries no blade accessory values for a bar: both are 0.
        RInt(546, 0, "R_ACC_LAMA3");
        RInt(547, 0, "R_ACC_LAMA1_2");
        RInt(520, b.VELH_CUT / 1000, "R_VEL_H_TAGLIO"); // feed kept in thousandths, written in mm/min
        RInt(521, optimLevel, "R_OTT_SLITTE_MAND");
        RInt(522, EnabledExtraPositions(), "R_MAPPA_MANDRINI");
        RInt(749, CpReadMhv(b.series, b.code), "R_SEQ_MORSE_FRES");
    }
}

int32_t IsoProgramGenerator::OffQuotaB() const {
    const MachineSettings& s = S();
    return s.SPESS_LAMA - (s.CORR_X_LAME < 0 ? 2 * s.CORR_X_LAME : 0);
}

void IsoProgramGenerator::WriteLoading() {
    const MachineSettings& s = S();
    const int v = MachineVariant;
    const int32_t loadAt = currentBar->length + s.POSIZ_BARRIERA;
    if (s.TIPO_CARIC == 0) {
        if (v == 0) RInt(502, 0, "Flag carico automatico");
        RReal(535, loadAt, "Quota di carico");
        RInt(482, 1, "R_ATTESA_CONFERMA");
        Block("L<CARICO.BRE>\n");
        if (v == 0) Block("G304CNC\n");
        RInt(482, 0, "R_ATTESA_CONFERMA");
    } else {
        if (v == 0) RInt(502, 1, "Flag carico automatico");
        if (v == 2) RReal(535, loadAt, "Quota di carico");
        Out("\n");
        Block("L<CARICO.BRE>\n");
    }
    Block("R%d=1      { R_PEZZO_UGUALEPREC }\n\n", 504);
}

void IsoProgramGenerator::WriteBladeZoneLine(const WorkingMachining& r) {
    const int32_t z = ZoneOf(r);
    if (z < 11)
        RInt(536, 1, "R_BLOCCA_PEZZO: Testa");
    else if (z < 21)
        RInt(536, 2, "R_BLOCCA_PEZZO: Coda");
    else
        RInt(536, 3, "R_BLOCCA_PEZZO: Centro");
}

int IsoProgramGenerator::NearRemnantExtra(const WorkingMachining& r) const {
    if (r.TipoLavor != kKindEndCut) return 0;
    const Leftovers left = BarLeftovers();
    if (left.Remnant() < S().DIM_MIN_SCARTO) return 0;
    return r.X == (left.AtHead() ? left.headCutX : left.tailCutX) ? 100 : 0;
}

IsoProgramGenerator::Leftovers IsoProgramGenerator::BarLeftovers() const {
    Leftovers left;
    const int n = std::min<int>(orderedRecords, static_cast<int>(order.size()));
    for (int i = 0; i < n; ++i) {
        const WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        if (m.TipoLavor != kKindEndCut) continue;
        left.headCutX = std::max(left.headCutX, m.X);
        left.tailCutX = std::min(left.tailCutX, m.X);
    }
    const int32_t length = currentBar != nullptr ? currentBar->length : 0;
    if (left.headCutX == INT32_MIN) {
        left.tail = length;
        return left;
    }
    left.head = static_cast<int32_t>(std::max<int64_t>(0, int64_t{length} - left.headCutX));
    left.tail = left.tailCutX;
    return left;
}

const WorkingMachining* IsoProgramGenerator::PreCutTailCut() const {
    const int n = std::min<int>(orderedRecords, static_cast<int>(order.size()));
    const WorkingMachining* tail = nullptr;
    for (int i = 0; i < n; ++i) {
        const WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        if (m.TipoLavor == kKindEndCut && (tail == nullptr || m.X < tail->X)) tail = &m;
    }
    if (tail == nullptr || (tail->endFlags & 2) == 0 || tail->PieceRef == nullptr) return nullptr;
    // Pre-cut: the last piece's square tail cut, its kerf on the piece's side of X, meets no bar
    // (an angled tail always leaves a wedge to cut away).
    if (tail->ATaglio != 90000 || int64_t{tail->X} + S().SPESS_LAMA > 0) return nullptr;
    return tail;
}

// Feed cause of a cut: 2 when the next machining is worked where the bar stands for the cut (at
// the cut's positioning), else 1.
int IsoProgramGenerator::CutFeedCause(const WorkingMachining& cut, const WorkingMachining* next) {
    return next != nullptr && next->Xcaric == cut.Xcaric ? 2 : 1;
}

int IsoProgramGenerator::WriteUnloading(const WorkingMachining& u, bool endOfBar, int32_t pieceStart) {
    const MachineSettings& s = S();
    const int v = MachineVariant;
    const int32_t mode = ModeOf(u);
    const int state = PieceStateOf(u);
    // The length the cut frees, as the end trims reckoned it for its clamp code: the scrap
    // before a first end, not the piece after it.
    const bool shortScrap = state == kPieceStateScrap && u.cutPosition < s.DIM_MIN_SCARTO;
    const char* cause = UnloadCauseText(mode, v, endOfBar, shortScrap);
    if (cause == nullptr) {
        // No unloading cause for this mode: refuse rather than leave a half-written line.
        SetErrorText("%s %d (ISO)", MsgError("ERR_CAUSALE_SCARICO"), static_cast<int>(mode));
        return 1;
    }
    Block("R%d=", 540);
    Out("%s\n", cause);
    if (v == 2) {
        if (mode == 0x102)
            RReal(526, s.DIST_BOTOLA - s.X_MIN_SPATOLA, "R_QUOTA_B: Scarico estrattore in botola");
        else
            RReal(526, s.OFF_SCARICO - s.X_MIN_SPATOLA, "R_QUOTA_B: Scarico estrattore su scaricatore");
    } else if ((mode & 0x100) != 0) {
        RReal(535, pieceStart - s.X_MIN_SPATOLA, "Scarico con spatolatore");
    } else {
        RReal(535, currentBar->length - u.X, "Scarico a spinta");
    }
    WriteUnloadPositionBlock(state, UnloadTextOf(u));
    auto cutDone = [&]() {
        if (!endOfBar) {
            RInt(592, 0, "R_TAGLIO_ESEGUITO");
            return;
        }
        const int f = CutFlagsOf(u);
        if (state == kPieceStateGood)
            RInt(592, 0, "R_TAGLIO_ESEGUITO: No taglio", 7);
        else if (f & 1)
            RInt(592, 1, "R_TAGLIO_ESEGUITO: Iniziale", 7);
        else if (f & 2)
            RInt(592, 2, "R_TAGLIO_ESEGUITO: Finale", 7);
        else
            RInt(592, 0, "R_TAGLIO_ESEGUITO", 7);
    };
    if (v == 2) {
        cutDone();
        Block("L<ALIM.BRE>\n\n");
        if (state == 1 || state == 3) Block("R%d=R%d+1      { R_CONT_PEZZI }\n\n", 590, 590);
    } else {
        Block("L<ALIM.BRE>\n\n");
        if (state == kPieceStateGood) {
            Block("G304CNC\n");
            Block("R%d=R%d+1      { R_CONT_PEZZI }\n\n", 590, 590);
        }
        Block("G304CNC\n");
        if (endOfBar)
            cutDone();
        else
            Block("R%d=0      { R_TAGLIO_ESEGUITO }\n\n", 592);
    }
    return 0;
}

void IsoProgramGenerator::WriteCutLines(const WorkingMachining& r, const WorkingMachining* next, int cause) {
    const MachineSettings& s = S();
    const int v = MachineVariant;
    RInt(540, cause, "R_CAUSALE_ALIMEN");
    if (IsNotch(r)) {
        RReal(550, 45000, "R_QUOTA_LAMA");
        RReal(527, kNoAxis, "R_QUOTA_ASSE_P");
    } else if (IsCut(r)) {
        RReal(550, r.ATaglio, "R_QUOTA_LAMA");
        if (v == 2) RReal(527, r.ATaglio == 90000 ? kNoAxis : s.SCARTO_POSIZ / 2 + s.CORR_P_LAME, "R_QUOTA_ASSE_P");
    } else {
        RReal(550, -1000, "R_QUOTA_LAMA");
        if (v == 2) RReal(527, kNoAxis, "R_QUOTA_P");
    }
    RReal(535, v == 2 ? r.X : currentBar->length - r.X, "R_QUOTA_U");
    const int f = CutFlagsOf(r);
    const char* nl = v == 2 ? "\n" : "\n\n";
    auto flagsLine = [&]() {
        if (f & 1)
            Block("R%d=1      { R_TAGLIO_ESEGUITO: Iniziale }%s", 592, nl);
        else if (f & 2)
            Block("R%d=2      { R_TAGLIO_ESEGUITO: Finale }%s", 592, nl);
        else
            Block("R%d=0      { R_TAGLIO_ESEGUITO }%s", 592, nl);
    };
    if (v == 2) {
        if (IsNotch(r))
            RInt(536, 0, "R_BLOCCA_PEZZO: Notch");
        else
            WriteBladeZoneLine(r);
        flagsLine();
        Block("L<ALIM.BRE>\n\n");
    } else {
        WriteBladeZoneLine(r);
        Block("L<ALIM.BRE>\n\n");
        Block("G304CNC\n");
        flagsLine();
    }
    (void)next;
}

int IsoProgramGenerator::WriteRemnant(int32_t remnant, bool preCut) {
    const MachineSettings& s = S();
    const int v = MachineVariant;
    if (preCut) {
        if (v == 0) Block("G304CNC\n");
        Block("R%d=R%d+1      { Pezzo pretagliato: R_CONT_PEZZI }\n\n", 590, 590);
    }
    Block("R%d=", 541);
    if (preCut) {
        Out("0\n");
        RReal(535, currentBar->length + s.POSIZ_BARRIERA, "Scarico anteriore di pretagliato");
    } else if (remnant > s.DIM_MAX_SCAR && s.AUTO_TRAS_LAV == 0) {
        Out("0\n");
    } else if (v == 2) {
        if (remnant < s.MAX_POLVERE) {
            Out("4      { Polvere: Scarico pezzetto }\n");
            RReal(535, s.MAX_POLVERE / 2 - s.SPESS_LAMA / 2 - s.DIST_LAMA, "Scarico polvere");
        } else if (remnant < s.DIM_MIN_SCARTO) {
            Out("5      { SPATOL_SCARIC: Scarico non recuperabile }\n");
            RReal(535, -s.X_MAX_PINZA, "Scarico spezzone");
        } else {
            Out("2      { SPATOL_SCARIC: Scarico su Scaricatore }\n");
            RReal(535, -s.X_MAX_PINZA, "Scarico spezzone");
        }
        RReal(526, s.OFF_SCARICO - s.X_MIN_SPATOLA, "R_QUOTA_B: Scarico estrattore");
    } else {
        if (tailClampCode == 0x108)
            Out("2      { SPATOL_SCARIC: Scarico su Scaricatore }\n");
        else
            Out("1      { SPATOL_SCARIC: Scarico su Botola }\n");
        RReal(535, -s.X_MIN_SPATOLA, "Scarico su Botola");
    }
    WriteUnloadPositionBlock(kPieceStateScrap, currentBar->label);
    Block("L<SCARICO.BRE>\n\n");
    WriteBarWithoutPiecesCount();
    return 0;
}

// The execution monitor counts a bar without pieces as one piece per repetition and ends the
// run on R590: the bar counts where it leaves the machine, after its unloading.
void IsoProgramGenerator::WriteBarWithoutPiecesCount() {
    if (!pieces.empty()) return;
    if (MachineVariant == 0) Block("G304CNC\n");
    Block("R%d=R%d+1      { Barra senza pezzi: R_CONT_PEZZI }\n\n", 590, 590);
}

void IsoProgramGenerator::WriteRepeat(int32_t step, int32_t repeatStart) {
    if (step <= 1) return;
    const int32_t k = lineCounter;
    Out("N%d IF (R%d==1) N%d      { R_STOP_CICLO }\n", static_cast<int>(k), 591, static_cast<int>(k + 3));
    Out("N%d\n", static_cast<int>(k + 1));
    lineCounter = k + 2;
    Block("<RPT:N%d;N%d;%d>\n\n", static_cast<int>(repeatStart), static_cast<int>(k + 1), static_cast<int>(step - 1));
}

// The body of variants 0 and 2 (what it shares with variant 1's: iso_body.cpp).
int IsoProgramGenerator::WriteIsoProgramDefault(int32_t step) {
    Body b;
    if (StartBody(b) != 0) return 1;
    WriteDefaultOpening(b, step);
    if (WriteRecordsInOrder(b, [&](BodyRecord& rec) { return WriteDefaultRecord(b, rec); }) != 0) return 1;
    return WriteBodyTail(b, step, [&] { return WriteRemnant(b.remnant, b.preCutTail != nullptr); });
}

// The head, the repeated range from the piece count on, the reference run and the loading; the
// first machining's tool change comes before the loading on variant 2, after it on variant 0.
void IsoProgramGenerator::WriteDefaultOpening(Body& b, int32_t step) {
    const MachineSettings& s = S();
    const int v = MachineVariant;
    WriteHead(step);
    b.repeatStart = lineCounter;
    if (v == 2) RInt(502, s.TIPO_CARIC == 0 ? 0 : 1, "Flag carico automatico");
    RInt(556, static_cast<int32_t>(pieces.size()), "R_NUM_PEZZI_BARRA_PC");
    WriteReferenceRun(b);
    if (v == 2 && b.firstMachining != nullptr) WriteToolChangeBlock(*b.firstMachining, nullptr);
    WriteLoading();
    if (v == 0 && b.firstMachining != nullptr) WriteToolChangeBlock(*b.firstMachining, nullptr);
}

// One record: the bar head's trim (variant 2), a cut's or notch's feed lines unless the cut
// continues the one before at its X, then the cut's pending piece, the notch's P axis or the
// machining's block.
int IsoProgramGenerator::WriteDefaultRecord(Body& b, BodyRecord& rec) {
    const int v = MachineVariant;
    WorkingMachining& r = rec.r;
    const int32_t mode = ModeOf(r);
    const bool cut = IsCut(r);
    const bool notch = v == 2 && IsNotch(r);

    if (v == 2 && cut && mode == 32 && b.pending.cut == nullptr) {
        WriteV2HeadTrim(b, rec);
        HoldUnload(b.pending, r);
        return 0;
    }

    if (cut || notch) {
        const bool continues = rec.prev != nullptr && (IsCut(*rec.prev) || IsNotch(*rec.prev)) &&
                               rec.prev->X == r.X && !rec.unloaded;
        if (!continues && !(v == 2 && mode == 32)) {
            int cause = notch ? 3 : CutFeedCause(r, rec.next);
            cause += NearRemnantExtra(r);
            WriteCutLines(r, rec.next, cause);
        }
    }

    if (cut) {
        // A cut that leaves nothing to unload keeps a piece still waiting for its operations.
        if (CutLeavesPieceToUnload(r)) HoldUnload(b.pending, r);
    } else if (notch) {
        if (WritePAxisBlock(r) != 0) return 1;
    } else {
        if (WriteMachiningBlock(r, rec.next, b.prevMachining) != 0) return 1;
        b.prevMachining = &r;
    }
    return 0;
}

// Variant 2: the trim at the bar head, with no piece waiting; as the bar's last record and
// angled, a square cut first.
void IsoProgramGenerator::WriteV2HeadTrim(const Body& b, const BodyRecord& rec) {
    const MachineSettings& s = S();
    const WorkingMachining& r = rec.r;
    const int extra = NearRemnantExtra(r);
    if (rec.i == b.n - 1 && r.ATaglio != 90000) {
        RInt(540, 1 + extra, "TAGLIO_SPZ_FINALE_90");
        RReal(550, 90000, "R_QUOTA_LAMA");
        RReal(527, kNoAxis, "R_QUOTA_ASSE_P");
        RReal(535, s.CORR_X_LAME - s.SPESS_LAMA / 2 + r.X, "R_QUOTA_U");
        WriteBladeZoneLine(r);
        RInt(592, 1, "R_TAGLIO_ESEGUITO: Finale");
        Block("L<ALIM.BRE>\n\n");
    }
    RInt(540, 20 + extra, "R_CAUSALE_ALIMEN");
    RReal(526, s.CORR_X_LAME - s.SPESS_LAMA / 2 + OffQuotaB(), "R_QUOTA_B per spuntatura");
    RReal(550, r.ATaglio, "R_QUOTA_LAMA");
    RReal(527, s.SCARTO_POSIZ / 2 + s.CORR_P_LAME, "R_QUOTA_ASSE_P");
    WriteBladeZoneLine(r);
    RInt(592, 2, "R_TAGLIO_ESEGUITO: Finale");
    Block("L<ALIM.BRE>\n\n");
}
