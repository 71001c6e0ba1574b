// A paint of the DXF preview control (a 400 x 300 canvas) showing a 7.6 MB profile section
// drawing, outlined and rotated as the execution monitor shows it, and a paint after a size
// change. Beside them in the same run:
// the paint reading the drawing at every paint, and the paint of the same preview without a
// drawing (the bar's section box).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "ui/dxf_preview.h"
#include "../section_drawing.h"

namespace {

const std::string& DrawingPath() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "brelon_bench_preview_7_6mb.dxf").string();
        plat::WriteFileAtomic(p, benchsupport::SectionDrawing(std::size_t(7600) * 1024));
        return p;
    }();
    return path;
}

ui::PreviewState State(bool drawing) {
    ui::PreviewState s;
    if (drawing) s.path = DrawingPath();
    ui::PreviewBar bar;
    bar.bounds[1] = 45000;
    bar.bounds[3] = 60000;
    s.bar = bar;
    s.readFlag = 1;
    s.extension1 = 1;
    s.outline = true;
    s.angle = 90;
    return s;
}

// Kept: the control's paints with the file unchanged, after the first.
void BM_PreviewPaintKept7_6MB(benchmark::State& state) {
    const ui::PreviewState s = State(true);
    ui::PreviewPainter painter;
    painter.Render(s, 400, 300); // the first paint reads the drawing
    for (auto _ : state) {
        const MCanvas& c = painter.Render(s, 400, 300);
        benchmark::DoNotOptimize(c.Pixels().data());
    }
    state.counters["reads"] = painter.Reads();
}
BENCHMARK(BM_PreviewPaintKept7_6MB)->Unit(benchmark::kMillisecond);

// A paint after a size change: the kept drawing painted anew (the size alternates).
void BM_PreviewPaintResized7_6MB(benchmark::State& state) {
    const ui::PreviewState s = State(true);
    ui::PreviewPainter painter;
    painter.Render(s, 400, 300);
    int32_t width = 400;
    for (auto _ : state) {
        width = width == 400 ? 401 : 400;
        const MCanvas& c = painter.Render(s, width, 300);
        benchmark::DoNotOptimize(c.Pixels().data());
    }
    state.counters["paints"] = painter.Paints();
}
BENCHMARK(BM_PreviewPaintResized7_6MB)->Unit(benchmark::kMillisecond);

// Anchor: the drawing read, placed and drawn at every paint.
void BM_PreviewPaintReading7_6MB(benchmark::State& state) {
    const ui::PreviewState s = State(true);
    for (auto _ : state) {
        const MCanvas c = ui::RenderPreview(s, 400, 300);
        benchmark::DoNotOptimize(c.Pixels().data());
    }
}
BENCHMARK(BM_PreviewPaintReading7_6MB)->Unit(benchmark::kMillisecond);

// Anchor: the same preview without a drawing.
void BM_PreviewPaintNoDrawing(benchmark::State& state) {
    const ui::PreviewState s = State(false);
    ui::PreviewPainter painter;
    for (auto _ : state) {
        const MCanvas& c = painter.Render(s, 400, 300);
        benchmark::DoNotOptimize(c.Pixels().data());
    }
}
BENCHMARK(BM_PreviewPaintNoDrawing)->Unit(benchmark::kMillisecond);

} // namespace
