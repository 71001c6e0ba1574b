// The trace file of a serial link.
#include "serial/trace_log.h"

#include "platform/paths.h"

namespace porvl4 {

bool SerialTraceLog::Create(const std::string& path) {
    Close();
    file_ = plat::OpenFile(path, "wb");
    return file_ != nullptr;
}

void SerialTraceLog::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void SerialTraceLog::Line(const char* text) {
    if (!file_) return;
    std::fputs(text, file_);
    std::fputs("\r\n", file_);
    std::fflush(file_);
}

void SerialTraceLog::Sent(uint8_t byte) {
    char line[32];
    std::snprintf(line, sizeof line, "-> (%u)", static_cast<unsigned>(byte));
    Line(line);
}

void SerialTraceLog::Received(uint8_t byte) {
    char line[32];
    std::snprintf(line, sizeof line, "<- (%u)", static_cast<unsigned>(byte));
    Line(line);
}

void SerialTraceLog::ReceiveError(int code) {
    char line[32];
    std::snprintf(line, sizeof line, "<- err %d", code);
    Line(line);
}

} // namespace porvl4
