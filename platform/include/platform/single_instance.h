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
    bool Acquired() const { return fd_ >= 0; }
    // Not acquired because another instance holds the lock (false when the lock file itself
    // could not be made or locked: Error() tells why).
    bool Held() const { return held_; }
    const std::string& Error() const { return error_; }
    void Release();

private:
    int fd_ = -1;
    bool held_ = false;
    std::string error_;
};

} // namespace plat
