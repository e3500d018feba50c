// Decoding speed of TGIFImage::LoadFromStream against giflib's DGifSlurp, both from
// memory, on the three inputs of make-inputs.sh. After the runs it prints, per input,
// the ratio of the median times (ours / giflib): below 1.0 we are faster.
#include "gif/gifimage.h"

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

const char* const Inputs[] = {"photo-4000x3000.gif", "anim-500x500x100.gif", "anim-65x35x38.gif"};

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

void BM_Galimo(benchmark::State& state, const std::vector<uint8_t>* bytes)
{
    for (auto _ : state) {
        TGIFImage image;
        TMemoryStream stream(bytes->data(), bytes->size());
        image.LoadFromStream(stream);
        benchmark::DoNotOptimize(image.Images()[0].Pixels());
    }
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
        std::printf("\nratio of median times, galimo / giflib (below 1.0: galimo is faster)\n");
        std::printf("  %-24s %-8s %s\n", "input", "real", "cpu");
        for (const char* input : Inputs) {
            const auto ours = medians.find(std::string("galimo/") + input);
            const auto theirs = medians.find(std::string("giflib/") + input);
            if (ours == medians.end() || theirs == medians.end() || theirs->second.first <= 0) continue;
            std::printf("  %-24s %-8.3f %.3f\n", input, ours->second.first / theirs->second.first,
                        ours->second.second / theirs->second.second);
        }
    }

private:
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
    // Both decoders on an input in turn, so that the machine's load affects them alike.
    for (size_t i = 0; i < files.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("galimo/") + Inputs[i]).c_str(), BM_Galimo, &files[i])
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("giflib/") + Inputs[i]).c_str(), BM_Giflib, &files[i])
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
