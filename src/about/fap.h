// TFap: the about box. Borderless, centred, shown modally from the main window.
#pragma once

#include "ui_fap.h"

#include <QDialog>
#include <QString>

namespace galimo {

class TFap : public QDialog, public Ui::FapForm {
    Q_OBJECT
public:
    explicit TFap(QWidget* parent = nullptr);

    QString StartFolder;

    void FormCreate();
    void AproposClick();
    // Fills the three lines, the mail picture's hint and the address from the
    // personalisation file; until that file is read the box shows no line.
    void FillAboutBox();
};

}  // namespace galimo
