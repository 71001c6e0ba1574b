#pragma once
// Stored files and the system's fixed paths are Windows paths ("C:\UVEN\LAV\LAV\",
// "%sCONF\%s.CP"). NativePath turns them into native paths: '\' becomes '/', a drive
// "X:" becomes $BRELON_DRIVES/X (default: "drives/" in the program directory).
// Opening an existing file falls back to a case-insensitive match of each component.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace plat {

// Folder of the running executable, with a trailing '/'. Tests may override it.
const std::string& ProgramDirectory();
void SetProgramDirectory(const std::string& dir); // tests and the demo

// Root under which drive letters live (one folder per letter, upper case).
std::string DrivesRoot();
void SetDrivesRoot(const std::string& dir); // overrides $BRELON_DRIVES

// Windows-style or native path -> native path. Relative paths stay relative.
std::string NativePath(std::string_view path);

// An existing file or folder for the path: the exact native path when it exists,
// else the first case-insensitive match of every component; empty when none.
std::string FindExisting(std::string_view path);

// fopen of a Windows-style or native path. Modes that read an existing file ("r", "r+",
// "rb" ...) use FindExisting and open plain files only (anything else fails with
// FileKindFault's code in errno; a named pipe never blocks the open); modes that create ("w",
// "a") open the mapped path, reusing the existing spelling of its folders and of the file itself
// when they exist.
FILE* OpenFile(std::string_view path, const char* mode);

// Mapped path for creating a file: existing folders and file matched ignoring case.
std::string PathForWrite(std::string_view path);
// Native path for reading: the existing file (FindExisting), else the mapped path.
std::string PathForRead(std::string_view path);

bool IsRegularFile(std::string_view path);   // stat, after mapping and case fallback
bool IsDirectory(std::string_view path);     // stat, never "the first directory entry"
bool MakeDirectories(std::string_view path); // mkdir -p of the mapped path

// Writes data to path through a temporary file in the same folder and a rename. On failure
// the file is as it was, no temporary file stays, and errno tells why (ENOSPC, EACCES ...).
bool WriteFileAtomic(std::string_view path, const std::string& data);
// The same for a record rewritten often (the bar progress, once per finished piece): one data
// sync of the temporary file, no sync of the folder. A crash leaves the old or the new content
// whole; the call returning does not promise that the new one survives a crash.
bool WriteRecordAtomic(std::string_view path, const std::string& data);
// Writes size bytes at offset into the existing file (found ignoring case), in place, and syncs
// them to the disk before returning. False when the file is not there or any step fails (errno
// tells why); the file fault hook sees it as a write of the file.
bool WriteBytesInPlace(std::string_view path, long offset, const void* data, std::size_t size);
// Size and modification time (nanoseconds) of the existing file; false when it is not there.
bool FileStamp(std::string_view path, int64_t& size, int64_t& modifiedNs);
// Removes from the folder the temporary files WriteFileAtomic and WriteRecordAtomic leave when
// a write is killed (".<name>.<process>.<count>.tmp", nothing else), except those of a process
// still running.
// Call it only while no other instance of the program can be writing there. Returns how many
// were removed.
int RemoveStaleTemporaries(std::string_view folder);
// What a reader found in place of a file, in errno's place (values beyond every errno the
// system gives), beside ENOENT (nothing there), EISDIR (a folder), ELOOP (a link that leads to
// itself) and EFBIG (a file larger than the reader's bound).
inline constexpr int kErrNamedPipe = 100001;
inline constexpr int kErrDevice = 100002;
inline constexpr int kErrSocket = 100003;
inline constexpr int kErrDanglingLink = 100004; // a link to nothing
inline constexpr int kErrNotAFile = 100005;     // anything else that is not a plain file

// The bound of the program's text files (configuration, tool table, progress record, messages,
// lists of names): far above any real one, and what a link to a device or a runaway file stops at.
inline constexpr std::size_t kTextFileBound = 8u << 20;

// 0 when the path (mapped, found ignoring case, links followed) is a plain file, else what is
// there instead: ENOENT, EISDIR, ELOOP or one of the codes above. Never opens anything, so a
// named pipe or a device cannot block it.
int FileKindFault(std::string_view path);

// Reads the whole file, a plain file only and at most maxBytes of it: a named pipe, a device or
// a socket is refused without being opened for long (it cannot block the program), as is a file
// larger than the bound. On failure out is empty and errno tells why: FileKindFault's codes,
// EFBIG, EACCES, EIO ... for a file that exists but cannot be read.
bool ReadWholeFile(std::string_view path, std::string& out, std::size_t maxBytes = kTextFileBound);

// Removes the existing file (found ignoring case); true when it is gone or was never there.
// On failure errno tells why.
bool RemoveFile(std::string_view path);

// For tests: a failure of the operating system at a given file, as a full drive or a file
// without read permission gives it. Called with the native path of each whole-file read
// (ReadWholeFile, profile reads), each atomic write or record write (the file being replaced) and each
// RemoveFile; a non-zero result is the errno with which that operation fails. Null: none.
enum class FileOp { Read, Write, Remove };
using FileFault = int (*)(const char* nativePath, FileOp op);
void SetFileFaultForTests(FileFault fault);
// The hook's answer for a write to something that is not a file of the program's own (the
// label printer a label goes to, by the name given): 0 without a hook.
int DeviceFaultForTests(const char* name, FileOp op);

} // namespace plat
