// The profile sets without a window: code lists and hidden sections, deletion, the default set,
// the copy, safe message substitution and the import from "DEFPRO.TXT".
#include <gtest/gtest.h>

#include "machine/profile_overrides.h"
#include "par_prof_fixture.h"
#include "platform/text.h"
#include "ui/par_prof_logic.h"

namespace parproftest {
namespace {

using ui::DefproProfile;

// A rectangle of lines from (x0, y0) to (x1, y1), and a text far outside it.
std::string RectangleDxf(double x0, double y0, double x1, double y1) {
    std::string s = "0\nSECTION\n2\nENTITIES\n";
    const double pts[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    for (int i = 0; i < 4; ++i)
        s += plat::StrFormatC("0\nLINE\n8\n0\n10\n%g\n20\n%g\n11\n%g\n21\n%g\n", pts[i][0], pts[i][1], pts[i + 1][0],
                              pts[i + 1][1]);
    s += "0\nTEXT\n8\n0\n10\n500\n20\n500\n40\n5\n1\nNOTE\n0\nENDSEC\n0\nEOF\n";
    return s;
}

TEST_F(ParProfTest, SubstitutionNeverReadsTheTextAsAFormat) {
    const struct {
        const char* text;
        std::vector<std::string> args;
        const char* expected;
    } cases[] = {
        {"Import %s into %s?", {"C:\\U\\DEFPRO.TXT", "C:\\DXF\\"}, "Import C:\\U\\DEFPRO.TXT into C:\\DXF\\?"},
        {"%n%d %s %x 100%%", {"A"}, "%n%d A %x 100%"},
        {"%s %s %s", {"%s"}, "%s  "},   // an argument is never scanned again; missing ones are empty
        {"trailing %", {}, "trailing %"},
    };
    for (const auto& c : cases) EXPECT_EQ(ui::SubstituteTexts(c.text, c.args), c.expected) << c.text;
}

TEST_F(ParProfTest, CodeListHidesNegativeFlagsAndDeletionKeepsTheirFile) {
    WriteCp("SER", "[A1]\nFLAG=1\nOFFY=2\n[HID]\nFLAG=-1\nOFFY=3\n[B2]\nOFFY=4\n");
    ui::ProfileCodeList list = ui::ReadProfileCodes("SER");
    EXPECT_EQ(list.codes, (std::vector<std::string>{"A1", "B2"}));
    EXPECT_EQ(list.hidden, 1);

    ui::DeleteListedProfile("SER", "A1", list);
    list = ui::ReadProfileCodes("SER");
    ui::DeleteListedProfile("SER", "B2", list);   // the last listed code: the hidden set stays
    EXPECT_EQ(ReadCp("SER"), "[HID]\r\nFLAG=-1\r\nOFFY=3\r\n");

    WriteCp("ONE", "[ONLY]\nFLAG=1\n");
    ui::DeleteListedProfile("ONE", "ONLY", ui::ReadProfileCodes("ONE"));
    EXPECT_FALSE(fs::exists(Cp("ONE")));
    EXPECT_EQ(ui::ListProfileSeries(), (std::vector<std::string>{"SER"}));
}

TEST_F(ParProfTest, NamesThatWouldLeaveTheirFolderAreRefused) {
    for (const char* bad : {"", ".", "..", "A\\B", "A/B", "C:X"}) EXPECT_FALSE(ui::IsSafeProfileName(bad)) << bad;
    EXPECT_TRUE(ui::IsSafeProfileName("ALU60"));
    WriteBytes(prog + "CONF/x.y.CP", "[A]\r\nFLAG=1\r\n");   // a series name is cut at its first "."
    EXPECT_EQ(ui::ListProfileSeries(), (std::vector<std::string>{"x"}));
    EXPECT_TRUE(ui::ReadProfileCodes("..").codes.empty());
    EXPECT_EQ(ui::ProfileDrawingPath(*g_pSettings, "ALU60", "..\\..\\X"), "");
    EXPECT_EQ(ui::ProfileDrawingPath(*g_pSettings, "ALU60", "A1"), std::string(g_pSettings->DIR_DXF) + "ALU60\\A1.dxf");
}

TEST_F(ParProfTest, DefaultSetPerVariant) {
    const MachineSettings& s = *g_pSettings;
    const std::string mm = [](int32_t v) { return plat::StrFormatC("%.2lf", v / 1000.0); }(s.DELTA_DIM_Y);
    ui::WriteDefaultSet("S", "C0", s, 0);
    EXPECT_EQ(ReadCp("S"), "[C0]\r\nFLAG=1\r\nOFFY=0\r\nOFFZ=0\r\nTIPO_TAGLIO=2\r\nSALITA_LAMA=0\r\nOFFY_PINZA=0\r\n"
                           "OFFZ_PINZA=0\r\n");
    ui::WriteDefaultSet("V1", "C1", s, 1);
    const std::string v1 = ReadCp("V1");
    const auto has = [&](const std::string& line) { return v1.find("\r\n" + line + "\r\n") != std::string::npos; };
    for (const char* line : {"OFFC_PINZA=0", "VELH_CUT=0", "OPTIM_LEVEL=1", "NO_ING_M3=0", "RIB_SCAR=0",
                             "NR_LABEL=1", "ING_SCARICO=0"})
        EXPECT_TRUE(has(line)) << line;
    EXPECT_TRUE(has("DELTA_DIMY=" + mm));
    EXPECT_TRUE(has(plat::StrFormatC("CUT_MODE_NO_90=%d", static_cast<int>(s.MODO_TAGLIO))));
    EXPECT_TRUE(has(plat::StrFormatC("TAIL_SCRAP=%.2lf", s.SCARTO_CODA / 1000.0)));
    // Variant 2: the vice values are removed by a new set, written "0" by the import.
    WriteCp("V2", "[C2]\nCH_V_VICE=5\nCH_H_VICE=6\n");
    ui::WriteDefaultSet("V2", "C2", s, 2);
    EXPECT_EQ(ReadCp("V2"), "[C2]\r\nFLAG=1\r\nOFFY=0\r\nOFFZ=0\r\nTIPO_TAGLIO=2\r\nSALITA_LAMA=0\r\nOFFY_PINZA=0\r\n"
                            "OFFZ_PINZA=0\r\nOFFC_PINZA=0\r\nVELH_CUT=0\r\nOPTIM_LEVEL=1\r\nMHV=0\r\n");
    ui::WriteDefaultSet("V2", "C2", s, 2, true);
    EXPECT_NE(ReadCp("V2").find("MHV=0\r\nCH_V_VICE=0\r\nCH_H_VICE=0\r\n"), std::string::npos);
}

// A tiny negative offset is zero: the import stores and the dialogs show "0.00", never "-0.00".
TEST_F(ParProfTest, ATinyNegativeOffsetIsWrittenAndShownAsZero) {
    ui::DefproProfile p;
    ui::WriteImportedSet("IMP", "A", p, -0.001, -0.004, *g_pSettings, 1);
    EXPECT_EQ(CpReadOffY("IMP", "A"), "0.00");
    EXPECT_EQ(CpReadOffZ("IMP", "A"), "0.00");
    char text[kDisplayTextSize] = "-0.001";
    EXPECT_STREQ(MetricTextForDisplay(text), "0.00");
    SetUnitSystem(kUnitInches);
    std::snprintf(text, sizeof text, "-0.001");
    EXPECT_STREQ(MetricTextForDisplay(text), "0.0000");
    std::snprintf(text, sizeof text, "-0.01");
    EXPECT_STREQ(MetricTextForDisplay(text), "-0.0004");
    SetUnitSystem(kUnitMillimetres);
}

TEST_F(ParProfTest, CopyTakesEffectiveValuesAndPutsTheTargetInForce) {
    WriteCp("SRC", "[A]\nFLAG=1\nOFFY=7.5\nTIPO_TAGLIO=1\nSALITA_LAMA=4\nHEAD_SCRAP=12.00\n");
    ui::CopyProfileSet("SRC", "A", "DST", "B", *g_pSettings, 1);
    EXPECT_EQ(CpReadFlag("DST", "B"), 1);
    EXPECT_EQ(CpReadOffY("DST", "B"), "7.5");
    EXPECT_EQ(CpReadTipoTaglio("DST", "B"), 1);
    EXPECT_EQ(CpReadSalitaLama("DST", "B"), 4);   // hidden on variant 1, copied all the same
    EXPECT_EQ(CpReadHeadScrap("DST", "B", *g_pSettings), "12.00");
    // The source's missing tail scrap was filled with the machine's and copied as such.
    EXPECT_EQ(CpReadTailScrap("DST", "B", *g_pSettings), plat::StrFormatC("%.2lf", g_pSettings->SCARTO_CODA / 1000.0));
}

TEST_F(ParProfTest, OffsetsComeFromTheDrawingTurnedAboutItsCentre) {
    const std::string dxf = prog + "DXF/R.dxf";
    WriteBytes(dxf, RectangleDxf(0, 0, 40, 20));
    const struct {
        double alpha, gx, gy, offY, offZ;
    } cases[] = {
        {0, 0, 0, 0, 0},
        {90, 1.5, 2, 1.5 + 10, 2 - 10},   // 40 x 20 about (20, 10): x 10..30, y -10..30
        {180, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        DefproProfile p;
        p.alpha = c.alpha;
        p.gx = c.gx;
        p.gy = c.gy;
        double y = -1, z = -1;
        ASSERT_TRUE(ui::DefproOffsets("C:\\BRELON3\\VELMO\\DXF\\R.DXF", p, y, z)) << c.alpha;   // either case
        EXPECT_NEAR(y, c.offY, 1e-9) << c.alpha;
        EXPECT_NEAR(z, c.offZ, 1e-9) << c.alpha;
    }
    DefproProfile p;
    double y = 0, z = 0;
    WriteBytes(prog + "DXF/EMPTY.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    EXPECT_FALSE(ui::DefproOffsets(prog + "DXF/EMPTY.dxf", p, y, z));
    EXPECT_FALSE(ui::DefproOffsets(prog + "DXF/MISSING.dxf", p, y, z));
}

// Series ALU60 of the demo: A6010 and T6001. PVC70: P7020 (made unreadable) and P7031 (named
// in upper case). ALU72: Z7200 already has a set.
class DefproImportTest : public ParProfTest {
protected:
    void SetUp() override {
        ParProfTest::SetUp();
        WriteBytes(prog + "UTEN/DEFPRO.TXT", plat::WithCrLf("[ALU60_A6010]\nAlpha=0\nGx=1,5\nGy=2.25\nTypeCut=3\n"
                                                            "HeightPiece=7\n[ALU60_T6001]\nTypeCut=1\nHeightPiece=3\n"
                                                            "[PVC70_P7020]\nTypeCut=2\n[PVC70_P7031]\nTypeCut=2\n"
                                                            "HeightPiece=4\n[ALU72_Z7200]\nTypeCut=1\n"));
        WriteBytes(prog + "DXF/PVC70/P7020.dxf", "not a drawing\n");
        fs::rename(prog + "DXF/PVC70/P7031.dxf", prog + "DXF/PVC70/P7031.DXF");
        WriteCp("ALU72", "[Z7200]\nFLAG=1\nOFFY=3\n");
    }
    ui::DefproImport Import(const char* series) {
        return ui::ImportDefproSeries(series, g_pSettings->DIR_DXF, ui::DefproFilePath(*g_pSettings), *g_pSettings,
                                      MachineVariant);
    }
};

TEST_F(DefproImportTest, CutTypeAndBladeRiseAreMappedAndOffsetsMeasured) {
    const ui::DefproImport r = Import("ALU60");
    EXPECT_EQ(r.written, (std::vector<std::string>{"A6010", "T6001"}));
    const struct {
        const char* code;
        int tipo, salita;
    } cases[] = {{"A6010", 2, 0}, {"T6001", 1, 3}};   // TypeCut 3 -> 2, HeightPiece 7 -> 0
    for (const auto& c : cases) {
        EXPECT_EQ(CpReadFlag("ALU60", c.code), 1) << c.code;
        EXPECT_EQ(CpReadTipoTaglio("ALU60", c.code), c.tipo) << c.code;
        EXPECT_EQ(CpReadSalitaLama("ALU60", c.code), c.salita) << c.code;
    }
    DefproProfile p;
    ASSERT_TRUE(ui::ReadDefproProfile(ui::DefproFilePath(*g_pSettings), "ALU60", "A6010", p));
    EXPECT_EQ(p.gx, 1.5);   // a comma reads as the decimal point
    double y = 0, z = 0;
    ASSERT_TRUE(ui::DefproOffsets(prog + "DXF/ALU60/A6010.dxf", p, y, z));
    EXPECT_EQ(CpReadOffY("ALU60", "A6010"), plat::StrFormatC("%.2lf", y));
    EXPECT_EQ(CpReadOffZ("ALU60", "A6010"), plat::StrFormatC("%.2lf", z));
    EXPECT_EQ(CpReadNrLabel("ALU60", "A6010"), "1");
}

TEST_F(DefproImportTest, UnreadableDrawingIsSkippedAndUpperCaseDrawingFound) {
    const ui::DefproImport r = Import("PVC70");
    EXPECT_EQ(r.written, (std::vector<std::string>{"P7031"}));
    EXPECT_EQ(r.skipped, (std::vector<std::string>{"P7020"}));
    EXPECT_EQ(CpReadFlag("PVC70", "P7020"), 0);
    EXPECT_EQ(ui::ReadProfileCodes("PVC70").codes, (std::vector<std::string>{"P7031"}));
    EXPECT_EQ(CpReadTipoTaglio("PVC70", "P7031"), 0);
    EXPECT_EQ(CpReadSalitaLama("PVC70", "P7031"), 4);
}

TEST_F(DefproImportTest, ProfilesWithASetAreLeftAlone) {
    const std::string before = ReadCp("ALU72");
    EXPECT_TRUE(Import("ALU72").written.empty());
    EXPECT_EQ(ReadCp("ALU72"), before);
    // A hidden set (negative FLAG) is not replaced either: only FLAG exactly 0 is imported.
    WriteCp("ALU60", "[A6010]\nFLAG=-1\n[T6001]\nFLAG=-2\n");
    const std::string hidden = ReadCp("ALU60");
    EXPECT_TRUE(Import("ALU60").written.empty());
    EXPECT_EQ(ReadCp("ALU60"), hidden);
}

// The demo installation: its "DEFPRO.TXT" describes every demo drawing, so one import makes a
// set for each.
TEST_F(ParProfTest, DemoDescriptionsGiveEveryDemoProfileASet) {
    fs::copy_file(BRELON_SOURCE_DIR "/demo/UTEN/DEFPRO.TXT", prog + "UTEN/DEFPRO.TXT");
    int written = 0;
    for (const std::string& series : ui::ListFolderEntries(g_pSettings->DIR_DXF, true, "")) {
        const ui::DefproImport r = ui::ImportDefproSeries(series, g_pSettings->DIR_DXF,
                                                          ui::DefproFilePath(*g_pSettings), *g_pSettings, 1);
        EXPECT_TRUE(r.skipped.empty()) << series;
        written += static_cast<int>(r.written.size());
    }
    EXPECT_EQ(written, 5);
    EXPECT_EQ(ui::ListProfileSeries(), (std::vector<std::string>{"ALU60", "ALU72", "PVC70"}));
    EXPECT_EQ(CpReadTipoTaglio("ALU60", "T6001"), 0);
}

} // namespace
} // namespace parproftest
