#include "platform/modal.h"

#include "platform/dxform.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace galimo {

QWidget* MainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TDXForm*>(w) && w->isVisible()) return w;
    return nullptr;
}

namespace {

bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

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
    QWidget* host = OnWayland() ? MainWindow() : nullptr;
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
    // The keys go to the dialog, not to the control of the main window that had them.
    QTimer::singleShot(0, &dialog, [&dialog] {
        for (QWidget* w = dialog.nextInFocusChain(); w && w != &dialog; w = w->nextInFocusChain())
            if (dialog.isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
                w->setFocus(Qt::TabFocusReason);
                return;
            }
        dialog.setFocus(Qt::OtherFocusReason);
    });
    const int result = dialog.exec();
    dialog.hide();
    dialog.setAutoFillBackground(filled);
    dialog.setParent(parent, flags);
    dialog.setPalette(ownPalette ? paletteBefore : QPalette());
    dialog.setFont(ownFont ? fontBefore : QFont());
    return result;
}

}  // namespace galimo
