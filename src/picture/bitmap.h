// TBitmap: a graphic held in memory as a QImage, with the depths the readers produce.
// 24-bit pictures are kept with 4 bytes a pixel (QImage::Format_RGB32): that is the
// format Qt draws and scales fastest, and it spares a 24-to-32-bit conversion of every
// photo on every stretch.
#pragma once

#include "picture/graphic.h"

#include <QImage>
#include <memory>

namespace galimo {

enum class TPixelFormat { pf1bit, pf8bit, pf24bit, pf32bit };

class TBitmap : public TGraphic {
public:
    static const TGraphicClass ClassInfo;
    TBitmap() = default;
    TBitmap(int width, int height, TPixelFormat format);

    const TGraphicClass& Class() const override { return ClassInfo; }
    int Width() const override { return image.width(); }
    int Height() const override { return image.height(); }
    bool Empty() const override { return image.isNull(); }
    void LoadFromStream(TStream& stream) override;
    void Assign(const TGraphic& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    // Makes now the shrunk copy a draw into a w x h rectangle would make.
    void PrepareDraw(int w, int h);

    TPixelFormat PixelFormat() const { return format; }
    // Changes the depth; pixels are converted.
    void SetPixelFormat(TPixelFormat value);
    // New size; pixels are kept where they overlap, the rest is black.
    void SetSize(int width, int height);

    // The canvas over the pixels; drawing on it raises OnChange.
    TCanvas& Canvas();
    // Row access (top to bottom). The row holds 1, 8 or 32 bits a pixel by format.
    uint8_t* ScanLine(int row);

    const QImage& Image() const { return image; }
    // Replaces the pixels (readers); the format follows the image's.
    void SetImage(QImage value);

protected:
    // Reads a "BM" file, or also a DIB without file header when packedAllowed.
    void LoadBitmap(TStream& stream, bool packedAllowed);

private:
    void ImageChanged();

    QImage image;
    TPixelFormat format = TPixelFormat::pf24bit;
    std::unique_ptr<TCanvas> canvas;
    QImage scaleCache;  // the last shrunken copy drawn, reused while the size holds
};

QImage::Format QtFormat(TPixelFormat format);

}  // namespace galimo
