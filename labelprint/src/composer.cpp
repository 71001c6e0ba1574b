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
#include <cstring>
#include <vector>

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
};

// Font by the text size class of a line.
Font FontFor(int sizeClass) {
    static const Font kFonts[] = {{"P", "20", 16, 18}, {"Q", "28", 22, 24}, {"R", "35", 28, 31},
                                  {"S", "40", 31, 35}, {"T", "48", 37, 42}, {"U", "60", 46, 53}};
    if (sizeClass >= 1 && sizeClass <= 6) return kFonts[sizeClass - 1];
    return {"V", "80", 61, 71};
}

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

int ToInt(const char* text) { return labelprint::AtoiC(text); }

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

// Length of a barcode symbol in narrow bars, for the data given (wide bars 2.4 narrow ones).
double SymbolModules(int kind, const std::string& data) {
    const double r = 2.4;
    const double n = static_cast<double>(data.size());
    switch (kind) {
    case 0: return 95; // EAN-13
    case 3: return 67; // EAN-8
    case 1: return (n + 2) * (6 + 3 * r) + (n + 1); // Code 39 with its start and stop characters
    case 2: {                                       // Codabar, start and stop "A"
        double m = 2 * (4 + 3 * r) + 1;
        for (char c : data) m += (c && std::strchr(":/.+", c) ? 4 + 3 * r : 5 + 2 * r) + 1;
        return m;
    }
    case 4: return 4 + (r + 2) + static_cast<double>((data.size() + 1) / 2) * 2 * (3 + 2 * r); // I 2 of 5
    case 5: return 11 * (n + 2) + 13; // Code 128, one symbol per character at most
    default: return 0;
    }
}

// Quiet zone before and after a barcode, and the height of its interpretation line, in
// narrow bars.
constexpr int kQuietModules = 10;
constexpr int kInterpretationModules = 10;

// One text of the grid: its row's place across the run of its text (x under rotated print,
// y upright) and its column; where along the run it starts is its column's start.
struct GridText {
    int cross, column;
    Font font;
    std::string text;
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

void MDlgMainCutHelp::Build(const LabelJob& job, const MConfigura& cfg) {
    PrintUtils& pu = printer_;
    pu.BeginLabel(true);
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

    int X0 = 0;
    if (cfg.alignment == 1) X0 = (52 - w / 2) * 8; // centred on the 104 mm print width
    else if (cfg.alignment == 2) X0 = (104 - w) * 8; // against the far edge

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
    // symbol, a quiet zone that stays on the label and free of every other field. A zone that
    // meets a picture moves the barcode along its symbol (the shortest way that clears both
    // pictures), else the picture the other way, else the picture gives up what it shares.
    const bool barAlongY = std::strcmp(bOrient, "R") == 0;
    const int module = cfg.barcodeSize >= 0 && cfg.barcodeSize <= 2 ? cfg.barcodeSize + 1 : 2; // else the printer's 2
    const int quiet = kQuietModules * module;
    Rect zone;
    if (barcode) {
        const int symbol = static_cast<int>(std::ceil(std::min(SymbolModules(cfg.barcodeKind, job.barcodeText) * module, 1e6)));
        const int across = bh + kInterpretationModules * module;
        zone = barAlongY ? Rect{bx, by - quiet, bx + across, by + symbol + quiet}
                         : Rect{bx - quiet, by, bx + symbol + quiet, by + across};
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
        bx = zone.x0 + (barAlongY ? 0 : quiet);
        by = zone.y0 + (barAlongY ? quiet : 0);
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
    Font font = FontFor(4); // until a line chooses one, the font of the default text size
    int colWidth = 0;
    // A damaged layout may name any grid: only the rows and columns that can hold a line are
    // walked (20 line slots, two columns), so no position overflows and no label takes minutes.
    const int walkedRows = std::min(rows, MListaRighe::kSlots);
    const int walkedCols = std::min(cols, 2);
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
                line = labelLines.Line(r);
                text = lineText(r);
            } else if (cols == 2) {
                line = labelLines.Line(2 * r + c);
                text = lineText(2 * r + c);
            } else {
                line = labelLines.Line(r);
                text = lineText(r);
            }
            if (line) {
                font = FontFor(plat::TruncToInt32(static_cast<double>(line->style.size)));
                if (c == 0) {
                    const int F = ToInt(font.size);
                    const long long estimate = (F + 2) / 3 * (static_cast<long long>(text.size()) + 3);
                    colWidth = static_cast<int>(std::max<long long>(colWidth, std::min<long long>(estimate, 100000)));
                }
            }
            const int F = ToInt(font.size);
            // Rows closer than the font is high step by its height, so that no row prints
            // over the one before.
            const int step = font.charWidth >= pitch || F > pitch ? F : pitch;
            if (R) {
                pos -= step;
                const int x = pos + X0;
                const bool fits = (thirdBand && barcode) ? x >= bx + bh : pos >= 0;
                if (line && fits) texts.push_back({x, c, font, text});
            } else {
                const bool fits = thirdBand ? y + F <= H - bh : y + F <= H;
                if (line && fits) texts.push_back({y, c, font, text});
                y += step;
            }
        }
    }

    // Work tag, in the font the grid chose last, moved onto the label where its cell would
    // leave it.
    fontLetter_ = font.letter;
    fontSize_ = font.size;
    charWidth_ = font.charWidth;
    Rect tagBox;
    if (tag) {
        const int f = ToInt(font.size);
        tagBox = R ? Rect{W + X0 - 2 * mx - f, H - f / 2, W + X0 - 2 * mx, H - f / 2 + font.cell}
                   : Rect{X0 + W - f / 2, f / 2, X0 + W - f / 2 + font.cell, f / 2 + f};
        tagBox = MovedInside(tagBox, label);
    }

    // Where a text may run from runStart: up to the label's end or the first field across its
    // row (the barcode's zone, a picture, the work tag); nowhere when it starts off the label or
    // in a field. A character takes its font's cell.
    const Rect keepOut[] = {zone, pictureSlot, drawingSlot, tagBox};
    auto freeEnd = [&](const GridText& t, int runStart) {
        const int crossLo = t.cross;
        const int crossHi = crossLo + ToInt(t.font.size);
        if (runStart < (R ? label.y0 : label.x0) || crossLo < (R ? label.x0 : label.y0) ||
            crossHi > (R ? label.x1 : label.y1))
            return runStart;
        int runEnd = R ? label.y1 : label.x1;
        for (const Rect& k : keepOut) {
            if (k.Empty() || crossHi <= (R ? k.x0 : k.y0) || crossLo >= (R ? k.x1 : k.y1)) continue;
            const int klo = R ? k.y0 : k.x0, khi = R ? k.y1 : k.x1;
            if (klo <= runStart && runStart < khi) return runStart;
            if (klo > runStart) runEnd = std::min(runEnd, klo);
        }
        return runEnd;
    };
    auto runWidth = [](const GridText& t) { return static_cast<long long>(t.text.size()) * t.font.cell; };

    // Move before cut: column c + 1 starts the layout's shift C after column c or, where column
    // c's longest text that fits the label whole reaches further, toward that text's end, but
    // never so far that a text of column c + 1 shows less of itself than at the layout's place.
    std::vector<int> columnStart(texts.empty() ? 2 : static_cast<size_t>(texts.back().column) + 2);
    columnStart[0] = textStart + (R ? 0 : X0);
    for (size_t c = 0, i = 0; c + 1 < columnStart.size(); ++c) {
        long long longest = 0;
        for (; i < texts.size() && static_cast<size_t>(texts[i].column) == c; ++i)
            if (freeEnd(texts[i], columnStart[c]) - columnStart[c] >= runWidth(texts[i]))
                longest = std::max(longest, runWidth(texts[i]));
        const long long layoutStart = static_cast<long long>(columnStart[c]) + colWidth;
        long long start = std::max(layoutStart, columnStart[c] + longest);
        for (size_t j = i; j < texts.size() && static_cast<size_t>(texts[j].column) == c + 1; ++j) {
            const GridText& t = texts[j];
            long long end = freeEnd(t, static_cast<int>(std::min(layoutStart, 1000000LL)));
            if (static_cast<int>(c) + 2 < cols) end = std::min(end, layoutStart + colWidth);
            const long long room = std::max(0LL, end - layoutStart) / t.font.cell * t.font.cell;
            const long long shown = std::min(runWidth(t), room);
            if (shown > 0) start = std::min(start, std::max(layoutStart, end - shown));
        }
        columnStart[c + 1] = static_cast<int>(std::min(start, 1000000LL));
    }

    // Each text is cut where it would leave the label, reach the next column or meet a field.
    for (const GridText& t : texts) {
        const int runStart = columnStart[static_cast<size_t>(t.column)];
        int runEnd = freeEnd(t, runStart);
        if (t.column + 1 < cols) runEnd = std::min(runEnd, columnStart[static_cast<size_t>(t.column) + 1]);
        const size_t room = runEnd > runStart ? static_cast<size_t>((runEnd - runStart) / t.font.cell) : 0;
        if (room == 0 && !t.text.empty()) continue; // nothing of it fits
        const int x = R ? t.cross : runStart, y = R ? runStart : t.cross;
        pu.TextField(x, y, t.font.letter, gridOrient, t.font.size, t.font.size, t.text.substr(0, room));
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
    return printer_.Zpl() + "^XZ";
}

int MDlgMainCutHelp::Compose(const LabelJob& job) {
    {
        MConfigura cfg;
        labelprint::LoadLayout(cfg, labelprint::IniPath());
        Build(job, cfg);
    }
    printer_.EndLabelAndSend(false, false);
    // A label no printer took is lost: say so, whether the printer failed or none is attached.
    if (printer_.Error() || !printer_.Found()) labelprint::ShowNoComm();
    return 1;
}

bool MDlgMainCutHelp::PaperOut(bool windows2000) {
    const bool out = printer_.PaperQuery(windows2000);
    if (printer_.Error() || !printer_.Found()) labelprint::ShowNoComm();
    return out;
}

void MDlgMainCutHelp::SendPrn(const std::string& text, bool windows2000) { printer_.SendRaw(text, windows2000); }
