// Real printing: the panel prints through QPrinter into a PDF file, which pdftoppm renders;
// the photo must be found where the scaling of the printable area puts it.
#include "panelfixture.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTimer>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace galimo::test {
namespace {

const QColor kRed(200, 40, 60);
const QColor kBlue(30, 60, 210);
constexpr int kRenderDpi = 100;

// A rendered pixel belongs to the photo when it is nearer the photo's colours than white.
bool Inked(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c) < 3 * 255 - 150; }

bool Near(QRgb a, QColor b, int tolerance = 12)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

QImage Render(const QString& pdf, const QString& stem)
{
    QProcess p;
    p.start("pdftoppm", {"-r", QString::number(kRenderDpi), "-png", "-singlefile", pdf, stem});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return QImage(stem + ".png").convertToFormat(QImage::Format_RGB32);
}

class PdfPrintTest : public TPanelTest<TQtPrinter> {
protected:
    QTemporaryDir dir;
    std::unique_ptr<TPrintPanel> panel;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QPrinter& q = printer.Device();
        q.setOutputFormat(QPrinter::PdfFormat);
        q.setPageSize(QPageSize(QPageSize::A4));
        q.setOutputFileName(dir.filePath("page.pdf"));
        panel = std::make_unique<TPrintPanel>(w.Controls(), picture);
    }
};

struct PdfRow {
    const char* name;
    int pictureWidth, pictureHeight, size, margin, moves;
    bool landscape;
    TSheetRect sheetRect;  // millimetres on the modelled sheet
};

const PdfRow kPdfRows[] = {
    {"FullLandscape", 160, 120, SizeFull, 20, 0, true, {17, 9, 273, 201}},
    {"FullPortrait", 120, 160, SizeFull, 15, 0, false, {15, 25, 195, 265}},
    {"QuarterLandscapeSlot3", 160, 120, SizeQuarter, 10, 3, true, {158, 109, 286, 205}},
};

class PdfLayoutTest : public PdfPrintTest, public testing::WithParamInterface<PdfRow> {};

TEST_P(PdfLayoutTest, PhotoLandsWhereTheScalingPutsIt)
{
    const PdfRow& r = GetParam();
    picture.Set(r.pictureWidth, r.pictureHeight, kRed, kBlue);
    panel->ImprimerClick();
    (r.size == SizeQuarter ? w.quart : r.size == SizeHalf ? w.demi : w.Plein)->click();
    w.Hmarge->setValue(r.margin);
    for (int i = 0; i < r.moves; ++i) w.deplacer->click();
    w.LanceImp->click();
    ASSERT_TRUE(box.Texts().empty()) << box.Texts().front();
    ASSERT_TRUE(QFile::exists(dir.filePath("page.pdf")));
    EXPECT_EQ(printer.Orientation(), r.landscape ? TPrinterOrientation::Landscape : TPrinterOrientation::Portrait);

    const QPrinter& q = printer.Device();
    const auto orientation = r.landscape ? TSheetOrientation::Landscape : TSheetOrientation::Portrait;
    const TSheetRect d = ScaleToPrinter(r.sheetRect, PrinterScale(orientation, printer.PageWidth(), printer.PageHeight()));
    // Device pixels of the printable area to pixels of the rendering.
    const QRectF area = q.pageLayout().paintRectPoints();
    const double res = q.resolution();
    const auto toX = [&](int dev) { return (area.left() + dev * 72.0 / res) * kRenderDpi / 72.0; };
    const auto toY = [&](int dev) { return (area.top() + dev * 72.0 / res) * kRenderDpi / 72.0; };

    const QImage img = Render(dir.filePath("page.pdf"), dir.filePath("page"));
    ASSERT_FALSE(img.isNull());
    // GALIMO_PRINT_OUT=<folder> keeps each printed page and its rendering for a look.
    if (const QString keep = qEnvironmentVariable("GALIMO_PRINT_OUT"); !keep.isEmpty()) {
        QFile::remove(keep + "/" + r.name + ".pdf");
        QFile::remove(keep + "/" + r.name + ".png");
        QFile::copy(dir.filePath("page.pdf"), keep + "/" + r.name + ".pdf");
        QFile::copy(dir.filePath("page.png"), keep + "/" + r.name + ".png");
    }
    EXPECT_EQ(img.width() > img.height(), r.landscape);

    const int midY = static_cast<int>((toY(d.Top) + toY(d.Bottom)) / 2);
    const int midX = static_cast<int>((toX(d.Left) + toX(d.Right)) / 2);
    int first = -1, last = -1;
    for (int x = 0; x < img.width(); ++x)
        if (Inked(img.pixel(x, midY))) {
            if (first < 0) first = x;
            last = x;
        }
    EXPECT_NEAR(first, toX(d.Left), 1.0);
    EXPECT_NEAR(last + 1, toX(d.Right), 1.0);
    first = last = -1;
    for (int y = 0; y < img.height(); ++y)
        if (Inked(img.pixel(midX, y))) {
            if (first < 0) first = y;
            last = y;
        }
    EXPECT_NEAR(first, toY(d.Top), 1.0);
    EXPECT_NEAR(last + 1, toY(d.Bottom), 1.0);
    // Left half red, right half blue: not mirrored.
    EXPECT_TRUE(Near(img.pixel(static_cast<int>(toX(d.Left)) + 3, midY), kRed));
    EXPECT_TRUE(Near(img.pixel(static_cast<int>(toX(d.Right)) - 4, midY), kBlue));
}

INSTANTIATE_TEST_SUITE_P(A4, PdfLayoutTest, testing::ValuesIn(kPdfRows),
                         [](const testing::TestParamInfo<PdfRow>& info) { return info.param.name; });

TEST_F(PdfPrintTest, CancelledDialogWritesNoFile)
{
    picture.Set(160, 120, kRed);
    panel->ImprimerClick();
    dialog.Answer = false;
    w.LanceImp->click();
    EXPECT_FALSE(QFile::exists(dir.filePath("page.pdf")));
    EXPECT_TRUE(box.Texts().empty());
}

TEST_F(PdfPrintTest, PrinterFailuresAreReportedInFrench)
{
    picture.Set(160, 120, kRed);
    panel->ImprimerClick();
    QPrinter& q = printer.Device();

    // Nowhere to print.
    q.setOutputFileName(QString());
    w.LanceImp->click();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{std::string(MsgNoDefaultPrinter) + "."});

    // A file that cannot be written.
    box.Calls.clear();
    q.setOutputFileName(dir.filePath("absent/page.pdf"));
    w.LanceImp->click();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{std::string(MsgInvalidPrinter) + "."});
    EXPECT_FALSE(printer.Printing());
    EXPECT_FALSE(panel->PrintRequested);

    // A job already running.
    box.Calls.clear();
    q.setOutputFileName(dir.filePath("other.pdf"));
    printer.BeginDoc();
    w.LanceImp->click();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{std::string(MsgPrinting) + "."});
    printer.Abort();

    // And after all that the printer still prints.
    box.Calls.clear();
    q.setOutputFileName(dir.filePath("page.pdf"));
    w.LanceImp->click();
    EXPECT_TRUE(box.Texts().empty());
    EXPECT_TRUE(QFile::exists(dir.filePath("page.pdf")));
}

TEST_F(PdfPrintTest, PhotoPrintsAtThePrintersResolution)
{
    // A fine checkerboard must reach the PDF as the picture itself, not as a screen-sized
    // copy: rendered at 300 dpi, a 600-pixel-wide photo over 256 mm still alternates.
    QImage board(600, 450, QImage::Format_RGB32);
    for (int y = 0; y < 450; ++y)
        for (int x = 0; x < 600; ++x) board.setPixel(x, y, ((x / 2 + y / 2) % 2) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    picture.bitmap = std::make_unique<TBitmap>();
    picture.bitmap->SetImage(board);
    picture.ratio = 0.75f;
    panel->ImprimerClick();
    w.Hmarge->setValue(20);
    w.LanceImp->click();
    ASSERT_TRUE(box.Texts().empty());

    QProcess p;
    const QString stem = dir.filePath("fine");
    p.start("pdftoppm", {"-r", "300", "-png", "-singlefile", dir.filePath("page.pdf"), stem});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QImage img = QImage(stem + ".png").convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(img.isNull());
    // 2 photo pixels are 2 x 256 / 600 mm = 0.85 mm = 10 pixels at 300 dpi: count the
    // changes between dark and light along a row through the middle of the photo.
    const QRectF area = printer.Device().pageLayout().paintRectPoints();
    const TSheetRect d = ScaleToPrinter({17, 9, 273, 201}, PrinterScale(TSheetOrientation::Landscape, printer.PageWidth(),
                                                                         printer.PageHeight()));
    const int y = static_cast<int>((area.top() + (d.Top + d.Bottom) / 2 * 72.0 / printer.Device().resolution()) * 300 / 72);
    int changes = 0;
    bool dark = qGray(img.pixel(img.width() / 4, y)) < 128;
    for (int x = img.width() / 4; x < img.width() * 3 / 4; ++x) {
        const bool d = qGray(img.pixel(x, y)) < 128;
        changes += d != dark;
        dark = d;
    }
    // Half the page width holds about 150 photo pixels: some 75 light and dark bands.
    EXPECT_GT(changes, 100);
}

// The real dialog is shown modally over the given printer; closing it without confirming
// prints nothing. Confirming is the user's part, tried by hand and in the end-to-end run.
TEST_F(PdfPrintTest, QtDialogCancelledPrintsNothing)
{
    picture.Set(160, 120, kRed);
    TQtPrintDialog qtDialog;
    TScopedReplacement<IPrintDialog> qtDialogInForce(qtDialog);
    panel->ImprimerClick();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            seen = modal->inherits("QPrintDialog");
            static_cast<QDialog*>(modal)->reject();
        }
    });
    w.LanceImp->click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(box.Texts().empty());
    EXPECT_FALSE(QFile::exists(dir.filePath("page.pdf")));
    // A printer of another kind is not one the dialog can configure.
    TRecordingPrinter other(100, 100);
    EXPECT_THROW(qtDialog.Execute(other, nullptr), EPrinter);
}

}  // namespace
}  // namespace galimo::test
