#pragma once
// Serial port on termios. "COMn" maps to a device path from configuration:
// $BRELON_COM<n> when set, else a mapping set by SetComDevice, else /dev/ttyS<n-1>.
#include <cstddef>
#include <string>

struct termios;

namespace plat {

enum class Parity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits { One = 0, OneAndHalf = 1, Two = 2 };

struct SerialSettings {
    int baud = 9600;
    int dataBits = 8; // 5..8
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool rtsCts = false;
    bool xonXoff = false;
};

std::string ComDevicePath(int comNumber); // 1-based
void SetComDevice(int comNumber, const std::string& devicePath);

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens "COMn" (or a device path) exclusively in raw mode with the settings.
    // false on failure, with the reason in LastError().
    bool Open(const std::string& name, const SerialSettings& settings);
    // The last Open failed after the device opened: it refused the settings (or is no
    // terminal that takes any).
    bool SettingsRefused() const { return settingsRefused_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close();
    // Writes all bytes; returns the count written (less on failure, or when the peer holds
    // the line for 5 s without taking a byte).
    size_t Write(const void* data, size_t size);
    // Reads what is available, waiting at most timeoutMs; returns bytes read, -1 on error.
    long Read(void* data, size_t size, int timeoutMs);
    int Fd() const { return fd_; }
    const std::string& LastError() const { return error_; }

private:
    int fd_ = -1;
    bool settingsRefused_ = false;
    std::string error_;
};

// Baud values that termios supports; others are refused by Open.
bool IsSupportedBaud(int baud);

// Puts t in raw mode with the settings (what Open applies to the device). false with the
// reason in error for settings the port cannot take. 1.5 stop bits are set as 2.
bool ApplySerialSettings(const SerialSettings& settings, struct termios& t, std::string& error);

} // namespace plat
