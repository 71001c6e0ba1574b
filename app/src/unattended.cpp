// What the job road's boxes say when nobody is there to answer them.
#include "app/unattended.h"

#include <cstdio>

#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/settings_support.h"

namespace app {

bool UnattendedRun() { return g_testAutoConfirm != 0 && g_testHidePopups != 0; }

bool TellUnattended(const char* what, const std::string& text) {
    if (!UnattendedRun()) return false;
    const char* list = PathSlot(PathTable::kListName);
    std::fprintf(stderr, "test run: %s: %s: %s\n", list != nullptr ? list : "", what, text.c_str());
    std::fflush(stderr);
    return true;
}

} // namespace app
