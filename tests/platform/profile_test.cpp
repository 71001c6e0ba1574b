// Profile files beyond the single-call cases: safe commits, untouched files, lists,
// file names matched ignoring case, Unicode files.
#include "platform/paths.h"
#include "platform/profile.h"
#include "test_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

using plat_test::ReadBytes;
using plat_test::TempDir;
using plat_test::WriteBytes;

struct stat StatOf(const std::string& path) {
    struct stat st{};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

std::string g_hookTemp;
std::string g_hookFinal;

bool CrashBeforeRename(const char* tempPath, const char* finalPath) {
    g_hookTemp = tempPath;
    g_hookFinal = finalPath;
    return false;
}

bool RecordAndContinue(const char* tempPath, const char* finalPath) {
    g_hookTemp = tempPath;
    g_hookFinal = finalPath;
    return true;
}

class ProfileCommit : public ::testing::Test {
protected:
    void TearDown() override { plat::SetProfileCommitHook(nullptr); }
    TempDir dir;
};

TEST_F(ProfileCommit, CrashBetweenWriteAndRenameLeavesOldFileWhole) {
    const std::string file = dir / "setup.ini";
    const std::string before = "; settings\r\n[s]\r\na=1\r\nb=2\r\n";
    WriteBytes(file, before);
    plat::SetProfileCommitHook(CrashBeforeRename);

    EXPECT_FALSE(plat::WriteProfileString("s", "a", "99", file.c_str()));
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(plat::GetProfileInt("s", "a", 0, file.c_str()), 1);
    // The complete new text was in the temporary file, beside the original.
    EXPECT_EQ(g_hookFinal, file);
    EXPECT_EQ(std::filesystem::path(g_hookTemp).parent_path(), std::filesystem::path(file).parent_path());
    EXPECT_EQ(ReadBytes(g_hookTemp), "; settings\r\n[s]\r\na=99\r\nb=2\r\n");
}

TEST_F(ProfileCommit, ChangeReplacesTheFileThroughRename) {
    const std::string file = dir / "setup.ini";
    WriteBytes(file, "[s]\r\na=1\r\n");
    ::chmod(file.c_str(), 0640);
    const ino_t inodeBefore = StatOf(file).st_ino;
    plat::SetProfileCommitHook(RecordAndContinue);

    EXPECT_TRUE(plat::WriteProfileString("s", "a", "2", file.c_str()));
    EXPECT_EQ(ReadBytes(file), "[s]\r\na=2\r\n");
    EXPECT_NE(StatOf(file).st_ino, inodeBefore);
    EXPECT_EQ(StatOf(file).st_mode & 0777, 0640u);
    EXPECT_FALSE(std::filesystem::exists(g_hookTemp));
}

// Several writes in one replacement: each applied as its own call would apply it, in order;
// one line break anywhere writes nothing.
TEST_F(ProfileCommit, SeveralWritesMakeOneReplacement) {
    const std::string file = dir / "setup.ini";
    static int commits = 0; // the hook is a plain function
    plat::SetProfileCommitHook([](const char*, const char*) {
        ++commits;
        return true;
    });
    struct Row {
        const char* name;
        std::vector<plat::ProfileEntry> entries;
        const char* after;
        bool ok;
        int commits;
    } rows[] = {
        {"replace, add, new section",
         {{"s", "a", "70"}, {"s", "c", "3"}, {"t", "x", "1"}, {"s", "b", "8"}},
         "[s]\r\na=70\r\nb=8\r\nc=3\r\n[t]\r\nx=1\r\n", true, 1},
        {"deleted then written again", {{"s", "a", nullptr}, {"s", "a", "5"}}, "[s]\r\nb=2\r\na=5\r\n", true, 1},
        {"whole section removed, another kept", {{"s", nullptr, nullptr}, {"u", "k", "v"}}, "[u]\r\nk=v\r\n", true, 1},
        {"nothing changes", {{"s", "a", "1"}, {"s", "b", " 2"}}, "[s]\r\na=1\r\nb=2\r\n", true, 0},
        {"a line break refuses all", {{"s", "a", "9"}, {"s", "b", "x\ny"}}, "[s]\r\na=1\r\nb=2\r\n", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(file, "[s]\r\na=1\r\nb=2\r\n");
        commits = 0;
        EXPECT_EQ(plat::WriteProfileStrings(row.entries, file.c_str()), row.ok);
        EXPECT_EQ(ReadBytes(file), row.after);
        EXPECT_EQ(commits, row.commits);
    }
}

TEST_F(ProfileCommit, UnchangedValueLeavesFileUntouched) {
    const std::string file = dir / "setup.ini";
    WriteBytes(file, "[s]\r\n  a = 1 \r\nq=\"x y\"\r\n");
    // An old time stamp, so that any rewrite would show.
    timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const struct stat before = StatOf(file);
    plat::SetProfileCommitHook(CrashBeforeRename); // any commit attempt would fail the write

    EXPECT_TRUE(plat::WriteProfileString("s", "a", "1", file.c_str()));
    EXPECT_TRUE(plat::WriteProfileString("S", "A", "  1", file.c_str()));
    EXPECT_TRUE(plat::WriteProfileString("s", "q", "\"x y\"", file.c_str()));
    EXPECT_TRUE(plat::WriteProfileString("s", "missing", nullptr, file.c_str()));
    EXPECT_TRUE(plat::WriteProfileString("nosec", nullptr, nullptr, file.c_str()));

    const struct stat after = StatOf(file);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST_F(ProfileCommit, LineBreaksInNamesOrValuesAreRefused) {
    const std::string file = dir / "setup.ini";
    const std::string before = "[s]\r\na=1\r\n";
    WriteBytes(file, before);
    EXPECT_FALSE(plat::WriteProfileString("s", "a", "1\rb=2", file.c_str()));
    EXPECT_FALSE(plat::WriteProfileString("s", "k\nx", "1", file.c_str()));
    EXPECT_FALSE(plat::WriteProfileString("s\r\n[t]", "k", "1", file.c_str()));
    EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(ProfileCommit, WriteIntoMissingFolderFailsWithoutCreatingIt) {
    const std::string file = dir / "none/setup.ini";
    EXPECT_FALSE(plat::WriteProfileString("s", "a", "1", file.c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir / "none"));
}

TEST(ProfileLists, TruncatedListEndsWithTwoNuls) {
    TempDir dir;
    const std::string file = dir / "l.ini";
    WriteBytes(file, "[s]\r\na=1\r\nbb=2\r\nccc=3\r\n");
    for (uint32_t n = 3; n <= 10; ++n) {
        std::string buf(n, '\x7F');
        const uint32_t r = plat::GetProfileString("s", nullptr, "D", buf.data(), n, file.c_str());
        EXPECT_EQ(r, n - 2) << n;
        EXPECT_EQ(buf[n - 2], '\0') << n;
        EXPECT_EQ(buf[n - 1], '\0') << n;
    }
}

TEST(ProfileLists, ConveniencesReadWholeValuesAndLists) {
    TempDir dir;
    const std::string file = dir / "l.ini";
    const std::string longValue(5000, 'v');
    WriteBytes(file, "top=1\r\n[One]\r\nk='" + longValue + "'\r\n;hidden=1\r\nj=2\r\n[Two]\r\n[]\r\n");
    EXPECT_EQ(plat::ReadProfileString("one", "K", "d", file.c_str()), longValue);
    EXPECT_EQ(plat::ReadProfileString("one", "none", "\"d\"  ", file.c_str()), "d");
    EXPECT_EQ(plat::ReadProfileSectionNames(file.c_str()), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(plat::ReadProfileKeys("ONE", file.c_str()), (std::vector<std::string>{"k", "j"}));
    EXPECT_EQ(plat::ReadProfileKeys("", file.c_str()), (std::vector<std::string>{"top"}));
    EXPECT_TRUE(plat::ReadProfileKeys("three", file.c_str()).empty());
}

TEST(ProfilePaths, FileNameMatchedIgnoringCaseForReadAndWrite) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Conf");
    const std::string real = dir / "Conf/Setup.INI";
    WriteBytes(real, "[s]\r\na=1\r\n");
    const std::string asked = dir / "CONF/setup.ini";

    EXPECT_EQ(plat::GetProfileInt("s", "a", 0, asked.c_str()), 1);
    EXPECT_TRUE(plat::WriteProfileString("s", "b", "2", asked.c_str()));
    EXPECT_EQ(ReadBytes(real), "[s]\r\na=1\r\nb=2\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "CONF"));

    // A new file in an existing folder reuses the folder's spelling.
    EXPECT_TRUE(plat::WriteProfileString("n", "k", "v", (dir / "conf/New.ini").c_str()));
    EXPECT_EQ(ReadBytes(dir / "Conf/New.ini"), "[n]\r\nk=v\r\n");
}

TEST(ProfilePaths, WindowsPathThroughTheDrives) {
    TempDir dir;
    plat::SetDrivesRoot(dir.path());
    std::filesystem::create_directories(dir / "C/UVEN/CONF");
    WriteBytes(dir / "C/UVEN/CONF/BRELON.INI", "[Main]\r\nLang=IT\r\n");
    EXPECT_EQ(plat::ReadProfileString("main", "lang", "", "C:\\Uven\\Conf\\Brelon.ini"), "IT");
    EXPECT_TRUE(plat::WriteProfileString("Main", "Lang", "EN", "c:\\uven\\conf\\brelon.ini"));
    EXPECT_EQ(ReadBytes(dir / "C/UVEN/CONF/BRELON.INI"), "[Main]\r\nLang=EN\r\n");
    plat::SetDrivesRoot("");
}

TEST(ProfileEncoding, Utf16FileIsReadAndWrittenBackAsUtf16) {
    TempDir dir;
    const std::string file = dir / "u.ini";
    auto utf16 = [](const std::string& ascii) {
        std::string out;
        for (char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    };
    WriteBytes(file, "\xFF\xFE" + utf16("[s]\r\nk=v\r\n"));
    EXPECT_EQ(plat::ReadProfileString("s", "k", "D", file.c_str()), "v");
    EXPECT_TRUE(plat::WriteProfileString("s", "n", "caf\xE9", file.c_str()));
    EXPECT_EQ(ReadBytes(file), "\xFF\xFE" + utf16("[s]\r\nk=v\r\nn=caf") + std::string("\xE9\0\r\0\n\0", 6));
    EXPECT_EQ(plat::ReadProfileString("s", "n", "D", file.c_str()), "caf\xE9");
}

} // namespace

// ---------------------------------------------------------------- files that cannot be read or written

// A machine configuration as the start and the exit would write into it.
constexpr const char* kConfig = "[GENERAL]\r\nDIR_LDA=C:\\LDA\\\r\nUN_MIS=2\r\nIMPORT_DEFPRO=1\r\n[LABEL]\r\nPRINT=1\r\n";

std::string g_faultPath;
int g_faultErrno = 0;
plat::FileOp g_faultOp = plat::FileOp::Read;
int FaultAt(const char* nativePath, plat::FileOp op) {
    return op == g_faultOp && g_faultPath == nativePath ? g_faultErrno : 0;
}

class ProfileFaults : public ::testing::Test {
protected:
    void TearDown() override { plat::SetFileFaultForTests(nullptr); }
    // What the start and the exit do with the configuration, against the file: each read gives
    // its default, the file reports why it cannot be read, and no write or delete replaces it.
    // Returns a bit per check that failed (0 when all hold), so it can run in a child process.
    static int ReadAndWrite(const std::string& file, int expectedError) {
        int failed = 0;
        if (plat::GetProfileInt("GENERAL", "UN_MIS", 1, file.c_str()) != 1) failed |= 1;
        if (plat::ReadProfileString("GENERAL", "DIR_LDA", "\\", file.c_str()) != "\\") failed |= 1;
        if (plat::ProfileReadError(file.c_str()) != expectedError) failed |= 2;
        errno = 0;
        if (plat::WriteProfileString("GENERAL", "UN_MIS", "1", file.c_str()) || errno != expectedError) failed |= 4;
        if (plat::WriteProfileString("GENERAL", "IMPORT_DEFPRO", nullptr, file.c_str())) failed |= 8;
        if (plat::WriteProfileString("LABEL", nullptr, nullptr, file.c_str())) failed |= 16;
        return failed;
    }
    TempDir dir;
};

TEST_F(ProfileFaults, AFileThatCannotBeReadIsNeverRewrittenFromNothing) {
    const std::string file = dir / "CONFIG.PAR";
    // Without read permission, as an ordinary user sees it.
    WriteBytes(file, kConfig);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    EXPECT_EQ(plat_test::RunAsOrdinaryUser([&] { return ReadAndWrite(file, EACCES); }), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    EXPECT_EQ(ReadBytes(file), kConfig);
    EXPECT_EQ(StatOf(file).st_mode & 0777, 0644u);

    // A read that fails in the drive (EIO).
    g_faultPath = file;
    g_faultErrno = EIO;
    g_faultOp = plat::FileOp::Read;
    plat::SetFileFaultForTests(FaultAt);
    EXPECT_EQ(ReadAndWrite(file, EIO), 0);
    plat::SetFileFaultForTests(nullptr);
    EXPECT_EQ(ReadBytes(file), kConfig);

    // A folder where the file should be.
    const std::string folder = dir / "PARAM.PAR";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(ReadAndWrite(folder, EISDIR), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    // A missing file is no fault: it is made by the first write.
    const std::string missing = dir / "TEST.PAR";
    EXPECT_EQ(plat::ProfileReadError(missing.c_str()), 0);
    EXPECT_TRUE(plat::WriteProfileString("TEST", "FLAG_TEST_MACHINE", "0", missing.c_str()));
    EXPECT_EQ(plat::ProfileReadError(file.c_str()), 0);
}

TEST_F(ProfileFaults, AWriteOnAFullDriveFailsAndLeavesTheFileAndNoTemporaryFile) {
    const std::string file = dir / "CONFIG.PAR";
    WriteBytes(file, kConfig);
    g_faultPath = file;
    g_faultErrno = ENOSPC;
    g_faultOp = plat::FileOp::Write;
    plat::SetFileFaultForTests(FaultAt);
    errno = 0;
    EXPECT_FALSE(plat::WriteProfileString("GENERAL", "UN_MIS", "1", file.c_str()));
    EXPECT_EQ(errno, ENOSPC);
    errno = 0;
    EXPECT_FALSE(plat::WriteFileAtomic(file, "[GENERAL]\r\n"));
    EXPECT_EQ(errno, ENOSPC);
    errno = 0;
    EXPECT_FALSE(plat::WriteRecordAtomic(file, "[GENERAL]\r\n"));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(ReadBytes(file), kConfig);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"CONFIG.PAR"});
    plat::SetFileFaultForTests(nullptr);
    EXPECT_TRUE(plat::WriteProfileString("GENERAL", "UN_MIS", "1", file.c_str()));
}
