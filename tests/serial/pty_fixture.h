#pragma once
// A pseudo-terminal pair for serial tests: the library opens the slave as "COMn", the test
// plays the peer on the master.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "serial/com_port.h"

namespace serialtest {

struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;

    Pty() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
        if (master >= 0) ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // The peer sends bytes to the port.
    void Send(const std::string& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<size_t>(n);
            else {
                pollfd p{master, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    }
    // What the port sent: up to want bytes, waiting at most ms for them.
    std::string Take(size_t want, int ms = 2000) const {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < want && std::chrono::steady_clock::now() < end) {
            char buf[512];
            const ssize_t n = ::read(master, buf, std::min(sizeof buf, want - got.size()));
            if (n > 0) {
                got.append(buf, static_cast<size_t>(n));
                continue;
            }
            pollfd p{master, POLLIN, 0};
            ::poll(&p, 1, 10);
        }
        return got;
    }
    // Everything the port sent so far (nothing waited for).
    std::string Pending() const { return Take(4096, 20); }
};

// Maps COMn to a device for the library (the variable the platform's mapping reads).
inline void MapCom(int n, const std::string& device) {
    ::setenv(("BRELON_COM" + std::to_string(n)).c_str(), device.c_str(), 1);
}

// Unread bytes of the receive ring, read under its mutex.
inline int32_t RingUnread() {
    auto& m = porvl4::Module();
    if (!m.ringMutex.Lock(1000)) return -1;
    const int32_t n = m.Unread();
    m.ringMutex.Unlock();
    return n;
}

// Waits until the reader thread has stored at least n unread bytes (false after ms).
inline bool WaitUnread(int32_t n, int ms = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (RingUnread() < n) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
}

} // namespace serialtest
