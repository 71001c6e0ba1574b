// Binding of the controller library by name: load, fetch the entry points one by one, and the
// one dirnav call of the start-up.
#include "machine/uvenlib_binding.h"

#include <cstring>
#include <string>

#include "machine/ui_services.h"

UvenlibBinding g_uvenlib;

namespace {

void ShowBindingBox(const std::string& text, bool scaled) {
    MessageBoxRequest r;
    r.title = kVelmoErrorTitle;
    r.titleIsKey = false;
    r.text = text;
    r.buttons = BoxButtons::Ok;
    r.icon = BoxIcon::None;
    r.scaled = scaled;
    Ui().ShowMessageBox(r);
}

// Fetches one entry point; a missing one is named in a box and its address stays empty.
template <typename Pfn>
void Fetch(plat::LibHandle lib, const char* name, Pfn& slot, int& missing) {
    slot = reinterpret_cast<Pfn>(plat::GetProcAddress(lib, name));
    if (slot == nullptr) {
        ++missing;
        // The box for get_stacn has always been shown without the scaling hook.
        ShowBindingBox(std::string("Funzione ") + name + " non trovata", std::strcmp(name, "get_stacn") != 0);
    }
}

} // namespace

bool UvenlibBinding::Bind(const char* controllerPath, const char* bareName) {
    Unbind();
    plat::LibHandle lib = nullptr;
    if (controllerPath != nullptr && *controllerPath != '\0') lib = plat::LoadLibraryByName(controllerPath);
    if (lib == nullptr && bareName != nullptr && *bareName != '\0') lib = plat::LoadLibraryByName(bareName);
    if (lib == nullptr) {
        ShowBindingBox("Caricamento UvenlibVB.dll fallito", true);
        return false;
    }
    m_lib = lib;
    m_missing = 0;
#define UVENLIB_BINDING_FETCH(name) Fetch(m_lib, #name, name, m_missing);
    UVEN_FOR_EACH_ENTRY(UVENLIB_BINDING_FETCH)
#undef UVENLIB_BINDING_FETCH
    return true;
}

void UvenlibBinding::Unbind() {
#define UVENLIB_BINDING_CLEAR(name) name = nullptr;
    UVEN_FOR_EACH_ENTRY(UVENLIB_BINDING_CLEAR)
#undef UVENLIB_BINDING_CLEAR
    if (m_lib != nullptr) plat::FreeLibrary(m_lib);
    m_lib = nullptr;
    m_missing = 0;
}

int UvenlibBinding::RunDirnav() {
    if (dirnav == nullptr) return -1;
    const int result = static_cast<uint16_t>(dirnav());
    if ((result & UVEN_DIRNAV_INIT_OK) == 0) {
        MessageBoxRequest r;
        r.title = kVelmoErrorTitle;
        r.titleIsKey = false;
        r.text = "Error Init DIZEZIZ";
        r.icon = BoxIcon::Warning;
        r.taskModal = true;
        Ui().ShowMessageBox(r);
    }
    return result;
}

bool UvenlibInstalled(const char* moduleDir, const char* controllerPath) {
    const bool inControllerDir = controllerPath != nullptr && *controllerPath != '\0' &&
                                 !plat::FindLibraryFile(controllerPath).empty();
    if (inControllerDir) return true;
    if (moduleDir == nullptr || *moduleDir == '\0') return false;
    std::string beside = moduleDir;
    if (beside.back() != '\\' && beside.back() != '/') beside += '\\';
    return !plat::FindLibraryFile(beside + kUvenlibBareName).empty();
}
