// Event-log lines, the alarm history and the text routines of the operator-text map.
#include "machine/event_log.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/ini_routines.h"
#include "platform/paths.h"
#include "platform/text.h"

std::string EventLogFileName(const char* dir, int mode, const plat::LocalTime& date) {
    if (mode == kEventLogOff) return std::string();
    const char* d = dir != nullptr ? dir : "";
    if (mode == kEventLogMonthly) return plat::StrFormatC("%s%d-%02d.LGC", d, date.year, date.month);
    return plat::StrFormatC("%s%d%02d%02d.LGC", d, date.year, date.month, date.day);
}

bool LocalTimeOf(std::time_t t, plat::LocalTime& out) {
    std::tm tm{};
    out = plat::LocalTime{};
    if (localtime_r(&t, &tm) == nullptr) {
        out.hour = out.minute = out.second = -1;
        return false;
    }
    out = plat::LocalTimeFromTm(tm);
    return true;
}

int HourOfTime(int64_t t) {
    plat::LocalTime lt;
    return LocalTimeOf(static_cast<std::time_t>(t), lt) ? lt.hour : -1;
}
int MinuteOfTime(int64_t t) {
    plat::LocalTime lt;
    return LocalTimeOf(static_cast<std::time_t>(t), lt) ? lt.minute : -1;
}
int SecondOfTime(int64_t t) {
    plat::LocalTime lt;
    return LocalTimeOf(static_cast<std::time_t>(t), lt) ? lt.second : -1;
}

std::string FormatEventLine(const plat::LocalTime& when, const char* fmt, ...) {
    char line[kEventLineMax + 1];
    int n = plat::FormatC(line, sizeof line, "%02d/%02d/%d;%02d:%02d:%02d;", when.day, when.month, when.year,
                          when.hour, when.minute, when.second);
    if (n < 0) n = 0;
    if (static_cast<std::size_t>(n) < sizeof line) {
        va_list ap;
        va_start(ap, fmt);
        plat::VFormatC(line + n, sizeof line - static_cast<std::size_t>(n), fmt, ap);
        va_end(ap);
    }
    std::string s(line);
    // A record longer than the line keeps its beginning and its line end.
    if (s.empty() || s.back() != '\n') {
        if (s.size() >= kEventLineMax) s.resize(kEventLineMax - 1);
        s += '\n';
    }
    return s;
}

int ReadNextNumber(const char* text, std::size_t& pos) {
    if (text == nullptr) return -1;
    while (text[pos] != '\0' && !std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
    if (text[pos] == '\0') return -1;
    char digits[24];
    std::size_t n = 0;
    while (std::isdigit(static_cast<unsigned char>(text[pos])) && n < 23) digits[n++] = text[pos++];
    digits[n] = '\0';
    const long long v = std::strtoll(digits, nullptr, 10);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

namespace {
// Replaces the part before the first point by the wildcard character.
int MakeWildcard(char* key, char wildcard, bool numberOnly) {
    if (key == nullptr) return 0;
    const std::size_t len = std::strlen(key);
    const char* dot = std::strchr(key, '.');
    if (dot == nullptr || len > 19) return 0;
    if (numberOnly) {
        if (dot == key) return 0;
        bool nonZero = false;
        for (const char* p = key; p < dot; ++p) {
            if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
            if (*p != '0') nonZero = true;
        }
        if (!nonZero) return 0;
    }
    char out[21];
    std::snprintf(out, sizeof out, "%c%s", wildcard, dot);
    std::memcpy(key, out, std::strlen(out) + 1);
    return 1;
}
} // namespace

int MakeNumberWildcard(char* key) { return MakeWildcard(key, '%', true); }
int MakeNameWildcard(char* key) { return MakeWildcard(key, '*', false); }

void AlarmHistory::Append(int32_t number) {
    Entry e;
    e.number = number;
    plat::LocalTime now{};
    if (LocalTimeOf(plat::CurrentClock().Time(), now)) {
        e.day = now.day;
        e.month = now.month;
        e.year = now.year;
        e.hour = now.hour;
        e.minute = now.minute;
        e.second = now.second;
    } else {
        e.hour = e.minute = e.second = -1;
    }
    Append(e);
}

void AlarmHistory::Append(const Entry& entry) {
    if (m_count < kCapacity) {
        m_entries[(m_head + m_count) % kCapacity] = entry;
        ++m_count;
    } else {
        m_entries[m_head] = entry;
        m_head = (m_head + 1) % kCapacity;
    }
}

std::string CncMessageText(const char* messageFile, const char* section, int number) {
    char key[16];
    std::snprintf(key, sizeof key, "%d", number);
    return ReadIniString(section, key, "?????", 199, messageFile);
}

bool AlarmHistory::Save(const char* path, const char* messageFile) const {
    if (path == nullptr || *path == '\0') return false;
    // The file holds a history this ring never read: writing the ring would replace it.
    if (m_loadError != 0) {
        errno = m_loadError;
        return false;
    }
    std::string text;
    for (int i = 0; i < m_count; ++i) {
        const Entry& e = At(i);
        const std::string alarmText = CncMessageText(messageFile, "ALARM", e.number);
        text += plat::StrFormatC("%d  \"%s\"   %d/%d/%d   %02d:%02d:%02d\r\n", static_cast<int>(e.number),
                                 alarmText.c_str(), static_cast<int>(e.day), static_cast<int>(e.month),
                                 static_cast<int>(e.year), static_cast<int>(e.hour), static_cast<int>(e.minute),
                                 static_cast<int>(e.second));
    }
    return plat::WriteFileAtomic(path, text);
}

bool AlarmHistory::ParseLine(const char* line, Entry& out) {
    std::size_t pos = 0;
    const int number = ReadNextNumber(line, pos);
    if (number < 0) return false;
    const char* open = std::strchr(line + pos, '"');
    if (open == nullptr) return false;
    const char* close = std::strchr(open + 1, '"');
    if (close == nullptr) return false;
    pos = static_cast<std::size_t>(close + 1 - line);
    int v[6];
    for (int& x : v) {
        x = ReadNextNumber(line, pos);
        if (x < 0) return false;
    }
    out.number = number;
    out.day = v[0];
    out.month = v[1];
    out.year = v[2];
    out.hour = v[3];
    out.minute = v[4];
    out.second = v[5];
    return true;
}

int AlarmHistory::Load(const char* path) {
    Clear();
    m_loadError = 0;
    // A file that does not open is left alone: it may hold the only copy of the history.
    errno = 0;
    FILE* f = (path != nullptr && *path != '\0') ? plat::OpenFile(path, "rb") : nullptr;
    if (f == nullptr) {
        if (path != nullptr && *path != '\0' && errno != ENOENT) m_loadError = errno != 0 ? errno : EIO;
        return 0;
    }
    char line[249];
    while (m_count < kCapacity && std::fgets(line, sizeof line, f) != nullptr) {
        Entry e;
        if (ParseLine(line, e)) Append(e);
    }
    if (std::ferror(f) != 0) m_loadError = errno != 0 ? errno : EIO; // a read that failed part way
    std::fclose(f);
    return m_count;
}
