// galimo-guard WIDTH HEIGHT: started by the program before it switches the screen, with a
// pipe as standard input whose write end only the program holds. The end of the input means
// the program has ended, however it ended; the guard then puts the screen back at
// WIDTH x HEIGHT if it is at another size, and ends. It uses Xlib and XRandR only.
#include "platform/displaysettings.h"
#include "platform/xscreen.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

bool ParseSize(const char* text, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v <= 0 || v > 65535)
        return false;
    value = int(v);
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    int width = 0, height = 0;
    if (argc != 3 || !ParseSize(argv[1], width) || !ParseSize(argv[2], height)) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT (standard input: the program's pipe)\n", argv[0]);
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
    const auto now = galimo::X11ScreenSize();
    if (!now)
        return 1;  // the X server has gone: nothing left to put back
    if (now->width == width && now->height == height)
        return 0;
    return galimo::X11ChangeSize(width, height) == galimo::DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}
