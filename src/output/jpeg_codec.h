#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture as a baseline colour (YCbCr) JPEG with libjpeg's standard tables scaled to
// `quality`, which is kept within 1..100; from quality 90 up the colour keeps full resolution
// (4:4:4), below it is subsampled as libjpeg does by default (4:2:0). Throws std::runtime_error
// when the picture is empty or libjpeg fails.
QByteArray encodeJpeg(const QImage& picture, int quality);

// The JPEG quality a person starts from: the quality dialog's bar at first, and --output without
// --quality.
constexpr int StartingJpegQuality = 85;

// A whole JPEG picture at full size, in `format` (Format_RGB32 or Format_BGR888), whatever its
// own colour space: gray, colour, or printers' ink (CMYK, YCCK). Throws std::runtime_error with
// libjpeg's description of the problem for anything but a complete JPEG whose pixels are all
// there; also for a picture beyond the pixel budget (checked before anything is allocated) and for
// a progressive file with endless scans.
QImage decodeJpeg(const QByteArray& data, QImage::Format format = QImage::Format_RGB32);

// decodeJpeg() of a regular file's contents; also throws std::runtime_error when it is no regular
// file, larger than the budget, or cannot be read.
QImage readJpegFile(const QString& path, QImage::Format format = QImage::Format_RGB32);

// readJpegFile() into `picture`, whose memory is used again when it already has the size and
// format, so that a run of files of one size takes no new memory; `file` is kept for the file's
// bytes in the same way.
void readJpegFileInto(const QString& path, QImage::Format format, QImage& picture,
                      QByteArray& file);
