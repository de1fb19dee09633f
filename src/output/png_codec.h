#pragma once

#include <QByteArray>
#include <QImage>

// The picture as an 8-bit RGB PNG (colour type 2) without alpha: pixels keep their stored
// colour whatever their transparency. Throws std::runtime_error when the picture is empty or
// libpng fails.
QByteArray encodePng(const QImage& picture);
