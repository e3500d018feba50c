#include "browser/layout.h"
#include "platform/core/arith.h"

#include <gtest/gtest.h>

using namespace galimo;

TEST(ThumbnailLayout, WorkedSizesAndPositions)
{
    struct Row {
        int w, h;
        float r;
        Size2 size;
        Point2 at;
    } rows[] = {
        {640, 480, 0.75f, {120, 90}, {1, 15}},       {480, 640, 1.3333334f, {89, 120}, {17, 0}},
        {1000, 1500, 1.5f, {80, 120}, {21, 0}},      {1500, 1000, 0.6666667f, {120, 80}, {1, 20}},
        {1920, 1080, 0.5625f, {120, 67}, {1, 27}},   {100, 100, 1.0f, {120, 120}, {1, 0}},
    };
    for (const Row& row : rows) {
        const float r = Ratio(row.h, row.w);
        EXPECT_EQ(r, row.r) << row.w << "x" << row.h;
        const Size2 size = ThumbnailSize(r);
        EXPECT_EQ(size, row.size) << row.w << "x" << row.h;
        EXPECT_EQ(ThumbnailPosition(0, size), row.at) << row.w << "x" << row.h;
    }
}

TEST(ThumbnailLayout, FileThreeIsCentredAt450)
{
    const Size2 s = ThumbnailSize(Ratio(480, 640));
    const Point2 at = ThumbnailPosition(3, s);
    EXPECT_EQ(at.Y + s.Height / 2, 450);
    EXPECT_EQ(at, (Point2{1, 405}));
}

TEST(PhotoLayout, WorkedExamplesIn657By597)
{
    struct Row {
        int w, h;
        bool natural;
        Size2 size;
        Point2 at;
    } rows[] = {
        {640, 480, true, {640, 480}, {8, 58}},    {400, 300, true, {400, 300}, {128, 148}},
        {657, 400, false, {647, 394}, {5, 101}},  {1024, 768, false, {647, 485}, {5, 56}},
        {768, 1024, false, {440, 587}, {108, 5}}, {2000, 1000, false, {647, 324}, {5, 136}},
        {1000, 950, false, {647, 615}, {5, 0}},   {480, 640, false, {440, 587}, {108, 5}},
        {600, 597, false, {647, 644}, {5, 0}},
    };
    for (const Row& row : rows) {
        const float ratio = Ratio(row.h, row.w);
        EXPECT_EQ(ShowsNatural(row.w, row.h, 657, 597), row.natural) << row.w << "x" << row.h;
        const Size2 size = row.natural ? Size2{row.w, row.h} : FitPhoto(ratio, 657, 597);
        EXPECT_EQ(size, row.size) << row.w << "x" << row.h;
        EXPECT_EQ(PlacePhoto(size, 657, 597), row.at) << row.w << "x" << row.h;
    }
}

TEST(PhotoLayout, FitRoundsHalfToEven)
{
    // 647 x 0.5 = 323.5 -> 324; a ratio giving 324.5 must give 324 too.
    EXPECT_EQ(FitPhoto(0.5f, 657, 597).Height, 324);
    EXPECT_EQ(FitPhoto(0.5f, 659, 597).Height, 324);  // 649 x 0.5 = 324.5
    EXPECT_EQ(FitPhoto(0.5f, 661, 597).Height, 326);  // 325.5 -> 326
}

TEST(PhotoLayout, NaturalScrollPositionsShowTheMiddleClamped)
{
    EXPECT_EQ(CentredScrollPosition(1024, 657, 400), 183);
    EXPECT_EQ(CentredScrollPosition(768, 597, 200), 85);
    EXPECT_EQ(CentredScrollPosition(768, 597, 50), 50);  // clamped to the bar's maximum
    EXPECT_EQ(CentredScrollPosition(400, 657, 0), 0);    // smaller than the view
}

// Both handlers apply this one placement: on a new picture and on each zoom toggle.
TEST(PhotoLayout, PlacementForEachZoomMode)
{
    struct Row {
        Size2 natural, view;
        TZoom zoom;
        PhotoPlacement want;
        double scale = 1.0;  // screen pixels per form unit
    } rows[] = {
        // Natural and smaller than the view: centred, nothing to scroll.
        {{640, 480}, {657, 597}, ZoomNatural, {{640, 480}, {8, 58}, {640, 480}, {0, 0}}},
        // Natural and larger: from the corner, the middle scrolled into view.
        {{1024, 768}, {657, 597}, ZoomNatural, {{1024, 768}, {0, 0}, {1024, 768}, {183, 85}}},
        // Larger one way only: centred across, scrolled along.
        {{400, 1000}, {657, 597}, ZoomNatural, {{400, 1000}, {128, 0}, {400, 1000}, {0, 201}}},
        // Fitted, landscape and portrait: the long side 10 short, from the start.
        {{1024, 768}, {657, 597}, ZoomFitted, {{647, 485}, {5, 56}, {647, 485}, {0, 0}}},
        {{768, 1024}, {657, 597}, ZoomFitted, {{440, 587}, {108, 5}, {440, 587}, {0, 0}}},
        // A small picture fitted grows to the view.
        {{400, 300}, {657, 597}, ZoomFitted, {{647, 485}, {5, 56}, {647, 485}, {0, 0}}},
        // Fitted taller than the view (the width rules): from the top, scrolled at 0.
        {{600, 597}, {657, 597}, ZoomFitted, {{647, 644}, {5, 0}, {647, 644}, {0, 0}}},
        // On a screen drawn at 1.8 the view is 1183 x 1075 pixels: a photo larger than the form's
        // view fits the screen's and shows at natural size, its pixels covered (569 x 427 units).
        {{1024, 768}, {657, 597}, ZoomNatural, {{569, 427}, {44, 85}, {569, 427}, {0, 0}}, 1.8},
        // Larger than the screen's view: the middle scrolled into view, in form units.
        {{2000, 1500}, {657, 597}, ZoomNatural, {{1112, 834}, {0, 0}, {1112, 834}, {227, 118}}, 1.8},
        // Fitted in screen pixels (1173 x 880), given back in form units.
        {{4000, 3000}, {657, 597}, ZoomFitted, {{652, 489}, {3, 54}, {652, 489}, {0, 0}}, 1.8},
        // At 1.28 (1366 x 768) a portrait: 503 x 754 pixels, the height 10 short of 764.
        {{3000, 4500}, {657, 597}, ZoomFitted, {{393, 589}, {132, 4}, {393, 589}, {0, 0}}, 1.28},
    };
    for (const Row& row : rows) {
        const PhotoPlacement got = PlacePhotoInView(row.natural, row.view, row.zoom, row.scale);
        const auto where = testing::Message() << row.natural.Width << "x" << row.natural.Height << " zoom " << static_cast<int>(row.zoom)
                                              << " at " << row.scale;
        EXPECT_EQ(got.Size, row.want.Size) << where;
        EXPECT_EQ(got.At, row.want.At) << where;
        EXPECT_EQ(got.Range, row.want.Range) << where;
        EXPECT_EQ(got.Scroll, row.want.Scroll) << where;
    }
}
