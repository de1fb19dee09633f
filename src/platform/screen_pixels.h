#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

// Where the primary screen lies in the two kinds of coordinates a session has: the logical ones
// of windows, the pointer and the desktop's layout (Qt's), and the device pixels its picture is
// made of. At 100 % both are the same; at 200 % one logical pixel covers two device pixels each
// way; under a compositor's fractional scale, one and a half.
namespace platform
{

struct ScreenPixels {
    QRect logical;     // the primary screen in the layout's logical coordinates
    QRect device;      // the primary screen in the device pixels of the picture it is cut from
    qreal scale = 1.0; // device pixels to one logical pixel of a window's surface
    // device pixels to one unit of the layout, where windows are placed; the surface's scale
    // but on GNOME, whose layout counts device pixels where it scales by whole numbers
    qreal layoutScale = 1.0;

    // `layout` (logical coordinates, as a compositor tells a window's place) in device pixels
    // from the primary screen's corner: where grabScreen and TopWindowRect count from.
    QRect toDevice(const QRectF& layout) const;
};

// Where Qt's scale is exact: on X11 Qt makes its logical coordinates from the server's pixels by
// that very factor (Xft.dpi, QT_SCALE_FACTOR), so the primary screen's device rectangle is the
// server's own.
ScreenPixels pixelsByFactor(const QRect& logical, const QRect& device, qreal factor);

// Where the compositor hands over one picture of the whole layout (`layout`, logical) of
// `picture` pixels: the scale is that of the picture to the layout, to the nearest of the 5 %
// steps desktops offer (their logical sizes are rounded), and the primary screen is the part of
// the picture that shows `primary`. A layout as large as the picture, where Qt draws its windows
// at `bufferScale` > 1, counts device pixels: the windows' surfaces have that scale.
ScreenPixels pixelsOfLayoutPicture(const QRect& layout, const QRect& primary, QSize picture,
                                   qreal bufferScale = 1.0);

// The device pixel under `onSurface`, a point of a surface (logical) that shows a picture of
// `scale` device pixels to a logical one from its corner.
QPoint devicePixelAt(QPointF onSurface, qreal scale);

// The logical size of a surface that shows `pixels` at `scale`, every pixel on it.
QSize logicalSizeFor(QSize pixels, qreal scale);

// The mapping that a compositor's pictures of the whole layout tell (the portal's, KWin's), kept
// from one picture to the next while the layout stays.
class LayoutPixels
{
public:
    // As the last picture told; before any, or once the layout changed, Qt's own scale, right
    // wherever the compositor's scale is a whole number and Qt speaks Wayland.
    ScreenPixels current() const;
    // Learns the mapping from a picture of the whole layout.
    void learnFrom(const QImage& everything);
    // The primary screen's part of a picture of the whole layout.
    QImage primaryOf(const QImage& everything);
    // `area` (device pixels from the primary screen's corner) of a picture of the whole layout.
    QImage cut(const QImage& everything, const QRect& area);

private:
    ScreenPixels told_;
};

} // namespace platform
