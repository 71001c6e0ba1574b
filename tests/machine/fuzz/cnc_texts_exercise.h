#pragma once
// The controller's texts from any file: the same bytes as "MSVtag.par" (program-state texts
// mapped to operator tags, with R-variable conditions read from the simulated controller),
// "CNC.MSG" (alarm and message texts) and "ALARM.LOG" (the alarm history, read back, saved
// and read again to the same entries).
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "machine/cnc_state.h"
#include "machine/event_log.h"
#include "machine/uvenlib_binding.h"
#include "machine_fuzz_env.h"
#include "platform/dynlib.h"
#include "platform/profile.h"
#include "simcnc/simcnc.h"

namespace machine_fuzz {

// The on-line state object over the simulated controller, made once.
inline CStatoCncOn* OnlineState() {
    static CStatoCncOn* state = [] {
        TheEnv();
        static simcnc::Controls sim;
        const std::string lib = std::string(BRELON_BINARY_DIR) + "/bin/libUvenlibVB.so";
        if (!g_uvenlib.IsLoaded() && !g_uvenlib.Bind(lib.c_str(), nullptr)) std::abort();
        if (!sim.Bind([](const char* n) { return plat::GetProcAddress(g_uvenlib.Handle(), n); })) std::abort();
        sim.SimReset();
        sim.SimSetR(100, 1);
        sim.SimSetR(101, 2.5);
        mutation::WriteFile(TheEnv().Conf("CONFIG.PAR"), "[GENERAL]\r\nALARM_LOG=0\r\n");
        return new CStatoCncOn;
    }();
    return state;
}

// Texts the controller could report for a key of the map: the key itself, and for a wildcard
// key a text it stands for.
inline std::vector<std::string> StateTextsFor(const std::string& key) {
    std::vector<std::string> texts = {key};
    if (!key.empty() && key[0] == '%') texts.push_back("6010" + key.substr(1));
    if (!key.empty() && key[0] == '*') texts.push_back("PROG" + key.substr(1));
    return texts;
}

inline std::string CncTextsExercise(const std::string& bytes) {
    Env& env = Fresh();
    CStatoCncOn& cnc = *OnlineState();
    const std::string tags = env.Conf("MSVtag.par");
    const std::string messages = env.dir + "MSG/CNC.MSG";
    mutation::WriteFile(tags, bytes);
    mutation::WriteFile(messages, bytes);

    std::vector<std::string> keys = plat::ReadProfileKeys("BRELON", tags.c_str());
    if (keys.size() > 12) keys.resize(12);
    keys.push_back("PROG.ISO");
    keys.push_back(" 6010.BRE ");
    for (const std::string& key : keys) {
        for (const std::string& t : StateTextsFor(key)) {
            char text[260];
            char result[200];
            std::snprintf(text, sizeof text, "%s", t.c_str());
            std::memset(result, 'x', sizeof result);
            cnc.MapOperatorText(text, result);
            if (::strnlen(result, sizeof result) >= sizeof result) return "operator tag overran its 200 characters";
        }
    }

    std::vector<std::string> numbers = plat::ReadProfileKeys("ALARM", messages.c_str());
    if (numbers.size() > 12) numbers.resize(12);
    for (const std::string& n : numbers) {
        for (const char* section : {"ALARM", "MSG"})
            if (CncMessageText(messages.c_str(), section, std::atoi(n.c_str())).size() > 199)
                return "controller text longer than 199 characters";
    }

    return std::string();
}

// "ALARM.LOG": what loads is saved and loads again to the same entries.
inline std::string AlarmLogExercise(const std::string& bytes) {
    Env& env = Fresh();
    const std::string log = env.dir + "ALARM.LOG";
    const std::string saved = env.dir + "ALARM2.LOG";
    mutation::WriteFile(log, bytes);
    static AlarmHistory first, second; // 500 entries each: kept off the stack
    const int read = first.Load(log.c_str());
    if (read != first.Count() || read < 0 || read > AlarmHistory::kCapacity) return "alarm history count out of range";
    if (!first.Save(saved.c_str(), BRELON_SOURCE_DIR "/demo/MSG/CNC.MSG")) return "alarm history not saved";
    if (second.Load(saved.c_str()) != read) return "saved alarm history reads back another count";
    for (int i = 0; i < read; ++i) {
        const AlarmHistory::Entry& a = first.At(i);
        const AlarmHistory::Entry& b = second.At(i);
        if (a.number != b.number || a.day != b.day || a.month != b.month || a.year != b.year || a.hour != b.hour ||
            a.minute != b.minute || a.second != b.second)
            return "saved alarm history reads back other entries";
    }
    return std::string();
}

} // namespace machine_fuzz
