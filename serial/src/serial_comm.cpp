// MSerialComm: the exported communication class of the serial library.
#include "serial/serial_comm.h"

#include <cstring>
#include <vector>

namespace porvl4 {
namespace {

// A write that cannot complete (flow control holding the line) is given up after this
// long instead of blocking the caller for ever.
constexpr uint32_t kWriteLimitMs = 30000;
// Wait slices: short when the owner's messages must be dispatched, longer otherwise
// (the reader thread wakes the waiter at once when something happens).
constexpr uint32_t kPumpSliceMs = 10;
constexpr uint32_t kQuietSliceMs = 50;

uint32_t MapBaud(int baud) {
    switch (baud) {
    case 1200: case 2400: case 4800: case 9600: case 14400: case 19200:
    case 38400: case 56000: case 57600: case 115200: return static_cast<uint32_t>(baud);
    default: return 0xFFFFFFFFu; // refused by the port
    }
}

uint8_t MapParity(char p) {
    switch (p) {
    case 'E': case 'e': return kParityEven;
    case 'M': case 'm': return kParityMark;
    case 'N': case 'n': return kParityNone;
    case 'O': case 'o': return kParityOdd;
    case 'S': case 's': return kParitySpace;
    default: return 255;
    }
}

uint8_t MapStopBits(int code) {
    switch (code) {
    case 1: return kStopOne;
    case 2: return kStopTwo;
    case 15: return kStopOneAndHalf;
    default: return 255;
    }
}

} // namespace

MSerialComm::MSerialComm(int withMonitor, CommWindow* parent) : parent_(parent) {
    SerialModule& m = Module();
    m.receiveTimeOut = 5000;
    m.timeOut = 0;
    m.transmitDone = 0;
    if (withMonitor && parent_) monitor_ = parent_->CreateMonitor();
    port_ = new CComPortWnd();
    m.port = port_;
    m.monitor = monitor_;
}

MSerialComm::~MSerialComm() {
    SerialModule& m = Module();
    if (monitor_) {
        monitor_->DestroyWindow();
        delete monitor_;
        monitor_ = nullptr;
    }
    m.monitor = nullptr;
    if (port_) {
        port_->Close();
        delete port_;
        port_ = nullptr;
    }
    m.port = nullptr;
    trace_.Close();
}

const char* MSerialComm::GetVersion() { return "Nortavelli Serial Communication Library ver. 4.0"; }

int MSerialComm::SetParametri(int baud, int dataBits, char parity, int stopBits, int port, int /*reserved*/,
                              const char* traceFile, char stripNul) {
    baud_ = baud;
    dataBits_ = dataBits;
    parity_ = parity;
    stopBits_ = stopBits;
    portNumber_ = port;
    stripNul_ = stripNul;
    std::memset(traceName_, 0, sizeof traceName_);
    if (traceFile) std::strncpy(traceName_, traceFile, sizeof traceName_ - 1);
    if (!port_) return 0;
    const uint8_t bits = dataBits >= 5 && dataBits <= 8 ? static_cast<uint8_t>(dataBits) : 255;
    const uint32_t e1 =
        port_->Setup(MapBaud(baud), bits, MapParity(parity), MapStopBits(stopBits), stripNul ? 1 : 0);
    const uint32_t e2 = port_->SetHandshaking(0);
    return e1 == 0 && e2 == 0 ? 1 : 0;
}

int MSerialComm::SetParametri(int baud, int dataBits, char parity, int stopBits, int port, int reserved,
                              const char* traceFile) {
    return SetParametri(baud, dataBits, parity, stopBits, port, reserved, traceFile, 1);
}

CommMonitor* MSerialComm::OpenComm() {
    if (!port_) return nullptr;
    const char* name = portNumber_ == 2 ? "COM2" : portNumber_ == 3 ? "COM3" : portNumber_ == 4 ? "COM4" : "COM1";
    if (port_->Open(name, parent_, 0, 0, 2048, 2048) != 0) return nullptr;
    if (monitor_) monitor_->CreateWindow();
    // A trace file that cannot be created leaves tracing off; the link works without it.
    if (traceName_[0] && trace_.Create(traceName_)) trace_.Begin();
    return monitor_;
}

void MSerialComm::CloseComm() {
    if (!port_) return;
    port_->Close();
    if (trace_.IsOpen()) {
        trace_.End();
        trace_.Close();
    }
}

void MSerialComm::WaitPass(uint64_t& seen) {
    if (parent_) parent_->PumpMessages();
    Module().WaitWake(seen, parent_ ? kPumpSliceMs : kQuietSliceMs);
}

bool MSerialComm::TakeTick() { return Module().timeOut.exchange(0) != 0; }

int MSerialComm::SendChar(char c) {
    if (!port_) return -4;
    SerialModule& m = Module();
    // The time-out flag is not cleared here: a tick that passed while idle counts as the first.
    if (!m.transmitMutex.Lock(m.mutexWaitMs)) return static_cast<int>(kErrTimeout);
    m.transmitDone = 0;
    m.transmitMutex.Unlock();
    const uint8_t byte = static_cast<uint8_t>(c);
    const uint32_t err = port_->Write(&byte, 1, nullptr, kWriteLimitMs);
    if (err) return static_cast<int>(err); // not sent: nothing to wait for
    int ticks = 0;
    uint64_t seen = m.WakeSequence();
    while (!userBreak_ && ticks < 2 && !m.transmitDone) {
        WaitPass(seen);
        if (TakeTick()) ++ticks;
    }
    if (userBreak_) {
        userBreak_ = 0;
        return -4;
    }
    if (ticks < 2) {
        trace_.Sent(byte);
        return 0;
    }
    m.timeOut = 0;
    return -3;
}

int MSerialComm::DiscardAndBreak() {
    SerialModule& m = Module();
    const bool locked = m.ringMutex.Lock(m.mutexWaitMs);
    if (locked) {
        m.Discard();
        m.dataAvailable = 0;
        m.ringMutex.Unlock();
    }
    userBreak_ = 0;
    return -4;
}

int MSerialComm::ReceiveFromPort(char* dst, int n) {
    if (!port_ || !port_->IsOpen()) return -4; // no reader thread: nothing would ever arrive
    if (n > 0 && !dst) return static_cast<int>(kErrInvalidParameter);
    SerialModule& m = Module();
    m.timeOut = 0;
    int ticks = 0;
    int count = 0;
    uint64_t seen = m.WakeSequence();
    for (;;) {
        if (userBreak_) return DiscardAndBreak();
        if (ticks >= 2 || count >= n) {
            if (ticks < 2) return 0;
            m.timeOut = 0;
            return m.lineHungUp != 0 ? kCommHangUp : -3;
        }
        if (!m.ringMutex.Lock(m.mutexWaitMs)) return static_cast<int>(kErrTimeout);
        uint8_t byte = 0;
        const bool took = m.TakeByte(byte);
        m.dataAvailable = 0;
        m.ringMutex.Unlock();
        if (took) {
            dst[count++] = static_cast<char>(byte);
            continue;
        }
        WaitPass(seen);
        if (TakeTick()) ++ticks;
    }
}

int MSerialComm::ReceiveChar(char& c) {
    char byte = 0;
    const int r = ReceiveFromPort(&byte, 1);
    if (r == 0) {
        c = byte;
        if (monitor_) monitor_->Post(WM_MONITOR_RECEIVE);
        trace_.Received(static_cast<uint8_t>(byte));
    } else {
        trace_.ReceiveError(r);
    }
    return r;
}

int MSerialComm::ReceiveCharE(char& c) {
    char byte = 0;
    const int r = ReceiveChar(byte);
    if (r != 0) byte = 0;
    SendChar(byte); // the echo; its own result does not change the receive's
    c = byte;
    return r;
}

int MSerialComm::SendCharE(char c, char& echo) {
    SendChar(c); // a lost send shows as a missing or wrong echo
    char back = 0;
    const int r = ReceiveChar(back);
    if (r != 0) return r;
    echo = back;
    return back == c ? 0 : -1;
}

int MSerialComm::SendString(const char* text) {
    if (!port_) return -4;
    const size_t n = text ? std::strlen(text) : 0;
    const uint32_t err = port_->Write(text, static_cast<uint32_t>(n), nullptr, kWriteLimitMs);
    // Every string sent is traced by its first byte (0 for an empty one) and blinks the send
    // row, whatever the write's result: the trace shows each attempt, the result says how it went.
    trace_.Sent(n > 0 ? static_cast<uint8_t>(text[0]) : 0);
    if (monitor_) monitor_->Post(WM_MONITOR_SEND);
    return static_cast<int>(err);
}

int MSerialComm::SendStringE(const char* text) {
    if (!text) return 0;
    for (const char* p = text; *p; ++p) {
        char echo = 0;
        if (const int r = SendCharE(*p, echo)) return r;
    }
    return 0;
}

int MSerialComm::ReceiveString(int n, char* dst) {
    if (!dst) return static_cast<int>(kErrInvalidParameter);
    std::vector<char> got(static_cast<size_t>(n > 0 ? n : 0));
    for (auto& b : got)
        if (const int r = ReceiveChar(b)) return r;
    std::memcpy(dst, got.data(), got.size());
    dst[got.size()] = '\0';
    return 0;
}

int MSerialComm::ReceiveStringE(int n, std::string& s) {
    std::string got(static_cast<size_t>(n > 0 ? n : 0), '\0');
    for (auto& b : got)
        if (const int r = ReceiveCharE(b)) return r;
    s = got;
    return 0;
}

void MSerialComm::ResetComm() {
    char c = 0;
    while (ReceiveChar(c) == 0) {
    }
}

void MSerialComm::SetRecTimeOut(uint32_t ms) {
    // 0 would make the reader thread tick without pause: 1 ms is the shortest tick.
    if (port_) Module().receiveTimeOut = ms > 0 ? ms : 1;
}

void MSerialComm::SetUserBreak() {
    if (!port_) return;
    userBreak_ = 1;
    Module().Notify();
}

void MSerialComm::EnableSignal(int show) {
    if (monitor_) monitor_->Show(show != 0);
}

int MSerialComm::WriteDone() { return 0; }

intptr_t MSerialComm::OnReceiveChar(uintptr_t, intptr_t) { return 0; }
intptr_t MSerialComm::OnWrittenChar(uintptr_t, intptr_t) { return 0; }

intptr_t MSerialComm::OnTimeOut(uintptr_t, intptr_t) {
    Module().timeOut = 1;
    Module().Notify();
    return 0;
}

intptr_t MSerialComm::OnUserBreak(uintptr_t, intptr_t) {
    userBreak_ = 1;
    Module().Notify();
    return 0;
}

} // namespace porvl4
