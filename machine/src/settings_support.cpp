// Message look-ups of the machine layer.
#include "machine/settings_support.h"

#include "msgtable/Dictavo.h"

Dictavo* g_msgStrings = nullptr;
Dictavo* g_msgErrors = nullptr;

namespace {
const char* ByKey(const Dictavo* table, const char* key) {
    if (key == nullptr) return "";
    if (table == nullptr) return key;
    const char* text = table->Message(key);
    return text != nullptr ? text : key;
}
} // namespace

const char* MsgString(const char* key) { return ByKey(g_msgStrings, key); }

const char* MsgError(const char* key) { return ByKey(g_msgErrors, key); }

const char* MsgStringNum(int number) {
    if (g_msgStrings == nullptr || number <= 0) return "";
    const char* text = g_msgStrings->Message(number);
    return text != nullptr ? text : "";
}
