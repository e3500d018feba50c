// The one boundary where exceptions stop. Every signal-to-handler connection and every
// paint of a picture runs through Guard, so nothing unwinds through Qt's frames; what is
// caught goes to the application's handler: a message box captioned with the
// application title, an error icon, one OK button.
#pragma once

#include <QObject>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

namespace galimo {

// The text the handler shows: the message with "." appended when its last character
// sorts after "." (so "Erreur JPEG #53" and "Quoi ?" gain one, "Fin." and "Oh !" do not).
std::string ErrorBoxText(const std::string& message);

// The message of the exception in flight, as the handler would show it before the rule's
// "." (call from a catch block).
std::string CurrentExceptionMessage();

// The application's default handler: shows the message of the exception in flight
// (call from a catch block). EAbort shows nothing.
void HandleCurrentException() noexcept;

// The title every error box carries ("Galimo" once the main block has set it).
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// Runs fn; anything it throws goes to the application's handler. Returns true when fn
// completed without an exception.
template <typename F>
bool Guard(F&& fn) noexcept
{
    try {
        std::forward<F>(fn)();
        return true;
    } catch (...) {
        HandleCurrentException();
        return false;
    }
}

// A handler wrapped in the boundary. It takes exactly the argument lists the handler
// takes (the signal's arguments, a prefix of them, or none), and says so in its signature,
// so Qt's check of how many arguments to pass works by overload resolution alone.
template <typename Handler>
struct GuardedHandler {
    Handler handler;
    template <typename... Args>
    auto operator()(Args&&... args) -> decltype(std::declval<Handler&>()(std::forward<Args>(args)...), void())
    {
        Guard([&] { handler(std::forward<Args>(args)...); });
    }
};

// Connects a signal to a handler through the boundary.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, QObject* context, Handler handler)
{
    return QObject::connect(sender, signal, context, GuardedHandler<Handler>{std::move(handler)});
}

}  // namespace galimo
