#pragma once
// IsoProgramGenerator: the part-program side of the list object. After ComputeBar has loaded and
// tested a bar, GenerateIsoProgram elaborates and orders its records and writes the bar's part
// program in the controller's ISO dialect: "ISONV" in the controller work directory when the bar
// goes to the machine, else "OUTPUT.ISO" in the program directory. Lines end in CR LF.
//
// A program is written into a temporary file beside its final name and renamed onto it only when
// the whole program was written, so a failed generation never leaves a partial program behind.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/bar_computation.h"

inline constexpr std::size_t kIsoPathSize = 260;

// Piece states of a cut as the unloading lines read them.
inline constexpr int kPieceStateGood = 1;  // the cut frees a piece of the list
inline constexpr int kPieceStateScrap = 2; // the cut frees scrap (a trim or the remnant)

class IsoProgramGenerator : public BarComputation {
public:
    explicit IsoProgramGenerator(const char* path);
    ~IsoProgramGenerator() override;

    // 0 when the program was written, closed and put in place; 1 on failure (g_errorText), and
    // then no file of the failed run is left behind.
    int GenerateIsoProgram(int32_t step, int forMachine);
    // Operator warnings of the last GenerateIsoProgram (a speed out of range), ready to show
    // after the generation; emptied at the start of every generation.
    std::vector<std::string> warnings;
    // Body of machine variants 0 and 2 (the file must be open): 0 written and closed, 1 failed.
    int WriteIsoProgramDefault(int32_t step);
    // Body of machine variant 1 (iso_variant1.cpp; the file must be open): 0 written and
    // closed, 1 failed.
    int WriteIsoProgramVariant1(int32_t step);

    // ---- shared block writers ----
    bool NeedsSeveralRotations() const;
    void WriteToolChangeBlock(const WorkingMachining& m, const WorkingMachining* prev);
    int WriteSpecialShapeCall(const char* name, const WorkingMachining& m);
    int WritePAxisBlock(const WorkingMachining& m);
    void WriteNextToolBlock();
    void WriteUnloadPositionBlock(int pieceState, const char* text);
    // Whether the piece freed by the pending cut u is unloaded before the record at position i
    // of the order is written (iso_pending_unload.cpp).
    bool UnloadsBefore(int i, const WorkingMachining& u) const;
    int WriteMachiningBlock(const WorkingMachining& m, const WorkingMachining* next, const WorkingMachining* prev);
    void WriteSupportViceLines(const WorkingMachining& m, const WorkingMachining* next);
    void WriteFaceAndPosition(const WorkingMachining& m);
    // Vice X of a blade cut (thousandths) or a negative code: -1 no room for the vices, -2 the
    // piece's head cut collides, -4 a notch cut off 45 degrees refused.
    // The cut's record carries its blade data (a turned cut keeps its turned angle).
    int32_t ComputeCutVicePosition(WorkingMachining& cut);
    // All lines of one blade cut with its limit checks: 0, or 1 with the message in g_errorText.
    int WriteCutBlock(WorkingMachining& cut, int cause);

    // One step of a blade cut held by the third and fourth vices: blade X, U axis and vice (B)
    // position, thousandths.
    struct Vice34Step {
        int32_t x = 0;
        int32_t u = 0;
        int32_t b = 0;
    };
    // Steps of a vice-3/4 cut at bar position x with vice position vice, blade angle angle and
    // section width (Y extent) width: the count written to steps (1 or 2), or a negative code:
    // -1 a step's blade X leaves the X travel, -2 its U lies beyond the U reach, -3 its vice
    // position leaves the vice travel. uFree writes U as 0.
    static int Vice34Steps(int32_t x, int32_t vice, int32_t angle, int32_t width, bool uFree, Vice34Step steps[2]);
    // X by which vice 4's step stands below the cut's own X (negative: above it); false when the
    // cut line crosses the faces beyond any travel.
    static bool Vice34Shift(int32_t angle, int32_t width, int64_t& shift);
    // R592 form that the variant-1 body gives the next blade cut (0: none).
    enum V1CutForm { kV1FormNone = 0, kV1FormInitial, kV1FormEndOfHeadScrap, kV1FormEndIntoTrapdoor };

    // The tool check value: CK_TOOL while LASER_CK_TOOL is set, else 0.
    static int ToolCheckValue();
    // The path the program goes to (Windows form) for the machine variant and destination.
    static std::string IsoOutputPath(int forMachine);

    // ---- writer state ----
    FILE* isoFile = nullptr;
    int32_t lineCounter = 0;
    char isoPath[kIsoPathSize] = {};  // native path of the file being written (the temporary)
    int32_t IsoCode = 9999;
    int32_t optimLevel = 1;
    int32_t cutVicePosition = 0;
    uint8_t viceCloses = 0;     // the vices close for the current cut
    uint8_t viceUsable = 1;     // the vices may hold the bar for a cut
    uint8_t uFree = 0;          // the U axis is left free for the current cut
    uint8_t lastBarOfList = 0;  // set by the bar confirmation: written as R545
    // Lengths of the bars loaded after this one (variant 1), set by the bar confirmation: the
    // next bar, or this bar's own length and the next one when more repetitions follow.
    int32_t nextBarLength1 = 0;
    int32_t nextBarLength2 = 0;

    // ---- line output ----
    // Writes text made by fmt in the C locale; every "\n" becomes CR LF.
    void Out(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Writes "N<counter> " and advances the counter, then text like Out.
    void Block(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // "N<n> R<r>=<value>      { <comment> }\n" with a real in millimetres or degrees.
    void RReal(int r, int32_t thousandths, const char* comment, int gap = 6);
    void RInt(int r, int32_t value, const char* comment, int gap = 6);
    // Unloading cause text that completes a split R540/R541 line, or null for a mode with none.
    // Hands the lines held in memory to the file (the program is held whole and written once, up to kHoldLimit).
    void FlushBuffer();
    static const char* UnloadCauseText(int32_t mode, int variant, bool endOfBar, bool shortScrap);

private:
    void VOut(bool numbered, const char* fmt, va_list ap) __attribute__((format(printf, 3, 0)));
    static constexpr std::size_t kFlushSize = 1 << 16;
    int CheckPieces(int32_t* remnant) const;
    void WriteHead(int32_t step);
    void WriteLoading();
    int WriteUnloading(const WorkingMachining& u, bool endOfBar, int32_t pieceStart);
    void WriteCutLines(const WorkingMachining& r, const WorkingMachining* next, int cause);
    // The remnant's unloading (R541) by what the tail-most cut leaves; preCut: the bar ends
    // where its last piece ends (PreCutTailCut), so that piece leaves and counts with it.
    int WriteRemnant(int32_t remnant, bool preCut);
    // A bar without pieces is itself the one piece of each repetition: counted in R590 once
    // the bar has been unloaded (every variant).
    void WriteBarWithoutPiecesCount();
    void WriteRepeat(int32_t step, int32_t repeatStart);
    void WriteBladeZoneLine(const WorkingMachining& r);
    // What the bar's outermost end cuts leave beyond them, from the cuts as the end trims placed
    // them (X along the bar, its tail at 0): below the tail-most cut its X, beyond the head-most
    // cut the bar length less its X; the whole bar at the tail without end cuts. The bar's
    // remnant is the greater of the two; what the tail keeps is unloaded last (R541), what the
    // head keeps by the bar's first cut.
    struct Leftovers {
        int32_t head = 0, tail = 0;
        int32_t headCutX = INT32_MIN, tailCutX = INT32_MAX;
        bool AtHead() const { return head > tail; }
        int32_t Remnant() const { return AtHead() ? head : tail; }
    };
    Leftovers BarLeftovers() const;
    // The tail-most end cut when the bar's last piece is pre-cut (no blade cut at its tail, the
    // bar's own end is its end), else null; the body writes no cut for it.
    const WorkingMachining* PreCutTailCut() const;
    // 100 more on the feed cause of the cut next to the bar's remnant when that remnant is one
    // to keep (at least DIM_MIN_SCARTO).
    int NearRemnantExtra(const WorkingMachining& r) const;
    static int CutFeedCause(const WorkingMachining& cut, const WorkingMachining* next);
    int32_t OffQuotaB() const; // R_OFF_QUOTA_B: SPESS_LAMA less twice a negative CORR_X_LAME
    int FinishFile();
    void CloseFile();
    // A failed write of the program: notes the system's reason (the first one stands).
    void NoteWriteError();
    // g_errorText: the program file (its final name) could not be written, and why.
    void SetProgramWriteFault(int err);
    int32_t ToolDiameter(const WorkingMachining& m) const;
    WorkingMachining* RecordById(int32_t id) const;

    // ---- the body both variants share (iso_body.cpp) ----
    // The one cut whose freed piece (or scrap) is still to unload, and what its unloading needs
    // (its rules: iso_pending_unload.cpp).
    struct PendingUnload {
        const WorkingMachining* cut = nullptr;
        // Variant 2: the square cut whose wedge leaves after the piece its trim has still to cut.
        const WorkingMachining* wedge = nullptr;
        int32_t pieceStart = 0; // X of the cut, where the spatula takes the piece (variant 0)
        bool held = false;      // variant 1: the piece waits in the vices of its own cut
    };
    // What the steps of a body share.
    struct Body {
        int n = 0;                                    // records in the order
        int32_t remnant = 0;                          // what the tail-most cut leaves, unloaded last
        const WorkingMachining* preCutTail = nullptr; // tail cut of a pre-cut last piece: not written
        int check = 0;                                // the tool check value
        int32_t repeatStart = 0;                      // first line of the repeated range
        const WorkingMachining* firstMachining = nullptr;
        const WorkingMachining* prevMachining = nullptr; // the last machining whose tool change is written
        PendingUnload pending;
    };
    // One record of the order as the loop hands it to the variant's writer.
    struct BodyRecord {
        WorkingMachining& r;
        int i;
        const WorkingMachining* next; // the next machining in the order
        const WorkingMachining* prev; // the record before (written or not)
        bool unloaded;                // a pending unloading was written just before it
    };
    int StartBody(Body& b);
    void WriteReferenceRun(const Body& b);
    int WriteRecordsInOrder(Body& b, const std::function<int(BodyRecord&)>& write);
    int WriteBodyTail(Body& b, int32_t step, const std::function<int()>& writeBarEnd);
    // ---- the pending unloading and its rules (iso_pending_unload.cpp) ----
    void HoldUnload(PendingUnload& p, const WorkingMachining& cut) const;
    static bool CutLeavesPieceToUnload(const WorkingMachining& r);
    bool UnloadDueBefore(PendingUnload& p, int i) const;
    void DeferWedge(PendingUnload& p, int i) const;
    bool TrimStillDue(int i, const WorkingMachining& u) const;
    int WritePendingUnload(PendingUnload& p, bool endOfBar);

    // ---- body of variants 0 and 2 (iso_generate.cpp) ----
    void WriteDefaultOpening(Body& b, int32_t step);
    int WriteDefaultRecord(Body& b, BodyRecord& rec);
    void WriteV2HeadTrim(const Body& b, const BodyRecord& rec);

    // ---- variant-1 body (iso_variant1.cpp) ----
    struct V1Bar;
    V1Bar V1BarOf() const;
    void WriteV1Opening(Body& b, const V1Bar& v);
    int WriteV1Record(Body& b, V1Bar& v, BodyRecord& rec);
    int WriteV1BarEnd(const Body& b, const V1Bar& v);
    void WriteV1Head();
    void WriteV1Loading(bool unloadingEnabled);
    int WriteV1Unloading(const WorkingMachining& u, bool held);
    int WriteV1Trim(const WorkingMachining& cut, bool head);
    int WriteV1Remnant(int32_t remnant, bool preCut);
    void WriteV1QuickUnload();
    int32_t V1ExtractorPosition(int32_t extra) const;
    int32_t V1ExtractorCorrection(const WorkingMachining& cut) const;
    int WriteV1CutSteps(const WorkingMachining& cut, int32_t x, int32_t vice, bool vices34);
    int v1CutForm_ = kV1FormNone; // R592 form of the cut being written (variant 1)

    int32_t remnant_ = 0;
    // Variant 2: the positioning the bar stands at for the machinings (the U position of the
    // last tool change), or kBarMoved once a loading, feed or unloading has moved it.
    static constexpr int32_t kBarMoved = INT32_MIN;
    int32_t barStandsAt_ = kBarMoved;
    int32_t cutBarX_ = 0; // bar position of the current blade cut
    bool writeError_ = false;
    int writeErrno_ = 0; // errno of the first failed write, 0 when none was given
    std::string out_; // lines not yet handed to the file
};
