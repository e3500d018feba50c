// Decoding speed against two peers, every side starting from the file's bytes in memory
// and ending with every frame's colour indexes in memory it allocated itself:
//   galimo  TGIFImage::LoadFromStream: the whole model, each frame's indexes kept apart;
//   giflib  DGifSlurp: each frame's indexes kept apart, as ours;
//   Wuffs   every frame decoded to 8-bit indexes over its place in one canvas-sized
//           buffer (when wuffs-v0.4.c was found at configure time; see wuffs_peer.c).
// Inputs: the six files of make-inputs.sh. After the runs it prints, per input, the
// ratios of the median times to giflib's (below 1.0: faster than giflib) and ours to
// Wuffs's.
#include "../pairedratio.h"
#include "gif/gifimage.h"
#ifdef GALIMO_WUFFS
#include "wuffs_peer.h"
#endif

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

using namespace galimo;

namespace {

#ifndef GIF_BENCH_INPUTS
#define GIF_BENCH_INPUTS "bench-gif-inputs"
#endif

const char* const Inputs[] = {"photo-4000x3000.gif",  "anim-500x500x100.gif",  "anim-65x35x38.gif",
                              "photo2-4000x3000.gif", "anim2-500x500x100.gif", "anim2-65x35x38.gif"};

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string InputDir()
{
    const char* env = std::getenv("GIF_BENCH_INPUTS");
    return env && *env ? env : GIF_BENCH_INPUTS;
}

struct MemoryReader {
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count), r->bytes->size() - r->pos);
    std::memcpy(buffer, r->bytes->data() + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

void DecodeGalimo(const std::vector<uint8_t>& bytes)
{
    TGIFImage image;
    TMemoryStream stream(bytes.data(), bytes.size());
    image.LoadFromStream(stream);
    benchmark::DoNotOptimize(image.Images()[0].Pixels());
}

void BM_Galimo(benchmark::State& state, const std::vector<uint8_t>* bytes)
{
    for (auto _ : state) DecodeGalimo(*bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes->size()));
}

void BM_Giflib(benchmark::State& state, const std::vector<uint8_t>* bytes)
{
    for (auto _ : state) {
        MemoryReader reader{bytes, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib failed");
            if (gif) DGifCloseFile(gif, &error);
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes->size()));
}

#ifdef GALIMO_WUFFS
void BM_Wuffs(benchmark::State& state, const std::vector<uint8_t>* bytes)
{
    unsigned checksum = 0;
    for (auto _ : state) {
        if (WuffsDecodeIndexes(bytes->data(), bytes->size(), &checksum) < 1) {
            state.SkipWithError("Wuffs failed");
            break;
        }
    }
    benchmark::DoNotOptimize(checksum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes->size()));
}

// Galimo and Wuffs back to back in each iteration: on a loaded machine the medians of
// these per-pair ratios drift less than the ratio of separate medians.
void BM_PairedWuffs(benchmark::State& state, const std::vector<uint8_t>* bytes)
{
    unsigned checksum = 0;
    galimo::bench::PairedRatios(
        state, [&] { DecodeGalimo(*bytes); }, [&] { WuffsDecodeIndexes(bytes->data(), bytes->size(), &checksum); },
        "cpu_ratio");
    benchmark::DoNotOptimize(checksum);
}
#endif

// The console output as usual, plus the medians kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
    void PrintRatios() const
    {
        std::printf("\nratios of median times (real / cpu); below 1.0 the first is faster\n");
        std::printf("  %-24s %-15s %-15s %s\n", "input", "galimo/giflib", "Wuffs/giflib", "galimo/Wuffs");
        for (const char* input : Inputs) {
            const auto ours = Find("galimo/", input), giflib = Find("giflib/", input), wuffs = Find("wuffs/", input);
            if (!ours || !giflib) continue;
            std::printf("  %-24s %.3f / %.3f   ", input, ours->first / giflib->first, ours->second / giflib->second);
            if (wuffs)
                std::printf("%.3f / %.3f   %.3f / %.3f\n", wuffs->first / giflib->first, wuffs->second / giflib->second,
                            ours->first / wuffs->first, ours->second / wuffs->second);
            else
                std::printf("-               -\n");
        }
    }

private:
    const std::pair<double, double>* Find(const char* side, const char* input) const
    {
        const auto it = medians.find(std::string(side) + input);
        return it == medians.end() || it->second.first <= 0 || it->second.second <= 0 ? nullptr : &it->second;
    }

    std::map<std::string, std::pair<double, double>> medians;  // real, cpu
};

}  // namespace

int main(int argc, char** argv)
{
    static std::vector<std::vector<uint8_t>> files;
    files.reserve(std::size(Inputs));
    for (const char* input : Inputs) {
        files.push_back(ReadAll(InputDir() + "/" + input));
        if (files.back().empty()) {
            std::fprintf(stderr, "missing %s/%s: run bench/gif/make-inputs.sh %s\n", InputDir().c_str(), input,
                         InputDir().c_str());
            return 1;
        }
    }
#ifndef GALIMO_WUFFS
    std::printf("Wuffs left out: wuffs-v0.4.c was not found at configure time (GALIMO_WUFFS_DIR)\n");
#endif
    // The decoders on an input in turn, so that the machine's load affects them alike.
    for (size_t i = 0; i < files.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("galimo/") + Inputs[i]).c_str(), BM_Galimo, &files[i])
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("giflib/") + Inputs[i]).c_str(), BM_Giflib, &files[i])
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
#ifdef GALIMO_WUFFS
        benchmark::RegisterBenchmark((std::string("wuffs/") + Inputs[i]).c_str(), BM_Wuffs, &files[i])
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("paired-galimo-wuffs/") + Inputs[i]).c_str(), BM_PairedWuffs,
                                     &files[i])
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
#endif
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
