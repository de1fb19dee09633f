#pragma once

#include <QByteArray>
#include <QImage>

// The formats a picture is written in, by the save buttons and by --output alike.
enum class FileFormat { Png, Jpeg, Bitmap };

// `picture` as the bytes of a file in `format`; `quality` (1 to 100) is for a JPEG alone. Throws
// std::runtime_error when the picture is empty or cannot be encoded.
QByteArray encode(const QImage& picture, FileFormat format, int quality);
