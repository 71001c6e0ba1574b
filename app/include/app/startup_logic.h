#pragma once
// Decisions of the start-up and of the main window's creation that need no window system:
// option words, the machine variant from the controller or from "ConfMac.dbg", the window
// title, the status timer period and the pane colours.
#include <string>

// Option words in force (the program-wide values of globals.h take them).
struct OptionWords {
    int machineConnected = 1;
    int machineOption = 1;
    int decentredRalla = 0;
};

// The command line, upper-cased, searched for "OFFICE", "K7310", "RUVIZORUR", "DECENTR" in this
// order: only the first one found acts (a substring is enough).
void ApplyCommandLineWords(const std::string& commandLine, OptionWords& words);
// GENERAL MACHINE: up to 8 blank-separated words, each compared whole and ignoring case with
// the same four words; every matching word acts. A word longer than 19 characters matches
// nothing.
void ApplyMachineWords(const std::string& machineValue, OptionWords& words);

// An option variable of the controller read at the main window's creation (once the variant
// was read) is tried this many times, this far apart, before it counts as unread.
inline constexpr int kSetupReadAttempts = 3;
inline constexpr int kSetupReadRetryMs = 20;

// The machine variant (R700, R813, R814) is waited for at the main window's creation: the
// controller's own program has just been started and may need seconds before it answers with
// its set-up. Tried every kControllerRetryMs for at most kControllerStartWaitMs, the status
// pane kStartWaitPane showing the wait; then the operator retries or works in office mode.
inline constexpr int kControllerStartWaitMs = 20000;
inline constexpr int kControllerRetryMs = 250;
inline constexpr int kStartWaitPane = 312;
// The variant is taken only from R700, R813 and R814 unchanged for this long: a controller
// loading its machine description sets them one after another within a few seconds (R813 and
// R814 still 0 for 3 s were seen), and a partial set reads as another machine. 5 s is longer
// than that with margin and short beside the start's own wait.
inline constexpr int kVariantSettleMs = 5000;

// The wait's status text: "Waiting for the controller to start: 3 / 20 s", or, once the
// values match a machine and settle, "Reading the machine from the controller: 2 / 5 s".
std::string StartWaitText(bool settling, int waitedSeconds, int settledSeconds);

// The variant from R700, R813 and R814 (non-zero counts as set), or -1 when no column matches.
int VariantFromController(float r700, float r813, float r814);
// The variant from ConfMac.dbg's ASSEX, ASSEH, ASSEP, or -1 when no column matches.
int VariantFromConfMac(int assex, int asseh, int assep);

// "Velmo (v<version>) for ..." with the option letters and the office mark.
std::string ComposeBaseTitle(int variant, const char* version, int decentred, int machineOption, int connected);
// The window title with a list open: the base title, " - " and the list's name; a base that
// already ends in a dash (" - OFFICE -") takes the name after one blank, so no part is empty.
std::string ComposeListTitle(const char* base, const char* name);

// The status poll period: STATUS_TIMER as read, a period of 0 or less taken as kMinStatusPeriod
// (a zero period would poll the controller in a busy loop).
inline constexpr int kMinStatusPeriod = 50;
int StatusTimerPeriod(int configured);

// Background colour (0x00BBGGRR, ui::kNoColor for none) of a status pane showing text.
unsigned PaneBackground(int paneId, const std::string& text, bool online);
