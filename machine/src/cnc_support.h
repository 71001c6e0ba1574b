#pragma once
// Small helpers of the controller-link modules: INI values on Windows-style paths and appending
// to a text file.
#include <cstddef>
#include <string>

namespace cnc_support {

// Native path of an INI file: the existing spelling when it exists, else the mapped path.
std::string NativeIni(const char* file);
// The value of the key (default when missing), cut to maxChars characters.
std::string ReadIniString(const char* file, const char* section, const char* key, const char* def,
                          std::size_t maxChars);
// Appends the bytes to the file (created when missing); false when it does not open or the
// write falls short.
bool AppendToFile(const char* path, const std::string& bytes);
// "\n" line ends become "\r\n" (files of the system are written with CR LF).
std::string WithCrLf(const std::string& text);
// Copies text into a fixed field (always terminated, cut to size - 1).
void CopyField(char* field, std::size_t size, const char* text);

} // namespace cnc_support
