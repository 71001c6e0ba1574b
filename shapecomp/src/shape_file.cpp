// Shape-file reader and writer, and the numeric conventions of the compiler.
#include "shapecomp/shape.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>

namespace shapecomp {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int32_t ClampToInt32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Decimal prefix of a word, as atol reads it: optional sign, digits; no digits gives 0.
int32_t DecimalPrefix(std::string_view w) {
    size_t i = 0;
    bool neg = false;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) neg = w[i++] == '-';
    int64_t v = 0;
    for (; i < w.size() && w[i] >= '0' && w[i] <= '9'; ++i) {
        if (v < (int64_t{1} << 40)) v = v * 10 + (w[i] - '0');
    }
    return ClampToInt32(neg ? -v : v);
}

// Hexadecimal digits after "0x", kept as the 32-bit pattern they spell (saturated).
int32_t HexDigits(std::string_view w) {
    uint64_t v = 0;
    for (char c : w) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        v = v * 16 + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

void AppendInt(std::string& out, int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%" PRId32, v);
    out += buf;
}

void AppendNumberWord(std::string& out, int32_t v, int16_t isHex) {
    char buf[16];
    if (isHex) std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(static_cast<uint32_t>(v)));
    else std::snprintf(buf, sizeof buf, "%" PRId32, v);
    out += buf;
}

} // namespace

void InitShapeElement(ShapeElement& e) { e = ShapeElement{}; }

void ShapeReader::SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
}

bool ShapeReader::AtEnd() {
    SkipSpace();
    return pos_ >= text_.size();
}

bool ShapeReader::ReadInt(int32_t& v) {
    if (failed_) return false;
    SkipSpace();
    size_t i = pos_;
    bool neg = false;
    if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) neg = text_[i++] == '-';
    size_t digits = i;
    int64_t acc = 0;
    for (; i < text_.size() && text_[i] >= '0' && text_[i] <= '9'; ++i) {
        if (acc < (int64_t{1} << 40)) acc = acc * 10 + (text_[i] - '0');
    }
    if (i == digits) {
        failed_ = true;
        return false;
    }
    pos_ = i;
    v = ClampToInt32(neg ? -acc : acc);
    return true;
}

bool ShapeReader::ReadWord(std::string& word, size_t maxLen) {
    if (failed_) return false;
    SkipSpace();
    if (pos_ >= text_.size()) {
        failed_ = true;
        return false;
    }
    size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
    word.assign(text_.substr(start, std::min(pos_ - start, maxLen)));
    return true;
}

bool ShapeReader::SkipField() {
    // The field ends at any white space or at the end of the text.
    std::string ignored;
    return ReadWord(ignored, 0);
}

bool ShapeReader::ReadNumberWord(int32_t& v, int16_t& isHex) {
    std::string w;
    if (!ReadWord(w, kWordMax)) return false;
    if (w.size() >= 2 && w[0] == '0' && w[1] == 'x') {
        isHex = 1;
        v = HexDigits(std::string_view(w).substr(2));
    } else {
        isHex = 0;
        v = DecimalPrefix(w);
    }
    return true;
}

namespace {
// Every field of an element line after its end X.
void ReadElementRest(ShapeReader& in, ShapeElement& e) {
    in.ReadInt(e.endY);
    in.ReadInt(e.type);
    in.ReadInt(e.centreX);
    in.ReadInt(e.centreY);
    in.ReadInt(e.sweep);
    in.ReadNumberWord(e.depth, e.depthIsHex);
    in.ReadInt(e.feedXY);
    in.ReadInt(e.feedPlunge);
    in.SkipField(); // direction angle: recomputed by the compensation, never read back
    e.direction = 0;
    in.ReadInt(e.checkExempt);
}
} // namespace

bool ReadShapeElement(ShapeReader& in, ShapeElement& e) {
    in.ReadInt(e.endX);
    ReadElementRest(in, e);
    return !in.Failed();
}

bool ReadShapeFile(std::string_view text, ShapeDescription& shape) {
    ShapeReader in(text);
    shape.id = 0;
    shape.idIsHex = 0;
    int32_t count = 0;
    in.ReadInt(count);
    in.ReadInt(shape.toolDiameter);
    in.ReadInt(shape.mode);
    in.ReadInt(shape.side);
    in.ReadInt(shape.startX);
    in.ReadInt(shape.startY);
    in.ReadInt(shape.minArcDiamCW);
    in.ReadInt(shape.minArcDiamCCW);
    // The count is trusted only as far as the text holds element lines: a negative count
    // reads none, a huge one stops where the elements stop.
    for (int32_t i = 0; i < count && !in.Failed(); ++i) {
        ShapeElement e;
        InitShapeElement(e);
        if (!in.ReadInt(e.endX)) break; // no element line left
        ReadElementRest(in, e);
        shape.elements.push_back(e);
    }
    std::string name;
    if (in.ReadWord(name, kNameMax)) shape.name = name;
    in.ReadInt(shape.originX);
    in.ReadInt(shape.originY);
    in.ReadNumberWord(shape.id, shape.idIsHex);
    return !in.Failed();
}

void WriteShapeElement(std::string& out, const ShapeElement& e) {
    const int32_t fields[] = {e.endX, e.endY, e.type, e.centreX, e.centreY, e.sweep};
    for (int32_t v : fields) {
        out += ' ';
        AppendInt(out, v);
    }
    out += ' ';
    AppendNumberWord(out, e.depth, e.depthIsHex);
    out += ' ';
    AppendInt(out, e.feedXY);
    out += ' ';
    AppendInt(out, e.feedPlunge);
    out += ' ';
    AppendInt(out, RoundToInt(std::trunc(e.direction * 1000)));
    out += ' ';
    AppendInt(out, e.checkExempt);
    out += "\r\n";
}

std::string WriteShapeFile(const ShapeDescription& shape) {
    std::string out;
    out.reserve(64 + shape.elements.size() * 64);
    const int32_t header[] = {static_cast<int32_t>(shape.elements.size()), shape.toolDiameter, shape.mode,
                              shape.side, shape.startX, shape.startY, shape.minArcDiamCW, shape.minArcDiamCCW};
    for (size_t i = 0; i < std::size(header); ++i) {
        if (i) out += ' ';
        AppendInt(out, header[i]);
    }
    out += "\r\n";
    for (const ShapeElement& e : shape.elements) WriteShapeElement(out, e);
    out += ' ';
    out += shape.name;
    out += ' ';
    AppendInt(out, shape.originX);
    out += ' ';
    AppendInt(out, shape.originY);
    out += "\r\n";
    AppendNumberWord(out, shape.id, shape.idIsHex);
    out += "\r\n";
    return out;
}

int32_t RoundToInt(Real x) {
    if (!std::isfinite(x)) return 0;
    if (x >= static_cast<Real>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (x <= static_cast<Real>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    Real t = std::trunc(x);
    int32_t v = static_cast<int32_t>(t);
    if (std::fabs(x - t) > 0.5) v += x > 0 ? 1 : -1;
    return v;
}

namespace {
constexpr Real kPi = 3.141592653589793238462643383279502884;
}

Real DegToRad(Real x) { return x * kPi * (1.0 / 180.0); }
Real RadToDeg(Real x) { return x * 180.0 * (1.0 / kPi); }

Real NormalizeDegrees(Real a) {
    if (!std::isfinite(a)) return 0;
    a = std::fmod(a, 360.0);
    if (a < 0) a += 360.0;
    if (a >= 360.0) a -= 360.0;
    return a;
}

} // namespace shapecomp
