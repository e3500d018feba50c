#include "picture/image.h"

#include "platform/core/errorhandler.h"

#include <QMouseEvent>
#include <QPainter>

namespace galimo {

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    picture.OnChange = [this] { PictureChanged(); };
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImage::SetAutoSize(bool value)
{
    autoSize = value;
    ApplyAutoSize();
}

void TImage::SetStretch(bool value)
{
    if (stretch == value) return;
    stretch = value;
    update();
}

void TImage::SetTransparent(bool value)
{
    transparent = value;
    if (TGraphic* g = picture.Graphic(); g && !g->KeepsOwnTransparency()) g->SetTransparent(value);
    update();
}

void TImage::ApplyAutoSize()
{
    if (autoSize && picture.Width() > 0 && picture.Height() > 0) resize(picture.Width(), picture.Height());
}

void TImage::PictureChanged()
{
    drawFailed = false;
    if (TGraphic* g = picture.Graphic(); g && !g->KeepsOwnTransparency()) g->SetTransparent(transparent);
    ApplyAutoSize();
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    TGraphic* graphic = picture.Graphic();
    if (!graphic || drawFailed) return;
    QPainter painter(this);
    TCanvas canvas(&painter);
    const TRect rect = stretch ? TRect{0, 0, width(), height()} : TRect{0, 0, graphic->Width(), graphic->Height()};
    if (!Guard([&] { canvas.StretchDraw(rect, graphic); })) drawFailed = true;
}

void TImage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) pressed = true;
    QWidget::mousePressEvent(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed = false;
    QWidget::mouseReleaseEvent(event);
    if (click) emit Clicked();
}

}  // namespace galimo
