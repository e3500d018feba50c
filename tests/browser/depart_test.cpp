// The main window offscreen: its form, the album list, the thumbnail strip, the photo view.
#include "../common/mainwindowfixture.h"
#include "about/fap.h"
#include "browser/depart.h"
#include "picture/bitmap.h"
#include "picture/fileformats.h"
#include "picture/image.h"
#include "platform/display/changeres.h"
#include "platform/widgets/formprops.h"
#include "platform/widgets/messagebox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <set>

using namespace galimo;
using galimo::test::TFakeDisplaySettings;
using galimo::test::TScopedReplacement;

namespace {



void Bmp(const QString& path, int w, int h, QColor colour = Qt::darkCyan)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    ASSERT_TRUE(img.save(path, "BMP")) << path.toStdString();
}

void Text(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

using DepartTest = galimo::test::MainWindowFixture;

}  // namespace

TEST_F(DepartTest, TheFormPutsEveryComponentWhereItsDescriptionSays)
{
    TDepart& w = Start();
    EXPECT_EQ(w.geometry(), QRect(0, 0, 800, 600));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    struct Row {
        const char* name;
        QRect geometry;
        bool visible;
    } rows[] = {
        {"boite", {0, 168, 145, 429}, true},       {"HV", {112, 80, 25, 65}, false},
        {"cblanc", {112, 160, 25, 33}, false},     {"FL", {8, 32, 97, 49}, false},
        {"boitephoto", {144, 0, 657, 597}, true},  {"photo", {0, 0, 57, 57}, true},
        {"Imprimer", {48, 0, 49, 41}, true},       {"quitter", {0, 0, 49, 41}, true},
        {"AP", {96, 0, 49, 41}, true},             {"DL", {0, 40, 145, 129}, true},
        {"Pimp", {159, 111, 481, 377}, false},     {"page", {16, 16, 296, 296}, true},
        {"GroupBox1", {320, 16, 145, 113}, true},  {"Plein", {16, 24, 121, 25}, true},
        {"demi", {16, 48, 121, 25}, true},         {"quart", {16, 72, 121, 25}, true},
        {"GroupBox2", {320, 192, 145, 113}, true}, {"LabelH", {8, 64, 129, 17}, true},
        {"LabelV", {24, 88, 113, 17}, true},       {"Hmarge", {8, 24, 129, 33}, true},
        {"LanceImp", {40, 328, 97, 33}, true},     {"annuler", {184, 328, 97, 33}, true},
        {"deplacer", {320, 144, 145, 33}, true},   {"GroupBox3", {320, 312, 145, 49}, true},
        {"dimensions", {8, 24, 129, 17}, true},    {"CLK", {264, 48, 41, 25}, false},
    };
    for (const Row& row : rows) {
        QWidget* c = Child(row.name);
        ASSERT_NE(c, nullptr) << row.name;
        EXPECT_EQ(c->geometry(), row.geometry) << row.name;
        EXPECT_EQ(!c->isHidden(), row.visible) << row.name;
    }
    EXPECT_EQ(Child("Imprimer")->toolTip(), "Imprimer la photo sélectionnée");
    EXPECT_EQ(Child("quitter")->toolTip(), "Quitter");
    EXPECT_EQ(Child("AP")->toolTip(), "A propos");
    EXPECT_EQ(Child("photo")->toolTip(), "ZOOM");
    EXPECT_EQ(Child("photo")->cursor().shape(), Qt::SizeAllCursor);
    EXPECT_EQ(Child("DL")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Child("AP")->font().pixelSize(), 35);
    EXPECT_EQ(Child("dimensions")->font().pixelSize(), 15);
    EXPECT_EQ(w.font().pixelSize(), 11);
    EXPECT_EQ(w.FL->Mask(), "*.BMP;*.GIF;*.JPG");
    // The white background of every thumbnail.
    ASSERT_EQ(w.cblanc->Picture().Width(), 120);
    EXPECT_EQ(w.cblanc->Picture().Bitmap().Image().pixel(119, 119), qRgb(255, 255, 255));
}

TEST_F(DepartTest, CreationSwitchesTheDisplayAndCentresThePrintPanelInTheForm)
{
    TDepart& w = Start(1024, 768);
    ASSERT_EQ(display->requests.size(), 1u);
    EXPECT_EQ(display->requests[0].mode.dmPelsWidth, 800u);
    EXPECT_EQ(display->requests[0].mode.dmPelsHeight, 600u);
    EXPECT_EQ(display->requests[0].mode.dmBitsPerPel, 16u);
    EXPECT_EQ(w.Pimp->pos(), QPoint(159, 111));
    EXPECT_EQ(w.StartFolder(), QDir::currentPath() + "/");
    EXPECT_TRUE(w.StartFolder().endsWith('/'));
    EXPECT_FALSE(w.StartFolder().endsWith("//"));

    window.reset();
    TFakeDisplaySettings refusing(1024, 768, 32);
    refusing.result = DISP_CHANGE_BADMODE;
    TScopedReplacement<IDisplaySettings> g(refusing);
    InitChangeRes();
    TDepart stuck;
    // The display kept its larger mode: the window owns the screen, the panel stays in the form.
    EXPECT_TRUE(stuck.windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(stuck.Pimp->pos(), QPoint(159, 111));
}

TEST_F(DepartTest, FirstPaintFillsTheAlbumListOnceWithTheRightFolders)
{
    for (const char* name : {"Beta", "alpha", "_Reserve", ".cache", "Noël 2025"}) Album(name);
    Text(root.filePath("LISEZMOI.txt"), "x");
    Text(root.filePath("photo.bmp"), "x");
    Start();
    EXPECT_EQ(window->DL->count(), 0);
    ShowAndPaint();
    std::set<QString> listed;
    for (int i = 0; i < window->DL->count(); ++i) listed.insert(window->DL->item(i)->text());
    EXPECT_EQ(listed, (std::set<QString>{"Beta", "alpha", "Noël 2025"}));
    EXPECT_EQ(window->DL->currentRow(), 0);
    // A later paint does not refill it.
    Album("Gamma");
    window->repaint();
    window->FormPaint();
    EXPECT_EQ(window->DL->count(), 3);
}

TEST_F(DepartTest, NoAlbumGivesAnEmptyWindowAndTheZoomClickChangesNothing)
{
    Start();
    ShowAndPaint();
    EXPECT_EQ(window->DL->count(), 0);
    EXPECT_TRUE(window->Thumbnails().empty());
    EXPECT_EQ(window->photo->Picture().Graphic(), nullptr);
    const QRect before = window->photo->geometry();
    window->photoClick();
    EXPECT_EQ(window->ZoomMode(), TZoom::None);
    EXPECT_EQ(window->photo->geometry(), before);
    EXPECT_TRUE(box.Texts().empty());
}

TEST_F(DepartTest, AnAlbumListsItsPicturesSortedAndMakesThumbnailsAtTheirProportions)
{
    Album("Alb");
    Bmp(root.filePath("Alb/b.BMP"), 480, 640);
    Bmp(root.filePath("Alb/A.bmp"), 640, 480);
    Bmp(root.filePath("Alb/c.bmp"), 1920, 1080);
    Bmp(root.filePath("Alb/.hidden.bmp"), 10, 10);
    Text(root.filePath("Alb/notes.txt"), "x");
    ASSERT_TRUE(root.mkpath("Alb/sub.bmp"));
    Start();
    ShowAndPaint();
    EXPECT_EQ(window->FL->Items(), (QStringList{"A.bmp", "b.BMP", "c.bmp"}));
    EXPECT_EQ(QDir::currentPath(), QDir(root.filePath("Alb")).canonicalPath());
    ASSERT_EQ(window->Thumbnails().size(), 3u);
    EXPECT_EQ(Thumb(0)->geometry(), QRect(1, 15, 120, 90));
    EXPECT_EQ(Thumb(1)->geometry(), QRect(17, 130, 89, 120));
    EXPECT_EQ(Thumb(2)->geometry(), QRect(1, 287, 120, 67));
    EXPECT_EQ(Thumb(2)->Tag(), 2);
    EXPECT_EQ(Thumb(1)->Picture().Width(), 120);
    EXPECT_EQ(Thumb(1)->Picture().Height(), 120);
    // The strip's range reaches the lowest thumbnail.
    EXPECT_EQ(window->boite->VertRange(), 354);
    // The picture itself is stretched into the white square: its colour in the middle.
    EXPECT_EQ(Thumb(1)->Picture().Bitmap().Image().pixel(60, 60), QColor(Qt::darkCyan).rgb());
    // Picture 0 is in the photo view, at natural size and centred.
    EXPECT_EQ(window->NaturalWidth(), 640);
    EXPECT_EQ(window->ZoomMode(), TZoom::Natural);
    EXPECT_EQ(window->photo->geometry(), QRect(8, 58, 640, 480));
    // A click on VIG2 shows file 2, fitted.
    QTest::mouseClick(Thumb(2), Qt::LeftButton);
    EXPECT_EQ(window->NaturalWidth(), 1920);
    EXPECT_EQ(window->ZoomMode(), TZoom::Fitted);
    EXPECT_EQ(window->photo->geometry(), QRect(5, 116, 647, 364));
}

TEST_F(DepartTest, OpeningAnotherAlbumFreesEveryThumbnailFirstAndStartsAtTheTop)
{
    Album("One");
    Album("Two");
    for (int i = 0; i < 8; ++i) Bmp(root.filePath(QString("One/p%1.bmp").arg(i)), 300, 200);
    Bmp(root.filePath("Two/only.bmp"), 200, 300);
    Start();
    ShowAndPaint();
    const int one = window->DL->item(0)->text() == "One" ? 0 : 1;
    window->DL->setCurrentRow(one);
    Filled();
    ASSERT_EQ(window->Thumbnails().size(), 8u);
    QWheelEvent notches({60, 60}, {60, 60}, {}, {0, -360}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->boite->viewport(), &notches);
    EXPECT_EQ(window->boite->VertPosition(), 390);  // a thumbnail a notch
    QPointer<TImage> old = Thumb(7);
    window->DL->setCurrentRow(1 - one);
    EXPECT_TRUE(old.isNull());
    Filled();
    ASSERT_EQ(window->Thumbnails().size(), 1u);
    EXPECT_EQ(window->boite->VertPosition(), 0);
    EXPECT_EQ(Thumb(0)->geometry(), QRect(21, 0, 80, 120));
    EXPECT_EQ(window->NaturalHeight(), 300);
}

TEST_F(DepartTest, ABrokenPictureKeepsItsPlaceAndTheRestOfTheAlbum)
{
    Album("A");
    Album("B");
    Bmp(root.filePath("A/x.bmp"), 400, 300, Qt::red);
    Bmp(root.filePath("B/1.bmp"), 300, 300);
    Text(root.filePath("B/2.bmp"), "this is no bitmap");
    Bmp(root.filePath("B/3.bmp"), 300, 300);
    const QByteArray frame = QByteArray::fromHex("2c 00000000 0100 0100 00 02 02 4401 00");
    Text(root.filePath("B/4 <i>&.gif"), "GIF89a" + QByteArray::fromHex("0100 0100 000000") + frame + frame + ";");
    Start();
    ShowAndPaint();
    const int a = window->DL->item(0)->text() == "A" ? 0 : 1;
    window->DL->setCurrentRow(a);
    Filled();
    ASSERT_EQ(window->NaturalWidth(), 400);
    box.Calls.clear();
    window->DL->setCurrentRow(1 - a);
    Filled();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Image bitmap incorrecte."});  // the first failure only
    ASSERT_EQ(window->Thumbnails().size(), 4u);
    EXPECT_EQ(Thumb(0)->geometry(), QRect(1, 0, 120, 120));
    EXPECT_EQ(Thumb(1)->geometry(), QRect(1, 130, 120, 120));  // the damaged file's place
    EXPECT_EQ(Thumb(1)->Picture().Bitmap().Image().pixel(60, 60), QColor(Qt::gray).rgb());
    EXPECT_EQ(galimo::test::Seen(Thumb(3)->toolTip()), "4 <i>&.gif");
    EXPECT_EQ(Thumb(3)->Picture().Bitmap().Image().pixel(60, 60), QColor(Qt::gray).rgb());  // two frames, no colours
    EXPECT_EQ(window->NaturalWidth(), 300);  // picture 0 of this album
    QTest::mouseClick(Thumb(1), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(window->photo->Picture().Bitmap().Image().pixel(0, 0), QColor(Qt::gray).rgb());
    EXPECT_EQ(box.Texts().size(), 1u);  // its cross in the photo view, and no box
}

TEST_F(DepartTest, AFailedShowKeepsThePreviousPictureAtNaturalSize)
{
    Album("A");
    Bmp(root.filePath("A/a.bmp"), 1024, 768);
    Bmp(root.filePath("A/b.bmp"), 50, 50);
    Start();
    ShowAndPaint();
    ASSERT_EQ(window->ZoomMode(), TZoom::Fitted);
    QFile::remove(root.filePath("A/b.bmp"));
    Text(root.filePath("A/b.bmp"), "BMbroken");
    Thumb(1)->Clicked();
    ASSERT_EQ(box.Texts().size(), 1u);
    EXPECT_EQ(window->NaturalWidth(), 1024);
    EXPECT_EQ(window->ZoomMode(), TZoom::Fitted);
    EXPECT_FALSE(window->photo->Stretch());
    EXPECT_TRUE(window->photo->AutoSize());
    EXPECT_EQ(window->photo->size(), QSize(1024, 768));
}

TEST_F(DepartTest, TheZoomToggleFollowsTheLayoutRules)
{
    Album("Z");
    Bmp(root.filePath("Z/big.bmp"), 1024, 768);
    Bmp(root.filePath("Z/small.bmp"), 400, 300);
    Start();
    ShowAndPaint();
    TDepart& w = *window;
    EXPECT_EQ(w.ZoomMode(), TZoom::Fitted);
    EXPECT_EQ(w.photo->geometry(), QRect(5, 56, 647, 485));
    QTest::mouseClick(w.photo, Qt::LeftButton);
    EXPECT_EQ(w.ZoomMode(), TZoom::Natural);
    EXPECT_EQ(w.photo->geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(w.boitephoto->HorzRange(), 1024);
    EXPECT_EQ(w.boitephoto->VertRange(), 768);
    EXPECT_EQ(w.boitephoto->HorzPosition(), 183);
    EXPECT_EQ(w.boitephoto->VertPosition(), 85);
    w.photoClick();
    EXPECT_EQ(w.photo->geometry(), QRect(5, 56, 647, 485));
    EXPECT_EQ(w.boitephoto->HorzPosition(), 0);
    EXPECT_EQ(w.boitephoto->VertPosition(), 0);

    // A scrolled view starts at 0, 0 for the next picture.
    w.photoClick();
    w.ShowPicture(1);
    EXPECT_EQ(w.boitephoto->HorzPosition(), 0);
    EXPECT_EQ(w.boitephoto->VertPosition(), 0);
    EXPECT_EQ(w.photo->geometry(), QRect(128, 148, 400, 300));
    w.photoClick();
    EXPECT_EQ(w.photo->geometry(), QRect(5, 56, 647, 485));
    w.photoClick();
    EXPECT_EQ(w.photo->geometry(), QRect(128, 148, 400, 300));
}

TEST_F(DepartTest, AnAlbumWithoutPicturesHidesThePhoto)
{
    Album("Full");
    Album("Empty");
    Bmp(root.filePath("Full/a.bmp"), 100, 100);
    Start();
    ShowAndPaint();
    const int full = window->DL->item(0)->text() == "Full" ? 0 : 1;
    window->DL->setCurrentRow(full);
    Filled();
    EXPECT_TRUE(window->photo->isVisible());
    window->DL->setCurrentRow(1 - full);
    EXPECT_TRUE(window->Thumbnails().empty());
    EXPECT_FALSE(window->photo->isVisible());
    EXPECT_EQ(window->NaturalWidth(), 100);
}

TEST_F(DepartTest, ClosingFreesTheThumbnailsAndRestoresTheDisplay)
{
    Album("A");
    Bmp(root.filePath("A/a.bmp"), 100, 100);
    Start(1024, 768);
    ShowAndPaint();
    ASSERT_EQ(window->Thumbnails().size(), 1u);
    QTest::mouseClick(window->quitter, Qt::LeftButton);
    EXPECT_TRUE(window->Thumbnails().empty());
    ASSERT_EQ(display->requests.size(), 2u);
    EXPECT_EQ(display->requests[1].mode.dmPelsWidth, 1024u);
    EXPECT_EQ(display->requests[1].mode.dmPelsHeight, 768u);
    EXPECT_EQ(display->requests[1].mode.dmBitsPerPel, 16u);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(DepartTest, TheAboutBoxShowsModallyAndFermerClosesIt)
{
    Start();
    ShowAndPaint();
    TFap fap(window.get());
    EXPECT_FALSE(fap.isVisible());
    EXPECT_EQ(fap.size(), QSize(281, 185));
    EXPECT_TRUE(fap.Label2->text().isEmpty());
    EXPECT_EQ(fap.SpeedButton1->text(), "FERMER");
    bool wasModal = false;
    window->ShowAbout = [&] {
        QTimer::singleShot(0, &fap, [&] {
            wasModal = fap.isVisible() && QApplication::activeModalWidget() == &fap;
            QTest::mouseClick(fap.SpeedButton1, Qt::LeftButton);
        });
        fap.exec();
    };
    QTest::mouseClick(window->AP, Qt::LeftButton);
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(fap.isVisible());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(DepartTest, StartFolderEndsInExactlyOneSeparator)
{
    Display(800, 600, 16);
    QDir::setCurrent("/");
    {
        TDepart atRoot;
        EXPECT_EQ(atRoot.StartFolder(), "/");
    }
    ASSERT_TRUE(root.mkpath("sub/deeper"));
    QDir::setCurrent(root.filePath("sub/deeper"));
    TDepart inSub;
    EXPECT_EQ(inSub.StartFolder(), QDir(root.filePath("sub/deeper")).canonicalPath() + "/");
}

TEST_F(DepartTest, ALargeAlbumRestoresTheCursorAfterTheHourglass)
{
    Album("Big");
    for (int i = 0; i < 130; ++i) Text(root.filePath(QString("Big/p%1.bmp").arg(i, 3, 10, QChar('0'))), "");
    Start();
    ShowAndPaint();
    EXPECT_EQ(window->FL->Count(), 130);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
