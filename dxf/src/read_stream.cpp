// The streamed read: the top level, the sections and the entity groups followed pair by pair as
// the window fills, each entity group drawn as soon as it is complete.
#include "read_stream.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "read_entities.h"

namespace dxfread {

bool Window::More(size_t keep) {
    if (error_ != 0) return false;
    if (end_) return true;
    char* buf = own_.get();
    if (keep > 0) {
        std::memmove(buf, buf + keep, have_ - keep);
        have_ -= keep;
    }
    if (buf == nullptr || have_ == capacity_) {
        const size_t grown = buf == nullptr ? capacity_ : std::min(capacity_ * 2, kMaxFileSize + 1);
        std::unique_ptr<char[]> bigger(new (std::nothrow) char[grown]);
        if (bigger == nullptr) {
            error_ = DXF_ERR_TOO_LARGE;
            return false;
        }
        if (have_ > 0) std::memcpy(bigger.get(), buf, have_);
        own_ = std::move(bigger);
        capacity_ = grown;
        base_ = buf = own_.get();
    }
    const long got = source_->Read(buf + have_, capacity_ - have_);
    if (got < 0) {
        error_ = DXF_ERR_OPEN;
        return false;
    }
    if (got == 0) {
        end_ = true;
        return true;
    }
    have_ += size_t(got);
    total_ += size_t(got);
    if (total_ > kMaxFileSize) {
        error_ = DXF_ERR_TOO_LARGE;
        return false;
    }
    return true;
}

namespace {

// Shape records made room for at the start of the entities, one per this many bytes of the
// drawing (a line as CAD programs write it takes 150 bytes and more, a polyline's vertex some
// 40). The section turns the records into its points in the same block (one point per line, a
// few dozen per circle), so the room is for those too: the pages of the room left unused are
// never touched, and a denser drawing grows the block once or twice.
constexpr size_t kBytesPerShape = 40;

// The outline read pair by pair as the window fills: the top level and the sections are checked
// as the whole-file reader checks them, the blocks' pairs are kept (their values copied), and
// each entity group of the entities section goes to the reader as soon as it is complete. Only
// that group's pairs are held, in the window. An entity's failure is held until the whole
// drawing is tokenized and its structure checked, since those failures come first.
class OutlineStream {
public:
    OutlineStream(Window& window, size_t sizeHint) : w_(window), sizeHint_(sizeHint), reader_(sink_) {}

    // The count of entities read or a negative DxfReadResult, or dxfstream::kWholeFile.
    int Run(MOutline& outline);

private:
    enum class Top { Outside, SectionHead, InSection, AfterEof };
    enum class Kind { Other, Blocks, Entities };
    // Where the entity group stands: none yet, its head record, its VERTEX or ATTRIB records,
    // its SEQEND.
    enum class Phase { None, Head, Sub, Seq };

    // What a code line the usual walks did not take gives: its value, a refill first, or the end.
    enum class Next { Value, Refill, Stop };

    bool NextPair(Pair& out);
    bool ValueAt(int32_t code, const char* v, Pair& out);
    Next GeneralCode(const char* s, int32_t& code, const char*& v);
    void BlanksToTheEnd(size_t from);
    bool Refill();
    bool TokenError() {
        tokenError_ = true;
        return false;
    }
    // False to stop reading pairs: a structure failure, or the drawing must be read whole.
    bool OnPair(const Pair& q);
    bool Body(const Pair& q);
    void EntityPair(const Pair& q);
    void Flush();
    const char* Keep(std::string_view value);

    Window& w_;
    const size_t sizeHint_;
    OutlineSink sink_;
    Reader reader_;
    size_t pos_ = 0; // next pair's first byte in the window
    bool tokenError_ = false, structureError_ = false, whole_ = false;
    bool sawSection_ = false, entitiesDone_ = false;
    Top top_ = Top::Outside;
    Kind kind_ = Kind::Other;
    std::vector<Pair> group_;
    std::vector<size_t> offsets_; // the group's values while the window moves
    Phase phase_ = Phase::None;
    const char* sub_ = "";
    std::vector<Pair> blockPairs_;
    uint32_t blockBegin_ = 0;
    std::vector<std::unique_ptr<char[]>> chunks_; // the blocks' values
    char* chunkAt_ = nullptr;
    size_t chunkLeft_ = 0;
};

int OutlineStream::Run(MOutline& outline) {
    outline.Clear();
    while (w_.Have() < kBinarySignatureSize && !w_.AtEnd())
        if (!w_.More(0)) return w_.Error();
    if (w_.Have() == 0) return DXF_ERR_FORMAT;
    if (IsBinaryDxf(w_.Base(), w_.Have())) {
        w_.Drain();
        return w_.Error() != 0 ? w_.Error() : DXF_ERR_BINARY;
    }
    pos_ = Utf8MarkSize(w_.Base(), w_.Have());
    Pair q{};
    while (NextPair(q)) {
        // Most pairs are an entity's data: straight into its group.
        if (q.code != 0 && top_ == Top::InSection && kind_ == Kind::Entities) {
            if (phase_ != Phase::None) group_.push_back(q); // pairs before the first record are skipped
            continue;
        }
        if (!(top_ == Top::InSection ? Body(q) : OnPair(q))) break;
    }
    if (w_.Error() != 0) return w_.Error();
    if (whole_) return dxfstream::kWholeFile;
    if (tokenError_ || structureError_) {
        w_.Drain();
        return w_.Error() != 0 ? w_.Error() : DXF_ERR_FORMAT;
    }
    if (top_ == Top::SectionHead || top_ == Top::InSection) return DXF_ERR_FORMAT; // cut off
    if (reader_.Error() != 0) return reader_.Error();
    if (!sawSection_) return DXF_ERR_FORMAT;
    outline.Assign(std::move(sink_.Shapes()));
    return int(sink_.Count());
}

// The next (code, value) pair, as Tokenize splits them; false at the end of the text or on a
// failure.
bool OutlineStream::NextPair(Pair& out) {
    for (;;) {
        const char* const b = w_.Base();
        const size_t have = w_.Have();
        if (pos_ >= have) {
            if (w_.AtEnd() || !Refill()) return false;
            continue;
        }
        const char* const end = b + have;
        const char* const s = b + pos_;
        // The code line as most drawings write it, then any other usual code line, blanks, digits
        // and its line end, read in one walk; any other is taken by the general rules.
        int32_t code = 0;
        const char* v = QuickCodeLine(s, end, code);
        if (v == nullptr) v = UsualCodeLine(s, end, code);
        if (v == nullptr) {
            switch (GeneralCode(s, code, v)) {
            case Next::Value: break;
            case Next::Refill:
                if (!Refill()) return false;
                continue;
            case Next::Stop: return false;
            }
        }
        if (ValueAt(code, v, out)) return true;
        if (!Refill()) return false;
    }
}

// The pair of the code and its value line from v on; false while that line's end is not in the
// window yet.
bool OutlineStream::ValueAt(int32_t code, const char* v, Pair& out) {
    const char* const b = w_.Base();
    const char* const end = b + w_.Have();
    const char* const lf = FindLineFeed(v, end);
    if (lf == end && !w_.AtEnd()) return false;
    pos_ = lf == end ? w_.Have() : size_t(lf - b) + 1;
    const std::string_view value = LineText(v, lf);
    out = Pair{code, uint32_t(value.size()), value.data()};
    return true;
}

// A code line at s that the usual walks did not take: its value's first byte in v, more bytes
// needed first, or no more pairs (a failure, or blank lines to the end).
OutlineStream::Next OutlineStream::GeneralCode(const char* s, int32_t& code, const char*& v) {
    const char* const b = w_.Base();
    const size_t have = w_.Have();
    const char* const end = b + have;
    const char* const lf = FindLineFeed(s, end);
    if (lf == end && !w_.AtEnd()) return Next::Refill;
    const size_t after = lf == end ? have : size_t(lf - b) + 1;
    switch (GeneralCodeLine(LineText(s, lf), code)) {
    case CodeLine::Code: break;
    case CodeLine::Bad: TokenError(); return Next::Stop;
    case CodeLine::Blank: BlanksToTheEnd(after); return Next::Stop;
    }
    if (after >= have) { // the value is still to come, or missing: truncated
        if (w_.AtEnd()) {
            TokenError();
            return Next::Stop;
        }
        return Next::Refill;
    }
    v = b + after;
    return Next::Value;
}

// Blank lines are allowed only at the very end: the rest from `from` on is read, and anything
// but blanks and line ends fails the read.
void OutlineStream::BlanksToTheEnd(size_t from) {
    group_.clear();
    pos_ = from;
    for (;;) {
        for (; pos_ < w_.Have(); ++pos_)
            if (!IsTrailingBlank(w_.Base()[pos_])) {
                TokenError();
                return;
            }
        if (w_.AtEnd() || !w_.More(pos_)) return;
        pos_ = 0;
    }
}

// More bytes in the window, keeping the held group's and the pair begun.
bool OutlineStream::Refill() {
    const char* const old = w_.Base();
    size_t keep = pos_;
    offsets_.clear();
    if (!group_.empty()) {
        keep = std::min(keep, size_t(group_.front().data - old));
        for (const Pair& q : group_) offsets_.push_back(size_t(q.data - old) - keep);
    }
    if (!w_.More(keep)) return false;
    pos_ -= keep;
    for (size_t k = 0; k < group_.size(); ++k) group_[k].data = w_.Base() + offsets_[k];
    return true;
}

// The top level as Reader::Run walks it.
bool OutlineStream::OnPair(const Pair& q) {
    switch (top_) {
    case Top::Outside:
        if (q.code == 999) return true; // comment
        if (q.code == 0 && Is(q.value(), "EOF")) {
            top_ = Top::AfterEof;
            return true;
        }
        if (q.code != 0 || !Is(q.value(), "SECTION")) {
            structureError_ = true;
            return false;
        }
        top_ = Top::SectionHead;
        return true;
    case Top::AfterEof: return true; // tokenized, nothing more
    case Top::SectionHead: {
        top_ = Top::InSection;
        kind_ = Kind::Other;
        if (q.code == 2) {
            const std::string_view name = Trim(q.value());
            if (plat::EqualsNoCase(name, "BLOCKS")) kind_ = Kind::Blocks;
            if (plat::EqualsNoCase(name, "ENTITIES")) kind_ = Kind::Entities;
        }
        // Blocks after the entities (known to their inserts all the same) or entities again
        // (only the last are drawn): the drawing is read whole.
        if (kind_ != Kind::Other && entitiesDone_) {
            whole_ = true;
            return false;
        }
        if (kind_ == Kind::Blocks) blockBegin_ = uint32_t(blockPairs_.size());
        if (kind_ == Kind::Entities) sink_.Reserve(std::min(sizeHint_ / kBytesPerShape, MEntitiesList::kMaxEntities));
        return q.code == 2 || Body(q);
    }
    case Top::InSection: return Body(q);
    }
    return true;
}

bool OutlineStream::Body(const Pair& q) {
    if (q.code == 0 && Is(q.value(), "ENDSEC")) {
        sawSection_ = true;
        top_ = Top::Outside;
        if (kind_ == Kind::Blocks) {
            reader_.ReadBlocksOf(blockPairs_, blockBegin_, uint32_t(blockPairs_.size()));
            if (reader_.Error() != 0) { // a block's base point that is not a number
                structureError_ = true;
                return false;
            }
        } else if (kind_ == Kind::Entities) {
            Flush();
            entitiesDone_ = true;
        }
        return true;
    }
    if (kind_ == Kind::Blocks) blockPairs_.push_back(Pair{q.code, q.size, Keep(q.value())});
    if (kind_ == Kind::Entities) EntityPair(q);
    return true;
}

// Groups as Reader::Collect cuts them.
void OutlineStream::EntityPair(const Pair& q) {
    if (q.code != 0) {
        if (phase_ != Phase::None) group_.push_back(q); // pairs before the first record are skipped
        return;
    }
    switch (phase_) {
    case Phase::None: break;
    case Phase::Head:
        sub_ = SubRecordsOf(group_.data(), group_.data() + group_.size());
        if (sub_ == nullptr) break;
        [[fallthrough]];
    case Phase::Sub:
        if (Is(q.value(), sub_)) {
            group_.push_back(q);
            phase_ = Phase::Sub;
            return;
        }
        if (Is(q.value(), "SEQEND")) {
            group_.push_back(q);
            phase_ = Phase::Seq;
            return;
        }
        break;
    case Phase::Seq: break;
    }
    Flush();
    group_.push_back(q);
    phase_ = Phase::Head;
}

void OutlineStream::Flush() {
    if (!group_.empty()) reader_.EmitGroup(group_, blockPairs_);
    group_.clear();
    phase_ = Phase::None;
}

// A block's value in storage that stays put.
const char* OutlineStream::Keep(std::string_view value) {
    if (value.size() > chunkLeft_) {
        const size_t n = std::max<size_t>(4096, value.size());
        chunks_.emplace_back(new char[n]);
        chunkAt_ = chunks_.back().get();
        chunkLeft_ = n;
    }
    if (value.empty()) return chunkAt_;
    std::memcpy(chunkAt_, value.data(), value.size());
    const char* const at = chunkAt_;
    chunkAt_ += value.size();
    chunkLeft_ -= value.size();
    return at;
}

} // namespace

int ReadStreamed(Window& window, size_t sizeHint, MOutline& outline) {
    OutlineStream stream(window, sizeHint);
    return stream.Run(outline);
}

} // namespace dxfread
