// TFperso: the personalisation dialog, reached from the about box. Created once: the
// edits keep what was typed for the rest of the run.
#pragma once

#include "ui_fperso.h"

#include <QDialog>
#include <QString>

namespace galimo {

class TFperso : public QDialog, public Ui::FpersoForm {
    Q_OBJECT
public:
    explicit TFperso(QWidget* parent = nullptr);

    QString StartFolder;
    QByteArray StartFolderBytes;  // StartFolder as the file system spells it

    void FormCreate();
    void SpeedButton1Click();
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace galimo
