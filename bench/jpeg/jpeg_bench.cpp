// Loading a camera photo and drawing it into a 120 x 120 thumbnail, against a plain libjpeg
// decode of the same file with the same parameters, in one run. The ratio printed at the
// end is what the glue and the stretch cost on top of the library's own work.
//
// Inputs: scripts/make-bench-jpegs.sh FOLDER; run: jpeg_bench FOLDER [benchmark flags].
#include "../pairedratio.h"
#include "picture/bitmap.h"
#include "picture/jpegimage.h"
#include "picture/picture.h"
#include "platform/drawing/canvas.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <stdexcept>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

std::string inputFolder;

std::string Input(int megapixels) { return inputFolder + "/camera-" + std::to_string(megapixels) + "mp.jpg"; }

// What a thumbnail costs in the viewer: load through the picture container, stretch-draw
// into a white 120 x 120 bitmap (decoding on that first draw).
void LoadAndDraw(const std::string& file);

void BM_LoadAndDraw(benchmark::State& state)
{
    const std::string file = Input(static_cast<int>(state.range(0)));
    for (auto _ : state) LoadAndDraw(file);
}

// The library alone: the same file from disk, the same parameters (block smoothing, the
// default DCT and upsampling, four-byte blue-green-red rows, one row a call) into a fresh
// buffer of the same size.
void PlainDecode(const std::string& file, J_COLOR_SPACE space, int bytesPerPixel)
{
    FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) throw std::runtime_error("cannot open " + file);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.do_block_smoothing = TRUE;
    cinfo.out_color_space = space;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * bytesPerPixel;
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * cinfo.output_height]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.get() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    benchmark::DoNotOptimize(pixels.get());
}

void BM_PlainDecode(benchmark::State& state)
{
    const std::string file = Input(static_cast<int>(state.range(0)));
    for (auto _ : state) PlainDecode(file, JCS_EXT_BGRA, 4);
}

// One thumbnail made the viewer's way, as in BM_LoadAndDraw.
void LoadAndDraw(const std::string& file)
{
    galimo::TPicture picture;
    picture.LoadFromFile(file);
    galimo::TBitmap thumbnail(120, 120, galimo::TPixelFormat::pf24bit);
    thumbnail.Canvas().BrushColor = Qt::white;
    thumbnail.Canvas().FillRect({0, 0, 120, 120});
    thumbnail.Canvas().StretchDraw({0, 0, 120, 120}, picture.Graphic());
    benchmark::DoNotOptimize(thumbnail.Image().constBits());
}

// On a machine shared with other work the separate timings drift with the load. Here each
// iteration times the viewer's way and the plain decode back to back (in alternating
// order), so each pair sees the same conditions; the counters are the medians of the
// per-pair ratios, in CPU time and in real time.
void BM_PairedRatio(benchmark::State& state)
{
    const std::string file = Input(static_cast<int>(state.range(0)));
    galimo::bench::PairedRatios(
        state, [&] { LoadAndDraw(file); }, [&] { PlainDecode(file, JCS_EXT_BGRA, 4); }, "cpu_ratio");
}

// The same with three-byte rows, the library's most common use, for reference.
void BM_PlainDecodeRGB(benchmark::State& state)
{
    const std::string file = Input(static_cast<int>(state.range(0)));
    for (auto _ : state) PlainDecode(file, JCS_RGB, 3);
}

// The stretch alone: a decoded 24-bit photo of that size shrunk to 120 x 120.
void BM_StretchOnly(benchmark::State& state)
{
    const int mp = static_cast<int>(state.range(0));
    QImage photo(mp == 12 ? 4000 : 6000, mp == 12 ? 3000 : 4000, QImage::Format_RGB32);
    photo.fill(qRgb(90, 140, 200));
    for (auto _ : state) {
        QImage cache;
        benchmark::DoNotOptimize(galimo::ScaledForDraw(photo, 120, 120, cache).constBits());
    }
}

BENCHMARK(BM_StretchOnly)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PairedRatio)->Arg(12)->Arg(24)->Iterations(21)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadAndDraw)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainDecode)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainDecodeRGB)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the console output and, per benchmark, the median time of its repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
            {
                const std::string name = run.run_name.function_name + "/" + run.run_name.args;
                times[name].push_back(run.GetAdjustedRealTime());
                times[name + "/cpu"].push_back(run.GetAdjustedCPUTime());
                for (const char* counter : {"cpu_ratio", "real_ratio"}) {
                    auto it = run.counters.find(counter);
                    if (it != run.counters.end()) times[name + "/" + counter].push_back(it->second.value);
                }
            }
    }
    double Median(const std::string& name) const
    {
        auto it = times.find(name);
        if (it == times.end() || it->second.empty()) return 0;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> times;
};

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s INPUT_FOLDER [benchmark flags]\n", argv[0]);
        return 2;
    }
    inputFolder = argv[1];
    galimo::InitJPEGModule(32);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Medians of the repetitions; CPU time is the steadier figure on a shared machine.
    for (const char* mp : {"12", "24"})
        for (const char* clock : {"", "/cpu"}) {
            const std::string suffix = std::string(mp) + clock;
            const double ours = reporter.Median("BM_LoadAndDraw/" + suffix);
            const double plain = reporter.Median("BM_PlainDecode/" + suffix);
            const double rgb = reporter.Median("BM_PlainDecodeRGB/" + suffix);
            if (ours > 0 && plain > 0)
                std::printf("%s MP, %s time: load + draw %.1f ms, plain decode %.1f ms, ratio %.3f"
                            " (against 3-byte rows %.3f)\n",
                            mp, *clock ? "CPU" : "real", ours, plain, ours / plain, rgb > 0 ? ours / rgb : 0.0);
        }
    for (const char* mp : {"12", "24"}) {
        const double cpu = reporter.Median(std::string("BM_PairedRatio/") + mp + "/cpu_ratio");
        const double real = reporter.Median(std::string("BM_PairedRatio/") + mp + "/real_ratio");
        if (cpu > 0)
            std::printf("%s MP, paired (median of per-pair ratios): CPU time %.3f, real time %.3f\n", mp, cpu, real);
    }
    benchmark::Shutdown();
    return 0;
}
