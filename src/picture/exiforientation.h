// The orientation a camera or phone records in a JPEG's EXIF block (values 1 to 8), and the
// turn that makes a decoded picture upright. Our own reader: it looks for one tag of the
// first image directory and nothing else, in bounds-checked steps over the kept bytes.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace galimo {

// 1 (as stored) .. 8; 1 when the file has no tag or a value outside 1..8.
int ExifOrientation(const uint8_t* data, size_t size);

// Orientations 5 to 8 turn the picture a quarter: its upright width is its stored height.
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The stored picture turned and mirrored upright (8-bit indexed or 32-bit pixels; the
// colour table goes with it). Orientation 1 returns it unchanged.
QImage Upright(const QImage& stored, int orientation);

}  // namespace galimo
