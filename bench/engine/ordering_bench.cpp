// Ordering and elaborating a bar of 500 (and 2,000) tool machinings and 40 end cuts on each machine
// variant: links, positionings, ralla runs, speeds, marks and the appended report sections.
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
#include "machine/globals.h"
#include "machine/ralla_tools.h"
#include "bench_installation.h"

namespace {

struct Installation {
    std::string dir;
    std::unique_ptr<BarComputation> list;

    bool Make(int variant) {
        const char* conf = variant == 0 ? "CONF-V0/" : (variant == 2 ? "CONF-V2/" : "CONF/");
        if (!benchsupport::SetUpDemoInstallation(variant, conf, "brelon-ordering", dir)) return false;
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
};

void BM_OrderAndElaborate(benchmark::State& state) {
    Installation inst;
    if (!inst.Make(static_cast<int>(state.range(0)))) {
        state.SkipWithError("installation failed");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(inst.dir + "OUTPUT.LAV");
        std::filesystem::remove(inst.dir + "OUTPUT.DEB");
        inst.Fill(static_cast<int>(state.range(1)));
        state.ResumeTiming();
        const int r = ElaborateMachinings(*inst.list, 1, 1);
        benchmark::DoNotOptimize(r);
    }
    inst.list.reset();
    benchsupport::TearDownInstallation(inst.dir);
}
// Arguments: machine variant, machinings.
BENCHMARK(BM_OrderAndElaborate)
    ->ArgNames({"variant", "machinings"})
    ->ArgsProduct({{0, 1, 2}, {500, 2000}})
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->Unit(benchmark::kMillisecond);

} // namespace
