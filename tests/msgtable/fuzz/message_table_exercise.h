#pragma once
// A message table ("STRING.MSG", "ERR.MSG", "TAGRIX.msg") loaded from any file: the load
// either succeeds or fails with its code and leaves the table it had, and every key of the
// file and every small number looks up without reading past a text.
#include <cstring>
#include <string>

#include "msgtable/Dictavo.h"
#include "test_support/mutation.h"

namespace msgtable_fuzz {

inline std::string Exercise(const std::string& bytes) {
    static const std::string dir = mutation::ProcessDir("msg-fuzz");
    const std::string file = dir + "/FUZZ.MSG";
    // The table of a good file first, so a failed load can show that it kept it.
    mutation::WriteFile(file, "KEPT kept text\r\n7 seven\r\n");
    Dictavo table(file.c_str());
    if (table.LoadStrings() != Dictavo::kLoaded) return "the good file did not load";
    mutation::WriteFile(file, bytes);
    const int result = table.LoadStrings();
    if (result != Dictavo::kLoaded) {
        // Refused are an empty file (nothing, or nothing after a UTF-8 mark) and one whose first
        // bytes tell a text the table cannot hold (a NUL among the first two, a UTF-16 or UTF-8
        // byte-order mark).
        const bool empty = bytes.empty() || bytes == "\xEF\xBB\xBF";
        const bool marked = bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0' ||
                                                  bytes.compare(0, 2, "\xFF\xFE") == 0 ||
                                                  bytes.compare(0, 2, "\xFE\xFF") == 0 ||
                                                  bytes.compare(0, 3, "\xEF\xBB\xBF") == 0);
        const bool refusable = result == Dictavo::kEmptyFile ? empty
                               : result == Dictavo::kUnreadableText ? marked || (bytes.size() == 1 && bytes[0] == '\0')
                                                                    : false;
        if (!refusable) return "refused a readable file: " + std::to_string(result);
        if (std::strcmp(table.Message("KEPT"), "kept text") != 0 || table.EntryCount() != 2)
            return "a failed load changed the table";
        return std::string();
    }
    // Every line's first word as a key, and the numbers a dialog asks for.
    std::size_t looked = 0;
    for (std::size_t p = 0; p < bytes.size() && looked < 200; ++looked) {
        std::size_t e = bytes.find_first_of(" \t\r\n", p);
        if (e == std::string::npos) e = bytes.size();
        const std::string key = bytes.substr(p, e - p);
        const char* text = table.Message(key.c_str());
        if (text == nullptr) return "null text for a key";
        (void)std::strlen(text);
        const std::size_t next = bytes.find_first_of("\r\n", e);
        p = next == std::string::npos ? bytes.size() : next + 1;
    }
    for (int n = 0; n <= 20; ++n) {
        const char* text = table.Message(n);
        if ((n == 0) != (text == nullptr)) return "number look-up answered wrongly";
        if (text != nullptr) (void)std::strlen(text);
    }
    if (table.EntryCount() < 0 || static_cast<std::size_t>(table.EntryCount()) > bytes.size())
        return "more entries than bytes";
    return std::string();
}

} // namespace msgtable_fuzz
