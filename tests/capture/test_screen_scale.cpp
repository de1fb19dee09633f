// Capture on an X11 screen at a desktop's scale (Xft.dpi, QT_SCALE_FACTOR) and with several
// monitors: runs inside scripts/x11-scale-bed.sh, and checks every path against ImageMagick's
// `import`, which reads the server's own pixels.
#include "edit/action_dialog.h"
#include "fg_test.h"
#include "platform/screen_capture.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

// after the windows: Xlib's macros (Button3...) would rename their members
#include "platform/qt_x11_display.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <X11/Xutil.h>

namespace
{

// A rectangle written as X11 geometry, "WxH+X+Y"; none when the text is empty.
QRect geometry(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+)x(\\d+)\\+(\\d+)\\+(\\d+)$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return QRect();
    return QRect(m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(),
                 m.captured(2).toInt());
}

// What the bed made: the primary monitor and another one, in the root window's pixels, and the
// scale Qt takes from the desktop's settings.
QRect primaryMonitor()
{
    return geometry(qEnvironmentVariable("FG_PRIMARY"));
}

QRect otherMonitor()
{
    return geometry(qEnvironmentVariable("FG_OTHER"));
}

qreal desktopScale()
{
    return qEnvironmentVariable("FG_SCALE", "1").toDouble();
}

// Shows any shift, scaling or resampling: gradients running both ways, a one-pixel checker in
// blue, and marks of four colours at each monitor's corners.
QImage pattern(QSize size, const QList<QRect>& monitors)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = qRgb(x * 255 / size.width(), y * 255 / size.height(), (x + y) % 2 * 255);
    }
    for (const QRect& monitor : monitors) {
        const QSize mark(9, 9);
        for (const auto& [corner, colour] :
             {std::pair{monitor.topLeft(), qRgb(255, 0, 255)},
              std::pair{monitor.topRight() - QPoint(8, 0), qRgb(0, 255, 255)},
              std::pair{monitor.bottomLeft() - QPoint(0, 8), qRgb(255, 255, 0)},
              std::pair{monitor.bottomRight() - QPoint(8, 8), qRgb(255, 255, 255)}})
            for (int y = 0; y < mark.height(); ++y)
                for (int x = 0; x < mark.width(); ++x)
                    picture.setPixel(corner + QPoint(x, y), colour);
    }
    return picture;
}

// Makes `picture` the root window's background, drawn by the server itself under every window.
void setRootBackground(const QImage& picture)
{
    Display* display = platform::qtDisplay();
    const Window root = DefaultRootWindow(display);
    const int screen = DefaultScreen(display);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, 0,
                                 const_cast<char*>(reinterpret_cast<const char*>(picture.bits())),
                                 picture.width(), picture.height(), 32, picture.bytesPerLine());
    const Pixmap pixmap = XCreatePixmap(display, root, picture.width(), picture.height(),
                                        DefaultDepth(display, screen));
    const GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, picture.width(), picture.height());
    XFreeGC(display, gc);
    image->data = nullptr; // the picture's own
    XDestroyImage(image);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XFreePixmap(display, pixmap);
    XClearWindow(display, root);
    XSync(display, False);
}

// Waits until `region` of the screen shows `expected`; the difference seen last otherwise.
QString screenShows(const QRect& region, const QImage& expected)
{
    QString difference;
    (void)QTest::qWaitFor([&] {
        difference = fgtest::firstDifference(fgtest::importRootWindow().copy(region), expected);
        return difference.isEmpty();
    });
    return difference;
}

// Where a point of Qt's coordinates lands in the root window's pixels: Qt keeps each screen's
// corner in the server's pixels and scales from there.
QPoint onRoot(QPoint logical)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect from = screen->geometry();
    const QPointF device = QPointF(logical - from.topLeft()) * screen->devicePixelRatio();
    return from.topLeft() + device.toPoint();
}

// Where `block` of `picture` shows in the root window's pixels, near `near` (Qt rounds a
// widget's corner to a whole pixel as it likes at a fractional scale); none when nowhere.
std::optional<QPoint> blockOnScreen(const QImage& picture, const QRect& block, QPoint near)
{
    const QImage screen = fgtest::importRootWindow();
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint at = near + block.topLeft() + QPoint(dx, dy);
            if (fgtest::firstDifference(screen.copy(QRect(at, block.size())), picture.copy(block))
                    .isEmpty())
                return at;
        }
    return std::nullopt;
}

enum class Road { StartUp, CaptureNewScreen, DelayedByBus, CommandLine };

} // namespace

Q_DECLARE_METATYPE(Road)

class TestScreenScale : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void everyFullScreenRoadGivesTheDevicePixels_data();
    void everyFullScreenRoadGivesTheDevicePixels();
    void cropCutsTheDevicePixelsBetweenTheDragPoints();
    void mainImageShowsEachPixelOnce();
    void topWindowOnEachMonitor_data();
    void topWindowOnEachMonitor();

private:
    QImage screen_; // the whole root window, before any window of ours
    std::unique_ptr<TForm1> form_;
    QTemporaryDir folder_;
};

void TestScreenScale::initTestCase()
{
    QVERIFY2(primaryMonitor().isValid(), "run inside scripts/x11-scale-bed.sh");
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), desktopScale());
    const platform::ScreenPixels pixels = platform::screenPixels();
    QCOMPARE(pixels.device, primaryMonitor());
    QCOMPARE(pixels.scale, desktopScale());

    const QSize root = fgtest::importRootWindow().size();
    QList<QRect> monitors{primaryMonitor()};
    if (otherMonitor().isValid())
        monitors << otherMonitor();
    screen_ = pattern(root, monitors);
    setRootBackground(screen_);
    QCOMPARE(screenShows(QRect(QPoint(), root), screen_), QString());
}

void TestScreenScale::init()
{
    fgtest::appMessages().shown.clear();
    form_ = std::make_unique<TForm1>(fgtest::services());
    form_->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestScreenScale::cleanup()
{
    fgtest::cancelPendingAnswers();
    form_.reset();
}

void TestScreenScale::everyFullScreenRoadGivesTheDevicePixels_data()
{
    QTest::addColumn<Road>("road");
    QTest::newRow("start-up picture") << Road::StartUp;
    QTest::newRow("Capture New Screen") << Road::CaptureNewScreen;
    QTest::newRow("Delay 1 over the bus") << Road::DelayedByBus;
    QTest::newRow("--screen --output") << Road::CommandLine;
}

void TestScreenScale::everyFullScreenRoadGivesTheDevicePixels()
{
    QFETCH(Road, road);
    QImage picture;
    switch (road) {
    case Road::StartUp:
        picture = form_->Image1->picture(); // taken before the window first showed
        break;
    case Road::CaptureNewScreen:
        form_->Image1->setPicture(QImage());
        QTest::mouseClick(form_->cmdcap, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(form_->isVisible(), 10000);
        picture = form_->Image1->picture();
        break;
    case Road::DelayedByBus:
        form_->Image1->setPicture(QImage());
        QCOMPARE(form_->takeRequest(CaptureRequest::Delay, 1), QString());
        QTRY_VERIFY_WITH_TIMEOUT(form_->isVisible(), 10000);
        picture = form_->Image1->picture();
        break;
    case Road::CommandLine: {
        form_->hide();
        QCOMPARE(screenShows(primaryMonitor(), screen_.copy(primaryMonitor())), QString());
        const QString file = folder_.filePath("screen.png");
        QFile::remove(file);
        fgtest::runPeer(FG_PROGRAM, {"--screen", "--output", file});
        picture = QImage(file).convertToFormat(QImage::Format_RGB32);
        break;
    }
    }
    QCOMPARE(picture.size(), primaryMonitor().size());
    QCOMPARE(fgtest::firstDifference(picture, screen_.copy(primaryMonitor())), QString());
}

// The selection surface shows the capture where the screen had it, and a drag with the real
// pointer between two screen pixels cuts out exactly the pixels between them.
void TestScreenScale::cropCutsTheDevicePixelsBetweenTheDragPoints()
{
    const QRect primary = primaryMonitor();
    QTest::mouseClick(form_->cmdarea, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(screenShows(primary, form_->Image3->picture()), QString());

    QImage cropped;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        cropped = dialog.Image3;
        dialog.close();
    });
    const QPoint from = primary.topLeft() + QPoint(400, 300), to = from + QPoint(1000, 600);
    QProcess drag;
    drag.start("xdotool",
               {"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
                "mousemove", QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
    QTRY_VERIFY_WITH_TIMEOUT(!cropped.isNull(), 10000);
    drag.waitForFinished();
    QCOMPARE(cropped.size(), QSize(1000, 600));
    QCOMPARE(fgtest::firstDifference(cropped, screen_.copy(QRect(from, cropped.size()))),
             QString());
}

// The main image shows each picture pixel on one screen pixel, sharp, and scrolls to its end.
void TestScreenScale::mainImageShowsEachPixelOnce()
{
    const QImage picture = form_->Image1->picture();
    const QRect topLeftBlock(0, 0, 120, 120);
    QVERIFY(QTest::qWaitFor([&] {
        return blockOnScreen(picture, topLeftBlock, onRoot(form_->Image1->mapToGlobal(QPoint())))
            .has_value();
    }));

    form_->ScrollBox1->horizontalScrollBar()->setValue(
        form_->ScrollBox1->horizontalScrollBar()->maximum());
    form_->ScrollBox1->verticalScrollBar()->setValue(
        form_->ScrollBox1->verticalScrollBar()->maximum());
    const QRect lastBlock(picture.width() - 120, picture.height() - 120, 120, 120);
    QVERIFY2(QTest::qWaitFor([&] {
                 return blockOnScreen(picture, lastBlock,
                                      onRoot(form_->Image1->mapToGlobal(QPoint())))
                     .has_value();
             }),
             "the last pixels of the picture are reached by scrolling");
}

void TestScreenScale::topWindowOnEachMonitor_data()
{
    QTest::addColumn<QRect>("monitor");
    QTest::newRow("on the primary monitor") << primaryMonitor();
    if (otherMonitor().isValid())
        QTest::newRow("on the other monitor") << otherMonitor();
}

// The active window, frame and title bar included, in device pixels from the primary screen's
// corner, wherever it is.
void TestScreenScale::topWindowOnEachMonitor()
{
    QFETCH(QRect, monitor);
    const QString file = folder_.filePath("window.png");
    pattern(QSize(320, 200), {QRect(0, 0, 320, 200)}).save(file);
    const QPoint place = monitor.topLeft() + QPoint(40, 40);
    QProcess window;
    window.start("display", {"-title", "fgtest window", "-geometry",
                             QString("+%1+%2").arg(place.x()).arg(place.y()), file});
    const auto close = qScopeGuard([&] {
        window.kill();
        window.waitForFinished();
    });
    fgtest::runPeer("xdotool", {"search", "--sync", "--name", "fgtest window"});

    QImage shown;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        shown = dialog.Image3;
        dialog.close();
    });
    form_->CmdTopWindowClick();
    form_->Timer_For_Top_WindowTimer();
    fgtest::runPeer("xdotool", {"search", "--name", "fgtest window", "windowactivate", "--sync"});
    form_->Timer_For_Top_WindowTimer();
    QTRY_VERIFY_WITH_TIMEOUT(!shown.isNull(), 10000);

    const Edges& edges = form_->TopWindowRect;
    const QRect frame(QPoint(edges.Left, edges.Top), QPoint(edges.Right - 1, edges.Bottom - 1));
    const QRect onRootWindow = frame.translated(primaryMonitor().topLeft());
    QVERIFY2(onRootWindow.contains(QRect(place, QSize(320, 200))), "frame and title bar included");
    QCOMPARE(shown.size(), frame.size());
    // compared as captured, with the window active again
    fgtest::runPeer("xdotool", {"search", "--name", "fgtest window", "windowactivate", "--sync"});
    QCOMPARE(screenShows(onRootWindow, shown), QString());
}

FG_TEST_MAIN(TestScreenScale)
#include "test_screen_scale.moc"
