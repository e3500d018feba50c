// TCanvas: a drawing surface (a widget being painted, a bitmap, a printer page) with the
// brush, the pen and the pen position kept between operations. Rectangles have their
// right and bottom edges exclusive: (0, 0, 120, 120) covers 120 x 120 pixels.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QPainter;
class QPaintDevice;

namespace galimo {

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    bool operator==(const TRect&) const = default;
};

class TCanvas;

// Whatever can draw itself scaled into a rectangle of a canvas (the picture classes).
class IDrawable {
public:
    virtual ~IDrawable() = default;
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
};

enum class BrushStyle { Solid, Clear };
enum class PenStyle { Solid, Dash, Dot, Clear };

class TCanvas {
public:
    // A canvas over a painter someone else has begun (a paint event, a printer page).
    explicit TCanvas(QPainter* painter);
    // A canvas over a device; every operation paints through a short-lived painter, so
    // the device (an image) may be read between operations.
    explicit TCanvas(QPaintDevice* device);

    QColor BrushColor = Qt::white;
    BrushStyle Brush = BrushStyle::Solid;
    QColor PenColor = Qt::black;
    PenStyle Pen = PenStyle::Solid;
    int PenWidth = 1;

    // Called after every operation that changed the surface.
    std::function<void()> OnChange;

    void FillRect(const TRect& rect);
    void MoveTo(int x, int y) { penPos = QPoint(x, y); }
    // Draws from the pen position to (x, y), the end point excluded, and moves the pen.
    void LineTo(int x, int y);
    // The graphic draws itself scaled to fill the rectangle; nothing when it is null.
    void StretchDraw(const TRect& rect, IDrawable* graphic);
    // Draws an image scaled into the rectangle: shrinking averages the pixels it drops,
    // enlarging interpolates. An empty or inverted rectangle draws nothing.
    void StretchImage(const TRect& rect, const QImage& image, QImage* cache = nullptr);
    // Screen pixels per unit of this canvas: a widget's on a scaled screen, or a bitmap's own
    // ratio; 1 for a plain bitmap or a printer page.
    double PixelScale() const;
    // The pixels a rectangle covers on the surface.
    QSize Pixels(const TRect& rect) const;
    // Copies an image unscaled with its top-left corner at (x, y).
    void DrawImage(int x, int y, const QImage& image);
    void TextOut(int x, int y, const QString& text);
    // What lies in the rectangle: a bitmap's pixels; for a control being painted, its
    // parent's background; for a printer page, white.
    QImage CopyArea(const TRect& rect);

    // The painter of the operation in progress (valid inside WithPainter only).
    void WithPainter(const std::function<void(QPainter&)>& fn);

private:
    // The image's pixels one for one, its top-left corner at (x, y) in canvas units.
    void DrawPixels(int x, int y, const QImage& image, double scale);
    void Changed()
    {
        if (OnChange) OnChange();
    }

    QPainter* painter = nullptr;
    QPaintDevice* device = nullptr;
    QPoint penPos;
};

// Area-averaging reduction of an image to w x h (each not above the source's), exact box
// filter per output pixel; result in a 32-bit format. Exposed for tests and benchmarks.
QImage ShrinkAverage(const QImage& source, int w, int h);

// The image scaled to w x h the way StretchImage draws it, kept in cache when the cache
// already holds that size (the caller invalidates it when the source changes).
const QImage& ScaledForDraw(const QImage& source, int w, int h, QImage& cache);

}  // namespace galimo
