#include "platform/arith.h"
#include "platform/canvas.h"
#include "platform/errorhandler.h"
#include "platform/exceptions.h"
#include "platform/filelistbox.h"
#include "platform/filenames.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "platform/stream.h"
#include "../common/fakes.h"
#include "../common/replacement.h"
#include "../common/testapp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace galimo;

using galimo::test::TRecordingMessageBox;
using galimo::test::TScopedReplacement;

namespace {
QApplication& App() { return galimo::test::TestApp(); }
}  // namespace

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(ErrorBoxText("Erreur JPEG #53"), "Erreur JPEG #53.");
    EXPECT_EQ(ErrorBoxText("Image bitmap incorrecte"), "Image bitmap incorrecte.");
    EXPECT_EQ(ErrorBoxText("Extension de fichier graphique inconnue (.tif)"),
              "Extension de fichier graphique inconnue (.tif)");  // ')' sorts before '.'
    EXPECT_EQ(ErrorBoxText("Fin."), "Fin.");
    EXPECT_EQ(ErrorBoxText("Quoi ?"), "Quoi ?.");  // '?' sorts after '.'
    EXPECT_EQ(ErrorBoxText("Vraiment !"), "Vraiment !");
    EXPECT_EQ(ErrorBoxText("Fichier 1/2"), "Fichier 1/2.");
    EXPECT_EQ(ErrorBoxText("Mémoire épuisée"), "Mémoire épuisée.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBox, GuardShowsTheMessageOnceAndAbortShowsNothing)
{
    TRecordingMessageBox box;
    {
        TScopedReplacement<IMessageBox> inForce(box);
        EXPECT_FALSE(Guard([] { throw EInvalidGraphic("Image bitmap incorrecte"); }));
        EXPECT_FALSE(Guard([] { throw EAbort(); }));
        EXPECT_TRUE(Guard([] {}));
        EXPECT_FALSE(Guard([] { throw std::runtime_error("boom"); }));
    }
    ASSERT_EQ(box.Calls.size(), 2u);
    EXPECT_EQ(box.Calls[0].caption, "Galimo");
    EXPECT_EQ(box.Calls[0].text, "Image bitmap incorrecte.");
    EXPECT_EQ(box.Calls[0].icon, MessageIcon::Error);
    EXPECT_EQ(box.Calls[1].text, "boom.");
}

TEST(Arithmetic, RoundsHalfToEvenIncludingNegatives)
{
    struct Row {
        long double in;
        int64_t out;
    } rows[] = {{323.5L, 324}, {324.5L, 324}, {0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0},
                {-1.5L, -2}, {-2.5L, -2}, {2.4999L, 2}, {-2.5001L, -3}, {157.5L, 158}, {154.5L, 154}};
    for (const Row& r : rows) EXPECT_EQ(RoundEven(r.in), r.out) << static_cast<double>(r.in);
}

TEST(Arithmetic, TruncatesAndDividesTowardZero)
{
    EXPECT_EQ(Truncate(89.99999L), 89);
    EXPECT_EQ(Truncate(-89.9L), -89);
    EXPECT_EQ(Div(7, 2), 3);
    EXPECT_EQ(Div(-7, 2), -3);
    EXPECT_EQ(Div(-1, 2), 0);
}

TEST(Arithmetic, MulDivRoundsToNearestWithA64BitProduct)
{
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);  // the product overflows 32 bits
    EXPECT_EQ(MulDiv(5, 3, 2), 8);                      // 7.5 rounds up
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(Arithmetic, RatiosAreSinglePrecision)
{
    EXPECT_EQ(Ratio(480, 640), 0.75f);
    EXPECT_EQ(Ratio(640, 480), 1.3333334f);
    EXPECT_EQ(Ratio(400, 657), 0.6088280f);
}

TEST(Streams, MemoryStreamReadsClampsAndWrites)
{
    TMemoryStream s(std::vector<uint8_t>{1, 2, 3, 4, 5});
    uint8_t buf[8] = {};
    EXPECT_EQ(s.Read(buf, 3), 3u);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(s.Read(buf, 8), 2u);
    EXPECT_EQ(buf[1], 5);
    EXPECT_EQ(s.Read(buf, 8), 0u);
    s.SetPosition(-4);
    EXPECT_EQ(s.Position(), 0);
    s.SetPosition(99);
    EXPECT_EQ(s.Position(), 5);
    const uint8_t more[] = {9, 9};
    s.Write(more, 2);
    EXPECT_EQ(s.Size(), 7);
}

TEST(Streams, FileStreamNamesTheFileItCannotOpen)
{
    try {
        TFileStream s("/nonexistent/x.bmp");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Impossible d'ouvrir le fichier /nonexistent/x.bmp");
    }
    EXPECT_THROW(TFileStream("/tmp"), EFOpenError);  // a folder is no file
}

TEST(Canvas, ShrinkingAveragesEveryDroppedPixel)
{
    // A one-pixel checkerboard shrunk by 4 must come out an even grey, not black or white.
    QImage checker(400, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) checker.setPixel(x, y, ((x + y) & 1) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QImage small = ShrinkAverage(checker, 100, 100);
    ASSERT_EQ(small.size(), QSize(100, 100));
    for (int y = 0; y < 100; y += 13)
        for (int x = 0; x < 100; x += 11) EXPECT_NEAR(qRed(small.pixel(x, y)), 128, 1);

    // Uneven ratios still cover every source pixel once: the mean colour is kept.
    QImage halves(7, 3, QImage::Format_RGB888);
    halves.fill(qRgb(10, 200, 30));
    const QImage two = ShrinkAverage(halves, 2, 1);
    EXPECT_EQ(two.pixel(0, 0), qRgb(10, 200, 30));
    EXPECT_EQ(two.pixel(1, 0), qRgb(10, 200, 30));
}

TEST(Canvas, StretchFillsTheRectangleWithRightAndBottomExclusive)
{
    App();
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::black);
    QImage red(3, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    TCanvas canvas(static_cast<QPaintDevice*>(&target));
    canvas.StretchImage({2, 2, 8, 6}, red);
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(7, 5), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(8, 5), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(7, 6), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 0));
    // An inverted rectangle draws nothing (no mirrored picture).
    canvas.StretchImage({9, 9, 0, 0}, red);
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(Canvas, LinesLeaveOutTheirEndPoint)
{
    App();
    QImage target(10, 3, QImage::Format_RGB32);
    target.fill(Qt::white);
    TCanvas canvas(static_cast<QPaintDevice*>(&target));
    canvas.MoveTo(1, 1);
    canvas.LineTo(6, 1);
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(5, 1), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(6, 1), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(3, 0), qRgb(255, 255, 255));
}

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        saved = QDir::currentPath();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override { QDir::setCurrent(saved); }
    void Touch(const QString& name)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QTemporaryDir dir;
    QString saved;
};

TEST_F(FileListTest, ListsOrdinaryMatchingFilesSortedWithoutRegardToCase)
{
    Touch("b.JPG");
    Touch("A.gif");
    Touch("c.bmp");
    Touch("d.png");
    Touch(".hidden.bmp");
    Touch("noext");
    QDir(dir.path()).mkdir("folder.bmp");
    TFileListBox list;
    list.SetMask("*.BMP;*.GIF;*.JPG");
    list.SetDirectory(dir.path());
    EXPECT_EQ(list.Items(), (QStringList{"A.gif", "b.JPG", "c.bmp"}));
    // The process's current folder follows the list.
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
    EXPECT_TRUE(QFile::exists("c.bmp"));
}

TEST_F(FileListTest, TheSameFolderIsNotReadAgain)
{
    Touch("a.bmp");
    TFileListBox list;
    list.SetMask("*.BMP");
    list.SetDirectory(dir.path());
    EXPECT_EQ(list.Count(), 1);
    Touch("b.bmp");
    list.SetDirectory(dir.path());
    EXPECT_EQ(list.Count(), 1);
    list.Refill();
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(FileListTest, AFolderThatCannotBeEnteredIsAnInputOutputError)
{
    TFileListBox list;
    try {
        list.SetDirectory(dir.filePath("missing"));
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.Message(), "Fichier introuvable");
    }
}

// What a name of bytes shows as: UTF-8 where it is well formed, Windows-1252 elsewhere.
TEST(FileNames, NamesThatAreNotUtf8ShowInTheWesternCodePage)
{
    const struct {
        const char* raw;
        const char* shown;
    } rows[] = {
        {"No\xC3\xABl", "Noël"},                       // UTF-8 as it stands
        {"\xC9t\xE9", "Été"},                          // Latin-1
        {"caf\xC3\xA9 \xE9", "café é"},                // both in one name
        {"\x80 \x9C", "€ œ"},                          // the code page's own letters
        {"\x81", "\xEF\xBF\xBD"},                      // a byte it leaves undefined
        {"\xC0\xAF", "À¯"},                            // an overlong form is not UTF-8
        {"\xED\xA0\x80", "í\xC2\xA0€"},                // nor a surrogate
        {"\xF0\x9F\x93\xB7", "\xF0\x9F\x93\xB7"},      // a four-byte character is
        {"\xC3", "Ã"},                                 // a cut sequence is not
    };
    for (const auto& r : rows) EXPECT_EQ(FileNameToUtf8(r.raw), r.shown) << r.shown;
}

TEST(FileNames, MasksMatchExtensionsWithoutRegardToCase)
{
    const struct {
        const char* name;
        const char* mask;
        bool matches;
    } rows[] = {
        {"a.jpg", "*.JPG", true}, {"A.JpG", "*.JPG", true},   {"a.jpeg", "*.JPG", false},
        {"ajpg", "*.JPG", false}, {"x.y.gif", "*.GIF", true}, {"\xE9t\xE9.bmp", "*.BMP", true},
        {"noext", "*.*", true},   {"b.bmp", "?.BMP", true},   {"bb.bmp", "?.BMP", false},
    };
    for (const auto& r : rows) EXPECT_EQ(MatchesMask(r.name, r.mask), r.matches) << r.name << " " << r.mask;
}

// The desktop's handler for an address, as the shell hands it over.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QStringList urls;
public slots:
    void Open(const QUrl& url) { urls << url.toString(); }
};

TEST(Shell, TheDesktopsOwnHandsTheAddressToTheHandlerForItsScheme)
{
    App();
    ASSERT_NE(dynamic_cast<QtShell*>(&Shell()), nullptr);
    UrlCatcher mail;
    QDesktopServices::setUrlHandler("mailto", &mail, "Open");
    Shell().Open(nullptr, "mailto:auteur@example.org ?subject=Logiciel GALIMO");
    QDesktopServices::unsetUrlHandler("mailto");
    EXPECT_EQ(mail.urls, QStringList{"mailto:auteur@example.org ?subject=Logiciel GALIMO"});
}

#include "platform_test.moc"
