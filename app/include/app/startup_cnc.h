#pragma once
// The on-line start-up without a window: the machine variant waited for and read from the
// controller (R700, R813, R814), the option variables, and the check before each program start
// that the controller still describes the machine this session works for. The window gives the
// wait's display and its boxes through StartUpHooks; tests give recording ones.
#include <functional>
#include <string>

class CStatoCnc;
class CStatoCncOn;

struct StartUpHooks {
    // The wait's text in the status pane; "" when the wait ends. The first non-empty text
    // begins the wait (the window shows itself and the wait cursor), "" ends it.
    std::function<void(const std::string& text)> showWait;
    // The variant stayed unknown: the box with text. canRetry false has only OK. true: retry.
    std::function<bool(const std::string& text, bool canRetry)> askRetry;
    // A box that only tells (option variables not read).
    std::function<void(const std::string& text)> tell;
    // A termination request arrived: the wait ends at once, nothing more is read.
    std::function<bool()> stopRequested;
};

struct VariantReading {
    int variant = -1;      // 0, 1 or 2; -1 unknown
    bool stopped = false;  // ended by a termination request
    std::string told;      // unknown: " R700 ..." not read, or " R700=1 R813=0 R814=0" read
};

// Reads R700, R813 and R814 every kControllerRetryMs and takes the variant only from values
// that stayed the same for kVariantSettleMs. Gives up at kControllerStartWaitMs unless the
// values then read match a machine and are still settling (at most kVariantSettleMs more).
VariantReading WaitForControllerVariant(CStatoCncOn& cnc, const StartUpHooks& hooks);

enum class OnlineStart { kOnline, kOffice, kStopped };

// Makes the on-line CNC state object (g_pCncState), waits for the variant (the operator
// retries or chooses office mode), applies it and reads the option variables. kOffice and
// kStopped leave no object (g_pCncState null) and nothing written to the controller.
OnlineStart CreateOnlineCncState(const StartUpHooks& hooks);

// The variant R700, R813 and R814 gave at this session's start (-1 off-line).
int SessionControllerVariant();

// The start refused because the controller no longer describes the session's machine: the
// variant box's text followed by what was read.
std::string VariantUnknownText(const std::string& told);

// Before a program start on-line: R700, R813 and R814 read again. true when they give the
// session's machine; false with told naming the variables not read or the values read. Off-line
// (no on-line object) always true.
bool ControllerIsSessionMachine(CStatoCnc* cnc, std::string& told);
