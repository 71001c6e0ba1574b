// Part-program generation of a bar with 20 pieces and 100 machinings on the variant-2 demo
// machine: elaboration and writing together, the writer alone, and one fwrite of the same bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "engine/iso_generator.h"
#include "machine/error_text.h"
#include "bench_installation.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

struct Installation {
    std::string dir;
    std::unique_ptr<IsoProgramGenerator> gen;
    std::string program;

    Installation() {
        if (!benchsupport::SetUpDemoInstallation(2, "CONF-V2/", "brelon-isobench", dir)) std::abort();

        // 20 pieces of 280 mm, five drills each, on the four faces.
        std::vector<ldatest::PieceSpec> pieces;
        for (int p = 0; p < 20; ++p) {
            ldatest::PieceSpec piece;
            piece.name = "P" + std::to_string(p);
            piece.length = 280000;
            piece.firstAngle = piece.secondAngle = 90000;
            for (int k = 0; k < 5; ++k) {
                ldatest::MachiningSpec m;
                m.figure = 1;
                m.shortText = "FORO";
                m.faceAngle = (k % 2) ? 90.0f : 0.0f;
                m.x = 30000 + k * 50000;
                m.y = 30000;
                m.z = 20000;
                m.tool = "PUNTA5";
                m.params = {5000};
                m.xMin = m.yMin = -2500;
                m.xMax = m.yMax = 2500;
                m.depthCount = 2;
                m.stepDepth = 2000;
                m.nomeLdt = "T";
                m.idLdt = k + 1;
                piece.machinings.push_back(m);
            }
            pieces.push_back(piece);
        }
        if (!benchsupport::WriteBenchList(dir + "LIST.lda", "BENCH", {benchsupport::DemoProfileBar(pieces)}))
            std::abort();
        gen = std::make_unique<IsoProgramGenerator>((dir + "LIST.lda").c_str());
        if (CheckBarSize(*gen->Bar(0)) != 0 || gen->ComputeBar(0, 1) != 0 || gen->GenerateIsoProgram(1, 0) != 0) {
            std::fprintf(stderr, "%s\n", g_errorText);
            std::abort();
        }
        program = ReadAll(dir + "OUTPUT.ISO");
    }
};

Installation& Inst() {
    static Installation inst;
    return inst;
}

void BM_ComputeAndWriteProgram(benchmark::State& state) {
    Installation& in = Inst();
    for (auto _ : state) {
        in.gen->ComputeBar(0, 1);
        benchmark::DoNotOptimize(in.gen->GenerateIsoProgram(1, 0));
    }
    state.counters["machinings"] = in.gen->machiningCount;
}
BENCHMARK(BM_ComputeAndWriteProgram)->Unit(benchmark::kMillisecond);

void BM_GenerateProgram(benchmark::State& state) {
    Installation& in = Inst();
    for (auto _ : state) benchmark::DoNotOptimize(in.gen->GenerateIsoProgram(1, 0));
    state.counters["bytes"] = static_cast<double>(in.program.size());
}
BENCHMARK(BM_GenerateProgram)->Unit(benchmark::kMillisecond);

// BM_WriterOnly and BM_OneFwrite measure like with like: each iteration opens ("wb", so the
// previous run's file is truncated), writes and closes a file of the same size in the same
// directory, and each checks afterwards that its file holds exactly the generated program.

// The writer alone: the body into a fresh file, already elaborated.
void BM_WriterOnly(benchmark::State& state) {
    Installation& in = Inst();
    const std::string path = in.dir + "W.ISO";
    for (auto _ : state) {
        std::snprintf(in.gen->isoPath, sizeof in.gen->isoPath, "%s", path.c_str());
        in.gen->isoFile = std::fopen(path.c_str(), "wb");
        benchmark::DoNotOptimize(in.gen->WriteIsoProgramDefault(1));
    }
    if (ReadAll(path) != in.program) state.SkipWithError("the writer wrote other bytes");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.program.size()));
}
BENCHMARK(BM_WriterOnly)->Unit(benchmark::kMicrosecond);

// The same bytes with one fwrite.
void BM_OneFwrite(benchmark::State& state) {
    Installation& in = Inst();
    const std::string path = in.dir + "F.ISO";
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(in.program.data(), 1, in.program.size(), f);
        benchmark::DoNotOptimize(std::fclose(f));
    }
    if (ReadAll(path) != in.program) state.SkipWithError("fwrite wrote other bytes");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.program.size()));
}
BENCHMARK(BM_OneFwrite)->Unit(benchmark::kMicrosecond);

} // namespace
