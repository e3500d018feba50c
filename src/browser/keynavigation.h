// TKeyNavigation: browsing the main window by keyboard, and the mark on the thumbnail of
// the shown photo that tells a person where they are. The window owns it. Every key runs
// the handler the mouse runs, and only when the mouse could: a disabled control (the print
// panel is open) takes no key either.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QKeyEvent;

namespace galimo {

class TDepart;
class TImage;

class TKeyNavigation : public QObject {
public:
    explicit TKeyNavigation(TDepart& window);
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

    TDepart& w;
    QPointer<TImage> marked;
    QRect markRing;  // the strip content's area the frame was last drawn in
    int cursor = -1;  // the file the keys last went to, whether or not it could be shown
};

}  // namespace galimo
