// A list's texts on a ZPL label, through the composer and through a template filled by key:
// what the printer shows, read back from the bytes, is the text as written, and no character
// of it is obeyed as a command.
#include <gtest/gtest.h>

#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/library.h"
#include "labelprint/print_utils.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "zpl_check.h"
#include "zpl_read.h"

namespace {

struct ListText {
    const char* written; // as the list holds it (Windows-1252)
    const char* shown;   // what the label must show (UTF-8)
    const char* scanned; // what a scanner reads from a Code 128 barcode of it ("": none, as
                         // Code 128 does not carry the text as written)
};

// Texts that are ZPL commands, the directly driven printer's control bytes, line ends and
// accented names.
const ListText kTexts[] = {
    {"ANTA^SX", "ANTA^SX", "ANTA^SX"},
    {"TRAV~DX", "TRAV~DX", "TRAV~DX"},
    {"P07^XZ", "P07^XZ", "P07^XZ"},
    {"~JA", "~JA", "~JA"},
    {"A\x02" "B\x03" "C\x0E" "D", "A B C D", ""},
    {"TWO\r\nLINES", "TWO  LINES", ""},
    {"TAB\tEND", "TAB END", ""},
    {"TUBO 30\xB0", "TUBO 30\xC2\xB0", ""},
    {"CAF\xC9_1", "CAF\xC3\x89_1", ""},
    {"A_B", "A_B", "A_B"},
    {"<ROW_2>", "<ROW_2>", "<ROW_2>"},
};

bool Shows(const lptest::PrinterView& v, const std::string& text) {
    for (const std::string& t : v.texts)
        if (t == text) return true;
    return false;
}

std::string Describe(const lptest::PrinterView& v) {
    std::string d;
    for (const std::string& t : v.texts) d += "[" + t + "]";
    return d;
}

class ListTexts : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetProgramDirectory(dir.Path());
        labelprint::SetUsbRoots(dir / "sys", dir / "dev");
    }
    void TearDown() override { labelprint::SetUsbRoots("", ""); }
    lptest::TempDir dir;
};

TEST_F(ListTexts, TheComposerPrintsEveryTextAsWritten) {
    for (const ListText& t : kTexts) {
        SCOPED_TRACE(t.shown);
        LabelJob job;
        job.barcodeSwitch = "0";
        job.values = {t.written, "S60"};
        MDlgMainCutHelp composer;
        const std::string zpl = composer.ComposeZpl(job);
        const lptest::PrinterView v = lptest::ReadZpl(zpl);
        EXPECT_TRUE(Shows(v, t.shown)) << Describe(v) << "\n" << zpl;
        EXPECT_TRUE(Shows(v, "S60")) << "the field after it stays in its place";
        EXPECT_EQ(v.starts, 1);
        EXPECT_EQ(v.ends, 1);
        EXPECT_TRUE(v.controls.empty()) << v.controls[0];
        EXPECT_FALSE(v.rawControl);
        EXPECT_FALSE(v.undeclared) << "a label beyond ASCII declares its code page";
        EXPECT_TRUE(lptest::CheckZpl(zpl).empty());
    }
}

TEST_F(ListTexts, AComposedLabelDeclaresItsCodePageOnlyWhenItNeedsOne) {
    LabelJob job;
    job.barcodeSwitch = "0";
    job.values = {"PLAIN"};
    EXPECT_EQ(MDlgMainCutHelp().ComposeZpl(job).find("^CI"), std::string::npos);
    job.values = {"GR\xDCN"};
    EXPECT_EQ(MDlgMainCutHelp().ComposeZpl(job).rfind("^XA^CI27^PW832", 0), 0u);
}

TEST_F(ListTexts, ATemplatePrintsEveryValueAsWritten) {
    const std::string piece = lptest::ReadFile(std::string(BRELON_SOURCE_DIR) + "/demo/CONF/PIECE.PRN");
    const char* keys[6] = {"<ROW_1>", "<ROW_2>", "<ROW_3>", "<ROW_4>", "<BAR_CODE_1>", "<BAR_CODE_2>"};
    for (const ListText& t : kTexts) {
        SCOPED_TRACE(t.shown);
        const char* values[6] = {t.written, "S60", "C1207", "1250.00", t.written, "NOTE"};
        const std::string zpl = labelprint::SubstituteKeys(piece, 6, keys, values);
        const lptest::PrinterView v = lptest::ReadZpl(zpl);
        ASSERT_EQ(v.texts.size(), 6u) << zpl;
        EXPECT_EQ(v.texts[0], t.shown) << zpl;
        EXPECT_EQ(v.texts[1], "S60");
        EXPECT_EQ(v.texts[4], t.scanned) << "the barcode reads the value too, or is empty";
        EXPECT_EQ(v.texts[5], "NOTE");
        EXPECT_EQ(v.starts, 1);
        EXPECT_EQ(v.ends, 1);
        EXPECT_TRUE(v.controls.empty()) << v.controls[0];
        EXPECT_FALSE(v.rawControl);
        EXPECT_FALSE(v.undeclared);
    }
}

TEST_F(ListTexts, TemplateFieldsKeepTheirOwnText) {
    const char* keys[2] = {"<A>", "<B>"};
    const char* values[2] = {"X^Y", "P_Q"};
    // The field that gets "^FH" for its value has its own '_' escaped; a field the template
    // already gave "^FH" keeps its escapes; a plain field is left as it is.
    const std::string tpl = "^XA^FO1,1^FDLEN_<A>^FS^FO1,2^FH^FD_41<B>^FS^FO1,3^FDZ_<B>^FS^XZ";
    const lptest::PrinterView v = lptest::ReadZpl(labelprint::SubstituteKeys(tpl, 2, keys, values));
    ASSERT_EQ(v.texts.size(), 3u);
    EXPECT_EQ(v.texts[0], "LEN_X^Y");
    EXPECT_EQ(v.texts[1], "AP_Q");
    EXPECT_EQ(v.texts[2], "Z_P_Q");
    EXPECT_EQ(labelprint::SubstituteKeys("^XA^FD<B>^FS^XZ", 2, keys, values), "^XA^FDP_Q^FS^XZ")
        << "a value needing no escape leaves the template's bytes as they are";
    const char* accented[2] = {"\xE8", ""};
    EXPECT_EQ(labelprint::SubstituteKeys("^XA^FD<A>^FS^XZ^XA^FD<A>^FS^XZ", 1, keys, accented),
              "^XA^CI27^FH^FD_E8^FS^XZ^XA^CI27^FH^FD_E8^FS^XZ")
        << "each label of the template declares its code page";
}

} // namespace
