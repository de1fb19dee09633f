// The JPEG decoder and file reader: pictures as libjpeg-turbo's djpeg reads them, and files
// that are no picture refused with the reason.
#include "fg_test.h"
#include "output/jpeg_codec.h"
#include "output/picture_errors.h"
#include "sample_pictures.h"

#include <QFile>

namespace
{

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
} // namespace

class TestJpegReading : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void jpegDecodedLikeDjpeg_data();
    void jpegDecodedLikeDjpeg();
    void jpegRoundTrip_data();
    void jpegRoundTrip();
    void jpegFileRead();
    void jpegFileUnreadable_data();
    void jpegFileUnreadable();

private:
    fgtest::PictureFolder pictures_;
};

void TestJpegReading::jpegDecodedLikeDjpeg_data()
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

void TestJpegReading::jpegDecodedLikeDjpeg()
{
    QFETCH(QStringList, cjpegOptions);
    QFETCH(QSize, size);
    const QString ppm = pictures_.pathFor("ppm");
    QVERIFY(fgtest::screenLike(size.width(), size.height()).save(ppm, "PPM"));
    const QString path = pictures_.pathFor("jpg");
    fgtest::runPeer("cjpeg", cjpegOptions + QStringList{"-outfile", path, ppm});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));

    const QImage decoded = decodeJpeg(file.readAll());
    QCOMPARE(decoded.format(), QImage::Format_RGB32);
    QVERIFY(fullyOpaque(decoded));
    const QImage expected = fgtest::djpegPixels(path);
    QVERIFY(!expected.isNull());
    const QString difference = fgtest::firstDifference(decoded, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestJpegReading::jpegRoundTrip_data()
{
    QTest::addColumn<QImage>("source");
    QTest::newRow("full HD capture") << fgtest::screenLike(1920, 1080);
    QTest::newRow("odd size") << fgtest::screenLike(203, 101);
    QTest::newRow("RGB888") << fgtest::screenLike(203, 101, QImage::Format_RGB888);
    QTest::newRow("alpha dropped") << fgtest::withTransparency(fgtest::screenLike(203, 101));
}

void TestJpegReading::jpegRoundTrip()
{
    QFETCH(QImage, source);
    const QByteArray jpeg = encodeJpeg(source, 100);
    const QImage decoded = decodeJpeg(jpeg);
    QCOMPARE(decoded.size(), source.size());
    QVERIFY2(fgtest::meanError(decoded, source) <= 1.0,
             qPrintable(QString::number(fgtest::meanError(decoded, source))));
    const QString difference =
        fgtest::firstDifference(decoded, fgtest::djpegPixels(pictures_.written(jpeg, "jpg")));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestJpegReading::jpegFileRead()
{
    const QByteArray jpeg = encodeJpeg(fgtest::screenLike(50, 40), 85);
    const QImage read = readJpegFile(pictures_.written(jpeg, "jpg"));
    QCOMPARE(read, decodeJpeg(jpeg));
}

void TestJpegReading::jpegFileUnreadable_data()
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

void TestJpegReading::jpegFileUnreadable()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    const QString path = pictures_.filePath(name);
    QFile::link("/dev/zero", pictures_.filePath("zero.jpg"));
    if (!QFileInfo::exists(pictures_.filePath("fifo.jpg")))
        fgtest::runPeer("mkfifo", {pictures_.filePath("fifo.jpg")});
    QFile huge(pictures_.filePath("huge.jpg"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(200) << 20)); // holes only
    const QString failure = fgtest::failureText([&] { readJpegFile(path); });
    QVERIFY2(failure.startsWith("Unable to read " + path + ": " + why), qPrintable(failure));
}

FG_TEST_MAIN(TestJpegReading)
#include "test_jpeg_reading.moc"
