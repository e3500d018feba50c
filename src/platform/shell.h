// The shell's "open" action: hands an address ("mailto:...") to the desktop's program for
// it. Its result is not examined; tests catch the address with
// QDesktopServices::setUrlHandler.
#pragma once

class QString;
class QWidget;

namespace galimo {

void ShellOpen(QWidget* owner, const QString& address);

}  // namespace galimo
