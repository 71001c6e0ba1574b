// Windows paths mapped onto drive folders, case-insensitive lookup, safe whole-file writes.
#include "platform/paths.h"
#include "test_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

using plat_test::ReadBytes;
using plat_test::TempDir;
using plat_test::WriteBytes;

namespace fs = std::filesystem;

size_t EntriesIn(const std::string& dir) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        (void)e;
        ++n;
    }
    return n;
}

class Drives : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetDrivesRoot(dir.path());
        fs::create_directories(dir / "C/Uven/Lav");
        WriteBytes(dir / "C/Uven/Lav/File.TXT", "content");
    }
    void TearDown() override { plat::SetDrivesRoot(""); }
    TempDir dir;
};

TEST_F(Drives, NativePathMapsDriveAndSeparators) {
    EXPECT_EQ(plat::NativePath("C:\\UVEN\\LAV\\LAV\\"), dir.path() + "/C/UVEN/LAV/LAV/");
    EXPECT_EQ(plat::NativePath("d:\\x.dat"), dir.path() + "/D/x.dat");
    EXPECT_EQ(plat::NativePath("C:"), dir.path() + "/C");
    EXPECT_EQ(plat::NativePath("CONF\\BRELON.CP"), "CONF/BRELON.CP");
    EXPECT_EQ(plat::NativePath("/usr/share/x"), "/usr/share/x");
}

TEST_F(Drives, RootFromEnvironmentThenProgramDirectory) {
    plat::SetDrivesRoot("");
    ::setenv("BRELON_DRIVES", "/srv/drives/", 1);
    EXPECT_EQ(plat::NativePath("E:\\a"), "/srv/drives/E/a");
    ::unsetenv("BRELON_DRIVES");
    EXPECT_EQ(plat::DrivesRoot(), plat::ProgramDirectory() + "drives");
    EXPECT_EQ(plat::ProgramDirectory().back(), '/');
}

TEST_F(Drives, ExistingFileFoundIgnoringCase) {
    const std::string real = dir / "C/Uven/Lav/File.TXT";
    EXPECT_EQ(plat::FindExisting("C:\\UVEN\\LAV\\FILE.txt"), real);
    EXPECT_EQ(plat::FindExisting("c:\\uven\\lav\\"), dir / "C/Uven/Lav/");
    EXPECT_EQ(plat::FindExisting("C:\\UVEN\\LAV\\MISSING.TXT"), "");
    EXPECT_EQ(plat::FindExisting("C:\\NOPE\\LAV\\FILE.TXT"), "");
    EXPECT_TRUE(plat::IsRegularFile("C:\\uven\\LAV\\file.txt"));
    EXPECT_FALSE(plat::IsDirectory("C:\\uven\\LAV\\file.txt"));
    EXPECT_TRUE(plat::IsDirectory("C:\\UVEN\\LAV"));
    EXPECT_FALSE(plat::IsRegularFile("C:\\UVEN\\LAV"));

    FILE* f = plat::OpenFile("C:\\UVEN\\LAV\\FILE.TXT", "rb");
    ASSERT_NE(f, nullptr);
    char buf[16] = {};
    EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 7u);
    std::fclose(f);
    EXPECT_STREQ(buf, "content");
    EXPECT_EQ(plat::OpenFile("C:\\UVEN\\LAV\\NONE.TXT", "r"), nullptr);
}

TEST_F(Drives, ReadPathIsTheExistingFileElseTheMappedPath) {
    EXPECT_EQ(plat::PathForRead("C:\\UVEN\\LAV\\FILE.txt"), dir / "C/Uven/Lav/File.TXT");
    EXPECT_EQ(plat::PathForRead("C:\\UVEN\\LAV\\NONE.TXT"), plat::NativePath("C:\\UVEN\\LAV\\NONE.TXT"));
    EXPECT_EQ(plat::PathForRead(""), "");
}

TEST_F(Drives, WritesReuseTheExistingSpelling) {
    FILE* f = plat::OpenFile("c:\\UVEN\\lav\\file.txt", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("new", f);
    std::fclose(f);
    EXPECT_EQ(ReadBytes(dir / "C/Uven/Lav/File.TXT"), "new");
    EXPECT_EQ(EntriesIn(dir / "C/Uven/Lav"), 1u);

    EXPECT_EQ(plat::PathForWrite("C:\\UVEN\\LAV\\New.dat"), dir / "C/Uven/Lav/New.dat");
    EXPECT_EQ(plat::PathForWrite("C:\\UVEN\\Other\\Sub\\x.dat"), dir / "C/Uven/Other/Sub/x.dat");

    EXPECT_TRUE(plat::MakeDirectories("C:\\UVEN\\LOG\\OLD"));
    EXPECT_TRUE(fs::is_directory(dir / "C/Uven/LOG/OLD"));
    EXPECT_FALSE(fs::exists(dir / "C/UVEN"));
    EXPECT_TRUE(plat::MakeDirectories("C:\\uven\\log\\old")); // already there
}

// Both whole-file writers: the one for configuration files and the one for the progress record.
using Writer = bool (*)(std::string_view, const std::string&);
const Writer kWriters[] = {plat::WriteFileAtomic, plat::WriteRecordAtomic};

TEST_F(Drives, AtomicWriteReplacesWholeFileAndKeepsPermissions) {
    const std::string real = dir / "C/Uven/Lav/File.TXT";
    for (size_t w = 0; w < std::size(kWriters); ++w) {
        SCOPED_TRACE(w);
        const std::string bytes = std::string("a\0b", 3) + std::to_string(w);
        ::chmod(real.c_str(), 0600);
        EXPECT_TRUE(kWriters[w]("C:\\UVEN\\LAV\\FILE.TXT", bytes));
        EXPECT_EQ(ReadBytes(real), bytes);
        struct stat st{};
        ASSERT_EQ(::stat(real.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(EntriesIn(dir / "C/Uven/Lav"), 1u); // no temporary file left

        std::string back;
        EXPECT_TRUE(plat::ReadWholeFile("c:\\uven\\lav\\file.txt", back));
        EXPECT_EQ(back, bytes);
        EXPECT_FALSE(plat::ReadWholeFile("C:\\UVEN\\LAV\\NONE", back));
        EXPECT_TRUE(back.empty());
    }
}

TEST_F(Drives, AtomicWriteFailsCleanly) {
    for (size_t w = 0; w < std::size(kWriters); ++w) {
        SCOPED_TRACE(w);
        EXPECT_FALSE(kWriters[w]("C:\\NOFOLDER\\X.TXT", "x"));
        EXPECT_FALSE(fs::exists(dir / "C/NOFOLDER"));
        // A folder in the way: refused, the folder stays and holds no temporary file.
        EXPECT_FALSE(kWriters[w]("C:\\UVEN\\LAV", "x"));
        EXPECT_TRUE(fs::is_directory(dir / "C/Uven/Lav"));
        EXPECT_EQ(EntriesIn(dir / "C/Uven"), 1u);
    }
}

} // namespace
