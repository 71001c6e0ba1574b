// libFuzzer target: see tool_table_exercise.h.
#include "tool_table_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, machine_fuzz::ToolTableExercise);
}
