#pragma once

#include <QByteArray>
#include <QImage>

// The picture as an uncompressed Windows bitmap (BITMAPINFOHEADER, BI_RGB, rows bottom-up):
// 24 bits per pixel for RGB888 pictures, 32 bits (the fourth byte 0) for everything else,
// alpha dropped. Throws std::runtime_error when the picture is empty or too large for the format.
QByteArray encodeBmp(const QImage& picture);

// The same into `bytes`, whose memory is used again when it is large enough.
void encodeBmpInto(const QImage& picture, QByteArray& bytes);
