// libFuzzer target: see cnc_texts_exercise.h.
#include "cnc_texts_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, machine_fuzz::AlarmLogExercise);
}
