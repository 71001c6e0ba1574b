// Block writers of the part program shared by the program bodies: tool change, sub-program and
// special-shape call, P axis, next-tool check, unloading position, the machining block, the
// vice position of a blade cut and the blade-cut block.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "engine/iso_generator.h"
#include "engine/blade_adapter.h"
#include "engine/shape_compiler.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/lda_format.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace {

const MachineSettings& S() { return *g_pSettings; }

const ToolRecord& ToolOf(const WorkingMachining& m) {
    static const ToolRecord none;
    return g_pRallaTools != nullptr ? g_pRallaTools->Tool(m.Uten) : none;
}

int DiamIndex(const WorkingMachining& m) { return (m.Diam >= 0 && m.Diam < 3) ? m.Diam : 0; }

// The ralla rotation of a machining: the angle T1 is brought to so that the machining's ralla
// position faces its face, i.e. the face angle less the position's angle, in (-180, 180].
int32_t RallaRotationOf(const WorkingMachining& m) {
    static constexpr int32_t kPositionAngle[8] = {0, 90000, 180000, 270000, 45000, 135000, 225000, 315000};
    const int p = (m.rallaPosition >= 0 && m.rallaPosition < 8) ? m.rallaPosition : 0;
    int32_t a = (m.Angolo - kPositionAngle[p]) % 360000;
    if (a > 180000) a -= 360000;
    if (a <= -180000) a += 360000;
    return a;
}

// The ralla angle a machining is worked at: the absolute angle the elaboration chose for it,
// which keeps the direction of turn from face to face (-180 stays -180); the face rotation
// for a machining whose tool stands on no position.
int32_t RallaAngleOf(const WorkingMachining& m) {
    return m.RallaDelta == kNoRallaAngle ? RallaRotationOf(m) : m.Pos_Ralla;
}

// A machining's vice position and vice mode for the support-vice lines: the support zone the
// elaboration gave it and the kind of positioning of the bar for it.
int32_t VicePositionOf(const WorkingMachining& m) { return m.SupportZone; }
int32_t ViceModeOf(const WorkingMachining& m) { return m.TipoCaric; }

int32_t Truncate(double v) { return static_cast<int32_t>(std::trunc(v)); }

// Figure kind of a machining from its two figure bytes (1 means no roughing of that sort): the
// plain figure; a roughing pass at the reduced size (the second parameter set) before the
// figure; or plunge passes, each down to its depth, then the figure at the full depth. The
// second byte asks for plunge passes only where there is more than one.
constexpr int kFigurePlain = 1;
constexpr int kFigureRoughing = 2;
constexpr int kFigurePlunges = 3;
constexpr int kMaxPlungePasses = 99; // a bound against a malformed pass count
constexpr int kIsoFigureParams = 9;   // R300 to R308
int FigureKindOf(const WorkingMachining& m) {
    if (m.roughMark1 != 1) return kFigureRoughing;
    if (m.roughMark2 != 1 && m.depthSteps > 1) return kFigurePlunges;
    return kFigurePlain;
}

// Dwell of a machining at the bottom of each pass, in seconds: the list keeps it in the byte at
// offset 251 of the machining record, in hundredths of a second.
long double DwellSecondsOf(const WorkingMachining& m) { return m.markByte / 100.0L; }

// The marks of a depth step: bit 16 of its flag word marks it unusable, and the step is passed
// over; bit 0x10 of its 16-bit exit word asks to leave Z down after it.
bool StepSkipped(const DepthStepRecord& d) { return (d.flags & 16) != 0; }
bool StepKeepsZDown(const DepthStepRecord& d) { return (d.value16 & 0x10) != 0; }

// Vertices of a blade cut: one for the blade machining of kind 4, four for kind 5; an end cut
// planned against the section makes one pass per planned point (two where no single pass clears
// the section).
int CutVertexCount(const WorkingMachining& cut) {
    if (cut.TipoLavor == kKindQBlade) return 1;
    if (cut.TipoLavor == kKindSlicerBlade) return 4;
    if (cut.TipoLavor == kKindEndCut) return SectionCutPointCount(cut);
    return BladeVertexMode(cut);
}

} // namespace

WorkingMachining* IsoProgramGenerator::RecordById(int32_t id) const {
    if (id <= 0) return nullptr;
    for (WorkingMachining* r : records)
        if (r != nullptr && r->Id == id) return r;
    return nullptr;
}

bool IsoProgramGenerator::NeedsSeveralRotations() const {
    bool have = false;
    int32_t ref = 0;
    for (int i = 0; i < orderedRecords && i < static_cast<int>(order.size()); ++i) {
        const WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        if (m.TipoLavor != kKindRalla) continue;
        const int32_t r = RallaRotationOf(m);
        if (!have) {
            have = true;
            ref = r;
        } else if (r != ref) {
            return true;
        }
    }
    return false;
}

int32_t IsoProgramGenerator::ToolDiameter(const WorkingMachining& m) const {
    return ToolOf(m).diameter[DiamIndex(m)];
}

void IsoProgramGenerator::WriteToolChangeBlock(const WorkingMachining& m, const WorkingMachining* prev) {
    if (m.TipoLavor == kKindEndCut) return;
    const ToolRecord& t = ToolOf(m);
    // Variant 2 reaches a machining's positioning only through this block: it is written
    // whenever the bar does not already stand there, even with the tool in place.
    const bool moveBar = MachineVariant == 2 && prev != nullptr && barStandsAt_ != m.Xcaric;
    if (prev != nullptr && !moveBar) {
        const ToolRecord& pt = ToolOf(*prev);
        if (RallaAngleOf(*prev) == RallaAngleOf(m) && prev->Uten == m.Uten &&
            pt.diameter[DiamIndex(*prev)] == t.diameter[DiamIndex(m)] && pt.totalLength == t.totalLength &&
            prev->rallaPosition == m.rallaPosition)
            return; // the tool is in place
    }
    RReal(506, RallaAngleOf(m), "Angolo a cui si deve portare T1");
    RReal(507, t.totalLength, "Lunghezza utensile");
    RReal(508, t.diameter[DiamIndex(m)] / 2, "Raggio utensile");
    RInt(611, m.rallaPosition + 1, "Utensile da attivare");
    if (MachineVariant == 2) {
        const int32_t u = prev == nullptr ? currentBar->length + S().POSIZ_BARRIERA : m.Xcaric;
        RReal(535, u, "R_QUOTA_U");
        barStandsAt_ = prev == nullptr ? kBarMoved : m.Xcaric;
    }
    Block("L<RALLA.BRE>\n\n");
}

int IsoProgramGenerator::WriteSpecialShapeCall(const char* name, const WorkingMachining& m) {
    if (m.programKind != kProgramCompiled) {
        // The name stands inside the call: one the dialect would read as its own (a line end,
        // the call's or a comment's marks) is refused, whatever step let it through.
        if (!lda::IsProgramSafeText(reinterpret_cast<const uint8_t*>(name), static_cast<int>(std::strlen(name)))) {
            SetErrorText("%s (LDT:%s-%d)", MsgError("ERR_BAD_RECORD"), m.NomeLdt, static_cast<int>(m.IdLdt));
            return 1;
        }
        Block("L<%s>\n", name);
        return 0;
    }
    // The compiler appends to the program file itself: hand it the file closed and flushed.
    if (isoFile != nullptr) {
        if (std::fflush(isoFile) != 0) writeError_ = true;
        CloseFile();
    }
    const int32_t before = lineCounter;
    const char* programDir = g_pPathTable != nullptr ? (*g_pPathTable)[PathTable::kProgramDir] : "";
    const int32_t r =
        TheShapeCompiler().CompilaSpeciale3(programDir, name, "BRE", 0, &lineCounter, isoPath, ToolDiameter(m));
    // A compile reported as done that appended nothing is as unusable as a failed one.
    if (static_cast<int16_t>(r) != 0 || lineCounter <= before) {
        SetErrorText("%s (ISO)", MsgError("ERR_COMP_SPECIAL"));
        return 1;
    }
    isoFile = std::fopen(isoPath, "ab");
    if (isoFile == nullptr) {
        SetProgramWriteFault(errno);
        return 1;
    }
    return 0;
}

int IsoProgramGenerator::WritePAxisBlock(const WorkingMachining& m) {
    // The P axis carries the blade across the bar: a notch cut's Y.
    RReal(527, S().CORR_P_LAME - m.Y, "R_QUOTA_ASSE_P");
    Block("L<6000.ISO>\n\n");
    return 0;
}

int IsoProgramGenerator::ToolCheckValue() {
    if (g_pSettings == nullptr) return 0;
    return S().LASER_CK_TOOL != 0 ? S().CK_TOOL : 0;
}

void IsoProgramGenerator::WriteNextToolBlock() {
    if (ToolCheckValue() == 0 || currentBar == nullptr || g_pRallaTools == nullptr) return;
    const BarRecord& bar = *currentBar;
    const int32_t* setup = BarSetup();
    for (int p = 0; p < g_rallaPositions && p < kRallaMaxPositions; ++p) {
        if (setup[p] == 0) continue;
        // The positions the optimiser marked in use for this bar; a bar computed outside a
        // selection uses the positions of its set-up that hold a tool it requests.
        bool used = bar.chosenMarks[p] != 0;
        if (bar.setupStored == 0)
            used = std::find(std::begin(bar.requiredTools), std::end(bar.requiredTools), setup[p]) !=
                   std::end(bar.requiredTools);
        if (!used) continue;
        RReal(507, g_pRallaTools->Tool(setup[p]).totalLength, "R_LENGTH_NEXTOOL");
        RInt(611, p + 1, "R_NEXT_TOOL");
        Block("L<CKTOOL.BRE>\n\n");
    }
}

void IsoProgramGenerator::WriteUnloadPositionBlock(int pieceState, const char* text) {
    if (S().MAX_POS_SCARIC <= 1) return;
    int pos = S().DEF_POS_SCARIC;
    if (pieceState == kPieceStateGood && text != nullptr && std::isdigit(static_cast<unsigned char>(text[0]))) {
        const int d = text[0] - '0';
        if (d >= 1 && d <= S().MAX_POS_SCARIC) pos = d;
    }
    RInt(542, pos, "R_POS_SCARICO");
}

// The support vice's position for the machining and for the next one (variant 0, and variant 1
// with its support vices).
void IsoProgramGenerator::WriteSupportViceLines(const WorkingMachining& m, const WorkingMachining* next) {
    const MachineSettings& s = S();
    if (MachineVariant == 0 || (MachineVariant == 1 && s.options.MORSE_SUPP != 0)) {
        if (s.MORSE_SUPP < 2) {
            RInt(512, VicePositionOf(m), "R_POS_MORSAVOL");
            RInt(513, next != nullptr ? VicePositionOf(*next) : -1, "R_NEXTPOS_MORSAVOL");
        } else {
            const bool own = ViceModeOf(m) == 1 || ViceModeOf(m) == 11;
            RInt(512, own ? VicePositionOf(m) : -1, "R_POS_MORSAVOL");
            int32_t n = -1;
            if (next != nullptr && (ViceModeOf(*next) == 1 || ViceModeOf(*next) == 11))
                n = VicePositionOf(*next);
            else if (own && next != nullptr)
                n = 0;
            RInt(513, n, "R_NEXTPOS_MORSAVOL");
        }
    }
}

// The face the machining is on and the tool's position on it: X from the bar's head (0 on
// variant 2), Y and Z turned onto the face and taken from the section's far side on faces 1
// and 2, the ralla position's tool offsets removed.
void IsoProgramGenerator::WriteFaceAndPosition(const WorkingMachining& m) {
    const MachineSettings& s = S();
    int face;
    if (m.Tipo == kFace0)
        face = 1;
    else if (m.Tipo == kFace180)
        face = 6;
    else
        face = m.sine > 0 ? 3 : 2;
    RInt(203, face, "NumFaccia");
    RReal(213, m.Angolo, "AngFaccia");

    const int rp = (m.rallaPosition >= 0 && m.rallaPosition < 8) ? m.rallaPosition : 0;
    const int32_t x = m.X - s.OFFX_T[rp];
    const int32_t y = m.Y - s.OFFY_T[rp];
    const int32_t z = m.Z - s.OFFZ_T[rp];
    int32_t posY = y, posZ = z;
    switch (m.Tipo) {
    case kFace0: posY = y; posZ = z; break;
    case kFace90: posY = -z; posZ = y; break;
    case kFace180: posY = -y; posZ = -z; break;
    case kFaceMinus90: posY = z; posZ = -y; break;
    default: // a face at an angle (and the unused classes 2 and 4: turned by their own angle)
        posY = Truncate(y * m.cosine - z * m.sine);
        posZ = Truncate(z * m.cosine + y * m.sine);
        break;
    }
    if (face == 1) posZ += currentBar->zMax - currentBar->zMin;
    if (face == 6) posZ = -posZ;
    if (face == 2) posY += currentBar->yMax - currentBar->yMin;
    if (face == 3) posY = -posY;
    const int32_t posX = MachineVariant == 2 ? 0 : x + (m.Xcaric - currentBar->length);
    RReal(210, posX, "PosX");
    RReal(211, posY, "PosY");
    RReal(212, posZ, "PosZ");
    RInt(241, 0, "Rotazione antioraria");
}

int IsoProgramGenerator::WriteMachiningBlock(const WorkingMachining& m, const WorkingMachining* next,
                                             const WorkingMachining* prev) {
    const char* name = IsTapMachining(m) ? "6.BRE" : m.programName;
    // The figure parameters go to R300 on; R309 to R311 hold the figure angle and the speeds, so a
    // figure of more than nine parameters has no room in the program and is refused.
    if (m.paramCount > kIsoFigureParams) {
        FormatMachiningMessage(m, "ERR_PAR_ISO");
        return 1;
    }

    WriteSupportViceLines(m, next);
    WriteToolChangeBlock(m, prev);
    WriteFaceAndPosition(m);

    const ToolRecord& tool = ToolOf(m);
    const bool hasSteps = m.depthStepMarker == 1 && m.depthSteps > 0;
    const int steps = hasSteps ? std::min<int32_t>(m.depthSteps, kMaxDepthSteps) : 1;
    const bool compiled = m.programKind == kProgramCompiled; // a compiled shape holds all its passes
    const int kind = compiled ? kFigurePlain : FigureKindOf(m);
    const int32_t approach = m.insertionMark == 2 ? 1 : 0;
    int written = 0;          // passes written
    int32_t lastDepth = 0;    // depth reached by the passes written

    // One pass: the figure parameters, the Z levels, the call, the dwell and the exit.
    struct Levels {
        int32_t clearance, start, depth, passes;
        int form; // 0 plain, 1 plain step (the two-blank clearance), 2 plunge pass, 3 final pass
        bool roughing;
    };
    auto pass = [&](const Levels& z, bool lastPass, bool noLift) -> int {
        const int32_t* values = z.roughing ? m.params2 : m.params;
        for (int i = 0; i < m.paramCount && i < kMaxFigureParams; ++i)
            RReal(300 + i, values[i], "Parametri definizione figure");
        switch (z.form) {
        case 2:
            RReal(330, z.clearance, "Z disimpegno", 5);
            RReal(331, z.start, "Z iniziale", 5);
            RReal(332, z.depth, "Z sfondamento", 5);
            RInt(324, z.passes, "numero di passi sfondamento", 5);
            break;
        case 3:
            RReal(330, z.clearance, "Z disimpegno");
            RReal(331, z.start, "Z iniziale");
            RReal(332, z.depth, "Z sfondamento massimo");
            RInt(324, z.passes, "Numero di step");
            break;
        default:
            if (z.form == 1)
                Block("R%d=%lg      {  Z disimpegno }\n", 330, z.clearance / 1000.0);
            else
                RReal(330, z.clearance, "Z disimpegno");
            RReal(331, z.start, "Z iniziale");
            RReal(332, z.depth, "Z di sfondamento");
            RInt(324, z.passes, "numero di passi sfondamento");
            break;
        }
        if (z.form == 3)
            RInt(530, approach, "Tipo di percorso");
        else if (z.roughing || z.form == 2)
            Block("R%d=%d\n", 530, static_cast<int>(approach));
        else
            RInt(530, approach, "R_APPROCCIO_Z");
        if (WriteSpecialShapeCall(name, m) != 0) return 1;
        const long double dwell = DwellSecondsOf(m);
        if (m.TipoLavor == kKindRalla && dwell > 0) Block("G4 F%.2Lf\n", dwell);
        RReal(330, noLift ? 0 : m.Zdisimp, "Z disimpegno");
        // The machining's own exit mode when it is done; between passes the tool disengages,
        // or stays down when the step asks for no lift.
        const int32_t flag = lastPass ? m.SameAsPrev : (noLift ? 3 : 2);
        Block("R%d=%d      { FlagExit: 0=fuori ingombro  1=slitta dentro(PVC)  2=disimpegno  3=nessun spostam.Z }\n",
              250, static_cast<int>(flag));
        if (written == 0)
            Block("L<EXIT_MAN.BRE>\n\n");
        else
            Out("\n"), Block("L<EXIT_MAN.BRE>\n\n");
        ++written;
        return 0;
    };

    for (int k = 0; k < steps; ++k) {
        const DepthStepRecord* st = hasSteps ? &m.depthStepRecords[k] : nullptr;
        if (st != nullptr && StepSkipped(*st) && k != steps - 1) continue;
        const bool lastStep = k == steps - 1 || compiled;
        // The speeds the elaboration computed and tested, the step's own for a stepped machining.
        RInt(242, st != nullptr ? st->stepVelRot : m.Vel_rot, "velocita' di rotazione");
        RInt(500, tool.cooling, "R_FREQ_LUBRICA");
        RInt(310, st != nullptr ? st->stepVelSfond : m.Vel_sfond, "velocita' di sfondamento");
        RInt(311, st != nullptr ? st->stepVelLav : m.Vel_lav, "velocita' di lavorazione");
        RReal(503, tool.length[DiamIndex(m)], "lunghezza tagliente");
        RReal(309, m.AngFig, "Angolo figura");
        RInt(322, m.figureSense == 0 ? 1 : 0, "Senso di esecuzione figura");
        RInt(320, m.Svuotam, "Flag Svuotamento");
        RInt(321, 0, "Flag Elicoidale");
        RInt(323, 0, "Flag Veloce");
        const bool noLift = st != nullptr && StepKeepsZDown(*st) && m.TipoLavor == kKindRalla;
        // Z levels of the step: the whole depth without steps, else from the depth reached to
        // the step's; a step that repeats the depth reached starts again from the clearance.
        const int32_t to = st != nullptr ? st->depth : m.totalDepth;
        const bool first = written == 0 || st == nullptr;
        const bool fromClearance = first || to == lastDepth;
        const Levels plain = st == nullptr ? Levels{m.Zdisimp, 0, m.totalDepth, m.depthSteps, 0, false}
                                           : Levels{fromClearance ? m.Zdisimp : lastDepth, first ? 0 : lastDepth, to, 1,
                                                    fromClearance ? 0 : 1, false};
        int rc = 0;
        if (kind == kFigureRoughing) {
            Levels rough = plain;
            rough.roughing = true;
            // The tool is lifted between the reduced and the full size of the figure.
            rc = pass(rough, false, false);
            if (rc == 0) rc = pass(plain, lastStep, noLift);
        } else if (kind == kFigurePlunges) {
            // Plunge passes: the steps themselves, or the machining's pass count in even passes;
            // then the final pass at the full depth.
            const int passes = st != nullptr ? 1 : std::clamp<int32_t>(m.depthSteps, 1, kMaxPlungePasses);
            for (int p = 1; p <= passes && rc == 0; ++p) {
                const int32_t depth = st != nullptr ? to : static_cast<int32_t>(int64_t{to} * p / passes);
                const bool top = written == 0;
                rc = pass(Levels{top ? m.Zdisimp : lastDepth, top ? 0 : lastDepth, depth, 1, 2, false}, false, noLift);
                lastDepth = depth;
            }
            if (rc == 0 && lastStep) rc = pass(Levels{m.Zdisimp, 0, to, written, 3, false}, true, noLift);
        } else {
            rc = pass(plain, lastStep, noLift);
        }
        if (rc != 0) return rc;
        lastDepth = to;
        if (compiled) break;
    }
    return 0;
}

int32_t IsoProgramGenerator::ComputeCutVicePosition(WorkingMachining& cut) {
    const MachineSettings& s = S();
    ResetBladeCutFields(*this);
    const int32_t margin = 0;
    const int vertexMode = BladeVertexMode(cut);
    const bool initial = (cut.endFlags & 1) != 0;
    const int32_t mode = cut.CutMode != 0 ? cut.CutMode : cut.clampCode;
    if ((initial && (mode == 1 || mode == 2 || mode == 0x102)) || viceUsable == 0) {
        viceCloses = 0;
        cutVicePosition = s.X_MAX_MORSA;
        return cutVicePosition;
    }
    int32_t v;
    if (initial) {
        viceCloses = 0;
        v = BladeViceClearance(*this, cut, cutBarX_, vertexMode, margin, 0, 0);
        if (cut.TipoLavor == kKindEndCut) {
            v = std::max(s.X_MIN_MORSA, v);
            const int32_t e = BladeHighObstacleClearance(*this, cut, v, cutBarX_, 1);
            if (e > 0) v += e;
        }
    } else {
        v = BladeViceClearance(*this, cut, cutBarX_, vertexMode, margin, 0, 0);
        bool notches = false;
        for (int i = 0; i < cut.Lav_afterCount && i < kMaxLinks; ++i) {
            const WorkingMachining* f = RecordById(cut.Lav_after[i]);
            if (f != nullptr && f->TipoLavor == kKindFigure6000) notches = true;
        }
        if (cut.TipoLavor == kKindEndCut && notches && cut.ATaglio % 45000 != 0) {
            const int ck = plat::GetProfileInt("NOTCH", "CK_CUTN45", 1, g_pPathTable->ConfigPar());
            Out("{ CK_NOTCH_CUTN45 = %d }\n", ck);
            if (ck != 0) return -4;
            const int answer = ShowBox("T_ATTENZIONE", MsgString("M_INTEST_NO45"), BoxButtons::YesNo, BoxIcon::Warning);
            Out("{ EXE_NOTCH_CUTN45 = %d }\n", answer == IDYES ? 1 : 0);
            if (answer != IDYES) return -4;
        }
    }
    // Refit against every machining that must follow the cut: the largest vice position wins.
    int32_t best = v;
    int32_t viceValue = 0;
    const int32_t limit = cut.PieceRef != nullptr ? cut.PieceRef->Lung : currentBar->length;
    for (int i = 0; i < cut.Lav_afterCount && i < kMaxLinks; ++i) {
        WorkingMachining* f = RecordById(cut.Lav_after[i]);
        if (f == nullptr) continue;
        const int32_t r = FitBladeViceToFollowing(*this, cut, *f, cutBarX_, viceValue, v, limit, margin);
        if (r < 0) return r;
        best = std::max(best, r);
    }
    // The vices close for the cut. A clearance short of their travel is raised to its start;
    // one beyond it is returned as it is and refuses the cut: a clearance is never lowered,
    // for the vices would then close on the blade's way.
    viceCloses = 1;
    cutVicePosition = std::max(best, s.X_MIN_MORSA);
    return cutVicePosition;
}

int IsoProgramGenerator::WriteCutBlock(WorkingMachining& cut, int cause) {
    const MachineSettings& s = S();
    auto fail = [](const char* key) {
        SetErrorTextLiteral(MsgError(key));
        return 1;
    };
    ResetBladeCutFields(*this);

    RInt(540, cause + 21, "R_CAUSALE_ALIMEN");
    // The vertex count goes with every cut of several vertices (the cycle 6020 reads it) and
    // with the blade machinings; a single-pass end cut runs the one-vertex cycle without it.
    const int vertices = CutVertexCount(cut);
    if (IsBladeKind(cut.TipoLavor) || vertices > 1) RInt(260, vertices, "R_NUM_VERTICI_TG");

    const int vertexMode = BladeVertexMode(cut);
    // On variant 1 a cut held by the third and fourth vices is first fed to vice 4's grip: the
    // placement leaves room for that step in the X travel as for the cut's own vertices.
    int64_t shift = 0;
    if (MachineVariant == 1 && cut.cutPointX[0] < 0 &&
        !Vice34Shift(cut.ATaglio, currentBar->yMax - currentBar->yMin, shift))
        shift = 0; // no travel reaches the grip: the steps refuse the cut
    const int32_t step = static_cast<int32_t>(std::clamp<int64_t>(-shift, INT32_MIN, INT32_MAX));
    const int32_t x = PlaceBladeCut(*this, cut, vertexMode, 0, 0, step);
    if (x < s.X_PAR_MIN || x > s.X_PAR_MAX) return fail(x < 0 ? "ERR_LAMA_MORSA34" : "ERR_TAGLIO_ASSE_X");
    cutBarX_ = x;
    RReal(560, x, "R_QUOTA_X_TAGLIO");
    RReal(550, cut.ATaglio, "R_QUOTA_LAMA");

    const int32_t p = cut.cutPointY[0] - s.OFF_Y_LAMA + (cut.ATaglio == 90000 ? s.CORR_Y_ASSI : 0);
    if (p < s.Y_MIN_LAMA || p > s.Y_MAX_LAMA) return fail("ERR_TAGLIO_ASSE_Y");
    RReal(527, p, "R_QUOTA_P");

    // A cut placed with a negative first vertex falls beyond the first vices: the third and
    // fourth vices hold the bar.
    const bool vices34 = cut.cutPointX[0] < 0;
    const bool flat = cut.ATaglio == 0 || cut.ATaglio == 180000;
    int32_t u = x - s.DIST_MORSE_LAMA + (flat ? s.CORR_X_ASSE_U : 0);
    if (vices34) u = x + s.DELTA_X_SUPPORTO_34 - s.DIST_MORSE34;
    // The U axis reaches down to -X_MAX_PINZA (where the unloadings send it).
    if (u < -s.X_MAX_PINZA) return fail("ERR_TAGLIO_ASSE_U");
    RReal(535, uFree ? 0 : u, "R_QUOTA_U");

    const int32_t v = ComputeCutVicePosition(cut);
    if (v == -1) return fail("ERR_INGOMBRI_B");
    if (v == -2) return fail("ERR_INTEST_PZ");
    if (v == -4) return fail("ERR_INTEST_NO45");
    if (v < s.X_MIN_MORSA || v > s.X_MAX_MORSA) return fail("ERR_TAGLIO_ASSE_B");
    RInt(571, viceCloses ? 1 : 0, "R_CLOSE_MORSE_TAGLIO");
    RReal(526, v + ((vices34 && flat) ? s.CORR_X_ASSE_B : 0), "R_QUOTA_B");
    RInt(520, currentBar->VELH_CUT / 1000, "R_VEL_H_TAGLIO");

    const int32_t h = currentBar->offsetZ + currentBar->zMax + s.EXTRA_H_APPR;
    if (h < s.Z_MIN_LAMA || h > s.Z_MAX_LAMA) return fail("ERR_TAGLIO_ASSE_Z");
    RReal(265, h, "R_H_APPROCCIO");

    const int n = std::clamp(vertices, 1, 4);
    for (int i = 0; i < n; ++i) {
        const int32_t dx = i == 0 ? 0 : cut.cutPointX[i] - cut.cutPointX[i - 1];
        const int32_t dp = i == 0 ? 0 : cut.cutPointY[i] - cut.cutPointY[i - 1];
        const int32_t dh = i == 0 ? 0 : cut.cutPointZ[i] - cut.cutPointZ[i - 1];
        if (i > 0) {
            const int32_t xi = x + cut.cutPointX[i] - cut.cutPointX[0];
            const int32_t pi = p + cut.cutPointY[i] - cut.cutPointY[0];
            if (xi < s.X_PAR_MIN || xi > s.X_PAR_MAX || pi < s.Y_MIN_LAMA || pi > s.Y_MAX_LAMA)
                return fail("ERR_TAGLIO_A_C");
        }
        RReal(266 + 3 * i, dx, "R_DX_SFONDA");
        RReal(267 + 3 * i, dp, "R_DP_SFONDA");
        RReal(268 + 3 * i, dh, "R_DH_SFONDA");
    }
    // Variant 1 adds the vice-3/4 steps and the cut's R592 form before feeding.
    if (MachineVariant == 1 && WriteV1CutSteps(cut, x, v + ((vices34 && flat) ? s.CORR_X_ASSE_B : 0), vices34) != 0)
        return 1;
    Block("L<ALIM.BRE>\n\n");
    Block(n == 1 ? "L<6010.ISO>\n\n" : "L<6020.ISO>\n\n");
    return 0;
}
