// The program started from the command line as a person, a desktop shortcut or a script would:
// pictures written without a window, mistakes refused, failures told by the status and one line.
// A second start and the session bus's starts are test_program_start's.
#include "fg_test.h"
#include "pattern_window.h"

#include <QDir>
#include <QScopeGuard>
#include <QWidget>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

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

QByteArray pastedPng()
{
    return fgtest::runPeer("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"});
}

// The program copied into a folder of its own, with the clipboard keeper beside it as `keeper`
// says: "missing", "not executable", or "slow", the real one slowed down at every exchange with
// the display.
class ProgramCopy
{
public:
    explicit ProgramCopy(const QString& keeper)
    {
        QFile::copy(FG_PROGRAM, path());
        const QString keeperCopy = folder_.filePath("framegrove-clipboard-keeper");
        if (keeper == "not executable") {
            QFile::copy(FG_KEEPER, keeperCopy);
            QFile::setPermissions(keeperCopy, QFile::ReadOwner | QFile::WriteOwner);
        } else if (keeper == "slow") {
            QFile script(keeperCopy);
            if (script.open(QIODevice::WriteOnly))
                script.write("#!/bin/sh\nLD_PRELOAD='" FG_SLOW_DISPLAY "' exec '" FG_KEEPER
                             "' \"$@\"\n");
            script.close();
            QFile::setPermissions(keeperCopy, QFile::ReadOwner | QFile::ExeOwner);
        }
    }
    QString path() const { return folder_.filePath("framegrove"); }

private:
    QTemporaryDir folder_;
};

bool isFifo(const QString& path)
{
    struct stat facts {
    };
    return ::lstat(QFile::encodeName(path).constData(), &facts) == 0 && S_ISFIFO(facts.st_mode);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void windowless_data();
    void windowless();

private:
    void setNoWindowActive();
    void activateFront();

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

// Only the window manager's own hidden focus window is left.
void TestCommandLine::setNoWindowActive()
{
    front_->hide();
    pattern_->hide();
    QTRY_VERIFY(QGuiApplication::focusWindow() == nullptr);
    // the window manager may still name the window gone as the active one; with none named, the
    // focus is on its own hidden 1x1 window
    fgtest::runPeer("xprop", {"-root", "-remove", "_NET_ACTIVE_WINDOW"});
}

void TestCommandLine::activateFront()
{
    pattern_->show();
    front_->show();
    front_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(front_.get()));
    QVERIFY(fgtest::waitUntilOnScreen(*pattern_));
}

void TestCommandLine::windowless_data()
{
    QTest::addColumn<QStringList>("arguments"); // %d stands for the test's folder
    // what is arranged before: the standard streams, the entry the file goes
    // to, the clipboard keeper, no active window
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");   // the line on the standard error, %d as above
    QTest::addColumn<QString>("written"); // the file, "-" the standard output, ":" the clipboard
    QTest::addColumn<QString>("format");  // as ImageMagick names it
    QTest::addColumn<QString>("quality"); // of a JPEG, as ImageMagick reads it
    QTest::addColumn<QString>("shows");   // "screen", "window" or "stamp"
    const auto written = [](const char* row, const QString& arguments, const QString& file,
                            const QString& format, const QString& quality, const QString& shows,
                            const QString& setting = {}) {
        QTest::newRow(row) << arguments.split(' ') << setting << 0 << QString() << file << format
                           << quality << shows;
    };
    const auto refused = [](const char* row, const QString& arguments, int status,
                            const QString& error, const QString& setting = {}) {
        QTest::newRow(row) << arguments.split(' ') << setting << status
                           << (error.isEmpty() ? error : "framegrove: " + error) << QString()
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
    // a mistake in the line, through the program itself: its status, its one line, and no file
    // (the parser's other refusals are test_command_line_parser's)
    refused("two roads", "--screen --window --output %d/a.png", 2,
            "choose one of --area, --window, --screen and --delay");

    // a script's word is its status: no hang, no success that was not one
    refused("standard output closed", "--screen --output -", 1,
            "Unable to write to the standard output: Bad file descriptor", "stdout closed");
    refused("refusal with the standard error closed", "--screen --output %d/kept.png", 1, "",
            "stderr closed");
    // a picture small enough to sit whole in a buffer until the program ends
    refused("standard output full", "--window --output -", 1,
            "Unable to write to the standard output: No space left on device", "stdout full");
    written("link replaced, not what it leads to", "--screen --output %d/link.png --overwrite",
            "link.png", "PNG", "", "screen", "link");
    refused("FIFO not replaced", "--screen --output %d/fifo.png --overwrite", 1,
            "Unable to write to %d/fifo.png: it is not a regular file, so it is not replaced",
            "fifo");
    refused("keeper missing", "--screen --clipboard", 1,
            "the picture cannot stay on the clipboard: the clipboard keeper "
            "%p/framegrove-clipboard-keeper is missing",
            "keeper missing");
    refused("keeper cannot start", "--screen --clipboard", 1,
            "the picture cannot stay on the clipboard: the clipboard keeper "
            "%p/framegrove-clipboard-keeper does not start (execvp: Permission denied)",
            "keeper not executable");
    // far longer than the ten seconds once allowed, each step in good time
    written("slow keeper waited for", "--screen --clipboard", ":", "PNG", "", "screen",
            "keeper slow");
    refused("no window active", "--window --output %d/w.png", 1,
            "no window is active, so there is none to capture", "no window");
    // refused before the six minutes, or the run would hang past its two
    refused("folder that takes no file", "--delay 360 --output %d/kept.png/later.png", 1,
            "Unable to write to %d/kept.png: Not a directory");
}

void TestCommandLine::windowless()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, setting);
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
    error.replace("%d", folder.path());
    QStringList expectedFiles{"kept.png"};
    QTemporaryDir outside;
    QFile victim(outside.filePath("victim.png"));
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("victim") == 6);
    victim.close();
    if (setting == "link")
        QVERIFY(QFile::link(victim.fileName(), folder.filePath("link.png")));
    if (setting == "fifo")
        QVERIFY(mkfifo(QFile::encodeName(folder.filePath("fifo.png")).constData(), 0644) == 0);
    if (setting == "link" || setting == "fifo")
        expectedFiles.append(setting + ".png");
    if (setting == "no window")
        setNoWindowActive();
    const auto activeAgain = qScopeGuard([&] {
        if (setting == "no window")
            activateFront();
    });
    const QImage screen = fgtest::importRootWindow();
    QByteArray held;
    std::optional<ProgramCopy> copy;
    QString program = FG_PROGRAM;
    if (setting.startsWith("keeper")) {
        // an earlier keeper holds a picture first
        QCOMPARE(
            fgtest::runProgram(FG_PROGRAM, {"--screen", "--clipboard", "--stamp", "time"}).status,
            0);
        held = pastedPng();
        QVERIFY(!held.isEmpty());
        copy.emplace(setting.mid(7));
        program = copy->path();
        error.replace("%p", QFileInfo(program).path());
    }

    const fgtest::Run run = fgtest::runProgram(program, arguments, [&](QProcess& process) {
        if (setting == "stdout closed")
            process.setChildProcessModifier([] { ::close(STDOUT_FILENO); });
        else if (setting == "stderr closed")
            process.setChildProcessModifier([] { ::close(STDERR_FILENO); });
        else if (setting == "stdout full")
            process.setStandardOutputFile("/dev/full");
    });
    QCOMPARE(run.status, status);
    QCOMPARE(QString::fromLocal8Bit(run.error).trimmed(), error);

    // nothing beside what was asked for: no temporary file, no part of a picture; a link is
    // replaced itself, and what it led to is as it was
    if (!written.isEmpty() && written != "-" && written != ":" && !expectedFiles.contains(written))
        expectedFiles.append(written);
    expectedFiles.sort();
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
             expectedFiles);
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{"victim.png"});
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("victim"));
    QVERIFY(!QFileInfo(folder.filePath("link.png")).isSymLink());
    if (setting == "fifo")
        QVERIFY(isFifo(folder.filePath("fifo.png")));
    if (setting.startsWith("keeper") && status != 0)
        QCOMPARE(pastedPng(), held); // the earlier keeper still holds its picture
    QFile earlier(folder.filePath("kept.png"));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    if (written != "kept.png")
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    if (written.isEmpty())
        return;

    QByteArray picture = run.output;
    if (written == ":")
        picture = pastedPng();
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

FG_TEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
