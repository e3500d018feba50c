#include "browser/keynavigation.h"

#include "browser/layout.h"
#include "picture/image.h"
#include "platform/core/errorhandler.h"
#include "platform/widgets/scrollbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QChildEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QRegion>

namespace galimo {

TKeyNavigation::TKeyNavigation(IKeyedWindow& window) : w(window)
{
    // On the application: a key reaches the focused control first, and any control of
    // the window may hold the focus, thumbnails made later included.
    qApp->installEventFilter(this);
    w.Strip().Content()->installEventFilter(this);
}

TKeyNavigation::~TKeyNavigation() = default;

void TKeyNavigation::PictureShown(int n)
{
    cursor = n;
    const auto& thumbs = w.Thumbnails();
    Mark(n >= 0 && n < static_cast<int>(thumbs.size()) ? thumbs[n] : nullptr);
    w.Photo().setAccessibleName(w.FileName(n));
}

bool TKeyNavigation::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* content = w.Strip().Content();
    if (watched == content) {
        if (event->type() == QEvent::Paint && marked) {
            // Beneath the thumbnails, around the marked one: none of its pixels is touched.
            const QRect inner = marked->geometry();
            const QRect outer = inner.adjusted(-MarkWidth, -MarkWidth, MarkWidth, MarkWidth);
            QPainter painter(content);
            painter.setClipRegion(QRegion(outer).subtracted(QRegion(inner)));
            painter.fillRect(outer, content->palette().color(QPalette::Highlight));
        } else if (event->type() == QEvent::ChildRemoved) {
            // The strip is being cleared: the frame goes with its thumbnail.
            if (!marked || static_cast<QChildEvent*>(event)->child() == marked.data()) {
                Mark(nullptr);
                cursor = -1;
            }
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != &w.Window()) return false;
    // A dialog run inside the main window keeps its keys.
    for (const QWidget* p = target; p != &w.Window(); p = p->parentWidget())
        if (qobject_cast<const QDialog*>(p)) return false;
    // A key the focused control leaves goes on to its parents: decide by the control
    // that had it first, every time.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != &w.Window()) focus = target;
    return KeyPressed(focus, *static_cast<QKeyEvent*>(event));
}

bool TKeyNavigation::KeyPressed(QWidget* focus, const QKeyEvent& key)
{
    // Whatever takes typed text keeps every key.
    if (focus->testAttribute(Qt::WA_InputMethodEnabled)) return false;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier) {
        if (key.key() == Qt::Key_P && w.CanPrint()) {
            Guard([this] { w.Print(); });
            return true;
        }
        if (key.key() == Qt::Key_Q) {
            Guard([this] { w.Quit(); });
            return true;
        }
        return false;
    }
    if (modifiers != Qt::NoModifier) return false;
    switch (key.key()) {
    case Qt::Key_Escape:
        if (!w.PanelOpen()) return false;
        Guard([this] { w.ClosePanel(); });
        return true;
    case Qt::Key_Space:
        // A focused button is pressed by Space; a photo the mouse cannot click, nor can it.
        if (qobject_cast<QAbstractButton*>(focus) || w.Photo().isHidden() || !w.Photo().isEnabled()) return false;
        Guard([this] { w.TogglePhoto(); });
        return true;
    case Qt::Key_Right:
    case Qt::Key_PageDown: return StepTo(Step::Next);
    case Qt::Key_Left:
    case Qt::Key_PageUp: return StepTo(Step::Previous);
    case Qt::Key_Home: return StepTo(Step::First);
    case Qt::Key_End: return StepTo(Step::Last);
    default: return false;
    }
}

int TKeyNavigation::Walkable() const
{
    // A thumbnail still without its picture is the file being made; a damaged one is walked too.
    int n = 0;
    for (TImage* vig : w.Thumbnails()) {
        if (!vig->Picture().Graphic()) break;
        ++n;
    }
    return n;
}

bool TKeyNavigation::StepTo(Step step)
{
    // The strip is disabled while the print panel is open: the keys leave it alone too.
    if (!w.Strip().isEnabled()) return false;
    const int count = Walkable();
    if (count == 0) return false;
    const int at = cursor >= 0 && cursor < count ? cursor : -1;
    int to = 0;
    switch (step) {
    case Step::Previous: to = std::max(0, at - 1); break;
    case Step::Next: to = std::min(count - 1, at + 1); break;
    case Step::First: to = 0; break;
    case Step::Last: to = count - 1; break;
    }
    if (to != at) {
        // Kept even when the file fails to show, so the next key goes past it.
        cursor = to;
        Guard([this, to] { w.ShowFile(to); });
    }
    ScrollIntoView(to);
    return true;
}

void TKeyNavigation::ScrollIntoView(int n)
{
    const auto& thumbs = w.Thumbnails();
    if (n < 0 || n >= static_cast<int>(thumbs.size())) return;
    // The thumbnail with half the gap to its neighbours, so that its frame shows too.
    const int gap = (ThumbnailPitch - ThumbnailBox) / 2;
    const QRect g = thumbs[n]->geometry();
    w.Strip().SetVertPosition(ScrollPositionShowing(g.top() - gap, g.bottom() + 1 + gap, w.Strip().VertPosition(),
                                                   w.Strip().viewport()->height()));
}

void TKeyNavigation::Mark(TImage* thumbnail)
{
    QWidget* content = w.Strip().Content();
    if (markRing.isValid()) content->update(markRing);
    marked = thumbnail;
    markRing = thumbnail ? thumbnail->geometry().adjusted(-MarkWidth, -MarkWidth, MarkWidth, MarkWidth) : QRect();
    if (markRing.isValid()) content->update(markRing);
}

}  // namespace galimo
