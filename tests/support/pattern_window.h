#pragma once

#include <QPainter>
#include <QWidget>

namespace fgtest
{

// A borderless window of known colours at a known place on the screen: four pure quadrants and
// a gradient strip, so that any shift, scaling or colour change shows up.
class PatternWindow : public QWidget
{
public:
    explicit PatternWindow(const QRect& geometry)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(geometry);
    }

    static QRgb expectedAt(QPoint local, QSize size)
    {
        if (local.y() >= size.height() - 10)
            return qRgb(local.x() & 0xFF, 255 - (local.x() & 0xFF), 77);
        const bool right = local.x() >= size.width() / 2, lower = local.y() >= size.height() / 2;
        static const QRgb quadrants[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                         qRgb(255, 255, 0)};
        return quadrants[(lower ? 2 : 0) + (right ? 1 : 0)];
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QImage picture(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                picture.setPixel(x, y, expectedAt(QPoint(x, y), size()));
        QPainter(this).drawImage(0, 0, picture);
    }
};

} // namespace fgtest
