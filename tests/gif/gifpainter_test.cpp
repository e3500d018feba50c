// The painter without its thread: pace, passes and composition run on the test's thread
// through a clock that only moves by the waits, and the suites' animations composed from
// white against their expected canvases.
#include "gif/gifimage.h"
#include "gif/gifpainter.h"
#include "gif/gifrender.h"
#include "giftestutil.h"
#include "picture/bitmap.h"

#include <gtest/gtest.h>

#include <map>

namespace galimo {
namespace {

using test::AnimFrame;
using test::Bytes;

std::unique_ptr<TGIFImage> LoadAnim(const Bytes& bytes)
{
    auto r = test::LoadGIF(bytes);
    EXPECT_EQ(r.error, "");
    return std::move(r.image);
}

// Each wait takes exactly its time plus a fixed overrun (the cost of a step).
class TFakeClock : public TPainterClock {
public:
    int64_t Now() override { return now; }
    bool Wait(TAutoResetEvent&, int ms) override
    {
        now += ms + overrun;
        return false;
    }
    int64_t now = 0;
    int overrun = 0;
};

struct Played {
    std::vector<int64_t> times;  // of each composition
    int loops = 0;
};

Played Play(TGIFImage& image, int overrun = 0, int stopAfter = 100000)
{
    TFakeClock clock;
    clock.overrun = overrun;
    TBitmap work(image.Width(), image.Height(), TPixelFormat::pf24bit);
    TGIFPainter painter(image, work, {0, 0, image.Width(), image.Height()}, image.DrawOptions, clock);
    Played played;
    painter.Notifications.OnAfterPaint = [&](TGIFPainter& p) {
        played.times.push_back(clock.now);
        if (static_cast<int>(played.times.size()) == stopAfter) p.Stop();
    };
    painter.Notifications.OnLoop = [&](TGIFPainter&) { ++played.loops; };
    painter.Execute();
    EXPECT_FALSE(painter.KeptError());
    return played;
}

std::vector<AnimFrame> WithDelays(std::initializer_list<int> delays)
{
    std::vector<AnimFrame> frames;
    for (int d : delays) frames.push_back({.Delay = d});
    return frames;
}

TEST(GIFPainter, Pace)
{
    // 12 ms a unit; 0 or no extension 10 units; 1 and 2 raised to 3. The first frame at
    // once; a later pass's first frame after the last frame's delay; half of an overrun
    // taken off the next wait.
    struct {
        const char* name;
        std::vector<AnimFrame> frames;
        int loops, speed, overrun;
        std::vector<int64_t> times;
    } cases[] = {
        {"delays", WithDelays({1, 2, 0, -1, 50, 3}), 2, 100, 0,
         {0, 36, 72, 192, 312, 912, 948, 984, 1020, 1140, 1260, 1860}},
        {"double speed", WithDelays({10, 10}), -1, 200, 0, {0, 60}},
        {"overrun", WithDelays({10, 10, 10}), -1, 100, 10, {0, 130, 255}},
    };
    for (auto& c : cases) {
        auto image = LoadAnim(test::Animation(1, 1, c.frames, c.loops));
        image->AnimationSpeed = c.speed;
        EXPECT_EQ(Play(*image, c.overrun).times, c.times) << c.name;
    }
    // No drift: 200 frames land exactly on their schedule.
    std::vector<AnimFrame> many(200, AnimFrame{.Delay = 7});
    auto image = LoadAnim(test::Animation(1, 1, many));
    const auto times = Play(*image).times;
    ASSERT_EQ(times.size(), 200u);
    for (size_t i = 0; i < times.size(); ++i) ASSERT_EQ(times[i], static_cast<int64_t>(i) * 84) << i;
}

TEST(GIFPainter, Passes)
{
    struct {
        const char* name;
        int loopCount, emptyFrame, stopAfter;
        size_t compositions;
        int loops;
    } cases[] = {
        {"no loop extension: one pass", -1, -1, 1000, 2, 0},
        {"LoopCount 3: three passes", 3, -1, 1000, 6, 2},
        {"LoopCount 0: endless until stopped", 0, -1, 50, 50, 24},
        {"an empty frame ends each pass", 2, 1, 1000, 2, 1},
    };
    for (const auto& c : cases) {
        auto image = LoadAnim(test::Animation(1, 1, WithDelays({1, 1, 1}), c.loopCount));
        if (c.emptyFrame < 0) image->Images().Delete(2);  // two frames
        else image->Images()[c.emptyFrame].ReleasePixels();
        const Played played = Play(*image, 0, c.stopAfter);
        EXPECT_EQ(played.times.size(), c.compositions) << c.name;
        EXPECT_EQ(played.loops, c.loops) << c.name;
    }
    // A logical screen of width 0 starts nothing and shows nothing.
    Bytes file = test::Animation(0, 2, WithDelays({1, 1}));
    auto flat = LoadAnim(file);
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::white);
    TCanvas canvas(&target);
    flat->Draw(canvas, {0, 0, 4, 4});
    EXPECT_EQ(flat->PainterCount(), 0);
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 255, 255));
}

// Digits are entries (i, 2i, 3i); 't' the transparent index 7; 'W' white.
QRgb Expected(char c) { return c == 'W' ? qRgb(255, 255, 255) : qRgb(c - '0', 2 * (c - '0'), 3 * (c - '0')); }

AnimFrame At(int left, const char* pixels, int disposal)
{
    AnimFrame f{.Left = left, .Width = static_cast<int>(strlen(pixels)), .Disposal = disposal};
    f.Pixels.clear();
    for (const char* p = pixels; *p; ++p) {
        f.Pixels.push_back(*p == 't' ? 7 : static_cast<uint8_t>(*p - '0'));
        if (*p == 't') f.Transparent = 7;
    }
    return f;
}

std::vector<std::string> Composed(TGIFImage& image)
{
    std::vector<std::string> states;
    ComposeOnePass(image, [&](int, int, const QImage& work) {
        std::string s;
        for (int x = 0; x < work.width(); ++x) {
            char c = '?';
            for (char e : std::string("W0123456"))
                if (work.pixel(x, 0) == Expected(e)) c = e;
            s += c;
        }
        states.push_back(s);
    });
    return states;
}

TEST(GIFPainter, Composition)
{
    // A 3 x 1 screen over white; background colour B is entry 0.
    struct {
        const char* name;
        std::vector<AnimFrame> frames;
        std::vector<std::string> states;
        bool transparency = true;
    } cases[] = {
        {"no 2 or 3 in the picture: frames pile up", {At(0, "111", 1), At(1, "2", 0)}, {"111", "121"}},
        {"transparent pixels keep what is under", {At(0, "111", 1), At(0, "2t2", 1)}, {"111", "212"}},
        {"4 to 7 as 1 without 2 or 3", {At(0, "111", 1), At(1, "2", 4)}, {"111", "121"}},
        {"2 restores what lay under the picture", {At(0, "111", 2), At(0, "2", 1)}, {"111", "2WW"}},
        {"2 without transparency fills with B", {At(0, "111", 2), At(0, "2", 1)}, {"111", "200"}, false},
        {"3 after 1: straight on the target, gone next", {At(0, "111", 1), At(1, "2", 3), At(2, "3", 1)},
         {"111", "121", "113"}},
        {"3 after 3: over the state before", {At(0, "111", 1), At(0, "2", 3), At(1, "3", 3), At(2, "2", 1)},
         {"111", "211", "131", "112"}},
        {"3 after 2", {At(0, "111", 2), At(1, "2", 3), At(2, "3", 1)}, {"111", "W2W", "WW3"}},
        // Undefined disposals beside 2 or 3 are not drawn, and neither is 3 after them:
        // the Part's rule, where a decoder of the format would draw them as 1.
        {"4 to 7 with 2 or 3: not drawn", {At(0, "111", 1), At(1, "2", 5), At(2, "3", 3), At(0, "2", 1)},
         {"111", "111", "111", "211"}},
    };
    for (auto& c : cases) {
        auto image = LoadAnim(test::Animation(3, 1, c.frames));
        if (!c.transparency) image->DrawOptions &= ~DrawTransparent;
        EXPECT_EQ(Composed(*image), c.states) << c.name;
    }
}

TEST(GIFRender, DitheredToTheCube)
{
    // 3 x 2, local colours; index 3 transparent. Worked by hand: row 0 left to right,
    // row 1 right to left, errors in sixteenths.
    Bytes file = test::Header(3, 2, -1);
    test::Append(file, test::GraphicControl(0x01, 0, 3));
    test::Append(file, test::Descriptor(0, 0, 3, 2, 0x81));
    test::Append(file, {100, 150, 200, 30, 60, 250, 255, 0, 128, 26, 26, 26});
    test::Append(file, test::ImageData(Bytes{0, 1, 2, 3, 0, 1}, 2));
    file.push_back(0x3B);
    auto image = LoadAnim(file);
    SetPaletteDisplay(true);
    const QImage bitmap = RenderFrame(*image, image->Images()[0]);
    SetPaletteDisplay(false);
    ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
    const int expected[2][3] = {{CubeIndex(2, 3, 3), CubeIndex(0, 1, 5), CubeIndex(5, 0, 2)},
                                {-1, CubeIndex(2, 3, 4), CubeIndex(0, 1, 5)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const QRgb c = bitmap.color(bitmap.pixelIndex(x, y));
            if (expected[y][x] < 0) {
                EXPECT_EQ(qAlpha(c), 0);
                continue;
            }
            const int i = expected[y][x];
            EXPECT_EQ(c, qRgb(51 * (i / 36), 51 * (i / 6 % 6), 51 * (i % 6))) << x << "," << y;
        }
}

// The expected canvas laid over white.
QImage OverWhite(const uint8_t* rgba, int w, int h, bool bgra)
{
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, rgba += 4) {
            const int a = rgba[3], r = rgba[bgra ? 2 : 0], g = rgba[1], b = rgba[bgra ? 0 : 2];
            const auto mix = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
            out.setPixel(x, y, qRgb(mix(r), mix(g), mix(b)));
        }
    return out;
}

std::vector<QImage> ComposedStates(TGIFImage& image)
{
    std::vector<QImage> states;
    ComposeOnePass(image, [&](int, int, const QImage& work) { states.push_back(work.copy()); });
    return states;
}

TEST(GIFSuites, AnimationsComposedFromWhite)
{
    namespace fs = std::filesystem;
    const fs::path pygif = test::SuiteDir() / "pygif/test-suite";
    int checked = 0;
    for (const auto& e : fs::directory_iterator(pygif)) {
        if (e.path().extension() != ".conf") continue;
        std::map<std::string, std::string> config, section;
        std::map<std::string, std::map<std::string, std::string>> conf;
        std::ifstream in(e.path());
        std::string line, name;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') name = line.substr(1, line.find(']') - 1);
            else if (const size_t eq = line.find(" = "); eq != std::string::npos) conf[name][line.substr(0, eq)] = line.substr(eq + 3);
        }
        std::vector<std::string> frames;
        std::stringstream list(conf["config"]["frames"]);
        for (std::string f; std::getline(list, f, ',');) frames.push_back(f);
        if (frames.size() < 2) continue;
        auto image = LoadAnim(test::ReadFileBytes(pygif / conf["config"]["input"]));
        const auto all = ComposedStates(*image);
        // In its multi-image files the suite folds an image of delay 0 into the next one;
        // here every image is shown on its own for the default delay (the Part's rule),
        // so there only the state after each image with a delay is the suite's frame.
        std::vector<QImage> states;
        for (int n = 0; n < static_cast<int>(all.size()); ++n) {
            const TGIFGraphicControlExtension* control = image->Images()[n].GraphicControl;
            if (all.size() == frames.size() || (control && control->DelayTime > 0) || n + 1 == static_cast<int>(all.size()))
                states.push_back(all[n]);
        }
        ASSERT_EQ(states.size(), frames.size()) << e.path().filename();
        for (size_t i = 0; i < frames.size(); ++i) {
            const Bytes rgba = test::ReadFileBytes(pygif / conf[frames[i]]["pixels"]);
            ASSERT_EQ(rgba.size(), static_cast<size_t>(image->Width()) * image->Height() * 4);
            EXPECT_EQ(states[i], OverWhite(rgba.data(), image->Width(), image->Height(), false))
                << e.path().filename() << " state " << i;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 11);
    // The NIE frames of the second suite's animation (BGRA after a 16-byte header).
    const fs::path wuffs = test::SuiteDir() / "wuffs/test/data";
    auto image = LoadAnim(test::ReadFileBytes(wuffs / "animated-red-blue.gif"));
    const auto states = ComposedStates(*image);
    ASSERT_EQ(states.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const Bytes nie = test::ReadFileBytes(wuffs / ("animated-red-blue.00000" + std::to_string(i) + ".nie"));
        ASSERT_EQ(nie.size(), 16u + static_cast<size_t>(image->Width()) * image->Height() * 4);
        EXPECT_EQ(states[i], OverWhite(nie.data() + 16, image->Width(), image->Height(), true)) << "animated-red-blue " << i;
    }
}

}  // namespace
}  // namespace galimo
