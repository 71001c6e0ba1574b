// Label composer: places the barcode, the text grid, the work tag and the pictures of one
// label by one of eight layouts (M_TEMPLPOS 0 to 7).
//
// R is the rotated print (ORIENTATION 0: fields turned "R", the label's height lies across
// the printer). w and h are the label's extents across and along the printer in whole mm,
// W and H the same in dots (8 dots per mm); mx and my the margins across and along.
#include "labelprint/composer.h"

#include <algorithm>

#include "labelprint/library.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

struct Font {
    const char* letter;
    const char* size; // height and width text
    int charWidth;    // dots per character
};

// Font by the text size class of a line.
Font FontFor(int sizeClass) {
    static const Font kFonts[] = {{"P", "20", 16}, {"Q", "28", 22}, {"R", "35", 28},
                                  {"S", "40", 31}, {"T", "48", 37}, {"U", "60", 46}};
    if (sizeClass >= 1 && sizeClass <= 6) return kFonts[sizeClass - 1];
    return {"V", "80", 61};
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

    if (barcode) {
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
                const Font f = FontFor(plat::TruncToInt32(static_cast<double>(line->style.size)));
                fontLetter_ = f.letter;
                fontSize_ = f.size;
                charWidth_ = f.charWidth;
                if (c == 0) {
                    const int F = ToInt(fontSize_);
                    const long long estimate = (F + 2) / 3 * (static_cast<long long>(text.size()) + 3);
                    colWidth = static_cast<int>(std::max<long long>(colWidth, std::min<long long>(estimate, 100000)));
                }
            }
            const int F = ToInt(fontSize_);
            const int step = charWidth_ >= pitch ? F : pitch;
            if (R) {
                pos -= step;
                const int x = pos + X0;
                const bool fits = (thirdBand && barcode) ? x >= bx + bh : pos >= 0;
                if (line && fits) pu.TextField(x, textStart + c * colWidth, fontLetter_, gridOrient, fontSize_, fontSize_, text);
            } else {
                const int x = textStart + c * colWidth + X0;
                const bool fits = thirdBand ? y + F <= H - bh : y + F <= H;
                if (line && fits) pu.TextField(x, y, fontLetter_, gridOrient, fontSize_, fontSize_, text);
                y += step;
            }
        }
    }

    // Work tag, in the font the grid chose last.
    if (tag) {
        const int f = ToInt(fontSize_);
        if (R) pu.TextField(W + X0 - 2 * mx - f, H - f / 2, fontLetter_, gridOrient, fontSize_, fontSize_, "#");
        else pu.TextField(X0 + W - f / 2, f / 2, fontLetter_, gridOrient, fontSize_, fontSize_, "#");
    }

    // Picture slot (layouts 0 to 3): bitmap picture or profile drawing.
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
        if (cfg.pictureKind != 0) pu.BitmapField(s.x, s.y, s.w, s.h, R, job.bitmapFile);
        else pu.ProfileDrawing(s.x, s.y, s.w, s.h, job.recordId, job.highlight, R, job.profileLibrary);
    }

    // Drawing slot (layouts 2, 3, 6, 7): the DXF drawing turned into a bitmap.
    if ((L == 2 || L == 3 || L == 6 || L == 7) && !job.dxfFile.empty()) {
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
        // The drawing is turned into its 96 x 80 picture in memory: nothing is written beside
        // the drawing, and a drawing that does not read is left out.
        const labelprint::Image picture = PrintUtils::DxfPicture(job.dxfFile);
        if (!picture.Empty()) pu.BitmapField(s.x, s.y, s.w, s.h, R, picture);
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
