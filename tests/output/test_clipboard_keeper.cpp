#include "fg_test.h"
#include "pattern_window.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMimeData>
#include <QScopeGuard>
#include <QWidget>

#include <X11/Xlib.h>

#include <csignal>
#include <filesystem>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

const QString KeeperPath = QFileInfo(FG_PROGRAM).dir().filePath("framegrove-clipboard-keeper");

QByteArray pasted(const QString& target)
{
    return fgtest::runPeer("xclip", {"-selection", "clipboard", "-t", target, "-o"});
}

// Runs xdotool; its output, trimmed.
QString xdotool(const QStringList& arguments)
{
    return fgtest::runPeer("xdotool", arguments).trimmed();
}

QString windowTitled(const QString& title)
{
    return xdotool({"search", "--sync", "--limit", "1", "--name", "^" + title + "$"});
}

// Our keepers among the processes handed to us (we adopt what our children leave behind).
QList<pid_t> keeperProcesses()
{
    QList<pid_t> keepers;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
        if (fields.value(2).toInt() == getpid() &&
            QFileInfo("/proc/" + entry + "/exe").symLinkTarget() == KeeperPath)
            keepers.append(entry.toInt());
    }
    return keepers;
}

// Starts the program, copies its picture with "Copy (For Pasting)" and ends it with "Exit", as a
// user would; returns the PNG pasted from it while it ran.
QByteArray copyAndQuit()
{
    QProcess program;
    program.start(FG_PROGRAM, {});
    const QString window = windowTitled("Framegrove - Screen Capture and More");
    // clicks count once the window manager has framed the window
    if (!QTest::qWaitFor([&] {
            return fgtest::runPeer("xprop", {"-id", window, "_NET_FRAME_EXTENTS"}).contains('=');
        }))
        return {};
    const QString x = QString::number(756 - 176 + 7 + 71); // the middle of the panel's buttons
    xdotool({"mousemove", "--window", window, x, "67", "click", "1"}); // "Copy (For Pasting)"
    if (windowTitled("Information").isEmpty())
        return {};
    xdotool({"key", "Return"});
    const QByteArray png = pasted("image/png");
    xdotool({"mousemove", "--window", window, x, "524", "click", "1"}); // "Exit"
    return program.waitForFinished(15000) && program.exitCode() == 0 ? png : QByteArray();
}

// The process has ended and is reaped.
bool gone(pid_t pid)
{
    waitpid(pid, nullptr, WNOHANG);
    return !QFileInfo::exists("/proc/" + QString::number(pid));
}

// Data that takes its owner longer to make than the keeper once waited, as a picture of a very
// large screen takes to encode.
class SlowData : public QMimeData
{
public:
    QStringList formats() const override { return {"image/png"}; }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override
    {
        if (type != "image/png")
            return {};
        std::this_thread::sleep_for(std::chrono::seconds(7));
        return QByteArray("made at last");
    }
};

} // namespace

class TestClipboardKeeper : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pictureOutlivesProgram();
    void unfinishedPastesAreDropped();
    void slowOwnerWaitedFor();
};

void TestClipboardKeeper::pictureOutlivesProgram()
{
    QVERIFY(prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
    fgtest::PatternWindow pattern(QRect(0, 0, 256, 200)); // clear of the program's window
    pattern.show();
    QVERIFY(fgtest::waitUntilOnScreen(pattern));
    const QImage screen = fgtest::importRootWindow();
    const auto stop = qScopeGuard([] {
        for (pid_t keeper : keeperProcesses())
            kill(keeper, SIGTERM);
    });

    const QByteArray png = copyAndQuit();
    QVERIFY(!png.isEmpty());
    const QList<pid_t> first = keeperProcesses();
    QCOMPARE(first.size(), 1);
    const QString process = "/proc/" + QString::number(first[0]);
    QCOMPARE(QFileInfo(process + "/cwd").symLinkTarget(), "/");
    const QDir fds(process + "/fd");
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const auto target = std::filesystem::read_symlink(fds.filePath(fd).toStdString());
        QVERIFY2(target.string().starts_with("socket:["), target.c_str()); // the display only
    }
    QCOMPARE(pasted("image/png"), png);
    const QList<QByteArray> targets = pasted("TARGETS").split('\n');
    QVERIFY(targets.contains("image/bmp") && targets.contains("image/jpeg"));
    for (const char* format : {"png", "bmp"}) {
        const QImage picture = QImage::fromData(pasted(QString("image/") + format), format);
        QCOMPARE(fgtest::firstDifference(picture.convertToFormat(QImage::Format_RGB32), screen),
                 QString());
    }

    // a second run's copy takes the clipboard from the first keeper: one keeper again
    QCOMPARE(copyAndQuit(), png);
    QVERIFY(gone(first[0]));
    const QList<pid_t> second = keeperProcesses();
    QCOMPARE(second.size(), 1);

    QProcess taker; // another program takes the clipboard
    taker.start("xclip", {"-selection", "clipboard", "-quiet"});
    taker.write("taken by another program");
    taker.closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(gone(second[0]), 5000);
    taker.kill();
    taker.waitForFinished();
}

// A flood of large-paste requests from windows that do not exist (as a misbehaving client can
// send them) leaves the keeper no larger and a real paste as quick as before.
void TestClipboardKeeper::unfinishedPastesAreDropped()
{
    QTemporaryDir folder;
    const QString file = folder.filePath("large.bin");
    QByteArray large(3 << 20, Qt::Uninitialized); // far more than one piece
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i * 7919 >> 3);
    QFile bytes(file);
    QVERIFY(bytes.open(QIODevice::WriteOnly) && bytes.write(large) == large.size());
    bytes.close();
    Display* display = XOpenDisplay(nullptr);
    QVERIFY(display);
    const auto closeDisplay = qScopeGuard([&] { XCloseDisplay(display); });
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);

    QProcess owner; // another program puts the data on the clipboard
    owner.start("xclip", {"-quiet", "-selection", "clipboard", "-t", "image/png", "-i", file});
    QTRY_VERIFY(XGetSelectionOwner(display, clipboard) != None);
    QProcess keeper;
    keeper.start(KeeperPath, {QString::number(XGetSelectionOwner(display, clipboard))});
    const auto stop = qScopeGuard([&] {
        keeper.kill();
        keeper.waitForFinished();
    });
    QVERIFY(owner.waitForFinished(20000)); // it leaves once the keeper has taken over
    const Window served = XGetSelectionOwner(display, clipboard);
    QCOMPARE(pasted("image/png"), large);

    const auto residentKb = [&] {
        QFile status(QString("/proc/%1/status").arg(keeper.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toInt();
        return -1;
    };
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!pasted("image/png").isEmpty());
    const qint64 pasteMs = clock.elapsed();

    const Atom png = XInternAtom(display, "image/png", False);
    const Atom property = XInternAtom(display, "FG_PASTE", False);
    const auto flood = [&] {
        for (int i = 0; i < 100000; ++i) {
            XEvent event{};
            event.xselectionrequest.type = SelectionRequest;
            event.xselectionrequest.owner = served;
            event.xselectionrequest.requestor = XAllocID(display); // never made: no such window
            event.xselectionrequest.selection = clipboard;
            event.xselectionrequest.target = png;
            event.xselectionrequest.property = property;
            event.xselectionrequest.time = CurrentTime;
            XSendEvent(display, served, False, NoEventMask, &event);
            if (i % 1000 == 0)
                XSync(display, False);
            // the keeper answers in order: once it has answered a paste, it has dealt with every
            // request before it, so its queue is as short in each flood whatever the machine's load
            if (i % 5000 == 4999 && pasted("TARGETS").isEmpty())
                return QByteArray();
        }
        XSync(display, False);
        clock.restart();
        return pasted("image/png");
    };
    // the first flood may leave the display library's event queue larger; a second one, paced
    // alike, finds the keeper's own memory as it was
    QCOMPARE(flood(), large);
    const int before = residentKb();
    QCOMPARE(flood(), large);
    QVERIFY2(
        clock.elapsed() < 3 * pasteMs + 5000,
        qPrintable(QString("a paste took %1 ms, %2 ms before").arg(clock.elapsed()).arg(pasteMs)));
    // the allocator may keep some of what the flood used; one more copy of the data kept is a leak
    QVERIFY2(residentKb() < before + int(large.size() / 1024) - 100,
             qPrintable(QString("the keeper grew from %1 to %2 kB").arg(before).arg(residentKb())));
}

// The keeper waits for an owner that still holds the clipboard, however long the data takes it.
void TestClipboardKeeper::slowOwnerWaitedFor()
{
    // a window of ours brings the server's time, without which the clipboard is not ours to take
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(new SlowData);
    Display* display = XOpenDisplay(nullptr);
    QVERIFY(display);
    const auto closeDisplay = qScopeGuard([&] { XCloseDisplay(display); });
    const Atom selection = XInternAtom(display, "CLIPBOARD", False);
    Window owner = None;
    QTRY_VERIFY((owner = XGetSelectionOwner(display, selection)) != None);
    QProcess keeper;
    keeper.start(KeeperPath, {QString::number(owner)});
    const auto stop = qScopeGuard([&] {
        keeper.kill();
        keeper.waitForFinished();
    });
    // the event loop turns meanwhile and answers the keeper
    QTRY_VERIFY_WITH_TIMEOUT(!clipboard->ownsClipboard(), 60000);
    QCOMPARE(pasted("image/png"), QByteArray("made at last"));
}

FG_TEST_MAIN(TestClipboardKeeper)
#include "test_clipboard_keeper.moc"
