#include "platform/errorhandler.h"

#include "platform/exceptions.h"
#include "platform/messagebox.h"

#include <new>

namespace galimo {

namespace {
std::string& Title()
{
    static std::string title = "Galimo";
    return title;
}
}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }
const std::string& ApplicationTitle() { return Title(); }

std::string ErrorBoxText(const std::string& message)
{
    // Compared as the byte it is: letters, digits and most punctuation sort after '.',
    // while ' ', '!', '?'... do not; an empty message stays empty.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

void HandleCurrentException() noexcept
{
    std::string text;
    try {
        throw;
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        text = e.Message();
    } catch (const std::bad_alloc&) {
        text = "Mémoire insuffisante";
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "Erreur inconnue";
    }
    try {
        MessageBox().Show(ApplicationTitle(), ErrorBoxText(text), MessageIcon::Error);
    } catch (...) {
        // Nothing sensible remains to do when the box itself fails.
    }
}

}  // namespace galimo
