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

// The output rows in order: the sums emptied, the source rows the output row covers (exactly
// those with y * h / sh == oy) added, then the row written from the sums and the number of
// source rows (at least 1).
template <typename Sum, typename AddRow, typename WriteRow>
void ByOutputRow(int sh, int h, std::vector<Sum>& sums, AddRow addRow, WriteRow writeRow)
{
    int y = 0;
    for (int oy = 0; oy < h; ++oy) {
        int rows = 0;
        std::fill(sums.begin(), sums.end(), 0);
        for (; y < sh && static_cast<int64_t>(y) * h / sh == oy; ++y, ++rows) addRow(y);
        writeRow(oy, std::max(rows, 1));
    }
}

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
    ByOutputRow(
        sh, h, acc,
        [&](int y) {
            for (int x = 0; x < sw; ++x) {
                const QRgb c = pixelAt(x, y);
                uint64_t* a = &acc[static_cast<size_t>(xbin[x]) * 4];
                a[0] += qRed(c);
                a[1] += qGreen(c);
                a[2] += qBlue(c);
                a[3] += qAlpha(c);
            }
        },
        [&](int oy, int rows) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(oy));
            for (int ox = 0; ox < w; ++ox) {
                const uint64_t n = static_cast<uint64_t>(xcount[ox]) * static_cast<uint64_t>(rows);
                const uint64_t* a = &acc[static_cast<size_t>(ox) * 4];
                const auto avg = [n](uint64_t s) { return static_cast<int>((s + n / 2) / n); };
                line[ox] = qRgba(avg(a[0]), avg(a[1]), avg(a[2]), alpha ? avg(a[3]) : 255);
            }
        });
    return out;
}

// The means' divisions, by the number of pixels each output pixel covers, done as
// multiplications: for a sum v of n pixels (v < 256 n) and n < 2^16, with m = 2^40 / n
// rounded down, plus one, (v m) >> 40 is exactly v / n rounded down, since v n < 2^40.
// Larger n, from reductions of more than 256 times on both axes, divide.
struct TDivisors {
    std::vector<uint64_t> half, multiplier;  // per output column; multiplier 0: divide
    std::vector<uint32_t> count;
    uint64_t Divide(uint64_t v, int ox, uint64_t m) const { return m ? (v * m) >> 40 : v / count[ox]; }
};

// The divisors of an output row covering `rows` source rows, made once for each such
// number (two at most, the quotient of the heights rounded down and up).
class TRowDivisors {
public:
    explicit TRowDivisors(const std::vector<int>& xstart) : xstart(xstart) {}
    const TDivisors& For(int rows)
    {
        for (const auto& [r, d] : made)
            if (r == rows) return d;
        TDivisors d;
        const size_t w = xstart.size() - 1;
        d.half.resize(w);
        d.multiplier.resize(w);
        d.count.resize(w);
        for (size_t ox = 0; ox < w; ++ox) {
            const uint64_t n = static_cast<uint64_t>(xstart[ox + 1] - xstart[ox]) * static_cast<uint64_t>(rows);
            d.count[ox] = static_cast<uint32_t>(n);
            d.half[ox] = n / 2;
            d.multiplier[ox] = n < (1u << 16) ? (uint64_t(1) << 40) / n + 1 : 0;
        }
        made.reserve(4);  // two in practice: what was handed out stays where it is
        made.emplace_back(rows, std::move(d));
        return made.back().second;
    }

private:
    const std::vector<int>& xstart;
    std::vector<std::pair<int, TDivisors>> made;
};

// ReduceFourBytes where each output pixel covers at most 256 source pixels (a photo fitted
// to a screen, a thumbnail of a small picture): an output pixel's sums then fit the 16-bit
// lanes of two words for the whole output row. Source columns per output pixel are c or
// c + 1 (c = sw / w): c are summed in a loop of fixed length, the odd one without a
// branch, masked, so that the irregular pattern of runs costs no mispredictions.
void ReduceFew(const QImage& source, QImage& out, const std::vector<int>& xstart, TRowDivisors& divisors, bool alpha)
{
    const int sw = source.width(), sh = source.height(), w = out.width(), h = out.height();
    const int c = sw / w;
    std::vector<int> extraAt(static_cast<size_t>(w));
    std::vector<uint32_t> extraMask(static_cast<size_t>(w));
    for (int ox = 0; ox < w; ++ox) {
        extraAt[ox] = std::min(xstart[ox] + c, sw - 1);
        extraMask[ox] = xstart[ox + 1] - xstart[ox] > c ? 0xFFFFFFFFu : 0;
    }
    std::vector<uint32_t> acc(static_cast<size_t>(w) * 2);
    ByOutputRow(
        sh, h, acc,
        [&](int y) {
            const auto* line = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
            uint32_t* a = acc.data();
            for (int ox = 0; ox < w; ++ox, a += 2) {
                const uint32_t* p = line + xstart[ox];
                const uint32_t e = line[extraAt[ox]] & extraMask[ox];
                uint32_t br = e & 0x00FF00FF, ga = (e >> 8) & 0x00FF00FF;
                for (int k = 0; k < c; ++k) {
                    br += p[k] & 0x00FF00FF;
                    ga += (p[k] >> 8) & 0x00FF00FF;
                }
                a[0] += br;
                a[1] += ga;
            }
        },
        [&](int oy, int rows) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(oy));
            const TDivisors& d = divisors.For(rows);
            for (int ox = 0; ox < w; ++ox) {
                const uint32_t br = acc[static_cast<size_t>(ox) * 2], ga = acc[static_cast<size_t>(ox) * 2 + 1];
                const uint64_t half = d.half[ox], m = d.multiplier[ox];
                const auto avg = [&](uint32_t v) { return static_cast<int>(d.Divide(v + half, ox, m)); };
                line[ox] = qRgba(avg(br >> 16), avg(ga & 0xFFFF), avg(br & 0xFFFF), alpha ? avg(ga >> 16) : 255);
            }
        });
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
    TRowDivisors divisors(xstart);
    if ((sw / w + 1) * (sh / h + 1) <= 256) {
        ReduceFew(source, out, xstart, divisors, alpha);
        return out;
    }
    std::vector<uint64_t> acc(static_cast<size_t>(w) * 4, 0);
    ByOutputRow(
        sh, h, acc,
        [&](int y) {
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
        },
        [&](int oy, int rows) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(oy));
            const TDivisors& d = divisors.For(rows);
            for (int ox = 0; ox < w; ++ox) {
                const uint64_t* s = &acc[static_cast<size_t>(ox) * 4];
                const uint64_t half = d.half[ox], m = d.multiplier[ox];
                const auto avg = [&](uint64_t v) { return static_cast<int>(d.Divide(v + half, ox, m)); };
                line[ox] = qRgba(avg(s[0]), avg(s[1]), avg(s[2]), alpha ? avg(s[3]) : 255);
            }
        });
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
