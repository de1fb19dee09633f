// The one place that decides how this session's screen is read.
#include "platform/screen_capture.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>

namespace platform
{

namespace
{

// A Wayland compositor runs the session, whether the program speaks Wayland itself or X11
// through Xwayland: an X11 client there reads only black from the root window.
bool waylandSession()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// KWin runs the session and offers its own screenshots (whether to us, it says when asked).
bool kwinSession()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.KWin"));
}

std::unique_ptr<ScreenCapture> makeWaylandCapture()
{
    return kwinSession() ? makeKWinCapture(makePortalCapture()) : makePortalCapture();
}

std::function<void(CaptureNotice)>& noticeHandler()
{
    // one for the process, as the session it listens to is
    static std::function<void(CaptureNotice)> handler;
    return handler;
}

} // namespace

ScreenCapture& screenCapture()
{
    static const std::unique_ptr<ScreenCapture> capture =
        waylandSession() ? makeWaylandCapture() : makeX11Capture();
    return *capture;
}

void setCaptureNoticeHandler(std::function<void(CaptureNotice)> handler)
{
    noticeHandler() = std::move(handler);
}

void tellCaptureNotice(CaptureNotice notice)
{
    if (noticeHandler())
        noticeHandler()(notice);
}

void failCapture(const QString& why)
{
    throw CaptureFailure(
        QStringLiteral("The screen could not be captured: %1").arg(why).toStdString());
}

QImage cutOut(const QImage& picture, const QRect& area)
{
    // copy() fills what lies outside the picture with zeros: black in RGB32
    QImage part = picture.convertToFormat(QImage::Format_RGB32).copy(area);
    return part.isNull() ? QImage(area.size(), QImage::Format_RGB32) : part;
}

QImage grabScreen(const QRect& area)
{
    return screenCapture().grabScreen(area);
}

void startGrabbingScreen(const QRect& area)
{
    screenCapture().startGrab(area);
}

std::optional<WindowShot> grabActiveWindow()
{
    return screenCapture().grabActiveWindow();
}

QImage grabPrimaryScreen()
{
    return screenCapture().grabPrimaryScreen();
}

ScreenPixels screenPixels()
{
    return screenCapture().primaryScreen();
}

QSize primaryScreenSize()
{
    return screenPixels().device.size();
}

QPoint ScreenCapture::pointerPixel(QPointF global)
{
    const ScreenPixels pixels = primaryScreen();
    return devicePixelAt(global - pixels.logical.topLeft(), pixels.scale);
}

QPoint pointerPixel(QPointF global)
{
    return screenCapture().pointerPixel(global);
}

bool windowsPlacedByCompositor()
{
    return screenCapture().windowsPlacedByCompositor();
}

} // namespace platform
