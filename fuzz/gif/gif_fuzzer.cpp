// Feeds arbitrary bytes to TGIFImage::LoadFromStream, then renders and composes what loaded.
// A GIFException, or memory running out while loading, is a clean refusal; anything else (a
// crash, a sanitizer report, another exception) is a bug.
#include "gif/gifimage.h"
#include "gif/gifpainter.h"

#include "platform/drawing/canvas.h"

#include <QImage>
#include <cstdint>
#include <cstring>
#include <new>

using namespace galimo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TGIFImage image;
    int warnings = 0;
    image.OnWarn = [&](const TGIFPersistent*, int, const std::string&) { ++warnings; };
    TMemoryStream stream(data, size);
    try {
        image.LoadFromStream(stream);
    } catch (const GIFException&) {
        if (stream.Position() != 0) __builtin_trap();  // a failed load must give the position back
    } catch (const std::bad_alloc&) {
        // Memory that runs out (the fuzz runs cap each allocation) is a refusal as clean.
        if (stream.Position() != 0) __builtin_trap();
    }
    // Whatever loaded must be whole: its pixel buffers as long as they say, every colour lookup in range,
    // and a copy must hold the same.
    unsigned sum = 0;
    for (const auto& frame : image.Images()) {
        const uint8_t* p = frame->Pixels();
        if (frame->PixelCount()) sum += p[0] + p[frame->PixelCount() - 1];
        if (frame->PixelCount() && frame->EffectiveColors().ColorCount() > 0) sum += frame->EffectiveColors().ColorAt(p[0]);
    }
    if (image.Images().Count() <= 64 && image.PixelTotal() <= (1 << 22)) {
        TGIFImage copy;
        copy.Assign(image);
        if (copy.PixelTotal() != image.PixelTotal()) __builtin_trap();
    }
    // One pass of the animation composed without a thread, dithered for every other input,
    // then the first frame drawn: only "no colour table" may fail. Composing costs whole
    // canvases per frame, so it is kept to pictures of up to 256 x 256 pixels' worth: the
    // paths are those of any size, and the reader keeps most of the time.
    SetPaletteDisplay(size % 2);
    constexpr int64_t MaxComposed = 1 << 16;
    if (image.Images().Count() > 1 && image.PixelTotal() <= 4 * MaxComposed &&
        int64_t(image.Width()) * image.Height() <= MaxComposed) {
        try {
            ComposeOnePass(image, [&](int, int waitMs, const QImage& work) { sum += work.pixel(0, 0) + unsigned(waitMs); });
        } catch (const GIFException&) {
        }
    }
    image.DrawOptions &= ~DrawAnimate;  // the painter's thread is the threaded tests' business
    if (image.PixelTotal() <= 4 * MaxComposed) {
        QImage target(48, 32, QImage::Format_RGB32);
        target.fill(0xFFFFFFFF);
        TCanvas canvas(&target);
        try {
            image.Draw(canvas, {0, 0, 48, 32});
        } catch (const GIFException&) {
        }
    }
    return static_cast<int>(sum & 0) + (warnings & 0);
}
