// Photos taken with the camera turned: the EXIF orientation puts them upright, in their
// size before decoding and in every pixel after.
#include "../common/jpegtestutil.h"

#include "picture/bitmap.h"
#include "picture/exiforientation.h"
#include "picture/jpegimage.h"
#include "platform/files/stream.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace galimo {
namespace {

TEST(JPEGOrientation, EveryOrientationShowsTheSamePictureUpright)
{
    InitJPEGModule(32);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (const int components : {3, 1}) {  // 32-bit and 8-bit grey bitmaps
            SCOPED_TRACE("orientation " + std::to_string(orientation) + ", components " + std::to_string(components));
            const jpegtest::Bytes bytes = jpegtest::OrientedQuarters(orientation, components);
            ASSERT_EQ(ExifOrientation(bytes.data(), bytes.size()), orientation);
            TJPEGImage image;
            TMemoryStream stream(bytes);
            image.LoadFromStream(stream);
            EXPECT_EQ(image.Width(), 8);  // before decoding: what the thumbnail strip measures
            EXPECT_EQ(image.Height(), 4);
            const QImage& shown = image.Bitmap().Image();
            ASSERT_EQ(shown.size(), QSize(8, 4));
            EXPECT_EQ(image.Width(), 8);
            for (const auto& [x, y] : {std::pair{0, 0}, std::pair{7, 0}, std::pair{0, 3}, std::pair{7, 3}})
                EXPECT_NEAR(qGray(shown.pixel(x, y)), jpegtest::kUprightGrey[y / 2][x / 4], 12) << x << "," << y;
        }
    }
}

TEST(JPEGOrientation, ValuesOutsideOneToEightLeaveThePictureAsStored)
{
    for (const int value : {0, 9, 0xFFFF}) {
        const jpegtest::Bytes tagged = jpegtest::WithOrientation(jpegtest::OrientedQuarters(1, 3), value, true);
        EXPECT_EQ(ExifOrientation(tagged.data(), tagged.size()), 1) << value;
    }
}

// When the camera's thumbnail stands in for the photo in the strip, and at what upright size;
// last, a real file: the thumbnail (blue left, green right as stored) of a red photo turned
// a quarter, drawn into the strip's box and never into the photo view's.
TEST(JPEGOrientation, TheCamerasThumbnailStandsInWhenLargeEnoughAndOfThePhotosShape)
{
    struct Row {
        int photoW, photoH, thumbW, thumbH, orientation;
        QSize used;
        size_t bytes = 6000;
    } rows[] = {
        {4000, 3000, 160, 120, 1, {160, 120}},  // the usual camera thumbnail
        {6000, 4000, 160, 107, 1, {160, 107}},  // 3:2, a third of a pixel off
        {4000, 3000, 119, 89, 1, {119, 89}},    // smaller than the box: the draw decides
        {4000, 2250, 160, 120, 1, {}},          // 16:9 photo, letterboxed 4:3 thumbnail
        {4000, 3000, 160, 118, 1, {}},          // two pixels off
        {4000, 3000, 0, 0, 1, {}},              // absent
        {3000, 4000, 160, 120, 6, {120, 160}},  // held upright: turned as the photo
        {3000, 4000, 160, 120, 1, {}},          // a portrait with a landscape thumbnail
        {4000, 3000, 16000, 12000, 1, {}, 40000},  // 192 megapixels in 40 KB: a bid for 1 GB
    };
    for (const Row& r : rows)
        EXPECT_EQ(ExifThumbnailUse(r.photoW, r.photoH, r.thumbW, r.thumbH, r.orientation, r.bytes), r.used)
            << r.photoW << "x" << r.photoH << " " << r.thumbW << "x" << r.thumbH << " " << r.orientation;

    InitJPEGModule(32);
    const jpegtest::Bytes bytes =
        jpegtest::ReadFile(std::string(GALIMO_SOURCE_DIR) + "/fuzz/exif/corpus/orientation-6-thumbnail.jpg");
    EXPECT_GT(ExifThumbnail(bytes.data(), bytes.size()).Length, 0u);
    TJPEGImage image, shown;
    TMemoryStream stream(bytes), again(bytes);
    image.LoadFromStream(stream);
    shown.LoadFromStream(again);
    image.CameraThumbnailAllowed = true;  // the strip's
    TBitmap box(120, 120, TPixelFormat::pf24bit);
    box.Canvas().StretchDraw({0, 0, 120, 120}, &image);
    EXPECT_EQ(image.DecodedEighths(), 0);
    EXPECT_EQ(QSize(image.Width(), image.Height()), QSize(480, 640));
    const QRgb top = box.Image().pixel(60, 10), bottom = box.Image().pixel(60, 110);
    EXPECT_GT(qBlue(top), 150) << std::hex << top;
    EXPECT_GT(qGreen(bottom), 150) << std::hex << bottom;
    shown.Draw(box.Canvas(), {0, 0, 120, 120});
    EXPECT_NE(shown.DecodedEighths(), 0);
    TBitmap view(300, 400, TPixelFormat::pf24bit);  // larger: the photo itself
    view.Canvas().StretchDraw({0, 0, 300, 400}, &image);
    EXPECT_GT(qRed(view.Image().pixel(150, 200)), 150);
}

// The fuzz seeds: each file names the orientation it carries.
TEST(JPEGOrientation, FuzzSeedsGiveTheOrientationTheyCarry)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(GALIMO_SOURCE_DIR) / "fuzz/exif/corpus")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("orientation-", 0) != 0) continue;
        ++files;
        const jpegtest::Bytes bytes = jpegtest::ReadFile(entry.path().string());
        EXPECT_EQ(ExifOrientation(bytes.data(), bytes.size()), name[12] - '0') << name;
    }
    EXPECT_GE(files, 3);
}

}  // namespace
}  // namespace galimo
