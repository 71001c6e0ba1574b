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

// The writes an open IniWriteBatch holds (a null value deletes the key).
struct HeldWrite {
    std::string section, key, value;
    bool deletes = false;
};
struct Batch {
    std::string file; // native path; empty: no batch open
    int depth = 0;
    std::vector<HeldWrite> writes;
};
Batch& OpenBatch() {
    static Batch b;
    return b;
}
bool Batched(const char* file) {
    const Batch& b = OpenBatch();
    return b.depth > 0 && file != nullptr && *file != '\0' && plat::NativePath(file) == b.file;
}
// A read of the batched file sees what the batch holds: the held writes go first.
void FlushBeforeReading(const char* file) {
    if (Batched(file) && !OpenBatch().writes.empty()) (void)FlushIniBatch();
}
} // namespace

IniWriteBatch::IniWriteBatch(const char* file) {
    Batch& b = OpenBatch();
    if (b.depth > 0) {
        // Another file's batch stays the open one; this one gathers nothing.
        owner_ = false;
        if (file != nullptr && plat::NativePath(file) == b.file) {
            ++b.depth;
            nested_ = true;
        }
        return;
    }
    if (file == nullptr || *file == '\0') return;
    b.file = plat::NativePath(file);
    b.depth = 1;
    owner_ = true;
}

IniWriteBatch::~IniWriteBatch() {
    Batch& b = OpenBatch();
    if (nested_) {
        --b.depth;
        return;
    }
    if (!owner_) return;
    (void)FlushIniBatch();
    b = Batch{};
}

bool FlushIniBatch() {
    Batch& b = OpenBatch();
    if (b.depth == 0 || b.writes.empty()) return true;
    std::vector<plat::ProfileEntry> entries;
    entries.reserve(b.writes.size());
    for (const HeldWrite& w : b.writes)
        entries.push_back({w.section.c_str(), w.key.c_str(), w.deletes ? nullptr : w.value.c_str()});
    const bool ok = plat::WriteProfileStrings(entries, plat::PathForWrite(b.file).c_str());
    b.writes.clear();
    return ok;
}

int32_t ReadIniInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
    FlushBeforeReading(file);
    const std::string native = NativeIni(file);
    return plat::GetProfileInt(section, key, defaultValue, native.c_str());
}

double ReadIniDouble(const char* section, const char* key, double defaultValue, const char* file) {
    FlushBeforeReading(file);
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
    FlushBeforeReading(file);
    const std::string native = NativeIni(file);
    return static_cast<int>(plat::ReadProfileKeys(section, native.c_str()).size());
}

std::string ReadIniString(const char* section, const char* key, const char* defaultValue, std::size_t maxChars,
                          const char* file) {
    FlushBeforeReading(file);
    if (defaultValue == nullptr) defaultValue = "";
    if (file == nullptr || *file == '\0') return std::string(defaultValue).substr(0, maxChars);
    std::vector<char> buf(maxChars + 1, '\0');
    const std::string native = NativeIni(file);
    plat::GetProfileString(section, key, defaultValue, buf.data(), static_cast<uint32_t>(buf.size()), native.c_str());
    return std::string(buf.data());
}

bool WriteIniString(const char* section, const char* key, const char* value, const char* file) {
    if (file == nullptr || *file == '\0') return false;
    if (Batched(file) && section != nullptr && key != nullptr) {
        OpenBatch().writes.push_back({section, key, value != nullptr ? value : "", value == nullptr});
        return true;
    }
    return plat::WriteProfileString(section, key, value, plat::PathForWrite(file).c_str());
}

bool WriteIniInt(const char* section, const char* key, int32_t value, const char* file) {
    return WriteIniString(section, key, plat::StrFormatC("%d", static_cast<int>(value)).c_str(), file);
}

bool DeleteIniSection(const char* section, const char* file) {
    if (file == nullptr || *file == '\0') return false;
    FlushBeforeReading(file); // the held writes come before the removal
    const std::string path = plat::FindExisting(file);
    if (path.empty()) return true; // nothing to remove
    return plat::WriteProfileString(section, nullptr, nullptr, path.c_str());
}
