#include "fg_test.h"
#include "output/bmp_reader.h"
#include "output/bmp_writer.h"
#include "output/jpeg_codec.h"
#include "tools/batch_conversion.h"

#include <QDir>

namespace
{

// A different picture for every name, so that one file's pixels cannot pass for another's.
QImage pictureFor(const QString& name)
{
    const uint seed = qHash(name);
    QImage picture(64 + int(seed % 7), 40 + int(seed % 5), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y,
                             qRgb(int(seed + 4 * x) % 256, 8 * y % 256, int(seed >> 8) % 256));
    return picture;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// name=kind: bmp, jpg, their damaged forms, or a folder; anything else is a plain file.
void make(const QString& folder, const QString& file)
{
    const QString name = file.section('=', 0, 0), kind = file.section('=', 1);
    if (kind == "folder") {
        QVERIFY(QDir(folder).mkdir(name));
        return;
    }
    QByteArray bytes = kind.endsWith("bmp")   ? encodeBmp(pictureFor(name))
                       : kind.endsWith("jpg") ? encodeJpeg(pictureFor(name), 90)
                                              : QByteArray("was here before");
    if (kind.startsWith("damaged"))
        bytes.truncate(bytes.size() / 2);
    QFile out(folder + "/" + name);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
}

// What a converted file must hold: the source converted on its own.
QByteArray convertedAlone(const QString& source, bool toJpeg)
{
    return toJpeg ? encodeJpeg(readBmpFile(source), 100)
                  : encodeBmp(readJpegFile(source, QImage::Format_BGR888));
}

QString described(const ConversionResult& result, const QString& folder)
{
    const QString target = QFileInfo(result.target).fileName();
    switch (result.outcome) {
    case ConversionResult::Outcome::Converted:
        return target + " converted";
    case ConversionResult::Outcome::TargetExists:
        return target + " exists";
    case ConversionResult::Outcome::Failed:
        break;
    }
    return target + " failed: " + QString(result.reason).replace(folder, "//");
}

} // namespace

class TestBatchConversion : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void run_data();
    void run();
};

void TestBatchConversion::run_data()
{
    QTest::addColumn<QStringList>("files"); // name=kind, in the order the run takes them
    QTest::addColumn<bool>("toJpeg");
    QTest::addColumn<int>("stopAfter"); // files told before the run is asked to stop; 0: never
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<QString>("thrown"); // "//" stands for the folder

    QTest::newRow("bitmaps, one name taken")
        << QStringList{"a.bmp=bmp", "b.bmp=bmp", "B.JPG=text", "c.bmp=bmp", "d.bmp=bmp"} << true
        << 0 << QStringList{"A.JPG converted", "B.JPG exists", "C.JPG converted", "D.JPG converted"}
        << QString();
    QTest::newRow("JPEGs, a damaged one and a folder in the way")
        << QStringList{"a.jpg=jpg", "x.jpg=damagedjpg", "b.jpg=jpg", "C.BMP=folder", "c.jpg=jpg"}
        << false << 0
        << QStringList{"A.BMP converted", "X.BMP failed: Premature end of JPEG file",
                       "B.BMP converted", "C.BMP exists"}
        << QString();
    QTest::newRow("a damaged bitmap ends the run")
        << QStringList{"a.bmp=bmp", "bad.bmp=damagedbmp", "c.bmp=bmp"} << true << 0
        << QStringList{"A.JPG converted"}
        << "Unable to read //bad.bmp: The bitmap is damaged: it is cut off";
    QTest::newRow("stopped after the first file")
        << QStringList{"a.jpg=jpg", "b.jpg=jpg", "c.jpg=jpg"} << false << 1
        << QStringList{"A.BMP converted"} << QString();
}

// The results as the run tells them, the files it wrote, and each one's bytes equal to its
// source converted on its own: files prepared ahead on another core are never mixed up.
void TestBatchConversion::run()
{
    QFETCH(QStringList, files);
    QFETCH(bool, toJpeg);
    QFETCH(int, stopAfter);
    QFETCH(QStringList, told);
    QFETCH(QString, thrown);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    QStringList sources;
    for (const QString& file : files) {
        make(folder, file);
        if (file.section('=', 0, 0).endsWith(toJpeg ? ".bmp" : ".jpg"))
            sources.append(file.section('=', 0, 0));
    }
    const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QStringList results;
    QString failure;
    try {
        ConvertFiles(folder + (toJpeg ? "*.bmp" : "*.jpg"), folder + (toJpeg ? "*.jpg" : "*.bmp"),
                     sources, [&](const ConversionResult& result) {
                         results.append(described(result, folder));
                         return results.size() != stopAfter;
                     });
    } catch (const std::runtime_error& error) {
        failure = QString(error.what()).replace(folder, "//");
    }
    QCOMPARE(results, told);
    QVERIFY2(thrown.isEmpty() ? failure.isEmpty() : failure.startsWith(thrown),
             qPrintable(failure));
    QStringList written;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        if (!before.contains(name))
            written.append(name + " converted");
    QCOMPARE(written, told.filter(" converted"));
    for (const QString& result : written) {
        const QString target = result.section(' ', 0, 0);
        const auto source = std::find_if(sources.begin(), sources.end(), [&](const QString& name) {
            return name.section('.', 0, -2).toUpper() == target.section('.', 0, -2);
        });
        QVERIFY(source != sources.end());
        QVERIFY2(contentOf(folder + target) == convertedAlone(folder + *source, toJpeg),
                 qPrintable(target));
    }
}

FG_TEST_MAIN(TestBatchConversion)
#include "test_batch_conversion.moc"
