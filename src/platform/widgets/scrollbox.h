// TScrollBox: a scroll box whose children sit in a content widget at content coordinates,
// with ranges and positions set explicitly (the photo view) or following the visible
// children (the thumbnail strip). A range is the content's extent along an axis; the
// scroll bar's maximum is what of it does not fit the visible area.
#pragma once

#include <QAbstractScrollArea>

namespace galimo {

class TScrollBox : public QAbstractScrollArea {
    Q_OBJECT
    // The arrow steps of the two scroll bars, in pixels (8 unless the form says otherwise).
    Q_PROPERTY(int horzLineStep READ HorzLineStep WRITE SetHorzLineStep)
    Q_PROPERTY(int vertLineStep READ VertLineStep WRITE SetVertLineStep)
public:
    explicit TScrollBox(QWidget* parent = nullptr);

    QWidget* Content() const { return content; }
    // Moves the form's own children (made with the scroll box as parent) into the content,
    // keeping their positions and visibility.
    void AdoptChildren();

    void SetHorzRange(int range);
    void SetVertRange(int range);
    int HorzRange() const { return hrange; }
    int VertRange() const { return vrange; }
    // Positions are clamped into their scroll bar's valid range.
    void SetHorzPosition(int position);
    void SetVertPosition(int position);
    int HorzPosition() const;
    int VertPosition() const;

    void SetHorzLineStep(int step);
    void SetVertLineStep(int step);
    int HorzLineStep() const;
    int VertLineStep() const;

    // Pixels one notch of the mouse wheel scrolls vertically, over the content or the
    // scroll bar; 0 (the default) leaves the wheel to the scroll bar's line steps.
    void SetWheelStep(int pixels);

    // When on, the ranges reach the right and bottom edges of the visible children.
    void SetAutoRange(bool on);
    void UpdateAutoRange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ApplyRanges();
    void PlaceContent();
    bool WheelBy(const QWheelEvent& event);

    QWidget* content;
    int hrange = 0;
    int vrange = 0;
    bool autoRange = false;
    bool applying = false;
    int wheelStep = 0;
    int wheelRest = 0;  // what a fine wheel has turned short of a whole pixel, in 1/120 units
};

}  // namespace galimo
