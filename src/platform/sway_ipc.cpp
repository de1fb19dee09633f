#include "platform/sway_ipc.h"

#include "platform/screen_capture.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform
{

namespace
{

constexpr char Magic[] = "i3-ipc";
constexpr int MagicSize = 6;
constexpr quint32 GetTree = 4;

// A connected socket, closed on every path.
class Socket
{
public:
    explicit Socket(const QString& path)
    {
        const QByteArray name = path.toLocal8Bit();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(name.size()) >= sizeof address.sun_path)
            return;
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return;
        // a compositor that hangs must not hang the program with it
        const timeval wait{2, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool connected() const { return fd_ >= 0; }

    bool send(const QByteArray& bytes)
    {
        return ::send(fd_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }

    // Exactly `count` bytes, or fewer when the other side stops.
    QByteArray receive(qsizetype count)
    {
        QByteArray bytes(count, Qt::Uninitialized);
        qsizetype done = 0;
        while (done < count) {
            const ssize_t got = ::recv(fd_, bytes.data() + done, size_t(count - done), 0);
            if (got <= 0)
                break;
            done += got;
        }
        bytes.truncate(done);
        return bytes;
    }

private:
    int fd_ = -1;
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
    if (!socket.connected() || !socket.send(header(0, GetTree)))
        throw CaptureFailure(QStringLiteral("The compositor's window list could not be read: "
                                            "no answer at %1.")
                                 .arg(socketPath)
                                 .toStdString());
    const QByteArray head = socket.receive(MagicSize + 8);
    quint32 length = 0;
    if (head.size() == MagicSize + 8 && head.startsWith(Magic))
        std::memcpy(&length, head.constData() + MagicSize, sizeof length);
    const QJsonDocument tree = QJsonDocument::fromJson(socket.receive(length));
    if (!tree.isObject())
        throw CaptureFailure(QStringLiteral("The compositor's window list could not be read: "
                                            "its answer at %1 is damaged.")
                                 .arg(socketPath)
                                 .toStdString());
    return tree.object();
}

QRect rectOf(const QJsonValue& value)
{
    const QJsonObject rect = value.toObject();
    return QRect(rect["x"].toInt(), rect["y"].toInt(), rect["width"].toInt(),
                 rect["height"].toInt());
}

} // namespace

std::optional<QRect> focusedWindowInTree(const QJsonObject& tree)
{
    const QString type = tree["type"].toString();
    if (tree["focused"].toBool())
        if (type == QLatin1String("con") || type == QLatin1String("floating_con")) {
            // the title bar stands above the window's own rectangle
            const int title = rectOf(tree["deco_rect"]).height();
            return rectOf(tree["rect"]).adjusted(0, -title, 0, 0);
        }
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue child : tree[QLatin1String(children)].toArray())
            if (const std::optional<QRect> found = focusedWindowInTree(child.toObject()))
                return found;
    return std::nullopt;
}

std::optional<QRect> swayFocusedWindow(const QString& socketPath)
{
    return focusedWindowInTree(askTree(socketPath));
}

} // namespace platform
