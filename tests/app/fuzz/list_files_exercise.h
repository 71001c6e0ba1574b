#pragma once
// The automatic test run's "TestList.txt" and the time log's total read back from a ".tmx",
// from any file: the n-th list is there exactly when the file has more than n lines, and the
// total appended to a time log keeps every byte before it and is a well-formed time.
#include <string>
#include <vector>

#include "app/job_logic.h"
#include "app/list_opening.h"
#include "test_support/mutation.h"

namespace app_fuzz {

inline std::string TestListExercise(const std::string& bytes) {
    static const std::string dir = mutation::ProcessDir("testlist-fuzz");
    mutation::WriteFile(dir + "/TestList.txt", bytes);
    // The file's lines: split at LF, one CR before it dropped.
    std::vector<std::string> lines;
    for (std::size_t p = 0; p < bytes.size();) {
        std::size_t e = bytes.find('\n', p);
        if (e == std::string::npos) e = bytes.size();
        std::string line = bytes.substr(p, e - p);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        p = e + 1;
    }
    const std::string dirLda = dir + "\\";
    for (std::size_t n = 0; n <= lines.size() && n < 64; ++n) {
        std::string path;
        const int r = app::NextTestListFile(dirLda, static_cast<int>(n), path);
        if (r != (n < lines.size() ? 1 : 2))
            return "list " + std::to_string(n) + " of " + std::to_string(lines.size()) + " lines: " + std::to_string(r);
        if (r == 1 && path != dir + "\\" + lines[n]) return "list path is not the folder and line " + std::to_string(n);
    }
    return std::string();
}

// "<m>'", "<s>\"" or "<m>' <s>\"" with m at least 1 and s from 1 to 59 (0 alone is "0\"").
inline bool WellFormedElapsed(const std::string& t) {
    std::size_t i = 0;
    auto number = [&](long long& v) {
        const std::size_t start = i;
        v = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i - start < 18) v = v * 10 + (t[i++] - '0');
        return i > start;
    };
    long long a = 0;
    long long b = 0;
    if (!number(a)) return false;
    if (i < t.size() && t[i] == '"') return i + 1 == t.size() && a < 60;
    if (i >= t.size() || t[i] != '\'' || a < 1) return false;
    if (++i == t.size()) return true;
    if (t[i++] != ' ' || !number(b)) return false;
    return i + 1 == t.size() && t[i] == '"' && b >= 1 && b < 60;
}

inline std::string TimeLogExercise(const std::string& bytes) {
    static const std::string dir = mutation::ProcessDir("timelog-fuzz");
    const std::string path = dir + "/LIST.tmx";
    mutation::WriteFile(path, bytes);
    if (app::AppendTimeLogTotal(path, false, 12.5) != app::TimeLogTotalResult::Written) return "total not appended";
    const std::string after = mutation::ReadFile(path);
    if (after.compare(0, bytes.size(), bytes) != 0) return "appending the total changed the log";
    const std::string tail = after.substr(bytes.size());
    const std::string head = std::string(60, '=') + "\r\n\r\nTotal Elapsed Time: ";
    if (tail.rfind(head, 0) != 0 || tail.size() < head.size() + 2 || tail.compare(tail.size() - 2, 2, "\r\n") != 0)
        return "total line malformed";
    const std::string total = tail.substr(head.size(), tail.size() - head.size() - 2);
    if (!WellFormedElapsed(total)) return "total time malformed: " + total;
    return std::string();
}

} // namespace app_fuzz
