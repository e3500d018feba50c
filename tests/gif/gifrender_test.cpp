// Drawing a GIF picture: the first frame through its colour table, in its place on the
// logical screen, with the canvas showing through transparent and uncovered pixels.
#include "gif/gifimage.h"
#include "gif/gifrender.h"
#include "giftestutil.h"
#include "picture/bitmap.h"

#include <gtest/gtest.h>

namespace galimo {
namespace {

using test::Append;
using test::Bytes;

// A white canvas of w x h with the picture drawn into rect.
QImage DrawOnWhite(TGIFImage& image, int w, int h, const TRect& rect)
{
    QImage target(w, h, QImage::Format_RGB32);
    target.fill(Qt::white);
    TCanvas canvas(&target);
    image.Draw(canvas, rect);
    return target;
}

std::unique_ptr<TGIFImage> Load(const Bytes& bytes)
{
    auto r = test::LoadGIF(bytes);
    EXPECT_EQ(r.error, "");
    return std::move(r.image);
}

// Header(...) makes entry i = (i, 2i, 3i).
QRgb Entry(int i) { return qRgb(i, 2 * i, 3 * i); }

TEST(GIFRender, FirstFrameAtNaturalSize)
{
    // 4 x 4 screen; frame 0 is 2 x 2 at (1, 1), index 1 transparent; frame 1 covers all.
    Bytes file = test::Header(4, 4, 2);
    Append(file, test::GraphicControl(0x01, 0, 1));
    Append(file, test::Descriptor(1, 1, 2, 2));
    Append(file, test::ImageData(Bytes{1, 2, 3, 4}, 3));
    Append(file, test::Descriptor(0, 0, 4, 4));
    Append(file, test::ImageData(Bytes(16, 5), 3));
    file.push_back(0x3B);
    auto image = Load(file);
    image->DrawOptions &= ~DrawAnimate;  // animation off: frame 0, every time
    const QImage out = DrawOnWhite(*image, 4, 4, {0, 0, 4, 4});
    const QRgb W = qRgb(255, 255, 255);
    const QRgb expected[4][4] = {
        {W, W, W, W},
        {W, W, Entry(2), W},  // (1,1) is transparent: the white stays
        {W, Entry(3), Entry(4), W},
        {W, W, W, W},
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(out.pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(GIFRender, FramePlacedByScaling)
{
    // Screen 10 x 10, frame 5 x 5 at (5, 0), drawn into (20, 10, 40, 30): the frame lands
    // at (30, 10)-(40, 20), and nothing is drawn elsewhere.
    Bytes file = test::Header(10, 10, 2);
    Append(file, test::Descriptor(5, 0, 5, 5));
    Append(file, test::ImageData(Bytes(25, 6), 3));
    file.push_back(0x3B);
    auto image = Load(file);
    EXPECT_EQ(ScaleFrameRect(*image, image->Images()[0], {20, 10, 40, 30}), (TRect{30, 10, 40, 20}));
    const QImage out = DrawOnWhite(*image, 50, 40, {20, 10, 40, 30});
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool inside = x >= 30 && x < 40 && y >= 10 && y < 20;
            ASSERT_EQ(out.pixel(x, y), inside ? Entry(6) : qRgb(255, 255, 255)) << x << "," << y;
        }
}

TEST(GIFRender, ColourTables)
{
    // A local table wins; an index beyond the table is black.
    Bytes file = test::Header(3, 1, 1);
    Append(file, test::Descriptor(0, 0, 3, 1, 0x80));
    Append(file, {10, 20, 30, 40, 50, 60});
    Append(file, test::ImageData(Bytes{1, 0, 3}, 2));
    file.push_back(0x3B);
    auto image = Load(file);
    const QImage out = DrawOnWhite(*image, 3, 1, {0, 0, 3, 1});
    EXPECT_EQ(out.pixel(0, 0), qRgb(40, 50, 60));
    EXPECT_EQ(out.pixel(1, 0), qRgb(10, 20, 30));
    EXPECT_EQ(out.pixel(2, 0), qRgb(0, 0, 0));

    // Neither table: the first draw fails with the reader's message.
    Bytes bare = test::Header(2, 2, -1);
    Append(bare, test::Descriptor(0, 0, 2, 2));
    Append(bare, test::ImageData(Bytes{0, 1, 1, 0}, 2));
    bare.push_back(0x3B);
    auto none = Load(bare);
    QImage target(2, 2, QImage::Format_RGB32);
    TCanvas canvas(&target);
    try {
        none->Draw(canvas, {0, 0, 2, 2});
        ADD_FAILURE() << "drawing without colours must fail";
    } catch (const GIFException& e) {
        EXPECT_EQ(std::string(e.what()), "No global or local color table defined");
    }
    // The failure leaves the picture able to try again (and fail the same way).
    EXPECT_THROW(none->Draw(canvas, {0, 0, 2, 2}), GIFException);
}

TEST(GIFRender, NothingToDrawIsNoError)
{
    TGIFImage empty;
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::white);
    TCanvas canvas(&target);
    empty.Draw(canvas, {0, 0, 4, 4});  // no frames
    Bytes file = test::Header(4, 4, 1);
    Append(file, {0x21, 0xFE, 1, 'x', 0});  // a frame of extensions only
    file.push_back(0x3B);
    auto image = Load(file);
    image->Draw(canvas, {0, 0, 4, 4});
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 255, 255));
}

TEST(GIFRender, RenderedOnceAndDrawnAtAnySize)
{
    Bytes file = test::Header(64, 40, 7);
    Bytes pixels(64 * 40);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 64 < 32 ? 10 : 20);
    Append(file, test::Descriptor(0, 0, 64, 40));
    Append(file, test::ImageData(pixels, 8));
    file.push_back(0x3B);
    auto image = Load(file);
    int renders = 0;
    image->OnProgress = [&](ProgressStage s, int, bool) { renders += s == ProgressStage::Starting; };
    for (int size : {120, 32, 64, 200}) {
        const QImage out = DrawOnWhite(*image, size, size, {0, 0, size, size});
        // Left half entry 10, right half entry 20, whatever the scale.
        EXPECT_EQ(out.pixel(size / 8, size / 2), Entry(10)) << size;
        EXPECT_EQ(out.pixel(size - 1 - size / 8, size / 2), Entry(20)) << size;
    }
    EXPECT_EQ(renders, 1);
}

TEST(GIFRender, ThumbnailThroughABitmapCanvas)
{
    // As the thumbnail strip does: a white 120 x 120 bitmap, the picture stretched in.
    Bytes file = test::Header(30, 20, 2);
    Append(file, test::GraphicControl(0x01, 0, 0));
    Append(file, test::Descriptor(0, 0, 30, 20));
    Bytes pixels(600, 3);
    for (int x = 0; x < 30; ++x) pixels[static_cast<size_t>(x)] = 0;  // a transparent top row
    Append(file, test::ImageData(pixels, 3));
    file.push_back(0x3B);
    auto image = Load(file);
    TBitmap thumb(120, 120, TPixelFormat::pf24bit);
    thumb.Canvas().BrushColor = Qt::white;
    thumb.Canvas().FillRect({0, 0, 120, 120});
    thumb.Canvas().StretchDraw({0, 0, 120, 80}, image.get());
    EXPECT_EQ(thumb.Image().pixel(60, 1), qRgb(255, 255, 255));
    EXPECT_EQ(thumb.Image().pixel(60, 40), Entry(3));
    EXPECT_EQ(thumb.Image().pixel(60, 100), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace galimo
