#pragma once
// Memory for large buffers that the system may back with large pages.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

namespace plat {

// From this size on a buffer is laid on whole 2 MB pages of its own, aligned and advised for
// large pages where the system gives them on request: the first touch of tens of megabytes then
// takes a few page faults instead of one per 4 KB page. Smaller buffers come from the heap.
inline constexpr std::size_t kLargeMemoryMin = std::size_t{1} << 20;

// size bytes (at least one is given), or nullptr when the memory cannot be had.
void* AllocateLarge(std::size_t size) noexcept;
// Gives back what AllocateLarge gave for the same size (nullptr: nothing).
void FreeLarge(void* p, std::size_t size) noexcept;

// An owned byte buffer from AllocateLarge; the deleter keeps the size it was had for.
struct LargeDeleter {
    std::size_t size = 0;
    void operator()(uint8_t* p) const noexcept { FreeLarge(p, size); }
};
using LargeBytes = std::unique_ptr<uint8_t[], LargeDeleter>;
// Empty when the memory cannot be had.
inline LargeBytes AllocateLargeBytes(std::size_t size) noexcept {
    return LargeBytes(static_cast<uint8_t*>(AllocateLarge(size)), LargeDeleter{size});
}

// A container allocator over AllocateLarge: a large array of holders is touched first as it is
// filled, like a large buffer.
template <typename T>
struct LargePageAllocator {
    using value_type = T;
    LargePageAllocator() noexcept = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        void* p = AllocateLarge(n * sizeof(T));
        if (p == nullptr) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const LargePageAllocator<U>&) const noexcept { return true; }
};

} // namespace plat
