#pragma once
// The port layer of the serial library: CComPort (a tty opened exclusively in raw mode,
// with settings, event mask, handshake and read time-outs), CComPortReader (a reader thread
// that moves received bytes into the receive ring and raises the transmit-done and time-out
// flags) and CComPortWnd (the variant that takes a window object). Operations return
// Windows error numbers, as callers of this layer compare against them.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "serial/comm_window.h"
#include "serial/named_mutex.h"

namespace porvl4 {

// Error numbers of the port layer.
inline constexpr uint32_t kErrSuccess = 0;
inline constexpr uint32_t kErrInvalidFunction = 1;      // not a serial device
inline constexpr uint32_t kErrFileNotFound = 2;         // no such port
inline constexpr uint32_t kErrAccessDenied = 5;         // port in use elsewhere
inline constexpr uint32_t kErrInvalidHandle = 6;        // port not open
inline constexpr uint32_t kErrGenFailure = 31;          // any other system failure
inline constexpr uint32_t kErrInvalidParameter = 87;    // setting the line cannot take
inline constexpr uint32_t kErrIoDevice = 1117;          // device I/O error
inline constexpr uint32_t kErrAlreadyInitialized = 1247;
inline constexpr uint32_t kErrTimeout = 1460;
inline constexpr uint32_t kErrInvalidArg = 0x80070057u; // bad mode

// Event mask bits.
inline constexpr uint32_t EV_RXCHAR = 0x0001;
inline constexpr uint32_t EV_RXFLAG = 0x0002;
inline constexpr uint32_t EV_TXEMPTY = 0x0004;
inline constexpr uint32_t EV_BREAK = 0x0040;
inline constexpr uint32_t EV_ERR = 0x0080;

// Parity codes and stop-bit codes of Setup.
inline constexpr uint8_t kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4;
inline constexpr uint8_t kStopOne = 0, kStopOneAndHalf = 1, kStopTwo = 2;

inline constexpr uint32_t kWaitInfinite = 0xFFFFFFFFu;

// A window handle kept for notification (0: none).
using WindowHandle = uintptr_t;

// errno -> the error number this layer returns. One table for the whole library.
uint32_t ErrorFromErrno(int err);
// "COMn" (any case, n >= 1) -> the configured device path; anything else is a device path.
std::string DevicePathFor(const std::string& portName);

class CComPort {
public:
    CComPort() = default;
    virtual ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    virtual uint32_t Open(const char* portName, uint32_t inQueue, uint32_t outQueue);
    virtual uint32_t Close();
    virtual uint32_t Setup(uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits, uint8_t stripNul);
    virtual uint32_t SetEventChar(uint8_t eventChar, bool addToMask);
    virtual uint32_t SetMask(uint32_t mask);
    // Waits up to ms for an event of the mask; the mask of what happened is kept for
    // GetEventType. 0, or kErrTimeout when nothing happened.
    virtual uint32_t WaitEvent(uint32_t ms);
    virtual uint32_t SetHandshaking(int mode);  // 0 off, 1 hardware, 2 XON/XOFF
    virtual uint32_t SetReadTimeouts(int mode); // 0 non-blocking, 1 blocking
    virtual int32_t GetBaudRate();
    virtual int32_t GetDataBits();
    virtual int32_t GetParity();
    virtual int32_t GetStopBits();
    virtual int32_t GetHandshaking();
    virtual uint32_t GetEventMask();
    virtual uint8_t GetEventChar();
    virtual uint32_t WriteString(const char* text, uint32_t* written, uint32_t ms);
    virtual uint32_t Write(const void* data, uint32_t count, uint32_t* written, uint32_t ms);
    virtual uint32_t Read(void* buffer, uint32_t size, uint32_t* got, uint32_t ms);

    bool IsOpen() const { return fd_ >= 0; }
    // The far end of the line hung up (the line reports a hang-up or reads fail) and no byte
    // has been read since.
    bool HungUp() const { return hungUp_.load(); }
    uint32_t LastError() const { return lastError_; }
    int Fd() const { return fd_; }
    bool StripNul() const { return stripNul_; }

protected:
    uint32_t Done(uint32_t code) { lastError_ = code; return code; }
    // The wait of WaitEvent, ended early when stopFd (if >= 0) becomes readable.
    uint32_t WaitForEvent(int stopFd, uint32_t ms, uint32_t& events, bool& stopped);
    uint32_t CloseHandles();

    std::atomic<uint32_t> lastEventMask_{0xFFFFFFFFu};

private:
    // The port's line settings, kept as set: the line itself may not show every one of
    // them (a pseudo-terminal keeps 8 bits without parity, and Linux has no DSR flow
    // control or 1.5 stop bits), so getters answer from here.
    struct Line {
        uint32_t baud = 115200;
        uint8_t dataBits = 8, parity = kParityNone, stopBits = kStopOne;
        bool parityCheck = false, stripNul = true;
        bool ctsFlow = false, dsrFlow = false, dtrHandshake = false, rtsHandshake = false;
        bool xonOut = false, xonIn = false;
    };
    uint32_t ApplyLine(const Line& line);

    std::atomic<uint32_t> lastError_{0};
    int fd_ = -1;
    int eventFd_ = -1;                  // wakes a wait after a write
    std::atomic<bool> txPending_{false}; // written bytes not yet reported empty
    int64_t backOffUntil_ = 0;          // hung-up line: not polled until then
    std::atomic<bool> hungUp_{false};
    Line line_;
    // Read by the reader thread while the caller may change them.
    std::atomic<uint32_t> mask_{0};
    std::atomic<bool> stripNul_{true};
    std::atomic<int> readMode_{0};
    uint8_t eventChar_ = 0;
};

class CComPortReader : public CComPort {
public:
    CComPortReader();
    ~CComPortReader() override;

    using CComPort::Open;
    uint32_t Close() override;
    virtual uint32_t Open(const char* portName, WindowHandle window, uint32_t message, uint32_t value,
                          uint32_t inQueue, uint32_t outQueue);
    // The last event mask, which is then consumed (0xFFFFFFFF).
    uint32_t GetEventType() { return lastEventMask_.exchange(0xFFFFFFFFu); }
    bool ThreadRunning() const { return thread_.joinable(); }

protected:
    virtual uint32_t ThreadProc();

private:
    void StoreReceived(const uint8_t* bytes, uint32_t count);

    int stopFd_ = -1;
    std::thread thread_;
    WindowHandle notifyWindow_ = 0;
    uint32_t notifyMessage_ = 0;
    uint32_t notifyValue_ = 0;
};

class CComPortWnd : public CComPortReader {
public:
    CComPortWnd() = default;
    ~CComPortWnd() override = default;

    using CComPortReader::Open;
    // As CComPortReader::Open, notifying the given window object (none: no window).
    virtual uint32_t Open(const char* portName, CommWindow* window, uint32_t message, uint32_t value,
                          uint32_t inQueue, uint32_t outQueue);
};

// Module state: one set per process, shared by the port object, its reader thread and
// MSerialComm. The ring and its indices are touched only under ringMutex ("QX3R"); the
// transmit-done flag is set under transmitMutex ("QX3W"); flags are atomics.
struct SerialModule {
    static constexpr int32_t kRingSize = 2048;
    static constexpr uint32_t kDefaultComMessage = 0xC000; // "CComPortReader_DefaultComMsg"

    std::unique_ptr<uint8_t[]> ring;        // allocated when a reader port opens
    int32_t ringSize = kRingSize;
    int32_t writeIndex = -1;                // last byte stored by the reader thread
    int32_t readIndex = -1;                 // last byte taken by a reader
    std::atomic<uint64_t> droppedBytes{0};  // bytes that found the ring full
    std::atomic<uint8_t> dataAvailable{0};
    std::atomic<uint8_t> transmitDone{0};
    std::atomic<uint8_t> timeOut{0};
    std::atomic<uint8_t> lineHungUp{0};     // the reader's line was hung up at its last pass
    std::atomic<uint32_t> receiveTimeOut{5000};
    std::atomic<uint32_t> mutexWaitMs{30000}; // bound of every mutex wait
    NamedMutex ringMutex{"QX3R"};
    NamedMutex transmitMutex{"QX3W"};
    std::string lockDirectory;              // empty: the temporary folder

    CComPortReader* activeReader = nullptr; // the port whose thread feeds the ring
    CComPortWnd* port = nullptr;            // kept for MSerialComm
    CommMonitor* monitor = nullptr;

    // Under ringMutex: unread bytes, store one (false when full), take one (false when empty).
    int32_t Unread() const;
    bool StoreByte(uint8_t b);
    bool TakeByte(uint8_t& b);
    void Discard() { readIndex = writeIndex; }

    // Wake-ups of waiting callers: the reader thread and SetUserBreak call Notify; a waiter
    // sleeps until the sequence moves past what it saw or ms pass.
    void Notify();
    uint64_t WakeSequence();
    void WaitWake(uint64_t& seen, uint32_t ms);

    bool OpenMutexes(); // opens both lock files in lockDirectory
private:
    std::mutex wakeMutex_;
    std::condition_variable wakeCv_;
    uint64_t wakeSeq_ = 0;
};

SerialModule& Module();

} // namespace porvl4

// The system's class names, at global scope as the library exports them.
using porvl4::CComPort;
using porvl4::CComPortReader;
using porvl4::CComPortWnd;
