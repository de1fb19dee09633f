// The encoders: what they write, ImageMagick, libjpeg-turbo and pngcheck read as it was meant.
#include "fg_test.h"
#include "output/bmp_writer.h"
#include "output/jpeg_codec.h"
#include "output/picture_errors.h"
#include "output/png_codec.h"
#include "sample_pictures.h"

#include <QFile>
#include <QtEndian>

#include <functional>

using Encoder = std::function<QByteArray(const QImage&)>;
Q_DECLARE_METATYPE(Encoder)

namespace
{

// Coloured one-pixel lines on white, as text and frames in captures are: what subsampled colour
// blurs.
QImage colourLines(int width, int height)
{
    const QRgb colours[] = {qRgb(220, 0, 0), qRgb(0, 0, 230), qRgb(255, 255, 255), qRgb(0, 150, 0)};
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, colours[(x + y / 3) % 4]);
    return picture;
}

// ImageMagick's plain 8-bit RGB dump of a file.
QImage imageMagickPixels(const QString& path, QSize size)
{
    const QByteArray rgb = fgtest::runPeer("convert", {path, "-depth", "8", "rgb:-"});
    if (rgb.size() != qsizetype(size.width()) * size.height() * 3)
        return {};
    return QImage(reinterpret_cast<const uchar*>(rgb.constData()), size.width(), size.height(),
                  size.width() * 3, QImage::Format_RGB888)
        .copy();
}

struct JpegSegment {
    int marker = 0;
    QByteArray bytes; // marker, length and contents
};

// The marker segments before the picture data, walked by their lengths.
QList<JpegSegment> jpegHeaderSegments(const QByteArray& jpeg)
{
    QList<JpegSegment> segments;
    qsizetype at = 2; // after the start marker
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF) {
        const int marker = quint8(jpeg[at + 1]);
        const qsizetype length = qFromBigEndian<quint16>(jpeg.constData() + at + 2);
        segments.append({marker, jpeg.mid(at, 2 + length)});
        if (marker == 0xDA) // start of scan: the picture data follows
            break;
        at += 2 + length;
    }
    return segments;
}

QByteArray segmentsWithMarker(const QByteArray& jpeg, int marker)
{
    QByteArray found;
    for (const JpegSegment& segment : jpegHeaderSegments(jpeg))
        if (segment.marker == marker)
            found += segment.bytes;
    return found;
}

struct BmpHeader {
    QByteArray signature;
    quint32 fileSize, pixelOffset, infoSize;
    qint32 width, height;
    quint16 planes, bitCount;
    quint32 compression;
};

BmpHeader bmpHeader(const QByteArray& bmp)
{
    const char* at = bmp.constData();
    return {bmp.left(2),
            qFromLittleEndian<quint32>(at + 2),
            qFromLittleEndian<quint32>(at + 10),
            qFromLittleEndian<quint32>(at + 14),
            qFromLittleEndian<qint32>(at + 18),
            qFromLittleEndian<qint32>(at + 22),
            qFromLittleEndian<quint16>(at + 26),
            qFromLittleEndian<quint16>(at + 28),
            qFromLittleEndian<quint32>(at + 30)};
}

} // namespace

class TestCodecs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void jpegReadByPeers_data();
    void jpegReadByPeers();
    void jpegGrowsWithQuality();
    void jpegQualityKeptInRange_data();
    void jpegQualityKeptInRange();
    void pngReadByPeers_data();
    void pngReadByPeers();
    void bmpReadByPeers_data();
    void bmpReadByPeers();
    void emptyPictureRefused_data();
    void emptyPictureRefused();

private:
    fgtest::PictureFolder pictures_;
};

void TestCodecs::jpegReadByPeers_data()
{
    QTest::addColumn<int>("quality");
    QTest::addColumn<double>("maxMeanError");
    QTest::addColumn<QByteArray>("sampling");
    QTest::addColumn<double>("maxLinesError"); // on coloured one-pixel lines
    const QByteArray subsampled = "2x2,1x1,1x1", full = "1x1,1x1,1x1";
    QTest::newRow("1") << 1 << 25.0 << subsampled << 100.0;
    QTest::newRow("85") << 85 << 4.0 << subsampled << 100.0;
    QTest::newRow("89") << 89 << 4.0 << subsampled << 100.0;
    QTest::newRow("90") << 90 << 2.5 << full << 4.0;
    QTest::newRow("100") << 100 << 1.0 << full << 1.0;
}

void TestCodecs::jpegReadByPeers()
{
    QFETCH(int, quality);
    QFETCH(double, maxMeanError);
    QFETCH(QByteArray, sampling);
    QFETCH(double, maxLinesError);
    const QImage source = fgtest::screenLike(200, 120);
    const QByteArray jpeg = encodeJpeg(source, quality);
    const QString path = pictures_.written(jpeg, "jpg");

    const QImage decoded = fgtest::djpegPixels(path);
    QCOMPARE(decoded.size(), source.size());
    QVERIFY2(fgtest::meanError(decoded, source) <= maxMeanError,
             qPrintable(QString::number(fgtest::meanError(decoded, source))));

    // Baseline (SOF0), three components: colour, not gray.
    const QByteArray frame = segmentsWithMarker(jpeg, 0xC0);
    QCOMPARE(frame.size(), 2 + 8 + 3 * 3);
    QCOMPARE(int(frame[9]), 3);
    QCOMPARE(fgtest::runPeer("identify", {"-format", "%[jpeg:sampling-factor]", path}), sampling);
    const QImage lines = colourLines(64, 48);
    const double linesError = fgtest::meanError(decodeJpeg(encodeJpeg(lines, quality)), lines);
    QVERIFY2(linesError <= maxLinesError, qPrintable(QString::number(linesError)));

    // The quality reached libjpeg: the tables are those cjpeg makes at that quality.
    const QString ppm = pictures_.pathFor("ppm");
    QVERIFY(source.save(ppm, "PPM"));
    const QString peer = pictures_.pathFor("cjpeg.jpg");
    fgtest::runPeer("cjpeg",
                    {"-baseline", "-quality", QString::number(quality), "-outfile", peer, ppm});
    QFile peerFile(peer);
    QVERIFY(peerFile.open(QIODevice::ReadOnly));
    const QByteArray tables = segmentsWithMarker(jpeg, 0xDB);
    QVERIFY(!tables.isEmpty());
    QCOMPARE(tables, segmentsWithMarker(peerFile.readAll(), 0xDB));
    // Below 20 libjpeg clamps table entries to 255 for baseline and ImageMagick's estimate fails.
    if (quality >= 20)
        QCOMPARE(fgtest::runPeer("identify", {"-format", "%Q", path}), QByteArray::number(quality));
}

void TestCodecs::jpegGrowsWithQuality()
{
    const QImage source = fgtest::screenLike(320, 200);
    const qsizetype low = encodeJpeg(source, 1).size();
    const qsizetype usual = encodeJpeg(source, 85).size();
    const qsizetype best = encodeJpeg(source, 100).size();
    QVERIFY2(low < usual && usual < best,
             qPrintable(QString("%1, %2, %3 bytes").arg(low).arg(usual).arg(best)));
}

void TestCodecs::jpegQualityKeptInRange_data()
{
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("used");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("negative") << -40 << 1;
    QTest::newRow("101") << 101 << 100;
    QTest::newRow("huge") << 100000 << 100;
}

void TestCodecs::jpegQualityKeptInRange()
{
    QFETCH(int, asked);
    QFETCH(int, used);
    const QImage source = fgtest::screenLike(40, 30);
    QCOMPARE(encodeJpeg(source, asked), encodeJpeg(source, used));
}

void TestCodecs::pngReadByPeers_data()
{
    QTest::addColumn<QImage>("source");
    QTest::newRow("RGB32 capture") << fgtest::screenLike(61, 37);
    QTest::newRow("one pixel") << fgtest::screenLike(1, 1);
    QTest::newRow("ARGB32 keeps colours under any alpha")
        << fgtest::withTransparency(fgtest::screenLike(61, 37));
    QTest::newRow("RGB888") << fgtest::screenLike(13, 7, QImage::Format_RGB888);
    QTest::newRow("Grayscale8") << fgtest::screenLike(13, 7, QImage::Format_Grayscale8);
    // compressed in strips on several cores, joined into one stream
    QTest::newRow("many strips") << fgtest::screenLike(1280, 700);
    QTest::newRow("rows longer than the window") << fgtest::screenLike(12000, 30);
}

void TestCodecs::pngReadByPeers()
{
    QFETCH(QImage, source);
    const QByteArray png = encodePng(source);
    const QString path = pictures_.written(png, "png");
    QVERIFY(fgtest::runPeer("pngcheck", {path}).startsWith("OK"));

    QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(qFromBigEndian<quint32>(png.constData() + 16), quint32(source.width()));
    QCOMPARE(qFromBigEndian<quint32>(png.constData() + 20), quint32(source.height()));
    QCOMPARE(int(png[24]), 8); // bits per sample
    QCOMPARE(int(png[25]), 2); // colour type: RGB, no alpha

    // firstDifference() compares colours only, so a dropped alpha is no difference.
    const QString byImageMagick =
        fgtest::firstDifference(imageMagickPixels(path, source.size()), source);
    QVERIFY2(byImageMagick.isEmpty(), qPrintable(byImageMagick));
    const QImage byQt = QImage::fromData(png, "PNG");
    QVERIFY(!byQt.hasAlphaChannel());
    const QString difference = fgtest::firstDifference(byQt, source);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestCodecs::bmpReadByPeers_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<int>("bitCount");
    QTest::newRow("RGB32 capture") << fgtest::screenLike(13, 7) << 32;
    QTest::newRow("RGB32 one pixel") << fgtest::screenLike(1, 1) << 32;
    QTest::newRow("ARGB32 keeps colours under any alpha")
        << fgtest::withTransparency(fgtest::screenLike(13, 7)) << 32;
    QTest::newRow("RGB888 rows padded") << fgtest::screenLike(13, 7, QImage::Format_RGB888) << 24;
    QTest::newRow("RGB888 one pixel") << fgtest::screenLike(1, 1, QImage::Format_RGB888) << 24;
    QTest::newRow("Grayscale8 as RGB32")
        << fgtest::screenLike(13, 7, QImage::Format_Grayscale8) << 32;
}

void TestCodecs::bmpReadByPeers()
{
    QFETCH(QImage, source);
    QFETCH(int, bitCount);
    const QByteArray bmp = encodeBmp(source);
    const BmpHeader header = bmpHeader(bmp);
    const qsizetype rowBytes = (qsizetype(source.width()) * bitCount / 8 + 3) / 4 * 4;
    QCOMPARE(header.signature, QByteArray("BM"));
    QCOMPARE(header.fileSize, quint32(bmp.size()));
    QCOMPARE(header.pixelOffset, 54u);
    QCOMPARE(header.infoSize, 40u);
    QCOMPARE(header.width, source.width());
    QCOMPARE(header.height, source.height()); // positive: bottom-up
    QCOMPARE(header.planes, quint16(1));
    QCOMPARE(header.bitCount, quint16(bitCount));
    QCOMPARE(header.compression, 0u);
    QCOMPARE(bmp.size(), 54 + rowBytes * source.height());
    if (bitCount == 32) {
        for (qsizetype unused = 54 + 3; unused < bmp.size(); unused += 4)
            QCOMPARE(int(bmp[unused]), 0);
    }

    const QString path = pictures_.written(bmp, "bmp");
    const QString byImageMagick =
        fgtest::firstDifference(imageMagickPixels(path, source.size()), source);
    QVERIFY2(byImageMagick.isEmpty(), qPrintable(byImageMagick));
    const QString byQt = fgtest::firstDifference(QImage::fromData(bmp, "BMP"), source);
    QVERIFY2(byQt.isEmpty(), qPrintable(byQt));
}

void TestCodecs::emptyPictureRefused_data()
{
    QTest::addColumn<Encoder>("encode");
    QTest::addColumn<QImage>("picture");
    const std::pair<const char*, Encoder> encoders[] = {
        {"JPEG", [](const QImage& picture) { return encodeJpeg(picture, 85); }},
        {"PNG", encodePng},
        {"BMP", encodeBmp}};
    for (const auto& [name, encode] : encoders) {
        QTest::addRow("%s, no picture", name) << encode << QImage();
        QTest::addRow("%s, no width", name) << encode << QImage(0, 10, QImage::Format_RGB32);
        QTest::addRow("%s, no height", name) << encode << QImage(10, 0, QImage::Format_RGB32);
    }
}

void TestCodecs::emptyPictureRefused()
{
    QFETCH(Encoder, encode);
    QFETCH(QImage, picture);
    QCOMPARE(fgtest::failureText([&] { encode(picture); }), QString(EmptyPictureText));
}

FG_TEST_MAIN(TestCodecs)
#include "test_codecs.moc"
