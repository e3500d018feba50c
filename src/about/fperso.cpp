#include "about/fperso.h"

#include "platform/errorhandler.h"
#include "platform/formprops.h"

#include <QDir>

namespace galimo {

TFperso::TFperso(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    // A dialog border and a caption, but no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    ApplyFormProperties(this);
    setModal(true);
    setFixedSize(280, 163);
    ConnectGuarded(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    FormCreate();
}

void TFperso::FormCreate()
{
    StartFolder = QDir::currentPath();
    if (!StartFolder.endsWith('/')) StartFolder += '/';
}

void TFperso::SpeedButton2Click() { close(); }

}  // namespace galimo
