#include "platform/sway_ipc.h"

#include "platform/file_descriptor.h"
#include "platform/screen_capture.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>

namespace platform
{

namespace
{

constexpr char Magic[] = "i3-ipc";
constexpr int MagicSize = 6;
constexpr quint32 GetTree = 4;
// a compositor that hangs or dribbles must not hang the program with it
constexpr int AnswerMs = 2000;
// far more than the tree of any real desktop; a larger announcement is a damaged answer
constexpr quint32 MaxAnswerBytes = 64u << 20;

// A connected socket, closed on every path.
class Socket
{
public:
    explicit Socket(const QString& path)
    {
        const QByteArray name = path.toLocal8Bit();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(name.size()) >= sizeof address.sun_path) {
            failure_ = QStringLiteral("the name is too long for a socket");
            return;
        }
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        fd_.reset(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (fd_.valid()) {
            const timeval wait{AnswerMs / 1000, 0};
            setsockopt(fd_.get(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
            if (::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
                0)
                return;
        }
        // read before closing, which may set errno again
        failure_ = QString::fromLocal8Bit(std::strerror(errno));
        fd_.reset();
    }

    // Why it is not connected; empty when it is.
    QString failure() const { return failure_; }

    bool send(const QByteArray& bytes)
    {
        return ::send(fd_.get(), bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) ==
               bytes.size();
    }

    // Exactly `count` bytes, or fewer when the other side stops or `deadline` passes first.
    QByteArray receive(qsizetype count, const QDeadlineTimer& deadline)
    {
        QByteArray bytes(count, Qt::Uninitialized);
        qsizetype done = 0;
        while (done < count && waitForBytes(deadline)) {
            const ssize_t got =
                ::recv(fd_.get(), bytes.data() + done, size_t(count - done), MSG_DONTWAIT);
            if (got < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        bytes.truncate(done);
        return bytes;
    }

private:
    bool waitForBytes(const QDeadlineTimer& deadline)
    {
        for (;;) {
            pollfd ready{fd_.get(), POLLIN, 0};
            const int found = ::poll(&ready, 1, int(deadline.remainingTime()));
            if (found >= 0 || errno != EINTR)
                return found > 0;
        }
    }

    FileDescriptor fd_;
    QString failure_;
};

// Header of every message: the magic, then length and type in the machine's byte order.
QByteArray header(quint32 length, quint32 type)
{
    QByteArray bytes(Magic, MagicSize);
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char*>(&type), sizeof type);
    return bytes;
}

QJsonObject askTree(const QString& socketPath)
{
    Socket socket(socketPath);
    if (!socket.failure().isEmpty())
        throw CaptureFailure(QStringLiteral("The compositor's window list could not be read: "
                                            "no connection to %1 (%2).")
                                 .arg(socketPath, socket.failure())
                                 .toStdString());
    if (!socket.send(header(0, GetTree)))
        throw CaptureFailure(QStringLiteral("The compositor's window list could not be read: "
                                            "no answer at %1 (%2).")
                                 .arg(socketPath, QString::fromLocal8Bit(std::strerror(errno)))
                                 .toStdString());
    // one deadline for the whole answer: a byte now and then must not stretch it
    const QDeadlineTimer deadline(AnswerMs);
    const QByteArray head = socket.receive(MagicSize + 8, deadline);
    quint32 length = 0;
    if (head.size() == MagicSize + 8 && head.startsWith(Magic))
        std::memcpy(&length, head.constData() + MagicSize, sizeof length);
    const QJsonDocument tree = QJsonDocument::fromJson(
        length <= MaxAnswerBytes ? socket.receive(length, deadline) : QByteArray());
    if (!tree.isObject())
        throw CaptureFailure(QStringLiteral("The compositor's window list could not be read: "
                                            "its answer at %1 is damaged.")
                                 .arg(socketPath)
                                 .toStdString());
    return tree.object();
}

// A number of the tree as a whole number far inside 64 bits, whatever the compositor wrote
// (2^31, 1e300, a fraction): sums of a few of them cannot overflow.
qint64 coordinate(const QJsonValue& value)
{
    constexpr double Limit = double(qint64(1) << 40);
    return qint64(std::clamp(value.toDouble(), -Limit, Limit));
}

// A rectangle as left, top, right and bottom edges (right and bottom just outside).
struct Edges {
    qint64 left, top, right, bottom;
};

Edges edgesOf(const QJsonValue& value)
{
    const QJsonObject rect = value.toObject();
    const qint64 left = coordinate(rect["x"]), top = coordinate(rect["y"]);
    return {left, top, left + coordinate(rect["width"]), top + coordinate(rect["height"])};
}

// The part of `edges` inside `screen`; a null rectangle when nothing of it is.
QRect clampedTo(const Edges& edges, const QRect& screen)
{
    const qint64 left = std::max<qint64>(edges.left, screen.left());
    const qint64 top = std::max<qint64>(edges.top, screen.top());
    const qint64 right = std::min<qint64>(edges.right, qint64(screen.right()) + 1);
    const qint64 bottom = std::min<qint64>(edges.bottom, qint64(screen.bottom()) + 1);
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

QRect desktopLayout()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect();
}

} // namespace

std::optional<QRect> focusedWindowInTree(const QJsonObject& tree, const QRect& screen)
{
    const QString type = tree["type"].toString();
    if (tree["focused"].toBool())
        if (type == QLatin1String("con") || type == QLatin1String("floating_con")) {
            // the title bar stands above the window's own rectangle
            Edges frame = edgesOf(tree["rect"]);
            const Edges title = edgesOf(tree["deco_rect"]);
            frame.top -= title.bottom - title.top;
            return clampedTo(frame, screen);
        }
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue child : tree[QLatin1String(children)].toArray())
            if (const std::optional<QRect> found = focusedWindowInTree(child.toObject(), screen))
                return found;
    return std::nullopt;
}

std::optional<QRect> swayFocusedWindow(const QString& socketPath)
{
    return focusedWindowInTree(askTree(socketPath), desktopLayout());
}

} // namespace platform
