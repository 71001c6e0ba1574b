#pragma once
// The on-line job run against the simulated controller, shared by the job's on-line tests: an
// installation laid out for a variant, the automatic test run of a list driven as the machine
// would run it, and readers of what the controller, the label printer and the event log saw.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <tuple>
#include <string>
#include <vector>
#include "app/conf_bar_dialog.h"
#include "app/exec_dialog.h"
#include "app/exec_files.h"
#include "app/sel_bar_dialog.h"
#include "app/label_job.h"
#include "app/main_frame.h"
#include "app/qt_ui_services.h"
#include "app_fixture.h"
#include "label_test_util.h"
#include "labelprint/Tagrix.h"
#include "machine/bar_progress.h"
#include "machine/barlist.h"
#include "machine/file_routines.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_tty.h"
#include "platform/text.h"

namespace fs = std::filesystem;

inline constexpr const char* kPaperOk = "\x02" "030,0,0,1245,000,0,0,0,000,0,0,0\x03\r\n";

inline std::size_t Count(const std::string& text, const std::string& what) {
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
        app_.reset();
        if (preloaded_ != nullptr) plat::FreeLibrary(preloaded_);
        plat::SetComDevice(4, "");
        AppFixture::TearDown();
    }

    // The list of the test run, the run's flags and quick ticks, the event log, labels on the
    // label library's printer (a fake USB device), the controller's work directory. A variant
    // other than 1 runs on its demo configuration, with the controller's variables telling
    // that variant to the main window.
    void SetUpOnlineRun(const std::string& listName, int variant = 1) {
        if (variant != 1) {
            const fs::path conf = fs::path(BRELON_SOURCE_DIR) / "demo" / ("CONF-V" + std::to_string(variant));
            for (const char* f : {"CONFIG.PAR", "CONFIG.X_", "PARAM.PAR"})
                fs::copy_file(conf / f, program_ + "CONF/" + f, fs::copy_options::overwrite_existing);
        }
        const std::string config = program_ + "CONF/CONFIG.PAR";
        const std::string ldaDir = plat::ReadProfileString("GENERAL", "DIR_LDA", "", config.c_str());
        lda_ = plat::NativePath(ldaDir);
        root_ = lda_.substr(0, lda_.size() - 4); // the installation's folder, above LDA/
        fs::create_directories(lda_);
        fs::create_directories(root_ + "UTEN");
        if (!fs::exists(root_ + "UTEN/TOOLS.TXT")) fs::copy_file(toolsTxt_, root_ + "UTEN/TOOLS.TXT");
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
        for (const char* d : {"ISO", "DXF", "VLK", "LOG", "V1V2"}) fs::create_directories(root_ + d);
        fs::copy(fs::path(BRELON_SOURCE_DIR) / "demo" / "DXF", root_ + "DXF",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        for (const auto& e : fs::directory_iterator(fs::path(BRELON_SOURCE_DIR) / "demo" / "VLK"))
            fs::copy_file(e.path(), root_ + "VLK/" + e.path().filename().string(),
                          fs::copy_options::overwrite_existing);

        const std::string usb = tmp_ + "usb";
        lptest::AddSysfsPrinter(usb, "lp0", "1-1", "0a5f\n");
        printer_ = std::make_unique<lptest::FakePrinter>(usb, "lp0");
        printer_->SetStatusReply(kPaperOk);
        tagrix::SetUsbRoots((usb + "/sys").c_str(), (usb + "/dev").c_str());
        MakeOnline();
        // The controller laid out for the variant, as scripts/layout-demo.sh lays it out: its
        // machine description in the work directory. The library as the program will find it
        // is loaded first (the program's load then shares it) and powered on there.
        WriteFile(drives_ + "/C/UVEN/LAV/LAV/SIMCNC.INI", MachineDescription(variant));
        preloaded_ = plat::LoadLibraryByName(drives_ + "/C/parvolt/libUvenlibVB.so");
        ASSERT_NE(preloaded_, nullptr) << plat::LastLibraryError();
        simcnc::Controls early;
        ASSERT_TRUE(early.Bind([this](const char* n) { return plat::GetProcAddress(preloaded_, n); }));
        early.SimSetDrivesRoot(drives_.c_str());
        early.SimReset();
    }

    // "SIMCNC.INI" of a machine of the variant without options.
    static std::string MachineDescription(int variant) {
        const char* regs = variant == 0 ? "R700=1\r\nR813=0\r\nR814=0" : variant == 2 ? "R700=0\r\nR813=1\r\nR814=1"
                                                                              : "R700=1\r\nR813=1\r\nR814=1";
        return std::string("[MACHINE]\r\n") + regs + "\r\nR7007=0\r\nR7011=0\r\nR727=0\r\n";
    }

    // Labels on the directly driven printer: the print port a pseudo-terminal.
    void UseDirectPrinter(const char* device = "lp9") {
        port_ = std::make_unique<lptest::FakePrinter>(tmp_ + "port", device);
        ASSERT_FALSE(port_->DevicePath().empty());
        plat::SetComDevice(4, port_->DevicePath());
        const std::string param = program_ + "CONF/PARAM.PAR";
        plat::WriteProfileString("PARAM", "CONF_FILE_OTT", "0", param.c_str());
        plat::WriteProfileString("PARAM", "PORT_PC_PRINT", "4", param.c_str());
    }

    // The automatic test run started and driven as the machine would run it, to its end;
    // beforeRun runs once the program started, before the list opens.
    void RunTheList(const std::function<void()>& beforeRun = {}, int limitMs = 45000) {
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        ASSERT_EQ(g_machineConnected, 1);
        if (beforeRun) beforeRun();
        Sim().SimSetAutoAdvance(0);
        QTimer machine;
        QObject::connect(&machine, &QTimer::timeout, [this] { MachineStep(); });
        machine.start(5);
        Sim().SimSetDrivesRoot(drives_.c_str());
        Sim().SimClearLogs();
        ended_ = RunUntilClosed(limitMs);
    }

    // The bar progress record of barName in listName (the list the run opens, or with
    // otherList the same folder's PORTE.lda), as the monitor writes it. After the start.
    void WriteProgressRecord(const std::string& listName, const std::string& barName, int stored,
                             bool otherList = false) {
        const std::string config = program_ + "CONF/CONFIG.PAR";
        const std::string folder = plat::ReadProfileString("GENERAL", "DIR_LDA", "", config.c_str());
        BarList bars(plat::NativePath(folder + listName).c_str());
        int id = -1;
        for (int i = 0; i < bars.BarCount(); ++i)
            if (barName == bars.Bar(i)->name) id = bars.Bar(i)->index;
        ASSERT_GT(id, 0);
        WriteFile(plat::NativePath(g_barProgressPath),
                  "[STATBAR]\r\nNOMELDA=" + folder + (otherList ? "PORTE.lda" : listName) + "\r\nIDBARRA=" +
                      std::to_string(id) + "\r\nPEZZIFATTI=" + std::to_string(stored) + "\r\n");
    }

    // Programs the controller accepted and started.
    int ProgramStarts() {
        int starts = 0;
        const int commands = Sim().SimCommandLogCount();
        for (int i = 0; i < commands; ++i) {
            int code = 0, sub = 0, result = 0;
            char text[64] = {};
            Sim().SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
            if (code == 4 && result == 0) ++starts;
        }
        return starts;
    }

    // The machine between two looks of the monitor: a program runs only while a monitor is
    // open. Up to the program's code and the cleared piece counter it goes a block at a time
    // and then waits for the monitor to see them (a real bar takes many monitor ticks before
    // its first piece); after that it runs a stretch of blocks per step.
    void MachineStep() {
        if (Sim().SimProgramState() != SIM_RUN_RUNNING || MainFrame == nullptr) return;
        auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data());
        if (monitor == nullptr || monitor->EndResult() != 0) return;
        if (machineOff_) return;
        if (monitor->Phase() >= 2 && pieceByPiece_) {
            // One piece at a time: the next piece is cut only once the monitor counted the last
            // one and sent its labels, so that a power cut of the whole shop falls between the
            // monitor's writes and never while the machine is a piece ahead of them.
            for (int i = 0; i < 25 && Sim().SimGetR(590) <= monitor->PiecesCounted() && app::g_labelPending == 0; ++i) {
                const double before = Sim().SimGetR(590);
                Sim().SimStepProgram(1);
                if (Sim().SimGetR(590) > before) piecesCut_ += static_cast<int>(Sim().SimGetR(590) - before);
                if (Sim().SimProgramState() != SIM_RUN_RUNNING) break;
            }
        } else if (monitor->Phase() >= 2) {
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
    std::string root_; // the installation's folder (DIR_LDA's parent), native, trailing '/'
    std::string events_;
    std::unique_ptr<lptest::FakePrinter> printer_;
    std::unique_ptr<lptest::FakePrinter> port_;
    plat::LibHandle preloaded_ = nullptr;
    bool ended_ = false;
    bool pieceByPiece_ = false; // MachineStep cuts a piece only once the monitor counted the last
    bool machineOff_ = false;   // the power is off: the machine cuts nothing more
    int piecesCut_ = 0;         // pieces the controller counted, with pieceByPiece_
};

// The pieces the supervisor log's bar lines of a list add up to (the count after the bar's
// length in "...;PIECE;list;bar;code;length;count;0;time").
inline int PieceLineTotal(const std::string& events, const std::string& list) {
    int total = 0;
    const std::string tag = ";PIECE;" + list + ";";
    for (std::size_t at = events.find(tag); at != std::string::npos; at = events.find(tag, at + 1)) {
        std::size_t field = at + tag.size();
        for (int skip = 0; skip < 3 && field != std::string::npos; ++skip) field = events.find(';', field) + 1;
        total += std::atoi(events.c_str() + field);
    }
    return total;
}

// The position of the first write of value to R<number> at or after from, or npos.
inline std::size_t FindWrite(const std::vector<RWrite>& log, std::size_t from, int number, double value) {
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i].number == number && log[i].value == value) return i;
    return std::string::npos;
}

