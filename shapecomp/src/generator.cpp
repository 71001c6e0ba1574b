// ISO generator: comment header, origin parameters, positioning, one block group per element
// with a three-level Z state machine, and the two fixed cycles.
#include "shapecomp/generator.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <limits>
#include <cstdio>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"
#include "shapecomp/message_sink.h"

namespace shapecomp {

OutputState& GeneratorState() {
    static OutputState state;
    return state;
}

void IsoWriter::Line(std::string_view text) {
    text_ += "\r\n";
    text_ += text;
}

void IsoWriter::Cont(std::string_view text) {
    text_ += text;
    text_ += ' ';
}

void IsoWriter::Comment(std::string_view text) {
    // A comment carries printable ASCII only: a brace would end it early and other bytes are
    // not the controller's text, so each becomes '?' (a name keeps its place in the header).
    text_ += '{';
    for (char c : text) text_ += c >= 0x20 && c < 0x7F && c != '{' && c != '}' ? c : '?';
    text_ += "}\r\n";
}

namespace {

using plat::StrFormatC;

// The numbers a block carries and the range the controller takes for each, in thousandths:
// lengths and coordinates within the system's 32-bit thousandths of a millimetre; feeds up to
// 99999 mm/min and spindle speeds up to 99999 turns per minute, the highest the machine's own
// settings take.
constexpr int64_t kLengthMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kFeedMax = 99'999'000;
constexpr int64_t kSpeedMax = 99'999;

// Millimetres of thousandths in the dialect's fixed form: digits and at most three decimals,
// trailing zeros dropped, never an exponent; `sign` puts '+' before a value that is not negative.
std::string FormatMm(int64_t v, bool sign = false) {
    const int64_t a = v < 0 ? -v : v;
    std::string out = StrFormatC("%s%" PRId64, v < 0 ? "-" : (sign ? "+" : ""), a / 1000);
    if (const int64_t frac = a % 1000) {
        std::string f = StrFormatC("%03" PRId64, frac);
        while (f.back() == '0') f.pop_back();
        out += "." + f;
    }
    return out;
}

// The line of a shape file's first element (the header is line 1).
constexpr int32_t kFirstElementLine = 2;

// Thousandths of a coordinate relative to the origin.
int64_t Rel(int32_t v, int32_t origin) { return static_cast<int64_t>(v) - origin; }
double Mm(int32_t v) { return static_cast<double>(v) * 0.001; }

class Generator {
public:
    Generator(IsoWriter& w, std::string_view suffix) : w_(w), suffix_(suffix), st_(GeneratorState()) {}

    // The record whose numbers are written next, named in a refusal: its line in the file and
    // the element it is (-1: the header's start point).
    void At(int32_t line, int32_t element) {
        line_ = line;
        element_ = element;
    }
    bool Failed() const { return fault_.line != 0; }
    const ShapeFileFault& Fault() const { return fault_; }
    // The first number the controller cannot take refuses the shape; the text written in its
    // place never leaves the generator.
    void Refuse(const std::string& what) {
        if (Failed()) return;
        fault_.line = line_;
        fault_.what = element_ < 0 ? "the start point: " + what : StrFormatC("element %d: %s", element_, what.c_str());
    }

    // A length or coordinate of thousandths, within the controller's range.
    std::string Length(int64_t v, bool sign = false) {
        if (v < -kLengthMax || v > kLengthMax) {
            Refuse(StrFormatC("a length of %s mm is beyond the controller's %s mm", FormatMm(v).c_str(),
                              FormatMm(kLengthMax).c_str()));
            return "0";
        }
        return FormatMm(v, sign);
    }
    // A length computed in millimetres, rounded to the thousandth that the controller reads.
    std::string LengthMm(double mm) {
        double t = mm * 1000;
        if (!std::isfinite(t)) t = static_cast<double>(kLengthMax) + 1;
        return Length(static_cast<int64_t>(std::llround(std::clamp(t, -4e18, 4e18))));
    }
    // "X<x> Y<y>" of a point relative to the origin.
    std::string XY(int64_t x, int64_t y) { return "X" + Length(x) + " Y" + Length(y); }
    // A feed above 0 (thousandths of a millimetre per minute), within the controller's range.
    std::string Feed(int32_t f, const char* what) {
        if (f > kFeedMax) {
            Refuse(StrFormatC("the %s %s mm/min is beyond the controller's %s mm/min", what, FormatMm(f).c_str(),
                              FormatMm(kFeedMax).c_str()));
            return "0";
        }
        return FormatMm(f);
    }

    void SlowOn() {
        if (st_.slow == 0) {
            w_.Line(StrFormatC("L<SLOWACC.%.*s>", Len(suffix_), suffix_.data()));
            st_.slow = 1;
            w_.Line("G64\r\n");
        }
    }

    void EmitFeed(int32_t feed, int force) {
        if (feed == st_.lastFeed && !force) return;
        if (feed <= 0) {
            w_.Line("F=R311");
            st_.lastFeed = 0;
        } else {
            w_.Line("F" + Feed(feed, "XY feed"));
            st_.lastFeed = feed;
        }
    }

    int EmitPlungeFeed(int32_t depth, int32_t feed) {
        if (depth < 0) return 0;
        const std::string z = "Z=(R332" + Length(depth, true) + ")";
        if (feed <= 0) w_.Line("G1 F=R310 " + z);
        else w_.Line("G1 F" + Feed(feed, "plunge feed") + " " + z);
        return 1;
    }

    // Moves the tool to level `target` at depth `d`. With a merge buffer the Z texts either go
    // out as their own "G0" line (mode 1) or are left in the buffer for the caller's XY block.
    // Returns 1 when it wrote a feed change that the next contour move must override.
    int MoveToZLevel(int32_t target, int32_t f, int32_t d, std::string* buf, int32_t firstPlunge, int mode) {
        const int32_t L = st_.zLevel, D = st_.depth;
        const bool up = target < L || (target == L && D < d);
        int result = 0;
        if (buf) buf->clear();
        auto zText = [&](int32_t level, const char* lead) {
            return std::string(lead) + (level == 2 ? "Z=(R332" : "Z=(R331") + Length(d, true) + ")";
        };
        auto feedLine = [&] {
            if (f < 1) w_.Line("G1 F=R310");
            else w_.Line("G1 F" + Feed(f, "plunge feed"));
        };
        if (up) {
            if (st_.slow == 1 && (!buf || mode != 0 || target == 0)) {
                w_.Line("G66\r\n");
                w_.Line(StrFormatC("L<FASTACC.%.*s>", Len(suffix_), suffix_.data()));
                st_.slow = 0;
            }
            if (target == 0) {
                w_.Line("G0 Z=R330");
            } else {
                std::string t = zText(target, "");
                if (!buf) w_.Line("G0 " + t);
                else if (mode == 1) w_.Line("G0 " + t);
                else *buf = t;
            }
        } else {
            if (target == 2) {
                if (L == 0 || (L == 1 && D > 0)) {
                    w_.Line("G0 Z=R331");
                    SlowOn();
                    const int plunged = EmitPlungeFeed(firstPlunge, f);
                    if (!buf || mode == 1) {
                        feedLine();
                        result = 1;
                    } else {
                        result = plunged;
                    }
                } else if (L != 2 || d < D) {
                    SlowOn();
                    const int plunged = EmitPlungeFeed(firstPlunge, f);
                    if (!buf || mode == 1) {
                        feedLine();
                        result = 1;
                    } else {
                        result = plunged;
                    }
                }
            }
            std::string cont;
            if (target == 2 && (L != 2 || d != D)) cont = zText(2, " ");
            else if (target == 1 && (L != 1 || d != D)) cont = zText(1, " ");
            if (!cont.empty()) {
                if (!buf || mode == 1) w_.Cont(cont);
                else *buf = cont;
            }
        }
        st_.zLevel = target;
        st_.depth = d;
        return result;
    }

    static int Len(std::string_view s) { return static_cast<int>(s.size()); }

    IsoWriter& w_;
    std::string_view suffix_;
    OutputState& st_;
    int32_t line_ = 1, element_ = -1;
    ShapeFileFault fault_;
};

// Words of a parameter text, cut at blanks (runs of blanks count as one).
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

void CycleHeader(IsoWriter& w, std::string_view baseName, std::string_view diameterText, std::string_view suffix) {
    w.Comment(baseName);
    w.Comment("Diametro fresa");
    w.Comment(diameterText);
    w.Comment("Tracciato a centro fresa");
    w.Comment(suffix);
}

} // namespace

std::string FindStLineInText(std::string_view text, std::string_view code, int32_t* lineNo, int32_t firstLine) {
    const std::string key = "ST" + std::string(code) + " ";
    size_t pos = 0;
    int32_t number = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        std::string_view line = text.substr(pos, eol == std::string_view::npos ? text.size() - pos : eol - pos);
        pos = eol == std::string_view::npos ? text.size() : eol + 1;
        if (++number < firstLine) continue;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
        size_t b = 0;
        while (b < line.size() && (line[b] == ' ' || line[b] == '\t')) ++b;
        line.remove_prefix(b);
        if (line.size() < key.size() || !plat::EqualsNoCase(line.substr(0, key.size()), key)) continue;
        line.remove_prefix(key.size());
        b = 0;
        while (b < line.size() && (line[b] == ' ' || line[b] == '\t')) ++b;
        if (lineNo) *lineNo = number;
        return std::string(line.substr(b)) + " ";
    }
    return {};
}

std::string FindStLine(const std::string& nativePath, std::string_view code) {
    std::string text;
    if (!plat::ReadWholeFile(nativePath, text)) return {};
    return FindStLineInText(text, code);
}

namespace {

// A decimal number in thousandths: an optional sign, digits with at most three decimals
// (further decimals only zeros); no exponent, no other character. False beyond 32 bits.
bool ParseThousandths(std::string_view w, int64_t& v) {
    size_t i = 0;
    bool neg = false;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) neg = w[i++] == '-';
    int64_t whole = 0;
    int digits = 0;
    for (; i < w.size() && w[i] >= '0' && w[i] <= '9'; ++i, ++digits) {
        whole = whole * 10 + (w[i] - '0');
        if (whole > int64_t{1} << 32) return false;
    }
    int64_t frac = 0;
    int decimals = 0;
    if (i < w.size() && w[i] == '.') {
        for (++i; i < w.size() && w[i] >= '0' && w[i] <= '9'; ++i, ++digits) {
            if (decimals < 3) {
                frac = frac * 10 + (w[i] - '0');
                ++decimals;
            } else if (w[i] != '0') {
                return false; // finer than a thousandth
            }
        }
    }
    if (i != w.size() || digits == 0) return false;
    for (; decimals < 3; ++decimals) frac *= 10;
    v = (whole * 1000 + frac) * (neg ? -1 : 1);
    return true;
}

// Limits of the values the cycles write: lengths, depths and feeds from a thousandth (of a
// millimetre, per minute) and speeds from 1, each up to the controller's range above; steps:
// the cycle's 1 to 10.
constexpr int64_t kCycleValueMin = 1;
constexpr int32_t kCycleStepsMin = 1, kCycleStepsMax = 10;
constexpr size_t kCycleWordMax = 15;

// A length (or feed, up to `max`) word in millimetres within the limits, in thousandths.
bool CycleLength(std::string_view w, int32_t& v, int64_t max = kLengthMax) {
    int64_t t;
    if (!ParseThousandths(w, t) || t < kCycleValueMin || t > max) return false;
    v = static_cast<int32_t>(t);
    return true;
}

// A whole number word (speeds, steps); `value` may lie outside any limit.
bool WholeNumber(std::string_view w, int64_t& value) {
    int64_t t;
    if (!ParseThousandths(w, t) || t % 1000 != 0) return false;
    value = t / 1000;
    return true;
}

bool CycleFault(ShapeFileFault* fault, int32_t line, std::string what) {
    if (fault) {
        fault->line = line;
        fault->what = std::move(what);
    }
    return false;
}

std::string Quoted(const std::string& w) {
    std::string out = "\"";
    for (char c : w) out += static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F ? c : '?';
    return out + "\"";
}

std::string LengthRule(const char* what, const std::string& w, int64_t max = kLengthMax) {
    return StrFormatC("the %s %s is not a number of millimetres from 0.001 to %s", what, Quoted(w).c_str(),
                      FormatMm(max).c_str());
}

// The line of the lone element of a cycle, and the first line where its parameter line may
// stand: after the element, the name and origin line and the id line.
constexpr int32_t kCycleElementLine = kFirstElementLine;
constexpr int32_t kCycleParameterLines = kCycleElementLine + 3;
// Words of a helical hole's line: any, hole diameter, depths 1 to 4, speeds 1 and 2.
constexpr size_t kHelicalHoleWords = 8;

} // namespace

bool ParseSpecialCycle(const ShapeDescription& shape, std::string_view shapeText, CycleParams& p,
                       ShapeFileFault* fault) {
    p = CycleParams{};
    if (shape.elements.size() != 1) return false;
    p.code = shape.elements[0].type;
    if (p.code != kCycleHelicalHole && p.code != kCycleSteppedPlunge) return false;
    const char* code = p.code == kCycleHelicalHole ? "100" : "101";
    int32_t line = kCycleElementLine;
    const std::string params = FindStLineInText(shapeText, code, &line, kCycleParameterLines);
    if (params.empty())
        return CycleFault(fault, kCycleElementLine,
                          StrFormatC("the cycle of type %s has no \"ST%s\" parameter line", code, code));
    p.line = line;
    const std::vector<std::string> words = Words(params);
    // A parameter holds at most 15 characters: a longer word is refused, not cut into another
    // number.
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i].size() > kCycleWordMax)
            return CycleFault(fault, line, StrFormatC("word %zu of the ST%s line is longer than 15 characters", i + 1, code));
    auto word = [&](size_t n) { return n >= 1 && n <= words.size() ? words[n - 1] : std::string(); };

    if (p.code == kCycleHelicalHole) {
        if (words.size() > kHelicalHoleWords)
            return CycleFault(fault, line,
                              StrFormatC("the ST100 line holds %zu words, at most %zu", words.size(), kHelicalHoleWords));
        static const char* const names[] = {"ST100 hole diameter", "ST100 depth 1", "ST100 depth 2", "ST100 depth 3",
                                            "ST100 depth 4"};
        int32_t* const lengths[] = {&p.holeDiameter, &p.depth[0], &p.depth[1], &p.depth[2], &p.depth[3]};
        for (size_t i = 0; i < std::size(lengths); ++i)
            if (!CycleLength(word(2 + i), *lengths[i])) return CycleFault(fault, line, LengthRule(names[i], word(2 + i)));
        // A speed left out, or not above 0, takes the cycle's own.
        const int32_t defaults[] = {3200, 4770};
        int32_t* const speeds[] = {&p.speed1, &p.speed2};
        for (size_t i = 0; i < 2; ++i) {
            const std::string w = word(7 + i);
            int64_t v = 0;
            if (!w.empty() && (!WholeNumber(w, v) || v > kSpeedMax))
                return CycleFault(fault, line,
                                  StrFormatC("the ST100 speed %zu %s is not a whole number up to %" PRId64, i + 1,
                                             Quoted(w).c_str(), kSpeedMax));
            *speeds[i] = v >= kCycleValueMin ? static_cast<int32_t>(v) : defaults[i];
        }
        return true;
    }

    // Stepped plunge: tool diameter (a text for the comment), speed, n steps, n feeds, n depths.
    // The text is the shape's own data: refused, like any other damaged word, when it holds
    // anything its comment cannot carry.
    p.toolDiameterText = word(2);
    if (std::any_of(p.toolDiameterText.begin(), p.toolDiameterText.end(),
                    [](char c) { return c == '{' || c == '}' || c < 0x20 || c >= 0x7F; }))
        return CycleFault(fault, line,
                          StrFormatC("the ST101 tool diameter %s holds a brace or a character that is not printable "
                                     "ASCII, which would break its comment",
                                     Quoted(p.toolDiameterText).c_str()));
    int64_t v = 0;
    if (!WholeNumber(word(3), v) || v < kCycleValueMin || v > kSpeedMax)
        return CycleFault(fault, line,
                          StrFormatC("the ST101 speed %s is not a whole number from 1 to %" PRId64, Quoted(word(3)).c_str(),
                                     kSpeedMax));
    p.speed = static_cast<int32_t>(v);
    if (!WholeNumber(word(4), v) || v < kCycleStepsMin || v > kCycleStepsMax)
        return CycleFault(fault, line,
                          StrFormatC("the ST101 step count %s is not a whole number from %d to %d", Quoted(word(4)).c_str(),
                                     kCycleStepsMin, kCycleStepsMax));
    p.steps = static_cast<int32_t>(v);
    const size_t n = static_cast<size_t>(p.steps);
    for (size_t i = 1; i <= n; ++i) {
        const std::string feed = word(4 + i), depth = word(4 + n + i);
        if (!CycleLength(feed, p.feed[i - 1], kFeedMax))
            return CycleFault(fault, line, LengthRule(StrFormatC("ST101 feed of step %zu", i).c_str(), feed, kFeedMax));
        if (!CycleLength(depth, p.stepDepth[i - 1]))
            return CycleFault(fault, line, LengthRule(StrFormatC("ST101 depth of step %zu", i).c_str(), depth));
    }
    if (words.size() > 2 * n + 4)
        return CycleFault(fault, line,
                          StrFormatC("the ST101 line holds %zu words, %zu for its %zu steps", words.size(), 2 * n + 4, n));
    return true;
}

bool CheckSpecialCycle(const ShapeDescription& shape, std::string_view shapeText, ShapeFileFault& fault) {
    if (shape.elements.size() != 1) return true;
    const int32_t type = shape.elements[0].type;
    if (type != kCycleHelicalHole && type != kCycleSteppedPlunge) return true;
    CycleParams p;
    return ParseSpecialCycle(shape, shapeText, p, &fault);
}

bool WriteSpecialCycle(const ShapeDescription& shape, IsoWriter& w, std::string_view baseName,
                       std::string_view suffix, std::string_view shapeText) {
    CycleParams p;
    if (!ParseSpecialCycle(shape, shapeText, p, nullptr)) return false;
    const int sl = static_cast<int>(suffix.size());
    const char* sx = suffix.data();

    if (p.code == kCycleHelicalHole) {
        const std::string diameter = FormatMm(p.holeDiameter);
        CycleHeader(w, baseName, diameter, suffix);
        w.Line("R629 = 0");
        w.Line("R630 = 0");
        w.Line(StrFormatC("L<POS_AXES.%.*s>\r\n", sl, sx));
        w.Line(StrFormatC("R400 = %s-R620", diameter.c_str()));
        w.Line("R401 = R400/2\r\n");
        w.Line(StrFormatC("G00 X0 Y0 S%" PRId32, p.speed1));
        w.Line("Z=R331");
        w.Line(StrFormatC("L<SLOWACC.%.*s>\r\n", sl, sx));
        w.Line("M7 G01 F=310 Z=R332");
        w.Line(StrFormatC("Z=(R332+%s) S%" PRId32, FormatMm(p.depth[0]).c_str(), p.speed2));
        w.Line("F=R311");
        w.Line(StrFormatC("G03 X0 Y=-R400 Z=(R332+%s) I0 J=-R401 e1", FormatMm(p.depth[1]).c_str()));
        w.Line(StrFormatC("G03 X0 Y=-R400 Z=(R332+%s) I0 J0 e1", FormatMm(p.depth[2]).c_str()));
        w.Line(StrFormatC("G03 X0 Y0 Z=(R332+%s) I0 J=-R401 e1\r\n", FormatMm(p.depth[3]).c_str()));
        w.Line(StrFormatC("L<FASTACC.%.*s>", sl, sx));
        w.Line("G0 Z=R330");
        w.Line("M9\r\n");
        return true;
    }

    CycleHeader(w, baseName, p.toolDiameterText, suffix);
    w.Line("R629 = 0");
    w.Line("R630 = 0");
    w.Line(StrFormatC("L<POS_AXES.%.*s>\r\n", sl, sx));
    w.Line(StrFormatC("G0 X0 Y0 Z=R330 M03 S%" PRId32, p.speed));
    w.Line("G0 Z=(R331+2)");
    w.Line("$M49");
    w.Line(StrFormatC("L<SLOWACC.%.*s>\r\n", sl, sx));
    for (int32_t i = 0; i < p.steps; ++i)
        w.Line(StrFormatC("G1 F%s Z=(R331-%s)", FormatMm(p.feed[i]).c_str(), FormatMm(p.stepDepth[i]).c_str()));
    w.Line("");
    w.Line("$M48");
    w.Line(StrFormatC("L<FASTACC.%.*s>", sl, sx));
    w.Line("G0 Z=R330\r\n");
    return true;
}

namespace {

// The comment header, the origin parameters and the positioning above the offset start point.
void WriteProgramHeader(Generator& g, IsoWriter& w, const ShapeDescription& s, std::string_view baseName,
                        std::string_view suffix) {
    w.Comment(baseName);
    w.Comment("Diametro fresa");
    w.Comment(FormatMm(s.toolDiameter));
    switch (s.side) {
    case -1: w.Comment("Tracciato centro fresa offsettato a destra di Diam/2"); break;
    case 1: w.Comment("Tracciato centro fresa offsettato a sinistra di Diam/2"); break;
    case 0: w.Comment("Tracciato a centro fresa"); break;
    default: break;
    }
    w.Comment(suffix);

    g.At(1, -1);
    w.Line("R629 = " + g.Length(Rel(s.offsetStartX, s.originX)));
    w.Line("R630 = " + g.Length(-Rel(s.offsetStartY, s.originY)));
    w.Line("R697 = R330");
    w.Line(StrFormatC("L<POS_AXES.%.*s>\r\n", static_cast<int>(suffix.size()), suffix.data()));
    w.Line("G0 " + g.XY(Rel(s.offsetStartX, s.originX), Rel(s.offsetStartY, s.originY)));
    w.Cont(" Z=R330");
    w.Line("M7");
}

// A circle element: positioning at its entry, the plunge, and when milled the lead-in, the full
// circle and the lead-out, or the spiral outwards and its finishing turns. The centre is the
// point as drawn. False when the spiral would take more than kMaxSpiralTurns.
bool WriteCircle(Generator& g, IsoWriter& w, const ShapeDescription& s, const ShapeElement& e, int prevKind,
                 int32_t firstPlunge) {
    // R the circle's radius, r the tool's, in millimetres.
    const double r = Mm(s.toolDiameter) / 2;
    const double R = Mm(e.centreX) / 2;
    const double cx = Rel(e.endX, s.originX) * 0.001, cy = Rel(e.endY, s.originY) * 0.001;
    double top = cy + R - r, mid = cy + (R - r) / 2, entry = cy;
    const bool mill = (e.centreY & kCircleMill) != 0 && s.toolDiameter < e.centreX;
    const bool spiral = (e.centreY & kCircleSpiral) != 0;
    const std::string g23 = (e.centreY & kCircleClockwise) ? "G2 " : "G3 ";
    // "X<x> Y<y> I<i> J<j>" of an arc's end point and centre.
    auto arc = [&](double x, double y, double i, double j) {
        return "X" + g.LengthMm(x) + " Y" + g.LengthMm(y) + " I" + g.LengthMm(i) + " J" + g.LengthMm(j);
    };
    if (prevKind != 1) g.MoveToZLevel(1, 0, 0, nullptr, -1, 0);
    if (mill && 3 * r < R && !spiral) {
        entry = top - r;
        mid = top - r / 2;
    }
    w.Line("X" + g.LengthMm(cx) + " Y" + g.LengthMm(entry));
    const int force = g.MoveToZLevel(2, e.feedPlunge, e.depth, nullptr, firstPlunge, 0);
    g.SlowOn();
    if (!mill) return true;
    g.EmitFeed(e.feedXY, force);
    if (!spiral) {
        w.Line(g23 + arc(cx, top, cx, mid));
        w.Line(arc(cx, top, cx, cy));
        w.Line(arc(cx, entry, cx, mid));
        return true;
    }
    const double step = 1.8 * r;
    if (!(step > 0) || (R - r) / step > kMaxSpiralTurns) {
        g.Refuse(StrFormatC("the circle's spiral takes more than %d turns", kMaxSpiralTurns));
        return false;
    }
    double sp = step;
    while (sp < R - r) {
        w.Line(g23 + arc(cx, cy + sp, cx, cy + step / 2));
        w.Line(g23 + arc(cx, cy - sp, cx, cy));
        sp += step;
    }
    sp -= step;
    w.Line(g23 + arc(cx, top, cx, ((R - r) + sp) / 2 + (cy - sp)));
    w.Line(g23 + arc(cx, cy - R + r, cx, cy));
    w.Line(g23 + arc(cx, top, cx, cy));
    w.Line(g23 + arc(cx, top - 2, cx, top - 1));
    return true;
}

bool GenerateIsoText(const ShapeDescription& s, std::string_view baseName, std::string_view suffix,
                     std::string_view shapeText, std::string& out, ShapeFileFault* fault) {
    IsoWriter w;
    w.Buffer().reserve(256 + s.elements.size() * 48);
    if (WriteSpecialCycle(s, w, baseName, suffix, shapeText)) {
        out = std::move(w.Buffer());
        return true;
    }
    // A lone special element without its valid parameter line would compile to positioning
    // only: the piece would come out without its machining, so the shape is refused.
    if (s.elements.size() == 1 &&
        (s.elements[0].type == kCycleHelicalHole || s.elements[0].type == kCycleSteppedPlunge))
        return false;

    Generator g(w, suffix);
    WriteProgramHeader(g, w, s, baseName, suffix);

    int prevKind = 1;
    int32_t lastX = 0, lastY = 0;
    std::string buf;
    const auto XY = [&](int32_t x, int32_t y) { return g.XY(Rel(x, s.originX), Rel(y, s.originY)); };

    for (size_t i = 0; i < s.elements.size() && !g.Failed(); ++i) {
        const ShapeElement& e = s.elements[i];
        const ShapeElement* next = i + 1 < s.elements.size() ? &s.elements[i + 1] : nullptr;
        const int32_t firstPlunge = (s.idIsHex && s.id >= 0 && i == 0) ? s.id : -1;
        const bool merged = e.depthIsHex != 0;
        g.At(e.source + kFirstElementLine, e.source);

        if (e.type == kRapid) {
            const int32_t level = e.feedPlunge != 0 ? 1 : 0;
            if (!merged) {
                g.MoveToZLevel(level, e.feedPlunge, e.depth, nullptr, -1, 0);
                if (!(next && next->type == kCircle)) w.Line(XY(e.workEndX, e.workEndY));
            } else {
                const int mode = next && next->type == kCircle ? 1 : 2;
                g.MoveToZLevel(level, e.feedPlunge, e.depth, &buf, firstPlunge, mode);
                if (mode == 2) {
                    std::string xy = XY(e.workEndX, e.workEndY);
                    w.Line(buf.empty() ? xy : "G0 " + xy + " " + buf);
                }
            }
            prevKind = 1;
            lastX = e.workEndX;
            lastY = e.workEndY;
        } else if (e.type == kLine || e.IsArc()) {
            if (prevKind == 0 && s.side != 0) {
                g.MoveToZLevel(1, 0, 0, nullptr, -1, 0);
                w.Line(XY(lastX, lastY));
            }
            const int force = g.MoveToZLevel(2, e.feedPlunge, e.depth, merged ? &buf : nullptr, firstPlunge, 0);
            if (!merged) buf.clear();
            g.SlowOn();
            g.EmitFeed(e.feedXY, force);
            if (e.type == kLine) {
                std::string text = "G1 " + XY(e.workEndX, e.workEndY);
                w.Line(buf.empty() ? text : text + " " + buf);
                prevKind = 2;
            } else {
                const bool distinct = std::llabs(static_cast<long long>(e.workEndX) - e.centreX) >= 1 ||
                                      std::llabs(static_cast<long long>(e.workEndY) - e.centreY) >= 1;
                if (distinct) {
                    w.Line(e.sweep < 1 ? "G2 " : "G3 ");
                    const std::string end = XY(e.workEndX, e.workEndY);
                    const std::string centre = "I" + g.Length(Rel(e.centreX, s.originX)) + " J" +
                                               g.Length(Rel(e.centreY, s.originY));
                    if (merged && !buf.empty()) w.Cont(end + " " + buf + " " + centre + " e1");
                    else w.Cont(end + " " + centre);
                } else if (!merged) {
                    w.Line("");
                    w.Comment("NULL ARC AVOIDED - CENTER WAS EQUAL TO END POINT");
                } else {
                    w.Line("G1 ");
                    w.Cont(buf);
                }
                prevKind = 3;
            }
            lastX = e.workEndX;
            lastY = e.workEndY;
        } else if (e.type == kCircle) {
            if (!WriteCircle(g, w, s, e, prevKind, firstPlunge)) break;
            prevKind = 0;
        }
    }

    const ShapeElement* last = s.elements.empty() ? nullptr : &s.elements.back();
    g.MoveToZLevel(0, last ? last->feedPlunge : 0, last ? last->depth : 0, nullptr, -1, 0);
    w.Line("M9\r\n");
    if (g.Failed()) {
        if (fault) *fault = g.Fault();
        return false;
    }
    out = std::move(w.Buffer());
    return true;
}

} // namespace

bool GenerateIso(const ShapeDescription& s, std::string_view baseName, std::string_view suffix,
                 std::string_view shapeText, std::string& out, ShapeFileFault* fault) {
    DebugTrace("CompilaUven");
    // A refused shape writes nothing: the output state goes back to what the controller last
    // received, at the safe level without slow acceleration, so the next compile plunges from
    // the top and writes its own feed.
    const OutputState before = GeneratorState();
    if (GenerateIsoText(s, baseName, suffix, shapeText, out, fault)) return true;
    GeneratorState() = before;
    return false;
}

int CompilaUven(const ShapeDescription& shape, const std::string& outPath, std::string_view suffix,
                std::string_view shapeText, std::string* written, ShapeFileFault* fault) {
    size_t slash = outPath.find_last_of("/\\");
    const std::string_view baseName =
        slash == std::string::npos ? std::string_view(outPath) : std::string_view(outPath).substr(slash + 1);
    std::string text;
    const OutputState before = GeneratorState();
    if (!GenerateIso(shape, baseName, suffix, shapeText, text, fault)) return 0;
    FILE* f = std::fopen(outPath.c_str(), "wb");
    const bool complete = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = f != nullptr && std::fclose(f) == 0;
    if (!complete || !closed) {
        GeneratorState() = before; // nothing reached the program
        return 0;
    }
    if (written) *written = std::move(text);
    return 1;
}

} // namespace shapecomp
