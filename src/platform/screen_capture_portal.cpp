// The screen of a Wayland session, asked of the desktop's screenshot portal over D-Bus.
#include "platform/screen_capture.h"
#include "platform/sway_ipc.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace platform
{

namespace
{

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr int PortalPatienceMs = 10000;

[[noreturn]] void fail(const QString& why)
{
    throw CaptureFailure(
        QStringLiteral("The screen could not be captured: %1").arg(why).toStdString());
}

// One Screenshot request. The portal answers it later with a Response signal on a Request
// object whose path it derives from our bus name and the token we chose, so the answer is
// listened for before the request is sent.
class PortalRequest : public QObject
{
    Q_OBJECT
public:
    explicit PortalRequest(QDBusConnection bus) : bus_(std::move(bus))
    {
        static int serial = 0;
        token_ =
            QStringLiteral("framegrove%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
        QString sender = bus_.baseService().mid(1); // ":1.42" becomes "1_42"
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        listen(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token_));
    }
    ~PortalRequest() override
    {
        for (const QString& path : paths_)
            bus_.disconnect(QString(), path, RequestInterface, QStringLiteral("Response"), this,
                            SLOT(answered(uint, QVariantMap)));
    }
    PortalRequest(const PortalRequest&) = delete;
    PortalRequest& operator=(const PortalRequest&) = delete;

    // The path of the picture file the portal wrote.
    QString take(bool interactive)
    {
        const QDeadlineTimer deadline(PortalPatienceMs);
        QDBusMessage call = QDBusMessage::createMethodCall(
            PortalService, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
        call << QString()
             << QVariantMap{{QStringLiteral("handle_token"), token_},
                            {QStringLiteral("interactive"), interactive}};
        const QDBusMessage reply = bus_.call(call, QDBus::Block, PortalPatienceMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            fail(reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")
                     ? noAnswer()
                     : QStringLiteral("the desktop's screenshot portal is not available (%1).")
                           .arg(reply.errorMessage()));
        // portals older than the token rule name their own Request object
        const QString handle = reply.arguments().first().value<QDBusObjectPath>().path();
        if (!paths_.contains(handle))
            listen(handle);
        if (!response_) {
            QTimer::singleShot(deadline.remainingTime(), &loop_, &QEventLoop::quit);
            loop_.exec();
        }
        if (!response_) {
            QDBusMessage close = QDBusMessage::createMethodCall(
                PortalService, handle, RequestInterface, QStringLiteral("Close"));
            bus_.send(close);
            fail(noAnswer());
        }
        if (*response_ == 1)
            fail(QStringLiteral("the screenshot was cancelled."));
        if (*response_ != 0)
            fail(QStringLiteral("the desktop's screenshot portal refused (answer %1).")
                     .arg(*response_));
        QString file = QUrl(uri_).toLocalFile(); // not const: returned by moving
        if (file.isEmpty())
            fail(QStringLiteral("the screenshot portal named no picture file (\"%1\").").arg(uri_));
        return file;
    }

private Q_SLOTS:
    void answered(uint response, const QVariantMap& results)
    {
        response_ = response;
        uri_ = results.value(QStringLiteral("uri")).toString();
        loop_.quit();
    }

private:
    static QString noAnswer()
    {
        return QStringLiteral("the desktop's screenshot portal gave no answer within %1 seconds.")
            .arg(PortalPatienceMs / 1000);
    }
    void listen(const QString& path)
    {
        bus_.connect(QString(), path, RequestInterface, QStringLiteral("Response"), this,
                     SLOT(answered(uint, QVariantMap)));
        paths_.append(path);
    }

    QDBusConnection bus_;
    QString token_;
    QStringList paths_;
    QEventLoop loop_;
    std::optional<uint> response_;
    QString uri_;
};

// The picture of every output together, as the portal gives it; its file is removed once read.
QImage portalScreenshot(bool interactive)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        fail(QStringLiteral("there is no desktop bus to reach the screenshot portal (%1).")
                 .arg(bus.lastError().message()));
    PortalRequest request(bus);
    const QString file = request.take(interactive);
    QImageReader reader(file);
    const QImage picture = reader.read();
    if (picture.isNull())
        fail(QStringLiteral("the picture the screenshot portal wrote (%1) cannot be read: %2")
                 .arg(file, reader.errorString()));
    QFile::remove(file);
    return picture.convertToFormat(QImage::Format_RGB32);
}

// The layout's coordinates (Qt's screen geometry) in device pixels of the primary screen, whose
// top-left corner is the origin of screen coordinates.
QRect toScreenPixels(const QRect& layout)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal scale = screen ? screen->devicePixelRatio() : 1.0;
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    const QPoint corner = layout.topLeft() - origin;
    return QRect(qRound(corner.x() * scale), qRound(corner.y() * scale),
                 qRound(layout.width() * scale), qRound(layout.height() * scale));
}

class PortalCapture : public ScreenCapture
{
public:
    QImage grabScreen(const QRect& area) override
    {
        if (area.isEmpty())
            return QImage(area.size(), QImage::Format_RGB32);
        const QImage everything = portalScreenshot(false);
        // the picture spans all outputs from the layout's top-left corner
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect layout = screen ? screen->virtualGeometry() : QRect();
        const QPoint corner = toScreenPixels(QRect(layout.topLeft(), QSize())).topLeft();
        return cutOut(everything, area.translated(-corner));
    }

    std::optional<WindowShot> grabActiveWindow() override
    {
        // compositors share no request for the active window; sway's IPC tells it
        const QString sway = qEnvironmentVariable("SWAYSOCK");
        if (!sway.isEmpty()) {
            const std::optional<QRect> frame = swayFocusedWindow(sway);
            if (!frame)
                return std::nullopt;
            const QRect onScreen = toScreenPixels(*frame);
            return WindowShot{onScreen, grabScreen(onScreen)};
        }
        // elsewhere the person picks the window in the portal's own dialog
        const QImage picked = portalScreenshot(true);
        return WindowShot{QRect(QPoint(), picked.size()), picked};
    }

    QSize primaryScreenSize() override
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? toScreenPixels(screen->geometry()).size() : QSize();
    }

    bool windowsPlacedByCompositor() const override { return true; }
};

} // namespace

std::unique_ptr<ScreenCapture> makePortalCapture()
{
    return std::make_unique<PortalCapture>();
}

} // namespace platform

#include "screen_capture_portal.moc"
