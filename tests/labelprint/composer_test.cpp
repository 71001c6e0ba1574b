// Label composer: whole-label goldens of the eight layouts and the decisions of the layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/library.h"
#include "labelprint/usb_printer.h"
#include "msgtable/Dictavo.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "zpl_check.h"
#include "zpl_read.h"

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
        job.barcodeText = "8001234567897";
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
        {"0", "0", "1", "123", false}, {"1", "0", "0", "123", true},  {"1", "1", "", "", false},
        {"1", "1", "", "123", true},   {"1", "1", "0", "123", false}, {"1", "1", "1", "123", true},
        {"1", "1", "2", "123", false},
        // A barcode the layout asks for but without a value to read prints no symbol.
        {"1", "0", "0", "", false},    {"1", "1", "1", "", false},
    };
    Set("BCTYPE", "5"); // Code 128: the data fits the kind
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
        {"the layout's shift (4 x 14 dots) leaves less than a blank: column 1 moves to one past the text", 0,
         "A", "P-0042", "^FO531,0,^ASR,40,40^FDA^FS", "^FO531,70,^ASR,40,40^FDP-0042^FS"},
        {"column 1 moves past the text and a blank instead of 140 dots along", 0, "ORD-117", "P-0042",
         "^FO531,0,^ASR,40,40^FDORD-117^FS", "^FO531,280,^ASR,40,40^FDP-0042^FS"},
        {"upright alike", 1, "ORD-117", "P-0042", "^FO136,0,^ASN,40,40^FDORD-117^FS",
         "^FO416,0,^ASN,40,40^FDP-0042^FS"},
        {"texts that do not fit side by side with a blank take smaller fonts (24 dots a cell), both whole",
         0, "ORD-117", "RAL 9010 WHITE", "^FO531,0,^AQR,28,28^FDORD-117^FS", "^FO531,192,^AQR,28,28^FDRAL 9010 WHITE^FS"},
        {"a column moves only as far as its own text keeps its room", 0, "ORD-117", "RAL 9010",
         "^FO531,0,^ASR,40,40^FDORD-117^FS", "^FO531,280,^ASR,40,40^FDRAL 9010^FS"},
        {"a text longer than the label in its font takes the smallest (18 dots), the next column moves past it",
         0, "ABCDEFGHIJKLMNOPQRST", "P-0042", "^FO531,0,^APR,20,20^FDABCDEFGHIJKLMNOPQRST^FS",
         "^FO531,378,^AQR,28,28^FDP-0042^FS"},
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
    EXPECT_NE(zpl.find(",Y,N,A,A^FD8001234567897^FS"), std::string::npos);
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
    // Column 1 starts past the six 35-dot cells of "Piece:" and a blank, not 126 dots along.
    EXPECT_NE(zpl.find(",0,^ASR,40,40^FDPiece:^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find(",245,^ASR,40,40^FDORD-117^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find("^FDP-0042^FS"), std::string::npos) << zpl; // column 1: label lines in order
    EXPECT_NE(zpl.find("^FDS60^FS"), std::string::npos) << zpl;
    EXPECT_EQ(zpl.find("^FDC1207^FS"), std::string::npos) << zpl;  // 3 rows only
}

TEST_F(Composer, ValuesWithCommandCharactersAreEscaped) {
    Set("M_TEMPLPOS", "4");
    Set("NRCOLSTR", "1");
    Set("BCTYPE", "5");
    LabelJob job = Job(true);
    job.values[0] = "A^XZ~B";
    job.barcodeText = "12^34";
    const std::string zpl = Compose(job);
    EXPECT_NE(zpl.find("^FH^FDA_5EXZ_7EB^FS"), std::string::npos);
    EXPECT_NE(zpl.find("^FD12><34^FS"), std::string::npos) << "Code 128 writes '^' as its invocation code";
    EXPECT_TRUE(lptest::CheckZpl(zpl).empty());
}

// The printed characters of every text field, in order.
std::vector<std::string> Texts(const std::string& zpl) {
    std::vector<std::string> out;
    for (size_t at = zpl.find("^FD"); at != std::string::npos; at = zpl.find("^FD", at + 3)) {
        if (zpl.rfind("^A", at) < zpl.rfind("^FO", at)) continue; // not a text field
        out.push_back(zpl.substr(at + 3, zpl.find("^FS", at) - at - 3));
    }
    return out;
}

TEST_F(Composer, TextsTakeSmallerFontsBeforeTheyAreCutAndACutIsMarked) {
    // Layout 4 without a barcode on the 40 x 70 mm label, one column: each row runs 560 dots
    // along the label. Cells of the family: S 35, R 31, Q 24, P 18 dots.
    struct Case {
        const char* value;
        const char* field;
    } cases[] = {
        {"MONT SX", "^ASR,40,40^FDMONT SX^FS"},                        // 245 dots: whole
        {"ABCDEFGHIJKLMNOP", "^ASR,40,40^FDABCDEFGHIJKLMNOP^FS"},      // 16 cells: 560, whole
        {"ABCDEFGHIJKLMNOPQ", "^ARR,35,35^FDABCDEFGHIJKLMNOPQ^FS"},    // 595 > 560; 527 in R
        {"ABCDEFGHIJKLMNOPQRSTUVW", "^AQR,28,28^FDABCDEFGHIJKLMNOPQRSTUVW^FS"}, // 713, 552 in Q
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "^APR,20,20^FDABCDEFGHIJKLMNOPQRSTUVWXYZ^FS"}, // 624 in Q, 468 in P
        // 40 cells of P are 720: 31 cells hold 30 characters and the mark.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD", "^APR,20,20^FDABCDEFGHIJKLMNOPQRSTUVWXYZ0123>^FS"},
    };
    Set("M_TEMPLPOS", "4");
    Set("USABC", "0");
    Set("NRCOLSTR", "1");
    for (const Case& c : cases) {
        LabelJob job = Job(false);
        job.values = {c.value};
        const std::string zpl = Compose(job);
        EXPECT_NE(zpl.find(c.field), std::string::npos) << c.value << "\n" << zpl;
    }
}

TEST_F(Composer, DemoPieceNamesPrintWholeOnTheDefaultLabel) {
    // The default layout (2, two columns, EAN-13) with the demo's pieces: names that differ
    // only past their fourth character, and values of the label job's lines.
    for (const char* orientation : {"0", "1"}) {
        Set("ORIENTATION", orientation);
        for (const char* name : {"MONT SX", "MONT DX", "TRAV SUP", "TRAV INF"}) {
            LabelJob job = Job(true);
            job.barcodeText = "800123456789";
            job.values = {" ", "FINESTRE", name, "ALU60", "T6001", "1400.00", "RAL9010", "45 45", "ORD1024 F1", "P-0042"};
            const std::string zpl = Compose(job);
            const std::vector<std::string> texts = Texts(zpl);
            for (const std::string& v : job.values) {
                if (v == " ") continue;
                // Rotated, "ORD1024 F1" and a blank do not fit before column 1 in the smallest
                // font: it is cut, with the mark, rather than run into the next column.
                const std::string shown = v == "ORD1024 F1" && std::string(orientation) == "0" ? "ORD1024 >" : v;
                EXPECT_NE(std::find(texts.begin(), texts.end(), shown), texts.end())
                    << orientation << " " << v << "\n" << zpl;
            }
        }
    }
}

TEST_F(Composer, AFirstColumnTextRunsOnWhereTheNextCellIsEmpty) {
    // Two columns, layout 4, no barcode: row 0's second cell has no text, so the first
    // column's text takes the row (560 dots, 16 cells of 35) instead of stopping at column 1.
    Set("M_TEMPLPOS", "4");
    Set("USABC", "0");
    LabelJob job = Job(false);
    job.values = {"ORD-117/2026 LEFT", "", "S60", "C1207"};
    const std::string zpl = Compose(job);
    EXPECT_NE(zpl.find("^FO531,0,^ARR,35,35^FDORD-117/2026 LEFT^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find("^FDS60^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find("^FDC1207^FS"), std::string::npos) << zpl;
}

TEST_F(Composer, AColumnStartingInTheBarcodeMovesPastIt) {
    // Layout 5 upright on a 50 x 100 mm label with margins (3 mm across, 2 mm along) and
    // EAN-8 bars of 3 dots: the barcode lies across x 96 to 246, the text grid starts at
    // x 216. Seven rows of 52 dots fit the 400-dot label, so every one of the 14 values prints.
    Set("M_TEMPLPOS", "5");
    Set("ORIENTATION", "1");
    Set("HETI", "50");
    Set("LETI", "100");
    Set("MARGSXET", "2");
    Set("MARGUPET", "3");
    Set("BCTYPE", "3");
    Set("BCHEIGHT", "2");
    LabelJob job = Job(true);
    job.barcodeText = "12345670";
    const std::string zpl = Compose(job);
    EXPECT_NE(zpl.find("^B8R"), std::string::npos) << zpl;
    const std::vector<std::string> texts = Texts(zpl);
    for (size_t i = 0; i < 14; ++i) {
        const std::string& v = job.values[i];
        const bool shown = std::any_of(texts.begin(), texts.end(), [&v](const std::string& t) {
            return t == v || (!t.empty() && t.back() == '>' && v.compare(0, t.size() - 1, t, 0, t.size() - 1) == 0);
        });
        EXPECT_TRUE(shown) << v << "\n" << zpl;
    }
}

TEST_F(Composer, BarcodeDataTheKindCannotEncodeIsLeftOffNeverPrintedAsAnotherValue) {
    struct Case {
        const char* kind;
        const char* data;
        bool printed;
    } cases[] = {
        {"0", "TRAV SUP", false},      {"0", "800123456789", true},  {"0", "8001234567897", true},
        {"0", "8001234567895", false}, {"0", "4711", false},         {"0", "80012345678901", false},
        {"3", "1234567", true},        {"3", "12345670", true},      {"3", "12345678", false},
        {"3", "MONT SX", false},       {"1", "MONT SX", true},       {"1", "mont sx", false},
        {"1", "A*B", false},           {"2", "123-45", true},        {"2", "A1", false},
        {"4", "1234", true},           {"4", "123", false},          {"4", "12A4", false},
        {"5", "Mont sx/2", true},      {"5", "A>B", true},          {"5", "caf\xe9", false},
        {"9", "1234", false},
    };
    Set("M_TEMPLPOS", "4");
    for (const Case& c : cases) {
        Set("BCTYPE", c.kind);
        LabelJob job = Job(true);
        job.barcodeText = c.data;
        MDlgMainCutHelp composer;
        const std::string zpl = composer.ComposeZpl(job);
        EXPECT_EQ(zpl.find("^BY") != std::string::npos, c.printed) << c.kind << " " << c.data;
        EXPECT_EQ(composer.LeftOut(), c.printed ? BarcodeLeftOut::None : BarcodeLeftOut::Data) << c.kind << " " << c.data;
        if (c.printed) {
            const lptest::PrinterView v = lptest::ReadZpl(zpl);
            EXPECT_NE(std::find(v.texts.begin(), v.texts.end(), c.data), v.texts.end()) << "a scanner reads the data\n" << zpl;
        }
    }
}

TEST_F(Composer, ASymbolLongerThanTheLabelIsLeftOffAndAShortOneKeepsItsZonesShared) {
    // Code 39 with bars of 2 dots (wide ones 5): (n + 2) x 27 + (n + 1) x 2 dots. Layout 1
    // under rotated print lays the symbol across the 40 mm (320-dot) label, centred on the
    // print width from x 256.
    Set("M_TEMPLPOS", "1");
    Set("BCTYPE", "1");
    struct Case {
        const char* data;
        const char* field; // null: no barcode
    } cases[] = {
        {"MONT SX", "^FO276,"},    // 259 dots: both 20-dot zones fit
        {"TRAV SUP", "^FO272,"},   // 288 dots: 32 left, 16 on each side
        {"ORD-117 MONT SX", nullptr}, // 491 dots
    };
    for (const Case& c : cases) {
        LabelJob job = Job(true);
        job.barcodeText = c.data;
        MDlgMainCutHelp composer;
        const std::string zpl = composer.ComposeZpl(job);
        if (c.field) {
            EXPECT_NE(zpl.find(std::string(c.field) + "24^BY2,2.4^B3N"), std::string::npos) << c.data << "\n" << zpl;
            EXPECT_EQ(composer.LeftOut(), BarcodeLeftOut::None);
        } else {
            EXPECT_EQ(zpl.find("^BY"), std::string::npos) << zpl;
            EXPECT_EQ(composer.LeftOut(), BarcodeLeftOut::Length);
        }
    }
}

TEST_F(Composer, ALabelWithoutItsBarcodeGoesOutAndSaysSoNamingTheData) {
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    lptest::FakePrinter printer(dir.Path(), "lp0");
    lptest::MakeDirs(dir / "MSG");
    lptest::WriteFile(dir / "MSG/TAGRIX.msg", "ID_WARNING Note\r\nID_BC_DATA no barcode for %s\r\nID_BC_LONG %s is too long\r\n");
    labelprint::SetMessageTable(nullptr);
    auto* table = new Dictavo((dir / "MSG/TAGRIX.msg").c_str());
    table->LoadStrings();
    labelprint::SetMessageTable(table);
    LabelJob job = Job(true);
    job.values.resize(14); // the lines of the default grid: no texts notice
    job.barcodeText = "TRAV %s SUP";
    MDlgMainCutHelp composer;
    composer.Compose(job);
    Set("BCTYPE", "1");
    job.barcodeText = "ORD-117 MONT SX";
    Set("M_TEMPLPOS", "1");
    MDlgMainCutHelp second;
    second.Compose(job);
    labelprint::SetMessageTable(nullptr);
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[0], "Note|no barcode for TRAV %s SUP|2");
    EXPECT_EQ(recorder.shown[1], "Note|ORD-117 MONT SX is too long|2");
    EXPECT_NE(printer.Received(100).find("^FDP-0042^FS"), std::string::npos) << "the label itself goes out";
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
    // The printer took it: no second ID_NO_COMM; the job's texts beyond the room of the
    // default label (seven rows of two columns) are told as a notice.
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[1], "ID_WARNING|ID_TESTI_PERSI|3");
    const std::string expected = Compose(Job(true));
    EXPECT_EQ(printer.Received(expected.size()), expected);
    EXPECT_FALSE(lptest::FileExists(dir / "DRAW.DXF.bmp")) << "the converted drawing is removed";
}

} // namespace

namespace {

TEST_F(Composer, LinesTheGridNeverReachesAreCountedInTheNotice) {
    // Layout 4 without a barcode on the 40 x 70 mm label: every text within the grid finds
    // its room, so the notice counts only the lines beyond the grid that have a text.
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    lptest::FakePrinter printer(dir.Path(), "lp0");
    lptest::MakeDirs(dir / "MSG");
    lptest::WriteFile(dir / "MSG/TAGRIX.msg", "ID_WARNING Note\r\nID_TESTI_PERSI without %d texts\r\n");
    labelprint::SetMessageTable(nullptr);
    auto* table = new Dictavo((dir / "MSG/TAGRIX.msg").c_str());
    table->LoadStrings();
    labelprint::SetMessageTable(table);
    Set("M_TEMPLPOS", "4");
    Set("USABC", "0");
    struct Case {
        const char* rows;
        const char* cols;
        const char* header;
        int blanksFrom; // values from this line on are blank
        const char* notice; // null: none
    } cases[] = {
        {"7", "2", "0", 18, "Note|without 4 texts|3"},  // lines 15 to 18 of seven rows of two
        {"7", "2", "0", 14, nullptr},                   // beyond the grid, but nothing to show
        {"7", "1", "0", 18, "Note|without 11 texts|3"}, // one column: lines 8 to 18
        {"3", "2", "1", 18, "Note|without 15 texts|3"}, // header column: label lines 4 to 18
    };
    for (const Case& c : cases) {
        Set("NRRIGHESTR", c.rows);
        Set("NRCOLSTR", c.cols);
        Set("INTEST", c.header);
        LabelJob job = Job(false);
        job.values.clear();
        for (int i = 0; i < 18; ++i) job.values.push_back(i < c.blanksFrom ? "L" + std::to_string(i + 1) : " ");
        recorder.shown.clear();
        MDlgMainCutHelp composer;
        composer.Compose(job);
        EXPECT_EQ(composer.TextsLeftOut(), 0) << c.rows << "x" << c.cols << ": every text of the grid fits";
        if (c.notice) {
            ASSERT_EQ(recorder.shown.size(), 1u) << c.rows << "x" << c.cols;
            EXPECT_EQ(recorder.shown[0], c.notice);
        } else {
            EXPECT_TRUE(recorder.shown.empty()) << c.rows << "x" << c.cols << ": " << recorder.shown[0];
        }
    }
    labelprint::SetMessageTable(nullptr);
}

} // namespace
