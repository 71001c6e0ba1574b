#pragma once
// BarComputation: one object per opened bar list, built on BarList. ComputeBar turns one bar
// into working pieces and machinings (working_records.h), checks them against the tools, the
// profile and the machine, and writes the diagnostic reports "OUTPUT.LAV" and "OUTPUT.DEB".
// Everything runs synchronously; failures leave their text in g_errorText.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/blade_fields.h"
#include "engine/working_records.h"
#include "machine/barlist.h"

// Values of a loaded bar that the engine reads under its own names. The list file does not
// carry every one of them directly: BarEngineValues (bar_values.cpp) decides where each comes
// from, in one place.
struct BarValues {
    int32_t profileTop = 0;       // section Y maximum
    int32_t profileBottom = 0;    // section Y minimum
    int32_t sliceZ = 0;           // Z written into head-slice blade records
    int32_t yOffset = 0;          // added to every machining's Y
    int32_t zOffset = 0;          // added to every machining's Z
    int32_t headLoadingOffset = 0;   // variant 1: first loading offset of the head
    int32_t headLoadingOffset2 = 0;  // variant 1: second loading offset of the head
    int32_t loadingOffset = 0;       // variant 1: separation between pieces
    int32_t tailLoadingOffset = 0;   // variant 1: least remnant / head-trim subtrahend
    int32_t mirrored = 0;            // the bar is loaded mirrored
    int32_t minimumGrip = 0;         // least grip length of the short-piece check
    int32_t wantsShortPieceCheck = 0;
    int32_t spindleFlag = 0;         // 0: the spindles reach out by EXTRA_MAND_OUT
    int32_t thirdLength = 0;         // third length of the "OUTPUT.LAV" bar line
    const char* furtherText = "";    // last text of the "OUTPUT.LAV" bar line
};
BarValues BarEngineValues(const BarRecord& bar);

// Blade-cut record of a head slice: a machining record image in the stored list layout.
inline constexpr int kBladeCutRecordSize = 320;
struct BladeCutRecord {
    uint8_t bytes[kBladeCutRecordSize] = {};
};
// Zero-fills the record and sets the fields of a blade cut with QBLADE_NAME and DIAM_LAMA.
void FillBladeCutRecord(BladeCutRecord& record);
// One blade record for the right (end 0) or left (end 1) end of a piece of the given length.
void BuildStraightSliceCut(BladeCutRecord& record, const BarRecord& bar, int end, int32_t angle, int32_t height,
                           int32_t length);
// Two blade records of an angled head slice.
void BuildAngledSliceCut(BladeCutRecord& record1, BladeCutRecord& record2, const BarRecord& bar, int end,
                         int32_t angle, int32_t secondAngle, int32_t height, int32_t length);

// Small operations.
int IsFigureMachining(int32_t figure); // 1 for figures 1..7
void SplitCompoundAngle(int32_t value, int32_t* first, int32_t* second);
int32_t StepIntoRange(int32_t value, int32_t high, int32_t low, int32_t step);
double StepIntoRangeReal(double value, double high, double low, double step);
// Comparators (negative, zero, positive) over record pointers for MergeSort.
int CompareFaceAngle(const WorkingMachining* a, const WorkingMachining* b);
int CompareTapFirst(const WorkingMachining* a, const WorkingMachining* b);
int CompareProgramName(const WorkingMachining* a, const WorkingMachining* b);
int CompareActiveRallaFirst(const WorkingMachining* a, const WorkingMachining* b);
int ComparePieceId(const WorkingPiece* a, const WorkingPiece* b);
int CompareRightAngle(const WorkingPiece* a, const WorkingPiece* b);
int CompareLeftAngle(const WorkingPiece* a, const WorkingPiece* b);
// A tap or countersink (figure 6) cuts into the hole (figure 1) under it: a kind-1 hole on the
// tap's face whose figure overlaps the tap's (FiguresOverlap). Such a hole always runs first.
bool LiesUnder(const WorkingMachining& hole, const WorkingMachining& tap);
// Two figures on one face meet: their X extents (XFm to XFM) and their Y extents on the face
// (RY + YFm to RY + YFM) overlap, touching included. The precedence links take the same test.
bool FiguresOverlap(const WorkingMachining& a, const WorkingMachining& b);
// The office's own order puts the tap before a hole under it: both in one set (Insieme not 0)
// and the tap of the lower priority. No order keeps both, so such a bar is refused.
bool SetPutsTapFirst(const WorkingMachining& hole, const WorkingMachining& tap);
// Face class, sine and cosine of a face angle (thousandths).
void FaceClassOf(int32_t angolo, int32_t* tipo, double* sine, double* cosine);

class DxfSection;   // engine/dxf_section.h
class SectionStore; // engine/dxf_section.h

class BarComputation : public BarList {
public:
    // Loads the list (BarList) and takes the current ralla angle from RallaToolSet.
    explicit BarComputation(const char* path);
    // Gives the ralla angle back, frees the bar detail and the list.
    ~BarComputation() override;

    // 0 success, 1 a check failed, 2 loading or report creation failed (g_errorText).
    int ComputeBar(int barIndex, int full);

    // Pipeline steps (0 or 1).
    int FreeBarDetail();
    int LoadBarDetail(int barIndex);
    int PrepareMachinings();
    int MarkInsertions();
    int PrepareEnds();
    void AssignRallaPositions();
    void ComputeEndOffsets();
    void MirrorPieceEnds();
    // End trims (built with the profile section and the blade cut points).
    int ComputeEndTrims();
    // Blade cuts inside a piece on machine variant 1 (cut_points.cpp, end_trims.cpp): the four
    // cut points of a rotated cut, and the links of rotated and cross cuts to the piece's end
    // cuts. 0 ready, 1 the cut cannot be made or the flange would strike, 2 a precedence list
    // is full.
    int RotatedCutCorners(WorkingMachining& m);
    // The profile section of the current bar, read once per bar computation (variant 1).
    std::shared_ptr<DxfSection> profileSection;
    // Every section this list has loaded, kept for its later bars (made at the first one).
    std::shared_ptr<SectionStore> keptSections;

    // Checks.
    int CheckListTools();
    int ChooseAutomaticTool(int32_t figure, int32_t diameter, char name[10], int32_t* diameterIndex);
    int CheckBarLength(int* joined);
    int CheckMachinings();
    int CheckMachiningTool(WorkingMachining& m);
    int CheckToolFigure(WorkingMachining& m, int secondTry);
    int CheckTapCountersinkUse();
    int PlacePiece(WorkingPiece& q, WorkingPiece& p);
    int PlacePieceMirrored(WorkingPiece& q, WorkingPiece& p);
    int MergeAdjacentSlots(WorkingPiece& q, WorkingPiece& p, int32_t offset);
    void RenumberGroup(WorkingPiece& q, int32_t from, int32_t to);

    // Clamp codes and the head trim shift (called by the end trims).
    void SetCutClampCode(WorkingMachining& m);
    void SetTailClampCode(int32_t length, int32_t mode);
    void ShiftForHeadTrim(int32_t length, int32_t trim);

    // Messages into g_errorText.
    void FormatMachiningMessage(const WorkingMachining& m, const char* key);
    void FormatMachiningValueMessage(const WorkingMachining& m, const char* key, int32_t value);

    // Reports.
    int WriteLavDump();
    int WriteDebDump();

    // Piece labels (engine/piece_labels.h, piece_labels.cpp): builds the label of a piece, a
    // bar or an offcut into the label text (size bytes with its terminator): afresh for the
    // directly driven printer, appended for the others. kLabelBuilt, kLabelTooLong or
    // kLabelNoSource; the text is unchanged unless the label was built.
    int BuildPieceLabelFields(char* buffer, std::size_t size, const struct PieceLabelRequest& request);
    // Offcuts of the computed bar (thousandths): at the head (automatic loading with
    // AUTO_TRAS_LAV) and at the tail; 0 for none.
    // A resumed bar's offcuts are those of the whole bar: the pieces made before the stop are
    // taken off as a fresh run of the bar places them.
    int32_t HeadOffcutLength() const;
    int32_t TailOffcutLength() const;
    // Of a resumed bar, before its ends are prepared: where its first piece still to make
    // stands when the bar runs at once (madePiecesHeadX); then, once the pieces are placed,
    // how much nearer the head the resumed run put it (madeSpan).
    void MeasureMadePiecesFresh();
    void MeasureMadePiecesSpan();
    int32_t madePiecesHeadX = 0;
    int32_t madeSpan = 0;

    // The tool on each ralla position for the current bar: the bar's own set-up once the
    // optimiser stored one (it is mounted only after the bar is computed); for a bar computed
    // outside a selection, the set-up mounted when the list was opened with the bar's own tools
    // added; without a bar, the set-up mounted when the list was opened.
    const int32_t* BarSetup() const;

    static void SetFlagOnAll(WorkingMachining* const* records, int count, uint8_t value);
    int IsTapMachining(const WorkingMachining& m) const;

    // Record allocation for the steps that add records (end trims).
    WorkingMachining* NewRecord();

    // ---- fields, in order ----
    BarRecord* currentBar = nullptr;
    int32_t currentBarIndex = -1;
    std::vector<WorkingPiece*> pieces;
    std::vector<WorkingMachining*> records;
    std::vector<WorkingMachining*> order;
    int32_t machiningCount = 0;
    int32_t recordCount = 0;
    int32_t cutCount = 0;
    int32_t orderedMachinings = 0;
    int32_t orderedRecords = 0;
    int32_t tailClampMode = 0;
    int32_t tailClampCode = 0;
    int32_t tailLength = 0;
    uint8_t setsUsed = 0;      // the ordering: a record has a group
    uint8_t linksExist = 0;    // the ordering: automatic precedence links were made
    int32_t tailOffset = 0;
    int32_t headShift = 0;     // how far the head trim moved the records toward the tail (0: not moved)
    int32_t pendingCount = 0;  // ordering and elaboration counters
    int32_t passCounter = 0;
    int32_t positioningX = 0;
    uint8_t elaborationFlag = 0;
    int32_t elaborationMode = 1;
    int32_t currentRallaAngle = kNoRallaAngle;

    // Pieces made in an earlier run of the current bar (bar progress).
    int32_t piecesDone = 0;

    // Blade-cut working fields, carried from one cut to the next for the whole list
    // (blade_adapter.h resets the per-cut ones).
    BladeWorkingFields blade;

private:
    // The steps of LoadBarDetail: the bar taken with its own set-up and the pieces made before;
    // the stored records counted (first pass) and read and converted (second pass); the
    // record list with room for the end cuts; the sub-programs registered; the end-cut records
    // prepared. 0, or 1 with the message set.
    class StoredRecords;
    int StartBarDetail(int barIndex);
    int PieceCountOfDetail() const;
    int CountStoredRecords(StoredRecords& stored, int* storedTotal);
    int ReadStoredRecords(StoredRecords& stored, int storedTotal, int& runningId, int& converted);
    int ReadPieceDetail(StoredRecords& stored, int i, int& runningId, int& converted);
    void MakeRecordList(int converted);
    int RegisterSubPrograms();
    void PrepareEndCutRecords(int runningId);
    int ConvertRecord(const uint8_t* rec, const uint8_t* tail, int tailLength, WorkingMachining& m,
                      WorkingPiece* piece, int pieceIndex, int runningId, bool isBlade);
    int HeadAngleRules(WorkingMachining& m, const uint8_t* rec, float figAngle, float face, float dirAngle);
    // Steps of ConvertRecord that need the list object: the tool (an automatic choice when the
    // record names none), the face angle (the previous record's conversion reused) and the
    // program name. 0, or 1 with the message set.
    int ConvertTool(const uint8_t* rec, const std::string& storedTool, WorkingMachining& m, const ToolRecord** tool);
    void ConvertFaceAngle(float face, WorkingMachining& m);
    int ConvertProgramName(const uint8_t* rec, float figAngle, float face, float dirAngle, WorkingMachining& m);
    int CheckMachiningReach(WorkingMachining& m);
    // Whether some ralla position of the bar's set-up holds the machining's tool.
    bool ToolIsMounted(const WorkingMachining& m) const;

    // The set-up of a bar computed outside a selection: the list's, with the bar's own tools put
    // on the positions that hold none of them (PlanOwnSetup).
    void PlanOwnSetup();
    int32_t ownSetup_[kRallaMaxPositions] = {};
    const BarRecord* ownSetupBar_ = nullptr; // the bar ownSetup_ was planned for

    // The previous converted record's stored face angle (its conversion is reused).
    bool havePrevFace_ = false;
    float prevFace_ = 0;
    int32_t prevAngolo_ = 0;
    double prevFaceRad_ = 0;

    std::vector<std::unique_ptr<WorkingPiece>> pieceStore_;
    std::vector<std::unique_ptr<WorkingMachining>> recordStore_;
};

// The list object of the opened list (set by the operator shell), null when none.
extern BarComputation* g_pBarList;
