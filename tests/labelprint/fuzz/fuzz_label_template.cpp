// libFuzzer target of the label templates ("PIECE.PRN", "SCRAP.PRN") and their keys.
#include "template_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, label_fuzz::TemplateExercise);
}
