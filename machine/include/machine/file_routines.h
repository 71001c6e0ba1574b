#pragma once
// File, path and system routines. Paths may be Windows-style (as stored in the path table
// and in files) or native; they are mapped with plat::NativePath, and opening an existing
// file falls back to a case-insensitive match. The retries wait on the replaceable clock
// (plat::CurrentClock), so tests run them on a plat::FakeClock without real waiting.
#include <cstdint>
#include <string>

// Result codes of the copy routines.
inline constexpr int kCopyOk = 0;
inline constexpr int kCopyShortWrite = 1;   // a write fell short or the source did not end cleanly
inline constexpr int kCopyNoSource = 2;     // the source did not open (or empty source name)
inline constexpr int kCopyNoDestination = 3; // the destination did not open (or empty name)
inline constexpr int kMoveDeleteFailed = 4;  // MoveFileRetry: copied, but the source stayed

// Copies in chunks of 255 bytes; 0, 1, 2 or 3 as above.
int CopyFileRaw(const char* source, const char* destination);
// Up to 10 tries of CopyFileRaw: code 1 deletes the partial destination and waits 10
// hundredths before the next try; code 3 waits and tries again; 0 and 2 end at once.
int CopyFileRetry(const char* source, const char* destination);
// CopyFileRetry, then DeleteFileRetry of the source: the copy's code when non-zero,
// 4 when the source could not be deleted, else 0.
int MoveFileRetry(const char* source, const char* destination);
// 2 when the name is empty or the file does not open for reading; otherwise up to 10 tries,
// 10 hundredths apart: 0 deleted, 1 not deleted.
int DeleteFileRetry(const char* path);
// 1 when the name is not empty and the file opens for reading, else 0.
int IsFileReadable(const char* path);
// A regular file (not a directory) exists at the path.
bool FileExists(const char* path);
// A directory exists at the path (stat; one trailing backslash allowed).
bool DirectoryExists(const char* path);
// Appends the bytes to the file (created when missing); false when it does not open or the
// write falls short.
bool AppendToFile(const char* path, const std::string& bytes);
// Why a file operation failed, from its errno: no space on the drive, no permission, a folder
// in the file's place, or the system's own text ("" for 0).
std::string FileFaultReason(int err);
// The text that names a file that could not be read (write false) or written (write true) and
// says why, from the errno of the failure: "<ERR_FILE_READ or ERR_FILE_WRITE> (<reason>): <path>",
// the reason being no space on the drive, no permission, a folder in the file's place or the
// system's own text. When the whole path does not fit the error buffer, its file name stands.
std::string FileFaultText(bool write, const char* path, int err);
// The same under another head (an ERR.MSG key), as "the finished list could not be removed".
std::string FileFaultTextUnder(const char* headKey, const char* path, int err);
// The same into g_errorText.
void SetFileFaultText(bool write, const char* path, int err);
// Returns once n hundredths of a second have passed on the clock's UTC time of day; a wait
// across midnight lasts as long as any other.
void WaitHundredths(int n);

// Opens a text file in the desktop's text viewer, detached. The viewer is, in this order:
// the command set with SetTextViewerCommand, $VISUAL, $EDITOR, then "xdg-open".
// Returns true when the viewer was started.
bool OpenInNotepad(const char* path);
void SetTextViewerCommand(const std::string& command); // empty: back to the default order
std::string TextViewerCommand();                       // the command OpenInNotepad would use

// Path routines on Windows-style paths.
// The path up to and including its last backslash found after the first character; the
// whole path when there is none.
std::string DirectoryOfPath(const std::string& path);
std::string StripTrailingBackslash(const std::string& path);
std::string AddTrailingBackslash(const std::string& path);

// Version record of a program file: the file version as two 32-bit halves (MS = major<<16 |
// minor, LS = third<<16 | build), as the fixed block of a version resource holds it.
struct FixedFileInfo {
    uint32_t signature = 0;
    uint32_t structVersion = 0;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileFlagsMask = 0;
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0;
    uint32_t fileType = 0;
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0;
    uint32_t fileDateLS = 0;
};

// The version of this build: every deliverable of the system carries it.
inline constexpr uint16_t kBuildVersionMajor = 3;
inline constexpr uint16_t kBuildVersionMinor = 0;
inline constexpr uint16_t kBuildVersionThird = 0;
inline constexpr uint16_t kBuildVersionBuild = 0;

class FileVersionInfo {
public:
    // Linux program files carry no version resource: a file of this system (any existing
    // regular file) is given the version record of this build. 1 when the file exists,
    // else 0 and nothing kept.
    int Load(const char* path);
    void Free();
    bool Loaded() const { return loaded_; }
    const FixedFileInfo& Fixed() const { return fixed_; }
    uint32_t Translation() const { return translation_; } // language << 16 | code page

    // "%u.%u/%u  Build(%u)", "%u.%u/%u", "%u.%u  Build(%u)" or "%u.%u" (see the .cpp).
    std::string Format(bool withBuild) const;
    static std::string Format(uint32_t ms, uint32_t ls, bool withBuild);

private:
    bool loaded_ = false;
    FixedFileInfo fixed_{};
    uint32_t translation_ = 0;
};

// Tests of the running Windows edition: this system runs on Linux, so all are false.
bool IsWindows2000();
bool IsWindowsXP();
bool IsEmbeddedNT();
bool IsWindowsVistaOrLater();
