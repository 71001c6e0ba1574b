// Library-wide state: message table, message sink, file places.
#include "labelprint/library.h"

#include <cstdio>

#include "msgtable/Dictavo.h"
#include "platform/paths.h"

namespace labelprint {

namespace {

class StderrSink final : public tagrix::MessageSink {
public:
    void Show(const char* text, const char* caption, int) override {
        std::fprintf(stderr, "Tagrix: %s: %s\n", caption ? caption : "", text ? text : "");
    }
};

StderrSink g_defaultSink;
tagrix::MessageSink* g_sink = &g_defaultSink;
Dictavo* g_table = nullptr;

} // namespace

tagrix::MessageSink* SetMessageSink(tagrix::MessageSink* sink) {
    tagrix::MessageSink* old = g_sink == &g_defaultSink ? nullptr : g_sink;
    g_sink = sink ? sink : &g_defaultSink;
    return old;
}

void ShowMessage(const char* text, const char* caption, int icon) { g_sink->Show(text, caption, icon); }

Dictavo* MessageTable() { return g_table; }

void SetMessageTable(Dictavo* table) {
    if (g_table == table) return;
    delete g_table;
    g_table = table;
}

const char* Text(const char* key) { return g_table ? g_table->Message(key) : key; }

void ShowNoComm() { ShowMessage(Text("ID_NO_COMM"), Text("ID_ERROR"), tagrix::kBoxPlain); }

std::string IniPath() { return plat::ProgramDirectory() + "TAGRIX.INI"; }

std::string MessageFilePath() { return plat::ProgramDirectory() + "MSG/TAGRIX.msg"; }

} // namespace labelprint

namespace labelprint {

std::string SubstituteKeys(std::string text, int count, const char* const* keys, const char* const* values) {
    if (!keys) return text;
    for (int i = 0; i < count; ++i) {
        if (!keys[i] || !*keys[i]) continue;
        const std::string key = keys[i];
        const std::string value = values && values[i] ? values[i] : "";
        // Search on after each inserted value, so a value holding its own key cannot loop.
        for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

} // namespace labelprint
