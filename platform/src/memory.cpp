#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace plat {

void AdviseLargeBuffer(void* p, std::size_t size) {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (p == nullptr || page <= 0) return;
    // The advice is given on whole pages, those inside the buffer only.
    const auto mask = static_cast<std::uintptr_t>(page) - 1;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(p) + mask) & ~mask;
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + size) & ~mask;
    if (end > first) (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

} // namespace plat
