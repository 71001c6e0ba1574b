#pragma once
// The configuration side of the main window's command table: the enable rules, the settings
// windows that later work opens (disabled until their entry function is wired), the two-level
// password gate of the configuration commands and the routing of the label settings command.
#include <cstdint>
#include <vector>

class QWidget;

namespace app {

// What the enable rules look at.
struct CommandState {
    int variant = 0;        // MachineVariant
    int32_t morseSupp = 0;  // machining parameter MORSE_SUPP (group 1)
    int assec = 0;          // machine option ASSEC
    int listActive = 0;     // the main window's list-active flag
};

// The enable rule of a command; a command without a rule is always enabled.
bool CommandRuleEnabled(int id, const CommandState& state);

// A settings window opened by one or more commands: run(commandId, parent) shows it modally and
// returns its result. function names the entry function that opens it.
using SettingsDialogRunner = int (*)(int commandId, QWidget* parent);
struct SettingsDialog {
    const char* function;
    SettingsDialogRunner run;
    std::vector<int> commands;
};
// The settings window of a command, null for commands handled by the main window itself.
const SettingsDialog* SettingsDialogFor(int id);
// For tests: runs run in place of the window named function (null restores it).
void OverrideSettingsDialog(const char* function, SettingsDialogRunner run);

// Commands that pass the configuration gate first.
bool IsGatedCommand(int id);
// The configuration gate: true when the command may proceed. Unlocked: at once. Otherwise the
// password prompt: cancel refuses, the level-1 password lets this command through, the level-2
// password sets unlocked for the rest of the program.
bool CheckConfigPassword(QWidget* parent, int& unlocked);

// Which window the label settings command opens, by label output mode (PARAM CONF_FILE_OTT)
// and machine variant.
enum class LabelRoute { Etichette, Wizard, Layout };
LabelRoute RouteLabelSettings(int outputMode, int variant);
// The label settings command: CParEtichetteDialog, the label library's layout wizard (then the
// label layout is rebuilt), or CParLabelDialog.
void RunLabelSettings(QWidget* parent);
// For tests: the wizard entry (default: the label library's ConfigLab; null restores it).
using ConfigLabEntry = int (*)(int count, const char* const* names, int* ids, int* sizes);
void SetConfigLabEntry(ConfigLabEntry entry);

} // namespace app
