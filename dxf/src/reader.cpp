// ASCII DXF reader: group pairs -> sections -> entities, blocks expanded, curves that are not
// plain arcs flattened, everything placed by 2D affine maps into drawing coordinates.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/stat.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dxf/dxf.h"
#include "dxf/outline.h"
#include "geom.h"
#include "outline_stream.h"
#include "shape_ops.h"
#include "platform/paths.h"
#include "platform/text.h"

using dxfgeom::Affine;
using dxfgeom::AtanDeg;
using dxfgeom::CosSinDeg;
using dxfgeom::NormDeg;
using dxfgeom::SweepDeg;

namespace {

constexpr size_t kMaxFileSize = size_t(256) << 20; // larger files are refused
constexpr double kMaxCoord = 1e12;                 // beyond this a coordinate is taken as garbage
constexpr size_t kMaxWork = 4 * MEntitiesList::kMaxEntities; // entities visited while expanding
constexpr int32_t kMaxArray = 32767;               // columns or rows of an INSERT array
constexpr double kCurveStepDeg = 5.0;              // flattening step of ellipses and warped arcs
constexpr size_t kMaxSplineSamples = 8192;

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

bool Is(std::string_view value, const char* word) { return plat::EqualsNoCase(Trim(value), word); }

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

constexpr uint64_t kOnes = 0x0101010101010101ull, kZeros = kOnes * uint64_t('0');

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

// Lines in bytes: 8 at a time, a line feed found as a zero byte of the word XOR line feeds.
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

// Splits the text into (group code, value) pairs. Lines end with LF or CR LF.
int Tokenize(const char* data, size_t size, std::vector<Pair>& out) {
    static const char kBinary[] = "AutoCAD Binary DXF";
    if (size >= sizeof(kBinary) - 1 && std::memcmp(data, kBinary, sizeof(kBinary) - 1) == 0)
        return DXF_ERR_BINARY;
    size_t pos = 0;
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) pos = 3;
    // Lines are short (a group code, a number): their ends are looked for 8 bytes at a time here
    // rather than by a call per line.
    auto nextLine = [&](std::string_view& line) {
        const char* start = data + pos;
        const char* const q = FindLineFeed(start, data + size);
        size_t len = size_t(q - start);
        pos += q != data + size ? len + 1 : len;
        if (len > 0 && start[len - 1] == '\r') --len;
        line = std::string_view(start, len);
    };
    // One pair is two lines: the pairs are counted first, so the array is made once at its size.
    out.reserve(CountLineFeeds(data + pos, size - pos) / 2 + 1);
    const char* const end = data + size;
    while (pos < size) {
        // The usual code line, blanks, digits and its line end, read in one walk; any other is
        // taken by the general rules below.
        {
            int32_t code = 0;
            if (const char* const v = UsualCodeLine(data + pos, end, code)) {
                pos = size_t(v - data);
                std::string_view value;
                nextLine(value);
                out.push_back(Pair{code, uint32_t(value.size()), value.data()});
                continue;
            }
        }
        std::string_view codeLine;
        nextLine(codeLine);
        // The code: digits with an optional minus sign, blanks around it allowed.
        size_t i = 0;
        while (i < codeLine.size() && (codeLine[i] == ' ' || codeLine[i] == '\t')) ++i;
        if (i == codeLine.size()) {
            // Blank lines are allowed only at the very end.
            while (pos < size && (data[pos] == '\r' || data[pos] == '\n' || data[pos] == ' ' || data[pos] == '\t'))
                ++pos;
            if (pos < size) return DXF_ERR_FORMAT;
            break;
        }
        size_t last = codeLine.size();
        while (codeLine[last - 1] == ' ' || codeLine[last - 1] == '\t') --last;
        bool neg = false;
        if (codeLine[i] == '-') {
            neg = true;
            ++i;
        }
        if (i >= last || last - i > 6) return DXF_ERR_FORMAT;
        int32_t code = 0;
        for (; i < last; ++i) {
            const char c = codeLine[i];
            if (c < '0' || c > '9') return DXF_ERR_FORMAT;
            code = code * 10 + (c - '0');
        }
        if (pos >= size) return DXF_ERR_FORMAT; // a code without its value: truncated
        std::string_view value;
        nextLine(value);
        out.push_back(Pair{neg ? -code : code, uint32_t(value.size()), value.data()});
    }
    return 0;
}

struct EntRef {
    uint32_t begin; // the pair "0 <type>"
    uint32_t end;   // one past the last pair, sub-entities (VERTEX, ATTRIB, SEQEND) included
};

struct Block {
    std::vector<EntRef> entities;
    double baseX = 0.0;
    double baseY = 0.0;
    bool expanding = false; // on the current chain of inserts
};

// Properties every entity may carry.
struct Common {
    std::string_view layer = "0";
    int32_t color = 256;
    bool paperSpace = false;
    double ext[3] = {0.0, 0.0, 1.0};
};

struct Vertex {
    double x, y, bulge;
};

// Where the read entities go: the full entity list, or the bare outline. The reader has checked
// each entity before it comes (finite numbers, the entity limit).
class Sink {
public:
    virtual ~Sink() = default;
    virtual size_t Count() const = 0;
    virtual void Reserve(size_t n) = 0;
    virtual void Line(double x, double y, double x2, double y2, const Common& c) = 0;
    // An arc or a circle.
    virtual void Curve(MEntityKind kind, double x, double y, double radius, double startAngle, double endAngle,
                       bool reversed, const Common& c) = 0;
    virtual void Text(MEntity&& e) = 0;
};

class ListSink final : public Sink {
public:
    explicit ListSink(MEntitiesList& list) : list_(list) {}
    size_t Count() const override { return list_.Count(); }
    void Reserve(size_t n) override { list_.Reserve(n); }
    void Line(double x, double y, double x2, double y2, const Common& c) override {
        MEntity e;
        dxfshape::SetLine(e, x, y, x2, y2);
        e.color = c.color;
        e.layer.assign(c.layer.data(), c.layer.size());
        list_.AddEntity(std::move(e));
    }
    void Curve(MEntityKind kind, double x, double y, double radius, double startAngle, double endAngle, bool reversed,
               const Common& c) override {
        MEntity e;
        dxfshape::SetCurve(e, kind, x, y, radius, startAngle, endAngle, reversed);
        e.color = c.color;
        e.layer.assign(c.layer.data(), c.layer.size());
        list_.AddEntity(std::move(e));
    }
    void Text(MEntity&& e) override { list_.AddEntity(std::move(e)); }

private:
    MEntitiesList& list_;
};

// The drawn geometry straight into flat records: no entity, layer or text is made.
class OutlineSink final : public Sink {
public:
    size_t Count() const override { return count_; } // texts included, as the list counts them
    void Reserve(size_t n) override { shapes_.reserve(n); }
    void Line(double x, double y, double x2, double y2, const Common&) override {
        ++count_;
        MShape s;
        dxfshape::SetLine(s, x, y, x2, y2);
        shapes_.push_back(s);
    }
    void Curve(MEntityKind kind, double x, double y, double radius, double startAngle, double endAngle, bool reversed,
               const Common&) override {
        ++count_;
        MShape s;
        dxfshape::SetCurve(s, kind, x, y, radius, startAngle, endAngle, reversed);
        shapes_.push_back(s);
    }
    void Text(MEntity&&) override { ++count_; }
    MShapeBuffer& Shapes() { return shapes_; }

private:
    MShapeBuffer shapes_;
    size_t count_ = 0;
};

class Reader {
public:
    Reader(const std::vector<Pair>& pairs, Sink& out)
        : p_(pairs.data()), n_(pairs.size()), blockPairs_(pairs.data()), out_(out) {}
    // For a drawing read as it streams: blocks and entity groups are handed over one by one.
    explicit Reader(Sink& out) : out_(out) {}

    int Run();

    // The blocks defined in [begin, end) of the blocks' pairs. Their values stay where they are
    // while the drawing is read; the array may have grown since an earlier call.
    void ReadBlocksOf(const std::vector<Pair>& blockPairs, uint32_t begin, uint32_t end) {
        p_ = blockPairs_ = blockPairs.data();
        n_ = blockPairs.size();
        ReadBlocks(begin, end);
    }
    // One entity group of the entities section, as Collect cuts them.
    void EmitGroup(const std::vector<Pair>& group, const std::vector<Pair>& blockPairs) {
        if (error_) return;
        p_ = group.data();
        n_ = group.size();
        blockPairs_ = blockPairs.data();
        Emit(EntRef{0, uint32_t(group.size())}, Affine{}, 0, false);
    }
    int Error() const { return error_; }

private:
    // Parsing of values; a bad number marks the file as malformed.
    double Num(const Pair& q) {
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
    int32_t Int(const Pair& q) {
        int32_t v = 0;
        if (!plat::ParseInt32(q.value(), v)) Fail(DXF_ERR_FORMAT);
        return v;
    }
    void Fail(int code) {
        if (error_ == 0) error_ = code;
    }
    bool CommonPair(const Pair& q, Common& c) {
        switch (q.code) {
        case 8: c.layer = Trim(q.value()); return true;
        case 62: c.color = Int(q); return true;
        case 67: c.paperSpace = Int(q) == 1; return true;
        case 210: c.ext[0] = Num(q); return true;
        case 220: c.ext[1] = Num(q); return true;
        case 230: c.ext[2] = Num(q); return true;
        default: return false;
        }
    }

    uint32_t EntityEnd(uint32_t i, uint32_t end) const {
        ++i;
        while (i < end && p_[i].code != 0) ++i;
        return i;
    }
    void Collect(uint32_t begin, uint32_t end, std::vector<EntRef>& out);
    void ReadBlocks(uint32_t begin, uint32_t end);

    void EmitAll(const std::vector<EntRef>& list, const Affine& m, int depth, bool inBlock);
    void Emit(const EntRef& r, const Affine& m, int depth, bool inBlock);
    void EmitLineEnt(uint32_t b, uint32_t e, const Affine& m);
    void EmitCircleArc(uint32_t b, uint32_t e, const Affine& m, bool arc);
    void EmitLwPolyline(uint32_t b, uint32_t e, const Affine& m);
    void EmitPolyline(const EntRef& r, const Affine& m);
    void EmitText(uint32_t b, uint32_t e, const Affine& m, MEntityKind kind, bool mtext);
    void EmitInsert(const EntRef& r, const Affine& m, int depth);
    void EmitEllipse(uint32_t b, uint32_t e, const Affine& m);
    void EmitSpline(uint32_t b, uint32_t e, const Affine& m);

    // Output in drawing coordinates through the map t.
    void OutLine(double x0, double y0, double x1, double y1, const Affine& t, const Common& c);
    void OutArc(double cx, double cy, double r, double a0, double a1, bool reversed, bool circle,
                const Affine& t, const Common& c);
    void OutBulge(const Vertex& v0, const Vertex& v1, const Affine& t, const Common& c);
    void OutPolyline(const std::vector<Vertex>& v, bool closed, bool bulges, const Affine& t, const Common& c);
    // Whether an entity with these numbers may be added; a refusal fails the read.
    bool Admit(bool finite);

    const Pair* p_ = nullptr;
    size_t n_ = 0;
    const Pair* blockPairs_ = nullptr; // the pairs the blocks' entity records index
    Sink& out_;
    std::unordered_map<std::string, Block> blocks_;
    std::vector<EntRef> entities_;
    std::vector<Vertex> verts_;
    size_t work_ = 0;
    int error_ = 0;
};

// Map of an entity's own coordinate system (arbitrary axis rule) onto the drawing plane; z is
// the entity's elevation along its extrusion direction.
Affine OcsAffine(const double n0[3], double z) {
    double n[3] = {n0[0], n0[1], n0[2]};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len > 1e-12) || !std::isfinite(len)) return Affine{};
    for (double& v : n) v /= len;
    if (n[0] == 0.0 && n[1] == 0.0 && n[2] > 0.0) return Affine{}; // the usual case, exactly
    double ax[3];
    if (std::fabs(n[0]) < 1.0 / 64.0 && std::fabs(n[1]) < 1.0 / 64.0) {
        ax[0] = n[2]; // (0,1,0) x n
        ax[1] = 0.0;
        ax[2] = -n[0];
    } else {
        ax[0] = -n[1]; // (0,0,1) x n
        ax[1] = n[0];
        ax[2] = 0.0;
    }
    const double al = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]);
    for (double& v : ax) v /= al;
    const double ay[3] = {n[1] * ax[2] - n[2] * ax[1], n[2] * ax[0] - n[0] * ax[2], n[0] * ax[1] - n[1] * ax[0]};
    Affine a;
    a.a = ax[0];
    a.b = ay[0];
    a.c = ax[1];
    a.d = ay[1];
    a.e = z * n[0];
    a.f = z * n[1];
    return a;
}

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoord; }

bool MEntityFinite(const MEntity& e) {
    return Finite(e.x) && Finite(e.y) && Finite(e.x2) && Finite(e.y2) && Finite(e.radius) && Finite(e.height);
}

// Solves the tridiagonal system lower[i] x[i-1] + diag[i] x[i] + upper[i] x[i+1] = r[i] in
// place of r (elimination without pivoting: the systems below are diagonally dominant).
void SolveTridiagonal(const std::vector<double>& lower, std::vector<double> diag, const std::vector<double>& upper,
                      std::vector<double>& r) {
    const size_t m = diag.size();
    for (size_t i = 1; i < m; ++i) {
        const double w = lower[i] / diag[i - 1];
        diag[i] -= w * upper[i - 1];
        r[i] -= w * r[i - 1];
    }
    r[m - 1] /= diag[m - 1];
    for (size_t i = m - 1; i-- > 0;) r[i] = (r[i] - upper[i] * r[i + 1]) / diag[i];
}

// The curve of a spline given by fit points only: the cubic spline through the points, twice
// differentiable at each of them, parametrised by chord length; a closed one is periodic. An
// end tangent given in the file (any length; only its direction counts) is the curve's
// direction there. Decision: an open end without a tangent takes the direction of the parabola
// through the first (last) three points. Returns the sample points in order; fewer than two
// distinct points give none.
std::vector<Vertex> FitPointCurve(const std::vector<Vertex>& input, bool closed, const double* startTangent,
                                  const double* endTangent) {
    std::vector<Vertex> f;
    for (const Vertex& v : input)
        if (f.empty() || v.x != f.back().x || v.y != f.back().y) f.push_back(Vertex{v.x, v.y, 0.0});
    const bool ring = f.size() > 1 && f.front().x == f.back().x && f.front().y == f.back().y;
    if (closed && !ring && f.size() > 2) f.push_back(f.front());
    closed = closed && f.size() > 3; // at least three distinct points around
    const size_t n = f.size();
    if (n < 2) return {};
    std::vector<double> h(n - 1);
    for (size_t i = 0; i + 1 < n; ++i) h[i] = std::hypot(f[i + 1].x - f[i].x, f[i + 1].y - f[i].y);
    for (double v : h)
        if (!(v > 0.0) || !std::isfinite(v)) return {};
    auto slope = [&](size_t span, bool yAxis) {
        return ((yAxis ? f[span + 1].y - f[span].y : f[span + 1].x - f[span].x)) / h[span];
    };
    // Continuity of the second derivative at point i between span p (before) and span q (after):
    // h[q] d[i-1] + 2 (h[p] + h[q]) d[i] + h[p] d[i+1] = 3 (h[q] s[p] + h[p] s[q]).
    std::vector<double> dx(n), dy(n);
    if (closed) {
        const size_t m = n - 1; // distinct points, the last span back to the first
        std::vector<double> lower(m), diag(m), upper(m), rx(m), ry(m);
        for (size_t i = 0; i < m; ++i) {
            const size_t p = (i + m - 1) % m, q = i;
            lower[i] = h[q];
            diag[i] = 2.0 * (h[p] + h[q]);
            upper[i] = h[p];
            rx[i] = 3.0 * (h[q] * slope(p, false) + h[p] * slope(q, false));
            ry[i] = 3.0 * (h[q] * slope(p, true) + h[p] * slope(q, true));
        }
        // The two corners (lower[0] and upper[m-1]) by the Sherman-Morrison correction.
        const double gamma = -diag[0], corner0 = lower[0], cornerM = upper[m - 1];
        std::vector<double> tri = diag;
        tri[0] -= gamma;
        tri[m - 1] -= corner0 * cornerM / gamma;
        std::vector<double> z(m, 0.0);
        z[0] = gamma;
        z[m - 1] = cornerM;
        SolveTridiagonal(lower, tri, upper, rx);
        SolveTridiagonal(lower, tri, upper, ry);
        SolveTridiagonal(lower, tri, upper, z);
        const double den = 1.0 + z[0] + corner0 * z[m - 1] / gamma;
        const double fx = (rx[0] + corner0 * rx[m - 1] / gamma) / den;
        const double fy = (ry[0] + corner0 * ry[m - 1] / gamma) / den;
        for (size_t i = 0; i < m; ++i) {
            dx[i] = rx[i] - fx * z[i];
            dy[i] = ry[i] - fy * z[i];
        }
        dx[m] = dx[0];
        dy[m] = dy[0];
    } else {
        auto unitOf = [](const double* t, double& ox, double& oy) {
            const double len = t != nullptr ? std::hypot(t[0], t[1]) : 0.0;
            if (!(len > 0.0) || !std::isfinite(len)) return false;
            ox = t[0] / len;
            oy = t[1] / len;
            return true;
        };
        // Derivative of the parabola through three points at their first (k 0) or last (k 2).
        auto parabola = [&](size_t first, int k, double& ox, double& oy) {
            const double a = h[first], b = h[first + 1];
            const double e = k == 0 ? -a / (a + b) : 1.0 + b / (a + b);
            ox = slope(first, false) + e * (slope(first + 1, false) - slope(first, false));
            oy = slope(first, true) + e * (slope(first + 1, true) - slope(first, true));
        };
        if (!unitOf(startTangent, dx[0], dy[0])) {
            if (n == 2) dx[0] = slope(0, false), dy[0] = slope(0, true);
            else parabola(0, 0, dx[0], dy[0]);
        }
        if (!unitOf(endTangent, dx[n - 1], dy[n - 1])) {
            if (n == 2) dx[1] = slope(0, false), dy[1] = slope(0, true);
            else parabola(n - 3, 2, dx[n - 1], dy[n - 1]);
        }
        if (n > 2) {
            const size_t m = n - 2; // the inner points 1 .. n-2
            std::vector<double> lower(m), diag(m), upper(m), rx(m), ry(m);
            for (size_t k = 0; k < m; ++k) {
                const size_t i = k + 1, p = i - 1, q = i;
                lower[k] = h[q];
                diag[k] = 2.0 * (h[p] + h[q]);
                upper[k] = h[p];
                rx[k] = 3.0 * (h[q] * slope(p, false) + h[p] * slope(q, false));
                ry[k] = 3.0 * (h[q] * slope(p, true) + h[p] * slope(q, true));
            }
            rx[0] -= lower[0] * dx[0];
            ry[0] -= lower[0] * dy[0];
            rx[m - 1] -= upper[m - 1] * dx[n - 1];
            ry[m - 1] -= upper[m - 1] * dy[n - 1];
            SolveTridiagonal(lower, diag, upper, rx);
            SolveTridiagonal(lower, diag, upper, ry);
            for (size_t k = 0; k < m; ++k) {
                dx[k + 1] = rx[k];
                dy[k + 1] = ry[k];
            }
        }
    }
    // Each span a cubic Hermite piece between its points with their derivatives.
    const size_t perSpan = std::clamp<size_t>(kMaxSplineSamples / (n - 1), 1, 16);
    std::vector<Vertex> out;
    out.reserve((n - 1) * perSpan + 1);
    out.push_back(f[0]);
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t s = 1; s <= perSpan; ++s) {
            if (s == perSpan) {
                out.push_back(f[i + 1]);
                continue;
            }
            const double t = double(s) / double(perSpan), t2 = t * t, t3 = t2 * t;
            const double a = 2 * t3 - 3 * t2 + 1, b = t3 - 2 * t2 + t, c = -2 * t3 + 3 * t2, d = t3 - t2;
            out.push_back(Vertex{a * f[i].x + b * h[i] * dx[i] + c * f[i + 1].x + d * h[i] * dx[i + 1],
                                 a * f[i].y + b * h[i] * dy[i] + c * f[i + 1].y + d * h[i] * dy[i + 1], 0.0});
        }
    }
    return out;
}

} // namespace

bool Reader::Admit(bool finite) {
    if (error_) return false;
    if (!finite) {
        Fail(DXF_ERR_FORMAT);
        return false;
    }
    if (out_.Count() >= MEntitiesList::kMaxEntities) {
        Fail(DXF_ERR_TOO_LARGE);
        return false;
    }
    return true;
}

void Reader::OutLine(double x0, double y0, double x1, double y1, const Affine& t, const Common& c) {
    double x, y, x2, y2;
    t.Apply(x0, y0, x, y);
    t.Apply(x1, y1, x2, y2);
    if (Admit(Finite(x) && Finite(y) && Finite(x2) && Finite(y2))) out_.Line(x, y, x2, y2, c);
}

void Reader::OutArc(double cx, double cy, double r, double a0, double a1, bool reversed, bool circle,
                    const Affine& t, const Common& c) {
    if (!(r > 0.0)) return; // degenerate: nothing to draw
    const double s1 = std::hypot(t.a, t.c), s2 = std::hypot(t.b, t.d);
    const double det = t.a * t.d - t.b * t.c;
    const double dot = t.a * t.b + t.c * t.d;
    const double tol = 1e-9 * std::max(s1, s2);
    if (s1 > 0.0 && std::fabs(s1 - s2) <= tol && std::fabs(dot) <= tol * std::max(s1, s2) && det != 0.0) {
        // A similarity keeps the arc an arc.
        double x, y, startAngle, endAngle;
        bool rev;
        t.Apply(cx, cy, x, y);
        const double radius = r * s1;
        const double theta = AtanDeg(t.c, t.a);
        if (det > 0.0) {
            startAngle = NormDeg(a0 + theta);
            endAngle = NormDeg(a1 + theta);
            rev = reversed;
        } else {
            // A reflection: the arc now runs clockwise from the image of its start.
            startAngle = NormDeg(theta - a1);
            endAngle = NormDeg(theta - a0);
            rev = !reversed;
        }
        if (circle) startAngle = endAngle = 0.0, rev = false;
        if (Admit(Finite(x) && Finite(y) && Finite(radius)))
            out_.Curve(circle ? MEntityKind::Circle : MEntityKind::Arc, x, y, radius, startAngle, endAngle, rev, c);
        return;
    }
    // Unequal scales or a tilted plane make it an ellipse: lines from its first point to its last.
    const double sweep = circle ? 360.0 : SweepDeg(a0, a1);
    const double first = circle ? 0.0 : (reversed ? a0 + sweep : a0);
    const double dir = (!circle && reversed) ? -1.0 : 1.0;
    const int n = std::max(circle ? 8 : 1, int(std::ceil(sweep / kCurveStepDeg - 1e-9)));
    double cs, sn;
    CosSinDeg(first, cs, sn);
    double px = cx + r * cs, py = cy + r * sn;
    for (int i = 1; i <= n && !error_; ++i) {
        CosSinDeg(first + dir * sweep * double(i) / double(n), cs, sn);
        const double qx = cx + r * cs, qy = cy + r * sn;
        OutLine(px, py, qx, qy, t, c);
        px = qx;
        py = qy;
    }
}

void Reader::OutBulge(const Vertex& v0, const Vertex& v1, const Affine& t, const Common& c) {
    const double b = v0.bulge;
    const double dx = v1.x - v0.x, dy = v1.y - v0.y;
    if (std::fabs(b) < 1e-9 || std::fabs(b) > 1e6 || (dx == 0.0 && dy == 0.0)) {
        OutLine(v0.x, v0.y, v1.x, v1.y, t, c);
        return;
    }
    // The bulge is tan(sweep / 4), positive counter-clockwise; the centre lies off the chord's
    // midpoint along its left normal by (1 - b^2) / (4 b) times the chord.
    const double k = (1.0 - b * b) / (4.0 * b);
    const double cx = (v0.x + v1.x) / 2.0 - dy * k;
    const double cy = (v0.y + v1.y) / 2.0 + dx * k;
    const double r = std::hypot(dx, dy) * (1.0 + b * b) / (4.0 * std::fabs(b));
    const double a0 = AtanDeg(v0.y - cy, v0.x - cx);
    const double a1 = AtanDeg(v1.y - cy, v1.x - cx);
    if (!std::isfinite(r) || a0 == a1) {
        OutLine(v0.x, v0.y, v1.x, v1.y, t, c);
        return;
    }
    if (b > 0.0)
        OutArc(cx, cy, r, a0, a1, false, false, t, c);
    else
        OutArc(cx, cy, r, a1, a0, true, false, t, c);
}

void Reader::OutPolyline(const std::vector<Vertex>& v, bool closed, bool bulges, const Affine& t, const Common& c) {
    if (v.size() < 2) return;
    const size_t segs = closed ? v.size() : v.size() - 1;
    for (size_t i = 0; i < segs && !error_; ++i) {
        const Vertex& a = v[i];
        const Vertex& b = v[(i + 1) % v.size()];
        if (bulges)
            OutBulge(a, b, t, c);
        else
            OutLine(a.x, a.y, b.x, b.y, t, c);
    }
}

void Reader::EmitLineEnt(uint32_t b, uint32_t e, const Affine& m) {
    Common c;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (uint32_t i = b + 1; i < e; ++i) {
        const Pair& q = p_[i];
        if (CommonPair(q, c)) continue;
        switch (q.code) {
        case 10: x0 = Num(q); break;
        case 20: y0 = Num(q); break;
        case 11: x1 = Num(q); break;
        case 21: y1 = Num(q); break;
        default: break;
        }
    }
    if (c.paperSpace || error_) return;
    OutLine(x0, y0, x1, y1, m, c); // LINE points are in world coordinates
}

void Reader::EmitCircleArc(uint32_t b, uint32_t e, const Affine& m, bool arc) {
    Common c;
    double x = 0, y = 0, z = 0, r = 0, a0 = 0, a1 = 0;
    for (uint32_t i = b + 1; i < e; ++i) {
        const Pair& q = p_[i];
        if (CommonPair(q, c)) continue;
        switch (q.code) {
        case 10: x = Num(q); break;
        case 20: y = Num(q); break;
        case 30: z = Num(q); break;
        case 40: r = Num(q); break;
        case 50: a0 = Num(q); break;
        case 51: a1 = Num(q); break;
        default: break;
        }
    }
    if (c.paperSpace || error_) return;
    OutArc(x, y, r, NormDeg(a0), NormDeg(a1), false, !arc, m * OcsAffine(c.ext, z), c);
}

void Reader::EmitLwPolyline(uint32_t b, uint32_t e, const Affine& m) {
    Common c;
    int32_t flags = 0;
    double elevation = 0.0;
    verts_.clear();
    for (uint32_t i = b + 1; i < e; ++i) {
        const Pair& q = p_[i];
        if (CommonPair(q, c)) continue;
        switch (q.code) {
        case 70: flags = Int(q); break;
        case 38: elevation = Num(q); break;
        case 10: verts_.push_back(Vertex{Num(q), 0.0, 0.0}); break;
        case 20:
            if (!verts_.empty()) verts_.back().y = Num(q);
            break;
        case 42:
            if (!verts_.empty()) verts_.back().bulge = Num(q);
            break;
        default: break;
        }
    }
    if (c.paperSpace || error_) return;
    OutPolyline(verts_, (flags & 1) != 0, true, m * OcsAffine(c.ext, elevation), c);
}

void Reader::EmitPolyline(const EntRef& r, const Affine& m) {
    Common c;
    int32_t flags = 0;
    double elevation = 0.0;
    uint32_t i = EntityEnd(r.begin, r.end);
    for (uint32_t k = r.begin + 1; k < i; ++k) {
        const Pair& q = p_[k];
        if (CommonPair(q, c)) continue;
        if (q.code == 70) flags = Int(q);
        if (q.code == 30) elevation = Num(q);
    }
    // Polygon meshes (16) and polyface meshes (64) are surfaces, not outlines.
    if (c.paperSpace || error_ || (flags & (16 | 64)) != 0) return;
    const bool is3d = (flags & 8) != 0;
    verts_.clear();
    while (i < r.end && Is(p_[i].value(), "VERTEX")) {
        const uint32_t ve = EntityEnd(i, r.end);
        Vertex v{0.0, 0.0, 0.0};
        int32_t vflags = 0;
        for (uint32_t k = i + 1; k < ve; ++k) {
            const Pair& q = p_[k];
            switch (q.code) {
            case 10: v.x = Num(q); break;
            case 20: v.y = Num(q); break;
            case 42: v.bulge = Num(q); break;
            case 70: vflags = Int(q); break;
            default: break;
            }
        }
        // Spline frame control points are not on the curve.
        if ((vflags & 16) == 0) verts_.push_back(v);
        i = ve;
    }
    if (error_) return;
    // A 3D polyline has world coordinates and no bulges.
    OutPolyline(verts_, (flags & 1) != 0, !is3d, is3d ? m : m * OcsAffine(c.ext, elevation), c);
}

void Reader::EmitText(uint32_t b, uint32_t e, const Affine& m, MEntityKind kind, bool mtext) {
    Common c;
    double x = 0, y = 0, z = 0, h = 0, rot = 0, dirX = 0, dirY = 0;
    bool hasDir = false;
    std::string text;
    std::string_view tag;
    for (uint32_t i = b + 1; i < e; ++i) {
        const Pair& q = p_[i];
        if (CommonPair(q, c)) continue;
        switch (q.code) {
        case 10: x = Num(q); break;
        case 20: y = Num(q); break;
        case 30: z = Num(q); break;
        case 40: h = Num(q); break;
        case 50: rot = Num(q); break;
        case 11:
            dirX = Num(q);
            hasDir = true;
            break;
        case 21: dirY = Num(q); break;
        case 1:
        case 3:
            if (q.code == 1 || mtext) text.append(q.value().data(), q.value().size());
            break;
        case 2: tag = Trim(q.value()); break;
        default: break;
        }
    }
    if (c.paperSpace || error_) return;
    // MTEXT lies in world coordinates with its angle in radians or as a direction vector.
    double angle = rot;
    Affine t = m;
    if (mtext) {
        angle = hasDir ? AtanDeg(dirY, dirX) : rot * dxfgeom::kRadToDeg;
    } else {
        t = m * OcsAffine(c.ext, z);
    }
    MEntity en;
    en.kind = kind;
    t.Apply(x, y, en.x, en.y);
    double cs, sn, ux, uy;
    CosSinDeg(angle, cs, sn);
    ux = t.a * cs + t.b * sn;
    uy = t.c * cs + t.d * sn;
    en.rotation = AtanDeg(uy, ux);
    en.height = h * std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
    en.text = std::move(text);
    en.tag.assign(tag.data(), tag.size());
    en.color = c.color;
    en.layer.assign(c.layer.data(), c.layer.size());
    if (Admit(MEntityFinite(en))) out_.Text(std::move(en));
}

void Reader::EmitInsert(const EntRef& r, const Affine& m, int depth) {
    Common c;
    std::string name;
    double x = 0, y = 0, z = 0, sx = 1, sy = 1, rot = 0, colSp = 0, rowSp = 0;
    int32_t cols = 1, rows = 1;
    const uint32_t headEnd = EntityEnd(r.begin, r.end);
    for (uint32_t i = r.begin + 1; i < headEnd; ++i) {
        const Pair& q = p_[i];
        if (CommonPair(q, c)) continue;
        switch (q.code) {
        case 2: name = plat::ToUpperAscii(Trim(q.value())); break;
        case 10: x = Num(q); break;
        case 20: y = Num(q); break;
        case 30: z = Num(q); break;
        case 41: sx = Num(q); break;
        case 42: sy = Num(q); break;
        case 50: rot = Num(q); break;
        case 70: cols = Int(q); break;
        case 71: rows = Int(q); break;
        case 44: colSp = Num(q); break;
        case 45: rowSp = Num(q); break;
        default: break;
        }
    }
    if (c.paperSpace || error_) return;
    auto it = blocks_.find(name);
    // Decision: a block met again on its own chain of inserts (directly or through others) is
    // not expanded again, and chains deeper than kMaxBlockNesting stop there.
    if (it != blocks_.end() && !it->second.expanding && depth < kMaxBlockNesting) {
        Block& blk = it->second;
        cols = std::clamp(cols, 1, kMaxArray);
        rows = std::clamp(rows, 1, kMaxArray);
        const Affine place = m * OcsAffine(c.ext, z) * Affine::Translate(x, y) * Affine::RotateDeg(rot);
        const Affine local = Affine::Scale(sx, sy) * Affine::Translate(-blk.baseX, -blk.baseY);
        blk.expanding = true;
        for (int32_t row = 0; row < rows && !error_; ++row)
            for (int32_t col = 0; col < cols && !error_; ++col) {
                if (++work_ > kMaxWork) { // an array of empty blocks must not spin either
                    Fail(DXF_ERR_TOO_LARGE);
                    break;
                }
                const Pair* const own = p_;
                p_ = blockPairs_;
                EmitAll(blk.entities,
                        place * Affine::Translate(double(col) * colSp, double(row) * rowSp) * local,
                        depth + 1, true);
                p_ = own;
            }
        blk.expanding = false;
    }
    // Attributes that follow the insert already stand where they are shown.
    for (uint32_t i = headEnd; i < r.end && !error_;) {
        const uint32_t e = EntityEnd(i, r.end);
        if (Is(p_[i].value(), "ATTRIB")) EmitText(i, e, m, MEntityKind::Attribute, false);
        i = e;
    }
}

void Reader::EmitEllipse(uint32_t b, uint32_t e, const Affine& m) {
    Common c;
    double cx = 0, cy = 0, mx = 1, my = 0, mz = 0, ratio = 1, t0 = 0, t1 = 2 * dxfgeom::kPi;
    for (uint32_t i = b + 1; i < e; ++i) {
        const Pair& q = p_[i];
        if (CommonPair(q, c)) continue;
        switch (q.code) {
        case 10: cx = Num(q); break;
        case 20: cy = Num(q); break;
        case 11: mx = Num(q); break;
        case 21: my = Num(q); break;
        case 31: mz = Num(q); break;
        case 40: ratio = Num(q); break;
        case 41: t0 = Num(q); break;
        case 42: t1 = Num(q); break;
        default: break;
        }
    }
    if (c.paperSpace || error_) return;
    // Minor axis: extrusion x major axis, scaled by the ratio (world coordinates).
    const double* n = c.ext;
    const double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    double nx = 0, ny = 0, nz = 1;
    if (nl > 1e-12 && std::isfinite(nl)) {
        nx = n[0] / nl;
        ny = n[1] / nl;
        nz = n[2] / nl;
    }
    const double vx = (ny * mz - nz * my) * ratio;
    const double vy = (nz * mx - nx * mz) * ratio;
    const double twoPi = 2 * dxfgeom::kPi;
    double sweep = std::fmod(t1 - t0, twoPi);
    if (!(sweep > 1e-12)) sweep += twoPi;
    const int nseg = std::max(4, int(std::ceil(sweep * dxfgeom::kRadToDeg / kCurveStepDeg - 1e-9)));
    double px = cx + mx * std::cos(t0) + vx * std::sin(t0);
    double py = cy + my * std::cos(t0) + vy * std::sin(t0);
    for (int i = 1; i <= nseg && !error_; ++i) {
        const double t = t0 + sweep * double(i) / double(nseg);
        const double qx = cx + mx * std::cos(t) + vx * std::sin(t);
        const double qy = cy + my * std::cos(t) + vy * std::sin(t);
        OutLine(px, py, qx, qy, m, c);
        px = qx;
        py = qy;
    }
}

void Reader::EmitSpline(uint32_t b, uint32_t e, const Affine& m) {
    Common c;
    int32_t flags = 0, degree = 3;
    std::vector<double> knots, weights;
    std::vector<Vertex> ctrl, fit;
    double startTangent[2] = {0.0, 0.0}, endTangent[2] = {0.0, 0.0};
    bool hasStart = false, hasEnd = false;
    for (uint32_t i = b + 1; i < e; ++i) {
        const Pair& q = p_[i];
        if (CommonPair(q, c)) continue;
        switch (q.code) {
        case 70: flags = Int(q); break;
        case 71: degree = Int(q); break;
        case 40: knots.push_back(Num(q)); break;
        case 41: weights.push_back(Num(q)); break;
        case 10: ctrl.push_back(Vertex{Num(q), 0.0, 0.0}); break;
        case 20:
            if (!ctrl.empty()) ctrl.back().y = Num(q);
            break;
        case 11: fit.push_back(Vertex{Num(q), 0.0, 0.0}); break;
        case 21:
            if (!fit.empty()) fit.back().y = Num(q);
            break;
        case 12:
            startTangent[0] = Num(q);
            hasStart = true;
            break;
        case 22: startTangent[1] = Num(q); break;
        case 13:
            endTangent[0] = Num(q);
            hasEnd = true;
            break;
        case 23: endTangent[1] = Num(q); break;
        default: break;
        }
    }
    if (c.paperSpace || error_) return;
    const bool closed = (flags & 1) != 0;
    const size_t n = ctrl.size();
    const size_t p = degree > 0 ? size_t(degree) : 0;
    bool valid = p >= 1 && p <= 25 && n >= p + 1 && knots.size() == n + p + 1;
    for (size_t i = 1; valid && i < knots.size(); ++i) valid = knots[i] >= knots[i - 1];
    if (valid) valid = knots[n] > knots[p];
    const bool rational = weights.size() == n;
    for (size_t i = 0; valid && rational && i < n; ++i) valid = weights[i] > 0.0;
    if (!valid && n < 2 && fit.size() >= 2) {
        // Given by its fit points only: the curve through them.
        const std::vector<Vertex> curve =
            FitPointCurve(fit, closed, hasStart ? startTangent : nullptr, hasEnd ? endTangent : nullptr);
        if (!curve.empty()) {
            OutPolyline(curve, false, false, m, c);
            return;
        }
    }
    if (!valid) {
        // Decision: a spline that cannot be evaluated is drawn as its control polygon, or through
        // its fit points when it has no control points.
        const std::vector<Vertex>& poly = n >= 2 ? ctrl : fit;
        OutPolyline(poly, closed && poly.size() > 2, false, m, c);
        return;
    }
    // Samples spread over the non-empty knot spans; de Boor's algorithm in homogeneous form.
    size_t spans = 0;
    for (size_t k = p; k < n; ++k)
        if (knots[k + 1] > knots[k]) ++spans;
    const size_t perSpan = std::clamp<size_t>(kMaxSplineSamples / std::max<size_t>(spans, 1), 1, 16);
    std::vector<double> dx(p + 1), dy(p + 1), dw(p + 1);
    auto eval = [&](size_t k, double t, double& ox, double& oy) {
        for (size_t j = 0; j <= p; ++j) {
            const size_t idx = j + k - p;
            const double w = rational ? weights[idx] : 1.0;
            dx[j] = ctrl[idx].x * w;
            dy[j] = ctrl[idx].y * w;
            dw[j] = w;
        }
        for (size_t r = 1; r <= p; ++r) {
            for (size_t j = p; j >= r; --j) {
                const double den = knots[j + 1 + k - r] - knots[j + k - p];
                const double a = den > 0.0 ? (t - knots[j + k - p]) / den : 0.0;
                dx[j] = (1.0 - a) * dx[j - 1] + a * dx[j];
                dy[j] = (1.0 - a) * dy[j - 1] + a * dy[j];
                dw[j] = (1.0 - a) * dw[j - 1] + a * dw[j];
            }
        }
        ox = dx[p] / dw[p];
        oy = dy[p] / dw[p];
    };
    double px = 0, py = 0;
    bool havePrev = false;
    for (size_t k = p; k < n && !error_; ++k) {
        if (!(knots[k + 1] > knots[k])) continue;
        for (size_t s = havePrev ? 1 : 0; s <= perSpan && !error_; ++s) {
            const double t = knots[k] + (knots[k + 1] - knots[k]) * double(s) / double(perSpan);
            double qx, qy;
            eval(k, t, qx, qy);
            if (havePrev) OutLine(px, py, qx, qy, m, c);
            px = qx;
            py = qy;
            havePrev = true;
        }
    }
}

void Reader::Emit(const EntRef& r, const Affine& m, int depth, bool inBlock) {
    if (error_) return;
    if (++work_ > kMaxWork) {
        Fail(DXF_ERR_TOO_LARGE);
        return;
    }
    const std::string_view type = Trim(p_[r.begin].value());
    const uint32_t e = EntityEnd(r.begin, r.end);
    if (type == "LINE")
        EmitLineEnt(r.begin, e, m);
    else if (type == "ARC")
        EmitCircleArc(r.begin, e, m, true);
    else if (type == "CIRCLE")
        EmitCircleArc(r.begin, e, m, false);
    else if (type == "LWPOLYLINE")
        EmitLwPolyline(r.begin, e, m);
    else if (type == "POLYLINE")
        EmitPolyline(r, m);
    else if (type == "TEXT")
        EmitText(r.begin, e, m, MEntityKind::Text, false);
    else if (type == "MTEXT")
        EmitText(r.begin, e, m, MEntityKind::Text, true);
    else if (type == "ATTRIB")
        EmitText(r.begin, e, m, MEntityKind::Attribute, false);
    else if (type == "ATTDEF") {
        // Inside an inserted block an attribute definition is only the template of the
        // ATTRIB that follows the INSERT.
        if (!inBlock) EmitText(r.begin, e, m, MEntityKind::Attribute, false);
    } else if (type == "INSERT")
        EmitInsert(r, m, depth);
    else if (type == "ELLIPSE")
        EmitEllipse(r.begin, e, m);
    else if (type == "SPLINE")
        EmitSpline(r.begin, e, m);
    // Every other kind is skipped.
}

void Reader::EmitAll(const std::vector<EntRef>& list, const Affine& m, int depth, bool inBlock) {
    for (const EntRef& r : list) {
        if (error_) return;
        Emit(r, m, depth, inBlock);
    }
}

// Entity records in [begin, end): each from its "0 <type>" pair to the next, a POLYLINE with
// its VERTEX records and SEQEND, an INSERT with attributes with its ATTRIB records and SEQEND.
void Reader::Collect(uint32_t begin, uint32_t end, std::vector<EntRef>& out) {
    uint32_t i = begin;
    while (i < end && p_[i].code != 0) ++i;
    while (i < end) {
        const uint32_t start = i;
        uint32_t e = EntityEnd(i, end);
        const std::string_view type = Trim(p_[start].value());
        bool follows = false;
        if (type == "POLYLINE") {
            follows = true;
        } else if (type == "INSERT") {
            for (uint32_t k = start + 1; k < e; ++k)
                if (p_[k].code == 66 && Trim(p_[k].value()) == "1") follows = true;
        }
        if (follows) {
            const char* sub = type == "POLYLINE" ? "VERTEX" : "ATTRIB";
            while (e < end && Is(p_[e].value(), sub)) e = EntityEnd(e, end);
            if (e < end && Is(p_[e].value(), "SEQEND")) e = EntityEnd(e, end);
        }
        out.push_back(EntRef{start, e});
        i = e;
    }
}

void Reader::ReadBlocks(uint32_t begin, uint32_t end) {
    uint32_t i = begin;
    while (i < end && !error_) {
        if (p_[i].code != 0 || !Is(p_[i].value(), "BLOCK")) {
            ++i;
            continue;
        }
        const uint32_t headEnd = EntityEnd(i, end);
        Block blk;
        std::string name;
        for (uint32_t k = i + 1; k < headEnd; ++k) {
            const Pair& q = p_[k];
            if (q.code == 2) name = plat::ToUpperAscii(Trim(q.value()));
            if (q.code == 10) blk.baseX = Num(q);
            if (q.code == 20) blk.baseY = Num(q);
        }
        uint32_t bodyEnd = headEnd;
        while (bodyEnd < end && !(p_[bodyEnd].code == 0 && Is(p_[bodyEnd].value(), "ENDBLK"))) ++bodyEnd;
        Collect(headEnd, bodyEnd, blk.entities);
        // The first definition of a name wins.
        blocks_.emplace(std::move(name), std::move(blk));
        i = bodyEnd;
    }
}

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

namespace {

// Reads the bytes into the sink; returns 0 or a negative DxfReadResult.
int ReadInto(const char* data, size_t size, Sink& sink) {
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

} // namespace

int ReadDXFBuffer(const char* data, size_t size, MEntitiesList& list) {
    list.Clear();
    ListSink sink(list);
    const int rc = ReadInto(data, size, sink);
    if (rc != 0) {
        list.Clear();
        return rc;
    }
    return int(list.Count());
}

namespace {

// The outline from the whole text at once, as the entity list is read.
int ReadWholeOutline(const char* data, size_t size, MOutline& outline) {
    outline.Clear();
    OutlineSink sink;
    const int rc = ReadInto(data, size, sink);
    if (rc != 0) return rc;
    outline.Assign(std::move(sink.Shapes()));
    return int(sink.Count());
}

// Shape records made room for at the start of the entities, one per this many bytes of the
// drawing (a line as CAD programs write it takes 150 bytes and more, a polyline's vertex some
// 40). The section turns the records into its points in the same block (one point per line, a
// few dozen per circle), so the room is for those too: the pages of the room left unused are
// never touched, and a denser drawing grows the block once or twice.
constexpr size_t kBytesPerShape = 40;

// The bytes of the drawing as they stream in: [0, Have()) from Base() are at hand.
class Window {
public:
    // Bytes already in memory: all at hand, nothing to read.
    Window(const char* data, size_t size) : base_(data), have_(size), total_(size), end_(true) {}
    Window(dxfstream::ByteSource& source, size_t capacity)
        : source_(&source), capacity_(std::max<size_t>(capacity, 1)) {}

    const char* Base() const { return base_; }
    size_t Have() const { return have_; }
    bool AtEnd() const { return end_; }
    int Error() const { return error_; }

    // Drops the bytes before `keep`, moves the rest to the front and reads more after them; the
    // window grows only when the kept bytes fill it. False on a read error or a drawing over the
    // size limit (Error tells which).
    bool More(size_t keep) {
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
    // Reads the rest and keeps none of it: the drawing's size and its read errors still count.
    void Drain() {
        while (!end_ && More(have_)) {
        }
    }

private:
    dxfstream::ByteSource* source_ = nullptr;
    std::unique_ptr<char[]> own_;
    const char* base_ = nullptr;
    size_t capacity_ = 0;
    size_t have_ = 0;
    size_t total_ = 0;
    bool end_ = false;
    int error_ = 0;
};

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

    bool NextPair(Pair& out);
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
    static const char kBinary[] = "AutoCAD Binary DXF";
    constexpr size_t kSignature = sizeof(kBinary) - 1;
    while (w_.Have() < kSignature && !w_.AtEnd())
        if (!w_.More(0)) return w_.Error();
    if (w_.Have() == 0) return DXF_ERR_FORMAT;
    if (w_.Have() >= kSignature && std::memcmp(w_.Base(), kBinary, kSignature) == 0) {
        w_.Drain();
        return w_.Error() != 0 ? w_.Error() : DXF_ERR_BINARY;
    }
    if (w_.Have() >= 3 && std::memcmp(w_.Base(), "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
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
        const bool atEnd = w_.AtEnd();
        if (pos_ >= have) {
            if (atEnd || !Refill()) return false;
            continue;
        }
        const char* const end = b + have;
        const char* const s = b + pos_;
        // The pair of the code and the value line from v on; false while that line's end is not
        // in the window yet.
        auto valueAt = [&](int32_t code, const char* v) {
            const char* const lf2 = FindLineFeed(v, end);
            if (lf2 == end && !atEnd) return false;
            size_t vlen = size_t(lf2 - v);
            pos_ = lf2 == end ? have : size_t(lf2 - b) + 1;
            if (vlen > 0 && v[vlen - 1] == '\r') --vlen;
            out = Pair{code, uint32_t(vlen), v};
            return true;
        };
        // The code line as most drawings write it, and its value.
        {
            int32_t code = 0;
            if (const char* const v = QuickCodeLine(s, end, code)) {
                if (valueAt(code, v)) return true;
                if (!Refill()) return false;
                continue;
            }
        }
        // Any other usual code line, blanks, digits and its line end, read in one walk; any other
        // is taken by the general rules below.
        {
            int32_t code = 0;
            if (const char* const v = UsualCodeLine(s, end, code)) {
                if (valueAt(code, v)) return true;
                if (!Refill()) return false;
                continue;
            }
        }
        const char* const lf = FindLineFeed(s, end);
        if (lf == end && !atEnd) {
            if (!Refill()) return false;
            continue;
        }
        const size_t after = lf == end ? have : size_t(lf - b) + 1;
        size_t len = size_t(lf - s);
        if (len > 0 && s[len - 1] == '\r') --len;
        size_t i = 0;
        while (i < len && (s[i] == ' ' || s[i] == '\t')) ++i;
        if (i == len) {
            // Blank lines are allowed only at the very end.
            group_.clear();
            pos_ = after;
            for (;;) {
                for (; pos_ < w_.Have(); ++pos_) {
                    const char c = w_.Base()[pos_];
                    if (c != '\r' && c != '\n' && c != ' ' && c != '\t') return TokenError();
                }
                if (w_.AtEnd() || !w_.More(pos_)) return false;
                pos_ = 0;
            }
        }
        size_t last = len;
        while (s[last - 1] == ' ' || s[last - 1] == '\t') --last;
        bool neg = false;
        if (s[i] == '-') {
            neg = true;
            ++i;
        }
        if (i >= last || last - i > 6) return TokenError();
        int32_t code = 0;
        for (; i < last; ++i) {
            const char c = s[i];
            if (c < '0' || c > '9') return TokenError();
            code = code * 10 + (c - '0');
        }
        if (after >= have) { // the value is still to come, or missing: truncated
            if (atEnd) return TokenError();
            if (!Refill()) return false;
            continue;
        }
        if (valueAt(neg ? -code : code, b + after)) return true;
        if (!Refill()) return false;
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
    case Phase::Head: {
        const std::string_view type = Trim(group_.front().value());
        bool follows = type == "POLYLINE";
        if (type == "INSERT")
            for (size_t k = 1; k < group_.size(); ++k)
                if (group_[k].code == 66 && Trim(group_[k].value()) == "1") follows = true;
        if (!follows) break;
        sub_ = type == "POLYLINE" ? "VERTEX" : "ATTRIB";
        [[fallthrough]];
    }
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

long dxfstream::MemorySource::Read(char* to, size_t n) {
    const size_t k = std::min({n, std::max<size_t>(chunk_, 1), left_});
    if (k > 0) std::memcpy(to, data_, k);
    data_ += k;
    left_ -= k;
    return long(k);
}

int dxfstream::ReadOutline(ByteSource& source, size_t window, size_t sizeHint, MOutline& outline) {
    Window w(source, window);
    OutlineStream stream(w, sizeHint);
    return stream.Run(outline);
}

int dxfstream::ReadOutlineWindowed(const char* data, size_t size, size_t window, MOutline& outline) {
    outline.Clear();
    if (data == nullptr || size == 0) return DXF_ERR_FORMAT;
    MemorySource source(data, size, window);
    const int rc = ReadOutline(source, window, size, outline);
    return rc == kWholeFile ? ReadWholeOutline(data, size, outline) : rc;
}

int ReadDXFOutlineBuffer(const char* data, size_t size, MOutline& outline) {
    outline.Clear();
    if (data == nullptr || size == 0) return DXF_ERR_FORMAT;
    if (size > kMaxFileSize) return DXF_ERR_TOO_LARGE;
    Window w(data, size);
    OutlineStream stream(w, size);
    const int rc = stream.Run(outline);
    return rc == dxfstream::kWholeFile ? ReadWholeOutline(data, size, outline) : rc;
}

namespace {

// The whole file in one buffer of its size, read straight into it (a file that grows while it is
// read still ends up whole, up to the size limit). 0 or a negative DxfReadResult.
int ReadFileBytes(std::string_view path, std::unique_ptr<char[]>& data, size_t& size) {
    size = 0;
    if (path.empty()) return DXF_ERR_OPEN;
    FILE* f = plat::OpenFile(path, "rb");
    if (f == nullptr) return DXF_ERR_OPEN;
    struct stat st {};
    size_t capacity = 1 << 16;
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        capacity = std::min(size_t(st.st_size), kMaxFileSize) + 1;
    data.reset(new (std::nothrow) char[capacity]);
    bool tooLarge = false, noMemory = data == nullptr;
    while (!noMemory) {
        if (size == capacity) {
            if (capacity > kMaxFileSize) {
                tooLarge = true;
                break;
            }
            const size_t grown = std::min(capacity * 2, kMaxFileSize + 1);
            std::unique_ptr<char[]> bigger(new (std::nothrow) char[grown]);
            if (bigger == nullptr) {
                noMemory = true;
                break;
            }
            std::memcpy(bigger.get(), data.get(), size);
            data = std::move(bigger);
            capacity = grown;
        }
        const size_t got = std::fread(data.get() + size, 1, capacity - size, f);
        if (got == 0) break;
        size += got;
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (tooLarge || size > kMaxFileSize) return DXF_ERR_TOO_LARGE;
    if (noMemory) return DXF_ERR_TOO_LARGE;
    if (readError) return DXF_ERR_OPEN;
    return 0;
}

} // namespace

int ReadDXF(std::string_view path, MEntitiesList& list) {
    list.Clear();
    std::unique_ptr<char[]> data;
    size_t size = 0;
    const int rc = ReadFileBytes(path, data, size);
    if (rc != 0) return rc;
    return ReadDXFBuffer(data.get(), size, list);
}

namespace {

// Bytes from an open file with no buffer of its own: they go straight to the window.
class FileSource final : public dxfstream::ByteSource {
public:
    explicit FileSource(FILE* f) : f_(f) {}
    long Read(char* to, size_t n) override {
        const size_t got = std::fread(to, 1, n, f_);
        if (got == 0 && std::ferror(f_) != 0) return -1;
        return long(got);
    }

private:
    FILE* f_;
};

constexpr size_t kWindow = size_t(16) << 10;

} // namespace

int ReadDXFOutline(std::string_view path, MOutline& outline) {
    outline.Clear();
    if (path.empty()) return DXF_ERR_OPEN;
    FILE* f = plat::OpenFile(path, "rb");
    if (f == nullptr) return DXF_ERR_OPEN;
    std::setvbuf(f, nullptr, _IONBF, 0);
    struct stat st {};
    size_t sizeHint = 0;
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) sizeHint = size_t(st.st_size);
    FileSource source(f);
    int rc = dxfstream::ReadOutline(source, kWindow, sizeHint, outline);
    std::fclose(f);
    if (rc != dxfstream::kWholeFile) return rc;
    // Blocks or entities again after the entities: the drawing is read again, whole.
    std::unique_ptr<char[]> data;
    size_t size = 0;
    rc = ReadFileBytes(path, data, size);
    if (rc != 0) return rc;
    return ReadWholeOutline(data.get(), size, outline);
}
