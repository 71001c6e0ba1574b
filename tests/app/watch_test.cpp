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
#include "online_fixture.h"
#include "label_test_util.h"
#include "labelprint/Tagrix.h"
#include "machine/globals.h"
#include "machine/uvenlib_binding.h"
#include "machine/settings_support.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_tty.h"

namespace fs = std::filesystem;

namespace {

constexpr int kHoldLimitMs = 15000;
const auto Count = CountOf;

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

class WatchTest : public OnlineRunFixture, public ::testing::WithParamInterface<int> {
protected:
    const WatchRow& Row() const { return Rows()[static_cast<std::size_t>(GetParam())]; }

    void SetUpRun() {
        SetUpOnlineRun("FINESTRE.lda");
        if (Row().hold == Hold::PrintPortMissing) {
            // The directly driven printer on COM4, whose device is gone.
            plat::SetComDevice(4, tmp_ + "no-such-tty");
            const std::string param = program_ + "CONF/PARAM.PAR";
            plat::WriteProfileString("PARAM", "CONF_FILE_OTT", "0", param.c_str());
            plat::WriteProfileString("PARAM", "PORT_PC_PRINT", "4", param.c_str());
        }
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

    // As a box that waited for the operator closes: what the controller cut that the watch has
    // not counted, once the watch had a few of its ticks to see it. A program running with no
    // monitor has nothing counted.
    void NoteUncountedAsBoxCloses() {
        const double cut = Sim().SimGetR(590);
        CExecDialog* monitor = Monitor();
        double uncounted = 0.0;
        if (monitor == nullptr) {
            uncounted = Running() ? cut : 0.0;
        } else {
            HoldUntil([&] { return monitor->EndResult() != 0 || monitor->PiecesCounted() >= cut; });
            if (monitor->EndResult() == 0) uncounted = cut - monitor->PiecesCounted();
        }
        uncountedAtBoxClose_ = std::max(uncountedAtBoxClose_, uncounted);
    }

    int Answer(const MessageBoxRequest& box) {
        if (box.text.rfind(Looked("ERR_LABELS_OWED"), 0) == 0) {
            // Read slowly: the controller may run whatever it was given meanwhile.
            HoldUntil([&] { return !Running(); }, 300);
            NoteUncountedAsBoxCloses();
            return IDOK;
        }
        if (box.text == Looked("M_ABORT")) {
            if (presses_ == 1) {
                HoldUntil([&] { return Sim().SimGetR(590) >= 2.0 || !Running(); });
                NoteUncountedAsBoxCloses();
                return IDNO;
            }
            HoldUntil([&] { return !Running(); }, 200);
            NoteUncountedAsBoxCloses();
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
        ended_ = RunUntilClosed(60000);
        ui_->responder = nullptr;
    }

    bool machineHeld_ = false, setBack_ = false, counterReset_ = false;
    bool ackArmed_ = false, ackReleased_ = false, escaped_ = false;
    bool listActiveWhileRunning_ = true;
    int presses_ = 0;
    bool pressing_ = false;
    double uncountedAtBoxClose_ = 0.0;
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
    EXPECT_EQ(uncountedAtBoxClose_, 0.0) << "pieces cut behind a box and not counted as they were cut";
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

namespace {

// The controller's reads of R variables, with a hook the machine runs just before each one.
UVEN_PFN_GetDatiCncEx s_controllerRead = nullptr;
std::function<void(int32_t first, int16_t count)> s_beforeRead;

int16_t ReadWithMachineStep(int16_t kind, int32_t number, int16_t count, float* values) {
    if (kind == UVEN_KIND_R && s_beforeRead) s_beforeRead(number, count);
    return s_controllerRead(kind, number, count, values);
}

// Seconds of a time text as the time log and the supervisor lines write it ("5\"", "3'",
// "3' 5\""); -1 for anything else.
int SecondsOf(const std::string& text) {
    const std::size_t minute = text.find('\'');
    const std::size_t second = text.find('"');
    if (text.empty() || (minute == std::string::npos && second == std::string::npos)) return -1;
    int total = 0;
    if (minute != std::string::npos) total += 60 * std::atoi(text.c_str());
    if (second != std::string::npos)
        total += std::atoi(text.c_str() + (minute == std::string::npos ? 0 : minute + 1));
    return total;
}

std::string Trimmed(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    const std::size_t b = s.find_last_not_of(" \r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

class BarTimeTest : public OnlineRunFixture {
protected:
    void TearDown() override {
        s_beforeRead = nullptr;
        if (s_controllerRead != nullptr) g_uvenlib.GetDatiCncEx = s_controllerRead;
        s_controllerRead = nullptr;
        OnlineRunFixture::TearDown();
    }
    CExecDialog* Monitor() {
        return MainFrame != nullptr ? qobject_cast<CExecDialog*>(MainFrame->execDialog.data()) : nullptr;
    }
    bool Running() { return Sim().SimProgramState() == SIM_RUN_RUNNING; }
};

} // namespace

// PORTE with "All": TRAVERSO (two pieces TRAV 900, three bars in one program), then MONTANTE (no pieces,
// four bars in one program), on a controller whose programs take minutes. The machine moves on
// in the middle of its monitor's ticks, as the tick reads the stop flag (R455) and once the
// labels of the last piece are out: to the next piece, or to the program's end, after the tick
// read the bar time (none yet) and before it reads the program's end. Each program's time is then logged once,
// under its own bar, by the monitor that ran it, after that bar's pieces; and the bar lines of a
// program share its time, adding up to it.
TEST_F(BarTimeTest, EachProgramsTimeIsLoggedByItsMonitorAndSharedByItsBars) {
    SetUpOnlineRun("PORTE.lda");
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 1);
    Sim().SimSetAutoAdvance(0);
    Sim().SimSetProgramTiming(700, 9000);
    Sim().SimSetDrivesRoot(drives_.c_str());
    Sim().SimClearLogs();
    s_controllerRead = g_uvenlib.GetDatiCncEx;
    g_uvenlib.GetDatiCncEx = &ReadWithMachineStep;
    s_beforeRead = [this](int32_t first, int16_t count) {
        CExecDialog* monitor = Monitor();
        if (first > 455 || first + count <= 455 || monitor == nullptr || monitor->EndResult() != 0 ||
            monitor->Phase() < 2 || app::g_labelPending != 0)
            return;
        const double before = Sim().SimGetR(590);
        while (Running() && Sim().SimGetR(590) == before) Sim().SimStepProgram(1);
    };
    // Up to the program's code and the cleared counter the machine goes a block at a time
    // between the monitor's ticks.
    QTimer machine;
    QObject::connect(&machine, &QTimer::timeout, [this] {
        CExecDialog* monitor = Monitor();
        if (Running() && monitor != nullptr && monitor->EndResult() == 0 && monitor->Phase() < 2 &&
            !(Sim().SimGetR(599) > 0.0 && Sim().SimGetR(590) == 0.0))
            Sim().SimStepProgram(1);
    });
    machine.start(5);
    ASSERT_TRUE(RunUntilClosed(60000)) << "the test run did not end";
    for (const auto& b : ui_->boxes) ADD_FAILURE() << "box " << b.title << ": " << b.text;
    EXPECT_EQ(ProgramStarts(), 2);

    // The time log: one line per program, under its own bar.
    std::map<std::string, int> logged; // bar name: seconds
    std::vector<std::string> order;
    const std::string tmx = ReadFile(program_ + "LOG/PORTE.tmx");
    for (std::size_t from = 0, eol; (eol = tmx.find("\r\n", from)) != std::string::npos; from = eol + 2) {
        const std::string line = tmx.substr(from, eol - from);
        if (line.size() != 60 || SecondsOf(Trimmed(line.substr(45))) < 0) continue;
        const std::string bar = Trimmed(line.substr(30, 15));
        order.push_back(bar);
        logged[bar] += SecondsOf(Trimmed(line.substr(45)));
    }
    ASSERT_EQ(order, (std::vector<std::string>{"TRAVERSO", "MONTANTE"})) << tmx;
    EXPECT_GT(logged["TRAVERSO"], 60) << tmx;
    EXPECT_GT(logged["MONTANTE"], 60) << tmx;

    // The supervisor's bar lines: "...;PIECE;PORTE;bar;code;length;count;0;time".
    app_->ExitInstance();
    const std::string events = EventLog();
    struct Expected {
        const char* bar;
        const char* piece; // the name its pieces are logged under
        std::size_t lines;
        const char* nextPiece; // of the next bar, whose first comes after this bar's lines
    };
    for (const Expected& e :
         {Expected{"TRAVERSO", "TRAV 900", 3, "MONTANTE"}, Expected{"MONTANTE", "MONTANTE", 4, nullptr}}) {
        SCOPED_TRACE(e.bar);
        const std::string tag = std::string(";PIECE;PORTE;") + e.bar + ";";
        const std::size_t lastPiece = events.rfind(std::string(";END-PIECE;PORTE;") + e.piece + ";");
        ASSERT_NE(lastPiece, std::string::npos) << events;
        std::size_t lines = 0;
        int seconds = 0;
        for (std::size_t at = events.find(tag); at != std::string::npos; at = events.find(tag, at + 1)) {
            ++lines;
            EXPECT_GT(at, lastPiece) << "a bar line before the bar was cut\n" << events;
            if (e.nextPiece != nullptr) {
                EXPECT_LT(at, events.find(std::string(";END-PIECE;PORTE;") + e.nextPiece + ";")) << events;
            }
            const std::string line = events.substr(at, events.find('\n', at) - at);
            seconds += SecondsOf(line.substr(line.rfind(';') + 1));
        }
        EXPECT_EQ(lines, e.lines) << events;
        EXPECT_EQ(seconds, logged[e.bar]) << "the bar lines add up to the program's time\n" << events;
    }
}
