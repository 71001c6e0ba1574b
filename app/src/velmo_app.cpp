// The application object: start-up in order, and the release of everything at exit.
#include "app/exec_files.h"
#include "app/path_table_qt.h"
#include "app/velmo_app.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/main_frame.h"
#include "app/qt_ui_services.h"
#include "app/startup_logic.h"
#include "engine/iso_generator.h"
#include "engine/shape_compiler.h"
#include "labelprint/Tagrix.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "app/path_table_qt.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/uvenlib_binding.h"
#include "machine/window_scale.h"
#include "msgtable/Dictavo.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/profile.h"

GetVlkVersionProc GetVlkVersion = nullptr;
CompilaSpecialeProc CompilaSpeciale = nullptr;
CVelmoApp* TheApp = nullptr;

namespace {

void VelmoErrorBox(const std::string& text) {
    MessageBoxRequest r;
    r.title = kVelmoErrorTitle;
    r.titleIsKey = false;
    r.text = text;
    r.buttons = BoxButtons::Ok;
    r.icon = BoxIcon::None;
    Ui().ShowMessageBox(r);
}

// Removes the temporaries a killed write left beside the configuration, tool, progress and
// label layout files, and the part programs a killed computation left half written. Run only
// while the instance lock is held: no other instance writes there then.
void RemoveStaleTemporaries() {
    const std::string files[] = {g_pPathTable->ConfigPar(), (*g_pPathTable)[PathTable::kParamPar],
                                 (*g_pPathTable)[PathTable::kTestPar], (*g_pPathTable)[PathTable::kToolsTxt],
                                 g_barProgressPath, plat::ProgramDirectory() + "TAGRIX.INI"};
    for (const std::string& file : files) {
        const size_t end = file.find_last_of("\\/");
        if (end != std::string::npos) plat::RemoveStaleTemporaries(file.substr(0, end + 1));
    }
    // The part program is written under its name and ".tmp", then put in place.
    for (int forMachine : {0, 1}) {
        const std::string temp = IsoProgramGenerator::IsoOutputPath(forMachine) + ".tmp";
        if (plat::FileKindFault(temp) == 0) plat::RemoveFile(temp);
    }
}

std::string ToNativeDir(const std::string& dir) {
    std::string d = dir.empty() ? plat::ProgramDirectory() : dir;
    if (d.back() != '/') d += '/';
    return d;
}

} // namespace

CVelmoApp::CVelmoApp() {
    TheApp = this;
    if (g_pPathTable == nullptr) g_pPathTable = new PathTable();
    g_pSettings = nullptr;
    g_msgStrings = nullptr;
    g_msgErrors = nullptr;
    g_machineConnected = 1;
    g_machineOption = 1;
    g_decentredRalla = 0;
    g_testRun = g_testAutoConfirm = g_testHidePopups = 0;
    MachineVariant = 0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        SetScreenSize(size.width(), size.height());
    }
}

CVelmoApp::~CVelmoApp() {
    ExitInstance();
    if (TheApp == this) TheApp = nullptr;
}

bool CVelmoApp::ControllerBound() const { return g_uvenlib.IsLoaded(); }

CVelmoApp::StartResult CVelmoApp::InitInstance(const Options& options) {
    m_exited = false;
    if (options.installQtServices) {
        m_services = std::make_unique<app::QtUiServices>();
        SetUi(m_services.get());
    }
    if (g_pPathTable == nullptr) g_pPathTable = new PathTable();

    // Module and program directories, controller work directory, configuration and log paths.
    // (No embedded edition of the operating system exists here.)
    const std::string moduleDir = ToNativeDir(options.moduleDir);
    m_embedded = IsEmbeddedNT();
    FillPathTableAtStartup(moduleDir.c_str(), m_embedded);
    const std::string programDir = (*g_pPathTable)[PathTable::kProgramDir];
    const std::string configDir = programDir + "CONF\\";

    // The automatic test run.
    const int flagTest = plat::GetProfileInt("TEST", "FLAG_TEST_MACHINE", 0, (*g_pPathTable)[PathTable::kTestPar]);
    if (flagTest != 0) {
        g_testRun = 1;
        g_testAutoConfirm = 1;
        g_testHidePopups = plat::GetProfileInt("TEST", "FLAG_TEST_HIDE_POPUP", 0, (*g_pPathTable)[PathTable::kTestPar]);
    } else {
        g_testRun = g_testAutoConfirm = g_testHidePopups = 0;
    }

    // Option words: the command line first, then GENERAL MACHINE (which adds to it).
    OptionWords words;
    words.machineConnected = g_machineConnected;
    words.machineOption = g_machineOption;
    words.decentredRalla = g_decentredRalla;
    ApplyCommandLineWords(options.commandLine, words);
    ApplyMachineWords(plat::ReadProfileString("GENERAL", "MACHINE", "", g_pPathTable->ConfigPar()), words);
    g_machineConnected = words.machineConnected;
    g_machineOption = words.machineOption;
    g_decentredRalla = words.decentredRalla;

    // The default configuration when none exists yet.
    const std::string defaultConfig = configDir + "CONFIG.X_";
    if (FileExists(defaultConfig.c_str()) && !FileExists(g_pPathTable->ConfigPar()))
        CopyFileRetry(defaultConfig.c_str(), g_pPathTable->ConfigPar());

    if (!LoadMessageTables()) {
        // The file that failed (missing, empty, or in a text the table cannot read) is named.
        VelmoErrorBox(std::string(kNoMessagesText) + "\n" + m_messageFileFault);
        ExitInstance();
        return kFailed;
    }
    tagrix::SetProgramDirectory(moduleDir.c_str());

    // A configuration file that exists but cannot be read would be taken for an empty one, and
    // the first key written would replace it: the start names it and ends instead.
    for (const char* file : {g_pPathTable->ConfigPar(), (*g_pPathTable)[PathTable::kParamPar],
                             (*g_pPathTable)[PathTable::kTestPar]}) {
        if (const int err = plat::ProfileReadError(file); err != 0) {
            ShowBox("T_ERRORE", FileFaultText(false, file, err), BoxButtons::Ok, BoxIcon::Warning);
            ExitInstance();
            return kFailed;
        }
    }

    BindShapeCompiler();

    // The controller library, only where the controller's work directory exists. A PC without
    // that folder is an office PC and says nothing, unless the controller's library is installed
    // and office mode was not asked for: then the machine's controller is expected, and the
    // operator is told why the program runs off-line (no bar goes to the machine).
    const std::string workDir = StripTrailingBackslash((*g_pPathTable)[PathTable::kCncWorkDir]);
    if (plat::IsDirectory(workDir)) g_uvenlib.Bind();
    else if (g_machineConnected != 0 && UvenlibInstalled(moduleDir.c_str()))
        ShowBox("T_ATTENZIONE",
                std::string(MsgError("ERR_NO_CNC_WORKDIR")) + "\n" + (*g_pPathTable)[PathTable::kCncWorkDir],
                BoxButtons::Ok, BoxIcon::Warning);
    if (!g_uvenlib.IsLoaded()) g_machineConnected = 0;

    g_pSettings = new MachineSettings();
    SetToolsTxtPath(g_pSettings->DIR_UTEN);

    m_instanceLock = std::make_unique<plat::SingleInstanceLock>("VELMO", options.lockDir);
    if (!m_instanceLock->Acquired()) {
        if (!m_instanceLock->Held()) {
            // No lock to be had at all (its folder missing or not writable): said as it is,
            // not taken for a second instance.
            ShowBox("T_ERRORE", std::string(MsgError("ERR_LOCK_INSTANCE")) + "\n" + m_instanceLock->Error(),
                    BoxButtons::Ok, BoxIcon::Warning);
            ExitInstance();
            return kFailed;
        }
        ShowBox("T_ATTENZIONE", MsgString("M_PREVINST"), BoxButtons::Ok, BoxIcon::Warning);
        ExitInstance();
        return kSecondInstance;
    }

    if (g_uvenlib.IsLoaded()) {
        if (options.startControllerProgram) plat::StartDetached(kControllerProgram, {});
        g_uvenlib.RunDirnav();
    }

    if (options.createMainWindow) {
        m_mainFrame = std::make_unique<CMainFrame>();
        m_mainFrame->OnCreate();
        m_mainFrame->showMaximized();
    }
    // After the main window: the machine variant, and with it the progress file's folder, is known.
    RemoveStaleTemporaries();
    // What a run cut short still owes is told at the first point a restart reaches.
    if (options.createMainWindow) app::TellOwedPrintsAtStart();
    return kStarted;
}

bool CVelmoApp::LoadMessageTables() {
    delete g_msgStrings;
    g_msgStrings = nullptr;
    delete g_msgErrors;
    g_msgErrors = nullptr;
    const std::string programDir = (*g_pPathTable)[PathTable::kProgramDir];
    m_messageFileFault.clear();
    auto* strings = new Dictavo((programDir + "MSG\\STRING.MSG").c_str());
    if (strings->LoadStrings() < 1) {
        m_messageFileFault = programDir + "MSG\\STRING.MSG";
        delete strings;
        return false;
    }
    auto* errors = new Dictavo((programDir + "MSG\\ERR.MSG").c_str());
    if (errors->LoadStrings() < 1) {
        m_messageFileFault = programDir + "MSG\\ERR.MSG";
        delete errors;
        delete strings;
        return false;
    }
    g_msgStrings = strings;
    g_msgErrors = errors;
    return true;
}

void CVelmoApp::BindShapeCompiler() {
    m_vlkLib = plat::LoadLibraryByName("vlk32_bc.dll");
    if (m_vlkLib == nullptr) {
        VelmoErrorBox("Caricamento libreria vlk32_bc.dll fallito");
        return;
    }
    GetVlkVersion = reinterpret_cast<GetVlkVersionProc>(plat::GetProcAddress(m_vlkLib, "GetVlkVersion"));
    if (GetVlkVersion == nullptr) VelmoErrorBox("Funzione GetVlkVersion non trovata");
    CompilaSpeciale = reinterpret_cast<CompilaSpecialeProc>(plat::GetProcAddress(m_vlkLib, "CompilaSpeciale"));
    if (CompilaSpeciale == nullptr) VelmoErrorBox("Funzione CompilaSpeciale non trovata");
    auto entry = reinterpret_cast<ShapeCompiler::Entry>(plat::GetProcAddress(m_vlkLib, "CompilaSpeciale3"));
    if (entry == nullptr) VelmoErrorBox("Funzione CompilaSpeciale3 non trovata");
    // The engine's one binding uses the library loaded here; it does not load it again.
    if (entry != nullptr) TheShapeCompiler().BindFunction(entry);
    app::InstallLibrarySinks(m_vlkLib);
}

void CVelmoApp::DestroyMainWindow() { m_mainFrame.reset(); }

int CVelmoApp::ExitInstance() {
    if (m_exited) return 0;
    m_exited = true;
    // The main window's objects go with the window.
    DestroyMainWindow();
    delete g_msgStrings;
    g_msgStrings = nullptr;
    delete g_pSettings; // writes GENERAL UN_MIS and closes both serial links
    g_pSettings = nullptr;
    delete g_pPathTable;
    g_pPathTable = nullptr;
    g_uvenlib.Unbind();
    app::RemoveLibrarySinks(m_vlkLib);
    TheShapeCompiler().Unbind();
    GetVlkVersion = nullptr;
    CompilaSpeciale = nullptr;
    if (m_vlkLib != nullptr) plat::FreeLibrary(m_vlkLib);
    m_vlkLib = nullptr;
    delete g_msgErrors;
    g_msgErrors = nullptr;
    m_instanceLock.reset();
    if (m_services != nullptr) {
        if (&Ui() == m_services.get()) SetUi(nullptr);
        m_services.reset();
    }
    return 0;
}
