// Any bytes read as a bitmap file end in a picture or an EInvalidGraphic, and a picture
// that loaded can be drawn into a thumbnail.
#include "picture/bitmap.h"
#include "platform/exceptions.h"
#include "platform/stream.h"

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
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBitmap bitmap;
    TMemoryStream stream(data, size);
    try {
        bitmap.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (!bitmap.Empty()) {
        TBitmap thumb(120, 120, TPixelFormat::pf24bit);
        thumb.Canvas().StretchDraw({0, 0, 120, 120}, &bitmap);
    }
    return 0;
}
