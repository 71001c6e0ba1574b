// Start-up and creation decisions without a window system.
#include "app/startup_logic.h"

#include <cctype>
#include <cstring>

#include "app/app_ids.h"
#include "machine/settings_support.h"
#include "platform/text.h"
#include "ui/OwnControls.h"

namespace {

constexpr const char* kOptionWords[] = {"OFFICE", "K7310", "RUVIZORUR", "DECENTR"};
constexpr int kMaxMachineWords = 8;
constexpr std::size_t kMaxWordLength = 19;

void ActOnWord(int index, OptionWords& words) {
    switch (index) {
    case 0: words.machineConnected = 0; break;
    case 1: words.machineOption = 2; break;
    case 2: words.machineOption = 3; break;
    case 3: words.decentredRalla = 1; break;
    default: break;
    }
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

void ApplyCommandLineWords(const std::string& commandLine, OptionWords& words) {
    const std::string upper = Upper(commandLine);
    for (int i = 0; i < 4; ++i) {
        if (upper.find(kOptionWords[i]) != std::string::npos) {
            ActOnWord(i, words);
            return;
        }
    }
}

void ApplyMachineWords(const std::string& machineValue, OptionWords& words) {
    int taken = 0;
    std::size_t pos = 0;
    while (taken < kMaxMachineWords) {
        pos = machineValue.find_first_not_of(" \t", pos);
        if (pos == std::string::npos) break;
        const std::size_t end = machineValue.find_first_of(" \t", pos);
        const std::string word = machineValue.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end;
        ++taken;
        if (word.size() > kMaxWordLength) continue;
        const std::string upper = Upper(word);
        for (int i = 0; i < 4; ++i) {
            if (upper == kOptionWords[i]) {
                ActOnWord(i, words);
                break;
            }
        }
        if (end == std::string::npos) break;
    }
}

int VariantFromController(float r700, float r813, float r814) {
    const bool a = r700 != 0.0f, b = r813 != 0.0f, c = r814 != 0.0f;
    if (a && !b && !c) return 0;
    if (a && b && c) return 1;
    if (!a && b && c) return 2;
    return -1;
}

std::string StartWaitText(bool settling, int waitedSeconds, int settledSeconds) {
    if (settling)
        return plat::StrFormatC("%s %d / %d s", MsgString("M_WAIT_CNC_SETTLE"), settledSeconds, kVariantSettleMs / 1000);
    return plat::StrFormatC("%s %d / %d s", MsgString("M_WAIT_CNC"), waitedSeconds, kControllerStartWaitMs / 1000);
}

int VariantFromConfMac(int assex, int asseh, int assep) {
    const bool x = assex != 0, h = asseh != 0, p = assep != 0;
    if (x && !p && !h) return 0;
    if (x && p && h) return 1;
    if (!x && p && h) return 2;
    return -1;
}

std::string ComposeBaseTitle(int variant, const char* version, int decentred, int machineOption, int connected) {
    const char* machine = variant == 1 ? "Brelon3 L1 " : variant == 2 ? "Brelon V1 " : "Brelon2 ";
    std::string result = std::string("Velmo (v") + (version != nullptr ? version : "") + ") for " + machine;
    if (decentred == 1) result += "D";
    result += machineOption == 2 ? "CE" : machineOption == 3 ? "ME" : "FE";
    if (connected == 0) result += " - OFFICE -";
    return result;
}

std::string ComposeListTitle(const char* base, const char* name) {
    std::string title = base != nullptr ? base : "";
    const bool endsInDash = !title.empty() && title.back() == '-';
    return title + (endsInDash ? " " : " - ") + (name != nullptr ? name : "");
}

int StatusTimerPeriod(int configured) { return configured > 0 ? configured : kMinStatusPeriod; }

unsigned PaneBackground(int paneId, const std::string& text, bool online) {
    // Colours of the status panes, decided here in one place: axes pale yellow, overrides pale
    // cyan, controller state pale green; messages turn yellow, HOLD orange and alarms red while
    // they show; off-line every pane keeps the plain bar colour.
    if (!online) return ui::kNoColor;
    if (paneId >= kBar1FirstPane && paneId <= kBar1FirstPane + 8) return 0xC8FFFFu;
    if (paneId == kBar1FirstPane + 9 || paneId == kBar1FirstPane + 10) return 0xFFFFD8u;
    if (paneId >= kBar2FirstPane && paneId <= kBar2FirstPane + 6) {
        if (!text.empty()) {
            if (paneId == kBar2FirstPane + 3) return 0x00FFFFu; // messages
            if (paneId == kBar2FirstPane + 4) return 0x0080FFu; // hold
            if (paneId == kBar2FirstPane + 5) return 0x0000FFu; // alarms
        }
        return 0xD8FFD8u;
    }
    return ui::kNoColor;
}
