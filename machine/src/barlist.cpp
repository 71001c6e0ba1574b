// Loading of a bar list (".lda") into memory.
#include "machine/barlist.h"
#include "machine/bar_progress.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <utility>

#include "barlist_support.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/profile_overrides.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/utils.h"
#include "platform/memory.h"
#include "platform/paths.h"
#include "platform/text.h"

using namespace barlist_support;

char g_listDescription[kListDescriptionSize] = {};

namespace {

BarListEvents* g_barListEvents = nullptr;

void ListFileError() { SetErrorText("%s (LISTA)", MsgError("ERR_FILE")); }

// Where a refused record lies, for the ERR_READ message.
struct RecordPlace {
    int bar = 0;       // 1-based bar of the file, 0 for the header
    int piece = 0;     // 1-based piece of the bar, 0 none
    int machining = 0; // 1-based machining of the piece or bar, 0 none
    const char* field = nullptr;
};

void RefuseRecord(const RecordPlace& at) {
    char where[64];
    if (at.bar == 0)
        plat::FormatC(where, sizeof where, "HEADER");
    else if (at.piece != 0 && at.machining != 0)
        plat::FormatC(where, sizeof where, "BAR %d PZ %d LAV %d", at.bar, at.piece, at.machining);
    else if (at.piece != 0)
        plat::FormatC(where, sizeof where, "BAR %d PZ %d", at.bar, at.piece);
    else if (at.machining != 0)
        plat::FormatC(where, sizeof where, "BAR %d LAV %d", at.bar, at.machining);
    else
        plat::FormatC(where, sizeof where, "BAR %d", at.bar);
    if (at.field != nullptr)
        SetErrorText("%s (LISTA: %s %s)", MsgError("ERR_READ"), where, at.field);
    else
        SetErrorText("%s (LISTA: %s)", MsgError("ERR_READ"), where);
}

// The bar record size of a header (versions below 100 take it from offset 52).
int BarRecordSize(const uint8_t* header) {
    const int version = header[lda::hdr::kVersion];
    if (version < lda::kVersionFirstDirect) return lda::GetI16(header + lda::hdr::kBarSizeOld);
    const int atNew = lda::GetI16(header + lda::hdr::kBarSizeNew);
    return atNew > 0 ? atNew : lda::GetI16(header + lda::hdr::kBarSize);
}

// The structure of one bar as the walk found it.
struct BarShape {
    int pieceCount = 0;
    int pieceSize = 0;
    int machiningCount = 0; // direct machinings (bars without pieces)
    int machiningSize = 0;
};

// The buffer of the list freed last, kept for the next list read: a list opened again (or
// another no larger) is read into memory already in place instead of fresh pages. At most one.
struct SpareBuffer {
    plat::LargeBytes bytes;
    std::size_t capacity = 0;
};
SpareBuffer g_spareBuffer;

void KeepSpareBuffer(plat::LargeBytes bytes, std::size_t capacity) {
    if (bytes != nullptr && capacity >= g_spareBuffer.capacity) {
        g_spareBuffer.bytes = std::move(bytes);
        g_spareBuffer.capacity = capacity;
    }
}

// A buffer for need bytes: the spare one when it is large enough and not far larger (a small
// list does not hold a large list's memory), else a new one. A large list's new buffer lies on
// large pages, first touched by the read.
plat::LargeBytes TakeBuffer(std::size_t need, std::size_t& capacity) {
    const std::size_t c = g_spareBuffer.capacity;
    plat::LargeBytes spare = std::move(g_spareBuffer.bytes);
    g_spareBuffer.capacity = 0;
    if (spare != nullptr && c >= need && (c / 4 <= need || c <= (std::size_t{1} << 20))) {
        capacity = c;
        return spare;
    }
    spare.reset(); // freed before a new one is had
    capacity = need;
    return plat::AllocateLargeBytes(need);
}

// The list file's bytes, read in pieces as the walk reaches them into one buffer of at least
// the file's size: each piece is checked and taken while it is still in the processor's cache,
// and the holders point into the buffer, which the list keeps.
class ListBytes {
public:
    ListBytes() = default;
    ListBytes(const ListBytes&) = delete;
    ListBytes& operator=(const ListBytes&) = delete;
    ~ListBytes() { KeepSpareBuffer(std::move(bytes_), capacity_); } // a refused list's buffer

    // Sizes the buffer from the file. False when the size cannot be had or allocated.
    bool Open(FILE* f) {
        f_ = f;
        if (std::fseek(f, 0, SEEK_END) != 0) return false;
        const long size = std::ftell(f);
        if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) return false;
        size_ = static_cast<std::size_t>(size);
        bytes_ = TakeBuffer(size_ == 0 ? 1 : size_, capacity_);
        return bytes_ != nullptr;
    }
    // Reads on until the first end bytes are in (end at most the size). False when the file
    // gave less than its size: it shrank while read.
    bool Reach(std::size_t end) {
        while (have_ < end) {
            const std::size_t want = std::min(size_ - have_, std::max(kPiece, end - have_));
            const std::size_t got = std::fread(bytes_.get() + have_, 1, want, f_);
            have_ += got;
            if (got != want) {
                shrank_ = true;
                return false;
            }
        }
        return true;
    }
    const uint8_t* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }
    bool shrank() const { return shrank_; }
    plat::LargeBytes Release(std::size_t& capacity) {
        capacity = capacity_;
        capacity_ = 0;
        return std::move(bytes_);
    }

private:
    static constexpr std::size_t kPiece = 256 * 1024; // well inside a core's cache
    FILE* f_ = nullptr;
    plat::LargeBytes bytes_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::size_t have_ = 0;
    bool shrank_ = false;
};

// Walks the bars of a version-102-or-later file from offset 192, checking every size, count
// and tail against the file before it is used. The visitor sees each bar (index 0-based) with
// its offset. Returns false (message set) on a refused record; a file that shrank while it was
// read is refused as a whole, as an unreadable header.
class ListWalker {
public:
    ListWalker(ListBytes& bytes, int barSize) : bytes_(bytes), data_(bytes.data()), size_(bytes.size()), barSize_(barSize) {}

    bool Has(std::size_t n) {
        if (pos_ > size_ || n > size_ - pos_) return false;
        return bytes_.Reach(pos_ + n);
    }
    std::size_t pos() const { return pos_; }

    // Reads the bar record at the current position into shape; advances past it.
    bool Bar(int barNo, BarShape& shape, const uint8_t** rec) {
        RecordPlace at{barNo, 0, 0, nullptr};
        if (!Has(static_cast<std::size_t>(barSize_))) return Refuse(at);
        const uint8_t* r = data_ + pos_;
        shape.machiningCount = lda::GetI16(r + lda::bar::kMachiningCount);
        shape.machiningSize = lda::GetI16(r + lda::bar::kMachiningSize);
        shape.pieceCount = lda::GetI16(r + lda::bar::kPieceCount);
        shape.pieceSize = lda::GetI16(r + lda::bar::kPieceSize);
        if (shape.machiningCount < 0 || shape.pieceCount < 0) return Refuse(at, "COUNT");
        if (shape.pieceCount > 0 && (shape.pieceSize < lda::kMinPieceSize || shape.pieceSize > lda::kPieceSize))
            return Refuse(at, "PIECE SIZE");
        *rec = r;
        pos_ += static_cast<std::size_t>(barSize_);
        return true;
    }

    // A piece record: its machining count.
    bool Piece(int barNo, int pieceNo, const BarShape& shape, const uint8_t** rec, int* machinings) {
        RecordPlace at{barNo, pieceNo, 0, nullptr};
        if (!Has(static_cast<std::size_t>(shape.pieceSize))) return Refuse(at);
        const uint8_t* r = data_ + pos_;
        *machinings = lda::GetI16(r + lda::piece::kMachiningCount);
        if (*machinings < 0) return Refuse(at, "COUNT");
        *rec = r;
        pos_ += static_cast<std::size_t>(shape.pieceSize);
        return true;
    }

    // A machining record and its tail.
    bool Machining(const RecordPlace& at, const BarShape& shape, const uint8_t** rec, const uint8_t** tail,
                   int* tailLength) {
        if (shape.machiningSize < lda::kMinMachiningSize || shape.machiningSize > lda::kMachiningSize)
            return Refuse(at, "SIZE");
        if (!Has(static_cast<std::size_t>(shape.machiningSize))) return Refuse(at);
        const uint8_t* r = data_ + pos_;
        const int t = lda::GetI16(r + lda::mach::kTailLength);
        if (t < 0 || t > lda::kMaxTail) return Refuse(at, "TAIL");
        pos_ += static_cast<std::size_t>(shape.machiningSize);
        if (!Has(static_cast<std::size_t>(t))) return Refuse(at, "TAIL");
        *rec = r;
        *tail = data_ + pos_;
        *tailLength = t;
        pos_ += static_cast<std::size_t>(t);
        return true;
    }

    // Walks past the bar's pieces and machinings, counting them.
    bool SkipContents(int barNo, const BarShape& shape, int64_t& pieces, int64_t& machinings, int64_t& tailBytes) {
        const uint8_t* rec;
        const uint8_t* tail;
        int tailLength;
        if (shape.pieceCount == 0) {
            for (int m = 0; m < shape.machiningCount; ++m) {
                if (!Machining(RecordPlace{barNo, 0, m + 1, nullptr}, shape, &rec, &tail, &tailLength)) return false;
                tailBytes += tailLength;
            }
            machinings += shape.machiningCount;
            return true;
        }
        for (int p = 0; p < shape.pieceCount; ++p) {
            int count = 0;
            if (!Piece(barNo, p + 1, shape, &rec, &count)) return false;
            for (int m = 0; m < count; ++m) {
                if (!Machining(RecordPlace{barNo, p + 1, m + 1, nullptr}, shape, &rec, &tail, &tailLength)) return false;
                tailBytes += tailLength;
            }
            machinings += count;
        }
        pieces += shape.pieceCount;
        return true;
    }

    static bool Fail(const RecordPlace& at, const char* field = nullptr) {
        RecordPlace p = at;
        p.field = field;
        RefuseRecord(p);
        return false;
    }
    // A record the walk cannot take; when the file shrank while read, the file as a whole.
    bool Refuse(const RecordPlace& at, const char* field = nullptr) const {
        return bytes_.shrank() ? Fail(RecordPlace{}) : Fail(at, field);
    }

private:
    ListBytes& bytes_;
    const uint8_t* data_;
    std::size_t size_;
    int barSize_;
    std::size_t pos_ = lda::kFirstBarOffset;
};

// Effective per-profile values of one series and code, read once per load for each profile.
struct ProfileValues {
    int32_t offY = 0, offZ = 0;
    int32_t tipoTaglio = 0, salitaLama = 0, offYPinza = 0, offZPinza = 0, offCPinza = 0, velhCut = 0;
    int32_t chVVice = 0, chHVice = 0;
    int32_t headScrap = 0, tailScrap = 0, posizScrap = 0, nrLabel = 1, ingScarico = 0, cutMode90 = 0,
            cutModeNo90 = 0;
};

ProfileValues ReadProfileValues(const char* series, const char* code) {
    ProfileValues v;
    v.offY = CpGetOffY(series, code);
    v.offZ = CpGetOffZ(series, code);
    if (g_pSettings == nullptr) return v;
    const MachineSettings& s = *g_pSettings;
    v.tipoTaglio = CpGetTipoTaglio(series, code, s);
    v.offYPinza = CpGetOffYPinza(series, code, s);
    v.offZPinza = CpGetOffZPinza(series, code, s);
    v.salitaLama = MachineVariant == 1 ? 0 : CpGetSalitaLama(series, code, s);
    if (MachineVariant != 0) {
        v.offCPinza = CpGetOffCPinza(series, code, s);
        v.velhCut = CpGetVelhCut(series, code, s);
    }
    if (MachineVariant == 2) {
        v.chVVice = CpGetChVVice(series, code, s);
        v.chHVice = CpGetChHVice(series, code, s);
    }
    if (MachineVariant == 1) {
        v.headScrap = CpGetHeadScrap(series, code, s);
        v.tailScrap = CpGetTailScrap(series, code, s);
        v.posizScrap = CpGetPosizScrap(series, code, s);
        v.nrLabel = CpGetNrLabel(series, code);
        v.ingScarico = CpGetIngScarico(series, code);
        v.cutMode90 = CpGetCutMode90(series, code, s);
        v.cutModeNo90 = CpGetCutModeNo90(series, code, s);
    }
    return v;
}

bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

bool AllDigits(const char* s) {
    if (*s == '\0') return false;
    for (; *s != '\0'; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

// The bar label (bar record offset 171) prepared for display.
std::string PrepareLabel(const uint8_t* rec, const char* series, int index) {
    char label[lda::bar::kTextLen + 1];
    CopyField(label, reinterpret_cast<const char*>(rec + lda::bar::kLabel), lda::bar::kTextLen);
    UpperAscii(label);
    if (std::strcmp(label, "?") == 0) label[0] = '\0';
    for (char* p = label; *p != '\0'; ++p)
        if (*p == ' ') *p = '_';
    std::string s = label;
    const std::size_t n = std::strlen(series);
    if (s.size() == n + 2 && s.front() == '<' && s.back() == '>' && plat::EqualsNoCase(s.substr(1, n), series))
        s = series;
    if (s.empty() || plat::EqualsNoCase(s, series)) s = plat::StrFormatC("%s#%d", series, index);
    char buf[kBarDisplaySize + 16];
    CopyField(buf, s.c_str(), sizeof buf - 1);
    if (AllDigits(buf)) StripLeadingZeros(buf);
    TrimTextField(buf);
    return buf;
}

// Usable ralla positions for the tools of one bar.
int UsableRallaPositions() {
    if (MachineVariant == 0) return g_rallaPositions;
    return g_rallaPositions - g_extraPositions + g_enabledExtraCount;
}

bool IsBladeName(const char* name) {
    if (g_pSettings == nullptr) return false;
    return std::strcmp(name, g_pSettings->QBLADE_NAME) == 0 || std::strcmp(name, g_pSettings->SLICERBLADE_NAME) == 0;
}

// Collects the distinct tools of a bar (version 102 and later). False with the message set.
class ToolCollector {
public:
    // barLabel: the bar as the messages name it (its display label).
    ToolCollector(int version, const std::string& barLabel) : active_(version >= lda::kVersionCurrent) {
        CopyField(barLabel_, barLabel.c_str());
    }

    // The record's tool name must hold its terminating zero (checked before).
    bool Add(const uint8_t* machining) {
        if (!active_) return true;
        const char* name = reinterpret_cast<const char*>(machining + lda::mach::kToolName);
        if (name[0] == '\0') return true;
        for (int i = 0; i < count_; ++i)
            if (std::strcmp(names_[i], name) == 0) return true;
        if (IsBladeName(name)) return true;
        if (count_ >= UsableRallaPositions() || count_ >= kRallaMaxPositions) {
            SetErrorText("%s %s", MsgError("TROPPI_UTEN"), barLabel_);
            return false;
        }
        const int index = g_pRallaTools != nullptr ? g_pRallaTools->FindTool(name) : -1;
        if (index < 0) {
            SetErrorText("%s: %s", MsgError("WRONG_DRILL"), name);
            return false;
        }
        CopyField(names_[count_], name, lda::mach::kToolNameLen);
        indices_[count_++] = index;
        return true;
    }

    void Fill(int32_t tools[kRallaMaxPositions]) const {
        for (int i = 0; i < kRallaMaxPositions; ++i) tools[i] = i < count_ ? indices_[i] : 0;
    }

private:
    bool active_;
    char barLabel_[kBarDisplaySize] = {};
    int count_ = 0;
    char names_[kRallaMaxPositions][kToolNameSize + 1] = {};
    int32_t indices_[kRallaMaxPositions] = {};
};

// A record stored shorter than the full size: a zero-padded copy kept in store.
template <typename Store>
const uint8_t* PaddedCopy(Store& store, const uint8_t* record, int size) {
    auto& padded = store.emplace_back();
    padded.fill(0);
    std::memcpy(padded.data(), record, static_cast<std::size_t>(size));
    return padded.data();
}

} // namespace

void SetBarListEvents(BarListEvents* sink) { g_barListEvents = sink; }
BarListEvents* GetBarListEvents() { return g_barListEvents; }

std::string ListNameOfPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return plat::ToUpperAscii(name);
}

std::string CompanionPathOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    const std::string stem = dot != std::string::npos && dot >= nameStart ? path.substr(0, dot) : path;
    return stem + ".EXT";
}

bool IsSafePathComponent(const char* text) {
    if (std::strcmp(text, ".") == 0 || std::strcmp(text, "..") == 0) return false;
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == '\\' || c == '/' || c == ':') return false;
    }
    return true;
}

BarList::BarList(const char* path) { LoadBarList(path); }

BarList::~BarList() { FreeBarList(); }

void BarList::FreeBarList() {
    bars_.clear();
    machinings_.clear();
    pieces_.clear();
    paddedMachinings_.clear();
    paddedPieces_.clear();
    KeepSpareBuffer(std::move(fileBytes_), fileBytesCapacity_);
    fileBytesCapacity_ = 0;
    fileSize_ = 0;
    identityKnown_ = false;
    listChanged_ = false;
    barsLeft_ = 0;
    selectedCount = 0;
}

const uint8_t* BarList::MachiningTail(int holder) const {
    if (holder < 0 || holder >= static_cast<int>(machinings_.size())) return nullptr;
    return machinings_[static_cast<std::size_t>(holder)].tail;
}

void BarList::LoadBarList(const char* path) {
    loaded_ = 0;
    FreeBarList();
    // A refused list keeps nothing of what was read before the fault.
    if (!ReadList(path)) {
        FreeBarList();
        return;
    }
    // A repetition the job's record holds finished and the list does not count yet (a power
    // cut between the two writes) is counted now.
    SettleFinishedRepetition(*this);
    // 18. A list without bars left keeps its file until the opening has said so.
    OrderByRepetitionsLeft();
    loaded_ = 1;
}

// The reading of one list file, step by step, over the one pass of the file's bytes: the
// names, the header and its version, the whole file's bytes and sizes, the description, the
// bars to machine (each with its names, pieces and machinings, section, label, cut angles and
// profile values), the further bars counted, the bytes kept and the first opening marked.
// Each step returns false with the message set when the list is refused.
class BarList::Reading {
public:
    explicit Reading(BarList& list) : l_(list) {}

    bool TakeNames(const char* path);
    bool ReadHeader();
    bool OpenWholeFile();
    void TakeDescription();
    void ReserveHolders();
    bool ReadBarsToMachine();
    bool CountFurtherBars();
    bool KeepFileBytes();
    bool MarkFirstOpening();

private:
    bool ReadBar(int b);
    bool ReadBarNames(const uint8_t* rec, BarRecord& r, int barNo);
    bool ReadBarContents(const uint8_t* rec, const BarShape& shape, BarRecord& r, int barNo);
    bool ReadSection(const uint8_t* rec, const ProfileValues& pv, BarRecord& r, int barNo);
    bool ReadCutAngles(const uint8_t* rec, BarRecord& r);
    const ProfileValues& ProfileOf(const BarRecord& r);

    BarList& l_;
    uint8_t header_[lda::kHeaderSize] = {};
    std::unique_ptr<FILE, int (*)(FILE*)> file_{nullptr, &std::fclose};
    ListBytes data_;
    int barSize_ = 0;
    std::optional<ListWalker> walk_;
    // Profile values are the same for every bar of a profile: read once, each profile's FLAG
    // once.
    std::map<std::pair<std::string, std::string>, ProfileValues> profiles_;
    std::optional<CpFlagCache> flagCache_;
    int64_t pieceTotal_ = 0;
    int64_t machiningTotal_ = 0;
    int64_t tailTotal_ = 0;
    int64_t listTotal_ = 0;
};

bool BarList::ReadList(const char* path) {
    Reading read(*this);
    if (!read.TakeNames(path) || !read.ReadHeader() || !read.OpenWholeFile()) return false;
    read.TakeDescription();
    read.ReserveHolders();
    if (!read.ReadBarsToMachine() || !read.CountFurtherBars() || !read.KeepFileBytes() || !read.MarkFirstOpening())
        return false;
    KeepIdentity();
    return true;
}

bool BarList::Reading::TakeNames(const char* path) {
    // The ralla set-up of the moment, the path and the names.
    int32_t conf = 1;
    std::fill(std::begin(l_.listTools_), std::end(l_.listTools_), 0);
    if (g_pRallaTools != nullptr) g_pRallaTools->GetSpindleTools(l_.listTools_, &conf);
    if (path == nullptr || std::strlen(path) >= kListPathSize) {
        ListFileError();
        return false;
    }
    l_.listPath_ = path;
    l_.listName_ = ListNameOfPath(l_.listPath_);
    l_.companionPath_ = CompanionPathOf(l_.listPath_);
    return true;
}

bool BarList::Reading::ReadHeader() {
    {
        FILE* f = plat::OpenFile(l_.listPath_, "r+b");
        if (f == nullptr) {
            ListFileError();
            return false;
        }
        const bool ok = std::fread(header_, 1, sizeof header_, f) == sizeof header_;
        std::fclose(f);
        if (!ok) {
            RefuseRecord(RecordPlace{});
            return false;
        }
    }
    // Old versions are converted, newer ones refused.
    l_.formatVersion_ = header_[lda::hdr::kVersion];
    if (l_.formatVersion_ > lda::kVersionMax) {
        SetErrorText("%s", MsgError("ERR_VERSION_LDA"));
        return false;
    }
    if (l_.formatVersion_ < lda::kVersionCurrent) {
        if (ConvertOldList(l_.listPath_.c_str()) != 0) return false;
        l_.formatVersion_ = lda::kVersionCurrent;
    }
    return true;
}

bool BarList::Reading::OpenWholeFile() {
    // The whole file, read once as the walk reaches it; every record is checked against the
    // file's size.
    file_.reset(plat::OpenFile(l_.listPath_, "r+b"));
    if (file_ == nullptr) {
        ListFileError();
        return false;
    }
    if (!data_.Open(file_.get()) || data_.size() < static_cast<std::size_t>(lda::kFirstBarOffset) ||
        !data_.Reach(lda::kFirstBarOffset)) {
        RefuseRecord(RecordPlace{});
        return false;
    }
    std::memcpy(header_, data_.data(), sizeof header_);
    barSize_ = BarRecordSize(header_);
    l_.headerBarCount_ = lda::GetI16(header_ + lda::hdr::kBarCount);
    l_.furtherBarCount_ = lda::GetI16(header_ + lda::hdr::kFurtherBars);
    if (barSize_ < lda::kMinBarSize || barSize_ > lda::kBarSize || l_.headerBarCount_ < 0 || l_.furtherBarCount_ < 0) {
        RefuseRecord(RecordPlace{});
        return false;
    }
    return true;
}

void BarList::Reading::TakeDescription() {
    CopyField(g_listDescription, reinterpret_cast<const char*>(header_ + lda::hdr::kDescription),
              lda::hdr::kDescriptionLen);
    TrimTextField(g_listDescription);
}

void BarList::Reading::ReserveHolders() {
    // The record counts come with the one walk over the file (the bars to machine are read and
    // counted together, the further bars are counted after them): a large list is walked once,
    // and every size is still checked before it is used.
    l_.bars_.reserve(static_cast<std::size_t>(l_.headerBarCount_));
    // Room for the machining holders as the file's size gives them with full-size records (a
    // hint bounded by the bytes the file really holds, not by any count in it).
    l_.machinings_.reserve((data_.size() - lda::kFirstBarOffset) / lda::kMachiningSize);
    // The same for the piece holders, by the smallest piece record: only the part filled is
    // ever touched.
    l_.pieces_.reserve((data_.size() - lda::kFirstBarOffset) / lda::kMinPieceSize);
}

bool BarList::Reading::ReadBarsToMachine() {
    flagCache_.emplace();
    walk_.emplace(data_, barSize_);
    for (int b = 0; b < l_.headerBarCount_; ++b)
        if (!ReadBar(b)) return false;
    l_.listTotal_ = static_cast<int32_t>(std::min<int64_t>(listTotal_, INT32_MAX));
    return true;
}

bool BarList::Reading::ReadBar(int b) {
    const int barNo = b + 1;
    BarShape shape;
    const uint8_t* rec;
    const std::size_t barOffset = walk_->pos();
    if (!walk_->Bar(barNo, shape, &rec)) return false;
    if (shape.pieceCount == 0 && shape.machiningCount == 0) return true; // empty bar: skipped, still counted
    uint8_t paddedBar[lda::kBarSize];
    if (barSize_ < lda::kBarSize) { // a shorter stored record reads as zeros past its end
        std::memset(paddedBar, 0, sizeof paddedBar);
        std::memcpy(paddedBar, rec, static_cast<std::size_t>(barSize_));
        rec = paddedBar;
    }
    pieceTotal_ += shape.pieceCount;
    if (const char* bad = UnterminatedBarText(rec)) {
        ListWalker::Fail(RecordPlace{barNo, 0, 0, nullptr}, bad);
        return false;
    }

    auto bar = std::make_unique<BarRecord>();
    BarRecord& r = *bar;
    r.index = barNo;
    r.machiningCount = static_cast<int16_t>(shape.machiningCount);
    r.machiningRecordSize = static_cast<int16_t>(shape.machiningSize);
    r.pieceCount = static_cast<int16_t>(shape.pieceCount);
    r.pieceRecordSize = static_cast<int16_t>(shape.pieceSize);
    r.repetitionsLeft = lda::GetU16(rec + lda::bar::kRepetitions);
    r.repetitionsOffset = static_cast<int32_t>(barOffset) + lda::bar::kRepetitions;
    r.firstPieceOffset = static_cast<int32_t>(barOffset) + barSize_;
    r.realValue = lda::GetF32(rec + lda::bar::kRealValue);
    r.flag = rec[lda::bar::kFlag];
    r.firstMachiningIndex = static_cast<int32_t>(l_.machinings_.size());
    r.pieceWork1.assign(static_cast<std::size_t>(shape.pieceCount), 0);
    r.pieceWork2.assign(static_cast<std::size_t>(shape.pieceCount), 0);

    if (!ReadBarNames(rec, r, barNo) || !ReadBarContents(rec, shape, r, barNo)) return false;
    const ProfileValues& pv = ProfileOf(r);
    if (!ReadSection(rec, pv, r, barNo)) return false;
    // The label.
    const std::string label = PrepareLabel(rec, r.series, barNo);
    CopyField(r.displayLabel, label.c_str());
    CopyField(r.label, label.c_str());
    if (!ReadCutAngles(rec, r)) return false;

    // The profile values.
    r.TIPO_TAGLIO = pv.tipoTaglio;
    r.SALITA_LAMA = pv.salitaLama;
    r.OFFY_PINZA = pv.offYPinza;
    r.OFFZ_PINZA = pv.offZPinza;
    r.OFFC_PINZA = pv.offCPinza;
    r.VELH_CUT = pv.velhCut;
    r.CH_V_VICE = pv.chVVice;
    r.CH_H_VICE = pv.chHVice;
    r.HEAD_SCRAP = pv.headScrap;
    r.TAIL_SCRAP = pv.tailScrap;
    r.POSIZ_SCRAP = pv.posizScrap;
    r.NR_LABEL = pv.nrLabel;
    r.ING_SCARICO = pv.ingScarico;
    r.CUT_MODE_90 = pv.cutMode90;
    r.CUT_MODE_NO_90 = pv.cutModeNo90;

    r.length = lda::GetI32(rec + lda::bar::kLength);
    r.configNumber = 1;
    r.intCode1 = kBarCodeLoaded1;
    r.intCode2 = kBarCodeLoaded2;
    listTotal_ += static_cast<int64_t>(r.repetitionsLeft) * (shape.pieceCount > 0 ? shape.pieceCount : 1);
    l_.bars_.push_back(std::move(bar));
    return true;
}

bool BarList::Reading::ReadBarNames(const uint8_t* rec, BarRecord& r, int barNo) {
    // Names, upper case; "?" is no code.
    CopyField(r.name, reinterpret_cast<const char*>(rec + lda::bar::kName), kBarTextSize - 1);
    UpperAscii(r.name);
    CopyField(r.series, reinterpret_cast<const char*>(rec + lda::bar::kSeries), kBarTextSize - 1);
    UpperAscii(r.series);
    char code[lda::bar::kTextLen + 1];
    CopyField(code, reinterpret_cast<const char*>(rec + lda::bar::kCode), lda::bar::kTextLen);
    UpperAscii(code);
    if (std::strcmp(code, "?") == 0) code[0] = '\0';
    TrimTextField(code);
    CopyField(r.displayCode, code);
    CopyField(r.code, code);
    // The series and code name folders and files ("%sCONF\%s.CP", drawings): never a way out.
    if (!IsSafePathComponent(r.series) || !IsSafePathComponent(code) || !IsSafePathComponent(r.code)) {
        SetErrorText("%s %s %s (LISTA: BAR %d)", MsgError("ERR_PROFILE_NAME"), r.series, code, barNo);
        return false;
    }
    return true;
}

bool BarList::Reading::ReadBarContents(const uint8_t* rec, const BarShape& shape, BarRecord& r, int barNo) {
    // Pieces and machinings, with the bar's tools.
    ToolCollector tools(l_.formatVersion_, PrepareLabel(rec, r.series, barNo));
    const bool keepDirect = r.repetitionsLeft > 0;
    const uint8_t* mrec;
    const uint8_t* tail;
    int tailLength = 0;
    auto keepMachining = [&](const RecordPlace& at) {
        const uint8_t* record = mrec;
        if (shape.machiningSize < lda::kMachiningSize)
            record = PaddedCopy(l_.paddedMachinings_, mrec, shape.machiningSize);
        if (const char* bad = UnterminatedMachiningText(record)) return ListWalker::Fail(at, bad);
        l_.machinings_.push_back(MachiningHolder{record, tailLength > 0 ? tail : nullptr, tailLength});
        return tools.Add(record);
    };
    if (shape.pieceCount == 0) {
        r.firstPieceIndex = -1;
        r.barMachiningCount = shape.machiningCount;
        for (int m = 0; m < shape.machiningCount; ++m) {
            const RecordPlace at{barNo, 0, m + 1, nullptr};
            if (!walk_->Machining(at, shape, &mrec, &tail, &tailLength)) return false;
            if (keepDirect && !keepMachining(at)) return false;
        }
        machiningTotal_ += shape.machiningCount;
    } else {
        r.firstPieceIndex = static_cast<int32_t>(l_.pieces_.size());
        for (int p = 0; p < shape.pieceCount; ++p) {
            const uint8_t* prec;
            int count = 0;
            if (!walk_->Piece(barNo, p + 1, shape, &prec, &count)) return false;
            if (shape.pieceSize < lda::kPieceSize) prec = PaddedCopy(l_.paddedPieces_, prec, shape.pieceSize);
            PieceHolder& ph = l_.pieces_.emplace_back();
            ph.record = prec;
            if (const char* bad = UnterminatedPieceText(ph.record)) {
                ListWalker::Fail(RecordPlace{barNo, p + 1, 0, nullptr}, bad);
                return false;
            }
            ph.firstMachining = static_cast<int32_t>(l_.machinings_.size());
            ph.machiningCount = count;
            machiningTotal_ += count;
            for (int m = 0; m < count; ++m) {
                const RecordPlace at{barNo, p + 1, m + 1, nullptr};
                if (!walk_->Machining(at, shape, &mrec, &tail, &tailLength) || !keepMachining(at)) return false;
            }
        }
    }
    tools.Fill(r.requiredTools);
    return true;
}

const ProfileValues& BarList::Reading::ProfileOf(const BarRecord& r) {
    const auto key = std::make_pair(std::string(r.series), std::string(r.code));
    auto found = profiles_.find(key);
    if (found == profiles_.end()) found = profiles_.emplace(key, ReadProfileValues(r.series, r.code)).first;
    return found->second;
}

bool BarList::Reading::ReadSection(const uint8_t* rec, const ProfileValues& pv, BarRecord& r, int barNo) {
    // The section after the profile offsets.
    const int64_t fileYMin = lda::GetI32(rec + lda::bar::kYMin);
    const int64_t fileYMax = lda::GetI32(rec + lda::bar::kYMax);
    const int64_t fileZMin = lda::GetI32(rec + lda::bar::kZMin);
    const int64_t fileZMax = lda::GetI32(rec + lda::bar::kZMax);
    const int64_t yMax = pv.offY + (fileYMax - fileYMin);
    const int64_t zMax = pv.offZ + (fileZMax - fileZMin);
    const int64_t offsetY = pv.offY - fileYMin;
    const int64_t offsetZ = pv.offZ - fileZMin;
    if (!FitsInt32(yMax) || !FitsInt32(zMax) || !FitsInt32(offsetY) || !FitsInt32(offsetZ)) {
        // A section that fits without the profile's offsets fails by them: the profile's file
        // is named, not the list.
        if (FitsInt32(fileYMax - fileYMin) && FitsInt32(fileZMax - fileZMin) && FitsInt32(-fileYMin) &&
            FitsInt32(-fileZMin))
            SetErrorText("%s (%s [%s] OFFY/OFFZ)", MsgError("ERR_READ"), CpFilePath(r.series).c_str(), r.code);
        else
            ListWalker::Fail(RecordPlace{barNo, 0, 0, nullptr}, "SECTION");
        return false;
    }
    r.yMin = pv.offY;
    r.yMax = static_cast<int32_t>(yMax);
    r.zMin = pv.offZ;
    r.zMax = static_cast<int32_t>(zMax);
    r.offsetY = static_cast<int32_t>(offsetY);
    r.offsetZ = static_cast<int32_t>(offsetZ);
    return true;
}

bool BarList::Reading::ReadCutAngles(const uint8_t* rec, BarRecord& r) {
    // Cut angles, hundredths of a degree in the file.
    r.firstCutAngle = std::abs(lda::GetI16(rec + lda::bar::kFirstCutAngle) * 10);
    r.secondCutAngle = std::abs(lda::GetI16(rec + lda::bar::kSecondCutAngle) * 10);
    if (r.firstCutAngle < 1000 || r.secondCutAngle < 1000) {
        SetErrorText("%s %s", MsgError("WRONG_ANGLE"), r.displayLabel);
        return false;
    }
    return true;
}

bool BarList::Reading::CountFurtherBars() {
    for (int b = l_.headerBarCount_; b < l_.headerBarCount_ + l_.furtherBarCount_; ++b) {
        BarShape shape;
        const uint8_t* rec;
        if (!walk_->Bar(b + 1, shape, &rec) ||
            !walk_->SkipContents(b + 1, shape, pieceTotal_, machiningTotal_, tailTotal_))
            return false;
    }
    l_.totalPieces_ = static_cast<int>(pieceTotal_);
    l_.totalMachinings_ = static_cast<int>(machiningTotal_);
    return true;
}

bool BarList::Reading::KeepFileBytes() {
    // The rest of the file (further bars' contents) is read too: the list's identity is the
    // hash of every byte.
    if (!data_.Reach(data_.size())) {
        RefuseRecord(RecordPlace{});
        return false;
    }
    l_.fileSize_ = data_.size();
    l_.fileBytes_ = data_.Release(l_.fileBytesCapacity_); // the holders point into the file's bytes
    file_.reset();
    return true;
}

bool BarList::Reading::MarkFirstOpening() {
    // First opening: mark the file and record the job.
    if (header_[lda::hdr::kState] == lda::kStateOpened) return true;
    header_[lda::hdr::kState] = lda::kStateOpened;
    FILE* f = plat::OpenFile(l_.listPath_, "r+b");
    bool ok = f != nullptr;
    if (ok) ok = std::fwrite(header_, 1, sizeof header_, f) == sizeof header_;
    if (f != nullptr && std::fclose(f) != 0) ok = false;
    if (!ok) {
        ListFileError();
        return false;
    }
    if (g_barListEvents != nullptr) g_barListEvents->LogJob(l_.listPath_.c_str(), l_.listTotal_, l_.listTotal_);
    if (l_.fileSize_ >= sizeof header_) std::memcpy(l_.fileBytes_.get(), header_, sizeof header_);
    return true;
}
