// Line settings through termios2 (TCGETS2/TCSETS2 with BOTHER for the rate).
#include "tty_line.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace porvl4::tty {

// Rates accepted by Setup: the usual serial rates, including 14400, 56000, 128000 and
// 256000 of the PC world, which have no classic termios code. Others are refused.
bool IsSupportedBaud(uint32_t baud) {
    static constexpr uint32_t kRates[] = {
        50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400, 4800, 9600, 14400, 19200, 38400, 56000,
        57600, 115200, 128000, 230400, 256000, 460800, 500000, 576000, 921600, 1000000, 1152000,
        1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
    for (uint32_t r : kRates)
        if (r == baud) return true;
    return false;
}

bool MapLine(const LineRequest& req, TermiosFlags& f) {
    static constexpr uint32_t kSize[] = {CS5, CS6, CS7, CS8};
    if (!IsSupportedBaud(req.baud) || req.dataBits < 5 || req.dataBits > 8 || req.parity < 0 ||
        req.parity > 4 || req.stopBits < 0 || req.stopBits > 2)
        return false;
    // Raw mode: no input or output processing, no echo, no signals.
    f.iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK | IGNPAR);
    f.oflag &= ~OPOST;
    f.lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    f.cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD | HUPCL);
    f.cflag |= kSize[req.dataBits - 5] | CREAD | CLOCAL | BOTHER;
    switch (req.parity) {
    case 1: f.cflag |= PARENB | PARODD; break;
    case 2: f.cflag |= PARENB; break;
    case 3: f.cflag |= PARENB | CMSPAR | PARODD; break; // mark: the parity bit always 1
    case 4: f.cflag |= PARENB | CMSPAR; break;          // space: the parity bit always 0
    default: break;
    }
    if (req.parity != 0) f.iflag |= INPCK; // a byte with a parity error reads as NUL
    // The line has no 1.5 stop bits: 2 are sent, which a receiver set for 1.5 accepts.
    if (req.stopBits != 0) f.cflag |= CSTOPB;
    if (req.rtsCts) f.cflag |= CRTSCTS;
    if (req.xonOut) f.iflag |= IXON;
    if (req.xonIn) f.iflag |= IXOFF;
    f.speed = req.baud;
    return true;
}

int ApplyLine(int fd, const LineRequest& req) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
    TermiosFlags f{t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, 0};
    if (!MapLine(req, f)) return EINVAL;
    t.c_iflag = f.iflag;
    t.c_oflag = f.oflag;
    t.c_cflag = f.cflag;
    t.c_lflag = f.lflag;
    t.c_ispeed = t.c_ospeed = f.speed;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::ioctl(fd, TCSETS2, &t) != 0) return errno;
    return 0;
}

int OutputQueued(int fd) {
    int n = 0;
    if (::ioctl(fd, TIOCOUTQ, &n) != 0) return 0;
    return n > 0 ? n : 0;
}

} // namespace porvl4::tty
