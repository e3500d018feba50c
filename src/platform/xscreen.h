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
// Switches the primary output to a mode of width x height: DISP_CHANGE_SUCCESSFUL or a
// failure code of displaysettings.h.
int X11ChangeSize(int width, int height);

}  // namespace galimo
