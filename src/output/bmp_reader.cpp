#include "output/bmp_reader.h"

#include "output/picture_errors.h"
#include "platform/picture_files.h"

#include <QtEndian>

#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace
{

enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

constexpr qsizetype FileHeaderSize = 14;
constexpr quint32 CoreHeaderSize = 12; // OS/2 1.x and Windows 2: 16-bit sizes, 3-byte palette

[[noreturn]] void damaged(const QString& why)
{
    throw std::runtime_error(("The bitmap is damaged: " + why + ".").toStdString());
}

// Little-endian fields at checked places of the file.
class Fields
{
public:
    explicit Fields(const QByteArray& file) : file_(file) {}
    template <typename Field> Field at(qsizetype offset) const
    {
        if (offset < 0 || offset + qsizetype(sizeof(Field)) > file_.size())
            damaged("the file ends inside its header");
        return qFromLittleEndian<Field>(file_.constData() + offset);
    }

private:
    const QByteArray& file_;
};

// One colour channel of a packed pixel: where it lies and how to widen it to eight bits. Narrow
// channels repeat their bits (5 bits abcde become abcdeabc), so that full stays full.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;
    std::array<quint8, 256> widened{};

    static Channel of(quint32 mask)
    {
        Channel channel;
        channel.mask = mask;
        channel.shift = mask ? std::countr_zero(mask) : 0;
        channel.bits = std::popcount(mask);
        const quint32 top = mask >> channel.shift;
        if (mask && (top & (top + 1)) != 0)
            damaged("a colour mask has gaps between its bits");
        for (int value = 0; channel.bits > 0 && channel.bits <= 8 && value <= int(top); ++value) {
            int repeated = 0, have = 0;
            for (; have < 8; have += channel.bits)
                repeated = repeated << channel.bits | value;
            channel.widened[size_t(value)] = quint8(repeated >> (have - 8));
        }
        return channel;
    }
    int of8Bits(quint32 pixel) const
    {
        const quint32 value = (pixel & mask) >> shift;
        return bits <= 8 ? widened[value] : int(value >> (bits - 8));
    }
};

struct Header {
    qint64 width = 0;
    qint64 height = 0; // rows as stored
    bool topDown = false;
    int bitsPerPixel = 0;
    quint32 compression = Rgb;
    qsizetype pixelOffset = 0;
    qsizetype paletteOffset = 0;
    int paletteEntryBytes = 4;
    qint64 paletteCount = 0;
    std::array<Channel, 3> channels; // red, green, blue of 16- and 32-bit pixels
};

bool validDepth(int bits, quint32 compression)
{
    switch (compression) {
    case Rgb:
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
               bits == 32;
    case Rle8:
        return bits == 8;
    case Rle4:
        return bits == 4;
    case BitFields:
    case AlphaBitFields:
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

void readMasks(Header& header, const Fields& fields, quint32 headerSize)
{
    const bool packed = header.bitsPerPixel == 16 || header.bitsPerPixel == 32;
    if (!packed)
        return;
    if (header.compression == Rgb) {
        const bool five = header.bitsPerPixel == 16;
        header.channels = {Channel::of(five ? 0x7C00 : 0xFF0000),
                           Channel::of(five ? 0x3E0 : 0xFF00), Channel::of(five ? 0x1F : 0xFF)};
        return;
    }
    // the masks are part of longer headers, and follow the short one
    const qsizetype at = FileHeaderSize + 40;
    for (qsizetype i = 0; i < 3; ++i)
        header.channels[size_t(i)] = Channel::of(fields.at<quint32>(at + 4 * i));
    if (headerSize == 40)
        header.paletteOffset += header.compression == AlphaBitFields ? 16 : 12;
    const quint64 widest = header.bitsPerPixel == 16 ? 0xFFFF : 0xFFFFFFFF;
    for (const Channel& channel : header.channels)
        if (channel.mask == 0 || channel.mask > widest)
            damaged("a colour mask is empty or wider than the pixel");
}

// OS/2 1.x and Windows 2: 16-bit sizes, no compression and no colour count.
void readCoreHeader(Header& header, const Fields& fields)
{
    const qsizetype at = FileHeaderSize + 4;
    header.width = fields.at<quint16>(at);
    header.height = fields.at<quint16>(at + 2);
    header.bitsPerPixel = fields.at<quint16>(at + 6);
    header.paletteEntryBytes = 3;
    if (fields.at<quint16>(at + 4) != 1)
        damaged("it has more than one plane");
}

// OS/2 2.x headers (up to 64 bytes) may end after any field and Windows headers grow by versions;
// a field the header does not reach counts as zero.
struct InfoFields {
    const Fields& fields;
    quint32 size;
    template <typename Field> Field at(qsizetype offset) const
    {
        return offset + qsizetype(sizeof(Field)) > qsizetype(size)
                   ? Field(0)
                   : fields.at<Field>(FileHeaderSize + offset);
    }
};

constexpr quint32 ShortestInfoHeader = 16; // size, width, height, planes and bits per pixel
constexpr quint32 LongestInfoHeader = 124;

// OS/2 2.x headers are those shorter than Windows' first one, and the full 64 bytes. Their
// compressions 3 and 4 are Huffman and 24-bit runs, not the bit fields and JPEG of Windows.
bool isOs2InfoHeader(quint32 size)
{
    return size < 40 || size == 64;
}

void readInfoHeader(Header& header, const InfoFields info)
{
    header.width = info.at<qint32>(4);
    const qint32 height = info.at<qint32>(8);
    header.topDown = height < 0;
    header.height = qAbs(qint64(height));
    header.bitsPerPixel = info.at<quint16>(14);
    header.compression = info.at<quint32>(16);
    header.paletteCount = info.at<quint32>(32);
    if (info.at<quint16>(12) != 1)
        damaged("it has more than one plane");
    if (isOs2InfoHeader(info.size) && header.compression >= BitFields)
        damaged(QString("its OS/2 compression %1 is not supported").arg(header.compression));
}

Header readHeader(const QByteArray& file)
{
    const Fields fields(file);
    if (file.size() < FileHeaderSize + 4 || fields.at<quint16>(0) != 0x4D42)
        damaged("it does not begin as a bitmap file does");
    Header header;
    header.pixelOffset = fields.at<quint32>(10);
    const quint32 headerSize = fields.at<quint32>(FileHeaderSize);
    if (headerSize == CoreHeaderSize)
        readCoreHeader(header, fields);
    else if (headerSize >= ShortestInfoHeader && headerSize <= LongestInfoHeader)
        readInfoHeader(header, {fields, headerSize});
    else
        damaged(QString("its header has the unknown size %1").arg(headerSize));
    if (header.width <= 0 || header.height <= 0)
        damaged("it has no pixels");
    if (!validDepth(header.bitsPerPixel, header.compression))
        damaged(QString("%1 bits per pixel with compression %2 is no kind of bitmap")
                    .arg(header.bitsPerPixel)
                    .arg(header.compression));
    if (header.topDown && (header.compression == Rle4 || header.compression == Rle8))
        damaged("compressed rows cannot go top-down");
    requireWithinBudget(header.width, header.height);
    header.paletteOffset = FileHeaderSize + headerSize;
    readMasks(header, fields, headerSize);
    return header;
}

// How many colours the palette has. A core header has no count: its palette fills the room
// before the pixels. A palette longer than the pixels can index (some writers always store 256
// colours) has its first colours used.
qint64 paletteLength(const Header& header)
{
    const qint64 most = qint64(1) << header.bitsPerPixel;
    qint64 count = header.paletteCount ? header.paletteCount : most;
    if (header.paletteEntryBytes == 3)
        count = (header.pixelOffset - header.paletteOffset) / header.paletteEntryBytes;
    return qMin(count, most);
}

QList<QRgb> readPalette(const QByteArray& file, const Header& header)
{
    if (header.bitsPerPixel > 8)
        return {};
    const qint64 count = paletteLength(header);
    const qsizetype end = header.paletteOffset + count * header.paletteEntryBytes;
    if (end > file.size() || (header.pixelOffset && end > header.pixelOffset))
        damaged("its palette is cut off");
    QList<QRgb> palette(count);
    const auto* entry = reinterpret_cast<const uchar*>(file.constData() + header.paletteOffset);
    for (QRgb& colour : palette) {
        colour = qRgb(entry[2], entry[1], entry[0]);
        entry += header.paletteEntryBytes;
    }
    return palette;
}

// The picture's row for the y-th row of the file.
uchar* outputRow(QImage& picture, const Header& header, qint64 y)
{
    return picture.scanLine(int(header.topDown ? y : header.height - 1 - y));
}

QRgb fromPalette(const QList<QRgb>& palette, uint index)
{
    if (index >= uint(palette.size()))
        damaged(
            QString("a pixel uses colour %1 of a palette of %2").arg(index).arg(palette.size()));
    return palette[index];
}

void unpackRow(const uchar* in, QRgb* out, const Header& header, const QList<QRgb>& palette)
{
    const int width = int(header.width);
    switch (header.bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8: {
        const int bits = header.bitsPerPixel, perByte = 8 / bits, low = (1 << bits) - 1;
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            out[x] = fromPalette(palette, (in[x / perByte] >> shift) & low);
        }
        return;
    }
    case 16:
    case 32: {
        const auto& [red, green, blue] = header.channels;
        const bool wide = header.bitsPerPixel == 32;
        for (qsizetype x = 0; x < width; ++x) {
            const quint32 pixel = wide ? qFromLittleEndian<quint32>(in + 4 * x)
                                       : qFromLittleEndian<quint16>(in + 2 * x);
            out[x] = qRgb(red.of8Bits(pixel), green.of8Bits(pixel), blue.of8Bits(pixel));
        }
        return;
    }
    }
}

QImage readRows(const QByteArray& file, const Header& header, const QList<QRgb>& palette)
{
    const qint64 rowBytes = (header.width * header.bitsPerPixel + 31) / 32 * 4;
    const qint64 lastRowBytes = (header.width * header.bitsPerPixel + 7) / 8; // padding may lack
    if (header.pixelOffset + rowBytes * (header.height - 1) + lastRowBytes > file.size())
        damaged(QString("it is cut off: %1 rows of pixels, the file holds %2")
                    .arg(header.height)
                    .arg(qMax<qint64>(0, (file.size() - header.pixelOffset) / rowBytes)));
    const bool threeBytes = header.bitsPerPixel == 24;
    QImage picture(int(header.width), int(header.height),
                   threeBytes ? QImage::Format_BGR888 : QImage::Format_RGB32);
    if (picture.isNull())
        throw std::bad_alloc();
    const auto* in = reinterpret_cast<const uchar*>(file.constData()) + header.pixelOffset;
    for (qint64 y = 0; y < header.height; ++y, in += rowBytes) {
        uchar* out = outputRow(picture, header, y);
        if (threeBytes)
            std::memcpy(out, in, size_t(lastRowBytes));
        else
            unpackRow(in, reinterpret_cast<QRgb*>(out), header, palette);
    }
    return picture;
}

// Run-length rows: a count and a colour, or an escape (0) with end of row (0), end of picture
// (1), a jump (2, right, up) or a count of literal pixels (3 and more) padded to two bytes.
// Pixels a jump or an early end of row passes over keep colour 0 of the palette.
QImage readRunLengths(const QByteArray& file, const Header& header, const QList<QRgb>& palette)
{
    QImage picture(int(header.width), int(header.height), QImage::Format_RGB32);
    if (picture.isNull())
        throw std::bad_alloc();
    picture.fill(fromPalette(palette, 0));
    const bool nibbles = header.compression == Rle4;
    const auto* data = reinterpret_cast<const uchar*>(file.constData());
    qsizetype at = header.pixelOffset;
    const auto next = [&]() -> uint {
        if (at >= file.size())
            damaged("its compressed pixels end before the end-of-picture mark");
        return data[at++];
    };
    qint64 x = 0, y = 0;
    const auto put = [&](uint index) {
        if (y >= header.height)
            damaged("its compressed pixels run past the last row");
        if (x < header.width)
            reinterpret_cast<QRgb*>(outputRow(picture, header, y))[x] = fromPalette(palette, index);
        ++x;
    };
    for (;;) {
        const uint count = next(), value = next();
        if (count > 0) {
            for (uint i = 0; i < count; ++i)
                put(nibbles ? (i % 2 ? value & 0xF : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return picture;
        } else if (value == 2) {
            x += next();
            y += next();
            if (x > header.width)
                damaged("its compressed pixels jump past the end of a row");
        } else {
            uint byte = 0;
            for (uint i = 0; i < value; ++i) {
                if (!nibbles || i % 2 == 0)
                    byte = next();
                put(nibbles ? (i % 2 ? byte & 0xF : byte >> 4) : byte);
            }
            const uint bytes = nibbles ? (value + 1) / 2 : value;
            if (bytes % 2)
                next();
        }
    }
}

} // namespace

QImage decodeBmp(const QByteArray& file)
{
    const Header header = readHeader(file);
    if (header.pixelOffset < header.paletteOffset || header.pixelOffset >= file.size())
        damaged("its pixels lie outside the file or inside its header");
    const QList<QRgb> palette = readPalette(file, header);
    if (header.compression == Rle4 || header.compression == Rle8)
        return readRunLengths(file, header, palette);
    return readRows(file, header, palette);
}

QImage readBmpFile(const QString& path)
{
    const QByteArray file = platform::readRegularFile(path, PictureFileBudget);
    try {
        return decodeBmp(file);
    } catch (const std::runtime_error& failure) {
        throw std::runtime_error(
            QString("Unable to read %1: %2").arg(path, failure.what()).toStdString());
    }
}
