#include "picture/exiforientation.h"

#include <cstring>

namespace galimo {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShort = 3;

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

// The orientation tag of the first image directory of a TIFF block, or 1.
int FromTiff(const uint8_t* data, size_t size)
{
    if (size < 8) return 1;
    Tiff t{data, size, data[0] == 'I'};
    if (!((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')) || t.U16(2) != 42) return 1;
    const size_t ifd = t.U32(4);
    if (!t.Has(ifd, 2)) return 1;
    const size_t count = t.U16(ifd);
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + 12 * i;
        if (!t.Has(entry, 12)) return 1;
        if (t.U16(entry) != kOrientationTag) continue;
        if (t.U16(entry + 2) != kShort || t.U32(entry + 4) < 1) return 1;
        const int value = t.U16(entry + 8);  // a lone short sits first in the value field
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
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
    // The marker segments before the first scan: FF, a code, a two-byte length (counting
    // itself) and the segment's bytes. The EXIF block is an APP1 segment.
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 1;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return 1;
        const uint8_t code = data[at + 1];
        if (code == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (code == 0xDA || code == 0xD9) return 1;  // the scan begins: no more metadata
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            at += 2;
            continue;
        }
        const size_t length = static_cast<size_t>(data[at + 2] << 8 | data[at + 3]);
        if (length < 2 || length > size - at - 2) return 1;
        const uint8_t* segment = data + at + 4;
        const size_t n = length - 2;
        if (code == 0xE1 && n >= 6 && std::memcmp(segment, "Exif\0\0", 6) == 0) return FromTiff(segment + 6, n - 6);
        at += 2 + length;
    }
    return 1;
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
