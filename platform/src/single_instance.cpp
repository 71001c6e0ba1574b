// Single-instance lock: an exclusive flock on "<dir>/<name>.lock".
#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace plat {

SingleInstanceLock::SingleInstanceLock(const std::string& name, const std::string& dir) {
    std::string folder = dir;
    if (folder.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        folder = (tmp && *tmp) ? tmp : "/tmp";
    }
    if (folder.back() != '/') folder += '/';
    const std::string path = folder + name + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = path + ": " + std::strerror(errno);
        return;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        held_ = errno == EWOULDBLOCK;
        if (!held_) error_ = path + ": " + std::strerror(errno);
        ::close(fd);
        return;
    }
    fd_ = fd;
}

SingleInstanceLock::~SingleInstanceLock() { Release(); }

void SingleInstanceLock::Release() {
    if (fd_ >= 0) {
        // The file stays: removing it would let a third instance lock a new file while a
        // second one still holds the old one.
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace plat
