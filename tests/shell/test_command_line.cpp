// The program started from the command line as a person or a desktop shortcut would: pictures
// written without a window, mistakes refused, and a second start handing its capture to the
// running program over a private session bus.
#include "fg_test.h"
#include "pattern_window.h"
#include "platform/running_instance.h"
#include "ui/picture_box.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QWidget>

#include <csignal>
#include <memory>

namespace
{

struct Run {
    int status = -1;
    QByteArray output, error;
};

// Runs the program to its end, the event loop turning meanwhile so that it can be answered.
Run runProgram(const QStringList& arguments)
{
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(FG_PROGRAM, arguments);
    if (!finished.wait(30000)) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    const int status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    return {status, program.readAllStandardOutput(), program.readAllStandardError()};
}

QString identify(const QString& format, const QByteArray& picture)
{
    QProcess peer;
    peer.start("identify", {"-format", format, "-"});
    peer.write(picture);
    peer.closeWriteChannel();
    peer.waitForFinished(30000);
    return QString::fromUtf8(peer.readAllStandardOutput());
}

// A managed window that takes the focus: the one --window captures.
class ActiveWindow : public QWidget
{
public:
    ActiveWindow()
    {
        setWindowTitle("The window in front");
        setAutoFillBackground(true);
        setPalette(QPalette(QColor(40, 120, 200)));
        setGeometry(400, 300, 300, 200);
    }
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void windowless_data();
    void windowless();
    void secondStartHandsOver();
    void busStartsTheProgram();

private:
    std::unique_ptr<fgtest::PrivateBus> bus_;
    std::unique_ptr<fgtest::PatternWindow> pattern_;
    std::unique_ptr<ActiveWindow> front_;
};

void TestCommandLine::initTestCase()
{
    // the bus must be ours before this process or its children first reach for one; it starts
    // the program for a request as the installed service file has it
    bus_ = std::make_unique<fgtest::PrivateBus>(QMap<QString, QByteArray>{
        {"org.framegrove.Framegrove.service",
         "[D-BUS Service]\nName=org.framegrove.Framegrove\nExec=" FG_PROGRAM " --activated\n"}});
    QVERIFY(!bus_->address().isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->address());
    pattern_ = std::make_unique<fgtest::PatternWindow>(QRect(0, 0, 256, 200));
    pattern_->show();
    front_ = std::make_unique<ActiveWindow>();
    front_->show();
    front_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(front_.get()));
}

void TestCommandLine::windowless_data()
{
    QTest::addColumn<QStringList>("arguments"); // %d stands for the test's folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");   // the line on the standard error, %d as above
    QTest::addColumn<QString>("written"); // the file, "-" the standard output, ":" the clipboard
    QTest::addColumn<QString>("format");  // as ImageMagick names it
    QTest::addColumn<QString>("quality"); // of a JPEG, as ImageMagick reads it
    QTest::addColumn<QString>("shows");   // "screen", "window" or "stamp"
    const auto written = [](const char* row, const QString& arguments, const QString& file,
                            const QString& format, const QString& quality, const QString& shows) {
        QTest::newRow(row) << arguments.split(' ') << 0 << QString() << file << format << quality
                           << shows;
    };
    const auto refused = [](const char* row, const QString& arguments, int status,
                            const QString& error) {
        QTest::newRow(row) << arguments.split(' ') << status << "framegrove: " + error << QString()
                           << QString() << QString() << QString();
    };

    written("screen as PNG", "--screen --output %d/shot.png", "shot.png", "PNG", "", "screen");
    written("screen as bitmap", "--screen --output %d/shot.BMP", "shot.BMP", "BMP3", "", "screen");
    written("screen as JPEG at the quality of the dialog", "--screen --output %d/shot.jpeg",
            "shot.jpeg", "JPEG", "85", "");
    written("window as JPEG at a quality", "--window --output %d/w.jpg --quality 40", "w.jpg",
            "JPEG", "40", "");
    written("window as PNG", "--window --output %d/w.png", "w.png", "PNG", "", "window");
    written("PNG to the standard output", "--screen --output -", "-", "PNG", "", "screen");
    written("clipboard", "--screen --clipboard", ":", "PNG", "", "screen");
    written("delayed, stamped", "--delay 1 --output %d/later.png --stamp time,date", "later.png",
            "PNG", "", "stamp");
    // kept.png is there before each run, holding "earlier"
    refused("existing file kept", "--screen --output %d/kept.png", 1,
            "%d/kept.png exists already; --overwrite replaces it");
    written("existing file replaced when asked", "--screen --output %d/kept.png --overwrite",
            "kept.png", "PNG", "", "screen");
    refused("folder missing", "--screen --output %d/none/shot.png", 1,
            "Unable to write to %d/none: No such file or directory");
    refused("unknown format", "--screen --output %d/shot.gif", 2,
            "cannot tell the picture format of '%d/shot.gif'; end its name in .png, .jpg, .jpeg "
            "or .bmp");
    refused("two roads", "--screen --window --output %d/a.png", 2,
            "choose one of --area, --window, --screen and --delay");
    refused("area has no windowless form", "--area --output %d/a.png", 2,
            "--output needs --screen, --window or --delay");
    refused("no road", "--clipboard", 2, "--clipboard needs --screen, --window or --delay");
    refused("file and clipboard", "--screen --clipboard --output %d/a.png", 2,
            "choose one of --output and --clipboard");
    refused("delay not a number", "--delay 5s --output %d/a.png", 2,
            "--delay takes a number of seconds from 1 to 360, not '5s'");
    refused("quality out of range", "--screen --output %d/a.jpg --quality 101", 2,
            "--quality takes a number from 1 to 100, not '101'");
    refused("quality of a PNG", "--screen --output %d/a.png --quality 50", 2,
            "--quality applies only to a JPEG file named with --output");
    refused("overwrite of the standard output", "--screen --output - --overwrite", 2,
            "--overwrite applies only to a file named with --output");
    refused("stamp with a window", "--screen --stamp date", 2,
            "--stamp applies only to --output and --clipboard");
    refused("stamp of something else", "--screen --clipboard --stamp date,weather", 2,
            "--stamp takes date, time or date,time, not 'date,weather'");
    refused("unknown option", "--screen --colour", 2, "Unknown option 'colour'.");
    refused("stray argument", "--screen --clipboard shot.png", 2, "unexpected argument 'shot.png'");
}

void TestCommandLine::windowless()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    QFETCH(QString, written);
    QFETCH(QString, format);
    QFETCH(QString, quality);
    QFETCH(QString, shows);

    QTemporaryDir folder;
    QFile kept(folder.filePath("kept.png"));
    QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("earlier") == 7);
    kept.close();
    arguments.replaceInStrings("%d", folder.path());
    const QImage screen = fgtest::importRootWindow();

    const Run run = runProgram(arguments);
    QCOMPARE(run.status, status);
    QCOMPARE(QString::fromLocal8Bit(run.error).trimmed(), error.replace("%d", folder.path()));

    // nothing beside what was asked for: no temporary file, no part of a picture
    QStringList expectedFiles{"kept.png"};
    if (!written.isEmpty() && written != "-" && written != ":" && written != "kept.png")
        expectedFiles.append(written);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expectedFiles);
    QFile earlier(folder.filePath("kept.png"));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    if (written != "kept.png")
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    if (written.isEmpty())
        return;

    QByteArray picture = run.output;
    if (written == ":")
        picture = fgtest::runPeer("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"});
    else if (written != "-") {
        QFile file(folder.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        picture = file.readAll();
    }
    QCOMPARE(identify("%m", picture), format);
    if (!quality.isEmpty())
        QCOMPARE(identify("%Q", picture), quality);
    const QImage image = QImage::fromData(picture).convertToFormat(QImage::Format_RGB32);
    if (shows == "screen")
        QCOMPARE(fgtest::firstDifference(image, screen), QString());
    else if (shows == "window")
        QCOMPARE(fgtest::firstDifference(image, screen.copy(front_->frameGeometry())), QString());
    else if (shows == "stamp")
        QVERIFY(fgtest::redStampPixels(image) > 0 && fgtest::redStampPixels(screen) == 0);
}

void TestCommandLine::secondStartHandsOver()
{
    TForm1 running(fgtest::services());
    const auto name =
        platform::claimInstanceName([&](platform::CaptureRequest request, int seconds) {
            return running.takeRequest(request, seconds);
        });
    QVERIFY(name);
    running.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&running));

    // the second start ends at once; the running program captures afresh and lets the area be
    // chosen
    const Run second = runProgram({"--area"});
    QCOMPARE(second.status, 0);
    QCOMPARE(second.error, QByteArray());
    QTRY_VERIFY_WITH_TIMEOUT(running.Image3->isVisible(), 10000);

    // while it waits for the area, a further request is turned away with the reason
    const Run third = runProgram({"--window"});
    QCOMPARE(third.status, 1);
    QCOMPARE(third.error, QByteArray("framegrove: Framegrove is busy with another capture or an "
                                     "open window; finish that first.\n"));
    QTest::keyClick(&running, Qt::Key_Escape);
    QTRY_VERIFY(running.Image3->isHidden());
}

void TestCommandLine::busStartsTheProgram()
{
    // with none running, a request over the bus starts one, which serves it: the screen in its
    // window
    const QString name = "org.framegrove.Framegrove";
    QDBusMessage call =
        QDBusMessage::createMethodCall(name, "/org/framegrove/Framegrove", name, "Screen");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 30000);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    const uint pid = QDBusConnection::sessionBus().interface()->servicePid(name);
    QVERIFY(pid > 0);
    const auto end = qScopeGuard([pid] { kill(pid_t(pid), SIGTERM); });
    const QString shown = QString::fromUtf8(fgtest::runPeer(
        "xdotool", {"search", "--sync", "--onlyvisible", "--pid", QString::number(pid), "--name",
                    "^Framegrove - Screen Capture and More$"}));
    QVERIFY(!shown.trimmed().isEmpty());
}

FG_TEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
