#include "app/config_commands.h"

#include <QWidget>
#include <algorithm>
#include <cstring>
#include <string>

#include "app/app_ids.h"
#include "labelprint/Tagrix.h"
#include "machine/globals.h"
#include "machine/label_settings.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "ui/InputDialog.h"
#include "ui/LabelDialogs.h"
#include "ui/ParProfDialog.h"
#include "ui/ToolDialog.h"
#include "ui/ParamDialogs.h"
#include "ui/main_window_state.h"

namespace app {

namespace {

// Settings windows of the command table: each entry function with the commands that open it.
SettingsDialog g_settingsDialogs[] = {
    {"RunParameterDialog",
     [](int id, QWidget* parent) {
         // The tool-bar twins open the dialogs of their menu commands.
         const int command = id == ID_PAR_FRESA_TB ? ID_PAR_FRESA : id == ID_PAR_TRONCA_TB ? ID_PAR_TRONCA : id;
         return ui::RunParameterDialog(command, parent, ui::MainWindowListOpen());
     },
     {ID_PAR_FRESA, ID_PAR_TRONCA, ID_CONF_GEN1, ID_CONF_GEN2, ID_OFFSET_RALLA, ID_PAR_TRONCA1, ID_CONF_LINK,
      ID_OFFSET_RALLA2, ID_PAR_TRONCA2, ID_PAR_TRONCA3, ID_PAR_TRONCA4, ID_PAR_TRONCA5, ID_PAR_FRESA_TB,
      ID_PAR_TRONCA_TB}},
    {"RunProfileSetsDialog", [](int, QWidget* parent) { return ui::RunProfileSetsDialog(parent, ui::MainWindowListOpen()); },
     {ID_PROFILO, ID_PROFILO_TB}},
    {"RunToolTableDialog", [](int, QWidget* parent) { return ui::RunToolTableDialog(parent); }, {ID_TOOLS, ID_TOOLS_TB}},
};
SettingsDialogRunner g_settingsDialogRuns[std::size(g_settingsDialogs)] = {};
bool g_runsSaved = false;

// The two configuration passwords (level 1 lets one command through, level 2 unlocks).
constexpr const char* kConfigPassword1 = "TVKRO";
constexpr const char* kConfigPassword2 = "Dervo";

ConfigLabEntry g_configLab = &ConfigLab;

} // namespace

bool CommandRuleEnabled(int id, const CommandState& state) {
    switch (id) {
    case ID_STATUS: return false;
    case ID_CONF_GEN2: return state.variant == 0 || state.morseSupp != 0;
    case ID_OFFSET_RALLA2: return state.variant != 0;
    case ID_PAR_TRONCA2: return state.variant == 2;
    case ID_PAR_TRONCA4: return state.variant == 1;
    case ID_PAR_TRONCA5: return state.assec != 0;
    case ID_LABEL:
    case ID_LABEL_TB: return state.listActive == 0;
    default: return true;
    }
}

const SettingsDialog* SettingsDialogFor(int id) {
    for (const SettingsDialog& d : g_settingsDialogs)
        if (std::find(d.commands.begin(), d.commands.end(), id) != d.commands.end()) return &d;
    return nullptr;
}

void OverrideSettingsDialog(const char* function, SettingsDialogRunner run) {
    if (!g_runsSaved) {
        for (std::size_t i = 0; i < std::size(g_settingsDialogs); ++i) g_settingsDialogRuns[i] = g_settingsDialogs[i].run;
        g_runsSaved = true;
    }
    for (std::size_t i = 0; i < std::size(g_settingsDialogs); ++i)
        if (std::strcmp(g_settingsDialogs[i].function, function) == 0)
            g_settingsDialogs[i].run = run != nullptr ? run : g_settingsDialogRuns[i];
}

bool IsGatedCommand(int id) {
    switch (id) {
    case ID_CONF_GEN1:
    case ID_CONF_GEN2:
    case ID_OFFSET_RALLA:
    case ID_OFFSET_RALLA2:
    case ID_PAR_TRONCA1:
    case ID_PAR_TRONCA2:
    case ID_PAR_TRONCA3:
    case ID_PAR_TRONCA4:
    case ID_PAR_TRONCA5:
    case ID_CONF_LINK: return true;
    default: return false;
    }
}

bool CheckConfigPassword(QWidget* parent, int& unlocked) {
    if (unlocked != 0) return true;
    ui::CPasswordDialog dialog(parent, kConfigPassword1, kConfigPassword2);
    const int result = dialog.exec();
    if (result == IDCANCEL) return false;
    if (result == ui::kPasswordLevel2) unlocked = 1;
    return true;
}

LabelRoute RouteLabelSettings(int outputMode, int variant) {
    if (outputMode == 2 && variant == 1) return LabelRoute::Etichette;
    if (outputMode == 1) return LabelRoute::Wizard;
    return LabelRoute::Layout;
}

void SetConfigLabEntry(ConfigLabEntry entry) { g_configLab = entry != nullptr ? entry : &ConfigLab; }

void RunLabelSettings(QWidget* parent) {
    const int mode = g_pSettings != nullptr ? g_pSettings->CONF_FILE_OTT : 0;
    switch (RouteLabelSettings(mode, MachineVariant)) {
    case LabelRoute::Etichette: {
        ui::CParEtichetteDialog dialog(parent);
        dialog.exec();
        break;
    }
    case LabelRoute::Wizard: {
        // The wizard fills two arrays of line field ids and sizes; they are not used here: the
        // layout is reloaded from the configuration afterwards.
        const std::vector<std::string> names = ui::LabelFieldNames();
        std::vector<const char*> pointers;
        for (const std::string& n : names) pointers.push_back(n.c_str());
        int ids[20];
        int sizes[20];
        std::fill(std::begin(ids), std::end(ids), -1);
        std::fill(std::begin(sizes), std::end(sizes), -1);
        g_configLab(static_cast<int>(pointers.size()), pointers.data(), ids, sizes);
        if (g_pSettings != nullptr) SetupLabelLayout(*g_pSettings);
        break;
    }
    case LabelRoute::Layout: {
        ui::CParLabelDialog dialog(parent);
        dialog.exec();
        break;
    }
    }
}

} // namespace app
