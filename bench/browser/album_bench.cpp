// Opening an album of twelve camera photos in the main window (the strip built and photo 0
// shown) against thirteen plain full libjpeg decodes of the same files, in one run. Both
// are timed in real time: the window uses every core, the plain decodes one. An album of
// 120 photos, with and without the camera's EXIF thumbnails, is timed to its first photo
// and to its complete strip against 120 plain decodes.
//
// Inputs: scripts/make-bench-jpegs.sh FOLDER; run: album_bench FOLDER [benchmark flags].
#include "albumbench.h"
#include "../pairedratio.h"

#include <benchmark/benchmark.h>
#include "picture/bitmap.h"
#include "picture/picture.h"
#include "platform/core/memory.h"
#include "platform/drawing/canvas.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kPhotos = 12;
std::string inputFolder;

std::string Input(int megapixels) { return inputFolder + "/camera-" + std::to_string(megapixels) + "mp.jpg"; }
std::string WithExif() { return inputFolder + "/camera-12mp-exif.jpg"; }

// One full decode the library's plain way, four-byte rows, into a fresh buffer.
void PlainDecode(const std::string& file)
{
    FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) throw std::runtime_error("cannot open " + file);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 4;
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

void PlainDecodes(const std::string& file, int count = kPhotos + 1)
{
    for (int i = 0; i < count; ++i) PlainDecode(file);
}

// A window over two albums of the same photos; each open alternates between them, so the
// file list is re-read every time, as when a person picks another album.
struct Window {
    explicit Window(const std::string& photo, int count = kPhotos)
    {
        medium.Album("a", photo, count);
        medium.Album("b", photo, count);
        medium.Window();
        medium.Open("a");
    }
    void Open()
    {
        second = !second;
        medium.Open(second ? "b" : "a");
    }
    // Opens the other album; firstPhoto and strip get the milliseconds from the click to
    // picture 0 in the photo view and to the complete strip.
    void Open(double& firstPhoto, double& strip)
    {
        second = !second;
        galimo::TDepart& w = *medium.Depart();
        const galimo::TGraphic* before = w.photo->Picture().Graphic();
        const auto t0 = std::chrono::steady_clock::now();
        const auto since = [&] {
            return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        };
        medium.Click(second ? "b" : "a");
        medium.WaitFor([&] { return w.photo->Picture().Graphic() != before; });
        w.photo->repaint();
        firstPhoto = since();
        medium.WaitFor([&] { return medium.StripComplete(); });
        strip = since();
    }
    albumbench::Medium medium;
    bool second = false;
};

void BM_AlbumOpen(benchmark::State& state)
{
    Window window(Input(static_cast<int>(state.range(0))));
    for (auto _ : state) window.Open();
}

void BM_PlainDecodes(benchmark::State& state)
{
    const std::string file = Input(static_cast<int>(state.range(0)));
    for (auto _ : state) PlainDecodes(file);
}

// On a shared machine the separate timings drift with the load: each iteration times both
// back to back, in alternating order, and the counters are the medians of the pairs'
// ratios: real time, and CPU time of all threads (the work, whatever the cores free).
void BM_PairedRatio(benchmark::State& state)
{
    const std::string file = Input(static_cast<int>(state.range(0)));
    Window window(file);
    galimo::bench::PairedRatios(
        state, [&] { window.Open(); }, [&] { PlainDecodes(file); }, "work_ratio");
}

// 120 photos of 12 megapixels, with the camera's thumbnails (1) or without EXIF (0): the
// medians of the ratios of click -> first photo and click -> complete strip to 120 plain
// decodes, each iteration timing both back to back in alternating order.
void BM_LargeAlbum(benchmark::State& state)
{
    constexpr int kLarge = 120;
    const std::string file = state.range(0) ? WithExif() : Input(12);
    Window window(file, kLarge);
    std::vector<double> first, strip;
    bool oursFirst = true;
    for (auto _ : state) {
        double photo = 0, complete = 0, plain = 0;
        for (int k = 0; k < 2; ++k) {
            if ((k == 0) == oursFirst) {
                window.Open(photo, complete);
            } else {
                const auto t0 = std::chrono::steady_clock::now();
                PlainDecodes(file, kLarge);
                plain = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            }
        }
        oursFirst = !oursFirst;
        first.push_back(photo / plain);
        strip.push_back(complete / plain);
        state.counters["first_ms"] = photo;
        state.counters["strip_ms"] = complete;
    }
    state.counters["first_ratio"] = galimo::bench::Median(first);
    state.counters["strip_ratio"] = galimo::bench::Median(strip);
}

// Twelve photos: the medians of click -> first photo and click -> complete strip. Run once
// as it is and once with QT_SCALE_FACTOR=1.8 (the form on a 1920 x 1080 screen that keeps its
// mode) to see what drawing for the screen's pixels costs: scripts/bench-scale.sh.
void BM_AlbumTimes(benchmark::State& state)
{
    Window window(Input(12));
    std::vector<double> first, strip;
    for (auto _ : state) {
        double photo = 0, complete = 0;
        window.Open(photo, complete);
        first.push_back(photo);
        strip.push_back(complete);
    }
    state.counters["first_ms"] = galimo::bench::Median(first);
    state.counters["strip_ms"] = galimo::bench::Median(strip);
}

// The photo view's zoom toggled to natural size and painted, once the full picture that the
// fitted view has made ahead of it is ready.
void BM_ZoomToNatural(benchmark::State& state)
{
    Window window(Input(static_cast<int>(state.range(0))));
    galimo::TDepart& w = *window.medium.Depart();
    for (auto _ : state) {
        state.PauseTiming();
        w.ShowPicture(0);  // a fresh picture, fitted
        window.medium.Settle();
        window.medium.ZoomPrepared();
        state.ResumeTiming();
        w.photoClick();
        window.medium.Settle();
    }
}

// Thumbnails of the bench photos made the window's way against the exact mean of a full
// decode: the mean difference per channel, in levels.
void PrintThumbnailDifference()
{
    for (const std::string& file : {Input(12), Input(24), WithExif()}) {
        galimo::TPicture fast, full;
        fast.LoadFromFile(file);
        full.LoadFromFile(file);
        galimo::TBitmap ours(120, 120, galimo::TPixelFormat::pf24bit), exact(120, 120, galimo::TPixelFormat::pf24bit);
        ours.Canvas().StretchDraw({0, 0, 120, 120}, fast.Graphic());
        auto& jpeg = static_cast<galimo::TJPEGImage&>(*full.Graphic());
        exact.Canvas().DrawImage(0, 0, galimo::ShrinkAverage(jpeg.Bitmap().Image(), 120, 120));
        double sum = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x) {
                const QRgb p = ours.Image().pixel(x, y), q = exact.Image().pixel(x, y);
                sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            }
        // 0 eighths: drawn from the camera's own thumbnail.
        std::printf("thumbnail of %s: decoded at %d/8, mean difference to the exact one %.3f levels\n",
                    std::filesystem::path(file).filename().c_str(),
                    static_cast<galimo::TJPEGImage&>(*fast.Graphic()).DecodedEighths(), sum / (3 * 120 * 120));
    }
}

BENCHMARK(BM_LargeAlbum)->Arg(1)->Arg(0)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PairedRatio)->Arg(12)->Arg(24)->Iterations(9)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AlbumOpen)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainDecodes)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AlbumTimes)->Iterations(9)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomToNatural)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    galimo::KeepPictureBlocksForReuse();  // as the program does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s INPUT_FOLDER [benchmark flags]\n", argv[0]);
        return 2;
    }
    inputFolder = std::filesystem::absolute(argv[1]).string();  // the window moves into its medium
    galimo::InitJPEGModule(32);
    PrintThumbnailDifference();
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
