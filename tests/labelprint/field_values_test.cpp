// A list's text in a field of its kind, on both ZPL paths of the library (the composer and a
// template filled by key), read back as the printer reads the label and as a scanner reads its
// Code 128 symbols: the barcode reads the value as written or is not printed, and a template's
// own "^FH" indicator and "^CI" code page are the ones its values are written in.
#include <gtest/gtest.h>

#include <algorithm>

#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/library.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "zpl_check.h"
#include "zpl_read.h"

namespace {

// Piece names that hold Code 128 invocation codes, command characters and the indicator.
const char* const kBarcodeNames[] = {"AB>5123456", "TRAV>:X", "P>>1", "A>", "X^FS", "Y~JA", "P_12", "Q\\7",
                                     "> 0", "12345678"};

const char* const kKeys[6] = {"<ROW_1>", "<ROW_2>", "<ROW_3>", "<ROW_4>", "<BAR_CODE_1>", "<BAR_CODE_2>"};

std::string PieceTemplate() { return lptest::ReadFile(std::string(BRELON_SOURCE_DIR) + "/demo/CONF/PIECE.PRN"); }

// The scanned value of the label's only barcode ("" and failed when it has not one).
std::string ScannedBarcode(const lptest::PrinterView& v) {
    std::string found;
    int count = 0;
    for (size_t i = 0; i < v.texts.size(); ++i)
        if (v.barcodes[i]) found = v.texts[i], ++count;
    EXPECT_EQ(count, 1) << "one barcode on the label";
    return found;
}

class FieldValues : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetProgramDirectory(dir.Path());
        labelprint::SetUsbRoots(dir / "sys", dir / "dev");
    }
    void TearDown() override { labelprint::SetUsbRoots("", ""); }
    lptest::TempDir dir;
};

TEST_F(FieldValues, ACode128BarcodeScansAsThePieceNameOnTheComposerAndTheTemplate) {
    plat::WriteProfileString("SYSTEM", "BCTYPE", "5", (dir / "TAGRIX.INI").c_str());
    for (const char* name : kBarcodeNames) {
        SCOPED_TRACE(name);
        // The composer, the piece name as its barcode text.
        LabelJob job;
        job.barcodeSwitch = "1";
        job.barcodeText = name;
        job.values = {name, "S60"};
        MDlgMainCutHelp composer;
        const std::string composed = composer.ComposeZpl(job);
        const lptest::PrinterView c = lptest::ReadZpl(composed);
        EXPECT_EQ(ScannedBarcode(c), name) << composed;
        EXPECT_FALSE(c.code128Command) << composed;
        EXPECT_EQ(composer.LeftOut(), BarcodeLeftOut::None);
        EXPECT_TRUE(c.controls.empty());
        EXPECT_TRUE(lptest::CheckZpl(composed).empty()) << composed;

        // The shipped piece template, the piece name in <BAR_CODE_1>.
        const char* values[6] = {name, "S60", "C1207", "1250.00", name, "NOTE"};
        std::vector<std::string> notCarried;
        const std::string filled = labelprint::SubstituteKeys(PieceTemplate(), 6, kKeys, values, &notCarried);
        const lptest::PrinterView t = lptest::ReadZpl(filled);
        EXPECT_EQ(ScannedBarcode(t), name) << filled;
        EXPECT_FALSE(t.code128Command) << filled;
        EXPECT_EQ(t.texts[0], name) << "the text shows the same piece";
        EXPECT_TRUE(notCarried.empty());
        EXPECT_TRUE(t.controls.empty());
        EXPECT_EQ(t.starts, 1);
        EXPECT_EQ(t.ends, 1);
    }
}

// Values a template's barcode cannot carry as written: the field prints empty and the value
// is reported, never a symbol of another value.
TEST_F(FieldValues, ATemplateBarcodeThatCannotCarryItsValueIsEmptyAndTold) {
    struct Case {
        const char* barcode; // the template's barcode command and parameters
        const char* value;
        bool carried;
    } cases[] = {
        {"^BCN,70,Y,N,N", "CAF\xC9", false},   {"^BCN,70,Y,N,N", "A\tB", false},
        {"^BCN,70,Y,N,N,A", "A>B", false},      {"^BCN,70,Y,N,N,A", "AB", true},
        {"^BCN,70,Y,N,N,U", "12A", false},      {"^BEN,70", "TRAV12", false},
        {"^BEN,70", "800123456789", true},      {"^BEN,70", "8001234567895", false},
        {"^B3N,N,70", "mont", false},           {"^B3N,N,70", "MONT-1", true},
        {"^B8N,70", "1234567", true},           {"^B2N,70", "123", false},
        {"^BKN,N,70", "A1", false},             {"^BZN,70", "12345", false},
        {"^BQN,2,4", "P-0042", true},           {"^BQN,2,4", "P~1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.barcode) + " " + c.value);
        const std::string tpl = std::string("^XA^FO1,1^A0N,30,30^FD<ROW_1>^FS^FO1,50") + c.barcode +
                                "^FD<BAR_CODE_1>^FS^XZ";
        const char* values[6] = {"ROW", "", "", "", c.value, ""};
        std::vector<std::string> notCarried;
        const std::string filled = labelprint::SubstituteKeys(tpl, 6, kKeys, values, &notCarried);
        const lptest::PrinterView v = lptest::ReadZpl(filled);
        ASSERT_EQ(v.texts.size(), 2u) << filled;
        EXPECT_EQ(v.texts[0], "ROW");
        if (c.carried) {
            EXPECT_TRUE(notCarried.empty()) << filled;
            EXPECT_NE(v.texts[1], "") << filled;
        } else {
            EXPECT_EQ(v.texts[1], "") << filled;
            ASSERT_EQ(notCarried.size(), 1u) << filled;
            EXPECT_EQ(notCarried[0], c.value);
        }
    }
}

// A template's own declarations: its "^FH" indicator (any character, '_' when none is named)
// and its "^CI" code page. Each value prints as written, read as the printer reads it.
TEST_F(FieldValues, ATemplateValueIsWrittenInTheTemplatesOwnIndicatorAndCodePage) {
    struct Case {
        const char* label;    // the template: one text field of <ROW_1>, one Code 128 of <BAR_CODE_1>
        const char* value;    // Windows-1252
        const char* shown;    // UTF-8
        const char* scanned;  // what the barcode reads ("" none)
        const char* ownField; // a field of the template's own text, as it must still print
    } cases[] = {
        {"^XA^FO1,1^FH\\^FD<ROW_1>^FS^FO1,50^FH\\^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FH\\^FDA\\5FB^FS^XZ",
         "P_12", "P_12", "P_12", "A_B"},
        {"^XA^FO1,1^FH\\^FD<ROW_1>^FS^FO1,50^FH\\^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FH\\^FDA\\5FB^FS^XZ",
         "CAF\xC9 \\1", "CAF\xC3\x89 \\1", "", "A_B"},
        {"^XA^FO1,1^FH\\^FD<ROW_1>^FS^FO1,50^FH\\^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FH\\^FDA\\5FB^FS^XZ",
         "X^Y~Z>5", "X^Y~Z>5", "X^Y~Z>5", "A_B"},
        {"^XA^FO1,1^FH^FD<ROW_1>^FS^FO1,50^BCN,70^FH^FD<BAR_CODE_1>^FS^FO1,99^FH^FDA_5FB^FS^XZ", "P_12",
         "P_12", "P_12", "A_B"},
        {"^XA^FO1,1^FH^FD<ROW_1>^FS^FO1,50^BCN,70^FH^FD<BAR_CODE_1>^FS^FO1,99^FH^FDA_5FB^FS^XZ",
         "CAF\xC9", "CAF\xC3\x89", "", "A_B"},
        {"^XA^CI28^FO1,1^FD<ROW_1>^FS^FO1,50^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FD\xC3\xA8^FS^XZ", "CAF\xC9",
         "CAF\xC3\x89", "", "\xC3\xA8"},
        {"^XA^CI28^FO1,1^FH\\^FD<ROW_1>^FS^FO1,50^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FD\xC3\xA8^FS^XZ",
         "\xC0 \\_", "\xC3\x80 \\_", "", "\xC3\xA8"},
        {"^XA^CI28^FO1,1^FD<ROW_1>^FS^FO1,50^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FD\xC3\xA8^FS^XZ", "P_12^",
         "P_12^", "P_12^", "\xC3\xA8"},
        {"^XA^CI27^FO1,1^FD<ROW_1>^FS^FO1,50^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FD\xE8^FS^XZ", "CAF\xC9",
         "CAF\xC3\x89", "", "\xC3\xA8"},
        // A code page the writer does not write in: "^CI27" before the field, the template's
        // own declaration back after it.
        {"^XA^CI0^FO1,1^FD<ROW_1>^FS^FO1,50^BCN,70^FD<BAR_CODE_1>^FS^FO1,99^FDPLAIN^FS^XZ", "CAF\xC9",
         "CAF\xC3\x89", "", "PLAIN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " " + c.value);
        const char* values[6] = {c.value, "", "", "", c.value, ""};
        std::vector<std::string> notCarried;
        const std::string filled = labelprint::SubstituteKeys(c.label, 6, kKeys, values, &notCarried);
        const lptest::PrinterView v = lptest::ReadZpl(filled);
        ASSERT_EQ(v.texts.size(), 3u) << filled;
        EXPECT_EQ(v.texts[0], c.shown) << filled;
        EXPECT_EQ(v.texts[1], c.scanned) << filled;
        EXPECT_EQ(v.texts[2], c.ownField) << filled;
        EXPECT_FALSE(v.undeclared) << filled;
        EXPECT_FALSE(v.rawControl) << filled;
        EXPECT_FALSE(v.code128Command) << filled;
        EXPECT_TRUE(v.controls.empty()) << filled;
        EXPECT_EQ(v.starts, 1);
        EXPECT_EQ(v.ends, 1);
        EXPECT_EQ(notCarried.empty(), *c.scanned != '\0' || *c.value == '\0') << filled;
    }
}

// The code page stays as the template declared it for the fields after a value's own
// declaration, and over the labels of the file.
TEST_F(FieldValues, ATemplatesCodePageHoldsAroundAValuesOwnDeclaration) {
    const char* values[6] = {"CAF\xC9", "", "", "", "", ""};
    const std::string tpl = "^XA^CI31^FO1,1^FD<ROW_1>^FS^FO1,9^FDA^FS^XZ^XA^FO1,1^FD<ROW_1>^FS^XZ";
    const std::string filled = labelprint::SubstituteKeys(tpl, 6, kKeys, values);
    EXPECT_EQ(filled, "^XA^CI31^FO1,1^CI27^FH^FDCAF_C9^FS^CI31^FO1,9^FDA^FS^XZ^XA^FO1,1^CI27^FH^FDCAF_C9^FS^CI31^XZ");
}

} // namespace
