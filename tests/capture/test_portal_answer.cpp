// The screenshot portal's answer as the program takes it: a stand-in portal on a private bus of
// the test's own answers from its own thread (the program's request blocks the main one), while
// another client of the bus tries to answer before it.
#include "fg_test.h"
#include "platform/screen_capture.h"
#include "stand_in_portal.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QThread>

#include <sys/stat.h>

namespace
{

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
    std::unique_ptr<fgtest::StandInPortal> portal_;
};

void TestPortalAnswer::initTestCase()
{
    // the bus must be ours before this process first reaches for one
    bus_ = std::make_unique<fgtest::PrivateBus>();
    QVERIFY(!bus_->address().isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->address());
    portal_ = std::make_unique<fgtest::StandInPortal>(QString::fromUtf8(bus_->address()));
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
