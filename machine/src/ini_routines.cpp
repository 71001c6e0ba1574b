// INI values through the platform's profile functions.
#include "machine/ini_routines.h"

#include <string>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace {
// The profile functions take native paths; stored paths are Windows-style.
std::string NativeIni(const char* file) {
    if (file == nullptr) return std::string();
    std::string p = plat::FindExisting(file);
    return p.empty() ? plat::NativePath(file) : p;
}
} // namespace

int32_t ReadIniInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
    const std::string native = NativeIni(file);
    return plat::GetProfileInt(section, key, defaultValue, native.c_str());
}

double ReadIniDouble(const char* section, const char* key, double defaultValue, const char* file) {
    const std::string native = NativeIni(file);
    char buf[128];
    plat::GetProfileString(section, key, "", buf, sizeof buf, native.c_str());
    std::string text(buf);
    if (text.empty()) return defaultValue;
    for (char& c : text)
        if (c == ',') c = '.';
    double v = 0.0;
    return plat::ParseDouble(text, v) ? v : defaultValue;
}

int IniSectionExists(const char* section, const char* file) {
    if (section == nullptr) return 0;
    const std::string native = NativeIni(file);
    return static_cast<int>(plat::ReadProfileKeys(section, native.c_str()).size());
}
