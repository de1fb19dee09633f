#pragma once

#include <QColor>
#include <QPoint>

// Where a line of text starts across and down the picture.
enum class Across { LeftSide, Quarter, Half, ThreeQuarters };
enum class Down { Top, Middle, Bottom };

// The upper-left corner of the text's cell on a picture of width x height: 5 pixels in from the
// left or the top, a fraction of the size rounded (halves to the even neighbour), or 30 pixels
// above the bottom edge (which lies above the picture when it is less than 30 high).
QPoint textStart(int width, int height, Across across, Down down);

// A 00BBGGRR colour value as a colour.
inline QColor colourFromBgr(qint32 value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
