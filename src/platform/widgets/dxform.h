// TDXForm: the form base of the main window. The main window is the program's one
// task-bar entry; the other windows are transient dialogs of it.
#pragma once

#include <QWidget>

namespace galimo {

class TDXForm : public QWidget {
    Q_OBJECT
public:
    explicit TDXForm(QWidget* parent = nullptr);
};

}  // namespace galimo
