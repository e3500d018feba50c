// The display settings seam: the screen's size and depth, and the switch of its mode.
// The product uses the windowing system's own (XRandR on X11); tests put a recording
// fake in its place.
#pragma once

#include "platform/core/seam.h"
#include "platform/display/displaymode.h"
#include "platform/display/xscreen.h"

#include <optional>

namespace galimo {

class IDisplaySettings {
public:
    virtual ~IDisplaySettings() = default;
    // Size in pixels of the primary screen at this moment.
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    // Bits per pixel times colour planes of the screen.
    virtual int ScreenBitsPerPixel() = 0;
    // Switches the primary screen to the request; DISP_CHANGE_SUCCESSFUL (0) or a failure code.
    virtual int ChangeDisplaySettings(const TDevMode& mode, int flags) = 0;
    // Notes the mode in force, so that a later request for its size puts back that very mode
    // (its refresh rate too), not merely one of its size.
    virtual void RecordStartMode() {}
};

// The windowing system's settings unless a test has put its own.
template <> IDisplaySettings& TSeam<IDisplaySettings>::System();
inline IDisplaySettings& DisplaySettings() { return TSeam<IDisplaySettings>::Current(); }

// The windowing system's settings. On X11 it talks to the X server through Xlib and XRandR
// (its own connection, so it works before any window or application object exists); no other
// windowing system lets a program switch the display, and there a switch fails, changing nothing.
class SystemDisplaySettings : public IDisplaySettings {
public:
    int ScreenWidth() override;
    int ScreenHeight() override;
    int ScreenBitsPerPixel() override;
    int ChangeDisplaySettings(const TDevMode& mode, int flags) override;
    void RecordStartMode() override;

    // Whether the calls go to an X server, as the start-up decision says.
    static bool OnX11();

private:
    std::optional<X11Mode> startMode;
    std::optional<ScreenSize> switchedTo;  // the size the last switch put in force
};

}  // namespace galimo
