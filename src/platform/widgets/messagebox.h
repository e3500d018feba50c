// The message box seam: the product shows Qt's message boxes, tests record the calls.
#pragma once

#include "platform/core/seam.h"

#include <string>

namespace galimo {

enum class MessageIcon { Error, Warning, Information };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // A modal box with one OK button.
    virtual void Show(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
};

// Qt's box unless a test has put its own.
template <> IMessageBox& TSeam<IMessageBox>::System();
inline IMessageBox& MessageBox() { return TSeam<IMessageBox>::Current(); }

class QtMessageBox : public IMessageBox {
public:
    void Show(const std::string& caption, const std::string& text, MessageIcon icon) override;
};

}  // namespace galimo
