// TGIFSubImage: one frame. It owns its local colour table, the extensions that came before
// its image descriptor, and its pixels: one colour index byte per pixel, rows top to
// bottom with no padding. The drawing side keeps its rendered bitmap here too.
#pragma once

#include "gif/gifcolormap.h"
#include "gif/gifextensions.h"

#include <cstdlib>

namespace galimo {

class TGIFSubImage;
class TGIFRenderCache;

class TGIFExtensionList : public TGIFList<TGIFExtension> {
public:
    explicit TGIFExtensionList(TGIFPictureCore* image) : TGIFList(image) {}
    // Reads the extensions before an image descriptor; stops at ',' or ';' (left unread),
    // at the end of the data, or at any other byte (warned, left unread).
    void LoadFromStream(TStream& stream, TGIFSubImage* parent);

    friend class TGIFSubImage;
};

struct TFreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

// The drawing side's cache goes by the drawing side's own function (gifrender.cpp): the
// frame holds it without knowing what it is.
struct TGIFRenderCacheDeleter {
    void operator()(TGIFRenderCache* cache) const;
};
using TGIFRenderCachePtr = std::unique_ptr<TGIFRenderCache, TGIFRenderCacheDeleter>;

class TGIFSubImage : public TGIFFrameItem {
public:
    explicit TGIFSubImage(TGIFPictureCore* image);
    ~TGIFSubImage() override;
    TGIFSubImage(const TGIFSubImage&) = delete;
    TGIFSubImage& operator=(const TGIFSubImage&) = delete;

    // Back to a just-made frame: no extensions, no colours, no pixels, size 0 x 0.
    void Reset();
    void LoadFromStream(TStream& stream) override;
    // An independent copy belonging to another picture.
    std::unique_ptr<TGIFSubImage> Clone(TGIFPictureCore* image) const;

    // The image descriptor, as it lies in the stream.
    uint8_t Separator = 0x2C;
    uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
    uint8_t ImageFlags = 0;

    TGIFLocalColorMap LocalColors{this};
    TGIFExtensionList Extensions;

    bool IsInterlaced() const { return ImageFlags & 0x40; }
    bool HasLocalColorTable() const { return ImageFlags & 0x80; }
    // The local table when it has entries, else the global one when it has, else the
    // (empty) local one.
    const TGIFColorMap& EffectiveColors() const;

    // Width x Height zero bytes (none when the product is 0). Refuses a frame above
    // MaxFramePixels, or one that would take the picture above MaxPicturePixels.
    void AllocatePixels();
    void ReleasePixels();
    uint8_t* Pixels() { return pixels.get(); }
    const uint8_t* Pixels() const { return pixels.get(); }
    uint32_t PixelCount() const { return pixelCount; }
    bool Empty() const { return pixelCount == 0; }

    // Cached drawing objects (rendered bitmap, mask), made on first draw; they go with the
    // pixels.
    TGIFRenderCache* RenderCache() const { return renderCache.get(); }
    void SetRenderCache(TGIFRenderCachePtr cache);
    void ReleaseRenderCache();

private:
    std::unique_ptr<uint8_t[], TFreeDeleter> pixels;
    uint32_t pixelCount = 0;
    TGIFRenderCachePtr renderCache;
};

}  // namespace galimo
