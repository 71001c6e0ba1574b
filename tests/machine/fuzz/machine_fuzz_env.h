#pragma once
// The installation the machine layer's readers see under fuzzing: a program directory of its
// own with CONF\, MSG\ and LOG\, the path table pointing into it, the demo's message tables,
// a recording user interface and serial ports mapped to a missing device. Made once per
// process; each exercise writes the file it feeds and resets what it changes.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/settings_support.h"
#include "machine/ui_services_fake.h"
#include "msgtable/Dictavo.h"
#include "test_support/mutation.h"

namespace machine_fuzz {

struct Env {
    std::string dir; // program directory, native, with its final slash
    ScopedRecordingUi ui;

    Env() {
        dir = mutation::ProcessDir("machine-fuzz") + "/";
        for (const char* d : {"CONF", "MSG", "LOG", "UTEN"}) std::filesystem::create_directories(dir + d);
        // A damaged configuration may name any port: none of them reaches a real device.
        for (int n = 1; n <= 9; ++n) ::setenv(("BRELON_COM" + std::to_string(n)).c_str(), (dir + "nocom").c_str(), 1);
        ResetProgramValues();
        g_pPathTable = new PathTable;
        SetProgramDir(dir.c_str());
        SetConfigParPath((dir + "CONF/").c_str());
        SetParamParPath((dir + "CONF/").c_str());
        SetTestParPath((dir + "CONF/").c_str());
        SetToolsTxtPath((dir + "UTEN/").c_str());
        SetAlarmLogPath(dir.c_str());
        g_msgStrings = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/STRING.MSG");
        g_msgErrors = new Dictavo(BRELON_SOURCE_DIR "/demo/MSG/ERR.MSG");
        g_msgStrings->LoadStrings();
        g_msgErrors->LoadStrings();
    }
    std::string Conf(const char* name) const { return dir + "CONF/" + name; }
};

// The one environment of the process.
inline Env& TheEnv() {
    static Env* env = new Env; // lives to the end: the readers hold its paths
    return *env;
}

// Ready for the next input: no message, no recorded boxes.
inline Env& Fresh() {
    Env& env = TheEnv();
    ClearErrorText();
    env.ui.boxes.clear();
    return env;
}

} // namespace machine_fuzz
