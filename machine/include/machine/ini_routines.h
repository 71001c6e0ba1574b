#pragma once
// INI values read through the platform's profile functions. The file may be a Windows-style
// path (a path-table slot) or a native path.
#include <cstdint>

// The integer value of the key; default when the key is missing or empty.
int32_t ReadIniInt(const char* section, const char* key, int32_t defaultValue, const char* file);
// The real value of the key (at most 127 characters, "," read as "."), in the C locale.
// An empty or missing value gives the default; so does a value that is not wholly a number
// ("inf", "nan", hexadecimal and trailing garbage are refused).
double ReadIniDouble(const char* section, const char* key, double defaultValue, const char* file);
// The number of keys of the section: 0 when it is missing or empty.
int IniSectionExists(const char* section, const char* file);
