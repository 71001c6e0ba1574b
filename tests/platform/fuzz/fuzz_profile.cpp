// libFuzzer target of the INI profile layer ("CONFIG.PAR", "PARAM.PAR", ".CP", "TAGRIX.INI",
// "TEST.PAR", "ConfMac.dbg", "CNC.MSG", "MSVtag.par" all go through it).
#include "profile_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return mutation::FuzzOne(data, size, profile_fuzz::Exercise);
}
