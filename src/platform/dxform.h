// TDXForm: the form base of the main window. The main window is the program's one
// task-bar entry and minimises itself; the other windows are transient dialogs of it.
#pragma once

#include <QWidget>

namespace galimo {

class TDXForm : public QWidget {
    Q_OBJECT
public:
    explicit TDXForm(QWidget* parent = nullptr);
    ~TDXForm() override;

    // Live windows of this class and its descendants.
    static int Count();

    static constexpr int SC_MINIMIZE = 0xF020;
    // A system command: SC_MINIMIZE exactly (no masking of the low bits) minimises this
    // window itself; anything else takes the ordinary path (nothing to do here).
    void SystemCommand(int command);

private:
    static int counter;
};

}  // namespace galimo
