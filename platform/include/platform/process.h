#pragma once
// Detached process start with an argument list, no shell (in place of WinExec).
#include <string>
#include <vector>

namespace plat {

// Starts program (Windows-style or native path, or a name looked up in PATH) with args,
// detached (own session, not waited for). Returns true when the program was started.
bool StartDetached(const std::string& program, const std::vector<std::string>& args);

} // namespace plat
