// Any bytes read as a bitmap end in a picture or an EInvalidGraphic, and a picture that
// loaded can be drawn into a thumbnail. The dib class reads both "BM" files and packed
// DIBs, so every path of the reader is open to the fuzzer.
#include "picture/bitmap.h"
#include "picture/bmpreader.h"
#include "picture/fileformats.h"
#include "platform/core/exceptions.h"
#include "platform/files/stream.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

using namespace galimo;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "bmp_fuzzer";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    RegisterDIB();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Over 4 megapixels, only the header is read: decoding runs the same loops, just longer.
    BmpLayout layout;
    if (ReadBmpHeader(data, size, true, layout) == BmpHeaderResult::Ok && int64_t(layout.Width) * layout.Height > (1 << 22))
        return 0;
    const std::unique_ptr<TGraphic> bitmap = TFileFormatsList::Instance().FindExt("dib")->Create();
    TMemoryStream stream(data, size);
    try {
        bitmap->LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    // Drawing a big picture finds nothing a small one does not; the reader is what is fuzzed.
    if (!bitmap->Empty() && int64_t(bitmap->Width()) * bitmap->Height() <= 512 * 512) {
        TBitmap thumb(120, 120, TPixelFormat::pf24bit);
        thumb.Canvas().StretchDraw({0, 0, 120, 120}, bitmap.get());
    }
    return 0;
}
