// ASCII DXF reader, the entry points. A read goes through these steps, each in its own files:
//   1. the bytes: the file whole in one buffer, or through a window as it is read (read_file.*);
//   2. the tokenizer: the lines into (group code, value) pairs (read_pairs.*), and the numbers
//      of the value lines (read_numbers.cpp);
//   3. the sections and the entity groups: the whole-file read walks all the pairs at once
//      (read_whole.*), the streamed read follows them as the window moves (read_stream.*);
//   4. the entities: the blocks and each entity record drawn by its kind, blocks expanded,
//      curves that are not plain arcs flattened, everything placed by 2D affine maps into
//      drawing coordinates, into the entity list or the bare outline (read_entities.h, then
//      read_records.cpp, read_kinds.cpp, read_place.cpp, read_geometry.*).
// The limits of a read are in read_limits.h.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include <sys/stat.h>

#include "dxf/dxf.h"
#include "dxf/outline.h"
#include "outline_stream.h"
#include "read_file.h"
#include "read_limits.h"
#include "read_stream.h"
#include "read_whole.h"
#include "platform/paths.h"

using dxfread::ReadWholeOutline;

int ReadDXFBuffer(const char* data, size_t size, MEntitiesList& list) {
    list.Clear();
    dxfread::ListSink sink(list);
    const int rc = dxfread::ReadWhole(data, size, sink);
    if (rc != 0) {
        list.Clear();
        return rc;
    }
    return int(list.Count());
}

int ReadDXF(std::string_view path, MEntitiesList& list) {
    list.Clear();
    std::unique_ptr<char[]> data;
    size_t size = 0;
    const int rc = dxfread::ReadFileBytes(path, data, size);
    if (rc != 0) return rc;
    return ReadDXFBuffer(data.get(), size, list);
}

long dxfstream::MemorySource::Read(char* to, size_t n) {
    const size_t k = std::min({n, std::max<size_t>(chunk_, 1), left_});
    if (k > 0) std::memcpy(to, data_, k);
    data_ += k;
    left_ -= k;
    return long(k);
}

int dxfstream::ReadOutline(ByteSource& source, size_t window, size_t sizeHint, MOutline& outline) {
    dxfread::Window w(source, window);
    return dxfread::ReadStreamed(w, sizeHint, outline);
}

int dxfstream::ReadOutlineWindowed(const char* data, size_t size, size_t window, MOutline& outline) {
    outline.Clear();
    if (data == nullptr || size == 0) return DXF_ERR_FORMAT;
    MemorySource source(data, size, window);
    const int rc = ReadOutline(source, window, size, outline);
    return rc == kWholeFile ? ReadWholeOutline(data, size, outline) : rc;
}

int ReadDXFOutlineBuffer(const char* data, size_t size, MOutline& outline) {
    outline.Clear();
    if (data == nullptr || size == 0) return DXF_ERR_FORMAT;
    if (size > dxfread::kMaxFileSize) return DXF_ERR_TOO_LARGE;
    dxfread::Window w(data, size);
    const int rc = dxfread::ReadStreamed(w, size, outline);
    return rc == dxfstream::kWholeFile ? ReadWholeOutline(data, size, outline) : rc;
}

namespace {

constexpr size_t kWindow = size_t(16) << 10; // the first window of a file's streamed read

} // namespace

int ReadDXFOutline(std::string_view path, MOutline& outline) {
    outline.Clear();
    if (path.empty()) return DXF_ERR_OPEN;
    FILE* f = plat::OpenFile(path, "rb");
    if (f == nullptr) return DXF_ERR_OPEN;
    std::setvbuf(f, nullptr, _IONBF, 0);
    struct stat st {};
    size_t sizeHint = 0;
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) sizeHint = size_t(st.st_size);
    dxfread::FileSource source(f);
    int rc = dxfstream::ReadOutline(source, kWindow, sizeHint, outline);
    std::fclose(f);
    if (rc != dxfstream::kWholeFile) return rc;
    // Blocks or entities again after the entities: the drawing is read again, whole.
    std::unique_ptr<char[]> data;
    size_t size = 0;
    rc = dxfread::ReadFileBytes(path, data, size);
    if (rc != 0) return rc;
    return ReadWholeOutline(data.get(), size, outline);
}
