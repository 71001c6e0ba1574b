// Named mutex: in-process timed lock + flock on a lock file shared by every process.
#include "serial/named_mutex.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace porvl4 {

std::string DefaultLockDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp && *tmp) ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool NamedMutex::Open(const std::string& dir) {
    CloseHandle();
    std::string d = dir.empty() ? DefaultLockDirectory() : dir;
    if (d.back() != '/') d += '/';
    path_ = d + name_ + ".lock";
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    return fd_ >= 0;
}

void NamedMutex::CloseHandle() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool NamedMutex::Lock(uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    {
        std::unique_lock<std::mutex> lock(localMutex_);
        if (!localFree_.wait_until(lock, deadline, [this] { return !held_; })) return false;
        held_ = true;
    }
    if (fd_ < 0) return true;
    // The other processes: poll the lock file, backing off up to 5 ms between tries.
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return true; // lock file unusable: process-local only
        if (Clock::now() >= deadline) break;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(5)) pause *= 2;
    }
    ReleaseLocal();
    return false;
}

void NamedMutex::Unlock() {
    if (fd_ >= 0) ::flock(fd_, LOCK_UN);
    ReleaseLocal();
}

void NamedMutex::ReleaseLocal() {
    {
        std::lock_guard<std::mutex> lock(localMutex_);
        held_ = false;
    }
    localFree_.notify_one();
}

} // namespace porvl4
