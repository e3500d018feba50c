// The orientation a camera or phone records in a JPEG's EXIF block (values 1 to 8), the
// camera's own small JPEG thumbnail there, and the turn that makes a decoded picture upright.
// Our own reader: it looks for one tag of the first image directory and the two of the
// second, in bounds-checked steps over the kept bytes.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace galimo {

// 1 (as stored) .. 8; 1 when the file has no tag or a value outside 1..8.
int ExifOrientation(const uint8_t* data, size_t size);

// Where the EXIF block's JPEG thumbnail lies in the file's bytes; Length 0 when it has none
// or the thumbnail would reach past the block.
struct TExifThumbnail {
    size_t Offset = 0;
    size_t Length = 0;
};
TExifThumbnail ExifThumbnail(const uint8_t* data, size_t size);

// A JPEG of at most this many bytes declaring more than ExifThumbnailMaxPixels is no
// camera's thumbnail: it is a bid for a huge decode.
constexpr size_t ExifThumbnailSmallFile = 64 * 1024;
constexpr int64_t ExifThumbnailMaxPixels = 1024 * 1024;

// The camera's thumbnail (stored thumbW x thumbH in `bytes` bytes, in the file's orientation)
// upright, when it may stand in for a photo of upright size photoW x photoH: plausible for its
// bytes, and of the photo's proportions within one pixel. An empty size otherwise (a
// thumbnail of other proportions is one that a camera letterboxed). Whether a draw may use it
// is the picture's to decide, from the draw's size.
QSize ExifThumbnailUse(int photoW, int photoH, int thumbW, int thumbH, int orientation, size_t bytes);

// Orientations 5 to 8 turn the picture a quarter: its upright width is its stored height.
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The stored picture turned and mirrored upright (8-bit indexed or 32-bit pixels; the
// colour table goes with it). Orientation 1 returns it unchanged.
QImage Upright(const QImage& stored, int orientation);

}  // namespace galimo
