#pragma once
// The file's bytes for a read: all of them in one buffer (the whole-file read), or as they come
// through an unbuffered file (the streamed read).
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

#include "outline_stream.h"

namespace dxfread {

// The whole file in one buffer of its size, read straight into it (a file that grows while it is
// read still ends up whole, up to the size limit). 0 or a negative DxfReadResult.
int ReadFileBytes(std::string_view path, std::unique_ptr<char[]>& data, size_t& size);

// Bytes from an open file with no buffer of its own: they go straight to the window.
class FileSource final : public dxfstream::ByteSource {
public:
    explicit FileSource(FILE* f) : f_(f) {}
    long Read(char* to, size_t n) override {
        const size_t got = std::fread(to, 1, n, f_);
        if (got == 0 && std::ferror(f_) != 0) return -1;
        return long(got);
    }

private:
    FILE* f_;
};

} // namespace dxfread
