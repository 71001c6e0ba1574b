// Label composer: whole-label goldens of the eight layouts and the decisions of the layout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/library.h"
#include "labelprint/usb_printer.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "zpl_check.h"

namespace {

class Recorder : public tagrix::MessageSink {
public:
    void Show(const char* text, const char* caption, int icon) override {
        shown.push_back(std::string(caption) + "|" + text + "|" + std::to_string(icon));
    }
    std::vector<std::string> shown;
};

class Composer : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetProgramDirectory(dir.Path());
        labelprint::SetUsbRoots(dir / "sys", dir / "dev");
        labelprint::SetMessageSink(&recorder);
        lptest::WriteProfileSeven(dir);
    }
    void TearDown() override {
        labelprint::SetMessageSink(nullptr);
        labelprint::SetUsbRoots("", "");
    }
    void Set(const char* key, const std::string& value) {
        plat::WriteProfileString("SYSTEM", key, value.c_str(), (dir / "TAGRIX.INI").c_str());
    }
    LabelJob Job(bool withBarcode) {
        LabelJob job;
        job.barcodeSwitch = withBarcode ? "1" : "0";
        job.barcodeText = "8001234567895";
        job.profileLibrary = dir / "PROFILES.LIB";
        job.dxfFile = dir / "DRAW.DXF";
        job.recordId = 7;
        job.highlight = 2;
        job.values = {"ORD-117", "P-0042", "S60",  "C1207", "1250.00", "RAL 9010", "45 90", "NOTE A",
                      "NOTE B",  "NOTE C", "NOTE D", "L12", "L13",     "L14",      "L15",   "L16",
                      "L17"};
        return job;
    }
    std::string Compose(const LabelJob& job) {
        MDlgMainCutHelp composer;
        return composer.ComposeZpl(job);
    }
    lptest::TempDir dir;
    Recorder recorder;
};

std::string GoldenPath(const std::string& name) {
    return std::string(BRELON_SOURCE_DIR) + "/tests/fixtures/labelprint/" + name + ".zpl";
}

TEST_F(Composer, GoldenLabelsOfTheEightLayouts) {
    const bool update = std::getenv("BRELON_UPDATE_GOLDENS") != nullptr;
    for (int layout = 0; layout < 8; ++layout) {
        for (bool barcode : {true, false}) {
            Set("M_TEMPLPOS", std::to_string(layout));
            Set("USABC", barcode ? "1" : "0");
            const std::string zpl = Compose(Job(barcode));
            const std::string name = "layout" + std::to_string(layout) + (barcode ? "_barcode" : "_plain");
            const std::vector<std::string> problems = lptest::CheckZpl(zpl);
            EXPECT_TRUE(problems.empty()) << name << ": " << (problems.empty() ? "" : problems[0]);
            EXPECT_EQ(zpl.find("^BY") != std::string::npos, barcode) << name;
            EXPECT_EQ(zpl.find("^FD#^FS") != std::string::npos, barcode) << name << ": the work tag follows the switch";
            if (update) lptest::WriteFile(GoldenPath(name), zpl);
            EXPECT_EQ(zpl, lptest::ReadFile(GoldenPath(name))) << name;
        }
    }
}

TEST_F(Composer, UprightLabelsAreWellFormed) {
    Set("ORIENTATION", "1");
    for (int layout = 0; layout < 8; ++layout) {
        Set("M_TEMPLPOS", std::to_string(layout));
        const std::string zpl = Compose(Job(true));
        const std::vector<std::string> problems = lptest::CheckZpl(zpl);
        EXPECT_TRUE(problems.empty()) << layout << ": " << (problems.empty() ? "" : problems[0]) << "\n" << zpl;
        // Layout 4 leaves column 1 room to move past the seven 35-dot cells of "ORD-117".
        if (layout == 4) {
            EXPECT_NE(zpl.find("^ASN,40,40^FDORD-117^FS"), std::string::npos) << layout << "\n" << zpl;
        }
    }
}

TEST_F(Composer, BarcodeDecision) {
    struct Case {
        const char* usabc;
        const char* bclav;
        const char* sw;
        const char* text;
        bool barcode;
    } cases[] = {
        {"0", "0", "1", "123", false}, {"1", "0", "0", "", true},   {"1", "1", "", "", false},
        {"1", "1", "", "123", true},   {"1", "1", "0", "123", false}, {"1", "1", "1", "", true},
        {"1", "1", "2", "123", false},
    };
    for (const Case& c : cases) {
        Set("USABC", c.usabc);
        Set("BCLAV", c.bclav);
        LabelJob job = Job(true);
        job.barcodeSwitch = c.sw;
        job.barcodeText = c.text;
        EXPECT_EQ(Compose(job).find("^BY") != std::string::npos, c.barcode)
            << c.usabc << c.bclav << " '" << c.sw << "' '" << c.text << "'";
    }
}

TEST_F(Composer, AlignmentMovesTheLabelOnThePrintWidth) {
    Set("M_TEMPLPOS", "4");
    // 40 mm across (rotated print): the work tag sits at W + X0 - 2mx - f = 320 + X0 - 40, its
    // 35-dot cell at the end of the 560-dot label.
    const std::map<std::string, std::string> expected = {
        {"0", "^FO280,525,^ASR,40,40^FD#^FS"}, {"1", "^FO536,525,^ASR,40,40^FD#^FS"}, {"2", "^FO792,525,^ASR,40,40^FD#^FS"}};
    for (const auto& [alignment, tag] : expected) {
        Set("ALIGNMENT", alignment);
        EXPECT_NE(Compose(Job(true)).find(tag), std::string::npos) << alignment;
    }
}

TEST_F(Composer, ColumnsMoveBeforeTheirNeighboursTextIsCut) {
    // Layout 4 without a barcode on the 40 x 70 mm label: the grid starts at the label's edge
    // and runs 560 dots; row 0 holds label lines 0 (column 0) and 1 (column 1), 35 dots a
    // character. Rotated, row 0 lies at x 531 and the run goes along y; upright at y 0, the
    // run along x from 136.
    struct Case {
        const char* what;
        int orientation;
        const char* column0;
        const char* column1;
        const char* field0;
        const char* field1;
    } cases[] = {
        {"the layout's shift (4 x 14 dots) already clears one cell", 0, "A", "P-0042",
         "^FO531,0,^ASR,40,40^FDA^FS", "^FO531,56,^ASR,40,40^FDP-0042^FS"},
        {"column 1 moves past the text instead of 140 dots along", 0, "ORD-117", "P-0042",
         "^FO531,0,^ASR,40,40^FDORD-117^FS", "^FO531,245,^ASR,40,40^FDP-0042^FS"},
        {"upright alike", 1, "ORD-117", "P-0042", "^FO136,0,^ASN,40,40^FDORD-117^FS",
         "^FO381,0,^ASN,40,40^FDP-0042^FS"},
        {"a column whose text already reaches the label's end stays: both cut where the layout puts them",
         0, "ORD-117", "RAL 9010 WHITE", "^FO531,0,^ASR,40,40^FDORD-^FS", "^FO531,140,^ASR,40,40^FDRAL 9010 WHI^FS"},
        {"a column moves only as far as its own text keeps its room", 0, "ORD-117", "RAL 9010",
         "^FO531,0,^ASR,40,40^FDORD-117^FS", "^FO531,245,^ASR,40,40^FDRAL 9010^FS"},
        {"a text longer than the label moves nothing and is cut at the layout's column", 0,
         "ABCDEFGHIJKLMNOPQRST", "P-0042", "^FO531,0,^ASR,40,40^FDABCDEFGHI^FS",
         "^FO531,322,^ASR,40,40^FDP-0042^FS"},
    };
    Set("M_TEMPLPOS", "4");
    Set("USABC", "0");
    for (const Case& c : cases) {
        Set("ORIENTATION", std::to_string(c.orientation));
        LabelJob job = Job(false);
        job.values = {c.column0, c.column1};
        const std::string zpl = Compose(job);
        EXPECT_NE(zpl.find(c.field0), std::string::npos) << c.what << "\n" << zpl;
        EXPECT_NE(zpl.find(c.field1), std::string::npos) << c.what << "\n" << zpl;
    }
}

TEST_F(Composer, SizeClassesOutsideTheTableUseTheLargestFont) {
    const std::string ini = dir / "TAGRIX.INI";
    Set("M_TEMPLPOS", "5");
    Set("NRCOLSTR", "1");
    Set("ORIENTATION", "1");
    Set("HETI", "200");
    Set("LETI", "104"); // room for seven 71-dot cells after the barcode
    plat::WriteProfileString("LABEL-LinId-0-Riga-Intest-Testo", "Size", "0.0", ini.c_str());
    plat::WriteProfileString("LABEL-LinId-1-Riga-Intest-Testo", "Size", "9.0", ini.c_str());
    plat::WriteProfileString("LABEL-LinId-2-Riga-Intest-Testo", "Size", "1.0", ini.c_str());
    const std::string zpl = Compose(Job(false));
    EXPECT_NE(zpl.find("^AVN,80,80^FDORD-117^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find("^AVN,80,80^FDP-0042^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find("^APN,20,20^FDS60^FS"), std::string::npos) << zpl;
}

TEST_F(Composer, LayoutOutsideTheEightIsAnEmptyLabel) {
    for (const char* layout : {"8", "-1", "99"}) {
        Set("M_TEMPLPOS", layout);
        EXPECT_EQ(Compose(Job(true)), "^XA^PW832^XZ") << layout;
    }
}

TEST_F(Composer, LongBarcodeFormForCode39AndCodabar) {
    Set("M_TEMPLPOS", "4");
    Set("BCTYPE", "1");
    EXPECT_NE(Compose(Job(true)).find("^B3R,N,"), std::string::npos);
    Set("BCTYPE", "2");
    const std::string zpl = Compose(Job(true));
    EXPECT_NE(zpl.find("^BKR,N,"), std::string::npos);
    EXPECT_NE(zpl.find(",Y,N,A,A^FD8001234567895^FS"), std::string::npos);
}

TEST_F(Composer, RowPitchWithoutBarcodeUsesTheWholeExtentLessMargins) {
    // Upright, layout 4, 80 mm along the printer (H = 640), margin 2 mm (16 dots), 4 rows of
    // size 1 (F = 20): pitch (640 - 32) / 4 = 152, rows at y = 16, 168, 320, 472.
    Set("M_TEMPLPOS", "4");
    Set("ORIENTATION", "1");
    Set("USABC", "0");
    Set("HETI", "80");
    Set("MARGSXET", "2");
    Set("NRRIGHESTR", "4");
    Set("NRCOLSTR", "1");
    const std::string ini = dir / "TAGRIX.INI";
    for (int i = 0; i < 4; ++i)
        plat::WriteProfileString(("LABEL-LinId-" + std::to_string(i) + "-Riga-Intest-Testo").c_str(), "Size", "1.0",
                                 ini.c_str());
    const std::string zpl = Compose(Job(false));
    for (const char* pos : {",16,^APN", ",168,^APN", ",320,^APN", ",472,^APN"})
        EXPECT_NE(zpl.find(pos), std::string::npos) << pos << "\n" << zpl;
}

TEST_F(Composer, HandEditedLayoutValuesNeverBreakTheLabel) {
    const char* rows[] = {"0", "-3", "1", "40"};
    const char* cols[] = {"0", "-1", "1", "2", "3"};
    for (const char* r : rows)
        for (const char* c : cols)
            for (const char* layout : {"0", "1", "5", "7"}) {
                Set("NRRIGHESTR", r);
                Set("NRCOLSTR", c);
                Set("M_TEMPLPOS", layout);
                Set("INTEST", c[0] == '2' ? "1" : "0");
                const std::string zpl = Compose(Job(true));
                EXPECT_EQ(zpl.rfind("^XA^PW832", 0), 0u);
                EXPECT_EQ(zpl.substr(zpl.size() - 3), "^XZ");
            }
    Set("HETI", "1e300");
    Set("MARGSXET", "-1e300");
    EXPECT_EQ(Compose(Job(true)).substr(0, 3), "^XA");
}

TEST_F(Composer, HeaderColumnShowsTheHeaderTexts) {
    Set("M_TEMPLPOS", "4");
    Set("INTEST", "1");
    Set("NRRIGHESTR", "3");
    plat::WriteProfileString("INTEST-LinId-1-Riga", "Intestazione", "Piece:", (dir / "TAGRIX.INI").c_str());
    const std::string zpl = Compose(Job(false));
    // Column 1 starts past the six 35-dot cells of "Piece:", not 126 dots along.
    EXPECT_NE(zpl.find(",0,^ASR,40,40^FDPiece:^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find(",210,^ASR,40,40^FDORD-117^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find("^FDP-0042^FS"), std::string::npos) << zpl; // column 1: label lines in order
    EXPECT_NE(zpl.find("^FDS60^FS"), std::string::npos) << zpl;
    EXPECT_EQ(zpl.find("^FDC1207^FS"), std::string::npos) << zpl;  // 3 rows only
}

TEST_F(Composer, ValuesWithCommandCharactersAreEscaped) {
    Set("M_TEMPLPOS", "4");
    Set("NRCOLSTR", "1");
    LabelJob job = Job(true);
    job.values[0] = "A^XZ~B";
    job.barcodeText = "12^34";
    const std::string zpl = Compose(job);
    EXPECT_NE(zpl.find("^FH^FDA_5EXZ_7EB^FS"), std::string::npos);
    EXPECT_NE(zpl.find("^FH^FD12_5E34^FS"), std::string::npos);
    EXPECT_TRUE(lptest::CheckZpl(zpl).empty());
}

TEST_F(Composer, ComposeSendsAndReportsAMissingPrinter) {
    MDlgMainCutHelp composer;
    composer.Printer().Timeouts().busyWaitMs = 100;
    EXPECT_EQ(composer.Compose(Job(true)), 1);
    ASSERT_EQ(recorder.shown.size(), 1u) << "a label no printer took is not lost unseen";
    EXPECT_EQ(recorder.shown[0], "ID_ERROR|ID_NO_COMM|0");

    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    lptest::FakePrinter printer(dir.Path(), "lp0");
    MDlgMainCutHelp second;
    second.Compose(Job(true));
    EXPECT_EQ(recorder.shown.size(), 1u);
    const std::string expected = Compose(Job(true));
    EXPECT_EQ(printer.Received(expected.size()), expected);
    EXPECT_FALSE(lptest::FileExists(dir / "DRAW.DXF.bmp")) << "the converted drawing is removed";
}

} // namespace
