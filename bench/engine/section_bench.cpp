// Bar computations on machine variant 1, where every end cut is planned against the profile
// section, each beside its anchor in the same run: the same bar without a drawing (CK_DXF 0, the
// bounding rectangle).
//
// - A bar of the demo list FINESTRE.lda (ALU60 T6001) with the demo drawing, with a 98 KB drawing
//   and with a 7.6 MB drawing of the same section: the drawing is read at the first bar and kept
//   while the file is unchanged, as from one bar start to the next.
// - The same with the drawing touched before every computation, so that each one reads it anew.
// - A bar of 20 pieces with angled ends on the demo drawing.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/bar_computation.h"
#include "engine/dxf_section.h"
#include "engine/end_cuts.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "platform/paths.h"
#include "bench_installation.h"
#include "../section_drawing.h"

namespace {

enum Drawing { kDemo, k98KB, k7_6MB };

struct Installation {
    std::string dir;
    std::unique_ptr<BarComputation> list;
    int bar = 0;

    // A FINESTRE.lda bar of ALU60 T6001, or the 20-piece bar, with the drawing of the profile.
    bool Make(Drawing drawing, bool demoList) {
        if (!benchsupport::SetUpDemoInstallation(1, "CONF/", "brelon-section", dir)) return false;
        if (drawing == kDemo) {
            std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");
        } else {
            std::filesystem::create_directories(dir + "DXF/ALU60");
            const std::size_t size = drawing == k98KB ? 98 * 1024 : std::size_t(7600) * 1024;
            if (!plat::WriteFileAtomic(dir + "DXF/ALU60/T6001.dxf", benchsupport::SectionDrawing(size))) return false;
            std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%sDXF/", dir.c_str());
        }
        std::string path;
        if (demoList) {
            if (!ldatest::WriteDemoLists(dir)) return false;
            path = dir + "FINESTRE.lda";
        } else {
            std::vector<ldatest::PieceSpec> pieces;
            for (int i = 0; i < 20; ++i) {
                ldatest::PieceSpec p;
                p.name = "P" + std::to_string(i + 1);
                p.length = 250000;
                p.firstAngle = i % 2 == 0 ? 45000 : 60000;
                p.secondAngle = i % 2 == 0 ? 135000 : 45000;
                pieces.push_back(p);
            }
            path = dir + "BENCH.lda";
            if (!benchsupport::WriteBenchList(path, "SECTION BENCH", {benchsupport::DemoProfileBar(pieces)}))
                return false;
        }
        SetCurrentListName(path.c_str());
        list = std::make_unique<BarComputation>(path.c_str());
        if (!list->IsLoaded()) return false;
        for (bar = 0; bar < list->BarCount(); ++bar)
            if (std::string(list->Bar(bar)->series) == "ALU60" && std::string(list->Bar(bar)->code) == "T6001")
                return true;
        return false;
    }

    std::string DrawingPath() const {
        return std::string(g_pSettings->DIR_DXF) + "ALU60/T6001.dxf";
    }

    ~Installation() {
        list.reset();
        benchsupport::TearDownInstallation(dir);
    }
};

// Gives the drawing a new modification time, as a CAD program saving it again would.
bool Touch(const std::string& path) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const timespec times[2] = {now, now};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

// range(0): the drawing (0 demo, 1 98 KB, 2 7.6 MB), or -1 for none (CK_DXF 0, the anchor).
// range(1): 1 the FINESTRE.lda bar, 0 the 20-piece bar. range(2): 1 the drawing is touched
// before every computation.
void BM_ComputeBarOnSection(benchmark::State& state) {
    const int drawing = static_cast<int>(state.range(0));
    const bool touch = state.range(2) != 0;
    Installation inst;
    if (!inst.Make(drawing < 0 ? kDemo : static_cast<Drawing>(drawing), state.range(1) != 0)) {
        state.SkipWithError("installation failed");
        return;
    }
    if (drawing < 0) g_pSettings->CK_DXF = 0;
    const std::string path = inst.DrawingPath();
    // The bar before: the drawing is read there, as at a list's first bar.
    if (inst.list->ComputeBar(inst.bar, 1) != 0) {
        state.SkipWithError(g_errorText);
        return;
    }
    for (auto _ : state) {
        if (touch) {
            state.PauseTiming();
            if (!Touch(path)) state.SkipWithError("drawing not touched");
            state.ResumeTiming();
        }
        const int r = inst.list->ComputeBar(inst.bar, 1);
        if (r != 0) {
            state.SkipWithError(g_errorText);
            return;
        }
        benchmark::DoNotOptimize(inst.list->records.data());
    }
    state.counters["entities"] =
        inst.list->profileSection != nullptr ? double(inst.list->profileSection->Points().size()) : 0.0;
}
BENCHMARK(BM_ComputeBarOnSection)
    ->ArgNames({"drawing", "demoBar", "touched"})
    ->Args({-1, 1, 0})
    ->Args({0, 1, 0})
    ->Args({1, 1, 0})
    ->Args({2, 1, 0})
    ->Args({1, 1, 1})
    ->Args({2, 1, 1})
    ->Args({-1, 0, 0})
    ->Args({0, 0, 0})
    ->Args({2, 0, 0})
    ->Unit(benchmark::kMillisecond);

// Reading and placing the 7.6 MB section alone (what a changed drawing costs a bar start).
void BM_LoadSection7_6MB(benchmark::State& state) {
    Installation inst;
    if (!inst.Make(k7_6MB, true)) {
        state.SkipWithError("installation failed");
        return;
    }
    const BarRecord& bar = *inst.list->Bar(inst.bar);
    const std::string path = inst.DrawingPath();
    for (auto _ : state) {
        DxfSection section;
        section.Load(path.c_str(), bar.yMin, bar.zMin, bar);
        benchmark::DoNotOptimize(section.Points().data());
    }
}
BENCHMARK(BM_LoadSection7_6MB)->Unit(benchmark::kMillisecond);

} // namespace
