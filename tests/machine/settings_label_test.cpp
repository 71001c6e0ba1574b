// Label settings and the byte stream of the directly driven label printer.
#include <string>

#include "machine/label_settings.h"
#include "settings_fixture.h"

namespace {

using std::string;

class LabelTest : public SettingsTest {
protected:
    void Label(const char* key, const char* value) { SetKey(ConfigPar(), "LABEL", key, value); }
    // A layout with printing on and the given line types (1..8) set.
    void Lines(int count) {
        for (int n = 1; n <= count; ++n) Label(("TYPE" + std::to_string(n)).c_str(), "1");
    }
};

TEST_F(LabelTest, PrintOffClearsNoShortAndBuildsNothing) {
    Label("PRINT", "0");
    Label("PRINT_NOSHORT", "1");
    MachineSettings s;
    s.PRINT_NOSHORT = 1;
    SetupLabelLayout(s);
    EXPECT_EQ(s.PRINT, 0);
    EXPECT_EQ(s.PRINT_NOSHORT, 0);
    EXPECT_TRUE(s.labelTrailer.empty());
}

TEST_F(LabelTest, HeaderIsCentredInTheRow) {
    Label("PRINT", "1");
    Label("STR_HEAD", "ABC");
    MachineSettings s; // LEN_ROW 20, HEAD_FONT 28, FONT 29
    SetupLabelLayout(s);
    EXPECT_EQ(s.labelHeaderLine, string("\x02\x0d\x1c  ") + string(8, ' ') + "ABC\n\x1d");
    // A full row gets no blanks; FONT 28 adds one LF and counts a line.
    Label("STR_HEAD", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    s.FONT = 28;
    SetupLabelLayout(s);
    EXPECT_EQ(s.labelHeaderLine, string("\x02\x0d\x1c  ABCDEFGHIJKLMNOPQRST\n\x1c\n"));
    EXPECT_EQ(s.labelLineCount, 1);
}

TEST_F(LabelTest, HeaderRebuiltPerLabelKeepsTheLayoutLineCount) {
    Label("PRINT", "1");
    Label("TYPE_HEAD", "1");
    MachineSettings s;
    s.FONT = 24;
    SetupLabelLayout(s);
    const int count = s.labelLineCount;
    const string first = GetLabelHeaderLine(s, "LIST 7");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(GetLabelHeaderLine(s, "LIST 7"), first);
    EXPECT_EQ(s.labelLineCount, count);
    EXPECT_EQ(first, string("\x02\x0d\x1c  ") + string(7, ' ') + "LIST 7\n\x18\n");
}

TEST_F(LabelTest, CaptionsAndLineCount) {
    Label("PRINT", "1");
    Label("STR1", "ABC");
    Label("STR2", "TOOLONGCAPTION");
    Lines(8);
    MachineSettings s;
    SetupLabelLayout(s);
    EXPECT_STREQ(s.labelCaptions[0], "       ABC:");
    EXPECT_STREQ(s.labelCaptions[1], "  TOOLONGC:");
    EXPECT_EQ(s.labelLineCount, 8);
    EXPECT_EQ(ConcatLabelText(s, 0, "1234567890123"), "       ABC:123456789");
    // With a barcode only lines 1 to 6 count.
    Label("BC_TYPE", "3");
    SetupLabelLayout(s);
    EXPECT_EQ(s.labelLineCount, 6);
    // LEN_STR 0: one blank per caption. A LEN_STR beyond the field is held to it.
    Label("LEN_STR", "0");
    SetupLabelLayout(s);
    EXPECT_STREQ(s.labelCaptions[0], " ");
    Label("LEN_STR", "50");
    SetupLabelLayout(s);
    EXPECT_STREQ(s.labelCaptions[0], "        ABC:");
    EXPECT_STREQ(s.labelCaptions[1], "   TOOLONGC:");
}

TEST_F(LabelTest, TrailerFillsTheLabel) {
    Label("PRINT", "1");
    MachineSettings s; // HEAD_FONT 28, FONT 29, no barcode, no lines
    SetupLabelLayout(s);
    // n = (40 - 3) / 8 = 4: six LF, LF_VERT 0, SO, LF_ORIZ 10, ETX.
    EXPECT_EQ(s.labelTrailer, string(6, '\n') + "\x0e" + string(10, '\n') + "\x03");
    // Over-long feeds are cut so that the trailer holds at most 99 bytes.
    s.LF_VERT = 500;
    s.LF_ORIZ = 500;
    SetupLabelLayout(s);
    EXPECT_EQ(s.labelTrailer.size(), kLabelBlockMax);
    EXPECT_EQ(s.labelTrailer.back(), '\x03');
    // A negative count of lines left gives 4.
    Lines(8);
    s.LF_VERT = 0;
    s.LF_ORIZ = 0;
    SetupLabelLayout(s);
    EXPECT_EQ(s.labelTrailer, string(6, '\n') + "\x0e\x03");
}

TEST_F(LabelTest, BarcodeBlocksPerType) {
    MachineSettings s;
    s.BC_HEIGHT = 2;
    s.BC_DENSITY = 1;
    s.FONT = 29;
    const string head = "\x10\n\x0f";
    auto block = [&](int type, const char* text) {
        s.labelBcType = type;
        string out = "X";
        BuildLabelBarcode(s, out, text);
        return out;
    };
    EXPECT_EQ(block(0, "123"), "X");
    EXPECT_EQ(block(1, "0012.50"), "X" + head + "121  000000001250\n\x1d");
    EXPECT_EQ(block(2, "123"), "X" + head + "221  0000123\n\x1d");
    EXPECT_EQ(block(4, "A12"), "X" + head + "421  *A12*\n\x1d");
    EXPECT_EQ(block(5, "A12"), "X" + head + "521  BA12N\n\x1d");
    EXPECT_EQ(block(7, "A12"), "X" + head + "721  BA12N\n\x1d");
    EXPECT_EQ(block(3, "ABCDEFGHIJKLMNOPQRSTUVW"), "X" + head + "321  ABCDEFGHIJKLMNOPQRS\n\x1d");
    // An empty text keeps the place: barcode height / line height line feeds (16 / 8 = 2).
    EXPECT_EQ(block(3, ""), "X\n\n");
    // Type 1 stops at the first character that is not a digit or a point.
    EXPECT_EQ(block(1, "00.07A9"), "X" + head + "121  000000000007\n\x1d");
    // Data that would not fit the block is cut.
    const string huge(1000, '7');
    EXPECT_EQ(block(2, huge.c_str()).size(), 1 + kLabelBarcodeBlockMax);
}

TEST_F(LabelTest, EffectiveBarcodeTypeFromTheLabelLibrary) {
    Label("PRINT", "1");
    Label("BC_TYPE", "6");
    MachineSettings s;
    s.CONF_FILE_OTT = 0;
    SetupLabelLayout(s);
    EXPECT_EQ(s.labelBcType, 6);
    s.CONF_FILE_OTT = 1;
    SetupLabelLayout(s); // no TAGRIX.INI: BCTYPE 0 maps to 1
    EXPECT_EQ(s.labelBcType, 1);
    WriteFile(dir_ + "/TAGRIX.INI", "[SYSTEM]\r\nBCTYPE=3\r\n");
    SetupLabelLayout(s);
    EXPECT_EQ(s.labelBcType, 2);
    EXPECT_EQ(MapLibraryBarcodeType(1), 4);
    EXPECT_EQ(MapLibraryBarcodeType(5), 9);
    EXPECT_EQ(MapLibraryBarcodeType(9), 1);
}

TEST_F(LabelTest, InfoFieldsAndAccessors) {
    Label("PRINT", "1");
    SetLabelHead(0, "ORDER NUMBER OF THE CUSTOMER");
    SetLabelInfo(0, 3);
    MachineSettings s;
    SetupLabelLayout(s);
    EXPECT_STREQ(s.labelInfoCaptions[0], "ORDER NUMBER OF T");
    EXPECT_EQ(s.labelInfoSelectors[0], 3);
    EXPECT_EQ(FormatLabelField(s, 0, "42"), "ORDER NUMBER OF T: 42");
    EXPECT_EQ(FormatLabelField(s, 1, "42"), "42");
    EXPECT_EQ(FormatLabelField(s, 0, string(60, 'x').c_str()).size(), kLabelFieldMax);

    SetLabelStr(8, "IGNORED");
    EXPECT_EQ(Key(ConfigPar(), "LABEL", "STR9"), "<missing>");
    SetLabelStr(7, "LAST");
    EXPECT_EQ(GetLabelStr(7), "LAST");
    EXPECT_EQ(GetLabelLenStr(), 8);
    EXPECT_EQ(LabelJobPrefix(), string("\x02\x00\x45\x00\x0a\x03", 6));
}

} // namespace
