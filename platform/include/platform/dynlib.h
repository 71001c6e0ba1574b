#pragma once
// Dynamic libraries loaded by name: "UvenlibVB" -> libUvenlibVB.so, "vlk32_bc" ->
// libvlk32_bc.so. Opened with RTLD_NOW | RTLD_LOCAL.
#include <string>

namespace plat {

using LibHandle = void*;

// name: a bare library name ("UvenlibVB"), a file name ("libUvenlibVB.so") or a path
// (Windows-style or native; "X.dll" maps to "libX.so" in the same folder).
// A bare name is searched beside the program first, then by the loader's rules.
LibHandle LoadLibraryByName(const std::string& name);
// The existing file that LoadLibraryByName would open for a library path (Windows-style or
// native, "X.dll" mapped as there), or "" when there is none. Nothing is loaded.
std::string FindLibraryFile(const std::string& path);
void* GetProcAddress(LibHandle lib, const char* symbol); // null when missing
void FreeLibrary(LibHandle lib);
std::string LastLibraryError(); // text of the last failure (dlerror)

} // namespace plat
