#include "jpegtestutil.h"

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

}  // namespace galimo::jpegtest
