// Detached start of a program with an argument list (no shell).
#include "platform/process.h"

#include "platform/paths.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plat {

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
    if (program.empty()) return false;
    // A Windows-style or relative path is mapped; a bare name is looked up in PATH.
    std::string path = program;
    if (program.find('/') != std::string::npos || program.find('\\') != std::string::npos ||
        (program.size() >= 2 && program[1] == ':')) {
        path = FindExisting(program);
        if (path.empty()) return false;
        if (path.find('/') == std::string::npos) path = "./" + path;
    }

    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return false;
    // Own session (no controlling terminal, not hit by our terminal's signals) and
    // default signal handling and an empty signal mask whatever ours are.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attr, flags);

    // The program is started by a short-lived intermediate child that we reap at once,
    // so the program is adopted by init and never stays a zombie of ours.
    pid_t middle = fork();
    if (middle < 0) {
        posix_spawnattr_destroy(&attr);
        return false;
    }
    if (middle == 0) {
        pid_t child = 0;
        int rc = posix_spawnp(&child, path.c_str(), nullptr, &attr, argv.data(), environ);
        _exit(rc == 0 ? 0 : 127);
    }
    posix_spawnattr_destroy(&attr);
    int status = 0;
    pid_t r;
    do {
        r = waitpid(middle, &status, 0);
    } while (r < 0 && errno == EINTR);
    // ECHILD: someone else reaped the intermediate (SIGCHLD ignored); the start itself
    // cannot be checked then, and the program most likely runs.
    if (r < 0) return errno == ECHILD;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace plat
