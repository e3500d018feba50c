// Drawing a GIF picture: each frame rendered once into a bitmap (with its transparency
// mask), the first frame composed on the logical screen and stretched into a rectangle.
#pragma once

#include <QImage>

namespace galimo {

class TGIFImage;
class TGIFSubImage;

// What a frame keeps once it has been drawn.
class TGIFRenderCache {
public:
    QImage Bitmap;  // the frame's own pixels through its colours, transparent ones clear
};

// What a picture keeps once it has been drawn.
class TGIFPainterState {
public:
    QImage Composed;    // the first frame on the logical screen
    QImage ScaleCache;  // the last stretched copy, reused while the size holds
};

}  // namespace galimo
