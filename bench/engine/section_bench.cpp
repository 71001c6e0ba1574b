// A bar of 20 pieces with angled ends on machine variant 1, computed in full: every end cut is
// planned against the drawn section of ALU60 T6001 (read once per computation).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/bar_computation.h"
#include "engine/dxf_section.h"
#include "engine/end_cuts.h"
#include "machine/error_text.h"
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
#include "bench_installation.h"

namespace {

struct Installation {
    std::string dir;
    std::unique_ptr<BarComputation> list;

    bool Make() {
        if (!benchsupport::SetUpDemoInstallation(1, "CONF/", "brelon-section", dir)) return false;
        std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");

        ldatest::BarSpec bar;
        bar.name = "BAR";
        bar.series = "ALU60";
        bar.code = "T6001";
        bar.label = "7";
        bar.yMax = 60000;
        bar.zMax = 45000;
        bar.length = 6500000;
        bar.repetitions = 1;
        for (int i = 0; i < 20; ++i) {
            ldatest::PieceSpec p;
            p.name = "P" + std::to_string(i + 1);
            p.length = 250000;
            p.firstAngle = i % 2 == 0 ? 45000 : 60000;
            p.secondAngle = i % 2 == 0 ? 135000 : 45000;
            bar.pieces.push_back(p);
        }
        ldatest::ListSpec spec;
        spec.description = "SECTION BENCH";
        spec.bars.push_back(bar);
        if (!ldatest::WriteLda(dir + "BENCH.lda", spec)) return false;
        list = std::make_unique<BarComputation>((dir + "BENCH.lda").c_str());
        return list->IsLoaded();
    }

    ~Installation() {
        list.reset();
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
};

void BM_ComputeBarAngledEndsOnDrawnSection(benchmark::State& state) {
    Installation inst;
    if (!inst.Make()) {
        state.SkipWithError("installation failed");
        return;
    }
    for (auto _ : state) {
        const int r = inst.list->ComputeBar(0, 1);
        if (r != 0) {
            state.SkipWithError(g_errorText);
            return;
        }
        benchmark::DoNotOptimize(inst.list->records.data());
    }
}
BENCHMARK(BM_ComputeBarAngledEndsOnDrawnSection)->Unit(benchmark::kMillisecond);

// The share of the end trims: the section read once and the 40 end cuts planned against it.
void BM_PlanEndCutsOnDrawnSection(benchmark::State& state) {
    Installation inst;
    if (!inst.Make() || inst.list->ComputeBar(0, 1) != 0) {
        state.SkipWithError("installation failed");
        return;
    }
    BarComputation& bc = *inst.list;
    const BarRecord& bar = *bc.currentBar;
    WorkingMachining m;
    for (auto _ : state) {
        DxfSection section;
        section.Load(SectionDrawingPath(g_pSettings->DIR_DXF, bar.series, bar.code).c_str(), bar.yMin, bar.zMin, bar);
        for (const WorkingPiece* p : bc.pieces)
            for (int side = 0; side < 2; ++side)
                if (PlanSectionEndCut(side, bar, *p, m, section) != 0) {
                    state.SkipWithError(g_errorText);
                    return;
                }
        benchmark::DoNotOptimize(m.cutPointY);
    }
}
BENCHMARK(BM_PlanEndCutsOnDrawnSection)->Unit(benchmark::kMillisecond);

// The loading alone (no reports, no end trims), for comparison.
void BM_LoadBarOnly(benchmark::State& state) {
    Installation inst;
    if (!inst.Make()) {
        state.SkipWithError("installation failed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(inst.list->ComputeBar(0, 0));
}
BENCHMARK(BM_LoadBarOnly)->Unit(benchmark::kMillisecond);

} // namespace
