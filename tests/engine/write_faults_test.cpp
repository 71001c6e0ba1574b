// A file that cannot be written or read is named in the message, with the direction and the
// system's reason: a full drive, no permission, a folder in the file's place, no such file.
#include <cerrno>
#include <filesystem>
#include <string>

#include "iso_test_support.h"
#include "machine/path_table.h"
#include "platform/paths.h"

namespace enginetest {
namespace {

namespace fs = std::filesystem;

ldatest::ListSpec SmallBar() {
    ldatest::PieceSpec a = Piece("A", 1200000);
    a.machinings = {Drill(100000, 90)};
    return List({Bar({a})});
}

// The file name the injected fault hits and its errno.
const char* g_faultFile = "";
int g_faultErr = 0;
int FaultAt(const char* nativePath, plat::FileOp) {
    const std::string p = nativePath;
    const std::string f = g_faultFile;
    return p.size() >= f.size() && p.compare(p.size() - f.size(), f.size(), f) == 0 ? g_faultErr : 0;
}

enum class Run { ToolSetup, Reports, Program, ToolTable };
enum class Plant { Inject, DeviceFull, Folder, Missing };

struct Case {
    const char* what;
    Run run;
    Plant plant;
    const char* file; // in the program folder; "" for the configuration file
    int err;          // injected errno
    bool write;
    const char* reasonKey; // message key of the reason, or the start of the message
};

constexpr Case kCases[] = {
    {"bar report, full drive", Run::ToolSetup, Plant::Inject, "OUTPUT.BAR", ENOSPC, true, "ERR_NO_SPACE"},
    {"bar report, no permission", Run::ToolSetup, Plant::Inject, "OUTPUT.BAR", EACCES, true, "ERR_NO_ACCESS"},
    {"debug report, full drive", Run::Reports, Plant::DeviceFull, "OUTPUT.DEB", 0, true, "ERR_NO_SPACE"},
    {"debug report, folder in place", Run::Reports, Plant::Folder, "OUTPUT.DEB", 0, true, "ERR_IS_FOLDER"},
    {"part program, full drive", Run::Program, Plant::DeviceFull, "OUTPUT.ISO.tmp", 0, true, "ERR_NO_SPACE"},
    {"part program, folder in place", Run::Program, Plant::Folder, "OUTPUT.ISO.tmp", 0, true, "ERR_IS_FOLDER"},
    {"configuration copied into the report", Run::Reports, Plant::Missing, "", 0, false, nullptr},
    {"tool table, no permission", Run::ToolTable, Plant::Inject, "TOOLS.TXT", EACCES, false, "ERR_NO_ACCESS"},
    {"tool table missing", Run::ToolTable, Plant::Missing, "TOOLS.TXT", 0, false, "PATH_ERROR"},
};

class WriteFaultTest : public IsoTest {
protected:
    void TearDown() override {
        plat::SetFileFaultForTests(nullptr);
        IsoTest::TearDown();
    }
};

TEST_F(WriteFaultTest, EveryFailureNamesTheFileTheDirectionAndTheReason) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        if (c.run == Run::Program)
            Reinstall(0, "CONF-V0");
        else
            Reinstall(1, "CONF");
        IsoProgramGenerator& g = OpenGen(SmallBar());
        if (c.run == Run::Program) {
            ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
            ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        }
        const std::string file = c.file[0] != '\0' ? dir_ + c.file : PathSlot(PathTable::kConfigPar);
        switch (c.plant) {
        case Plant::Inject:
            g_faultFile = c.file;
            g_faultErr = c.err;
            plat::SetFileFaultForTests(FaultAt);
            break;
        case Plant::DeviceFull: fs::create_symlink("/dev/full", file); break;
        case Plant::Folder: fs::create_directories(file + "/x"); break;
        case Plant::Missing: fs::remove(file); break;
        }
        ClearErrorText();
        int rc = 0;
        switch (c.run) {
        case Run::ToolSetup:
            g.MarkBarSelected(-1);
            g.CollectSelectedBars();
            rc = g.OptimizeToolSetup();
            break;
        case Run::Reports: rc = g.ComputeBar(0, 1); break;
        case Run::Program: rc = g.GenerateIsoProgram(1, 0); break;
        case Run::ToolTable: rc = g_pRallaTools->LoadTools(); break;
        }
        plat::SetFileFaultForTests(nullptr);
        EXPECT_NE(rc, 0);
        const std::string text = g_errorText;
        // The file by its final name: the program's temporary name is the program's business.
        std::string named = file;
        if (named.size() > 4 && named.compare(named.size() - 4, 4, ".tmp") == 0) named.resize(named.size() - 4);
        EXPECT_TRUE(text.size() > named.size() && text.compare(text.size() - named.size(), named.size(), named) == 0 &&
                    text[text.size() - named.size() - 1] == '\n')
            << text;
        if (c.reasonKey != nullptr && std::string(c.reasonKey) == "PATH_ERROR") {
            EXPECT_EQ(text.rfind(Err("PATH_ERROR") + "\n", 0), 0u) << text;
            continue;
        }
        EXPECT_EQ(text.rfind(Err(c.write ? "ERR_FILE_WRITE" : "ERR_FILE_READ"), 0), 0u) << text;
        if (c.reasonKey != nullptr) {
            EXPECT_NE(text.find("(" + Err(c.reasonKey) + ")"), std::string::npos) << text;
        }
        if (c.plant == Plant::DeviceFull) fs::remove(file);
    }
}

} // namespace
} // namespace enginetest
