// One status poll (queue pump, status words, 12 axis panes, overrides, mode, hold, messages,
// alarms with the alarm history, program state) against the simulated controller. The poll runs
// every 250 ms on the user-interface thread: it must stay well under 1 ms of CPU.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/uvenlib_binding.h"
#include "platform/paths.h"

namespace {

void BM_StatusPoll(benchmark::State& state) {
    const std::string lib = std::string(BRELON_BINARY_DIR) + "/bin/libUvenlibVB.so";
    if (!g_uvenlib.IsLoaded() && !g_uvenlib.Bind(lib.c_str(), nullptr)) {
        state.SkipWithError("simulated controller not found");
        return;
    }
    std::string root = (std::filesystem::temp_directory_path() / "brelon-bench-cnc-XXXXXX").string();
    if (::mkdtemp(root.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    plat::SetDrivesRoot(root);
    PathTable table;
    g_pPathTable = &table;
    SetProgramDir("C:\\BRELON3\\VELMO\\");
    SetConfigParPath("C:\\BRELON3\\VELMO\\CONF\\");
    SetAlarmLogPath("C:\\BRELON3\\VELMO\\");
    SetCncWorkDir("C:\\UVEN\\LAV\\LAV\\");
    ApplyMachineVariant(1);
    {
        CStatoCncOn cnc;
        const int panes[7] = {312, 313, 314, 315, 316, 317, 318};
        const int axisPanes[9] = {292, 293, 294, 295, 296, 297, 298, 299, 300};
        cnc.SetStatusPaneIds(panes);
        cnc.ConfigureAxes(12, "XYZAUQVWB", axisPanes, 301, 302);
        for (auto _ : state) cnc.PollStatus(5);
    }
    g_pPathTable = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}
BENCHMARK(BM_StatusPoll)->Unit(benchmark::kMicrosecond);

} // namespace
