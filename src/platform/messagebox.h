// The message box seam: the product shows Qt's message boxes, tests record the calls.
#pragma once

#include <string>

namespace galimo {

enum class MessageIcon { Error, Warning, Information };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // A modal box with one OK button.
    virtual void Show(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
};

// The box in force; Qt's by default.
IMessageBox& MessageBox();
// Replaces the box in force (tests); nullptr puts Qt's back. Returns the previous one.
IMessageBox* SetMessageBox(IMessageBox* box);

class QtMessageBox : public IMessageBox {
public:
    void Show(const std::string& caption, const std::string& text, MessageIcon icon) override;
};

}  // namespace galimo
