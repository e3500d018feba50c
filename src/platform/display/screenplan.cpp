#include "platform/display/screenplan.h"

#include "platform/display/xscreen.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

namespace galimo {

namespace {

constexpr int FormWidth = 800;
constexpr int FormHeight = 600;

std::optional<TScreenPlan> decided;

// The variables the decision sets for Qt, as the visitor's session had them: a mail
// program started later must not inherit our scale.
constexpr const char* QtScaleVariables[] = {"QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_SCALE_FACTOR",
                                            "QT_SCREEN_SCALE_FACTORS", "QT_USE_PHYSICAL_DPI"};
std::optional<QByteArray> sessionValues[std::size(QtScaleVariables)];
bool sessionSaved = false;

TWindowing FromPlatformName(const QString& name)
{
    if (name == QLatin1String("xcb")) return TWindowing::X11;
    if (name.startsWith(QLatin1String("wayland"))) return TWindowing::Wayland;
    return TWindowing::Other;
}

// Where the environment alone says which windowing system Qt will take; nothing where only
// Qt can tell (a Wayland session, whose platform may fall back to X11).
std::optional<TWindowing> NamedWindowing()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) {
        const QByteArray first = platform.split(';').front();
        if (first.startsWith("wayland")) return std::nullopt;
        return FromPlatformName(QString::fromLatin1(first));
    }
    if (qgetenv("XDG_SESSION_TYPE") == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty()) return std::nullopt;
    if (!qgetenv("DISPLAY").isEmpty()) return TWindowing::X11;
    return std::nullopt;
}

// Qt's own scale (the desktop's, QT_SCALE_FACTOR's, a screen's) would multiply ours: the form
// is drawn at the plan's scale whatever the desktop is set to. Its fonts are sized in pixels;
// the toolkit's dialogs get the same reference of 96 dots per inch.
void ClearQtScaling()
{
    for (size_t i = 0; i < std::size(QtScaleVariables); ++i)
        if (qEnvironmentVariableIsSet(QtScaleVariables[i])) sessionValues[i] = qgetenv(QtScaleVariables[i]);
    sessionSaved = true;
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_FONT_DPI", "96");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qunsetenv("QT_USE_PHYSICAL_DPI");
}

TScreenPlan PlanForX11()
{
    TScreenPlan plan;
    plan.Windowing = TWindowing::X11;
    if (X11CanChangeSize(FormWidth, FormHeight)) return plan;
    if (const std::optional<ScreenSize> size = X11ScreenSize()) {
        plan.Hold = TScreenHold::Keep;
        plan.Scale = FillScale(size->width, size->height);
    } else {
        plan.Hold = TScreenHold::Keep;  // no X server answers: Qt will say so itself
    }
    return plan;
}

}  // namespace

double FillScale(int width, int height)
{
    if (width <= 0 || height <= 0) return 1.0;
    return std::min(double(width) / FormWidth, double(height) / FormHeight);
}

TScreenPlan DecideScreenPlan(int argc, char* argv[])
{
    const std::optional<TWindowing> named = NamedWindowing();
    TScreenPlan plan;
    if (named == TWindowing::Other) {
        // Offscreen, a framebuffer: nothing to switch, nothing to scale.
        plan.Windowing = TWindowing::Other;
        plan.Hold = TScreenHold::Keep;
        SetScreenPlan(plan);
        return plan;
    }
    ClearQtScaling();
    double nativeRatio = 1.0;
    if (named == TWindowing::X11) {
        plan = PlanForX11();
    } else {
        // Only the windowing system knows its screen: a first application object asks it
        // and goes before the real one is made.
        int probeArgc = std::min(argc, 1);
        TWindowing windowing = TWindowing::Other;
        int width = 0, height = 0;
        {
            QGuiApplication probe(probeArgc, argv);
            windowing = FromPlatformName(QGuiApplication::platformName());
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                nativeRatio = screen->devicePixelRatio();
                width = int(std::lround(screen->geometry().width() * nativeRatio));
                height = int(std::lround(screen->geometry().height() * nativeRatio));
            }
        }
        if (windowing == TWindowing::X11) {
            plan = PlanForX11();
            nativeRatio = 1.0;
        } else {
            plan.Windowing = windowing;
            plan.Hold = TScreenHold::Keep;
            plan.Scale = FillScale(width, height);
            plan.DialogsInside = windowing == TWindowing::Wayland;
        }
    }
    // A compositor's own buffer scale stays: ours goes on top of it.
    qputenv("QT_SCALE_FACTOR", QByteArray::number(plan.Scale / nativeRatio, 'g', 17));
    SetScreenPlan(plan);
    return plan;
}

TScreenPlan ScreenPlan()
{
    if (decided) return *decided;
    TScreenPlan plan;
    if (QGuiApplication::instance()) {
        plan.Windowing = FromPlatformName(QGuiApplication::platformName());
    } else {
        // Before the application exists, the choice Qt is going to make: the platform it is
        // told to use, otherwise X whenever an X display is named.
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        if (!platform.isEmpty())
            plan.Windowing = FromPlatformName(QString::fromLatin1(platform.split(';').front()));
        else if (!qgetenv("DISPLAY").isEmpty())
            plan.Windowing = TWindowing::X11;
    }
    plan.DialogsInside = plan.Windowing == TWindowing::Wayland;
    return plan;
}

void SetScreenPlan(const TScreenPlan& plan) { decided = plan; }

void RestoreSessionEnvironment()
{
    if (!sessionSaved) return;
    for (size_t i = 0; i < std::size(QtScaleVariables); ++i) {
        if (sessionValues[i])
            qputenv(QtScaleVariables[i], *sessionValues[i]);
        else
            qunsetenv(QtScaleVariables[i]);
    }
    sessionSaved = false;
}

}  // namespace galimo
