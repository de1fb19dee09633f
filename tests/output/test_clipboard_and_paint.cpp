#include "fg_test.h"
#include "output/paint_handoff.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

namespace
{

QImage filled(QSize size, QRgb colour, QRgb corner)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    picture.setPixel(0, 0, corner);
    return picture;
}

// Runs a peer that talks to this process's clipboard, so our event loop must keep serving.
QByteArray runClipboardPeer(const QStringList& arguments)
{
    QProcess xclip;
    xclip.start("xclip", arguments);
    if (!xclip.waitForStarted(5000))
        return {};
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (xclip.state() != QProcess::NotRunning && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        xclip.waitForFinished(10);
        output += xclip.readAllStandardOutput();
    }
    output += xclip.readAllStandardOutput();
    return xclip.exitCode() == 0 ? output : QByteArray();
}

// A stand-in paint program that writes down how many arguments it got and the first one.
void writeFakePaintProgram(const QString& path)
{
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    // written aside and renamed, so that the test never reads a half-written record
    script.write("#!/bin/sh\nprintf '%s\\n%s\\n' \"$#\" \"$1\" > \"$0.part\" && "
                 "mv \"$0.part\" \"$0.args\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList recordedArguments(const QString& program)
{
    QFile record(program + ".args");
    if (!QTest::qWaitFor([&] { return record.exists(); }) || !record.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(record.readAll()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestClipboardAndPaint : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void copyReplacesClipboardText();
    void handOff_data();
    void handOff();
    void handOffButtonSendsMainImage();
    void noPaintProgram();
    void paintProgramThatWillNotStart();

private:
    QTemporaryDir dir_;
    QByteArray oldPath_, oldConfig_;
    QString program_;
};

void TestClipboardAndPaint::initTestCase()
{
    oldPath_ = qgetenv("PATH");
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    // a workspace path with a blank in it, still passed as one argument
    qputenv("XDG_CONFIG_HOME", (dir_.path() + "/my config").toLocal8Bit());
    QVERIFY(QDir().mkpath(dir_.filePath("bin")));
    program_ = dir_.filePath("bin/kolourpaint");
    writeFakePaintProgram(program_);
    qputenv("PATH", dir_.filePath("bin").toLocal8Bit() + ":" + oldPath_);
}

void TestClipboardAndPaint::cleanupTestCase()
{
    qputenv("PATH", oldPath_);
    qputenv("XDG_CONFIG_HOME", oldConfig_);
}

void TestClipboardAndPaint::copyReplacesClipboardText()
{
    TForm1 form(fgtest::services());
    const QImage picture = filled(QSize(40, 30), qRgb(12, 200, 99), qRgb(255, 0, 0));
    form.Image1->setPicture(picture);
    QProcess::execute("sh", {"-c", "printf 'older text' | xclip -selection clipboard"});
    // xclip leaves its work to a child of its own, which takes the clipboard a moment later
    QTRY_COMPARE(runClipboardPeer({"-selection", "clipboard", "-o"}), QByteArray("older text"));

    QTest::mouseClick(form.Cmdclip, Qt::LeftButton);
    const QByteArray png = runClipboardPeer({"-selection", "clipboard", "-t", "image/png", "-o"});
    const QImage pasted = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(fgtest::firstDifference(pasted, picture), QString());
    QVERIFY(runClipboardPeer({"-selection", "clipboard", "-o"}) != "older text");
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Information);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("Image has been copied into the windows clipboard. You may now paste it into "
                     "any other application."));
}

void TestClipboardAndPaint::handOff_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("mainImage");
    QTest::newRow("MAINWINDOW") << "MAINWINDOW" << true;
    QTest::newRow("CROPWINDOW") << "CROPWINDOW" << false;
    QTest::newRow("other letter case") << "mainwindow" << false;
}

void TestClipboardAndPaint::handOff()
{
    QFETCH(QString, tag);
    QFETCH(bool, mainImage);
    TForm1 form(fgtest::services());
    QVERIFY(form.WorkDir.contains(' '));
    QCOMPARE(form.PaintProgramPath, program_);
    QFile::remove(program_ + ".args");
    const QImage main = filled(QSize(30, 20), qRgb(0, 0, 255), qRgb(1, 2, 3));
    const QImage working = filled(QSize(7, 5), qRgb(0, 255, 0), qRgb(4, 5, 6));
    PassToPaintProgram(tag, {form.PaintProgramPath, form.WorkDir, main, working},
                       fgtest::appMessages());
    const QString temporary = form.WorkDir + "/tempbitm.bmp";
    QCOMPARE(recordedArguments(program_), (QStringList{"1", temporary}));
    QVERIFY(fgtest::runPeer("identify", {"-format", "%m", temporary}).startsWith("BMP"));
    QImage written(temporary);
    QCOMPARE(fgtest::firstDifference(written.convertToFormat(QImage::Format_RGB32),
                                     mainImage ? main : working),
             QString());
    QVERIFY(fgtest::appMessages().shown.isEmpty());
}

void TestClipboardAndPaint::handOffButtonSendsMainImage()
{
    TForm1 form(fgtest::services());
    form.Image1->setPicture(filled(QSize(11, 9), qRgb(9, 9, 9), qRgb(200, 0, 0)));
    form.Image4 = filled(QSize(3, 3), qRgb(1, 1, 1), qRgb(1, 1, 1));
    QFile::remove(program_ + ".args");
    QTest::mouseClick(form.cmdpass, Qt::LeftButton);
    QCOMPARE(recordedArguments(program_).value(1), form.WorkDir + "/tempbitm.bmp");
    QCOMPARE(QImage(form.WorkDir + "/tempbitm.bmp").size(), QSize(11, 9));
}

void TestClipboardAndPaint::noPaintProgram()
{
    qputenv("PATH", dir_.filePath("nothing-here").toLocal8Bit());
    TForm1 form(fgtest::services());
    qputenv("PATH", dir_.filePath("bin").toLocal8Bit() + ":" + oldPath_);
    QCOMPARE(form.PaintProgramPath, QString());
    QFile::remove(form.WorkDir + "/tempbitm.bmp");
    QTest::mouseClick(form.cmdpass, Qt::LeftButton);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Information);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("PC Paintbrush was not found in the default windows directory on your "
                     "system. Please find and copy PC Paintbrush (pbrush.exe or mspaint.exe) into "
                     "your windows directory on your system, then run this option again."));
    QVERIFY(!QFile::exists(form.WorkDir + "/tempbitm.bmp"));
}

void TestClipboardAndPaint::paintProgramThatWillNotStart()
{
    TForm1 form(fgtest::services());
    const QString notAProgram = dir_.filePath("not-a-program");
    QFile file(notAProgram);
    QVERIFY(file.open(QIODevice::WriteOnly)); // there, but not executable
    file.close();
    PassToPaintProgram("MAINWINDOW", {notAProgram, form.WorkDir, form.Image1->picture(), {}},
                       fgtest::appMessages());
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Plain);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("You cannot view this file because you do not have a default Paintbrush "
                     "application found on your computer."));
    QVERIFY(QFile::exists(form.WorkDir + "/tempbitm.bmp")); // written all the same
}

FG_TEST_MAIN(TestClipboardAndPaint)
#include "test_clipboard_and_paint.moc"
