// Built with AddressSanitizer and UndefinedBehaviorSanitizer together with its own copy of the
// JPEG codec, so that every failure path below is also checked for leaks and stray accesses.
#include "output/jpeg_codec.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

namespace
{

QImage detailed(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QRandomGenerator random(quint32(width * 1000 + height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(4 * x, random.bounded(256), 255 - 3 * y));
    return picture;
}

QByteArray pngBytes()
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    detailed(16, 16).save(&buffer, "PNG");
    return png;
}

// libjpeg's output at quality 85 has no 0xFF byte inside its headers (no table entry reaches
// 255), so the first occurrence of a marker is that marker.
qsizetype markerAt(const QByteArray& jpeg, quint8 marker)
{
    return jpeg.indexOf(QByteArray("\xFF") + char(marker));
}

qsizetype pictureDataAt(const QByteArray& jpeg)
{
    const qsizetype scan = markerAt(jpeg, 0xDA);
    return scan + 2 + (quint8(jpeg[scan + 2]) << 8 | quint8(jpeg[scan + 3]));
}

QByteArray replaced(QByteArray jpeg, qsizetype at, const QByteArray& bytes)
{
    return jpeg.replace(at, bytes.size(), bytes);
}

QByteArray inverted(QByteArray jpeg, qsizetype at, qsizetype count)
{
    for (qsizetype i = at; i < at + count; ++i)
        jpeg[i] = char(~jpeg[i]);
    return jpeg;
}

} // namespace

class TestJpegDecoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void intactPicturesDecode_data();
    void intactPicturesDecode();
    void brokenDataRefused_data();
    void brokenDataRefused();
    void tooWideForJpegRefused();
};

void TestJpegDecoder::intactPicturesDecode_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("one pixel") << QSize(1, 1);
    QTest::newRow("odd size") << QSize(37, 23);
    QTest::newRow("wide") << QSize(1025, 17);
}

void TestJpegDecoder::intactPicturesDecode()
{
    QFETCH(QSize, size);
    const QImage decoded = decodeJpeg(encodeJpeg(detailed(size.width(), size.height()), 90));
    QCOMPARE(decoded.size(), size);
    QCOMPARE(decoded.format(), QImage::Format_RGB32);
}

void TestJpegDecoder::brokenDataRefused_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("message"); // libjpeg's, for the check that caught it
    const QByteArray jpeg = encodeJpeg(detailed(64, 48), 85);
    const qsizetype frame = markerAt(jpeg, 0xC0), huffman = markerAt(jpeg, 0xC4);
    const qsizetype scan = markerAt(jpeg, 0xDA), data = pictureDataAt(jpeg);
    const qsizetype middle = (data + jpeg.size()) / 2;
    const QString cut = "Premature end of JPEG file", corrupt = "Corrupt JPEG data: ";

    QTest::newRow("empty") << QByteArray() << "Empty input file";
    QTest::newRow("text") << QByteArray("This is not a picture.") << "Not a JPEG file";
    QTest::newRow("PNG") << pngBytes() << "Not a JPEG file";
    QTest::newRow("start marker damaged")
        << replaced(jpeg, 1, QByteArray(1, '\0')) << "Not a JPEG file";
    QTest::newRow("cut after the start marker") << jpeg.left(2) << cut;
    QTest::newRow("cut inside the tables") << jpeg.left(huffman + 10) << cut;
    QTest::newRow("cut before the picture data") << jpeg.left(data) << cut;
    QTest::newRow("cut inside the picture data") << jpeg.left(middle) << cut;
    QTest::newRow("end marker missing") << jpeg.left(jpeg.size() - 2) << cut;
    QTest::newRow("zero height") << replaced(jpeg, frame + 5, QByteArray(2, '\0'))
                                 << "Empty JPEG image";
    QTest::newRow("12-bit samples")
        << replaced(jpeg, frame + 4, "\x0C") << "Unsupported JPEG data precision 12";
    QTest::newRow("Huffman code lengths overfull")
        << replaced(jpeg, huffman + 5, "\xFF\xFF") << "Bogus Huffman table definition";
    QTest::newRow("scan uses a missing table")
        << replaced(jpeg, scan + 6, "\x33") << "Huffman table 0x03 was not defined";
    QTest::newRow("picture data inverted") << inverted(jpeg, middle, 64) << corrupt;
    QTest::newRow("end marker inside the picture data")
        << replaced(jpeg, middle, "\xFF\xD9") << corrupt + "premature end of data segment";
}

void TestJpegDecoder::brokenDataRefused()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, message);
    try {
        decodeJpeg(data);
        QFAIL("decoded");
    } catch (const std::runtime_error& failure) {
        QVERIFY2(QString(failure.what()).startsWith(message), failure.what());
    }
}

// The encoder's failure path, here for the leak check: libjpeg refuses the size only after
// jpeg_mem_dest has allocated its buffer.
void TestJpegDecoder::tooWideForJpegRefused()
{
    try {
        encodeJpeg(QImage(65501, 1, QImage::Format_RGB32), 85);
        QFAIL("encoded");
    } catch (const std::runtime_error& failure) {
        QVERIFY2(QString(failure.what()).startsWith("Maximum supported image dimension"),
                 failure.what());
    }
}

QTEST_GUILESS_MAIN(TestJpegDecoder)
#include "test_jpeg_decoder.moc"
