#pragma once
// Streamed reading of a file of any size.
#include <functional>
#include <string_view>

namespace plat {

// Reads a plain file from its start to its end, whatever its size, handing each piece read to
// chunk in order (ReadWholeFile's checks and fault hook, without its bound). false when the
// file cannot be opened or a read fails part way (errno tells why; chunk may have had part of
// the file).
bool ReadFileChunks(std::string_view path, const std::function<void(std::string_view)>& chunk);

} // namespace plat
