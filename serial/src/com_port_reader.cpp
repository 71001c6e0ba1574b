// CComPortReader: the reader thread that fills the receive ring; CComPortWnd.
#include "serial/com_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace porvl4 {

CComPortReader::CComPortReader() {
    // The named mutexes are shared with every other process using the library.
    Module().OpenMutexes();
}

CComPortReader::~CComPortReader() {
    CComPortReader::Close();
    SerialModule& m = Module();
    if (m.activeReader == nullptr) m.ring.reset();
}

uint32_t CComPortReader::Open(const char* portName, WindowHandle window, uint32_t message, uint32_t value,
                              uint32_t inQueue, uint32_t outQueue) {
    SerialModule& m = Module();
    if (IsOpen()) return Done(kErrAlreadyInitialized);
    // One ring per process: a second reading port would mix its bytes into it.
    if (m.activeReader != nullptr && m.activeReader != this) return Done(kErrAlreadyInitialized);
    uint32_t err = CComPort::Open(portName, inQueue, outQueue);
    if (err) return err;

    m.ring.reset(new uint8_t[static_cast<size_t>(m.ringSize)]());
    m.writeIndex = m.readIndex = -1;
    m.dataAvailable = 0;

    stopFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stopFd_ < 0) {
        err = ErrorFromErrno(errno);
        CComPort::Close();
        return Done(err);
    }
    m.activeReader = this;
    notifyWindow_ = window;
    notifyMessage_ = message ? message : SerialModule::kDefaultComMessage;
    notifyValue_ = value;
    try {
        thread_ = std::thread([this] { ThreadProc(); });
    } catch (const std::system_error& e) {
        ::close(stopFd_);
        stopFd_ = -1;
        m.activeReader = nullptr;
        CComPort::Close();
        return Done(ErrorFromErrno(e.code().value()));
    }
    return Done(0);
}

void CComPortReader::StoreReceived(const uint8_t* bytes, uint32_t count) {
    SerialModule& m = Module();
    if (!m.ringMutex.Lock(m.mutexWaitMs)) {
        m.droppedBytes.fetch_add(count); // the ring could not be had: the bytes are counted lost
        return;
    }
    bool stored = false;
    for (uint32_t i = 0; i < count; ++i) stored = m.StoreByte(bytes[i]) || stored;
    if (stored) m.dataAvailable = 1;
    m.ringMutex.Unlock();
    m.Notify();
}

namespace {
int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

uint32_t CComPortReader::ThreadProc() {
    SerialModule& m = Module();
    uint8_t chunk[101];
    // A time-out tick is raised whenever a whole receive time-out passed without a byte
    // stored, whatever the line does: a hung-up line keeps reporting itself without ever
    // giving a byte, and the waiting callers must still end on their time-out.
    int64_t quietSince = SteadyMs();
    for (;;) {
        const uint32_t tick = m.receiveTimeOut.load();
        const int64_t left = std::max<int64_t>(0, quietSince + tick - SteadyMs());
        uint32_t events = 0;
        bool stopped = false;
        const uint32_t err = WaitForEvent(stopFd_, static_cast<uint32_t>(left), events, stopped);
        if (stopped) return 0;
        m.lineHungUp = HungUp() ? 1 : 0;
        const int64_t now = SteadyMs();
        if (err || now - quietSince >= static_cast<int64_t>(tick)) {
            // One time-out tick for the waiting callers. The thread goes on, so a caller's
            // wait always ends.
            quietSince = now;
            m.timeOut = 1;
            m.Notify();
            if (err) {
                if (err != kErrTimeout) ::usleep(10000);
                continue;
            }
        }
        const uint32_t mask = GetEventType();
        if (mask & EV_TXEMPTY) {
            // Without the mutex the flag stays clear and the sender ends on its time-out.
            if (m.transmitMutex.Lock(m.mutexWaitMs)) {
                m.transmitDone = 1;
                m.transmitMutex.Unlock();
            }
            m.Notify();
        }
        if (mask & EV_RXCHAR) {
            // Chunks of at most 100 bytes until a read comes back short.
            for (;;) {
                uint32_t got = 0;
                const uint32_t rerr = Read(chunk, 100, &got, 0);
                if (got > 0) {
                    StoreReceived(chunk, got);
                    quietSince = SteadyMs();
                }
                if (rerr || got < 100) break;
            }
            m.lineHungUp = HungUp() ? 1 : 0;
        }
    }
}

uint32_t CComPortReader::Close() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (stopFd_ >= 0) ::close(stopFd_);
    stopFd_ = -1;
    notifyWindow_ = 0;
    notifyMessage_ = notifyValue_ = 0;
    SerialModule& m = Module();
    if (m.activeReader == this) {
        m.transmitDone = 0;
        m.timeOut = 0;
        m.lineHungUp = 0;
        // No thread is left to race with; the mutex keeps other users of the state out.
        const bool locked = m.ringMutex.Lock(m.mutexWaitMs);
        m.writeIndex = m.readIndex = -1;
        m.dataAvailable = 0;
        if (m.ring) std::memset(m.ring.get(), 0, static_cast<size_t>(m.ringSize));
        if (locked) m.ringMutex.Unlock();
        m.activeReader = nullptr;
    }
    return CComPort::Close();
}

uint32_t CComPortWnd::Open(const char* portName, CommWindow* window, uint32_t message, uint32_t value,
                           uint32_t inQueue, uint32_t outQueue) {
    return CComPortReader::Open(portName, reinterpret_cast<WindowHandle>(window), message, value, inQueue,
                                outQueue);
}

} // namespace porvl4
