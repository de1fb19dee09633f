#include "fg_test.h"
#include "output/bmp_writer.h"
#include "output/image_file.h"
#include "output/jpeg_codec.h"
#include "output/picture_errors.h"
#include "output/png_codec.h"

#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtEndian>

#include <functional>
#include <unistd.h>

using Encoder = std::function<QByteArray(const QImage&)>;
Q_DECLARE_METATYPE(Encoder)

namespace
{

// What captures hold: flat areas with hard edges, a smooth gradient and fine detail.
QImage screenLike(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QRandomGenerator random(quint32(width * 10000 + height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb colour = qRgb(255 * x / width, 255 * y / height, 90);
            if (x < width / 3)
                colour = (x / 4 + y / 4) % 2 ? qRgb(250, 250, 250) : qRgb(20, 20, 30);
            else if (y >= height / 2) // detail in brightness, as text has
                colour = qRgb(140, 60, 0) + random.bounded(40) * 0x010101u;
            picture.setPixel(x, y, colour);
        }
    }
    return picture.convertToFormat(format);
}

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

// Straight alpha 0, 128 and 255 in turn; the colours stay as they were.
QImage withTransparency(const QImage& picture)
{
    QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            argb.setPixel(x, y, (argb.pixel(x, y) & 0xFFFFFF) | quint32((x + y) % 3 * 127) << 24);
    return argb;
}

double meanError(const QImage& actual, const QImage& expected)
{
    qint64 sum = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            sum +=
                qAbs(qRed(a) - qRed(e)) + qAbs(qGreen(a) - qGreen(e)) + qAbs(qBlue(a) - qBlue(e));
        }
    }
    return double(sum) / (3.0 * expected.width() * expected.height());
}

// Every word has 0xFF on top, as Format_RGB32 requires of its pixels.
bool fullyOpaque(const QImage& rgb32)
{
    for (int y = 0; y < rgb32.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(rgb32.constScanLine(y));
        if (!std::all_of(row, row + rgb32.width(), [](quint32 p) { return p >> 24 == 0xFF; }))
            return false;
    }
    return true;
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

QImage djpegPixels(const QString& path)
{
    return QImage::fromData(fgtest::runPeer("djpeg", {"-ppm", path}), "PPM");
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

QStringList entriesUnder(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(it.next());
    entries.sort();
    return entries;
}

QString failureText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::runtime_error& failure) {
        return QString::fromUtf8(failure.what());
    }
    return {};
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
    void jpegDecodedLikeDjpeg_data();
    void jpegDecodedLikeDjpeg();
    void jpegRoundTrip_data();
    void jpegRoundTrip();
    void jpegFileRead();
    void jpegFileUnreadable_data();
    void jpegFileUnreadable();
    void pngReadByPeers_data();
    void pngReadByPeers();
    void bmpReadByPeers_data();
    void bmpReadByPeers();
    void emptyPictureRefused_data();
    void emptyPictureRefused();
    void fileReplacedWhole_data();
    void fileReplacedWhole();
    void failedWriteLeavesNothing_data();
    void failedWriteLeavesNothing();
    void fullDiskReported_data();
    void fullDiskReported();

private:
    QString pathFor(const QString& extension) const
    {
        return dir_.filePath(QString(QTest::currentTestFunction()) + "-" +
                             QString(QTest::currentDataTag()).replace(' ', '_') + "." + extension);
    }
    QString written(const QByteArray& bytes, const QString& extension) const;

    QTemporaryDir dir_;
};

QString TestCodecs::written(const QByteArray& bytes, const QString& extension) const
{
    const QString path = pathFor(extension);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

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
    const QImage source = screenLike(200, 120);
    const QByteArray jpeg = encodeJpeg(source, quality);
    const QString path = written(jpeg, "jpg");

    const QImage decoded = djpegPixels(path);
    QCOMPARE(decoded.size(), source.size());
    QVERIFY2(meanError(decoded, source) <= maxMeanError,
             qPrintable(QString::number(meanError(decoded, source))));

    // Baseline (SOF0), three components: colour, not gray.
    const QByteArray frame = segmentsWithMarker(jpeg, 0xC0);
    QCOMPARE(frame.size(), 2 + 8 + 3 * 3);
    QCOMPARE(int(frame[9]), 3);
    QCOMPARE(fgtest::runPeer("identify", {"-format", "%[jpeg:sampling-factor]", path}), sampling);
    const QImage lines = colourLines(64, 48);
    const double linesError = meanError(decodeJpeg(encodeJpeg(lines, quality)), lines);
    QVERIFY2(linesError <= maxLinesError, qPrintable(QString::number(linesError)));

    // The quality reached libjpeg: the tables are those cjpeg makes at that quality.
    const QString ppm = pathFor("ppm");
    QVERIFY(source.save(ppm, "PPM"));
    const QString peer = pathFor("cjpeg.jpg");
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
    const QImage source = screenLike(320, 200);
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
    const QImage source = screenLike(40, 30);
    QCOMPARE(encodeJpeg(source, asked), encodeJpeg(source, used));
}

void TestCodecs::jpegDecodedLikeDjpeg_data()
{
    QTest::addColumn<QStringList>("cjpegOptions");
    QTest::addColumn<QSize>("size");
    QTest::newRow("baseline") << QStringList() << QSize(96, 64);
    QTest::newRow("odd size") << QStringList() << QSize(13, 7);
    QTest::newRow("one pixel") << QStringList() << QSize(1, 1);
    QTest::newRow("progressive") << QStringList{"-progressive"} << QSize(61, 37);
    QTest::newRow("grayscale") << QStringList{"-grayscale"} << QSize(61, 37);
    QTest::newRow("no subsampling") << QStringList{"-sample", "1x1"} << QSize(61, 37);
    QTest::newRow("restart markers") << QStringList{"-restart", "1"} << QSize(61, 37);
    QTest::newRow("optimized tables") << QStringList{"-optimize"} << QSize(61, 37);
    QTest::newRow("arithmetic coding") << QStringList{"-arithmetic"} << QSize(61, 37);
}

void TestCodecs::jpegDecodedLikeDjpeg()
{
    QFETCH(QStringList, cjpegOptions);
    QFETCH(QSize, size);
    const QString ppm = pathFor("ppm");
    QVERIFY(screenLike(size.width(), size.height()).save(ppm, "PPM"));
    const QString path = pathFor("jpg");
    fgtest::runPeer("cjpeg", cjpegOptions + QStringList{"-outfile", path, ppm});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));

    const QImage decoded = decodeJpeg(file.readAll());
    QCOMPARE(decoded.format(), QImage::Format_RGB32);
    QVERIFY(fullyOpaque(decoded));
    const QImage expected = djpegPixels(path);
    QVERIFY(!expected.isNull());
    const QString difference = fgtest::firstDifference(decoded, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestCodecs::jpegRoundTrip_data()
{
    QTest::addColumn<QImage>("source");
    QTest::newRow("full HD capture") << screenLike(1920, 1080);
    QTest::newRow("odd size") << screenLike(203, 101);
    QTest::newRow("RGB888") << screenLike(203, 101, QImage::Format_RGB888);
    QTest::newRow("alpha dropped") << withTransparency(screenLike(203, 101));
}

void TestCodecs::jpegRoundTrip()
{
    QFETCH(QImage, source);
    const QByteArray jpeg = encodeJpeg(source, 100);
    const QImage decoded = decodeJpeg(jpeg);
    QCOMPARE(decoded.size(), source.size());
    QVERIFY2(meanError(decoded, source) <= 1.0,
             qPrintable(QString::number(meanError(decoded, source))));
    const QString difference = fgtest::firstDifference(decoded, djpegPixels(written(jpeg, "jpg")));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestCodecs::jpegFileRead()
{
    const QByteArray jpeg = encodeJpeg(screenLike(50, 40), 85);
    const QImage read = readJpegFile(written(jpeg, "jpg"));
    QCOMPARE(read, decodeJpeg(jpeg));
}

void TestCodecs::jpegFileUnreadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    QTest::newRow("missing file") << "missing.jpg"
                                  << "";
    QTest::newRow("folder") << "."
                            << "it is not a regular file.";
    // each of these once grew without end, or waited for ever
    QTest::newRow("link to an endless device") << "zero.jpg"
                                               << "it is not a regular file.";
    QTest::newRow("FIFO without a writer") << "fifo.jpg"
                                           << "it is not a regular file.";
    QTest::newRow("larger than any picture") << "huge.jpg"
                                             << "it is larger than 160 MB";
}

void TestCodecs::jpegFileUnreadable()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    const QString path = dir_.filePath(name);
    QFile::link("/dev/zero", dir_.filePath("zero.jpg"));
    if (!QFileInfo::exists(dir_.filePath("fifo.jpg")))
        fgtest::runPeer("mkfifo", {dir_.filePath("fifo.jpg")});
    QFile huge(dir_.filePath("huge.jpg"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(200) << 20)); // holes only
    const QString failure = failureText([&] { readJpegFile(path); });
    QVERIFY2(failure.startsWith("Unable to read " + path + ": " + why), qPrintable(failure));
}

void TestCodecs::pngReadByPeers_data()
{
    QTest::addColumn<QImage>("source");
    QTest::newRow("RGB32 capture") << screenLike(61, 37);
    QTest::newRow("one pixel") << screenLike(1, 1);
    QTest::newRow("ARGB32 keeps colours under any alpha") << withTransparency(screenLike(61, 37));
    QTest::newRow("RGB888") << screenLike(13, 7, QImage::Format_RGB888);
    QTest::newRow("Grayscale8") << screenLike(13, 7, QImage::Format_Grayscale8);
    // compressed in strips on several cores, joined into one stream
    QTest::newRow("many strips") << screenLike(1280, 700);
    QTest::newRow("rows longer than the window") << screenLike(12000, 30);
}

void TestCodecs::pngReadByPeers()
{
    QFETCH(QImage, source);
    const QByteArray png = encodePng(source);
    const QString path = written(png, "png");
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
    QTest::newRow("RGB32 capture") << screenLike(13, 7) << 32;
    QTest::newRow("RGB32 one pixel") << screenLike(1, 1) << 32;
    QTest::newRow("ARGB32 keeps colours under any alpha")
        << withTransparency(screenLike(13, 7)) << 32;
    QTest::newRow("RGB888 rows padded") << screenLike(13, 7, QImage::Format_RGB888) << 24;
    QTest::newRow("RGB888 one pixel") << screenLike(1, 1, QImage::Format_RGB888) << 24;
    QTest::newRow("Grayscale8 as RGB32") << screenLike(13, 7, QImage::Format_Grayscale8) << 32;
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

    const QString path = written(bmp, "bmp");
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
    QCOMPARE(failureText([&] { encode(picture); }), QString(EmptyPictureText));
}

void TestCodecs::fileReplacedWhole_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("new file") << QByteArray() << QByteArray("picture");
    QTest::newRow("over a longer file") << QByteArray(5000, 'x') << QByteArray("picture");
    QTest::newRow("over a shorter file") << QByteArray("old") << QByteArray(70000, 'p');
}

void TestCodecs::fileReplacedWhole()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, bytes);
    const QString path = before.isNull() ? pathFor("bin") : written(before, "bin");
    writeFileAtomically(path, bytes);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void TestCodecs::failedWriteLeavesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "missing/picture.png";
    QTest::newRow("folder in the way") << "folder";
    QTest::newRow("file as folder") << "plain/picture.png";
}

void TestCodecs::failedWriteLeavesNothing()
{
    QFETCH(QString, name);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkdir("folder"));
    QVERIFY(QFile(root.filePath("folder/kept")).open(QIODevice::WriteOnly));
    QVERIFY(QFile(root.filePath("plain")).open(QIODevice::WriteOnly));
    const QStringList before = entriesUnder(root.path());

    const QString path = root.filePath(name);
    const QString failure = failureText([&] { writeFileAtomically(path, "picture"); });
    QVERIFY2(failure.startsWith("Unable to write to " + path + ": "), qPrintable(failure));
    QCOMPARE(entriesUnder(root.path()), before);
}

void TestCodecs::fullDiskReported_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("new file") << QByteArray();
    QTest::newRow("earlier file kept") << QByteArray("earlier picture");
}

void TestCodecs::fullDiskReported()
{
    QFETCH(QByteArray, before);
    QTemporaryDir root;
    if (geteuid() != 0 ||
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "fgtest", root.path()}) != 0)
        QSKIP("a small full file system needs root to mount a size-limited tmpfs");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {root.path()}); });
    const QString path = root.filePath("shot.png");
    QFile file(path);
    if (!before.isNull()) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
    }
    const QStringList entries = entriesUnder(root.path());
    const QString failure =
        failureText([&] { writeFileAtomically(path, QByteArray(1 << 20, 'p')); });
    QCOMPARE(failure, "Unable to write to " + path + ": No space left on device");
    QCOMPARE(entriesUnder(root.path()), entries);
    if (!before.isNull()) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
}

FG_TEST_MAIN(TestCodecs)
#include "test_codecs.moc"
