#pragma once
// What the serial library needs of the window that owns a link, and of the link monitor.
// Both are interfaces so that the port and the communication class build without a GUI;
// the Qt side (Porvl4Monitor) implements them with a widget and the MMonitorComm dialog.
#include <cstdint>

namespace porvl4 {

// Window messages understood by the link monitor (WM_USER + 50 .. 52).
inline constexpr uint32_t WM_MONITOR_SEND = 0x432;    // running light on the send row
inline constexpr uint32_t WM_MONITOR_ALL_RED = 0x433; // all eight LEDs red
inline constexpr uint32_t WM_MONITOR_RECEIVE = 0x434; // running light on the receive row

// The link monitor: an object that exists from construction of the link, with a window
// created when the port opens.
class CommMonitor {
public:
    virtual ~CommMonitor() = default;
    virtual bool CreateWindow() = 0;            // builds and shows the window (once)
    virtual void DestroyWindow() = 0;           // destroys the window, keeps the object
    virtual void Show(bool show) = 0;           // shows or hides the window
    virtual void Post(uint32_t message) = 0;    // queues one WM_MONITOR_* message
};

// The window that owns a link (the parent window of MSerialComm).
class CommWindow {
public:
    virtual ~CommWindow() = default;
    // Dispatches the pending messages of the calling thread. Called while a send or a
    // receive waits, so the owner's window keeps working (a break button can end the wait).
    virtual void PumpMessages() {}
    // A new link monitor whose window will be a child of this window; null when this
    // window cannot host one. The caller owns the object.
    virtual CommMonitor* CreateMonitor() { return nullptr; }
};

} // namespace porvl4
