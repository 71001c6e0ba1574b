// Opening a bar list of 2,000 bars with 10 pieces and 40 machinings each, against reading the
// same file's bytes (the floor any reader has to pay).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "machine/barlist.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "test_support/lda_writer.h"

namespace {

struct BenchInstall {
    BenchInstall() {
        dir = (std::filesystem::temp_directory_path() / ("brelon-barlist-bench-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(dir + "/CONF");
        std::snprintf(paths.slots[PathTable::kConfigPar], PathTable::kSlotSize, "%s/CONF/CONFIG.PAR", dir.c_str());
        std::snprintf(paths.slots[PathTable::kProgramDir], PathTable::kSlotSize, "%s/", dir.c_str());
        std::snprintf(paths.slots[PathTable::kToolsTxt], PathTable::kSlotSize, "%s/TOOLS.TXT", dir.c_str());
        g_pPathTable = &paths;
        ApplyMachineVariant(0);
        settings = std::make_unique<MachineSettings>();
        g_pSettings = settings.get();
        tools = std::make_unique<RallaToolSet>(1);
        g_pRallaTools = tools.get();
        list = dir + "/BIG.lda";
        ldatest::WriteLda(list, ldatest::LargeList(2000, 10, 40));
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
    std::string list;
    PathTable paths;
    std::unique_ptr<MachineSettings> settings;
    std::unique_ptr<RallaToolSet> tools;
};

BenchInstall& Install() {
    static BenchInstall install;
    return install;
}
// The list is written before any benchmark runs, so no run pays for it.
[[maybe_unused]] const BenchInstall& g_install = Install();

void BM_OpenBarList(benchmark::State& state) {
    const std::string& path = Install().list;
    for (auto _ : state) {
        BarList list(path.c_str());
        if (!list.IsLoaded()) state.SkipWithError("the list did not load");
        benchmark::DoNotOptimize(list.BarCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_OpenBarList)->Unit(benchmark::kMillisecond);

void BM_ReadListBytes(benchmark::State& state) {
    const std::string& path = Install().list;
    for (auto _ : state) {
        // A buffer of the file's size, not cleared first, as the list takes it for every open.
        FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        const auto size = static_cast<std::size_t>(std::ftell(f));
        std::fseek(f, 0, SEEK_SET);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
        benchmark::DoNotOptimize(std::fread(bytes.get(), 1, size, f));
        std::fclose(f);
        benchmark::DoNotOptimize(bytes.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadListBytes)->Unit(benchmark::kMillisecond);

} // namespace
