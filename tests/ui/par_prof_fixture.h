#pragma once
// A scratch installation for the profile set tests: program directory "C:\BRELON3\VELMO\" under
// a temporary drives root, with the demo configuration (its DIR_DXF and DIR_UTEN lie in the
// same folder), the demo drawings, the demo message tables, the settings loaded and a
// recording UI.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services_fake.h"
#include "machine/units.h"
#include "msgtable/Dictavo.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "qt_app.h"
#include "test_support/scratch_install.h"

namespace parproftest {

namespace fs = std::filesystem;

inline std::string ReadBytes(const std::string& path) { return scratch::ReadFile(path); }
// Writes the file, making its folder first.
inline void WriteBytes(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    scratch::WriteFile(path, text);
}

class ParProfTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ResetProgramValues();
        ApplyMachineVariant(1);
        g_machineConnected = 0;
        std::string tmpl = (fs::temp_directory_path() / "brelon-parprof-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        plat::SetDrivesRoot(root + "/drives");
        prog = root + "/drives/C/BRELON3/VELMO/";
        for (const char* d : {"CONF", "MSG", "UTEN", "LOG"}) fs::create_directories(prog + d);
        scratch::CopyDemoConf("CONF", prog + "CONF/");
        fs::copy(BRELON_SOURCE_DIR "/demo/DXF", prog + "DXF", fs::copy_options::recursive);
        g_pPathTable = new PathTable;
        SetProgramDir("C:\\BRELON3\\VELMO\\");
        SetConfigParPath("C:\\BRELON3\\VELMO\\CONF\\");
        SetParamParPath("C:\\BRELON3\\VELMO\\CONF\\");
        ASSERT_NO_FATAL_FAILURE(scratch::LoadDemoMessages());
        g_pSettings = new MachineSettings();
        ASSERT_EQ(LoadBaseParameters(*g_pSettings), 0) << g_errorText;
        ASSERT_EQ(LoadAllParameters(*g_pSettings), 0) << g_errorText;
        SetUnitSystem(kUnitMillimetres);
        ClearErrorText();
    }

    void TearDown() override {
        delete g_pSettings;
        g_pSettings = nullptr;
        scratch::FreeMessagesAndPaths();
        plat::SetDrivesRoot("");
        std::error_code ec;
        fs::remove_all(root, ec);
        SetUnitSystem(kUnitMillimetres);
        ResetProgramValues();
    }

    std::string Cp(const std::string& series) const { return prog + "CONF/" + series + ".CP"; }
    void WriteCp(const std::string& series, const std::string& text) const {
        WriteBytes(Cp(series), plat::WithCrLf(text));
    }
    std::string ReadCp(const std::string& series) const { return ReadBytes(Cp(series)); }

    std::string root, prog;
    ScopedRecordingUi ui;
};

} // namespace parproftest
