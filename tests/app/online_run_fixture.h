#pragma once
// The on-line job run shared by the job's on-line tests (the run to its end, the power-cut
// sweep): the automatic test run of a list driven as the machine would run it on the simulated
// controller, with labels on the label library's printer or on the directly driven printer.
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
#include <map>
#include <memory>
#include <tuple>
#include <string>
#include <vector>

#include "app/conf_bar_dialog.h"
#include "engine/bar_computation.h"
#include "app/exec_dialog.h"
#include "app/exec_files.h"
#include "app/sel_bar_dialog.h"
#include "app/startup_cnc.h"
#include "app/label_job.h"
#include "app/main_frame.h"
#include "app/qt_ui_services.h"
#include "online_fixture.h"
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

inline std::size_t Count(const std::string& text, const std::string& what) { return CountOf(text, what); }
using RWrite = OnlineRunFixture::RWrite;

class OnlineJobRunTest : public OnlineRunFixture {
protected:
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

    std::unique_ptr<lptest::FakePrinter> port_;
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

