// list_summary: what a run did to bar lists, for the demo's closing report.
//   list_summary <list before the run> <list after the run> [<drawing folder (DIR_DXF)>]
// Prints the list's bars, how many of them ran (repetitions left went down) and the repetitions
// still to do. The files are only read. A list missing after the run was finished and removed
// by the program (GENERAL CHANGE_RIP); a list in an old format shows its bar count only. With
// the drawing folder, one line per profile of the list tells what the bars' end cuts were
// planned against: the section's drawing or the bounding rectangle.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "dxf/dxf.h"
#include "machine/lda_format.h"

namespace {

struct ListState {
    bool readable = false;
    bool detailed = false; // repetitions known (current format)
    int bars = 0;
    std::vector<std::pair<std::string, unsigned>> left; // bar name, repetitions left
    unsigned Total() const {
        unsigned n = 0;
        for (const auto& b : left) n += b.second;
        return n;
    }
};

int I16(const std::vector<uint8_t>& d, std::size_t at) {
    return at + 2 <= d.size() ? static_cast<int16_t>(d[at] | (d[at + 1] << 8)) : -1;
}

// Walks the bar records of a current-format list, bounds-checked at every step.
ListState Read(const std::string& path) {
    ListState s;
    std::ifstream in(path, std::ios::binary);
    if (!in) return s;
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (d.size() < static_cast<std::size_t>(lda::kFirstBarOffset)) return s;
    s.readable = true;
    s.bars = I16(d, lda::hdr::kBarCount);
    const int version = d[lda::hdr::kVersion];
    if (version < lda::kVersionCurrent || version > lda::kVersionMax) return s;
    const int atNew = I16(d, lda::hdr::kBarSizeNew);
    const int barSize = atNew > 0 ? atNew : I16(d, lda::hdr::kBarSize);
    if (barSize < lda::kMinBarSize) return s;
    std::size_t pos = lda::kFirstBarOffset;
    auto machining = [&](int size) {
        if (size < lda::kMinMachiningSize || pos + static_cast<std::size_t>(size) > d.size()) return false;
        const int tail = I16(d, pos + lda::mach::kTailLength);
        if (tail < 0 || tail > lda::kMaxTail) return false;
        pos += static_cast<std::size_t>(size + tail);
        return pos <= d.size();
    };
    for (int b = 0; b < s.bars; ++b) {
        if (pos + static_cast<std::size_t>(barSize) > d.size()) return s;
        const std::size_t rec = pos;
        const std::string name(reinterpret_cast<const char*>(&d[rec + lda::bar::kName]),
                               strnlen(reinterpret_cast<const char*>(&d[rec + lda::bar::kName]), lda::bar::kTextLen));
        s.left.emplace_back(name, static_cast<unsigned>(I16(d, rec + lda::bar::kRepetitions)) & 0xFFFFu);
        const int machinings = I16(d, rec + lda::bar::kMachiningCount);
        const int machiningSize = I16(d, rec + lda::bar::kMachiningSize);
        const int pieces = I16(d, rec + lda::bar::kPieceCount);
        const int pieceSize = I16(d, rec + lda::bar::kPieceSize);
        pos += static_cast<std::size_t>(barSize);
        if (pieces < 0 || machinings < 0) return s;
        if (pieces == 0) {
            for (int m = 0; m < machinings; ++m)
                if (!machining(machiningSize)) return s;
        }
        for (int p = 0; p < pieces; ++p) {
            if (pieceSize < lda::kMinPieceSize || pos + static_cast<std::size_t>(pieceSize) > d.size()) return s;
            const int pm = I16(d, pos + lda::piece::kMachiningCount);
            pos += static_cast<std::size_t>(pieceSize);
            for (int m = 0; m < pm; ++m)
                if (!machining(machiningSize)) return s;
        }
    }
    s.detailed = true;
    return s;
}

std::string TextAt(const std::vector<uint8_t>& d, std::size_t at) {
    const char* p = reinterpret_cast<const char*>(&d[at]);
    return std::string(p, strnlen(p, lda::bar::kTextLen));
}

// The profiles (series, code) of the bars to machine, in order of first appearance, from a
// list of any version (older lists keep the bar texts in place but size their records
// differently). Empty when the file cannot be walked.
std::vector<std::pair<std::string, std::string>> Profiles(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> out;
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (d.size() < static_cast<std::size_t>(lda::kFirstBarOffset)) return out;
    const int version = d[lda::hdr::kVersion];
    const int atNew = I16(d, lda::hdr::kBarSizeNew);
    const int barSize = version < lda::kVersionFirstDirect ? I16(d, lda::hdr::kBarSizeOld)
                        : atNew > 0                      ? atNew
                                                         : I16(d, lda::hdr::kBarSize);
    const bool current = version >= lda::kVersionCurrent;
    if (barSize < lda::kMinBarSizeOld) return out;
    std::size_t pos = lda::kFirstBarOffset;
    auto skip = [&](std::size_t n) {
        if (n > d.size() - std::min(pos, d.size())) return false;
        pos += n;
        return true;
    };
    auto machinings = [&](int count, int size) {
        for (int m = 0; m < count; ++m) {
            if (size < lda::kMinMachiningSize || pos + static_cast<std::size_t>(size) > d.size()) return false;
            const int tail = I16(d, pos + lda::mach::kTailLength);
            if (tail < 0 || tail > lda::kMaxTail || !skip(static_cast<std::size_t>(size + tail))) return false;
        }
        return true;
    };
    const int bars = I16(d, lda::hdr::kBarCount);
    for (int b = 0; b < bars; ++b) {
        if (pos + static_cast<std::size_t>(barSize) > d.size()) return out;
        const std::size_t rec = pos;
        std::string code = TextAt(d, rec + lda::bar::kCode);
        if (code == "?") code.clear();
        const std::pair<std::string, std::string> profile{TextAt(d, rec + lda::bar::kSeries), code};
        bool seen = false;
        for (const auto& p : out) seen = seen || p == profile;
        if (!seen) out.push_back(profile);
        const int direct = I16(d, rec + lda::bar::kMachiningCount);
        const int machiningSize = I16(d, rec + lda::bar::kMachiningSize);
        const int pieces = version >= 12 && barSize >= lda::kMinBarSize ? I16(d, rec + lda::bar::kPieceCount) : 0;
        const int pieceSize = pieces > 0 ? I16(d, rec + lda::bar::kPieceSize) : 0;
        pos += static_cast<std::size_t>(barSize);
        if (pieces < 0 || direct < 0) return out;
        if (pieces == 0 && !machinings(direct, machiningSize)) return out;
        for (int p = 0; p < pieces; ++p) {
            const int minPiece = current ? lda::kMinPieceSize : lda::kMinPieceSizeOld;
            if (pieceSize < minPiece || pos + static_cast<std::size_t>(pieceSize) > d.size()) return out;
            const int count = I16(d, pos + (current ? lda::piece::kMachiningCount : lda::piece::kOldMachiningCount));
            pos += static_cast<std::size_t>(pieceSize);
            if (count < 0 || !machinings(count, machiningSize)) return out;
        }
    }
    return out;
}

// What the engine finds for each profile of the list in the drawing folder: the section's
// drawing ("<series>/<code>.dxf", matched without regard to case) or, without a readable one
// that has an extent, the profile's bounding rectangle.
void PrintDrawings(const std::string& listPath, const std::string& dxfFolder) {
    for (const auto& [series, code] : Profiles(listPath)) {
        const std::string rel = series + "\\" + code + ".dxf";
        MEntitiesList list;
        const int read = ReadDXF(dxfFolder + "/" + series + "/" + code + ".dxf", list);
        list.DeleteText();
        list.DeleteAttributes();
        const MLimits l = list.GetLimits();
        if (read > 0 && !list.Empty() && !l.empty && (l.maxX > l.minX || l.maxY > l.minY))
            std::printf("      %-20s section drawing, %zu entities, %.1f x %.1f mm\n", rel.c_str(), list.Count(),
                        l.maxX - l.minX, l.maxY - l.minY);
        else
            std::printf("      %-20s no usable drawing: bounding rectangle\n", rel.c_str());
    }
}

// The bars of the list, how many of them ran and the repetitions left.
int Summary(const char* beforePath, const char* afterPath) {
    std::string name = beforePath;
    name = name.substr(name.find_last_of('/') + 1);
    const ListState before = Read(beforePath);
    if (!before.readable) {
        std::printf("%-14s cannot be read\n", name.c_str());
        return 1;
    }
    std::ifstream probe(afterPath, std::ios::binary);
    if (!probe) {
        std::printf("%-14s bars %3d, run %3d, list finished (removed by the program)\n", name.c_str(), before.bars,
                    before.bars);
        return 0;
    }
    const ListState after = Read(afterPath);
    if (!after.detailed) {
        std::printf("%-14s bars %3d, cannot be read after the run\n", name.c_str(), before.bars);
        return 1;
    }
    int run = 0;
    for (const auto& [barName, left] : after.left) {
        bool found = false;
        for (const auto& [n0, l0] : before.left)
            if (n0 == barName) {
                found = true;
                if (left < l0) ++run;
                break;
            }
        // An old-format list before the run tells no repetitions: a bar with none left ran.
        if (!found && !before.detailed && left == 0) ++run;
    }
    if (before.detailed)
        std::printf("%-14s bars %3d, run %3d, repetitions left %u of %u\n", name.c_str(), after.bars, run,
                    after.Total(), before.Total());
    else
        std::printf("%-14s bars %3d, run %3d, repetitions left %u\n", name.c_str(), after.bars, run, after.Total());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: list_summary <list before> <list after> [<drawing folder>]\n");
        return 2;
    }
    const int rc = Summary(argv[1], argv[2]);
    if (argc == 4) PrintDrawings(argv[1], argv[3]);
    return rc;
}
