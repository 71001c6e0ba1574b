// The library's exported entry points. Everything else in the library is hidden.
#include "shapecomp/vlk32_bc.h"

#include <cstring>

#include "shapecomp/driver.h"
#include "shapecomp/message_sink.h"

#define VLK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

class CallbackSink : public shapecomp::MessageSink {
public:
    VlkMessageFn fn = nullptr;
    void* context = nullptr;
    void Show(const char* text, const char* caption) override { fn(context, text, caption); }
};

CallbackSink g_callbackSink;

} // namespace

VLK_EXPORT int32_t GetVlkVersion(char* buffer, int32_t length) {
    if (buffer && length > 0) std::strncpy(buffer, "3.0", static_cast<size_t>(length));
    return 1;
}

VLK_EXPORT int32_t CompilaSpeciale(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return -1; }

VLK_EXPORT int32_t CompilaSpeciale2(const char*, const char*, const char*, int32_t, int32_t, char, int32_t) {
    return -1;
}

VLK_EXPORT int32_t CompilaSpeciale3(const char* workDirectory, const char* shapeFile, const char* suffix,
                                    int32_t /*unused*/, int32_t* lineCounter, const char* outputProgram,
                                    int32_t toolDiameter) {
    return shapecomp::CompileSpecial(workDirectory, shapeFile, suffix, lineCounter, outputProgram, toolDiameter);
}

VLK_EXPORT void VlkSetMessageSink(VlkMessageFn fn, void* context) {
    if (!fn) {
        shapecomp::SetMessageSink(nullptr);
        return;
    }
    g_callbackSink.fn = fn;
    g_callbackSink.context = context;
    shapecomp::SetMessageSink(&g_callbackSink);
}
