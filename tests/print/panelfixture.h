// The print panel's controls as the main window lays them out, without the main window,
// a shown picture that the tests set directly, and the fixture of the panel tests.
#pragma once

#include "../common/fakes.h"
#include "../common/replacement.h"
#include "../common/testapp.h"
#include "picture/bitmap.h"
#include "picture/image.h"
#include "platform/core/arith.h"
#include "print/printpanel.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace galimo::test {

class TTestPicture : public IShownPicture {
public:
    std::unique_ptr<TBitmap> bitmap;
    float ratio = 0;
    bool hasFiles = true;

    // A picture of w x h pixels in one colour, or two when right is given (left half,
    // right half), so that a mirrored drawing shows.
    void Set(int w, int h, QColor left, QColor right = QColor())
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(left);
        if (right.isValid())
            for (int y = 0; y < h; ++y)
                for (int x = w / 2; x < w; ++x) image.setPixel(x, y, right.rgb());
        bitmap = std::make_unique<TBitmap>();
        bitmap->SetImage(image);
        ratio = Ratio(h, w);
    }

    float AspectRatio() const override { return ratio; }
    TGraphic* Graphic() const override { return bitmap.get(); }
    bool AlbumHasFiles() const override { return hasFiles; }
};

// The window's controls that matter to the panel, with the names and geometry of the form.
struct TPanelWindow {
    QApplication& app = TestApp();  // before the first widget
    QWidget window;
    QPushButton* quitter;
    QPushButton* Imprimer;
    QPushButton* AP;
    QWidget* DL;
    QWidget* boite;
    QWidget* boitephoto;
    QWidget* photo;
    QWidget* Pimp;
    TImage* page;
    QRadioButton *Plein, *demi, *quart;
    QSlider* Hmarge;
    QLabel *LabelH, *LabelV, *dimensions;
    QPushButton *LanceImp, *annuler, *deplacer;

    TPanelWindow()
    {
        window.resize(800, 600);
        auto place = [](QWidget* w, const char* name, int x, int y, int width, int height) {
            w->setObjectName(name);
            w->setGeometry(x, y, width, height);
            return w;
        };
        boite = place(new QWidget(&window), "boite", 0, 168, 145, 429);
        boitephoto = place(new QWidget(&window), "boitephoto", 144, 0, 657, 597);
        photo = place(new QWidget(boitephoto), "photo", 0, 0, 57, 57);
        Imprimer = static_cast<QPushButton*>(place(new QPushButton(&window), "Imprimer", 48, 0, 49, 41));
        quitter = static_cast<QPushButton*>(place(new QPushButton(&window), "quitter", 0, 0, 49, 41));
        Pimp = place(new QWidget(&window), "Pimp", 168, 104, 481, 377);
        Pimp->hide();
        AP = static_cast<QPushButton*>(place(new QPushButton("?", &window), "AP", 96, 0, 49, 41));
        DL = place(new QWidget(&window), "DL", 0, 40, 145, 129);

        page = static_cast<TImage*>(place(new TImage(Pimp), "page", 16, 16, 296, 296));
        page->SetStretch(true);
        auto* size = static_cast<QGroupBox*>(place(new QGroupBox("TAILLE", Pimp), "GroupBox1", 320, 16, 145, 113));
        Plein = static_cast<QRadioButton*>(place(new QRadioButton("Pleine page", size), "Plein", 16, 24, 121, 25));
        demi = static_cast<QRadioButton*>(place(new QRadioButton("Demi-page", size), "demi", 16, 48, 121, 25));
        quart = static_cast<QRadioButton*>(place(new QRadioButton("Quart de page", size), "quart", 16, 72, 121, 25));
        Plein->setChecked(true);
        auto* margins = static_cast<QGroupBox*>(place(new QGroupBox("MARGES", Pimp), "GroupBox2", 320, 192, 145, 113));
        LabelH = static_cast<QLabel*>(place(new QLabel("Horizontale :", margins), "LabelH", 8, 64, 129, 17));
        LabelV = static_cast<QLabel*>(place(new QLabel("Verticale :", margins), "LabelV", 24, 88, 113, 17));
        Hmarge = static_cast<QSlider*>(place(new QSlider(Qt::Horizontal, margins), "Hmarge", 8, 24, 129, 33));
        Hmarge->setRange(0, 60);
        Hmarge->setPageStep(10);
        LanceImp = static_cast<QPushButton*>(place(new QPushButton("IMPRIMER", Pimp), "LanceImp", 40, 328, 97, 33));
        annuler = static_cast<QPushButton*>(place(new QPushButton("ANNULER", Pimp), "annuler", 184, 328, 97, 33));
        deplacer = static_cast<QPushButton*>(place(new QPushButton(">> DEPLACER >>", Pimp), "deplacer", 320, 144, 145, 33));
        auto* photoBox = static_cast<QGroupBox*>(place(new QGroupBox("PHOTO", Pimp), "GroupBox3", 320, 312, 145, 49));
        dimensions = static_cast<QLabel*>(place(new QLabel("dimensions", photoBox), "dimensions", 8, 24, 129, 17));
        window.show();
    }

    PrintPanelControls Controls()
    {
        return {Pimp, page, Plein, demi, quart, Hmarge, LabelH, LabelV, dimensions,
                LanceImp, annuler, deplacer, Imprimer, boite, photo};
    }

    // The preview surface as drawn.
    QImage Preview() { return static_cast<TBitmap*>(page->Picture().Graphic())->Image(); }
};

// The panel's window and picture, its prints on a Printer through a scripted dialog, its
// messages recorded: each in force for the test.
template <class Printer>
class TPanelTest : public testing::Test {
protected:
    TPanelWindow w;
    TTestPicture picture;
    Printer printer;
    TScriptedDialog dialog;
    TRecordingMessageBox box;
    TScopedReplacement<IPrinter> printerInForce{printer};
    TScopedReplacement<IPrintDialog> dialogInForce{dialog};
    TScopedReplacement<IMessageBox> boxInForce{box};
};

}  // namespace galimo::test
