// CComPort: one tty opened exclusively, raw, non-blocking; waits are poll() with a bound.
#include "serial/com_port.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/serial_tty.h"
#include "tty_line.h"

namespace porvl4 {
namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Milliseconds left to a deadline (deadline < 0: none, -1 for poll).
int PollSlice(int64_t deadline, int64_t now) {
    if (deadline < 0) return -1;
    return static_cast<int>(std::max<int64_t>(0, deadline - now));
}

void DrainEventFd(int fd) {
    uint64_t v;
    while (::read(fd, &v, sizeof v) == static_cast<ssize_t>(sizeof v)) {
    }
}

constexpr int kHangUpBackOffMs = 20; // a hung-up line is not polled again for this long
constexpr int kTxPollMs = 2;         // how often a pending transmit is checked for empty

} // namespace

uint32_t ErrorFromErrno(int err) {
    switch (err) {
    case 0: return kErrSuccess;
    case ENOENT:
    case ENODEV:
    case ENXIO: return kErrFileNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK: return kErrAccessDenied;
    case EBADF: return kErrInvalidHandle;
    case EINVAL: return kErrInvalidParameter;
    case ENOTTY: return kErrInvalidFunction;
    case EIO: return kErrIoDevice;
    case ETIMEDOUT: return kErrTimeout;
    default: return kErrGenFailure;
    }
}

std::string DevicePathFor(const std::string& portName) {
    if (portName.size() > 3 && std::toupper(static_cast<unsigned char>(portName[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(portName[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(portName[2])) == 'M' &&
        std::all_of(portName.begin() + 3, portName.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        portName.size() <= 6) {
        const int n = std::stoi(portName.substr(3));
        if (n >= 1) return plat::ComDevicePath(n);
        return std::string();
    }
    return portName;
}

CComPort::~CComPort() { CComPort::Close(); }

uint32_t CComPort::Open(const char* portName, uint32_t /*inQueue*/, uint32_t /*outQueue*/) {
    // The kernel sizes the tty queues itself; the queue sizes are accepted and not used.
    if (fd_ >= 0) return Done(kErrAlreadyInitialized);
    const std::string path = DevicePathFor(portName ? portName : "");
    if (path.empty()) return Done(kErrFileNotFound);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Done(ErrorFromErrno(errno));
    if (!::isatty(fd)) {
        ::close(fd);
        return Done(kErrInvalidFunction);
    }
    // No sharing: flock keeps out every other user of this library (root included),
    // TIOCEXCL other programs.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        return Done(e == EWOULDBLOCK ? kErrAccessDenied : ErrorFromErrno(e));
    }
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    eventFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (eventFd_ < 0) {
        const uint32_t e = ErrorFromErrno(errno);
        CloseHandles();
        return Done(e);
    }
    line_ = Line{};
    mask_ = 0;
    eventChar_ = 0;
    lastEventMask_ = 0xFFFFFFFFu;
    backOffUntil_ = 0;
    hungUp_ = false;
    uint32_t err = SetMask(EV_RXCHAR | EV_TXEMPTY | EV_BREAK | EV_ERR);
    if (!err) err = Setup(115200, 8, kParityNone, kStopOne, 1);
    if (!err) err = SetReadTimeouts(0);
    if (!err) err = SetHandshaking(0);
    if (err) {
        CloseHandles();
        return Done(err);
    }
    ::tcflush(fd_, TCIOFLUSH);
    return Done(0);
}

uint32_t CComPort::CloseHandles() {
    if (fd_ >= 0) {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_); // also drops the flock
    }
    if (eventFd_ >= 0) ::close(eventFd_);
    fd_ = eventFd_ = -1;
    txPending_ = false;
    return 0;
}

uint32_t CComPort::Close() {
    if (fd_ < 0) return Done(0);
    ::tcflush(fd_, TCIOFLUSH);
    CloseHandles();
    return Done(0);
}

uint32_t CComPort::ApplyLine(const Line& line) {
    tty::LineRequest req;
    req.baud = line.baud;
    req.dataBits = line.dataBits;
    req.parity = line.parity;
    req.stopBits = line.stopBits;
    // Linux flow control knows RTS/CTS only: hardware handshake is RTS/CTS on the line;
    // the DSR and DTR parts are kept in the settings.
    req.rtsCts = line.ctsFlow || line.rtsHandshake;
    req.xonOut = line.xonOut;
    req.xonIn = line.xonIn;
    const int e = tty::ApplyLine(fd_, req);
    return e == EINVAL ? kErrInvalidParameter : ErrorFromErrno(e);
}

uint32_t CComPort::Setup(uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits, uint8_t stripNul) {
    if (fd_ < 0) return Done(kErrInvalidHandle);
    Line line = line_;
    line.baud = baud;
    line.dataBits = dataBits;
    line.parity = parity;
    line.stopBits = stopBits;
    line.parityCheck = parity != 0;
    line.stripNul = stripNul != 0;
    const uint32_t err = ApplyLine(line);
    if (!err) {
        line_ = line;
        stripNul_ = line.stripNul;
    }
    return Done(err);
}

uint32_t CComPort::SetEventChar(uint8_t eventChar, bool addToMask) {
    if (fd_ < 0) return Done(kErrInvalidHandle);
    eventChar_ = eventChar;
    if (addToMask) mask_ |= EV_RXFLAG;
    return Done(0);
}

uint32_t CComPort::SetMask(uint32_t mask) {
    if (fd_ < 0) return Done(kErrInvalidHandle);
    mask_ = mask;
    return Done(0);
}

uint32_t CComPort::SetHandshaking(int mode) {
    if (fd_ < 0) return Done(kErrInvalidHandle);
    Line line = line_;
    switch (mode) {
    case 0:
        line.ctsFlow = line.dsrFlow = line.dtrHandshake = line.rtsHandshake = false;
        line.xonOut = line.xonIn = false;
        break;
    case 1:
        line.ctsFlow = line.dsrFlow = line.dtrHandshake = line.rtsHandshake = true;
        line.xonOut = line.xonIn = false;
        break;
    case 2:
        line.ctsFlow = line.dsrFlow = line.dtrHandshake = line.rtsHandshake = false;
        line.xonOut = line.xonIn = true;
        break;
    default: return Done(kErrInvalidArg);
    }
    const uint32_t err = ApplyLine(line);
    if (!err) line_ = line;
    return Done(err);
}

uint32_t CComPort::SetReadTimeouts(int mode) {
    if (fd_ < 0) return Done(kErrInvalidHandle);
    if (mode != 0 && mode != 1) return Done(kErrInvalidArg);
    readMode_ = mode;
    return Done(0);
}

int32_t CComPort::GetBaudRate() {
    if (fd_ < 0) {
        Done(kErrInvalidHandle);
        return -1;
    }
    Done(0);
    return static_cast<int32_t>(line_.baud);
}

int32_t CComPort::GetDataBits() {
    if (fd_ < 0) {
        Done(kErrInvalidHandle);
        return -1;
    }
    Done(0);
    return line_.dataBits;
}

int32_t CComPort::GetParity() {
    if (fd_ < 0) {
        Done(kErrInvalidHandle);
        return -1;
    }
    Done(0);
    return line_.parityCheck ? line_.parity : 0;
}

int32_t CComPort::GetStopBits() {
    if (fd_ < 0) {
        Done(kErrInvalidHandle);
        return -1;
    }
    Done(0);
    return line_.stopBits;
}

int32_t CComPort::GetHandshaking() {
    if (fd_ < 0) {
        Done(kErrInvalidHandle);
        return -1;
    }
    Done(0);
    if (line_.dtrHandshake && line_.rtsHandshake) return 1;
    if (line_.xonOut && line_.xonIn) return 2;
    return 0;
}

uint32_t CComPort::GetEventMask() {
    if (fd_ < 0) {
        Done(kErrInvalidHandle);
        return 0;
    }
    Done(0);
    return mask_;
}

uint8_t CComPort::GetEventChar() {
    if (fd_ < 0) {
        Done(kErrInvalidHandle);
        return 0;
    }
    Done(0);
    return eventChar_;
}

uint32_t CComPort::WriteString(const char* text, uint32_t* written, uint32_t ms) {
    const size_t n = text ? std::strlen(text) : 0;
    return Write(text, static_cast<uint32_t>(n), written, ms);
}

uint32_t CComPort::Write(const void* data, uint32_t count, uint32_t* written, uint32_t ms) {
    if (written) *written = 0;
    if (fd_ < 0) return Done(kErrInvalidHandle);
    const auto* p = static_cast<const uint8_t*>(data);
    const int64_t deadline = ms == kWaitInfinite ? -1 : NowMs() + ms;
    uint32_t done = 0;
    uint32_t err = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, p + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            err = ErrorFromErrno(errno);
            break;
        }
        // Output queue full (flow control or a slow line): wait for room within the limit.
        const int64_t now = NowMs();
        if (deadline >= 0 && now >= deadline) {
            ::tcflush(fd_, TCOFLUSH); // what was not sent is cancelled
            err = kErrTimeout;
            break;
        }
        pollfd pfd{fd_, POLLOUT, 0};
        ::poll(&pfd, 1, PollSlice(deadline, now));
    }
    if (written) *written = done;
    if (done > 0) {
        // The waiting side reports EV_TXEMPTY once the queue has drained.
        txPending_ = true;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(eventFd_, &one, sizeof one);
    }
    return Done(err);
}

uint32_t CComPort::Read(void* buffer, uint32_t size, uint32_t* got, uint32_t ms) {
    if (got) *got = 0;
    if (fd_ < 0) return Done(kErrInvalidHandle);
    auto* p = static_cast<uint8_t*>(buffer);
    const int64_t deadline = ms == kWaitInfinite ? -1 : NowMs() + ms;
    uint32_t done = 0;
    uint32_t err = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, p + done, size - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            hungUp_ = false;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            // A hung-up line reads EIO: leave it alone for a while instead of spinning.
            backOffUntil_ = NowMs() + kHangUpBackOffMs;
            hungUp_ = true;
            err = ErrorFromErrno(errno);
            break;
        }
        // Nothing waiting now (a raw tty reads 0 or EAGAIN).
        if (readMode_ == 0) break; // non-blocking: what was there
        const int64_t now = NowMs();
        if (deadline >= 0 && now >= deadline) {
            err = kErrTimeout;
            break;
        }
        pollfd pfd{fd_, POLLIN, 0};
        ::poll(&pfd, 1, PollSlice(deadline, now));
    }
    if (stripNul_) done = static_cast<uint32_t>(std::remove(p, p + done, uint8_t{0}) - p);
    if (got) *got = done;
    return Done(err);
}

uint32_t CComPort::WaitEvent(uint32_t ms) {
    uint32_t events = 0;
    bool stopped = false;
    return WaitForEvent(-1, ms, events, stopped);
}

uint32_t CComPort::WaitForEvent(int stopFd, uint32_t ms, uint32_t& events, bool& stopped) {
    events = 0;
    stopped = false;
    if (fd_ < 0) return Done(kErrInvalidHandle);
    const int64_t deadline = ms == kWaitInfinite ? -1 : NowMs() + ms;
    for (;;) {
        if (txPending_ && tty::OutputQueued(fd_) == 0) {
            txPending_ = false;
            if (mask_ & EV_TXEMPTY) events |= EV_TXEMPTY;
        }
        if (events) break;
        const int64_t now = NowMs();
        if (deadline >= 0 && now >= deadline) return Done(kErrTimeout);
        int slice = PollSlice(deadline, now);
        auto shorten = [&slice](int64_t ms2) {
            const int s = static_cast<int>(std::max<int64_t>(0, ms2));
            if (slice < 0 || s < slice) slice = s;
        };
        if (txPending_) shorten(kTxPollMs);
        const bool pollLine = (mask_ & EV_RXCHAR) && now >= backOffUntil_;
        if ((mask_ & EV_RXCHAR) && !pollLine) shorten(backOffUntil_ - now);
        pollfd fds[3] = {{pollLine ? fd_ : -1, POLLIN, 0}, {eventFd_, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int n = ::poll(fds, 3, slice);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Done(ErrorFromErrno(errno));
        }
        if (fds[2].revents) {
            stopped = true;
            return Done(0);
        }
        if (fds[1].revents) DrainEventFd(eventFd_);
        if (fds[0].revents & POLLIN) events |= EV_RXCHAR;
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            backOffUntil_ = NowMs() + kHangUpBackOffMs;
            hungUp_ = true;
        }
    }
    lastEventMask_ = events;
    return Done(0);
}

} // namespace porvl4
