#include "fg_test.h"
#include "output/last_used_folder.h"
#include "output/quality_dialog.h"
#include "output/save_operations.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <sys/resource.h>

namespace
{

QImage knownPicture(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 3 & 0xFF, y * 5 & 0xFF, (x ^ y) & 0xFF));
    return picture;
}

// The picture as ImageMagick reads the file.
QImage readByImageMagick(const QString& path, QSize size)
{
    const QByteArray rgb = fgtest::runPeer("convert", {path, "-depth", "8", "rgb:-"});
    if (rgb.size() != size.width() * size.height() * 3)
        return {};
    return QImage(reinterpret_cast<const uchar*>(rgb.constData()), size.width(), size.height(),
                  size.width() * 3, QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

// Sets the quality dialog's bar once it is open, then closes it by "Ok" or by its close box.
void answerQualityDialog(int position, bool byCloseBox)
{
    fgtest::answerWhenOpen<Tfrmcomp>([=](Tfrmcomp& dialog) {
        if (position > 0)
            dialog.ScrollBar1->setValue(position);
        if (byCloseBox)
            dialog.close();
        else
            QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    });
}

QString storedFolder()
{
    return QSettings("Kelmar", "Framegrove").value("Previous").toString();
}

} // namespace

class TestSaveOperations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void firstJpegOfTheRunIs85();
    void jpegAtQuality_data();
    void jpegAtQuality();
    void qualityLabels_data();
    void qualityLabels();
    void cancelledJpegWritesNothing();
    void lastUsedFolderOpensNextDialogs();
    void pngHasNoAlphaAndExactPixels();
    void bitmapWithPngNameIsBitmap();
    void emptyPictureWritesNoFile_data();
    void emptyPictureWritesNoFile();
    void failedWriteKeepsExistingFile();
    void realSaveDialogAddsTheExtension();
    void folderPart_data();
    void folderPart();
    void graphicClasses_data();
    void graphicClasses();

private:
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestSaveOperations::init()
{
    form_ = std::make_unique<TForm1>(fgtest::services());
    form_->Image1->setPicture(knownPicture(QSize(64, 48)));
    dir_ = std::make_unique<QTemporaryDir>();
}

void TestSaveOperations::cleanup()
{
    fgtest::cancelPendingAnswers();
    form_.reset();
    dir_.reset();
}

void TestSaveOperations::firstJpegOfTheRunIs85()
{
    QCOMPARE(form_->frmcomp->JpegQuality, 85);
    const QString path = dir_->filePath("first.jpg");
    fgtest::appChoosers().answers = {path};
    answerQualityDialog(0, false);
    QTest::mouseClick(form_->cmdjpeg, Qt::LeftButton);
    QCOMPARE(fgtest::runPeer("identify", {"-format", "%Q", path}), QByteArray("85"));
    QCOMPARE(form_->frmcomp->Lblnumber->text(), QString("85"));
}

void TestSaveOperations::jpegAtQuality_data()
{
    QTest::addColumn<int>("quality");
    QTest::addColumn<bool>("byCloseBox");
    QTest::newRow("1") << 1 << false;
    QTest::newRow("85, dialog closed by its close box") << 85 << true;
    QTest::newRow("100") << 100 << false;
}

void TestSaveOperations::jpegAtQuality()
{
    QFETCH(int, quality);
    QFETCH(bool, byCloseBox);
    static qint64 lastSize = 0;
    const QString path = dir_->filePath(QString("q%1.jpg").arg(quality));
    fgtest::appChoosers().answers = {path};
    answerQualityDialog(quality, byCloseBox);
    form_->cmdjpegClick();
    QCOMPARE(fgtest::runPeer("identify", {"-format", "%Q", path}), QByteArray::number(quality));
    QVERIFY(!fgtest::runPeer("djpeg", {"-pnm", path}).isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), form_->saves->Image2); // the bytes encoded before the dialog
    QVERIFY2(QFileInfo(path).size() > lastSize, "a higher quality gives a larger file");
    lastSize = QFileInfo(path).size();
    QCOMPARE(fgtest::appChoosers().asked.last().defaultSuffix, QString("jpg"));
    QCOMPARE(fgtest::appChoosers().asked.last().filter, QString("JPEG (*.jpg)"));
}

void TestSaveOperations::qualityLabels_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("quality");
    QTest::addColumn<QString>("compression");
    QTest::newRow("1") << 1 << "Low"
                       << "High";
    QTest::newRow("49") << 49 << "Low"
                        << "High";
    QTest::newRow("50") << 50 << "Medium"
                        << "Medium";
    QTest::newRow("74") << 74 << "Medium"
                        << "Medium";
    QTest::newRow("75") << 75 << "High"
                        << "Low";
    QTest::newRow("100") << 100 << "High"
                         << "Low";
}

void TestSaveOperations::qualityLabels()
{
    QFETCH(int, position);
    QFETCH(QString, quality);
    QFETCH(QString, compression);
    Tfrmcomp* dialog = form_->frmcomp;
    QCOMPARE(dialog->windowTitle(), QString("Framegrove JPEG Compression Level"));
    dialog->ScrollBar1->setValue(position);
    QCOMPARE(dialog->Lblnumber->text(), QString::number(position));
    QCOMPARE(dialog->LblQuality->text(), quality);
    QCOMPARE(dialog->LblComp->text(), compression);
    QCOMPARE(form_->frmcomp->JpegQuality, position);
}

void TestSaveOperations::cancelledJpegWritesNothing()
{
    QSettings("Kelmar", "Framegrove").setValue("Previous", "/somewhere/kept/");
    answerQualityDialog(60, false);
    form_->cmdjpegClick(); // no answer: the save dialog is cancelled
    QCOMPARE(fgtest::appChoosers().asked.size(), 1);
    QVERIFY(form_->saves->Image2.startsWith("\xFF\xD8")); // encoded all the same
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList());
    QCOMPARE(storedFolder(), QString("/somewhere/kept/"));
    QSettings("Kelmar", "Framegrove").remove("Previous");
}

void TestSaveOperations::lastUsedFolderOpensNextDialogs()
{
    QSettings("Kelmar", "Framegrove").remove("Previous");
    QVERIFY(QDir().mkpath(dir_->filePath("shots")));
    const QString jpeg = dir_->filePath("shots/a.jpg");
    fgtest::appChoosers().answers = {"", jpeg, dir_->filePath("b.bmp"), ""};
    form_->cmdbitmClick(); // first run: cancelled in the default folder
    QCOMPARE(fgtest::appChoosers().asked[0].initialFolder, QDir::homePath());
    answerQualityDialog(0, false);
    form_->cmdjpegClick();
    QCOMPARE(storedFolder(), dir_->filePath("shots") + "/");
    form_->cmdbitmClick();
    QCOMPARE(fgtest::appChoosers().asked[2].initialFolder, dir_->filePath("shots") + "/");
    QCOMPARE(storedFolder(), dir_->path() + "/");
    form_->Button7Click();
    QCOMPARE(fgtest::appChoosers().asked[3].initialFolder, dir_->path() + "/");
    QSettings("Kelmar", "Framegrove").remove("Previous");
}

void TestSaveOperations::pngHasNoAlphaAndExactPixels()
{
    const QString path = dir_->filePath("shot.png");
    QImage withAlpha = knownPicture(QSize(64, 48)).convertToFormat(QImage::Format_ARGB32);
    withAlpha.setPixel(3, 3, qRgba(10, 20, 30, 0)); // a transparent pixel must not come out so
    form_->Image1->setPicture(withAlpha);
    fgtest::appChoosers().answers = {path};
    QTest::mouseClick(form_->Button7, Qt::LeftButton);
    QVERIFY(!fgtest::runPeer("pngcheck", {path}).isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(26);
    QCOMPARE(int(header[24]), 8); // bit depth
    QCOMPARE(int(header[25]), 2); // colour type: RGB, no alpha
    const QImage read = readByImageMagick(path, QSize(64, 48));
    QCOMPARE(fgtest::firstDifference(read, withAlpha.convertToFormat(QImage::Format_RGB32)),
             QString());
    QCOMPARE(read.pixel(3, 3), qRgb(10, 20, 30));
}

void TestSaveOperations::bitmapWithPngNameIsBitmap()
{
    const QString path = dir_->filePath("really-a-bitmap.png");
    fgtest::appChoosers().answers = {path};
    QTest::mouseClick(form_->cmdbitm, Qt::LeftButton);
    QCOMPARE(fgtest::appChoosers().asked.last().defaultSuffix, QString("bmp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(2) == "BM");
    QVERIFY(fgtest::runPeer("identify", {"-format", "%m", path}).startsWith("BMP"));
    QCOMPARE(
        fgtest::firstDifference(readByImageMagick(path, QSize(64, 48)), form_->Image1->picture()),
        QString());
}

void TestSaveOperations::emptyPictureWritesNoFile_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("jpeg") << "Save As Jpeg";
    QTest::newRow("bitmap") << "Save As Bitmap";
    QTest::newRow("png") << "Save As Png";
}

// An empty picture (a click without a drag gives one) ends in a clear message and no file.
void TestSaveOperations::emptyPictureWritesNoFile()
{
    QFETCH(QString, button);
    form_->Image1->setPicture(QImage());
    const QString path = dir_->filePath("empty.out");
    fgtest::appChoosers().answers = {path};
    answerQualityDialog(0, false);
    for (QPushButton* b : form_->findChildren<QPushButton*>())
        if (b->text() == button)
            QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Error);
    QVERIFY(fgtest::appMessages().shown[0].text.contains("empty"));
}

// A disk that fills up half way through must not leave a cut-off picture in place of the old one.
void TestSaveOperations::failedWriteKeepsExistingFile()
{
    const QString path = dir_->filePath("keep.png");
    {
        QFile existing(path);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("an older picture");
    }
    form_->Image1->setPicture(knownPicture(QSize(400, 300)));
    fgtest::appChoosers().answers = {path};
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small{200, old.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QTest::mouseClick(form_->Button7, Qt::LeftButton);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QVERIFY(fgtest::appMessages().shown[0].text.startsWith("Unable to write to " + path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("an older picture"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"keep.png"});
    QVERIFY2(storedFolder() != dir_->path() + "/", "a failed save stores no folder");
}

// The real dialog opens in the given folder with the given filter, and a name typed without an
// extension gets the dialog's own.
void TestSaveOperations::realSaveDialogAddsTheExtension()
{
    DialogChoosers choosers;
    SaveDialogSpec wanted{"jpg", "*.jpg", "JPEG (*.jpg)", dir_->path(), true};
    QTimer::singleShot(300, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().absolutePath(), dir_->path());
        QCOMPARE(dialog->nameFilters(), QStringList{"JPEG (*.jpg)"});
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        name->setText("shot");
        QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(choosers.saveFile(wanted), dir_->filePath("shot.jpg"));
    QCOMPARE(wanted.fileName, QString("shot.jpg")); // offered again next time
}

void TestSaveOperations::folderPart_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folder");
    // "\\" and ":" are letters of a name here, not separators
    QTest::newRow("backslash in the name") << "/tmp/shots/shot\\1.png"
                                           << "/tmp/shots/";
    QTest::newRow("drive letter look-alike") << "C:a.jpg"
                                             << "";
    QTest::newRow("this system's path") << "/tmp/shots/a.jpg"
                                        << "/tmp/shots/";
    QTest::newRow("root") << "/a.png"
                          << "/";
    QTest::newRow("bare name") << "a.png"
                               << "";
    QTest::newRow("blank in the folder") << "/tmp/my shots/a b.bmp"
                                         << "/tmp/my shots/";
}

void TestSaveOperations::folderPart()
{
    QFETCH(QString, fileName);
    QFETCH(QString, folder);
    QCOMPARE(folderPartOf(fileName), folder);
}

void TestSaveOperations::graphicClasses_data()
{
    QTest::addColumn<FileFormat>("format");
    QTest::addColumn<QByteArray>("named"); // as ImageMagick names it
    QTest::newRow("bitmap") << FileFormat::Bitmap << QByteArray("BMP");
    QTest::newRow("JPEG") << FileFormat::Jpeg << QByteArray("JPEG");
    QTest::newRow("PNG") << FileFormat::Png << QByteArray("PNG");
}

void TestSaveOperations::graphicClasses()
{
    QFETCH(FileFormat, format);
    QFETCH(QByteArray, named);
    const QString path = dir_->filePath("graphic");
    SaveGraphicAs(knownPicture(QSize(16, 8)), format, path);
    QVERIFY(fgtest::runPeer("identify", {"-format", "%m", path}).startsWith(named));
}

FG_TEST_MAIN(TestSaveOperations)
#include "test_save_operations.moc"
