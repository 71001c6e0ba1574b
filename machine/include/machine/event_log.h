#pragma once
// Records of what happens at the machine: the event log (".LGC" lines), the alarm history
// ("ALARM.LOG") and the small text routines of the operator-text map ("MSVtag.par").
// The CNC state object (cnc_state.h) writes them; these are the parts without a controller.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "platform/clock.h"

// Event-log modes (GENERAL LOG_SUPERVISOR): 0 off, 2 one file per month, others one per day.
inline constexpr int kEventLogOff = 0;
inline constexpr int kEventLogMonthly = 2;
// Longest event line (the line end included).
inline constexpr std::size_t kEventLineMax = 255;
inline constexpr const char* kDefaultLogDir = "C:\\BRELON2\\VELMO\\LOG\\";

// The event-log file of the date: daily "<dir><year><mm><dd>.LGC", monthly "<dir><year>-<mm>.LGC";
// empty for mode 0.
std::string EventLogFileName(const char* dir, int mode, const plat::LocalTime& date);

// Local date and time of a time value; false (and the fields of a failed conversion: date 0,
// time -1) when it cannot be converted.
bool LocalTimeOf(std::time_t t, plat::LocalTime& out);
int HourOfTime(int64_t t);   // -1 when the time cannot be converted
int MinuteOfTime(int64_t t);
int SecondOfTime(int64_t t);

// "dd/mm/yyyy;hh:mm:ss;" followed by the body (printf-style, C locale), cut so that the line
// with its line end keeps at most kEventLineMax characters; always ends with "\n".
std::string FormatEventLine(const plat::LocalTime& when, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Skips characters that are not decimal digits from pos; -1 at the end of the text; else the
// value of the run of digits (at most 23, a larger value is clamped to INT32_MAX), pos left
// after it.
int ReadNextNumber(const char* text, std::size_t& pos);

// Replace the part of key before its first point by '%' (number wildcard: only when that part
// is a non-zero number) or '*' (name wildcard). 0 and key unchanged when the key has no point or
// is longer than 19 characters. key: buffer of at least 20.
int MakeNumberWildcard(char* key);
int MakeNameWildcard(char* key);

// The last 500 alarms with their date and time.
class AlarmHistory {
public:
    static constexpr int kCapacity = 500;
    struct Entry {
        int32_t number = 0, day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    };

    void Clear() { m_head = m_count = 0; }
    // Appends the number with the clock's current local date and time; with 500 entries the
    // oldest is replaced.
    void Append(int32_t number);
    void Append(const Entry& entry);
    // Entry i from the oldest (0 <= i < Count()).
    const Entry& At(int i) const { return m_entries[(m_head + i) % kCapacity]; }
    int Count() const { return m_count; }
    int Head() const { return m_head; }

    // Rewrites the file: one line per entry, oldest first, texts from section ALARM of the
    // controller message file ("?????" when missing). Written through a temporary file; a
    // failure leaves the old file and returns false. After a Load that found the file but could
    // not read it, nothing is written (false, errno the read's): the ring lacks its history.
    bool Save(const char* path, const char* messageFile) const;
    // Empties the ring and reads the file back (damaged lines skipped, at most 500 entries).
    // A file that is missing or does not open is left alone. Returns the entries read.
    int Load(const char* path);
    // Parses one line: false when a quote or a number is missing.
    static bool ParseLine(const char* line, Entry& out);

private:
    Entry m_entries[kCapacity];
    int m_head = 0;
    int m_count = 0;
    int m_loadError = 0; // errno of the last Load of a file that is there but could not be read
};

// Text of an alarm (section ALARM) or message (section MSG) of the controller message file
// "CNC.MSG": "?????" when missing, cut to 199 characters.
std::string CncMessageText(const char* messageFile, const char* section, int number);
