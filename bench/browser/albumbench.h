// What both album programs share: a main window offscreen over a temporary medium whose
// albums hold links to the benchmark's camera photos.
#pragma once

#include "browser/depart.h"
#include "picture/jpegimage.h"
#include "platform/display/changeres.h"
#include "common/fakes.h"
#include "common/replacement.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <chrono>

namespace albumbench {

class Medium {
public:
    Medium() : display(1024, 768, 32), guard(display)
    {
        if (!dir.isValid()) throw std::runtime_error("no temporary folder");
        galimo::InitJPEGModule(32);
    }
    // An album of count links to photo, named so that they sort in order. A relative photo
    // is taken from the folder the medium was made in: the links point at its whole path,
    // as the window moves into the medium.
    void Album(const QString& name, const std::string& photo, int count)
    {
        QDir root(dir.path());
        root.mkpath(name);
        const QString target = startFolder.absoluteFilePath(QString::fromStdString(photo));
        for (int i = 0; i < count; ++i) {
            const QString link = root.filePath(name + QString("/p%1.jpg").arg(i, 3, 10, QChar('0')));
            if (!QFile::link(target, link)) throw std::runtime_error("cannot link " + photo);
        }
        if (window) window->DL->addItem(name);  // made after the window: listed last
    }
    // The main window, shown and with its first album open.
    galimo::TDepart& Window()
    {
        QDir::setCurrent(dir.path());
        galimo::InitChangeRes();
        window = std::make_unique<galimo::TDepart>();
        window->show();
        while (window->FirstPaint()) QCoreApplication::processEvents();
        Settle();
        return *window;
    }
    // Opens the album of that name, as a click in the list does, and lets the photo paint
    // and the strip fill.
    void Open(const QString& name)
    {
        Click(name);
        WaitFor([this] { return StripComplete(); });
        Settle();
    }
    // The click alone: the window may go on filling the strip afterwards.
    void Click(const QString& name)
    {
        const QList<QListWidgetItem*> found = window->DL->findItems(name, Qt::MatchExactly);
        if (found.isEmpty()) throw std::runtime_error("no album " + name.toStdString());
        window->DL->setCurrentItem(found.front());
    }
    // Waits for the full picture the photo view makes ahead of a zoom.
    void ZoomPrepared()
    {
        while (!window->ZoomPrepared()) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    bool StripComplete() const { return static_cast<int>(window->Thumbnails().size()) == window->FL->Count(); }
    // Serves the window's events until done() holds.
    template <class Done>
    void WaitFor(Done done)
    {
        while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    void Settle()
    {
        window->photo->repaint();
        QCoreApplication::processEvents();
    }
    galimo::TDepart* Depart() const { return window.get(); }

private:
    QDir startFolder{QDir::currentPath()};
    QTemporaryDir dir;
    galimo::test::TFakeDisplaySettings display;
    galimo::test::TScopedReplacement<galimo::IDisplaySettings> guard;
    std::unique_ptr<galimo::TDepart> window;
};

}  // namespace albumbench
