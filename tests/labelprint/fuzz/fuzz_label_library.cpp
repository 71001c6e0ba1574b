// libFuzzer target of the profile library reader (the section drawn on a label).
#include "label_files_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, label_fuzz::ProfileLibraryExercise);
}
