// Drawing a GIF picture: a frame is rendered once into a bitmap through its colour table,
// its transparent pixels left clear, and kept; drawing stretches the first frame into
// its place on the logical screen, scaled into the target rectangle, so the destination
// shows through where the frame is transparent or does not reach.
#pragma once

#include <QImage>

namespace galimo {

class TGIFImage;
class TGIFSubImage;
class TGIFColorMap;
struct TRect;

// What a frame keeps once it has been drawn.
class TGIFRenderCache {
public:
    QImage Bitmap;      // premultiplied ARGB; transparent pixels have alpha 0
    QImage ScaleCache;  // the last shrunken copy, reused while the size holds
};

// The colour table a frame is drawn with: its own, else the picture's. Raises
// GIFException "No global or local color table defined" when neither exists.
const TGIFColorMap* FramePalette(const TGIFImage& image, const TGIFSubImage& frame);
// The global table, else the first frame's; none for a picture without frames.
const TGIFColorMap* PicturePalette(const TGIFImage& image);

// The frame's rendered bitmap, made on first use; a null image for a frame without pixels.
const QImage& RenderFrame(TGIFImage& image, TGIFSubImage& frame);

// The frame's rectangle on the logical screen, scaled into rect.
TRect ScaleFrameRect(const TGIFImage& image, const TGIFSubImage& frame, const TRect& rect);

}  // namespace galimo
