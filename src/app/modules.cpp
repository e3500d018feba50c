#include "app/modules.h"

#include "app/changeres.h"
#include "picture/fileformats.h"
#include "platform/displaysettings.h"


namespace galimo {

void StartModules()
{
    InitChangeRes();
    RegisterDIB();
#ifdef GALIMO_HAS_JPEG
    // The screen's depth is looked at once, before the display is switched.
    InitJPEGModule(DisplaySettings().ScreenBitsPerPixel());
#endif
#ifdef GALIMO_HAS_GIF
    InitGIFModule();
#endif
}

void StopModules()
{
#ifdef GALIMO_HAS_GIF
    FinalizeGIFModule();
#endif
#ifdef GALIMO_HAS_JPEG
    FinalizeJPEGModule();
#endif
    UnregisterDIB();
}

}  // namespace galimo
