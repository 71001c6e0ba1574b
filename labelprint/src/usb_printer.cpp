// USB label printer through the kernel's usblp driver.
#include "labelprint/usb_printer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/paths.h"

namespace labelprint {

namespace {

std::mutex g_rootsMutex;
std::string g_sysfsRoot;
std::string g_devRoot;

std::string RootFrom(const std::string& set, const char* env, const char* def) {
    if (!set.empty()) return set;
    const char* v = std::getenv(env);
    return v && *v ? std::string(v) : std::string(def);
}

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, INT_MAX));
}

void SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// "lp12" -> 12; -1 for other names.
int PrinterNumber(const char* name) {
    if (std::strncmp(name, "lp", 2) != 0 || name[2] == '\0') return -1;
    int n = 0;
    for (const char* p = name + 2; *p; ++p) {
        if (*p < '0' || *p > '9' || n > 100000) return -1;
        n = n * 10 + (*p - '0');
    }
    return n;
}

// idVendor of the USB device above the printer's interface: the interface folder has none,
// the device folder one or two levels up has it.
bool VendorOf(const std::string& classEntry, uint16_t& vendor) {
    char resolved[PATH_MAX];
    if (!::realpath((classEntry + "/device").c_str(), resolved)) return false;
    std::string dir = resolved;
    for (int level = 0; level < 4 && !dir.empty() && dir != "/"; ++level) {
        std::string text;
        if (plat::ReadWholeFile(dir + "/idVendor", text)) return ParseVendorId(text, vendor);
        const size_t slash = dir.rfind('/');
        if (slash == std::string::npos) break;
        dir.resize(slash);
    }
    return false;
}

} // namespace

void SetUsbRoots(const std::string& sysfsRoot, const std::string& devRoot) {
    std::lock_guard<std::mutex> lock(g_rootsMutex);
    g_sysfsRoot = sysfsRoot;
    g_devRoot = devRoot;
}

std::string UsbSysfsRoot() {
    std::lock_guard<std::mutex> lock(g_rootsMutex);
    return RootFrom(g_sysfsRoot, "BRELON_USB_SYSFS", "/sys");
}

std::string UsbDevRoot() {
    std::lock_guard<std::mutex> lock(g_rootsMutex);
    return RootFrom(g_devRoot, "BRELON_USB_DEV", "/dev");
}

bool ParseVendorId(const std::string& text, uint16_t& out) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (e == b || e - b > 4) return false;
    unsigned v = 0;
    for (size_t i = b; i < e; ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * 16 + unsigned(d);
    }
    out = static_cast<uint16_t>(v);
    return true;
}

std::string FindUsbPrinter(uint16_t vendorId) {
    const std::string classDir = UsbSysfsRoot() + "/class/usbmisc";
    DIR* dir = ::opendir(classDir.c_str());
    if (!dir) return std::string();
    std::vector<std::pair<int, std::string>> printers;
    while (dirent* e = ::readdir(dir)) {
        const int n = PrinterNumber(e->d_name);
        if (n >= 0) printers.emplace_back(n, e->d_name);
    }
    ::closedir(dir);
    std::sort(printers.begin(), printers.end());
    for (const auto& [n, name] : printers) {
        uint16_t vendor = 0;
        if (VendorOf(classDir + "/" + name, vendor) && vendor == vendorId) return UsbDevRoot() + "/usb/" + name;
    }
    return std::string();
}

UsbExchangeResult UsbExchange(uint16_t vendorId, const std::string& data, char* reply, size_t replySize,
                              const UsbTimeouts& t) {
    UsbExchangeResult r;
    const std::string device = FindUsbPrinter(vendorId);
    if (device.empty()) return r;
    r.found = true;

    // Open; a busy device (held by another program) is retried for a while.
    int fd = -1;
    const auto busyDeadline = Clock::now() + std::chrono::milliseconds(t.busyWaitMs);
    for (;;) {
        fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) break;
        if (errno != EBUSY || MsLeft(busyDeadline) == 0) {
            r.error = true;
            return r;
        }
        SleepMs(std::min(50, MsLeft(busyDeadline)));
    }

    // Write the whole buffer within the write time-out.
    const auto writeDeadline = Clock::now() + std::chrono::milliseconds(t.writeMs);
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            r.error = true;
            break;
        }
        pollfd p{fd, POLLOUT, 0};
        const int left = MsLeft(writeDeadline);
        const int pr = left > 0 ? ::poll(&p, 1, left) : 0;
        if (pr < 0 && errno == EINTR) continue;
        if (pr <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            r.error = true; // timed out or the device went away: the label is not complete
            break;
        }
    }

    if (!r.error && reply && replySize > 0) {
        SleepMs(t.replyDelayMs);
        std::memset(reply, 0, replySize);
        const auto readDeadline = Clock::now() + std::chrono::milliseconds(t.readMs);
        size_t got = 0;
        int wait = MsLeft(readDeadline);
        while (got + 1 < replySize) {
            pollfd p{fd, POLLIN, 0};
            const int pr = ::poll(&p, 1, wait);
            if (pr < 0 && errno == EINTR) continue;
            if (pr <= 0 || !(p.revents & POLLIN)) break;
            const ssize_t n = ::read(fd, reply + got, replySize - 1 - got);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
            wait = std::min(50, MsLeft(readDeadline)); // the rest of a reply follows closely
        }
        r.replyLength = got;
        SleepMs(t.afterReadMs);
    }
    ::close(fd);
    return r;
}

} // namespace labelprint
