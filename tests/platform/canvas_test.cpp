#include "platform/drawing/canvas.h"
#include "../common/testapp.h"

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

using namespace galimo;

TEST(Canvas, ShrinkingAveragesEveryDroppedPixel)
{
    // A one-pixel checkerboard shrunk by 4 must come out an even grey, not black or white.
    QImage checker(400, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) checker.setPixel(x, y, ((x + y) & 1) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QImage small = ShrinkAverage(checker, 100, 100);
    ASSERT_EQ(small.size(), QSize(100, 100));
    for (int y = 0; y < 100; y += 13)
        for (int x = 0; x < 100; x += 11) EXPECT_NEAR(qRed(small.pixel(x, y)), 128, 1);

    // Uneven ratios still cover every source pixel once: the mean colour is kept.
    QImage halves(7, 3, QImage::Format_RGB888);
    halves.fill(qRgb(10, 200, 30));
    const QImage two = ShrinkAverage(halves, 2, 1);
    EXPECT_EQ(two.pixel(0, 0), qRgb(10, 200, 30));
    EXPECT_EQ(two.pixel(1, 0), qRgb(10, 200, 30));

    // A translucent colour keeps its alpha and its channels in place, at a photo's ratios and
    // at a thumbnail's.
    QImage glass(400, 300, QImage::Format_ARGB32_Premultiplied);
    glass.fill(qRgba(64, 32, 16, 128));
    for (const QSize size : {QSize(233, 177), QSize(7, 5)}) {
        const QImage shrunk = ShrinkAverage(glass, size.width(), size.height());
        for (const QPoint at : {QPoint(0, 0), QPoint(size.width() - 1, size.height() / 2)})
            EXPECT_EQ(shrunk.pixel(at), qRgba(64, 32, 16, 128)) << size.width() << " at " << at.x();
    }
}

TEST(Canvas, StretchFillsTheRectangleWithRightAndBottomExclusive)
{
    galimo::test::TestApp();
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::black);
    QImage red(3, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    TCanvas canvas(static_cast<QPaintDevice*>(&target));
    canvas.StretchImage({2, 2, 8, 6}, red);
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(7, 5), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(8, 5), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(7, 6), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 0));
    // An inverted rectangle draws nothing (no mirrored picture).
    canvas.StretchImage({9, 9, 0, 0}, red);
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(Canvas, LinesLeaveOutTheirEndPoint)
{
    galimo::test::TestApp();
    QImage target(10, 3, QImage::Format_RGB32);
    target.fill(Qt::white);
    TCanvas canvas(static_cast<QPaintDevice*>(&target));
    canvas.MoveTo(1, 1);
    canvas.LineTo(6, 1);
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(5, 1), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(6, 1), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(3, 0), qRgb(255, 255, 255));
}
