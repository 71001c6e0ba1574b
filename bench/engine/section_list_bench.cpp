// Bar starts on machine variant 1 with drawn profile sections, each beside its anchor in the same
// run: the same work without drawings (CK_DXF 0, the profile's bounding rectangle).
//
// - BM_AlternatingProfiles: a list whose bars alternate two profiles, each with a 2 MB drawing;
//   every bar start after the first of each profile (the drawings were read at the list's first
//   two bars).
// - BM_ColdSection: the first bar of a list freshly opened, with a 2 MB drawing read cold: the
//   freed memory is given back to the system before every start, so the section is built in
//   fresh pages as in a new process. Counters: page faults and the peak growth of the resident
//   memory per start (the peak over the drawing's size).
// - BM_DemoListFresh: the demo list FINESTRE.lda opened anew, every bar computed and its part
//   program written, with a 98 KB drawing per profile (each section read cold); and
//   BM_DemoListFreshProcess, the same once per process.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <set>
#include <string>

#include "bench_installation.h"
#include "engine/dxf_section.h"
#include "engine/iso_generator.h"
#include "machine/error_text.h"
#include "machine/barlist.h"
#include "machine/globals.h"
#include "platform/paths.h"
#include "../section_drawing.h"

namespace {

constexpr std::size_t k2MB = std::size_t(2) << 20;

// The measured work of every benchmark goes through these two, never inlined, so that an
// instruction count can be limited to them (valgrind --tool=callgrind --collect-atstart=no
// --toggle-collect='*TimedStart*'); calls counts them across every run of the process.
long calls = 0;
__attribute__((noinline)) int TimedStart(BarComputation& list, int bar) {
    ++calls;
    return list.ComputeBar(bar, 1);
}
__attribute__((noinline)) int TimedStartAndWrite(IsoProgramGenerator& list, int bar) {
    ++calls;
    // As the selection does before a bar is confirmed: its size and section against the machine.
    if (CheckBarSize(*list.Bar(bar)) != 0) return 1;
    return list.ComputeBar(bar, 1) != 0 ? 1 : list.GenerateIsoProgram(1, 0);
}

long MinorFaults() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

// Resident memory of the process in kB ("VmRSS"), and its peak since the last reset ("VmHWM"):
// what the work touched, whichever allocator it came from. -1 when the system does not tell.
long StatusKB(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    const std::size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, key, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb;
}
// The resident peak starts again from the memory resident now.
bool ResetResidentPeak() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f == nullptr) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

struct Installation {
    std::string dir;
    bool ok = false;
    explicit Installation(const char* tag) { ok = benchsupport::SetUpDemoInstallation(1, "CONF/", tag, dir); }
    ~Installation() { benchsupport::TearDownInstallation(dir); }
    // The drawing of a profile, written into the installation's DXF folder.
    bool Drawing(const std::string& series, const std::string& code, std::size_t size) {
        std::filesystem::create_directories(dir + "DXF/" + series);
        std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%sDXF/", dir.c_str());
        return plat::WriteFileAtomic(dir + "DXF/" + series + "/" + code + ".dxf", benchsupport::SectionDrawing(size));
    }
};

// A bar of the demo profile with square and angled ends.
ldatest::BarSpec ProfileBar(const char* code) {
    std::vector<ldatest::PieceSpec> pieces;
    for (int i = 0; i < 4; ++i) {
        ldatest::PieceSpec p;
        p.name = "P" + std::to_string(i + 1);
        p.length = 900000;
        p.firstAngle = i % 2 == 0 ? 90000 : 45000;
        p.secondAngle = i % 2 == 0 ? 45000 : 90000;
        pieces.push_back(p);
    }
    ldatest::BarSpec bar = benchsupport::DemoProfileBar(pieces);
    bar.code = code;
    return bar;
}

// range(0): 1 the 2 MB drawings, 0 none (the anchor).
void BM_AlternatingProfiles(benchmark::State& state) {
    Installation inst("brelon-alternate");
    const bool drawn = state.range(0) != 0;
    if (!inst.ok || !inst.Drawing("ALU60", "T6001", k2MB) || !inst.Drawing("ALU60", "T6002", k2MB)) {
        state.SkipWithError("installation failed");
        return;
    }
    g_pSettings->CK_DXF = drawn ? 1 : 0;
    std::vector<ldatest::BarSpec> bars;
    for (int i = 0; i < 50; ++i) bars.push_back(ProfileBar(i % 2 == 0 ? "T6001" : "T6002"));
    const std::string path = inst.dir + "ALTERNATE.lda";
    if (!benchsupport::WriteBenchList(path, "ALTERNATE", bars)) {
        state.SkipWithError("list not written");
        return;
    }
    SetCurrentListName(path.c_str());
    auto list = std::make_unique<BarComputation>(path.c_str());
    // The first bar of each profile: its drawing is read there.
    if (!list->IsLoaded() || list->ComputeBar(0, 1) != 0 || list->ComputeBar(1, 1) != 0) {
        state.SkipWithError(g_errorText);
        return;
    }
    int bar = 2;
    for (auto _ : state) {
        if (TimedStart(*list, bar) != 0) {
            state.SkipWithError(g_errorText);
            return;
        }
        benchmark::DoNotOptimize(list->records.data());
        bar = bar + 1 < list->BarCount() ? bar + 1 : 2;
    }
    state.counters["calls"] = double(calls);
}
BENCHMARK(BM_AlternatingProfiles)->ArgName("drawn")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// range(0): 1 a 2 MB drawing, 0 none (the anchor).
void BM_ColdSection(benchmark::State& state) {
    Installation inst("brelon-cold");
    const bool drawn = state.range(0) != 0;
    if (!inst.ok || !inst.Drawing("ALU60", "T6001", k2MB)) {
        state.SkipWithError("installation failed");
        return;
    }
    g_pSettings->CK_DXF = drawn ? 1 : 0;
    const std::string path = inst.dir + "COLD.lda";
    if (!benchsupport::WriteBenchList(path, "COLD", {ProfileBar("T6001")})) {
        state.SkipWithError("list not written");
        return;
    }
    SetCurrentListName(path.c_str());
    long faults = 0;
    std::size_t growth = 0;
    double points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<BarComputation>(path.c_str());
        ::malloc_trim(0);
        const long faultsBefore = MinorFaults();
        const bool reset = ResetResidentPeak();
        const long before = StatusKB("VmRSS");
        state.ResumeTiming();
        const int r = TimedStart(*list, 0);
        state.PauseTiming();
        faults += MinorFaults() - faultsBefore;
        const long peak = StatusKB("VmHWM");
        if (reset && before >= 0 && peak >= before) growth = std::max(growth, std::size_t(peak - before) << 10);
        if (r != 0) state.SkipWithError(g_errorText);
        if (list->profileSection != nullptr) points = double(list->profileSection->Points().size());
        list.reset();
        state.ResumeTiming();
    }
    state.counters["faults"] = benchmark::Counter(double(faults), benchmark::Counter::kAvgIterations);
    state.counters["peakMB"] = double(growth) / double(1 << 20);
    state.counters["peak/drawing"] = double(growth) / double(k2MB);
    state.counters["points"] = points;
    state.counters["calls"] = double(calls);
}
BENCHMARK(BM_ColdSection)->ArgName("drawn")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// range(0): 1 a 98 KB drawing per profile, 0 none (the anchor).
void BM_DemoListFresh(benchmark::State& state) {
    Installation inst("brelon-finestre");
    const bool drawn = state.range(0) != 0;
    if (!inst.ok || !ldatest::WriteDemoLists(inst.dir)) {
        state.SkipWithError("installation failed");
        return;
    }
    const std::string path = inst.dir + "FINESTRE.lda";
    SetCurrentListName(path.c_str());
    {
        IsoProgramGenerator probe(path.c_str());
        std::set<std::pair<std::string, std::string>> profiles;
        for (int b = 0; b < probe.BarCount(); ++b) profiles.emplace(probe.Bar(b)->series, probe.Bar(b)->code);
        for (const auto& [series, code] : profiles)
            if (!inst.Drawing(series, code, 98 * 1024)) state.SkipWithError("drawing not written");
    }
    g_pSettings->CK_DXF = drawn ? 1 : 0;
    int programs = 0;
    long faults = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<IsoProgramGenerator>(path.c_str());
        ::malloc_trim(0);
        const long faultsBefore = MinorFaults();
        state.ResumeTiming();
        programs = 0;
        for (int b = 0; b < list->BarCount(); ++b) {
            if (TimedStartAndWrite(*list, b) != 0) {
                state.SkipWithError(g_errorText);
                return;
            }
            ++programs;
        }
        state.PauseTiming();
        faults += MinorFaults() - faultsBefore;
        list.reset();
        state.ResumeTiming();
    }
    state.counters["faults"] = benchmark::Counter(double(faults), benchmark::Counter::kAvgIterations);
    state.counters["programs"] = programs;
    state.counters["calls"] = double(calls);
}
BENCHMARK(BM_DemoListFresh)->ArgName("drawn")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same list once in a process that has computed nothing before: code, caches and memory as
// cold for the list without drawings as for the one with them. One run per process, e.g.
//   for d in 0 1 0 1 0 1; do engine_section_list_bench --benchmark_filter="FreshProcess/drawn:$d/"; done
void BM_DemoListFreshProcess(benchmark::State& state) { BM_DemoListFresh(state); }
BENCHMARK(BM_DemoListFreshProcess)->ArgName("drawn")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
