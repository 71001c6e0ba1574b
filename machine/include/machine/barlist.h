#pragma once
// The bar list: the bars of one ".lda" file in memory (lda_format.h gives the file's layout),
// with copies of their piece and machining records, the repetitions still to do per bar, and
// the checks of a bar's size and section against the machine. Base layer of the list object
// of the engine, which re-reads a chosen bar's records from the file with the sizes and
// offsets kept here.
//
// A list file is untrusted input: every size, count, offset and text field is checked before it
// is used, and a file that does not hold together is refused with ERR_READ and the record.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "machine/lda_format.h"
#include "machine/ralla_tools.h"
#include "platform/memory.h"

inline constexpr int kBarTextSize = 9;     // 8 characters and the terminator
inline constexpr int kBarDisplaySize = 20; // 19 characters and the terminator
inline constexpr std::size_t kListPathSize = 260;
inline constexpr std::size_t kListDescriptionSize = 41;

// The two integer codes a loaded bar carries (the section check reads the first).
inline constexpr int32_t kBarCodeLoaded1 = 1003;
inline constexpr int32_t kBarCodeLoaded2 = 1005;

// Result codes of the size checks (also the bar's check code).
inline constexpr int kBarCheckOk = 0;
inline constexpr int kBarCheckSection = 1;
inline constexpr int kBarCheckLength = 2;

// One loaded bar. Texts are upper case; lengths thousandths of a millimetre, angles thousandths
// of a degree.
struct BarRecord {
    int32_t index = 0;                   // 1-based position among the bars of the file
    char name[kBarTextSize] = {};
    char series[kBarTextSize] = {};
    char code[kBarTextSize] = {};        // "?" replaced by empty, trimmed, cut to 8
    char label[kBarTextSize] = {};       // the prepared label cut to 8
    char displayLabel[kBarDisplaySize] = {};
    char displayCode[kBarDisplaySize] = {};
    int32_t intCode1 = 0;                // kBarCodeLoaded1 when loaded
    int32_t intCode2 = 0;                // kBarCodeLoaded2 when loaded
    int32_t length = 0;
    uint16_t repetitionsLeft = 0;
    int32_t repetitionsOffset = 0;       // file offset of the bar's repetitions word
    int32_t configNumber = 1;            // ralla configuration number of the bar
    int32_t requiredTools[kRallaMaxPositions] = {};
    int32_t chosenTools[kRallaMaxPositions] = {};  // set by the tool-setup optimiser
    uint8_t chosenMarks[kRallaMaxPositions] = {};  // per-position use marks of the optimiser
    uint8_t setupStored = 0;             // 1 once the optimiser stored chosenTools for this bar
    int32_t toolsMissing = 0;            // optimiser: requested tools missing from the set-up
    int32_t toolsPresent = 0;            // optimiser: requested tools present in the set-up
    int32_t groupMark = 0;               // optimiser: 0, 1 or 2
    float realValue = 0;                 // bar record offset 195
    uint8_t flag = 0;                    // bar record offset 212

    // Section after the profile offsets, and the two offsets applied.
    int32_t zMin = 0;
    int32_t zMax = 0;
    int32_t yMin = 0;
    int32_t yMax = 0;
    int32_t offsetY = 0;
    int32_t offsetZ = 0;

    // Results of CheckBarSize / CheckBarSection.
    int32_t checkCode = kBarCheckOk;     // 0 ok, 1 section, 2 length (the engine adds its own)
    int32_t centreZ = 0;
    int32_t centreY = 0;
    int32_t extraLength1 = 0;            // end-cut length of the first end
    int32_t extraLength2 = 0;            // end-cut length of the second end
    int32_t shortAccepted = 0;           // 1: short bar without pieces accepted (TIPO_SCARIC 1)
    // Reach of the section between the spindles: the first flag (fits the inner reach), the
    // second flag (fits the outer reach), the shift of the centre and its angle (thousandths).
    int32_t reachInner = 0;
    int32_t reachOuter = 0;
    int32_t reachShift = 0;
    int32_t reachAngle = 0;

    int16_t machiningCount = 0;          // machinings directly on the bar (bar record 164)
    int16_t machiningRecordSize = 0;
    int16_t pieceCount = 0;
    int16_t pieceRecordSize = 0;
    int32_t firstPieceOffset = 0;        // file offset just after the bar record

    int32_t firstCutAngle = 0;
    int32_t secondCutAngle = 0;

    // Effective per-profile values (taken by machine variant, see LoadBarList).
    int32_t TIPO_TAGLIO = 0;
    int32_t SALITA_LAMA = 0;
    int32_t OFFY_PINZA = 0;
    int32_t OFFZ_PINZA = 0;
    int32_t OFFC_PINZA = 0;
    int32_t CH_V_VICE = 0;
    int32_t CH_H_VICE = 0;
    int32_t HEAD_SCRAP = 0;
    int32_t TAIL_SCRAP = 0;
    int32_t POSIZ_SCRAP = 0;
    int32_t ING_SCARICO = 0;
    int32_t CUT_MODE_90 = 0;
    int32_t CUT_MODE_NO_90 = 0;
    int32_t NR_LABEL = 1;
    int32_t VELH_CUT = 0;

    int32_t firstPieceIndex = -1;        // first piece holder, -1 without pieces
    int32_t firstMachiningIndex = 0;     // first machining holder
    int32_t barMachiningCount = 0;       // machinings stored directly on the bar
    // Two per-piece work areas that the engine fills; zeroed at load, one entry per piece.
    std::vector<int32_t> pieceWork1;
    std::vector<int32_t> pieceWork2;
    uint8_t selectionMark = 0;
};

// One machining record of the list (lda::kMachiningSize bytes) and its tail. The bytes are the
// file's own, kept by the list for as long as it is loaded; a record stored shorter than the
// full size is held as a copy padded with zeros.
struct MachiningHolder {
    const uint8_t* record = nullptr;
    const uint8_t* tail = nullptr;       // null without a tail
    int32_t tailLength = 0;              // 0 to lda::kMaxTail
};

// One piece record (lda::kPieceSize bytes, held like the machining records) with its machinings.
struct PieceHolder {
    const uint8_t* record = nullptr;
    int32_t firstMachining = 0;          // index of its first machining holder
    int32_t machiningCount = 0;
};

// The holders of a list, as many as its records: a large list's lie on large pages, like its
// bytes.
using MachiningHolders = std::vector<MachiningHolder, plat::LargePageAllocator<MachiningHolder>>;
using PieceHolders = std::vector<PieceHolder, plat::LargePageAllocator<PieceHolder>>;

// Where the job records of the event log go: the controller link connects its event log here.
// Without a sink nothing is recorded.
class BarListEvents {
public:
    virtual ~BarListEvents() = default;
    // The job record: list path (or null), first and second count (see the event log).
    virtual void LogJob(const char* listPath, int32_t firstCount, int32_t secondCount) = 0;
};
void SetBarListEvents(BarListEvents* sink); // null: no sink
BarListEvents* GetBarListEvents();

// The description of the last loaded list, trimmed (40 characters at most).
extern char g_listDescription[kListDescriptionSize];
// Set by CheckBarSection for the engine: the section's diagonal, twice the smallest outer and
// twice the smallest inner reach of the ralla positions.
extern int32_t g_sectionDiagonal;
extern int32_t g_rallaOuterSpan;
extern int32_t g_rallaInnerSpan;

class BarList {
public:
    BarList() = default;
    // Loads the list at path (LoadBarList); IsLoaded tells whether it worked.
    explicit BarList(const char* path);
    virtual ~BarList();
    BarList(const BarList&) = delete;
    BarList& operator=(const BarList&) = delete;

    // Reads the whole list (a version below 102 converted first). On failure the loaded flag
    // stays 0 and g_errorText holds the message.
    void LoadBarList(const char* path);
    void FreeBarList();

    // Sets the bar's repetitions left; with GENERAL CHANGE_RIP on, writes them into the file,
    // synced, once the file is checked to be still the list read (IsStillTheListRead). 0 done
    // or nothing to write; 1 when the file was not written (g_errorText names the list and
    // why): the count in memory is set all the same. barIndex is the array index.
    int SetBarRepetitionsLeft(int barIndex, uint16_t count);
    // The list's identity, taken when it was read (size, modification time and a hash of the
    // bytes read), followed through the program's own writes: true when the file under the
    // list's path is still that list. Otherwise (the office renamed another file over it,
    // rewrote, truncated or removed it) false, with g_errorText naming the list and saying it
    // must be opened again; the list stays changed for the rest of its life (no later write,
    // removal or re-read), whatever the file becomes.
    bool IsStillTheListRead();
    bool ListChanged() const { return listChanged_; }
    // Bars with repetitions left first (stable). Stores and returns their number; at zero
    // records the end of the job and, with CHANGE_RIP on and no further bar records, deletes
    // the list file (DeleteFinishedList).
    int SortBarsByRepetitionsLeft();
    // With no bars left, GENERAL CHANGE_RIP on and no further bar records: deletes the list
    // file. Loading a list sorts it without this, so that a list opened without any bar left
    // is reported before its file goes. 0 removed or nothing to remove; 1 when the file stays
    // (g_errorText names it and says why): the caller says it, as the list would be offered
    // again, finished, at its next opening. The last result is kept (FinishedListKept).
    int DeleteFinishedList();
    bool FinishedListKept() const { return finishedListKept_; }
    // TYPE_OTTIM 1: the bars with repetitions left by name, 2: by series (case-insensitive).
    // Non-zero only when the sort ran out of memory.
    int SortBarListByName();
    // Hands the bar's chosen tools and configuration number to the ralla tool set.
    int ApplyBarToolSetup(int barIndex);
    // CheckBarSize on each selected bar in order: 0, or the first failing check code.
    int CheckBarLengths();

    // Tool-setup optimiser (tool_setup.cpp). MarkBarSelected: selection mark of one bar, or of
    // every bar with -1. CollectSelectedBars: marked bars to the front, their count kept in
    // selectedCount. OptimizeToolSetup: 0, or 1 with the reason in g_errorText.
    void MarkBarSelected(int barIndex);
    void CollectSelectedBars();
    int OptimizeToolSetup();
    // Writes "OUTPUT.BAR" in the program directory: the selected bars with their requested
    // tools and their stored set-ups. 0, or 1 with the reason in g_errorText.
    int WriteBarReport(const int32_t initialSetup[kRallaMaxPositions], int32_t configNumber, int mode);

    bool IsLoaded() const { return loaded_ != 0; }
    int BarCount() const { return static_cast<int>(bars_.size()); }
    BarRecord* Bar(int i) { return bars_[static_cast<std::size_t>(i)].get(); }
    const BarRecord* Bar(int i) const { return bars_[static_cast<std::size_t>(i)].get(); }
    std::vector<std::unique_ptr<BarRecord>>& Bars() { return bars_; }

    const char* ListName() const { return listName_.c_str(); }
    const char* ListPath() const { return listPath_.c_str(); }
    const char* CompanionPath() const { return companionPath_.c_str(); }
    int FormatVersion() const { return formatVersion_; }
    int BarsLeft() const { return barsLeft_; }
    int HeaderBarCount() const { return headerBarCount_; }
    int FurtherBarCount() const { return furtherBarCount_; }
    int TotalMachinings() const { return totalMachinings_; }
    int TotalPieces() const { return totalPieces_; }
    int32_t ListTotal() const { return listTotal_; }
    const int32_t* ListTools() const { return listTools_; }

    const MachiningHolders& Machinings() const { return machinings_; }
    const PieceHolders& Pieces() const { return pieces_; }
    // The tail of a machining holder (tailLength bytes), null when it has none or out of range.
    const uint8_t* MachiningTail(int holder) const;

    // Selected bars (moved to the front by the bar selection).
    int selectedCount = 0;

protected:
    // Steps of LoadBarList up to the sort; false (message set) when the list is refused.
    bool ReadList(const char* path);

    std::vector<std::unique_ptr<BarRecord>> bars_;
    int furtherBarCount_ = 0;
    std::string listName_;
    std::string listPath_;
    std::string companionPath_;
    int formatVersion_ = 0;
    int32_t listTools_[kRallaMaxPositions] = {};
    int loaded_ = 0;
    int barsLeft_ = 0;
    bool finishedListKept_ = false;
    int headerBarCount_ = 0;
    int totalMachinings_ = 0;
    int totalPieces_ = 0;
    int32_t listTotal_ = 0;
    MachiningHolders machinings_;
    PieceHolders pieces_;
    // The list file's bytes, read once; holders point into them. Freed, they are kept for the
    // next list read.
    plat::LargeBytes fileBytes_;
    std::size_t fileBytesCapacity_ = 0;
    std::size_t fileSize_ = 0; // bytes of the file in fileBytes_
    // The identity of the file read (KeepIdentity, IsStillTheListRead: barlist_identity.cpp).
    bool identityKnown_ = false;
    bool listChanged_ = false;
    int64_t stampSize_ = 0;
    int64_t stampNs_ = 0;
    uint64_t bytesHash_ = 0;
    // Takes the identity from fileBytes_ and the file's present stamp.
    void KeepIdentity();
    // Zero-padded copies of records stored shorter than the full size (stable addresses).
    std::deque<std::array<uint8_t, lda::kMachiningSize>> paddedMachinings_;
    std::deque<std::array<uint8_t, lda::kPieceSize>> paddedPieces_;

private:
    // The steps of ReadList over the one pass of the file (barlist.cpp).
    class Reading;
    // The sort of SortBarsByRepetitionsLeft without deleting the file.
    int OrderByRepetitionsLeft();
    // Steps of the tool-setup optimiser (tool_setup.cpp). A range of bars is a pointer into
    // bars_ and a count.
    using BarSlot = std::unique_ptr<BarRecord>;
    void CountSetupTools(BarRecord& bar);
    int FindToolInSetup(int32_t tool) const;
    int PickBestBar(BarSlot* bars, int n);
    int CountSameConf();
    int GroupByProfile(BarSlot* bars, int n, int* bestCount);
    int GroupByAp(BarSlot* bars, int n);
    int ApplyReadyBars(BarSlot* bars, int n);
    int ApplyBarToSetup(BarRecord& bar, int allowedNewTools);
    void StoreSetupInBar(BarRecord& bar);
    void OptimizeGroupByReadiness(BarSlot* bars, int n);
    void OptimizeGroupByProfile(BarSlot* bars, int n);
    int CheckInstalledSetup();
    void SortSelectedByNumber();

    int32_t setup_[kRallaMaxPositions] = {};        // the set-up being built, per position
    char bestSeries_[kBarTextSize] = {};            // profile of the best bar of the group
    char bestCode_[kBarDisplaySize] = {};
    int32_t bestAp_ = 0;
    int32_t installedConfig_ = 1;                   // configuration number of the installed set-up
    int optimiseMode_ = 0;                          // GENERAL TYPE_OTTIM of the current run
};

// CheckBarSize: end-cut lengths and the length check, then CheckBarSection. 0 ok, 1 section
// outside the travel, 2 too short, with "<text> <display label>" in g_errorText.
int CheckBarSize(BarRecord& bar);
// Section centre against the travel limits, then the reach flags. 0 or 1.
int CheckBarSection(BarRecord& bar, int32_t ySize, int32_t zSize);

// Normalises a machining record (lda::kMachiningSize bytes) of a list of the given format
// version while it is read for the engine; versions below 100 get the conversion steps too.
void MigrateListRecord(int version, uint8_t* record, int32_t barLength);
// The conversion of one machining record of an old list (version below 102): 0, or 1 with
// ERR_LAVLAMALDA in g_errorText (a blade machining, figure 7, cannot be converted).
int MigrateMachiningRecord(int version, uint8_t* record, int32_t barLength);
// Converts a list of version below 102 to version 102 beside it and renames it over the
// original in one step; on any failure the original is left as it was, the temporary file is
// removed and 1 is returned with the reason in g_errorText.
int ConvertOldList(const char* path);

// The list name of a path: the file name without directory and extension, upper case.
std::string ListNameOfPath(const std::string& path);
// The companion INI path: the path with the extension of its file-name part replaced by
// ".EXT" (".EXT" appended when the name has none); dots in directory names are kept.
std::string CompanionPathOf(const std::string& path);
// False when a series or code would leave its folder when used in a path ("." or "..",
// separators, a drive colon, control characters).
bool IsSafePathComponent(const char* text);
