#include "platform/display/modal.h"

#include "platform/widgets/dxform.h"
#include "platform/display/screenplan.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <vector>

namespace galimo {

QWidget* MainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TDXForm*>(w) && w->isVisible()) return w;
    return nullptr;
}

namespace {

// Covers the main window while a dialog runs inside it: takes the clicks meant for what lies
// beneath, and draws the dialog's frame and caption bar as a window manager would.
class TShield : public QWidget {
public:
    TShield(QWidget* host, const QWidget& dialog) : QWidget(host), dialog(dialog) { setGeometry(host->rect()); }
    static constexpr int Caption = 22;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect inner = dialog.geometry();
        const bool titled = !dialog.windowTitle().isEmpty();
        const QRect outer = inner.adjusted(-1, titled ? -Caption - 1 : -1, 1, 1);
        painter.setPen(palette().color(QPalette::Shadow));
        painter.drawRect(outer.adjusted(0, 0, -1, -1));
        if (!titled) return;
        const QRect bar(inner.x(), inner.y() - Caption, inner.width(), Caption);
        painter.fillRect(bar, palette().color(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(bar.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, dialog.windowTitle());
    }

private:
    const QWidget& dialog;
};

bool Takes(const QWidget& dialog, QWidget* w)
{
    return dialog.isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
}

// The next (or previous) control of the dialog after the focused one, round the dialog.
void FocusInside(QWidget& dialog, bool forward)
{
    QWidget* from = QApplication::focusWidget();
    if (!from || !dialog.isAncestorOf(from)) from = &dialog;
    QWidget* w = from;
    do {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (Takes(dialog, w)) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    } while (w && w != from);
    dialog.setFocus(Qt::OtherFocusReason);
}

// While dialogs run inside the main window, every key, click and shortcut meant for that
// window goes to the innermost dialog or nowhere: a dialog inside a window is no window of
// its own, and Qt's modality keeps only other windows out. Tab walks the dialog's own controls.
class TInsideModality : public QObject {
public:
    static void Push(QDialog& dialog)
    {
        if (stack.empty()) qApp->installEventFilter(&Instance());
        stack.push_back(&dialog);
    }
    static void Pop()
    {
        stack.pop_back();
        if (stack.empty()) qApp->removeEventFilter(&Instance());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (stack.empty() || !Input(event->type())) return false;
        QWidget* dialog = stack.back();
        QWidget* target = Target(watched);
        // Other windows (a combo box's list, the print dialog's own sub-dialogs) keep theirs.
        if (!target || target->window() != dialog->window()) return false;
        if (target != dialog && !dialog->isAncestorOf(target)) {
            if (event->type() == QEvent::KeyPress) FocusInside(*dialog, true);
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool back = key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
            if ((key->key() == Qt::Key_Tab || back) && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                FocusInside(*dialog, !back);
                return true;
            }
        }
        return false;
    }

private:
    static TInsideModality& Instance()
    {
        static TInsideModality modality;
        return modality;
    }
    static bool Input(QEvent::Type type)
    {
        switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }
    // The widget an event is for: a shortcut's is the widget it belongs to.
    static QWidget* Target(QObject* watched)
    {
        for (QObject* o = watched; o; o = o->parent())
            if (o->isWidgetType()) return static_cast<QWidget*>(o);
        return nullptr;
    }
    static inline std::vector<QDialog*> stack;
};

}  // namespace

void CentreOverOwner(QWidget& dialog)
{
    QRect area;
    if (!dialog.isWindow()) {
        area = dialog.parentWidget()->rect();
    } else if (const QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : MainWindow()) {
        area = owner->geometry();
    } else if (const QScreen* screen = dialog.screen()) {
        area = screen->geometry();
    } else {
        return;
    }
    dialog.move(area.x() + (area.width() - dialog.width()) / 2, area.y() + (area.height() - dialog.height()) / 2);
}

int ExecModal(QDialog& dialog)
{
    QWidget* host = ScreenPlan().DialogsInside ? MainWindow() : nullptr;
    if (!host || !dialog.isWindow()) return dialog.exec();

    QPointer<QWidget> parent = dialog.parentWidget();
    const Qt::WindowFlags flags = dialog.windowFlags();
    const bool filled = dialog.autoFillBackground();
    // It keeps its own colours and font, not the main window's black surround.
    const bool ownPalette = dialog.testAttribute(Qt::WA_SetPalette), ownFont = dialog.testAttribute(Qt::WA_SetFont);
    QPalette palette = dialog.palette();
    const QPalette paletteBefore = palette;
    palette.setResolveMask(~QPalette::ResolveMask(0));
    QFont font = dialog.font();
    const QFont fontBefore = font;
    font.setResolveMask(QFont::AllPropertiesResolved);
    // The size it would take as a window of its own.
    dialog.adjustSize();
    const QSize size = dialog.size();
    TShield shield(host, dialog);
    dialog.setParent(host, Qt::Widget);
    dialog.setPalette(palette);
    dialog.setFont(font);
    dialog.setAutoFillBackground(true);
    dialog.resize(size.expandedTo(dialog.minimumSize()));
    CentreOverOwner(dialog);
    if (!dialog.windowTitle().isEmpty()) dialog.move(dialog.x(), dialog.y() + TShield::Caption / 2);
    shield.show();
    dialog.raise();
    // The keys go to the dialog, not to the control of the main window that had them, and
    // come back to that control when it closes.
    const QPointer<QWidget> hadFocus = QApplication::focusWidget();
    TInsideModality::Push(dialog);
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (!dialog.isAncestorOf(QApplication::focusWidget())) FocusInside(dialog, true);
    });
    const int result = dialog.exec();
    TInsideModality::Pop();
    dialog.hide();
    if (hadFocus) hadFocus->setFocus(Qt::OtherFocusReason);
    dialog.setAutoFillBackground(filled);
    dialog.setParent(parent, flags);
    dialog.setPalette(ownPalette ? paletteBefore : QPalette());
    dialog.setFont(ownFont ? fontBefore : QFont());
    return result;
}

}  // namespace galimo
