// Start-up and exit of the application object against a program directory in a temporary
// folder.
#include <cerrno>
#include <filesystem>

#include "app/main_frame.h"
#include "app/path_table_qt.h"
#include "app_fixture.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/uvenlib_binding.h"
#include "msgtable/Dictavo.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/single_instance.h"

namespace fs = std::filesystem;

using StartupTest = AppFixture;

TEST_F(StartupTest, OfficeWithoutControllerWorkDirectoryTriesNoLibraryAndShowsNothing) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    EXPECT_EQ(g_machineConnected, 0);
    EXPECT_FALSE(g_uvenlib.IsLoaded());
    EXPECT_EQ(CountBoxesContaining("UvenlibVB"), 0);
    EXPECT_TRUE(ui_->boxes.empty()) << ui_->boxes.front().text;
    ASSERT_NE(MainFrame, nullptr);
    ASSERT_NE(g_pCncState, nullptr);
    EXPECT_EQ(dynamic_cast<CStatoCncOn*>(g_pCncState), nullptr);
    EXPECT_FALSE(MainFrame->Timers().IsRunning(kStatusTimerId));
    // Paths from the module directory.
    EXPECT_EQ(fs::path(plat::NativePath((*g_pPathTable)[PathTable::kConfigPar])),
              fs::path(program_ + "CONF/CONFIG.PAR"));
}

TEST_F(StartupTest, OfficeWordKeepsControllerBound) {
    MakeOnline();
    ASSERT_EQ(Start("office"), CVelmoApp::kStarted);
    EXPECT_TRUE(g_uvenlib.IsLoaded());
    EXPECT_EQ(g_machineConnected, 0);
    EXPECT_NE(std::string(g_baseTitle).find(" - OFFICE -"), std::string::npos);
}

TEST_F(StartupTest, ControllerLibraryMissingOneEntryGivesOneMessageAndGoesOn) {
    MakeOnline("/missing");
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text, "Funzione lquote non trovata");
    EXPECT_EQ(ui_->boxes[0].title, "Velmo-Errore");
    EXPECT_FALSE(ui_->boxes[0].titleIsKey);
    EXPECT_EQ(g_machineConnected, 1);
    EXPECT_EQ(g_uvenlib.lquote, nullptr);
    ASSERT_NE(MainFrame, nullptr);
    EXPECT_TRUE(MainFrame->Timers().IsRunning(kStatusTimerId));
}

// A message file missing, or in a text the table cannot read (UTF-16), stops the start with the
// fixed text and the file's name.
TEST_F(StartupTest, MessageFileTheTableCannotReadStopsStartUpNamingIt) {
    const struct {
        const char* file;
        bool utf16;
    } rows[] = {{"ERR.MSG", false}, {"STRING.MSG", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.file);
        TearDown();
        SetUp();
        if (r.utf16)
            WriteFile(program_ + "MSG/" + r.file, std::string("\xFF\xFET\0_\0E\0 \0x\0\r\0\n\0", 16));
        else
            fs::remove(program_ + "MSG/" + r.file);
        EXPECT_EQ(Start(), CVelmoApp::kFailed);
        ASSERT_EQ(ui_->boxes.size(), 1u);
        const std::string text = ui_->boxes[0].text;
        EXPECT_EQ(text.rfind(std::string(CVelmoApp::kNoMessagesText) + "\n", 0), 0u) << text;
        EXPECT_EQ(text.substr(text.size() - std::string(r.file).size() - 4), std::string("MSG\\") + r.file) << text;
        EXPECT_EQ(ui_->boxes[0].title, "Velmo-Errore");
        EXPECT_EQ(g_msgStrings, nullptr);
        EXPECT_EQ(g_msgErrors, nullptr);
        EXPECT_EQ(MainFrame, nullptr);
        EXPECT_EQ(g_pSettings, nullptr);
    }
}

namespace {
std::string g_unreadable; // native path whose reads fail
int g_unreadableErrno = 0;
int FailReadsOf(const char* nativePath, plat::FileOp op) {
    return op == plat::FileOp::Read && fs::path(nativePath) == fs::path(g_unreadable) ? g_unreadableErrno : 0;
}
} // namespace

TEST_F(StartupTest, AConfigurationFileThatCannotBeReadIsNamedAndStopsTheStartUntouched) {
    const struct {
        const char* file;
        int err;       // injected read failure; 0: a folder stands in the file's place
        const char* reason;
    } cases[] = {
        {"CONFIG.PAR", EACCES, "(no permission)"},
        {"CONFIG.PAR", EIO, "(Input/output error)"},
        {"PARAM.PAR", 0, "(a folder has its name)"},
        {"TEST.PAR", EACCES, "(no permission)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.err));
        TearDown();
        SetUp();
        const std::string path = program_ + "CONF/" + c.file;
        if (c.err == 0) {
            fs::remove(path);
            fs::create_directory(path);
        } else {
            WriteFile(path, "[GENERAL]\r\nUN_MIS=2\r\nIMPORT_DEFPRO=2\r\n");
        }
        const std::string config = ReadFile(program_ + "CONF/CONFIG.PAR");
        g_unreadable = path;
        g_unreadableErrno = c.err;
        plat::SetFileFaultForTests(FailReadsOf);
        const CVelmoApp::StartResult result = Start();
        plat::SetFileFaultForTests(nullptr);
        EXPECT_EQ(result, CVelmoApp::kFailed);
        ASSERT_EQ(ui_->boxes.size(), 1u);
        EXPECT_EQ(ui_->boxes[0].title, "T_ERRORE");
        const std::string& text = ui_->boxes[0].text;
        EXPECT_EQ(text.find("Cannot read the file"), 0u) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_NE(text.find(std::string("CONF\\") + c.file), std::string::npos) << text;
        EXPECT_EQ(MainFrame, nullptr);
        EXPECT_EQ(g_pSettings, nullptr);
        // Nothing was written at the start or at the exit.
        EXPECT_EQ(ReadFile(program_ + "CONF/CONFIG.PAR"), config);
        if (c.err == 0) {
            EXPECT_TRUE(fs::is_directory(path));
        }
    }
}

TEST_F(StartupTest, SecondInstanceWarnsExitsAndStillWritesSettings) {
    plat::SingleInstanceLock first("VELMO", tmp_ + "lock");
    ASSERT_TRUE(first.Acquired());
    WriteConfig("GENERAL", "UN_MIS", nullptr);
    EXPECT_EQ(Start(), CVelmoApp::kSecondInstance);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].title, "T_ATTENZIONE");
    EXPECT_EQ(ui_->boxes[0].text, "The program is already running.");
    EXPECT_EQ(MainFrame, nullptr);
    EXPECT_EQ(g_pSettings, nullptr);
    EXPECT_NE(ReadFile(program_ + "CONF/CONFIG.PAR").find("UN_MIS="), std::string::npos);
    EXPECT_TRUE(first.Acquired());
}

TEST_F(StartupTest, LockThatCannotBeMadeIsSaidSoNotTakenForASecondInstance) {
    fs::remove_all(tmp_ + "lock"); // the lock's folder is not there
    EXPECT_EQ(Start(), CVelmoApp::kFailed);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].title, "T_ERRORE");
    EXPECT_EQ(ui_->boxes[0].text.find("The lock that keeps a second Brelon3 from starting cannot be made:"), 0u);
    EXPECT_NE(ui_->boxes[0].text.find("VELMO.lock"), std::string::npos);
    EXPECT_EQ(MainFrame, nullptr);
    EXPECT_EQ(g_pSettings, nullptr);
}

TEST_F(StartupTest, TestParFlagsAndDefaultConfigurationCopy) {
    WriteFile(program_ + "CONF/TEST.PAR", "[TEST]\r\nFLAG_TEST_MACHINE=1\r\nFLAG_TEST_HIDE_POPUP=1\r\n");
    fs::remove(program_ + "CONF/CONFIG.PAR");
    ASSERT_EQ(Start("", false), CVelmoApp::kStarted);
    EXPECT_EQ(g_testRun, 1);
    EXPECT_EQ(g_testAutoConfirm, 1);
    EXPECT_EQ(g_testHidePopups, 1);
    EXPECT_TRUE(fs::exists(program_ + "CONF/CONFIG.PAR"));
}

TEST_F(StartupTest, ExistingConfigurationIsNeverOverwrittenByDefault) {
    WriteFile(program_ + "CONF/CONFIG.X_", "[GENERAL]\r\nMACHINE=K7310\r\n");
    ASSERT_EQ(Start("", false), CVelmoApp::kStarted);
    EXPECT_EQ(g_machineOption, 1);
    EXPECT_EQ(ReadFile(program_ + "CONF/CONFIG.PAR").find("K7310"), std::string::npos);
}

TEST_F(StartupTest, MachineKeyAndCommandLineCombine) {
    WriteConfig("GENERAL", "MACHINE", "ruvizorur decentr");
    ASSERT_EQ(Start("-x office", true), CVelmoApp::kStarted);
    EXPECT_EQ(g_machineConnected, 0);
    EXPECT_EQ(g_machineOption, 3);
    EXPECT_EQ(g_decentredRalla, 1);
    EXPECT_EQ(std::string(g_baseTitle), "Velmo (v3.0) for Brelon3 L1 DME - OFFICE -");
}

TEST_F(StartupTest, ExitReleasesEverythingAndClearsGlobals) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_NE(g_pRallaTools, nullptr);
    app_->ExitInstance();
    EXPECT_EQ(MainFrame, nullptr);
    EXPECT_EQ(g_pCncState, nullptr);
    EXPECT_EQ(g_pRallaTools, nullptr);
    EXPECT_EQ(g_pSettings, nullptr);
    EXPECT_EQ(g_pPathTable, nullptr);
    EXPECT_EQ(g_msgStrings, nullptr);
    EXPECT_EQ(g_msgErrors, nullptr);
    EXPECT_FALSE(g_uvenlib.IsLoaded());
    EXPECT_EQ(app_->ShapeCompilerHandle(), nullptr);
    app_->ExitInstance(); // a second exit does nothing
}
