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

void MDlgMainCutHelp::Build(const LabelJob& job, const MConfigura& cfg) {
    PrintUtils& pu = printer_;
    pu.BeginLabel(true);
    textsLeftOut_ = 0;
    textsBeyondGrid_ = 0;
    // Until a line chooses one, the font of the default text size.
    fontLetter_ = "S";
    fontSize_ = "40";
    charWidth_ = 31;

    const bool R = cfg.orientation == 0;
    const int w = R ? Mm(cfg.labelHeight) : Mm(cfg.labelWidth);
    const int h = R ? Mm(cfg.labelWidth) : Mm(cfg.labelHeight);
    const int W = 8 * w;
    const int H = 8 * h;
    const int mx = 8 * Mm(R ? cfg.marginLeft : cfg.marginTop);
    const int my = 8 * Mm(R ? cfg.marginTop : cfg.marginLeft);

    const int X0 = LabelOffsetDots(cfg);

    const int L = cfg.layout;
    if (L < 0 || L > 7) return; // no such layout: an empty label

    // Barcode and work tag decisions.
    bool barcode = false;
    if (cfg.useBarcode) {
        if (!cfg.barcodeByJob) barcode = true;
        else if (job.barcodeSwitch.empty()) barcode = !job.barcodeText.empty();
        else barcode = job.barcodeSwitch == "1";
    }
    const bool tag = cfg.workTag && job.barcodeSwitch == "1";

    // Layout families: the barcode band is a third of the label (0, 2, 3, 4, 6) or a quarter
    // (1, 5, 7), across the printer under R.
    const bool thirdBand = L == 0 || L == 2 || L == 3 || L == 4 || L == 6;

    // A barcode prints only as a symbol that reads back its data and lies whole on the label;
    // otherwise the label goes out without it (and the layout as for no barcode), and says why.
    const int module = cfg.barcodeSize >= 0 && cfg.barcodeSize <= 2 ? cfg.barcodeSize + 1 : 2; // else the printer's 2
    const bool barAlongY = thirdBand == R; // the symbol turned ("R"), its bars running along y
    const long long symbol = barcode ? SymbolDots(cfg.barcodeKind, job.barcodeText, module) : 0;
    leftOut_ = BarcodeLeftOut::None;
    if (barcode && job.barcodeText.empty()) {
        barcode = false; // no value, no symbol
    } else if (barcode && (*BarcodeCommand(cfg.barcodeKind) == '\0' ||
                           !labelprint::Carries(labelprint::FieldKindOf(BarcodeCommand(cfg.barcodeKind)), job.barcodeText))) {
        barcode = false;
        leftOut_ = BarcodeLeftOut::Data;
    } else if (barcode) {
        const int fullBand = thirdBand ? (R ? W / 3 : H / 3) : (R ? H / 4 : W / 4);
        const long long across = plat::TruncToInt32(fullBand * 0.6) + kInterpretationModules * module;
        if (symbol > (barAlongY ? H : W) || across > (barAlongY ? W : H)) {
            barcode = false;
            leftOut_ = BarcodeLeftOut::Length;
        }
    }
    const int band = !barcode ? 0 : thirdBand ? (R ? W / 3 : H / 3) : (R ? H / 4 : W / 4);
    const int bh = plat::TruncToInt32(band * 0.6);
    const int wEven4 = 4 * (w & ~1); // the label's middle in dots, on an even millimetre
    const int hEven4 = 4 * (h & ~1);

    int bx = 0, by = 0;
    const char* bOrient = "N";
    int textStart = 0;
    switch (L) {
    case 0:
    case 2:
    case 6:
        if (R) bx = W / 6 - bh / 2 + mx + X0, by = H / 3 + my, bOrient = "R";
        else bx = W / 3 + mx + X0, by = 40 * h / 6 - bh / 2 - my, bOrient = "N";
        textStart = R ? H / 3 + my : W / 3 + mx;
        break;
    case 1:
    case 7:
    case 5:
        if (R) bx = 4 * mx + X0, by = (h & ~7) + my / 2 - 8 * (bh / 16), bOrient = "N";
        else bx = 4 * mx + X0, by = my + 32, bOrient = "R";
        if (L == 5) textStart = R ? (barcode ? my + 2 * h : my) : (barcode ? my + 2 * w : mx);
        else textStart = my + (barcode ? 4 : 2) * (R ? h : w);
        break;
    case 3:
        if (R) bx = W / 6 - bh / 2 + mx + X0, by = my + 8 * (h / 2), bOrient = "R";
        else bx = 4 * w + mx + X0, by = 40 * h / 6 - bh / 2 - my, bOrient = "N";
        textStart = R ? my + 4 * h : 4 * w + mx;
        break;
    case 4:
        if (R) bx = W / 6 - bh / 2 + mx + X0, by = 4 * my, bOrient = "R";
        else bx = 4 * mx + X0, by = 40 * h / 6 - bh / 2 - my, bOrient = "N";
        textStart = R ? 2 * my : mx;
        break;
    default:
        break;
    }

    const Rect label{X0, 0, X0 + W, H};

    // Picture slot (layouts 0 to 3): bitmap picture or profile drawing.
    Rect pictureSlot;
    if (L <= 3 && (!job.profileLibrary.empty() || !job.bitmapFile.empty())) {
        Slot s{};
        switch (L) {
        case 0:
            s = R ? Slot{wEven4 + mx + X0 - (W - mx) / 2, my, W - mx, H / 3 - my}
                  : Slot{mx + X0, hEven4 + my - (H - my) / 2, W / 3 - mx, H - my};
            break;
        case 1:
            s = R ? Slot{wEven4 + mx + X0 - (W - mx) / 2, my + band, W - mx, H / 4}
                  : Slot{mx + band + X0, hEven4 + my - (H - my) / 2, W / 4 - mx, H - my};
            break;
        case 2:
            if (R) {
                const int P = 8 * (2 * w / 3) - mx;
                s = Slot{W / 3 + 8 * ((2 * w / 3) / 2) - P / 2 + mx + X0, my, P, 8 * (h / 3) - my};
            } else {
                const int Q = 8 * (2 * h / 3);
                s = Slot{mx + X0, hEven4 + my - Q / 2, 8 * (w / 3) - mx, Q};
            }
            break;
        default:
            s = R ? Slot{wEven4 + mx + X0 - (W - mx) / 2, my + 8 * (h / 4), W - mx, H / 4}
                  : Slot{8 * (w / 4) + mx + X0, my, 8 * (w / 4) - mx, H};
            break;
        }
        pictureSlot = MovedInside(Rect::Of(s), label);
    }

    // Drawing slot (layouts 2, 3, 6, 7): the DXF drawing turned into its 96 x 80 picture in
    // memory (nothing is written beside the drawing; a drawing that does not read is left out).
    Rect drawingSlot;
    labelprint::Image drawing;
    if ((L == 2 || L == 3 || L == 6 || L == 7) && !job.dxfFile.empty()) drawing = PrintUtils::DxfPicture(job.dxfFile);
    if (!drawing.Empty()) {
        Slot s{};
        switch (L) {
        case 2:
            s = R ? Slot{mx + X0, (H / 3) / 2 + my - (H / 3 - my) / 2, W / 3 - mx, H / 3 - my}
                  : Slot{(W / 3) / 2 + mx + X0 - (W / 3 - mx) / 2, 2 * H / 3 + my, W / 3 - mx, H / 3 - my};
            break;
        case 3:
            s = R ? Slot{wEven4 + mx + X0 - 4 * (h / 4), my, W - mx, 8 * (h / 4)}
                  : Slot{mx + X0, hEven4 + my - (W / 4 - mx) / 2, W / 4 - mx, H};
            break;
        case 6:
            s = R ? Slot{wEven4 + mx + X0 - (H / 3 - my) / 2, my, W - mx, H / 3 - my}
                  : Slot{mx + X0, hEven4 + my - (W / 3 - mx) / 2, W / 3 - mx, H - my};
            break;
        default:
            s = R ? Slot{wEven4 + mx + X0 - h, my + band, W - mx, H / 4}
                  : Slot{mx + band + X0, hEven4 + my - (W / 4 - mx) / 2, W / 4 - mx, H - my};
            break;
        }
        drawingSlot = MovedInside(Rect::Of(s), label);
    }

    // Where the two pictures share room (upright layouts 2 and 3) the picture gives way to the
    // drawing, so that neither prints over the other.
    pictureSlot = CutAway(pictureSlot, drawingSlot);

    // The barcode: its bars with the interpretation line beside them and, before and after the
    // symbol, a quiet zone that stays on the label and free of every other field; where the
    // label is shorter than the symbol with both zones, the zones share what is left, in the
    // proportion the kind asks. A zone that meets a picture moves the barcode along its symbol
    // (the shortest way that clears both pictures), else the picture the other way, else the
    // picture gives up what it shares.
    Rect zone;
    if (barcode) {
        const long long room = (barAlongY ? H : W) - symbol; // not negative: the symbol fits
        long long before = static_cast<long long>(QuietBefore(cfg.barcodeKind)) * module;
        long long after = static_cast<long long>(QuietAfter(cfg.barcodeKind)) * module;
        if (before + after > room) {
            const long long wanted = before + after;
            before = room * before / wanted;
            after = room - before;
        }
        const int length = static_cast<int>(symbol), qb = static_cast<int>(before), qa = static_cast<int>(after);
        const int across = bh + kInterpretationModules * module;
        zone = barAlongY ? Rect{bx, by - qb, bx + across, by + length + qa}
                         : Rect{bx - qb, by, bx + length + qa, by + across};
        zone = MovedInside(zone, label);
        auto along = [barAlongY](const Rect& r, int d) { return barAlongY ? r.Shifted(0, d) : r.Shifted(d, 0); };
        auto lo = [barAlongY](const Rect& r) { return barAlongY ? r.y0 : r.x0; };
        auto hi = [barAlongY](const Rect& r) { return barAlongY ? r.y1 : r.x1; };
        if (zone.Intersects(pictureSlot) || zone.Intersects(drawingSlot)) {
            std::vector<int> shifts; // past a picture's end, or before its start
            for (const Rect* s : {&pictureSlot, &drawingSlot})
                if (!s->Empty()) shifts.insert(shifts.end(), {hi(*s) - lo(zone), lo(*s) - hi(zone)});
            std::stable_sort(shifts.begin(), shifts.end(), [](int a, int b) { return std::abs(a) < std::abs(b); });
            for (int d : shifts)
                if (const Rect moved = along(zone, d);
                    moved.Inside(label) && !moved.Intersects(pictureSlot) && !moved.Intersects(drawingSlot)) {
                    zone = moved;
                    break;
                }
        }
        for (Rect* slot : {&pictureSlot, &drawingSlot}) {
            if (!slot->Intersects(zone)) continue;
            const Rect& other = slot == &pictureSlot ? drawingSlot : pictureSlot;
            const Rect away[] = {along(*slot, lo(zone) - hi(*slot)), along(*slot, hi(zone) - lo(*slot))};
            const Rect* fit = nullptr;
            for (const Rect& moved : away)
                if (moved.Inside(label) && !moved.Intersects(zone) && !moved.Intersects(other) &&
                    (!fit || std::abs(lo(moved) - lo(*slot)) < std::abs(lo(*fit) - lo(*slot))))
                    fit = &moved;
            *slot = fit ? *fit : CutAway(*slot, zone);
        }
        bx = zone.x0 + (barAlongY ? 0 : qb);
        by = zone.y0 + (barAlongY ? qb : 0);
        const std::string height = plat::StrFormatC("%d", bh);
        pu.BarcodeField(bx, by, NarrowBarWidth(cfg.barcodeSize), height.c_str(), "2.4", bOrient,
                        BarcodeCommand(cfg.barcodeKind), job.barcodeText);
    }

    // Text grid.
    const MListaRighe& labelLines = cfg.labelLines;
    const MListaRighe& headerLines = cfg.headerLines;
    const int rows = AtLeastOne(cfg.gridRows);
    const int cols = AtLeastOne(cfg.gridColumns);
    const char* gridOrient = R ? "R" : "N";
    const int extent = R ? W : H;
    const int m = R ? mx : my;
    const int pitch = (extent - 2 * m - (thirdBand ? band : 0)) / rows;
    auto lineText = [&job](int i) {
        return i >= 0 && static_cast<size_t>(i) < job.values.size() ? job.values[static_cast<size_t>(i)] : std::string();
    };
    std::vector<GridText> texts;
    auto shows = [](const std::string& t) { return t.find_first_not_of(' ') != std::string::npos; };
    Font font = FontFor(4); // until a line chooses one, the font of the default text size
    int colWidth = 0;
    // A damaged layout may name any grid: only the rows and columns that can hold a line are
    // walked (20 line slots, two columns), so no position overflows and no label takes minutes.
    const int walkedRows = std::min(rows, MListaRighe::kSlots);
    const int walkedCols = std::min(cols, 2);
    // The label lines the grid shows; a line it never reaches (lines 15 to 18 on seven rows of
    // two columns) is left out as much as one that finds no room.
    std::vector<bool> inGrid(static_cast<size_t>(std::max(labelLines.Count(), 0)), false);
    auto walk = [&inGrid, &labelLines](int i) {
        if (i >= 0 && static_cast<size_t>(i) < inGrid.size()) inGrid[static_cast<size_t>(i)] = true;
        return labelLines.Line(i);
    };
    for (int c = 0; c < walkedCols; ++c) {
        int pos = W - mx; // R: position across the printer
        int y = my;       // otherwise: position along it
        for (int r = 0; r < walkedRows; ++r) {
            const MRiga* line = nullptr;
            std::string text;
            if (cfg.headerColumn && c == 0) {
                line = headerLines.Line(r);
                if (line) text = line->style.text;
            } else if (cfg.headerColumn) {
                line = walk(r);
                text = lineText(r);
            } else if (cols == 2) {
                line = walk(2 * r + c);
                text = lineText(2 * r + c);
            } else {
                line = walk(r);
                text = lineText(r);
            }
            if (line) {
                font = FontFor(plat::TruncToInt32(static_cast<double>(line->style.size)));
                if (c == 0) {
                    const int F = font.height;
                    const long long estimate = (F + 2) / 3 * (static_cast<long long>(text.size()) + 3);
                    colWidth = static_cast<int>(std::max<long long>(colWidth, std::min<long long>(estimate, 100000)));
                }
            }
            const int F = font.height;
            // Rows closer than the font is high step by its height, so that no row prints
            // over the one before.
            const int step = font.charWidth >= pitch || F > pitch ? F : pitch;
            if (R) {
                pos -= step;
                const int x = pos + X0;
                const bool fits = (thirdBand && barcode) ? x >= bx + bh : pos >= 0;
                if (line && fits) texts.push_back({x, c, font, text});
                else if (line && shows(text)) ++textsLeftOut_;
            } else {
                const bool fits = thirdBand ? y + F <= H - bh : y + F <= H;
                if (line && fits) texts.push_back({y, c, font, text});
                else if (line && shows(text)) ++textsLeftOut_;
                y += step;
            }
        }
    }

    textsBeyondGrid_ = 0;
    for (size_t i = 0; i < inGrid.size(); ++i)
        if (!inGrid[i] && labelLines.Line(static_cast<int>(i)) && shows(lineText(static_cast<int>(i)))) ++textsBeyondGrid_;

    // Work tag, in the font the grid chose last, moved onto the label where its cell would
    // leave it.
    fontLetter_ = font.letter;
    fontSize_ = font.size;
    charWidth_ = font.charWidth;
    Rect tagBox;
    if (tag) {
        const int f = font.height;
        tagBox = R ? Rect{W + X0 - 2 * mx - f, H - f / 2, W + X0 - 2 * mx, H - f / 2 + font.cell}
                   : Rect{X0 + W - f / 2, f / 2, X0 + W - f / 2 + font.cell, f / 2 + f};
        tagBox = MovedInside(tagBox, label);
    }

    // Laying a text: its run starts at its column's start or, where a field (the barcode's
    // zone, a picture, the work tag) covers that place across its row, just past the field; it
    // runs to the label's end, the next field or a text of the next column across its row. The
    // text prints whole in its own font when it fits, else whole in the largest smaller font of
    // its family that fits, else cut in the smallest font with the cut mark in its last cell; it
    // is left out only when not one cell of the smallest font is left. A character takes its
    // font's cell.
    const std::vector<Rect> fields = {zone, pictureSlot, drawingSlot, tagBox};
    const int runLo = R ? label.y0 : label.x0, runHi = R ? label.y1 : label.x1;
    const int crossLo = R ? label.x0 : label.y0, crossHi = R ? label.x1 : label.y1;
    auto boxOf = [R](const GridText& t, const LaidText& l) {
        const int run = static_cast<int>(std::min<long long>(static_cast<long long>(l.shown.size()) * l.font.cell, 1000000));
        return R ? Rect{t.cross, l.start, t.cross + l.font.height, l.start + run}
                 : Rect{l.start, t.cross, l.start + run, t.cross + l.font.height};
    };
    auto lay = [&](const GridText& t, int columnStart, const std::vector<Rect>& texts) {
        LaidText laid;
        laid.font = t.font;
        if (t.text.find_first_not_of(' ') == std::string::npos) return laid; // nothing to show
        const long long length = static_cast<long long>(t.text.size());
        for (int step = t.font.step; step >= 1; --step) {
            const Font& f = kFonts[step - 1];
            const int c0 = t.cross, c1 = t.cross + f.height;
            if (c0 < crossLo || c1 > crossHi) continue; // off the label across its row
            auto crosses = [&](const Rect& k) {
                return !k.Empty() && c0 < (R ? k.x1 : k.y1) && (R ? k.x0 : k.y0) < c1;
            };
            int start = std::max(columnStart, runLo);
            for (bool moved = true; moved;) {
                moved = false;
                for (const Rect& k : fields)
                    if (crosses(k) && (R ? k.y0 : k.x0) <= start && start < (R ? k.y1 : k.x1))
                        start = R ? k.y1 : k.x1, moved = true;
            }
            int end = runHi;
            for (const std::vector<Rect>* list : {&fields, &texts})
                for (const Rect& k : *list)
                    if (crosses(k)) {
                        const int klo = R ? k.y0 : k.x0, khi = R ? k.y1 : k.x1;
                        // A text of the next column is kept one blank (a cell of this font)
                        // away, so that the two never read as one.
                        const int gap = list == &texts ? f.cell : 0;
                        if (klo <= start && start < khi) end = start; // a text of the next column
                        else if (klo > start) end = std::min(end, klo - gap);
                    }
            const long long cells = end > start ? (end - start) / f.cell : 0;
            // Each step down weighs more than the one before: many texts a little smaller
            // rather than a few much smaller.
            const int down = t.font.step - step;
            if (length <= cells) return LaidText{f, t.text, start, true, down * down};
            if (step == 1 && cells >= 1)
                laid = LaidText{f, t.text.substr(0, static_cast<size_t>(cells - 1)) + kCutMark, start, true,
                                static_cast<int>(std::min<long long>(1000 + length - cells, 100000))};
            else if (step == 1)
                laid = LaidText{f, std::string(), start, false, static_cast<int>(std::min<long long>(200000 + length, 1000000))};
        }
        if (!laid.placed && laid.cost == 0) laid.cost = 1000000; // no font keeps it on the label
        return laid;
    };

    // The last column is laid first, from its start; each column before it then runs up to the
    // texts laid after it.
    std::vector<LaidText> laid(texts.size());
    const int firstStart = textStart + (R ? 0 : X0);
    auto layAll = [&](int secondStart) {
        long long cost = 0;
        std::vector<Rect> later;
        for (int c = walkedCols - 1; c >= 0; --c) {
            std::vector<Rect> boxes;
            for (size_t i = 0; i < texts.size(); ++i) {
                if (texts[i].column != c) continue;
                laid[i] = lay(texts[i], c == 0 ? firstStart : secondStart, later);
                cost += laid[i].cost;
                if (laid[i].placed) boxes.push_back(boxOf(texts[i], laid[i]));
            }
            later.insert(later.end(), boxes.begin(), boxes.end());
        }
        return cost;
    };

    // Move before shrink or cut: the second column starts the layout's shift C after the
    // first or, where that shows more of the texts, at the end of a text of the first column in
    // one of its fonts. The place that shows the texts whole in the largest fonts wins (a cut
    // weighs more than any change of font), the layout's own place among equals, else the
    // nearest place after it.
    const long long layoutSecond = std::min<long long>(static_cast<long long>(firstStart) + colWidth, runHi);
    std::vector<long long> candidates = {layoutSecond};
    const bool twoColumns = std::any_of(texts.begin(), texts.end(), [](const GridText& t) { return t.column == 1; });
    if (twoColumns) {
        for (const GridText& t : texts) {
            if (t.column != 0) continue;
            const LaidText alone = lay(t, firstStart, {});
            for (int step = t.font.step; step >= 1; --step) {
                // The text's end in that font and one blank after it.
                const long long end = alone.start + (static_cast<long long>(t.text.size()) + 1) * kFonts[step - 1].cell;
                if (end > firstStart && end < runHi) candidates.push_back(end);
            }
        }
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    }
    // The layout's place first, then the others by their distance from it.
    std::stable_sort(candidates.begin(), candidates.end(), [layoutSecond](long long a, long long b) {
        return std::llabs(a - layoutSecond) < std::llabs(b - layoutSecond);
    });
    long long bestCost = -1, bestStart = layoutSecond;
    for (long long start : candidates) {
        const long long cost = layAll(static_cast<int>(start));
        if (bestCost < 0 || cost < bestCost) bestCost = cost, bestStart = start;
        if (bestCost == 0) break;
    }
    layAll(static_cast<int>(bestStart));
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!laid[i].placed) {
            if (shows(texts[i].text)) ++textsLeftOut_;
            continue;
        }
        const Font& f = laid[i].font;
        const int x = R ? texts[i].cross : laid[i].start, y = R ? laid[i].start : texts[i].cross;
        pu.TextField(x, y, f.letter, gridOrient, f.size, f.size, laid[i].shown);
    }
    if (tag) pu.TextField(tagBox.x0, tagBox.y0, fontLetter_, gridOrient, fontSize_, fontSize_, "#");

    if (!pictureSlot.Empty()) {
        const Slot s = pictureSlot.ToSlot();
        if (cfg.pictureKind != 0) pu.BitmapField(s.x, s.y, s.w, s.h, R, job.bitmapFile);
        else pu.ProfileDrawing(s.x, s.y, s.w, s.h, job.recordId, job.highlight, R, job.profileLibrary);
    }
    if (!drawingSlot.Empty()) {
        const Slot s = drawingSlot.ToSlot();
        pu.BitmapField(s.x, s.y, s.w, s.h, R, drawing);
    }
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
