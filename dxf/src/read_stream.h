#pragma once
// The streamed read: the outline read pair by pair as the drawing's bytes come through a window,
// without a buffer of the file's size or an array of its pairs. The window is also laid over
// bytes already in memory, so a buffer is read the same way.
#include <cstddef>
#include <memory>

#include "dxf/outline.h"
#include "outline_stream.h"

namespace dxfread {

// The bytes of the drawing as they stream in: [0, Have()) from Base() are at hand.
class Window {
public:
    // Bytes already in memory: all at hand, nothing to read.
    Window(const char* data, size_t size) : base_(data), have_(size), total_(size), end_(true) {}
    Window(dxfstream::ByteSource& source, size_t capacity)
        : source_(&source), capacity_(std::max<size_t>(capacity, 1)) {}

    const char* Base() const { return base_; }
    size_t Have() const { return have_; }
    bool AtEnd() const { return end_; }
    int Error() const { return error_; }

    // Drops the bytes before `keep`, moves the rest to the front and reads more after them; the
    // window grows only when the kept bytes fill it. False on a read error or a drawing over the
    // size limit (Error tells which).
    bool More(size_t keep);
    // Reads the rest and keeps none of it: the drawing's size and its read errors still count.
    void Drain() {
        while (!end_ && More(have_)) {
        }
    }

private:
    dxfstream::ByteSource* source_ = nullptr;
    std::unique_ptr<char[]> own_;
    const char* base_ = nullptr;
    size_t capacity_ = 0;
    size_t have_ = 0;
    size_t total_ = 0;
    bool end_ = false;
    int error_ = 0;
};

// Reads the outline through the window: the count of entities read, a negative DxfReadResult,
// or dxfstream::kWholeFile when the drawing must be read whole. sizeHint (the drawing's size if
// known, or 0) sizes the shape records.
int ReadStreamed(Window& window, size_t sizeHint, MOutline& outline);

} // namespace dxfread
