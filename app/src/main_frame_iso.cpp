// The main window's steps of a single ISO program run: choosing the program, running it.
#include <QApplication>
#include <QPointer>
#include <cctype>
#include <string>

#include "app/exec_iso_dialog.h"
#include "app/list_opening.h"
#include "app/main_frame.h"
#include "machine/settings.h"
#include "machine/globals.h"
#include "platform/text.h"
#include "ui/Pickers.h"

void CMainFrame::OnOpenIso() {
    if (listActive != 0) {
        QApplication::beep();
        return;
    }
    SetListTitle(1, nullptr);
    // The chosen file comes back in the folder buffer, as the picker fills it.
    std::string folder = app::ListStartFolder(g_pSettings != nullptr ? g_pSettings->DIR_ISO : "");
    std::string chosen;
    if (ui::RunFileDialog("Files ISO (*.*)", folder, "*.*", chosen, "ISO") != IDOK) {
        SetListTitle(0, nullptr);
        return;
    }
    for (char& c : chosen) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    plat::FormatC(g_isoProgramPath, sizeof g_isoProgramPath, "%s", chosen.c_str());
    SetListTitle(1, g_isoProgramPath);
    Post(UWM_EXEC_ISO, 0, 0);
}

void CMainFrame::OnExecIso() {
    delete execIsoDialog.data();
    auto* dialog = new CExecIsoDialog(this, g_isoProgramPath);
    execIsoDialog = dialog;
    QPointer<CExecIsoDialog> guard(dialog);
    dialog->exec();
    delete guard.data();
    execIsoDialog = nullptr;
}
