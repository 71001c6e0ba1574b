#pragma once
// INI access of the settings modules: one key at a time on Windows-style or native paths.
#include <cstddef>
#include <cstdint>
#include <string>

namespace settings_ini {

// Paths of the configuration files from the path table ("" without a table).
const char* ConfigPar();
const char* ParamPar();

// The value of the key cut to maxChars characters, or the default when the key is missing.
std::string ReadString(const char* file, const char* section, const char* key, const char* def,
                       std::size_t maxChars);
int32_t ReadInt(const char* file, const char* section, const char* key, int32_t def);
// Writes a value (null deletes the key); false on an I/O failure.
bool WriteString(const char* file, const char* section, const char* key, const char* value);
bool WriteInt(const char* file, const char* section, const char* key, int32_t value);
// Removes a whole section.
bool DeleteSection(const char* file, const char* section);

// Bounded copy of a text into a fixed field (always NUL-terminated, at most size - 1 bytes).
void CopyField(char* field, std::size_t size, const char* text);
template <std::size_t N>
void CopyField(char (&field)[N], const char* text) {
    CopyField(field, N, text);
}

} // namespace settings_ini
