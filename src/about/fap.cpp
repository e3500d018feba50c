#include "about/fap.h"

#include "about/fperso.h"
#include "about/persofile.h"
#include "gif/gifimage.h"
#include "platform/core/errorhandler.h"
#include "platform/files/filenames.h"
#include "platform/display/modal.h"
#include "platform/widgets/formprops.h"
#include "platform/core/shell.h"
#include "platform/files/stream.h"

#include <QFile>
#include <QMouseEvent>
#include <QScreen>

namespace galimo {

TFap::TFap(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    ApplyFormProperties(this);
    setModal(true);
    Apropos->setAutoFillBackground(true);
    // The hint shows whether or not the box is the active window.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    Guard([this] { LoadMailPicture(); });
    ConnectGuarded(SpeedButton1, &QToolButton::clicked, this, [this] { AproposClick(); });
    ConnectGuarded(Image1, &TImage::Clicked, this, [this] { Image1Click(); });
    ConnectGuarded(Bperso, &QToolButton::clicked, this, [this] { BpersoClick(); });
    Label5->installEventFilter(this);
    // The owner's lines are shown as typed, never read as markup.
    for (QLabel* line : {Label2, Label3, Label4}) line->setTextFormat(Qt::PlainText);
    // A failed read at start-up is shown; the box keeps what the read had set.
    Guard([this] { FormCreate(); });
}

void TFap::LoadMailPicture()
{
    QFile resource(":/about/mail.gif");
    if (!resource.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = resource.readAll();
    TMemoryStream stream(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    TGIFImage gif;
    gif.LoadFromStream(stream);
    Image1->Picture().Assign(&gif);
}

void TFap::FormCreate()
{
    StartFolderBytes = StartFolderFromCurrent();
    StartFolder = DisplayName(StartFolderBytes);
    setFixedSize(Apropos->size());
    // The panel paints every pixel of the window.
    setAttribute(Qt::WA_NoSystemBackground);
    FillAboutBox();
}

void TFap::showEvent(QShowEvent* event)
{
    CentreOverOwner(*this);
    QDialog::showEvent(event);
}

void TFap::FillAboutBox()
{
    Label2->clear();
    Label3->clear();
    Label4->clear();
    Image1->setToolTip(QString());
    MailAddress.clear();
    const std::string path = (StartFolderBytes + PersoFileName).toStdString();
    if (!PersoFileExists(path)) {
        Label2->clear();
        Label4->clear();
        Label3->clear();
        MailAddress.clear();
        Image1->hide();
        Bperso->show();
        return;
    }
    ReadPersoFile(path, [this](const PersoEntry& line) {
        switch (line.key) {
        case PersoKey::Ligne1: Label2->setText(line.value); break;
        case PersoKey::Ligne2: Label4->setText(line.value); break;
        case PersoKey::Ligne3: Label3->setText(line.value); break;
        case PersoKey::Hint: Image1->setToolTip(PlainHint(line.value)); break;
        default: break;
        }
        Image1->show();
        if (line.key == PersoKey::Mail) MailAddress = line.value;
    });
    Bperso->hide();
}

void TFap::AproposClick() { close(); }

void TFap::Image1Click()
{
    if (MailAddress.isEmpty()) return;
    Shell().Open(this, "mailto:" + MailAddress);
}

void TFap::Label4Click() { Shell().Open(this, QString("mailto:") + AuthorMail + " ?subject=Logiciel GALIMO"); }

void TFap::BpersoClick()
{
    if (!Fperso) return;
    ExecModal(*Fperso);
    FillAboutBox();
}

bool TFap::eventFilter(QObject* watched, QEvent* event)
{
    // A label has no click of its own: a left press released over it is one.
    if (watched == Label5 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Label5->rect().contains(mouse->position().toPoint()))
            Guard([this] { Label4Click(); });
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace galimo
