// TJPEGImage against the library itself: sizes from the header, one decode per picture,
// exact pixels, palettes, four-colour files, the pixel limit and every kind of bad input.
#include "readoutcome.h"
#include "../common/jpegtestutil.h"

#include "picture/bitmap.h"
#include "picture/fileformats.h"
#include "picture/jpegimage.h"
#include "picture/picture.h"
#include "platform/drawing/canvas.h"
#include "platform/core/exceptions.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <jerror.h>

namespace galimo {
namespace {

using jpegtest::Bytes;
using jpegtest::TestFile;

std::unique_ptr<TJPEGImage> Load(const Bytes& bytes)
{
    auto image = std::make_unique<TJPEGImage>();
    TMemoryStream stream(bytes.data(), bytes.size());
    image->LoadFromStream(stream);
    return image;
}

// Draws into a white 120 x 120 bitmap, as a thumbnail is made.
void DrawThumbnail(TGraphic& graphic)
{
    TBitmap target(120, 120, TPixelFormat::pf24bit);
    target.Canvas().StretchDraw({0, 0, 120, 120}, &graphic);
}

std::string MessageOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EJPEG& e) {
        return e.what();
    }
    return "(no EJPEG)";
}

// Each test starts with a display deeper than 8 bits and leaves it so.
class JPEGTest : public ::testing::Test {
protected:
    void SetUp() override { InitJPEGModule(32); }
    void TearDown() override
    {
        InitJPEGModule(32);
        SetJPEGScreenDepthQuery(nullptr);
    }
};

// --- registration, empty and non-JPEG input ---------------------------------------------

TEST_F(JPEGTest, RegistersBothExtensionsWithTheirDescription)
{
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("jpg"), &TJPEGImage::ClassInfo);
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("JPEG"), &TJPEGImage::ClassInfo);
    int entries = 0;
    for (const TFileFormat& f : TFileFormatsList::Instance().Entries())
        if (f.GraphicClass == &TJPEGImage::ClassInfo) {
            ++entries;
            EXPECT_EQ(f.Description, "Fichier image JPEG");
        }
    EXPECT_EQ(entries, 2);  // a second start-up step replaces, never doubles
    FinalizeJPEGModule();
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("jpg"), nullptr);
}

TEST_F(JPEGTest, ZeroByteFileLoadsAndItsFirstDrawReportsEmptyInput)
{
    auto image = Load({});
    EXPECT_EQ(image->Width(), 0);
    EXPECT_EQ(image->Height(), 0);
    EXPECT_FALSE(image->Empty());
    EXPECT_EQ(MessageOf([&] { DrawThumbnail(*image); }), JPEGErrorMessage(JERR_INPUT_EMPTY));
    // The failure is reported once; later draws show the (empty) bitmap.
    EXPECT_NO_THROW(DrawThumbnail(*image));
}

TEST_F(JPEGTest, NeverLoadedPictureIsEmpty)
{
    TJPEGImage image;
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
}

TEST_F(JPEGTest, NonJPEGFailsAtLoadWithMissingStartOfImage)
{
    const std::vector<std::string> notJpeg = {std::string("BM\x36\0\0\0\0\0\0\0\x36\0\0\0", 14), "GIF89a\x01\0\x01\0",
                                              "hello", std::string("\xFF", 1), std::string("\0\0\0\0", 4)};
    for (const std::string& s : notJpeg) {
        const Bytes bytes(s.begin(), s.end());
        EXPECT_EQ(MessageOf([&] { Load(bytes); }), JPEGErrorMessage(JERR_NO_SOI)) << s;
    }
}

TEST_F(JPEGTest, FailedLoadThroughThePictureKeepsTheFormerPicture)
{
    QTemporaryDir dir;
    const std::string good = dir.filePath("a.jpg").toStdString(), bad = dir.filePath("b.JPG").toStdString();
    std::ofstream(good, std::ios::binary).write(reinterpret_cast<const char*>(TestFile("photo.jpg").data()), 1338);
    std::ofstream(bad, std::ios::binary) << "not a picture";
    TPicture picture;
    picture.LoadFromFile(good);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    TGraphic* before = picture.Graphic();
    EXPECT_THROW(picture.LoadFromFile(bad), EJPEG);
    EXPECT_EQ(picture.Graphic(), before);
    EXPECT_EQ(picture.Width(), 64);
}

// --- sizes, one decode, copies ------------------------------------------------------------

struct SizeCase {
    const char* file;
    int width, height;
    bool progressive;
};

class JPEGSizes : public JPEGTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(JPEGSizes, HeaderSizeBeforeDecodingBitmapSizeAfter)
{
    const SizeCase c = GetParam();
    auto image = Load(TestFile(c.file));
    EXPECT_FALSE(image->Decoded());
    EXPECT_EQ(image->Width(), c.width);
    EXPECT_EQ(image->Height(), c.height);
    EXPECT_EQ(image->ProgressiveEncoding(), c.progressive);
    DrawThumbnail(*image);
    ASSERT_TRUE(image->Decoded());
    EXPECT_EQ(image->Bitmap().Width(), c.width);
    EXPECT_EQ(image->Width(), c.width);
    EXPECT_EQ(image->Height(), c.height);
}

INSTANTIATE_TEST_SUITE_P(Files, JPEGSizes,
                         ::testing::Values(SizeCase{"photo.jpg", 64, 48, false}, SizeCase{"odd.jpg", 37, 23, false},
                                           SizeCase{"progressive.jpg", 64, 48, true},
                                           SizeCase{"grey.jpg", 64, 48, false}, SizeCase{"cmyk.jpg", 96, 16, false},
                                           SizeCase{"arith.jpg", 64, 48, false},
                                           SizeCase{"restart.jpg", 64, 48, false}));

TEST_F(JPEGTest, TwoDrawsDecodeOnce)
{
    auto image = Load(TestFile("photo.jpg"));
    int starts = 0, ends = 0;
    image->OnProgress = [&](ProgressStage stage, int percent, bool) {
        if (stage == ProgressStage::Starting) ++starts;
        if (stage == ProgressStage::Ending) {
            ++ends;
            EXPECT_EQ(percent, 100);
        }
    };
    DrawThumbnail(*image);
    const uint8_t* pixels = image->Bitmap().Image().constBits();
    DrawThumbnail(*image);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(image->Bitmap().Image().constBits(), pixels);
}

TEST_F(JPEGTest, AbortFromAProgressListenerEndsDecodingSilently)
{
    auto image = Load(TestFile("photo.jpg"));
    int endPercent = -1;
    image->OnProgress = [&](ProgressStage stage, int percent, bool) {
        if (stage == ProgressStage::Starting) throw EAbort();
        if (stage == ProgressStage::Ending) endPercent = percent;
    };
    EXPECT_NO_THROW(DrawThumbnail(*image));
    EXPECT_TRUE(image->Decoded());
    EXPECT_EQ(endPercent, 0);
}

TEST_F(JPEGTest, CopySharesTheBytesAndCopiesTheBitmap)
{
    auto source = Load(TestFile("photo.jpg"));
    TJPEGImage undecoded;
    undecoded.Assign(*source);
    EXPECT_EQ(undecoded.Data(), source->Data());
    EXPECT_FALSE(undecoded.Decoded());
    EXPECT_EQ(source->Data().use_count(), 2);

    DrawThumbnail(*source);
    TJPEGImage decoded;
    decoded.Assign(*source);
    ASSERT_TRUE(decoded.Decoded());
    EXPECT_EQ(decoded.Bitmap().Image(), source->Bitmap().Image());
    EXPECT_TRUE(decoded.Equals(*source));

    TBitmap plain(5, 7, TPixelFormat::pf24bit);
    TJPEGImage fromBitmap;
    fromBitmap.Assign(plain);
    EXPECT_NE(fromBitmap.Data(), source->Data());
    EXPECT_FALSE(fromBitmap.Data()->Data.has_value());
    EXPECT_EQ(fromBitmap.Width(), 5);
    EXPECT_EQ(fromBitmap.Height(), 7);
    EXPECT_FALSE(fromBitmap.Empty());
    EXPECT_THROW(fromBitmap.Assign(TIcon()), EInvalidGraphicOperation);
}

TEST_F(JPEGTest, SizeCannotBeChanged)
{
    auto image = Load(TestFile("photo.jpg"));
    for (auto set : {&TJPEGImage::SetWidth, &TJPEGImage::SetHeight}) {
        try {
            ((*image).*set)(10);
            ADD_FAILURE() << "size changed";
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_STREQ(e.what(), "Impossible de modifier la taille d'une image JPEG");
        }
    }
    EXPECT_EQ(image->Width(), 64);
}

TEST_F(JPEGTest, SavesAndRoundTripsFormDataUnchanged)
{
    const Bytes bytes = TestFile("odd.jpg");
    auto image = Load(bytes);
    TMemoryStream saved;
    image->SaveToStream(saved);
    EXPECT_EQ(Bytes(saved.Data(), saved.Data() + saved.Size()), bytes);

    TMemoryStream form;
    image->WriteData(form);
    ASSERT_EQ(form.Size(), static_cast<int64_t>(bytes.size() + 4));
    const uint8_t* p = form.Data();
    EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24, static_cast<int>(bytes.size()));
    form.SetPosition(0);
    TJPEGImage back;
    back.ReadData(form);
    EXPECT_EQ(back.Width(), 37);
    EXPECT_EQ(*back.Data()->Data, bytes);
    EXPECT_TRUE(back.Equals(*image));

    // A count larger than what follows is a read error, not a huge allocation.
    const uint8_t lying[] = {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xD8};
    TMemoryStream short_(lying, sizeof lying);
    EXPECT_THROW(back.ReadData(short_), EInOutError);
}

TEST_F(JPEGTest, LoadTakesTheBytesFromTheStreamPosition)
{
    Bytes bytes = {'j', 'u', 'n', 'k'};
    const Bytes photo = TestFile("photo.jpg");
    bytes.insert(bytes.end(), photo.begin(), photo.end());
    TMemoryStream stream(bytes.data(), bytes.size());
    stream.SetPosition(4);
    TJPEGImage image;
    image.LoadFromStream(stream);
    EXPECT_EQ(*image.Data()->Data, photo);
    EXPECT_EQ(image.Width(), 64);
}

// --- pixels --------------------------------------------------------------------------------

class JPEGExactPixels : public JPEGTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(JPEGExactPixels, ColourPhotoDecodesToTheLibrarysOwnPixels)
{
    const Bytes bytes = TestFile(GetParam());
    const jpegtest::PlainImage plain = jpegtest::PlainDecode(bytes);
    ASSERT_EQ(plain.components, 3);
    auto image = Load(bytes);
    const TBitmap& bitmap = image->Bitmap();
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(bitmap.Width(), plain.width);
    ASSERT_EQ(bitmap.Height(), plain.height);
    int differing = 0;
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            const QRgb c = reinterpret_cast<const QRgb*>(bitmap.Image().constScanLine(y))[x];
            if (qRed(c) != plain.At(x, y, 0) || qGreen(c) != plain.At(x, y, 1) || qBlue(c) != plain.At(x, y, 2) ||
                qAlpha(c) != 255)
                ++differing;
        }
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, JPEGExactPixels,
                         ::testing::Values("photo.jpg", "odd.jpg", "progressive.jpg", "restart.jpg", "arith.jpg"));

class JPEGGreyAtDepth : public JPEGTest, public ::testing::WithParamInterface<int> {};

TEST_P(JPEGGreyAtDepth, GreyFileGivesEightBitsWithAGreyPalette)
{
    InitJPEGModule(GetParam());
    const Bytes bytes = TestFile("grey.jpg");
    auto image = Load(bytes);
    int changes = 0;
    image->OnChange = [&] { ++changes; };
    const TBitmap& bitmap = image->Bitmap();
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    const QList<QRgb> table = bitmap.Image().colorTable();
    EXPECT_GT(table.size(), 1);
    EXPECT_LE(table.size(), 236);
    for (const QRgb c : table) EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
    EXPECT_EQ(changes, 1);  // the new palette is announced
    // Quantised with dithering: every pixel within a level or two of the plain decode.
    const jpegtest::PlainImage plain = jpegtest::PlainDecode(bytes);
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            const int index = bitmap.Image().constScanLine(y)[x];
            ASSERT_LT(index, table.size());
            EXPECT_NEAR(qRed(table[index]), plain.At(x, y, 0), 3);
        }
}

INSTANTIATE_TEST_SUITE_P(Depths, JPEGGreyAtDepth, ::testing::Values(4, 8, 16, 32));

TEST_F(JPEGTest, PaletteDisplayAtStartGivesColourFiles236Colours)
{
    InitJPEGModule(8);
    InitJPEGModule(8);  // a module started twice keeps one decision
    const Bytes bytes = TestFile("photo.jpg");
    auto image = Load(bytes);
    const TBitmap& bitmap = image->Bitmap();
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    const QList<QRgb> table = bitmap.Image().colorTable();
    EXPECT_EQ(table.size(), 236);
    // The map's components are red, green, blue in that order: a swap would show here.
    const jpegtest::PlainImage plain = jpegtest::PlainDecode(bytes);
    double error = 0;
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            const QRgb c = table[bitmap.Image().constScanLine(y)[x]];
            error += std::abs(qRed(c) - plain.At(x, y, 0)) + std::abs(qGreen(c) - plain.At(x, y, 1)) +
                     std::abs(qBlue(c) - plain.At(x, y, 2));
        }
    EXPECT_LT(error / (3.0 * plain.width * plain.height), 6.0);

    // Pictures made after a later start-up step follow the new decision.
    InitJPEGModule(24);
    EXPECT_EQ(Load(bytes)->Bitmap().PixelFormat(), TPixelFormat::pf24bit);
}

TEST_F(JPEGTest, AssignedPaletteBecomesTheColourMap)
{
    InitJPEGModule(8);
    auto image = Load(TestFile("photo.jpg"));
    image->Bitmap();
    const TPalette palette = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 30, 30), qRgb(30, 200, 30),
                              qRgb(30, 30, 200)};
    int changes = 0;
    image->OnChange = [&] { ++changes; };
    image->SetPalette(palette);
    EXPECT_FALSE(image->Decoded());  // decoded with another palette: dropped
    EXPECT_EQ(changes, 1);
    const TBitmap& bitmap = image->Bitmap();
    EXPECT_EQ(bitmap.Image().colorTable(), palette);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) ASSERT_LT(bitmap.Image().constScanLine(y)[x], palette.size());
    EXPECT_EQ(image->Palette(), palette);
}

TEST_F(JPEGTest, PaletteQueryOfAnUndecodedPicture)
{
    auto image = Load(TestFile("photo.jpg"));
    SetJPEGScreenDepthQuery([] { return 32; });
    EXPECT_TRUE(image->Palette().isEmpty());
    SetJPEGScreenDepthQuery([] { return 8; });
    const TPalette halftone = image->Palette();
    EXPECT_GE(halftone.size(), 216);
    EXPECT_LE(halftone.size(), 256);
    // 24-bit output has no use for it: decoding drops it, the bitmap has no palette.
    image->Bitmap();
    EXPECT_TRUE(image->Palette().isEmpty());

    InitJPEGModule(8);
    EXPECT_TRUE(Load(TestFile("photo.jpg"))->Palette().isEmpty());  // decided at decode
}

// Inverted CMYK as photo editors write it, read back through the plain formula.
struct Block {
    int x;
    QRgb colour;
};
const Block kBlocks[] = {{8, qRgb(255, 0, 0)},    {24, qRgb(0, 255, 0)},   {40, qRgb(0, 0, 255)},
                         {56, qRgb(255, 255, 0)}, {72, qRgb(255, 255, 255)}, {88, qRgb(0, 0, 0)}};

void ExpectBlocks(const TBitmap& bitmap, int tolerance)
{
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(bitmap.Width(), 96);
    for (const Block& b : kBlocks) {
        const QRgb c = reinterpret_cast<const QRgb*>(bitmap.Image().constScanLine(8))[b.x];
        EXPECT_NEAR(qRed(c), qRed(b.colour), tolerance) << b.x;
        EXPECT_NEAR(qGreen(c), qGreen(b.colour), tolerance) << b.x;
        EXPECT_NEAR(qBlue(c), qBlue(b.colour), tolerance) << b.x;
        EXPECT_EQ(qAlpha(c), 255);
    }
}

TEST_F(JPEGTest, CMYKFromAPhotoEditorShowsItsColours)
{
    auto image = Load(TestFile("cmyk.jpg"));
    ExpectBlocks(image->Bitmap(), 8);
}

// The same blocks compressed here as CMYK and as YCCK, inverted with the Adobe marker, and
// plain CMYK without it.
std::vector<uint8_t> BlocksAsCMYK(bool inverted)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 96; ++x) {
            const QRgb c = kBlocks[x / 16].colour;
            const int r = qRed(c), g = qGreen(c), b = qBlue(c);
            const int k = 255 - std::max({r, g, b});
            const auto ink = [k](int v) { return k == 255 ? 0 : (255 - v - k) * 255 / (255 - k); };
            const uint8_t cmyk[4] = {static_cast<uint8_t>(ink(r)), static_cast<uint8_t>(ink(g)),
                                     static_cast<uint8_t>(ink(b)), static_cast<uint8_t>(k)};
            for (uint8_t v : cmyk) pixels.push_back(inverted ? 255 - v : v);
        }
    return pixels;
}

TEST_F(JPEGTest, FourColourFilesOfEveryKindShowTheirColours)
{
    struct Case {
        bool ycck, adobe;
    };
    for (const Case c : {Case{false, true}, Case{true, true}, Case{false, false}}) {
        SCOPED_TRACE(c.ycck ? "YCCK" : c.adobe ? "Adobe CMYK" : "plain CMYK");
        const Bytes bytes = jpegtest::Compress(BlocksAsCMYK(c.adobe), 96, 16, 4, c.ycck, 98, c.adobe);
        ASSERT_EQ(jpegtest::PlainDecode(bytes).adobe, c.adobe);
        ExpectBlocks(Load(bytes)->Bitmap(), 6);
    }
}

TEST_F(JPEGTest, FourColourFileOnAPaletteDisplayGetsEightBits)
{
    InitJPEGModule(8);
    auto image = Load(TestFile("cmyk.jpg"));
    const TBitmap& bitmap = image->Bitmap();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_LE(bitmap.Image().colorTable().size(), 256);
    const QRgb red = bitmap.Image().pixel(8, 8);
    EXPECT_GT(qRed(red), 200);
    EXPECT_LT(qGreen(red), 60);
}

// --- limits and what the library cannot decode -----------------------------------------

TEST_F(JPEGTest, PixelLimitRefusesHugeHeadersBeforeAllocating)
{
    struct Case {
        int width, height;
        bool loads;
    };
    const Bytes photo = TestFile("photo.jpg");
    for (const Case c : {Case{10000, 10000, true}, Case{16384, 16384, true}, Case{16385, 16384, false},
                         Case{65500, 65500, false}, Case{65500, 4099, false}, Case{65500, 4098, true}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const Bytes bytes = jpegtest::WithSize(photo, c.width, c.height);
        if (c.loads) {
            auto image = Load(bytes);
            EXPECT_EQ(image->Width(), c.width);
            EXPECT_EQ(image->Height(), c.height);
        } else {
            const std::string message = MessageOf([&] { Load(bytes); });
            EXPECT_NE(message.find("trop grande"), std::string::npos) << message;
            EXPECT_NE(message.find(std::to_string(c.width)), std::string::npos) << message;
        }
    }
}

TEST_F(JPEGTest, HundredMegapixelPhotoStillDecodes)
{
    // The header of a 100-megapixel photo over a short body: the library fills the rest.
    auto image = Load(jpegtest::WithSize(TestFile("photo.jpg"), 10000, 10000));
    EXPECT_NO_THROW(DrawThumbnail(*image));
    EXPECT_EQ(image->Bitmap().Width(), 10000);
    EXPECT_EQ(image->Bitmap().Height(), 10000);
}

TEST_F(JPEGTest, WhatTheLibraryCannotDecodeFailsWithItsCode)
{
    const Bytes photo = TestFile("photo.jpg");
    const size_t frame = jpegtest::FrameHeader(photo);
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
        int code;
    };
    const Case cases[] = {
        {"12-bit samples", frame, 12, JERR_BAD_PRECISION},
        {"16-bit samples", frame, 16, JERR_BAD_PRECISION},
        {"lossless frame", frame - 3, 0xC3, JERR_SOF_UNSUPPORTED},
        {"hierarchical frame", frame - 3, 0xC5, JERR_SOF_UNSUPPORTED},
        {"zero components", frame + 5, 0, JERR_EMPTY_IMAGE},
    };
    for (const Case& c : cases) {
        Bytes bytes = photo;
        bytes[c.at] = c.value;
        const std::string expected = JPEGErrorMessage(c.code);
        const std::string message = MessageOf([&] {
            auto image = Load(bytes);
            DrawThumbnail(*image);
        });
        EXPECT_EQ(message, expected) << c.what;
    }
}

TEST_F(JPEGTest, ArithmeticCodedFileDecodes)
{
    auto image = Load(TestFile("arith.jpg"));
    EXPECT_NO_THROW(DrawThumbnail(*image));
}

// --- truncation -------------------------------------------------------------------------

TEST_F(JPEGTest, FileCutAfterItsHeaderDecodesWithoutAMessage)
{
    const Bytes photo = TestFile("photo.jpg");
    const size_t scan = jpegtest::FindMarker(photo, 0xDA);
    ASSERT_NE(scan, std::string::npos);
    const size_t headerEnd = scan + (photo[scan] << 8 | photo[scan + 1]);
    for (const size_t cut : {headerEnd, headerEnd + 1, headerEnd + 100, photo.size() - 2}) {
        auto image = Load(Bytes(photo.begin(), photo.begin() + static_cast<ptrdiff_t>(cut)));
        EXPECT_NO_THROW(DrawThumbnail(*image)) << cut;
        EXPECT_EQ(image->Width(), 64);
    }
}

// Cut before the first scan, a file may be refused; cut anywhere after, it must decode.
TEST_F(JPEGTest, EveryPrefixLoadsOrFailsCleanly)
{
    for (const char* name : {"photo.jpg", "progressive.jpg", "grey.jpg", "cmyk.jpg", "restart.jpg", "arith.jpg"}) {
        const Bytes bytes = TestFile(name);
        const size_t scan = jpegtest::FindMarker(bytes, 0xDA);
        ASSERT_NE(scan, std::string::npos);
        const size_t firstScan = scan + (bytes[scan] << 8 | bytes[scan + 1]);
        for (size_t n = 0; n <= bytes.size(); ++n) {
            const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
            try {
                auto image = Load(prefix);
                DrawThumbnail(*image);
                if (n > 0) {
                    EXPECT_GT(image->Bitmap().Width(), 0) << name << " " << n;
                }
            } catch (const EJPEG& e) {
                EXPECT_LT(n, firstScan) << name << " cut at " << n << ": " << e.what();
            }
        }
    }
}

// Every message a JPEG picture fails with: the library's, by number, and our two limits.
const std::vector<std::string> JPEGReadersMessages{"Erreur JPEG #*", "Image JPEG trop grande (*",
                                                   "Mémoire insuffisante pour l'image JPEG"};

// The seed corpus of the fuzz harness and every input that once broke the decoder or a
// sanitizer: each must end in an error or a picture.
TEST_F(JPEGTest, FuzzCorpusAndRegressionFilesFailCleanly)
{
    for (const char* folder : {"fuzz/jpeg/corpus", "tests/data/jpeg/regressions"}) {
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(GALIMO_SOURCE_DIR) / folder)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
            ++files;
            SCOPED_TRACE(entry.path().filename().string());
            for (const int depth : {32, 8}) {
                InitJPEGModule(depth);
                test::ExpectPictureOrReadersFailure<TJPEGImage, EJPEG>(jpegtest::ReadFile(entry.path().string()),
                                                                       JPEGReadersMessages, std::to_string(depth) + " bits");
            }
        }
        EXPECT_GT(files, 0) << folder;
    }
}

// The thumbnail of a decoded photo is the plain mean of the pixels each thumbnail pixel
// covers, whichever way the stretch reads the photo.
TEST_F(JPEGTest, ThumbnailOfADecodedPhotoIsThePlainMean)
{
    auto image = Load(TestFile("odd.jpg"));
    const QImage& photo = image->Bitmap().Image();
    ASSERT_EQ(photo.format(), QImage::Format_RGB32);
    const QImage threeBytes = photo.convertToFormat(QImage::Format_RGB888);
    for (const QSize size : {QSize(1, 1), QSize(5, 3), QSize(36, 22), QSize(37, 23), QSize(10, 23), QSize(37, 1)}) {
        const QImage fast = ShrinkAverage(photo, size.width(), size.height());
        EXPECT_EQ(fast, ShrinkAverage(threeBytes, size.width(), size.height())) << size.width() << "x" << size.height();
        // One pixel by hand: the mean of the whole picture.
        if (size == QSize(1, 1)) {
            uint64_t red = 0;
            for (int y = 0; y < photo.height(); ++y)
                for (int x = 0; x < photo.width(); ++x) red += qRed(photo.pixel(x, y));
            const uint64_t n = static_cast<uint64_t>(photo.width()) * photo.height();
            EXPECT_EQ(qRed(fast.pixel(0, 0)), static_cast<int>((red + n / 2) / n));
        }
    }
}

// --- reduced decodes -----------------------------------------------------------------------

TEST_F(JPEGTest, ReducedScaleIsTheSmallestHalvingThatCoversTheTarget)
{
    struct Case {
        int width, height, targetW, targetH, eighths;
    } cases[] = {
        {4000, 3000, 120, 120, 1}, {6000, 4000, 647, 431, 1}, {4000, 3000, 647, 485, 2},
        {4000, 3000, 1200, 900, 4}, {4000, 3000, 2500, 1875, 8}, {100, 100, 120, 120, 8},
        {953, 953, 120, 120, 1},  // 119.125 rounds up to 120, as the library rounds
        {951, 951, 120, 120, 2},   {120, 2000, 120, 120, 8}, {960, 2000, 120, 120, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReducedEighths(c.width, c.height, c.targetW, c.targetH), c.eighths)
            << c.width << "x" << c.height << " into " << c.targetW << "x" << c.targetH;
}

// A photo with detail down to the pixel: smooth light, a fine pattern and noise.
Bytes TexturedPhoto(int w, int h)
{
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(w) * h * 3);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>(seed >> 27) - 16, fine = ((x / 3 + y / 2) % 2) * 40;
            pixels.push_back(static_cast<uint8_t>(std::clamp(x * 200 / w + fine + noise, 0, 255)));
            pixels.push_back(static_cast<uint8_t>(std::clamp(y * 220 / h + noise, 0, 255)));
            pixels.push_back(static_cast<uint8_t>(std::clamp(128 + fine - noise, 0, 255)));
        }
    return jpegtest::Compress(pixels, w, h, 3, false, 92);
}

double MeanAbsDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

TEST_F(JPEGTest, ReducedThumbnailMatchesTheFullOneAndALargerDrawDecodesMore)
{
    const Bytes bytes = TexturedPhoto(1600, 1200);
    TBitmap full(120, 120, TPixelFormat::pf24bit);
    full.Canvas().DrawImage(0, 0, ShrinkAverage(Load(bytes)->Bitmap().Image(), 120, 120));

    auto image = Load(bytes);
    int decodes = 0;
    image->OnProgress = [&](ProgressStage stage, int, bool) { decodes += stage == ProgressStage::Starting; };
    TBitmap reduced(120, 120, TPixelFormat::pf24bit);
    reduced.Canvas().StretchDraw({0, 0, 120, 120}, image.get());
    EXPECT_EQ(image->DecodedEighths(), 1);
    EXPECT_EQ(image->Width(), 1600);  // the file's size, whatever was decoded
    EXPECT_EQ(image->Height(), 1200);
    EXPECT_LE(MeanAbsDifference(reduced.Image(), full.Image()), 2.0);

    // Larger draws decode what they need, smaller ones reuse what is kept.
    TBitmap page(400, 300, TPixelFormat::pf24bit);
    page.Canvas().StretchDraw({0, 0, 400, 300}, image.get());
    EXPECT_EQ(image->DecodedEighths(), 2);
    reduced.Canvas().StretchDraw({0, 0, 120, 120}, image.get());
    EXPECT_EQ(decodes, 2);
    TBitmap natural(1600, 1200, TPixelFormat::pf24bit);
    natural.Canvas().StretchDraw({0, 0, 1600, 1200}, image.get());
    EXPECT_EQ(image->DecodedEighths(), 8);
    EXPECT_EQ(natural.Image(), Load(bytes)->Bitmap().Image());
    EXPECT_EQ(decodes, 3);
}

TEST_F(JPEGTest, FailureOfAPreparedDrawIsRaisedByTheNextDrawOnce)
{
    const Bytes broken = jpegtest::WithBrokenSecondScan(TestFile("progressive.jpg"));
    auto image = Load(broken);
    EXPECT_NO_THROW(image->PrepareDraw(120, 120));
    EXPECT_EQ(MessageOf([&] { DrawThumbnail(*image); }), JPEGErrorMessage(JERR_BAD_COMPONENT_ID));
    EXPECT_NO_THROW(DrawThumbnail(*image));
    EXPECT_NO_THROW(image->Bitmap());  // no decoding again at full size either
}

}  // namespace
}  // namespace galimo
