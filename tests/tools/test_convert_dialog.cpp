#include "fg_test.h"
#include "shell/main_window.h"
#include "tools/convert_dialog.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace
{

// A picture with flat areas, edges and a gradient, as screenshots and photos have.
QImage testPicture()
{
    QImage picture(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(255 * x / 96, 255 * y / 64, 128));
    QPainter painter(&picture);
    painter.fillRect(10, 10, 30, 20, Qt::white);
    painter.fillRect(50, 30, 20, 25, QColor(20, 30, 160));
    return picture;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Makes one file of a kind, with ImageMagick and libjpeg's tools from the test picture.
void make(const QString& path, const QString& kind, const QString& png)
{
    const auto magick = [&](const QStringList& options, const QString& output) {
        fgtest::runPeer("convert", QStringList{png} + options + QStringList{output});
    };
    const auto jpeg = [&] {
        magick({"-quality", "90"}, path);
        return contentOf(path);
    };
    if (kind == "bmp24" || kind == "readonly") {
        magick({"-type", "truecolor"}, "BMP3:" + path);
        if (kind == "readonly")
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    } else if (kind == "bmp8") {
        magick({"-colors", "200", "-type", "palette"}, "BMP3:" + path);
    } else if (kind == "rle8") {
        magick({"-colors", "200", "-type", "palette", "-compress", "RLE"}, "BMP3:" + path);
    } else if (kind == "damagedbmp") {
        magick({"-type", "truecolor"}, "BMP3:" + path);
        put(path, contentOf(path).left(contentOf(path).size() * 3 / 5));
    } else if (kind == "jpg") {
        jpeg();
    } else if (kind == "prog") {
        magick({"-interlace", "JPEG"}, path);
    } else if (kind == "gray") {
        magick({"-colorspace", "Gray"}, path);
    } else if (kind == "cmyk") {
        magick({"-colorspace", "CMYK"}, path);
    } else if (kind == "arith") {
        const QByteArray plain = jpeg();
        put(path, fgtest::runPeer("jpegtran", {"-arithmetic", path}));
    } else if (kind == "damagedjpg") {
        put(path, jpeg().left(jpeg().size() * 3 / 5));
    } else if (kind == "extrajpg") { // stray bytes before the Huffman tables
        QByteArray bytes = jpeg();
        put(path, bytes.insert(bytes.indexOf("\xFF\xC4"), QByteArray(3, '\0')));
    } else if (kind == "tailjpg") {
        put(path, jpeg() + "trailing bytes after the end");
    } else if (kind == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == "fifo") {
        fgtest::runPeer("mkfifo", {path});
    } else {
        put(path, "B.JPG was here before");
    }
}

// Every file below the folder with a digest of its bytes.
QMap<QString, QByteArray> filesIn(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();
        files[entry.fileName()] =
            entry.isFile()
                ? QCryptographicHash::hash(contentOf(entry.filePath()), QCryptographicHash::Sha256)
                : QByteArray("not a file");
    }
    return files;
}

// ImageMagick's peak signal-to-noise ratio of two pictures in screen colours, in dB; identical
// pictures give inf.
double psnr(const QString& a, const QString& b)
{
    QTemporaryDir folder;
    const QString rgbA = folder.filePath("a.png"), rgbB = folder.filePath("b.png");
    fgtest::runPeer("convert", {a, "-colorspace", "sRGB", rgbA});
    fgtest::runPeer("convert", {b, "-colorspace", "sRGB", rgbB});
    QProcess compare;
    compare.start("compare", {"-metric", "PSNR", rgbA, rgbB, "null:"});
    compare.waitForFinished(30000);
    const QString value = QString::fromLocal8Bit(compare.readAllStandardError()).split(' ').first();
    return value == "inf" ? 1000 : value.toDouble();
}

quint16 bitsPerPixelOfBmp(const QString& path)
{
    const QByteArray bytes = contentOf(path);
    return bytes.size() > 30 ? quint16(quint8(bytes[28]) | quint8(bytes[29]) << 8) : 0;
}

// A message as the user saw it, its kind first.
QString said(MessageKind kind, const QString& text)
{
    const char* kinds[] = {"information", "warning", "question", "plain", "error"};
    return QString(kinds[int(kind)]) + ": " + text;
}

} // namespace

class TestConvertDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void folderRun_data();
    void folderRun();
    void exitDuringRunClosesAfterTheFile();

private:
    QTemporaryDir scratch_;
    QString png_;
    std::unique_ptr<QTemporaryDir> folder_;
};

void TestConvertDialog::initTestCase()
{
    png_ = scratch_.filePath("picture.png");
    QVERIFY(testPicture().save(png_));
}

void TestConvertDialog::init()
{
    folder_ = std::make_unique<QTemporaryDir>(scratch_.filePath("Pics.BMP-XXXXXX"));
}

void TestConvertDialog::folderRun_data()
{
    QTest::addColumn<QStringList>("files"); // name=kind
    QTest::addColumn<bool>("toJpeg");
    QTest::addColumn<QStringList>("written");  // TARGET=source
    QTest::addColumn<QStringList>("messages"); // "//" stands for the folder chosen

    const QString exists = "File //B.JPG was not saved because this name already exists. To "
                           "convert this file, make sure the name //B.JPG does not already exist "
                           "in this folder.";
    const auto done = [](int count) {
        return QString("%1 images were successfully converted. The new images were created in the "
                       "same folder, and are the same names except for the file extension, which "
                       "is JPG for jpegs or BMP for bitmaps.")
            .arg(count);
    };
    QTest::newRow("bitmaps to JPEG")
        << QStringList{"a.bmp=bmp24",  "b.bmp=bmp24",       "B.JPG=text",   "c.bmp=readonly",
                       ".d.bmp=bmp24", "shot.old.bmp=bmp8", "e.bmp=folder", "f.bmp=fifo",
                       "g.jpeg=jpg",   "Up.BMP=rle8"}
        << true
        << QStringList{"A.JPG=a.bmp", "C.JPG=c.bmp", "SHOT.OLD.JPG=shot.old.bmp", "UP.JPG=Up.BMP"}
        << QStringList{said(MessageKind::Information, exists),
                       said(MessageKind::Information, done(4))};
    QTest::newRow("JPEGs to bitmap")
        << QStringList{"good.jpg=jpg",       "x.jpg=damagedjpg", "prog.jpg=prog",
                       "gray.jpg=gray",      "ink.JPG=cmyk",     "arith.jpg=arith",
                       "extra.jpg=extrajpg", "tail.jpg=tailjpg", "keep.bmp=bmp24"}
        << false << QStringList{"GOOD.BMP=good.jpg", "PROG.BMP=prog.jpg",   "GRAY.BMP=gray.jpg",
                                "INK.BMP=ink.JPG",   "ARITH.BMP=arith.jpg", "EXTRA.BMP=extra.jpg",
                                "TAIL.BMP=tail.jpg"}
        << QStringList{said(MessageKind::Warning, "File //x.jpg was not converted because an "
                                                  "error occurred.  This image cannot be "
                                                  "converted.\n\nPremature end of JPEG file"),
                       said(MessageKind::Information, done(7))};
    QTest::newRow("damaged bitmap ends the run")
        << QStringList{"bad.bmp=damagedbmp"} << true << QStringList{}
        << QStringList{said(MessageKind::Error, "Unable to read //bad.bmp: The bitmap is damaged: "
                                                "it is cut off: 64 rows of pixels, the file "
                                                "holds 38.")};
    QTest::newRow("no bitmaps")
        << QStringList{"a.jpg=jpg", "b.bmp=folder"} << true << QStringList{}
        << QStringList{said(MessageKind::Information,
                            "There are no images in this folder with an extension type .bmp  "
                            "There is nothing to convert to .jpg. Make sure you have the correct "
                            "folder containing the correct file types you wish to convert.")};
    QTest::newRow("no JPEGs")
        << QStringList{"a.jpeg=jpg"} << false << QStringList{}
        << QStringList{said(MessageKind::Information,
                            "There are no images in this folder with an extension type .jpg  "
                            "There is nothing to convert to .bmp. Make sure you have the correct "
                            "folder containing the correct file types you wish to convert.")};
}

// A whole run as the user starts it: the folder picked through a picture in it, a direction,
// "Convert!"; then the messages, the new files and their pixels, and the untouched sources.
void TestConvertDialog::folderRun()
{
    QFETCH(QStringList, files);
    QFETCH(bool, toJpeg);
    QFETCH(QStringList, written);
    QFETCH(QStringList, messages);
    const QString folder = folder_->path();
    for (const QString& file : files)
        make(folder + "/" + file.section('=', 0, 0), file.section('=', 1), png_);
    const QMap<QString, QByteArray> before = filesIn(folder);

    TFrmconvert dialog(nullptr, fgtest::services());
    fgtest::appChoosers().answers = {folder + "/" + files.first().section('=', 0, 0)};
    QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
    QCOMPARE(dialog.Edfolder->text(), folder + "/");
    QCOMPARE(fgtest::appChoosers().askedOpen.value(0).filter, "All (*.jpg *.jpeg *.bmp)");
    (toJpeg ? dialog.RadioButton1 : dialog.RadioButton2)->setChecked(true);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);

    QStringList shown;
    for (const auto& message : fgtest::appMessages().shown)
        shown.append(said(message.kind, QString(message.text).replace(folder + "//", "//")));
    QCOMPARE(shown, messages);
    const QMap<QString, QByteArray> after = filesIn(folder);
    QStringList added;
    for (auto file = after.begin(); file != after.end(); ++file) {
        if (before.contains(file.key()))
            QVERIFY2(before[file.key()] == file.value(), qPrintable(file.key() + " changed"));
        else
            added.append(file.key());
    }
    QStringList expected;
    for (const QString& pair : written)
        expected.append(pair.section('=', 0, 0));
    expected.sort();
    QCOMPARE(added, expected);
    for (const QString& pair : written) {
        const QString target = folder + "/" + pair.section('=', 0, 0);
        const QString source = folder + "/" + pair.section('=', 1);
        if (toJpeg)
            QCOMPARE(fgtest::runPeer("identify", {"-format", "%Q", target}), "100");
        else
            QCOMPARE(bitsPerPixelOfBmp(target), 24);
        const double ratio = psnr(source, target);
        QVERIFY2(ratio > 30, qPrintable(QString("%1: %2 dB").arg(pair).arg(ratio)));
    }
    if (!written.isEmpty())
        QCOMPARE(dialog.Lblmsg->text(), QString("Converting Images -> %1 converted. Done with "
                                                "conversion.")
                                            .arg(written.size()));
}

// "Exit" pressed while the run processes events between files, and a second "Convert!" before
// it: the second run is refused, the run stops after its file and the dialog closes.
void TestConvertDialog::exitDuringRunClosesAfterTheFile()
{
    const QString folder = folder_->path();
    for (const QString name : {"one.bmp", "two.bmp", "three.bmp"})
        make(folder + "/" + name, "bmp24", png_);
    TForm1 form(fgtest::services());
    QString progress;
    bool answered = false;
    fgtest::answerWhenOpen<TFrmconvert>([&](TFrmconvert& dialog) {
        answered = true;
        dialog.Edfolder->setText(folder);
        QTimer::singleShot(0, &dialog, [&] {
            progress = dialog.Lblmsg->text();
            QTest::mouseClick(dialog.Button1, Qt::LeftButton);
            QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    });
    QTest::mouseClick(form.CmdConvert, Qt::LeftButton); // returns when the dialog has closed
    QVERIFY(answered);
    QCOMPARE(progress, "Converting Images: 1 have been converted. Please be patient.");
    QCOMPARE(QDir(folder).entryList({"*.JPG"}, QDir::Files).size(), 1);
    QVERIFY2(fgtest::appMessages().shown.isEmpty(),
             qPrintable(fgtest::appMessages().shown.value(0).text));
}

FG_TEST_MAIN(TestConvertDialog)
#include "test_convert_dialog.moc"
