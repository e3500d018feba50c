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

#include "gif/gifcolormap.h"
#include "gif/gifextensions.h"
#include "gif/gifsubimage.h"
#include "picture/graphic.h"

#include <memory>

namespace galimo {

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image) : TGIFItem(image) {}
    void LoadFromStream(TStream& stream) override;
    void CopyFrom(const TGIFHeader& source);

    // Signature and version as read ("GIF", "89a"); the version is not examined.
    char Signature[4] = "GIF";
    char Version[4] = "89a";
    uint16_t ScreenWidth = 0;
    uint16_t ScreenHeight = 0;
    uint8_t ScreenFlags = 0;
    uint8_t BackgroundIndex = 0;
    uint8_t PixelAspect = 0;
    TGIFGlobalColorMap GlobalColors{this};
};

class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
    explicit TGIFImageList(TGIFImage* image) : TGIFList(image) {}
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

// Warnings: sender, severity (1 for everything the reader says), message.
using TGIFWarningEvent = std::function<void(const TGIFPersistent* sender, int severity, const std::string& message)>;

class TGIFImage : public TGraphic, public TGIFPersistent {
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
    // The first frame in its place on the logical screen, scaled into the rectangle;
    // transparent pixels and what the frame does not cover keep the canvas's pixels.
    void Draw(TCanvas& canvas, const TRect& rect) override;

    // Empties the picture: no frames, no colours, size 0 x 0.
    void Reset();

    TGIFHeader& Header() { return header; }
    const TGIFHeader& Header() const { return header; }
    TGIFImageList& Images() { return images; }
    const TGIFImageList& Images() const { return images; }
    // The global table's colour for the background index.
    TColor BackgroundColor() const { return header.GlobalColors.ColorAt(header.BackgroundIndex); }

    TGIFWarningEvent OnWarn;
    void Warn(const TGIFPersistent* sender, int severity, const std::string& message) const;

    // Pixels held by all frames together; the bound of the memory check.
    int64_t PixelTotal() const { return pixelTotal; }
    void CountPixels(int64_t delta) { pixelTotal += delta; }

    // Reports the frame list's progress while loading.
    void LoadProgress(int percent) { Progress(ProgressStage::Running, percent, false); }

    // Progress of rendering a frame for drawing.
    void RenderProgress(ProgressStage stage, int percent) { Progress(stage, percent, stage == ProgressStage::Ending); }

private:
    int64_t pixelTotal = 0;  // declared first: the frames report to it while they go
    TGIFHeader header{this};
    TGIFImageList images{this};
    bool drawing = false;
};

// Module start and end: the "gif" extension of the picture container.
void InitGIFModule();
void FinalizeGIFModule();

}  // namespace galimo
