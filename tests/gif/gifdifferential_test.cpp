// Our decoder against giflib (linked into this test only): on the benchmark inputs and
// the suites' well-formed files, every frame's index bytes must be the same.
#include "gif/gifimage.h"
#include "giftestutil.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

namespace galimo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

struct Reader {
    const Bytes* bytes;
    size_t pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count), r->bytes->size() - r->pos);
    std::memcpy(buffer, r->bytes->data() + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

struct GiflibFrame {
    int left, top, width, height;
    Bytes pixels;
};

// The frames giflib reads, or nothing when it refuses the file.
std::optional<std::vector<GiflibFrame>> DecodeWithGiflib(const Bytes& bytes)
{
    Reader reader{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadMemory, &error);
    if (!gif) return std::nullopt;
    std::optional<std::vector<GiflibFrame>> frames;
    if (DGifSlurp(gif) == GIF_OK) {
        frames.emplace();
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& s = gif->SavedImages[i];
            const GifImageDesc& d = s.ImageDesc;
            frames->push_back({d.Left, d.Top, d.Width, d.Height,
                               Bytes(s.RasterBits, s.RasterBits + static_cast<size_t>(d.Width) * d.Height)});
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}

// Compares every frame; false when the file is not one both readers take as well-formed.
bool CompareWithGiflib(const Bytes& bytes, const std::string& name)
{
    const auto theirs = DecodeWithGiflib(bytes);
    const auto ours = test::LoadGIF(bytes);
    if (!theirs || ours.Failed() || !ours.warnings.empty()) return false;
    // Extensions after the last image make a frame without image data here; giflib
    // keeps them apart. Only frames with an image descriptor are compared.
    std::vector<const TGIFSubImage*> images;
    for (const auto& f : ours.image->Images())
        if (f->Width != 0) images.push_back(f.get());
    EXPECT_EQ(images.size(), theirs->size()) << name;
    for (size_t n = 0; n < std::min(images.size(), theirs->size()); ++n) {
        const TGIFSubImage& f = *images[n];
        const GiflibFrame& g = (*theirs)[n];
        EXPECT_EQ(f.Left, g.left) << name << " frame " << n;
        EXPECT_EQ(f.Top, g.top) << name << " frame " << n;
        EXPECT_EQ(f.Width, g.width) << name << " frame " << n;
        EXPECT_EQ(f.Height, g.height) << name << " frame " << n;
        const Bytes pixels(f.Pixels(), f.Pixels() + f.PixelCount());
        EXPECT_TRUE(pixels == g.pixels) << name << " frame " << n << ": index bytes differ";
    }
    return true;
}

TEST(GIFDifferential, SuitesWellFormedFiles)
{
    int compared = 0;
    for (const auto& f : test::GifFilesUnder(test::SuiteDir()))
        compared += CompareWithGiflib(test::ReadFileBytes(f), f.filename().string());
    std::printf("compared %d files with giflib\n", compared);
    EXPECT_GT(compared, 60);
}

TEST(GIFDifferential, BenchmarkInputs)
{
    const fs::path dir = GIF_BENCH_INPUTS;
    for (const char* name : {"photo-4000x3000.gif", "anim-500x500x100.gif", "anim-65x35x38.gif", "photo2-4000x3000.gif",
                             "anim2-500x500x100.gif", "anim2-65x35x38.gif"}) {
        const Bytes bytes = test::ReadFileBytes(dir / name);
        ASSERT_FALSE(bytes.empty()) << "missing " << (dir / name) << ": bench/gif/make-inputs.sh makes it";
        EXPECT_TRUE(CompareWithGiflib(bytes, name)) << name << " must be well-formed for both readers";
    }
}

// The test encoder's output, read by giflib: the hand-made inputs of the other tests are
// real GIF data, not something only our decoder agrees with.
TEST(GIFDifferential, TestEncoderOutput)
{
    for (int minCodeSize : {2, 5, 8}) {
        for (bool clearWhenFull : {true, false}) {
            Bytes pixels(40000);
            uint32_t x = 99;
            for (auto& p : pixels) {
                x = x * 1664525 + 1013904223;
                p = static_cast<uint8_t>((x >> 24) % (1u << minCodeSize));
            }
            Bytes file = test::Header(200, 200, 7);
            test::Append(file, test::Descriptor(0, 0, 200, 200));
            test::Append(file, test::ImageData(pixels, minCodeSize, clearWhenFull));
            file.push_back(0x3B);
            const auto theirs = DecodeWithGiflib(file);
            ASSERT_TRUE(theirs) << minCodeSize;
            EXPECT_TRUE((*theirs)[0].pixels == pixels) << "min code size " << minCodeSize << ", clear " << clearWhenFull;
            EXPECT_TRUE(CompareWithGiflib(file, "encoded"));
        }
    }
}

}  // namespace
}  // namespace galimo
