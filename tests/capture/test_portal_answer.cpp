// The screenshot portal's answer as the program takes it: a stand-in portal on a private bus of
// the test's own answers from its own thread (the program's request blocks the main one), while
// another client of the bus tries to answer before it.
#include "fg_test.h"
#include "platform/screen_capture.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QThread>

#include <sys/stat.h>

namespace
{

// How the stand-in answers the next Screenshot request.
struct Script {
    QString forgedFile;     // another client answers before the portal, naming this file
    bool ownHandle = false; // the portal names a Request object of its own, as older ones did
    uint response = 0;
    QString file; // the file the portal names
};

QDBusMessage response(const QString& path, uint code, const QString& file)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
    QVariantMap results;
    if (!file.isEmpty())
        results.insert("uri", QUrl::fromLocalFile(file).toString());
    return signal << code << results;
}

// The desktop's screenshot portal as the program sees it, answering as `script` says.
class StandInPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit StandInPortal(const QString& address)
        : bus_(QDBusConnection::connectToBus(address, "stand-in portal")),
          forger_(QDBusConnection::connectToBus(address, "forger"))
    {
    }
    ~StandInPortal() override
    {
        QDBusConnection::disconnectFromBus("stand-in portal");
        QDBusConnection::disconnectFromBus("forger");
    }
    bool serve()
    {
        return bus_.registerObject("/org/freedesktop/portal/desktop", this,
                                   QDBusConnection::ExportAllSlots) &&
               bus_.registerService("org.freedesktop.portal.Desktop");
    }
    Script script;

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options)
    {
        QString caller = message().service().mid(1);
        caller.replace('.', '_');
        const QString expected = "/org/freedesktop/portal/desktop/request/" + caller + "/" +
                                 options.value("handle_token").toString();
        const QString handle =
            script.ownHandle ? "/org/freedesktop/portal/desktop/request/old/1" : expected;
        setDelayedReply(true);
        bus_.send(message().createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        if (script.forgedFile.isEmpty()) {
            bus_.send(response(handle, script.response, script.file));
            return {};
        }
        forger_.send(response(expected, 0, script.forgedFile));
        // the portal answers when the program has had the forgery for a while
        QTimer::singleShot(500, this, [this, handle] {
            bus_.send(response(handle, script.response, script.file));
        });
        return {};
    }

private:
    QDBusConnection bus_;
    QDBusConnection forger_;
};

enum class Named { Nothing, Picture, Fifo, NoPicture };

QImage filled(QRgb colour)
{
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// Writes what the portal names in `file`.
bool place(Named named, const QString& file)
{
    switch (named) {
    case Named::Nothing:
        return true;
    case Named::Picture:
        return filled(qRgb(0, 0, 255)).save(file, "PNG");
    case Named::Fifo:
        return ::mkfifo(QFile::encodeName(file).constData(), 0600) == 0;
    case Named::NoPicture: {
        QFile bytes(file);
        return bytes.open(QIODevice::WriteOnly) && bytes.write("not a picture at all") > 0;
    }
    }
    return false;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Named)

class TestPortalAnswer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void portalAnswer_data();
    void portalAnswer();

private:
    std::unique_ptr<fgtest::PrivateBus> bus_;
    QThread thread_;
    std::unique_ptr<StandInPortal> portal_;
};

void TestPortalAnswer::initTestCase()
{
    // the bus must be ours before this process first reaches for one
    bus_ = std::make_unique<fgtest::PrivateBus>();
    QVERIFY(!bus_->address().isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->address());
    portal_ = std::make_unique<StandInPortal>(QString::fromUtf8(bus_->address()));
    portal_->moveToThread(&thread_);
    thread_.start();
    QVERIFY(portal_->serve());
}

void TestPortalAnswer::cleanupTestCase()
{
    thread_.quit();
    thread_.wait();
    portal_.reset();
}

void TestPortalAnswer::portalAnswer_data()
{
    QTest::addColumn<bool>("forged");
    QTest::addColumn<bool>("ownHandle");
    QTest::addColumn<uint>("response");
    QTest::addColumn<Named>("named");
    QTest::addColumn<QString>("failure"); // empty: the portal's picture is the screen; %1: its file
    QTest::newRow("forged answer naming the person's picture first")
        << true << false << 0u << Named::Picture << "";
    QTest::newRow("older portal's own request handle")
        << false << true << 0u << Named::Picture << "";
    QTest::newRow("names a FIFO")
        << false << false << 0u << Named::Fifo
        << "the picture the screenshot portal wrote cannot be read (Unable to read %1: it is not "
           "a regular file.).";
    QTest::newRow("names a file that is no picture")
        << false << false << 0u << Named::NoPicture
        << "the picture the screenshot portal wrote (%1) cannot be decoded.";
    QTest::newRow("answers 1") << false << false << 1u << Named::Nothing
                               << "the desktop's screenshot portal could not save its picture.";
    QTest::newRow("answers 2") << false << false << 2u << Named::Nothing
                               << "the desktop's screenshot portal refused (answer 2).";
}

void TestPortalAnswer::portalAnswer()
{
    QFETCH(bool, forged);
    QFETCH(bool, ownHandle);
    QFETCH(uint, response);
    QFETCH(Named, named);
    QFETCH(QString, failure);
    QTemporaryDir folder;
    const QString own = folder.filePath("holiday.png"), portalFile = folder.filePath("shot.png");
    QVERIFY(filled(qRgb(255, 0, 0)).save(own, "PNG"));
    const QByteArray ownBytes = contentOf(own);
    QVERIFY(place(named, portalFile));
    portal_->script = {forged ? own : QString(), ownHandle, response,
                       named == Named::Nothing ? QString() : portalFile};

    const std::unique_ptr<platform::ScreenCapture> capture = platform::makePortalCapture();
    QElapsedTimer clock;
    clock.start();
    try {
        const QImage screen = capture->grabScreen(QRect(0, 0, 160, 120));
        QVERIFY(failure.isEmpty());
        QCOMPARE(fgtest::firstDifference(screen, filled(qRgb(0, 0, 255))), QString());
    } catch (const platform::CaptureFailure& refused) {
        QCOMPARE(QString::fromStdString(refused.what()),
                 "The screen could not be captured: " + failure.replace("%1", portalFile));
    }
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString("took %1 ms").arg(clock.elapsed())));
    // the portal's copy is gone whatever it held; the person's own file is as it was
    QVERIFY(!QFileInfo(portalFile).exists());
    QCOMPARE(contentOf(own), ownBytes);
}

FG_TEST_MAIN(TestPortalAnswer)
#include "test_portal_answer.moc"
