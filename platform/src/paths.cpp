// Windows-style paths mapped onto the native file system, with case-insensitive lookup.
#include "platform/paths.h"
#include "platform/file_stream.h"

#include "fs_internal.h"
#include "platform/text.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat {

namespace {

std::mutex g_pathMutex;
std::string g_programDir;      // with a trailing '/'
bool g_programDirSet = false;
std::string g_drivesRoot;      // override, without a trailing '/'
bool g_drivesRootSet = false;

std::string WithTrailingSlash(std::string dir) {
    if (dir.empty()) return "./";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string WithoutTrailingSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

bool Exists(const std::string& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Splits a native path into its components; `absolute` tells whether it starts at '/',
// `trailing` whether it ends with '/'.
std::vector<std::string> SplitPath(const std::string& p, bool& absolute, bool& trailing) {
    std::vector<std::string> parts;
    absolute = !p.empty() && p[0] == '/';
    trailing = p.size() > 1 && p.back() == '/';
    size_t i = 0;
    while (i < p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        if (j > i) parts.emplace_back(p.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

std::string JoinPath(const std::string& base, const std::string& name) {
    if (base.empty()) return name;
    if (base.back() == '/') return base + name;
    return base + "/" + name;
}

// The entry of folder dir whose name equals name ignoring case; the smallest such name
// (byte order) so that the choice does not depend on the directory order. Empty if none.
std::string FindNoCase(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return std::string();
    std::string best;
    while (dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
        if (EqualsNoCase(n, name) && (best.empty() || std::strcmp(n, best.c_str()) < 0)) best = n;
    }
    ::closedir(d);
    return best;
}

// Walks the components of a native path, replacing each one that does not exist with
// its case-insensitive match. forWrite: a component with no match is kept as given
// (the rest is to be created); otherwise the lookup fails and returns empty.
std::string ResolveNoCase(const std::string& native, bool forWrite) {
    bool absolute = false, trailing = false;
    std::vector<std::string> parts = SplitPath(native, absolute, trailing);
    std::string cur = absolute ? "/" : "";
    bool missing = false; // once a folder is missing, nothing below it can exist
    for (const std::string& part : parts) {
        std::string next = JoinPath(cur, part);
        if (!missing && part != "." && part != ".." && !Exists(next)) {
            std::string match = FindNoCase(cur, part);
            if (!match.empty()) {
                next = JoinPath(cur, match);
            } else if (forWrite) {
                missing = true;
            } else {
                return std::string();
            }
        }
        cur = std::move(next);
    }
    if (cur.empty()) cur = ".";
    if (trailing && cur.back() != '/') cur += '/';
    return cur;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t w = ::write(fd, data, size);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        size -= static_cast<size_t>(w);
    }
    return true;
}

std::atomic<FileFault> g_fileFault{nullptr};

// Keeps errno across the clean-up of a failed operation.
class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int saved_;
};

} // namespace

void SetFileFaultForTests(FileFault fault) { g_fileFault.store(fault); }

int DeviceFaultForTests(const char* name, FileOp op) {
    const FileFault fault = g_fileFault.load();
    return fault != nullptr ? fault(name != nullptr ? name : "", op) : 0;
}

int detail::InjectedFault(const std::string& nativePath, FileOp op) {
    const FileFault fault = g_fileFault.load();
    return fault != nullptr ? fault(nativePath.c_str(), op) : 0;
}

bool RemoveFile(std::string_view path) {
    const std::string p = FindExisting(path);
    if (p.empty()) return true;
    if (const int fault = detail::InjectedFault(p, FileOp::Remove); fault != 0) {
        errno = fault;
        return false;
    }
    return ::unlink(p.c_str()) == 0 || errno == ENOENT;
}

bool WriteBytesInPlace(std::string_view path, long offset, const void* data, std::size_t size) {
    const std::string p = FindExisting(path);
    if (p.empty()) {
        errno = ENOENT;
        return false;
    }
    if (const int fault = detail::InjectedFault(p, FileOp::Write); fault != 0) {
        errno = fault;
        return false;
    }
    const int fd = ::open(p.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t wrote = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    bool ok = wrote == static_cast<ssize_t>(size);
    if (wrote >= 0 && !ok) errno = EIO;
    if (ok) ok = ::fdatasync(fd) == 0;
    ErrnoKeeper keep;
    if (::close(fd) != 0 && ok) return false;
    return ok;
}

bool FileStamp(std::string_view path, int64_t& size, int64_t& modifiedNs) {
    const std::string p = FindExisting(path);
    struct stat st{};
    if (p.empty() || ::stat(p.c_str(), &st) != 0) return false;
    size = static_cast<int64_t>(st.st_size);
    modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

const std::string& ProgramDirectory() {
    std::lock_guard<std::mutex> lock(g_pathMutex);
    if (!g_programDirSet) {
        char buf[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        std::string exe = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
        size_t slash = exe.rfind('/');
        g_programDir = slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
        g_programDirSet = true;
    }
    return g_programDir;
}

void SetProgramDirectory(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_pathMutex);
    g_programDir = WithTrailingSlash(dir);
    g_programDirSet = true;
}

std::string DrivesRoot() {
    {
        std::lock_guard<std::mutex> lock(g_pathMutex);
        if (g_drivesRootSet) return g_drivesRoot;
    }
    const char* env = std::getenv("BRELON_DRIVES");
    if (env && *env) return WithoutTrailingSlash(env);
    return ProgramDirectory() + "drives";
}

void SetDrivesRoot(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_pathMutex);
    g_drivesRootSet = !dir.empty();
    g_drivesRoot = WithoutTrailingSlash(dir);
}

std::string NativePath(std::string_view path) {
    std::string p(path);
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    if (p.size() >= 2 && IsAlpha(p[0]) && p[1] == ':') {
        const char drive = ToUpperAscii(std::string_view(p.data(), 1))[0];
        std::string rest = p.substr(2);
        std::string out = DrivesRoot() + "/" + drive;
        if (!rest.empty()) {
            if (rest[0] != '/') out += '/';
            out += rest;
        }
        return out;
    }
    return p;
}

std::string FindExisting(std::string_view path) {
    if (path.empty()) return std::string();
    std::string native = NativePath(path);
    if (Exists(native)) return native;
    return ResolveNoCase(native, false);
}

std::string PathForRead(std::string_view path) {
    std::string found = FindExisting(path);
    return found.empty() ? NativePath(path) : found;
}

std::string PathForWrite(std::string_view path) {
    std::string native = NativePath(path);
    if (native.empty() || Exists(native)) return native;
    return ResolveNoCase(native, true);
}

namespace {

// What is at an existing native path, as FileKindFault tells it.
int KindFaultOf(const std::string& p) {
    struct stat st{};
    if (::stat(p.c_str(), &st) != 0) {
        if (errno == ELOOP) return ELOOP;
        struct stat lst{};
        if (errno == ENOENT && ::lstat(p.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) return kErrDanglingLink;
        return errno != 0 ? errno : ENOENT;
    }
    if (S_ISREG(st.st_mode)) return 0;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (S_ISFIFO(st.st_mode)) return kErrNamedPipe;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return kErrDevice;
    if (S_ISSOCK(st.st_mode)) return kErrSocket;
    return kErrNotAFile;
}

// Opens an existing plain file for reading (or reading and writing): the open itself does not
// wait (a pipe put in place after the look), and what it opened is looked at again.
int OpenPlainFile(const std::string& p, bool write) {
    if (const int fault = KindFaultOf(p); fault != 0) {
        errno = fault;
        return -1;
    }
    const int fd = ::open(p.c_str(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = kErrNotAFile;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

int FileKindFault(std::string_view path) {
    const std::string p = FindExisting(path);
    return p.empty() ? ENOENT : KindFaultOf(p);
}

FILE* OpenFile(std::string_view path, const char* mode) {
    if (mode == nullptr || *mode == '\0') {
        errno = EINVAL;
        return nullptr;
    }
    std::string p = mode[0] == 'r' ? FindExisting(path) : PathForWrite(path);
    if (p.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    // Close on exec: programs we start must not inherit our open files.
    std::string m(mode);
    if (m.find('e') == std::string::npos) m += 'e';
    if (mode[0] != 'r') return std::fopen(p.c_str(), m.c_str());
    const int fd = OpenPlainFile(p, m.find('+') != std::string::npos);
    if (fd < 0) return nullptr;
    FILE* f = ::fdopen(fd, m.c_str());
    if (f == nullptr) {
        ErrnoKeeper keep;
        ::close(fd);
    }
    return f;
}

bool IsRegularFile(std::string_view path) {
    std::string p = FindExisting(path);
    struct stat st{};
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(std::string_view path) {
    std::string p = FindExisting(path);
    struct stat st{};
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(std::string_view path) {
    std::string target = PathForWrite(path);
    if (target.empty()) return false;
    bool absolute = false, trailing = false;
    std::vector<std::string> parts = SplitPath(target, absolute, trailing);
    std::string cur = absolute ? "/" : "";
    for (const std::string& part : parts) {
        cur = JoinPath(cur, part);
        if (::mkdir(cur.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    struct stat st{};
    return ::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool detail::CommitFile(const std::string& finalPathIn, const std::string& data, CommitHook hook,
                        CommitSync sync) {
    if (finalPathIn.empty()) {
        errno = ENOENT;
        return false;
    }
    std::string finalPath = finalPathIn;
    // Replace the file a symbolic link points to, not the link itself.
    struct stat lst{};
    if (::lstat(finalPath.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char* real = ::realpath(finalPath.c_str(), nullptr);
        if (real) {
            finalPath = real;
            std::free(real);
        }
    }
    struct stat existing{};
    const bool hadFile = ::stat(finalPath.c_str(), &existing) == 0;
    if (hadFile && !S_ISREG(existing.st_mode)) {
        errno = KindFaultOf(finalPath);
        return false;
    }

    const size_t slash = finalPath.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : finalPath.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);

    static std::atomic<unsigned> counter{0};
    std::string tempPath;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempPath = JoinPath(dir, "." + base + "." + std::to_string(::getpid()) + "." +
                                     std::to_string(counter.fetch_add(1)) + ".tmp");
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = true;
    if (const int fault = InjectedFault(finalPath, FileOp::Write); fault != 0) {
        errno = fault;
        ok = false;
    }
    if (ok) ok = WriteAll(fd, data.data(), data.size());
    if (ok && hadFile) ::fchmod(fd, existing.st_mode & 07777); // keep the file's permissions
    if (ok) ok = (sync == CommitSync::Full ? ::fsync(fd) : ::fdatasync(fd)) == 0;
    if (ok) {
        ok = ::close(fd) == 0;
    } else {
        ErrnoKeeper keep;
        ::close(fd);
    }
    if (!ok) {
        ErrnoKeeper keep;
        ::unlink(tempPath.c_str());
        return false;
    }
    if (hook && !hook(tempPath.c_str(), finalPath.c_str())) return false;
    if (::rename(tempPath.c_str(), finalPath.c_str()) != 0) {
        ErrnoKeeper keep;
        ::unlink(tempPath.c_str());
        return false;
    }
    // The data reached the disk before the rename, so a crash finds under the name either the
    // old file or the new one, whole, with or without the folder sync. The folder sync only
    // makes the rename itself durable (without it a crash may bring the old content back).
    if (sync == CommitSync::DataOnly) return true;
    ErrnoKeeper keep;
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

namespace {

// The writer's process of one of CommitFile's temporary names, 0 when the name is not one.
pid_t TemporaryWriter(const std::string& name) {
    static constexpr std::string_view kSuffix = ".tmp";
    if (name.size() <= kSuffix.size() || name[0] != '.' ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return 0;
    const std::string stem = name.substr(0, name.size() - kSuffix.size());
    // Two runs of digits, each after a dot, at the end of the stem.
    auto digitsBefore = [&stem](size_t end, size_t& dot) {
        size_t i = end;
        while (i > 0 && stem[i - 1] >= '0' && stem[i - 1] <= '9') --i;
        if (i == end || i == 0 || stem[i - 1] != '.' || end - i > 10) return false;
        dot = i - 1;
        return true;
    };
    size_t countDot = 0, pidDot = 0;
    if (!digitsBefore(stem.size(), countDot) || !digitsBefore(countDot, pidDot)) return 0;
    if (pidDot < 2) return 0; // "." and a name of at least one character before the process
    const long long pid = std::strtoll(stem.c_str() + pidDot + 1, nullptr, 10);
    return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

bool ProcessRuns(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

} // namespace

int RemoveStaleTemporaries(std::string_view folder) {
    const std::string dir = FindExisting(folder);
    if (dir.empty()) return 0;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return 0;
    ErrnoKeeper keep;
    int removed = 0;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        const pid_t writer = TemporaryWriter(name);
        if (writer == 0 || writer == ::getpid() || ProcessRuns(writer)) continue;
        const std::string path = JoinPath(dir, name);
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(d);
    return removed;
}

bool WriteFileAtomic(std::string_view path, const std::string& data) {
    return detail::CommitFile(PathForWrite(path), data, nullptr);
}

bool WriteRecordAtomic(std::string_view path, const std::string& data) {
    return detail::CommitFile(PathForWrite(path), data, nullptr, detail::CommitSync::DataOnly);
}

bool ReadWholeFile(std::string_view path, std::string& out, std::size_t maxBytes) {
    out.clear();
    // Growing past the bound as it is read stops the read (EFBIG).
    const bool ok = ReadFileChunks(path, [&out, maxBytes](std::string_view bytes) {
        if (out.size() + bytes.size() > maxBytes) return false;
        out.append(bytes);
        return true;
    });
    if (!ok) {
        const int err = errno;
        out.clear();
        errno = err;
    }
    return ok;
}

bool ReadFileChunks(std::string_view path, const std::function<bool(std::string_view)>& chunk) {
    const std::string p = FindExisting(path);
    if (p.empty()) {
        errno = ENOENT;
        return false;
    }
    if (const int fault = detail::InjectedFault(p, FileOp::Read); fault != 0) {
        errno = fault;
        return false;
    }
    const int fd = OpenPlainFile(p, false);
    if (fd < 0) return false;
    char buf[65536];
    int err = 0;
    for (;;) {
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        if (r == 0) break;
        if (!chunk(std::string_view(buf, static_cast<std::size_t>(r)))) {
            err = EFBIG;
            break;
        }
    }
    ::close(fd);
    errno = err;
    return err == 0;
}

} // namespace plat
