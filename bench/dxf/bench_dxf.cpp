// Reading speed of the DXF reader on generated drawings of 5 MB and 7.5 MB (target: 150 MB/s or
// better), beside reading the same file's bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "dxf/dxf.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

void G(std::string& s, int code, const std::string& v) {
    s += plat::StrFormatC("%3d\r\n", code);
    s += v;
    s += "\r\n";
}
void G(std::string& s, int code, double v) { G(s, code, plat::StrFormatC("%.6f", v)); }

// A drawing as a CAD program saves it: header, a block, then lines, arcs, circles, bulged
// polylines, texts and inserts until the size is reached.
std::string MakeDrawing(size_t target) {
    std::string s;
    G(s, 0, "SECTION");
    G(s, 2, "HEADER");
    G(s, 9, "$ACADVER");
    G(s, 1, "AC1015");
    G(s, 0, "ENDSEC");
    G(s, 0, "SECTION");
    G(s, 2, "BLOCKS");
    G(s, 0, "BLOCK");
    G(s, 8, "0");
    G(s, 2, "VITE");
    G(s, 10, 0.0);
    G(s, 20, 0.0);
    G(s, 0, "CIRCLE");
    G(s, 8, "0");
    G(s, 10, 0.0);
    G(s, 20, 0.0);
    G(s, 40, 2.5);
    G(s, 0, "ENDBLK");
    G(s, 0, "ENDSEC");
    G(s, 0, "SECTION");
    G(s, 2, "ENTITIES");
    for (int i = 0; s.size() < target; ++i) {
        const double x = (i % 1000) * 0.731, y = (i / 1000) * 1.377;
        auto head = [&](const char* kind) {
            G(s, 0, kind);
            G(s, 5, plat::StrFormatC("%X", 0x100 + i));
            G(s, 100, "AcDbEntity");
            G(s, 8, "PROFILO");
        };
        switch (i % 6) {
        case 0:
        case 1:
            head("LINE");
            G(s, 10, x);
            G(s, 20, y);
            G(s, 30, 0.0);
            G(s, 11, x + 12.5);
            G(s, 21, y + 3.25);
            G(s, 31, 0.0);
            break;
        case 2:
            head("ARC");
            G(s, 10, x);
            G(s, 20, y);
            G(s, 30, 0.0);
            G(s, 40, 4.0);
            G(s, 50, 30.0);
            G(s, 51, 250.0);
            break;
        case 3:
            head("LWPOLYLINE");
            G(s, 90, "        4");
            G(s, 70, "     1");
            for (int k = 0; k < 4; ++k) {
                G(s, 10, x + (k == 1 || k == 2 ? 10.0 : 0.0));
                G(s, 20, y + (k >= 2 ? 5.0 : 0.0));
                if (k == 1) G(s, 42, 0.41421356);
            }
            break;
        case 4:
            head("TEXT");
            G(s, 10, x);
            G(s, 20, y);
            G(s, 30, 0.0);
            G(s, 40, 2.5);
            G(s, 1, "QUOTA 12.5");
            break;
        default:
            head("INSERT");
            G(s, 2, "VITE");
            G(s, 10, x);
            G(s, 20, y);
            G(s, 30, 0.0);
            G(s, 41, 1.0);
            G(s, 42, 1.0);
            G(s, 50, 15.0);
            break;
        }
    }
    G(s, 0, "ENDSEC");
    G(s, 0, "EOF");
    return s;
}

const std::string& Drawing(int megabytesTimesTwo) {
    static const std::string five = MakeDrawing(size_t(5) << 20);
    static const std::string sevenAndHalf = MakeDrawing(size_t(15) << 19);
    return megabytesTimesTwo == 10 ? five : sevenAndHalf;
}

const std::string& DrawingPath(int megabytesTimesTwo) {
    static const std::string five = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "brelon_bench_5mb.dxf").string();
        plat::WriteFileAtomic(p, Drawing(10));
        return p;
    }();
    static const std::string sevenAndHalf = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "brelon_bench_7_5mb.dxf").string();
        plat::WriteFileAtomic(p, Drawing(15));
        return p;
    }();
    return megabytesTimesTwo == 10 ? five : sevenAndHalf;
}

// range(0): the drawing's size in half megabytes (10: 5 MB, 15: 7.5 MB).
void BM_ReadDXF_File(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const std::string& path = DrawingPath(size);
    MEntitiesList list;
    for (auto _ : state) {
        const int n = ReadDXF(path, list);
        if (n <= 0) state.SkipWithError("drawing not read");
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Drawing(size).size()));
    state.counters["entities"] = double(list.Count());
}
BENCHMARK(BM_ReadDXF_File)->ArgName("halfMB")->Arg(10)->Arg(15)->Unit(benchmark::kMillisecond);

// Anchor: the same file's bytes read into memory.
void BM_ReadFileBytes(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const std::string& path = DrawingPath(size);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (f == nullptr) {
            state.SkipWithError("file not read");
            return;
        }
        std::fseek(f, 0, SEEK_END);
        std::string bytes(static_cast<size_t>(std::ftell(f)), '\0');
        std::fseek(f, 0, SEEK_SET);
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Drawing(size).size()));
}
BENCHMARK(BM_ReadFileBytes)->ArgName("halfMB")->Arg(10)->Arg(15)->Unit(benchmark::kMillisecond);

void BM_ReadDXF_Memory(benchmark::State& state) {
    const std::string& d = Drawing(static_cast<int>(state.range(0)));
    MEntitiesList list;
    for (auto _ : state) benchmark::DoNotOptimize(ReadDXFBuffer(d.data(), d.size(), list));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.size()));
}
BENCHMARK(BM_ReadDXF_Memory)->ArgName("halfMB")->Arg(10)->Arg(15)->Unit(benchmark::kMillisecond);

} // namespace
