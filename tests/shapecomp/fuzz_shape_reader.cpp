// libFuzzer target: any bytes as a shape file, read, compensated, checked for gouges and
// generated in memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "shapecomp/compensation.h"
#include "shapecomp/generator.h"
#include "shapecomp/gouge.h"
#include "shapecomp/message_sink.h"
#include "shapecomp/shape.h"

namespace {
class QuietSink : public shapecomp::MessageSink {
public:
    void Show(const char*, const char*) override {}
};
QuietSink g_quiet;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    shapecomp::SetMessageSink(&g_quiet);
    const std::string text(reinterpret_cast<const char*>(data), size);
    shapecomp::ShapeDescription shape;
    shapecomp::ReadShapeFile(text, shape);
    (void)shapecomp::WriteShapeFile(shape);
    // The caller's tool diameter (always positive) replaces the header's one.
    shape.toolDiameter = shape.toolDiameter > 0 ? shape.toolDiameter : 3000;
    const shapecomp::ShapeDescription drawn = shape;
    shapecomp::CalcolaCoordinateGrafiche(shape, 0);
    shapecomp::ComputeArcCentres(shape);
    (void)shapecomp::FindGouge(drawn, shape);
    shapecomp::GeneratorState() = shapecomp::OutputState{};
    std::string out;
    shapecomp::GenerateIso(shape, "F.iso", "BRE", text, out);
    return 0;
}
