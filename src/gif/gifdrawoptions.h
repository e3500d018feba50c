// What a picture carries for its drawing: the draw options and their defaults, the
// painters' clock and the notifications handed to each painter; and the module's
// palette-display flag. The picture holds these; the renderer and the painter read them.
#pragma once

#include <cstdint>
#include <functional>

namespace galimo {

class TAutoResetEvent;
class TGIFPainter;

// Draw options: what a new picture gets, copied into each painter.
enum TGIFDrawOption : uint16_t {
    DrawBackgroundThread = 0x0001,
    DrawTransparent = 0x0002,
    DrawAnimate = 0x0004,
    DrawLoop = 0x0008,
    DrawDither = 0x0200,
    DrawDitherOnPaletteDisplayOnly = 0x0400,
};
constexpr uint16_t DefaultDrawOptions =
    DrawBackgroundThread | DrawTransparent | DrawAnimate | DrawLoop | DrawDither | DrawDitherOnPaletteDisplayOnly;
static_assert(DefaultDrawOptions == 0x060F);

constexpr int DefaultAnimationSpeed = 100;  // per cent
constexpr uint32_t NoDrawBackgroundColor = 0x1FFFFFFF;

// Whether the screen had a palette (8 bits or fewer) when the module started. Set once by
// the module start; tests force it.
void SetPaletteDisplay(bool value);
bool PaletteDisplay();

// The painter's time: a steady millisecond clock and a timed wait on its event. Tests and
// the dump tool put in their own.
class TPainterClock {
public:
    virtual ~TPainterClock() = default;
    virtual int64_t Now() = 0;
    // Waits up to ms milliseconds; true when the event was signalled before that.
    virtual bool Wait(TAutoResetEvent& event, int ms) = 0;
};

// Start, paint, after paint, loop, end; carried out on the UI thread. The program assigns
// none.
using TGIFPaintEvent = std::function<void(TGIFPainter&)>;
struct TGIFPaintNotifications {
    TGIFPaintEvent OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;
};

}  // namespace galimo
