#pragma once
// Memory hints to the system.
#include <cstddef>

namespace plat {

// Asks the system to back a large buffer with large pages where it gives them on request: the
// first touch of a buffer of tens of megabytes then takes a few page faults instead of thousands.
// Only a hint: the buffer's bytes and use are unchanged, and a refusal is ignored.
void AdviseLargeBuffer(void* p, std::size_t size);

} // namespace plat
