// libFuzzer entry point for the DXF reader and everything that runs on what it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "../exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!dxftest::Exercise(data, size)) std::abort();
    return 0;
}
