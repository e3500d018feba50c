#include "platform/widgets/messagebox.h"

#include "platform/display/modal.h"

#include <QApplication>
#include <QMessageBox>

namespace galimo {

template <>
IMessageBox& TSeam<IMessageBox>::System()
{
    static QtMessageBox qt;
    return qt;
}

namespace {
// A box belongs to the window in use (a dialog), else to the main window: it opens over it,
// and a compositor that places windows itself puts it there too.
QWidget* Owner()
{
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return MainWindow();
}
}  // namespace

void QtMessageBox::Show(const std::string& caption, const std::string& text, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Error     ? QMessageBox::Critical
                    : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                   : QMessageBox::Information,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    Owner());
    // The main window stays on top of everything; the box must not hide beneath it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setTextFormat(Qt::PlainText);  // a file's name is shown as it is, never as markup
    ExecModal(box);
}

}  // namespace galimo
