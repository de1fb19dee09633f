#include "edit/text_place.h"

#include <cmath>

namespace
{

// Rounded to the nearest integer, halves to the even neighbour.
int roundedHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

QPoint textStart(int width, int height, Across across, Down down)
{
    int x = 5;
    if (across == Across::Quarter)
        x = roundedHalfEven(width / 4.0);
    else if (across == Across::Half)
        x = roundedHalfEven(width / 2.0);
    else if (across == Across::ThreeQuarters)
        x = roundedHalfEven((3 * width) / 4.0);
    int y = 5;
    if (down == Down::Middle)
        y = roundedHalfEven(height / 2.0);
    else if (down == Down::Bottom)
        y = height - 30;
    return QPoint(x, y);
}
