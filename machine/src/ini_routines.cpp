// INI values through the platform's profile functions.
#include "machine/ini_routines.h"

#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace {
// The profile functions take native paths; stored paths are Windows-style.
std::string NativeIni(const char* file) {
    if (file == nullptr) return std::string();
    return plat::PathForRead(file);
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

std::string ReadIniString(const char* section, const char* key, const char* defaultValue, std::size_t maxChars,
                          const char* file) {
    if (defaultValue == nullptr) defaultValue = "";
    if (file == nullptr || *file == '\0') return std::string(defaultValue).substr(0, maxChars);
    std::vector<char> buf(maxChars + 1, '\0');
    const std::string native = NativeIni(file);
    plat::GetProfileString(section, key, defaultValue, buf.data(), static_cast<uint32_t>(buf.size()), native.c_str());
    return std::string(buf.data());
}

bool WriteIniString(const char* section, const char* key, const char* value, const char* file) {
    if (file == nullptr || *file == '\0') return false;
    return plat::WriteProfileString(section, key, value, plat::PathForWrite(file).c_str());
}

bool WriteIniInt(const char* section, const char* key, int32_t value, const char* file) {
    return WriteIniString(section, key, plat::StrFormatC("%d", static_cast<int>(value)).c_str(), file);
}

bool DeleteIniSection(const char* section, const char* file) {
    if (file == nullptr || *file == '\0') return false;
    const std::string path = plat::FindExisting(file);
    if (path.empty()) return true; // nothing to remove
    return plat::WriteProfileString(section, nullptr, nullptr, path.c_str());
}
