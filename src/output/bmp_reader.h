#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture of a Windows or OS/2 bitmap file (OS/2 headers may be cut short): 1, 2, 4 and 8
// bits with a palette (RLE4 and RLE8 too; of a palette longer than the pixels can index the
// first colours are used), 16 and 32 bits with or without bit fields, 24 bits; rows bottom-up or
// top-down. 24-bit files come out as Format_BGR888 (their own rows), all others as Format_RGB32;
// alpha is dropped. Throws std::runtime_error saying what is wrong for anything else: a damaged
// header, palette or masks, a picture beyond the pixel budget, pixel data that is cut off or points
// outside the palette, an RLE stream without its end or one that jumps past a row's end or runs
// past the last row.
QImage decodeBmp(const QByteArray& file);

// decodeBmp() of a regular file; throws std::runtime_error "Unable to read <path>: <why>".
QImage readBmpFile(const QString& path);
