#include "edit/selection.h"

#include <algorithm>

Edges NormalizeSelection(QPoint start, QPoint end)
{
    return Edges{std::min(start.x(), end.x()), std::min(start.y(), end.y()),
                 std::max(start.x(), end.x()), std::max(start.y(), end.y())};
}

bool drawnFromUpperLeft(const Edges& band)
{
    return band.Left <= band.Right && band.Top <= band.Bottom;
}

QImage cropPicture(const QImage& source, const Edges& crop)
{
    const int width = crop.Right - crop.Left, height = crop.Bottom - crop.Top;
    if (width <= 0 || height <= 0)
        return QImage();
    return source.copy(crop.Left, crop.Top, width, height);
}

namespace
{

void invertDot(QImage& picture, int x, int y)
{
    if (x < 0 || y < 0 || x >= picture.width() || y >= picture.height())
        return;
    auto* row = reinterpret_cast<quint32*>(picture.scanLine(y));
    row[x] ^= 0x00FFFFFFu;
}

} // namespace

void drawFocusRect(QImage& picture, const Edges& band)
{
    // the frame runs over the band's normalised outline, every other pixel, each pixel once
    const Edges r = NormalizeSelection({band.Left, band.Top}, {band.Right, band.Bottom});
    if (picture.format() != QImage::Format_RGB32 || r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    for (int x = r.Left; x < r.Right; x += 2) {
        invertDot(picture, x, r.Top);
        if (r.Bottom - 1 > r.Top)
            invertDot(picture, x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        if ((y - r.Top) % 2)
            continue;
        invertDot(picture, r.Left, y);
        if (r.Right - 1 > r.Left)
            invertDot(picture, r.Right - 1, y);
    }
}
