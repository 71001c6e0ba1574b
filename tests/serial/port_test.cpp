// The port layer: opening, settings, the reader thread and the receive ring, on a pty.
#include <gtest/gtest.h>

#include <cstring>
#include <termios.h>
#include <vector>

#include "pty_fixture.h"
#include "serial/com_port.h"
#include "tty_line.h"

using namespace porvl4;
using serialtest::Pty;

namespace {

class PortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.path.empty());
        serialtest::MapCom(1, pty.path);
        Module().receiveTimeOut = 5000;
    }
    Pty pty;
};

TEST_F(PortTest, ClosedPortOperationsGiveInvalidHandle) {
    CComPort port;
    EXPECT_EQ(port.Close(), 0u);
    EXPECT_EQ(port.Setup(9600, 8, 0, 0, 1), kErrInvalidHandle);
    EXPECT_EQ(port.SetEventChar('x', true), kErrInvalidHandle);
    EXPECT_EQ(port.SetMask(EV_RXCHAR), kErrInvalidHandle);
    EXPECT_EQ(port.WaitEvent(10), kErrInvalidHandle);
    EXPECT_EQ(port.SetHandshaking(0), kErrInvalidHandle);
    EXPECT_EQ(port.SetReadTimeouts(0), kErrInvalidHandle);
    EXPECT_EQ(port.GetBaudRate(), -1);
    EXPECT_EQ(port.GetDataBits(), -1);
    EXPECT_EQ(port.GetParity(), -1);
    EXPECT_EQ(port.GetStopBits(), -1);
    EXPECT_EQ(port.GetHandshaking(), -1);
    EXPECT_EQ(port.GetEventMask(), 0u);
    EXPECT_EQ(port.GetEventChar(), 0);
    uint32_t n = 99;
    char buf[4];
    EXPECT_EQ(port.Write("a", 1, &n, 10), kErrInvalidHandle);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(port.WriteString("a", &n, 10), kErrInvalidHandle);
    EXPECT_EQ(port.Read(buf, sizeof buf, &n, 10), kErrInvalidHandle);
    EXPECT_EQ(port.LastError(), kErrInvalidHandle);
}

TEST_F(PortTest, OpenSetsDefaultsOnceAndIsExclusive) {
    CComPort port;
    ASSERT_EQ(port.Open("com1", 2048, 2048), 0u);
    EXPECT_EQ(port.GetBaudRate(), 115200);
    EXPECT_EQ(port.GetDataBits(), 8);
    EXPECT_EQ(port.GetParity(), 0);
    EXPECT_EQ(port.GetStopBits(), 0);
    EXPECT_EQ(port.GetHandshaking(), 0);
    EXPECT_EQ(port.GetEventMask(), 0xC5u);
    EXPECT_TRUE(port.StripNul());

    ASSERT_EQ(port.Setup(9600, 7, kParityEven, kStopTwo, 0), 0u);
    EXPECT_EQ(port.Open("COM1", 2048, 2048), kErrAlreadyInitialized);
    EXPECT_EQ(port.LastError(), kErrAlreadyInitialized);
    EXPECT_EQ(port.GetBaudRate(), 9600); // left as it was
    EXPECT_EQ(port.GetDataBits(), 7);

    CComPort other;
    EXPECT_EQ(other.Open("COM1", 2048, 2048), kErrAccessDenied);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(port.Close(), 0u);
    EXPECT_EQ(port.Close(), 0u);
    EXPECT_EQ(other.Open("COM1", 2048, 2048), 0u); // free again after close

    serialtest::MapCom(9, "/nonexistent/tty");
    CComPort missing;
    EXPECT_EQ(missing.Open("COM9", 2048, 2048), kErrFileNotFound);
}

TEST_F(PortTest, SettingsModesAndRefusals) {
    CComPort port;
    ASSERT_EQ(port.Open("COM1", 2048, 2048), 0u);
    EXPECT_EQ(port.SetHandshaking(3), kErrInvalidArg);
    EXPECT_EQ(port.SetReadTimeouts(2), kErrInvalidArg);
    EXPECT_EQ(port.SetReadTimeouts(1), 0u);

    ASSERT_EQ(port.Setup(19200, 8, kParityMark, kStopOneAndHalf, 1), 0u);
    EXPECT_EQ(port.GetParity(), kParityMark);
    EXPECT_EQ(port.GetStopBits(), kStopOneAndHalf);
    EXPECT_EQ(port.Setup(14400, 8, kParitySpace, kStopOne, 1), 0u);
    EXPECT_EQ(port.GetBaudRate(), 14400);
    // Refused values leave the line as it was.
    EXPECT_EQ(port.Setup(12345, 8, 0, 0, 1), kErrInvalidParameter);
    EXPECT_EQ(port.Setup(0xFFFFFFFFu, 8, 0, 0, 1), kErrInvalidParameter);
    EXPECT_EQ(port.Setup(9600, 255, 0, 0, 1), kErrInvalidParameter);
    EXPECT_EQ(port.Setup(9600, 8, 255, 0, 1), kErrInvalidParameter);
    EXPECT_EQ(port.Setup(9600, 8, 0, 255, 1), kErrInvalidParameter);
    EXPECT_EQ(port.GetBaudRate(), 14400);
    EXPECT_EQ(port.GetParity(), kParitySpace);

    // What a pty keeps of the settings shows on the line itself.
    ASSERT_EQ(port.Setup(9600, 8, 0, kStopTwo, 1), 0u);
    ASSERT_EQ(port.SetHandshaking(1), 0u);
    EXPECT_EQ(port.GetHandshaking(), 1);
    termios t{};
    ASSERT_EQ(::tcgetattr(port.Fd(), &t), 0);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    ASSERT_EQ(port.SetHandshaking(2), 0u);
    EXPECT_EQ(port.GetHandshaking(), 2);
    ASSERT_EQ(::tcgetattr(port.Fd(), &t), 0);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    ASSERT_EQ(port.SetHandshaking(0), 0u);
    EXPECT_EQ(port.GetHandshaking(), 0);
}

TEST(TtyLine, ParityStopBitsAndRateMapToTermios) {
    tty::LineRequest req;
    tty::TermiosFlags f{ICRNL | IXON, OPOST, CS5 | PARENB, ICANON | ECHO, 0};
    req.dataBits = 7;
    req.parity = 3; // mark
    req.stopBits = 1;
    req.baud = 56000;
    ASSERT_TRUE(tty::MapLine(req, f));
    EXPECT_EQ(f.cflag & CSIZE, static_cast<uint32_t>(CS7));
    EXPECT_EQ(f.cflag & (PARENB | PARODD | CMSPAR), static_cast<uint32_t>(PARENB | PARODD | CMSPAR));
    EXPECT_TRUE(f.cflag & CSTOPB); // 1.5 goes out as 2
    EXPECT_TRUE(f.iflag & INPCK);
    EXPECT_FALSE(f.iflag & (ICRNL | IXON));
    EXPECT_FALSE(f.oflag & OPOST);
    EXPECT_FALSE(f.lflag & (ICANON | ECHO));
    EXPECT_EQ(f.speed, 56000u);

    const struct {
        int parity;
        uint32_t bits;
    } cases[] = {{0, 0}, {1, PARENB | PARODD}, {2, PARENB}, {4, PARENB | CMSPAR}};
    for (const auto& c : cases) {
        req.parity = c.parity;
        ASSERT_TRUE(tty::MapLine(req, f));
        EXPECT_EQ(f.cflag & (PARENB | PARODD | CMSPAR), c.bits) << "parity " << c.parity;
    }
    req.parity = 0;
    req.stopBits = 0;
    ASSERT_TRUE(tty::MapLine(req, f));
    EXPECT_FALSE(f.cflag & CSTOPB);
    EXPECT_FALSE(f.iflag & INPCK);

    for (uint32_t bad : {0u, 300000u, 0xFFFFFFFFu}) {
        req.baud = bad;
        EXPECT_FALSE(tty::MapLine(req, f)) << bad;
    }
    EXPECT_TRUE(tty::IsSupportedBaud(14400));
    EXPECT_TRUE(tty::IsSupportedBaud(300));
}

TEST_F(PortTest, StripNulRemovesNulBytesFromReads) {
    CComPort port;
    ASSERT_EQ(port.Open("COM1", 2048, 2048), 0u);
    pty.Send(std::string("A\0B", 3));
    ASSERT_EQ(port.WaitEvent(2000), 0u);
    char buf[8] = {};
    uint32_t got = 0;
    ASSERT_EQ(port.Read(buf, sizeof buf, &got, 0), 0u);
    // The bytes may arrive in two reads; collect until both non-NUL bytes are in.
    std::string all(buf, got);
    for (int i = 0; i < 100 && all.size() < 2; ++i) {
        port.WaitEvent(20);
        port.Read(buf, sizeof buf, &got, 0);
        all.append(buf, got);
    }
    EXPECT_EQ(all, "AB");

    ASSERT_EQ(port.Setup(115200, 8, 0, 0, 0), 0u);
    pty.Send(std::string("\0\0", 2));
    std::string raw;
    for (int i = 0; i < 100 && raw.size() < 2; ++i) {
        port.WaitEvent(20);
        port.Read(buf, sizeof buf, &got, 0);
        raw.append(buf, got);
    }
    EXPECT_EQ(raw, std::string("\0\0", 2));
}

TEST_F(PortTest, ReaderMovesABurstIntoTheRingInOrder) {
    CComPortReader port;
    ASSERT_EQ(port.Open("COM1", 0, 0, 0, 2048, 2048), 0u);
    EXPECT_TRUE(port.ThreadRunning());
    std::string burst;
    for (int i = 0; i < 250; ++i) burst += static_cast<char>(1 + i % 250); // no NUL
    pty.Send(burst);
    ASSERT_TRUE(serialtest::WaitUnread(250));
    auto& m = Module();
    ASSERT_TRUE(m.ringMutex.Lock(1000));
    std::string got;
    uint8_t b;
    while (m.TakeByte(b)) got += static_cast<char>(b);
    EXPECT_EQ(m.dataAvailable.load(), 1);
    m.ringMutex.Unlock();
    EXPECT_EQ(got, burst);

    // Close clears the ring and its indices.
    pty.Send("xyz");
    ASSERT_TRUE(serialtest::WaitUnread(3));
    ASSERT_EQ(port.Close(), 0u);
    EXPECT_EQ(m.writeIndex, -1);
    EXPECT_EQ(m.readIndex, -1);
    EXPECT_EQ(m.dataAvailable.load(), 0);
    EXPECT_EQ(m.timeOut.load(), 0);
    for (int i = 0; i < m.ringSize; ++i) ASSERT_EQ(m.ring[static_cast<size_t>(i)], 0) << i;
    EXPECT_FALSE(port.ThreadRunning());
}

TEST_F(PortTest, ReaderRaisesOneTimeOutFlagPerReceiveTimeOut) {
    auto& m = Module();
    m.receiveTimeOut = 30;
    CComPortReader port;
    ASSERT_EQ(port.Open("COM1", 0, 0, 0, 2048, 2048), 0u);
    int ticks = 0;
    const auto start = std::chrono::steady_clock::now();
    while (serialtest::ElapsedMs(start) < 300) {
        if (m.timeOut.exchange(0)) ++ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    port.Close();
    m.receiveTimeOut = 5000;
    EXPECT_GE(ticks, 3);
    EXPECT_LE(ticks, 11); // never faster than one per 30 ms
}

TEST_F(PortTest, OneReadingPortPerProcess) {
    Pty other;
    serialtest::MapCom(2, other.path);
    CComPortReader first, second;
    ASSERT_EQ(first.Open("COM1", 0, 0, 0, 2048, 2048), 0u);
    EXPECT_EQ(second.Open("COM2", 0, 0, 0, 2048, 2048), kErrAlreadyInitialized);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open("COM2", 0, 0, 0, 2048, 2048), 0u);
}

TEST(SerialRing, FullRingDropsNewBytesAndKeepsUnreadOnes) {
    SerialModule m;
    m.ring.reset(new uint8_t[static_cast<size_t>(m.ringSize)]());
    for (int i = 0; i < 3000; ++i) m.StoreByte(static_cast<uint8_t>(i % 251));
    EXPECT_EQ(m.Unread(), m.ringSize - 1);
    EXPECT_EQ(m.droppedBytes.load(), static_cast<uint64_t>(3000 - (m.ringSize - 1)));
    uint8_t b = 0;
    for (int i = 0; i < m.ringSize - 1; ++i) {
        ASSERT_TRUE(m.TakeByte(b));
        ASSERT_EQ(b, i % 251) << i;
    }
    EXPECT_FALSE(m.TakeByte(b));
    // After wrapping, room comes back as bytes are taken.
    EXPECT_TRUE(m.StoreByte(7));
    ASSERT_TRUE(m.TakeByte(b));
    EXPECT_EQ(b, 7);
}

} // namespace
