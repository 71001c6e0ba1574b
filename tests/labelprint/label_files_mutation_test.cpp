// Damaged profile libraries and layouts: a drawing is made or refused (-1), a layout loads and
// composes a framed label, and nothing runs away with a wild count or size.
#include <gtest/gtest.h>

#include "label_files_exercise.h"

namespace {

TEST(LabelFilesMutation, DamagedProfileLibrariesDrawOrRefuse) {
    lptest::ProfileRecord wild;
    wild.id = 3;
    wild.width = 1e300;
    wild.height = -1e-300;
    wild.polygons = {{{{1e308, -1e308}, {0, 0}, {5, 5}, {0, 5}}}};
    const std::vector<std::string> seeds = {label_fuzz::SampleLibrary(),
                                            label_fuzz::SampleLibrary() + lptest::BuildProfileLibrary({wild}).substr(272)};
    const std::vector<std::string> tokens = {std::string("\xFF\xFF\xFF\x7F", 4), std::string("\x00\x00\x00\x80", 4),
                                             std::string("\xFF\xFF", 2), std::string("\x00\x00\xF0\x7F", 4),
                                             std::string(8, '\xFF')};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 2000, 20261209, label_fuzz::ProfileLibraryExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 2000);
}

TEST(LabelFilesMutation, DamagedLayoutsComposeAFramedLabel) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/TAGRIX.INI"),
        "[SYSTEM]\r\nM_TEMPLPOS=6\r\nORIENTATION=1\r\nINTEST=1\r\nNRRIGHESTR=7\r\nNRCOLSTR=3\r\n"
        "[LABEL]\r\nLinID0=4\r\nLinID17=11\r\n",
    };
    const std::vector<std::string> tokens = {"=", "\r\n", "[SYSTEM]", "[LABEL]", "-", "99999999999", "0.0001",
                                             "LinID", "M_TEMPLPOS=", "HETI=", "LETI=", "NRETI=", "BCHEIGHT=",
                                             std::string(400, '9')};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 1000, 20261209, label_fuzz::LayoutExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 1000);
}

} // namespace

namespace {

// A layout naming a grid of billions of rows and columns: only the rows and columns that can
// hold a line are walked, so the label is composed at once and no position overflows (it used
// to keep the composer busy for minutes, then overflow a column position).
TEST(LabelFilesMutation, WildGridComposesPromptly) {
    lptest::TempDir dir;
    for (const char* grid : {"NRRIGHESTR=2147483647\r\nNRCOLSTR=2147483647\r\n", "NRRIGHESTR=9\r\nNRCOLSTR=40000\r\n"}) {
        lptest::WriteFile(dir / "TAGRIX.INI", std::string("[SYSTEM]\r\nM_TEMPLPOS=4\r\nORIENTATION=1\r\n") + grid);
        MConfigura cfg;
        cfg.Load(dir / "TAGRIX.INI");
        const char* values[3] = {"ORD-117", "P-0042", "S60"};
        MDlgMainCutHelp composer;
        const std::string zpl = composer.ComposeZpl(MDlgMainCutHelp::UnpackJob(3, nullptr, values), &cfg);
        EXPECT_LT(zpl.size(), 4096u) << grid;
    }
}

} // namespace
