// The file's bytes in one buffer.
#include "read_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include <sys/stat.h>

#include "dxf/dxf.h"
#include "read_limits.h"
#include "platform/paths.h"

namespace dxfread {

int ReadFileBytes(std::string_view path, std::unique_ptr<char[]>& data, size_t& size) {
    size = 0;
    if (path.empty()) return DXF_ERR_OPEN;
    FILE* f = plat::OpenFile(path, "rb");
    if (f == nullptr) return DXF_ERR_OPEN;
    struct stat st {};
    size_t capacity = 1 << 16;
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        capacity = std::min(size_t(st.st_size), kMaxFileSize) + 1;
    data.reset(new (std::nothrow) char[capacity]);
    bool tooLarge = false, noMemory = data == nullptr;
    while (!noMemory) {
        if (size == capacity) {
            if (capacity > kMaxFileSize) {
                tooLarge = true;
                break;
            }
            const size_t grown = std::min(capacity * 2, kMaxFileSize + 1);
            std::unique_ptr<char[]> bigger(new (std::nothrow) char[grown]);
            if (bigger == nullptr) {
                noMemory = true;
                break;
            }
            std::memcpy(bigger.get(), data.get(), size);
            data = std::move(bigger);
            capacity = grown;
        }
        const size_t got = std::fread(data.get() + size, 1, capacity - size, f);
        if (got == 0) break;
        size += got;
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (tooLarge || size > kMaxFileSize) return DXF_ERR_TOO_LARGE;
    if (noMemory) return DXF_ERR_TOO_LARGE;
    if (readError) return DXF_ERR_OPEN;
    return 0;
}

} // namespace dxfread
