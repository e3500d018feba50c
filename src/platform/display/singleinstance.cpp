#include "platform/display/singleinstance.h"

#include "platform/display/screenplan.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include <poll.h>
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

// The abstract namespace has no owners: any account can take a name first. So the key has
// a few slots; a start looks at them all for a holder of its own user (the kernel says who
// listens) and takes the first free one only when there is none.
constexpr int kSlots = 8;
// How long a second start may spend asking the first to come forward.
constexpr std::chrono::milliseconds kAnswerTime{1000};

// The abstract address of a slot: a leading NUL, then the name, no terminator.
socklen_t Address(const QByteArray& key, int slot, sockaddr_un& address)
{
    const QByteArray name = key + '-' + QByteArray::number(slot);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::size_t n = std::min<std::size_t>(std::size_t(name.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.constData(), n);
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + n);
}

std::optional<uid_t> PeerUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return std::nullopt;
    return peer.uid;
}

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::max<long long>(left, 0));
}

class Fd {
public:
    explicit Fd(int fd) : fd(fd) {}
    ~Fd()
    {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd; }
    int Release() { return std::exchange(fd, -1); }

private:
    int fd;
};

enum class Slot { Free, Others, Answered, Silent };

// Asks the holder of a slot, if it is ours, to come forward; never waits past the deadline.
// A connection is the whole request; the holder's one byte back says it has been done.
Slot Ask(const sockaddr_un& address, socklen_t length, Clock::time_point deadline)
{
    for (;;) {
        Fd client(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (client.Get() < 0) return Slot::Free;
        if (::connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
            // A queue full of waiting starts: the holder takes none, which is not answering.
            if (errno == EAGAIN && MillisecondsLeft(deadline) > 0) {
                poll(nullptr, 0, std::min(20, MillisecondsLeft(deadline)));
                continue;
            }
            return errno == EAGAIN ? Slot::Silent : Slot::Free;
        }
        const std::optional<uid_t> holder = PeerUser(client.Get());
        if (!holder || *holder != getuid()) return Slot::Others;
        pollfd answer{client.Get(), POLLIN, 0};
        char byte = 0;
        while (poll(&answer, 1, MillisecondsLeft(deadline)) < 0 && errno == EINTR) {
        }
        const ssize_t got = recv(client.Get(), &byte, 1, MSG_DONTWAIT);
        if (got == 1) return Slot::Answered;
        return got == 0 ? Slot::Free : Slot::Silent;  // closed without a word: it is ending
    }
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
    const QByteArray key = DisplayKey();
    const Clock::time_point deadline = Clock::now() + kAnswerTime;
    // A holder that ends while we look leaves its slot free: a few rounds settle it.
    for (int round = 0; round < 3; ++round) {
        int free = -1;
        for (int slot = 0; slot < kSlots; ++slot) {
            sockaddr_un address;
            const socklen_t length = Address(key, slot, address);
            switch (Ask(address, length, deadline)) {
            case Slot::Free:
                if (free < 0) free = slot;
                break;
            case Slot::Others: break;  // another user's: neither theirs to answer nor ours to wait for
            case Slot::Answered: return false;
            case Slot::Silent:
                std::fprintf(stderr, "galimo: un Galimo déjà ouvert sur cet écran ne répond pas ; rien n'a été changé\n");
                silent = true;
                return false;
            }
        }
        if (free < 0) return true;  // every slot held by others: run, unguarded
        sockaddr_un address;
        const socklen_t length = Address(key, free, address);
        // Close-on-exec: a mail program started from the about box must not keep the name.
        Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (fd.Get() < 0) return true;
        if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), length) == 0 && listen(fd.Get(), SOMAXCONN) == 0) {
            listening = fd.Release();
            notifier = new QSocketNotifier(listening, QSocketNotifier::Read);
            connect(notifier, &QSocketNotifier::activated, this, &TSingleInstance::Accept);
            return true;
        }
        if (errno != EADDRINUSE) return true;  // no name to hold: run as the only one
    }
    return true;
}

int TSingleInstance::SecondStartCode() const { return silent ? 1 : 0; }

void TSingleInstance::Accept()
{
    for (;;) {
        Fd client(accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (client.Get() < 0) break;
        // Only our own user's starts are answered; one that gave up waiting is past helping.
        const std::optional<uid_t> peer = PeerUser(client.Get());
        char byte = 0;
        const ssize_t gone = recv(client.Get(), &byte, 1, MSG_DONTWAIT);
        if (!peer || *peer != getuid() || gone == 0) continue;
        emit Wanted();
        send(client.Get(), "!", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
}

}  // namespace galimo
