// Helpers of the JPEG tests: the library used directly (reference decodes, files made to
// order) and small byte surgery on JPEG headers.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace galimo::jpegtest {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path);
// A file of tests/data/jpeg.
Bytes TestFile(const std::string& name);

// A plain library decode with its default parameters; components per pixel as the output
// colour space gives them (3 for colour, 1 for grey, 4 for CMYK).
struct PlainImage {
    int width = 0, height = 0, components = 0;
    std::vector<uint8_t> pixels;
    bool adobe = false;
    uint8_t At(int x, int y, int c) const { return pixels[(static_cast<size_t>(y) * width + x) * components + c]; }
};
PlainImage PlainDecode(const Bytes& jpeg);

// Compresses raw pixels (components 1, 3 or 4) to a JPEG. For 4 components the colour
// space is CMYK or YCCK as asked; the library writes the Adobe marker for both.
Bytes Compress(const std::vector<uint8_t>& pixels, int width, int height, int components, bool ycck = false,
               int quality = 95, bool adobeMarker = true);

// Offset of the first byte after the marker 0xFF code (the segment length), or npos.
size_t FindMarker(const Bytes& jpeg, uint8_t code);
// The first start-of-frame segment: offset of its precision byte.
size_t FrameHeader(const Bytes& jpeg);
Bytes WithSize(Bytes jpeg, int width, int height);
// A multi-scan file whose second scan names a component the frame lacks: the header reads,
// decoding fails.
Bytes WithBrokenSecondScan(Bytes jpeg);

// An EXIF block with one orientation tag, in either byte order, put after the JFIF segment.
Bytes WithOrientation(const Bytes& jpeg, int orientation, bool littleEndian);

// A photo that shows upright as 8 x 4 quarters of grey 0, 85 (top left, top right), 170,
// 255 (bottom left, bottom right), stored the way a camera held by orientation 1..8 stores
// it, tagged so. Grey levels keep the test clear of chroma subsampling.
constexpr int kUprightGrey[2][2] = {{0, 85}, {170, 255}};
Bytes OrientedQuarters(int orientation, int components);

}  // namespace galimo::jpegtest
