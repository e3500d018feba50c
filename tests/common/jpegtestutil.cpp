#include "jpegtestutil.h"

#include <QTransform>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <jpeglib.h>

namespace galimo::jpegtest {

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes TestFile(const std::string& name) { return ReadFile(std::string(GALIMO_SOURCE_DIR) + "/tests/data/jpeg/" + name); }

// Reference decodes only ever see valid files: the library's default error handler (which
// ends the process) is the right answer to a broken one.
PlainImage PlainDecode(const Bytes& jpeg)
{
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    PlainImage out;
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    out.adobe = cinfo.saw_Adobe_marker;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * out.components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.pixels.data() + static_cast<size_t>(cinfo.output_scanline) * out.width * out.components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

Bytes Compress(const std::vector<uint8_t>& pixels, int width, int height, int components, bool ycck, int quality,
               bool adobeMarker)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    if (components == 4) {
        jpeg_set_colorspace(&cinfo, ycck ? JCS_YCCK : JCS_CMYK);
        cinfo.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    }
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(pixels.data() + static_cast<size_t>(cinfo.next_scanline) * width * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

size_t FindMarker(const Bytes& jpeg, uint8_t code)
{
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i + 2;
    return std::string::npos;
}

size_t FrameHeader(const Bytes& jpeg)
{
    for (const uint8_t code : {0xC0, 0xC1, 0xC2, 0xC9, 0xCA}) {
        const size_t at = FindMarker(jpeg, code);
        if (at != std::string::npos) return at + 2;
    }
    throw std::runtime_error("no frame header");
}

Bytes WithBrokenSecondScan(Bytes jpeg)
{
    const size_t first = FindMarker(jpeg, 0xDA);
    const size_t second = first == std::string::npos ? first : first + FindMarker(Bytes(jpeg.begin() + static_cast<ptrdiff_t>(first), jpeg.end()), 0xDA);
    if (first == std::string::npos || second < first) throw std::runtime_error("no second scan");
    jpeg[second + 3] = 0x77;  // the first component selector
    return jpeg;
}

Bytes WithSize(Bytes jpeg, int width, int height)
{
    const size_t p = FrameHeader(jpeg);
    jpeg[p + 1] = static_cast<uint8_t>(height >> 8);
    jpeg[p + 2] = static_cast<uint8_t>(height);
    jpeg[p + 3] = static_cast<uint8_t>(width >> 8);
    jpeg[p + 4] = static_cast<uint8_t>(width);
    return jpeg;
}

Bytes WithOrientation(const Bytes& jpeg, int orientation, bool littleEndian)
{
    const auto u16 = [&](Bytes& out, int v) {
        const uint8_t hi = static_cast<uint8_t>(v >> 8), lo = static_cast<uint8_t>(v);
        out.insert(out.end(), littleEndian ? std::initializer_list<uint8_t>{lo, hi} : std::initializer_list<uint8_t>{hi, lo});
    };
    const auto u32 = [&](Bytes& out, int v) {
        u16(out, littleEndian ? v & 0xFFFF : v >> 16);
        u16(out, littleEndian ? v >> 16 : v & 0xFFFF);
    };
    Bytes exif = {'E', 'x', 'i', 'f', 0, 0};
    exif.insert(exif.end(), {static_cast<uint8_t>(littleEndian ? 'I' : 'M'), static_cast<uint8_t>(littleEndian ? 'I' : 'M')});
    u16(exif, 42);
    u32(exif, 8);            // the first directory follows the header
    u16(exif, 1);            // one entry:
    u16(exif, 0x0112);       //   orientation
    u16(exif, 3);            //   a short
    u32(exif, 1);            //   one of them
    u16(exif, orientation);  //   the value, first in its four bytes
    u16(exif, 0);
    u32(exif, 0);  // no next directory
    Bytes segment = {0xFF, 0xE1, static_cast<uint8_t>((exif.size() + 2) >> 8), static_cast<uint8_t>(exif.size() + 2)};
    segment.insert(segment.end(), exif.begin(), exif.end());
    size_t at = 2;
    if (jpeg[2] == 0xFF && jpeg[3] == 0xE0) at = 4 + (static_cast<size_t>(jpeg[4]) << 8 | jpeg[5]);
    Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
    return out;
}

Bytes OrientedQuarters(int orientation, int components)
{
    QImage upright(8, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const int g = kUprightGrey[y / 2][x / 4];
            upright.setPixel(x, y, qRgb(g, g, g));
        }
    // What the camera stored: the upright picture turned back by Qt's own transforms.
    const QTransform quarter = QTransform().rotate(90);  // clockwise on screen coordinates
    QImage stored;
    switch (orientation) {
    case 2: stored = upright.mirrored(true, false); break;
    case 3: stored = upright.transformed(QTransform().rotate(180)); break;
    case 4: stored = upright.mirrored(false, true); break;
    case 5: stored = upright.transformed(quarter).mirrored(true, false); break;  // transposed
    case 6: stored = upright.transformed(QTransform().rotate(270)); break;      // turned back a quarter
    case 7: stored = upright.transformed(quarter).mirrored(false, true); break; // transverse
    case 8: stored = upright.transformed(quarter); break;
    default: stored = upright; break;
    }
    std::vector<uint8_t> pixels;
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            for (int c = 0; c < components; ++c) pixels.push_back(static_cast<uint8_t>(qRed(stored.pixel(x, y))));
    return WithOrientation(Compress(pixels, stored.width(), stored.height(), components, false, 100), orientation,
                           orientation % 2 == 0);
}

}  // namespace galimo::jpegtest
