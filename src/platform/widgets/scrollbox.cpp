#include "platform/widgets/scrollbox.h"

#include <QChildEvent>
#include <QEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace galimo {

TScrollBox::TScrollBox(QWidget* parent) : QAbstractScrollArea(parent), content(new QWidget(viewport()))
{
    content->setObjectName("qt_scrollbox_content");
    content->installEventFilter(this);
    SetHorzLineStep(8);
    SetVertLineStep(8);
    viewport()->setAutoFillBackground(true);
    ApplyRanges();
}

void TScrollBox::AdoptChildren()
{
    const auto children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
        const QRect geometry = w->geometry();
        const bool hidden = w->isHidden();
        w->setParent(content);
        w->setGeometry(geometry);
        w->setHidden(hidden);
        w->installEventFilter(this);
    }
    UpdateAutoRange();
}

void TScrollBox::SetHorzRange(int range)
{
    hrange = std::max(0, range);
    ApplyRanges();
}

void TScrollBox::SetVertRange(int range)
{
    vrange = std::max(0, range);
    ApplyRanges();
}

void TScrollBox::ApplyRanges()
{
    if (applying) return;
    applying = true;
    // Showing one bar narrows the visible area, which may call for the other: settle twice.
    for (int pass = 0; pass < 2; ++pass) {
        const QSize visible = viewport()->size();
        horizontalScrollBar()->setRange(0, std::max(0, hrange - visible.width()));
        horizontalScrollBar()->setPageStep(std::max(1, visible.width()));
        verticalScrollBar()->setRange(0, std::max(0, vrange - visible.height()));
        verticalScrollBar()->setPageStep(std::max(1, visible.height()));
    }
    applying = false;
    PlaceContent();
}

void TScrollBox::PlaceContent()
{
    const QSize visible = viewport()->size();
    content->setGeometry(-horizontalScrollBar()->value(), -verticalScrollBar()->value(),
                         std::max(hrange, visible.width()), std::max(vrange, visible.height()));
}

void TScrollBox::scrollContentsBy(int, int) { PlaceContent(); }

bool TScrollBox::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize) ApplyRanges();
    return QAbstractScrollArea::viewportEvent(event);
}

void TScrollBox::SetHorzPosition(int position) { horizontalScrollBar()->setValue(position); }
void TScrollBox::SetVertPosition(int position) { verticalScrollBar()->setValue(position); }
int TScrollBox::HorzPosition() const { return horizontalScrollBar()->value(); }
int TScrollBox::VertPosition() const { return verticalScrollBar()->value(); }

void TScrollBox::SetAutoRange(bool on)
{
    autoRange = on;
    UpdateAutoRange();
}

void TScrollBox::UpdateAutoRange()
{
    if (!autoRange) return;
    int right = 0, bottom = 0;
    for (QWidget* w : content->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (w->isHidden()) continue;
        right = std::max(right, w->geometry().right() + 1);
        bottom = std::max(bottom, w->geometry().bottom() + 1);
    }
    hrange = right;
    vrange = bottom;
    ApplyRanges();
}

void TScrollBox::SetWheelStep(int pixels)
{
    wheelStep = pixels;
    wheelRest = 0;
    verticalScrollBar()->installEventFilter(this);
}

bool TScrollBox::WheelBy(const QWheelEvent& event)
{
    const int delta = event.angleDelta().y();
    if (wheelStep <= 0 || delta == 0) return false;
    // A notch is 120 units; a finer wheel's parts add up to the same distance.
    wheelRest += delta * wheelStep;
    const int pixels = wheelRest / 120;
    wheelRest -= pixels * 120;
    SetVertPosition(VertPosition() - pixels);
    return true;
}

void TScrollBox::wheelEvent(QWheelEvent* event)
{
    if (WheelBy(*event))
        event->accept();
    else
        QAbstractScrollArea::wheelEvent(event);
}

bool TScrollBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == verticalScrollBar() && event->type() == QEvent::Wheel)
        return WheelBy(*static_cast<QWheelEvent*>(event)) || QAbstractScrollArea::eventFilter(watched, event);
    if (watched == content) {
        if (event->type() == QEvent::ChildAdded) {
            // Watch each child so that its moves, resizes and visibility update the ranges.
            auto* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType()) child->installEventFilter(this);
        }
        if (event->type() == QEvent::ChildRemoved) UpdateAutoRange();
    } else if (autoRange && watched->parent() == content) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: UpdateAutoRange(); break;
        default: break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void TScrollBox::SetHorzLineStep(int step) { horizontalScrollBar()->setSingleStep(step); }
void TScrollBox::SetVertLineStep(int step) { verticalScrollBar()->setSingleStep(step); }
int TScrollBox::HorzLineStep() const { return horizontalScrollBar()->singleStep(); }
int TScrollBox::VertLineStep() const { return verticalScrollBar()->singleStep(); }

}  // namespace galimo
