// What the test programs share: one application object for the whole run, and a message
// box that records instead of showing.
#pragma once

#include "platform/messagebox.h"

#include <QApplication>
#include <string>
#include <vector>

namespace galimo::test {

// Made on first use and never destroyed: widgets and statics may outlive any order of
// static destruction. Offscreen unless the environment says otherwise.
inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "galimo-test";
    static char* argv[] = {name, nullptr};
    static QApplication& app = *new QApplication(argc, argv);
    return app;
}

struct RecordingMessageBox : IMessageBox {
    struct Call {
        std::string caption, text;
        MessageIcon icon;
    };
    std::vector<Call> calls;
    void Show(const std::string& caption, const std::string& text, MessageIcon icon) override
    {
        calls.push_back({caption, text, icon});
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const Call& c : calls) out.push_back(c.text);
        return out;
    }
};

// Puts a recording box in force for the lifetime of the guard.
class MessageBoxGuard {
public:
    explicit MessageBoxGuard(IMessageBox* box) : previous(SetMessageBox(box)) {}
    ~MessageBoxGuard() { SetMessageBox(previous); }
    MessageBoxGuard(const MessageBoxGuard&) = delete;
    MessageBoxGuard& operator=(const MessageBoxGuard&) = delete;

private:
    IMessageBox* previous;
};

}  // namespace galimo::test
