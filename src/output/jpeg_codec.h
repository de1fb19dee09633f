#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture as a baseline colour (YCbCr) JPEG with libjpeg's standard tables scaled to
// `quality`, which is kept within 1..100. Throws std::runtime_error when the picture is empty
// or libjpeg fails.
QByteArray encodeJpeg(const QImage& picture, int quality);

// A whole JPEG picture at full size, in Format_RGB32. Anything but a complete, undamaged JPEG
// throws std::runtime_error with libjpeg's description of the problem.
QImage decodeJpeg(const QByteArray& data);

// decodeJpeg() of the file's contents; also throws std::runtime_error when it cannot be read.
QImage readJpegFile(const QString& path);
