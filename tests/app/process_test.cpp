// The program itself, laid out in a folder by scripts/layout-demo.sh, started offscreen:
// it shows its window, runs office or on-line, and a close request ends it cleanly.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/single_instance.h"

namespace fs = std::filesystem;

namespace {

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/brelon_proc_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        tmp_ = pattern;
        dir_ = tmp_ + "/Brelon3";
        fs::create_directories(tmp_ + "/lock");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(tmp_, ec);
    }
    void Layout(bool online) {
        const std::string cmd = std::string("bash ") + BRELON_SOURCE_DIR + "/scripts/layout-demo.sh " + dir_ +
                                " --bin " + BRELON_BINARY_DIR + "/bin" + (online ? " --online" : "") + " >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    // Starts the program, lets it run, asks it to close (SIGTERM) and returns its exit code.
    int RunAndClose(const QStringList& args, int runMs) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TMPDIR", QString::fromStdString(tmp_ + "/lock"));
        env.remove("BRELON_DRIVES");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(tmp_));
        p.start(QString::fromStdString(dir_ + "/Brelon3"), args);
        if (!p.waitForStarted(10000)) return -1000;
        // The request goes only to a program that can take it: before its handler is installed
        // (a slow start on a loaded machine) a SIGTERM would simply kill it.
        for (int waited = 0; !CatchesTermination(p.processId()); waited += 50) {
            if (p.waitForFinished(50)) return -2000 - p.exitCode();
            if (waited > 60000) {
                p.kill();
                p.waitForFinished(20000);
                return -5000;
            }
        }
        // Still running: the main window is up and the event loop runs.
        if (p.waitForFinished(runMs)) return -2000 - p.exitCode();
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        QElapsedTimer closing;
        closing.start();
        if (!p.waitForFinished(20000)) {
            p.kill();
            return -3000;
        }
        closedInMs_ = closing.elapsed();
        stderr_ = p.readAllStandardError().toStdString();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -4000;
    }
    // Whether the process has its own handler for SIGTERM (the caught-signals mask of
    // /proc/<pid>/status), so that the request is taken and not the default end.
    static bool CatchesTermination(qint64 pid) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigCgt:", 0) == 0) {
                const unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
                return (mask >> (SIGTERM - 1) & 1u) != 0;
            }
        return false;
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string tmp_, dir_, stderr_;
    qint64 closedInMs_ = -1; // from the close request to the program's end
};

} // namespace

TEST_F(ProgramRun, OfficeFromLaidOutFolderShowsWindowAndExitsCleanlyOnClose) {
    Layout(false);
    EXPECT_EQ(RunAndClose({"OFFICE"}, 3000), 0) << stderr_;
    // The ordered shutdown ran: the blade records of the office variant 1 were added at
    // creation, the settings were written back, the instance lock is free again.
    EXPECT_NE(Read(dir_ + "/drives/C/BRELON3/VELMO/UTEN/TOOLS.TXT").find("* QBLADE "), std::string::npos);
    EXPECT_NE(Read(dir_ + "/CONF/CONFIG.PAR").find("UN_MIS="), std::string::npos);
    plat::SingleInstanceLock again("VELMO", tmp_ + "/lock");
    EXPECT_TRUE(again.Acquired());
}

TEST_F(ProgramRun, OnlineWithSimulatedControllerRunsAndExitsCleanly) {
    Layout(true);
    EXPECT_EQ(RunAndClose({}, 3000), 0) << stderr_;
}

// A controller that describes no machine yet (R700, R813, R814 all 0) keeps the start-up
// waiting for up to 20 s; a close request during that wait ends it at once, with no box and no
// controller read left to raise one.
TEST_F(ProgramRun, TerminationDuringTheControllerWaitEndsTheProgramWithinTheWait) {
    Layout(true);
    std::ofstream(dir_ + "/drives/C/UVEN/LAV/LAV/SIMCNC.INI", std::ios::binary)
        << "[MACHINE]\r\nR700=0\r\nR813=0\r\nR814=0\r\n";
    EXPECT_EQ(RunAndClose({}, 2000), 0) << stderr_;
    EXPECT_GE(closedInMs_, 0);
    EXPECT_LT(closedInMs_, 10000) << "the program ended only with the wait's own end";
    EXPECT_EQ(stderr_.find("GetDatiCncEx"), std::string::npos) << stderr_;
}

TEST_F(ProgramRun, TerminationEndsABoxLeftOpenAndTheProgramCloses) {
    Layout(false);
    // The automatic test run meets a list that is not there: its error box waits for an answer
    // nobody gives.
    std::ofstream(dir_ + "/CONF/TEST.PAR", std::ios::binary) << "[TEST]\r\nFLAG_TEST_MACHINE=1\r\n";
    std::ofstream(dir_ + "/drives/C/BRELON3/VELMO/LDA/TestList.txt", std::ios::binary) << "NOPE.lda\r\n";
    EXPECT_EQ(RunAndClose({"OFFICE"}, 3000), 0) << stderr_;
    plat::SingleInstanceLock again("VELMO", tmp_ + "/lock");
    EXPECT_TRUE(again.Acquired());
}

TEST_F(ProgramRun, OneTerminationEndsAStartUpWithSeveralBoxesToCome) {
    Layout(false);
    // A shape compiler library without its entry points: start-up shows one box for each of
    // the three it misses, one after the other.
    fs::copy_file(dir_ + "/libDictavo.so", dir_ + "/libvlk32_bc.so", fs::copy_options::overwrite_existing);
    EXPECT_EQ(RunAndClose({"OFFICE"}, 3000), 0) << stderr_;
}

TEST_F(ProgramRun, StartUpRemovesOnlyTheStaleTemporariesOfItsOwnWrites) {
    Layout(false);
    // A writer that is gone: a process that has ended.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
    const std::string conf = dir_ + "/CONF/", uten = dir_ + "/drives/C/BRELON3/VELMO/UTEN/",
                      progress = dir_ + "/drives/C/BRELON3/VELMO/";
    struct Planted {
        std::string path;
        bool removed;
    };
    const Planted planted[] = {
        {conf + ".CONFIG.PAR." + dead + ".0.tmp", true},
        {conf + ".PARAM.PAR." + dead + ".17.tmp", true},
        {uten + ".TOOLS.TXT." + dead + ".3.tmp", true},
        {progress + ".STATBAR.TXT." + dead + ".0.tmp", true},
        {dir_ + "/.TAGRIX.INI." + dead + ".2.tmp", true}, // the label layout's, beside the program
        {dir_ + "/OUTPUT.ISO.tmp", true},                 // a part program a kill left half written
        {dir_ + "/OUTPUT.LAV.tmp", false},                // not a name the program writes
        {conf + ".CONFIG.PAR." + alive + ".0.tmp", false}, // its writer still runs
        {conf + "CONFIG.PAR." + dead + ".0.tmp", false},   // no leading dot
        {conf + ".CONFIG.PAR." + dead + ".tmp", false},    // one number only
        {conf + ".CONFIG.PAR.x" + dead + ".0.tmp", false},
        {conf + ".CONFIG.PAR." + dead + ".0.tmp.bak", false},
        {conf + ".CONFIG.PAR." + dead + ".0.TMP", false},
        {conf + ".." + dead + ".0.tmp", false}, // no file name
        {dir_ + "/LOG/.CONFIG.PAR." + dead + ".0.tmp", false}, // a folder it does not write to
    };
    for (const Planted& p : planted) std::ofstream(p.path, std::ios::binary) << "half";
    fs::create_directory(uten + ".DIR." + dead + ".0.tmp"); // not a file
    EXPECT_EQ(RunAndClose({"OFFICE"}, 3000), 0) << stderr_;
    for (const Planted& p : planted) EXPECT_EQ(!fs::exists(p.path), p.removed) << p.path;
    EXPECT_TRUE(fs::is_directory(uten + ".DIR." + dead + ".0.tmp"));
}
