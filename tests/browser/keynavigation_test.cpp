// The main window by keyboard and through the accessibility interface, offscreen.
#include "../common/mainwindowfixture.h"
#include "browser/keynavigation.h"

#include <QAccessible>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

using namespace galimo;

namespace {

void Bmp(const QString& path, int w, int h, QColor colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    ASSERT_TRUE(img.save(path, "BMP")) << path.toStdString();
}

class KeyNavigationTest : public galimo::test::MainWindowFixture {
protected:
    // The album A of three pictures, and B of one; A opened.
    void ThreeAlbum()
    {
        Album("A");
        Album("B");
        Bmp(root.filePath("A/a.bmp"), 640, 480, Qt::red);
        Bmp(root.filePath("A/b.bmp"), 480, 640, Qt::green);
        Bmp(root.filePath("A/c.bmp"), 300, 300, Qt::blue);
        Bmp(root.filePath("B/z.bmp"), 200, 100, Qt::yellow);
        Start();
        ShowAndPaint();
        window->DL->setCurrentRow(window->DL->item(0)->text() == "A" ? 0 : 1);
        Filled();
        ASSERT_EQ(window->Thumbnails().size(), 3u);
    }
    // A key as a person presses it: at the control that has the focus.
    static void Press(QWidget* at, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        at->setFocus();
        QTest::keyClick(at, Qt::Key(key), modifiers);
    }
    QString Shown() const { return window->photo->accessibleName(); }
};

}  // namespace

TEST_F(KeyNavigationTest, KeysWalkTheAlbumWithoutWrappingAndKeepTheMarkedThumbnailInView)
{
    ThreeAlbum();
    TDepart& w = *window;
    // A short strip, so that the three thumbnails need scrolling.
    w.boite->resize(145, 200);
    const int visible = w.boite->viewport()->height();
    ASSERT_LT(visible, 250);  // VIG1 does not fit below VIG0
    EXPECT_EQ(w.KeyNavigation()->Marked(), Thumb(0));
    struct Row {
        QWidget* focus;
        int key;
        const char* shown;
        int strip;
    } rows[] = {
        {w.boite, Qt::Key_Right, "b.bmp", 255 - visible},     // VIG1 spans 130-250, 5 px of gap below
        {w.DL, Qt::Key_PageDown, "c.bmp", 380 - visible},       // the strip ends at VIG2's bottom
        {w.boitephoto, Qt::Key_Right, "c.bmp", 380 - visible},  // no wrap at the end
        {w.quitter, Qt::Key_Home, "a.bmp", 10},
        {w.Imprimer, Qt::Key_Left, "a.bmp", 10},
        {&w, Qt::Key_End, "c.bmp", 380 - visible},
        {w.AP, Qt::Key_PageUp, "b.bmp", 125},
        {w.boite, Qt::Key_Left, "a.bmp", 10},
    };
    const int widths[] = {640, 480, 300};
    for (const Row& row : rows) {
        Press(row.focus, row.key);
        const int n = w.FL->Items().indexOf(row.shown);
        EXPECT_EQ(Shown(), row.shown) << row.key;
        EXPECT_EQ(w.NaturalWidth(), widths[n]) << row.shown;
        EXPECT_EQ(w.KeyNavigation()->Marked(), Thumb(n)) << row.shown;
        EXPECT_EQ(w.boite->VertPosition(), row.strip) << row.key << " to " << row.shown;
    }
    // Space zooms as a click on the photo does; a focused button keeps Space for itself.
    Press(w.DL, Qt::Key_Space);
    EXPECT_EQ(w.ZoomMode(), TZoom::Fitted);
    Press(w.boitephoto, Qt::Key_Space);
    EXPECT_EQ(w.ZoomMode(), TZoom::Natural);
    Press(w.AP, Qt::Key_Space);
    EXPECT_EQ(w.ZoomMode(), TZoom::Natural);

    // Down in the album list opens the next album; the keys then walk that one.
    const int row = w.DL->currentRow();
    Press(w.DL, row == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_EQ(w.DL->currentRow(), 1 - row);
    Filled();
    ASSERT_EQ(w.Thumbnails().size(), 1u);
    EXPECT_EQ(Shown(), "z.bmp");
    EXPECT_EQ(w.KeyNavigation()->Marked(), Thumb(0));
}

TEST_F(KeyNavigationTest, WhileThePrintPanelIsOpenThePhotoKeysRestAndEscapeClosesIt)
{
    ThreeAlbum();
    TDepart& w = *window;
    Press(w.boitephoto, Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(w.Pimp->isVisible());
    EXPECT_FALSE(w.boite->isEnabled());
    for (int key : {Qt::Key_Right, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Space}) Press(&w, key);
    EXPECT_EQ(Shown(), "a.bmp");
    EXPECT_EQ(w.ZoomMode(), TZoom::Natural);
    // The margin slider keeps its arrows; Ctrl+P again does not reopen (which would reset it).
    Press(w.Hmarge, Qt::Key_Right);
    EXPECT_EQ(w.Hmarge->value(), 1);
    EXPECT_EQ(w.LabelH->text(), "Horizontale : 1 mm");
    Press(w.Hmarge, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(w.Hmarge->value(), 1);

    Press(w.Hmarge, Qt::Key_Escape);
    EXPECT_FALSE(w.Pimp->isVisible());
    EXPECT_TRUE(w.boite->isEnabled() && w.photo->isEnabled() && w.Imprimer->isEnabled());
    Press(w.boite, Qt::Key_Right);
    EXPECT_EQ(Shown(), "b.bmp");
    Press(w.boite, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.Thumbnails().empty());
}

TEST_F(KeyNavigationTest, AScreenReaderReadsTheButtonsThumbnailsAndPhotoByName)
{
    ThreeAlbum();
    TDepart& w = *window;
    auto name = [](QWidget* c) { return QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name); };
    EXPECT_EQ(name(w.quitter), "Quitter");
    EXPECT_EQ(name(w.Imprimer), "Imprimer la photo sélectionnée");
    EXPECT_EQ(name(w.AP), "A propos");
    EXPECT_EQ(name(Thumb(1)), "b.bmp");
    EXPECT_EQ(name(w.photo), "a.bmp");
    Press(w.boite, Qt::Key_End);
    EXPECT_EQ(name(w.photo), "c.bmp");
}
