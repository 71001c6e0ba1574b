// INI access of the settings modules over the platform's profile functions.
#include "settings_ini.h"

#include <cstring>
#include <vector>

#include "machine/path_table.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace settings_ini {
namespace {
// A stored path for reading: the existing file (letter case ignored) or the mapped path.
std::string ForRead(const char* file) {
    std::string found = plat::FindExisting(file);
    return found.empty() ? plat::NativePath(file) : found;
}
} // namespace

const char* ConfigPar() { return g_pPathTable != nullptr ? g_pPathTable->slots[PathTable::kConfigPar] : ""; }

const char* ParamPar() { return g_pPathTable != nullptr ? g_pPathTable->slots[PathTable::kParamPar] : ""; }

std::string ReadString(const char* file, const char* section, const char* key, const char* def,
                       std::size_t maxChars) {
    if (def == nullptr) def = "";
    if (file == nullptr || *file == '\0') return std::string(def).substr(0, maxChars);
    std::vector<char> buf(maxChars + 1, '\0');
    plat::GetProfileString(section, key, def, buf.data(), static_cast<uint32_t>(buf.size()),
                           ForRead(file).c_str());
    return std::string(buf.data());
}

int32_t ReadInt(const char* file, const char* section, const char* key, int32_t def) {
    if (file == nullptr || *file == '\0') return def;
    return plat::GetProfileInt(section, key, def, ForRead(file).c_str());
}

bool WriteString(const char* file, const char* section, const char* key, const char* value) {
    if (file == nullptr || *file == '\0') return false;
    return plat::WriteProfileString(section, key, value, plat::PathForWrite(file).c_str());
}

bool WriteInt(const char* file, const char* section, const char* key, int32_t value) {
    char text[16];
    plat::FormatC(text, sizeof text, "%d", static_cast<int>(value));
    return WriteString(file, section, key, text);
}

bool DeleteSection(const char* file, const char* section) {
    if (file == nullptr || *file == '\0') return false;
    std::string path = plat::FindExisting(file);
    if (path.empty()) return true; // nothing to remove
    return plat::WriteProfileString(section, nullptr, nullptr, path.c_str());
}

void CopyField(char* field, std::size_t size, const char* text) {
    if (size == 0) return;
    if (text == nullptr) text = "";
    std::size_t n = std::strlen(text);
    if (n > size - 1) n = size - 1;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

} // namespace settings_ini
