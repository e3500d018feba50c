// TFap: the about box. Borderless, centred over the main window, shown modally from the main
// window: three lines of the owner's, a mail picture that writes to the owner, a link
// that writes to the author and, while the medium has no personalisation file, a button
// that opens the personalisation dialog.
#pragma once

#include "ui_fap.h"

#include <QDialog>
#include <QString>

namespace galimo {

class TFperso;

// Where "Ecrire à l'auteur" writes to.
inline constexpr char AuthorMail[] = "auteur@example.org";

class TFap : public QDialog, public Ui::FapForm {
    Q_OBJECT
public:
    explicit TFap(QWidget* parent = nullptr);

    QString StartFolder;
    QByteArray StartFolderBytes;  // StartFolder as the file system spells it
    QString MailAddress;
    // The dialog "Cliquez pour personnaliser" opens; not owned.
    TFperso* Fperso = nullptr;

    void FormCreate();
    void AproposClick();
    void Image1Click();
    void Label4Click();
    void BpersoClick();
    // Fills the three lines, the mail picture's hint and the address from the
    // personalisation file; a failure keeps what was set before it and goes on up.
    void FillAboutBox();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadMailPicture();
};

}  // namespace galimo
