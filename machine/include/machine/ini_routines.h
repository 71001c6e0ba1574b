#pragma once
// INI values read and written through the platform's profile functions. The file may be a
// Windows-style path (a path-table slot) or a native path.
#include <cstddef>
#include <cstdint>
#include <string>

// The integer value of the key; default when the key is missing or empty.
int32_t ReadIniInt(const char* section, const char* key, int32_t defaultValue, const char* file);
// The real value of the key (at most 127 characters, "," read as "."), in the C locale.
// An empty or missing value gives the default; so does a value that is not wholly a number
// ("inf", "nan", hexadecimal and trailing garbage are refused).
double ReadIniDouble(const char* section, const char* key, double defaultValue, const char* file);
// The number of keys of the section: 0 when it is missing or empty.
int IniSectionExists(const char* section, const char* file);

// The text value of the key cut to maxChars characters; the default (null: "", also cut)
// when the key is missing or the file name is empty.
std::string ReadIniString(const char* section, const char* key, const char* defaultValue, std::size_t maxChars,
                          const char* file);
// Writes a value (null deletes the key); false for an empty file name or an I/O failure.
bool WriteIniString(const char* section, const char* key, const char* value, const char* file);
// Writes an integer value as decimal text.
bool WriteIniInt(const char* section, const char* key, int32_t value, const char* file);
// Removes a whole section; false for an empty file name, true when the file or the section
// does not exist.
bool DeleteIniSection(const char* section, const char* file);

// The writes to one file gathered, so that they reach it in one replacement: while a batch
// lives, WriteIniString and WriteIniInt to that file are held (and answer true); FlushIniBatch,
// a read of that file, or the end of the batch writes them. A batch of the same file opened
// inside it joins it (the outer one writes at its end); one of another file gathers nothing.
class IniWriteBatch {
public:
    explicit IniWriteBatch(const char* file);
    ~IniWriteBatch();
    IniWriteBatch(const IniWriteBatch&) = delete;
    IniWriteBatch& operator=(const IniWriteBatch&) = delete;

private:
    bool owner_ = false;
    bool nested_ = false;
};
// Writes what the open batch holds, in one replacement: true when written or nothing held;
// false with errno when the file could not be written (the held writes are dropped then).
bool FlushIniBatch();
