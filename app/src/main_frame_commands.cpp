// The main window's command table: enabling every menu and tool-bar entry by its rule, and
// carrying out a command (the configuration commands behind the password gate).
#include <QAction>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolTip>

#include "app/about_dialog.h"
#include "app/config_commands.h"
#include "app/main_frame.h"
#include "app/message_dialog.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "ui/OptionDialog.h"
#include "ui/qt_text.h"

namespace {

// The menu bar shows the tooltip of the entry under the mouse (a menu bar shows none of its own),
// so a disabled top-level entry can say why.
class MenuBarToolTips : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* bar = qobject_cast<QMenuBar*>(watched);
        if (bar == nullptr || event->type() != QEvent::ToolTip) return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const QAction* action = bar->actionAt(help->pos());
        if (action == nullptr || action->toolTip().isEmpty() || action->menu() != nullptr ||
            action->toolTip() == action->text()) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(help->globalPos(), action->toolTip(), bar);
        return true;
    }
};

} // namespace

bool CMainFrame::IsCommandEnabled(int id) const {
    if (app::IsPendingCommand(id)) return false;
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
    const QString pending = ui::ToQt(app::PendingTooltip());
    auto refresh = [&](QAction* a, int id) {
        a->setEnabled(IsCommandEnabled(id));
        // A window still to come says so on its entry instead of doing nothing.
        if (app::IsPendingCommand(id)) a->setToolTip(pending);
        else if (a->toolTip() == pending) a->setToolTip(a->text());
    };
    for (auto& [id, action] : m_actions) refresh(action, id);
    if (m_toolBar != nullptr)
        for (QAction* a : m_toolBar->actions())
            if (a->data().isValid()) refresh(a, a->data().toInt());
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->setToolTipsVisible(true);
    if (menuBar()->findChild<QObject*>("menuBarToolTips", Qt::FindDirectChildrenOnly) == nullptr) {
        auto* tips = new MenuBarToolTips(menuBar());
        tips->setObjectName("menuBarToolTips");
        menuBar()->installEventFilter(tips);
    }
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
