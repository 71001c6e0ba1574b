// Decisions of the bar selection and bar confirmation (see job_logic.h).
#include "app/job_logic.h"

#include "engine/piece_labels.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "machine/barlist.h"
#include "machine/ralla_tools.h"
#include "machine/utils.h"
#include "machine/file_routines.h"
#include "platform/file_stream.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace app {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && plat::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// A whole decimal number without sign, a final line end allowed; false when it is not one or
// exceeds maximum.
bool ParseBoundedCount(const std::string& text, long maximum, long* out) {
    std::string_view t = text;
    if (!t.empty() && t.back() == '\n') t.remove_suffix(1);
    if (!t.empty() && t.back() == '\r') t.remove_suffix(1);
    if (!AllDigits(t)) return false;
    long v = 0;
    for (char c : t) {
        v = v * 10 + (c - '0');
        if (v > maximum) return false;
    }
    *out = v;
    return true;
}

// The integer of a time-log field: blanks skipped, then digits up to the first other character.
int ReadFieldNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    int v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (v > 100000000) break; // three characters hold at most three digits
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// The three characters before position pos of the line (fewer at the line's start).
std::string_view ThreeBefore(std::string_view line, std::size_t pos) {
    const std::size_t start = pos >= 3 ? pos - 3 : 0;
    return line.substr(start);
}

} // namespace

// ---------------------------------------------------------------- bar selection

FindQuery PrepareFindText(const std::string& typed) {
    char text[kFindTextMax + 2] = {};
    std::snprintf(text, kFindTextMax + 1, "%s", typed.c_str());
    for (char* p = text; *p != '\0'; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    TrimTextField(text);
    FindQuery q;
    const std::size_t n = std::strlen(text);
    if (n > 0 && text[n - 1] == '*') {
        text[n - 1] = '\0';
        q.contains = true;
    }
    TrimTextField(text);
    if (AllDigits(text)) StripLeadingZeros(text);
    q.text = text;
    return q;
}

std::vector<int> FindMatchingRows(const std::vector<std::string>& rowNames, const FindQuery& query) {
    std::vector<int> rows;
    for (std::size_t r = 0; r < rowNames.size(); ++r) {
        const std::string& name = rowNames[r];
        if (!StartsWithNoCase(name, query.text)) continue;
        const bool match = query.contains ? name.find(query.text) != std::string::npos
                                          : plat::EqualsNoCase(name, query.text);
        if (match) rows.push_back(static_cast<int>(r));
    }
    return rows;
}

const char* BarColour(const BarRecord& bar) { return BarColourText(bar); }

std::string BarToolsText(const BarRecord& bar, const RallaToolSet& tools, int positions) {
    if (positions > kRallaMaxPositions) positions = kRallaMaxPositions;
    std::string text;
    for (int i = 0; i < positions; ++i) {
        const char* name = tools.Tool(bar.requiredTools[i]).name;
        if (std::strcmp(name, "0") == 0) break;
        if (!text.empty()) text += ';';
        text += name;
    }
    return text.empty() ? std::string("-") : text;
}

std::string LoadingListPath(const std::string& configuredFolder, const std::string& programDir,
                            const std::string& listName) {
    std::string folder = configuredFolder.empty() ? programDir + "CONF\\" : configuredFolder;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + listName + ".NV1";
}

int WriteLoadingList(const BarList& list, const std::string& path, int enable) {
    if (enable == 0) return kLoadingDisabled;
    const int count = list.selectedCount < list.BarCount() ? list.selectedCount : list.BarCount();
    if (count <= 0) return kLoadingNoBars;
    std::string text;
    const BarRecord* previous = nullptr;
    for (int i = 0; i < count; ++i) {
        const BarRecord& bar = *list.Bar(i);
        if (previous != nullptr &&
            (!plat::EqualsNoCase(bar.series, previous->series) || !plat::EqualsNoCase(bar.code, previous->code) ||
             !plat::EqualsNoCase(BarColour(bar), BarColour(*previous)))) {
            // A magazine holds one profile: no loading list at all, not even an older one.
            const std::string existing = plat::FindExisting(path);
            if (!existing.empty()) std::remove(existing.c_str());
            return kLoadingDifferentProfiles;
        }
        const std::string line = plat::StrFormatC("%s;%g;%d\r\n", bar.code, bar.length / 1000.0, 1);
        for (int r = 0; r < bar.repetitionsLeft; ++r) text += line;
        previous = &bar;
    }
    return plat::WriteFileAtomic(path, text) ? kLoadingWritten : kLoadingCannotCreate;
}

// ---------------------------------------------------------------- bar confirmation

std::vector<std::string> StepBoxEntries(int stepRip, const std::string& allText) {
    // Each text goes in at the top: the step itself, then "1", then the "all" text.
    std::vector<std::string> lines;
    lines.insert(lines.begin(), stepRip == 0 ? allText : std::to_string(stepRip));
    if (stepRip != 1) lines.insert(lines.begin(), "1");
    if (stepRip != 0) lines.insert(lines.begin(), allText);
    return lines;
}

bool ParseStepText(const std::string& text, const std::string& allText, int* step) {
    if (text == allText) {
        *step = 0;
        return true;
    }
    long v = 0;
    // Repetitions are 16-bit counts: a larger step would not run more.
    if (!ParseBoundedCount(text, kMaxRepetitions, &v) || v < 1) return false;
    *step = static_cast<int>(v);
    return true;
}

int RepetitionsToRun(int step, int repetitionsLeft) {
    if (repetitionsLeft < 0) repetitionsLeft = 0;
    return step <= 0 || step > repetitionsLeft ? repetitionsLeft : step;
}

bool ParseRepetitionsText(const std::string& text, uint16_t* count) {
    long v = 0;
    if (!ParseBoundedCount(text, kMaxRepetitions, &v)) return false;
    *count = static_cast<uint16_t>(v);
    return true;
}

BarIdentity IdentityOf(const BarRecord& bar) {
    return BarIdentity{bar.series, bar.code, BarColour(bar), bar.length};
}

bool SameBar(const BarIdentity& a, const BarIdentity& b) {
    return plat::EqualsNoCase(a.series, b.series) && plat::EqualsNoCase(a.code, b.code) &&
           plat::EqualsNoCase(a.colour, b.colour) && a.length == b.length;
}

bool AutoNextBar(const AutoNextInputs& in, const BarIdentity& shown, const BarIdentity& remembered) {
    if (in.result != 1 || (in.flags & 1) != 0 || in.typeExec == 0 || in.tipoCaric != 1 || in.stepRip != 0)
        return false;
    return in.typeExec == 2 || SameBar(shown, remembered);
}

void NextBarLengths(int variant, int repetitionsLeft, int32_t thisLength, int32_t nextLength, int32_t* first,
                    int32_t* second) {
    *first = 0;
    *second = 0;
    if (variant != 1) return;
    if (repetitionsLeft == 1) {
        *first = nextLength;
    } else {
        *first = thisLength;
        *second = nextLength;
    }
}

int32_t DrawIsoCode(int connected, int32_t previous, const std::function<int()>& draw) {
    if (connected == 0) return 9999;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int32_t v = static_cast<int32_t>(static_cast<unsigned>(draw()) & 0x7FFFu);
        if (v != 0 && v != previous) return v;
    }
    // A generator stuck on one value: the next code after the previous one.
    return previous >= 1 && previous < 32767 ? previous + 1 : 1;
}

std::string ToolCellText(const char* name, int32_t kind) {
    if (kind == 2) return plat::StrFormatC("{%s}", name);
    if (kind == 1) return plat::StrFormatC("(%s)", name);
    return name;
}

std::string CutTypeText(const BarRecord& bar, int variant) {
    if (bar.pieceCount <= 0) return "     ";
    // The bar's cut type: 1 internal, any other value external; the value is also its number.
    const bool internal = bar.TIPO_TAGLIO == 1;
    if (variant == 1) return internal ? "INT" : "EXT";
    return plat::StrFormatC("%s-%d", internal ? "INT" : "EXT", static_cast<int>(bar.TIPO_TAGLIO));
}

// ---------------------------------------------------------------- time log

int TimeLogLineSeconds(std::string_view line) {
    const std::size_t apostrophe = line.find('\'');
    if (apostrophe == std::string_view::npos) return 0;
    const int minutes = ReadFieldNumber(ThreeBefore(line, apostrophe));
    const std::size_t quote = line.find('"');
    const int seconds = quote == std::string_view::npos ? 0 : ReadFieldNumber(ThreeBefore(line, quote));
    return minutes * 60 + seconds;
}

std::string ElapsedText(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    const int64_t m = seconds / 60;
    const int64_t s = seconds % 60;
    if (m < 1) return plat::StrFormatC("%d\"", static_cast<int>(s));
    if (s < 1) return plat::StrFormatC("%lld'", static_cast<long long>(m));
    return plat::StrFormatC("%lld' %d\"", static_cast<long long>(m), static_cast<int>(s));
}

void TimeLogTotaliser::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n') {
            EndLine();
            continue;
        }
        // The field of a mark is the three characters before its first appearance on the line.
        if (c == '\'' && !minutesSeen_) {
            minutesSeen_ = true;
            minutesField_ = last_;
        } else if (c == '"' && !secondsSeen_) {
            secondsSeen_ = true;
            secondsField_ = last_;
        }
        last_ += c;
        if (last_.size() > 3) last_.erase(0, 1);
    }
}

void TimeLogTotaliser::EndLine() {
    if (minutesSeen_)
        total_ += ReadFieldNumber(minutesField_) * int64_t{60} + (secondsSeen_ ? ReadFieldNumber(secondsField_) : 0);
    last_.clear();
    minutesField_.clear();
    secondsField_.clear();
    minutesSeen_ = secondsSeen_ = false;
}

int64_t TimeLogTotaliser::TotalSeconds() {
    EndLine(); // a last line without its line end counts as well
    return total_;
}

std::string TimeLogTotalText(bool fresh, double listMinutes, std::string_view contents) {
    if (fresh) {
        if (listMinutes == 0.0) return "0";
        return ElapsedText(plat::TruncToInt32(listMinutes * 60.0));
    }
    TimeLogTotaliser total;
    total.Feed(contents);
    return ElapsedText(total.TotalSeconds());
}

TimeLogTotalResult AppendTimeLogTotal(const std::string& path, bool fresh, double listMinutes) {
    std::string total = TimeLogTotalText(fresh, listMinutes, {});
    if (!fresh) {
        // The log is read as it streams in: a long-lived log has no size the total stops at. A
        // log that cannot be read gets no total (it would be wrong); a missing one totals 0.
        TimeLogTotaliser sum;
        if (!plat::ReadFileChunks(path, [&sum](std::string_view bytes) {
                sum.Feed(bytes);
                return true;
            }) && errno != ENOENT) {
            SetFileFaultText(false, path.c_str(), errno);
            return TimeLogTotalResult::NotRead;
        }
        total = ElapsedText(sum.TotalSeconds());
    }
    FILE* f = plat::OpenFile(path, "ab");
    if (f == nullptr) return TimeLogTotalResult::NotOpened;
    const std::string text = std::string(60, '=') + "\r\n" + "\r\nTotal Elapsed Time: " + total + "\r\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written ? TimeLogTotalResult::Written : TimeLogTotalResult::NotOpened;
}

} // namespace app
