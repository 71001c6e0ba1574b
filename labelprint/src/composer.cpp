// Label composer: places the barcode, the text grid, the work tag and the pictures of one
// label by one of eight layouts (M_TEMPLPOS 0 to 7).
//
// R is the rotated print (ORIENTATION 0: fields turned "R", the label's height lies across
// the printer). w and h are the label's extents across and along the printer in whole mm,
// W and H the same in dots (8 dots per mm); mx and my the margins across and along.
//
// The layout's positions hold wherever they keep the label readable: every field on the
// label, the barcode's quiet zone free, no text over another field. Where they do not, the
// barcode, a picture or a text column moves, then a picture shrinks, then a text is cut.
#include "labelprint/composer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "labelprint/field_data.h"
#include "labelprint/library.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

struct Font {
    const char* letter;
    const char* size; // height and width text
    int charWidth;    // dots per character
    int cell;         // dots a character takes on the label: the font's own cell, which the sizes
                      // asked for (less than twice the cell) never magnify
    int height;       // dots the text takes across its run
    int step;         // place in the family, 1 (smallest) to 7
};

// The printer's scalable family, smallest first: a line's text size class chooses its font,
// and a text too long for its room steps down this table, one font at a time, to "P".
constexpr Font kFonts[] = {{"P", "20", 16, 18, 20, 1}, {"Q", "28", 22, 24, 28, 2}, {"R", "35", 28, 31, 35, 3},
                           {"S", "40", 31, 35, 40, 4}, {"T", "48", 37, 42, 48, 5}, {"U", "60", 46, 53, 60, 6},
                           {"V", "80", 61, 71, 80, 7}};

// Font by the text size class of a line: classes 1 to 6, any other the largest.
Font FontFor(int sizeClass) { return sizeClass >= 1 && sizeClass <= 6 ? kFonts[sizeClass - 1] : kFonts[6]; }

const char* BarcodeCommand(int kind) {
    static const char* const kCommands[] = {"^BE", "^B3", "^BK", "^B8", "^B2", "^BC"};
    return kind >= 0 && kind <= 5 ? kCommands[kind] : "";
}

const char* NarrowBarWidth(int size) {
    static const char* const kWidths[] = {"1", "2", "3"};
    return size >= 0 && size <= 2 ? kWidths[size] : "";
}

// Whole millimetres of a layout length; a hand-edited value far out of range is held to
// +-10 m so that the dot arithmetic stays within int.
int Mm(double v) { return std::clamp(plat::TruncToInt32(v), -10000, 10000); }

// A grid of 0 or fewer rows or columns (hand-edited file) is taken as 1: the row pitch
// divides by the row count.
int AtLeastOne(int v) { return v < 1 ? 1 : v; }


struct Slot {
    int x, y, w, h;
};

// A rectangle of printer dots, [x0, x1) x [y0, y1).
struct Rect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    static Rect Of(const Slot& s) { return {s.x, s.y, s.x + s.w, s.y + s.h}; }
    Slot ToSlot() const { return {x0, y0, x1 - x0, y1 - y0}; }
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    long long Area() const { return Empty() ? 0 : static_cast<long long>(x1 - x0) * (y1 - y0); }
    bool Intersects(const Rect& o) const {
        return !Empty() && !o.Empty() && x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
    }
    bool Inside(const Rect& o) const { return x0 >= o.x0 && y0 >= o.y0 && x1 <= o.x1 && y1 <= o.y1; }
    Rect Shifted(int dx, int dy) const { return {x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
};

// Moves r inside area along both axes; a side longer than the area is cut to it.
Rect MovedInside(Rect r, const Rect& area) {
    auto fit = [](int& lo, int& hi, int alo, int ahi) {
        if (hi - lo > ahi - alo) lo = alo, hi = ahi;
        else if (lo < alo) hi += alo - lo, lo = alo;
        else if (hi > ahi) lo -= hi - ahi, hi = ahi;
    };
    fit(r.x0, r.x1, area.x0, area.x1);
    fit(r.y0, r.y1, area.y0, area.y1);
    return r;
}

// The largest part of r on one side of k (r itself when they do not meet).
Rect CutAway(const Rect& r, const Rect& k) {
    if (!r.Intersects(k)) return r;
    const Rect parts[] = {{r.x0, r.y0, std::min(r.x1, k.x0), r.y1}, {std::max(r.x0, k.x1), r.y0, r.x1, r.y1},
                          {r.x0, r.y0, r.x1, std::min(r.y1, k.y0)}, {r.x0, std::max(r.y0, k.y1), r.x1, r.y1}};
    Rect best{r.x0, r.y0, r.x0, r.y0};
    for (const Rect& p : parts)
        if (p.Area() > best.Area()) best = p;
    return best;
}

// Wide-to-narrow ratio of every barcode ("2.4"). A printer lays bars on whole dots: a wide
// bar is taken at the next whole dot (4.8 dots are 5), so no estimate comes out short.
constexpr double kWideRatio = 2.4;
int WideDots(int module) { return static_cast<int>(std::ceil(module * kWideRatio - 1e-9)); }

// Length of a barcode symbol in dots, for the data given, bars of `module` dots.
long long SymbolDots(int kind, const std::string& data, int module) {
    const long long n = static_cast<long long>(data.size());
    const long long N = module, Wd = WideDots(module);
    switch (kind) {
    case 0: return 95 * N; // EAN-13
    case 3: return 67 * N; // EAN-8
    case 1: return (n + 2) * (6 * N + 3 * Wd) + (n + 1) * N; // Code 39 with its start and stop characters
    case 2: {                                                 // Codabar, start and stop "A"
        long long d = 2 * (4 * N + 3 * Wd) + N;
        for (char c : data) d += (c && std::strchr(":/.+", c) ? 4 * N + 3 * Wd : 5 * N + 2 * Wd) + N;
        return d;
    }
    case 4: return 4 * N + (Wd + 2 * N) + (n + 1) / 2 * 2 * (3 * N + 2 * Wd); // I 2 of 5
    case 5: return (11 * (n + 2) + 13) * N; // Code 128, one symbol per character at most
    default: return 0;
    }
}

// Quiet zones before and after a symbol, in narrow bars: EAN-13 asks 11 and 7, EAN-8 7 and 7,
// the other kinds 10 on each side.
int QuietBefore(int kind) { return kind == 0 ? 11 : kind == 3 ? 7 : 10; }
int QuietAfter(int kind) { return kind == 0 || kind == 3 ? 7 : 10; }

// Height of the interpretation line under the bars, in narrow bars.
constexpr int kInterpretationModules = 10;

// The visible mark that ends a text cut to its room: the printed characters are the value's
// first ones, then this mark in the last cell.
constexpr char kCutMark = '>';

// One text of the grid: its row's place across the run of its text (x under rotated print,
// y upright) and its column; where along the run it starts is its column's start.
struct GridText {
    int cross, column;
    Font font;
    std::string text;
};

// How a text of the grid is laid down: font, characters printed and where its run starts.
struct LaidText {
    Font font{};
    std::string shown;
    int start = 0;
    bool placed = false;
    int cost = 0; // 0 whole in its own font; more for each step to a smaller font; far more when
                  // cut, and most when left out
};

} // namespace

LabelJob MDlgMainCutHelp::UnpackJob(int count, const char* const* params, const char* const* values) {
    LabelJob job;
    auto param = [params](int i) { return params && params[i] ? std::string(params[i]) : std::string(); };
    job.barcodeSwitch = param(0);
    job.barcodeText = param(1);
    job.profileLibrary = param(2);
    job.bitmapFile = param(3);
    job.dxfFile = param(4);
    job.recordId = labelprint::AtoiC(param(5));
    job.highlight = labelprint::AtoiC(param(6));
    for (int i = 0; values && i < count; ++i) job.values.emplace_back(values[i] ? values[i] : "");
    return job;
}

int MDlgMainCutHelp::LabelOffsetDots(const MConfigura& cfg) {
    const int w = cfg.orientation == 0 ? Mm(cfg.labelHeight) : Mm(cfg.labelWidth);
    if (cfg.alignment == 1) return (52 - w / 2) * 8; // centred on the 104 mm print width
    if (cfg.alignment == 2) return (104 - w) * 8;    // against the far edge
    return 0;
}

namespace {

// ---- The layout's frame ----

// The label's extents and margins in dots, its place on the print width and its layout.
struct LabelFrame {
    bool R = false;         // rotated print
    int w = 0, h = 0;       // whole mm across and along the printer
    int W = 0, H = 0;       // the same in dots
    int mx = 0, my = 0;     // margins across and along, dots
    int X0 = 0;             // the alignment's offset on the print width
    int layout = 0;         // M_TEMPLPOS
    bool thirdBand = false; // the barcode band is a third of the label (0, 2, 3, 4, 6), else a quarter
    Rect label;             // the label on the print width
};

LabelFrame FrameOf(const MConfigura& cfg) {
    LabelFrame f;
    f.R = cfg.orientation == 0;
    f.w = f.R ? Mm(cfg.labelHeight) : Mm(cfg.labelWidth);
    f.h = f.R ? Mm(cfg.labelWidth) : Mm(cfg.labelHeight);
    f.W = 8 * f.w;
    f.H = 8 * f.h;
    f.mx = 8 * Mm(f.R ? cfg.marginLeft : cfg.marginTop);
    f.my = 8 * Mm(f.R ? cfg.marginTop : cfg.marginLeft);
    f.X0 = MDlgMainCutHelp::LabelOffsetDots(cfg);
    f.layout = cfg.layout;
    const int L = cfg.layout;
    f.thirdBand = L == 0 || L == 2 || L == 3 || L == 4 || L == 6;
    f.label = Rect{f.X0, 0, f.X0 + f.W, f.H};
    return f;
}

const char* GridOrientation(const LabelFrame& f) { return f.R ? "R" : "N"; }

// ---- The barcode: whether it prints ----

// A barcode prints only as a symbol that reads back its data and lies whole on the label;
// otherwise the label goes out without it (and the layout as for no barcode), and says why.
struct BarcodePlan {
    bool prints = false;
    BarcodeLeftOut leftOut = BarcodeLeftOut::None;
    int module = 2;       // narrow bar, dots
    bool alongY = false;  // the symbol turned ("R"), its bars running along y
    long long symbol = 0; // the symbol's length, dots
    int band = 0;         // the layout's barcode band, 0 without a barcode
    int bh = 0;           // the bars' height
};

// The barcode the layout and the job ask for: none without USABC; with it always one, unless
// BCLAV hands the choice to the job's switch (empty: a barcode when there is a text to print).
bool BarcodeAsked(const LabelJob& job, const MConfigura& cfg) {
    if (!cfg.useBarcode) return false;
    if (!cfg.barcodeByJob) return true;
    if (job.barcodeSwitch.empty()) return !job.barcodeText.empty();
    return job.barcodeSwitch == "1";
}

// The layout's barcode band: a third of the label or a quarter, across the printer under R.
int FullBand(const LabelFrame& f) { return f.thirdBand ? (f.R ? f.W / 3 : f.H / 3) : (f.R ? f.H / 4 : f.W / 4); }

BarcodePlan PlanBarcode(const LabelJob& job, const MConfigura& cfg, const LabelFrame& f) {
    BarcodePlan b;
    b.prints = BarcodeAsked(job, cfg);
    b.module = cfg.barcodeSize >= 0 && cfg.barcodeSize <= 2 ? cfg.barcodeSize + 1 : 2; // else the printer's 2
    b.alongY = f.thirdBand == f.R;
    b.symbol = b.prints ? SymbolDots(cfg.barcodeKind, job.barcodeText, b.module) : 0;
    const char* command = BarcodeCommand(cfg.barcodeKind);
    if (b.prints && job.barcodeText.empty()) {
        b.prints = false; // no value, no symbol
    } else if (b.prints &&
               (*command == '\0' || !labelprint::Carries(labelprint::FieldKindOf(command), job.barcodeText))) {
        b.prints = false;
        b.leftOut = BarcodeLeftOut::Data;
    } else if (b.prints) {
        const long long across = plat::TruncToInt32(FullBand(f) * 0.6) + kInterpretationModules * b.module;
        if (b.symbol > (b.alongY ? f.H : f.W) || across > (b.alongY ? f.W : f.H)) {
            b.prints = false;
            b.leftOut = BarcodeLeftOut::Length;
        }
    }
    b.band = b.prints ? FullBand(f) : 0;
    b.bh = plat::TruncToInt32(b.band * 0.6);
    return b;
}

// ---- The layout's places: its barcode, its text grid and its pictures ----

// Where the layout puts its barcode (the symbol's start, its orientation) and where its text
// grid starts along the texts' run (y under rotated print; x upright, before the offset).
struct LayoutPlaces {
    int bx = 0, by = 0;
    const char* orient = "N";
    int textStart = 0;
};

LayoutPlaces PlacesOf(const LabelFrame& f, const BarcodePlan& bar) {
    const bool R = f.R, barcode = bar.prints;
    const int W = f.W, H = f.H, w = f.w, h = f.h, mx = f.mx, my = f.my, X0 = f.X0, bh = bar.bh;
    LayoutPlaces p;
    switch (f.layout) {
    case 0:
    case 2:
    case 6:
        if (R) p.bx = W / 6 - bh / 2 + mx + X0, p.by = H / 3 + my, p.orient = "R";
        else p.bx = W / 3 + mx + X0, p.by = 40 * h / 6 - bh / 2 - my, p.orient = "N";
        p.textStart = R ? H / 3 + my : W / 3 + mx;
        break;
    case 1:
    case 7:
    case 5:
        if (R) p.bx = 4 * mx + X0, p.by = (h & ~7) + my / 2 - 8 * (bh / 16), p.orient = "N";
        else p.bx = 4 * mx + X0, p.by = my + 32, p.orient = "R";
        if (f.layout == 5) p.textStart = R ? (barcode ? my + 2 * h : my) : (barcode ? my + 2 * w : mx);
        else p.textStart = my + (barcode ? 4 : 2) * (R ? h : w);
        break;
    case 3:
        if (R) p.bx = W / 6 - bh / 2 + mx + X0, p.by = my + 8 * (h / 2), p.orient = "R";
        else p.bx = 4 * w + mx + X0, p.by = 40 * h / 6 - bh / 2 - my, p.orient = "N";
        p.textStart = R ? my + 4 * h : 4 * w + mx;
        break;
    case 4:
        if (R) p.bx = W / 6 - bh / 2 + mx + X0, p.by = 4 * my, p.orient = "R";
        else p.bx = 4 * mx + X0, p.by = 40 * h / 6 - bh / 2 - my, p.orient = "N";
        p.textStart = R ? 2 * my : mx;
        break;
    default:
        break;
    }
    return p;
}

// The picture slot (layouts 0 to 3: bitmap picture or profile drawing) and the drawing slot
// (layouts 2, 3, 6, 7: the DXF drawing turned into its 96 x 80 picture in memory; nothing is
// written beside the drawing, and a drawing that does not read is left out).
struct PictureSlots {
    Rect picture;
    Rect drawing;
    labelprint::Image drawingImage;
};

Slot PictureSlotOf(const LabelFrame& f, int band) {
    const bool R = f.R;
    const int W = f.W, H = f.H, w = f.w, h = f.h, mx = f.mx, my = f.my, X0 = f.X0;
    const int wEven4 = 4 * (w & ~1); // the label's middle in dots, on an even millimetre
    const int hEven4 = 4 * (h & ~1);
    switch (f.layout) {
    case 0:
        return R ? Slot{wEven4 + mx + X0 - (W - mx) / 2, my, W - mx, H / 3 - my}
                 : Slot{mx + X0, hEven4 + my - (H - my) / 2, W / 3 - mx, H - my};
    case 1:
        return R ? Slot{wEven4 + mx + X0 - (W - mx) / 2, my + band, W - mx, H / 4}
                 : Slot{mx + band + X0, hEven4 + my - (H - my) / 2, W / 4 - mx, H - my};
    case 2:
        if (R) {
            const int P = 8 * (2 * w / 3) - mx;
            return Slot{W / 3 + 8 * ((2 * w / 3) / 2) - P / 2 + mx + X0, my, P, 8 * (h / 3) - my};
        } else {
            const int Q = 8 * (2 * h / 3);
            return Slot{mx + X0, hEven4 + my - Q / 2, 8 * (w / 3) - mx, Q};
        }
    default:
        return R ? Slot{wEven4 + mx + X0 - (W - mx) / 2, my + 8 * (h / 4), W - mx, H / 4}
                 : Slot{8 * (w / 4) + mx + X0, my, 8 * (w / 4) - mx, H};
    }
}

Slot DrawingSlotOf(const LabelFrame& f, int band) {
    const bool R = f.R;
    const int W = f.W, H = f.H, w = f.w, h = f.h, mx = f.mx, my = f.my, X0 = f.X0;
    const int wEven4 = 4 * (w & ~1);
    const int hEven4 = 4 * (h & ~1);
    switch (f.layout) {
    case 2:
        return R ? Slot{mx + X0, (H / 3) / 2 + my - (H / 3 - my) / 2, W / 3 - mx, H / 3 - my}
                 : Slot{(W / 3) / 2 + mx + X0 - (W / 3 - mx) / 2, 2 * H / 3 + my, W / 3 - mx, H / 3 - my};
    case 3:
        return R ? Slot{wEven4 + mx + X0 - 4 * (h / 4), my, W - mx, 8 * (h / 4)}
                 : Slot{mx + X0, hEven4 + my - (W / 4 - mx) / 2, W / 4 - mx, H};
    case 6:
        return R ? Slot{wEven4 + mx + X0 - (H / 3 - my) / 2, my, W - mx, H / 3 - my}
                 : Slot{mx + X0, hEven4 + my - (W / 3 - mx) / 2, W / 3 - mx, H - my};
    default:
        return R ? Slot{wEven4 + mx + X0 - h, my + band, W - mx, H / 4}
                 : Slot{mx + band + X0, hEven4 + my - (W / 4 - mx) / 2, W / 4 - mx, H - my};
    }
}

PictureSlots PlacePictures(const LabelJob& job, const LabelFrame& f, int band) {
    PictureSlots s;
    const int L = f.layout;
    if (L <= 3 && (!job.profileLibrary.empty() || !job.bitmapFile.empty()))
        s.picture = MovedInside(Rect::Of(PictureSlotOf(f, band)), f.label);
    if ((L == 2 || L == 3 || L == 6 || L == 7) && !job.dxfFile.empty())
        s.drawingImage = PrintUtils::DxfPicture(job.dxfFile);
    if (!s.drawingImage.Empty()) s.drawing = MovedInside(Rect::Of(DrawingSlotOf(f, band)), f.label);
    // Where the two pictures share room (upright layouts 2 and 3) the picture gives way to the
    // drawing, so that neither prints over the other.
    s.picture = CutAway(s.picture, s.drawing);
    return s;
}

// ---- The barcode: its zone on the label ----

// Positions along the barcode's symbol: y when its bars run along y, else x.
struct SymbolAxis {
    bool alongY;
    Rect Shifted(const Rect& r, int d) const { return alongY ? r.Shifted(0, d) : r.Shifted(d, 0); }
    int Lo(const Rect& r) const { return alongY ? r.y0 : r.x0; }
    int Hi(const Rect& r) const { return alongY ? r.y1 : r.x1; }
};

// The quiet zones before and after the symbol, in dots; where the label is shorter than the
// symbol with both zones, the zones share what is left, in the proportion the kind asks.
std::pair<int, int> QuietZones(int kind, const BarcodePlan& bar, const LabelFrame& f) {
    const long long room = (bar.alongY ? f.H : f.W) - bar.symbol; // not negative: the symbol fits
    long long before = static_cast<long long>(QuietBefore(kind)) * bar.module;
    long long after = static_cast<long long>(QuietAfter(kind)) * bar.module;
    if (before + after > room) {
        const long long wanted = before + after;
        before = room * before / wanted;
        after = room - before;
    }
    return {static_cast<int>(before), static_cast<int>(after)};
}

// A zone that meets a picture moves along its symbol, the shortest way that clears both.
Rect ZoneClearOfPictures(Rect zone, const PictureSlots& s, const Rect& label, SymbolAxis axis) {
    if (!zone.Intersects(s.picture) && !zone.Intersects(s.drawing)) return zone;
    std::vector<int> shifts; // past a picture's end, or before its start
    for (const Rect* p : {&s.picture, &s.drawing})
        if (!p->Empty()) shifts.insert(shifts.end(), {axis.Hi(*p) - axis.Lo(zone), axis.Lo(*p) - axis.Hi(zone)});
    std::stable_sort(shifts.begin(), shifts.end(), [](int a, int b) { return std::abs(a) < std::abs(b); });
    for (int d : shifts)
        if (const Rect moved = axis.Shifted(zone, d);
            moved.Inside(label) && !moved.Intersects(s.picture) && !moved.Intersects(s.drawing))
            return moved;
    return zone;
}

// A picture the zone still meets moves the other way, the shortest way that keeps it on the
// label and clear of the zone and the other picture; else it gives up what it shares.
void PicturesClearOfZone(PictureSlots& s, const Rect& zone, const Rect& label, SymbolAxis axis) {
    for (Rect* slot : {&s.picture, &s.drawing}) {
        if (!slot->Intersects(zone)) continue;
        const Rect& other = slot == &s.picture ? s.drawing : s.picture;
        const Rect away[] = {axis.Shifted(*slot, axis.Lo(zone) - axis.Hi(*slot)),
                             axis.Shifted(*slot, axis.Hi(zone) - axis.Lo(*slot))};
        const Rect* fit = nullptr;
        for (const Rect& moved : away)
            if (moved.Inside(label) && !moved.Intersects(zone) && !moved.Intersects(other) &&
                (!fit || std::abs(axis.Lo(moved) - axis.Lo(*slot)) < std::abs(axis.Lo(*fit) - axis.Lo(*slot))))
                fit = &moved;
        *slot = fit ? *fit : CutAway(*slot, zone);
    }
}

// The barcode as laid: its zone (bars, interpretation line and quiet zones), free of every
// other field, and where its symbol starts.
struct PlacedBarcode {
    Rect zone;
    int x = 0, y = 0;
};

// The bars with the interpretation line beside them and a quiet zone before and after the
// symbol, on the label; the zone clears the pictures, or they clear it.
PlacedBarcode PlaceBarcode(int kind, const BarcodePlan& bar, const LayoutPlaces& places, const LabelFrame& f,
                           PictureSlots& pictures) {
    const auto [qb, qa] = QuietZones(kind, bar, f);
    const int length = static_cast<int>(bar.symbol);
    const int across = bar.bh + kInterpretationModules * bar.module;
    const int bx = places.bx, by = places.by;
    Rect zone = bar.alongY ? Rect{bx, by - qb, bx + across, by + length + qa}
                           : Rect{bx - qb, by, bx + length + qa, by + across};
    const SymbolAxis axis{bar.alongY};
    zone = ZoneClearOfPictures(MovedInside(zone, f.label), pictures, f.label, axis);
    PicturesClearOfZone(pictures, zone, f.label, axis);
    return {zone, zone.x0 + (bar.alongY ? 0 : qb), zone.y0 + (bar.alongY ? qb : 0)};
}

// ---- The grid ----

// The text of label line i; lines beyond the job's texts hold nothing.
std::string LineText(const LabelJob& job, int i) {
    return i >= 0 && static_cast<size_t>(i) < job.values.size() ? job.values[static_cast<size_t>(i)] : std::string();
}

bool Shows(const std::string& t) { return t.find_first_not_of(' ') != std::string::npos; }

// What a cell of the grid shows: a header line with its header text (the header column), or a
// label line (labelLine its index) with its text; line null where the list has none.
struct Cell {
    const MRiga* line = nullptr;
    std::string text;
    int labelLine = -1;
};

Cell CellOf(const LabelJob& job, const MConfigura& cfg, int cols, int c, int r) {
    if (cfg.headerColumn && c == 0) {
        const MRiga* line = cfg.headerLines.Line(r);
        return {line, line ? line->style.text : std::string(), -1};
    }
    // Two columns without a header column take the lines two by two, row by row.
    const int i = !cfg.headerColumn && cols == 2 ? 2 * r + c : r;
    return {cfg.labelLines.Line(i), LineText(job, i), i};
}

// The grid walked row by row in each column: the texts whose rows lie on the label, the texts
// of rows off it, and the texts of label lines the grid never reaches (lines 15 to 18 on seven
// rows of two columns).
struct GridWalk {
    std::vector<GridText> texts;
    std::vector<std::string> offLabel;
    std::vector<std::string> beyondGrid;
    Font last = FontFor(4); // the font the grid chose last; until a line chooses one, the default size's
    int columnShift = 0;    // the layout's shift of each column after the first
    int columns = 0;        // columns walked
};

GridWalk WalkGrid(const LabelJob& job, const MConfigura& cfg, const LabelFrame& f, const BarcodePlan& bar,
                  const PlacedBarcode& code) {
    const int rows = AtLeastOne(cfg.gridRows);
    const int cols = AtLeastOne(cfg.gridColumns);
    const int extent = f.R ? f.W : f.H;
    const int m = f.R ? f.mx : f.my;
    const int pitch = (extent - 2 * m - (f.thirdBand ? bar.band : 0)) / rows;
    GridWalk g;
    Font& font = g.last;
    // A damaged layout may name any grid: only the rows and columns that can hold a line are
    // walked (20 line slots, two columns), so no position overflows and no label takes minutes.
    const int walkedRows = std::min(rows, MListaRighe::kSlots);
    g.columns = std::min(cols, 2);
    std::vector<bool> inGrid(static_cast<size_t>(std::max(cfg.labelLines.Count(), 0)), false);
    for (int c = 0; c < g.columns; ++c) {
        int pos = f.W - f.mx; // R: position across the printer
        int y = f.my;         // otherwise: position along it
        for (int r = 0; r < walkedRows; ++r) {
            const Cell cell = CellOf(job, cfg, cols, c, r);
            if (cell.labelLine >= 0 && static_cast<size_t>(cell.labelLine) < inGrid.size())
                inGrid[static_cast<size_t>(cell.labelLine)] = true;
            if (cell.line) {
                font = FontFor(plat::TruncToInt32(static_cast<double>(cell.line->style.size)));
                if (c == 0) {
                    const long long estimate =
                        (font.height + 2) / 3 * (static_cast<long long>(cell.text.size()) + 3);
                    g.columnShift =
                        static_cast<int>(std::max<long long>(g.columnShift, std::min<long long>(estimate, 100000)));
                }
            }
            const int F = font.height;
            // Rows closer than the font is high step by its height, so that no row prints
            // over the one before.
            const int step = font.charWidth >= pitch || F > pitch ? F : pitch;
            int cross = 0;
            bool fits = false;
            if (f.R) {
                pos -= step;
                cross = pos + f.X0;
                fits = f.thirdBand && bar.prints ? cross >= code.x + bar.bh : pos >= 0;
            } else {
                cross = y;
                fits = f.thirdBand ? y + F <= f.H - bar.bh : y + F <= f.H;
                y += step;
            }
            if (!cell.line) continue;
            if (fits) g.texts.push_back({cross, c, font, cell.text});
            else g.offLabel.push_back(cell.text);
        }
    }
    for (size_t i = 0; i < inGrid.size(); ++i)
        if (!inGrid[i] && cfg.labelLines.Line(static_cast<int>(i)))
            g.beyondGrid.push_back(LineText(job, static_cast<int>(i)));
    return g;
}

// The work tag's cell, in the font the grid chose last, moved onto the label where its cell
// would leave it.
Rect TagBox(const LabelFrame& f, const Font& font) {
    const int fh = font.height;
    const Rect box = f.R ? Rect{f.W + f.X0 - 2 * f.mx - fh, f.H - fh / 2, f.W + f.X0 - 2 * f.mx, f.H - fh / 2 + font.cell}
                         : Rect{f.X0 + f.W - fh / 2, fh / 2, f.X0 + f.W - fh / 2 + font.cell, fh / 2 + fh};
    return MovedInside(box, f.label);
}

// ---- The font fit ----

// Laying a text: its run starts at its column's start or, where a field (the barcode's zone, a
// picture, the work tag) covers that place across its row, just past the field; it runs to the
// label's end, the next field or a text of the next column across its row. The text prints
// whole in its own font when it fits, else whole in the largest smaller font of its family that
// fits, else cut in the smallest font with the cut mark in its last cell; it is left out only
// when not one cell of the smallest font is left. A character takes its font's cell.
class TextLayer {
public:
    TextLayer(const LabelFrame& f, std::vector<Rect> fields)
        : R_(f.R), fields_(std::move(fields)), runLo_(f.R ? f.label.y0 : f.label.x0),
          runHi_(f.R ? f.label.y1 : f.label.x1), crossLo_(f.R ? f.label.x0 : f.label.y0),
          crossHi_(f.R ? f.label.x1 : f.label.y1) {}

    int RunHi() const { return runHi_; }

    // The box a laid text takes on the label.
    Rect BoxOf(const GridText& t, const LaidText& l) const {
        const int run =
            static_cast<int>(std::min<long long>(static_cast<long long>(l.shown.size()) * l.font.cell, 1000000));
        return R_ ? Rect{t.cross, l.start, t.cross + l.font.height, l.start + run}
                  : Rect{l.start, t.cross, l.start + run, t.cross + l.font.height};
    }

    // The text in the largest font of its family that keeps it whole in its room, else cut in
    // the smallest; texts are those of the next column already laid.
    LaidText Lay(const GridText& t, int columnStart, const std::vector<Rect>& texts) const {
        LaidText laid;
        laid.font = t.font;
        if (!Shows(t.text)) return laid; // nothing to show
        const long long length = static_cast<long long>(t.text.size());
        for (int step = t.font.step; step >= 1; --step) {
            const Font& f = kFonts[step - 1];
            const int c0 = t.cross, c1 = t.cross + f.height;
            if (c0 < crossLo_ || c1 > crossHi_) continue; // off the label across its row
            const int start = RunStart(c0, c1, columnStart);
            const int end = RunEnd(c0, c1, start, f, texts);
            const long long cells = end > start ? (end - start) / f.cell : 0;
            // Each step down weighs more than the one before: many texts a little smaller
            // rather than a few much smaller.
            const int down = t.font.step - step;
            if (length <= cells) return LaidText{f, t.text, start, true, down * down};
            if (step == 1 && cells >= 1)
                laid = LaidText{f, t.text.substr(0, static_cast<size_t>(cells - 1)) + kCutMark, start, true,
                                static_cast<int>(std::min<long long>(1000 + length - cells, 100000))};
            else if (step == 1)
                laid = LaidText{f, std::string(), start, false,
                                static_cast<int>(std::min<long long>(200000 + length, 1000000))};
        }
        if (!laid.placed && laid.cost == 0) laid.cost = 1000000; // no font keeps it on the label
        return laid;
    }

private:
    // Whether field k lies across the row between c0 and c1.
    bool Crosses(const Rect& k, int c0, int c1) const {
        return !k.Empty() && c0 < (R_ ? k.x1 : k.y1) && (R_ ? k.x0 : k.y0) < c1;
    }

    // The run's start: the column's start, moved past every field that covers it in the row.
    int RunStart(int c0, int c1, int columnStart) const {
        int start = std::max(columnStart, runLo_);
        for (bool moved = true; moved;) {
            moved = false;
            for (const Rect& k : fields_)
                if (Crosses(k, c0, c1) && (R_ ? k.y0 : k.x0) <= start && start < (R_ ? k.y1 : k.x1))
                    start = R_ ? k.y1 : k.x1, moved = true;
        }
        return start;
    }

    // The run's end: the label's end, or the first field or next column's text after the start.
    int RunEnd(int c0, int c1, int start, const Font& f, const std::vector<Rect>& texts) const {
        int end = runHi_;
        for (const std::vector<Rect>* list : {&fields_, &texts})
            for (const Rect& k : *list)
                if (Crosses(k, c0, c1)) {
                    const int klo = R_ ? k.y0 : k.x0, khi = R_ ? k.y1 : k.x1;
                    // A text of the next column is kept one blank (a cell of this font) away,
                    // so that the two never read as one.
                    const int gap = list == &texts ? f.cell : 0;
                    if (klo <= start && start < khi) end = start; // a text of the next column
                    else if (klo > start) end = std::min(end, klo - gap);
                }
        return end;
    }

    bool R_;
    std::vector<Rect> fields_;
    int runLo_, runHi_, crossLo_, crossHi_;
};

// ---- The columns ----

// The last column is laid first, from its start; each column before it then runs up to the
// texts laid after it. The result is the grid's cost.
long long LayColumns(const TextLayer& layer, const GridWalk& g, int firstStart, int secondStart,
                     std::vector<LaidText>& laid) {
    long long cost = 0;
    std::vector<Rect> later;
    for (int c = g.columns - 1; c >= 0; --c) {
        std::vector<Rect> boxes;
        for (size_t i = 0; i < g.texts.size(); ++i) {
            if (g.texts[i].column != c) continue;
            laid[i] = layer.Lay(g.texts[i], c == 0 ? firstStart : secondStart, later);
            cost += laid[i].cost;
            if (laid[i].placed) boxes.push_back(layer.BoxOf(g.texts[i], laid[i]));
        }
        later.insert(later.end(), boxes.begin(), boxes.end());
    }
    return cost;
}

// The places the second column may start: the layout's, and the end of each text of the first
// column in each of its fonts with a blank after it; the layout's place first, then the others
// by their distance from it.
std::vector<long long> SecondColumnPlaces(const TextLayer& layer, const GridWalk& g, int firstStart,
                                          long long layoutSecond) {
    std::vector<long long> places = {layoutSecond};
    const bool twoColumns =
        std::any_of(g.texts.begin(), g.texts.end(), [](const GridText& t) { return t.column == 1; });
    if (twoColumns) {
        for (const GridText& t : g.texts) {
            if (t.column != 0) continue;
            const LaidText alone = layer.Lay(t, firstStart, {});
            for (int step = t.font.step; step >= 1; --step) {
                const long long end =
                    alone.start + (static_cast<long long>(t.text.size()) + 1) * kFonts[step - 1].cell;
                if (end > firstStart && end < layer.RunHi()) places.push_back(end);
            }
        }
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
    }
    std::stable_sort(places.begin(), places.end(), [layoutSecond](long long a, long long b) {
        return std::llabs(a - layoutSecond) < std::llabs(b - layoutSecond);
    });
    return places;
}

// Move before shrink or cut: the second column starts the layout's shift after the first or,
// where that shows more of the texts, at the end of a text of the first column in one of its
// fonts. The place that shows the texts whole in the largest fonts wins (a cut weighs more than
// any change of font), the layout's own place among equals, else the nearest place after it.
std::vector<LaidText> LayGrid(const TextLayer& layer, const GridWalk& g, int firstStart) {
    std::vector<LaidText> laid(g.texts.size());
    const long long layoutSecond = std::min<long long>(static_cast<long long>(firstStart) + g.columnShift, layer.RunHi());
    long long bestCost = -1, bestStart = layoutSecond;
    for (long long start : SecondColumnPlaces(layer, g, firstStart, layoutSecond)) {
        const long long cost = LayColumns(layer, g, firstStart, static_cast<int>(start), laid);
        if (bestCost < 0 || cost < bestCost) bestCost = cost, bestStart = start;
        if (bestCost == 0) break;
    }
    LayColumns(layer, g, firstStart, static_cast<int>(bestStart), laid);
    return laid;
}

// ---- The texts left out ----

// Texts with something to show that the label goes out without: within the grid, those of rows
// off the label and those no font keeps on it; beyond the grid, the lines it never reaches.
struct LeftOutCount {
    int inGrid = 0;
    int beyondGrid = 0;
};

LeftOutCount CountTextsLeftOut(const GridWalk& g, const std::vector<LaidText>& laid) {
    LeftOutCount n;
    n.inGrid = static_cast<int>(std::count_if(g.offLabel.begin(), g.offLabel.end(), Shows));
    for (size_t i = 0; i < g.texts.size(); ++i)
        if (!laid[i].placed && Shows(g.texts[i].text)) ++n.inGrid;
    n.beyondGrid = static_cast<int>(std::count_if(g.beyondGrid.begin(), g.beyondGrid.end(), Shows));
    return n;
}

// ---- The fields written ----

void WriteBarcode(PrintUtils& pu, const LabelJob& job, const MConfigura& cfg, const BarcodePlan& bar,
                  const LayoutPlaces& places, const PlacedBarcode& code) {
    const std::string height = plat::StrFormatC("%d", bar.bh);
    pu.BarcodeField(code.x, code.y, NarrowBarWidth(cfg.barcodeSize), height.c_str(), "2.4", places.orient,
                    BarcodeCommand(cfg.barcodeKind), job.barcodeText);
}

void WriteTexts(PrintUtils& pu, const LabelFrame& f, const GridWalk& g, const std::vector<LaidText>& laid) {
    for (size_t i = 0; i < g.texts.size(); ++i) {
        if (!laid[i].placed) continue;
        const Font& font = laid[i].font;
        const int x = f.R ? g.texts[i].cross : laid[i].start, y = f.R ? laid[i].start : g.texts[i].cross;
        pu.TextField(x, y, font.letter, GridOrientation(f), font.size, font.size, laid[i].shown);
    }
}

void WritePictures(PrintUtils& pu, const LabelJob& job, const MConfigura& cfg, const LabelFrame& f,
                   const PictureSlots& s) {
    if (!s.picture.Empty()) {
        const Slot p = s.picture.ToSlot();
        if (cfg.pictureKind != 0) pu.BitmapField(p.x, p.y, p.w, p.h, f.R, job.bitmapFile);
        else pu.ProfileDrawing(p.x, p.y, p.w, p.h, job.recordId, job.highlight, f.R, job.profileLibrary);
    }
    if (!s.drawing.Empty()) {
        const Slot d = s.drawing.ToSlot();
        pu.BitmapField(d.x, d.y, d.w, d.h, f.R, s.drawingImage);
    }
}

} // namespace

// The label in its steps: the layout's frame; the barcode's plan, the layout's places and the
// pictures; the barcode's zone; the grid; the font fit and the columns; the texts left out;
// the fields, in the order the printer gets them.
void MDlgMainCutHelp::Build(const LabelJob& job, const MConfigura& cfg) {
    auto useFont = [this](const Font& f) {
        fontLetter_ = f.letter;
        fontSize_ = f.size;
        charWidth_ = f.charWidth;
    };
    printer_.BeginLabel(true);
    textsLeftOut_ = 0;
    textsBeyondGrid_ = 0;
    useFont(FontFor(4)); // until a line chooses one, the font of the default text size

    const LabelFrame frame = FrameOf(cfg);
    if (frame.layout < 0 || frame.layout > 7) return; // no such layout: an empty label

    const BarcodePlan bar = PlanBarcode(job, cfg, frame);
    leftOut_ = bar.leftOut;
    const LayoutPlaces places = PlacesOf(frame, bar);
    PictureSlots pictures = PlacePictures(job, frame, bar.band);
    const PlacedBarcode code = bar.prints ? PlaceBarcode(cfg.barcodeKind, bar, places, frame, pictures) : PlacedBarcode{};
    if (bar.prints) WriteBarcode(printer_, job, cfg, bar, places, code);

    const GridWalk grid = WalkGrid(job, cfg, frame, bar, code);
    useFont(grid.last); // the work tag's
    const bool tag = cfg.workTag && job.barcodeSwitch == "1";
    const Rect tagBox = tag ? TagBox(frame, grid.last) : Rect{};
    const TextLayer layer(frame, {code.zone, pictures.picture, pictures.drawing, tagBox});
    const std::vector<LaidText> laid = LayGrid(layer, grid, places.textStart + (frame.R ? 0 : frame.X0));

    const LeftOutCount lost = CountTextsLeftOut(grid, laid);
    textsLeftOut_ = lost.inGrid;
    textsBeyondGrid_ = lost.beyondGrid;

    WriteTexts(printer_, frame, grid, laid);
    if (tag) printer_.TextField(tagBox.x0, tagBox.y0, fontLetter_, GridOrientation(frame), fontSize_, fontSize_, "#");
    WritePictures(printer_, job, cfg, frame, pictures);
}

std::string MDlgMainCutHelp::ComposeZpl(const LabelJob& job, const MConfigura* layout) {
    if (layout) {
        Build(job, *layout);
    } else {
        MConfigura cfg;
        labelprint::LoadLayout(cfg, labelprint::IniPath());
        Build(job, cfg);
    }
    printer_.EndLabel();
    return printer_.Zpl();
}

int MDlgMainCutHelp::Compose(const LabelJob& job) {
    {
        MConfigura cfg;
        labelprint::LoadLayout(cfg, labelprint::IniPath());
        Build(job, cfg);
    }
    printer_.EndLabelAndSend(false, false);
    // A label no printer took is lost: say so, whether the printer failed or none is attached.
    if (printer_.Error() || !printer_.Found()) {
        labelprint::ShowNoComm();
    } else if (leftOut_ != BarcodeLeftOut::None) {
        // The label went out without its barcode: the text names the data in place of "%s"
        // (the data goes in as it is, never as a format).
        std::string text = labelprint::Text(leftOut_ == BarcodeLeftOut::Data ? "ID_BC_DATA" : "ID_BC_LONG");
        if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, job.barcodeText);
        labelprint::ShowMessage(text.c_str(), labelprint::Text("ID_WARNING"), tagrix::kBoxNotice);
    }
    if (const int lost = textsLeftOut_ + textsBeyondGrid_; printer_.Found() && !printer_.Error() && lost > 0) {
        // The label went out without texts its layout holds (a layout the wizard never
        // checked): the text names the layout file in place of "%s" and the count in place
        // of "%d", each put in as it is.
        std::string text = labelprint::Text("ID_TESTI_PERSI");
        if (const size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(lost));
        if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, labelprint::IniPath());
        labelprint::ShowMessage(text.c_str(), labelprint::Text("ID_WARNING"), tagrix::kBoxTextsNotice);
    }
    return 1;
}

bool MDlgMainCutHelp::PaperOut(bool windows2000) {
    const bool out = printer_.PaperQuery(windows2000);
    if (printer_.Error() || !printer_.Found()) labelprint::ShowNoComm();
    return out;
}

void MDlgMainCutHelp::SendPrn(const std::string& text, bool windows2000) { printer_.SendRaw(text, windows2000); }
