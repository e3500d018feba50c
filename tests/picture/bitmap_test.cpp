#include "picture/bitmap.h"
#include "picture/fileformats.h"
#include "readoutcome.h"
#include "platform/core/exceptions.h"
#include "platform/files/stream.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>
#include <span>

using namespace galimo;

namespace {
std::vector<uint8_t> Bytes(const QByteArray& a) { return {a.begin(), a.end()}; }

std::vector<uint8_t> ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return Bytes(f.readAll());
}

void Load(TBitmap& b, const std::vector<uint8_t>& bytes)
{
    TMemoryStream s(bytes.data(), bytes.size());
    b.LoadFromStream(s);
}

const QString Suite = QString(GALIMO_TESTDATA_DIR) + "/bmpsuite/";

// A picture that draws, or the reader's one message.
void ExpectBitmapOrReadersFailure(const std::vector<uint8_t>& bytes, const std::string& name, QSize expected = {})
{
    test::ExpectPictureOrReadersFailure<TBitmap, EInvalidGraphic>(
        bytes, {"Image bitmap incorrecte", "Image bitmap trop grande (*"}, name, expected);
}
}  // namespace

TEST(BitmapReader, EmptyFileIsAnEmptyBitmapAndNoSignatureIsAnError)
{
    TBitmap b;
    Load(b, {});
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);
    for (const std::vector<uint8_t>& bad : {std::vector<uint8_t>{'B'}, std::vector<uint8_t>(20, 'M'),
                                           std::vector<uint8_t>{'b', 'm', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}) {
        try {
            Load(b, bad);
            ADD_FAILURE();
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), "Image bitmap incorrecte");
        }
    }
}

TEST(BitmapReader, EveryDepthAndCompressionOfTheGoodSuiteReads)
{
    const QStringList files = QDir(Suite + "g").entryList({"*.bmp"}, QDir::Files);
    ASSERT_GT(files.size(), 20);
    for (const QString& name : files) {
        TBitmap b;
        EXPECT_NO_THROW(Load(b, ReadAll(Suite + "g/" + name))) << name.toStdString();
        EXPECT_GT(b.Width(), 0) << name.toStdString();
        EXPECT_GT(b.Height(), 0) << name.toStdString();
    }
}

// How each file of the suite's good and questionable sets draws: like the named reference
// picture, or refused (""). '~' marks the file whose profile swaps red and green back: the
// platform applies no profile, so it draws swapped. '+' marks the file whose 11-bit samples
// lie half a level from the reference's: exact scaling rounds some of them up. Undefined RLE
// pixels show colour 0.
const std::vector<std::pair<const char*, const char*>> SuiteOutcomes = {
    {"g/pal1", "pal1"}, {"g/pal1wb", "pal1"}, {"g/pal1bg", "pal1bg"}, {"g/pal4", "pal4"}, {"g/pal4gs", "pal4gs"},
    {"g/pal4rle", "pal4"}, {"g/pal8-0", "pal8"}, {"g/pal8", "pal8"}, {"g/pal8gs", "pal8gs"}, {"g/pal8os2", "pal8"},
    {"g/pal8nonsquare", "pal8nonsquare-e"}, {"g/pal8rle", "pal8"}, {"g/pal8topdown", "pal8"}, {"g/pal8v4", "pal8"},
    {"g/pal8v5", "pal8"}, {"g/pal8w124", "pal8w124"}, {"g/pal8w125", "pal8w125"}, {"g/pal8w126", "pal8w126"},
    {"g/rgb16", "rgb16"}, {"g/rgb16bfdef", "rgb16"}, {"g/rgb16-565", "rgb16-565"}, {"g/rgb16-565pal", "rgb16-565"},
    {"g/rgb24", "rgb24"}, {"g/rgb24pal", "rgb24"}, {"g/rgb32", "rgb24"}, {"g/rgb32bf", "rgb24"},
    {"g/rgb32bfdef", "rgb24"}, {"q/pal1huffmsb", ""}, {"q/pal1p1", "pal1p1"}, {"q/pal2", "pal2"},
    {"q/pal2color", "pal2color"}, {"q/pal4rlecut", "pal4rlecut-0"}, {"q/pal4rletrns", "pal4rletrns-0"},
    {"q/pal8offs", "pal8"}, {"q/pal8os2-hs", "pal8"}, {"q/pal8os2-sz", "pal8"}, {"q/pal8os2sp", "pal8"},
    {"q/pal8os2v2", "pal8"}, {"q/pal8os2v2-16", "pal8"}, {"q/pal8os2v2-40sz", "pal8"}, {"q/pal8os2v2-sz", "pal8"},
    {"q/pal8oversizepal", "pal8"}, {"q/pal8rlecut", "pal8rlecut-0"}, {"q/pal8rletrns", "pal8rletrns-0"},
    {"q/rgb16-231", "rgb16-231"}, {"q/rgb16-3103", "rgb16-3103"}, {"q/rgb16faketrns", "rgb16"}, {"q/rgb24jpeg", ""},
    {"q/rgb24largepal", "rgb24"}, {"q/rgb24lprof", "rgb24"}, {"q/rgb24png", ""}, {"q/rgb24prof", "rgb24"},
    {"q/rgb24prof2", "~rgb24"}, {"q/rgb24rle24", ""}, {"q/rgb32-111110", "+rgb24"}, {"q/rgb32-7187", "rgb32-7187"},
    {"q/rgb32-xbgr", "rgb24"}, {"q/rgb32fakealpha", "rgb24"}, {"q/rgb32h52", "rgb24"},
    {"q/rgba16-1924", "rgba16-1924"}, {"q/rgba16-4444", "rgba16-4444"}, {"q/rgba16-5551", "rgba16-5551"},
    {"q/rgba32-1", "rgba32"}, {"q/rgba32-2", "rgba32"}, {"q/rgba32-1010102", "rgba32-1010102"},
    {"q/rgba32-61754", "rgba32-61754"}, {"q/rgba32-81284", "rgba32-81284"}, {"q/rgba32abf", "rgba32"},
    {"q/rgba32h56", "rgba32"}, {"q/rgba64", ""}, {"x/ba-bm", ""}};

QImage Premultiplied(const QImage& i) { return i.convertToFormat(QImage::Format_ARGB32_Premultiplied); }

// How many pixels of a differ from b's by more than `by` in a channel; all of them when the
// sizes differ.
int Differing(const QImage& a, const QImage& b, int by)
{
    if (a.size() != b.size()) return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            n += std::abs(qRed(p) - qRed(q)) > by || std::abs(qGreen(p) - qGreen(q)) > by ||
                 std::abs(qBlue(p) - qBlue(q)) > by || std::abs(qAlpha(p) - qAlpha(q)) > by;
        }
    return n;
}

TEST(BitmapReader, PixelsMatchTheSuiteReferences)
{
    const auto files = [](const char* folder) { return QDir(Suite + folder).entryList(QDir::Files).size(); };
    EXPECT_EQ(SuiteOutcomes.size(), size_t(files("g") + files("q") + files("x")));
    for (const auto& [name, reference] : SuiteOutcomes) {
        TBitmap b;
        const std::string ref = reference;
        try {
            Load(b, ReadAll(Suite + name + ".bmp"));
            ASSERT_FALSE(ref.empty()) << name << " is refused by the platform";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(ref.empty()) << name << ": " << e.what();
            continue;
        }
        QImage want = Premultiplied(QImage(Suite + "html/" + QString::fromStdString(ref).remove('~').remove('+') + ".png"));
        if (ref[0] == '~')
            for (int y = 0; y < want.height(); ++y)
                for (QRgb& p : std::span(reinterpret_cast<QRgb*>(want.scanLine(y)), want.width()))
                    p = qRgba(qGreen(p), qRed(p), qBlue(p), qAlpha(p));
        EXPECT_EQ(Differing(Premultiplied(b.Image()), want, ref[0] == '+'), 0) << name;
    }
}

// Hand-made files, 4 x 2 pixels of 8 bits (or 4 for RLE4), colour table navy, red, green,
// blue; the expected picture is its indices top row first, '.' for black, or the message.
std::vector<uint8_t> Dib(uint32_t header, int bits, uint32_t compression, uint32_t colours, std::vector<uint8_t> pixels,
                         int height = 2)
{
    std::vector<uint8_t> d(header, 0);
    const auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) d[at + i] = static_cast<uint8_t>(v >> 8 * i);
    };
    const bool core = header == 12;
    put(0, header, 4), put(4, 4, core ? 2 : 4), put(core ? 6 : 8, static_cast<uint32_t>(height), core ? 2 : 4), put(core ? 8 : 12, 1, 2);
    put(core ? 10 : 14, static_cast<uint32_t>(bits), 2);
    if (!core) put(16, compression, 4), put(32, colours, 4);
    for (uint32_t c : {0x000080u, 0xFF0000u, 0x00FF00u, 0x0000FFu}) {  // blue, green, red (, 0)
        d.insert(d.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        if (!core) d.push_back(0);
    }
    d.insert(d.end(), pixels.begin(), pixels.end());
    return d;
}

std::vector<uint8_t> File(std::vector<uint8_t> dib, uint32_t offset, uint32_t size = 0)
{
    std::vector<uint8_t> f = {'B', 'M'};
    for (uint32_t v : {size, 0u, offset})
        for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(v >> 8 * i));
    f.insert(f.end(), dib.begin(), dib.end());
    return f;
}

TEST(BitmapReader, TolerancesAndRleRules)
{
    const std::vector<uint8_t> rows = {2, 2, 2, 2, 0, 1, 2, 3};  // bottom row first
    struct Row {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* picture;
        bool dib = false;
    };
    const std::vector<Row> table = {
        {"size field lies", File(Dib(40, 8, 0, 4, rows), 70, 9), "0123" "2222"},
        {"offset inside the headers", File(Dib(40, 8, 0, 4, rows), 20), "0123" "2222"},
        {"offset past the end", File(Dib(40, 8, 0, 4, rows), 9999), "0123" "2222"},
        {"offset into the colour table", File(Dib(40, 8, 0, 4, rows), 54), "0123" "2222"},
        {"gap before the pixels", File(Dib(40, 8, 0, 4, {9, 9, 2, 2, 2, 2, 0, 1, 2, 3}), 72), "0123" "2222"},
        {"packed DIB", Dib(40, 8, 0, 4, rows), "0123" "2222", true},
        {"two colours used", File(Dib(40, 8, 0, 2, rows), 70), "01.." "...."},
        {"OS/2 table cut by the offset", File(Dib(12, 8, 0, 0, rows), 38), "0123" "2222"},
        {"cut short", File(Dib(40, 8, 0, 4, {1, 1, 1, 1}), 70), "0000" "1111"},
        {"run past the row's end", File(Dib(40, 8, 1, 4, {6, 1, 0, 0, 2, 3, 0, 1}), 70), "3300" "1111"},
        {"delta and end of bitmap", File(Dib(40, 8, 1, 4, {1, 1, 0, 2, 2, 1, 1, 3, 0, 1}), 70), "0003" "1000"},
        {"absolute, odd, padded", File(Dib(40, 8, 1, 4, {0, 3, 1, 2, 3, 0, 1, 2, 0, 0, 4, 3}), 70), "3333" "1232"},
        {"RLE4 runs and absolute", File(Dib(40, 4, 2, 4, {5, 0x12, 0, 0, 0, 3, 0x32, 0x10}), 70), "3210" "1212"},
        {"top-down RLE", File(Dib(40, 8, 1, 4, {8, 1}, -2), 70), "Image bitmap incorrecte"},
        {"packed DIB named .bmp", Dib(40, 8, 0, 4, rows), "Image bitmap incorrecte"},
        {"too big", ReadAll(Suite + "b/reallybig.bmp"), "Image bitmap trop grande (3000000 x 2000000 pixels)"},
        {"height -2^31", File(Dib(40, 8, 0, 4, rows, INT32_MIN), 70), "Image bitmap trop grande (4 x 2147483648 pixels)"},
    };
    RegisterDIB();
    for (Row row : table) {
        std::unique_ptr<TGraphic> g = row.dib ? TFileFormatsList::Instance().FindExt("dib")->Create() : std::make_unique<TBitmap>();
        try {
            TMemoryStream s(row.bytes.data(), row.bytes.size());
            g->LoadFromStream(s);
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), row.picture) << row.what;
            continue;
        }
        ASSERT_EQ(std::string(row.picture).size(), 8u) << row.what;
        const QImage got = static_cast<TBitmap&>(*g).Image().convertToFormat(QImage::Format_RGB32);
        const QRgb colours[] = {qRgb(0, 0, 128), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(got.pixel(i % 4, i / 4), row.picture[i] == '.' ? qRgb(0, 0, 0) : colours[row.picture[i] - '0'])
                << row.what << " pixel " << i;
    }
    UnregisterDIB();
}

TEST(BitmapReader, BadAndQuestionableFilesFailCleanlyOrRead)
{
    for (const char* folder : {"b", "q", "x"}) {
        for (const QString& name : QDir(Suite + folder).entryList({"*.bmp"}, QDir::Files))
            ExpectBitmapOrReadersFailure(ReadAll(Suite + folder + "/" + name), name.toStdString());
    }
}

TEST(BitmapReader, TheFuzzCorpusReadsOrFailsCleanly)
{
    const QString corpus = QString(GALIMO_SOURCE_DIR) + "/fuzz/bmp/corpus/";
    const QStringList files = QDir(corpus).entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) ExpectBitmapOrReadersFailure(ReadAll(corpus + name), name.toStdString());
}

TEST(BitmapReader, EveryPrefixOfAValidFileReadsOrFailsCleanly)
{
    for (const char* name : {"g/pal8rle.bmp", "g/pal4rle.bmp", "g/rgb24.bmp", "g/rgb16bfdef.bmp", "g/pal1.bmp"}) {
        const std::vector<uint8_t> whole = ReadAll(Suite + name);
        ASSERT_FALSE(whole.empty());
        TBitmap full;
        Load(full, whole);
        const QSize size(full.Width(), full.Height());  // what a cut file that reads must have
        for (size_t n = 0; n < whole.size(); n += (n < 200 ? 1 : 97)) {
            const std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<long>(n));
            ExpectBitmapOrReadersFailure(prefix, std::string(name) + " cut at " + std::to_string(n), size);
        }
    }
}

TEST(Bitmap, DepthsAndCopies)
{
    TBitmap b(4, 3, TPixelFormat::pf8bit);
    EXPECT_EQ(b.Image().format(), QImage::Format_Indexed8);
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(b.Image().format(), QImage::Format_RGB32);
    b.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(b.Image().format(), QImage::Format_Mono);
    TBitmap c(2, 2, TPixelFormat::pf24bit);
    c.Canvas().BrushColor = Qt::red;
    c.Canvas().FillRect({0, 0, 2, 2});
    TBitmap d;
    d.Assign(c);
    c.Canvas().BrushColor = Qt::blue;
    c.Canvas().FillRect({0, 0, 2, 2});
    EXPECT_EQ(d.Image().pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(d.Width(), 2);
}
