// Dynamic libraries by name: dlopen/dlsym with the Windows library names mapped.
#include "platform/dynlib.h"

#include "platform/paths.h"
#include "platform/text.h"

#include <dlfcn.h>

namespace plat {

namespace {

thread_local std::string t_lastError;

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
    return s.size() >= suffix.size() && EqualsNoCase(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

// File name of the shared object for a library file or bare name:
// "X.dll" -> "libX.so", "X" -> "libX.so", "libX.so" and "libX.so.1" unchanged.
std::string SharedObjectName(const std::string& file) {
    if (EndsWithNoCase(file, ".dll")) return "lib" + file.substr(0, file.size() - 4) + ".so";
    if (EndsWithNoCase(file, ".so") || file.find(".so.") != std::string::npos) return file;
    return "lib" + file + ".so";
}

LibHandle TryOpen(const std::string& path) {
    dlerror();
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* e = dlerror();
        t_lastError = e ? e : ("cannot load " + path);
    }
    return h;
}

} // namespace

LibHandle LoadLibraryByName(const std::string& name) {
    if (name.empty()) {
        t_lastError = "empty library name";
        return nullptr;
    }
    const bool isPath = name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
                        (name.size() >= 2 && name[1] == ':');
    if (isPath) {
        std::string native = NativePath(name);
        const size_t slash = native.rfind('/');
        const std::string dir = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
        const std::string file = slash == std::string::npos ? native : native.substr(slash + 1);
        std::string mapped = dir + SharedObjectName(file);
        std::string found = FindExisting(mapped);
        if (found.empty() && mapped != native) found = FindExisting(native);
        if (found.empty()) found = mapped;
        // dlopen only searches when there is no slash; keep the path a path.
        if (found.find('/') == std::string::npos) found = "./" + found;
        return TryOpen(found);
    }
    const std::string file = SharedObjectName(name);
    std::string beside = FindExisting(ProgramDirectory() + file);
    if (!beside.empty()) {
        if (LibHandle h = TryOpen(beside)) return h;
    }
    return TryOpen(file);
}

std::string FindLibraryFile(const std::string& path) {
    if (path.empty()) return {};
    const std::string native = NativePath(path);
    const size_t slash = native.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? native : native.substr(slash + 1);
    const std::string mapped = dir + SharedObjectName(file);
    std::string found = FindExisting(mapped);
    if (found.empty() && mapped != native) found = FindExisting(native);
    return found;
}

void* GetProcAddress(LibHandle lib, const char* symbol) {
    if (!lib || !symbol) return nullptr;
    dlerror();
    void* p = dlsym(lib, symbol);
    if (!p) {
        const char* e = dlerror();
        t_lastError = e ? e : (std::string("symbol not found: ") + symbol);
    }
    return p;
}

void FreeLibrary(LibHandle lib) {
    if (lib) dlclose(lib);
}

std::string LastLibraryError() { return t_lastError; }

} // namespace plat
