#include "picture/bitmap.h"
#include "picture/fileformats.h"
#include "picture/image.h"
#include "picture/picture.h"
#include "platform/core/exceptions.h"
#include "../common/testapp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace galimo;

namespace {
QApplication& App() { return galimo::test::TestApp(); }

// A graphic class standing in for the JPEG module in the registration tests.
struct TFakeJPEG : TBitmap {
    static const TGraphicClass ClassInfo;
    const TGraphicClass& Class() const override { return ClassInfo; }
};
const TGraphicClass TFakeJPEG::ClassInfo{"TFakeJPEG", [] { return std::unique_ptr<TGraphic>(new TFakeJPEG); }};

std::string WriteBmp(const QTemporaryDir& dir, const QString& name, int w, int h, QColor colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(img.save(path, "BMP"));
    return path.toStdString();
}
}  // namespace

TEST(FileFormats, BuiltInEntriesComeFirstInTheirOrder)
{
    const auto& entries = TFileFormatsList::Instance().Entries();
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(entries[0].Extension, "wmf");
    EXPECT_EQ(entries[0].Description, "MétaFichiers");
    EXPECT_EQ(entries[1].Extension, "emf");
    EXPECT_EQ(entries[2].Extension, "ico");
    EXPECT_EQ(entries[3].Extension, "bmp");
    EXPECT_EQ(entries[3].GraphicClass, &TBitmap::ClassInfo);
}

TEST(FileFormats, FindIgnoresCaseAndTheLastRegistrationWins)
{
    auto& list = TFileFormatsList::Instance();
    list.Add("JPEG", "Fichier image JPEG", TFakeJPEG::ClassInfo);
    list.Add("jpg", "Fichier image JPEG", TFakeJPEG::ClassInfo);
    EXPECT_EQ(list.Entries().back().Extension, "jpg");
    for (const char* ext : {"JPG", "jpg", "Jpg", "jpeg"}) EXPECT_EQ(list.FindExt(ext), &TFakeJPEG::ClassInfo) << ext;
    list.Add("bmp", "again", TFakeJPEG::ClassInfo);
    EXPECT_EQ(list.FindExt("BMP"), &TFakeJPEG::ClassInfo);
    list.Remove(TFakeJPEG::ClassInfo);
    EXPECT_EQ(list.FindExt("bmp"), &TBitmap::ClassInfo);
    EXPECT_EQ(list.FindExt("jpg"), nullptr);
}

TEST(FileFormats, ExtensionIsTheTextAfterTheLastDotOfTheLastComponent)
{
    EXPECT_EQ(FileExtension("x.JPG"), "JPG");
    EXPECT_EQ(FileExtension("a.b.Jpeg"), "Jpeg");
    EXPECT_EQ(FileExtension("a.b/c"), "");
    EXPECT_EQ(FileExtension("a.b\\c"), "");
    EXPECT_EQ(FileExtension("C:x"), "");
    EXPECT_EQ(FileExtension("d.e:f"), "");
    EXPECT_EQ(FileExtension("photo."), "");
    EXPECT_EQ(FileExtension("/album.2026/x.tif"), "tif");
}

TEST(Picture, UnknownExtensionNamesItAsWrittenAndKeepsThePicture)
{
    App();
    QTemporaryDir dir;
    TPicture pic;
    pic.LoadFromFile(WriteBmp(dir, "a.bmp", 64, 48, Qt::red));
    const TGraphic* before = pic.Graphic();
    struct Case {
        std::string name, message;
    } cases[] = {{"x.tif", "Extension de fichier graphique inconnue (.tif)"},
                 {"X.TIF", "Extension de fichier graphique inconnue (.TIF)"},
                 {"a.b/c", "Extension de fichier graphique inconnue (.)"},
                 {"noext", "Extension de fichier graphique inconnue (.)"}};
    for (const Case& c : cases) {
        try {
            pic.LoadFromFile(c.name);
            ADD_FAILURE() << c.name;
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(pic.Graphic(), before);
        EXPECT_EQ(pic.Width(), 64);
    }
    try {
        pic.LoadFromFile("missing.bmp");
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Impossible d'ouvrir le fichier missing.bmp");
    }
    EXPECT_EQ(pic.Graphic(), before);
}

TEST(Picture, AssignedCopiesAreIndependent)
{
    App();
    QTemporaryDir dir;
    TPicture source, copy;
    source.LoadFromFile(WriteBmp(dir, "s.bmp", 10, 10, Qt::blue));
    copy.Assign(&source);
    ASSERT_NE(copy.Graphic(), source.Graphic());
    TBitmap& b = copy.Bitmap();
    b.Canvas().BrushColor = Qt::green;
    b.Canvas().FillRect({0, 0, 10, 10});
    EXPECT_EQ(static_cast<TBitmap*>(source.Graphic())->Image().pixel(5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(b.Image().pixel(5, 5), qRgb(0, 255, 0));
    copy.Assign(static_cast<const TPicture*>(nullptr));
    EXPECT_EQ(copy.Graphic(), nullptr);
    EXPECT_EQ(copy.Width(), 0);
}

TEST(Picture, ChangeNotificationFollowsEveryChange)
{
    App();
    QTemporaryDir dir;
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&] { ++changes; };
    pic.LoadFromFile(WriteBmp(dir, "n.bmp", 4, 4, Qt::white));
    EXPECT_EQ(changes, 1);
    pic.Bitmap().Canvas().FillRect({0, 0, 2, 2});
    EXPECT_EQ(changes, 2);
    EXPECT_THROW(pic.LoadFromFile("n.xyz"), EInvalidGraphic);
    EXPECT_EQ(changes, 2);
}

TEST(ImageControl, SizesItselfToItsPictureAndAFailedLoadChangesNothing)
{
    App();
    QTemporaryDir dir;
    TImage image;
    image.setGeometry(5, 7, 57, 57);
    image.SetAutoSize(true);
    image.Picture().LoadFromFile(WriteBmp(dir, "p.bmp", 640, 480, Qt::gray));
    EXPECT_EQ(image.geometry(), QRect(5, 7, 640, 480));
    QFile bad(dir.filePath("bad.bmp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("XX not a bitmap at all");
    bad.close();
    EXPECT_THROW(image.Picture().LoadFromFile(dir.filePath("bad.bmp").toStdString()), EInvalidGraphic);
    EXPECT_EQ(image.geometry(), QRect(5, 7, 640, 480));
    EXPECT_EQ(image.Picture().Width(), 640);
    // An empty picture does not shrink the control to nothing.
    QFile empty(dir.filePath("empty.bmp"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    image.Picture().LoadFromFile(dir.filePath("empty.bmp").toStdString());
    EXPECT_EQ(image.Picture().Width(), 0);
    EXPECT_EQ(image.size(), QSize(640, 480));
}

TEST(ImageControl, StretchedPaintFillsTheControl)
{
    App();
    QTemporaryDir dir;
    TImage image;
    image.Picture().LoadFromFile(WriteBmp(dir, "r.bmp", 300, 200, Qt::red));
    image.SetStretch(true);
    image.resize(30, 90);
    const QImage shot = image.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(29, 89), qRgb(255, 0, 0));
}
