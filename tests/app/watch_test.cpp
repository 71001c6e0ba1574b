// The watch of a running program, on-line against the simulated controller, which runs the part
// programs the engine wrote for FINESTRE (TELAIO: four pieces, two repetitions in one program;
// ANTA: three pieces) in the automatic test run. Unlike the machine of the end-to-end run, this
// machine cuts on by itself whatever the monitor does. Each row holds a box or plants a fault
// while a program runs: every piece the controller cut is then counted, labelled and logged
// exactly once, the progress record matches, the run ends, and no bar is cut twice.
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/conf_bar_dialog.h"
#include "app/exec_dialog.h"
#include "app/exec_files.h"
#include "app/label_job.h"
#include "app/main_frame.h"
#include "app/sel_bar_dialog.h"
#include "machine/bar_progress.h"
#include "app_fixture.h"
#include "label_test_util.h"
#include "labelprint/Tagrix.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_tty.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPaperOk = "\x02" "030,0,0,1245,000,0,0,0,000,0,0,0\x03\r\n";
constexpr int kHoldLimitMs = 15000;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// What each row holds open or plants while a program runs.
enum class Hold {
    OwedLabelsBox,     // a power cut left labels owed: the operator reads the notice slowly
    StopNowNoThenYes,  // Stop now at once, answered No once two pieces are cut, then Yes at the end
    PrintPortMissing,  // the directly driven printer's port does not exist (an unplugged adapter)
    EscapeOnStart,     // Escape on the hidden selection while a start the controller took is pending
    CounterSetBack,    // R590 set to 0 after three pieces, the program running on
    LateAcknowledge,   // the start acknowledged only after the first piece was cut
};

struct WatchRow {
    const char* name;
    Hold hold;
    int starts;                    // programs the controller started
    int pieces;                    // pieces cut, each counted, labelled and logged once
    std::vector<std::string> boxes; // the texts that begin the boxes the row shows, in order
};

const std::vector<WatchRow>& Rows() {
    static const std::vector<WatchRow> rows = {
        {"OwedLabelsBox", Hold::OwedLabelsBox, 2, 11, {"ERR_LABELS_OWED"}},
        {"StopNowNoThenYes", Hold::StopNowNoThenYes, 2, 11, {"M_ABORT", "M_ABORT"}},
        {"PrintPortMissing", Hold::PrintPortMissing, 0, 0, {}},
        {"EscapeOnStart", Hold::EscapeOnStart, 2, 11, {"M_START_NOT_CANCELLED"}},
        // TELAIO stopped after three pieces, resumed at its fourth, its second repetition, ANTA.
        {"CounterSetBack", Hold::CounterSetBack, 4, 11, {"ERR_PIECE_COUNTER_BACK"}},
        {"LateAcknowledge", Hold::LateAcknowledge, 2, 11, {}},
    };
    return rows;
}

// The text a box of the row begins with (keys of either table).
std::string Looked(const std::string& key) {
    const char* s = MsgString(key.c_str());
    return s != key ? std::string(s) : std::string(MsgError(key.c_str()));
}

class WatchTest : public AppFixture, public ::testing::WithParamInterface<int> {
protected:
    const WatchRow& Row() const { return Rows()[static_cast<std::size_t>(GetParam())]; }

    void TearDown() override {
        tagrix::SetUsbRoots(nullptr, nullptr);
        printer_.reset();
        app::g_labelPending = 0;
        app_.reset();
        if (preloaded_ != nullptr) plat::FreeLibrary(preloaded_);
        plat::SetComDevice(4, "");
        AppFixture::TearDown();
    }

    void SetUpRun() {
        const std::string config = program_ + "CONF/CONFIG.PAR";
        const std::string lda = plat::NativePath(plat::ReadProfileString("GENERAL", "DIR_LDA", "", config.c_str()));
        const std::string root = lda.substr(0, lda.size() - 4);
        fs::create_directories(lda);
        fs::create_directories(root + "UTEN");
        if (!fs::exists(root + "UTEN/TOOLS.TXT")) fs::copy_file(toolsTxt_, root + "UTEN/TOOLS.TXT");
        fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "LDA" / "FINESTRE.lda", lda + "FINESTRE.lda");
        WriteFile(lda + "TestList.txt", "FINESTRE.lda\r\n");
        const std::string test = program_ + "CONF/TEST.PAR";
        plat::WriteProfileString("TEST", "FLAG_TEST_MACHINE", "1", test.c_str());
        plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", "1", test.c_str());
        WriteConfig("GENERAL", "ISO_TIMER", "20");
        WriteConfig("GENERAL", "PRINT_TIMER", "20");
        WriteConfig("GENERAL", "STATUS_TIMER", "20");
        WriteConfig("GENERAL", "STEP_RIP", "2");
        WriteConfig("GENERAL", "TYPE_EXEC", "2");
        events_ = tmp_ + "events/";
        fs::create_directories(events_);
        WriteConfig("GENERAL", "LOG_SUPERVISOR", "1");
        WriteConfig("GENERAL", "DIR_LOG", events_.c_str());
        WriteConfig("LABEL", "PRINT", "1");
        const std::string param = program_ + "CONF/PARAM.PAR";
        plat::WriteProfileString("PARAM", "CONF_FILE_OTT", "1", param.c_str());
        fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "TAGRIX.INI", program_ + "TAGRIX.INI",
                      fs::copy_options::overwrite_existing);
        for (const char* d : {"ISO", "DXF", "VLK", "LOG", "V1V2"}) fs::create_directories(root + d);
        fs::copy(fs::path(BRELON_SOURCE_DIR) / "demo" / "DXF", root + "DXF",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        for (const auto& e : fs::directory_iterator(fs::path(BRELON_SOURCE_DIR) / "demo" / "VLK"))
            fs::copy_file(e.path(), root + "VLK/" + e.path().filename().string(),
                          fs::copy_options::overwrite_existing);
        const std::string usb = tmp_ + "usb";
        lptest::AddSysfsPrinter(usb, "lp0", "1-1", "0a5f\n");
        printer_ = std::make_unique<lptest::FakePrinter>(usb, "lp0");
        printer_->SetStatusReply(kPaperOk);
        tagrix::SetUsbRoots((usb + "/sys").c_str(), (usb + "/dev").c_str());
        if (Row().hold == Hold::PrintPortMissing) {
            // The directly driven printer on COM4, whose device is gone.
            plat::SetComDevice(4, tmp_ + "no-such-tty");
            plat::WriteProfileString("PARAM", "CONF_FILE_OTT", "0", param.c_str());
            plat::WriteProfileString("PARAM", "PORT_PC_PRINT", "4", param.c_str());
        }
        MakeOnline();
        WriteFile(drives_ + "/C/UVEN/LAV/LAV/SIMCNC.INI",
                  "[MACHINE]\r\nR700=1\r\nR813=1\r\nR814=1\r\nR7007=0\r\nR7011=0\r\nR727=0\r\n");
        preloaded_ = plat::LoadLibraryByName(drives_ + "/C/parvolt/libUvenlibVB.so");
        ASSERT_NE(preloaded_, nullptr) << plat::LastLibraryError();
        simcnc::Controls early;
        ASSERT_TRUE(early.Bind([this](const char* n) { return plat::GetProcAddress(preloaded_, n); }));
        early.SimSetDrivesRoot(drives_.c_str());
        early.SimReset();
    }

    CExecDialog* Monitor() {
        return MainFrame != nullptr ? qobject_cast<CExecDialog*>(MainFrame->execDialog.data()) : nullptr;
    }
    CConfBarDialog* Confirmation() {
        return MainFrame != nullptr ? qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data()) : nullptr;
    }
    bool Running() { return Sim().SimProgramState() == SIM_RUN_RUNNING; }

    // The event loop turns (the watch, the polls, the machine) while the operator reads a box.
    void HoldUntil(const std::function<bool()>& done, int atLeastMs = 0) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kHoldLimitMs && (t.elapsed() < atLeastMs || !done()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    int LastCommand(int* code, int* sub, int* result) {
        const int n = Sim().SimCommandLogCount();
        if (n == 0) return 0;
        char text[64] = {};
        Sim().SimCommandLogEntry(n - 1, code, sub, text, sizeof text, result);
        return n;
    }

    // The machine: the running program moves on a block at a time, whatever the monitor does,
    // except while a row holds it.
    void MachineStep() {
        int code = 0, sub = 0, result = 0;
        if (Row().hold == Hold::LateAcknowledge || Row().hold == Hold::EscapeOnStart) {
            // The first start's (7,85) was accepted: its program start (4,0) will run on without
            // being acknowledged until the row lets it.
            if (!ackArmed_ && LastCommand(&code, &sub, &result) > 0 && code == 7 && sub == 85 && result == 0) {
                ackArmed_ = true;
                Sim().SimSetCommandResponse(SIM_CMD_NEVER_FINISH, 0);
            }
            if (ackArmed_ && !ackReleased_ && Running() && LastCommand(&code, &sub, &result) > 0 && code == 4 &&
                (Row().hold == Hold::EscapeOnStart ? escaped_ : Sim().SimGetR(590) >= 1.0)) {
                ackReleased_ = true;
                Sim().SimSetCommandResponse(SIM_CMD_NORMAL, 0);
            }
        }
        if (machineHeld_) return;
        for (int i = 0; i < 4 && Running(); ++i) {
            Sim().SimStepProgram(1);
            if (Row().hold == Hold::CounterSetBack && !setBack_ && Sim().SimGetR(590) == 3.0) {
                // Once the watch counted the third piece the counter is set back; the machine
                // then stands until the watch has seen it (what it would cut meanwhile nobody
                // could tell from the counter).
                setBack_ = true;
                machineHeld_ = true;
                return;
            }
        }
    }

    // The operator: presses and keys of the row.
    void OperatorStep() {
        CExecDialog* monitor = Monitor();
        CConfBarDialog* conf = Confirmation();
        if (Row().hold == Hold::StopNowNoThenYes && monitor != nullptr && monitor->EndResult() == 0 && presses_ < 2 &&
            !pressing_) {
            ++presses_;
            pressing_ = true;
            monitor->OnCancel();
            pressing_ = false;
        }
        if (Row().hold == Hold::EscapeOnStart && !escaped_ && conf != nullptr && conf->StartPending() && ackArmed_ &&
            Running()) {
            // The program start was taken and is not yet acknowledged. The automatic run left
            // the focus where it was; the key reaches whatever has it, or the hidden selection.
            escaped_ = true;
            QWidget* target = QApplication::focusWidget();
            if (target == nullptr && MainFrame != nullptr) target = MainFrame->selBarDialog.data();
            if (target == nullptr) target = MainFrame;
            QTest::keyClick(target, Qt::Key_Escape);
        }
        if (Row().hold == Hold::EscapeOnStart && MainFrame != nullptr && (conf != nullptr && (conf->Running())))
            listActiveWhileRunning_ = listActiveWhileRunning_ && MainFrame->listActive != 0;
        if (Row().hold == Hold::CounterSetBack && setBack_ && !counterReset_ && monitor != nullptr &&
            monitor->PiecesCounted() >= 3.0f) {
            counterReset_ = true;
            Sim().SimSetR(590, 0.0);
        }
        if (Row().hold == Hold::CounterSetBack && counterReset_ && machineHeld_ &&
            (monitor == nullptr || monitor->EndResult() != 0))
            machineHeld_ = false;
    }

    int Answer(const MessageBoxRequest& box) {
        if (box.text.rfind(Looked("ERR_LABELS_OWED"), 0) == 0) {
            // Read slowly: the controller may run whatever it was given meanwhile.
            HoldUntil([&] { return !Running(); }, 300);
            return IDOK;
        }
        if (box.text == Looked("M_ABORT")) {
            if (presses_ == 1) {
                HoldUntil([&] { return Sim().SimGetR(590) >= 2.0 || !Running(); });
                return IDNO;
            }
            HoldUntil([&] { return !Running(); }, 200);
            return IDYES;
        }
        return IDOK;
    }

    void Run() {
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        ASSERT_EQ(g_machineConnected, 1);
        if (Row().hold == Hold::OwedLabelsBox) {
            JobRecord owed = ReadJobRecord();
            owed.owedLabels = "TRAV SUP, TRAV INF";
            ASSERT_EQ(KeepJobRecord(owed), 0);
        }
        ui_->responder = [this](const MessageBoxRequest& box) { return Answer(box); };
        Sim().SimSetAutoAdvance(0);
        Sim().SimSetDrivesRoot(drives_.c_str());
        Sim().SimClearLogs();
        // Each command runs for a few polls: the row sees the program start coming.
        if (Row().hold == Hold::LateAcknowledge || Row().hold == Hold::EscapeOnStart)
            Sim().SimSetCommandResponse(SIM_CMD_RUN_CALLS, 5);
        QTimer machine, hand;
        QObject::connect(&machine, &QTimer::timeout, [this] { MachineStep(); });
        QObject::connect(&hand, &QTimer::timeout, [this] { OperatorStep(); });
        machine.start(5);
        hand.start(10);
        QElapsedTimer t;
        t.start();
        ended_ = false;
        while (t.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (MainFrame == nullptr || !MainFrame->isVisible()) {
                ended_ = true;
                break;
            }
        }
        if (!ended_ && MainFrame != nullptr) {
            if (CExecDialog* monitor = Monitor()) monitor->EndJob(2);
            MainFrame->close();
        }
        ui_->responder = nullptr;
    }

    int ProgramStarts() {
        int starts = 0;
        for (int i = 0; i < Sim().SimCommandLogCount(); ++i) {
            int code = 0, sub = 0, result = 0;
            char text[64] = {};
            Sim().SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
            if (code == 4 && result == 0) ++starts;
        }
        return starts;
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

    std::string events_;
    std::unique_ptr<lptest::FakePrinter> printer_;
    plat::LibHandle preloaded_ = nullptr;
    bool ended_ = false;
    bool machineHeld_ = false, setBack_ = false, counterReset_ = false;
    bool ackArmed_ = false, ackReleased_ = false, escaped_ = false;
    bool listActiveWhileRunning_ = true;
    int presses_ = 0;
    bool pressing_ = false;
};

INSTANTIATE_TEST_SUITE_P(Rows, WatchTest, ::testing::Range(0, static_cast<int>(Rows().size())),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return Rows()[static_cast<std::size_t>(i.param)].name;
                         });

TEST_P(WatchTest, EveryPieceCutIsCountedOnceAndTheRunEnds) {
    SetUpRun();
    testing::internal::CaptureStderr();
    Run();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended_) << "the run did not end; R590=" << Sim().SimGetR(590) << " R599=" << Sim().SimGetR(599);

    // The boxes the row shows, and nothing else.
    std::vector<std::string> shown;
    for (const auto& b : ui_->boxes) shown.push_back(b.text);
    ASSERT_EQ(shown.size(), Row().boxes.size()) << ::testing::PrintToString(shown);
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i].rfind(Looked(Row().boxes[i]), 0), 0u) << shown[i];

    EXPECT_EQ(ProgramStarts(), Row().starts) << "no bar cut twice";
    EXPECT_NE(Sim().SimProgramState(), SIM_RUN_RUNNING) << "nothing left running unwatched";
    if (Row().pieces > 0) {
        EXPECT_EQ(Count(printer_->Received(), "^BC"), static_cast<std::size_t>(Row().pieces)) << "a label per piece";
    }
    const std::string progress = ReadFile(plat::NativePath(g_barProgressPath));
    EXPECT_NE(progress.find("PEZZIFATTI=0"), std::string::npos) << progress;

    const std::string portRefused = std::string(MsgError("ERR_PRINT_PORT_BAR")) + " COM4";
    app_->ExitInstance();
    const std::string events = EventLog();
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;"), static_cast<std::size_t>(Row().pieces)) << events;
    if (Row().pieces > 0) {
        // Each piece under its own name: TELAIO's four twice, ANTA's three once.
        const std::map<std::string, std::size_t> names = {{"TRAV SUP", 2}, {"TRAV INF", 2}, {"MONT SX", 2},
                                                          {"MONT DX", 2},  {"ANTA SUP", 1}, {"ANTA LAT", 1},
                                                          {"ANTA INF", 1}};
        for (const auto& [name, n] : names) EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;" + name + ";"), n) << name;
    }
    EXPECT_EQ(Count(events, ";JOB-OFF;"), 1u) << "the list closed once, at its end\n" << events;

    switch (Row().hold) {
    case Hold::PrintPortMissing:
        // Each bar refused before its start, naming the port.
        EXPECT_EQ(Count(err, portRefused), 2u) << err;
        break;
    case Hold::EscapeOnStart:
        EXPECT_TRUE(escaped_);
        EXPECT_TRUE(listActiveWhileRunning_) << "the list stayed open while its bar ran";
        break;
    case Hold::CounterSetBack:
        EXPECT_NE(ui_->boxes.front().text.find("R590 = 0 (3)"), std::string::npos) << ui_->boxes.front().text;
        break;
    case Hold::LateAcknowledge:
        EXPECT_TRUE(ackReleased_) << "the acknowledgement came after the first piece";
        break;
    default:
        break;
    }
}

} // namespace
