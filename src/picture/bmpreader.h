// The Windows bitmap reader: file or packed-DIB bytes in, a checked description and the
// pixels out. No Qt here; the caller owns the pixel buffer (TBitmap hands it its QImage's),
// so a load costs the file's bytes and one decoded image, nothing more.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace galimo {

// What the reader produces, in the layout of the matching QImage formats.
enum class BmpPixels {
    Mono,      // 1 bit a pixel, most significant bit first, 2-entry palette
    Indexed8,  // 1 byte a pixel, 256-entry palette
    Rgb32,     // 0xFFRRGGBB
    Argb32,    // 0xAARRGGBB, not premultiplied
};

enum class BmpHeaderResult { Ok, Invalid, TooBig };

// More pixels than this are refused before anything is allocated (as JPEG pictures are).
constexpr uint64_t BmpMaxPixels = uint64_t(1) << 28;

struct BmpLayout {
    // Wide enough for any declared size (a height of -2^31 is 2^31 rows); once the header is
    // Ok both fit an int.
    int64_t Width = 0;
    int64_t Height = 0;  // always positive; TopDown tells the row order
    bool TopDown = false;
    int BitCount = 0;
    uint32_t Compression = 0;
    BmpPixels Pixels = BmpPixels::Rgb32;
    std::array<uint32_t, 256> Palette{};  // 0xFFRRGGBB; entries past the file's table are black
    std::array<uint32_t, 4> Masks{};      // red, green, blue, alpha (16 and 32 bits a pixel)
    size_t PixelOffset = 0;               // where the pixel bytes start in the input
};

// Reads and checks the headers of `data` ("BM" file, or, when `packedAllowed`, a DIB with
// no file header). Ok means DecodeBmpPixels may be called with an image of the layout's
// size; TooBig means Width x Height exceeds BmpMaxPixels (Width and Height are set).
BmpHeaderResult ReadBmpHeader(const uint8_t* data, size_t size, bool packedAllowed, BmpLayout& layout);

// Fills the image: Height rows of `stride` bytes, top row first, in the layout's Pixels
// format. Every pixel of every row is written, also those the file does not hold.
void DecodeBmpPixels(const uint8_t* data, size_t size, const BmpLayout& layout, uint8_t* image, ptrdiff_t stride);

}  // namespace galimo
