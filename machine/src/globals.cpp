// Program-wide values and their initial values.
#include "machine/globals.h"

#include <cstring>

MachineSettings* g_pSettings = nullptr;
int g_machineConnected = 1;
int g_machineOption = 1;
int g_decentredRalla = 0;
int g_testRun = 0;
int g_testAutoConfirm = 0;
int g_testHidePopups = 0;
int MachineVariant = 0;
int g_rallaPositions = 0;
int g_extraPositions = 0;
int g_axisCount = 0;
char g_barProgressPath[kBarProgressPathSize] = {};
int g_extraPositionOn[4] = {};
int g_labelPrintOn = 0;
int g_labelNoShortOn = 0;

namespace {
struct VariantValues {
    int rallaPositions;
    int extraPositions;
    int axisCount;
    const char* barProgressPath;
};
// What goes with each machine variant.
constexpr VariantValues kVariantValues[3] = {
    {4, 0, 8, "C:\\BRELON2\\VELMO\\STATBAR.TXT"},
    {8, 4, 12, "C:\\BRELON3\\VELMO\\STATBAR.TXT"},
    {8, 4, 12, "C:\\BREPVCV1\\VELMO\\STATBAR.TXT"},
};
} // namespace

bool ApplyMachineVariant(int variant) {
    if (variant < 0 || variant > 2) return false;
    const VariantValues& v = kVariantValues[variant];
    MachineVariant = variant;
    g_rallaPositions = v.rallaPositions;
    g_extraPositions = v.extraPositions;
    g_axisCount = v.axisCount;
    std::strncpy(g_barProgressPath, v.barProgressPath, kBarProgressPathSize - 1);
    g_barProgressPath[kBarProgressPathSize - 1] = '\0';
    return true;
}

void ResetProgramValues() {
    g_machineConnected = 1;
    g_machineOption = 1;
    g_decentredRalla = 0;
    g_testRun = 0;
    g_testAutoConfirm = 0;
    g_testHidePopups = 0;
    MachineVariant = 0;
    g_rallaPositions = 0;
    g_extraPositions = 0;
    g_axisCount = 0;
    g_barProgressPath[0] = '\0';
    for (int& on : g_extraPositionOn) on = 0;
    g_labelPrintOn = 0;
    g_labelNoShortOn = 0;
}
