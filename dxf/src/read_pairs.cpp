// The tokenizer of the whole-file read: every pair of the text into one array.
#include "read_pairs.h"

#include "dxf/dxf.h"

namespace dxfread {

CodeLine GeneralCodeLine(std::string_view line, int32_t& code) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return CodeLine::Blank;
    size_t last = line.size();
    while (line[last - 1] == ' ' || line[last - 1] == '\t') --last;
    bool neg = false;
    if (line[i] == '-') {
        neg = true;
        ++i;
    }
    if (i >= last || last - i > 6) return CodeLine::Bad;
    int32_t value = 0;
    for (; i < last; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9') return CodeLine::Bad;
        value = value * 10 + (c - '0');
    }
    code = neg ? -value : value;
    return CodeLine::Code;
}

// 8 bytes at a time, a line feed found as a zero byte of the word XOR line feeds.
size_t CountLineFeeds(const char* p, size_t n) {
    constexpr uint64_t kLow = 0x7F7F7F7F7F7F7F7Full;
    size_t count = 0, i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, sizeof w);
        const uint64_t x = w ^ (kOnes * uint64_t('\n'));
        const uint64_t nonzero = ((x & kLow) + kLow) | x; // high bit set in every byte that is not 0
        count += size_t((((~nonzero >> 7) & kOnes) * kOnes) >> 56);
    }
    for (; i < n; ++i) count += p[i] == '\n';
    return count;
}

int Tokenize(const char* data, size_t size, std::vector<Pair>& out) {
    if (IsBinaryDxf(data, size)) return DXF_ERR_BINARY;
    const char* const end = data + size;
    const char* p = data + Utf8MarkSize(data, size);
    // One pair is two lines: the pairs are counted first, so the array is made once at its size.
    out.reserve(CountLineFeeds(p, size_t(end - p)) / 2 + 1);
    // The line from p without its line end; p moves past it. Lines are short (a group code, a
    // number): their ends are looked for 8 bytes at a time rather than by a call per line.
    auto nextLine = [&]() {
        const char* const lf = FindLineFeed(p, end);
        const std::string_view line = LineText(p, lf);
        p = lf != end ? lf + 1 : end;
        return line;
    };
    while (p < end) {
        int32_t code = 0;
        // The usual code line, blanks, digits and its line end, read in one walk; any other is
        // taken by the general rules.
        if (const char* const v = UsualCodeLine(p, end, code)) {
            p = v;
        } else {
            switch (GeneralCodeLine(nextLine(), code)) {
            case CodeLine::Code: break;
            case CodeLine::Bad: return DXF_ERR_FORMAT;
            case CodeLine::Blank: // blank lines are allowed only at the very end
                while (p < end && IsTrailingBlank(*p)) ++p;
                return p < end ? DXF_ERR_FORMAT : 0;
            }
            if (p >= end) return DXF_ERR_FORMAT; // a code without its value: truncated
        }
        const std::string_view value = nextLine();
        out.push_back(Pair{code, uint32_t(value.size()), value.data()});
    }
    return 0;
}

} // namespace dxfread
