// The steps of a job, one handler per private message. The bar dialogs and the ISO program run
// are added here by the job's own dialogs; until then those steps do nothing.
#include <QApplication>
#include <string>

#include "app/list_opening.h"
#include "app/main_frame.h"
#include "app/unattended.h"
#include "engine/iso_generator.h"
#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/label_settings.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "ui/Pickers.h"

namespace {
void AttentionBox(const char* text) { ShowBox("T_ATTENZIONE", text); }

// The time log at path: started anew or continued; a file that cannot be opened is reported
// and the list opens all the same.
void StartTimeLog(CMainFrame& frame, const std::string& path, bool fresh) {
    std::snprintf(frame.timeLogPath, sizeof frame.timeLogPath, "%s", path.c_str());
    if (app::OpenTimeLog(path, fresh)) {
        frame.timeLogFresh = fresh ? 1 : 0;
    } else {
        app::ShowTimeLogOpenError();
    }
    frame.firstBarPending = 1;
    if (g_pCncState != nullptr) g_pCncState->ResetTimeCounter();
}
} // namespace

bool CMainFrame::NextListUnattended(const std::string& text) {
    // The list passed over as if opened, so the run takes the next line of its test list.
    if (!app::TellUnattended("list not opened", text)) return false;
    ++listsOpened;
    Post(UWM_OPEN_LIST, 0, 0);
    return true;
}

int CMainFrame::NextTestListFile(std::string& path) {
    const char* dirLda = g_pSettings != nullptr ? g_pSettings->DIR_LDA : "";
    return app::NextTestListFile(dirLda, listsOpened, path);
}

void CMainFrame::OnOpenList() {
    if (listActive != 0) {
        QApplication::beep();
        return;
    }
    MachineSettings* s = g_pSettings;
    if (s == nullptr) return;
    if (MachineVariant == 2) {
        s->HeadCutSquare = 0;
        s->HeadCutAngled = 0;
    }
    SetListTitle(1, nullptr);

    // Reload what the settings dialogs flagged; a flag keeps the loader's result.
    if (s->ConfigChanged != 0) {
        s->ConfigChanged = LoadAllParameters(*s);
        if (s->ConfigChanged != 0 && !app::TellUnattended("list not opened", g_errorText)) AttentionBox(g_errorText);
    }
    if (s->ParamChanged != 0) {
        s->ParamChanged = LoadBaseParameters(*s);
        if (s->ParamChanged != 0 && !app::TellUnattended("list not opened", g_errorText)) AttentionBox(g_errorText);
    }
    if (s->ToolsChanged != 0) {
        s->ToolsChanged = g_pRallaTools != nullptr ? g_pRallaTools->LoadTools() : 1;
        if (s->ToolsChanged != 0 && !app::TellUnattended("list not opened", g_errorText)) AttentionBox(g_errorText);
    }
    if (s->LabelChanged != 0) {
        SetupLabelLayout(*s);
        s->LabelChanged = 0;
    }
    if (s->ConfigChanged != 0 || s->ParamChanged != 0 || s->ToolsChanged != 0) {
        SetListTitle(0, nullptr);
        // Unattended, every next list would meet the same configuration: the run ends.
        if (app::UnattendedRun()) Post(WM_CLOSE, 0, 0);
        return;
    }

    std::string chosen;
    int result;
    if (g_testRun != 0) {
        result = NextTestListFile(chosen);
    } else {
        std::string folder = app::ListStartFolder(s->DIR_LDA);
        result = ui::RunFileDialog("Files LDA (*.lda)|*.lda|", folder, "*.lda", chosen, MsgString("M_OPENLIST"));
    }
    if (result != 1) {
        if (g_testRun != 0) Post(WM_CLOSE, 0, 0);
        listsOpened = 0;
        SetListTitle(0, nullptr);
        return;
    }
    if (!FileExists(chosen.c_str())) {
        const std::string text = std::string(MsgError("ERR_FILE")) + " ( " + chosen + " )";
        if (!NextListUnattended(text))
            ShowBoxLiteralTitle(MsgString("M_OPENLIST"), text, BoxButtons::Ok, BoxIcon::Warning);
        SetListTitle(0, nullptr);
        return;
    }
    if (firstList == 0) {
        // The bar dialogs of the previous list hold its bars: they go before it does.
        delete selBarDialog.data();
        delete confBarDialog.data();
        delete g_pBarList;
        g_pBarList = nullptr;
    }
    firstList = 0;
    DeleteOutputFiles(1, 1, 1, 1, 1);
    SetCurrentListName(chosen.c_str());
    std::snprintf(listPath, sizeof listPath, "%s", chosen.c_str());

    // The type byte as stored before this opening: the first loading marks the file opened.
    const int listType = app::ReadListType(chosen);
    auto* list = new IsoProgramGenerator(chosen.c_str());
    g_pBarList = list;
    if (!list->IsLoaded()) {
        const std::string title = std::string(MsgString("T_LISTLAV")) + " " + list->ListName();
        if (!NextListUnattended(g_errorText))
            ShowBoxLiteralTitle(title.c_str(), g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        SetListTitle(0, nullptr);
        return;
    }
    if (list->BarsLeft() == 0) {
        // Nothing to machine: said as such, and only then a finished list goes (CHANGE_RIP).
        const std::string title = std::string(MsgString("T_LISTLAV")) + " " + list->ListName();
        if (!NextListUnattended(MsgError("ERR_LIST_NO_BARS")))
            ShowBoxLiteralTitle(title.c_str(), MsgError("ERR_LIST_NO_BARS"), BoxButtons::Ok, BoxIcon::Warning);
        if (list->DeleteFinishedList() != 0 && !app::TellUnattended("list not removed", g_errorText))
            ShowBox("T_ERRORE", g_errorText);
        SetListTitle(0, nullptr);
        return;
    }
    if (list->CheckListTools() != 0) {
        if (!NextListUnattended(g_errorText)) ShowBox("T_ERRORE", g_errorText);
        SetListTitle(0, nullptr);
        return;
    }

    // Upper case for the title and the logs only; the file keeps the path as chosen.
    const std::string shown = app::ListDisplayPath(chosen);
    SetListTitle(1, shown.c_str());
    listTime = 0.0;
    g_machiningTimeTotal = 0.0; // the list's machining time starts again
    listRunning = 1;
    lastBar = 0;
    firstBarPending = 1;
    cncTimeText.clear();

    const bool fresh = app::TimeLogStartsAnew(listType, list->BarsLeft(), list->BarCount());
    const std::string programDir = PathSlot(PathTable::kProgramDir);
    if (g_machineConnected == 1) StartTimeLog(*this, programDir + "LOG\\TMX-LOG.TMX", fresh);
    if (g_pCncState != nullptr && g_pCncState->IsCncOn() != 0)
        StartTimeLog(*this, app::ListTimeLogPath(programDir, shown), fresh);

    Post(UWM_SHOW_SELBAR, 0, 0);
    ++listsOpened;
}

