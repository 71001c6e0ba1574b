// Bar starts on machine variant 1 with drawn profile sections, each beside its anchor in the same
// run: the same work without drawings (CK_DXF 0, the profile's bounding rectangle).
//
// - BM_AlternatingProfiles: a list whose bars alternate two profiles, each with a 2 MB drawing;
//   every bar start after the first of each profile (the drawings were read at the list's first
//   two bars).
// - BM_ColdSection: the first bar of a list freshly opened, with a 2 MB drawing read cold: the
//   freed memory is given back to the system before every start, so the section is built in
//   fresh pages as in a new process. Counters: page faults and the heap's peak growth per start
//   (the peak over the drawing's size).
// - BM_DemoListFresh: the demo list FINESTRE.lda opened anew, every bar computed and its part
//   program written, with a 98 KB drawing per profile (each section read cold); and
//   BM_DemoListFreshProcess, the same once per process.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
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

// The replaced operator new takes its memory from malloc: free is its match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// ---- heap accounting: live and peak bytes of every allocation through operator new
namespace heapcount {
std::atomic<std::size_t> live{0}, peak{0};
inline void* Take(std::size_t n) {
    void* p = std::malloc(n != 0 ? n : 1);
    if (p == nullptr) return nullptr;
    const std::size_t now = live.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    return p;
}
inline void Give(void* p) {
    if (p == nullptr) return;
    live.fetch_sub(malloc_usable_size(p));
    std::free(p);
}
} // namespace heapcount

void* operator new(std::size_t n) {
    if (void* p = heapcount::Take(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = heapcount::Take(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return heapcount::Take(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return heapcount::Take(n); }
void operator delete(void* p) noexcept { heapcount::Give(p); }
void operator delete[](void* p) noexcept { heapcount::Give(p); }
void operator delete(void* p, std::size_t) noexcept { heapcount::Give(p); }
void operator delete[](void* p, std::size_t) noexcept { heapcount::Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { heapcount::Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { heapcount::Give(p); }

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
        const std::size_t before = heapcount::live.load();
        heapcount::peak.store(before);
        state.ResumeTiming();
        const int r = TimedStart(*list, 0);
        state.PauseTiming();
        faults += MinorFaults() - faultsBefore;
        growth = std::max(growth, heapcount::peak.load() - before);
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
