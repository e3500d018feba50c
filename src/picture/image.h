// TImage: the image control. It holds a TPicture, sizes itself to it (AutoSize) or draws
// it scaled to its own area (Stretch), and raises Clicked. Painting runs through the
// error boundary: a picture that fails to draw reports once and paints nothing.
#pragma once

#include "picture/picture.h"

#include <QWidget>

namespace galimo {

class TImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool autoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool stretch READ Stretch WRITE SetStretch)
public:
    explicit TImage(QWidget* parent = nullptr);

    TPicture& Picture() { return picture; }
    const TPicture& Picture() const { return picture; }

    bool AutoSize() const { return autoSize; }
    void SetAutoSize(bool value);
    bool Stretch() const { return stretch; }
    void SetStretch(bool value);
    bool Transparent() const { return transparent; }
    void SetTransparent(bool value);
    int Tag() const { return tag; }
    void SetTag(int value) { tag = value; }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PictureChanged();
    void ApplyAutoSize();

    TPicture picture;
    bool autoSize = false;
    bool stretch = false;
    bool transparent = false;
    bool pressed = false;
    bool drawFailed = false;  // a graphic that failed to draw is not tried on every paint
    int tag = 0;
};

}  // namespace galimo
