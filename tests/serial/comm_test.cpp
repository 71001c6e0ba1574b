// MSerialComm on a pty: sends, receives, time-outs, user break, echoes, trace, settings.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <sys/file.h>

#include "pty_fixture.h"
#include "serial/serial_comm.h"

using namespace porvl4;
using serialtest::ElapsedMs;
using serialtest::Pty;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kTick = 60; // receive time-out of the tests, ms

// An owner window whose message pump runs a test's action.
class PumpWindow : public CommWindow {
public:
    void PumpMessages() override {
        ++pumps;
        if (action) action();
    }
    std::function<void()> action;
    int pumps = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CommTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.path.empty());
        serialtest::MapCom(1, pty.path);
    }
    // A link on COM1 with the short tick, opened.
    void Open(MSerialComm& comm) {
        comm.SetRecTimeOut(kTick);
        comm.OpenComm();
        ASSERT_TRUE(comm.Port()->IsOpen());
    }
    Pty pty;
};

TEST_F(CommTest, SendsReachThePeer) {
    MSerialComm comm(0, nullptr);
    Open(comm);
    const auto start = Clock::now();
    EXPECT_EQ(comm.SendChar('Q'), 0);
    EXPECT_LT(ElapsedMs(start), 2 * static_cast<int64_t>(kTick)); // ended by transmit-done, not ticks
    EXPECT_EQ(comm.SendString("hello"), 0);
    EXPECT_EQ(pty.Take(6), "Qhello");
}

TEST_F(CommTest, BytesArriveInOrderAndNulIsStripped) {
    MSerialComm comm(0, nullptr);
    Open(comm);
    std::string burst;
    for (int i = 0; i < 250; ++i) burst += static_cast<char>(1 + (i * 7) % 255);
    pty.Send(burst);
    std::vector<char> got(251, '\0');
    ASSERT_EQ(comm.ReceiveString(250, got.data()), 0);
    EXPECT_EQ(std::string(got.data(), 250), burst);
    EXPECT_EQ(got[250], '\0');

    pty.Send(std::string("A\0B", 3));
    char two[3] = {};
    ASSERT_EQ(comm.ReceiveString(2, two), 0);
    EXPECT_STREQ(two, "AB");

    ASSERT_EQ(comm.SetParametri(115200, 8, 'N', 1, 1, 0, "", 0), 1); // strip-NUL off
    pty.Send(std::string("A\0B", 3));
    char three[4] = {};
    ASSERT_EQ(comm.ReceiveString(3, three), 0);
    EXPECT_EQ(std::string(three, 3), std::string("A\0B", 3));
}

TEST_F(CommTest, ReceiveWithoutInputTimesOutAfterTwoTicks) {
    const std::string trace = testing::TempDir() + "serial_timeout.trc";
    MSerialComm comm(0, nullptr);
    comm.SetParametri(9600, 8, 'N', 1, 1, 0, trace.c_str());
    Open(comm);
    char c = 'x';
    const auto start = Clock::now();
    EXPECT_EQ(comm.ReceiveChar(c), -3);
    const int64_t ms = ElapsedMs(start);
    EXPECT_GE(ms, static_cast<int64_t>(kTick) - 5);     // more than one receive time-out
    EXPECT_LE(ms, 2 * static_cast<int64_t>(kTick) + 400); // at most two, with scheduling slack
    EXPECT_EQ(c, 'x');
    comm.CloseComm();
    EXPECT_EQ(ReadFile(trace), "INIZIO TEST\r\n<- err -3\r\nFINE TEST\r\n");
}

TEST_F(CommTest, TraceOfSendReceiveHoldsFourLines) {
    const std::string trace = testing::TempDir() + "serial_four.trc";
    MSerialComm comm(0, nullptr);
    comm.SetParametri(9600, 8, 'N', 1, 1, 0, trace.c_str());
    Open(comm);
    ASSERT_EQ(comm.SendChar(65), 0);
    pty.Send("B");
    char c = 0;
    ASSERT_EQ(comm.ReceiveChar(c), 0);
    EXPECT_EQ(c, 'B');
    comm.CloseComm();
    EXPECT_EQ(ReadFile(trace), "INIZIO TEST\r\n-> (65)\r\n<- (66)\r\nFINE TEST\r\n");
}

TEST_F(CommTest, UserBreakDiscardsUnreadBytes) {
    MSerialComm comm(0, nullptr);
    Open(comm);
    pty.Send("XYZ");
    ASSERT_TRUE(serialtest::WaitUnread(3));
    comm.SetUserBreak();
    char c = 0;
    EXPECT_EQ(comm.ReceiveChar(c), -4);
    EXPECT_EQ(serialtest::RingUnread(), 0);
    EXPECT_EQ(comm.ReceiveChar(c), -3); // nothing left, and the break was consumed
}

TEST_F(CommTest, UserBreakFromThePumpEndsAStringReceive) {
    PumpWindow win;
    MSerialComm comm(0, &win);
    comm.SetRecTimeOut(5000); // only the break can end this receive quickly
    ASSERT_EQ(comm.OpenComm(), nullptr);
    pty.Send("AB");
    ASSERT_TRUE(serialtest::WaitUnread(2));
    bool fired = false;
    win.action = [&] {
        if (fired) return;
        fired = true;
        pty.Send("CDE"); // arrives while the receive waits, then the operator breaks
        ASSERT_TRUE(serialtest::WaitUnread(3));
        comm.SetUserBreak();
    };
    char dst[8] = "unset";
    const auto start = Clock::now();
    // Two bytes are taken, then the wait pumps; the break comes with three bytes unread
    // that the receive would otherwise have taken.
    EXPECT_EQ(comm.ReceiveString(7, dst), -4);
    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_STREQ(dst, "unset");
    EXPECT_GE(win.pumps, 1);
    EXPECT_EQ(serialtest::RingUnread(), 0);
}

TEST_F(CommTest, EchoVariants) {
    MSerialComm comm(0, nullptr);
    Open(comm);
    char echo = 0;
    pty.Send("a");
    EXPECT_EQ(comm.SendCharE('A', echo), -1);
    EXPECT_EQ(echo, 'a');
    pty.Send("B");
    EXPECT_EQ(comm.SendCharE('B', echo), 0);
    EXPECT_EQ(pty.Take(2), "AB");

    pty.Send("HX");
    EXPECT_EQ(comm.SendStringE("HI"), -1);
    EXPECT_EQ(pty.Take(2), "HI");
    EXPECT_EQ(comm.SendCharE('Z', echo), -3); // no echo at all

    pty.Take(1); // the 'Z'
    pty.Send("ABC");
    std::string s = "old";
    EXPECT_EQ(comm.ReceiveStringE(3, s), 0);
    EXPECT_EQ(s, "ABC");
    EXPECT_EQ(pty.Take(3), "ABC");

    char c = 'q';
    EXPECT_EQ(comm.ReceiveCharE(c), -3); // failed receive: a 0 byte goes back
    EXPECT_EQ(c, '\0');
    EXPECT_EQ(pty.Take(1), std::string(1, '\0'));
}

TEST_F(CommTest, SettingsStoredBeforeOpenAppliedWhileOpen) {
    Pty com2;
    serialtest::MapCom(2, com2.path);
    serialtest::MapCom(1, "/nonexistent/tty");
    MSerialComm comm(0, nullptr);
    EXPECT_EQ(comm.SetParametri(9600, 8, 'e', 15, 2, 0, "", 1), 0); // not open: stored only
    comm.SetRecTimeOut(kTick);
    comm.OpenComm();
    ASSERT_TRUE(comm.Port()->IsOpen()); // COM2 from the stored port number
    CComPortWnd& port = *comm.Port();
    EXPECT_EQ(port.GetBaudRate(), 115200); // the open's own settings
    EXPECT_EQ(port.GetParity(), 0);

    EXPECT_EQ(comm.SetParametri(9600, 8, 'e', 15, 2, 0, "", 1), 1);
    EXPECT_EQ(port.GetBaudRate(), 9600);
    EXPECT_EQ(port.GetParity(), kParityEven);
    EXPECT_EQ(port.GetStopBits(), kStopOneAndHalf);

    EXPECT_EQ(comm.SetParametri(300, 8, 'N', 1, 2, 0, ""), 0); // not a supported rate
    EXPECT_EQ(comm.SetParametri(9600, 9, 'N', 1, 2, 0, ""), 0);
    EXPECT_EQ(comm.SetParametri(9600, 8, 'x', 1, 2, 0, ""), 0);
    EXPECT_EQ(comm.SetParametri(9600, 8, 'N', 3, 2, 0, ""), 0);
    EXPECT_EQ(port.GetBaudRate(), 9600); // refused settings change nothing
    EXPECT_EQ(comm.SetParametri(56000, 7, 'M', 2, 2, 0, ""), 1);
    EXPECT_EQ(port.GetParity(), kParityMark);
    EXPECT_EQ(port.GetStopBits(), kStopTwo);
    EXPECT_EQ(comm.SetParametri(14400, 8, 's', 1, 2, 0, ""), 1);
    EXPECT_EQ(port.GetParity(), kParitySpace);

    com2.Send("k");
    char c = 0;
    EXPECT_EQ(comm.ReceiveChar(c), 0);
    EXPECT_EQ(c, 'k');
}

TEST_F(CommTest, FailedOpenAndClosedPort) {
    serialtest::MapCom(1, "/nonexistent/tty");
    MSerialComm comm(0, nullptr);
    comm.SetRecTimeOut(kTick);
    EXPECT_EQ(comm.OpenComm(), nullptr);
    EXPECT_FALSE(comm.Port()->IsOpen());
    char c = 0;
    const auto start = Clock::now();
    EXPECT_EQ(comm.ReceiveChar(c), -4);                    // no reader: no endless wait
    EXPECT_EQ(comm.SendChar('a'), static_cast<int>(kErrInvalidHandle)); // not sent, said so
    EXPECT_EQ(comm.SendString("a"), static_cast<int>(kErrInvalidHandle));
    EXPECT_LT(ElapsedMs(start), 1000);
}

TEST_F(CommTest, MutexThatCannotBeHadIsAnError) {
    MSerialComm comm(0, nullptr);
    Open(comm);
    auto& m = Module();
    ASSERT_TRUE(m.transmitMutex.IsShared());
    ASSERT_TRUE(m.ringMutex.IsShared());
    const uint32_t saved = m.mutexWaitMs;
    m.mutexWaitMs = 50;
    pty.Send("r");
    ASSERT_TRUE(serialtest::WaitUnread(1));

    // Another holder of "QX3W" and "QX3R" (another process would look the same).
    const int w = ::open(m.transmitMutex.Path().c_str(), O_RDWR);
    const int r = ::open(m.ringMutex.Path().c_str(), O_RDWR);
    ASSERT_GE(w, 0);
    ASSERT_GE(r, 0);
    ASSERT_EQ(::flock(w, LOCK_EX), 0);
    EXPECT_EQ(comm.SendChar('s'), static_cast<int>(kErrTimeout));
    EXPECT_EQ(pty.Pending(), ""); // nothing was sent
    ::flock(w, LOCK_UN);

    ASSERT_EQ(::flock(r, LOCK_EX), 0);
    char c = 0;
    EXPECT_EQ(comm.ReceiveChar(c), static_cast<int>(kErrTimeout));
    EXPECT_EQ(c, 0);
    ::flock(r, LOCK_UN);
    ::close(w);
    ::close(r);
    m.mutexWaitMs = saved;

    EXPECT_EQ(comm.ReceiveChar(c), 0); // the byte is still there
    EXPECT_EQ(c, 'r');
}

TEST_F(CommTest, RingOverrunKeepsTheFirstBytes) {
    MSerialComm comm(0, nullptr);
    Open(comm);
    auto& m = Module();
    const uint64_t dropped = m.droppedBytes;
    std::string flood;
    for (int i = 0; i < 3000; ++i) flood += static_cast<char>(1 + i % 200);
    pty.Send(flood);
    const auto start = Clock::now();
    while (m.droppedBytes - dropped < 3000 - 2047 && ElapsedMs(start) < 3000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(m.droppedBytes - dropped, 3000u - 2047u);
    std::vector<char> got(2047);
    ASSERT_EQ(comm.ReceiveFromPort(got.data(), 2047), 0);
    EXPECT_EQ(std::string(got.data(), got.size()), flood.substr(0, 2047));
    char c = 0;
    EXPECT_EQ(comm.ReceiveChar(c), -3);
}

TEST_F(CommTest, ResetCommDiscardsInput) {
    MSerialComm comm(0, nullptr);
    Open(comm);
    pty.Send("junk");
    ASSERT_TRUE(serialtest::WaitUnread(4));
    comm.ResetComm();
    EXPECT_EQ(serialtest::RingUnread(), 0);
    pty.Send("k");
    char c = 0;
    EXPECT_EQ(comm.ReceiveChar(c), 0);
    EXPECT_EQ(c, 'k');
}

} // namespace

namespace {

// The far end of the line hangs up (the pty's master closed): every receive still ends on its
// time-out, with the hang-up named, instead of waiting for ever. A receive that does not end
// within a few seconds is broken off (user break) so the test reports it instead of hanging.
TEST_F(CommTest, ReceivesOnAHungUpLineEndOnTheirTimeOut) {
    const std::string trace = testing::TempDir() + "serial_hangup.trc";
    MSerialComm comm(0, nullptr);
    comm.SetParametri(9600, 8, 'N', 1, 1, 0, trace.c_str());
    Open(comm);
    pty.Send("A");
    ASSERT_TRUE(serialtest::WaitUnread(1));
    ::close(pty.master);
    pty.master = -1;
    auto bounded = [&comm](const std::function<int()>& receive, int64_t& ms) {
        const auto start = Clock::now();
        auto done = std::async(std::launch::async, receive);
        if (done.wait_for(std::chrono::seconds(3)) != std::future_status::ready) comm.SetUserBreak();
        const int r = done.get();
        ms = ElapsedMs(start);
        return r;
    };
    const struct {
        const char* what;
        std::function<int()> receive;
        int result;
    } cases[] = {
        {"the byte that came before the hang-up is still read",
         [&] {
             char c = 0;
             const int r = comm.ReceiveChar(c);
             return r == 0 && c == 'A' ? 0 : 99;
         },
         0},
        {"ReceiveChar",
         [&] {
             char c = 0;
             return comm.ReceiveChar(c);
         },
         kCommHangUp},
        {"ReceiveString",
         [&] {
             char s[4] = {};
             return comm.ReceiveString(3, s);
         },
         kCommHangUp},
        // ResetComm has no result: that it ends in time is the check (its end is in the trace).
        {"ResetComm",
         [&] {
             comm.ResetComm();
             return kCommHangUp;
         },
         kCommHangUp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int64_t ms = 0;
        EXPECT_EQ(bounded(c.receive, ms), c.result);
        EXPECT_LE(ms, 2 * static_cast<int64_t>(kTick) + 400); // two ticks at most, not the break
    }
    comm.CloseComm();
    EXPECT_EQ(ReadFile(trace), "INIZIO TEST\r\n<- (65)\r\n<- err -5\r\n<- err -5\r\n<- err -5\r\nFINE TEST\r\n");
}

} // namespace
