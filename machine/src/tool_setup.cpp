// Tool-setup optimiser of the bar selection: decides, before any bar is computed, which tool
// each ralla position holds for each selected bar and in which order the bars run, so that
// tool changes are few. Bars that need no new tool go first; a bar that lacks tools gets them
// in place of tools it does not use. Each selected bar keeps its set-up and per-position use
// marks, and "OUTPUT.BAR" records the selection and the result. With the decentred ralla the
// installed set-up is only tested.
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

using BarSlot = std::unique_ptr<BarRecord>;

constexpr const char* kBadInstalledSetup = "D1:Attrezzaggio iniziale errato!";
constexpr const char* kBarsNotRunnable = "D2:Barre non eseguibili con l'attrezzaggio installato!";

int Positions() { return std::clamp(g_rallaPositions, 0, kRallaMaxPositions); }

// An extra position (T5..T8) that may receive a tool: enabled, on a variant that has them.
bool UsableExtra(int p) {
    return MachineVariant != 0 && p >= kRallaBasePositions && p < Positions() &&
           g_extraPositionOn[p - kRallaBasePositions] != 0;
}

// The bar's `Ap`: the profile section's rotation (bar record real value) in whole degrees,
// truncated toward zero; bars of one profile placed at another angle form another group.
int32_t ApOf(const BarRecord& bar) { return plat::TruncToInt32(static_cast<double>(bar.realValue)); }

// Profiles are told apart by their full code, so two codes that share their first eight
// characters never fall into one group.
const char* ProfileCode(const BarRecord& bar) { return bar.displayCode[0] != '\0' ? bar.displayCode : bar.code; }

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }
int CompareInt(int32_t a, int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Stable sort of a range of bars by a three-way comparison. MergeSort needs scratch memory;
// should it get none, the standard stable sort gives the same order.
template <class Cmp>
void SortBars(BarSlot* bars, int n, Cmp cmp) {
    if (n < 2) return;
    if (MergeSort(bars, static_cast<std::size_t>(n), cmp) == 0) return;
    std::stable_sort(bars, bars + n, [&cmp](const BarSlot& a, const BarSlot& b) { return cmp(a, b) < 0; });
}

const char* ToolName(int32_t index) {
    if (g_pRallaTools == nullptr) return "0";
    return g_pRallaTools->Tool(index).name;
}

// One bar line of the report: the bar's data, then one tool name per position.
void AppendBarLine(std::string& out, const BarRecord& bar, const int32_t tools[kRallaMaxPositions], bool eight) {
    out += plat::StrFormatC("%3d%5d%10s%10s%10.3lf%10.3lf%10.3lf%10.3lf%10.3lf%8" PRId32, static_cast<int>(bar.index),
                            static_cast<int>(bar.configNumber), bar.series, bar.code, FromThousandths(bar.zMin),
                            FromThousandths(bar.zMax), FromThousandths(bar.yMin), FromThousandths(bar.yMax),
                            FromThousandths(bar.length), ApOf(bar));
    const int columns = eight ? kRallaMaxPositions : kRallaBasePositions;
    for (int p = 0; p < columns; ++p) out += plat::StrFormatC(p == 0 ? "%6s" : "%4s", ToolName(tools[p]));
    out += '\n';
}

} // namespace

void BarList::MarkBarSelected(int barIndex) {
    if (barIndex < 0) {
        // Every bar still to run: a bar whose repetitions are all done is not listed for
        // selection and must not join the job when every listed row is chosen.
        for (auto& b : bars_)
            if (b->repetitionsLeft > 0) b->selectionMark = 1;
    } else if (barIndex < BarCount()) {
        bars_[static_cast<std::size_t>(barIndex)]->selectionMark = 1;
    }
}

void BarList::CollectSelectedBars() {
    SortBars(bars_.data(), BarCount(), [](const BarSlot& a, const BarSlot& b) {
        const bool ma = a->selectionMark != 0, mb = b->selectionMark != 0;
        if (ma != mb) return ma ? -1 : 1;
        return CompareInt(a->index, b->index);
    });
    int n = 0;
    while (n < BarCount() && bars_[static_cast<std::size_t>(n)]->selectionMark != 0) {
        bars_[static_cast<std::size_t>(n)]->selectionMark = 0;
        ++n;
    }
    selectedCount = n;
}

int BarList::FindToolInSetup(int32_t tool) const {
    const int n = Positions();
    for (int p = 0; p < n; ++p)
        if (setup_[p] == tool) return p;
    return -1;
}

void BarList::CountSetupTools(BarRecord& bar) {
    bar.toolsMissing = 0;
    bar.toolsPresent = 0;
    const int n = Positions();
    for (int q = 0; q < n; ++q) {
        if (bar.requiredTools[q] == 0) continue;
        if (FindToolInSetup(bar.requiredTools[q]) >= 0)
            ++bar.toolsPresent;
        else
            ++bar.toolsMissing;
    }
}

int BarList::PickBestBar(BarSlot* bars, int n) {
    int best = 0;
    for (int i = 0; i < n; ++i) {
        BarRecord& b = *bars[i];
        CountSetupTools(b);
        if (b.toolsMissing == 0) return i;
        const BarRecord& c = *bars[best];
        if (i == 0 || b.toolsPresent > c.toolsPresent ||
            (b.toolsPresent == c.toolsPresent && b.toolsMissing > c.toolsMissing))
            best = i;
    }
    return best;
}

int BarList::CountSameConf() {
    const int n = std::min(selectedCount, BarCount());
    const bool descending = installedConfig_ != 0;
    SortBars(bars_.data(), n, [descending](const BarSlot& a, const BarSlot& b) {
        const int c = CompareInt(a->configNumber, b->configNumber);
        return descending ? -c : c;
    });
    int same = 0;
    while (same < n && bars_[static_cast<std::size_t>(same)]->configNumber == installedConfig_) ++same;
    return same;
}

int BarList::GroupByProfile(BarSlot* bars, int n, int* bestCount) {
    *bestCount = 0;
    if (n <= 0) return 0;
    const BarRecord& best = *bars[PickBestBar(bars, n)];
    std::snprintf(bestSeries_, sizeof bestSeries_, "%s", best.series);
    std::snprintf(bestCode_, sizeof bestCode_, "%s", ProfileCode(best));
    bestAp_ = ApOf(best);
    if (n == 1) {
        bars[0]->groupMark = 2;
        *bestCount = 1;
        return 1;
    }
    for (int i = 0; i < n; ++i) {
        BarRecord& b = *bars[i];
        const bool sameProfile =
            std::strcmp(b.series, bestSeries_) == 0 && std::strcmp(ProfileCode(b), bestCode_) == 0;
        b.groupMark = !sameProfile ? 0 : (ApOf(b) == bestAp_ ? 2 : 1);
    }
    SortBars(bars, n, [](const BarSlot& a, const BarSlot& b) { return CompareInt(b->groupMark, a->groupMark); });
    int group = 0;
    while (group < n && bars[group]->groupMark != 0) {
        if (bars[group]->groupMark == 2) ++*bestCount;
        ++group;
    }
    return group;
}

int BarList::GroupByAp(BarSlot* bars, int n) {
    if (n <= 0) return 0;
    bestAp_ = ApOf(*bars[PickBestBar(bars, n)]);
    if (n == 1) {
        bars[0]->groupMark = 1;
        return 1;
    }
    for (int i = 0; i < n; ++i) bars[i]->groupMark = ApOf(*bars[i]) == bestAp_ ? 1 : 0;
    SortBars(bars, n, [](const BarSlot& a, const BarSlot& b) { return CompareInt(b->groupMark, a->groupMark); });
    int group = 0;
    while (group < n && bars[group]->groupMark == 1) ++group;
    return group;
}

int BarList::ApplyReadyBars(BarSlot* bars, int n) {
    for (int i = 0; i < n; ++i) CountSetupTools(*bars[i]);
    if (n > 1) {
        // Mode 2 runs the ready bars in number order (the profile groups are already made);
        // the other modes run them by profile and Ap so that equal profiles follow each other.
        const bool byNumber = optimiseMode_ == 2;
        SortBars(bars, n, [byNumber](const BarSlot& a, const BarSlot& b) {
            const bool ra = a->toolsMissing == 0, rb = b->toolsMissing == 0;
            if (ra != rb) return ra ? -1 : 1;
            if (ra) {
                if (!byNumber) {
                    if (int c = Sign(std::strcmp(a->series, b->series)); c != 0) return c;
                    if (int c = Sign(std::strcmp(ProfileCode(*a), ProfileCode(*b))); c != 0) return c;
                    if (int c = CompareInt(ApOf(*a), ApOf(*b)); c != 0) return c;
                }
                return CompareInt(a->index, b->index);
            }
            if (a->toolsPresent != b->toolsPresent) return a->toolsPresent > b->toolsPresent ? -1 : 1;
            return CompareInt(b->toolsPresent + b->toolsMissing, a->toolsPresent + a->toolsMissing);
        });
    }
    int stored = 0;
    while (stored < n && bars[stored]->toolsMissing == 0) StoreSetupInBar(*bars[stored++]);
    return stored;
}

int BarList::ApplyBarToSetup(BarRecord& bar, int allowedNewTools) {
    const int n = Positions();
    const int standard = std::min(n, kRallaBasePositions);
    bool used[kRallaMaxPositions] = {};
    bool reserved[kRallaMaxPositions] = {};
    int32_t fresh[kRallaMaxPositions] = {};
    int freshTarget[kRallaMaxPositions] = {};
    int freshCount = 0;
    // Tools already mounted keep their positions; one mounted on an enabled extra position
    // holds that position for this bar.
    for (int q = 0; q < n; ++q) {
        const int32_t t = bar.requiredTools[q];
        if (t == 0) continue;
        const int p = FindToolInSetup(t);
        if (p >= 0) {
            used[p] = true;
            if (UsableExtra(p)) reserved[p] = true;
        }
    }
    // Every tool the bar lacks counts as new. One the bar lists on an extra position reserves
    // an enabled extra position that is neither reserved nor holding one of the bar's tools,
    // and is mounted there; with no such position left it still counts and takes a position
    // below like any other new tool, so a bar never runs without one of its tools.
    for (int q = 0; q < n; ++q) {
        const int32_t t = bar.requiredTools[q];
        if (t == 0 || FindToolInSetup(t) >= 0) continue;
        int target = -1;
        if (q >= kRallaBasePositions && MachineVariant != 0) {
            for (int p = standard; p < n && target < 0; ++p)
                if (UsableExtra(p) && !reserved[p] && !used[p] && setup_[p] == 0) target = p;
            for (int p = standard; p < n && target < 0; ++p)
                if (UsableExtra(p) && !reserved[p] && !used[p]) target = p;
            if (target >= 0) reserved[target] = true;
        }
        freshTarget[freshCount] = target;
        fresh[freshCount++] = t;
    }
    if (freshCount > allowedNewTools) return 1;
    auto free = [&](int p) { return !reserved[p] && !used[p]; };
    auto pick = [&]() -> int {
        for (int p = 0; p < standard; ++p)
            if (setup_[p] == 0 && free(p)) return p;
        for (int p = standard; p < n; ++p)
            if (UsableExtra(p) && setup_[p] == 0 && free(p)) return p;
        for (int p = 0; p < standard; ++p)
            if (free(p)) return p;
        for (int p = standard; p < n; ++p)
            if (UsableExtra(p) && free(p)) return p;
        return -1;
    };
    for (int i = 0; i < freshCount; ++i) {
        const int target = freshTarget[i] >= 0 ? freshTarget[i] : pick();
        if (target < 0) break; // every usable position already holds a tool of this bar
        setup_[target] = fresh[i];
        used[target] = true;
    }
    return 0;
}

void BarList::StoreSetupInBar(BarRecord& bar) {
    std::copy(std::begin(setup_), std::end(setup_), std::begin(bar.chosenTools));
    bar.setupStored = 1;
    std::fill(std::begin(bar.chosenMarks), std::end(bar.chosenMarks), uint8_t{0});
    const int n = Positions();
    for (int q = 0; q < n; ++q) {
        const int32_t t = bar.requiredTools[q];
        if (t == 0) continue;
        int holders = 0;
        for (int p = 0; p < n; ++p)
            if (setup_[p] == t) ++holders;
        const uint8_t mark = holders > 1 ? 2 : 1;
        for (int p = 0; p < n; ++p)
            if (setup_[p] == t) bar.chosenMarks[p] = mark;
    }
}

void BarList::OptimizeGroupByReadiness(BarSlot* bars, int n) {
    if (n <= 0) return;
    int done = ApplyReadyBars(bars, n);
    while (done < n) {
        ApplyBarToSetup(*bars[done], Positions());
        int stored = ApplyReadyBars(bars + done, n - done);
        if (stored == 0) {
            // The bar wants more tools than the usable positions hold: it runs with the
            // set-up as far as it goes rather than stopping the optimiser for good.
            StoreSetupInBar(*bars[done]);
            stored = 1;
        }
        done += stored;
    }
}

void BarList::OptimizeGroupByProfile(BarSlot* bars, int n) {
    while (n > 0) {
        int best = 0;
        const int group = GroupByProfile(bars, n, &best);
        OptimizeGroupByReadiness(bars, best);
        BarSlot* rest = bars + best;
        int left = group - best;
        while (left > 0) {
            const int sameAp = GroupByAp(rest, left);
            OptimizeGroupByReadiness(rest, sameAp);
            rest += sameAp;
            left -= sameAp;
        }
        bars += group;
        n -= group;
    }
}

void BarList::SortSelectedByNumber() {
    SortBars(bars_.data(), std::min(selectedCount, BarCount()),
             [](const BarSlot& a, const BarSlot& b) { return CompareInt(a->index, b->index); });
}

int BarList::CheckInstalledSetup() {
    const int32_t t1 = setup_[0], t2 = setup_[1], t3 = setup_[2], t4 = setup_[3];
    const bool refused = (t1 != 0 && (t3 == t1 || t2 != 0 || t4 != 0)) ||
                         (t1 == 0 && t2 != 0 && (t4 == t2 || t3 != 0)) ||
                         (t1 == 0 && t2 == 0 && t3 != 0 && t4 != 0);
    if (refused) {
        SetErrorTextLiteral(kBadInstalledSetup);
        return 1;
    }
    SortSelectedByNumber();
    const int n = std::min(selectedCount, BarCount());
    for (int i = 0; i < n; ++i) {
        if (ApplyBarToSetup(*bars_[static_cast<std::size_t>(i)], 0) != 0) {
            SetErrorTextLiteral(kBarsNotRunnable);
            return 1;
        }
    }
    for (int i = 0; i < n; ++i) StoreSetupInBar(*bars_[static_cast<std::size_t>(i)]);
    return 0;
}

int BarList::OptimizeToolSetup() {
    int32_t initial[kRallaMaxPositions] = {};
    int32_t config = 1;
    if (g_pRallaTools != nullptr) g_pRallaTools->GetSpindleTools(initial, &config);
    for (int p = Positions(); p < kRallaMaxPositions; ++p) initial[p] = 0;
    std::copy(std::begin(initial), std::end(initial), std::begin(setup_));
    installedConfig_ = config;
    optimiseMode_ = g_pSettings != nullptr ? g_pSettings->TYPE_OTTIM : 0;
    const int selected = std::clamp(selectedCount, 0, BarCount());

    if (g_decentredRalla != 0) {
        if (CheckInstalledSetup() != 0) return 1;
    } else if (optimiseMode_ == 1 || optimiseMode_ == 2) {
        int first = CountSameConf();
        if (first == 0) first = selected;
        auto optimise = [this](BarSlot* bars, int n) {
            if (optimiseMode_ == 1)
                OptimizeGroupByReadiness(bars, n);
            else
                OptimizeGroupByProfile(bars, n);
        };
        optimise(bars_.data(), first);
        optimise(bars_.data() + first, selected - first);
    } else {
        SortSelectedByNumber();
        for (int i = 0; i < selected; ++i) {
            BarRecord& bar = *bars_[static_cast<std::size_t>(i)];
            ApplyBarToSetup(bar, Positions());
            StoreSetupInBar(bar);
        }
    }
    return WriteBarReport(initial, config, optimiseMode_) != 0 ? 1 : 0;
}

int BarList::WriteBarReport(const int32_t initialSetup[kRallaMaxPositions], int32_t configNumber, int mode) {
    const bool eight = MachineVariant != 0;
    std::string text = "CARATTERISTICHE BARRE\n\n\n";
    text += plat::StrFormatC("Tipo ottim: %d\n", mode);
    text += plat::StrFormatC("Conf uten:  %d\n", static_cast<int>(configNumber));
    const int32_t* s = initialSetup;
    if (eight)
        text += plat::StrFormatC("Uten. iniz: %s  %s  %s  %s  %s  %s  %s  %s\n\n", ToolName(s[0]), ToolName(s[1]),
                                 ToolName(s[2]), ToolName(s[3]), ToolName(s[4]), ToolName(s[5]), ToolName(s[6]),
                                 ToolName(s[7]));
    else
        text += plat::StrFormatC("Uten. iniz: %s  %s  %s  %s\n\n", ToolName(s[0]), ToolName(s[1]), ToolName(s[2]),
                                 ToolName(s[3]));
    text += "\n Id Conf     Serie    Codice     z_min     z_max     y_min     y_max      Lung      Ap     Utensili\n\n";
    const int n = std::min(selectedCount, BarCount());
    for (int i = 0; i < n; ++i) {
        const BarRecord& bar = *bars_[static_cast<std::size_t>(i)];
        AppendBarLine(text, bar, bar.requiredTools, eight);
    }
    text += "\n\n RISULTATO OTTIMIZZAZIONE:\n\n";
    for (int i = 0; i < n; ++i) {
        const BarRecord& bar = *bars_[static_cast<std::size_t>(i)];
        AppendBarLine(text, bar, bar.chosenTools, eight);
    }
    const std::string path = std::string(PathSlot(PathTable::kProgramDir)) + "OUTPUT.BAR";
    if (!plat::WriteFileAtomic(path, plat::WithCrLf(text))) {
        SetFileFaultText(true, path.c_str(), errno);
        return 1;
    }
    return 0;
}
