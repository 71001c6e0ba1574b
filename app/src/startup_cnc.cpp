// The on-line start-up's variant decision and its reads, and the variant check before each
// program start. No window here: the window gives the wait's display and the boxes.
#include "app/startup_cnc.h"

#include <cmath>
#include <cstdio>

#include "app/startup_logic.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/uvenlib_binding.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace {

constexpr int kVariantVariables[3] = {700, 813, 814};

// The variant R700, R813 and R814 gave at this session's start.
int g_sessionVariant = -1;

bool IsSet(float v) { return v != 0.0f; }

// " R700=1 R813=0 R814=0" when all three were read, else the variables not read.
std::string NameReading(const float values[3], const bool read[3]) {
    const bool allRead = read[0] && read[1] && read[2];
    std::string told;
    for (int i = 0; i < 3; ++i) {
        if (allRead) told += plat::StrFormatC(" R%d=%g", kVariantVariables[i], static_cast<double>(values[i]));
        else if (!read[i]) told += " R" + std::to_string(kVariantVariables[i]);
    }
    return told;
}

bool SameValues(const float a[3], const float b[3]) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

// The SHUTDOWN record of the event log, with the machine's log name.
void LogShutdown(CStatoCnc& cnc) {
    char name[kSettingsNameSize] = {};
    if (g_pSettings != nullptr) std::snprintf(name, sizeof name, "%s", g_pSettings->NOME_MACCHINA_LOG);
    cnc.LogLogon(0, name);
}

// The option variables, each read with the checked read and tried again a few times: a read
// that still fails leaves its option as it stands and is named to the operator (a dropped read
// taken for 0.0 would clear an option the machine has).
void ReadOptions(CStatoCncOn& cnc, const StartUpHooks& hooks) {
    std::string unread;
    auto read = [&](int n, float& value) {
        for (int attempt = 0; attempt < kSetupReadAttempts; ++attempt) {
            if (attempt > 0) plat::SleepMs(kSetupReadRetryMs);
            if (cnc.ReadRVarChecked(n, value)) return true;
        }
        unread += " R" + std::to_string(n);
        return false;
    };
    if (g_pSettings != nullptr) {
        MachineOptions& o = g_pSettings->options;
        auto option = [&](int n, int& value, auto&& isSet) {
            float v = 0;
            if (read(n, v)) value = isSet(v) ? 1 : 0;
        };
        auto set = [](float v) { return IsSet(v); };
        if (MachineVariant == 1) {
            option(727, o.MORSE_SUPP, set);
            float slide = 0, r886 = 0;
            if (read(886, r886) && read(7040, slide)) {
                const int odd = static_cast<int>(std::trunc(static_cast<double>(slide))) % 2;
                o.SLITTA_MAND1 = (IsSet(r886) && odd != 0) ? 1 : 0;
            }
            option(7101, o.SCARICO_RAPIPO, set);
            option(821, o.MAGAZZINO_CARICO, [](float v) { return v == 2.0f; });
        } else {
            o.SLITTA_MAND1 = o.SCARICO_RAPIPO = o.MAGAZZINO_CARICO = 0;
        }
        float r7007 = 0, r7011 = 0;
        if (read(7007, r7007)) {
            o.BARR_SX = IsSet(r7007) ? 1 : 0;
            if (IsSet(r7007)) MachineVariant = 1;
        }
        if (read(7011, r7011)) {
            o.ASSEC = IsSet(r7011) ? 1 : 0;
            if (IsSet(r7011)) MachineVariant = 1;
        }
    }
    if (!unread.empty() && hooks.tell) hooks.tell(std::string(MsgError("ERR_CNC_SETUP_UNREAD")) + unread);
}

} // namespace

VariantReading WaitForControllerVariant(CStatoCncOn& cnc, const StartUpHooks& hooks) {
    VariantReading result;
    if (g_uvenlib.GetDatiCncEx == nullptr) {
        result.told = " GetDatiCncEx";
        return result;
    }
    // The controller's own program was started just before: it may take seconds before it
    // answers, and while it loads its machine description the three variables come one after
    // another (R700 set, R813 and R814 still 0 reads as another machine). So the variant is
    // taken only from values that stayed the same for kVariantSettleMs.
    const int64_t start = plat::MonotonicMs();
    bool shown = false;
    float held[3] = {};
    bool holding = false; // held[] are values all read at the last poll
    int64_t heldSince = start;
    auto endWait = [&] {
        if (shown && hooks.showWait) hooks.showWait("");
    };
    for (;;) {
        if (hooks.stopRequested && hooks.stopRequested()) {
            endWait();
            result.stopped = true;
            return result;
        }
        float values[3] = {};
        bool read[3] = {};
        for (int i = 0; i < 3; ++i) read[i] = cnc.ReadRVarQuiet(kVariantVariables[i], values[i]);
        const bool allRead = read[0] && read[1] && read[2];
        const int64_t now = plat::MonotonicMs();
        const int64_t waited = now - start;
        if (!allRead || !holding || !SameValues(values, held)) {
            for (int i = 0; i < 3; ++i) held[i] = values[i];
            holding = allRead;
            heldSince = now;
        }
        const int variant = allRead ? VariantFromController(values[0], values[1], values[2]) : -1;
        const int64_t settled = now - heldSince;
        if (variant >= 0 && settled >= kVariantSettleMs) {
            endWait();
            result.variant = variant;
            return result;
        }
        // A machine's values still settling when the start's wait is over get their settling
        // time; anything else ends the wait there.
        const bool settling = variant >= 0 && waited < kControllerStartWaitMs + kVariantSettleMs;
        if (waited < 0 || (waited >= kControllerStartWaitMs && !settling)) {
            endWait();
            result.told = NameReading(values, read);
            return result;
        }
        if (hooks.showWait) {
            shown = true;
            hooks.showWait(StartWaitText(variant >= 0, static_cast<int>(waited / 1000),
                                         static_cast<int>(settled / 1000)));
        }
        plat::SleepMs(kControllerRetryMs);
    }
}

OnlineStart CreateOnlineCncState(const StartUpHooks& hooks) {
    g_sessionVariant = -1;
    auto* cnc = new CStatoCncOn();
    g_pCncState = cnc;
    const int statusPanes[7] = {312, 313, 314, 315, 316, 317, 318};
    cnc->SetStatusPaneIds(statusPanes);

    // The variant decides the part program's body, the ralla and the progress file: without it
    // nothing may run on the controller. The operator is told and retries (the controller
    // ready now) or works in office mode.
    int variant = -1;
    for (;;) {
        const VariantReading reading = WaitForControllerVariant(*cnc, hooks);
        if (reading.variant >= 0) {
            variant = reading.variant;
            break;
        }
        const bool canRead = g_uvenlib.GetDatiCncEx != nullptr;
        const bool retry = !reading.stopped && hooks.askRetry && hooks.askRetry(VariantUnknownText(reading.told), canRead);
        if (!canRead || !retry) {
            LogShutdown(*cnc); // the on-line session that began (LOGON) ends here
            delete cnc;
            g_pCncState = nullptr;
            return reading.stopped ? OnlineStart::kStopped : OnlineStart::kOffice;
        }
    }
    ApplyMachineVariant(variant);
    g_sessionVariant = variant;
    if (variant == 2 && g_pSettings != nullptr) g_pSettings->HeadCutSquare = g_pSettings->HeadCutAngled = 0;

    const char* names = MachineVariant == 2 ? "YZAUBVWC" : MachineVariant == 1 ? "XYZAUQVWB" : "XYZUABVW";
    const int axisPanes[9] = {292, 293, 294, 295, 296, 297, 298, 299, 300};
    cnc->ConfigureAxes(g_axisCount, names, axisPanes, 301, 302);
    ReadOptions(*cnc, hooks);
    cnc->SetR470R472(0);
    return OnlineStart::kOnline;
}

int SessionControllerVariant() { return g_sessionVariant; }

std::string VariantUnknownText(const std::string& told) { return std::string(MsgError("ERR_CNC_VARIANT_UNKNOWN")) + told; }

bool ControllerIsSessionMachine(CStatoCnc* cnc, std::string& told) {
    told.clear();
    auto* online = dynamic_cast<CStatoCncOn*>(cnc);
    if (online == nullptr) return true;
    if (g_uvenlib.GetDatiCncEx == nullptr) {
        told = " GetDatiCncEx";
        return false;
    }
    // Each variable tried a few times: a dropped read refuses the start only when it persists.
    float values[3] = {};
    bool read[3] = {};
    for (int i = 0; i < 3; ++i) {
        for (int attempt = 0; attempt < kSetupReadAttempts && !read[i]; ++attempt) {
            if (attempt > 0) plat::SleepMs(kSetupReadRetryMs);
            read[i] = online->ReadRVarQuiet(kVariantVariables[i], values[i]);
        }
    }
    const bool allRead = read[0] && read[1] && read[2];
    const int variant = allRead ? VariantFromController(values[0], values[1], values[2]) : -1;
    if (variant >= 0 && variant == g_sessionVariant) return true;
    told = NameReading(values, read);
    return false;
}
