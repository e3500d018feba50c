#include "platform/dxform.h"

namespace galimo {

int TDXForm::counter = 0;

TDXForm::TDXForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    ++counter;
}

TDXForm::~TDXForm() { --counter; }

int TDXForm::Count() { return counter; }

void TDXForm::SystemCommand(int command)
{
    if (command == SC_MINIMIZE) showMinimized();
}

}  // namespace galimo
