#include "gif/gifrender.h"

#include "gif/gifimage.h"
#include "platform/arith.h"
#include "platform/canvas.h"

#include <array>

namespace galimo {

namespace {

// Set while the picture's palette is being worked out: a picture without any colour
// table would otherwise go round from the picture to its first frame and back.
thread_local const TGIFImage* paletteInProgress = nullptr;

}  // namespace

const TGIFColorMap* PicturePalette(const TGIFImage& image)
{
    if (image.Header().GlobalColors.ColorCount() > 0) return &image.Header().GlobalColors;
    if (image.Images().Empty()) return nullptr;
    if (paletteInProgress == &image) throw GIFException("No global or local color table defined");
    paletteInProgress = &image;
    try {
        const TGIFColorMap* p = FramePalette(image, image.Images()[0]);
        paletteInProgress = nullptr;
        return p;
    } catch (...) {
        paletteInProgress = nullptr;
        throw;
    }
}

const TGIFColorMap* FramePalette(const TGIFImage& image, const TGIFSubImage& frame)
{
    if (frame.LocalColors.ColorCount() > 0) return &frame.LocalColors;
    return PicturePalette(image);
}

const QImage& RenderFrame(TGIFImage& image, TGIFSubImage& frame)
{
    static const QImage none;
    if (TGIFRenderCache* cache = frame.RenderCache()) return cache->Bitmap;
    if (frame.Empty()) return none;

    image.RenderProgress(ProgressStage::Starting, 0);
    try {
        // 256 colorSlots from the palette, black beyond its entries, as an 8-bit bitmap of
        // this frame would show them; the transparent index becomes clear.
        std::array<QRgb, 256> colorSlots;
        colorSlots.fill(qRgb(0, 0, 0));
        if (const TGIFColorMap* palette = FramePalette(image, frame))
            for (int i = 0; i < palette->ColorCount(); ++i) {
                const TGIFColor& c = (*palette)[i];
                colorSlots[static_cast<size_t>(i)] = qRgb(c.Red, c.Green, c.Blue);
            }
        if (frame.HasTransparency && frame.GraphicControl) colorSlots[frame.GraphicControl->TransparentIndex] = 0;

        auto cache = std::make_unique<TGIFRenderCache>();
        QImage& bitmap = cache->Bitmap;
        bitmap = QImage(frame.Width, frame.Height, QImage::Format_ARGB32_Premultiplied);
        if (bitmap.isNull()) throw std::bad_alloc();
        const uint8_t* src = frame.Pixels();
        for (int y = 0; y < frame.Height; ++y) {
            if (y % 32 == 0) image.RenderProgress(ProgressStage::Running, MulDiv(y, 100, frame.Height));
            auto* row = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
            for (int x = 0; x < frame.Width; ++x) row[x] = colorSlots[*src++];
        }
        frame.SetRenderCache(std::move(cache));
    } catch (...) {
        image.RenderProgress(ProgressStage::Ending, 0);
        throw;
    }
    image.RenderProgress(ProgressStage::Ending, 100);
    return frame.RenderCache()->Bitmap;
}

TRect ScaleFrameRect(const TGIFImage& image, const TGIFSubImage& frame, const TRect& r)
{
    const int sw = image.Width(), sh = image.Height();
    return {r.Left + MulDiv(frame.Left, r.Width(), sw), r.Top + MulDiv(frame.Top, r.Height(), sh),
            r.Left + MulDiv(frame.Left + frame.Width, r.Width(), sw), r.Top + MulDiv(frame.Top + frame.Height, r.Height(), sh)};
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect)
{
    if (drawing || images.Empty()) return;
    drawing = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{drawing};
    // The first frame over whatever the canvas holds. Animation is not played yet: a
    // picture of several frames shows its first one the same way.
    TGIFSubImage& frame = images[0];
    const QImage& bitmap = RenderFrame(*this, frame);
    if (bitmap.isNull()) return;
    canvas.StretchImage(ScaleFrameRect(*this, frame, rect), bitmap, &frame.RenderCache()->ScaleCache);
}

}  // namespace galimo
