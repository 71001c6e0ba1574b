#pragma once
// Single-instance lock (in place of a named mutex): flock on a lock file.
#include <string>

namespace plat {

class SingleInstanceLock {
public:
    // name: "VELMO"; the lock file lives in dir (default: the system's temporary folder).
    explicit SingleInstanceLock(const std::string& name, const std::string& dir = std::string());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    bool Acquired() const { return fd_ >= 0; } // false: another instance holds it
    void Release();

private:
    int fd_ = -1;
};

} // namespace plat
