#include "output/bmp_writer.h"

#include "output/picture_errors.h"

#include <QtEndian>

#include <cstring>
#include <limits>

namespace
{

constexpr qsizetype FileHeaderSize = 14;
constexpr qsizetype InfoHeaderSize = 40;
constexpr qsizetype PixelOffset = FileHeaderSize + InfoHeaderSize;
constexpr quint32 UncompressedRgb = 0; // BI_RGB

// Puts little-endian fields one after another.
class FieldWriter
{
public:
    explicit FieldWriter(char* at) : at(at) {}
    template <typename Field> FieldWriter& operator<<(Field value)
    {
        qToLittleEndian(value, at);
        at += sizeof value;
        return *this;
    }

private:
    char* at;
};

void writeHeaders(char* out, const QImage& picture, int bitsPerPixel, qsizetype pixelBytes)
{
    FieldWriter(out) << quint16(0x4D42) // "BM"
                     << quint32(PixelOffset + pixelBytes) << quint32(0) << quint32(PixelOffset)
                     << quint32(InfoHeaderSize) << qint32(picture.width())
                     << qint32(picture.height()) // positive: the rows go bottom-up
                     << quint16(1) << quint16(bitsPerPixel) << UncompressedRgb
                     << quint32(pixelBytes) << qint32(picture.dotsPerMeterX())
                     << qint32(picture.dotsPerMeterY()) << quint32(0) << quint32(0);
}

// Each row is padded to a whole number of 32-bit words.
qsizetype rowBytesFor(int width, int bitsPerPixel)
{
    return (qsizetype(width) * bitsPerPixel / 8 + 3) & ~qsizetype(3);
}

// BGR888 rows already are BMP's 24-bit rows; only their order and padding differ.
void write24BitRows(char* out, const QImage& bgr888, qsizetype rowBytes)
{
    const size_t pixelBytes = size_t(bgr888.width()) * 3;
    for (int y = 0; y < bgr888.height(); ++y) {
        char* row = out + y * rowBytes;
        std::memcpy(row, bgr888.constScanLine(bgr888.height() - 1 - y), pixelBytes);
        std::memset(row + pixelBytes, 0, size_t(rowBytes) - pixelBytes);
    }
}

// A 32-bit BMP pixel is a little-endian 0x00RRGGBB word.
void write32BitRows(char* out, const QImage& rgb32, qsizetype rowBytes)
{
    for (int y = 0; y < rgb32.height(); ++y) {
        const auto* pixels =
            reinterpret_cast<const quint32*>(rgb32.constScanLine(rgb32.height() - 1 - y));
        char* row = out + y * rowBytes;
        for (int x = 0; x < rgb32.width(); ++x)
            qToLittleEndian<quint32>(pixels[x] & 0x00FFFFFFu, row + 4 * qsizetype(x));
    }
}

} // namespace

QByteArray encodeBmp(const QImage& picture)
{
    QByteArray bytes;
    encodeBmpInto(picture, bytes);
    return bytes;
}

void encodeBmpInto(const QImage& picture, QByteArray& bytes)
{
    const bool threeBytes =
        picture.format() == QImage::Format_RGB888 || picture.format() == QImage::Format_BGR888;
    const QImage source =
        pictureToSave(picture, threeBytes ? QImage::Format_BGR888 : QImage::Format_RGB32);
    const int bitsPerPixel = threeBytes ? 24 : 32;
    const qsizetype rowBytes = rowBytesFor(source.width(), bitsPerPixel);
    const qsizetype pixelBytes = rowBytes * source.height();
    if (PixelOffset + pixelBytes > qsizetype(std::numeric_limits<quint32>::max()))
        throw std::runtime_error("The picture is too large for a BMP file.");
    bytes.resize(PixelOffset + pixelBytes);
    writeHeaders(bytes.data(), source, bitsPerPixel, pixelBytes);
    if (threeBytes)
        write24BitRows(bytes.data() + PixelOffset, source, rowBytes);
    else
        write32BitRows(bytes.data() + PixelOffset, source, rowBytes);
}
