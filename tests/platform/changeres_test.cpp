#include "platform/display/changeres.h"
#include "../common/fakes.h"
#include "../common/freshrun.h"
#include "../common/replacement.h"
#include "platform/display/displaysettings.h"
#include "platform/display/screenplan.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace galimo {
namespace {

using test::TScopedReplacement;
using test::TFakeDisplaySettings;

TDevMode Expected(int width, int height, int bits)
{
    TDevMode m;
    m.dmSize = 156;
    m.dmFields = 0x1C0000;
    m.dmBitsPerPel = std::uint32_t(bits);
    m.dmPelsWidth = std::uint32_t(width);
    m.dmPelsHeight = std::uint32_t(height);
    return m;
}

struct Session {
    int startWidth, startHeight, startBits;
};

class ChangeResSession : public ::testing::TestWithParam<Session> {};

// A whole run: start-up records the size, the main window switches to 800 x 600 x 16,
// closing switches back to the recorded size at 16 bits per pixel.
TEST_P(ChangeResSession, SwitchesAndRestoresWithExactRequests)
{
    const Session s = GetParam();
    TFakeDisplaySettings fake(s.startWidth, s.startHeight, s.startBits);
    TScopedReplacement<IDisplaySettings> guard(fake);

    InitChangeRes();
    EXPECT_EQ(SavedScreenWidth, s.startWidth);
    EXPECT_EQ(SavedScreenHeight, s.startHeight);
    EXPECT_TRUE(fake.requests.empty()) << "start-up must not change the mode";

    EXPECT_EQ(SetDisplayMode(800, 600, 16), 0);
    ASSERT_EQ(fake.requests.size(), 1u);
    EXPECT_EQ(fake.requests[0].mode, Expected(800, 600, 16));
    EXPECT_EQ(fake.requests[0].flags, CDS_UPDATEREGISTRY);
    EXPECT_EQ(fake.width, 800);

    // The recorded size is the one at start, not the one in force now.
    EXPECT_EQ(RestoreDisplayMode(), 0);
    ASSERT_EQ(fake.requests.size(), 2u);
    EXPECT_EQ(fake.requests[1].mode, Expected(s.startWidth, s.startHeight, 16));
    EXPECT_EQ(fake.requests[1].flags, CDS_UPDATEREGISTRY);
    EXPECT_EQ(fake.width, s.startWidth);
    EXPECT_EQ(fake.height, s.startHeight);
    EXPECT_EQ(fake.bitsPerPixel, 16) << "the restore always asks for 16 bits per pixel";
}

INSTANTIATE_TEST_SUITE_P(StartModes, ChangeResSession,
                         ::testing::Values(Session{1024, 768, 32}, Session{800, 600, 16}, Session{800, 600, 32},
                                           Session{1920, 1080, 24}, Session{640, 480, 8}));

TEST(ChangeRes, SavedSizeIsTakenOnceAtStartUp)
{
    TFakeDisplaySettings fake(1280, 1024, 32);
    TScopedReplacement<IDisplaySettings> guard(fake);
    InitChangeRes();
    // Someone else changes the screen while the program runs: the restore still goes back
    // to the size the program found.
    fake.width = 1600;
    fake.height = 1200;
    SetDisplayMode(800, 600, 16);
    RestoreDisplayMode();
    EXPECT_EQ(fake.requests.back().mode, Expected(1280, 1024, 16));
}

TEST(ChangeRes, PassesRequestValuesThrough)
{
    struct Row {
        int width, height, bits;
    };
    const Row rows[] = {{800, 600, 16}, {1024, 768, 32}, {640, 480, 8}, {0, 0, 0}, {3840, 2160, 24}};
    for (const Row& r : rows) {
        TFakeDisplaySettings fake(1024, 768, 32);
        TScopedReplacement<IDisplaySettings> guard(fake);
        SetDisplayMode(r.width, r.height, r.bits);
        ASSERT_EQ(fake.requests.size(), 1u);
        EXPECT_EQ(fake.requests[0].mode, Expected(r.width, r.height, r.bits)) << r.width << "x" << r.height;
    }
}

// A display that cannot do the mode: the code comes back unchanged, nothing is thrown, and
// the program carries on (the restore is still asked for).
TEST(ChangeRes, RefusedSwitchIsReturnedNotThrown)
{
    for (int code : {DISP_CHANGE_FAILED, DISP_CHANGE_BADMODE, 1, -5}) {
        TFakeDisplaySettings fake(1024, 768, 32);
        fake.result = code;
        TScopedReplacement<IDisplaySettings> guard(fake);
        InitChangeRes();
        int result = 0;
        EXPECT_NO_THROW(result = SetDisplayMode(800, 600, 16));
        EXPECT_EQ(result, code);
        EXPECT_EQ(fake.width, 1024);
        EXPECT_NO_THROW(result = RestoreDisplayMode());
        EXPECT_EQ(result, code);
        EXPECT_EQ(fake.requests.size(), 2u);
    }
}

TEST(DisplaySettingsSeam, ReplaceReturnsThePreviousAndNullPutsTheSystemBack)
{
    TFakeDisplaySettings a(1, 1, 1), b(2, 2, 2);
    IDisplaySettings* original = TSeam<IDisplaySettings>::Replace(&a);
    EXPECT_EQ(&DisplaySettings(), &a);
    EXPECT_EQ(TSeam<IDisplaySettings>::Replace(&b), &a);
    EXPECT_EQ(&DisplaySettings(), &b);
    EXPECT_EQ(TSeam<IDisplaySettings>::Replace(nullptr), &b);
    EXPECT_NE(dynamic_cast<SystemDisplaySettings*>(&DisplaySettings()), nullptr);
    TSeam<IDisplaySettings>::Replace(original);
}

void WithoutApplicationUsesTheLayoutSize()
{
    ASSERT_EQ(QGuiApplication::instance(), nullptr);
    ASSERT_FALSE(SystemDisplaySettings::OnX11()) << "the test environment selects the offscreen platform";
    SystemDisplaySettings system;
    EXPECT_EQ(system.ScreenWidth(), 800);
    EXPECT_EQ(system.ScreenHeight(), 600);
    EXPECT_GT(system.ScreenBitsPerPixel(), 8);
    EXPECT_EQ(system.ChangeDisplaySettings(Expected(640, 480, 16), CDS_UPDATEREGISTRY), DISP_CHANGE_FAILED);
}

void WithApplicationAsksItsScreen()
{
    int argc = 1;
    char name[] = "test_platform";
    char* argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    SystemDisplaySettings system;
    EXPECT_FALSE(SystemDisplaySettings::OnX11());
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(system.ScreenWidth(), screen->geometry().width() * int(screen->devicePixelRatio()));
    EXPECT_EQ(system.ScreenHeight(), screen->geometry().height() * int(screen->devicePixelRatio()));
    EXPECT_EQ(system.ScreenBitsPerPixel(), screen->depth());
    EXPECT_EQ(system.ChangeDisplaySettings(Expected(800, 600, 16), CDS_UPDATEREGISTRY), DISP_CHANGE_FAILED);
    // Through the module, with the system's settings in force.
    InitChangeRes();
    EXPECT_EQ(SavedScreenWidth, system.ScreenWidth());
    EXPECT_EQ(SetDisplayMode(800, 600, 16), DISP_CHANGE_FAILED);
    EXPECT_EQ(RestoreDisplayMode(), DISP_CHANGE_FAILED);
}

// These tests run offscreen: no X server is asked; a switch changes nothing and says so. Each
// makes its own application, or none, in a fresh run.
TEST(SystemDisplaySettingsOffscreen, WithoutApplicationUsesTheLayoutSize)
{
    test::InAFreshRun(WithoutApplicationUsesTheLayoutSize);
}

TEST(SystemDisplaySettingsOffscreen, WithApplicationAsksItsScreen) { test::InAFreshRun(WithApplicationAsksItsScreen); }

}  // namespace
}  // namespace galimo

// The form fills a screen that keeps its mode: it touches two opposite edges, unrounded.
TEST(ScreenPlan, FillScaleTouchesTwoEdges)
{
    const struct {
        int width, height;
        double scale;
    } rows[] = {{1920, 1080, 1.8}, {2560, 1440, 2.4}, {1366, 768, 1.28}, {1920, 1200, 2.0}, {800, 600, 1.0}, {1280, 1024, 1.6}};
    for (const auto& row : rows) EXPECT_DOUBLE_EQ(galimo::FillScale(row.width, row.height), row.scale) << row.width << "x" << row.height;
}
