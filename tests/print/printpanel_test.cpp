// The print panel through its controls: opening and closing, the state kept between
// openings, the preview's pixels, and printing through the recording printer.
#include "panelfixture.h"

#include <gtest/gtest.h>

namespace galimo::test {
namespace {

const QColor kRed(200, 40, 60);
const QColor kBlue(30, 60, 210);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(192, 192, 192);
const QRgb kBlack = qRgb(0, 0, 0);

bool Near(QRgb a, QColor b, int tolerance = 2)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

class PrintPanelTest : public TPanelTest<TRecordingPrinter> {
protected:
    TPrintPanel panel{w.Controls(), picture};

    void SetUp() override { picture.Set(1600, 1200, kRed, kBlue); }

    void ChooseSize(int size)
    {
        QRadioButton* b = size == SizeQuarter ? w.quart : size == SizeHalf ? w.demi : w.Plein;
        b->click();
    }
    void MoveToSlot(int slot)
    {
        for (int i = 0; i < slot; ++i) w.deplacer->click();
    }
    std::string Text(QLabel* l) { return l->text().toStdString(); }
};

TEST_F(PrintPanelTest, EmptyAlbumLeavesThePanelHidden)
{
    picture.hasFiles = false;
    panel.ImprimerClick();
    EXPECT_FALSE(w.Pimp->isVisible());
    EXPECT_TRUE(w.Imprimer->isEnabled());
    EXPECT_TRUE(w.boite->isEnabled());
    EXPECT_TRUE(w.photo->isEnabled());
    EXPECT_EQ(Text(w.dimensions), "dimensions");
}

TEST_F(PrintPanelTest, OpeningDisablesExactlyTheBrowserControls)
{
    panel.ImprimerClick();
    EXPECT_TRUE(w.Pimp->isVisible());
    EXPECT_FALSE(w.Imprimer->isEnabled());
    EXPECT_FALSE(w.boite->isEnabled());
    EXPECT_FALSE(w.photo->isEnabled());
    for (QWidget* usable : {w.DL, static_cast<QWidget*>(w.quitter), static_cast<QWidget*>(w.AP), static_cast<QWidget*>(w.Hmarge)})
        EXPECT_TRUE(usable->isEnabled()) << usable->objectName().toStdString();

    w.annuler->click();
    EXPECT_FALSE(w.Pimp->isVisible());
    for (QWidget* browser : {static_cast<QWidget*>(w.Imprimer), w.boite, w.photo}) EXPECT_TRUE(browser->isEnabled());
}

TEST_F(PrintPanelTest, ReopeningKeepsSizeAndSlotAndResetsTheMargin)
{
    panel.ImprimerClick();
    ChooseSize(SizeQuarter);
    MoveToSlot(3);
    w.Hmarge->setValue(12);
    EXPECT_EQ(Text(w.LabelH), "Horizontale : 12 mm");
    EXPECT_EQ(panel.PrintWidth, 148 - 24);
    w.annuler->click();

    panel.ImprimerClick();
    EXPECT_TRUE(w.quart->isChecked());
    EXPECT_EQ(panel.SlotIndex, 3);
    EXPECT_EQ(w.Hmarge->value(), 0);
    EXPECT_EQ(Text(w.LabelH), "Horizontale : 0 mm");
    EXPECT_EQ(panel.PrintWidth, 148);
    EXPECT_EQ(Text(w.dimensions), "14,8 cm X 11,1 cm.");
}

TEST_F(PrintPanelTest, HalfPageFromQuarterSlotThreeStartsOverInSlotZero)
{
    panel.ImprimerClick();
    ChooseSize(SizeQuarter);
    MoveToSlot(3);
    w.Hmarge->setValue(7);
    ChooseSize(SizeHalf);
    EXPECT_EQ(panel.SlotIndex, 0);
    EXPECT_EQ(w.Hmarge->value(), 0);
    EXPECT_EQ(Text(w.LabelH), "Horizontale : 0 mm");
    // 1600 x 1200 on a half page: portrait sheet, 210 mm wide slots.
    EXPECT_EQ(panel.PrintWidth, 210);
    EXPECT_EQ(panel.PrintHeight, 158);  // 157.5 to even
}

TEST_F(PrintPanelTest, DeplacerCycles)
{
    panel.ImprimerClick();
    const std::pair<int, std::vector<int>> rows[] = {
        {SizeFull, {0, 0}}, {SizeHalf, {1, 0, 1}}, {SizeQuarter, {1, 2, 3, 0}}};
    for (const auto& [size, visits] : rows) {
        ChooseSize(size);
        for (int slot : visits) {
            w.deplacer->click();
            EXPECT_EQ(panel.SlotIndex, slot) << "size " << size;
        }
    }
    // Moving keeps the printed size: only the margin changes it.
    EXPECT_EQ(panel.PrintWidth, 148);
}

struct WorkedRow {
    int pw, ph, size, margin, slot;
    int printWidth, printHeight, verticalMargin;
    const char* labelV;
    const char* dimensions;
    TSheetRect preview;
    bool landscape;
};

const WorkedRow kRows[] = {
    {1600, 1200, SizeFull, 0, 0, 296, 222, -6, "Verticale : -6 mm", "29,6 cm X 22,2 cm.", {-3, 37, 293, 259}, true},
    {800, 600, SizeFull, 20, 0, 256, 192, 9, "Verticale : 9 mm", "25,6 cm X 19,2 cm.", {17, 52, 273, 244}, true},
    {1200, 1600, SizeHalf, 10, 0, 128, 171, 19, "Verticale : 19 mm", "12,8 cm X 17,1 cm.", {10, 63, 138, 233}, true},
    {1200, 1600, SizeHalf, 10, 1, 128, 171, 19, "Verticale : 19 mm", "12,8 cm X 17,1 cm.", {158, 63, 286, 233}, true},
    {200, 300, SizeQuarter, 0, 0, 105, 158, -5, "Verticale : -5 mm", "10,5 cm X 15,8 cm.", {43, -5, 147, 153}, false},
    {200, 300, SizeQuarter, 1, 3, 103, 154, -3, "Verticale : -3 mm", "10,3 cm X 15,4 cm.", {149, 145, 251, 299}, false},
    {640, 480, SizeQuarter, 0, 3, 148, 111, -3, "Verticale : -3 mm", "14,8 cm X 11,1 cm.", {148, 145, 296, 255}, true},
    {100, 100, SizeFull, 0, 0, 296, 296, -43, "Verticale : -43 mm", "29,6 cm X 29,6 cm.", {-3, 0, 293, 296}, true},
    {100, 100, SizeHalf, 0, 0, 210, 210, -31, "Verticale : -31 mm", "21,0 cm X 21,0 cm.", {43, -31, 253, 179}, false},
};

class WorkedPreviewTest : public PrintPanelTest, public testing::WithParamInterface<WorkedRow> {};

TEST_P(WorkedPreviewTest, LabelsAndPixels)
{
    const WorkedRow& r = GetParam();
    picture.Set(r.pw, r.ph, kRed, kBlue);
    panel.ImprimerClick();
    ChooseSize(r.size);
    w.Hmarge->setValue(r.margin);
    MoveToSlot(r.slot);

    EXPECT_EQ(panel.PrintWidth, r.printWidth);
    EXPECT_EQ(panel.PrintHeight, r.printHeight);
    EXPECT_EQ(panel.VerticalMargin, r.verticalMargin);
    EXPECT_EQ(panel.SlotIndex, r.slot);
    EXPECT_EQ(Text(w.LabelH), "Horizontale : " + std::to_string(r.margin) + " mm");
    EXPECT_EQ(Text(w.LabelV), r.labelV);
    EXPECT_EQ(Text(w.dimensions), r.dimensions);

    const QImage p = w.Preview();
    ASSERT_EQ(p.size(), QSize(296, 296));
    // The photo: its left half red, right half blue, clipped only by the surface.
    const int l = std::max(r.preview.Left, 0), t = std::max(r.preview.Top, 0);
    const int rt = std::min(r.preview.Right, 296) - 1, b = std::min(r.preview.Bottom, 296) - 1;
    EXPECT_TRUE(Near(p.pixel(l, t), kRed)) << l << "," << t;
    EXPECT_TRUE(Near(p.pixel(l, b), kRed)) << l << "," << b;
    EXPECT_TRUE(Near(p.pixel(rt, t), kBlue)) << rt << "," << t;
    EXPECT_TRUE(Near(p.pixel(rt, b), kBlue)) << rt << "," << b;
    // Just outside each edge, where the surface goes on: the sheet or the grey border.
    const TSheetRect sheet = SheetOnPreview(r.landscape ? TSheetOrientation::Landscape : TSheetOrientation::Portrait);
    // Every cut line lies on x = 148 or y = 148: there the sheet may show ink or a gap.
    const auto background = [&](int x, int y) {
        const bool onSheet = x >= sheet.Left && x < sheet.Right && y >= sheet.Top && y < sheet.Bottom;
        const QRgb expected = onSheet ? kWhite : kGrey;
        const QRgb actual = p.pixel(x, y);
        return (x == 148 || y == 148) && actual == kBlack ? actual : expected;
    };
    const int midX = (l + rt) / 2 - 20, midY = (t + b) / 2 - 20;  // off any cut line
    if (r.preview.Left > 0) {
        EXPECT_EQ(p.pixel(r.preview.Left - 1, midY), background(r.preview.Left - 1, midY));
    }
    if (r.preview.Top > 0) {
        EXPECT_EQ(p.pixel(midX, r.preview.Top - 1), background(midX, r.preview.Top - 1));
    }
    if (r.preview.Right < 296) {
        EXPECT_EQ(p.pixel(r.preview.Right, midY), background(r.preview.Right, midY));
    }
    if (r.preview.Bottom < 296) {
        EXPECT_EQ(p.pixel(midX, r.preview.Bottom), background(midX, r.preview.Bottom));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WorkedPreviewTest, testing::ValuesIn(kRows));

TEST_F(PrintPanelTest, SheetAndDashedCutLines)
{
    picture.Set(1200, 1600, kRed);
    panel.ImprimerClick();
    ChooseSize(SizeHalf);
    w.Hmarge->setValue(10);  // photos at x 10-137 and 158-285: the cut at 148 stays clear
    QImage p = w.Preview();
    EXPECT_EQ(p.pixel(5, 20), kGrey);      // above the landscape sheet
    EXPECT_EQ(p.pixel(5, 50), kWhite);     // on it, beside the photo
    EXPECT_EQ(p.pixel(150, 260), kGrey);   // below it
    EXPECT_EQ(p.pixel(148, 42), kGrey);    // the cut starts on the sheet's edge
    const auto inkWithin = [&](int x0, int y0, int dx, int dy, int n) {
        int ink = 0;
        for (int i = 0; i < n; ++i) ink += p.pixel(x0 + i * dx, y0 + i * dy) == kBlack;
        return ink;
    };
    EXPECT_GT(inkWithin(148, 43, 0, 1, 8), 0);  // a dash within the first period
    int black = 0, white = 0;
    for (int y = 43; y < 253; ++y) {
        const QRgb c = p.pixel(148, y);
        black += c == kBlack;
        white += c == kWhite;
        EXPECT_EQ(p.pixel(147, y), kWhite);
        EXPECT_EQ(p.pixel(149, y), kWhite);
    }
    EXPECT_EQ(black + white, 210);
    EXPECT_GT(black, 100);  // dashed: mostly ink, with gaps
    EXPECT_GT(white, 20);

    // Quarter page, portrait sheet: a full-height cut, then one across the sheet.
    picture.Set(200, 300, kRed);
    ChooseSize(SizeQuarter);
    w.Hmarge->setValue(20);  // 65 mm wide photos, clear of both cuts
    p = w.Preview();
    EXPECT_EQ(p.pixel(20, 100), kGrey);   // left of the portrait sheet
    EXPECT_GT(inkWithin(148, 0, 0, 1, 8), 0);
    EXPECT_GT(inkWithin(43, 148, 1, 0, 8), 0);
    int vertical = 0, horizontal = 0;
    for (int i = 0; i < 296; ++i) vertical += p.pixel(148, i) == kBlack;
    for (int x = 0; x < 296; ++x) horizontal += p.pixel(x, 148) == kBlack;
    EXPECT_GT(vertical, 150);
    EXPECT_LT(vertical, 296);
    EXPECT_GT(horizontal, 100);
    EXPECT_LT(horizontal, 210);
    EXPECT_EQ(p.pixel(42, 148), kGrey);  // the across cut stays on the sheet
    EXPECT_EQ(p.pixel(253, 148), kGrey);
}

TEST_F(PrintPanelTest, NoWidthLeftShowsTheEmptySheetAndRefusesToPrint)
{
    picture.Set(200, 300, kRed);
    panel.ImprimerClick();
    ChooseSize(SizeQuarter);
    w.Hmarge->setValue(60);
    EXPECT_EQ(panel.PrintWidth, -15);
    EXPECT_EQ(panel.PrintHeight, -22);
    EXPECT_EQ(Text(w.LabelH), "Horizontale : 60 mm");
    EXPECT_EQ(Text(w.LabelV), "Verticale : 85 mm");
    EXPECT_EQ(Text(w.dimensions), "-1,5 cm X -2,2 cm.");
    const QImage p = w.Preview();
    for (int y = 0; y < 296; ++y)
        for (int x = 43; x < 253; ++x)
            if (x != 148 && y != 148) {
                ASSERT_EQ(p.pixel(x, y), kWhite) << x << "," << y;
            }

    w.LanceImp->click();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{std::string(MsgPhotoTooSmall) + "."});
    EXPECT_EQ(dialog.Shown, 0);
    EXPECT_TRUE(printer.Calls.empty());
    EXPECT_FALSE(panel.PrintRequested);

    // 1 mm halves to nothing on the sheet: refused too, not a blank page.
    w.Hmarge->setValue(52);
    EXPECT_EQ(panel.PrintWidth, 1);
    w.LanceImp->click();
    EXPECT_EQ(box.Texts().size(), 2u);
    EXPECT_EQ(dialog.Shown, 0);
    // Back to a real width, the photo returns.
    w.Hmarge->setValue(50);
    EXPECT_TRUE(Near(w.Preview().pixel(95, 74), kRed));
}

// An album whose first file is broken: it has files, but no photo is shown (nor a ratio).
TEST_F(PrintPanelTest, WithNoPhotoShownImprimerSaysThereIsNone)
{
    picture.bitmap.reset();
    picture.ratio = 0;
    panel.ImprimerClick();
    w.LanceImp->click();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{std::string(MsgNoPhoto) + "."});
    EXPECT_EQ(dialog.Shown, 0);
    EXPECT_TRUE(printer.Calls.empty());
}

TEST_F(PrintPanelTest, PrintsTheLayoutScaledOnThePrintableArea)
{
    picture.Set(800, 600, kRed, kBlue);
    panel.ImprimerClick();
    w.Hmarge->setValue(20);
    w.dimensions->setText("avant");
    w.LanceImp->click();
    ASSERT_TRUE(box.Texts().empty()) << box.Texts().front();
    EXPECT_EQ(dialog.Shown, 1);
    const std::vector<std::string> expected{"SetOrientation Landscape", "PageWidth", "PageHeight", "BeginDoc",
                                            "Canvas", "EndDoc"};
    EXPECT_EQ(printer.Calls, expected);
    EXPECT_FALSE(panel.PrintRequested);
    EXPECT_EQ(Text(w.dimensions), "25,6 cm X 19,2 cm.");  // redrawn

    // 1050 x 740 printable: factors 1050/296 and 740/210. Sheet rectangle (17, 9)-(273, 201).
    const TPrinterScale s = PrinterScale(TSheetOrientation::Landscape, 1050, 740);
    const TSheetRect d = ScaleToPrinter({17, 9, 273, 201}, s);
    EXPECT_EQ(d, (TSheetRect{60, 32, 968, 708}));
    const QImage& page = printer.Page;
    ASSERT_EQ(page.size(), QSize(1050, 740));
    EXPECT_TRUE(Near(page.pixel(d.Left, d.Top), kRed));
    EXPECT_TRUE(Near(page.pixel(d.Right - 1, d.Bottom - 1), kBlue));
    EXPECT_EQ(page.pixel(d.Left - 1, 300), kWhite);
    EXPECT_EQ(page.pixel(500, d.Top - 1), kWhite);
    EXPECT_EQ(page.pixel(d.Right, 300), kWhite);
    EXPECT_EQ(page.pixel(500, d.Bottom), kWhite);
    // No preview offset on paper: the sheet's top-left is the printable area's.
    EXPECT_EQ(page.pixel(0, 0), kWhite);
}

TEST_F(PrintPanelTest, PortraitSheetSetsPortraitFirst)
{
    picture.Set(1200, 1600, kRed);
    panel.ImprimerClick();
    w.Hmarge->setValue(15);
    w.LanceImp->click();
    ASSERT_FALSE(printer.Calls.empty());
    EXPECT_EQ(printer.Calls.front(), "SetOrientation Portrait");
    EXPECT_EQ(printer.Page.size(), QSize(740, 1050));
    // (15, 25)-(195, 265) mm at 740/210 x 1050/296.
    const TSheetRect d = ScaleToPrinter({15, 25, 195, 265}, PrinterScale(TSheetOrientation::Portrait, 740, 1050));
    EXPECT_TRUE(Near(printer.Page.pixel(d.Left, d.Top), kRed));
    EXPECT_TRUE(Near(printer.Page.pixel(d.Right - 1, d.Bottom - 1), kRed));
    EXPECT_EQ(printer.Page.pixel(d.Left - 1, d.Top - 1), kWhite);
    EXPECT_EQ(printer.Page.pixel(d.Right, d.Bottom), kWhite);
}

TEST_F(PrintPanelTest, CancelledDialogPrintsAndRedrawsNothing)
{
    panel.ImprimerClick();
    w.Hmarge->setValue(5);
    dialog.Answer = false;
    w.dimensions->setText("avant");
    const QImage before = w.Preview().copy();
    w.LanceImp->click();
    EXPECT_EQ(dialog.Shown, 1);
    EXPECT_TRUE(printer.Calls.empty());
    EXPECT_EQ(Text(w.dimensions), "avant");
    EXPECT_EQ(w.Preview(), before);
    EXPECT_TRUE(box.Texts().empty());
}

TEST_F(PrintPanelTest, FailedPrintIsReportedAndLaterRedrawsDoNotPrint)
{
    const std::pair<std::string, const char*> failures[] = {
        {"SetOrientation Landscape", MsgNotSupported},
        {"PageWidth", MsgNoDefaultPrinter},
        {"BeginDoc", MsgPrinting},
        {"EndDoc", MsgInvalidPrinter},
    };
    panel.ImprimerClick();
    for (const auto& [step, message] : failures) {
        SCOPED_TRACE(step);
        printer.Calls.clear();
        box.Calls.clear();
        printer.FailAt = step;
        printer.FailMessage = message;
        w.LanceImp->click();
        EXPECT_EQ(box.Texts(), std::vector<std::string>{std::string(message) + "."});
        EXPECT_FALSE(panel.PrintRequested);
        EXPECT_EQ(printer.Calls.back(), step == "EndDoc" ? "Abort" : step);
        EXPECT_FALSE(printer.Printing());

        const size_t calls = printer.Calls.size();
        w.Hmarge->setValue(w.Hmarge->value() + 1);
        EXPECT_EQ(printer.Calls.size(), calls);
        EXPECT_EQ(Text(w.LabelH), "Horizontale : " + std::to_string(w.Hmarge->value()) + " mm");
    }
    // The orientation stays as set; the next good print goes through.
    printer.FailAt.clear();
    printer.Calls.clear();
    w.LanceImp->click();
    EXPECT_EQ(printer.Calls.back(), "EndDoc");
}

TEST_F(PrintPanelTest, PictureChangesWhileOpenWaitForTheNextRedraw)
{
    picture.Set(1600, 1200, kRed);
    panel.ImprimerClick();
    const QImage before = w.Preview().copy();
    // The browser shows another picture; the panel is not told.
    picture.Set(1200, 1600, kBlue);
    EXPECT_EQ(w.Preview(), before);
    // The next redraw takes the new ratio for the sheet but keeps the printed size.
    w.deplacer->click();
    EXPECT_EQ(panel.PrintWidth, 296);
    EXPECT_EQ(panel.PrintHeight, 222);
    const QImage after = w.Preview();
    EXPECT_EQ(before.pixel(150, 265), kGrey);   // below the landscape sheet
    EXPECT_EQ(after.pixel(150, 265), kWhite);   // on the portrait sheet, below the photo
    EXPECT_TRUE(Near(after.pixel(150, 150), kBlue));
}

TEST_F(PrintPanelTest, SquarePictureCountsAsNotTaller)
{
    picture.Set(500, 500, kRed);
    panel.ImprimerClick();
    EXPECT_EQ(w.Preview().pixel(295, 20), kGrey);  // landscape sheet, photo ends at x 292
    EXPECT_EQ(Text(w.dimensions), "29,6 cm X 29,6 cm.");
    ChooseSize(SizeHalf);
    EXPECT_EQ(w.Preview().pixel(20, 150), kGrey);  // portrait sheet leaves the left grey
    EXPECT_EQ(Text(w.dimensions), "21,0 cm X 21,0 cm.");
}

}  // namespace
}  // namespace galimo::test

namespace galimo::test {
namespace {

// The panel prints on the printer and dialog in force at the time; the scope's end puts Qt's back.
TEST(PrintPanelSeams, UsesThePrinterInForce)
{
    TPanelWindow w;
    TTestPicture picture;
    picture.Set(160, 120, QColor(200, 40, 60));
    TPrintPanel panel(w.Controls(), picture);
    TRecordingPrinter printer;
    TScriptedDialog dialog;
    TRecordingMessageBox box;
    {
        TScopedReplacement<IPrinter> printerInForce(printer);
        TScopedReplacement<IPrintDialog> dialogInForce(dialog);
        TScopedReplacement<IMessageBox> boxInForce(box);
        EXPECT_EQ(&Printer(), &printer);
        panel.ImprimerClick();
        w.LanceImp->click();
        EXPECT_EQ(dialog.Shown, 1);
        EXPECT_EQ(printer.Calls.back(), "EndDoc");
        EXPECT_TRUE(box.Texts().empty());
    }
    EXPECT_NE(dynamic_cast<TQtPrinter*>(&Printer()), nullptr);
    EXPECT_NE(dynamic_cast<TQtPrintDialog*>(&PrintDialog()), nullptr);
}

}  // namespace
}  // namespace galimo::test
