// Bar list: repetitions, sorting, tool set-up hand-over and the checks of a bar's size and
// section against the machine.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <numbers>

#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/utils.h"
#include "platform/paths.h"
#include "platform/text.h"

int32_t g_sectionDiagonal = 0;
int32_t g_rallaOuterSpan = 0;
int32_t g_rallaInnerSpan = 0;

namespace {

int ChangeRip() { return g_pSettings != nullptr ? g_pSettings->CHANGE_RIP : 0; }

int32_t Clamp32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// A real length in thousandths truncated toward zero, clamped.
int32_t Trunc(double v) { return plat::TruncToInt32(v); }

} // namespace

int BarList::SetBarRepetitionsLeft(int barIndex, uint16_t count) {
    if (barIndex < 0 || barIndex >= BarCount()) return 0;
    BarRecord& bar = *bars_[static_cast<std::size_t>(barIndex)];
    bar.repetitionsLeft = count;
    if (ChangeRip() == 0) return 0;
    if (!IsStillTheListRead()) return 1;
    uint8_t word[2];
    lda::PutU16(word, count);
    if (!plat::WriteBytesInPlace(listPath_, bar.repetitionsOffset, word, sizeof word)) {
        const int err = errno != 0 ? errno : EIO;
        SetErrorTextLiteral(FileFaultText(true, listPath_.c_str(), err).c_str());
        // What the file holds now is not known: no later write trusts it.
        listChanged_ = true;
        return 1;
    }
    // The list as it is now, with the program's own two bytes.
    if (bar.repetitionsOffset >= 0 && static_cast<std::size_t>(bar.repetitionsOffset) + 2 <= fileSize_)
        std::memcpy(fileBytes_.get() + bar.repetitionsOffset, word, sizeof word);
    KeepIdentity();
    return 0;
}

int BarList::SortBarsByRepetitionsLeft() {
    const int count = OrderByRepetitionsLeft();
    if (count == 0) DeleteFinishedList();
    return count;
}

int BarList::DeleteFinishedList() {
    finishedListKept_ = false;
    if (barsLeft_ != 0 || ChangeRip() == 0 || furtherBarCount_ != 0) return 0;
    // Another file under the list's name is not this finished list: it stays.
    if (!IsStillTheListRead()) {
        finishedListKept_ = true;
        return 1;
    }
    errno = 0;
    if (DeleteFileRetry(listPath_.c_str()) != 1) return 0; // removed, or no file to remove
    const int err = errno != 0 ? errno : EIO;
    SetErrorTextLiteral(FileFaultTextUnder("ERR_LIST_NOT_REMOVED", listPath_.c_str(), err).c_str());
    finishedListKept_ = true;
    return 1;
}

int BarList::OrderByRepetitionsLeft() {
    MergeSort(bars_.data(), bars_.size(), [](const std::unique_ptr<BarRecord>& a, const std::unique_ptr<BarRecord>& b) {
        if (b->repetitionsLeft == 0) return -1;
        if (a->repetitionsLeft == 0) return 1;
        return 0;
    });
    int count = 0;
    while (count < BarCount() && bars_[static_cast<std::size_t>(count)]->repetitionsLeft > 0) ++count;
    barsLeft_ = count;
    if (count == 0) {
        if (BarListEvents* sink = GetBarListEvents()) sink->LogJob(listPath_.c_str(), 0, 0);
    }
    return count;
}

int BarList::SortBarListByName() {
    const int mode = g_pSettings != nullptr ? g_pSettings->TYPE_OTTIM : 0;
    const std::size_t n = static_cast<std::size_t>(barsLeft_ < BarCount() ? barsLeft_ : BarCount());
    if (mode == 1)
        return MergeSort(bars_.data(), n, [](const std::unique_ptr<BarRecord>& a, const std::unique_ptr<BarRecord>& b) {
            const int c = plat::CompareNoCase(a->name, b->name);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        });
    if (mode == 2)
        return MergeSort(bars_.data(), n, [](const std::unique_ptr<BarRecord>& a, const std::unique_ptr<BarRecord>& b) {
            const int c = plat::CompareNoCase(a->series, b->series);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        });
    return 0;
}

int BarList::ApplyBarToolSetup(int barIndex) {
    if (g_pRallaTools == nullptr || barIndex < 0 || barIndex >= BarCount()) return 0;
    const BarRecord& bar = *bars_[static_cast<std::size_t>(barIndex)];
    return g_pRallaTools->SetSpindleTools(bar.chosenTools, bar.configNumber);
}

int BarList::CheckBarLengths() {
    const int n = selectedCount < BarCount() ? selectedCount : BarCount();
    for (int i = 0; i < n; ++i) {
        const int result = CheckBarSize(*bars_[static_cast<std::size_t>(i)]);
        if (result != 0) return result;
    }
    return 0;
}

int CheckBarSize(BarRecord& bar) {
    if (g_pSettings == nullptr) return kBarCheckOk; // no machine known: nothing to check against
    const MachineSettings& s = *g_pSettings;
    const int32_t ySize = Clamp32(static_cast<int64_t>(bar.yMax) - bar.yMin);
    const int32_t zSize = Clamp32(static_cast<int64_t>(bar.zMax) - bar.zMin);
    const int32_t larger = ySize > zSize ? ySize : zSize;
    // The end-cut length of one end: square ends need the vice's minimum grip, angled ends
    // that grip plus the run of the section along the cut.
    auto extra = [&](int32_t angle) -> int32_t {
        if (angle == 90000) return s.IMMORS_MIN;
        const double radians = angle / 1000.0 * std::numbers::pi / 180.0;
        return Clamp32(static_cast<int64_t>(s.IMMORS_MIN_OBL) + Trunc(larger / std::tan(radians)));
    };
    bar.extraLength1 = extra(bar.firstCutAngle);
    bar.extraLength2 = extra(bar.secondCutAngle);
    const int64_t needed = static_cast<int64_t>(s.DIST_MORSE) + bar.extraLength1 + bar.extraLength2;
    if (bar.length < needed) {
        if (bar.pieceCount == 0 && s.TIPO_SCARIC == 1) {
            bar.shortAccepted = 1;
            return CheckBarSection(bar, ySize, zSize);
        }
        bar.checkCode = kBarCheckLength;
        SetErrorText("%s %s", MsgError("LEN_BAR"), bar.displayLabel);
        return kBarCheckLength;
    }
    bar.checkCode = kBarCheckOk;
    return CheckBarSection(bar, ySize, zSize);
}

int CheckBarSection(BarRecord& bar, int32_t ySize, int32_t zSize) {
    if (g_pSettings == nullptr) return kBarCheckOk;
    const MachineSettings& s = *g_pSettings;

    // 1-2. The section's centre must lie within the travel.
    const int64_t centreZ = bar.zMin + static_cast<int64_t>(zSize) / 2;
    const int64_t centreY = bar.yMin + static_cast<int64_t>(ySize) / 2;
    bar.centreZ = Clamp32(centreZ);
    bar.centreY = Clamp32(centreY);
    if (centreZ > s.Z_TRAVEL_MAX || centreZ < s.Z_TRAVEL_MIN || centreY > s.Y_TRAVEL_MAX || centreY < s.Y_TRAVEL_MIN) {
        bar.checkCode = kBarCheckSection;
        SetErrorText("%s %s", MsgError("ING_BAR"), bar.displayLabel);
        return kBarCheckSection;
    }

    // 3. Reach of the section between the spindles.
    bar.reachInner = 0;
    bar.reachOuter = 0;
    bar.reachShift = 0;
    bar.reachAngle = 0;
    if (g_decentredRalla != 0) return 0;
    if (bar.intCode1 != kBarCodeLoaded1) bar.reachInner = 1;

    // 4. Inner and outer reach of each position with the tool chosen for it.
    int64_t inner[kRallaMaxPositions] = {};
    int64_t outer[kRallaMaxPositions] = {};
    const int positions = g_rallaPositions < kRallaMaxPositions ? g_rallaPositions : kRallaMaxPositions;
    int64_t minInner = INT64_MAX;
    int64_t minOuter = INT64_MAX;
    for (int i = 0; i < positions; ++i) {
        const int tool = bar.chosenTools[i];
        int64_t r = s.OFFZ_T[i];
        if (tool != 0 && g_pRallaTools != nullptr) r -= g_pRallaTools->Tool(tool).totalLength;
        inner[i] = r + s.DIST_MANDRINI / 2;
        outer[i] = inner[i] + s.EXTRA_MAND_OUT;
        if (bar.configNumber == 0) inner[i] = outer[i];
        if (inner[i] < minInner) minInner = inner[i];
        if (outer[i] < minOuter) minOuter = outer[i];
    }
    if (positions == 0) minInner = minOuter = 0;
    const int64_t d = static_cast<int64_t>(std::sqrt(static_cast<double>(ySize) * ySize + static_cast<double>(zSize) * zSize));

    // 5. For the engine.
    g_sectionDiagonal = Clamp32(d);
    g_rallaOuterSpan = Clamp32(2 * minOuter);
    g_rallaInnerSpan = Clamp32(2 * minInner);
    const int64_t twoI = 2 * minInner;

    // 6. Without rotary interpolation.
    if (s.ROT_INTERP == 0) {
        if (MachineVariant != 0 && d <= 2 * (minInner + s.EXTRA_MAND_OUT) - 2000) bar.reachOuter = 1;
        if (d <= twoI - 2000) bar.reachInner = 1;
        return 0;
    }

    // 7. With rotary interpolation.
    if (MachineVariant != 0) {
        if (d <= 2 * minOuter - 2000) bar.reachOuter = 1;
        if (d <= twoI - 20000000) bar.reachInner = 1;
        return 0;
    }
    if (d <= twoI - 20000000) {
        bar.reachInner = 1;
        return 0;
    }
    // The section may still pass when its centre moves off the ralla's axis.
    const int64_t h = d / 2;
    const int64_t i1 = inner[0], i2 = inner[1], i3 = inner[2], i4 = inner[3];
    auto halved = [](int64_t v) { return v >= 20000000 ? int64_t{10000000} : v / 2; };
    const int64_t a = halved(i3 - d + i1);
    const int64_t b = halved(i4 - d + i2);
    // How far the centre must move on one axis: nothing when both sides leave room.
    auto shift = [h](int64_t side, int64_t other, int64_t c) -> int64_t {
        if (side >= c + h && other >= c + h) return 0;
        if (side >= c + h) return other - c - h;
        return c - side + h;
    };
    const int64_t u = shift(i4, i2, b);
    const int64_t v = shift(i1, i3, a);
    const int64_t distance = static_cast<int64_t>(std::sqrt(static_cast<double>(u) * u + static_cast<double>(v) * v));
    const bool travelOk = centreZ - distance >= s.Z_TRAVEL_MIN && centreZ + distance <= s.Z_TRAVEL_MAX &&
                          centreY - distance >= s.Y_TRAVEL_MIN && centreY + distance <= s.Y_TRAVEL_MAX;
    if (travelOk) {
        if (distance >= 1) {
            const double c = std::acos(static_cast<double>(-u) / static_cast<double>(distance)) * 180.0 / std::numbers::pi;
            int64_t angle = Trunc(c * 1000.0);
            if (-v < 0) angle = 360000 - angle;
            bar.reachAngle = Clamp32(angle - 90000);
        }
        bar.reachShift = Clamp32(distance);
        if (d > i1 + i3 + 2000 || d > i2 + i4 + 2000) return 0;
        bar.reachInner = 1;
        return 0;
    }
    bar.reachShift = 0; // the moved centre would leave the travel
    if (d > twoI - 2000) return 0;
    bar.reachInner = 1;
    return 0;
}
