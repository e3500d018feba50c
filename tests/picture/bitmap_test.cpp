#include "picture/bitmap.h"
#include "readoutcome.h"
#include "platform/exceptions.h"
#include "platform/stream.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

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
    test::ExpectPictureOrReadersFailure<TBitmap, EInvalidGraphic>(bytes, {"Image bitmap incorrecte"}, name, expected);
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

TEST(BitmapReader, PixelsMatchTheSuiteReferences)
{
    // Files whose reference rendering the suite ships under the same name.
    for (const char* name : {"pal1", "pal4", "pal4gs", "pal8", "pal8gs", "rgb16", "rgb16-565", "rgb24", "pal8w124",
                             "pal8w125", "pal8w126"}) {
        TBitmap b;
        Load(b, ReadAll(Suite + "g/" + name + ".bmp"));
        const QImage want = QImage(Suite + "html/" + name + ".png").convertToFormat(QImage::Format_RGB32);
        const QImage got = b.Image().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(got.size(), want.size()) << name;
        // 5- and 6-bit channels widen to 8 bits by shifting in Qt's reader and by bit
        // replication in the references: those differ by less than one 5-bit step.
        const int tolerance = QString(name).startsWith("rgb16") ? 7 : 0;
        int differing = 0;
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x) {
                const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
                differing += std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
                             std::abs(qBlue(a) - qBlue(b)) > tolerance;
            }
        EXPECT_EQ(differing, 0) << name;
    }
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
