#pragma once
// The controller library "UvenlibVB", bound once by name at start-up: the program and the CNC
// state object call it only through the entry-point addresses kept here (g_uvenlib). A missing
// entry point leaves its address empty; callers never call an empty one.
#include "platform/dynlib.h"
// The entry-point types are the controller library's own header (simcnc/), so the binding and
// the library can never disagree on a signature. Included by relative path: machine/ does not
// otherwise depend on simcnc/.
#include "simcnc/uvenlib_api.h"

// Where the library is looked for: the controller's directory first, then the bare name
// (beside the program, then the loader's search rules).
inline constexpr const char* kUvenlibControllerPath = "C:\\parvolt\\UvenlibVB.dll";
inline constexpr const char* kUvenlibBareName = "UvenlibVB.dll";
// Title of the start-up boxes of the binding.
inline constexpr const char* kVelmoErrorTitle = "Velmo-Errore";

class UvenlibBinding {
public:
#define UVENLIB_BINDING_MEMBER(name) UVEN_PFN_##name name = nullptr;
    UVEN_FOR_EACH_ENTRY(UVENLIB_BINDING_MEMBER)
#undef UVENLIB_BINDING_MEMBER

    // Loads the library (controllerPath, else bareName) and fetches the 19 entry points one by
    // one, in the start-up order; each missing one shows "Funzione <name> non trovata" in a box
    // titled "Velmo-Errore" and the binding goes on. When neither file loads it shows
    // "Caricamento UvenlibVB.dll fallito" and returns false (office mode). A library already
    // bound is released first.
    bool Bind(const char* controllerPath = kUvenlibControllerPath, const char* bareName = kUvenlibBareName);
    // Releases the library and empties every address.
    void Unbind();
    bool IsLoaded() const { return m_lib != nullptr; }
    plat::LibHandle Handle() const { return m_lib; }
    // Number of entry points the loaded library lacks.
    int MissingCount() const { return m_missing; }

    // Calls dirnav once after the controller's program was started: when the bit of value 4 of
    // its result is clear, shows "Error Init DIZEZIZ" (warning, task-modal). Returns the result,
    // or -1 without a bound dirnav (nothing is shown then).
    int RunDirnav();

    UvenlibBinding() = default;
    // The library stays mapped until the process ends unless Unbind was called.
    ~UvenlibBinding() = default;
    UvenlibBinding(const UvenlibBinding&) = delete;
    UvenlibBinding& operator=(const UvenlibBinding&) = delete;

private:
    plat::LibHandle m_lib = nullptr;
    int m_missing = 0;
};

// True when the controller library is installed on this PC: in the controller's directory
// (controllerPath) or in the program's own folder (moduleDir). Only looks for the file.
bool UvenlibInstalled(const char* moduleDir, const char* controllerPath = kUvenlibControllerPath);

// The one binding of the program: the start-up fills it, the CNC state object uses it.
extern UvenlibBinding g_uvenlib;
