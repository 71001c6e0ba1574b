#pragma once
// The program state a benchmark of the engine needs: a temporary program directory with the
// demo configuration of one machine variant, the message tables, the machine parameters and the
// ralla tool set, in the program's globals. Benchmarks are single processes that never tear
// this down.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "machine/globals.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/special_programs.h"
#include "machine/units.h"
#include "msgtable/Dictavo.h"
#include "test_support/lda_writer.h"

namespace benchsupport {

// confFolder: the demo configuration folder ("CONF/", "CONF-V0/", "CONF-V2/"). dir receives the
// program directory (with its final '/'). False when any step fails.
inline bool SetUpDemoInstallation(int variant, const char* confFolder, const char* tag, std::string& dir) {
    ResetProgramValues();
    ApplyMachineVariant(variant);
    std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
    if (::mkdtemp(tmpl.data()) == nullptr) return false;
    dir = tmpl + "/";
    std::filesystem::create_directories(dir + "CONF");
    std::filesystem::create_directories(dir + "MSG");
    const std::string src = BRELON_SOURCE_DIR "/demo/";
    for (const char* name : {"CONFIG.PAR", "CONFIG.X_", "PARAM.PAR"})
        std::filesystem::copy_file(src + confFolder + name, dir + "CONF/" + name);
    std::filesystem::copy_file(src + "MSG/DEBTG.MSG", dir + "MSG/DEBTG.MSG");
    std::filesystem::copy_file(src + "UTEN/TOOLS.TXT", dir + "TOOLS.TXT");
    g_pPathTable = new PathTable;
    SetProgramDir(dir.c_str());
    SetConfigParPath((dir + "CONF/").c_str());
    SetParamParPath((dir + "CONF/").c_str());
    SetToolsTxtPath(dir.c_str());
    g_msgStrings = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/STRING.MSG");
    g_msgErrors = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/ERR.MSG");
    g_msgStrings->LoadStrings();
    g_msgErrors->LoadStrings();
    SetUnitSystem(kUnitMillimetres);
    g_pSettings = new MachineSettings();
    if (LoadBaseParameters(*g_pSettings) != 0 || LoadAllParameters(*g_pSettings) != 0) return false;
    g_pRallaTools = new RallaToolSet(1);
    if (g_pRallaTools->LoadTools() != 0) return false;
    g_pSpecialPrograms = new SpecialProgramList;
    return true;
}

// Frees what SetUpDemoInstallation made and removes the program directory.
inline void TearDownInstallation(const std::string& dir) {
    delete g_pSpecialPrograms;
    delete g_pRallaTools;
    delete g_pSettings;
    delete g_msgStrings;
    delete g_msgErrors;
    delete g_pPathTable;
    g_pSpecialPrograms = nullptr;
    g_pRallaTools = nullptr;
    g_pSettings = nullptr;
    g_msgStrings = g_msgErrors = nullptr;
    g_pPathTable = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

// One repetition of a 6.5 m bar of the demo profile ALU60 T6001 (60 x 45 mm) with these pieces.
inline ldatest::BarSpec DemoProfileBar(std::vector<ldatest::PieceSpec> pieces) {
    ldatest::BarSpec bar;
    bar.name = "BAR";
    bar.series = "ALU60";
    bar.code = "T6001";
    bar.label = "7";
    bar.yMax = 60000;
    bar.zMax = 45000;
    bar.length = 6500000;
    bar.repetitions = 1;
    bar.pieces = std::move(pieces);
    return bar;
}

// Writes a list of these bars to path.
inline bool WriteBenchList(const std::string& path, const char* description, std::vector<ldatest::BarSpec> bars) {
    ldatest::ListSpec spec;
    spec.description = description;
    spec.bars = std::move(bars);
    return ldatest::WriteLda(path, spec);
}

} // namespace benchsupport
