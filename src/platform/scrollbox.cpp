#include "platform/scrollbox.h"

#include <QChildEvent>
#include <QEvent>
#include <QScrollBar>

namespace galimo {

TScrollBox::TScrollBox(QWidget* parent) : QScrollArea(parent), content(new QWidget)
{
    content->setObjectName("qt_scrollbox_content");
    content->setAutoFillBackground(false);
    setWidgetResizable(false);
    setWidget(content);
    content->resize(0, 0);
    content->installEventFilter(this);
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
    }
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
    content->resize(hrange, vrange);
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

bool TScrollBox::eventFilter(QObject* watched, QEvent* event)
{
    if (autoRange && watched == content) {
        switch (event->type()) {
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved: UpdateAutoRange(); break;
        default: break;
        }
    } else if (autoRange && watched->parent() == content) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: UpdateAutoRange(); break;
        default: break;
        }
    }
    if (watched == content && event->type() == QEvent::ChildAdded) {
        // Watch each child so that its moves and resizes update the ranges.
        auto* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType()) child->installEventFilter(this);
    }
    return QScrollArea::eventFilter(watched, event);
}

}  // namespace galimo
