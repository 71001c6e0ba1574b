#pragma once
// INI profile files with the semantics the configuration relies on: case-insensitive
// sections and keys, trimmed values, one pair of quotes removed, defaults for missing
// keys, truncation to the caller's buffer, key and section deletion, file created on
// write. Every change is written to a temporary file and renamed over the original.
// Paths may be Windows-style or native: they are mapped as paths.h describes, and an
// existing file is found ignoring case.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Reads a value. section null: the list of section names; key null: the list of keys of
// the section (each NUL-terminated, the list ended by a second NUL). Returns the number of
// characters copied, not counting the final NUL (n-1 when a value was cut, n-2 for a cut list).
uint32_t GetProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* file);

// Integer value: optional sign, 0x hexadecimal, decimal otherwise, stops at the first
// non-digit; no digits gives 0; an empty value or a missing key gives the default;
// values beyond 32 bits are clamped.
int32_t GetProfileInt(const char* section, const char* key, int32_t defaultValue, const char* file);

// Reads give their defaults for a file that is missing and for one that exists but cannot be
// read; ProfileReadError tells the two apart: 0 for a missing or readable file, else the errno
// of the failed read (EACCES, EIO, EISDIR for a folder ...).
int ProfileReadError(const char* file);

// Writes a value. key null deletes the section; value null deletes the key.
// Returns false (file untouched, errno set) on an I/O failure, on a file that exists but
// cannot be read (it is never rewritten from nothing) or a key or value holding CR or LF.
// Writing the value already stored leaves the file untouched.
bool WriteProfileString(const char* section, const char* key, const char* value, const char* file);
// Several writes to one file in one replacement of it, each as WriteProfileString makes it (a
// null key deletes the section, a null value the key), in order. Nothing is written when any
// entry holds a line break or the file cannot be read; a file none of them changes stays as it is.
struct ProfileEntry {
    const char* section;
    const char* key;
    const char* value;
};
bool WriteProfileStrings(const std::vector<ProfileEntry>& entries, const char* file);

// Conveniences over the functions above.
std::string ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              const char* file);
std::vector<std::string> ReadProfileSectionNames(const char* file);
std::vector<std::string> ReadProfileKeys(const char* section, const char* file);

// For tests: called between writing the temporary file and renaming it; returning false
// abandons the write as a crash would (the temporary file stays, the original is untouched).
using ProfileCommitHook = bool (*)(const char* tempPath, const char* finalPath);
void SetProfileCommitHook(ProfileCommitHook hook);

} // namespace plat
