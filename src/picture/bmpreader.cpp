#include "picture/bmpreader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

// What this reader tolerates, and why. The reference is the platform's own bitmap reader:
// what it opens must open here and draw the same.
//
//  1. The file header's size field is never read: writers put the file size there, or
//     the size of the headers alone (26, 54, 78), or nothing.
//  2. The pixel offset of the file header is used when it points past the headers and
//     into the file: some writers leave a gap after the colour table. Pointing into the
//     headers or past the end, it is ignored and the pixels are taken to follow the colour
//     table, as in a packed DIB; so too when it points into a table whose length the header
//     declares, if the file holds that table and every row after it (some writers put the
//     end of the headers there). An OS/2 header declares no length: its table ends at the
//     offset (3).
//  3. A colour table shorter than 2^n entries (by its colours-used field, or by the room an
//     OS/2 file leaves before its pixel offset) is used as it is: indices past it draw
//     black, as the platform's zeroed table does.
//  4. A colour table longer than the pixels can index (or one in a 16-, 24- or 32-bit
//     file) is skipped over; a longer table's first 2^n entries are the ones used.
//  5. The image-size, resolution, colour-space, gamma and profile fields are not read:
//     writers fill them badly and the platform draws without colour management.
//  6. Alpha is read only where a mask names it (headers of 56 bytes and more, or
//     BI_ALPHABITFIELDS); the fourth byte of a colour-table entry, the top bit of a 16-bit
//     BI_RGB pixel and the top byte of a 32-bit BI_RGB pixel are padding and are ignored.
//  7. A file cut short shows the rows it holds; the rows it lacks show as the pixels an RLE
//     stream never writes (below). A stream that ends without its end-of-bitmap code shows
//     what it decoded.
//  8. RLE: the pixels a run puts past its row's end are dropped (no wrapping onto the next
//     row); a run, a delta or an end-of-line past the last row ends the picture; pixels
//     never written show colour 0 of the table.
//  9. Channel masks may be of any width and at any place in the pixel; each channel is
//     scaled to 8 bits as round(v * 255 / max), so a full channel is 255 whatever its
//     width. A channel whose mask is 0 reads 0 (opaque when it is the alpha channel).
//
// Refused as malformed: header sizes other than 12, 16 to 64, 108 and 124; planes other
// than 1; width below 1 or height 0; bit counts and compressions outside 1, 2, 4, 8, 16,
// 24 and 32 bits BI_RGB, 8-bit RLE8, 4-bit RLE4, 16- and 32-bit (ALPHA)BITFIELDS (so OS/2's
// Huffman and RLE24 and the JPEG and PNG payloads meant for printers); a mask with gaps or
// with bits outside the pixel; a top-down RLE picture; a colour table that runs past the
// end of the file; a file that holds no pixel bytes (for uncompressed pixels, not one row).

namespace galimo {

namespace {

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };

// Fields and pixels are little-endian, as this machine is: a load is a copy.
static_assert(std::endian::native == std::endian::little);
uint16_t U16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
uint32_t U32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool MaskIsRun(uint32_t mask) { return mask == 0 || std::has_single_bit((mask >> std::countr_zero(mask)) + 1ull); }

// One channel of a bitfields pixel: its place, its width, and its scaling to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::vector<uint8_t> scale;  // by value, for widths up to 16 bits

    explicit Channel(uint32_t m) : mask(m)
    {
        if (!mask) return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask);
        if (bits <= 16) {
            scale.resize(size_t(1) << bits);
            for (size_t v = 0; v < scale.size(); ++v) scale[v] = Scaled(v);
        }
    }
    uint8_t Scaled(uint64_t v) const
    {
        const uint64_t max = (uint64_t(1) << bits) - 1;
        return static_cast<uint8_t>((v * 510 + max) / (2 * max));
    }
    uint32_t operator()(uint32_t pixel, uint32_t none) const
    {
        if (!mask) return none;
        const uint32_t v = (pixel & mask) >> shift;
        return bits <= 16 ? scale[v] : Scaled(v);
    }
};

struct Channels {
    Channel r, g, b, a;
    explicit Channels(const std::array<uint32_t, 4>& m) : r(m[0]), g(m[1]), b(m[2]), a(m[3]) {}
    uint32_t operator()(uint32_t px) const { return a(px, 255) << 24 | r(px, 0) << 16 | g(px, 0) << 8 | b(px, 0); }
};

// 24-bit rows: four pixels from three aligned words at a time.
void Row24(const uint8_t* s, uint32_t* d, int width)
{
    int x = 0;
    for (; x + 4 <= width; x += 4, s += 12) {
        uint32_t w[3];
        std::memcpy(w, s, 12);
        d[x] = 0xFF000000u | w[0];
        d[x + 1] = 0xFF000000u | w[0] >> 24 | w[1] << 8;
        d[x + 2] = 0xFF000000u | w[1] >> 16 | w[2] << 16;
        d[x + 3] = 0xFF000000u | w[2] >> 8;
    }
    for (; x < width; ++x, s += 3) d[x] = 0xFF000000u | s[0] | s[1] << 8 | s[2] << 16;
}

void Row4(const uint8_t* s, uint8_t* d, int width)
{
    int x = 0;
    for (; x + 2 <= width; x += 2, ++s) {
        d[x] = *s >> 4;
        d[x + 1] = *s & 15;
    }
    if (x < width) d[x] = *s >> 4;
}

void Row2(const uint8_t* s, uint8_t* d, int width)
{
    for (int x = 0; x < width; ++x) d[x] = (s[x >> 2] >> (6 - 2 * (x & 3))) & 3;
}

class Decoder {
public:
    Decoder(const uint8_t* data, size_t size, const BmpLayout& l, uint8_t* image, ptrdiff_t stride)
        : in(data + l.PixelOffset), end(data + size), L(l), image(image), stride(stride)
    {
    }

    void Run()
    {
        if (L.Compression == BI_RLE8 || L.Compression == BI_RLE4) {
            for (int y = 0; y < L.Height; ++y) std::memset(Row(y), 0, static_cast<size_t>(L.Width));
            Rle(L.Compression == BI_RLE4);
            return;
        }
        const uint64_t rowBytes = (uint64_t(L.Width) * L.BitCount + 7) / 8;
        const uint64_t fileStride = (uint64_t(L.Width) * L.BitCount + 31) / 32 * 4;
        const uint64_t avail = static_cast<uint64_t>(end - in);
        const int held = avail < rowBytes ? 0 : static_cast<int>(std::min<uint64_t>(L.Height, 1 + (avail - rowBytes) / fileStride));
        Rows(held, fileStride);
        for (int y = held; y < L.Height; ++y) Blank(Row(y));
    }

private:
    uint8_t* Row(int y) const { return image + (L.TopDown ? y : L.Height - 1 - y) * stride; }
    uint32_t* Row32(int y) const { return reinterpret_cast<uint32_t*>(Row(y)); }

    void Blank(uint8_t* row) const
    {
        switch (L.Pixels) {
        case BmpPixels::Mono: std::memset(row, 0, (static_cast<size_t>(L.Width) + 7) / 8); break;
        case BmpPixels::Indexed8: std::memset(row, 0, static_cast<size_t>(L.Width)); break;
        case BmpPixels::Rgb32:
        case BmpPixels::Argb32: std::fill_n(reinterpret_cast<uint32_t*>(row), L.Width, 0xFF000000u); break;
        }
    }

    void Rows(int held, uint64_t fileStride) const
    {
        const int w = static_cast<int>(L.Width);
        const auto src = [&](int y) { return in + fileStride * static_cast<uint64_t>(y); };
        switch (L.BitCount) {
        case 1:
            for (int y = 0; y < held; ++y) std::memcpy(Row(y), src(y), (static_cast<size_t>(w) + 7) / 8);
            return;
        case 2:
            for (int y = 0; y < held; ++y) Row2(src(y), Row(y), w);
            return;
        case 4:
            for (int y = 0; y < held; ++y) Row4(src(y), Row(y), w);
            return;
        case 8:
            for (int y = 0; y < held; ++y) std::memcpy(Row(y), src(y), static_cast<size_t>(w));
            return;
        case 24:
            for (int y = 0; y < held; ++y) Row24(src(y), Row32(y), w);
            return;
        case 16: {
            // Every 16-bit value once, so that a row is one table look-up a pixel; for
            // pictures smaller than the table, each pixel is worked out on its own.
            const Channels channels(L.Masks);
            std::vector<uint32_t> table;
            if (uint64_t(w) * held >= 65536) {
                table.resize(65536);
                for (uint32_t v = 0; v < table.size(); ++v) table[v] = channels(v);
            }
            for (int y = 0; y < held; ++y) {
                const uint8_t* s = src(y);
                uint32_t* d = Row32(y);
                if (table.empty())
                    for (int x = 0; x < w; ++x) d[x] = channels(U16(s + 2 * x));
                else
                    for (int x = 0; x < w; ++x) d[x] = table[U16(s + 2 * x)];
            }
            return;
        }
        case 32: {
            const std::array<uint32_t, 4>& m = L.Masks;
            const bool plain = m[0] == 0xFF0000u && m[1] == 0xFF00u && m[2] == 0xFFu;
            if (plain && (m[3] == 0 || m[3] == 0xFF000000u)) {
                const uint32_t opaque = m[3] ? 0 : 0xFF000000u;
                for (int y = 0; y < held; ++y) {
                    const uint8_t* s = src(y);
                    uint32_t* d = Row32(y);
                    for (int x = 0; x < w; ++x) d[x] = U32(s + 4 * x) | opaque;
                }
                return;
            }
            const Channels channels(m);
            for (int y = 0; y < held; ++y) {
                const uint8_t* s = src(y);
                uint32_t* d = Row32(y);
                for (int x = 0; x < w; ++x) d[x] = channels(U32(s + 4 * x));
            }
            return;
        }
        }
    }

    void Rle(bool four)
    {
        const int64_t w = L.Width;
        int64_t x = 0;
        int y = 0;
        uint8_t* row = Row(0);
        // Pixel i of a run or of absolute bytes p.
        const auto fill = [&](int64_t count, auto pixel) {
            const int64_t n = std::min<int64_t>(count, std::max<int64_t>(0, w - x));
            for (int64_t i = 0; i < n; ++i) row[x + i] = pixel(i);
            x += count;
        };
        while (y < L.Height && end - in >= 2) {
            const uint8_t n = in[0], v = in[1];
            in += 2;
            if (n > 0) {
                if (four) {
                    fill(n, [v](int64_t i) { return static_cast<uint8_t>(i & 1 ? v & 15 : v >> 4); });
                } else {
                    if (x < w) std::memset(row + x, v, static_cast<size_t>(std::min<int64_t>(n, w - x)));
                    x += n;
                }
            } else if (v == 0) {  // end of line
                x = 0;
                if (++y < L.Height) row = Row(y);
            } else if (v == 1) {  // end of bitmap
                return;
            } else if (v == 2) {  // delta
                if (end - in < 2) return;
                x += in[0];
                y += in[1];
                in += 2;
                if (y < L.Height) row = Row(y);
            } else {  // absolute: v pixels, their bytes padded to a 16-bit boundary
                const int64_t bytes = four ? (v + 1) / 2 : v;
                const int64_t have = std::min<int64_t>(bytes, end - in);
                const int64_t count = four ? std::min<int64_t>(v, 2 * have) : have;
                const uint8_t* p = in;
                if (four)
                    fill(count, [p](int64_t i) { return static_cast<uint8_t>(i & 1 ? p[i / 2] & 15 : p[i / 2] >> 4); });
                else
                    fill(count, [p](int64_t i) { return p[i]; });
                if (have < bytes) return;
                in += std::min<int64_t>((bytes + 1) & ~int64_t(1), end - in);
            }
        }
    }

    const uint8_t* in;
    const uint8_t* end;
    const BmpLayout& L;
    uint8_t* image;
    ptrdiff_t stride;
};

}  // namespace

BmpHeaderResult ReadBmpHeader(const uint8_t* data, size_t size, bool packedAllowed, BmpLayout& L)
{
    L = BmpLayout{};
    size_t pos = 0;
    bool fileHeader = false;
    uint32_t offBits = 0;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < 14) return BmpHeaderResult::Invalid;
        fileHeader = true;
        offBits = U32(data + 10);
        pos = 14;
    } else if (!packedAllowed) {
        return BmpHeaderResult::Invalid;
    }
    if (size - pos < 4) return BmpHeaderResult::Invalid;
    const uint8_t* h = data + pos;
    const uint32_t hs = U32(h);
    const bool core = hs == 12;
    const bool windows = hs == 40 || hs == 52 || hs == 56 || hs == 108 || hs == 124;
    const bool os2 = !windows && hs >= 16 && hs <= 64;
    if ((!core && !windows && !os2) || size - pos < hs) return BmpHeaderResult::Invalid;

    int64_t width, height;
    uint32_t planes, clrUsed = 0;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        L.BitCount = U16(h + 10);
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        planes = U16(h + 12);
        L.BitCount = U16(h + 14);
        if (hs >= 20) L.Compression = U32(h + 16);
        if (hs >= 36) clrUsed = U32(h + 32);
    }
    if (planes != 1 || width <= 0 || height == 0) return BmpHeaderResult::Invalid;
    L.TopDown = height < 0;
    height = height < 0 ? -height : height;

    const int bits = L.BitCount;
    const uint32_t c = L.Compression;
    const bool fields = !os2 && (c == BI_BITFIELDS || c == BI_ALPHABITFIELDS);
    const bool valid = c == BI_RGB ? (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
                       : c == BI_RLE8 ? bits == 8 && !L.TopDown
                       : c == BI_RLE4 ? bits == 4 && !L.TopDown
                                      : fields && (bits == 16 || bits == 32);
    if (!valid) return BmpHeaderResult::Invalid;
    L.Width = width;
    L.Height = height;
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > BmpMaxPixels) return BmpHeaderResult::TooBig;

    size_t after = pos + hs;
    if (fields) {
        // Masks sit in the header where it is long enough, after it otherwise.
        const int count = c == BI_ALPHABITFIELDS || hs >= 56 ? 4 : 3;
        for (int k = 0; k < count; ++k) {
            const size_t at = 40 + 4 * static_cast<size_t>(k);
            if (at + 4 <= hs) {
                L.Masks[k] = U32(h + at);
            } else {
                if (size - after < 4) return BmpHeaderResult::Invalid;
                L.Masks[k] = U32(data + after);
                after += 4;
            }
        }
        const uint32_t room = bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (uint32_t m : L.Masks)
            if (!MaskIsRun(m) || (m & ~room)) return BmpHeaderResult::Invalid;
    } else if (bits == 16) {
        L.Masks = {0x7C00u, 0x3E0u, 0x1Fu, 0};
    } else {
        L.Masks = {0xFF0000u, 0xFF00u, 0xFFu, 0};
    }

    const size_t entry = core ? 3 : 4;
    uint64_t entries = clrUsed ? clrUsed : bits <= 8 ? 1u << bits : 0;
    const uint64_t tableEnd = after + entries * entry;
    const uint64_t rowsAfterTable = c == BI_RLE8 || c == BI_RLE4 ? 2 : (static_cast<uint64_t>(width) * bits + 31) / 32 * 4 * height;
    if (fileHeader && hs >= 36 && offBits >= after && offBits < tableEnd && tableEnd + rowsAfterTable <= size) {
        L.PixelOffset = tableEnd;  // an offset into a declared table that the file holds whole
    } else if (fileHeader && offBits >= after && offBits < size) {
        entries = std::min<uint64_t>(entries, (offBits - after) / entry);
        L.PixelOffset = offBits;
    } else {
        if (entries > (size - after) / entry) return BmpHeaderResult::Invalid;
        L.PixelOffset = after + entries * entry;
    }
    std::fill(L.Palette.begin(), L.Palette.end(), 0xFF000000u);
    if (bits <= 8) {
        const size_t used = std::min<uint64_t>(entries, 1u << bits);
        for (size_t i = 0; i < used; ++i) {
            const uint8_t* e = data + after + i * entry;
            L.Palette[i] = 0xFF000000u | e[2] << 16 | e[1] << 8 | e[0];
        }
    }
    L.Pixels = bits == 1 && c == BI_RGB ? BmpPixels::Mono
               : bits <= 8              ? BmpPixels::Indexed8
               : L.Masks[3]             ? BmpPixels::Argb32
                                        : BmpPixels::Rgb32;

    const uint64_t avail = L.PixelOffset < size ? size - L.PixelOffset : 0;
    const uint64_t need = c == BI_RLE8 || c == BI_RLE4 ? 2 : (static_cast<uint64_t>(width) * bits + 7) / 8;
    return avail < need ? BmpHeaderResult::Invalid : BmpHeaderResult::Ok;
}

void DecodeBmpPixels(const uint8_t* data, size_t size, const BmpLayout& layout, uint8_t* image, ptrdiff_t stride)
{
    Decoder(data, size, layout, image, stride).Run();
}

}  // namespace galimo
