#pragma once
// The decisions of the bar selection and bar confirmation that are more than window wiring:
// the find text and its matches, the tools cell, the bar-loading list, the repetition step,
// the automatic next bar, the next-bar lengths, the program code and the time-log total.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class BarList;
class RallaToolSet;
struct BarRecord;

namespace app {

// ---------------------------------------------------------------- bar selection

// Longest find text the operator can type.
inline constexpr std::size_t kFindTextMax = 19;

struct FindQuery {
    std::string text;      // upper case, trimmed, underscores as blanks
    bool contains = false; // typed with a final "*": match by containment, else by equality
};

// The typed find text (cut to kFindTextMax) made ready for the search.
FindQuery PrepareFindText(const std::string& typed);
// The rows that match, from the top: a row is looked at when its name begins with the text
// (ignoring case); it matches when its name contains the text (containment) or equals it
// ignoring case (equality).
std::vector<int> FindMatchingRows(const std::vector<std::string>& rowNames, const FindQuery& query);

// The colour of a bar (BarColourText of the label job, where the choice is made).
const char* BarColour(const BarRecord& bar);

// The tools cell of the selection list: the names of the bar's tools on the first positions,
// joined by ";", stopping at the first position whose tool is named "0"; "-" when empty.
std::string BarToolsText(const BarRecord& bar, const RallaToolSet& tools, int positions);

// Results of WriteLoadingList.
inline constexpr int kLoadingWritten = 0;
inline constexpr int kLoadingDisabled = -1;
inline constexpr int kLoadingNoBars = -2;
inline constexpr int kLoadingCannotCreate = -3;
inline constexpr int kLoadingDifferentProfiles = -4;

// "<folder><list name>.NV1": folder is LOADING PATH (default "<programDir>CONF\"), a
// backslash added when it lacks one.
std::string LoadingListPath(const std::string& configuredFolder, const std::string& programDir,
                            const std::string& listName);
// The bar-loading list of the selected bars (the first list.selectedCount bars): one line
// "<code>;<length mm>;1" per repetition still to do. Bars of different profiles (series, code
// or colour, ignoring case) leave no file. Written whole to a temporary file and renamed.
int WriteLoadingList(const BarList& list, const std::string& path, int enable);

// ---------------------------------------------------------------- bar confirmation

// Repetitions and steps are 16-bit counts in the list's record: the largest one a box takes.
inline constexpr int kMaxRepetitions = 32767;

// The lines of the repetition step box from the top; the top line is selected.
std::vector<std::string> StepBoxEntries(int stepRip, const std::string& allText);

// The step typed or chosen: allText gives 0; otherwise a decimal number 1..32767 with nothing
// after it but a line end. true with step set, false when refused.
bool ParseStepText(const std::string& text, const std::string& allText, int* step);
// Repetitions to run now: the step, or every repetition left when the step is 0 or larger.
int RepetitionsToRun(int step, int repetitionsLeft);
// Repetitions typed by the operator: a decimal number 0..32767 (a final line end allowed).
bool ParseRepetitionsText(const std::string& text, uint16_t* count);

// The identity of a bar for the automatic next bar.
struct BarIdentity {
    std::string series, code, colour;
    int32_t length = 0;
};
BarIdentity IdentityOf(const BarRecord& bar);
// Same series, code, colour (ignoring case) and length.
bool SameBar(const BarIdentity& a, const BarIdentity& b);

struct AutoNextInputs {
    int result = 0;     // the monitor's result: 1 finished, 2 aborted
    int flags = 0;      // the confirmation's flags; bit 0 the set-up differs
    int typeExec = 0;   // GENERAL TYPE_EXEC
    int tipoCaric = 0;  // PARAM TIPO_CARIC
    int stepRip = 0;    // GENERAL STEP_RIP
};
// Whether the next bar starts by itself after a run.
bool AutoNextBar(const AutoNextInputs& in, const BarIdentity& shown, const BarIdentity& remembered);

// The lengths of the bars loaded after this one (machine variant 1; 0 and 0 elsewhere).
// nextLength: the next selected bar's length, 0 when this is the last.
void NextBarLengths(int variant, int repetitionsLeft, int32_t thisLength, int32_t nextLength, int32_t* first,
                    int32_t* second);

// The part program's code: 9999 in office mode; on-line drawn in 1..32767 and never the
// previous code (R599 is read back as a real: every code is exact in it).
int32_t DrawIsoCode(int connected, int32_t previous, const std::function<int()>& draw);

// The tool of a ralla position as shown: "{name}" kind 2, "(name)" kind 1, else the name.
std::string ToolCellText(const char* name, int32_t kind);
// The cut type: five blanks without pieces; "INT"/"EXT" on variant 1, else with the number.
std::string CutTypeText(const BarRecord& bar, int variant);

// ---------------------------------------------------------------- time log

// Seconds of one time-log line: minutes from the three characters before the first
// apostrophe, seconds from the three before the first double quote (0 without one); a line
// without an apostrophe counts nothing. Never reads before the line's start.
int TimeLogLineSeconds(std::string_view line);
// "s\"" under a minute, "m'" on a whole minute, else "m' s\"".
std::string ElapsedText(int64_t seconds);
// The sum of TimeLogLineSeconds over a log handed in pieces of any size: only the few
// characters the fields need are held, so the log's length is no bound.
class TimeLogTotaliser {
public:
    void Feed(std::string_view bytes);
    int64_t TotalSeconds(); // the last line counts without its line end
private:
    void EndLine();
    std::string last_, minutesField_, secondsField_;
    bool minutesSeen_ = false, secondsSeen_ = false;
    int64_t total_ = 0;
};
// The total text: fresh, from the list time (minutes; exactly 0 gives "0"); otherwise the sum
// of the lines of the log's contents.
std::string TimeLogTotalText(bool fresh, double listMinutes, std::string_view contents);
// Appends the total to the log at path (a Windows path), the log read from its start for the
// sum unless fresh. NotRead: the log exists and cannot be read, nothing appended, g_errorText
// names the file and the reason; NotOpened: it cannot be opened for appending.
enum class TimeLogTotalResult { Written, NotOpened, NotRead };
TimeLogTotalResult AppendTimeLogTotal(const std::string& path, bool fresh, double listMinutes);

} // namespace app
