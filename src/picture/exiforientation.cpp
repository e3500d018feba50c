#include "picture/exiforientation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace galimo {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kThumbnailOffsetTag = 0x0201;  // JPEGInterchangeFormat
constexpr uint16_t kThumbnailLengthTag = 0x0202;  // JPEGInterchangeFormatLength
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;

struct Tiff {
    const uint8_t* data;
    size_t size;
    bool little;
    bool Has(size_t at, size_t n) const { return at <= size && n <= size - at; }
    uint16_t U16(size_t at) const
    {
        return little ? static_cast<uint16_t>(data[at] | data[at + 1] << 8)
                      : static_cast<uint16_t>(data[at] << 8 | data[at + 1]);
    }
    uint32_t U32(size_t at) const
    {
        const uint32_t a = U16(at), b = U16(at + 2);
        return little ? (b << 16 | a) : (a << 16 | b);
    }
};

// The TIFF block of the EXIF segment, before the first scan: false when there is none.
bool FindTiff(const uint8_t* data, size_t size, Tiff& tiff)
{
    // The marker segments before the first scan: FF, a code, a two-byte length (counting
    // itself) and the segment's bytes. The EXIF block is an APP1 segment.
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return false;
        const uint8_t code = data[at + 1];
        if (code == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (code == 0xDA || code == 0xD9) return false;  // the scan begins: no more metadata
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            at += 2;
            continue;
        }
        const size_t length = static_cast<size_t>(data[at + 2] << 8 | data[at + 3]);
        if (length < 2 || length > size - at - 2) return false;
        const uint8_t* segment = data + at + 4;
        const size_t n = length - 2;
        if (code == 0xE1 && n >= 6 && std::memcmp(segment, "Exif\0\0", 6) == 0) {
            const uint8_t* block = segment + 6;
            if (n - 6 < 8 || !((block[0] == 'I' && block[1] == 'I') || (block[0] == 'M' && block[1] == 'M'))) return false;
            tiff = {block, n - 6, block[0] == 'I'};
            return tiff.U16(2) == 42;
        }
        at += 2 + length;
    }
    return false;
}

// The entry of that tag in the directory at ifd, or 0; next gets the next directory's offset
// (0 when the directory is cut short).
size_t FindEntry(const Tiff& t, size_t ifd, uint16_t tag, size_t* next = nullptr)
{
    if (next) *next = 0;
    if (!t.Has(ifd, 2)) return 0;
    const size_t count = t.U16(ifd);
    size_t found = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + 12 * i;
        if (!t.Has(entry, 12)) return found;
        if (!found && t.U16(entry) == tag) found = entry;
    }
    if (next && t.Has(ifd + 2 + 12 * count, 4)) *next = t.U32(ifd + 2 + 12 * count);
    return found;
}

// A lone short or long value of an entry (it sits first in the value field), or -1.
int64_t Number(const Tiff& t, size_t entry)
{
    if (!entry || t.U32(entry + 4) < 1) return -1;
    if (t.U16(entry + 2) == kShort) return t.U16(entry + 8);
    if (t.U16(entry + 2) == kLong) return t.U32(entry + 8);
    return -1;
}

// Where the stored pixel of upright pixel (x, y) lies, for a stored picture w x h.
inline void StoredAt(int orientation, int x, int y, int w, int h, int& sx, int& sy)
{
    switch (orientation) {
    case 2: sx = w - 1 - x, sy = y; break;
    case 3: sx = w - 1 - x, sy = h - 1 - y; break;
    case 4: sx = x, sy = h - 1 - y; break;
    case 5: sx = y, sy = x; break;
    case 6: sx = y, sy = h - 1 - x; break;
    case 7: sx = w - 1 - y, sy = h - 1 - x; break;
    case 8: sx = w - 1 - y, sy = x; break;
    default: sx = x, sy = y; break;
    }
}

template <typename Pixel>
void Turn(const QImage& stored, QImage& upright, int orientation)
{
    const int w = stored.width(), h = stored.height();
    for (int y = 0; y < upright.height(); ++y) {
        auto* out = reinterpret_cast<Pixel*>(upright.scanLine(y));
        for (int x = 0; x < upright.width(); ++x) {
            int sx, sy;
            StoredAt(orientation, x, y, w, h, sx, sy);
            out[x] = reinterpret_cast<const Pixel*>(stored.constScanLine(sy))[sx];
        }
    }
}

}  // namespace

int ExifOrientation(const uint8_t* data, size_t size)
{
    Tiff t{};
    if (!FindTiff(data, size, t)) return 1;
    const size_t entry = FindEntry(t, t.U32(4), kOrientationTag);
    if (!entry || t.U16(entry + 2) != kShort) return 1;
    const int64_t value = Number(t, entry);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

TExifThumbnail ExifThumbnail(const uint8_t* data, size_t size)
{
    Tiff t{};
    if (!FindTiff(data, size, t)) return {};
    size_t second = 0;
    FindEntry(t, t.U32(4), 0, &second);
    if (!second) return {};
    const int64_t offset = Number(t, FindEntry(t, second, kThumbnailOffsetTag));
    const int64_t length = Number(t, FindEntry(t, second, kThumbnailLengthTag));
    // Offsets count from the TIFF block's start; the thumbnail lies inside the block.
    if (offset <= 0 || length < 4 || !t.Has(static_cast<size_t>(offset), static_cast<size_t>(length))) return {};
    return {static_cast<size_t>(t.data - data) + static_cast<size_t>(offset), static_cast<size_t>(length)};
}

QSize ExifThumbnailUse(int photoW, int photoH, int thumbW, int thumbH, int orientation, size_t bytes)
{
    const QSize thumb = SwapsSides(orientation) ? QSize(thumbH, thumbW) : QSize(thumbW, thumbH);
    if (photoW <= 0 || photoH <= 0 || thumb.isEmpty()) return {};
    if (bytes <= ExifThumbnailSmallFile && int64_t(thumbW) * thumbH > ExifThumbnailMaxPixels) return {};
    // Within a pixel along the photo's short side, once scaled to the thumbnail's long one.
    const int64_t off = static_cast<int64_t>(thumb.width()) * photoH - static_cast<int64_t>(thumb.height()) * photoW;
    return std::abs(off) <= std::max(photoW, photoH) ? thumb : QSize();
}

QImage Upright(const QImage& stored, int orientation)
{
    if (orientation < 2 || orientation > 8 || stored.isNull()) return stored;
    const QSize size = SwapsSides(orientation) ? stored.size().transposed() : stored.size();
    QImage upright(size, stored.format());
    if (upright.isNull()) return stored;  // no memory for the turn: shown as stored
    if (stored.format() == QImage::Format_Indexed8) {
        upright.setColorTable(stored.colorTable());
        Turn<uint8_t>(stored, upright, orientation);
    } else if (stored.depth() == 32) {
        Turn<uint32_t>(stored, upright, orientation);
    } else {
        return Upright(stored.convertToFormat(QImage::Format_RGB32), orientation);
    }
    return upright;
}

}  // namespace galimo
