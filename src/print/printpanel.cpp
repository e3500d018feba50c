#include "print/printpanel.h"

#include "picture/bitmap.h"
#include "picture/image.h"
#include "platform/core/errorhandler.h"
#include "platform/core/exceptions.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

namespace galimo {

namespace {

TRect ToCanvasRect(const TSheetRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

const QColor kPreviewGrey(192, 192, 192);
const QColor kSurfaceGrey(194, 194, 194);  // the surface before its first drawing

}  // namespace

TPrintPanel::TPrintPanel(const PrintPanelControls& controls, IShownPicture& shown)
    : c(controls), picture(shown)
{
    // The preview surface: one pixel per millimetre, whatever the form gave the control.
    TPicture& surface = c.page->Picture();
    const TGraphic* g = surface.Graphic();
    if (!dynamic_cast<const TBitmap*>(g) || g->Width() != PreviewSize || g->Height() != PreviewSize) {
        TBitmap& bmp = surface.Bitmap();
        bmp.SetPixelFormat(TPixelFormat::pf24bit);
        bmp.SetSize(PreviewSize, PreviewSize);
        bmp.Canvas().BrushColor = kSurfaceGrey;
        bmp.Canvas().Brush = BrushStyle::Solid;
        bmp.Canvas().FillRect({0, 0, PreviewSize, PreviewSize});
    }

    // A size handler runs when a size becomes selected, by the user or by the program.
    for (QRadioButton* size : {c.Plein, c.demi, c.quart})
        ConnectGuarded(size, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) PleinClick();
        });
    ConnectGuarded(c.Hmarge, &QSlider::valueChanged, this, [this](int) { HmargeChange(); });
    ConnectGuarded(c.LanceImp, &QAbstractButton::clicked, this, [this] { LanceImpClick(); });
    ConnectGuarded(c.annuler, &QAbstractButton::clicked, this, [this] { annulerClick(); });
    ConnectGuarded(c.deplacer, &QAbstractButton::clicked, this, [this] { deplacerClick(); });
}

TPrintPanel::~TPrintPanel() = default;

int TPrintPanel::SizeIndex() const
{
    if (c.quart->isChecked()) return SizeQuarter;
    if (c.demi->isChecked()) return SizeHalf;
    return SizeFull;
}

void TPrintPanel::SetBrowserEnabled(bool enabled)
{
    for (QWidget* w : {c.Imprimer, c.boite, c.photo})
        if (w) w->setEnabled(enabled);
}

void TPrintPanel::ResetMargin()
{
    // The slider's own notification is held back: the margin handling then runs once
    // instead of twice, to the same result.
    {
        const QSignalBlocker block(c.Hmarge);
        c.Hmarge->setValue(0);
    }
    HmargeChange();
}

void TPrintPanel::ImprimerClick()
{
    if (!picture.AlbumHasFiles()) return;
    SetBrowserEnabled(false);
    ResetMargin();
    c.Pimp->show();
    c.Pimp->raise();
    RedrawLayout();
}

void TPrintPanel::annulerClick()
{
    c.Pimp->hide();
    SetBrowserEnabled(true);
}

void TPrintPanel::PleinClick()
{
    SlotIndex = 0;
    ResetMargin();
    RedrawLayout();
}

void TPrintPanel::HmargeChange()
{
    const int margin = c.Hmarge->value();
    c.LabelH->setText(QStringLiteral("Horizontale : %1 mm").arg(margin));
    const int size = SizeIndex();
    const TSlotTable& table = Slots(size, SheetOrientation(size, picture.AspectRatio()));
    const TPrintSize s = PrintSizeForMargin(table.Width, table.Height, margin, picture.AspectRatio());
    PrintWidth = s.PrintWidth;
    PrintHeight = s.PrintHeight;
    VerticalMargin = s.VerticalMargin;
    c.LabelV->setText(QStringLiteral("Verticale : %1 mm").arg(VerticalMargin));
    RedrawLayout();
}

void TPrintPanel::deplacerClick()
{
    SlotIndex = NextSlot(SlotIndex, SizeIndex());
    RedrawLayout();
}

void TPrintPanel::LanceImpClick()
{
    // Refused before the dialog: the user learns why without choosing a printer first.
    RefuseBlankSheet();
    if (!PrintDialog().Execute(Printer(), c.Pimp->window())) return;
    PrintRequested = true;
    try {
        RedrawLayout();
    } catch (...) {
        PrintRequested = false;
        throw;
    }
    PrintRequested = false;
}

void TPrintPanel::RedrawLayout()
{
    const int size = SizeIndex();
    DrawLayout(SheetOrientation(size, picture.AspectRatio()), size);
}

void TPrintPanel::DrawLayout(TSheetOrientation orientation, int size)
{
    TCanvas& canvas = c.page->Picture().Bitmap().Canvas();
    canvas.Brush = BrushStyle::Solid;
    canvas.BrushColor = kPreviewGrey;
    canvas.FillRect({0, 0, PreviewSize, PreviewSize});
    canvas.BrushColor = Qt::white;
    canvas.FillRect(ToCanvasRect(SheetOnPreview(orientation)));
    const TSheetPoint offset = SheetOffset(orientation);

    const TSlotTable& table = Slots(size, orientation);
    canvas.PenColor = Qt::black;
    canvas.Pen = PenStyle::Dash;
    for (int i = 0; i < table.LineCount; ++i) {
        canvas.MoveTo(table.Lines[i].From.X, table.Lines[i].From.Y);
        canvas.LineTo(table.Lines[i].To.X, table.Lines[i].To.Y);
    }
    SlotX = table.X;
    SlotY = table.Y;

    // The slot is always in range through the handlers; a stray one falls back to slot 0.
    const int k = SlotIndex >= 0 && SlotIndex < table.Count ? SlotIndex : 0;
    const TSheetRect sheetRect = PhotoRect(SlotX[k], SlotY[k], PrintWidth, PrintHeight);
    // A margin that leaves no width (or height) shows the empty sheet: an inverted
    // rectangle would otherwise draw the photo mirrored.
    if (!sheetRect.Empty())
        canvas.StretchDraw(ToCanvasRect(sheetRect.Offset(offset.X, offset.Y)), picture.Graphic());

    if (PrintRequested) Print(orientation, sheetRect);

    c.dimensions->setText(QString::fromStdString(FormatTenths(PrintWidth) + " cm X " + FormatTenths(PrintHeight) + " cm."));
}

void TPrintPanel::RefuseBlankSheet() const
{
    if (!picture.Graphic() || picture.Graphic()->Empty()) throw Exception(MsgNoPhoto);
    if (!PhotoPrints(PrintWidth, PrintHeight)) throw Exception(MsgPhotoTooSmall);
}

void TPrintPanel::Print(TSheetOrientation orientation, const TSheetRect& sheetRect)
{
    RefuseBlankSheet();
    TGraphic* graphic = picture.Graphic();

    IPrinter& printer = Printer();
    printer.SetOrientation(orientation == TSheetOrientation::Landscape ? TPrinterOrientation::Landscape
                                                                       : TPrinterOrientation::Portrait);
    const int pageWidth = printer.PageWidth();
    const int pageHeight = printer.PageHeight();
    const TPrinterScale scale = PrinterScale(orientation, pageWidth, pageHeight);
    const TSheetRect deviceRect = ScaleToPrinter(sheetRect, scale);
    printer.BeginDoc();
    try {
        printer.Canvas().StretchDraw(ToCanvasRect(deviceRect), graphic);
        printer.EndDoc();
    } catch (...) {
        printer.Abort();
        throw;
    }
}

}  // namespace galimo
