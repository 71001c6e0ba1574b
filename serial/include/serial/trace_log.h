#pragma once
// SerialTraceLog: the optional text trace of a serial link, one line per event:
// "INIZIO TEST", "-> (<byte>)", "<- (<byte>)", "<- err <code>", "FINE TEST".
// Lines end in CR LF like every text file the system writes; each line is flushed at once.
#include <cstdint>
#include <cstdio>
#include <string>

namespace porvl4 {

class SerialTraceLog {
public:
    SerialTraceLog() = default;
    ~SerialTraceLog() { Close(); }
    SerialTraceLog(const SerialTraceLog&) = delete;
    SerialTraceLog& operator=(const SerialTraceLog&) = delete;

    // Creates (or truncates) the file, a Windows or native path; false when it cannot.
    bool Create(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    void Close();

    void Begin() { Line("INIZIO TEST"); }
    void Sent(uint8_t byte);
    void Received(uint8_t byte);
    void ReceiveError(int code);
    void End() { Line("FINE TEST"); }

private:
    void Line(const char* text);
    std::FILE* file_ = nullptr;
};

} // namespace porvl4

using porvl4::SerialTraceLog;
