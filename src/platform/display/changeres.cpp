#include "platform/display/changeres.h"

#include "platform/display/displaysettings.h"

#include <cstdint>

namespace galimo {

int SavedScreenWidth = 0;
int SavedScreenHeight = 0;

void InitChangeRes()
{
    SavedScreenWidth = DisplaySettings().ScreenWidth();
    SavedScreenHeight = DisplaySettings().ScreenHeight();
    DisplaySettings().RecordStartMode();
}

int SetDisplayMode(int width, int height, int bitsPerPixel)
{
    TDevMode mode;
    mode.dmSize = DEVMODE_SIZE;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = static_cast<std::uint32_t>(bitsPerPixel);
    mode.dmPelsWidth = static_cast<std::uint32_t>(width);
    mode.dmPelsHeight = static_cast<std::uint32_t>(height);
    return DisplaySettings().ChangeDisplaySettings(mode, CDS_UPDATEREGISTRY);
}

int RestoreDisplayMode() { return SetDisplayMode(SavedScreenWidth, SavedScreenHeight, 16); }

}  // namespace galimo
