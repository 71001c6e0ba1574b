// Bounded random mutations of real drawings through the reader, the transforms and the
// renderer: nothing may crash, hang or leak (the suite runs under the sanitizers), and a
// failed read always leaves an empty list.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "dxf_test_util.h"
#include "exercise.h"
#include "platform/paths.h"

using namespace dxftest;

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

// The outline read as the drawing streams through a window of any size, and from a file, gives
// what the whole-text read of the entity list gives: the cut between windows may fall anywhere
// (inside a line, between CR and LF, inside an entity group), and the drawing's shape may need
// the whole text (blocks after the entities, entities twice) or hold back an entity's failure
// behind a later one of the structure.
TEST(DxfRobustness, OutlineReadThroughAnyWindow) {
    std::string crlf, blocks, kinds;
    ASSERT_TRUE(plat::ReadWholeFile(Fixture("l_section.dxf"), crlf));
    ASSERT_TRUE(plat::ReadWholeFile(Fixture("blocks.dxf"), blocks));
    ASSERT_TRUE(plat::ReadWholeFile(Fixture("all_kinds.dxf"), kinds));
    std::string lf;
    for (char c : crlf)
        if (c != '\r') lf += c;
    const std::string square = Block("B", 0, 0, Line(0, 0, 1, 0) + Line(1, 0, 1, 1));
    auto section = [](const char* name, const std::string& body) {
        return G(0, "SECTION") + G(2, name) + body + G(0, "ENDSEC");
    };
    // Refused by the expansion limit: an array of 32767 x 32767 empty blocks.
    const std::string huge = G(0, "INSERT") + G(8, "0") + G(2, "E") + G(70, "32767") + G(71, "32767");
    const struct {
        const char* what;
        std::string text;
        int rc;              // the result the list read gives, 0 for a count
        size_t windows = 48; // read through windows of 1 to this many bytes
    } kCases[] = {
        {"CR LF", crlf, 0},
        {"LF", lf, 0},
        {"UTF-8 mark", "\xEF\xBB\xBF" + crlf, 0},
        {"binary", "AutoCAD Binary DXF\r\n" + lf, DXF_ERR_BINARY},
        {"blocks, attributes", blocks, 0},
        {"every kind", kinds, 0},
        {"blocks after the entities",
         section("ENTITIES", Insert("B", 9, 9)) + section("BLOCKS", square) + G(0, "EOF"), 0},
        {"entities twice, the last drawn",
         section("BLOCKS", square) + section("ENTITIES", Insert("B", 9, 9)) +
             section("ENTITIES", Line(5, 5, 6, 6) + Insert("B", 2, 2)) + G(0, "EOF"),
         0},
        {"too many entities, then a pair out of place",
         section("BLOCKS", Block("E", 0, 0, "")) + section("ENTITIES", Line(0, 0, 1, 1) + huge) + G(1, "x"),
         DXF_ERR_FORMAT, 1},
        {"too many entities",
         section("BLOCKS", Block("E", 0, 0, "")) + section("ENTITIES", huge) + G(0, "EOF"), DXF_ERR_TOO_LARGE,
         1},
        {"a bad line after the end", Doc(Line(0, 0, 1, 1)) + G(5, "1F") + "x\n", DXF_ERR_FORMAT},
        {"blank lines at the end", Doc(Line(0, 0, 1, 1)) + "\r\n \n\t\r\n", 0},
    };
    const std::string path =
        (std::filesystem::temp_directory_path() / ("brelon_outline_" + std::to_string(::getpid()) + ".dxf"))
            .string();
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        MEntitiesList l;
        const int rc = Read(c.text, l);
        ASSERT_EQ(c.rc == 0 ? rc > 0 : rc == c.rc, true) << rc;
        MOutline fromList;
        for (const MEntity& e : l)
            fromList.Add(e);
        for (size_t window = 1; window <= c.windows; ++window) {
            MOutline o;
            ASSERT_EQ(dxfstream::ReadOutlineWindowed(c.text.data(), c.text.size(), window, o), rc) << window;
            ASSERT_TRUE(SameShapes(o, fromList)) << window;
        }
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(c.text.data(), 1, c.text.size(), f);
        std::fclose(f);
        MOutline o;
        EXPECT_EQ(ReadDXFOutline(path, o), rc);
        EXPECT_TRUE(SameShapes(o, fromList));
    }
    std::remove(path.c_str());
}
