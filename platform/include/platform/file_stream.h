#pragma once
// Streamed reading of a file of any size.
#include <functional>
#include <string_view>

namespace plat {

// Reads a plain file from its start to its end, whatever its size, handing each piece read to
// chunk in order (the path mapping and the fault hook of every read). chunk returns false to
// stop the read there (then errno is EFBIG: the reader's own bound). false when the file cannot
// be opened, a read fails part way or chunk stopped it (errno tells why; chunk may have had
// part of the file).
bool ReadFileChunks(std::string_view path, const std::function<bool(std::string_view)>& chunk);

} // namespace plat
