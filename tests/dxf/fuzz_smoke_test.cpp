// Bounded random mutations of real drawings through the reader, the transforms and the
// renderer: nothing may crash, hang or leak (the suite runs under the sanitizers), and a
// failed read always leaves an empty list.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dxf_test_util.h"
#include "exercise.h"
#include "platform/paths.h"

namespace {

const char* const kWords[] = {"INSERT", "POLYLINE", "VERTEX", "SEQEND", "SPLINE", "ELLIPSE", "BLOCK",
                              "ENDBLK", "SECTION",  "ENDSEC", "LWPOLYLINE", "ARC", "EOF", "1e300",
                              "-0",     "32767",    "66",     "1",          "",    "  0"};

std::string Mutate(std::string s, std::mt19937& rng) {
    auto pick = [&](size_t n) { return n == 0 ? size_t(0) : size_t(rng() % n); };
    const int edits = 1 + int(rng() % 4);
    for (int k = 0; k < edits && !s.empty(); ++k) {
        const size_t at = pick(s.size());
        switch (rng() % 6) {
        case 0: s[at] = "0123456789-.eE \r\nAZ"[pick(19)]; break;
        case 1: s.erase(at, pick(64)); break;
        case 2: s.insert(at, s.substr(pick(s.size()), pick(400))); break;
        case 3: s.resize(at); break;
        case 4: { // replace one line by a word of the format
            const size_t b = s.rfind('\n', at), e = s.find('\n', at);
            const size_t from = b == std::string::npos ? 0 : b + 1;
            s.replace(from, (e == std::string::npos ? s.size() : e) - from, kWords[pick(std::size(kWords))]);
            break;
        }
        default: s[at] = char(rng() & 0xFF); break;
        }
    }
    return s;
}

} // namespace

TEST(DxfRobustness, MutatedDrawingsNeverBreakTheLibrary) {
    std::vector<std::string> seeds;
    for (const char* name : {"all_kinds.dxf", "blocks.dxf", "l_section.dxf", "fit_splines.dxf"}) {
        std::string s;
        ASSERT_TRUE(plat::ReadWholeFile(dxftest::Fixture(name), s));
        ASSERT_TRUE(dxftest::Exercise(reinterpret_cast<const uint8_t*>(s.data()), s.size())) << name;
        seeds.push_back(s);
    }
    std::mt19937 rng(20240611u);
    int readOk = 0;
    for (int i = 0; i < 1500; ++i) {
        const std::string input = Mutate(seeds[size_t(i) % seeds.size()], rng);
        ASSERT_TRUE(dxftest::Exercise(reinterpret_cast<const uint8_t*>(input.data()), input.size()))
            << "iteration " << i;
        MEntitiesList l;
        readOk += dxftest::Read(input, l) >= 0;
    }
    // The mutations must leave some drawings readable, or the test exercises only the refusals.
    EXPECT_GT(readOk, 100);
}
