#include "platform/clipboard_handoff.h"
#include "platform/qt_x11_display.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <X11/Xatom.h>
#include <csignal>
#include <cstring>

namespace platform
{

namespace
{

// The keeper is given up when it has asked for nothing for this long while we were idle too.
constexpr qint64 KeeperIdleMs = 15000;
// A turn of the event loop this late was held up by our own work for the keeper.
constexpr qint64 BusyTurnMs = 1000;

QString keeperPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/framegrove-clipboard-keeper");
}

// A property of a window as Xlib gives it (32-bit items as longs); empty when it has none.
QByteArray windowProperty(Display* display, Window window, const char* name, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 64, False, type,
                           &actualType, &format, &items, &after, &data) != Success ||
        !data)
        return {};
    const int itemSize = format == 32 ? int(sizeof(long)) : format / 8;
    QByteArray value(reinterpret_cast<const char*>(data), qsizetype(items) * itemSize);
    XFree(data);
    return value;
}

// The name the window manager gives itself on its check window.
QByteArray windowManagerName(Display* display)
{
    const QByteArray check =
        windowProperty(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.size() != sizeof(long))
        return {};
    long window = 0;
    memcpy(&window, check.constData(), sizeof window);
    return windowProperty(display, Window(window), "_NET_WM_NAME",
                          XInternAtom(display, "UTF8_STRING", False));
}

bool managerTakesOver(Display* display)
{
    // a clipboard manager gets the data from Qt itself as the application ends. The window
    // manager of wlroots' Xwayland (sway's) holds the manager's name but keeps nothing
    return XGetSelectionOwner(display, XInternAtom(display, "CLIPBOARD_MANAGER", False)) != None &&
           windowManagerName(display) != "wlroots wm";
}

// Notes when the keeper last asked for data or for the next piece of it.
class KeeperRequests : public QAbstractNativeEventFilter
{
public:
    KeeperRequests() { QCoreApplication::instance()->installNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const int type = *static_cast<const unsigned char*>(message) & 0x7f;
        if (type == SelectionRequest || type == PropertyNotify)
            sinceLast_.start();
        return false;
    }

    void touch() { sinceLast_.start(); }
    qint64 idleMs() const { return sinceLast_.elapsed(); }

private:
    QElapsedTimer sinceLast_;
};

// Serves the keeper until it has taken the clipboard, has ended, or has stopped asking.
void serveKeeper(QClipboard* clipboard, qint64 pid)
{
    QEventLoop loop;
    QObject::connect(clipboard, &QClipboard::changed, &loop, [&] {
        if (!clipboard->ownsClipboard())
            loop.quit();
    });
    KeeperRequests requests;
    requests.touch();
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        // a large picture takes a while to encode for the keeper, which waits for it meanwhile
        if (sinceTurn.restart() > BusyTurnMs)
            requests.touch();
        if (kill(pid_t(pid), 0) != 0 || requests.idleMs() > KeeperIdleMs)
            loop.quit();
    });
    watch.start(100);
    loop.exec();
}

} // namespace

void requireX11ClipboardKeeper()
{
    Display* display = qtDisplay();
    if (!display || managerTakesOver(display))
        return;
    if (!QFileInfo::exists(keeperPath()))
        failToKeepClipboard("the clipboard keeper " + keeperPath() + " is missing");
    QProcess check;
    check.start(keeperPath(), {QStringLiteral("--check")});
    if (!check.waitForStarted())
        failToKeepClipboard("the clipboard keeper " + keeperPath() + " does not start (" +
                            check.errorString() + ")");
    if (!check.waitForFinished() || check.exitStatus() != QProcess::NormalExit ||
        check.exitCode() != 0)
        failToKeepClipboard("the clipboard keeper " + keeperPath() + " does not reach the display");
}

ClipboardHandOver handClipboardToX11Keeper()
{
    Display* display = qtDisplay();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!display || !clipboard->ownsClipboard() || managerTakesOver(display))
        return {};
    const Atom selection = XInternAtom(display, "CLIPBOARD", False);
    const Window owner = XGetSelectionOwner(display, selection);
    qint64 pid = 0;
    if (owner == None ||
        !QProcess::startDetached(keeperPath(), {QString::number(owner)}, QStringLiteral("/"), &pid))
        return clipboardLost("the clipboard keeper " + keeperPath() + " did not start");
    serveKeeper(clipboard, pid);
    if (clipboard->ownsClipboard())
        return clipboardLost(kill(pid_t(pid), 0) == 0
                                 ? "the clipboard keeper stopped taking it"
                                 : "the clipboard keeper ended before it had it");
    if (XGetSelectionOwner(display, selection) == None)
        return clipboardLost("the clipboard keeper ended as it took it");
    return {};
}

} // namespace platform
