// The GIF reader on hand-made files: what loads, what warns, what fails and with which
// message, and what the model holds afterwards.
#include "gif/gifimage.h"
#include "giftestutil.h"
#include "picture/fileformats.h"
#include "picture/picture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace galimo {
namespace {

using test::Append;
using test::Bytes;
using test::LoadGIF;
using Strings = std::vector<std::string>;

// A 2 x 2 frame with pixels 0 1 / 2 3 in a file with a 4-colour global table.
Bytes Frame2x2() { return test::ImageData(Bytes{0, 1, 2, 3}, 2); }

Bytes Frame(int left = 0, int top = 0)
{
    Bytes out = test::Descriptor(left, top, 2, 2);
    Append(out, Frame2x2());
    return out;
}

Bytes File(std::initializer_list<Bytes> parts, bool trailer = true)
{
    Bytes out = test::Header(2, 2);
    for (const auto& p : parts) Append(out, p);
    if (trailer) out.push_back(0x3B);
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// --- signature and header ---------------------------------------------------------------

TEST(GIFReader, SignatureVariants)
{
    struct {
        const char* name;
        Bytes bytes;
        std::string error;
    } cases[] = {
        {"LowerCase", [] { Bytes b = File({Frame()}); b[0] = 'g', b[1] = 'i', b[2] = 'f'; return b; }(), ""},
        {"MixedCase", [] { Bytes b = File({Frame()}); b[1] = 'i'; return b; }(), ""},
        {"OddVersion", [] { Bytes b = File({Frame()}); b[3] = '1', b[4] = '2', b[5] = 'z'; return b; }(), ""},
        {"FourBytesBefore", [] { Bytes b{0xDE, 0xAD, 0xBE, 0xEF}; Append(b, File({Frame()})); return b; }(), ""},
        {"ThreeBytesBefore", [] { Bytes b{1, 2, 3}; Append(b, File({Frame()})); return b; }(), "Invalid GIF signature"},
        {"ZeroInSignature", [] { Bytes b = File({Frame()}); b[1] = 0; return b; }(), "Invalid GIF signature"},
        {"FiveBytes", Text("GIF89"), "Premature end of data"},
        {"Empty", {}, "Premature end of data"},
        {"ShortScreen", Text("GIF89a\x02\x00\x02"), "Premature end of data"},
    };
    for (const auto& c : cases) {
        const auto r = LoadGIF(c.bytes);
        EXPECT_EQ(r.error, c.error) << c.name;
        if (c.error.empty()) {
            EXPECT_EQ(r.image->Images().Count(), 1) << c.name;
            EXPECT_EQ(r.position, static_cast<int64_t>(c.bytes.size())) << c.name;
        } else {
            EXPECT_EQ(r.position, 0) << c.name;
        }
    }
}

TEST(GIFReader, HeaderThenTrailerIsAnEmptyPictureOfScreenSize)
{
    Bytes b = test::Header(300, 200, 7);
    b.push_back(0x3B);
    const auto r = LoadGIF(b);
    EXPECT_EQ(r.error, "");
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_TRUE(r.image->Empty());
    EXPECT_EQ(r.image->Width(), 300);
    EXPECT_EQ(r.image->Height(), 200);
    EXPECT_EQ(r.image->Header().GlobalColors.ColorCount(), 256);
}

// --- the failure table ------------------------------------------------------------------

struct FailureCase {
    const char* name;
    Bytes bytes;
    std::string error;  // empty: the load succeeds
    Strings warnings;
    int frames;  // frames in the picture after the load (kept even when it fails)
};

class GIFReaderFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(GIFReaderFailures, ReactsAsDocumented)
{
    const FailureCase& c = GetParam();
    // Start inside a larger stream: a failed load must put the position back.
    Bytes bytes{0x55, 0x66};
    Append(bytes, c.bytes);
    const auto r = LoadGIF(bytes, 2);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.warnings, c.warnings);
    EXPECT_EQ(r.image->Images().Count(), c.frames);
    if (r.Failed()) {
        EXPECT_EQ(r.position, 2);
    }
}

const Bytes NetscapeId = Text("NETSCAPE2.0");

Bytes AppExt(uint8_t blockSize, const Bytes& id, const Bytes& subBlocks)
{
    Bytes out{0x21, 0xFF, blockSize};
    Append(out, id);
    Append(out, subBlocks);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, GIFReaderFailures,
    ::testing::Values(
        FailureCase{"ShortGlobalTable", [] { Bytes b = test::Header(2, 2, 1); b.resize(b.size() - 2); return b; }(),
                    "Premature end of data", {}, 0},
        FailureCase{"ShortDescriptor", [] { Bytes b = test::Header(2, 2); Append(b, {0x2C, 0, 0, 0}); return b; }(),
                    "Premature end of data", {}, 0},
        FailureCase{"ShortLocalTable", File({[] { Bytes d = test::Descriptor(0, 0, 2, 2, 0x82); Append(d, {1, 2, 3}); return d; }()}, false),
                    "Premature end of data", {}, 0},
        FailureCase{"UnknownBlockAfterFrame", [] { Bytes b = File({Frame()}, false); Append(b, {0x99, 0x3B}); return b; }(), "",
                    {"Unknown GIF block type", "Invalid Image trailer"}, 1},
        FailureCase{"NoTrailer", File({Frame(), Frame()}, false), "", {}, 2},
        FailureCase{"ZeroBytesBetweenFrames", File({Frame(), {0, 0, 0}, Frame(), {0}}), "", {}, 2},
        FailureCase{"LabelTwo", File({{0x21, 0x02, 0x00}, Frame()}), "Unknown extension type", {}, 0},
        FailureCase{"EndAfterIntroducer", File({{0x21}}, false), "Unknown extension type", {}, 0},
        FailureCase{"AppBlockTenCut", File({{0x21, 0xFF, 0x0A, 1, 2, 3}}, false), "Unknown extension type", {}, 0},
        FailureCase{"AppBlockSizeFive", File({AppExt(5, Text("ABCDE"), {0}), Frame()}),
                    "Unsupported Application Extension block size", {}, 0},
        FailureCase{"AppBlockSizeZero", File({AppExt(0, {}, {0}), Frame()}), "Unsupported Application Extension block size", {}, 0},
        FailureCase{"AppIdentifierCut", File({{0x21, 0xFF, 0x0B, 'N', 'E', 'T'}}, false), "Premature end of data", {}, 0},
        FailureCase{"LoopSubBlockTooShort", File({AppExt(11, NetscapeId, {2, 1, 0xE8, 0}), Frame()}), "Invalid GIF data", {}, 0},
        FailureCase{"BufferSubBlockTooShort", File({AppExt(11, NetscapeId, {4, 2, 1, 2, 3, 0}), Frame()}), "Invalid GIF data", {}, 0},
        FailureCase{"LoopFieldCut", File({AppExt(11, NetscapeId, {3, 1, 0xE8})}, false), "Premature end of data", {}, 0},
        FailureCase{"LoopDataEndsWhereSizeIsDue", File({AppExt(11, NetscapeId, {3, 1, 0xE8, 3})}, false), "", {}, 1},
        FailureCase{"LoopDataEndsWhereIdIsDue", File({AppExt(11, NetscapeId, {3})}, false), "", {}, 1},
        FailureCase{"ZeroWidthFrame", File({[] { Bytes d = test::Descriptor(0, 0, 0, 40); Append(d, Frame2x2()); return d; }()}), "",
                    {"Image exceeds Logical Screen size"}, 1},
        FailureCase{"ShortGraphicControl", File({{0x21, 0xF9, 0x04, 0x01}}, false), "", {"Premature end of data"}, 1},
        FailureCase{"TextFixedPartCut", File({{0x21, 0x01, 0x0C, 0, 0, 0, 0}}, false), "Premature end of data", {}, 0},
        FailureCase{"CommentSubBlockCut", File({{0x21, 0xFE, 0x05, 'a', 'b'}}, false), "Premature end of data", {}, 0},
        FailureCase{"CommentEndsWhereSizeIsDue", File({{0x21, 0xFE, 0x01, 'a'}}, false), "", {}, 1},
        FailureCase{"UnknownAppDataCut", File({AppExt(11, Text("SOMETHING01"), {9, 1, 2})}, false), "Premature end of data", {}, 0},
        FailureCase{"FrameTooLarge", [] { Bytes b = test::Header(2, 2); Append(b, test::Descriptor(0, 0, 65535, 65535)); Append(b, {2, 0, 0x3B}); return b; }(),
                    "Image too large: a frame of 65535 x 65535 pixels", {}, 0},
        FailureCase{"PictureTooLarge",
                    [] {
                        // 2^28 pixels each: four fit in 2^30, the fifth does not.
                        Bytes b = test::Header(2, 2);
                        for (int i = 0; i < 5; ++i) {
                            Append(b, test::Descriptor(0, 0, 16384, 16384));
                            Append(b, {2, 0});
                        }
                        return b;
                    }(),
                    "Image too large: the frames exceed 1073741824 pixels in all", Strings(4, "Decoder bit buffer under-run"), 4}),
    [](const auto& info) { return std::string(info.param.name); });

// --- frames and their extensions --------------------------------------------------------

TEST(GIFReader, ExtensionsBelongToTheFollowingFrame)
{
    const Bytes loop = AppExt(11, NetscapeId, {3, 1, 0xE8, 0x03, 0});
    const Bytes comment{0x21, 0xFE, 3, 'a', 0, 'b', 2, 'c', 'd', 0};
    const auto r = LoadGIF(File({loop, Frame(), test::GraphicControl(0x04, 2, 0), Frame(), comment}));
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.image->Images().Count(), 3);
    const auto& f1 = r.image->Images()[0];
    ASSERT_EQ(f1.Extensions.Count(), 1);
    auto* ns = dynamic_cast<TGIFAppExtNSLoop*>(&f1.Extensions[0]);
    ASSERT_NE(ns, nullptr);
    EXPECT_EQ(ns->LoopCount, 1000);
    EXPECT_EQ(r.image->Images()[1].GraphicControl->DelayTime, 2);
    EXPECT_EQ(r.image->Images()[1].GraphicControl->DisposalMethod(), 1);
    // Extensions followed by the trailer form a last frame without image data.
    const auto& last = r.image->Images()[2];
    EXPECT_EQ(last.Width, 0);
    EXPECT_EQ(last.Pixels(), nullptr);
    auto* text = dynamic_cast<TGIFCommentExtension*>(&last.Extensions[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Lines, (Strings{"a", "cd"}));  // cut at the zero byte
}

TEST(GIFReader, TwoGraphicControlExtensions)
{
    // The first one governs the frame; the transparency flag of either marks the frame.
    const auto r = LoadGIF(File({test::GraphicControl(0x00, 5, 1), test::GraphicControl(0x01, 9, 3), Frame()}));
    ASSERT_EQ(r.error, "");
    const auto& f = r.image->Images()[0];
    ASSERT_EQ(f.Extensions.Count(), 2);
    EXPECT_EQ(f.GraphicControl, &f.Extensions[0]);
    EXPECT_EQ(f.GraphicControl->DelayTime, 5);
    EXPECT_TRUE(f.HasTransparency);
}

TEST(GIFReader, ZeroByteBetweenExtensionAndDescriptor)
{
    const auto r = LoadGIF(File({test::GraphicControl(0x01, 7, 2), {0x00}, Frame()}));
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.warnings, (Strings{"Invalid extension introducer"}));
    ASSERT_EQ(r.image->Images().Count(), 2);
    const auto& first = r.image->Images()[0];
    EXPECT_EQ(first.Extensions.Count(), 1);
    EXPECT_EQ(first.Pixels(), nullptr);
    const auto& second = r.image->Images()[1];
    EXPECT_EQ(second.Extensions.Count(), 0);
    EXPECT_FALSE(second.HasTransparency);
    EXPECT_EQ(Bytes(second.Pixels(), second.Pixels() + 4), (Bytes{0, 1, 2, 3}));
}

TEST(GIFReader, ApplicationExtensionClasses)
{
    struct {
        const char* name;
        Bytes ext;
        const TGIFExtensionClass* cls;
        std::string identifier;
        int loopCount;
    } cases[] = {
        {"Netscape", AppExt(11, NetscapeId, {3, 1, 0xE8, 0x03, 0}), &TGIFAppExtNSLoop::ClassInfo, "NETSCAPE2.0", 1000},
        {"Animexts", AppExt(11, Text("ANIMEXTS1.0"), {3, 1, 0x05, 0x00, 0}), &TGIFAppExtNSLoop::ClassInfo, "ANIMEXTS1.0", 5},
        // Only the low three bits of the sub-block identifier count: 0x09 is a loop count.
        {"LoopIdNine", AppExt(11, NetscapeId, {3, 0x09, 0x10, 0x00, 0}), &TGIFAppExtNSLoop::ClassInfo, "NETSCAPE2.0", 16},
        // Other sub-blocks are skipped; a buffer sub-block sets BufferBytes.
        {"OtherSubBlocks", AppExt(11, NetscapeId, {4, 7, 1, 2, 3, 5, 2, 1, 0, 0, 0, 3, 1, 2, 0, 0}), &TGIFAppExtNSLoop::ClassInfo,
         "NETSCAPE2.0", 2},
        {"Unknown", AppExt(11, Text("XMP DataXMP"), {2, 'h', 'i', 1, '!', 0}), &TGIFUnknownAppExtension::ClassInfo, "XMP DataXMP", -1},
        // Identifiers compare on all 11 bytes.
        {"AlmostNetscape", AppExt(11, Text("NETSCAPE2.1"), {3, 1, 0, 0, 0}), &TGIFUnknownAppExtension::ClassInfo, "NETSCAPE2.1", -1},
        {"BlockSizeTen", AppExt(10, Text("ABCDEFGHIJ"), {1, 'x', 0}), &TGIFUnknownAppExtension::ClassInfo, "ABCDEFGHIJ", -1},
        // Longer blocks: the identifier is looked up and the rest of the block skipped.
        {"BlockSizeThirteen", AppExt(13, Text("NETSCAPE2.0??"), {3, 1, 7, 0, 0}), &TGIFAppExtNSLoop::ClassInfo, "NETSCAPE2.0", 7},
        {"BlockSizeTwelveUnknown", AppExt(12, Text("SOMEAPP1.0xY"), {1, 'q', 0}), &TGIFUnknownAppExtension::ClassInfo, "SOMEAPP1.0x", -1},
    };
    for (const auto& c : cases) {
        const auto r = LoadGIF(File({c.ext, Frame()}));
        ASSERT_EQ(r.error, "") << c.name;
        EXPECT_TRUE(r.warnings.empty()) << c.name;
        ASSERT_EQ(r.image->Images().Count(), 1) << c.name;
        const auto& f = r.image->Images()[0];
        ASSERT_EQ(f.Extensions.Count(), 1) << c.name;
        auto* app = dynamic_cast<TGIFApplicationExtension*>(&f.Extensions[0]);
        ASSERT_NE(app, nullptr) << c.name;
        EXPECT_EQ(&app->Class(), c.cls) << c.name;
        EXPECT_EQ(app->IdentifierText(), c.identifier) << c.name;
        if (auto* ns = dynamic_cast<TGIFAppExtNSLoop*>(app)) {
            EXPECT_EQ(ns->LoopCount, c.loopCount) << c.name;
        }
        EXPECT_EQ(f.Width, 2) << c.name << ": the frame after it must read normally";
    }
    // Block size 10: the identifier holds the 10 bytes and a zero byte; raw blocks kept.
    const auto r = LoadGIF(File({AppExt(10, Text("ABCDEFGHIJ"), {2, 'x', 'y', 0}), Frame()}));
    auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(&r.image->Images()[0].Extensions[0]);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->Identifier[10], 0);
    ASSERT_EQ(unknown->RawBlocks.size(), 1u);
    EXPECT_EQ(unknown->RawBlocks[0].Size, 2);
    EXPECT_EQ(unknown->RawBlocks[0].Data, (Bytes{'x', 'y'}));
}

TEST(GIFReader, PlainTextExtension)
{
    Bytes ext{0x21, 0x01, 0x0C};
    Append(ext, {1, 0, 2, 0, 40, 0, 16, 0, 8, 16, 1, 0});  // grid 1,2 40x16, cells 8x16, colours 1 and 0
    Append(ext, {5, 'H', 'e', 'l', 'l', 'o', 0});
    const auto r = LoadGIF(File({ext, Frame()}));
    ASSERT_EQ(r.error, "");
    auto* text = dynamic_cast<TGIFTextExtension*>(&r.image->Images()[0].Extensions[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GridLeft, 1);
    EXPECT_EQ(text->GridTop, 2);
    EXPECT_EQ(text->GridWidth, 40);
    EXPECT_EQ(text->CellHeight, 16);
    EXPECT_EQ(text->ForegroundIndex, 1);
    EXPECT_EQ(text->Lines, (Strings{"Hello"}));
}

TEST(GIFReader, FramesOutsideTheScreenLoadUnchanged)
{
    Bytes big = test::Descriptor(60000, 3, 5, 4);
    Append(big, test::ImageData(Bytes(20, 1), 2));
    const auto r = LoadGIF(File({big}));
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.warnings.empty());
    const auto& f = r.image->Images()[0];
    EXPECT_EQ(f.Left, 60000);
    EXPECT_EQ(f.Width, 5);
    EXPECT_EQ(f.Height, 4);
    EXPECT_EQ(f.PixelCount(), 20u);
}

TEST(GIFReader, LocalTableAndEffectiveColors)
{
    Bytes local = test::Descriptor(0, 0, 2, 2, 0x80);  // 2 entries
    Append(local, {9, 8, 7, 6, 5, 4});
    Append(local, Frame2x2());
    const auto r = LoadGIF(File({local, Frame()}));
    ASSERT_EQ(r.error, "");
    const auto& f1 = r.image->Images()[0];
    EXPECT_EQ(&f1.EffectiveColors(), &f1.LocalColors);
    EXPECT_EQ(f1.EffectiveColors().ColorAt(1), TColor(6 | (5 << 8) | (4 << 16)));
    const auto& f2 = r.image->Images()[1];
    EXPECT_EQ(&f2.EffectiveColors(), &r.image->Header().GlobalColors);

    // Neither table: the empty local one.
    Bytes bare = test::Header(2, 2, -1);
    Append(bare, Frame());
    bare.push_back(0x3B);
    const auto r2 = LoadGIF(bare);
    const auto& f3 = r2.image->Images()[0];
    EXPECT_EQ(&f3.EffectiveColors(), &f3.LocalColors);
    EXPECT_EQ(f3.EffectiveColors().ColorCount(), 0);
}

TEST(GIFReader, ExtensionClassesCheckTheirOwnBytes)
{
    TGIFImage image;
    TGIFSubImage frame(&image);
    struct {
        Bytes bytes;
        std::string error;
    } cases[] = {
        {{0x22, 0xF9, 4, 0, 0, 0, 0, 0}, "Invalid extension introducer"},
        {{0x21, 0xFE, 4, 0, 0, 0, 0, 0}, "Internal error: Extension Instance does not match Extension Label"},
        {{0x21}, "Premature end of data"},
    };
    for (const auto& c : cases) {
        TGIFGraphicControlExtension gce(&frame);
        TMemoryStream s(c.bytes.data(), c.bytes.size());
        try {
            gce.LoadFromStream(s);
            ADD_FAILURE() << "no exception for " << c.error;
        } catch (const GIFException& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
}

// --- colour maps ------------------------------------------------------------------------

TEST(GIFColorMap, CapacityRule)
{
    const std::pair<int, int> cases[] = {{1, 16}, {2, 16}, {16, 16}, {17, 32}, {32, 32}, {33, 64}, {100, 128},
                                         {128, 128}, {200, 224}, {255, 256}, {256, 256}};
    for (auto [n, capacity] : cases) {
        EXPECT_EQ(TGIFColorMap::CapacityFor(n), capacity) << n;
        TGIFImage image;
        Bytes rgb(static_cast<size_t>(3 * n), 7);
        TMemoryStream s(rgb.data(), rgb.size());
        image.Header().GlobalColors.LoadEntries(s, n);
        EXPECT_EQ(image.Header().GlobalColors.Capacity(), capacity) << n;
        EXPECT_EQ(image.Header().GlobalColors.ColorCount(), n) << n;
    }
    // Growing one entry at a time follows the same steps.
    TGIFImage image;
    auto& map = image.Header().GlobalColors;
    std::vector<int> capacities;
    for (int i = 0; i < 256; ++i) {
        map.Add({uint8_t(i), 0, 0});
        if (capacities.empty() || capacities.back() != map.Capacity()) capacities.push_back(map.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{16, 32, 64, 96, 128, 160, 192, 224, 256}));
}

TEST(GIFColorMap, ColorAtAndPalette)
{
    TGIFImage image;
    Strings warnings;
    image.OnWarn = [&](const TGIFPersistent*, int, const std::string& m) { warnings.push_back(m); };
    auto& map = image.Header().GlobalColors;
    Bytes rgb;
    for (int i = 0; i < 256; ++i) Append(rgb, {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    TMemoryStream s(rgb.data(), rgb.size());
    map.LoadEntries(s, 256);
    EXPECT_EQ(map.ColorAt(2), TColor(2 | (253 << 8) | (1 << 16)));
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(map.ColorAt(300), map.ColorAt(0));
    EXPECT_EQ(map.ColorAt(-1), map.ColorAt(0));
    EXPECT_EQ(warnings, (Strings{"Invalid color index", "Invalid color index"}));

    const auto palette = map.ToPalette();
    ASSERT_TRUE(palette);
    EXPECT_EQ(palette->Version, 0x300);
    ASSERT_EQ(palette->Entries.size(), 256u);
    EXPECT_EQ(palette->Entries[2], (TPaletteEntry{2, 253, 1, 4}));

    map.Reset();
    EXPECT_FALSE(map.ToPalette());
    try {
        map.ColorAt(0);
        ADD_FAILURE() << "an empty table must raise";
    } catch (const GIFException& e) {
        EXPECT_EQ(std::string(e.what()), "Color table is empty");
    }
    EXPECT_EQ(warnings.back(), "Invalid color index");
}

// --- registries -------------------------------------------------------------------------

TEST(GIFRegistries, LookupsSearchFromTheLastRegistration)
{
    EXPECT_EQ(FindByLabel(0xF9), &TGIFGraphicControlExtension::ClassInfo);
    EXPECT_EQ(FindByLabel(0x01), &TGIFTextExtension::ClassInfo);
    EXPECT_EQ(FindByLabel(0xFE), &TGIFCommentExtension::ClassInfo);
    EXPECT_EQ(FindByLabel(0xFF), &TGIFApplicationExtension::ClassInfo);
    EXPECT_EQ(FindByLabel(0x02), nullptr);
    EXPECT_EQ(FindByIdentifier(MakeIdentifier("ANIMEXTS1.0")), &TGIFAppExtNSLoop::ClassInfo);
    EXPECT_EQ(FindByIdentifier(MakeIdentifier("ANIMEXTS1.1")), nullptr);

    RegisterExtension(0xF9, TGIFCommentExtension::ClassInfo);
    RegisterAppExtension(MakeIdentifier("NETSCAPE2.0"), TGIFUnknownAppExtension::ClassInfo);
    EXPECT_EQ(FindByLabel(0xF9), &TGIFCommentExtension::ClassInfo);
    EXPECT_EQ(FindByIdentifier(MakeIdentifier("NETSCAPE2.0")), &TGIFUnknownAppExtension::ClassInfo);
    FreeExtensionRegistries();  // made again, with the built-in entries only
    EXPECT_EQ(FindByLabel(0xF9), &TGIFGraphicControlExtension::ClassInfo);
    EXPECT_EQ(FindByIdentifier(MakeIdentifier("NETSCAPE2.0")), &TGIFAppExtNSLoop::ClassInfo);
}

// --- the picture ------------------------------------------------------------------------

TEST(GIFImage, LoadingReplacesTheContent)
{
    TGIFImage image;
    const Bytes two = File({Frame(), Frame()});
    const Bytes one = File({Frame()});
    TMemoryStream s2(two.data(), two.size());
    image.LoadFromStream(s2);
    EXPECT_EQ(image.Images().Count(), 2);
    EXPECT_EQ(image.PixelTotal(), 8);
    TMemoryStream s1(one.data(), one.size());
    image.LoadFromStream(s1);
    EXPECT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.PixelTotal(), 4);
    // A failed load still starts from an empty picture.
    const Bytes bad = File({Frame(), {0x21, 0x02, 0}});
    TMemoryStream sb(bad.data(), bad.size());
    EXPECT_THROW(image.LoadFromStream(sb), GIFException);
    EXPECT_EQ(image.Images().Count(), 1);  // the frame read before the failure
    EXPECT_EQ(sb.Position(), 0);
}

TEST(GIFImage, ProgressAndChange)
{
    TGIFImage image;
    std::vector<std::pair<ProgressStage, int>> progress;
    int changes = 0;
    image.OnProgress = [&](ProgressStage s, int p, bool) { progress.push_back({s, p}); };
    image.OnChange = [&] { ++changes; };
    const Bytes b = File({Frame(), Frame()});
    TMemoryStream s(b.data(), b.size());
    image.LoadFromStream(s);
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress.front(), std::make_pair(ProgressStage::Starting, 0));
    EXPECT_EQ(progress[1].first, ProgressStage::Running);
    EXPECT_EQ(progress[2].second, static_cast<int>((b.size() - 1) * 100.0 / b.size() + 0.5));
    EXPECT_EQ(progress.back(), std::make_pair(ProgressStage::Ending, 100));
    EXPECT_EQ(changes, 1);

    progress.clear();
    const Bytes bad = Text("GIF8");
    TMemoryStream sb(bad.data(), bad.size());
    EXPECT_THROW(image.LoadFromStream(sb), GIFException);
    EXPECT_EQ(progress.back(), std::make_pair(ProgressStage::Ending, 0));
}

TEST(GIFImage, AssignMakesAnIndependentCopy)
{
    const auto r = LoadGIF(File({test::GraphicControl(0x01, 3, 2), Frame(), AppExt(11, NetscapeId, {3, 1, 4, 0, 0}), Frame()}));
    ASSERT_EQ(r.error, "");
    TGIFImage copy;
    copy.Assign(*r.image);
    r.image->Reset();
    ASSERT_EQ(copy.Images().Count(), 2);
    EXPECT_EQ(copy.Width(), 2);
    const auto& f = copy.Images()[0];
    ASSERT_NE(f.GraphicControl, nullptr);
    EXPECT_EQ(f.GraphicControl, &f.Extensions[0]);
    EXPECT_TRUE(f.HasTransparency);
    EXPECT_EQ(Bytes(f.Pixels(), f.Pixels() + 4), (Bytes{0, 1, 2, 3}));
    EXPECT_EQ(dynamic_cast<TGIFAppExtNSLoop&>(copy.Images()[1].Extensions[0]).LoopCount, 4);
    EXPECT_EQ(copy.PixelTotal(), 8);
}

TEST(GIFImage, LoadsThroughThePictureContainer)
{
    InitGIFModule();
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("GIF"), &TGIFImage::ClassInfo);
    QTemporaryDir dir;
    const std::string good = dir.filePath("A.GIF").toStdString();
    const std::string bad = dir.filePath("b.gif").toStdString();
    {
        const Bytes b = File({Frame(), Frame()});
        std::ofstream(good, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
        std::ofstream(bad, std::ios::binary) << "GIF89a";
    }
    TPicture picture;
    picture.LoadFromFile(good);
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 2);
    auto* gif = dynamic_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->Images().Count(), 2);
    EXPECT_THROW(picture.LoadFromFile(bad), GIFException);
    EXPECT_EQ(picture.Graphic(), gif);  // the failed load left the picture as it was
    FinalizeGIFModule();
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("gif"), nullptr);
}

}  // namespace
}  // namespace galimo
