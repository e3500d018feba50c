#include "platform/core/errorhandler.h"

#include "platform/core/exceptions.h"
#include "platform/widgets/messagebox.h"

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
    // Compared as the byte it is: letters, digits, '?' and most punctuation sort after
    // '.', while ' ', '!', ',', '-'... do not; an empty message stays empty.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

std::string CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return "Mémoire insuffisante";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Erreur inconnue";
    }
}

void HandleCurrentException() noexcept
{
    try {
        try {
            throw;
        } catch (const EAbort&) {
            return;
        } catch (...) {
        }
        MessageBox().Show(ApplicationTitle(), ErrorBoxText(CurrentExceptionMessage()), MessageIcon::Error);
    } catch (...) {
        // Nothing sensible remains to do when the box itself fails.
    }
}

}  // namespace galimo
