// The printer and the print dialog seams. The product prints through Qt (CUPS printers and
// PDF files); tests put a recording printer and a scripted dialog in their place. Every
// failure of the printing layer is an EPrinter with one of the messages below.
#pragma once

#include "platform/drawing/canvas.h"
#include "platform/core/seam.h"

#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace galimo {

inline constexpr const char* MsgNoDefaultPrinter = "Aucune imprimante par défaut sélectionnée";
inline constexpr const char* MsgInvalidPrinter = "Imprimante sélectionnée incorrecte";
inline constexpr const char* MsgNotSupported = "Opération non supportée par l'imprimante sélectionnée";
inline constexpr const char* MsgPrinting = "Impression en cours";

enum class TPrinterOrientation { Portrait, Landscape };

// The current printer: one job of pages at a time, drawn in device pixels.
class IPrinter {
public:
    virtual ~IPrinter() = default;
    // For the next document; stays in force until changed. Raises while a job runs.
    virtual void SetOrientation(TPrinterOrientation orientation) = 0;
    virtual TPrinterOrientation Orientation() const = 0;
    // The printable area of the page for the orientation in force, in device pixels.
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // Starts a job and its first page.
    virtual void BeginDoc() = 0;
    // The current page, origin at the top-left corner of the printable area. Valid between
    // BeginDoc and EndDoc or Abort.
    virtual TCanvas& Canvas() = 0;
    // Ends the page and the job, which goes to the printer.
    virtual void EndDoc() = 0;
    // Drops the job in progress, if any; never raises.
    virtual void Abort() noexcept = 0;
    virtual bool Printing() const = 0;
};

// The printer-selection dialog: shown modally; on confirmation the printer it was given
// is set to the user's choice.
class IPrintDialog {
public:
    virtual ~IPrintDialog() = default;
    virtual bool Execute(IPrinter& printer, QWidget* parent) = 0;
};

// The current printer and the print dialog in force: Qt's unless a test put its own.
// The current printer is one for the whole run, so an orientation set on it stays.
template <> IPrinter& TSeam<IPrinter>::System();
template <> IPrintDialog& TSeam<IPrintDialog>::System();
inline IPrinter& Printer() { return TSeam<IPrinter>::Current(); }
inline IPrintDialog& PrintDialog() { return TSeam<IPrintDialog>::Current(); }

// The current printer over QPrinter at the printer's own resolution. The QPrinter is
// made on first use: looking for printers at start-up would slow every start.
class TQtPrinter : public IPrinter {
public:
    TQtPrinter();
    ~TQtPrinter() override;

    // The underlying printer (the dialog configures it; tests point it at a PDF file).
    QPrinter& Device() const;

    void SetOrientation(TPrinterOrientation orientation) override;
    TPrinterOrientation Orientation() const override;
    int PageWidth() const override;
    int PageHeight() const override;
    void BeginDoc() override;
    TCanvas& Canvas() override;
    void EndDoc() override;
    void Abort() noexcept override;
    bool Printing() const override { return painter != nullptr; }

private:
    // Raises the message that fits when there is nowhere to print.
    void CheckPrinter() const;

    mutable std::unique_ptr<QPrinter> printer;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<TCanvas> canvas;
};

// Qt's print dialog over a TQtPrinter.
class TQtPrintDialog : public IPrintDialog {
public:
    bool Execute(IPrinter& printer, QWidget* parent) override;
};

}  // namespace galimo
