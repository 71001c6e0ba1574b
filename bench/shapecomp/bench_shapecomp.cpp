// Compiling a 1,000-element shape (target: under 5 ms), through the whole driver: shape file
// read, compensation, generator, temporary file and the numbered append to the program.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "shapecomp/compensation.h"
#include "shapecomp/driver.h"
#include "shapecomp/generator.h"
#include "shapecomp/shape.h"

namespace {

// A zig-zag contour of lines and arcs with inner and outer corners, right side offset.
std::string ThousandElementShape() {
    shapecomp::ShapeDescription s;
    s.side = -1;
    s.toolDiameter = 6000;
    s.minArcDiamCW = s.minArcDiamCCW = 999999;
    s.name = "BENCH";
    int32_t x = 0;
    for (int i = 0; i < 1000; ++i) {
        shapecomp::ShapeElement e;
        if (i % 4 == 3) {
            // Half circle over the last step: centre on the chord's midpoint.
            e.type = shapecomp::kArc;
            e.endX = x + 20000;
            e.endY = 0;
            e.centreX = x + 10000;
            e.centreY = 0;
            e.sweep = (i % 8 == 3) ? 180000 : -180000;
            x += 20000;
        } else {
            e.type = shapecomp::kLine;
            x += 10000;
            e.endX = x;
            e.endY = (i % 2) ? 15000 : 0;
        }
        e.feedXY = 1000000 + (i % 3) * 1000;
        e.depth = -(i % 5) * 500;
        s.elements.push_back(e);
    }
    return shapecomp::WriteShapeFile(s);
}

void BM_CompileThousandElements(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("shapecomp-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string shape = (dir / "BENCH.VLK").string(), prog = (dir / "PROG.ISO").string();
    std::ofstream(shape, std::ios::binary) << ThousandElementShape();
    int64_t blocks = 0;
    for (auto _ : state) {
        // A new part program each time, as the engine writes one per bar (truncating the old
        // one in place would make the file system flush it on close and time the disk).
        state.PauseTiming();
        fs::remove(prog);
        std::ofstream(prog, std::ios::binary) << "%\r\n";
        state.ResumeTiming();
        int32_t counter = 1;
        const int32_t rc = shapecomp::CompileSpecial(dir.c_str(), shape.c_str(), "BRE", &counter, prog.c_str(), 6000);
        if (rc != 0) state.SkipWithError("compile failed");
        blocks = counter - 1;
    }
    state.counters["blocks"] = static_cast<double>(blocks);
    fs::remove_all(dir);
}
BENCHMARK(BM_CompileThousandElements)->Unit(benchmark::kMillisecond);

// The geometry and generator alone, in memory.
void BM_CompensateAndGenerate(benchmark::State& state) {
    const std::string text = ThousandElementShape();
    for (auto _ : state) {
        shapecomp::ShapeDescription s;
        shapecomp::ReadShapeFile(text, s);
        shapecomp::CalcolaCoordinateGrafiche(s, 0);
        shapecomp::ComputeArcCentres(s);
        std::string out;
        shapecomp::GenerateIso(s, "BENCH.iso", "BRE", text, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_CompensateAndGenerate)->Unit(benchmark::kMillisecond);

} // namespace
