// The controller link from the operator's side: why the program runs off-line on a machine
// whose controller is expected, the status panes with a library that cannot read the
// controller's variables, and the reason shown for a start the PC cannot hand over.
#include <QTest>
#include <filesystem>

#include "app/exec_iso_dialog.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "machine/uvenlib_binding.h"

namespace fs = std::filesystem;

using CncLinkAppTest = AppFixture;

// Without the controller's work folder the library is not loaded and the program runs off-line.
// Where the controller's library is installed and office mode was not asked for, the operator
// is told why; an office PC (no library) and the office word say nothing.
TEST_F(CncLinkAppTest, MissingWorkFolderOnAMachineSaysWhyTheProgramRunsOffLine) {
    const struct {
        const char* what;
        const char* library; // where the controller library lies ("" nowhere)
        const char* commandLine;
        bool toldWhy;
    } cases[] = {
        {"library in the controller's folder", "C/parvolt", "", true},
        {"library beside the program", "program", "", true},
        {"office word given", "C/parvolt", "office", false},
        {"office PC without the library", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        app_.reset();
        ui_->boxes.clear();
        fs::remove_all(drives_ + "/C/parvolt");
        fs::remove(program_ + "libUvenlibVB.so");
        fs::remove_all(drives_ + "/C/UVEN");
        const std::string lib = std::string(BRELON_BINARY_DIR) + "/bin/libUvenlibVB.so";
        if (std::string(c.library) == "C/parvolt") {
            fs::create_directories(drives_ + "/C/parvolt");
            fs::copy_file(lib, drives_ + "/C/parvolt/libUvenlibVB.so");
        } else if (std::string(c.library) == "program") {
            fs::copy_file(lib, program_ + "libUvenlibVB.so");
        }
        ASSERT_EQ(Start(c.commandLine), CVelmoApp::kStarted);
        EXPECT_EQ(g_machineConnected, 0);
        EXPECT_FALSE(g_uvenlib.IsLoaded());
        EXPECT_NE(std::string(g_baseTitle).find(" - OFFICE -"), std::string::npos);
        EXPECT_EQ(CountBoxesContaining("UvenlibVB"), 0);
        const std::string told = MsgError("ERR_NO_CNC_WORKDIR");
        if (c.toldWhy) {
            ASSERT_EQ(ui_->boxes.size(), 1u);
            EXPECT_NE(told, "ERR_NO_CNC_WORKDIR"); // a text of the shipped table
            EXPECT_EQ(ui_->boxes[0].text, told + "\nC:\\UVEN\\LAV\\LAV\\");
            EXPECT_EQ(ui_->boxes[0].title, "T_ATTENZIONE");
            EXPECT_TRUE(ui_->boxes[0].titleIsKey);
            EXPECT_EQ(ui_->boxes[0].icon, BoxIcon::Warning);
        } else {
            EXPECT_TRUE(ui_->boxes.empty()) << ui_->boxes.front().text;
        }
    }
}

// A controller library without GetDatiCncEx: the start-up names it, and since the machine's
// variant can never be read the operator is told so (no retry to offer) and the program works
// in office mode: nothing runs on a controller whose machine it does not know.
TEST_F(CncLinkAppTest, LibraryWithoutTheReadEntryNeverRunsOnline) {
    MakeOnline("/noread");
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(ui_->boxes.size(), 2u);
    EXPECT_EQ(ui_->boxes[0].text, "Funzione GetDatiCncEx non trovata");
    EXPECT_EQ(ui_->boxes[1].text, std::string(MsgError("ERR_CNC_VARIANT_UNKNOWN")) + " GetDatiCncEx");
    EXPECT_EQ(ui_->boxes[1].buttons, BoxButtons::Ok);
    EXPECT_EQ(g_machineConnected, 0);
    ASSERT_NE(MainFrame, nullptr);
    EXPECT_NE(std::string(g_baseTitle).find(" - OFFICE -"), std::string::npos);
    EXPECT_FALSE(MainFrame->Timers().IsRunning(kStatusTimerId));
}

// "FILLAV.TAB" cannot be written (a folder has its name): the operator reads that, with the
// file's name, not that the controller refused the command.
TEST_F(CncLinkAppTest, ProgramListThatCannotBeWrittenIsNamedNotTakenForARefusal) {
    MakeOnline();
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 1);
    Sim().SimSetDrivesRoot(drives_.c_str());
    fs::create_directories(drives_ + "/C/ISO");
    WriteFile(drives_ + "/C/ISO/PROG1.ISO", "%\r\nN1 R599=77\r\n");
    fs::create_directories(drives_ + "/C/UVEN/LAV/LAV/FILLAV.TAB");
    {
        CExecIsoDialog d(MainFrame, "C:\\ISO\\PROG1.ISO");
        d.show();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return CountBoxesContaining(MsgError("ERR_FILLAV_WRITE")) == 1; }, 5000));
        EXPECT_EQ(ui_->boxes.back().title, "T_ERRORE");
        EXPECT_EQ(ui_->boxes.back().text, std::string(MsgError("ERR_FILLAV_WRITE")) +
                                              "\nC:\\UVEN\\LAV\\LAV\\FILLAV.TAB (" +
                                              MsgError("ERR_IS_FOLDER") + ")");
        EXPECT_EQ(CountBoxesContaining(MsgError("ERR_CMD")), 0);
        EXPECT_EQ(Sim().SimCommandLogCount(), 0); // nothing was sent
        ui_->script.push_back(IDYES);
        d.OnCancel();
    }
    Sim().SimSetDrivesRoot(nullptr);
}
