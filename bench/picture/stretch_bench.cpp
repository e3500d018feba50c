// What a thumbnail costs: loading a 6000 x 4000 bitmap against shrinking it to 120 x 120,
// our area-averaging path against Qt's smooth scaling of the same pixels.
#include "picture/bitmap.h"
#include "platform/drawing/canvas.h"
#include "platform/files/stream.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>

using namespace galimo;

namespace {

QGuiApplication& App()
{
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication& app = *new QGuiApplication(argc, argv);
    return app;
}

// A photo-like picture: smooth gradients with fine detail, so no path profits from
// uniform colour.
QImage Photo(QImage::Format format)
{
    QImage img(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = qRgb((x * 255 / 6000) ^ (y & 7), (y * 255 / 4000) ^ (x & 3), ((x + y) * 255 / 10000));
    }
    return format == QImage::Format_RGB32 ? img : img.convertToFormat(format);
}

const std::vector<uint8_t>& BmpFile()
{
    static const std::vector<uint8_t> bytes = [] {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        Photo(QImage::Format_RGB888).save(&buffer, "BMP");  // a 24-bit file, as cameras' editors write
        return std::vector<uint8_t>(data.begin(), data.end());
    }();
    return bytes;
}

void BM_LoadBmp6000x4000(benchmark::State& state)
{
    App();
    const auto& bytes = BmpFile();
    for (auto _ : state) {
        TBitmap b;
        TMemoryStream s(bytes.data(), bytes.size());
        b.LoadFromStream(s);
        benchmark::DoNotOptimize(b.Width());
    }
}

void BM_ThumbnailOurs(benchmark::State& state)
{
    App();
    TBitmap source;
    source.SetImage(Photo(QImage::Format_RGB32));
    for (auto _ : state) {
        TBitmap thumb(120, 120, TPixelFormat::pf24bit);
        thumb.Canvas().StretchDraw({0, 0, 120, 120}, &source);
        benchmark::DoNotOptimize(thumb.Image().constBits());
        source.ScanLine(0);  // drops the bitmap's scale cache: every round scales afresh
    }
}

void BM_ThumbnailQtSmooth32(benchmark::State& state)
{
    App();
    const QImage img = Photo(QImage::Format_RGB32);
    for (auto _ : state) benchmark::DoNotOptimize(img.scaled(120, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void BM_ThumbnailQtSmooth24(benchmark::State& state)
{
    App();
    const QImage img = Photo(QImage::Format_RGB888);
    for (auto _ : state) benchmark::DoNotOptimize(img.scaled(120, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

BENCHMARK(BM_LoadBmp6000x4000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ThumbnailOurs)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ThumbnailQtSmooth32)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ThumbnailQtSmooth24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
