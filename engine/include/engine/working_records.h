#pragma once
// Working records of the current bar: one WorkingPiece per piece and one WorkingMachining per
// machining or end-cut record. Every engine step (detail loading, checks, end trims, ordering,
// elaboration, part-program writer) reads and writes these fields under these names. Lengths
// are thousandths of a millimetre, angles thousandths of a degree unless a field says otherwise.
//
// Precedence links (LavBefore, Lav_after): every link stores the Id of the other record itself
// (Id runs from 1 within the bar); 0 means "no link". No other convention is used anywhere.
#include <cstdint>
#include <memory>

inline constexpr int kNoRallaAngle = 360001;       // "no ralla angle" / "no ralla turn"
inline constexpr int kMaxFigureParams = 20;        // parameter slots of a machining
inline constexpr int kMaxDepthSteps = 10;          // depth-step records of a machining
inline constexpr int kMaxCutPoints = 8;
inline constexpr int kMaxLinks = 40;               // LavBefore / Lav_after entries
inline constexpr int kPieceTextSize = 21;          // 20 characters and the terminator
inline constexpr int kNomeLdtSize = 41;
inline constexpr int kProgramNameSize = 260;
inline constexpr int kCutToolSize = 15;

// Face classes (Tipo).
inline constexpr int kFaceOther = 0;
inline constexpr int kFace0 = 1;
inline constexpr int kFace90 = 3;
inline constexpr int kFace180 = 5;
inline constexpr int kFaceMinus90 = 6;

// Program kinds.
inline constexpr int kProgramFigure = 0;   // "<figure>.BRE"
inline constexpr int kProgramLoaded = 1;   // a sub-program the controller loads ("<name>.ISO")
inline constexpr int kProgramCompiled = 2; // a special shape compiled into the part program

// TipoLavor.
inline constexpr int kKindRalla = 1;
inline constexpr int kKindEndCut = 2;
inline constexpr int kKindFigure6000 = 3;
inline constexpr int kKindQBlade = 4;
inline constexpr int kKindSlicerBlade = 5;

// The set (Insieme) of every end-cut record. A machining's set is its piece's 0-based index x
// 10000 plus the office's set number (1 to 9999), never a multiple of 10000: the end cuts never
// share a set, and so never a priority order, with a machining of any piece.
inline constexpr int32_t kEndCutSet = 10000;

// Flags bits OR-ed in by the checks.
inline constexpr int kFlagReachX = 1;
inline constexpr int kFlagReachY = 2;
inline constexpr int kFlagReachZ = 3;
inline constexpr int kFlagTool = 4;
inline constexpr int kFlagFigure = 5;
inline constexpr int kFlagDepthSteps = 0x800;
inline constexpr int kFlagDiameterNotice = 0x1000;
inline constexpr int kFlagSpecialTool = 0x8000;

struct WorkingMachining;

// One piece of the current bar. Zero-filled when made, then the four end angles set to 90000.
struct WorkingPiece {
    int32_t Id = 0;        // 1-based index in the bar
    int32_t made = 0;      // made in an earlier run of this bar: every later step skips it
    int32_t Lung = 0;
    int32_t ADx = 90000;   // right end angle
    int32_t ASx = 90000;   // left end angle
    int32_t ADxRead = 90000; // the two end angles as the list gave them
    int32_t ASxRead = 90000;
    int32_t rightSlice = 0; // 0 none, 1 angled head slice, 2 straight head slice
    int32_t leftSlice = 0;
    int32_t rightSecondAngle = 90000;
    int32_t leftSecondAngle = 90000;
    int32_t rightSliceAngle = 0; // end angle saved when an angled slice replaced it by 90000
    int32_t leftSliceAngle = 0;
    int32_t rightSliceHeight = 0;
    int32_t leftSliceHeight = 0;
    // Per end, right and left interleaved: [0]/[1] blade offset, [2]/[3] blade-side offset,
    // [4]/[5] profile offset, [6]/[7] slope offset.
    int32_t endOffsets[8] = {};
    // X on the bar of the cut line at the two faces of the profile: [0],[1] right end,
    // [2],[3] left end (set by CheckBarLength).
    int32_t endCutX[4] = {};
    int32_t SDx = 0; // right end angle given negative (and not -90 degrees)
    int32_t SSx = 0;
    char Nome[kPieceTextSize] = {};
    char addInfoKey[kPieceTextSize] = {};
    char ADDINFO[kPieceTextSize] = {};
    char texts[3][kPieceTextSize] = {};
    int32_t sharedCut = 0; // right end shares one blade cut with the previous piece's left end
    int32_t Lav = 0;       // number of its records
    int32_t FstLav = 0;    // index of its first record in records

    // Accessors of the interleaved end offsets (end 0 right, 1 left).
    int32_t& BladeOffset(int end) { return endOffsets[0 + end]; }
    int32_t& BladeSideOffset(int end) { return endOffsets[2 + end]; }
    int32_t& ProfileOffset(int end) { return endOffsets[4 + end]; }
    int32_t& SlopeOffset(int end) { return endOffsets[6 + end]; }
};

// One depth pass of a machining, taken from a 42-byte entry of the record's tail.
struct DepthStepRecord {
    int32_t depth = 0;     // entry offset 0
    int32_t values[3] = {}; // entry offsets 4, 8, 12: the step's own speed, feed and plunge
    int32_t flags = 0;     // entry offset 16: bit 0 diameter notice, bit 4 (16) unusable
    int16_t value16 = 0;   // entry offset 20
    int32_t speed = 0;     // entry offset 22, or the record's / tool's speed when below 0
    // Computed by the speed elaboration: spindle speed, feed per revolution, feed, plunge speed.
    int32_t stepVelRot = 0, stepFeedRev = 0, stepVelLav = 0, stepVelSfond = 0;
};

// One machining or end-cut record of the current bar. Zero-filled when made.
struct WorkingMachining {
    int32_t Id = 0;
    int32_t Id2 = 0;       // Id of the machining MergeAdjacentSlots joined into this one
    int32_t active = 0;    // 0 once joined into another machining
    int32_t Figura = 0;
    int32_t programKind = kProgramFigure;
    char programName[kProgramNameSize] = {};
    char cutTool[kCutToolSize] = {};
    double faceAngleRad = 0;
    int32_t Angolo = 0;    // -180000..180000
    int32_t Tipo = 0;      // face class
    double sine = 0;
    double cosine = 1;
    int32_t X = 0, Y = 0, Z = 0;
    int32_t RY = 0, RZ = 0;
    int32_t cutPointMode = 0;
    int32_t cutPointX[kMaxCutPoints] = {};
    int32_t cutPointY[kMaxCutPoints] = {};
    int32_t cutPointZ[kMaxCutPoints] = {};
    int32_t cutPointFlags[kMaxCutPoints] = {};
    double cutAngle = 0;   // degrees
    int32_t LavBeforeCount = 0;
    int32_t LavBefore[kMaxLinks] = {}; // Ids of the records that come before this one
    int32_t endCutMode = 0;
    int32_t overlap = 0;
    int32_t rallaY = 0, rallaZ = 0;
    int32_t centreY = 0, centreZ = 0;
    int32_t insertionMark = 0;
    int32_t depthSteps = 1;
    int32_t stepDepth = 0;
    int32_t totalDepth = 0;
    int32_t Zdisimp = 0;
    uint8_t Svuotam = 0;
    uint8_t Svuotam2 = 0;
    int32_t Uten = 0;      // index into the tool table of RallaToolSet
    int32_t Diam = 0;      // diameter index 0..2, or the blade diameter for blade records
    int32_t toolRadius = 0;
    int32_t requestedDiameter = 0;
    int32_t AngFig = 0;    // 0..359999
    int32_t XFm = 0, XFM = 0, YFm = 0, YFM = 0;
    int32_t Xm = 0, XM = 0, Ym = 0, YM = 0;
    int32_t SupportZone = 0;
    int32_t paramCount = 0;
    int32_t params[kMaxFigureParams] = {};
    int32_t params2[kMaxFigureParams] = {}; // reduced-size set of the roughing test
    int32_t Flags = 0;
    int32_t TipoCaric = 0;
    uint8_t OrderState = 0;
    int32_t Xcaric = 0;
    int32_t PosGroup = 0;
    int32_t SameAsPrev = 0;
    int32_t rallaPosition = 0;  // 0..7
    int32_t Pos_Ralla = 0;      // face angle less the ralla position's angle
    int32_t RallaDelta = kNoRallaAngle;
    // Spindle speed, feed and plunge speed: the list's own values at loading, the computed
    // ones after the speed elaboration; ownSpeeds keeps the list's values.
    int32_t Vel_rot = 0, Vel_lav = 0, Vel_sfond = 0;
    int32_t ownSpeeds[3] = {};
    int32_t speedGiven = 0;
    int32_t rotationSpeed = 0;  // the list's speed of rotation, or the tool's default
    int32_t feedPerRev = 0;     // feed per revolution computed by the speed elaboration
    int32_t Insieme = 0;
    int32_t Priorita = 0;
    int32_t Lav_afterCount = 0;
    int32_t Lav_after[kMaxLinks] = {}; // Ids of the records that come after this one
    uint8_t markByte = 0;       // stored byte 251
    uint8_t roughMark1 = 0;     // stored byte 252: 1 no roughing pass
    uint8_t roughMark2 = 0;     // stored byte 253: 1 no plunge passes
    int32_t figureSense = 0;
    char NomeLdt[kNomeLdtSize] = {};
    int32_t IdLdt = 0;
    int32_t TipoLavor = kKindRalla;
    int32_t ATaglio = 0;        // A.Taglio: cut angle of a cut record
    int32_t PezzoDx = 0;
    int32_t ScaricoMin = 0, ScaricoMax = 0, ScaricoDx = 0;
    int32_t CutMode = 0;
    WorkingPiece* PieceRef = nullptr;
    uint8_t nearHorizontal = 0;
    double overrunX = 0;        // millimetres
    double overrunXVice = 0;
    // Blade footprint of a cut at the vices' top (millimetres) and the flag that makes the
    // blade-cut geometry use it instead of the plain disc; the blade's tilt angle in degrees.
    // The cut's vertex count is cutPointMode (1 or 4; 2 on the variant-1 body).
    double footprintWidth = 0;
    uint8_t footprintFlag = 0;
    double tiltAngle = 0;
    // End-cut fields (end trims and SetCutClampCode).
    int32_t endFlags = 0;       // bit 1 first-end cut, bit 2 other-end cut
    int32_t cutNumber = 0;
    int32_t cutKind = 0;        // cut class: 1 other end, 2 first end, 3 angled then square
    int32_t cutPosition = 0;    // remnant before the cut
    int32_t clampPos[3] = {};
    int32_t clampCode = 0;
    int32_t workRange[2][2] = {};
    int32_t reach = 0;
    int32_t lastX = 0;
    int32_t passOver = 0;
    int32_t extraLength = 0;
    int32_t OwnPositioning = 0;
    std::unique_ptr<WorkingMachining> companion; // owned, freed with the record
    std::unique_ptr<uint8_t[]> pieceCopy;        // 256-byte piece copy (end trims)
    int16_t depthStepMarker = 0;                 // 1 when depthStepRecords hold the tail
    DepthStepRecord depthStepRecords[kMaxDepthSteps] = {};
};

// Whether a record is a blade record of machine variant 1 (TipoLavor 4 or 5).
inline bool IsBladeKind(int32_t kind) { return kind == kKindQBlade || kind == kKindSlicerBlade; }

// The passes of a section-planned end cut: its points carry a pass flag (1, 2, 16 or 32); the
// blade-cut block takes at most four of them, and a cut without flags is one pass.
inline int SectionCutPointCount(const WorkingMachining& m) {
    int n = 0;
    while (n < 4 && m.cutPointFlags[n] != 0) ++n;
    return n == 0 ? 1 : n;
}
