#pragma once
// A scratch installation for the engine tests: program directory with CONF\ (a demo
// configuration), MSG\ (the demo's message tables and report template), the tool table, the
// settings with every parameter loaded for the machine variant, the ralla tool set and the
// special-program list. Lists are written with the tests/support writer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "engine/bar_computation.h"
#include "engine/shape_compiler.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/special_programs.h"
#include "machine/units.h"
#include "msgtable/Dictavo.h"
#include "platform/profile.h"
#include "test_support/lda_writer.h"
#include "test_support/scratch_install.h"

namespace enginetest {

using scratch::ReadFile;
using scratch::WriteFile;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { Install(1, "CONF"); }
    void TearDown() override { Uninstall(); }

    // Lays out the installation for a variant with one of the demo configuration folders.
    void Install(int variant, const std::string& conf) {
        ResetProgramValues();
        ApplyMachineVariant(variant);
        g_machineConnected = 0;
        ASSERT_NO_FATAL_FAILURE(scratch::MakeInstallDir("brelon-engine", dir_));
        std::filesystem::create_directories(dir_ + "MSG");
        const std::string src = BRELON_SOURCE_DIR "/demo/";
        scratch::CopyDemoConf(conf, dir_ + "CONF/");
        std::filesystem::copy_file(src + "MSG/DEBTG.MSG", dir_ + "MSG/DEBTG.MSG");
        std::filesystem::copy_file(src + "UTEN/TOOLS.TXT", dir_ + "TOOLS.TXT");
        scratch::PointPathsAt(dir_);
        ASSERT_NO_FATAL_FAILURE(scratch::LoadDemoMessages());
        SetUnitSystem(kUnitMillimetres);
        g_pSettings = new MachineSettings();
        ASSERT_EQ(LoadBaseParameters(*g_pSettings), 0) << g_errorText;
        ASSERT_EQ(LoadAllParameters(*g_pSettings), 0) << g_errorText;
        g_pRallaTools = new RallaToolSet(1);
        ASSERT_EQ(g_pRallaTools->LoadTools(), 0) << g_errorText;
        g_pSpecialPrograms = new SpecialProgramList;
        ClearErrorText();
    }

    void Uninstall() {
        list_.reset();
        delete g_pSpecialPrograms;
        g_pSpecialPrograms = nullptr;
        delete g_pRallaTools;
        g_pRallaTools = nullptr;
        delete g_pSettings;
        g_pSettings = nullptr;
        scratch::FreeMessagesAndPaths();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        ResetProgramValues();
    }

    void Reinstall(int variant, const std::string& conf) {
        Uninstall();
        Install(variant, conf);
    }

    // Writes the list and opens it as the list object.
    BarComputation& Open(const ldatest::ListSpec& spec, const std::string& name = "LIST.lda") {
        EXPECT_TRUE(ldatest::WriteLda(dir_ + name, spec));
        list_ = std::make_unique<BarComputation>((dir_ + name).c_str());
        EXPECT_TRUE(list_->IsLoaded()) << g_errorText;
        return *list_;
    }

    std::string Err(const char* key) const { return MsgError(key); }

    std::string dir_;
    std::unique_ptr<BarComputation> list_;
};

// Builders of small lists.
inline ldatest::MachiningSpec Drill(int32_t x, float face, const char* tool = "PUNTA5", int32_t diameter = 5000) {
    ldatest::MachiningSpec m;
    m.figure = 1;
    m.shortText = "FORO";
    m.faceAngle = face;
    m.x = x;
    m.y = 30000;
    m.z = 20000;
    m.tool = tool;
    m.params = {diameter};
    m.xMin = -diameter / 2;
    m.xMax = diameter / 2;
    m.yMin = -diameter / 2;
    m.yMax = diameter / 2;
    m.depthCount = 2;
    m.stepDepth = 2000;
    m.nomeLdt = "T";
    m.idLdt = 1;
    return m;
}

inline ldatest::PieceSpec Piece(const char* name, int32_t length, int32_t right = 90000, int32_t left = 90000) {
    ldatest::PieceSpec p;
    p.name = name;
    p.length = length;
    p.firstAngle = right;
    p.secondAngle = left;
    return p;
}

inline ldatest::BarSpec Bar(std::vector<ldatest::PieceSpec> pieces, int32_t length = 6000000) {
    ldatest::BarSpec b;
    b.name = "BAR";
    b.series = "ALU60";
    b.code = "T6001";
    b.label = "7";
    b.yMax = 60000;
    b.zMax = 45000;
    b.length = length;
    b.repetitions = 1;
    b.pieces = std::move(pieces);
    return b;
}

inline ldatest::ListSpec List(std::vector<ldatest::BarSpec> bars) {
    ldatest::ListSpec spec;
    spec.description = "ENGINE TEST";
    spec.bars = std::move(bars);
    return spec;
}

} // namespace enginetest
