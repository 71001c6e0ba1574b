// File routines with bounded retries on a fake clock, the wait, path routines, INI values,
// version text and the path table.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "machine/bar_progress.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/ini_routines.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/tool_table.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A scratch folder, a fake clock and a drives root inside the folder.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/brelon-machinebase-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        savedDrives_ = plat::DrivesRoot();
        plat::SetDrivesRoot(dir_ + "/drives");
        plat::SetClock(&clock_);
    }
    void TearDown() override {
        plat::SetClock(nullptr);
        plat::SetDrivesRoot(savedDrives_);
        std::string cmd = "rm -rf '" + dir_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string P(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
    std::string savedDrives_;
    plat::FakeClock clock_;
};

} // namespace

TEST_F(FilesTest, CopyMissingSourceEndsAtOnce) {
    EXPECT_EQ(CopyFileRetry(P("missing").c_str(), P("dest").c_str()), kCopyNoSource);
    EXPECT_EQ(clock_.MonotonicMs(), 0);
    EXPECT_EQ(clock_.Sleeps(), 0);
    EXPECT_EQ(CopyFileRetry("", P("dest").c_str()), kCopyNoSource);
    WriteAll(P("src"), "x");
    EXPECT_EQ(CopyFileRetry(P("src").c_str(), ""), kCopyNoDestination);
    EXPECT_EQ(MoveFileRetry(P("missing").c_str(), P("dest").c_str()), kCopyNoSource);
    EXPECT_FALSE(Exists(P("dest")));
}

TEST_F(FilesTest, CopyIsExactAndMoveRemovesTheSource) {
    std::string data;
    for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>(i * 7)); // holds NULs, not a multiple of 255
    WriteAll(P("src"), data);
    EXPECT_EQ(CopyFileRetry(P("src").c_str(), P("copy").c_str()), kCopyOk);
    EXPECT_EQ(ReadAll(P("copy")), data);
    WriteAll(P("empty"), "");
    EXPECT_EQ(CopyFileRaw(P("empty").c_str(), P("copy0").c_str()), kCopyOk);
    EXPECT_TRUE(Exists(P("copy0")));

    EXPECT_EQ(MoveFileRetry(P("src").c_str(), P("moved").c_str()), kCopyOk);
    EXPECT_FALSE(Exists(P("src")));
    EXPECT_EQ(ReadAll(P("moved")), data);
    EXPECT_EQ(clock_.Sleeps(), 0);
}

TEST_F(FilesTest, CopyOntoItselfNeverTruncatesTheSource) {
    WriteAll(P("self"), "precious");
    EXPECT_EQ(CopyFileRetry(P("self").c_str(), P("self").c_str()), kCopyNoDestination);
    EXPECT_EQ(MoveFileRetry(P("self").c_str(), P("self").c_str()), kCopyNoDestination);
    EXPECT_EQ(ReadAll(P("self")), "precious");
}

TEST_F(FilesTest, UnopenableDestinationIsTriedTenTimes) {
    WriteAll(P("src"), "abc");
    EXPECT_EQ(CopyFileRetry(P("src").c_str(), P("no/such/dir/dest").c_str()), kCopyNoDestination);
    // Ten tries, 10 hundredths between them.
    EXPECT_EQ(clock_.MonotonicMs(), 900);
}

TEST_F(FilesTest, DeleteRetries) {
    EXPECT_EQ(DeleteFileRetry(""), 2);
    EXPECT_EQ(DeleteFileRetry(P("missing").c_str()), 2);
    ::mkdir(P("folder").c_str(), 0777);
    EXPECT_EQ(DeleteFileRetry(P("folder").c_str()), 2); // a directory is no file
    EXPECT_TRUE(Exists(P("folder")));
    EXPECT_EQ(clock_.Sleeps(), 0);

    // A file that opens for reading but can never be removed, even by root.
    EXPECT_EQ(DeleteFileRetry("/proc/version"), 1);
    EXPECT_GE(clock_.MonotonicMs(), 900);
    EXPECT_LE(clock_.MonotonicMs(), 1000);

    WriteAll(P("gone"), "x");
    EXPECT_EQ(DeleteFileRetry(P("gone").c_str()), 0);
    EXPECT_FALSE(Exists(P("gone")));
}

TEST_F(FilesTest, WindowsPathsAreMappedAndMatchedIgnoringCase) {
    ASSERT_TRUE(plat::MakeDirectories(dir_ + "/drives/C/Data"));
    WriteAll(dir_ + "/drives/C/Data/List.TXT", "list");
    EXPECT_EQ(IsFileReadable("C:\\DATA\\LIST.txt"), 1);
    EXPECT_TRUE(FileExists("C:\\DATA\\LIST.txt"));
    EXPECT_FALSE(FileExists("C:\\DATA"));
    EXPECT_TRUE(DirectoryExists("C:\\DATA\\"));
    EXPECT_TRUE(DirectoryExists("C:\\DATA"));
    EXPECT_FALSE(DirectoryExists("C:\\DATA\\LIST.txt"));
    EXPECT_FALSE(DirectoryExists(""));
    EXPECT_EQ(IsFileReadable("C:\\DATA"), 0);
    EXPECT_EQ(CopyFileRetry("C:\\DATA\\LIST.txt", "C:\\DATA\\COPY.TXT"), kCopyOk);
    EXPECT_EQ(ReadAll(dir_ + "/drives/C/Data/COPY.TXT"), "list");
    EXPECT_EQ(DeleteFileRetry("c:\\data\\copy.txt"), 0);
    EXPECT_FALSE(Exists(dir_ + "/drives/C/Data/COPY.TXT"));
}

TEST_F(FilesTest, WaitHundredthsAcrossMidnight) {
    // Noon.
    clock_.SetEpoch(1767268800); // 2026-01-01 12:00:00 UTC
    WaitHundredths(25);
    EXPECT_EQ(clock_.MonotonicMs(), 250);

    // 23:59:59.90: the wait crosses midnight and lasts the same.
    plat::FakeClock late;
    late.SetEpoch(1767311999); // 2026-01-01 23:59:59 UTC
    late.Advance(900);
    plat::SetClock(&late);
    WaitHundredths(25);
    EXPECT_EQ(late.MonotonicMs(), 900 + 250);
    WaitHundredths(0);
    EXPECT_EQ(late.MonotonicMs(), 900 + 250);
    plat::SetClock(&clock_);
}

TEST(PathRoutines, BackslashesAndDirectories) {
    EXPECT_EQ(DirectoryOfPath("C:\\A\\b.txt"), "C:\\A\\");
    EXPECT_EQ(DirectoryOfPath("\\x"), "\\x"); // a backslash in the first place does not count
    EXPECT_EQ(DirectoryOfPath("abc"), "abc");
    EXPECT_EQ(StripTrailingBackslash("C:\\A\\"), "C:\\A");
    EXPECT_EQ(StripTrailingBackslash("C:\\A"), "C:\\A");
    EXPECT_EQ(AddTrailingBackslash("C:\\A"), "C:\\A\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\A\\"), "C:\\A\\");
}

TEST(FileVersion, FormatTable) {
    const uint32_t ms = 7u << 16 | 5u;
    EXPECT_EQ(FileVersionInfo::Format(ms, 1u << 16 | 2u, true), "7.5/1  Build(2)");
    EXPECT_EQ(FileVersionInfo::Format(ms, 1u << 16 | 2u, false), "7.5/1");
    EXPECT_EQ(FileVersionInfo::Format(ms, 2u, true), "7.5  Build(2)");
    EXPECT_EQ(FileVersionInfo::Format(ms, 65535u, false), "7.5");
    EXPECT_EQ(FileVersionInfo::Format(ms, 65536u, false), "7.5/1");

    FileVersionInfo info;
    EXPECT_EQ(info.Load("/no/such/program"), 0);
    EXPECT_EQ(info.Format(false), "");
    EXPECT_EQ(info.Load("/proc/self/exe"), 1);
    EXPECT_EQ(info.Format(false), "3.0");
    EXPECT_FALSE(IsWindows2000() || IsWindowsXP() || IsEmbeddedNT() || IsWindowsVistaOrLater());
}

TEST_F(FilesTest, IniValues) {
    ASSERT_TRUE(plat::MakeDirectories(dir_ + "/drives/C/CONF"));
    WriteAll(dir_ + "/drives/C/CONF/Config.par",
             "[GENERAL]\r\nUN_MIS=2\r\nSPEED=1,5\r\nBAD=12abc\r\nINF=inf\r\nHEX=0x1p3\r\nEMPTY=\r\n"
             "NEG= -2.25 \r\n[EMPTYSEC]\r\n");
    const char* file = "C:\\CONF\\CONFIG.PAR";
    EXPECT_EQ(ReadIniInt("GENERAL", "UN_MIS", 1, file), 2);
    EXPECT_EQ(ReadIniInt("GENERAL", "MISSING", 7, file), 7);
    EXPECT_DOUBLE_EQ(ReadIniDouble("GENERAL", "SPEED", 0, file), 1.5);
    EXPECT_DOUBLE_EQ(ReadIniDouble("general", "neg", 0, file), -2.25);
    for (const char* key : {"BAD", "INF", "HEX", "EMPTY", "MISSING"})
        EXPECT_DOUBLE_EQ(ReadIniDouble("GENERAL", key, 9.5, file), 9.5) << key;
    EXPECT_EQ(IniSectionExists("GENERAL", file), 7);
    EXPECT_EQ(IniSectionExists("EMPTYSEC", file), 0);
    EXPECT_EQ(IniSectionExists("NOPE", file), 0);
    EXPECT_EQ(IniSectionExists("GENERAL", "C:\\CONF\\MISSING.PAR"), 0);
}

TEST_F(FilesTest, PathTableStartupFilling) {
    PathTable table;
    g_pPathTable = &table;
    ASSERT_TRUE(FillPathTableAtStartup("C:\\APP", false));
    EXPECT_STREQ(table[PathTable::kProgramDir], "C:\\APP\\");
    EXPECT_STREQ(table[PathTable::kModuleDir], "C:\\APP\\");
    EXPECT_STREQ(table.ConfigPar(), "C:\\APP\\CONF\\CONFIG.PAR");
    EXPECT_STREQ(table[PathTable::kTestPar], "C:\\APP\\CONF\\TEST.PAR");
    EXPECT_STREQ(table[PathTable::kParamPar], "C:\\APP\\CONF\\PARAM.PAR");
    EXPECT_STREQ(table[PathTable::kAlarmLog], "C:\\APP\\ALARM.LOG");
    EXPECT_STREQ(table[PathTable::kCncWorkDir], "C:\\UVEN\\LAV\\LAV\\");
    EXPECT_STREQ(table[PathTable::kTimeCnt], "C:\\TIME.CNT");
    EXPECT_TRUE(SetTimeCntPath("anything"));
    EXPECT_STREQ(table[PathTable::kTimeCnt], "C:\\TIME.CNT");

    // Embedded form: program directory on D:, logs carried to the module directory.
    ASSERT_TRUE(plat::MakeDirectories(dir_ + "/drives/D/APP"));
    ASSERT_TRUE(plat::MakeDirectories(dir_ + "/drives/C/APP"));
    WriteAll(dir_ + "/drives/D/APP/ALARM.LOG", "alarms");
    ASSERT_TRUE(FillPathTableAtStartup("C:\\APP\\", true));
    EXPECT_STREQ(table[PathTable::kProgramDir], "D:\\APP\\");
    EXPECT_STREQ(table[PathTable::kModuleDir], "C:\\APP\\");
    EXPECT_STREQ(table.ConfigPar(), "D:\\APP\\CONF\\CONFIG.PAR");
    EXPECT_STREQ(table[PathTable::kAlarmLog], "C:\\APP\\ALARM.LOG");
    EXPECT_STREQ(table[PathTable::kCkToolLog], "C:\\APP\\CKTOOL.LOG");
    EXPECT_STREQ(table[PathTable::kCncWorkDir], "D:\\UVEN\\LAV\\LAV\\");
    EXPECT_EQ(ReadAll(dir_ + "/drives/C/APP/ALARM.LOG"), "alarms");

    // A native program directory is kept in Windows form and maps back to itself.
    ASSERT_TRUE(FillPathTableAtStartup("/opt/brelon/bin/", false));
    EXPECT_STREQ(table[PathTable::kProgramDir], "\\opt\\brelon\\bin\\");
    EXPECT_EQ(plat::NativePath(table.ConfigPar()), "/opt/brelon/bin/CONF/CONFIG.PAR");

    // Tool directory changes move the tool table at once.
    EXPECT_TRUE(SetToolsTxtPath("C:\\TOOLS\\"));
    EXPECT_STREQ(table[PathTable::kToolsTxt], "C:\\TOOLS\\TOOLS.TXT");
    EXPECT_TRUE(SetStoreIniPath("C:\\TOOLS\\"));
    EXPECT_STREQ(table[PathTable::kStoreIni], "C:\\TOOLS\\STORE.INI");

    // A path that does not fit is refused, never cut.
    const std::string fits(259, 'a');
    EXPECT_TRUE(SetCurrentListName(fits.c_str()));
    EXPECT_EQ(std::string(table[PathTable::kListName]), fits);
    ClearErrorText();
    EXPECT_FALSE(SetCurrentListName((fits + "b").c_str()));
    EXPECT_STREQ(table[PathTable::kListName], "");
    EXPECT_STRNE(g_errorText, "");
    EXPECT_FALSE(SetToolsTxtPath(std::string(255, 'd').c_str())); // 255 + "TOOLS.TXT"

    g_pPathTable = nullptr;
    EXPECT_FALSE(SetCurrentListName("C:\\X.lda"));
}

TEST_F(FilesTest, TextViewerCommandIsConfigurable) {
    WriteAll(P("report.txt"), "x");
    SetTextViewerCommand("true --ignored");
    EXPECT_EQ(TextViewerCommand(), "true --ignored");
    EXPECT_TRUE(OpenInNotepad(P("report.txt").c_str()));
    EXPECT_FALSE(OpenInNotepad(""));
    SetTextViewerCommand("");
    ::setenv("BRELON_TEXT_VIEWER", "viewer-from-env", 1);
    EXPECT_EQ(TextViewerCommand(), "viewer-from-env");
    ::unsetenv("BRELON_TEXT_VIEWER");
}

// ---- Files that are not files -----------------------------------------------------------

namespace {

// What a case puts where a reader expects its file.
enum class Planted { Pipe, Device, Socket, DanglingLink, LoopingLink, Folder, TooLarge };

struct NotAFileRow {
    const char* what;
    Planted planted;
    int err;           // what every reader gives in errno's place
    const char* reason; // the message key of the reason the fault text gives
};

void Plant(Planted kind, const std::string& path) {
    switch (kind) {
    case Planted::Pipe: ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); break;
    case Planted::Device: ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); break;
    case Planted::Socket: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), sizeof a.sun_path);
        std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(fd);
        break;
    }
    case Planted::DanglingLink: ASSERT_EQ(::symlink((path + ".gone").c_str(), path.c_str()), 0); break;
    case Planted::LoopingLink: ASSERT_EQ(::symlink(path.c_str(), path.c_str()), 0); break;
    case Planted::Folder: ASSERT_EQ(::mkdir(path.c_str(), 0777), 0); break;
    case Planted::TooLarge: { // sparse: no disk used
        WriteAll(path, "[STATBAR]\r\n");
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(plat::kTextFileBound) + 1), 0);
        break;
    }
    }
}

} // namespace

// Each reader of the program's files (the tool table, the bar progress record, the
// configuration files and every file opened for reading) takes plain files only, within the
// text files' bound: what stands in a file's place is refused at once (a pipe or a device
// never blocks, never fills the memory) and named for what it is.
TEST_F(FilesTest, ReadersTakePlainFilesOnlyAndSayWhatTheyFound) {
    const NotAFileRow rows[] = {
        {"named pipe", Planted::Pipe, plat::kErrNamedPipe, "ERR_IS_PIPE"},
        {"link to a device", Planted::Device, plat::kErrDevice, "ERR_IS_DEVICE"},
        {"socket", Planted::Socket, plat::kErrSocket, "ERR_IS_SOCKET"},
        {"link to nothing", Planted::DanglingLink, plat::kErrDanglingLink, "ERR_LINK_DANGLING"},
        {"link to itself", Planted::LoopingLink, ELOOP, "ERR_LINK_LOOP"},
        {"folder", Planted::Folder, EISDIR, "ERR_IS_FOLDER"},
        {"file past the bound", Planted::TooLarge, EFBIG, "ERR_TOO_LARGE"},
    };
    ::alarm(60); // a reader that blocks fails the test instead of hanging it
    for (const NotAFileRow& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string path = P(std::string("F") + std::to_string(&r - rows));
        Plant(r.planted, path);
        EXPECT_EQ(plat::FileKindFault(path), r.planted == Planted::TooLarge ? 0 : r.err);
        std::string out = "x";
        errno = 0;
        EXPECT_FALSE(plat::ReadWholeFile(path, out));
        EXPECT_EQ(errno, r.err);
        EXPECT_TRUE(out.empty());
        if (r.planted != Planted::TooLarge) {
            errno = 0;
            EXPECT_EQ(plat::OpenFile(path, "rb"), nullptr);
            EXPECT_EQ(errno, r.err);
            EXPECT_EQ(plat::OpenFile(path, "r+b"), nullptr);
            EXPECT_EQ(IsFileReadable(path.c_str()), 0);
        }
        // The configuration reader: a file that cannot be read, said as what it is.
        EXPECT_EQ(plat::ProfileReadError(path.c_str()), r.err);
        EXPECT_NE(FileFaultText(false, path.c_str(), r.err).find(std::string("(") + r.reason), std::string::npos)
            << FileFaultText(false, path.c_str(), r.err);
        // The tool table's reader and the bar progress record's.
        ToolFileParse parsed;
        EXPECT_EQ(ParseToolFile(path.c_str(), parsed), 1);
        EXPECT_NE(std::string(g_errorText).find(r.reason), std::string::npos) << g_errorText;
        std::snprintf(g_barProgressPath, sizeof g_barProgressPath, "%s", path.c_str());
        EXPECT_EQ(ReadBarProgress(17, "C:\\LDA\\ORD12.lda"), 0);
        g_barProgressPath[0] = '\0';
    }
    ::alarm(0);
}
