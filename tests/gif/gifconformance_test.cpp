// The public GIF suites, the fuzz corpus and the regression files: what every file gives
// (a picture or a clean GIFException), the exact index bytes and palettes where the
// suites record them, the first frame's colours, and every prefix of a few real files.
#include "gif/gifimage.h"
#include "gif/lzwdecoder.h"
#include "giftestutil.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

namespace galimo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::LoadGIF;

fs::path Wuffs() { return test::SuiteDir() / "wuffs/test/data"; }
fs::path Pygif() { return test::SuiteDir() / "pygif/test-suite"; }

// The messages a load may fail with; anything else escaping the reader is a bug.
const std::set<std::string> KnownErrors{
    "Premature end of data",        "Invalid GIF signature",
    "Unknown extension type",       "Unsupported Application Extension block size",
    "Invalid GIF data",             "Circular decoder table entry",
    "Invalid extension introducer", "Internal error: Extension Instance does not match Extension Label",
};

void ExpectCleanLoad(const Bytes& bytes, const std::string& name)
{
    const auto r = LoadGIF(bytes);
    if (r.Failed()) {
        EXPECT_TRUE(KnownErrors.count(r.error) || r.error.rfind("Image too large", 0) == 0) << name << ": " << r.error;
        EXPECT_EQ(r.position, 0) << name;
    }
    for (const auto& frame : r.image->Images())
        EXPECT_EQ(frame->PixelCount(), uint32_t(frame->Width) * frame->Height) << name;
}

TEST(GIFSuites, EveryFileLoadsOrFailsCleanly)
{
    const auto files = test::GifFilesUnder(test::SuiteDir());
    ASSERT_GT(files.size(), 100u) << "the suites are missing under " << test::SuiteDir();
    for (const auto& f : files) ExpectCleanLoad(test::ReadFileBytes(f), f.filename().string());
}

// Replays the fuzzer's seeds and every input that once crashed or hung.
TEST(GIFSuites, FuzzCorpusAndRegressionFiles)
{
    int count = 0;
    for (const fs::path& dir : {fs::path(GALIMO_SOURCE_DIR) / "fuzz/gif/corpus", fs::path(GALIMO_SOURCE_DIR) / "tests/data/gif/regressions"}) {
        ASSERT_TRUE(fs::exists(dir)) << dir;
        for (const auto& e : fs::directory_iterator(dir)) {
            if (!e.is_regular_file()) continue;
            ExpectCleanLoad(test::ReadFileBytes(e.path()), e.path().filename().string());
            ++count;
        }
    }
    EXPECT_GT(count, 5);
}

Bytes Frame(const TGIFImage& image, int n)
{
    const auto& f = image.Images()[n];
    return Bytes(f.Pixels(), f.Pixels() + f.PixelCount());
}

TEST(GIFSuites, IndexesAndPalettes)
{
    struct {
        const char* gif;
        int frame;
        const char* indexes;
        const char* palette;  // 4 bytes an entry: blue, green, red, alpha
    } cases[] = {
        {"bricks-dither.gif", 0, "bricks-dither.indexes", "bricks-dither.palette"},
        {"bricks-nodither.gif", 0, "bricks-nodither.indexes", "bricks-nodither.palette"},
        {"bricks-gray.gif", 0, "bricks-gray.indexes", nullptr},
    };
    for (const auto& c : cases) {
        const auto r = LoadGIF(test::ReadFileBytes(Wuffs() / c.gif));
        ASSERT_EQ(r.error, "") << c.gif;
        EXPECT_TRUE(r.warnings.empty()) << c.gif;
        EXPECT_EQ(Frame(*r.image, c.frame), test::ReadFileBytes(Wuffs() / c.indexes)) << c.gif;
        if (!c.palette) continue;
        const Bytes pal = test::ReadFileBytes(Wuffs() / c.palette);
        const TGIFColorMap& colors = r.image->Images()[c.frame].EffectiveColors();
        ASSERT_EQ(static_cast<size_t>(colors.ColorCount()) * 4, pal.size()) << c.gif;
        for (int i = 0; i < colors.ColorCount(); ++i) {
            const uint8_t* p = &pal[static_cast<size_t>(i) * 4];
            EXPECT_EQ(colors[i], (TGIFColor{p[2], p[1], p[0]})) << c.gif << " entry " << i;
        }
    }
    // The 15 frames of the animation, each against its own index file.
    const auto r = LoadGIF(test::ReadFileBytes(Wuffs() / "muybridge.gif"));
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.image->Images().Count(), 15);
    for (int n = 0; n < 15; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "muybridge-frame-%03d.indexes", n);
        EXPECT_EQ(Frame(*r.image, n), test::ReadFileBytes(Wuffs() / name)) << name;
    }
}

// Bare LZW streams (a literal width byte, then the codes) decoded as one frame's data.
TEST(GIFSuites, RawLZWStreams)
{
    const std::pair<const char*, const char*> cases[] = {
        {"pi.txt.giflzw", "pi.txt"},
        {"bricks-dither.indexes.giflzw", "bricks-dither.indexes"},
        {"bricks-gray.indexes.giflzw", "bricks-gray.indexes"},
        {"bricks-nodither.indexes.giflzw", "bricks-nodither.indexes"},
    };
    for (auto [lzw, plain] : cases) {
        const Bytes raw = test::ReadFileBytes(Wuffs() / lzw);
        const Bytes expected = test::ReadFileBytes(Wuffs() / plain);
        ASSERT_FALSE(raw.empty()) << lzw;
        Bytes data{raw[0]};
        test::Append(data, test::SubBlocks(Bytes(raw.begin() + 1, raw.end())));
        TLZWFrame frame;
        frame.Width = expected.size() > 65535 ? 1000 : static_cast<int>(expected.size());
        frame.Height = static_cast<int>((expected.size() + static_cast<size_t>(frame.Width) - 1) / static_cast<size_t>(frame.Width));
        Bytes pixels(static_cast<size_t>(frame.Width * frame.Height));
        TMemoryStream s(data.data(), data.size());
        DecodePixels(frame, pixels.data(), s);
        EXPECT_EQ(Bytes(pixels.begin(), pixels.begin() + static_cast<ptrdiff_t>(expected.size())), expected) << lzw;
        EXPECT_EQ(s.Position(), static_cast<int64_t>(data.size())) << lzw;
    }
}

// The suite's INI files: section -> key -> value.
std::map<std::string, std::map<std::string, std::string>> ReadConf(const fs::path& path)
{
    std::map<std::string, std::map<std::string, std::string>> conf;
    std::ifstream in(path);
    std::string line, section;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const size_t eq = line.find(" = ");
        if (eq != std::string::npos) conf[section][line.substr(0, eq)] = line.substr(eq + 3);
        else if (line.size() > 2 && line.substr(line.size() - 2) == " =") conf[section][line.substr(0, line.size() - 2)] = "";
    }
    return conf;
}

TEST(GIFSuites, FirstFrameColours)
{
    // Where the suite expects another behaviour than this reader's, the reader's holds.
    const std::map<std::string, std::string> decidedOtherwise{
        // A frame of width or height 0 takes the logical screen's size here (with a
        // warning); the suite draws nothing.
        {"image-zero-width", "zero-size frame takes the screen size"},
        {"image-zero-height", "zero-size frame takes the screen size"},
        {"image-zero-size", "zero-size frame takes the screen size"},
        // Pixels the data does not reach keep index 0 (colour entry 0 here); the suite
        // leaves them transparent.
        {"missing-pixels", "pixels not reached keep index 0"},
        // Indexes beyond the table show entry 0 here; the suite shows them transparent.
        {"high-color", "indexes beyond the table use entry 0"},
    };
    std::ifstream list(Pygif() / "TESTS");
    std::string name;
    int compared = 0;
    while (std::getline(list, name)) {
        if (name.empty()) continue;
        auto conf = ReadConf(Pygif() / (name + ".conf"));
        const auto r = LoadGIF(test::ReadFileBytes(Pygif() / conf["config"]["input"]));
        const std::string frames = conf["config"]["frames"];
        if (frames.empty() || r.Failed() || r.image->Empty()) continue;
        // The suite shows images without a delay between them as one frame; compare
        // only where its frames are the file's images one for one.
        if (std::count(frames.begin(), frames.end(), ',') + 1 != r.image->Images().Count()) continue;
        const std::string first = frames.substr(0, frames.find(','));
        const Bytes rgba = test::ReadFileBytes(Pygif() / conf[first]["pixels"]);
        const TGIFSubImage& f = r.image->Images()[0];
        const bool fullScreen = f.Left == 0 && f.Top == 0 && f.Width == r.image->Width() && f.Height == r.image->Height();
        if (!fullScreen || f.HasTransparency || !f.Pixels() || f.EffectiveColors().ColorCount() == 0) continue;
        Bytes ours;
        const TGIFColorMap& colors = f.EffectiveColors();
        for (uint32_t i = 0; i < f.PixelCount(); ++i) {
            const int index = f.Pixels()[i];
            const TGIFColor& c = colors[index < colors.ColorCount() ? index : 0];
            test::Append(ours, {c.Red, c.Green, c.Blue, 255});
        }
        if (decidedOtherwise.count(name)) {
            EXPECT_NE(ours, rgba) << name << " now matches the suite: take it off the list";
            continue;
        }
        EXPECT_EQ(ours, rgba) << name;
        ++compared;
    }
    EXPECT_GT(compared, 30);
}

// Every prefix of a few real files: a clean GIFException or a picture with no more
// frames than the whole file; never a crash or a hang.
TEST(GIFSuites, EveryPrefixOfRealFiles)
{
    const fs::path files[] = {Wuffs() / "pjw-thumbnail.gif", Wuffs() / "hippopotamus.interlaced.gif",
                              Wuffs() / "animated-red-blue.gif", Wuffs() / "muybridge.gif",
                              Pygif() / "animation.gif", Pygif() / "comment.gif", Pygif() / "plain-text.gif"};
    for (const auto& path : files) {
        const Bytes whole = test::ReadFileBytes(path);
        ASSERT_FALSE(whole.empty()) << path;
        const int frames = LoadGIF(whole).image->Images().Count();
        for (size_t n = 0; n < whole.size(); ++n) {
            const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(n));
            const auto r = LoadGIF(prefix);
            if (r.Failed()) {
                ASSERT_TRUE(KnownErrors.count(r.error)) << path.filename() << " cut at " << n << ": " << r.error;
            } else {
                ASSERT_LE(r.image->Images().Count(), frames) << path.filename() << " cut at " << n;
            }
        }
    }
}

}  // namespace
}  // namespace galimo
