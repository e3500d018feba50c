// The about box and the personalisation dialog offscreen, as the medium's owner uses them.
#include "../common/fakes.h"
#include "../common/replacement.h"
#include "../common/testapp.h"
#include "about/fap.h"
#include "about/fperso.h"
#include "gif/gifimage.h"

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace galimo;

namespace {

// Both windows created in an empty medium folder, as the main block creates them.
class AboutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        galimo::test::TestApp();
        ASSERT_TRUE(medium.isValid());
        const QString before = QDir::currentPath();
        QDir::setCurrent(medium.path());
        box = std::make_unique<TFap>();
        perso = std::make_unique<TFperso>(box.get());
        QDir::setCurrent(before);
        box->Fperso = perso.get();
    }

    // Runs the dialog modally from the about box's button; what does inside the dialog.
    void Personalise(const std::function<void(TFperso&)>& what)
    {
        QTimer::singleShot(0, perso.get(), [this, what] {
            EXPECT_TRUE(perso->isVisible());
            perso->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(perso.get()));
            what(*perso);
            if (perso->isVisible()) perso->reject();  // never hang on a failed step
        });
        box->Bperso->click();
    }
    QString File() const { return medium.filePath("galimo.ini"); }

    QTemporaryDir medium;
    galimo::test::TRecordingShell mail;
    galimo::test::TScopedReplacement<IShell> mailInForce{mail};
    std::unique_ptr<TFap> box;
    std::unique_ptr<TFperso> perso;
};

void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    QTest::keyClicks(edit, text);
}

}  // namespace

TEST_F(AboutTest, FirstRunWithoutTheFileOffersOnlyTheLinksAndThePersonaliseButton)
{
    box->show();
    EXPECT_EQ(box->size(), QSize(281, 185));
    const QRect screen = box->screen()->geometry();
    EXPECT_EQ(box->frameGeometry().center(), screen.center());
    EXPECT_TRUE(box->windowFlags() & Qt::FramelessWindowHint);
    for (QLabel* l : {box->Label2, box->Label3, box->Label4}) EXPECT_EQ(l->text(), "");
    EXPECT_FALSE(box->Image1->isVisible());
    EXPECT_TRUE(box->Bperso->isVisible());
    EXPECT_TRUE(box->SpeedButton1->isVisible());
    EXPECT_TRUE(box->Label5->isVisible());
    // The mail picture is ours, read by our GIF reader: 65 x 35.
    EXPECT_EQ(box->Image1->size(), QSize(65, 35));
    QTest::mouseClick(box->Label5, Qt::LeftButton);
    EXPECT_EQ(mail.Addresses, QStringList{"mailto:auteur@example.org ?subject=Logiciel GALIMO"});
    box->SpeedButton1->click();
    EXPECT_FALSE(box->isVisible());
}

TEST_F(AboutTest, ValiderWritesTheFileAndTheBoxShowsItAtOnce)
{
    EXPECT_EQ(perso->windowTitle(), "Personnalisation de Galimo");
    EXPECT_FALSE(perso->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint));
    box->show();
    Personalise([](TFperso& d) {
        EXPECT_EQ(d.Edit1->text(), "");
        Type(d.Edit1, "Les photos de la famille D");  // 26 characters: the 24th and later are refused
        QTest::keyClick(d.Edit1, Qt::Key_Tab);
        EXPECT_TRUE(d.Edit2->hasFocus());
        d.Edit2->insert(QString::fromUtf8("été 2026"));
        QTest::keyClick(d.Edit2, Qt::Key_Tab);
        QTest::keyClicks(d.Edit3, "Bonne visite");
        QTest::keyClick(d.Edit3, Qt::Key_Tab);
        QTest::keyClicks(d.Edit4, "famille.d@example.net");
        QTest::keyClick(d.Edit4, Qt::Key_Tab);
        QTest::keyClicks(d.Edit5, "Un mot pour la famille D, qui aimera le lire");
        d.SpeedButton1->click();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(box->Label2->text(), "Les photos de la famill");
    EXPECT_EQ(box->Label4->text(), QString::fromUtf8("été 2026"));
    EXPECT_EQ(box->Label3->text(), "Bonne visite");
    EXPECT_EQ(galimo::test::Seen(box->Image1->toolTip()), "Un mot pour la famille D, qui aimera le lire");
    EXPECT_TRUE(box->Image1->isVisible());
    EXPECT_FALSE(box->Bperso->isVisible());
    EXPECT_TRUE(QFile::exists(File()));
    QTest::mouseClick(box->Image1, Qt::LeftButton);
    EXPECT_EQ(mail.Addresses, QStringList{"mailto:famille.d@example.net"});

    // A second start finds the file: no button, the same box.
    const QString before = QDir::currentPath();
    QDir::setCurrent(medium.path());
    TFap again;
    QDir::setCurrent(before);
    EXPECT_TRUE(again.Bperso->isHidden());
    EXPECT_EQ(again.Label3->text(), "Bonne visite");
}

TEST_F(AboutTest, AnnulerWritesNothingAndTheDialogKeepsWhatWasTyped)
{
    Personalise([](TFperso& d) {
        QTest::keyClicks(d.Edit1, "Brouillon");
        QTest::keyClicks(d.Edit4, "brouillon@example.net");
        d.SpeedButton2->click();
    });
    EXPECT_FALSE(QFile::exists(File()));
    EXPECT_EQ(box->Label2->text(), "");
    EXPECT_TRUE(box->Image1->isHidden());
    EXPECT_FALSE(box->Bperso->isHidden());
    QDir(medium.path()).entryList(QDir::Files | QDir::Hidden).isEmpty() ? SUCCEED() : ADD_FAILURE() << "stray file";
    Personalise([](TFperso& d) {
        EXPECT_EQ(d.Edit1->text(), "Brouillon");
        EXPECT_EQ(d.Edit4->text(), "brouillon@example.net");
        d.SpeedButton2->click();
    });
}

TEST_F(AboutTest, WithNoAddressTheMailPictureDoesNothing)
{
    QFile f(File());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("LIGNE1=Sans adresse\r\nMAIL=   \r\n");
    f.close();
    box->FillAboutBox();
    box->show();
    ASSERT_TRUE(box->Image1->isVisible());
    QTest::mouseClick(box->Image1, Qt::LeftButton);
    EXPECT_TRUE(mail.Addresses.isEmpty());
}

TEST_F(AboutTest, TheMailPictureIsALetterOf38FramesLoopingAThousandTimes)
{
    const auto* gif = dynamic_cast<const TGIFImage*>(box->Image1->Picture().Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->Width(), 65);
    EXPECT_EQ(gif->Height(), 35);
    EXPECT_EQ(gif->Header().GlobalColors.ColorCount(), 256);
    ASSERT_EQ(gif->Images().Count(), 38);
    int loops = -1;
    for (int i = 0; i < 38; ++i) {
        const TGIFSubImage& frame = gif->Images()[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(frame.Width * frame.Height, 65 * 35);
        for (int e = 0; e < frame.Extensions.Count(); ++e)
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(&frame.Extensions[e])) loops = loop->LoopCount;
        if (i == 0) {
            EXPECT_EQ(frame.GraphicControl, nullptr);
            continue;
        }
        ASSERT_NE(frame.GraphicControl, nullptr);
        EXPECT_EQ(frame.GraphicControl->DelayTime, 2);
        EXPECT_FALSE(frame.GraphicControl->TransparentColorFlag());
    }
    EXPECT_EQ(loops, 1000);
}

