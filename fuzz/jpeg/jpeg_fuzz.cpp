// libFuzzer harness of JPEG pictures: load (header) and first draw (full decode, stretch),
// in 24-bit and in 8-bit palette output. A clean EJPEG is a fine answer; anything else that
// escapes, and every sanitizer report, is a finding.
#include "picture/bitmap.h"
#include "picture/jpegimage.h"
#include "platform/core/exceptions.h"
#include "platform/files/stream.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

namespace {

// Bigger pictures only cost time here: their header is still read, and the pixel limit is
// a unit test of its own.
constexpr int64_t kMaxDrawnPixels = 1 << 18;

bool Setup()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "jpeg_fuzz";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);  // lives for the whole run
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = Setup();
    (void)ready;
    // The output depth is a start-up decision; derive it from the input so that both kinds
    // of output get explored without changing what the bytes mean.
    galimo::InitJPEGModule(size % 3 == 0 ? 8 : 32);
    try {
        galimo::TJPEGImage image;
        galimo::TMemoryStream stream(data, size);
        image.LoadFromStream(stream);
        if (static_cast<int64_t>(image.Width()) * image.Height() <= kMaxDrawnPixels) {
            galimo::TBitmap thumbnail(120, 120, galimo::TPixelFormat::pf24bit);
            thumbnail.Canvas().StretchDraw({0, 0, 120, 120}, &image);
            thumbnail.Canvas().StretchDraw({0, 0, 120, 120}, &image);  // the kept bitmap
        }
    } catch (const galimo::EJPEG&) {
    }
    return 0;
}
