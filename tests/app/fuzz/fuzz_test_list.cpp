// libFuzzer target: see list_files_exercise.h.
#include "list_files_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, app_fuzz::TestListExercise);
}
