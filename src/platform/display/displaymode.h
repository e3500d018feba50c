// A display-mode request and the switch's result codes, as the platform the program was
// written for spells them: shared by the display settings, the X screen and the guard, which
// knows nothing of Qt.
#pragma once

#include <cstdint>

namespace galimo {

// Fields of a mode request that carry a value.
constexpr std::uint32_t DM_BITSPERPEL = 0x40000;
constexpr std::uint32_t DM_PELSWIDTH = 0x80000;
constexpr std::uint32_t DM_PELSHEIGHT = 0x100000;

// Flag of ChangeDisplaySettings: change the mode now and keep it as the user's setting.
constexpr int CDS_UPDATEREGISTRY = 1;

// Result codes of ChangeDisplaySettings.
constexpr int DISP_CHANGE_SUCCESSFUL = 0;
constexpr int DISP_CHANGE_FAILED = -1;
constexpr int DISP_CHANGE_BADMODE = -2;

// Size of the request record on the platform the program was written for; kept so that a
// request reads the same wherever it is logged or compared.
constexpr std::uint16_t DEVMODE_SIZE = 156;

// A display-mode request: the fields named in dmFields are meaningful, the rest are zero.
struct TDevMode {
    std::uint16_t dmSize = 0;
    std::uint32_t dmFields = 0;
    std::uint32_t dmBitsPerPel = 0;
    std::uint32_t dmPelsWidth = 0;
    std::uint32_t dmPelsHeight = 0;

    friend bool operator==(const TDevMode&, const TDevMode&) = default;
};

}  // namespace galimo
