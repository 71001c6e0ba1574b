#pragma once
// Test helpers of the label library: temporary folders, a fake USB printer (a sysfs tree
// and a pseudo-terminal as its device node) and a builder of profile library files.
// Standard library and POSIX only, so the tests of the exported interface can use them too.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lptest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

bool WriteFile(const std::string& path, const std::string& data);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeDirs(const std::string& path);

// A USB device in a fake sysfs tree under root + "/sys": class/usbmisc/<name>/device links to
// the interface folder of a device folder holding idVendor. devFolder is the device folder's
// name (it may hold any text, such as "a5f", to prove the path is not what is matched).
void AddSysfsPrinter(const std::string& root, const std::string& name, const std::string& devFolder,
                     const std::string& idVendorText);

// A fake label printer: a pseudo-terminal in raw mode whose slave is linked as
// root + "/dev/usb/<name>". A reader thread collects everything written to it and answers
// "~HS" with the reply set.
class FakePrinter {
public:
    FakePrinter(const std::string& root, const std::string& name, bool drain = true);
    ~FakePrinter();
    FakePrinter(const FakePrinter&) = delete;
    FakePrinter& operator=(const FakePrinter&) = delete;

    void SetStatusReply(const std::string& reply);
    // Everything received so far, after waiting up to ms for at least minBytes.
    std::string Received(size_t minBytes = 0, int ms = 2000);
    std::string DevicePath() const { return link_; }

private:
    void Run();

    int master_ = -1;
    int slave_ = -1;
    std::string link_;
    std::mutex mutex_;
    std::string received_;
    std::string reply_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Profile library file builder: a 272-byte header, then records (255-byte head and body).
struct ProfilePolygon {
    std::vector<std::pair<double, double>> points;
};
struct ProfileRecord {
    int16_t id = 1;
    bool fourPoints = true;
    std::string name = "P";
    double width = 0.0;
    double height = 0.0;
    std::vector<std::pair<double, double>> outline;
    std::vector<ProfilePolygon> polygons;
    int32_t bodyLengthOverride = INT32_MIN; // a damaged length when set
};
std::string BuildProfileLibrary(const std::vector<ProfileRecord>& records);

// Writes into dir the fixture drawing as DRAW.DXF and, as PROFILES.LIB, a library of the one
// profile 7: a 60 by 40 outline with a triangular chamber.
void WriteProfileSeven(const TempDir& dir);

// Uncompressed 24-bit BMP of a black-and-white pattern (true: black), rows top first.
std::string Bmp24(const std::vector<std::vector<bool>>& rows);

} // namespace lptest
