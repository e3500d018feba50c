// A display that records every mode request and answers like a real one: an accepted
// request changes its size, a refused one changes nothing.
#pragma once

#include "platform/displaysettings.h"

#include <vector>

namespace galimo::test {

class FakeDisplaySettings : public IDisplaySettings {
public:
    struct Request {
        TDevMode mode;
        int flags;
    };

    FakeDisplaySettings(int width, int height, int bitsPerPixel)
        : width(width), height(height), bitsPerPixel(bitsPerPixel)
    {
    }

    int ScreenWidth() override { return width; }
    int ScreenHeight() override { return height; }
    int ScreenBitsPerPixel() override { return bitsPerPixel; }
    int ChangeDisplaySettings(const TDevMode& mode, int flags) override
    {
        requests.push_back({mode, flags});
        if (result != DISP_CHANGE_SUCCESSFUL)
            return result;
        if (mode.dmFields & DM_PELSWIDTH)
            width = int(mode.dmPelsWidth);
        if (mode.dmFields & DM_PELSHEIGHT)
            height = int(mode.dmPelsHeight);
        if (mode.dmFields & DM_BITSPERPEL)
            bitsPerPixel = int(mode.dmBitsPerPel);
        return result;
    }

    int width;
    int height;
    int bitsPerPixel;
    int result = DISP_CHANGE_SUCCESSFUL;  // what every request answers; non-zero refuses
    std::vector<Request> requests;
};

// Puts a fake in force for the lifetime of the guard.
class DisplaySettingsGuard {
public:
    explicit DisplaySettingsGuard(IDisplaySettings* fake) : previous_(SetDisplaySettings(fake)) {}
    ~DisplaySettingsGuard() { SetDisplaySettings(previous_); }
    DisplaySettingsGuard(const DisplaySettingsGuard&) = delete;
    DisplaySettingsGuard& operator=(const DisplaySettingsGuard&) = delete;

private:
    IDisplaySettings* previous_;
};

}  // namespace galimo::test
