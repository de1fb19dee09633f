#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>

// The font that every new drawing surface starts with: the desktop's user-interface face, in
// regular style, at `points` converted to pixels at the screen's resolution (8 points are 11
// pixels at 96 dots per inch). A picture of `scale` device pixels to a logical one gets the
// resolution of its device pixels (8 points are 21 pixels at 200 %). Zero or fewer points
// leave the face's default height.
QFont surfaceFont(int points, qreal scale = 1.0);

// Pixel height of a font of `points` points at `dotsPerInch`, rounded as Windows does.
int pointsToPixels(int points, double dotsPerInch);

// Draws one line of text with the upper-left corner of its cell at `topLeft`, cut off only by
// the picture's edges. Opaque: the cell behind the characters is filled with white first;
// otherwise the picture shows between the letters.
void drawTextCell(QImage& picture, QPoint topLeft, const QString& text, const QFont& font,
                  const QColor& color, bool opaque);
