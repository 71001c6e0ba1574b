// Opening a bar list of 2,000 bars (10 pieces and 40 machinings each, about 32 MB) up to the bar
// selection on the screen: the list read as the main window reads it, its tools checked, the
// selection dialog built, filled, sized and painted once. Beside it in the same run: the same for
// a list of 20 bars, and reading the large list's bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The program's headers before Qt's: Qt's keywords are macros.
#include "../engine/bench_installation.h"
#include "engine/iso_generator.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "test_support/lda_writer.h"

#include <QApplication>
#include <QCoreApplication>

#include "app/sel_bar_dialog.h"

namespace {

// Every machining made with a drill of the demo tool table, as a list from the office has them.
ldatest::ListSpec WithDemoTool(ldatest::ListSpec spec) {
    for (ldatest::BarSpec& bar : spec.bars)
        for (ldatest::PieceSpec& piece : bar.pieces)
            for (ldatest::MachiningSpec& m : piece.machinings) m.tool = "PUNTA5";
    return spec;
}

struct Installation {
    std::string dir;
    std::string large, small;
    std::unique_ptr<QApplication> app;

    Installation() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "bench_app";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        if (!benchsupport::SetUpDemoInstallation(1, "CONF/", "brelon-appbench", dir)) std::abort();
        large = dir + "LARGE.lda";
        small = dir + "SMALL.lda";
        if (!ldatest::WriteLda(large, WithDemoTool(ldatest::LargeList(2000, 10, 40))) ||
            !ldatest::WriteLda(small, WithDemoTool(ldatest::LargeList(20, 10, 40))))
            std::abort();
    }
    ~Installation() {
        benchsupport::TearDownInstallation(dir);
        // Destroyed among the exit handlers, the application would delete its input devices
        // after the GUI library's own statics are gone and crash: it is left to the exit.
        (void)app.release();
    }
};

Installation& Inst() {
    static Installation inst;
    return inst;
}

// range(0): 1 the 2,000-bar list, 0 the 20-bar list.
void BM_OpenListToSelection(benchmark::State& state) {
    Installation& in = Inst();
    const std::string& path = state.range(0) != 0 ? in.large : in.small;
    int rows = 0;
    for (auto _ : state) {
        auto* list = new IsoProgramGenerator(path.c_str());
        g_pBarList = list;
        if (!list->IsLoaded() || list->CheckListTools() != 0) {
            state.SkipWithError(g_errorText);
            break;
        }
        auto* dialog = new CSelBarDialog(nullptr);
        dialog->show();
        QCoreApplication::processEvents(); // its first paint
        rows = dialog->RowCount();
        state.PauseTiming();
        delete dialog;
        g_pBarList = nullptr;
        delete list;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_OpenListToSelection)->ArgName("large")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The dialog alone, on the large list already open: built, filled, sized and painted once.
void BM_SelectionDialog(benchmark::State& state) {
    Installation& in = Inst();
    auto list = std::make_unique<IsoProgramGenerator>(in.large.c_str());
    g_pBarList = list.get();
    int rows = 0;
    for (auto _ : state) {
        auto* dialog = new CSelBarDialog(nullptr);
        dialog->show();
        QCoreApplication::processEvents();
        rows = dialog->RowCount();
        state.PauseTiming();
        delete dialog;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    g_pBarList = nullptr;
    state.counters["rows"] = rows;
}
BENCHMARK(BM_SelectionDialog)->Unit(benchmark::kMillisecond);

// Anchor: the large list's bytes read in one go.
void BM_ReadLargeListBytes(benchmark::State& state) {
    const std::string& path = Inst().large;
    for (auto _ : state) {
        std::vector<unsigned char> bytes(std::filesystem::file_size(path));
        FILE* f = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ReadLargeListBytes)->Unit(benchmark::kMillisecond);

} // namespace
