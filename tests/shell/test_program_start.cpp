// A second start hands its capture to the running program over a private session bus, and the
// session bus starts the program for a request, wherever it was installed.
#include "fg_test.h"
#include "platform/running_instance.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QScopeGuard>

#include <csignal>
#include <memory>

class TestProgramStart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void secondStartHandsOver();
    void busStartsTheProgram();
    void serviceFileStartsInstalledProgram_data();
    void serviceFileStartsInstalledProgram();

private:
    std::unique_ptr<fgtest::PrivateBus> bus_;
};

void TestProgramStart::initTestCase()
{
    // the bus must be ours before this process or its children first reach for one; it starts
    // the program for a request as the installed service file has it
    bus_ = std::make_unique<fgtest::PrivateBus>(QMap<QString, QByteArray>{
        {"org.framegrove.Framegrove.service",
         "[D-BUS Service]\nName=org.framegrove.Framegrove\nExec=" FG_PROGRAM " --activated\n"}});
    QVERIFY(!bus_->address().isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->address());
}

void TestProgramStart::secondStartHandsOver()
{
    TForm1 running(fgtest::services());
    const auto name = platform::claimInstanceName(
        [&](CaptureRequest request, int seconds) { return running.takeRequest(request, seconds); });
    QVERIFY(name);
    running.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&running));

    // the second start ends at once; the running program captures afresh and lets the area be
    // chosen
    const fgtest::Run second = fgtest::runProgram(FG_PROGRAM, {"--area"});
    QCOMPARE(second.status, 0);
    QCOMPARE(second.error, QByteArray());
    QTRY_VERIFY_WITH_TIMEOUT(running.Image3->isVisible(), 10000);

    // while it waits for the area, a further request is turned away with the reason
    const fgtest::Run third = fgtest::runProgram(FG_PROGRAM, {"--window"});
    QCOMPARE(third.status, 1);
    QCOMPARE(third.error, QByteArray("framegrove: Framegrove is busy with another capture or an "
                                     "open window; finish that first.\n"));
    QTest::keyClick(&running, Qt::Key_Escape);
    QTRY_VERIFY(running.Image3->isHidden());
}

void TestProgramStart::busStartsTheProgram()
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

void TestProgramStart::serviceFileStartsInstalledProgram_data()
{
    QTest::addColumn<QString>("folder"); // of the installation prefix
    QTest::newRow("double quote") << "a \"quoted\" name";
    QTest::newRow("dollar") << "costs $HOME and $(id)";
    QTest::newRow("backquote") << "runs `id`";
    QTest::newRow("all of them, a single quote and a percent") << "it's \"$` 100%";
}

// The service file that an installation writes starts the program installed there, as the
// session bus reads the file.
void TestProgramStart::serviceFileStartsInstalledProgram()
{
    QFETCH(QString, folder);
    QTemporaryDir root;
    const QString prefix = root.filePath(folder + "/usr");
    QVERIFY(QDir().mkpath(prefix + "/bin"));
    QVERIFY(QFile::link(FG_PROGRAM, prefix + "/bin/framegrove"));
    QProcess install;
    install.start(FG_CMAKE, {"-DFG_SOURCE_DIR=" FG_SOURCE_DIR, "-DFG_BINARY_DIR=" + root.path(),
                             "-DFG_APP_ID=org.framegrove.Framegrove", "-DFG_BINDIR=bin",
                             "-DFG_DATADIR=share", "-DCMAKE_INSTALL_PREFIX=" + prefix, "-P",
                             FG_SOURCE_DIR "/cmake/installed_launchers.cmake"});
    QVERIFY(install.waitForFinished(30000) && install.exitCode() == 0);
    const QString name = "org.framegrove.Framegrove";
    QFile service(prefix + "/share/dbus-1/services/" + name + ".service");
    QVERIFY(service.open(QIODevice::ReadOnly));

    const fgtest::PrivateBus bus({{name + ".service", service.readAll()}});
    QDBusConnection connection =
        QDBusConnection::connectToBus(bus.address(), QTest::currentDataTag());
    const auto disconnect =
        qScopeGuard([] { QDBusConnection::disconnectFromBus(QTest::currentDataTag()); });
    QDBusMessage start =
        QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "StartServiceByName");
    start << name << 0u;
    const QDBusMessage reply = connection.call(start, QDBus::Block, 30000);
    QCOMPARE(reply.errorMessage(), QString());
    const uint pid = connection.interface()->servicePid(name);
    QVERIFY(pid > 0);
    const auto end = qScopeGuard([pid] { kill(pid_t(pid), SIGTERM); });
    QFile commandLine(QString("/proc/%1/cmdline").arg(pid));
    QVERIFY(commandLine.open(QIODevice::ReadOnly));
    QCOMPARE(commandLine.readAll(),
             QFile::encodeName(prefix + "/bin/framegrove") + '\0' + "--activated" + '\0');
}

FG_TEST_MAIN(TestProgramStart)
#include "test_program_start.moc"
