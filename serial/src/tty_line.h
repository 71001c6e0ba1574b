#pragma once
// Line settings of a tty through the kernel's termios2 interface, which also takes rates
// without a standard code (14400, 56000). Kept in its own unit: the kernel's termios
// definitions cannot share a file with the C library's.
#include <cstdint>

namespace porvl4::tty {

struct LineRequest {
    uint32_t baud = 115200;
    int dataBits = 8;  // 5..8
    int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;  // 0 one, 1 one and a half, 2 two
    bool rtsCts = false;
    bool xonOut = false;
    bool xonIn = false;
};

struct TermiosFlags {
    uint32_t iflag = 0, oflag = 0, cflag = 0, lflag = 0;
    uint32_t speed = 0;
};

// Rates the line accepts.
bool IsSupportedBaud(uint32_t baud);
// Raw-mode flags for the request, merged into the given ones; false when a value is
// out of range (the flags are then unchanged).
bool MapLine(const LineRequest& req, TermiosFlags& flags);
// Applies the request to the open tty; 0 or an errno value (EINVAL for a bad request).
int ApplyLine(int fd, const LineRequest& req);
// Bytes still in the output queue (0 when the driver cannot tell).
int OutputQueued(int fd);

} // namespace porvl4::tty
