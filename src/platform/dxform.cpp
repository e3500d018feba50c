#include "platform/dxform.h"

namespace galimo {

TDXForm::TDXForm(QWidget* parent) : QWidget(parent, Qt::Window) {}

}  // namespace galimo
