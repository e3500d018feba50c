#include "platform/widgets/dxform.h"

namespace galimo {

TDXForm::TDXForm(QWidget* parent) : QWidget(parent, Qt::Window) {}

}  // namespace galimo
