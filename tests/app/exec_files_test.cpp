// Files and count bounds of the execution monitor.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/exec_files.h"
#include "machine/bar_progress.h"
#include "machine/globals.h"
#include "machine/ui_services_fake.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

namespace {
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ExecFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/brelon_execf_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = std::string(pattern) + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string dir_;
};
} // namespace

TEST(ExecCounts, RepetitionsLeftNeverNegativeNorWide) {
    EXPECT_EQ(app::RepetitionsLeftAfter(5, 2), 3);
    EXPECT_EQ(app::RepetitionsLeftAfter(2, 2), 0);
    EXPECT_EQ(app::RepetitionsLeftAfter(1, 3), 0);   // more finished than were left
    EXPECT_EQ(app::RepetitionsLeftAfter(-4, 0), 0);
    EXPECT_EQ(app::RepetitionsLeftAfter(70000, 1), 0xFFFF);
}

TEST(ExecCounts, StoredProgressThatDoesNotFitTheBarIsNoProgress) {
    struct Row {
        int stored, pieces, done;
        bool misfit;
    };
    const Row rows[] = {
        {0, 4, 0, false}, {3, 4, 3, false},
        {4, 4, 0, true},  // every piece made is no place to resume
        {9, 4, 0, true},  {-1, 4, 0, true},
        {1, 0, 0, true},  // a bar without pieces is one piece: no count fits it
    };
    for (const Row& r : rows) {
        const BarProgress p = BarProgressOf(r.stored, r.pieces);
        EXPECT_EQ(p.piecesDone, r.done) << r.stored << " of " << r.pieces;
        EXPECT_EQ(p.misfit, r.misfit) << r.stored << " of " << r.pieces;
    }
}

TEST(ExecCounts, ProgramTimeSharedByItsBarsAddsUpToIt) {
    struct Row {
        const char* time;
        int bars;
        std::vector<std::string> shares;
    };
    const Row rows[] = {
        {"12\"", 3, {"4\"", "4\"", "4\""}},
        {"1' 1\"", 2, {"31\"", "30\""}},       // the odd second to the first bar
        {"3'", 2, {"1' 30\"", "1' 30\""}},
        {"4' 2\"", 4, {"1' 1\"", "1' 1\"", "1'", "1'"}},
        {"2\"", 3, {"1\"", "1\"", "0\""}},
        {"7' 5\"", 1, {"7' 5\""}},
        {"", 2, {"", ""}},
        {"7 min", 2, {"7 min", ""}},              // not a counter text: told once, whole
    };
    for (const Row& r : rows)
        for (int b = 0; b < r.bars; ++b)
            EXPECT_EQ(app::BarTimeShare(r.time, r.bars, b), r.shares[static_cast<std::size_t>(b)])
                << r.time << " bar " << b << " of " << r.bars;
}

TEST_F(ExecFilesTest, BarCodeFilesOfOneSecondKeepEachOther) {
    const plat::LocalTime t{2026, 3, 7, 9, 5, 4, 0, 6};
    EXPECT_EQ(app::BarCodeFileStem(t), "20260307090504");
    std::string a, b, c;
    ASSERT_TRUE(app::WriteBarCodeFile(dir_, t, "P1", "PORTE", &a));
    ASSERT_TRUE(app::WriteBarCodeFile(dir_, t, "P2", "PORTE", &b));
    ASSERT_TRUE(app::WriteBarCodeFile(dir_.substr(0, dir_.size() - 1), t, "P3", "PORTE", &c)); // no final '/'
    EXPECT_EQ(Slurp(dir_ + "20260307090504.bcf"), "P1\r\nPORTE");
    EXPECT_EQ(Slurp(dir_ + "20260307090504_1.bcf"), "P2\r\nPORTE");
    EXPECT_EQ(Slurp(dir_ + "20260307090504_2.bcf"), "P3\r\nPORTE");
    EXPECT_FALSE(app::WriteBarCodeFile(dir_ + "missing/", t, "P4", "PORTE"));
}

TEST_F(ExecFilesTest, UnloadingLineAndFolder) {
    // Lengths print with a point whatever the process locale.
    ASSERT_TRUE(app::AppendUnloadingLine(dir_, "PORTE", "C12", 6500500));
    ASSERT_TRUE(app::AppendUnloadingLine(dir_, "PORTE", "C12", 6000000));
    EXPECT_EQ(Slurp(dir_ + "PORTE.NV2"), "C12;6500.5;1\r\nC12;6000;1\r\n");
    EXPECT_FALSE(app::AppendUnloadingLine(dir_ + "missing/", "PORTE", "C12", 1000));

    const std::string config = dir_ + "CONFIG.PAR";
    EXPECT_EQ(app::UnloadingDirectory(config.c_str(), "C:\\PROG\\"), "C:\\PROG\\CONF\\");
    plat::WriteProfileString("UNLOADING", "PATH", "D:\\STORE", config.c_str());
    EXPECT_EQ(app::UnloadingDirectory(config.c_str(), "C:\\PROG\\"), "D:\\STORE\\");
    plat::WriteProfileString("UNLOADING", "PATH", "D:\\STORE\\", config.c_str());
    EXPECT_EQ(app::UnloadingDirectory(config.c_str(), "C:\\PROG\\"), "D:\\STORE\\");
}

TEST_F(ExecFilesTest, TimeLogLine) {
    const std::string log = dir_ + "L.tmx";
    ASSERT_TRUE(app::AppendTimeLogLine(log, "S1", "C1", "LONGBARNAME", "3' 12\""));
    EXPECT_EQ(Slurp(log), std::string(13, ' ') + "S1" + std::string(13, ' ') + "C1" + std::string(7, ' ') +
                              "LONGBARN" + std::string(9, ' ') + "3' 12\"\r\n");
    EXPECT_FALSE(app::AppendTimeLogLine("", "S1", "C1", "B", "1'"));
    EXPECT_FALSE(app::AppendTimeLogLine(dir_ + "missing/L.tmx", "S1", "C1", "B", "1'"));
}

// The job road's notices (a record not used, the engine's warnings, the office label prompt)
// are boxes, except in the automatic test run that hides its boxes, which never waits on one;
// the progress record's faults are said once per file.
TEST(ExecNotices, NoticesObeyTheTestFlagsAndProgressFaultsAreSaidOnce) {
    ScopedRecordingUi ui;
    const int saved = g_testHidePopups;
    for (const int hide : {0, 1}) {
        g_testHidePopups = hide;
        ui.boxes.clear();
        app::JobNotice("notice");
        EXPECT_EQ(ui.boxes.size(), hide != 0 ? 0u : 1u) << hide;
    }
    g_testHidePopups = saved;
    ui.boxes.clear();
    std::snprintf(g_barProgressPath, sizeof g_barProgressPath, "%s", "/tmp/notices-a/STATBAR.TXT");
    app::TellBarProgressFault();
    app::TellBarProgressFault();
    std::snprintf(g_barProgressPath, sizeof g_barProgressPath, "%s", "/tmp/notices-b/STATBAR.TXT");
    app::TellBarProgressFault();
    EXPECT_EQ(ui.boxes.size(), 2u) << "once per file";
    g_barProgressPath[0] = '\0';
}
