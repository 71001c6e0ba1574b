#pragma once
// Where the compiler's few messages for the operator go (geometry without a solution, a tool
// path cutting into its contour, a read-only temporary file). The default writes them to the standard error stream; the
// program replaces it with a message box, tests with a recorder.

namespace shapecomp {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const char* text, const char* caption) = 0;
};

// Installs a sink (null restores the default) and returns the one it replaces.
MessageSink* SetMessageSink(MessageSink* sink);
void ShowMessage(const char* text, const char* caption);

// Trace texts for a developer ("CalcolaCoordinateGrafiche", "CompilaUven"): written to the
// standard error stream only when the environment variable BRELON_VLK_TRACE is set.
void DebugTrace(const char* text);

} // namespace shapecomp
