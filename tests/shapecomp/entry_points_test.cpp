// The library's entry points, bound by name from libvlk32_bc.so exactly as the program binds
// them, plus the compile driver's pieces.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <regex>

#include "library_fixture.h"
#include "shapecomp/driver.h"
#include "shapecomp/vlk32_bc.h"

namespace fs = std::filesystem;
using sctest::ReadFile;
using sctest::TempDir;
using sctest::WriteFile;
using sctest::Library;

namespace {

// The appended blocks: every line after the program's first two.
std::vector<std::string> Appended(const std::string& prog) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < prog.size()) {
        size_t eol = prog.find("\r\n", pos);
        if (eol == std::string::npos) {
            lines.push_back(prog.substr(pos));
            break;
        }
        lines.push_back(prog.substr(pos, eol - pos));
        pos = eol + 2;
    }
    return std::vector<std::string>(lines.begin() + std::min<size_t>(2, lines.size()), lines.end());
}

} // namespace

TEST_F(Library, ExportsOnlyTheEntryPoints) {
    for (const char* name : {"GetVlkVersion", "CompilaSpeciale", "CompilaSpeciale2", "CompilaSpeciale3"})
        EXPECT_NE(plat::GetProcAddress(lib_, name), nullptr) << name;
    EXPECT_EQ(plat::GetProcAddress(lib_, "_ZN9shapecomp14CompileSpecialEPKcS1_S1_PiS1_i"), nullptr);
    EXPECT_EQ(plat::GetProcAddress(lib_, "_ZN9shapecomp10RoundToIntEe"), nullptr);
    EXPECT_EQ(plat::GetProcAddress(lib_, "_ZN4plat10NativePathB5cxx11ESt17basic_string_viewIcSt11char_traitsIcEE"), nullptr);
    auto old1 = reinterpret_cast<int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)>(
        plat::GetProcAddress(lib_, "CompilaSpeciale"));
    auto old2 = reinterpret_cast<int32_t (*)(const char*, const char*, const char*, int32_t, int32_t, char, int32_t)>(
        plat::GetProcAddress(lib_, "CompilaSpeciale2"));
    EXPECT_EQ(old1(1, 2, 3, 4, 5, 6), -1);
    EXPECT_EQ(old2("a", "b", "c", 1, 2, 'x', 3), -1);
}

TEST_F(Library, VersionIsABoundedCopy) {
    char buf[9];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(version_(buf, 8), 1);
    EXPECT_EQ(std::memcmp(buf, "3.0\0\0\0\0\0x", 9), 0);
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(version_(buf, 2), 1);
    EXPECT_EQ(std::memcmp(buf, "3.x", 3), 0);
    EXPECT_EQ(version_(buf, 0), 1);
}

TEST_F(Library, WithoutOutputProgramOnlyTestsTheShapeFile) {
    WriteFile(dir_.path() / "EMPTY.VLK", "");
    // The bar loader's call: program directory, shape path, "BRE", no output, no counter.
    EXPECT_EQ(compile_(dir_.str().c_str(), dir_.str("EMPTY.VLK").c_str(), "BRE", 0, nullptr, nullptr, 0), 0);
    EXPECT_EQ(compile_(dir_.str().c_str(), "EMPTY.VLK", "BRE", 0, nullptr, nullptr, 0), 0) << "relative to the work directory";
    EXPECT_EQ(compile_(dir_.str().c_str(), "empty.vlk", "BRE", 0, nullptr, nullptr, 0), 0) << "case-insensitive";
    EXPECT_EQ(compile_(dir_.str().c_str(), "MISSING.VLK", "BRE", 0, nullptr, nullptr, 0), -2);
    EXPECT_EQ(compile_(dir_.str().c_str(), dir_.str().c_str(), "BRE", 0, nullptr, nullptr, 0), -2) << "a folder";
    int32_t counter = 5;
    EXPECT_EQ(compile_(dir_.str().c_str(), "EMPTY.VLK", "BRE", 0, &counter, nullptr, 8000), 0);
    EXPECT_EQ(counter, 5);
    EXPECT_FALSE(fs::exists(dir_.path() / "EMPTY.iso"));
}

TEST_F(Library, CompileAppendsConsecutiveBlocksFromTheCallersCounter) {
    WriteFile(dir_.path() / "SLOT.VLK", sctest::DemoShape("SLOT.VLK"));
    char cwdBefore[PATH_MAX];
    ASSERT_NE(::getcwd(cwdBefore, sizeof cwdBefore), nullptr);
    int32_t counter = 12;
    EXPECT_EQ(Compile(dir_.str("SLOT.VLK"), counter), 0);
    char cwdAfter[PATH_MAX];
    ASSERT_NE(::getcwd(cwdAfter, sizeof cwdAfter), nullptr);
    EXPECT_STREQ(cwdBefore, cwdAfter);

    const std::string prog = Prog();
    ASSERT_EQ(prog.substr(0, 18), "%\r\nN10 R599=9999\r\n");
    ASSERT_EQ(prog.substr(prog.size() - 2), "\r\n");
    const std::vector<std::string> blocks = Appended(prog);
    ASSERT_GT(blocks.size(), 10u);
    EXPECT_EQ(counter, 12 + static_cast<int32_t>(blocks.size()));
    for (size_t i = 0; i < blocks.size(); ++i) {
        const std::string number = "N" + std::to_string(12 + i) + " ";
        EXPECT_EQ(blocks[i].substr(0, number.size()), number) << blocks[i];
        EXPECT_EQ(blocks[i].find('\n'), std::string::npos);
    }
    // The empty line after the comments is the first block; the program ends with M9.
    EXPECT_EQ(blocks.front(), "N12 ");
    EXPECT_EQ(blocks[1].substr(0, 10), "N13 R629 =");
    EXPECT_EQ(blocks.back(), "N" + std::to_string(counter - 1) + " M9");
    EXPECT_NE(prog.find(" L<SLOWACC.BRE>\r\n"), std::string::npos);
    // The temporary file is gone and the shape untouched.
    EXPECT_FALSE(fs::exists(dir_.path() / "SLOT.iso"));
    EXPECT_EQ(ReadFile(dir_.path() / "SLOT.VLK"), sctest::DemoShape("SLOT.VLK"));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(Library, EveryDemoShapeCompilesUnderTheItalianLocaleWithPoints) {
    for (const char* name : {"SLOT.VLK", "POCKET.VLK", "HOLE.VLK", "HELIX.VLK", "STEP.VLK"}) {
        WriteFile(dir_.path() / name, sctest::DemoShape(name));
        int32_t counter = 1;
        EXPECT_EQ(Compile(dir_.str(name), counter), 0) << name;
        EXPECT_GT(counter, 10) << name;
    }
    const std::string prog = Prog();
    EXPECT_EQ(prog.find(','), std::string::npos) << "numbers always with a decimal point";
    EXPECT_NE(prog.find("G0 X0 Y0 Z=R330 M03 S3000"), std::string::npos);
    EXPECT_NE(prog.find("R400 = 20-R620"), std::string::npos);
}

TEST_F(Library, WindowsStylePathsMapThroughTheDrives) {
    TempDir drives;
    fs::create_directories(drives.path() / "C" / "VLK");
    WriteFile(drives.path() / "C" / "VLK" / "HOLE.VLK", sctest::DemoShape("HOLE.VLK"));
    ::setenv("BRELON_DRIVES", drives.str().c_str(), 1);
    int32_t counter = 100;
    EXPECT_EQ(compile_(dir_.str().c_str(), "C:\\VLK\\HOLE.VLK", "BRE", 0, &counter, dir_.str("PROG.ISO").c_str(), 8000), 0);
    EXPECT_EQ(compile_(dir_.str().c_str(), "C:\\vlk\\hole.vlk", "BRE", 0, nullptr, nullptr, 0), 0);
    ::unsetenv("BRELON_DRIVES");
    EXPECT_GT(counter, 100);
}

TEST_F(Library, FailuresLeaveTheProgramAndCounterAsTheyWere) {
    WriteFile(dir_.path() / "SLOT.VLK", sctest::DemoShape("SLOT.VLK"));
    const std::string before = Prog();
    int32_t counter = 12;
    // Output program that cannot be opened: nothing appended is not a success.
    EXPECT_EQ(compile_(dir_.str().c_str(), dir_.str("SLOT.VLK").c_str(), "BRE", 0, &counter,
                       dir_.str("NO/SUCH/DIR/PROG.ISO").c_str(), 8000),
              -1);
    // Shape file missing.
    EXPECT_EQ(Compile(dir_.str("MISSING.VLK"), counter), -2);
    // Tool of no diameter.
    EXPECT_EQ(Compile(dir_.str("SLOT.VLK"), counter, 0), -1);
    EXPECT_EQ(Compile(dir_.str("SLOT.VLK"), counter, -3000), -1);
    // No counter to advance.
    EXPECT_EQ(compile_(dir_.str().c_str(), "SLOT.VLK", "BRE", 0, nullptr, dir_.str("PROG.ISO").c_str(), 8000), -1);
    // A special cycle without its valid parameter line.
    WriteFile(dir_.path() / "BAD.VLK", "1 8000 0 0 0 0 0 0\r\n 0 0 101 0 0 0 0 0 0 0 0\r\n B 0 0\r\n1\r\n"
                                       "ST101 P 8 3000 11 1 1 1\r\n");
    EXPECT_EQ(Compile(dir_.str("BAD.VLK"), counter), -1);
    EXPECT_FALSE(fs::exists(dir_.path() / "BAD.iso"));
    // A shape without an extension, or already named ".iso", would be its own temporary file.
    WriteFile(dir_.path() / "NOEXT", sctest::DemoShape("SLOT.VLK"));
    EXPECT_EQ(Compile(dir_.str("NOEXT"), counter), -1);
    fs::create_directories(dir_.path() / "A.B");
    WriteFile(dir_.path() / "A.B" / "NOEXT", sctest::DemoShape("SLOT.VLK"));
    EXPECT_EQ(Compile(dir_.str("A.B/NOEXT"), counter), -1);
    WriteFile(dir_.path() / "OWN.ISO", sctest::DemoShape("SLOT.VLK"));
    EXPECT_EQ(Compile(dir_.str("OWN.ISO"), counter), -1);
    EXPECT_EQ(ReadFile(dir_.path() / "OWN.ISO"), sctest::DemoShape("SLOT.VLK"));

    EXPECT_EQ(counter, 12);
    EXPECT_EQ(Prog(), before);
}

TEST_F(Library, ReadOnlyTemporaryFileIsReportedAndKept) {
    WriteFile(dir_.path() / "SLOT.VLK", sctest::DemoShape("SLOT.VLK"));
    WriteFile(dir_.path() / "SLOT.iso", "old");
    ::chmod(dir_.str("SLOT.iso").c_str(), 0444);
    int32_t counter = 12;
    EXPECT_EQ(Compile(dir_.str("SLOT.VLK"), counter), -1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], "VLK.DLL|Error: READ_ONLY " + dir_.str("SLOT.iso") + " file.");
    EXPECT_EQ(ReadFile(dir_.path() / "SLOT.iso"), "old");
    EXPECT_EQ(counter, 12);

    // A writable one from an earlier run is simply replaced; other files are not touched.
    ::chmod(dir_.str("SLOT.iso").c_str(), 0644);
    WriteFile(dir_.path() / "SLOT.iso.bak", "keep");
    WriteFile(dir_.path() / "SLOTX.iso", "keep");
    EXPECT_EQ(Compile(dir_.str("SLOT.VLK"), counter), 0);
    EXPECT_FALSE(fs::exists(dir_.path() / "SLOT.iso"));
    EXPECT_TRUE(fs::exists(dir_.path() / "SLOT.iso.bak"));
    EXPECT_TRUE(fs::exists(dir_.path() / "SLOTX.iso"));
}

TEST(Driver, AppendsTheLinesAfterTheHeaderNumberedFromTheCounter) {
    TempDir dir;
    // Five header lines and four more, mixing LF and CR LF.
    const std::string tmpText = "{a}\r\n{b}\n{c}\r\n{d}\r\n{e}\r\n\r\nR629 = 1\nM7\r\nM9\r\n";
    FILE* out = std::fopen(dir.str("P.ISO").c_str(), "wb");
    ASSERT_NE(out, nullptr);
    int32_t counter = 12;
    EXPECT_EQ(shapecomp::AppendNumberedLines(tmpText, out, &counter), 0);
    std::fclose(out);
    EXPECT_EQ(counter, 16);
    EXPECT_EQ(ReadFile(dir.path() / "P.ISO"), "N12 \r\nN13 R629 = 1\r\nN14 M7\r\nN15 M9\r\n");
}

TEST(Driver, TemporaryNameComesFromTheFileNamePart) {
    std::string tmp;
    EXPECT_TRUE(shapecomp::TemporaryIsoPath("/a.b/c/SLOT.VLK", tmp));
    EXPECT_EQ(tmp, "/a.b/c/SLOT.iso");
    EXPECT_TRUE(shapecomp::TemporaryIsoPath("/x/TWO.DOTS.VLK", tmp));
    EXPECT_EQ(tmp, "/x/TWO.DOTS.iso");
    EXPECT_FALSE(shapecomp::TemporaryIsoPath("/a.b/c/SLOT", tmp));
    EXPECT_FALSE(shapecomp::TemporaryIsoPath("/x/SLOT.Iso", tmp));
    EXPECT_EQ(shapecomp::ResolvePath("/work/dir", "VLK\\A.VLK"), "/work/dir/VLK/A.VLK");
    EXPECT_EQ(shapecomp::ResolvePath("/work/dir/", "/abs/A.VLK"), "/abs/A.VLK");
}
