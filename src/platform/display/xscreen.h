// The X server's primary output, through Xlib and XRandR only: its size, its depth and the
// switch of its mode. Free of Qt, so that the screen guard can use it too.
#pragma once

#include <optional>

namespace galimo {

struct ScreenSize {
    int width;
    int height;
};

// The primary output's size at this moment, or nothing when no X server answers.
std::optional<ScreenSize> X11ScreenSize();
// Bits per pixel as stored for the screen's default depth.
std::optional<int> X11BitsPerPixel();
// The mode an output shows: the output, the mode's id and its size as shown.
struct X11Mode {
    unsigned long output = 0;
    unsigned long mode = 0;
    int width = 0;
    int height = 0;
};

// The primary output's mode at this moment, or nothing without an X server or RandR 1.2.
std::optional<X11Mode> X11CurrentMode();
// Switches the primary output to a mode of width x height: DISP_CHANGE_SUCCESSFUL or a
// failure code of displaymode.h.
int X11ChangeSize(int width, int height);
// Whether X11ChangeSize would switch (or find the size already in force), changing nothing.
bool X11CanChangeSize(int width, int height);
// What putting a mode back did.
enum class X11Restored {
    Mode,           // the output that showed it shows it again (or still did)
    OnOtherOutput,  // that output is gone or disconnected; the screen, still at the size the
                    // program switched to, is back at the mode's size on the output carrying it
    Nothing,        // that output is gone or disconnected and the screen is not at the size
                    // the program switched to: nothing was changed
    Failed,         // no X server or RandR, or the server refused
};
// Puts back exactly a mode read before (its refresh rate too) on the output that showed it;
// when that output no longer offers it, a mode of its size. `switchedTo` is the size the
// program switched the screen to ({0, 0}: it never did).
X11Restored X11RestoreMode(const X11Mode& mode, const ScreenSize& switchedTo);

}  // namespace galimo
