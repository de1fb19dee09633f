#include "ui/picture_box.h"

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
    update();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().window());
    painter.drawImage(dirty.topLeft(), picture_, dirty);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT mousePressed(event->position().toPoint());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(event->position().toPoint());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    // the band ends when the last button held is let go
    if (event->buttons() == Qt::NoButton)
        Q_EMIT mouseReleased(event->position().toPoint());
}
