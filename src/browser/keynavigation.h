// TKeyNavigation: browsing the main window by keyboard, and the mark on the thumbnail of
// the shown photo that tells a person where they are. The window owns it. Every key runs
// the handler the mouse runs, and only when the mouse could: a disabled control (the print
// panel is open) takes no key either.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <vector>

class QKeyEvent;

namespace galimo {

class TImage;
class TScrollBox;

// What the keys see of the window and what they may ask of it: the handlers the mouse runs.
class IKeyedWindow {
public:
    virtual ~IKeyedWindow() = default;
    virtual QWidget& Window() = 0;
    virtual TScrollBox& Strip() = 0;
    virtual const std::vector<TImage*>& Thumbnails() const = 0;
    virtual TImage& Photo() = 0;
    virtual QString FileName(int n) = 0;
    virtual bool CanPrint() const = 0;   // the printer button is enabled
    virtual bool PanelOpen() const = 0;  // the print panel is on show
    virtual void Print() = 0;
    virtual void ClosePanel() = 0;
    virtual void Quit() = 0;
    virtual void TogglePhoto() = 0;
    virtual void ShowFile(int n) = 0;  // as a click on thumbnail n
};

class TKeyNavigation : public QObject {
public:
    explicit TKeyNavigation(IKeyedWindow& window);
    ~TKeyNavigation() override;

    // ShowPicture(n) has shown file n: mark its thumbnail, name the photo after the file.
    void PictureShown(int n);
    // The marked thumbnail, null when none is.
    TImage* Marked() const { return marked; }

    // The frame's width, drawn outside the thumbnail.
    static constexpr int MarkWidth = 2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Step { Previous, Next, First, Last };
    // True when the key was this window's to take.
    bool KeyPressed(QWidget* focus, const QKeyEvent& key);
    bool StepTo(Step step);
    void Mark(TImage* thumbnail);
    void ScrollIntoView(int n);
    int Walkable() const;

    IKeyedWindow& w;
    QPointer<TImage> marked;
    QRect markRing;  // the strip content's area the frame was last drawn in
    int cursor = -1;  // the file the keys last went to, whether or not it could be shown
};

}  // namespace galimo
