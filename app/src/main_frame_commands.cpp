// The main window's command table: enabling every menu and tool-bar entry by its rule, and
// carrying out a command (the configuration commands behind the password gate).
#include <QAction>
#include <QToolBar>

#include "app/about_dialog.h"
#include "app/config_commands.h"
#include "app/main_frame.h"
#include "app/message_dialog.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "ui/OptionDialog.h"
#include "ui/qt_text.h"

bool CMainFrame::IsCommandEnabled(int id) const {
    app::CommandState state;
    state.variant = MachineVariant;
    state.listActive = listActive;
    if (g_pSettings != nullptr) {
        state.morseSupp = g_pSettings->MORSE_SUPP;
        state.assec = g_pSettings->options.ASSEC;
    }
    return app::CommandRuleEnabled(id, state);
}

void CMainFrame::RefreshCommandStates() {
    for (auto& [id, action] : m_actions) action->setEnabled(IsCommandEnabled(id));
    if (m_toolBar != nullptr)
        for (QAction* a : m_toolBar->actions())
            if (a->data().isValid()) a->setEnabled(IsCommandEnabled(a->data().toInt()));
}

bool CMainFrame::CheckConfigPassword() { return app::CheckConfigPassword(this, configUnlocked); }

void CMainFrame::OnCommand(int id) {
    if (!IsCommandEnabled(id)) return;
    if (app::IsGatedCommand(id) && !CheckConfigPassword()) return;
    if (const app::SettingsDialog* dialog = app::SettingsDialogFor(id)) {
        const int result = dialog->run(id, this);
        if ((id == ID_TOOLS || id == ID_TOOLS_TB) && result == IDOK && g_pSettings != nullptr)
            g_pSettings->ToolsChanged = 1;
        RefreshCommandStates();
        return;
    }
    switch (id) {
    case ID_OPEN_LIST:
    case ID_OPEN_LIST_TB: Post(UWM_OPEN_LIST, 0, 0); break;
    case ID_OPEN_ISO: Post(UWM_OPEN_ISO, 0, 0); break;
    case ID_APP_EXIT: close(); break;
    case ID_SHOW_LAV:
    case ID_SHOW_LAV_TB: Post(UWM_SHOW_LAV, 0, 0); break;
    case ID_PREFER:
    case ID_PREFER_TB: {
        ui::COptionDialog options(this);
        options.exec();
        break;
    }
    case ID_LABEL:
    case ID_LABEL_TB: app::RunLabelSettings(this); break;
    case ID_LOOK_BLUE:
    case ID_LOOK_BLACK:
    case ID_LOOK_SILVER:
    case ID_LOOK_AQUA: ApplyLook(id); break;
    case ID_MSG:
    case ID_MSG_TB: app::ShowMessageList(); break;
    // The About box belongs to the application; it is shown without a parent window.
    case ID_APP_ABOUT: app::ShowAboutBox(); break;
    default: break;
    }
    RefreshCommandStates();
}
