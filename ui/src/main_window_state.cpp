#include "ui/main_window_state.h"

namespace ui {

namespace {
bool (*g_listOpenQuery)() = nullptr;
} // namespace

bool MainWindowListOpen() { return g_listOpenQuery != nullptr && g_listOpenQuery(); }
void SetMainWindowListOpenQuery(bool (*query)()) { g_listOpenQuery = query; }

} // namespace ui
