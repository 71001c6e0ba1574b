// Ordering and elaborating a bar of 500 (and 2,000) tool machinings and 40 end cuts on each machine
// variant: links, positionings, ralla runs, speeds, marks and the appended report sections. The
// ordering alone: of a seeded random bar of 2,000 (and 8,000) machinings and of every demo bar.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/bar_computation.h"
#include "engine/ordering.h"
#include "machine/barlist.h"
#include "machine/settings.h"
#include "machine/globals.h"
#include "machine/ralla_tools.h"
#include "bench_installation.h"
#include "test_support/seeded_draws.h"

namespace {

// The demo configuration folder of a machine variant.
const char* ConfOf(int variant) { return variant == 0 ? "CONF-V0/" : (variant == 2 ? "CONF-V2/" : "CONF/"); }

struct Installation {
    std::string dir;
    std::unique_ptr<BarComputation> list;

    bool Make(int variant) {
        if (!benchsupport::SetUpDemoInstallation(variant, ConfOf(variant), "brelon-ordering", dir)) return false;
        for (int p = 0; p < kRallaMaxPositions; ++p) g_pRallaTools->positionTools[p] = p < 4 ? p + 1 : 0;
        ldatest::PieceSpec piece;
        piece.name = "A";
        piece.length = 1000000;
        if (!benchsupport::WriteBenchList(dir + "B.lda", "ORDERING BENCH", {benchsupport::DemoProfileBar({piece})}))
            return false;
        list = std::make_unique<BarComputation>((dir + "B.lda").c_str());
        return list->IsLoaded() && list->BarCount() == 1;
    }

    // `count` machinings spread over the bar on four faces and four tools, some in sets, and 40
    // end cuts.
    void Fill(int count) {
        BarComputation& bc = *list;
        bc.FreeBarDetail();
        bc.currentBar = bc.Bar(0);
        static const int32_t faces[4] = {0, 90000, -90000, 180000};
        for (int i = 0; i < count + 40; ++i) {
            WorkingMachining* m = bc.NewRecord();
            m->Id = i + 1;
            m->active = 1;
            if (i < count) {
                const int32_t x = 20000 + (i * 12347) % 6400000;
                m->TipoLavor = kKindRalla;
                m->Figura = 1 + i % 5;
                m->Angolo = faces[i % 4];
                m->Uten = 1 + (i / 3) % 4;
                m->X = x;
                m->Xm = m->XFm = x - 4000;
                m->XM = m->XFM = x + 4000 + (i % 7) * 1000;
                m->YFm = -4000;
                m->YFM = 4000;
                m->RY = (i % 9) * 5000;
                m->stepDepth = 1000 + (i % 3) * 1000;
                if (i % 10 == 0) {
                    m->Insieme = 1 + i % 3;
                    m->Priorita = i % 4;
                }
            } else {
                const int32_t x = 6400000 - (i - count) * 160000;
                m->TipoLavor = kKindEndCut;
                m->ATaglio = i % 2 == 0 ? 90000 : 45000;
                m->X = m->Xm = m->XM = m->XFm = m->XFM = x;
                m->CutMode = 2;
                m->Insieme = 100;
                m->Priorita = 1;
            }
            bc.records.push_back(m);
            bc.order.push_back(m);
        }
        bc.orderedRecords = bc.recordCount = static_cast<int32_t>(bc.order.size());
        bc.orderedMachinings = bc.machiningCount = count;
    }

    // A seeded random bar: `count` machinings at random places, faces, tools and widths, a
    // quarter of them in sets with random priorities, among end cuts at 90, 45 and 135 degrees
    // every 100 to 1,300 mm from the tail. The same seed gives the same bar.
    void FillRandom(int count, uint32_t seed) {
        BarComputation& bc = *list;
        bc.FreeBarDetail();
        bc.currentBar = bc.Bar(0);
        ldatest::SeededDraws in(seed);
        static const int32_t faces[4] = {0, 90000, -90000, 180000};
        static const int32_t angles[3] = {90000, 45000, 135000};
        int machinings = 0;
        int32_t cutX = 6400000;
        for (int id = 1; machinings < count || cutX > 20000; ++id) {
            WorkingMachining* m = bc.NewRecord();
            m->Id = id;
            m->active = 1;
            if (machinings < count && (cutX <= 20000 || in(0, 40) != 0)) {
                const int32_t x = in(20, 6400) * 1000 + in(0, 999);
                m->TipoLavor = kKindRalla;
                m->Figura = in(1, 5);
                m->Angolo = faces[in(0, 3)];
                m->Uten = in(1, 4);
                m->X = x;
                m->Xm = m->XFm = x - in(1, 8) * 1000;
                m->XM = m->XFM = x + in(1, 40) * 1000;
                m->YFm = -in(1, 8) * 1000;
                m->YFM = in(1, 8) * 1000;
                m->RY = in(0, 8) * 5000;
                m->stepDepth = in(1, 3) * 1000;
                if (in(0, 3) == 0) {
                    m->Insieme = in(1, 5);
                    m->Priorita = in(0, 6);
                }
                ++machinings;
            } else {
                m->TipoLavor = kKindEndCut;
                m->ATaglio = angles[in(0, 2)];
                m->X = m->Xm = m->XM = m->XFm = m->XFM = cutX;
                m->CutMode = 2;
                m->Insieme = 100;
                m->Priorita = 1;
                cutX -= in(100, 1300) * 1000;
            }
            bc.records.push_back(m);
            bc.order.push_back(m);
        }
        bc.orderedRecords = bc.recordCount = static_cast<int32_t>(bc.order.size());
        bc.orderedMachinings = bc.machiningCount = count;
    }
};

// Each iteration fills the bar (untimed) and times `step` on it; arguments: machine variant,
// machinings.
template <typename Fill, typename Step>
void TimeOnFilledBar(benchmark::State& state, Fill fill, Step step) {
    Installation inst;
    if (!inst.Make(static_cast<int>(state.range(0)))) {
        state.SkipWithError("installation failed");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        fill(inst, static_cast<int>(state.range(1)));
        state.ResumeTiming();
        const int r = step(*inst.list);
        benchmark::DoNotOptimize(r);
    }
    inst.list.reset();
    benchsupport::TearDownInstallation(inst.dir);
}

double MinOf(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void BM_OrderAndElaborate(benchmark::State& state) {
    TimeOnFilledBar(
        state,
        [](Installation& inst, int count) {
            std::filesystem::remove(inst.dir + "OUTPUT.LAV");
            std::filesystem::remove(inst.dir + "OUTPUT.DEB");
            inst.Fill(count);
        },
        [](BarComputation& bc) { return ElaborateMachinings(bc, 1, 1); });
}
// Arguments: machine variant, machinings.
BENCHMARK(BM_OrderAndElaborate)
    ->ArgNames({"variant", "machinings"})
    ->ArgsProduct({{0, 1, 2}, {500, 2000}})
    ->ComputeStatistics("min", MinOf)
    ->Unit(benchmark::kMillisecond);

void BM_OrderRandomBar(benchmark::State& state) {
    TimeOnFilledBar(
        state, [](Installation& inst, int count) { inst.FillRandom(count, 7u); },
        [](BarComputation& bc) { return OrderMachinings(bc); });
}
// Arguments: machine variant, machinings.
BENCHMARK(BM_OrderRandomBar)
    ->ArgNames({"variant", "machinings"})
    ->ArgsProduct({{0, 1, 2}, {2000, 8000}})
    ->ComputeStatistics("min", MinOf)
    ->Unit(benchmark::kMillisecond);

// Every bar of the three demo lists computed (untimed) and ordered (timed), on the variant's
// demo configuration with the demo drawings; bars the configuration refuses are left out.
void BM_OrderDemoBars(benchmark::State& state) {
    const int variant = static_cast<int>(state.range(0));
    std::string dir;
    if (!benchsupport::SetUpDemoInstallation(variant, ConfOf(variant), "brelon-ordering-demo", dir) ||
        !ldatest::WriteDemoLists(dir)) {
        state.SkipWithError("installation failed");
        return;
    }
    std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");
    std::vector<std::unique_ptr<BarComputation>> lists;
    for (const char* name : {"FINESTRE.lda", "PORTE.lda", "VETRINA.lda"}) {
        lists.push_back(std::make_unique<BarComputation>((dir + name).c_str()));
        for (int i = 0; i < lists.back()->BarCount(); ++i) (void)CheckBarSize(*lists.back()->Bar(i));
    }
    int ordered = 0;
    for (auto _ : state) {
        ordered = 0;
        for (auto& list : lists) {
            for (int i = 0; i < list->BarCount(); ++i) {
                state.PauseTiming();
                const bool computed = list->ComputeBar(i, 1) == 0;
                state.ResumeTiming();
                if (!computed) continue;
                const int r = OrderMachinings(*list);
                benchmark::DoNotOptimize(r);
                ++ordered;
            }
        }
    }
    state.counters["bars"] = ordered;
    lists.clear();
    benchsupport::TearDownInstallation(dir);
}
BENCHMARK(BM_OrderDemoBars)
    ->ArgNames({"variant"})
    ->DenseRange(0, 2)
    ->ComputeStatistics("min", MinOf)
    ->Unit(benchmark::kMicrosecond);

} // namespace
