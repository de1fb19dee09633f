#include "fg_test.h"
#include "output/bmp_reader.h"
#include "output/bmp_writer.h"

#include <QPainter>
#include <QtEndian>

namespace
{

QImage testPicture(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(255 * x / size.width(), 255 * y / size.height(), 90));
    QPainter(&picture).fillRect(3, 2, 5, 4, Qt::white);
    return picture;
}

template <typename Field> void setField(QByteArray& bytes, qsizetype at, Field value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// A bitmap made by hand: BITMAPINFOHEADER, the palette, then `pixels` as they are.
QByteArray handMade(qint32 width, qint32 height, quint16 bits, quint32 compression,
                    const QList<QRgb>& palette, const QByteArray& pixels)
{
    QByteArray bytes(54 + 4 * palette.size(), '\0');
    setField<quint16>(bytes, 0, 0x4D42);
    setField<quint32>(bytes, 2, quint32(bytes.size() + pixels.size()));
    setField<quint32>(bytes, 10, quint32(bytes.size()));
    setField<quint32>(bytes, 14, 40);
    setField<qint32>(bytes, 18, width);
    setField<qint32>(bytes, 22, height);
    setField<quint16>(bytes, 26, 1);
    setField<quint16>(bytes, 28, bits);
    setField<quint32>(bytes, 30, compression);
    setField<quint32>(bytes, 34, quint32(pixels.size()));
    setField<quint32>(bytes, 46, quint32(palette.size()));
    for (qsizetype i = 0; i < palette.size(); ++i)
        setField<quint32>(bytes, 54 + 4 * i, palette[i]);
    return bytes + pixels;
}

const QList<QRgb> ThreeColours = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(10, 20, 250)};

// Pixels as palette indices, row by row from the top.
using Indices = QList<QList<int>>;

const Indices FiveByTwo = {{0, 1, 2, 1, 0}, {2, 2, 0, 1, 1}};

QImage fromIndices(const QList<QRgb>& palette, const Indices& rows)
{
    QImage picture(int(rows[0].size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, palette[rows[y][x]]);
    return picture;
}

// The rows bottom-up, `bits` per pixel from the high bits down, each padded to four bytes.
QByteArray packedRows(const Indices& rows, int bits)
{
    QByteArray packed;
    for (qsizetype y = rows.size() - 1; y >= 0; --y) {
        QByteArray row((rows[y].size() * bits + 31) / 32 * 4, '\0');
        for (qsizetype x = 0; x < rows[y].size(); ++x)
            row[x * bits / 8] = char(row[x * bits / 8] | rows[y][x] << (8 - bits - x * bits % 8));
        packed += row;
    }
    return packed;
}

// A file header, then `info` (which begins with its own size), the palette in entries of
// `entryBytes` and the pixels.
QByteArray withHeaders(const QByteArray& info, const QList<QRgb>& palette, int entryBytes,
                       const QByteArray& pixels)
{
    QByteArray bytes(14, '\0');
    bytes += info;
    for (QRgb colour : palette)
        bytes += QByteArray(reinterpret_cast<const char*>(&colour), 4).left(entryBytes);
    setField<quint16>(bytes, 0, 0x4D42);
    setField<quint32>(bytes, 2, quint32(bytes.size() + pixels.size()));
    setField<quint32>(bytes, 10, quint32(bytes.size()));
    return bytes + pixels;
}

// The picture's rows bottom-up as three bytes a pixel (blue, green, red), padded to four bytes.
QByteArray trueColourRows(const QImage& picture)
{
    QByteArray rows;
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    for (int y = bgr.height() - 1; y >= 0; --y)
        rows += QByteArray(reinterpret_cast<const char*>(bgr.constScanLine(y)),
                           (bgr.width() * 3 + 3) / 4 * 4);
    return rows;
}

// OS/2 1.x: 16-bit sizes, three-byte palette entries and no colour count.
QByteArray os2Core(int bits, const QList<QRgb>& palette, const Indices& rows)
{
    QByteArray info(12, '\0');
    setField<quint32>(info, 0, 12);
    setField<quint16>(info, 4, quint16(rows[0].size()));
    setField<quint16>(info, 6, quint16(rows.size()));
    setField<quint16>(info, 8, 1);
    setField<quint16>(info, 10, quint16(bits));
    return withHeaders(info, palette, 3, packedRows(rows, bits));
}

// OS/2 2.x with its header cut after `size` bytes: no compression, no colour count.
QByteArray os2Short(quint32 size, int bits, const QList<QRgb>& palette, const QByteArray& pixels)
{
    QByteArray info(size, '\0');
    setField<quint32>(info, 0, size);
    setField<qint32>(info, 4, 5);
    setField<qint32>(info, 8, 2);
    setField<quint16>(info, 12, 1);
    setField<quint16>(info, 14, quint16(bits));
    return withHeaders(info, palette, 4, pixels);
}

QList<QRgb> colours(int count)
{
    QList<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette.append(qRgb(i * 255 / count, 90, 255 - i * 255 / count));
    return palette;
}

// ImageMagick's writing of the test picture with the given options.
QByteArray magick(const QStringList& options, const QString& format = "BMP3")
{
    QTemporaryDir folder;
    const QString png = folder.filePath("in.png");
    testPicture(QSize(13, 7)).save(png);
    return fgtest::runPeer("convert", QStringList{png} + options + QStringList{format + ":-"});
}

// The same rows from bottom-up to top-down.
QByteArray topDown(QByteArray bytes)
{
    const qint32 width = qFromLittleEndian<qint32>(bytes.constData() + 18);
    const qint32 height = qFromLittleEndian<qint32>(bytes.constData() + 22);
    const qsizetype offset = qFromLittleEndian<quint32>(bytes.constData() + 10);
    const qsizetype rowBytes = (width * 3 + 3) / 4 * 4;
    QByteArray flipped = bytes.left(offset);
    for (qint32 y = height - 1; y >= 0; --y)
        flipped += bytes.mid(offset + y * rowBytes, rowBytes);
    setField<qint32>(flipped, 22, -height);
    return flipped;
}

QImage imageMagickPixels(const QByteArray& bmp, QSize size)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("in.bmp"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bmp) != bmp.size())
        return {};
    file.close();
    const QByteArray rgb = fgtest::runPeer("convert", {file.fileName(), "-depth", "8", "rgb:-"});
    if (rgb.size() != qsizetype(size.width()) * size.height() * 3)
        return {};
    return QImage(reinterpret_cast<const uchar*>(rgb.constData()), size.width(), size.height(),
                  size.width() * 3, QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestBmpReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readLikeImageMagick_data();
    void readLikeImageMagick();
    void readAsOthersShow_data();
    void readAsOthersShow();
    void damageRefused_data();
    void damageRefused();
};

void TestBmpReader::readLikeImageMagick_data()
{
    QTest::addColumn<QByteArray>("bmp");
    QTest::newRow("24 bits") << magick({"-type", "truecolor"});
    QTest::newRow("24 bits top-down") << topDown(magick({"-type", "truecolor"}));
    QTest::newRow("32 bits, our own") << encodeBmp(testPicture(QSize(13, 7)));
    QTest::newRow("32 bits, bit fields, V5 header") << magick({"-alpha", "on"}, "BMP");
    QTest::newRow("16 bits 565") << magick({"-define", "bmp:subtype=RGB565"}, "BMP");
    QTest::newRow("16 bits 555") << magick({"-define", "bmp:subtype=RGB555"}, "BMP");
    QTest::newRow("8 bits") << magick({"-colors", "200", "-type", "palette"});
    QTest::newRow("RLE8") << magick({"-colors", "200", "-type", "palette", "-compress", "RLE"});
    QTest::newRow("4 bits") << magick({"-colors", "12", "-type", "palette"});
    QTest::newRow("1 bit") << magick({"-monochrome"});
    QTest::newRow("OS/2 header") << magick({}, "BMP2");
    // a run; literal pixels; a jump, a run and an early end of the row
    QTest::newRow("RLE4") << handMade(5, 3, 4, 2, ThreeColours,
                                      QByteArray("\x05\x12\x00\x00"
                                                 "\x00\x05\x01\x20\x10\x00\x00\x00"
                                                 "\x00\x02\x01\x00\x02\x21\x00\x00\x00\x01",
                                                 22));
}

void TestBmpReader::readLikeImageMagick()
{
    QFETCH(QByteArray, bmp);
    const QImage read = decodeBmp(bmp);
    const QImage expected = imageMagickPixels(bmp, read.size());
    QVERIFY(!expected.isNull());
    const QString difference =
        fgtest::firstDifference(read.convertToFormat(QImage::Format_RGB32), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

// Kinds ImageMagick here refuses but other readers show; the expected pixels come from the
// palette and the indices the file was made of.
void TestBmpReader::readAsOthersShow_data()
{
    QTest::addColumn<QByteArray>("bmp");
    QTest::addColumn<QImage>("expected");
    const Indices twoColours = {{0, 1, 1, 0, 1}, {1, 1, 0, 0, 0}};
    const QList<QRgb> fourColours = ThreeColours + QList<QRgb>{qRgb(200, 200, 200)};
    const QList<QRgb> full = ThreeColours + QList<QRgb>(253, qRgb(0, 0, 0));
    const Indices allFour = {{0, 1, 2, 3, 0}, {3, 3, 2, 1, 0}};
    const Indices highIndices = {{15, 14, 0, 1, 2}, {9, 9, 3, 15, 0}};
    QTest::newRow("OS/2 1.x, 3 of 16 colours")
        << os2Core(4, ThreeColours, FiveByTwo) << fromIndices(ThreeColours, FiveByTwo);
    QTest::newRow("OS/2 1.x, 2 of 256 colours")
        << os2Core(8, ThreeColours.mid(0, 2), twoColours) << fromIndices(ThreeColours, twoColours);
    QTest::newRow("OS/2 2.x cut to 16 bytes")
        << os2Short(16, 8, full, packedRows(FiveByTwo, 8)) << fromIndices(full, FiveByTwo);
    QTest::newRow("OS/2 2.x cut to 36 bytes")
        << os2Short(36, 4, full.mid(0, 16), packedRows(FiveByTwo, 4))
        << fromIndices(full, FiveByTwo);
    QTest::newRow("OS/2 2.x cut to 20 bytes, 24 bits")
        << os2Short(20, 24, {}, trueColourRows(testPicture(QSize(5, 2))))
        << testPicture(QSize(5, 2));
    QTest::newRow("2-bit palette") << handMade(5, 2, 2, 0, fourColours, packedRows(allFour, 2))
                                   << fromIndices(fourColours, allFour);
    QTest::newRow("20 colours for 4-bit pixels")
        << handMade(5, 2, 4, 0, colours(20), packedRows(highIndices, 4))
        << fromIndices(colours(20), highIndices);
    QTest::newRow("256 colours for 1-bit pixels")
        << handMade(5, 2, 1, 0, colours(256), packedRows(twoColours, 1))
        << fromIndices(colours(256), twoColours);
}

void TestBmpReader::readAsOthersShow()
{
    QFETCH(QByteArray, bmp);
    QFETCH(QImage, expected);
    const QString difference = fgtest::firstDifference(decodeBmp(bmp), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestBmpReader::damageRefused_data()
{
    QTest::addColumn<QByteArray>("bmp");
    QTest::addColumn<QString>("message");
    const QByteArray good = magick({"-type", "truecolor"});
    const QString damaged = "The bitmap is damaged: ";
    QByteArray farOffset = good;
    setField<quint32>(farOffset, 10, quint32(good.size() + 100));
    QByteArray huge = good;
    setField<qint32>(huge, 18, 100000);
    setField<qint32>(huge, 22, 100000);
    QByteArray badHeader = good;
    setField<quint32>(badHeader, 14, 14);
    const QByteArray rle = QByteArray("\x02\x01\x00\x00", 4);

    QTest::newRow("not a bitmap") << QByteArray("GIF89a and more") << damaged + "it does not begin";
    QTest::newRow("rows cut off") << good.left(good.size() - 60)
                                  << damaged + "it is cut off: 7 rows of pixels, the file holds 5";
    QTest::newRow("pixels past the end") << farOffset << damaged + "its pixels lie outside";
    QTest::newRow("unknown header") << badHeader << damaged + "its header has the unknown size 14";
    QTest::newRow("beyond the budget") << huge << "The picture claims 100000 x 100000 pixels";
    QTest::newRow("colour beyond the palette")
        << handMade(2, 1, 8, 0, ThreeColours.mid(0, 2), QByteArray("\x01\x05\x00\x00", 4))
        << damaged + "a pixel uses colour 5 of a palette of 2";
    QTest::newRow("RLE without its end")
        << handMade(2, 2, 8, 1, ThreeColours, rle) << damaged + "its compressed pixels end before";
    QTest::newRow("RLE past the last row")
        << handMade(2, 1, 8, 1, ThreeColours, rle + rle + QByteArray("\x00\x01", 2))
        << damaged + "its compressed pixels run past the last row";
    QTest::newRow("RLE jump past the end of a row")
        << handMade(2, 2, 8, 1, ThreeColours, QByteArray("\x00\x02\x03\x00\x00\x01", 6))
        << damaged + "its compressed pixels jump past the end of a row";
    QTest::newRow("RLE4 jump past the end of a row")
        << handMade(4, 2, 4, 2, ThreeColours, QByteArray("\x02\x11\x00\x02\x03\x01\x00\x01", 8))
        << damaged + "its compressed pixels jump past the end of a row";
    QTest::newRow("OS/2 Huffman")
        << os2Short(64, 1, ThreeColours.mid(0, 2), QByteArray(8, '\0')).replace(30, 1, "\x03")
        << damaged + "its OS/2 compression 3 is not supported";
    QTest::newRow("RLE top-down") << handMade(2, -2, 8, 1, ThreeColours, rle)
                                  << damaged + "compressed rows cannot go top-down";
    QTest::newRow("mask with gaps")
        << handMade(1, 1, 16, 3, {0x5, 0x3E0, 0x1F}, QByteArray(4, '\0'))
        << damaged + "a colour mask has gaps";
    QTest::newRow("no pixels") << handMade(0, 1, 24, 0, {}, QByteArray(4, '\0'))
                               << damaged + "it has no pixels";
}

void TestBmpReader::damageRefused()
{
    QFETCH(QByteArray, bmp);
    QFETCH(QString, message);
    try {
        decodeBmp(bmp);
        QFAIL("read");
    } catch (const std::runtime_error& failure) {
        QVERIFY2(QString(failure.what()).startsWith(message), failure.what());
    }
}

FG_TEST_MAIN(TestBmpReader)
#include "test_bmp_reader.moc"
