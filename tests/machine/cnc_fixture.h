#pragma once
// An installation of its own per test: program directory "C:\BRELON3\VELMO\" and controller work
// directory "C:\UVEN\LAV\LAV\" under a temporary drives root shared with the simulated controller,
// which is bound once per test program through the program's own binding (g_uvenlib) from the
// build's bin folder. A fake clock, a recording UI and the demo's string table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/settings_support.h"
#include "machine/special_programs.h"
#include "machine/ui_services_fake.h"
#include "machine/uvenlib_binding.h"
#include "msgtable/Dictavo.h"
#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "simcnc/simcnc.h"

namespace fs = std::filesystem;

inline std::string SimLibraryPath(const char* subdir = "") {
    return std::string(BRELON_BINARY_DIR) + "/bin" + subdir + "/libUvenlibVB.so";
}

class CncTest : public ::testing::Test {
protected:
    static inline simcnc::Controls sim;

    static void SetUpTestSuite() {
        if (g_uvenlib.IsLoaded()) return;
        ASSERT_TRUE(g_uvenlib.Bind(SimLibraryPath().c_str(), nullptr)) << plat::LastLibraryError();
        ASSERT_EQ(g_uvenlib.MissingCount(), 0);
        ASSERT_TRUE(sim.Bind([](const char* n) { return plat::GetProcAddress(g_uvenlib.Handle(), n); }));
    }

    void SetUp() override {
        ResetProgramValues();
        ApplyMachineVariant(1);
        std::string tmpl = (fs::temp_directory_path() / "brelon-cnc-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        plat::SetDrivesRoot(root + "/drives");
        sim.SimSetDrivesRoot((root + "/drives").c_str());
        sim.SimReset();
        sim.SimSetAutoAdvance(0);
        prog = root + "/drives/C/BRELON3/VELMO/";
        work = root + "/drives/C/UVEN/LAV/LAV/";
        for (const char* d : {"CONF", "MSG", "LOG"}) fs::create_directories(prog + d);
        fs::create_directories(work + "SPECIAL");
        g_pPathTable = new PathTable;
        SetProgramDir("C:\\BRELON3\\VELMO\\");
        SetConfigParPath("C:\\BRELON3\\VELMO\\CONF\\");
        SetAlarmLogPath("C:\\BRELON3\\VELMO\\");
        SetCncWorkDir("C:\\UVEN\\LAV\\LAV\\");
        g_msgStrings = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/STRING.MSG");
        ASSERT_EQ(g_msgStrings->LoadStrings(), 1);
        fs::copy_file(BRELON_SOURCE_DIR "/demo/MSG/CNC.MSG", prog + "MSG/CNC.MSG");
        clock.SetEpoch(1772668800); // 2026-03-05 00:00:00 UTC
        clock.Advance(10 * 3600 * 1000);
        plat::SetClock(&clock);
        ClearErrorText();
    }

    void TearDown() override {
        cnc.reset();
        plat::SetClock(nullptr);
        delete g_msgStrings;
        g_msgStrings = nullptr;
        delete g_pPathTable;
        g_pPathTable = nullptr;
        sim.SimSetDrivesRoot(nullptr);
        plat::SetDrivesRoot("");
        std::error_code ec;
        fs::remove_all(root, ec);
        ResetProgramValues();
    }

    // CONFIG.PAR of the installation, written before the state object is made.
    void Config(const std::string& general, const std::string& more = "") {
        Write(prog + "CONF/CONFIG.PAR", "[GENERAL]\r\n" + general + more);
    }
    CStatoCncOn& MakeOnline() {
        cnc = std::make_unique<CStatoCncOn>();
        return static_cast<CStatoCncOn&>(*cnc);
    }
    CStatoCncOn& On() { return static_cast<CStatoCncOn&>(*cnc); }

    static void Write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    // "dd/mm/yyyy;hh:mm:ss;" of the fake clock's current time.
    std::string Stamp() {
        plat::LocalTime t{};
        LocalTimeOf(clock.Time(), t);
        char b[40];
        std::snprintf(b, sizeof b, "%02d/%02d/%d;%02d:%02d:%02d;", t.day, t.month, t.year, t.hour, t.minute,
                      t.second);
        return b;
    }
    std::string LogFile() {
        plat::LocalTime t{};
        LocalTimeOf(clock.Time(), t);
        char b[40];
        std::snprintf(b, sizeof b, "%d%02d%02d.LGC", t.year, t.month, t.day);
        return prog + "LOG/" + b;
    }
    // Every command sent, as "code,sub,text=result".
    std::string Commands() {
        std::string s;
        for (int i = 0; i < sim.SimCommandLogCount(); ++i) {
            int code = 0, sub = 0, result = 0;
            char text[64] = "";
            sim.SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
            s += std::to_string(code) + "," + std::to_string(sub) + (text[0] ? std::string(",") + text : "") + "=" +
                 std::to_string(result) + " ";
        }
        return s;
    }

    std::string root, prog, work;
    plat::FakeClock clock;
    ScopedRecordingUi ui;
    RecordingWindow window;
    std::unique_ptr<CStatoCnc> cnc;
};
