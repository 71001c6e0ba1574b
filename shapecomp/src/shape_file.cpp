// Shape-file reader and writer, and the numeric conventions of the compiler.
#include "shapecomp/shape.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "platform/text.h"

namespace shapecomp {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Whole number in decimal: an optional sign and digits only, within 32 bits.
bool ParseInt32(std::string_view w, int32_t& v) {
    size_t i = 0;
    bool neg = false;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) neg = w[i++] == '-';
    if (i == w.size()) return false;
    int64_t acc = 0;
    for (; i < w.size(); ++i) {
        if (w[i] < '0' || w[i] > '9') return false;
        acc = acc * 10 + (w[i] - '0');
        if (acc > int64_t{1} << 31) return false;
    }
    if (neg) acc = -acc;
    if (acc < std::numeric_limits<int32_t>::min() || acc > std::numeric_limits<int32_t>::max()) return false;
    v = static_cast<int32_t>(acc);
    return true;
}

// "0x" and one to eight hexadecimal digits (the 32-bit pattern they spell), else a decimal.
bool ParseNumberWord(std::string_view w, int32_t& v, int16_t& isHex) {
    if (w.size() >= 2 && w[0] == '0' && w[1] == 'x') {
        const std::string_view digits = w.substr(2);
        if (digits.empty() || digits.size() > 8) return false;
        uint32_t acc = 0;
        for (char c : digits) {
            uint32_t d;
            if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
            else return false;
            acc = acc * 16 + d;
        }
        v = static_cast<int32_t>(acc);
        isHex = 1;
        return true;
    }
    if (!ParseInt32(w, v)) return false;
    isHex = 0;
    return true;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSpace(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !IsSpace(line[i])) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// A field as the operator may see it in a message: quoted, at most 15 characters, anything but
// printable ASCII shown as '?'.
std::string Shown(std::string_view w) {
    std::string out = "\"";
    for (size_t i = 0; i < w.size() && i < 15; ++i) {
        const unsigned char c = static_cast<unsigned char>(w[i]);
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    if (w.size() > 15) out += "...";
    return out + "\"";
}

std::string NotANumber(const char* field, std::string_view w) {
    return plat::StrFormatC("the %s %s is not a whole number", field, Shown(w).c_str());
}

std::string Mm(Real thousandths) { return plat::StrFormatC("%.3f mm", static_cast<double>(thousandths) * 0.001); }

// The lines of a text one by one: LF ends a line, a CR before it is dropped.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const size_t eol = text_.find('\n', pos_);
        const size_t end = eol == std::string_view::npos ? text_.size() : eol;
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = eol == std::string_view::npos ? text_.size() : eol + 1;
        ++number_;
        return true;
    }
    int32_t Number() const { return number_; }
private:
    std::string_view text_;
    size_t pos_ = 0;
    int32_t number_ = 0;
};

constexpr const char* kElementFields[] = {"end X",      "end Y",       "type",         "centre X",
                                          "centre Y",   "swept angle", "work depth",   "XY feed",
                                          "plunge feed", "direction angle", "check exemption"};
constexpr size_t kElementFieldCount = std::size(kElementFields);
constexpr const char* kHeaderFields[] = {"element count", "tool diameter", "mode", "side", "start X", "start Y",
                                         "smallest clockwise arc diameter",
                                         "smallest counter-clockwise arc diameter"};
constexpr size_t kHeaderFieldCount = std::size(kHeaderFields);

constexpr Real kPi = 3.141592653589793238462643383279502884;

// Whether an arc from `s` ending at e.end agrees with its centre and sweep: both ends at the
// same distance from the centre, and the sweep running to the end point. A full turn and a
// null arc both start where they end.
bool ArcFits(Real sx, Real sy, const ShapeElement& e, std::string& what) {
    const Real cx = e.centreX, cy = e.centreY, ex = e.endX, ey = e.endY;
    const Real rs = std::hypot(sx - cx, sy - cy), re = std::hypot(ex - cx, ey - cy);
    if (e.sweep > 360000 || e.sweep < -360000) {
        what = plat::StrFormatC("the arc's swept angle %" PRId32 " is beyond a full turn", e.sweep);
        return false;
    }
    if (std::fabs(rs - re) > kArcFitTolerance) {
        what = plat::StrFormatC("the arc's centre (%" PRId32 ", %" PRId32 ") lies %s from its start and %s from its end",
                                e.centreX, e.centreY, Mm(rs).c_str(), Mm(re).c_str());
        return false;
    }
    if (re < 1) return true; // a point: nothing to turn through
    Real span = std::atan2(ey - cy, ex - cx) - std::atan2(sy - cy, sx - cx);
    if (e.sweep <= 0) span = -span;
    const Real drawn = std::fabs(static_cast<Real>(e.sweep)) / 1000 * kPi / 180;
    const Real off = std::fabs(std::remainder(span - drawn, 2 * kPi));
    // The sweep is written in whole thousandths of a degree: two of them always pass.
    if (off * re > kArcFitTolerance && off > 0.002 * kPi / 180) {
        Real to = std::remainder(span, 2 * kPi);
        if (to <= 0) to += 2 * kPi;
        what = plat::StrFormatC("the arc's swept angle %.3f degrees does not reach its end point, %.3f degrees round "
                                "its centre",
                                static_cast<double>(e.sweep) / 1000, static_cast<double>(to * 180 / kPi) * (e.sweep <= 0 ? -1 : 1));
        return false;
    }
    return true;
}

bool Fail(ShapeFileFault* fault, int32_t line, std::string what) {
    if (fault) {
        fault->line = line;
        fault->what = std::move(what);
    }
    return false;
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

bool ReadShapeElement(std::string_view line, ShapeElement& e, std::string* what) {
    const std::vector<std::string_view> f = Fields(line);
    auto fail = [&](std::string text) {
        if (what) *what = std::move(text);
        return false;
    };
    if (f.size() != kElementFieldCount)
        return fail(plat::StrFormatC("the line holds %zu fields, an element line %zu", f.size(), kElementFieldCount));
    int32_t* const ints[] = {&e.endX, &e.endY, &e.type, &e.centreX, &e.centreY, &e.sweep};
    for (size_t i = 0; i < std::size(ints); ++i)
        if (!ParseInt32(f[i], *ints[i])) return fail(NotANumber(kElementFields[i], f[i]));
    if (!ParseNumberWord(f[6], e.depth, e.depthIsHex)) return fail(NotANumber(kElementFields[6], f[6]));
    if (!ParseInt32(f[7], e.feedXY)) return fail(NotANumber(kElementFields[7], f[7]));
    if (!ParseInt32(f[8], e.feedPlunge)) return fail(NotANumber(kElementFields[8], f[8]));
    e.direction = 0; // field 9: recomputed by the compensation, never read back
    if (!ParseInt32(f[10], e.checkExempt)) return fail(NotANumber(kElementFields[10], f[10]));
    return true;
}

bool ReadShapeFile(std::string_view text, ShapeDescription& shape, ShapeFileFault* fault) {
    LineCursor in(text);
    std::string_view line;
    shape.id = 0;
    shape.idIsHex = 0;

    if (!in.Next(line)) return Fail(fault, 1, "the file is empty");
    std::vector<std::string_view> f = Fields(line);
    if (f.size() != kHeaderFieldCount)
        return Fail(fault, in.Number(),
                    plat::StrFormatC("the header holds %zu fields instead of %zu", f.size(), kHeaderFieldCount));
    int32_t header[kHeaderFieldCount];
    for (size_t i = 0; i < kHeaderFieldCount; ++i)
        if (!ParseInt32(f[i], header[i])) return Fail(fault, in.Number(), NotANumber(kHeaderFields[i], f[i]));
    const int32_t count = header[0];
    shape.toolDiameter = header[1];
    shape.mode = header[2];
    shape.side = header[3];
    shape.startX = header[4];
    shape.startY = header[5];
    shape.minArcDiamCW = header[6];
    shape.minArcDiamCCW = header[7];
    if (count < 0)
        return Fail(fault, in.Number(), plat::StrFormatC("the element count %" PRId32 " is negative", count));
    if (shape.side < -1 || shape.side > 2)
        return Fail(fault, in.Number(),
                    plat::StrFormatC("the tool side %" PRId32 " is none of -1 (right), 1 (left), 0 (tool centre) and 2 "
                                     "(as drawn)",
                                     shape.side));

    Real prevX = shape.startX, prevY = shape.startY;
    bool prevIsCircle = false;
    for (int32_t i = 0; i < count; ++i) {
        if (!in.Next(line))
            return Fail(fault, in.Number() + 1,
                        plat::StrFormatC("the file ends after %" PRId32 " of its %" PRId32 " element lines", i, count));
        ShapeElement e;
        InitShapeElement(e);
        std::string what;
        if (!ReadShapeElement(line, e, &what))
            return Fail(fault, in.Number(),
                        plat::StrFormatC("element %" PRId32 " of %" PRId32 ": %s", i, count, what.c_str()));
        const bool cycle = e.type == kCycleHelicalHole || e.type == kCycleSteppedPlunge;
        if ((e.type < kCircle || e.type > kArc2) && !cycle)
            return Fail(fault, in.Number(),
                        plat::StrFormatC("element %" PRId32 ": the type %" PRId32 " is none of 0 (circle), 1 (rapid), 2 "
                                         "(line), 3 and 4 (arc), 100 and 101 (cycle)",
                                         i, e.type));
        if (cycle && count != 1)
            return Fail(fault, in.Number(),
                        plat::StrFormatC("element %" PRId32 ": a cycle of type %" PRId32 " is a shape's only element",
                                         i, e.type));
        if (e.IsArc() && !prevIsCircle && !ArcFits(prevX, prevY, e, what))
            return Fail(fault, in.Number(), plat::StrFormatC("element %" PRId32 ": %s", i, what.c_str()));
        prevX = e.endX;
        prevY = e.endY;
        prevIsCircle = e.type == kCircle;
        shape.elements.push_back(e);
    }

    if (!in.Next(line)) return Fail(fault, in.Number() + 1, "the file ends before its name and origin line");
    f = Fields(line);
    if (f.size() != 3)
        return Fail(fault, in.Number(),
                    plat::StrFormatC("the line holds %zu fields where the name and origin (3 fields) stand after %" PRId32
                                     " element lines",
                                     f.size(), count));
    shape.name.assign(f[0].substr(0, kNameMax)); // only a name: a longer one is cut to its field
    if (!ParseInt32(f[1], shape.originX)) return Fail(fault, in.Number(), NotANumber("origin X", f[1]));
    if (!ParseInt32(f[2], shape.originY)) return Fail(fault, in.Number(), NotANumber("origin Y", f[2]));

    if (!in.Next(line)) return Fail(fault, in.Number() + 1, "the file ends before its id line");
    f = Fields(line);
    if (f.size() != 1)
        return Fail(fault, in.Number(), plat::StrFormatC("the id line holds %zu words instead of 1", f.size()));
    if (!ParseNumberWord(f[0], shape.id, shape.idIsHex)) return Fail(fault, in.Number(), NotANumber("id", f[0]));
    return true;
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
