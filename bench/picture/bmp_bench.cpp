// Reading bitmaps: our reader (a TBitmap load, as the album does it) against Qt's BMP reader
// and stb_image, each pair timed back to back in one run. The inputs are made here: a
// 6000 x 4000 24-bit photo, a 4000 x 3000 RLE8 picture and a 2000 x 2000 16-bit (5-6-5
// bitfields) one. stb_image reads no RLE, so the RLE8 file has Qt's reader as its only peer.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include "../pairedratio.h"
#include "picture/bitmap.h"
#include "platform/files/stream.h"

#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace galimo;

namespace {

void Put(std::vector<uint8_t>& b, size_t at, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<uint8_t>(v >> 8 * i);
}

// File and 40-byte info header (+ masks, + colour table), then the pixel bytes.
std::vector<uint8_t> Headers(int w, int h, int bits, uint32_t compression, const std::vector<uint32_t>& extra)
{
    std::vector<uint8_t> b(54 + 4 * extra.size());
    b[0] = 'B', b[1] = 'M';
    Put(b, 10, static_cast<uint32_t>(b.size()), 4);
    Put(b, 14, 40, 4), Put(b, 18, static_cast<uint32_t>(w), 4), Put(b, 22, static_cast<uint32_t>(h), 4);
    Put(b, 26, 1, 2), Put(b, 28, static_cast<uint32_t>(bits), 2), Put(b, 30, compression, 4);
    if (bits == 8) Put(b, 46, 256, 4);
    for (size_t i = 0; i < extra.size(); ++i) Put(b, 54 + 4 * i, extra[i], 4);
    return b;
}

// A photo-like value: smooth gradients with fine detail.
int Shade(int x, int y, int w, int h, int channel)
{
    return channel == 0 ? (x * 255 / w) ^ (y & 7) : channel == 1 ? (y * 255 / h) ^ (x & 3) : (x + y) * 255 / (w + h);
}

std::vector<uint8_t> Rgb24(int w, int h)
{
    std::vector<uint8_t> b = Headers(w, h, 24, 0, {});
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    for (int y = 0; y < h; ++y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uint8_t>(Shade(x, y, w, h, 2 - c));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::vector<uint8_t> Rgb565(int w, int h)
{
    std::vector<uint8_t> b = Headers(w, h, 16, 3, {0xF800, 0x07E0, 0x001F});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = (Shade(x, y, w, h, 0) >> 3) << 11 | (Shade(x, y, w, h, 1) >> 2) << 5 | Shade(x, y, w, h, 2) >> 3;
            b.push_back(static_cast<uint8_t>(v)), b.push_back(static_cast<uint8_t>(v >> 8));
        }
    return b;
}

// Runs of a few pixels with stretches of noise between them, as a drawing saved with RLE8
// would have: encoded runs and absolute runs both.
std::vector<uint8_t> Rle8(int w, int h)
{
    std::vector<uint32_t> palette(256);
    for (uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010101u;
    std::vector<uint8_t> b = Headers(w, h, 8, 1, palette);
    std::vector<uint8_t> row(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            row[x] = static_cast<uint8_t>(x % 64 < 16 ? x * 31 + y * 17 : (x / 7) * 13 + (y / 5) * 7);
        for (int x = 0; x < w;) {
            int run = 1;
            while (x + run < w && run < 255 && row[x + run] == row[x]) ++run;
            if (run >= 3) {
                b.push_back(static_cast<uint8_t>(run)), b.push_back(row[x]);
                x += run;
                continue;
            }
            int n = 0;  // literal pixels up to the next run of three
            while (x + n < w && n < 255 && !(x + n + 2 < w && row[x + n] == row[x + n + 1] && row[x + n] == row[x + n + 2]))
                ++n;
            if (n < 3) {
                for (int i = 0; i < n; ++i) b.push_back(1), b.push_back(row[x + i]);
            } else {
                b.push_back(0), b.push_back(static_cast<uint8_t>(n));
                b.insert(b.end(), row.begin() + x, row.begin() + x + n);
                if (n & 1) b.push_back(0);
            }
            x += n;
        }
        b.push_back(0), b.push_back(0);
    }
    b.push_back(0), b.push_back(1);
    return b;
}

const std::vector<uint8_t>& Input(int which)
{
    static const std::vector<uint8_t> files[] = {Rgb24(6000, 4000), Rle8(4000, 3000), Rgb565(2000, 2000)};
    return files[which];
}

void Ours(const std::vector<uint8_t>& bytes)
{
    TBitmap b;
    TMemoryStream s(bytes.data(), bytes.size());
    b.LoadFromStream(s);
    benchmark::DoNotOptimize(b.Image().constBits());
}

void Qt(const std::vector<uint8_t>& bytes)
{
    const QImage i = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
    if (i.isNull()) throw std::runtime_error("Qt's reader refused the input");
    benchmark::DoNotOptimize(i.constBits());
}

void Stb(const std::vector<uint8_t>& bytes)
{
    int w, h, n;
    stbi_uc* p = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 0);
    if (!p) throw std::runtime_error("stb_image refused the input");
    benchmark::DoNotOptimize(p);
    stbi_image_free(p);
}

// Arg 0: the input (0 24-bit, 1 RLE8, 2 16-bit bitfields); counters: our time over the peer's.
void BM_OursOverQt(benchmark::State& state)
{
    const auto& bytes = Input(static_cast<int>(state.range(0)));
    bench::PairedRatios(state, [&] { Ours(bytes); }, [&] { Qt(bytes); }, "cpu_ratio");
}

void BM_OursOverStb(benchmark::State& state)
{
    const auto& bytes = Input(static_cast<int>(state.range(0)));
    bench::PairedRatios(state, [&] { Ours(bytes); }, [&] { Stb(bytes); }, "cpu_ratio");
}

void BM_Ours(benchmark::State& state)
{
    for (auto _ : state) Ours(Input(static_cast<int>(state.range(0))));
}

}  // namespace

BENCHMARK(BM_OursOverQt)->Arg(0)->Arg(1)->Arg(2)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OursOverStb)->Arg(0)->Arg(2)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ours)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
