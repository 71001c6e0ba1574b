#pragma once
// A mutex shared by name between threads and processes: an in-process timed lock
// plus flock on the lock file "<dir>/<name>.lock" (default dir: the temporary folder).
// The kernel drops a dead process's flock, so a crashed holder never blocks the others.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace porvl4 {

class NamedMutex {
public:
    explicit NamedMutex(std::string name) : name_(std::move(name)) {}
    ~NamedMutex() { CloseHandle(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens (creating when needed) the lock file; without it the mutex still works
    // within the process. Not to be called while the mutex is held.
    bool Open(const std::string& dir);
    void CloseHandle();
    bool IsShared() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // Waits at most timeoutMs; false when the wait expired (the mutex is then not held).
    bool Lock(uint32_t timeoutMs);
    void Unlock();

private:
    void ReleaseLocal();

    std::string name_;
    std::string path_;
    // The in-process part: a flag under a mutex, waited on with a deadline.
    std::mutex localMutex_;
    std::condition_variable localFree_;
    bool held_ = false;
    int fd_ = -1;
};

// The system's temporary folder, where named mutexes live by default.
std::string DefaultLockDirectory();

} // namespace porvl4
