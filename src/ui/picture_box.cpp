#include "ui/picture_box.h"

#include "platform/screen_capture.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const QImage& picture)
{
    picture_ = picture;
    scale_ = platform::screenPixels().scale;
    update();
}

QSize PictureBox::sizeShowing(QSize pixels) const
{
    return platform::logicalSizeFor(pixels, platform::screenPixels().scale);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().window());
    // drawn in the picture's pixels: where Qt's scale is the screen's, each lands on its own
    // device pixel, copied rather than resampled
    painter.scale(1 / scale_, 1 / scale_);
    const QRect source = QRectF(QPointF(dirty.topLeft()) * scale_, QSizeF(dirty.size()) * scale_)
                             .toAlignedRect()
                             .intersected(picture_.rect());
    painter.drawImage(source.topLeft(), picture_, source);
}

QPoint PictureBox::pixelAt(const QMouseEvent* event) const
{
    const QPoint corner = platform::pointerPixel(mapToGlobal(QPointF()));
    return platform::pointerPixel(event->globalPosition()) - corner;
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT mousePressed(pixelAt(event));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(pixelAt(event));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    // the band ends when the last button held is let go
    if (event->buttons() == Qt::NoButton)
        Q_EMIT mouseReleased(pixelAt(event));
}
