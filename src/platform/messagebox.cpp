#include "platform/messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace galimo {

template <>
IMessageBox& TSeam<IMessageBox>::System()
{
    static QtMessageBox qt;
    return qt;
}

void QtMessageBox::Show(const std::string& caption, const std::string& text, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Error     ? QMessageBox::Critical
                    : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                   : QMessageBox::Information,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    // The main window stays on top of everything; the box must not hide beneath it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setTextFormat(Qt::PlainText);  // a file's name is shown as it is, never as markup
    box.exec();
}

}  // namespace galimo
