// Bounded random mutation of the demo shapes through reader, compensation and generator:
// whatever the file holds, nothing crashes, overflows or runs away.
#include <gtest/gtest.h>

#include <random>

#include "shape_test_util.h"
#include "shapecomp/gouge.h"

using namespace shapecomp;

namespace {

void RunAll(const std::string& text, int32_t tool) {
    ShapeDescription s;
    ReadShapeFile(text, s);
    s.toolDiameter = tool;
    const ShapeDescription drawn = s;
    CalcolaCoordinateGrafiche(s, 0);
    ComputeArcCentres(s);
    FindGouge(drawn, s);
    std::string out;
    if (GenerateIso(s, "M.iso", "BRE", text, out)) {
        ASSERT_GE(out.size(), 10u);
        ASSERT_EQ(out.substr(out.size() - 2), "\r\n");
    }
}

} // namespace

TEST(Mutation, RandomlyMutatedShapesCompileOrFailCleanly) {
    sctest::RecordingSink quiet; // geometry messages are expected here
    std::mt19937 rng(20240611);
    const char* names[] = {"SLOT.VLK", "POCKET.VLK", "HOLE.VLK", "HELIX.VLK", "STEP.VLK"};
    const std::string alphabet = "0123456789-+ \t\r\nx0xffST1001 ";
    const std::string big[] = {"2147483647", "-2147483648", "99999999999", "360000", "-180000", "0x7fffffff"};
    for (int round = 0; round < 1500; ++round) {
        std::string text = sctest::DemoShape(names[round % 5]);
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < edits && !text.empty(); ++k) {
            const size_t at = rng() % text.size();
            switch (rng() % 5) {
            case 0: text[at] = alphabet[rng() % alphabet.size()]; break;
            case 1: text.erase(at, 1 + rng() % 8); break;
            case 2: text.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
            case 3: text.insert(at, " " + big[rng() % std::size(big)] + " "); break;
            case 4: text.insert(at, text.substr(rng() % text.size(), 1 + rng() % 40)); break;
            }
        }
        GeneratorState() = OutputState{};
        const int32_t tools[] = {1, 3000, 8000, 100000, 2000000000};
        RunAll(text, tools[rng() % std::size(tools)]);
    }
}
