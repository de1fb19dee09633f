#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// A rectangle as the selection keeps it: Left/Top where the band started, Right/Bottom where it
// was last tracked; for a crop, right and bottom are exclusive.
struct Edges {
    qint32 Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const Edges&) const = default;
};

// The crop rectangle of a band pressed at `start` and released at `end`: the smaller of each
// pair of coordinates on the left and top, the larger on the right and bottom.
Edges NormalizeSelection(QPoint start, QPoint end);

// Whether a band was drawn from its upper left towards its lower right (or not moved at all).
bool drawnFromUpperLeft(const Edges& band);

// The pixels of `crop` (right and bottom exclusive) copied one to one; an empty rectangle gives
// an empty picture.
QImage cropPicture(const QImage& source, const Edges& crop);

// Draws the dotted focus frame of `band` by inverting pixels, so that drawing the same band a
// second time restores what was under it.
void drawFocusRect(QImage& picture, const Edges& band);
