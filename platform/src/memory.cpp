#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define BRELON_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define BRELON_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define BRELON_POISON(p, n) ((void)(p), (void)(n))
#define BRELON_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace plat {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

// The whole large pages a buffer of size bytes lies on.
std::size_t LargeLength(std::size_t size) { return (size + kLargePage - 1) & ~(kLargePage - 1); }

} // namespace

void* AllocateLarge(std::size_t size) noexcept {
    if (size == 0) size = 1;
    if (size < kLargeMemoryMin) return ::operator new(size, std::nothrow);
    if (size > SIZE_MAX - 2 * kLargePage) return nullptr;
    const std::size_t length = LargeLength(size);
    // One large page more than needed, so that an aligned run of them lies inside; the rest is
    // given back at once.
    void* mapped = ::mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(std::uintptr_t{kLargePage} - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    const std::size_t after = start + length + kLargePage - (aligned + length);
    if (after > 0) ::munmap(reinterpret_cast<void*>(aligned + length), after);
    void* p = reinterpret_cast<void*>(aligned);
    // Only a hint: a system without large pages on request gives ordinary ones.
    (void)::madvise(p, length, MADV_HUGEPAGE);
    // The address sanitiser still sees a read or write past the buffer's own bytes.
    BRELON_POISON(static_cast<uint8_t*>(p) + size, length - size);
    return p;
}

void FreeLarge(void* p, std::size_t size) noexcept {
    if (p == nullptr) return;
    if (size == 0) size = 1;
    if (size < kLargeMemoryMin) {
        ::operator delete(p);
        return;
    }
    const std::size_t length = LargeLength(size);
    BRELON_UNPOISON(p, length);
    ::munmap(p, length);
}

} // namespace plat
