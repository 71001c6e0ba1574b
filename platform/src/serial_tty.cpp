// Serial port on termios.
#include "platform/serial_tty.h"

#include "platform/paths.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace plat {

namespace {

std::mutex g_comMutex;
std::map<int, std::string> g_comDevices;

struct BaudEntry {
    int baud;
    speed_t speed;
};

constexpr BaudEntry kBauds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

bool SpeedFor(int baud, speed_t& out) {
    for (const BaudEntry& e : kBauds) {
        if (e.baud == baud) {
            out = e.speed;
            return true;
        }
    }
    return false;
}

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

// "COMn" with n >= 1 (case-insensitive); 0 when the name is not of that form.
int ComNumber(const std::string& name) {
    if (name.size() < 4 || !EqualsNoCase(std::string_view(name).substr(0, 3), "COM")) return 0;
    int32_t n = 0;
    if (!ParseInt32(std::string_view(name).substr(3), n) || n < 1 || name[3] == '+' || name[3] == ' ') return 0;
    return n;
}

} // namespace

std::string ComDevicePath(int comNumber) {
    if (comNumber < 1) return std::string();
    const std::string var = "BRELON_COM" + std::to_string(comNumber);
    if (const char* env = std::getenv(var.c_str()); env && *env) return env;
    {
        std::lock_guard<std::mutex> lock(g_comMutex);
        auto it = g_comDevices.find(comNumber);
        if (it != g_comDevices.end()) return it->second;
    }
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

void SetComDevice(int comNumber, const std::string& devicePath) {
    std::lock_guard<std::mutex> lock(g_comMutex);
    if (devicePath.empty()) g_comDevices.erase(comNumber);
    else g_comDevices[comNumber] = devicePath;
}

bool ApplySerialSettings(const SerialSettings& s, termios& t, std::string& error) {
    speed_t speed;
    if (!SpeedFor(s.baud, speed)) {
        error = "unsupported baud rate " + std::to_string(s.baud);
        return false;
    }
    if (s.dataBits < 5 || s.dataBits > 8) {
        error = "unsupported data bits " + std::to_string(s.dataBits);
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    t.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    switch (s.dataBits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
    }
    switch (s.parity) {
    case Parity::None: break;
    case Parity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: t.c_cflag |= PARENB; break;
#ifdef CMSPAR
    case Parity::Mark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case Parity::Space: t.c_cflag |= PARENB | CMSPAR; break;
#else
    case Parity::Mark:
    case Parity::Space: error = "mark and space parity are not supported"; return false;
#endif
    default: error = "unknown parity"; return false;
    }
    if (s.parity != Parity::None) t.c_iflag |= INPCK;
    // termios has no 1.5 stop bits: it is sent as 2 (the hardware's choice for 5 data bits).
    if (s.stopBits != StopBits::One) t.c_cflag |= CSTOPB;
    if (s.rtsCts) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (s.xonXoff) t.c_iflag |= IXON | IXOFF;
    t.c_cc[VMIN] = 0; // reads are bounded by poll, never by the driver
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) {
        error = "cannot set baud rate " + std::to_string(s.baud);
        return false;
    }
    return true;
}

bool IsSupportedBaud(int baud) {
    speed_t s;
    return SpeedFor(baud, s);
}

SerialPort::~SerialPort() { Close(); }

void SerialPort::Close() {
    if (fd_ >= 0) {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }
}

bool SerialPort::Open(const std::string& name, const SerialSettings& s) {
    Close();
    error_.clear();
    settingsRefused_ = false;
    termios check{}; // refuse bad settings before touching the device
    if (!ApplySerialSettings(s, check, error_)) return false;
    std::string device;
    if (int n = ComNumber(name); n > 0) device = ComDevicePath(n);
    else if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) device = NativePath(name);
    if (device.empty()) {
        error_ = "not a serial port name: " + name;
        return false;
    }

    // Non-blocking open so a port without carrier does not hang; blocking afterwards.
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = ErrnoText(device);
        return false;
    }
    if (!::isatty(fd)) {
        error_ = device + ": not a terminal device";
        settingsRefused_ = true;
        ::close(fd);
        return false;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        error_ = ErrnoText(device + ": exclusive access");
        ::close(fd);
        return false;
    }
    int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
        error_ = ErrnoText(device);
        ::close(fd);
        return false;
    }

    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        error_ = ErrnoText(device + ": tcgetattr");
        settingsRefused_ = true;
        ::close(fd);
        return false;
    }
    if (!ApplySerialSettings(s, t, error_) || ::tcsetattr(fd, TCSANOW, &t) != 0) {
        if (error_.empty()) error_ = ErrnoText(device + ": settings");
        settingsRefused_ = true;
        ::close(fd);
        return false;
    }
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    return true;
}

size_t SerialPort::Write(const void* data, size_t size) {
    if (fd_ < 0) {
        error_ = "port not open";
        return 0;
    }
    // A peer that holds the line (XOFF, CTS low) must not hang the caller: the write gives
    // up when no byte could be queued for this long.
    constexpr int kStallMs = 5000;
    // Chunks no larger than the room a writable terminal guarantees, so write never blocks.
    constexpr size_t kChunk = 256;
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        pollfd pfd{fd_, POLLOUT, 0};
        int rc = ::poll(&pfd, 1, kStallMs);
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0) {
            error_ = ErrnoText("poll");
            break;
        }
        if (rc == 0) {
            error_ = "write timed out (line held by the peer)";
            break;
        }
        if ((pfd.revents & POLLOUT) == 0) {
            error_ = "port closed or in error";
            break;
        }
        const size_t chunk = size - done < kChunk ? size - done : kChunk;
        ssize_t w = ::write(fd_, p + done, chunk);
        if (w < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            error_ = ErrnoText("write");
            break;
        }
        done += static_cast<size_t>(w);
    }
    return done;
}

long SerialPort::Read(void* data, size_t size, int timeoutMs) {
    if (fd_ < 0) {
        error_ = "port not open";
        return -1;
    }
    if (size == 0) return 0;
    pollfd p{fd_, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        error_ = ErrnoText("poll");
        return -1;
    }
    if (rc == 0) return 0;
    if ((p.revents & POLLIN) == 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        error_ = "port closed or in error";
        return -1;
    }
    ssize_t r;
    do {
        r = ::read(fd_, data, size);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        if (errno == EAGAIN) return 0;
        error_ = ErrnoText("read");
        return -1;
    }
    return static_cast<long>(r);
}

} // namespace plat
