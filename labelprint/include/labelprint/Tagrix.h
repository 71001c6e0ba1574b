#pragma once
// Tagrix, the label library: exported functions and the class behind them.
//
// The main program links against libTagrix.so. Each exported function creates one
// MStampaEtichetteZ, calls one method and destroys it; the library's message table
// ("MSG/TAGRIX.msg" in the program directory) is reloaded by every call and released at its
// end. The layout "TAGRIX.INI" lies in the program directory. Every function returns 0,
// except ZebraStampaPrn (-1 when the template does not open).
#include <cstdint>
#include <string>

#include "labelprint/message_sink.h"

#define TAGRIX_API __attribute__((visibility("default")))

class Dictavo;

class TAGRIX_API MStampaEtichetteZ {
public:
    // The message table argument is not used: the library loads its own table.
    MStampaEtichetteZ(Dictavo* unused, void* parentWindow);
    MStampaEtichetteZ(const MStampaEtichetteZ&) = default;
    MStampaEtichetteZ& operator=(const MStampaEtichetteZ&) = default;
    // Releases the library's message table.
    virtual ~MStampaEtichetteZ();

    // Host status query: *out := paper out. ID_NO_COMM when no printer answered.
    void CheckPaper(bool* out, bool windows2000);
    // Layout wizard on the program's Qt application (without one: says that it is not
    // available and changes nothing), then the label list's 20 field ids and sizes of the
    // layout in "TAGRIX.INI".
    void Configura(int count, const char* const* names, int* ids, int* sizes);
    void CutHelp(const char* text); // no effect
    void Stampa(const char* text);  // no effect
    // The label list's 20 field ids and 20 text sizes from "TAGRIX.INI".
    void FindSelectedId(int* ids, int* sizes);
    // Hands the names to a temporary layout: no lasting effect.
    void SetFields(int count, const char* const* names);
    // Composes one label from "TAGRIX.INI", the seven job parameters and count line texts,
    // and sends it to the USB label printer.
    void StampaZebra(int count, const char* const* params, const char* const* values);
    // Sends a ready ZPL text unchanged; failures are not reported.
    void StampaPrn(std::string text, bool windows2000);

    int16_t printFlag = 0;
    bool embedded = false;
    bool windows2000 = false;
    void* parent = nullptr;
};

extern "C" {
TAGRIX_API int SetFields(int count, const char* const* names);
TAGRIX_API int ConfigLab(int count, const char* const* names, int* ids, int* sizes);
TAGRIX_API int ZebraStampa(int count, const char* const* params, const char* const* values);
TAGRIX_API int GetSelectedID(int* ids, int* sizes);
TAGRIX_API int IsPaperOut(bool* out);
TAGRIX_API int ZebraStampaPrn(int count, const char* const* keys, const char* const* values, const char* file);
}

namespace tagrix {
// The sink of the library's message boxes (null: the default, the standard error stream).
// Returns the sink it replaces (null for the default).
TAGRIX_API MessageSink* SetMessageSink(MessageSink* sink);
// Program directory of the library's files (tests and the demo; default: the folder of the
// running program).
TAGRIX_API void SetProgramDirectory(const char* dir);
// Roots of the sysfs tree and of the device nodes where the USB printer is looked for (tests;
// null or empty: $BRELON_USB_SYSFS / $BRELON_USB_DEV, else "/sys" and "/dev").
TAGRIX_API void SetUsbRoots(const char* sysfsRoot, const char* devRoot);
// Whether the library holds a message table now (between calls it never does).
TAGRIX_API bool HasMessageTable();
// Key substitution of ZebraStampaPrn: every occurrence of a key in the template's own text is
// replaced by its value (where several keys stand at one place, the first of the list); a
// value is never searched for keys. Values are list texts: each prints as written and none
// acts as a ZPL command (control bytes are blanks; a field given a value with '^', '~' or a
// byte beyond ASCII gets "^FH" and the value goes escaped; a label carrying text beyond
// ASCII declares its code page after its "^XA").
TAGRIX_API std::string SubstituteKeys(std::string text, int count, const char* const* keys,
                                      const char* const* values);
} // namespace tagrix
