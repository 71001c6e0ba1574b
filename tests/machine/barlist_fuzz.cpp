// libFuzzer target of the bar-list reader: any input either loads or is refused with a message.
// Built only with -DBRELON_FUZZ=ON and clang (see tests/machine/barlist.cmake).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"

namespace {

std::string g_dir;
std::string g_list;

void Setup() {
    g_dir = (std::filesystem::temp_directory_path() / ("brelon-barlist-fuzz-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(g_dir + "/CONF");
    g_pPathTable = new PathTable();
    std::snprintf(g_pPathTable->slots[PathTable::kConfigPar], PathTable::kSlotSize, "%s/CONF/CONFIG.PAR", g_dir.c_str());
    std::snprintf(g_pPathTable->slots[PathTable::kProgramDir], PathTable::kSlotSize, "%s/", g_dir.c_str());
    std::snprintf(g_pPathTable->slots[PathTable::kToolsTxt], PathTable::kSlotSize, "%s/TOOLS.TXT", g_dir.c_str());
    if (FILE* f = std::fopen(g_pPathTable->slots[PathTable::kToolsTxt], "wb")) {
        std::fputs("# 60\r\n\r\n* PUNTA5 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n\r\n", f);
        std::fclose(f);
    }
    ApplyMachineVariant(0);
    g_pSettings = new MachineSettings();
    g_pRallaTools = new RallaToolSet(1);
    g_pRallaTools->LoadTools();
    g_list = g_dir + "/FUZZ.lda";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (Setup(), true);
    (void)ready;
    FILE* f = std::fopen(g_list.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    ClearErrorText();
    BarList list(g_list.c_str());
    if (!list.IsLoaded() && g_errorText[0] == '\0') std::abort(); // refused without a message
    return 0;
}
