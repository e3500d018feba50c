// Test seams for printing: a printer that records its calls and draws its page into an
// image, a dialog that answers as scripted, a message box that keeps what it was shown.
#pragma once

#include "platform/exceptions.h"
#include "platform/messagebox.h"
#include "platform/printer.h"

#include <QImage>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace galimo::test {

class TRecordingPrinter : public IPrinter {
public:
    TRecordingPrinter(int pageWidth, int pageHeight) : width(pageWidth), height(pageHeight) {}

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

class TRecordingMessageBox : public IMessageBox {
public:
    TRecordingMessageBox() { previous = SetMessageBox(this); }
    ~TRecordingMessageBox() override { SetMessageBox(previous); }
    std::vector<std::string> Texts;
    void Show(const std::string& caption, const std::string& text, MessageIcon icon) override
    {
        EXPECT_EQ(caption, "Galimo");
        EXPECT_EQ(icon, MessageIcon::Error);
        Texts.push_back(text);
    }

private:
    IMessageBox* previous = nullptr;
};

}  // namespace galimo::test
