// A job end to end, as an operator would see it: the automatic test run over the demo lists in
// office mode, and a two-bar list run on-line against the simulated controller.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/qt_ui_services.h"
#include "app_fixture.h"
#include "engine/bar_computation.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/barlist.h"
#include "machine/settings_support.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "test_support/lda_writer.h"

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

// A bar of the demo's profile, without pieces.
ldatest::BarSpec DemoProfileBar(const char* name, int32_t length) {
    ldatest::BarSpec b;
    b.name = name;
    b.series = "ALU60";
    b.code = "T6001";
    b.yMax = 60000;
    b.zMax = 45000;
    b.length = length;
    return b;
}

// A list whose second bar is shorter than its pieces: the confirmation refuses it.
ldatest::ListSpec ListWithAShortBar() {
    ldatest::ListSpec spec;
    spec.description = "BARRA CORTA";
    auto bar = [](const char* name, int32_t length) {
        ldatest::BarSpec b = DemoProfileBar(name, length);
        for (const char* piece : {"P1", "P2"}) {
            ldatest::PieceSpec p;
            p.name = piece;
            p.length = 1000000;
            b.pieces.push_back(p);
        }
        return b;
    };
    spec.bars = {bar("PRIMA", 6000000), bar("CORTA", 1500000), bar("ULTIMA", 6000000)};
    return spec;
}

// The test run with nobody at the machine (its pop-ups hidden) or with someone there.
struct RefusedRow {
    const char* what;
    int hidePopups;
    int boxes; // the refusal's boxes
    bool logged;
};
const RefusedRow kRefusedRows[] = {{"unattended", 1, 0, true}, {"attended", 0, 2, false}};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class RefusedBarTestRun : public JobRunTest, public ::testing::WithParamInterface<RefusedRow> {};

INSTANTIATE_TEST_SUITE_P(Runs, RefusedBarTestRun, ::testing::ValuesIn(kRefusedRows),
                         [](const ::testing::TestParamInfo<RefusedRow>& i) { return i.param.what; });

} // namespace

// The bar the confirmation refuses is passed over, told as the dialog shows it ("2 / 3", its
// name), the list's other bars run and the test run goes on to the next list and ends.
TEST_P(RefusedBarTestRun, RefusedBarIsPassedOverAndTheRunEnds) {
    const RefusedRow& row = GetParam();
    SetUpTestRun({"PORTE.lda"});
    ASSERT_TRUE(ldatest::WriteLda(lda_ + "CORTA.lda", ListWithAShortBar()));
    WriteFile(lda_ + "TestList.txt", "CORTA.lda\r\nPORTE.lda\r\n");
    plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", row.hidePopups ? "1" : "0",
                             (program_ + "CONF/TEST.PAR").c_str());
    ui_->defaultAnswer = IDOK; // someone at the machine takes each box as it comes
    testing::internal::CaptureStderr();
    ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
    const bool ended = RunUntilClosed(120000);
    const std::string output = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended) << "the test run did not end\n" << output;

    // The first pass over the list refuses it as its second bar; the next pass, which the
    // selection makes of the bars left, refuses it alone and ends the list.
    const std::string refusal = MsgError("BAR_SHORT");
    std::vector<std::string> refused;
    for (const auto& b : ui_->boxes) {
        if (b.text.rfind(refusal, 0) == 0) refused.push_back(b.text.substr(refusal.size()));
        else if (row.hidePopups != 0) ADD_FAILURE() << b.title << ": " << b.text; // nobody to answer it
    }
    const std::vector<std::string> passes = {" 2 / 3", " 1 / 1"};
    EXPECT_EQ(refused, row.boxes != 0 ? passes : std::vector<std::string>{});
    const std::size_t first = output.find("bar 2 / 3 CORTA refused: " + refusal + " 2 / 3");
    const std::size_t second = output.find("bar 1 / 1 CORTA refused: " + refusal + " 1 / 1");
    EXPECT_EQ(first != std::string::npos && second != std::string::npos && first < second, row.logged) << output;
    EXPECT_EQ(Count(output, "refused"), row.logged ? 2u : 0u) << output;

    // The other bars ran; the refused one keeps its repetition; the next list ran to its end.
    BarList left((lda_ + "CORTA.lda").c_str());
    ASSERT_EQ(left.BarCount(), 3);
    for (int i = 0; i < left.BarCount(); ++i) {
        SCOPED_TRACE(left.Bar(i)->name);
        EXPECT_EQ(left.Bar(i)->repetitionsLeft, std::string(left.Bar(i)->name) == "CORTA" ? 1 : 0);
    }
    EXPECT_FALSE(fs::exists(lda_ + "PORTE.lda"));
}

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

namespace {

// The first write of the bar report fails (a full drive): the selection's tool set-up
// optimisation fails for the first list only.
bool g_reportFaultArmed = false;
int FirstBarReportFails(const char* nativePath, plat::FileOp op) {
    const std::string p = nativePath;
    const bool report = p.size() >= 10 && p.compare(p.size() - 10, 10, "OUTPUT.BAR") == 0;
    if (!report || op != plat::FileOp::Write || !g_reportFaultArmed) return 0;
    g_reportFaultArmed = false;
    return ENOSPC;
}

// A one-bar list of the demo's profile, changed by the row.
ldatest::ListSpec OneBarList(const char* name, int32_t length, uint16_t repetitions, const char* tool) {
    ldatest::ListSpec spec;
    spec.description = name;
    ldatest::BarSpec b = DemoProfileBar(name, length);
    b.repetitions = repetitions;
    ldatest::PieceSpec p;
    p.name = "P1";
    p.length = 100000;
    if (tool != nullptr) {
        ldatest::MachiningSpec m;
        m.x = 50000;
        m.y = 30000;
        m.tool = tool;
        p.machinings.push_back(m);
    }
    b.pieces.push_back(p);
    spec.bars = {b};
    return spec;
}

} // namespace

// Nobody at the machine: each box the list opening or the selection would wait on goes to the
// output instead, the list it came from ends there, and the run goes on with the next list of
// the test list to its own end. No box is left waiting.
TEST_F(JobRunTest, UnattendedRunPassesEachJobBoxAndReachesItsEnd) {
    const struct {
        const char* what;
        bool garbage;          // a file that is no list at all
        int32_t length;        // thousandths of a millimetre
        uint16_t repetitions;
        const char* tool;      // a machining's tool, or none
        bool reportFault;      // the tool set-up's report cannot be written
        const char* told;      // what the output names
        const char* textKey;   // and the text it gives (ERR.MSG), or none
    } rows[] = {
        {"a bar too short for the vices", false, 200000, 1, nullptr, false, "selection refused: ", "LEN_BAR"},
        {"the tool set-up optimisation fails", false, 6000000, 1, nullptr, true, "selection refused: ", nullptr},
        {"no bars left", false, 6000000, 0, nullptr, false, "list not opened: ", "ERR_LIST_NO_BARS"},
        {"a list that does not load", true, 0, 0, nullptr, false, "list not opened: ", nullptr},
        {"a tool not in the tool table", false, 6000000, 1, "NOSUCH", false, "list not opened: ", "WRONG_DRILL"},
    };
    SetUpTestRun({});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "LDA" / "PORTE.lda", lda_ + "PORTE.lda",
                      fs::copy_options::overwrite_existing);
        const std::string bad = lda_ + "CORTO6.lda";
        if (row.garbage) WriteFile(bad, "not a bar list\r\n");
        else ASSERT_TRUE(ldatest::WriteLda(bad, OneBarList("CORTO6", row.length, row.repetitions, row.tool)));
        WriteFile(lda_ + "TestList.txt", "CORTO6.lda\r\nPORTE.lda\r\n");
        ui_->boxes.clear();
        ui_->defaultAnswer = IDOK;
        g_reportFaultArmed = row.reportFault;
        plat::SetFileFaultForTests(&FirstBarReportFails);
        testing::internal::CaptureStderr();
        ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
        const bool ended = RunUntilClosed(60000);
        const std::string output = testing::internal::GetCapturedStderr();
        plat::SetFileFaultForTests(nullptr);
        EXPECT_TRUE(ended) << "the test run did not end\n" << output;
        for (const auto& b : ui_->boxes) ADD_FAILURE() << "box waited on: " << b.title << ": " << b.text;
        const std::size_t at = output.find(row.told);
        EXPECT_NE(at, std::string::npos) << output;
        if (row.textKey != nullptr && at != std::string::npos) {
            EXPECT_EQ(output.compare(at + std::strlen(row.told), std::strlen(MsgError(row.textKey)),
                                     MsgError(row.textKey)), 0) << output;
        }
        if (row.reportFault) {
            EXPECT_NE(output.find("OUTPUT.BAR"), std::string::npos) << output;
        }
        EXPECT_FALSE(g_reportFaultArmed);
        // The next list ran to its end (a finished list is removed) and the refused one keeps
        // its bars as they were.
        EXPECT_FALSE(fs::exists(lda_ + "PORTE.lda"));
        if (!row.garbage && row.repetitions > 0 && row.tool == nullptr) {
            BarList left(bad.c_str());
            ASSERT_EQ(left.BarCount(), 1) << g_errorText;
            EXPECT_EQ(left.Bar(0)->repetitionsLeft, row.repetitions);
        }
        app_.reset();
    }
}

namespace {

// The bar progress file cannot be written (a read-only folder): a notice on the job's road.
int ProgressReadOnly(const char* nativePath, plat::FileOp op) {
    const std::string p = nativePath;
    const bool record = p.size() >= 11 && p.compare(p.size() - 11, 11, "STATBAR.TXT") == 0;
    return record && op != plat::FileOp::Read ? EACCES : 0;
}

} // namespace

// The program's own boxes on the screen: in the unattended run a notice (OK alone) is never put
// up, it goes to the output and the run goes on; with someone at the machine it is shown. (The
// progress file's fault is told once per program run: one row per test.)
struct NoticeRow {
    const char* what;
    int hidePopups;
    bool shown;
};
class UnattendedNoticeTest : public JobRunTest, public ::testing::WithParamInterface<NoticeRow> {};
const NoticeRow kNoticeRows[] = {{"Unattended", 1, false}, {"Attended", 0, true}};
INSTANTIATE_TEST_SUITE_P(Runs, UnattendedNoticeTest, ::testing::ValuesIn(kNoticeRows),
                         [](const ::testing::TestParamInfo<NoticeRow>& i) { return i.param.what; });

TEST_P(UnattendedNoticeTest, NoticeOnTheScreenGoesToTheOutputWhenNobodyIsThere) {
    const NoticeRow& row = GetParam();
    SetUpTestRun({"PORTE.lda"});
    plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", row.hidePopups ? "1" : "0",
                             (program_ + "CONF/TEST.PAR").c_str());
    app::QtUiServices screen;
    SetUi(&screen);
    std::vector<std::string> onScreen;
    app::QtUiServices::SetBoxObserver([&](QMessageBox& box) {
        onScreen.push_back(box.text().toStdString());
        QTimer::singleShot(10, &box, [&box] { box.done(QMessageBox::Ok); });
    });
    plat::SetFileFaultForTests(&ProgressReadOnly);
    testing::internal::CaptureStderr();
    ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
    const bool ended = RunUntilClosed(60000);
    const std::string output = testing::internal::GetCapturedStderr();
    plat::SetFileFaultForTests(nullptr);
    app::QtUiServices::SetBoxObserver(nullptr);
    SetUi(ui_.get());
    EXPECT_TRUE(ended) << output;
    const std::string fault = "STATBAR.TXT";
    int faultShown = 0;
    for (const std::string& t : onScreen) faultShown += t.find(fault) != std::string::npos ? 1 : 0;
    EXPECT_EQ(faultShown, row.shown ? 1 : 0);
    const std::size_t told = output.find("notice: ");
    EXPECT_EQ(told != std::string::npos && output.find(fault, told) != std::string::npos, !row.shown) << output;
    if (!row.shown) {
        EXPECT_TRUE(onScreen.empty()) << onScreen.front();
    }
    EXPECT_FALSE(fs::exists(lda_ + "PORTE.lda")) << "the list ran to its end";
}
