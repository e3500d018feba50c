// Drawing a GIF picture: a frame is rendered once into an 8-bit bitmap through its colour
// table (or dithered to the 216-colour cube), its transparent pixels left clear, and kept.
// A picture of one frame (or with animation off) is drawn as frame 0 in its place on the
// logical screen, scaled into the target rectangle; a picture of several frames goes
// through the painter (gifpainter.h).
#pragma once

#include "gif/gifdrawoptions.h"

#include <QImage>
#include <atomic>
#include <cstdint>

namespace galimo {

class TGIFImage;
class TGIFSubImage;
class TGIFColorMap;
struct TRect;
class TCanvas;

constexpr int MillisecondsPerDelayUnit = 12;  // not 10: animations run at 10/12 of their pace
constexpr int DefaultDelay = 10;               // units, for no delay or a delay of 0
constexpr int MinimumDelay = 3;                // a smaller non-zero delay is raised to this

// What a frame keeps once rendered: 8 bits a pixel with a colour table whose transparent
// entry has alpha 0, which Qt draws directly.
class TGIFRenderCache {
public:
    QImage Bitmap;
    QImage ScaleCache;  // the last shrunken copy, reused while the size holds
};

// The entry of the cube for a colour level triple.
constexpr int CubeIndex(int r, int g, int b) { return 36 * r + 6 * g + b; }
// The 216 entries of the colour cube (51 per level); entry 255 clear.
const QList<QRgb>& CubeColorTable();

// Whether the picture renders dithered (its options and the palette-display flag).
bool DitherApplies(const TGIFImage& image);

// The colour table a frame is drawn with: its own, else the picture's. Raises
// GIFException "No global or local color table defined" when neither exists.
const TGIFColorMap* FramePalette(const TGIFImage& image, const TGIFSubImage& frame);
// The global table, else the first frame's; none for a picture without frames.
const TGIFColorMap* PicturePalette(const TGIFImage& image);

// The frame's rendered bitmap, made on first use; a null image for a frame without pixels.
// Raises EOutOfMemory "Failed to allocate memory for GIF DIB" when the bitmap cannot be
// had; an EAbort from a progress listener ends rendering silently (null image).
const QImage& RenderFrame(TGIFImage& image, TGIFSubImage& frame);

// The frame's rectangle on the logical screen, scaled into rect.
TRect ScaleFrameRect(const TGIFImage& image, const TGIFSubImage& frame, const TRect& rect);

// The frame's bitmap in its scaled place, its transparent pixels keeping the canvas's.
void DrawFrame(TGIFImage& image, TGIFSubImage& frame, TCanvas& canvas, const TRect& rect);

}  // namespace galimo
