// TPanel: a panel with a raised outer bevel and a lowered inner one, each bevelWidth wide.
#pragma once

#include <QFrame>

namespace galimo {

class TPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int bevelWidth READ BevelWidth WRITE SetBevelWidth)
public:
    explicit TPanel(QWidget* parent = nullptr) : QFrame(parent) {}
    int BevelWidth() const { return bevelWidth; }
    void SetBevelWidth(int value)
    {
        bevelWidth = value;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int bevelWidth = 1;
};

}  // namespace galimo
