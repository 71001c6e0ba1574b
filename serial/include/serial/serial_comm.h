#pragma once
// MSerialComm: byte-level communication on COM1 to COM4 with stored settings, send and
// receive with a time-out and a user break, echo variants, an optional trace file and an
// optional link monitor. One object per process, used from one thread (the thread of the
// window that owns it). Results: 0 success, -3 time-out (two ticks of the receive time-out
// without the awaited event), kCommHangUp (-5) the same time-out on a line whose far end hung
// up, -4 no port or user break, -1 wrong echo; other values are error numbers of the port
// layer (kErrTimeout when a shared mutex could not be had).
#include <cstdint>
#include <string>

#include "serial/com_port.h"
#include "serial/comm_window.h"
#include "serial/trace_log.h"

namespace porvl4 {

// A receive that ended on its time-out while the line was hung up (the far end closed).
inline constexpr int kCommHangUp = -5;

class MSerialComm {
public:
    // withMonitor != 0: the parent window is asked for a link monitor (its window comes
    // with OpenComm). parent may be null: no message pump, no monitor.
    MSerialComm(int withMonitor, CommWindow* parent);
    virtual ~MSerialComm();
    MSerialComm(const MSerialComm&) = delete;
    MSerialComm& operator=(const MSerialComm&) = delete;

    const char* GetVersion();
    // Stores the settings and applies them to an open port: 1 success, 0 failure (always 0
    // before OpenComm; the values stay stored). stopBits: 1 one, 2 two, 15 one and a half.
    int SetParametri(int baud, int dataBits, char parity, int stopBits, int port, int reserved,
                     const char* traceFile, char stripNul);
    int SetParametri(int baud, int dataBits, char parity, int stopBits, int port, int reserved,
                     const char* traceFile);
    // Opens "COM<port>" (COM1 unless 2, 3 or 4) at 115200 8N1 without handshake; returns the
    // monitor, or null (also when the port could not be opened).
    CommMonitor* OpenComm();
    void CloseComm();

    int SendChar(char c);
    int SendCharE(char c, char& echo);
    int SendString(const char* text);
    int SendStringE(const char* text);
    int ReceiveFromPort(char* dst, int n);
    int ReceiveChar(char& c);
    int ReceiveCharE(char& c);
    int ReceiveString(int n, char* dst); // dst holds n + 1 bytes
    int ReceiveStringE(int n, std::string& s);
    void ResetComm();
    void SetRecTimeOut(uint32_t ms);
    void SetUserBreak();
    void EnableSignal(int show);
    int WriteDone();

    // Message handlers of the link (kept for callers; nothing routes messages to them).
    intptr_t OnReceiveChar(uintptr_t wParam, intptr_t lParam);
    intptr_t OnWrittenChar(uintptr_t wParam, intptr_t lParam);
    intptr_t OnTimeOut(uintptr_t wParam, intptr_t lParam);
    intptr_t OnUserBreak(uintptr_t wParam, intptr_t lParam);

    CComPortWnd* Port() { return port_; }

private:
    // One pass of a wait: dispatch the owner's messages, then sleep until the reader
    // thread or a break reports something (or a short slice passes).
    void WaitPass(uint64_t& seen);
    // Counts one tick when the reader thread raised the time-out flag (and clears it).
    bool TakeTick();
    int DiscardAndBreak();

    int32_t baud_ = 9600;
    int32_t dataBits_ = 8;
    char parity_ = 'N';
    int32_t stopBits_ = 1;
    int32_t portNumber_ = 1;
    char stripNul_ = 1;
    char traceName_[64] = {};
    SerialTraceLog trace_;
    CommWindow* parent_ = nullptr;
    CommMonitor* monitor_ = nullptr;
    CComPortWnd* port_ = nullptr;
    std::atomic<int32_t> userBreak_{0};
};

} // namespace porvl4

using porvl4::MSerialComm;
