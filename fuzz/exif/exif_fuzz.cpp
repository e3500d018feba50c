// libFuzzer harness of the EXIF reader: the bytes as a whole JPEG file, and the same bytes as
// the TIFF block of an EXIF segment (so that the fuzzer need not find the marker walk first).
// The orientation must be 1..8 and the turn must give the size it says; a thumbnail found
// must lie inside the file, and the rule that uses it must give its size, turned, or none.
#include "picture/exiforientation.h"

#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(int orientation)
{
    if (orientation < 1 || orientation > 8) std::abort();
    QImage stored(3, 2, QImage::Format_RGB32);
    stored.fill(0);
    const QImage upright = galimo::Upright(stored, orientation);
    const QSize expected = galimo::SwapsSides(orientation) ? QSize(2, 3) : QSize(3, 2);
    if (upright.size() != expected) std::abort();
}

void CheckThumbnail(const uint8_t* data, size_t size)
{
    const galimo::TExifThumbnail t = galimo::ExifThumbnail(data, size);
    if (t.Length && (t.Offset > size || t.Length > size - t.Offset)) std::abort();
    if (size < 4) return;
    const int w = data[0] << 4 | data[1] >> 4, h = (data[1] & 15) << 8 | data[2];
    const QSize use = galimo::ExifThumbnailUse(4000, 3000, w, h, data[3] % 9, size);
    if (!use.isEmpty() && use != QSize(w, h) && use != QSize(h, w)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check(galimo::ExifOrientation(data, size));
    CheckThumbnail(data, size);
    if (size <= 65533 - 8) {
        const size_t length = size + 8;  // the length field, "Exif\0\0", the block
        std::vector<uint8_t> file = {0xFF, 0xD8, 0xFF, 0xE1, static_cast<uint8_t>(length >> 8),
                                     static_cast<uint8_t>(length), 'E', 'x', 'i', 'f', 0, 0};
        file.insert(file.end(), data, data + size);
        file.insert(file.end(), {0xFF, 0xD9});
        Check(galimo::ExifOrientation(file.data(), file.size()));
        CheckThumbnail(file.data(), file.size());
    }
    return 0;
}
