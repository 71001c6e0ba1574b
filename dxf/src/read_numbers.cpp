// The numbers of the value lines: the plain decimals drawings are made of, read without the
// copy and the locale of the general parser, to the same nearest double; anything else by the
// general parser.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "read_entities.h"

namespace dxfread {

namespace {

// The plain decimal numbers drawings are made of ("-12.5", "0.000000", "1e-05"), without the
// copy and the locale of the general parser; both round the same way, to the nearest double.
// Anything else (a plus sign, "inf", hexadecimal, a number out of range) is left to that parser.
bool CharsNumber(std::string_view t, double& out) {
    if (t.empty()) return false;
    const char c = t[0] == '-' && t.size() > 1 ? t[1] : t[0];
    if (!((c >= '0' && c <= '9') || c == '.')) return false;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

constexpr uint64_t kZeros = kOnes * uint64_t('0');

// Whether each of the 8 bytes is a digit.
inline bool EightDigits(uint64_t w) {
    constexpr uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;
    return ((w & kHighNibbles) | (((w + kOnes * 6) & kHighNibbles) >> 4)) == kOnes * 0x33;
}

// The number of 8 digit values, one per byte, the first in the lowest byte: pairs, then
// fours, then all eight combined by multiplications.
inline uint32_t DigitsValue(uint64_t v) {
    constexpr uint64_t kMask = 0x000000FF000000FFull;
    constexpr uint64_t kMul1 = 100 + (uint64_t(1000000) << 32), kMul2 = 1 + (uint64_t(10000) << 32);
    v = v * 10 + (v >> 8);
    return uint32_t((((v & kMask) * kMul1) + (((v >> 16) & kMask) * kMul2)) >> 32);
}

constexpr double kTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                           1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Most numbers of a drawing have few digits: an integer m of at most 53 bits times a power of ten
// up to 22 (exact in a double), one multiplication or division, rounds to the nearest double as
// the full conversion does. The digits of t (trimmed) are -d*(.d*)?([eE][+-]?d+)? with a digit
// before the exponent; anything else, or more digits, goes to CharsNumber.
bool WalkNumber(std::string_view t, double& out) {
    const char* p = t.data();
    const char* const e = p + t.size();
    const bool negative = p < e && *p == '-';
    if (negative) ++p;
    uint64_t m = 0;
    int scale = 0;
    bool digits = false;
    constexpr uint64_t kLimit = (uint64_t(1) << 53) / 10; // m * 10 + 9 stays within 53 bits
    for (; p < e && *p >= '0' && *p <= '9'; ++p) {
        if (m >= kLimit) return CharsNumber(t, out);
        m = m * 10 + uint64_t(*p - '0');
        digits = true;
    }
    if (p < e && *p == '.') {
        for (++p; p < e && *p >= '0' && *p <= '9'; ++p) {
            if (m >= kLimit) return CharsNumber(t, out);
            m = m * 10 + uint64_t(*p - '0');
            --scale;
            digits = true;
        }
    }
    if (!digits) return CharsNumber(t, out);
    if (p < e && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool down = p < e && *p == '-';
        if (p < e && (*p == '-' || *p == '+')) ++p;
        if (p == e) return CharsNumber(t, out);
        int x = 0;
        for (; p < e && *p >= '0' && *p <= '9'; ++p) {
            if (x > 1000) return CharsNumber(t, out);
            x = x * 10 + (*p - '0');
        }
        scale += down ? -x : x;
    }
    if (p != e || scale < -22 || scale > 22) return CharsNumber(t, out);
    double v = double(m);
    v = scale < 0 ? v / kTen[-scale] : v * kTen[scale];
    out = negative ? -v : v;
    return true;
}

// The number of the text as WalkNumber reads it. The usual form, a few digits, a point and 1 to
// 8 more ("12.600000"), is read here: the digits after the point at once from the last 8 bytes
// of the number. With at most 15 digits in all m stays within the 53 bits, so m and the power of
// ten are the ones of the walk.
inline bool FastNumber(std::string_view text, double& out) {
    static constexpr uint64_t kTenInt[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    const std::string_view t = Trim(text);
    if constexpr (std::endian::native == std::endian::little) {
        const char* const e = t.data() + t.size();
        const bool negative = !t.empty() && t[0] == '-';
        const char* const p = t.data() + negative;
        const char* q = p;
        const char* const digitsEnd = e - p > 8 ? p + 8 : e;
        uint64_t m = 0;
        for (unsigned d; q < digitsEnd && (d = unsigned(*q) - '0') <= 9; ++q)
            m = m * 10 + d;
        const ptrdiff_t decimals = e - q - 1;
        if (decimals >= 1 && decimals <= 8 && *q == '.' && (q - p) + decimals <= 15 && t.size() >= 8) {
            uint64_t w;
            std::memcpy(&w, e - 8, sizeof w);
            const uint64_t keep = ~uint64_t(0) << (8 * (8 - decimals)); // the decimals: the high bytes
            w = (w & keep) | (kZeros & ~keep);
            if (EightDigits(w)) {
                const double v = double(m * kTenInt[decimals] + DigitsValue(w - kZeros)) / kTen[decimals];
                out = negative ? -v : v;
                return true;
            }
        }
    }
    return WalkNumber(t, out);
}

} // namespace

double Reader::Num(const Pair& q) {
    double v = 0.0;
    if (!FastNumber(q.value(), v) && !plat::ParseDouble(q.value(), v)) {
        Fail(DXF_ERR_FORMAT);
        return 0.0;
    }
    if (std::fabs(v) > kMaxCoord) {
        Fail(DXF_ERR_FORMAT);
        return 0.0;
    }
    return v;
}

int32_t Reader::Int(const Pair& q) {
    int32_t v = 0;
    if (!plat::ParseInt32(q.value(), v)) Fail(DXF_ERR_FORMAT);
    return v;
}

} // namespace dxfread
