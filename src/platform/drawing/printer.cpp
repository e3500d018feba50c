#include "platform/drawing/printer.h"

#include "platform/display/modal.h"

#include "platform/core/exceptions.h"

#include <QPainter>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>

namespace galimo {

template <>
IPrinter& TSeam<IPrinter>::System()
{
    // Never destroyed: a QPrinter must not be torn down after the application object,
    // and the process's end reclaims it anyway.
    static TQtPrinter* qt = new TQtPrinter;
    return *qt;
}

template <>
IPrintDialog& TSeam<IPrintDialog>::System()
{
    static TQtPrintDialog qt;
    return qt;
}

TQtPrinter::TQtPrinter() = default;

TQtPrinter::~TQtPrinter() { Abort(); }

QPrinter& TQtPrinter::Device() const
{
    if (!printer) printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer;
}

void TQtPrinter::CheckPrinter() const
{
    const QPrinter& p = Device();
    if (p.outputFormat() == QPrinter::PdfFormat) {
        // Qt falls back to PDF output when the system has no printer; without a file
        // name there is still nowhere to print.
        if (p.outputFileName().isEmpty()) throw EPrinter(MsgNoDefaultPrinter);
        return;
    }
    if (p.printerName().isEmpty()) throw EPrinter(MsgNoDefaultPrinter);
    if (!p.isValid()) throw EPrinter(MsgInvalidPrinter);
}

void TQtPrinter::SetOrientation(TPrinterOrientation orientation)
{
    if (Printing()) throw EPrinter(MsgPrinting);
    CheckPrinter();
    const auto o = orientation == TPrinterOrientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (!Device().setPageOrientation(o)) throw EPrinter(MsgNotSupported);
}

TPrinterOrientation TQtPrinter::Orientation() const
{
    return Device().pageLayout().orientation() == QPageLayout::Landscape ? TPrinterOrientation::Landscape
                                                                         : TPrinterOrientation::Portrait;
}

int TQtPrinter::PageWidth() const
{
    CheckPrinter();
    return Device().width();
}

int TQtPrinter::PageHeight() const
{
    CheckPrinter();
    return Device().height();
}

void TQtPrinter::BeginDoc()
{
    if (Printing()) throw EPrinter(MsgPrinting);
    CheckPrinter();
    auto p = std::make_unique<QPainter>();
    // begin() fails when the printer or the output file cannot be opened.
    if (!p->begin(&Device())) throw EPrinter(MsgInvalidPrinter);
    painter = std::move(p);
    canvas = std::make_unique<TCanvas>(painter.get());
}

TCanvas& TQtPrinter::Canvas()
{
    if (!canvas) throw EPrinter(MsgInvalidPrinter);
    return *canvas;
}

void TQtPrinter::EndDoc()
{
    if (!painter) return;
    canvas.reset();
    const bool ended = painter->end();
    painter.reset();
    if (!ended || Device().printerState() == QPrinter::Error) throw EPrinter(MsgInvalidPrinter);
}

void TQtPrinter::Abort() noexcept
{
    if (!painter) return;
    canvas.reset();
    // Abandon rather than end: a half-drawn page is not worth a sheet of paper.
    Device().abort();
    if (painter->isActive()) painter->end();
    painter.reset();
}

bool TQtPrintDialog::Execute(IPrinter& printer, QWidget* parent)
{
    auto* qt = dynamic_cast<TQtPrinter*>(&printer);
    if (!qt) throw EPrinter(MsgInvalidPrinter);
    if (qt->Printing()) throw EPrinter(MsgPrinting);
    QPrintDialog dialog(&qt->Device(), parent);
    // Off X11 the toolkit offers a folder, not a file, to print to: the visitor without a
    // printer would get nothing. Offer the file name it offers on X11.
    if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename")); file && file->text().endsWith('/'))
        file->setText(file->text() + QStringLiteral("print.pdf"));
    return ExecModal(dialog) == QDialog::Accepted;
}

}  // namespace galimo
