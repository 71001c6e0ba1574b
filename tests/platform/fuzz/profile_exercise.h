#pragma once
// The INI profile layer on any file: every section and key of it read with the program's
// calls (small buffers included), then one value written and the file compared with what it
// was: the value reads back and every line the write did not change is still there, byte for
// byte (Unicode files included).
#include <cstring>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "test_support/mutation.h"

namespace profile_fuzz {

// Where two versions of a text differ: the first one's differing stretch. Units are bytes, or
// 16-bit units for a UTF-16 file, so a line end is always one unit.
template <class Units>
Units ChangedStretch(const Units& before, const Units& after) {
    std::size_t p = 0;
    while (p < before.size() && p < after.size() && before[p] == after[p]) ++p;
    std::size_t s = 0;
    while (s < before.size() - p && s < after.size() - p &&
           before[before.size() - 1 - s] == after[after.size() - 1 - s])
        ++s;
    return Units(before.begin() + static_cast<std::ptrdiff_t>(p),
                 before.end() - static_cast<std::ptrdiff_t>(s));
}

inline bool IsUtf16(const std::string& b) { return b.size() >= 2 && b[0] == '\xFF' && b[1] == '\xFE'; }

inline std::vector<uint16_t> Units16(const std::string& b) {
    std::vector<uint16_t> u;
    for (std::size_t i = 2; i + 1 < b.size(); i += 2)
        u.push_back(static_cast<uint16_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8)));
    return u;
}

// True when the write touched at most one line of the old file: what it replaced holds no
// line end (an added line replaces nothing).
inline bool OnlyOneLineChanged(const std::string& before, const std::string& after) {
    if (IsUtf16(before)) {
        if (!IsUtf16(after)) return false;
        for (uint16_t u : ChangedStretch(Units16(before), Units16(after)))
            if (u == '\r' || u == '\n') return false;
        return true;
    }
    const std::string gone = ChangedStretch(before, after);
    return gone.find_first_of("\r\n") == std::string::npos;
}

inline std::string Exercise(const std::string& bytes) {
    static const std::string dir = mutation::ProcessDir("ini-fuzz");
    const std::string file = dir + "/FUZZ.INI";
    mutation::WriteFile(file, bytes);
    const char* f = file.c_str();

    // Reading: every list and value, whole and into small buffers.
    char small[8];
    const uint32_t n = plat::GetProfileString(nullptr, nullptr, "", small, sizeof small, f);
    if (n >= sizeof small || small[n] != '\0') return "section list overran a small buffer";
    std::vector<std::string> sections = plat::ReadProfileSectionNames(f);
    if (sections.size() > 4) sections.resize(4);
    std::string section, key;
    for (const std::string& s : sections) {
        const uint32_t k = plat::GetProfileString(s.c_str(), nullptr, "", small, sizeof small, f);
        if (k >= sizeof small || small[k] != '\0') return "key list overran a small buffer";
        std::vector<std::string> keys = plat::ReadProfileKeys(s.c_str(), f);
        if (keys.size() > 4) keys.resize(4);
        for (const std::string& kname : keys) {
            const std::string v = plat::ReadProfileString(s.c_str(), kname.c_str(), "", f);
            const uint32_t got = plat::GetProfileString(s.c_str(), kname.c_str(), "", small, sizeof small, f);
            if (got >= sizeof small || small[got] != '\0' || v.compare(0, got, small, got) != 0)
                return "value cut wrongly into a small buffer";
            (void)plat::GetProfileInt(s.c_str(), kname.c_str(), -7, f);
            if (section.empty()) {
                section = s;
                key = kname;
            }
        }
        if (section.empty()) section = s;
    }

    // A write after the read keeps every line it does not change.
    if (section.empty()) section = "FUZZ";
    if (key.empty()) key = "FUZZKEY";
    const std::string before = mutation::ReadFile(file);
    const char* value = "fz4711";
    if (!plat::WriteProfileString(section.c_str(), key.c_str(), value, f)) return "write refused";
    const std::string after = mutation::ReadFile(file);
    if (plat::ReadProfileString(section.c_str(), key.c_str(), "<missing>", f) != value)
        return "written value does not read back ([" + section + "] " + key + ")";
    if (!OnlyOneLineChanged(before, after)) return "write changed lines it was not asked to change";
    return std::string();
}

} // namespace profile_fuzz
