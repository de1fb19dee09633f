// Capture on a Wayland desktop: runs inside scripts/wayland-bed.sh, natively or under Xwayland,
// and checks against grim, which reads the compositor directly.
#include "edit/action_dialog.h"
#include "fg_test.h"
#include "pattern_window.h"
#include "platform/screen_capture.h"
#include "shell/main_window.h"
#include "shell/windowless_capture.h"
#include "ui/picture_box.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QScopeGuard>
#include <csignal>

namespace
{

const QRgb Background = qRgb(0x33, 0x66, 0x99);
const QRgb Decoration = qRgb(255, 0, 255);

// What grim sees: the whole layout, or what `choice` picks (-g area, -o output).
QImage grim(QStringList choice = {})
{
    const QByteArray ppm = fgtest::runPeer("grim", choice << "-t"
                                                          << "ppm"
                                                          << "-");
    return QImage::fromData(ppm, "PPM").convertToFormat(QImage::Format_RGB32);
}

// Runs a command of the compositor's; false, with its answer told, when it fails.
bool sway(const QString& command)
{
    QProcess swaymsg;
    swaymsg.start("swaymsg", {command});
    swaymsg.waitForFinished(10000);
    if (swaymsg.exitCode() == 0)
        return true;
    qWarning("swaymsg %s: %s", qPrintable(command), swaymsg.readAllStandardOutput().constData());
    return false;
}

// The title of the window that has the compositor's focus.
QString focusedTitle()
{
    std::function<QString(const QJsonObject&)> find = [&](const QJsonObject& node) {
        if (node.value("focused").toBool())
            return node.value("name").toString();
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node.value(children).toArray())
                if (const QString title = find(child.toObject()); !title.isEmpty())
                    return title;
        return QString();
    };
    return find(QJsonDocument::fromJson(fgtest::runPeer("swaymsg", {"-t", "get_tree"})).object());
}

// Waits until the pattern has the focus again, as it has whenever no window of ours is up.
bool patternFocused()
{
    return QTest::qWaitFor([] { return focusedTitle() == "fgtest pattern"; });
}

// Gives the pattern the focus, as a person clicking it would: under Xwayland sway may leave the
// focus on our hidden window for a while, and the capture is to take the window focused.
bool focusPattern()
{
    return QTest::qWaitFor(
        [] {
            sway("[title=\"^fgtest pattern\"] focus");
            return focusedTitle() == "fgtest pattern";
        },
        15000);
}

// Waits until no window of this program but the pattern is on the compositor's screen.
bool onlyThePatternShows()
{
    std::function<bool(const QJsonObject&)> ours = [&](const QJsonObject& node) {
        if (node.value("pid").toInt() == QCoreApplication::applicationPid() &&
            node.value("name").toString() != "fgtest pattern")
            return true;
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node.value(children).toArray())
                if (ours(child.toObject()))
                    return true;
        return false;
    };
    return QTest::qWaitFor([&] {
        return !ours(
            QJsonDocument::fromJson(fgtest::runPeer("swaymsg", {"-t", "get_tree"})).object());
    });
}

// Waits until `capture` gives what grim reads of `choice` just before it, the screen the same
// just after; `screen` is what grim read. Returns the difference last seen, empty once they agree.
QString differenceFromSteadyScreen(const std::function<QImage()>& capture,
                                   const QStringList& choice, QImage& screen)
{
    QString difference;
    (void)QTest::qWaitFor([&] {
        screen = grim(choice);
        difference = fgtest::firstDifference(capture(), screen);
        if (difference.isEmpty() && grim(choice) != screen)
            difference = "the screen changed during the capture";
        return difference.isEmpty();
    });
    return difference;
}

// Waits until the screen shows `expected`, and returns what it showed last.
QImage screenWhenItShows(const QImage& expected)
{
    QImage screen;
    if (!QTest::qWaitFor([&] {
            screen = grim();
            return fgtest::firstDifference(screen, expected).isEmpty();
        }))
        qWarning("the screen did not come to show what was expected");
    return screen;
}

const QString PortalName = "org.freedesktop.portal.Desktop";

// Whether the screenshot portal answers on the bus, with its Screenshot interface.
bool portalServes()
{
    QDBusMessage introspect =
        QDBusMessage::createMethodCall(PortalName, "/org/freedesktop/portal/desktop",
                                       "org.freedesktop.DBus.Introspectable", "Introspect");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(introspect, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).toString().contains("org.freedesktop.portal.Screenshot");
}

// The portal as the bed started it, started again where a test stopped it: the bed's bus does
// not start it by itself.
bool portalStarted()
{
    if (portalServes())
        return true;
    QProcess::startDetached("/usr/libexec/xdg-desktop-portal", {});
    return QTest::qWaitFor(portalServes, 30000);
}

QRect rectOf(const Edges& edges)
{
    return QRect(edges.Left, edges.Top, edges.Right - edges.Left, edges.Bottom - edges.Top);
}

} // namespace

class TestWaylandCapture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void captureNewScreenEqualsGrim();
    void stampLandsAsOnX11();
    void topWindowIsTheFocusedFrame();
    void cropSurfaceCoversTheOutput();
    void primaryOutputAmongOthers();
    void everyScaleGivesTheOutputsPixels_data();
    void everyScaleGivesTheOutputsPixels();
    void portalFailureIsReported_data();
    void portalFailureIsReported();
    void startsWithoutPortal();

private:
    std::unique_ptr<fgtest::PatternWindow> pattern_;
    std::unique_ptr<TForm1> form_;
    QImage before_; // the screen before the program's window came
};

void TestWaylandCapture::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("SWAYSOCK"), "run inside scripts/wayland-bed.sh");
    // screenshots were allowed before: the portal answers at once, and is given 10 s to
    QDBusMessage allow = QDBusMessage::createMethodCall(
        "org.freedesktop.impl.portal.PermissionStore",
        "/org/freedesktop/impl/portal/PermissionStore",
        "org.freedesktop.impl.portal.PermissionStore", "SetPermission");
    allow << "screenshot" << true << "screenshot"
          << "" << QStringList{"yes"};
    QCOMPARE(QDBusConnection::sessionBus().call(allow).type(), QDBusMessage::ReplyMessage);
    // a window of known colours at a known place, framed in one colour by the compositor
    QVERIFY(sway("client.focused #ff00ff #ff00ff #ff00ff #ff00ff #ff00ff"));
    QVERIFY(sway("default_floating_border normal 3"));
    QVERIFY(sway("for_window [title=\"^fgtest pattern\"] floating enable"));
    pattern_ = std::make_unique<fgtest::PatternWindow>(QRect(100, 120, 320, 200));
    pattern_->setWindowFlags(Qt::Window);
    pattern_->setWindowTitle("fgtest pattern");
    pattern_->show();
    QVERIFY(QTest::qWaitForWindowExposed(pattern_.get()));
    // the compositor may learn the title a moment after the window shows
    QVERIFY(QTest::qWaitFor(
        [] { return sway("[title=\"^fgtest pattern\"] move absolute position 100 120"); }));
    QVERIFY(patternFocused());
    // moved and framed as focused
    QVERIFY(QTest::qWaitFor([] { return grim().pixel(100, 120) == Decoration; }));
    before_ = grim();
    QCOMPARE(before_.size(), QSize(1280, 1024));
}

void TestWaylandCapture::init()
{
    QVERIFY(portalStarted());
    form_ = std::make_unique<TForm1>(fgtest::services());
    form_->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestWaylandCapture::cleanup()
{
    fgtest::cancelPendingAnswers();
    form_.reset();
    patternFocused(); // the compositor gives the focus back to the pattern
}

void TestWaylandCapture::captureNewScreenEqualsGrim()
{
    // the start-up capture, taken before the window was shown
    QCOMPARE(fgtest::firstDifference(form_->Image1->picture(), before_), QString());
    QCOMPARE(platform::primaryScreenSize(), before_.size());

    form_->Image1->setPicture(QImage());
    QTest::mouseClick(form_->cmdcap, Qt::LeftButton);
    QVERIFY(form_->isHidden());
    const QImage screen = screenWhenItShows(before_); // the window gone, before the second tick
    QTRY_VERIFY_WITH_TIMEOUT(form_->isVisible(), 5000);
    QCOMPARE(fgtest::firstDifference(form_->Image1->picture(), screen), QString());
    QCOMPARE(fgtest::firstDifference(screen, before_), QString()); // the window was gone
    QCOMPARE(fgtest::firstDifference(form_->Image3->picture(), screen), QString());
    QVERIFY(fgtest::appMessages().shown.isEmpty());
}

void TestWaylandCapture::stampLandsAsOnX11()
{
    form_->ChkTime->setChecked(true);
    form_->cmdcapClick();
    form_->Timer1Timer();
    screenWhenItShows(before_);
    form_->Timer1Timer();
    const QImage picture = form_->Image1->picture();
    const int top = picture.height() - 25;
    QVERIFY2(fgtest::redStampPixels(picture) > 20,
             "red letters 25 pixels above the bottom, 15 in from the left");
    QCOMPARE(picture.pixel(15, top), qRgb(255, 255, 255));
    QCOMPARE(picture.pixel(14, top), Background);
}

void TestWaylandCapture::topWindowIsTheFocusedFrame()
{
    QImage shown;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        shown = dialog.Image3;
        dialog.close();
    });
    form_->CmdTopWindowClick();
    form_->Timer_For_Top_WindowTimer();
    QVERIFY(focusPattern());
    form_->Timer_For_Top_WindowTimer();
    QTRY_VERIFY(!shown.isNull());
    QVERIFY(form_->isVisible());
    // our window took the focus as it came back: the pattern's frame is compared as it was
    // captured, focused
    QVERIFY(focusPattern());

    const QRect frame = rectOf(form_->TopWindowRect);
    QCOMPARE(frame.topLeft(), QPoint(100, 120));
    QVERIFY2(frame.width() > 320 && frame.height() > 200, "borders and title bar included");
    const QString area =
        QString("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
    // the compositor tells of the focus before it draws the frame in the focused colour, and our
    // window, shown again, may take the focus back a moment after it was given to the pattern
    QString difference;
    QVERIFY2(QTest::qWaitFor([&] {
                 sway("[title=\"^fgtest pattern\"] focus");
                 difference = fgtest::firstDifference(shown, grim({"-g", area}));
                 return difference.isEmpty();
             }),
             qPrintable(difference));
    // framed exactly: every edge pixel is the frame's colour, none the desktop's
    const int right = frame.width() - 1, bottom = frame.height() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom),
                                QPoint(right, bottom), QPoint(right / 2, bottom)})
        QCOMPARE(shown.pixel(corner), Decoration);
    QCOMPARE(shown.pixel(frame.width() / 4, frame.height() * 2 / 3), qRgb(0, 0, 255));
}

void TestWaylandCapture::cropSurfaceCoversTheOutput()
{
    QTest::mouseClick(form_->cmdarea, Qt::LeftButton);
    QTRY_VERIFY(form_->isFullScreen());
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    // what the person sees is the capture itself, from the output's corner
    QCOMPARE(fgtest::firstDifference(screenWhenItShows(form_->Image3->picture()),
                                     form_->Image3->picture()),
             QString());

    // the band is drawn into the surface's picture: the crop is cut from it as it was
    const QImage surface = form_->Image3->picture();
    QImage cropped;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        cropped = dialog.Image3;
        dialog.close();
    });
    QTest::mousePress(form_->Image3, Qt::LeftButton, {}, QPoint(110, 130));
    QTest::mouseMove(form_->Image3, QPoint(210, 180));
    QTest::mouseRelease(form_->Image3, Qt::LeftButton, {}, QPoint(210, 180));
    QTRY_VERIFY(!cropped.isNull());
    QCOMPARE(fgtest::firstDifference(cropped, surface.copy(110, 130, 100, 50)), QString());
    // the compositor confirms the state a moment later, and never puts the surface's back
    QTRY_VERIFY(!form_->isFullScreen());
}

void TestWaylandCapture::primaryOutputAmongOthers()
{
    // the layout as the other tests know it comes back however this one ends
    const auto restore = qScopeGuard([this] {
        sway("output HEADLESS-2 disable");
        sway("output HEADLESS-1 position 0 0 scale 1");
        if (!QTest::qWaitFor([] {
                return QGuiApplication::screens().size() == 1 &&
                       QGuiApplication::primaryScreen()->devicePixelRatio() == 1.0;
            }))
            qWarning("the layout did not come back to one output");
        sway("[title=\"^fgtest pattern\"] move absolute position 100 120");
        screenWhenItShows(before_);
    });
    // another output at the layout's corner, and the primary one at twice the pixels
    QVERIFY(sway("create_output"));
    QVERIFY(sway("output HEADLESS-2 resolution 640x480 position 0 0"));
    QVERIFY(sway("output HEADLESS-1 position 640 100 scale 2"));
    QTRY_COMPARE(QGuiApplication::screens().size(), 2);
    QTRY_COMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    QTRY_COMPARE(platform::primaryScreenSize(), QSize(1280, 1024));
    // the compositor settles the new layout in steps: the same picture from both, once settled
    QString difference;
    QVERIFY2(QTest::qWaitFor([&] {
                 form_->GrabScreen();
                 difference =
                     fgtest::firstDifference(form_->Image1->picture(), grim({"-o", "HEADLESS-1"}));
                 return difference.isEmpty();
             }),
             qPrintable(difference));
}

void TestWaylandCapture::everyScaleGivesTheOutputsPixels_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::newRow("125 %") << 1.25;
    QTest::newRow("150 %") << 1.5;
    QTest::newRow("200 %") << 2.0;
}

// At every scale of the output, natively and under Xwayland, each road gives the output's own
// pixels as grim reads them, and a crop and the top window are counted in them.
void TestWaylandCapture::everyScaleGivesTheOutputsPixels()
{
    QFETCH(qreal, scale);
    const auto restore = qScopeGuard([this] {
        sway("output HEADLESS-1 scale 1");
        if (!QTest::qWaitFor(
                [] { return QGuiApplication::primaryScreen()->size().width() == 1280; }))
            qWarning("the output did not come back to 100 %%");
        screenWhenItShows(before_);
    });
    QVERIFY(sway(QString("output HEADLESS-1 scale %1").arg(scale)));
    QTRY_VERIFY(QGuiApplication::primaryScreen()->size().width() < 1280);
    form_->hide();
    // grim's size is the desktop's own: sway rounds the logical size, 1023 rows at 125 %. The
    // compositor settles the new scale in steps: the same picture from both, once settled
    QVERIFY(focusPattern());
    QVERIFY(onlyThePatternShows());
    const QStringList wholeOutput{"-o", "HEADLESS-1"};
    QImage output;
    QString difference = differenceFromSteadyScreen(
        [&] {
            form_->Image1->setPicture(QImage()); // the size the screen has now
            form_->GrabScreen();
            return form_->Image1->picture();
        },
        wholeOutput, output);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(platform::screenPixels().scale, scale);
    // --screen --output, run here: the bed's /tmp is not the build's
    const QString file = QDir::temp().filePath("fgtest-scaled.png");
    const auto removeFile = qScopeGuard([&] { QFile::remove(file); });
    const auto line = parseCommandLine({"--screen", "--output", file});
    QVERIFY(std::holds_alternative<CommandLine>(line));
    QImage screen;
    difference = differenceFromSteadyScreen(
        [&] {
            QFile::remove(file);
            return runWindowless(std::get<CommandLine>(line)) == 0
                       ? QImage(file).convertToFormat(QImage::Format_RGB32)
                       : QImage();
        },
        wholeOutput, screen);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // the top window: the pattern's frame, from where the compositor says it is, focused as the
    // screen showed it just before
    QImage shown;
    QVERIFY2(QTest::qWaitFor([&] {
                 if (!focusPattern())
                     return false;
                 screen = grim(wholeOutput);
                 shown = QImage();
                 fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
                     shown = dialog.Image3;
                     dialog.close();
                 });
                 form_->TopWindowIntoDialog();
                 if (!QTest::qWaitFor([&] { return !shown.isNull(); }))
                     return false;
                 difference =
                     fgtest::firstDifference(shown, screen.copy(rectOf(form_->TopWindowRect)));
                 return difference.isEmpty();
             }),
             qPrintable(difference));
    const QRect frame = rectOf(form_->TopWindowRect);
    QCOMPARE(frame.topLeft(), (QPointF(100, 120) * scale).toPoint());
    QCOMPARE(shown.pixel(0, 0), Decoration); // framed exactly

    // a crop from the surface's logical points, cut in the output's pixels
    QImage cropped;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        cropped = dialog.Image3;
        dialog.close();
    });
    form_->Image3->setPicture(output);
    form_->EnterSelectionMode();
    QTest::mousePress(form_->Image3, Qt::LeftButton, {}, QPoint(120, 140));
    QTest::mouseMove(form_->Image3, QPoint(220, 192));
    QTest::mouseRelease(form_->Image3, Qt::LeftButton, {}, QPoint(220, 192));
    QTRY_VERIFY(!cropped.isNull());
    const QRect cut = QRectF(QPointF(120, 140) * scale, QPointF(220, 192) * scale).toRect();
    QCOMPARE(cropped.size(), cut.size());
    QCOMPARE(fgtest::firstDifference(cropped, output.copy(cut)), QString());
}

void TestWaylandCapture::portalFailureIsReported_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("says");
    QTest::newRow("portal stopped") << int(SIGSTOP) << "no answer within 10 seconds";
    QTest::newRow("portal gone") << int(SIGTERM) << "is not available";
}

void TestWaylandCapture::portalFailureIsReported()
{
    QFETCH(int, signal);
    QFETCH(QString, says);
    const uint portal = QDBusConnection::sessionBus().interface()->servicePid(PortalName);
    QVERIFY(portal > 0);
    const QImage kept = form_->Image1->picture();
    ::kill(pid_t(portal), signal);
    QTest::mouseClick(form_->cmdcap, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form_->isVisible(), 15000);
    if (signal == SIGSTOP)
        ::kill(pid_t(portal), SIGCONT);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Error);
    const QString text = fgtest::appMessages().shown[0].text;
    QVERIFY2(text.startsWith("The screen could not be captured: ") && text.contains(says),
             qPrintable(text));
    QCOMPARE(form_->Image1->picture(), kept);
}

void TestWaylandCapture::startsWithoutPortal()
{
    const uint portal = QDBusConnection::sessionBus().interface()->servicePid(PortalName);
    QVERIFY(portal > 0);
    ::kill(pid_t(portal), SIGTERM);
    QVERIFY(QTest::qWaitFor([] {
        return !QDBusConnection::sessionBus().interface()->isServiceRegistered(PortalName);
    }));
    fgtest::appMessages().shown.clear();
    form_ = std::make_unique<TForm1>(fgtest::services());
    form_->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    // the start-up capture was refused, the window is up
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QVERIFY(fgtest::appMessages().shown[0].text.contains("is not available"));
    QVERIFY(form_->isVisible());
}

FG_TEST_MAIN(TestWaylandCapture)
#include "test_wayland_capture.moc"
