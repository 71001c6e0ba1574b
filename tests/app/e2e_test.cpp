// A job end to end, as an operator would see it: the automatic test run over the demo lists in
// office mode, and a two-bar list run on-line against the simulated controller.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <string>

#include "app/main_frame.h"
#include "app_fixture.h"
#include "engine/bar_computation.h"
#include "machine/globals.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

namespace {

class JobRunTest : public AppFixture {
protected:
    void SetUpTestRun(const std::vector<std::string>& lists) {
        lda_ = drives_ + "/C/BRELON3/VELMO/LDA/";
        fs::create_directories(lda_);
        std::string testList;
        for (const auto& n : lists) {
            fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "LDA" / n, lda_ + n);
            testList += n + "\r\n";
        }
        WriteFile(lda_ + "TestList.txt", testList);
        const std::string test = program_ + "CONF/TEST.PAR";
        plat::WriteProfileString("TEST", "FLAG_TEST_MACHINE", "1", test.c_str());
        plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", "1", test.c_str());
        // Quick ticks: the run's timing is not under test here.
        WriteConfig("GENERAL", "ISO_TIMER", "5");
        WriteConfig("GENERAL", "PRINT_TIMER", "5");
        WriteConfig("GENERAL", "CHANGE_RIP", "1");
        for (const char* d : {"ISO", "DXF", "VLK", "LOG", "V1V2"})
            fs::create_directories(drives_ + "/C/BRELON3/VELMO/" + d);
        fs::copy(fs::path(BRELON_SOURCE_DIR) / "demo" / "DXF", drives_ + "/C/BRELON3/VELMO/DXF",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        for (const auto& e : fs::directory_iterator(fs::path(BRELON_SOURCE_DIR) / "demo" / "VLK"))
            fs::copy_file(e.path(), drives_ + "/C/BRELON3/VELMO/VLK/" + e.path().filename().string());
    }
    // Runs the event loop until the main window closed itself (or the limit passed).
    bool RunUntilClosed(int limitMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < limitMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (MainFrame == nullptr || !MainFrame->isVisible()) return true;
        }
        return false;
    }
    std::string lda_;
};

} // namespace

TEST_F(JobRunTest, OfficeTestRunOverTheDemoListsWritesProgramsAndClosesItself) {
    SetUpTestRun({"FINESTRE.lda", "PORTE.lda"});
    ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
    ASSERT_TRUE(RunUntilClosed(120000)) << "the test run did not end";
    for (const auto& b : ui_->boxes) ADD_FAILURE() << b.title << ": " << b.text;
    const std::string iso = ReadFile(program_ + "OUTPUT.ISO");
    ASSERT_FALSE(iso.empty());
    EXPECT_NE(iso.find("R599=9999"), std::string::npos);
    // Every repetition ran: with CHANGE_RIP the finished lists were removed.
    EXPECT_FALSE(fs::exists(lda_ + "FINESTRE.lda"));
    EXPECT_FALSE(fs::exists(lda_ + "PORTE.lda"));
}
