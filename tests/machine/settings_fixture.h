#pragma once
// A configuration directory of its own per test: a program directory with CONF\, the path
// table pointing at it, the demo's message tables loaded, and a recording UI for boxes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services_fake.h"
#include "machine/units.h"
#include "msgtable/Dictavo.h"
#include "platform/profile.h"

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramValues();
        std::string tmpl = (std::filesystem::temp_directory_path() / "brelon-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        std::filesystem::create_directories(dir_ + "/CONF");
        g_pPathTable = new PathTable;
        SetProgramDir((dir_ + "/").c_str());
        SetConfigParPath((dir_ + "/CONF/").c_str());
        SetParamParPath((dir_ + "/CONF/").c_str());
        g_msgStrings = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/STRING.MSG");
        g_msgErrors = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/ERR.MSG");
        ASSERT_EQ(g_msgStrings->LoadStrings(), 1);
        ASSERT_EQ(g_msgErrors->LoadStrings(), 1);
        ClearErrorText();
        SetUnitSystem(kUnitMillimetres);
    }

    void TearDown() override {
        delete g_msgStrings;
        delete g_msgErrors;
        g_msgStrings = g_msgErrors = nullptr;
        delete g_pPathTable;
        g_pPathTable = nullptr;
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        ResetProgramValues();
        SetUnitSystem(kUnitMillimetres);
    }

    std::string Conf(const std::string& name) const { return dir_ + "/CONF/" + name; }
    std::string ConfigPar() const { return Conf("CONFIG.PAR"); }
    std::string ParamPar() const { return Conf("PARAM.PAR"); }

    static std::string ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f << text;
    }
    static std::string Key(const std::string& file, const char* section, const char* key) {
        return plat::ReadProfileString(section, key, "<missing>", file.c_str());
    }
    static void SetKey(const std::string& file, const char* section, const char* key, const char* value) {
        ASSERT_TRUE(plat::WriteProfileString(section, key, value, file.c_str()));
    }

    // The three configuration files of a demo installation folder ("CONF", "CONF-V0", ...).
    void UseDemoConf(const std::string& folder) {
        for (const char* name : {"CONFIG.PAR", "CONFIG.X_", "PARAM.PAR"}) {
            std::filesystem::copy_file(std::string(BRELON_SOURCE_DIR "/demo/") + folder + "/" + name, Conf(name),
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }

    std::string dir_;
    ScopedRecordingUi ui_;
};
