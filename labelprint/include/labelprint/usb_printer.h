#pragma once
// The USB label printer: found through sysfs as the first "usbmisc" printer ("lpN", lowest N
// first) whose USB device's idVendor equals the maker's vendor id, and driven through its
// device node "usb/lpN" under the device root: raw write of the label, optional reply read.
//
// Roots default to "/sys" and "/dev"; the environment variables BRELON_USB_SYSFS and
// BRELON_USB_DEV, or SetUsbRoots (tests), move them, so tests use a fake sysfs tree and a
// pseudo-terminal or FIFO as the device.
#include <cstddef>
#include <cstdint>
#include <string>

namespace labelprint {

// The label printer maker's USB vendor id.
inline constexpr uint16_t kPrinterVendorId = 0x0A5F;

struct UsbTimeouts {
    int busyWaitMs = 10000; // the device is busy (held open by another program): retry this long
    int writeMs = 5000;     // the whole label must be taken within this time
    int replyDelayMs = 1000; // pause before reading a reply
    int readMs = 3000;      // wait for the first reply bytes
    int afterReadMs = 100;  // pause after the reply
};

// Empty arguments go back to the environment variables or the defaults.
void SetUsbRoots(const std::string& sysfsRoot, const std::string& devRoot);
std::string UsbSysfsRoot();
std::string UsbDevRoot();

// Parses an idVendor file's text: one to four hexadecimal digits, optional white space around.
bool ParseVendorId(const std::string& text, uint16_t& out);

// Device node of the first printer with the vendor id, or empty when none is attached.
std::string FindUsbPrinter(uint16_t vendorId);

struct UsbExchangeResult {
    bool found = false; // a printer with the vendor id is attached
    bool error = false; // found, but it did not open, failed or timed out
    size_t replyLength = 0;
};

// Sends data to the first printer with the vendor id; when reply is given, waits and reads
// its answer into reply (zero-filled first; at most replySize - 1 bytes, so it stays a
// terminated text). Nothing attached: nothing sent, found and error both false.
UsbExchangeResult UsbExchange(uint16_t vendorId, const std::string& data, char* reply, size_t replySize,
                              const UsbTimeouts& timeouts);

} // namespace labelprint
