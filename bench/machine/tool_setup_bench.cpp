// Tool-setup optimisation of 1,000 selected bars: 25 profiles at two angles, one to four tools
// each from a table of twelve, on the four-position ralla (modes 0, 1, 2) and on the
// eight-position ralla with two extra positions (mode 2). Each run includes "OUTPUT.BAR".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "machine/barlist.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"

namespace {

constexpr int kBars = 1000;
constexpr int kTools = 12;

struct BenchInstall {
    BenchInstall() {
        dir = (std::filesystem::temp_directory_path() / ("brelon-toolsetup-bench-" + std::to_string(::getpid())))
                  .string();
        std::filesystem::create_directories(dir + "/CONF");
        std::snprintf(paths.slots[PathTable::kConfigPar], PathTable::kSlotSize, "%s/CONF/CONFIG.PAR", dir.c_str());
        std::snprintf(paths.slots[PathTable::kProgramDir], PathTable::kSlotSize, "%s/", dir.c_str());
        std::snprintf(paths.slots[PathTable::kToolsTxt], PathTable::kSlotSize, "%s/TOOLS.TXT", dir.c_str());
        g_pPathTable = &paths;
        std::ofstream table(dir + "/TOOLS.TXT", std::ios::binary);
        table << "# 60\r\n\r\n";
        for (int t = 1; t <= kTools; ++t)
            table << "* P" << t << " 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n\r\n";
        table.close();
        ApplyMachineVariant(0);
        settings = std::make_unique<MachineSettings>();
        g_pSettings = settings.get();
        tools = std::make_unique<RallaToolSet>(0);
        g_pRallaTools = tools.get();
        tools->LoadTools();
    }
    ~BenchInstall() {
        g_pRallaTools = nullptr;
        tools.reset();
        g_pSettings = nullptr;
        settings.reset();
        g_pPathTable = nullptr;
        std::filesystem::remove_all(dir);
    }
    std::string dir;
    PathTable paths;
    std::unique_ptr<MachineSettings> settings;
    std::unique_ptr<RallaToolSet> tools;
};

BenchInstall& Install() {
    static BenchInstall install;
    return install;
}

// 1,000 bars, all selected; the same pseudo-random list every run.
void FillList(BarList& list) {
    std::mt19937 rng(12345);
    for (int i = 0; i < kBars; ++i) {
        auto bar = std::make_unique<BarRecord>();
        bar->index = i + 1;
        const int profile = static_cast<int>(rng() % 25);
        std::snprintf(bar->series, sizeof bar->series, "S%d", profile / 5);
        std::snprintf(bar->code, sizeof bar->code, "C%d", profile);
        std::snprintf(bar->displayCode, sizeof bar->displayCode, "C%d", profile);
        bar->realValue = (rng() % 2) != 0 ? 90.0f : 0.0f;
        bar->repetitionsLeft = 1;
        bar->length = 6000000;
        const int count = 1 + static_cast<int>(rng() % 4);
        for (int q = 0; q < count; ++q) {
            int32_t t = 0;
            bool fresh = false;
            while (!fresh) {
                t = 1 + static_cast<int32_t>(rng() % kTools);
                fresh = true;
                for (int k = 0; k < q; ++k) fresh = fresh && bar->requiredTools[k] != t;
            }
            bar->requiredTools[q] = t;
        }
        list.Bars().push_back(std::move(bar));
    }
    list.MarkBarSelected(-1);
    list.CollectSelectedBars();
}

void RunOptimiser(benchmark::State& state, int variant, int mode) {
    BenchInstall& install = Install();
    ApplyMachineVariant(variant);
    for (int& on : g_extraPositionOn) on = 0;
    if (variant != 0) g_extraPositionOn[0] = g_extraPositionOn[2] = 1;
    install.settings->TYPE_OTTIM = mode;
    for (int p = 0; p < kRallaMaxPositions; ++p) install.tools->positionTools[p] = p < 3 ? p + 1 : 0;
    BarList list;
    FillList(list);
    for (auto _ : state) {
        if (list.OptimizeToolSetup() != 0) state.SkipWithError("optimiser failed");
        benchmark::DoNotOptimize(list.Bar(0)->chosenTools[0]);
    }
    ApplyMachineVariant(0);
}

void BM_OptimiseBarByBar(benchmark::State& state) { RunOptimiser(state, 0, 0); }
void BM_OptimiseByReadiness(benchmark::State& state) { RunOptimiser(state, 0, 1); }
void BM_OptimiseByProfile(benchmark::State& state) { RunOptimiser(state, 0, 2); }
void BM_OptimiseByProfileEightPositions(benchmark::State& state) { RunOptimiser(state, 1, 2); }

BENCHMARK(BM_OptimiseBarByBar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptimiseByReadiness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptimiseByProfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptimiseByProfileEightPositions)->Unit(benchmark::kMillisecond);

} // namespace
