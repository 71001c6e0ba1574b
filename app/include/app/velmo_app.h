#pragma once
// CVelmoApp: the program's application object. Start-up decides the program directory, the
// option words, on-line or office mode, loads the message tables, binds the shape compiler and
// the controller library by name, builds the settings record, keeps a single instance, starts
// the controller's program and shows the main window; ExitInstance releases it all in order.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/dynlib.h"
#include "platform/single_instance.h"

class CMainFrame;

namespace app {
class QtUiServices;
}

// Shape compiler entry points other than CompilaSpeciale3 (which the engine's one binding
// holds); null when missing.
using GetVlkVersionProc = int32_t (*)(char*, int32_t);
using CompilaSpecialeProc = int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
extern GetVlkVersionProc GetVlkVersion;
extern CompilaSpecialeProc CompilaSpeciale;

class CVelmoApp {
public:
    enum StartResult { kStarted, kFailed, kSecondInstance };

    struct Options {
        std::string moduleDir;     // folder of the program file (native); default: the executable's
        std::string commandLine;   // the arguments joined by blanks
        std::string lockDir;       // folder of the "VELMO" lock (default: $TMPDIR or /tmp)
        bool createMainWindow = true;
        bool startControllerProgram = true;
        bool installQtServices = true; // false: the caller keeps its own UI services (tests)
    };

    // Creates the path table and records the primary screen's size.
    CVelmoApp();
    ~CVelmoApp();
    CVelmoApp(const CVelmoApp&) = delete;
    CVelmoApp& operator=(const CVelmoApp&) = delete;

    StartResult InitInstance(const Options& options);
    // Releases what start-up made, in order; safe to call more than once.
    int ExitInstance();
    bool LoadMessageTables();

    CMainFrame* MainWindow() const { return m_mainFrame.get(); }
    bool ControllerBound() const;
    plat::LibHandle ShapeCompilerHandle() const { return m_vlkLib; }

    // Fixed texts of the start-up.
    static constexpr const char* kNoMessagesText =
        "Non riesco a caricare il file messaggi.\nI can't load messages file.\nJe ne trouve pas l'archive des messages.";
    static constexpr const char* kControllerProgram = "C:\\PARVOLT\\CNC.EXE";

private:
    void BindShapeCompiler();
    std::string m_messageFileFault; // the message file the last LoadMessageTables failed on
    void DestroyMainWindow();

    bool m_embedded = false;
    plat::LibHandle m_vlkLib = nullptr;
    std::unique_ptr<plat::SingleInstanceLock> m_instanceLock;
    std::unique_ptr<app::QtUiServices> m_services;
    std::unique_ptr<CMainFrame> m_mainFrame;
    bool m_exited = false;
};

// The application object of the running program (null outside its lifetime).
extern CVelmoApp* TheApp;
