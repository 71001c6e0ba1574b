// The diagnostic reports: the template is required, "OUTPUT.DEB" is fixed to the byte, and
// "OUTPUT.LAV" frames the bar between the template's sections.
#include "engine/ordering.h"
#include "engine_fixture.h"

namespace enginetest {
namespace {

ldatest::ListSpec SmallBar() {
    ldatest::PieceSpec a = Piece("FRAME TOP", 1000000, 90000, 45000);
    a.machinings = {Drill(100000, 90), Drill(400000, -90, "PUNTA8", 8000)};
    a.machinings[1].idLdt = 2;
    a.machinings[1].group = 3;
    a.machinings[1].priority = 2;
    return List({Bar({a})});
}

TEST_F(EngineTest, MissingTemplateFailsTheFullComputation) {
    std::filesystem::remove(dir_ + "MSG/DEBTG.MSG");
    BarComputation& bc = Open(SmallBar());
    EXPECT_EQ(bc.ComputeBar(0, 0), 0) << g_errorText;
    EXPECT_EQ(bc.ComputeBar(0, 1), 2);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_FILE") + " (DEBTG.MSG)");
}

TEST_F(EngineTest, DebugReportMatchesItsGolden) {
    // Small configuration and tool files, so the report holds only what this test wrote.
    WriteFile(dir_ + "CONF/CONFIG.PAR", "[GENERAL]\r\nUN_MIS=1\r\n");
    WriteFile(dir_ + "CONF/PARAM.PAR", "[PARAM]\nSPESS_LAMA=4.00\n");
    WriteFile(dir_ + "TOOLS.TXT", "# 60\r\n");
    BarComputation& bc = Open(SmallBar());
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    const std::string deb = ReadFile(dir_ + "OUTPUT.DEB");
    const std::string golden = ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/engine/OUTPUT.DEB");
    if (golden.empty()) WriteFile(std::string(BRELON_BINARY_DIR) + "/OUTPUT.DEB.new", deb);
    EXPECT_EQ(deb, golden); // the golden's lines end in CR LF
}

TEST_F(EngineTest, LavReportFramesTheBarInTheTemplate) {
    WriteFile(dir_ + "MSG/DEBTG.MSG", "HEAD\nmore head\n#lav\nBETWEEN\n#GRP\nNEVER\n");
    BarComputation& bc = Open(SmallBar());
    ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
    const std::string lav = ReadFile(dir_ + "OUTPUT.LAV");
    EXPECT_EQ(lav.rfind("HEAD\r\nmore head\r\n", 0), 0u);
    EXPECT_EQ(lav.find("#lav"), std::string::npos);
    EXPECT_NE(lav.find("\r\n\r\n\r\nBETWEEN\r\n"), std::string::npos);
    EXPECT_EQ(lav.find("NEVER"), std::string::npos);
    // The piece line: left end at 45 degrees, length, square right end, name.
    EXPECT_NE(lav.find("    45.00\xB0           /  1000.00  |  90.00\xB0  --  FRAME TOP"), std::string::npos) << lav;
    EXPECT_NE(lav.find("PUNTA8"), std::string::npos);
}

// The reports are rewritten over the previous bar's: an older, longer report leaves nothing
// behind, and the elaborated sections still follow the new text.
TEST_F(EngineTest, ReportsReplaceALongerOldReport) {
    BarComputation& bc = Open(SmallBar());
    auto computeReports = [&](std::string& lav, std::string& deb) {
        ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
        ASSERT_EQ(ElaborateMachinings(bc, 1, 1), 0) << g_errorText;
        lav = ReadFile(dir_ + "OUTPUT.LAV");
        deb = ReadFile(dir_ + "OUTPUT.DEB");
    };
    std::string lav, deb;
    computeReports(lav, deb);
    ASSERT_FALSE(lav.empty());
    ASSERT_FALSE(deb.empty());
    const std::string old(lav.size() + deb.size() + 20000, 'Z');
    WriteFile(dir_ + "OUTPUT.LAV", old);
    WriteFile(dir_ + "OUTPUT.DEB", old);
    std::string lav2, deb2;
    computeReports(lav2, deb2);
    EXPECT_EQ(lav2, lav);
    EXPECT_EQ(deb2, deb);
    // A shorter old report is overwritten as well.
    WriteFile(dir_ + "OUTPUT.LAV", "Z");
    computeReports(lav2, deb2);
    EXPECT_EQ(lav2, lav);
}

} // namespace
} // namespace enginetest
