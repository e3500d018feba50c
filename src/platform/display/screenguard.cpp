#include "platform/display/screenguard.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace galimo {

namespace {

// The folder of the running executable, from the kernel, whatever the current folder.
std::string OwnFolder()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string exe(path, std::size_t(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

}  // namespace

void StartScreenGuard(const X11Mode& mode, const ScreenSize& switchedTo)
{
    static bool started = false;
    if (started || mode.width <= 0 || mode.height <= 0)
        return;
    started = true;
    const std::string guard = OwnFolder() + "/" + kScreenGuardName;
    if (access(guard.c_str(), X_OK) != 0)
        return;

    // The write end is close-on-exec: no child of ours (a mail program that outlives us)
    // keeps the guard waiting.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    std::string w = std::to_string(mode.width), h = std::to_string(mode.height);
    std::string output = std::to_string(mode.output), id = std::to_string(mode.mode);
    std::string sw = std::to_string(switchedTo.width), sh = std::to_string(switchedTo.height);
    char* argv[] = {const_cast<char*>(guard.c_str()), w.data(), h.data(), output.data(), id.data(), sw.data(), sh.data(),
                    nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawnattr_init(&attr);
    // A session of its own: a Ctrl+C or a hang-up of our terminal does not reach it. It
    // starts with no signal blocked and every signal at its default.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, guard.c_str(), &actions, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (failed) {
        close(fds[1]);
        return;
    }
    // fds[1] stays open for the rest of the run on purpose: its closing is the signal.
}

}  // namespace galimo
