// The screen of a KDE Plasma session, asked of KWin itself: no dialog and no pointer. KWin
// grants its screenshots only to a program whose installed desktop entry lists the interface
// and names the running binary; elsewhere the portal serves.
#include "platform/file_descriptor.h"
#include "platform/screen_capture.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace platform
{

namespace
{

const QString KWinService = QStringLiteral("org.kde.KWin");
const QString NotAuthorized = QStringLiteral("org.kde.KWin.ScreenShot2.Error.NoAuthorized");
constexpr int KWinPatienceMs = 10000;
// A raw picture of 16k x 8k pixels of four bytes.
constexpr qint64 RawPictureLimit = qint64(16384) * 8192 * 4;

// KWin does not grant its screenshots to this program (a run from the build folder): the
// portal serves instead. Caught beside every call that may throw it.
class Refused : public std::runtime_error
{
public:
    Refused() : std::runtime_error("KWin does not grant its screenshots to this program.") {}
};

QString noPicture()
{
    return QStringLiteral("KWin sent no picture within %1 seconds.").arg(KWinPatienceMs / 1000);
}

// Adds what the pipe holds within `ms` to `data`; false once the writer closed it.
bool readSome(int fd, QByteArray& data, int ms)
{
    pollfd wait{fd, POLLIN, 0};
    const int ready = ::poll(&wait, 1, ms);
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return true;
    char chunk[65536];
    const ssize_t got = ready < 0 ? -1 : ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
        return true;
    if (got < 0)
        failCapture(QStringLiteral("KWin's picture could not be read (%1).")
                        .arg(QString::fromLocal8Bit(strerror(errno))));
    if (got == 0)
        return false;
    if (data.size() + got > RawPictureLimit)
        failCapture(QStringLiteral("KWin's picture is larger than any screen."));
    data.append(chunk, got);
    return true;
}

// The picture KWin describes in `results` from the bytes it wrote.
QImage rawPicture(const QVariantMap& results, const QByteArray& data)
{
    const int width = results.value(QStringLiteral("width")).toInt();
    const int height = results.value(QStringLiteral("height")).toInt();
    const int stride = results.value(QStringLiteral("stride")).toInt();
    const int format = results.value(QStringLiteral("format")).toInt();
    if (results.value(QStringLiteral("type")).toString() != QLatin1String("raw") || width <= 0 ||
        height <= 0 || format <= QImage::Format_Invalid || format >= QImage::NImageFormats ||
        stride < width || qint64(stride) * height > data.size())
        failCapture(QStringLiteral("KWin's picture is not one this program reads."));
    return QImage(reinterpret_cast<const uchar*>(data.constData()), width, height, stride,
                  QImage::Format(format))
        .copy();
}

// Sends a Capture* call with the pipe's writing end, which is closed here: the call keeps its
// own copy.
QDBusPendingReply<QVariantMap> send(const QString& method, QVariantList arguments, int writing)
{
    const FileDescriptor end(writing);
    QDBusMessage call =
        QDBusMessage::createMethodCall(KWinService, QStringLiteral("/org/kde/KWin/ScreenShot2"),
                                       QStringLiteral("org.kde.KWin.ScreenShot2"), method);
    call.setArguments(arguments << QVariant::fromValue(QDBusUnixFileDescriptor(end.get())));
    return QDBusConnection::sessionBus().asyncCall(call, KWinPatienceMs);
}

// A Capture* call of KWin's ScreenShot2 interface; the picture comes through a pipe. Throws
// Refused where KWin does not grant the interface to us.
QImage kwinShot(const QString& method, QVariantList arguments)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        failCapture(QStringLiteral("no pipe for KWin's picture (%1).")
                        .arg(QString::fromLocal8Bit(strerror(errno))));
    const FileDescriptor reading(ends[0]);
    const QDeadlineTimer deadline(KWinPatienceMs);
    QByteArray data;
    QVariantMap results;
    {
        // the call keeps copies of the writing end until it goes: read meanwhile, so that KWin
        // never waits on a full pipe, and to the end once only KWin's end is left open
        const QDBusPendingReply<QVariantMap> reply = send(method, std::move(arguments), ends[1]);
        while (!reply.isFinished()) {
            if (deadline.hasExpired())
                failCapture(noPicture());
            readSome(reading.get(), data, 20);
        }
        if (reply.isError()) {
            if (reply.error().name() == NotAuthorized)
                throw Refused();
            failCapture(
                QStringLiteral("KWin refused the screenshot (%1).").arg(reply.error().message()));
        }
        results = reply.value();
    }
    while (readSome(reading.get(), data, int(qMax<qint64>(0, deadline.remainingTime()))))
        if (deadline.hasExpired())
            failCapture(noPicture());
    return rawPicture(results, data);
}

QVariantMap withoutPointer(QVariantMap options = {})
{
    options.insert(QStringLiteral("include-cursor"), false);
    options.insert(QStringLiteral("native-resolution"), true);
    return options;
}

// Where KWin has the active window's frame, in the layout's logical coordinates. Asked through
// KWin's scripting, which answers by calling us back.
class FramePlace : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.framegrove.FramePlace")
public:
    std::optional<QRect> ask()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        kwin_ = bus.interface()->serviceOwner(KWinService).value();
        static int serial = 0; // for the run: an object path is not free again at once
        const QString path = QStringLiteral("/org/framegrove/FramePlace%1").arg(++serial);
        if (!bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots))
            failCapture(QStringLiteral("the active window's place cannot be asked of KWin."));
        const auto unregister = qScopeGuard([&] { bus.unregisterObject(path); });
        QTemporaryFile script(QDir::tempPath() + QStringLiteral("/framegrove-XXXXXX.js"));
        if (!script.open())
            failCapture(QStringLiteral("the active window's place cannot be asked of KWin (%1).")
                            .arg(script.errorString()));
        const QByteArray text =
            QStringLiteral("const w = workspace.activeWindow || workspace.activeClient;\n"
                           "callDBus('%1', '%2', 'org.framegrove.FramePlace', 'place',\n"
                           "         w ? [w.x, w.y, w.width, w.height].join(',') : '');\n")
                .arg(bus.baseService(), path)
                .toUtf8();
        if (script.write(text) != text.size() || !script.flush())
            failCapture(QStringLiteral("the active window's place cannot be asked of KWin (%1).")
                            .arg(script.errorString()));
        script.close();
        runScript(bus, script.fileName(), path.mid(1));
        if (!answered_) {
            QTimer::singleShot(KWinPatienceMs, &loop_, &QEventLoop::quit);
            loop_.exec();
        }
        if (!answered_)
            failCapture(QStringLiteral("KWin did not tell where the active window is."));
        return place_;
    }

public Q_SLOTS:
    Q_SCRIPTABLE void place(const QString& frame)
    {
        if (message().service() != kwin_) // only KWin's word counts
            return;
        if (!frame.isEmpty())
            place_ = rectangle(frame);
        answered_ = true;
        loop_.quit();
    }

private:
    static QRect rectangle(const QString& text)
    {
        const QStringList n = text.split(QLatin1Char(','));
        if (n.size() != 4)
            return QRect();
        return QRectF(n[0].toDouble(), n[1].toDouble(), n[2].toDouble(), n[3].toDouble())
            .toAlignedRect();
    }

    static void runScript(QDBusConnection& bus, const QString& file, const QString& name)
    {
        QDBusMessage load = QDBusMessage::createMethodCall(
            KWinService, QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
            QStringLiteral("loadScript"));
        load << file << name;
        const QDBusReply<int> id = bus.call(load, QDBus::Block, KWinPatienceMs);
        if (!id.isValid() || id.value() < 0)
            failCapture(
                QStringLiteral("KWin would not run the script that finds the active window."));
        // Plasma 5 puts the script at "/<id>", later ones under "/Scripting"
        for (const QString& script :
             {QStringLiteral("/%1"), QStringLiteral("/Scripting/Script%1")}) {
            const QDBusMessage run =
                bus.call(QDBusMessage::createMethodCall(KWinService, script.arg(id.value()),
                                                        QStringLiteral("org.kde.kwin.Script"),
                                                        QStringLiteral("run")),
                         QDBus::Block, KWinPatienceMs);
            if (run.type() == QDBusMessage::ReplyMessage)
                break;
        }
        QDBusMessage unload = QDBusMessage::createMethodCall(
            KWinService, QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
            QStringLiteral("unloadScript"));
        unload << name;
        bus.send(unload);
    }

    QString kwin_;
    QEventLoop loop_;
    bool answered_ = false;
    std::optional<QRect> place_;
};

class KWinCapture : public ScreenCapture
{
public:
    explicit KWinCapture(std::unique_ptr<ScreenCapture> refused) : refused_(std::move(refused)) {}

    QImage grabScreen(const QRect& area) override
    {
        if (area.isEmpty() || !granted_)
            return refused_->grabScreen(area);
        try {
            return pixels_.cut(workspace(), area);
        } catch (const Refused&) {
            granted_ = false;
            return refused_->grabScreen(area);
        }
    }

    std::optional<WindowShot> grabActiveWindow() override
    {
        if (!granted_)
            return refused_->grabActiveWindow();
        try {
            return activeWindow();
        } catch (const Refused&) {
            granted_ = false;
            return refused_->grabActiveWindow();
        }
    }

    QImage grabPrimaryScreen() override
    {
        if (!granted_)
            return refused_->grabPrimaryScreen();
        try {
            return pixels_.primaryOf(workspace());
        } catch (const Refused&) {
            granted_ = false;
            return refused_->grabPrimaryScreen();
        }
    }

    ScreenPixels primaryScreen() override
    {
        return granted_ ? pixels_.current() : refused_->primaryScreen();
    }

    bool windowsPlacedByCompositor() const override { return true; }

private:
    // The whole layout at its outputs' own resolution.
    static QImage workspace()
    {
        return kwinShot(QStringLiteral("CaptureWorkspace"), {withoutPointer()});
    }

    // The frame alone, cut out of KWin's picture of it, over the screen's picture of the same
    // place: where the window is opaque, its own pixels, also where another window covers it;
    // its rounded corners come back transparent and show what the screen shows there.
    std::optional<WindowShot> activeWindow()
    {
        const QImage withShadow =
            kwinShot(QStringLiteral("CaptureActiveWindow"),
                     {withoutPointer({{QStringLiteral("include-decoration"), true}})})
                .convertToFormat(QImage::Format_ARGB32);
        const std::optional<QRect> frame = FramePlace().ask();
        if (!frame || frame->isEmpty())
            return std::nullopt;
        const QImage everything = workspace();
        pixels_.learnFrom(everything);
        const QRect onScreen = pixels_.current().toDevice(*frame);
        QImage picture = pixels_.cut(everything, onScreen);
        const QPoint corner = frameCorner(withShadow);
        const QRect inside =
            QRect(corner, picture.size()).intersected(withShadow.rect()).translated(-corner);
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            const auto* from =
                reinterpret_cast<const QRgb*>(withShadow.constScanLine(y + corner.y()));
            auto* to = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = inside.left(); x <= inside.right(); ++x)
                if (qAlpha(from[x + corner.x()]) == 255)
                    to[x] = from[x + corner.x()];
        }
        return WindowShot{onScreen, picture};
    }

    // Where the frame lies in KWin's picture of the window: its shadow margins differ from side
    // to side, and only the frame is opaque, so it is the opaque pixels' bounding box.
    static QPoint frameCorner(const QImage& argb)
    {
        int left = argb.width(), top = argb.height();
        for (int y = 0; y < argb.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < qMin(left, argb.width()); ++x) {
                if (qAlpha(row[x]) == 255) {
                    left = x;
                    top = qMin(top, y);
                    break;
                }
            }
        }
        return left < argb.width() ? QPoint(left, top) : QPoint();
    }

    std::unique_ptr<ScreenCapture> refused_;
    bool granted_ = true;
    LayoutPixels pixels_;
};

} // namespace

std::unique_ptr<ScreenCapture> makeKWinCapture(std::unique_ptr<ScreenCapture> refused)
{
    return std::make_unique<KWinCapture>(std::move(refused));
}

} // namespace platform

#include "screen_capture_kwin.moc"
