// Composing one label (layout 2: barcode, text grid, profile drawing from the profile library
// and the DXF drawing) into ZPL, without sending it.
#include <benchmark/benchmark.h>

#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/library.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace {

struct Setup {
    lptest::TempDir dir;
    LabelJob job;
    MConfigura layout;
    Setup() {
        plat::SetProgramDirectory(dir.Path());
        plat::WriteProfileString("SYSTEM", "M_TEMPLPOS", "2", (dir / "TAGRIX.INI").c_str());
        lptest::WriteFile(dir / "DRAW.DXF", lptest::ReadFile(std::string(BRELON_SOURCE_DIR) +
                                                             "/tests/fixtures/labelprint/profile.dxf"));
        lptest::ProfileRecord r;
        r.id = 7;
        r.fourPoints = false;
        r.width = 60;
        r.height = 40;
        r.polygons.push_back({{{0, 0}, {60, 0}, {60, 40}, {0, 40}}});
        for (int i = 0; i < 10; ++i) r.polygons.push_back({{{5.0 + i, 5}, {20.0 + i, 5}, {20.0 + i, 30}, {5.0 + i, 30}}});
        lptest::WriteFile(dir / "PROFILES.LIB", lptest::BuildProfileLibrary({r}));
        job.barcodeSwitch = "1";
        job.barcodeText = "8001234567895";
        job.profileLibrary = dir / "PROFILES.LIB";
        job.dxfFile = dir / "DRAW.DXF";
        job.recordId = 7;
        job.highlight = 2;
        for (int i = 0; i < 18; ++i) job.values.push_back("VALUE " + std::to_string(i));
        layout.Load(labelprint::IniPath());
    }
};

Setup& TheSetup() {
    static Setup s;
    return s;
}

// The whole composition as ZebraStampa runs it: layout read from "TAGRIX.INI", then the label.
void BM_ComposeLabel(benchmark::State& state) {
    Setup& s = TheSetup();
    for (auto _ : state) {
        MDlgMainCutHelp composer;
        benchmark::DoNotOptimize(composer.ComposeZpl(s.job));
    }
}
BENCHMARK(BM_ComposeLabel)->Unit(benchmark::kMicrosecond);

// The label alone, from a layout already in memory.
void BM_ComposeLabelPreloadedLayout(benchmark::State& state) {
    Setup& s = TheSetup();
    for (auto _ : state) {
        MDlgMainCutHelp composer;
        benchmark::DoNotOptimize(composer.ComposeZpl(s.job, &s.layout));
    }
}
BENCHMARK(BM_ComposeLabelPreloadedLayout)->Unit(benchmark::kMicrosecond);

// The text grid alone: layout 4 without barcode or pictures, nine rows of two columns of
// mixed sizes and lengths, so that the second column's place and the smaller fonts are sought.
void BM_ComposeTextGrid(benchmark::State& state) {
    Setup& s = TheSetup();
    static MConfigura layout;
    static LabelJob job;
    if (layout.labelLines.Count() == 0) {
        layout.Load(s.dir / "NONE.INI");
        layout.layout = 4;
        layout.useBarcode = false;
        layout.gridRows = 9;
        for (int i = 0; i < layout.labelLines.Count(); ++i)
            if (MRiga* line = layout.labelLines.Line(i)) line->style.size = static_cast<float>(1 + i % 6);
        const char* values[] = {"ORD-117/2026", "P-0042", "ALU60 THERMAL", "C1207", "1250.00", "RAL 9010 WHITE",
                                "45 45", "NOTE A", "FINESTRE LEFT", "X"};
        for (int i = 0; i < 18; ++i) job.values.push_back(values[i % 10]);
    }
    for (auto _ : state) {
        MDlgMainCutHelp composer;
        benchmark::DoNotOptimize(composer.ComposeZpl(job, &layout));
    }
}
BENCHMARK(BM_ComposeTextGrid)->Unit(benchmark::kMicrosecond);

} // namespace
