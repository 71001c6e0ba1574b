// Dynamic libraries, detached processes, the single-instance lock, serial ports on a
// pseudo-terminal, and the clocks.
#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/memory.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/serial_tty.h"
#include "platform/single_instance.h"
#include "test_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using plat_test::ReadBytes;
using plat_test::TempDir;

using AnswerFn = int (*)(int);

// ---- dynamic libraries ----

TEST(DynLib, LoadsByDllNameAndResolvesSymbol) {
    const std::string dll = std::string(PLAT_TESTLIB_DIR) + "/PLATTEST.DLL"; // -> libplattest.so
    plat::LibHandle lib = plat::LoadLibraryByName(dll);
    ASSERT_NE(lib, nullptr) << plat::LastLibraryError();
    auto fn = reinterpret_cast<AnswerFn>(plat::GetProcAddress(lib, "PlatTestAnswer"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn(20), 41);
    EXPECT_EQ(plat::GetProcAddress(lib, "NoSuchSymbol"), nullptr);
    EXPECT_FALSE(plat::LastLibraryError().empty());
    plat::FreeLibrary(lib);
}

TEST(DynLib, BareNameFoundBesideTheProgram) {
    const std::string saved = plat::ProgramDirectory();
    plat::SetProgramDirectory(PLAT_TESTLIB_DIR);
    plat::LibHandle lib = plat::LoadLibraryByName("plattest");
    plat::SetProgramDirectory(saved);
    ASSERT_NE(lib, nullptr) << plat::LastLibraryError();
    EXPECT_NE(plat::GetProcAddress(lib, "PlatTestAnswer"), nullptr);
    plat::FreeLibrary(lib);
}

TEST(DynLib, MissingLibraryReportsFailure) {
    EXPECT_EQ(plat::LoadLibraryByName("BrelonNoSuchLibrary"), nullptr);
    EXPECT_NE(plat::LastLibraryError().find("BrelonNoSuchLibrary"), std::string::npos);
    EXPECT_EQ(plat::LoadLibraryByName("C:\\NOWHERE\\X.DLL"), nullptr);
    EXPECT_EQ(plat::LoadLibraryByName(""), nullptr);
    EXPECT_EQ(plat::GetProcAddress(nullptr, "x"), nullptr);
}

// ---- processes ----

bool WaitForFile(const std::string& path, std::string& content) {
    for (int i = 0; i < 500; ++i) { // up to 5 s
        content = ReadBytes(path);
        if (!content.empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(Process, StartsDetachedWithVerbatimArgumentsAndLeavesNoChild) {
    TempDir dir;
    const std::string out = dir / "out.txt";
    // The argument reaches the program as one word, shell characters and all.
    const std::string arg = "a b;$(touch x)*";
    // The shell writes its argument and its /proc stat line (pid, session) atomically.
    ASSERT_TRUE(plat::StartDetached(
        "/bin/sh", {"-c", "{ printf '%s\\n' \"$1\"; cat /proc/$$/stat; } > \"$2.tmp\" && mv \"$2.tmp\" \"$2\"", "sh",
                    arg, out}));
    std::string content;
    ASSERT_TRUE(WaitForFile(out, content));
    const size_t nl = content.find('\n');
    ASSERT_NE(nl, std::string::npos);
    EXPECT_EQ(content.substr(0, nl), arg);
    // In its own session: the session id is its own pid, not ours.
    const std::string stat = content.substr(nl + 1);
    const long pid = std::strtol(stat.c_str(), nullptr, 10);
    char state = 0;
    long ppid = 0, pgrp = 0, sid = 0;
    ASSERT_EQ(std::sscanf(stat.c_str() + stat.rfind(')') + 1, " %c %ld %ld %ld", &state, &ppid, &pgrp, &sid), 4);
    EXPECT_EQ(sid, pid);
    EXPECT_NE(sid, static_cast<long>(::getsid(0)));
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
    // No child of ours is left, running or zombie: the intermediate was reaped and the
    // program belongs to init.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(Process, MissingProgramIsReported) {
    EXPECT_FALSE(plat::StartDetached("/nonexistent/brelon-program", {}));
    EXPECT_FALSE(plat::StartDetached("brelon-no-such-program-in-path", {"x"}));
    EXPECT_FALSE(plat::StartDetached("", {}));
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

// ---- single instance ----

TEST(SingleInstance, SecondLockIsRefusedUntilTheFirstIsReleased) {
    TempDir dir;
    plat::SingleInstanceLock first("VELMO", dir.path());
    ASSERT_TRUE(first.Acquired());
    EXPECT_TRUE(std::filesystem::exists(dir / "VELMO.lock"));
    {
        plat::SingleInstanceLock second("VELMO", dir.path()); // its own open file description
        EXPECT_FALSE(second.Acquired());
        EXPECT_TRUE(second.Held());
    }
    // A lock file that cannot be made is not another instance's.
    plat::SingleInstanceLock nowhere("VELMO", dir / "missing");
    EXPECT_FALSE(nowhere.Acquired());
    EXPECT_FALSE(nowhere.Held());
    EXPECT_NE(nowhere.Error().find("missing/VELMO.lock"), std::string::npos);
    plat::SingleInstanceLock other("OTHER", dir.path());
    EXPECT_TRUE(other.Acquired());
    first.Release();
    EXPECT_FALSE(first.Acquired());
    plat::SingleInstanceLock third("VELMO", dir.path());
    EXPECT_TRUE(third.Acquired());
}

TEST(SingleInstance, DefaultsToTmpdir) {
    TempDir dir;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    {
        plat::SingleInstanceLock lock("BRELONTEST");
        EXPECT_TRUE(lock.Acquired());
        EXPECT_TRUE(std::filesystem::exists(dir / "BRELONTEST.lock"));
    }
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
}

// ---- serial ports ----

class Pty : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        device_ = name;
    }
    void TearDown() override {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    std::string ReadMaster(size_t want) {
        std::string got;
        int idle = 0; // give up after 2 s without data
        while (got.size() < want && idle < 40) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                ++idle;
            } else {
                idle = 0;
                char buf[4096];
                ssize_t r = ::read(master_, buf, sizeof buf);
                if (r > 0) got.append(buf, static_cast<size_t>(r));
            }
        }
        return got;
    }
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
};

// The Linux pseudo-terminal forces 8 data bits and no parity on its side, so the
// character format is checked on the settings Open applies, and the rest on the device.
TEST(SerialSettings, CharacterFormatParityAndStopBits) {
    plat::SerialSettings s;
    s.baud = 9600;
    s.dataBits = 7;
    s.parity = plat::Parity::Even;
    termios t{};
    std::string error;
    ASSERT_TRUE(plat::ApplySerialSettings(s, t, error)) << error;
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), static_cast<tcflag_t>(PARENB));
    EXPECT_TRUE(t.c_iflag & INPCK);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));

    struct Row {
        int bits;
        plat::Parity parity;
        plat::StopBits stop;
        tcflag_t size, flags;
    };
    for (const Row& r : {Row{5, plat::Parity::Odd, plat::StopBits::OneAndHalf, CS5, PARENB | PARODD | CSTOPB},
                         Row{6, plat::Parity::Mark, plat::StopBits::One, CS6, PARENB | PARODD | CMSPAR},
                         Row{8, plat::Parity::Space, plat::StopBits::Two, CS8, PARENB | CMSPAR | CSTOPB},
                         Row{8, plat::Parity::None, plat::StopBits::One, CS8, 0}}) {
        s.dataBits = r.bits;
        s.parity = r.parity;
        s.stopBits = r.stop;
        termios u{};
        ASSERT_TRUE(plat::ApplySerialSettings(s, u, error)) << error;
        EXPECT_EQ(u.c_cflag & CSIZE, r.size) << r.bits;
        EXPECT_EQ(u.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), r.flags) << r.bits;
    }
    s.dataBits = 4;
    EXPECT_FALSE(plat::ApplySerialSettings(s, t, error));
    s.dataBits = 8;
    s.baud = 12345;
    EXPECT_FALSE(plat::ApplySerialSettings(s, t, error));
    EXPECT_NE(error.find("baud"), std::string::npos);
}

TEST_F(Pty, OpensRawWithSpeedStopBitsAndFlowControl) {
    plat::SerialPort port;
    plat::SerialSettings s;
    s.baud = 115200;
    s.dataBits = 7;
    s.parity = plat::Parity::Even;
    s.stopBits = plat::StopBits::Two;
    s.rtsCts = true;
    s.xonXoff = true;
    ASSERT_TRUE(port.Open(device_, s)) << port.LastError();
    termios t{};
    ASSERT_EQ(::tcgetattr(port.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B115200));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_FALSE(t.c_iflag & (ICRNL | INLCR | IGNCR));

    // Reopened with the defaults: flow control off, one stop bit, 9600.
    ASSERT_TRUE(port.Open(device_, plat::SerialSettings{})) << port.LastError();
    ASSERT_EQ(::tcgetattr(port.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_FALSE(t.c_cflag & (CSTOPB | CRTSCTS));
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
}

TEST_F(Pty, BytesTravelBothWaysUnchanged) {
    plat::SerialPort port;
    ASSERT_TRUE(port.Open(device_, plat::SerialSettings{})) << port.LastError();
    const std::string out("R1=5\r\n\x00\x11\xFF", 9);
    EXPECT_EQ(port.Write(out.data(), out.size()), out.size());
    EXPECT_EQ(ReadMaster(out.size()), out);

    const std::string in("OK\r\x13\n", 5);
    ASSERT_EQ(::write(master_, in.data(), in.size()), static_cast<ssize_t>(in.size()));
    std::string got;
    for (int i = 0; i < 20 && got.size() < in.size(); ++i) {
        char buf[16];
        long r = port.Read(buf, sizeof buf, 100);
        ASSERT_GE(r, 0) << port.LastError();
        got.append(buf, static_cast<size_t>(r));
    }
    EXPECT_EQ(got, in);
    char buf[4];
    EXPECT_EQ(port.Read(buf, sizeof buf, 20), 0); // nothing more: times out
}

TEST_F(Pty, LargeWriteIsDeliveredWhole) {
    plat::SerialPort port;
    ASSERT_TRUE(port.Open(device_, plat::SerialSettings{})) << port.LastError();
    std::string out(20000, '\0');
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>('A' + i % 23);
    std::string got;
    std::thread reader([&] { got = ReadMaster(out.size()); });
    EXPECT_EQ(port.Write(out.data(), out.size()), out.size()) << port.LastError();
    reader.join();
    EXPECT_EQ(got, out);
}

TEST_F(Pty, ComNameMapsToConfiguredDeviceAndIsExclusive) {
    plat::SetComDevice(7, device_);
    EXPECT_EQ(plat::ComDevicePath(7), device_);
    plat::SerialPort port;
    ASSERT_TRUE(port.Open("COM7", plat::SerialSettings{})) << port.LastError();
    if (::geteuid() != 0) { // root may open an exclusive terminal anyway
        plat::SerialPort second;
        EXPECT_FALSE(second.Open("com7", plat::SerialSettings{}));
        EXPECT_FALSE(second.IsOpen());
    }
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    plat::SetComDevice(7, "");
    EXPECT_EQ(plat::ComDevicePath(7), "/dev/ttyS6");
}

TEST(Serial, EnvironmentWinsAndBadSettingsAreRefused) {
    ::setenv("BRELON_COM3", "/dev/brelon-test", 1);
    plat::SetComDevice(3, "/dev/other");
    EXPECT_EQ(plat::ComDevicePath(3), "/dev/brelon-test");
    ::unsetenv("BRELON_COM3");
    EXPECT_EQ(plat::ComDevicePath(3), "/dev/other");
    plat::SetComDevice(3, "");
    EXPECT_EQ(plat::ComDevicePath(1), "/dev/ttyS0");

    EXPECT_TRUE(plat::IsSupportedBaud(9600));
    EXPECT_TRUE(plat::IsSupportedBaud(115200));
    EXPECT_FALSE(plat::IsSupportedBaud(12345));
    EXPECT_FALSE(plat::IsSupportedBaud(0));

    plat::SerialPort port;
    plat::SerialSettings s;
    s.baud = 12345;
    EXPECT_FALSE(port.Open("/dev/null", s));
    EXPECT_NE(port.LastError().find("baud"), std::string::npos);
    s.baud = 9600;
    s.dataBits = 9;
    EXPECT_FALSE(port.Open("/dev/null", s));
    s.dataBits = 8;
    EXPECT_FALSE(port.Open("/dev/null", s)); // not a terminal
    EXPECT_FALSE(port.Open("COM0", s));
    EXPECT_FALSE(port.Open("LPT1", s));
    EXPECT_FALSE(port.IsOpen());
    char buf[2];
    EXPECT_EQ(port.Read(buf, 2, 0), -1);
    EXPECT_EQ(port.Write("x", 1), 0u);
}

// ---- clocks ----

TEST(Clock, FakeClockMovesOnlyWhenTold) {
    plat::FakeClock fake;
    plat::SetClock(&fake);
    EXPECT_EQ(&plat::CurrentClock(), &fake);
    plat::SleepMs(1500);
    EXPECT_EQ(plat::MonotonicMs(), 1500);
    EXPECT_EQ(fake.Sleeps(), 1);
    const plat::LocalTime t = fake.Now();
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.second, 1);
    EXPECT_EQ(t.millisecond, 500);
    EXPECT_EQ(t.weekday, 4); // Thursday
    fake.Advance(86400000);
    EXPECT_EQ(fake.NowUtc().day, 2);
    EXPECT_EQ(fake.Time(), 1767225600 + 86401);
    plat::SetClock(nullptr);
    EXPECT_EQ(&plat::CurrentClock(), &plat::SystemClock());
}

TEST(Clock, SystemClockIsMonotonicAndSane) {
    plat::Clock& c = plat::SystemClock();
    const int64_t a = c.MonotonicMs();
    c.SleepMs(5);
    EXPECT_GE(c.MonotonicMs() - a, 5);
    const plat::LocalTime u = c.NowUtc();
    EXPECT_GE(u.year, 2024);
    EXPECT_GE(u.month, 1);
    EXPECT_LE(u.month, 12);
    EXPECT_LT(u.millisecond, 1000);
    EXPECT_GT(c.Time(), 1700000000);
}

} // namespace

// Large-page memory holds its bytes at every size around the point where it leaves the heap,
// at one byte more than whole large pages, and when a container grows through it.
TEST(LargeMemory, BuffersKeepTheirBytes) {
    for (const std::size_t size : {std::size_t{1}, plat::kLargeMemoryMin - 1, plat::kLargeMemoryMin,
                                   (std::size_t{4} << 20) + 1, (std::size_t{9} << 20) + 123}) {
        plat::LargeBytes bytes = plat::AllocateLargeBytes(size);
        ASSERT_NE(bytes, nullptr) << size;
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < size; ++i) wrong += bytes[i] != static_cast<uint8_t>(i * 7 + 1);
        EXPECT_EQ(wrong, 0u) << size;
    }
    std::vector<uint64_t, plat::LargePageAllocator<uint64_t>> grown;
    for (uint64_t i = 0; i < 400000; ++i) grown.push_back(i * 3);
    std::size_t wrong = 0;
    for (uint64_t i = 0; i < grown.size(); ++i) wrong += grown[i] != i * 3;
    EXPECT_EQ(wrong, 0u);
}
