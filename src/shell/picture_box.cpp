#include "shell/picture_box.h"

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
