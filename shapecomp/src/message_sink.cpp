#include "shapecomp/message_sink.h"

#include <cstdio>
#include <cstdlib>

namespace shapecomp {

namespace {

class StderrSink : public MessageSink {
public:
    void Show(const char* text, const char* caption) override {
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    }
};

StderrSink g_defaultSink;
MessageSink* g_sink = &g_defaultSink;

} // namespace

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink ? sink : &g_defaultSink;
    return previous;
}

void ShowMessage(const char* text, const char* caption) { g_sink->Show(text, caption); }

void DebugTrace(const char* text) {
    if (std::getenv("BRELON_VLK_TRACE")) std::fprintf(stderr, "%s\n", text);
}

} // namespace shapecomp
