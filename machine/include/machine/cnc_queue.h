#pragma once
// CncCommandQueue: the ring of controller commands that the status poll hands to the controller
// one by one while it is idle. Ten entries; a command is a 16-bit code, a 16-bit sub-code and
// an optional text of at most 29 characters kept in the entry.
#include <cstdint>

class UvenlibBinding;

class CncCommandQueue {
public:
    static constexpr int kCapacity = 10;
    static constexpr int kTextMax = 29;

    struct Entry {
        uint16_t code = 0;
        uint16_t subCode = 0;
        bool hasText = false;
        char text[kTextMax + 1] = {};
    };

    // Result of QueueCommand.
    enum : int { kQueued = 0, kFull = 1, kTextTooLong = 2 };

    // 1 when ten entries wait, 2 when the text is longer than 29 characters, else stores the
    // command and returns 0.
    int QueueCommand(uint16_t code, uint16_t subCode, const char* text);
    // Read index, write index, count, waiting and busy flags to 0 (pending commands dropped).
    // Returns 0.
    int Reset();

    // One run of the pump at the start of a poll. While a sent command runs (TstCmdCnc not 0)
    // it waits at most cmdTimerMs from the command's time stamp; accepted commands are followed
    // by the next one at once; a busy controller (33) keeps the entry for a later poll, for at
    // most cmdTimerMs from its first busy answer.
    // Returns 0, or the code that ends a pending start after the queue was reset: -1 for a
    // command that ran longer than cmdTimerMs, else the controller's refusal code.
    int Pump(const UvenlibBinding& lib, int64_t nowMs, int cmdTimerMs);

    int Count() const { return m_count; }
    bool Waiting() const { return m_waiting != 0; }
    bool Idle() const { return m_count == 0 && m_waiting == 0; }
    int ReadIndex() const { return m_read; }
    int WriteIndex() const { return m_write; }
    const Entry& At(int index) const { return m_entries[index]; }
    // Whether a command of this code still waits in the queue (not yet accepted).
    bool Holds(uint16_t code) const;

private:
    Entry m_entries[kCapacity];
    int m_read = 0;
    int m_write = 0;
    int m_count = 0;
    int m_waiting = 0;
    int m_busy = 0;        // the entry at the read index was answered busy and not yet accepted
    int64_t m_stampMs = 0; // when the last command was sent, or first found busy
};
