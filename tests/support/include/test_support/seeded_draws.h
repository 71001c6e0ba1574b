#pragma once
// The draws of the seeded random bars of the tests and the benches: a xorshift generator whose
// state starts at the seed times 2654435761. The same seed gives the same draws, so a bar that
// failed once is the same bar on every run.
#include <cstdint>

namespace ldatest {

class SeededDraws {
public:
    explicit SeededDraws(uint32_t seed) : s_(seed * 2654435761u) {}
    // A whole number from lo to hi, both included.
    int operator()(int lo, int hi) {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return lo + static_cast<int>(s_ % static_cast<uint32_t>(hi - lo + 1));
    }

private:
    uint32_t s_;
};

} // namespace ldatest
