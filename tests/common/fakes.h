// The recording fakes that stand at the program's seams in tests: a message box that keeps
// what it was shown, a display that records its mode requests, a printer that records its
// calls and draws its page into an image, a dialog that answers as scripted, a shell that
// keeps the addresses it was asked to open. Each goes in force through a TScopedReplacement.
#pragma once

#include "platform/display/displaysettings.h"
#include "platform/core/exceptions.h"
#include "platform/widgets/messagebox.h"
#include "platform/drawing/printer.h"
#include "platform/core/shell.h"

#include <QImage>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace galimo::test {

// Every box the program shows comes from its error boundary: captioned "Galimo", with the
// error icon. Anything else fails the test that shows it.
class TRecordingMessageBox : public IMessageBox {
public:
    struct Call {
        std::string caption, text;
        MessageIcon icon;
    };
    std::vector<Call> Calls;
    // What the user does while the box is open.
    std::function<void()> WhileOpen;

    void Show(const std::string& caption, const std::string& text, MessageIcon icon) override
    {
        EXPECT_EQ(caption, "Galimo");
        EXPECT_EQ(icon, MessageIcon::Error);
        Calls.push_back({caption, text, icon});
        if (WhileOpen) std::exchange(WhileOpen, nullptr)();
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const Call& c : Calls) out.push_back(c.text);
        return out;
    }
};

// Answers like a real display: an accepted request changes its mode, a refused one nothing.
class TFakeDisplaySettings : public IDisplaySettings {
public:
    struct Request {
        TDevMode mode;
        int flags;
    };

    TFakeDisplaySettings(int width, int height, int bitsPerPixel)
        : width(width), height(height), bitsPerPixel(bitsPerPixel)
    {
    }

    int ScreenWidth() override { return width; }
    int ScreenHeight() override { return height; }
    int ScreenBitsPerPixel() override { return bitsPerPixel; }
    int ChangeDisplaySettings(const TDevMode& mode, int flags) override
    {
        requests.push_back({mode, flags});
        if (result != DISP_CHANGE_SUCCESSFUL) return result;
        if (mode.dmFields & DM_PELSWIDTH) width = int(mode.dmPelsWidth);
        if (mode.dmFields & DM_PELSHEIGHT) height = int(mode.dmPelsHeight);
        if (mode.dmFields & DM_BITSPERPEL) bitsPerPixel = int(mode.dmBitsPerPel);
        return result;
    }

    int width;
    int height;
    int bitsPerPixel;
    int result = DISP_CHANGE_SUCCESSFUL;  // what every request answers; non-zero refuses
    std::vector<Request> requests;
};

class TRecordingPrinter : public IPrinter {
public:
    // The portrait page of the print tests by default; landscape gives 1050 x 740.
    explicit TRecordingPrinter(int pageWidth = 740, int pageHeight = 1050) : width(pageWidth), height(pageHeight) {}

    std::vector<std::string> Calls;
    std::string FailAt;  // the call that raises FailMessage, if any
    std::string FailMessage = MsgPrinting;
    QImage Page;         // the last page drawn, in device pixels (landscape or portrait)

    void SetOrientation(TPrinterOrientation o) override
    {
        Record(o == TPrinterOrientation::Landscape ? "SetOrientation Landscape" : "SetOrientation Portrait");
        orientation = o;
    }
    TPrinterOrientation Orientation() const override { return orientation; }
    // The page size given is the portrait one; landscape swaps it, as a real printer does.
    int PageWidth() const override
    {
        const_cast<TRecordingPrinter*>(this)->Record("PageWidth");
        return orientation == TPrinterOrientation::Landscape ? height : width;
    }
    int PageHeight() const override
    {
        const_cast<TRecordingPrinter*>(this)->Record("PageHeight");
        return orientation == TPrinterOrientation::Landscape ? width : height;
    }
    void BeginDoc() override
    {
        Record("BeginDoc");
        if (printing) throw EPrinter(MsgPrinting);
        printing = true;
        const bool landscape = orientation == TPrinterOrientation::Landscape;
        Page = QImage(landscape ? height : width, landscape ? width : height, QImage::Format_RGB32);
        Page.fill(Qt::white);
        canvas = std::make_unique<TCanvas>(static_cast<QPaintDevice*>(&Page));
    }
    TCanvas& Canvas() override
    {
        Record("Canvas");
        return *canvas;
    }
    void EndDoc() override
    {
        Record("EndDoc");
        printing = false;
        canvas.reset();
    }
    void Abort() noexcept override
    {
        Calls.push_back("Abort");
        printing = false;
        canvas.reset();
    }
    bool Printing() const override { return printing; }

private:
    void Record(const std::string& call)
    {
        Calls.push_back(call);
        if (call == FailAt) throw EPrinter(FailMessage);
    }

    int width, height;
    TPrinterOrientation orientation = TPrinterOrientation::Portrait;
    bool printing = false;
    std::unique_ptr<TCanvas> canvas;
};

class TScriptedDialog : public IPrintDialog {
public:
    bool Answer = true;
    int Shown = 0;
    bool Execute(IPrinter&, QWidget*) override
    {
        ++Shown;
        return Answer;
    }
};

class TRecordingShell : public IShell {
public:
    QStringList Addresses;
    void Open(QWidget*, const QString& address) override { Addresses << address; }
};

}  // namespace galimo::test
