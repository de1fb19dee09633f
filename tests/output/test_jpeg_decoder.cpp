// Built with AddressSanitizer and UndefinedBehaviorSanitizer together with its own copy of the
// JPEG codec, so that every failure path below is also checked for leaks and stray accesses.
#include "output/jpeg_codec.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryFile>
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

// libjpeg's jpegtran applied to a JPEG.
QByteArray jpegtran(const QByteArray& jpeg, const QStringList& options)
{
    QProcess tool;
    tool.start("jpegtran", options);
    tool.write(jpeg);
    tool.closeWriteChannel();
    tool.waitForFinished(30000);
    return tool.readAllStandardOutput();
}

// Progressive, every scan at full precision, so that a repeated scan is not a bogus progression.
QByteArray progressiveWithRepeatedScan(const QByteArray& jpeg, int repeats)
{
    QTemporaryFile script;
    script.open();
    script.write("0,1,2: 0-0, 0, 0; 0: 1-63, 0, 0; 1: 1-63, 0, 0; 2: 1-63, 0, 0;");
    script.close();
    QByteArray progressive = jpegtran(jpeg, {"-scans", script.fileName()});
    const qsizetype lastScan = progressive.lastIndexOf("\xFF\xDA");
    const qsizetype end = progressive.size() - 2; // the end marker
    const QByteArray scan = progressive.mid(lastScan, end - lastScan);
    for (int i = 0; i < repeats; ++i)
        progressive.insert(end, scan);
    return progressive;
}

QByteArray claimingSize(QByteArray jpeg, quint8 frameMarker, quint16 side)
{
    const qsizetype frame = jpeg.indexOf(QByteArray("\xFF") + char(frameMarker));
    const char bytes[] = {char(side >> 8), char(side & 0xFF), char(side >> 8), char(side & 0xFF)};
    return jpeg.replace(frame + 5, 4, QByteArray(bytes, 4));
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
    void hostileFilesRefusedQuickly_data();
    void hostileFilesRefusedQuickly();
    void harmlessOdditiesDecode_data();
    void harmlessOdditiesDecode();
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

void TestJpegDecoder::hostileFilesRefusedQuickly_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("message");
    const QByteArray jpeg = encodeJpeg(detailed(64, 48), 85);
    const QByteArray arithmetic = jpegtran(jpeg, {"-arithmetic"});
    QTest::newRow("arithmetic, 20000 x 20000 claimed")
        << claimingSize(arithmetic, 0xC9, 20000) << "The picture claims 20000 x 20000 pixels";
    QTest::newRow("arithmetic, 60000 x 60000 claimed")
        << claimingSize(arithmetic, 0xC9, 60000) << "The picture claims 60000 x 60000 pixels";
    QTest::newRow("baseline, 20000 x 20000 claimed")
        << claimingSize(jpeg, 0xC0, 20000) << "The picture claims 20000 x 20000 pixels";
    QTest::newRow("a scan repeated 2000 times")
        << progressiveWithRepeatedScan(jpeg, 2000) << "The JPEG file has more than 300 scans";
}

// Files that claim far more than they hold are refused at once, before memory is taken.
void TestJpegDecoder::hostileFilesRefusedQuickly()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, message);
    QElapsedTimer timer;
    timer.start();
    try {
        decodeJpeg(data);
        QFAIL("decoded");
    } catch (const std::runtime_error& failure) {
        QVERIFY2(QString(failure.what()).startsWith(message), failure.what());
    }
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString("took %1 ms").arg(timer.elapsed())));
}

void TestJpegDecoder::harmlessOdditiesDecode_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray jpeg = encodeJpeg(detailed(64, 48), 85);
    const qsizetype end = jpeg.size() - 2;
    QTest::newRow("stray bytes between header segments")
        << QByteArray(jpeg).insert(markerAt(jpeg, 0xC4), QByteArray(5, '\0'));
    QTest::newRow("padding before the end marker")
        << QByteArray(jpeg).insert(end, QByteArray(3, '\0'));
    QTest::newRow("data after the end marker") << jpeg + "appended by a camera";
    QTest::newRow("repeated scans, a dozen") << progressiveWithRepeatedScan(jpeg, 12);
}

// What viewers show despite libjpeg's warnings, pixel for pixel as the plain file.
void TestJpegDecoder::harmlessOdditiesDecode()
{
    QFETCH(QByteArray, data);
    const QImage plain = decodeJpeg(encodeJpeg(detailed(64, 48), 85));
    QCOMPARE(decodeJpeg(data), plain);
}

QTEST_GUILESS_MAIN(TestJpegDecoder)
#include "test_jpeg_decoder.moc"
