#include "platform/shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace galimo {

void ShellOpen(QWidget*, const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

}  // namespace galimo
