// Structural check of composed labels: from the ZPL alone, every field lies on its label, every
// barcode keeps its quiet zone free and on the label and reads the job's barcode value, every
// text prints a field's value (whole, or cut with the cut mark), and no text or picture prints
// over another field.
#include <gtest/gtest.h>

#include <algorithm>

#include "label_ink.h"
#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/library.h"
#include "platform/paths.h"

namespace {

using lptest::Box;
using lptest::Ink;
using lptest::InkKind;

// Label size and margins, with the barcode kind, size and data each is tried with.
struct Geometry {
    double height, width; // HETI, LETI (mm)
    double marginLeft, marginTop;
    int barcodeKind, barcodeSize;
    const char* barcodeText;
};

// The mark that ends a text cut to its room.
constexpr char kCutMark = '>';

// What a barcode reads, decoded from its ^B command and field data as the symbology prints it;
// false when the printer could not print the data as it is.
bool Reads(char symbology, const std::string& data, std::string& reading) {
    const bool digits = !data.empty() && data.find_first_not_of("0123456789") == std::string::npos;
    auto ean = [&](size_t n) { // n digits (left-padded or cut), then the check digit
        if (!digits) return false;
        std::string d = data.size() < n ? std::string(n - data.size(), '0') + data : data.substr(0, n);
        int sum = 0;
        for (size_t i = 0; i < n; ++i) sum += (d[n - 1 - i] - '0') * (i % 2 == 0 ? 3 : 1);
        reading = d + char('0' + (10 - sum % 10) % 10);
        return true;
    };
    reading = data;
    switch (symbology) {
    case 'E': return ean(12);
    case '8': return ean(7);
    case '3': return !data.empty() && data.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -.$/+%") == std::string::npos;
    case 'K': return !data.empty() && data.find_first_not_of("0123456789-$:/.+") == std::string::npos;
    case '2': return digits && data.size() % 2 == 0;
    case 'C':
        return !data.empty() &&
               std::all_of(data.begin(), data.end(), [](char c) { return c >= 32 && c <= 126 && c != '>'; });
    default: return false;
    }
}

// Whether a barcode reading is the value: the same characters, or an EAN value without its
// check digit followed by the right one.
bool ReadsValue(char symbology, const std::string& reading, const std::string& value) {
    if (reading == value) return true;
    const size_t n = symbology == 'E' ? 12 : symbology == '8' ? 7 : 0;
    return n && value.size() == n && reading.compare(0, n, value) == 0;
}

class LabelStructure : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetProgramDirectory(dir.Path());
        lptest::WriteProfileSeven(dir);
        // A picture black to its edges, so its ink fills the whole slot.
        lptest::WriteFile(dir / "PIECE.BMP",
                          lptest::Bmp24(std::vector<std::vector<bool>>(12, std::vector<bool>(16, true))));
    }
    LabelJob Job() {
        LabelJob job;
        job.barcodeSwitch = "1";
        job.barcodeText = "8001234567897";
        job.profileLibrary = dir / "PROFILES.LIB";
        job.bitmapFile = dir / "PIECE.BMP";
        job.dxfFile = dir / "DRAW.DXF";
        job.recordId = 7;
        job.highlight = 2;
        // The demo's piece names ("MONT SX" and "MONT DX" differ only past their fourth
        // character) and values no cut could turn into another one.
        job.values = {"ORD-117/2026 WINDOW FRAME LEFT", "P-0042", "S60", "C1207", "1250.00", "RAL 9010 WHITE",
                      "45 90",  "MONT SX", "MONT DX", "TRAV SUP", "A LONG NOTE THAT NEVER FITS ANY LABEL", "T6001",
                      "L13",    "L14",    "L15",    "L16",    "L17", "L18"};
        return job;
    }
    lptest::TempDir dir;
};

// Every rule the label breaks, one line each. values: the texts the label may show (its line
// values, header texts, the work tag); barcode: the value the barcode must read.
std::vector<std::string> Violations(const std::vector<Ink>& inks, const Box& label,
                                    const std::vector<std::string>& values, const std::string& barcode) {
    std::vector<std::string> out;
    for (size_t i = 0; i < inks.size(); ++i) {
        const Ink& a = inks[i];
        if (!a.box.Inside(label)) out.push_back(a.Describe() + " leaves the label");
        if (a.kind == InkKind::Barcode) {
            // The zones may be short only where the label is shorter than the bars with both;
            // then each side keeps its share of what is left.
            const bool alongX = a.quietZone.x1 - a.quietZone.x0 > a.box.x1 - a.box.x0;
            const int l0 = alongX ? label.x0 : label.y0, l1 = alongX ? label.x1 : label.y1;
            const int b0 = alongX ? a.box.x0 : a.box.y0, b1 = alongX ? a.box.x1 : a.box.y1;
            const int qb = b0 - (alongX ? a.quietZone.x0 : a.quietZone.y0);
            const int qa = (alongX ? a.quietZone.x1 : a.quietZone.y1) - b1;
            const int left = (l1 - l0) - (b1 - b0);
            if (qb + qa <= left) {
                if (!a.quietZone.Inside(label)) out.push_back(a.Describe() + ": quiet zone leaves the label");
            } else if (b0 - l0 < left * qb / (qb + qa) - 1 || l1 - b1 < left * qa / (qb + qa) - 1) {
                out.push_back(a.Describe() + ": short quiet zones not shared (" + std::to_string(b0 - l0) + " before, " +
                              std::to_string(l1 - b1) + " after)");
            }
            for (size_t j = 0; j < inks.size(); ++j)
                if (j != i && inks[j].box.Intersects(a.quietZone))
                    out.push_back(inks[j].Describe() + " lies in the quiet zone of " + a.Describe());
            std::string reading;
            if (!Reads(a.symbology, a.text, reading)) out.push_back(a.Describe() + " cannot print its data as it is");
            else if (!ReadsValue(a.symbology, reading, barcode))
                out.push_back(a.Describe() + " reads '" + reading + "', not '" + barcode + "'");
        }
        if (a.kind == InkKind::Graphic)
            for (size_t j = 0; j < inks.size(); ++j)
                if (j != i && (inks[j].kind != InkKind::Graphic || j > i) && inks[j].kind != InkKind::Text &&
                    inks[j].kind != InkKind::Barcode && a.box.Intersects(inks[j].box))
                    out.push_back(a.Describe() + " prints over " + inks[j].Describe());
        if (a.kind == InkKind::Text) {
            for (size_t j = 0; j < inks.size(); ++j)
                if (j != i && (inks[j].kind != InkKind::Text || j > i) && a.box.Intersects(inks[j].box))
                    out.push_back(a.Describe() + " prints over " + inks[j].Describe());
            // Whole, or the value's first characters and the cut mark.
            const std::string& t = a.text;
            const bool whole = std::find(values.begin(), values.end(), t) != values.end();
            const bool cut = !t.empty() && t.back() == kCutMark &&
                             std::any_of(values.begin(), values.end(), [&](const std::string& v) {
                                 return v.size() >= t.size() && v.compare(0, t.size() - 1, t, 0, t.size() - 1) == 0;
                             });
            if (!whole && !cut) out.push_back(a.Describe() + " is no field's value, whole or marked as cut");
        }
    }
    return out;
}

TEST_F(LabelStructure, EveryLayoutKeepsItsFieldsOnTheLabelAndItsBarcodeReadable) {
    // The default label with EAN-13 (and a piece name it cannot encode), and with the demo's
    // piece names in Code 39 (one symbol longer than the label is across) and Code 128;
    // EAN-8 with wide bars and margins; Code 128 on the whole print width.
    const Geometry geometries[] = {{40, 70, 0, 0, 0, 1, "8001234567897"}, {40, 70, 0, 0, 0, 1, "TRAV SUP"},
                                   {40, 70, 0, 0, 1, 1, "TRAV SUP"},      {40, 70, 0, 0, 1, 1, "ORD-117 MONT SX"},
                                   {40, 70, 0, 0, 5, 1, "MONT SX"},
                                   {50, 100, 2, 3, 3, 2, "12345670"},     {60, 104, 1, 1, 5, 0, "P-0042"}};
    int labels = 0;
    for (const Geometry& g : geometries)
        for (int layout = 0; layout < 8; ++layout)
            for (int orientation : {0, 1})
                for (bool barcode : {true, false})
                    for (int alignment : {0, 1, 2})
                        for (int pictureKind : {0, 1}) {
                            MConfigura cfg;
                            cfg.Load(dir / "NONE.INI");
                            cfg.labelHeight = g.height;
                            cfg.labelWidth = g.width;
                            cfg.marginLeft = g.marginLeft;
                            cfg.marginTop = g.marginTop;
                            cfg.barcodeKind = g.barcodeKind;
                            cfg.barcodeSize = g.barcodeSize;
                            cfg.layout = layout;
                            cfg.orientation = orientation;
                            cfg.useBarcode = barcode;
                            cfg.alignment = alignment;
                            cfg.pictureKind = pictureKind;
                            LabelJob job = Job();
                            job.barcodeText = g.barcodeText;
                            MDlgMainCutHelp composer;
                            const std::string zpl = composer.ComposeZpl(job, &cfg);
                            // The label on the print width: across the printer the label's
                            // height under rotated print, its width upright.
                            const int across = 8 * int(orientation == 0 ? g.height : g.width);
                            const int along = 8 * int(orientation == 0 ? g.width : g.height);
                            const int x0 = alignment == 0 ? 0 : alignment == 1 ? 416 - across / 2 : 832 - across;
                            const Box label{x0, 0, x0 + across, along};
                            const std::vector<Ink> inks = lptest::MeasureInk(zpl);
                            const std::string name = std::to_string(int(g.width)) + "mm kind " +
                                                     std::to_string(g.barcodeKind) + " layout " +
                                                     std::to_string(layout) + (orientation ? " upright" : " rotated") +
                                                     (barcode ? " barcode" : " plain") + " align " +
                                                     std::to_string(alignment) + " picture " +
                                                     std::to_string(pictureKind);
                            const auto printed = std::count_if(inks.begin(), inks.end(),
                                                               [](const Ink& k) { return k.kind == InkKind::Barcode; });
                            // A barcode left off is one whose bars are longer than the label
                            // where the layout lays them (along the printer in layouts 0, 2, 3,
                            // 4, 6 under rotated print and in 1, 5, 7 upright; across it
                            // otherwise), and the composer says so.
                            std::string reading;
                            const bool readable = Reads("E3K82C"[g.barcodeKind], g.barcodeText, reading) &&
                                                  ReadsValue("E3K82C"[g.barcodeKind], reading, g.barcodeText);
                            if (barcode && !readable) {
                                EXPECT_EQ(printed, 0) << name;
                                EXPECT_EQ(composer.LeftOut(), BarcodeLeftOut::Data) << name;
                            } else if (barcode && printed == 0) {
                                EXPECT_EQ(composer.LeftOut(), BarcodeLeftOut::Length) << name;
                                const bool third = layout != 1 && layout != 5 && layout != 7;
                                const std::string alone = std::string("^XA^FO0,0^BY") +
                                                          std::to_string(g.barcodeSize + 1) + ",2.4^B" +
                                                          "E3K82C"[g.barcodeKind] + "N,10^FD" + g.barcodeText +
                                                          "^FS^XZ";
                                EXPECT_GT(lptest::MeasureInk(alone).at(0).symbolLength,
                                          third == (orientation == 0) ? along : across)
                                    << name;
                            } else {
                                EXPECT_EQ(printed, barcode ? 1 : 0) << name;
                            }
                            std::vector<std::string> values = job.values;
                            values.push_back("#");
                            for (const std::string& v : Violations(inks, label, values, job.barcodeText))
                                ADD_FAILURE() << name << ": " << v;
                            EXPECT_TRUE(std::any_of(inks.begin(), inks.end(),
                                                    [](const Ink& k) { return k.kind == InkKind::Text && k.text != "#"; }))
                                << name << ": no text at all";
                            ++labels;
                        }
    EXPECT_EQ(labels, 1344);
}

TEST_F(LabelStructure, ProfileDrawingKeepsEverySide) {
    // The highlighted triangle has slanted sides next to a straight one, in both turns.
    for (bool rotate : {true, false}) {
        PrintUtils pu;
        pu.BeginLabel(true);
        ASSERT_EQ(pu.ProfileDrawing(100, 50, 180, 150, 7, 2, rotate, dir / "PROFILES.LIB"), 1);
        for (const std::string& lost : lptest::LostSides(pu.Zpl(), 832, 300)) ADD_FAILURE() << rotate << ": " << lost;
    }
}

} // namespace
