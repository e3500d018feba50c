#include "app/modules.h"

#include "gif/gifimage.h"
#include "picture/fileformats.h"
#include "picture/jpegimage.h"
#include "platform/display/changeres.h"
#include "platform/display/displaysettings.h"

namespace galimo {

void StartModules()
{
    InitChangeRes();
    RegisterDIB();
    // The screen's depth is looked at once, before the display is switched.
    const int depth = DisplaySettings().ScreenBitsPerPixel();
    InitJPEGModule(depth);
    InitGIFModule(depth);
}

void StopModules()
{
    FinalizeGIFModule();
    FinalizeJPEGModule();
    UnregisterDIB();
}

}  // namespace galimo
