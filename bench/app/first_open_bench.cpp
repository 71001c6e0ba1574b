// The first bar list of a session: a 2,000-bar list (10 pieces and 40 machinings each, about
// 32 MB) opened in a process that has opened none before, from the file dialog's OK to the bar
// selection shown and painted. One start per process (run the binary once per figure); the
// list is written first and the memory its writing used is given back to the system, so the
// open faults in fresh pages as a session's first one does. Before that a window with the usual
// controls is shown and painted once, and the selection is made inside it as inside the main
// window: in a session the main window and the file dialog have been on screen before the OK,
// so the fonts and the style are loaded and the window has its back buffer already. Counters
// split the time and the page faults between reading the list, checking its tools and showing
// the selection; floorMs is a plain read of the same file into fresh memory, taken after the
// open in the same process, the least any reading of the list's bytes costs.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

// The program's headers before Qt's: Qt's keywords are macros.
#include "../engine/bench_installation.h"
#include "engine/iso_generator.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "test_support/lda_writer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/sel_bar_dialog.h"

namespace {

long MinorFaults() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// What the session showed before the list's file was chosen: a main window, and in it a label,
// an edit, a button and a list with a header (the file dialog's), painted once. The window
// stays, as the main window does.
QWidget* ShowSessionWindow() {
    auto* window = new QWidget;
    window->resize(1024, 768);
    auto* files = new QWidget(window);
    auto* layout = new QVBoxLayout(files);
    layout->addWidget(new QLabel("Brelon3 0123456789"));
    layout->addWidget(new QLineEdit("LARGE.lda"));
    layout->addWidget(new QPushButton("OK"));
    auto* tree = new QTreeWidget;
    tree->setHeaderLabels({"Name", "Size"});
    tree->addTopLevelItem(new QTreeWidgetItem(QStringList{"LARGE.lda", "33 MB"}));
    layout->addWidget(tree);
    window->show();
    QCoreApplication::processEvents();
    delete files; // the file dialog closes
    QCoreApplication::processEvents();
    return window;
}

// A plain read of the file's bytes into fresh memory: milliseconds and page faults.
void PlainRead(const std::string& path, double& ms, long& faults) {
    const long f0 = MinorFaults();
    const auto t0 = std::chrono::steady_clock::now();
    const std::size_t size = std::filesystem::file_size(path);
    const std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
    std::size_t have = 0;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::size_t got = 1;
        while (have < size && got > 0) {
            got = std::fread(bytes.get() + have, 1, std::min<std::size_t>(size - have, 256 * 1024), f);
            have += got;
        }
        std::fclose(f);
    }
    ms = Ms(std::chrono::steady_clock::now() - t0);
    faults = MinorFaults() - f0;
    benchmark::DoNotOptimize(bytes.get());
}

void BM_FirstListOpenOfSession(benchmark::State& state) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench_first_open";
    static char* argv[] = {name, nullptr};
    // Left to the process's exit (see bench_app.cpp).
    auto* app = new QApplication(argc, argv);
    (void)app;
    QWidget* mainWindow = ShowSessionWindow();
    std::string dir;
    if (!benchsupport::SetUpDemoInstallation(1, "CONF/", "brelon-firstopen", dir)) {
        state.SkipWithError("installation failed");
        return;
    }
    const std::string path = dir + "LARGE.lda";
    {
        ldatest::ListSpec spec = ldatest::LargeList(2000, 10, 40);
        for (ldatest::BarSpec& bar : spec.bars)
            for (ldatest::PieceSpec& piece : bar.pieces)
                for (ldatest::MachiningSpec& m : piece.machinings) m.tool = "PUNTA5";
        if (!ldatest::WriteLda(path, spec)) {
            state.SkipWithError("list not written");
            return;
        }
    }
    ::malloc_trim(0);
    using Clock = std::chrono::steady_clock;
    double readMs = 0, toolsMs = 0, dialogMs = 0, paintMs = 0, floorMs = 0;
    long readFaults = 0, toolsFaults = 0, dialogFaults = 0, floorFaults = 0;
    int rows = 0;
    for (auto _ : state) {
        const long f0 = MinorFaults();
        const auto t0 = Clock::now();
        auto* list = new IsoProgramGenerator(path.c_str());
        g_pBarList = list;
        const auto t1 = Clock::now();
        const long f1 = MinorFaults();
        if (!list->IsLoaded() || list->CheckListTools() != 0) {
            state.SkipWithError(g_errorText);
            break;
        }
        const auto t2 = Clock::now();
        const long f2 = MinorFaults();
        auto* dialog = new CSelBarDialog(mainWindow);
        dialog->show();
        const auto tShown = Clock::now();
        QCoreApplication::processEvents(); // its first paint
        const auto t3 = Clock::now();
        const long f3 = MinorFaults();
        rows = dialog->RowCount();
        readMs = Ms(t1 - t0);
        toolsMs = Ms(t2 - t1);
        dialogMs = Ms(t3 - t2);
        paintMs = Ms(t3 - tShown);
        readFaults = f1 - f0;
        toolsFaults = f2 - f1;
        dialogFaults = f3 - f2;
        state.PauseTiming();
        delete dialog;
        g_pBarList = nullptr;
        delete list;
        PlainRead(path, floorMs, floorFaults);
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["readMs"] = readMs;
    state.counters["toolsMs"] = toolsMs;
    state.counters["dialogMs"] = dialogMs;
    state.counters["paintMs"] = paintMs; // the part of dialogMs after the dialog was built and filled
    state.counters["readFaults"] = double(readFaults);
    state.counters["toolsFaults"] = double(toolsFaults);
    state.counters["dialogFaults"] = double(dialogFaults);
    state.counters["floorMs"] = floorMs;
    state.counters["floorFaults"] = double(floorFaults);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    benchsupport::TearDownInstallation(dir);
}
// One start: only the first open of a process is a session's first.
BENCHMARK(BM_FirstListOpenOfSession)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
