#pragma once
// Numbers the operator program shares with its dialogs: private window messages, menu and
// tool-bar commands, status-bar and pane ids, window timers.
#include <cstdint>

#include "machine/ui_services.h"

// Private window messages of the work cycle (from WM_USER).
inline constexpr uint32_t UWM_SHOW_SELBAR = WM_USER + 0x66;
inline constexpr uint32_t UWM_OPEN_LIST = WM_USER + 0x67;
inline constexpr uint32_t UWM_SHOW_LAV = WM_USER + 0x68;
inline constexpr uint32_t UWM_SHOW_CONFBAR = WM_USER + 0x6B;
inline constexpr uint32_t UWM_EXEC_ISO = WM_USER + 0x6C;
inline constexpr uint32_t UWM_OPEN_ISO = WM_USER + 0x6D;
inline constexpr uint32_t UM_EXEC_START = WM_USER + 0x6F;
inline constexpr uint32_t UWM_MODELESS_RESULT = WM_USER + 0x70;
inline constexpr uint32_t UWM_SHOW_PCS = WM_USER + 0x71;
// WM_CLOSE as a posted message (the automatic test run closes the window this way).
inline constexpr uint32_t WM_CLOSE = 0x0010;

// Commands of the menu bar and the tool bar.
enum CommandId : int {
    ID_APP_ABOUT = 322,
    ID_OPEN_LIST_TB = 323,
    ID_TOOLS_TB = 324,
    ID_PAR_FRESA_TB = 325,
    ID_PAR_TRONCA_TB = 326,
    ID_PROFILO_TB = 327,
    ID_SHOW_LAV_TB = 328,
    ID_PREFER_TB = 329,
    ID_LABEL_TB = 330,
    ID_MSG_TB = 331,
    ID_OPEN_LIST = 332,
    ID_OPEN_ISO = 333,
    ID_APP_EXIT = 334,
    ID_TOOLS = 335,
    ID_PAR_FRESA = 336,
    ID_PAR_TRONCA = 337,
    ID_PROFILO = 338,
    ID_SHOW_LAV = 339,
    ID_PREFER = 340,
    ID_LABEL = 341,
    ID_MSG = 342,
    ID_CONF_GEN1 = 343,
    ID_CONF_GEN2 = 344,
    ID_OFFSET_RALLA = 345,
    ID_PAR_TRONCA1 = 346,
    ID_CONF_LINK = 347,
    ID_STATUS = 32772,
    ID_OFFSET_RALLA2 = 32775,
    ID_PAR_TRONCA2 = 32779,
    ID_PAR_TRONCA3 = 32781,
    ID_PAR_TRONCA4 = 32784,
    ID_PAR_TRONCA5 = 32787,
    ID_LOOK_BLUE = 30006,
    ID_LOOK_BLACK = 30007,
    ID_LOOK_SILVER = 30008,
    ID_LOOK_AQUA = 30009,
};

// The two status bars and their panes.
inline constexpr int kStatusBar1Id = 131;
inline constexpr int kStatusBar2Id = 132;
inline constexpr int kBar1FirstPane = 292; // 292..303: axes 292..300, spindle 301, feed 302
inline constexpr int kBar1PaneCount = 12;
inline constexpr int kBar2FirstPane = 312; // 312..319: controller state 312..318
inline constexpr int kBar2PaneCount = 8;

// Window timers of the main window.
inline constexpr int kStatusTimerId = 5;
