// The screen of a Wayland session, asked of the desktop's screenshot portal over D-Bus.
#include "platform/picture_files.h"
#include "platform/screen_capture.h"
#include "platform/sway_ipc.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace platform
{

namespace
{

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
// The portal answers at once where the desktop allowed screenshots before.
constexpr int AllowedPatienceMs = 10000;
// Where the desktop may ask the person first, the portal gives its access dialog 25 s.
constexpr int AskingPatienceMs = 40000;
// The portal's own dialog waits for the person, who may take a while to pick.
constexpr int DialogPatienceMs = 5 * 60 * 1000;
// The largest picture file read back: a screen of 16k x 8k pixels, barely compressed.
constexpr qint64 PictureFileLimit = qint64(512) * 1024 * 1024;

// What the desktop's store says about screenshots without a dialog for this program.
enum class Permission { Unknown, Allowed, Refused };

// The id the portal knows this program by: none outside a sandbox.
QString sandboxAppId()
{
    if (!QFile::exists(QStringLiteral("/.flatpak-info")))
        return QString();
    return QSettings(QStringLiteral("/.flatpak-info"), QSettings::IniFormat)
        .value(QStringLiteral("Application/name"))
        .toString();
}

Permission lookUpPermission(QDBusConnection& bus)
{
    QDBusMessage lookup = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
        QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), QStringLiteral("Lookup"));
    lookup << QStringLiteral("screenshot") << QStringLiteral("screenshot");
    const QDBusMessage reply = bus.call(lookup, QDBus::Block, AllowedPatienceMs);
    // no store or no table yet: nobody has answered for any program
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return Permission::Unknown;
    QMap<QString, QStringList> entries;
    reply.arguments().first().value<QDBusArgument>() >> entries;
    const QStringList answer = entries.value(sandboxAppId());
    if (answer.isEmpty())
        return Permission::Unknown;
    return answer.first() == QLatin1String("yes") ? Permission::Allowed : Permission::Refused;
}

// The portal's unique name on the bus, started when the bus can start it.
QString portalOwner(QDBusConnection& bus)
{
    QDBusConnectionInterface* daemon = bus.interface();
    if (!daemon->isServiceRegistered(PortalService))
        daemon->startService(PortalService);
    const QDBusReply<QString> owner = daemon->serviceOwner(PortalService);
    if (!owner.isValid())
        failCapture(QStringLiteral("the desktop's screenshot portal is not available (%1).")
                        .arg(owner.error().message()));
    return owner.value();
}

QString noAnswer(int patienceMs)
{
    return QStringLiteral("the desktop's screenshot portal gave no answer within %1 seconds.")
        .arg(patienceMs / 1000);
}

// One Screenshot request. The portal answers it later with a Response signal on a Request
// object: the one its reply names, which older portals choose themselves and may answer on at
// once. So every Response of the portal's is listened for before the request goes out, and the
// one on the named object taken; only the portal itself may give it.
class PortalRequest : public QObject
{
    Q_OBJECT
public:
    explicit PortalRequest(QDBusConnection bus) : bus_(std::move(bus)), portal_(portalOwner(bus_))
    {
        static int serial = 0; // for the run: each request's token names it alone
        token_ =
            QStringLiteral("framegrove%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
        bus_.connect(portal_, QString(), RequestInterface, QStringLiteral("Response"), this,
                     SLOT(answered(uint, QVariantMap, QDBusMessage)));
    }
    ~PortalRequest() override
    {
        bus_.disconnect(portal_, QString(), RequestInterface, QStringLiteral("Response"), this,
                        SLOT(answered(uint, QVariantMap, QDBusMessage)));
    }
    PortalRequest(const PortalRequest&) = delete;
    PortalRequest& operator=(const PortalRequest&) = delete;

    // The path of the picture file the portal wrote.
    QString take(bool interactive, int patienceMs)
    {
        const QDeadlineTimer deadline(patienceMs);
        QDBusMessage call = QDBusMessage::createMethodCall(
            portal_, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
        call << QString()
             << QVariantMap{{QStringLiteral("handle_token"), token_},
                            {QStringLiteral("interactive"), interactive}};
        const QDBusMessage reply = bus_.call(call, QDBus::Block, patienceMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            failCapture(
                reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")
                    ? noAnswer(patienceMs)
                    : QStringLiteral("the desktop's screenshot portal is not available (%1).")
                          .arg(reply.errorMessage()));
        handle_ = reply.arguments().first().value<QDBusObjectPath>().path();
        if (!answers_.contains(handle_)) {
            QTimer::singleShot(deadline.remainingTime(), &loop_, &QEventLoop::quit);
            loop_.exec();
        }
        if (!answers_.contains(handle_)) {
            bus_.send(QDBusMessage::createMethodCall(portal_, handle_, RequestInterface,
                                                     QStringLiteral("Close")));
            failCapture(noAnswer(patienceMs));
        }
        return pictureFile(answers_.value(handle_), interactive);
    }

private Q_SLOTS:
    void answered(uint response, const QVariantMap& results, const QDBusMessage& message)
    {
        // anyone on the bus may send a Response on our path; only the portal's counts
        if (message.service() != portal_ || answers_.contains(message.path()))
            return;
        answers_.insert(message.path(),
                        {response, results.value(QStringLiteral("uri")).toString()});
        if (message.path() == handle_)
            loop_.quit();
    }

private:
    struct Answer {
        uint response;
        QString uri;
    };

    static QString pictureFile(const Answer& answer, bool interactive)
    {
        // a portal that cannot save its picture (KDE's, without a pictures folder) answers 1
        // too, as for a person's cancel, which only its dialog offers
        if (answer.response == 1)
            failCapture(interactive
                            ? QStringLiteral("the screenshot was cancelled.")
                            : QStringLiteral("the desktop's screenshot portal could not save its "
                                             "picture."));
        if (answer.response != 0)
            failCapture(QStringLiteral("the desktop's screenshot portal refused (answer %1).")
                            .arg(answer.response));
        QString file = QUrl(answer.uri).toLocalFile(); // not const: returned by moving
        if (file.isEmpty())
            failCapture(QStringLiteral("the screenshot portal named no picture file (\"%1\").")
                            .arg(answer.uri));
        return file;
    }

    QDBusConnection bus_;
    QString portal_;
    QString token_;
    QString handle_;
    QEventLoop loop_;
    QHash<QString, Answer> answers_;
};

// The picture the portal wrote, read without waiting on anything that is not a plain file; the
// file is the portal's copy for us and goes whatever it holds.
QImage readPortalPicture(const QString& file)
{
    const auto removeFile = qScopeGuard([&file] {
        if (QFile::exists(file) && !QFile::remove(file))
            qWarning("The screenshot portal's file %s could not be removed", qPrintable(file));
    });
    QImage picture;
    try {
        picture = QImage::fromData(readRegularFile(file, PictureFileLimit));
    } catch (const std::exception& failure) {
        failCapture(QStringLiteral("the picture the screenshot portal wrote cannot be read (%1).")
                        .arg(QString::fromUtf8(failure.what())));
    }
    if (picture.isNull())
        failCapture(
            QStringLiteral("the picture the screenshot portal wrote (%1) cannot be decoded.")
                .arg(file));
    return picture.convertToFormat(QImage::Format_RGB32);
}

class PortalCapture : public ScreenCapture
{
public:
    QImage grabScreen(const QRect& area) override
    {
        if (area.isEmpty())
            return QImage(area.size(), QImage::Format_RGB32);
        return pixels_.cut(screenshot(), area);
    }

    QImage grabPrimaryScreen() override { return pixels_.primaryOf(screenshot()); }

    std::optional<WindowShot> grabActiveWindow() override
    {
        // compositors share no request for the active window; sway's IPC tells it
        const QString sway = qEnvironmentVariable("SWAYSOCK");
        if (!sway.isEmpty()) {
            const std::optional<QRect> frame = swayFocusedWindow(sway);
            if (!frame)
                return std::nullopt;
            // the frame's device pixels are known once the picture is taken
            const QImage everything = screenshot();
            pixels_.learnFrom(everything);
            const QRect onScreen = pixels_.current().toDevice(*frame);
            return WindowShot{onScreen, pixels_.cut(everything, onScreen)};
        }
        // elsewhere the person picks the window in the portal's own dialog
        const QImage picked = request(true);
        return WindowShot{QRect(QPoint(), picked.size()), picked};
    }

    ScreenPixels primaryScreen() override { return pixels_.current(); }

    bool windowsPlacedByCompositor() const override { return true; }

private:
    // The whole layout without a dialog where the desktop allows it; where it refuses, the person
    // learns why once and picks in the portal's dialog, which needs no stored permission.
    QImage screenshot()
    {
        // looked up before every request: the person may change the answer while we run
        QDBusConnection bus = connectedBus();
        permission_ = lookUpPermission(bus);
        if (permission_ != Permission::Refused)
            return request(false);
        if (!refusalTold_) {
            refusalTold_ = true;
            tellCaptureNotice(CaptureNotice::ScreenshotsRefused);
        }
        return request(true);
    }

    QImage request(bool interactive)
    {
        QDBusConnection bus = connectedBus();
        // KDE's portal saves its picture into the pictures folder and fails where there is none,
        // as on a fresh account before the first login made it
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
        const int patience = interactive                          ? DialogPatienceMs
                             : permission_ == Permission::Allowed ? AllowedPatienceMs
                                                                  : AskingPatienceMs;
        PortalRequest portal(bus);
        return readPortalPicture(portal.take(interactive, patience));
    }

    static QDBusConnection connectedBus()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            failCapture(
                QStringLiteral("there is no desktop bus to reach the screenshot portal (%1).")
                    .arg(bus.lastError().message()));
        return bus;
    }

    Permission permission_ = Permission::Unknown;
    bool refusalTold_ = false;
    LayoutPixels pixels_;
};

} // namespace

std::unique_ptr<ScreenCapture> makePortalCapture()
{
    return std::make_unique<PortalCapture>();
}

} // namespace platform

#include "screen_capture_portal.moc"
