#include "about/panel.h"

#include <QPainter>

namespace galimo {

namespace {
// One ring of a bevel: top and left in one colour, bottom and right in the other.
void Ring(QPainter& p, QRect r, const QColor& topLeft, const QColor& bottomRight)
{
    p.fillRect(r.left(), r.top(), r.width(), 1, topLeft);
    p.fillRect(r.left(), r.top(), 1, r.height(), topLeft);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    p.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
}
}  // namespace

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    QRect r = rect();
    for (int i = 0; i < bevelWidth; ++i, r.adjust(1, 1, -1, -1)) Ring(p, r, light, shadow);
    for (int i = 0; i < bevelWidth; ++i, r.adjust(1, 1, -1, -1)) Ring(p, r, shadow, light);
}

}  // namespace galimo
