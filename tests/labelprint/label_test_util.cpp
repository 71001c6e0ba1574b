#include "label_test_util.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lptest {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "lptest.XXXXXX").string();
    char* p = ::mkdtemp(tmpl.data());
    path_ = p ? std::string(p) : std::string();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
}

bool WriteFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary);
    f << data;
    return bool(f);
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path) { return fs::exists(path); }

void MakeDirs(const std::string& path) { fs::create_directories(path); }

void AddSysfsPrinter(const std::string& root, const std::string& name, const std::string& devFolder,
                     const std::string& idVendorText) {
    const std::string device = root + "/sys/devices/pci0000:00/usb1/" + devFolder;
    const std::string iface = device + "/" + devFolder + ":1.0";
    MakeDirs(iface + "/usbmisc/" + name);
    WriteFile(device + "/idVendor", idVendorText);
    WriteFile(device + "/idProduct", "0001\n");
    MakeDirs(root + "/sys/class/usbmisc");
    fs::create_directory_symlink(iface + "/usbmisc/" + name, root + "/sys/class/usbmisc/" + name);
    fs::create_directory_symlink(iface, iface + "/usbmisc/" + name + "/device");
}

FakePrinter::FakePrinter(const std::string& root, const std::string& name, bool drain) {
    char slaveName[256] = {};
    if (::openpty(&master_, &slave_, slaveName, nullptr, nullptr) != 0) return;
    termios t{};
    ::tcgetattr(slave_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave_, TCSANOW, &t);
    MakeDirs(root + "/dev/usb");
    link_ = root + "/dev/usb/" + name;
    fs::create_symlink(slaveName, link_);
    if (drain) thread_ = std::thread([this] { Run(); });
}

FakePrinter::~FakePrinter() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

void FakePrinter::SetStatusReply(const std::string& reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    reply_ = reply;
}

void FakePrinter::Run() {
    size_t answered = 0; // "~HS" requests answered so far
    while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) continue;
        std::string reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            received_.append(buf, static_cast<size_t>(n));
            size_t count = 0;
            for (size_t at = received_.find("~HS"); at != std::string::npos; at = received_.find("~HS", at + 3)) ++count;
            if (count > answered) {
                answered = count;
                reply = reply_;
            }
        }
        if (!reply.empty()) {
            const ssize_t w = ::write(master_, reply.data(), reply.size());
            (void)w;
        }
    }
}

std::string FakePrinter::Received(size_t minBytes, int ms) {
    for (int waited = 0;; waited += 10) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (received_.size() >= minBytes || waited >= ms) return received_;
        }
        ::usleep(10000);
    }
}

namespace {
void Put(std::string& s, const void* p, size_t n) { s.append(static_cast<const char*>(p), n); }
void Put16(std::string& s, int v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, int(v & 0xFFFF));
    Put16(s, int(v >> 16));
}
void PutDouble(std::string& s, double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    for (int i = 0; i < 8; ++i) s += char((b >> (8 * i)) & 0xFF);
}
} // namespace

std::string BuildProfileLibrary(const std::vector<ProfileRecord>& records) {
    std::string out(272, '\0');
    for (const ProfileRecord& r : records) {
        std::string body;
        for (const auto& [x, y] : r.outline) {
            PutDouble(body, x);
            PutDouble(body, y);
        }
        for (const ProfilePolygon& poly : r.polygons) {
            std::string head(32, '\0');
            head[2] = char(poly.points.size() & 0xFF);
            head[3] = char((poly.points.size() >> 8) & 0xFF);
            body += head;
            for (const auto& [x, y] : poly.points) {
                PutDouble(body, x);
                PutDouble(body, y);
            }
        }
        std::string head(255, '\0');
        const int32_t len = r.bodyLengthOverride != INT32_MIN ? r.bodyLengthOverride : int32_t(body.size());
        std::string h;
        Put32(h, uint32_t(len));
        head.replace(0, 4, h);
        head[4] = r.fourPoints ? 1 : 0;
        head.replace(5, std::min<size_t>(r.name.size(), 38), r.name.substr(0, 38));
        std::string tail;
        Put16(tail, int(r.polygons.size()));
        PutDouble(tail, r.width);
        PutDouble(tail, r.height);
        Put16(tail, int(r.outline.size()));
        Put16(tail, r.id);
        head.replace(105, tail.size(), tail);
        out += head;
        out += body;
    }
    return out;
}

void WriteProfileSeven(const TempDir& dir) {
    WriteFile(dir / "DRAW.DXF", ReadFile(std::string(BRELON_SOURCE_DIR) + "/tests/fixtures/labelprint/profile.dxf"));
    ProfileRecord r;
    r.id = 7;
    r.fourPoints = false;
    r.width = 60;
    r.height = 40;
    r.polygons.push_back({{{0, 0}, {60, 0}, {60, 40}, {0, 40}}});
    r.polygons.push_back({{{10, 10}, {50, 10}, {30, 30}}});
    WriteFile(dir / "PROFILES.LIB", BuildProfileLibrary({r}));
}

std::string Bmp24(const std::vector<std::vector<bool>>& rows) {
    const int h = int(rows.size());
    const int w = h ? int(rows[0].size()) : 0;
    const int rowBytes = ((w * 24 + 31) / 32) * 4;
    std::string s = "BM";
    Put32(s, uint32_t(54 + rowBytes * h));
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, uint32_t(w));
    Put32(s, uint32_t(h));
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0);
    Put32(s, uint32_t(rowBytes * h));
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, 0);
    Put32(s, 0);
    for (int y = h - 1; y >= 0; --y) {
        int n = 0;
        for (int x = 0; x < w; ++x, n += 3) {
            const char c = rows[size_t(y)][size_t(x)] ? '\0' : char(0xFF);
            Put(s, &c, 1);
            Put(s, &c, 1);
            Put(s, &c, 1);
        }
        for (; n < rowBytes; ++n) s += '\0';
    }
    return s;
}

} // namespace lptest
