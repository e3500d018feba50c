// Photos taken with the camera turned: the EXIF orientation puts them upright, in their
// size before decoding and in every pixel after.
#include "jpegtestutil.h"

#include "picture/bitmap.h"
#include "picture/exiforientation.h"
#include "picture/jpegimage.h"
#include "platform/stream.h"

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
