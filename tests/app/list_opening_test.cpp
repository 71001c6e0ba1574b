// Bar-list opening: start folder, test-run list, time logs, and the main window's handler in
// an office test run offscreen (lists from demo/LDA).
#include <QObject>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/list_opening.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "engine/bar_computation.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include <algorithm>
#include "ui/window_message.h"

namespace fs = std::filesystem;

TEST(ListOpening, StartAndTestListFolders) {
    EXPECT_EQ(app::ListStartFolder("C:\\BRELON3\\LDA\\"), "C:\\BRELON3\\LDA");
    EXPECT_EQ(app::ListStartFolder("C:\\BRELON3\\LDA"), "C:\\BRELON3");
    EXPECT_EQ(app::ListStartFolder("C:\\"), "C:\\");       // the root backslash alone stays
    EXPECT_EQ(app::ListStartFolder("C:\\LDA.X"), "C:\\");
    EXPECT_EQ(app::ListStartFolder(""), "");
    EXPECT_EQ(app::TestListFolder("C:\\BRELON3\\LDA\\"), "C:\\BRELON3\\LDA");
    EXPECT_EQ(app::TestListFolder("C:\\BRELON3\\LDA"), "C:\\BRELON3\\LDA");
}

TEST(ListOpening, DisplayAndLogPaths) {
    EXPECT_EQ(app::ListDisplayPath("C:\\Lda\\Porte.lda"), "C:\\LDA\\PORTE.LDA");
    EXPECT_EQ(app::ListTimeLogPath("/p/", "C:\\LDA\\PORTE.LDA"), "/p/LOG\\PORTE.tmx");
    EXPECT_EQ(app::ListTimeLogPath("/p/", "C:\\A.B\\NOEXT"), "/p/LOG\\NOEXT.tmx");
    EXPECT_TRUE(app::TimeLogStartsAnew(2, 1, 5));
    EXPECT_TRUE(app::TimeLogStartsAnew(3, 5, 5));
    EXPECT_FALSE(app::TimeLogStartsAnew(3, 4, 5));
}

class ListFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/brelon_list_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) {
        std::ifstream in(dir_ + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string dir_;
};

TEST_F(ListFilesTest, TestListIterationAndExhaustion) {
    std::string path;
    EXPECT_EQ(app::NextTestListFile(dir_ + "/", 0, path), 2); // no TestList.txt
    Write("TestList.txt", "A.lda\r\nB.lda\nC.lda");
    const char* expected[] = {"A.lda", "B.lda", "C.lda"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(app::NextTestListFile(dir_ + "/", i, path), 1) << i;
        EXPECT_EQ(path, dir_ + "\\" + expected[i]);
    }
    EXPECT_EQ(app::NextTestListFile(dir_ + "/", 3, path), 2);
    // A line longer than any read buffer is still one line.
    Write("TestList.txt", std::string(600, 'x') + "\nB.lda\n");
    ASSERT_EQ(app::NextTestListFile(dir_, 1, path), 1);
    EXPECT_EQ(path, dir_ + "\\B.lda");
}

TEST_F(ListFilesTest, TimeLogsFreshAndContinued) {
    const std::string log = dir_ + "/L.tmx";
    Write("L.tmx", "old line\r\n");
    ASSERT_TRUE(app::OpenTimeLog(log, false));
    EXPECT_EQ(Read("L.tmx"), "old line\r\n");
    ASSERT_TRUE(app::OpenTimeLog(log, true));
    EXPECT_EQ(Read("L.tmx"), "======================= Time Log File ======================\r\n"
                             "          Serie           Code           Name      Exec Time\r\n");
    ASSERT_TRUE(app::OpenTimeLog(dir_ + "/NEW.tmx", false)); // continued but missing: created empty
    EXPECT_EQ(Read("NEW.tmx"), "");
    EXPECT_FALSE(app::OpenTimeLog(dir_ + "/missing/X.tmx", true));
    Write("H.lda", std::string("\x01\x02\x03\x04\x02\x66", 6));
    EXPECT_EQ(app::ReadListType(dir_ + "/H.lda"), 2);
    EXPECT_EQ(app::ReadListType(dir_ + "/none.lda"), -1);
}

namespace {
// Records the private messages posted to the main window (they are still handled).
class MessageSpy : public QObject {
public:
    std::vector<unsigned> msgs;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == ui::WindowMessageEvent::EventType()) msgs.push_back(static_cast<ui::WindowMessageEvent*>(e)->Msg());
        return false;
    }
    // Posted messages and the ones their handlers post in turn.
    static void Pump() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    int Count(unsigned m) const { return static_cast<int>(std::count(msgs.begin(), msgs.end(), m)); }
};
} // namespace

class ListOpeningAppTest : public AppFixture {
protected:
    void SetUpLists(const std::string& testList) {
        lda_ = drives_ + "/C/BRELON3/VELMO/LDA/";
        fs::create_directories(lda_);
        for (const char* n : {"PORTE.lda", "FINESTRE.lda"})
            fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "LDA" / n, lda_ + n);
        WriteFile(lda_ + "TestList.txt", testList);
        plat::WriteProfileString("TEST", "FLAG_TEST_MACHINE", "1", (program_ + "CONF/TEST.PAR").c_str());
    }
    // The test-list folder as the settings give it (DIR_LDA without its final backslash).
    static std::string TestListFolderOf() { return app::TestListFolder(g_pSettings->DIR_LDA); }
    std::string lda_;
};

TEST_F(ListOpeningAppTest, TestRunOpensTheFirstListAndShowsTheBarSelection) {
    SetUpLists("PORTE.lda\r\nFINESTRE.lda\r\n");
    MessageSpy spy;
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_NE(MainFrame, nullptr);
    MainFrame->installEventFilter(&spy);
    MessageSpy::Pump();
    for (const auto& b : ui_->boxes) ADD_FAILURE() << b.title << ": " << b.text;
    ASSERT_EQ(spy.Count(UWM_SHOW_SELBAR), 1);
    EXPECT_EQ(MainFrame->listActive, 1);
    EXPECT_EQ(MainFrame->listsOpened, 1);
    ASSERT_NE(g_pBarList, nullptr);
    EXPECT_TRUE(g_pBarList->IsLoaded());
    // The file is opened with the path as chosen; the title shows it in upper case.
    EXPECT_NE(std::string(MainFrame->listPath).find("PORTE.lda"), std::string::npos);
    EXPECT_TRUE(MainFrame->windowTitle().contains("PORTE.LDA"));
    EXPECT_TRUE(MainFrame->windowTitle().contains("C:\\BRELON3\\VELMO\\LDA"));

    // A second request while the list is active only beeps.
    BarComputation* first = g_pBarList;
    MainFrame->Post(UWM_OPEN_LIST, 0, 0);
    MessageSpy::Pump();
    EXPECT_EQ(g_pBarList, first);
    EXPECT_EQ(spy.Count(UWM_SHOW_SELBAR), 1);

    // Next list of the run, then exhaustion: the window closes itself and the counter restarts.
    MainFrame->SetListTitle(0, nullptr);
    MainFrame->Post(UWM_OPEN_LIST, 0, 0);
    MessageSpy::Pump();
    EXPECT_EQ(spy.Count(UWM_SHOW_SELBAR), 2);
    EXPECT_EQ(MainFrame->listsOpened, 2);
    EXPECT_NE(std::string(MainFrame->listPath).find("FINESTRE.lda"), std::string::npos);
    MainFrame->SetListTitle(0, nullptr);
    MainFrame->Post(UWM_OPEN_LIST, 0, 0);
    MessageSpy::Pump();
    EXPECT_EQ(spy.Count(WM_CLOSE), 1);
    EXPECT_EQ(MainFrame->listsOpened, 0);
    if (MainFrame != nullptr) MainFrame->removeEventFilter(&spy);
}

TEST_F(ListOpeningAppTest, FailingSettingsReloadStopsTheOpening) {
    SetUpLists("PORTE.lda\r\n");
    MessageSpy spy;
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    MainFrame->installEventFilter(&spy);
    g_pSettings->ToolsChanged = 1;
    fs::remove(toolsTxt_);
    MessageSpy::Pump();
    EXPECT_EQ(spy.Count(UWM_SHOW_SELBAR), 0);
    EXPECT_NE(g_pSettings->ToolsChanged, 0);
    EXPECT_EQ(MainFrame->listActive, 0);
    EXPECT_EQ(g_pBarList, nullptr);
    EXPECT_FALSE(ui_->boxes.empty());
    MainFrame->removeEventFilter(&spy);
}

TEST_F(ListOpeningAppTest, OnlineTimeLogsFreshAtFirstOpeningThenContinued) {
    SetUpLists("PORTE.lda\r\n");
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    Sim().SimSetR(456, 1.0); // the controller reports itself on
    MessageSpy::Pump();
    ASSERT_EQ(MainFrame->listActive, 1);
    const std::string header = app::kTimeLogHeader;
    EXPECT_EQ(ReadFile(program_ + "LOG/TMX-LOG.TMX"), header);
    EXPECT_EQ(ReadFile(program_ + "LOG/PORTE.tmx"), header);
    EXPECT_EQ(MainFrame->timeLogFresh, 1);
    EXPECT_NE(std::string(MainFrame->timeLogPath).find("PORTE.tmx"), std::string::npos);

    // Opened again, now marked opened on the machine, with a bar of the demo list already
    // done: the logs are continued.
    ASSERT_NE(g_pBarList, nullptr);
    ASSERT_LT(g_pBarList->BarsLeft(), g_pBarList->BarCount());
    WriteFile(program_ + "LOG/PORTE.tmx", header + "x\r\n");
    MainFrame->SetListTitle(0, nullptr);
    MainFrame->listsOpened = 0;
    MainFrame->Post(UWM_OPEN_LIST, 0, 0);
    MessageSpy::Pump();
    EXPECT_EQ(MainFrame->listActive, 1);
    EXPECT_EQ(ReadFile(program_ + "LOG/PORTE.tmx"), header + "x\r\n");
    EXPECT_EQ(MainFrame->timeLogFresh, 0);
}

TEST_F(ListOpeningAppTest, MissingListFileIsReportedAndNoListOpens) {
    SetUpLists("NOPE.lda\r\n");
    MessageSpy spy;
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    MainFrame->installEventFilter(&spy);
    MessageSpy::Pump();
    EXPECT_EQ(spy.Count(UWM_SHOW_SELBAR), 0);
    EXPECT_EQ(MainFrame->listActive, 0);
    EXPECT_EQ(MainFrame->listsOpened, 0);
    EXPECT_EQ(CountBoxesContaining(std::string(" ( ") + TestListFolderOf() + "\\NOPE.lda )"), 1);
    MainFrame->removeEventFilter(&spy);
}

TEST_F(ListOpeningAppTest, ListWithoutBarsIsSaidSoAndItsFileGoesOnlyAfterwards) {
    SetUpLists("EMPTY.lda\r\n");
    // A demo list whose header counts no bars.
    std::string bytes = ReadFile(lda_ + "PORTE.lda");
    ASSERT_GT(bytes.size(), 64u);
    bytes[50] = bytes[51] = '\0';
    WriteFile(lda_ + "EMPTY.lda", bytes);
    WriteConfig("GENERAL", "CHANGE_RIP", "1");
    std::string noBars;
    bool fileThereAtTheBox = false;
    ui_->responder = [&](const MessageBoxRequest& r) {
        if (r.text.find(noBars) != std::string::npos) fileThereAtTheBox = fs::exists(lda_ + "EMPTY.lda");
        return RefusingAnswer(r.buttons);
    };
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    noBars = MsgError("ERR_LIST_NO_BARS");
    MessageSpy::Pump();
    EXPECT_NE(noBars, "ERR_LIST_NO_BARS"); // the message table has its text
    EXPECT_EQ(CountBoxesContaining(noBars), 1);
    EXPECT_EQ(CountBoxesContaining(MsgError("ERR_FILE")), 0);
    EXPECT_TRUE(fileThereAtTheBox);
    EXPECT_FALSE(fs::exists(lda_ + "EMPTY.lda")); // finished, and CHANGE_RIP on
    EXPECT_EQ(MainFrame->listActive, 0);
}
