#include "platform/drawing/canvas.h"

#include <QPainter>
#include <QWidget>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace galimo {

TCanvas::TCanvas(QPainter* p) : painter(p) {}
TCanvas::TCanvas(QPaintDevice* d) : device(d) {}

void TCanvas::WithPainter(const std::function<void(QPainter&)>& fn)
{
    if (painter) {
        painter->save();
        fn(*painter);
        painter->restore();
        return;
    }
    QPainter p(device);
    fn(p);
}

void TCanvas::FillRect(const TRect& rect)
{
    if (Brush == BrushStyle::Clear || rect.Width() <= 0 || rect.Height() <= 0) return;
    WithPainter([&](QPainter& p) { p.fillRect(rect.ToQRect(), BrushColor); });
    Changed();
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint from = penPos;
    const QPoint to(x, y);
    penPos = to;
    if (Pen == PenStyle::Clear || from == to) return;
    WithPainter([&](QPainter& p) {
        QPen pen(PenColor);
        pen.setWidth(PenWidth);
        pen.setCapStyle(Qt::FlatCap);
        if (Pen == PenStyle::Dash) pen.setDashPattern({6.0 / PenWidth, 2.0 / PenWidth});
        if (Pen == PenStyle::Dot) pen.setDashPattern({2.0 / PenWidth, 2.0 / PenWidth});
        pen.setStyle(Pen == PenStyle::Solid ? Qt::SolidLine : Qt::CustomDashLine);
        p.setPen(pen);
        p.setRenderHint(QPainter::Antialiasing, false);
        // A flat cap leaves the end point out, as the platform's lines do.
        p.drawLine(from, to);
    });
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, IDrawable* graphic)
{
    if (!graphic) return;
    graphic->Draw(*this, rect);
}

void TCanvas::DrawImage(int x, int y, const QImage& image)
{
    if (image.isNull()) return;
    WithPainter([&](QPainter& p) { p.drawImage(x, y, image); });
    Changed();
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    WithPainter([&](QPainter& p) {
        p.setPen(PenColor);
        const QFontMetrics fm = p.fontMetrics();
        if (Brush == BrushStyle::Solid) p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), BrushColor);
        p.drawText(x, y + fm.ascent(), text);
    });
    Changed();
}

QImage TCanvas::CopyArea(const TRect& rect)
{
    QPaintDevice* on = painter ? painter->device() : device;
    if (on && on->devType() == QInternal::Image)
        return static_cast<QImage*>(on)->copy(rect.ToQRect()).convertToFormat(QImage::Format_RGB32);
    QImage area(std::max(rect.Width(), 1), std::max(rect.Height(), 1), QImage::Format_RGB32);
    QColor under = Qt::white;
    if (on && on->devType() == QInternal::Widget) {
        const auto* widget = static_cast<QWidget*>(on);
        const QWidget* parent = widget->parentWidget() ? widget->parentWidget() : widget;
        under = parent->palette().color(parent->backgroundRole());
    }
    area.fill(under);
    return area;
}

double TCanvas::PixelScale() const
{
    const QPaintDevice* on = painter ? painter->device() : device;
    return on ? on->devicePixelRatio() : 1.0;
}

QSize TCanvas::Pixels(const TRect& rect) const
{
    const double s = PixelScale();
    if (s == 1.0) return {rect.Width(), rect.Height()};
    return {int(std::lround(rect.Width() * s)), int(std::lround(rect.Height() * s))};
}

void TCanvas::StretchImage(const TRect& rect, const QImage& image, QImage* cache)
{
    const int w = rect.Width(), h = rect.Height();
    if (image.isNull() || w <= 0 || h <= 0) return;
    // On a scaled screen a rectangle is given in form units and covers more pixels: the image
    // is made for the pixels, and one whose form extent, rounded up, is the rectangle's shows
    // its own pixels (a photo at natural size).
    const double s = PixelScale();
    const auto own = [s](int pixels, int units) { return int(std::ceil(pixels / s - 1e-9)) == units; };
    if (own(image.width(), w) && own(image.height(), h)) {
        DrawPixels(rect.Left, rect.Top, image, s);
        return;
    }
    const QSize px = Pixels(rect);
    QImage local;
    const QImage& scaled = ScaledForDraw(image, std::min(px.width(), image.width()),
                                         std::min(px.height(), image.height()), cache ? *cache : local);
    if (scaled.size() == px) {
        DrawPixels(rect.Left, rect.Top, scaled, s);
        return;
    }
    WithPainter([&](QPainter& p) {
        // Enlarging along at least one axis: interpolate.
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(rect.ToQRect(), scaled);
    });
    Changed();
}

void TCanvas::DrawPixels(int x, int y, const QImage& image, double scale)
{
    if (scale == 1.0) {
        DrawImage(x, y, image);
        return;
    }
    WithPainter([&](QPainter& p) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRectF(x, y, image.width() / scale, image.height() / scale), image);
    });
    Changed();
}

const QImage& ScaledForDraw(const QImage& source, int w, int h, QImage& cache)
{
    if (w == source.width() && h == source.height()) return source;
    if (!cache.isNull() && cache.width() == w && cache.height() == h) return cache;
    cache = ShrinkAverage(source, w, h);
    return cache;
}

namespace {

// Source pixels as premultiplied ARGB components, whatever the stored format; the fast
// formats are read in place, the rare ones converted once.
template <typename PixelAt>
QImage Reduce(int sw, int sh, int w, int h, bool alpha, PixelAt pixelAt)
{
    QImage out(w, h, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    // Column bins: source column x feeds output column xbin[x]. Every source pixel lands in
    // exactly one output pixel, so each output is the plain mean of the pixels it covers.
    std::vector<int> xbin(static_cast<size_t>(sw));
    std::vector<uint32_t> xcount(static_cast<size_t>(w), 0);
    for (int x = 0; x < sw; ++x) {
        xbin[x] = static_cast<int>(static_cast<int64_t>(x) * w / sw);
        ++xcount[xbin[x]];
    }
    std::vector<uint64_t> acc(static_cast<size_t>(w) * 4, 0);
    int y = 0;
    for (int oy = 0; oy < h; ++oy) {
        int rows = 0;
        std::fill(acc.begin(), acc.end(), 0);
        for (; y < sh && static_cast<int64_t>(y) * h / sh == oy; ++y, ++rows) {
            for (int x = 0; x < sw; ++x) {
                const QRgb c = pixelAt(x, y);
                uint64_t* a = &acc[static_cast<size_t>(xbin[x]) * 4];
                a[0] += qRed(c);
                a[1] += qGreen(c);
                a[2] += qBlue(c);
                a[3] += qAlpha(c);
            }
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(oy));
        for (int ox = 0; ox < w; ++ox) {
            const uint64_t n = static_cast<uint64_t>(xcount[ox]) * static_cast<uint64_t>(std::max(rows, 1));
            const uint64_t* a = &acc[static_cast<size_t>(ox) * 4];
            const auto avg = [n](uint64_t s) { return static_cast<int>((s + n / 2) / n); };
            line[ox] = qRgba(avg(a[0]), avg(a[1]), avg(a[2]), alpha ? avg(a[3]) : 255);
        }
    }
    return out;
}

// The same reduction for the four-byte formats, which is every photo: whole rows at a time,
// each output column summing its contiguous run of source pixels, so the loop the compiler
// sees is a plain sum over memory. Results are identical to Reduce.
QImage ReduceFourBytes(const QImage& source, int w, int h, bool alpha)
{
    const int sw = source.width(), sh = source.height();
    QImage out(w, h, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    // Output column ox covers source columns [xstart[ox], xstart[ox + 1]): exactly those
    // with x * w / sw == ox.
    std::vector<int> xstart(static_cast<size_t>(w) + 1);
    for (int ox = 0; ox <= w; ++ox)
        xstart[ox] = static_cast<int>((static_cast<int64_t>(ox) * sw + w - 1) / w);
    std::vector<uint64_t> acc(static_cast<size_t>(w) * 4, 0);
    int y = 0;
    for (int oy = 0; oy < h; ++oy) {
        int rows = 0;
        std::fill(acc.begin(), acc.end(), 0);
        for (; y < sh && static_cast<int64_t>(y) * h / sh == oy; ++y, ++rows) {
            const auto* line = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
            for (int ox = 0; ox < w; ++ox) {
                // Two channels per 32-bit word (blue and red, green and alpha), summed in
                // chunks of at most 256 pixels so that no 16-bit lane overflows.
                uint64_t b = 0, g = 0, r = 0, a = 0;
                const uint32_t* p = line + xstart[ox];
                const uint32_t* end = line + xstart[ox + 1];
                while (p != end) {
                    const uint32_t* chunkEnd = end - p > 256 ? p + 256 : end;
                    uint32_t br = 0, ga = 0;
                    for (; p != chunkEnd; ++p) {
                        br += *p & 0x00FF00FF;
                        ga += (*p >> 8) & 0x00FF00FF;
                    }
                    b += br & 0xFFFF;
                    r += br >> 16;
                    g += ga & 0xFFFF;
                    a += ga >> 16;
                }
                if (!alpha) a = 0;
                uint64_t* s = &acc[static_cast<size_t>(ox) * 4];
                s[0] += r;
                s[1] += g;
                s[2] += b;
                s[3] += a;
            }
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(oy));
        for (int ox = 0; ox < w; ++ox) {
            const uint64_t n = static_cast<uint64_t>(xstart[ox + 1] - xstart[ox]) * static_cast<uint64_t>(std::max(rows, 1));
            const uint64_t* s = &acc[static_cast<size_t>(ox) * 4];
            const auto avg = [n](uint64_t v) { return static_cast<int>((v + n / 2) / n); };
            line[ox] = qRgba(avg(s[0]), avg(s[1]), avg(s[2]), alpha ? avg(s[3]) : 255);
        }
    }
    return out;
}

}  // namespace

QImage ShrinkAverage(const QImage& source, int w, int h)
{
    const int sw = source.width(), sh = source.height();
    if (source.isNull() || w <= 0 || h <= 0) return {};
    w = std::min(w, sw);
    h = std::min(h, sh);
    switch (source.format()) {
    case QImage::Format_RGB32:
        return ReduceFourBytes(source, w, h, false);
    case QImage::Format_ARGB32_Premultiplied:
        return ReduceFourBytes(source, w, h, true);
    case QImage::Format_RGB888:
        return Reduce(sw, sh, w, h, false, [&](int x, int y) {
            const uchar* p = source.constScanLine(y) + 3 * x;
            return qRgb(p[0], p[1], p[2]);
        });
    case QImage::Format_BGR888:
        return Reduce(sw, sh, w, h, false, [&](int x, int y) {
            const uchar* p = source.constScanLine(y) + 3 * x;
            return qRgb(p[2], p[1], p[0]);
        });
    case QImage::Format_Indexed8: {
        QList<QRgb> table = source.colorTable();
        table.resize(256, qRgb(0, 0, 0));
        bool alpha = false;
        for (QRgb& c : table) {
            if (qAlpha(c) != 255) alpha = true;
            c = qPremultiply(c);
        }
        return Reduce(sw, sh, w, h, alpha, [&](int x, int y) { return table[source.constScanLine(y)[x]]; });
    }
    default: {
        const QImage converted = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                                 : QImage::Format_RGB32);
        return ShrinkAverage(converted, w, h);
    }
    }
}

}  // namespace galimo
