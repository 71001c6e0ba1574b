#pragma once
// The automatic test run with its boxes hidden (TEST FLAG_TEST_MACHINE and
// FLAG_TEST_HIDE_POPUP): nobody is there to answer a box, so what a box would say on the job
// road goes to the program's output, and the run goes on.
#include <string>

namespace app {

// True in the automatic test run with its boxes hidden.
bool UnattendedRun();
// Unattended: writes "test run: <list>: <what>: <text>" to the output and returns true (the
// caller goes on without its box); otherwise false and nothing written.
bool TellUnattended(const char* what, const std::string& text);

} // namespace app
