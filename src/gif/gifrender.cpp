#include "gif/gifrender.h"

#include "gif/gifimage.h"
#include "platform/core/arith.h"
#include "platform/drawing/canvas.h"

#include <algorithm>
#include <vector>

namespace galimo {

namespace {

// Set while the picture's palette is being worked out: a picture without any colour
// table would otherwise go round from the picture to its first frame and back.
thread_local const TGIFImage* paletteInProgress = nullptr;

constexpr int ClearIndex = 255;  // where a dithered frame's transparent pixels go

// One row after the other, Floyd-Steinberg error diffusion into the cube: errors kept in
// sixteenths, the direction reversed on every row, transparent pixels left out.
class TFloydSteinbergDitherer {
public:
    explicit TFloydSteinbergDitherer(int width)
        : width(width), current(static_cast<size_t>(width + 2) * 3), below(current.size())
    {
    }

    void Row(const uint8_t* indices, const TGIFColor* colors, int colorCount, int transparent, uint8_t* out)
    {
        std::fill(below.begin(), below.end(), 0);
        const int dir = leftToRight ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = leftToRight ? i : width - 1 - i;
            const int index = indices[x];
            if (index == transparent) {
                out[x] = ClearIndex;
                continue;
            }
            const TGIFColor c = index < colorCount ? colors[index] : TGIFColor{};
            const int component[3] = {c.Red, c.Green, c.Blue};
            int level[3];
            for (int k = 0; k < 3; ++k) {
                const int v = std::clamp(component[k] + Div(Error(current, x, k) + 8, 16), 0, 255);
                level[k] = TNetscapeColorLookup(v);
                const int diff = v - level[k] * 51;
                Error(current, x + dir, k) += diff * 7;
                Error(below, x - dir, k) += diff * 3;
                Error(below, x, k) += diff * 5;
                Error(below, x + dir, k) += diff * 1;
            }
            out[x] = static_cast<uint8_t>(CubeIndex(level[0], level[1], level[2]));
        }
        std::swap(current, below);
        leftToRight = !leftToRight;
    }

    // The cube level of a component.
    static int TNetscapeColorLookup(int component) { return (component + 3) / 51; }

private:
    // Columns -1 and width exist so the edges need no test; what lands there is dropped.
    int& Error(std::vector<int>& row, int x, int k) { return row[static_cast<size_t>(x + 1) * 3 + k]; }

    int width;
    std::vector<int> current, below;
    bool leftToRight = true;
};

QImage NewFrameBitmap(int w, int h)
{
    QImage bitmap(w, h, QImage::Format_Indexed8);
    if (bitmap.isNull()) throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    return bitmap;
}

}  // namespace

void TGIFRenderCacheDeleter::operator()(TGIFRenderCache* cache) const { delete cache; }

const QList<QRgb>& CubeColorTable()
{
    static const QList<QRgb> table = [] {
        QList<QRgb> t(256, qRgba(0, 0, 0, 0));
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) t[CubeIndex(r, g, b)] = qRgb(51 * r, 51 * g, 51 * b);
        return t;
    }();
    return table;
}

bool DitherApplies(const TGIFImage& image)
{
    return (image.DrawOptions & DrawDither) && (!(image.DrawOptions & DrawDitherOnPaletteDisplayOnly) || PaletteDisplay());
}

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

    const int transparent = frame.HasTransparency && frame.GraphicControl ? frame.GraphicControl->TransparentIndex : -1;
    TGIFRenderCachePtr cache(new TGIFRenderCache);
    try {
        image.RenderProgress(ProgressStage::Starting, 0);
        QImage& bitmap = cache->Bitmap;
        const uint8_t* src = frame.Pixels();
        if (DitherApplies(image)) {
            bitmap = NewFrameBitmap(frame.Width, frame.Height);
            bitmap.setColorTable(CubeColorTable());
            const TGIFColorMap& colors = frame.EffectiveColors();
            TFloydSteinbergDitherer ditherer(frame.Width);
            for (int y = 0; y < frame.Height; ++y, src += frame.Width) {
                if (y % 32 == 0) image.RenderProgress(ProgressStage::Running, MulDiv(y, 100, frame.Height));
                ditherer.Row(src, colors.Data(), colors.ColorCount(), transparent, bitmap.scanLine(y));
            }
        } else {
            // 256 slots from the palette, black beyond its entries, as an 8-bit bitmap
            // of this frame would show them; the transparent entry is clear.
            QList<QRgb> table(256, qRgb(0, 0, 0));
            if (const TGIFColorMap* palette = FramePalette(image, frame))
                for (int i = 0; i < palette->ColorCount(); ++i) {
                    const TGIFColor& c = (*palette)[i];
                    table[i] = qRgb(c.Red, c.Green, c.Blue);
                }
            if (transparent >= 0) table[transparent] = qRgba(0, 0, 0, 0);
            // The rows are the frame's own index bytes: the bitmap shows them in place,
            // read-only, so a frame costs its pixels once and a colour table.
            for (int y = 0; y < frame.Height; y += 32) image.RenderProgress(ProgressStage::Running, MulDiv(y, 100, frame.Height));
            bitmap = QImage(src, frame.Width, frame.Height, frame.Width, QImage::Format_Indexed8);
            if (bitmap.isNull()) throw EOutOfMemory("Failed to allocate memory for GIF DIB");
            bitmap.setColorTable(table);
        }
    } catch (const EAbort&) {
        image.RenderProgress(ProgressStage::Ending, 0);
        return none;
    } catch (...) {
        try {
            image.RenderProgress(ProgressStage::Ending, 0);
        } catch (const EAbort&) {
        }
        throw;
    }
    frame.SetRenderCache(std::move(cache));
    try {
        image.RenderProgress(ProgressStage::Ending, 100);
    } catch (const EAbort&) {
    }
    return frame.RenderCache()->Bitmap;
}

TRect ScaleFrameRect(const TGIFImage& image, const TGIFSubImage& frame, const TRect& r)
{
    const int sw = image.Width(), sh = image.Height();
    return {r.Left + MulDiv(frame.Left, r.Width(), sw), r.Top + MulDiv(frame.Top, r.Height(), sh),
            r.Left + MulDiv(frame.Left + frame.Width, r.Width(), sw), r.Top + MulDiv(frame.Top + frame.Height, r.Height(), sh)};
}

void DrawFrame(TGIFImage& image, TGIFSubImage& frame, TCanvas& canvas, const TRect& rect)
{
    const QImage& bitmap = RenderFrame(image, frame);
    if (bitmap.isNull()) return;
    canvas.StretchImage(ScaleFrameRect(image, frame, rect), bitmap, &frame.RenderCache()->ScaleCache);
}

}  // namespace galimo
