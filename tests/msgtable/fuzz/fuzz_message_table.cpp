// libFuzzer target of the message-table loader.
#include "message_table_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, msgtable_fuzz::Exercise);
}
