// Module state of the serial library and the receive ring.
#include "serial/com_port.h"

#include <chrono>

namespace porvl4 {

SerialModule& Module() {
    static SerialModule module;
    return module;
}

int32_t SerialModule::Unread() const {
    if (!ring) return 0;
    // Indices start at -1, the same place as ringSize - 1 for the arithmetic.
    const int32_t w = writeIndex < 0 ? ringSize - 1 : writeIndex;
    const int32_t r = readIndex < 0 ? ringSize - 1 : readIndex;
    return (w - r + ringSize) % ringSize;
}

// A full ring keeps its unread bytes: the new byte is dropped and counted, so the writer
// never passes the read index (which would turn 2048 unread bytes into an empty ring).
bool SerialModule::StoreByte(uint8_t b) {
    if (!ring || Unread() >= ringSize - 1) {
        droppedBytes.fetch_add(1);
        return false;
    }
    writeIndex = writeIndex + 1 >= ringSize ? 0 : writeIndex + 1;
    ring[writeIndex] = b;
    return true;
}

bool SerialModule::TakeByte(uint8_t& b) {
    if (!ring || readIndex == writeIndex) return false;
    readIndex = readIndex + 1 >= ringSize ? 0 : readIndex + 1;
    b = ring[readIndex];
    return true;
}

void SerialModule::Notify() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        ++wakeSeq_;
    }
    wakeCv_.notify_all();
}

uint64_t SerialModule::WakeSequence() {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    return wakeSeq_;
}

void SerialModule::WaitWake(uint64_t& seen, uint32_t ms) {
    std::unique_lock<std::mutex> lock(wakeMutex_);
    wakeCv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return wakeSeq_ != seen; });
    seen = wakeSeq_;
}

bool SerialModule::OpenMutexes() {
    bool ok = true;
    if (!ringMutex.IsShared()) ok = ringMutex.Open(lockDirectory) && ok;
    if (!transmitMutex.IsShared()) ok = transmitMutex.Open(lockDirectory) && ok;
    return ok;
}

} // namespace porvl4
