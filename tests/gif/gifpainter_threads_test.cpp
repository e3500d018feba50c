// The painter on its thread with the real clock: the hand-over to the UI thread through the
// wait loops and through Qt's event loops, stops that cut a long wait short, errors shown
// on the UI thread, and open/close stress. Runs under ThreadSanitizer too.
#include "../common/fakes.h"
#include "../common/replacement.h"
#include "../common/testapp.h"
#include "gif/gifimage.h"
#include "gif/gifpainter.h"
#include "giftestutil.h"
#include "picture/bitmap.h"
#include "picture/image.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>

namespace galimo {
namespace {

using test::AnimFrame;
using test::Bytes;
using Clock = std::chrono::steady_clock;

std::unique_ptr<TGIFImage> LoadAnim(const Bytes& bytes)
{
    auto r = test::LoadGIF(bytes);
    EXPECT_EQ(r.error, "");
    return std::move(r.image);
}

// Three 2 x 1 frames of the given delay, each adding a colour.
Bytes ThreeFrames(int delay, int loopCount)
{
    return test::Animation(2, 1,
                           {{.Width = 2, .Pixels = {1, 1}, .Delay = delay},
                            {.Left = 1, .Pixels = {2}, .Delay = delay},
                            {.Left = 0, .Pixels = {3}, .Delay = delay}},
                           loopCount);
}

QRgb Entry(int i) { return qRgb(i, 2 * i, 3 * i); }

// The picture drawn once onto a white bitmap, as the thumbnail strip does.
TBitmap DrawOnce(TGIFImage& image)
{
    TBitmap target(2, 1, TPixelFormat::pf24bit);
    target.Canvas().BrushColor = Qt::white;
    target.Canvas().FillRect({0, 0, 2, 1});
    target.Canvas().StretchDraw({0, 0, 2, 1}, &image);
    return target;
}

class GIFPainterThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::TestApp();
        InitGIFModule(32);
    }
    test::TRecordingMessageBox box;
    test::TScopedReplacement<IMessageBox> guard{box};
};

TEST_F(GIFPainterThreads, PlaysToTheEndThroughTheWaitLoops)
{
    auto image = LoadAnim(ThreeFrames(1, 2));
    int changes = 0;
    image->OnChange = [&] { ++changes; };
    const auto start = Clock::now();
    const TBitmap first = DrawOnce(*image);
    EXPECT_EQ(first.Image().pixel(0, 0), Entry(1));  // the first frame composed before the draw returns
    EXPECT_EQ(first.Image().pixel(1, 0), Entry(1));
    ASSERT_EQ(image->PainterCount(), 1);
    TUIThreadQueue::Instance().ServeUntil([&] { return image->PainterCount() == 0; });
    // Two passes of three frames; five waits of 36 ms between the six compositions.
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(5 * 36));
    EXPECT_GE(changes, 6);
    // Finished: the last composition stays and no painter starts again.
    EXPECT_EQ(DrawOnce(*image).Image().pixel(0, 0), Entry(3));
    EXPECT_EQ(DrawOnce(*image).Image().pixel(1, 0), Entry(2));
    EXPECT_EQ(image->PainterCount(), 0);
}

TEST_F(GIFPainterThreads, AnImageControlRepaintsAtEachComposedFrame)
{
    const std::string file = (std::filesystem::temp_directory_path() / "galimo-painter-test.gif").string();
    {
        const Bytes bytes = ThreeFrames(1, -1);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    auto control = std::make_unique<TImage>();
    control->SetStretch(true);
    control->resize(20, 10);
    control->Picture().LoadFromFile(file);
    int changes = 0;
    control->Picture().OnChange = [&] { ++changes; };
    EXPECT_EQ(control->grab().toImage().pixel(17, 5), Entry(1));  // the first paint starts it
    auto* gif = static_cast<TGIFImage*>(control->Picture().Graphic());
    TUIThreadQueue::Instance().ServeUntil([&] { return gif->PainterCount() == 0; });
    EXPECT_GE(changes, 2);
    const QImage last = control->grab().toImage();
    EXPECT_EQ(last.pixel(17, 5), Entry(2));
    EXPECT_EQ(last.pixel(2, 5), Entry(3));
    // A new file into the control stops the old picture's painter; closing stops the new one.
    control->Picture().LoadFromFile(file);
    control->grab();
    control.reset();
    std::filesystem::remove(file);
}

TEST_F(GIFPainterThreads, QtEventLoopsServeThePainter)
{
    // Endless; an event loop inside an event loop (a modal box's) keeps it going.
    auto image = LoadAnim(ThreeFrames(1, 0));
    DrawOnce(*image);
    int compositions = 0;
    image->OnChange = [&] { ++compositions; };
    QEventLoop outer, modal;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(400, &modal, &QEventLoop::quit);
        modal.exec();
        outer.quit();
    });
    outer.exec();
    EXPECT_GE(compositions, 5);
    // Closing mid-animation: the picture goes at once.
    const auto start = Clock::now();
    image.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(GIFPainterThreads, StopsCutTheLongestWaitShort)
{
    // The second frame is due 65535 units (13 minutes) after the first.
    const Bytes file = ThreeFrames(65535, 0);
    auto image = LoadAnim(file);
    DrawOnce(*image);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // into its wait
    auto start = Clock::now();
    TMemoryStream stream(file.data(), file.size());
    image->LoadFromStream(stream);  // a reload stops it first
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(image->PainterCount(), 0);
    EXPECT_EQ(image->WorkBitmap(), nullptr);  // idle again; the next draw starts anew
    EXPECT_EQ(DrawOnce(*image).Image().pixel(1, 0), Entry(1));
    start = Clock::now();
    image.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

TEST_F(GIFPainterThreads, AnErrorOfThePainterIsShownOnTheUIThread)
{
    auto image = LoadAnim(ThreeFrames(1, -1));
    const auto ui = std::this_thread::get_id();
    std::thread::id raisedOn;
    image->PaintNotifications.OnAfterPaint = [&](TGIFPainter& p) {
        raisedOn = std::this_thread::get_id();
        if (p.ActiveFrame() == 1) throw GIFException("Frame went missing");
    };
    DrawOnce(*image);
    TUIThreadQueue::Instance().ServeUntil([&] { return image->PainterCount() == 0; });
    EXPECT_EQ(raisedOn, ui);
    ASSERT_EQ(box.Calls.size(), 1u);
    EXPECT_EQ(box.Calls[0].text, "Frame went missing.");
    EXPECT_EQ(DrawOnce(*image).Image().pixel(1, 0), Entry(2));  // what was composed so far stays
}

TEST_F(GIFPainterThreads, OpenAndCloseStress)
{
    // As an album browsed quickly: the thumbnail's hidden picture and the photo view's,
    // each reloaded or replaced while its painter waits or composes.
    const Bytes fast = ThreeFrames(1, 0), slow = ThreeFrames(65535, 0);
    std::unique_ptr<TGIFImage> thumb, photo;
    const auto start = Clock::now();
    for (int round = 0; round < 300; ++round) {
        thumb = LoadAnim(round % 3 ? fast : slow);
        DrawOnce(*thumb);
        if (round % 2) {
            TMemoryStream stream(fast.data(), fast.size());
            if (!photo) photo = LoadAnim(slow);
            photo->LoadFromStream(stream);
        } else {
            photo = LoadAnim(slow);
        }
        DrawOnce(*photo);
        if (round % 25 == 0) {
            // Let the fast one play a few frames, then close it mid-animation.
            const auto until = Clock::now() + std::chrono::milliseconds(50);
            TUIThreadQueue::Instance().ServeUntil([&] { return Clock::now() >= until; });
        }
        TUIThreadQueue::Instance().Serve();
    }
    thumb.reset();
    photo.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(40));
    EXPECT_TRUE(box.Calls.empty());
}

}  // namespace
}  // namespace galimo
