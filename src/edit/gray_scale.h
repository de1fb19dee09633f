#pragma once

#include <QImage>

// Turns a picture to gray: each pixel becomes the plain average of its red, green and blue
// (remainder dropped) plus `brightness`, clamped to 0..255. Pixels of exactly the colour of
// the picture's bottom-left pixel (its transparent colour) keep their colour.
//
// The result goes to `destination` when given, otherwise back into `source`; both may be the
// same picture. No source does nothing; an empty source gives an empty result.
void ConvertToGrayScale(QImage* source, QImage* destination, int brightness);
