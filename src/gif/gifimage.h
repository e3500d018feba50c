// TGIFImage: a GIF picture. It owns its header (logical screen and global colour table)
// and its frames; each frame owns its extensions, local colour table and pixels.
//
// What the reader tolerates, in one place:
//   - fatal (GIFException, the load fails and the stream goes back to where it started):
//     missing bytes inside a fixed-size record or an announced sub-block, a bad signature,
//     an unknown extension label, an application block size below 10, a loop sub-block
//     too short for its field, a circular LZW table entry, a frame or picture too large
//     to hold in memory;
//   - warned through OnWarn, loading goes on: an unknown block between frames (frames
//     stop there), a stray byte after an extension, a frame of width or height 0 (takes
//     the screen size), a short graphic control block, a bad trailer byte, image data
//     that ends early or is cut short, an LZW minimum code size the tables cannot hold;
//   - silent: zero bytes between blocks, data that ends before the trailer or inside
//     the sub-blocks of a comment, text or application extension.
#pragma once

#include "gif/gifdrawoptions.h"
#include "gif/gifheader.h"
#include "gif/gifsubimage.h"
#include "picture/bitmap.h"
#include "picture/graphic.h"

#include <memory>
#include <mutex>

namespace galimo {

class TGIFImage;

// A painter goes by the painter's own function (gifpainter.cpp): the picture holds its
// painters without knowing what they are.
struct TGIFPainterDeleter {
    void operator()(TGIFPainter* painter) const;
};

class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
    explicit TGIFImageList(TGIFPictureCore* image) : TGIFList(image) {}
    // Reads frames until the trailer (left unread), the end of the data or a byte that
    // cannot start a block.
    void LoadFromStream(TStream& stream, TGIFImage* parent);
};

// Lives only while the byte after the last frame is checked.
class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    void LoadFromStream(TStream& stream) override;
};

class TGIFImage : public TGraphic, public TGIFPictureCore {
public:
    static const TGraphicClass ClassInfo;
    TGIFImage();
    ~TGIFImage() override;

    const TGraphicClass& Class() const override { return ClassInfo; }
    int Width() const override { return header.ScreenWidth; }
    int Height() const override { return header.ScreenHeight; }
    bool Empty() const override { return images.Empty(); }
    // Replaces the content with the stream's, from its position. On failure the stream
    // is back at that position and the exception goes on.
    void LoadFromStream(TStream& stream) override;
    void Assign(const TGraphic& source) override;
    // One frame (or animation off): frame 0 in its place on the logical screen, scaled
    // into the rectangle, transparent and uncovered pixels keeping the canvas's. Several
    // frames: the animation's work bitmap, started on the first draw.
    void Draw(TCanvas& canvas, const TRect& rect) override;

    // Empties the picture: no frames, no colours, size 0 x 0; its painters stopped first.
    void Reset();

    // Drawing settings, copied from the module's at construction.
    uint16_t DrawOptions = DefaultDrawOptions;
    int AnimationSpeed = DefaultAnimationSpeed;
    TColor DrawBackgroundColor = NoDrawBackgroundColor;
    // Handed to every painter.
    TGIFPaintNotifications PaintNotifications;
    // The painters' clock; the steady one when none (a seam for tests).
    TPainterClock* PainterClock = nullptr;

    // The animation's work bitmap, or none before the first draw and after a stop.
    TBitmap* WorkBitmap() const { return workBitmap.get(); }
    TGIFPainter* DrawPainter() const { return drawPainter; }
    int PainterCount() const { return static_cast<int>(painters.size()); }
    // Both return once the painters have ended, serving their requests meanwhile; both
    // free the work bitmap.
    void StopDraw();
    void StopAllPainters();

    TGIFImageList& Images() { return images; }
    const TGIFImageList& Images() const { return images; }
    // The global table's colour for the background index.
    TColor BackgroundColor() const { return header.GlobalColors.ColorAt(header.BackgroundIndex); }

    // Reports the frame list's progress while loading.
    void LoadProgress(int percent) { Progress(ProgressStage::Running, percent, false); }

    // Progress of rendering a frame for drawing.
    // On a painter's thread the listener is called on the UI thread.
    void RenderProgress(ProgressStage stage, int percent);

private:
    friend void AnimatedDraw(TGIFImage& image, TCanvas& canvas, const TRect& rect);
    void EndPainter(TGIFPainter* painter);

    TGIFImageList images{this};  // after the core's count, which the frames report to while they go
    bool drawing = false;
    // Guards the painter list and the draw painter (a draw holds it while it waits, and
    // the cleanup it serves then takes it again).
    std::recursive_mutex painterLock;
    std::vector<std::unique_ptr<TGIFPainter, TGIFPainterDeleter>> painters;
    TGIFPainter* drawPainter = nullptr;
    std::unique_ptr<TBitmap> workBitmap;
};

// Module start and end: the "gif" extension of the picture container; the palette-display
// flag from the screen's depth as the program found it.
void InitGIFModule(int screenBitsPerPixelTimesPlanes = 32);
void FinalizeGIFModule();

}  // namespace galimo
