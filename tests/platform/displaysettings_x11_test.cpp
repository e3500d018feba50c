// The real display settings against an X server: run under
// xvfb-run -a -s "-noreset -screen 0 1024x768x24", skipped when there is no X display.
#include "platform/display/changeres.h"
#include "platform/display/displaysettings.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <cstring>

namespace galimo {
namespace {

bool XDisplayAvailable()
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return false;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return false;
    XCloseDisplay(dpy);
    return true;
}

TDevMode Request(int width, int height, int bits)
{
    TDevMode m;
    m.dmSize = DEVMODE_SIZE;
    m.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    m.dmBitsPerPel = std::uint32_t(bits);
    m.dmPelsWidth = std::uint32_t(width);
    m.dmPelsHeight = std::uint32_t(height);
    return m;
}

class X11DisplaySettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XDisplayAvailable())
            GTEST_SKIP() << "no X display";
        ASSERT_TRUE(SystemDisplaySettings::OnX11());
        ASSERT_EQ(system.ScreenWidth(), 1024) << "the X server is expected at 1024 x 768";
        ASSERT_EQ(system.ScreenHeight(), 768);
    }
    void TearDown() override
    {
        // Never leave the server switched for the next test.
        if (XDisplayAvailable())
            system.ChangeDisplaySettings(Request(1024, 768, 16), CDS_UPDATEREGISTRY);
    }
    SystemDisplaySettings system;
};

TEST_F(X11DisplaySettings, ReadsDepthAsStoredBits)
{
    // Depth 24 is stored in 32-bit pixels.
    EXPECT_EQ(system.ScreenBitsPerPixel(), 32);
}

TEST_F(X11DisplaySettings, SwitchToOtherSizeFailsCleanlyOrSwitches)
{
    const int result = system.ChangeDisplaySettings(Request(800, 600, 16), CDS_UPDATEREGISTRY);
    if (result == DISP_CHANGE_SUCCESSFUL) {
        EXPECT_EQ(system.ScreenWidth(), 800);
        EXPECT_EQ(system.ScreenHeight(), 600);
        EXPECT_EQ(system.ChangeDisplaySettings(Request(1024, 768, 16), CDS_UPDATEREGISTRY), DISP_CHANGE_SUCCESSFUL);
    }
    // Switched back, or never switched.
    EXPECT_EQ(system.ScreenWidth(), 1024);
    EXPECT_EQ(system.ScreenHeight(), 768);
}

TEST_F(X11DisplaySettings, CurrentSizeSucceedsWhateverTheDepth)
{
    for (int bits : {8, 16, 24, 32})
        EXPECT_EQ(system.ChangeDisplaySettings(Request(1024, 768, bits), CDS_UPDATEREGISTRY), DISP_CHANGE_SUCCESSFUL)
            << bits;
    TDevMode depthOnly;
    depthOnly.dmSize = DEVMODE_SIZE;
    depthOnly.dmFields = DM_BITSPERPEL;
    depthOnly.dmBitsPerPel = 16;
    EXPECT_EQ(system.ChangeDisplaySettings(depthOnly, CDS_UPDATEREGISTRY), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(system.ScreenWidth(), 1024);
}

TEST_F(X11DisplaySettings, ImpossibleSizesAreRefused)
{
    struct Row {
        int width, height;
    };
    for (Row r : {Row{100000, 100000}, Row{1, 1}, Row{0, 0}, Row{-800, 600}, Row{1023, 768}}) {
        EXPECT_NE(system.ChangeDisplaySettings(Request(r.width, r.height, 16), CDS_UPDATEREGISTRY),
                  DISP_CHANGE_SUCCESSFUL)
            << r.width << "x" << r.height;
        EXPECT_EQ(system.ScreenWidth(), 1024);
        EXPECT_EQ(system.ScreenHeight(), 768);
    }
}

// Xvfb offers one mode; give its output an 800 x 600 mode as a monitor would, so that a
// real switch down and back up happens.
class X11WithExtraMode : public X11DisplaySettings {
protected:
    void SetUp() override
    {
        X11DisplaySettings::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        dpy_ = XOpenDisplay(nullptr);
        ASSERT_NE(dpy_, nullptr);
        Window root = DefaultRootWindow(dpy_);
        XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy_, root);
        ASSERT_TRUE(res && res->noutput > 0);
        output_ = res->outputs[0];
        XRRFreeScreenResources(res);
        // VESA 800 x 600 at 60 Hz.
        XRRModeInfo info;
        std::memset(&info, 0, sizeof info);
        char name[] = "800x600";
        info.width = 800;
        info.height = 600;
        info.dotClock = 40000000;
        info.hSyncStart = 840;
        info.hSyncEnd = 968;
        info.hTotal = 1056;
        info.vSyncStart = 601;
        info.vSyncEnd = 605;
        info.vTotal = 628;
        info.name = name;
        info.nameLength = 7;
        mode_ = XRRCreateMode(dpy_, root, &info);
        XRRAddOutputMode(dpy_, output_, mode_);
        XSync(dpy_, False);
    }
    void TearDown() override
    {
        X11DisplaySettings::TearDown();
        if (dpy_) {
            XRRDeleteOutputMode(dpy_, output_, mode_);
            XRRDestroyMode(dpy_, mode_);
            XCloseDisplay(dpy_);
        }
    }
    Display* dpy_ = nullptr;
    RROutput output_ = 0;
    RRMode mode_ = 0;
};

TEST_F(X11WithExtraMode, SwitchesDownAndBackUp)
{
    EXPECT_EQ(system.ChangeDisplaySettings(Request(800, 600, 16), CDS_UPDATEREGISTRY), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(system.ScreenWidth(), 800);
    EXPECT_EQ(system.ScreenHeight(), 600);
    // The X screen shrank with the output: nothing is left outside it.
    Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    XGetGeometry(dpy_, DefaultRootWindow(dpy_), &root, &x, &y, &w, &h, &border, &depth);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);
    // Asking again for the size in force changes nothing and succeeds.
    EXPECT_EQ(system.ChangeDisplaySettings(Request(800, 600, 32), CDS_UPDATEREGISTRY), DISP_CHANGE_SUCCESSFUL);

    EXPECT_EQ(system.ChangeDisplaySettings(Request(1024, 768, 16), CDS_UPDATEREGISTRY), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(system.ScreenWidth(), 1024);
    EXPECT_EQ(system.ScreenHeight(), 768);
    XGetGeometry(dpy_, DefaultRootWindow(dpy_), &root, &x, &y, &w, &h, &border, &depth);
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 768u);
}

TEST_F(X11WithExtraMode, ChangeResRunSwitchesAndRestores)
{
    InitChangeRes();
    EXPECT_EQ(SetDisplayMode(800, 600, 16), 0);
    EXPECT_EQ(system.ScreenWidth(), 800);
    EXPECT_EQ(RestoreDisplayMode(), 0);
    EXPECT_EQ(system.ScreenWidth(), 1024);
    EXPECT_EQ(system.ScreenHeight(), 768);
}

// The module's whole run against the server: whatever the switch did, closing leaves the
// screen at the size it had before.
TEST_F(X11DisplaySettings, ChangeResRunEndsAtStartSize)
{
    InitChangeRes();
    EXPECT_EQ(SavedScreenWidth, 1024);
    EXPECT_EQ(SavedScreenHeight, 768);
    SetDisplayMode(800, 600, 16);
    EXPECT_EQ(RestoreDisplayMode(), 0);
    EXPECT_EQ(system.ScreenWidth(), 1024);
    EXPECT_EQ(system.ScreenHeight(), 768);
}

TEST_F(X11DisplaySettings, AgreesWithTheApplicationScreen)
{
    int argc = 3;
    char name[] = "test_platform_e2e", opt[] = "-platform", platform[] = "xcb";
    char* argv[] = {name, opt, platform, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    EXPECT_TRUE(SystemDisplaySettings::OnX11());
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(system.ScreenWidth(), qRound(screen->geometry().width() * screen->devicePixelRatio()));
    EXPECT_EQ(system.ScreenHeight(), qRound(screen->geometry().height() * screen->devicePixelRatio()));
    EXPECT_EQ(system.ScreenBitsPerPixel(), screen->depth() == 24 ? 32 : screen->depth());
}

}  // namespace
}  // namespace galimo
