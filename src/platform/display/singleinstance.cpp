#include "platform/display/singleinstance.h"

#include "platform/display/screenplan.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace galimo {

namespace {

// The display as its clients name it: one name per user and display, whatever the medium.
QByteArray DisplayKey()
{
    const TWindowing windowing = ScreenPlan().Windowing;
    const QByteArray platform = windowing == TWindowing::Wayland ? "wayland" : windowing == TWindowing::X11 ? "xcb" : "other";
    QByteArray display;
    if (windowing == TWindowing::Wayland) {
        // A relative socket name lives in the user's runtime folder.
        display = qgetenv("WAYLAND_DISPLAY");
        if (display.isEmpty()) display = "wayland-0";
        if (!display.startsWith('/')) display = qgetenv("XDG_RUNTIME_DIR") + '/' + display;
    } else {
        display = qgetenv("DISPLAY");
        // ":0" and ":0.0" are one display.
        const int colon = display.lastIndexOf(':'), dot = display.lastIndexOf('.');
        if (colon >= 0 && dot > colon) display.truncate(dot);
    }
    const QByteArray key = platform + ' ' + QByteArray::number(getuid()) + ' ' + display;
    return "galimo-" + QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
}

// The abstract address: a leading NUL, then the name, no terminator.
socklen_t Address(const QByteArray& key, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::size_t n = std::min<std::size_t>(std::size_t(key.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, key.constData(), n);
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + n);
}

}  // namespace

TSingleInstance::TSingleInstance() = default;

TSingleInstance::~TSingleInstance()
{
    delete notifier;
    if (listening >= 0) close(listening);
}

bool TSingleInstance::Claim()
{
    sockaddr_un address;
    const socklen_t length = Address(DisplayKey(), address);
    // A holder that ends while we ask leaves the name free: a few rounds settle it.
    for (int round = 0; round < 3; ++round) {
        // Close-on-exec: a mail program started from the about box must not keep the name.
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return true;
        if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 && listen(fd, 4) == 0) {
            listening = fd;
            notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
            connect(notifier, &QSocketNotifier::activated, this, &TSingleInstance::Accept);
            return true;
        }
        const int error = errno;
        close(fd);
        if (error != EADDRINUSE) return true;  // no name to hold: run as the only one
        // Another Galimo holds the display: a connection is the whole message.
        const int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (client < 0) return false;
        const bool told = ::connect(client, reinterpret_cast<const sockaddr*>(&address), length) == 0;
        close(client);
        if (told) return false;
    }
    return false;
}

void TSingleInstance::Accept()
{
    for (;;) {
        const int client = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) break;
        close(client);
        emit Wanted();
    }
}

}  // namespace galimo
