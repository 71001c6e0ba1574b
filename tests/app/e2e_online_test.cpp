// A job end to end on-line, as an operator would leave it running: the automatic test run of a
// two-bar list against the simulated controller runs both bars to their end by itself, with the
// event log on and a label per finished piece going to a fake USB label printer.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/exec_dialog.h"
#include "app/label_job.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "label_test_util.h"
#include "labelprint/Tagrix.h"
#include "machine/globals.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPaperOk = "\x02" "030,0,0,1245,000,0,0,0,000,0,0,0\x03\r\n";

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

struct RWrite {
    int number;
    double value;
};

class OnlineJobRunTest : public AppFixture {
protected:
    void TearDown() override {
        tagrix::SetUsbRoots(nullptr, nullptr);
        printer_.reset();
        app::g_labelPending = 0;
        AppFixture::TearDown();
    }

    // The list of the test run, the run's flags and quick ticks, the event log, labels on the
    // label library's printer (a fake USB device), the controller's work directory.
    void SetUpOnlineRun(const std::string& listName) {
        lda_ = drives_ + "/C/BRELON3/VELMO/LDA/";
        fs::create_directories(lda_);
        fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "LDA" / listName, lda_ + listName);
        WriteFile(lda_ + "TestList.txt", listName + "\r\n");
        const std::string test = program_ + "CONF/TEST.PAR";
        plat::WriteProfileString("TEST", "FLAG_TEST_MACHINE", "1", test.c_str());
        plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", "1", test.c_str());
        WriteConfig("GENERAL", "ISO_TIMER", "20");
        WriteConfig("GENERAL", "PRINT_TIMER", "20");
        WriteConfig("GENERAL", "STATUS_TIMER", "20");
        // The step offered first is "all": a bar's repetitions run in one program, and after a
        // bar that ended well the next one starts by itself (automatic loading).
        WriteConfig("GENERAL", "STEP_RIP", "2");
        WriteConfig("GENERAL", "TYPE_EXEC", "2");
        events_ = tmp_ + "events/";
        fs::create_directories(events_);
        WriteConfig("GENERAL", "LOG_SUPERVISOR", "1");
        WriteConfig("GENERAL", "DIR_LOG", events_.c_str());
        WriteConfig("LABEL", "PRINT", "1");
        plat::WriteProfileString("PARAM", "CONF_FILE_OTT", "1", (program_ + "CONF/PARAM.PAR").c_str());
        // The demo's label layout (Code 128, which encodes every piece name).
        fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "TAGRIX.INI", program_ + "TAGRIX.INI",
                      fs::copy_options::overwrite_existing);
        for (const char* d : {"ISO", "DXF", "VLK", "LOG", "V1V2"})
            fs::create_directories(drives_ + "/C/BRELON3/VELMO/" + d);
        fs::copy(fs::path(BRELON_SOURCE_DIR) / "demo" / "DXF", drives_ + "/C/BRELON3/VELMO/DXF",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        for (const auto& e : fs::directory_iterator(fs::path(BRELON_SOURCE_DIR) / "demo" / "VLK"))
            fs::copy_file(e.path(), drives_ + "/C/BRELON3/VELMO/VLK/" + e.path().filename().string());

        const std::string usb = tmp_ + "usb";
        lptest::AddSysfsPrinter(usb, "lp0", "1-1", "0a5f\n");
        printer_ = std::make_unique<lptest::FakePrinter>(usb, "lp0");
        printer_->SetStatusReply(kPaperOk);
        tagrix::SetUsbRoots((usb + "/sys").c_str(), (usb + "/dev").c_str());
        MakeOnline();
    }

    // The machine between two looks of the monitor: a program runs only while a monitor is
    // open. Up to the program's code and the cleared piece counter it goes a block at a time
    // and then waits for the monitor to see them (a real bar takes many monitor ticks before
    // its first piece); after that it runs a stretch of blocks per step.
    void MachineStep() {
        if (Sim().SimProgramState() != SIM_RUN_RUNNING || MainFrame == nullptr) return;
        auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data());
        if (monitor == nullptr || monitor->EndResult() != 0) return;
        if (monitor->Phase() >= 2) {
            Sim().SimStepProgram(25);
        } else if (!(Sim().SimGetR(599) > 0.0 && Sim().SimGetR(590) == 0.0)) {
            Sim().SimStepProgram(1);
        }
    }

    // Runs the event loop until the main window closed itself. The monitor runs in a nested
    // loop: past the limit a watchdog ends it (as stopped) so that a stuck run fails, not hangs.
    bool RunUntilClosed(int limitMs) {
        QElapsedTimer t;
        t.start();
        bool stuck = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            stuck = true;
            ADD_FAILURE() << "the run did not end\n" << ControllerTrace();
            if (MainFrame != nullptr) {
                if (auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data()))
                    monitor->EndJob(2);
                MainFrame->close();
            }
        });
        watchdog.start(limitMs);
        while (t.elapsed() < limitMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (MainFrame == nullptr || !MainFrame->isVisible()) return !stuck;
        }
        return false;
    }

    std::vector<RWrite> RWrites() {
        std::vector<RWrite> out;
        const int n = Sim().SimRWriteLogCount();
        for (int i = 0; i < n; ++i) {
            RWrite w{};
            if (Sim().SimRWriteLogEntry(i, &w.number, &w.value) == 0) out.push_back(w);
        }
        return out;
    }

    std::string EventLog() {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(events_))
            if (e.path().extension() == ".LGC") files.push_back(e.path());
        std::sort(files.begin(), files.end());
        std::string all;
        for (const auto& f : files) all += ReadFile(f.string());
        return all;
    }

    // What the controller saw, for a run that did not end.
    std::string ControllerTrace() {
        std::string t = "program state " + std::to_string(Sim().SimProgramState()) + " block " +
                        std::to_string(Sim().SimProgramBlock()) + " last error '" + Sim().SimLastError() + "'\n";
        for (int r : {452, 599, 590, 485, 450, 451, 455})
            t += "R" + std::to_string(r) + "=" + std::to_string(Sim().SimGetR(r)) + " ";
        t += "\ncommands:";
        const int n = Sim().SimCommandLogCount();
        for (int i = 0; i < n; ++i) {
            int code = 0, sub = 0, result = 0;
            char text[64] = {};
            Sim().SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
            t += " (" + std::to_string(code) + "," + std::to_string(sub) + "," + text + ")=" + std::to_string(result);
        }
        t += "\nwrites:";
        for (const RWrite& w : RWrites()) t += " R" + std::to_string(w.number) + "=" + std::to_string(w.value);
        for (const auto& b : ui_->boxes) t += "\nbox " + b.title + ": " + b.text;
        return t;
    }

    std::string lda_;
    std::string events_;
    std::unique_ptr<lptest::FakePrinter> printer_;
};

// The position of the first write of value to R<number> at or after from, or npos.
std::size_t FindWrite(const std::vector<RWrite>& log, std::size_t from, int number, double value) {
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i].number == number && log[i].value == value) return i;
    return std::string::npos;
}

} // namespace

TEST_F(OnlineJobRunTest, TwoBarListRunsToItsEndAgainstTheController) {
    const std::string list = "FINESTRE.lda";
    SetUpOnlineRun(list);
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 1);
    // FINESTRE: TELAIO, four pieces twice, and ANTA, three pieces once.
    const int pieces = 4 * 2 + 3;
    // The controller's clock stands still: the test moves the programs on, as the machine would,
    // only while the monitor watches them.
    Sim().SimSetAutoAdvance(0);
    QTimer machine;
    QObject::connect(&machine, &QTimer::timeout, [this] { MachineStep(); });
    machine.start(5);
    Sim().SimSetDrivesRoot(drives_.c_str()); // the controller finds its work directory where the program does
    Sim().SimClearLogs();

    ASSERT_TRUE(RunUntilClosed(45000)) << "the test run did not end";
    for (const auto& b : ui_->boxes) ADD_FAILURE() << "box " << b.title << ": " << b.text;

    // Every program started ran to its end: one per bar.
    int starts = 0;
    const int commands = Sim().SimCommandLogCount();
    for (int i = 0; i < commands; ++i) {
        int code = 0, sub = 0, result = 0;
        char text[64] = {};
        Sim().SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
        if (code == 4 && result == 0) ++starts;
    }
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(Sim().SimProgramState(), SIM_RUN_ENDED);

    // The controller's variables in the order the job writes them, run by run: the program
    // code cleared before the start, the monitor's stop requests cleared, the run flags set,
    // the automatic start of the second bar, and the run flags and the automatic start
    // cleared at the end; no stop was asked for.
    const std::vector<RWrite> log = RWrites();
    std::size_t at = 0;
    for (int run = 0; run < starts; ++run) {
        SCOPED_TRACE(run);
        const std::size_t code = FindWrite(log, at, 599, 0.0);
        ASSERT_NE(code, std::string::npos);
        const std::size_t flags = FindWrite(log, code, 470, 1.0);
        ASSERT_NE(flags, std::string::npos);
        EXPECT_LT(FindWrite(log, code, 591, 0.0), flags);
        EXPECT_LT(FindWrite(log, code, 481, 0.0), flags);
        EXPECT_EQ(FindWrite(log, flags, 472, 1.0), flags + 1);
        const std::size_t end = FindWrite(log, flags, 470, 0.0);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(FindWrite(log, end, 472, 0.0), end + 1);
        EXPECT_EQ(FindWrite(log, end, 480, 0.0), end + 2);
        // The second bar was started by the job itself, not by the operator.
        const std::size_t autoStart = FindWrite(log, code, 480, 1.0);
        if (run == 0) EXPECT_GT(autoStart, end);
        else EXPECT_TRUE(autoStart > flags + 1 && autoStart < end) << autoStart;
        EXPECT_GE(FindWrite(log, code, 481, 1.0), end);
        EXPECT_GE(FindWrite(log, code, 591, 1.0), end);
        at = end + 1;
    }
    EXPECT_EQ(FindWrite(log, at, 599, 0.0), std::string::npos) << "no start after the last run";

    // The list's time log: a line per bar run, then the total.
    const std::string tmx = ReadFile(program_ + "LOG/FINESTRE.tmx");
    const std::size_t rule = tmx.find(std::string(60, '=') + "\r\n");
    ASSERT_NE(rule, std::string::npos) << tmx;
    // Below the title and the column heads, one line per run ending in its time.
    std::size_t timed = 0;
    const std::string body = tmx.substr(0, rule);
    for (std::size_t from = 0, eol; (eol = body.find("\r\n", from)) != std::string::npos; from = eol + 2)
        if (eol > from && (body[eol - 1] == '"' || body[eol - 1] == '\'')) ++timed;
    EXPECT_EQ(timed, static_cast<std::size_t>(starts)) << tmx;
    EXPECT_EQ(Count(body, "\r\n"), static_cast<std::size_t>(starts) + 2) << tmx;
    EXPECT_NE(tmx.find("\r\nTotal Elapsed Time: ", rule), std::string::npos) << tmx;

    // A label per finished piece; each run also left an offcut long enough to keep, whose
    // label names the bar in its column, whole (in a smaller font where it does not fit). The
    // paper queries aside.
    const std::string printed = printer_->Received();
    const int labels = static_cast<int>(Count(printed, "^XA") - Count(printed, "^XA~HS"));
    EXPECT_EQ(labels, pieces + starts) << printed;
    EXPECT_EQ(Count(printed, "^FDTELAIO^FS"), 1u);
    EXPECT_EQ(Count(printed, "^FDANTA^FS"), 1u);
    // Every piece label carries its name in Code 128.
    EXPECT_EQ(Count(printed, "^BC"), static_cast<std::size_t>(pieces)) << printed;

    // The event log from the log-on to the shut-down.
    app_->ExitInstance();
    const std::string events = EventLog();
    const std::size_t logon = events.find(";LOGON;");
    const std::size_t shutdown = events.find(";SHUTDOWN;");
    ASSERT_NE(logon, std::string::npos) << events;
    ASSERT_NE(shutdown, std::string::npos) << events;
    EXPECT_EQ(events.rfind('\n', logon), std::string::npos) << "the log-on is the first line";
    EXPECT_LT(logon, shutdown);
    EXPECT_EQ(events.find(";LOGON;", logon + 1), std::string::npos);
    EXPECT_EQ(events.find('\n', shutdown), events.size() - 1) << "the shut-down is the last line";
    EXPECT_EQ(Count(events, ";JOB-BEGIN;FINESTRE;"), 1u) << events;
    EXPECT_EQ(Count(events, ";JOB-END;FINESTRE"), 1u) << events;
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;"), static_cast<std::size_t>(pieces)) << events;
    EXPECT_EQ(Count(events, ";PIECE;FINESTRE;"), static_cast<std::size_t>(starts)) << events;
}
