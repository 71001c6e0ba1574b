// File, path and system routines.
#include "machine/file_routines.h"

#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <locale.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "machine/error_text.h"
#include "machine/settings_support.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

constexpr int kRetries = 10;
constexpr int kRetryWaitHundredths = 10;
constexpr std::size_t kCopyChunk = 255;

bool Empty(const char* s) { return s == nullptr || *s == '\0'; }

// The existing file behind a Windows-style or native path ("" when none).
std::string Existing(const char* path) { return Empty(path) ? std::string() : plat::FindExisting(path); }

bool StatOf(const std::string& native, struct stat& st) { return !native.empty() && ::stat(native.c_str(), &st) == 0; }

// Both names lead to the same file: a copy would truncate its own source.
bool SameFile(const char* a, const char* b) {
    struct stat sa {}, sb {};
    return StatOf(Existing(a), sa) && StatOf(Existing(b), sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Removes a regular file only: a device or directory named as destination is never removed.
bool RemoveRegular(const char* path) {
    const std::string native = Existing(path);
    struct stat st {};
    if (!StatOf(native, st) || !S_ISREG(st.st_mode)) return false;
    return std::remove(native.c_str()) == 0;
}

} // namespace

int CopyFileRaw(const char* source, const char* destination) {
    if (Empty(source)) return kCopyNoSource;
    if (Empty(destination)) return kCopyNoDestination;
    if (!plat::IsRegularFile(source)) return kCopyNoSource;
    if (SameFile(source, destination)) return kCopyNoDestination;
    FILE* in = plat::OpenFile(source, "rb");
    if (in == nullptr) return kCopyNoSource;
    FILE* out = plat::OpenFile(destination, "wb");
    if (out == nullptr) {
        std::fclose(in);
        return kCopyNoDestination;
    }
    int code = kCopyOk;
    char buf[kCopyChunk];
    for (;;) {
        std::size_t n = std::fread(buf, 1, sizeof buf, in);
        if (n > 0 && std::fwrite(buf, 1, n, out) != n) {
            code = kCopyShortWrite;
            break;
        }
        if (n < sizeof buf) {
            if (std::ferror(in)) code = kCopyShortWrite;
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0) code = kCopyShortWrite; // the last buffer did not reach the disk
    return code;
}

int CopyFileRetry(const char* source, const char* destination) {
    if (Empty(source)) return kCopyNoSource;
    if (Empty(destination)) return kCopyNoDestination;
    if (SameFile(source, destination)) return kCopyNoDestination;
    int code = kCopyOk;
    for (int attempt = 1; attempt <= kRetries; ++attempt) {
        code = CopyFileRaw(source, destination);
        if (code == kCopyOk || code == kCopyNoSource) break;
        if (code == kCopyShortWrite) RemoveRegular(destination);
        if (attempt < kRetries) WaitHundredths(kRetryWaitHundredths);
    }
    return code;
}

int MoveFileRetry(const char* source, const char* destination) {
    int code = CopyFileRetry(source, destination);
    if (code != kCopyOk) return code;
    return DeleteFileRetry(source) == 0 ? kCopyOk : kMoveDeleteFailed;
}

int DeleteFileRetry(const char* path) {
    if (Empty(path) || !IsFileReadable(path)) return 2;
    for (int attempt = 1; attempt <= kRetries; ++attempt) {
        const std::string native = Existing(path);
        if (native.empty()) return 0; // gone meanwhile
        if (plat::RemoveFile(native)) return 0;
        if (attempt < kRetries) WaitHundredths(kRetryWaitHundredths);
    }
    return 1;
}

std::string FileFaultReason(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT: return MsgError("ERR_NO_SPACE");
    case EACCES:
    case EPERM:
    case EROFS: return MsgError("ERR_NO_ACCESS");
    case EISDIR: return MsgError("ERR_IS_FOLDER");
    case plat::kErrNamedPipe: return MsgError("ERR_IS_PIPE");
    case plat::kErrDevice: return MsgError("ERR_IS_DEVICE");
    case plat::kErrSocket: return MsgError("ERR_IS_SOCKET");
    case plat::kErrDanglingLink: return MsgError("ERR_LINK_DANGLING");
    case ELOOP: return MsgError("ERR_LINK_LOOP");
    case plat::kErrNotAFile: return MsgError("ERR_NOT_A_FILE");
    // Every reader of the program's text files reads at most kTextFileBound bytes.
    case EFBIG: return plat::StrFormatC("%s %zu", MsgError("ERR_TOO_LARGE"), plat::kTextFileBound);
    default: { // the system's text in the C locale, as every other text of the program
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return err == 0 ? "" : c != static_cast<locale_t>(nullptr) ? strerror_l(err, c) : std::strerror(err);
    }
    }
}

std::string FileFaultText(bool write, const char* path, int err) {
    return FileFaultTextUnder(write ? "ERR_FILE_WRITE" : "ERR_FILE_READ", path, err);
}

std::string FileFaultTextUnder(const char* headKey, const char* path, int err) {
    const std::string reason = FileFaultReason(err);
    std::string head = MsgError(headKey);
    if (!reason.empty()) head += " (" + reason + ")";
    head += ":\n";
    const std::string whole = path != nullptr ? path : "";
    if (head.size() + whole.size() < kErrorTextSize) return head + whole;
    const std::size_t slash = whole.find_last_of("\\/");
    return head + (slash == std::string::npos ? whole : whole.substr(slash + 1));
}

void SetFileFaultText(bool write, const char* path, int err) {
    SetErrorTextLiteral(FileFaultText(write, path, err).c_str());
}

int IsFileReadable(const char* path) {
    if (Empty(path)) return 0;
    // A directory opens for reading on this system, not on the one the callers expect.
    if (plat::IsDirectory(path)) return 0;
    FILE* f = plat::OpenFile(path, "rb");
    if (f == nullptr) return 0;
    std::fclose(f);
    return 1;
}

bool FileExists(const char* path) {
    struct stat st {};
    return StatOf(Existing(path), st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const char* path) { return !Empty(path) && plat::IsDirectory(path); }

bool AppendToFile(const char* path, const std::string& bytes) {
    if (Empty(path)) return false;
    FILE* f = plat::OpenFile(path, "ab");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void WaitHundredths(int n) {
    if (n <= 0) return;
    plat::Clock& clock = plat::CurrentClock();
    auto timeOfDay = [&clock]() -> int64_t {
        const plat::LocalTime t = clock.NowUtc();
        return ((static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 100 + t.millisecond / 10;
    };
    constexpr int64_t kDay = 8640000;
    const int64_t start = timeOfDay();
    // A wall clock that stands still (or is set back) must not hang the program: the
    // monotonic clock bounds the wait.
    const int64_t monoStart = clock.MonotonicMs();
    const int64_t monoLimit = static_cast<int64_t>(n) * 10 + 1000;
    for (;;) {
        int64_t elapsed = timeOfDay() - start;
        if (elapsed < 0) elapsed += kDay;
        if (elapsed >= n) return;
        if (clock.MonotonicMs() - monoStart >= monoLimit) return;
        const int64_t remainingMs = (n - elapsed) * 10;
        clock.SleepMs(static_cast<int>(remainingMs < 10 ? remainingMs : 10));
    }
}

namespace {
std::string g_viewerCommand; // set by the program; empty: the environment decides
}

void SetTextViewerCommand(const std::string& command) { g_viewerCommand = command; }

std::string TextViewerCommand() {
    if (!g_viewerCommand.empty()) return g_viewerCommand;
    for (const char* var : {"BRELON_TEXT_VIEWER", "VISUAL", "EDITOR"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') return v;
    }
    return "xdg-open";
}

bool OpenInNotepad(const char* path) {
    if (Empty(path)) return false;
    const std::string native = plat::PathForRead(path);
    // The command may carry its own arguments ("code --wait"): split at blanks.
    std::vector<std::string> words;
    const std::string command = TextViewerCommand();
    std::size_t i = 0;
    while (i < command.size()) {
        while (i < command.size() && command[i] == ' ') ++i;
        std::size_t j = i;
        while (j < command.size() && command[j] != ' ') ++j;
        if (j > i) words.push_back(command.substr(i, j - i));
        i = j;
    }
    if (words.empty()) return false;
    std::vector<std::string> args(words.begin() + 1, words.end());
    args.push_back(native);
    return plat::StartDetached(words[0], args);
}

std::string DirectoryOfPath(const std::string& path) {
    const std::size_t pos = path.find_last_of('\\');
    if (pos == std::string::npos || pos < 1) return path;
    return path.substr(0, pos + 1);
}

std::string StripTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
    return path;
}

std::string AddTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path;
    return path + '\\';
}

int FileVersionInfo::Load(const char* path) {
    Free();
    if (Empty(path) || !plat::IsRegularFile(path)) return 0;
    fixed_.signature = 0xFEEF04BDu;
    fixed_.structVersion = 0x00010000u;
    fixed_.fileVersionMS = static_cast<uint32_t>(kBuildVersionMajor) << 16 | kBuildVersionMinor;
    fixed_.fileVersionLS = static_cast<uint32_t>(kBuildVersionThird) << 16 | kBuildVersionBuild;
    fixed_.productVersionMS = fixed_.fileVersionMS;
    fixed_.productVersionLS = fixed_.fileVersionLS;
    translation_ = 0x0409u << 16 | 1252u; // language in the high half, code page in the low half
    loaded_ = true;
    return 1;
}

void FileVersionInfo::Free() {
    loaded_ = false;
    fixed_ = FixedFileInfo{};
    translation_ = 0;
}

std::string FileVersionInfo::Format(bool withBuild) const {
    if (!loaded_) return std::string();
    return Format(fixed_.fileVersionMS, fixed_.fileVersionLS, withBuild);
}

std::string FileVersionInfo::Format(uint32_t ms, uint32_t ls, bool withBuild) {
    const unsigned msHigh = ms >> 16, msLow = ms & 0xFFFFu, lsHigh = ls >> 16, lsLow = ls & 0xFFFFu;
    if (ls > 65535u) {
        if (withBuild) return plat::StrFormatC("%u.%u/%u  Build(%u)", msHigh, msLow, lsHigh, lsLow);
        return plat::StrFormatC("%u.%u/%u", msHigh, msLow, lsHigh);
    }
    if (withBuild) return plat::StrFormatC("%u.%u  Build(%u)", msHigh, msLow, lsLow);
    return plat::StrFormatC("%u.%u", msHigh, msLow);
}

// This system runs on Linux: no Windows edition is ever reported.
bool IsWindows2000() { return false; }
bool IsWindowsXP() { return false; }
bool IsEmbeddedNT() { return false; }
bool IsWindowsVistaOrLater() { return false; }
