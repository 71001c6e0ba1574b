// A special shape from a bar list through the machining engine and the real shape compiler
// (bound by name, as the program binds it): the part program the engine writes carries the
// compensated contour, and a shape whose tool path would cut into the piece refuses the bar
// with the engine's error while the operator is told which shape file and which element.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "iso_test_support.h"
#include "platform/dynlib.h"
#include "shapecomp/vlk32_bc.h"

namespace enginetest {
namespace {

std::vector<std::string> g_boxes;
void Record(void*, const char* text, const char* caption) { g_boxes.push_back(std::string(caption) + "|" + text); }

// Line east, then a counter-clockwise arc that turns right at the corner: with the tool on the
// right the corner is an inner one, and the arc is the contour's last element.
constexpr const char* kLastArc =
    "2 8000 0 -1 0 0 999999 999999\r\n"
    " 50000 0 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " 80000 -30000 3 80000 0 90000 -2000 1000000 200000 0 0\r\n"
    " LASTARC 0 0\r\n"
    "1\r\n";

// A pocket drawn clockwise with the tool inside, started at its corner: the plunge lands on the
// pocket's last edge.
constexpr const char* kCornerStart =
    "4 8000 0 -1 0 0 999999 999999\r\n"
    " 0 30000 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " 40000 30000 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " 40000 0 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " 0 0 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " CORNER 0 0\r\n"
    "1\r\n";

// Seven elements counted, three written: the file was cut short.
constexpr const char* kCutShort =
    "7 8000 0 -1 0 0 999999 999999\r\n"
    " 0 30000 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " 40000 30000 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " 40000 0 2 0 0 0 -2000 1000000 200000 0 0\r\n"
    " CUT 0 0\r\n"
    "1\r\n";

class EngineShapeTest : public IsoTest {
protected:
    void SetUp() override {
        IsoTest::SetUp();
        ASSERT_TRUE(TheShapeCompiler().Bind("vlk32_bc")) << plat::LastLibraryError();
        lib_ = plat::LoadLibraryByName("vlk32_bc"); // the same loaded library: its message sink
        ASSERT_NE(lib_, nullptr);
        sink_ = reinterpret_cast<VlkSetMessageSinkFn>(plat::GetProcAddress(lib_, "VlkSetMessageSink"));
        ASSERT_NE(sink_, nullptr);
        sink_(&Record, nullptr);
        g_boxes.clear();
        vlk_ = dir_ + "VLK/";
        std::filesystem::create_directories(vlk_);
        std::snprintf(g_pSettings->DIR_VLK, sizeof g_pSettings->DIR_VLK, "%s", vlk_.c_str());
        WriteFile(vlk_ + "LASTARC.VLK", kLastArc);
        WriteFile(vlk_ + "CORNER.VLK", kCornerStart);
        WriteFile(vlk_ + "CUT.VLK", kCutShort);
        g_machineConnected = 1; // shapes are compiled into the program only for a connected machine
    }
    void TearDown() override {
        sink_(nullptr, nullptr);
        plat::FreeLibrary(lib_);
        TheShapeCompiler().Unbind();
        IsoTest::TearDown();
    }

    // A bar with one piece machined by the shape, computed; the generator's result.
    int Generate(const char* shape) {
        ldatest::MachiningSpec m = Drill(300000, 0, "FRESA8", 8000);
        m.figure = 0;
        m.shapeName = shape;
        m.shortText = shape;
        ldatest::PieceSpec p = Piece("A", 1200000);
        p.machinings = {m};
        IsoProgramGenerator& g = OpenGen(List({Bar({p})}));
        EXPECT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        EXPECT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        ClearErrorText();
        return g.GenerateIsoProgram(1, 0);
    }

    std::string vlk_;
    plat::LibHandle lib_ = nullptr;
    VlkSetMessageSinkFn sink_ = nullptr;
};

TEST_F(EngineShapeTest, ProgramEndsTheLastArcOnItsOffsetCircle) {
    ASSERT_EQ(Generate("LASTARC"), 0) << g_errorText;
    const std::string program = ReadFile(dir_ + "OUTPUT.ISO");
    // The shape's blocks, numbered on with the program: the last arc of the contour.
    std::smatch m;
    const std::regex arc(R"(N\d+ G3 X(\S+) Y(\S+) I(\S+) J(\S+))");
    std::string last;
    for (auto it = std::sregex_iterator(program.begin(), program.end(), arc); it != std::sregex_iterator(); ++it)
        last = it->str();
    ASSERT_TRUE(std::regex_search(last, m, arc)) << program;
    const double x = std::stod(m[1]), y = std::stod(m[2]), i = std::stod(m[3]), j = std::stod(m[4]);
    // Tool of 8 mm on the right: the arc about (80, 0) of radius 30 + 4 ends square to its exit
    // direction (east), 4 mm below its drawn end point (80, -30).
    EXPECT_NEAR(x, 80, 0.001) << last;
    EXPECT_NEAR(y, -34, 0.001) << last;
    EXPECT_NEAR(i, 80, 0.001) << last;
    EXPECT_NEAR(j, 0, 0.001) << last;
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(EngineShapeTest, GougingShapeRefusesTheBarAndNamesTheElement) {
    EXPECT_EQ(Generate("CORNER"), 1);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_COMP_SPECIAL") + " (ISO)");
    ASSERT_EQ(g_boxes.size(), 1u);
    // The shape file as the engine names it (its path in upper case, as stored).
    std::string path = vlk_ + "CORNER.VLK";
    for (char& ch : path) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(g_boxes[0], "VLK.DLL|Error: GOUGE " + path + ": element 0 (line 2) cuts 4.000 mm into element 3 with "
                          "the 8 mm tool.");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO"));
    EXPECT_FALSE(std::filesystem::exists(vlk_ + "CORNER.iso"));
}

TEST_F(EngineShapeTest, DamagedShapeFileRefusesTheBarAndNamesTheLine) {
    EXPECT_EQ(Generate("CUT"), 1);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_COMP_SPECIAL") + " (ISO)");
    ASSERT_EQ(g_boxes.size(), 1u);
    std::string path = vlk_ + "CUT.VLK";
    for (char& ch : path) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(g_boxes[0], "VLK.DLL|Error: SHAPE " + path + ": line 5: element 3 of 7: the line holds 3 fields, an "
                          "element line 11.");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO"));
    EXPECT_FALSE(std::filesystem::exists(vlk_ + "CUT.iso"));
}

} // namespace
} // namespace enginetest
