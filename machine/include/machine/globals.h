#pragma once
// Program-wide values that the application object and the main window decide at start-up and
// that the machine data layer, the engine and the dialogs read. They live here, in one place,
// so that tests can set them and the application object sets them later.
#include <cstddef>

class MachineSettings;

// The settings record, made by the application's start-up (null before).
extern MachineSettings* g_pSettings;

// 1 on-line (controller library bound and no "OFFICE" word), 0 office mode.
extern int g_machineConnected;
// 1 standard machine, 2 option word "K7310", 3 option word "RUVIZORUR".
extern int g_machineOption;
// 1 with the option word "DECENTR": ralla offsets from section DECRALLA, Y and Z travel unnarrowed.
extern int g_decentredRalla;
// Automatic test run flags ("TEST.PAR").
extern int g_testRun;
extern int g_testAutoConfirm;
extern int g_testHidePopups;

// Machine variant 0, 1 or 2, decided by the main window before the first parameter load.
extern int MachineVariant;
// Set with the variant: ralla positions (4 or 8), extra positions T5..T8 (0 or 4), axes (8 or 12).
extern int g_rallaPositions;
extern int g_extraPositions;
extern int g_axisCount;
inline constexpr std::size_t kBarProgressPathSize = 260;
extern char g_barProgressPath[kBarProgressPathSize];
// Enabled flags of the extra ralla positions T5..T8 (CONF_RALLA T5_ON..T8_ON), kept in memory.
extern int g_extraPositionOn[4];
// Run copies of LABEL PRINT and PRINT_NOSHORT.
extern int g_labelPrintOn;
extern int g_labelNoShortOn;

// Sets MachineVariant and the values that go with it (ralla positions, extra positions, axis
// count, bar progress path). A variant outside 0..2 changes nothing and returns false.
bool ApplyMachineVariant(int variant);

// Puts every value above back to its initial value (tests).
void ResetProgramValues();
