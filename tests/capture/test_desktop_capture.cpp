// Capture on GNOME and KDE Plasma: runs inside scripts/gnome-bed.sh or scripts/kde-bed.sh,
// natively or under Xwayland, and checks against the desktop's own screenshot tool. The bed's
// home is private and thrown away, so the program shares it with the desktop's portal.
#include "edit/action_dialog.h"
#include "fg_test.h"
#include "pattern_window.h"
#include "platform/screen_capture.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QScreen>
#include <QStandardPaths>

namespace
{

bool onKde()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP") == QLatin1String("KDE");
}

QDBusMessage permissionStore(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.freedesktop.impl.portal.PermissionStore",
                                       "/org/freedesktop/impl/portal/PermissionStore",
                                       "org.freedesktop.impl.portal.PermissionStore", method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

// Stores the desktop's answer to "may unsandboxed programs take screenshots", or none.
void storePermission(const QString& answer)
{
    if (answer.isEmpty())
        permissionStore("Delete", {"screenshot", "screenshot"});
    else
        permissionStore("SetPermission",
                        {"screenshot", true, "screenshot", "", QStringList{answer}});
}

QString storedPermission()
{
    const QDBusMessage reply = permissionStore("Lookup", {"screenshot", "screenshot"});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    QMap<QString, QStringList> entries;
    reply.arguments().first().value<QDBusArgument>() >> entries;
    return entries.value("").value(0);
}

// What the desktop's own tool sees of the whole screen, the pointer left out.
QImage desktopTool()
{
    const QString file = QDir::tempPath() + "/fgtest-tool.png";
    QFile::remove(file);
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "wayland"); // the tools speak Wayland, as on the desktop
    tool.setProcessEnvironment(environment);
    if (onKde())
        tool.start("spectacle", {"-b", "-n", "-f", "-o", file});
    else
        tool.start("gnome-screenshot", {"-f", file});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        qWarning("the desktop's tool failed: %s", tool.readAllStandardError().constData());
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

// The screen once it has settled: two looks of the tool in a row agree.
QImage settledScreen()
{
    QImage last = desktopTool();
    for (int look = 0; look < 5; ++look) {
        const QImage next = desktopTool();
        if (next == last)
            return next;
        last = next;
    }
    return last;
}

// Keys pressed as a person would, through mutter's remote-desktop interface; the session ends
// when this connection does, so it is one of its own.
class GnomeKeyboard
{
public:
    GnomeKeyboard() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "keys"))
    {
        const QDBusMessage created = bus_.call(QDBusMessage::createMethodCall(
            "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
            "org.gnome.Mutter.RemoteDesktop", "CreateSession"));
        if (created.type() == QDBusMessage::ReplyMessage)
            session_ = created.arguments().first().value<QDBusObjectPath>().path();
        call("Start", {});
    }
    ~GnomeKeyboard()
    {
        call("Stop", {});
        QDBusConnection::disconnectFromBus("keys");
    }
    GnomeKeyboard(const GnomeKeyboard&) = delete;
    GnomeKeyboard& operator=(const GnomeKeyboard&) = delete;

    void press(uint keysym)
    {
        call("NotifyKeyboardKeysym", {keysym, true});
        call("NotifyKeyboardKeysym", {keysym, false});
    }

private:
    void call(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall("org.gnome.Mutter.RemoteDesktop", session_,
                                           "org.gnome.Mutter.RemoteDesktop.Session", method);
        message.setArguments(arguments);
        const QDBusMessage reply = bus_.call(message);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning("%s: %s", qPrintable(method), qPrintable(reply.errorMessage()));
    }

    QDBusConnection bus_;
    QString session_;
};

constexpr uint KeyReturn = 0xff0d, KeyEscape = 0xff1b, KeyTab = 0xff09;

// Lets KWin grant its screenshots to this test program, as the installed entry does for the
// installed program: KWin compares the entry's Exec with the running binary. Written before the
// program connects: KWin looks at its entries again on a client's connection and then not for a
// moment, so an entry written just after it would be missed by the first screenshot.
bool kwinGranted = false;

bool grantKWinScreenshots()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/applications";
    QDir().mkpath(folder);
    QFile entry(folder + "/fgtest-capture.desktop");
    const QByteArray text = "[Desktop Entry]\nType=Application\nName=fgtest\nExec=" +
                            QFileInfo("/proc/self/exe").canonicalFilePath().toUtf8() +
                            "\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n";
    return entry.open(QIODevice::WriteOnly) && entry.write(text) == text.size();
}

int pixelsOf(const QImage& picture, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            count += (picture.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

} // namespace

class TestDesktopCapture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void captureEqualsDesktopTool();
    void allowPressedLateGivesThePicture();
    void refusedTellsAndOffersTheDialog();
    void portalWithoutPicturesFolder();
    void topWindowIsTheActiveFrame();

private:
    // The main window with its start-up capture, checked against the screen before it.
    void startProgram();
    // Capture New Screen, the screen being read while the window is away.
    void captureNewScreen(QImage& screen);

    std::unique_ptr<TForm1> form_;
};

void TestDesktopCapture::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("BED_RUN"), "run inside the GNOME or KDE bed");
    // the desktop allowed screenshots before, unless a test says otherwise
    storePermission("yes");
    QVERIFY2(!onKde() || kwinGranted, "the test's desktop entry for KWin could not be written");
}

void TestDesktopCapture::cleanup()
{
    fgtest::cancelPendingAnswers();
    form_.reset();
    storePermission("yes");
}

void TestDesktopCapture::startProgram()
{
    const QImage before = settledScreen();
    QVERIFY(!before.isNull());
    QElapsedTimer clock;
    clock.start();
    form_ = std::make_unique<TForm1>(fgtest::services());
    qInfo("start-up capture with the main window: %lld ms", clock.elapsed());
    QVERIFY2(fgtest::appMessages().shown.isEmpty(),
             qPrintable(fgtest::appMessages().shown.value(0).text));
    QCOMPARE(fgtest::firstDifference(form_->Image1->picture(), before), QString());
    form_->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestDesktopCapture::captureNewScreen(QImage& screen)
{
    form_->cmdcapClick();
    form_->Timer1->stop(); // the ticks are driven here, once the screen has settled
    QVERIFY2(form_->isHidden(), "the window goes before the screen is read");
    screen = settledScreen();
    form_->Timer1Timer();
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_NO_EXCEPTION(form_->Timer1Timer());
    qInfo("Capture New Screen: %lld ms", clock.elapsed());
}

void TestDesktopCapture::captureEqualsDesktopTool()
{
    startProgram();
    QImage screen;
    captureNewScreen(screen);
    QVERIFY(form_->isVisible());
    QCOMPARE(fgtest::firstDifference(form_->Image1->picture(), screen), QString());
    QVERIFY(fgtest::appMessages().shown.isEmpty());
    // the output's own pixels at any scale of the desktop's, less what it rounds away
    QVERIFY2(qAbs(screen.width() - 1280) <= 1 && qAbs(screen.height() - 1024) <= 2,
             qPrintable(QString("%1x%2").arg(screen.width()).arg(screen.height())));
    const QScreen* qtScreen = QGuiApplication::primaryScreen();
    qInfo("picture %dx%d; Qt's screen %dx%d at %g; %g device pixels to a logical one",
          screen.width(), screen.height(), qtScreen->geometry().width(),
          qtScreen->geometry().height(), qtScreen->devicePixelRatio(),
          platform::screenPixels().scale);
    // windows show the picture one pixel to a screen pixel: at the scale they are drawn at,
    // which for X11 windows on GNOME is 100 %
    const bool unscaled = !onKde() && QGuiApplication::platformName() == "xcb";
    const qreal bedScale = qEnvironmentVariableIsEmpty("BED_SCALE")
                               ? 1.0
                               : qEnvironmentVariable("BED_SCALE").toDouble();
    QCOMPARE(platform::screenPixels().scale, unscaled ? 1.0 : bedScale);
    QElapsedTimer clock;
    clock.start();
    desktopTool();
    qInfo("the desktop's own tool: %lld ms", clock.elapsed());
}

void TestDesktopCapture::allowPressedLateGivesThePicture()
{
    if (onKde())
        QSKIP("GNOME asks the person before the first screenshot");
    startProgram();
    storePermission("");
    // the screen may look as it did at start-up: an empty picture shows that a new one came
    const QSize screenSize = form_->Image1->picture().size();
    form_->Image1->setPicture(QImage());
    GnomeKeyboard keyboard;
    // the screen is read two ticks after the click; the person reads the question for 12 s,
    // longer than the old 10 s patience, then moves to "Allow" and presses it
    QTimer::singleShot(14000, [&] { keyboard.press(KeyTab); });
    QTimer::singleShot(14500, [&] { keyboard.press(KeyReturn); });
    form_->cmdcapClick();
    QTRY_VERIFY_WITH_TIMEOUT(form_->isVisible(), 60000);
    QVERIFY2(fgtest::appMessages().shown.isEmpty(),
             qPrintable(fgtest::appMessages().shown.value(0).text));
    QCOMPARE(form_->Image1->picture().size(), screenSize);
    QCOMPARE(storedPermission(), QString("yes"));
}

void TestDesktopCapture::refusedTellsAndOffersTheDialog()
{
    if (onKde())
        QSKIP("KDE keeps no refusal for screenshots");
    startProgram();
    storePermission("no");
    const QImage kept = form_->Image1->picture();
    GnomeKeyboard keyboard;
    // the person cancels the portal's dialog as soon as it is up
    QTimer escape;
    escape.setInterval(1500);
    connect(&escape, &QTimer::timeout, [&] { keyboard.press(KeyEscape); });
    escape.start();
    form_->cmdcapClick();
    QTRY_VERIFY_WITH_TIMEOUT(form_->isVisible(), 60000);
    escape.stop();
    QCOMPARE(fgtest::appMessages().shown.size(), 2);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Information);
    QVERIFY(fgtest::appMessages().shown[0].text.contains("refuses screenshots to applications"));
    QCOMPARE(form_->Image1->picture(), kept);
    QVERIFY(fgtest::appMessages().shown[1].text.endsWith("the screenshot was cancelled."));
    QCOMPARE(storedPermission(), QString("no")); // never changed on the person's behalf
}

void TestDesktopCapture::portalWithoutPicturesFolder()
{
    if (!onKde())
        QSKIP("KDE's portal saves into the pictures folder");
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QDir(pictures).removeRecursively();
    const QImage screen = settledScreen();
    const std::unique_ptr<platform::ScreenCapture> portal = platform::makePortalCapture();
    QElapsedTimer clock;
    clock.start();
    const QImage shot = portal->grabScreen(QRect(QPoint(), screen.size()));
    qInfo("portal capture: %lld ms", clock.elapsed());
    QVERIFY(QDir(pictures).exists());
    QVERIFY(QDir(pictures).isEmpty()); // the portal's file was read and removed
    QCOMPARE(shot.size(), screen.size());
}

void TestDesktopCapture::topWindowIsTheActiveFrame()
{
    if (!onKde())
        QSKIP("GNOME tells no program its active window: its portal dialog serves");
    fgtest::PatternWindow pattern(QRect(0, 0, 320, 200));
    pattern.setWindowFlags(Qt::Window);
    pattern.setWindowTitle("fgtest pattern");
    pattern.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pattern));
    startProgram();
    QImage shown;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        shown = dialog.Image3;
        dialog.close();
    });
    form_->CmdTopWindowClick();
    form_->Timer_For_Top_Window->stop();
    pattern.activateWindow();
    // the window a person clicked last: the capture is to take it active
    QTRY_VERIFY(pattern.isActiveWindow());
    const QImage screen = settledScreen();
    form_->Timer_For_Top_WindowTimer();
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_NO_EXCEPTION(form_->Timer_For_Top_WindowTimer());
    qInfo("Capture ONLY top window: %lld ms", clock.elapsed());
    QTRY_VERIFY(!shown.isNull());
    const QRect frame(form_->TopWindowRect.Left, form_->TopWindowRect.Top,
                      form_->TopWindowRect.Right - form_->TopWindowRect.Left,
                      form_->TopWindowRect.Bottom - form_->TopWindowRect.Top);
    QVERIFY2(frame.width() >= 320 && frame.height() > 200,
             qPrintable(QString("the frame and title bar included: %1,%2 %3x%4")
                            .arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height())));
    // under Xwayland the frame may turn active a moment later: either look of it will do
    const QString difference = fgtest::firstDifference(shown, screen.copy(frame));
    if (!difference.isEmpty())
        QCOMPARE(fgtest::firstDifference(shown, settledScreen().copy(frame)), QString());
    // the pattern's four colours lie inside the frame, its title bar above them
    for (const QRgb colour : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)})
        QVERIFY(pixelsOf(shown, colour) > 150 * 90);
}

int main(int argc, char** argv)
{
    kwinGranted = onKde() && grantKWinScreenshots();
    FgApplication app(argc, argv, fgtest::appMessages());
    TestDesktopCapture test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_desktop_capture.moc"
