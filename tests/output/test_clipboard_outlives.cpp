// The copied picture stays pasteable after the program has ended, in a Wayland session: runs
// inside a desktop bed of scripts/, natively and under Xwayland, and pastes with the session's
// own means.
#include "fg_test.h"
#include "platform/clipboard_handoff.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QDir>
#include <QPushButton>

namespace
{

bool nativeWayland()
{
    return QGuiApplication::platformName().startsWith("wayland");
}

// What a program of this session gets when it pastes `type`.
QByteArray pasted(const QString& type)
{
    return nativeWayland()
               ? fgtest::runPeer("wl-paste", {"-t", type})
               : fgtest::runPeer("xclip", {"-selection", "clipboard", "-t", type, "-o"});
}

// The processes keeping this session's clipboard: wl-copy, or our X11 keeper, run on its display.
QList<int> keepers()
{
    const QByteArray name = nativeWayland() ? "wl-copy" : "framegrove-clip";
    const QByteArray session = nativeWayland() ? "WAYLAND_DISPLAY=" + qgetenv("WAYLAND_DISPLAY")
                                               : "DISPLAY=" + qgetenv("DISPLAY");
    QList<int> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        const auto read = [&](const char* file) {
            QFile data("/proc/" + entry + "/" + file);
            return data.open(QIODevice::ReadOnly) ? data.readAll() : QByteArray();
        };
        if (entry.toInt() > 0 && read("comm").trimmed() == name &&
            read("environ").split('\0').contains(session))
            found << entry.toInt();
    }
    return found;
}

// Another program takes the clipboard; it goes on serving it from the background.
void takeClipboard()
{
    QProcess taker;
    if (nativeWayland())
        taker.start("wl-copy", {"taken by another program"});
    else
        taker.start("xclip", {"-selection", "clipboard", "-i"});
    taker.write("taken by another program");
    taker.closeWriteChannel();
    taker.waitForFinished();
}

// The program, beside the test where a bed has copied them into a folder of its own.
QString program()
{
    const QString beside = QCoreApplication::applicationDirPath() + "/framegrove";
    return QFile::exists(beside) ? beside : QStringLiteral(FG_PROGRAM);
}

// The screen as the program captures it.
QImage screen()
{
    return QImage::fromData(fgtest::runPeer(program(), {"--screen", "--output", "-"}), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestClipboardOutlives : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pictureOutlivesProgram_data();
    void pictureOutlivesProgram();
};

void TestClipboardOutlives::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"), "run inside a desktop bed");
}

void TestClipboardOutlives::pictureOutlivesProgram_data()
{
    QTest::addColumn<bool>("commandLine");
    QTest::newRow("--screen --clipboard") << true;
    QTest::newRow("Copy (For Pasting), then Exit") << false;
}

void TestClipboardOutlives::pictureOutlivesProgram()
{
    QFETCH(bool, commandLine);
    QImage copied;
    if (commandLine) {
        QProcess run;
        run.start(program(), {"--screen", "--clipboard"});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.readAllStandardError(), QByteArray());
        QCOMPARE(run.exitCode(), 0);
        copied = screen(); // nothing has changed on the screen since
    } else {
        // the window's own copy, and the hand-over the program makes as it ends
        TForm1 form(fgtest::services());
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.Cmdclip, Qt::LeftButton);
        copied = form.Image1->picture();
        form.close();
        const platform::ClipboardHandOver handOver = platform::handClipboardToKeeper();
        QVERIFY2(handOver.kept, qPrintable(handOver.reason));
    }
    QCOMPARE(keepers().size(), 1);
    const QByteArray png = pasted("image/png");
    QCOMPARE(fgtest::firstDifference(
                 QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32), copied),
             QString());

    const int keeper = keepers().value(0);
    takeClipboard();
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists("/proc/" + QString::number(keeper)), 2000);
    QVERIFY(pasted("image/png") != png);
}

FG_TEST_MAIN(TestClipboardOutlives)
#include "test_clipboard_outlives.moc"
