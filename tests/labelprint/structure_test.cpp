// Structural check of composed labels: from the ZPL alone, every field lies on its label, every
// barcode keeps its quiet zone free and on the label, and no text or picture prints over
// another field.
#include <gtest/gtest.h>

#include "label_ink.h"
#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/library.h"
#include "platform/paths.h"

namespace {

using lptest::Box;
using lptest::Ink;
using lptest::InkKind;

// Label size and margins, with the barcode kind and size each is tried with.
struct Geometry {
    double height, width; // HETI, LETI (mm)
    double marginLeft, marginTop;
    int barcodeKind, barcodeSize;
};

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
        job.barcodeText = "8001234567895";
        job.profileLibrary = dir / "PROFILES.LIB";
        job.bitmapFile = dir / "PIECE.BMP";
        job.dxfFile = dir / "DRAW.DXF";
        job.recordId = 7;
        job.highlight = 2;
        job.values = {"ORD-117/2026 WINDOW FRAME LEFT", "P-0042", "S60", "C1207", "1250.00", "RAL 9010 WHITE",
                      "45 90",  "NOTE A", "NOTE B", "NOTE C", "A LONG NOTE THAT NEVER FITS ANY LABEL", "L12",
                      "L13",    "L14",    "L15",    "L16",    "L17", "L18"};
        return job;
    }
    lptest::TempDir dir;
};

// Every rule the label breaks, one line each.
std::vector<std::string> Violations(const std::vector<Ink>& inks, const Box& label) {
    std::vector<std::string> out;
    for (size_t i = 0; i < inks.size(); ++i) {
        const Ink& a = inks[i];
        if (!a.box.Inside(label)) out.push_back(a.Describe() + " leaves the label");
        if (a.kind == InkKind::Barcode) {
            if (!a.quietZone.Inside(label)) out.push_back(a.Describe() + ": quiet zone leaves the label");
            for (size_t j = 0; j < inks.size(); ++j)
                if (j != i && inks[j].box.Intersects(a.quietZone))
                    out.push_back(inks[j].Describe() + " lies in the quiet zone of " + a.Describe());
        }
        if (a.kind == InkKind::Graphic)
            for (size_t j = 0; j < inks.size(); ++j)
                if (j != i && (inks[j].kind != InkKind::Graphic || j > i) && inks[j].kind != InkKind::Text &&
                    inks[j].kind != InkKind::Barcode && a.box.Intersects(inks[j].box))
                    out.push_back(a.Describe() + " prints over " + inks[j].Describe());
        if (a.kind == InkKind::Text)
            for (size_t j = 0; j < inks.size(); ++j)
                if (j != i && (inks[j].kind != InkKind::Text || j > i) && a.box.Intersects(inks[j].box))
                    out.push_back(a.Describe() + " prints over " + inks[j].Describe());
    }
    return out;
}

TEST_F(LabelStructure, EveryLayoutKeepsItsFieldsOnTheLabelAndItsBarcodeReadable) {
    // The default label with EAN-13; EAN-8 with wide bars and margins; Code 128 on the whole
    // print width.
    const Geometry geometries[] = {{40, 70, 0, 0, 0, 1}, {50, 100, 2, 3, 3, 2}, {60, 104, 1, 1, 5, 0}};
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
                            MDlgMainCutHelp composer;
                            const std::string zpl = composer.ComposeZpl(Job(), &cfg);
                            // The label on the print width: across the printer the label's
                            // height under rotated print, its width upright.
                            const int across = 8 * int(orientation == 0 ? g.height : g.width);
                            const int along = 8 * int(orientation == 0 ? g.width : g.height);
                            const int x0 = alignment == 0 ? 0 : alignment == 1 ? 416 - across / 2 : 832 - across;
                            const Box label{x0, 0, x0 + across, along};
                            const std::vector<Ink> inks = lptest::MeasureInk(zpl);
                            const std::string name = std::to_string(int(g.width)) + "mm layout " +
                                                     std::to_string(layout) + (orientation ? " upright" : " rotated") +
                                                     (barcode ? " barcode" : " plain") + " align " +
                                                     std::to_string(alignment) + " picture " +
                                                     std::to_string(pictureKind);
                            EXPECT_EQ(std::count_if(inks.begin(), inks.end(),
                                                    [](const Ink& k) { return k.kind == InkKind::Barcode; }),
                                      barcode ? 1 : 0)
                                << name;
                            for (const std::string& v : Violations(inks, label)) ADD_FAILURE() << name << ": " << v;
                            ++labels;
                        }
    EXPECT_EQ(labels, 576);
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
