// The whole-file read: every pair at once, the sections walked over them.
#include "read_whole.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace dxfread {

int Reader::Run() {
    const uint32_t n = uint32_t(n_);
    uint32_t entBegin = 0, entEnd = 0;
    bool sawSection = false;
    uint32_t i = 0;
    while (i < n && !error_) {
        const Pair& q = p_[i];
        if (q.code == 999) { // comment
            ++i;
            continue;
        }
        if (q.code != 0) return DXF_ERR_FORMAT;
        if (Is(q.value(), "EOF")) break;
        if (!Is(q.value(), "SECTION")) return DXF_ERR_FORMAT;
        ++i;
        std::string_view name;
        if (i < n && p_[i].code == 2) name = Trim(p_[i++].value());
        const uint32_t begin = i;
        while (i < n && !(p_[i].code == 0 && Is(p_[i].value(), "ENDSEC"))) ++i;
        if (i >= n) return DXF_ERR_FORMAT; // section cut off: truncated file
        sawSection = true;
        if (plat::EqualsNoCase(name, "BLOCKS")) ReadBlocks(begin, i);
        if (plat::EqualsNoCase(name, "ENTITIES")) {
            entBegin = begin;
            entEnd = i;
        }
        ++i;
    }
    if (error_) return error_;
    if (!sawSection) return DXF_ERR_FORMAT;
    Collect(entBegin, entEnd, entities_);
    // About one entity comes out per point given in the section (a line, an arc, a polyline's
    // vertex): room for them is made once rather than by growing the list again and again.
    size_t points = 0;
    for (uint32_t k = entBegin; k < entEnd; ++k) points += p_[k].code == 10;
    out_.Reserve(std::min(points, MEntitiesList::kMaxEntities));
    EmitAll(entities_, Affine{}, 0, false);
    return error_;
}

int ReadWhole(const char* data, size_t size, Sink& sink) {
    if (data == nullptr || size == 0) return DXF_ERR_FORMAT;
    if (size > kMaxFileSize) return DXF_ERR_TOO_LARGE;
    std::vector<Pair> pairs;
    int rc = Tokenize(data, size, pairs);
    if (rc == 0) {
        Reader reader(pairs, sink);
        rc = reader.Run();
    }
    return rc;
}

int ReadWholeOutline(const char* data, size_t size, MOutline& outline) {
    outline.Clear();
    OutlineSink sink;
    const int rc = ReadWhole(data, size, sink);
    if (rc != 0) return rc;
    outline.Assign(std::move(sink.Shapes()));
    return int(sink.Count());
}

} // namespace dxfread
