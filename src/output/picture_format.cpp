#include "output/picture_format.h"

#include "output/bmp_writer.h"
#include "output/jpeg_codec.h"
#include "output/png_codec.h"

QByteArray encode(const QImage& picture, FileFormat format, int quality)
{
    switch (format) {
    case FileFormat::Jpeg:
        return encodeJpeg(picture, quality);
    case FileFormat::Bitmap:
        return encodeBmp(picture);
    case FileFormat::Png:
        break;
    }
    return encodePng(picture);
}
