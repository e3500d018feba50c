#include "platform/core/shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace galimo {

template <>
IShell& TSeam<IShell>::System()
{
    static QtShell qt;
    return qt;
}

void QtShell::Open(QWidget*, const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

}  // namespace galimo
