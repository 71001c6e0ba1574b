#pragma once
// Pieces of the scratch installations the fixtures of several folders lay out: whole-file reads
// and writes, the installation folder with its CONF folder, the demo configuration files copied
// into it, the path table pointed at it, and the demo's message tables loaded into the globals
// and freed again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "machine/path_table.h"
#include "machine/settings_support.h"
#include "msgtable/Dictavo.h"

namespace scratch {

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}
inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Makes a new folder prefix-XXXXXX in the temporary directory with a CONF folder in it and
// sets dir to it, ending in a slash; call it under ASSERT_NO_FATAL_FAILURE.
inline void MakeInstallDir(const char* prefix, std::string& dir) {
    std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir = tmpl + "/";
    std::filesystem::create_directories(dir + "CONF");
}

// Copies the three configuration files of the demo folder conf (e.g. "CONF", "CONF-V0") into
// the folder confDir (ending in a slash).
inline void CopyDemoConf(const std::string& conf, const std::string& confDir) {
    const std::string src = BRELON_SOURCE_DIR "/demo/" + conf + "/";
    for (const char* name : {"CONFIG.PAR", "CONFIG.X_", "PARAM.PAR"})
        std::filesystem::copy_file(src + name, confDir + name);
}

// A new path table for an installation in dir (ending in a slash): program and tool folder
// dir, configuration files in dir CONF/.
inline void PointPathsAt(const std::string& dir) {
    g_pPathTable = new PathTable;
    SetProgramDir(dir.c_str());
    SetConfigParPath((dir + "CONF/").c_str());
    SetParamParPath((dir + "CONF/").c_str());
    SetToolsTxtPath(dir.c_str());
}

// Loads the demo's STRING.MSG and ERR.MSG as the message tables; call it under
// ASSERT_NO_FATAL_FAILURE so that a table that does not load stops the set-up.
inline void LoadDemoMessages() {
    g_msgStrings = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/STRING.MSG");
    g_msgErrors = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/ERR.MSG");
    ASSERT_EQ(g_msgStrings->LoadStrings(), 1);
    ASSERT_EQ(g_msgErrors->LoadStrings(), 1);
}

// Frees the message tables and the path table.
inline void FreeMessagesAndPaths() {
    delete g_msgStrings;
    delete g_msgErrors;
    g_msgStrings = g_msgErrors = nullptr;
    delete g_pPathTable;
    g_pPathTable = nullptr;
}

} // namespace scratch
