#include "about/fap.h"

#include "platform/errorhandler.h"
#include "platform/formprops.h"

#include <QDir>

namespace galimo {

TFap::TFap(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    ApplyFormProperties(this);
    setModal(true);
    ConnectGuarded(SpeedButton1, &QToolButton::clicked, this, [this] { AproposClick(); });
    FormCreate();
}

void TFap::FormCreate()
{
    StartFolder = QDir::currentPath();
    if (!StartFolder.endsWith('/')) StartFolder += '/';
    setFixedSize(Apropos->size());
    FillAboutBox();
}

void TFap::FillAboutBox()
{
    // The form's placeholder texts never show.
    Label2->clear();
    Label3->clear();
    Label4->clear();
    Image1->setToolTip(QString());
}

void TFap::AproposClick() { close(); }

}  // namespace galimo
