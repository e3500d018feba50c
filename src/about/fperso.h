// TFperso: the personalisation dialog, reached from the about box.
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

    void FormCreate();
    void SpeedButton2Click();
};

}  // namespace galimo
