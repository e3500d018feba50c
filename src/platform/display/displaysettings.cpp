#include "platform/display/displaysettings.h"

#include "platform/display/screenguard.h"
#include "platform/display/screenplan.h"
#include "platform/display/xscreen.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QtGlobal>

#include <cmath>
#include <optional>

namespace galimo {

namespace {

SystemDisplaySettings systemSettings;

// With no display at all (offscreen, no application yet) there is no screen to ask. The
// window is laid out for 800 x 600, so that is the size we report: a later restore then asks
// for the size the program ran at, which changes nothing.
constexpr int kFallbackWidth = 800;
constexpr int kFallbackHeight = 600;
// True colour is what every display offers today; it keeps the picture modules off their
// palette paths when they cannot ask a screen.
constexpr int kFallbackBitsPerPixel = 32;

std::optional<ScreenSize> QtScreenSize()
{
    if (!QGuiApplication::instance())
        return std::nullopt;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    // Device pixels, like the X answer.
    const qreal ratio = screen->devicePixelRatio();
    const QRect g = screen->geometry();
    return ScreenSize{int(std::lround(g.width() * ratio)), int(std::lround(g.height() * ratio))};
}

ScreenSize CurrentScreenSize()
{
    if (SystemDisplaySettings::OnX11())
        if (auto size = X11ScreenSize())
            return *size;
    if (auto size = QtScreenSize())
        return *size;
    return ScreenSize{kFallbackWidth, kFallbackHeight};
}

}  // namespace

template <>
IDisplaySettings& TSeam<IDisplaySettings>::System()
{
    return systemSettings;
}

bool SystemDisplaySettings::OnX11() { return ScreenPlan().Windowing == TWindowing::X11; }

int SystemDisplaySettings::ScreenWidth() { return CurrentScreenSize().width; }

int SystemDisplaySettings::ScreenHeight() { return CurrentScreenSize().height; }

int SystemDisplaySettings::ScreenBitsPerPixel()
{
    if (OnX11())
        if (auto bits = X11BitsPerPixel())
            return *bits;
    if (QGuiApplication::instance())
        if (QScreen* screen = QGuiApplication::primaryScreen())
            return screen->depth();
    return kFallbackBitsPerPixel;
}

void SystemDisplaySettings::RecordStartMode()
{
    if (OnX11())
        startMode = X11CurrentMode();
}

int SystemDisplaySettings::ChangeDisplaySettings(const TDevMode& mode, int flags)
{
    // Wayland and the others keep the display to the compositor: nothing is switched, and
    // the window owns the screen by its full-screen state instead.
    if (!OnX11())
        return DISP_CHANGE_FAILED;
    // CDS_UPDATEREGISTRY: X keeps no stored mode of the user's; the desktop's own monitor
    // configuration is left alone, so the switch lasts until it is switched back or the X
    // server ends, and never outlives a restart.
    (void)flags;
    // The depth of an X screen is fixed when the server starts; only the size can change, so
    // dmBitsPerPel is not looked at.
    const ScreenSize now = CurrentScreenSize();
    const int width = (mode.dmFields & DM_PELSWIDTH) ? int(mode.dmPelsWidth) : now.width;
    const int height = (mode.dmFields & DM_PELSHEIGHT) ? int(mode.dmPelsHeight) : now.height;
    if (width <= 0 || height <= 0)
        return DISP_CHANGE_BADMODE;
    // The size the program started at comes back as the very mode it was.
    if (startMode && width == startMode->width && height == startMode->height) {
        const X11Restored restored = X11RestoreMode(*startMode, switchedTo.value_or(ScreenSize{0, 0}));
        return restored == X11Restored::Mode || restored == X11Restored::OnOtherOutput ? DISP_CHANGE_SUCCESSFUL
                                                                                       : DISP_CHANGE_FAILED;
    }
    // However the program ends, even killed, the guard puts the start mode back. It is started
    // before the first switch, and only where a switch is really made.
    if (startMode && (now.width != width || now.height != height) && X11CanChangeSize(width, height))
        StartScreenGuard(*startMode, {width, height});
    const int result = X11ChangeSize(width, height);
    if (result == DISP_CHANGE_SUCCESSFUL)
        switchedTo = ScreenSize{width, height};
    return result;
}

}  // namespace galimo
