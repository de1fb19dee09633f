#include "fg_test.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryFile>

namespace fgtest
{

RecordingMessages& appMessages()
{
    static RecordingMessages messages;
    return messages;
}

ScriptedChoosers& appChoosers()
{
    static ScriptedChoosers choosers;
    return choosers;
}

Services services()
{
    appMessages().shown.clear();
    appChoosers().answers.clear();
    appChoosers().asked.clear();
    appChoosers().folderTitles.clear();
    appChoosers().askedOpen.clear();
    return {appMessages(), appChoosers()};
}

QObject& pendingAnswers()
{
    static QObject answers;
    return answers;
}

void cancelPendingAnswers()
{
    qDeleteAll(pendingAnswers().children());
}

void isolateUserFolders()
{
    static QTemporaryDir home(QDir::tempPath() + "/fg-test-home-XXXXXX");
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QDir().mkpath(home.path() + "/runtime");
    QFile::setPermissions(home.path() + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

PrivateBus::PrivateBus(const QMap<QString, QByteArray>& services)
{
    for (auto service = services.begin(); service != services.end(); ++service) {
        QFile file(folder_.filePath(service.key()));
        if (!file.open(QIODevice::WriteOnly) || file.write(service.value()) < 0)
            return;
    }
    QFile config(folder_.filePath("bus.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write(QString(R"(<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <servicedir>%1</servicedir>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>)")
                     .arg(folder_.path())
                     .toUtf8());
    config.close();
    daemon_.start("dbus-daemon",
                  {"--config-file", config.fileName(), "--nofork", "--print-address=1"});
    if (daemon_.waitForReadyRead(10000))
        address_ = daemon_.readLine().trimmed();
}

PrivateBus::~PrivateBus()
{
    daemon_.kill();
    daemon_.waitForFinished();
}

Run runProgram(const QString& path, const QStringList& arguments,
               const std::function<void(QProcess&)>& arrange)
{
    QProcess program;
    if (arrange)
        arrange(program);
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(path, arguments);
    if (!finished.wait(120000)) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    const int status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    return {status, program.readAllStandardOutput(), program.readAllStandardError()};
}

QByteArray runPeer(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return {};
    }
    return process.readAllStandardOutput();
}

QImage importRootWindow()
{
    const QByteArray png = runPeer("import", {"-window", "root", "png:-"});
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
}

bool waitUntilOnScreen(QWidget& window)
{
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    return QTest::qWaitFor([&] {
        const QImage painted = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage screen = importRootWindow().copy(window.geometry());
        return firstDifference(screen, painted).isEmpty();
    });
}

int redStampPixels(const QImage& picture)
{
    const int top = picture.height() - 25;
    int red = 0;
    for (int y = top; y < top + 14; ++y)
        for (int x = 15; x < 80; ++x)
            red += picture.pixel(x, y) == qRgb(255, 0, 0);
    return red;
}

QString firstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QString("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y) & 0xFFFFFF, e = expected.pixel(x, y) & 0xFFFFFF;
            if (a != e)
                return QString("pixel (%1,%2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(a, 6, 16, QChar('0'))
                    .arg(e, 6, 16, QChar('0'));
        }
    }
    return {};
}

} // namespace fgtest
