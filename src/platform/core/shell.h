// The shell seam: the "open" action that hands an address ("mailto:...") to the desktop's
// program for it. Its result is not examined. Tests put a recording shell in its place.
#pragma once

#include "platform/core/seam.h"

class QString;
class QWidget;

namespace galimo {

class IShell {
public:
    virtual ~IShell() = default;
    virtual void Open(QWidget* owner, const QString& address) = 0;
};

// The desktop's own unless a test has put its own.
template <> IShell& TSeam<IShell>::System();
inline IShell& Shell() { return TSeam<IShell>::Current(); }

// Through QDesktopServices (xdg-open on this platform).
class QtShell : public IShell {
public:
    void Open(QWidget* owner, const QString& address) override;
};

}  // namespace galimo
