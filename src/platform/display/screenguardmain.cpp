// galimo-guard WIDTH HEIGHT OUTPUT MODE SWITCHED_WIDTH SWITCHED_HEIGHT: started by the program
// before it switches the screen to SWITCHED_WIDTH x SWITCHED_HEIGHT, with a pipe as standard
// input whose write end only the program holds. The end of the input means the program has
// ended, however it ended; the guard then puts the output back in the mode it showed at start
// (its id, of WIDTH x HEIGHT) and ends. It uses Xlib and XRandR only. Its exit status says
// what it did:
//   0  the output shows its start mode again (or still did)
//   1  no X server answers, or the server refused
//   2  wrong arguments
//   3  the output is gone or disconnected; the screen, still SWITCHED_WIDTH x SWITCHED_HEIGHT,
//      is back at WIDTH x HEIGHT on the output now carrying it
//   4  the output is gone or disconnected, and the screen is another size: nothing changed
#include "platform/display/displaymode.h"
#include "platform/display/xscreen.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

template <typename T>
bool ParseNumber(const char* text, T& value, unsigned long long max)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || v > max)
        return false;
    value = T(v);
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    galimo::X11Mode mode;
    galimo::ScreenSize switchedTo{0, 0};
    if (argc != 7 || !ParseNumber(argv[1], mode.width, 65535) || !ParseNumber(argv[2], mode.height, 65535) ||
        mode.width == 0 || mode.height == 0 || !ParseNumber(argv[3], mode.output, 0xFFFFFFFFull) ||
        !ParseNumber(argv[4], mode.mode, 0xFFFFFFFFull) || !ParseNumber(argv[5], switchedTo.width, 65535) ||
        !ParseNumber(argv[6], switchedTo.height, 65535)) {
        std::fprintf(stderr,
                     "usage: %s WIDTH HEIGHT OUTPUT MODE SWITCHED_WIDTH SWITCHED_HEIGHT"
                     " (standard input: the program's pipe)\n",
                     argv[0]);
        return 2;
    }
    // The terminal's keys are meant for the program; a SIGTERM still ends the guard.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGQUIT, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    // Keep no folder of the medium busy while waiting.
    if (chdir("/") != 0)
        return 1;

    char buffer[256];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }

    // An X server that no longer answers must not keep the guard alive.
    alarm(10);
    switch (galimo::X11RestoreMode(mode, switchedTo)) {
    case galimo::X11Restored::Mode: return 0;
    case galimo::X11Restored::OnOtherOutput: return 3;
    case galimo::X11Restored::Nothing: return 4;
    case galimo::X11Restored::Failed: break;
    }
    return 1;
}
