#pragma once
// The outline read as the drawing streams in through a window (internal to the library and its
// tests: the public entry is ReadDXFOutline).
#include <cstddef>

#include "dxf/outline.h"

namespace dxfstream {

// Where the bytes come from: Read gives up to n bytes, 0 at the end, a negative number on a
// read error.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual long Read(char* to, size_t n) = 0;
};

// Bytes in memory handed out at most `chunk` at a time.
class MemorySource final : public ByteSource {
public:
    MemorySource(const char* data, size_t size, size_t chunk) : data_(data), left_(size), chunk_(chunk) {}
    long Read(char* to, size_t n) override;

private:
    const char* data_;
    size_t left_;
    size_t chunk_;
};

// Reads the outline from the source through a window of `window` bytes at first, grown only for
// an entity group or a line that does not fit. sizeHint (the drawing's size if known, or 0)
// sizes the shape records. Returns what ReadDXFOutlineBuffer returns for the same bytes, or
// kWholeFile when the drawing must be read whole (blocks or a second entities section after
// the entities): the source is then spent and the caller reads the bytes again.
inline constexpr int kWholeFile = -1000;
int ReadOutline(ByteSource& source, size_t window, size_t sizeHint, MOutline& outline);

// The same over bytes in memory read `window` bytes at a time, reading them whole when needed.
int ReadOutlineWindowed(const char* data, size_t size, size_t window, MOutline& outline);

} // namespace dxfstream
