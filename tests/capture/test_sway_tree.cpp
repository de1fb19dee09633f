#include "platform/screen_capture.h"
#include "platform/sway_ipc.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace
{

// A file descriptor, closed with its owner.
class Fd
{
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Whether `fd` has something to read (the other side's bytes or its hang-up) within `ms`.
bool readable(int fd, int ms)
{
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, ms) > 0;
}

// A compositor's IPC socket that answers the first request with `head` at once and then with
// `body`, a byte every `gapMs`, and stays connected until the program hangs up.
class SwaySocket
{
public:
    SwaySocket(QByteArray head, QByteArray body, int gapMs)
        : listener_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path().toLocal8Bit();
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_.get(), 1) != 0)
            qWarning("the stand-in compositor socket could not listen at %s", name.constData());
        server_ = std::jthread([this, head, body, gapMs] { serve(head, body, gapMs); });
    }
    QString path() const { return folder_.filePath("sway.sock"); }

private:
    void serve(const QByteArray& head, const QByteArray& body, int gapMs)
    {
        if (!readable(listener_.get(), 10000))
            return;
        const Fd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        char request[14];
        if (::recv(client.get(), request, sizeof request, MSG_WAITALL) != sizeof request)
            return;
        ::send(client.get(), head.constData(), size_t(head.size()), MSG_NOSIGNAL);
        // a program still waiting after 6 s has failed already: hang up rather than hold the test
        const QDeadlineTimer patience(6000);
        for (const char byte : body) {
            if (::send(client.get(), &byte, 1, MSG_NOSIGNAL) != 1 || readable(client.get(), gapMs))
                return; // the program gave up and hung up
            if (patience.hasExpired())
                return;
        }
        readable(client.get(), int(patience.remainingTime()));
    }

    QTemporaryDir folder_;
    Fd listener_;
    std::jthread server_; // last: joined before the socket and its folder go
};

// An IPC message header: the magic, the length and the type in the machine's byte order.
QByteArray header(quint32 length, quint32 type)
{
    QByteArray bytes("i3-ipc");
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char*>(&type), sizeof type);
    return bytes;
}

} // namespace

class TestSwayTree : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void focusedWindowFrame_data();
    void focusedWindowFrame();
    void answerOverTheSocket_data();
    void answerOverTheSocket();
    void unreachableSocketSaysWhy_data();
    void unreachableSocketSaysWhy();
};

void TestSwayTree::focusedWindowFrame_data()
{
    QTest::addColumn<QByteArray>("tree");
    QTest::addColumn<QRect>("frame"); // null: outside the screen
    const QByteArray output = R"({"type":"root","focused":false,"nodes":[{"type":"output",
        "nodes":[{"type":"workspace","focused":%1,"nodes":[%2],"floating_nodes":[%3]}]}]})";
    const QByteArray floating = R"({"type":"floating_con","focused":true,
        "rect":{"x":100,"y":145,"width":324,"height":202},
        "deco_rect":{"x":100,"y":120,"width":324,"height":25}})";
    const QByteArray tiled = R"({"type":"con","focused":false,"nodes":[{"type":"con",
        "focused":true,"rect":{"x":640,"y":0,"width":640,"height":1024},
        "deco_rect":{"x":0,"y":0,"width":0,"height":0}}]})";
    const QByteArray other = R"({"type":"con","focused":false,"rect":{"x":0,"y":0,
        "width":640,"height":1024}})";
    // (-1, -1, 1, 1): no window has the focus
    auto tree = [&](const char* workspaceFocused, const QByteArray& nodes,
                    const QByteArray& floatingNodes) {
        return QByteArray(output)
            .replace("%1", workspaceFocused)
            .replace("%2", nodes)
            .replace("%3", floatingNodes);
    };
    QTest::newRow("floating, title bar above its rectangle")
        << tree("false", other, floating) << QRect(100, 120, 324, 227);
    QTest::newRow("tiled deep in a split, no title bar")
        << tree("false", other + "," + tiled, "") << QRect(640, 0, 640, 1024);
    QTest::newRow("only the empty workspace has the focus")
        << tree("true", other, "") << QRect(-1, -1, 1, 1);
    // numbers no real compositor sends, cut to the 1280 x 1024 screen without overflowing
    const auto focused = [&](const char* rect, const char* deco) {
        return tree("false",
                    QByteArray(R"({"type":"con","focused":true,"rect":)") + rect +
                        R"(,"deco_rect":)" + deco + "}",
                    "");
    };
    const char* noTitle = R"({"x":0,"y":0,"width":0,"height":0})";
    QTest::newRow("edges at plus and minus 2^31")
        << focused(R"({"x":-2147483648,"y":-2147483648,"width":4294967295,"height":4294967295})",
                   noTitle)
        << QRect(0, 0, 1280, 1024);
    QTest::newRow("title bar of 2^31 above the top")
        << focused(R"({"x":10,"y":-2147483648,"width":100,"height":4294967295})",
                   R"({"x":0,"y":0,"width":100,"height":2147483648})")
        << QRect(10, 0, 100, 1024);
    QTest::newRow("far outside, right and below")
        << focused(R"({"x":2147483647,"y":2147483647,"width":2147483647,"height":1})", noTitle)
        << QRect();
    QTest::newRow("huge and fractional numbers")
        << focused(R"({"x":0.5,"y":0.5,"width":1e300,"height":20.9})", noTitle)
        << QRect(0, 0, 1280, 20);
    QTest::newRow("negative size")
        << focused(R"({"x":100,"y":100,"width":-50,"height":-50})", noTitle) << QRect();
}

void TestSwayTree::focusedWindowFrame()
{
    QFETCH(QByteArray, tree);
    QFETCH(QRect, frame);
    const QJsonDocument document = QJsonDocument::fromJson(tree);
    QVERIFY(document.isObject());
    QCOMPARE(platform::focusedWindowInTree(document.object(), QRect(0, 0, 1280, 1024))
                 .value_or(QRect(-1, -1, 1, 1)),
             frame);
}

void TestSwayTree::answerOverTheSocket_data()
{
    QTest::addColumn<QByteArray>("head"); // sent at once
    QTest::addColumn<QByteArray>("body"); // sent a byte every gapMs
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<bool>("answered"); // false: the lookup fails as a damaged answer
    QTest::addColumn<int>("fromMs");    // the time the lookup takes, from..to
    QTest::addColumn<int>("toMs");
    const QByteArray tree = R"({"type":"root","nodes":[{"type":"floating_con","focused":true,
        "rect":{"x":100,"y":145,"width":324,"height":202},
        "deco_rect":{"x":100,"y":120,"width":324,"height":25}}]})";
    const QByteArray head = header(quint32(tree.size()), 4);
    QTest::newRow("whole answer at once") << head + tree << QByteArray() << 0 << true << 0 << 1000;
    // one deadline for the whole answer, not one per byte
    QTest::newRow("a byte every 1.5 s") << head << tree << 1500 << false << 1900 << 3000;
    QTest::newRow("header a byte every 1.5 s")
        << QByteArray() << head + tree << 1500 << false << 1900 << 3000;
    QTest::newRow("silent") << QByteArray() << QByteArray() << 0 << false << 1900 << 3000;
    // refused without waiting for the bytes announced
    QTest::newRow("announces more than 64 MiB")
        << header((64u << 20) + 1, 4) + tree << QByteArray() << 0 << false << 0 << 1000;
}

void TestSwayTree::answerOverTheSocket()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, body);
    QFETCH(int, gapMs);
    QFETCH(bool, answered);
    QFETCH(int, fromMs);
    QFETCH(int, toMs);
    const SwaySocket sway(head, body, gapMs);
    QElapsedTimer clock;
    clock.start();
    try {
        const std::optional<QRect> frame = platform::swayFocusedWindow(sway.path());
        QVERIFY(answered);
        QCOMPARE(frame.value_or(QRect()), QRect(100, 120, 324, 227));
    } catch (const platform::CaptureFailure& failure) {
        QVERIFY2(!answered, failure.what());
        QCOMPARE(QString::fromStdString(failure.what()),
                 QString("The compositor's window list could not be read: its answer at %1 is "
                         "damaged.")
                     .arg(sway.path()));
    }
    QVERIFY2(clock.elapsed() >= fromMs && clock.elapsed() <= toMs,
             qPrintable(QString("took %1 ms").arg(clock.elapsed())));
}

void TestSwayTree::unreachableSocketSaysWhy_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("why");
    QTest::newRow("nobody there") << QDir::tempPath() + "/fg-no-sway-here.sock"
                                  << "No such file or directory";
    QTest::newRow("not a socket") << QDir::tempPath() << "Connection refused";
    QTest::newRow("name too long for a socket")
        << "/" + QString(200, 'x') << "the name is too long for a socket";
}

void TestSwayTree::unreachableSocketSaysWhy()
{
    QFETCH(QString, path);
    QFETCH(QString, why);
    try {
        platform::swayFocusedWindow(path);
        QFAIL("no failure");
    } catch (const platform::CaptureFailure& failure) {
        QCOMPARE(QString::fromStdString(failure.what()),
                 QString("The compositor's window list could not be read: no connection to %1 "
                         "(%2).")
                     .arg(path, why));
    }
}

// a screen (the offscreen platform's) to cut the frames the socket gives to
QTEST_MAIN(TestSwayTree)
#include "test_sway_tree.moc"
