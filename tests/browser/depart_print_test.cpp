// The print panel inside the real main window: the print button, the browser controls it
// disables, the album list that stays usable, a print on the printer in force.
#include "../common/mainwindowfixture.h"
#include "picture/bitmap.h"
#include "print/printpanel.h"

#include <QListWidget>
#include <gtest/gtest.h>

namespace galimo::test {
namespace {

const QRgb kRed = qRgb(200, 40, 60);
const QRgb kBlue = qRgb(30, 60, 210);

class DepartPrintTest : public MainWindowFixture {
protected:
    TRecordingPrinter printer;
    TScriptedDialog dialog;
    TScopedReplacement<IPrinter> printerInForce{printer};
    TScopedReplacement<IPrintDialog> dialogInForce{dialog};

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(root.mkpath("Photos"));
        ASSERT_TRUE(root.mkpath("Vide"));
        QImage img(800, 600, QImage::Format_RGB32);
        img.fill(kRed);
        for (int y = 0; y < 600; ++y)
            for (int x = 400; x < 800; ++x) img.setPixel(x, y, kBlue);
        ASSERT_TRUE(img.save(root.filePath("Photos/a.bmp"), "BMP"));
        Start();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QTRY_VERIFY(!window->FirstPaint());
        Open("Photos");
    }
    void Open(const QString& album)
    {
        const auto found = window->DL->findItems(album, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        window->DL->setCurrentItem(found.front());
        Filled();
    }
    QImage Preview() { return window->page->Picture().Bitmap().Image(); }
};

TEST_F(DepartPrintTest, PrintButtonOpensThePanelOverTheBrowserAndPrints)
{
    ASSERT_EQ(window->NaturalWidth(), 800);
    QTest::mouseClick(window->Imprimer, Qt::LeftButton);
    ASSERT_TRUE(window->Pimp->isVisible());
    EXPECT_FALSE(window->Imprimer->isEnabled());
    EXPECT_FALSE(window->boite->isEnabled());
    EXPECT_FALSE(window->photo->isEnabled());
    EXPECT_TRUE(window->DL->isEnabled());
    EXPECT_TRUE(window->quitter->isEnabled());
    EXPECT_TRUE(window->AP->isEnabled());

    window->Hmarge->setValue(20);
    EXPECT_EQ(window->LabelH->text(), "Horizontale : 20 mm");
    EXPECT_EQ(window->LabelV->text(), "Verticale : 9 mm");
    EXPECT_EQ(window->dimensions->text(), "25,6 cm X 19,2 cm.");
    // Preview rectangle (17, 52)-(273, 244): red on the left, blue on the right.
    EXPECT_EQ(Preview().pixel(18, 53), kRed);
    EXPECT_EQ(Preview().pixel(271, 242), kBlue);
    EXPECT_EQ(Preview().pixel(16, 100), qRgb(255, 255, 255));

    QTest::mouseClick(window->LanceImp, Qt::LeftButton);
    ASSERT_TRUE(box.Texts().empty()) << box.Texts().front();
    EXPECT_EQ(dialog.Shown, 1);
    ASSERT_EQ(printer.Calls.back(), "EndDoc");
    EXPECT_EQ(printer.Calls.front(), "SetOrientation Landscape");
    EXPECT_FALSE(window->PrintPanel()->PrintRequested);
    // 1050 x 740 printable: (17, 9)-(273, 201) mm lands at (60, 32)-(968, 708).
    EXPECT_EQ(printer.Page.pixel(61, 33), kRed);
    EXPECT_EQ(printer.Page.pixel(966, 706), kBlue);
    EXPECT_EQ(printer.Page.pixel(59, 300), qRgb(255, 255, 255));
    EXPECT_TRUE(window->Pimp->isVisible());  // printing leaves the panel open
}

TEST_F(DepartPrintTest, AlbumListStaysUsableAndDoesNotRedrawThePreview)
{
    QTest::mouseClick(window->Imprimer, Qt::LeftButton);
    ASSERT_TRUE(window->Pimp->isVisible());
    window->quart->click();
    window->deplacer->click();
    const QImage before = Preview().copy();
    Open("Vide");
    EXPECT_TRUE(window->Pimp->isVisible());
    EXPECT_EQ(Preview(), before);

    QTest::mouseClick(window->annuler, Qt::LeftButton);
    EXPECT_FALSE(window->Pimp->isVisible());
    EXPECT_TRUE(window->Imprimer->isEnabled());
    EXPECT_TRUE(window->boite->isEnabled());
    EXPECT_TRUE(window->photo->isEnabled());
    // An album without pictures: the print button opens nothing.
    QTest::mouseClick(window->Imprimer, Qt::LeftButton);
    EXPECT_FALSE(window->Pimp->isVisible());
    // Back in an album with pictures the panel opens with the size and slot kept.
    Open("Photos");
    QTest::mouseClick(window->Imprimer, Qt::LeftButton);
    EXPECT_TRUE(window->Pimp->isVisible());
    EXPECT_TRUE(window->quart->isChecked());
    EXPECT_EQ(window->PrintPanel()->SlotIndex, 1);
    EXPECT_EQ(window->Hmarge->value(), 0);
}

}  // namespace
}  // namespace galimo::test
