// Helpers of the controller-link modules.
#include "cnc_support.h"

#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "platform/profile.h"

namespace cnc_support {

std::string NativeIni(const char* file) {
    if (file == nullptr || *file == '\0') return std::string();
    std::string p = plat::FindExisting(file);
    return p.empty() ? plat::NativePath(file) : p;
}

std::string ReadIniString(const char* file, const char* section, const char* key, const char* def,
                          std::size_t maxChars) {
    const std::string native = NativeIni(file);
    std::string v = native.empty() ? std::string(def != nullptr ? def : "")
                                   : plat::ReadProfileString(section, key, def != nullptr ? def : "", native.c_str());
    if (v.size() > maxChars) v.resize(maxChars);
    return v;
}

bool AppendToFile(const char* path, const std::string& bytes) {
    if (path == nullptr || *path == '\0') return false;
    FILE* f = plat::OpenFile(path, "ab");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

void CopyField(char* field, std::size_t size, const char* text) {
    if (field == nullptr || size == 0) return;
    std::snprintf(field, size, "%s", text != nullptr ? text : "");
}

} // namespace cnc_support
