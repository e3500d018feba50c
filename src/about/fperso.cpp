#include "about/fperso.h"

#include "about/persofile.h"
#include "platform/core/errorhandler.h"
#include "platform/files/filenames.h"
#include "platform/display/modal.h"
#include "platform/widgets/formprops.h"

#include <QScreen>

namespace galimo {

TFperso::TFperso(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    // A dialog border and a caption, but no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    ApplyFormProperties(this);
    setModal(true);
    setFixedSize(280, 163);
    ConnectGuarded(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    ConnectGuarded(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    FormCreate();
}

void TFperso::FormCreate()
{
    StartFolderBytes = StartFolderFromCurrent();
    StartFolder = DisplayName(StartFolderBytes);
}

void TFperso::showEvent(QShowEvent* event)
{
    CentreOverOwner(*this);
    QDialog::showEvent(event);
}

void TFperso::SpeedButton1Click()
{
    // A failure leaves the old file whole and the dialog open with the message.
    WritePersoFile((StartFolderBytes + PersoFileName).toStdString(),
                   {Edit1->text(), Edit2->text(), Edit3->text(), Edit5->text(), Edit4->text()});
    close();
}

void TFperso::SpeedButton2Click() { close(); }

}  // namespace galimo
