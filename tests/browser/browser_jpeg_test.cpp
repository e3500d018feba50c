// JPEG albums in the main window, offscreen: thumbnails at the photos' proportions, the
// photo view fitted, and a broken JPEG in the middle of an album.
#include "../common/mainwindowfixture.h"
#include "../common/jpegtestutil.h"

#include "browser/depart.h"
#include "picture/bitmap.h"
#include "picture/image.h"
#include "picture/jpegimage.h"
#include "platform/display/changeres.h"
#include "platform/widgets/formprops.h"
#include "platform/widgets/messagebox.h"
#include "print/printpanel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <jerror.h>

using namespace galimo;

namespace {


const QRgb kColour = qRgb(40, 120, 160);

// A JPEG photo of one flat colour, made by the library.
void Jpeg(const QString& path, int w, int h)
{
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(w) * h * 3);
    for (int i = 0; i < w * h; ++i) pixels.insert(pixels.end(), {40, 120, 160});
    const jpegtest::Bytes bytes = jpegtest::Compress(pixels, w, h, 3, false, 90);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class BrowserJPEGTest : public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        InitJPEGModule(32);
    }
    void StartShown()
    {
        Start();
        ShowAndPaint();
    }
};

TEST_F(BrowserJPEGTest, AlbumOfJPEGsGivesThumbnailsAtTheirProportionsAndAFittedPhoto)
{
    ASSERT_TRUE(root.mkpath("Photos"));
    Jpeg(root.filePath("Photos/a.JPG"), 1600, 1200);
    Jpeg(root.filePath("Photos/b.jpg"), 480, 640);
    Jpeg(root.filePath("Photos/c.jpg"), 1920, 1080);
    Jpeg(root.filePath("Photos/d.jpeg"), 400, 300);  // not matched by *.JPG: no thumbnail
    Jpeg(root.filePath("Photos/e.jpg"), 400, 300);
    StartShown();
    ASSERT_EQ(window->Thumbnails().size(), 4u);
    EXPECT_TRUE(box.Texts().empty());
    EXPECT_EQ(Thumb(0)->geometry(), QRect(1, 15, 120, 90));
    EXPECT_EQ(Thumb(1)->geometry(), QRect(17, 130, 89, 120));
    EXPECT_EQ(Thumb(2)->geometry(), QRect(1, 287, 120, 67));
    // The photo is stretched into the thumbnail: its colour in the middle.
    const QRgb middle = Thumb(1)->Picture().Bitmap().Image().pixel(60, 60);
    EXPECT_NEAR(qRed(middle), qRed(kColour), 3);
    EXPECT_NEAR(qGreen(middle), qGreen(kColour), 3);
    EXPECT_NEAR(qBlue(middle), qBlue(kColour), 3);
    // Picture 0 is larger than the view: fitted.
    EXPECT_EQ(window->NaturalWidth(), 1600);
    EXPECT_EQ(window->NaturalHeight(), 1200);
    EXPECT_EQ(window->ZoomMode(), TZoom::Fitted);
    EXPECT_EQ(window->photo->geometry(), QRect(5, 56, 647, 485));
    // A smaller one shows at its natural size.
    QTest::mouseClick(Thumb(3), Qt::LeftButton);
    EXPECT_EQ(window->NaturalWidth(), 400);
    EXPECT_EQ(window->ZoomMode(), TZoom::Natural);
    EXPECT_EQ(window->photo->size(), QSize(400, 300));
}

// A phone photo taken upright, stored on its side with orientation 6: upright everywhere.
TEST_F(BrowserJPEGTest, APhoneOrientationShowsUprightInTheStripThePhotoAndThePreview)
{
    ASSERT_TRUE(root.mkpath("Photos"));
    const jpegtest::Bytes bytes = jpegtest::OrientedQuarters(6, 3);
    Write(root.filePath("Photos/phone.jpg"),
          QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    StartShown();
    EXPECT_TRUE(box.Texts().empty());
    ASSERT_EQ(window->Thumbnails().size(), 1u);
    EXPECT_EQ(Thumb(0)->geometry(), QRect(1, 30, 120, 60));
    const auto grey = [](const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); };
    const QImage& thumb = Thumb(0)->Picture().Bitmap().Image();
    const QImage& page = window->page->Picture().Bitmap().Image();
    EXPECT_EQ(window->NaturalWidth(), 8);
    EXPECT_EQ(window->NaturalHeight(), 4);
    EXPECT_EQ(window->photo->size(), QSize(8, 4));
    window->photoClick();
    EXPECT_EQ(window->photo->size(), QSize(647, 324));
    window->PrintPanel()->ImprimerClick();
    EXPECT_EQ(window->PrintPanel()->PrintHeight, 148);  // full landscape page, 296 wide
    // The quarters' corners, in the thumbnail and on the preview's photo at (-3, 74)-(293, 222).
    const struct {
        int tx, ty, px, py, grey;
    } corners[] = {{5, 5, 5, 78, 0}, {115, 5, 288, 78, 85}, {5, 115, 5, 218, 170}, {115, 115, 288, 218, 255}};
    for (const auto& c : corners) {
        EXPECT_NEAR(grey(thumb, c.tx, c.ty), c.grey, 12) << c.tx << "," << c.ty;
        EXPECT_NEAR(grey(page, c.px, c.py), c.grey, 12) << c.px << "," << c.py;
    }
}

struct Broken {
    const char* what;
    QByteArray bytes;
    int code;
};

class BrowserBrokenJPEG : public BrowserJPEGTest, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrowserBrokenJPEG, ShowsTheLibrarysCodeAndKeepsEveryThumbnail)
{
    ASSERT_TRUE(root.mkpath("Photos"));
    Jpeg(root.filePath("Photos/1.jpg"), 300, 300);
    Write(root.filePath("Photos/2.jpg"), GetParam().bytes);
    Jpeg(root.filePath("Photos/3.jpg"), 300, 300);
    StartShown();
    ASSERT_EQ(box.Texts().size(), 1u);
    EXPECT_EQ(box.Texts()[0], "Erreur JPEG #" + std::to_string(GetParam().code) + ".");
    ASSERT_EQ(window->Thumbnails().size(), 3u);  // the strip goes on past the broken file
    EXPECT_EQ(Thumb(0)->geometry(), QRect(1, 0, 120, 120));
    EXPECT_NEAR(qGreen(Thumb(0)->Picture().Bitmap().Image().pixel(60, 60)), qGreen(kColour), 3);
    QTest::mouseClick(Thumb(0), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(window->NaturalWidth(), 300);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrowserBrokenJPEG,
    ::testing::Values(Broken{"not a JPEG", QByteArray("this is no photo"), JERR_NO_SOI},
                      Broken{"empty file", QByteArray(), JERR_INPUT_EMPTY}),
    [](const ::testing::TestParamInfo<Broken>& info) { return info.param.code == JERR_NO_SOI ? "NotJPEG" : "Empty"; });

}  // namespace
