// libFuzzer target: see config_files_exercise.h.
#include "config_files_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, machine_fuzz::ConfigFilesExercise);
}
