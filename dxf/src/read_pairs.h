#pragma once
// Step 2 of a read, the tokenizer: the text's lines into (group code, value) pairs. A pair is a
// code line and the value line after it; lines end with LF or CR LF. The line walks here are
// shared by the whole-file read (Tokenize) and the streamed read, which takes the same lines
// as the window moves along them.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/text.h"

namespace dxfread {

// One group: its code and its value line, 16 bytes (a drawing has a pair per two lines).
struct Pair {
    int32_t code;
    uint32_t size;
    const char* data;
    std::string_view value() const { return std::string_view(data, size); }
};

inline std::string_view Trim(std::string_view s) {
    // Most values have no blanks around them: a byte above the blank at each end says so.
    if (!s.empty() && s.front() > ' ' && s.back() > ' ') return s;
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

inline bool Is(std::string_view value, const char* word) { return plat::EqualsNoCase(Trim(value), word); }

inline constexpr uint64_t kOnes = 0x0101010101010101ull; // one in every byte

// The first line feed in [q, end), or end: 8 bytes at a time, a line feed found as a zero byte of
// the word XOR line feeds (the lowest byte flagged is exact; bytes are in memory order).
inline const char* FindLineFeed(const char* q, const char* const end) {
#if defined(__SSE2__)
    // 16 at a time where the processor compares them at once.
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - q >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const unsigned hits = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        if (hits != 0) return q + std::countr_zero(hits);
        q += 16;
    }
#endif
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    if constexpr (std::endian::native == std::endian::little) {
        while (end - q >= 8) {
            uint64_t w;
            std::memcpy(&w, q, sizeof w);
            const uint64_t x = w ^ (kOnes * uint64_t('\n'));
            const uint64_t zero = (x - kOnes) & ~x & kHigh;
            if (zero != 0) return q + (std::countr_zero(zero) >> 3);
            q += 8;
        }
    }
    while (q != end && *q != '\n') ++q;
    return q;
}

// The usual code line from q on: blanks, one to six digits, blanks, its line end, and a value
// line after it. The value's first byte and the code, or null for any other line (taken by the
// general rules).
inline const char* UsualCodeLine(const char* q, const char* end, int32_t& code) {
    while (q != end && *q == ' ') ++q;
    const char* const digits = q;
    code = 0;
    while (q != end && *q >= '0' && *q <= '9' && q - digits < 7) code = code * 10 + (*q++ - '0');
    const ptrdiff_t n = q - digits;
    while (q != end && (*q == ' ' || *q == '\t')) ++q;
    if (q != end && *q == '\r') ++q;
    return n >= 1 && n <= 6 && q != end && *q == '\n' && q + 1 != end ? q + 1 : nullptr;
}

// The code line as most drawings write it, three bytes wide ("  0", " 10", "100") and CR LF
// or LF, with a byte after it before end: its value's first byte, the code in `code`; or
// nullptr for any other line, left to the byte-wise reading.
inline const char* QuickCodeLine(const char* s, const char* end, int32_t& code) {
    constexpr uint16_t kCrLf =
        std::endian::native == std::endian::little ? uint16_t('\r' | '\n' << 8) : uint16_t('\r' << 8 | '\n');
    if (end - s < 6) return nullptr;
    const unsigned d2 = unsigned(s[2]) - '0';
    if (d2 > 9) return nullptr;
    uint16_t crlf;
    std::memcpy(&crlf, s + 3, sizeof crlf);
    const char* v;
    if (crlf == kCrLf)
        v = s + 5;
    else if (s[3] == '\n')
        v = s + 4;
    else
        return nullptr;
    const unsigned d1 = unsigned(s[1]) - '0', d0 = unsigned(s[0]) - '0';
    if (d1 <= 9) {
        if (d0 <= 9)
            code = int32_t(d0 * 100 + d1 * 10 + d2);
        else if (s[0] == ' ')
            code = int32_t(d1 * 10 + d2);
        else
            return nullptr;
    } else if (s[1] == ' ' && s[0] == ' ') {
        code = int32_t(d2);
    } else {
        return nullptr;
    }
    return v;
}

// The text of the line from s to its line feed lf (or the end), without a CR before it.
inline std::string_view LineText(const char* s, const char* lf) {
    size_t len = size_t(lf - s);
    if (len > 0 && s[len - 1] == '\r') --len;
    return std::string_view(s, len);
}

// Whether the text starts as a binary drawing does (those are not read): the first
// kBinarySignatureSize bytes tell.
inline constexpr char kBinarySignature[] = "AutoCAD Binary DXF";
inline constexpr size_t kBinarySignatureSize = sizeof(kBinarySignature) - 1;
inline bool IsBinaryDxf(const char* data, size_t size) {
    return size >= kBinarySignatureSize && std::memcmp(data, kBinarySignature, kBinarySignatureSize) == 0;
}

// The bytes of a UTF-8 mark at the start of the text (skipped), 0 without one.
inline size_t Utf8MarkSize(const char* data, size_t size) {
    return size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}

// What is left after the last pair: only line ends and blanks are allowed there.
inline bool IsTrailingBlank(char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; }

// A code line the usual walks did not take, without its line end: blanks, an optional minus
// sign, one to six digits, blanks (the code in `code`); a line of blanks only; or anything else.
enum class CodeLine { Code, Blank, Bad };
CodeLine GeneralCodeLine(std::string_view line, int32_t& code);

// The line feeds in p[0, n) (a drawing has a pair per two lines).
size_t CountLineFeeds(const char* p, size_t n);

// Splits the text into pairs: 0, DXF_ERR_BINARY or DXF_ERR_FORMAT (a code line that is not a
// code, a code without its value, anything but blanks after a blank line).
int Tokenize(const char* data, size_t size, std::vector<Pair>& out);

} // namespace dxfread
