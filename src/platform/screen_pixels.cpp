#include "platform/screen_pixels.h"

#include "platform/screen_capture.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

namespace platform
{

namespace
{

// Desktops offer their scales in steps of 5 % (KDE; GNOME's and sway's usual ones are among
// them), and round their logical sizes, which only a measurement of the scale shows: 2560
// pixels at 150 % may be 1706 or 1707 logical ones.
constexpr qreal ScaleSteps = 20;

// Products of a logical coordinate and a scale come out a hair off the device pixel they name
// (266.6667 x 1.5); this much is still that pixel.
constexpr qreal PixelSlack = 1e-3;

int pixelFloor(qreal at)
{
    return qFloor(at + PixelSlack);
}

int pixelCeil(qreal at)
{
    return qCeil(at - PixelSlack);
}

// Qt's whole layout and its primary screen, in logical coordinates.
QRect qtLayout()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect();
}

QRect qtPrimary()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

} // namespace

QRect ScreenPixels::toDevice(const QRectF& layout) const
{
    const QPointF from = (layout.topLeft() - logical.topLeft()) * layoutScale;
    const QPointF to = (layout.bottomRight() - logical.topLeft()) * layoutScale; // exclusive
    return QRect(QPoint(pixelFloor(from.x()), pixelFloor(from.y())),
                 QPoint(pixelCeil(to.x()) - 1, pixelCeil(to.y()) - 1));
}

ScreenPixels pixelsByFactor(const QRect& logical, const QRect& device, qreal factor)
{
    const qreal scale = factor > 0 ? factor : 1.0;
    return ScreenPixels{logical, device, scale, scale};
}

ScreenPixels pixelsOfLayoutPicture(const QRect& layout, const QRect& primary, QSize picture,
                                   qreal bufferScale)
{
    if (layout.isEmpty() || picture.isEmpty())
        return ScreenPixels{primary, QRect(QPoint(), picture), 1.0, 1.0};
    const qreal measured = qreal(picture.width()) / layout.width();
    const qreal steps = qMax<qreal>(1, qRound(measured * ScaleSteps)) / ScaleSteps;
    const qreal surface = steps == 1.0 && bufferScale > 1 ? bufferScale : steps;
    ScreenPixels pixels{layout, QRect(QPoint(), picture), surface, steps};
    if (primary == layout || primary.isEmpty()) // one screen: the picture is all of it
        return pixels;
    pixels.device = pixels.toDevice(primary).intersected(QRect(QPoint(), picture));
    pixels.logical = primary;
    return pixels;
}

QPoint devicePixelAt(QPointF onSurface, qreal scale)
{
    return QPoint(pixelFloor(onSurface.x() * scale), pixelFloor(onSurface.y() * scale));
}

QSize logicalSizeFor(QSize pixels, qreal scale)
{
    return QSize(pixelCeil(pixels.width() / scale), pixelCeil(pixels.height() / scale));
}

ScreenPixels LayoutPixels::current() const
{
    if (!told_.device.isEmpty() && told_.logical == qtPrimary())
        return told_;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal factor = screen ? screen->devicePixelRatio() : 1.0;
    const QRect layout = qtLayout();
    return pixelsOfLayoutPicture(
        layout, qtPrimary(),
        QSize(qRound(layout.width() * factor), qRound(layout.height() * factor)));
}

void LayoutPixels::learnFrom(const QImage& everything)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    told_ = pixelsOfLayoutPicture(qtLayout(), qtPrimary(), everything.size(),
                                  screen ? screen->devicePixelRatio() : 1.0);
}

QImage LayoutPixels::primaryOf(const QImage& everything)
{
    learnFrom(everything);
    return cutOut(everything, told_.device);
}

QImage LayoutPixels::cut(const QImage& everything, const QRect& area)
{
    learnFrom(everything);
    return cutOut(everything, area.translated(told_.device.topLeft()));
}

} // namespace platform
